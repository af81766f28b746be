// ZEScriptedInput: input devices whose state the test writes.
//
// The test sets which keys (engine codes, mouse and joystick buttons
// included) are held, where the cursor is and where the joystick axes
// stand; the next Update() compares that with the remembered state and
// raises KeyDown, KeyUp, MouseMovement and JoystickMovement on m_pEngine
// through the same key and joystick rules as the platform devices
// (core/ZEInputRules.h): a key goes down once, goes up once, and repeats
// every m_ulKeyRepeat real milliseconds while held (0: no repeat). IsPressed
// answers the scripted state and, like the real device, takes the change in
// silently, so a change it sees first raises no event at the next Update().
// Cursor motion and axis moves are reported by Update() only. Axes are raw
// (-32768..32767), scaled to about -1000..1000 with a dead zone of 10 for
// the events.
#pragma once

#include "core/ZEInputDevices.h"

#include <cstdint>

class ZEScriptedInput : public ZEInputDevices
{
public:
    ZEScriptedInput() = default;

    // Scripting, for the next poll.
    void SetKey(uint32_t code, bool down);
    void ReleaseAllKeys();
    void SetCursor(uint32_t x, uint32_t y);
    // Also plugs a joystick in.
    void SetJoystickAxes(int32_t x, int32_t y, int32_t z);

    void Update() override;
    bool IsPressed(uint32_t code) override;
    void GetCursorPos(uint32_t& x, uint32_t& y) override;
    // Movement since the previous poll; reading it consumes it.
    void GetMouseMovement(int32_t& dx, int32_t& dy) override;
    void GetJoystickAxis(int32_t& x, int32_t& y, int32_t& z) override;
    // The first held key that has a character; a blank when none is held
    // (the real device would wait).
    char GetChar() override;

private:
    void Poll(bool notify);
    void PollKeys(bool notify, uint32_t now);
    void PollMouse();

    bool m_abScripted[ZE_KEY_COUNT] = {};
    uint32_t m_aulKeyTime[ZE_KEY_COUNT] = {};
    uint32_t m_ulCursorX = 0, m_ulCursorY = 0;
    uint32_t m_ulPolledX = 0, m_ulPolledY = 0;
    bool m_bJoystick = false;
    int32_t m_alAxes[3] = {0, 0, 0};
    int32_t m_alPolledAxes[3] = {0, 0, 0};
};
