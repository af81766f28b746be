// The WAV and Ogg Vorbis loaders on files made by the sound writers, cut
// and damaged: they give what the file really holds, read nothing beyond
// the stream, close it exactly once, and say what was wrong.
#include "resources/ZESoundLoader.h"

#include "core/ZEByteOrder.h"
#include "core/ZEConsole.h"
#include "core/ZEString.h"

#include "ZESoundWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

struct Loaded
{
    bool m_bOk = false;
    bool m_bHasData = false;
    Bytes m_Data;
    uint32_t m_ulSize = 0, m_ulFrequency = 0, m_ulBits = 0;
    bool m_bStereo = false;
};

// A stream over `bytes` that counts how often it is closed.
struct CountedStream
{
    Bytes m_Bytes;
    size_t m_Position = 0;
    int m_iCloses = 0;
};

ssize_t CountedRead(void* cookie, char* out, size_t size)
{
    CountedStream* stream = static_cast<CountedStream*>(cookie);
    size_t count = std::min(size, stream->m_Bytes.size() - stream->m_Position);
    std::memcpy(out, stream->m_Bytes.data() + stream->m_Position, count);
    stream->m_Position += count;
    return static_cast<ssize_t>(count);
}

int CountedSeek(void* cookie, off64_t* offset, int whence)
{
    CountedStream* stream = static_cast<CountedStream*>(cookie);
    off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? static_cast<off64_t>(stream->m_Position)
                                                                : static_cast<off64_t>(stream->m_Bytes.size());
    off64_t target = base + *offset;
    if (target < 0)
        return -1;
    stream->m_Position = std::min(static_cast<size_t>(target), stream->m_Bytes.size());
    *offset = target;
    return 0;
}

int CountedClose(void* cookie)
{
    ++static_cast<CountedStream*>(cookie)->m_iCloses;
    return 0;
}

FILE* Open(CountedStream& stream)
{
    cookie_io_functions_t functions = {CountedRead, nullptr, CountedSeek, CountedClose};
    return fopencookie(&stream, "rb", functions);
}

enum class Format
{
    Wave,
    Ogg
};

// Loads `bytes` through a counted stream; every load must close it once.
Loaded Load(Format format, const Bytes& bytes)
{
    CountedStream stream;
    stream.m_Bytes = bytes;
    FILE* file = Open(stream);
    Loaded loaded;
    char* data = nullptr;
    loaded.m_bOk = format == Format::Wave
                       ? ZESoundLoader::LoadWave(file, &data, loaded.m_ulSize, loaded.m_ulFrequency,
                                                 loaded.m_ulBits, loaded.m_bStereo)
                       : ZESoundLoader::LoadOggVorbis(file, &data, loaded.m_ulSize, loaded.m_ulFrequency,
                                                      loaded.m_ulBits, loaded.m_bStereo);
    EXPECT_EQ(stream.m_iCloses, 1) << "the loader closes its stream exactly once";
    loaded.m_bHasData = data != nullptr;
    if (data)
        loaded.m_Data.assign(data, data + loaded.m_ulSize);
    delete[] data;
    return loaded;
}

Loaded LoadWave(const Bytes& bytes)
{
    return Load(Format::Wave, bytes);
}

Loaded LoadOgg(const Bytes& bytes)
{
    return Load(Format::Ogg, bytes);
}

// --- Making files --------------------------------------------------------------

std::vector<int16_t> Ramp(size_t count)
{
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(i * 37 - 1000);
    return samples;
}

Bytes SampleBytes(const std::vector<int16_t>& samples)
{
    Bytes bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i)
        ZEWriteLE16(bytes.data() + i * 2, static_cast<uint16_t>(samples[i]));
    return bytes;
}

Bytes Wave(const std::vector<int16_t>& samples, uint32_t channels, uint32_t rate)
{
    Bytes wave;
    std::string error;
    EXPECT_TRUE(ZEEncodeWave(samples, channels, rate, wave, error)) << error;
    return wave;
}

std::vector<float> Sine(uint32_t frames, uint32_t channels, uint32_t rate, float frequency, float amplitude)
{
    std::vector<float> samples(frames * channels);
    for (uint32_t frame = 0; frame < frames; ++frame)
        for (uint32_t channel = 0; channel < channels; ++channel)
            samples[frame * channels + channel] =
                amplitude * std::sin(6.2831853f * frequency * static_cast<float>(frame) / static_cast<float>(rate));
    return samples;
}

Bytes Ogg(const std::vector<float>& samples, uint32_t channels, uint32_t rate)
{
    Bytes ogg;
    std::string error;
    EXPECT_TRUE(ZEEncodeOggVorbis(samples, channels, rate, 0.3f, ogg, error)) << error;
    return ogg;
}

// A RIFF file from hand-made chunks, for layouts the writer never makes.
class Riff
{
public:
    Riff& Chunk(const char* id, const Bytes& body, uint32_t declared)
    {
        Put(id);
        PutU32(declared);
        m_Body.insert(m_Body.end(), body.begin(), body.end());
        if (body.size() & 1)
            m_Body.push_back(0);
        return *this;
    }
    Riff& Chunk(const char* id, const Bytes& body) { return Chunk(id, body, static_cast<uint32_t>(body.size())); }

    Riff& Format(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
    {
        Bytes body(16);
        ZEWriteLE16(body.data(), tag);
        ZEWriteLE16(body.data() + 2, channels);
        ZEWriteLE32(body.data() + 4, rate);
        ZEWriteLE32(body.data() + 8, rate * blockAlign);
        ZEWriteLE16(body.data() + 12, blockAlign);
        ZEWriteLE16(body.data() + 14, bits);
        return Chunk("fmt ", body);
    }

    Bytes Build(uint32_t riffSize) const
    {
        Bytes file(12 + m_Body.size());
        std::memcpy(file.data(), "RIFF", 4);
        ZEWriteLE32(file.data() + 4, riffSize);
        std::memcpy(file.data() + 8, "WAVE", 4);
        std::copy(m_Body.begin(), m_Body.end(), file.begin() + 12);
        return file;
    }
    Bytes Build() const { return Build(static_cast<uint32_t>(m_Body.size() + 4)); }

private:
    void Put(const char* id) { m_Body.insert(m_Body.end(), id, id + 4); }
    void PutU32(uint32_t value)
    {
        uint8_t bytes[4];
        ZEWriteLE32(bytes, value);
        m_Body.insert(m_Body.end(), bytes, bytes + 4);
    }

    Bytes m_Body;
};

// Overwrites a few random bytes; the same seed always gives the same file.
Bytes Damage(Bytes bytes, std::mt19937& random)
{
    std::uniform_int_distribution<size_t> where(0, bytes.size() - 1);
    std::uniform_int_distribution<int> count(1, 8), value(0, 255);
    for (int i = count(random); i > 0; --i)
        bytes[where(random)] = static_cast<uint8_t>(value(random));
    return bytes;
}

class SoundLoaderTest : public ::testing::Test
{
protected:
    bool Posted(const std::string& part) const
    {
        for (const ZEConsoleMessage* message = m_Console.GetMessages(); message; message = message->m_pNext)
            if (std::string(message->m_Text.CStr()).find(part) != std::string::npos)
                return true;
        return false;
    }

    ZEConsole m_Console;
};
}

// --- WAV -------------------------------------------------------------------------

TEST_F(SoundLoaderTest, StereoSixteenBitWaveLoadsAsItIs)
{
    std::vector<int16_t> samples = Ramp(200);
    Loaded loaded = LoadWave(Wave(samples, 2, 44100));

    ASSERT_TRUE(loaded.m_bOk);
    EXPECT_TRUE(loaded.m_bStereo);
    EXPECT_EQ(loaded.m_ulBits, 16u);
    EXPECT_EQ(loaded.m_ulFrequency, 44100u);
    EXPECT_EQ(loaded.m_Data, SampleBytes(samples));
}

TEST_F(SoundLoaderTest, ChunkWalkSkipsOtherChunksAndTheirPadding)
{
    Bytes smpl(60, 0x55), odd = {1, 2, 3};
    Bytes file = Riff()
                     .Chunk("LIST", odd)
                     .Format(1, 1, 8000, 1, 8)
                     .Chunk("smpl", smpl)
                     .Chunk("data", {10, 20, 30, 40, 50})
                     .Build();
    Loaded loaded = LoadWave(file);

    ASSERT_TRUE(loaded.m_bOk);
    EXPECT_FALSE(loaded.m_bStereo);
    EXPECT_EQ(loaded.m_ulBits, 8u);
    EXPECT_EQ(loaded.m_ulFrequency, 8000u);
    EXPECT_EQ(loaded.m_Data, (Bytes{10, 20, 30, 40, 50}));
}

TEST_F(SoundLoaderTest, ChunksAfterTheDeclaredRiffEndAreNotRead)
{
    // "WAVE" and the 24-byte "fmt " chunk are all the RIFF size covers; the
    // samples that follow lie outside it.
    Bytes file = Riff().Format(1, 1, 8000, 1, 8).Chunk("data", {10, 20, 30, 40}).Build(4 + 24);
    Loaded loaded = LoadWave(file);

    EXPECT_TRUE(loaded.m_bOk);
    EXPECT_EQ(loaded.m_ulFrequency, 8000u);
    EXPECT_FALSE(loaded.m_bHasData);
    EXPECT_EQ(loaded.m_ulSize, 0u);
}

// A second "fmt " chunk after the samples once relabelled them: 9 bytes of
// 8-bit mono came out as 16-bit samples, half a frame over.
TEST_F(SoundLoaderTest, AFormatChunkAfterTheSamplesIsIgnored)
{
    Bytes file = Riff().Format(1, 1, 11025, 1, 8).Chunk("data", {1, 2, 3, 4, 5, 6, 7, 8, 9}).Format(1, 2, 22050, 4, 16).Build();
    Loaded loaded = LoadWave(file);

    EXPECT_TRUE(loaded.m_bOk);
    EXPECT_EQ(loaded.m_ulBits, 8u);
    EXPECT_FALSE(loaded.m_bStereo);
    EXPECT_EQ(loaded.m_ulFrequency, 11025u);
    EXPECT_EQ(loaded.m_Data, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST_F(SoundLoaderTest, DataBeforeAnyFormatGivesNoData)
{
    Bytes file = Riff().Chunk("data", SampleBytes(Ramp(8))).Format(1, 2, 44100, 4, 16).Build();
    Loaded loaded = LoadWave(file);

    EXPECT_TRUE(loaded.m_bOk) << "it still counts as loaded, with an empty buffer";
    EXPECT_FALSE(loaded.m_bHasData);
    EXPECT_EQ(loaded.m_ulSize, 0u);
    EXPECT_TRUE(Posted("holds no PCM data"));
}

// Each of these once handed out a block of silence with size 0, which a
// caller that trusts "null exactly when empty" never frees.
TEST_F(SoundLoaderTest, DataChunkWithoutAWholeFrameGivesNoBlock)
{
    struct Case
    {
        const char* m_pName;
        Bytes m_File;
    };
    const Case cases[] = {
        {"empty data chunk", Riff().Format(1, 1, 8000, 1, 8).Chunk("data", Bytes()).Build()},
        {"data shorter than one block", Riff().Format(1, 1, 501, 112, 8).Chunk("data", Bytes(64, 0x80)).Build()},
        {"data shorter than one frame", Riff().Format(1, 2, 44100, 4, 16).Chunk("data", Bytes(3, 1)).Build()},
        {"file ends after the data header",
         Riff().Format(1, 1, 501, 112, 8).Chunk("data", Bytes(), 0x7ADADDC7).Build()},
    };
    for (const Case& c : cases)
    {
        Loaded loaded = LoadWave(c.m_File);
        EXPECT_TRUE(loaded.m_bOk) << c.m_pName;
        EXPECT_FALSE(loaded.m_bHasData) << c.m_pName;
        EXPECT_EQ(loaded.m_ulSize, 0u) << c.m_pName;
    }
}

TEST_F(SoundLoaderTest, OnlyPcmDataIsTakenAndOnlyTheFirstDataChunk)
{
    Bytes floats = Riff().Format(3, 1, 44100, 4, 32).Chunk("data", Bytes(16, 1)).Build();
    Loaded loaded = LoadWave(floats);
    EXPECT_TRUE(loaded.m_bOk);
    EXPECT_FALSE(loaded.m_bHasData);

    Bytes twice = Riff().Format(1, 1, 8000, 1, 8).Chunk("data", {1, 2}).Chunk("data", {3, 4, 5}).Build();
    EXPECT_EQ(LoadWave(twice).m_Data, (Bytes{1, 2}));
}

TEST_F(SoundLoaderTest, BlockAlignZeroReadsEveryWholeFrame)
{
    Bytes file = Riff().Format(1, 1, 22050, 0, 16).Chunk("data", SampleBytes(Ramp(5))).Build();
    Loaded loaded = LoadWave(file);

    ASSERT_TRUE(loaded.m_bOk);
    EXPECT_EQ(loaded.m_Data, SampleBytes(Ramp(5)));
}

TEST_F(SoundLoaderTest, DataIsKeptToWholeFrames)
{
    Bytes file = Riff().Format(1, 2, 44100, 1, 16).Chunk("data", Bytes(7, 9)).Build();
    Loaded loaded = LoadWave(file);

    ASSERT_TRUE(loaded.m_bOk);
    EXPECT_EQ(loaded.m_ulSize, 4u) << "one stereo 16-bit frame; the odd bytes are no sample";
}

TEST_F(SoundLoaderTest, HugeChunkSizesAreCappedAtTheFile)
{
    Bytes samples = SampleBytes(Ramp(50));
    Bytes hugeData = Riff().Format(1, 1, 22050, 2, 16).Chunk("data", samples, 0xFFFFFFF0u).Build(0xFFFFFFFFu);
    Loaded loaded = LoadWave(hugeData);
    ASSERT_TRUE(loaded.m_bOk);
    EXPECT_EQ(loaded.m_Data, samples) << "what the file holds, not what it claims";
    EXPECT_TRUE(Posted("cut short: 100 of 4294967280 bytes"));

    Bytes hugeOther = Riff().Chunk("junk", {1, 2, 3, 4}, 0xFFFFFFF0u).Format(1, 1, 22050, 2, 16).Build();
    loaded = LoadWave(hugeOther);
    EXPECT_TRUE(loaded.m_bOk);
    EXPECT_FALSE(loaded.m_bHasData) << "the walk ends at the end of the file";
}

TEST_F(SoundLoaderTest, ShortFormatChunkIsNoFormat)
{
    Bytes file = Riff().Chunk("fmt ", {1, 0, 1, 0, 0x44, 0xAC, 0, 0}).Chunk("data", {1, 2, 3, 4}).Build();
    Loaded loaded = LoadWave(file);

    EXPECT_TRUE(loaded.m_bOk);
    EXPECT_FALSE(loaded.m_bHasData);
    EXPECT_TRUE(Posted("\"fmt \" chunk is 8 bytes long"));
}

TEST_F(SoundLoaderTest, LayoutsThatCannotBePlayedAreRefused)
{
    EXPECT_FALSE(LoadWave(Riff().Format(1, 6, 48000, 18, 24).Chunk("data", Bytes(36)).Build()).m_bOk);
    EXPECT_TRUE(Posted("6 channels of 24 bits at 48000 Hz"));
    EXPECT_FALSE(LoadWave(Riff().Format(1, 1, 0, 2, 16).Chunk("data", Bytes(4)).Build()).m_bOk);
}

TEST_F(SoundLoaderTest, NotAWaveFileFails)
{
    EXPECT_FALSE(LoadWave(Bytes()).m_bOk);
    EXPECT_FALSE(LoadWave(Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'A', 'V', 'I', ' '}).m_bOk);
    EXPECT_TRUE(Posted("no RIFF WAVE header"));

    char* data = reinterpret_cast<char*>(1);
    uint32_t size = 7, frequency = 0, bits = 7;
    bool stereo = true;
    EXPECT_FALSE(ZESoundLoader::LoadWave(nullptr, &data, size, frequency, bits, stereo));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(frequency, 22050u);
    EXPECT_EQ(bits, 0u);
    EXPECT_FALSE(stereo);
}

TEST_F(SoundLoaderTest, WaveCutAtEveryByteGivesWhatIsThere)
{
    Bytes whole = Wave(Ramp(64), 2, 22050);
    const size_t kHeader = 44;   // RIFF header, 16-byte "fmt ", "data" header
    ASSERT_EQ(whole.size(), kHeader + 128);

    for (size_t cut = 0; cut <= whole.size(); ++cut)
    {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        Loaded loaded = LoadWave(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
        EXPECT_EQ(loaded.m_bOk, cut >= 12);
        if (cut < kHeader)
        {
            EXPECT_FALSE(loaded.m_bHasData);
            continue;
        }
        size_t kept = (cut - kHeader) / 4 * 4;
        EXPECT_EQ(loaded.m_Data, Bytes(whole.begin() + kHeader, whole.begin() + static_cast<long>(kHeader + kept)));
    }
}

TEST_F(SoundLoaderTest, DamagedWaveNeverReadsBeyondTheFile)
{
    Bytes whole = Wave(Ramp(64), 2, 22050);
    std::mt19937 random(8);
    for (int round = 0; round < 2000; ++round)
    {
        Loaded loaded = LoadWave(Damage(whole, random));
        EXPECT_LE(loaded.m_ulSize, whole.size());
        if (loaded.m_bHasData)
        {
            EXPECT_TRUE(loaded.m_ulBits == 8 || loaded.m_ulBits == 16);
        }
    }
}

// An archived file is a window into the package: the loader must take
// exactly its bytes, from where the stream stands.
TEST_F(SoundLoaderTest, WaveInsideAPackageIsReadWithinItsEntry)
{
    Bytes entry = Riff().Format(1, 1, 8000, 1, 8).Chunk("data", {1, 2, 3, 4}, 0xFFFFFFF0u).Build(0xFFFFFFFFu);
    // 10 bytes before the entry, 20 of the next entry after it.
    Bytes package(10 + entry.size() + 20, 0xEE);
    std::copy(entry.begin(), entry.end(), package.begin() + 10);
    std::fill(package.end() - 20, package.end(), 0xDD);

    FILE* file = tmpfile();
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fwrite(package.data(), 1, package.size(), file), package.size());
    ASSERT_EQ(fseek(file, 10, SEEK_SET), 0);
    char* data = nullptr;
    uint32_t size = 0, frequency = 0, bits = 0;
    bool stereo = false;
    ASSERT_TRUE(ZESoundLoader::LoadWave(file, entry.size(), "sounds/in.wav", &data, size, frequency, bits, stereo));
    EXPECT_EQ(Bytes(data, data + size), (Bytes{1, 2, 3, 4}));
    EXPECT_TRUE(Posted("sounds/in.wav is damaged"));
    delete[] data;
}

// --- Ogg Vorbis ------------------------------------------------------------------------

TEST_F(SoundLoaderTest, OggDecodesToItsLengthRateAndChannels)
{
    const uint32_t frames = 11025;
    Loaded stereo = LoadOgg(Ogg(Sine(frames, 2, 44100, 440.0f, 0.5f), 2, 44100));
    ASSERT_TRUE(stereo.m_bOk);
    EXPECT_TRUE(stereo.m_bStereo);
    EXPECT_EQ(stereo.m_ulBits, 16u);
    EXPECT_EQ(stereo.m_ulFrequency, 44100u);
    EXPECT_EQ(stereo.m_ulSize, frames * 4);

    // Lossy, but a 440 Hz sine of amplitude 0.5 keeps its level.
    double sum = 0.0;
    for (size_t i = 0; i + 1 < stereo.m_Data.size(); i += 2)
    {
        double sample = static_cast<int16_t>(ZEReadLE16(stereo.m_Data.data() + i)) / 32768.0;
        sum += sample * sample;
    }
    EXPECT_NEAR(std::sqrt(sum / (stereo.m_Data.size() / 2)), 0.5 / std::sqrt(2.0), 0.03);

    Loaded mono = LoadOgg(Ogg(Sine(4000, 1, 22050, 300.0f, 0.3f), 1, 22050));
    ASSERT_TRUE(mono.m_bOk);
    EXPECT_FALSE(mono.m_bStereo);
    EXPECT_EQ(mono.m_ulFrequency, 22050u);
    EXPECT_EQ(mono.m_ulSize, 4000u * 2);
}

TEST_F(SoundLoaderTest, NotAnOggFileFailsAndIsClosedOnce)
{
    EXPECT_FALSE(LoadOgg(Wave(Ramp(64), 2, 22050)).m_bOk);
    EXPECT_FALSE(LoadOgg(Bytes()).m_bOk);
    EXPECT_TRUE(Posted("is no Ogg Vorbis stream"));
}

TEST_F(SoundLoaderTest, OggCutShortGivesWhatIsDecodable)
{
    Bytes whole = Ogg(Sine(22050, 2, 44100, 523.0f, 0.4f), 2, 44100);
    uint32_t full = LoadOgg(whole).m_ulSize;
    // Every byte through the headers, then strides through the audio.
    for (size_t cut = 0; cut <= whole.size(); cut += cut < 4500 ? 1 : 97)
    {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        Loaded loaded = LoadOgg(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
        if (!loaded.m_bOk)
            continue;
        EXPECT_LE(loaded.m_ulSize, full);
        EXPECT_EQ(loaded.m_ulSize % 4, 0u);
        EXPECT_EQ(loaded.m_Data.size(), loaded.m_ulSize);
    }
}

TEST_F(SoundLoaderTest, DamagedOggNeverCrashes)
{
    Bytes whole = Ogg(Sine(8000, 1, 22050, 700.0f, 0.4f), 1, 22050);
    std::mt19937 random(4);
    for (int round = 0; round < 300; ++round)
    {
        Loaded loaded = LoadOgg(Damage(whole, random));
        if (loaded.m_bOk)
        {
            EXPECT_EQ(loaded.m_ulSize % 2, 0u);
        }
    }
}

namespace
{
// The Ogg page checksum: CRC-32 with polynomial 0x04C11DB7, unreflected,
// over the page with its checksum field zeroed.
uint32_t OggChecksum(const uint8_t* page, size_t size)
{
    uint32_t crc = 0;
    for (size_t i = 0; i < size; ++i)
    {
        uint8_t byte = (i >= 22 && i < 26) ? 0 : page[i];
        crc ^= static_cast<uint32_t>(byte) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

// Gives the last page a new end position (in samples), checksum and all.
void SetLastGranule(Bytes& ogg, uint64_t granule)
{
    size_t last = 0;
    for (size_t at = 0; at + 27 <= ogg.size(); ++at)
        if (std::memcmp(ogg.data() + at, "OggS", 4) == 0)
            last = at;
    uint8_t* page = ogg.data() + last;
    for (int i = 0; i < 8; ++i)
        page[6 + i] = static_cast<uint8_t>(granule >> (8 * i));
    ZEWriteLE32(page + 22, OggChecksum(page, ogg.size() - last));
}
}

// The decoder library already doubts an end position beyond what the
// stream can hold; what reaches the loader is a length of none, which is
// refused, or a shorter one, which is kept to.
TEST_F(SoundLoaderTest, OggLengthFromItsLastPage)
{
    Bytes ogg = Ogg(Sine(8000, 1, 22050, 700.0f, 0.4f), 1, 22050);

    Bytes none = ogg;
    SetLastGranule(none, ~0ull);
    EXPECT_FALSE(LoadOgg(none).m_bOk);
    EXPECT_TRUE(Posted("it claims 0 samples"));

    Bytes shorter = ogg;
    SetLastGranule(shorter, 5000);
    Loaded loaded = LoadOgg(shorter);
    ASSERT_TRUE(loaded.m_bOk);
    EXPECT_EQ(loaded.m_ulSize, 5000u * 2);

    Bytes longer = ogg;
    SetLastGranule(longer, 1ull << 40);
    loaded = LoadOgg(longer);
    ASSERT_TRUE(loaded.m_bOk);
    EXPECT_LT(loaded.m_ulSize, 9000u * 2);
}
