#include "math/ZEBoundingVolume.h"

#include "math/ZEMath.h"
#include "math/ZEMatrix.h"

#include <cmath>

// What is written here is what view culling and the volumes' own data need:
// centre, move, size, support radius and the plane test, and the oriented
// box's derivation. The collision tests, resting on a plane and the fitting
// around point sets are answered with their "nothing" values until the
// collision work fills them.

ZE_IMPLEMENT_ROOT_RTTI(ZEBoundingVolume);
ZE_IMPLEMENT_RTTI(ZEBoundingSphere, ZEBoundingVolume);
ZE_IMPLEMENT_RTTI(ZEAABoundingBox, ZEBoundingVolume);
ZE_IMPLEMENT_RTTI(ZEOBoundingBox, ZEBoundingVolume);

namespace
{
const uint32_t kVectorStride = sizeof(ZEVector);
const uint32_t kVertexStride = sizeof(ZEVertex);
const uint32_t kLVertexStride = sizeof(ZELVertex);

// Volume arithmetic is single precision; only the plane's D is double.
float PlaneDistance(const ZEPlane& plane, const ZEVector& point)
{
    return static_cast<float>(plane.Distance(point));
}

float BoxSupportRadius(const ZEVector& u, const ZEVector& halfSize)
{
    return std::fabs(u.x * halfSize.x) + std::fabs(u.y * halfSize.y) + std::fabs(u.z * halfSize.z);
}

float NormalizedAngle(float degrees)
{
    // fmod rather than repeated subtraction: a huge angle must not hang.
    float angle = std::fmod(degrees, 360.0f);
    if (angle < 0.0f)
        angle += 360.0f;
    return angle >= 360.0f ? 0.0f : angle;
}
}

// ---------------------------------------------------------------------------
// ZEBoundingVolume

float ZEBoundingVolume::GetMinimalDistance(const ZEBoundingVolume& other) const
{
    return GetMinimalDistance(other.GetCenter()) + other.GetMinimalDistance(GetCenter());
}

void ZEBoundingVolume::UpdateVolume(const ZEVector* points, uint32_t count)
{
    Update(points, count, kVectorStride);
}

void ZEBoundingVolume::UpdateVolume(const ZEVector* points, const uint16_t* indices, uint16_t count)
{
    Update(points, kVectorStride, indices, count);
}

void ZEBoundingVolume::UpdateVolume(const ZEVertex* vertices, uint32_t count)
{
    Update(reinterpret_cast<const ZEVector*>(vertices), count, kVertexStride);
}

void ZEBoundingVolume::UpdateVolume(const ZEVertex* vertices, const uint16_t* indices, uint16_t count)
{
    Update(reinterpret_cast<const ZEVector*>(vertices), kVertexStride, indices, count);
}

void ZEBoundingVolume::UpdateVolume(const ZELVertex* vertices, uint32_t count)
{
    Update(reinterpret_cast<const ZEVector*>(vertices), count, kLVertexStride);
}

void ZEBoundingVolume::UpdateVolume(const ZELVertex* vertices, const uint16_t* indices, uint16_t count)
{
    Update(reinterpret_cast<const ZEVector*>(vertices), kLVertexStride, indices, count);
}

// ---------------------------------------------------------------------------
// ZEBoundingSphere

bool ZEBoundingSphere::PutOnPlane(const ZEPlane&) { return false; }
float ZEBoundingSphere::GetDistance(const ZEVector&) const { return 0.0f; }
bool ZEBoundingSphere::InsideVolume(const ZEVector&) const { return false; }

float ZEBoundingSphere::GetMinimalDistance(const ZEVector&) const
{
    return m_fRadius;
}

bool ZEBoundingSphere::IntersectsVolume(const ZEVector&, const ZEVector&) const { return false; }
bool ZEBoundingSphere::IntersectsVolume(const ZEVector&, const ZEVector&, ZEVector&) const { return false; }

bool ZEBoundingSphere::IntersectsVolume(const ZEPlane& plane) const
{
    return m_fRadius >= std::fabs(PlaneDistance(plane, m_vCenter));
}

bool ZEBoundingSphere::IntersectsVolume(const ZEBoundingVolume& other) const
{
    return other.IntersectsVolume(*this);
}

bool ZEBoundingSphere::IntersectsVolume(const ZEBoundingSphere&) const { return false; }
bool ZEBoundingSphere::IntersectsVolume(const ZEAABoundingBox&) const { return false; }
bool ZEBoundingSphere::IntersectsVolume(const ZEOBoundingBox&) const { return false; }
void ZEBoundingSphere::UpdateVolume(const ZEPolygon*, bool) {}

float ZEBoundingSphere::GetVolume() const
{
    return static_cast<float>(ZEPow(m_fRadius, 3.0f) * 4.1887902047863905);
}

void ZEBoundingSphere::SetCenter(const ZEVector& center)
{
    m_vCenter = center;
}

ZEVector ZEBoundingSphere::GetCenter() const
{
    return m_vCenter;
}

void ZEBoundingSphere::Update(const ZEVector*, uint32_t, uint32_t) {}
void ZEBoundingSphere::Update(const ZEVector*, uint32_t, const uint16_t*, uint16_t) {}

void ZEBoundingSphere::GetData(ZEVector& center, float& radius) const
{
    center = m_vCenter;
    radius = m_fRadius;
}

void ZEBoundingSphere::SetData(const ZEVector& center, float radius)
{
    m_vCenter = center;
    m_fRadius = radius;
}

// ---------------------------------------------------------------------------
// ZEAABoundingBox

ZEAABoundingBox::ZEAABoundingBox(const ZEVector& min, const ZEVector& max)
{
    SetData(min, max);
}

bool ZEAABoundingBox::PutOnPlane(const ZEPlane&) { return false; }
float ZEAABoundingBox::GetDistance(const ZEVector&) const { return 0.0f; }
bool ZEAABoundingBox::InsideVolume(const ZEVector&) const { return false; }

float ZEAABoundingBox::GetMinimalDistance(const ZEVector& point) const
{
    return BoxSupportRadius((m_vCenter - point).UnitVector(), GetHalfSize());
}

bool ZEAABoundingBox::IntersectsVolume(const ZEVector&, const ZEVector&) const { return false; }
bool ZEAABoundingBox::IntersectsVolume(const ZEVector&, const ZEVector&, ZEVector&) const { return false; }

bool ZEAABoundingBox::IntersectsVolume(const ZEPlane& plane) const
{
    return BoxSupportRadius(plane.m_vNormal, GetHalfSize()) >= std::fabs(PlaneDistance(plane, m_vCenter));
}

bool ZEAABoundingBox::IntersectsVolume(const ZEBoundingVolume& other) const
{
    return other.IntersectsVolume(*this);
}

bool ZEAABoundingBox::IntersectsVolume(const ZEBoundingSphere&) const { return false; }
bool ZEAABoundingBox::IntersectsVolume(const ZEAABoundingBox&) const { return false; }
bool ZEAABoundingBox::IntersectsVolume(const ZEOBoundingBox&) const { return false; }
void ZEAABoundingBox::UpdateVolume(const ZEPolygon*, bool) {}

float ZEAABoundingBox::GetVolume() const
{
    return (m_vMax.x - m_vMin.x) * (m_vMax.y - m_vMin.y) * (m_vMax.z - m_vMin.z);
}

void ZEAABoundingBox::SetCenter(const ZEVector& center)
{
    ZEVector shift = center - m_vCenter;
    m_vMin += shift;
    m_vMax += shift;
    m_vCenter += shift;
}

ZEVector ZEAABoundingBox::GetCenter() const
{
    return m_vCenter;
}

void ZEAABoundingBox::Update(const ZEVector*, uint32_t, uint32_t) {}
void ZEAABoundingBox::Update(const ZEVector*, uint32_t, const uint16_t*, uint16_t) {}

void ZEAABoundingBox::GetData(ZEVector& min, ZEVector& max) const
{
    min = m_vMin;
    max = m_vMax;
}

void ZEAABoundingBox::SetData(const ZEVector& min, const ZEVector& max)
{
    m_vMin = min;
    m_vMax = max;
    m_vCenter = (min + max) * 0.5f;
}

// ---------------------------------------------------------------------------
// ZEOBoundingBox

bool ZEOBoundingBox::PutOnPlane(const ZEPlane& plane)
{
    return PutOnPlane(plane, false);
}

float ZEOBoundingBox::GetDistance(const ZEVector&) const { return 0.0f; }
bool ZEOBoundingBox::InsideVolume(const ZEVector&) const { return false; }

float ZEOBoundingBox::GetMinimalDistance(const ZEVector& point) const
{
    ZEVector u = (m_vCenter - point).UnitVector();
    return std::fabs(u.DotProduct(GetXAxis())) * m_vHalfSize.x +
           std::fabs(u.DotProduct(GetYAxis())) * m_vHalfSize.y +
           std::fabs(u.DotProduct(GetZAxis())) * m_vHalfSize.z;
}

bool ZEOBoundingBox::IntersectsVolume(const ZEVector&, const ZEVector&) const { return false; }
bool ZEOBoundingBox::IntersectsVolume(const ZEVector&, const ZEVector&, ZEVector&) const { return false; }

bool ZEOBoundingBox::IntersectsVolume(const ZEPlane& plane) const
{
    const ZEVector& n = plane.m_vNormal;
    float support = std::fabs(n.DotProduct(GetXAxis())) * m_vHalfSize.x +
                    std::fabs(n.DotProduct(GetYAxis())) * m_vHalfSize.y +
                    std::fabs(n.DotProduct(GetZAxis())) * m_vHalfSize.z;
    return support >= std::fabs(PlaneDistance(plane, m_vCenter));
}

bool ZEOBoundingBox::IntersectsVolume(const ZEBoundingVolume& other) const
{
    return other.IntersectsVolume(*this);
}

bool ZEOBoundingBox::IntersectsVolume(const ZEBoundingSphere&) const { return false; }
bool ZEOBoundingBox::IntersectsVolume(const ZEAABoundingBox&) const { return false; }
bool ZEOBoundingBox::IntersectsVolume(const ZEOBoundingBox&) const { return false; }
void ZEOBoundingBox::UpdateVolume(const ZEPolygon*, bool) {}

float ZEOBoundingBox::GetVolume() const
{
    return 8.0f * m_vHalfSize.x * m_vHalfSize.y * m_vHalfSize.z;
}

void ZEOBoundingBox::SetCenter(const ZEVector& center)
{
    m_vPosition += center - m_vCenter;
    Rebuild();
}

ZEVector ZEOBoundingBox::GetCenter() const
{
    return m_vCenter;
}

void ZEOBoundingBox::Update(const ZEVector*, uint32_t, uint32_t) {}
void ZEOBoundingBox::Update(const ZEVector*, uint32_t, const uint16_t*, uint16_t) {}

void ZEOBoundingBox::GetData(ZEVector& position, ZEVector& center, ZEVector& halfSize, ZEVector& rotation) const
{
    position = m_vPosition;
    center = m_vLocalCenter;
    halfSize = m_vHalfSize;
    rotation = m_vRotation;
}

void ZEOBoundingBox::SetData(const ZEVector& position, const ZEVector& localMin, const ZEVector& localMax,
                             const ZEVector& rotation)
{
    m_vPosition = position;
    m_vLocalCenter = (localMin + localMax) * 0.5f;
    m_vHalfSize = (localMax - localMin) * 0.5f;
    m_vRotation = rotation;
    Rebuild();
}

void ZEOBoundingBox::SetData(const ZEAABoundingBox* box)
{
    if (!box)
        return;
    m_vHalfSize = (box->m_vMax - box->m_vMin) * 0.5f;
    m_vPosition = box->m_vCenter;
    m_vLocalCenter = ZEVector();
    m_vRotation = ZEVector();
    Rebuild();
}

bool ZEOBoundingBox::PutOnPlane(const ZEPlane&, bool)
{
    return false;
}

void ZEOBoundingBox::Rebuild()
{
    m_vRotation = ZEVector(NormalizedAngle(m_vRotation.x), NormalizedAngle(m_vRotation.y),
                           NormalizedAngle(m_vRotation.z));

    ZEMatrix3x3 rx, ry, rz;
    rx.XRotationMatrixDeg(m_vRotation.x);
    ry.YRotationMatrixDeg(m_vRotation.y);
    rz.ZRotationMatrixDeg(m_vRotation.z);
    ZEMatrix3x3 rotation = rz * ry * rx;

    m_vCenter = m_vPosition + rotation * m_vLocalCenter;

    const ZEVector& h = m_vHalfSize;
    const ZEVector local[8] = {
        ZEVector(-h.x, h.y, -h.z), ZEVector(h.x, h.y, -h.z), ZEVector(h.x, -h.y, -h.z), ZEVector(-h.x, -h.y, -h.z),
        ZEVector(-h.x, h.y, h.z),  ZEVector(h.x, h.y, h.z),  ZEVector(h.x, -h.y, h.z),  ZEVector(-h.x, -h.y, h.z)};
    for (int i = 0; i < 8; ++i)
        m_avCorners[i] = m_vPosition + rotation * (local[i] + m_vLocalCenter);

    static const int kPlaneCorners[6][3] = {{1, 3, 0}, {7, 6, 5}, {1, 0, 4}, {6, 7, 3}, {4, 0, 3}, {1, 5, 6}};
    for (int i = 0; i < 6; ++i)
        m_aPlanes[i].SetPlane(m_avCorners[kPlaneCorners[i][0]], m_avCorners[kPlaneCorners[i][1]],
                              m_avCorners[kPlaneCorners[i][2]]);
}
