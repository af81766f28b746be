#include "render/ZEWater.h"

#include "math/ZEPolygon.h"

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
    // Reading the data block, the bounding sphere and the choice of moving
    // vertices are added by the water work item.
    delete entity;
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
    // Drawn by the water work item.
}

void ZEWater::UpdateVertexAni(uint32_t)
{
    // Written by the water work item.
}

void ZEWater::UpdateTexAni(uint32_t)
{
    // Written by the water work item.
}

void ZEWater::FindVertices()
{
    // Written by the water work item.
}

void ZEWater::GetAllVertices()
{
    // Written by the water work item.
}
