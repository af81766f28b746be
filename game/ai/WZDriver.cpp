#include "ai/WZDriver.h"

#include "car/WZCar.h"
#include "math/ZEMath.h"
#include "math/ZEMatrix.h"
#include "math/ZEPolygon.h"
#include "track/WZTrack.h"
#include "world/ZEEngine.h"

namespace
{
const float kSpeedMargin = 40.0f;        // km/h above skill x factor before braking
const float kHandbrakeSpeed = 100.0f;    // km/h
const float kReach = 150.0f;
const float kStraight = 0.15f;           // sideways share of the direction steered through
const uint32_t kCounterSteer = 700;      // ms before the oil lets go
const float kOilCrawl = 20.0f;           // km/h
const uint32_t kStuckTime = 20000;
const float kRocketReach = 750.0f;

bool HitsCar(ZEEngine* engine, const WZCar& car, const ZEVector& ray)
{
    _ZEClipInfo clip;
    if (!engine || !engine->RayClipsInWorld(car.m_vPosition, ray, clip, const_cast<WZCar*>(&car)))
        return false;
    return ZEIsKindOf(clip.m_pObject, WZCar::ms_RTTI);
}

void UsePowerUp(WZCar& car, ZEEngine* engine)
{
    switch (car.m_lPowerUp)
    {
    case WZ_POWERUP_NONE:
        return;
    case WZ_POWERUP_GASBOTTLE:
        car.EnablePowerUp();
        return;
    case WZ_POWERUP_ROCKET:
        if (HitsCar(engine, car, car.m_vForward * (kRocketReach * car.m_fSkill)))
            car.EnablePowerUp();
        return;
    default:
        if (HitsCar(engine, car, car.m_vForward * (-250.0f - 75.0f * car.m_fSkill)))
            car.EnablePowerUp();
        return;
    }
}

// Back to the waypoint before the current one, facing along the track.
void PutBack(WZCar& car, const WZTrack& track)
{
    uint32_t count = track.m_ulNumAINodes;
    uint32_t current = car.m_ulAINode < count ? car.m_ulAINode : 0;
    const ZEVector& from = track.m_pAINodes[current == 0 ? count - 1 : current - 1].m_vPosition;
    ZEVector back = from - track.m_pAINodes[current].m_vPosition;
    back.y = 0.0f;
    // Two waypoints on one spot give no direction: keep the heading.
    float heading = car.m_vRotation.y;
    ZEVector keep(-ZESinDeg(heading), 0.0f, -ZECosDeg(heading));
    ZEVector direction = back.GetLength() > 0.0f ? back.UnitVector() : keep;
    car.Reset(from, direction);
}
}

WZDrivingDecision WZDecideDriving(const WZDrivingState& state, const WZAINode& node)
{
    WZDrivingDecision decision;
    float v = state.m_fSpeedKMH;
    if (v > state.m_fSkill * node.m_fSpeed + kSpeedMargin)
    {
        if (node.m_bHandbrake && v > kHandbrakeSpeed)
            decision.m_bHandbrake = true;
        else
            decision.m_fPedal = -1.0f;
    }

    ZEVector away = state.m_vPosition - node.m_vPosition;
    away.y = 0.0f;
    float distance = away.GetLength();
    ZEMatrix3x3 turn;
    turn.YRotationMatrixDeg(-state.m_fHeading);
    const float* m = turn.m;
    ZEVector local(away.x * m[0] + away.y * m[3] + away.z * m[6], away.x * m[1] + away.y * m[4] + away.z * m[7],
                   away.x * m[2] + away.y * m[5] + away.z * m[8]);
    if (local.GetLength() > 0.0f)
        local.Normalize();
    decision.m_bReached = distance < kReach;

    if (state.m_bOnOil)
    {
        if (v > kOilCrawl)
        {
            bool letsGo = state.m_ulOilLeft < kCounterSteer;
            decision.m_bHandbrake = letsGo;
            decision.m_fPedal = letsGo ? (state.m_lGear != 0 ? -1.0f : 1.0f) : 0.0f;
        }
        else
        {
            decision.m_bHandbrake = false;
            decision.m_fPedal = 0.5f;
        }
    }
    if (v > 0.0f)
        decision.m_fSteering = local.x > kStraight ? -1.0f : (local.x < -kStraight ? 1.0f : 0.0f);
    return decision;
}

void WZDriveCar(WZCar& car, const WZTrack& track, ZEEngine* engine, uint32_t now)
{
    if (track.m_ulNumAINodes == 0)
    {
        car.SetPedal(0.0f);
        car.SetSteeringWheel(0.0f);
        return;
    }
    if (car.m_ulAINode >= track.m_ulNumAINodes)
        car.m_ulAINode = 0;
    WZDrivingState state;
    state.m_vPosition = car.m_vPosition;
    state.m_fHeading = car.m_vRotation.y;
    state.m_fSpeedKMH = car.GetSpeedKMH();
    state.m_fSkill = car.m_fSkill;
    state.m_lGear = car.m_Drivetrain.m_lGear;
    state.m_bOnOil = car.m_lEffect == WZ_EFFECT_OIL;
    state.m_ulOilLeft = car.m_ulEffectEnd - now;
    WZDrivingDecision decision = WZDecideDriving(state, track.m_pAINodes[car.m_ulAINode]);

    car.m_bHandbrake = decision.m_bHandbrake;
    car.SetPedal(decision.m_fPedal);
    car.SetSteeringWheel(decision.m_fSteering);
    if (decision.m_bReached)
    {
        car.m_ulAINode = (car.m_ulAINode + 1) % track.m_ulNumAINodes;
        car.m_ulWaypointTime = now;
    }
    UsePowerUp(car, engine);
    if (now - car.m_ulWaypointTime > kStuckTime && car.m_lStatus == WZ_STATUS_RACING)
    {
        car.m_ulWaypointTime = now;
        PutBack(car, track);
    }
}
