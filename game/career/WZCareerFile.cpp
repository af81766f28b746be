#include "career/WZCareerFile.h"

#include "car/WZCar.h"
#include "car/WZRoster.h"
#include "core/ZEByteOrder.h"
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"

#include <cstdio>

namespace
{
// Field offsets in the file.
const uint32_t kOrder = 4, kTracks = 44, kDone = 84, kPoints = 88, kPlaces = 104, kOpponents = 120;

bool Distinct(const uint32_t* values, uint32_t count, uint32_t limit)
{
    for (uint32_t i = 0; i < count; ++i)
    {
        if (values[i] >= limit)
            return false;
        for (uint32_t j = 0; j < i; ++j)
            if (values[j] == values[i])
                return false;
    }
    return true;
}

bool Refuse(ZEString& reason, const char* text)
{
    reason = text;
    return false;
}
}

WZCareer WZCareer::Decode(const uint8_t* bytes)
{
    WZCareer career;
    career.m_usDifficulty = ZEReadLE16(bytes);
    career.m_usReserved = ZEReadLE16(bytes + 2);
    for (uint32_t i = 0; i < WZ_SEASON_RACES; ++i)
    {
        career.m_aulRaceOrder[i] = ZEReadLE32(bytes + kOrder + 4 * i);
        career.m_aulTracks[i] = ZEReadLE32(bytes + kTracks + 4 * i);
    }
    career.m_ulRacesDone = ZEReadLE32(bytes + kDone);
    for (uint32_t i = 0; i < WZ_CAREER_CARS; ++i)
    {
        career.m_aulPoints[i] = ZEReadLE32(bytes + kPoints + 4 * i);
        career.m_aulPlaces[i] = ZEReadLE32(bytes + kPlaces + 4 * i);
    }
    for (uint32_t i = 0; i < WZ_CAREER_OPPONENTS; ++i)
        career.m_aulOpponents[i] = ZEReadLE32(bytes + kOpponents + 4 * i);
    return career;
}

void WZCareer::Encode(uint8_t* bytes) const
{
    ZEWriteLE16(bytes, m_usDifficulty);
    ZEWriteLE16(bytes + 2, m_usReserved);
    for (uint32_t i = 0; i < WZ_SEASON_RACES; ++i)
    {
        ZEWriteLE32(bytes + kOrder + 4 * i, m_aulRaceOrder[i]);
        ZEWriteLE32(bytes + kTracks + 4 * i, m_aulTracks[i]);
    }
    ZEWriteLE32(bytes + kDone, m_ulRacesDone);
    for (uint32_t i = 0; i < WZ_CAREER_CARS; ++i)
    {
        ZEWriteLE32(bytes + kPoints + 4 * i, m_aulPoints[i]);
        ZEWriteLE32(bytes + kPlaces + 4 * i, m_aulPlaces[i]);
    }
    for (uint32_t i = 0; i < WZ_CAREER_OPPONENTS; ++i)
        ZEWriteLE32(bytes + kOpponents + 4 * i, m_aulOpponents[i]);
}

bool WZCheckCareer(const WZCareer& career, ZEString& reason)
{
    if (career.m_usDifficulty < WZ_DIFFICULTY_EASY || career.m_usDifficulty > WZ_DIFFICULTY_HARD)
        return Refuse(reason, "the difficulty is not 1 to 3");
    if (!Distinct(career.m_aulRaceOrder, WZ_SEASON_RACES, WZ_NUM_CAREER_RACES))
        return Refuse(reason, "the race order is not a permutation of 0 to 9");
    for (uint32_t track : career.m_aulTracks)
        if (track >= WZ_NUM_TRACKS)
            return Refuse(reason, "a track is not 0 to 4");
    if (career.m_ulRacesDone > WZ_SEASON_RACES)
        return Refuse(reason, "races done is not 0 to 10");
    if (!Distinct(career.m_aulPlaces, WZ_CAREER_CARS, WZ_CAREER_CARS))
        return Refuse(reason, "the places are not a permutation of 0 to 3");
    if (!Distinct(career.m_aulOpponents, WZ_CAREER_OPPONENTS, WZ_NUM_OPPONENTS))
        return Refuse(reason, "the opponents are not three different ones of 0 to 24");
    return true;
}

bool WZReadCareer(const uint8_t* bytes, size_t size, WZCareer& career, ZEString& reason)
{
    if (size != WZCareer::ms_ulSize)
    {
        reason = ZEString::Format("it is %zu bytes long, not %u", size, WZCareer::ms_ulSize);
        return false;
    }
    WZCareer decoded = WZCareer::Decode(bytes);
    if (!WZCheckCareer(decoded, reason))
        return false;
    career = decoded;
    return true;
}

bool WZLoadCareer(const char* path, WZCareer& career)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    // One byte more than a record shows a file that is too long.
    uint8_t bytes[WZCareer::ms_ulSize + 1];
    size_t size = std::fread(bytes, 1, sizeof(bytes), file);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    ZEString reason("it could not be read");
    if (!failed && WZReadCareer(bytes, size, career, reason))
        return true;
    ZEConsole::Post("career", ZEString::Format("%s is not used, no career: %s", path, reason.CStr()), ZE_MSG_ERROR);
    return false;
}

bool WZSaveCareer(const char* path, const WZCareer& career, ZEFileWriter* writer)
{
    uint8_t bytes[WZCareer::ms_ulSize];
    career.Encode(bytes);
    if (ZEFileManager::SaveFile(ZEString(path), bytes, sizeof(bytes), writer))
        return true;
    ZEConsole::Post("career", ZEString::Format("%s could not be written; the career goes on in memory", path),
                    ZE_MSG_ERROR);
    return false;
}

bool WZEndCareerRace(WZCareer& career, const uint32_t* order, const char* path, ZEFileWriter* writer)
{
    if (!WZScoreCareerRace(career, order))
        return false;
    if (!WZSeasonOver(career))
        WZSaveCareer(path, career, writer);
    return true;
}

void WZCancelCareerStatistic(WZCareer& career, const char* path)
{
    if (!WZSeasonOver(career))
        return;
    WZCareer saved;
    bool loaded = WZLoadCareer(path, saved);
    WZCancelStatistic(career, loaded ? &saved : nullptr);
}
