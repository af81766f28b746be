// Reading texture packages back: what the writer stores comes back, and
// damaged bytes are refused without reading past them.
#include "ZETexReader.h"
#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<uint8_t> Package()
{
    ZETexWriter writer;
    EXPECT_TRUE(writer.AddImage("rgb", ZETexImage::TrueColor(2, 1, {1, 2, 3, 4, 5, 6})));
    EXPECT_TRUE(writer.AddImage("paletted", ZETexImage::Paletted(3, 1, {10, 11, 12, 20, 21, 22}, {0, 1, 1})));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(writer.Encode(bytes));
    return bytes;
}

bool Refused(const std::vector<uint8_t>& bytes)
{
    std::vector<ZETexReadImage> images;
    std::string error;
    bool read = ZEReadTexPackage(bytes.data(), bytes.size(), images, error);
    EXPECT_EQ(read, error.empty());
    return !read;
}
}

TEST(TexReaderTest, ReadsWhatTheWriterStoresWithPalettesExpanded)
{
    std::vector<uint8_t> bytes = Package();
    std::vector<ZETexReadImage> images;
    std::string error;
    ASSERT_TRUE(ZEReadTexPackage(bytes.data(), bytes.size(), images, error)) << error;
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].m_Name, "rgb");
    EXPECT_EQ(images[0].m_usPaletteSize, 0);
    EXPECT_EQ(images[0].m_aRGB, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(images[1].m_Name, "paletted");
    EXPECT_EQ(images[1].m_usWidth, 3);
    EXPECT_EQ(images[1].m_usPaletteSize, 2);
    EXPECT_EQ(images[1].m_aRGB, (std::vector<uint8_t>{10, 11, 12, 20, 21, 22, 20, 21, 22}));
}

TEST(TexReaderTest, EveryShortenedPackageIsRefused)
{
    std::vector<uint8_t> bytes = Package();
    for (size_t size = 0; size < bytes.size(); ++size)
        EXPECT_TRUE(Refused(std::vector<uint8_t>(bytes.begin(), bytes.begin() + size))) << size;
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    EXPECT_TRUE(Refused(longer));
}

TEST(TexReaderTest, DamagedHeadersAndIndicesAreRefused)
{
    std::vector<uint8_t> magic = Package();
    magic[2] = '3';
    EXPECT_TRUE(Refused(magic));
    std::vector<uint8_t> none = Package();
    none[3] = 0;
    EXPECT_TRUE(Refused(none));
    std::vector<uint8_t> index = Package();
    index.back() = 2;   // the paletted image has two colours
    EXPECT_TRUE(Refused(index));
    std::vector<uint8_t> empty = Package();
    empty[4 + 12] = 0;  // the first image's width
    empty[4 + 13] = 0;
    EXPECT_TRUE(Refused(empty));
    EXPECT_TRUE(Refused(std::vector<uint8_t>()));
}

TEST(TexReaderTest, AnUnterminatedNameIsReadWithinItsTwelveBytes)
{
    std::vector<uint8_t> bytes = Package();
    for (size_t i = 0; i < 12; ++i)
        bytes[4 + i] = 'n';
    std::vector<ZETexReadImage> images;
    std::string error;
    ASSERT_TRUE(ZEReadTexPackage(bytes.data(), bytes.size(), images, error)) << error;
    EXPECT_EQ(images[0].m_Name, std::string(12, 'n'));
}
