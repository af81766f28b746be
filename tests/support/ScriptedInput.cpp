#include "support/ScriptedInput.h"

#include "core/ZETimer.h"
#include "world/ZEEngine.h"

namespace
{
const int32_t kDeadZone = 10;

int32_t WithDeadZone(int32_t value)
{
    return value >= -kDeadZone && value <= kDeadZone ? 0 : value;
}
}

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

int32_t ZEScriptedInput::ScaleAxis(int32_t raw)
{
    return static_cast<int32_t>(raw / 32.768);
}

void ZEScriptedInput::Update()
{
    Poll(true);
}

bool ZEScriptedInput::IsPressed(uint32_t code)
{
    Poll(false);
    return code < ZE_KEY_COUNT && m_abDown[code];
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
    x = m_bJoystick ? ScaleAxis(m_alAxes[0]) : 0;
    y = m_bJoystick ? ScaleAxis(m_alAxes[1]) : 0;
    z = m_bJoystick ? ScaleAxis(m_alAxes[2]) : 0;
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
    uint32_t now = ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetRealTime() : 0;
    PollKeys(notify, now);
    PollMouse(notify);
    PollJoystick(notify);
}

void ZEScriptedInput::PollKeys(bool notify, uint32_t now)
{
    bool raise = notify && m_pEngine;
    for (uint32_t code = 0; code < ZE_KEY_COUNT; ++code)
    {
        if (!m_abScripted[code])
        {
            if (m_abDown[code])
            {
                m_abDown[code] = false;
                m_aulKeyTime[code] = 0;
                if (raise)
                    m_pEngine->KeyUp(code);
            }
            continue;
        }
        bool repeat = m_abDown[code] && m_ulKeyRepeat != 0 && now - m_aulKeyTime[code] > m_ulKeyRepeat;
        if (m_abDown[code] && !repeat)
            continue;
        m_abDown[code] = true;
        m_aulKeyTime[code] = now;
        if (raise)
            m_pEngine->KeyDown(code);
    }
}

void ZEScriptedInput::PollMouse(bool notify)
{
    int32_t dx = 0, dy = 0;
    GetMouseMovement(dx, dy);
    if (notify && m_pEngine && (dx != 0 || dy != 0))
        m_pEngine->MouseMovement(m_ulCursorX, m_ulCursorY, dx, dy, 0);
}

void ZEScriptedInput::PollJoystick(bool notify)
{
    if (!m_bJoystick || !notify)
        return;
    bool changed = false;
    for (int i = 0; i < 3; ++i)
    {
        changed = changed || m_alAxes[i] != m_alPolledAxes[i];
        m_alPolledAxes[i] = m_alAxes[i];
    }
    if (changed && m_pEngine)
        m_pEngine->JoystickMovement(WithDeadZone(ScaleAxis(m_alAxes[0])),
                                    WithDeadZone(ScaleAxis(m_alAxes[1])),
                                    WithDeadZone(ScaleAxis(m_alAxes[2])));
}
