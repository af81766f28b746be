#include "render/ZETextLayout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace
{
// "c@x,y" for every glyph of the text.
std::string Lay(int32_t x, int32_t y, uint16_t size, uint16_t windowWidth, const std::string& text)
{
    ZETextLayout layout(x, y, size, windowWidth);
    std::string glyphs;
    for (char c : text)
    {
        int32_t gx = 0, gy = 0;
        if (layout.Place(static_cast<uint8_t>(c), gx, gy))
            glyphs += std::string(1, c) + "@" + std::to_string(gx) + "," + std::to_string(gy) + " ";
    }
    return glyphs;
}
}

TEST(TextLayout, AdvanceSpaceLineFeedAndTab)
{
    EXPECT_EQ(ZETextLayout(0, 0, 16, 640).GetAdvance(), 13);
    EXPECT_EQ(ZETextLayout(0, 0, 20, 640).GetAdvance(), 17);
    EXPECT_EQ(Lay(10, 20, 16, 640, "ab c"), "a@10,20 b@23,20 c@49,20 ");
    EXPECT_EQ(Lay(100, 50, 16, 640, "a\nb\n\nc"), "a@100,50 b@100,66 c@100,98 ");
    // A tab is four cells.
    EXPECT_EQ(Lay(0, 0, 16, 640, "a\tb\t\tc"), "a@0,0 b@65,0 c@182,0 ");
}

TEST(TextLayout, WrapsAtTheWindowEdgeToTheLeftMarginOneSizeLower)
{
    // From 626 the next glyph would end at 652 > 640.
    EXPECT_EQ(Lay(600, 5, 16, 640, "abcde"), "a@600,5 b@613,5 c@626,5 d@600,21 e@613,21 ");
    // A line feed right after a wrap leaves an empty line.
    EXPECT_EQ(Lay(620, 0, 16, 640, "a\nb"), "a@620,0 b@620,32 ");
    // Tabs wrap; spaces run on and the glyph after them wraps.
    EXPECT_EQ(Lay(0, 0, 16, 70, "a\tb"), "a@0,0 b@0,16 ");
    EXPECT_EQ(Lay(0, 0, 16, 100, "a      bc"), "a@0,0 b@91,0 c@0,16 ");
}

TEST(TextLayout, AGlyphEndingExactlyOnTheWindowEdgeStaysOnTheLine)
{
    // From 627 the glyph ends at 640, on the edge: it stays; the next one
    // would cross it and wraps.
    EXPECT_EQ(Lay(614, 0, 16, 640, "abc"), "a@614,0 b@627,0 c@614,16 ");
    // The same after a tab: 0 + 13 + 52 = 65, and 65 + 13 = 78.
    EXPECT_EQ(Lay(0, 0, 16, 78, "a\tb"), "a@0,0 b@65,0 ");
}

TEST(TextLayout, HugeTextsDoNotOverflowThePen)
{
    const int32_t kMax = std::numeric_limits<int32_t>::max();
    ZETextLayout layout(kMax - 5, kMax - 5, 65535, 640);
    int32_t x = 0, y = 0;
    for (int i = 0; i < 100000; ++i)
        layout.Place('\n', x, y);
    ASSERT_TRUE(layout.Place('a', x, y));
    EXPECT_EQ(x, kMax - 5);
    EXPECT_EQ(y, kMax);
}

TEST(GlyphCells, UmlautsShowTheirCodePage437CellsAndHighBytesWork)
{
    const uint8_t latin1[] = {0xC4, 0xD6, 0xDC, 0xE4, 0xF6, 0xFC};
    const uint8_t cells[] = {0x8E, 0x99, 0x9A, 0x84, 0x94, 0x81};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ZEGlyphCell(latin1[i]), cells[i]);
    EXPECT_EQ(ZEGlyphCell(0x80), 0x80);
    EXPECT_EQ(ZEGlyphCell(0xFF), 0xFF);

    float u = -1.0f, v = -1.0f;
    ZEGlyphTexCoords(0xE4, u, v);   // cell 0x84: row 8, column 4
    EXPECT_FLOAT_EQ(u, 4 * 0.0625f);
    EXPECT_FLOAT_EQ(v, 8 * 0.0625f);
    ZEGlyphTexCoords(0xFF, u, v);
    EXPECT_FLOAT_EQ(u, 15 * 0.0625f);
    EXPECT_FLOAT_EQ(v, 15 * 0.0625f);
    // Every other byte is a glyph, control and high bytes included.
    EXPECT_EQ(Lay(0, 0, 8, 640, "\r\x80\xff"), "\r@0,0 \x80@6,0 \xff@12,0 ");
}
