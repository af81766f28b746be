#include "render/ZETGAWriter.h"

#include <cstdio>
#include <vector>

namespace
{
const uint8_t kUncompressedTrueColour = 2;
const uint8_t kBitsPerPixel = 24;
const size_t kBytesPerPixel = 3;

void PutLittleEndian16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value & 0xFF);
    at[1] = static_cast<uint8_t>(value >> 8);
}

bool WriteAll(std::FILE* file, const uint8_t* data, size_t size)
{
    return std::fwrite(data, 1, size, file) == size;
}

bool WritePixels(std::FILE* file, const uint8_t* rgb, uint16_t width, uint16_t height)
{
    size_t rowBytes = static_cast<size_t>(width) * kBytesPerPixel;
    std::vector<uint8_t> row(rowBytes);
    for (uint16_t y = 0; y < height; ++y)
    {
        ZERGBToBGR(rgb + y * rowBytes, row.data(), width);
        if (!WriteAll(file, row.data(), rowBytes))
            return false;
    }
    return true;
}
}

void ZEMakeTGAHeader(uint16_t width, uint16_t height, uint8_t header[ZE_TGA_HEADER_SIZE])
{
    for (size_t i = 0; i < ZE_TGA_HEADER_SIZE; ++i)
        header[i] = 0;
    header[2] = kUncompressedTrueColour;
    PutLittleEndian16(header + 12, width);
    PutLittleEndian16(header + 14, height);
    header[16] = kBitsPerPixel;
}

void ZERGBToBGR(const uint8_t* rgb, uint8_t* bgr, size_t pixels)
{
    for (size_t i = 0; i < pixels; ++i)
    {
        const uint8_t* in = rgb + i * kBytesPerPixel;
        uint8_t* out = bgr + i * kBytesPerPixel;
        uint8_t red = in[0], green = in[1], blue = in[2];
        out[0] = blue;
        out[1] = green;
        out[2] = red;
    }
}

bool ZEWriteTGA(const char* path, const uint8_t* rgb, uint16_t width, uint16_t height)
{
    if (!path || (!rgb && width && height))
        return false;
    std::FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;

    uint8_t header[ZE_TGA_HEADER_SIZE];
    ZEMakeTGAHeader(width, height, header);
    bool written = WriteAll(file, header, sizeof(header)) && WritePixels(file, rgb, width, height);
    bool closed = std::fclose(file) == 0;
    if (written && closed)
        return true;
    std::remove(path);
    return false;
}
