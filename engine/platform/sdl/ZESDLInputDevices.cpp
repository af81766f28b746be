#include "platform/sdl/ZESDLInputDevices.h"

#include <SDL/SDL.h>

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

void ZESDLInputDevices::GetCursorPos(uint32_t& x, uint32_t& y)
{
    SDL_PumpEvents();
    int mouseX = 0, mouseY = 0;
    SDL_GetMouseState(&mouseX, &mouseY);
    x = static_cast<uint32_t>(mouseX > 0 ? mouseX : 0);
    y = static_cast<uint32_t>(mouseY > 0 ? mouseY : 0);
}

// Polling keys, buttons and axes, and the key table between SDL and engine
// codes, come with the input work; until then nothing is pressed, nothing
// moves and no event is raised.
void ZESDLInputDevices::UpdateKeyArray(bool) {}

void ZESDLInputDevices::GetMouseMovement(int32_t& dx, int32_t& dy)
{
    dx = 0;
    dy = 0;
}

void ZESDLInputDevices::GetJoystickAxis(int32_t& x, int32_t& y, int32_t& z)
{
    x = 0;
    y = 0;
    z = 0;
}

char ZESDLInputDevices::GetChar()
{
    return ' ';
}

uint32_t ZESDLInputDevices::TranslateSDLKeyToZEKey(uint32_t)
{
    return ZE_KEY_NONE;
}

int32_t ZESDLInputDevices::TranslateZEKeyToSDLKey(uint32_t)
{
    return -1;
}
