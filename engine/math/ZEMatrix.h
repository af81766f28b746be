// ZEMatrix3x3 and ZEMatrix4x4: column-major, the layout OpenGL takes.
//
// Element (row r, column c) lives at index c * N + r; a 4x4 matrix keeps its
// translation at indices 12, 13 and 14. Every builder whose name ends in
// Matrix overwrites the whole matrix. Rotations follow the usual right-hand
// rule on column vectors: XRotation turns y toward z, YRotation z toward x,
// ZRotation x toward y. An Euler rotation (x, y, z) is Rz * Ry * Rx.
#pragma once

#include "math/ZEVector.h"

class ZEMatrix3x3
{
public:
    float m[9];

    ZEMatrix3x3() { IdentityMatrix(); }
    ZEMatrix3x3(float m0, float m1, float m2, float m3, float m4, float m5,
                float m6, float m7, float m8);

    float& At(int row, int column) { return m[column * 3 + row]; }
    float At(int row, int column) const { return m[column * 3 + row]; }

    void IdentityMatrix();
    void XRotationMatrixRad(float angle);
    void YRotationMatrixRad(float angle);
    void ZRotationMatrixRad(float angle);
    void XRotationMatrixDeg(float angle);
    void YRotationMatrixDeg(float angle);
    void ZRotationMatrixDeg(float angle);
    void ScalingMatrix(float sx, float sy, float sz);

    ZEMatrix3x3 operator*(const ZEMatrix3x3& other) const;
    ZEVector operator*(const ZEVector& v) const;
};

class ZEMatrix4x4
{
public:
    float m[16];

    ZEMatrix4x4() { IdentityMatrix(); }
    explicit ZEMatrix4x4(const float values[16]);

    float& At(int row, int column) { return m[column * 4 + row]; }
    float At(int row, int column) const { return m[column * 4 + row]; }

    void IdentityMatrix();
    void XRotationMatrixRad(float angle);
    void YRotationMatrixRad(float angle);
    void ZRotationMatrixRad(float angle);
    void XRotationMatrixDeg(float angle);
    void YRotationMatrixDeg(float angle);
    void ZRotationMatrixDeg(float angle);
    void ScalingMatrix(float sx, float sy, float sz);
    void TranslationMatrix(float tx, float ty, float tz);

    ZEMatrix4x4 operator*(const ZEMatrix4x4& other) const;
    // Transforms a point (w = 1).
    ZEVector operator*(const ZEVector& v) const;
};

static_assert(sizeof(ZEMatrix3x3) == 36, "3x3 matrices are nine packed floats");
static_assert(sizeof(ZEMatrix4x4) == 64, "4x4 matrices are handed to OpenGL as sixteen floats");
