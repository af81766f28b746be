// The overview camera: where to stand to see a whole map, or the whole of
// its track, at once, from above at a three-quarter angle, whatever the
// map's size or shape.
//
// The camera looks along fixed angles (a pitch below the horizon and a
// yaw) with a fixed vertical field of view; only its position is chosen.
// Each of the points to frame (the eight corners of a box, or the points
// around a track) must project inside the picture shrunk by the margin on
// every side. Writing the position as the points' centre moved by a across
// the view, b up the view and d back along the line of sight, every point
// gives two linear bounds on a (and on b) that widen with d; the smallest d
// meeting all of them, and the a and b in the middle of their bounds, fit
// the points exactly: their widest extent touches the margin on both
// sides, the other extent is centred. The near plane lies halfway to the
// nearest point, the far plane well beyond the farthest, so land around
// the points shows up to the picture's top.
//
// Pure: no GL, no engine state; the viewer hands the result to the
// renderer (ZERenderer::SetPerspective and the camera).
#pragma once

#include "math/ZEVector.h"

#include <vector>

// A preview looks down 40 degrees.
constexpr float ZE_OVERVIEW_PITCH = -40.0f;
// A narrow lens, so the far side of the map is not much smaller than the
// near side.
constexpr float ZE_OVERVIEW_FOVY = 40.0f;
// The part of the picture's half-width and half-height kept free around
// the map.
constexpr float ZE_OVERVIEW_MARGIN = 0.04f;
// Around a track's centre line, the band of its surroundings shown: this
// part of the track's larger side, at least ZE_OVERVIEW_TRACK_BORDER_MIN
// units.
constexpr float ZE_OVERVIEW_TRACK_BORDER = 0.1f;
constexpr float ZE_OVERVIEW_TRACK_BORDER_MIN = 600.0f;

struct ZEOverviewView
{
    ZEVector m_vPosition;
    ZEVector m_vRotation;       // pitch, yaw, 0 (degrees, as ZECamera takes them)
    float m_fDistance = 0.0f;   // how far back along the line of sight from the points' centre
    float m_fFovY = ZE_OVERVIEW_FOVY;
    float m_fNear = 1.0f;
    float m_fFar = 4096.0f;
};

// The box of a map an overview frames: the box of its faces
// (faceMin..faceMax), or, when the map marks its track's centre line
// (`track`, the positions of its track nodes), the track's box grown by
// the border on every side and cut to the faces' box. Maps reach far
// beyond their track (hills toward the horizon, fields to the sky box);
// framed whole, the track would be a squiggle in the middle of them. y is
// left as the faces' (the caller may narrow it to the faces inside).
void ZEOverviewRegion(const ZEVector& faceMin, const ZEVector& faceMax, const std::vector<ZEVector>& track,
                      ZEVector& min, ZEVector& max);

// The points to frame in the box min..max: its corners, or, around a
// track, eight points at the border's distance round each track node at
// the box's lowest and highest y, kept inside the box. (A track seen at an
// angle is far from filling the corners of its box.)
std::vector<ZEVector> ZEOverviewPoints(const ZEVector& min, const ZEVector& max, const std::vector<ZEVector>& track);

// The view of the points in a picture of `aspect` (width over height)
// through a perspective of vertical field fovY, as the renderer projects
// it (the horizontal half-angle's tangent is aspect times the vertical
// one's). pitch is clamped to -89..89. No points frame the origin.
ZEOverviewView ZEFrameOverview(const std::vector<ZEVector>& points, float aspect, float pitch, float yaw,
                               float fovY = ZE_OVERVIEW_FOVY, float margin = ZE_OVERVIEW_MARGIN);

// The same with the yaw chosen for the points: of the three-quarter yaws
// 30, 60, 120, ... 330 degrees (never straight along an axis, where a map
// looks flat), the one that shows them largest, so a long map lies across
// the wide picture; the first of equals.
ZEOverviewView ZEFrameOverview(const std::vector<ZEVector>& points, float aspect, float pitch = ZE_OVERVIEW_PITCH);

// The box min..max, framed by its eight corners. An inverted box is framed
// as the point at its centre.
ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect, float pitch, float yaw,
                               float fovY = ZE_OVERVIEW_FOVY, float margin = ZE_OVERVIEW_MARGIN);
ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect,
                               float pitch = ZE_OVERVIEW_PITCH);
