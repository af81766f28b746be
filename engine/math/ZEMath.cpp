#include "math/ZEMath.h"

#include <cmath>
#include <cstdlib>
#include <ctime>

namespace
{
typedef long double Extended;

bool g_bRandomSeeded = false;

void SeedOnFirstUse()
{
    if (!g_bRandomSeeded)
    {
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        g_bRandomSeeded = true;
    }
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
    return std::rand();
}

int32_t ZERandM(int32_t n)
{
    SeedOnFirstUse();
    Extended r = std::rand();
    Extended scaled = r * static_cast<Extended>(ZE_RAND_SCALE) * static_cast<Extended>(static_cast<float>(n));
    return static_cast<int32_t>(std::ceil(scaled));
}

int32_t ZERandIndex(int32_t n)
{
    int32_t draw = ZERandM(n);
    return (draw < 1 ? 1 : draw) - 1;
}

void ZESeedRandom(uint32_t seed)
{
    std::srand(seed);
    g_bRandomSeeded = true;
}
