// The OpenAL sound device over OpenAL Soft's null output: sources, buffers,
// gains, repeats and the sound manager on top, read back from OpenAL itself.
//
// Playing takes real time, so no test waits for a sound to end: the sounds
// last half a minute, and a test ends a play by stopping its OpenAL source
// by hand, just as the mixer does when the last sample has been played.
#include "platform/sdl/ZEOpenALSoundDevice.h"

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZESoundManager.h"
#include "support/OpenALOutput.h"
#include "support/TempFolder.h"

#include "ZESoundWriter.h"

#include <gtest/gtest.h>

#include <AL/al.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
::testing::Environment* const g_pOutput = ::testing::AddGlobalTestEnvironment(new ZEOpenALOutput("null"));

using Bytes = std::vector<uint8_t>;

Bytes QuietWave(uint32_t frames, uint32_t rate)
{
    std::vector<int16_t> samples(frames);
    for (uint32_t i = 0; i < frames; ++i)
        samples[i] = static_cast<int16_t>((i % 64) * 4);
    Bytes wave;
    std::string error;
    EXPECT_TRUE(ZEEncodeWave(samples, 1, rate, wave, error)) << error;
    return wave;
}

Bytes EncodeLongOgg()
{
    std::vector<float> samples(22050 * 30);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.2f * std::sin(0.05f * static_cast<float>(i));
    Bytes ogg;
    std::string error;
    EXPECT_TRUE(ZEEncodeOggVorbis(samples, 1, 22050, 0.0f, ogg, error)) << error;
    return ogg;
}

// Encoded once: every test writes the same half minute.
const Bytes& LongOgg()
{
    static const Bytes ogg = EncodeLongOgg();
    return ogg;
}

// The same file read as 8-bit samples: the byte rate, block size and sample
// size of its "fmt " chunk are rewritten, the data stays.
Bytes EightBit(Bytes wave)
{
    const uint16_t channels = static_cast<uint16_t>(wave[22] | wave[23] << 8);
    const uint32_t rate = wave[24] | wave[25] << 8 | wave[26] << 16 | static_cast<uint32_t>(wave[27]) << 24;
    const uint32_t byteRate = rate * channels;
    for (int i = 0; i < 4; ++i)
        wave[28 + i] = static_cast<uint8_t>(byteRate >> (8 * i));
    wave[32] = static_cast<uint8_t>(channels);
    wave[33] = 0;
    wave[34] = 8;
    wave[35] = 0;
    return wave;
}

// A RIFF WAVE file with a PCM format and an empty "data" chunk.
Bytes EmptyWave()
{
    Bytes wave;
    std::string error;
    EXPECT_TRUE(ZEEncodeWave({}, 1, 22050, wave, error)) << error;
    return wave;
}

class OpenALSoundDeviceTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        Bytes wave = QuietWave(8000 * 30, 8000);
        const Bytes& ogg = LongOgg();
        Write("long.wav", wave);
        Write("other.wav", wave);
        Write("tone.ogg", ogg);
        Write("tune.ogg.data", ogg);
        Write("fake.ogg.wav", wave);
        Write("empty.wav", EmptyWave());
        Write("broken.wav", Bytes{'R', 'I', 'F', 'X', 1, 2, 3});
        m_Files.SetMainDirectory(m_Folder.Path().c_str());

        m_pDevice = std::make_unique<ZEOpenALSoundDevice>();
        ASSERT_TRUE(m_pDevice->IsOpen());
        m_pManager = std::make_unique<ZESoundManager>();
        m_pManager->SetSoundDirectory("sounds/");
    }

    void TearDown() override
    {
        m_pManager.reset();
        m_pDevice.reset();
    }

    void Write(const std::string& name, const Bytes& bytes)
    {
        ASSERT_FALSE(m_Folder.Write("sounds/" + name, bytes).empty());
    }

    std::unique_ptr<ZESoundReference> Get(const char* name)
    {
        return std::unique_ptr<ZESoundReference>(m_pManager->GetSound(name));
    }

    std::vector<_OpenALSource*> SourcesOf(const ZESoundReference& reference) const
    {
        std::vector<_OpenALSource*> sources;
        for (_OpenALSource* source = m_pDevice->m_pSources; source; source = source->m_pNext)
            if (source->m_ulReferenceID == reference.m_ulID)
                sources.push_back(source);
        return sources;
    }

    _OpenALSource* SourceOf(const ZESoundReference& reference) const
    {
        std::vector<_OpenALSource*> sources = SourcesOf(reference);
        return sources.empty() ? nullptr : sources.front();
    }

    static ALint State(const _OpenALSource* source)
    {
        ALint state = 0;
        alGetSourcei(source->m_uiSource, AL_SOURCE_STATE, &state);
        return state;
    }

    static float Gain(const _OpenALSource* source)
    {
        float gain = -1.0f;
        alGetSourcef(source->m_uiSource, AL_GAIN, &gain);
        return gain;
    }

    static ZEVector Position(const _OpenALSource* source)
    {
        ZEVector position(-99, -99, -99);
        alGetSource3f(source->m_uiSource, AL_POSITION, &position.x, &position.y, &position.z);
        return position;
    }

    static ALint Int(const _OpenALSource* source, ALenum what)
    {
        ALint value = -1;
        alGetSourcei(source->m_uiSource, what, &value);
        return value;
    }

    // What the mixer does when the last sample of a play has been heard.
    void EndPlays(const ZESoundReference& reference) const
    {
        for (_OpenALSource* source : SourcesOf(reference))
            alSourceStop(source->m_uiSource);
    }

    void MoveListener() { m_pDevice->SetListener(ZEVector(), ZEVector(0, 0, 1), ZEVector(0, 1, 0)); }

    bool Posted(const std::string& part) const
    {
        for (const ZEConsoleMessage* message = m_Console.GetMessages(); message; message = message->m_pNext)
            if (std::string(message->m_Text.CStr()).find(part) != std::string::npos)
                return true;
        return false;
    }

    ZETempFolder m_Folder{"sounds"};
    ZEConsole m_Console;
    ZEFileManager m_Files;
    std::unique_ptr<ZEOpenALSoundDevice> m_pDevice;
    std::unique_ptr<ZESoundManager> m_pManager;
};
}

TEST_F(OpenALSoundDeviceTest, StartsWithTheListenerSettings)
{
    float gain = 0.0f, orientation[6] = {};
    alGetListenerf(AL_GAIN, &gain);
    alGetListenerfv(AL_ORIENTATION, orientation);
    EXPECT_FLOAT_EQ(gain, 10.0f);
    EXPECT_FLOAT_EQ(alGetFloat(AL_DOPPLER_FACTOR), 1.0f);
    EXPECT_FLOAT_EQ(alGetFloat(AL_DOPPLER_VELOCITY), 343.3f);
    const float expected[6] = {0, 0, -1, 0, 1, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_FLOAT_EQ(orientation[i], expected[i]) << i;
}

// --- Repeats -------------------------------------------------------------------------

TEST_F(OpenALSoundDeviceTest, PlayZeroPlaysOnce)
{
    std::unique_ptr<ZESoundReference> sound = Get("long.wav");
    sound->Play(0);
    ASSERT_EQ(m_pDevice->CountSources(sound.get()), 1u);
    EXPECT_EQ(State(SourceOf(*sound)), AL_PLAYING);
    EXPECT_EQ(Int(SourceOf(*sound), AL_LOOPING), AL_FALSE);
    EXPECT_TRUE(sound->IsPlaying());

    m_pDevice->Update();
    EXPECT_EQ(m_pDevice->CountSources(sound.get()), 1u) << "still playing";

    EndPlays(*sound);
    EXPECT_FALSE(sound->IsPlaying());
    m_pDevice->Update();
    EXPECT_EQ(m_pDevice->m_ulNumSources, 0u);
    EXPECT_EQ(m_pDevice->m_pSources, nullptr);
}

TEST_F(OpenALSoundDeviceTest, PlayTwoPlaysThreeTimesRestartedByTheListenerUpdate)
{
    std::unique_ptr<ZESoundReference> sound = Get("long.wav");
    sound->Play(2);
    ASSERT_NE(SourceOf(*sound), nullptr);
    uint32_t name = SourceOf(*sound)->m_uiSource;

    for (int play = 1; play <= 3; ++play)
    {
        SCOPED_TRACE("play " + std::to_string(play));
        ASSERT_EQ(m_pDevice->CountSources(sound.get()), 1u);
        EXPECT_EQ(SourceOf(*sound)->m_uiSource, name) << "the same source plays again";
        EXPECT_EQ(State(SourceOf(*sound)), AL_PLAYING);
        EXPECT_EQ(SourceOf(*sound)->m_sRepeats, 3 - play);
        EndPlays(*sound);
        MoveListener();
    }
    EXPECT_EQ(m_pDevice->CountSources(sound.get()), 0u);
    EXPECT_EQ(alIsSource(name), AL_FALSE);
}

TEST_F(OpenALSoundDeviceTest, PlayMinusOneLoopsUntilStopped)
{
    std::unique_ptr<ZESoundReference> sound = Get("long.wav");
    sound->Play(-1);
    ASSERT_EQ(m_pDevice->CountSources(sound.get()), 1u);
    EXPECT_EQ(Int(SourceOf(*sound), AL_LOOPING), AL_TRUE);
    for (int frame = 0; frame < 3; ++frame)
        MoveListener();
    EXPECT_TRUE(sound->IsPlaying());

    sound->Stop();
    EXPECT_EQ(m_pDevice->m_ulNumSources, 0u);
}

// --- References and their sources --------------------------------------------------

TEST_F(OpenALSoundDeviceTest, TwoReferencesHaveTwoSourcesAndStopOnlyTheirOwn)
{
    std::unique_ptr<ZESoundReference> first = Get("long.wav"), second = Get("long.wav");
    first->Play(-1);
    second->Play(-1);
    ASSERT_EQ(m_pDevice->m_ulNumSources, 2u);

    first->Stop();
    EXPECT_EQ(m_pDevice->CountSources(first.get()), 0u);
    ASSERT_EQ(m_pDevice->CountSources(second.get()), 1u);
    EXPECT_EQ(State(SourceOf(*second)), AL_PLAYING);
}

TEST_F(OpenALSoundDeviceTest, LoopPlayedTwiceEndsWithItsReference)
{
    std::unique_ptr<ZESoundReference> siren = Get("long.wav");
    siren->Play(-1);
    siren->Play3D(ZEVector(1, 2, 3), ZEVector(), -1);
    std::vector<uint32_t> names;
    for (_OpenALSource* source : SourcesOf(*siren))
        names.push_back(source->m_uiSource);
    ASSERT_EQ(names.size(), 2u);

    siren.reset();
    EXPECT_EQ(m_pDevice->m_ulNumSources, 0u);
    for (uint32_t name : names)
        EXPECT_EQ(alIsSource(name), AL_FALSE) << "no voice keeps sounding";
}

TEST_F(OpenALSoundDeviceTest, FlatAndPlacedGainsFollowTheVolumes)
{
    std::unique_ptr<ZESoundReference> sound = Get("long.wav");
    sound->Play(-1);
    _OpenALSource* flat = SourceOf(*sound);
    EXPECT_FLOAT_EQ(Gain(flat), 0.1f);
    EXPECT_EQ(Int(flat, AL_SOURCE_RELATIVE), AL_TRUE);
    EXPECT_EQ(Position(flat), ZEVector(0, 0, 0));
    EXPECT_FALSE(flat->m_b3D);
    sound->Stop();

    sound->Play3D(1.0f, 2.0f, 3.0f, -1);
    _OpenALSource* placed = SourceOf(*sound);
    EXPECT_FLOAT_EQ(Gain(placed), 10.0f);
    EXPECT_EQ(Int(placed, AL_SOURCE_RELATIVE), AL_FALSE);
    EXPECT_EQ(Position(placed), ZEVector(1, 2, -3)) << "Z is negated for OpenAL";
    EXPECT_TRUE(placed->m_b3D);
    sound->Stop();

    m_pDevice->SetVolume(-0.5f);
    EXPECT_FLOAT_EQ(m_pDevice->m_fVolume, 0.5f);
    sound->Play(-1, 0.5f);
    EXPECT_FLOAT_EQ(Gain(SourceOf(*sound)), 0.025f);
    sound->Stop();
    sound->Play3D(ZEVector(), ZEVector(), -1, 2.0f);
    EXPECT_FLOAT_EQ(Gain(SourceOf(*sound)), 10.0f);
    sound->Stop();
    sound->Play(-1, std::nanf(""));
    EXPECT_FLOAT_EQ(Gain(SourceOf(*sound)), 0.0f) << "not a number plays silently";
}

TEST_F(OpenALSoundDeviceTest, PlacedSourcesFollowTheirReference)
{
    std::unique_ptr<ZESoundReference> motor = Get("long.wav");
    motor->Play3D(ZEVector(1, 1, 1), ZEVector(), -1);
    motor->Play(-1);
    motor->Play3D(ZEVector(2, 2, 2), ZEVector(), -1);

    motor->UpdatePosition(ZEVector(4, 5, 6));
    std::vector<_OpenALSource*> sources = SourcesOf(*motor);
    ASSERT_EQ(sources.size(), 3u);
    EXPECT_EQ(Position(sources[0]), ZEVector(4, 5, -6));
    EXPECT_EQ(Position(sources[1]), ZEVector(0, 0, 0)) << "a flat source stays at the listener";
    EXPECT_EQ(Position(sources[2]), ZEVector(4, 5, -6));

    motor->UpdateProperties(ZEVector(-1, 0, 7), ZEVector(100, 0, 0));
    EXPECT_EQ(Position(sources[0]), ZEVector(-1, 0, -7));
}

TEST_F(OpenALSoundDeviceTest, ListenerIsHandedOverWithZNegated)
{
    m_pDevice->SetListener(ZEVector(1, 2, 3), ZEVector(0.6f, 0, 0.8f), ZEVector(0, 1, 0), ZEVector(9, 9, 9));
    ZEVector position;
    float orientation[6] = {};
    alGetListener3f(AL_POSITION, &position.x, &position.y, &position.z);
    alGetListenerfv(AL_ORIENTATION, orientation);
    EXPECT_EQ(position, ZEVector(1, 2, -3));
    const float expected[6] = {0.6f, 0, -0.8f, 0, 1, 0};
    for (int i = 0; i < 6; ++i)
    {
        EXPECT_FLOAT_EQ(orientation[i], expected[i]) << i;
        EXPECT_FLOAT_EQ(m_pDevice->m_afOrientation[i], expected[i]) << i;
    }
}

TEST_F(OpenALSoundDeviceTest, PlaysBeyondTheSourceLimitAreDropped)
{
    std::unique_ptr<ZESoundReference> sound = Get("long.wav");
    for (int play = 0; play < ZEOpenALOutput::ms_iSources + 2; ++play)
        sound->Play(-1);
    EXPECT_EQ(m_pDevice->m_ulNumSources, static_cast<uint32_t>(ZEOpenALOutput::ms_iSources));
    for (_OpenALSource* source : SourcesOf(*sound))
        EXPECT_EQ(alIsSource(source->m_uiSource), AL_TRUE);
    EXPECT_TRUE(Posted("no free voice for sounds/long.wav"));

    sound->Stop();
    sound->Play(0);
    EXPECT_EQ(m_pDevice->m_ulNumSources, 1u) << "freed sources are there again";
}

// --- Sounds and buffers ---------------------------------------------------------------

TEST_F(OpenALSoundDeviceTest, SecondRequestSharesTheLoadedSound)
{
    std::unique_ptr<ZESoundReference> first = Get("long.wav"), second = Get("long.wav");
    ASSERT_NE(first->GetSound(), nullptr);
    EXPECT_EQ(first->GetSound(), second->GetSound());
    EXPECT_EQ(first->GetSound()->m_ulReferences, 2u);
    EXPECT_EQ(m_pDevice->m_ulNumBuffers, 1u);
    EXPECT_EQ(m_pDevice->m_pBuffers->m_ulSoundID, first->GetSound()->m_ulID);
    EXPECT_TRUE(m_pDevice->m_pBuffers->m_Name == "sounds/long.wav");
}

TEST_F(OpenALSoundDeviceTest, BufferFormatFollowsTheChannelsAndBitsOfTheFile)
{
    Bytes stereo;
    std::string error;
    ASSERT_TRUE(ZEEncodeWave(std::vector<int16_t>(2 * 800, 300), 2, 8000, stereo, error)) << error;
    Write("stereo16.wav", stereo);
    Write("mono8.wav", EightBit(QuietWave(800, 8000)));
    Write("stereo8.wav", EightBit(stereo));

    struct Case
    {
        const char* name;
        ALint channels, bits;
    };
    for (const Case& expected : {Case{"long.wav", 1, 16}, Case{"stereo16.wav", 2, 16}, Case{"mono8.wav", 1, 8},
                                 Case{"stereo8.wav", 2, 8}})
    {
        SCOPED_TRACE(expected.name);
        std::unique_ptr<ZESoundReference> sound = Get(expected.name);
        ASSERT_NE(sound->GetSound(), nullptr);
        _OpenALBuffer* buffer = m_pDevice->m_pBuffers;
        while (buffer && buffer->m_ulSoundID != sound->GetSound()->m_ulID)
            buffer = buffer->m_pNext;
        ASSERT_NE(buffer, nullptr);
        ALint channels = 0, bits = 0;
        alGetBufferi(buffer->m_uiBuffer, AL_CHANNELS, &channels);
        alGetBufferi(buffer->m_uiBuffer, AL_BITS, &bits);
        EXPECT_EQ(channels, expected.channels);
        EXPECT_EQ(bits, expected.bits);
    }
}

TEST_F(OpenALSoundDeviceTest, FreeingASoundStopsItsSourcesAndDropsItsBuffer)
{
    std::unique_ptr<ZESoundReference> kept = Get("long.wav"), other = Get("tone.ogg");
    kept->Play(-1);
    other->Play(-1);
    m_pDevice->FreeSound(kept->GetSound());
    EXPECT_EQ(m_pDevice->CountSources(kept.get()), 0u);
    EXPECT_EQ(m_pDevice->CountSources(other.get()), 1u);
    EXPECT_EQ(m_pDevice->m_ulNumBuffers, 1u);
    kept->Play(0);
    EXPECT_EQ(m_pDevice->CountSources(kept.get()), 0u) << "nothing left to play";

    other.reset();
    m_pManager->FreeUnusedSounds();
    EXPECT_EQ(m_pManager->GetNumSounds(), 1u);
    EXPECT_EQ(m_pDevice->m_ulNumBuffers, 0u);
}

TEST_F(OpenALSoundDeviceTest, UnloadAndReloadKeepTheReferences)
{
    std::unique_ptr<ZESoundReference> wave = Get("long.wav"), ogg = Get("tone.ogg");
    wave->Play(-1);
    m_pManager->UnloadAllSounds();
    EXPECT_EQ(m_pDevice->m_ulNumBuffers, 0u);
    EXPECT_EQ(m_pDevice->m_ulNumSources, 0u);
    EXPECT_EQ(m_pManager->GetNumSounds(), 2u);
    wave->Play(0);
    EXPECT_EQ(m_pDevice->m_ulNumSources, 0u);

    m_pManager->ReloadAllSounds();
    m_pManager->ReloadAllSounds();
    EXPECT_EQ(m_pDevice->m_ulNumBuffers, 2u) << "a loaded sound is not loaded twice";
    wave->Play(0);
    ogg->Play(0);
    EXPECT_EQ(m_pDevice->m_ulNumSources, 2u);
}

TEST_F(OpenALSoundDeviceTest, MissingAndDamagedFilesGiveEmptyReferences)
{
    std::unique_ptr<ZESoundReference> missing = Get("missing.wav"), broken = Get("broken.wav");
    ASSERT_NE(missing, nullptr);
    ASSERT_NE(broken, nullptr);
    EXPECT_EQ(missing->GetSound(), nullptr);
    EXPECT_EQ(broken->GetSound(), nullptr);
    missing->Play(0);
    broken->Play3D(1, 2, 3, -1);
    EXPECT_EQ(m_pDevice->m_ulNumSources, 0u);
    EXPECT_EQ(m_pManager->GetNumSounds(), 0u);
    EXPECT_EQ(m_pDevice->m_ulNumBuffers, 0u);
    EXPECT_TRUE(Posted("sounds/missing.wav not found"));
    EXPECT_TRUE(Posted("sounds/broken.wav is damaged"));
}

TEST_F(OpenALSoundDeviceTest, WaveWithoutSamplesLoadsAsSilence)
{
    std::unique_ptr<ZESoundReference> empty = Get("empty.wav");
    ASSERT_NE(empty->GetSound(), nullptr);
    EXPECT_EQ(m_pDevice->m_ulNumBuffers, 1u);
    empty->Play(0);
    EXPECT_EQ(m_pDevice->m_ulNumSources, 1u);
    EXPECT_FALSE(empty->IsPlaying()) << "nothing to play ends at once";
    m_pDevice->Update();
    EXPECT_EQ(m_pDevice->m_ulNumSources, 0u);
}

TEST_F(OpenALSoundDeviceTest, NameWithOggAnywhereIsDecodedAsOgg)
{
    std::unique_ptr<ZESoundReference> tune = Get("tune.ogg.data"), fake = Get("fake.ogg.wav");
    EXPECT_NE(tune->GetSound(), nullptr);
    EXPECT_EQ(fake->GetSound(), nullptr) << "WAV bytes under an Ogg name";
    EXPECT_TRUE(Posted("sounds/fake.ogg.wav is damaged: it is no Ogg Vorbis stream"));
}

// --- Outliving and failing -----------------------------------------------------------------

TEST_F(OpenALSoundDeviceTest, ReferenceDeletedAfterTheDeviceDoesNothing)
{
    std::unique_ptr<ZESoundReference> sound = Get("long.wav");
    sound->Play(-1);
    ZESound* loaded = sound->GetSound();

    m_pDevice.reset();
    EXPECT_EQ(ZESoundDevice::ms_pSoundDevice, nullptr);
    sound->Play(0);
    EXPECT_FALSE(sound->IsPlaying());
    sound.reset();

    EXPECT_EQ(loaded->m_ulReferences, 0u) << "the count stays right";
    m_pManager->FreeUnusedSounds();
    EXPECT_EQ(m_pManager->GetNumSounds(), 0u);
}

TEST_F(OpenALSoundDeviceTest, DeviceThatCannotOpenStaysSilent)
{
    {
        // OpenAL is taken by the fixture's device, so this one cannot start.
        ZEOpenALSoundDevice second;
        EXPECT_FALSE(second.IsOpen());
        std::unique_ptr<ZESoundReference> sound = Get("long.wav");
        EXPECT_EQ(sound->GetSound(), nullptr);
        sound->Play(-1);
        second.SetListener(ZEVector(1, 2, 3), ZEVector(0, 0, 1), ZEVector(0, 1, 0));
        EXPECT_EQ(second.m_ulNumSources, 0u);
        EXPECT_TRUE(Posted("no audio output"));
    }
    ZESoundDevice::ms_pSoundDevice = m_pDevice.get();

    std::unique_ptr<ZESoundReference> sound = Get("long.wav");
    sound->Play(0);
    EXPECT_TRUE(sound->IsPlaying()) << "the first device is untouched";
}
