#include "ZEMapLighting.h"

#include "math/ZEAABBTree.h"
#include "math/ZEPolygon.h"
#include "math/ZEVector.h"

#include <algorithm>
#include <cmath>

namespace
{
const double kPi = 3.14159265358979323846;
// Texels are lit from this far in front of their face, so a ray never
// starts inside the face it leaves.
const double kLift = 0.5;
// A texel outside the outline is lit from this far inside it.
const double kInset = 0.5;
// A spot light reaches this many degrees beyond its half cone, as the
// engine's cone test does.
const double kConeTolerance = 3.5;

ZEVector ToVector(const ZEMapVec3& p)
{
    return ZEVector(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}

struct Outline
{
    std::vector<ZEMapVec2> m_avCorners;   // (u, v) on the plane
    ZEMapVec2 m_vCentre;

    bool Contains(const ZEMapVec2& q) const
    {
        double sign = 0.0;
        for (size_t i = 0; i < m_avCorners.size(); ++i)
        {
            const ZEMapVec2& a = m_avCorners[i];
            const ZEMapVec2& b = m_avCorners[(i + 1) % m_avCorners.size()];
            double side = (b - a).CrossY(q - a);
            if (std::fabs(side) < 1e-9)
                continue;
            if (sign == 0.0)
                sign = side;
            else if ((side > 0.0) != (sign > 0.0))
                return false;
        }
        return true;
    }

    // The nearest point of the outline, a little way inside.
    ZEMapVec2 Pull(const ZEMapVec2& q) const
    {
        if (Contains(q))
            return q;
        ZEMapVec2 best = m_vCentre;
        double bestDistance = 1e300;
        for (size_t i = 0; i < m_avCorners.size(); ++i)
        {
            const ZEMapVec2& a = m_avCorners[i];
            const ZEMapVec2& b = m_avCorners[(i + 1) % m_avCorners.size()];
            ZEMapVec2 ab = b - a;
            double t = std::clamp((q - a).Dot(ab) / std::max(ab.Dot(ab), 1e-12), 0.0, 1.0);
            ZEMapVec2 p = a + ab * t;
            double distance = (q - p).Length();
            if (distance < bestDistance)
            {
                bestDistance = distance;
                best = p;
            }
        }
        ZEMapVec2 inwards = m_vCentre - best;
        double room = inwards.Length();
        return best + inwards.Unit() * std::min(kInset, 0.5 * room);
    }
};

// The parts' plane axes and their extent on them, filled into a lightmap;
// the parts' outlines on the plane.
std::vector<Outline> Measure(const std::vector<const ZEMapPolygon*>& parts, ZEMapLightmap& map)
{
    ZEMapPlaneAxes(parts[0]->m_Plane.m_vNormal, map.m_vRight, map.m_vUp);
    std::vector<Outline> outlines;
    double u1 = -1e300, v1 = -1e300;
    map.m_dU0 = map.m_dV0 = 1e300;
    for (const ZEMapPolygon* part : parts)
    {
        Outline outline;
        for (const ZEMapVertex& vertex : part->m_aVertices)
        {
            ZEMapVec2 q(vertex.p.Dot(map.m_vRight), vertex.p.Dot(map.m_vUp));
            outline.m_avCorners.push_back(q);
            outline.m_vCentre = outline.m_vCentre + q;
            map.m_dU0 = std::min(map.m_dU0, q.x);
            map.m_dV0 = std::min(map.m_dV0, q.z);
            u1 = std::max(u1, q.x);
            v1 = std::max(v1, q.z);
        }
        if (!outline.m_avCorners.empty())
            outline.m_vCentre = outline.m_vCentre * (1.0 / static_cast<double>(outline.m_avCorners.size()));
        outlines.push_back(outline);
    }
    map.m_dUSpan = std::max(u1 - map.m_dU0, 1e-6);
    map.m_dVSpan = std::max(v1 - map.m_dV0, 1e-6);
    return outlines;
}

// The point of the outlines nearest to q, a little inside the nearest one.
ZEMapVec2 PullInto(const std::vector<Outline>& outlines, const ZEMapVec2& q)
{
    ZEMapVec2 best = q;
    double bestDistance = 1e300;
    for (const Outline& outline : outlines)
    {
        if (outline.Contains(q))
            return q;
        ZEMapVec2 p = outline.Pull(q);
        double distance = (p - q).Length();
        if (distance < bestDistance)
        {
            bestDistance = distance;
            best = p;
        }
    }
    return best;
}
}

void ZEMapLightmap::Coords(const ZEMapVec3& p, float& lu, float& lv) const
{
    double u = (p.Dot(m_vRight) - m_dU0) / m_dUSpan;
    double v = (p.Dot(m_vUp) - m_dV0) / m_dVSpan;
    lu = static_cast<float>((0.5 + u * (m_usWidth - 1)) / m_usWidth);
    lv = static_cast<float>((0.5 + v * (m_usHeight - 1)) / m_usHeight);
}

ZEMapLightmap ZEMapLightmap::Uniform(const ZEMapPolygon& face, uint16_t width, uint16_t height, uint8_t value)
{
    ZEMapLightmap map;
    Measure({&face}, map);
    map.m_usWidth = width;
    map.m_usHeight = height;
    map.m_aucTexels.assign(static_cast<size_t>(width) * height, value);
    return map;
}

ZEMapLighting::ZEMapLighting() = default;

ZEMapLighting::~ZEMapLighting()
{
    delete m_pTree;
}

void ZEMapLighting::Prepare(const ZEMapDescription& description, const ZEMapTrack& track,
                            const std::vector<ZEMapPolygon>& casters)
{
    m_dAmbient = description.m_Lights.m_dAmbient;
    m_dSun = description.m_Lights.m_dSun;
    m_vSunDirection = description.m_Lights.m_vSunDirection.Unit();
    m_dTexel = description.m_Settings.m_dLightmapTexel;
    m_usMaxSide = description.m_Settings.m_usLightmapMax;
    m_aLamps.clear();
    for (const ZEMapLamp& source : description.m_aLamps)
    {
        Lamp lamp;
        lamp.m_vPosition = track.Resolve(source.m_Place);
        lamp.m_dIntensity = source.m_dIntensity;
        lamp.m_dRange = source.m_dRange;
        lamp.m_bAttenuation = source.m_bAttenuation;
        lamp.m_bSpot = source.m_bSpot;
        lamp.m_vDirection = source.m_vDirection.Unit();
        double half = std::min(180.0, source.m_usCone * 0.5 + kConeTolerance);
        lamp.m_dCosHalfCone = std::cos(half * kPi / 180.0);
        m_aLamps.push_back(lamp);
    }

    ZEPolygon* list = nullptr;
    ZEMapVec3 lo(1e300, 1e300, 1e300), hi(-1e300, -1e300, -1e300);
    for (const ZEMapPolygon& caster : casters)
    {
        if (!caster.m_bCastsShadow || caster.m_ucOpacity < 255 || caster.m_aVertices.size() < 3)
            continue;
        size_t count = caster.m_aVertices.size();
        ZEPolygon* polygon = new ZEPolygon();
        polygon->m_usNumVertices = static_cast<uint16_t>(count);
        polygon->m_pVertices = new ZEVertex[count];
        for (size_t i = 0; i < count; ++i)
        {
            const ZEMapVec3& p = caster.m_aVertices[i].p;
            polygon->m_pVertices[i] = ZEVertex{float(p.x), float(p.y), float(p.z), 0.0f, 0.0f};
            lo = ZEMapVec3(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
            hi = ZEMapVec3(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
        }
        polygon->m_usNumIndices = static_cast<uint16_t>(3 * (count - 2));
        polygon->m_pusIndices = new uint16_t[polygon->m_usNumIndices];
        for (size_t t = 0; t + 2 < count; ++t)
        {
            polygon->m_pusIndices[3 * t] = 0;
            polygon->m_pusIndices[3 * t + 1] = static_cast<uint16_t>(t + 1);
            polygon->m_pusIndices[3 * t + 2] = static_cast<uint16_t>(t + 2);
        }
        polygon->Update();
        polygon->m_pNext = list;
        list = polygon;
    }
    delete m_pTree;
    m_pTree = new ZEAABBTreeNode(list);
    m_dSunReach = list ? 2.0 * (hi - lo).Length() + 1000.0 : 1000.0;
    m_dTop = list ? hi.y : 0.0;
}

uint16_t ZEMapLighting::SideFor(double extent) const
{
    double wanted = extent / m_dTexel + 1.0;
    uint16_t side = 4;
    // The nearest power of two, measured by ratio.
    while (side < m_usMaxSide && side * 1.41421356 < wanted)
        side = static_cast<uint16_t>(side * 2);
    return side;
}

bool ZEMapLighting::Blocked(const ZEMapVec3& from, const ZEMapVec3& to)
{
    ++m_ullRays;
    ZEVector start = ToVector(from);
    ZEVector move = ToVector(to - from);
    return m_pTree && m_pTree->Clips(start, move);
}

double ZEMapLighting::LightAt(const ZEMapVec3& point, const ZEMapVec3& normal)
{
    double light = m_dAmbient;
    double facing = -normal.Dot(m_vSunDirection);
    if (m_dSun > 0.0 && facing > 0.0)
    {
        // Nothing stands above the highest caster: the ray can stop there.
        double rise = -m_vSunDirection.y;
        double reach = rise > 1e-3 ? std::min(m_dSunReach, (m_dTop - point.y) / rise + 1.0) : m_dSunReach;
        if (reach <= 0.0 || !Blocked(point, point - m_vSunDirection * reach))
            light += m_dSun * facing;
    }
    for (const Lamp& lamp : m_aLamps)
    {
        ZEMapVec3 towards = lamp.m_vPosition - point;
        double distance = towards.Length();
        if (distance >= lamp.m_dRange || distance < 1e-6)
            continue;
        ZEMapVec3 unit = towards * (1.0 / distance);
        double cosine = normal.Dot(unit);
        if (cosine <= 0.0)
            continue;
        if (lamp.m_bSpot && lamp.m_vDirection.Dot(-unit) < lamp.m_dCosHalfCone)
            continue;
        double fade = lamp.m_bAttenuation ? 1.0 - distance / lamp.m_dRange : 1.0;
        // Stop short of the lamp, so its own fitting does not shade it.
        if (Blocked(point, lamp.m_vPosition - unit * std::min(1.0, 0.5 * distance)))
            continue;
        light += lamp.m_dIntensity * cosine * fade;
    }
    return std::clamp(light, 0.0, 1.0);
}

ZEMapLightmap ZEMapLighting::Bake(const ZEMapPolygon& face)
{
    return Bake(std::vector<const ZEMapPolygon*>{&face});
}

ZEMapLightmap ZEMapLighting::Bake(const std::vector<const ZEMapPolygon*>& parts)
{
    ZEMapLightmap map;
    std::vector<Outline> outlines = Measure(parts, map);
    map.m_usWidth = SideFor(map.m_dUSpan);
    map.m_usHeight = SideFor(map.m_dVSpan);
    map.m_aucTexels.resize(static_cast<size_t>(map.m_usWidth) * map.m_usHeight);
    const ZEMapPlane& plane = parts[0]->m_Plane;
    const ZEMapVec3& n = plane.m_vNormal;
    ZEMapVec3 origin = n * -plane.m_dDistance + n * kLift;
    for (uint16_t j = 0; j < map.m_usHeight; ++j)
        for (uint16_t i = 0; i < map.m_usWidth; ++i)
        {
            ZEMapVec2 q(map.m_dU0 + map.m_dUSpan * i / (map.m_usWidth - 1),
                        map.m_dV0 + map.m_dVSpan * j / (map.m_usHeight - 1));
            q = PullInto(outlines, q);
            ZEMapVec3 point = origin + map.m_vRight * q.x + map.m_vUp * q.z;
            double light = LightAt(point, n);
            map.m_aucTexels[static_cast<size_t>(j) * map.m_usWidth + i] =
                static_cast<uint8_t>(std::lround(light * 255.0));
        }
    m_ullTexels += map.m_aucTexels.size();
    return map;
}
