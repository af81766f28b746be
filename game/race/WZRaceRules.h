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
//
// Game types. In a knock-out race (types 2 and 3) the car in 4th place on
// the last lap but one is out, so is the car in 3rd place on the last lap,
// and so is the second car across the line: only the winner finishes. In a
// race to death (type 4) an EMP hit destroys a racing car, and the last car
// racing wins even without a lap.
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

// Knock-out race types (2 and 3).
bool WZIsKnockOut(uint32_t gameType);
// The laps a race of the type runs: a knock-out race needs at least three.
uint32_t WZRaceLapsFor(uint32_t gameType, uint32_t laps);

// The place (0 = first) the car in `slot` holds, `count` when none.
uint32_t WZPlaceOf(uint32_t slot, const uint32_t* positions, uint32_t count);

// What a frame's scoring did to a car.
enum WZRaceOutcome
{
    WZ_OUTCOME_NONE,
    WZ_OUTCOME_FINISHED,
    WZ_OUTCOME_KNOCKED_OUT,
    WZ_OUTCOME_DESTROYED
};

// The knock-out rule for a car holding `place` (0 = first): out in 4th on
// lap counter laps - 1, in 3rd on laps, or just finished second (its
// counter then becomes laps + 1). True when knocked out now.
bool WZKnockOutCar(WZCar& car, uint32_t place, uint32_t laps);
// Race to death: a racing car under an EMP effect (state 1 or 2) is
// destroyed. True when destroyed now.
bool WZDestroyCar(WZCar& car);
// One car's scoring after the ranking: finishing, then the game type's rule.
WZRaceOutcome WZScoreCar(WZCar& car, uint32_t slot, const uint32_t* positions, uint32_t count, uint32_t laps,
                         uint32_t gameType);
// Race to death: when every car but one is destroyed and that one is still
// racing, it wins. Its slot, or -1.
int32_t WZCrownSurvivor(WZCar* const* cars, uint32_t count);

// The order a race ends in (slots into cars, first to last), by an
// exchange sort from (0, 1, 2, 3): finished cars by their place ahead of
// the rest; between two others a destroyed car at the front gives way, else
// the lap counter, the next node (node 0 counting as the greatest) and the
// smaller signed distance to that node's plane decide.
void WZFinalOrder(WZCar* const* cars, uint32_t count, const WZTrack& track, uint32_t* order);

// Whether the car's race is over and it must be stopped: finished and past
// the line's run-out, destroyed or knocked out.
bool WZMustStop(const WZCar& car);
// Brakes the car towards a standstill (the controls of a stopped car).
void WZBringToHalt(WZCar& car);
