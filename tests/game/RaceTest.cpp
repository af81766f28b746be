// Whole races of the game on the test track, over test doubles: the
// countdown, the opponents, the player's keys and resets, the console
// freezing the race, computer drivers finishing, and a race repeating
// exactly from its seed.
#include "GameHarness.h"

#include "car/WZCar.h"
#include "car/WZCarModels.h"
#include "car/WZRoster.h"
#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "headless/WZRaceReport.h"
#include "math/ZEMath.h"
#include "race/WZRace.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>

namespace
{
std::unique_ptr<WZTestGame> StartGame(const std::string& options, bool drawing = false)
{
    auto game = std::make_unique<WZTestGame>(options, drawing);
    game->Start();
    return game;
}

// The player drives; the computer the rest.
void TakeTheWheel(WZTestGame& game)
{
    game.m_Race.m_pPlayerCar->m_bHuman = true;
}

void RunUntilStarted(WZTestGame& game)
{
    while (game.m_Race.m_ulCountdownStart != 0)
        game.Frame();
}
}

TEST(RaceTest, TheCountdownReleasesTheCarsOnlyAtStart)
{
    auto game = StartGame("--seed 3");
    WZRace& race = game->m_Race;
    ASSERT_EQ(race.GetNumCars(), 4u);
    uint32_t begin = race.m_ulCountdownStart;
    ASSERT_NE(begin, 0u);
    while (game->m_pTimer->GetTime() - begin < 3000)
    {
        for (WZCar* car : race.m_apCars)
            ASSERT_EQ(car->m_lStatus, WZ_STATUS_WAITING);
        game->Frame();
    }
    game->Run(45);
    for (WZCar* car : race.m_apCars)
        EXPECT_EQ(car->m_lStatus, WZ_STATUS_RACING);
    EXPECT_NE(race.m_ulCountdownStart, 0u);
    game->Run(600);
    EXPECT_EQ(race.m_ulCountdownStart, 0u);
}

TEST(RaceTest, AQuickRaceHasThreeDifferentOpponentsAtFullSteering)
{
    auto game = StartGame("--seed 11");
    std::set<std::string> names;
    for (uint32_t k = 0; k < 3; ++k)
    {
        const WZCar* car = game->m_Race.m_apCars[k];
        names.insert(car->m_strDriverName.CStr());
        EXPECT_FALSE(car->m_bHuman);
        EXPECT_GE(car->m_fSteeringRate, 120.0f);
    }
    EXPECT_EQ(names.size(), 3u);
    EXPECT_STREQ(game->m_Race.m_pPlayerCar->m_strDriverName.CStr(), "Trainee");
}

TEST(RaceTest, OpponentPicksAreDifferentAndIncludeTheFirst)
{
    ZESeedRandom(1);
    bool firstDrawn = false;
    for (int race = 0; race < 400; ++race)
    {
        int32_t a = WZPickOpponent(-1, -1);
        int32_t b = WZPickOpponent(a, -1);
        int32_t c = WZPickOpponent(a, b);
        ASSERT_TRUE(a >= 0 && b >= 0 && c >= 0 && a < 25 && b < 25 && c < 25);
        ASSERT_TRUE(a != b && b != c && a != c);
        firstDrawn = firstDrawn || a == 0 || b == 0 || c == 0;
    }
    EXPECT_TRUE(firstDrawn);
    // A generator stuck on one value (or out of range) still gives a free
    // opponent.
    auto stuck = [](int32_t) { return 0; };
    EXPECT_EQ(WZPickOpponent(0, 1, stuck), 2);
    auto wild = [](int32_t) { return -1; };
    EXPECT_EQ(WZPickOpponent(-1, 0, wild), 1);
}

TEST(RaceTest, ComputerCarsTurnAtLeastAHundredTwentyDegrees)
{
    WZAmbulance slow(ZEVector(), 0.0f);
    WZDressOpponent(slow, 24);
    EXPECT_FLOAT_EQ(slow.m_fSteeringRate, 120.0f);
    EXPECT_STREQ(slow.m_strDriverName.CStr(), "Stoned Medic");
    EXPECT_FALSE(slow.m_bHorn);
    EXPECT_FLOAT_EQ(slow.m_fSkill, 1.0f);
    WZAClass quick(ZEVector(), 0.0f);
    quick.m_fSteeringRate = 150.0f;
    WZDressOpponent(quick, 0);
    EXPECT_FLOAT_EQ(quick.m_fSteeringRate, 150.0f);
}

TEST(RaceTest, TheOpenConsoleFreezesTheRace)
{
    auto game = StartGame("--seed 5", true);
    TakeTheWheel(*game);
    RunUntilStarted(*game);
    WZCar& player = *game->m_Race.m_pPlayerCar;
    game->Input()->SetKey(ZE_KEY_UP, true);
    game->Run(300);
    EXPECT_EQ(player.m_fPedal, 1.0f);
    ASSERT_NE(game->m_pRenderer->m_Camera.m_vPosition, ZEVector());
    game->m_pEngine->m_pConsole->SetState(ZE_CONSOLE_HALF);
    game->Input()->SetKey(ZE_KEY_UP, false);
    game->Input()->SetKey(ZE_KEY_DOWN, true);
    ZEVector camera = game->m_pRenderer->m_Camera.m_vPosition;
    float pedals[3];
    for (int k = 0; k < 3; ++k)
        pedals[k] = game->m_Race.m_apCars[k]->m_fPedal;
    game->Run(300);
    // The keys do not reach the car, the camera stays, the drivers keep
    // their last controls.
    EXPECT_EQ(player.m_fPedal, 1.0f);
    EXPECT_EQ(game->m_pRenderer->m_Camera.m_vPosition, camera);
    for (int k = 0; k < 3; ++k)
        EXPECT_EQ(game->m_Race.m_apCars[k]->m_fPedal, pedals[k]);
}

TEST(RaceTest, ResettingJustAfterTheStartLineCostsTheLapOnce)
{
    auto game = StartGame("--seed 7");
    TakeTheWheel(*game);
    RunUntilStarted(*game);
    WZCar& player = *game->m_Race.m_pPlayerCar;
    game->Input()->SetKey(ZE_KEY_UP, true);
    for (int frame = 0; frame < 1000 && player.m_ulLap == 0; ++frame)
        game->Frame();
    ASSERT_EQ(player.m_ulLap, 1u);
    ASSERT_EQ(player.m_ulNextTrackNode, 1u);
    game->Input()->SetKey(ZE_KEY_UP, false);
    game->Run(3000);

    game->Press(ZE_KEY_A + ('R' - 'A'));
    const WZTrackNode& start = game->m_Track.m_pTrackNodes[0];
    EXPECT_NEAR(player.m_vPosition.x, start.m_vPosition.x, 1.0f);
    EXPECT_NEAR(player.m_vPosition.z, start.m_vPosition.z, 1.0f);
    EXPECT_EQ(player.m_ulLap, 0u);
    EXPECT_EQ(player.m_ulResets, 1u);
    // Pressed again at once: refused, and the lap counter does not wrap.
    for (int i = 0; i < 5; ++i)
        game->Press(ZE_KEY_A + ('R' - 'A'));
    EXPECT_EQ(player.m_ulLap, 0u);
    EXPECT_EQ(player.m_ulResets, 1u);
}

TEST(RaceTest, ComputerDriversFinishTheTestTrackWithoutGettingStuck)
{
    auto game = StartGame("--headless --track testtrack --laps 2 --seed 21");
    uint32_t begin = game->m_pTimer->GetTime();
    while (!game->m_Race.IsOver() && game->m_pTimer->GetTime() - begin < 240000)
        game->Frame();
    ASSERT_TRUE(game->m_Race.IsOver());
    std::set<int32_t> places;
    for (uint32_t slot = 0; slot < 4; ++slot)
    {
        const WZCar& car = *game->m_Race.m_apCars[slot];
        places.insert(car.m_lStatus);
        EXPECT_EQ(car.m_ulResets, 0u) << car.m_strDriverName.CStr();
        EXPECT_NE(game->m_Race.m_aRecords[slot].m_ulBestLap, 0u);
        // Laps of the test track take half a minute to a minute.
        EXPECT_GT(game->m_Race.m_aRecords[slot].m_ulBestLap, 20000u);
        EXPECT_LT(game->m_Race.m_aRecords[slot].m_ulBestLap, 60000u);
    }
    EXPECT_EQ(places, (std::set<int32_t>{1, 2, 3, 4}));
}

TEST(RaceTest, TheSameSeedRunsTheSameRace)
{
    auto hashAfter = [](const std::string& options) {
        auto game = StartGame(options);
        game->Run(40000);
        return WZHashRaceState(game->m_Race);
    };
    uint64_t first = hashAfter("--headless --seed 99");
    EXPECT_EQ(hashAfter("--headless --seed 99"), first);
    EXPECT_NE(hashAfter("--headless --seed 100"), first);
}

TEST(RaceTest, AMissingMapEndsTheGameWithStatusOne)
{
    auto game = StartGame("--headless --track nosuchmap");
    EXPECT_TRUE(game->m_pEngine->IsExitRequested());
    EXPECT_EQ(game->m_pEngine->GetExitStatus(), 1);
    EXPECT_EQ(game->m_Race.GetNumCars(), 0u);
}

TEST(RaceTest, ABadCommandLineEndsWithStatusTwo)
{
    for (const char* line : {"--laps 0", "--laps 31", "--type 5", "--track", "--track ../x", "--car 9", "--frob",
                             "--seed -1", "--laps 3x"})
    {
        WZTestGame game(line);
        EXPECT_EQ(game.m_iEndStatus, 2) << line;
    }
    WZTestGame good("--headless --track testtrack --laps 30 --type 4 --seed 4294967295 --car 8 --ai-player");
    EXPECT_EQ(good.m_iEndStatus, -1);
}
