// WZSettings: what the player chooses and the game keeps between runs -
// keys, joystick, camera, volumes, detail, the race set-up - with their
// defaults. Reading and writing the settings file come with the menus;
// until then every run starts from the defaults.
//
// Detail levels 0 (very high) to 4 (very low) set the engine's drawing
// budget together (ApplyDetailSettings): the view distance, the shadow
// method, model and texture detail, decals, coronas, dynamic lights, tyre
// marks and exhaust smoke.
#pragma once

#include "WZTypes.h"
#include "core/ZEString.h"

#include <cstdint>

class ZEEngine;
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
