#include "race/WZRaceRules.h"

#include "car/WZCar.h"
#include "track/WZTrack.h"

#include <cmath>

namespace
{
const float kHaltSpeed = 35.0f;          // km/h below which a car is simply stopped
const float kHaltBrakeStrength = 25.0f;

uint32_t EffectiveLap(const WZCar& car)
{
    return car.m_ulLap + (car.m_ulNextTrackNode == 0 ? 1 : 0);
}

const uint32_t kMinKnockOutLaps = 3;

// Node 0, the start line, is the last node of a lap.
uint32_t NodeRank(const WZCar& car)
{
    return car.m_ulNextTrackNode == 0 ? UINT32_MAX : car.m_ulNextTrackNode;
}

double SignedPlaneDistance(const WZCar& car, const WZTrack& track)
{
    if (car.m_ulNextTrackNode >= track.m_ulNumTrackNodes)
        return 0.0;
    return track.m_pTrackNodes[car.m_ulNextTrackNode].m_Plane.Distance(car.m_vPosition);
}

// Whether the car at `b` ends the race ahead of the car at `a`.
bool EndsAhead(const WZCar& b, const WZCar& a, const WZTrack& track)
{
    bool finishedA = WZHasFinished(a.m_lStatus), finishedB = WZHasFinished(b.m_lStatus);
    if (finishedA || finishedB)
        return finishedB && (!finishedA || b.m_lStatus < a.m_lStatus);
    if (a.m_lStatus == WZ_STATUS_DESTROYED && b.m_lStatus != WZ_STATUS_DESTROYED)
        return true;
    if (b.m_ulLap != a.m_ulLap)
        return b.m_ulLap > a.m_ulLap;
    if (b.m_ulNextTrackNode != a.m_ulNextTrackNode)
        return NodeRank(b) > NodeRank(a);
    return SignedPlaneDistance(b, track) < SignedPlaneDistance(a, track);
}

double PlaneDistance(const WZCar& car, const WZTrack& track)
{
    if (car.m_ulNextTrackNode >= track.m_ulNumTrackNodes)
        return 0.0;
    return std::fabs(track.m_pTrackNodes[car.m_ulNextTrackNode].m_Plane.Distance(car.m_vPosition));
}
}

bool WZPassNode(WZCar& car, const WZTrack& track)
{
    uint32_t count = track.m_ulNumTrackNodes;
    if (count == 0 || !car.m_pBoundingVolume)
        return false;
    if (car.m_ulNextTrackNode >= count)
        car.m_ulNextTrackNode = 0;
    const WZTrackNode& node = track.m_pTrackNodes[car.m_ulNextTrackNode];
    if (!(node.m_Plane.Distance(car.m_vPosition) < 0.0) || !node.m_Sphere.IntersectsVolume(*car.m_pBoundingVolume))
        return false;
    car.m_ulNextTrackNode = (car.m_ulNextTrackNode + 1) % count;
    if (car.m_ulNextTrackNode != 1 && count > 1)
        return false;
    ++car.m_ulLap;
    return true;
}

bool WZIsAhead(const WZCar& b, const WZCar& a, const WZTrack& track)
{
    if (a.m_lStatus == WZ_STATUS_DESTROYED)
        return true;
    uint32_t lapA = EffectiveLap(a), lapB = EffectiveLap(b);
    if (lapB != lapA)
        return lapB > lapA;
    if (b.m_ulNextTrackNode != a.m_ulNextTrackNode)
        return b.m_ulNextTrackNode > a.m_ulNextTrackNode;
    return PlaneDistance(b, track) < PlaneDistance(a, track);
}

void WZRankCars(WZCar* const* cars, uint32_t count, uint32_t* positions, const WZTrack& track)
{
    for (uint32_t a = 0; a + 1 < count; ++a)
    {
        for (uint32_t b = a + 1; b < count; ++b)
        {
            // Read afresh: an exchange changes the car at a.
            const WZCar* carA = cars[positions[a]];
            const WZCar* carB = cars[positions[b]];
            if (!carA || !carB)
                continue;
            bool contending = carA->m_lStatus == WZ_STATUS_RACING || carA->m_lStatus == WZ_STATUS_DESTROYED;
            if (contending && carB->m_lStatus == WZ_STATUS_RACING && WZIsAhead(*carB, *carA, track))
            {
                uint32_t swap = positions[a];
                positions[a] = positions[b];
                positions[b] = swap;
            }
        }
    }
}

bool WZFinishCar(WZCar& car, uint32_t slot, const uint32_t* positions, uint32_t count, uint32_t laps)
{
    if (car.m_ulLap != laps + 1)
        return false;
    for (uint32_t place = 0; place < count && place < 4; ++place)
        if (positions[place] == slot)
            car.m_lStatus = static_cast<int32_t>(place + 1);
    car.m_ulLap = laps;
    return true;
}

bool WZIsKnockOut(uint32_t gameType)
{
    return gameType == WZ_GAME_KNOCKOUT || gameType == WZ_GAME_KNOCKOUT_POWERUPS;
}

uint32_t WZRaceLapsFor(uint32_t gameType, uint32_t laps)
{
    return WZIsKnockOut(gameType) && laps < kMinKnockOutLaps ? kMinKnockOutLaps : laps;
}

uint32_t WZPlaceOf(uint32_t slot, const uint32_t* positions, uint32_t count)
{
    for (uint32_t place = 0; place < count; ++place)
        if (positions[place] == slot)
            return place;
    return count;
}

bool WZKnockOutCar(WZCar& car, uint32_t place, uint32_t laps)
{
    bool out = false;
    if (car.m_lStatus == WZ_STATUS_RACING)
        out = (place == 3 && car.m_ulLap + 1 == laps) || (place == 2 && car.m_ulLap == laps);
    else if (car.m_lStatus == 2)
    {
        car.m_ulLap = laps + 1;
        out = true;
    }
    if (out)
        car.m_lStatus = WZ_STATUS_KNOCKED_OUT;
    return out;
}

bool WZDestroyCar(WZCar& car)
{
    if (car.m_lStatus != WZ_STATUS_RACING || (car.m_lEffect != 1 && car.m_lEffect != WZ_EFFECT_EMP))
        return false;
    car.m_lStatus = WZ_STATUS_DESTROYED;
    return true;
}

WZRaceOutcome WZScoreCar(WZCar& car, uint32_t slot, const uint32_t* positions, uint32_t count, uint32_t laps,
                         uint32_t gameType)
{
    WZRaceOutcome outcome = WZ_OUTCOME_NONE;
    if (car.m_lStatus == WZ_STATUS_RACING && WZFinishCar(car, slot, positions, count, laps))
        outcome = WZ_OUTCOME_FINISHED;
    if (WZIsKnockOut(gameType) && WZKnockOutCar(car, WZPlaceOf(slot, positions, count), laps))
        outcome = WZ_OUTCOME_KNOCKED_OUT;
    else if (gameType == WZ_GAME_DEATH && WZDestroyCar(car))
        outcome = WZ_OUTCOME_DESTROYED;
    return outcome;
}

int32_t WZCrownSurvivor(WZCar* const* cars, uint32_t count)
{
    int32_t survivor = -1;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (!cars[i] || cars[i]->m_lStatus == WZ_STATUS_DESTROYED)
            continue;
        if (survivor >= 0 || cars[i]->m_lStatus != WZ_STATUS_RACING)
            return -1;
        survivor = static_cast<int32_t>(i);
    }
    if (survivor < 0 || count < 2)
        return -1;
    cars[survivor]->m_lStatus = WZ_STATUS_FIRST;
    return survivor;
}

void WZFinalOrder(WZCar* const* cars, uint32_t count, const WZTrack& track, uint32_t* order)
{
    for (uint32_t i = 0; i < count; ++i)
        order[i] = i;
    for (uint32_t a = 0; a + 1 < count; ++a)
    {
        for (uint32_t b = a + 1; b < count; ++b)
        {
            if (!cars[order[a]] || !cars[order[b]] || !EndsAhead(*cars[order[b]], *cars[order[a]], track))
                continue;
            uint32_t swap = order[a];
            order[a] = order[b];
            order[b] = swap;
        }
    }
}

bool WZMustStop(const WZCar& car)
{
    return (WZHasFinished(car.m_lStatus) && car.m_ulNextTrackNode != 0) || car.m_lStatus == WZ_STATUS_DESTROYED ||
           car.m_lStatus == WZ_STATUS_KNOCKED_OUT;
}

void WZBringToHalt(WZCar& car)
{
    float speed = car.m_vVelocity.GetLength() * 0.36f;
    if (speed <= kHaltSpeed || car.m_Drivetrain.m_lGear < 1 || car.m_vVelocity.DotProduct(car.m_vForward) < 0.0f)
    {
        car.SetPedal(0.0f);
        car.m_Drivetrain.Stop();
        car.m_vVelocity = ZEVector();
        car.m_fBounce = 0.3f;
        car.m_fRetention = 0.5f;
    }
    else
    {
        car.SetPedal(-1.0f);
        car.m_Drivetrain.m_lGear = 2;
    }
    car.m_bHandbrake = true;
    car.SetSteeringWheel(0.0f);
    car.m_Drivetrain.m_fBrakeStrength = kHaltBrakeStrength;
}
