#include "core/ZEInputDevices.h"

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
