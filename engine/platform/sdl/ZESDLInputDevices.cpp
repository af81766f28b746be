#include "platform/sdl/ZESDLInputDevices.h"

#include "core/ZEInputRules.h"
#include "world/ZEEngine.h"

#include <SDL/SDL.h>

namespace
{
const uint32_t kNamedKeys = 58;   // codes 0..57 have a table entry

// The SDL key polled for codes 0..57; -1 where a code has no key.
const int32_t g_alPolledKeys[kNamedKeys] = {
    SDLK_0, SDLK_1, SDLK_2, SDLK_3, SDLK_4, SDLK_5, SDLK_6, SDLK_7, SDLK_8, SDLK_9,
    SDLK_PLUS, SDLK_MINUS, SDLK_KP_MULTIPLY, SDLK_KP_DIVIDE, SDLK_PERIOD, SDLK_COMMA,
    SDLK_LEFT, SDLK_RIGHT, SDLK_UP, SDLK_DOWN,
    -1,
    SDLK_F1, SDLK_F2, SDLK_F3, SDLK_F4, SDLK_F5, SDLK_F6,
    SDLK_F7, SDLK_F8, SDLK_F9, SDLK_F10, SDLK_F11, SDLK_F12,
    SDLK_RETURN, SDLK_ESCAPE, SDLK_SPACE, SDLK_LSHIFT, SDLK_TAB, SDLK_LCTRL, SDLK_LALT,
    SDLK_BACKSPACE, SDLK_INSERT, SDLK_DELETE, SDLK_HOME, SDLK_END, SDLK_PAGEUP, SDLK_PAGEDOWN,
    SDLK_PAUSE, SDLK_PRINT,
    SDLK_SLASH, SDLK_BACKSLASH, SDLK_LEFTBRACKET, SDLK_RIGHTBRACKET, SDLK_COLON,
    SDLK_SEMICOLON, SDLK_BACKQUOTE, SDLK_EQUALS, SDLK_LESS,
};

struct KeyAlias
{
    int32_t m_lSDLKey;
    uint32_t m_ulCode;
};

// Further SDL keys that mean a code when typing, but are not polled for it.
const KeyAlias g_aAliases[] = {
    {SDLK_KP0, 0}, {SDLK_KP1, 1}, {SDLK_KP2, 2}, {SDLK_KP3, 3}, {SDLK_KP4, 4},
    {SDLK_KP5, 5}, {SDLK_KP6, 6}, {SDLK_KP7, 7}, {SDLK_KP8, 8}, {SDLK_KP9, 9},
    {SDLK_KP_PLUS, 10}, {SDLK_KP_MINUS, 11}, {SDLK_KP_PERIOD, 14},
    {SDLK_KP_ENTER, ZE_KEY_ENTER}, {SDLK_RSHIFT, ZE_KEY_SHIFT}, {SDLK_RCTRL, ZE_KEY_CTRL},
    {SDLK_RALT, ZE_KEY_ALT}, {SDLK_BREAK, ZE_KEY_PAUSE}, {SDLK_KP_EQUALS, 56},
};

struct MouseButton
{
    uint8_t m_ucSDLButton;
    uint32_t m_ulCode;
};

const MouseButton g_aMouseButtons[] = {
    {SDL_BUTTON_LEFT, ZE_KEY_MOUSE0},
    {SDL_BUTTON_MIDDLE, ZE_KEY_MOUSE2},
    {SDL_BUTTON_RIGHT, ZE_KEY_MOUSE1},
};

bool IsHeld(const uint8_t* keyState, int numKeys, int32_t sdlKey)
{
    return keyState && sdlKey >= 0 && sdlKey < numKeys && keyState[sdlKey] != 0;
}
}

ZESDLInputDevices::ZESDLInputDevices()
{
    if (SDL_NumJoysticks() <= 0)
        return;
    m_pJoystick = SDL_JoystickOpen(0);
    if (!m_pJoystick)
        return;
    int axes = SDL_JoystickNumAxes(m_pJoystick);
    int buttons = SDL_JoystickNumButtons(m_pJoystick);
    m_usNumAxes = static_cast<uint16_t>(axes > 0 ? axes : 0);
    if (buttons > ms_usMaxButtons)
        buttons = ms_usMaxButtons;
    m_usNumButtons = static_cast<uint16_t>(buttons > 0 ? buttons : 0);
}

ZESDLInputDevices::~ZESDLInputDevices()
{
    if (m_pJoystick)
        SDL_JoystickClose(m_pJoystick);
}

void ZESDLInputDevices::Update()
{
    UpdateKeyArray(true);
}

bool ZESDLInputDevices::IsPressed(uint32_t code)
{
    UpdateKeyArray(false);
    return code < ZE_KEY_COUNT && m_aulKeyTime[code] != 0;
}

void ZESDLInputDevices::UpdateKeyArray(bool notify)
{
    uint32_t now = GetRealTime();
    SDL_PumpEvents();
    int numKeys = 0;
    const uint8_t* keyState = SDL_GetKeyState(&numKeys);
    PollKeyboard(keyState, numKeys, now, notify);
    PollMouse(now, notify);
    PollJoystick(now, notify);
}

void ZESDLInputDevices::PollKeyboard(const uint8_t* keyState, int numKeys, uint32_t now, bool notify)
{
    for (uint32_t code = 0; code < ZE_KEY_COUNT; ++code)
    {
        int32_t sdlKey = TranslateZEKeyToSDLKey(code);
        if (sdlKey >= 0)
            UpdateKey(code, m_aulKeyTime[code], IsHeld(keyState, numKeys, sdlKey), now, notify);
    }
}

void ZESDLInputDevices::PollMouse(uint32_t now, bool notify)
{
    if (!notify)
    {
        PollMouseButtons(SDL_GetMouseState(nullptr, nullptr), now, notify);
        return;
    }
    int dx = 0, dy = 0;
    uint8_t buttons = SDL_GetRelativeMouseState(&dx, &dy);
    if ((dx != 0 || dy != 0) && m_pEngine)
    {
        uint32_t x = 0, y = 0;
        GetCursorPos(x, y);
        m_pEngine->MouseMovement(x, y, dx, dy, 0);
    }
    PollMouseButtons(buttons, now, notify);
}

void ZESDLInputDevices::PollMouseButtons(uint8_t buttons, uint32_t now, bool notify)
{
    for (const MouseButton& button : g_aMouseButtons)
    {
        bool held = (buttons & SDL_BUTTON(button.m_ucSDLButton)) != 0;
        UpdateKey(button.m_ulCode, m_aulKeyTime[button.m_ulCode], held, now, notify);
    }
}

void ZESDLInputDevices::PollJoystick(uint32_t now, bool notify)
{
    if (!m_pJoystick)
        return;
    SDL_JoystickUpdate();
    int32_t raw[3];
    ReadJoystickAxes(raw);
    UpdateJoystickAxes(raw, m_alJoystickAxes, notify);
    for (uint16_t button = 0; button < m_usNumButtons; ++button)
    {
        uint32_t code = ZE_KEY_JOYSTICK0 + button;
        bool held = SDL_JoystickGetButton(m_pJoystick, button) != 0;
        UpdateKey(code, m_aulKeyTime[code], held, now, notify);
    }
}

void ZESDLInputDevices::ReadJoystickAxes(int32_t (&raw)[3])
{
    // Axis 2 counts only with more than 2 axes, as do 0 and 1 only when
    // present: SDL answers absent axes with an error.
    for (int axis = 0; axis < 3; ++axis)
        raw[axis] = axis < m_usNumAxes ? SDL_JoystickGetAxis(m_pJoystick, axis) : 0;
}

void ZESDLInputDevices::GetCursorPos(uint32_t& x, uint32_t& y)
{
    SDL_PumpEvents();
    int mouseX = 0, mouseY = 0;
    SDL_GetMouseState(&mouseX, &mouseY);
    x = static_cast<uint32_t>(mouseX > 0 ? mouseX : 0);
    y = static_cast<uint32_t>(mouseY > 0 ? mouseY : 0);
}

void ZESDLInputDevices::GetMouseMovement(int32_t& dx, int32_t& dy)
{
    SDL_PumpEvents();
    int relX = 0, relY = 0;
    SDL_GetRelativeMouseState(&relX, &relY);
    dx = relX;
    dy = relY;
}

void ZESDLInputDevices::GetJoystickAxis(int32_t& x, int32_t& y, int32_t& z)
{
    int32_t raw[3] = {0, 0, 0};
    if (m_pJoystick)
    {
        SDL_JoystickUpdate();
        ReadJoystickAxes(raw);
    }
    x = ZEScaleJoystickAxis(raw[0]);
    y = ZEScaleJoystickAxis(raw[1]);
    z = ZEScaleJoystickAxis(raw[2]);
}

char ZESDLInputDevices::GetChar()
{
    for (;;)
    {
        SDL_PumpEvents();
        int numKeys = 0;
        const uint8_t* keyState = SDL_GetKeyState(&numKeys);
        uint32_t code = FindHeldKey(keyState, numKeys);
        if (code != ZE_KEY_NONE)
            return Translate(code);
        // Waiting for a human: give the processor back between looks.
        SDL_Delay(1);
    }
}

uint32_t ZESDLInputDevices::FindHeldKey(const uint8_t* keyState, int numKeys)
{
    for (int32_t sdlKey = 0; sdlKey < numKeys; ++sdlKey)
    {
        if (!IsHeld(keyState, numKeys, sdlKey))
            continue;
        uint32_t code = TranslateSDLKeyToZEKey(static_cast<uint32_t>(sdlKey));
        if (code != ZE_KEY_NONE)
            return code;
    }
    return ZE_KEY_NONE;
}

uint32_t ZESDLInputDevices::TranslateSDLKeyToZEKey(uint32_t sdlKey)
{
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z)
        return ZE_KEY_A + (sdlKey - SDLK_a);
    for (uint32_t code = 0; code < kNamedKeys; ++code)
        if (g_alPolledKeys[code] >= 0 && static_cast<uint32_t>(g_alPolledKeys[code]) == sdlKey)
            return code;
    for (const KeyAlias& alias : g_aAliases)
        if (static_cast<uint32_t>(alias.m_lSDLKey) == sdlKey)
            return alias.m_ulCode;
    return ZE_KEY_NONE;
}

int32_t ZESDLInputDevices::TranslateZEKeyToSDLKey(uint32_t code)
{
    if (code < kNamedKeys)
        return g_alPolledKeys[code];
    if (code >= ZE_KEY_A && code <= ZE_KEY_Z)
        return static_cast<int32_t>(SDLK_a + (code - ZE_KEY_A));
    return -1;
}
