// zetexgen's descriptions and painters: what a person writing a description
// sees when something is wrong, and what the painters promise the engine.
#include "ZETexArt.h"
#include "ZETexGen.h"
#include "ZETexReader.h"
#include "render/ZETGAWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
std::string ParseError(const std::string& text)
{
    std::vector<ZETexEntry> entries;
    std::string error;
    EXPECT_FALSE(ZEParseTexDescription(text, "test.txt", entries, error));
    return error;
}

// The error of painting the only entry of `text`, or "" when it paints.
std::string PaintError(const std::string& text, ZETexImage* image = nullptr)
{
    ZETexPainters painters;
    ZERegisterAllTexFamilies(painters);
    std::vector<ZETexEntry> entries;
    std::string error;
    if (!ZEParseTexDescription(text, "test.txt", entries, error))
        return error;
    ZETexImage painted;
    if (!ZEPaintTexEntry(painters, entries.at(0), painted, error))
        return error;
    if (image)
        *image = painted;
    return "";
}

// The RGB texels of a painted image, palette expanded.
std::vector<uint8_t> Texels(const ZETexImage& image)
{
    if (!image.IsPaletted())
        return image.m_aTexels;
    std::vector<uint8_t> rgb;
    for (uint8_t index : image.m_aTexels)
        rgb.insert(rgb.end(), image.m_aPalette.begin() + index * 3, image.m_aPalette.begin() + index * 3 + 3);
    return rgb;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class TexGenFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Dir = m_Folder.Path();
        ZERegisterAllTexFamilies(m_Painters);
    }

    std::vector<uint8_t> Read(const std::string& path)
    {
        std::ifstream file(path, std::ios::binary);
        return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    }

    ZETempFolder m_Folder{"texgen"};
    std::string m_Dir;
    ZETexPainters m_Painters;
};
}

// --- Descriptions ----------------------------------------------------------------

TEST(TexGenDescriptionTest, EntriesKeepTheirOrderSizesAndParameters)
{
    std::vector<ZETexEntry> entries;
    std::string error;
    ASSERT_TRUE(ZEParseTexDescription("# comment\n\n[b]\npainter = solid  # trailing comment\nsize = 64x128\n"
                                      "color = #ff8000\n[a]\r\npainter=checker\r\nsize=16\r\n",
                                      "test.txt", entries, error))
        << error;
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].m_Name, "b");
    EXPECT_EQ(entries[0].m_Painter, "solid");
    EXPECT_EQ(entries[0].m_iWidth, 64);
    EXPECT_EQ(entries[0].m_iHeight, 128);
    ZETexColor color = entries[0].m_Params.Color("color", ZETexColor());
    EXPECT_FLOAT_EQ(color.r, 1.0f);
    EXPECT_FLOAT_EQ(color.g, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(color.b, 0.0f);
    EXPECT_EQ(entries[1].m_Name, "a");
    EXPECT_EQ(entries[1].m_iWidth, 16);
    EXPECT_EQ(entries[1].m_iHeight, 16);
}

TEST(TexGenDescriptionTest, FaultsNameTheFileAndLine)
{
    EXPECT_TRUE(Contains(ParseError("painter = solid\n"), "test.txt:1:"));
    EXPECT_TRUE(Contains(ParseError("[a]\npainter = solid\nsize = 8\nsize = 8\n"), "test.txt:4: size is given twice"));
    EXPECT_TRUE(Contains(ParseError("[a]\npainter = solid\nsize = 8\n[a]\n"), "test.txt:4: [a] is given twice"));
    EXPECT_TRUE(Contains(ParseError("[a]\npainter = solid\nsize = 8\njust words\n"), "test.txt:4:"));
    EXPECT_TRUE(Contains(ParseError("[twelve_chars]\n"), "test.txt:1:"));
    EXPECT_TRUE(Contains(ParseError("[]\n"), "test.txt:1:"));
    EXPECT_TRUE(Contains(ParseError("[a]\nsize = 8\n"), "names no painter"));
    EXPECT_TRUE(Contains(ParseError("[a]\npainter = solid\n"), "needs a size"));
    EXPECT_TRUE(Contains(ParseError("# nothing\n"), "no [name] section"));
}

TEST(TexGenDescriptionTest, SizesOutsideWhatATextureCanHoldAreRefused)
{
    for (const char* size : {"0", "-8", "4097", "8.5", "8x", "x8", "eight", "8x0"})
        EXPECT_TRUE(Contains(ParseError(std::string("[a]\npainter = solid\nsize = ") + size + "\n"), "needs a size"))
            << size;
}

// --- Parameters --------------------------------------------------------------------

TEST(TexGenParamsTest, AKeyNoPainterReadsIsAnError)
{
    std::string error = PaintError("[a]\npainter = solid\nsize = 8\ncolour = 1 2 3\n");
    EXPECT_TRUE(Contains(error, "test.txt:4:")) << error;
    EXPECT_TRUE(Contains(error, "has no parameter \"colour\"")) << error;
}

TEST(TexGenParamsTest, BadValuesNameTheirKey)
{
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = solid\nsize = 8\ncolor = 1 2\n"), "color"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = solid\nsize = 8\ncolor = 1 2 300\n"), "color"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = solid\nsize = 8\ncolor = #12345\n"), "color"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = checker\nsize = 8\ncells = 2.5\n"), "whole number"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = checker\nsize = 8\ncells = 0\n"), "must lie between"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = glow\nsize = 8\ncore = nan\n"), "not a number"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = glow\nsize = 8\ncore = 1e999\n"), "not a number"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = blob\nsize = 8\ninner = 0.5\nouter = 0.4\n"), "inner"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = cursor\nsize = 8\npoints = 1 1 2\n"), "pairs"));
}

TEST(TexGenParamsTest, AnUnknownPainterIsNamed)
{
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = sparkle\nsize = 8\n"), "unknown painter \"sparkle\""));
}

// --- Painting ------------------------------------------------------------------------

TEST(TexGenPaintTest, FewColoursArePalettedAndManyAreNot)
{
    ZETexImage image;
    ASSERT_EQ(PaintError("[a]\npainter = checker\nsize = 8\ncells = 2\n", &image), "");
    EXPECT_TRUE(image.IsPaletted());
    EXPECT_EQ(image.GetPaletteSize(), 2u);

    std::vector<uint8_t> rgb;
    for (int i = 0; i < 257; ++i)
        rgb.insert(rgb.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(i >> 8), 7});
    ZETexImage many = ZEMakeTexImage(257, 1, rgb);
    EXPECT_FALSE(many.IsPaletted());
    EXPECT_EQ(many.m_aTexels, rgb);
    ZETexImage exactly = ZEMakeTexImage(256, 1, std::vector<uint8_t>(rgb.begin(), rgb.begin() + 256 * 3));
    EXPECT_TRUE(exactly.IsPaletted());
    EXPECT_EQ(Texels(exactly), std::vector<uint8_t>(rgb.begin(), rgb.begin() + 256 * 3));
}

TEST(TexGenPaintTest, EffectSpritesFadeToExactBlackAtTheBorder)
{
    const char* const painters[] = {"glow\nrays = 4\nray_length = 1\nring = 1\nring_radius = 0.95",
                                    "shape\nradius = 1\nsides = 5\nglow = 1", "cloud\nspread = 1\npuff_size = 1",
                                    "blob\nwidth = 1\nouter = 1"};
    for (const char* painter : painters)
    {
        ZETexImage image;
        ASSERT_EQ(PaintError(std::string("[a]\nsize = 32\npainter = ") + painter + "\n", &image), "") << painter;
        std::vector<uint8_t> rgb = Texels(image);
        for (int i = 0; i < 32; ++i)
            for (int at : {i, 31 * 32 + i, i * 32, i * 32 + 31})
                ASSERT_EQ(rgb[at * 3] | rgb[at * 3 + 1] | rgb[at * 3 + 2], 0) << painter << " texel " << at;
        EXPECT_GT(rgb[(16 * 32 + 16) * 3], 0) << painter;
    }
}

TEST(TexGenPaintTest, TheSameDescriptionPaintsTheSameTexels)
{
    const std::string text = "[a]\npainter = cloud\nsize = 32\nseed = 9\n";
    ZETexImage first, second, other;
    ASSERT_EQ(PaintError(text, &first), "");
    ASSERT_EQ(PaintError(text, &second), "");
    ASSERT_EQ(PaintError("[a]\npainter = cloud\nsize = 32\nseed = 10\n", &other), "");
    EXPECT_EQ(Texels(first), Texels(second));
    EXPECT_NE(Texels(first), Texels(other));
}

TEST(TexGenPaintTest, CursorIsExactBlackAroundTheArrow)
{
    ZETexImage image;
    ASSERT_EQ(PaintError("[a]\npainter = cursor\nsize = 32\n", &image), "");
    std::vector<uint8_t> rgb = Texels(image);
    auto lit = [&](int x, int y) { return (rgb[(y * 32 + x) * 3] | rgb[(y * 32 + x) * 3 + 1] | rgb[(y * 32 + x) * 3 + 2]) != 0; };
    EXPECT_TRUE(lit(1, 1));
    EXPECT_TRUE(lit(3, 10));
    EXPECT_FALSE(lit(31, 0));
    EXPECT_FALSE(lit(20, 2));
    EXPECT_FALSE(lit(0, 31));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = cursor\nsize = 32\noutline_color = 0 0 0\n"), "pure black"));
}

TEST(TexGenPaintTest, FontRefusesWhatItCannotLayOut)
{
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = font\nsize = 100\n"), "multiple of 16"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = font\nsize = 256x512\n"), "multiple of 16"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = font\nsize = 256\nface = /nonexistent/face.ttf\n"),
                         "cannot open the font face"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = font\nsize = 256\noutline_color = 0 0 0\n"), "pure black"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = font\nsize = 128\noutline = 4\nmargin = 4\n"), "no room"));
}

// --- The game's painters and their drawing helpers -------------------------------------

TEST(TexGenArtTest, PicturesOnAKeyNeverShowTheKeyInside)
{
    // A disc whose samples are all exactly the key colour: covered texels
    // must still differ from the key, every other texel must be it.
    const ZETexColor key{0.0f, 0.0f, 1.0f};
    ZETexCanvas canvas(16, 16);
    ZEPaintOnKey(canvas, 4, key, [&](float x, float y, ZETexColor& color) {
        color = key;
        return ZESdCircle(x, y, 8.0f, 8.0f, 5.0f) < 0.0f;
    });
    std::vector<uint8_t> rgb = canvas.ToBytes();
    auto isKey = [&](int x, int y) {
        const uint8_t* t = &rgb[(y * 16 + x) * 3];
        return t[0] == 0 && t[1] == 0 && t[2] == 255;
    };
    EXPECT_FALSE(isKey(8, 8));
    EXPECT_TRUE(isKey(0, 0));
    EXPECT_TRUE(isKey(15, 8));
    // Edge texels are all or nothing: each is the key or the picture's
    // colour nudged off it, never a blend.
    for (size_t i = 0; i < rgb.size(); i += 3)
        EXPECT_TRUE(rgb[i] == 0 && rgb[i + 1] == 0 && rgb[i + 2] >= 253) << i / 3;
}

TEST(TexGenArtTest, CellsAndDistancesRepeatAndMeasure)
{
    ZETexCells cells(4, 8);
    for (float x : {0.3f, 2.7f, 7.9f})
    {
        ZETexCells::Hit a = cells.At(x, 1.5f), b = cells.At(x + 8.0f, 1.5f - 16.0f);
        EXPECT_NEAR(a.m_fNearest, b.m_fNearest, 1e-5f);
        EXPECT_EQ(a.m_ulCell, b.m_ulCell);
        EXPECT_LE(a.m_fNearest, a.m_fSecond);
    }
    EXPECT_FLOAT_EQ(ZESdCircle(3.0f, 0.0f, 0.0f, 0.0f, 1.0f), 2.0f);
    EXPECT_LT(ZESdRoundBox(0.0f, 0.0f, 0.0f, 0.0f, 2.0f, 1.0f, 0.5f), 0.0f);
    EXPECT_NEAR(ZESdRoundBox(3.0f, 0.0f, 0.0f, 0.0f, 2.0f, 1.0f, 0.5f), 1.0f, 1e-5f);
    EXPECT_NEAR(ZESdPolygon(0.5f, 2.0f, {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f}), 1.0f, 1e-5f);
    EXPECT_NEAR(ZESdPolygon(0.5f, 0.25f, {0.0f, 0.0f, 1.0f, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f}), -0.25f, 1e-5f);
    EXPECT_NEAR(ZESdEllipse(4.0f, 0.0f, 0.0f, 0.0f, 3.0f, 1.0f), 1.0f, 1e-4f);
    EXPECT_FLOAT_EQ(ZEWrapDelta(0.5f, 9.5f, 10.0f), 1.0f);
    EXPECT_FLOAT_EQ(ZEWrap(-0.5f, 10.0f), 9.5f);
}

TEST(TexGenArtTest, TextIsRenderedCentredWithItsPadding)
{
    ZETexFont font;
    std::string error;
    ASSERT_TRUE(font.Open("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf", error)) << error;
    ZETexMask narrow = font.Render("88", 20.0f, 0.5f, 0.0f, 0.0f, 3), wide = font.Render("88", 20.0f, 1.0f, 0.0f, 0.0f, 3);
    EXPECT_LT(narrow.m_iWidth, wide.m_iWidth);
    EXPECT_EQ(narrow.m_iHeight, wide.m_iHeight);
    float ink = 0.0f, border = 0.0f;
    for (int y = 0; y < wide.m_iHeight; ++y)
        for (int x = 0; x < wide.m_iWidth; ++x)
        {
            ink += wide.At(x, y);
            if (x < 3 || y < 3 || x >= wide.m_iWidth - 3 || y >= wide.m_iHeight - 3)
                border += wide.At(x, y);
        }
    EXPECT_GT(ink, 50.0f);
    EXPECT_EQ(border, 0.0f);
    ZETexMask empty = font.Render("", 20.0f, 1.0f, 0.0f, 0.0f, 2);
    EXPECT_EQ(empty.m_iWidth, 4);
    EXPECT_EQ(empty.m_iHeight, 4);
    ZETexMask grown = ZEDilateMask(wide, 2.0f), soft = ZEBlurMask(wide, 2);
    EXPECT_GT(grown.At(1, wide.m_iHeight / 2) + grown.At(2, wide.m_iHeight / 2), 0.0f);
    EXPECT_GT(soft.At(1, wide.m_iHeight / 2), 0.0f);
    ZETexFont missing;
    EXPECT_FALSE(missing.Open("/nonexistent/face.ttf", error));
    EXPECT_EQ(missing.Render("x", 20.0f, 1.0f, 0.0f, 0.0f, 1).m_iWidth, 2);
}

TEST(TexGenArtTest, GamePaintersRefuseWhatTheGameCannotUse)
{
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = icon\nsize = 32\n"), "64 x 64"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = icon\nsize = 64\nsymbol = bomb\n"), "nitro, rocket"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = brick\nsize = 64\nrows = 5\n"), "even"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = roof\nsize = 64\nrows = 3\n"), "even"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = asphalt\nsize = 64\nlines = zebra\n"), "lanes"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = skyface\nsize = 64\nface = north\n"), "front, back"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = tacho\nsize = 64x32\nmajor_every = 25\n"), "multiple"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = preview\nsize = 64x32\ntheme = moon\n"), "airfield"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = menuback\nsize = 64x32\npanel = 0.8 0.2 0.2 0.9\n"), "left < right"));
    EXPECT_TRUE(Contains(PaintError("[a]\npainter = logo\nsize = 64x32\nface = /nonexistent/face.ttf\n"),
                         "cannot open the font face"));
}

TEST(TexGenArtTest, TreadIsExactWhiteOrRubberForAnySeed)
{
    for (int seed : {1, 2, 3})
    {
        ZETexImage image;
        ASSERT_EQ(PaintError("[a]\npainter = tread\nsize = 32x64\nwear = 0.5\nseed = " + std::to_string(seed) + "\n",
                             &image),
                  "");
        std::vector<uint8_t> rgb = Texels(image);
        for (size_t i = 0; i < rgb.size(); i += 3)
        {
            bool white = rgb[i] == 255 && rgb[i + 1] == 255 && rgb[i + 2] == 255;
            EXPECT_TRUE(white || std::max({rgb[i], rgb[i + 1], rgb[i + 2]}) < 160) << seed << ": texel " << i / 3;
        }
    }
}

// --- Whole packages ------------------------------------------------------------------

TEST_F(TexGenFilesTest, APackageIsWrittenInDescriptionOrderAndReadsBack)
{
    std::string description = m_Folder.Write("Group.txt", "[second]\npainter = solid\nsize = 4x2\ncolor = 10 20 30\n"
                                                 "[first]\npainter = gradient\nsize = 1x256\n");
    std::string output = m_Dir + "/Group.tex";
    std::string error;
    ASSERT_TRUE(ZEBuildTexPackage(m_Painters, description, output, error)) << error;

    std::vector<uint8_t> bytes = Read(output);
    std::vector<ZETexReadImage> images;
    ASSERT_TRUE(ZEReadTexPackage(bytes.data(), bytes.size(), images, error)) << error;
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].m_Name, "second");
    EXPECT_EQ(images[0].m_usWidth, 4);
    EXPECT_EQ(images[0].m_usHeight, 2);
    EXPECT_EQ(images[0].m_aRGB[0], 10);
    EXPECT_EQ(images[0].m_aRGB[23], 30);
    EXPECT_EQ(images[1].m_Name, "first");
    // A gradient of 256 rows from white to black: first row first.
    EXPECT_EQ(images[1].m_aRGB[0], 255);
    EXPECT_EQ(images[1].m_aRGB[255 * 3], 0);
}

TEST_F(TexGenFilesTest, AFaultyDescriptionLeavesThePackageThere)
{
    std::string output = m_Folder.Write("Group.tex", "previous");
    std::string description = m_Folder.Write("Group.txt", "[a]\npainter = solid\nsize = 4\ncolr = 1 2 3\n");
    std::string error;
    EXPECT_FALSE(ZEBuildTexPackage(m_Painters, description, output, error));
    EXPECT_TRUE(Contains(error, "Group.txt:4:")) << error;
    std::vector<uint8_t> bytes = Read(output);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "previous");
    EXPECT_FALSE(ZEBuildTexPackage(m_Painters, m_Dir + "/missing.txt", output, error));
    EXPECT_TRUE(Contains(error, "cannot be read"));
}

// --- Pictures ------------------------------------------------------------------------

namespace
{
// A picture for the preview: the left half red, the right half blue, a
// white texel every other one in the top row (bottom row first on disk).
void WritePicture(const std::string& path, uint16_t width, uint16_t height)
{
    std::vector<uint8_t> rgb;
    for (uint16_t y = 0; y < height; ++y)
        for (uint16_t x = 0; x < width; ++x)
        {
            bool white = y == height - 1 && x % 2 == 0;
            bool left = x < width / 2;
            rgb.insert(rgb.end(), {uint8_t(white || left ? 255 : 0), uint8_t(white ? 255 : 0),
                                   uint8_t(white || !left ? 255 : 0)});
        }
    ASSERT_TRUE(ZEWriteTGA(path.c_str(), rgb.data(), width, height)) << path;
}

std::string PreviewWithPicture(const std::string& picture)
{
    return "[a]\npainter = preview\nsize = 32x16\npicture = " + picture + "\n";
}
}

TEST_F(TexGenFilesTest, APictureReplacesThePreviewsLandscapeAveragedDownToTheTexture)
{
    WritePicture(m_Folder.File("pictures/shot.tga"), 64, 32);
    std::string description = m_Folder.Write("tracks.txt", PreviewWithPicture("shot.tga"));
    std::string output = m_Dir + "/tracks.tex", error;
    ASSERT_TRUE(ZEBuildTexPackage(m_Painters, description, output, error, m_Dir + "/pictures")) << error;
    std::vector<uint8_t> bytes = Read(output);
    std::vector<ZETexReadImage> images;
    ASSERT_TRUE(ZEReadTexPackage(bytes.data(), bytes.size(), images, error)) << error;
    ASSERT_EQ(images.size(), 1u);
    auto texel = [&](int x, int y) { return &images[0].m_aRGB[(y * 32 + x) * 3]; };
    // Red on the left, blue on the right, dimmed toward the foot only.
    EXPECT_EQ(texel(8, 6)[0], 255);
    EXPECT_EQ(texel(8, 6)[1], 0);
    EXPECT_EQ(texel(8, 6)[2], 0);
    EXPECT_EQ(texel(24, 6)[0], 0);
    EXPECT_EQ(texel(24, 6)[2], 255);
    EXPECT_LT(texel(24, 15)[2], 200);
    // Two by two picture texels to one: a quarter of each top texel on
    // the right was white, the rest blue.
    EXPECT_NEAR(texel(24, 0)[0], 64, 1);
    EXPECT_NEAR(texel(24, 0)[1], 64, 1);
    EXPECT_EQ(texel(24, 0)[2], 255);

    // Without the picture, the painted landscape.
    std::string painted = m_Folder.Write("painted.txt", "[a]\npainter = preview\nsize = 32x16\n");
    ASSERT_TRUE(ZEBuildTexPackage(m_Painters, painted, m_Dir + "/painted.tex", error, m_Dir + "/pictures")) << error;
    std::vector<uint8_t> other = Read(m_Dir + "/painted.tex");
    EXPECT_NE(bytes, other);
}

TEST_F(TexGenFilesTest, AMissingDamagedOrMisshapenPictureIsRefusedByItsPath)
{
    const std::string pictures = m_Dir + "/pictures";
    std::string error;
    std::string description = m_Folder.Write("tracks.txt", PreviewWithPicture("absent.tga"));
    EXPECT_FALSE(ZEBuildTexPackage(m_Painters, description, m_Dir + "/a.tex", error, pictures));
    EXPECT_TRUE(Contains(error, "tracks.txt:4: [a] picture: " + pictures + "/absent.tga: cannot be read")) << error;

    m_Folder.Write("pictures/cut.tga", std::string(40, '\0'));
    description = m_Folder.Write("tracks.txt", PreviewWithPicture("cut.tga"));
    EXPECT_FALSE(ZEBuildTexPackage(m_Painters, description, m_Dir + "/a.tex", error, pictures));
    EXPECT_TRUE(Contains(error, pictures + "/cut.tga: is not an uncompressed 24-bit TGA")) << error;

    WritePicture(m_Folder.File("pictures/square.tga"), 32, 32);
    description = m_Folder.Write("tracks.txt", PreviewWithPicture("square.tga"));
    EXPECT_FALSE(ZEBuildTexPackage(m_Painters, description, m_Dir + "/a.tex", error, pictures));
    EXPECT_TRUE(Contains(error, pictures + "/square.tga: is 32 x 32, not of the shape 2")) << error;
    EXPECT_NE(access((m_Dir + "/a.tex").c_str(), F_OK), 0);
}
