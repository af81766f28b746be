#include "render/ZETGAWriter.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

TEST(TGAWriter, HeaderIsEighteenLittleEndianBytes)
{
    uint8_t header[ZE_TGA_HEADER_SIZE];
    ZEMakeTGAHeader(638, 480, header);
    const uint8_t expected[ZE_TGA_HEADER_SIZE] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x7E, 0x02, 0xE0, 0x01, 24, 0};
    EXPECT_EQ(std::vector<uint8_t>(header, header + 18), std::vector<uint8_t>(expected, expected + 18));
}

TEST(TGAWriter, PixelsGoOutAsBGRRowByRowWhateverTheWidth)
{
    ZETempFolder folder("tga");
    ASSERT_TRUE(folder.Ok());
    std::string path = folder.File("shot.tga");
    for (uint16_t width : {640, 638})
    {
        // Red = x, green = row as stored (bottom first), blue = 200.
        std::vector<uint8_t> rgb;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < width; ++x)
                rgb.insert(rgb.end(), {uint8_t(x), uint8_t(y), 200});
        ASSERT_TRUE(ZEWriteTGA(path.c_str(), rgb.data(), width, 480));
        std::ifstream in(path, std::ios::binary);
        std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        ASSERT_EQ(file.size(), 18u + width * 480u * 3u);   // 640: 18 + 921600
        for (int y : {0, 1, 479})
            for (int x : {0, 255, 256, width - 1})
            {
                const uint8_t* pixel = &file[18 + (y * width + x) * 3];
                EXPECT_EQ(pixel[0], 200);
                EXPECT_EQ(pixel[1], uint8_t(y));
                EXPECT_EQ(pixel[2], uint8_t(x)) << width << ": " << x << "," << y;
            }
    }

    // A file that cannot be created: false, and nothing appears.
    std::string missing = folder.Path() + "/missing/shot.tga";
    std::vector<uint8_t> rgb(4 * 4 * 3);
    EXPECT_FALSE(ZEWriteTGA(missing.c_str(), rgb.data(), 4, 4));
    EXPECT_NE(access(missing.c_str(), F_OK), 0);
}
