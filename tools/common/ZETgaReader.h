// Reading back the screenshots the renderer writes: uncompressed 24-bit
// true-colour TGA files, stored bottom row first unless the header's origin
// bit says top first. Tools that turn screenshots into pictures for people
// (and tests that look at them) want rows from the top in RGB order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The picture as RGB rows from the top. False when the file is missing, is
// not an uncompressed 24-bit TGA, or its size does not match its header.
bool ZEReadTGA(const std::string& path, std::vector<uint8_t>& rgb, uint32_t& width, uint32_t& height);
