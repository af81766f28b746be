#include "math/ZEMath.h"

#include <cmath>
#include <ctime>

namespace
{
uint64_t g_ullRandomState = 0;
bool g_bRandomSeeded = false;

void SeedOnFirstUse()
{
    if (!g_bRandomSeeded)
        ZESeedRandom(static_cast<uint32_t>(std::time(nullptr)));
}

// SplitMix64: one step of the state and its mixed output.
uint64_t NextRandom(uint64_t& state = g_ullRandomState)
{
    state += 0x9E3779B97F4A7C15ull;
    uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// Trigonometry runs in double: every result is rounded to float, and
// double keeps the functions fast enough for per-step rotations.
double DegreesToRadians(float degrees)
{
    return static_cast<double>(ZE_PI) * degrees / 180.0;
}

float RadiansToDegrees(float radians)
{
    return static_cast<float>(radians / static_cast<double>(ZE_PI) * 180.0);
}
}

float ZESinRad(float x) { return static_cast<float>(std::sin(static_cast<double>(x))); }
float ZECosRad(float x) { return static_cast<float>(std::cos(static_cast<double>(x))); }
float ZETanRad(float x) { return static_cast<float>(std::tan(static_cast<double>(x))); }
float ZEASinRad(float x) { return static_cast<float>(std::asin(static_cast<double>(x))); }
float ZEACosRad(float x) { return static_cast<float>(std::acos(static_cast<double>(x))); }
float ZEATanRad(float x) { return static_cast<float>(std::atan2(static_cast<double>(x), 1.0)); }

float ZESinDeg(float degrees) { return static_cast<float>(std::sin(DegreesToRadians(degrees))); }
float ZECosDeg(float degrees) { return static_cast<float>(std::cos(DegreesToRadians(degrees))); }
float ZETanDeg(float degrees) { return static_cast<float>(std::tan(DegreesToRadians(degrees))); }
float ZEASinDeg(float x) { return RadiansToDegrees(ZEASinRad(x)); }
float ZEACosDeg(float x) { return RadiansToDegrees(ZEACosRad(x)); }
float ZEATanDeg(float x) { return RadiansToDegrees(ZEATanRad(x)); }

float ZESquareRoot(float x) { return std::sqrt(x); }
float ZEPow(float base, float exponent) { return std::pow(base, exponent); }

int32_t ZERand()
{
    SeedOnFirstUse();
    return static_cast<int32_t>(NextRandom() >> 33);
}

namespace
{
int32_t ScaleDraw(int64_t draw, int32_t n)
{
    // draw * 2^-31 * float(n) is exact in 64-bit integers (31 bits times at
    // most 32), so the rounding up is exact too, on every platform.
    int64_t scale = static_cast<int64_t>(static_cast<float>(n));
    int64_t product = draw * scale;
    int64_t unit = int64_t(1) << 31;
    if (product >= 0)
        return static_cast<int32_t>((product + unit - 1) / unit);
    return static_cast<int32_t>(-(-product / unit));
}
}

int32_t ZERandM(int32_t n)
{
    return ScaleDraw(ZERand(), n);
}

int32_t ZERandM(uint64_t& state, int32_t n)
{
    return ScaleDraw(static_cast<int64_t>(NextRandom(state) >> 33), n);
}

int32_t ZERandIndex(int32_t n)
{
    int32_t draw = ZERandM(n);
    return (draw < 1 ? 1 : draw) - 1;
}

void ZESeedRandom(uint32_t seed)
{
    ZESetRandomState(seed);
}

uint64_t ZEGetRandomState()
{
    return g_ullRandomState;
}

void ZESetRandomState(uint64_t state)
{
    g_ullRandomState = state;
    g_bRandomSeeded = true;
}
