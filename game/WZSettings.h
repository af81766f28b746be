// WZSettings: what the player chooses and the game keeps between runs -
// keys, joystick, camera, volumes, detail, the race set-up - with their
// defaults. Reading the settings file comes with the menus; until then
// every run starts from the defaults.
//
// The settings file "wzconfig.dat" (working directory) is a sequence of
// little-endian values, no header: width, height and colour depth (u16
// each), intro, speedometer, animated camera and mirror (a byte each),
// language, detail and music source (u32), volume and music volume
// (float), the 11 key codes (u32), joystick (byte), gas pedal axis (u32),
// joystick sensitivity (float), bonus car (byte), camera, track, laps,
// game type and car (u32), the name's length n (u32) and its n bytes, the
// server address (4 bytes) and port (u16): 114 + n bytes. It is written
// whole or not at all (ZEFileManager::SaveFile); a failure says nothing.
//
// Detail levels 0 (very high) to 4 (very low) set the engine's drawing
// budget together (ApplyDetailSettings): the view distance, the shadow
// method, model and texture detail, decals, coronas, dynamic lights, tyre
// marks and exhaust smoke.
#pragma once

#include "WZTypes.h"
#include "core/ZEString.h"

#include <cstdint>
#include <vector>

class ZEEngine;
class ZEFileWriter;
class ZERenderer;

struct WZSettings
{
    WZSettings();

    uint8_t m_aucServerIP[4] = {192, 168, 0, 1};
    uint16_t m_usNetPort = 2000;
    bool m_bPlayIntro = true;
    bool m_bShowSpeedometer = false;
    bool m_bAnimatedCamera = true;
    bool m_bMirror = true;
    uint32_t m_ulLanguage = 0;
    uint32_t m_ulDetail = 2;
    uint32_t m_ulMusicSource = 0;      // 0 game music files, 1 audio CD, 2 none
    float m_fVolume = 0.8f;
    float m_fMusicVolume = 2.5f;
    uint32_t m_aulKeys[WZ_NUM_KEYS];
    bool m_bJoystick = false;
    uint32_t m_ulGasPedalAxis = 0;     // 0 y, 1 z, 2 none
    float m_fJoystickSensitivity = 1.0f;
    bool m_bBonusCar = false;
    uint32_t m_ulCameraPosition = WZ_CAMERA_NEAR;
    uint32_t m_ulTrack = 0;
    uint32_t m_ulLaps = 4;
    uint32_t m_ulGameType = WZ_GAME_NORMAL;
    uint32_t m_ulCar = WZ_CAR_HUMMER;
    ZEString m_strPlayerName{"Trainee"};
};

// Sets the engine and the renderer for the detail level (levels beyond 4
// count as 4).
void WZApplyDetailSettings(uint32_t detail, ZEEngine* engine, ZERenderer* renderer);

constexpr char WZ_SETTINGS_FILE[] = "wzconfig.dat";

// The settings file's bytes; `depth` 0 stands for a window.
std::vector<uint8_t> WZEncodeSettings(const WZSettings& settings, uint16_t width, uint16_t height, uint16_t depth);
// Writes them to `path`; false when it could not (the old file stays).
bool WZSaveSettings(const char* path, const WZSettings& settings, uint16_t width, uint16_t height, uint16_t depth,
                    ZEFileWriter* writer = nullptr);
