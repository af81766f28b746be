#include "render/ZESkyBox.h"

#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEntityData.h"

ZE_IMPLEMENT_RTTI(ZESkyBox, ZEEngineObject);

namespace
{
// How far in front of the far plane a box that had to shrink ends.
const float kFarMargin = 0.95f;

// The polygon's positions: lit ones when it has a lightmap, else plain.
template <typename Visit>
void ForEachPosition(ZEPolygon& polygon, Visit visit)
{
    for (uint32_t v = 0; v < polygon.m_usNumVertices; ++v)
    {
        if (polygon.m_bLightmapped && polygon.m_pLVertices)
            visit(polygon.m_pLVertices[v].x, polygon.m_pLVertices[v].y, polygon.m_pLVertices[v].z);
        else if (!polygon.m_bLightmapped && polygon.m_pVertices)
            visit(polygon.m_pVertices[v].x, polygon.m_pVertices[v].y, polygon.m_pVertices[v].z);
    }
}
}

float ZESkyBoxFit(float reach, float zFar)
{
    float limit = zFar * kFarMargin;
    if (!(reach > 0.0f) || !(zFar > 0.0f) || reach <= limit)
        return 1.0f;
    return limit / reach;
}

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

void ZESkyBox::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!renderer)
        return;
    const ZECamera& eye = camera ? *camera : renderer->m_Camera;
    ZEVector centre = eye.GetPosition();
    renderer->PushWorldMatrix();
    renderer->TransformWorld(centre.x, centre.y, centre.z);
    if (m_bRotate)
        renderer->RotateWorldDeg(m_vRotation.x, m_vRotation.y, m_vRotation.z);
    float fit = ZESkyBoxFit(m_fReach, eye.GetZFar());
    if (fit != 1.0f)
        renderer->ScaleWorld(fit, fit, fit);
    renderer->SetAmbient(255, 255, 255);
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        polygon->Render(renderer, camera);
    renderer->PopWorldMatrix();
}

void ZESkyBox::TranslateData(bool keepLightmaps)
{
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    uint16_t filter = ZERenderer::ms_pRenderer ? ZERenderer::ms_pRenderer->m_usTextureFilter : 1;
    const ZEVector origin = m_vPosition;
    m_fReach = 0.0f;
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
        ForEachPosition(*polygon, [&origin, this](float& x, float& y, float& z) {
            x -= origin.x;
            y -= origin.y;
            z -= origin.z;
            float reach = ZEVector(x, y, z).GetLength();
            m_fReach = reach > m_fReach ? reach : m_fReach;
        });
        if (!keepLightmaps)
            polygon->RemoveLightmap();
    }
}
