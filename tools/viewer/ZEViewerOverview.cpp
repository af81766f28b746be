#include "ZEViewerOverview.h"

#include "math/ZEMath.h"
#include "render/ZECamera.h"

#include <algorithm>
#include <cfloat>

namespace
{
std::vector<ZEVector> Corners(const ZEVector& min, const ZEVector& max)
{
    const ZEVector center = (min + max) * 0.5f;
    const ZEVector half(std::max(0.0f, max.x - center.x), std::max(0.0f, max.y - center.y),
                        std::max(0.0f, max.z - center.z));
    std::vector<ZEVector> corners;
    for (int corner = 0; corner < 8; ++corner)
        corners.push_back(center + ZEVector((corner & 1) ? half.x : -half.x, (corner & 2) ? half.y : -half.y,
                                            (corner & 4) ? half.z : -half.z));
    return corners;
}

// The track nodes' extent on the ground and the border kept round them.
struct TrackSpan
{
    float m_fLowX = FLT_MAX, m_fHighX = -FLT_MAX, m_fLowZ = FLT_MAX, m_fHighZ = -FLT_MAX;
    float m_fBorder = 0.0f;
};

TrackSpan SpanOf(const std::vector<ZEVector>& track)
{
    TrackSpan span;
    for (const ZEVector& node : track)
    {
        span.m_fLowX = std::min(span.m_fLowX, node.x);
        span.m_fHighX = std::max(span.m_fHighX, node.x);
        span.m_fLowZ = std::min(span.m_fLowZ, node.z);
        span.m_fHighZ = std::max(span.m_fHighZ, node.z);
    }
    float extent = std::max(span.m_fHighX - span.m_fLowX, span.m_fHighZ - span.m_fLowZ);
    span.m_fBorder = std::max(ZE_OVERVIEW_TRACK_BORDER * extent, ZE_OVERVIEW_TRACK_BORDER_MIN);
    return span;
}
}

void ZEOverviewRegion(const ZEVector& faceMin, const ZEVector& faceMax, const std::vector<ZEVector>& track,
                      ZEVector& min, ZEVector& max)
{
    min = faceMin;
    max = faceMax;
    if (track.empty())
        return;
    const TrackSpan span = SpanOf(track);
    const float border = span.m_fBorder;
    min.x = std::clamp(span.m_fLowX - border, faceMin.x, faceMax.x);
    max.x = std::clamp(span.m_fHighX + border, faceMin.x, faceMax.x);
    min.z = std::clamp(span.m_fLowZ - border, faceMin.z, faceMax.z);
    max.z = std::clamp(span.m_fHighZ + border, faceMin.z, faceMax.z);
}

std::vector<ZEVector> ZEOverviewPoints(const ZEVector& min, const ZEVector& max, const std::vector<ZEVector>& track)
{
    if (track.empty())
        return Corners(min, max);
    const TrackSpan span = SpanOf(track);
    const float border = span.m_fBorder;
    // Eight points round each node: the border reaches as far along a
    // diagonal of the view as across it.
    const float d = border * 0.70710678f;
    const float offsets[8][2] = {{border, 0}, {d, d}, {0, border}, {-d, d}, {-border, 0}, {-d, -d}, {0, -border}, {d, -d}};
    std::vector<ZEVector> points;
    for (const ZEVector& node : track)
        for (const auto& offset : offsets)
            for (float y : {min.y, max.y})
                points.push_back(ZEVector(std::clamp(node.x + offset[0], min.x, max.x), y,
                                          std::clamp(node.z + offset[1], min.z, max.z)));
    return points;
}

ZEOverviewView ZEFrameOverview(const std::vector<ZEVector>& points, float aspect, float pitch, float yaw, float fovY,
                               float margin)
{
    ZEOverviewView view;
    view.m_vRotation = ZEVector(std::clamp(pitch, -89.0f, 89.0f), yaw, 0.0f);
    view.m_fFovY = fovY;

    // The camera's own axes for these angles, so the framing agrees with
    // what the renderer draws.
    ZECamera camera;
    camera.SetRotation(view.m_vRotation);
    const ZEVector forward = camera.GetFVector(), up = camera.GetUVector(), right = camera.GetRVector();

    ZEVector low(FLT_MAX, FLT_MAX, FLT_MAX), high(-FLT_MAX, -FLT_MAX, -FLT_MAX);
    for (const ZEVector& p : points)
    {
        low = ZEVector(std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z));
        high = ZEVector(std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z));
    }
    const ZEVector center = points.empty() ? ZEVector() : (low + high) * 0.5f;
    const float keep = 1.0f - std::clamp(margin, 0.0f, 0.9f);
    const float tanY = ZETanDeg(std::clamp(fovY, 1.0f, 170.0f) * 0.5f) * keep;
    const float tanX = tanY * std::max(aspect, 0.01f);

    // For each axis of the picture, point i stays inside while
    //   across_i - tan * (depth_i + d) <= offset <= across_i + tan * (depth_i + d).
    float highX = 0.0f, lowX = 0.0f, highY = 0.0f, lowY = 0.0f, nearest = 0.0f, farthest = 0.0f;
    bool first = true;
    for (const ZEVector& p : points)
    {
        const ZEVector v = p - center;
        const float depth = forward.DotProduct(v), across = right.DotProduct(v), upward = up.DotProduct(v);
        if (first)
        {
            highX = lowX = across;
            highY = lowY = upward;
            nearest = farthest = depth;
        }
        highX = std::max(highX, across - tanX * depth);
        lowX = std::min(lowX, across + tanX * depth);
        highY = std::max(highY, upward - tanY * depth);
        lowY = std::min(lowY, upward + tanY * depth);
        nearest = std::min(nearest, depth);
        farthest = std::max(farthest, depth);
        first = false;
    }
    const float back = std::max({(highX - lowX) / (2.0f * tanX), (highY - lowY) / (2.0f * tanY), 1.0f});
    const float offsetX = (highX + lowX) * 0.5f, offsetY = (highY + lowY) * 0.5f;
    view.m_vPosition = center + right * offsetX + up * offsetY - forward * back;
    view.m_fDistance = back;

    // Every point lies in front of the eye (the bounds above keep the
    // depth positive).
    view.m_fNear = std::max(1.0f, (nearest + back) * 0.5f);
    view.m_fFar = (farthest + back) * 2.5f + 10.0f;
    return view;
}

ZEOverviewView ZEFrameOverview(const std::vector<ZEVector>& points, float aspect, float pitch)
{
    ZEOverviewView best;
    bool first = true;
    for (float yaw : {30.0f, 60.0f, 120.0f, 150.0f, 210.0f, 240.0f, 300.0f, 330.0f})
    {
        ZEOverviewView view = ZEFrameOverview(points, aspect, pitch, yaw);
        // Nearer by a thousandth at least, so rounding does not decide.
        if (first || view.m_fDistance < best.m_fDistance * 0.999f)
            best = view;
        first = false;
    }
    return best;
}

ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect, float pitch, float yaw,
                               float fovY, float margin)
{
    return ZEFrameOverview(Corners(min, max), aspect, pitch, yaw, fovY, margin);
}

ZEOverviewView ZEFrameOverview(const ZEVector& min, const ZEVector& max, float aspect, float pitch)
{
    return ZEFrameOverview(Corners(min, max), aspect, pitch);
}
