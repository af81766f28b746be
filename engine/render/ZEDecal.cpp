#include "render/ZEDecal.h"

#include "core/ZETimer.h"
#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEntityData.h"

namespace
{
// Sphere volumes up to this are too small to be worth a culling test.
const float kSphereCullingVolume = 200.0f;

uint32_t GameTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetTime() : 0;
}
}

ZEDecal::ZEDecal()
    : m_ulCreationTime(GameTime())
{
}

ZEDecal::ZEDecal(const ZEVector& normal, const ZEVector& point, float width, float height,
                 ZETextureReference* texture)
    : m_Position(point), m_pTexture(texture), m_ulCreationTime(GameTime())
{
    ZEVector right, up;
    normal.GetRightAndUpVectors(right, up);
    const ZEVector r = right * (width * 0.5f);
    const ZEVector u = up * (height * 0.5f);
    // Two triangles sharing the diagonal from corner 0 to corner 1, both
    // wound to face the normal's side.
    const ZEVector corners[6] = {point + r + u, point - r - u, point + r - u,
                                 point + r + u, point - r + u, point - r - u};
    const float uv[6][2] = {{0, 0}, {1, 1}, {0, 1}, {0, 0}, {1, 0}, {1, 1}};
    m_pVertices = new ZEVertex[6];
    m_usNumVertices = 6;
    for (int i = 0; i < 6; ++i)
        m_pVertices[i] = ZEVertex{corners[i].x, corners[i].y, corners[i].z, uv[i][0], uv[i][1]};
    FitSphere();
}

ZEDecal::ZEDecal(const ZEVector& position, ZEVertex* vertices, uint16_t count, ZETextureReference* texture)
    : m_Position(position),
      m_usNumVertices(vertices ? count : 0),
      m_pVertices(vertices),
      m_pTexture(texture),
      m_ulCreationTime(GameTime())
{
    FitSphere();
}

ZEDecal::~ZEDecal()
{
    delete[] m_pVertices;
    delete m_pTexture;
}

// The colour and alpha `now`: full until the fade begins, then falling
// linearly to nothing at the end of the lifetime. Measured by unsigned
// differences, so the clock's wrap changes nothing.
static void FadedColor(const ZEDecal& decal, uint32_t now, uint8_t* rgba)
{
    const uint8_t full[4] = {decal.m_aucColor[0], decal.m_aucColor[1], decal.m_aucColor[2], decal.m_ucAlpha};
    uint32_t age = now - decal.m_ulCreationTime;
    uint32_t fade = decal.m_ulFadeTime < decal.m_ulLifetime ? decal.m_ulFadeTime : decal.m_ulLifetime;
    double factor = 1.0;
    if (fade > 0 && age >= decal.m_ulLifetime - fade)
        factor = age >= decal.m_ulLifetime ? 0.0 : 1.0 - static_cast<double>(age - (decal.m_ulLifetime - fade)) / fade;
    for (int i = 0; i < 4; ++i)
        rgba[i] = static_cast<uint8_t>(full[i] * factor);
}

void ZEDecal::Render(ZERenderer* renderer, ZECamera*)
{
    if (!renderer || m_usNumVertices == 0)
        return;
    uint8_t rgba[4];
    FadedColor(*this, GameTime(), rgba);
    renderer->EnableBlending();
    renderer->SetBlendingState(m_usBlendSource, m_usBlendDest);
    renderer->SetAmbient(rgba[0], rgba[1], rgba[2], rgba[3]);
    renderer->SetTexture(m_pTexture);
    renderer->SetVertexArray(m_pVertices, m_usNumVertices);
    renderer->DrawArray();
    renderer->DisableBlending();
}

void ZEDecal::SetColor(uint8_t r, uint8_t g, uint8_t b)
{
    m_aucColor[0] = r;
    m_aucColor[1] = g;
    m_aucColor[2] = b;
}

void ZEDecal::SetBlending(uint16_t source, uint16_t dest)
{
    m_usBlendSource = source;
    m_usBlendDest = dest;
}

void ZEDecal::SetFading(bool fading, uint32_t fadeTime)
{
    m_bFading = fading;
    m_ulFadeTime = fadeTime;
}

void ZEDecal::SetTexture(const ZETextureReference* texture)
{
    // The new reference is taken before the old one goes, so passing the
    // reference already held keeps its texture alive.
    ZETexture* target = texture ? texture->GetTexture() : nullptr;
    ZETextureReference* own = target ? target->GetReference() : nullptr;
    delete m_pTexture;
    m_pTexture = own;
}

void ZEDecal::FitSphere()
{
    if (m_usNumVertices > 0)
        m_BoundingSphere.UpdateVolume(m_pVertices, static_cast<uint32_t>(m_usNumVertices));
    m_bUseSphere = m_BoundingSphere.GetVolume() > kSphereCullingVolume;
}

// ---------------------------------------------------------------------------
// ZEStaticDecal

ZEStaticDecal::ZEStaticDecal(ZECustomEntity* entity)
{
    m_bCollision = false;
    m_bGravity = false;
    m_bStatic = true;
    if (!entity)
        return;
    m_vPosition = m_vOldPosition = entity->m_vPosition;
    m_pPolygons = entity->m_pPolygons;
    entity->m_pPolygons = nullptr;

    ZEEntityData data(entity->m_pData, entity->m_usDataSize);
    bool keepLightmaps = data.Flag(0);
    m_bColorKey = data.Flag(1);
    uint8_t key[3];
    data.Color(2, key);
    data.Color(5, m_aucColor);
    delete entity;

    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
    {
        if (polygon->m_ucAlpha < 255)
            m_bSecondPass = true;
        if (!keepLightmaps)
            polygon->RemoveLightmap();
    }
    if (m_bColorKey)
        ShareKeyedTexture(key);
    ZEBoundingSphere* sphere = new ZEBoundingSphere();
    sphere->UpdateVolume(m_pPolygons, true);
    m_pBoundingVolume = sphere;
}

ZEStaticDecal::~ZEStaticDecal()
{
    ZEDeletePolygonList(m_pPolygons);
}

void ZEStaticDecal::ShareKeyedTexture(const uint8_t* key)
{
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    ZETexture* first = m_pPolygons && m_pPolygons->m_pTexture ? m_pPolygons->m_pTexture->GetTexture() : nullptr;
    if (!textures || !first)
        return;
    // Copied first: replacing the first polygon's reference may free it.
    ZEString name(first->m_Name);
    ZEString package(first->m_Directory);
    bool animated = first->m_bAnimated;
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
    {
        delete polygon->m_pTexture;
        polygon->m_pTexture = textures->GetTexture(name, package, animated, key);
    }
}

void ZEStaticDecal::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!renderer || (camera && camera->Culled(m_pBoundingVolume)))
        return;
    bool blended = m_bSecondPass || m_bColorKey;
    if (blended)
    {
        renderer->EnableBlending();
        renderer->SetBlendingState(4, 5);
        if (m_bColorKey)
        {
            renderer->EnableAlphaTest();
            renderer->SetAlphaState(8, 0.0f);
        }
    }
    renderer->EnableDecaling();
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
    {
        renderer->SetAmbient(m_aucColor[0], m_aucColor[1], m_aucColor[2], polygon->m_ucAlpha);
        renderer->SetTexture(polygon->m_pTexture);
        if (polygon->m_bLightmapped)
            renderer->Render(polygon->m_pLVertices, polygon->m_usNumVertices, polygon->m_pusIndices,
                             polygon->m_usNumIndices, polygon->m_pLightmap);
        else
            renderer->Render(polygon->m_pVertices, polygon->m_usNumVertices, polygon->m_pusIndices,
                             polygon->m_usNumIndices);
    }
    renderer->DisableDecaling();
    if (blended)
    {
        renderer->DisableBlending();
        if (m_bColorKey)
            renderer->DisableAlphaTest();
    }
}
