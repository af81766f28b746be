// WZLaunchOptions: the game's command line.
//
//   wrenzo [--headless] [--track NAME] [--laps N] [--type T] [--seed S]
//          [--car C] [--ai-player] [--joystick] [--camera M] [--detail D]
//          [--shot MS]... [--quit MS] [--career] [--difficulty 1..3]
//
// --headless runs one race without a window, sound or network, at full
// speed through the engine's fixed steps, prints the results and the
// race's state hash, and exits. --track names a map (one of the five
// tracks, "airfield" by default, or the test track "testtrack"); --laps
// 1..30; --type 0..4; --seed seeds the random generator so a race
// repeats exactly; --car 0..8 is the player's car; --ai-player lets the
// computer drive it; --joystick drives with the joystick (x steers, y is
// the pedal); --camera 0..2 and --detail 0..4 set the view; --shot takes a
// screenshot at that game time after the countdown began (repeatable),
// --quit leaves the game then.
//
// --headless --career plays a whole new career season instead: ten races
// against three computer drivers picked by --difficulty (1 Easy, 2 Medium,
// the default, 3 Hard), the computer driving the player's car, printing
// each race and the standings after it; the career file is not touched.
// --laps then sets the laps of the season's races (a knock-out race runs
// at least three), --car the player's car where a race does not fix the
// cars, and --track and --type are the career's to choose, so they are
// ignored. --career without --headless is refused (the career's menus are
// not there yet).
//
// Anything else - an unknown word, a missing or malformed value, a value
// out of range - is refused with the reason; the game then prints the usage
// and exits with status 2.
#pragma once

#include "core/ZEString.h"

#include <cstdint>
#include <vector>

struct WZLaunchOptions
{
    bool m_bHeadless = false;
    ZEString m_strTrack{"airfield"};
    uint32_t m_ulLaps = 3;
    uint32_t m_ulType = 0;
    uint32_t m_ulSeed = 0;
    bool m_bSeed = false;
    int32_t m_lCar = -1;          // -1: the settings' car
    bool m_bAIPlayer = false;
    bool m_bJoystick = false;
    int32_t m_lCamera = -1;
    int32_t m_lDetail = -1;
    std::vector<uint32_t> m_aulShots;
    uint32_t m_ulQuit = 0;        // 0: never
    bool m_bCareer = false;
    uint16_t m_usDifficulty = 2;
};

// Reads the joined command line (words separated by blanks; null or empty
// gives the defaults). False with the reason in `error`.
bool WZParseLaunchOptions(const char* commandLine, WZLaunchOptions& options, ZEString& error);

// The usage text, ending in a newline.
const char* WZLaunchUsage();
