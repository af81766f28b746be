// The engine world over the test doubles: scripted input reaches the
// application through the engine, the frame runs over the resource, device
// and world-object interfaces, and shutdown leaves nothing behind.
#include "world/ZEEngine.h"

#include "core/ZEApplication.h"
#include "core/ZEConsole.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "resources/ZETextureManager.h"
#include "support/TestApplication.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngineObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Events = std::vector<std::string>;

class EngineDoublesTest : public ::testing::Test
{
protected:
    EngineDoublesTest() { m_App.Initialize(); }

    ZEEngine& Engine() { return *m_App.m_pEngine; }
    // The input events the application received, without the per-frame
    // update and render callbacks.
    Events InputEvents()
    {
        Events events;
        for (const std::string& line : m_App.Log())
            if (line.rfind("app:Key", 0) == 0 || line.rfind("app:Mouse", 0) == 0 ||
                line.rfind("app:Joystick", 0) == 0)
                events.push_back(line);
        return events;
    }

    ZETestApplication m_App;
};
}

TEST_F(EngineDoublesTest, KeysGoDownAndUpOnceWithoutRepeat)
{
    ZEScriptedInput* input = m_App.Input();
    input->SetKey(ZE_KEY_A, true);
    Engine().Idle();
    Engine().Idle();
    input->SetKey(ZE_KEY_A, false);
    Engine().Idle();

    EXPECT_EQ(InputEvents(), (Events{"app:KeyDown 65", "app:KeyUp 65"}));
}

TEST_F(EngineDoublesTest, HeldKeyRepeatsAfterTheRepeatInterval)
{
    ZEScriptedInput* input = m_App.Input();
    input->m_ulKeyRepeat = 250;
    input->SetKey(ZE_KEY_SPACE, true);
    Engine().Idle();
    m_App.Timer()->Advance(250);
    Engine().Idle();
    m_App.Timer()->Advance(1);
    Engine().Idle();

    EXPECT_EQ(InputEvents(), (Events{"app:KeyDown 35", "app:KeyDown 35"}));
}

TEST_F(EngineDoublesTest, APressSeenFirstByIsPressedRaisesNoEvent)
{
    ZEScriptedInput* input = m_App.Input();
    input->SetKey(ZE_KEY_MOUSE0, true);
    EXPECT_TRUE(input->IsPressed(ZE_KEY_MOUSE0));
    EXPECT_TRUE(input->IsNotPressed(ZE_KEY_MOUSE1));
    Engine().Idle();

    EXPECT_TRUE(InputEvents().empty());
}

TEST_F(EngineDoublesTest, CursorAndJoystickMovesAreReported)
{
    ZEScriptedInput* input = m_App.Input();
    input->SetCursor(100, 50);
    input->SetJoystickAxes(320, -32768, 32767);
    Engine().Idle();
    Engine().Idle();

    EXPECT_EQ(InputEvents(), (Events{"app:MouseMovement 100 50 100 50", "app:JoystickMovement 0 -1000 999"}));
}

TEST_F(EngineDoublesTest, FramePollsTheNetworkAndTheListenerFollowsTheCamera)
{
    ZENullSoundDevice* sound = m_App.Sound();
    Engine().Idle();
    EXPECT_EQ(m_App.Network()->m_ulIdleCalls, 1u);
    EXPECT_EQ(sound->m_ulListenerCalls, 0u) << "the camera has not moved";
}

TEST_F(EngineDoublesTest, ManagersExistWithTheirDirectories)
{
    ASSERT_NE(ZETextureManager::ms_pTexManager, nullptr);
    ASSERT_NE(ZEModelManager::ms_pModelManager, nullptr);
    ASSERT_NE(ZESoundManager::ms_pSoundManager, nullptr);
    EXPECT_TRUE(ZETextureManager::ms_pTexManager->GetTextureDirectory() == "textures/");
    EXPECT_TRUE(ZESoundManager::ms_pSoundManager->GetSoundDirectory() == "sounds/");
    EXPECT_TRUE(ZEModelManager::ms_pModelManager->m_Directory == "models/");
}

TEST_F(EngineDoublesTest, MovingObjectFallsThroughTheFrame)
{
    ZEEngineObject* ball = new ZEEngineObject();
    ball->m_bStatic = false;
    ball->m_bGravity = true;
    Engine().AddObjectToWorld(ball);

    m_App.Timer()->Advance(30);
    Engine().Idle();

    EXPECT_LT(ball->m_vVelocity.y, 0.0f);
    EXPECT_LT(ball->m_vPosition.y, 0.0f);
}

TEST_F(EngineDoublesTest, ExitStopsTheCDEndsTheTransportAndFreesTheWorld)
{
    ZENullDeviceTally& tally = m_App.m_Tally;
    Engine().SetTerrain(new ZEBSPTerrain());
    Engine().AddObjectToWorld(new ZEEngineObject());
    ZETextureReference* outliving = ZETextureManager::ms_pTexManager->GetTexture(nullptr, 0, 0, "held");

    m_App.Exit();

    EXPECT_EQ(tally.m_ulCDStops, 1u);
    EXPECT_EQ(tally.m_ulEndServers, 1u);
    EXPECT_EQ(tally.m_ulEndClients, 1u);
    EXPECT_EQ(m_App.m_pEngine, nullptr);
    EXPECT_EQ(ZETextureManager::ms_pTexManager, nullptr);
    delete outliving;
}
