// Scalar math: trigonometry in radians and degrees, powers and the random
// generator.
//
// Degree conversions use π as the single-precision constant 3.14159274 (not
// the double value), so every place that turns degrees into radians agrees
// bit for bit. Intermediate results are computed in double and rounded to
// float once, at the end.
//
// Random numbers come from the engine's own generator, never the C
// library's (whose range and sequence differ by platform): SplitMix64 over
// a 64-bit state, each draw the top 31 bits of one output, so a seed gives
// the same sequence on every platform and build. ZERandM scales a draw in
// exact integer arithmetic. The first draw seeds the generator from the
// clock unless it was seeded (or its state set) first, so a normal game is
// unpredictable while tests, tools and a headless run that must repeat
// seed it themselves. One generator serves the whole process; it is not
// meant for several threads.
#pragma once

#include <cstdint>

// π as the single-precision float the degree conversions use.
constexpr float ZE_PI = 3.14159274f;
// 2^-31 exactly: scales a ZERand() draw into [0, 1).
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

// The next draw, 0 to 2^31 - 1.
int32_t ZERand();
// ceil(draw * 2^-31 * float(n)), exactly: a whole number from 1 to n for
// n >= 1, 0 only when the draw was 0. One draw per call. Callers that want
// 0-based values use ZERandIndex instead.
int32_t ZERandM(int32_t n);
// The same draw from a stream of the caller's own: the same generator
// stepping `state` instead of the process's, so drawing-only effects (the
// particles) never move the game's sequence. Never seeds from the clock.
int32_t ZERandM(uint64_t& state, int32_t n);
// 0 to n - 1 for n >= 1, built on ZERandM: a draw of 0 counts as 1, so the
// result never falls below 0.
int32_t ZERandIndex(int32_t n);

// Seeds the generator and marks it seeded, so the draws that follow are
// the same on every run and platform.
void ZESeedRandom(uint32_t seed);
// The generator's whole state, and setting it back (which also marks it
// seeded): draws after ZESetRandomState(s) repeat those that followed the
// ZEGetRandomState() that returned s.
uint64_t ZEGetRandomState();
void ZESetRandomState(uint64_t state);
