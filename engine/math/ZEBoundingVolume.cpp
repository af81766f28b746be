#include "math/ZEBoundingVolume.h"

#include "math/ZECollision.h"
#include "math/ZEMath.h"
#include "math/ZEMatrix.h"
#include "math/ZEPolygon.h"

#include <cmath>
#include <cstddef>
#include <cstring>

ZE_IMPLEMENT_ROOT_RTTI(ZEBoundingVolume);
ZE_IMPLEMENT_RTTI(ZEBoundingSphere, ZEBoundingVolume);
ZE_IMPLEMENT_RTTI(ZEAABoundingBox, ZEBoundingVolume);
ZE_IMPLEMENT_RTTI(ZEOBoundingBox, ZEBoundingVolume);

namespace
{
const uint32_t kVectorStride = sizeof(ZEVector);
const uint32_t kVertexStride = sizeof(ZEVertex);
const uint32_t kLVertexStride = sizeof(ZELVertex);

// A segment's crossing with an oriented box face this close to the box
// counts as on the box.
const float kOnBox = 0.001f;
// The same tolerance the crossing rule uses for "parallel".
const float kParallel = 0.00001f;

float BoxSupportRadius(const ZEVector& u, const ZEVector& halfSize)
{
    return std::fabs(u.x * halfSize.x) + std::fabs(u.y * halfSize.y) + std::fabs(u.z * halfSize.z);
}

float NormalizedAngle(float degrees)
{
    // fmod rather than repeated subtraction: a huge angle must not hang. Up
    // to about 10^8 degrees both give the same bits, as every subtraction of
    // 360 is exact there.
    if (!std::isfinite(degrees))
        return 0.0f;
    float angle = std::fmod(degrees, 360.0f);
    if (angle < 0.0f)
        angle += 360.0f;
    // A tiny negative angle rounds up to 360 when 360 is added.
    return angle >= 360.0f ? 0.0f : angle;
}

// ---------------------------------------------------------------------------
// Point sets for fitting. Each visits its positions in order, a position
// counted once per occurrence; null arrays visit nothing.

// Vertex records are read byte-wise: their position is their first twelve
// bytes, whatever the record type.
ZEVector ReadPosition(const unsigned char* element)
{
    float xyz[3];
    std::memcpy(xyz, element, sizeof(xyz));
    return ZEVector(xyz[0], xyz[1], xyz[2]);
}

const unsigned char* Bytes(const void* first)
{
    return static_cast<const unsigned char*>(first);
}

class StridedPoints
{
public:
    StridedPoints(const void* first, uint32_t count, uint32_t stride)
        : m_pFirst(Bytes(first)), m_ulCount(count), m_ulStride(stride)
    {
    }

    template <class Visit>
    void ForEach(Visit& visit) const
    {
        if (!m_pFirst)
            return;
        for (uint32_t i = 0; i < m_ulCount; ++i)
            visit(ReadPosition(m_pFirst + static_cast<size_t>(i) * m_ulStride));
    }

private:
    const unsigned char* m_pFirst;
    uint32_t m_ulCount;
    uint32_t m_ulStride;
};

class IndexedPoints
{
public:
    IndexedPoints(const void* first, uint32_t stride, const uint16_t* indices, uint16_t count)
        : m_pFirst(Bytes(first)), m_ulStride(stride), m_pusIndices(indices), m_usCount(count)
    {
    }

    template <class Visit>
    void ForEach(Visit& visit) const
    {
        if (!m_pFirst || !m_pusIndices)
            return;
        for (uint16_t i = 0; i < m_usCount; ++i)
            visit(ReadPosition(m_pFirst + static_cast<size_t>(m_pusIndices[i]) * m_ulStride));
    }

private:
    const unsigned char* m_pFirst;
    uint32_t m_ulStride;
    const uint16_t* m_pusIndices;
    uint16_t m_usCount;
};

// The positions a polygon's indices reference, from its lit vertices when
// it is lightmapped (as its planes are built).
IndexedPoints PolygonPositions(const ZEPolygon& polygon)
{
    if (polygon.m_bLightmapped)
        return IndexedPoints(polygon.m_pLVertices, kLVertexStride, polygon.m_pusIndices, polygon.m_usNumIndices);
    return IndexedPoints(polygon.m_pVertices, kVertexStride, polygon.m_pusIndices, polygon.m_usNumIndices);
}

class PolygonPoints
{
public:
    PolygonPoints(const ZEPolygon* polygon, bool wholeList) : m_pPolygon(polygon), m_bWholeList(wholeList) {}

    template <class Visit>
    void ForEach(Visit& visit) const
    {
        for (const ZEPolygon* polygon = m_pPolygon; polygon; polygon = m_bWholeList ? polygon->m_pNext : nullptr)
            PolygonPositions(*polygon).ForEach(visit);
    }

private:
    const ZEPolygon* m_pPolygon;
    bool m_bWholeList;
};

// Centre = mean of the points, radius = the farthest point's distance; an
// empty set gives a point sphere at the origin.
template <class Points>
void FitSphere(const Points& points, ZEVector& center, float& radius)
{
    ZEVector sum;
    uint64_t count = 0;
    auto add = [&](const ZEVector& p) {
        sum += p;
        ++count;
    };
    points.ForEach(add);

    center = ZEVector();
    radius = 0.0f;
    if (count == 0)
        return;
    float n = static_cast<float>(count);
    center = ZEVector(sum.x / n, sum.y / n, sum.z / n);
    auto reach = [&](const ZEVector& p) {
        float distance = (p - center).GetLength();
        if (distance > radius)
            radius = distance;
    };
    points.ForEach(reach);
}

// Per-axis bounds starting from the first point; an empty set gives a
// point box at the origin.
template <class Points>
ZEAABoundingBox FitBox(const Points& points)
{
    ZEVector min, max;
    bool first = true;
    auto widen = [&](const ZEVector& p) {
        if (first)
        {
            min = max = p;
            first = false;
            return;
        }
        min = ZEVector(p.x < min.x ? p.x : min.x, p.y < min.y ? p.y : min.y, p.z < min.z ? p.z : min.z);
        max = ZEVector(p.x > max.x ? p.x : max.x, p.y > max.y ? p.y : max.y, p.z > max.z ? p.z : max.z);
    };
    points.ForEach(widen);
    return ZEAABoundingBox(min, max);
}

// ---------------------------------------------------------------------------
// Shared test pieces.

// Where the segment start -> start + move first counts as meeting a
// sphere, as a parameter t along move.
struct SphereMeeting
{
    enum Kind
    {
        kMiss,
        kStartsInside,
        kMeets
    };
    Kind m_Kind;
    float m_fT;
};

SphereMeeting MeetSphere(const ZEVector& center, float radius, const ZEVector& start, const ZEVector& move)
{
    ZEVector d = start - center;
    if (d.GetLength() <= radius)
        return {SphereMeeting::kStartsInside, 0.0f};
    float a = move.DotProduct(move);
    // A point outside the sphere that does not move never meets it.
    if (a == 0.0f)
        return {SphereMeeting::kMiss, 0.0f};
    float b = d.DotProduct(move);
    float q = d.DotProduct(d) - radius * radius;
    float disc = b * b - a * q;
    if (disc < 0.0f)
        return {SphereMeeting::kMiss, 0.0f};
    if (disc == 0.0f)
    {
        float t = -b / a;
        return t >= 0.0f && t <= 1.0f ? SphereMeeting{SphereMeeting::kMeets, t} : SphereMeeting{SphereMeeting::kMiss, 0.0f};
    }
    float root = ZESquareRoot(disc);
    float t1 = (-b - root) / a;
    if (t1 > 1.0f)
        return {SphereMeeting::kMiss, 0.0f};
    float t2 = (root - b) / a;
    // A segment that enters and ends inside touches where it enters; one
    // that passes through is reported where it leaves.
    if (t1 >= 0.0f)
        return {SphereMeeting::kMeets, t2 > 1.0f ? t1 : t2};
    // Only rounding puts a start judged outside between the two roots.
    return t2 >= 0.0f ? SphereMeeting{SphereMeeting::kStartsInside, 0.0f} : SphereMeeting{SphereMeeting::kMiss, 0.0f};
}

// The oriented box tests against another box: the centre distance must be
// strictly below the summed support radii. Boxes sharing a centre meet; the
// direction between them is undefined there.
bool SupportRadiiOverlap(const ZEBoundingVolume& a, const ZEBoundingVolume& b)
{
    ZEVector ca = a.GetCenter();
    ZEVector cb = b.GetCenter();
    float distance = (cb - ca).GetLength();
    if (distance == 0.0f)
        return true;
    return distance < a.GetMinimalDistance(cb) + b.GetMinimalDistance(ca);
}

// The same test decided, where it safely can be, without roots or
// divisions. For centres D apart (d = |D|) the exact test asks
// d < ra + rb, the support radii toward each other; d times a support
// radius is sum |D.A_i| h_i over an oriented box's axes A_i and half sizes
// h_i, or sum |D_j h_j| for an axis-aligned box, so the test compares d^2
// with those sums, in double precision. Float rounding in the exact test
// moves its two sides by about a millionth of the boxes' sizes; within a
// band a hundred times wider, or for extreme numbers (a tiny or huge
// distance, huge boxes, NaNs), the answer stays unsure and the exact test
// runs.
enum SureAnswer
{
    kSureNo,
    kSureYes,
    kUnsure
};

// d times the support radius toward D, and a bound on its terms' size.
struct SupportSum
{
    double m_dSum = 0.0;
    double m_dSize = 0.0;
};

void AddSupport(SupportSum& sum, const double (&d)[3], const ZEOBoundingBox& box)
{
    const ZEVector* axes[3] = {&box.GetXAxis(), &box.GetYAxis(), &box.GetZAxis()};
    const float half[3] = {box.m_vHalfSize.x, box.m_vHalfSize.y, box.m_vHalfSize.z};
    for (int i = 0; i < 3; ++i)
    {
        const ZEVector& a = *axes[i];
        sum.m_dSum += std::fabs(d[0] * a.x + d[1] * a.y + d[2] * a.z) * half[i];
        sum.m_dSize += std::fabs(half[i]) * (std::fabs(a.x) + std::fabs(a.y) + std::fabs(a.z));
    }
}

void AddSupport(SupportSum& sum, const double (&d)[3], const ZEAABoundingBox& box)
{
    ZEVector h = box.GetHalfSize();
    const float half[3] = {h.x, h.y, h.z};
    for (int j = 0; j < 3; ++j)
    {
        sum.m_dSum += std::fabs(d[j] * half[j]);
        sum.m_dSize += std::fabs(half[j]);
    }
}

template <class Other>
SureAnswer SureSupportOverlap(const ZEOBoundingBox& a, const Other& b)
{
    const ZEVector& ca = a.m_vCenter;
    const ZEVector& cb = b.m_vCenter;
    const double d[3] = {static_cast<double>(cb.x) - ca.x, static_cast<double>(cb.y) - ca.y,
                         static_cast<double>(cb.z) - ca.z};
    double d2 = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
    double l1 = std::fabs(d[0]) + std::fabs(d[1]) + std::fabs(d[2]);
    SupportSum sum;
    AddSupport(sum, d, a);
    AddSupport(sum, d, b);
    if (!(d2 >= 1e-20 && d2 <= 1e30 && sum.m_dSize <= 1e15))
        return kUnsure;
    double band = 1e-4 * (d2 + sum.m_dSize * l1) + 1e-30;
    if (d2 + band < sum.m_dSum)
        return kSureYes;
    if (d2 > sum.m_dSum + band)
        return kSureNo;
    return kUnsure;
}

template <class Other>
bool OrientedBoxMeets(const ZEOBoundingBox& a, const Other& b)
{
    SureAnswer sure = SureSupportOverlap(a, b);
    return sure == kUnsure ? SupportRadiiOverlap(a, b) : sure == kSureYes;
}

void ShiftBox(ZEAABoundingBox& box, const ZEVector& shift)
{
    box.m_vMin += shift;
    box.m_vMax += shift;
    box.m_vCenter += shift;
}

// e_i of the axis-aligned box's distance: how far d reaches past h.
float Excess(float d, float h)
{
    if (d <= -h)
        return d + h;
    if (d > h)
        return d - h;
    return 0.0f;
}

// A ray from the box's outside that lies beyond a slab and does not head
// back toward it misses.
bool LeavesSlab(float d, float h, float u)
{
    return std::fabs(d) > h && d * u >= 0.0f;
}

ZEMatrix3x3 EulerRotation(const ZEVector& degrees)
{
    ZEMatrix3x3 rx, ry, rz;
    rx.XRotationMatrixDeg(degrees.x);
    ry.YRotationMatrixDeg(degrees.y);
    rz.ZRotationMatrixDeg(degrees.z);
    return rz * ry * rx;
}

// The inverse of EulerRotation: Rx(-x) Ry(-y) Rz(-z).
ZEMatrix3x3 InverseEulerRotation(const ZEVector& degrees)
{
    ZEMatrix3x3 rx, ry, rz;
    rx.XRotationMatrixDeg(-degrees.x);
    ry.YRotationMatrixDeg(-degrees.y);
    rz.ZRotationMatrixDeg(-degrees.z);
    return rx * ry * rz;
}

// Oriented box faces: the three corners each plane is built through and
// the local outward axis it falls back to when those corners coincide.
const int kFaceCorners[6][3] = {{1, 3, 0}, {7, 6, 5}, {1, 0, 4}, {6, 7, 3}, {4, 0, 3}, {1, 5, 6}};
const float kFaceAxes[6][3] = {{0, 0, -1}, {0, 0, 1}, {0, 1, 0}, {0, -1, 0}, {-1, 0, 0}, {1, 0, 0}};

// The box's half size across face i (z for faces 0, 1; y for 2, 3; x for
// 4, 5).
float HalfSizeAcross(const ZEVector& halfSize, int face)
{
    return face < 2 ? halfSize.z : (face < 4 ? halfSize.y : halfSize.x);
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

bool ZEBoundingSphere::PutOnPlane(const ZEPlane& plane)
{
    double d = plane.Distance(m_vCenter);
    bool touched = m_fRadius >= std::fabs(d);
    m_vCenter += plane.m_vNormal * static_cast<float>(m_fRadius - d);
    return touched;
}

float ZEBoundingSphere::GetDistance(const ZEVector& point) const
{
    float outside = (point - m_vCenter).GetLength() - m_fRadius;
    return outside > 0.0f ? outside : 0.0f;
}

bool ZEBoundingSphere::InsideVolume(const ZEVector& point) const
{
    return GetDistance(point) == 0.0f;
}

float ZEBoundingSphere::GetMinimalDistance(const ZEVector&) const
{
    return m_fRadius;
}

bool ZEBoundingSphere::IntersectsVolume(const ZEVector& start, const ZEVector& move) const
{
    return MeetSphere(m_vCenter, m_fRadius, start, move).m_Kind != SphereMeeting::kMiss;
}

bool ZEBoundingSphere::IntersectsVolume(const ZEVector& start, const ZEVector& move, ZEVector& contact) const
{
    SphereMeeting meeting = MeetSphere(m_vCenter, m_fRadius, start, move);
    switch (meeting.m_Kind)
    {
    case SphereMeeting::kStartsInside:
        contact = start;
        return true;
    case SphereMeeting::kMeets:
        contact = start + move * meeting.m_fT;
        return true;
    case SphereMeeting::kMiss:
        break;
    }
    contact = start + move;
    return false;
}

bool ZEBoundingSphere::IntersectsVolume(const ZEPlane& plane) const
{
    return m_fRadius >= std::fabs(plane.Distance(m_vCenter));
}

bool ZEBoundingSphere::IntersectsVolume(const ZEBoundingVolume& other) const
{
    return other.IntersectsVolume(*this);
}

bool ZEBoundingSphere::IntersectsVolume(const ZEBoundingSphere& other) const
{
    return m_fRadius + other.m_fRadius >= (other.m_vCenter - m_vCenter).GetLength();
}

bool ZEBoundingSphere::IntersectsVolume(const ZEAABoundingBox& other) const
{
    return m_fRadius >= other.GetDistance(m_vCenter);
}

bool ZEBoundingSphere::IntersectsVolume(const ZEOBoundingBox& other) const
{
    return m_fRadius >= other.GetDistance(m_vCenter);
}

void ZEBoundingSphere::UpdateVolume(const ZEPolygon* polygon, bool wholeList)
{
    FitSphere(PolygonPoints(polygon, wholeList), m_vCenter, m_fRadius);
}

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

float ZEBoundingSphere::GetBoundingRadius() const
{
    return std::fabs(m_fRadius);
}

void ZEBoundingSphere::Update(const ZEVector* first, uint32_t count, uint32_t stride)
{
    FitSphere(StridedPoints(first, count, stride), m_vCenter, m_fRadius);
}

void ZEBoundingSphere::Update(const ZEVector* first, uint32_t stride, const uint16_t* indices, uint16_t count)
{
    FitSphere(IndexedPoints(first, stride, indices, count), m_vCenter, m_fRadius);
}

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

float ZEBoundingSphere::GetSupportRadius(const ZEVector&) const
{
    return m_fRadius;
}

// ---------------------------------------------------------------------------
// ZEAABoundingBox

ZEAABoundingBox::ZEAABoundingBox(const ZEVector& min, const ZEVector& max)
{
    SetData(min, max);
}

bool ZEAABoundingBox::PutOnPlane(const ZEPlane& plane)
{
    float support = GetSupportRadius(plane.m_vNormal);
    double d = plane.Distance(m_vCenter);
    bool touched = support >= std::fabs(d);
    ShiftBox(*this, plane.m_vNormal * static_cast<float>(support - d));
    return touched;
}

float ZEAABoundingBox::GetDistance(const ZEVector& point) const
{
    ZEVector d = point - m_vCenter;
    ZEVector h = GetHalfSize();
    return ZEVector(Excess(d.x, h.x), Excess(d.y, h.y), Excess(d.z, h.z)).GetLength();
}

bool ZEAABoundingBox::InsideVolume(const ZEVector& point) const
{
    return m_vMin.x <= point.x && point.x <= m_vMax.x && m_vMin.y <= point.y && point.y <= m_vMax.y &&
           m_vMin.z <= point.z && point.z <= m_vMax.z;
}

float ZEAABoundingBox::GetMinimalDistance(const ZEVector& point) const
{
    return GetSupportRadius((m_vCenter - point).UnitVector());
}

// A ray test: the separating axes are the three box axes and their cross
// products with the ray's direction. The move's length does not limit it.
bool ZEAABoundingBox::IntersectsVolume(const ZEVector& start, const ZEVector& move) const
{
    if (InsideVolume(start))
        return true;
    ZEVector u = move.UnitVector();
    ZEVector d = start - m_vCenter;
    ZEVector h = GetHalfSize();
    if (LeavesSlab(d.x, h.x, u.x) || LeavesSlab(d.y, h.y, u.y) || LeavesSlab(d.z, h.z, u.z))
        return false;
    ZEVector w = u.CrossProduct(d);
    ZEVector a(std::fabs(u.x), std::fabs(u.y), std::fabs(u.z));
    return std::fabs(w.x) <= h.y * a.z + h.z * a.y && std::fabs(w.y) <= h.x * a.z + h.z * a.x &&
           std::fabs(w.z) <= h.x * a.y + h.y * a.x;
}

// The nearest face crossing that lies on the box. When the ray meets the
// box beyond the segment's end no face is crossed; the contact is then the
// end and the answer still true.
bool ZEAABoundingBox::IntersectsVolume(const ZEVector& start, const ZEVector& move, ZEVector& contact) const
{
    if (!IntersectsVolume(start, move))
    {
        contact = start + move;
        return false;
    }
    if (InsideVolume(start))
    {
        contact = start;
        return true;
    }
    ZEPlane planes[6];
    GetFacePlanes(planes);
    ZEVector best = move;
    for (const ZEPlane& plane : planes)
    {
        ZEVector crossing;
        if (!ZESegmentCrossesPlane(plane, start, move, crossing) || !InsideVolume(crossing))
            continue;
        ZEVector reach = crossing - start;
        if (reach.GetLength() < best.GetLength())
            best = reach;
    }
    contact = start + best;
    return true;
}

bool ZEAABoundingBox::IntersectsVolume(const ZEPlane& plane) const
{
    return GetSupportRadius(plane.m_vNormal) >= std::fabs(plane.Distance(m_vCenter));
}

bool ZEAABoundingBox::IntersectsVolume(const ZEBoundingVolume& other) const
{
    return other.IntersectsVolume(*this);
}

bool ZEAABoundingBox::IntersectsVolume(const ZEBoundingSphere& other) const
{
    return other.m_fRadius >= GetDistance(other.m_vCenter);
}

bool ZEAABoundingBox::IntersectsVolume(const ZEAABoundingBox& other) const
{
    ZEVector gap = other.m_vCenter - m_vCenter;
    ZEVector reach = (m_vMax - m_vMin) * 0.5f + (other.m_vMax - other.m_vMin) * 0.5f;
    return std::fabs(gap.x) <= reach.x && std::fabs(gap.y) <= reach.y && std::fabs(gap.z) <= reach.z;
}

bool ZEAABoundingBox::IntersectsVolume(const ZEOBoundingBox& other) const
{
    return other.IntersectsVolume(*this);
}

void ZEAABoundingBox::UpdateVolume(const ZEPolygon* polygon, bool wholeList)
{
    *this = FitBox(PolygonPoints(polygon, wholeList));
}

float ZEAABoundingBox::GetVolume() const
{
    return (m_vMax.x - m_vMin.x) * (m_vMax.y - m_vMin.y) * (m_vMax.z - m_vMin.z);
}

void ZEAABoundingBox::SetCenter(const ZEVector& center)
{
    ShiftBox(*this, center - m_vCenter);
}

ZEVector ZEAABoundingBox::GetCenter() const
{
    return m_vCenter;
}

// The farther of the two corners, so a box whose fields were written
// without keeping the centre in the middle is still enclosed.
float ZEAABoundingBox::GetBoundingRadius() const
{
    ZEVector a = m_vMax - m_vCenter, b = m_vMin - m_vCenter;
    float toMax = a.x * a.x + a.y * a.y + a.z * a.z;
    float toMin = b.x * b.x + b.y * b.y + b.z * b.z;
    return std::sqrt(toMax > toMin ? toMax : toMin);
}

void ZEAABoundingBox::Update(const ZEVector* first, uint32_t count, uint32_t stride)
{
    *this = FitBox(StridedPoints(first, count, stride));
}

void ZEAABoundingBox::Update(const ZEVector* first, uint32_t stride, const uint16_t* indices, uint16_t count)
{
    *this = FitBox(IndexedPoints(first, stride, indices, count));
}

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

float ZEAABoundingBox::GetSupportRadius(const ZEVector& direction) const
{
    return BoxSupportRadius(direction, GetHalfSize());
}

// Axis normals with the distances of the box's faces: the same planes the
// corners span, without the rounding of normalising their edges, and still
// proper planes for a box of zero extent.
void ZEAABoundingBox::GetFacePlanes(ZEPlane planes[6]) const
{
    planes[0].SetPlane(ZEVector(0.0f, 0.0f, -1.0f), m_vMin.z);
    planes[1].SetPlane(ZEVector(0.0f, 0.0f, 1.0f), -m_vMax.z);
    planes[2].SetPlane(ZEVector(0.0f, 1.0f, 0.0f), -m_vMax.y);
    planes[3].SetPlane(ZEVector(0.0f, -1.0f, 0.0f), m_vMin.y);
    planes[4].SetPlane(ZEVector(-1.0f, 0.0f, 0.0f), m_vMin.x);
    planes[5].SetPlane(ZEVector(1.0f, 0.0f, 0.0f), -m_vMax.x);
}

// ---------------------------------------------------------------------------
// ZEOBoundingBox

bool ZEOBoundingBox::PutOnPlane(const ZEPlane& plane)
{
    return PutOnPlane(plane, false);
}

// The part of the centre-to-point segment outside the box: the segment is
// cut back at every face it crosses. A face through the centre (zero half
// size across it) cuts a segment heading out through it down to nothing.
float ZEOBoundingBox::GetDistance(const ZEVector& point) const
{
    ZEVector v = point - m_vCenter;
    for (int face = 0; face < 6; ++face)
    {
        const ZEPlane& plane = m_aPlanes[face];
        ZEVector crossing;
        if (ZESegmentCrossesPlane(plane, m_vCenter, v, crossing))
            v = crossing - m_vCenter;
        else if (HalfSizeAcross(m_vHalfSize, face) == 0.0f && plane.m_vNormal.DotProduct(v) >= kParallel)
            v = ZEVector();
    }
    float outside = (point - m_vCenter).GetLength() - v.GetLength();
    return outside > 0.0f ? outside : 0.0f;
}

bool ZEOBoundingBox::InsideVolume(const ZEVector& point) const
{
    for (const ZEPlane& plane : m_aPlanes)
        if (!(plane.Distance(point) <= 0.0))
            return false;
    return true;
}

float ZEOBoundingBox::GetMinimalDistance(const ZEVector& point) const
{
    return GetSupportRadius((m_vCenter - point).UnitVector());
}

bool ZEOBoundingBox::IntersectsVolume(const ZEVector& start, const ZEVector& move) const
{
    if (InsideVolume(start))
        return true;
    for (const ZEPlane& plane : m_aPlanes)
    {
        ZEVector crossing;
        if (ZESegmentCrossesPlane(plane, start, move, crossing) && GetDistance(crossing) < kOnBox)
            return true;
    }
    return false;
}

// Every face is tried in order; each contact on the box shortens the
// segment, so a later face only replaces it with a nearer one.
bool ZEOBoundingBox::IntersectsVolume(const ZEVector& start, const ZEVector& move, ZEVector& contact) const
{
    if (InsideVolume(start))
    {
        contact = start;
        return true;
    }
    bool hit = false;
    ZEVector reach = move;
    for (const ZEPlane& plane : m_aPlanes)
    {
        ZEVector crossing;
        if (!ZESegmentCrossesPlane(plane, start, reach, crossing) || !(GetDistance(crossing) < kOnBox))
            continue;
        contact = crossing;
        reach = crossing - start;
        hit = true;
    }
    return hit;
}

bool ZEOBoundingBox::IntersectsVolume(const ZEPlane& plane) const
{
    return GetSupportRadius(plane.m_vNormal) >= std::fabs(plane.Distance(m_vCenter));
}

bool ZEOBoundingBox::IntersectsVolume(const ZEBoundingVolume& other) const
{
    return other.IntersectsVolume(*this);
}

bool ZEOBoundingBox::IntersectsVolume(const ZEBoundingSphere& other) const
{
    return other.m_fRadius >= GetDistance(other.m_vCenter);
}

bool ZEOBoundingBox::IntersectsVolume(const ZEAABoundingBox& other) const
{
    return OrientedBoxMeets(*this, other);
}

bool ZEOBoundingBox::IntersectsVolume(const ZEOBoundingBox& other) const
{
    return OrientedBoxMeets(*this, other);
}

void ZEOBoundingBox::UpdateVolume(const ZEPolygon* polygon, bool wholeList)
{
    ZEAABoundingBox box = FitBox(PolygonPoints(polygon, wholeList));
    SetData(&box);
}

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

float ZEOBoundingBox::GetBoundingRadius() const
{
    return m_vHalfSize.GetLength();
}

void ZEOBoundingBox::Update(const ZEVector* first, uint32_t count, uint32_t stride)
{
    ZEAABoundingBox box = FitBox(StridedPoints(first, count, stride));
    SetData(&box);
}

void ZEOBoundingBox::Update(const ZEVector* first, uint32_t stride, const uint16_t* indices, uint16_t count)
{
    ZEAABoundingBox box = FitBox(IndexedPoints(first, stride, indices, count));
    SetData(&box);
}

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

// Pushed along the normal to rest on the front side at its support radius.
// With align, a box on an upward-facing plane also turns its y axis toward
// the normal: the turn (axis k, angle A) is taken into the box's own frame
// and subtracted from the Euler angles.
bool ZEOBoundingBox::PutOnPlane(const ZEPlane& plane, bool align)
{
    const ZEVector& n = plane.m_vNormal;
    float support = GetSupportRadius(n);
    double d = plane.Distance(m_vCenter);
    bool touched = support >= std::fabs(d);
    m_vPosition += n * static_cast<float>(support - d);

    float cosA = n.DotProduct(GetYAxis());
    if (align && n.y > 0.0f && cosA > 0.0f && cosA < 0.99999f)
    {
        ZEVector k = n.CrossProduct(GetYAxis()).UnitVector();
        float angle = ZEACosDeg(cosA);
        m_vRotation -= InverseEulerRotation(m_vRotation) * (k * angle);
    }
    Rebuild();
    return touched;
}

void ZEOBoundingBox::Rebuild()
{
    if (!m_Frame.Holds(m_vRotation, m_vHalfSize, m_vLocalCenter))
        BuildFrame();

    m_vCenter = m_vPosition + m_Frame.m_vCenterOffset;
    for (int i = 0; i < 8; ++i)
        m_avCorners[i] = m_vPosition + m_Frame.m_avCornerOffsets[i];

    for (int face = 0; face < 6; ++face)
    {
        const int* corner = kFaceCorners[face];
        ZEPlane& plane = m_aPlanes[face];
        plane.SetPlane(m_avCorners[corner[0]], m_avCorners[corner[1]], m_avCorners[corner[2]]);
        if (plane.m_vNormal != ZEVector())
            continue;
        // The corners coincide or line up: a zero half size. The face keeps
        // its outward axis so the box stays a flat box.
        const float* axis = kFaceAxes[face];
        ZEVector normal = (m_Frame.m_Rotation * ZEVector(axis[0], axis[1], axis[2])).UnitVector();
        plane.SetPlane(normal, -static_cast<double>(m_avCorners[corner[2]].DotProduct(normal)));
    }
}

// Normalises the angles and derives the rotation and the offsets of the
// centre and the corners from the box's position.
void ZEOBoundingBox::BuildFrame()
{
    m_vRotation = ZEVector(NormalizedAngle(m_vRotation.x), NormalizedAngle(m_vRotation.y),
                           NormalizedAngle(m_vRotation.z));
    Frame& frame = m_Frame;
    frame.m_Rotation = EulerRotation(m_vRotation);
    frame.m_vCenterOffset = frame.m_Rotation * m_vLocalCenter;
    const ZEVector& h = m_vHalfSize;
    const ZEVector local[8] = {
        ZEVector(-h.x, h.y, -h.z), ZEVector(h.x, h.y, -h.z), ZEVector(h.x, -h.y, -h.z), ZEVector(-h.x, -h.y, -h.z),
        ZEVector(-h.x, h.y, h.z),  ZEVector(h.x, h.y, h.z),  ZEVector(h.x, -h.y, h.z),  ZEVector(-h.x, -h.y, h.z)};
    for (int i = 0; i < 8; ++i)
        frame.m_avCornerOffsets[i] = frame.m_Rotation * (local[i] + m_vLocalCenter);
    frame.m_vRotation = m_vRotation;
    frame.m_vHalfSize = m_vHalfSize;
    frame.m_vLocalCenter = m_vLocalCenter;
    frame.m_bValid = true;
}

// Bit for bit: -0 and 0 give different signs in the rotation, and a NaN
// never equals itself.
bool ZEOBoundingBox::Frame::Holds(const ZEVector& rotation, const ZEVector& halfSize,
                                  const ZEVector& localCenter) const
{
    return m_bValid && std::memcmp(&m_vRotation, &rotation, sizeof(ZEVector)) == 0 &&
           std::memcmp(&m_vHalfSize, &halfSize, sizeof(ZEVector)) == 0 &&
           std::memcmp(&m_vLocalCenter, &localCenter, sizeof(ZEVector)) == 0;
}

float ZEOBoundingBox::GetSupportRadius(const ZEVector& direction) const
{
    return std::fabs(direction.DotProduct(GetXAxis())) * m_vHalfSize.x +
           std::fabs(direction.DotProduct(GetYAxis())) * m_vHalfSize.y +
           std::fabs(direction.DotProduct(GetZAxis())) * m_vHalfSize.z;
}
