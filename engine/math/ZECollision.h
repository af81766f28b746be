// The one segment-plane crossing rule every collision test shares.
//
// Polygons, box trees, the BSP terrain, models and the bounding volumes all
// decide "does this segment pass through that plane, and where" the same
// way, so a contact found by one of them is found by all:
// - the segment runs from start to start + move;
// - it crosses only when its two ends lie strictly on opposite sides (an
//   end exactly on the plane does not count);
// - a segment nearly parallel to the plane (|n . move| < 0.00001) never
//   crosses it, which also covers planes with a zero normal;
// - distances are n . p + D with the plane's double-precision D.
#pragma once

#include "math/ZEPlane.h"
#include "math/ZEVector.h"

// True when the segment crosses the plane; the crossing point is written
// only then. Non-finite distances never cross.
bool ZESegmentCrossesPlane(const ZEPlane& plane, const ZEVector& start, const ZEVector& move,
                           ZEVector& crossing);
