// WZRoster: the figures of every car model, one row each, and the two
// tables the race is built from - the computer drivers and the career's
// races.
//
// Each car class fills itself from its row (WZCar::Build); nothing else in
// the game repeats these figures. A car's size (width, height, length and
// the height it rides at) is not listed: it comes from its model's box, and
// the rear axle and wheel track listed here are the ones the model was
// built with (content/models/*.txt), which a content test holds them to.
//
// Positions in car axes are (side, up, forward) from the centre of the
// car's box; light 0 and 2 are on the left, 1 and 3 on the right.
#pragma once

#include "WZTypes.h"
#include "car/WZDrivetrain.h"
#include "core/ZEString.h"

#include <cstdint>

constexpr uint32_t WZ_MAX_GEARS = 7;

struct WZCarSpec
{
    const char* m_pClassName;
    const char* m_pModel;
    const char* m_pMotorSound;
    const char* m_pHornSound;
    float m_fMass;
    float m_fMaxRevs;
    float m_fSteeringRate;   // degrees per second at full lock, from 50 km/h
    float m_fRearAxle;       // along the forward axis from the model's origin
    float m_fTyreWidth;
    float m_fTyreInset;
    float m_fBrakeStrength;
    float m_fSmokeSize;
    uint32_t m_ulNumGears;
    WZGear m_aGears[WZ_MAX_GEARS];
    float m_aafLights[4][3];
    uint16_t m_usNumSmoke;
    float m_aafSmoke[2][3];
};

// Flashing lights of the police car and the ambulance.
struct WZSirenSpec
{
    float m_fVolume;         // of the siren sound
    float m_fSizeFactor;     // of the lights against the coronas
    uint32_t m_ulNumLights;
    float m_aafLights[3][3];
    uint8_t m_aucChannel[3];     // the colour each light flashes in: 0 red, 2 blue
    uint8_t m_aucStart[3];       // its brightness when switched on
};

// Rows for the nine models (by WZCarName) and the wrecked car of the intro.
const WZCarSpec& WZGetCarSpec(WZCarName car);
const WZCarSpec& WZGetWreckSpec();
const WZSirenSpec& WZGetCopSiren();
const WZSirenSpec& WZGetAmbulanceSiren();

// The model's display name, untranslated; out of range gives the A-Class's.
ZEString WZGetCarName(uint32_t car);
// The game type's display name, untranslated (the caller translates).
const char* WZGetGameTypeKey(uint32_t type);
// Whether pickups lie on the track in this game type.
bool WZGameTypeHasPowerUps(uint32_t type);

// A computer driver: name, car, skill (multiplies the target speed) and
// whether the driver sounds the horn at cars ahead.
struct WZOpponent
{
    const char* m_strName;
    WZCarName m_eCar;
    float m_fSkill;
    bool m_bHorn;
};

constexpr uint32_t WZ_NUM_OPPONENTS = 25;
// Strongest first; the career picks by index ranges.
extern const WZOpponent WZ_OPPONENTS[WZ_NUM_OPPONENTS];

struct WZCareerRace
{
    const char* m_strTitle;
    const char* m_astrLines[3];
    WZGameType m_eType;
    bool m_bFixedCar;        // every car of the race is m_eCar
    WZCarName m_eCar;
};

constexpr uint32_t WZ_NUM_CAREER_RACES = 10;
extern const WZCareerRace WZ_CAREER_RACES[WZ_NUM_CAREER_RACES];

constexpr uint32_t WZ_NUM_TRACKS = 5;
// Track i loads the map "<name>.bsp" and the preview "<name>" of "tracks".
extern const char WZ_TRACK_NAMES[WZ_NUM_TRACKS][12];
