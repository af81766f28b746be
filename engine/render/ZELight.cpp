#include "render/ZELight.h"

#include "core/ZEConsole.h"
#include "core/ZETimer.h"
#include "math/ZEMath.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"
#include "world/ZEEntityData.h"

#include <cmath>

ZE_IMPLEMENT_ROOT_RTTI(ZELight);
ZE_IMPLEMENT_RTTI(ZEDynamicLight, ZELight);

namespace
{
// How long a hidden corona takes to fade out, game milliseconds.
const uint32_t kCoronaFadeTime = 2000;

uint32_t GameTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetTime() : 0;
}

// The low 8 bits of the value truncated to an integer; 0 for values no
// integer holds.
uint8_t TruncatedByte(float value)
{
    if (!(std::fabs(value) < 2147483648.0f))
        return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(value));
}
}

// ---------------------------------------------------------------------------
// Glow records

ZELightCorona::ZELightCorona(ZETextureReference* texture, uint8_t r, uint8_t g, uint8_t b, uint8_t a)
    : ZELightFlare(ms_ulCorona),
      m_ulFadeStart(GameTime() - kCoronaFadeTime),
      m_aucColor{r, g, b, a},
      m_pTexture(texture)
{
}

ZELightCorona::~ZELightCorona()
{
    delete m_pTexture;
}

ZELensFlare::ZELensFlare(_Flare* flares, uint16_t numFlares, ZETextureReference** textures, uint16_t numTextures)
    : ZELightFlare(ms_ulLensFlare),
      m_usNumFlares(flares ? numFlares : 0),
      m_pFlares(flares),
      m_usNumTextures(textures ? numTextures : 0),
      m_ppTextures(textures)
{
}

ZELensFlare::~ZELensFlare()
{
    for (uint16_t i = 0; i < m_usNumTextures; ++i)
        delete m_ppTextures[i];
    delete[] m_ppTextures;
    delete[] m_pFlares;
}

void ZELensFlare::SetFlare(uint16_t index, float position, float size, uint8_t r, uint8_t g, uint8_t b)
{
    if (index >= m_usNumFlares)
        return;
    _Flare& flare = m_pFlares[index];
    flare.m_fPosition = position;
    flare.m_fSize = size;
    flare.m_aucColor[0] = r;
    flare.m_aucColor[1] = g;
    flare.m_aucColor[2] = b;
}

// ---------------------------------------------------------------------------
// ZELight

ZELight::ZELight() = default;

ZELight::ZELight(float intensity)
    : m_lType(ZE_LIGHT_AMBIENT)
{
    SetColor(intensity);
}

ZELight::ZELight(const ZEVector& direction, float intensity)
    : m_lType(ZE_LIGHT_DIRECTIONAL), m_vDirection(direction.UnitVector())
{
    SetColor(intensity);
}

ZELight::ZELight(const ZEVector& position, float intensity, float range, bool attenuation, int32_t flare)
    : m_lType(ZE_LIGHT_POINT),
      m_lFlare(flare),
      m_vPosition(position),
      m_fRange(range),
      m_bAttenuation(attenuation)
{
    SetColor(intensity);
    SetSphere();
    InitFlare();
}

ZELight::ZELight(const ZEVector& position, float intensity, float range, const ZEVector& direction,
                 uint16_t coneAngle, bool attenuation, int32_t flare)
    : m_lType(ZE_LIGHT_SPOT),
      m_lFlare(flare),
      m_vPosition(position),
      m_fRange(range),
      m_bAttenuation(attenuation),
      m_vDirection(direction.UnitVector()),
      m_usConeAngle(coneAngle)
{
    SetColor(intensity);
    SetSphere();
    InitFlare();
}

ZELight::~ZELight()
{
    if (m_bInWorld && ZEEngine::ms_pEngine)
        ZEEngine::ms_pEngine->RemoveLightFromWorld(this);
    delete m_pTexture;
    delete m_pFlare;
}

void ZELight::Animate(uint32_t)
{
}

void ZELight::InitFlare()
{
    // The lights work item builds the corona or lens flare for m_lFlare.
}

bool ZELight::IsInSpotlight(const ZEVector& point) const
{
    float angle;
    return IsInSpotlight(point, angle);
}

bool ZELight::IsInSpotlight(const ZEVector&, float&) const
{
    // The cone test is written by the lights work item.
    return false;
}

void ZELight::SetColor(float intensity)
{
    m_afColor[0] = m_afColor[1] = m_afColor[2] = intensity;
}

void ZELight::SetSphere()
{
    m_BoundingSphere.SetData(m_vPosition, m_fRange);
}

// ---------------------------------------------------------------------------
// ZEDynamicLight

ZEDynamicLight::ZEDynamicLight(const ZEVector& position, const void* entityData, uint16_t dataSize)
{
    m_vPosition = position;
    ZEEntityData data(static_cast<const uint8_t*>(entityData), dataSize);
    if (!data.Holds(ms_usEntityDataSize))
    {
        ZEConsole::Post("lights", ZEString::Format("DynamicLight data too short (%u of %u bytes)", dataSize,
                                                   ms_usEntityDataSize),
                        ZE_MSG_ERROR);
        SetSphere();
        return;
    }
    ReadEntityData(data);
    SetSphere();
    if (ZETextureManager::ms_pTexManager)
        m_pTexture = ZETextureManager::ms_pTexManager->GetTexture(ZEString("ball"), ZEString("EngineSFX"), false, 1,
                                                                  true);
    m_ulPhaseStart = GameTime();
    m_cState = m_lMode == 1 ? -1 : 0;
    if (m_lMode == 1)
        m_ulPeriod = static_cast<uint32_t>(ZERandM(5000));
    InitFlare();
    if (m_lMode == 2)
        m_pSavedFlare = m_pFlare;
}

void ZEDynamicLight::ReadEntityData(const ZEEntityData& data)
{
    m_lType = data.U32(0) ? ZE_LIGHT_DYNAMIC_SPOT : ZE_LIGHT_DYNAMIC_POINT;
    m_lMode = data.Long(4);
    m_lFlare = data.Long(8);
    m_ulPeriod = data.U32(12);
    m_fRange = m_fBaseRange = data.Float(16);
    m_ucAlpha = m_ucBaseAlpha = TruncatedByte(data.Float(20) * 255.0f);
    m_vDirection = data.Vector(24).UnitVector();
    m_bAttenuation = data.Flag(36);
    m_usConeAngle = data.U16(37);
    data.Color(39, m_aucColor1);
    data.Color(42, m_aucColor2);
    data.Color(45, m_aucColor3);
    for (int c = 0; c < 3; ++c)
        m_afColor[c] = m_aucColor1[c] / 255.0f;
}

ZEDynamicLight::~ZEDynamicLight()
{
    if (m_pSavedFlare && m_pSavedFlare != m_pFlare)
    {
        if (m_pFlare)
            delete m_pSavedFlare;
        else
            m_pFlare = m_pSavedFlare;
    }
    m_pSavedFlare = nullptr;
}

void ZEDynamicLight::Animate(uint32_t)
{
    // Pulse, flicker and colour fades are written by the lights work item.
}
