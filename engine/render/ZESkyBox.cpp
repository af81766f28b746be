#include "render/ZESkyBox.h"

#include "math/ZEPolygon.h"

ZE_IMPLEMENT_RTTI(ZESkyBox, ZEEngineObject);

ZESkyBox::ZESkyBox(ZECustomEntity* entity)
{
    m_bCollision = false;
    m_bGravity = false;
    m_bStatic = false;
    if (!entity)
        return;
    m_vPosition = m_vOldPosition = entity->m_vPosition;
    m_pPolygons = entity->m_pPolygons;
    entity->m_pPolygons = nullptr;
    // Reading the data block and TranslateData are added by the sky box
    // work item.
    delete entity;
}

ZESkyBox::~ZESkyBox()
{
    ZEDeletePolygonList(m_pPolygons);
}

void ZESkyBox::Render(ZERenderer*, ZECamera*)
{
    // Drawn by the sky box work item.
}

void ZESkyBox::TranslateData(bool)
{
    // Written by the sky box work item.
}
