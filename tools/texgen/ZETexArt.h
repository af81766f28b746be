// Drawing helpers for the picture families (HUD, screens, surfaces, sky,
// marks): coverage masks, text, signed distances, tileable cell noise and
// relief shading.
//
// Model. Painters build a picture in layers on a ZETexCanvas: a layer is a
// coverage (0 to 1 per texel) and a colour, laid over what is there with
// ZEMix. Coverage comes from signed distances (negative inside, in texels,
// so coverage = 0.5 - distance gives one texel of anti-aliasing) or from a
// ZETexMask (text, blurred shadows, glows). Masks are plain grids owned by
// their holder; nothing here keeps state between calls.
//
// Tiling. Surface textures repeat, so everything they use must be periodic
// in the texture's size: ZETexNoise with a whole number of lattice cells
// across the texture, ZETexCells likewise, ZEWrap for hand-placed shapes
// (a shape near one edge is drawn again beyond the opposite edge), and
// ZEShadeRelief, which takes its height differences across the edges.
#pragma once

#include "ZETexGen.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

extern const float kZETexPi;

// One coverage value per texel, 0 outside the grid.
struct ZETexMask
{
    ZETexMask() = default;
    ZETexMask(int width, int height);

    float At(int x, int y) const;
    float& Ref(int x, int y) { return m_aCoverage[static_cast<size_t>(y) * m_iWidth + x]; }

    int m_iWidth = 0;
    int m_iHeight = 0;
    std::vector<float> m_aCoverage;
};

// Text rasterised with FreeType. Render gives the ink of one line with
// `pad` empty texels on every side; the mask's centre is the ink's centre.
class ZETexFont
{
public:
    ZETexFont() = default;
    ~ZETexFont();
    ZETexFont(const ZETexFont&) = delete;
    ZETexFont& operator=(const ZETexFont&) = delete;

    // False with `error` set when FreeType or the face cannot be opened.
    bool Open(const std::string& path, std::string& error);

    // `em` in texels; `stretch` scales the width (1 keeps the face's
    // proportions), `slant` leans the glyphs (texels to the right per texel
    // above the baseline), `tracking` adds space between letters in ems.
    // Characters the face lacks are skipped; an empty text gives an empty
    // mask of 2 pad x 2 pad texels.
    ZETexMask Render(const std::string& text, float em, float stretch, float slant, float tracking, int pad);

private:
    void* m_pLibrary = nullptr;   // FT_Library
    void* m_pFace = nullptr;      // FT_Face
};

// The mask widened by `radius` texels with a soft rim (outlines).
ZETexMask ZEDilateMask(const ZETexMask& mask, float radius);
// The mask blurred by three box passes of `radius` texels (shadows, glows).
ZETexMask ZEBlurMask(const ZETexMask& mask, int radius);

// Lays `color(x, y)` (canvas texel coordinates) over the canvas where the
// mask covers it, the mask's top left texel at (left, top), scaled by
// `opacity`. Parts outside the canvas are left out.
void ZELayMask(ZETexCanvas& canvas, const ZETexMask& mask, int left, int top, const ZETexColor& color,
               float opacity = 1.0f);
template <typename ColorAt>
void ZELayMaskShaded(ZETexCanvas& canvas, const ZETexMask& mask, int left, int top, ColorAt colorAt,
                     float opacity = 1.0f)
{
    for (int y = 0; y < mask.m_iHeight; ++y)
        for (int x = 0; x < mask.m_iWidth; ++x)
        {
            int cx = left + x, cy = top + y;
            float coverage = mask.At(x, y) * opacity;
            if (coverage <= 0.0f || cx < 0 || cy < 0 || cx >= canvas.Width() || cy >= canvas.Height())
                continue;
            canvas.At(cx, cy) = ZEMix(canvas.At(cx, cy), colorAt(float(cx), float(cy)), ZEClamp01(coverage));
        }
}

// Paints a picture on a transparent colour key. `sample(x, y, color)` is
// asked at samples x samples points in every texel (texel coordinates, 0
// to width) and answers false where the picture is absent. A texel the
// picture covers at least half becomes the mean of its covered samples,
// nudged off the key should it round to it; every other texel becomes the
// key exactly. The outline is hard (a colour key is all or nothing), the
// inside anti-aliased.
void ZEPaintOnKey(ZETexCanvas& canvas, int samples, const ZETexColor& key,
                  const std::function<bool(float x, float y, ZETexColor& color)>& sample);

// The mask's coverage at a point in mask texels (bilinear, texel centres
// at half numbers), 0 outside.
float ZEMaskSample(const ZETexMask& mask, float x, float y);

// Coverage of a shape from its signed distance in texels.
inline float ZECoverage(float distance)
{
    return ZEClamp01(0.5f - distance);
}

// Signed distances (negative inside).
float ZESdCircle(float x, float y, float cx, float cy, float radius);
// A box of half sizes (hx, hy) with corners rounded by `radius`.
float ZESdRoundBox(float x, float y, float cx, float cy, float hx, float hy, float radius);
// A stroke of half width `halfWidth` from (ax, ay) to (bx, by), round ends.
float ZESdSegment(float x, float y, float ax, float ay, float bx, float by, float halfWidth);
// A polygon given as x y pairs, either winding.
float ZESdPolygon(float x, float y, const std::vector<float>& points);
// An ellipse with half axes (rx, ry); exact on the axes, close elsewhere.
float ZESdEllipse(float x, float y, float cx, float cy, float rx, float ry);

// The offset of `value` brought into [0, period).
float ZEWrap(float value, float period);
// The shortest signed difference a - b on a circle of `period`.
float ZEWrapDelta(float a, float b, float period);

// A hash of two integers and a seed, uniform in [0, 1).
float ZEHash01(uint32_t a, uint32_t b, uint32_t seed);

// Tileable cellular noise: one jittered point per cell of a period x period
// lattice. At gives the distances to the nearest and second nearest point
// (in cells) and the nearest point's cell, for stones, pebbles and grains.
class ZETexCells
{
public:
    struct Hit
    {
        float m_fNearest = 0.0f;
        float m_fSecond = 0.0f;
        uint32_t m_ulCell = 0;   // row * period + column of the nearest point
        float m_fRandom = 0.0f;  // a value in [0, 1) of the nearest point's cell
    };

    ZETexCells(uint32_t seed, int period, float jitter = 0.9f);
    Hit At(float x, float y) const;

private:
    int m_iPeriod;
    std::vector<float> m_aOffsets;   // x, y per cell
    std::vector<float> m_aRandom;
};

// Multiplies the canvas by the light falling on a height field (one value
// per texel, in texels of height): lit from the upper left, flat ground
// keeps its colour, slopes toward the light brighten, slopes away darken.
// `wrap` takes differences across the edges (tileable surfaces); without
// it the edge texels use one-sided differences. `gloss` adds a white
// highlight on the steepest lit slopes.
void ZEShadeRelief(ZETexCanvas& canvas, const std::vector<float>& height, float strength, bool wrap,
                   float gloss = 0.0f);
