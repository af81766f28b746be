// The engine and gearbox model of the cars, alone: shifting, braking into
// reverse, idling out, the EMP hit and the boost; and every model's top
// speed and gear changes against its roster row.
#include "car/WZDrivetrain.h"
#include "car/WZRoster.h"

#include <gtest/gtest.h>

namespace
{
const uint32_t kStep = 15;

void Fill(WZDrivetrain& drive, WZCarName car)
{
    const WZCarSpec& row = WZGetCarSpec(car);
    drive.m_fMaxRevs = row.m_fMaxRevs;
    drive.SetGears(row.m_aGears, row.m_ulNumGears);
    drive.m_fBrakeStrength = row.m_fBrakeStrength;
    drive.Stop();
}

// Full throttle for `ms`, rolling forward.
void Accelerate(WZDrivetrain& drive, uint32_t ms)
{
    for (uint32_t t = 0; t < ms; t += kStep)
    {
        drive.Step(1.0f, true, false, kStep);
        drive.Settle(1.0f);
    }
}
}

TEST(DrivetrainTest, EveryModelShiftsUpToItsTopSpeed)
{
    for (uint32_t c = 0; c < WZ_NUM_CARS; ++c)
    {
        const WZCarSpec& row = WZGetCarSpec(static_cast<WZCarName>(c));
        SCOPED_TRACE(row.m_pClassName);
        WZDrivetrain drive;
        Fill(drive, static_cast<WZCarName>(c));
        int32_t highest = 0;
        for (uint32_t t = 0; t < 60000; t += kStep)
        {
            int32_t before = drive.m_lGear;
            drive.Step(1.0f, true, false, kStep);
            // One gear at a time, never down under full throttle.
            EXPECT_TRUE(drive.m_lGear == before || drive.m_lGear == before + 1 || before == -1);
            highest = std::max(highest, drive.m_lGear);
        }
        EXPECT_EQ(highest, static_cast<int32_t>(row.m_ulNumGears) - 1);
        float top = row.m_aGears[row.m_ulNumGears - 1].m_fRatio * 0.36f;
        EXPECT_NEAR(drive.GetSpeedKMH(), top, top * 0.02f);
        EXPECT_FLOAT_EQ(drive.GetTopSpeedKMH(), top);
    }
}

TEST(DrivetrainTest, TheTopGearDoesNotShiftAtExactlyMaxRevs)
{
    WZDrivetrain drive;
    Fill(drive, WZ_CAR_COP);
    drive.m_lGear = 5;
    drive.m_fRevs = drive.m_fMaxRevs;
    drive.Step(0.0f, true, false, 0);
    EXPECT_EQ(drive.m_lGear, 5);
    EXPECT_FLOAT_EQ(drive.m_fRevs, drive.m_fMaxRevs);
    // Below the top gear the same revolutions shift up and lose 1000.
    drive.m_lGear = 2;
    drive.Step(0.0f, true, false, 0);
    EXPECT_EQ(drive.m_lGear, 3);
    EXPECT_FLOAT_EQ(drive.m_fRevs, drive.m_fMaxRevs - 1000.0f);
}

TEST(DrivetrainTest, BrakingWhileStandingEngagesReverseAndLettingGoStandsAgain)
{
    WZDrivetrain drive;
    Fill(drive, WZ_CAR_GOLF);
    EXPECT_FALSE(drive.Step(-1.0f, false, false, kStep));
    EXPECT_EQ(drive.m_lGear, 0);
    EXPECT_FLOAT_EQ(drive.m_fRevs, 1000.0f + 3500.0f * kStep / 1000.0f);
    EXPECT_LT(drive.TargetSpeed(false), 0.0f);
    for (int i = 0; i < 100; ++i)
        drive.Step(-1.0f, false, false, kStep);
    // Off the pedal the revolutions fall back and the gear lets go.
    for (int i = 0; i < 200 && drive.m_lGear != -1; ++i)
        drive.Step(0.0f, false, false, kStep);
    EXPECT_EQ(drive.m_lGear, -1);
    EXPECT_FLOAT_EQ(drive.m_fRevs, 1000.0f);
    EXPECT_FLOAT_EQ(drive.GetSpeedKMH(), 0.0f);
}

TEST(DrivetrainTest, BrakingWhileRollingSlowsIntoReverse)
{
    WZDrivetrain drive;
    Fill(drive, WZ_CAR_COP);
    Accelerate(drive, 3000);
    ASSERT_GE(drive.m_lGear, 2);
    float speed = drive.GetSpeedKMH();
    EXPECT_TRUE(drive.Step(-1.0f, true, false, kStep));
    EXPECT_LT(drive.GetSpeedKMH(), speed);
    int steps = 0;
    while (drive.m_lGear != 0 && steps++ < 1000)
        drive.Step(-1.0f, true, false, kStep);
    EXPECT_EQ(drive.m_lGear, 0);
    EXPECT_FLOAT_EQ(drive.m_fRevs, 1000.0f);
}

TEST(DrivetrainTest, CoastingWithoutAGearBrakesSafely)
{
    // A car rolling without a gear (after an idle-out) has no gear to take
    // the brake's deceleration from: it goes straight into reverse.
    WZDrivetrain drive;
    Fill(drive, WZ_CAR_HUMMER);
    drive.Stop();
    EXPECT_TRUE(drive.Step(-1.0f, true, false, kStep));
    EXPECT_EQ(drive.m_lGear, 0);
    EXPECT_FLOAT_EQ(drive.m_fRevs, 1000.0f);
}

TEST(DrivetrainTest, AnEMPHitCutsThePedalAndDrainsTheRevolutions)
{
    WZDrivetrain drive;
    Fill(drive, WZ_CAR_DODGE);
    drive.m_lGear = 3;
    drive.m_fRevs = 4000.0f;
    drive.Step(1.0f, true, true, 100);
    // Pedal as 0: 2 x 500 x 0.1 lost, and 5 x 100 by the hit.
    EXPECT_FLOAT_EQ(drive.m_fRevs, 4000.0f - 100.0f - 500.0f);
    for (int i = 0; i < 20; ++i)
        drive.Step(1.0f, true, true, 100);
    EXPECT_FLOAT_EQ(drive.m_fRevs, 1000.0f);
}

TEST(DrivetrainTest, ABoostIsTakenBackExactly)
{
    WZDrivetrain drive;
    Fill(drive, WZ_CAR_PICKUP);
    const WZCarSpec& row = WZGetCarSpec(WZ_CAR_PICKUP);
    drive.ApplyBoost();
    EXPECT_FLOAT_EQ(drive.m_pGears[1].m_fAcceleration, row.m_aGears[1].m_fAcceleration * 4.0f);
    EXPECT_FLOAT_EQ(drive.m_pGears[6].m_fRatio, row.m_aGears[6].m_fRatio + 250.0f);
    EXPECT_FLOAT_EQ(drive.m_pGears[0].m_fRatio, row.m_aGears[0].m_fRatio);
    drive.TakeBackBoost();
    for (uint32_t g = 0; g < row.m_ulNumGears; ++g)
    {
        EXPECT_FLOAT_EQ(drive.m_pGears[g].m_fAcceleration, row.m_aGears[g].m_fAcceleration);
        EXPECT_FLOAT_EQ(drive.m_pGears[g].m_fRatio, row.m_aGears[g].m_fRatio);
    }
}
