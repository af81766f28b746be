#include "race/WZControls.h"

#include <cmath>

WZPlayerControls WZReadKeys(bool accelerate, bool brake, bool left, bool right, bool handbrake)
{
    WZPlayerControls controls;
    controls.m_fPedal = accelerate ? 1.0f : (brake ? -1.0f : 0.0f);
    controls.m_fSteering = right ? 1.0f : (left ? -1.0f : 0.0f);
    controls.m_bHandbrake = handbrake;
    return controls;
}

float WZShapeAxis(int32_t axis, float sensitivity)
{
    float value = axis * sensitivity * 0.001f;
    if (value > 1.0f)
        value = 1.0f;
    if (value < -1.0f)
        value = -1.0f;
    if (!(std::fabs(value) > 0.05f))
        return 0.0f;
    return value;
}

WZPlayerControls WZReadJoystick(const WZPlayerControls& keys, int32_t x, int32_t y, int32_t z,
                                uint32_t pedalAxis, float sensitivity)
{
    WZPlayerControls controls = keys;
    controls.m_fSteering = WZShapeAxis(x, sensitivity);
    if (pedalAxis == WZ_PEDAL_Y)
        controls.m_fPedal = WZShapeAxis(-y, sensitivity);
    else if (pedalAxis == WZ_PEDAL_Z)
        controls.m_fPedal = WZShapeAxis(-z, sensitivity);
    return controls;
}

uint32_t WZSmoothTacho(uint32_t shown, float speedKMH)
{
    if (!(speedKMH >= 4.0f))
        return 0;
    uint32_t target = static_cast<uint32_t>(speedKMH);
    uint32_t gap = shown > target ? shown - target : target - shown;
    if (gap < 4)
        return target;
    if (shown < target)
        return shown + 3;
    uint32_t fall = 3 * (gap / 10);
    return shown > fall ? shown - fall : 0;
}
