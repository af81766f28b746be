#include "career/WZCareerRace.h"

#include "WZSettings.h"
#include "car/WZCar.h"
#include "car/WZRoster.h"
#include "core/ZETimer.h"
#include "race/WZRace.h"
#include "render/ZEParticleSystem.h"
#include "track/WZTrack.h"
#include "world/ZEEngine.h"

namespace
{
const char* const kOrdinals[WZ_CAREER_CARS] = {"1st", "2nd", "3rd", "4th"};

// Out of the world and deleted, with its smoke.
void Discard(ZEEngine* engine, WZCar* car)
{
    if (!car)
        return;
    engine->RemoveObjectFromWorld(car);
    for (ZEParticleFX*& smoke : car->m_apSmoke)
        if (smoke)
        {
            engine->RemoveParticleSystem(smoke);
            smoke = nullptr;
        }
    delete car;
}
}

void WZMakeCareerRace(WZRace& race, const WZRaceContext& context, const WZCareer& career,
                      const WZCareerRaceSetup& setup, bool aiPlayer)
{
    ZEEngine* engine = context.m_pEngine;
    const WZTrack& track = *context.m_pTrack;
    uint32_t now = engine->m_pTimer ? engine->m_pTimer->GetTime() : 0;
    for (uint32_t slot = 0; slot < WZ_CAREER_CARS; ++slot)
    {
        Discard(engine, race.m_apCars[slot]);
        uint32_t grid = setup.m_aulGrid[slot];
        WZCar* car = WZGetCar(setup.m_aulCars[slot], track.m_avStartPosition[grid], track.m_afStartHeading[grid]);
        if (slot == WZ_CAREER_PLAYER)
        {
            car->m_bHuman = !aiPlayer;
            car->m_strDriverName = context.m_pConfig->m_strPlayerName;
            car->ApplyHandicap(career.m_usDifficulty);
            race.m_pPlayerCar = car;
        }
        else
            WZDressOpponent(*car, career.m_aulOpponents[slot]);
        car->m_ulLastReset = now;
        race.m_apCars[slot] = car;
        // The race order begins as the grid: the car on grid slot g is at
        // position g.
        race.m_aulPosition[grid] = slot;
        engine->AddObjectToWorld(car);
    }
    race.m_bCareerRace = true;
}

ZEString WZCareerDriverName(const WZCareer& career, uint32_t slot, const ZEString& player)
{
    if (slot >= WZ_CAREER_OPPONENTS)
        return player;
    return ZEString(WZ_OPPONENTS[career.m_aulOpponents[slot] % WZ_NUM_OPPONENTS].m_strName);
}

ZEString WZDescribeCareerRace(const WZCareer& career, const WZCareerRaceSetup& setup)
{
    return ZEString::Format("season race %u of %u: %s on %s, %s, %u laps", career.m_ulRacesDone + 1,
                            WZ_SEASON_RACES, WZ_CAREER_RACES[setup.m_ulRace].m_strTitle,
                            WZ_TRACK_NAMES[setup.m_ulTrack], WZGetGameTypeKey(setup.m_ulGameType), setup.m_ulLaps);
}

std::vector<ZEString> WZDescribeStandings(const WZCareer& career, const ZEString& player)
{
    std::vector<ZEString> lines;
    lines.push_back(ZEString::Format("standings after %u of %u races:", career.m_ulRacesDone, WZ_SEASON_RACES));
    uint32_t slots[WZ_CAREER_CARS];
    WZCareerStandings(career, slots);
    for (uint32_t i = 0; i < WZ_CAREER_CARS; ++i)
    {
        uint32_t slot = slots[i];
        lines.push_back(ZEString::Format("  %u. %-18s %3u points  (%s in the last race)", i + 1,
                                         WZCareerDriverName(career, slot, player).CStr(), career.m_aulPoints[slot],
                                         kOrdinals[career.m_aulPlaces[slot] % WZ_CAREER_CARS]));
    }
    if (WZSeasonOver(career))
        lines.push_back(WZBonusCarEarned(career) ? ZEString("season over: the bonus car (Monster Hummer) is now available")
                                                 : ZEString("season over: no bonus car"));
    return lines;
}
