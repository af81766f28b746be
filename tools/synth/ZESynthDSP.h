// The synthesiser's building blocks: deterministic noise, band-limited
// oscillator shapes, a state-variable filter, waveshapers, and the two bus
// effects (a feedback delay and a plate-like reverb).
//
// Every block works on plain floats at a sample rate it is told; none keeps
// global state. Noise is a hash of a seed and a sample index rather than a
// running generator, so any stretch of it can be made on its own and a
// loop can repeat it exactly (index modulo the loop length).
#pragma once

#include "ZESynth.h"

#include <cstdint>
#include <vector>

// A well-mixed 32-bit hash of a seed and an index.
uint32_t ZESynthHash(uint32_t seed, uint64_t index);
// White noise in [-1, 1) for that seed and index.
float ZESynthWhite(uint32_t seed, uint64_t index);
// Uniform in [0, 1) for that seed and index.
float ZESynthUniform(uint32_t seed, uint64_t index);

// sin(2 pi phase) from a table, phase in cycles (any real value).
float ZESynthSin(double phase);

// Naive shapes with polynomial band-limiting corrections at their
// discontinuities; `phase` in [0, 1), `step` the phase increment a sample.
float ZESynthSaw(double phase, double step);
float ZESynthPulse(double phase, double step, double width);
float ZESynthTriangle(double phase, double step);

// Topology-preserving state-variable filter (2 poles). Cutoffs are clamped
// to 10 Hz .. 0.45 of the rate; the band pass peaks at unity gain.
class ZESynthSvf
{
public:
    void Set(ZESynthFilter::Type type, float cutoff, float resonance, float rate);
    // Resonance given as Q (for the sources' fixed filters).
    void SetQ(ZESynthFilter::Type type, float cutoff, float q, float rate);
    float Process(float x);
    void Reset() { m_fS1 = m_fS2 = 0.0f; }

private:
    ZESynthFilter::Type m_Type = ZESynthFilter::Type::None;
    float m_fK = 2.0f;
    float m_fA1 = 0.0f;
    float m_fA2 = 0.0f;
    float m_fA3 = 0.0f;
    float m_fS1 = 0.0f;
    float m_fS2 = 0.0f;
};

// A shaper ready to run: its gains worked out once.
class ZESynthShaperUnit
{
public:
    explicit ZESynthShaperUnit(const ZESynthShaper& shaper);
    float Process(float x) const;

private:
    ZESynthShaper::Kind m_Kind;
    float m_fDrive;
    float m_fMix;
    float m_fLevels;
};

// Feedback delay, mono in, stereo out (ping-pong bounces between sides).
class ZESynthDelayLine
{
public:
    ZESynthDelayLine(const ZESynthDelay& delay, uint32_t rate);
    void Process(float in, float& left, float& right);

private:
    std::vector<float> m_afLeft;
    std::vector<float> m_afRight;
    size_t m_ulAt = 0;
    float m_fFeedback;
    float m_fToneCoef;
    float m_fToneL = 0.0f;
    float m_fToneR = 0.0f;
    bool m_bPingPong;
};

// Reverb of eight damped combs and four all-passes per side, mono in,
// stereo out, with a pre-delay.
class ZESynthReverbUnit
{
public:
    ZESynthReverbUnit(const ZESynthReverb& reverb, uint32_t rate);
    void Process(float in, float& left, float& right);
    // Seconds its response takes to fade by 60 dB (for warming loops).
    double DecaySeconds() const { return m_dDecay; }

private:
    struct Comb
    {
        std::vector<float> m_afLine;
        size_t m_ulAt = 0;
        float m_fStore = 0.0f;
    };
    struct AllPass
    {
        std::vector<float> m_afLine;
        size_t m_ulAt = 0;
    };
    float RunComb(Comb& comb, float in);
    static float RunAllPass(AllPass& pass, float in);

    Comb m_aCombs[2][8];
    AllPass m_aPasses[2][4];
    std::vector<float> m_afPre;
    size_t m_ulPreAt = 0;
    float m_fFeedback;
    float m_fDamp;
    float m_fWet1;
    float m_fWet2;
    double m_dDecay;
};
