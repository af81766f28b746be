// The marks family: what cars leave on the road.
//
// "tread": the skid mark. The game lays it as a strip with u across the
// tyre and v along the skid (repeating every half world unit), colour-keyed
// on white and drawn in black: every texel is either exact white (no mark)
// or a rubber grey (mark), never near-white. The pattern repeats along v;
// along u it spans the tyre once: ribs parted by grooves, diagonal sipes,
// frayed shoulders and worn-out specks.
//
// "puddle": the oil slick. The game draws it as a darkening decal: white
// is full black oil, black leaves the road alone. A lobed pool with a few
// splashes around it, slightly uneven inside, fading to exact black well
// before the border so the square never shows.
#include "ZETexArt.h"

#include <algorithm>
#include <cmath>

namespace
{
bool PaintTread(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor rubber = params.Color("color", {0.16f, 0.16f, 0.17f});
    int ribs = params.Int("ribs", 4, 1, 16);
    float groove = params.Float("groove", 0.06f, 0.0f, 0.5f);
    float shoulder = params.Float("shoulder", 0.05f, 0.0f, 0.4f);
    int sipes = params.Int("sipes", 8, 0, 64);
    float sipeWidth = params.Float("sipe_width", 1.2f, 0.0f, 8.0f);
    float wear = params.Float("wear", 0.12f, 0.0f, 0.9f);
    uint32_t seed = static_cast<uint32_t>(params.Int("seed", 5, 0, 1 << 30));
    if (params.HasError())
        return false;

    const int w = canvas.Width(), h = canvas.Height();
    const ZETexColor white{1.0f, 1.0f, 1.0f};
    // Noise periodic along v; along u the texture does not repeat, but a
    // periodic lattice does no harm there.
    ZETexNoise columns(seed, 64), rows(seed + 3, 8), specks(seed + 1, 64), fray(seed + 2, 16);
    const float ribWidth = (1.0f - 2.0f * shoulder) / ribs;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float u = (x + 0.5f) / w, v = (y + 0.5f) / h;
            float edge = shoulder + 0.025f * (fray.Fractal(0.5f, v * 16.0f, 2) - 0.5f) * 2.0f;
            bool mark = u > edge && u < 1.0f - edge + 0.025f * (fray.Fractal(7.5f, v * 16.0f, 2) - 0.5f) * 2.0f;
            float inRib = (u - shoulder) / ribWidth;
            int rib = static_cast<int>(std::floor(inRib));
            float local = inRib - rib;
            // Grooves between the ribs.
            if (rib > 0 && local < groove * 0.5f / ribWidth)
                mark = false;
            if (rib < ribs - 1 && rib >= 0 && local > 1.0f - groove * 0.5f / ribWidth)
                mark = false;
            // Sipes: slanted cuts, leaning the other way on every other rib.
            if (sipes > 0 && rib >= 0 && rib < ribs)
            {
                float slant = (rib % 2 ? 1.0f : -1.0f) * 0.35f;
                float along = (v + slant * local * ribWidth) * sipes;
                float distance = std::fabs(along - std::round(along)) / sipes * h;
                if (distance < sipeWidth * 0.5f && local > 0.15f && local < 0.85f)
                    mark = false;
            }
            float speckle = specks.Fractal(u * 64.0f, v * 64.0f, 1);
            if (speckle < wear * 0.5f)
                mark = false;
            if (!mark)
            {
                canvas.At(x, y) = white;
                continue;
            }
            // Streaks along the skid: mostly a matter of the column.
            float streak = 0.65f * columns.Fractal(u * 64.0f, 0.5f, 2) + 0.35f * rows.Fractal(3.5f, v * 8.0f, 2);
            canvas.At(x, y) = rubber * (0.7f + 0.8f * streak);
        }
    return true;
}

bool PaintPuddle(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    float radius = params.Float("radius", 0.55f, 0.05f, 0.9f);
    float lobes = params.Float("lobes", 0.22f, 0.0f, 0.6f);
    int splashes = params.Int("splashes", 7, 0, 64);
    float softness = params.Float("softness", 0.04f, 0.001f, 0.5f);
    float sheen = params.Float("sheen", 0.15f, 0.0f, 0.8f);
    uint32_t seed = static_cast<uint32_t>(params.Int("seed", 9, 0, 1 << 30));
    if (params.HasError())
        return false;

    ZETexNoise outline(seed, 16), inside(seed + 1, 16);
    struct Splash
    {
        float x, y, r;
    };
    std::vector<Splash> drops;
    ZETexRandom random(seed + 2);
    for (int i = 0; i < splashes; ++i)
    {
        float angle = random.Unit() * 2.0f * kZETexPi;
        float distance = radius * (1.05f + 0.35f * random.Unit());
        drops.push_back({std::cos(angle) * distance, std::sin(angle) * distance, radius * (0.04f + 0.08f * random.Unit())});
    }
    // Everything lies inside this radius, so the border stays black.
    const float limit = 1.0f - 3.0f / std::min(canvas.Width(), canvas.Height());
    canvas.Shade(3, [&](float x, float y) {
        float r = std::sqrt(x * x + y * y);
        float angle = std::atan2(y, x) / (2.0f * kZETexPi) + 0.5f;
        // The pool's edge wanders with the angle (periodic all round).
        float edge = radius * (1.0f + lobes * 2.0f * (outline.Fractal(angle * 16.0f, 3.5f, 3) - 0.5f));
        float pool = 1.0f - ZESmoothStep(edge - softness, edge + softness, r);
        for (const Splash& drop : drops)
        {
            float d = std::hypot(x - drop.x, y - drop.y);
            pool = std::max(pool, 1.0f - ZESmoothStep(drop.r - softness * 0.5f, drop.r + softness * 0.5f, d));
        }
        float film = 1.0f - sheen + sheen * inside.Fractal((x + 1.0f) * 6.0f, (y + 1.0f) * 6.0f, 3);
        float value = pool * film * (1.0f - ZESmoothStep(limit - 0.1f, limit, r));
        return ZETexColor{value, value, value};
    });
    return true;
}
}

void ZERegisterMarksFamily(ZETexPainters& painters)
{
    painters.Add("tread", PaintTread,
                 "skid-mark tread on exact white (colour-keyed), repeating along v; color, ribs, groove, shoulder, "
                 "sipes, sipe_width, wear, seed");
    painters.Add("puddle", PaintPuddle,
                 "oil slick, white on exact black with splashes; radius, lobes, splashes, softness, sheen, seed");
}
