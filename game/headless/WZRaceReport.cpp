#include "headless/WZRaceReport.h"

#include "car/WZCar.h"
#include "car/WZRoster.h"
#include "race/WZRace.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

namespace
{
const char* PlaceText(int32_t status)
{
    switch (status)
    {
    case 1: return "1st";
    case 2: return "2nd";
    case 3: return "3rd";
    case 4: return "4th";
    case WZ_STATUS_DESTROYED: return "destroyed";
    case WZ_STATUS_KNOCKED_OUT: return "knocked out";
    default: return "racing";
    }
}

const char* const kOrdinals[4] = {"1st", "2nd", "3rd", "4th"};

// Seconds since the start of the race.
double RaceSeconds(const WZRace& race, uint32_t time)
{
    return (time - race.m_ulStartTime) / 1000.0;
}

struct Hasher
{
    uint64_t m_ullHash = 14695981039346656037ull;
    void Bytes(uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
        {
            m_ullHash ^= (value >> (8 * i)) & 0xFF;
            m_ullHash *= 1099511628211ull;
        }
    }
    void Float(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof(bits));
        Bytes(bits);
    }
    void Vector(const ZEVector& v)
    {
        Float(v.x);
        Float(v.y);
        Float(v.z);
    }
};
}

ZEString WZDescribeCar(const WZRace& race, uint32_t slot)
{
    const WZCar* car = race.m_apCars[slot];
    if (!car)
        return ZEString();
    const WZCarRecord& record = race.m_aRecords[slot];
    ZEString time("did not finish");
    if (record.m_ulOut != 0)
        time = ZEString::Format("at %.2f s", RaceSeconds(race, record.m_ulOut));
    else if (record.m_ulFinish != 0)
        time = ZEString::Format("race %.2f s", RaceSeconds(race, record.m_ulFinish));
    ZEString best("no whole lap");
    if (record.m_ulBestLap != 0)
        best = ZEString::Format("best lap %.2f s", record.m_ulBestLap / 1000.0);
    return ZEString::Format("car %u  %-18s %-15s %-11s %-16s %-18s resets %u", slot + 1, car->m_strDriverName.CStr(),
                            WZGetCarName(car->m_ulModel).CStr(), PlaceText(car->m_lStatus), time.CStr(), best.CStr(),
                            car->m_ulResets);
}

ZEString WZDescribeOut(const WZRace& race, uint32_t slot)
{
    const WZCar* car = race.m_apCars[slot];
    const WZCarRecord& record = race.m_aRecords[slot];
    if (!car || record.m_ulOut == 0)
        return ZEString();
    const char* what = car->m_lStatus == WZ_STATUS_DESTROYED ? "destroyed" : "knocked out";
    const char* place = record.m_ulOutPlace < 4 ? kOrdinals[record.m_ulOutPlace] : "-";
    return ZEString::Format("%s: car %u  %s  at %.2f s, %s on lap %u of %u", what, slot + 1,
                            car->m_strDriverName.CStr(), RaceSeconds(race, record.m_ulOut), place, record.m_ulOutLap,
                            race.m_ulRaceLaps);
}

std::vector<ZEString> WZDescribeRace(const WZRace& race)
{
    std::vector<ZEString> lines;
    lines.push_back(ZEString::Format("game: %s, %u laps", WZGetGameTypeKey(race.m_ulGameType), race.m_ulRaceLaps));
    uint32_t count = race.GetNumCars();
    // Knock-outs and destructions in the order they happened.
    std::vector<uint32_t> out;
    for (uint32_t slot = 0; slot < count; ++slot)
        if (race.m_aRecords[slot].m_ulOut != 0)
            out.push_back(slot);
    std::stable_sort(out.begin(), out.end(), [&race](uint32_t a, uint32_t b) {
        return race.m_aRecords[a].m_ulOut - race.m_ulStartTime < race.m_aRecords[b].m_ulOut - race.m_ulStartTime;
    });
    for (uint32_t slot : out)
        lines.push_back(WZDescribeOut(race, slot));
    for (uint32_t place = 0; place < count; ++place)
        lines.push_back(WZDescribeCar(race, race.m_aulFinalOrder[place]));
    return lines;
}

uint64_t WZHashRaceState(const WZRace& race)
{
    Hasher hash;
    for (const WZCar* car : race.m_apCars)
    {
        if (!car)
            continue;
        hash.Vector(car->m_vPosition);
        hash.Vector(car->m_vRotation);
        hash.Vector(car->m_vVelocity);
        hash.Bytes(car->m_ulLap);
        hash.Bytes(car->m_ulNextTrackNode);
    }
    return hash.m_ullHash;
}

ZEString WZDescribeRun(double simulated, double wall, uint64_t steps, uint64_t hash)
{
    double ratio = wall > 0.0 ? simulated / wall : 0.0;
    return ZEString::Format("race: %.2f s simulated in %.3f s (%.0fx real time), %" PRIu64 " steps, state %016" PRIx64,
                            simulated, wall, ratio, steps, hash);
}
