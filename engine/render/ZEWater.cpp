#include "render/ZEWater.h"

#include "math/ZEBoundingVolume.h"
#include "math/ZEMath.h"
#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "world/ZEEntityData.h"

#include <cmath>

ZE_IMPLEMENT_RTTI(ZEWater, ZEEngineObject);

namespace
{
// A full turn of corner angles, within this many degrees, marks an inner
// vertex.
const float kFullTurnLow = 350.0f;
const float kFullTurnHigh = 370.0f;
// Milliseconds for a vertex to travel one amplitude, and for a texture to
// scroll by one repeat.
const float kWaveMilliseconds = 1750.0f;
const float kScrollMilliseconds = 20000.0f;
const float kRestBand = 0.01f;
const float kDriftRest = 0.0001f;
const float kDriftLimit = 0.05f;

// +1 for a draw of 1, -1 for 2, otherwise 0 (the thing keeps resting).
int32_t SetOff(int32_t draw)
{
    return draw == 1 ? 1 : (draw == 2 ? -1 : 0);
}

ZEVector Corner(const ZEPolygon& polygon, uint16_t i)
{
    if (polygon.m_bLightmapped)
        return ZEVector(polygon.m_pLVertices[i].x, polygon.m_pLVertices[i].y, polygon.m_pLVertices[i].z);
    return ZEVector(polygon.m_pVertices[i].x, polygon.m_pVertices[i].y, polygon.m_pVertices[i].z);
}

bool HasPositions(const ZEPolygon& polygon)
{
    return polygon.m_bLightmapped ? polygon.m_pLVertices != nullptr : polygon.m_pVertices != nullptr;
}

// The interior angle at `at` between the edges to `a` and `b`, in degrees;
// 0 when an edge has no length (a degenerate corner turns nothing).
float CornerAngle(const ZEVector& at, const ZEVector& a, const ZEVector& b)
{
    ZEVector toA = a - at, toB = b - at;
    if (toA.GetLength() == 0.0f || toB.GetLength() == 0.0f)
        return 0.0f;
    float cosine = toA.UnitVector().DotProduct(toB.UnitVector());
    cosine = cosine > 1.0f ? 1.0f : (cosine < -1.0f ? -1.0f : cosine);
    return ZEACosDeg(cosine);
}
}

// ---------------------------------------------------------------------------
// Decisions

ZEWaveMove ZEStepWave(float& offset, int8_t& direction, float step, float amplitude)
{
    offset += static_cast<float>(direction) * step;
    if (offset >= -kRestBand && offset <= kRestBand)
    {
        offset = 0.0f;
        direction = 0;
        return ZEWaveMove::Stop;
    }
    float half = std::fabs(amplitude) * 0.5f;
    if (offset <= -half || offset >= half)
    {
        // Back towards rest: a vertex still beyond the bound a frame after
        // turning keeps heading home instead of turning outwards again.
        direction = offset > 0.0f ? -1 : 1;
        return ZEWaveMove::Turn;
    }
    return ZEWaveMove::Move;
}

void ZESettleDrift(float& offset, float& direction)
{
    if (offset >= -kDriftRest && offset <= kDriftRest)
    {
        offset = 0.0f;
        direction = 0.0f;
    }
    else if (offset >= kDriftLimit)
        direction = -1.0f;
    else if (offset <= -kDriftLimit)
        direction = 1.0f;
}

bool ZEWaterTextureShift(uint32_t mode, uint32_t milliseconds, float& du, float& dv)
{
    float s = static_cast<float>(milliseconds) / kScrollMilliseconds;
    switch (mode)
    {
    case 2: du = 0.0f; dv = -s; return true;
    case 3: du = -s; dv = 0.0f; return true;
    case 4: du = -s; dv = -s; return true;
    case 5: du = -s; dv = s; return true;
    default: return false;
    }
}

std::vector<float> ZEWaterAngleSums(const ZEPolygon& polygon)
{
    std::vector<float> sums(polygon.m_usNumVertices, 0.0f);
    if (!HasPositions(polygon) || !polygon.m_pusIndices)
        return sums;
    for (uint32_t t = 0; t + 2 < polygon.m_usNumIndices; t += 3)
    {
        const uint16_t* corner = polygon.m_pusIndices + t;
        if (corner[0] >= sums.size() || corner[1] >= sums.size() || corner[2] >= sums.size())
            continue;
        for (int k = 0; k < 3; ++k)
        {
            uint16_t at = corner[k], next = corner[(k + 1) % 3], previous = corner[(k + 2) % 3];
            sums[at] += CornerAngle(Corner(polygon, at), Corner(polygon, next), Corner(polygon, previous));
        }
    }
    return sums;
}

// ---------------------------------------------------------------------------
// ZEWater

ZEWater::ZEWater(ZECustomEntity* entity)
{
    m_bCollision = false;
    m_bGravity = false;
    m_bStatic = false;
    if (!entity)
        return;
    m_vPosition = m_vOldPosition = entity->m_vPosition;
    m_pPolygons = entity->m_pPolygons;
    entity->m_pPolygons = nullptr;
    ZEBoundingSphere* sphere = new ZEBoundingSphere();
    sphere->UpdateVolume(m_pPolygons, true);
    m_pBoundingVolume = sphere;

    ZEEntityData data(entity->m_pData, entity->m_usDataSize);
    m_lWaveHeight = data.Long(0);
    m_ulTexAnimation = data.U32(4);
    m_bKeepLightmaps = data.Flag(8);
    m_bFindVertices = data.Flag(9);
    delete entity;

    if (!m_bKeepLightmaps)
        for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
            polygon->RemoveLightmap();
    if (m_lWaveHeight == 0)
        return;
    if (m_bFindVertices)
        FindVertices();
    else
        GetAllVertices();
}

ZEWater::~ZEWater()
{
    ZEDeletePolygonList(m_pPolygons);
    StopWaves();
}

void ZEWater::Animate(uint32_t step, ZEEngine*)
{
    if (m_lWaveHeight != 0)
        UpdateVertexAni(step);
    if (m_ulTexAnimation != 0)
        UpdateTexAni(step);
}

void ZEWater::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!renderer || (camera && camera->Culled(m_pBoundingVolume)))
        return;
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        polygon->Render(renderer, camera);
}

void ZEWater::UpdateVertexAni(uint32_t milliseconds)
{
    const float amplitude = static_cast<float>(m_lWaveHeight);
    const float step = amplitude * static_cast<float>(milliseconds) / kWaveMilliseconds;
    for (uint32_t i = 0; i < m_ulNumVertices; ++i)
    {
        int8_t& direction = m_pcDirections[i];
        if (direction == 0)
        {
            direction = static_cast<int8_t>(SetOff(ZERandM(20)));
            if (direction == 0)
                continue;
        }
        if (ZEStepWave(m_pfOffsets[i], direction, step, amplitude) == ZEWaveMove::Move)
            Height(i) += static_cast<float>(direction) * step;
    }
}

void ZEWater::UpdateTexAni(uint32_t milliseconds)
{
    float du = 0.0f, dv = 0.0f;
    if (m_ulTexAnimation == 1)
        Drift(milliseconds, du, dv);
    else if (!ZEWaterTextureShift(m_ulTexAnimation, milliseconds, du, dv))
        return;
    ShiftTexture(du, dv);
}

void ZEWater::Drift(uint32_t milliseconds, float& du, float& dv)
{
    if (m_fTexDirU == 0.0f)
        m_fTexDirU = static_cast<float>(SetOff(ZERandM(100)));
    if (m_fTexDirV == 0.0f)
        m_fTexDirV = static_cast<float>(SetOff(ZERandM(100)));
    float s = static_cast<float>(milliseconds) / kScrollMilliseconds;
    du = s * m_fTexDirU / 5.0f;
    dv = s * m_fTexDirV / 5.0f;
    m_fTexOffsetU += du;
    m_fTexOffsetV += dv;
    ZESettleDrift(m_fTexOffsetU, m_fTexDirU);
    ZESettleDrift(m_fTexOffsetV, m_fTexDirV);
}

void ZEWater::ShiftTexture(float du, float dv)
{
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        for (uint32_t i = 0; i < polygon->m_usNumVertices && HasPositions(*polygon); ++i)
        {
            float& u = polygon->m_bLightmapped ? polygon->m_pLVertices[i].u : polygon->m_pVertices[i].u;
            float& v = polygon->m_bLightmapped ? polygon->m_pLVertices[i].v : polygon->m_pVertices[i].v;
            u += du;
            v += dv;
        }
}

void ZEWater::GetAllVertices()
{
    SecondPassWhenTranslucent();
    std::vector<std::pair<ZEPolygon*, uint16_t>> chosen;
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        if (HasMovableVertices(*polygon))
            for (uint16_t v = 0; v < polygon->m_usNumVertices; ++v)
                chosen.emplace_back(polygon, v);
    TakeMovingVertices(chosen);
}

void ZEWater::FindVertices()
{
    SecondPassWhenTranslucent();
    std::vector<std::pair<ZEPolygon*, uint16_t>> chosen;
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
    {
        if (!HasMovableVertices(*polygon))
            continue;
        std::vector<float> sums = ZEWaterAngleSums(*polygon);
        for (uint16_t v = 0; v < sums.size(); ++v)
            if (sums[v] >= kFullTurnLow && sums[v] <= kFullTurnHigh)
                chosen.emplace_back(polygon, v);
    }
    TakeMovingVertices(chosen);
}

bool ZEWater::HasMovableVertices(const ZEPolygon& polygon) const
{
    // With the lightmaps kept the lit vertices move; a polygon that came
    // without a lightmap then stays flat.
    if (m_bKeepLightmaps)
        return polygon.m_bLightmapped && polygon.m_pLVertices;
    return !polygon.m_bLightmapped && polygon.m_pVertices;
}

void ZEWater::TakeMovingVertices(const std::vector<std::pair<ZEPolygon*, uint16_t>>& chosen)
{
    StopWaves();
    if (chosen.empty())
    {
        m_lWaveHeight = 0;
        return;
    }
    m_ulNumVertices = static_cast<uint32_t>(chosen.size());
    m_pfOffsets = new float[m_ulNumVertices]();
    m_pcDirections = new int8_t[m_ulNumVertices]();
    if (m_bKeepLightmaps)
        m_ppLVertices = new ZELVertex*[m_ulNumVertices];
    else
        m_ppVertices = new ZEVertex*[m_ulNumVertices];
    for (uint32_t i = 0; i < m_ulNumVertices; ++i)
    {
        ZEPolygon* polygon = chosen[i].first;
        if (m_bKeepLightmaps)
            m_ppLVertices[i] = polygon->m_pLVertices + chosen[i].second;
        else
            m_ppVertices[i] = polygon->m_pVertices + chosen[i].second;
    }
}

void ZEWater::StopWaves()
{
    delete[] m_ppVertices;
    delete[] m_ppLVertices;
    delete[] m_pfOffsets;
    delete[] m_pcDirections;
    m_ppVertices = nullptr;
    m_ppLVertices = nullptr;
    m_pfOffsets = nullptr;
    m_pcDirections = nullptr;
    m_ulNumVertices = 0;
}

void ZEWater::SecondPassWhenTranslucent()
{
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        if (polygon->m_ucAlpha < 255)
            m_bSecondPass = true;
}

float& ZEWater::Height(uint32_t i)
{
    return m_ppLVertices ? m_ppLVertices[i]->y : m_ppVertices[i]->y;
}
