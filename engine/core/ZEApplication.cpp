#include "core/ZEApplication.h"

#include "core/ZECDPlayer.h"
#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "core/ZENetworkManager.h"
#include "core/ZEPlatform.h"
#include "core/ZETimer.h"
#include "platform/null/ZENullPlatform.h"
#include "render/ZERenderer.h"
#include "resources/ZESoundDevice.h"
#include "resources/ZETextureManager.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

ZEApplication* ZEApplication::ms_pApp = nullptr;

namespace
{
template <class T>
void DeleteAndClear(T*& pointer)
{
    delete pointer;
    pointer = nullptr;
}

// Reads a time factor; false when the text is not a usable factor.
bool ParseTimeFactor(const ZEString& text, float& factor)
{
    if (text.IsEmpty())
        return false;
    char* end = nullptr;
    double value = std::strtod(text.CStr(), &end);
    if (end == text.CStr() || !std::isfinite(value))
        return false;
    if (value < 0.0 || value > ZEApplication::ms_fMaxTimeFactor)
        return false;
    factor = static_cast<float>(value);
    return true;
}
}

char* GetCommandLine(int argc, char** argv)
{
    size_t length = 0;
    for (int i = 1; i < argc; ++i)
        length += std::strlen(argv[i]);
    if (length == 0)
        return nullptr;

    size_t total = length + static_cast<size_t>(argc - 1);
    char* line = new char[total + 1];
    char* out = line;
    for (int i = 1; i < argc; ++i)
    {
        size_t n = std::strlen(argv[i]);
        std::memcpy(out, argv[i], n);
        out += n;
        *out++ = ' ';
    }
    *out = '\0';
    return line;
}

ZEApplication::ZEApplication()
    : m_pRendererNames(new ZEString[1]{ZEString("OpenGL")}),
      m_pSoundDeviceNames(new ZEString[1]{ZEString("OpenAL")})
{
    ms_pApp = this;
}

ZEApplication::~ZEApplication()
{
    if (ms_pApp == this)
        ms_pApp = nullptr;
    DestroyEngineAndDevices();
    ZEPlatformQuit();
}

void ZEApplication::MouseMovement(uint32_t, uint32_t, int32_t, int32_t, char) {}
void ZEApplication::JoystickMovement(int32_t, int32_t, int32_t) {}
bool ZEApplication::ReceiveCustomEntity(ZECustomEntity*) { return false; }
void ZEApplication::DataFromClient(_ZEClient*, char*, uint32_t) {}
void ZEApplication::DataFromServer(char*, uint32_t) {}

void ZEApplication::CreateDevices()
{
    if (m_bHeadless)
        ZENullPlatformCreateDevices(*this);
    else
        ZEPlatformCreateDevices(*this);
}

void ZEApplication::EndProcess(int status)
{
    std::exit(status);
}

void ZEApplication::Initialize()
{
    CreateDevices();
    m_pEngine = new ZEEngine(m_pRenderer, m_pSoundDevice, m_pCDPlayer, m_pInputDevices, m_pTimer,
                             m_pNetworkManager);
    m_pEngine->Initialize();
    m_pEngine->m_bDrawing = !m_bHeadless;
}

void ZEApplication::DestroyEngineAndDevices()
{
    DeleteAndClear(m_pEngine);
    DeleteAndClear(m_pInputDevices);
    DeleteAndClear(m_pSoundDevice);
    if (m_pCDPlayer)
        m_pCDPlayer->Stop();
    DeleteAndClear(m_pCDPlayer);
    DeleteAndClear(m_pRenderer);
    if (m_pNetworkManager)
    {
        m_pNetworkManager->EndServer();
        m_pNetworkManager->EndClient();
    }
    DeleteAndClear(m_pNetworkManager);
    DeleteAndClear(m_pTimer);
    delete[] m_pRendererNames;
    m_pRendererNames = nullptr;
    delete[] m_pSoundDeviceNames;
    m_pSoundDeviceNames = nullptr;
}

void ZEApplication::Exit()
{
    Exit(0);
}

void ZEApplication::Exit(int status)
{
    Terminate();
    DestroyEngineAndDevices();
    EndProcess(status);
}

void ZEApplication::LoadBSPFile(const ZEString& name)
{
    if (!m_pEngine || !m_pTimer)
        return;
    ZEBSPTerrain* terrain = new ZEBSPTerrain();
    float factor = m_pTimer->GetTimeFactor();
    // Loading time is not game time.
    m_pTimer->SetTimeFactor(0.0f);

    ZEString fileName(name);
    fileName.MakeLowerCase();
    ZEString path(m_BSPDir);
    path.Append(fileName.CStr());

    m_pEngine->FreeWorld();
    if (terrain->Load(path))
    {
        m_pEngine->SetTerrain(terrain);
    }
    else
    {
        ZEConsole::Post(ZEString("Loading failed"), ZE_MSG_ERROR);
        delete terrain;
    }
    m_pTimer->SetTimeFactor(factor);
}

void ZEApplication::UnloadBSPFile()
{
    if (m_pEngine)
        m_pEngine->FreeWorld();
    if (ZETextureManager::ms_pTexManager)
        ZETextureManager::ms_pTexManager->ReleaseUnusedTextures();
}

void ZEApplication::Pause()
{
    if (!m_pTimer)
        return;
    m_pTimer->SetTimeFactor(m_pTimer->GetTimeFactor() == 0.0f ? 1.0f : 0.0f);
}

void ZEApplication::SetTimeFactor(const ZEString& value)
{
    float factor = 0.0f;
    if (!m_pTimer)
        return;
    if (ParseTimeFactor(value, factor))
        m_pTimer->SetTimeFactor(factor);
    else
        ZEConsole::Post(ZEString::Format("timefactor: \"%s\" is not a factor from 0 to %g; keeping %g",
                                         value.CStr(), static_cast<double>(ms_fMaxTimeFactor),
                                         static_cast<double>(m_pTimer->GetTimeFactor())),
                        ZE_MSG_SPECIAL);
}

void ZEApplication::ToggleFullscreen()
{
    if (!m_pTimer || !m_pRenderer)
        return;
    m_pTimer->SetTimeFactor(0.0f);
    m_pRenderer->ToggleFullscreen();
    m_pTimer->SetTimeFactor(1.0f);
}

void ZEApplication::SetBSPDir(const ZEString& dir)
{
    m_BSPDir = dir;
    m_BSPDir.MakePathName();
}

void ZEApplication::RenderWorld()
{
    if (m_pEngine && m_pRenderer)
        m_pEngine->RenderWorld(&m_pRenderer->m_Camera);
}

ZEString ZEApplication::GetCurrentRendererS() const
{
    return m_ulCurrentRenderer < m_ulNumRenderers && m_pRendererNames ? m_pRendererNames[m_ulCurrentRenderer]
                                                                        : ZEString();
}

ZEString ZEApplication::GetCurrentSoundDeviceS() const
{
    return m_ulCurrentSoundDevice < m_ulNumSoundDevices && m_pSoundDeviceNames
               ? m_pSoundDeviceNames[m_ulCurrentSoundDevice]
               : ZEString();
}
