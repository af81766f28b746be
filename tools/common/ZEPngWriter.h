// ZEPngWriter: writes RGB pictures as PNG files, for the tools that leave
// pictures for people to look at (contact sheets, screenshots).
//
// The file is 8-bit truecolour without interlacing: the signature, IHDR,
// one IDAT holding the zlib-compressed rows (each prefixed by filter type
// 0), and IEND, each chunk with its CRC-32. Rows are given top first,
// packed without padding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The PNG file of a width x height picture. False with `error` set when the
// size is 0 or too large, or compression fails.
bool ZEEncodePNG(const uint8_t* rgb, uint32_t width, uint32_t height, std::vector<uint8_t>& png,
                 std::string& error);
// Encodes and writes the file; a failed write leaves no file behind.
bool ZEWritePNG(const std::string& path, const uint8_t* rgb, uint32_t width, uint32_t height, std::string& error);
