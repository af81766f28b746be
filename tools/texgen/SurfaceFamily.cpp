// The surface family: the tileable materials the tracks are built from
// (asphalt, grass, sand, concrete, runway, brick, roof tiles, railway
// track, dirt, water).
//
// Every painter here is seamless: the texture repeats across both edges
// without a visible join. All noise is periodic in the texture's size
// (whole lattice periods across it), repeated shapes (bricks, tiles,
// sleepers) divide the size evenly, and the relief light is taken across
// the edges. A painter builds two fields per texel, a colour and a height,
// and ends with ZEShadeRelief, which lights the height from the upper left
// so that stones, mortar, blades and ripples stand out.
//
// Markings that run along the texture (lane lines, runway markings, rails)
// follow the map compiler's road mapping: u runs across the road from one
// edge (0) to the other (1), v along it.
#include "ZETexArt.h"

#include <algorithm>
#include <cmath>

namespace
{
// Periodic fractal noise over a texture of width x height: `period`
// lattice cells across each axis, values 0..1.
class TileNoise
{
public:
    TileNoise(uint32_t seed, int period, int width, int height)
        : m_Noise(seed, period), m_fScaleX(float(period) / width), m_fScaleY(float(period) / height)
    {
    }
    float operator()(float x, float y, int octaves = 1) const
    {
        return m_Noise.Fractal(x * m_fScaleX, y * m_fScaleY, octaves);
    }
    // Centred on 0: -0.5..0.5.
    float Signed(float x, float y, int octaves = 1) const { return (*this)(x, y, octaves) - 0.5f; }

private:
    ZETexNoise m_Noise;
    float m_fScaleX;
    float m_fScaleY;
};

// Periodic cells over the texture: `period` cells across each axis.
class TileCells
{
public:
    TileCells(uint32_t seed, int period, int width, int height, float jitter = 0.9f)
        : m_Cells(seed, period, jitter), m_fScaleX(float(period) / width), m_fScaleY(float(period) / height)
    {
    }
    ZETexCells::Hit operator()(float x, float y) const { return m_Cells.At(x * m_fScaleX, y * m_fScaleY); }

private:
    ZETexCells m_Cells;
    float m_fScaleX;
    float m_fScaleY;
};

// The two fields a surface painter fills.
struct Surface
{
    explicit Surface(ZETexCanvas& canvas)
        : m_Canvas(canvas), m_iWidth(canvas.Width()), m_iHeight(canvas.Height()),
          m_aHeight(static_cast<size_t>(canvas.Width()) * canvas.Height(), 0.0f)
    {
    }
    float& Height(int x, int y) { return m_aHeight[static_cast<size_t>(y) * m_iWidth + x]; }
    ZETexColor& Color(int x, int y) { return m_Canvas.At(x, y); }
    void Light(float strength, float gloss = 0.0f) { ZEShadeRelief(m_Canvas, m_aHeight, strength, true, gloss); }

    ZETexCanvas& m_Canvas;
    int m_iWidth;
    int m_iHeight;
    std::vector<float> m_aHeight;
};

uint32_t Seed(ZETexParams& params, int fallback)
{
    return static_cast<uint32_t>(params.Int("seed", fallback, 0, 1 << 30));
}

ZETexColor Tint(const ZETexColor& color, float brightness, float warmth)
{
    return {color.r * brightness * (1.0f + warmth), color.g * brightness, color.b * brightness * (1.0f - warmth)};
}

// Coverage of a band of `width` texels centred on `center` (texels), on a
// texture `period` texels wide, so a band at an edge shows on both sides.
float Band(float x, float center, float width, float period)
{
    return ZECoverage(std::fabs(ZEWrapDelta(x, center, period)) - width * 0.5f);
}

// Coverage of the dashes of a dashed line along v: the dash covers
// `fraction` of every repeat of `length` texels, centred in it, so no dash
// begins or ends at the texture's edge.
float Dash(float y, float length, float fraction)
{
    float along = ZEWrap(y, length) - length * (1.0f - fraction) * 0.5f;
    float end = length * fraction;
    return ZEClamp01(std::min(along + 0.5f, end - along + 0.5f));
}

// Paint laid over the surface: worn by noise so the ground shows through
// in places, and raised a little.
void PaintMarking(Surface& surface, int x, int y, float coverage, const ZETexColor& paint, float wear,
                  const TileNoise& noise)
{
    if (coverage <= 0.0f)
        return;
    float worn = ZESmoothStep(wear - 0.12f, wear + 0.12f, noise(x + 0.5f, y + 0.5f, 3));
    float amount = coverage * (1.0f - 0.85f * worn);
    surface.Color(x, y) = ZEMix(surface.Color(x, y), paint * (0.92f + 0.1f * noise(x * 3.0f, y * 3.0f)), amount);
    surface.Height(x, y) += 0.4f * amount;
}

// --- Asphalt --------------------------------------------------------------------

// Bitumen with light and dark aggregate, fine grain, stains and a few
// cracks; optionally with lane markings (edge lines and centre dashes).
bool PaintAsphalt(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor base = params.Color("color", {0.29f, 0.29f, 0.31f});
    ZETexColor stone = params.Color("stone_color", {0.42f, 0.41f, 0.40f});
    int stones = params.Int("stones", 64, 4, 256);
    float stoneAmount = params.Float("stone_amount", 0.45f, 0.0f, 1.0f);
    float stains = params.Float("stains", 0.15f, 0.0f, 1.0f);
    float cracks = params.Float("cracks", 0.3f, 0.0f, 1.0f);
    float relief = params.Float("relief", 0.8f, 0.0f, 8.0f);
    std::string lines = params.Text("lines", "none");
    ZETexColor paint = params.Color("line_color", {0.92f, 0.91f, 0.86f});
    float edge = params.Float("edge_line", 0.05f, 0.0f, 0.5f);
    float lineWidth = params.Float("line_width", 5.0f, 1.0f, 64.0f);
    float dash = params.Float("dash", 0.5f, 0.05f, 1.0f);
    float wear = params.Float("wear", 0.75f, 0.0f, 1.2f);
    uint32_t seed = Seed(params, 11);
    if (lines != "none" && lines != "lanes")
        params.Fail("lines", "is \"none\" or \"lanes\"");
    if (params.HasError())
        return false;

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    TileNoise tone(seed, 4, w, h), grain(seed + 1, 64, w, h), stain(seed + 2, 3, w, h), crack(seed + 3, 5, w, h),
        crackZone(seed + 4, 3, w, h), paintWear(seed + 5, 32, w, h);
    TileCells coarse(seed + 6, stones, w, h), fine(seed + 7, stones * 2, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            ZETexColor color = base * (1.0f + 0.22f * tone.Signed(px, py, 3) + 0.18f * grain.Signed(px, py, 2));
            float height = 0.3f * grain(px, py, 2);

            ZETexCells::Hit big = coarse(px, py), small = fine(px, py);
            float bigStone = ZESmoothStep(0.06f, 0.22f, big.m_fSecond - big.m_fNearest) *
                             (big.m_fRandom < stoneAmount ? 1.0f : 0.0f);
            float smallStone = ZESmoothStep(0.08f, 0.2f, small.m_fSecond - small.m_fNearest) *
                               (small.m_fRandom < stoneAmount * 0.8f ? 1.0f : 0.0f);
            float pick = ZEHash01(big.m_ulCell, 3, seed);
            ZETexColor bigColor = Tint(stone, 0.65f + 0.5f * pick, (ZEHash01(big.m_ulCell, 5, seed) - 0.5f) * 0.12f);
            ZETexColor smallColor = Tint(stone, 0.6f + 0.5f * ZEHash01(small.m_ulCell, 7, seed), 0.0f);
            color = ZEMix(color, smallColor, smallStone * 0.5f);
            color = ZEMix(color, bigColor, bigStone * 0.7f);
            height += smallStone * 0.4f + bigStone * (0.5f + 0.5f * (big.m_fSecond - big.m_fNearest));

            float blot = ZESmoothStep(0.55f, 0.75f, stain(px, py, 3));
            color = color * (1.0f - 0.35f * stains * blot);

            float ridge = std::fabs(crack(px, py, 4) - 0.5f);
            float crackLine = (1.0f - ZESmoothStep(0.004f, 0.014f, ridge)) *
                              ZESmoothStep(0.55f, 0.7f, crackZone(px, py, 2)) * cracks;
            color = color * (1.0f - 0.6f * crackLine);
            height -= 1.5f * crackLine;

            surface.Color(x, y) = color;
            surface.Height(x, y) = height;

            if (lines == "lanes")
            {
                float across = Band(px, edge * w, lineWidth, float(w)) + Band(px, (1.0f - edge) * w, lineWidth, float(w));
                across += Band(px, 0.5f * w, lineWidth, float(w)) * Dash(py, float(h), dash);
                PaintMarking(surface, x, y, ZEClamp01(across), paint, wear, paintWear);
            }
        }
    surface.Light(relief);
    return true;
}

// --- Grass ----------------------------------------------------------------------

// Soil-dark ground under thousands of short blades in mixed greens, with
// lighter and drier patches.
bool PaintGrass(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor dark = params.Color("dark", {0.13f, 0.24f, 0.07f});
    ZETexColor light = params.Color("light", {0.40f, 0.58f, 0.18f});
    ZETexColor dry = params.Color("dry", {0.62f, 0.60f, 0.30f});
    float dryness = params.Float("dryness", 0.3f, 0.0f, 1.0f);
    float density = params.Float("density", 0.45f, 0.01f, 4.0f);
    float bladeLength = params.Float("blade_length", 7.0f, 1.0f, 32.0f);
    float relief = params.Float("relief", 0.9f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 21);

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    TileNoise patch(seed, 4, w, h), dryPatch(seed + 1, 3, w, h), grain(seed + 2, 64, w, h);
    auto patchLight = [&](float x, float y) { return ZESmoothStep(0.3f, 0.7f, patch(x, y, 3)); };
    auto patchDry = [&](float x, float y) { return dryness * ZESmoothStep(0.5f, 0.75f, dryPatch(x, y, 3)); };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            ZETexColor ground = ZEMix(dark, light, 0.25f * patchLight(px, py)) * (0.55f + 0.25f * grain(px, py, 2));
            surface.Color(x, y) = ZEMix(ground, dry * 0.5f, patchDry(px, py));
            surface.Height(x, y) = 0.0f;
        }

    ZETexRandom random(seed + 3);
    const int blades = static_cast<int>(density * w * h / 4.0f);
    for (int blade = 0; blade < blades; ++blade)
    {
        float bx = random.Unit() * w, by = random.Unit() * h;
        float angle = random.Unit() * 2.0f * kZETexPi;
        float length = bladeLength * (0.5f + random.Unit());
        float ex = bx + std::cos(angle) * length, ey = by + std::sin(angle) * length;
        float shade = random.Unit();
        ZETexColor color = ZEMix(dark, light, 0.35f + 0.65f * shade * (0.5f + 0.5f * patchLight(bx, by)));
        color = ZEMix(color, dry, patchDry(bx, by) * (0.5f + 0.5f * random.Unit()));
        float lift = 0.6f + 0.8f * random.Unit();
        int left = static_cast<int>(std::floor(std::min(bx, ex) - 1.5f));
        int right = static_cast<int>(std::ceil(std::max(bx, ex) + 1.5f));
        int top = static_cast<int>(std::floor(std::min(by, ey) - 1.5f));
        int bottom = static_cast<int>(std::ceil(std::max(by, ey) + 1.5f));
        for (int ty = top; ty <= bottom; ++ty)
            for (int tx = left; tx <= right; ++tx)
            {
                float px = tx + 0.5f, py = ty + 0.5f;
                float dx = ex - bx, dy = ey - by;
                float along = ZEClamp01(((px - bx) * dx + (py - by) * dy) / (dx * dx + dy * dy));
                // Wide at the root, thin at the tip.
                float coverage = ZECoverage(ZESdSegment(px, py, bx, by, ex, ey, 0.75f * (1.0f - 0.6f * along)));
                if (coverage <= 0.0f)
                    continue;
                int wx = ((tx % w) + w) % w, wy = ((ty % h) + h) % h;
                ZETexColor tipColor = color * (0.8f + 0.45f * along);
                surface.Color(wx, wy) = ZEMix(surface.Color(wx, wy), tipColor, coverage);
                float& height = surface.Height(wx, wy);
                height = std::max(height, coverage * lift * (0.5f + along));
            }
    }
    surface.Light(relief);
    return true;
}

// --- Sand -----------------------------------------------------------------------

// Wind ripples across a warm sand with fine light and dark grains.
bool PaintSand(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor base = params.Color("color", {0.82f, 0.69f, 0.47f});
    int ripples = params.Int("ripples", 9, 0, 64);
    float rippleHeight = params.Float("ripple_height", 1.4f, 0.0f, 8.0f);
    float warp = params.Float("warp", 1.6f, 0.0f, 8.0f);
    float grains = params.Float("grains", 0.35f, 0.0f, 1.0f);
    float relief = params.Float("relief", 1.0f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 31);

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    TileNoise tone(seed, 3, w, h), bend(seed + 1, 3, w, h), grain(seed + 2, 128, w, h), shift(seed + 3, 6, w, h);
    TileCells specks(seed + 4, 96, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            // A whole number of ripples down the texture keeps it periodic.
            float phase = py / h * ripples + warp * bend.Signed(px, py, 3);
            float wave = 0.5f + 0.5f * std::sin(2.0f * kZETexPi * phase);
            // Steep lee side, long gentle windward side.
            float ripple = std::pow(wave, 1.6f) * (0.6f + 0.8f * shift(px, py, 2));
            ZETexColor color = base * (1.0f + 0.14f * tone.Signed(px, py, 3) + 0.1f * grain.Signed(px, py, 1));
            color = Tint(color, 1.0f, 0.06f * tone.Signed(px * 2.0f, py * 2.0f, 2));
            ZETexCells::Hit speck = specks(px, py);
            float dot = (1.0f - ZESmoothStep(0.12f, 0.22f, speck.m_fNearest)) * grains;
            color = ZEMix(color, speck.m_fRandom < 0.5f ? color * 0.55f : color * 1.25f, dot);
            surface.Color(x, y) = color;
            surface.Height(x, y) = ripple * rippleHeight + 0.2f * grain(px, py, 1);
        }
    surface.Light(relief);
    return true;
}

// --- Concrete and runway --------------------------------------------------------------

struct ConcreteStyle
{
    ZETexColor m_Color;
    float m_fBlotches = 0.1f;
    float m_fPores = 0.5f;
    int m_iSlabsAcross = 1;
    int m_iSlabsDown = 1;
    float m_fJoint = 2.0f;
};

// Concrete: blotchy tone, grain, small pores and dark slab joints. The
// joints lie half a slab in from the texture's edges, so the edges pass
// through plain concrete and filtering never smears a joint.
void PaintConcreteBase(Surface& surface, const ConcreteStyle& style, uint32_t seed)
{
    const int w = surface.m_iWidth, h = surface.m_iHeight;
    TileNoise blotch(seed, 4, w, h), mottle(seed + 1, 16, w, h), grain(seed + 2, 128, w, h), streak(seed + 3, 8, w, h);
    TileCells pores(seed + 4, 48, w, h);
    const float slabW = float(w) / std::max(1, style.m_iSlabsAcross);
    const float slabH = float(h) / std::max(1, style.m_iSlabsDown);
    for (int y = 0; y < surface.m_iHeight; ++y)
        for (int x = 0; x < surface.m_iWidth; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            float slabTone = 0.05f * (ZEHash01(static_cast<uint32_t>(ZEWrap(px + slabW * 0.5f, float(w)) / slabW),
                                               static_cast<uint32_t>(ZEWrap(py + slabH * 0.5f, float(h)) / slabH), seed) -
                                      0.5f);
            ZETexColor color = style.m_Color * (1.0f + slabTone + 2.0f * style.m_fBlotches * blotch.Signed(px, py, 3) +
                                                0.07f * mottle.Signed(px, py, 2) + 0.09f * grain.Signed(px, py, 1));
            color = Tint(color, 1.0f, 0.04f * streak.Signed(px, py, 2));
            float height = 0.25f * grain(px, py, 1) + 0.3f * mottle(px, py, 1);
            ZETexCells::Hit pore = pores(px, py);
            float pit = (1.0f - ZESmoothStep(0.06f, 0.16f, pore.m_fNearest)) * (pore.m_fRandom < style.m_fPores);
            color = color * (1.0f - 0.35f * pit);
            height -= 0.8f * pit;
            if (style.m_iSlabsAcross > 0 && style.m_iSlabsDown > 0)
            {
                float jx = std::fabs(ZEWrapDelta(px, slabW * 0.5f, slabW)), jy = std::fabs(ZEWrapDelta(py, slabH * 0.5f, slabH));
                float joint = ZECoverage(std::min(jx, jy) - style.m_fJoint * 0.5f);
                float near = 1.0f - ZESmoothStep(style.m_fJoint * 0.5f, style.m_fJoint * 0.5f + 3.0f, std::min(jx, jy));
                color = color * (1.0f - 0.4f * joint - 0.06f * near);
                height -= 1.2f * joint;
            }
            surface.Color(x, y) = color;
            surface.Height(x, y) = height;
        }
}

ConcreteStyle ReadConcrete(ZETexParams& params, const ZETexColor& color, int slabsAcross, int slabsDown)
{
    ConcreteStyle style;
    style.m_Color = params.Color("color", color);
    style.m_fBlotches = params.Float("blotches", 0.1f, 0.0f, 0.5f);
    style.m_fPores = params.Float("pores", 0.5f, 0.0f, 1.0f);
    style.m_iSlabsAcross = params.Int("slabs_across", slabsAcross, 0, 64);
    style.m_iSlabsDown = params.Int("slabs_down", slabsDown, 0, 64);
    style.m_fJoint = params.Float("joint", 1.5f, 0.5f, 16.0f);
    return style;
}

bool PaintConcrete(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ConcreteStyle style = ReadConcrete(params, {0.60f, 0.60f, 0.58f}, 1, 1);
    float relief = params.Float("relief", 1.0f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 41);
    Surface surface(canvas);
    PaintConcreteBase(surface, style, seed);
    surface.Light(relief);
    return true;
}

// A runway: concrete slabs with dark tyre rubber along the wheel tracks,
// white centre dashes and edge stripes.
bool PaintRunway(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ConcreteStyle style = ReadConcrete(params, {0.47f, 0.48f, 0.47f}, 4, 2);
    float rubber = params.Float("rubber", 0.45f, 0.0f, 1.0f);
    ZETexColor paint = params.Color("line_color", {0.93f, 0.93f, 0.90f});
    float centreWidth = params.Float("centre_width", 8.0f, 1.0f, 64.0f);
    float edgeWidth = params.Float("edge_width", 4.0f, 1.0f, 64.0f);
    float edge = params.Float("edge_line", 0.04f, 0.0f, 0.5f);
    float dash = params.Float("dash", 0.55f, 0.05f, 1.0f);
    float wear = params.Float("wear", 0.8f, 0.0f, 1.2f);
    float relief = params.Float("relief", 1.0f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 51);

    Surface surface(canvas);
    PaintConcreteBase(surface, style, seed);
    const int w = canvas.Width(), h = canvas.Height();
    TileNoise streaks(seed + 10, 64, w, h), along(seed + 11, 4, w, h), paintWear(seed + 12, 32, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f, u = px / w;
            // Wheel tracks either side of the centre line.
            float track = std::exp(-std::pow((std::fabs(u - 0.5f) - 0.16f) / 0.09f, 2.0f));
            // Streaks along v: a function of x, varied slowly along y.
            float streak = streaks(px, 7.5f * h / 64.0f, 2) * (0.6f + 0.8f * along(13.0f, py, 2));
            float dark = rubber * track * ZEClamp01(streak * 1.4f - 0.2f);
            surface.Color(x, y) = surface.Color(x, y) * (1.0f - 0.7f * dark);

            float centre = Band(px, 0.5f * w, centreWidth, float(w)) * Dash(py, float(h), dash);
            float sides = Band(px, edge * w, edgeWidth, float(w)) + Band(px, (1.0f - edge) * w, edgeWidth, float(w));
            PaintMarking(surface, x, y, ZEClamp01(centre + sides), paint, wear, paintWear);
        }
    surface.Light(relief);
    return true;
}

// --- Brick ----------------------------------------------------------------------------

// Bricks in running bond: each brick its own colour, with rough chipped
// edges and a slight bevel, set in recessed sandy mortar. The courses are
// laid half a brick's height and a quarter of its length in from the
// texture's edges, which therefore cross bricks, not joints.
bool PaintBrick(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor brick = params.Color("color", {0.56f, 0.25f, 0.16f});
    ZETexColor mortar = params.Color("mortar", {0.66f, 0.63f, 0.57f});
    int rows = params.Int("rows", 8, 2, 128);
    int perRow = params.Int("per_row", 4, 1, 64);
    float joint = params.Float("joint", 3.0f, 0.5f, 16.0f);
    float variance = params.Float("variance", 0.25f, 0.0f, 1.0f);
    float relief = params.Float("relief", 1.2f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 61);
    if (rows % 2 != 0)
        params.Fail("rows", "must be even, so the half-brick offset repeats");
    if (params.HasError())
        return false;

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    const float brickW = float(w) / perRow, brickH = float(h) / rows;
    TileNoise rough(seed, 32, w, h), speck(seed + 1, 64, w, h), tone(seed + 2, 8, w, h), sand(seed + 3, 128, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            float wallY = ZEWrap(py + brickH * 0.5f, float(h));
            int row = static_cast<int>(wallY / brickH);
            float shifted = ZEWrap(px + brickW * 0.25f + (row % 2 ? brickW * 0.5f : 0.0f), float(w));
            int column = static_cast<int>(shifted / brickW) % perRow;
            float lx = shifted - column * brickW, ly = wallY - row * brickH;
            float inside = std::min(std::min(lx, brickW - lx), std::min(ly, brickH - ly)) - joint * 0.5f;
            inside += 1.6f * rough.Signed(px, py, 2);

            uint32_t id = static_cast<uint32_t>(row * perRow + column);
            float pick = ZEHash01(id, 1, seed), hue = ZEHash01(id, 2, seed) - 0.5f;
            ZETexColor own = Tint(brick, 1.0f + variance * (pick - 0.5f) * 1.4f, hue * variance * 0.5f);
            // A darker burnt end on some bricks.
            float burnt = ZEHash01(id, 3, seed) < 0.25f ? ZESmoothStep(0.5f, 1.0f, lx / brickW) : 0.0f;
            own = own * (1.0f - 0.3f * burnt + 0.14f * tone.Signed(px, py, 2) + 0.16f * speck.Signed(px, py, 1));

            float face = ZESmoothStep(0.0f, 1.2f, inside);
            ZETexColor joints = mortar * (0.9f + 0.2f * sand(px, py, 1)) * (0.75f + 0.25f * ZEClamp01(-inside / 2.0f));
            surface.Color(x, y) = ZEMix(joints, own, face);
            surface.Height(x, y) = 2.2f * ZESmoothStep(0.0f, 2.5f, inside) + 0.25f * speck(px, py, 1) * face +
                                   0.2f * sand(px, py, 1) * (1.0f - face);
        }
    surface.Light(relief);
    return true;
}

// --- Roof tiles --------------------------------------------------------------------------

// Clay tiles in overlapping rows: each row's rounded tails lie on the row
// below and shade it; tiles curve across and vary in colour, with some
// weathering.
bool PaintRoof(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor clay = params.Color("color", {0.62f, 0.27f, 0.15f});
    ZETexColor moss = params.Color("moss", {0.35f, 0.37f, 0.22f});
    int rows = params.Int("rows", 8, 2, 64);
    int perRow = params.Int("per_row", 8, 1, 64);
    float tail = params.Float("tail", 0.35f, 0.0f, 0.9f);
    float weathering = params.Float("weathering", 0.35f, 0.0f, 1.0f);
    float relief = params.Float("relief", 1.0f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 71);
    if (rows % 2 != 0)
        params.Fail("rows", "must be even, so the half-tile offset repeats");
    if (params.HasError())
        return false;

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    const float tileW = float(w) / perRow, rowH = float(h) / rows;
    TileNoise dirt(seed, 8, w, h), speck(seed + 1, 64, w, h), mossPatch(seed + 2, 6, w, h);

    // The tile of row `row` under (px, py): its column and local position.
    struct TileHit
    {
        int m_iRow, m_iColumn;
        float m_fX, m_fY, m_fEdge;
    };
    auto tileAt = [&](float px, float py, int row) {
        int wrapped = ((row % rows) + rows) % rows;
        float shifted = ZEWrap(px + (wrapped % 2 ? tileW * 0.5f : 0.0f), float(w));
        int column = static_cast<int>(shifted / tileW) % perRow;
        float lx = shifted - column * tileW;
        // The rounded tail reaches below the row's lower line by up to
        // tail x row height at the tile's middle.
        float across = (lx / tileW) * 2.0f - 1.0f;
        float reach = tail * rowH * std::sqrt(std::max(0.0f, 1.0f - across * across));
        float ly = py - row * rowH;
        return TileHit{wrapped, column, lx, ly, rowH + reach - ly};
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            int row = static_cast<int>(py / rowH);
            // The tail of the row above lies on top of this row's tiles.
            TileHit above = tileAt(px, py, row - 1);
            TileHit hit = above.m_fEdge > 0.0f ? above : tileAt(px, py, row);

            uint32_t id = static_cast<uint32_t>(hit.m_iRow * perRow + hit.m_iColumn);
            float across = hit.m_fX / tileW;
            float curve = std::sin(kZETexPi * across);
            ZETexColor own = Tint(clay, 0.8f + 0.35f * ZEHash01(id, 1, seed), (ZEHash01(id, 2, seed) - 0.5f) * 0.2f);
            own = own * (0.85f + 0.15f * curve + 0.12f * speck.Signed(px, py, 1));
            float grime = weathering * ZEClamp01(dirt(px, py, 3) * 1.6f - 0.55f);
            own = ZEMix(own, own * 0.55f, grime);
            float mossy = weathering * ZESmoothStep(0.62f, 0.8f, mossPatch(px, py, 3)) * (0.5f + speck(px, py, 1));
            own = ZEMix(own, moss, ZEClamp01(mossy));
            // Gaps between neighbouring tiles.
            float side = std::min(hit.m_fX, tileW - hit.m_fX);
            float gap = 1.0f - ZESmoothStep(0.3f, 1.6f, side);
            own = own * (1.0f - 0.6f * gap);
            // The shadow the tail above casts just below its edge.
            float shade = above.m_fEdge > 0.0f ? 0.0f : 1.0f - ZESmoothStep(0.0f, rowH * 0.28f, -above.m_fEdge);
            own = own * (1.0f - 0.45f * shade);

            surface.Color(x, y) = own;
            // Each tile rises toward its tail, where it rests on the next row.
            float rise = ZEClamp01(hit.m_fY / (rowH * (1.0f + tail)));
            surface.Height(x, y) = 3.0f * rise + 1.2f * curve - 1.2f * gap;
        }
    surface.Light(relief);
    return true;
}

// --- Railway track -----------------------------------------------------------------------

// Two steel rails along v on wooden sleepers bedded in grey ballast; the
// rails' polished tops catch the light and they cast a shadow.
bool PaintRail(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor ballast = params.Color("ballast", {0.45f, 0.43f, 0.40f});
    ZETexColor wood = params.Color("wood", {0.33f, 0.24f, 0.17f});
    ZETexColor steel = params.Color("steel", {0.78f, 0.78f, 0.80f});
    ZETexColor rust = params.Color("rust", {0.40f, 0.25f, 0.16f});
    int sleepers = params.Int("sleepers", 4, 1, 64);
    float sleeperWidth = params.Float("sleeper_width", 0.5f, 0.1f, 0.9f);
    float sleeperLength = params.Float("sleeper_length", 0.78f, 0.2f, 1.0f);
    float gauge = params.Float("gauge", 0.42f, 0.1f, 0.9f);
    float railWidth = params.Float("rail_width", 12.0f, 2.0f, 64.0f);
    float relief = params.Float("relief", 1.0f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 81);

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    const float pitch = float(h) / sleepers;
    TileCells stones(seed, 40, w, h, 1.0f);
    TileNoise tone(seed + 1, 4, w, h), grainNoise(seed + 2, 16, w, h), fine(seed + 3, 128, w, h),
        rustNoise(seed + 4, 32, w, h);
    const float railsX[2] = {(0.5f - gauge * 0.5f) * w, (0.5f + gauge * 0.5f) * w};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            // Ballast: angular stones with dark gaps.
            ZETexCells::Hit stone = stones(px, py);
            float body = ZESmoothStep(0.02f, 0.12f, stone.m_fSecond - stone.m_fNearest);
            ZETexColor color = Tint(ballast, 0.7f + 0.5f * stone.m_fRandom, (ZEHash01(stone.m_ulCell, 9, seed) - 0.5f) * 0.2f);
            color = color * (0.35f + 0.65f * body) * (1.0f + 0.15f * tone.Signed(px, py, 2) + 0.18f * fine.Signed(px, py, 1));
            float height = body * (0.6f + 1.2f * (stone.m_fSecond - stone.m_fNearest)) + 0.3f * fine(px, py, 1);

            // Sleepers across, centred in each pitch.
            float local = ZEWrap(py, pitch) - pitch * 0.5f;
            float sleeperInside = std::min(pitch * sleeperWidth * 0.5f - std::fabs(local),
                                           w * sleeperLength * 0.5f - std::fabs(px - w * 0.5f));
            float sleeper = ZECoverage(-sleeperInside);
            if (sleeper > 0.0f)
            {
                int index = static_cast<int>(py / pitch);
                float grain = 0.5f + 0.5f * std::sin((local * 0.7f + 5.0f * grainNoise.Signed(px * 0.25f, py, 3)) * 2.0f);
                ZETexColor timber = Tint(wood, 0.8f + 0.3f * ZEHash01(index, 4, seed), 0.0f);
                timber = timber * (0.85f + 0.15f * grain + 0.12f * fine.Signed(px, py, 1));
                // Weathered grey toward the ends.
                float end = ZESmoothStep(0.25f, 0.5f, std::fabs(px / w - 0.5f) / sleeperLength);
                timber = ZEMix(timber, ZETexColor{0.36f, 0.34f, 0.31f}, 0.4f * end);
                color = ZEMix(color, timber, sleeper);
                height += (3.0f + 0.3f * grain - height) * sleeper;
            }

            for (float railX : railsX)
            {
                float offset = px - railX;
                // Base plate on each sleeper, the rail's foot, then its head.
                float plate = ZECoverage(std::max(std::fabs(offset) - railWidth * 1.3f,
                                                  std::fabs(local) - pitch * sleeperWidth * 0.42f));
                color = ZEMix(color, ZETexColor{0.22f, 0.21f, 0.2f} * (0.9f + 0.2f * fine(px, py, 1)), plate);
                height += plate * 0.6f;
                float foot = ZECoverage(std::fabs(offset) - railWidth * 0.85f);
                float head = ZECoverage(std::fabs(offset) - railWidth * 0.5f);
                ZETexColor footColor = rust * (0.8f + 0.4f * rustNoise(px, py, 2));
                color = ZEMix(color, footColor, foot);
                float polish = std::exp(-std::pow(offset / (railWidth * 0.22f), 2.0f));
                ZETexColor headColor = ZEMix(ZETexColor{0.36f, 0.34f, 0.33f}, steel, 0.2f + 0.8f * polish);
                color = ZEMix(color, headColor, head);
                height = std::max(height, foot * 4.0f + head * 3.0f);
                // Shadow to the lower right, away from the light.
                float shadow = ZEClamp01((offset - railWidth * 0.85f) / 5.0f);
                if (offset > railWidth * 0.85f && offset < railWidth * 0.85f + 6.0f)
                    color = color * (0.55f + 0.45f * shadow);
            }
            surface.Color(x, y) = color;
            surface.Height(x, y) = height;
        }
    surface.Light(relief, 0.25f);
    return true;
}

// --- Dirt ---------------------------------------------------------------------------------

// Packed earth with damp patches, small pebbles and dry cracks.
bool PaintDirt(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor base = params.Color("color", {0.45f, 0.33f, 0.22f});
    ZETexColor damp = params.Color("damp", {0.28f, 0.21f, 0.15f});
    ZETexColor pebble = params.Color("pebble", {0.60f, 0.55f, 0.48f});
    float pebbles = params.Float("pebbles", 0.4f, 0.0f, 1.0f);
    float cracks = params.Float("cracks", 0.4f, 0.0f, 1.0f);
    float relief = params.Float("relief", 1.1f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 91);

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    TileNoise wet(seed, 3, w, h), tone(seed + 1, 8, w, h), grain(seed + 2, 128, w, h), crack(seed + 3, 6, w, h),
        lumps(seed + 4, 32, w, h);
    TileCells stones(seed + 5, 24, w, h), grit(seed + 6, 80, w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            float wetness = ZESmoothStep(0.45f, 0.75f, wet(px, py, 3));
            ZETexColor color = ZEMix(base, damp, wetness * 0.8f);
            color = color * (1.0f + 0.2f * tone.Signed(px, py, 3) + 0.16f * grain.Signed(px, py, 1));
            color = Tint(color, 1.0f, 0.08f * tone.Signed(px * 1.7f, py * 1.7f, 2));
            float height = 1.2f * lumps(px, py, 2) + 0.3f * grain(px, py, 1);

            ZETexCells::Hit small = grit(px, py);
            float gritDot = (1.0f - ZESmoothStep(0.1f, 0.2f, small.m_fNearest)) * (small.m_fRandom < 0.5f);
            color = ZEMix(color, small.m_fRandom < 0.25f ? color * 0.6f : color * 1.3f, gritDot * 0.7f);
            height += gritDot * 0.4f;

            // Pebbles: shrunken cells, so they come out angular and of
            // every size.
            ZETexCells::Hit stone = stones(px, py);
            float edge = stone.m_fSecond - stone.m_fNearest;
            float threshold = 0.45f + 0.3f * ZEHash01(stone.m_ulCell, 1, seed);
            if (stone.m_fRandom < pebbles && edge > threshold - 0.05f)
            {
                float cover = ZESmoothStep(threshold - 0.05f, threshold + 0.03f, edge);
                float dome = std::sqrt(ZEClamp01((edge - threshold + 0.05f) * 4.0f));
                ZETexColor own = Tint(ZEMix(pebble, base, 0.3f), 0.7f + 0.45f * ZEHash01(stone.m_ulCell, 2, seed),
                                      (ZEHash01(stone.m_ulCell, 3, seed) - 0.5f) * 0.25f);
                color = ZEMix(color, own * (0.9f + 0.15f * grain(px, py, 1)), cover);
                height += 1.6f * dome * cover;
            }

            float ridge = std::fabs(crack(px, py, 4) - 0.5f);
            float crackLine = (1.0f - ZESmoothStep(0.005f, 0.016f, ridge)) * (1.0f - wetness) * cracks;
            color = color * (1.0f - 0.55f * crackLine);
            height -= 1.2f * crackLine;
            surface.Color(x, y) = color;
            surface.Height(x, y) = height;
        }
    surface.Light(relief);
    return true;
}

// --- Water -----------------------------------------------------------------------------

// Overlapping ripples: deep colour in the troughs, lighter crests and
// white glints where the surface faces the light.
bool PaintWater(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor deep = params.Color("deep", {0.06f, 0.22f, 0.30f});
    ZETexColor shallow = params.Color("shallow", {0.18f, 0.45f, 0.50f});
    int waves = params.Int("waves", 6, 1, 32);
    float choppiness = params.Float("choppiness", 0.5f, 0.0f, 2.0f);
    float glints = params.Float("glints", 0.8f, 0.0f, 4.0f);
    float relief = params.Float("relief", 2.0f, 0.0f, 8.0f);
    uint32_t seed = Seed(params, 101);

    Surface surface(canvas);
    const int w = canvas.Width(), h = canvas.Height();
    struct Wave
    {
        int m_iKx, m_iKy;
        float m_fPhase, m_fAmplitude;
    };
    std::vector<Wave> train;
    ZETexRandom random(seed);
    for (int i = 0; i < waves; ++i)
    {
        // Whole numbers of waves across the texture keep it periodic.
        int kx = static_cast<int>(random.Next() % 7) - 3, ky = 1 + static_cast<int>(random.Next() % 5);
        train.push_back({kx, ky, random.Unit() * 2.0f * kZETexPi, 1.0f / (1.0f + 0.6f * i)});
    }
    TileNoise chop(seed + 1, 16, w, h), warp(seed + 2, 4, w, h), tone(seed + 3, 3, w, h);
    float total = 0.0f;
    for (const Wave& wave : train)
        total += wave.m_fAmplitude;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
        {
            float px = x + 0.5f, py = y + 0.5f;
            float bend = 0.6f * warp.Signed(px, py, 2);
            float height = 0.0f;
            for (const Wave& wave : train)
            {
                float phase = 2.0f * kZETexPi * (wave.m_iKx * px / w + wave.m_iKy * py / h) + wave.m_fPhase + 4.0f * bend;
                // Sharpened crests.
                height += wave.m_fAmplitude * (1.0f - std::fabs(std::sin(phase * 0.5f)));
            }
            height = height / total + choppiness * 0.4f * chop.Signed(px, py, 3);
            ZETexColor color = ZEMix(deep, shallow, ZEClamp01(height * 1.1f - 0.1f));
            color = color * (1.0f + 0.15f * tone.Signed(px, py, 2));
            surface.Color(x, y) = color;
            surface.Height(x, y) = height * 3.0f;
        }
    surface.Light(relief, glints);
    return true;
}
}

void ZERegisterSurfaceFamily(ZETexPainters& painters)
{
    painters.Add("asphalt", PaintAsphalt,
                 "tileable asphalt with aggregate, stains and cracks, optionally lane markings; color, stone_color, "
                 "stones, stone_amount, stains, cracks, relief, lines (none/lanes), line_color, edge_line, "
                 "line_width, dash, wear, seed");
    painters.Add("grass", PaintGrass,
                 "tileable grass of short blades with light and dry patches; dark, light, dry, dryness, density, "
                 "blade_length, relief, seed");
    painters.Add("sand", PaintSand,
                 "tileable sand with wind ripples and grains; color, ripples, ripple_height, warp, grains, relief, seed");
    painters.Add("concrete", PaintConcrete,
                 "tileable concrete with blotches, pores and slab joints; color, blotches, pores, slabs_across, "
                 "slabs_down, joint, relief, seed");
    painters.Add("runway", PaintRunway,
                 "tileable runway: concrete slabs, tyre rubber, centre dashes and edge stripes; color, blotches, pores, "
                 "slabs_across, slabs_down, joint, rubber, line_color, centre_width, edge_width, edge_line, dash, "
                 "wear, relief, seed");
    painters.Add("brick", PaintBrick,
                 "tileable brick wall in running bond; color, mortar, rows (even), per_row, joint, variance, relief, "
                 "seed");
    painters.Add("roof", PaintRoof,
                 "tileable clay roof tiles in overlapping rows; color, moss, rows (even), per_row, tail, weathering, "
                 "relief, seed");
    painters.Add("rail", PaintRail,
                 "tileable railway track along v: rails, sleepers, ballast; ballast, wood, steel, rust, sleepers, "
                 "sleeper_width, sleeper_length, gauge, rail_width, relief, seed");
    painters.Add("dirt", PaintDirt,
                 "tileable earth with damp patches, pebbles and cracks; color, damp, pebble, pebbles, cracks, relief, "
                 "seed");
    painters.Add("water", PaintWater,
                 "tileable water ripples with crests and glints; deep, shallow, waves, choppiness, glints, relief, seed");
}
