#include "render/ZELight.h"

#include "core/ZEConsole.h"
#include "core/ZETimer.h"
#include "math/ZEMath.h"
#include "math/ZEPlane.h"
#include "render/ZECamera.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"
#include "world/ZEEntityData.h"

#include <algorithm>
#include <cmath>
#include <cstring>

ZE_IMPLEMENT_ROOT_RTTI(ZELight);
ZE_IMPLEMENT_RTTI(ZEDynamicLight, ZELight);

namespace
{
// How long a hidden corona takes to fade out, game milliseconds.
const uint32_t kCoronaFadeTime = 2000;
// Degrees a spot light reaches beyond half its cone.
const float kSpotTolerance = 3.5f;

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

namespace
{
ZETextureReference* EffectTexture(const char* name)
{
    if (!ZETextureManager::ms_pTexManager)
        return nullptr;
    return ZETextureManager::ms_pTexManager->GetTexture(ZEString(name), ZEString("EngineSFX"), false, 1, true);
}

struct FlareElement
{
    uint16_t m_usTexture;
    float m_fPosition, m_fSize;
    uint8_t m_aucColor[3];   // table A: fixed colour when not all zero with m_bOwnColor
    bool m_bOwnColor;
    float m_afFactor[3];     // table B: factors on the light's colour
};

// Sparks and rings: the sparks keep their own colours, the rest takes the
// flare's colour.
const FlareElement kSparkFlare[12] = {
    {0, 1.0f, 0.3f, {0, 0, 255}, true, {}},    {1, 1.0f, 0.2f, {0, 255, 0}, true, {}},
    {2, 1.0f, 0.25f, {255, 0, 0}, true, {}},   {4, 0.5f, 0.2f, {}, false, {}},
    {5, 1.3f, 0.04f, {}, false, {}},           {6, 1.0f, 0.1f, {}, false, {}},
    {3, 0.2f, 0.05f, {}, false, {}},           {3, 0.0f, 0.04f, {}, false, {}},
    {7, -0.25f, 0.07f, {}, false, {}},         {7, -0.4f, 0.02f, {}, false, {}},
    {7, -0.6f, 0.04f, {}, false, {}},          {7, -1.0f, 0.03f, {}, false, {}},
};

// Pentagons: blue-violet for kind 23, the light's colour scaled for 24.
const FlareElement kPentaFlare[15] = {
    {1, 1.0f, 0.1f, {255, 255, 255}, false, {1.0f, 1.0f, 1.0f}},
    {0, 1.45f, 0.05f, {0, 0, 179}, false, {0.7f, 0.57f, 0.7f}},
    {0, 1.3f, 0.04f, {0, 0, 77}, false, {0.3f, 0.3f, 0.3f}},
    {0, 1.15f, 0.03f, {0, 0, 77}, false, {0.3f, 0.3f, 0.3f}},
    {0, 0.9f, 0.05f, {0, 0, 179}, false, {0.7f, 0.7f, 0.7f}},
    {0, 0.75f, 0.04f, {0, 0, 144}, false, {0.6f, 0.6f, 0.6f}},
    {0, 0.6f, 0.07f, {128, 0, 128}, false, {0.5f, 0.5f, 0.5f}},
    {0, 0.55f, 0.02f, {0, 0, 144}, false, {0.6f, 0.6f, 0.6f}},
    {0, 0.45f, 0.04f, {0, 0, 144}, false, {0.6f, 0.6f, 0.6f}},
    {0, 0.3f, 0.03f, {0, 0, 77}, false, {0.3f, 0.3f, 0.3f}},
    {0, 0.15f, 0.02f, {0, 0, 128}, false, {0.5f, 0.5f, 0.5f}},
    {0, 0.05f, 0.04f, {77, 0, 77}, false, {0.3f, 0.3f, 0.3f}},
    {0, -0.2f, 0.03f, {0, 0, 144}, false, {0.6f, 0.6f, 0.6f}},
    {0, -0.35f, 0.04f, {0, 0, 77}, false, {0.3f, 0.3f, 0.3f}},
    {0, -0.5f, 0.03f, {0, 0, 144}, false, {0.6f, 0.6f, 0.6f}},
};

ZELensFlare* MakeLensFlare(const char* const* textureNames, uint16_t numTextures, const FlareElement* elements,
                           uint16_t numElements)
{
    ZETextureReference** textures = new ZETextureReference*[numTextures];
    for (uint16_t i = 0; i < numTextures; ++i)
        textures[i] = EffectTexture(textureNames[i]);
    _Flare* flares = new _Flare[numElements];
    for (uint16_t i = 0; i < numElements; ++i)
        flares[i].m_usTexture = elements[i].m_usTexture;
    return new ZELensFlare(flares, numElements, textures, numTextures);
}
}

void ZELight::InitFlare()
{
    uint8_t lc[3];
    for (int c = 0; c < 3; ++c)
        lc[c] = TruncatedByte(m_afColor[c] * 255.0f);
    switch (m_lFlare)
    {
    case 1:
        m_pFlare = new ZELightCorona(EffectTexture("corona01"), 255, 255, 255, 192);
        break;
    case 2:
        m_pFlare = new ZELightCorona(EffectTexture("corona02"), lc[0], lc[1], lc[2], 255);
        break;
    case 3:
        m_pFlare = new ZELightCorona(EffectTexture("corona03"), 255, 255, 255, 255);
        break;
    case 4:
        m_pFlare = new ZELightCorona(EffectTexture("corona03"), lc[0], lc[1], lc[2], 255);
        break;
    case 21:
    case 22:
    {
        static const char* const names[8] = {"spark0", "spark1", "spark2", "flare0",
                                             "flare1", "flare2", "flare3", "flare4"};
        ZELensFlare* flare = MakeLensFlare(names, 8, kSparkFlare, 12);
        const uint8_t red[3] = {255, 0, 0};
        const uint8_t* k = m_lFlare == 21 ? red : lc;
        for (uint16_t i = 0; i < 12; ++i)
        {
            const FlareElement& e = kSparkFlare[i];
            const uint8_t* colour = e.m_bOwnColor ? e.m_aucColor : k;
            flare->SetFlare(i, e.m_fPosition, e.m_fSize, colour[0], colour[1], colour[2]);
        }
        m_pFlare = flare;
        break;
    }
    case 23:
    case 24:
    {
        static const char* const names[2] = {"penta", "corona03"};
        ZELensFlare* flare = MakeLensFlare(names, 2, kPentaFlare, 15);
        for (uint16_t i = 0; i < 15; ++i)
        {
            const FlareElement& e = kPentaFlare[i];
            uint8_t colour[3];
            for (int c = 0; c < 3; ++c)
                colour[c] = m_lFlare == 23 ? e.m_aucColor[c] : TruncatedByte(lc[c] * e.m_afFactor[c]);
            flare->SetFlare(i, e.m_fPosition, e.m_fSize, colour[0], colour[1], colour[2]);
        }
        m_pFlare = flare;
        break;
    }
    default:
        break;
    }
}

bool ZELight::IsInSpotlight(const ZEVector& point) const
{
    float angle;
    return IsInSpotlight(point, angle);
}

bool ZELight::IsInSpotlight(const ZEVector& point, float& angle) const
{
    if (m_lType != ZE_LIGHT_SPOT && m_lType != ZE_LIGHT_DYNAMIC_SPOT)
        return false;
    angle = 1.0f;
    ZEVector toPoint = point - m_vPosition;
    if (m_vDirection.DotProduct(toPoint) < 0.0f)
        return false;
    ZEVector axis = m_vDirection * m_fRange;
    float lengths = axis.GetLength() * toPoint.GetLength();
    if (lengths <= 0.001f)
        return true;
    // Rounding may carry the cosine of a point on the axis past 1.
    float cosine = std::clamp(axis.DotProduct(toPoint) / lengths, -1.0f, 1.0f);
    angle = std::acos(cosine) * (180.0f / 3.14159265358979f);
    return angle <= m_usConeAngle * 0.5f + kSpotTolerance;
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
    uint32_t bits[3];
    std::memcpy(bits, &m_vPosition.x, 4);
    std::memcpy(bits + 1, &m_vPosition.y, 4);
    std::memcpy(bits + 2, &m_vPosition.z, 4);
    m_ullRandomState = (static_cast<uint64_t>(bits[0]) << 32 ^ bits[1] * 2654435761u ^ bits[2]) + 1;
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

void ZEDynamicLight::SetColorBetween(const uint8_t* from, const uint8_t* to, float f)
{
    for (int c = 0; c < 3; ++c)
        m_afColor[c] = (from[c] * (1.0f - f) + to[c] * f) / 255.0f;
}

void ZEDynamicLight::Animate(uint32_t)
{
    uint32_t now = GameTime();
    uint32_t t = now - m_ulPhaseStart;
    // A period of 0 would divide by zero; it counts as one millisecond.
    if (m_ulPeriod == 0)
        m_ulPeriod = 1;
    float share = static_cast<float>(t) / static_cast<float>(m_ulPeriod);
    bool phaseOver = t > m_ulPeriod;
    if (phaseOver && m_lMode >= 1 && m_lMode <= 4)
        m_ulPhaseStart = now;
    switch (m_lMode)
    {
    case 1:
        Pulse(phaseOver, share);
        break;
    case 2:
        if (phaseOver)
            Flicker();
        break;
    case 3:   // two-colour fade
        if (phaseOver)
            m_cState = m_cState == 0 ? 1 : 0;
        else
            SetColorBetween(m_aucColor2, m_aucColor1, m_cState > 0 ? share : 1.0f - share);
        break;
    case 4:
        Cycle(phaseOver, share);
        break;
    default:
        break;
    }
    ColorCorona();
}

void ZEDynamicLight::Pulse(bool phaseOver, float share)
{
    if (phaseOver)
    {
        m_cState = static_cast<int8_t>(-m_cState);
        return;
    }
    float f = m_cState > 0 ? share : 1.0f - share;
    m_ucAlpha = TruncatedByte(m_ucBaseAlpha * f);
    for (int c = 0; c < 3; ++c)
        m_afColor[c] = m_aucColor1[c] / 255.0f * f;
}

// Lit for up to 2.5 s, dark for up to 0.35 s; now and then a lit phase
// only draws a shorter period.
void ZEDynamicLight::Flicker()
{
    if (m_cState == 0)
    {
        m_fRange = 0.0f;
        m_ucAlpha = 0;
        m_afColor[0] = m_afColor[1] = m_afColor[2] = 0.0f;
        m_ulPeriod = static_cast<uint32_t>(ZERandM(m_ullRandomState, 350));
        m_cState = 1;
        m_pFlare = nullptr;
    }
    else if (ZERandM(m_ullRandomState, 10) == 10)
    {
        m_ulPeriod = static_cast<uint32_t>(ZERandM(m_ullRandomState, 300));
    }
    else
    {
        m_fRange = m_fBaseRange;
        m_ucAlpha = m_ucBaseAlpha;
        for (int c = 0; c < 3; ++c)
            m_afColor[c] = m_aucColor1[c] / 255.0f;
        m_ulPeriod = static_cast<uint32_t>(ZERandM(m_ullRandomState, 2500));
        m_cState = 0;
        m_pFlare = m_pSavedFlare;
    }
    SetSphere();
}

void ZEDynamicLight::Cycle(bool phaseOver, float share)
{
    if (phaseOver)
    {
        m_cState = static_cast<int8_t>((m_cState + 1) % 3);
        return;
    }
    const uint8_t* colours[3] = {m_aucColor1, m_aucColor2, m_aucColor3};
    int from = m_cState >= 0 && m_cState < 3 ? m_cState : 0;
    SetColorBetween(colours[from], colours[(from + 1) % 3], share);
}

// A coloured corona follows the light; a dark flickering light has no glow
// record to colour.
void ZEDynamicLight::ColorCorona()
{
    if ((m_lFlare == 2 || m_lFlare == 4) && m_pFlare && m_pFlare->m_ulKind == ZELightFlare::ms_ulCorona)
    {
        ZELightCorona* corona = static_cast<ZELightCorona*>(m_pFlare);
        for (int c = 0; c < 3; ++c)
            corona->m_aucColor[c] = TruncatedByte(m_afColor[c] * 255.0f);
    }
}

// ---------------------------------------------------------------------------
// Pass decisions

float ZECoronaSize(float distance, float coronaDist, float coronaScale)
{
    return distance <= coronaDist * 0.25f ? distance * coronaScale : 16.0f;
}

bool ZECoronaColor(ZELightCorona& corona, uint32_t now, bool hidden, uint8_t* rgba)
{
    if (!hidden)
    {
        corona.m_ulFadeStart = now;
        std::copy(corona.m_aucColor, corona.m_aucColor + 4, rgba);
        return true;
    }
    uint32_t since = now - corona.m_ulFadeStart;
    if (since >= kCoronaFadeTime)
        return false;
    float f = 1.0f - static_cast<float>(since) / kCoronaFadeTime;
    for (int c = 0; c < 4; ++c)
        rgba[c] = TruncatedByte(corona.m_aucColor[c] * f);
    return true;
}

bool ZELensFlareLine(const ZECamera& camera, const ZEVector& light, ZEVector& centre, ZEVector& axis)
{
    ZEVector toLight = light - camera.m_vPosition;
    if (toLight.GetLength() <= 0.0f)
        return false;
    ZEVector u = toLight.UnitVector();
    ZEVector forward = camera.GetFVector().UnitVector();
    float facing = forward.DotProduct(u);
    if (!(facing > 0.55f))
        return false;
    float n = camera.GetZNear() + 1.0f;
    centre = camera.m_vPosition + forward * n;
    axis = camera.m_vPosition + u * (n / facing) - centre;
    return true;
}

bool ZELightSpotOnPlane(const ZELight& light, const ZEPlane& plane, ZEVector& spot, float& height)
{
    const ZEVector& from = light.m_vPosition;
    ZEVector end = light.m_lType == ZE_LIGHT_DYNAMIC_SPOT ? from + light.m_vDirection * light.m_fRange
                                                          : from - plane.m_vNormal * light.m_fRange;
    double s0 = plane.Distance(from), s1 = plane.Distance(end);
    if ((s0 <= 0.0 && s1 <= 0.0) || (s0 >= 0.0 && s1 >= 0.0))
        return false;
    ZEVector path = end - from;
    float along = plane.m_vNormal.DotProduct(path);
    if (std::fabs(along) < 0.00001f)
        return false;
    spot = from - path * static_cast<float>(s0 / along);
    height = static_cast<float>(s0);
    return light.m_lType != ZE_LIGHT_DYNAMIC_SPOT || light.IsInSpotlight(spot);
}

ZELightSpotShade ZELightSpotShading(const ZELight& light, float height)
{
    ZELightSpotShade shade{};
    float reach = light.m_fRange * 4.0f - height;
    shade.m_fTexScale = reach != 0.0f ? 1.0f / reach : 0.0f;
    float b = light.m_bAttenuation && light.m_fRange > 0.0f ? 1.0f - height / light.m_fRange : 1.0f;
    for (int c = 0; c < 3; ++c)
        shade.m_aucColor[c] = TruncatedByte(b * light.m_afColor[c] * 255.0f);
    shade.m_aucColor[3] = TruncatedByte(light.m_ucAlpha * b);
    return shade;
}
