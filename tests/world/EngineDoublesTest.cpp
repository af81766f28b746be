// The engine world running over the test doubles: scripted input reaches
// the application through the engine, the frame runs over the resource,
// device and world-object interfaces, and shutdown leaves nothing behind.
#include "world/ZEEngine.h"

#include "core/ZEApplication.h"
#include "core/ZEConsole.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "resources/ZETextureManager.h"
#include "support/ManualTimer.h"
#include "support/NullDevices.h"
#include "support/RecordingRenderer.h"
#include "support/ScriptedInput.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngineObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
class DoublesApp : public ZEApplication
{
public:
    void KeyDown(uint32_t key) override { m_Events.push_back("down " + std::to_string(key)); }
    void KeyUp(uint32_t key) override { m_Events.push_back("up " + std::to_string(key)); }
    void MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char) override
    {
        m_Events.push_back("mouse " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(dx) +
                           " " + std::to_string(dy));
    }
    void JoystickMovement(int32_t x, int32_t y, int32_t z) override
    {
        m_Events.push_back("joystick " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z));
    }

    ZEScriptedInput* Input() const { return static_cast<ZEScriptedInput*>(m_pInputDevices); }
    ZEManualTimer* Timer() const { return static_cast<ZEManualTimer*>(m_pTimer); }
    ZENullCDPlayer* CD() const { return static_cast<ZENullCDPlayer*>(m_pCDPlayer); }
    ZENullNetworkManager* Network() const { return static_cast<ZENullNetworkManager*>(m_pNetworkManager); }
    ZERecordingRenderer* Renderer() const { return static_cast<ZERecordingRenderer*>(m_pRenderer); }

    std::vector<std::string> m_Events;

protected:
    void CreateDevices() override
    {
        m_pTimer = new ZEManualTimer();
        m_pRenderer = new ZERecordingRenderer();
        m_pSoundDevice = new ZENullSoundDevice();
        m_pCDPlayer = new ZENullCDPlayer();
        m_pNetworkManager = new ZENullNetworkManager();
        m_pInputDevices = new ZEScriptedInput();
    }
    void EndProcess(int) override {}
};

using Events = std::vector<std::string>;

class EngineDoublesTest : public ::testing::Test
{
protected:
    EngineDoublesTest() { m_App.Initialize(); }

    ZEEngine& Engine() { return *m_App.m_pEngine; }

    DoublesApp m_App;
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

    EXPECT_EQ(m_App.m_Events, (Events{"down 65", "up 65"}));
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

    EXPECT_EQ(m_App.m_Events, (Events{"down 35", "down 35"}));
}

TEST_F(EngineDoublesTest, APressSeenFirstByIsPressedRaisesNoEvent)
{
    ZEScriptedInput* input = m_App.Input();
    input->SetKey(ZE_KEY_MOUSE0, true);
    EXPECT_TRUE(input->IsPressed(ZE_KEY_MOUSE0));
    EXPECT_TRUE(input->IsNotPressed(ZE_KEY_MOUSE1));
    Engine().Idle();

    EXPECT_TRUE(m_App.m_Events.empty());
}

TEST_F(EngineDoublesTest, CursorAndJoystickMovesAreReported)
{
    ZEScriptedInput* input = m_App.Input();
    input->SetCursor(100, 50);
    input->SetJoystickAxes(320, -32768, 32767);
    Engine().Idle();
    Engine().Idle();

    EXPECT_EQ(m_App.m_Events, (Events{"mouse 100 50 100 50", "joystick 0 -1000 999"}));
}

TEST_F(EngineDoublesTest, TheCursorIsDrawnWhereTheMouseIs)
{
    m_App.Input()->SetCursor(10, 20);
    m_App.Renderer()->Clear();
    Engine().Idle();
    EXPECT_GE(m_App.Renderer()->Find("DrawRectangle 10 20 42 52"), 0);
}

TEST_F(EngineDoublesTest, FramePollsTheNetworkAndTheListenerFollowsTheCamera)
{
    ZENullSoundDevice* sound = static_cast<ZENullSoundDevice*>(m_App.m_pSoundDevice);
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

TEST_F(EngineDoublesTest, DeletingAnObjectInTheWorldUnlinksIt)
{
    ZEEngineObject* first = new ZEEngineObject();
    ZEEngineObject* second = new ZEEngineObject();
    Engine().AddObjectToWorld(first);
    Engine().AddObjectToWorld(second);

    delete first;

    EXPECT_EQ(Engine().GetObjects(), second);
    EXPECT_EQ(second->m_pNext, nullptr);
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

TEST_F(EngineDoublesTest, AMapThatCannotBeReadLeavesTheWorldEmpty)
{
    m_App.LoadBSPFile("airfield.bsp");
    EXPECT_EQ(Engine().GetTerrain(), nullptr);
}

TEST_F(EngineDoublesTest, ExitStopsTheCDEndsTheTransportAndFreesTheWorld)
{
    ZENullDeviceTally tally;
    m_App.CD()->m_pTally = &tally;
    m_App.Network()->m_pTally = &tally;
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
