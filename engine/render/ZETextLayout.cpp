#include "render/ZETextLayout.h"

#include <limits>

namespace
{
const uint8_t kTab = 9;
const uint8_t kLineFeed = 10;
const uint8_t kSpace = ' ';
const int64_t kCellsPerTab = 4;
const uint8_t kGridColumns = 16;

// Latin-1 umlauts and the code page 437 cells that hold them.
const uint8_t kUmlauts[][2] = {{0xC4, 0x8E}, {0xD6, 0x99}, {0xDC, 0x9A},
                               {0xE4, 0x84}, {0xF6, 0x94}, {0xFC, 0x81}};

int32_t ToInt32(int64_t value)
{
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

// Moves a pen coordinate on; stops far beyond any window instead of
// overflowing.
int64_t Advance(int64_t position, int64_t distance)
{
    const int64_t kLimit = int64_t(1) << 62;
    return position > kLimit - distance ? kLimit : position + distance;
}
}

uint8_t ZEGlyphCell(uint8_t c)
{
    for (const auto& umlaut : kUmlauts)
        if (umlaut[0] == c)
            return umlaut[1];
    return c;
}

void ZEGlyphTexCoords(uint8_t c, float& u, float& v)
{
    uint8_t cell = ZEGlyphCell(c);
    u = static_cast<float>(cell % kGridColumns) * ZE_GLYPH_CELL_SIZE;
    v = static_cast<float>(cell / kGridColumns) * ZE_GLYPH_CELL_SIZE;
}

ZETextLayout::ZETextLayout(int32_t x, int32_t y, uint16_t size, uint16_t windowWidth)
    : m_lMarginX(x),
      m_lPenX(x),
      m_lPenY(y),
      m_usSize(size),
      m_usAdvance(static_cast<uint16_t>(size * 0.85f)),
      m_usWindowWidth(windowWidth)
{
}

bool ZETextLayout::Place(uint8_t c, int32_t& glyphX, int32_t& glyphY)
{
    switch (c)
    {
    case kSpace:
        m_lPenX = Advance(m_lPenX, m_usAdvance);
        return false;
    case kLineFeed:
        NewLine();
        return false;
    case kTab:
        m_lPenX = Advance(m_lPenX, kCellsPerTab * m_usAdvance);
        WrapIfFull();
        return false;
    default:
        glyphX = ToInt32(m_lPenX);
        glyphY = ToInt32(m_lPenY);
        m_lPenX = Advance(m_lPenX, m_usAdvance);
        WrapIfFull();
        return true;
    }
}

void ZETextLayout::NewLine()
{
    m_lPenX = m_lMarginX;
    m_lPenY = Advance(m_lPenY, m_usSize);
}

void ZETextLayout::WrapIfFull()
{
    if (m_lPenX + m_usAdvance > m_usWindowWidth)
        NewLine();
}
