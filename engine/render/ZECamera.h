// ZECamera: the viewpoint of the scene.
//
// A camera is a plain value: a position, three Euler angles in degrees
// (x pitch, y yaw, z roll) and a perspective (full horizontal and vertical
// field of view in degrees, near and far distance). From these it derives
// the unit forward, up and right vectors and the six frustum planes, whose
// normals point into the frustum: 0 near, 1 far, 2 top, 3 bottom, 4 left,
// 5 right. A point p is inside a plane when normal . p + distance >= 0, the
// distance taken as float.
//
// A field of view is used as at most 179.8 and at least 0.02 degrees for
// the planes; the stored values stay as given.
//
// The horizontal field is fovY x aspect in degrees, which is wider than
// the picture of a perspective projection of fovY and that aspect unless
// the aspect is 1 (4:3 at fovY 90: 120 degrees against the picture's 106).
// The side planes therefore keep a little more than is seen; the near,
// far, top and bottom planes are the picture's own.
//
// Invariant: every operation that changes position, rotation or perspective
// ends with UpdateCamera(), so the derived fields always agree. Code that
// writes through GetPositionPointer()/GetRotationPointer() calls
// UpdateCamera() itself.
//
// UpdateCamera() is the exact inverse of the renderer's view transform
// (scale (1, 1, -1), rotate about X, then Y, then Z, then translate by the
// negated position), so what the frustum keeps is what is drawn.
//
// The renderer owns the scene's camera (ZERenderer::m_Camera); the game
// moves it, the world's passes cull against it.
#pragma once

#include "math/ZEPlane.h"
#include "math/ZEVector.h"

#include <cstdint>

class ZEBoundingVolume;

class ZECamera
{
public:
    // Looks along +Z from the origin.
    ZECamera();
    // Copies position, rotation and perspective and derives the rest anew.
    ZECamera(const ZECamera& other);
    // Copies every field, derived ones included, without recomputing.
    ZECamera& operator=(const ZECamera& other);

    void SetPosition(const ZEVector& position);
    void SetRotation(const ZEVector& rotation);
    void Move(const ZEVector& offset);
    void Rotate(const ZEVector& angles);
    void XRotate(float degrees);
    void YRotate(float degrees);
    void ZRotate(float degrees);
    // Horizontal field of view = fovY * aspect.
    void SetPerspective(float fovY, float aspect, float zNear, float zFar);

    ZEVector GetPosition() const { return m_vPosition; }
    ZEVector GetRotation() const { return m_vRotation; }
    ZEVector GetFVector() const { return m_vForward; }
    ZEVector GetUVector() const { return m_vUp; }
    ZEVector GetRVector() const { return m_vRight; }

    ZEVector* GetPositionPointer() { return &m_vPosition; }
    ZEVector* GetRotationPointer() { return &m_vRotation; }
    ZEVector* GetFVectorPointer() { return &m_vForward; }
    ZEVector* GetUVectorPointer() { return &m_vUp; }
    ZEVector* GetRVectorPointer() { return &m_vRight; }

    float GetZNear() const { return m_fZNear; }
    float GetZFar() const { return m_fZFar; }
    float GetFOVX() const { return m_fFOVX; }
    float GetFOVY() const { return m_fFOVY; }

    // Plane i (order above), or null when i > 5.
    ZEPlane* GetPlane(uint16_t i);
    const ZEPlane* GetPlane(uint16_t i) const;

    // True when the volume is certainly outside the frustum. Only the first
    // plane that has the volume's centre behind it decides, so a volume is
    // never culled while it can be seen. A null volume is not culled.
    bool Culled(const ZEBoundingVolume* volume) const;
    // True when the eye lies behind the polygon's plane (back face); the
    // vertex, index and count arguments are not used. A null plane is not
    // culled.
    bool Culled(const ZEPlane* plane, const ZEVector* vertices, const uint16_t* indices, uint16_t count) const;

    void UpdateCamera();

    ZEVector m_vPosition;
    ZEVector m_vRotation;
    ZEVector m_vForward;
    ZEVector m_vUp;
    ZEVector m_vRight;
    float m_fFOVX = 120.0f;
    float m_fFOVY = 90.0f;
    float m_fZNear = 1.0f;
    float m_fZFar = 4096.0f;
    ZEPlane m_aPlanes[6];

private:
    static float PlaneSide(const ZEPlane& plane, const ZEVector& point);
};
