#include "core/ZEConsole.h"

#include "core/ZEApplication.h"
#include "core/ZEInputDevices.h"
#include "core/ZETimer.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

ZEConsole* ZEConsole::ms_pConsole = nullptr;

namespace
{
const char* SkipBlanks(const char* text)
{
    while (*text == ' ')
        ++text;
    return text;
}

// Base-10 with leading blanks and a sign; reading stops at the first other
// character and no digits give 0. Read in 64 bits so that -2147483648 and
// overlong input are handled, then clamped to the target range.
long long ParseInteger(const char* text)
{
    return std::strtoll(text, nullptr, 10);
}

int32_t ToInt32(long long value)
{
    if (value < INT32_MIN)
        return INT32_MIN;
    if (value > INT32_MAX)
        return INT32_MAX;
    return static_cast<int32_t>(value);
}

uint32_t ToUInt32(long long value)
{
    unsigned long long magnitude =
        value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    return magnitude > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(magnitude);
}

// A decimal number, 0 when there is none. Infinities and NaNs count as
// none: they would poison every distance they are compared with.
float ParseFloat(const char* text)
{
    double value = std::strtod(text, nullptr);
    return std::isfinite(value) && std::fabs(value) <= 3.4e38 ? static_cast<float>(value) : 0.0f;
}

ZETextureReference* LoadEngineTexture(const char* name, bool colorKeyed)
{
    ZETextureManager* manager = ZETextureManager::ms_pTexManager;
    if (!manager)
        return nullptr;
    uint8_t black[3] = {0, 0, 0};
    if (colorKeyed)
        return manager->GetTexture(ZEString(name), ZEString("Engine"), false, black);
    return manager->GetTexture(ZEString(name), ZEString("Engine"), false);
}
}

ZEConsole::ZEConsole()
{
    ms_pConsole = this;
    // White glyphs on black: the key makes the black transparent.
    m_pFont = LoadEngineTexture("font01", true);
    m_pBackground = LoadEngineTexture("console", false);
    WindowSizeChanged();
}

ZEConsole::~ZEConsole()
{
    Free();
    delete m_pFont;
    delete m_pBackground;
    if (ms_pConsole == this)
        ms_pConsole = nullptr;
}

void ZEConsole::Free()
{
    while (m_pMessages)
        RemoveMsg(m_pMessages);
    while (m_pCommands)
    {
        ZEConsoleCommand* next = m_pCommands->m_pNext;
        delete m_pCommands;
        m_pCommands = next;
    }
    while (m_pVars)
    {
        ZEConsoleVar* next = m_pVars->m_pNext;
        delete m_pVars;
        m_pVars = next;
    }
}

// --- Variables -------------------------------------------------------------

namespace
{
ZEConsoleVar* MakeVar(const ZEString& name, ZEConsoleVarType type)
{
    ZEConsoleVar* var = new ZEConsoleVar;
    var->m_Type = type;
    var->m_Name = name;
    var->m_Name.MakeLowerCase();
    return var;
}
}

void ZEConsole::RegisterIntVar(const ZEString& name, int32_t* value)
{
    ZEConsoleVar* var = MakeVar(name, ZE_VAR_INT);
    var->m_plValue = value;
    AddVar(var);
}

void ZEConsole::RegisterUIntVar(const ZEString& name, uint32_t* value)
{
    ZEConsoleVar* var = MakeVar(name, ZE_VAR_UINT);
    var->m_pulValue = value;
    AddVar(var);
}

void ZEConsole::RegisterFloatVar(const ZEString& name, float* value)
{
    ZEConsoleVar* var = MakeVar(name, ZE_VAR_FLOAT);
    var->m_pfValue = value;
    AddVar(var);
}

void ZEConsole::RegisterStringVar(const ZEString& name, ZEString* value)
{
    ZEConsoleVar* var = MakeVar(name, ZE_VAR_STRING);
    var->m_pstrValue = value;
    AddVar(var);
}

void ZEConsole::AddVar(ZEConsoleVar* var)
{
    if (!var)
        return;
    if (GetVar(var->m_Name))
    {
        delete var;
        return;
    }
    var->m_pNext = nullptr;
    ZEConsoleVar** tail = &m_pVars;
    while (*tail)
        tail = &(*tail)->m_pNext;
    *tail = var;
}

void ZEConsole::UnregisterVar(const ZEString& name)
{
    for (ZEConsoleVar** link = &m_pVars; *link; link = &(*link)->m_pNext)
    {
        if ((*link)->m_Name == name)
        {
            ZEConsoleVar* found = *link;
            *link = found->m_pNext;
            delete found;
            return;
        }
    }
}

ZEConsoleVar* ZEConsole::GetVar(const ZEString& name) const
{
    for (ZEConsoleVar* var = m_pVars; var; var = var->m_pNext)
        if (var->m_Name == name)
            return var;
    return nullptr;
}

// --- Commands --------------------------------------------------------------

void ZEConsole::AppendCommand(ZEConsoleCommand* command)
{
    command->m_Name.MakeLowerCase();
    ZEConsoleCommand** tail = &m_pCommands;
    while (*tail)
        tail = &(*tail)->m_pNext;
    *tail = command;
}

void ZEConsole::RegisterCommand(const ZEString& name, ZEConsoleFunction function)
{
    ZEConsoleCommand* command = new ZEConsoleCommand;
    command->m_Name = name;
    command->m_pfnFunction = function;
    AppendCommand(command);
}

void ZEConsole::RegisterPCommand(const ZEString& name, ZEConsolePFunction function)
{
    ZEConsoleCommand* command = new ZEConsoleCommand;
    command->m_Name = name;
    command->m_bParameter = true;
    command->m_pfnPFunction = function;
    AppendCommand(command);
}

void ZEConsole::RegisterAppCommand(const ZEString& name, ZEConsoleAppFunction function)
{
    ZEConsoleCommand* command = new ZEConsoleCommand;
    command->m_Name = name;
    command->m_bAppCommand = true;
    command->m_pfnAppFunction = function;
    AppendCommand(command);
}

void ZEConsole::RegisterAppPCommand(const ZEString& name, ZEConsoleAppPFunction function)
{
    ZEConsoleCommand* command = new ZEConsoleCommand;
    command->m_Name = name;
    command->m_bAppCommand = true;
    command->m_bParameter = true;
    command->m_pfnAppPFunction = function;
    AppendCommand(command);
}

void ZEConsole::UnregisterCommand(const ZEString& name)
{
    for (ZEConsoleCommand** link = &m_pCommands; *link; link = &(*link)->m_pNext)
    {
        if ((*link)->m_Name == name)
        {
            ZEConsoleCommand* found = *link;
            *link = found->m_pNext;
            delete found;
            return;
        }
    }
}

ZEConsoleCommand* ZEConsole::GetCommand(const ZEString& name) const
{
    for (ZEConsoleCommand* command = m_pCommands; command; command = command->m_pNext)
        if (command->m_Name == name)
            return command;
    return nullptr;
}

// --- Messages --------------------------------------------------------------

uint32_t ZEConsole::RealTime() const
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetRealTime() : 0;
}

void ZEConsole::ConsoleMessage(const ZEString& text, ZEMessageMode mode)
{
    if (mode == ZE_MSG_DISCARD)
        return;
    ZEConsoleMessage* message = new ZEConsoleMessage;
    message->m_ulTime = RealTime();
    message->m_Text = text;
    message->m_Mode = mode;
    AddMsg(message);
}

void ZEConsole::Post(const ZEString& text, ZEMessageMode mode)
{
    if (ms_pConsole)
        ms_pConsole->ConsoleMessage(text, mode);
}

void ZEConsole::Post(const char* subsystem, const ZEString& text, ZEMessageMode mode)
{
    if (!ms_pConsole)
        return;
    ZEString tagged = ZEString::Format("%s: %s", subsystem ? subsystem : "", text.CStr());
    ms_pConsole->ConsoleMessage(tagged, mode);
}

void ZEConsole::AddMsg(ZEConsoleMessage* message)
{
    if (!message)
        return;
    message->m_pNext = m_pMessages;
    m_pMessages = message;
    ++m_ulNumMessages;
    TrimLog();
}

void ZEConsole::RemoveMsg(ZEConsoleMessage* message)
{
    for (ZEConsoleMessage** link = &m_pMessages; *link; link = &(*link)->m_pNext)
    {
        if (*link == message)
        {
            *link = message->m_pNext;
            delete message;
            --m_ulNumMessages;
            return;
        }
    }
}

void ZEConsole::TrimLog()
{
    if (m_ulNumMessages <= ms_ulMaxMessages)
        return;
    // Keep the newest ms_ulMaxMessages; everything behind them goes.
    ZEConsoleMessage* last = m_pMessages;
    for (uint32_t i = 1; i < ms_ulMaxMessages && last; ++i)
        last = last->m_pNext;
    if (!last)
        return;
    ZEConsoleMessage* doomed = last->m_pNext;
    last->m_pNext = nullptr;
    while (doomed)
    {
        ZEConsoleMessage* next = doomed->m_pNext;
        delete doomed;
        --m_ulNumMessages;
        doomed = next;
    }
}

// --- Lines -----------------------------------------------------------------

bool ZEConsole::EnterCommand(const ZEString& line, bool bSilent)
{
    if (bSilent)
        return PerformAction(line);

    ConsoleMessage(line, ZE_MSG_DEFAULT);
    ZEConsoleMessage* echo = m_pMessages;
    bool done = PerformAction(line);
    // The action may have cleared the log; only mark the echo if it is
    // still there.
    for (ZEConsoleMessage* message = m_pMessages; done && message; message = message->m_pNext)
    {
        if (message == echo)
        {
            echo->m_Mode = ZE_MSG_SPECIAL;
            break;
        }
    }
    return done;
}

bool ZEConsole::SetVariable(const char* rest)
{
    const char* nameStart = SkipBlanks(rest);
    const char* nameEnd = nameStart;
    while (*nameEnd && *nameEnd != ' ')
        ++nameEnd;
    ZEString name;
    if (nameEnd > nameStart)
    {
        char* buffer = new char[nameEnd - nameStart + 1];
        std::memcpy(buffer, nameStart, nameEnd - nameStart);
        buffer[nameEnd - nameStart] = '\0';
        name = buffer;
        delete[] buffer;
    }
    const char* value = SkipBlanks(nameEnd);

    ZEConsoleVar* var = GetVar(name);
    if (!var)
    {
        ConsoleMessage(ZEString("Usage: set <variable> <value>"), ZE_MSG_SPECIAL);
        return false;
    }
    switch (var->m_Type)
    {
    case ZE_VAR_INT:
        *var->m_plValue = ToInt32(ParseInteger(value));
        break;
    case ZE_VAR_UINT:
        *var->m_pulValue = ToUInt32(ParseInteger(value));
        break;
    case ZE_VAR_FLOAT:
        *var->m_pfValue = ParseFloat(value);
        break;
    case ZE_VAR_STRING:
        *var->m_pstrValue = value;
        break;
    }
    return true;
}

void ZEConsole::ShowVariable(const ZEConsoleVar& var)
{
    const char* name = var.m_Name.CStr();
    ZEString text;
    switch (var.m_Type)
    {
    case ZE_VAR_INT:
        text = ZEString::Format("%s currently is \"%d\"", name, static_cast<int>(*var.m_plValue));
        break;
    case ZE_VAR_UINT:
        text = ZEString::Format("%s currently is \"%u\"", name, static_cast<unsigned>(*var.m_pulValue));
        break;
    case ZE_VAR_FLOAT:
        text = ZEString::Format("%s currently is \"%f\"", name, static_cast<double>(*var.m_pfValue));
        break;
    case ZE_VAR_STRING:
        text = ZEString::Format("%s currently is \"%s\"", name, var.m_pstrValue->CStr());
        break;
    }
    ConsoleMessage(text, ZE_MSG_DEFAULT);
}

void ZEConsole::RunCommand(const ZEConsoleCommand& command, const ZEString& argument)
{
    if (!command.m_bAppCommand)
    {
        if (command.m_bParameter)
            command.m_pfnPFunction(argument);
        else
            command.m_pfnFunction();
        return;
    }
    ZEApplication* app = ZEApplication::ms_pApp;
    if (!app)
        return;
    if (command.m_bParameter)
        (app->*command.m_pfnAppPFunction)(argument);
    else
        (app->*command.m_pfnAppFunction)();
}

bool ZEConsole::PerformAction(const ZEString& line)
{
    ZEString lowered(line);
    lowered.MakeLowerCase();
    const char* text = lowered.CStr();
    if (*text == ']')
        ++text;

    if (std::strncmp(text, "set", 3) == 0)
        return SetVariable(text + 3);

    const char* blank = std::strchr(text, ' ');
    ZEString word;
    ZEString argument;
    if (blank)
    {
        size_t length = static_cast<size_t>(blank - text);
        char* buffer = new char[length + 1];
        std::memcpy(buffer, text, length);
        buffer[length] = '\0';
        word = buffer;
        delete[] buffer;
        argument = blank + 1;
    }
    else
    {
        word = text;
    }

    if (const ZEConsoleCommand* command = GetCommand(word))
    {
        // The command may unregister itself or clear the console: work on a
        // copy of its record.
        ZEConsoleCommand call = *command;
        call.m_pNext = nullptr;
        RunCommand(call, argument);
        return true;
    }
    if (const ZEConsoleVar* var = GetVar(word))
    {
        ShowVariable(*var);
        return true;
    }
    ConsoleMessage(ZEString("Unknown command"), ZE_MSG_SPECIAL);
    return false;
}

// --- Editing ---------------------------------------------------------------

void ZEConsole::KeyDown(uint32_t key)
{
    switch (key)
    {
    case ZE_KEY_ENTER:
    {
        ZEString line(m_InputLine);
        ResetInputLine();
        EnterCommand(line, false);
        return;
    }
    case ZE_KEY_TAB:
        SetState(ZE_CONSOLE_CLOSED);
        return;
    case ZE_KEY_UP:
        if (m_pMessages && m_pMessages->m_Text.CStr()[0] == ']')
        {
            m_InputLine = m_pMessages->m_Text;
            // Never longer than the line may be.
            if (m_InputLine.GetLength() > m_ulLineLength && m_ulLineLength > 0)
                m_InputLine.Get()[m_ulLineLength] = '\0';
        }
        return;
    case ZE_KEY_DOWN:
        ResetInputLine();
        return;
    case ZE_KEY_BACKSPACE:
    case ZE_KEY_LEFT:
    {
        uint32_t length = m_InputLine.GetLength();
        if (length > 1)
            m_InputLine.Get()[length - 1] = '\0';
        return;
    }
    default:
        TypeCharacter(key);
        return;
    }
}

void ZEConsole::TypeCharacter(uint32_t key)
{
    char c = ZEInputDevices::Translate(key);
    // Keys without a character translate to a blank.
    if (c == ' ' && key != ZE_KEY_SPACE)
        return;

    bool shift = ZEInputDevices::ms_pInputDevices && ZEInputDevices::ms_pInputDevices->IsPressed(ZE_KEY_SHIFT);
    if (c >= 'A' && c <= 'Z' && !shift)
        c = static_cast<char>(c - 'A' + 'a');

    uint32_t length = m_InputLine.GetLength();
    if (length >= m_ulLineLength)
    {
        // Full: the last character is overwritten, never the prompt.
        if (length > 1)
            m_InputLine.Get()[length - 1] = c;
        return;
    }
    char typed[2] = {c, '\0'};
    m_InputLine.Append(typed);
}

void ZEConsole::SetState(ZEConsoleState state)
{
    if (state > ZE_CONSOLE_HALF)
        return;
    if (state == ZE_CONSOLE_HALF)
    {
        m_State = ZE_CONSOLE_OPENING;
        m_ulAnimStart = RealTime();
    }
    else if (state == ZE_CONSOLE_CLOSED && m_State == ZE_CONSOLE_HALF)
    {
        m_State = ZE_CONSOLE_CLOSING;
        m_ulAnimStart = RealTime();
    }
    else
    {
        m_State = state;
    }
    ResetInputLine();
}

// --- Appearance ------------------------------------------------------------

void ZEConsole::SetFont(ZETextureReference* font)
{
    if (font == m_pFont)
        return;
    delete m_pFont;
    m_pFont = font;
}

void ZEConsole::SetBackground(ZETextureReference* background)
{
    if (background == m_pBackground)
        return;
    delete m_pBackground;
    m_pBackground = background;
}

namespace
{
void SetColor(uint8_t* color, uint8_t r, uint8_t g, uint8_t b)
{
    color[0] = r;
    color[1] = g;
    color[2] = b;
}
}

void ZEConsole::SetDefaultColor(uint8_t r, uint8_t g, uint8_t b) { SetColor(m_aucDefaultColor, r, g, b); }
void ZEConsole::SetSpecialColor(uint8_t r, uint8_t g, uint8_t b) { SetColor(m_aucSpecialColor, r, g, b); }
void ZEConsole::SetErrorColor(uint8_t r, uint8_t g, uint8_t b) { SetColor(m_aucErrorColor, r, g, b); }
void ZEConsole::SetUserColor(uint8_t r, uint8_t g, uint8_t b) { SetColor(m_aucUserColor, r, g, b); }

void ZEConsole::SetFontSize(uint32_t size)
{
    m_ulFontSize = size;
    WindowSizeChanged();
}

void ZEConsole::WindowSizeChanged()
{
    uint16_t width = 640, height = 480, bpp = 16;
    if (ZERenderer::ms_pRenderer)
        ZERenderer::ms_pRenderer->GetResolution(width, height, bpp);
    uint32_t advance = static_cast<uint32_t>(m_ulFontSize * 0.85);
    m_ulLineLength = width / (advance ? advance : 1);
}

void ZEConsole::SetCorrectColor(ZERenderer* renderer, ZEMessageMode mode)
{
    const uint8_t* color = m_aucDefaultColor;
    switch (mode)
    {
    case ZE_MSG_SPECIAL:
    case ZE_MSG_DISCARD:
        color = m_aucSpecialColor;
        break;
    case ZE_MSG_ERROR:
        color = m_aucErrorColor;
        break;
    case ZE_MSG_USER:
    case ZE_MSG_NOTICE:
        color = m_aucUserColor;
        break;
    default:
        break;
    }
    renderer->SetAmbient3(color);
}

void ZEConsole::RenderBackground(ZERenderer* renderer)
{
    switch (m_State)
    {
    case ZE_CONSOLE_FULL:
    case ZE_CONSOLE_HALF:
        renderer->SetTexture(m_pBackground);
        renderer->SetAmbient(255, 255, 255);
        renderer->DrawRectanglef(0.0f, 0.0f, 1.0f, m_State == ZE_CONSOLE_FULL ? 1.0f : 0.5f);
        return;
    case ZE_CONSOLE_OPENING:
    case ZE_CONSOLE_CLOSING:
        break;
    default:
        return;
    }

    uint32_t elapsed = RealTime() - m_ulAnimStart;
    if (elapsed > ms_ulAnimationTime)
    {
        if (m_State == ZE_CONSOLE_OPENING)
        {
            m_State = ZE_CONSOLE_HALF;
            RenderBackground(renderer);
        }
        else
        {
            m_State = ZE_CONSOLE_CLOSED;
        }
        return;
    }

    float f = static_cast<float>(elapsed) / ms_ulAnimationTime;
    bool opening = m_State == ZE_CONSOLE_OPENING;
    float alpha = opening ? f * 255.0f : 255.0f - f * 255.0f;
    float top = opening ? f * 0.5f - 0.5f : -f * 0.5f;
    renderer->EnableBlending();
    renderer->SetBlendingState(4, 5);
    renderer->SetTexture(m_pBackground);
    renderer->SetAmbient(255, 255, 255, static_cast<uint8_t>(alpha));
    renderer->DrawRectanglef(0.0f, top, 1.0f, top + 0.5f);
    renderer->DisableBlending();
}

void ZEConsole::RenderClosedNotices(ZERenderer* renderer)
{
    uint32_t now = RealTime();
    int32_t y = 0;
    for (ZEConsoleMessage* message = m_pMessages; message; message = message->m_pNext)
    {
        bool shownClosed = message->m_Mode == ZE_MSG_USER || message->m_Mode == ZE_MSG_NOTICE ||
                           message->m_Mode == ZE_MSG_DISCARD;
        if (!shownClosed || now - message->m_ulTime >= ms_ulClosedDisplayTime)
            continue;
        SetCorrectColor(renderer, message->m_Mode);
        renderer->DrawText(0, y, static_cast<uint16_t>(m_ulFontSize), message->m_Text, m_pFont);
        y += static_cast<int32_t>(m_ulFontSize);
    }
}

void ZEConsole::RenderLog(ZERenderer* renderer, int32_t baseline)
{
    renderer->SetAmbient(m_aucDefaultColor[0], m_aucDefaultColor[1], m_aucDefaultColor[2], 250);
    renderer->DrawText(0, baseline, static_cast<uint16_t>(m_ulFontSize), m_InputLine, m_pFont);

    int32_t y = baseline;
    ZEConsoleMessage* message = m_pMessages;
    while (message)
    {
        ZEConsoleMessage* next = message->m_pNext;
        if (message->m_Mode != ZE_MSG_NOTICE)
        {
            y -= static_cast<int32_t>(m_ulFontSize);
            // What no longer fits on the screen leaves the log.
            if (y < 0)
            {
                RemoveMsg(message);
                message = next;
                continue;
            }
            SetCorrectColor(renderer, message->m_Mode);
            renderer->DrawText(0, y, static_cast<uint16_t>(m_ulFontSize), message->m_Text, m_pFont);
        }
        message = next;
    }
}

void ZEConsole::Render(ZERenderer* renderer)
{
    if (!renderer)
        return;
    uint16_t width = 640, height = 480, bpp = 16;
    renderer->GetResolution(width, height, bpp);

    RenderBackground(renderer);

    if (m_State == ZE_CONSOLE_OPENING || m_State == ZE_CONSOLE_CLOSING)
        return;
    renderer->EnableBlending();
    renderer->SetBlendingState(4, 5);
    if (m_State == ZE_CONSOLE_CLOSED)
        RenderClosedNotices(renderer);
    else if (m_State == ZE_CONSOLE_FULL)
        RenderLog(renderer, static_cast<int32_t>(height) - 2 * static_cast<int32_t>(m_ulFontSize));
    else
        RenderLog(renderer, static_cast<int32_t>(height) / 2 - 2 * static_cast<int32_t>(m_ulFontSize));
    renderer->DisableBlending();
}
