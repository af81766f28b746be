// The computer driver's decisions for one frame, without a world.
#include "ai/WZDriver.h"
#include "car/WZCarModels.h"
#include "platform/null/ZEManualTimer.h"
#include "track/WZTrack.h"

#include <gtest/gtest.h>

namespace
{
// A car at the origin facing +z (heading 0) and a waypoint ahead.
WZDrivingState Car(float speed, float skill = 1.5f)
{
    WZDrivingState state;
    state.m_fSpeedKMH = speed;
    state.m_fSkill = skill;
    state.m_lGear = 2;
    return state;
}

WZAINode Node(float x, float z, float speed = 100.0f, bool handbrake = false)
{
    WZAINode node;
    node.m_vPosition = ZEVector(x, 0.0f, z);
    node.m_fSpeed = speed;
    node.m_bHandbrake = handbrake;
    return node;
}
}

TEST(DriverTest, BrakesAboveSkillTimesFactorPlusFortyExceptOnTheHandbrake)
{
    // 1.5 x 100 + 40 = 190 km/h.
    EXPECT_EQ(WZDecideDriving(Car(190.0f), Node(0, 500)).m_fPedal, 1.0f);
    WZDrivingDecision fast = WZDecideDriving(Car(191.0f), Node(0, 500));
    EXPECT_EQ(fast.m_fPedal, -1.0f);
    EXPECT_FALSE(fast.m_bHandbrake);
    // A hairpin above 100 km/h keeps the throttle with the handbrake on.
    WZDrivingDecision hairpin = WZDecideDriving(Car(191.0f), Node(0, 500, 100.0f, true));
    EXPECT_EQ(hairpin.m_fPedal, 1.0f);
    EXPECT_TRUE(hairpin.m_bHandbrake);
    // At or below 100 km/h the hairpin brakes like any other waypoint.
    WZDrivingDecision slow = WZDecideDriving(Car(90.0f), Node(0, 500, 20.0f, true));
    EXPECT_EQ(slow.m_fPedal, -1.0f);
    EXPECT_FALSE(slow.m_bHandbrake);
}

TEST(DriverTest, SteersTowardsTheWaypointSide)
{
    // +x is the car's right at heading 0.
    EXPECT_EQ(WZDecideDriving(Car(50.0f), Node(300, 500)).m_fSteering, 1.0f);
    EXPECT_EQ(WZDecideDriving(Car(50.0f), Node(-300, 500)).m_fSteering, -1.0f);
    EXPECT_EQ(WZDecideDriving(Car(50.0f), Node(10, 500)).m_fSteering, 0.0f);
    // The same waypoint seen from a car heading 90 (towards +x) lies left.
    WZDrivingState turned = Car(50.0f);
    turned.m_fHeading = 90.0f;
    EXPECT_EQ(WZDecideDriving(turned, Node(300, 500)).m_fSteering, -1.0f);
    // A standing car does not steer.
    EXPECT_EQ(WZDecideDriving(Car(0.0f), Node(300, 500)).m_fSteering, 0.0f);
}

TEST(DriverTest, AWaypointIsReachedWithinOneHundredFifty)
{
    EXPECT_FALSE(WZDecideDriving(Car(50.0f), Node(0, 150.0f)).m_bReached);
    EXPECT_TRUE(WZDecideDriving(Car(50.0f), Node(0, 149.9f)).m_bReached);
    // Height does not count.
    WZAINode high = Node(0, 149.0f);
    high.m_vPosition.y = 500.0f;
    EXPECT_TRUE(WZDecideDriving(Car(50.0f), high).m_bReached);
}

TEST(DriverTest, OnOilCountersteersForTheLastMoments)
{
    WZDrivingState oil = Car(80.0f);
    oil.m_bOnOil = true;
    oil.m_ulOilLeft = 900;
    WZDrivingDecision early = WZDecideDriving(oil, Node(0, 500));
    EXPECT_EQ(early.m_fPedal, 0.0f);
    EXPECT_FALSE(early.m_bHandbrake);
    oil.m_ulOilLeft = 600;
    WZDrivingDecision late = WZDecideDriving(oil, Node(0, 500));
    EXPECT_EQ(late.m_fPedal, -1.0f);
    EXPECT_TRUE(late.m_bHandbrake);
    oil.m_lGear = 0;
    EXPECT_EQ(WZDecideDriving(oil, Node(0, 500)).m_fPedal, 1.0f);
    WZDrivingState crawl = Car(20.0f);
    crawl.m_bOnOil = true;
    WZDrivingDecision slow = WZDecideDriving(crawl, Node(0, 500));
    EXPECT_EQ(slow.m_fPedal, 0.5f);
    EXPECT_FALSE(slow.m_bHandbrake);
}

namespace
{
// A track with waypoints at the given z on the centre line (x = 0).
void Waypoints(WZTrack& track, std::initializer_list<float> zs)
{
    delete[] track.m_pAINodes;
    track.m_ulNumAINodes = static_cast<uint32_t>(zs.size());
    track.m_pAINodes = new WZAINode[zs.size()];
    uint32_t i = 0;
    for (float z : zs)
        track.m_pAINodes[i++] = Node(0, z);
}
}

TEST(DriverTest, AStuckCarIsPutBackAtTheWaypointBefore)
{
    ZEManualTimer timer(100000);
    WZTrack track;
    Waypoints(track, {0, 1000, 2000, 3000});
    WZGolf car(ZEVector(500, 0, -800), 0.0f);
    car.m_lStatus = WZ_STATUS_RACING;
    car.m_ulWaypointTime = timer.GetTime();
    timer.Advance(20000);
    WZDriveCar(car, track, nullptr, timer.GetTime());
    EXPECT_EQ(car.m_ulResets, 0u);
    timer.Advance(1);
    WZDriveCar(car, track, nullptr, timer.GetTime());
    ASSERT_EQ(car.m_ulResets, 1u);
    // Stuck on its way to waypoint 0: back at the last one, facing 0.
    EXPECT_FLOAT_EQ(car.m_vPosition.z, 3000.0f);
    EXPECT_NEAR(car.m_vRotation.y, 180.0f, 1e-3f);
    EXPECT_EQ(car.m_ulWaypointTime, timer.GetTime());

    // Two waypoints on one spot give no direction: the heading stays.
    Waypoints(track, {0, 0, 2000});
    car.m_ulAINode = 1;
    car.m_vRotation.y = 37.0f;
    car.UpdateVectors();
    timer.Advance(25000);
    WZDriveCar(car, track, nullptr, timer.GetTime());
    EXPECT_EQ(car.m_ulResets, 2u);
    EXPECT_NEAR(car.m_vRotation.y, 37.0f, 1e-3f);

    // A finished car is never put back.
    car.m_lStatus = 2;
    timer.Advance(25000);
    WZDriveCar(car, track, nullptr, timer.GetTime());
    EXPECT_EQ(car.m_ulResets, 2u);
}

TEST(DriverTest, WithoutWaypointsTheCarRests)
{
    WZTrack track;
    WZGolf car(ZEVector(), 0.0f);
    car.SetPedal(1.0f);
    car.SetSteeringWheel(-1.0f);
    WZDriveCar(car, track, nullptr, 5000);
    EXPECT_EQ(car.m_fPedal, 0.0f);
    EXPECT_EQ(car.m_fSteering, 0.0f);
}

TEST(DriverTest, AGasBottleIsUsedAtOnce)
{
    ZEManualTimer timer(1000);
    WZTrack track;
    Waypoints(track, {0, 1000, 2000});
    WZCar::ms_bPowerUpsEnabled = true;
    WZGolf car(ZEVector(0, 0, -500), 0.0f);
    car.m_lPowerUp = WZ_POWERUP_GASBOTTLE;
    WZDriveCar(car, track, nullptr, timer.GetTime());
    EXPECT_EQ(car.m_lPowerUp, WZ_POWERUP_NONE);
    EXPECT_EQ(car.m_lEffect, WZ_EFFECT_BOOST);
}
