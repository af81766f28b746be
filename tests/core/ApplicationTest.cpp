#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "render/ZERenderer.h"
#include "support/TestApplication.h"
#include "world/ZEEngine.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
class ApplicationTest : public ::testing::Test
{
protected:
    void SetUp() override { m_App.Initialize(); }
    void TearDown() override
    {
        if (!m_App.m_bProcessEnded)
            m_App.Exit();
    }

    float Factor() { return m_App.m_pTimer->GetTimeFactor(); }
    std::string NewestMessage()
    {
        const ZEConsoleMessage* message = ZEConsole::ms_pConsole->GetMessages();
        return message ? message->m_Text.CStr() : "";
    }

    ZETestApplication m_App;
};
}

TEST_F(ApplicationTest, InitializeBuildsTheEngineOverTheDevices)
{
    ASSERT_NE(m_App.m_pEngine, nullptr);
    EXPECT_EQ(ZEEngine::ms_pEngine, m_App.m_pEngine);
    EXPECT_EQ(m_App.m_pEngine->m_pApp, &m_App);
    EXPECT_EQ(ZEInputDevices::ms_pInputDevices->m_pEngine, m_App.m_pEngine);
    EXPECT_EQ(m_App.m_pEngine->GetRenderer(), m_App.m_pRenderer);
    EXPECT_STREQ(m_App.GetCurrentRendererS().CStr(), "OpenGL");
    EXPECT_STREQ(m_App.GetCurrentSoundDeviceS().CStr(), "OpenAL");
    EXPECT_TRUE(m_App.m_pRenderer->m_bLightmaps);
}

TEST_F(ApplicationTest, PauseTogglesBetweenZeroAndOne)
{
    m_App.m_pTimer->SetTimeFactor(2.5f);
    m_App.Pause();
    EXPECT_EQ(Factor(), 0.0f);
    m_App.Pause();
    EXPECT_EQ(Factor(), 1.0f);
}

TEST_F(ApplicationTest, ToggleFullscreenEndsAPause)
{
    m_App.Pause();
    m_App.ToggleFullscreen();
    EXPECT_EQ(Factor(), 1.0f);
    EXPECT_GE(m_App.Renderer()->Count("ToggleFullscreen"), 1u);
}

TEST_F(ApplicationTest, TimeFactorKeepsTheFactorOnBadText)
{
    ZEConsole* console = ZEConsole::ms_pConsole;
    console->PerformAction(ZEString("timefactor 2.5"));
    EXPECT_EQ(Factor(), 2.5f);
    for (const char* bad : {"timefactor", "timefactor abc", "timefactor -1", "timefactor nan", "timefactor inf",
                            "timefactor 1e30"})
    {
        console->PerformAction(ZEString(bad));
        EXPECT_EQ(Factor(), 2.5f) << bad;
    }
    console->PerformAction(ZEString("timefactor 0"));
    EXPECT_EQ(Factor(), 0.0f);
}

TEST_F(ApplicationTest, AMapThatFailsToLoadLeavesTheWorldEmpty)
{
    m_App.m_pTimer->SetTimeFactor(0.5f);
    m_App.LoadBSPFile(ZEString("Missing.BSP"));
    EXPECT_EQ(NewestMessage(), "Loading failed");
    EXPECT_EQ(ZEConsole::ms_pConsole->GetMessages()->m_Mode, ZE_MSG_ERROR);
    EXPECT_EQ(m_App.m_pEngine->GetTerrain(), nullptr);
    EXPECT_EQ(Factor(), 0.5f);
}

TEST_F(ApplicationTest, MapDirectoriesArePaths)
{
    EXPECT_STREQ(m_App.GetBSPDir().CStr(), "maps/");
    m_App.SetBSPDir(ZEString("levels\\extra"));
    EXPECT_STREQ(m_App.GetBSPDir().CStr(), "levels/extra/");
}

TEST_F(ApplicationTest, ExitShutsDownInOrderAndEndsWithZero)
{
    m_App.Exit();
    EXPECT_TRUE(m_App.m_bProcessEnded);
    EXPECT_EQ(m_App.m_iExitStatus, 0);
    EXPECT_EQ(m_App.Log().back(), "app:Terminate");
    EXPECT_EQ(m_App.m_Tally.m_ulCDStops, 1u);
    EXPECT_EQ(m_App.m_Tally.m_ulEndServers, 1u);
    EXPECT_EQ(m_App.m_Tally.m_ulEndClients, 1u);
    EXPECT_EQ(m_App.m_pEngine, nullptr);
    EXPECT_EQ(m_App.m_pRenderer, nullptr);
    EXPECT_EQ(m_App.m_pInputDevices, nullptr);
    EXPECT_EQ(m_App.m_pNetworkManager, nullptr);
    EXPECT_EQ(m_App.m_pTimer, nullptr);
    EXPECT_EQ(ZEEngine::ms_pEngine, nullptr);
    EXPECT_EQ(ZEConsole::ms_pConsole, nullptr);
    EXPECT_EQ(ZERenderer::ms_pRenderer, nullptr);
    EXPECT_EQ(ZETimer::ms_pTimer, nullptr);
}

// The command only asks: the engine lives on until the frame loop ends.
TEST_F(ApplicationTest, TheExitCommandAsksTheFrameLoopToEnd)
{
    m_App.m_pEngine->ExitRequest(4);
    ZEConsole::ms_pConsole->EnterCommand(ZEString("exit"), true);
    EXPECT_FALSE(m_App.m_bProcessEnded);
    ASSERT_NE(ZEEngine::ms_pEngine, nullptr);
    EXPECT_TRUE(ZEEngine::ms_pEngine->IsExitRequested());
    EXPECT_EQ(ZEEngine::ms_pEngine->GetExitStatus(), 0);
}

TEST(ApplicationLifetime, TheDestructorFreesWhatExitDidNot)
{
    ZENullDeviceTally tally;
    {
        ZETestApplication app;
        app.Initialize();
        app.CDPlayer()->m_pTally = &tally;
        app.Network()->m_pTally = &tally;
        EXPECT_EQ(ZEApplication::ms_pApp, &app);
    }
    EXPECT_EQ(ZEApplication::ms_pApp, nullptr);
    EXPECT_EQ(ZEEngine::ms_pEngine, nullptr);
    EXPECT_EQ(tally.m_ulCDStops, 1u);
    EXPECT_EQ(tally.m_ulEndServers, 1u);
}
