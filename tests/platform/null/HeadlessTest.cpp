#include "core/ZEApplication.h"
#include "core/ZEConsole.h"
#include "platform/null/ZEManualTimer.h"
#include "platform/null/ZENullPlatform.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
// Counts the game time the world was stepped through, and its drawing.
class StepCounter : public ZEEngineObject
{
public:
    StepCounter(uint32_t& stepped, uint32_t& drawn) : m_ulStepped(stepped), m_ulDrawn(drawn) {}
    void Update(uint32_t step, ZEEngine* engine) override
    {
        m_ulStepped += step;
        ZEEngineObject::Update(step, engine);
    }
    void Render(ZERenderer*, ZECamera*) override { ++m_ulDrawn; }

private:
    uint32_t& m_ulStepped;
    uint32_t& m_ulDrawn;
};

// A game that runs headless for a set number of frames and then asks to
// end with a status; the process end is recorded instead.
class HeadlessApp : public ZEApplication
{
public:
    void Prepare(char*) override
    {
        m_bHeadless = true;
        m_ulHeadlessFrame = 20;
    }
    void Start() override
    {
        m_bManualClock = dynamic_cast<ZEManualTimer*>(m_pTimer) != nullptr;
        m_bDrawingAtStart = m_pEngine->m_bDrawing;
        m_pEngine->AddObjectToWorld(new StepCounter(m_ulStepped, m_ulObjectDraws));
        if (m_iFramesToRun == 0)
            m_pEngine->ExitRequest(m_iStatus);
    }
    void Update1(uint32_t elapsed) override
    {
        ++m_iFrames;
        m_ulElapsed += elapsed;
        if (m_iFrames == m_iConsoleExitFrame)
            ZEConsole::ms_pConsole->EnterCommand(ZEString("exit"), true);
    }
    void Update2(uint32_t) override
    {
        ++m_iUpdate2s;
        if (m_iFrames == m_iFramesToRun)
            m_pEngine->ExitRequest(m_iStatus);
    }
    void Render() override { ++m_iRenders; }

    int m_iFramesToRun = 5;
    int m_iStatus = 3;
    int m_iConsoleExitFrame = 0;   // 0: never
    int m_iFrames = 0;
    int m_iUpdate2s = 0;
    int m_iRenders = 0;
    uint32_t m_ulElapsed = 0;
    uint32_t m_ulStepped = 0;
    uint32_t m_ulObjectDraws = 0;
    bool m_bManualClock = false;
    bool m_bDrawingAtStart = true;
    int m_iEndStatus = -1;

protected:
    void EndProcess(int status) override { m_iEndStatus = status; }
};
}

TEST(HeadlessRun, FramesOfTheSetLengthRunUntilTheFrameThatAsksToExit)
{
    HeadlessApp app;
    app.Prepare(nullptr);
    EXPECT_EQ(ZEHeadlessMain(app), 3);

    EXPECT_TRUE(app.m_bManualClock);
    EXPECT_FALSE(app.m_bDrawingAtStart);
    EXPECT_EQ(app.m_iFrames, 5);
    EXPECT_EQ(app.m_ulElapsed, 5u * 20u);
    EXPECT_EQ(app.m_ulStepped, 5u * 20u);
    EXPECT_EQ(app.m_iRenders, 0);
    EXPECT_EQ(app.m_ulObjectDraws, 0u);
    EXPECT_EQ(app.m_iEndStatus, 3);
    EXPECT_EQ(app.m_pEngine, nullptr);
}

// The console's "exit" inside a frame lets that frame finish, world and
// all, and ends the run after it with status 0.
TEST(HeadlessRun, TheConsolesExitEndsTheRunAfterItsFrame)
{
    HeadlessApp app;
    app.m_iFramesToRun = 100;
    app.m_iConsoleExitFrame = 3;
    app.Prepare(nullptr);
    EXPECT_EQ(ZEHeadlessMain(app), 0);
    EXPECT_EQ(app.m_iFrames, 3);
    EXPECT_EQ(app.m_iUpdate2s, 3) << "the frame went on after the command";
    EXPECT_EQ(app.m_ulStepped, 3u * 20u);
    EXPECT_EQ(app.m_iEndStatus, 0);
    EXPECT_EQ(app.m_pEngine, nullptr);
}

TEST(HeadlessRun, ARequestMadeInStartRunsNoFrame)
{
    HeadlessApp app;
    app.m_iFramesToRun = 0;
    app.m_iStatus = 0;
    app.Prepare(nullptr);
    EXPECT_EQ(ZEHeadlessMain(app), 0);
    EXPECT_EQ(app.m_iFrames, 0);
    EXPECT_EQ(app.m_iEndStatus, 0);
}
