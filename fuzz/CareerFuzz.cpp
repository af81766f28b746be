// Fuzz target: the career file loader (WZLoadCareer and WZReadCareer) on
// any bytes, and what the game then does with an accepted career.
//
// Each input is read from memory and, written out as a file, through the
// loader the game uses; both must agree. An accepted career must keep the
// loader's promises (132 bytes, permutations, tracks, opponents, races
// done, difficulty), encode back to the same bytes, and stay sound through
// everything the season does with it: the next race's set-up (every index
// within its table), scoring a race, the standings, and the statistic
// screen's Cancel and Continue. A broken rule aborts, which libFuzzer
// records as a crash with the input that caused it.
#include "car/WZRoster.h"
#include "career/WZCareer.h"
#include "career/WZCareerFile.h"

#include "FuzzFolder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
void Require(bool holds, const char* rule) { ZEFuzzRequire(holds, "career loader", rule); }

// A fixed draw from the input's first byte, so runs repeat.
// Its values run from 0 to n, so the draw of 0 the engine's generator can
// give is among them.
uint32_t g_ulDraw = 1;
int32_t Draw(int32_t n)
{
    g_ulDraw = g_ulDraw * 1103515245u + 12345u;
    return static_cast<int32_t>((g_ulDraw >> 8) % static_cast<uint32_t>(n + 1));
}

void RequireSound(const WZCareer& career)
{
    ZEString reason;
    Require(WZCheckCareer(career, reason), "an accepted career stays sound");
}

const char kFile[] = "career.dat";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    WZCareer career;
    ZEString reason;
    bool accepted = WZReadCareer(bytes, length, career, reason);
    Require(accepted || reason.CStr()[0] != '\0', "a refusal says why");

    static const ZEFuzzFolder folder("career");
    folder.Write(kFile, bytes, length);
    WZCareer loaded;
    Require(WZLoadCareer(folder.Path(kFile).c_str(), loaded) == accepted, "file and memory agree");
    if (!accepted)
        return 0;

    Require(length == WZCareer::ms_ulSize, "only 132 bytes are taken");
    uint8_t encoded[WZCareer::ms_ulSize];
    career.Encode(encoded);
    Require(std::memcmp(encoded, bytes, WZCareer::ms_ulSize) == 0, "a career encodes back to its bytes");
    loaded.Encode(encoded);
    Require(std::memcmp(encoded, bytes, WZCareer::ms_ulSize) == 0, "the file gives the same career");

    g_ulDraw = bytes[0];
    for (int round = 0; round < 12; ++round)
    {
        WZCareerRaceSetup setup;
        if (WZGetCareerRace(career, bytes[1] % 31, bytes[2] % WZ_NUM_CARS, setup))
        {
            Require(setup.m_ulRace < WZ_NUM_CAREER_RACES && setup.m_ulTrack < WZ_NUM_TRACKS, "the race is in range");
            Require(setup.m_ulLaps >= (bytes[1] % 31), "laps never drop");
            for (uint32_t slot = 0; slot < WZ_CAREER_CARS; ++slot)
                Require(setup.m_aulCars[slot] < WZ_NUM_CARS && setup.m_aulGrid[slot] < WZ_CAREER_CARS,
                        "cars and grid slots are in range");
            uint32_t order[WZ_CAREER_CARS] = {0, 1, 2, 3};
            for (uint32_t i = 0; i < WZ_CAREER_CARS; ++i)
                std::swap(order[i], order[static_cast<uint32_t>(Draw(3)) % WZ_CAREER_CARS]);
            uint32_t done = career.m_ulRacesDone;
            Require(WZScoreCareerRace(career, order), "a permutation scores");
            Require(career.m_ulRacesDone == done + 1, "one more race done");
        }
        else
        {
            Require(WZSeasonOver(career), "only a finished season has no next race");
            WZCareer cancelled = career;
            WZCancelStatistic(cancelled, &loaded);
            RequireSound(cancelled);
            Require(cancelled.m_ulRacesDone == WZ_SEASON_RACES - 1, "Cancel goes back one race");
            Require(WZContinueStatistic(career, Draw), "Continue begins a season");
        }
        RequireSound(career);
        uint32_t standings[WZ_CAREER_CARS];
        WZCareerStandings(career, standings);
        for (uint32_t i = 1; i < WZ_CAREER_CARS; ++i)
            Require(career.m_aulPoints[standings[i - 1]] >= career.m_aulPoints[standings[i]], "standings fall");
    }
    return 0;
}
