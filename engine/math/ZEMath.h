// Scalar math: trigonometry in radians and degrees, powers and the random
// generator.
//
// Degree conversions use π as the single-precision constant 3.14159274 (not
// the double value), so every place that turns degrees into radians agrees
// bit for bit. Intermediate results are computed in double (random numbers
// in extended precision) and rounded to float once, at the end.
//
// Random numbers come from the C library's generator. The first draw seeds
// it from the clock unless a test seeded it first through ZESeedRandom, so
// the game is unpredictable and tests are repeatable.
#pragma once

#include <cstdint>

// π as the single-precision float the degree conversions use.
constexpr float ZE_PI = 3.14159274f;
// 2^-31 exactly: scales rand() into [0, 1).
constexpr float ZE_RAND_SCALE = 4.656613e-10f;

float ZESinRad(float x);
float ZECosRad(float x);
float ZETanRad(float x);
float ZEASinRad(float x);
float ZEACosRad(float x);
float ZEATanRad(float x);   // atan2(x, 1)

float ZESinDeg(float degrees);
float ZECosDeg(float degrees);
float ZETanDeg(float degrees);
float ZEASinDeg(float x);
float ZEACosDeg(float x);
float ZEATanDeg(float x);

inline float ZESquare(float x) { return x * x; }
float ZESquareRoot(float x);
float ZEPow(float base, float exponent);

// rand(), 0 to 2^31 - 1.
int32_t ZERand();
// A whole number from 1 to n for n >= 1; 0 only when rand() gave 0.
// Callers that want 0-based values use ZERandIndex instead.
int32_t ZERandM(int32_t n);
// 0 to n - 1 for n >= 1, built on ZERandM: a draw of 0 counts as 1, so the
// result never falls below 0.
int32_t ZERandIndex(int32_t n);

// Seeds the generator and marks it seeded, so later draws repeat. For tests
// and tools; the game never calls it.
void ZESeedRandom(uint32_t seed);
