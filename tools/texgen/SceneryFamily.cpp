// The scenery family: sprites the maps stand beside the track as
// billboards.
//
// "tree": a broad-leaved tree on a colour key (magenta by default; the map
// names the key with the billboard). The billboard turns to the camera
// and is drawn with the nearest texel, so the tree is painted with
// ZEPaintOnKey: a hard outline against the key and no texel equal to it.
// The crown is a cluster of leafy clumps, each lit from the upper left and
// darker toward the crown's inside, over a tapering trunk whose foot
// stands on the texture's bottom row (the billboard's ground point).
#include "ZETexArt.h"

#include <algorithm>
#include <cmath>

namespace
{
struct Clump
{
    float m_fX, m_fY, m_fRadius;
};

bool PaintTree(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor key = params.Color("key", {1.0f, 0.0f, 1.0f});
    ZETexColor leaves = params.Color("leaves", {0.22f, 0.42f, 0.14f});
    ZETexColor bark = params.Color("bark", {0.36f, 0.26f, 0.18f});
    int clumps = params.Int("clumps", 28, 1, 200);
    float crown = params.Float("crown", 0.74f, 0.2f, 0.9f);
    uint32_t seed = static_cast<uint32_t>(params.Int("seed", 13, 0, 1 << 30));
    if (params.HasError())
        return false;

    const float w = float(canvas.Width()), h = float(canvas.Height());
    // The crown: clumps scattered in an ellipse over the upper part.
    const float crownX = w * 0.5f, crownY = h * crown * 0.5f + h * 0.02f;
    const float crownRx = w * 0.34f, crownRy = h * crown * 0.4f;
    std::vector<Clump> cluster;
    ZETexRandom random(seed);
    for (int i = 0; i < clumps; ++i)
    {
        float angle = random.Unit() * 2.0f * kZETexPi, distance = std::sqrt(random.Unit()) * 0.8f;
        float radius = w * (0.1f + 0.08f * random.Unit());
        cluster.push_back({crownX + std::cos(angle) * distance * crownRx, crownY + std::sin(angle) * distance * crownRy,
                           radius});
    }
    ZETexNoise leaf(seed + 1, 32), grain(seed + 2, 32);
    const float trunkTop = crownY, trunkFoot = h;

    ZEPaintOnKey(canvas, 3, key, [&](float x, float y, ZETexColor& color) {
        // The leaf texture breaks each clump's outline into leaves.
        float speckle = leaf.Fractal(x / w * 32.0f, y / h * 64.0f, 2);
        float best = 1e30f;
        const Clump* hit = nullptr;
        for (const Clump& clump : cluster)
        {
            float d = ZESdCircle(x, y, clump.m_fX, clump.m_fY, clump.m_fRadius * (0.85f + 0.3f * speckle));
            if (d < 0.0f && (!hit || clump.m_fY > hit->m_fY))
            {
                // The lowest clump in front, so the crown reads as round.
                hit = &clump;
                best = d;
            }
        }
        if (hit)
        {
            float lx = (x - hit->m_fX) / hit->m_fRadius, ly = (y - hit->m_fY) / hit->m_fRadius;
            float lit = ZEClamp01(0.55f - 0.4f * (lx + ly));
            float inner = ZEClamp01(std::hypot((x - crownX) / crownRx, (y - crownY) / crownRy));
            color = leaves * (0.45f + 0.8f * lit) * (0.7f + 0.3f * inner) * (0.8f + 0.4f * speckle);
            color = ZEMix(color, color * 0.6f, ZEClamp01(1.0f + best / 3.0f) * 0.5f);
            return true;
        }
        // The trunk, widening toward its foot, with two branches into the crown.
        float along = ZEClamp01((y - trunkTop) / (trunkFoot - trunkTop));
        float half = w * (0.05f + 0.05f * along * along);
        float trunk = std::fabs(x - crownX) - half;
        float branch = std::min(ZESdSegment(x, y, crownX, crownY + h * 0.1f, crownX - w * 0.2f, crownY, w * 0.02f),
                                ZESdSegment(x, y, crownX, crownY + h * 0.14f, crownX + w * 0.18f, crownY - h * 0.03f,
                                            w * 0.018f));
        if ((trunk < 0.0f && y > trunkTop) || branch < 0.0f)
        {
            float across = trunk < 0.0f ? (x - crownX) / half : 0.0f;
            float shade = 0.6f + 0.4f * std::cos((across + 0.4f) * 1.4f);
            float furrows = 0.75f + 0.25f * grain.Fractal(x / w * 64.0f, y / h * 8.0f, 2);
            color = bark * shade * furrows;
            return true;
        }
        return false;
    });
    return true;
}
}

void ZERegisterSceneryFamily(ZETexPainters& painters)
{
    painters.Add("tree", PaintTree,
                 "broad-leaved tree on a colour key for billboards, foot on the bottom row; key, leaves, bark, clumps, "
                 "crown, seed");
}
