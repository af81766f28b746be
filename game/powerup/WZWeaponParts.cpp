#include "powerup/WZWeaponParts.h"

#include "core/ZEString.h"
#include "resources/ZEModelManager.h"
#include "world/ZEEngineObject.h"

void WZGiveModelAndBox(ZEEngineObject& object, const char* model, const ZEAABoundingBox& fallback)
{
    ZEModelManager* models = ZEModelManager::ms_pModelManager;
    object.m_pModel = models ? models->GetModel(ZEString(model)) : nullptr;
    ZEAABoundingBox box = object.m_pModel ? object.m_pModel->GetModelBBox() : fallback;
    ZEOBoundingBox* volume = new ZEOBoundingBox();
    volume->SetData(object.m_vPosition, box.m_vMin, box.m_vMax, object.m_vRotation);
    object.m_pBoundingVolume = volume;
}

void WZDisarm(ZEEngineObject& object)
{
    delete object.m_pModel;
    object.m_pModel = nullptr;
    delete object.m_pBoundingVolume;
    object.m_pBoundingVolume = nullptr;
    object.m_vVelocity = object.m_vAcceleration = ZEVector();
    object.m_bCollision = false;
    object.m_bStatic = true;
}
