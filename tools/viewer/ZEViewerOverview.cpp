#include "ZEViewerOverview.h"

#include "math/ZEMath.h"
#include "render/ZECamera.h"

#include <algorithm>
#include <cfloat>

ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect, float pitch, float yaw,
                               float fovY, float margin)
{
    ZEOverviewView view;
    view.m_vRotation = ZEVector(std::clamp(pitch, -89.0f, 89.0f), yaw, 0.0f);
    view.m_fFovY = fovY;

    // The camera's own axes for these angles, so the framing agrees with
    // what the renderer draws.
    ZECamera camera;
    camera.SetRotation(view.m_vRotation);
    const ZEVector forward = camera.GetFVector(), up = camera.GetUVector(), right = camera.GetRVector();

    const ZEVector center = (min + max) * 0.5f;
    const ZEVector half(std::max(0.0f, max.x - center.x), std::max(0.0f, max.y - center.y),
                        std::max(0.0f, max.z - center.z));
    const float keep = 1.0f - std::clamp(margin, 0.0f, 0.9f);
    const float tanY = ZETanDeg(std::clamp(fovY, 1.0f, 170.0f) * 0.5f) * keep;
    const float tanX = tanY * std::max(aspect, 0.01f);

    // For each axis of the picture, corner i stays inside while
    //   across_i - tan * (depth_i + d) <= offset <= across_i + tan * (depth_i + d).
    float highX = -FLT_MAX, lowX = FLT_MAX, highY = -FLT_MAX, lowY = FLT_MAX;
    float nearest = FLT_MAX, farthest = -FLT_MAX;
    for (int corner = 0; corner < 8; ++corner)
    {
        const ZEVector v((corner & 1) ? half.x : -half.x, (corner & 2) ? half.y : -half.y,
                         (corner & 4) ? half.z : -half.z);
        const float depth = forward.DotProduct(v), across = right.DotProduct(v), upward = up.DotProduct(v);
        highX = std::max(highX, across - tanX * depth);
        lowX = std::min(lowX, across + tanX * depth);
        highY = std::max(highY, upward - tanY * depth);
        lowY = std::min(lowY, upward + tanY * depth);
        nearest = std::min(nearest, depth);
        farthest = std::max(farthest, depth);
    }
    const float back = std::max({(highX - lowX) / (2.0f * tanX), (highY - lowY) / (2.0f * tanY), 1.0f});
    const float offsetX = (highX + lowX) * 0.5f, offsetY = (highY + lowY) * 0.5f;
    view.m_vPosition = center + right * offsetX + up * offsetY - forward * back;
    view.m_fDistance = back;

    // Every corner lies at least a little in front of the eye (the bounds
    // above keep the depth positive); the planes leave room on both sides.
    view.m_fNear = std::max(1.0f, (nearest + back) * 0.5f);
    view.m_fFar = (farthest + back) * 1.1f + 10.0f;
    return view;
}

ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect, float pitch)
{
    ZEOverviewView best;
    bool first = true;
    for (float yaw : {30.0f, 60.0f, 120.0f, 150.0f, 210.0f, 240.0f, 300.0f, 330.0f})
    {
        ZEOverviewView view = ZEFrameOverview(min, max, aspect, pitch, yaw);
        // Nearer by a thousandth at least, so rounding does not decide.
        if (first || view.m_fDistance < best.m_fDistance * 0.999f)
            best = view;
        first = false;
    }
    return best;
}
