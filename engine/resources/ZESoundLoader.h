// ZESoundLoader: decodes sound files into 16- or 8-bit PCM.
//
// Two formats: RIFF WAVE with PCM data, and Ogg Vorbis (through
// libvorbisfile, always decoded to signed 16-bit little-endian samples).
// Both loaders take over the stream they are given and close it whatever
// happens, so a caller never closes it after the call.
//
// Results: `data` is a new[] block (the caller frees it with delete[]) of
// `size` bytes of interleaved frames, left then right for stereo; `size` is
// always a whole number of frames and counts only bytes that were really
// read or decoded. `bits` is 8 or 16 whenever there is data; `frequency` is
// in Hz. A WAV file whose "data" chunk does not follow a PCM "fmt " chunk
// still loads, with no data (a null block, size 0). Only the first "data"
// chunk is read, in the format of the "fmt " chunk before it; later "fmt "
// and "data" chunks are skipped.
//
// Damaged files never crash and never read beyond the stream: sizes are
// taken as 64-bit and capped at the bytes the stream holds, a cut file gives
// what it holds, and a file that cannot be used gives false. Every problem
// is posted to the console under "sound", naming the file when a name is
// given. Decoded results larger than ms_ulMaxDataBytes are refused.
//
// A stream from the file manager may be a window into a package archive:
// the forms with `available` read only that many bytes from the stream's
// current position, and Ogg Vorbis seeks only inside them. The short forms
// read up to the end of the file.
#pragma once

#include <cstdint>
#include <cstdio>

class ZEString;

// The records of a RIFF WAVE file the loader reads: little-endian on disk,
// no padding, read through Decode, never through the host layout.
#pragma pack(push, 1)
// Precedes every chunk; a chunk of odd size is followed by one pad byte.
struct _ZERiffChunkHeader
{
    char m_acID[4];        // "fmt ", "data", "smpl", ...
    uint32_t m_ulSize;     // bytes of the chunk's body

    static _ZERiffChunkHeader Decode(const uint8_t* bytes);
    bool Is(const char* id) const;
};

// The first 16 bytes of a "fmt " chunk: all the loader uses.
struct _ZEWaveFormat
{
    uint16_t m_usTag;          // 1 = PCM
    uint16_t m_usChannels;
    uint32_t m_ulRate;         // frames per second
    uint32_t m_ulByteRate;
    uint16_t m_usBlockAlign;   // bytes per frame
    uint16_t m_usBits;         // per sample

    static constexpr uint16_t ms_usTagPCM = 1;

    static _ZEWaveFormat Decode(const uint8_t* bytes);
};
#pragma pack(pop)
static_assert(sizeof(_ZERiffChunkHeader) == 8, "a RIFF chunk header is 8 bytes on disk");
static_assert(sizeof(_ZEWaveFormat) == 16, "the PCM part of a \"fmt \" chunk is 16 bytes on disk");

class ZESoundLoader
{
public:
    static bool LoadWave(FILE* file, char** data, uint32_t& size, uint32_t& frequency, uint32_t& bits,
                         bool& stereo);
    static bool LoadOggVorbis(FILE* file, char** data, uint32_t& size, uint32_t& frequency, uint32_t& bits,
                              bool& stereo);

    static bool LoadWave(FILE* file, uint64_t available, const ZEString& name, char** data, uint32_t& size,
                         uint32_t& frequency, uint32_t& bits, bool& stereo);
    static bool LoadOggVorbis(FILE* file, uint64_t available, const ZEString& name, char** data,
                              uint32_t& size, uint32_t& frequency, uint32_t& bits, bool& stereo);

    // Over twenty minutes of 48 kHz stereo 16-bit sound: far beyond any
    // sound or tune of the game, far below what a damaged size could ask.
    static constexpr uint32_t ms_ulMaxDataBytes = 256u * 1024u * 1024u;
};
