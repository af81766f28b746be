#include "core/ZEApplication.h"
#include "core/ZEInputDevices.h"
#include "platform/sdl/ZESDLPlatform.h"
#include "render/ZERenderer.h"
#include "support/Xvfb.h"
#include "world/ZEEngine.h"

#include <gtest/gtest.h>

// After GoogleTest: the X11 headers define macros such as None.
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>

namespace
{
// The real platform devices, but a process end the test survives.
class WindowApp : public ZEApplication
{
public:
    void Render() override { ++m_iFrames; }
    void Terminate() override { m_bTerminated = true; }

    int m_iFrames = 0;
    bool m_bTerminated = false;
    bool m_bEnded = false;
    int m_iStatus = -1;

protected:
    void EndProcess(int status) override
    {
        m_bEnded = true;
        m_iStatus = status;
    }
};

// Asks to end from inside its third frame.
class ExitingWindowApp : public WindowApp
{
public:
    void Update2(uint32_t) override
    {
        if (m_iFrames == 2)
            m_pEngine->ExitRequest(4);
    }
};

struct Pixel
{
    int r, g, b;
};

// What the X server shows in the game's window at (x, y), from the top left:
// the presented frame, exactly as a player would see it.
Pixel ReadWindow(int x, int y)
{
    Pixel pixel{-1, -1, -1};
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1)
        return pixel;
    info.info.x11.lock_func();
    XImage* image = XGetImage(info.info.x11.display, info.info.x11.window, x, y, 1, 1, AllPlanes, ZPixmap);
    info.info.x11.unlock_func();
    if (!image)
        return pixel;
    unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    pixel.r = static_cast<int>((value >> 16) & 0xFF);
    pixel.g = static_cast<int>((value >> 8) & 0xFF);
    pixel.b = static_cast<int>(value & 0xFF);
    return pixel;
}

void PushQuit()
{
    SDL_Event quit;
    std::memset(&quit, 0, sizeof(quit));
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
}
}

TEST(Window, TheFrameLoopDrawsIntoARealWindowAndQuitsInOrder)
{
    ZEXvfb display;
    ASSERT_TRUE(display.Start()) << display.Error();
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_JOYSTICK), 0) << SDL_GetError();

    WindowApp app;
    app.Prepare(nullptr);
    app.Initialize();
    app.Start();
    ASSERT_NE(app.m_pRenderer, nullptr);
    ASSERT_TRUE(app.m_pRenderer->m_bInitialized);
    uint16_t width = 0, height = 0, bpp = 0;
    app.m_pRenderer->GetResolution(width, height, bpp);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);

    app.m_pRenderer->SetBackgroundColor(40, 80, 120);
    for (int frame = 0; frame < 3; ++frame)
    {
        ASSERT_TRUE(SDLEventLoop());
        ZEEngine::ms_pEngine->Idle();
    }
    EXPECT_EQ(app.m_iFrames, 3);

    // The cleared background fills the window; the cursor, white while its
    // image is missing, covers 32 x 32 pixels from the mouse position.
    uint32_t mouseX = 0, mouseY = 0;
    app.m_pInputDevices->GetCursorPos(mouseX, mouseY);
    ASSERT_LT(mouseX + 40, 640u);
    ASSERT_LT(mouseY + 20, 480u);
    int cx = static_cast<int>(mouseX), cy = static_cast<int>(mouseY);
    Pixel background = ReadWindow(cx / 2, cy / 2);
    EXPECT_EQ(background.r, 40);
    EXPECT_EQ(background.g, 80);
    EXPECT_EQ(background.b, 120);
    Pixel cursor = ReadWindow(cx + 10, cy + 10);
    EXPECT_EQ(cursor.r, 255);
    EXPECT_EQ(cursor.g, 255);
    EXPECT_EQ(cursor.b, 255);
    Pixel besideCursor = ReadWindow(cx + 40, cy + 10);
    EXPECT_EQ(besideCursor.r, 40);

    PushQuit();
    EXPECT_FALSE(SDLEventLoop());

    app.Exit();
    EXPECT_TRUE(app.m_bTerminated);
    EXPECT_TRUE(app.m_bEnded);
    EXPECT_EQ(app.m_iStatus, 0);
    EXPECT_EQ(app.m_pEngine, nullptr);
    EXPECT_EQ(app.m_pRenderer, nullptr);
    EXPECT_EQ(app.m_pTimer, nullptr);
    EXPECT_EQ(ZEEngine::ms_pEngine, nullptr);
    EXPECT_EQ(ZERenderer::ms_pRenderer, nullptr);
}

TEST(Window, TheEntryPointFinishesTheFrameThatAsksToExitAndExitsWithItsStatus)
{
    ZEXvfb display;
    ASSERT_TRUE(display.Start()) << display.Error();
    ExitingWindowApp app;
    char program[] = "wrenzo";
    char* argv[] = {program};
    EXPECT_EQ(ZESDLMain(1, argv), 4);
    EXPECT_EQ(app.m_iFrames, 3);
    EXPECT_TRUE(app.m_bTerminated);
    EXPECT_EQ(app.m_iStatus, 4);
    EXPECT_EQ(app.m_pEngine, nullptr);
}
