#include "render/ZEWater.h"

#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "world/ZEEntityData.h"

ZE_IMPLEMENT_RTTI(ZEWater, ZEEngineObject);

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
    delete[] m_ppVertices;
    delete[] m_ppLVertices;
    delete[] m_pfOffsets;
    delete[] m_pcDirections;
}

void ZEWater::Animate(uint32_t, ZEEngine*)
{
    // Waves and texture drift are written by the water work item.
}

void ZEWater::Render(ZERenderer*, ZECamera*)
{
    // Not drawn yet: an empty body until this kind of object gets its drawing.
}

void ZEWater::UpdateVertexAni(uint32_t)
{
    // Not written yet: an empty body for now.
}

void ZEWater::UpdateTexAni(uint32_t)
{
    // Not written yet: an empty body for now.
}

void ZEWater::FindVertices()
{
    // Not written yet: an empty body for now.
}

void ZEWater::GetAllVertices()
{
    // Not written yet: an empty body for now.
}
