#include "render/ZESkyBox.h"

#include "math/ZEPolygon.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEntityData.h"

ZE_IMPLEMENT_RTTI(ZESkyBox, ZEEngineObject);

ZESkyBox::ZESkyBox(ZECustomEntity* entity)
{
    m_bCollision = false;
    m_bGravity = false;
    m_bStatic = false;
    if (!entity)
        return;
    m_pPolygons = entity->m_pPolygons;
    entity->m_pPolygons = nullptr;
    ZEEntityData data(entity->m_pData, entity->m_usDataSize);
    m_vPosition = entity->m_vPosition;
    m_vPosition.y -= data.Float(12);
    m_vOldPosition = m_vPosition;
    m_vRotationSpeed = data.Vector(0);
    // By bit pattern: -0 is a speed the map set on purpose.
    m_bRotate = data.U32(0) != 0 || data.U32(4) != 0 || data.U32(8) != 0;
    bool keepLightmaps = data.Flag(16);
    delete entity;
    TranslateData(keepLightmaps);
}

ZESkyBox::~ZESkyBox()
{
    ZEDeletePolygonList(m_pPolygons);
}

void ZESkyBox::Render(ZERenderer*, ZECamera*)
{
    // Not drawn yet: an empty body until this kind of object gets its drawing.
}

void ZESkyBox::TranslateData(bool keepLightmaps)
{
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    uint16_t filter = ZERenderer::ms_pRenderer ? ZERenderer::ms_pRenderer->m_usTextureFilter : 1;
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
    {
        ZETexture* texture = polygon->m_pTexture ? polygon->m_pTexture->GetTexture() : nullptr;
        if (textures && texture)
        {
            ZETextureReference* clamped =
                textures->GetTexture(texture->m_Name, texture->m_Directory, texture->m_bAnimated, filter, true);
            delete polygon->m_pTexture;
            polygon->m_pTexture = clamped;
        }
        if (polygon->m_bLightmapped && polygon->m_pLVertices)
            for (uint32_t v = 0; v < polygon->m_usNumVertices; ++v)
            {
                polygon->m_pLVertices[v].x -= m_vPosition.x;
                polygon->m_pLVertices[v].y -= m_vPosition.y;
                polygon->m_pLVertices[v].z -= m_vPosition.z;
            }
        if (!keepLightmaps)
            polygon->RemoveLightmap();
    }
}
