// WZChaseCamera: where the camera stands during a race, as a plain function
// of the player's car, so every mode is tested without a renderer.
//
// Modes: cockpit (at the car's origin, three quarters of its height up),
// near chase and far chase, and looking back (from the car's tail, facing
// backwards) while the Look Back key is held. The chase cameras are placed
// from the middle of the car's box, not from its origin: the models' origin
// lies ahead of the box centre by a different amount for every car (the
// rear wheels are the reference), so a camera a fixed distance behind the
// origin would sit inside a long car. Near chase stands 27.5 units behind
// the tail and 25 up, looking 12.5 degrees down; far chase 62.5 behind and
// 40 up, 17.5 degrees down. While steering, an animated chase camera swings
// sideways (up to 10 units, 0.1 a millisecond) and back when the wheel is
// straight.
#pragma once

#include "math/ZEVector.h"

#include <cstdint>

struct WZCameraInput
{
    ZEVector m_vOrigin;          // the car's position
    ZEVector m_vCenter;          // the middle of its box
    float m_fHeading = 0.0f;     // degrees
    float m_fHeight = 0.0f;      // the car's box size
    float m_fLength = 0.0f;
    float m_fSteering = 0.0f;
    uint32_t m_ulMode = 1;       // WZCameraMode
    bool m_bLookBack = false;
    bool m_bAnimated = true;
};

struct WZCameraPlacement
{
    ZEVector m_vPosition;
    ZEVector m_vRotation;
    bool m_bInside = false;      // the camera sits in the car: hide it, no collision
};

// The swing after `elapsed` ms of steering.
float WZSwingCamera(float swing, float steering, uint32_t elapsed);
// Where the camera stands, with the swing already updated.
WZCameraPlacement WZPlaceCamera(const WZCameraInput& input, float swing);
// `v` in car axes turned by the heading (x right, z forward).
ZEVector WZTurnByHeading(const ZEVector& v, float heading);
