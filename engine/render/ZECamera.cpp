#include "render/ZECamera.h"

#include "math/ZEBoundingVolume.h"
#include "math/ZEMath.h"
#include "math/ZEMatrix.h"

namespace
{
enum ZEFrustumPlane
{
    kNear = 0,
    kFar = 1,
    kTop = 2,
    kBottom = 3,
    kLeft = 4,
    kRight = 5
};

// Half of a full field of view, kept within (0, 90) degrees: a field of
// 180 degrees or more (a wide window's fovY x aspect can reach it) would
// turn the side planes inside out and cull everything in sight, and one of
// 0 would give planes without a normal. Wider never hides anything.
float HalfAngle(float fieldOfView)
{
    const float kSmallest = 0.01f;
    const float kLargest = 89.9f;
    float half = fieldOfView * 0.5f;
    if (!(half > kSmallest))
        return kSmallest;
    return half < kLargest ? half : kLargest;
}

// The four corners of a frustum cross-section at depth z in camera space,
// clockwise from the top left: (-x, y), (x, y), (x, -y), (-x, -y).
void SectionCorners(float halfTanX, float halfTanY, float z, ZEVector corners[4])
{
    float x = halfTanX * z;
    float y = halfTanY * z;
    corners[0] = ZEVector(-x, y, z);
    corners[1] = ZEVector(x, y, z);
    corners[2] = ZEVector(x, -y, z);
    corners[3] = ZEVector(-x, -y, z);
}
}

ZECamera::ZECamera()
{
    UpdateCamera();
}

ZECamera::ZECamera(const ZECamera& other)
    : m_vPosition(other.m_vPosition),
      m_vRotation(other.m_vRotation),
      m_fFOVX(other.m_fFOVX),
      m_fFOVY(other.m_fFOVY),
      m_fZNear(other.m_fZNear),
      m_fZFar(other.m_fZFar)
{
    UpdateCamera();
}

ZECamera& ZECamera::operator=(const ZECamera& other)
{
    m_vPosition = other.m_vPosition;
    m_vRotation = other.m_vRotation;
    m_vForward = other.m_vForward;
    m_vUp = other.m_vUp;
    m_vRight = other.m_vRight;
    m_fFOVX = other.m_fFOVX;
    m_fFOVY = other.m_fFOVY;
    m_fZNear = other.m_fZNear;
    m_fZFar = other.m_fZFar;
    for (int i = 0; i < 6; ++i)
        m_aPlanes[i] = other.m_aPlanes[i];
    return *this;
}

void ZECamera::SetPosition(const ZEVector& position)
{
    m_vPosition = position;
    UpdateCamera();
}

void ZECamera::SetRotation(const ZEVector& rotation)
{
    m_vRotation = rotation;
    UpdateCamera();
}

void ZECamera::Move(const ZEVector& offset)
{
    m_vPosition += offset;
    UpdateCamera();
}

void ZECamera::Rotate(const ZEVector& angles)
{
    m_vRotation += angles;
    UpdateCamera();
}

void ZECamera::XRotate(float degrees)
{
    m_vRotation.x += degrees;
    UpdateCamera();
}

void ZECamera::YRotate(float degrees)
{
    m_vRotation.y += degrees;
    UpdateCamera();
}

void ZECamera::ZRotate(float degrees)
{
    m_vRotation.z += degrees;
    UpdateCamera();
}

void ZECamera::SetPerspective(float fovY, float aspect, float zNear, float zFar)
{
    m_fFOVY = fovY;
    m_fFOVX = fovY * aspect;
    m_fZNear = zNear;
    m_fZFar = zFar;
    UpdateCamera();
}

ZEPlane* ZECamera::GetPlane(uint16_t i)
{
    return i > 5 ? nullptr : &m_aPlanes[i];
}

const ZEPlane* ZECamera::GetPlane(uint16_t i) const
{
    return i > 5 ? nullptr : &m_aPlanes[i];
}

float ZECamera::PlaneSide(const ZEPlane& plane, const ZEVector& point)
{
    return plane.m_vNormal.DotProduct(point) + static_cast<float>(plane.m_dDistance);
}

bool ZECamera::Culled(const ZEBoundingVolume* volume) const
{
    if (!volume)
        return false;
    ZEVector center = volume->GetCenter();
    for (const ZEPlane& plane : m_aPlanes)
        if (PlaneSide(plane, center) < 0.0f)
            return !volume->IntersectsVolume(plane);
    return false;
}

bool ZECamera::Culled(const ZEPlane* plane, const ZEVector*, const uint16_t*, uint16_t) const
{
    return plane && PlaneSide(*plane, m_vPosition) < 0.0f;
}

void ZECamera::UpdateCamera()
{
    float halfTanX = ZETanDeg(HalfAngle(m_fFOVX));
    float halfTanY = ZETanDeg(HalfAngle(m_fFOVY));
    ZEVector n[4], f[4];
    SectionCorners(halfTanX, halfTanY, m_fZNear, n);
    SectionCorners(halfTanX, halfTanY, m_fZFar, f);

    // The inverse of the view's rotation about X, then Y, then Z.
    ZEMatrix3x3 rx, ry, rz;
    rx.XRotationMatrixDeg(-m_vRotation.x);
    ry.YRotationMatrixDeg(-m_vRotation.y);
    rz.ZRotationMatrixDeg(-m_vRotation.z);
    ZEMatrix3x3 toWorld = rz * ry * rx;

    for (int i = 0; i < 4; ++i)
    {
        n[i] = toWorld * n[i] + m_vPosition;
        f[i] = toWorld * f[i] + m_vPosition;
    }

    // Winding chosen so that every normal points into the frustum.
    m_aPlanes[kNear].SetPlane(n[1], n[0], n[2]);
    m_aPlanes[kFar].SetPlane(f[3], f[0], f[2]);
    m_aPlanes[kTop].SetPlane(f[0], n[0], f[1]);
    m_aPlanes[kBottom].SetPlane(f[3], f[2], n[3]);
    m_aPlanes[kLeft].SetPlane(n[3], n[0], f[3]);
    m_aPlanes[kRight].SetPlane(f[2], f[1], n[2]);

    m_vForward = m_aPlanes[kNear].m_vNormal;
    m_vUp = toWorld * ZEVector(0.0f, 1.0f, 0.0f);
    m_vRight = m_vUp.CrossProduct(m_vForward);
}
