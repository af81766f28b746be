// Screenshot files: uncompressed 24-bit TGA.
//
// A file is an 18-byte header followed by the pixels as blue, green, red
// bytes, rows from the bottom of the picture up (the header's image
// descriptor 0 says the origin is bottom left). That row order is the one
// OpenGL reads pixels in, so a read-back image goes into the file row by
// row as it is; only red and blue trade places.
//
// Header (little-endian): 0 image id length 0, 1 colour map type 0,
// 2 image type 2 (uncompressed true colour), 3-7 colour map fields 0,
// 8 x origin 0, 10 y origin 0, 12 width, 14 height, 16 bits per pixel 24,
// 17 image descriptor 0.
#pragma once

#include <cstddef>
#include <cstdint>

const size_t ZE_TGA_HEADER_SIZE = 18;

// Fills the 18 header bytes of a width x height picture.
void ZEMakeTGAHeader(uint16_t width, uint16_t height, uint8_t header[ZE_TGA_HEADER_SIZE]);

// One row of RGB pixels as the file's BGR; `bgr` and `rgb` hold
// 3 x pixels bytes and may be the same buffer.
void ZERGBToBGR(const uint8_t* rgb, uint8_t* bgr, size_t pixels);

// Writes header and pixels to `path` in binary. `rgb` holds width x height
// RGB pixels, bottom row first, rows packed without padding. False when
// the file cannot be created or fully written; a partly written file is
// removed, so no damaged screenshot is left behind.
bool ZEWriteTGA(const char* path, const uint8_t* rgb, uint16_t width, uint16_t height);
