// A timer whose wall clock the test moves by hand. Game time follows the
// time factor exactly as the real timer's does.
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

    void Advance(uint32_t milliseconds) { m_ulRealTime += milliseconds; }
    void SetRealTime(uint32_t now) { m_ulRealTime = now; }

private:
    uint32_t m_ulRealTime;
    ZEScaledClock m_Clock;
};
