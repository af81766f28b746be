#include "WZSettings.h"

#include "car/WZCar.h"
#include "core/ZEByteOrder.h"
#include "core/ZEFileManager.h"
#include "core/ZEInputDevices.h"
#include "powerup/WZPowerUp.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"

#include <cstring>

WZSettings::WZSettings()
    : m_aulKeys{ZE_KEY_UP,   ZE_KEY_DOWN, ZE_KEY_LEFT,           ZE_KEY_RIGHT, ZE_KEY_SPACE, ZE_KEY_ENTER,
                ZE_KEY_CTRL, ZE_KEY_A + ('R' - 'A'), ZE_KEY_A + ('C' - 'A'), ZE_KEY_BACKSPACE, ZE_KEY_F12}
{
}

namespace
{
// One column of the detail table; -1 (or a negative float) leaves a value
// unchanged.
struct DetailLevel
{
    float m_fFar;
    uint32_t m_ulShadows;
    int32_t m_lModelDetail, m_lModelShadowLOD;
    float m_fDecalDist;
    int32_t m_lMaxDecals;
    float m_fCoronaDist, m_fCoronaScale, m_fShadowDist, m_fDynLightDist;
    int32_t m_lTexDetail;
    bool m_bDecals, m_bDynamicLights, m_bLightmaps, m_bTyreDecals, m_bSmoke;
};

const DetailLevel kLevels[5] = {
    {2500, 4, 0, 1, 1000, 150, 1250, 0.0512f, 1000, 1000, 0, true, true, true, true, true},
    {2250, 3, 0, 1, 750, 100, 1000, 0.064f, 750, 750, 0, true, true, true, true, true},
    {1750, 2, 1, 3, 600, 50, 750, 0.0853333f, 500, 500, 0, true, true, true, true, false},
    {1500, 1, 1, 3, 512, -1, 750, 0.0853333f, 300, -1, 0, false, false, false, false, false},
    {1250, 0, 4, 3, 512, -1, 750, 0.0853333f, -1, -1, 1, false, false, false, false, false},
};
}

void WZApplyDetailSettings(uint32_t detail, ZEEngine* engine, ZERenderer* renderer)
{
    const DetailLevel& level = kLevels[detail < 5 ? detail : 4];
    WZCar::ms_bTyreDecals = level.m_bTyreDecals;
    WZCar::ms_bSmoke = level.m_bSmoke;
    WZPowerUp::ms_ulDetail = detail;
    if (renderer)
    {
        renderer->SetPerspective(90.0f, 4.0f / 3.0f, 1.0f, level.m_fFar);
        renderer->m_bLightmaps = level.m_bLightmaps;
    }
    if (!engine)
        return;
    engine->SetShadowMethod(static_cast<ZEShadowMethod>(level.m_ulShadows));
    engine->m_lModelDetail = level.m_lModelDetail;
    engine->m_lModelShadowLOD = level.m_lModelShadowLOD;
    engine->m_fDecalDist = level.m_fDecalDist;
    if (level.m_lMaxDecals >= 0)
        engine->m_ulMaxDecals = static_cast<uint32_t>(level.m_lMaxDecals);
    engine->m_fCoronaDist = level.m_fCoronaDist;
    engine->m_fCoronaScale = level.m_fCoronaScale;
    if (level.m_fShadowDist >= 0.0f)
        engine->m_fShadowDist = level.m_fShadowDist;
    if (level.m_fDynLightDist >= 0.0f)
        engine->m_fDynLightDist = level.m_fDynLightDist;
    engine->m_lTexDetail = level.m_lTexDetail;
    engine->m_bDecals = level.m_bDecals;
    engine->m_bDynamicLights = level.m_bDynamicLights;
}

namespace
{
struct SettingsBytes
{
    std::vector<uint8_t> m_aBytes;
    void U8(uint8_t value) { m_aBytes.push_back(value); }
    void U16(uint16_t value)
    {
        uint8_t bytes[2];
        ZEWriteLE16(bytes, value);
        m_aBytes.insert(m_aBytes.end(), bytes, bytes + 2);
    }
    void U32(uint32_t value)
    {
        uint8_t bytes[4];
        ZEWriteLE32(bytes, value);
        m_aBytes.insert(m_aBytes.end(), bytes, bytes + 4);
    }
    void Float(float value)
    {
        uint8_t bytes[4];
        ZEWriteLEFloat(bytes, value);
        m_aBytes.insert(m_aBytes.end(), bytes, bytes + 4);
    }
};
}

std::vector<uint8_t> WZEncodeSettings(const WZSettings& settings, uint16_t width, uint16_t height, uint16_t depth)
{
    SettingsBytes out;
    out.U16(width);
    out.U16(height);
    out.U16(depth);
    for (bool flag : {settings.m_bPlayIntro, settings.m_bShowSpeedometer, settings.m_bAnimatedCamera, settings.m_bMirror})
        out.U8(flag ? 1 : 0);
    out.U32(settings.m_ulLanguage);
    out.U32(settings.m_ulDetail);
    out.U32(settings.m_ulMusicSource);
    out.Float(settings.m_fVolume);
    out.Float(settings.m_fMusicVolume);
    for (uint32_t key : settings.m_aulKeys)
        out.U32(key);
    out.U8(settings.m_bJoystick ? 1 : 0);
    out.U32(settings.m_ulGasPedalAxis);
    out.Float(settings.m_fJoystickSensitivity);
    out.U8(settings.m_bBonusCar ? 1 : 0);
    out.U32(settings.m_ulCameraPosition);
    out.U32(settings.m_ulTrack);
    out.U32(settings.m_ulLaps);
    out.U32(settings.m_ulGameType);
    out.U32(settings.m_ulCar);
    const char* name = settings.m_strPlayerName.CStr();
    uint32_t length = static_cast<uint32_t>(std::strlen(name));
    out.U32(length);
    out.m_aBytes.insert(out.m_aBytes.end(), name, name + length);
    for (uint8_t part : settings.m_aucServerIP)
        out.U8(part);
    out.U16(settings.m_usNetPort);
    return out.m_aBytes;
}

bool WZSaveSettings(const char* path, const WZSettings& settings, uint16_t width, uint16_t height, uint16_t depth,
                    ZEFileWriter* writer)
{
    std::vector<uint8_t> bytes = WZEncodeSettings(settings, width, height, depth);
    return ZEFileManager::SaveFile(ZEString(path), bytes.data(), static_cast<uint32_t>(bytes.size()), writer);
}
