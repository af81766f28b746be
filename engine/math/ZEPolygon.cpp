#include "math/ZEPolygon.h"

#include "math/ZECollision.h"
#include "math/ZEMath.h"
#include "render/ZEDecal.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"

#include <algorithm>
#include <cmath>

ZE_IMPLEMENT_ROOT_RTTI(ZEPolygon);

namespace
{
// The angle sum of a point inside a triangle is 2 pi; this much either way
// still counts.
const double kInsideSumMin = 6.282185307179586;
const double kInsideSumMax = 6.284185307179587;
// Below this product of distances the point sits on a corner.
const float kCornerProduct = 0.001f;
// How far a decal's centre may lie off a surface.
const double kDecalReach = 0.001;

// A new reference to what `texture` refers to; an empty one for a null or
// stale reference, so the decal still draws untextured.
ZETextureReference* NewReferenceTo(const ZETextureReference* texture)
{
    ZETexture* target = texture ? texture->GetTexture() : nullptr;
    return target ? target->GetReference() : new ZETextureReference();
}
}

ZEPolygon::~ZEPolygon()
{
    delete[] m_pVertices;
    delete[] m_pLVertices;
    delete[] m_pusIndices;
    FreePlanes();
    delete[] m_pucData;
    delete m_pTexture;
    delete m_pLightmap;
}

// ---------------------------------------------------------------------------
// Geometry

const void* ZEPolygon::PositionsInUse() const
{
    return m_bLightmapped ? static_cast<const void*>(m_pLVertices) : static_cast<const void*>(m_pVertices);
}

ZEVector ZEPolygon::GetIndexedPosition(uint32_t slot) const
{
    uint16_t index = m_pusIndices[slot];
    if (m_bLightmapped)
        return ZEVector(m_pLVertices[index].x, m_pLVertices[index].y, m_pLVertices[index].z);
    return ZEVector(m_pVertices[index].x, m_pVertices[index].y, m_pVertices[index].z);
}

uint32_t ZEPolygon::GetNumTestableTriangles() const
{
    if (m_usNumPlanes == 0 || !m_pusIndices || !PositionsInUse())
        return 0;
    uint32_t triangles = GetNumTriangles();
    // A non-planar table has one plane per triangle it was built from.
    if (!m_bPlanar && m_usNumPlanes < triangles)
        triangles = m_usNumPlanes;
    return triangles;
}

bool ZEPolygon::TriangleHolds(uint32_t t, const ZEVector& p) const
{
    return ZEPointInTriangle(GetIndexedPosition(3 * t), GetIndexedPosition(3 * t + 1), GetIndexedPosition(3 * t + 2),
                             p);
}

bool ZEPolygon::GetCentroid(ZEVector& centroid) const
{
    if (m_usNumIndices == 0 || !m_pusIndices || !PositionsInUse())
        return false;
    double sum[3] = {0.0, 0.0, 0.0};
    for (uint32_t i = 0; i < m_usNumIndices; ++i)
    {
        ZEVector p = GetIndexedPosition(i);
        sum[0] += p.x;
        sum[1] += p.y;
        sum[2] += p.z;
    }
    double count = m_usNumIndices;
    centroid = ZEVector(static_cast<float>(sum[0] / count), static_cast<float>(sum[1] / count),
                        static_cast<float>(sum[2] / count));
    return true;
}

// ---------------------------------------------------------------------------
// Plane table

void ZEPolygon::FreePlanes()
{
    delete[] m_pPlanes;
    delete[] m_pvUp;
    delete[] m_pvRight;
    m_pPlanes = nullptr;
    m_pvUp = nullptr;
    m_pvRight = nullptr;
    m_usNumPlanes = 0;
}

void ZEPolygon::BuildPlanes(uint16_t triangles)
{
    m_pPlanes = new ZEPlane[triangles];
    m_usNumPlanes = triangles;
    for (uint32_t t = 0; t < triangles; ++t)
        m_pPlanes[t].SetPlane(GetIndexedPosition(3 * t), GetIndexedPosition(3 * t + 1),
                              GetIndexedPosition(3 * t + 2));
}

// Exact comparison: coplanar triangles whose planes differ in the last bit
// keep their own planes.
bool ZEPolygon::AllPlanesEqual() const
{
    for (uint32_t t = 1; t < m_usNumPlanes; ++t)
    {
        if (m_pPlanes[t].m_vNormal != m_pPlanes[t - 1].m_vNormal ||
            m_pPlanes[t].m_dDistance != m_pPlanes[t - 1].m_dDistance)
            return false;
    }
    return true;
}

void ZEPolygon::Update()
{
    m_bUpdated = true;
    FreePlanes();
    m_bPlanar = false;
    uint16_t triangles = GetNumTriangles();
    if (triangles == 0 || !m_pusIndices || !PositionsInUse())
        return;

    BuildPlanes(triangles);
    m_bPlanar = AllPlanesEqual();
    if (m_bPlanar && m_usNumPlanes > 1)
    {
        ZEPlane single = m_pPlanes[0];
        delete[] m_pPlanes;
        m_pPlanes = new ZEPlane[1];
        m_pPlanes[0] = single;
        m_usNumPlanes = 1;
    }

    m_pvUp = new ZEVector[m_usNumPlanes];
    m_pvRight = new ZEVector[m_usNumPlanes];
    for (uint32_t i = 0; i < m_usNumPlanes; ++i)
        m_pPlanes[i].m_vNormal.GetRightAndUpVectors(m_pvRight[i], m_pvUp[i]);
}

// ---------------------------------------------------------------------------
// Drawing

void ZEPolygon::DrawWith(ZERenderer* renderer, uint8_t brightness)
{
    if (!renderer || m_usNumIndices == 0 || !m_pusIndices || !PositionsInUse())
        return;
    bool blended = m_ucAlpha < 255;
    if (blended)
    {
        renderer->EnableBlending();
        renderer->SetBlendingState(4, 5);
    }
    renderer->SetAmbient(brightness, brightness, brightness, m_ucAlpha);
    renderer->SetTexture(m_pTexture);
    if (m_bLightmapped)
        renderer->Render(m_pLVertices, m_usNumVertices, m_pusIndices, m_usNumIndices, m_pLightmap);
    else
        renderer->Render(m_pVertices, m_usNumVertices, m_pusIndices, m_usNumIndices);
    if (blended)
        renderer->DisableBlending();
}

void ZEPolygon::Render(ZERenderer* renderer, ZECamera*)
{
    DrawWith(renderer, 255);
}

void ZEPolygon::Render(ZERenderer* renderer, ZECamera*, uint8_t brightness)
{
    DrawWith(renderer, brightness);
}

void ZEPolygon::RemoveLightmap()
{
    if (!m_bLightmapped)
        return;
    ZEVertex* plain = nullptr;
    if (m_pLVertices)
    {
        plain = new ZEVertex[m_usNumVertices];
        for (uint32_t i = 0; i < m_usNumVertices; ++i)
        {
            const ZELVertex& lit = m_pLVertices[i];
            plain[i] = ZEVertex{lit.x, lit.y, lit.z, lit.u, lit.v};
        }
    }
    delete[] m_pVertices;
    m_pVertices = plain;
    delete[] m_pLVertices;
    m_pLVertices = nullptr;
    delete m_pLightmap;
    m_pLightmap = nullptr;
    m_bLightmapped = false;
}

// ---------------------------------------------------------------------------
// Decals

ZEVertex* ZEPolygon::MakeDecalVertices(const ZEVector& center, float sizeX, float sizeY, uint16_t& count) const
{
    uint32_t triangles = GetNumTestableTriangles();
    float invX = 1.0f / sizeX;
    float invY = 1.0f / sizeY;
    ZEVertex* vertices = new ZEVertex[3 * triangles];
    count = 0;
    for (uint32_t t = 0; t < triangles; ++t)
    {
        uint32_t plane = m_bPlanar ? 0 : t;
        if (!m_bPlanar && !(std::fabs(m_pPlanes[t].Distance(center)) < kDecalReach))
            continue;
        for (uint32_t k = 0; k < 3; ++k)
        {
            uint16_t index = m_pusIndices[3 * t + k];
            ZEVertex vertex = m_bLightmapped ? ZEVertex{m_pLVertices[index].x, m_pLVertices[index].y,
                                                        m_pLVertices[index].z, 0.0f, 0.0f}
                                             : m_pVertices[index];
            ZEVector offset = ZEVector(vertex.x, vertex.y, vertex.z) - center;
            vertex.u = offset.DotProduct(m_pvRight[plane]) * invX + 0.5f;
            vertex.v = offset.DotProduct(m_pvUp[plane]) * invY + 0.5f;
            vertices[count++] = vertex;
        }
    }
    return vertices;
}

ZEDecal* ZEPolygon::ApplyDecal(const ZEVector& center, float sizeX, float sizeY, ZETextureReference* texture)
{
    // A zero or negative size would spread the texture over infinity.
    if (!(sizeX > 0.0f) || !(sizeY > 0.0f) || GetNumTestableTriangles() == 0)
        return nullptr;
    if (m_bPlanar && std::fabs(m_pPlanes[0].Distance(center)) > kDecalReach)
        return nullptr;

    uint16_t count = 0;
    ZEVertex* all = MakeDecalVertices(center, sizeX, sizeY, count);
    if (count == 0)
    {
        delete[] all;
        return nullptr;
    }
    ZEVertex* trimmed = new ZEVertex[count];
    std::copy(all, all + count, trimmed);
    delete[] all;
    return new ZEDecal(center, trimmed, count, NewReferenceTo(texture));
}

// ---------------------------------------------------------------------------
// Segment tests

bool ZEPolygon::PlanarHit(const ZEVector& start, const ZEVector& move, ZEVector& point) const
{
    ZEVector crossing;
    if (!ZESegmentCrossesPlane(m_pPlanes[0], start, move, crossing))
        return false;
    uint32_t triangles = GetNumTestableTriangles();
    for (uint32_t t = 0; t < triangles; ++t)
    {
        if (TriangleHolds(t, crossing))
        {
            point = crossing;
            return true;
        }
    }
    return false;
}

bool ZEPolygon::NearestTriangleHit(const ZEVector& start, const ZEVector& move, ZEVector& point,
                                   uint32_t& triangle) const
{
    bool hit = false;
    float best = 0.0f;
    ZEVector reach = move;
    uint32_t triangles = GetNumTestableTriangles();
    for (uint32_t t = 0; t < triangles; ++t)
    {
        ZEVector crossing;
        if (!ZESegmentCrossesPlane(m_pPlanes[t], start, reach, crossing) || !TriangleHolds(t, crossing))
            continue;
        float distance = (crossing - start).GetLength();
        if (hit && !(distance < best))
            continue;
        hit = true;
        best = distance;
        point = crossing;
        triangle = t;
        // Later triangles must cross before this contact to count.
        reach = crossing - start;
    }
    return hit;
}

bool ZEPolygon::Clips(const ZEVector& start, const ZEVector& move)
{
    uint32_t triangles = GetNumTestableTriangles();
    if (triangles == 0)
        return false;
    ZEVector point;
    if (m_bPlanar)
        return PlanarHit(start, move, point);
    for (uint32_t t = 0; t < triangles; ++t)
    {
        if (ZESegmentCrossesPlane(m_pPlanes[t], start, move, point) && TriangleHolds(t, point))
            return true;
    }
    return false;
}

bool ZEPolygon::Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact)
{
    _ZEClipInfo info;
    if (!Clips(start, move, info))
        return false;
    contact = info.m_vPoint;
    return true;
}

bool ZEPolygon::Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info)
{
    if (GetNumTestableTriangles() == 0)
        return false;
    ZEVector point;
    uint32_t triangle = 0;
    bool hit = m_bPlanar ? PlanarHit(start, move, point) : NearestTriangleHit(start, move, point, triangle);
    if (!hit)
        return false;
    info.m_vPoint = point;
    info.m_Plane = m_pPlanes[m_bPlanar ? 0 : triangle];
    info.m_pucData = m_pucData;
    info.m_pPolygon = this;
    return true;
}

// ---------------------------------------------------------------------------
// Free functions

// A point well outside the triangle's box cannot pass the angle test, and
// most points a ray test asks about are: the box answers them without the
// three arc cosines. The margin keeps every point the angle test would take.
// Outside the box by d, the point is at least d from every edge, so its
// angles fall short of 2 pi by at least 4 d / L for the longest edge L
// (no more than the box's three sides together): 0.002 of that sum keeps
// the shortfall above the test's 0.001. And a point whose distances to two
// corners multiply to at most kCornerProduct lies within
// sqrt(kCornerProduct) (under 0.032) of the box.
static bool FarOutsideBox(const ZEVector& a, const ZEVector& b, const ZEVector& c, const ZEVector& p)
{
    float low[3] = {a.x, a.y, a.z}, high[3] = {a.x, a.y, a.z};
    const float q[3] = {p.x, p.y, p.z};
    for (const ZEVector* corner : {&b, &c})
    {
        const float k[3] = {corner->x, corner->y, corner->z};
        for (int i = 0; i < 3; ++i)
            low[i] = std::min(low[i], k[i]), high[i] = std::max(high[i], k[i]);
    }
    float margin = 0.032f + 0.002f * ((high[0] - low[0]) + (high[1] - low[1]) + (high[2] - low[2]));
    for (int i = 0; i < 3; ++i)
        if (q[i] < low[i] - margin || q[i] > high[i] + margin)
            return true;
    return false;
}

bool ZEPointInTriangle(const ZEVector& a, const ZEVector& b, const ZEVector& c, const ZEVector& p)
{
    if (FarOutsideBox(a, b, c, p))
        return false;
    const ZEVector* corners[3][2] = {{&a, &b}, {&b, &c}, {&c, &a}};
    double sum = 0.0;
    for (const auto& pair : corners)
    {
        ZEVector u = *pair[0] - p;
        ZEVector v = *pair[1] - p;
        float lengths = u.GetLength() * v.GetLength();
        if (lengths <= kCornerProduct)
            return true;
        // Rounding can push the cosine of a point on an edge just past -1,
        // where acos has no value and the point would be lost.
        sum += ZEACosRad(std::clamp(u.DotProduct(v) / lengths, -1.0f, 1.0f));
    }
    return sum >= kInsideSumMin && sum <= kInsideSumMax;
}

void ZEDeletePolygonList(ZEPolygon*& list)
{
    while (list)
    {
        ZEPolygon* polygon = list;
        list = polygon->m_pNext;
        delete polygon;
    }
}
