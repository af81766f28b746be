// The sky family: the six faces of a sky box.
//
// Every texel is painted from the direction it shows, so the faces meet
// without a seam whatever order a map puts them in: a sky gradient from
// the horizon haze to the zenith, the sun with its halo, clouds on a flat
// layer above the world (thinning toward the horizon, lit from the sun's
// side) and a ring of distant hills on the horizon, the same all around.
//
// Directions are in world axes: +X right, +Y up, +Z forward (the world is
// left-handed). A face is seen from inside the box; u runs left to right
// and the first row is the top as the viewer sees it:
//
//   front  (+Z): (2u-1, 1-2v,  1)      back  (-Z): (1-2u, 1-2v, -1)
//   left   (-X): (-1, 1-2v, 2u-1)      right (+X): ( 1, 1-2v, 1-2u)
//   up     (+Y): (2u-1, 1, 2v-1)       the bottom row meets front's top row
//   down   (-Y): (2u-1, -1, 1-2v)      the top row meets front's bottom row
//
// The sun's azimuth is measured from +Z toward +X (90 is to the right).
#include "ZETexArt.h"

#include <algorithm>
#include <cmath>

namespace
{
struct Direction
{
    float x, y, z;
};

bool FaceDirection(const std::string& face, float u, float v, Direction& d)
{
    float a = 2.0f * u - 1.0f, b = 1.0f - 2.0f * v;
    if (face == "front")
        d = {a, b, 1.0f};
    else if (face == "back")
        d = {-a, b, -1.0f};
    else if (face == "left")
        d = {-1.0f, b, a};
    else if (face == "right")
        d = {1.0f, b, -a};
    else if (face == "up")
        d = {a, 1.0f, -b};
    else if (face == "down")
        d = {a, -1.0f, b};
    else
        return false;
    float length = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    d = {d.x / length, d.y / length, d.z / length};
    return true;
}

struct SkyStyle
{
    ZETexColor m_Zenith, m_Horizon, m_Ground, m_Sun, m_Cloud, m_CloudShade, m_Hills, m_FarHills;
    Direction m_SunDirection;
    float m_fSunSize, m_fHalo, m_fCover, m_fCloudScale, m_fHillHeight;
};

class Sky
{
public:
    Sky(const SkyStyle& style, uint32_t seed)
        : m_Style(style), m_Clouds(seed, 64), m_Detail(seed + 1, 64), m_Hills(seed + 2, 32), m_FarHills(seed + 3, 32)
    {
    }

    ZETexColor At(const Direction& d) const
    {
        const float degrees = 180.0f / kZETexPi;
        float elevation = std::asin(std::max(-1.0f, std::min(1.0f, d.y))) * degrees;
        float azimuth = std::atan2(d.x, d.z) * degrees;
        float toSun = d.x * m_Style.m_SunDirection.x + d.y * m_Style.m_SunDirection.y + d.z * m_Style.m_SunDirection.z;
        float sunAngle = std::acos(std::max(-1.0f, std::min(1.0f, toSun))) * degrees;

        ZETexColor color = SkyColor(elevation, sunAngle);
        if (d.y > 0.0f)
            color = Clouds(d, color, sunAngle);
        color = Hills(azimuth, elevation, color, sunAngle);
        if (elevation < 0.0f)
            color = Ground(d, elevation, color);
        return color;
    }

private:
    ZETexColor SkyColor(float elevation, float sunAngle) const
    {
        float up = ZEClamp01(elevation / 90.0f);
        ZETexColor color = ZEMix(m_Style.m_Horizon, m_Style.m_Zenith, std::pow(up, 0.45f));
        // The haze glows toward the sun, most along the horizon.
        float glow = std::exp(-sunAngle / 35.0f) * (0.6f + 0.4f * (1.0f - up));
        color = ZEMix(color, m_Style.m_Sun, 0.45f * m_Style.m_fHalo * glow);
        float halo = std::exp(-std::pow(sunAngle / (m_Style.m_fSunSize * 4.0f), 2.0f));
        color = color + m_Style.m_Sun * (0.6f * m_Style.m_fHalo * halo);
        float disc = 1.0f - ZESmoothStep(m_Style.m_fSunSize * 0.8f, m_Style.m_fSunSize * 1.05f, sunAngle);
        return ZEMix(color, ZETexColor{1.0f, 1.0f, 0.96f}, disc);
    }

    float CloudDensity(float x, float z) const
    {
        float n = m_Clouds.Fractal(x, z, 5);
        float cover = m_Style.m_fCover;
        return ZESmoothStep(1.0f - cover * 0.85f - 0.1f, 1.0f - cover * 0.85f + 0.18f, n);
    }

    ZETexColor Clouds(const Direction& d, const ZETexColor& sky, float sunAngle) const
    {
        if (m_Style.m_fCover <= 0.0f)
            return sky;
        // The cloud layer as a plane: far clouds crowd toward the horizon.
        float x = d.x / d.y * m_Style.m_fCloudScale + 100.0f, z = d.z / d.y * m_Style.m_fCloudScale + 100.0f;
        float density = CloudDensity(x, z);
        if (density <= 0.0f)
            return sky;
        // Lit where the cloud thins toward the sun, shaded where it thickens.
        float sx = m_Style.m_SunDirection.x, sz = m_Style.m_SunDirection.z;
        float length = std::max(1e-4f, std::sqrt(sx * sx + sz * sz));
        float toward = CloudDensity(x + sx / length * 0.35f, z + sz / length * 0.35f);
        float light = ZEClamp01(0.65f + 1.2f * (density - toward) + 0.15f * (m_Detail.Fractal(x * 3.0f, z * 3.0f, 3) - 0.5f));
        ZETexColor cloud = ZEMix(m_Style.m_CloudShade, m_Style.m_Cloud, light);
        // Silver lining near the sun, haze near the horizon.
        cloud = cloud + m_Style.m_Sun * (0.35f * std::exp(-sunAngle / 12.0f) * (1.0f - density));
        float fade = ZESmoothStep(0.02f, 0.25f, d.y);
        cloud = ZEMix(m_Style.m_Horizon, cloud, 0.4f + 0.6f * fade);
        return ZEMix(sky, cloud, density * (0.35f + 0.65f * fade) * 0.95f);
    }

    ZETexColor Hills(float azimuth, float elevation, const ZETexColor& sky, float sunAngle) const
    {
        if (m_Style.m_fHillHeight <= 0.0f)
            return sky;
        float around = (azimuth + 180.0f) / 360.0f * 32.0f;
        float far = m_Style.m_fHillHeight * (0.35f + 0.9f * m_FarHills.Fractal(around, 3.5f, 4));
        float near = m_Style.m_fHillHeight * (0.1f + 0.6f * m_Hills.Fractal(around * 1.7f, 9.5f, 5));
        ZETexColor color = sky;
        if (elevation < far)
        {
            // Distant hills fade into the haze toward their tops.
            float haze = ZEClamp01(0.55f + 0.35f * elevation / std::max(0.01f, far));
            ZETexColor hill = ZEMix(m_Style.m_FarHills, sky, haze * 0.6f);
            color = ZEMix(color, hill, ZEClamp01((far - elevation) * 4.0f));
        }
        if (elevation < near)
        {
            float lit = 0.85f + 0.25f * std::exp(-sunAngle / 60.0f);
            ZETexColor hill = ZEMix(m_Style.m_Hills * lit, sky, 0.18f);
            color = ZEMix(color, hill, ZEClamp01((near - elevation) * 4.0f));
        }
        return color;
    }

    // Fields below the horizon, on a plane like the clouds, seen through
    // haze near the horizon.
    ZETexColor Ground(const Direction& d, float elevation, const ZETexColor& above) const
    {
        float x = d.x / -d.y * 2.0f + 50.0f, z = d.z / -d.y * 2.0f + 50.0f;
        float fields = m_Detail.Fractal(x, z, 4);
        ZETexColor ground = m_Style.m_Ground * (0.8f + 0.4f * fields);
        ground = ZEMix(ground, m_Style.m_Hills, 0.3f * ZESmoothStep(0.55f, 0.7f, m_Clouds.Fractal(x * 0.5f, z * 0.5f, 3)));
        float down = ZEClamp01(-elevation / 25.0f);
        ground = ZEMix(ZEMix(m_Style.m_Hills, m_Style.m_Horizon, 0.35f), ground, ZESmoothStep(0.0f, 0.6f, down));
        return ZEMix(above, ground, ZEClamp01(-elevation * 3.0f));
    }

    SkyStyle m_Style;
    ZETexNoise m_Clouds;
    ZETexNoise m_Detail;
    ZETexNoise m_Hills;
    ZETexNoise m_FarHills;
};

bool PaintSkyFace(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    std::string face = params.Text("face", "front");
    SkyStyle style;
    style.m_Zenith = params.Color("zenith", {0.16f, 0.36f, 0.72f});
    style.m_Horizon = params.Color("horizon", {0.70f, 0.80f, 0.90f});
    style.m_Ground = params.Color("ground", {0.25f, 0.28f, 0.22f});
    style.m_Sun = params.Color("sun", {1.0f, 0.92f, 0.75f});
    style.m_Cloud = params.Color("cloud", {1.0f, 1.0f, 1.0f});
    style.m_CloudShade = params.Color("cloud_shade", {0.55f, 0.6f, 0.7f});
    style.m_Hills = params.Color("hills", {0.22f, 0.30f, 0.22f});
    style.m_FarHills = params.Color("far_hills", {0.42f, 0.50f, 0.60f});
    float azimuth = params.Float("sun_azimuth", 35.0f, -360.0f, 360.0f) * kZETexPi / 180.0f;
    float elevation = params.Float("sun_elevation", 28.0f, -90.0f, 90.0f) * kZETexPi / 180.0f;
    style.m_fSunSize = params.Float("sun_size", 2.2f, 0.1f, 30.0f);
    style.m_fHalo = params.Float("halo", 1.0f, 0.0f, 4.0f);
    style.m_fCover = params.Float("clouds", 0.5f, 0.0f, 1.0f);
    style.m_fCloudScale = params.Float("cloud_scale", 1.3f, 0.1f, 32.0f);
    style.m_fHillHeight = params.Float("hill_height", 6.0f, 0.0f, 45.0f);
    uint32_t seed = static_cast<uint32_t>(params.Int("seed", 7, 0, 1 << 30));
    Direction probe;
    if (!FaceDirection(face, 0.5f, 0.5f, probe))
        params.Fail("face", "is front, back, left, right, up or down");
    if (params.HasError())
        return false;
    style.m_SunDirection = {std::cos(elevation) * std::sin(azimuth), std::sin(elevation),
                            std::cos(elevation) * std::cos(azimuth)};

    Sky sky(style, seed);
    canvas.Shade(2, [&](float x, float y) {
        Direction d;
        FaceDirection(face, (x + 1.0f) * 0.5f, (y + 1.0f) * 0.5f, d);
        return sky.At(d);
    });
    return true;
}
}

void ZERegisterSkyFamily(ZETexPainters& painters)
{
    painters.Add("skyface", PaintSkyFace,
                 "one face of a seamless sky box (gradient, sun, clouds, distant hills); face (front, back, left, "
                 "right, up, down), zenith, horizon, ground, sun, cloud, cloud_shade, hills, far_hills, sun_azimuth, "
                 "sun_elevation, sun_size, halo, clouds, cloud_scale, hill_height, seed");
}
