#include "math/ZEMatrix.h"

#include "math/ZEMath.h"

#include <cstring>

namespace
{
// Writes the 3x3 rotation block about one axis into any column-major matrix
// of dimension N, leaving the other elements as they are.
template <int N>
void SetRotationBlock(float* m, int axis, float c, float s)
{
    auto at = [m](int r, int col) -> float& { return m[col * N + r]; };
    for (int r = 0; r < 3; ++r)
        for (int col = 0; col < 3; ++col)
            at(r, col) = r == col ? 1.0f : 0.0f;
    int a = (axis + 1) % 3;   // the axis turned toward b
    int b = (axis + 2) % 3;
    at(a, a) = c;
    at(a, b) = -s;
    at(b, a) = s;
    at(b, b) = c;
}
}

ZEMatrix3x3::ZEMatrix3x3(float m0, float m1, float m2, float m3, float m4, float m5,
                         float m6, float m7, float m8)
    : m{m0, m1, m2, m3, m4, m5, m6, m7, m8}
{
}

void ZEMatrix3x3::IdentityMatrix()
{
    ScalingMatrix(1.0f, 1.0f, 1.0f);
}

void ZEMatrix3x3::XRotationMatrixRad(float angle) { SetRotationBlock<3>(m, 0, ZECosRad(angle), ZESinRad(angle)); }
void ZEMatrix3x3::YRotationMatrixRad(float angle) { SetRotationBlock<3>(m, 1, ZECosRad(angle), ZESinRad(angle)); }
void ZEMatrix3x3::ZRotationMatrixRad(float angle) { SetRotationBlock<3>(m, 2, ZECosRad(angle), ZESinRad(angle)); }
void ZEMatrix3x3::XRotationMatrixDeg(float angle) { SetRotationBlock<3>(m, 0, ZECosDeg(angle), ZESinDeg(angle)); }
void ZEMatrix3x3::YRotationMatrixDeg(float angle) { SetRotationBlock<3>(m, 1, ZECosDeg(angle), ZESinDeg(angle)); }
void ZEMatrix3x3::ZRotationMatrixDeg(float angle) { SetRotationBlock<3>(m, 2, ZECosDeg(angle), ZESinDeg(angle)); }

void ZEMatrix3x3::ScalingMatrix(float sx, float sy, float sz)
{
    std::memset(m, 0, sizeof(m));
    m[0] = sx;
    m[4] = sy;
    m[8] = sz;
}

ZEMatrix3x3 ZEMatrix3x3::operator*(const ZEMatrix3x3& other) const
{
    ZEMatrix3x3 product;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            product.At(r, c) = At(r, 0) * other.At(0, c) + At(r, 1) * other.At(1, c) + At(r, 2) * other.At(2, c);
    return product;
}

ZEVector ZEMatrix3x3::operator*(const ZEVector& v) const
{
    return ZEVector(At(0, 0) * v.x + At(0, 1) * v.y + At(0, 2) * v.z,
                    At(1, 0) * v.x + At(1, 1) * v.y + At(1, 2) * v.z,
                    At(2, 0) * v.x + At(2, 1) * v.y + At(2, 2) * v.z);
}

ZEMatrix4x4::ZEMatrix4x4(const float values[16])
{
    std::memcpy(m, values, sizeof(m));
}

void ZEMatrix4x4::IdentityMatrix()
{
    ScalingMatrix(1.0f, 1.0f, 1.0f);
}

void ZEMatrix4x4::XRotationMatrixRad(float angle) { IdentityMatrix(); SetRotationBlock<4>(m, 0, ZECosRad(angle), ZESinRad(angle)); }
void ZEMatrix4x4::YRotationMatrixRad(float angle) { IdentityMatrix(); SetRotationBlock<4>(m, 1, ZECosRad(angle), ZESinRad(angle)); }
void ZEMatrix4x4::ZRotationMatrixRad(float angle) { IdentityMatrix(); SetRotationBlock<4>(m, 2, ZECosRad(angle), ZESinRad(angle)); }
void ZEMatrix4x4::XRotationMatrixDeg(float angle) { IdentityMatrix(); SetRotationBlock<4>(m, 0, ZECosDeg(angle), ZESinDeg(angle)); }
void ZEMatrix4x4::YRotationMatrixDeg(float angle) { IdentityMatrix(); SetRotationBlock<4>(m, 1, ZECosDeg(angle), ZESinDeg(angle)); }
void ZEMatrix4x4::ZRotationMatrixDeg(float angle) { IdentityMatrix(); SetRotationBlock<4>(m, 2, ZECosDeg(angle), ZESinDeg(angle)); }

void ZEMatrix4x4::ScalingMatrix(float sx, float sy, float sz)
{
    std::memset(m, 0, sizeof(m));
    m[0] = sx;
    m[5] = sy;
    m[10] = sz;
    m[15] = 1.0f;
}

void ZEMatrix4x4::TranslationMatrix(float tx, float ty, float tz)
{
    IdentityMatrix();
    m[12] = tx;
    m[13] = ty;
    m[14] = tz;
}

ZEMatrix4x4 ZEMatrix4x4::operator*(const ZEMatrix4x4& other) const
{
    ZEMatrix4x4 product;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            product.At(r, c) = At(r, 0) * other.At(0, c) + At(r, 1) * other.At(1, c) +
                               At(r, 2) * other.At(2, c) + At(r, 3) * other.At(3, c);
    return product;
}

ZEVector ZEMatrix4x4::operator*(const ZEVector& v) const
{
    return ZEVector(At(0, 0) * v.x + At(0, 1) * v.y + At(0, 2) * v.z + At(0, 3),
                    At(1, 0) * v.x + At(1, 1) * v.y + At(1, 2) * v.z + At(1, 3),
                    At(2, 0) * v.x + At(2, 1) * v.y + At(2, 2) * v.z + At(2, 3));
}
