// WZRaceReport: what a race leaves behind in words and numbers - one line
// per car for the headless race and the console, and a hash of the cars'
// final state that two runs of the same race must share.
//
// The hash is FNV-1a (64 bits) over, for each car slot in order, the bit
// patterns of its position, rotation and velocity, then its lap counter and
// next track node, all little-endian.
#pragma once

#include "core/ZEString.h"

#include <cstdint>
#include <vector>

class WZRace;

// "car 2  Driver  Car  1st  race 95.43 s  best lap 30.12 s  resets 0" (the
// car's grid slot, its driver, model and place);
// a car that has not finished shows "did not finish" for its time, one
// knocked out or destroyed when it was: "at 65.12 s".
ZEString WZDescribeCar(const WZRace& race, uint32_t slot);
// "knocked out: car 3  Driver  at 65.12 s, 4th on lap 2 of 3" (or
// "destroyed: ..."), empty for a car still in the race.
ZEString WZDescribeOut(const WZRace& race, uint32_t slot);
// The whole race: "game: Knockout Race, 3 laps", the knock-outs and
// destructions as they happened, then a line per car in the final order.
std::vector<ZEString> WZDescribeRace(const WZRace& race);
uint64_t WZHashRaceState(const WZRace& race);
// "race: <sim> s simulated in <wall> s (<ratio>x real time), <steps>
// steps, state <16 hex digits>".
ZEString WZDescribeRun(double simulated, double wall, uint64_t steps, uint64_t hash);
