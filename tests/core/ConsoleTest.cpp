#include "core/ZEApplication.h"
#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{
std::vector<std::string> g_calls;

void RecordPause() { g_calls.push_back("pause"); }
void RecordLoad(const ZEString& argument) { g_calls.push_back("load:" + std::string(argument.CStr())); }

class RecordingApp : public ZEApplication
{
public:
    void AppCommand() { g_calls.push_back("app"); }
    void AppPCommand(const ZEString& argument) { g_calls.push_back("app:" + std::string(argument.CStr())); }
};

// Input device whose Shift key the test holds down.
class ShiftInput : public ZEInputDevices
{
public:
    bool IsPressed(uint32_t code) override { return code == ZE_KEY_SHIFT && m_bShift; }
    bool m_bShift = false;
};

class ConsoleTest : public ::testing::Test
{
protected:
    void SetUp() override { g_calls.clear(); }

    std::string Newest() const
    {
        const ZEConsoleMessage* message = m_Console.GetMessages();
        return message ? message->m_Text.CStr() : "";
    }
    ZEMessageMode NewestMode() const { return m_Console.GetMessages()->m_Mode; }
    size_t LogSize() const
    {
        size_t count = 0;
        for (const ZEConsoleMessage* m = m_Console.GetMessages(); m; m = m->m_pNext)
            ++count;
        return count;
    }
    void Type(const char* keys)
    {
        for (const char* c = keys; *c; ++c)
        {
            if (*c >= 'a' && *c <= 'z')
                m_Console.KeyDown(ZE_KEY_A + (*c - 'a'));
            else if (*c >= '0' && *c <= '9')
                m_Console.KeyDown(static_cast<uint32_t>(*c - '0'));
            else if (*c == ' ')
                m_Console.KeyDown(ZE_KEY_SPACE);
        }
    }

    ZEManualTimer m_Timer;
    RecordingApp m_App;
    ZEConsole m_Console;
};
}

TEST_F(ConsoleTest, LinesAreLowerCasedBeforeTheyAreSplit)
{
    m_Console.RegisterCommand(ZEString("Pause"), &RecordPause);
    m_Console.RegisterPCommand(ZEString("load"), &RecordLoad);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("]pause")));
    EXPECT_TRUE(m_Console.PerformAction(ZEString("PAUSE")));
    EXPECT_TRUE(m_Console.PerformAction(ZEString("load Track.BSP")));
    EXPECT_TRUE(m_Console.PerformAction(ZEString("load  two  blanks")));
    EXPECT_TRUE(m_Console.PerformAction(ZEString("load")));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"pause", "pause", "load:track.bsp", "load: two  blanks", "load:"}));
}

TEST_F(ConsoleTest, ApplicationCommandsRunOnTheApplication)
{
    m_Console.RegisterAppCommand(ZEString("noarg"), static_cast<ZEConsoleAppFunction>(&RecordingApp::AppCommand));
    m_Console.RegisterAppPCommand(ZEString("witharg"),
                                  static_cast<ZEConsoleAppPFunction>(&RecordingApp::AppPCommand));
    EXPECT_TRUE(m_Console.PerformAction(ZEString("noarg")));
    EXPECT_TRUE(m_Console.PerformAction(ZEString("witharg X")));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"app", "app:x"}));
}

TEST_F(ConsoleTest, UnknownCommandsAndBadSetsComplain)
{
    EXPECT_FALSE(m_Console.PerformAction(ZEString("frobnicate")));
    EXPECT_EQ(Newest(), "Unknown command");
    EXPECT_EQ(NewestMode(), ZE_MSG_SPECIAL);
    EXPECT_FALSE(m_Console.PerformAction(ZEString("set")));
    EXPECT_EQ(Newest(), "Usage: set <variable> <value>");
    EXPECT_FALSE(m_Console.PerformAction(ZEString("")));
    EXPECT_FALSE(m_Console.PerformAction(ZEString("]")));
}

TEST_F(ConsoleTest, SetParsesEachVariableKind)
{
    int32_t shadowType = 7;
    uint32_t maxDecals = 100;
    float decalDist = 320.0f;
    ZEString name("old");
    m_Console.RegisterIntVar(ZEString("shadowtype"), &shadowType);
    m_Console.RegisterUIntVar(ZEString("maxdecals"), &maxDecals);
    m_Console.RegisterFloatVar(ZEString("decaldist"), &decalDist);
    m_Console.RegisterStringVar(ZEString("playername"), &name);

    EXPECT_TRUE(m_Console.PerformAction(ZEString("set maxdecals -5")));
    EXPECT_EQ(maxDecals, 5u);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set shadowtype abc")));
    EXPECT_EQ(shadowType, 0);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set   shadowtype    -2147483648")));
    EXPECT_EQ(shadowType, INT32_MIN);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set shadowtype 99999999999")));
    EXPECT_EQ(shadowType, INT32_MAX);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set shadowtype 3x")));
    EXPECT_EQ(shadowType, 3);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set decaldist 12.5")));
    EXPECT_FLOAT_EQ(decalDist, 12.5f);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set decaldist nan")));
    EXPECT_EQ(decalDist, 0.0f);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set decaldist 1e999")));
    EXPECT_EQ(decalDist, 0.0f);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("set PlayerName Hans  Muster")));
    EXPECT_STREQ(name.CStr(), "hans  muster");
    // No message on success.
    EXPECT_EQ(LogSize(), 0u);
}

TEST_F(ConsoleTest, SetMatchesTheFirstThreeLettersOnly)
{
    int32_t tle = 0;
    m_Console.RegisterIntVar(ZEString("tle"), &tle);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("settle 4")));
    EXPECT_EQ(tle, 4);
}

TEST_F(ConsoleTest, VariablesShowTheirValues)
{
    uint32_t maxDecals = 100;
    float decalDist = 320.0f;
    int32_t negative = -3;
    ZEString empty;
    m_Console.RegisterUIntVar(ZEString("maxdecals"), &maxDecals);
    m_Console.RegisterFloatVar(ZEString("decaldist"), &decalDist);
    m_Console.RegisterIntVar(ZEString("negative"), &negative);
    m_Console.RegisterStringVar(ZEString("empty"), &empty);

    EXPECT_TRUE(m_Console.PerformAction(ZEString("maxdecals")));
    EXPECT_EQ(Newest(), "maxdecals currently is \"100\"");
    EXPECT_EQ(NewestMode(), ZE_MSG_DEFAULT);
    EXPECT_TRUE(m_Console.PerformAction(ZEString("decaldist")));
    EXPECT_EQ(Newest(), "decaldist currently is \"320.000000\"");
    EXPECT_TRUE(m_Console.PerformAction(ZEString("negative")));
    EXPECT_EQ(Newest(), "negative currently is \"-3\"");
    EXPECT_TRUE(m_Console.PerformAction(ZEString("empty")));
    EXPECT_EQ(Newest(), "empty currently is \"\"");

    std::string longText(3000, 'q');
    empty = longText.c_str();
    EXPECT_TRUE(m_Console.PerformAction(ZEString("empty")));
    EXPECT_EQ(Newest(), "empty currently is \"" + longText + "\"");
}

TEST_F(ConsoleTest, FirstRegistrationWins)
{
    int32_t first = 1, second = 2;
    m_Console.RegisterIntVar(ZEString("Detail"), &first);
    m_Console.RegisterIntVar(ZEString("detail"), &second);
    m_Console.PerformAction(ZEString("set detail 9"));
    EXPECT_EQ(first, 9);
    EXPECT_EQ(second, 2);

    m_Console.UnregisterVar(ZEString("detail"));
    EXPECT_EQ(m_Console.GetVar(ZEString("detail")), nullptr);

    m_Console.RegisterCommand(ZEString("go"), &RecordPause);
    m_Console.RegisterPCommand(ZEString("go"), &RecordLoad);
    m_Console.PerformAction(ZEString("go now"));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"pause"}));
    m_Console.UnregisterCommand(ZEString("go"));
    m_Console.PerformAction(ZEString("go now"));
    EXPECT_EQ(g_calls, (std::vector<std::string>{"pause", "load:now"}));
}

TEST_F(ConsoleTest, EnteredLinesAreEchoedAndMarked)
{
    m_Console.RegisterCommand(ZEString("pause"), &RecordPause);
    EXPECT_TRUE(m_Console.EnterCommand(ZEString("]pause"), false));
    EXPECT_EQ(Newest(), "]pause");
    EXPECT_EQ(NewestMode(), ZE_MSG_SPECIAL);

    EXPECT_FALSE(m_Console.EnterCommand(ZEString("]nothing"), false));
    // Newest is the complaint; the echo below it stays mode 0.
    EXPECT_EQ(Newest(), "Unknown command");
    EXPECT_EQ(m_Console.GetMessages()->m_pNext->m_Mode, ZE_MSG_DEFAULT);

    size_t before = LogSize();
    EXPECT_TRUE(m_Console.EnterCommand(ZEString("pause"), true));
    EXPECT_EQ(LogSize(), before);
}

TEST_F(ConsoleTest, ACommandMayClearTheLogItIsEchoedIn)
{
    static ZEConsole* console = nullptr;
    console = &m_Console;
    m_Console.RegisterCommand(ZEString("clear"), [] {
        while (console->GetMessages())
            console->RemoveMsg(console->GetMessages());
    });
    EXPECT_TRUE(m_Console.EnterCommand(ZEString("clear"), false));
    EXPECT_EQ(LogSize(), 0u);
}

TEST_F(ConsoleTest, ModeFiveIsNeverStoredAndTheLogIsCapped)
{
    m_Console.ConsoleMessage(ZEString("gone"), ZE_MSG_DISCARD);
    EXPECT_EQ(LogSize(), 0u);
    for (uint32_t i = 0; i < ZEConsole::ms_ulMaxMessages + 50; ++i)
        m_Console.ConsoleMessage(ZEString::Format("line %u", i), ZE_MSG_NOTICE);
    EXPECT_EQ(LogSize(), ZEConsole::ms_ulMaxMessages);
    EXPECT_EQ(Newest(), "line " + std::to_string(ZEConsole::ms_ulMaxMessages + 49));
}

TEST_F(ConsoleTest, MessagesAreStampedWithWallTime)
{
    m_Timer.SetTimeFactor(0.0f);
    m_Timer.Advance(1234);
    ZEConsole::Post("files", ZEString("archive rejected"), ZE_MSG_ERROR);
    EXPECT_EQ(Newest(), "files: archive rejected");
    EXPECT_EQ(m_Console.GetMessages()->m_ulTime, m_Timer.GetRealTime());
}

TEST_F(ConsoleTest, TypingEditsTheInputLine)
{
    ShiftInput input;
    m_Console.SetState(ZE_CONSOLE_FULL);
    Type("load a");
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]load a");
    input.m_bShift = true;
    m_Console.KeyDown(ZE_KEY_A);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]load aA");
    input.m_bShift = false;

    // Keys without a character are ignored; out-of-range codes too.
    m_Console.KeyDown(ZE_KEY_F1);
    m_Console.KeyDown(ZE_KEY_NONE);
    m_Console.KeyDown(5000);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]load aA");

    m_Console.KeyDown(ZE_KEY_BACKSPACE);
    m_Console.KeyDown(ZE_KEY_LEFT);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]load ");
    for (int i = 0; i < 20; ++i)
        m_Console.KeyDown(ZE_KEY_BACKSPACE);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]");

    Type("abc");
    m_Console.KeyDown(ZE_KEY_DOWN);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]");

    // Both ends of the alphabet are lowered, and kept with Shift.
    Type("za");
    input.m_bShift = true;
    m_Console.KeyDown(ZE_KEY_Z);
    m_Console.KeyDown(ZE_KEY_A);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]zaZA");
}

TEST_F(ConsoleTest, EnterRunsTheLineAndUpRecallsIt)
{
    m_Console.RegisterCommand(ZEString("pause"), &RecordPause);
    m_Console.SetState(ZE_CONSOLE_FULL);
    // Up on an empty log does nothing.
    m_Console.KeyDown(ZE_KEY_UP);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]");

    Type("pause");
    m_Console.KeyDown(ZE_KEY_ENTER);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"pause"}));
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]");
    EXPECT_EQ(Newest(), "]pause");
    EXPECT_EQ(NewestMode(), ZE_MSG_SPECIAL);

    m_Console.KeyDown(ZE_KEY_UP);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]pause");

    // A newest message that is not an echo is not recalled.
    m_Console.ConsoleMessage(ZEString("hello"), ZE_MSG_DEFAULT);
    m_Console.KeyDown(ZE_KEY_DOWN);
    m_Console.KeyDown(ZE_KEY_UP);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]");
}

TEST_F(ConsoleTest, TheLineNeverGrowsPastItsLength)
{
    // 640 pixels / trunc(16 * 0.85) = 49 characters, prompt included.
    EXPECT_EQ(m_Console.GetLineLength(), 49u);
    m_Console.SetState(ZE_CONSOLE_FULL);
    for (int i = 0; i < 60; ++i)
        m_Console.KeyDown(ZE_KEY_A);
    m_Console.KeyDown(ZE_KEY_A + 1);
    std::string line = m_Console.GetInputLine().CStr();
    EXPECT_EQ(line.size(), 49u);
    EXPECT_EQ(line.back(), 'b');

    // A recalled echo longer than the line is cut to fit.
    m_Console.ConsoleMessage(ZEString(("]" + std::string(80, 'x')).c_str()), ZE_MSG_DEFAULT);
    m_Console.KeyDown(ZE_KEY_UP);
    EXPECT_EQ(m_Console.GetInputLine().GetLength(), 49u);
}

TEST_F(ConsoleTest, FontSizesNeverDivideByZero)
{
    m_Console.SetFontSize(1);
    EXPECT_EQ(m_Console.GetLineLength(), 640u);
    m_Console.SetFontSize(0);
    EXPECT_EQ(m_Console.GetLineLength(), 640u);
    m_Console.SetFontSize(32);
    EXPECT_EQ(m_Console.GetLineLength(), 640u / 27u);
}

TEST_F(ConsoleTest, StatesAndAnimations)
{
    m_Console.SetState(ZE_CONSOLE_HALF);
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_OPENING);
    m_Console.SetState(static_cast<ZEConsoleState>(3));
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_OPENING);

    m_Console.SetState(ZE_CONSOLE_FULL);
    Type("abc");
    m_Console.SetState(ZE_CONSOLE_CLOSED);
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_CLOSED);
    EXPECT_STREQ(m_Console.GetInputLine().CStr(), "]");

    m_Console.SetState(ZE_CONSOLE_FULL);
    m_Console.KeyDown(ZE_KEY_TAB);
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_CLOSED);
}

namespace
{
class ConsoleRenderTest : public ConsoleTest
{
protected:
    ZERecordingRenderer m_Renderer;

    std::vector<std::string> TextLines()
    {
        std::vector<std::string> lines;
        for (const std::string& line : m_Renderer.m_Log)
            if (line.rfind("DrawText", 0) == 0)
                lines.push_back(line.substr(0, line.find(" font=")));
        return lines;
    }

    // The one background rectangle of an animation frame: its top and bottom
    // (screen fractions) and the alpha it was drawn with.
    struct Slide
    {
        float top = -9, bottom = -9;
        unsigned alpha = 999;
    };
    Slide RenderedSlide()
    {
        Slide slide;
        int rectangle = m_Renderer.Find("DrawRectanglef ");
        int colour = m_Renderer.Find("SetAmbient 255 255 255 ");
        EXPECT_EQ(m_Renderer.Count("DrawRectanglef "), 1u);
        if (rectangle < 0 || colour < 0 || colour > rectangle)
        {
            ADD_FAILURE() << "no coloured background drawn";
            return slide;
        }
        float left = -9, right = -9;
        std::sscanf(m_Renderer.m_Log[rectangle].c_str(), "DrawRectanglef %f %f %f %f", &left, &slide.top, &right,
                    &slide.bottom);
        std::sscanf(m_Renderer.m_Log[colour].c_str(), "SetAmbient 255 255 255 %u", &slide.alpha);
        EXPECT_EQ(left, 0.0f);
        EXPECT_EQ(right, 1.0f);
        return slide;
    }

    // Starts the animation, lets `ms` pass and draws one frame.
    Slide SlideAfter(ZEConsoleState request, uint32_t ms)
    {
        m_Console.SetState(request);
        m_Timer.Advance(ms);
        m_Renderer.Clear();
        m_Console.Render(&m_Renderer);
        return RenderedSlide();
    }
};
}

TEST_F(ConsoleRenderTest, ClosedConsoleShowsUserMessagesForTwoAndAHalfSeconds)
{
    m_Console.ConsoleMessage(ZEString("error"), ZE_MSG_ERROR);
    m_Console.ConsoleMessage(ZEString("user"), ZE_MSG_USER);
    m_Timer.Advance(1000);
    m_Console.ConsoleMessage(ZEString("notice"), ZE_MSG_NOTICE);
    m_Console.Render(&m_Renderer);
    EXPECT_EQ(TextLines(), (std::vector<std::string>{"DrawText 0 0 16 notice", "DrawText 0 16 16 user"}));

    m_Renderer.Clear();
    m_Timer.Advance(1499);   // "user" is 2499 ms old
    m_Console.Render(&m_Renderer);
    EXPECT_EQ(TextLines().size(), 2u);

    m_Renderer.Clear();
    m_Timer.Advance(1);
    m_Console.Render(&m_Renderer);
    EXPECT_EQ(TextLines(), (std::vector<std::string>{"DrawText 0 0 16 notice"}));
}

TEST_F(ConsoleRenderTest, OpenConsoleShowsTheLogAboveTheInputLine)
{
    m_Console.ConsoleMessage(ZEString("older"), ZE_MSG_DEFAULT);
    m_Console.ConsoleMessage(ZEString("hidden notice"), ZE_MSG_NOTICE);
    m_Console.ConsoleMessage(ZEString("newer"), ZE_MSG_ERROR);
    m_Console.SetState(ZE_CONSOLE_FULL);
    m_Console.Render(&m_Renderer);
    // Baseline 480 - 32 = 448 for the input line, each message a line up.
    EXPECT_EQ(TextLines(), (std::vector<std::string>{"DrawText 0 448 16 ]", "DrawText 0 432 16 newer",
                                                     "DrawText 0 416 16 older"}));
    EXPECT_GE(m_Renderer.Count("DrawRectanglef 0 0 1 1"), 1u);
    EXPECT_GE(m_Renderer.Count("SetAmbient3 255 0 0"), 1u);   // the error colour
}

TEST_F(ConsoleRenderTest, LinesThatNoLongerFitLeaveTheLog)
{
    for (int i = 0; i < 40; ++i)
        m_Console.ConsoleMessage(ZEString::Format("line %d", i), ZE_MSG_DEFAULT);
    m_Console.ConsoleMessage(ZEString("notice"), ZE_MSG_NOTICE);
    m_Console.SetState(ZE_CONSOLE_FULL);
    m_Console.Render(&m_Renderer);
    // 448 / 16 = 28 lines fit above the input line; the notice takes none.
    EXPECT_EQ(LogSize(), 29u);
}

TEST_F(ConsoleRenderTest, OpeningAndClosingAnimate)
{
    m_Console.SetState(ZE_CONSOLE_HALF);
    m_Timer.Advance(375);
    m_Console.Render(&m_Renderer);
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_OPENING);
    EXPECT_GE(m_Renderer.Count("DrawRectanglef 0 -0.25 1 0.25"), 1u);
    EXPECT_TRUE(TextLines().empty());

    m_Timer.Advance(376);
    m_Console.Render(&m_Renderer);
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_HALF);

    m_Console.SetState(ZE_CONSOLE_CLOSED);
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_CLOSING);
    m_Timer.Advance(751);
    m_Console.Render(&m_Renderer);
    EXPECT_EQ(m_Console.GetState(), ZE_CONSOLE_CLOSED);
}

// f = elapsed / 750. Opening: alpha f * 255 between f/2 - 1/2 and f/2;
// closing: alpha 255 - f * 255 between -f/2 and 1/2 - f/2. Both meet at
// f = 1/2, so the frames are taken a fifth and four fifths of the way.
TEST_F(ConsoleRenderTest, AnimationsSlideAndFadeAtTheRightPace)
{
    struct Frame
    {
        bool opening;
        uint32_t ms;
        float top, bottom;
        unsigned alpha;
    };
    const Frame frames[] = {
        {true, 150, -0.4f, 0.1f, 51},  {true, 600, -0.1f, 0.4f, 204},
        {false, 150, -0.1f, 0.4f, 204}, {false, 600, -0.4f, 0.1f, 51},
    };
    for (const Frame& frame : frames)
    {
        SCOPED_TRACE(std::string(frame.opening ? "opening " : "closing ") + std::to_string(frame.ms) + " ms");
        if (frame.opening)
        {
            m_Console.SetState(ZE_CONSOLE_CLOSED);
        }
        else
        {
            m_Console.SetState(ZE_CONSOLE_HALF);
            m_Timer.Advance(751);
            m_Console.Render(&m_Renderer);
            ASSERT_EQ(m_Console.GetState(), ZE_CONSOLE_HALF);
        }
        Slide slide = SlideAfter(frame.opening ? ZE_CONSOLE_HALF : ZE_CONSOLE_CLOSED, frame.ms);
        EXPECT_EQ(m_Console.GetState(), frame.opening ? ZE_CONSOLE_OPENING : ZE_CONSOLE_CLOSING);
        EXPECT_NEAR(slide.top, frame.top, 1e-5);
        EXPECT_NEAR(slide.bottom, frame.bottom, 1e-5);
        EXPECT_NEAR(slide.alpha, frame.alpha, 1.0);
    }
}

TEST_F(ConsoleRenderTest, HalfScreenConsoleWritesAboveTheMiddleOfTheScreen)
{
    for (int i = 0; i < 20; ++i)
        m_Console.ConsoleMessage(ZEString::Format("line %d", i), ZE_MSG_DEFAULT);
    m_Console.SetState(ZE_CONSOLE_HALF);
    m_Timer.Advance(751);
    m_Console.Render(&m_Renderer);
    ASSERT_EQ(m_Console.GetState(), ZE_CONSOLE_HALF);

    m_Renderer.Clear();
    m_Console.Render(&m_Renderer);
    // Baseline 480 / 2 - 32 = 208; 208 / 16 = 13 lines fit above it.
    std::vector<std::string> lines = TextLines();
    ASSERT_EQ(lines.size(), 14u);
    EXPECT_EQ(lines[0], "DrawText 0 208 16 ]");
    EXPECT_EQ(lines[1], "DrawText 0 192 16 line 19");
    EXPECT_EQ(lines[13], "DrawText 0 0 16 line 7");
    EXPECT_EQ(LogSize(), 13u);
}
