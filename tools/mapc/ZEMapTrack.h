// ZEMapTrack: the centre line of a track as the compiler builds it.
//
// The control points of the description span a closed centripetal
// Catmull-Rom curve (it passes through every point and never loops between
// two of them), driven in the order of the points. The curve is measured
// and resampled into segments of about the description's segment length;
// sample 0 lies on the start line, `start` units along the curve from the
// first control point, and every sample knows its distance from the start
// line in the direction of travel. Everything the compiler places along
// the track - road, walls, nodes, the grid - is built on these samples, so
// entities sit exactly on the road that is drawn.
//
// Every sample also knows how wide the track is there. The road has
// [track] width except in the [[narrow]] sections, where it has theirs and
// eases back over the ramps on either side (smoothstep); the verges and
// the terrain walls keep their widths outside the road, so the walls follow
// the road's edges. Build refuses a section that runs past the track's end,
// covers the whole loop with its ramps, or overlaps another one, ramps
// included.
//
// The corridor is the road, the verges and the terrain walls: Build
// refuses a curve that turns tighter than the local corridor's half width
// (the inner edge would fold over itself) or comes back within the two
// passes' corridors of itself, naming the nearest control point's line.
//
// Right is +x when driving along +z (the world is left-handed, y up); a
// positive curvature turns right.
//
// A scene map (a description without [track]) has no centre line: Build
// leaves no samples, HasRoad() is false, and every later stage skips its
// road work. Only Resolve of a place by position and DistanceToCentre
// (which then finds no road anywhere) may be asked of it.
#pragma once

#include "ZEMapDescription.h"
#include "ZEMapMath.h"

#include <vector>

struct ZEMapTrackSample
{
    ZEMapVec2 m_vPoint;
    ZEMapVec2 m_vTangent;       // unit, direction of travel
    ZEMapVec2 m_vRight;         // unit, to the right of the tangent
    double m_dAlong = 0.0;      // from the start line
    double m_dCurvature = 0.0;  // 1 / radius, positive turning right
    uint32_t m_ulLine = 0;      // line of the nearest control point
    // Half widths across the track here: the road, the road and verges
    // (up to the walls' inner faces), and the corridor (with terrain walls).
    double m_dRoadHalf = 0.0;
    double m_dInnerHalf = 0.0;
    double m_dCorridorHalf = 0.0;
};

class ZEMapTrack
{
public:
    // False (with errors) when the centre line breaks a rule.
    bool Build(const ZEMapDescription& description, ZEMapMessages& messages);

    const std::vector<ZEMapTrackSample>& GetSamples() const { return m_aSamples; }
    // False for a scene map: no road, nothing along it.
    bool HasRoad() const { return !m_aSamples.empty(); }
    double GetLength() const { return m_dLength; }
    // The largest corridor half width anywhere, for bounds.
    double GetMaxCorridorHalf() const { return m_dMaxCorridorHalf; }

    // The centre line and the half widths at a distance from the start line
    // (any value; the loop repeats), interpolated between samples.
    ZEMapTrackSample At(double along) const;
    // The point `side` to the right of the centre line at `along`, at height y.
    ZEMapVec3 Point(double along, double side, double y) const;
    // Where a place of the description lies in the world.
    ZEMapVec3 Resolve(const ZEMapPlace& place) const;
    // Engine heading (degrees about y) of the direction of travel at `along`:
    // a heading h faces (sin h, 0, cos h), where ZEMatrix3x3's y rotation
    // by h turns +z.
    double Heading(double along) const;
    // The sample index of the segment holding `along`.
    size_t SegmentAt(double along) const;
    // Shortest distance from p to the centre line, and the distance along
    // the track of the nearest point.
    double DistanceToCentre(const ZEMapVec2& p, double* along = nullptr) const;
    // Distance along the track from `from` forwards to `to`, in [0, length).
    double Ahead(double from, double to) const;
    // The sum of curvature x length over [along, along + distance]: the
    // angle (radians) the road turns, right positive.
    double TurnAhead(double along, double distance) const;
    // The largest |curvature| over [along, along + distance].
    double SharpestAhead(double along, double distance) const;
    // The largest corridor half width over [along, along + distance].
    double WidestCorridorAhead(double along, double distance) const;
    // Whether the stretches [from1, from1 + length1] and [from2, from2 +
    // length2] of the loop share more than an end.
    bool Overlaps(double from1, double length1, double from2, double length2) const;

private:
    struct Dense
    {
        ZEMapVec2 m_vPoint;
        double m_dArc = 0.0;
        uint32_t m_ulSpan = 0;
    };

    bool CheckPoints(const ZEMapTrackDesc& track, ZEMapMessages& messages) const;
    void BuildDense(const std::vector<ZEMapVec2>& points);
    ZEMapVec2 DenseAt(double arc, uint32_t& span) const;
    void Resample(const ZEMapDescription& description);
    bool CheckNarrows(const ZEMapDescription& description, ZEMapMessages& messages) const;
    void SetWidths(const ZEMapDescription& description);
    double RoadHalfAt(const ZEMapDescription& description, double along) const;
    bool CheckTurns(ZEMapMessages& messages) const;
    bool CheckApproaches(ZEMapMessages& messages) const;
    double Wrap(double along) const;

    std::vector<Dense> m_aDense;
    double m_dDenseLength = 0.0;
    std::vector<ZEMapTrackSample> m_aSamples;
    double m_dLength = 0.0;
    double m_dSegment = 0.0;
    double m_dMaxCorridorHalf = 0.0;
};
