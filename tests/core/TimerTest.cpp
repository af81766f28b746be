#include "support/ManualTimer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(Timer, UnscaledGameTimeFollowsWallTime)
{
    ZEManualTimer timer(5000);
    EXPECT_EQ(timer.GetTime(), 5000u);
    timer.Advance(40);
    EXPECT_EQ(timer.GetTime(), 5040u);
    EXPECT_EQ(timer.GetElapsedTime(5000), 40u);
    EXPECT_EQ(ZETimer::GetTimer(), &timer);
}

TEST(Timer, FactorChangesNeverMakeGameTimeJump)
{
    ZEManualTimer timer(1000);
    timer.Advance(100);
    uint32_t before = timer.GetTime();
    timer.SetTimeFactor(2.5f);
    EXPECT_EQ(timer.GetTime(), before);
    timer.Advance(100);
    EXPECT_EQ(timer.GetTime(), before + 250);

    uint32_t scaled = timer.GetTime();
    timer.SetTimeFactor(0.5f);
    EXPECT_EQ(timer.GetTime(), scaled);
    timer.Advance(10);
    EXPECT_EQ(timer.GetTime(), scaled + 5);

    uint32_t halved = timer.GetTime();
    timer.SetTimeFactor(1.0f);
    EXPECT_EQ(timer.GetTime(), halved);
    timer.Advance(7);
    EXPECT_EQ(timer.GetTime(), halved + 7);
}

TEST(Timer, FactorZeroFreezesGameTimeButNotWallTime)
{
    ZEManualTimer timer(1000);
    timer.SetTimeFactor(0.0f);
    uint32_t frozen = timer.GetTime();
    uint32_t wall = timer.GetRealTime();
    for (int i = 0; i < 5; ++i)
    {
        timer.Advance(1000);
        EXPECT_EQ(timer.GetTime(), frozen);
    }
    EXPECT_EQ(timer.GetRealTime(), wall + 5000);
    timer.SetTimeFactor(1.0f);
    timer.Advance(3);
    EXPECT_EQ(timer.GetTime(), frozen + 3);
}

TEST(Timer, ScaledTimeTruncatesTowardZero)
{
    ZEManualTimer timer(0);
    timer.SetTimeFactor(0.3f);
    timer.Advance(10);   // 10 * 0.3f = 3.0000001 -> 3
    EXPECT_EQ(timer.GetTime(), 3u);
    timer.Advance(3);    // 13 * 0.3f = 3.9 -> 3
    EXPECT_EQ(timer.GetTime(), 3u);
}

TEST(Timer, WallClockWrapIsHarmless)
{
    ZEManualTimer timer(0xFFFFFFF0u);
    timer.SetTimeFactor(2.0f);
    uint32_t start = timer.GetTime();
    timer.Advance(0x20);   // wraps past zero
    EXPECT_EQ(timer.GetElapsedTime(start), 0x40u);
}

TEST(Timer, AbsurdFactorsDoNotCrash)
{
    ZEManualTimer timer(0);
    timer.SetTimeFactor(std::numeric_limits<float>::infinity());
    timer.Advance(10);
    (void)timer.GetTime();
    timer.SetTimeFactor(std::nanf(""));
    timer.Advance(10);
    (void)timer.GetTime();
    timer.SetTimeFactor(1e30f);
    timer.Advance(10);
    (void)timer.GetTime();
}
