// What both sound fuzz targets check of a loader, whatever the input.
//
// Each input is loaded twice. First as a whole file (a memory stream of
// exactly the input), checking the loader's contract: on failure no block
// and size 0; on success a block exactly when size > 0, size a whole number
// of frames and within the loader's limit, 8 or 16 bits whenever there is
// data, and every byte of the block readable (ASan checks the walk). Then
// as a window into a larger stream - junk before it, a copy of the input
// after it - the way a package entry is read: the result must equal the
// first one byte for byte, so the loader neither reaches outside its window
// nor depends on where the window lies. A broken rule aborts, which
// libFuzzer records as a crash with the input that caused it.
#pragma once

#include "core/ZEConsole.h"
#include "core/ZEString.h"
#include "resources/ZESoundLoader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace fuzz
{
typedef bool (*SoundLoadFunction)(FILE* file, uint64_t available, const ZEString& name, char** data,
                                  uint32_t& size, uint32_t& frequency, uint32_t& bits, bool& stereo);

struct SoundResult
{
    bool m_bLoaded = false;
    bool m_bHasData = false;
    std::vector<uint8_t> m_aData;
    uint32_t m_ulSize = 0;
    uint32_t m_ulFrequency = 0;
    uint32_t m_ulBits = 0;
    bool m_bStereo = false;

    bool operator==(const SoundResult& other) const
    {
        return m_bLoaded == other.m_bLoaded && m_bHasData == other.m_bHasData && m_aData == other.m_aData &&
               m_ulSize == other.m_ulSize && m_ulFrequency == other.m_ulFrequency &&
               m_ulBits == other.m_ulBits && m_bStereo == other.m_bStereo;
    }
};

inline void Require(bool holds, const char* rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "sound loader broke a rule: %s\n", rule);
    std::abort();
}

// Messages exercise the loader's reporting; the log keeps a bounded number.
inline void EnsureConsole()
{
    static ZEConsole* console = new ZEConsole();
    (void)console;
}

inline void CheckContract(const SoundResult& result, const char* data)
{
    if (!result.m_bLoaded)
    {
        Require(!data && result.m_ulSize == 0, "a failed load hands out no data");
        return;
    }
    Require((data != nullptr) == (result.m_ulSize > 0), "data is handed out exactly when size > 0");
    Require(result.m_ulSize <= ZESoundLoader::ms_ulMaxDataBytes, "size stays within the loader's limit");
    if (result.m_ulSize == 0)
        return;
    Require(result.m_ulBits == 8 || result.m_ulBits == 16, "bits is 8 or 16 when there is data");
    uint32_t frameBytes = (result.m_bStereo ? 2u : 1u) * (result.m_ulBits / 8u);
    Require(result.m_ulSize % frameBytes == 0, "size is a whole number of frames");
}

// Loads `available` bytes from `offset` of `stream`; the loader closes the
// stream. A stream fmemopen cannot make (an empty buffer) is handed over as
// null, which the loader must refuse.
inline SoundResult Load(SoundLoadFunction load, std::vector<uint8_t>& stream, size_t offset, uint64_t available)
{
    FILE* file = stream.empty() ? nullptr : fmemopen(stream.data(), stream.size(), "rb");
    if (file && std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
    {
        std::fclose(file);
        file = nullptr;
    }
    SoundResult result;
    char* data = nullptr;
    result.m_bLoaded = load(file, available, ZEString(), &data, result.m_ulSize, result.m_ulFrequency,
                            result.m_ulBits, result.m_bStereo);
    CheckContract(result, data);
    result.m_bHasData = data != nullptr;
    if (data)
        result.m_aData.assign(data, data + result.m_ulSize);
    delete[] data;
    return result;
}

inline void FuzzSoundLoader(SoundLoadFunction load, const uint8_t* bytes, size_t length)
{
    EnsureConsole();
    std::vector<uint8_t> alone(bytes, bytes + length);
    SoundResult whole = Load(load, alone, 0, length);
    if (length == 0)
        return;

    static const char kJunk[] = "PK\3\4junkRIFF";
    std::vector<uint8_t> package(kJunk, kJunk + sizeof(kJunk));
    package.insert(package.end(), bytes, bytes + length);
    package.insert(package.end(), bytes, bytes + length);
    SoundResult windowed = Load(load, package, sizeof(kJunk), length);
    Require(windowed == whole, "a window into a larger stream loads exactly as the same bytes alone");
}
}
