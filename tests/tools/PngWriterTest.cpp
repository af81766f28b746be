// PNG pictures: chunks in order with valid checksums, and the rows come
// back from the compressed data exactly as given.
#include "ZEPngWriter.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

namespace
{
uint32_t BE32(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

struct Chunk
{
    std::string m_Type;
    std::vector<uint8_t> m_aData;
};

// The chunks after the signature; fails the test on a bad checksum.
std::vector<Chunk> Chunks(const std::vector<uint8_t>& png)
{
    std::vector<Chunk> chunks;
    size_t at = 8;
    while (at + 12 <= png.size())
    {
        uint32_t length = BE32(png, at);
        EXPECT_LE(at + 12 + length, png.size());
        if (at + 12 + length > png.size())
            break;
        uLong crc = crc32(0L, &png[at + 4], 4 + length);
        EXPECT_EQ(BE32(png, at + 8 + length), static_cast<uint32_t>(crc));
        chunks.push_back({std::string(png.begin() + at + 4, png.begin() + at + 8),
                          std::vector<uint8_t>(png.begin() + at + 8, png.begin() + at + 8 + length)});
        at += 12 + length;
    }
    EXPECT_EQ(at, png.size());
    return chunks;
}
}

TEST(PngWriterTest, RowsComeBackFromTheCompressedData)
{
    const uint32_t width = 3, height = 2;
    std::vector<uint8_t> rgb;
    for (uint32_t i = 0; i < width * height * 3; ++i)
        rgb.push_back(static_cast<uint8_t>(i * 11));
    std::vector<uint8_t> png;
    std::string error;
    ASSERT_TRUE(ZEEncodePNG(rgb.data(), width, height, png, error)) << error;

    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GE(png.size(), 8u);
    EXPECT_TRUE(std::equal(signature, signature + 8, png.begin()));
    std::vector<Chunk> chunks = Chunks(png);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].m_Type, "IHDR");
    EXPECT_EQ(BE32(chunks[0].m_aData, 0), width);
    EXPECT_EQ(BE32(chunks[0].m_aData, 4), height);
    EXPECT_EQ(chunks[0].m_aData[8], 8);   // bits per channel
    EXPECT_EQ(chunks[0].m_aData[9], 2);   // truecolour
    EXPECT_EQ(chunks[1].m_Type, "IDAT");
    EXPECT_EQ(chunks[2].m_Type, "IEND");
    EXPECT_TRUE(chunks[2].m_aData.empty());

    std::vector<uint8_t> raw(height * (1 + width * 3));
    uLongf rawSize = raw.size();
    ASSERT_EQ(uncompress(raw.data(), &rawSize, chunks[1].m_aData.data(), chunks[1].m_aData.size()), Z_OK);
    ASSERT_EQ(rawSize, raw.size());
    for (uint32_t y = 0; y < height; ++y)
    {
        EXPECT_EQ(raw[y * (1 + width * 3)], 0) << "filter type of row " << y;
        EXPECT_TRUE(std::equal(rgb.begin() + y * width * 3, rgb.begin() + (y + 1) * width * 3,
                               raw.begin() + y * (1 + width * 3) + 1));
    }
}

TEST(PngWriterTest, EmptyOrHugePicturesAreRefused)
{
    std::vector<uint8_t> png;
    std::string error;
    uint8_t texel[3] = {1, 2, 3};
    EXPECT_FALSE(ZEEncodePNG(texel, 0, 1, png, error));
    EXPECT_FALSE(ZEEncodePNG(texel, 1, 0, png, error));
    EXPECT_FALSE(ZEEncodePNG(nullptr, 1, 1, png, error));
    EXPECT_FALSE(ZEEncodePNG(texel, 100000, 100000, png, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ZEWritePNG("/nonexistent-dir/picture.png", texel, 1, 1, error));
}
