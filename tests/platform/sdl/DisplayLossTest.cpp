#include "core/ZEApplication.h"
#include "platform/sdl/ZESDLPlatform.h"
#include "render/ZERenderer.h"
#include "support/Xvfb.h"
#include "world/ZEEngine.h"

#include <gtest/gtest.h>

#include <SDL/SDL.h>

#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// The game's shape: one application object that lives until the process
// ends, so its destructor runs from exit() wherever exit() is called.
class GlobalApp : public ZEApplication
{
};

// Runs in the child: a real window on the given server, frames until the
// server goes away. Tells the parent through `ready` once a frame is shown.
[[noreturn]] void RunWindowUntilTheDisplayDies(int ready)
{
    // A hang must end the child (and fail the test), not the test run.
    alarm(30);
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) != 0)
        _exit(3);
    static GlobalApp app;
    app.Prepare(nullptr);
    app.Initialize();
    app.Start();
    if (!app.m_pRenderer || !app.m_pRenderer->m_bInitialized)
        _exit(4);
    SDLEventLoop();
    ZEEngine::ms_pEngine->Idle();
    const char byte = 1;
    if (write(ready, &byte, 1) != 1)
        _exit(5);
    for (;;)
    {
        SDLEventLoop();
        ZEEngine::ms_pEngine->Idle();
    }
}
}

// When the X server dies under a running game, the process ends with
// status 1 and a message, instead of crashing in the application's
// destructor while it talks to a display that is gone.
TEST(DisplayLoss, ALostDisplayEndsTheProcessCleanly)
{
    auto display = std::make_unique<ZEXvfb>();
    ASSERT_TRUE(display->Start(320, 240)) << display->Error();
    int ready[2], errors[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(errors), 0);

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        close(ready[0]);
        close(errors[0]);
        dup2(errors[1], STDERR_FILENO);
        RunWindowUntilTheDisplayDies(ready[1]);
    }
    close(ready[1]);
    close(errors[1]);
    char byte = 0;
    const bool shown = read(ready[0], &byte, 1) == 1;
    close(ready[0]);

    display.reset();   // stops the server
    // Everything the child says until it ends (a crash report would be
    // long, so it is read before waiting).
    std::string said;
    char chunk[4096];
    for (ssize_t got; (got = read(errors[0], chunk, sizeof(chunk))) > 0;)
        said.append(chunk, static_cast<size_t>(got));
    close(errors[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);

    ASSERT_TRUE(shown) << "the window never showed a frame";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(said.find("video: the connection to the display was lost"), std::string::npos) << said;
    EXPECT_EQ(said.find("ERROR: AddressSanitizer"), std::string::npos) << said;
}
