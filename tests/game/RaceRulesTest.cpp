// The race rules by game type: laps counted at the start line, knock-outs
// at their laps and places, destruction and the last survivor in a race to
// death, places of cars finishing in the same frame, and the final order -
// on bare cars without the engine, and in whole races on the test track.
#include "GameHarness.h"

#include "car/WZCar.h"
#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "headless/WZRaceReport.h"
#include "race/WZRace.h"
#include "race/WZRaceRules.h"
#include "track/WZTrack.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace
{
// Four bare cars on a track without nodes: the order follows lap counter
// and next node alone.
struct Field
{
    WZCar m_aCars[4];
    WZCar* m_apCars[4] = {&m_aCars[0], &m_aCars[1], &m_aCars[2], &m_aCars[3]};
    uint32_t m_aulPosition[4] = {0, 1, 2, 3};
    WZTrack m_Track;

    Field()
    {
        for (WZCar& car : m_aCars)
            car.m_lStatus = WZ_STATUS_RACING;
    }
    void Put(uint32_t slot, uint32_t lap, uint32_t next)
    {
        m_aCars[slot].m_ulLap = lap;
        m_aCars[slot].m_ulNextTrackNode = next;
    }
    // One frame's ranking and scoring.
    void Score(uint32_t laps, uint32_t type)
    {
        WZRankCars(m_apCars, 4, m_aulPosition, m_Track);
        for (uint32_t i = 0; i < 4; ++i)
            WZScoreCar(m_aCars[i], i, m_aulPosition, 4, laps, type);
        if (type == WZ_GAME_DEATH)
            WZCrownSurvivor(m_apCars, 4);
    }
    int32_t Status(uint32_t slot) const { return m_aCars[slot].m_lStatus; }
};

std::unique_ptr<WZTestGame> RunRace(const std::string& options)
{
    auto game = std::make_unique<WZTestGame>(options);
    game->Start();
    uint32_t begin = game->m_pTimer->GetTime();
    while (!game->m_Race.IsOver() && game->m_pTimer->GetTime() - begin < 300000)
        game->Frame();
    return game;
}
}

TEST(RaceRulesTest, AKnockOutRaceTakesOutFourthOnTheLastLapButOneThirdOnTheLastAndTheSecondFinisher)
{
    const uint32_t laps = 4;
    Field field;
    field.Put(0, 3, 8);
    field.Put(1, 3, 9);
    field.Put(2, 3, 6);
    field.Put(3, 2, 2);
    field.Score(laps, WZ_GAME_KNOCKOUT);
    // 4th on lap 2 of 4 and 3rd on lap 3 of 4 race on.
    for (uint32_t slot = 0; slot < 4; ++slot)
        EXPECT_EQ(field.Status(slot), WZ_STATUS_RACING) << slot;

    field.Put(3, 3, 1);
    field.Score(laps, WZ_GAME_KNOCKOUT);
    EXPECT_EQ(field.Status(3), WZ_STATUS_KNOCKED_OUT);
    EXPECT_EQ(field.Status(2), WZ_STATUS_RACING);

    field.Put(0, 4, 5);
    field.Put(1, 4, 6);
    field.Put(2, 4, 1);
    field.Score(laps, WZ_GAME_KNOCKOUT);
    EXPECT_EQ(field.Status(2), WZ_STATUS_KNOCKED_OUT);

    // Car 1 crosses the line first, car 0 second - and is out too.
    field.Put(1, 5, 1);
    field.Score(laps, WZ_GAME_KNOCKOUT);
    EXPECT_EQ(field.Status(1), WZ_STATUS_FIRST);
    EXPECT_EQ(field.m_aCars[1].m_ulLap, laps);
    EXPECT_EQ(field.Status(0), WZ_STATUS_RACING);
    field.Put(0, 5, 1);
    field.Score(laps, WZ_GAME_KNOCKOUT);
    EXPECT_EQ(field.Status(0), WZ_STATUS_KNOCKED_OUT);
    EXPECT_EQ(field.m_aCars[0].m_ulLap, laps + 1);
}

TEST(RaceRulesTest, InARaceToDeathAnEMPHitDestroysAndTheLastCarRacingWinsWithoutALap)
{
    Field field;
    field.Put(0, 2, 3);
    field.Put(1, 1, 8);
    field.Put(2, 1, 2);
    field.m_aCars[0].m_lEffect = WZ_EFFECT_EMP;
    field.m_aCars[1].m_lEffect = WZ_EFFECT_OIL;
    field.Score(3, WZ_GAME_POWERUPS);
    EXPECT_EQ(field.Status(0), WZ_STATUS_RACING);

    field.Score(3, WZ_GAME_DEATH);
    EXPECT_EQ(field.Status(0), WZ_STATUS_DESTROYED);
    EXPECT_EQ(field.Status(1), WZ_STATUS_RACING);
    // The leader, destroyed, falls behind every car still racing.
    field.Score(3, WZ_GAME_DEATH);
    EXPECT_EQ(field.m_aulPosition[3], 0u);

    field.m_aCars[1].m_lEffect = 1;
    field.m_aCars[2].m_lEffect = WZ_EFFECT_EMP;
    field.Score(3, WZ_GAME_DEATH);
    EXPECT_EQ(field.Status(1), WZ_STATUS_DESTROYED);
    EXPECT_EQ(field.Status(2), WZ_STATUS_DESTROYED);
    EXPECT_EQ(field.Status(3), WZ_STATUS_FIRST);
    EXPECT_EQ(field.m_aCars[3].m_ulLap, 0u);
    // A crowned survivor is not hit again.
    field.m_aCars[3].m_lEffect = WZ_EFFECT_EMP;
    field.Score(3, WZ_GAME_DEATH);
    EXPECT_EQ(field.Status(3), WZ_STATUS_FIRST);
}

TEST(RaceRulesTest, CarsFinishingInOneFrameTakeThePlacesTheyHeldAndTheFinalOrderRanksTheRest)
{
    Field field;
    field.Put(0, 3, 7);
    field.Put(1, 3, 0);    // about to cross: ahead of any other node on lap 3
    field.Put(2, 2, 0);
    field.Put(3, 2, 9);
    field.Score(3, WZ_GAME_NORMAL);
    EXPECT_EQ(field.m_aulPosition[0], 1u);
    EXPECT_EQ(field.m_aulPosition[1], 0u);

    field.Put(0, 4, 1);
    field.Put(1, 4, 1);
    field.Score(3, WZ_GAME_NORMAL);
    EXPECT_EQ(field.Status(1), 1);
    EXPECT_EQ(field.Status(0), 2);
    EXPECT_EQ(field.m_aCars[0].m_ulLap, 3u);

    // Behind the finishers: before the start line (node 0) is further
    // than any other node of the lap.
    field.Put(2, 2, 0);
    field.Put(3, 2, 9);
    uint32_t order[4];
    WZFinalOrder(field.m_apCars, 4, field.m_Track, order);
    EXPECT_EQ(std::vector<uint32_t>(order, order + 4), (std::vector<uint32_t>{1, 0, 2, 3}));
    // A destroyed car gives way to the car behind it whatever its laps.
    field.Put(2, 3, 4);
    field.m_aCars[2].m_lStatus = WZ_STATUS_DESTROYED;
    WZFinalOrder(field.m_apCars, 4, field.m_Track, order);
    EXPECT_EQ(std::vector<uint32_t>(order, order + 4), (std::vector<uint32_t>{1, 0, 3, 2}));
}

TEST(RaceRulesTest, ALapCountsOnlyAsACarReachesNodeOne)
{
    auto game = std::make_unique<WZTestGame>("--headless --track testtrack --laps 1 --seed 5");
    game->Start();
    WZRace& race = game->m_Race;
    uint32_t laps[4] = {0, 0, 0, 0}, next[4] = {0, 0, 0, 0};
    uint32_t counted = 0;
    while (!race.IsOver() && counted < 40000)
    {
        game->Frame();
        ++counted;
        for (uint32_t slot = 0; slot < 4; ++slot)
        {
            const WZCar& car = *race.m_apCars[slot];
            bool reachedOne = next[slot] == 0 && car.m_ulNextTrackNode == 1;
            // Finishing takes the counter straight back to the race's laps.
            uint32_t expected = reachedOne && !WZHasFinished(car.m_lStatus) ? laps[slot] + 1 : laps[slot];
            ASSERT_EQ(car.m_ulLap, expected) << "car " << slot << " at node " << car.m_ulNextTrackNode;
            laps[slot] = car.m_ulLap;
            next[slot] = car.m_ulNextTrackNode;
        }
    }
    EXPECT_TRUE(race.IsOver());
}

TEST(RaceRulesTest, AKnockOutRaceOnTheTestTrackEndsWithOneWinnerAndThreeKnockOutsInTurn)
{
    auto game = RunRace("--headless --track testtrack --laps 1 --type 2 --seed 1");
    WZRace& race = game->m_Race;
    ASSERT_TRUE(race.IsOver());
    // Asked for one lap, a knock-out race runs the three it needs.
    EXPECT_EQ(race.m_ulRaceLaps, 3u);
    race.RecordResults(game->m_Track);
    const WZCar& winner = *race.m_apCars[race.m_aulFinalOrder[0]];
    EXPECT_EQ(winner.m_lStatus, WZ_STATUS_FIRST);
    // The rest were knocked out later the further they got: 2nd, 3rd, 4th.
    uint32_t outLaps[4] = {0, 3, 3, 2}, outPlaces[4] = {0, 1, 2, 3};
    for (uint32_t place = 1; place < 4; ++place)
    {
        uint32_t slot = race.m_aulFinalOrder[place];
        const WZCarRecord& record = race.m_aRecords[slot];
        EXPECT_EQ(race.m_apCars[slot]->m_lStatus, WZ_STATUS_KNOCKED_OUT) << place;
        EXPECT_EQ(record.m_ulOutLap, outLaps[place]) << place;
        EXPECT_EQ(record.m_ulOutPlace, outPlaces[place]) << place;
        if (place > 1)
        {
            EXPECT_LT(record.m_ulOut, race.m_aRecords[race.m_aulFinalOrder[place - 1]].m_ulOut) << place;
        }
    }
    std::vector<ZEString> lines = WZDescribeRace(race);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_STREQ(lines[0].CStr(), "game: Knockout Race, 3 laps");
    EXPECT_EQ(std::string(lines[1].CStr()).rfind("knocked out: car ", 0), 0u);
    EXPECT_NE(std::string(lines[1].CStr()).find(", 4th on lap 2 of 3"), std::string::npos);
}

TEST(RaceRulesTest, ThePlayersResultIsShownCentredAndLeavingPostsTheResultsToTheConsole)
{
    WZTestGame game("--track testtrack --seed 2", true);
    game.Start();
    while (game.m_Race.m_ulCountdownStart != 0)
        game.Frame();
    WZCar& player = *game.m_Race.m_pPlayerCar;
    // x = 320 - length x 13.6, y = 240 - 16, size 32; "K.O." is never translated.
    const std::pair<int32_t, const char*> results[] = {{1, "DrawText 212 224 32 YOU WIN!"},
                                                       {4, "DrawText 184 224 32 Last Place"},
                                                       {5, "DrawText 130 224 32 CAR DESTROYED!"},
                                                       {7, "DrawText 266 224 32 K.O."}};
    for (const auto& [status, line] : results)
    {
        player.m_lStatus = status;
        game.Recorder()->Clear();
        game.Frame();
        EXPECT_EQ(game.Recorder()->Count(line), 1u) << line;
        EXPECT_EQ(game.Recorder()->Count("DrawText 110 0 16 Press ESCAPE to go to main menu"), 1u);
    }
    player.m_lStatus = WZ_STATUS_RACING;
    game.Recorder()->Clear();
    game.Frame();
    EXPECT_EQ(game.Recorder()->Count("DrawText 110 0 16"), 0u);

    player.m_lStatus = WZ_STATUS_KNOCKED_OUT;
    game.Press(ZE_KEY_ESCAPE);
    size_t cars = 0;
    for (const ZEConsoleMessage* m = game.m_pEngine->m_pConsole->GetMessages(); m; m = m->m_pNext)
        cars += std::string(m->m_Text.CStr()).rfind("race: car ", 0) == 0;
    EXPECT_EQ(cars, 4u);
}
