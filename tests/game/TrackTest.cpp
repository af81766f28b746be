// What the game takes from a map's entities: node rules (duplicates, gaps,
// order, range), damaged blocks and missing polygons, the grid, and the two
// props - a barrier that holds cars on one side only, a sign that flies.
#include "car/WZCarModels.h"
#include "math/ZEBoundingVolume.h"
#include "support/TestPolygons.h"
#include "track/WZBarrier.h"
#include "track/WZTrack.h"
#include "track/WZTrackLoading.h"
#include "track/WZTrackRecords.h"
#include "world/ZEEngineObject.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace
{
template <class Record>
std::unique_ptr<ZECustomEntity> Entity(const char* name, const ZEVector& at, const Record& record,
                                       uint16_t size = Record::ms_ulSize)
{
    uint8_t* data = new uint8_t[Record::ms_ulSize]();
    record.Encode(data);
    return std::make_unique<ZECustomEntity>(ZEString(name), at, data, size);
}

// A quad across the road at z, facing back towards -z.
ZEPolygon* Gate(float z)
{
    return ZEMakeTestPolygon({{-200, -10, z}, {-200, 80, z}, {200, 80, z}, {200, -10, z}}, {0, 1, 2, 0, 2, 3});
}

std::unique_ptr<ZECustomEntity> TrackNode(int8_t index, float z, bool polygon = true)
{
    _WZTrackNodeRecord record{};
    record.m_cIndex = index;
    auto entity = Entity("TrackNode", ZEVector(0, 0, z), record);
    if (polygon)
        entity->AddPolygon(Gate(z));
    return entity;
}

std::unique_ptr<ZECustomEntity> AINode(int8_t index, float z, float speed = 120.0f)
{
    _WZAINodeRecord record{};
    record.m_cIndex = index;
    record.m_fSpeed = speed;
    record.m_ucHandbrake = index == 1;
    return Entity("AINode", ZEVector(0, 0, z), record);
}

void Load(WZTrack& track, const std::vector<std::unique_ptr<ZECustomEntity>>& entities)
{
    track.BeginLoading(WZTrackOptions());
    for (const auto& entity : entities)
        EXPECT_TRUE(track.Receive(*entity, nullptr));
    track.EndLoading();
}
}

TEST(TrackTest, NodesTakeTheirPlaceByIndexWhateverTheOrder)
{
    std::vector<std::unique_ptr<ZECustomEntity>> entities;
    for (int8_t k : {3, 0, 9, 5, 1, 8, 2, 7, 4, 6})
        entities.push_back(TrackNode(k, 100.0f * k));
    for (int8_t m : {2, 0, 1})
        entities.push_back(AINode(m, 50.0f * m, 100.0f + m));
    WZTrack track;
    Load(track, entities);
    ASSERT_EQ(track.m_ulNumTrackNodes, 10u);
    for (uint32_t k = 0; k < 10; ++k)
    {
        EXPECT_FLOAT_EQ(track.m_pTrackNodes[k].m_vPosition.z, 100.0f * k);
        EXPECT_FLOAT_EQ(track.m_pTrackNodes[k].m_Sphere.m_fRadius, 900.0f);
        EXPECT_NEAR(std::fabs(track.m_pTrackNodes[k].m_Plane.m_vNormal.z), 1.0f, 1e-6f);
    }
    ASSERT_EQ(track.m_ulNumAINodes, 3u);
    EXPECT_FLOAT_EQ(track.m_pAINodes[2].m_fSpeed, 102.0f);
    EXPECT_TRUE(track.m_pAINodes[1].m_bHandbrake);
    EXPECT_FALSE(track.m_pAINodes[0].m_bHandbrake);
}

TEST(TrackTest, DuplicatesGapsAndStrayIndicesAreRefused)
{
    std::vector<std::unique_ptr<ZECustomEntity>> entities;
    entities.push_back(TrackNode(0, 0));
    entities.push_back(TrackNode(1, 100));
    entities.push_back(TrackNode(1, 999));   // a second 1: the first stays
    entities.push_back(TrackNode(3, 300));   // after the gap at 2: unused
    entities.push_back(TrackNode(49, 4900)); // the highest index is accepted into the buffer
    entities.push_back(TrackNode(50, 5000)); // beyond the buffer
    entities.push_back(TrackNode(-1, -100));
    entities.push_back(AINode(1, 10));       // no AI node 0 at all
    WZTrack track;
    Load(track, entities);
    ASSERT_EQ(track.m_ulNumTrackNodes, 2u);
    EXPECT_FLOAT_EQ(track.m_pTrackNodes[1].m_vPosition.z, 100.0f);
    EXPECT_EQ(track.m_ulNumAINodes, 0u);
    EXPECT_EQ(track.m_pAINodes, nullptr);
}

TEST(TrackTest, ShortBlocksAndMissingPolygonsSkipTheEntity)
{
    std::vector<std::unique_ptr<ZECustomEntity>> entities;
    entities.push_back(TrackNode(0, 0));
    entities.push_back(TrackNode(1, 100, false));
    _WZAINodeRecord ai{};
    entities.push_back(Entity("AINode", ZEVector(), ai, 8));
    _WZStartPositionRecord grid{};
    grid.m_cIndex = 2;
    grid.m_fHeading = 45.0f;
    entities.push_back(Entity("StartPosition", ZEVector(7, 0, 8), grid, 4));
    entities.push_back(std::make_unique<ZECustomEntity>(ZEString("Barrier"), ZEVector(), nullptr, 0));
    entities.push_back(std::make_unique<ZECustomEntity>(ZEString("RoadSign"), ZEVector(), nullptr, 0));
    WZTrack track;
    Load(track, entities);
    EXPECT_EQ(track.m_ulNumTrackNodes, 1u);
    EXPECT_EQ(track.m_ulNumAINodes, 0u);
    EXPECT_EQ(track.m_avStartPosition[1], ZEVector());
    // Classes the game does not know go back to the loader.
    ZECustomEntity other(ZEString("Mystery"), ZEVector(), nullptr, 0);
    EXPECT_FALSE(track.Receive(other, nullptr));
}

TEST(TrackTest, TheGridTakesPositionsOneToFour)
{
    std::vector<std::unique_ptr<ZECustomEntity>> entities;
    for (int8_t index : {0, 1, 4, 5})
    {
        _WZStartPositionRecord grid{};
        grid.m_cIndex = index;
        grid.m_fHeading = 10.0f * index;
        entities.push_back(Entity("StartPosition", ZEVector(index, 0, 0), grid));
    }
    WZTrack track;
    track.m_avStartPosition[1] = ZEVector(-5, 0, 0);
    Load(track, entities);
    EXPECT_EQ(track.m_avStartPosition[0], ZEVector(1, 0, 0));
    EXPECT_EQ(track.m_avStartPosition[1], ZEVector(-5, 0, 0));
    EXPECT_EQ(track.m_avStartPosition[3], ZEVector(4, 0, 0));
    EXPECT_FLOAT_EQ(track.m_afStartHeading[3], 40.0f);
}

TEST(TrackTest, ABarrierHoldsCarsOnItsFrontSideOnly)
{
    ZECustomEntity wall(ZEString("Barrier"), ZEVector(0, 0, 100), nullptr, 0);
    wall.AddPolygon(Gate(100.0f));
    WZBarrier barrier(wall);
    // The side the plane faces.
    float front = barrier.m_Plane.Distance(ZEVector(0, 0, 0)) > 0.0 ? -1.0f : 1.0f;

    WZAClass car(ZEVector(), 0.0f);
    auto place = [&car](float z) {
        car.m_vPosition = ZEVector(0, 5, z);
        static_cast<ZEOBoundingBox*>(car.m_pBoundingVolume)
            ->SetData(car.m_vPosition, ZEVector(-6, -5, -20), ZEVector(6, 5, 20), ZEVector());
    };
    // Its middle 5 in front of the wall, its nose through it: pushed back.
    place(100.0f + front * 5.0f);
    EXPECT_TRUE(barrier.VolStaticInfluence(15, &car));
    EXPECT_GE(front * (car.m_pBoundingVolume->GetCenter().z - 100.0f), 20.0f - 1e-3f);
    EXPECT_NEAR(car.m_vPosition.z, car.m_pBoundingVolume->GetCenter().z, 1e-3f);
    // From behind it drives through.
    place(100.0f - front * 5.0f);
    EXPECT_FALSE(barrier.VolStaticInfluence(15, &car));
    EXPECT_FLOAT_EQ(car.m_vPosition.z, 100.0f - front * 5.0f);
    // Rays pass through.
    EXPECT_FALSE(barrier.Clips(ZEVector(0, 5, 0), ZEVector(0, 0, 200)));
}

TEST(TrackTest, UnknownSignTypesShowAStopSign)
{
    EXPECT_STREQ(WZRoadSign::ModelOf(9), "sign-stop.zmf");
    EXPECT_STREQ(WZRoadSign::ModelOf(0), "sign-stop.zmf");
    EXPECT_STREQ(WZRoadSign::ModelOf(5), "sign-camel.zmf");
}
