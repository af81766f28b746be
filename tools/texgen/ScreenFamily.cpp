// The screen family: pictures shown over the whole screen or large parts
// of it: the menu background, the game's logo and the track previews.
//
// Each picture is stretched by the game over a screen rectangle whose
// proportions differ from the texture's (a 1024 x 512 menu background
// fills a 4:3 screen). Painters therefore work in screen units: x from 0 to
// "aspect" (the rectangle's width over its height as shown), y from 0 at
// the top to 1 at the bottom, and text is widened or narrowed by the same
// factor, so circles and lettering come out right on the screen.
//
// Scenes are painted by a per-sample function (several samples a texel,
// so hard-edged shapes are anti-aliased), then text is laid over them as
// masks: a glow, a soft shadow, a dark outline and the letters filled with
// a vertical gradient and a bright bevel along their top edges.
//
// "menuback": a sunset over a race track seen from the start line, the
// kerbs and centre line running to the horizon, the game's name over the
// sun, and a light, calm panel where the game writes its menu items in
// blue and red. "logo": the name on a dark banner with speed streaks and a
// chequered flag. "preview": the track's name written across a picture of
// the track ("picture", a TGA rendered from its map, of the shape the
// preview is shown in) or, without one, across a small landscape for the
// track ("theme").
#include "ZETexArt.h"

#include <algorithm>
#include <cmath>

namespace
{
const char* const kTitleFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans-BoldOblique.ttf";

struct Frame
{
    float m_fAspect;   // screen units across
    int m_iWidth;
    int m_iHeight;

    float X(float texelX) const { return texelX / m_iWidth * m_fAspect; }
    float Y(float texelY) const { return texelY / m_iHeight; }
    float TexelX(float x) const { return x / m_fAspect * m_iWidth; }
    float TexelY(float y) const { return y * m_iHeight; }
    // How much wider a texel is than high on the screen; text is
    // stretched by the inverse.
    float TextStretch() const { return m_iWidth / (m_fAspect * m_iHeight); }
    // Coverage of a shape from its distance in screen units (one texel
    // of smoothing, taken vertically).
    float Cover(float distance) const { return ZECoverage(distance * m_iHeight); }
};

// Runs `scene(x, y)` in screen units over the canvas.
template <typename Scene>
void PaintScene(ZETexCanvas& canvas, const Frame& frame, int samples, Scene scene)
{
    canvas.Shade(samples, [&](float cx, float cy) {
        return scene((cx + 1.0f) * 0.5f * frame.m_fAspect, (cy + 1.0f) * 0.5f);
    });
}

// A vertical gradient through three colours (the middle one at `middle`).
ZETexColor Gradient3(const ZETexColor& top, const ZETexColor& middle, const ZETexColor& bottom, float middleAt, float t)
{
    if (t < middleAt)
        return ZEMix(top, middle, ZESmoothStep(0.0f, 1.0f, t / std::max(middleAt, 1e-4f)));
    return ZEMix(middle, bottom, ZESmoothStep(0.0f, 1.0f, (t - middleAt) / std::max(1.0f - middleAt, 1e-4f)));
}

// A ridge line: the height of hills at x, from fractal noise.
float Ridge(const ZETexNoise& noise, float x, float row, float frequency, int octaves = 4)
{
    return noise.Fractal(x * frequency + 3.0f, row, octaves);
}

// --- Titles ------------------------------------------------------------------------

struct TitleStyle
{
    std::string m_Face = kTitleFace;
    float m_fEm = 100.0f;       // texels
    float m_fStretch = 1.0f;
    float m_fSlant = 0.0f;
    float m_fTracking = 0.02f;
    float m_fOutline = 4.0f;
    int m_iShadow = 5;
    ZETexColor m_Top{1.0f, 0.97f, 0.8f};
    ZETexColor m_Middle{1.0f, 0.65f, 0.1f};
    ZETexColor m_Bottom{0.8f, 0.12f, 0.05f};
    ZETexColor m_Rim{0.08f, 0.04f, 0.06f};
    ZETexColor m_Glow{1.0f, 0.5f, 0.1f};
    float m_fGlow = 0.5f;
    int m_iStreaks = 0;         // speed streaks trailing to the left
    uint32_t m_ulSeed = 1;
    float m_fMaxWidth = 1e30f;  // texels the letters may span; larger text is made smaller
};

// The letters' box in texels, for layouts that need it.
struct TitleBox
{
    float m_fLeft, m_fTop, m_fRight, m_fBottom;
};

bool DrawTitle(ZETexCanvas& canvas, const std::string& text, float centerX, float centerY, const TitleStyle& style,
               std::string& error, TitleBox* box = nullptr)
{
    ZETexFont font;
    if (!font.Open(style.m_Face, error))
        return false;
    const int pad = static_cast<int>(std::ceil(style.m_fOutline)) + style.m_iShadow * 3 + 8;
    ZETexMask ink = font.Render(text, style.m_fEm, style.m_fStretch, style.m_fSlant, style.m_fTracking, pad);
    const float inkWidth = float(ink.m_iWidth - 2 * pad);
    if (inkWidth > style.m_fMaxWidth)
    {
        float fit = style.m_fMaxWidth / inkWidth;
        ink = font.Render(text, style.m_fEm * fit, style.m_fStretch, style.m_fSlant, style.m_fTracking, pad);
    }
    ZETexMask rim = ZEDilateMask(ink, style.m_fOutline);
    ZETexMask shadow = ZEBlurMask(rim, std::max(1, style.m_iShadow / 2));
    const int left = static_cast<int>(std::lround(centerX - ink.m_iWidth * 0.5f));
    const int top = static_cast<int>(std::lround(centerY - ink.m_iHeight * 0.5f));
    const float inkTop = float(top + pad), inkHeight = float(ink.m_iHeight - 2 * pad);
    if (box)
        *box = {float(left + pad), inkTop, float(left + ink.m_iWidth - pad), inkTop + inkHeight};

    if (style.m_iStreaks > 0)
    {
        // Speed streaks: thin lines leaving the letters toward the left.
        ZETexRandom random(style.m_ulSeed);
        ZETexMask streaks(ink.m_iWidth, ink.m_iHeight);
        for (int i = 0; i < style.m_iStreaks; ++i)
        {
            float y = pad + inkHeight * (0.12f + 0.76f * random.Unit());
            float length = ink.m_iWidth * (0.25f + 0.4f * random.Unit());
            float thickness = 1.0f + 2.5f * random.Unit();
            float start = pad + inkHeight * 0.25f * (1.0f - (y - pad) / inkHeight);
            for (int sy = static_cast<int>(y - thickness - 1); sy <= static_cast<int>(y + thickness + 1); ++sy)
                for (int sx = 0; sx < static_cast<int>(start + length) && sx < streaks.m_iWidth; ++sx)
                {
                    if (sy < 0 || sy >= streaks.m_iHeight)
                        continue;
                    float across = ZEClamp01(thickness * 0.5f + 0.5f - std::fabs(sy + 0.5f - y));
                    float along = ZEClamp01((sx - start) / length + 1.0f) * ZEClamp01((start + length - sx) / 12.0f);
                    float fade = sx < start ? 0.0f : ZEClamp01((sx - start) / length);
                    streaks.Ref(sx, sy) = std::max(streaks.At(sx, sy), across * along * fade);
                }
        }
        ZELayMask(canvas, ZEBlurMask(streaks, 1), left - static_cast<int>(inkHeight * 0.35f), top, style.m_Middle, 0.85f);
    }
    if (style.m_fGlow > 0.0f)
        ZELayMask(canvas, ZEBlurMask(ZEDilateMask(ink, style.m_fOutline * 2.0f), style.m_iShadow * 2), left, top,
                  style.m_Glow, style.m_fGlow);
    ZELayMask(canvas, shadow, left + style.m_iShadow, top + style.m_iShadow, ZETexColor{0.0f, 0.0f, 0.0f}, 0.75f);
    ZELayMask(canvas, rim, left, top, style.m_Rim);
    // The fill: a gradient with a sharp chrome break at the middle, and a
    // bevel: bright where the letter's top edge is, darker at its foot.
    const int bevel = std::max(1, static_cast<int>(style.m_fEm / 40.0f));
    ZELayMaskShaded(canvas, ink, left, top, [&](float x, float y) {
        float t = ZEClamp01((y + 0.5f - inkTop) / inkHeight);
        ZETexColor color = t < 0.5f ? ZEMix(style.m_Top, style.m_Middle, t / 0.5f)
                                    : ZEMix(style.m_Middle * 0.85f, style.m_Bottom, (t - 0.5f) / 0.5f);
        int mx = static_cast<int>(x) - left, my = static_cast<int>(y) - top;
        float above = ink.At(mx - bevel / 2, my - bevel * 2), below = ink.At(mx + bevel / 2, my + bevel * 2);
        color = ZEMix(color, ZETexColor{1.0f, 1.0f, 1.0f}, 0.7f * (1.0f - above));
        return ZEMix(color, color * 0.55f, 0.6f * (1.0f - below));
    });
    return true;
}

TitleStyle ReadTitle(ZETexParams& params, const Frame& frame, float defaultEm)
{
    TitleStyle style;
    style.m_Face = params.Text("face", kTitleFace);
    style.m_fEm = params.Float("title_size", defaultEm, 0.01f, 1.0f) * frame.m_iHeight;
    style.m_fStretch = frame.TextStretch() * params.Float("title_width", 1.0f, 0.3f, 3.0f);
    style.m_fSlant = params.Float("title_slant", 0.12f, -1.0f, 1.0f);
    style.m_fTracking = params.Float("title_tracking", 0.0f, -0.3f, 1.0f);
    style.m_fOutline = params.Float("outline", std::max(1.5f, style.m_fEm / 28.0f), 0.0f, 32.0f);
    style.m_iShadow = static_cast<int>(std::max(2.0f, style.m_fEm / 22.0f));
    style.m_Top = params.Color("title_top", style.m_Top);
    style.m_Middle = params.Color("title_middle", style.m_Middle);
    style.m_Bottom = params.Color("title_bottom", style.m_Bottom);
    style.m_Rim = params.Color("title_rim", style.m_Rim);
    style.m_Glow = params.Color("title_glow", style.m_Glow);
    style.m_fGlow = params.Float("glow", 0.5f, 0.0f, 1.0f);
    style.m_iStreaks = params.Int("streaks", 10, 0, 64);
    style.m_ulSeed = static_cast<uint32_t>(params.Int("seed", 3, 0, 1 << 30));
    style.m_fMaxWidth = params.Float("title_room", 0.9f, 0.1f, 1.0f) * frame.m_iWidth;
    return style;
}

// --- Scenery shared by the pictures ------------------------------------------------------

// A race track from the start line: asphalt between red and white kerbs,
// a dashed centre line, grass beyond, all converging on (vanishX,
// horizon). Returns false above the horizon.
struct Track
{
    float m_fVanishX, m_fHorizon, m_fHalfWidth, m_fKerb;
    ZETexColor m_Asphalt, m_Grass;
    const ZETexNoise* m_pNoise;

    bool At(float x, float y, ZETexColor& color) const
    {
        float below = y - m_fHorizon;
        if (below <= 0.0f)
            return false;
        float depth = 1.0f / below;          // grows toward the horizon
        float lateral = (x - m_fVanishX) * depth;
        float haze = ZESmoothStep(0.0f, 0.25f, below);
        float side = std::fabs(lateral);
        float grain = m_pNoise->Fractal(lateral * 3.0f + 50.0f, depth * 3.0f, 3);
        if (side < m_fHalfWidth)
        {
            color = m_Asphalt * (0.85f + 0.3f * grain);
            // Dashes along the middle, fading out where they get too fine.
            float dash = std::fmod(depth * 0.6f, 1.0f) < 0.45f ? 1.0f : 0.0f;
            if (side < 0.025f)
                color = ZEMix(color, ZETexColor{0.92f, 0.92f, 0.88f}, dash * ZESmoothStep(0.02f, 0.08f, below));
        }
        else if (side < m_fHalfWidth + m_fKerb)
        {
            float stripe = std::fmod(depth * 1.6f, 1.0f) < 0.5f ? 1.0f : 0.0f;
            ZETexColor kerb = ZEMix(ZETexColor{0.85f, 0.08f, 0.06f}, ZETexColor{0.95f, 0.95f, 0.95f}, stripe);
            color = ZEMix(ZETexColor{0.7f, 0.45f, 0.45f}, kerb, ZESmoothStep(0.015f, 0.06f, below));
        }
        else
        {
            // Mown grass in bands across, blending out where they get fine.
            float mown = std::fmod(depth * 0.8f, 1.0f) < 0.5f ? 0.1f : -0.1f;
            color = m_Grass * ((0.75f + 0.5f * grain) * (1.0f + mown * ZESmoothStep(0.02f, 0.1f, below)));
        }
        // Distance haze toward the horizon.
        color = ZEMix(ZETexColor{0.55f, 0.45f, 0.5f}, color, haze);
        return true;
    }
};

// --- Menu background --------------------------------------------------------------------

bool PaintMenuBack(ZETexParams& params, ZETexCanvas& canvas, std::string& error)
{
    Frame frame{params.Float("aspect", 4.0f / 3.0f, 0.2f, 8.0f), canvas.Width(), canvas.Height()};
    std::vector<float> panel = params.Floats("panel", {0.18f, 0.285f, 0.82f, 0.965f}, 4);
    float horizon = params.Float("horizon", 0.3f, 0.05f, 0.95f);
    ZETexColor skyTop = params.Color("sky_top", {0.09f, 0.1f, 0.3f});
    ZETexColor skyMiddle = params.Color("sky_middle", {0.62f, 0.24f, 0.42f});
    ZETexColor skyLow = params.Color("sky_low", {1.0f, 0.6f, 0.25f});
    ZETexColor sun = params.Color("sun", {1.0f, 0.88f, 0.55f});
    ZETexColor hills = params.Color("hills", {0.2f, 0.12f, 0.25f});
    ZETexColor panelColor = params.Color("panel_color", {0.95f, 0.95f, 0.97f});
    float panelOpacity = params.Float("panel_opacity", 0.93f, 0.5f, 1.0f);
    ZETexColor accent = params.Color("accent", {0.95f, 0.45f, 0.08f});
    std::string title = params.Text("title", "WRENZO");
    TitleStyle style = ReadTitle(params, frame, 0.2f);
    if (panel[0] >= panel[2] || panel[1] >= panel[3] || panel[0] < 0.0f || panel[3] > 1.0f)
        params.Fail("panel", "is left top right bottom, fractions of the screen with left < right and top < bottom");
    if (params.HasError())
        return false;

    ZETexNoise noise(style.m_ulSeed, 64), ridge(style.m_ulSeed + 1, 64);
    const float aspect = frame.m_fAspect, sunX = aspect * 0.5f, sunY = horizon - 0.02f;
    Track track{sunX, horizon, 1.0f, 0.2f, {0.2f, 0.2f, 0.23f}, {0.16f, 0.3f, 0.12f}, &noise};
    const float pl = panel[0] * aspect, pt = panel[1], pr = panel[2] * aspect, pb = panel[3];
    const float pcx = (pl + pr) * 0.5f, pcy = (pt + pb) * 0.5f, phx = (pr - pl) * 0.5f, phy = (pb - pt) * 0.5f;
    const float corner = 0.03f;

    // Grandstands with their crowds either side of the track near the
    // horizon, and floodlight masts in front of them.
    auto Stands = [&](float x, float y, const ZETexColor& under) {
        ZETexColor color = under;
        const float base = horizon + 0.03f, crowdTop = horizon - 0.015f, roof = horizon - 0.04f;
        for (float side : {-1.0f, 1.0f})
        {
            float near = side < 0.0f ? 0.02f : aspect - 0.45f, far = side < 0.0f ? 0.45f : aspect - 0.02f;
            float slope = 0.025f * side;
            float stand = ZESdPolygon(x, y, {near, base, far, base, far, roof + slope, near, roof - slope});
            if (stand < 0.01f)
            {
                ZETexColor shade = ZETexColor{0.12f, 0.1f, 0.16f};
                if (y > crowdTop && y < base - 0.006f)
                {
                    // The crowd: a speck of colour per seat, lit by the sunset.
                    uint32_t cx = static_cast<uint32_t>(x * 260.0f), cy = static_cast<uint32_t>(y * 300.0f);
                    float pick = ZEHash01(cx, cy, 17);
                    ZETexColor shirt = pick < 0.3f ? ZETexColor{0.8f, 0.2f, 0.15f}
                                       : pick < 0.5f ? ZETexColor{0.9f, 0.85f, 0.7f}
                                       : pick < 0.7f ? ZETexColor{0.2f, 0.35f, 0.7f}
                                                     : ZETexColor{0.95f, 0.7f, 0.2f};
                    shade = ZEMix(shade, shirt, 0.45f + 0.3f * ZEHash01(cx, cy, 29));
                }
                // The roof's lit front edge.
                float edge = y - (roof + slope * (x - near) / (far - near) * 2.0f - slope);
                if (edge < 0.008f)
                    shade = ZEMix(shade, skyLow, 0.6f);
                color = ZEMix(color, shade, frame.Cover(stand));
            }
        }
        for (float mastX : {0.1f, aspect - 0.1f})
        {
            float mast = ZESdSegment(x, y, mastX, horizon + 0.05f, mastX, horizon - 0.17f, 0.003f);
            color = ZEMix(color, ZETexColor{0.08f, 0.07f, 0.1f}, frame.Cover(mast));
            float lamps = ZESdRoundBox(x, y, mastX, horizon - 0.185f, 0.035f, 0.016f, 0.004f);
            float glow = std::exp(-std::max(0.0f, lamps) / 0.025f);
            color = color + ZETexColor{1.0f, 0.95f, 0.8f} * (0.35f * glow);
            if (lamps < 0.01f)
            {
                bool cell = std::fmod((x - mastX + 1.0f) * 120.0f, 1.0f) < 0.75f &&
                            std::fmod((y - horizon + 1.0f) * 120.0f, 1.0f) < 0.7f;
                color = ZEMix(color, cell ? ZETexColor{1.0f, 1.0f, 0.92f} : ZETexColor{0.2f, 0.2f, 0.22f},
                              frame.Cover(lamps));
            }
        }
        return color;
    };

    PaintScene(canvas, frame, 2, [&](float x, float y) {
        ZETexColor color;
        if (!track.At(x, y, color))
        {
            float t = y / horizon;
            color = Gradient3(skyTop, skyMiddle, skyLow, 0.55f, t);
            float d = std::hypot(x - sunX, y - sunY);
            color = color + sun * (0.55f * std::exp(-d / 0.16f) + 0.25f * std::exp(-d / 0.5f));
            // The sun's disc, cut by bands toward its foot.
            if (d < 0.15f)
            {
                float band = std::fmod((sunY - y) * 60.0f + 100.0f, 1.0f);
                bool cut = y > sunY - 0.06f && band < ZEClamp01((y - (sunY - 0.06f)) / 0.08f) * 0.6f;
                if (!cut)
                    color = ZEMix(color, ZEMix(sun, ZETexColor{1.0f, 0.45f, 0.2f}, ZEClamp01((y - sunY + 0.15f) / 0.3f)),
                                  frame.Cover(d - 0.15f));
            }
            // Two ranges of hills in the haze.
            float far = horizon - 0.035f - 0.06f * Ridge(ridge, x, 0.5f, 2.0f);
            float near = horizon - 0.01f - 0.04f * Ridge(ridge, x, 7.5f, 3.5f);
            if (y > far)
                color = ZEMix(color, ZEMix(hills, skyLow, 0.45f), 0.9f);
            if (y > near)
                color = ZEMix(color, hills, 0.95f);
            // Thin speed streaks across the sky.
            float streak = noise.Fractal(0.3f, y * 160.0f, 1);
            color = color + ZETexColor{1.0f, 0.8f, 0.7f} * (0.06f * ZESmoothStep(0.7f, 0.9f, streak));
        }
        color = Stands(x, y, color);
        // The panel's shadow, then the panel.
        float box = ZESdRoundBox(x, y, pcx + 0.008f, pcy + 0.012f, phx, phy, corner);
        color = color * (1.0f - 0.55f * (1.0f - ZESmoothStep(-0.01f, 0.03f, box)));
        float inside = ZESdRoundBox(x, y, pcx, pcy, phx, phy, corner);
        if (inside < 0.01f)
        {
            float t = (y - pt) / (pb - pt);
            ZETexColor fill = ZEMix(panelColor, panelColor * 0.9f, t);
            ZETexColor glass = ZEMix(color, fill, panelOpacity);
            // A bright edge and an accent line along the top.
            float edge = std::exp(-std::pow((inside + 0.004f) / 0.0025f, 2.0f));
            glass = ZEMix(glass, ZETexColor{1.0f, 1.0f, 1.0f}, 0.8f * edge);
            if (y > pt + 0.012f && y < pt + 0.02f && std::fabs(x - pcx) < phx - 0.04f)
                glass = ZEMix(glass, accent, 0.85f * (1.0f - ZESmoothStep(phx - 0.2f, phx - 0.04f, std::fabs(x - pcx))));
            color = ZEMix(color, glass, frame.Cover(inside));
        }
        return color;
    });
    return DrawTitle(canvas, title, frame.TexelX(sunX), frame.TexelY(horizon * 0.5f), style, error);
}

// --- Logo ------------------------------------------------------------------------------

bool PaintLogo(ZETexParams& params, ZETexCanvas& canvas, std::string& error)
{
    Frame frame{params.Float("aspect", 0.7f * 4.0f / 3.0f / 0.6f, 0.2f, 8.0f), canvas.Width(), canvas.Height()};
    std::string title = params.Text("title", "WRENZO");
    std::string subtitle = params.Text("subtitle", "ARCADE RACING");
    ZETexColor back = params.Color("back", {0.04f, 0.05f, 0.1f});
    ZETexColor backGlow = params.Color("back_glow", {0.2f, 0.18f, 0.4f});
    ZETexColor swoosh = params.Color("swoosh", {0.9f, 0.15f, 0.08f});
    TitleStyle style = ReadTitle(params, frame, 0.34f);
    if (params.HasError())
        return false;

    const float aspect = frame.m_fAspect;
    ZETexNoise noise(style.m_ulSeed, 32);
    PaintScene(canvas, frame, 3, [&](float x, float y) {
        float d = std::hypot((x - aspect * 0.5f) / aspect, y - 0.45f);
        ZETexColor color = ZEMix(backGlow, back, ZESmoothStep(0.0f, 0.6f, d));
        // Fine diagonal carbon weave.
        float weave = std::sin((x + y) * 260.0f) * std::sin((x - y) * 260.0f);
        color = color * (1.0f + 0.06f * weave);
        // A chequered flag waving in from the right, fading leftward.
        float wave = 0.04f * std::sin(y * 9.0f + x * 4.0f);
        float fx = (x - aspect * 0.62f + wave) * 14.0f, fy = (y + wave * 0.5f) * 14.0f;
        if (fx > 0.0f)
        {
            bool white = (static_cast<int>(std::floor(fx)) + static_cast<int>(std::floor(fy))) % 2 == 0;
            float fade = ZESmoothStep(0.0f, 5.0f, fx) * 0.22f * (0.7f + 0.3f * std::sin(y * 9.0f + x * 4.0f));
            color = ZEMix(color, white ? ZETexColor{0.9f, 0.9f, 0.95f} : ZETexColor{0.0f, 0.0f, 0.0f}, fade);
        }
        // The swoosh under the name: a curved band, hot at its head.
        float curve = 0.74f - 0.1f * std::sin((x / aspect) * kZETexPi * 0.9f + 0.2f);
        float band = std::fabs(y - curve) - 0.022f * (0.3f + x / aspect);
        if (band < 0.0f && x > aspect * 0.06f && x < aspect * 0.95f)
        {
            float head = ZEClamp01((x / aspect - 0.06f) / 0.89f);
            color = ZEMix(color, ZEMix(swoosh * 0.5f, ZEMix(swoosh, ZETexColor{1.0f, 0.8f, 0.3f}, head * head), head),
                          frame.Cover(band) * ZESmoothStep(0.06f, 0.2f, x / aspect));
        }
        // A dark frame so the banner sits on the scene.
        float frameEdge = std::min(std::min(x, aspect - x), std::min(y, 1.0f - y));
        color = color * (0.55f + 0.45f * ZESmoothStep(0.0f, 0.06f, frameEdge));
        color = color + ZETexColor{0.5f, 0.4f, 0.7f} * (0.5f * std::exp(-std::pow((frameEdge - 0.012f) / 0.004f, 2.0f)));
        return color;
    });
    TitleBox box;
    if (!DrawTitle(canvas, title, frame.TexelX(aspect * 0.5f), frame.TexelY(0.44f), style, error, &box))
        return false;
    if (subtitle.empty())
        return true;
    TitleStyle small = style;
    small.m_fEm = style.m_fEm * 0.22f;
    small.m_fOutline = std::max(1.0f, style.m_fOutline * 0.4f);
    small.m_iShadow = 2;
    small.m_fTracking = 0.25f;
    small.m_iStreaks = 0;
    small.m_fGlow = 0.0f;
    small.m_Top = small.m_Middle = ZETexColor{0.95f, 0.95f, 1.0f};
    small.m_Bottom = ZETexColor{0.7f, 0.72f, 0.8f};
    return DrawTitle(canvas, subtitle, frame.TexelX(aspect * 0.5f), frame.TexelY(0.86f), small, error);
}

// --- Track previews ----------------------------------------------------------------------

struct Preview
{
    float m_fAspect;
    const ZETexNoise* m_pNoise;
    const Frame* m_pFrame;

    float Cover(float distance) const { return m_pFrame->Cover(distance); }
    float N(float x, float y, int octaves = 3) const { return m_pNoise->Fractal(x, y, octaves); }

    ZETexColor Sky(float y, float horizon, const ZETexColor& top, const ZETexColor& low) const
    {
        return ZEMix(top, low, std::pow(ZEClamp01(y / horizon), 1.6f));
    }

    ZETexColor Clouds(float x, float y, const ZETexColor& under, float horizon, float cover) const
    {
        float c = N(x * 3.0f + 10.0f, y * 9.0f + 4.0f, 4);
        float amount = ZESmoothStep(1.0f - cover, 1.0f - cover + 0.2f, c) * (1.0f - ZESmoothStep(horizon * 0.5f, horizon, y));
        float lit = ZEClamp01(0.75f + 2.0f * (c - N(x * 3.0f + 10.05f, y * 9.0f + 4.1f, 4)));
        return ZEMix(under, ZEMix(ZETexColor{0.7f, 0.72f, 0.8f}, ZETexColor{1.0f, 1.0f, 1.0f}, lit), amount * 0.9f);
    }

    // A road in perspective toward (vx, horizon), `half` wide at depth 1.
    bool Road(float x, float y, float vx, float horizon, float half, ZETexColor& color, const ZETexColor& asphalt,
              bool dashed) const
    {
        float below = y - horizon;
        if (below <= 0.0f)
            return false;
        float lateral = (x - vx) / below;
        if (std::fabs(lateral) > half)
            return false;
        color = asphalt * (0.9f + 0.2f * N(lateral * 5.0f + 30.0f, 1.0f / below, 2));
        if (dashed && std::fabs(lateral) < half * 0.05f && std::fmod(1.0f / below * 0.5f, 1.0f) < 0.5f)
            color = ZEMix(color, ZETexColor{0.95f, 0.95f, 0.9f}, ZESmoothStep(0.01f, 0.05f, below));
        if (std::fabs(lateral) > half * 0.9f)
            color = ZEMix(color, ZETexColor{0.9f, 0.9f, 0.88f}, ZESmoothStep(0.01f, 0.04f, below));
        return true;
    }

    ZETexColor Airfield(float x, float y) const
    {
        const float horizon = 0.52f;
        ZETexColor color = Clouds(x, y, Sky(y, horizon, {0.2f, 0.45f, 0.8f}, {0.75f, 0.85f, 0.95f}), horizon, 0.45f);
        // A small plane crossing the sky.
        float px = x - 1.45f, py = y - 0.17f;
        float plane = std::min(ZESdRoundBox(px, py, 0.0f, 0.0f, 0.08f, 0.012f, 0.01f),
                               ZESdPolygon(px, py, {-0.02f, 0.0f, 0.03f, 0.0f, -0.01f, -0.07f, -0.035f, -0.07f}));
        plane = std::min(plane, ZESdPolygon(px, py, {-0.08f, 0.0f, -0.06f, 0.0f, -0.085f, -0.04f, -0.095f, -0.04f}));
        color = ZEMix(color, ZETexColor{0.2f, 0.22f, 0.28f}, Cover(plane));
        if (y > horizon)
        {
            color = ZETexColor{0.3f, 0.48f, 0.2f} * (0.8f + 0.4f * N(x * 6.0f, y * 30.0f));
            color = ZEMix(ZETexColor{0.5f, 0.62f, 0.5f}, color, ZESmoothStep(0.0f, 0.05f, y - horizon));
            ZETexColor road;
            if (Road(x, y, m_fAspect * 0.42f, horizon, 1.1f, road, {0.45f, 0.46f, 0.47f}, true))
                color = road;
        }
        // A hangar with a curved roof and a control tower on the horizon.
        float hangar = std::max(ZESdEllipse(x, y, 1.45f, horizon, 0.3f, 0.13f), y - horizon);
        if (hangar < 0.01f)
        {
            ZETexColor metal = ZETexColor{0.62f, 0.64f, 0.66f} * (0.75f + 0.25f * std::cos((x - 1.35f) * 6.0f));
            if (std::fabs(x - 1.45f) < 0.12f && y > horizon - 0.09f)
                metal = ZETexColor{0.18f, 0.18f, 0.2f};
            color = ZEMix(color, metal, Cover(hangar));
        }
        float tower = std::min(ZESdRoundBox(x, y, 0.25f, horizon - 0.1f, 0.025f, 0.1f, 0.0f),
                               ZESdRoundBox(x, y, 0.25f, horizon - 0.21f, 0.05f, 0.03f, 0.005f));
        ZETexColor towerColor = y < horizon - 0.19f && y > horizon - 0.235f ? ZETexColor{0.3f, 0.55f, 0.7f}
                                                                            : ZETexColor{0.85f, 0.83f, 0.78f};
        color = ZEMix(color, towerColor, Cover(tower));
        // A windsock on its pole.
        float pole = ZESdSegment(x, y, 1.9f, horizon + 0.2f, 1.9f, horizon - 0.08f, 0.004f);
        color = ZEMix(color, ZETexColor{0.85f, 0.85f, 0.85f}, Cover(pole));
        float sock = ZESdPolygon(x, y, {1.9f, horizon - 0.09f, 1.9f, horizon - 0.05f, 2.02f, horizon - 0.06f,
                                        2.02f, horizon - 0.075f});
        bool white = std::fmod((x - 1.9f) * 33.0f, 2.0f) > 1.0f;
        color = ZEMix(color, white ? ZETexColor{0.95f, 0.95f, 0.95f} : ZETexColor{1.0f, 0.45f, 0.05f}, Cover(sock));
        return color;
    }

    ZETexColor Church(float x, float y) const
    {
        const float horizon = 0.55f;
        ZETexColor color = Clouds(x, y, Sky(y, horizon, {0.25f, 0.4f, 0.72f}, {0.98f, 0.78f, 0.55f}), horizon, 0.35f);
        float back = horizon - 0.1f - 0.12f * N(x * 1.5f + 5.0f, 2.5f, 3);
        float hill = horizon + 0.05f - 0.25f * std::exp(-std::pow((x - 1.25f) / 0.5f, 2.0f)) - 0.05f * N(x * 3.0f, 6.5f, 2);
        if (y > back)
            color = ZEMix(color, ZETexColor{0.35f, 0.45f, 0.4f}, 0.85f);
        // The church on its hill: nave, gable roof, tower and spire.
        const float base = horizon - 0.14f, cx = 1.25f;
        float nave = ZESdRoundBox(x, y, cx + 0.12f, base - 0.07f, 0.15f, 0.07f, 0.0f);
        float roof = ZESdPolygon(x, y, {cx - 0.05f, base - 0.14f, cx + 0.29f, base - 0.14f, cx + 0.25f, base - 0.22f,
                                        cx - 0.01f, base - 0.22f});
        float tower = ZESdRoundBox(x, y, cx - 0.06f, base - 0.15f, 0.05f, 0.15f, 0.0f);
        float spire = ZESdPolygon(x, y, {cx - 0.12f, base - 0.3f, cx, base - 0.3f, cx - 0.06f, base - 0.5f});
        float cross = std::min(ZESdSegment(x, y, cx - 0.06f, base - 0.5f, cx - 0.06f, base - 0.57f, 0.005f),
                               ZESdSegment(x, y, cx - 0.085f, base - 0.545f, cx - 0.035f, base - 0.545f, 0.005f));
        ZETexColor wall = ZETexColor{0.92f, 0.88f, 0.78f} * (x < cx - 0.06f ? 1.0f : 0.85f);
        color = ZEMix(color, wall, Cover(std::min(nave, tower)));
        color = ZEMix(color, ZETexColor{0.55f, 0.2f, 0.14f}, Cover(roof));
        color = ZEMix(color, ZETexColor{0.25f, 0.3f, 0.35f}, Cover(spire));
        color = ZEMix(color, ZETexColor{0.9f, 0.75f, 0.3f}, Cover(cross));
        float window = std::min(ZESdRoundBox(x, y, cx - 0.06f, base - 0.2f, 0.012f, 0.03f, 0.01f),
                                ZESdRoundBox(x, y, cx + 0.06f, base - 0.07f, 0.01f, 0.03f, 0.008f));
        window = std::min(window, ZESdRoundBox(x, y, cx + 0.18f, base - 0.07f, 0.01f, 0.03f, 0.008f));
        color = ZEMix(color, ZETexColor{1.0f, 0.8f, 0.35f}, Cover(window));
        if (y > hill)
            color = ZETexColor{0.28f, 0.5f, 0.18f} * (0.75f + 0.4f * N(x * 8.0f, y * 20.0f)) *
                    (0.8f + 0.3f * ZEClamp01((x - 1.25f) * -1.5f + 0.5f));
        // Round trees along the hill.
        for (int i = 0; i < 7; ++i)
        {
            float tx = 0.15f + i * 0.29f + 0.05f * std::sin(i * 7.0f), ty = horizon + 0.02f - 0.02f * (i % 3);
            float r = 0.05f + 0.015f * (i % 2);
            float tree = ZESdCircle(x, y, tx, ty, r);
            if (tree < 0.01f && std::fabs(tx - cx) > 0.3f)
            {
                float lit = ZEClamp01(0.5f - (x - tx + y - ty) / r * 0.5f);
                color = ZEMix(color, ZETexColor{0.1f, 0.28f, 0.1f} * (0.7f + 0.6f * lit), Cover(tree));
            }
        }
        ZETexColor road;
        if (Road(x, y, 0.6f, horizon, 0.9f, road, {0.35f, 0.35f, 0.37f}, true))
            color = road;
        return color;
    }

    ZETexColor Hillhole(float x, float y) const
    {
        const float horizon = 0.5f;
        ZETexColor color = Clouds(x, y, Sky(y, horizon, {0.22f, 0.45f, 0.78f}, {0.8f, 0.88f, 0.95f}), horizon, 0.5f);
        float far = horizon - 0.1f - 0.1f * N(x * 2.0f, 3.5f, 3);
        if (y > far)
            color = ZEMix(color, ZETexColor{0.45f, 0.55f, 0.62f}, 0.8f);
        // The big hill with the tunnel mouth at the road's end.
        const float mx = m_fAspect * 0.5f;
        float hillTop = horizon - 0.38f * std::exp(-std::pow((x - mx) / 0.55f, 2.0f)) - 0.04f * N(x * 4.0f, 8.5f, 3);
        if (y > hillTop)
        {
            float shade = 0.75f + 0.35f * ZEClamp01((mx - x) * 0.8f + 0.3f);
            color = ZETexColor{0.3f, 0.45f, 0.2f} * shade * (0.8f + 0.35f * N(x * 9.0f, y * 9.0f));
            float rock = N(x * 5.0f + 9.0f, y * 5.0f, 3);
            if (rock > 0.62f)
                color = ZEMix(color, ZETexColor{0.5f, 0.47f, 0.42f} * shade, 0.8f);
        }
        float arch = std::min(ZESdEllipse(x, y, mx, horizon - 0.02f, 0.16f, 0.16f),
                              ZESdRoundBox(x, y, mx, horizon + 0.03f, 0.16f, 0.05f, 0.0f));
        float stones = std::min(ZESdEllipse(x, y, mx, horizon - 0.02f, 0.21f, 0.21f),
                                ZESdRoundBox(x, y, mx, horizon + 0.03f, 0.21f, 0.05f, 0.0f));
        if (stones < 0.01f)
        {
            float blocks = std::fmod(std::atan2(y - horizon, x - mx) * 6.0f + 20.0f, 1.0f);
            ZETexColor stone = ZETexColor{0.62f, 0.58f, 0.52f} * (blocks < 0.08f ? 0.6f : 0.9f + 0.2f * N(x * 20.0f, y * 20.0f));
            color = ZEMix(color, stone, Cover(stones));
        }
        if (arch < 0.01f)
        {
            // The tunnel's inside: dark, with a lit lamp row.
            float depth = ZEClamp01((y - (horizon - 0.18f)) / 0.25f);
            ZETexColor inside = ZETexColor{0.03f, 0.03f, 0.04f} + ZETexColor{0.2f, 0.15f, 0.05f} * (0.4f * depth);
            for (int i = 0; i < 4; ++i)
            {
                float lamp = ZESdCircle(x, y, mx - 0.1f + i * 0.016f, horizon - 0.08f + i * 0.012f, 0.006f);
                inside = inside + ZETexColor{1.0f, 0.8f, 0.4f} * std::exp(-std::max(0.0f, lamp) * 150.0f);
            }
            color = ZEMix(color, inside, Cover(arch));
        }
        if (y > horizon + 0.08f)
            color = ZETexColor{0.32f, 0.52f, 0.2f} * (0.8f + 0.35f * N(x * 10.0f, y * 25.0f));
        ZETexColor road;
        if (Road(x, y, mx, horizon + 0.08f, 1.9f, road, {0.36f, 0.36f, 0.38f}, true))
            color = road;
        return color;
    }

    ZETexColor Railroad(float x, float y) const
    {
        const float horizon = 0.55f, vx = m_fAspect * 0.55f;
        ZETexColor color = Sky(y, horizon, {0.3f, 0.22f, 0.45f}, {1.0f, 0.6f, 0.25f});
        float sun = std::hypot(x - 1.45f, y - horizon + 0.06f);
        color = color + ZETexColor{1.0f, 0.7f, 0.3f} * (0.5f * std::exp(-sun / 0.12f));
        color = ZEMix(color, ZETexColor{1.0f, 0.9f, 0.6f}, Cover(sun - 0.07f));
        // Long thin clouds in the sunset.
        float streak = N(x * 1.5f, y * 40.0f, 3);
        color = ZEMix(color, ZETexColor{0.95f, 0.55f, 0.45f}, 0.6f * ZESmoothStep(0.6f, 0.75f, streak) *
                                                                (1.0f - ZESmoothStep(horizon * 0.3f, horizon, y)));
        float ridge = horizon - 0.03f - 0.04f * N(x * 3.0f, 5.5f, 3);
        if (y > ridge)
            color = ZETexColor{0.25f, 0.15f, 0.22f};
        if (y > horizon)
        {
            float below = y - horizon, depth = 1.0f / below, lateral = (x - vx) * depth;
            color = ZETexColor{0.45f, 0.38f, 0.22f} * (0.7f + 0.45f * N(x * 8.0f, y * 30.0f));
            color = ZEMix(ZETexColor{0.6f, 0.4f, 0.3f}, color, ZESmoothStep(0.0f, 0.12f, below));
            if (std::fabs(lateral) < 0.55f)
            {
                ZETexColor ballast = ZETexColor{0.42f, 0.4f, 0.38f} * (0.8f + 0.4f * N(lateral * 20.0f, depth * 8.0f, 2));
                color = ZEMix(color, ballast, ZESmoothStep(0.0f, 0.05f, below));
            }
            if (std::fabs(lateral) < 0.42f && std::fmod(depth * 3.0f, 1.0f) < 0.4f)
                color = ZEMix(color, ZETexColor{0.3f, 0.2f, 0.14f}, ZESmoothStep(0.02f, 0.1f, below));
            for (float rail : {-0.26f, 0.26f})
                if (std::fabs(lateral - rail) < 0.03f)
                    color = ZEMix(ZETexColor{0.45f, 0.42f, 0.4f}, ZETexColor{1.0f, 0.9f, 0.75f},
                                  ZEClamp01(1.0f - std::fabs(lateral - rail) / 0.03f));
        }
        // Telegraph poles beside the line, shrinking toward the horizon,
        // their wires running to the vanishing point.
        const float side = -0.95f, height = 1.15f;
        const ZETexColor dark{0.12f, 0.08f, 0.1f};
        for (int i = 0; i < 7; ++i)
        {
            float near = 1.0f / (1.3f + i * 1.5f);
            float px = vx + side * near, base = horizon + near, top = horizon + near * (1.0f - height);
            float pole = ZESdSegment(x, y, px, base, px, top, std::max(0.0015f, 0.012f * near));
            float arm = ZESdSegment(x, y, px - 0.12f * near, top + 0.06f * near, px + 0.12f * near, top + 0.06f * near,
                                    std::max(0.0012f, 0.008f * near));
            color = ZEMix(color, dark, Cover(std::min(pole, arm)));
        }
        for (float offset : {-0.1f, 0.1f})
        {
            float first = 1.0f / 1.3f;
            float wire = ZESdSegment(x, y, vx + (side + offset) * first, horizon + first * (1.06f - height),
                                     vx, horizon, 0.0012f);
            color = ZEMix(color, dark, 0.8f * Cover(wire));
        }
        return color;
    }

    ZETexColor Desert(float x, float y) const
    {
        const float horizon = 0.58f;
        ZETexColor color = Sky(y, horizon, {0.35f, 0.6f, 0.85f}, {0.98f, 0.9f, 0.72f});
        float sun = std::hypot(x - 0.45f, y - 0.18f);
        color = color + ZETexColor{1.0f, 0.95f, 0.7f} * (0.6f * std::exp(-sun / 0.1f));
        color = ZEMix(color, ZETexColor{1.0f, 1.0f, 0.92f}, Cover(sun - 0.06f));
        // Dunes in three rows, each with a lit and a shaded flank.
        for (int row = 0; row < 3; ++row)
        {
            float base = horizon - 0.08f + row * 0.12f;
            float height = 0.12f + 0.05f * row;
            float phase = x * (2.5f - row * 0.5f) + row * 1.7f;
            float crest = base - height * (0.5f + 0.5f * std::sin(phase)) - 0.02f * N(x * 4.0f, row * 3.0f + 0.5f);
            if (y > crest)
            {
                float slope = std::cos(phase);
                ZETexColor sand = ZETexColor{0.9f, 0.7f, 0.42f} * (0.85f + 0.12f * row);
                sand = sand * (0.88f + 0.17f * slope) * (1.0f - 0.12f * ZEClamp01((y - crest) / height));
                sand = sand * (0.92f + 0.12f * N(x * 20.0f, y * 60.0f, 2));
                float haze = row == 0 ? 0.45f : row == 1 ? 0.2f : 0.0f;
                color = ZEMix(sand, ZETexColor{0.95f, 0.85f, 0.7f}, haze);
            }
        }
        // A cactus on the near dune.
        const float cx = 1.6f, cy = 0.78f;
        float cactus = std::min(ZESdSegment(x, y, cx, cy, cx, cy - 0.28f, 0.025f),
                                std::min(ZESdSegment(x, y, cx - 0.07f, cy - 0.12f, cx - 0.07f, cy - 0.22f, 0.018f),
                                         ZESdSegment(x, y, cx + 0.07f, cy - 0.08f, cx + 0.07f, cy - 0.17f, 0.018f)));
        cactus = std::min(cactus, ZESdSegment(x, y, cx - 0.07f, cy - 0.12f, cx, cy - 0.1f, 0.018f));
        cactus = std::min(cactus, ZESdSegment(x, y, cx + 0.07f, cy - 0.08f, cx, cy - 0.06f, 0.018f));
        color = ZEMix(color, ZETexColor{0.2f, 0.4f, 0.2f} * (x < cx ? 1.2f : 0.8f), Cover(cactus));
        // Sand blowing across in streaks.
        float drift = N(x * 2.0f - y * 6.0f, y * 30.0f + x * 3.0f, 3);
        color = ZEMix(color, ZETexColor{1.0f, 0.9f, 0.72f}, 0.35f * ZESmoothStep(0.58f, 0.78f, drift));
        return color;
    }
};

bool PaintPreview(ZETexParams& params, ZETexCanvas& canvas, std::string& error)
{
    Frame frame{params.Float("aspect", float(canvas.Width()) / canvas.Height(), 0.2f, 8.0f), canvas.Width(),
                canvas.Height()};
    std::string theme = params.Text("theme", "airfield");
    std::string caption = params.Text("caption", "");
    TitleStyle style = ReadTitle(params, frame, 0.22f);
    ZETexCanvas picture(canvas.Width(), canvas.Height());
    const bool pictured = params.Picture("picture", frame.m_fAspect, picture);
    if (theme != "airfield" && theme != "church" && theme != "hillhole" && theme != "railroad" && theme != "desert")
        params.Fail("theme", "is airfield, church, hillhole, railroad or desert");
    if (params.HasError())
        return false;

    // Darker toward the foot, where the name stands, and a thin frame.
    auto Finish = [&](const ZETexColor& color, float x, float y) {
        float edge = std::min(std::min(x, frame.m_fAspect - x), std::min(y, 1.0f - y));
        return color * ((1.0f - 0.35f * ZESmoothStep(0.6f, 1.0f, y)) * (0.6f + 0.4f * ZESmoothStep(0.0f, 0.03f, edge)));
    };
    if (pictured)
    {
        for (int ty = 0; ty < canvas.Height(); ++ty)
            for (int tx = 0; tx < canvas.Width(); ++tx)
                canvas.At(tx, ty) = Finish(picture.At(tx, ty), frame.X(tx + 0.5f), frame.Y(ty + 0.5f));
    }
    else
    {
        ZETexNoise noise(style.m_ulSeed, 64);
        Preview preview{frame.m_fAspect, &noise, &frame};
        PaintScene(canvas, frame, 3, [&](float x, float y) {
            ZETexColor color = theme == "airfield"   ? preview.Airfield(x, y)
                               : theme == "church"   ? preview.Church(x, y)
                               : theme == "hillhole" ? preview.Hillhole(x, y)
                               : theme == "railroad" ? preview.Railroad(x, y)
                                                     : preview.Desert(x, y);
            return Finish(color, x, y);
        });
    }
    if (caption.empty())
        return true;
    return DrawTitle(canvas, caption, frame.TexelX(frame.m_fAspect * 0.5f), frame.TexelY(0.8f), style, error);
}
}

void ZERegisterScreenFamily(ZETexPainters& painters)
{
    const std::string titleKeys = "face, title_size, title_width, title_slant, title_tracking, title_room, outline, "
                                  "title_top, title_middle, title_bottom, title_rim, title_glow, glow, streaks, seed";
    painters.Add("menuback", PaintMenuBack,
                 "menu background: sunset over a race track with the title and a light panel for the menu; aspect, "
                 "panel (left top right bottom), horizon, sky_top, sky_middle, sky_low, sun, hills, panel_color, "
                 "panel_opacity, accent, title, " + titleKeys);
    painters.Add("logo", PaintLogo,
                 "the game's logo banner: title and subtitle with swoosh and chequered flag; aspect, title, subtitle, "
                 "back, back_glow, swoosh, " + titleKeys);
    painters.Add("preview", PaintPreview,
                 "a track's preview: its name over a picture of it (picture, a TGA file) or a small landscape; "
                 "aspect, picture, theme (airfield, church, hillhole, railroad, desert), caption, " + titleKeys);
}
