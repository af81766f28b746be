// ZESDLTimer: game time from SDL's millisecond tick count.
#pragma once

#include "core/ZETimer.h"

class ZESDLTimer : public ZETimer
{
public:
    ZESDLTimer();

    uint32_t GetTime() override;
    // Game time stays continuous across the change; factor 0 freezes it.
    void SetTimeFactor(float factor) override;
    uint32_t GetRealTime() override;
    float GetTimeFactor() override { return m_Clock.GetTimeFactor(); }

private:
    ZEScaledClock m_Clock;
};
