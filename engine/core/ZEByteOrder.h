// Little-endian fields of the engine's file formats, read and written byte
// by byte so that neither the host's byte order nor its alignment matters.
#pragma once

#include <cstdint>
#include <cstring>

inline uint16_t ZEReadLE16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t ZEReadLE32(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline float ZEReadLEFloat(const uint8_t* p)
{
    uint32_t bits = ZEReadLE32(p);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

inline void ZEWriteLE16(uint8_t* p, uint16_t value)
{
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

inline void ZEWriteLE32(uint8_t* p, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline void ZEWriteLEFloat(uint8_t* p, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    ZEWriteLE32(p, bits);
}
