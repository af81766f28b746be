#include "render/ZEBillboard.h"

#include "resources/ZETextureManager.h"

ZE_IMPLEMENT_RTTI(ZEBillboard, ZEEngineObject);

ZEBillboard::ZEBillboard(ZECustomEntity* entity)
{
    m_bStatic = true;
    m_bGravity = false;
    if (!entity)
        return;
    m_vPosition = m_vOldPosition = entity->m_vPosition;
    // Size, texture, opacity, the data block and the bounding box are taken
    // from the entity by the billboard work item.
    delete entity;
}

ZEBillboard::~ZEBillboard()
{
    delete m_pTexture;
}

void ZEBillboard::Render(ZERenderer*, ZECamera*)
{
    // Drawn by the billboard work item.
}
