#include "ZESynthDSP.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace
{
const double kPi = 3.14159265358979323846;
// exp(-ln(1000)) = -60 dB: "decay" times are the time to fall that far.
const double kLn1000 = 6.907755278982137;
const int kSineTableBits = 12;
const int kSineTableSize = 1 << kSineTableBits;

const std::array<float, kSineTableSize + 1>& SineTable()
{
    static const std::array<float, kSineTableSize + 1> table = [] {
        std::array<float, kSineTableSize + 1> values{};
        for (int i = 0; i <= kSineTableSize; ++i)
            values[i] = float(std::sin(2.0 * kPi * i / kSineTableSize));
        return values;
    }();
    return table;
}

double Fraction(double value)
{
    return value - std::floor(value);
}

// The correction that turns a naive unit step into a band-limited one
// (polynomial BLEP), for the phase `t` near the step at 0 or 1.
double Blep(double t, double dt)
{
    if (t < dt)
    {
        double x = t / dt;
        return x + x - x * x - 1.0;
    }
    if (t > 1.0 - dt)
    {
        double x = (t - 1.0) / dt;
        return x * x + x + x + 1.0;
    }
    return 0.0;
}

// The step residual of a cubic B-spline: smoother and far less aliased
// than the linear one above, spanning two samples either side of the
// step. `x` is the distance from the step in samples; twice the residual
// of a unit step, like Blep.
double CubicResidual(double x)
{
    if (x <= -2.0 || x >= 2.0)
        return 0.0;
    if (x > 0.0)
        return -CubicResidual(-x);
    if (x < -1.0)
    {
        double a = 2.0 + x;
        return a * a * a * a / 12.0;
    }
    return 2.0 * (1.0 / 24.0 + (4.0 * x - 2.0 * x * x * x - 0.75 * x * x * x * x + 2.75) / 6.0);
}

// The step correction at phase `t`: cubic while the steps are at least
// four samples apart, linear above that.
double StepCorrection(double t, double dt)
{
    if (dt >= 0.25)
        return Blep(t, dt);
    if (t < 2.0 * dt)
        return CubicResidual(t / dt);
    if (t > 1.0 - 2.0 * dt)
        return CubicResidual((t - 1.0) / dt);
    return 0.0;
}

// The same for a corner (a step in the slope): the integrated BLEP.
double Blamp(double t, double dt)
{
    if (t < dt)
    {
        double x = t / dt - 1.0;
        return -x * x * x / 3.0;
    }
    if (t > 1.0 - dt)
    {
        double x = (t - 1.0) / dt + 1.0;
        return x * x * x / 3.0;
    }
    return 0.0;
}

float FastTanh(float x)
{
    if (x > 3.0f)
        return 1.0f;
    if (x < -3.0f)
        return -1.0f;
    float x2 = x * x;
    return x * (27.0f + x2) / (27.0f + 9.0f * x2);
}

float Decibels(float db)
{
    return float(std::pow(10.0, db / 20.0));
}
} // namespace

uint32_t ZESynthHash(uint32_t seed, uint64_t index)
{
    uint64_t z = (uint64_t(seed) << 32) ^ index;
    z += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return uint32_t(z >> 32);
}

float ZESynthWhite(uint32_t seed, uint64_t index)
{
    return float(int32_t(ZESynthHash(seed, index))) * (1.0f / 2147483648.0f);
}

float ZESynthUniform(uint32_t seed, uint64_t index)
{
    return float(ZESynthHash(seed, index) >> 8) * (1.0f / 16777216.0f);
}

float ZESynthSin(double phase)
{
    double position = Fraction(phase) * kSineTableSize;
    int index = int(position);
    if (index >= kSineTableSize)
        index = kSineTableSize - 1;
    float part = float(position - index);
    const auto& table = SineTable();
    return table[index] + (table[index + 1] - table[index]) * part;
}

float ZESynthSaw(double phase, double step)
{
    return float(2.0 * phase - 1.0 - StepCorrection(phase, step));
}

float ZESynthPulse(double phase, double step, double width)
{
    double naive = phase < width ? 1.0 : -1.0;
    double value = naive + StepCorrection(phase, step) - StepCorrection(Fraction(phase + 1.0 - width), step);
    // A pulse other than a square has a DC offset; keep it centred.
    return float(value - (2.0 * width - 1.0));
}

float ZESynthTriangle(double phase, double step)
{
    double naive = phase < 0.5 ? 4.0 * phase - 1.0 : 3.0 - 4.0 * phase;
    return float(naive + 4.0 * step * (Blamp(phase, step) - Blamp(Fraction(phase + 0.5), step)));
}

// ---------------------------------------------------------------------------

float ZESynthEnvelope::At(double t, double hold) const
{
    const std::vector<float>& a = m_afArgs;
    switch (m_Kind)
    {
    case Kind::Constant:
        return a[0];
    case Kind::Adsr:
    {
        auto before = [&](double time) {
            if (time < a[0])
                return time / a[0];
            if (a[1] <= 0.0f)
                return double(a[2]);
            return a[2] + (1.0 - a[2]) * std::exp(-(time - a[0]) * kLn1000 / a[1]);
        };
        if (t < hold)
            return float(before(t));
        if (a[3] <= 0.0f)
            return 0.0f;
        return float(before(hold) * std::exp(-(t - hold) * kLn1000 / a[3]));
    }
    case Kind::Perc:
        if (t < a[0])
            return float(t / a[0]);
        return float(std::exp(-(t - a[0]) * kLn1000 / a[1]));
    case Kind::Points:
    {
        if (t <= a[0])
            return a[1];
        for (size_t i = 2; i + 1 < a.size(); i += 2)
        {
            if (t <= a[i])
            {
                double span = a[i] - a[i - 2];
                double part = span > 0.0 ? (t - a[i - 2]) / span : 1.0;
                return float(a[i - 1] + (a[i + 1] - a[i - 1]) * part);
            }
        }
        return a.back();
    }
    case Kind::Decay:
        return float(a[0] * std::exp(-t / a[1]));
    }
    return 0.0f;
}

double ZESynthEnvelope::End(double hold) const
{
    const std::vector<float>& a = m_afArgs;
    switch (m_Kind)
    {
    case Kind::Constant:
        return hold;
    case Kind::Adsr:
        return hold + a[3];
    case Kind::Perc:
        return double(a[0]) + a[1];
    case Kind::Points:
    {
        double last = a[a.size() - 2];
        return a.back() == 0.0f ? last : std::max(hold, last);
    }
    case Kind::Decay:
        return a[1] * kLn1000;
    }
    return hold;
}

float ZESynthLfo::At(double t, double period) const
{
    double cycles = t * m_fRate + m_fPhase;
    double part = Fraction(cycles);
    switch (m_Shape)
    {
    case Shape::Sine:
        return ZESynthSin(cycles);
    case Shape::Triangle:
        if (part < m_fSkew)
            return float(-1.0 + 2.0 * part / m_fSkew);
        return float(1.0 - 2.0 * (part - m_fSkew) / (1.0 - m_fSkew));
    case Shape::Square:
        return part < m_fSkew ? 1.0f : -1.0f;
    case Shape::Saw:
        return float(2.0 * part - 1.0);
    case Shape::Ramp:
        return float(1.0 - 2.0 * part);
    case Shape::Random:
    {
        int64_t step = int64_t(std::floor(cycles));
        int64_t next = step + 1;
        if (period > 0.0)
        {
            int64_t count = std::max<int64_t>(1, int64_t(std::llround(period * m_fRate)));
            step = ((step % count) + count) % count;
            next = ((next % count) + count) % count;
        }
        float from = ZESynthWhite(m_ulSeed, uint64_t(step));
        float to = ZESynthWhite(m_ulSeed, uint64_t(next));
        float smooth = float(part * part * (3.0 - 2.0 * part));
        return from + (to - from) * smooth;
    }
    }
    return 0.0f;
}

// ---------------------------------------------------------------------------

void ZESynthSvf::SetQ(ZESynthFilter::Type type, float cutoff, float q, float rate)
{
    m_Type = type;
    float highest = 0.45f * rate;
    cutoff = std::min(std::max(cutoff, 10.0f), highest);
    float g = float(std::tan(kPi * cutoff / rate));
    m_fK = 1.0f / std::max(q, 0.02f);
    m_fA1 = 1.0f / (1.0f + g * (g + m_fK));
    m_fA2 = g * m_fA1;
    m_fA3 = g * m_fA2;
}

void ZESynthSvf::Set(ZESynthFilter::Type type, float cutoff, float resonance, float rate)
{
    float r = std::min(std::max(resonance, 0.0f), 1.0f);
    SetQ(type, cutoff, 1.0f / (2.0f - 1.96f * r), rate);
}

float ZESynthSvf::Process(float x)
{
    float v3 = x - m_fS2;
    float v1 = m_fA1 * m_fS1 + m_fA2 * v3;
    float v2 = m_fS2 + m_fA2 * m_fS1 + m_fA3 * v3;
    m_fS1 = 2.0f * v1 - m_fS1;
    m_fS2 = 2.0f * v2 - m_fS2;
    switch (m_Type)
    {
    case ZESynthFilter::Type::None:
        return x;
    case ZESynthFilter::Type::Lowpass:
        return v2;
    case ZESynthFilter::Type::Highpass:
        return x - m_fK * v1 - v2;
    case ZESynthFilter::Type::Bandpass:
        return m_fK * v1;
    case ZESynthFilter::Type::Notch:
        return x - m_fK * v1;
    }
    return x;
}

ZESynthShaperUnit::ZESynthShaperUnit(const ZESynthShaper& shaper)
    : m_Kind(shaper.m_Kind), m_fDrive(Decibels(shaper.m_fGain)), m_fMix(shaper.m_fMix),
      m_fLevels(float(std::pow(2.0, shaper.m_fBits - 1.0f)))
{
}

float ZESynthShaperUnit::Process(float x) const
{
    if (m_Kind == ZESynthShaper::Kind::None)
        return x;
    float driven = x * m_fDrive;
    float shaped = driven;
    switch (m_Kind)
    {
    case ZESynthShaper::Kind::None:
        break;
    case ZESynthShaper::Kind::Tanh:
        shaped = FastTanh(driven);
        break;
    case ZESynthShaper::Kind::Clip:
        shaped = std::min(std::max(driven, -1.0f), 1.0f);
        break;
    case ZESynthShaper::Kind::Fold:
        shaped = ZESynthSin(driven * 0.25);
        break;
    case ZESynthShaper::Kind::Crush:
        shaped = std::min(std::max(std::round(driven * m_fLevels) / m_fLevels, -1.0f), 1.0f);
        break;
    }
    return x + (shaped - x) * m_fMix;
}

// ---------------------------------------------------------------------------

ZESynthDelayLine::ZESynthDelayLine(const ZESynthDelay& delay, uint32_t rate)
    : m_fFeedback(std::min(std::max(delay.m_fFeedback, 0.0f), 0.95f)),
      m_fToneCoef(float(1.0 - std::exp(-2.0 * kPi * delay.m_fTone / rate))),
      m_bPingPong(delay.m_bPingPong)
{
    size_t length = std::max<size_t>(1, size_t(std::llround(double(delay.m_fTime) * rate)));
    m_afLeft.assign(length, 0.0f);
    m_afRight.assign(length, 0.0f);
}

void ZESynthDelayLine::Process(float in, float& left, float& right)
{
    float outL = m_afLeft[m_ulAt];
    float outR = m_afRight[m_ulAt];
    m_fToneL += (outL - m_fToneL) * m_fToneCoef;
    m_fToneR += (outR - m_fToneR) * m_fToneCoef;
    if (m_bPingPong)
    {
        m_afLeft[m_ulAt] = in + m_fToneR * m_fFeedback;
        m_afRight[m_ulAt] = m_fToneL * m_fFeedback;
    }
    else
    {
        m_afLeft[m_ulAt] = in + m_fToneL * m_fFeedback;
        m_afRight[m_ulAt] = m_afLeft[m_ulAt];
    }
    m_ulAt = (m_ulAt + 1) % m_afLeft.size();
    left = outL;
    right = outR;
}

ZESynthReverbUnit::ZESynthReverbUnit(const ZESynthReverb& reverb, uint32_t rate)
{
    static const int combTunings[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
    static const int passTunings[4] = {556, 441, 341, 225};
    const int spread = 23;
    double scale = rate / 44100.0;
    for (int side = 0; side < 2; ++side)
    {
        for (int i = 0; i < 8; ++i)
            m_aCombs[side][i].m_afLine.assign(size_t((combTunings[i] + side * spread) * scale) + 1, 0.0f);
        for (int i = 0; i < 4; ++i)
            m_aPasses[side][i].m_afLine.assign(size_t((passTunings[i] + side * spread) * scale) + 1, 0.0f);
    }
    m_afPre.assign(std::max<size_t>(1, size_t(double(reverb.m_fPredelay) * rate)), 0.0f);
    float size = std::min(std::max(reverb.m_fSize, 0.0f), 1.0f);
    m_fFeedback = 0.7f + 0.28f * size;
    m_fDamp = 0.4f * std::min(std::max(reverb.m_fDamp, 0.0f), 1.0f);
    float width = std::min(std::max(reverb.m_fWidth, 0.0f), 1.0f);
    float wet = 3.0f * Decibels(reverb.m_fLevel);
    m_fWet1 = wet * (width / 2.0f + 0.5f);
    m_fWet2 = wet * ((1.0f - width) / 2.0f);
    double meanComb = 1380.0 * scale / rate;
    m_dDecay = meanComb * kLn1000 / -std::log(m_fFeedback) + reverb.m_fPredelay;
}

float ZESynthReverbUnit::RunComb(Comb& comb, float in)
{
    float out = comb.m_afLine[comb.m_ulAt];
    comb.m_fStore = out * (1.0f - m_fDamp) + comb.m_fStore * m_fDamp;
    comb.m_afLine[comb.m_ulAt] = in + comb.m_fStore * m_fFeedback;
    if (++comb.m_ulAt == comb.m_afLine.size())
        comb.m_ulAt = 0;
    return out;
}

float ZESynthReverbUnit::RunAllPass(AllPass& pass, float in)
{
    float delayed = pass.m_afLine[pass.m_ulAt];
    pass.m_afLine[pass.m_ulAt] = in + delayed * 0.5f;
    if (++pass.m_ulAt == pass.m_afLine.size())
        pass.m_ulAt = 0;
    return delayed - in;
}

void ZESynthReverbUnit::Process(float in, float& left, float& right)
{
    float delayed = m_afPre[m_ulPreAt];
    m_afPre[m_ulPreAt] = in * 0.015f;
    if (++m_ulPreAt == m_afPre.size())
        m_ulPreAt = 0;
    float out[2] = {0.0f, 0.0f};
    for (int side = 0; side < 2; ++side)
    {
        for (Comb& comb : m_aCombs[side])
            out[side] += RunComb(comb, delayed);
        for (AllPass& pass : m_aPasses[side])
            out[side] = RunAllPass(pass, out[side]);
    }
    left = out[0] * m_fWet1 + out[1] * m_fWet2;
    right = out[1] * m_fWet1 + out[0] * m_fWet2;
}
