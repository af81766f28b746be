// ZEPlane: the points p with normal . p + d = 0.
//
// The normal is float, the distance double: large maps keep their planes
// exact far from the origin. The default plane is the ground, y = 0 with the
// normal pointing up. Built from three points, the normal follows the
// winding p1 -> p2 -> p3 by the left-hand world's cross product.
#pragma once

#include "math/ZEVector.h"

class ZEPlane
{
public:
    ZEVector m_vNormal{0.0f, 1.0f, 0.0f};
    double m_dDistance = 0.0;

    ZEPlane() = default;
    ZEPlane(float a, float b, float c, float d) { SetPlane(a, b, c, d); }
    ZEPlane(const ZEVector& normal, double d) { SetPlane(normal, d); }
    ZEPlane(const ZEVector& p1, const ZEVector& p2, const ZEVector& p3) { SetPlane(p1, p2, p3); }

    // The normal (a, b, c) is taken as given, not normalised.
    void SetPlane(float a, float b, float c, float d);
    void SetPlane(const ZEVector& normal, double d);
    void SetPlane(const ZEVector& p1, const ZEVector& p2, const ZEVector& p3);

    // normal . p + d: positive in front, negative behind.
    double Distance(const ZEVector& p) const { return m_vNormal.DotProduct(p) + m_dDistance; }
};
