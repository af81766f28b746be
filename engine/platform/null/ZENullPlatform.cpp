#include "platform/null/ZENullPlatform.h"

#include "core/ZEApplication.h"
#include "core/ZEInputDevices.h"
#include "platform/null/ZEManualTimer.h"
#include "platform/null/ZENullDevices.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"

#include <cstdio>

void ZENullPlatformCreateDevices(ZEApplication& app)
{
    app.m_pTimer = new ZEManualTimer();
    app.m_pRenderer = new ZERenderer();
    app.m_pSoundDevice = new ZENullSoundDevice();
    app.m_pCDPlayer = new ZENullCDPlayer();
    app.m_pNetworkManager = new ZENullNetworkManager();
    app.m_pInputDevices = new ZEInputDevices();
}

int ZEHeadlessMain(ZEApplication& app)
{
    app.Initialize();
    ZEManualTimer* timer = dynamic_cast<ZEManualTimer*>(app.m_pTimer);
    if (!timer)
    {
        std::fprintf(stderr, "headless run: the application's timer is not a manual timer\n");
        app.Exit(1);
        return 1;
    }
    app.Start();

    uint32_t frame = app.m_ulHeadlessFrame ? app.m_ulHeadlessFrame : 1;
    ZEEngine* engine = app.m_pEngine;
    while (!engine->IsExitRequested())
    {
        timer->Advance(frame);
        engine->Idle();
    }
    int status = engine->GetExitStatus();
    app.Exit(status);
    return status;
}
