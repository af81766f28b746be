// WZControls: the player's controls and the speedometer needle as plain
// functions of what the keys, the joystick and the car report, so their
// rules are tested without devices.
#pragma once

#include <cstdint>

struct WZPlayerControls
{
    float m_fPedal = 0.0f;
    float m_fSteering = 0.0f;
    bool m_bHandbrake = false;
};

// Keys held: accelerate wins over brake, right over left.
WZPlayerControls WZReadKeys(bool accelerate, bool brake, bool left, bool right, bool handbrake);

// A joystick axis (about -1000..1000) as a control: value x sensitivity x
// 0.001, limited to [-1, 1], and 0 within 0.05 of the centre.
float WZShapeAxis(int32_t axis, float sensitivity);

// Which axis works the pedal: 0 the y axis, 1 the z axis, 2 none.
enum WZPedalAxis : uint32_t
{
    WZ_PEDAL_Y = 0,
    WZ_PEDAL_Z = 1,
    WZ_PEDAL_NONE = 2
};

// The joystick's controls replace the keys': steering from x; the pedal
// from -y or -z (pushed forward is throttle), or the keys' with no axis.
WZPlayerControls WZReadJoystick(const WZPlayerControls& keys, int32_t x, int32_t y, int32_t z,
                                uint32_t pedalAxis, float sensitivity);

// The speedometer's next shown km/h: it snaps within 4, climbs 3 a frame,
// falls 3 for every whole 10 km/h of the gap (so a gap of 4 to 9 below
// does not move it), and shows 0 below 4 km/h.
uint32_t WZSmoothTacho(uint32_t shown, float speedKMH);
