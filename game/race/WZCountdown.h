// WZCountdown: the "3", "2", "1", "START!" before a race, 1000 ms each and
// 500 ms for "START!". Cars are released only in the "START!" phase, on
// every frame of it; a network server keeps announcing the phase until
// 4000 ms so every client sees the start.
#pragma once

#include <cstdint>

struct WZCountdownPhase
{
    uint32_t m_ulPhase;          // 1 to 4, 0 once over
    const char* m_pText;
    uint8_t m_aucColor[4];
    int32_t m_lOffsetX;          // from the middle of the screen
};

// The phase `elapsed` ms after the countdown began.
WZCountdownPhase WZGetCountdownPhase(uint32_t elapsed);
// The look of a phase number (what a client shows).
WZCountdownPhase WZCountdownLook(uint32_t phase);

constexpr uint32_t WZ_COUNTDOWN_LENGTH = 3500;
constexpr uint32_t WZ_SERVER_COUNTDOWN_LENGTH = 4000;
constexpr uint32_t WZ_START_PHASE = 4;
