// ZESDLInputDevices: keyboard, mouse and joystick by polling SDL's state.
//
// There is no event-driven input: once a frame Update() reads SDL's key,
// mouse and joystick state, compares it with the remembered state
// (m_aulKeyTime: 0 = up, otherwise the real time the press was last
// reported) and raises KeyDown, KeyUp, MouseMovement and JoystickMovement
// on the engine by the shared key and joystick rules (core/ZEInputRules.h).
// IsPressed polls the same way without raising events, so a change it sees
// first raises none at the next Update().
//
// Each engine code is polled through exactly one SDL key (see
// TranslateZEKeyToSDLKey): the left-hand Shift, CTRL and ALT and the main
// keyboard's digits, signs and Enter, so the right-hand modifiers and the
// keypad keys that duplicate a main key do not count as held. Multiply and
// Divide exist only on the keypad and are polled there. Translating the
// other way (TranslateSDLKeyToZEKey, used by GetChar for typing) also
// accepts those right-hand and keypad keys.
//
// SDL mouse buttons 1, 2, 3 (left, middle, right) are codes 91, 93, 92;
// joystick buttons 0..7 are codes 100..107 and follow the key rule.
// Relative mouse motion is taken only by Update() (and GetMouseMovement),
// so a silent IsPressed poll does not swallow a move.
//
// Joystick 0 is opened at construction when SDL reports one and stays open
// for the life of the object; it reports at most 8 buttons. Without a
// joystick its axes read 0 and it raises no events.
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
    // Polls without raising events; codes at or beyond ZE_KEY_COUNT are
    // never pressed.
    bool IsPressed(uint32_t code) override;
    // SDL's absolute mouse position, in window pixels.
    void GetCursorPos(uint32_t& x, uint32_t& y) override;
    // SDL's relative motion since it was last read; reading resets it, so
    // it takes the motion Update() would otherwise report.
    void GetMouseMovement(int32_t& dx, int32_t& dy) override;
    // Axes 0, 1 and (with more than 2 axes) 2, scaled to about -1000..1000
    // without a dead zone; missing axes and a missing joystick read 0.
    void GetJoystickAxis(int32_t& x, int32_t& y, int32_t& z) override;
    // Waits until a key with an engine code is held and returns its
    // character (a blank for keys without one). Never returns while no such
    // key is held: for one-off prompts only, never from the frame loop.
    char GetChar() override;

    // Polls every device; raises the events only when notify is set.
    void UpdateKeyArray(bool notify);
    // The engine code of an SDL key, including the right-hand and keypad
    // duplicates; ZE_KEY_NONE when unmapped.
    static uint32_t TranslateSDLKeyToZEKey(uint32_t sdlKey);
    // The one SDL key polled for an engine code; -1 when there is none
    // (mouse and joystick buttons, unused and out-of-range codes).
    static int32_t TranslateZEKeyToSDLKey(uint32_t code);

    // Steps of UpdateKeyArray over state already read from SDL, so they can
    // also be driven with a recorded state. `keyState` is indexed by SDL
    // key and holds `numKeys` entries (null reads as nothing held).
    void PollKeyboard(const uint8_t* keyState, int numKeys, uint32_t now, bool notify);
    // `buttons` is SDL's mouse button mask.
    void PollMouseButtons(uint8_t buttons, uint32_t now, bool notify);
    // The first held key in SDL key order that has an engine code;
    // ZE_KEY_NONE when none.
    static uint32_t FindHeldKey(const uint8_t* keyState, int numKeys);

    _SDL_Joystick* m_pJoystick = nullptr;
    uint16_t m_usNumAxes = 0;
    uint16_t m_usNumButtons = 0;
    uint32_t m_aulKeyTime[ZE_KEY_COUNT] = {};
    // The raw axes last reported by JoystickMovement.
    int32_t m_alJoystickAxes[3] = {0, 0, 0};

private:
    void PollMouse(uint32_t now, bool notify);
    void PollJoystick(uint32_t now, bool notify);
    // Raw axes 0..2 from SDL's current joystick state; 0 for missing axes.
    void ReadJoystickAxes(int32_t (&raw)[3]);
};
