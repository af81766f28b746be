#include "render/ZEBillboard.h"

#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"
#include "world/ZEEntityData.h"

ZE_IMPLEMENT_RTTI(ZEBillboard, ZEEngineObject);

ZEBillboardStates ZEBillboardStatesFor(uint8_t alpha, bool colorKey)
{
    return ZEBillboardStates{alpha < 255 || colorKey, colorKey};
}

ZEBillboard::ZEBillboard(ZECustomEntity* entity)
{
    m_bStatic = true;
    m_bGravity = false;
    if (!entity)
        return;
    m_vPosition = m_vOldPosition = entity->m_vPosition;
    ZEEntityData data(entity->m_pData, entity->m_usDataSize);
    m_bParticle = data.Flag(0);
    m_bColorKey = data.Flag(1);
    m_bCollision = data.Flag(2);
    uint8_t key[3];
    data.Color(3, key);
    if (entity->m_pPolygons)
        TakeLookFrom(*entity->m_pPolygons, key);

    ZEVector half(m_fWidth / 2.0f, m_fHeight / 2.0f, m_fWidth / 2.0f);
    ZEAABoundingBox* box = new ZEAABoundingBox();
    box->SetData(m_vPosition - half, m_vPosition + half);
    m_pBoundingVolume = box;
    m_bLightComputed = false;
    delete entity;
}

void ZEBillboard::TakeLookFrom(const ZEPolygon& polygon, const uint8_t* key)
{
    // The quad's corners 0, 1, 2 give its height (0 -> 1) and width (1 -> 2).
    auto corner = [&polygon](uint32_t i) {
        if (polygon.m_bLightmapped)
            return ZEVector(polygon.m_pLVertices[i].x, polygon.m_pLVertices[i].y, polygon.m_pLVertices[i].z);
        return ZEVector(polygon.m_pVertices[i].x, polygon.m_pVertices[i].y, polygon.m_pVertices[i].z);
    };
    bool hasCorners = polygon.m_usNumVertices >= 3 &&
                      (polygon.m_bLightmapped ? polygon.m_pLVertices != nullptr : polygon.m_pVertices != nullptr);
    if (hasCorners)
    {
        m_fWidth = (corner(1) - corner(2)).GetLength();
        m_fHeight = (corner(0) - corner(1)).GetLength();
    }
    m_ucAlpha = polygon.m_ucAlpha;
    if (m_ucAlpha < 255)
        m_bSecondPass = true;

    ZETexture* texture = polygon.m_pTexture ? polygon.m_pTexture->GetTexture() : nullptr;
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    if (!texture)
        m_pTexture = new ZETextureReference();
    else if (m_bColorKey && textures)
        m_pTexture = textures->GetTexture(texture->m_Name, texture->m_Directory, texture->m_bAnimated, key);
    else
        m_pTexture = texture->GetReference();
}

ZEBillboard::~ZEBillboard()
{
    delete m_pTexture;
}

void ZEBillboard::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!renderer || (camera && camera->Culled(m_pBoundingVolume)))
        return;
    const ZEBillboardStates states = ZEBillboardStatesFor(m_ucAlpha, m_bColorKey);
    if (states.m_bBlend)
    {
        renderer->EnableBlending();
        renderer->SetBlendingState(4, 5);
    }
    if (states.m_bAlphaTest)
    {
        renderer->EnableAlphaTest();
        renderer->SetAlphaState(8, 0.0f);
    }
    if (!m_bLightComputed)
        ComputeLight();
    renderer->SetAmbient(m_aucLight[0], m_aucLight[1], m_aucLight[2], m_ucAlpha);
    if (m_bParticle)
        renderer->RenderParticle(m_vPosition, m_fWidth, m_fHeight, m_pTexture);
    else
        renderer->RenderBillboard(m_vPosition, m_fWidth, m_fHeight, m_pTexture);
    if (states.m_bBlend)
        renderer->DisableBlending();
    if (states.m_bAlphaTest)
        renderer->DisableAlphaTest();
}

void ZEBillboard::ComputeLight()
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!engine)
        return;
    engine->GetLightAtPosition(m_vPosition, m_aucLight, this);
    m_bLightComputed = true;
}
