// WZRaceRules: how a race is scored while it runs - passing the track
// nodes and counting laps, the live order, finishing places, and bringing
// a car whose race is over to a halt.
//
// A car passes its next track node when it lies on the node plane's
// negative side while the node's sphere meets its box; passing node 0, the
// start and finish line, counts a lap, so the first pass at the start makes
// the counter 1 and a car has finished when its counter reaches the race's
// laps + 1. Progress is (effective lap, next node), the effective lap being
// the counter plus one while the next node is 0; with both equal, the car
// nearer to that node's plane is ahead. Finished and knocked-out cars keep
// their places; a destroyed car falls behind every racing car.
#pragma once

#include <cstdint>

class WZCar;
class WZTrack;

// Moves the car past its next node when it has passed it. True when that
// counted a lap (the car crossed the start line).
bool WZPassNode(WZCar& car, const WZTrack& track);

// Whether the car at `b` is ahead of the car at `a` in the live order.
bool WZIsAhead(const WZCar& b, const WZCar& a, const WZTrack& track);

// One pass of the exchange sort over the race order (indices into cars).
void WZRankCars(WZCar* const* cars, uint32_t count, uint32_t* positions, const WZTrack& track);

// A car whose counter reached laps + 1 takes the place it holds and its
// counter goes back to laps. True when the car finished now.
bool WZFinishCar(WZCar& car, uint32_t slot, const uint32_t* positions, uint32_t count, uint32_t laps);

// Whether the car's race is over and it must be stopped: finished and past
// the line's run-out, destroyed or knocked out.
bool WZMustStop(const WZCar& car);
// Brakes the car towards a standstill (the controls of a stopped car).
void WZBringToHalt(WZCar& car);
