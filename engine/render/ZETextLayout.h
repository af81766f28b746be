// Where the glyphs of a text go, and which part of the font shows them.
//
// A font is one texture holding a 16 x 16 grid of glyph cells in code page
// 437 order; byte c shows cell c, except that the six Latin-1 umlauts
// (0xC4 0xD6 0xDC 0xE4 0xF6 0xFC: Ä Ö Ü ä ö ü) show their code page 437
// cells (0x8E 0x99 0x9A 0x84 0x94 0x81). Bytes are taken as unsigned, so
// every byte from 0 to 255 names a cell.
//
// Layout, in window pixels with y down: every glyph is size x size pixels
// with its top left corner at the pen; the pen starts at (x, y) and moves
// by the advance trunc(size x 0.85) per glyph. A space moves the pen
// without a glyph; a tab (9) moves it four advances; a line feed (10)
// returns it to the left margin x one line (size pixels) lower. After a
// glyph or a tab the pen wraps to the next line like a line feed when the
// next advance would end beyond the window's width. Every other byte is a
// glyph. Pen positions are kept wide enough that no text, however long,
// overflows them; a glyph beyond the range of int32 is placed at its end.
#pragma once

#include <cstdint>

// The font cell that shows byte c.
uint8_t ZEGlyphCell(uint8_t c);

// Texture coordinates of the top left corner of c's cell; each cell is
// ZE_GLYPH_CELL_SIZE wide and high.
void ZEGlyphTexCoords(uint8_t c, float& u, float& v);
const float ZE_GLYPH_CELL_SIZE = 0.0625f;

class ZETextLayout
{
public:
    ZETextLayout(int32_t x, int32_t y, uint16_t size, uint16_t windowWidth);

    // Takes the next byte of the text. True when it is a glyph, which then
    // goes at (glyphX, glyphY); the pen moves on either way.
    bool Place(uint8_t c, int32_t& glyphX, int32_t& glyphY);

    uint16_t GetAdvance() const { return m_usAdvance; }
    int64_t GetPenX() const { return m_lPenX; }
    int64_t GetPenY() const { return m_lPenY; }

private:
    void NewLine();
    void WrapIfFull();

    int64_t m_lMarginX;
    int64_t m_lPenX;
    int64_t m_lPenY;
    uint16_t m_usSize;
    uint16_t m_usAdvance;
    uint16_t m_usWindowWidth;
};
