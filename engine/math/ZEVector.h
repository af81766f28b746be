// ZEVector: three floats, copied freely.
//
// Products and lengths are computed in extended precision and stored as
// float. Operations that scale by 1 / length leave a zero vector unchanged
// instead of producing NaNs, so a degenerate direction never poisons the
// simulation.
#pragma once

class ZEVector
{
public:
    float x = 0.0f, y = 0.0f, z = 0.0f;

    ZEVector() = default;
    ZEVector(float fx, float fy, float fz) : x(fx), y(fy), z(fz) {}

    ZEVector CrossProduct(const ZEVector& v) const;
    // Inline: the simulation calls these millions of times a second.
    float DotProduct(const ZEVector& v) const
    {
        long double ax = x, ay = y, az = z;
        return static_cast<float>(ax * v.x + ay * v.y + az * v.z);
    }
    float GetLength() const
    {
        long double ax = x, ay = y, az = z;
        return __builtin_sqrtf(static_cast<float>(ax * ax + ay * ay + az * az));
    }

    void SetLength(float length);
    ZEVector GetWithLength(float length) const;
    ZEVector UnitVector() const;
    void Normalize();

    // Radians between two unit vectors (the cosine is clamped to [-1, 1]).
    float Angle(const ZEVector& v) const;
    // Mirror image in a surface with unit normal n, keeping the length.
    ZEVector Reflection(const ZEVector& n) const;
    // Two unit vectors perpendicular to this (normally unit) direction.
    void GetRightAndUpVectors(ZEVector& right, ZEVector& up) const;

    ZEVector operator+(const ZEVector& v) const { return ZEVector(x + v.x, y + v.y, z + v.z); }
    ZEVector operator-(const ZEVector& v) const { return ZEVector(x - v.x, y - v.y, z - v.z); }
    ZEVector operator-() const { return ZEVector(-x, -y, -z); }
    ZEVector operator*(float f) const { return ZEVector(x * f, y * f, z * f); }
    ZEVector& operator+=(const ZEVector& v) { x += v.x; y += v.y; z += v.z; return *this; }
    ZEVector& operator-=(const ZEVector& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    ZEVector& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
    bool operator==(const ZEVector& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const ZEVector& v) const { return !(*this == v); }
};

static_assert(sizeof(ZEVector) == 12, "ZEVector is read in place from vertex records");
