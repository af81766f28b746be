// The generated game data, read the way the engine reads it: every package
// in build/run/main opened by the file manager, every texture of every
// texture package loaded through the texture manager and compared with the
// package's own bytes, and the engine's textures checked for what drawing
// them relies on (font cell layout, colour-key black, black sprite borders).
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZETextureManager.h"

#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"

#include "ZEPackReader.h"
#include "ZETexReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
const char* const kMainDir = WRENZO_MAIN_DIR;
const char* const kArchives[] = {"Zervane.dat", "wrenzo.textures"};
const int kGrid = 16;

// An RGBA or RGB image with its texel size, copied out of a texture.
struct Picture
{
    uint32_t m_ulWidth = 0;
    uint32_t m_ulHeight = 0;
    uint32_t m_ulBytes = 3;
    std::vector<uint8_t> m_aData;

    const uint8_t* At(uint32_t x, uint32_t y) const { return &m_aData[(y * m_ulWidth + x) * m_ulBytes]; }
    // Visible: not the transparent key (RGBA) or not black (RGB).
    bool Lit(uint32_t x, uint32_t y) const
    {
        const uint8_t* texel = At(x, y);
        return m_ulBytes == 4 ? texel[3] != 0 : (texel[0] | texel[1] | texel[2]) != 0;
    }
};

class PackagesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Files.SetMainDirectory(kMainDir);
        for (const char* archive : kArchives)
            ASSERT_TRUE(m_Files.AddArchive(archive)) << kMainDir << "/" << archive;
        m_pManager->SetTextureDirectory("textures/");
    }

    // The texture packages ("textures/<group>.tex") of one archive.
    std::vector<std::string> TexturePackages(const std::string& archive)
    {
        std::vector<ZEPackEntry> entries;
        std::string error;
        EXPECT_TRUE(ZEListPackEntries(std::string(kMainDir) + "/" + archive, entries, error)) << error;
        std::vector<std::string> packages;
        for (const ZEPackEntry& entry : entries)
            if (entry.m_Name.rfind("textures/", 0) == 0 && entry.m_Name.size() > 13 &&
                entry.m_Name.compare(entry.m_Name.size() - 4, 4, ".tex") == 0)
                packages.push_back(entry.m_Name);
        return packages;
    }

    // One texture package decoded from the bytes the file manager gives.
    std::vector<ZETexReadImage> ReadPackage(const std::string& entry, const std::string& archive)
    {
        uint32_t size = 0;
        FILE* file = m_Files.OpenFile(entry.c_str(), archive.c_str(), size);
        EXPECT_NE(file, nullptr) << entry;
        std::vector<ZETexReadImage> images;
        if (!file)
            return images;
        std::vector<uint8_t> bytes(size);
        EXPECT_EQ(std::fread(bytes.data(), 1, size, file), size);
        std::fclose(file);
        std::string error;
        EXPECT_TRUE(ZEReadTexPackage(bytes.data(), bytes.size(), images, error)) << entry << ": " << error;
        return images;
    }

    // A texture as the engine loads it (colour-keyed on black when asked).
    Picture Load(const char* name, const char* group, bool colorKeyed = false)
    {
        const uint8_t black[3] = {0, 0, 0};
        std::unique_ptr<ZETextureReference> reference(
            colorKeyed ? m_pManager->GetTexture(name, group, false, black) : m_pManager->GetTexture(name, group, false));
        Picture picture;
        ZETexture* texture = reference->GetTexture();
        EXPECT_NE(texture, nullptr) << group << "/" << name;
        if (!texture)
            return picture;
        texture->GetDimensions(picture.m_ulWidth, picture.m_ulHeight);
        picture.m_ulBytes = texture->m_bAlpha ? 4 : 3;
        const uint8_t* data = texture->GetData();
        picture.m_aData.assign(data, data + picture.m_ulWidth * picture.m_ulHeight * picture.m_ulBytes);
        return picture;
    }

    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    ZEConsole m_Console;
    ZEFileManager m_Files;
    std::unique_ptr<ZETextureManager> m_pManager = std::make_unique<ZETextureManager>();
};

// The lit texels of one font cell, in cell coordinates.
struct CellInk
{
    bool m_bEmpty = true;
    uint32_t m_ulLeft = ~0u, m_ulRight = 0, m_ulTop = ~0u, m_ulBottom = 0;
};

CellInk InkOf(const Picture& font, int code)
{
    const uint32_t cell = font.m_ulWidth / kGrid;
    const uint32_t left = (code % kGrid) * cell, top = (code / kGrid) * cell;
    CellInk ink;
    for (uint32_t y = 0; y < cell; ++y)
        for (uint32_t x = 0; x < cell; ++x)
            if (font.Lit(left + x, top + y))
            {
                ink.m_bEmpty = false;
                ink.m_ulLeft = std::min(ink.m_ulLeft, x);
                ink.m_ulRight = std::max(ink.m_ulRight, x);
                ink.m_ulTop = std::min(ink.m_ulTop, y);
                ink.m_ulBottom = std::max(ink.m_ulBottom, y);
            }
    return ink;
}

bool SameCell(const Picture& font, int a, int b)
{
    const uint32_t cell = font.m_ulWidth / kGrid;
    for (uint32_t y = 0; y < cell; ++y)
        for (uint32_t x = 0; x < cell; ++x)
        {
            const uint8_t* p = font.At((a % kGrid) * cell + x, (a / kGrid) * cell + y);
            const uint8_t* q = font.At((b % kGrid) * cell + x, (b / kGrid) * cell + y);
            if (!std::equal(p, p + font.m_ulBytes, q))
                return false;
        }
    return true;
}
}

// --- Every package and texture ----------------------------------------------

TEST_F(PackagesTest, EveryTextureLoadsThroughTheManagerWithThePackagesBytes)
{
    size_t textures = 0;
    for (const char* archive : kArchives)
    {
        std::vector<std::string> packages = TexturePackages(archive);
        EXPECT_FALSE(packages.empty()) << archive << " holds no texture package";
        for (const std::string& entry : packages)
        {
            std::string group = entry.substr(9, entry.size() - 13);
            std::set<std::string> names;
            for (const ZETexReadImage& image : ReadPackage(entry, archive))
            {
                SCOPED_TRACE(group + "/" + image.m_Name);
                EXPECT_FALSE(image.m_Name.empty());
                EXPECT_LE(image.m_Name.size(), 11u);
                EXPECT_TRUE(names.insert(image.m_Name).second) << "named twice";
                Picture loaded = Load(image.m_Name.c_str(), group.c_str());
                EXPECT_EQ(loaded.m_ulWidth, image.m_usWidth);
                EXPECT_EQ(loaded.m_ulHeight, image.m_usHeight);
                EXPECT_TRUE(loaded.m_aData == image.m_aRGB);
                ++textures;
            }
        }
    }
    EXPECT_GE(textures, 3u + 18u + 1u);
}

TEST_F(PackagesTest, EnginePackageHoldsEveryTextureTheEngineAsksFor)
{
    std::vector<std::string> packages = TexturePackages("Zervane.dat");
    EXPECT_NE(std::find(packages.begin(), packages.end(), "textures/Engine.tex"), packages.end());
    EXPECT_NE(std::find(packages.begin(), packages.end(), "textures/EngineSFX.tex"), packages.end());

    const std::vector<std::pair<const char*, std::vector<const char*>>> wanted = {
        {"Engine", {"font01", "console", "cursor01"}},
        {"EngineSFX", {"corona01", "corona02", "corona03", "spark0", "spark1", "spark2", "flare0", "flare1",
                       "flare2", "flare3", "flare4", "penta", "ball", "smoke0", "smoke1", "smoke2", "fakeshadow1",
                       "fakeshadow2"}}};
    for (const auto& group : wanted)
        for (const char* name : group.second)
        {
            std::unique_ptr<ZETextureReference> reference(m_pManager->GetTexture(name, group.first, false, 1, true));
            EXPECT_FALSE(reference->IsEmpty()) << group.first << "/" << name;
        }
}

// --- The font ---------------------------------------------------------------------

TEST_F(PackagesTest, FontGlyphsStayInTheLeftPartOfTheirCells)
{
    Picture font = Load("font01", "Engine", true);
    ASSERT_EQ(font.m_ulBytes, 4u);
    ASSERT_EQ(font.m_ulWidth, font.m_ulHeight);
    ASSERT_EQ(font.m_ulWidth % kGrid, 0u);
    const uint32_t cell = font.m_ulWidth / kGrid;
    for (int code = 0; code < 256; ++code)
    {
        CellInk ink = InkOf(font, code);
        if (!ink.m_bEmpty)
        {
            EXPECT_LT(ink.m_ulRight, cell * 0.85) << "cell 0x" << std::hex << code;
        }
    }
}

TEST_F(PackagesTest, FontHasEveryGlyphTheGameWritesAndBlanksWhereNoneBelongs)
{
    Picture font = Load("font01", "Engine", true);
    const std::string printable = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.,:;!?'\"()[]+-*/=%&#_<>";
    for (char c : printable)
        EXPECT_FALSE(InkOf(font, static_cast<uint8_t>(c)).m_bEmpty) << c;
    // The code page 437 cells the text drawer maps the Latin-1 umlauts to,
    // and the sharp s at its own Latin-1 byte.
    for (int code : {0x8E, 0x99, 0x9A, 0x84, 0x94, 0x81, 0xDF})
        EXPECT_FALSE(InkOf(font, code).m_bEmpty) << std::hex << code;
    for (int code : {0x00, 0x20, 0xFF})
        EXPECT_TRUE(InkOf(font, code).m_bEmpty) << std::hex << code;
}

TEST_F(PackagesTest, UmlautsCarryTheirDotsAboveTheBaseLetter)
{
    Picture font = Load("font01", "Engine", true);
    const std::pair<int, char> pairs[] = {{0x8E, 'A'}, {0x99, 'O'}, {0x9A, 'U'}, {0x84, 'a'}, {0x94, 'o'}, {0x81, 'u'}};
    for (const auto& pair : pairs)
    {
        CellInk umlaut = InkOf(font, pair.first), base = InkOf(font, static_cast<uint8_t>(pair.second));
        EXPECT_LT(umlaut.m_ulTop, base.m_ulTop) << pair.second;
        EXPECT_NEAR(static_cast<int>(umlaut.m_ulBottom), static_cast<int>(base.m_ulBottom), 1) << pair.second;
    }
}

TEST_F(PackagesTest, SharpSSitsAtItsLatin1ByteAndAtItsCodePage437Cell)
{
    Picture font = Load("font01", "Engine", true);
    EXPECT_TRUE(SameCell(font, 0xDF, 0xE1));
    EXPECT_FALSE(SameCell(font, 0xDF, 'B'));
    // A letter reaching below the x-height's top, not a half block.
    CellInk sharp = InkOf(font, 0xDF), b = InkOf(font, 'b');
    EXPECT_NEAR(static_cast<int>(sharp.m_ulTop), static_cast<int>(b.m_ulTop), 1);
}

TEST_F(PackagesTest, FontIsWhiteGlyphsWithADarkRimOnTransparentBlack)
{
    Picture font = Load("font01", "Engine", true);
    const uint32_t cell = font.m_ulWidth / kGrid;
    size_t white = 0, rim = 0;
    const uint32_t left = ('H' % kGrid) * cell, top = ('H' / kGrid) * cell;
    for (uint32_t y = 0; y < cell; ++y)
        for (uint32_t x = 0; x < cell; ++x)
        {
            const uint8_t* texel = font.At(left + x, top + y);
            if (texel[3] == 0)
                continue;
            white += texel[0] == 255 && texel[1] == 255 && texel[2] == 255;
            rim += texel[0] < 64;
        }
    EXPECT_GT(white, 20u);
    EXPECT_GT(rim, 20u);
}

// --- Cursor, console and effects ---------------------------------------------------

TEST_F(PackagesTest, CursorIsAColourKeyedArrowWithItsTipAtTheTopLeft)
{
    Picture cursor = Load("cursor01", "Engine", true);
    ASSERT_EQ(cursor.m_ulWidth, 32u);
    ASSERT_EQ(cursor.m_ulHeight, 32u);
    bool tip = false;
    for (uint32_t y = 0; y < 3; ++y)
        for (uint32_t x = 0; x < 3; ++x)
            tip = tip || cursor.Lit(x, y);
    EXPECT_TRUE(tip);
    EXPECT_FALSE(cursor.Lit(31, 0));
    EXPECT_FALSE(cursor.Lit(31, 31));
    EXPECT_FALSE(cursor.Lit(0, 31));
}

TEST_F(PackagesTest, ConsoleBackgroundIsAPowerOfTwoPicture)
{
    Picture console = Load("console", "Engine");
    EXPECT_EQ(console.m_ulWidth & (console.m_ulWidth - 1), 0u);
    EXPECT_EQ(console.m_ulHeight & (console.m_ulHeight - 1), 0u);
    std::set<uint32_t> colours;
    for (uint32_t i = 0; i < console.m_ulWidth * console.m_ulHeight; ++i)
        colours.insert(console.m_aData[i * 3] << 16 | console.m_aData[i * 3 + 1] << 8 | console.m_aData[i * 3 + 2]);
    EXPECT_GT(colours.size(), 16u);
}

// Clamped sprites drawn additively (or darkening by their brightness) show
// their square edge unless the border is exact black.
TEST_F(PackagesTest, EffectSpritesAreLitInsideAndBlackAtTheBorder)
{
    for (const ZETexReadImage& image : ReadPackage("textures/EngineSFX.tex", "Zervane.dat"))
    {
        SCOPED_TRACE(image.m_Name);
        Picture sprite = Load(image.m_Name.c_str(), "EngineSFX");
        const uint32_t w = sprite.m_ulWidth, h = sprite.m_ulHeight;
        for (uint32_t x = 0; x < w; ++x)
            ASSERT_TRUE(!sprite.Lit(x, 0) && !sprite.Lit(x, h - 1)) << "column " << x;
        for (uint32_t y = 0; y < h; ++y)
            ASSERT_TRUE(!sprite.Lit(0, y) && !sprite.Lit(w - 1, y)) << "row " << y;
        size_t lit = 0;
        for (uint32_t y = 0; y < h; ++y)
            for (uint32_t x = 0; x < w; ++x)
                lit += sprite.Lit(x, y);
        EXPECT_GT(lit, w * h / 50);
    }
}

TEST_F(PackagesTest, FakeShadowsFillAboutTheCentralHalf)
{
    Picture round = Load("fakeshadow1", "EngineSFX");
    Picture oblong = Load("fakeshadow2", "EngineSFX");
    EXPECT_GT(oblong.m_ulHeight, oblong.m_ulWidth) << "v runs along the length";
    for (const Picture* shadow : {&round, &oblong})
    {
        const uint32_t w = shadow->m_ulWidth, h = shadow->m_ulHeight;
        EXPECT_GT(shadow->At(w / 2, h / 2)[0], 160);
        // Strong across the central half, gone well before the edges.
        EXPECT_GT(shadow->At(w / 2 - w / 8, h / 2)[0], 128);
        EXPECT_GT(shadow->At(w / 2, h / 2 + h / 8)[0], 128);
        EXPECT_LT(shadow->At(w / 10, h / 2)[0], 8);
        EXPECT_LT(shadow->At(w / 2, h / 10)[0], 8);
    }
}
