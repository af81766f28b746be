#include "support/TestApplication.h"

#include "world/ZEEngine.h"

namespace
{
class LoggingNetwork : public ZENullNetworkManager
{
public:
    explicit LoggingNetwork(std::vector<std::string>& log) : m_Log(log) {}
    void Idle() override
    {
        m_Log.push_back("net:Idle");
        ZENullNetworkManager::Idle();
    }

private:
    std::vector<std::string>& m_Log;
};

class LoggingInput : public ZEScriptedInput
{
public:
    explicit LoggingInput(std::vector<std::string>& log) : m_Log(log) {}
    void Update() override
    {
        m_Log.push_back("input:Update");
        ZEScriptedInput::Update();
    }

private:
    std::vector<std::string>& m_Log;
};
}

void ZETestApplication::CreateDevices()
{
    m_pTimer = new ZEManualTimer();
    ZERecordingRenderer* renderer = new ZERecordingRenderer();
    m_pRenderer = renderer;
    m_pSoundDevice = new ZENullSoundDevice();
    ZENullCDPlayer* cd = new ZENullCDPlayer();
    cd->m_pTally = &m_Tally;
    m_pCDPlayer = cd;
    LoggingNetwork* network = new LoggingNetwork(renderer->m_Log);
    network->m_pTally = &m_Tally;
    m_pNetworkManager = network;
    m_pInputDevices = new LoggingInput(renderer->m_Log);
}

void ZETestApplication::EndProcess(int status)
{
    m_bProcessEnded = true;
    m_iExitStatus = status;
}

void ZETestApplication::Write(const std::string& line)
{
    if (m_pRenderer)
        Renderer()->m_Log.push_back(line);
    m_Log.push_back(line);
}

void ZETestApplication::Frame(uint32_t milliseconds)
{
    Timer()->Advance(milliseconds);
    m_pEngine->Idle();
}

void ZETestApplication::Update1(uint32_t elapsed) { Write("app:Update1 " + std::to_string(elapsed)); }
void ZETestApplication::Update2(uint32_t elapsed) { Write("app:Update2 " + std::to_string(elapsed)); }
void ZETestApplication::Render() { Write("app:Render"); }
void ZETestApplication::KeyDown(uint32_t key) { Write("app:KeyDown " + std::to_string(key)); }
void ZETestApplication::KeyUp(uint32_t key) { Write("app:KeyUp " + std::to_string(key)); }

void ZETestApplication::MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char)
{
    Write("app:MouseMovement " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(dx) + " " +
          std::to_string(dy));
}

void ZETestApplication::JoystickMovement(int32_t x, int32_t y, int32_t z)
{
    Write("app:JoystickMovement " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z));
}

void ZETestApplication::Terminate() { Write("app:Terminate"); }
