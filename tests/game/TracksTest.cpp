// The five tracks as players meet them: each loads with its checkpoints,
// waypoints, grid and pickups; four computer drivers get round a lap in a
// minute to two without needing to be put back on the road; and a car held
// at full throttle on full lock cannot leave the road whichever way it
// turns, even at the lowest detail, which drops the map's models and signs.
#include "GameHarness.h"

#include "car/WZCar.h"
#include "car/WZRoster.h"
#include "powerup/WZPowerUp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

namespace
{
std::unique_ptr<WZTestGame> StartOn(const char* track, const std::string& options)
{
    auto game = std::make_unique<WZTestGame>(std::string("--headless --track ") + track + " " + options);
    game->Start();
    return game;
}

uint32_t CountPickups(const ZEEngine& engine)
{
    uint32_t count = 0;
    for (ZEEngineObject* object = engine.GetObjects(); object; object = object->m_pNext)
        count += dynamic_cast<WZPowerUp*>(object) ? 1 : 0;
    return count;
}

// Distance across the ground from p to the chain of AI nodes, which runs
// along the road.
float DistanceToWaypoints(const WZTrack& track, const ZEVector& p)
{
    float best = 1e30f;
    for (uint32_t k = 0; k < track.m_ulNumAINodes; ++k)
    {
        ZEVector a = track.m_pAINodes[k].m_vPosition;
        ZEVector b = track.m_pAINodes[(k + 1) % track.m_ulNumAINodes].m_vPosition;
        float dx = b.x - a.x, dz = b.z - a.z;
        float t = std::clamp(((p.x - a.x) * dx + (p.z - a.z) * dz) / std::max(dx * dx + dz * dz, 1.0f), 0.0f, 1.0f);
        best = std::min(best, std::hypot(p.x - (a.x + dx * t), p.z - (a.z + dz * t)));
    }
    return best;
}
}

class TracksTest : public ::testing::TestWithParam<const char*>
{
};

TEST_P(TracksTest, LoadsItsCheckpointsWaypointsGridAndPickups)
{
    auto game = StartOn(GetParam(), "--type 1 --seed 1");
    const WZTrack& track = game->m_Track;
    EXPECT_GE(track.m_ulNumTrackNodes, 20u);
    EXPECT_GE(track.m_ulNumAINodes, 30u);
    uint32_t pickups = CountPickups(*game->m_pEngine);
    EXPECT_GE(pickups, 6u);
    EXPECT_LE(pickups, 10u);
    // Pole is nearest the start line; the others are a car length apart.
    const WZTrackNode& start = track.m_pTrackNodes[0];
    for (int slot = 1; slot < 4; ++slot)
    {
        EXPECT_LT((start.m_vPosition - track.m_avStartPosition[0]).GetLength(),
                  (start.m_vPosition - track.m_avStartPosition[slot]).GetLength());
        for (int other = 0; other < slot; ++other)
            EXPECT_GT((track.m_avStartPosition[slot] - track.m_avStartPosition[other]).GetLength(), 85.0f);
    }
}

TEST_P(TracksTest, ComputerDriversGetRoundALapInAMinuteToTwo)
{
    auto game = StartOn(GetParam(), "--laps 1 --ai-player --seed 3");
    uint32_t begin = game->m_pTimer->GetTime();
    while (!game->m_Race.IsOver() && game->m_pTimer->GetTime() - begin < 200000)
        game->Frame();
    ASSERT_TRUE(game->m_Race.IsOver());
    for (uint32_t slot = 0; slot < 4; ++slot)
    {
        const WZCar& car = *game->m_Race.m_apCars[slot];
        EXPECT_LE(car.m_ulResets, 1u) << car.m_strDriverName.CStr();
        EXPECT_GT(game->m_Race.m_aRecords[slot].m_ulBestLap, 55000u) << car.m_strDriverName.CStr();
        EXPECT_LT(game->m_Race.m_aRecords[slot].m_ulBestLap, 125000u) << car.m_strDriverName.CStr();
    }
}

TEST_P(TracksTest, ACarOnFullLockAtFullThrottleStaysOnTheRoad)
{
    for (uint32_t key : {ZE_KEY_RIGHT, ZE_KEY_LEFT})
    {
        auto game = StartOn(GetParam(), "--car 7 --seed 2 --detail 4");
        game->m_Race.m_pPlayerCar->m_bHuman = true;
        while (game->m_Race.m_ulCountdownStart != 0)
            game->Frame();
        game->Input()->SetKey(ZE_KEY_UP, true);
        game->Input()->SetKey(key, true);
        float farthest = 0.0f;
        for (int step = 0; step < 1200; ++step)
        {
            game->Frame(25);
            // Let go of the wheel now and then, so the car also meets the
            // walls head on.
            game->Input()->SetKey(key, step % 200 < 120);
            farthest = std::max(farthest,
                                DistanceToWaypoints(game->m_Track, game->m_Race.m_pPlayerCar->m_vPosition));
        }
        // Half the road and a verge from the centre, the racing line's cut
        // into the corners and the waypoint chain's chords on the bends
        // come to about 320 at most; a car beyond the walls soon goes past
        // 450.
        EXPECT_LT(farthest, 450.0f) << (key == ZE_KEY_RIGHT ? "turning right" : "turning left");
    }
}

INSTANTIATE_TEST_SUITE_P(FiveTracks, TracksTest,
                         ::testing::Values(WZ_TRACK_NAMES[0], WZ_TRACK_NAMES[1], WZ_TRACK_NAMES[2], WZ_TRACK_NAMES[3],
                                           WZ_TRACK_NAMES[4]));
