#include "math/ZEMath.h"
#include "math/ZEMatrix.h"
#include "math/ZEPlane.h"
#include "math/ZEVector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>

namespace
{
void ExpectVector(const ZEVector& v, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}
}

TEST(MathScalar, DegreeFunctionsUseTheFloatPi)
{
    EXPECT_EQ(ZE_PI, 3.14159274f);
    EXPECT_FLOAT_EQ(ZESinDeg(90.0f), 1.0f);
    EXPECT_FLOAT_EQ(ZEACosDeg(0.0f), 90.0f);
    EXPECT_FLOAT_EQ(ZEATanRad(1.0f), static_cast<float>(M_PI / 4.0));
    EXPECT_FLOAT_EQ(ZEASinDeg(1.0f), 90.0f);
    EXPECT_FLOAT_EQ(ZEATanDeg(1.0f), 45.0f);
    // The float π is slightly larger than the true one, so sin(180°) is a
    // tiny negative number, not 0.
    EXPECT_LT(ZESinDeg(180.0f), 0.0f);
    EXPECT_GT(ZESinDeg(180.0f), -1e-6f);
    EXPECT_FLOAT_EQ(ZESquare(-3.0f), 9.0f);
    EXPECT_FLOAT_EQ(ZEPow(2.0f, 10.0f), 1024.0f);
}

TEST(MathScalar, RandomRangeAndZeroBasedIndex)
{
    ZESeedRandom(1234);
    std::set<int32_t> seen;
    for (int i = 0; i < 4000; ++i)
    {
        int32_t draw = ZERandM(4);
        EXPECT_GE(draw, 0);
        EXPECT_LE(draw, 4);
        seen.insert(draw);
        int32_t index = ZERandIndex(4);
        EXPECT_GE(index, 0);
        EXPECT_LE(index, 3);
        int32_t one = ZERandM(1);
        EXPECT_TRUE(one == 1 || one == 0);
    }
    EXPECT_TRUE(seen.count(1) && seen.count(4));
    EXPECT_EQ(ZERandIndex(1), 0);
}

TEST(MathScalar, SeededSequencesRepeat)
{
    ZESeedRandom(99);
    int32_t a[8];
    for (int32_t& value : a)
        value = ZERandM(1000);
    ZESeedRandom(99);
    for (int32_t value : a)
        EXPECT_EQ(ZERandM(1000), value);
}

TEST(MathScalar, RandMScalesByTwoToTheMinus31)
{
    // The largest rand() maps to n exactly; the scale is 2^-31.
    EXPECT_EQ(ZE_RAND_SCALE, std::ldexp(1.0f, -31));
}

TEST(MathVector, ProductsAndLengths)
{
    ZEVector x(1, 0, 0), y(0, 1, 0);
    ExpectVector(x.CrossProduct(y), 0, 0, 1);
    EXPECT_FLOAT_EQ(ZEVector(1, 2, 3).DotProduct(ZEVector(4, -5, 6)), 12.0f);
    EXPECT_FLOAT_EQ(ZEVector(3, 4, 12).GetLength(), 13.0f);
    ExpectVector(ZEVector(0, 3, 4).UnitVector(), 0, 0.6f, 0.8f);
    ExpectVector(ZEVector(0, 3, 4).GetWithLength(10), 0, 6, 8);
    EXPECT_NEAR(x.Angle(y), M_PI / 2, 1e-6);
}

TEST(MathVector, ZeroVectorStaysZeroInsteadOfNaN)
{
    ZEVector zero;
    zero.Normalize();
    ExpectVector(zero, 0, 0, 0, 0);
    zero.SetLength(5.0f);
    ExpectVector(zero, 0, 0, 0, 0);
    ExpectVector(ZEVector().UnitVector(), 0, 0, 0, 0);
    ExpectVector(ZEVector().Reflection(ZEVector(0, 1, 0)), 0, 0, 0, 0);
    // Slightly longer than unit through rounding: the angle is 0, not NaN.
    ZEVector a(0.6f, 0.8f, 0.0f);
    EXPECT_FALSE(std::isnan(a.Angle(a)));
}

TEST(MathVector, ReflectionKeepsLength)
{
    ExpectVector(ZEVector(1, -1, 0).Reflection(ZEVector(0, 1, 0)), 1, 1, 0);
    ExpectVector(ZEVector(0, -5, 0).Reflection(ZEVector(0, 1, 0)), 0, 5, 0);
}

TEST(MathVector, RightAndUpVectors)
{
    ZEVector right, up;
    ZEVector(0, 0, 1).GetRightAndUpVectors(right, up);
    ExpectVector(right, 1, 0, 0);
    ExpectVector(up, 0, 1, 0);

    ZEVector(0, 1, 0).GetRightAndUpVectors(right, up);
    ExpectVector(right, 0, 0, -1);
    ExpectVector(up, -1, 0, 0);

    ZEVector(1, 0, 0).GetRightAndUpVectors(right, up);
    ExpectVector(right, 0, 0, -1);
    ZEVector(-1, 0, 0).GetRightAndUpVectors(right, up);
    ExpectVector(right, 0, 0, 1);

    // Off-axis: both unit length and perpendicular to the direction.
    ZEVector d = ZEVector(1, 2, 3).UnitVector();
    d.GetRightAndUpVectors(right, up);
    EXPECT_NEAR(right.GetLength(), 1.0f, 1e-6f);
    EXPECT_NEAR(up.GetLength(), 1.0f, 1e-6f);
    EXPECT_NEAR(right.DotProduct(d), 0.0f, 1e-6f);
    EXPECT_NEAR(up.DotProduct(d), 0.0f, 1e-6f);
    EXPECT_NEAR(up.DotProduct(right), 0.0f, 1e-6f);
}

TEST(MathMatrix, LayoutIsColumnMajor)
{
    ZEMatrix4x4 translation;
    translation.TranslationMatrix(1, 2, 3);
    EXPECT_EQ(translation.m[12], 1.0f);
    EXPECT_EQ(translation.m[13], 2.0f);
    EXPECT_EQ(translation.m[14], 3.0f);
    ExpectVector(translation * ZEVector(1, 1, 1), 2, 3, 4);

    ZEMatrix3x3 m(1, 2, 3, 4, 5, 6, 7, 8, 9);
    EXPECT_EQ(m.At(0, 1), 4.0f);   // row 0, column 1 at index 3
    EXPECT_EQ(m.At(2, 0), 3.0f);
}

TEST(MathMatrix, RotationsTurnTheRightWay)
{
    ZEMatrix3x3 z;
    z.ZRotationMatrixDeg(90);
    ExpectVector(z * ZEVector(1, 0, 0), 0, 1, 0);
    ZEMatrix3x3 x;
    x.XRotationMatrixDeg(90);
    ExpectVector(x * ZEVector(0, 1, 0), 0, 0, 1);
    ZEMatrix3x3 y;
    y.YRotationMatrixDeg(90);
    ExpectVector(y * ZEVector(0, 0, 1), 1, 0, 0);

    ZEMatrix4x4 z4;
    z4.ZRotationMatrixDeg(90);
    ExpectVector(z4 * ZEVector(1, 0, 0), 0, 1, 0);
    EXPECT_EQ(z4.m[15], 1.0f);
}

TEST(MathMatrix, EulerOrderIsZTimesYTimesX)
{
    // Rz * Ry * Rx applied to a vector turns it about X first.
    ZEMatrix3x3 rx, ry, rz;
    rx.XRotationMatrixDeg(90);
    ry.YRotationMatrixDeg(90);
    rz.ZRotationMatrixDeg(90);
    ZEMatrix3x3 euler = rz * ry * rx;
    ZEVector v(0, 1, 0);
    ZEVector stepwise = rz * (ry * (rx * v));
    ZEVector combined = euler * v;
    ExpectVector(combined, stepwise.x, stepwise.y, stepwise.z);
    // (0,1,0) -X-> (0,0,1) -Y-> (1,0,0) -Z-> (0,1,0)
    ExpectVector(combined, 0, 1, 0);
}

TEST(MathPlane, ThroughThreePoints)
{
    ZEPlane ground(ZEVector(0, 0, 0), ZEVector(0, 0, 1), ZEVector(1, 0, 0));
    ExpectVector(ground.m_vNormal, 0, 1, 0);
    EXPECT_EQ(ground.m_dDistance, 0.0);

    ZEPlane raised(ZEVector(0, 5, 0), ZEVector(0, 5, 1), ZEVector(1, 5, 0));
    EXPECT_DOUBLE_EQ(raised.m_dDistance, -5.0);
    EXPECT_DOUBLE_EQ(raised.Distance(ZEVector(3, 7, 3)), 2.0);

    ZEPlane unnormalised(0, 2, 0, 1);
    ExpectVector(unnormalised.m_vNormal, 0, 2, 0, 0);

    ZEPlane defaults;
    ExpectVector(defaults.m_vNormal, 0, 1, 0, 0);
}
