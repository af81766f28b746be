#include "math/ZEBoundingVolume.h"
#include "math/ZEMath.h"
#include "math/ZEMatrix.h"
#include "math/ZEPlane.h"
#include "render/ZECamera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace
{
void ExpectVector(const ZEVector& v, float x, float y, float z, float tolerance = 1e-6f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

bool CullsSphere(const ZECamera& camera, const ZEVector& center, float radius)
{
    ZEBoundingSphere sphere(center, radius);
    return camera.Culled(&sphere);
}

// Where the renderer's view puts a world point: rotate about X, then Y,
// then Z by the camera's angles after moving by the negated position. The
// result is in the camera frame, z pointing ahead.
ZEVector ToViewFrame(const ZECamera& camera, const ZEVector& point)
{
    ZEMatrix3x3 rx, ry, rz;
    rx.XRotationMatrixDeg(camera.m_vRotation.x);
    ry.YRotationMatrixDeg(camera.m_vRotation.y);
    rz.ZRotationMatrixDeg(camera.m_vRotation.z);
    return (rx * ry * rz) * (point - camera.m_vPosition);
}

enum Visibility
{
    kInside,
    kOutside,
    kOnBoundary
};

// Visibility by the projection itself, with a margin around every face so
// that rounding never decides.
Visibility ViewVisibility(const ZECamera& camera, const ZEVector& point)
{
    const double margin = 1e-2;
    ZEVector q = ToViewFrame(camera, point);
    double limitX = q.z * std::tan(camera.m_fFOVX * 0.5 * M_PI / 180.0);
    double limitY = q.z * std::tan(camera.m_fFOVY * 0.5 * M_PI / 180.0);
    double slack[5] = {q.z - camera.m_fZNear, camera.m_fZFar - q.z, limitX - std::fabs(q.x),
                       limitY - std::fabs(q.y), 0.0};
    bool inside = true;
    for (int i = 0; i < 4; ++i)
    {
        if (std::fabs(slack[i]) < margin)
            return kOnBoundary;
        inside = inside && slack[i] > 0.0;
    }
    return inside ? kInside : kOutside;
}

bool InsideAllPlanes(const ZECamera& camera, const ZEVector& point)
{
    for (uint16_t i = 0; i < 6; ++i)
    {
        const ZEPlane* plane = camera.GetPlane(i);
        if (plane->m_vNormal.DotProduct(point) + static_cast<float>(plane->m_dDistance) < 0.0f)
            return false;
    }
    return true;
}
}

TEST(CameraDefaults, LooksAlongPlusZFromTheOrigin)
{
    ZECamera camera;
    ExpectVector(camera.GetPosition(), 0.0f, 0.0f, 0.0f);
    ExpectVector(camera.GetFVector(), 0.0f, 0.0f, 1.0f);
    ExpectVector(camera.GetUVector(), 0.0f, 1.0f, 0.0f);
    ExpectVector(camera.GetRVector(), 1.0f, 0.0f, 0.0f);
    EXPECT_EQ(camera.GetFOVX(), 120.0f);
    EXPECT_EQ(camera.GetFOVY(), 90.0f);
    EXPECT_EQ(camera.GetZNear(), 1.0f);
    EXPECT_EQ(camera.GetZFar(), 4096.0f);

    // Near and far planes face each other at z = 1 and z = 4096.
    ExpectVector(camera.GetPlane(0)->m_vNormal, 0.0f, 0.0f, 1.0f);
    EXPECT_NEAR(camera.GetPlane(0)->m_dDistance, -1.0, 1e-6);
    ExpectVector(camera.GetPlane(1)->m_vNormal, 0.0f, 0.0f, -1.0f);
    EXPECT_NEAR(camera.GetPlane(1)->m_dDistance, 4096.0, 1e-3);
    // Top, bottom, left, right lean by half the field of view.
    float s45 = std::sqrt(0.5f);
    ExpectVector(camera.GetPlane(2)->m_vNormal, 0.0f, -s45, s45);
    ExpectVector(camera.GetPlane(3)->m_vNormal, 0.0f, s45, s45);
    ExpectVector(camera.GetPlane(4)->m_vNormal, 0.5f, 0.0f, 0.8660254f);
    ExpectVector(camera.GetPlane(5)->m_vNormal, -0.5f, 0.0f, 0.8660254f);
}

TEST(CameraDefaults, PlaneIndexBeyondFiveIsNull)
{
    ZECamera camera;
    EXPECT_EQ(camera.GetPlane(5), &camera.m_aPlanes[5]);
    EXPECT_EQ(camera.GetPlane(6), nullptr);
    EXPECT_EQ(camera.GetPlane(65535), nullptr);
    const ZECamera& constant = camera;
    EXPECT_EQ(constant.GetPlane(0), &camera.m_aPlanes[0]);
    EXPECT_EQ(constant.GetPlane(6), nullptr);
}

TEST(CameraPerspective, HorizontalFieldIsVerticalTimesAspect)
{
    ZECamera camera;
    camera.SetPerspective(90.0f, 4.0f / 3.0f, 1.0f, 2500.0f);
    EXPECT_FLOAT_EQ(camera.GetFOVX(), 120.0f);
    EXPECT_EQ(camera.GetFOVY(), 90.0f);
    EXPECT_EQ(camera.GetZFar(), 2500.0f);
    // The frustum follows at once: 3000 ahead is now beyond the far plane.
    EXPECT_TRUE(CullsSphere(camera, ZEVector(0.0f, 0.0f, 3000.0f), 1.0f));
    EXPECT_FALSE(CullsSphere(camera, ZEVector(0.0f, 0.0f, 2400.0f), 1.0f));
}

TEST(CameraPerspective, FieldsOf180DegreesOrMoreOrOfNoneStillKeepWhatIsAhead)
{
    // fovY 90 in a 21:9 window is 216 degrees across: the side planes
    // must not turn inside out.
    ZECamera camera;
    camera.SetPerspective(90.0f, 2.4f, 1.0f, 1000.0f);
    EXPECT_FLOAT_EQ(camera.GetFOVX(), 216.0f);
    EXPECT_FALSE(CullsSphere(camera, ZEVector(-23.0f, 0.0f, 10.0f), 0.5f));
    EXPECT_FALSE(CullsSphere(camera, ZEVector(23.0f, 0.0f, 10.0f), 0.5f));
    EXPECT_TRUE(CullsSphere(camera, ZEVector(0.0f, 30.0f, 10.0f), 1.0f));
    for (float field : {0.0f, -30.0f, 180.0f, std::nanf("")})
    {
        camera.SetPerspective(field, 1.0f, 1.0f, 100.0f);
        EXPECT_NEAR(camera.GetPlane(4)->m_vNormal.DotProduct(camera.GetPlane(4)->m_vNormal), 1.0f, 1e-4f);
        EXPECT_FALSE(CullsSphere(camera, ZEVector(0.0f, 0.0f, 50.0f), 1.0f)) << field;
        EXPECT_TRUE(CullsSphere(camera, ZEVector(0.0f, 0.0f, -50.0f), 1.0f)) << field;
    }
}

TEST(CameraCulling, SpheresAheadBehindAndBeyondTheFarPlane)
{
    ZECamera camera;
    EXPECT_FALSE(CullsSphere(camera, ZEVector(0.0f, 0.0f, 10.0f), 1.0f));
    EXPECT_TRUE(CullsSphere(camera, ZEVector(0.0f, 0.0f, -10.0f), 1.0f));
    EXPECT_TRUE(CullsSphere(camera, ZEVector(0.0f, 0.0f, 5000.0f), 1.0f));
    // Touching the far plane counts as visible.
    EXPECT_FALSE(CullsSphere(camera, ZEVector(0.0f, 0.0f, 4097.0f), 1.0f));
    // 45 degrees up is the top edge: just inside, just outside.
    EXPECT_FALSE(CullsSphere(camera, ZEVector(0.0f, 99.0f, 100.0f), 0.5f));
    EXPECT_TRUE(CullsSphere(camera, ZEVector(0.0f, 102.0f, 100.0f), 0.5f));
}

TEST(CameraCulling, OnlyTheFirstPlaneBehindTheCentreDecides)
{
    ZECamera camera;
    // The centre is behind the near plane, the sphere straddles it: kept,
    // although it lies wholly outside the left plane.
    EXPECT_FALSE(CullsSphere(camera, ZEVector(-10.0f, 0.0f, 0.5f), 0.6f));
    // The same sphere without reaching the near plane is culled.
    EXPECT_TRUE(CullsSphere(camera, ZEVector(-10.0f, 0.0f, 0.5f), 0.4f));
}

TEST(CameraCulling, NullVolumeIsNeverCulled)
{
    ZECamera camera;
    EXPECT_FALSE(camera.Culled(static_cast<const ZEBoundingVolume*>(nullptr)));
}

TEST(CameraCulling, BoxesAreTestedWithTheirExtentTowardThePlane)
{
    ZECamera camera;
    // A box centred behind the eye whose far end crosses the near plane.
    ZEAABoundingBox straddling(ZEVector(-1.0f, -1.0f, -5.0f), ZEVector(1.0f, 1.0f, 2.0f));
    EXPECT_FALSE(camera.Culled(&straddling));
    ZEAABoundingBox behind(ZEVector(-1.0f, -1.0f, -5.0f), ZEVector(1.0f, 1.0f, -2.0f));
    EXPECT_TRUE(camera.Culled(&behind));

    // A long thin box behind the eye, turned so it reaches forward: only its
    // rotated extent gets it past the near plane.
    ZEOBoundingBox stick;
    stick.SetData(ZEVector(0.0f, 0.0f, -3.0f), ZEVector(-5.0f, -0.1f, -0.1f), ZEVector(5.0f, 0.1f, 0.1f),
                  ZEVector(0.0f, 0.0f, 0.0f));
    EXPECT_TRUE(camera.Culled(&stick));
    stick.SetData(ZEVector(0.0f, 0.0f, -3.0f), ZEVector(-5.0f, -0.1f, -0.1f), ZEVector(5.0f, 0.1f, 0.1f),
                  ZEVector(0.0f, 90.0f, 0.0f));
    EXPECT_FALSE(camera.Culled(&stick));
}

TEST(CameraCulling, OrientedBoxAnglesAreKeptInRangeWithoutHanging)
{
    ZEOBoundingBox box;
    box.SetData(ZEVector(0.0f, 0.0f, 10.0f), ZEVector(-1.0f, -1.0f, -1.0f), ZEVector(1.0f, 1.0f, 1.0f),
                ZEVector(370.0f, -10.0f, 1.0e30f));
    EXPECT_FLOAT_EQ(box.m_vRotation.x, 10.0f);
    EXPECT_FLOAT_EQ(box.m_vRotation.y, 350.0f);
    EXPECT_GE(box.m_vRotation.z, 0.0f);
    EXPECT_LT(box.m_vRotation.z, 360.0f);
    ZECamera camera;
    EXPECT_FALSE(camera.Culled(&box));
}

TEST(CameraCulling, BackFaceTestUsesOnlyThePlaneAndTheEye)
{
    ZECamera camera;
    ZEPlane floorAbove(ZEVector(0.0f, 1.0f, 0.0f), -5.0);   // y = 5, facing up
    EXPECT_TRUE(camera.Culled(&floorAbove, nullptr, nullptr, 0));
    camera.SetPosition(ZEVector(0.0f, 10.0f, 0.0f));
    EXPECT_FALSE(camera.Culled(&floorAbove, nullptr, nullptr, 0));
    camera.SetPosition(ZEVector(0.0f, 5.0f, 0.0f));
    EXPECT_FALSE(camera.Culled(&floorAbove, nullptr, nullptr, 0));
    EXPECT_FALSE(camera.Culled(static_cast<const ZEPlane*>(nullptr), nullptr, nullptr, 0));
}

TEST(CameraMovement, YawOfNinetyLooksAlongMinusX)
{
    ZECamera camera;
    camera.SetRotation(ZEVector(0.0f, 90.0f, 0.0f));
    ExpectVector(camera.GetFVector(), -1.0f, 0.0f, 0.0f);
    ExpectVector(camera.GetUVector(), 0.0f, 1.0f, 0.0f);
    ExpectVector(camera.GetRVector(), 0.0f, 0.0f, 1.0f);
    EXPECT_FALSE(CullsSphere(camera, ZEVector(-10.0f, 0.0f, 0.0f), 1.0f));
    EXPECT_TRUE(CullsSphere(camera, ZEVector(10.0f, 0.0f, 0.0f), 1.0f));
    // Straight ahead in the renderer's picture, too.
    ExpectVector(ToViewFrame(camera, ZEVector(-10.0f, 0.0f, 0.0f)), 0.0f, 0.0f, 10.0f, 1e-5f);
}

TEST(CameraMovement, PitchUpLooksAlongPlusY)
{
    ZECamera camera;
    camera.XRotate(90.0f);
    ExpectVector(camera.GetFVector(), 0.0f, 1.0f, 0.0f);
    ExpectVector(camera.GetUVector(), 0.0f, 0.0f, -1.0f);
    EXPECT_FALSE(CullsSphere(camera, ZEVector(0.0f, 50.0f, 0.0f), 1.0f));
}

TEST(CameraMovement, RelativeOperationsAccumulateAndRederive)
{
    ZECamera camera;
    camera.Move(ZEVector(1.0f, 2.0f, 3.0f));
    camera.Move(ZEVector(1.0f, 0.0f, -1.0f));
    ExpectVector(camera.GetPosition(), 2.0f, 2.0f, 2.0f);
    // The near plane moved with the eye.
    EXPECT_NEAR(camera.GetPlane(0)->m_dDistance, -3.0, 1e-5);

    camera.Rotate(ZEVector(0.0f, 45.0f, 0.0f));
    camera.YRotate(45.0f);
    camera.ZRotate(30.0f);
    camera.ZRotate(-30.0f);
    ExpectVector(camera.GetRotation(), 0.0f, 90.0f, 0.0f);
    ExpectVector(camera.GetFVector(), -1.0f, 0.0f, 0.0f);

    // Writing through the pointers needs an explicit update.
    *camera.GetRotationPointer() = ZEVector(0.0f, 0.0f, 0.0f);
    ExpectVector(camera.GetFVector(), -1.0f, 0.0f, 0.0f);
    camera.UpdateCamera();
    ExpectVector(camera.GetFVector(), 0.0f, 0.0f, 1.0f);
    EXPECT_EQ(camera.GetPositionPointer(), &camera.m_vPosition);
    EXPECT_EQ(camera.GetFVectorPointer(), &camera.m_vForward);
    EXPECT_EQ(camera.GetUVectorPointer(), &camera.m_vUp);
    EXPECT_EQ(camera.GetRVectorPointer(), &camera.m_vRight);
}

TEST(CameraMovement, RollTurnsUpAndRightButNotForward)
{
    ZECamera camera;
    camera.SetRotation(ZEVector(0.0f, 0.0f, 90.0f));
    ExpectVector(camera.GetFVector(), 0.0f, 0.0f, 1.0f);
    ExpectVector(camera.GetUVector(), 1.0f, 0.0f, 0.0f);
    ExpectVector(camera.GetRVector(), 0.0f, -1.0f, 0.0f);
}

TEST(CameraCopies, AssignmentCopiesDerivedFieldsAsTheyAre)
{
    ZECamera source;
    source.SetPosition(ZEVector(100.0f, 20.0f, -50.0f));
    source.SetRotation(ZEVector(10.0f, 200.0f, 5.0f));
    source.SetPerspective(60.0f, 1.5f, 2.0f, 1000.0f);

    ZECamera copy;
    copy = source;
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_EQ(copy.m_aPlanes[i].m_vNormal, source.m_aPlanes[i].m_vNormal);
        EXPECT_EQ(copy.m_aPlanes[i].m_dDistance, source.m_aPlanes[i].m_dDistance);
    }
    for (float x = -300.0f; x <= 300.0f; x += 60.0f)
        for (float z = -300.0f; z <= 300.0f; z += 60.0f)
            EXPECT_EQ(CullsSphere(copy, ZEVector(x, 20.0f, z), 5.0f),
                      CullsSphere(source, ZEVector(x, 20.0f, z), 5.0f));

    // Stale derived fields travel with the assignment unchanged.
    source.m_vForward = ZEVector(7.0f, 7.0f, 7.0f);
    copy = source;
    EXPECT_EQ(copy.m_vForward, ZEVector(7.0f, 7.0f, 7.0f));
}

TEST(CameraCopies, CopyConstructionDerivesAnew)
{
    ZECamera source;
    source.SetRotation(ZEVector(0.0f, 90.0f, 0.0f));
    source.SetPerspective(60.0f, 2.0f, 3.0f, 500.0f);
    source.m_vForward = ZEVector(7.0f, 7.0f, 7.0f);
    source.m_aPlanes[0].m_dDistance = 1234.0;

    ZECamera copy(source);
    ExpectVector(copy.GetFVector(), -1.0f, 0.0f, 0.0f);
    EXPECT_NEAR(copy.m_aPlanes[0].m_dDistance, -3.0, 1e-5);
    EXPECT_EQ(copy.GetFOVX(), 120.0f);
    EXPECT_EQ(copy.GetZFar(), 500.0f);
}

TEST(CameraConsistency, FrustumMatchesTheRenderersView)
{
    ZECamera camera;
    camera.SetPosition(ZEVector(5.0f, -3.0f, 7.0f));
    camera.SetRotation(ZEVector(30.0f, 45.0f, 10.0f));
    camera.SetPerspective(70.0f, 1.25f, 2.0f, 150.0f);

    int inside = 0, outside = 0;
    for (float x = -160.0f; x <= 160.0f; x += 13.0f)
        for (float y = -160.0f; y <= 160.0f; y += 13.0f)
            for (float z = -160.0f; z <= 160.0f; z += 13.0f)
            {
                ZEVector point(x + 0.37f, y + 0.21f, z + 0.11f);
                Visibility expected = ViewVisibility(camera, point);
                if (expected == kOnBoundary)
                    continue;
                bool kept = InsideAllPlanes(camera, point);
                ASSERT_EQ(kept, expected == kInside) << point.x << " " << point.y << " " << point.z;
                ++(kept ? inside : outside);
            }
    EXPECT_GT(inside, 100);
    EXPECT_GT(outside, 100);

    // The forward vector is the view's +z, up its +y, right its +x.
    ZEVector ahead = camera.GetPosition() + camera.GetFVector() * 10.0f;
    ExpectVector(ToViewFrame(camera, ahead), 0.0f, 0.0f, 10.0f, 1e-4f);
    ZEVector above = camera.GetPosition() + camera.GetUVector() * 10.0f;
    ExpectVector(ToViewFrame(camera, above), 0.0f, 10.0f, 0.0f, 1e-4f);
    ZEVector right = camera.GetPosition() + camera.GetRVector() * 10.0f;
    ExpectVector(ToViewFrame(camera, right), 10.0f, 0.0f, 0.0f, 1e-4f);
}
