// Fuzz target: the Ogg Vorbis loader (ZESoundLoader::LoadOggVorbis) on any
// bytes, alone and as a window into a package-like stream (rules:
// SoundFuzz.h).
//
// Every Ogg page carries a checksum, and a page whose checksum fails is
// dropped by the container library before the loader sees it, so nearly
// every mutation would only test "this page is missing". The target
// therefore re-stamps the checksum of every whole page it finds before
// loading: a mutated header, granule position or packet then reaches the
// decoder and the loader's own checks (layout, length, holes, chained
// streams). The codec library itself is not instrumented, so coverage
// guides through the loader's paths only.
#include "SoundFuzz.h"

#include "core/ZEByteOrder.h"

#include <array>

namespace
{
const size_t kPageHeaderBytes = 27;
const size_t kChecksumAt = 22;
const size_t kSegmentCountAt = 26;

// The container's checksum: CRC-32, polynomial 0x04C11DB7, not reflected,
// starting at 0.
uint32_t PageChecksum(const uint8_t* page, size_t length)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> entries{};
        for (uint32_t i = 0; i < 256; ++i)
        {
            uint32_t value = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                value = (value & 0x80000000u) ? (value << 1) ^ 0x04C11DB7u : value << 1;
            entries[i] = value;
        }
        return entries;
    }();
    uint32_t crc = 0;
    for (size_t i = 0; i < length; ++i)
        crc = (crc << 8) ^ table[((crc >> 24) ^ page[i]) & 0xFF];
    return crc;
}

// The length of the whole page at `at`, or 0 when none fits there.
size_t PageLength(const std::vector<uint8_t>& bytes, size_t at)
{
    if (bytes.size() - at < kPageHeaderBytes || std::memcmp(&bytes[at], "OggS", 4) != 0)
        return 0;
    size_t segments = bytes[at + kSegmentCountAt];
    size_t length = kPageHeaderBytes + segments;
    if (bytes.size() - at < length)
        return 0;
    for (size_t i = 0; i < segments; ++i)
        length += bytes[at + kPageHeaderBytes + i];
    return bytes.size() - at < length ? 0 : length;
}

void StampChecksums(std::vector<uint8_t>& bytes)
{
    size_t at = 0;
    while (at < bytes.size())
    {
        size_t length = PageLength(bytes, at);
        if (length == 0)
        {
            ++at;
            continue;
        }
        std::memset(&bytes[at + kChecksumAt], 0, 4);
        ZEWriteLE32(&bytes[at + kChecksumAt], PageChecksum(&bytes[at], length));
        at += length;
    }
}
}

// The installed vorbisfile (1.3.7) loses 8 bytes - the serial-number list
// of a later link - when opening a chained stream fails while it bisects
// for the links' boundaries; a plain ov_open on the same bytes loses them
// too, and there is nothing the loader could free. The codec library's
// leaks are therefore not reported here; the loader's own paths (ov_clear
// after every successful open) stay covered by the unit tests under LSan.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libvorbisfile.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    std::vector<uint8_t> stamped(bytes, bytes + length);
    StampChecksums(stamped);
    fuzz::FuzzSoundLoader(&ZESoundLoader::LoadOggVorbis, stamped.data(), stamped.size());
    return 0;
}
