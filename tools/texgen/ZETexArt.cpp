#include "ZETexArt.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>

const float kZETexPi = 3.14159265358979f;

// ---------------------------------------------------------------------------
// ZETexMask

ZETexMask::ZETexMask(int width, int height)
    : m_iWidth(std::max(0, width)), m_iHeight(std::max(0, height)),
      m_aCoverage(static_cast<size_t>(m_iWidth) * m_iHeight, 0.0f)
{
}

float ZETexMask::At(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_iWidth || y >= m_iHeight)
        return 0.0f;
    return m_aCoverage[static_cast<size_t>(y) * m_iWidth + x];
}

// ---------------------------------------------------------------------------
// ZETexFont

namespace
{
struct PlacedGlyph
{
    int m_iLeft = 0;
    int m_iTop = 0;
    int m_iWidth = 0;
    int m_iRows = 0;
    std::vector<float> m_aCoverage;
};
}

ZETexFont::~ZETexFont()
{
    if (m_pFace)
        FT_Done_Face(static_cast<FT_Face>(m_pFace));
    if (m_pLibrary)
        FT_Done_FreeType(static_cast<FT_Library>(m_pLibrary));
}

bool ZETexFont::Open(const std::string& path, std::string& error)
{
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
    {
        error = "FreeType cannot be started";
        return false;
    }
    m_pLibrary = library;
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0)
    {
        error = "cannot open the font face " + path;
        return false;
    }
    m_pFace = face;
    return true;
}

ZETexMask ZETexFont::Render(const std::string& text, float em, float stretch, float slant, float tracking, int pad)
{
    FT_Face face = static_cast<FT_Face>(m_pFace);
    std::vector<PlacedGlyph> glyphs;
    if (face && em > 0.0f && FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(std::lround(em * 64.0f)), 72, 72) == 0)
    {
        FT_Matrix matrix = {static_cast<FT_Fixed>(std::lround(stretch * 65536.0f)),
                            static_cast<FT_Fixed>(std::lround(slant * 65536.0f)), 0, 0x10000};
        float pen = 0.0f;
        FT_UInt previous = 0;
        for (unsigned char c : text)
        {
            FT_UInt index = FT_Get_Char_Index(face, c);
            if (index == 0)
                continue;
            if (previous && FT_HAS_KERNING(face))
            {
                FT_Vector kerning;
                if (FT_Get_Kerning(face, previous, index, FT_KERNING_UNFITTED, &kerning) == 0)
                    pen += kerning.x / 64.0f * stretch;
            }
            previous = index;
            float whole = std::floor(pen);
            FT_Vector delta = {static_cast<FT_Pos>(std::lround((pen - whole) * 64.0f)), 0};
            FT_Set_Transform(face, &matrix, &delta);
            if (FT_Load_Glyph(face, index, FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
                FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) != 0)
                continue;
            const FT_Bitmap& bitmap = face->glyph->bitmap;
            PlacedGlyph glyph;
            glyph.m_iLeft = static_cast<int>(whole) + face->glyph->bitmap_left;
            glyph.m_iTop = -face->glyph->bitmap_top;
            glyph.m_iWidth = static_cast<int>(bitmap.width);
            glyph.m_iRows = static_cast<int>(bitmap.rows);
            glyph.m_aCoverage.resize(static_cast<size_t>(glyph.m_iWidth) * glyph.m_iRows);
            for (int y = 0; y < glyph.m_iRows; ++y)
                for (int x = 0; x < glyph.m_iWidth; ++x)
                    glyph.m_aCoverage[static_cast<size_t>(y) * glyph.m_iWidth + x] =
                        bitmap.buffer[static_cast<ptrdiff_t>(y) * bitmap.pitch + x] / 255.0f;
            glyphs.push_back(std::move(glyph));
            pen += face->glyph->linearHoriAdvance / 65536.0f * stretch + tracking * em;
        }
        FT_Set_Transform(face, nullptr, nullptr);
    }

    int left = 0, top = 0, right = 0, bottom = 0;
    bool any = false;
    for (const PlacedGlyph& glyph : glyphs)
    {
        if (glyph.m_iWidth == 0 || glyph.m_iRows == 0)
            continue;
        left = any ? std::min(left, glyph.m_iLeft) : glyph.m_iLeft;
        top = any ? std::min(top, glyph.m_iTop) : glyph.m_iTop;
        right = any ? std::max(right, glyph.m_iLeft + glyph.m_iWidth) : glyph.m_iLeft + glyph.m_iWidth;
        bottom = any ? std::max(bottom, glyph.m_iTop + glyph.m_iRows) : glyph.m_iTop + glyph.m_iRows;
        any = true;
    }
    pad = std::max(0, pad);
    ZETexMask mask(right - left + 2 * pad, bottom - top + 2 * pad);
    for (const PlacedGlyph& glyph : glyphs)
        for (int y = 0; y < glyph.m_iRows; ++y)
            for (int x = 0; x < glyph.m_iWidth; ++x)
            {
                float& texel = mask.Ref(glyph.m_iLeft - left + pad + x, glyph.m_iTop - top + pad + y);
                texel = std::max(texel, glyph.m_aCoverage[static_cast<size_t>(y) * glyph.m_iWidth + x]);
            }
    return mask;
}

// ---------------------------------------------------------------------------
// Masks

ZETexMask ZEDilateMask(const ZETexMask& mask, float radius)
{
    if (radius <= 0.0f)
        return mask;
    ZETexMask widened(mask.m_iWidth, mask.m_iHeight);
    int reach = static_cast<int>(std::ceil(radius + 0.5f));
    for (int y = 0; y < mask.m_iHeight; ++y)
        for (int x = 0; x < mask.m_iWidth; ++x)
        {
            float best = 0.0f;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx)
                {
                    float weight = ZEClamp01(radius + 0.5f - std::sqrt(float(dx * dx + dy * dy)));
                    best = std::max(best, mask.At(x + dx, y + dy) * weight);
                }
            widened.Ref(x, y) = best;
        }
    return widened;
}

namespace
{
// One box pass along rows (horizontal) or columns, zero beyond the edges.
ZETexMask BoxPass(const ZETexMask& mask, int radius, bool horizontal)
{
    ZETexMask out(mask.m_iWidth, mask.m_iHeight);
    const float weight = 1.0f / (2 * radius + 1);
    const int lines = horizontal ? mask.m_iHeight : mask.m_iWidth;
    const int length = horizontal ? mask.m_iWidth : mask.m_iHeight;
    for (int line = 0; line < lines; ++line)
    {
        float sum = 0.0f;
        auto at = [&](int i) { return horizontal ? mask.At(i, line) : mask.At(line, i); };
        for (int i = -radius; i <= radius; ++i)
            sum += at(i);
        for (int i = 0; i < length; ++i)
        {
            (horizontal ? out.Ref(i, line) : out.Ref(line, i)) = sum * weight;
            sum += at(i + radius + 1) - at(i - radius);
        }
    }
    return out;
}
}

ZETexMask ZEBlurMask(const ZETexMask& mask, int radius)
{
    if (radius <= 0)
        return mask;
    ZETexMask out = mask;
    for (int pass = 0; pass < 3; ++pass)
        out = BoxPass(BoxPass(out, radius, true), radius, false);
    return out;
}

void ZELayMask(ZETexCanvas& canvas, const ZETexMask& mask, int left, int top, const ZETexColor& color, float opacity)
{
    ZELayMaskShaded(canvas, mask, left, top, [&](float, float) { return color; }, opacity);
}

float ZEMaskSample(const ZETexMask& mask, float x, float y)
{
    float fx = x - 0.5f, fy = y - 0.5f;
    int ix = static_cast<int>(std::floor(fx)), iy = static_cast<int>(std::floor(fy));
    float tx = fx - ix, ty = fy - iy;
    float top = mask.At(ix, iy) * (1.0f - tx) + mask.At(ix + 1, iy) * tx;
    float bottom = mask.At(ix, iy + 1) * (1.0f - tx) + mask.At(ix + 1, iy + 1) * tx;
    return top * (1.0f - ty) + bottom * ty;
}

namespace
{
uint8_t Quantise(float channel)
{
    return static_cast<uint8_t>(std::lround(ZEClamp01(channel) * 255.0f));
}
}

void ZEPaintOnKey(ZETexCanvas& canvas, int samples, const ZETexColor& key,
                  const std::function<bool(float x, float y, ZETexColor& color)>& sample)
{
    const int n = std::max(1, samples);
    const uint8_t keyBytes[3] = {Quantise(key.r), Quantise(key.g), Quantise(key.b)};
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
        {
            ZETexColor sum;
            int covered = 0;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx)
                {
                    ZETexColor color;
                    if (sample(x + (sx + 0.5f) / n, y + (sy + 0.5f) / n, color))
                    {
                        sum = sum + color;
                        ++covered;
                    }
                }
            if (covered * 2 < n * n)
            {
                canvas.At(x, y) = key;
                continue;
            }
            ZETexColor color = sum * (1.0f / covered);
            if (Quantise(color.r) == keyBytes[0] && Quantise(color.g) == keyBytes[1] && Quantise(color.b) == keyBytes[2])
                color.b += keyBytes[2] > 127 ? -1.5f / 255.0f : 1.5f / 255.0f;
            canvas.At(x, y) = color;
        }
}

// ---------------------------------------------------------------------------
// Signed distances

float ZESdCircle(float x, float y, float cx, float cy, float radius)
{
    return std::hypot(x - cx, y - cy) - radius;
}

float ZESdRoundBox(float x, float y, float cx, float cy, float hx, float hy, float radius)
{
    float qx = std::fabs(x - cx) - hx + radius, qy = std::fabs(y - cy) - hy + radius;
    float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
    return outside + std::min(std::max(qx, qy), 0.0f) - radius;
}

float ZESdSegment(float x, float y, float ax, float ay, float bx, float by, float halfWidth)
{
    float dx = bx - ax, dy = by - ay;
    float length = dx * dx + dy * dy;
    float t = length > 0.0f ? ZEClamp01(((x - ax) * dx + (y - ay) * dy) / length) : 0.0f;
    return std::hypot(ax + t * dx - x, ay + t * dy - y) - halfWidth;
}

float ZESdPolygon(float x, float y, const std::vector<float>& points)
{
    const size_t count = points.size() / 2;
    if (count < 3)
        return 1e30f;
    bool inside = false;
    float best = 1e30f;
    for (size_t i = 0, j = count - 1; i < count; j = i++)
    {
        float ax = points[2 * i], ay = points[2 * i + 1], bx = points[2 * j], by = points[2 * j + 1];
        if ((ay > y) != (by > y) && x < (bx - ax) * (y - ay) / (by - ay) + ax)
            inside = !inside;
        best = std::min(best, ZESdSegment(x, y, ax, ay, bx, by, 0.0f));
    }
    return inside ? -best : best;
}

float ZESdEllipse(float x, float y, float cx, float cy, float rx, float ry)
{
    float px = (x - cx) / rx, py = (y - cy) / ry;
    float k0 = std::hypot(px, py);
    float k1 = std::hypot(px / rx, py / ry);
    if (k1 <= 0.0f)
        return -std::min(rx, ry);
    return k0 * (k0 - 1.0f) / k1;
}

float ZEWrap(float value, float period)
{
    float wrapped = std::fmod(value, period);
    return wrapped < 0.0f ? wrapped + period : wrapped;
}

float ZEWrapDelta(float a, float b, float period)
{
    float delta = ZEWrap(a - b, period);
    return delta > period * 0.5f ? delta - period : delta;
}

float ZEHash01(uint32_t a, uint32_t b, uint32_t seed)
{
    uint32_t h = a * 0x8DA6B343u ^ b * 0xD8163841u ^ seed * 0xCB1AB31Fu;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return (h >> 8) * (1.0f / 16777216.0f);
}

// ---------------------------------------------------------------------------
// ZETexCells

ZETexCells::ZETexCells(uint32_t seed, int period, float jitter) : m_iPeriod(std::max(1, period))
{
    ZETexRandom random(seed);
    const size_t cells = static_cast<size_t>(m_iPeriod) * m_iPeriod;
    m_aOffsets.resize(cells * 2);
    m_aRandom.resize(cells);
    for (size_t i = 0; i < cells; ++i)
    {
        m_aOffsets[2 * i] = 0.5f + (random.Unit() - 0.5f) * jitter;
        m_aOffsets[2 * i + 1] = 0.5f + (random.Unit() - 0.5f) * jitter;
        m_aRandom[i] = random.Unit();
    }
}

ZETexCells::Hit ZETexCells::At(float x, float y) const
{
    Hit hit;
    hit.m_fNearest = hit.m_fSecond = 1e30f;
    int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
        {
            int cx = ix + dx, cy = iy + dy;
            int wx = ((cx % m_iPeriod) + m_iPeriod) % m_iPeriod, wy = ((cy % m_iPeriod) + m_iPeriod) % m_iPeriod;
            size_t cell = static_cast<size_t>(wy) * m_iPeriod + wx;
            float px = cx + m_aOffsets[2 * cell], py = cy + m_aOffsets[2 * cell + 1];
            float distance = std::hypot(px - x, py - y);
            if (distance < hit.m_fNearest)
            {
                hit.m_fSecond = hit.m_fNearest;
                hit.m_fNearest = distance;
                hit.m_ulCell = static_cast<uint32_t>(cell);
                hit.m_fRandom = m_aRandom[cell];
            }
            else if (distance < hit.m_fSecond)
                hit.m_fSecond = distance;
        }
    return hit;
}

// ---------------------------------------------------------------------------
// Relief

void ZEShadeRelief(ZETexCanvas& canvas, const std::vector<float>& height, float strength, bool wrap, float gloss)
{
    const int width = canvas.Width(), rows = canvas.Height();
    if (height.size() != static_cast<size_t>(width) * rows || width < 2 || rows < 2)
        return;
    auto h = [&](int x, int y) {
        if (wrap)
        {
            x = (x + width) % width;
            y = (y + rows) % rows;
        }
        else
        {
            x = std::min(std::max(x, 0), width - 1);
            y = std::min(std::max(y, 0), rows - 1);
        }
        return height[static_cast<size_t>(y) * width + x];
    };
    const float lx = -0.55f, ly = -0.55f, lz = 0.63f;
    const float hx = lx, hy = ly, hz = lz + 1.0f;
    const float hLength = std::sqrt(hx * hx + hy * hy + hz * hz);
    // Flat ground keeps its colour: only what a slope adds above it shines.
    const float flatShine = std::pow(hz / hLength, 24.0f);
    for (int y = 0; y < rows; ++y)
        for (int x = 0; x < width; ++x)
        {
            float dx = (h(x + 1, y) - h(x - 1, y)) * 0.5f * strength;
            float dy = (h(x, y + 1) - h(x, y - 1)) * 0.5f * strength;
            float length = std::sqrt(dx * dx + dy * dy + 1.0f);
            float nx = -dx / length, ny = -dy / length, nz = 1.0f / length;
            float light = std::max(0.0f, nx * lx + ny * ly + nz * lz) / lz;
            ZETexColor& texel = canvas.At(x, y);
            texel = texel * light;
            if (gloss > 0.0f)
            {
                float specular = std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hLength);
                float shine = gloss * std::max(0.0f, std::pow(specular, 24.0f) - flatShine) / (1.0f - flatShine);
                texel = texel + ZETexColor{shine, shine, shine};
            }
        }
}
