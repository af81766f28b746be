#include "core/ZEApplication.h"
#include "platform/sdl/ZESDLPlatform.h"
#include "world/ZEEngine.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
// The dummy video driver gives SDL an event queue without any display.
class SDLEventLoop : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
    void TearDown() override { SDL_Quit(); }

    static void Push(Uint8 type)
    {
        SDL_Event event;
        std::memset(&event, 0, sizeof(event));
        event.type = type;
        ASSERT_EQ(SDL_PushEvent(&event), 0);
    }
    static int Queued()
    {
        SDL_Event events[16];
        return SDL_PeepEvents(events, 16, SDL_PEEKEVENT, SDL_ALLEVENTS);
    }
};
}

namespace
{
// Chooses the headless run from its command line and ends in its second
// frame with status 2; the process end is recorded instead.
class HeadlessApp : public ZEApplication
{
public:
    void Prepare(char* commandLine) override
    {
        m_CommandLine = commandLine ? commandLine : "";
        m_bHeadless = m_CommandLine == "--headless ";
    }
    void Update2(uint32_t) override
    {
        if (++m_iFrames == 2)
            m_pEngine->ExitRequest(2);
    }

    std::string m_CommandLine;
    int m_iFrames = 0;
    int m_iStatus = -1;

protected:
    void EndProcess(int status) override { m_iStatus = status; }
};
}

TEST_F(SDLEventLoop, OtherEventsAreDiscarded)
{
    Push(SDL_USEREVENT);
    Push(SDL_ACTIVEEVENT);
    EXPECT_TRUE(::SDLEventLoop());
    EXPECT_EQ(Queued(), 0);
}

TEST_F(SDLEventLoop, QuitBehindOtherEventsStopsTheLoopAndLeavesTheRest)
{
    Push(SDL_USEREVENT);
    Push(SDL_QUIT);
    Push(SDL_USEREVENT);
    Push(SDL_USEREVENT);
    EXPECT_FALSE(::SDLEventLoop());
    EXPECT_EQ(Queued(), 2);
}

TEST(CommandLine, ArgumentsAreJoinedEachFollowedByOneBlank)
{
    char program[] = "wrenzo", a[] = "a", bc[] = "bc", empty[] = "";
    char* none[] = {program};
    EXPECT_EQ(GetCommandLine(1, none), nullptr);

    char* empties[] = {program, empty, empty};
    EXPECT_EQ(GetCommandLine(3, empties), nullptr);

    char* two[] = {program, a, bc};
    char* line = GetCommandLine(3, two);
    ASSERT_NE(line, nullptr);
    EXPECT_STREQ(line, "a bc ");
    EXPECT_EQ(std::strlen(line), 5u);
    delete[] line;

    char* withEmpty[] = {program, empty, a};
    line = GetCommandLine(3, withEmpty);
    EXPECT_STREQ(line, " a ");
    delete[] line;
}

TEST(HeadlessEntry, AHeadlessApplicationRunsWithoutSDL)
{
    HeadlessApp app;
    char program[] = "wrenzo", headless[] = "--headless";
    char* argv[] = {program, headless};
    EXPECT_EQ(ZESDLMain(2, argv), 2);
    EXPECT_EQ(app.m_iFrames, 2);
    EXPECT_EQ(app.m_iStatus, 2);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
}
