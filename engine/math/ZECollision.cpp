#include "math/ZECollision.h"

#include <cmath>

namespace
{
const float kParallel = 0.00001f;

// Written as "strictly opposite signs" rather than "not both on one side"
// so that a NaN distance counts as no crossing.
bool OnOppositeSides(double d0, double d1)
{
    return (d0 < 0.0 && d1 > 0.0) || (d0 > 0.0 && d1 < 0.0);
}
}

bool ZESegmentCrossesPlane(const ZEPlane& plane, const ZEVector& start, const ZEVector& move,
                           ZEVector& crossing)
{
    double d0 = plane.Distance(start);
    double d1 = plane.Distance(start + move);
    if (!OnOppositeSides(d0, d1))
        return false;
    float along = plane.m_vNormal.DotProduct(move);
    if (!(std::fabs(along) >= kParallel))
        return false;
    double t = d0 / along;
    crossing = start - move * static_cast<float>(t);
    return true;
}
