#include "platform/sdl/ZESDLPlatform.h"

#include "core/ZEApplication.h"
#include "core/ZEPlatform.h"
#include "platform/linux/ZELinuxNetworkManager.h"
#include "platform/null/ZENullPlatform.h"
#include "platform/sdl/ZEOpenALSoundDevice.h"
#include "platform/sdl/ZESDLCDPlayer.h"
#include "platform/sdl/ZESDLInputDevices.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "platform/sdl/ZESDLTimer.h"
#include "world/ZEEngine.h"

#include <SDL/SDL.h>

#include <cstdio>
#include <memory>

void ZEPlatformCreateDevices(ZEApplication& app)
{
    app.m_pTimer = new ZESDLTimer();
    app.m_pRenderer = new ZESDLOpenGLRenderer(app.m_usWidth, app.m_usHeight, app.m_usFullscreen);
    app.m_pSoundDevice = new ZEOpenALSoundDevice();
    app.m_pCDPlayer = new ZESDLCDPlayer();
    app.m_pNetworkManager = new ZELinuxNetworkManager();
    app.m_pInputDevices = new ZESDLInputDevices();
}

void ZEPlatformQuit()
{
    SDL_Quit();
}

bool SDLEventLoop()
{
    SDL_Event event;
    while (SDL_PollEvent(&event))
    {
        if (event.type == SDL_QUIT)
            return false;
    }
    return true;
}

namespace
{
// Frames until SDL reports a quit or the engine has an exit request; the
// frame in which the request was made is finished first.
int RunFrames(ZEApplication& app)
{
    app.Initialize();
    app.Start();
    ZEEngine* engine = app.m_pEngine;
    while (!engine->IsExitRequested() && SDLEventLoop())
        engine->Idle();
    int status = engine->GetExitStatus();
    app.Exit(status);
    return status;
}
}

int ZESDLMain(int argc, char** argv)
{
    ZEApplication* app = ZEApplication::ms_pApp;
    if (!app)
    {
        std::fprintf(stderr, "wrenzo: no application object\n");
        return -1;
    }
    // Kept for the whole run: Prepare may hold on to it, and Exit ends the
    // process without returning here.
    static std::unique_ptr<char[]> s_CommandLine;
    s_CommandLine.reset(GetCommandLine(argc, argv));
    app->Prepare(s_CommandLine.get());
    if (app->m_bHeadless)
        return ZEHeadlessMain(*app);

    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_CDROM | SDL_INIT_JOYSTICK) < 0)
    {
        std::fprintf(stderr, "wrenzo: SDL could not start: %s\n", SDL_GetError());
        return -1;
    }
    return RunFrames(*app);
}
