#include "resources/ZESoundLoader.h"

#include "core/ZEByteOrder.h"
#include "core/ZEConsole.h"
#include "core/ZEString.h"

// The library's ready-made callback sets are unused statics otherwise.
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <memory>
#include <new>

namespace
{
const uint32_t kDefaultFrequency = 22050;
// Zero bytes kept after the samples of a WAV file, so code that reads a
// little ahead of the last sample reads silence.
const uint32_t kWaveTailBytes = 31;
const uint64_t kRiffHeaderBytes = 12;
const uint64_t kChunkHeaderBytes = sizeof(_ZERiffChunkHeader);
const uint64_t kFormatBytes = sizeof(_ZEWaveFormat);
// Vorbis sample rates run to 192 kHz; anything far above is a damaged
// header.
const long kMaxOggRate = 384000;
// Decoding hands out at most this much per call.
const uint64_t kOggReadBytes = 65536;
// Gaps in a damaged Ogg stream each cost a page; this many means the rest
// is noise.
const int kMaxOggHoles = 1024;

// What a loader produced; owns its data until handed out.
struct Decoded
{
    std::unique_ptr<char[]> m_pData;
    uint32_t m_ulSize = 0;
    uint32_t m_ulFrequency = kDefaultFrequency;
    uint32_t m_ulBits = 0;
    bool m_bStereo = false;
};

void HandOut(Decoded& decoded, char** data, uint32_t& size, uint32_t& frequency, uint32_t& bits,
             bool& stereo)
{
    // A data chunk with no whole frame in it (empty, cut at its header, or
    // shorter than one block) still got a block for its silent tail; callers
    // are promised a null block exactly when there is no data.
    if (decoded.m_ulSize == 0)
        decoded.m_pData.reset();
    *data = decoded.m_pData.release();
    size = *data ? decoded.m_ulSize : 0;
    frequency = decoded.m_ulFrequency;
    bits = decoded.m_ulBits;
    stereo = decoded.m_bStereo;
}

// Both loaders begin alike: cleared outputs, and a stream they cannot read
// into is closed at once (they own it either way).
bool BeginLoad(FILE* file, char** data, uint32_t& size, uint32_t& frequency, uint32_t& bits, bool& stereo)
{
    if (data)
        *data = nullptr;
    size = 0;
    frequency = kDefaultFrequency;
    bits = 0;
    stereo = false;
    if (file && data)
        return true;
    if (file)
        std::fclose(file);
    return false;
}

const char* Label(const ZEString& name)
{
    return name.IsEmpty() ? "a sound file" : name.CStr();
}

void PostDamaged(const ZEString& name, const ZEString& reason)
{
    ZEConsole::Post("sound", ZEString::Format("%s is damaged: %s", Label(name), reason.CStr()), ZE_MSG_ERROR);
}

void PostUnusable(const ZEString& name, const ZEString& reason)
{
    ZEConsole::Post("sound", ZEString::Format("%s cannot be played: %s", Label(name), reason.CStr()),
                    ZE_MSG_ERROR);
}

// The bytes from the stream's position to its end; 0 when it cannot seek.
uint64_t BytesLeft(FILE* file)
{
    long position = std::ftell(file);
    if (position < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    long end = std::ftell(file);
    if (std::fseek(file, position, SEEK_SET) != 0 || end < position)
        return 0;
    return static_cast<uint64_t>(end - position);
}

// A stream seen as `length` bytes from where it stood when the window was
// made: nothing before or after can be read or reached.
class StreamWindow
{
public:
    StreamWindow(FILE* file, uint64_t length) : m_pFile(file), m_lStart(std::ftell(file)), m_ullLength(length)
    {
        // A stream that cannot tell where it is cannot be windowed.
        if (m_lStart < 0)
        {
            m_lStart = 0;
            m_ullLength = 0;
        }
    }

    uint64_t Position() const { return m_ullPosition; }
    uint64_t Length() const { return m_ullLength; }
    uint64_t Left() const { return m_ullLength - m_ullPosition; }

    // Reads up to `bytes`; returns how many arrived.
    uint64_t Read(void* out, uint64_t bytes)
    {
        uint64_t wanted = std::min(bytes, Left());
        if (wanted == 0)
            return 0;
        uint64_t got = std::fread(out, 1, static_cast<size_t>(wanted), m_pFile);
        m_ullPosition += got;
        return got;
    }

    // Moves to `position`, the end at most; false when the stream will not
    // seek.
    bool SeekTo(uint64_t position)
    {
        position = std::min(position, m_ullLength);
        if (std::fseek(m_pFile, static_cast<long>(static_cast<uint64_t>(m_lStart) + position), SEEK_SET) != 0)
            return false;
        m_ullPosition = position;
        return true;
    }

private:
    FILE* m_pFile;
    long m_lStart;
    uint64_t m_ullLength;
    uint64_t m_ullPosition = 0;
};

char* Allocate(uint64_t bytes)
{
    return new (std::nothrow) char[static_cast<size_t>(bytes)];
}

// ---------------------------------------------------------------------------
// RIFF WAVE

// The format in force: none until a whole "fmt " chunk was read.
struct WaveFormat
{
    bool m_bRead = false;
    _ZEWaveFormat m_Fields{};

    bool IsPCM() const { return m_bRead && m_Fields.m_usTag == _ZEWaveFormat::ms_usTagPCM; }
    uint32_t FrameBytes() const
    {
        return (m_Fields.m_usChannels > 1 ? 2u : 1u) * (m_Fields.m_usBits == 8 ? 1u : 2u);
    }
};

uint64_t RoundUpToEven(uint64_t value)
{
    return value + (value & 1);
}

class WaveReader
{
public:
    WaveReader(StreamWindow& window, const ZEString& name) : m_Window(window), m_Name(name) {}

    bool Read(Decoded& decoded)
    {
        uint64_t remaining = 0;
        if (!ReadHeader(remaining))
            return false;
        while (remaining > 0)
        {
            uint8_t bytes[kChunkHeaderBytes];
            if (m_Window.Read(bytes, kChunkHeaderBytes) != kChunkHeaderBytes)
                break;
            _ZERiffChunkHeader header = _ZERiffChunkHeader::Decode(bytes);
            uint64_t size = header.m_ulSize;
            uint64_t body = m_Window.Position();
            if (!ReadChunk(header, decoded))
                return false;
            // Every chunk costs at least its header, so the walk always ends.
            if (!m_Window.SeekTo(body + RoundUpToEven(size)))
                break;
            uint64_t step = RoundUpToEven(size) + kChunkHeaderBytes;
            remaining = step < remaining ? remaining - step : 0;
        }
        if (!decoded.m_pData)
            PostDamaged(m_Name, "it holds no PCM data after a PCM \"fmt \" chunk; it plays as silence");
        return true;
    }

private:
    // The RIFF size limits the walk, unless it is too small to mean
    // anything (some writers leave it 0); the stream's end limits it always.
    bool ReadHeader(uint64_t& remaining)
    {
        uint8_t header[kRiffHeaderBytes];
        if (m_Window.Read(header, kRiffHeaderBytes) != kRiffHeaderBytes || std::memcmp(header, "RIFF", 4) != 0 ||
            std::memcmp(header + 8, "WAVE", 4) != 0)
        {
            PostDamaged(m_Name, "no RIFF WAVE header");
            return false;
        }
        uint64_t declared = RoundUpToEven(ZEReadLE32(header + 4));
        remaining = declared < 4 ? m_Window.Left() : std::min(declared - 4, m_Window.Left());
        return true;
    }

    bool ReadChunk(const _ZERiffChunkHeader& header, Decoded& decoded)
    {
        if (header.Is("fmt "))
            return ReadFormat(header.m_ulSize, decoded);
        if (header.Is("data"))
            return ReadData(header.m_ulSize, decoded);
        // "smpl" (loop points) and every other chunk carry nothing the
        // engine uses.
        return true;
    }

    bool ReadFormat(uint64_t size, Decoded& decoded)
    {
        // The samples keep the format they were read in.
        if (decoded.m_pData)
            return true;
        uint8_t bytes[kFormatBytes];
        if (size < kFormatBytes || m_Window.Read(bytes, kFormatBytes) != kFormatBytes)
        {
            PostDamaged(m_Name, ZEString::Format("its \"fmt \" chunk is %" PRIu64 " bytes long, too short", size));
            m_Format = WaveFormat();
            return true;
        }
        m_Format.m_bRead = true;
        m_Format.m_Fields = _ZEWaveFormat::Decode(bytes);
        if (!m_Format.IsPCM())
            return true;
        const _ZEWaveFormat& fields = m_Format.m_Fields;
        decoded.m_bStereo = fields.m_usChannels > 1;
        decoded.m_ulBits = fields.m_usBits;
        decoded.m_ulFrequency = fields.m_ulRate;
        return CheckPlayable();
    }

    bool CheckPlayable() const
    {
        const _ZEWaveFormat& format = m_Format.m_Fields;
        bool channels = format.m_usChannels == 1 || format.m_usChannels == 2;
        bool bits = format.m_usBits == 8 || format.m_usBits == 16;
        if (channels && bits && format.m_ulRate > 0)
            return true;
        PostUnusable(m_Name, ZEString::Format("%u channels of %u bits at %u Hz (mono or stereo, 8 or 16 bits "
                                              "are played)",
                                              format.m_usChannels, format.m_usBits, format.m_ulRate));
        return false;
    }

    // The samples, as many whole frames as the chunk and the stream hold.
    bool ReadData(uint64_t size, Decoded& decoded)
    {
        if (!m_Format.IsPCM() || decoded.m_pData)
            return true;
        uint64_t block = m_Format.m_Fields.m_usBlockAlign ? m_Format.m_Fields.m_usBlockAlign : 1;
        uint64_t wanted = std::min(size, m_Window.Left());
        wanted -= wanted % block;
        if (wanted > ZESoundLoader::ms_ulMaxDataBytes)
        {
            PostUnusable(m_Name, ZEString::Format("%" PRIu64 " bytes of samples are more than a sound may hold",
                                                  wanted));
            return false;
        }
        std::unique_ptr<char[]> data(Allocate(wanted + kWaveTailBytes));
        if (!data)
        {
            PostUnusable(m_Name, "out of memory");
            return false;
        }
        uint64_t got = m_Window.Read(data.get(), wanted);
        got -= got % block;
        got -= got % m_Format.FrameBytes();
        std::memset(data.get() + got, 0, static_cast<size_t>(wanted - got + kWaveTailBytes));
        if (got < size)
            PostDamaged(m_Name, ZEString::Format("its samples are cut short: %" PRIu64 " of %" PRIu64
                                                 " bytes are there",
                                                 got, size));
        decoded.m_pData = std::move(data);
        decoded.m_ulSize = static_cast<uint32_t>(got);
        return true;
    }

    StreamWindow& m_Window;
    const ZEString& m_Name;
    WaveFormat m_Format;
};

// ---------------------------------------------------------------------------
// Ogg Vorbis

size_t OggRead(void* out, size_t size, size_t count, void* source)
{
    if (size == 0)
        return 0;
    count = std::min(count, SIZE_MAX / size);
    return static_cast<size_t>(static_cast<StreamWindow*>(source)->Read(out, size * count) / size);
}

int OggSeek(void* source, ogg_int64_t offset, int whence)
{
    StreamWindow* window = static_cast<StreamWindow*>(source);
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = static_cast<int64_t>(window->Position());
    else if (whence == SEEK_END)
        base = static_cast<int64_t>(window->Length());
    else if (whence != SEEK_SET)
        return -1;
    // Both terms are below 2^63 in magnitude, so only their sum is checked.
    if (offset < -base || offset > static_cast<int64_t>(window->Length()) - base)
        return -1;
    return window->SeekTo(static_cast<uint64_t>(base + offset)) ? 0 : -1;
}

long OggTell(void* source)
{
    return static_cast<long>(static_cast<StreamWindow*>(source)->Position());
}

class OggDecoder
{
public:
    OggDecoder(OggVorbis_File& file, const ZEString& name) : m_File(file), m_Name(name) {}

    bool Decode(Decoded& decoded)
    {
        uint64_t capacity = 0;
        if (!ReadLayout(decoded, capacity))
            return false;
        std::unique_ptr<char[]> data(Allocate(capacity));
        if (!data)
        {
            PostUnusable(m_Name, "out of memory");
            return false;
        }
        uint64_t got = ReadSamples(data.get(), capacity);
        got -= got % m_ulFrameBytes;
        if (got == 0)
        {
            PostDamaged(m_Name, "no sound could be decoded");
            return false;
        }
        if (got < capacity)
            PostDamaged(m_Name, ZEString::Format("%" PRIu64 " of %" PRIu64 " samples could be decoded",
                                                 got / m_ulFrameBytes, capacity / m_ulFrameBytes));
        decoded.m_pData = Shrink(std::move(data), got, capacity);
        decoded.m_ulSize = static_cast<uint32_t>(got);
        return decoded.m_pData != nullptr;
    }

private:
    bool ReadLayout(Decoded& decoded, uint64_t& capacity)
    {
        vorbis_info* info = ov_info(&m_File, -1);
        if (!info || (info->channels != 1 && info->channels != 2) || info->rate < 1 || info->rate > kMaxOggRate)
        {
            PostUnusable(m_Name, ZEString::Format("%d channels at %ld Hz (mono or stereo are played)",
                                                  info ? info->channels : 0, info ? info->rate : 0L));
            return false;
        }
        m_iChannels = info->channels;
        m_lRate = info->rate;
        m_ulFrameBytes = static_cast<uint32_t>(m_iChannels) * 2;
        ogg_int64_t total = ov_pcm_total(&m_File, -1);
        if (total <= 0 || static_cast<uint64_t>(total) > ZESoundLoader::ms_ulMaxDataBytes / m_ulFrameBytes)
        {
            PostDamaged(m_Name, ZEString::Format("it claims %" PRId64 " samples", static_cast<int64_t>(total)));
            return false;
        }
        capacity = static_cast<uint64_t>(total) * m_ulFrameBytes;
        decoded.m_ulFrequency = static_cast<uint32_t>(m_lRate);
        decoded.m_ulBits = 16;
        decoded.m_bStereo = m_iChannels > 1;
        return true;
    }

    // Decodes into the block until it is full, the stream ends, or a
    // chained stream switches to another layout.
    uint64_t ReadSamples(char* data, uint64_t capacity)
    {
        uint64_t got = 0;
        int holes = 0;
        int link = -1;
        while (got < capacity)
        {
            int section = 0;
            int room = static_cast<int>(std::min(capacity - got, kOggReadBytes));
            long read = ov_read(&m_File, data + got, room, 0, 2, 1, &section);
            if (read == OV_HOLE)
            {
                if (++holes > kMaxOggHoles)
                    break;
                continue;
            }
            if (read <= 0 || (section != link && !SameLayout(section)))
                break;
            link = section;
            got += static_cast<uint64_t>(read);
        }
        if (holes > 0)
            PostDamaged(m_Name, ZEString::Format("%d gaps in the stream were skipped", holes));
        return got;
    }

    bool SameLayout(int section)
    {
        vorbis_info* info = ov_info(&m_File, section);
        if (info && info->channels == m_iChannels && info->rate == m_lRate)
            return true;
        PostUnusable(m_Name, "a later part changes channels or rate; decoding stops there");
        return false;
    }

    // A damaged length can reserve far more than the stream held.
    static std::unique_ptr<char[]> Shrink(std::unique_ptr<char[]> data, uint64_t used, uint64_t capacity)
    {
        if (used >= capacity / 2)
            return data;
        std::unique_ptr<char[]> smaller(Allocate(used));
        if (!smaller)
            return data;
        std::memcpy(smaller.get(), data.get(), static_cast<size_t>(used));
        return smaller;
    }

    OggVorbis_File& m_File;
    const ZEString& m_Name;
    int m_iChannels = 0;
    long m_lRate = 0;
    uint32_t m_ulFrameBytes = 2;
};
}

_ZERiffChunkHeader _ZERiffChunkHeader::Decode(const uint8_t* bytes)
{
    _ZERiffChunkHeader header;
    std::memcpy(header.m_acID, bytes, sizeof(header.m_acID));
    header.m_ulSize = ZEReadLE32(bytes + 4);
    return header;
}

bool _ZERiffChunkHeader::Is(const char* id) const
{
    return std::memcmp(m_acID, id, sizeof(m_acID)) == 0;
}

_ZEWaveFormat _ZEWaveFormat::Decode(const uint8_t* bytes)
{
    _ZEWaveFormat format;
    format.m_usTag = ZEReadLE16(bytes);
    format.m_usChannels = ZEReadLE16(bytes + 2);
    format.m_ulRate = ZEReadLE32(bytes + 4);
    format.m_ulByteRate = ZEReadLE32(bytes + 8);
    format.m_usBlockAlign = ZEReadLE16(bytes + 12);
    format.m_usBits = ZEReadLE16(bytes + 14);
    return format;
}

bool ZESoundLoader::LoadWave(FILE* file, char** data, uint32_t& size, uint32_t& frequency, uint32_t& bits,
                             bool& stereo)
{
    return LoadWave(file, file ? BytesLeft(file) : 0, ZEString(), data, size, frequency, bits, stereo);
}

bool ZESoundLoader::LoadOggVorbis(FILE* file, char** data, uint32_t& size, uint32_t& frequency,
                                  uint32_t& bits, bool& stereo)
{
    return LoadOggVorbis(file, file ? BytesLeft(file) : 0, ZEString(), data, size, frequency, bits, stereo);
}

bool ZESoundLoader::LoadWave(FILE* file, uint64_t available, const ZEString& name, char** data,
                             uint32_t& size, uint32_t& frequency, uint32_t& bits, bool& stereo)
{
    if (!BeginLoad(file, data, size, frequency, bits, stereo))
        return false;
    StreamWindow window(file, available);
    Decoded decoded;
    bool loaded = WaveReader(window, name).Read(decoded);
    std::fclose(file);
    if (!loaded)
        return false;
    HandOut(decoded, data, size, frequency, bits, stereo);
    return true;
}

bool ZESoundLoader::LoadOggVorbis(FILE* file, uint64_t available, const ZEString& name, char** data,
                                  uint32_t& size, uint32_t& frequency, uint32_t& bits, bool& stereo)
{
    if (!BeginLoad(file, data, size, frequency, bits, stereo))
        return false;
    StreamWindow window(file, available);
    // No close function: the library never closes the stream, so it is
    // closed here exactly once, whether opening worked or not.
    ov_callbacks callbacks = {OggRead, OggSeek, nullptr, OggTell};
    OggVorbis_File vorbis;
    if (ov_open_callbacks(&window, &vorbis, nullptr, 0, callbacks) < 0)
    {
        // A failed open has already released the library's own state.
        std::fclose(file);
        PostDamaged(name, "it is no Ogg Vorbis stream");
        return false;
    }
    Decoded decoded;
    bool loaded = OggDecoder(vorbis, name).Decode(decoded);
    ov_clear(&vorbis);
    std::fclose(file);
    if (!loaded)
        return false;
    HandOut(decoded, data, size, frequency, bits, stereo);
    return true;
}
