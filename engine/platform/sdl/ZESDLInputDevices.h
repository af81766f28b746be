// ZESDLInputDevices: keyboard, mouse and joystick by polling SDL's state.
//
// There is no event-driven input: once a frame Update() reads SDL's key,
// mouse and joystick state, compares it with the remembered state
// (m_aulKeyTime: 0 = up, otherwise the real time the press was last
// reported) and raises KeyDown, KeyUp, MouseMovement and JoystickMovement
// on the engine. IsPressed polls the same way without raising events, so a
// change it sees first raises none at the next Update(). Joystick 0 is
// opened at construction when SDL reports one and stays open for the life
// of the object; it reports at most 8 buttons.
//
// Only the cursor position is read yet; key, button and joystick polling
// come with the input work, so until then no key is ever pressed.
#pragma once

#include "core/ZEInputDevices.h"

#include <cstdint>

struct _SDL_Joystick;

class ZESDLInputDevices : public ZEInputDevices
{
public:
    static const uint16_t ms_usMaxButtons = 8;

    ZESDLInputDevices();
    // Closes the joystick.
    ~ZESDLInputDevices() override;

    void Update() override;
    bool IsPressed(uint32_t code) override;
    // SDL's absolute mouse position, in window pixels.
    void GetCursorPos(uint32_t& x, uint32_t& y) override;
    void GetMouseMovement(int32_t& dx, int32_t& dy) override;
    void GetJoystickAxis(int32_t& x, int32_t& y, int32_t& z) override;
    char GetChar() override;

    // Polls every device; raises the events only when notify is set.
    void UpdateKeyArray(bool notify);
    // The engine code of an SDL key; ZE_KEY_NONE when unmapped.
    static uint32_t TranslateSDLKeyToZEKey(uint32_t sdlKey);
    // The SDL key polled for an engine code; -1 when there is none.
    static int32_t TranslateZEKeyToSDLKey(uint32_t code);

    _SDL_Joystick* m_pJoystick = nullptr;
    uint16_t m_usNumAxes = 0;
    uint16_t m_usNumButtons = 0;
    uint32_t m_aulKeyTime[ZE_KEY_COUNT] = {};
};
