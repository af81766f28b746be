// ZEConsole: the in-game command line and message log.
//
// Code registers commands (free functions or ZEApplication operations, with
// or without one text argument) and variables (pointers to a 32-bit signed
// or unsigned integer, a float or a string, which the console reads and
// writes but does not own). A line - typed, or handed over by code through
// EnterCommand - runs a command, shows a variable, or sets one with "set".
// Lines are lower-cased whole before they are split, arguments included.
// Names are stored lower-case and looked up by exact byte comparison; the
// first registration of a name is the one found.
//
// Messages go to a log, newest first. How a message shows depends on its
// mode (ZEMessageMode): 0-2 only in the open console, 3 both in the open
// console and for 2.5 s at the top of the closed screen, 4 only on the
// closed screen, 5 nowhere (never stored). The log keeps at most
// ms_ulMaxMessages entries, so it cannot grow without bound while the
// console stays closed.
//
// The one console is created by the engine and reachable as ms_pConsole;
// ZEConsole::Post is the way for any subsystem to report, and does nothing
// while no console exists (tools, early start-up).
#pragma once

#include "core/ZEString.h"

#include <cstdint>

class ZEApplication;
class ZERenderer;
class ZETextureReference;

enum ZEMessageMode : uint32_t
{
    ZE_MSG_DEFAULT = 0,   // open console only
    ZE_MSG_SPECIAL = 1,   // echo of a carried-out line, console complaints
    ZE_MSG_ERROR = 2,     // errors such as "Loading failed"
    ZE_MSG_USER = 3,      // open console, and 2.5 s on the closed screen
    ZE_MSG_NOTICE = 4,    // closed screen only
    ZE_MSG_DISCARD = 5    // never stored
};

enum ZEConsoleState : uint32_t
{
    ZE_CONSOLE_CLOSED = 0,
    ZE_CONSOLE_FULL = 1,
    ZE_CONSOLE_HALF = 2,
    ZE_CONSOLE_CLOSING = 3,
    ZE_CONSOLE_OPENING = 4
};

struct ZEConsoleMessage
{
    uint32_t m_ulTime = 0;   // real time when posted
    ZEString m_Text;
    ZEMessageMode m_Mode = ZE_MSG_DEFAULT;
    ZEConsoleMessage* m_pNext = nullptr;
};

typedef void (*ZEConsoleFunction)();
typedef void (*ZEConsolePFunction)(const ZEString&);
typedef void (ZEApplication::*ZEConsoleAppFunction)();
typedef void (ZEApplication::*ZEConsoleAppPFunction)(const ZEString&);

struct ZEConsoleCommand
{
    ZEString m_Name;
    bool m_bAppCommand = false;
    bool m_bParameter = false;
    ZEConsoleFunction m_pfnFunction = nullptr;
    ZEConsolePFunction m_pfnPFunction = nullptr;
    ZEConsoleAppFunction m_pfnAppFunction = nullptr;
    ZEConsoleAppPFunction m_pfnAppPFunction = nullptr;
    ZEConsoleCommand* m_pNext = nullptr;
};

enum ZEConsoleVarType : uint32_t
{
    ZE_VAR_INT = 1,
    ZE_VAR_UINT = 2,
    ZE_VAR_FLOAT = 3,
    ZE_VAR_STRING = 4
};

struct ZEConsoleVar
{
    ZEConsoleVarType m_Type = ZE_VAR_INT;
    ZEString m_Name;
    int32_t* m_plValue = nullptr;
    uint32_t* m_pulValue = nullptr;
    float* m_pfValue = nullptr;
    ZEString* m_pstrValue = nullptr;
    ZEConsoleVar* m_pNext = nullptr;
};

class ZEConsole
{
public:
    // Loads the font and background and lays the input line out for the
    // renderer's screen width.
    ZEConsole();
    ~ZEConsole();

    ZEConsole(const ZEConsole&) = delete;
    ZEConsole& operator=(const ZEConsole&) = delete;

    // Deletes every message, command and variable record.
    void Free();

    void RegisterIntVar(const ZEString& name, int32_t* value);
    void RegisterUIntVar(const ZEString& name, uint32_t* value);
    void RegisterFloatVar(const ZEString& name, float* value);
    void RegisterStringVar(const ZEString& name, ZEString* value);
    // Takes ownership; a record whose name is taken is deleted instead.
    void AddVar(ZEConsoleVar* var);
    void UnregisterVar(const ZEString& name);

    void RegisterCommand(const ZEString& name, ZEConsoleFunction function);
    void RegisterPCommand(const ZEString& name, ZEConsolePFunction function);
    void RegisterAppCommand(const ZEString& name, ZEConsoleAppFunction function);
    void RegisterAppPCommand(const ZEString& name, ZEConsoleAppPFunction function);
    void UnregisterCommand(const ZEString& name);

    // First record of exactly that name, or null.
    ZEConsoleVar* GetVar(const ZEString& name) const;
    ZEConsoleCommand* GetCommand(const ZEString& name) const;

    // Logs a copy of text with the current real time (mode 5 is dropped).
    void ConsoleMessage(const ZEString& text, ZEMessageMode mode);
    void AddMsg(ZEConsoleMessage* message);
    void RemoveMsg(ZEConsoleMessage* message);
    ZEConsoleMessage* GetMessages() const { return m_pMessages; }

    // Posts to the console if one exists; the subsystem tag is put in
    // front, e.g. Post("files", ...) logs "files: ...".
    static void Post(const ZEString& text, ZEMessageMode mode);
    static void Post(const char* subsystem, const ZEString& text, ZEMessageMode mode);

    // Carries out a line as code. Unless silent, the line is echoed with
    // mode 0 first and the echo becomes mode 1 when the line succeeded.
    bool EnterCommand(const ZEString& line, bool bSilent);
    // Interprets one line; false for an unknown command or a bad "set".
    bool PerformAction(const ZEString& line);

    // Line editing; the engine calls it for every key press while the
    // console is not closed.
    void KeyDown(uint32_t key);
    void SetState(ZEConsoleState state);
    ZEConsoleState GetState() const { return m_State; }
    const ZEString& GetInputLine() const { return m_InputLine; }

    void Render(ZERenderer* renderer);

    void SetFont(ZETextureReference* font);
    void SetBackground(ZETextureReference* background);
    void SetDefaultColor(uint8_t r, uint8_t g, uint8_t b);
    void SetSpecialColor(uint8_t r, uint8_t g, uint8_t b);
    void SetErrorColor(uint8_t r, uint8_t g, uint8_t b);
    void SetUserColor(uint8_t r, uint8_t g, uint8_t b);
    // Text height and line spacing; the input line holds as many glyphs as
    // fit the screen (a glyph is at least one pixel wide).
    void SetFontSize(uint32_t size);
    uint32_t GetLineLength() const { return m_ulLineLength; }
    // Re-lays the input line after a change of resolution or window size.
    void WindowSizeChanged();
    void SetCorrectColor(ZERenderer* renderer, ZEMessageMode mode);

    static ZEConsole* ms_pConsole;
    static constexpr uint32_t ms_ulMaxMessages = 512;
    static constexpr uint32_t ms_ulClosedDisplayTime = 2500;
    static constexpr uint32_t ms_ulAnimationTime = 750;

private:
    void AppendCommand(ZEConsoleCommand* command);
    bool SetVariable(const char* rest);
    void ShowVariable(const ZEConsoleVar& var);
    void RunCommand(const ZEConsoleCommand& command, const ZEString& argument);
    void ResetInputLine() { m_InputLine = "]"; }
    void TypeCharacter(uint32_t key);
    void TrimLog();
    uint32_t RealTime() const;
    void RenderBackground(ZERenderer* renderer);
    void RenderClosedNotices(ZERenderer* renderer);
    void RenderLog(ZERenderer* renderer, int32_t baseline);

    ZEConsoleState m_State = ZE_CONSOLE_CLOSED;
    uint32_t m_ulAnimStart = 0;
    ZETextureReference* m_pFont = nullptr;
    ZETextureReference* m_pBackground = nullptr;
    uint32_t m_ulFontSize = 16;
    uint32_t m_ulLineLength = 49;
    uint8_t m_aucDefaultColor[3] = {255, 255, 255};
    uint8_t m_aucSpecialColor[3] = {64, 64, 255};
    uint8_t m_aucErrorColor[3] = {255, 0, 0};
    uint8_t m_aucUserColor[3] = {192, 0, 0};
    ZEString m_InputLine{"]"};
    ZEConsoleMessage* m_pMessages = nullptr;
    ZEConsoleCommand* m_pCommands = nullptr;
    ZEConsoleVar* m_pVars = nullptr;
    uint32_t m_ulNumMessages = 0;
};
