#include "render/ZEStencilShadowVolume.h"

#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "render/ZEShadow.h"
#include "resources/ZEModelManager.h"

namespace
{
// A face whose normal leans this far past edge-on still counts as lit.
const float kFacingTolerance = -0.05f;
// How far the silhouette is pulled away from the light.
const float kExtrusion = 300.0f;

// Renderer codes (see render/ZEOpenGLStates.h).
const uint16_t kStencilAlways = 7, kStencilNotEqual = 6;
const uint16_t kKeep = 1, kIncrement = 3, kDecrement = 4;
const uint16_t kBlendOne = 1, kBlendOneMinusSourceAlpha = 5;

ZEVertex At(const ZEVector& p)
{
    return ZEVertex{p.x, p.y, p.z, 0.0f, 0.0f};
}
}

ZEStencilShadowVolume::ZEStencilShadowVolume(ZEVertex* vertices, uint32_t maxEdges, const ZEVector& light)
{
    RecreateVolume(vertices, maxEdges, light);
}

ZEStencilShadowVolume::ZEStencilShadowVolume(ZELVertex* vertices, uint32_t maxEdges, const ZEVector& light)
{
    RecreateVolume(vertices, maxEdges, light);
}

ZEStencilShadowVolume::~ZEStencilShadowVolume()
{
    delete[] m_pEdges;
    delete[] m_pVertices;
}

void ZEStencilShadowVolume::RecreateVolume(ZEVertex* vertices, uint32_t maxEdges, const ZEVector& light)
{
    m_bLVertices = false;
    m_pSourceVertices = vertices;
    m_pSourceLVertices = nullptr;
    Reset(maxEdges, light);
}

void ZEStencilShadowVolume::RecreateVolume(ZELVertex* vertices, uint32_t maxEdges, const ZEVector& light)
{
    m_bLVertices = true;
    m_pSourceVertices = nullptr;
    m_pSourceLVertices = vertices;
    Reset(maxEdges, light);
}

void ZEStencilShadowVolume::Reset(uint32_t maxEdges, const ZEVector& light)
{
    maxEdges = maxEdges < ms_ulEdgeLimit ? maxEdges : ms_ulEdgeLimit;
    if (maxEdges != m_ulMaxEdges || !m_pEdges)
    {
        delete[] m_pEdges;
        delete[] m_pVertices;
        m_ulMaxEdges = maxEdges;
        m_pEdges = new uint16_t[2 * static_cast<size_t>(maxEdges) + 2];
        m_pVertices = new ZEVertex[6 * static_cast<size_t>(maxEdges) + 6];
    }
    m_ulNumEdges = 0;
    m_ulNumVertices = 0;
    m_EdgeSlots.clear();
    m_bBuilt = false;
    m_vLight = light;
    float length = light.GetLength();
    m_vDirection = length > 0.0f && length < 1e30f ? light * (1.0f / length) : ZEVector();
}

bool ZEStencilShadowVolume::IsCachedFor(uint32_t animation, uint32_t lod, uint32_t time,
                                        const ZEVector& light) const
{
    return m_bBuilt && animation == m_ulCachedAnimation && lod == m_ulCachedLOD && time == m_ulCachedTime &&
           light.x == m_vLight.x && light.y == m_vLight.y && light.z == m_vLight.z;
}

void ZEStencilShadowVolume::SetCache(uint32_t animation, uint32_t lod, uint32_t time)
{
    m_ulCachedAnimation = animation;
    m_ulCachedLOD = lod;
    m_ulCachedTime = time;
}

// --- Collecting the silhouette ------------------------------------------------------

void ZEStencilShadowVolume::AddModelKeyFrame(ZEModelKeyFrame* keyFrame)
{
    if (!keyFrame)
        return;
    for (uint32_t g = 0; g < keyFrame->m_ulNumGroups; ++g)
    {
        ZEModelTriGroup& group = keyFrame->m_pGroups[g];
        if (!group.m_bUpdated)
            group.Update();
        uint16_t triangles = group.GetNumTriangles();
        if (!group.m_pPlanes || group.m_usNumPlanes == 0)
            continue;
        for (uint16_t t = 0; t < triangles; ++t)
        {
            const ZEPlane& plane = group.m_pPlanes[group.m_bPlanar || t >= group.m_usNumPlanes ? 0 : t];
            const uint16_t* abc = group.m_pusIndices + 3 * t;
            AddTriangle(abc[0], abc[1], abc[2], plane.m_vNormal);
        }
    }
}

void ZEStencilShadowVolume::AddTriangle(uint16_t a, uint16_t b, uint16_t c, const ZEVector& normal)
{
    bool lit = m_vDirection != ZEVector() && normal.DotProduct(m_vDirection) >= kFacingTolerance;
    if (!lit)
        return;
    AddEdge(a, b);
    AddEdge(b, c);
    AddEdge(c, a);
}

uint32_t ZEStencilShadowVolume::EdgeKey(uint16_t a, uint16_t b)
{
    return a < b ? (uint32_t(a) << 16) | b : (uint32_t(b) << 16) | a;
}

void ZEStencilShadowVolume::AddEdge(uint16_t a, uint16_t b)
{
    uint32_t key = EdgeKey(a, b);
    auto listed = m_EdgeSlots.find(key);
    if (listed != m_EdgeSlots.end())
    {
        RemoveEdge(listed->second);
        return;
    }
    if (m_ulNumEdges >= m_ulMaxEdges)
        return;
    m_pEdges[2 * m_ulNumEdges] = a;
    m_pEdges[2 * m_ulNumEdges + 1] = b;
    m_EdgeSlots.emplace(key, m_ulNumEdges);
    ++m_ulNumEdges;
}

void ZEStencilShadowVolume::RemoveEdge(uint32_t slot)
{
    m_EdgeSlots.erase(EdgeKey(m_pEdges[2 * slot], m_pEdges[2 * slot + 1]));
    uint32_t last = --m_ulNumEdges;
    if (slot == last)
        return;
    m_pEdges[2 * slot] = m_pEdges[2 * last];
    m_pEdges[2 * slot + 1] = m_pEdges[2 * last + 1];
    m_EdgeSlots[EdgeKey(m_pEdges[2 * slot], m_pEdges[2 * slot + 1])] = slot;
}

// --- Building and drawing ------------------------------------------------------------

ZEVector ZEStencilShadowVolume::SourcePosition(uint16_t index) const
{
    if (m_bLVertices)
        return ZEVector(m_pSourceLVertices[index].x, m_pSourceLVertices[index].y, m_pSourceLVertices[index].z);
    return ZEVector(m_pSourceVertices[index].x, m_pSourceVertices[index].y, m_pSourceVertices[index].z);
}

void ZEStencilShadowVolume::BuildVolume()
{
    m_ulNumVertices = 0;
    bool sourced = m_bLVertices ? m_pSourceLVertices != nullptr : m_pSourceVertices != nullptr;
    ZEVector away = m_vDirection * kExtrusion;
    for (uint32_t e = 0; sourced && e < m_ulNumEdges; ++e)
    {
        ZEVector a = SourcePosition(m_pEdges[2 * e]), b = SourcePosition(m_pEdges[2 * e + 1]);
        ZEVector farA = a - away, farB = b - away;
        ZEVertex* quad = m_pVertices + m_ulNumVertices;
        quad[0] = At(farA);
        quad[1] = At(b);
        quad[2] = At(a);
        quad[3] = At(b);
        quad[4] = At(farB);
        quad[5] = At(farA);
        m_ulNumVertices += 6;
    }
    m_BoundingSphere.Update(reinterpret_cast<const ZEVector*>(m_pVertices), m_ulNumVertices, sizeof(ZEVertex));
    m_bBuilt = true;
}

void ZEStencilShadowVolume::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!renderer || !m_bBuilt || m_ulNumVertices == 0 || (camera && camera->Culled(&m_WorldSphere)))
        return;
    // Only the part of the window the volume can cover is cleared and
    // darkened.
    float rect[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    if (camera)
        ZESphereScreenRect(*camera, m_WorldSphere.m_vCenter, m_WorldSphere.m_fRadius, rect);
    renderer->SetScissor(rect[0], rect[1], rect[2], rect[3]);
    renderer->ClearStencilBuffer();
    renderer->SetTexture(nullptr);
    renderer->SetVertexArray(m_pVertices, static_cast<uint16_t>(m_ulNumVertices));
    renderer->LockVertexArray();
    renderer->SetZBufferState(false);
    renderer->EnableStencilBuffer();
    renderer->WriteToScreen(false);
    renderer->SetStencilComp(kStencilAlways, 1, 0xFFFFFFFFu);
    renderer->SetStencilOp(kKeep, kKeep, kIncrement);
    renderer->DrawArray();
    renderer->ReverseVertexOrder(true);
    renderer->SetStencilOp(kKeep, kKeep, kDecrement);
    renderer->DrawArray();
    renderer->UnlockVertexArray();
    renderer->ReverseVertexOrder(false);
    renderer->WriteToScreen(true);
    renderer->EnableBlending();
    renderer->SetBlendingState(kBlendOne, kBlendOneMinusSourceAlpha);
    renderer->SetStencilComp(kStencilNotEqual, 0, 0xFFFFFFFFu);
    renderer->SetStencilOp(kKeep, kKeep, kKeep);
    renderer->DrawRectanglef(0.0f, 0.0f, 1.0f, 1.0f);
    renderer->SetZBufferState(true);
    renderer->DisableBlending();
    renderer->DisableStencilBuffer();
    renderer->DisableScissor();
}
