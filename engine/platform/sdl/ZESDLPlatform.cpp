#include "platform/sdl/ZESDLPlatform.h"

#include "core/ZEApplication.h"
#include "core/ZEPlatform.h"
#include "platform/linux/ZELinuxNetworkManager.h"
#include "platform/sdl/ZEOpenALSoundDevice.h"
#include "platform/sdl/ZESDLCDPlayer.h"
#include "platform/sdl/ZESDLInputDevices.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "platform/sdl/ZESDLTimer.h"
#include "world/ZEEngine.h"

#include <SDL/SDL.h>

#include <cstdio>

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

int ZESDLMain(int argc, char** argv)
{
    char* commandLine = GetCommandLine(argc, argv);
    ZEApplication* app = ZEApplication::ms_pApp;

    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_CDROM | SDL_INIT_JOYSTICK) < 0)
    {
        std::fprintf(stderr, "wrenzo: SDL could not start: %s\n", SDL_GetError());
        delete[] commandLine;
        return -1;
    }
    if (!app)
    {
        std::fprintf(stderr, "wrenzo: no application object\n");
        delete[] commandLine;
        return -1;
    }

    app->Prepare(commandLine);
    app->Initialize();
    app->Start();

    ZEEngine* engine = ZEEngine::ms_pEngine;
    while (SDLEventLoop())
        engine->Idle();

    delete[] commandLine;
    app->Exit();
    return 0;
}
