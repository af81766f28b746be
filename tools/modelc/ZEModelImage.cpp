#include "ZEModelImage.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

namespace
{
// 5 x 7 glyphs, top row first, '#' set.
struct Glyph
{
    char m_cLetter;
    const char* m_apRows[7];
};

const Glyph kGlyphs[] = {
    {'0', {" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "}},
    {'1', {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'2', {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"}},
    {'3', {"#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "}},
    {'4', {"   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "}},
    {'5', {"#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "}},
    {'6', {"  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "}},
    {'7', {"#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "}},
    {'8', {" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "}},
    {'9', {" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'P', {"#### ", "#   #", "#   #", "#### ", "#    ", "#    ", "#    "}},
    {'?', {" ### ", "#   #", "    #", "   # ", "  #  ", "     ", "  #  "}},
    {' ', {"     ", "     ", "     ", "     ", "     ", "     ", "     "}},
};

const Glyph* FindGlyph(char letter)
{
    char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    for (const Glyph& glyph : kGlyphs)
        if (glyph.m_cLetter == upper)
            return &glyph;
    return nullptr;
}

uint8_t Scale(uint8_t value, float factor)
{
    float scaled = value * factor;
    return static_cast<uint8_t>(scaled < 0.0f ? 0.0f : (scaled > 255.0f ? 255.0f : scaled));
}
}

ZEModelImage::ZEModelImage(uint16_t width, uint16_t height, float left, float bottom, float right, float top)
    : m_usWidth(width), m_usHeight(height), m_fLeft(left), m_fBottom(bottom), m_fRight(right), m_fTop(top),
      m_aPixels(static_cast<size_t>(width) * height * 3, 255)
{
}

float ZEModelImage::X(int column) const
{
    return m_fLeft + (column + 0.5f) / m_usWidth * (m_fRight - m_fLeft);
}

float ZEModelImage::Y(int row) const
{
    return m_fBottom + (row + 0.5f) / m_usHeight * (m_fTop - m_fBottom);
}

void ZEModelImage::Set(int column, int row, const ZEColor& color)
{
    uint8_t* pixel = &m_aPixels[(static_cast<size_t>(row) * m_usWidth + column) * 3];
    pixel[0] = color.r;
    pixel[1] = color.g;
    pixel[2] = color.b;
}

template <typename Inside>
void ZEModelImage::Paint(const Inside& inside, const ZEColor& color)
{
    for (int row = 0; row < m_usHeight; ++row)
        for (int column = 0; column < m_usWidth; ++column)
            if (inside(X(column), Y(row)))
                Set(column, row, color);
}

void ZEModelImage::Fill(const ZEColor& color)
{
    Paint([](float, float) { return true; }, color);
}

void ZEModelImage::Rectangle(float x0, float y0, float x1, float y1, const ZEColor& color)
{
    float left = std::min(x0, x1), right = std::max(x0, x1);
    float bottom = std::min(y0, y1), top = std::max(y0, y1);
    Paint([&](float x, float y) { return x >= left && x <= right && y >= bottom && y <= top; }, color);
}

void ZEModelImage::Circle(float cx, float cy, float radius, const ZEColor& color)
{
    Ring(cx, cy, -1.0f, radius, color);
}

void ZEModelImage::Ring(float cx, float cy, float inner, float outer, const ZEColor& color)
{
    Paint(
        [&](float x, float y) {
            float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
            return d <= outer && d >= inner;
        },
        color);
}

void ZEModelImage::Polygon(const std::vector<float>& points, const ZEColor& color)
{
    size_t n = points.size() / 2;
    if (n < 3)
        return;
    Paint(
        [&](float x, float y) {
            bool inside = false;
            for (size_t i = 0, j = n - 1; i < n; j = i++)
            {
                float xi = points[2 * i], yi = points[2 * i + 1];
                float xj = points[2 * j], yj = points[2 * j + 1];
                if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
                    inside = !inside;
            }
            return inside;
        },
        color);
}

bool ZEModelImage::Text(float x, float y, float height, const std::string& text, const ZEColor& color)
{
    float cell = height / 7.0f;
    bool known = true;
    // Glyphs are 5 cells wide with one cell between letters.
    float penX = x;
    for (char letter : text)
    {
        const Glyph* glyph = FindGlyph(letter);
        if (!glyph)
            known = false;
        for (int row = 0; glyph && row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if (glyph->m_apRows[row][column] == '#')
                {
                    float left = penX + column * cell;
                    float top = y + (7 - row) * cell;
                    Rectangle(left, top - cell, left + cell, top, color);
                }
        penX += 6.0f * cell;
    }
    return known;
}

void ZEModelImage::Gradient(float bottom, float top)
{
    for (int row = 0; row < m_usHeight; ++row)
    {
        float factor = bottom + (top - bottom) * (row + 0.5f) / m_usHeight;
        for (int column = 0; column < m_usWidth; ++column)
        {
            uint8_t* pixel = &m_aPixels[(static_cast<size_t>(row) * m_usWidth + column) * 3];
            for (int c = 0; c < 3; ++c)
                pixel[c] = Scale(pixel[c], factor);
        }
    }
}

void ZEModelImage::Grain(float amount)
{
    uint32_t state = 0x2545F491u;
    for (size_t i = 0; i < m_aPixels.size(); i += 3)
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        float factor = 1.0f - amount * (state % 1000) / 1000.0f;
        for (int c = 0; c < 3; ++c)
            m_aPixels[i + c] = Scale(m_aPixels[i + c], factor);
    }
}

bool ZEModelImage::HasGlyph(char letter)
{
    return FindGlyph(letter) != nullptr;
}
