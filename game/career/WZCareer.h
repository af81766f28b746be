// WZCareer: the career - a season of ten races against three fixed
// computer drivers, with points, standings, a difficulty and a bonus car.
//
// The record below is the career as the game keeps it and as the career
// file "wzcareer.dat" holds it (WZCareerFile): 132 bytes, little-endian,
// no header, read and written only through Decode and Encode. In a career
// race car slots 0 to 2 are the three opponents in the order of
// m_aulOpponents and slot 3 is the player, so every per-car array is
// indexed by car slot.
//
// Season. A new career draws three different opponents by difficulty
// (Easy from WZ_OPPONENTS 17 to 24, Medium 9 to 16, Hard 1 to 8; index 0,
// the strongest, never drives in a career) and a season: a track for each
// of the ten races, never the same track twice in a row, and the order of
// the ten career races (WZ_CAREER_RACES), each once. After each race the
// cars earn 10, 8, 6 and 4 points by their place, and those places are the
// grid of the next race. A season is over after ten races; "Continue" then
// starts a new season with the same opponents, difficulty and grid.
//
// Bonus car: the Monster Hummer, earned at the end of a season on Medium
// or Hard with at least 90 of the 100 possible points.
//
// Randomness only through a draw function returning 1 to n (the engine's
// seeded ZERandM by default). A draw below 1 counts as 1, so no pick ever
// falls below its range, and a draw that keeps repeating a value already
// taken ends after a bounded number of tries with the lowest free value.
//
// Every decision here is a plain function of the record: the engine, the
// race and the file are not touched (the race's cars: WZCareerRace).
#pragma once

#include "WZTypes.h"

#include <cstdint>

constexpr uint32_t WZ_SEASON_RACES = 10;
constexpr uint32_t WZ_CAREER_CARS = 4;
constexpr uint32_t WZ_CAREER_OPPONENTS = 3;
constexpr uint32_t WZ_CAREER_PLAYER = 3;            // the player's car slot
constexpr uint32_t WZ_CAREER_POINTS[WZ_CAREER_CARS] = {10, 8, 6, 4};
constexpr uint32_t WZ_BONUS_CAR_POINTS = 90;
// A knock-out race needs laps to knock three cars out in.
constexpr uint32_t WZ_KNOCKOUT_MIN_LAPS = 3;

// 1 to n (see above).
typedef int32_t (*WZCareerDraw)(int32_t n);

#pragma pack(push, 1)
struct WZCareer
{
    uint16_t m_usDifficulty = 2;                            // WZDifficulty: 1 Easy, 2 Medium, 3 Hard
    uint16_t m_usReserved = 0;                              // not used
    uint32_t m_aulRaceOrder[WZ_SEASON_RACES] = {};          // into WZ_CAREER_RACES
    uint32_t m_aulTracks[WZ_SEASON_RACES] = {};             // into WZ_TRACK_NAMES
    uint32_t m_ulRacesDone = 0;
    uint32_t m_aulPoints[WZ_CAREER_CARS] = {};
    uint32_t m_aulPlaces[WZ_CAREER_CARS] = {0, 1, 2, 3};    // of the last race (0 = first); the next grid
    uint32_t m_aulOpponents[WZ_CAREER_OPPONENTS] = {};      // into WZ_OPPONENTS

    static constexpr uint32_t ms_ulSize = 132;
    // Implemented with the file (WZCareerFile.cpp).
    static WZCareer Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};
#pragma pack(pop)
static_assert(sizeof(WZCareer) == WZCareer::ms_ulSize, "the career record is 132 bytes");

// One opponent index for the difficulty (1 to 3; others count as the
// nearest): 33 - 8 x difficulty - draw(8).
uint32_t WZDrawCareerOpponent(uint16_t difficulty, WZCareerDraw draw);
// A new career: difficulty, three different opponents, the grid (0, 1, 2,
// 3), no points, and a new season.
WZCareer WZNewCareer(uint16_t difficulty, WZCareerDraw draw);
// No races done, no points, new tracks and race order; opponents,
// difficulty and grid stay.
void WZNewSeason(WZCareer& career, WZCareerDraw draw);
bool WZSeasonOver(const WZCareer& career);

// What the next race of the season is.
struct WZCareerRaceSetup
{
    uint32_t m_ulRace = 0;            // into WZ_CAREER_RACES
    uint32_t m_ulTrack = 0;           // into WZ_TRACK_NAMES
    uint32_t m_ulGameType = WZ_GAME_NORMAL;
    uint32_t m_ulLaps = 0;
    uint32_t m_aulCars[WZ_CAREER_CARS] = {};    // the model of each car slot
    uint32_t m_aulGrid[WZ_CAREER_CARS] = {};    // the grid slot (0 to 3) of each car slot
};
// The race number races-done of the season with the player's chosen laps
// and car: a knock-out race runs at least WZ_KNOCKOUT_MIN_LAPS; in a
// fixed-car race every car is the race's car, else each opponent drives
// its own. False once the season is over.
bool WZGetCareerRace(const WZCareer& career, uint32_t laps, uint32_t playerCar, WZCareerRaceSetup& setup);

// Scores a race from its final order (car slots, first to last): places,
// points and one more race done. False, and nothing changed, when the
// order is not a permutation of 0 to 3 or the season is over.
bool WZScoreCareerRace(WZCareer& career, const uint32_t* order);
// The car slots by season points, most first (an exchange sort: a later
// entry with strictly more points moves forward).
void WZCareerStandings(const WZCareer& career, uint32_t* slots);
// Whether the season just ended earns the bonus car.
bool WZBonusCarEarned(const WZCareer& career);

// "Cancel" on the statistic screen. After the season's last race the
// career goes back to what the file holds, which is the season after race
// nine, so that race is not scored twice when the season is run again.
// `saved` is the record read back from the file (null when it could not be
// read): taken when it holds nine races of this season; otherwise the last
// race is taken back from its places. Before the end nothing changes.
void WZCancelStatistic(WZCareer& career, const WZCareer* saved);
// "Continue" on the statistic screen: after the season's last race a new
// season begins. True then (the caller saves the settings and the career).
bool WZContinueStatistic(WZCareer& career, WZCareerDraw draw);
