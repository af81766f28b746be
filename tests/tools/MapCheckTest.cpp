// The race rules of `zemapc --check` on small compiled tracks that break
// one rule each: a grid slot in a wall, a pickup on a wall's top, a tunnel
// too low for the far chase camera, too few or too many pickups, a track
// node whose approach comes behind its plane.
#include "ZEBspWriter.h"
#include "ZEMapCheck.h"
#include "ZEMapCompiler.h"
#include "ZEMapDescription.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace
{
// A loop through a tunnel with six pickups: every rule kept.
const char* kRace = R"([textures]
road = { name = "road", package = "track" }
grass = { name = "grass", package = "track" }
brick = { name = "brick", package = "track" }

[track]
points = [[0, 0], [0, 3000], [2000, 3000], [2000, 0]]
width = 300
road_texture = "road"
verge_texture = "grass"

[walls]
texture = "grass"

[lights]
ambient = 0.4
sun = 0.5

[nodes]
track = 8
ai = 12

[[tunnel]]
from = 800
to = 1800
texture = "brick"

[[powerup]]
along = 600
[[powerup]]
along = 2000
[[powerup]]
along = 3300
[[powerup]]
along = 4600
[[powerup]]
along = 6000
[[powerup]]
along = 8500
)";

// The map compiled from `text`, after `change` edits its description, as
// read back from the file's bytes.
ZEBspWriter Compile(const std::string& text, const std::function<void(ZEMapDescription&)>& change = nullptr)
{
    ZEMapDescription description;
    ZEMapMessages messages{ZEString("race.toml")};
    ZEBspWriter writer, read;
    ZEMapCompiler compiler;
    ZEMapStats stats;
    std::vector<uint8_t> bytes;
    ZEString error;
    EXPECT_TRUE(ZEParseMapDescription(text.data(), text.size(), description, messages));
    if (change)
        change(description);
    EXPECT_TRUE(compiler.Compile(description, messages, writer, stats));
    for (const ZEString& message : messages.GetErrors())
        ADD_FAILURE() << message.CStr();
    EXPECT_TRUE(writer.Build(bytes)) << writer.GetError().CStr();
    EXPECT_TRUE(ZEReadMapFile(bytes, read, error)) << error.CStr();
    return read;
}

std::vector<std::string> Problems(const ZEBspWriter& map)
{
    ZEMapCheckReport report;
    ZECheckMap(map, report);
    std::vector<std::string> problems;
    for (const ZEString& problem : report.m_aProblems)
        problems.push_back(problem.CStr());
    return problems;
}

// Some problems, each holding every one of `words`.
::testing::AssertionResult OnlyAbout(const std::vector<std::string>& problems, std::vector<std::string> words)
{
    std::string all;
    bool fine = !problems.empty();
    for (const std::string& problem : problems)
    {
        all += problem + "\n";
        for (const std::string& word : words)
            fine = fine && problem.find(word) != std::string::npos;
    }
    if (fine)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "wanted only problems about \"" << words[0] << "\", got:\n" << all;
}

ZEBspWriter::Entity* Find(ZEBspWriter& map, const char* className, int index = -1)
{
    for (ZEBspWriter::Entity& entity : map.m_aEntities)
        if (entity.m_ClassName == className && (index < 0 || static_cast<int8_t>(entity.m_aucData.at(0)) == index))
            return &entity;
    return nullptr;
}

// The right of the way a grid slot faces, from its heading.
ZEVector RightOf(const ZEBspWriter::Entity& slot)
{
    float heading;
    std::memcpy(&heading, &slot.m_aucData.at(4), 4);
    float radians = heading * 3.14159265f / 180.0f;
    return ZEVector(std::cos(radians), 0.0f, -std::sin(radians));
}
}

TEST(RaceTrackCheck, CarsCamerasAndPickupsNeedClearRoadOnTheFloor)
{
    const ZEBspWriter race = Compile(kRace);
    std::vector<std::string> clean = Problems(race);
    ASSERT_TRUE(clean.empty()) << clean[0];

    // Grid slot 4 on the right lane pushed to the wall (the road's half
    // width 150, the verge 60).
    ZEBspWriter walled = race;
    ZEBspWriter::Entity* slot = Find(walled, "StartPosition", 4);
    ZEVector right = RightOf(*slot);
    ZEVector middle = (slot->m_vOrigin + Find(walled, "StartPosition", 3)->m_vOrigin) * 0.5f;
    float lane = (slot->m_vOrigin - middle).DotProduct(right);
    ASSERT_NEAR(lane, 75.0f, 5.0f);
    // 15 short of the wall the car, turned the way of travel, has room.
    slot->m_vOrigin += right * (185.0f - lane);
    EXPECT_TRUE(Problems(walled).empty()) << Problems(walled)[0];
    slot->m_vOrigin += right * 20.0f;
    EXPECT_TRUE(OnlyAbout(Problems(walled), {"StartPosition 4 at", "no room for the largest car"}));

    // A pickup on top of that wall stands on no road, one far away on nothing.
    ZEBspWriter misplaced = race;
    ZEBspWriter::Entity* pickup = Find(misplaced, "PowerUp");
    pickup->m_vOrigin = slot->m_vOrigin + right * 15.0f + ZEVector(0.0f, 70.0f, 0.0f);
    EXPECT_TRUE(OnlyAbout(Problems(misplaced), {"PowerUp 0 at", "the floor under it lies at y = 60.0"}));
    pickup->m_vOrigin = ZEVector(90000.0f, 10.0f, 0.0f);
    EXPECT_TRUE(OnlyAbout(Problems(misplaced), {"PowerUp 0 at", "no floor under it"}));

    // A tunnel (along 800 to 1800, round track node 1) lower than the
    // camera but high enough for the car.
    const ZEBspWriter low = Compile(kRace, [](ZEMapDescription& d) {
        d.m_Walls.m_dHeight = 44.0;
        d.m_aTunnels.at(0).m_dHeight = 45.0;
    });
    EXPECT_TRUE(OnlyAbout(Problems(low), {"TrackNode 1 at", "far chase camera"}));
}

TEST(RaceTrackCheck, ARaceTrackHoldsSixToTenPickups)
{
    const ZEBspWriter race = Compile(kRace);
    auto withPickups = [&](size_t count) {
        ZEBspWriter map = race;
        const ZEBspWriter::Entity pickup = *Find(map, "PowerUp");
        map.m_aEntities.erase(std::remove_if(map.m_aEntities.begin(), map.m_aEntities.end(),
                                             [](const ZEBspWriter::Entity& e) { return e.m_ClassName == "PowerUp"; }),
                              map.m_aEntities.end());
        map.m_aEntities.insert(map.m_aEntities.end(), count, pickup);
        return map;
    };
    EXPECT_TRUE(OnlyAbout(Problems(withPickups(3)), {"holds 3 pickups (PowerUp); it needs 6 to 10"}));
    EXPECT_TRUE(OnlyAbout(Problems(withPickups(11)), {"holds 11 pickups"}));
    EXPECT_TRUE(Problems(withPickups(10)).empty());

    // A map without track nodes is no race track.
    ZEBspWriter arena = withPickups(0);
    arena.m_aEntities.erase(std::remove_if(arena.m_aEntities.begin(), arena.m_aEntities.end(),
                                           [](const ZEBspWriter::Entity& e) { return e.m_ClassName == "TrackNode"; }),
                            arena.m_aEntities.end());
    EXPECT_TRUE(Problems(arena).empty());
}

TEST(RaceTrackCheck, ATrackNodeIsNotPassedBeforeItIsReached)
{
    // The AI line from track node 2 swings out behind track node 3's plane
    // (facing -x), far beside the node: a car following it passes node 3
    // there.
    ZEBspWriter map = Compile(kRace);
    ZEVector node = Find(map, "TrackNode", 3)->m_vOrigin;
    Find(map, "AINode", 4)->m_vOrigin = node + ZEVector(250.0f, 0.0f, -450.0f);
    EXPECT_TRUE(OnlyAbout(Problems(map), {"TrackNode 3: the way from track node 2 (along the AI nodes) comes behind "
                                          "its plane"}));
    // Straight from node to node where there are no AI nodes, the way
    // keeps in front.
    map.m_aEntities.erase(std::remove_if(map.m_aEntities.begin(), map.m_aEntities.end(),
                                         [](const ZEBspWriter::Entity& e) { return e.m_ClassName == "AINode"; }),
                          map.m_aEntities.end());
    EXPECT_TRUE(Problems(map).empty());
}

TEST(RaceTrackCheck, TheGridStartsFromPoleACarLengthApartAndAIDriversHaveSpeeds)
{
    const ZEBspWriter race = Compile(kRace);
    ZEBspWriter swapped = race;
    std::swap(Find(swapped, "StartPosition", 1)->m_vOrigin, Find(swapped, "StartPosition", 2)->m_vOrigin);
    EXPECT_TRUE(OnlyAbout(Problems(swapped), {"StartPosition 2 stands nearer to the start line than StartPosition 1"}));

    // Slot 3 halfway to slot 1 on the same lane.
    ZEBspWriter close = race;
    ZEBspWriter::Entity* third = Find(close, "StartPosition", 3);
    third->m_vOrigin = (third->m_vOrigin + Find(close, "StartPosition", 1)->m_vOrigin) * 0.5f;
    EXPECT_TRUE(OnlyAbout(Problems(close), {"StartPosition 1 and StartPosition 3 stand only 65.7 apart"}));

    ZEBspWriter slow = race;
    float nan = std::nanf("");
    std::memcpy(&Find(slow, "AINode", 2)->m_aucData.at(4), &nan, 4);
    std::memset(&Find(slow, "AINode", 5)->m_aucData.at(4), 0, 4);
    std::vector<std::string> problems = Problems(slow);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], "AINode 2: its speed factor nan is not a positive number");
    EXPECT_EQ(problems[1], "AINode 5: its speed factor 0 is not a positive number");

    ZEBspWriter pair = race;
    pair.m_aEntities.erase(std::remove_if(pair.m_aEntities.begin(), pair.m_aEntities.end(),
                                          [](const ZEBspWriter::Entity& e) {
                                              return e.m_ClassName == "AINode" && e.m_aucData.at(0) >= 2;
                                          }),
                           pair.m_aEntities.end());
    EXPECT_TRUE(OnlyAbout(Problems(pair), {"AI nodes: 2 cannot make a closed chain"}));
}
