#include "math/ZEBoundingVolume.h"
#include "math/ZECollision.h"
#include "math/ZEPolygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <random>
#include <vector>

namespace
{
void ExpectVector(const ZEVector& v, float x, float y, float z, float tolerance = 1e-5f)
{
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

bool Finite(const ZEVector& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

ZEAABoundingBox UnitBox(const ZEVector& center)
{
    return ZEAABoundingBox(center - ZEVector(1, 1, 1), center + ZEVector(1, 1, 1));
}

ZEOBoundingBox OrientedBox(const ZEVector& position, const ZEVector& halfSize, const ZEVector& rotation)
{
    ZEOBoundingBox box;
    box.SetData(position, -halfSize, halfSize, rotation);
    return box;
}

const ZEPlane kGround{};   // y = 0, facing up
}

// ---------------------------------------------------------------------------
// The shared segment-plane crossing rule.

TEST(SegmentCrossing, CrossesOnlyBetweenStrictlyOppositeEnds)
{
    ZEVector crossing(7, 7, 7);
    ASSERT_TRUE(ZESegmentCrossesPlane(kGround, ZEVector(1, 4, 2), ZEVector(0, -8, 0), crossing));
    ExpectVector(crossing, 1, 0, 2);

    // An end on the plane is not a crossing, at either end.
    crossing = ZEVector(7, 7, 7);
    EXPECT_FALSE(ZESegmentCrossesPlane(kGround, ZEVector(0, 4, 0), ZEVector(0, -4, 0), crossing));
    EXPECT_FALSE(ZESegmentCrossesPlane(kGround, ZEVector(0, 0, 0), ZEVector(0, -4, 0), crossing));
    EXPECT_FALSE(ZESegmentCrossesPlane(kGround, ZEVector(0, 4, 0), ZEVector(0, 1, 0), crossing));
    EXPECT_EQ(crossing, ZEVector(7, 7, 7));
}

TEST(SegmentCrossing, NearlyParallelOrDegenerateSegmentsNeverCross)
{
    ZEVector crossing;
    // Ends on opposite sides, yet n . move = 4e-6 is below the parallel limit.
    EXPECT_FALSE(ZESegmentCrossesPlane(kGround, ZEVector(0, -1e-6f, 0), ZEVector(10, 4e-6f, 0), crossing));
    // Just above the limit it crosses.
    EXPECT_TRUE(ZESegmentCrossesPlane(kGround, ZEVector(0, -1e-6f, 0), ZEVector(10, 2e-5f, 0), crossing));

    ZEPlane noNormal(ZEVector(), 1.0);
    EXPECT_FALSE(ZESegmentCrossesPlane(noNormal, ZEVector(0, -1, 0), ZEVector(0, 2, 0), crossing));
    float nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_FALSE(ZESegmentCrossesPlane(kGround, ZEVector(0, nan, 0), ZEVector(0, -2, 0), crossing));
}

// ---------------------------------------------------------------------------
// Spheres.

TEST(BoundingSphere, SegmentStartingInsideHitsAtItsStartWhateverTheMove)
{
    ZEBoundingSphere sphere(ZEVector(0, 0, 0), 1.0f);
    ZEVector contact;
    for (const ZEVector& move : {ZEVector(0, 0, 0), ZEVector(100, 0, 0), ZEVector(0, -0.1f, 0)})
    {
        EXPECT_TRUE(sphere.IntersectsVolume(ZEVector(0.5f, 0, 0), move));
        EXPECT_TRUE(sphere.IntersectsVolume(ZEVector(0.5f, 0, 0), move, contact));
        EXPECT_EQ(contact, ZEVector(0.5f, 0, 0));
    }
    // On the surface counts as inside.
    EXPECT_TRUE(sphere.IntersectsVolume(ZEVector(0, 1, 0), ZEVector(0, 5, 0), contact));
    EXPECT_EQ(contact, ZEVector(0, 1, 0));
}

TEST(BoundingSphere, ContactIsTheEntryWhenTheSegmentEndsInsideAndTheExitWhenItPassesThrough)
{
    ZEBoundingSphere sphere(ZEVector(0, 0, 0), 1.0f);
    ZEVector contact;
    ASSERT_TRUE(sphere.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(4.5f, 0, 0), contact));
    ExpectVector(contact, -1, 0, 0);
    ASSERT_TRUE(sphere.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(10, 0, 0), contact));
    ExpectVector(contact, 1, 0, 0);

    // Grazing: one root, at the middle of the segment.
    ASSERT_TRUE(sphere.IntersectsVolume(ZEVector(-2, 1, 0), ZEVector(4, 0, 0), contact));
    ExpectVector(contact, 0, 1, 0);
    EXPECT_FALSE(sphere.IntersectsVolume(ZEVector(-2, 1, 0), ZEVector(1, 0, 0), contact));
    EXPECT_EQ(contact, ZEVector(-1, 1, 0));
}

TEST(BoundingSphere, MissesGiveTheSegmentEnd)
{
    ZEBoundingSphere sphere(ZEVector(0, 0, 0), 1.0f);
    ZEVector contact;
    // Stops short, points away, passes beside, does not move.
    struct Case
    {
        ZEVector start, move;
    } cases[] = {{ZEVector(-5, 0, 0), ZEVector(3, 0, 0)},
                 {ZEVector(-5, 0, 0), ZEVector(-3, 0, 0)},
                 {ZEVector(-5, 2, 0), ZEVector(10, 0, 0)},
                 {ZEVector(-5, 0, 0), ZEVector(0, 0, 0)}};
    for (const Case& c : cases)
    {
        EXPECT_FALSE(sphere.IntersectsVolume(c.start, c.move));
        EXPECT_FALSE(sphere.IntersectsVolume(c.start, c.move, contact));
        EXPECT_EQ(contact, c.start + c.move);
    }
}

TEST(BoundingSphere, PutOnPlaneFromBehindEndsInFrontAtItsRadius)
{
    ZEBoundingSphere behind(ZEVector(2, -3, 1), 1.0f);
    EXPECT_FALSE(behind.PutOnPlane(kGround));
    EXPECT_EQ(behind.m_vCenter, ZEVector(2, 1, 1));
    // Resting exactly on the plane is touching.
    EXPECT_TRUE(behind.IntersectsVolume(kGround));
    EXPECT_TRUE(behind.PutOnPlane(kGround));
    EXPECT_EQ(behind.m_vCenter, ZEVector(2, 1, 1));

    ZEBoundingSphere sunk(ZEVector(0, -0.5f, 0), 1.0f);
    EXPECT_TRUE(sunk.PutOnPlane(kGround));
    EXPECT_EQ(sunk.m_vCenter, ZEVector(0, 1, 0));

    ZEBoundingSphere floating(ZEVector(0, 1.5f, 0), 1.0f);
    EXPECT_FALSE(floating.IntersectsVolume(kGround));
}

TEST(BoundingSphere, DistanceInsideAndTouchingSpheres)
{
    ZEBoundingSphere sphere(ZEVector(1, 0, 0), 2.0f);
    EXPECT_FLOAT_EQ(sphere.GetDistance(ZEVector(1, 5, 0)), 3.0f);
    EXPECT_EQ(sphere.GetDistance(ZEVector(1, 1, 0)), 0.0f);
    EXPECT_TRUE(sphere.InsideVolume(ZEVector(3, 0, 0)));
    EXPECT_FALSE(sphere.InsideVolume(ZEVector(3.001f, 0, 0)));

    // Radii summing exactly to the centre distance touch.
    EXPECT_TRUE(sphere.IntersectsVolume(ZEBoundingSphere(ZEVector(4, 0, 0), 1.0f)));
    EXPECT_FALSE(sphere.IntersectsVolume(ZEBoundingSphere(ZEVector(4.01f, 0, 0), 1.0f)));
    EXPECT_FLOAT_EQ(sphere.GetVolume(), 33.510321638f);
}

// ---------------------------------------------------------------------------
// Axis-aligned boxes.

TEST(AABoundingBox, FacesBelongToTheBoxAndSharedFacesMeet)
{
    ZEAABoundingBox box = UnitBox(ZEVector(0, 0, 0));
    EXPECT_TRUE(box.InsideVolume(ZEVector(1, 0.3f, -1)));
    EXPECT_FALSE(box.InsideVolume(ZEVector(1.0001f, 0, 0)));
    EXPECT_EQ(box.GetDistance(ZEVector(1, 1, 1)), 0.0f);
    // Euclidean distance past an edge.
    EXPECT_FLOAT_EQ(box.GetDistance(ZEVector(4, -5, 0)), 5.0f);

    EXPECT_TRUE(box.IntersectsVolume(UnitBox(ZEVector(2, 0, 0))));
    EXPECT_TRUE(box.IntersectsVolume(UnitBox(ZEVector(2, 2, 2))));
    EXPECT_FALSE(box.IntersectsVolume(UnitBox(ZEVector(2.001f, 0, 0))));

    // A sphere whose radius equals its distance to the box touches it.
    EXPECT_TRUE(box.IntersectsVolume(ZEBoundingSphere(ZEVector(4, 5, 0), 5.0f)));
    EXPECT_FALSE(box.IntersectsVolume(ZEBoundingSphere(ZEVector(4, 5, 0), 4.99f)));
}

TEST(AABoundingBox, RayTestIgnoresTheMoveLengthButTheContactDoesNot)
{
    ZEAABoundingBox box = UnitBox(ZEVector(0, 0, 0));
    ZEVector contact;
    // Points at the box but stops short: the ray test says yes, the contact
    // is the segment end.
    EXPECT_TRUE(box.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(2, 0, 0)));
    EXPECT_TRUE(box.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(2, 0, 0), contact));
    EXPECT_EQ(contact, ZEVector(-3, 0, 0));

    // Through the box: the nearer face.
    ASSERT_TRUE(box.IntersectsVolume(ZEVector(-5, 0.5f, 0.25f), ZEVector(10, 0, 0), contact));
    ExpectVector(contact, -1, 0.5f, 0.25f);
    ASSERT_TRUE(box.IntersectsVolume(ZEVector(5, 0.5f, 0.25f), ZEVector(-10, 0, 0), contact));
    ExpectVector(contact, 1, 0.5f, 0.25f);

    // From inside: the start.
    ASSERT_TRUE(box.IntersectsVolume(ZEVector(0.5f, 0, 0), ZEVector(10, 0, 0), contact));
    EXPECT_EQ(contact, ZEVector(0.5f, 0, 0));
}

TEST(AABoundingBox, RaysThatMissOrDoNotMove)
{
    ZEAABoundingBox box = UnitBox(ZEVector(0, 0, 0));
    ZEVector contact;
    struct Case
    {
        ZEVector start, move;
    } cases[] = {{ZEVector(-5, 0, 0), ZEVector(-1, 0, 0)},    // heads away
                 {ZEVector(-5, 3, 0), ZEVector(10, 0, 0)},    // above, parallel to the top
                 {ZEVector(-5, 0, 0), ZEVector(1, 1.5f, 0)},  // passes over the corner
                 {ZEVector(-5, 0, 0), ZEVector(0, 0, 0)}};    // does not move
    for (const Case& c : cases)
    {
        EXPECT_FALSE(box.IntersectsVolume(c.start, c.move));
        EXPECT_FALSE(box.IntersectsVolume(c.start, c.move, contact));
        EXPECT_EQ(contact, c.start + c.move);
    }
    // Aimed at the corner region from the side it is a hit.
    EXPECT_TRUE(box.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(1, 0.2f, 0)));
}

TEST(AABoundingBox, PutOnPlaneFromBehindEndsInFrontAtItsSupportRadius)
{
    ZEAABoundingBox box(ZEVector(-1, -7, -1), ZEVector(1, -3, 1));   // half height 2, centre y -5
    EXPECT_FALSE(box.PutOnPlane(kGround));
    EXPECT_EQ(box.m_vMin, ZEVector(-1, 0, -1));
    EXPECT_EQ(box.m_vMax, ZEVector(1, 4, 1));
    EXPECT_EQ(box.m_vCenter, ZEVector(0, 2, 0));
    EXPECT_TRUE(box.IntersectsVolume(kGround));
    EXPECT_TRUE(box.PutOnPlane(kGround));
    EXPECT_EQ(box.m_vCenter, ZEVector(0, 2, 0));

    // Support radius toward a diagonal: |u.x hx| + |u.y hy| + |u.z hz|.
    ZEVector u = ZEVector(1, -1, 0).UnitVector();
    EXPECT_FLOAT_EQ(box.GetSupportRadius(u), 3.0f * u.x);
}

// ---------------------------------------------------------------------------
// Oriented boxes.

TEST(OBoundingBox, AnglesAreKeptInRange)
{
    ZEOBoundingBox box = OrientedBox(ZEVector(), ZEVector(1, 1, 1), ZEVector(370, -10, 360));
    EXPECT_EQ(box.m_vRotation, ZEVector(10, 350, 0));

    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    box.m_vRotation = ZEVector(1e10f, -inf, nan);
    box.Rebuild();
    EXPECT_EQ(box.m_vRotation, ZEVector(280, 0, 0));
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(Finite(box.m_avCorners[i]));

    // A tiny negative angle must not round up to 360.
    box.m_vRotation = ZEVector(-1e-8f, 720, -360);
    box.Rebuild();
    EXPECT_EQ(box.m_vRotation, ZEVector(0, 0, 0));
}

TEST(OBoundingBox, FacesPointOutwardInTheirFixedOrder)
{
    ZEOBoundingBox box = OrientedBox(ZEVector(10, 0, 0), ZEVector(1, 2, 3), ZEVector());
    const ZEVector normals[6] = {ZEVector(0, 0, -1), ZEVector(0, 0, 1), ZEVector(0, 1, 0),
                                 ZEVector(0, -1, 0), ZEVector(-1, 0, 0), ZEVector(1, 0, 0)};
    const float halfSizes[6] = {3, 3, 2, 2, 1, 1};
    for (int i = 0; i < 6; ++i)
    {
        ExpectVector(box.m_aPlanes[i].m_vNormal, normals[i].x, normals[i].y, normals[i].z);
        EXPECT_NEAR(box.m_aPlanes[i].Distance(box.m_vCenter), -halfSizes[i], 1e-5);
    }
    ExpectVector(box.m_avCorners[0], 9, 2, -3);
    ExpectVector(box.m_avCorners[6], 11, -2, 3);
    EXPECT_FLOAT_EQ(box.GetVolume(), 48.0f);

    // The local centre is rotated with the box.
    ZEOBoundingBox offset;
    offset.SetData(ZEVector(0, 0, 0), ZEVector(1, -1, -1), ZEVector(3, 1, 1), ZEVector(0, 90, 0));
    ExpectVector(offset.m_vCenter, 0, 0, -2);
}

TEST(OBoundingBox, DistanceIsThePartOfTheCentreRayOutsideTheBox)
{
    ZEOBoundingBox box = OrientedBox(ZEVector(), ZEVector(1, 1, 1), ZEVector(0, 45, 0));
    // Along x the ray leaves through the vertical edge at sqrt(2).
    EXPECT_NEAR(box.GetDistance(ZEVector(5, 0, 0)), 5.0f - std::sqrt(2.0f), 1e-4f);
    EXPECT_EQ(box.GetDistance(ZEVector(1.3f, 0, 0)), 0.0f);
    EXPECT_TRUE(box.InsideVolume(ZEVector(1.3f, 0, 0)));
    EXPECT_FALSE(box.InsideVolume(ZEVector(1.5f, 0, 0)));
    EXPECT_NEAR(box.GetSupportRadius(ZEVector(1, 0, 0)), std::sqrt(2.0f), 1e-5f);

    // Sphere against oriented box: touching counts.
    ZEOBoundingBox straight = OrientedBox(ZEVector(), ZEVector(1, 1, 1), ZEVector());
    EXPECT_TRUE(straight.IntersectsVolume(ZEBoundingSphere(ZEVector(3, 0, 0), 2.0f)));
    EXPECT_FALSE(straight.IntersectsVolume(ZEBoundingSphere(ZEVector(3, 0, 0), 1.99f)));
}

TEST(OBoundingBox, BoxesMeetOnlyWhenStrictlyCloserThanTheirSupportRadii)
{
    // The face normals come from normalised corner differences, so the
    // summed radii are 2 only to float precision: the boxes are placed
    // exactly that far apart.
    ZEOBoundingBox a = OrientedBox(ZEVector(0, 0, 0), ZEVector(1, 1, 1), ZEVector());
    float sum = a.GetMinimalDistance(OrientedBox(ZEVector(2, 0, 0), ZEVector(1, 1, 1), ZEVector()));
    ASSERT_NEAR(sum, 2.0f, 1e-6f);
    ZEOBoundingBox touching = OrientedBox(ZEVector(sum, 0, 0), ZEVector(1, 1, 1), ZEVector());
    ASSERT_EQ(a.GetMinimalDistance(touching), sum);
    EXPECT_FALSE(a.IntersectsVolume(touching));
    EXPECT_FALSE(touching.IntersectsVolume(a));
    float closer = std::nextafter(sum, 0.0f);
    EXPECT_TRUE(a.IntersectsVolume(OrientedBox(ZEVector(closer, 0, 0), ZEVector(1, 1, 1), ZEVector())));

    // The same strict rule against an axis-aligned box, from either side,
    // while two axis-aligned boxes sharing a face meet.
    ZEAABoundingBox aligned = UnitBox(ZEVector(sum, 0, 0));
    EXPECT_FALSE(a.IntersectsVolume(aligned));
    EXPECT_FALSE(aligned.IntersectsVolume(a));
    EXPECT_TRUE(aligned.IntersectsVolume(UnitBox(ZEVector(sum - 2.0f, 0, 0))));

    // Boxes sharing a centre meet, even with no extent.
    EXPECT_TRUE(a.IntersectsVolume(OrientedBox(ZEVector(0, 0, 0), ZEVector(0.5f, 3, 0.5f), ZEVector(0, 30, 0))));
    EXPECT_TRUE(a.IntersectsVolume(UnitBox(ZEVector(0, 0, 0))));
    ZEOBoundingBox point = OrientedBox(ZEVector(4, 4, 4), ZEVector(), ZEVector());
    EXPECT_TRUE(point.IntersectsVolume(OrientedBox(ZEVector(4, 4, 4), ZEVector(), ZEVector())));
}

namespace
{
// The oriented box's rule against another box, spelt out: centres that
// coincide, or lie strictly closer than the summed support radii toward
// each other.
bool SupportRadiiMeet(const ZEBoundingVolume& a, const ZEBoundingVolume& b)
{
    ZEVector ca = a.GetCenter(), cb = b.GetCenter();
    float distance = (cb - ca).GetLength();
    return distance == 0.0f || distance < a.GetMinimalDistance(cb) + b.GetMinimalDistance(ca);
}
}

// The tests take a shortcut wherever rounding cannot tip the answer; it
// must agree with the rule far off, near and right at the touching
// distance, for boxes of any size, turn and place.
TEST(OBoundingBox, TestsAgainstBoxesAgreeWithTheSupportRadiiAtEveryDistance)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> angle(0.0f, 360.0f), half(0.0f, 20.0f), place(-2000.0f, 2000.0f);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    const float factors[] = {0.0f, 0.5f, 0.999f, 1.0f - 3e-7f, 1.0f - 1e-7f, 1.0f, 1.0f + 1e-7f, 1.0f + 3e-7f, 1.001f, 2.0f};
    auto vector = [&random](std::uniform_real_distribution<float>& d) { return ZEVector(d(random), d(random), d(random)); };
    for (int round = 0; round < 300; ++round)
    {
        ZEOBoundingBox a = OrientedBox(vector(place), vector(half), vector(angle));
        ZEVector size = vector(half), turn = vector(angle);
        ZEVector direction = vector(unit).UnitVector();
        // The summed radii toward the direction: the touching distance.
        ZEOBoundingBox probe = OrientedBox(a.m_vCenter + direction * 5000.0f, size, turn);
        ZEAABoundingBox aligned(a.m_vCenter + direction * 5000.0f - size, a.m_vCenter + direction * 5000.0f + size);
        float orientedTouch = a.GetMinimalDistance(probe);
        float alignedTouch = a.GetMinimalDistance(aligned);
        for (float factor : factors)
        {
            ZEOBoundingBox b = OrientedBox(a.m_vCenter + direction * (orientedTouch * factor), size, turn);
            ZEVector c = a.m_vCenter + direction * (alignedTouch * factor);
            ZEAABoundingBox box(c - size, c + size);
            ASSERT_EQ(a.IntersectsVolume(b), SupportRadiiMeet(a, b)) << round << " x " << factor;
            ASSERT_EQ(b.IntersectsVolume(a), SupportRadiiMeet(b, a)) << round << " x " << factor;
            ASSERT_EQ(a.IntersectsVolume(box), SupportRadiiMeet(a, box)) << round << " x " << factor;
            ASSERT_EQ(box.IntersectsVolume(a), SupportRadiiMeet(a, box)) << round << " x " << factor;
        }
    }
}

TEST(OBoundingBox, SegmentsHitTheNearestFaceOnTheBox)
{
    ZEOBoundingBox box = OrientedBox(ZEVector(), ZEVector(1, 1, 1), ZEVector());
    ZEVector contact(9, 9, 9);

    ASSERT_TRUE(box.IntersectsVolume(ZEVector(-5, 0.2f, 0), ZEVector(10, 0, 0), contact));
    ExpectVector(contact, -1, 0.2f, 0);
    // The +x face comes later in face order but is nearer from this side.
    ASSERT_TRUE(box.IntersectsVolume(ZEVector(5, 0.2f, 0), ZEVector(-10, 0, 0), contact));
    ExpectVector(contact, 1, 0.2f, 0);

    ASSERT_TRUE(box.IntersectsVolume(ZEVector(0.5f, 0, 0), ZEVector(10, 0, 0), contact));
    EXPECT_EQ(contact, ZEVector(0.5f, 0, 0));

    // Ending exactly on the face, passing beside, or not moving: no hit and
    // the contact is left alone.
    contact = ZEVector(9, 9, 9);
    EXPECT_FALSE(box.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(4, 0, 0)));
    EXPECT_FALSE(box.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(4, 0, 0), contact));
    EXPECT_FALSE(box.IntersectsVolume(ZEVector(-5, 1.5f, 0), ZEVector(10, 0, 0), contact));
    EXPECT_FALSE(box.IntersectsVolume(ZEVector(-5, 0, 0), ZEVector(), contact));
    EXPECT_EQ(contact, ZEVector(9, 9, 9));
}

TEST(OBoundingBox, PutOnPlaneFromBehindEndsInFront)
{
    ZEOBoundingBox box = OrientedBox(ZEVector(0, -5, 0), ZEVector(1, 2, 1), ZEVector());
    EXPECT_FALSE(box.PutOnPlane(kGround));
    ExpectVector(box.m_vPosition, 0, 2, 0);
    ExpectVector(box.m_vCenter, 0, 2, 0);
    ExpectVector(box.m_avCorners[3], -1, 0, -1);
    EXPECT_EQ(box.m_vRotation, ZEVector());

    ZEOBoundingBox sunk = OrientedBox(ZEVector(0, -1.5f, 0), ZEVector(1, 2, 1), ZEVector());
    EXPECT_TRUE(sunk.PutOnPlane(kGround));
    ExpectVector(sunk.m_vCenter, 0, 2, 0);
}

TEST(OBoundingBox, AligningTurnsTheUpAxisOntoAnUpwardNormal)
{
    const ZEVector n(0.5f, std::sqrt(0.75f), 0.0f);
    ZEPlane slope(n, 0.0);

    ZEOBoundingBox box = OrientedBox(ZEVector(0, 5, 0), ZEVector(2, 1, 3), ZEVector());
    EXPECT_FALSE(box.PutOnPlane(slope, true));
    ExpectVector(box.m_vRotation, 0, 0, 330, 1e-3f);
    ExpectVector(box.GetYAxis(), n.x, n.y, n.z);

    // A box already turned about y takes the tilt in its own frame.
    ZEOBoundingBox heading = OrientedBox(ZEVector(0, 5, 0), ZEVector(2, 1, 3), ZEVector(0, 90, 0));
    heading.PutOnPlane(slope, true);
    EXPECT_NEAR(heading.m_vRotation.x, 30.0f, 1e-3f);
    EXPECT_NEAR(heading.m_vRotation.y, 90.0f, 1e-3f);
    ExpectVector(heading.GetYAxis(), n.x, n.y, n.z);

    // Without align, on a downward normal, or already aligned: no turn.
    ZEOBoundingBox plain = OrientedBox(ZEVector(0, 5, 0), ZEVector(2, 1, 3), ZEVector());
    plain.PutOnPlane(slope, false);
    EXPECT_EQ(plain.m_vRotation, ZEVector());
    plain.PutOnPlane(ZEPlane(-n, 0.0), true);
    EXPECT_EQ(plain.m_vRotation, ZEVector());
    plain.PutOnPlane(kGround, true);
    EXPECT_EQ(plain.m_vRotation, ZEVector());
}

TEST(OBoundingBox, AFlatBoxIsARectangleNotASlab)
{
    // A flat model (a sign) fits a box with no height.
    ZEOBoundingBox flat;
    flat.SetData(ZEVector(), ZEVector(-2, 0, -2), ZEVector(2, 0, 2), ZEVector());
    ExpectVector(flat.GetXAxis(), 1, 0, 0);
    ExpectVector(flat.GetZAxis(), 0, 0, 1);
    EXPECT_FLOAT_EQ(flat.GetSupportRadius(ZEVector(0, 0, 1)), 2.0f);

    EXPECT_FLOAT_EQ(flat.GetDistance(ZEVector(0, 5, 0)), 5.0f);
    EXPECT_FALSE(flat.IntersectsVolume(ZEBoundingSphere(ZEVector(0, 5, 0), 1.0f)));
    EXPECT_TRUE(flat.IntersectsVolume(ZEBoundingSphere(ZEVector(0, 5, 0), 5.0f)));
    EXPECT_FALSE(flat.IntersectsVolume(ZEBoundingSphere(ZEVector(10, 0, 0), 1.0f)));
    EXPECT_FALSE(flat.InsideVolume(ZEVector(10, 0, 0)));

    EXPECT_TRUE(flat.IntersectsVolume(ZEVector(0.5f, 3, 0.5f), ZEVector(0, -6, 0)));
    EXPECT_FALSE(flat.IntersectsVolume(ZEVector(5, 3, 0), ZEVector(0, -6, 0)));
}

// ---------------------------------------------------------------------------
// Double dispatch and combined distances.

TEST(BoundingVolumePairs, EveryPairAnswersAlikeFromBothSides)
{
    ZEBoundingSphere sphere(ZEVector(0, 0, 0), 1.5f);
    ZEBoundingSphere far(ZEVector(20, 0, 0), 1.0f);
    ZEAABoundingBox box = UnitBox(ZEVector(2, 0, 0));
    ZEAABoundingBox farBox = UnitBox(ZEVector(0, -9, 0));
    ZEOBoundingBox obox = OrientedBox(ZEVector(1, 1.5f, 0), ZEVector(1, 0.5f, 1), ZEVector(0, 20, 0));
    ZEOBoundingBox farObox = OrientedBox(ZEVector(0, 0, 30), ZEVector(1, 1, 1), ZEVector(10, 0, 0));
    const ZEBoundingVolume* volumes[] = {&sphere, &far, &box, &farBox, &obox, &farObox};
    for (const ZEBoundingVolume* a : volumes)
        for (const ZEBoundingVolume* b : volumes)
            EXPECT_EQ(a->IntersectsVolume(*b), b->IntersectsVolume(*a))
                << a->GetRTTI()->GetName().CStr() << " / " << b->GetRTTI()->GetName().CStr();

    const ZEBoundingVolume& base = box;
    EXPECT_TRUE(sphere.IntersectsVolume(base));   // reaches past the box's face at x = 1
    EXPECT_TRUE(obox.IntersectsVolume(static_cast<const ZEBoundingVolume&>(sphere)));
    EXPECT_FALSE(far.IntersectsVolume(base));
    EXPECT_FALSE(farObox.IntersectsVolume(static_cast<const ZEBoundingVolume&>(sphere)));
}

TEST(BoundingVolumePairs, MinimalDistanceSumsTheSupportRadiiAlongTheCentreLine)
{
    ZEBoundingSphere sphere(ZEVector(0, 0, 0), 2.0f);
    ZEAABoundingBox box(ZEVector(4, -2, -3), ZEVector(6, 2, 3));   // half size (1, 2, 3)
    EXPECT_FLOAT_EQ(sphere.GetMinimalDistance(box), 3.0f);
    EXPECT_FLOAT_EQ(box.GetMinimalDistance(sphere), 3.0f);
    // The sphere's part ignores the direction; the box's follows it.
    EXPECT_FLOAT_EQ(box.GetMinimalDistance(ZEVector(5, 10, 0)), 2.0f);
    EXPECT_FLOAT_EQ(sphere.GetMinimalDistance(ZEVector(5, 10, 0)), 2.0f);
}

TEST(BoundingVolumePairs, TheBoundingSphereHoldsTheWholeVolume)
{
    ZEBoundingSphere sphere(ZEVector(1, 2, 3), 2.5f);
    EXPECT_FLOAT_EQ(sphere.GetBoundingRadius(), 2.5f);
    ZEAABoundingBox box(ZEVector(4, -2, -3), ZEVector(6, 2, 3));
    EXPECT_FLOAT_EQ(box.GetBoundingRadius(), std::sqrt(14.0f));
    ZEOBoundingBox obox = OrientedBox(ZEVector(1, 1.5f, 0), ZEVector(1, 0.5f, 2), ZEVector(30, 20, 10));
    EXPECT_FLOAT_EQ(obox.GetBoundingRadius(), std::sqrt(5.25f));
    for (const ZEVector& corner : obox.m_avCorners)
        EXPECT_LE((corner - obox.GetCenter()).GetLength(), obox.GetBoundingRadius() * 1.0001f);

    // A box whose centre was left behind by a direct write still lies
    // inside its sphere.
    box.m_vMax = ZEVector(16, 2, 3);
    EXPECT_GE(box.GetBoundingRadius(), (box.m_vMax - box.GetCenter()).GetLength());
}

TEST(BoundingVolumePairs, MovingAVolumeKeepsItsShape)
{
    ZEAABoundingBox box(ZEVector(0, 0, 0), ZEVector(2, 4, 6));
    box.SetCenter(ZEVector(10, 10, 10));
    EXPECT_EQ(box.m_vMin, ZEVector(9, 8, 7));
    EXPECT_EQ(box.m_vMax, ZEVector(11, 12, 13));

    ZEOBoundingBox obox;
    obox.SetData(ZEVector(1, 0, 0), ZEVector(0, -1, -1), ZEVector(2, 1, 1), ZEVector(0, 0, 90));
    obox.SetCenter(ZEVector(5, 5, 5));
    ExpectVector(obox.GetCenter(), 5, 5, 5);
    ExpectVector(obox.m_vPosition, 5, 4, 5);
    EXPECT_EQ(obox.m_vRotation, ZEVector(0, 0, 90));
}

TEST(BoundingVolumePairs, DegenerateInputsNeverGiveNaN)
{
    ZEBoundingSphere point(ZEVector(1, 1, 1), 0.0f);
    ZEAABoundingBox flat(ZEVector(1, 1, 1), ZEVector(1, 1, 1));
    ZEOBoundingBox empty;
    empty.Rebuild();
    const ZEBoundingVolume* volumes[] = {&point, &flat, &empty};
    for (const ZEBoundingVolume* v : volumes)
    {
        ZEVector contact;
        v->IntersectsVolume(ZEVector(3, 3, 3), ZEVector(), contact);
        EXPECT_TRUE(Finite(contact));
        v->IntersectsVolume(v->GetCenter(), ZEVector(), contact);
        EXPECT_TRUE(Finite(contact));
        EXPECT_TRUE(std::isfinite(v->GetMinimalDistance(v->GetCenter())));
        EXPECT_TRUE(std::isfinite(v->GetDistance(v->GetCenter())));
        EXPECT_TRUE(std::isfinite(v->GetMinimalDistance(*v)));
        EXPECT_TRUE(v->IntersectsVolume(*v));
    }
    ZEOBoundingBox copy = empty;
    EXPECT_TRUE(copy.PutOnPlane(ZEPlane(ZEVector(), 0.0), true));
    EXPECT_TRUE(Finite(copy.m_vPosition));
}

// ---------------------------------------------------------------------------
// Fitting.

TEST(BoundingVolumeFitting, IndexedSphereWeighsSharedVerticesOncePerReference)
{
    // Two triangles sharing the edge 1-2: vertices 1 and 2 count twice.
    const ZEVector points[4] = {ZEVector(0, 0, 0), ZEVector(6, 0, 0), ZEVector(0, 6, 0), ZEVector(12, 12, 0)};
    const uint16_t indices[6] = {0, 1, 2, 1, 3, 2};
    ZEBoundingSphere sphere;
    sphere.UpdateVolume(points, indices, 6);
    EXPECT_EQ(sphere.m_vCenter, ZEVector(4, 4, 0));
    EXPECT_FLOAT_EQ(sphere.m_fRadius, std::sqrt(128.0f));

    // Unindexed, each point counts once.
    sphere.UpdateVolume(points, 4u);
    EXPECT_EQ(sphere.m_vCenter, ZEVector(4.5f, 4.5f, 0));
}

TEST(BoundingVolumeFitting, VertexLayoutsAreReadByTheirStride)
{
    const ZEVector points[3] = {ZEVector(-1, 2, 3), ZEVector(5, -4, 1), ZEVector(2, 2, -7)};
    ZEVertex vertices[3];
    ZELVertex lit[3];
    for (int i = 0; i < 3; ++i)
    {
        vertices[i] = {points[i].x, points[i].y, points[i].z, 1000.0f, -1000.0f};
        lit[i] = {points[i].x, points[i].y, points[i].z, 1000.0f, -1000.0f, 500.0f, -500.0f};
    }
    const uint16_t indices[3] = {2, 0, 1};

    ZEAABoundingBox expected(ZEVector(-1, -4, -7), ZEVector(5, 2, 3));
    ZEAABoundingBox box;
    box.UpdateVolume(points, 3u);
    EXPECT_EQ(box.m_vMin, expected.m_vMin);
    EXPECT_EQ(box.m_vMax, expected.m_vMax);
    EXPECT_EQ(box.m_vCenter, ZEVector(2, -1, -2));
    box.UpdateVolume(vertices, 3u);
    EXPECT_EQ(box.m_vMin, expected.m_vMin);
    EXPECT_EQ(box.m_vMax, expected.m_vMax);
    box.UpdateVolume(lit, 3u);
    EXPECT_EQ(box.m_vMin, expected.m_vMin);
    EXPECT_EQ(box.m_vMax, expected.m_vMax);
    box.UpdateVolume(lit, indices, 3);
    EXPECT_EQ(box.m_vMin, expected.m_vMin);
    EXPECT_EQ(box.m_vMax, expected.m_vMax);

    ZEBoundingSphere a, b;
    a.UpdateVolume(points, 3u);
    b.UpdateVolume(vertices, indices, 3);
    EXPECT_EQ(a.m_vCenter, b.m_vCenter);
    EXPECT_EQ(a.m_fRadius, b.m_fRadius);

    // The oriented box is the fitted axis-aligned box, unrotated.
    ZEOBoundingBox obox;
    obox.m_vRotation = ZEVector(10, 20, 30);
    obox.UpdateVolume(lit, indices, 3);
    EXPECT_EQ(obox.m_vPosition, ZEVector(2, -1, -2));
    EXPECT_EQ(obox.m_vHalfSize, ZEVector(3, 3, 5));
    EXPECT_EQ(obox.m_vLocalCenter, ZEVector());
    EXPECT_EQ(obox.m_vRotation, ZEVector());
    ExpectVector(obox.m_avCorners[0], -1, 2, -7);
}

TEST(BoundingVolumeFitting, EmptySetsGiveAZeroVolumeAtTheOrigin)
{
    const ZEVector points[2] = {ZEVector(5, 5, 5), ZEVector(7, 9, 5)};
    ZEBoundingSphere sphere;
    ZEAABoundingBox box;
    ZEOBoundingBox obox;
    ZEBoundingVolume* volumes[] = {&sphere, &box, &obox};
    for (ZEBoundingVolume* v : volumes)
    {
        for (int form = 0; form < 4; ++form)
        {
            v->UpdateVolume(points, 2u);
            ASSERT_GT(v->GetCenter().GetLength(), 1.0f);
            if (form == 0)
                v->UpdateVolume(points, 0u);
            else if (form == 1)
                v->Update(nullptr, 5, 12);
            else if (form == 2)
                v->UpdateVolume(points, static_cast<const uint16_t*>(nullptr), 4);
            else
                v->UpdateVolume(static_cast<const ZEPolygon*>(nullptr), true);
            EXPECT_EQ(v->GetCenter(), ZEVector()) << v->GetRTTI()->GetName().CStr() << " form " << form;
            EXPECT_EQ(v->GetVolume(), 0.0f);
        }
    }
    EXPECT_EQ(sphere.m_fRadius, 0.0f);
    EXPECT_EQ(box.m_vMin, ZEVector());
    EXPECT_EQ(box.m_vMax, ZEVector());
    EXPECT_EQ(obox.m_vHalfSize, ZEVector());
}

namespace
{
ZEPolygon* TrianglePolygon(const ZEVector (&corners)[3], bool lightmapped)
{
    ZEPolygon* polygon = new ZEPolygon();
    polygon->m_usNumVertices = 3;
    polygon->m_usNumIndices = 3;
    polygon->m_pusIndices = new uint16_t[3]{0, 1, 2};
    polygon->m_bLightmapped = lightmapped;
    polygon->m_pVertices = new ZEVertex[3];
    if (lightmapped)
        polygon->m_pLVertices = new ZELVertex[3];
    for (int i = 0; i < 3; ++i)
    {
        const ZEVector& c = corners[i];
        if (lightmapped)
        {
            polygon->m_pLVertices[i] = {c.x, c.y, c.z, 0, 0, 0, 0};
            // Stale plain vertices far away must not be read.
            polygon->m_pVertices[i] = {1000, 1000, 1000, 0, 0};
        }
        else
            polygon->m_pVertices[i] = {c.x, c.y, c.z, 0, 0};
    }
    return polygon;
}
}

TEST(BoundingVolumeFitting, PolygonListsUseEveryIndexedPositionAndSkipEmptyPolygons)
{
    ZEPolygon* list = TrianglePolygon({ZEVector(0, 0, 0), ZEVector(2, 0, 0), ZEVector(0, 2, 0)}, false);
    ZEPolygon* empty = new ZEPolygon();
    ZEPolygon* lit = TrianglePolygon({ZEVector(0, 0, 4), ZEVector(2, 0, 4), ZEVector(0, 2, 4)}, true);
    list->m_pNext = empty;
    empty->m_pNext = lit;

    ZEAABoundingBox box;
    box.UpdateVolume(list, false);
    EXPECT_EQ(box.m_vMin, ZEVector(0, 0, 0));
    EXPECT_EQ(box.m_vMax, ZEVector(2, 2, 0));
    box.UpdateVolume(list, true);
    EXPECT_EQ(box.m_vMin, ZEVector(0, 0, 0));
    EXPECT_EQ(box.m_vMax, ZEVector(2, 2, 4));

    ZEBoundingSphere sphere;
    sphere.UpdateVolume(list, true);
    ExpectVector(sphere.m_vCenter, 2.0f / 3.0f, 2.0f / 3.0f, 2);
    // Starting the list at the empty polygon skips it.
    ZEBoundingSphere tail;
    tail.UpdateVolume(empty, true);
    ExpectVector(tail.m_vCenter, 2.0f / 3.0f, 2.0f / 3.0f, 4);

    ZEOBoundingBox obox;
    obox.UpdateVolume(lit, false);
    EXPECT_EQ(obox.m_vPosition, ZEVector(1, 1, 4));
    EXPECT_EQ(obox.m_vHalfSize, ZEVector(1, 1, 0));

    ZEDeletePolygonList(list);
}
