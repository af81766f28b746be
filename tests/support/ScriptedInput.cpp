#include "support/ScriptedInput.h"

#include "core/ZEInputRules.h"
#include "world/ZEEngine.h"

void ZEScriptedInput::SetKey(uint32_t code, bool down)
{
    if (code < ZE_KEY_COUNT)
        m_abScripted[code] = down;
}

void ZEScriptedInput::ReleaseAllKeys()
{
    for (bool& key : m_abScripted)
        key = false;
}

void ZEScriptedInput::SetCursor(uint32_t x, uint32_t y)
{
    m_ulCursorX = x;
    m_ulCursorY = y;
}

void ZEScriptedInput::SetJoystickAxes(int32_t x, int32_t y, int32_t z)
{
    m_bJoystick = true;
    m_alAxes[0] = x;
    m_alAxes[1] = y;
    m_alAxes[2] = z;
}

void ZEScriptedInput::Update()
{
    Poll(true);
}

bool ZEScriptedInput::IsPressed(uint32_t code)
{
    Poll(false);
    return code < ZE_KEY_COUNT && m_aulKeyTime[code] != 0;
}

void ZEScriptedInput::GetCursorPos(uint32_t& x, uint32_t& y)
{
    x = m_ulCursorX;
    y = m_ulCursorY;
}

void ZEScriptedInput::GetMouseMovement(int32_t& dx, int32_t& dy)
{
    dx = static_cast<int32_t>(m_ulCursorX - m_ulPolledX);
    dy = static_cast<int32_t>(m_ulCursorY - m_ulPolledY);
    m_ulPolledX = m_ulCursorX;
    m_ulPolledY = m_ulCursorY;
}

void ZEScriptedInput::GetJoystickAxis(int32_t& x, int32_t& y, int32_t& z)
{
    x = m_bJoystick ? ZEScaleJoystickAxis(m_alAxes[0]) : 0;
    y = m_bJoystick ? ZEScaleJoystickAxis(m_alAxes[1]) : 0;
    z = m_bJoystick ? ZEScaleJoystickAxis(m_alAxes[2]) : 0;
}

char ZEScriptedInput::GetChar()
{
    for (uint32_t code = 0; code < ZE_KEY_COUNT; ++code)
        if (m_abScripted[code] && Translate(code) != ' ')
            return Translate(code);
    return ' ';
}

void ZEScriptedInput::Poll(bool notify)
{
    PollKeys(notify, GetRealTime());
    if (notify)
        PollMouse();
    if (m_bJoystick)
        UpdateJoystickAxes(m_alAxes, m_alPolledAxes, notify);
}

void ZEScriptedInput::PollKeys(bool notify, uint32_t now)
{
    for (uint32_t code = 0; code < ZE_KEY_COUNT; ++code)
        UpdateKey(code, m_aulKeyTime[code], m_abScripted[code], now, notify);
}

void ZEScriptedInput::PollMouse()
{
    int32_t dx = 0, dy = 0;
    GetMouseMovement(dx, dy);
    if (m_pEngine && (dx != 0 || dy != 0))
        m_pEngine->MouseMovement(m_ulCursorX, m_ulCursorY, dx, dy, 0);
}
