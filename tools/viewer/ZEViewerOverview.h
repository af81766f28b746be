// The overview camera: where to stand to see a whole map at once, from
// above at a three-quarter angle, whatever the map's size or shape.
//
// The camera looks along fixed angles (a pitch below the horizon and a
// yaw) with a fixed vertical field of view; only its position is chosen.
// Of the eight corners of the map's box, each must project inside the
// picture shrunk by the margin on every side. Writing the position as the
// box's centre moved by a across the view, b up the view and d back along
// the line of sight, every corner gives two linear bounds on a (and on b)
// that widen with d; the smallest d meeting all of them, and the a and b
// in the middle of their bounds, fit the box exactly: its widest extent
// touches the margin on both sides, the other extent is centred. The near
// and far planes hug the corners' depths.
//
// Pure: no GL, no engine state; the viewer hands the result to the
// renderer (ZERenderer::SetPerspective and the camera).
#pragma once

#include "math/ZEVector.h"

// A preview looks down 40 degrees.
constexpr float ZE_OVERVIEW_PITCH = -40.0f;
// A narrow lens, so the far side of the map is not much smaller than the
// near side.
constexpr float ZE_OVERVIEW_FOVY = 40.0f;
// The part of the picture's half-width and half-height kept free around
// the map.
constexpr float ZE_OVERVIEW_MARGIN = 0.04f;

struct ZEOverviewView
{
    ZEVector m_vPosition;
    ZEVector m_vRotation;   // pitch, yaw, 0 (degrees, as ZECamera takes them)
    float m_fDistance = 0.0f;   // how far back along the line of sight from the box's centre
    float m_fFovY = ZE_OVERVIEW_FOVY;
    float m_fNear = 1.0f;
    float m_fFar = 4096.0f;
};

// The view of the box min..max in a picture of `aspect` (width over
// height) through a perspective of vertical field fovY, as the renderer
// projects it (the horizontal half-angle's tangent is aspect times the
// vertical one's). pitch is clamped to -89..89. An empty or inverted box
// is framed as the point at its centre would be.
ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect, float pitch, float yaw,
                               float fovY = ZE_OVERVIEW_FOVY, float margin = ZE_OVERVIEW_MARGIN);

// The same with the yaw chosen for the map: of the three-quarter yaws 30,
// 60, 120, ... 330 degrees (never straight along an axis, where a map
// looks flat), the one that shows the box largest, so a long map lies
// across the wide picture; the first of equals.
ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect,
                               float pitch = ZE_OVERVIEW_PITCH);
