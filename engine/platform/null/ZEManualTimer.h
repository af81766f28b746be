// ZEManualTimer: a clock that moves only when it is told to.
//
// The wall clock starts at the given millisecond count and changes only
// through Advance and SetRealTime; nothing here reads the machine's clock,
// so two runs fed the same advances see the same times. Game time follows
// the time factor exactly as the SDL timer's does (both go through
// ZEScaledClock), and the wall count wraps like every engine time.
//
// It is the headless run's clock (ZEHeadlessMain advances it by one frame
// length before every frame) and the tests' clock.
#pragma once

#include "core/ZETimer.h"

class ZEManualTimer : public ZETimer
{
public:
    explicit ZEManualTimer(uint32_t start = 1000) : m_ulRealTime(start), m_Clock(start) {}

    uint32_t GetTime() override { return m_Clock.GetTime(m_ulRealTime); }
    void SetTimeFactor(float factor) override { m_Clock.SetTimeFactor(m_ulRealTime, factor); }
    uint32_t GetRealTime() override { return m_ulRealTime; }
    float GetTimeFactor() override { return m_Clock.GetTimeFactor(); }

    // Moves the wall clock on by `milliseconds` (wrapping).
    void Advance(uint32_t milliseconds) { m_ulRealTime += milliseconds; }
    // Sets the wall clock; game time scales from the last factor change as
    // usual, so setting it backwards runs game time backwards too.
    void SetRealTime(uint32_t now) { m_ulRealTime = now; }

private:
    uint32_t m_ulRealTime;
    ZEScaledClock m_Clock;
};
