// ZEMapPlan: a top-down plan of a compiled map, for designing tracks and
// for showing them.
//
// The plan looks straight down on the map. Every face that faces upwards
// is filled, lower faces first, in the average colour of its texture times
// its lightmap's average (grey by height when the texture is unknown);
// transparent faces are blended. Over the ground the plan draws what the
// game reads from the map's entities:
//   - track nodes as red lines across the road (node 0, the start line,
//     white),
//   - the AI nodes' chain as a yellow polyline with a dot per node (orange
//     and larger where the driver pulls the handbrake),
//   - the four start positions as blue car-sized boxes along their
//     headings (slot 1 light blue),
//   - pickups as cyan dots, model objects as magenta dots.
// The sky box is left out. A map with a track is framed round the track
// with a border of land; any other map shows all its faces.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class ZEBspWriter;

struct ZEMapPlanColor
{
    uint8_t r = 0, g = 0, b = 0;
};

struct ZEMapPlanImage
{
    uint32_t m_ulWidth = 0;
    uint32_t m_ulHeight = 0;
    std::vector<uint8_t> m_aRGB;   // top row first; up is +z
};

// Average colours of textures, keyed "package/name".
using ZEMapPlanPalette = std::map<std::string, ZEMapPlanColor>;

// Adds the average colour of every texture of a texture package (.tex) to
// `palette` under `package`. False with the reason when it is unreadable.
bool ZEAddPlanPalette(const std::string& path, const std::string& package, ZEMapPlanPalette& palette,
                      std::string& error);

// The plan of `map`, its longer side `size` pixels.
ZEMapPlanImage ZEDrawMapPlan(const ZEBspWriter& map, const ZEMapPlanPalette& palette, uint32_t size);
