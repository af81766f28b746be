// ZEEntityData: reads the fields of a map entity's data block.
//
// A data block is little-endian and unaligned; what its bytes mean depends
// on the entity's class (the classes built from entities document their
// layouts). Every field is read by its byte offset; a field that does not
// lie wholly within the block reads as zero, so a short or missing block
// never reads past its end. The map loader hands blocks on zero-padded as
// well, so both ways a short block reads as zeros.
#pragma once

#include "math/ZEVector.h"

#include <cstdint>
#include <cstring>

class ZEEntityData
{
public:
    // Borrows the block; null data reads as an empty block.
    ZEEntityData(const uint8_t* data, uint32_t size) : m_pData(data), m_ulSize(data ? size : 0) {}

    // Whether the block has at least `size` bytes.
    bool Holds(uint32_t size) const { return size <= m_ulSize; }
    uint32_t GetSize() const { return m_ulSize; }

    uint8_t Byte(uint32_t offset) const { return Within(offset, 1) ? m_pData[offset] : 0; }
    bool Flag(uint32_t offset) const { return Byte(offset) != 0; }
    uint16_t U16(uint32_t offset) const
    {
        return Within(offset, 2) ? static_cast<uint16_t>(m_pData[offset] | (m_pData[offset + 1] << 8)) : 0;
    }
    uint32_t U32(uint32_t offset) const
    {
        if (!Within(offset, 4))
            return 0;
        const uint8_t* p = m_pData + offset;
        return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
               (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    }
    int32_t Long(uint32_t offset) const { return static_cast<int32_t>(U32(offset)); }
    float Float(uint32_t offset) const
    {
        uint32_t bits = U32(offset);
        float value;
        std::memcpy(&value, &bits, sizeof(value));
        return value;
    }
    // Three floats.
    ZEVector Vector(uint32_t offset) const { return ZEVector(Float(offset), Float(offset + 4), Float(offset + 8)); }
    // Three bytes (a colour) into `rgb`.
    void Color(uint32_t offset, uint8_t* rgb) const
    {
        for (uint32_t i = 0; i < 3; ++i)
            rgb[i] = Byte(offset + i);
    }

private:
    bool Within(uint32_t offset, uint32_t width) const
    {
        return offset <= m_ulSize && width <= m_ulSize - offset;
    }

    const uint8_t* m_pData;
    uint32_t m_ulSize;
};
