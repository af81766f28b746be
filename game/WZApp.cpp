#include "WZApp.h"

#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"

WZApp Wrenzo;

WZApp::WZApp() = default;
WZApp::~WZApp() = default;

void WZApp::Prepare(char*)
{
    m_usWidth = 640;
    m_usHeight = 480;
    m_usFullscreen = 0;
}

void WZApp::Start()
{
    if (m_pRenderer)
        m_pRenderer->SetWindowTitle(ZEString("Wrenzo"));
    ZEConsole::Post("game", ZEString("Wrenzo started"), ZE_MSG_DEFAULT);
}

void WZApp::Update1(uint32_t) {}
void WZApp::Update2(uint32_t) {}
void WZApp::Render() {}

void WZApp::KeyDown(uint32_t key)
{
    // Until the menus exist, Escape leaves the game and F12 opens the
    // console for engine commands.
    if (key == ZE_KEY_ESCAPE)
        Exit();
    else if (key == ZE_KEY_F12 && ZEConsole::ms_pConsole)
        ZEConsole::ms_pConsole->SetState(ZE_CONSOLE_HALF);
}

void WZApp::KeyUp(uint32_t) {}
void WZApp::MouseMovement(uint32_t, uint32_t, int32_t, int32_t, char) {}
void WZApp::JoystickMovement(int32_t, int32_t, int32_t) {}
bool WZApp::ReceiveCustomEntity(ZECustomEntity*) { return false; }
void WZApp::NewClientConnected(_ZEClient*) {}
void WZApp::ClientDisconnected(_ZEClient*) {}
void WZApp::DataFromClient(_ZEClient*, char*, uint32_t) {}
void WZApp::ServerConnected(char*) {}
void WZApp::ServerDisconnected() {}
void WZApp::DataFromServer(char*, uint32_t) {}
void WZApp::Terminate() {}
