#include "render/ZEShadow.h"

#include "math/ZEVector.h"
#include "render/ZECamera.h"
#include "math/ZEVertex.h"
#include "render/ZERenderer.h"

#include <algorithm>
#include <cmath>

namespace
{
// Below this a cross product counts as zero: the vectors are parallel.
const float kParallel = 1e-6f;

ZEVertex Corner(const ZEVector& p, float u, float v)
{
    return ZEVertex{p.x, p.y, p.z, u, v};
}

// A unit vector across the normal to stand in for a missing heading.
ZEVector AnyAcross(const ZEVector& normal)
{
    ZEVector reference = std::fabs(normal.z) < 0.9f ? ZEVector(0.0f, 0.0f, 1.0f) : ZEVector(1.0f, 0.0f, 0.0f);
    return reference.CrossProduct(normal).UnitVector();
}
}

uint8_t ZEShadowAlpha(const float* light)
{
    float mean = (light[0] + light[1] + light[2]) / 3.0f;
    float alpha = 255.0f - mean * 128.0f;
    if (!(alpha > 0.0f))   // NaN too
        return 0;
    return alpha >= 255.0f ? 255 : static_cast<uint8_t>(alpha);
}

bool ZEFakeShadowQuad(const ZEVector& ground, const ZEVector& normal, const ZEVector& direction, float halfWidth,
                      float halfLength, ZEVertex* vertices)
{
    bool sized = halfWidth > 0.0f && halfLength > 0.0f && std::isfinite(halfWidth) && std::isfinite(halfLength);
    float n = normal.GetLength();
    if (!sized || !(n > kParallel) || !std::isfinite(n))
        return false;
    ZEVector up = normal * (1.0f / n);
    ZEVector across = direction.CrossProduct(up);
    float length = across.GetLength();
    across = length > kParallel && std::isfinite(length) ? across * (1.0f / length) : AnyAcross(up);
    ZEVector side = across * halfWidth;
    ZEVector ahead = up.CrossProduct(across) * halfLength;
    vertices[0] = Corner(ground + side + ahead, 0.0f, 0.0f);
    vertices[1] = Corner(ground - side - ahead, 1.0f, 1.0f);
    vertices[2] = Corner(ground + side - ahead, 0.0f, 1.0f);
    vertices[3] = Corner(ground + side + ahead, 0.0f, 0.0f);
    vertices[4] = Corner(ground - side + ahead, 1.0f, 0.0f);
    vertices[5] = Corner(ground - side - ahead, 1.0f, 1.0f);
    return true;
}

const char* ZEFakeShadowTexture(float halfWidth, float halfLength)
{
    return std::trunc(halfWidth) == std::trunc(halfLength) ? "fakeshadow1" : "fakeshadow2";
}

void ZEBeginBlendedShadow(ZERenderer* renderer, uint8_t alpha)
{
    const uint16_t kEqual = 5, kKeep = 1, kIncrement = 3, kSourceAlpha = 4, kOneMinusSourceAlpha = 5;
    renderer->ClearStencilBuffer();
    renderer->EnableStencilBuffer();
    renderer->EnableBlending();
    renderer->SetBlendingState(kSourceAlpha, kOneMinusSourceAlpha);
    renderer->SetStencilComp(kEqual, 0, 0xFFFFFFFFu);
    renderer->SetStencilOp(kKeep, kKeep, kIncrement);
    renderer->SetAmbient(0, 0, 0, alpha);
}

void ZEEndBlendedShadow(ZERenderer* renderer)
{
    renderer->DisableBlending();
    renderer->DisableStencilBuffer();
}

namespace
{
// The extent of a/d for a in [low, high] and d in [nearest, farthest], all
// of d positive: the smallest takes the nearest depth when negative.
void Spread(float low, float high, float nearest, float farthest, float& from, float& to)
{
    from = low / (low < 0.0f ? nearest : farthest);
    to = high / (high > 0.0f ? nearest : farthest);
}

float Fraction(float tangent, float reach)
{
    return std::clamp(0.5f + 0.5f * tangent / reach, 0.0f, 1.0f);
}
}

void ZESphereScreenRect(const ZECamera& camera, const ZEVector& center, float radius, float* rect)
{
    rect[0] = rect[1] = 0.0f;
    rect[2] = rect[3] = 1.0f;
    ZEVector c = center - camera.GetPosition();
    float x = c.DotProduct(camera.GetRVector()), y = c.DotProduct(camera.GetUVector());
    float z = c.DotProduct(camera.GetFVector());
    if (!(z - radius > camera.GetZNear()) || camera.GetFOVY() <= 0.0f)
        return;
    float tanY = std::tan(camera.GetFOVY() * 0.5f * 3.14159265f / 180.0f);
    float tanX = tanY * camera.GetFOVX() / camera.GetFOVY();
    float left, right, bottom, top;
    Spread(x - radius, x + radius, z - radius, z + radius, left, right);
    Spread(y - radius, y + radius, z - radius, z + radius, bottom, top);
    rect[0] = Fraction(left, tanX);
    rect[2] = Fraction(right, tanX);
    rect[1] = 1.0f - Fraction(top, tanY);
    rect[3] = 1.0f - Fraction(bottom, tanY);
}
