// WZCareerFile: the career file "wzcareer.dat" in the working directory -
// exactly one WZCareer record, 132 bytes, little-endian, no header.
//
// Reading is strict, because a career read from a damaged file would index
// the race, track and opponent tables with whatever it holds: the file is
// taken only when it is exactly 132 bytes long, its race order and its
// places are permutations (of 0 to 9 and 0 to 3), every track is 0 to 4,
// the three opponents are different and 0 to 24, races done is 0 to 10 and
// the difficulty 1 to 3. Anything else gives no career; the file is left as
// it is and the reason is posted to the console under "career".
//
// Writing goes through ZEFileManager::SaveFile: a failed or interrupted
// save keeps the previous file whole. A file that cannot be written leaves
// the career in memory only, with a console message.
#pragma once

#include "career/WZCareer.h"
#include "core/ZEString.h"

#include <cstddef>
#include <cstdint>

class ZEFileWriter;

constexpr char WZ_CAREER_FILE[] = "wzcareer.dat";

// Whether a decoded record may be used; false with the reason.
bool WZCheckCareer(const WZCareer& career, ZEString& reason);
// A record from the file's bytes: decoded and checked. False with the
// reason, `career` then unchanged.
bool WZReadCareer(const uint8_t* bytes, size_t size, WZCareer& career, ZEString& reason);
// Reads `path` (WZ_CAREER_FILE in the game). False when it is missing
// (silently) or refused (posted).
bool WZLoadCareer(const char* path, WZCareer& career);
// Writes `path` whole or not at all; a failure is posted. `writer`: see
// ZEFileManager::SaveFile.
bool WZSaveCareer(const char* path, const WZCareer& career, ZEFileWriter* writer = nullptr);

// The end of a career race: scores it from its final order
// (WZScoreCareerRace) and, unless that was the season's last race, saves
// the career to `path`. So after the last race the file still holds the
// season after race nine, which Cancel on the statistic screen goes back
// to. False when the order was refused.
bool WZEndCareerRace(WZCareer& career, const uint32_t* order, const char* path, ZEFileWriter* writer = nullptr);
// "Cancel" on the statistic screen: after the season's last race the
// career is read back from `path` (WZCancelStatistic says what happens when
// it cannot be).
void WZCancelCareerStatistic(WZCareer& career, const char* path);
