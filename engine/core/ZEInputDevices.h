// ZEInputDevices: keyboard, mouse and joystick as engine key codes.
//
// Key codes are the engine's own, independent of any platform:
//   0-9 digits, 10-15 + - * / . ,, 16-19 Left Right Up Down, 21-32 F1-F12,
//   33 Enter, 34 Escape, 35 Space, 36 Shift, 37 Tab, 38 CTRL, 39 ALT,
//   40 Backspace, 41-48 Insert Delete Home End PageUp PageDown Pause Print,
//   49-57 / \ [ ] : ; ' = <, 65-90 letters, 91-99 mouse buttons 0-8,
//   100-109 joystick buttons 0-9, 110 "no key" (a legal binding that is
//   never pressed).
// Each code has a name (GetKeyName, shown in key bindings) and a character
// (Translate, used for typing; keys without one give a blank). Codes at or
// beyond ZE_KEY_COUNT are treated as "no key" everywhere.
//
// Once a frame the engine calls Update(); a backend compares the polled
// state with the state it remembers and raises KeyDown, KeyUp,
// MouseMovement and JoystickMovement on the engine (m_pEngine; nothing is
// raised while it is null). Every backend applies the same key and
// joystick rules (core/ZEInputRules.h) through UpdateKey and
// UpdateJoystickAxes, so presses, releases, repeats and the dead zone
// behave alike on every platform and in the test doubles. IsPressed polls
// too but raises nothing, so a change it sees first raises no event at the
// next Update(). GetChar waits for a key and is for one-off prompts only;
// nothing in the frame loop may call it. The one instance is
// ms_pInputDevices.
#pragma once

#include "core/ZEString.h"

#include <cstdint>

class ZEEngine;

enum ZEKeyCode : uint32_t
{
    ZE_KEY_0 = 0,
    ZE_KEY_ADD = 10,
    ZE_KEY_SUBTRACT = 11,
    ZE_KEY_MULTIPLY = 12,
    ZE_KEY_DIVIDE = 13,
    ZE_KEY_PERIOD = 14,
    ZE_KEY_COMMA = 15,
    ZE_KEY_LEFT = 16,
    ZE_KEY_RIGHT = 17,
    ZE_KEY_UP = 18,
    ZE_KEY_DOWN = 19,
    ZE_KEY_F1 = 21,
    ZE_KEY_F12 = 32,
    ZE_KEY_ENTER = 33,
    ZE_KEY_ESCAPE = 34,
    ZE_KEY_SPACE = 35,
    ZE_KEY_SHIFT = 36,
    ZE_KEY_TAB = 37,
    ZE_KEY_CTRL = 38,
    ZE_KEY_ALT = 39,
    ZE_KEY_BACKSPACE = 40,
    ZE_KEY_INSERT = 41,
    ZE_KEY_DELETE = 42,
    ZE_KEY_HOME = 43,
    ZE_KEY_END = 44,
    ZE_KEY_PAGEUP = 45,
    ZE_KEY_PAGEDOWN = 46,
    ZE_KEY_PAUSE = 47,
    ZE_KEY_PRINT = 48,
    ZE_KEY_A = 65,
    ZE_KEY_Z = 90,
    ZE_KEY_MOUSE0 = 91,
    ZE_KEY_MOUSE1 = 92,
    ZE_KEY_MOUSE2 = 93,
    ZE_KEY_JOYSTICK0 = 100,
    ZE_KEY_NONE = 110,
    ZE_KEY_COUNT = 110
};

class ZEInputDevices
{
public:
    ZEInputDevices();
    virtual ~ZEInputDevices();

    ZEInputDevices(const ZEInputDevices&) = delete;
    ZEInputDevices& operator=(const ZEInputDevices&) = delete;

    virtual void Update() {}
    virtual bool IsPressed(uint32_t) { return false; }
    virtual bool IsNotPressed(uint32_t code) { return !IsPressed(code); }
    virtual void GetCursorPos(uint32_t&, uint32_t&) {}
    virtual void GetMouseMovement(int32_t&, int32_t&) {}
    virtual void GetJoystickAxis(int32_t&, int32_t&, int32_t&) {}
    virtual char GetChar() { return ' '; }

    void SetEnginePointer(ZEEngine* engine) { m_pEngine = engine; }
    // The character of a key; a blank for keys without one and for codes
    // out of range.
    static char Translate(uint32_t code);
    // The display name of a key; empty for unnamed and out-of-range codes.
    static ZEString GetKeyName(uint32_t code);

    static ZEInputDevices* ms_pInputDevices;

    ZEEngine* m_pEngine = nullptr;
    uint32_t m_ulKeyRepeat = 0;

protected:
    // Wall time for key stamps: the timer's real time, 0 while there is no
    // timer.
    static uint32_t GetRealTime();
    // One poll of one key: applies the key rule to `keyTime` and, when
    // notifying, raises KeyDown or KeyUp(code) on the engine.
    void UpdateKey(uint32_t code, uint32_t& keyTime, bool down, uint32_t now, bool notify);
    // Raw axes x, y, z against those last reported: when notifying and any
    // differs, remembers them and raises JoystickMovement with the scaled,
    // dead-zoned values. Without notify nothing is remembered, so a move a
    // silent poll saw is still reported by the next Update().
    void UpdateJoystickAxes(const int32_t (&raw)[3], int32_t (&reported)[3], bool notify);
};
