// The font family: "font" bakes a TrueType face into the engine's glyph
// grid.
//
// The grid is 16 x 16 cells in code page 437 order: byte c sits at column
// c mod 16 and row c div 16, top row first. The text drawer advances by
// 0.85 of the drawn size while it draws each glyph over a whole cell, so
// every glyph is kept inside the left "advance" part of its cell (with a
// margin) and centred there; glyphs too wide or too tall for that box are
// narrowed or flattened until they fit. The grid follows code page 437
// except at 0xDF, which holds the German sharp s: the game's texts are
// Latin-1, and the drawer maps only the umlauts onto their code page 437
// cells, so the Latin-1 byte of the sharp s lands there.
//
// The font is loaded with black as its colour key and drawn with the
// nearest texel, so a texel is either exact black (transparent) or shown
// fully. Anti-aliased edges would become opaque dark-grey fringes, so each
// glyph gets a deliberate dark outline instead: the glyph's coverage is
// widened by "outline" texels, every texel that the widened coverage
// reaches at least "threshold" becomes opaque, coloured from the outline
// colour to the glyph colour by the glyph's own coverage ("sharpen"
// narrows that blend, since the nearest texel turns a wide grey edge into
// grit at small sizes). Text drawn in any colour then keeps a dark rim that
// reads over bright and busy scenes.
#include "ZETexGen.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <cmath>

namespace
{
const char* const kDefaultFace = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
const int kGridSide = 16;

// Unicode of every code page 437 byte as a glyph (the control bytes show
// their classic symbols); 0xDF is the sharp s, see above. 0, 0x20 and
// 0xFF stay blank.
const uint16_t kCodePage437[256] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8, 0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
    0x0000, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027, 0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047, 0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057, 0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067, 0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077, 0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302,
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x00DF,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x0000,
};

struct FontStyle
{
    int m_iCell = 32;
    int m_iBoxWidth = 27;        // texels of the cell a glyph may use
    int m_iPad = 3;              // outline plus margin, kept free at the box's sides
    int m_iVerticalPad = 1;      // kept free at the cell's top and bottom
    float m_fEm = 23.0f;         // pixel size of the em
    int m_iBaseline = 24;        // texel row of the baseline within the cell
    float m_fStretch = 1.0f;
    float m_fEmbolden = 0.0f;    // texels added to the stroke width
    float m_fOutline = 2.0f;
    float m_fThreshold = 0.5f;
    float m_fSharpen = 0.0f;     // 0 keeps the anti-aliased edge, 1 makes it hard
    ZETexColor m_Color{1.0f, 1.0f, 1.0f};
    ZETexColor m_OutlineColor{0.08f, 0.08f, 0.09f};
};

// A rendered glyph's coverage, 0..1, with its placement relative to the pen
// on the baseline.
struct GlyphBitmap
{
    int m_iWidth = 0;
    int m_iRows = 0;
    int m_iLeft = 0;
    int m_iTop = 0;   // rows above the baseline
    std::vector<float> m_aCoverage;
};

// Owns the FreeType library and face for one painting.
class FontFace
{
public:
    ~FontFace()
    {
        if (m_pFace)
            FT_Done_Face(m_pFace);
        if (m_pLibrary)
            FT_Done_FreeType(m_pLibrary);
    }

    bool Open(const std::string& path, float em, std::string& error)
    {
        if (FT_Init_FreeType(&m_pLibrary) != 0)
        {
            m_pLibrary = nullptr;
            error = "FreeType cannot be started";
            return false;
        }
        if (FT_New_Face(m_pLibrary, path.c_str(), 0, &m_pFace) != 0)
        {
            m_pFace = nullptr;
            error = "cannot open the font face " + path;
            return false;
        }
        if (FT_Set_Char_Size(m_pFace, 0, static_cast<FT_F26Dot6>(std::lround(em * 64.0f)), 72, 72) != 0)
        {
            error = "the face " + path + " cannot be scaled";
            return false;
        }
        return true;
    }

    bool HasGlyph(uint16_t unicode) const { return FT_Get_Char_Index(m_pFace, unicode) != 0; }

    // The glyph scaled by (sx, sy) about the pen, thickened by `embolden`
    // texels. False when FreeType cannot render it.
    bool Render(uint16_t unicode, float sx, float sy, float embolden, GlyphBitmap& glyph)
    {
        FT_Matrix matrix = {static_cast<FT_Fixed>(std::lround(sx * 65536.0f)), 0, 0,
                            static_cast<FT_Fixed>(std::lround(sy * 65536.0f))};
        FT_Set_Transform(m_pFace, &matrix, nullptr);
        if (FT_Load_Char(m_pFace, unicode, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
            return false;
        FT_GlyphSlot slot = m_pFace->glyph;
        if (slot->format == FT_GLYPH_FORMAT_OUTLINE && embolden > 0.0f)
            FT_Outline_Embolden(&slot->outline, static_cast<FT_Pos>(std::lround(embolden * 64.0f)));
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0)
            return false;
        const FT_Bitmap& bitmap = slot->bitmap;
        glyph.m_iWidth = static_cast<int>(bitmap.width);
        glyph.m_iRows = static_cast<int>(bitmap.rows);
        glyph.m_iLeft = slot->bitmap_left;
        glyph.m_iTop = slot->bitmap_top;
        glyph.m_aCoverage.assign(static_cast<size_t>(glyph.m_iWidth) * glyph.m_iRows, 0.0f);
        for (int y = 0; y < glyph.m_iRows; ++y)
        {
            const unsigned char* row = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
            for (int x = 0; x < glyph.m_iWidth; ++x)
                glyph.m_aCoverage[static_cast<size_t>(y) * glyph.m_iWidth + x] = row[x] / 255.0f;
        }
        return true;
    }

private:
    FT_Library m_pLibrary = nullptr;
    FT_Face m_pFace = nullptr;
};

// Renders a glyph small enough for the box: narrowed when too wide,
// flattened about the baseline when it reaches above or below the room.
bool RenderFitting(FontFace& face, uint16_t unicode, const FontStyle& style, GlyphBitmap& glyph)
{
    float sx = style.m_fStretch, sy = 1.0f;
    const float width = static_cast<float>(style.m_iBoxWidth - 2 * style.m_iPad);
    const float above = static_cast<float>(style.m_iBaseline - style.m_iVerticalPad);
    const float below = static_cast<float>(style.m_iCell - style.m_iVerticalPad - style.m_iBaseline);
    for (int attempt = 0; attempt < 8; ++attempt)
    {
        if (!face.Render(unicode, sx, sy, style.m_fEmbolden, glyph))
            return false;
        float fx = glyph.m_iWidth > width ? width / glyph.m_iWidth : 1.0f;
        float fy = 1.0f;
        if (glyph.m_iTop > above)
            fy = std::min(fy, above / glyph.m_iTop);
        int descent = glyph.m_iRows - glyph.m_iTop;
        if (descent > below)
            fy = std::min(fy, below / descent);
        if (fx >= 1.0f && fy >= 1.0f)
            return true;
        // A little extra, since the rendered size rounds outward.
        sx *= std::min(fx, 1.0f) * (fx < 1.0f ? 0.97f : 1.0f);
        sy *= std::min(fy, 1.0f) * (fy < 1.0f ? 0.97f : 1.0f);
    }
    return true;
}

// The glyph's coverage placed in a cell-sized grid: centred in the box,
// on the baseline, clipped to the box.
std::vector<float> PlaceInCell(const GlyphBitmap& glyph, const FontStyle& style)
{
    const int cell = style.m_iCell;
    std::vector<float> coverage(static_cast<size_t>(cell) * cell, 0.0f);
    int left = (style.m_iBoxWidth - glyph.m_iWidth) / 2;
    int top = style.m_iBaseline - glyph.m_iTop;
    for (int y = 0; y < glyph.m_iRows; ++y)
        for (int x = 0; x < glyph.m_iWidth; ++x)
        {
            int cx = left + x, cy = top + y;
            if (cx < 0 || cx >= style.m_iBoxWidth || cy < 0 || cy >= cell)
                continue;
            coverage[static_cast<size_t>(cy) * cell + cx] = glyph.m_aCoverage[static_cast<size_t>(y) * glyph.m_iWidth + x];
        }
    return coverage;
}

// The coverage widened by `radius` texels, with a soft rim.
std::vector<float> Widen(const std::vector<float>& coverage, int cell, int boxWidth, float radius)
{
    if (radius <= 0.0f)
        return coverage;
    std::vector<float> widened(coverage.size(), 0.0f);
    int reach = static_cast<int>(std::ceil(radius + 0.5f));
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < boxWidth; ++x)
        {
            float best = 0.0f;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx)
                {
                    int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sx >= boxWidth || sy < 0 || sy >= cell)
                        continue;
                    float weight = ZEClamp01(radius + 0.5f - std::sqrt(float(dx * dx + dy * dy)));
                    best = std::max(best, coverage[static_cast<size_t>(sy) * cell + sx] * weight);
                }
            widened[static_cast<size_t>(y) * cell + x] = best;
        }
    return widened;
}

void PaintCell(ZETexCanvas& canvas, int column, int row, const std::vector<float>& ink,
               const std::vector<float>& widened, const FontStyle& style)
{
    const int cell = style.m_iCell;
    for (int y = 0; y < cell; ++y)
        for (int x = 0; x < cell; ++x)
        {
            size_t at = static_cast<size_t>(y) * cell + x;
            if (widened[at] < style.m_fThreshold)
                continue;
            float edge = 0.5f * style.m_fSharpen;
            // 128 steps from rim to glyph colour: no visible banding, and
            // the grid fits a palette.
            float body = std::round(ZESmoothStep(edge, 1.0f - edge, ink[at]) * 127.0f) / 127.0f;
            canvas.At(column * cell + x, row * cell + y) = ZEMix(style.m_OutlineColor, style.m_Color, body);
        }
}

bool ReadStyle(ZETexParams& params, const ZETexCanvas& canvas, FontStyle& style, std::string& error)
{
    if (canvas.Width() != canvas.Height() || canvas.Width() % kGridSide != 0 || canvas.Width() < 8 * kGridSide)
    {
        error = "a font needs a square size that is a multiple of 16, at least 128";
        return false;
    }
    style.m_iCell = canvas.Width() / kGridSide;
    const float cell = static_cast<float>(style.m_iCell);
    float advance = params.Float("advance", 0.85f, 0.25f, 1.0f);
    style.m_fEm = params.Float("em", 0.72f, 0.1f, 1.0f) * cell;
    style.m_iBaseline = static_cast<int>(std::lround(params.Float("baseline", 0.76f, 0.1f, 1.0f) * cell));
    style.m_fStretch = params.Float("stretch", 1.0f, 0.5f, 2.0f);
    style.m_fEmbolden = params.Float("embolden", 0.0f, 0.0f, 4.0f);
    style.m_fOutline = params.Float("outline", 2.0f, 0.0f, 4.0f);
    style.m_fThreshold = params.Float("threshold", 0.5f, 0.05f, 1.0f);
    style.m_fSharpen = params.Float("sharpen", 0.0f, 0.0f, 0.99f);
    style.m_Color = params.Color("color", style.m_Color);
    style.m_OutlineColor = params.Color("outline_color", style.m_OutlineColor);
    int margin = params.Int("margin", 1, 0, 4);
    // Rounded down, so no glyph texel reaches the next glyph's pen position.
    style.m_iBoxWidth = static_cast<int>(std::floor(advance * cell));
    style.m_iPad = static_cast<int>(std::ceil(style.m_fOutline)) + margin;
    // Above and below, the outline may meet the cell's edge: nothing is
    // drawn there but the glyph's own cell.
    style.m_iVerticalPad = params.Int("vertical_pad", style.m_iPad, 0, style.m_iCell / 4);
    if (style.m_iBoxWidth - 2 * style.m_iPad < 2 || style.m_iBaseline <= style.m_iVerticalPad ||
        style.m_iBaseline >= style.m_iCell - style.m_iVerticalPad)
        params.Fail("outline", "leaves no room for the glyphs in a cell of " + std::to_string(style.m_iCell) +
                                   " texels");
    // The colour key makes black transparent: a black rim would vanish.
    bool rimVisible = std::lround(style.m_OutlineColor.r * 255.0f) + std::lround(style.m_OutlineColor.g * 255.0f) +
                          std::lround(style.m_OutlineColor.b * 255.0f) >
                      0;
    if (style.m_fOutline > 0.0f && !rimVisible)
        params.Fail("outline_color", "must not be pure black: black is the transparent colour");
    return true;
}

bool PaintFont(ZETexParams& params, ZETexCanvas& canvas, std::string& error)
{
    std::string facePath = params.Text("face", kDefaultFace);
    FontStyle style;
    if (!ReadStyle(params, canvas, style, error) || params.HasError())
        return false;
    FontFace face;
    if (!face.Open(facePath, style.m_fEm, error))
        return false;
    canvas.Fill(ZETexColor());
    for (int code = 0; code < 256; ++code)
    {
        uint16_t unicode = kCodePage437[code];
        GlyphBitmap glyph;
        if (unicode == 0 || !face.HasGlyph(unicode) || !RenderFitting(face, unicode, style, glyph))
            continue;
        std::vector<float> ink = PlaceInCell(glyph, style);
        std::vector<float> widened = Widen(ink, style.m_iCell, style.m_iBoxWidth, style.m_fOutline);
        PaintCell(canvas, code % kGridSide, code / kGridSide, ink, widened, style);
    }
    return true;
}
}

void ZERegisterFontFamily(ZETexPainters& painters)
{
    painters.Add("font", PaintFont,
                 "16 x 16 glyph grid (code page 437, sharp s at 0xDF) from a TrueType face, white on black "
                 "with a dark outline; face, em, baseline, advance, stretch, embolden, outline, threshold, "
                 "sharpen, margin, vertical_pad, color, outline_color");
}
