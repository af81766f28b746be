#include "math/ZEVector.h"

#include "math/ZEMath.h"

#include <cmath>

namespace
{
typedef long double Extended;

// Scale factor f / length, or 0 for a zero-length vector. A float quotient
// is the extended one rounded once more: extended precision carries more
// than twice float's bits, so the double rounding never differs.
float SafeScale(float length, float f)
{
    return length == 0.0f ? 0.0f : f / length;
}
}

ZEVector ZEVector::CrossProduct(const ZEVector& v) const
{
    Extended ax = x, ay = y, az = z;
    return ZEVector(static_cast<float>(ay * v.z - az * v.y),
                    static_cast<float>(az * v.x - ax * v.z),
                    static_cast<float>(ax * v.y - ay * v.x));
}

void ZEVector::SetLength(float length)
{
    *this *= SafeScale(GetLength(), length);
}

ZEVector ZEVector::GetWithLength(float length) const
{
    return *this * SafeScale(GetLength(), length);
}

ZEVector ZEVector::UnitVector() const
{
    return GetWithLength(1.0f);
}

void ZEVector::Normalize()
{
    SetLength(1.0f);
}

float ZEVector::Angle(const ZEVector& v) const
{
    float cosine = DotProduct(v);
    if (cosine > 1.0f)
        cosine = 1.0f;
    else if (cosine < -1.0f)
        cosine = -1.0f;
    return ZEACosRad(cosine);
}

ZEVector ZEVector::Reflection(const ZEVector& n) const
{
    float length = GetLength();
    if (length == 0.0f)
        return ZEVector();
    ZEVector u = *this * SafeScale(length, 1.0f);
    float twice = 2.0f * u.DotProduct(n);
    return (u - n * twice) * length;
}

void ZEVector::GetRightAndUpVectors(ZEVector& right, ZEVector& up) const
{
    float ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
    int axis = ay <= ax ? 0 : 1;
    float dominant = axis == 0 ? ax : ay;
    if (az > dominant)
    {
        axis = 2;
        dominant = az;
    }

    if (dominant >= 0.9999f)
    {
        // Almost on an axis: the cross product would be unstable.
        if (axis == 0)
            right = ZEVector(0.0f, 0.0f, x > 0.0f ? -1.0f : 1.0f);
        else if (axis == 1)
            right = ZEVector(0.0f, 0.0f, -1.0f);
        else
            right = ZEVector(z, 0.0f, 0.0f);
    }
    else
    {
        ZEVector h(axis == 0 ? 1.0f : 0.0f, axis == 1 ? 1.0f : 0.0f, axis == 2 ? 1.0f : 0.0f);
        right = CrossProduct(h);
    }
    up = CrossProduct(right);
    up.Normalize();
    right.Normalize();
}
