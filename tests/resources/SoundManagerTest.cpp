#include "resources/ZESoundManager.h"

#include "resources/ZESoundDevice.h"
#include "support/NullDevices.h"
#include "support/RecordingRenderer.h"
#include "support/TestApplication.h"
#include "world/ZEEngine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
class SoundManagerTest : public ::testing::Test
{
protected:
    SoundManagerTest() { m_pManager->SetSoundDirectory("sounds"); }

    std::unique_ptr<ZENullSoundDevice> m_pDevice = std::make_unique<ZENullSoundDevice>();
    std::unique_ptr<ZESoundManager> m_pManager = std::make_unique<ZESoundManager>();
};
}

TEST_F(SoundManagerTest, SecondRequestSharesTheLoadedSound)
{
    std::unique_ptr<ZESoundReference> first(m_pManager->GetSound("horn.wav"));
    std::unique_ptr<ZESoundReference> second(m_pManager->GetSound("horn.wav"));

    ZESound* sound = first->GetSound();
    ASSERT_NE(sound, nullptr);
    EXPECT_EQ(second->GetSound(), sound);
    EXPECT_TRUE(sound->m_Name == "sounds/horn.wav");
    EXPECT_EQ(sound->m_ulReferences, 2u);
    EXPECT_EQ(m_pDevice->m_ulLoads, 1u);
    EXPECT_NE(first->m_ulID, second->m_ulID) << "each reference keys its own voices";
}

TEST_F(SoundManagerTest, EmptyNameAndFailedLoadGiveEmptyReferences)
{
    std::unique_ptr<ZESoundReference> unnamed(m_pManager->GetSound(""));
    ASSERT_NE(unnamed, nullptr) << "a caller may play whatever it gets";
    EXPECT_EQ(unnamed->GetSound(), nullptr);
    EXPECT_EQ(m_pDevice->m_ulLoads, 0u);

    m_pDevice->m_bLoadFails = true;
    std::unique_ptr<ZESoundReference> missing(m_pManager->GetSound("missing.wav"));
    ASSERT_NE(missing, nullptr);
    EXPECT_EQ(missing->m_pSound, nullptr);
    EXPECT_EQ(missing->m_ulSoundID, 0u);
    EXPECT_EQ(m_pManager->GetNumSounds(), 0u);
}

TEST_F(SoundManagerTest, DeletingAReferenceStopsItAndCountsDown)
{
    std::unique_ptr<ZESoundReference> keep(m_pManager->GetSound("engine.wav"));
    ZESoundReference* other = m_pManager->GetSound("engine.wav");

    delete other;

    EXPECT_EQ(m_pDevice->m_ulStops, 1u);
    EXPECT_EQ(keep->GetSound()->m_ulReferences, 1u);
}

TEST_F(SoundManagerTest, FreeUnusedSoundsFreesOnlyUnreferencedOnes)
{
    std::unique_ptr<ZESoundReference> keep(m_pManager->GetSound("a.wav"));
    delete m_pManager->GetSound("b.wav");

    m_pManager->FreeUnusedSounds();

    EXPECT_EQ(m_pManager->GetNumSounds(), 1u);
    EXPECT_EQ(m_pManager->GetSounds(), keep->GetSound());
    EXPECT_EQ(m_pDevice->m_ulFrees, 1u);
}

TEST_F(SoundManagerTest, EveryPlayFormEndsInTheDevice)
{
    std::unique_ptr<ZESoundReference> horn(m_pManager->GetSound("horn.wav"));
    ZEVector position(1.0f, 2.0f, 3.0f), velocity;

    horn->Play(0);
    horn->Play(2, 0.5f);
    horn->Play3D(1.0f, 2.0f, 3.0f, -1);
    horn->Play3D(1.0f, 2.0f, 3.0f, 0, 0.5f);
    horn->Play3D(position, velocity, 0);
    horn->Play3D(position, velocity, 0, 0.5f);

    EXPECT_EQ(m_pDevice->m_ulPlays, 6u);
}

TEST_F(SoundManagerTest, ListenerIsForwardedWithZeroVelocityWhenNoneIsGiven)
{
    m_pManager->SetListener(ZEVector(1, 2, 3), ZEVector(0, 0, 1), ZEVector(0, 1, 0), ZEVector(4, 5, 6));
    EXPECT_EQ(m_pDevice->m_vListenerVelocity, ZEVector(4, 5, 6));

    m_pManager->SetListener(ZEVector(1, 2, 3), ZEVector(0, 0, 1), ZEVector(0, 1, 0));
    EXPECT_EQ(m_pDevice->m_ulListenerCalls, 2u);
    EXPECT_EQ(m_pDevice->m_vListenerPosition, ZEVector(1, 2, 3));
    EXPECT_EQ(m_pDevice->m_vListenerVelocity, ZEVector());
}

TEST_F(SoundManagerTest, FrameHousekeepingReachesTheDevice)
{
    m_pManager->Update();
    EXPECT_EQ(m_pDevice->m_ulUpdates, 1u);
    EXPECT_EQ(m_pDevice->m_ulListenerCalls, 0u);
}

// The engine world's frame: a still camera leaves the listener alone, yet
// the device is still given its housekeeping so that finished sounds are
// cleaned up and repeats restarted in every frame.
TEST(SoundInTheEngineTest, EveryFrameEitherMovesTheListenerOrKeepsHouse)
{
    ZETestApplication app;
    app.Initialize();
    ZENullSoundDevice* sound = app.Sound();
    ASSERT_NE(ZESoundManager::ms_pSoundManager, nullptr);
    EXPECT_TRUE(ZESoundManager::ms_pSoundManager->GetSoundDirectory() == "sounds/");

    app.Frame(10);
    EXPECT_EQ(sound->m_ulListenerCalls, 0u);
    EXPECT_EQ(sound->m_ulUpdates, 1u);

    // The camera moved away from the origin during a frame.
    app.Renderer()->m_Camera.m_vPosition = ZEVector(5.0f, 0.0f, 0.0f);
    app.m_pEngine->UpdateListener(ZEVector(), 10);
    EXPECT_EQ(sound->m_ulListenerCalls, 1u);
    EXPECT_EQ(sound->m_vListenerPosition, ZEVector(5.0f, 0.0f, 0.0f));
    EXPECT_EQ(sound->m_ulUpdates, 1u) << "setting the listener keeps house itself";

    app.Exit();
}

TEST_F(SoundManagerTest, DeviceVolumeIsStoredAsItsMagnitude)
{
    m_pDevice->SetVolume(-0.5f);
    EXPECT_EQ(m_pDevice->GetVolume(), 0.5f);
    m_pDevice->SetVolume(std::nanf(""));
    EXPECT_EQ(m_pDevice->GetVolume(), 0.5f) << "not a number is ignored";
}

TEST_F(SoundManagerTest, ReferencesMayOutliveTheManagerAndTheDevice)
{
    ZESoundReference* afterManager = m_pManager->GetSound("a.wav");
    ZESoundReference* afterDevice = m_pManager->GetSound("b.wav");

    m_pManager.reset();
    EXPECT_EQ(afterManager->GetSound(), nullptr);
    delete afterManager;
    EXPECT_EQ(m_pDevice->m_ulStops, 1u) << "a live device still stops the voice";

    m_pDevice.reset();
    delete afterDevice;
}

TEST_F(SoundManagerTest, StaleReferenceNeverCountsDownANewSound)
{
    ZESoundReference* stale = m_pManager->GetSound("a.wav");
    m_pManager->FreeAllSounds();
    std::unique_ptr<ZESoundReference> fresh(m_pManager->GetSound("a.wav"));

    delete stale;

    EXPECT_EQ(fresh->GetSound()->m_ulReferences, 1u);
}
