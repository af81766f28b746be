#include "core/ZETimer.h"

ZETimer* ZETimer::ms_pTimer = nullptr;

ZETimer::ZETimer()
{
    ms_pTimer = this;
}

ZETimer::~ZETimer()
{
    if (ms_pTimer == this)
        ms_pTimer = nullptr;
}

uint32_t ZEScaledClock::Scale(uint32_t real) const
{
    long double scaled = static_cast<long double>(real) * m_fTimeFactor;
    // Truncate toward zero to 64 bits and keep the low 32. Values outside the
    // 64-bit range (absurd factors) saturate instead of being undefined.
    if (!(scaled < 9.2e18L) || !(scaled > -9.2e18L))
        scaled = scaled > 0 ? 9.2e18L : 0.0L;
    return static_cast<uint32_t>(static_cast<int64_t>(scaled));
}

uint32_t ZEScaledClock::GetTime(uint32_t now) const
{
    if (!m_bScaled)
        return now + m_ulOffset;
    return m_ulReference + m_ulOffset + Scale(now - m_ulReference);
}

void ZEScaledClock::SetTimeFactor(uint32_t now, float factor)
{
    uint32_t real = now - m_ulReference;
    uint32_t game = m_bScaled ? Scale(real) : real;
    m_ulOffset += game - real;
    m_ulReference = now;
    m_fTimeFactor = factor;
    m_bScaled = !(factor == 1.0f);
}
