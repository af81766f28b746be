// The engine family: the console background and the mouse cursor.
//
// "console" is drawn opaque and stretched over the whole screen or its top
// half, so it avoids fine detail that stretching would distort: a vertical
// gradient, a faint vignette and grain, and an accent line near the bottom
// edge that marks where the half-screen console ends. The last rows stay
// dark because the texture repeats and its bottom edge is filtered against
// its top row.
//
// "cursor" is a polygon (an arrow by default) with a filled body and an
// outline, on exact black. The engine draws the cursor image at 32 x 32
// with its top left corner on the mouse position, colour-keyed on black,
// so the polygon's tip belongs at the top left texel and every texel is
// either exact black (transparent) or part of the arrow.
#include "ZETexGen.h"

#include <algorithm>
#include <cmath>

namespace
{
struct Point
{
    float x;
    float y;
};

bool InsidePolygon(const std::vector<Point>& polygon, float x, float y)
{
    bool inside = false;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
    {
        const Point& a = polygon[i];
        const Point& b = polygon[j];
        if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x)
            inside = !inside;
    }
    return inside;
}

float DistanceToSegment(const Point& a, const Point& b, float x, float y)
{
    float dx = b.x - a.x, dy = b.y - a.y;
    float length = dx * dx + dy * dy;
    float t = length > 0.0f ? ZEClamp01(((x - a.x) * dx + (y - a.y) * dy) / length) : 0.0f;
    float px = a.x + t * dx - x, py = a.y + t * dy - y;
    return std::sqrt(px * px + py * py);
}

float DistanceToPolygon(const std::vector<Point>& polygon, float x, float y)
{
    float best = 1e30f;
    for (size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++)
        best = std::min(best, DistanceToSegment(polygon[j], polygon[i], x, y));
    return best;
}

bool PaintConsole(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor top = params.Color("top", {0.05f, 0.06f, 0.08f});
    ZETexColor bottom = params.Color("bottom", {0.10f, 0.12f, 0.16f});
    float vignette = params.Float("vignette", 0.3f, 0.0f, 1.0f);
    float grain = params.Float("grain", 0.015f, 0.0f, 0.2f);
    int seed = params.Int("seed", 1, 0, 1 << 30);
    ZETexColor accent = params.Color("accent", {0.95f, 0.55f, 0.1f});
    int accentRows = params.Int("accent_rows", 2, 0, 64);
    int accentGlow = params.Int("accent_glow", 12, 0, 256);
    int accentGap = params.Int("accent_gap", 2, 0, 64);
    const int width = canvas.Width(), height = canvas.Height();
    if (accentGap + accentRows >= height)
        params.Fail("accent_rows", "the accent line does not fit the height");

    ZETexNoise noise(static_cast<uint32_t>(seed), 64);
    const int accentTop = height - accentGap - accentRows;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            float v = (y + 0.5f) / height, u = (x + 0.5f) / width;
            ZETexColor color = ZEMix(top, bottom, v);
            float edge = std::pow(std::fabs(u * 2.0f - 1.0f), 3.0f);
            color = color * (1.0f - vignette * edge);
            float speck = (noise.At(x * 0.9f, y * 0.9f) - 0.5f) * 2.0f * grain;
            color = color + ZETexColor{speck, speck, speck};
            if (y >= accentTop && y < accentTop + accentRows)
                color = accent * (1.0f - 0.35f * edge);
            else if (y < accentTop && accentGlow > 0)
            {
                float glow = 1.0f - float(accentTop - y) / accentGlow;
                if (glow > 0.0f)
                    color = color + accent * (0.22f * glow * glow * (1.0f - 0.5f * edge));
            }
            canvas.At(x, y) = color;
        }
    return true;
}

bool PaintCursor(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    static const std::vector<float> kArrow = {1.0f, 1.0f,  1.0f,  24.0f, 6.5f,  19.0f, 10.5f, 28.0f,
                                              14.5f, 26.5f, 10.8f, 17.8f, 18.0f, 17.8f};
    std::vector<float> coordinates = params.Floats("points", kArrow, 0);
    ZETexColor fillTop = params.Color("fill_top", {1.0f, 1.0f, 1.0f});
    ZETexColor fillBottom = params.Color("fill_bottom", {0.78f, 0.8f, 0.84f});
    ZETexColor outlineColor = params.Color("outline_color", {0.06f, 0.06f, 0.08f});
    float outline = params.Float("outline", 1.25f, 0.0f, 6.0f);
    float threshold = params.Float("threshold", 0.5f, 0.05f, 1.0f);
    if (coordinates.size() < 6)
        params.Fail("points", "needs at least three points");
    if (outline > 0.0f && std::lround((outlineColor.r + outlineColor.g + outlineColor.b) * 255.0f) == 0)
        params.Fail("outline_color", "must not be pure black: black is the transparent colour");
    if (params.HasError())
        return false;

    std::vector<Point> polygon;
    for (size_t i = 0; i + 1 < coordinates.size(); i += 2)
        polygon.push_back({coordinates[i], coordinates[i + 1]});
    float lowest = polygon[0].y, highest = polygon[0].y;
    for (const Point& point : polygon)
    {
        lowest = std::min(lowest, point.y);
        highest = std::max(highest, point.y);
    }

    const int samples = 4;
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
        {
            int inside = 0, covered = 0;
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx)
                {
                    float px = x + (sx + 0.5f) / samples, py = y + (sy + 0.5f) / samples;
                    bool in = InsidePolygon(polygon, px, py);
                    inside += in;
                    covered += in || DistanceToPolygon(polygon, px, py) <= outline;
                }
            const float total = samples * samples;
            if (covered / total < threshold)
            {
                canvas.At(x, y) = ZETexColor();
                continue;
            }
            float t = highest > lowest ? ZEClamp01((y + 0.5f - lowest) / (highest - lowest)) : 0.0f;
            canvas.At(x, y) = ZEMix(outlineColor, ZEMix(fillTop, fillBottom, t), inside / total);
        }
    return true;
}
}

void ZERegisterEngineFamily(ZETexPainters& painters)
{
    painters.Add("console", PaintConsole,
                 "console background: gradient with vignette and grain, accent line near the bottom; "
                 "top, bottom, vignette, grain, seed, accent, accent_rows, accent_glow, accent_gap");
    painters.Add("cursor", PaintCursor,
                 "polygon on exact black (colour-keyed), filled with a vertical gradient and outlined; "
                 "points (x y pairs in texels), fill_top, fill_bottom, outline, outline_color, threshold");
}
