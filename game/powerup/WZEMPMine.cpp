#include "powerup/WZEMPMine.h"

#include "car/WZCar.h"
#include "math/ZEBoundingVolume.h"
#include "render/ZEParticleSystem.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "world/ZEEngine.h"

ZE_IMPLEMENT_RTTI(WZEMPMine, ZEEngineObject);

namespace
{
const uint32_t kBlastTime = 500;   // ms the sparks fly
}

WZEMPMine::WZEMPMine(const ZEVector& position)
{
    m_vPosition = m_vOldPosition = position;
    ZEModelManager* models = ZEModelManager::ms_pModelManager;
    m_pModel = models ? models->GetModel(ZEString("mine.zmf")) : nullptr;
    ZEAABoundingBox box(ZEVector(-3.0f, -1.0f, -3.0f), ZEVector(3.0f, 1.0f, 3.0f));
    if (m_pModel)
        box = m_pModel->GetModelBBox();
    ZEOBoundingBox* volume = new ZEOBoundingBox();
    volume->SetData(m_vPosition, box.m_vMin, box.m_vMax, m_vRotation);
    m_pBoundingVolume = volume;
    m_fBounce = 0.0f;
    m_fRetention = 0.0f;
    m_bGravity = true;
    m_bStatic = false;
    m_bAlignToGround = true;
    ZESoundManager* sounds = ZESoundManager::ms_pSoundManager;
    m_pSound = sounds ? sounds->GetSound(ZEString("emp.ogg")) : nullptr;
}

WZEMPMine::~WZEMPMine()
{
    delete m_pSound;
    m_pSound = nullptr;
}

void WZEMPMine::OnClip(ZEEngineObject* other)
{
    // Spent: a second contact in the same step finds nothing left to do.
    if (m_ulExplosionTime != 0 || !other)
        return;
    m_bStatic = true;
    m_bGravity = false;
    m_bAlignToGround = false;
    if (!ZEIsKindOf(other, WZCar::ms_RTTI))
        return;   // the ground: it has settled
    static_cast<WZCar*>(other)->EMPHit();
    delete m_pModel;
    m_pModel = nullptr;
    delete m_pBoundingVolume;
    m_pBoundingVolume = nullptr;
    m_vVelocity = m_vAcceleration = ZEVector();
    m_bCollision = false;
    m_ulExplosionTime = 1;
    if (m_pSound)
        m_pSound->Play3D(m_vPosition, m_vVelocity, 0, 1.0f);
    m_pExplosion = new ZEParticleFX(m_vPosition, ZEParticleFX::ms_lSparks, 15.0f, 1.0f, 180, 0.0f, 0.0f,
                                    ZEVector(0.0f, 1.0f, 0.0f), 20, 1500, 255, 15.0f, false, false);
    m_pExplosion->SetColor(0, 0, 128);
    if (ZEEngine* engine = ZEEngine::ms_pEngine)
        engine->AddParticleSystem(m_pExplosion);
    else
    {
        delete m_pExplosion;
        m_pExplosion = nullptr;
    }
}

void WZEMPMine::Animate(uint32_t step, ZEEngine* engine)
{
    if (m_ulExplosionTime == 0 || m_ulExplosionTime > kBlastTime)
        return;
    m_ulExplosionTime += step;
    if (m_ulExplosionTime <= kBlastTime || !m_pExplosion)
        return;
    if (engine)
        engine->RemoveParticleSystem(m_pExplosion);
    m_pExplosion = nullptr;
}
