// ZETimer: the source of game time and wall time.
//
// Times are milliseconds in an unsigned 32-bit count that wraps; measure
// durations by unsigned subtraction (GetElapsedTime), never by comparison.
// Game time (GetTime) follows the time factor: it runs at factor times wall
// speed, stops at factor 0 and never jumps when the factor changes. Wall time
// (GetRealTime) runs on regardless and stamps console messages, key repeat
// and the frame-rate count. The one timer sets ms_pTimer while it lives.
#pragma once

#include <cstdint>

class ZETimer
{
public:
    ZETimer();
    virtual ~ZETimer();

    virtual uint32_t GetTime() { return 0; }
    virtual void SetTimeFactor(float) {}
    virtual uint32_t GetRealTime() { return 0; }

    // The factor last set (1.0 until then). Pause() and LoadBSPFile() read
    // it to toggle or restore it.
    virtual float GetTimeFactor() { return 1.0f; }

    uint32_t GetElapsedTime(uint32_t start) { return GetTime() - start; }

    static ZETimer* GetTimer() { return ms_pTimer; }
    static ZETimer* ms_pTimer;
};

// Game time = wall time scaled by the factor since the last factor change,
// on top of an offset that carries the time accumulated before it. Shared by
// the SDL timer and the manual timer of the tests, so both scale alike.
class ZEScaledClock
{
public:
    explicit ZEScaledClock(uint32_t now) : m_ulReference(now) {}

    uint32_t GetTime(uint32_t now) const;
    void SetTimeFactor(uint32_t now, float factor);
    float GetTimeFactor() const { return m_fTimeFactor; }

private:
    // Game milliseconds for `real` wall milliseconds at the current factor.
    uint32_t Scale(uint32_t real) const;

    bool m_bScaled = false;
    uint32_t m_ulOffset = 0;
    uint32_t m_ulReference;
    float m_fTimeFactor = 1.0f;
};
