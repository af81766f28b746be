// WZDrivetrain: a car's engine and gearbox as plain numbers, without the
// world, so every rule of the arcade engine model can be tested alone.
//
// The pedal runs from -1 (full brake, or reverse once standing) to 1 (full
// throttle). Revolutions climb by the engaged gear's acceleration (per
// second, scaled by the pedal) and shift up at m_fMaxRevs, losing 1000;
// they shift down below half of m_fMaxRevs, gaining 1000. The car's speed
// along its forward axis is revs x gear ratio / m_fMaxRevs units per second,
// so the top speed is the top ratio in units per second (x 0.36 in km/h).
//
// Gears: -1 none (standing or coasting: the car keeps whatever velocity it
// has), 0 reverse (a negative ratio), 1 and up forward. Braking while
// rolling forward takes revolutions away at the gear's acceleration times
// the brake strength and engages reverse at 1000. Revolutions never fall
// below 1000.
//
// A boost (the gas bottle) multiplies the acceleration of every forward
// gear by 4 and adds 250 to its ratio; taking it back undoes exactly that.
#pragma once

#include <cstdint>

struct WZGear
{
    float m_fAcceleration;   // revolutions per second at full pedal
    float m_fRatio;          // units per second at m_fMaxRevs revolutions
};

class WZDrivetrain
{
public:
    WZDrivetrain() = default;
    ~WZDrivetrain() { delete[] m_pGears; }
    WZDrivetrain(const WZDrivetrain&) = delete;
    WZDrivetrain& operator=(const WZDrivetrain&) = delete;

    // Takes a copy of `count` gears (entry 0 reverse, then forward).
    void SetGears(const WZGear* gears, uint32_t count);

    // One step of `ms` milliseconds. `rollingForward`: the car moves and
    // its velocity points within about 8 degrees of its forward axis. Under
    // an EMP hit the pedal counts as 0 and the revolutions fall by 5 per
    // millisecond. Returns whether the car brakes while rolling forward.
    bool Step(float pedal, bool rollingForward, bool emp, uint32_t ms);
    // After the step's target speed has been used: off the pedal at idle in
    // first gear the engine lets go (no gear).
    void Settle(float pedal);
    // Whether the step leaves a target speed (no gear: the car keeps its
    // velocity).
    bool Drives() const { return m_lGear != -1; }
    // Signed speed along the forward axis in units per second; half with
    // the handbrake pulled.
    float TargetSpeed(bool handbrake) const;
    // |revs x ratio / max revs| x 0.36; 0 without a gear.
    float GetSpeedKMH() const;
    // The top forward speed in km/h.
    float GetTopSpeedKMH() const;

    void ApplyBoost();
    void TakeBackBoost();
    // Standing: 1000 revolutions, no gear.
    void Stop();

    float m_fMaxRevs = 0.0f;
    uint32_t m_ulNumGears = 0;
    WZGear* m_pGears = nullptr;
    float m_fRevs = 0.0f;
    int32_t m_lGear = -1;
    float m_fBrakeStrength = 1.0f;

private:
    float Acceleration(int32_t gear) const;
    float Ratio(int32_t gear) const;
    void PedalUp(float pedal, float dt);
    bool PedalDown(bool rollingForward, float dt);
    void Shift();
};
