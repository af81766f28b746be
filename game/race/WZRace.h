// WZRace: one race on the loaded track - its cars, their order, the
// countdown, the player's controls and camera, the rules run each frame,
// and the results.
//
// Frame. UpdateRace1 (before the world moves) turns the player's keys or
// joystick into the player car's pedal, steering and handbrake. The engine
// then simulates the world. UpdateRace2 (after) places the camera, counts
// node passes and laps, drives the computer cars, ranks the cars, finishes
// them and stops those whose race is over, and smooths the speedometer.
// RenderRace runs the countdown: cars wait (status 6) until the "START!"
// phase releases them.
//
// Ownership: the cars live in the engine's world from Start until the map
// is unloaded; the race only points at them and never deletes them.
//
// Results: the race keeps, per car slot, the game time of the start, of
// each lap and of the finish, and when and where a car was knocked out or
// destroyed; the game type's rules (WZRaceRules) decide. When the race ends
// (every car's race is over, or the player leaves once the player's race
// is, or a headless race runs out of time) RecordResults fixes the final
// order and posts the results to the console, for the headless race's
// table and the statistic screen.
#pragma once

#include "WZTypes.h"
#include "math/ZEMath.h"

#include <cstdint>

class WZCar;
class WZTrack;
struct WZSettings;
class ZEEngine;
class ZESoundReference;
class ZEVector;

// What a race reaches beyond itself.
struct WZRaceContext
{
    ZEEngine* m_pEngine = nullptr;
    WZTrack* m_pTrack = nullptr;
    WZSettings* m_pConfig = nullptr;
};

// Per car slot, beyond the car's own race state.
struct WZCarRecord
{
    uint32_t m_ulLapStart = 0;     // game time the current lap began (0: not yet)
    uint32_t m_ulBestLap = 0;      // ms, 0 before a whole lap
    uint32_t m_ulFinish = 0;       // game time of the finish, 0 before
    uint32_t m_ulOut = 0;          // game time of a knock-out or destruction, 0 before
    uint32_t m_ulOutLap = 0;       // the lap it was on then (1 before the start line)
    uint32_t m_ulOutPlace = 0;     // the place it held then (0 = first)
};

// What the race asks of the application after a key.
enum WZRaceRequest
{
    WZ_RACE_CONTINUE,
    WZ_RACE_EXIT,          // leave the race (quick race over, or chosen from the pause)
    WZ_RACE_END_CAREER     // the player's career race is over and acknowledged
};

class WZRace
{
public:
    WZRace() = default;
    WZRace(const WZRace&) = delete;
    WZRace& operator=(const WZRace&) = delete;

    // A quick race: three computer cars on grid positions 1 to 3 and the
    // player on 4, the music, the countdown. With `aiPlayer` the player's
    // car is driven by the computer too.
    void StartRace(const WZRaceContext& context, bool aiPlayer);
    // Forgets the cars (the world deletes them with the map).
    void Clear();

    void UpdateRace1(const WZRaceContext& context, uint32_t elapsed);
    void UpdateRace2(const WZRaceContext& context, uint32_t elapsed, bool rules);
    // The countdown: releases the cars in the "START!" phase and ends it
    // after 3500 ms. Returns the phase now (0 when over).
    uint32_t RunCountdown(uint32_t now);
    WZRaceRequest KeyDown(const WZRaceContext& context, uint32_t key);

    // The number of car slots in use (up to the first empty one).
    uint32_t GetNumCars() const;
    // Whether every car's race is over.
    bool IsOver() const;
    // The final order (m_aulFinalOrder) and the results posted to the
    // console; once a race, later calls do nothing.
    void RecordResults(const WZTrack& track);

    WZCar* m_pPlayerCar = nullptr;
    WZCar* m_apCars[4] = {nullptr, nullptr, nullptr, nullptr};
    uint32_t m_aulPosition[4] = {0, 1, 2, 3};
    uint32_t m_ulRaceLaps = 4;
    uint32_t m_ulGameType = WZ_GAME_NORMAL;
    uint32_t m_aulFinalOrder[4] = {0, 1, 2, 3};
    bool m_bResultsRecorded = false;
    uint32_t m_ulCountdownStart = 0;
    bool m_bPaused = false;
    bool m_bCareerRace = false;
    float m_fCameraSwing = 0.0f;
    uint32_t m_ulTachoSpeed = 0;
    uint32_t m_ulStartTime = 0;     // game time of the release, 0 before
    bool m_bScreenshot = false;     // the screenshot key was pressed this frame
    WZCarRecord m_aRecords[4];
    ZESoundReference* m_pMusic = nullptr;

private:
    void PlaceCamera(const WZRaceContext& context, uint32_t elapsed);
    void RunRules(const WZRaceContext& context, uint32_t now);
    void MoveCars(const WZRaceContext& context, uint32_t now);
    void ScoreCars(uint32_t now);
    void RecordLap(uint32_t slot, uint32_t now);
    void RecordOut(uint32_t slot, uint32_t now);
    void ResetPlayer(const WZRaceContext& context);
};

// A new car of the model, not yet in the world (out of range: an A-Class).
WZCar* WZGetCar(uint32_t car, const ZEVector& position, float heading);
// A new computer car with a random opponent other than the two picks; the
// first free pick (-1) takes the opponent's index.
WZCar* WZGetAICar(const ZEVector& position, float heading, int32_t& first, int32_t& second);
// An opponent index other than the two given, drawn by `draw` (0 to n - 1;
// the game's seeded generator by default). Ends whatever the generator
// gives: after 64 draws that hit a pick it takes the lowest free index.
int32_t WZPickOpponent(int32_t first, int32_t second, int32_t (*draw)(int32_t n) = ZERandIndex);
// Gives the car the opponent's name, horn, skill and at least 120 degrees
// a second of steering.
void WZDressOpponent(WZCar& car, uint32_t opponent);
