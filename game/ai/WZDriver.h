// WZDriver: the computer drivers. Each frame a computer car heads for its
// current AI waypoint: full throttle unless it is faster than the
// waypoint's speed factor times the driver's skill plus 40 km/h (then it
// brakes, or keeps the throttle with the handbrake on at a hairpin above
// 100 km/h); steering full left, full right or straight, by which side of
// the car the waypoint lies on. A waypoint counts as reached within 150
// units. On oil the driver counter-steers with the handbrake for the last
// 700 ms. A held powerup is used at once (gas bottle), when a car lies
// ahead within reach (rocket), or behind (mine, oil). A racing car that has
// reached no waypoint for 20 s is put back at the waypoint before its
// current one, facing along the track.
//
// The decision (WZDecideDriving) is a plain function of the car's state and
// the waypoint, so it is tested without a world; WZDriveCar applies it to a
// car, with the ray tests and the reset that need the world.
#pragma once

#include "math/ZEVector.h"

#include <cstdint>

class WZCar;
class ZEEngine;
struct WZAINode;
class WZTrack;

struct WZDrivingState
{
    ZEVector m_vPosition;
    float m_fHeading = 0.0f;      // degrees about +y
    float m_fSpeedKMH = 0.0f;
    float m_fSkill = 1.0f;
    int32_t m_lGear = -1;
    bool m_bOnOil = false;
    uint32_t m_ulOilLeft = 0;     // ms until the oil lets go
};

struct WZDrivingDecision
{
    float m_fPedal = 1.0f;
    float m_fSteering = 0.0f;
    bool m_bHandbrake = false;
    bool m_bReached = false;      // the waypoint is reached: head for the next
};

WZDrivingDecision WZDecideDriving(const WZDrivingState& state, const WZAINode& node);

// One frame of driving for a computer car on the track: controls,
// waypoints, powerups and the stuck rule. A track without AI nodes leaves
// the car standing with its controls at rest.
void WZDriveCar(WZCar& car, const WZTrack& track, ZEEngine* engine, uint32_t now);
