// zetextshot run as a program over the generated engine package: text
// drawn with the real font through the OpenGL renderer must show white
// glyph bodies with the background between them (the font's black is
// keyed out), and the cursor must show the background around its arrow.
#include "support/TempFolder.h"
#include "support/Xvfb.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
const char* const kTool = WRENZO_TOOLS_DIR "/zetextshot";
const char* const kRunDir = WRENZO_RUN_DIR;
// The picture's backgrounds, as the tool paints them.
const uint8_t kDark[3] = {24, 26, 32};
const uint8_t kSky[3] = {96, 140, 196};
const uint8_t kBright[3] = {228, 224, 210};

uint32_t BE32(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

// Decodes the writer's own PNG form (truecolour, filter 0 on every row).
bool DecodePng(const std::vector<uint8_t>& png, uint32_t& width, uint32_t& height, std::vector<uint8_t>& rgb)
{
    std::vector<uint8_t> packed;
    for (size_t at = 8; at + 12 <= png.size();)
    {
        uint32_t length = BE32(png, at);
        if (at + 12 + length > png.size())
            return false;
        std::string type(png.begin() + at + 4, png.begin() + at + 8);
        if (type == "IHDR")
        {
            width = BE32(png, at + 8);
            height = BE32(png, at + 12);
        }
        else if (type == "IDAT")
            packed.insert(packed.end(), png.begin() + at + 8, png.begin() + at + 8 + length);
        at += 12 + length;
    }
    std::vector<uint8_t> raw(static_cast<size_t>(height) * (1 + width * 3));
    uLongf size = raw.size();
    if (width == 0 || uncompress(raw.data(), &size, packed.data(), packed.size()) != Z_OK || size != raw.size())
        return false;
    rgb.clear();
    for (uint32_t y = 0; y < height; ++y)
        rgb.insert(rgb.end(), raw.begin() + y * (1 + width * 3) + 1, raw.begin() + (y + 1) * (1 + width * 3));
    return true;
}

class TextShotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Dir = m_Folder.Path();
        ASSERT_TRUE(m_Display.Start()) << m_Display.Error();
        // The tool loads the GL driver itself and unloads it at exit, which
        // leaves the driver's allocations without a name to suppress them
        // by; the engine's own leaks are checked by tools/check-start-quit.
        std::string command = "cd '" + std::string(kRunDir) + "' && ASAN_OPTIONS=detect_leaks=0 " + kTool + " '" +
                              m_Dir + "/text.png' > '" + m_Dir + "/tool.log' 2>&1";
        int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "see " << m_Dir << "/tool.log";
        std::ifstream file(m_Dir + "/text.png", std::ios::binary);
        std::vector<uint8_t> png((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        ASSERT_TRUE(DecodePng(png, m_ulWidth, m_ulHeight, m_aRGB));
    }

    const uint8_t* At(uint32_t x, uint32_t y) const { return &m_aRGB[(y * m_ulWidth + x) * 3]; }
    bool Is(uint32_t x, uint32_t y, const uint8_t color[3]) const
    {
        return std::equal(color, color + 3, At(x, y));
    }
    bool IsWhite(uint32_t x, uint32_t y) const { return At(x, y)[0] == 255 && At(x, y)[1] == 255 && At(x, y)[2] == 255; }

    ZETempFolder m_Folder{"textshot"};
    ZEXvfb m_Display;
    std::string m_Dir;
    uint32_t m_ulWidth = 0;
    uint32_t m_ulHeight = 0;
    std::vector<uint8_t> m_aRGB;
};
}

TEST_F(TextShotTest, LargeTextShowsGlyphsWithTheBackgroundBetweenThem)
{
    ASSERT_EQ(m_ulWidth, 800u);
    ASSERT_EQ(m_ulHeight, 600u);
    // The first line of size 32 ("VERFÜGBAR Größe", white) spans rows
    // 376 to 407 from x = 8 over the dark and the sky panel.
    size_t white = 0, background = 0, total = 0;
    for (uint32_t y = 380; y < 404; ++y)
        for (uint32_t x = 8; x < 413; ++x, ++total)
        {
            white += IsWhite(x, y);
            background += Is(x, y, x < 266 ? kDark : kSky);
        }
    EXPECT_GT(white, total / 10);
    EXPECT_GT(background, total / 4) << "the font's black is not transparent";
}

TEST_F(TextShotTest, CursorShowsTheBackgroundAroundItsArrow)
{
    // The cursor over the bright panel has its top left corner at (573, 540).
    EXPECT_TRUE(Is(573 + 31, 540, kBright));
    EXPECT_TRUE(Is(573 + 31, 540 + 31, kBright));
    EXPECT_TRUE(Is(573, 540 + 31, kBright));
    EXPECT_FALSE(Is(574, 542, kBright));
    EXPECT_FALSE(Is(576, 550, kBright));
}
