#include "ZESoundWriter.h"

#include "core/ZEByteOrder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace
{
std::vector<float> Tone(uint32_t frames, uint32_t channels, float hz, uint32_t rate)
{
    std::vector<float> samples(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c)
            samples[i * channels + c] = 0.5f * static_cast<float>(std::sin(6.283185307 * hz * i / rate));
    return samples;
}

bool HasTag(const std::vector<uint8_t>& bytes, size_t at, const char* tag)
{
    return bytes.size() >= at + 4 && std::memcmp(bytes.data() + at, tag, 4) == 0;
}
} // namespace

TEST(SoundWriter, WaveHeaderDescribesTheSamples)
{
    const std::vector<int16_t> samples = {1, -1, 32767, -32768, 0, 7};
    std::vector<uint8_t> wave;
    std::string error;
    ASSERT_TRUE(ZEEncodeWave(samples, 2, 44100, wave, error)) << error;
    ASSERT_EQ(wave.size(), 44u + 12u);
    EXPECT_TRUE(HasTag(wave, 0, "RIFF"));
    EXPECT_EQ(ZEReadLE32(&wave[4]), wave.size() - 8);
    EXPECT_TRUE(HasTag(wave, 8, "WAVE"));
    EXPECT_TRUE(HasTag(wave, 12, "fmt "));
    EXPECT_EQ(ZEReadLE32(&wave[16]), 16u);
    EXPECT_EQ(ZEReadLE16(&wave[20]), 1u);      // PCM
    EXPECT_EQ(ZEReadLE16(&wave[22]), 2u);      // channels
    EXPECT_EQ(ZEReadLE32(&wave[24]), 44100u);  // rate
    EXPECT_EQ(ZEReadLE32(&wave[28]), 44100u * 4);
    EXPECT_EQ(ZEReadLE16(&wave[32]), 4u);      // block align
    EXPECT_EQ(ZEReadLE16(&wave[34]), 16u);
    EXPECT_TRUE(HasTag(wave, 36, "data"));
    EXPECT_EQ(ZEReadLE32(&wave[40]), 12u);
    EXPECT_EQ(static_cast<int16_t>(ZEReadLE16(&wave[44 + 4])), 32767);
    EXPECT_EQ(static_cast<int16_t>(ZEReadLE16(&wave[44 + 6])), -32768);
}

TEST(SoundWriter, RefusesLayoutsNoLoaderCouldPlay)
{
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_FALSE(ZEEncodeWave({0, 0, 0}, 2, 44100, out, error));    // half a frame
    EXPECT_FALSE(ZEEncodeWave({0, 0}, 3, 44100, out, error));
    EXPECT_FALSE(ZEEncodeWave({0, 0}, 1, 0, out, error));
    EXPECT_FALSE(ZEEncodeOggVorbis({0.0f}, 0, 44100, 0.5f, out, error));
    EXPECT_FALSE(ZEEncodeOggVorbis({0.0f, 0.0f, 0.0f}, 2, 22050, 0.5f, out, error));
    EXPECT_FALSE(error.empty());
}

TEST(SoundWriter, OggStreamIsWellFormedAndReproducible)
{
    const std::vector<float> samples = Tone(22050, 2, 440.0f, 22050);
    std::vector<uint8_t> first, second;
    std::string error;
    ASSERT_TRUE(ZEEncodeOggVorbis(samples, 2, 22050, 0.4f, first, error)) << error;
    ASSERT_TRUE(ZEEncodeOggVorbis(samples, 2, 22050, 0.4f, second, error)) << error;
    EXPECT_EQ(first, second);
    ASSERT_TRUE(HasTag(first, 0, "OggS"));
    // The last page carries the end-of-stream flag (header type bit 2), so
    // players know the sound is complete.
    size_t lastPage = 0;
    for (size_t at = 0; at + 4 <= first.size(); ++at)
        if (HasTag(first, at, "OggS"))
            lastPage = at;
    ASSERT_GT(lastPage, 0u);
    EXPECT_TRUE(first[lastPage + 5] & 4);
    // A second of tone at a middling quality is compressed well below PCM.
    EXPECT_LT(first.size(), 22050u * 4 / 4);
}

TEST(SoundWriter, EmptySoundStillMakesAValidStream)
{
    std::vector<uint8_t> ogg;
    std::string error;
    ASSERT_TRUE(ZEEncodeOggVorbis({}, 1, 44100, 0.5f, ogg, error)) << error;
    EXPECT_TRUE(HasTag(ogg, 0, "OggS"));
}
