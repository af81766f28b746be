// The game over test doubles: WZApp with a manual clock, a plain or
// recording renderer, scripted input and null sound, CD and network, in the
// build's run folder so it reads the generated game data. Start() goes
// straight into a quick race on the launch options' track.
#pragma once

#include "WZApp.h"
#include "platform/null/ZEManualTimer.h"
#include "platform/null/ZENullDevices.h"
#include "support/RecordingRenderer.h"
#include "support/ScriptedInput.h"
#include "world/ZEEngine.h"

#include <filesystem>
#include <string>

class WZTestGame : public WZApp
{
public:
    // `drawing`: frames draw through a recording renderer; otherwise the
    // game runs headless over a plain one.
    explicit WZTestGame(const std::string& commandLine, bool drawing = false) : m_bDraws(drawing)
    {
        std::filesystem::current_path(WRENZO_RUN_DIR);
        std::string line = commandLine;
        Prepare(line.empty() ? nullptr : line.data());
        m_bHeadless = !drawing;
        Initialize();
    }

    ZEManualTimer* Timer() const { return static_cast<ZEManualTimer*>(m_pTimer); }
    ZEScriptedInput* Input() const { return static_cast<ZEScriptedInput*>(m_pInputDevices); }
    ZERecordingRenderer* Recorder() const { return m_bDraws ? static_cast<ZERecordingRenderer*>(m_pRenderer) : nullptr; }

    void Frame(uint32_t milliseconds = 15)
    {
        Timer()->Advance(milliseconds);
        m_pEngine->Idle();
    }
    // Frames until `milliseconds` of game time have passed.
    void Run(uint32_t milliseconds, uint32_t frame = 15)
    {
        for (uint32_t t = 0; t < milliseconds; t += frame)
            Frame(frame);
    }
    void Press(uint32_t key)
    {
        Input()->SetKey(key, true);
        Frame();
        Input()->SetKey(key, false);
        Frame();
    }

    int m_iEndStatus = -1;

protected:
    void CreateDevices() override
    {
        m_pTimer = new ZEManualTimer();
        m_pRenderer = m_bDraws ? new ZERecordingRenderer() : new ZERenderer();
        m_pSoundDevice = new ZENullSoundDevice();
        m_pCDPlayer = new ZENullCDPlayer();
        m_pNetworkManager = new ZENullNetworkManager();
        m_pInputDevices = new ZEScriptedInput();
    }
    void EndProcess(int status) override { m_iEndStatus = status; }

private:
    bool m_bDraws;
};
