// Key names and characters, the key and joystick rules every device shares,
// and those rules as a device applies them through the engine.
#include "core/ZEInputDevices.h"
#include "core/ZEInputRules.h"
#include "support/TestApplication.h"
#include "world/ZEEngine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Events = std::vector<std::string>;

std::string Name(uint32_t code)
{
    return ZEInputDevices::GetKeyName(code).CStr();
}

// One key polled as {real time, held} in turn; the events the rule names.
Events RunKey(const std::vector<std::pair<uint32_t, bool>>& polls, uint32_t repeat)
{
    Events events;
    uint32_t keyTime = 0;
    for (const auto& [now, down] : polls)
    {
        ZEKeyStep step = ZEStepKey(keyTime, down, now, repeat);
        keyTime = step.m_ulKeyTime;
        if (step.m_eEvent != ZE_KEYEVENT_NONE)
            events.push_back((step.m_eEvent == ZE_KEYEVENT_DOWN ? "down@" : "up@") + std::to_string(now));
    }
    return events;
}
}

TEST(KeyTable, NamesIncludingGeneratedOnes)
{
    EXPECT_EQ(Name(93), "Mouse Button 2");
    EXPECT_EQ(Name(99), "Mouse Button 8");
    EXPECT_EQ(Name(25), "F5");
    EXPECT_EQ(Name(32), "F12");
    EXPECT_EQ(Name(104), "Joystick Button 4");
    EXPECT_EQ(Name(109), "Joystick Button 9");
    EXPECT_EQ(Name(90), "Z");
    EXPECT_EQ(Name(45), "Page Up");
    EXPECT_EQ(Name(55), "'");
    for (uint32_t code : {20u, 53u, 58u, 64u, 110u, 5000u, UINT32_MAX})
        EXPECT_EQ(Name(code), "") << code;
}

TEST(KeyTable, Characters)
{
    EXPECT_EQ(ZEInputDevices::Translate(65), 'A');
    EXPECT_EQ(ZEInputDevices::Translate(12), '*');
    EXPECT_EQ(ZEInputDevices::Translate(33), '\n');
    EXPECT_EQ(ZEInputDevices::Translate(37), '\t');
    EXPECT_EQ(ZEInputDevices::Translate(40), '\b');
    EXPECT_EQ(ZEInputDevices::Translate(50), '\\');
    for (uint32_t code : {16u, 53u, 60u, 91u, 104u, 110u, 200u, UINT32_MAX})
        EXPECT_EQ(ZEInputDevices::Translate(code), ' ') << code;
}

TEST(KeyRule, DownOnceUpOnceWithoutRepeat)
{
    EXPECT_EQ(RunKey({{1000, true}, {1100, true}, {90000, true}, {90010, false}, {90020, false}}, 0),
              (Events{"down@1000", "up@90010"}));
}

TEST(KeyRule, RepeatOnTheFirstPollMoreThanTheIntervalAfterTheLast)
{
    EXPECT_EQ(RunKey({{1000, true}, {1250, true}, {1251, true}, {1501, true}, {1502, true}}, 250),
              (Events{"down@1000", "down@1251", "down@1502"}));
    EXPECT_EQ(ZEStepKey(UINT32_MAX - 100, true, 149, 250).m_eEvent, ZE_KEYEVENT_NONE) << "across the wrap";
    EXPECT_EQ(ZEStepKey(UINT32_MAX - 100, true, 150, 250).m_eEvent, ZE_KEYEVENT_DOWN);
}

TEST(KeyRule, APressAtTimeZeroIsNotMistakenForUp)
{
    EXPECT_EQ(RunKey({{0, true}, {0, true}, {10, true}, {20, false}}, 0), (Events{"down@0", "up@20"}));
    EXPECT_EQ(RunKey({{0, true}, {249, true}, {250, true}}, 250), (Events{"down@0", "down@250"}))
        << "stamped one millisecond early";
}

TEST(JoystickRule, TruncatedScaleAndDeadZone)
{
    EXPECT_EQ(ZEScaleJoystickAxis(320), 9);
    EXPECT_EQ(ZEJoystickDeadZone(9), 0);
    EXPECT_EQ(ZEScaleJoystickAxis(32767), 999);
    EXPECT_EQ(ZEScaleJoystickAxis(-32768), -1000);
    EXPECT_EQ(ZEScaleJoystickAxis(4096), 125) << "exact multiples do not round down";
    EXPECT_EQ(ZEScaleJoystickAxis(-360), -10) << "truncates toward zero";
    EXPECT_EQ(ZEJoystickDeadZone(-10), 0);
    EXPECT_EQ(ZEJoystickDeadZone(-11), -11);
}

namespace
{
// The scripted device reporting through a whole engine to an application
// that logs what it receives.
class ScriptedInputTest : public ::testing::Test
{
protected:
    ScriptedInputTest() { m_App.Initialize(); }

    ZEScriptedInput& Input() { return *m_App.Input(); }
    void Update() { m_App.m_pEngine->Idle(); }
    Events InputEvents()
    {
        Events events;
        for (const std::string& line : m_App.Log())
            if (line.rfind("app:Key", 0) == 0 || line.rfind("app:Mouse", 0) == 0 || line.rfind("app:Joy", 0) == 0)
                events.push_back(line);
        return events;
    }

    ZETestApplication m_App;
};
}

TEST_F(ScriptedInputTest, ChangesSeenFirstByIsPressedRaiseNoKeyEvent)
{
    Input().SetKey(ZE_KEY_Z, true);
    EXPECT_TRUE(Input().IsPressed(ZE_KEY_Z));
    Update();
    Input().SetKey(ZE_KEY_Z, false);
    EXPECT_TRUE(Input().IsNotPressed(ZE_KEY_Z));
    Update();
    EXPECT_TRUE(InputEvents().empty());

    Input().SetKey(5000, true);
    EXPECT_FALSE(Input().IsPressed(ZE_KEY_NONE));
    EXPECT_FALSE(Input().IsPressed(UINT32_MAX));
}

TEST_F(ScriptedInputTest, AnIsPressedPollDoesNotSwallowCursorOrStickMoves)
{
    Input().SetCursor(40, 30);
    Input().SetJoystickAxes(0, 16384, 0);
    EXPECT_FALSE(Input().IsPressed(ZE_KEY_A));
    Update();
    EXPECT_EQ(InputEvents(), (Events{"app:MouseMovement 40 30 40 30", "app:JoystickMovement 0 500 0"}));
}

TEST_F(ScriptedInputTest, JoystickReportsOnlyChangesAndNothingWithoutAStick)
{
    int32_t x = 1, y = 1, z = 1;
    Input().GetJoystickAxis(x, y, z);
    EXPECT_EQ(x | y | z, 0);
    Update();
    EXPECT_TRUE(InputEvents().empty());

    Input().SetJoystickAxes(320, 0, 0);
    Update();
    Update();
    Input().SetJoystickAxes(320, 0, 33);
    Update();
    EXPECT_EQ(InputEvents(), (Events{"app:JoystickMovement 0 0 0", "app:JoystickMovement 0 0 0"}))
        << "a change inside the dead zone is still a change";
    Input().GetJoystickAxis(x, y, z);
    EXPECT_EQ(x, 9) << "direct reads have no dead zone";
}
