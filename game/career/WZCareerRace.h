// WZCareerRace: a career race on the loaded track, and the career's lines
// for the headless season and the console.
//
// A career race is begun like a quick race (WZRace::StartRace: music,
// countdown, bookkeeping) and then made the career's: the cars the quick
// race placed leave the world and the career's take their places -
// opponents in slots 0 to 2 with their names, horns and skills, the player
// in slot 3, each car on the grid slot of its place in the last race - the
// player's gears get the difficulty's handicap and the race order starts
// as the grid.
#pragma once

#include "career/WZCareer.h"
#include "core/ZEString.h"

#include <vector>

class WZRace;
struct WZRaceContext;

// `setup` from WZGetCareerRace; the race has been started on its track.
// With `aiPlayer` the computer drives the player's car too.
void WZMakeCareerRace(WZRace& race, const WZRaceContext& context, const WZCareer& career,
                      const WZCareerRaceSetup& setup, bool aiPlayer);

// The driver of a car slot: the opponent's name, or `player` for slot 3.
ZEString WZCareerDriverName(const WZCareer& career, uint32_t slot, const ZEString& player);
// "season race 3 of 10: Police Chase on church, Knockout Race, 3 laps".
ZEString WZDescribeCareerRace(const WZCareer& career, const WZCareerRaceSetup& setup);
// "standings after 3 of 10 races:" and a line per driver, most points
// first: "  1. Evil Woman          24 points  (2nd in the last race)"; at
// the end of a season a last line says whether the bonus car was earned.
std::vector<ZEString> WZDescribeStandings(const WZCareer& career, const ZEString& player);
