// Shadow methods: how objects with a model darken the ground.
//
// The engine holds one method (console "shadowtype"); each object may limit
// it further (its own highest method, 0 meaning no limit), and the smaller
// of the two is drawn. The values are stored in the settings file, so they
// are fixed:
//   0 none
//   1 fake shadow: a dark texture blob laid on the ground under the object
//   2 projected shadow: the model flattened onto the ground plane along the
//     light direction, drawn opaque black
//   3 the projected shadow blended once through the stencil buffer
//   4 stencil shadow volume
// Methods 3 and 4 need a stencil buffer; without one the engine stores 2
// instead.
//
// The decisions of shadow drawing that need no device live here, so they
// test without a window: the blended shadow's alpha and the fake shadow's
// rectangle and texture.
#pragma once

#include <cstdint>

class ZECamera;
class ZERenderer;
class ZEVector;
struct ZEVertex;

enum ZEShadowMethod : uint32_t
{
    ZE_SHADOW_NONE = 0,
    ZE_SHADOW_FAKE = 1,
    ZE_SHADOW_PROJECTED = 2,
    ZE_SHADOW_PROJECTED_STENCIL = 3,
    ZE_SHADOW_STENCIL_VOLUME = 4
};

static_assert(sizeof(ZEShadowMethod) == 4, "the shadow method is a 32-bit value");

// The alpha of a blended shadow (methods 3 and 4) under the light an
// object receives (three factors, 1 = full): 255 - mean * 128, clamped to
// 0..255, so an object lit above twice full casts no shadow rather than a
// wrapped one.
uint8_t ZEShadowAlpha(const float* light);

// The fake shadow's rectangle on the ground: two triangles (six vertices)
// centred on `ground`, lying in the plane of the unit `normal`, its length
// running along `direction` as seen on that plane, 2 x halfWidth across and
// 2 x halfLength along; texture corners (0, 0) to (1, 1). A direction
// parallel to the normal (or zero) has no heading on the plane: the
// rectangle then lies square to the world's z axis (or x, on a wall facing
// z). False, with nothing written, for a zero normal or sizes that are not
// positive and finite.
bool ZEFakeShadowQuad(const ZEVector& ground, const ZEVector& normal, const ZEVector& direction, float halfWidth,
                      float halfLength, ZEVertex* vertices);

// "fakeshadow1" (a round blob) when both sizes truncate to the same whole
// number, otherwise "fakeshadow2" (an oblong one).
const char* ZEFakeShadowTexture(float halfWidth, float halfLength);

// Method 3's state around a projected shadow: the stencil buffer cleared
// and on, letting each pixel be darkened once (equal to 0, then
// increment), blending by source alpha, the colour black with `alpha`.
// The end switches blending and the stencil buffer off again.
void ZEBeginBlendedShadow(ZERenderer* renderer, uint8_t alpha);
void ZEEndBlendedShadow(ZERenderer* renderer);

// The part of the window a sphere can cover as the camera sees it, as
// fractions of the window from its top left (x1, y1, x2, y2): never
// smaller than what the sphere covers, clamped to the window, the whole
// window when the sphere reaches the camera's near plane. A stencil shadow
// touches only that part, so its stencil clear and darkening quad need not
// cover the rest.
void ZESphereScreenRect(const ZECamera& camera, const ZEVector& center, float radius, float* rect);
