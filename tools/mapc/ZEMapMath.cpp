#include "ZEMapMath.h"

#include <algorithm>

namespace
{
// Corners closer than this are one corner.
const double kSameCorner = 1e-6;
// Ground regions thinner than this area are dropped as slivers.
const double kSliverArea = 1e-3;

ZEMapSide SideOf(double distance, double tolerance)
{
    if (distance > tolerance)
        return ZE_MAP_FRONT;
    if (distance < -tolerance)
        return ZE_MAP_BACK;
    return ZE_MAP_ON;
}

ZEMapVertex Between(const ZEMapVertex& a, const ZEMapVertex& b, double t)
{
    ZEMapVertex r;
    r.p = a.p + (b.p - a.p) * t;
    r.u = a.u + (b.u - a.u) * t;
    r.v = a.v + (b.v - a.v) * t;
    return r;
}

double SignedArea2(const ZEMapRegion& region)
{
    double sum = 0.0;
    for (size_t i = 0; i < region.size(); ++i)
    {
        const ZEMapVec2& a = region[i];
        const ZEMapVec2& b = region[(i + 1) % region.size()];
        sum += a.x * b.z - b.x * a.z;
    }
    return sum;
}

// The part of the convex region where side(q) >= 0.
ZEMapRegion ClipHalf(const ZEMapRegion& region, const ZEMapVec2& a, const ZEMapVec2& b, double sign)
{
    ZEMapRegion out;
    auto side = [&](const ZEMapVec2& q) { return sign * (b - a).CrossY(q - a); };
    for (size_t i = 0; i < region.size(); ++i)
    {
        const ZEMapVec2& p = region[i];
        const ZEMapVec2& q = region[(i + 1) % region.size()];
        double sp = side(p), sq = side(q);
        if (sp >= 0.0)
            out.push_back(p);
        if ((sp > 0.0 && sq < 0.0) || (sp < 0.0 && sq > 0.0))
            out.push_back(p + (q - p) * (sp / (sp - sq)));
    }
    return out;
}

ZEMapVec2 RegionCentre(const ZEMapRegion& region)
{
    ZEMapVec2 sum;
    for (const ZEMapVec2& p : region)
        sum = sum + p;
    return region.empty() ? sum : sum * (1.0 / static_cast<double>(region.size()));
}

bool Near(const ZEMapVec2& a, const ZEMapVec2& b)
{
    return std::fabs(a.x - b.x) < kSameCorner && std::fabs(a.z - b.z) < kSameCorner;
}

// Drops repeated corners and corners on the line of their neighbours.
void Simplify(ZEMapRegion& region)
{
    bool changed = true;
    while (changed && region.size() >= 3)
    {
        changed = false;
        for (size_t i = 0; i < region.size(); ++i)
        {
            const ZEMapVec2& prev = region[(i + region.size() - 1) % region.size()];
            const ZEMapVec2& here = region[i];
            const ZEMapVec2& next = region[(i + 1) % region.size()];
            double cross = (here - prev).CrossY(next - here);
            double scale = (here - prev).Length() * (next - here).Length();
            if (Near(prev, here) || std::fabs(cross) <= 1e-9 * std::max(scale, 1e-12))
            {
                region.erase(region.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
                break;
            }
        }
    }
}

bool IsConvex(const ZEMapRegion& region)
{
    double sign = 0.0;
    for (size_t i = 0; i < region.size(); ++i)
    {
        const ZEMapVec2& a = region[i];
        const ZEMapVec2& b = region[(i + 1) % region.size()];
        const ZEMapVec2& c = region[(i + 2) % region.size()];
        double cross = (b - a).CrossY(c - b);
        if (std::fabs(cross) < 1e-9)
            continue;
        if (sign == 0.0)
            sign = cross;
        else if ((cross > 0.0) != (sign > 0.0))
            return false;
    }
    return true;
}

// The union of two regions meeting along the edge a[i]->a[i+1] ==
// b[j+1]->b[j], or empty when they do not meet so.
ZEMapRegion JoinAlongEdge(const ZEMapRegion& a, const ZEMapRegion& b)
{
    for (size_t i = 0; i < a.size(); ++i)
    {
        const ZEMapVec2& p = a[i];
        const ZEMapVec2& q = a[(i + 1) % a.size()];
        for (size_t j = 0; j < b.size(); ++j)
        {
            if (!Near(b[j], q) || !Near(b[(j + 1) % b.size()], p))
                continue;
            ZEMapRegion joined;
            for (size_t k = 0; k < a.size(); ++k)
                joined.push_back(a[(i + 1 + k) % a.size()]);         // q ... p
            for (size_t k = 2; k < b.size(); ++k)
                joined.push_back(b[(j + k) % b.size()]);             // after p ... before q
            return joined;
        }
    }
    return ZEMapRegion();
}
}

bool ZEMapPlane::SameAs(const ZEMapPlane& other) const
{
    return std::fabs(m_dDistance - other.m_dDistance) < ZE_MAP_ON_PLANE &&
           (m_vNormal - other.m_vNormal).Length() < 1e-6;
}

bool ZEMapPolygon::UpdatePlane()
{
    ZEMapVec3 normal;
    ZEMapVec3 centre;
    for (size_t i = 0; i < m_aVertices.size(); ++i)
    {
        const ZEMapVec3& a = m_aVertices[i].p;
        const ZEMapVec3& b = m_aVertices[(i + 1) % m_aVertices.size()].p;
        normal.x += (a.y - b.y) * (a.z + b.z);
        normal.y += (a.z - b.z) * (a.x + b.x);
        normal.z += (a.x - b.x) * (a.y + b.y);
        centre += a;
    }
    if (m_aVertices.size() < 3 || normal.Length() <= 1e-12)
        return false;
    centre = centre * (1.0 / static_cast<double>(m_aVertices.size()));
    m_Plane.m_vNormal = normal.Unit();
    m_Plane.m_dDistance = -m_Plane.m_vNormal.Dot(centre);
    return true;
}

void ZEMapPolygon::FaceTowards(const ZEMapVec3& front)
{
    UpdatePlane();
    if (m_Plane.m_vNormal.Dot(front) < 0.0)
    {
        std::reverse(m_aVertices.begin(), m_aVertices.end());
        UpdatePlane();
    }
}

double ZEMapPolygon::Area() const
{
    ZEMapVec3 sum;
    for (size_t i = 1; i + 1 < m_aVertices.size(); ++i)
        sum += (m_aVertices[i].p - m_aVertices[0].p).Cross(m_aVertices[i + 1].p - m_aVertices[0].p);
    return 0.5 * sum.Length();
}

ZEMapVec3 ZEMapPolygon::Centroid() const
{
    ZEMapVec3 sum;
    for (const ZEMapVertex& vertex : m_aVertices)
        sum += vertex.p;
    return m_aVertices.empty() ? sum : sum * (1.0 / static_cast<double>(m_aVertices.size()));
}

ZEMapSide ZEMapPolygon::Classify(const ZEMapPlane& plane, double tolerance) const
{
    bool front = false, back = false;
    for (const ZEMapVertex& vertex : m_aVertices)
    {
        ZEMapSide side = SideOf(plane.Distance(vertex.p), tolerance);
        front = front || side == ZE_MAP_FRONT;
        back = back || side == ZE_MAP_BACK;
    }
    if (front && back)
        return ZE_MAP_SPANNING;
    if (front)
        return ZE_MAP_FRONT;
    if (back)
        return ZE_MAP_BACK;
    return ZE_MAP_ON;
}

void ZEMapPolygon::Split(const ZEMapPlane& plane, ZEMapPolygon& front, ZEMapPolygon& back) const
{
    front = *this;
    back = *this;
    front.m_aVertices.clear();
    back.m_aVertices.clear();
    size_t count = m_aVertices.size();
    for (size_t i = 0; i < count; ++i)
    {
        const ZEMapVertex& a = m_aVertices[i];
        const ZEMapVertex& b = m_aVertices[(i + 1) % count];
        double da = plane.Distance(a.p), db = plane.Distance(b.p);
        ZEMapSide sa = SideOf(da, ZE_MAP_ON_PLANE), sb = SideOf(db, ZE_MAP_ON_PLANE);
        if (sa != ZE_MAP_BACK)
            front.m_aVertices.push_back(a);
        if (sa != ZE_MAP_FRONT)
            back.m_aVertices.push_back(a);
        if ((sa == ZE_MAP_FRONT && sb == ZE_MAP_BACK) || (sa == ZE_MAP_BACK && sb == ZE_MAP_FRONT))
        {
            ZEMapVertex cut = Between(a, b, da / (da - db));
            front.m_aVertices.push_back(cut);
            back.m_aVertices.push_back(cut);
        }
    }
    front.RemoveDegenerateCorners();
    back.RemoveDegenerateCorners();
    if (!front.IsUsable())
        front.m_aVertices.clear();
    if (!back.IsUsable())
        back.m_aVertices.clear();
}

void ZEMapPolygon::RemoveDegenerateCorners()
{
    bool changed = true;
    while (changed && m_aVertices.size() >= 3)
    {
        changed = false;
        size_t count = m_aVertices.size();
        for (size_t i = 0; i < count; ++i)
        {
            const ZEMapVec3& prev = m_aVertices[(i + count - 1) % count].p;
            const ZEMapVec3& here = m_aVertices[i].p;
            const ZEMapVec3& next = m_aVertices[(i + 1) % count].p;
            ZEMapVec3 in = here - prev, out = next - here;
            bool repeated = in.Length() < kSameCorner;
            bool straight = in.Cross(out).Length() <= 1e-9 * std::max(in.Length() * out.Length(), 1e-12);
            if (repeated || straight)
            {
                m_aVertices.erase(m_aVertices.begin() + static_cast<std::ptrdiff_t>(i));
                changed = true;
                break;
            }
        }
    }
}

void ZEMapProjectTexture(ZEMapPolygon& polygon, const ZEMapVec3& uAxis, const ZEMapVec3& vAxis)
{
    for (ZEMapVertex& vertex : polygon.m_aVertices)
    {
        vertex.u = vertex.p.Dot(uAxis);
        vertex.v = vertex.p.Dot(vAxis);
    }
}

void ZEMapPlaneAxes(const ZEMapVec3& n, ZEMapVec3& right, ZEMapVec3& up)
{
    if (std::fabs(n.y) > 0.999)
    {
        // Floors and ceilings: x across, z along, whatever way they face.
        right = ZEMapVec3(1.0, 0.0, 0.0);
        up = ZEMapVec3(0.0, 0.0, 1.0);
        right = (right - n * n.Dot(right)).Unit();
        up = (up - n * n.Dot(up) - right * right.Dot(up)).Unit();
        return;
    }
    right = ZEMapVec3(0.0, 1.0, 0.0).Cross(n).Unit();
    up = n.Cross(right).Unit();
    if (up.y < 0.0)
        up = -up;
}

ZEMapPolygon ZEMapMakePolygon(const std::vector<ZEMapVec3>& corners, const ZEMapVec3& front)
{
    ZEMapPolygon polygon;
    for (const ZEMapVec3& corner : corners)
    {
        ZEMapVertex vertex;
        vertex.p = corner;
        polygon.m_aVertices.push_back(vertex);
    }
    polygon.RemoveDegenerateCorners();
    polygon.FaceTowards(front);
    return polygon;
}

double ZEMapSegmentDistance(const ZEMapVec2& p, const ZEMapVec2& a, const ZEMapVec2& b)
{
    ZEMapVec2 ab = b - a;
    double length2 = ab.Dot(ab);
    double t = length2 > 0.0 ? std::clamp((p - a).Dot(ab) / length2, 0.0, 1.0) : 0.0;
    return (p - (a + ab * t)).Length();
}

double ZEMapRegionArea(const ZEMapRegion& region)
{
    return 0.5 * std::fabs(SignedArea2(region));
}

std::vector<ZEMapRegion> ZEMapSubtract(const ZEMapRegion& piece, const ZEMapRegion& hole)
{
    std::vector<ZEMapRegion> outside;
    if (ZEMapOverlapArea(piece, hole) <= kSliverArea)
    {
        outside.push_back(piece);
        return outside;
    }
    ZEMapVec2 centre = RegionCentre(hole);
    ZEMapRegion remaining = piece;
    for (size_t i = 0; i < hole.size() && remaining.size() >= 3; ++i)
    {
        const ZEMapVec2& a = hole[i];
        const ZEMapVec2& b = hole[(i + 1) % hole.size()];
        double inner = (b - a).CrossY(centre - a) >= 0.0 ? 1.0 : -1.0;
        ZEMapRegion out = ClipHalf(remaining, a, b, -inner);
        Simplify(out);
        if (out.size() >= 3 && ZEMapRegionArea(out) > kSliverArea)
            outside.push_back(out);
        remaining = ClipHalf(remaining, a, b, inner);
        Simplify(remaining);
    }
    return outside;
}

ZEMapRegion ZEMapIntersect(const ZEMapRegion& a, const ZEMapRegion& b)
{
    ZEMapVec2 centre = RegionCentre(b);
    ZEMapRegion inside = a;
    for (size_t i = 0; i < b.size() && inside.size() >= 3; ++i)
    {
        const ZEMapVec2& p = b[i];
        const ZEMapVec2& q = b[(i + 1) % b.size()];
        double inner = (q - p).CrossY(centre - p) >= 0.0 ? 1.0 : -1.0;
        inside = ClipHalf(inside, p, q, inner);
    }
    Simplify(inside);
    return inside.size() >= 3 ? inside : ZEMapRegion();
}

double ZEMapOverlapArea(const ZEMapRegion& a, const ZEMapRegion& b)
{
    ZEMapRegion inside = ZEMapIntersect(a, b);
    return inside.empty() ? 0.0 : ZEMapRegionArea(inside);
}

void ZEMapMergeRegions(std::vector<ZEMapRegion>& regions)
{
    bool merged = true;
    while (merged)
    {
        merged = false;
        for (size_t i = 0; i < regions.size() && !merged; ++i)
            for (size_t j = i + 1; j < regions.size() && !merged; ++j)
            {
                if ((SignedArea2(regions[i]) > 0.0) != (SignedArea2(regions[j]) > 0.0))
                    continue;
                ZEMapRegion joined = JoinAlongEdge(regions[i], regions[j]);
                if (joined.empty())
                    continue;
                Simplify(joined);
                if (joined.size() < 3 || !IsConvex(joined))
                    continue;
                regions[i] = joined;
                regions.erase(regions.begin() + static_cast<std::ptrdiff_t>(j));
                merged = true;
            }
    }
}
