#include "powerup/WZEMPRocket.h"

#include "powerup/WZWeaponParts.h"

#include "car/WZCar.h"
#include "render/ZEParticleSystem.h"
#include "resources/ZESoundManager.h"
#include "world/ZEEngine.h"

ZE_IMPLEMENT_RTTI(WZEMPRocket, ZEEngineObject);

namespace
{
const float kSpeed = 1000.0f;        // units per second
const float kExhaust = -7.0f;        // the trail leaves this far behind
const uint32_t kBlastTime = 500;     // ms the sparks fly
const uint32_t kFlightTime = 5000;   // ms before a rocket that met nothing burns out

ZESoundReference* Sound(const char* name)
{
    ZESoundManager* sounds = ZESoundManager::ms_pSoundManager;
    return sounds ? sounds->GetSound(ZEString(name)) : nullptr;
}

// Handed to the engine; kept back (and deleted) without one.
ZEParticleFX* Emit(ZEParticleFX* system)
{
    if (ZEEngine* engine = ZEEngine::ms_pEngine)
    {
        engine->AddParticleSystem(system);
        return system;
    }
    delete system;
    return nullptr;
}
}

WZEMPRocket::WZEMPRocket(const ZEVector& position, const ZEVector& direction, const ZEVector& rotation)
{
    m_vPosition = m_vOldPosition = position;
    m_vExhaust = direction * kExhaust;
    m_vVelocity = direction * kSpeed;
    m_vRotation = ZEVector(90.0f, rotation.y, rotation.z);
    m_bStatic = false;
    m_fBounce = 0.0f;
    m_fRetention = 0.0f;
    WZGiveModelAndBox(*this, "rocket.zmf",
                      ZEAABoundingBox(ZEVector(-1.5f, -6.0f, -1.5f), ZEVector(1.5f, 6.0f, 1.5f)));

    ZEParticleFX* trail = new ZEParticleFX(m_vPosition + m_vExhaust, ZEParticleFX::ms_lSmoke, 4.0f, 1.3f, 0, 0.0f,
                                           0.0f, -direction, 250, 1000, 255, 1.0f, true, false);
    trail->SetColor(255, 255, 255);
    m_pSmoke = Emit(trail);
    m_pSound = Sound("rocketflight.ogg");
    if (m_pSound)
        m_pSound->Play3D(m_vPosition, m_vVelocity, -1, 1.0f);
}

WZEMPRocket::~WZEMPRocket()
{
    delete m_pSound;
    m_pSound = nullptr;
}

void WZEMPRocket::OnClip(ZEEngineObject* other)
{
    // It goes off once; a second contact in the same step finds it spent.
    if (m_ulExplosionTime != 0)
        return;
    Extinguish(ZEEngine::ms_pEngine);
    m_ulExplosionTime = 1;
    m_pSound = Sound("emp.ogg");
    if (m_pSound)
        m_pSound->Play3D(m_vPosition, m_vVelocity, 0, 1.0f);
    ZEParticleFX* blast = new ZEParticleFX(m_vPosition, ZEParticleFX::ms_lSparks, 15.0f, 1.0f, 360, 0.0f, 0.0f,
                                           m_vExhaust, 20, 1500, 255, 15.0f, false, false);
    blast->SetColor(0, 0, 128);
    m_pSmoke = Emit(blast);
    if (ZEIsKindOf(other, WZCar::ms_RTTI))
        static_cast<WZCar*>(other)->EMPHit();
}

// Far off the track with nothing hit: quietly gone, with no explosion.
void WZEMPRocket::BurnOut(ZEEngine* engine)
{
    Extinguish(engine);
    m_ulExplosionTime = kBlastTime + 1;
}

// The flight is over: no flight sound, no trail, nothing left to hit.
void WZEMPRocket::Extinguish(ZEEngine* engine)
{
    delete m_pSound;
    m_pSound = nullptr;
    WZDisarm(*this);
    if (m_pSmoke && engine)
        engine->RemoveParticleSystem(m_pSmoke);
    m_pSmoke = nullptr;
}

void WZEMPRocket::Animate(uint32_t step, ZEEngine* engine)
{
    if (m_ulExplosionTime == 0)
    {
        m_ulFlightTime += step;
        if (m_ulFlightTime > kFlightTime)
        {
            BurnOut(engine);
            return;
        }
        if (m_pSmoke)
            m_pSmoke->MoveToPosition(m_vPosition + m_vExhaust);
        if (m_pSound)
            m_pSound->UpdateProperties(m_vPosition, m_vVelocity);
        return;
    }
    if (m_ulExplosionTime > kBlastTime)
        return;
    m_ulExplosionTime += step;
    if (m_ulExplosionTime <= kBlastTime || !m_pSmoke)
        return;
    if (engine)
        engine->RemoveParticleSystem(m_pSmoke);
    m_pSmoke = nullptr;
}
