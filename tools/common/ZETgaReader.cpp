#include "ZETgaReader.h"

#include <fstream>
#include <iterator>

namespace
{
const size_t kHeaderSize = 18;
const uint8_t kTrueColour = 2;
const uint8_t kTopFirst = 0x20;
}

bool ZEReadTGA(const std::string& path, std::vector<uint8_t>& rgb, uint32_t& width, uint32_t& height)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < kHeaderSize || bytes[2] != kTrueColour || bytes[16] != 24)
        return false;
    width = bytes[12] | (bytes[13] << 8);
    height = bytes[14] | (bytes[15] << 8);
    if (bytes.size() != kHeaderSize + static_cast<size_t>(width) * height * 3)
        return false;
    const bool bottomUp = (bytes[17] & kTopFirst) == 0;
    rgb.resize(static_cast<size_t>(width) * height * 3);
    for (uint32_t row = 0; row < height; ++row)
    {
        const uint32_t stored = bottomUp ? height - 1 - row : row;
        for (uint32_t x = 0; x < width; ++x)
        {
            const uint8_t* bgr = &bytes[kHeaderSize + (static_cast<size_t>(stored) * width + x) * 3];
            uint8_t* out = &rgb[(static_cast<size_t>(row) * width + x) * 3];
            out[0] = bgr[2];
            out[1] = bgr[1];
            out[2] = bgr[0];
        }
    }
    return true;
}
