#include "powerup/WZPowerUp.h"

#include "car/WZCar.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEMath.h"
#include "math/ZEMatrix.h"
#include "render/ZERenderer.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "world/ZEEngine.h"

ZE_IMPLEMENT_RTTI(WZPowerUp, ZEEngineObject);

bool WZPowerUp::ms_bHideType = false;
uint32_t WZPowerUp::ms_ulDetail = 2;

namespace
{
const float kHover = 10.0f;
const float kHalfBox = 5.0f;
const float kSpinRate = 0.18f;           // degrees per ms
const uint32_t kRespawnTime = 25000;

struct PickupLook
{
    const char* m_pModel;
    float m_fTilt;
    float m_fShadowWidth, m_fShadowLength;
};

// By type; the last row is the hidden type's.
const PickupLook kLooks[5] = {{"gasbottle.zmf", 0, 5, 5},
                              {"rocket.zmf", 90, 3, 12},
                              {"mine.zmf", 90, 6, 2.5f},
                              {"oilcan.zmf", 0, 2.5f, 5},
                              {"question.zmf", 0, 11, 11}};

const PickupLook& LookOf(int32_t type, bool hidden)
{
    if (hidden)
        return kLooks[4];
    return type >= 0 && type < 4 ? kLooks[type] : kLooks[0];
}
}

WZPowerUp::WZPowerUp(const ZEVector& position)
{
    m_vPosition = m_vOldPosition = ZEVector(position.x, kHover, position.z);
    ZEVector half(kHalfBox, kHalfBox, kHalfBox);
    m_pBoundingVolume = new ZEAABoundingBox(m_vPosition - half, m_vPosition + half);
    m_lType = ZERandIndex(4);
    UpdateModel();
    m_bCastShadow = ms_ulDetail < 3;
}

WZPowerUp::~WZPowerUp() = default;

void WZPowerUp::UpdateModel()
{
    const PickupLook& look = LookOf(m_lType, ms_bHideType);
    delete m_pModel;
    ZEModelManager* models = ZEModelManager::ms_pModelManager;
    m_pModel = models ? models->GetModel(ZEString(look.m_pModel)) : nullptr;
    m_vRotation.x = look.m_fTilt;
    m_bSecondPass = ms_bHideType;
}

bool WZPowerUp::VolStaticInfluence(uint32_t, ZEEngineObject* other)
{
    return other && other->m_pBoundingVolume && Clips(*other->m_pBoundingVolume);
}

void WZPowerUp::OnClip(ZEEngineObject* other)
{
    if (!ZEIsKindOf(other, WZCar::ms_RTTI) || m_ulRespawnTime != 0)
        return;
    m_ulRespawnTime = 1;
    delete m_pModel;
    m_pModel = nullptr;
    m_bCollision = false;
    WZCar* car = static_cast<WZCar*>(other);
    car->SetPowerUp(static_cast<uint32_t>(m_lType));
}

void WZPowerUp::Animate(uint32_t step, ZEEngine*)
{
    if (m_ulRespawnTime == 0)
    {
        m_vRotation.y += step * kSpinRate;
        return;
    }
    m_ulRespawnTime += step;
    if (m_ulRespawnTime <= kRespawnTime)
        return;
    m_ulRespawnTime = 0;
    m_bCollision = true;
    m_lType = ZERandIndex(4);
    UpdateModel();
}

void WZPowerUp::RenderShadow(ZERenderer* renderer, ZECamera*, ZELight*, ZEShadowMethod, bool)
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!m_bCastShadow || m_ulRespawnTime != 0 || !renderer || !engine)
        return;
    const PickupLook& look = LookOf(m_lType, ms_bHideType);
    ZEMatrix3x3 turn;
    turn.YRotationMatrixDeg(m_vRotation.y);
    ZEVector direction(turn.m[6], turn.m[7], turn.m[8]);
    renderer->SetAmbient(192, 192, 192);
    engine->RenderFakeShadow(m_vPosition, direction, look.m_fShadowWidth, look.m_fShadowLength);
}
