// ZETexReader: reads a texture package (".tex") back into named RGB images,
// for the tools that show or check generated textures.
//
// The format is the one ZETexWriter writes and the texture manager loads:
// "TP2", the entry count, then per entry its 18-byte header and its image
// (RGB triples, or a palette followed by one index byte a texel). Palettes
// are expanded here. Every length is checked against the bytes at hand: a
// damaged package (cut short, wrong magic, zero size, an index beyond its
// palette, bytes left over) is refused whole with the reason; nothing is
// read out of bounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ZETexReadImage
{
    std::string m_Name;
    uint16_t m_usWidth = 0;
    uint16_t m_usHeight = 0;
    uint16_t m_usPaletteSize = 0;     // as stored; 0 for true colour
    std::vector<uint8_t> m_aRGB;      // width x height triples, first stored row first
};

// Decodes a whole package. False with `error` set when it is damaged.
bool ZEReadTexPackage(const uint8_t* bytes, size_t size, std::vector<ZETexReadImage>& images, std::string& error);
