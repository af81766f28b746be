// The SDL input device without a display: the key tables in both
// directions, which SDL key counts as which code when polling, mouse button
// numbering, and polling over SDL's dummy video driver.
#include "platform/sdl/ZESDLInputDevices.h"

#include "support/TestApplication.h"
#include "world/ZEEngine.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
using Events = std::vector<std::string>;

uint32_t ToZE(uint32_t sdlKey) { return ZESDLInputDevices::TranslateSDLKeyToZEKey(sdlKey); }
int32_t ToSDL(uint32_t code) { return ZESDLInputDevices::TranslateZEKeyToSDLKey(code); }

// A recorded keyboard: the SDL keys held.
struct KeyState
{
    KeyState(std::initializer_list<int> held)
    {
        for (int key : held)
            m_aucKeys[key] = 1;
    }
    uint8_t m_aucKeys[SDLK_LAST] = {};
};

// An SDL device over the dummy video driver, reporting to a whole engine
// whose application logs what it receives.
class SDLInputDevicesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        m_App.Initialize();
        m_pDevice = new ZESDLInputDevices();
        m_pDevice->SetEnginePointer(m_App.m_pEngine);
    }
    void TearDown() override
    {
        delete m_pDevice;
        SDL_Quit();
    }

    void Poll(const KeyState& keys, uint32_t now, bool notify = true)
    {
        m_pDevice->PollKeyboard(keys.m_aucKeys, SDLK_LAST, now, notify);
    }
    bool Held(uint32_t code) const { return m_pDevice->m_aulKeyTime[code] != 0; }
    Events InputEvents()
    {
        Events events;
        for (const std::string& line : m_App.Log())
            if (line.rfind("app:Key", 0) == 0 || line.rfind("app:Mouse", 0) == 0 || line.rfind("app:Joy", 0) == 0)
                events.push_back(line);
        return events;
    }

    ZETestApplication m_App;
    ZESDLInputDevices* m_pDevice = nullptr;
};
}

TEST(SDLKeyTable, EveryPolledKeyTranslatesBackToItsCode)
{
    uint32_t polled = 0;
    for (uint32_t code = 0; code < ZE_KEY_COUNT; ++code)
        if (int32_t sdlKey = ToSDL(code); sdlKey >= 0)
        {
            ++polled;
            EXPECT_EQ(ToZE(static_cast<uint32_t>(sdlKey)), code) << code;
        }
    EXPECT_EQ(polled, 57u + 26u) << "codes 0-57 except 20, and the letters";

    EXPECT_EQ(ToSDL(12), SDLK_KP_MULTIPLY) << "Multiply exists only on the keypad";
    EXPECT_EQ(ToSDL(13), SDLK_KP_DIVIDE);
    EXPECT_EQ(ToSDL(36), SDLK_LSHIFT);
    EXPECT_EQ(ToSDL(55), SDLK_BACKQUOTE);
    EXPECT_EQ(ToSDL(65), SDLK_a);
    for (uint32_t code : {20u, 58u, 91u, 100u, 110u, UINT32_MAX})
        EXPECT_EQ(ToSDL(code), -1) << code;
    for (uint32_t sdlKey : {0u, 65u, uint32_t(SDLK_CAPSLOCK), uint32_t(SDLK_LAST), UINT32_MAX})
        EXPECT_EQ(ToZE(sdlKey), uint32_t(ZE_KEY_NONE)) << sdlKey;
}

TEST(SDLKeyTable, RightHandAndKeypadDuplicatesTranslateButAreNeverPolled)
{
    const std::pair<int, uint32_t> aliases[] = {{SDLK_KP_ENTER, 33}, {SDLK_RSHIFT, 36}, {SDLK_RCTRL, 38},
                                                {SDLK_RALT, 39},     {SDLK_BREAK, 47},  {SDLK_KP0, 0},
                                                {SDLK_KP9, 9},       {SDLK_KP_PLUS, 10}, {SDLK_KP_MINUS, 11},
                                                {SDLK_KP_PERIOD, 14}, {SDLK_KP_EQUALS, 56}};
    for (const auto& [sdlKey, code] : aliases)
    {
        EXPECT_EQ(ToZE(uint32_t(sdlKey)), code) << sdlKey;
        EXPECT_NE(ToSDL(code), sdlKey) << code;
    }
}

TEST(SDLKeyTable, TypingTakesTheFirstMappedKeyInSDLOrder)
{
    KeyState enter({SDLK_CLEAR, SDLK_KP_ENTER, SDLK_RETURN});
    EXPECT_EQ(ZESDLInputDevices::FindHeldKey(enter.m_aucKeys, SDLK_LAST), 33u);
    KeyState letters({SDLK_q, SDLK_b});
    EXPECT_EQ(ZESDLInputDevices::FindHeldKey(letters.m_aucKeys, SDLK_LAST), 66u);
    KeyState unmapped({SDLK_CAPSLOCK});
    EXPECT_EQ(ZESDLInputDevices::FindHeldKey(unmapped.m_aucKeys, SDLK_LAST), uint32_t(ZE_KEY_NONE));
}

TEST_F(SDLInputDevicesTest, OnlyTheLeftModifiersAndMainKeysArePolled)
{
    Poll({SDLK_RSHIFT, SDLK_RCTRL, SDLK_RALT, SDLK_KP_ENTER, SDLK_KP5}, 1000);
    for (uint32_t code : {36u, 38u, 39u, 33u, 5u})
        EXPECT_FALSE(Held(code)) << code;
    Poll({SDLK_LSHIFT, SDLK_KP_MULTIPLY}, 1010);
    Poll({}, 1020);
    EXPECT_EQ(InputEvents(), (Events{"app:KeyDown 12", "app:KeyDown 36", "app:KeyUp 12", "app:KeyUp 36"}));
}

TEST_F(SDLInputDevicesTest, APressSeenFirstBySilentPollRaisesNothingLater)
{
    Poll({SDLK_SPACE}, 1000, false);
    EXPECT_TRUE(Held(ZE_KEY_SPACE));
    Poll({SDLK_SPACE}, 1010);
    EXPECT_TRUE(InputEvents().empty());
}

TEST_F(SDLInputDevicesTest, KeysBeyondAShortKeyArrayReadAsUp)
{
    KeyState left({SDLK_LEFT});
    m_pDevice->PollKeyboard(left.m_aucKeys, SDLK_LEFT, 1000, true);
    m_pDevice->PollKeyboard(nullptr, 0, 1010, true);
    EXPECT_TRUE(InputEvents().empty());
}

TEST_F(SDLInputDevicesTest, MouseButtonsAreLeftRightMiddle)
{
    m_pDevice->PollMouseButtons(SDL_BUTTON(SDL_BUTTON_MIDDLE), 1000, true);
    m_pDevice->PollMouseButtons(SDL_BUTTON(SDL_BUTTON_MIDDLE) | SDL_BUTTON(SDL_BUTTON_RIGHT), 1010, true);
    m_pDevice->PollMouseButtons(SDL_BUTTON(SDL_BUTTON_LEFT), 1020, true);
    EXPECT_EQ(InputEvents(),
              (Events{"app:KeyDown 93", "app:KeyDown 92", "app:KeyDown 91", "app:KeyUp 93", "app:KeyUp 92"}));
}

TEST_F(SDLInputDevicesTest, PollingSDLWithNothingHeldIsQuietAndSafe)
{
    EXPECT_FALSE(m_pDevice->IsPressed(ZE_KEY_A));
    EXPECT_FALSE(m_pDevice->IsPressed(ZE_KEY_NONE));
    EXPECT_TRUE(m_pDevice->IsNotPressed(5000));
    m_pDevice->Update();
    EXPECT_TRUE(InputEvents().empty());

    ASSERT_EQ(m_pDevice->m_pJoystick, nullptr) << "the joystick subsystem is not started";
    int32_t x = 1, y = 1, z = 1, dx = 1, dy = 1;
    m_pDevice->GetJoystickAxis(x, y, z);
    EXPECT_EQ(x | y | z, 0);
    m_pDevice->GetMouseMovement(dx, dy);
    EXPECT_EQ(dx | dy, 0);
}
