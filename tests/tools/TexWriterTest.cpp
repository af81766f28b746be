// The texture package and animation writers: their bytes are laid out by
// hand here, they read back through the texture manager, and they refuse
// exactly what the manager could not load as written.
#include "core/ZEFileManager.h"
#include "resources/ZETextureManager.h"

#include "ZEAtxWriter.h"
#include "ZETexWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
using Bytes = std::vector<uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A name field: the text zero-padded to 12 bytes.
Bytes NameField(const std::string& name)
{
    Bytes field(name.begin(), name.end());
    field.resize(12, 0);
    return field;
}

ZETexImage Gradient(uint16_t width, uint16_t height, uint8_t seed)
{
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>(seed + i * 7);
    return ZETexImage::TrueColor(width, height, rgb);
}

Bytes Texels(const ZETexture& texture)
{
    const uint8_t* data = texture.GetData();
    return Bytes(data, data + texture.m_ulWidth * texture.m_ulHeight * 3);
}
}

// --- Layout ---------------------------------------------------------------------------

TEST(TexWriterTest, PackageLaysOutHeaderEntriesAndImagesInOrder)
{
    ZETexWriter writer;
    ASSERT_TRUE(writer.AddImage("sky", ZETexImage::TrueColor(2, 1, {1, 2, 3, 4, 5, 6})));
    ASSERT_TRUE(writer.AddImage("road01", ZETexImage::Paletted(1, 3, {9, 8, 7, 6, 5, 4}, {0, 1, 1})));
    Bytes bytes;
    ASSERT_TRUE(writer.Encode(bytes));

    Bytes expected = Concat({{'T', 'P', '2', 2},
                             NameField("sky"), {2, 0, 1, 0, 0, 0}, {1, 2, 3, 4, 5, 6},
                             NameField("road01"), {1, 0, 3, 0, 2, 0}, {9, 8, 7, 6, 5, 4}, {0, 1, 1}});
    EXPECT_EQ(bytes, expected);
}

TEST(TexWriterTest, AnimationLaysOutHeaderAndFramesWithTheirOwnPalettes)
{
    ZEAtxWriter writer;
    ASSERT_TRUE(writer.AddFrame(100, ZETexImage::TrueColor(2, 1, {1, 2, 3, 4, 5, 6})));
    ASSERT_TRUE(writer.AddFrame(0x1234, ZETexImage::Paletted(2, 1, {7, 8, 9}, {0, 0})));
    Bytes bytes;
    ASSERT_TRUE(writer.Encode(bytes));

    Bytes expected = Concat({{'A', 'T', '2', 0, 2, 0, 1, 0, 2, 0},
                             {100, 0, 0, 0}, {1, 2, 3, 4, 5, 6},
                             {0x34, 0x12, 1, 0}, {7, 8, 9}, {0, 0}});
    EXPECT_EQ(bytes, expected);
}

TEST(TexWriterTest, LongestNameFillsElevenBytesAndKeepsItsTerminator)
{
    ZETexWriter writer;
    ASSERT_TRUE(writer.AddImage("abcdefghijk", Gradient(1, 1, 0)));
    Bytes bytes;
    ASSERT_TRUE(writer.Encode(bytes));
    EXPECT_EQ(Bytes(bytes.begin() + 4, bytes.begin() + 16), NameField("abcdefghijk"));
    EXPECT_EQ(bytes[15], 0);
}

// --- Refusals -------------------------------------------------------------------------------

TEST(TexWriterTest, PackageRefusesWhatTheLoaderCouldNotReadAsWritten)
{
    struct Case
    {
        const char* m_pWhy;
        const char* m_pName;
        ZETexImage m_Image;
    };
    const Case cases[] = {
        {"empty name", "", Gradient(1, 1, 0)},
        {"twelve characters", "abcdefghijkl", Gradient(1, 1, 0)},
        {"zero width", "a", ZETexImage::TrueColor(0, 1, {})},
        {"zero height", "a", ZETexImage::TrueColor(1, 0, {})},
        {"RGBA beyond 4 GiB", "a", ZETexImage::TrueColor(65535, 65535, {})},
        {"too few texels", "a", ZETexImage::TrueColor(2, 1, {1, 2, 3})},
        {"too many indices", "a", ZETexImage::Paletted(1, 1, {1, 2, 3}, {0, 0})},
        {"palette of 257", "a", ZETexImage::Paletted(1, 1, Bytes(257 * 3), {0})},
        {"palette not triples", "a", ZETexImage::Paletted(1, 1, {1, 2}, {0})},
        {"index beyond palette", "a", ZETexImage::Paletted(2, 1, {1, 2, 3, 4, 5, 6}, {1, 2})},
    };
    for (const Case& c : cases)
    {
        ZETexWriter writer;
        EXPECT_FALSE(writer.AddImage(c.m_pName, c.m_Image)) << c.m_pWhy;
        EXPECT_FALSE(writer.GetError().IsEmpty()) << c.m_pWhy;
        EXPECT_EQ(writer.GetNumEntries(), 0u) << c.m_pWhy;
    }
}

TEST(TexWriterTest, PackageRefusesTwiceTheSameNameAndA256thEntry)
{
    ZETexWriter writer;
    ASSERT_TRUE(writer.AddImage("same", Gradient(1, 1, 0)));
    EXPECT_FALSE(writer.AddImage("same", Gradient(1, 1, 1)));
    for (int i = 1; i < 255; ++i)
        ASSERT_TRUE(writer.AddImage(ZEString::Format("t%d", i), Gradient(1, 1, 0)));
    EXPECT_EQ(writer.GetNumEntries(), 255u);
    EXPECT_FALSE(writer.AddImage("t255", Gradient(1, 1, 0)));
    EXPECT_EQ(writer.GetNumEntries(), 255u);
}

TEST(TexWriterTest, EmptyPackageAndAnimationWithoutFramesAreRefused)
{
    Bytes bytes;
    ZETexWriter package;
    EXPECT_FALSE(package.Encode(bytes));
    ZEAtxWriter animation;
    EXPECT_FALSE(animation.Encode(bytes));
    EXPECT_FALSE(animation.GetError().IsEmpty());
}

TEST(TexWriterTest, AnimationRefusesAFrameOfAnotherSizeA256thFrameAndBadImages)
{
    ZEAtxWriter writer;
    ASSERT_TRUE(writer.AddFrame(10, Gradient(2, 2, 0)));
    EXPECT_FALSE(writer.AddFrame(10, Gradient(2, 1, 0)));
    EXPECT_FALSE(writer.AddFrame(10, ZETexImage::Paletted(2, 2, {1, 2, 3}, {0, 0, 0, 1})));
    for (uint32_t i = 1; i < 255; ++i)
        ASSERT_TRUE(writer.AddFrame(10, Gradient(2, 2, static_cast<uint8_t>(i))));
    EXPECT_FALSE(writer.AddFrame(10, Gradient(2, 2, 0)));
    EXPECT_EQ(writer.GetNumFrames(), 255u);
}

TEST(TexWriterTest, WriteReportsAFileThatCannotBeCreated)
{
    ZETexWriter writer;
    ASSERT_TRUE(writer.AddImage("a", Gradient(1, 1, 0)));
    EXPECT_FALSE(writer.Write("/nonexistent-folder/a.tex"));
    EXPECT_FALSE(writer.GetError().IsEmpty());
}

// --- Reading back ------------------------------------------------------------------------------

class TexWriterReadBackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Root = m_Folder.Path();
        fs::create_directories(m_Root / "textures");
        m_Files.SetMainDirectory(ZEString(m_Root.c_str()));
        m_Textures.SetTextureDirectory("textures");
    }

    ZEString PathOf(const char* file) const { return ZEString((m_Root / "textures" / file).c_str()); }

    ZETempFolder m_Folder{"texwriter"};
    fs::path m_Root;
    ZEFileManager m_Files;
    ZETextureManager m_Textures;
};

TEST_F(TexWriterReadBackTest, FullPackageReadsBackEveryEntry)
{
    ZETexWriter writer;
    std::vector<ZETexImage> images;
    for (int i = 0; i < 255; ++i)
    {
        images.push_back(Gradient(static_cast<uint16_t>(1 + i % 5), 3, static_cast<uint8_t>(i)));
        ASSERT_TRUE(writer.AddImage(ZEString::Format("texture%04d", i), images.back()));
    }
    ASSERT_TRUE(writer.Write(PathOf("full.tex"))) << writer.GetError().CStr();

    for (int i : {0, 17, 254})
    {
        std::unique_ptr<ZETexture> texture(m_Textures.LoadTexture(ZEString::Format("texture%04d", i), "full"));
        ASSERT_NE(texture, nullptr) << i;
        EXPECT_EQ(texture->m_ulWidth, images[i].m_usWidth);
        EXPECT_EQ(Texels(*texture), images[i].m_aTexels) << i;
    }
}

TEST_F(TexWriterReadBackTest, FullPaletteAndAnimationReadBack)
{
    Bytes palette(256 * 3);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<uint8_t>(i / 3);
    ZEAtxWriter writer;
    ASSERT_TRUE(writer.AddFrame(40, ZETexImage::Paletted(2, 1, palette, {0, 255})));
    ASSERT_TRUE(writer.AddFrame(60, ZETexImage::TrueColor(2, 1, {1, 2, 3, 4, 5, 6})));
    ASSERT_TRUE(writer.Write(PathOf("lava.atx"))) << writer.GetError().CStr();

    std::unique_ptr<ZETexture> lava(m_Textures.LoadAnimation("lava"));
    ASSERT_NE(lava, nullptr);
    ASSERT_EQ(lava->m_usNumFrames, 2u);
    EXPECT_EQ(lava->m_pusFrameTimes[0], 40u);
    EXPECT_EQ(lava->m_pusFrameTimes[1], 60u);
    EXPECT_EQ(Bytes(lava->m_ppFrames[0], lava->m_ppFrames[0] + 6), (Bytes{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(Bytes(lava->m_ppFrames[1], lava->m_ppFrames[1] + 6), (Bytes{1, 2, 3, 4, 5, 6}));
}
