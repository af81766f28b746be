// The effects family: glows, lens-flare shapes, smoke puffs and blobs.
//
// The engine draws these sprites clamped and mostly additively (black adds
// nothing), tinted by a colour it chooses: coronas and flares by the
// light's colour, particles by theirs, fake shadows darken the frame by
// the texture. So every painter here works in grey levels times one
// colour, and fades to exact black before the border of the texture,
// where a clamped sprite would otherwise show its square edge.
//
// Coordinates are centred: -1 to 1 across each axis, so r = 1 is the
// circle touching the edges. Every painter ends with the border fade
// "edge": full strength inside r = edge, none from one texel inside r = 1
// on (the corners included).
#include "ZETexGen.h"

#include <algorithm>
#include <cmath>

namespace
{
const float kPi = 3.14159265358979f;

// Reads the border fade and returns the factor for a radius. The fade is
// complete one texel inside the edge, so that not even a sample within an
// edge texel is lit.
class EdgeFade
{
public:
    EdgeFade(ZETexParams& params, const ZETexCanvas& canvas)
    {
        float start = params.Float("edge", 0.85f, 0.0f, 0.999f);
        m_fEnd = 1.0f - 2.0f / std::max(1, std::min(canvas.Width(), canvas.Height()));
        m_fStart = start * m_fEnd;
    }
    float At(float r) const { return 1.0f - ZESmoothStep(m_fStart, m_fEnd, r); }

private:
    float m_fStart;
    float m_fEnd;
};

// Radius of a regular polygon with `sides` corners at unit circumradius in
// direction `angle` (radians, measured from the first corner).
float PolygonRadius(int sides, float angle)
{
    if (sides < 3)
        return 1.0f;
    float sector = 2.0f * kPi / sides;
    float a = std::fmod(angle, sector);
    if (a < 0.0f)
        a += sector;
    return std::cos(kPi / sides) / std::cos(a - sector * 0.5f);
}

// A glow: a hot core, a halo falling off outward, optional rays and an
// optional ring.
struct Glow
{
    float m_fCore, m_fCoreLevel, m_fHalo, m_fFalloff;
    int m_iRays;
    float m_fRayLevel, m_fRayLength, m_fRayWidth, m_fRayAngle, m_fRayJitter;
    float m_fRing, m_fRingRadius, m_fRingWidth;
    std::vector<float> m_aRayLengths;

    float At(float x, float y) const
    {
        float r = std::sqrt(x * x + y * y);
        float value = m_fCoreLevel * std::exp(-(r * r) / (m_fCore * m_fCore));
        value += m_fHalo * std::pow(std::max(0.0f, 1.0f - r), m_fFalloff);
        for (int ray = 0; ray < m_iRays; ++ray)
        {
            float angle = m_fRayAngle + ray * 2.0f * kPi / m_iRays;
            float along = x * std::cos(angle) + y * std::sin(angle);
            float across = std::fabs(-x * std::sin(angle) + y * std::cos(angle));
            float length = m_aRayLengths[ray];
            if (along <= 0.0f || along >= length)
                continue;
            float fade = 1.0f - along / length;
            value += m_fRayLevel * fade * fade * std::exp(-(across * across) / (m_fRayWidth * m_fRayWidth));
        }
        if (m_fRing > 0.0f)
        {
            float d = (r - m_fRingRadius) / m_fRingWidth;
            value += m_fRing * std::exp(-d * d);
        }
        return value;
    }
};

bool PaintGlow(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor color = params.Color("color", {1.0f, 1.0f, 1.0f});
    Glow glow;
    glow.m_fCore = params.Float("core", 0.08f, 0.001f, 1.0f);
    glow.m_fCoreLevel = params.Float("core_level", 1.0f, 0.0f, 4.0f);
    glow.m_fHalo = params.Float("halo", 0.5f, 0.0f, 4.0f);
    glow.m_fFalloff = params.Float("falloff", 3.0f, 0.1f, 16.0f);
    glow.m_iRays = params.Int("rays", 0, 0, 64);
    glow.m_fRayLevel = params.Float("ray_level", 0.6f, 0.0f, 4.0f);
    glow.m_fRayLength = params.Float("ray_length", 0.9f, 0.0f, 1.0f);
    glow.m_fRayWidth = params.Float("ray_width", 0.02f, 0.001f, 1.0f);
    glow.m_fRayAngle = params.Float("ray_angle", 0.0f, -360.0f, 360.0f) * kPi / 180.0f;
    glow.m_fRayJitter = params.Float("ray_jitter", 0.0f, 0.0f, 1.0f);
    glow.m_fRing = params.Float("ring", 0.0f, 0.0f, 4.0f);
    glow.m_fRingRadius = params.Float("ring_radius", 0.6f, 0.0f, 1.0f);
    glow.m_fRingWidth = params.Float("ring_width", 0.05f, 0.001f, 1.0f);
    int seed = params.Int("seed", 1, 0, 1 << 30);
    EdgeFade edge(params, canvas);

    ZETexRandom random(static_cast<uint32_t>(seed));
    for (int ray = 0; ray < glow.m_iRays; ++ray)
        glow.m_aRayLengths.push_back(glow.m_fRayLength * (1.0f - glow.m_fRayJitter * random.Unit()));
    canvas.Shade(3, [&](float x, float y) {
        float r = std::sqrt(x * x + y * y);
        return color * (ZEClamp01(glow.At(x, y)) * edge.At(r));
    });
    return true;
}

// A disc, ring or regular polygon with a soft edge, an inner fill that may
// brighten toward the middle, a bright rim just inside the edge and a glow
// just outside it.
bool PaintShape(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor color = params.Color("color", {1.0f, 1.0f, 1.0f});
    int sides = params.Int("sides", 0, 0, 32);
    float rotation = params.Float("rotation", 0.0f, -360.0f, 360.0f) * kPi / 180.0f;
    float radius = params.Float("radius", 0.8f, 0.01f, 1.0f);
    float softness = params.Float("softness", 0.03f, 0.0f, 1.0f);
    float fill = params.Float("fill", 0.4f, 0.0f, 4.0f);
    float fillCenter = params.Float("fill_center", fill, 0.0f, 4.0f);
    float rim = params.Float("rim", 0.0f, 0.0f, 4.0f);
    float rimWidth = params.Float("rim_width", 0.08f, 0.001f, 1.0f);
    float glow = params.Float("glow", 0.0f, 0.0f, 4.0f);
    float glowWidth = params.Float("glow_width", 0.15f, 0.001f, 1.0f);
    if (sides == 1 || sides == 2)
        params.Fail("sides", "is 0 for a circle or at least 3 for a polygon");
    EdgeFade edge(params, canvas);

    canvas.Shade(4, [&](float x, float y) {
        float r = std::sqrt(x * x + y * y);
        // Polygon corners point up when the rotation is 0.
        float angle = std::atan2(x, -y) - rotation;
        float n = r / (radius * PolygonRadius(sides, angle));
        float inside = 1.0f - ZESmoothStep(1.0f - softness, 1.0f + softness, n);
        float value = (fillCenter + (fill - fillCenter) * std::min(n, 1.0f)) * inside;
        float fromRim = (1.0f - n) / rimWidth;
        value += rim * std::exp(-fromRim * fromRim) * (n <= 1.0f ? 1.0f : inside);
        if (n > 1.0f)
        {
            float out = (n - 1.0f) / glowWidth;
            value += glow * std::exp(-out * out);
        }
        return color * (ZEClamp01(value) * edge.At(r));
    });
    return true;
}

// A soft cloud: overlapping round puffs, broken up by fractal noise.
bool PaintCloud(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor color = params.Color("color", {1.0f, 1.0f, 1.0f});
    int puffs = params.Int("puffs", 6, 1, 64);
    int seed = params.Int("seed", 1, 0, 1 << 30);
    float spread = params.Float("spread", 0.3f, 0.0f, 1.0f);
    float puffSize = params.Float("puff_size", 0.35f, 0.01f, 1.0f);
    float noiseAmount = params.Float("noise", 0.5f, 0.0f, 1.0f);
    float noiseScale = params.Float("noise_scale", 4.0f, 0.5f, 64.0f);
    int octaves = params.Int("octaves", 4, 1, 8);
    float level = params.Float("level", 1.0f, 0.0f, 4.0f);
    float gamma = params.Float("gamma", 1.0f, 0.1f, 8.0f);
    EdgeFade edge(params, canvas);

    struct Puff
    {
        float x, y, size, weight;
    };
    ZETexRandom random(static_cast<uint32_t>(seed));
    std::vector<Puff> cloud;
    for (int i = 0; i < puffs; ++i)
    {
        float angle = random.Unit() * 2.0f * kPi, distance = spread * std::sqrt(random.Unit());
        cloud.push_back({std::cos(angle) * distance, std::sin(angle) * distance,
                         puffSize * (0.6f + 0.6f * random.Unit()), 0.6f + 0.4f * random.Unit()});
    }
    ZETexNoise noise(static_cast<uint32_t>(seed) * 7919u + 1u, 32);
    canvas.Shade(2, [&](float x, float y) {
        float density = 0.0f;
        for (const Puff& puff : cloud)
        {
            float dx = x - puff.x, dy = y - puff.y;
            density += puff.weight * std::exp(-(dx * dx + dy * dy) / (puff.size * puff.size));
        }
        float texture = noise.Fractal((x + 1.0f) * noiseScale, (y + 1.0f) * noiseScale, octaves);
        density *= 1.0f - noiseAmount + noiseAmount * 2.0f * texture;
        // Saturates softly where puffs overlap instead of clipping flat.
        float value = std::pow(1.0f - std::exp(-density * 1.6f), gamma) * level;
        return color * (value * edge.At(std::sqrt(x * x + y * y)));
    });
    return true;
}

// A superellipse blob: full strength inside "inner", fading smoothly to
// nothing at "outer" (both in units of the half-axes "width" along u and
// "length" along v).
bool PaintBlob(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor color = params.Color("color", {1.0f, 1.0f, 1.0f});
    float width = params.Float("width", 1.0f, 0.01f, 1.0f);
    float length = params.Float("length", 1.0f, 0.01f, 1.0f);
    float power = params.Float("power", 2.0f, 0.5f, 16.0f);
    float inner = params.Float("inner", 0.0f, 0.0f, 1.0f);
    float outer = params.Float("outer", 0.95f, 0.01f, 1.0f);
    float level = params.Float("level", 1.0f, 0.0f, 1.0f);
    if (inner >= outer)
        params.Fail("inner", "must be smaller than outer");
    EdgeFade edge(params, canvas);

    canvas.Shade(2, [&](float x, float y) {
        float d = std::pow(std::pow(std::fabs(x / width), power) + std::pow(std::fabs(y / length), power),
                           1.0f / power);
        float value = level * (1.0f - ZESmoothStep(inner, outer, d));
        // A square border fade: the blob is laid out on the texture's own
        // axes, which the engine stretches to the object's footprint.
        float border = std::max(std::fabs(x), std::fabs(y));
        return color * (value * edge.At(border));
    });
    return true;
}
}

void ZERegisterEffectsFamily(ZETexPainters& painters)
{
    painters.Add("glow", PaintGlow,
                 "radial glow with optional rays and ring, fading to black at the border; color, core, "
                 "core_level, halo, falloff, rays, ray_level, ray_length, ray_width, ray_angle, ray_jitter, "
                 "seed, ring, ring_radius, ring_width, edge");
    painters.Add("shape", PaintShape,
                 "disc, ring or regular polygon with soft edge, rim and outer glow; color, sides, rotation, "
                 "radius, softness, fill, fill_center, rim, rim_width, glow, glow_width, edge");
    painters.Add("cloud", PaintCloud,
                 "soft smoke puff made of noisy round puffs; color, puffs, seed, spread, puff_size, noise, "
                 "noise_scale, octaves, level, gamma, edge");
    painters.Add("blob", PaintBlob,
                 "superellipse blob with a smooth fall-off (fake shadows, light spots); color, width, length, "
                 "power, inner, outer, level, edge");
}
