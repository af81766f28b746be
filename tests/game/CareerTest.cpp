// The career: the season's draws, scoring and standings, the bonus car,
// the statistic screen's two buttons, the career file's refusals, saves
// that fail part-way, and whole headless seasons.
#include "WZSettings.h"
#include "career/WZCareer.h"
#include "career/WZCareerFile.h"
#include "car/WZCar.h"
#include "car/WZRoster.h"
#include "core/ZEFileManager.h"
#include "math/ZEMath.h"

#include "GameHarness.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace
{
int32_t g_lConstant = 0;
int32_t Constant(int32_t) { return g_lConstant; }

std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::vector<uint8_t> Encoded(const WZCareer& career)
{
    std::vector<uint8_t> bytes(WZCareer::ms_ulSize);
    career.Encode(bytes.data());
    return bytes;
}

bool IsPermutation(const uint32_t* values, uint32_t count)
{
    std::set<uint32_t> seen(values, values + count);
    return seen.size() == count && *seen.rbegin() == count - 1;
}

// A season scored from fixed final orders.
WZCareer PlayedSeason(uint16_t difficulty, uint32_t playerPlace)
{
    ZESeedRandom(7);
    WZCareer career = WZNewCareer(difficulty, ZERandM);
    for (uint32_t race = 0; race < WZ_SEASON_RACES; ++race)
    {
        uint32_t order[4] = {0, 1, 2, 3};
        std::swap(order[playerPlace], order[3]);
        EXPECT_TRUE(WZScoreCareerRace(career, order));
    }
    return career;
}
}

TEST(CareerTest, NewCareersDrawFromTheDifficultysRangeAndSeasonsNeverRepeatATrack)
{
    for (uint32_t seed = 1; seed <= 200; ++seed)
    {
        ZESeedRandom(seed);
        uint16_t difficulty = static_cast<uint16_t>(1 + seed % 3);
        WZCareer career = WZNewCareer(difficulty, ZERandM);
        uint32_t low = 33 - 8 * difficulty - 8, high = 33 - 8 * difficulty - 1;
        std::set<uint32_t> opponents(career.m_aulOpponents, career.m_aulOpponents + 3);
        EXPECT_EQ(opponents.size(), 3u);
        EXPECT_GE(*opponents.begin(), low);
        EXPECT_LE(*opponents.rbegin(), high);
        EXPECT_TRUE(IsPermutation(career.m_aulRaceOrder, WZ_SEASON_RACES));
        for (uint32_t i = 1; i < WZ_SEASON_RACES; ++i)
            ASSERT_NE(career.m_aulTracks[i], career.m_aulTracks[i - 1]) << "seed " << seed;
        ZEString reason;
        EXPECT_TRUE(WZCheckCareer(career, reason)) << reason.CStr();
    }
}

TEST(CareerTest, ADrawOfZeroCountsAsOneAndAStuckDrawStillEnds)
{
    // A draw of 0 would give opponent 25 on Easy and track and race -1.
    for (int32_t value : {0, 1, 8, 99})
    {
        g_lConstant = value;
        for (uint16_t difficulty = 1; difficulty <= 3; ++difficulty)
        {
            WZCareer career = WZNewCareer(difficulty, Constant);
            ZEString reason;
            EXPECT_TRUE(WZCheckCareer(career, reason)) << value << ": " << reason.CStr();
            for (uint32_t i = 1; i < WZ_SEASON_RACES; ++i)
                EXPECT_NE(career.m_aulTracks[i], career.m_aulTracks[i - 1]);
        }
    }
    g_lConstant = 0;
    EXPECT_EQ(WZDrawCareerOpponent(1, Constant), 24u);
    EXPECT_EQ(WZDrawCareerOpponent(3, Constant), 8u);
}

TEST(CareerTest, RacesAwardTenEightSixFourAndSetTheNextGrid)
{
    WZCareer career = WZNewCareer(2, ZERandM);
    const uint32_t first[4] = {3, 1, 0, 2}, second[4] = {2, 3, 1, 0};
    ASSERT_TRUE(WZScoreCareerRace(career, first));
    ASSERT_TRUE(WZScoreCareerRace(career, second));
    EXPECT_EQ(career.m_ulRacesDone, 2u);
    EXPECT_EQ(std::vector<uint32_t>(career.m_aulPoints, career.m_aulPoints + 4), (std::vector<uint32_t>{10, 14, 14, 18}));
    EXPECT_EQ(std::vector<uint32_t>(career.m_aulPlaces, career.m_aulPlaces + 4), (std::vector<uint32_t>{3, 2, 0, 1}));
    // Slots 1 and 2 tie: only strictly more points move a driver forward.
    uint32_t standings[4];
    WZCareerStandings(career, standings);
    EXPECT_EQ(std::vector<uint32_t>(standings, standings + 4), (std::vector<uint32_t>{3, 2, 1, 0}));

    WZCareerRaceSetup setup;
    ASSERT_TRUE(WZGetCareerRace(career, 4, WZ_CAR_GOLF, setup));
    EXPECT_EQ(std::vector<uint32_t>(setup.m_aulGrid, setup.m_aulGrid + 4), (std::vector<uint32_t>{3, 2, 0, 1}));

    // A broken order scores nothing.
    const uint32_t twice[4] = {0, 0, 1, 2}, beyond[4] = {0, 1, 2, 4};
    EXPECT_FALSE(WZScoreCareerRace(career, twice));
    EXPECT_FALSE(WZScoreCareerRace(career, beyond));
    EXPECT_EQ(career.m_ulRacesDone, 2u);
}

TEST(CareerTest, KnockOutRacesRunThreeLapsAndFixedCarRacesGiveEveryoneTheRacesCar)
{
    WZCareer career = WZNewCareer(1, ZERandM);
    for (uint32_t race = 0; race < WZ_NUM_CAREER_RACES; ++race)
    {
        career.m_aulRaceOrder[0] = race;
        const WZCareerRace& row = WZ_CAREER_RACES[race];
        WZCareerRaceSetup setup;
        ASSERT_TRUE(WZGetCareerRace(career, 1, WZ_CAR_GOLF, setup));
        bool knockOut = row.m_eType == WZ_GAME_KNOCKOUT || row.m_eType == WZ_GAME_KNOCKOUT_POWERUPS;
        EXPECT_EQ(setup.m_ulLaps, knockOut ? 3u : 1u) << row.m_strTitle;
        EXPECT_EQ(setup.m_ulGameType, static_cast<uint32_t>(row.m_eType));
        uint32_t own = WZ_OPPONENTS[career.m_aulOpponents[1]].m_eCar;
        EXPECT_EQ(setup.m_aulCars[1], row.m_bFixedCar ? static_cast<uint32_t>(row.m_eCar) : own);
        EXPECT_EQ(setup.m_aulCars[3], row.m_bFixedCar ? static_cast<uint32_t>(row.m_eCar) : WZ_CAR_GOLF);
    }
    career.m_ulRacesDone = WZ_SEASON_RACES;
    WZCareerRaceSetup setup;
    EXPECT_FALSE(WZGetCareerRace(career, 4, WZ_CAR_GOLF, setup));
}

TEST(CareerTest, TheBonusCarNeedsNinetyPointsOnMediumOrHardAtTheSeasonsEnd)
{
    // Nine wins and a second place: 98 points; always second: 80.
    WZCareer strong = PlayedSeason(2, 0);
    EXPECT_EQ(strong.m_aulPoints[WZ_CAREER_PLAYER], 100u);
    EXPECT_TRUE(WZBonusCarEarned(strong));
    strong.m_aulPoints[WZ_CAREER_PLAYER] = 90;
    EXPECT_TRUE(WZBonusCarEarned(strong));
    strong.m_aulPoints[WZ_CAREER_PLAYER] = 89;
    EXPECT_FALSE(WZBonusCarEarned(strong));
    EXPECT_TRUE(WZBonusCarEarned(PlayedSeason(3, 0)));
    EXPECT_FALSE(WZBonusCarEarned(PlayedSeason(1, 0)));
    EXPECT_FALSE(WZBonusCarEarned(PlayedSeason(3, 1)));
    WZCareer early = PlayedSeason(3, 0);
    early.m_ulRacesDone = 9;
    EXPECT_FALSE(WZBonusCarEarned(early));
}

TEST(CareerTest, CancelAfterTheLastRaceGoesBackToTheFileAndContinueBeginsANewSeason)
{
    ZETempFolder folder("career");
    std::string path = folder.File(WZ_CAREER_FILE);
    ZESeedRandom(5);
    WZCareer career = WZNewCareer(2, ZERandM);
    const uint32_t second[4] = {0, 3, 1, 2};
    for (uint32_t race = 0; race < WZ_SEASON_RACES; ++race)
        ASSERT_TRUE(WZEndCareerRace(career, second, path.c_str()));
    EXPECT_EQ(career.m_aulPoints[WZ_CAREER_PLAYER], 80u);
    // The last race is not saved: the file holds the season after race nine.
    WZCareer afterNine;
    ASSERT_TRUE(WZLoadCareer(path.c_str(), afterNine));
    EXPECT_EQ(afterNine.m_ulRacesDone, 9u);

    // Cancel and run race ten again, twice: it is never counted twice,
    // whether the file is there or not.
    for (bool file : {true, false})
    {
        if (file)
            WZCancelCareerStatistic(career, path.c_str());
        else
            WZCancelStatistic(career, nullptr);
        EXPECT_EQ(career.m_ulRacesDone, 9u);
        EXPECT_EQ(career.m_aulPoints[WZ_CAREER_PLAYER], 72u);
        if (file)
        {
            EXPECT_EQ(Encoded(career), Encoded(afterNine));
        }
        ASSERT_TRUE(WZEndCareerRace(career, second, path.c_str()));
        EXPECT_EQ(career.m_aulPoints[WZ_CAREER_PLAYER], 80u);
    }
    // Before the end Cancel changes nothing.
    WZCareer midSeason = afterNine;
    WZCancelStatistic(midSeason, nullptr);
    EXPECT_EQ(Encoded(midSeason), Encoded(afterNine));

    WZCareer next = career;
    EXPECT_TRUE(WZContinueStatistic(next, ZERandM));
    EXPECT_EQ(next.m_ulRacesDone, 0u);
    EXPECT_EQ(next.m_aulPoints[0] + next.m_aulPoints[1] + next.m_aulPoints[2] + next.m_aulPoints[3], 0u);
    EXPECT_EQ(std::vector<uint32_t>(next.m_aulPlaces, next.m_aulPlaces + 4),
              std::vector<uint32_t>(career.m_aulPlaces, career.m_aulPlaces + 4));
    EXPECT_EQ(std::vector<uint32_t>(next.m_aulOpponents, next.m_aulOpponents + 3),
              std::vector<uint32_t>(career.m_aulOpponents, career.m_aulOpponents + 3));
    EXPECT_FALSE(WZContinueStatistic(next, ZERandM));
}

TEST(CareerTest, TheFileIsExactly132BytesAndEveryDamagedShapeIsRefusedAndLeftAlone)
{
    ZESeedRandom(11);
    WZCareer career = WZNewCareer(3, ZERandM);
    std::vector<uint8_t> good = Encoded(career);
    ASSERT_EQ(good.size(), 132u);
    EXPECT_EQ(good[0], 3u);
    EXPECT_EQ(good[120], career.m_aulOpponents[0]);
    WZCareer back = WZCareer::Decode(good.data());
    EXPECT_EQ(Encoded(back), good);

    // Offset and value of one damaged field each.
    struct Damage
    {
        const char* m_pWhat;
        uint32_t m_ulOffset;
        uint32_t m_ulValue;
    };
    const Damage damages[] = {
        {"difficulty 0", 0, 0},        {"difficulty 4", 0, 4},           {"race 10", 4, 10},
        {"race twice", 8, career.m_aulRaceOrder[0]},                    {"track 5", 44, 5},
        {"races done 11", 84, 11},     {"place 4", 104, 4},              {"place twice", 108, career.m_aulPlaces[0]},
        {"opponent 25", 120, 25},      {"opponent twice", 124, career.m_aulOpponents[0]},
        {"opponent huge", 128, 0xFFFFFFFFu},
    };
    ZETempFolder folder("careerfile");
    std::vector<std::vector<uint8_t>> files;
    for (const Damage& damage : damages)
    {
        std::vector<uint8_t> bytes = good;
        for (int i = 0; i < (damage.m_ulOffset == 0 ? 2 : 4); ++i)
            bytes[damage.m_ulOffset + i] = static_cast<uint8_t>(damage.m_ulValue >> (8 * i));
        files.push_back(bytes);
    }
    files.push_back({});
    files.push_back(std::vector<uint8_t>(good.begin(), good.end() - 1));
    std::vector<uint8_t> longer = good;
    longer.push_back(0);
    files.push_back(longer);
    for (const std::vector<uint8_t>& bytes : files)
    {
        std::string path = folder.Write(WZ_CAREER_FILE, bytes);
        WZCareer loaded = career;
        loaded.m_ulRacesDone = 7;
        EXPECT_FALSE(WZLoadCareer(path.c_str(), loaded)) << bytes.size();
        EXPECT_EQ(loaded.m_ulRacesDone, 7u);
        EXPECT_EQ(ReadAll(path), bytes);
    }
    // The reserved field is ignored.
    good[2] = 0xAB;
    std::string path = folder.Write(WZ_CAREER_FILE, good);
    WZCareer loaded;
    EXPECT_TRUE(WZLoadCareer(path.c_str(), loaded));
    EXPECT_FALSE(WZLoadCareer(folder.File("missing.dat").c_str(), loaded));
}

namespace
{
// Fails the save at one of its steps: 0 open, 1 write (after half the
// bytes), 2 close, 3 rename. `m_bCrash`: nothing is cleaned up afterwards,
// as when the game dies there.
class FailingWriter : public ZEFileWriter
{
public:
    FailingWriter(int step, bool crash) : m_iStep(step), m_bCrash(crash) {}
    FILE* Open(const ZEString& path) override { return m_iStep == 0 ? nullptr : ZEFileWriter::Open(path); }
    size_t Write(FILE* file, const void* data, size_t size) override
    {
        return m_iStep == 1 ? ZEFileWriter::Write(file, data, size / 2) : ZEFileWriter::Write(file, data, size);
    }
    bool Close(FILE* file) override { return ZEFileWriter::Close(file) && m_iStep != 2; }
    bool Replace(const ZEString& from, const ZEString& to) override
    {
        return m_iStep != 3 && ZEFileWriter::Replace(from, to);
    }
    void Remove(const ZEString& path) override
    {
        if (!m_bCrash)
            ZEFileWriter::Remove(path);
    }

private:
    int m_iStep;
    bool m_bCrash;
};
}

TEST(CareerTest, ASaveThatFailsAtAnyStepLeavesTheOldFileWhole)
{
    ZETempFolder folder("careersave");
    std::string career = folder.File(WZ_CAREER_FILE), settings = folder.File(WZ_SETTINGS_FILE);
    WZCareer before = WZNewCareer(1, ZERandM), after = WZNewCareer(3, ZERandM);
    WZSettings oldSettings, newSettings;
    newSettings.m_strPlayerName = "Someone Else";
    ASSERT_TRUE(WZSaveCareer(career.c_str(), before));
    ASSERT_TRUE(WZSaveSettings(settings.c_str(), oldSettings, 640, 480, 16));
    std::vector<uint8_t> oldCareer = ReadAll(career), oldConfig = ReadAll(settings);
    EXPECT_EQ(oldConfig.size(), 114u + 7u);

    for (bool crash : {false, true})
        for (int step = 0; step < 4; ++step)
        {
            FailingWriter writer(step, crash);
            EXPECT_FALSE(WZSaveCareer(career.c_str(), after, &writer)) << step;
            EXPECT_FALSE(WZSaveSettings(settings.c_str(), newSettings, 800, 600, 32, &writer)) << step;
            EXPECT_EQ(ReadAll(career), oldCareer) << step;
            EXPECT_EQ(ReadAll(settings), oldConfig) << step;
            EXPECT_EQ(std::filesystem::exists(career + ".tmp"), crash && step > 0) << step;
        }
    // A later save goes through over what a crash left behind.
    ASSERT_TRUE(WZSaveCareer(career.c_str(), after));
    ASSERT_TRUE(WZSaveSettings(settings.c_str(), newSettings, 800, 600, 32));
    EXPECT_EQ(ReadAll(career), Encoded(after));
    EXPECT_EQ(ReadAll(settings), WZEncodeSettings(newSettings, 800, 600, 32));
    EXPECT_FALSE(std::filesystem::exists(career + ".tmp"));
    // A folder that is not there: refused, nothing made.
    EXPECT_FALSE(WZSaveCareer(folder.File("none").append("/x/").append(WZ_CAREER_FILE).c_str(), after));
}

TEST(CareerTest, HeadlessSeasonsOfTwoSeedsEndWithConsistentStandings)
{
    for (const char* seed : {"3", "8"})
    {
        WZTestGame game(std::string("--headless --career --difficulty 2 --laps 1 --seed ") + seed);
        game.Start();
        ASSERT_NE(game.m_pCareer, nullptr);
        // Ten races of at most five game minutes each.
        for (uint32_t frame = 0; frame < 10 * 70000 && !game.m_pEngine->IsExitRequested(); ++frame)
            game.Frame(game.m_ulHeadlessFrame);
        ASSERT_TRUE(game.m_pEngine->IsExitRequested()) << seed;
        EXPECT_EQ(game.m_pEngine->GetExitStatus(), 0);
        const WZCareer& career = *game.m_pCareer;
        EXPECT_EQ(career.m_ulRacesDone, WZ_SEASON_RACES);
        EXPECT_TRUE(IsPermutation(career.m_aulPlaces, 4));
        uint32_t total = 0;
        for (uint32_t points : career.m_aulPoints)
        {
            EXPECT_GE(points, 40u);
            EXPECT_LE(points, 100u);
            EXPECT_EQ(points % 2, 0u);
            total += points;
        }
        EXPECT_EQ(total, 280u) << seed;
        // The career's cars were on the grid: its opponents drove slots 0 to 2.
        for (uint32_t slot = 0; slot < 3; ++slot)
            EXPECT_STREQ(game.m_Race.m_apCars[slot]->m_strDriverName.CStr(),
                         WZ_OPPONENTS[career.m_aulOpponents[slot]].m_strName);
    }
}

TEST(CareerTest, CareerNeedsHeadlessAndADifficultyOfOneToThree)
{
    for (const char* line : {"--career", "--headless --career --difficulty 0", "--headless --difficulty 4"})
    {
        WZTestGame game(line);
        EXPECT_EQ(game.m_iEndStatus, 2) << line;
    }
}
