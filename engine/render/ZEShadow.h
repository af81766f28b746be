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
#pragma once

#include <cstdint>

enum ZEShadowMethod : uint32_t
{
    ZE_SHADOW_NONE = 0,
    ZE_SHADOW_FAKE = 1,
    ZE_SHADOW_PROJECTED = 2,
    ZE_SHADOW_PROJECTED_STENCIL = 3,
    ZE_SHADOW_STENCIL_VOLUME = 4
};

static_assert(sizeof(ZEShadowMethod) == 4, "the shadow method is a 32-bit value");
