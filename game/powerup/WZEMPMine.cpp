#include "powerup/WZEMPMine.h"

#include "powerup/WZWeaponParts.h"

#include "car/WZCar.h"
#include "render/ZEParticleSystem.h"
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
    WZGiveModelAndBox(*this, "mine.zmf", ZEAABoundingBox(ZEVector(-3.0f, -1.0f, -3.0f), ZEVector(3.0f, 1.0f, 3.0f)));
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
    WZDisarm(*this);
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
