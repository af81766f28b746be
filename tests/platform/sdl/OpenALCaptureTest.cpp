// What a player would hear, captured: OpenAL Soft's wave output writes the
// mixed stereo stream to a WAV file, which is complete once the device is
// shut down. A generated tone is played flat, then placed to the left and
// to the right of the listener, and the capture's level and stereo balance
// are measured.
//
// Which side is left: the engine is left-handed with +Y up, so a listener
// looking along +Z has +X on its right and -X on its left (and one looking
// along +X has +Z on its left). The device negates Z for OpenAL's
// right-handed space, where the same listener looks along -Z with -X on its
// left: both descriptions agree, which is what these captures check.
//
// The wave output mixes in real time, so each capture lasts as long as its
// tone (a quarter of a second); the wait polls the source, with a limit.
#include "platform/sdl/ZEOpenALSoundDevice.h"

#include "core/ZEByteOrder.h"
#include "core/ZEFileManager.h"
#include "resources/ZESoundManager.h"
#include "support/OpenALOutput.h"
#include "support/TempFolder.h"

#include "ZESoundWriter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace
{
ZEOpenALOutput* const g_pOutput =
    static_cast<ZEOpenALOutput*>(::testing::AddGlobalTestEnvironment(new ZEOpenALOutput("wave")));

const uint32_t kRate = 44100;
const uint32_t kToneFrames = kRate / 4;
const float kToneAmplitude = 0.5f;
// A sample above this (about 1% of full scale) counts as sound.
const int kAudible = 300;

struct Level
{
    double m_dLeft = 0.0, m_dRight = 0.0;   // RMS over the audible part, in full-scale units
    size_t m_Frames = 0;                    // length of the audible part
};

// Interleaved 16-bit stereo from a WAV file of the wave output (which
// writes an extensible "fmt " chunk); empty when it is anything else.
std::vector<int16_t> ReadCapture(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    uint16_t channels = 0, bits = 0;
    for (size_t at = 12; at + 8 <= file.size();)
    {
        uint32_t size = ZEReadLE32(file.data() + at + 4);
        const uint8_t* body = file.data() + at + 8;
        size_t left = file.size() - at - 8;
        if (std::memcmp(file.data() + at, "fmt ", 4) == 0 && size >= 16 && left >= 16)
        {
            channels = ZEReadLE16(body + 2);
            bits = ZEReadLE16(body + 14);
        }
        if (std::memcmp(file.data() + at, "data", 4) == 0 && channels == 2 && bits == 16)
        {
            size_t count = std::min<size_t>(size, left) / 2;
            std::vector<int16_t> samples(count);
            for (size_t i = 0; i < count; ++i)
                samples[i] = static_cast<int16_t>(ZEReadLE16(body + i * 2));
            return samples;
        }
        at += 8 + size + (size & 1);
    }
    return {};
}

Level Measure(const std::vector<int16_t>& stereo)
{
    size_t frames = stereo.size() / 2, first = frames, last = 0;
    for (size_t frame = 0; frame < frames; ++frame)
    {
        if (std::abs(stereo[frame * 2]) > kAudible || std::abs(stereo[frame * 2 + 1]) > kAudible)
        {
            first = std::min(first, frame);
            last = frame;
        }
    }
    Level level;
    if (first > last)
        return level;
    double left = 0.0, right = 0.0;
    for (size_t frame = first; frame <= last; ++frame)
    {
        left += std::pow(stereo[frame * 2] / 32768.0, 2);
        right += std::pow(stereo[frame * 2 + 1] / 32768.0, 2);
    }
    level.m_Frames = last - first + 1;
    level.m_dLeft = std::sqrt(left / level.m_Frames);
    level.m_dRight = std::sqrt(right / level.m_Frames);
    return level;
}

class OpenALCaptureTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        std::vector<int16_t> tone(kToneFrames);
        for (uint32_t i = 0; i < kToneFrames; ++i)
            tone[i] = static_cast<int16_t>(32767.0f * kToneAmplitude * std::sin(6.2831853f * 440.0f * i / kRate));
        std::string error;
        ASSERT_TRUE(ZEWriteWave(m_Folder.File("sounds/tone.wav"), tone, 1, kRate, error)) << error;
        m_Files.SetMainDirectory(m_Folder.Path().c_str());
    }

    // Opens the device, faces the listener along `at`, lets `play` start
    // the tone, waits for it to end, shuts the device down and measures
    // the capture.
    Level Hear(const ZEVector& at, const std::function<void(ZESoundReference&)>& play)
    {
        std::remove(g_pOutput->CapturePath().c_str());
        {
            ZEOpenALSoundDevice device;
            EXPECT_TRUE(device.IsOpen());
            ZESoundManager manager;
            manager.SetSoundDirectory("sounds/");
            manager.SetListener(ZEVector(), at, ZEVector(0, 1, 0));
            std::unique_ptr<ZESoundReference> tone(manager.GetSound("tone.wav"));
            EXPECT_NE(tone->GetSound(), nullptr);
            play(*tone);
            WaitUntilQuiet(*tone);
        }
        return Measure(ReadCapture(g_pOutput->CapturePath()));
    }

    static void WaitUntilQuiet(ZESoundReference& tone)
    {
        auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (tone.IsPlaying() && std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_FALSE(tone.IsPlaying()) << "the tone did not end in time";
    }

    ZETempFolder m_Folder{"capture"};
    ZEFileManager m_Files;
};

const ZEVector kAlongZ(0, 0, 1), kAlongX(1, 0, 0);
// Far enough that distance attenuation (reference distance 1, so a gain of
// 1 / distance) takes the placed gain of 10 back to 0.1, the flat gain.
const float kDistance = 100.0f;
}

TEST_F(OpenALCaptureTest, FlatToneIsHeardOnBothSidesAtFullLength)
{
    Level level = Hear(kAlongZ, [](ZESoundReference& tone) { tone.Play(0); });

    EXPECT_GT(level.m_dLeft, 0.1);
    EXPECT_LT(level.m_dLeft, kToneAmplitude / std::sqrt(2.0) * 1.1);
    EXPECT_NEAR(level.m_dLeft, level.m_dRight, 0.05 * level.m_dLeft) << "flat sounds are centred";
    EXPECT_NEAR(static_cast<double>(level.m_Frames), kToneFrames, kToneFrames * 0.2);
}

TEST_F(OpenALCaptureTest, ToneOnTheLeftIsLouderOnTheLeft)
{
    Level level = Hear(kAlongZ, [](ZESoundReference& tone) { tone.Play3D(-kDistance, 0.0f, 0.0f, 0); });

    // Placed gain 10, distance 1/100, listener gain 10: the tone as it is.
    EXPECT_NEAR(level.m_dLeft, kToneAmplitude / std::sqrt(2.0), 0.05);
    EXPECT_GT(level.m_dLeft, 2.0 * level.m_dRight);
}

TEST_F(OpenALCaptureTest, ToneOnTheRightIsLouderOnTheRight)
{
    Level level = Hear(kAlongZ, [](ZESoundReference& tone) { tone.Play3D(kDistance, 0.0f, 0.0f, 0); });

    EXPECT_GT(level.m_dRight, 0.1);
    EXPECT_GT(level.m_dRight, 2.0 * level.m_dLeft);
}

// Turning the listener to +X puts +Z on its left: the Z flip of the
// orientation and of the position must agree.
TEST_F(OpenALCaptureTest, LeftFollowsTheListenersHeading)
{
    Level level = Hear(kAlongX, [](ZESoundReference& tone) { tone.Play3D(0.0f, 0.0f, kDistance, 0); });

    EXPECT_GT(level.m_dLeft, 0.1);
    EXPECT_GT(level.m_dLeft, 2.0 * level.m_dRight);
}
