#include "headless/WZRaceReport.h"

#include "car/WZCar.h"
#include "car/WZRoster.h"
#include "race/WZRace.h"

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
    if (record.m_ulFinish != 0)
        time = ZEString::Format("race %.2f s", (record.m_ulFinish - race.m_ulStartTime) / 1000.0);
    ZEString best("no whole lap");
    if (record.m_ulBestLap != 0)
        best = ZEString::Format("best lap %.2f s", record.m_ulBestLap / 1000.0);
    return ZEString::Format("car %u  %-18s %-15s %-11s %-16s %-18s resets %u", slot + 1, car->m_strDriverName.CStr(),
                            WZGetCarName(car->m_ulModel).CStr(), PlaceText(car->m_lStatus), time.CStr(), best.CStr(),
                            car->m_ulResets);
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
