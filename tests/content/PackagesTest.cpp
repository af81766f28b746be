// The generated game data, read the way the engine reads it: every package
// in build/run/main opened by the file manager, every texture of every
// texture package loaded through the texture manager and compared with the
// package's own bytes, the engine's textures checked for what drawing them
// relies on (font cell layout, colour-key black, black sprite borders) and
// the game's for theirs (every name the game and the maps ask for, the
// HUD's blue key, the skid mark's white key, the oil decal's black border,
// seamless surfaces and sky faces, a calm menu centre, the track previews
// in a package of their own).
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZETextureManager.h"

#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"

#include "ZEPackReader.h"
#include "ZETexReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
const char* const kMainDir = WRENZO_MAIN_DIR;
const char* const kArchives[] = {"Zervane.dat", "wrenzo.textures", "wrenzo.previews"};
const int kGrid = 16;
const uint8_t kBlack[3] = {0, 0, 0};
const uint8_t kBlue[3] = {0, 0, 255};
const uint8_t kWhite[3] = {255, 255, 255};
const uint8_t kMagenta[3] = {255, 0, 255};

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

    // A texture as the engine loads it (colour-keyed when a key is given).
    Picture Load(const char* name, const char* group, const uint8_t* key = nullptr)
    {
        std::unique_ptr<ZETextureReference> reference(
            key ? m_pManager->GetTexture(name, group, false, key)
                : m_pManager->GetTexture(name, group, false));
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
    Picture font = Load("font01", "Engine", kBlack);
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
    Picture font = Load("font01", "Engine", kBlack);
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
    Picture font = Load("font01", "Engine", kBlack);
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
    Picture font = Load("font01", "Engine", kBlack);
    EXPECT_TRUE(SameCell(font, 0xDF, 0xE1));
    EXPECT_FALSE(SameCell(font, 0xDF, 'B'));
    // A letter reaching below the x-height's top, not a half block.
    CellInk sharp = InkOf(font, 0xDF), b = InkOf(font, 'b');
    EXPECT_NEAR(static_cast<int>(sharp.m_ulTop), static_cast<int>(b.m_ulTop), 1);
}

TEST_F(PackagesTest, FontIsWhiteGlyphsWithADarkRimOnTransparentBlack)
{
    Picture font = Load("font01", "Engine", kBlack);
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
    Picture cursor = Load("cursor01", "Engine", kBlack);
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

// --- The game's textures -----------------------------------------------------------

namespace
{
bool PowerOfTwo(uint32_t value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

bool IsKey(const uint8_t* texel, const uint8_t* key)
{
    return texel[0] == key[0] && texel[1] == key[1] && texel[2] == key[2];
}

// Every texel of `key` colour that cannot be reached from the border through
// other key texels (a hole of background inside the picture).
size_t EnclosedKeyTexels(const Picture& picture, const uint8_t* key)
{
    const uint32_t w = picture.m_ulWidth, h = picture.m_ulHeight;
    std::vector<uint8_t> reached(w * h, 0);
    std::vector<uint32_t> open;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            if ((x == 0 || y == 0 || x == w - 1 || y == h - 1) && IsKey(picture.At(x, y), key))
            {
                reached[y * w + x] = 1;
                open.push_back(y * w + x);
            }
    while (!open.empty())
    {
        uint32_t at = open.back();
        open.pop_back();
        const uint32_t x = at % w, y = at / w;
        const int64_t next[4][2] = {{x - 1ll, y}, {x + 1ll, y}, {x, y - 1ll}, {x, y + 1ll}};
        for (const auto& n : next)
        {
            if (n[0] < 0 || n[1] < 0 || n[0] >= w || n[1] >= h)
                continue;
            uint32_t index = static_cast<uint32_t>(n[1] * w + n[0]);
            if (!reached[index] && IsKey(picture.At(static_cast<uint32_t>(n[0]), static_cast<uint32_t>(n[1])), key))
            {
                reached[index] = 1;
                open.push_back(index);
            }
        }
    }
    size_t enclosed = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            enclosed += IsKey(picture.At(x, y), key) && !reached[y * w + x];
    return enclosed;
}

// The picture averaged over blocks of block x block texels (RGB).
Picture Reduce(const Picture& picture, uint32_t block)
{
    Picture reduced;
    reduced.m_ulWidth = picture.m_ulWidth / block;
    reduced.m_ulHeight = picture.m_ulHeight / block;
    reduced.m_ulBytes = 3;
    reduced.m_aData.resize(reduced.m_ulWidth * reduced.m_ulHeight * 3);
    for (uint32_t y = 0; y < reduced.m_ulHeight; ++y)
        for (uint32_t x = 0; x < reduced.m_ulWidth; ++x)
            for (uint32_t c = 0; c < 3; ++c)
            {
                uint32_t sum = 0;
                for (uint32_t by = 0; by < block; ++by)
                    for (uint32_t bx = 0; bx < block; ++bx)
                        sum += picture.At(x * block + bx, y * block + by)[c];
                reduced.m_aData[(y * reduced.m_ulWidth + x) * 3 + c] = static_cast<uint8_t>(sum / (block * block));
            }
    return reduced;
}

// Mean difference per channel between column (or row) a and b.
double LineDifference(const Picture& picture, bool columns, uint32_t a, uint32_t b)
{
    const uint32_t length = columns ? picture.m_ulHeight : picture.m_ulWidth;
    double sum = 0.0;
    for (uint32_t i = 0; i < length; ++i)
    {
        const uint8_t* p = columns ? picture.At(a, i) : picture.At(i, a);
        const uint8_t* q = columns ? picture.At(b, i) : picture.At(i, b);
        for (uint32_t c = 0; c < 3; ++c)
            sum += std::abs(int(p[c]) - int(q[c]));
    }
    return sum / (length * 3.0);
}

// How the join across the texture's edge compares with the joins between
// the neighbouring lines on either side of it. Compared locally, because a
// surface's parts differ (coarse ballast beside smooth rails): a seamless
// texture joins like its neighbourhood, a seam is a jump unlike it.
struct Seam
{
    double m_dAcross = 0.0;   // last line against the first
    double m_dNearby = 0.0;   // the largest of the four joins inside on either side
};

Seam MeasureSeam(const Picture& picture, bool columns)
{
    const uint32_t lines = columns ? picture.m_ulWidth : picture.m_ulHeight;
    Seam seam;
    seam.m_dAcross = LineDifference(picture, columns, lines - 1, 0);
    for (uint32_t i = 0; i < 4; ++i)
        seam.m_dNearby = std::max({seam.m_dNearby, LineDifference(picture, columns, i, i + 1),
                                   LineDifference(picture, columns, lines - 2 - i, lines - 1 - i)});
    return seam;
}

bool Seamless(const Seam& seam)
{
    return seam.m_dAcross <= 1.3 * seam.m_dNearby + 2.0;
}

// Mean difference per channel between a line of one face and a line of
// another, the second possibly run backwards.
double EdgeDifference(const Picture& a, bool aColumn, uint32_t aIndex, const Picture& b, bool bColumn,
                      uint32_t bIndex, bool reversed)
{
    const uint32_t n = a.m_ulWidth;
    double sum = 0.0;
    for (uint32_t i = 0; i < n; ++i)
    {
        uint32_t j = reversed ? n - 1 - i : i;
        const uint8_t* p = aColumn ? a.At(aIndex, i) : a.At(i, aIndex);
        const uint8_t* q = bColumn ? b.At(bIndex, j) : b.At(j, bIndex);
        for (uint32_t c = 0; c < 3; ++c)
            sum += std::abs(int(p[c]) - int(q[c]));
    }
    return sum / (n * 3.0);
}

struct GameTexture
{
    const char* m_pGroup;
    const char* m_pName;
    const uint8_t* m_pKey;
};

// What the game loads by name (with the keys it loads them with) and what
// the maps name in the package "track".
const GameTexture kGameTextures[] = {
    {"HUD", "tacho", kBlue},       {"HUD", "N2O", kBlue},           {"HUD", "rocket", kBlue},
    {"HUD", "mine", kBlue},        {"HUD", "oil", kBlue},           {"menu", "background", nullptr},
    {"tracks", "airfield", nullptr}, {"tracks", "church", nullptr}, {"tracks", "hillhole", nullptr},
    {"tracks", "railroad", nullptr}, {"tracks", "windydesert", nullptr}, {"tyre", "tyre", kWhite},
    {"racing", "oil", nullptr},    {"logos", "wz2", nullptr},       {"track", "road", nullptr},
    {"track", "roadlines", nullptr}, {"track", "grass", nullptr},   {"track", "sand", nullptr},
    {"track", "concrete", nullptr}, {"track", "runway", nullptr},   {"track", "brick", nullptr},
    {"track", "roof", nullptr},    {"track", "rail", nullptr},      {"track", "dirt", nullptr},
    {"track", "water", nullptr},   {"track", "skyfront", nullptr},  {"track", "skyback", nullptr},
    {"track", "skyleft", nullptr}, {"track", "skyright", nullptr},  {"track", "skyup", nullptr},
    {"track", "skydown", nullptr}, {"track", "tree", kMagenta},
};

const char* const kSurfaces[] = {"road", "roadlines", "grass", "sand", "concrete", "runway",
                                 "brick", "roof", "rail", "dirt", "water"};
}

TEST_F(PackagesTest, GamePackageHoldsEveryTextureTheGameAndTheMapsAskFor)
{
    for (const GameTexture& wanted : kGameTextures)
    {
        SCOPED_TRACE(std::string(wanted.m_pGroup) + "/" + wanted.m_pName);
        Picture picture = Load(wanted.m_pName, wanted.m_pGroup, wanted.m_pKey);
        ASSERT_FALSE(picture.m_aData.empty());
        EXPECT_EQ(picture.m_ulBytes, wanted.m_pKey ? 4u : 3u);
        EXPECT_TRUE(PowerOfTwo(picture.m_ulWidth) && PowerOfTwo(picture.m_ulHeight))
            << picture.m_ulWidth << " x " << picture.m_ulHeight;
        std::set<uint32_t> colours;
        for (uint32_t i = 0; i < picture.m_ulWidth * picture.m_ulHeight; ++i)
        {
            const uint8_t* texel = &picture.m_aData[i * picture.m_ulBytes];
            colours.insert(texel[0] << 16 | texel[1] << 8 | texel[2]);
        }
        EXPECT_GT(colours.size(), 8u) << "a flat picture";
    }
}

TEST_F(PackagesTest, HudShowsPureBlueOnlyAsItsTransparentBackground)
{
    for (const char* name : {"tacho", "N2O", "rocket", "mine", "oil"})
    {
        SCOPED_TRACE(name);
        Picture plain = Load(name, "HUD");
        ASSERT_FALSE(plain.m_aData.empty());
        EXPECT_EQ(EnclosedKeyTexels(plain, kBlue), 0u) << "blue holes inside the picture";
        size_t opaque = 0;
        for (uint32_t y = 0; y < plain.m_ulHeight; ++y)
            for (uint32_t x = 0; x < plain.m_ulWidth; ++x)
            {
                const uint8_t* texel = plain.At(x, y);
                if (IsKey(texel, kBlue))
                    continue;
                ++opaque;
                // Nothing close to the key either: the nearest texel would
                // show it as a blue fringe.
                EXPECT_FALSE(texel[0] + texel[1] < 40 && texel[2] > 200)
                    << "bluish texel at " << x << ", " << y;
            }
        EXPECT_GT(opaque, plain.m_ulWidth * plain.m_ulHeight / 3);
        Picture keyed = Load(name, "HUD", kBlue);
        ASSERT_EQ(keyed.m_ulBytes, 4u);
        EXPECT_EQ(keyed.At(0, 0)[3], 0) << "the top left corner is background";
        EXPECT_EQ(keyed.At(keyed.m_ulWidth - 1, 0)[3], 0) << "the top right corner is background";
    }
}

TEST_F(PackagesTest, TreeStandsOnItsFootOnTheMagentaKey)
{
    Picture tree = Load("tree", "track", kMagenta);
    ASSERT_EQ(tree.m_ulBytes, 4u);
    const uint32_t w = tree.m_ulWidth, h = tree.m_ulHeight;
    EXPECT_EQ(tree.At(w / 2, h - 1)[3], 255) << "the trunk reaches the ground";
    EXPECT_EQ(tree.At(w / 2, h / 4)[3], 255) << "the crown";
    EXPECT_EQ(tree.At(0, h - 1)[3], 0);
    EXPECT_EQ(tree.At(w - 1, 0)[3], 0);
}

TEST_F(PackagesTest, TachoDialCoversTheWholeSweepOfTheNeedle)
{
    Picture tacho = Load("tacho", "HUD", kBlue);
    ASSERT_EQ(tacho.m_ulBytes, 4u);
    ASSERT_EQ(tacho.m_ulWidth, 2 * tacho.m_ulHeight);
    // The game draws the needle from the hub at (0.5, 0.95) of the texture;
    // its tip reaches 0.444 of the width and 0.8 of the height at 0.9
    // degrees per km/h.
    for (int speed = 0; speed <= 200; speed += 5)
    {
        const double a = speed * 0.9 * 3.14159265358979 / 180.0;
        for (double reach : {0.0, 0.5, 1.0})
        {
            double u = 0.5 - reach * 0.4444 * std::cos(a), v = 0.95 - reach * 0.8 * std::sin(a);
            uint32_t x = static_cast<uint32_t>(u * tacho.m_ulWidth), y = static_cast<uint32_t>(v * tacho.m_ulHeight);
            EXPECT_EQ(tacho.At(std::min(x, tacho.m_ulWidth - 1), y)[3], 255) << speed << " km/h, reach " << reach;
        }
    }
}

TEST_F(PackagesTest, IconsAreSixtyFourSquareBadges)
{
    for (const char* name : {"N2O", "rocket", "mine", "oil"})
    {
        Picture icon = Load(name, "HUD", kBlue);
        ASSERT_EQ(icon.m_ulWidth, 64u) << name;
        ASSERT_EQ(icon.m_ulHeight, 64u) << name;
        EXPECT_EQ(icon.At(63, 63)[3], 0) << name << ": rounded corner";
        EXPECT_EQ(icon.At(32, 32)[3], 255) << name;
        EXPECT_EQ(icon.At(32, 2)[3], 255) << name << ": the badge reaches the edge";
    }
}

TEST_F(PackagesTest, SkidMarkIsExactWhiteOrClearlyRubber)
{
    Picture tyre = Load("tyre", "tyre");
    size_t marked = 0;
    for (uint32_t y = 0; y < tyre.m_ulHeight; ++y)
        for (uint32_t x = 0; x < tyre.m_ulWidth; ++x)
        {
            const uint8_t* texel = tyre.At(x, y);
            if (IsKey(texel, kWhite))
                continue;
            ++marked;
            // Drawn black wherever it is not exact white: no pale texels
            // that were meant as "almost nothing".
            EXPECT_LT(std::max({texel[0], texel[1], texel[2]}), 160) << x << ", " << y;
        }
    const size_t total = tyre.m_ulWidth * tyre.m_ulHeight;
    EXPECT_GT(marked, total * 4 / 10);
    EXPECT_LT(marked, total * 9 / 10);
    // Grooves: some columns are clear all the way down.
    size_t clearColumns = 0;
    for (uint32_t x = 0; x < tyre.m_ulWidth; ++x)
    {
        bool clear = true;
        for (uint32_t y = 0; y < tyre.m_ulHeight; ++y)
            clear = clear && IsKey(tyre.At(x, y), kWhite);
        clearColumns += clear;
    }
    EXPECT_GE(clearColumns, 3u);
    // The mark repeats along the skid.
    Seam along = MeasureSeam(tyre, false);
    EXPECT_TRUE(Seamless(along)) << along.m_dAcross << " across, " << along.m_dNearby << " nearby";
    Picture keyed = Load("tyre", "tyre", kWhite);
    EXPECT_EQ(keyed.m_ulBytes, 4u);
}

TEST_F(PackagesTest, OilSlickIsWhiteOilOnABlackBorder)
{
    Picture oil = Load("oil", "racing");
    const uint32_t w = oil.m_ulWidth, h = oil.m_ulHeight;
    for (uint32_t i = 0; i < w; ++i)
    {
        ASSERT_TRUE(IsKey(oil.At(i, 0), kBlack) && IsKey(oil.At(i, h - 1), kBlack)) << "column " << i;
        ASSERT_TRUE(IsKey(oil.At(0, i % h), kBlack) && IsKey(oil.At(w - 1, i % h), kBlack)) << "row " << i % h;
    }
    EXPECT_GT(oil.At(w / 2, h / 2)[0], 200);
    size_t lit = 0;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
        {
            const uint8_t* texel = oil.At(x, y);
            EXPECT_TRUE(texel[0] == texel[1] && texel[1] == texel[2]) << "grey only: " << x << ", " << y;
            lit += texel[0] > 128;
        }
    EXPECT_GT(lit, w * h / 8);
    EXPECT_LT(lit, w * h * 7 / 10);
}

TEST_F(PackagesTest, SurfacesRepeatWithoutSeams)
{
    for (const char* name : kSurfaces)
    {
        SCOPED_TRACE(name);
        Picture surface = Load(name, "track");
        ASSERT_FALSE(surface.m_aData.empty());
        EXPECT_EQ(surface.m_ulWidth, surface.m_ulHeight);
        EXPECT_GE(surface.m_ulWidth, 128u);
        EXPECT_LE(surface.m_ulWidth, 256u);
        // At full size and averaged over blocks (where grain no longer
        // hides a jump in tone), the join across each edge is like any
        // join between neighbouring lines inside.
        for (uint32_t block : {1u, 4u})
            for (bool columns : {true, false})
            {
                Seam seam = MeasureSeam(Reduce(surface, block), columns);
                EXPECT_TRUE(Seamless(seam)) << (columns ? "left and right" : "top and bottom") << " edges, blocks of "
                                            << block << ": " << seam.m_dAcross << " across, " << seam.m_dNearby
                                            << " nearby";
            }
    }
}

TEST_F(PackagesTest, SurfaceSeamCheckCatchesASeam)
{
    // The measure itself: a ramp across the texture does not repeat.
    Picture ramp;
    ramp.m_ulWidth = ramp.m_ulHeight = 64;
    ramp.m_aData.resize(64 * 64 * 3);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            for (uint32_t c = 0; c < 3; ++c)
                ramp.m_aData[(y * 64 + x) * 3 + c] = static_cast<uint8_t>(x * 3);
    EXPECT_FALSE(Seamless(MeasureSeam(ramp, true)));
    EXPECT_TRUE(Seamless(MeasureSeam(ramp, false)));
}

// The sky faces are seen from inside the box, upright, u to the right:
// front +Z, right +X, back -Z, left -X; up's bottom row meets front's top
// row and down's top row front's bottom row.
TEST_F(PackagesTest, SkyFacesMeetWithoutSeams)
{
    Picture front = Load("skyfront", "track"), back = Load("skyback", "track");
    Picture left = Load("skyleft", "track"), right = Load("skyright", "track");
    Picture up = Load("skyup", "track"), down = Load("skydown", "track");
    for (const Picture* face : {&front, &back, &left, &right, &up, &down})
    {
        ASSERT_EQ(face->m_ulWidth, front.m_ulWidth);
        ASSERT_EQ(face->m_ulHeight, front.m_ulWidth);
    }
    const uint32_t last = front.m_ulWidth - 1;
    struct Edge
    {
        const char* m_pWhat;
        const Picture* a;
        bool aColumn;
        uint32_t aIndex;
        const Picture* b;
        bool bColumn;
        uint32_t bIndex;
        bool reversed;
    };
    const Edge edges[] = {
        {"front | right", &front, true, last, &right, true, 0, false},
        {"right | back", &right, true, last, &back, true, 0, false},
        {"back | left", &back, true, last, &left, true, 0, false},
        {"left | front", &left, true, last, &front, true, 0, false},
        {"up / front", &up, false, last, &front, false, 0, false},
        {"up / back", &up, false, 0, &back, false, 0, true},
        {"up / left", &up, true, 0, &left, false, 0, false},
        {"up / right", &up, true, last, &right, false, 0, true},
        {"front / down", &front, false, last, &down, false, 0, false},
        {"back / down", &back, false, last, &down, false, last, true},
        {"left / down", &left, false, last, &down, true, 0, true},
        {"right / down", &right, false, last, &down, true, last, false},
    };
    for (const Edge& edge : edges)
        EXPECT_LE(EdgeDifference(*edge.a, edge.aColumn, edge.aIndex, *edge.b, edge.bColumn, edge.bIndex, edge.reversed),
                  4.0)
            << edge.m_pWhat;
    // And a wrong pairing is told apart: the sky is not the same all round.
    EXPECT_GT(EdgeDifference(up, false, 0, front, false, 0, false), 4.0);
}

TEST_F(PackagesTest, MenuBackgroundIsCalmAndLightWhereTheItemsAre)
{
    Picture menu = Load("background", "menu");
    ASSERT_FALSE(menu.m_aData.empty());
    // The items are centred, about 180 pixels either side on a 640 x 480
    // screen, from 95 above the centre to 208 below it.
    const uint32_t left = menu.m_ulWidth * 230 / 640, right = menu.m_ulWidth * 410 / 640;
    const uint32_t top = menu.m_ulHeight * 145 / 480, bottom = menu.m_ulHeight * 448 / 480;
    double sum = 0.0, squares = 0.0;
    size_t count = 0;
    for (uint32_t y = top; y < bottom; ++y)
        for (uint32_t x = left; x < right; ++x)
        {
            const uint8_t* texel = menu.At(x, y);
            double light = 0.3 * texel[0] + 0.59 * texel[1] + 0.11 * texel[2];
            sum += light;
            squares += light * light;
            ++count;
        }
    const double mean = sum / count, deviation = std::sqrt(squares / count - mean * mean);
    EXPECT_GT(mean, 180.0) << "blue (0, 0, 200) and red (200, 0, 0) text needs a light ground";
    EXPECT_LT(deviation, 12.0) << "a busy ground under the text";
    // Around it, the picture is a picture.
    std::set<uint32_t> colours;
    for (uint32_t y = 0; y < menu.m_ulHeight / 4; ++y)
        for (uint32_t x = 0; x < menu.m_ulWidth; ++x)
        {
            const uint8_t* texel = menu.At(x, y);
            colours.insert(texel[0] << 16 | texel[1] << 8 | texel[2]);
        }
    EXPECT_GT(colours.size(), 1000u);
}

TEST_F(PackagesTest, TrackPreviewsAreWidePicturesEachItsOwn)
{
    // Rendered from the maps, which are drawn with wrenzo.textures, so
    // they live apart from it.
    std::vector<std::string> previewPackages = TexturePackages("wrenzo.previews");
    EXPECT_EQ(previewPackages, std::vector<std::string>{"textures/tracks.tex"});
    std::vector<std::string> gamePackages = TexturePackages("wrenzo.textures");
    EXPECT_EQ(std::count(gamePackages.begin(), gamePackages.end(), "textures/tracks.tex"), 0);
    std::vector<Picture> previews;
    for (const char* name : {"airfield", "church", "hillhole", "railroad", "windydesert"})
    {
        previews.push_back(Load(name, "tracks"));
        EXPECT_GT(previews.back().m_ulWidth, previews.back().m_ulHeight) << name;
    }
    for (size_t i = 0; i < previews.size(); ++i)
        for (size_t j = i + 1; j < previews.size(); ++j)
            EXPECT_FALSE(previews[i].m_aData == previews[j].m_aData) << i << " and " << j;
}
