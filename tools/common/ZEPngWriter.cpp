#include "ZEPngWriter.h"

#include "ZEFileOutput.h"
#include "ZETexWriter.h"

#include <zlib.h>

#include <cstring>

namespace
{
// Keeps a picture's raw rows (plus filter bytes) well inside what one
// compression call and the 32-bit chunk lengths can take.
const uint64_t kMaxRawBytes = 1u << 30;

void PutBE32(std::vector<uint8_t>& bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<uint8_t>(value >> shift));
}

void PutChunk(std::vector<uint8_t>& png, const char type[4], const std::vector<uint8_t>& data)
{
    PutBE32(png, static_cast<uint32_t>(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    uLong crc = crc32(0L, png.data() + start, static_cast<uInt>(png.size() - start));
    PutBE32(png, static_cast<uint32_t>(crc));
}
}

bool ZEEncodePNG(const uint8_t* rgb, uint32_t width, uint32_t height, std::vector<uint8_t>& png,
                 std::string& error)
{
    const uint64_t rowBytes = uint64_t(width) * 3;
    if (!rgb || width == 0 || height == 0 || (rowBytes + 1) * height > kMaxRawBytes)
    {
        error = "a picture of " + std::to_string(width) + " x " + std::to_string(height) + " cannot be written";
        return false;
    }
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>((rowBytes + 1) * height));
    for (uint32_t y = 0; y < height; ++y)
    {
        raw.push_back(0);
        const uint8_t* row = rgb + y * rowBytes;
        raw.insert(raw.end(), row, row + rowBytes);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 9) != Z_OK)
    {
        error = "compressing the picture failed";
        return false;
    }
    packed.resize(packedSize);

    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.assign(kSignature, kSignature + 8);
    std::vector<uint8_t> header;
    PutBE32(header, width);
    PutBE32(header, height);
    const uint8_t rest[5] = {8, 2, 0, 0, 0};   // depth 8, truecolour, deflate, filter set 0, no interlace
    header.insert(header.end(), rest, rest + 5);
    PutChunk(png, "IHDR", header);
    PutChunk(png, "IDAT", packed);
    PutChunk(png, "IEND", std::vector<uint8_t>());
    return true;
}

bool ZEWritePNG(const std::string& path, const uint8_t* rgb, uint32_t width, uint32_t height, std::string& error)
{
    std::vector<uint8_t> png;
    if (!ZEEncodePNG(rgb, width, height, png, error))
        return false;
    ZEString why;
    if (!ZEWriteFileAtomically(ZEString(path.c_str()), png, why))
    {
        error = why.CStr();
        return false;
    }
    return true;
}
