// An application that builds the whole engine over test doubles.
//
// Initialize() creates a manual timer, a recording renderer, a null sound
// device, a null CD player, a null network manager and a scripted input
// device, in the platform's order, then the engine. Every callback the
// engine makes into the application - and the network and input polls -
// is written into the recording renderer's log as "app:<name> <args>",
// "net:Idle" and "input:Update", so one log shows the exact order of a
// frame. Exit() runs the real shutdown but records the process end instead
// of ending the test.
#pragma once

#include "core/ZEApplication.h"
#include "support/ManualTimer.h"
#include "support/NullDevices.h"
#include "support/RecordingRenderer.h"
#include "support/ScriptedInput.h"

#include <string>
#include <vector>

class ZETestApplication : public ZEApplication
{
public:
    ZETestApplication() = default;

    ZEManualTimer* Timer() const { return static_cast<ZEManualTimer*>(m_pTimer); }
    ZERecordingRenderer* Renderer() const { return static_cast<ZERecordingRenderer*>(m_pRenderer); }
    ZEScriptedInput* Input() const { return static_cast<ZEScriptedInput*>(m_pInputDevices); }
    ZENullCDPlayer* CDPlayer() const { return static_cast<ZENullCDPlayer*>(m_pCDPlayer); }
    ZENullNetworkManager* Network() const { return static_cast<ZENullNetworkManager*>(m_pNetworkManager); }
    ZENullSoundDevice* Sound() const { return static_cast<ZENullSoundDevice*>(m_pSoundDevice); }
    // The application callbacks alone; unlike the renderer's log it
    // survives Exit().
    std::vector<std::string>& Log() { return m_Log; }

    // Advances wall time by `milliseconds` and runs one frame.
    void Frame(uint32_t milliseconds);

    void Update1(uint32_t elapsed) override;
    void Update2(uint32_t elapsed) override;
    void Render() override;
    void KeyDown(uint32_t key) override;
    void KeyUp(uint32_t key) override;
    void MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char buttons) override;
    void JoystickMovement(int32_t x, int32_t y, int32_t z) override;
    void Terminate() override;

    bool m_bProcessEnded = false;
    int m_iExitStatus = -1;
    // Counts the doubles' shutdown calls after they are deleted.
    ZENullDeviceTally m_Tally;

protected:
    void CreateDevices() override;
    void EndProcess(int status) override;

private:
    void Write(const std::string& line);

    std::vector<std::string> m_Log;
};
