#include "car/WZCarModels.h"

#include "car/WZRoster.h"
#include "render/ZERenderer.h"
#include "resources/ZESoundManager.h"
#include "resources/ZETextureManager.h"

#define WZ_DEFINE_CAR_MODEL(Class, Car)                                \
    ZE_IMPLEMENT_RTTI(Class, WZCar);                                   \
    Class::Class(const ZEVector& position, float heading)              \
    {                                                                  \
        Build(WZGetCarSpec(Car), position, heading);                   \
    }

WZ_DEFINE_CAR_MODEL(WZAClass, WZ_CAR_ACLASS)
WZ_DEFINE_CAR_MODEL(WZDodge, WZ_CAR_DODGE)
WZ_DEFINE_CAR_MODEL(WZGolf, WZ_CAR_GOLF)
WZ_DEFINE_CAR_MODEL(WZHummer, WZ_CAR_HUMMER)
WZ_DEFINE_CAR_MODEL(WZMonsterHummer, WZ_CAR_MONSTERHUMMER)
WZ_DEFINE_CAR_MODEL(WZPickup, WZ_CAR_PICKUP)
#undef WZ_DEFINE_CAR_MODEL

ZE_IMPLEMENT_RTTI(WZFuneralCar, WZCar);
WZFuneralCar::WZFuneralCar(const ZEVector& position, float heading)
{
    Build(WZGetCarSpec(WZ_CAR_FUNERALCAR), position, heading);
    // Its glass is see-through.
    m_bSecondPass = true;
}

ZE_IMPLEMENT_RTTI(WZLoserGolf, WZCar);
WZLoserGolf::WZLoserGolf(const ZEVector& position, float heading)
{
    Build(WZGetWreckSpec(), position, heading);
    m_bCollision = false;
    m_fBounce = 0.0f;
    m_fRetention = 1.0f;
}

// ---------------------------------------------------------------------------
// Sirens

namespace
{
const uint8_t kBrightening = 1, kDarkening = 0;
const uint32_t kSirenGhostTime = 2500;
}

WZSiren::WZSiren(const WZSirenSpec& row) : m_Spec(row)
{
    if (ZETextureManager* textures = ZETextureManager::ms_pTexManager)
        m_pSirenLight = textures->GetTexture(ZEString("corona03"), ZEString("EngineSFX"), false, 1, true);
}

WZSiren::~WZSiren() { delete m_pSirenLight; }

void WZSiren::Switch(WZCar& car)
{
    ZESoundReference* sound = car.m_pHornSound;
    if (m_bSiren)
    {
        if (sound && sound->IsPlaying())
            sound->Stop();
        m_bSiren = false;
        return;
    }
    if (sound && !sound->IsPlaying())
        sound->Play3D(car.m_vPosition, car.m_vVelocity, -1, m_Spec.m_fVolume);
    for (uint32_t i = 0; i < m_Spec.m_ulNumLights; ++i)
    {
        m_aucSirenIntensity[i] = m_Spec.m_aucStart[i];
        m_aucSirenDirection[i] = m_Spec.m_aucStart[i] == 255 ? kDarkening : kBrightening;
    }
    m_bSiren = true;
}

void WZSiren::Update(uint32_t ms)
{
    if (!m_bSiren)
        return;
    int32_t step = static_cast<int32_t>(ms * 1.5f);
    for (uint32_t i = 0; i < m_Spec.m_ulNumLights; ++i)
    {
        int32_t value = m_aucSirenIntensity[i] + (m_aucSirenDirection[i] == kBrightening ? step : -step);
        if (value < 1)
        {
            value = 0;
            m_aucSirenDirection[i] = kBrightening;
        }
        else if (value > 254)
        {
            value = 255;
            m_aucSirenDirection[i] = kDarkening;
        }
        m_aucSirenIntensity[i] = static_cast<uint8_t>(value);
    }
}

void WZSiren::Render(ZERenderer* renderer, const WZCar& car, float coronaSize) const
{
    if (!m_bSiren || coronaSize == 0.0f)
        return;
    float size = coronaSize * m_Spec.m_fSizeFactor;
    renderer->SetZBufferState(false);
    renderer->EnableBlending();
    renderer->SetBlendingState(4, 1);
    for (uint32_t i = 0; i < m_Spec.m_ulNumLights; ++i)
    {
        uint8_t colour[4] = {0, 0, 0, 255};
        colour[m_Spec.m_aucChannel[i]] = m_aucSirenIntensity[i];
        renderer->SetAmbient4(colour);
        const float* at = m_Spec.m_aafLights[i];
        ZEVector point = car.GetCenter() + car.m_vSide * at[0] + car.m_vUp * at[1] + car.m_vForward * at[2];
        renderer->RenderParticle(point, size, size, m_pSirenLight);
    }
    renderer->SetZBufferState(true);
    renderer->DisableBlending();
}

#define WZ_DEFINE_SIREN_MODEL(Class, Car, Siren)                          \
    ZE_IMPLEMENT_RTTI(Class, WZCar);                                      \
    Class::Class(const ZEVector& position, float heading) : m_Siren(Siren) \
    {                                                                     \
        Build(WZGetCarSpec(Car), position, heading);                      \
        SetGhostTime(kSirenGhostTime);                                    \
    }                                                                     \
    void Class::Update(uint32_t ms, ZEEngine* engine)                     \
    {                                                                     \
        WZCar::Update(ms, engine);                                        \
        m_Siren.Update(ms);                                               \
    }                                                                     \
    void Class::Render(ZERenderer* renderer, ZECamera* camera)            \
    {                                                                     \
        WZCar::Render(renderer, camera);                                  \
        if (renderer && DrawnThisFrame())                                 \
            m_Siren.Render(renderer, *this, CoronaSize(camera));          \
    }                                                                     \
    void Class::Horn() { m_Siren.Switch(*this); }

WZ_DEFINE_SIREN_MODEL(WZCop, WZ_CAR_COP, WZGetCopSiren())
WZ_DEFINE_SIREN_MODEL(WZAmbulance, WZ_CAR_AMBULANCE, WZGetAmbulanceSiren())
#undef WZ_DEFINE_SIREN_MODEL

namespace
{
WZCar* Construct(uint32_t car, const ZEVector& position, float heading)
{
    switch (car)
    {
    case WZ_CAR_AMBULANCE: return new WZAmbulance(position, heading);
    case WZ_CAR_COP: return new WZCop(position, heading);
    case WZ_CAR_DODGE: return new WZDodge(position, heading);
    case WZ_CAR_FUNERALCAR: return new WZFuneralCar(position, heading);
    case WZ_CAR_GOLF: return new WZGolf(position, heading);
    case WZ_CAR_HUMMER: return new WZHummer(position, heading);
    case WZ_CAR_MONSTERHUMMER: return new WZMonsterHummer(position, heading);
    case WZ_CAR_PICKUP: return new WZPickup(position, heading);
    default: return new WZAClass(position, heading);
    }
}
}

WZCar* WZMakeCar(uint32_t car, const ZEVector& position, float heading)
{
    WZCar* made = Construct(car, position, heading);
    made->m_ulModel = car < WZ_NUM_CARS ? car : WZ_CAR_ACLASS;
    return made;
}
