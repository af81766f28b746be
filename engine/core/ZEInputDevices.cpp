#include "core/ZEInputDevices.h"

#include "core/ZEInputRules.h"
#include "core/ZETimer.h"
#include "world/ZEEngine.h"

ZEInputDevices* ZEInputDevices::ms_pInputDevices = nullptr;

namespace
{
struct KeyInfo
{
    const char* m_szName;
    char m_cCharacter;
};

// Names and characters of codes 0-57; letters, mouse and joystick buttons
// are generated.
const KeyInfo g_aKeys[58] = {
    {"0", '0'}, {"1", '1'}, {"2", '2'}, {"3", '3'}, {"4", '4'},
    {"5", '5'}, {"6", '6'}, {"7", '7'}, {"8", '8'}, {"9", '9'},
    {"Add", '+'}, {"Subtract", '-'}, {"Multiply", '*'}, {"Divide", '/'},
    {"Period", '.'}, {"Comma", ','},
    {"Left", ' '}, {"Right", ' '}, {"Up", ' '}, {"Down", ' '},
    {"", ' '},
    {"F1", ' '}, {"F2", ' '}, {"F3", ' '}, {"F4", ' '}, {"F5", ' '}, {"F6", ' '},
    {"F7", ' '}, {"F8", ' '}, {"F9", ' '}, {"F10", ' '}, {"F11", ' '}, {"F12", ' '},
    {"Enter", '\n'}, {"Escape", ' '}, {"Space", ' '}, {"Shift", ' '}, {"Tab", '\t'},
    {"CTRL", ' '}, {"ALT", ' '}, {"Backspace", '\b'}, {"Insert", ' '}, {"Delete", ' '},
    {"Home", ' '}, {"End", ' '}, {"Page Up", ' '}, {"Page Down", ' '}, {"Pause", ' '},
    {"Print", ' '}, {"Slash", '/'}, {"Backslash", '\\'}, {"[", '['}, {"]", ']'},
    {"", ' '}, {";", ';'}, {"'", '\''}, {"=", '='}, {"<", '<'},
};
}

ZEInputDevices::ZEInputDevices()
{
    ms_pInputDevices = this;
}

ZEInputDevices::~ZEInputDevices()
{
    if (ms_pInputDevices == this)
        ms_pInputDevices = nullptr;
}

char ZEInputDevices::Translate(uint32_t code)
{
    if (code < 58)
        return g_aKeys[code].m_cCharacter;
    if (code >= ZE_KEY_A && code <= ZE_KEY_Z)
        return static_cast<char>(code);
    return ' ';
}

ZEString ZEInputDevices::GetKeyName(uint32_t code)
{
    if (code < 58)
        return ZEString(g_aKeys[code].m_szName);
    if (code >= ZE_KEY_A && code <= ZE_KEY_Z)
    {
        char letter[2] = {static_cast<char>(code), '\0'};
        return ZEString(letter);
    }
    if (code >= ZE_KEY_MOUSE0 && code < ZE_KEY_JOYSTICK0)
        return ZEString::Format("Mouse Button %u", static_cast<unsigned>(code - ZE_KEY_MOUSE0));
    if (code >= ZE_KEY_JOYSTICK0 && code < ZE_KEY_COUNT)
        return ZEString::Format("Joystick Button %u", static_cast<unsigned>(code - ZE_KEY_JOYSTICK0));
    return ZEString();
}

uint32_t ZEInputDevices::GetRealTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetRealTime() : 0;
}

void ZEInputDevices::UpdateKey(uint32_t code, uint32_t& keyTime, bool down, uint32_t now, bool notify)
{
    ZEKeyStep step = ZEStepKey(keyTime, down, now, m_ulKeyRepeat);
    keyTime = step.m_ulKeyTime;
    if (!notify || !m_pEngine)
        return;
    if (step.m_eEvent == ZE_KEYEVENT_DOWN)
        m_pEngine->KeyDown(code);
    else if (step.m_eEvent == ZE_KEYEVENT_UP)
        m_pEngine->KeyUp(code);
}

void ZEInputDevices::UpdateJoystickAxes(const int32_t (&raw)[3], int32_t (&reported)[3], bool notify)
{
    if (!notify)
        return;
    bool changed = raw[0] != reported[0] || raw[1] != reported[1] || raw[2] != reported[2];
    if (!changed)
        return;
    for (int axis = 0; axis < 3; ++axis)
        reported[axis] = raw[axis];
    if (m_pEngine)
        m_pEngine->JoystickMovement(ZEJoystickDeadZone(ZEScaleJoystickAxis(raw[0])),
                                    ZEJoystickDeadZone(ZEScaleJoystickAxis(raw[1])),
                                    ZEJoystickDeadZone(ZEScaleJoystickAxis(raw[2])));
}
