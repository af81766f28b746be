#include "car/WZDrivetrain.h"

#include <cmath>

namespace
{
const float kIdleRevs = 1000.0f;
const float kShiftRevs = 1000.0f;
const float kEMPRevsPerMs = 5.0f;
const float kBoostFactor = 4.0f;
const float kBoostRatio = 250.0f;
const float kKMH = 0.36f;
}

void WZDrivetrain::SetGears(const WZGear* gears, uint32_t count)
{
    delete[] m_pGears;
    m_pGears = count ? new WZGear[count] : nullptr;
    for (uint32_t i = 0; i < count; ++i)
        m_pGears[i] = gears[i];
    m_ulNumGears = count;
    if (m_lGear >= static_cast<int32_t>(count))
        m_lGear = -1;
}

// A gear the table lacks (no gear at all) accelerates nothing.
float WZDrivetrain::Acceleration(int32_t gear) const
{
    return gear >= 0 && static_cast<uint32_t>(gear) < m_ulNumGears ? m_pGears[gear].m_fAcceleration : 0.0f;
}

float WZDrivetrain::Ratio(int32_t gear) const
{
    return gear >= 0 && static_cast<uint32_t>(gear) < m_ulNumGears ? m_pGears[gear].m_fRatio : 0.0f;
}

bool WZDrivetrain::Step(float pedal, bool rollingForward, bool emp, uint32_t ms)
{
    float dt = ms / 1000.0f;
    if (emp)
        pedal = 0.0f;
    bool braking = false;
    if (pedal >= 0.0f)
        PedalUp(pedal, dt);
    else
        braking = PedalDown(rollingForward, dt);

    if (!braking && m_lGear != -1)
    {
        float a = Acceleration(m_lGear);
        if (m_fRevs < m_fMaxRevs)
            m_fRevs += a * std::fabs(pedal) * dt;
        if (pedal == 0.0f)
            m_fRevs -= 2.0f * a * dt;
    }
    Shift();
    if (emp)
        m_fRevs -= kEMPRevsPerMs * ms;
    if (m_fRevs < kIdleRevs)
        m_fRevs = kIdleRevs;
    return braking;
}

void WZDrivetrain::Settle(float pedal)
{
    // Off the pedal in first gear at idle: the engine lets go and the car
    // rolls on by itself.
    if (pedal == 0.0f && m_fRevs <= kIdleRevs && m_lGear == 1)
    {
        m_fRevs = kIdleRevs;
        m_lGear = -1;
    }
}

// Throttle or nothing: engage first from standing; rolling back in reverse
// comes out of it.
void WZDrivetrain::PedalUp(float pedal, float dt)
{
    if (m_lGear == -1 && pedal != 0.0f)
        m_lGear = 1;
    if (m_lGear != 0)
        return;
    if (m_fRevs > kIdleRevs)
        m_fRevs -= Acceleration(0) * dt * m_fBrakeStrength;
    if (m_fRevs <= kIdleRevs)
    {
        m_fRevs = kIdleRevs;
        m_lGear = -1;
    }
}

// Brake: slows a car rolling forward down to reverse; a standing or
// backing car goes straight into reverse.
bool WZDrivetrain::PedalDown(bool rollingForward, float dt)
{
    if (rollingForward)
    {
        if (m_fRevs > kIdleRevs)
            m_fRevs -= Acceleration(m_lGear) * dt * m_fBrakeStrength;
        if (m_fRevs <= kIdleRevs)
        {
            m_fRevs = kIdleRevs;
            m_lGear = 0;
        }
        return true;
    }
    if (m_lGear != 0)
    {
        m_fRevs = kIdleRevs;
        m_lGear = 0;
    }
    return false;
}

void WZDrivetrain::Shift()
{
    if (m_lGear < 1)
        return;
    if (m_fRevs >= m_fMaxRevs && static_cast<uint32_t>(m_lGear) + 1 < m_ulNumGears)
    {
        ++m_lGear;
        m_fRevs -= kShiftRevs;
    }
    if (m_fRevs < m_fMaxRevs * 0.5f && m_lGear > 1)
    {
        --m_lGear;
        m_fRevs += kShiftRevs;
    }
}

float WZDrivetrain::TargetSpeed(bool handbrake) const
{
    if (m_lGear == -1 || m_fMaxRevs <= 0.0f)
        return 0.0f;
    float speed = m_fRevs * Ratio(m_lGear) / m_fMaxRevs;
    return handbrake ? speed * 0.5f : speed;
}

float WZDrivetrain::GetSpeedKMH() const
{
    if (m_lGear == -1 || m_fMaxRevs <= 0.0f)
        return 0.0f;
    return std::fabs(m_fRevs * Ratio(m_lGear) / m_fMaxRevs * kKMH);
}

float WZDrivetrain::GetTopSpeedKMH() const
{
    return m_ulNumGears > 1 ? m_pGears[m_ulNumGears - 1].m_fRatio * kKMH : 0.0f;
}

void WZDrivetrain::ApplyBoost()
{
    for (uint32_t g = 1; g < m_ulNumGears; ++g)
    {
        m_pGears[g].m_fAcceleration *= kBoostFactor;
        m_pGears[g].m_fRatio += kBoostRatio;
    }
}

void WZDrivetrain::TakeBackBoost()
{
    for (uint32_t g = 1; g < m_ulNumGears; ++g)
    {
        m_pGears[g].m_fAcceleration *= 1.0f / kBoostFactor;
        m_pGears[g].m_fRatio -= kBoostRatio;
    }
}

void WZDrivetrain::Stop()
{
    m_fRevs = kIdleRevs;
    m_lGear = -1;
}
