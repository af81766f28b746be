// The steps around loading a track's map: the loading screen before, and
// thinning the world out for the low detail levels after.
#pragma once

#include <cstdint>

class ZEEngine;
class ZERenderer;
class ZETextureReference;

// The menu background over the whole window and "Loading..." in the
// middle, shown at once.
void WZDrawLoadingScreen(ZERenderer* renderer, ZETextureReference* background, uint16_t width, uint16_t height);
// At detail 3 and 4 the map's placed models and every particle system go.
void WZPruneForDetail(ZEEngine* engine, uint32_t detail);
