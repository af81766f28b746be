// Bounding volumes: a sphere, an axis-aligned box and an oriented box under
// one abstract base.
//
// Engine objects own one as their collision volume, the box tree keeps an
// axis-aligned box per node, lights, decals and particle systems carry a
// sphere by value for view culling. Every kind answers the same questions
// through the virtual operations below, in this slot order: resting on a
// plane, distance to a point, inside test, support radius, segment tests,
// plane test, volume-volume tests (double dispatch through the slot taking
// the base), fitting around point sets, volume, move, centre, strided
// fitting, and - after the destructor - the bounding radius.
//
// Conventions shared by all kinds:
// - A plane distance is n.p + D with the plane's double-precision D; all
//   other arithmetic is single precision.
// - The support radius toward a unit direction u is the volume's extent
//   along u: r for a sphere, |u.x*hx| + |u.y*hy| + |u.z*hz| for the
//   axis-aligned box, the same over the box's own axes for the oriented box.
// - A segment is a start and a move; it runs from start to start + move.
//   Where a test crosses planes it uses ZESegmentCrossesPlane
//   (math/ZECollision.h).
// - Touching counts as meeting in every test except oriented box against
//   box, where the centre distance must be strictly below the summed
//   support radii (volumes with the same centre always meet). That test
//   first compares the squared distance with the radii's sums times the
//   distance, in double precision and without roots or divisions, and
//   computes the radii only where rounding could tip the answer.
// - The fitting operations with a vertex type forward to Update with the
//   element size as the byte stride (12, 20 or 28; position first in each).
//   Fitting an empty set (no points, null arrays, polygons without indices)
//   gives a volume of zero size at the origin.
//
// The oriented box is consistent only after Rebuild(); every operation that
// changes its position, local centre, half size or rotation ends with it.
// Rebuild keeps the rotation and the corners' offsets it derived while the
// angles, half size and local centre stay bit for bit the same, so moving a
// box costs no trigonometry and gives the same numbers. A
// box with a zero half size keeps proper face planes: a face whose corners
// coincide takes the box's rotated axis as its normal, so a flat box is a
// rectangle, not an unbounded slab.
//
// Resting on a plane always ends on the plane's front side at the volume's
// support radius, whichever side the volume started on.
//
// Bounding sphere: every volume lies inside the sphere about GetCenter()
// with radius GetBoundingRadius() - the sphere itself, the axis-aligned
// box's half diagonal, the oriented box's |half size|. Nothing two volumes
// can meet in lies outside both spheres, so two volumes whose bounding
// spheres are apart never intersect; the engine's broad phase relies on it.
//
// Volumes are owned through base pointers (an engine object's collision
// volume), so the base has a virtual destructor, placed after the other
// virtual operations so their order stays fixed; operations added later
// come after it.
#pragma once

#include "core/ZEObject.h"
#include "math/ZEMatrix.h"
#include "math/ZEPlane.h"
#include "math/ZEVector.h"
#include "math/ZEVertex.h"

#include <cstdint>

class ZEPolygon;
class ZEBoundingSphere;
class ZEAABoundingBox;
class ZEOBoundingBox;

class ZEBoundingVolume
{
    ZE_DECLARE_ROOT_RTTI
public:
    ZEBoundingVolume() = default;

    // Rests the volume on the plane's front side; true when it touched or
    // crossed the plane before it was moved.
    virtual bool PutOnPlane(const ZEPlane& plane) = 0;
    // Distance from the point to the volume, 0 inside.
    virtual float GetDistance(const ZEVector& point) const = 0;
    virtual bool InsideVolume(const ZEVector& point) const = 0;
    // Support radius toward the direction from the point to the centre.
    virtual float GetMinimalDistance(const ZEVector& point) const = 0;
    // Segment test (a ray, not limited by the move's length, for the
    // axis-aligned box).
    virtual bool IntersectsVolume(const ZEVector& start, const ZEVector& move) const = 0;
    // The same, also giving the contact point: the start when it lies
    // inside; otherwise, for the sphere, where the segment enters when it
    // ends inside and where it leaves when it passes through; for the boxes
    // the nearest face crossing on the box (the axis-aligned box gives the
    // segment's end when its ray meets the box beyond it). On a miss the
    // sphere and the axis-aligned box give start + move, the oriented box
    // leaves the contact as it was.
    virtual bool IntersectsVolume(const ZEVector& start, const ZEVector& move, ZEVector& contact) const = 0;
    // True when the plane passes through the volume (touching counts).
    virtual bool IntersectsVolume(const ZEPlane& plane) const = 0;
    // Double dispatch on the other volume's kind.
    virtual bool IntersectsVolume(const ZEBoundingVolume& other) const = 0;
    virtual bool IntersectsVolume(const ZEBoundingSphere& other) const = 0;
    virtual bool IntersectsVolume(const ZEAABoundingBox& other) const = 0;
    virtual bool IntersectsVolume(const ZEOBoundingBox& other) const = 0;

    // Fitting around point sets; indexed forms address element i at
    // first + indices[i] * stride.
    virtual void UpdateVolume(const ZEVector* points, uint32_t count);
    virtual void UpdateVolume(const ZEVector* points, const uint16_t* indices, uint16_t count);
    virtual void UpdateVolume(const ZEVertex* vertices, uint32_t count);
    virtual void UpdateVolume(const ZEVertex* vertices, const uint16_t* indices, uint16_t count);
    virtual void UpdateVolume(const ZELVertex* vertices, uint32_t count);
    virtual void UpdateVolume(const ZELVertex* vertices, const uint16_t* indices, uint16_t count);
    // Fits around the positions the polygon's indices reference (lit
    // vertices when it has them); with wholeList through its successors.
    virtual void UpdateVolume(const ZEPolygon* polygon, bool wholeList) = 0;

    virtual float GetVolume() const = 0;
    virtual void SetCenter(const ZEVector& center) = 0;
    virtual ZEVector GetCenter() const = 0;
    // Fits around `count` points `stride` bytes apart.
    virtual void Update(const ZEVector* first, uint32_t count, uint32_t stride) = 0;
    virtual void Update(const ZEVector* first, uint32_t stride, const uint16_t* indices, uint16_t count) = 0;

    virtual ~ZEBoundingVolume() = default;

    // The radius of a sphere about GetCenter() that holds the whole volume
    // (never negative).
    virtual float GetBoundingRadius() const = 0;

    // Centre distance at which the two volumes touch along the line of
    // centres.
    float GetMinimalDistance(const ZEBoundingVolume& other) const;

protected:
    ZEBoundingVolume(const ZEBoundingVolume&) = default;
    ZEBoundingVolume& operator=(const ZEBoundingVolume&) = default;
};

class ZEBoundingSphere : public ZEBoundingVolume
{
    ZE_DECLARE_RTTI
public:
    ZEBoundingSphere() = default;
    ZEBoundingSphere(const ZEVector& center, float radius) : m_vCenter(center), m_fRadius(radius) {}
    ZEBoundingSphere(const ZEBoundingSphere&) = default;
    ZEBoundingSphere& operator=(const ZEBoundingSphere&) = default;

    using ZEBoundingVolume::GetMinimalDistance;
    using ZEBoundingVolume::IntersectsVolume;
    using ZEBoundingVolume::UpdateVolume;

    bool PutOnPlane(const ZEPlane& plane) override;
    float GetDistance(const ZEVector& point) const override;
    bool InsideVolume(const ZEVector& point) const override;
    float GetMinimalDistance(const ZEVector& point) const override;
    bool IntersectsVolume(const ZEVector& start, const ZEVector& move) const override;
    bool IntersectsVolume(const ZEVector& start, const ZEVector& move, ZEVector& contact) const override;
    bool IntersectsVolume(const ZEPlane& plane) const override;
    bool IntersectsVolume(const ZEBoundingVolume& other) const override;
    bool IntersectsVolume(const ZEBoundingSphere& other) const override;
    bool IntersectsVolume(const ZEAABoundingBox& other) const override;
    bool IntersectsVolume(const ZEOBoundingBox& other) const override;
    void UpdateVolume(const ZEPolygon* polygon, bool wholeList) override;
    float GetVolume() const override;
    void SetCenter(const ZEVector& center) override;
    ZEVector GetCenter() const override;
    void Update(const ZEVector* first, uint32_t count, uint32_t stride) override;
    void Update(const ZEVector* first, uint32_t stride, const uint16_t* indices, uint16_t count) override;
    float GetBoundingRadius() const override;

    void GetData(ZEVector& center, float& radius) const;
    void SetData(const ZEVector& center, float radius);
    // The radius, whatever the direction.
    float GetSupportRadius(const ZEVector& direction) const;

    ZEVector m_vCenter;
    float m_fRadius = 0.0f;
};

class ZEAABoundingBox : public ZEBoundingVolume
{
    ZE_DECLARE_RTTI
public:
    ZEAABoundingBox() = default;
    ZEAABoundingBox(const ZEVector& min, const ZEVector& max);
    ZEAABoundingBox(const ZEAABoundingBox&) = default;
    ZEAABoundingBox& operator=(const ZEAABoundingBox&) = default;

    using ZEBoundingVolume::GetMinimalDistance;
    using ZEBoundingVolume::IntersectsVolume;
    using ZEBoundingVolume::UpdateVolume;

    bool PutOnPlane(const ZEPlane& plane) override;
    float GetDistance(const ZEVector& point) const override;
    bool InsideVolume(const ZEVector& point) const override;
    float GetMinimalDistance(const ZEVector& point) const override;
    bool IntersectsVolume(const ZEVector& start, const ZEVector& move) const override;
    bool IntersectsVolume(const ZEVector& start, const ZEVector& move, ZEVector& contact) const override;
    bool IntersectsVolume(const ZEPlane& plane) const override;
    bool IntersectsVolume(const ZEBoundingVolume& other) const override;
    bool IntersectsVolume(const ZEBoundingSphere& other) const override;
    bool IntersectsVolume(const ZEAABoundingBox& other) const override;
    bool IntersectsVolume(const ZEOBoundingBox& other) const override;
    void UpdateVolume(const ZEPolygon* polygon, bool wholeList) override;
    float GetVolume() const override;
    void SetCenter(const ZEVector& center) override;
    ZEVector GetCenter() const override;
    void Update(const ZEVector* first, uint32_t count, uint32_t stride) override;
    void Update(const ZEVector* first, uint32_t stride, const uint16_t* indices, uint16_t count) override;
    float GetBoundingRadius() const override;

    void GetData(ZEVector& min, ZEVector& max) const;
    // Recomputes the centre.
    void SetData(const ZEVector& min, const ZEVector& max);
    // max - centre per axis.
    ZEVector GetHalfSize() const { return m_vMax - m_vCenter; }
    // Extent toward the unit direction.
    float GetSupportRadius(const ZEVector& direction) const;
    // Face planes with outward normals, in the oriented box's face order.
    void GetFacePlanes(ZEPlane planes[6]) const;

    ZEVector m_vMin;
    ZEVector m_vMax;
    ZEVector m_vCenter;   // always (min + max) / 2
};

class ZEOBoundingBox : public ZEBoundingVolume
{
    ZE_DECLARE_RTTI
public:
    ZEOBoundingBox() = default;
    ZEOBoundingBox(const ZEOBoundingBox&) = default;
    ZEOBoundingBox& operator=(const ZEOBoundingBox&) = default;

    using ZEBoundingVolume::GetMinimalDistance;
    using ZEBoundingVolume::IntersectsVolume;
    using ZEBoundingVolume::UpdateVolume;

    // Slot 1: PutOnPlane(plane, false).
    bool PutOnPlane(const ZEPlane& plane) override;
    float GetDistance(const ZEVector& point) const override;
    bool InsideVolume(const ZEVector& point) const override;
    float GetMinimalDistance(const ZEVector& point) const override;
    bool IntersectsVolume(const ZEVector& start, const ZEVector& move) const override;
    bool IntersectsVolume(const ZEVector& start, const ZEVector& move, ZEVector& contact) const override;
    bool IntersectsVolume(const ZEPlane& plane) const override;
    bool IntersectsVolume(const ZEBoundingVolume& other) const override;
    bool IntersectsVolume(const ZEBoundingSphere& other) const override;
    bool IntersectsVolume(const ZEAABoundingBox& other) const override;
    bool IntersectsVolume(const ZEOBoundingBox& other) const override;
    void UpdateVolume(const ZEPolygon* polygon, bool wholeList) override;
    float GetVolume() const override;
    void SetCenter(const ZEVector& center) override;
    ZEVector GetCenter() const override;
    void Update(const ZEVector* first, uint32_t count, uint32_t stride) override;
    void Update(const ZEVector* first, uint32_t stride, const uint16_t* indices, uint16_t count) override;
    float GetBoundingRadius() const override;

    // Position, local centre, half size and rotation as stored.
    void GetData(ZEVector& position, ZEVector& center, ZEVector& halfSize, ZEVector& rotation) const;
    // Local centre and half size from the local corners, then Rebuild().
    void SetData(const ZEVector& position, const ZEVector& localMin, const ZEVector& localMax,
                 const ZEVector& rotation);
    // The box's own extent around its centre, unrotated; a null box changes
    // nothing.
    void SetData(const ZEAABoundingBox* box);
    // With align, a box resting on an upward-facing plane also takes the
    // plane's tilt.
    bool PutOnPlane(const ZEPlane& plane, bool align);
    // Brings the angles into [0, 360) (non-finite angles become 0) and
    // derives centre, corners and planes.
    void Rebuild();
    // Extent toward the unit direction, over the box's own axes.
    float GetSupportRadius(const ZEVector& direction) const;

    // The box's axes: the normals of the +x, +y and +z faces.
    const ZEVector& GetXAxis() const { return m_aPlanes[5].m_vNormal; }
    const ZEVector& GetYAxis() const { return m_aPlanes[2].m_vNormal; }
    const ZEVector& GetZAxis() const { return m_aPlanes[1].m_vNormal; }

    ZEVector m_vCenter;        // world centre (derived)
    ZEVector m_vHalfSize;      // half extents along the box's own axes
    ZEVector m_vPosition;      // world position of the box's frame
    ZEVector m_vLocalCenter;   // centre offset inside the frame, before rotation
    ZEVector m_vRotation;      // degrees about x, y, z, kept in [0, 360)
    ZEVector m_avCorners[8];   // world corners (derived)
    // Face planes with outward normals (derived): 0 -z, 1 +z, 2 +y, 3 -y,
    // 4 -x, 5 +x.
    ZEPlane m_aPlanes[6];

private:
    // What Rebuild derives from the rotation, half size and local centre
    // alone, for the values it was derived from.
    struct Frame
    {
        // Whether it was derived from exactly these values.
        bool Holds(const ZEVector& rotation, const ZEVector& halfSize, const ZEVector& localCenter) const;

        bool m_bValid = false;
        ZEVector m_vRotation;   // normalised
        ZEVector m_vHalfSize;
        ZEVector m_vLocalCenter;
        ZEMatrix3x3 m_Rotation;
        ZEVector m_vCenterOffset;        // rotated local centre
        ZEVector m_avCornerOffsets[8];   // rotated corners around the position
    };

    void BuildFrame();

    Frame m_Frame;
};
