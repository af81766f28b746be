#include "race/WZChaseCamera.h"

#include "WZTypes.h"
#include "math/ZEMatrix.h"

namespace
{
const float kMaxSwing = 10.0f;
const float kSwingRate = 0.1f;                 // units per ms

struct ChaseOffset
{
    float m_fBehindTail, m_fUp, m_fPitch;
};
const ChaseOffset kNear = {27.5f, 25.0f, -12.5f};
const ChaseOffset kFar = {62.5f, 40.0f, -17.5f};
}

ZEVector WZTurnByHeading(const ZEVector& v, float heading)
{
    ZEMatrix3x3 turn;
    turn.YRotationMatrixDeg(heading);
    const float* m = turn.m;
    return ZEVector(v.x * m[0] + v.y * m[3] + v.z * m[6], v.x * m[1] + v.y * m[4] + v.z * m[7],
                    v.x * m[2] + v.y * m[5] + v.z * m[8]);
}

float WZSwingCamera(float swing, float steering, uint32_t elapsed)
{
    float step = elapsed * kSwingRate;
    if (steering > 0.0f)
        return swing + step < kMaxSwing ? swing + step : kMaxSwing;
    if (steering < 0.0f)
        return swing - step > -kMaxSwing ? swing - step : -kMaxSwing;
    if (swing > 0.0f)
        return swing - step > 0.0f ? swing - step : 0.0f;
    return swing + step < 0.0f ? swing + step : 0.0f;
}

WZCameraPlacement WZPlaceCamera(const WZCameraInput& input, float swing)
{
    WZCameraPlacement placement;
    float h = input.m_fHeading;
    if (input.m_bLookBack)
    {
        placement.m_vPosition =
            input.m_vOrigin + WZTurnByHeading(ZEVector(0.0f, input.m_fHeight * 0.25f, -input.m_fLength * 0.85f), h);
        placement.m_vRotation = ZEVector(0.0f, 180.0f - h, 0.0f);
        placement.m_bInside = true;
        return placement;
    }
    if (input.m_ulMode == WZ_CAMERA_COCKPIT)
    {
        placement.m_vPosition = input.m_vOrigin + ZEVector(0.0f, input.m_fHeight * 0.75f, 0.0f);
        placement.m_vRotation = ZEVector(0.0f, -h, 0.0f);
        placement.m_bInside = true;
        return placement;
    }
    const ChaseOffset& offset = input.m_ulMode == WZ_CAMERA_FAR ? kFar : kNear;
    ZEVector base(input.m_vCenter.x, input.m_vOrigin.y, input.m_vCenter.z);
    float behind = input.m_fLength * 0.5f + offset.m_fBehindTail;
    placement.m_vPosition = base + WZTurnByHeading(ZEVector(0.0f, offset.m_fUp, -behind), h);
    if (input.m_bAnimated && swing != 0.0f)
        placement.m_vPosition += WZTurnByHeading(ZEVector(swing, 0.0f, 0.0f), h);
    placement.m_vRotation = ZEVector(offset.m_fPitch, -h, 0.0f);
    return placement;
}
