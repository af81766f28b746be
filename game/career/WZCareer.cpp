#include "career/WZCareer.h"

#include "car/WZCar.h"
#include "car/WZRoster.h"

#include <algorithm>

namespace
{
// Draws that keep hitting taken values give up after this many.
const int32_t kMaxDraws = 64;

uint16_t ClampDifficulty(uint16_t difficulty)
{
    return static_cast<uint16_t>(
        std::clamp<uint32_t>(difficulty, uint32_t(WZ_DIFFICULTY_EASY), uint32_t(WZ_DIFFICULTY_HARD)));
}

// 0 to n - 1 from a 1-to-n draw; below 1 counts as 1, above n as n.
uint32_t DrawIndex(WZCareerDraw draw, int32_t n)
{
    int32_t value = draw(n);
    value = value < 1 ? 1 : value > n ? n : value;
    return static_cast<uint32_t>(value - 1);
}

bool Contains(const uint32_t* values, uint32_t count, uint32_t value)
{
    for (uint32_t i = 0; i < count; ++i)
        if (values[i] == value)
            return true;
    return false;
}

bool IsPermutation(const uint32_t* values, uint32_t count)
{
    for (uint32_t i = 0; i < count; ++i)
        if (values[i] >= count || Contains(values, i, values[i]))
            return false;
    return true;
}
}

uint32_t WZDrawCareerOpponent(uint16_t difficulty, WZCareerDraw draw)
{
    return 33 - 8 * ClampDifficulty(difficulty) - (DrawIndex(draw, 8) + 1);
}

WZCareer WZNewCareer(uint16_t difficulty, WZCareerDraw draw)
{
    WZCareer career;
    career.m_usDifficulty = ClampDifficulty(difficulty);
    for (uint32_t i = 0; i < WZ_CAREER_OPPONENTS; ++i)
    {
        uint32_t pick = WZDrawCareerOpponent(career.m_usDifficulty, draw);
        for (int32_t attempt = 1; attempt < kMaxDraws && Contains(career.m_aulOpponents, i, pick); ++attempt)
            pick = WZDrawCareerOpponent(career.m_usDifficulty, draw);
        // The difficulty's range holds eight, so a free one is always left.
        uint32_t lowest = 33 - 8 * career.m_usDifficulty - 8;
        for (uint32_t free = lowest; Contains(career.m_aulOpponents, i, pick); ++free)
            pick = free;
        career.m_aulOpponents[i] = pick;
    }
    WZNewSeason(career, draw);
    return career;
}

void WZNewSeason(WZCareer& career, WZCareerDraw draw)
{
    career.m_ulRacesDone = 0;
    for (uint32_t& points : career.m_aulPoints)
        points = 0;
    for (uint32_t i = 0; i < WZ_SEASON_RACES; ++i)
    {
        uint32_t track = DrawIndex(draw, WZ_NUM_TRACKS);
        for (int32_t attempt = 1; attempt < kMaxDraws && i > 0 && track == career.m_aulTracks[i - 1]; ++attempt)
            track = DrawIndex(draw, WZ_NUM_TRACKS);
        if (i > 0 && track == career.m_aulTracks[i - 1])
            track = (track + 1) % WZ_NUM_TRACKS;
        career.m_aulTracks[i] = track;

        uint32_t race = DrawIndex(draw, WZ_NUM_CAREER_RACES);
        for (int32_t attempt = 1; attempt < kMaxDraws && Contains(career.m_aulRaceOrder, i, race); ++attempt)
            race = DrawIndex(draw, WZ_NUM_CAREER_RACES);
        for (race = Contains(career.m_aulRaceOrder, i, race) ? 0 : race; Contains(career.m_aulRaceOrder, i, race);)
            ++race;
        career.m_aulRaceOrder[i] = race;
    }
}

bool WZSeasonOver(const WZCareer& career)
{
    return career.m_ulRacesDone >= WZ_SEASON_RACES;
}

bool WZGetCareerRace(const WZCareer& career, uint32_t laps, uint32_t playerCar, WZCareerRaceSetup& setup)
{
    if (WZSeasonOver(career))
        return false;
    setup = WZCareerRaceSetup();
    setup.m_ulRace = career.m_aulRaceOrder[career.m_ulRacesDone] % WZ_NUM_CAREER_RACES;
    setup.m_ulTrack = career.m_aulTracks[career.m_ulRacesDone] % WZ_NUM_TRACKS;
    const WZCareerRace& race = WZ_CAREER_RACES[setup.m_ulRace];
    setup.m_ulGameType = race.m_eType;
    bool knockOut = race.m_eType == WZ_GAME_KNOCKOUT || race.m_eType == WZ_GAME_KNOCKOUT_POWERUPS;
    setup.m_ulLaps = knockOut && laps < WZ_KNOCKOUT_MIN_LAPS ? WZ_KNOCKOUT_MIN_LAPS : laps;
    for (uint32_t slot = 0; slot < WZ_CAREER_CARS; ++slot)
    {
        uint32_t own = slot == WZ_CAREER_PLAYER ? playerCar
                                                : WZ_OPPONENTS[career.m_aulOpponents[slot] % WZ_NUM_OPPONENTS].m_eCar;
        setup.m_aulCars[slot] = race.m_bFixedCar ? static_cast<uint32_t>(race.m_eCar) : own;
        setup.m_aulGrid[slot] = career.m_aulPlaces[slot] % WZ_CAREER_CARS;
    }
    return true;
}

bool WZScoreCareerRace(WZCareer& career, const uint32_t* order)
{
    if (WZSeasonOver(career) || !IsPermutation(order, WZ_CAREER_CARS))
        return false;
    ++career.m_ulRacesDone;
    for (uint32_t place = 0; place < WZ_CAREER_CARS; ++place)
    {
        career.m_aulPlaces[order[place]] = place;
        career.m_aulPoints[order[place]] += WZ_CAREER_POINTS[place];
    }
    return true;
}

void WZCareerStandings(const WZCareer& career, uint32_t* slots)
{
    for (uint32_t i = 0; i < WZ_CAREER_CARS; ++i)
        slots[i] = i;
    for (uint32_t a = 0; a + 1 < WZ_CAREER_CARS; ++a)
        for (uint32_t b = a + 1; b < WZ_CAREER_CARS; ++b)
            if (career.m_aulPoints[slots[b]] > career.m_aulPoints[slots[a]])
            {
                uint32_t swap = slots[a];
                slots[a] = slots[b];
                slots[b] = swap;
            }
}

bool WZBonusCarEarned(const WZCareer& career)
{
    return career.m_ulRacesDone == WZ_SEASON_RACES && career.m_usDifficulty > WZ_DIFFICULTY_EASY &&
           career.m_aulPoints[WZ_CAREER_PLAYER] >= WZ_BONUS_CAR_POINTS;
}

void WZCancelStatistic(WZCareer& career, const WZCareer* saved)
{
    if (!WZSeasonOver(career))
        return;
    bool sameSeason = saved && saved->m_ulRacesDone == WZ_SEASON_RACES - 1;
    for (uint32_t i = 0; sameSeason && i < WZ_SEASON_RACES; ++i)
        sameSeason = saved->m_aulRaceOrder[i] == career.m_aulRaceOrder[i] && saved->m_aulTracks[i] == career.m_aulTracks[i];
    if (sameSeason)
    {
        career = *saved;
        return;
    }
    // Take the last race back: its places say what it scored.
    career.m_ulRacesDone = WZ_SEASON_RACES - 1;
    for (uint32_t slot = 0; slot < WZ_CAREER_CARS; ++slot)
    {
        uint32_t earned = WZ_CAREER_POINTS[career.m_aulPlaces[slot] % WZ_CAREER_CARS];
        career.m_aulPoints[slot] = career.m_aulPoints[slot] >= earned ? career.m_aulPoints[slot] - earned : 0;
    }
}

bool WZContinueStatistic(WZCareer& career, WZCareerDraw draw)
{
    if (!WZSeasonOver(career))
        return false;
    WZNewSeason(career, draw);
    return true;
}
