#include "core/ZEInputRules.h"

namespace
{
const int32_t kDeadZone = 10;

// 0 is reserved for "up", so a press at time 0 keeps a time of its own.
uint32_t PressStamp(uint32_t now)
{
    return now != 0 ? now : UINT32_MAX;
}
}

ZEKeyStep ZEStepKey(uint32_t keyTime, bool down, uint32_t now, uint32_t repeat)
{
    if (!down)
        return {0, keyTime != 0 ? ZE_KEYEVENT_UP : ZE_KEYEVENT_NONE};
    bool wasUp = keyTime == 0;
    bool repeats = !wasUp && repeat != 0 && now - keyTime > repeat;
    if (wasUp || repeats)
        return {PressStamp(now), ZE_KEYEVENT_DOWN};
    return {keyTime, ZE_KEYEVENT_NONE};
}

int32_t ZEScaleJoystickAxis(int32_t raw)
{
    // raw / 32.768 as raw * 1000 / 32768 in integers: no rounding error at
    // exact multiples, and integer division truncates toward zero.
    return static_cast<int32_t>(static_cast<int64_t>(raw) * 1000 / 32768);
}

int32_t ZEJoystickDeadZone(int32_t scaled)
{
    return scaled >= -kDeadZone && scaled <= kDeadZone ? 0 : scaled;
}
