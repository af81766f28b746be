// WZTexts: every text the game shows through the translator.
//
// The game writes its visible texts in English and hands them to
// ZETranslator::Translate; the English text is the key that the language
// file "strings.txt" maps to the text of the chosen language. A key is
// compared byte for byte, so a text that differs from its entry by one blank
// or the case of one letter silently stays English. The keys therefore live
// here, once, and both the game's code and the check of the language file
// (tests/content/StringsTest.cpp) take them from this list: every key has an
// entry in each section of the file, and the file has no entry that is not
// a key here.
//
// Keys keep their edge blanks: " left the game" is appended to a player's
// name, "Player Name: " and "Season Results after " are followed by a value,
// and a translation keeps the same blanks at the same edge.
//
// Texts that the game shows but never translates are not keys: car names,
// driver names, key names, the countdown ("3", "2", "1", "START!"), "K.O.",
// "POWERUP" with its "AVAILABLE" line, and formats such as "%d/%d".
//
// Each key also records the largest size it is drawn at, which bounds how
// many characters of a translation fit on the narrowest screen (640 pixels):
// a centred text of n characters starts at 320 - n x 0.425 x size.
//   WZ_TEXT_LINE (16)  texts that are only shown: headings, blurbs, hints;
//   WZ_TEXT_ITEM (18)  menu items, drawn at 18 while under the cursor;
//   WZ_TEXT_BIG  (32)  the result of a race.
#pragma once

#include <cstdint>

enum WZTextSize : uint16_t
{
    WZ_TEXT_LINE = 16,
    WZ_TEXT_ITEM = 18,
    WZ_TEXT_BIG = 32
};

// X(constant, key, largest size). The order is the order of the language
// file's sections.
#define WZ_TEXTS(X)                                                                                     \
    /* Game types (WZApp::GetGameTypeName). */                                                           \
    X(WZ_TXT_NORMAL_RACE, "Normal Race", WZ_TEXT_ITEM)                                                   \
    X(WZ_TXT_RACE_WITH_POWERUPS, "Race with Powerups", WZ_TEXT_ITEM)                                     \
    X(WZ_TXT_KNOCKOUT_RACE, "Knockout Race", WZ_TEXT_ITEM)                                               \
    X(WZ_TXT_KNOCKOUT_WITH_POWERUPS, "Knockout with Powerups", WZ_TEXT_ITEM)                             \
    X(WZ_TXT_RACE_TO_DEATH, "Race to Death", WZ_TEXT_ITEM)                                               \
    /* Career races: title and three blurb lines each (WZCareerRace). */                                 \
    X(WZ_TXT_AMBULANCE_TROPHY, "Ambulance Trophy", WZ_TEXT_LINE)                                         \
    X(WZ_TXT_AMBULANCE_TROPHY_1, "Ambulance cars are VERY slow.", WZ_TEXT_LINE)                          \
    X(WZ_TXT_AMBULANCE_TROPHY_2, "But with your siren on, everybody", WZ_TEXT_LINE)                      \
    X(WZ_TXT_AMBULANCE_TROPHY_3, "has to let you through!", WZ_TEXT_LINE)                                \
    X(WZ_TXT_DOPE_TROPHY, "Dope Trophy", WZ_TEXT_LINE)                                                   \
    X(WZ_TXT_DOPE_TROPHY_1, "The drug business is very hard.", WZ_TEXT_LINE)                             \
    X(WZ_TXT_DOPE_TROPHY_2, "Because of that, the cars that transport", WZ_TEXT_LINE)                    \
    X(WZ_TXT_DOPE_TROPHY_3, "the dope are not only fast, but also armed!", WZ_TEXT_LINE)                 \
    X(WZ_TXT_FUNERAL_CUP, "Funeral Cup", WZ_TEXT_LINE)                                                   \
    X(WZ_TXT_FUNERAL_CUP_1, "Digging graves is a hard job.", WZ_TEXT_LINE)                               \
    X(WZ_TXT_FUNERAL_CUP_2, "But some undertakers have a hobby, that", WZ_TEXT_LINE)                     \
    X(WZ_TXT_FUNERAL_CUP_3, "creates distraction and new CUSTOMERS!", WZ_TEXT_LINE)                      \
    X(WZ_TXT_POLICE_CHASE, "Police Chase", WZ_TEXT_LINE)                                                 \
    X(WZ_TXT_POLICE_CHASE_1, "Cops don't only beat innocent people with their", WZ_TEXT_LINE)            \
    X(WZ_TXT_POLICE_CHASE_2, "truncheons, they also do high speed chases.", WZ_TEXT_LINE)                \
    X(WZ_TXT_POLICE_CHASE_3, "Show that you can do it better!", WZ_TEXT_LINE)                            \
    X(WZ_TXT_ARMY_TRAINING, "Army Training", WZ_TEXT_LINE)                                               \
    X(WZ_TXT_ARMY_TRAINING_1, "The army has the best toys available.", WZ_TEXT_LINE)                     \
    X(WZ_TXT_ARMY_TRAINING_2, "They are bigger, better and a lot of fun.", WZ_TEXT_LINE)                 \
    X(WZ_TXT_ARMY_TRAINING_3, "Let's test them!", WZ_TEXT_LINE)                                          \
    X(WZ_TXT_SKORVEL_TROPHY, "Skorvel Trophy", WZ_TEXT_LINE)                                             \
    X(WZ_TXT_SKORVEL_TROPHY_1, "You don't know Skorvel 2?", WZ_TEXT_LINE)                                \
    X(WZ_TXT_SKORVEL_TROPHY_2, "Then you should really go and try it out!", WZ_TEXT_LINE)                \
    X(WZ_TXT_SKORVEL_TROPHY_3, "{Sorry for the shameless advertising ;)}", WZ_TEXT_LINE)                 \
    X(WZ_TXT_ROACH_CUP, "Roach Cup", WZ_TEXT_LINE)                                                       \
    X(WZ_TXT_ROACH_CUP_1, "Cockroaches could survive a nuclear", WZ_TEXT_LINE)                           \
    X(WZ_TXT_ROACH_CUP_2, "armageddon. But do they also survive a car", WZ_TEXT_LINE)                    \
    X(WZ_TXT_ROACH_CUP_3, "running over them with 250 km/h?", WZ_TEXT_LINE)                              \
    X(WZ_TXT_CAFFEINE_RACE, "Caffeine Race", WZ_TEXT_LINE)                                               \
    X(WZ_TXT_CAFFEINE_RACE_1, "Caffeine is GOOD!", WZ_TEXT_LINE)                                         \
    X(WZ_TXT_CAFFEINE_RACE_2, "Everybody who says something", WZ_TEXT_LINE)                              \
    X(WZ_TXT_CAFFEINE_RACE_3, "else is a bitch.", WZ_TEXT_LINE)                                          \
    X(WZ_TXT_2FAST4U_CHALLENGE, "2Fast4U Challenge", WZ_TEXT_LINE)                                       \
    X(WZ_TXT_2FAST4U_CHALLENGE_1, "Who's the fastest?", WZ_TEXT_LINE)                                    \
    X(WZ_TXT_2FAST4U_CHALLENGE_2, "Like in many other games,", WZ_TEXT_LINE)                             \
    X(WZ_TXT_2FAST4U_CHALLENGE_3, "this is the question here, too.", WZ_TEXT_LINE)                       \
    X(WZ_TXT_ILLEGAL_WEAPON_RACE, "Illegal Weapon Race", WZ_TEXT_LINE)                                   \
    X(WZ_TXT_ILLEGAL_WEAPON_RACE_1, "Just tuning your car is boring!", WZ_TEXT_LINE)                     \
    X(WZ_TXT_ILLEGAL_WEAPON_RACE_2, "Arming your car with any weapon", WZ_TEXT_LINE)                     \
    X(WZ_TXT_ILLEGAL_WEAPON_RACE_3, "you can get is much more interesting!", WZ_TEXT_LINE)               \
    /* Race display. */                                                                                  \
    X(WZ_TXT_LAP, "Lap:", WZ_TEXT_LINE)                                                                  \
    X(WZ_TXT_YOU_WIN, "YOU WIN!", WZ_TEXT_BIG)                                                           \
    X(WZ_TXT_SECOND_PLACE, "Second Place", WZ_TEXT_BIG)                                                  \
    X(WZ_TXT_THIRD_PLACE, "Third Place", WZ_TEXT_BIG)                                                    \
    X(WZ_TXT_LAST_PLACE, "Last Place", WZ_TEXT_BIG)                                                      \
    X(WZ_TXT_CAR_DESTROYED, "CAR DESTROYED!", WZ_TEXT_BIG)                                               \
    X(WZ_TXT_PRESS_ESCAPE_TO_CONTINUE, "Press ESCAPE to continue", WZ_TEXT_LINE)                         \
    X(WZ_TXT_PRESS_ESCAPE_FOR_MAIN_MENU, "Press ESCAPE to go to main menu", WZ_TEXT_LINE)                \
    X(WZ_TXT_PRESS_ESCAPE_TO_CONTINUE_RACE, "Press ESCAPE to continue race.", WZ_TEXT_LINE)              \
    X(WZ_TXT_PRESS_ENTER_FOR_MAIN_MENU, "Press ENTER to go to main menu.", WZ_TEXT_LINE)                 \
    X(WZ_TXT_LOADING, "Loading...", WZ_TEXT_LINE)                                                        \
    /* Statistic screen; its buttons are WZ_TXT_CANCEL and WZ_TXT_CONTINUE. */                           \
    X(WZ_TXT_RESULTS, "Results:", WZ_TEXT_LINE)                                                          \
    X(WZ_TXT_SEASON_RESULTS_AFTER, "Season Results after ", WZ_TEXT_LINE)                                \
    X(WZ_TXT_OF_10_RACES, "of 10 races", WZ_TEXT_LINE)                                                   \
    X(WZ_TXT_SCORE, "Score:", WZ_TEXT_LINE)                                                              \
    X(WZ_TXT_SEASON_IS_OVER, "Season is over, press CONTINUE to start new one.", WZ_TEXT_LINE)           \
    X(WZ_TXT_BONUS_CAR_AVAILABLE, "The bonus car (Monster Hummer) is now available.", WZ_TEXT_LINE)      \
    /* Buttons shared by many pages. */                                                                  \
    X(WZ_TXT_DONE, "Done", WZ_TEXT_ITEM)                                                                 \
    X(WZ_TXT_CANCEL, "Cancel", WZ_TEXT_ITEM)                                                             \
    X(WZ_TXT_CONTINUE, "Continue", WZ_TEXT_ITEM)                                                         \
    /* Main menu. */                                                                                     \
    X(WZ_TXT_CAREER, "Career", WZ_TEXT_ITEM)                                                             \
    X(WZ_TXT_QUICK_RACE, "Quick Race", WZ_TEXT_ITEM)                                                     \
    X(WZ_TXT_NETWORK_RACE, "Network Race", WZ_TEXT_ITEM)                                                 \
    X(WZ_TXT_OPTIONS, "Options", WZ_TEXT_ITEM)                                                           \
    X(WZ_TXT_CREDITS, "Credits", WZ_TEXT_ITEM)                                                           \
    X(WZ_TXT_EXIT, "Exit", WZ_TEXT_ITEM)                                                                 \
    /* Options. "Language: English" shows the current language: its German */                           \
    /* entry names German. */                                                                            \
    X(WZ_TXT_VIDEO, "Video", WZ_TEXT_ITEM)                                                               \
    X(WZ_TXT_AUDIO, "Audio", WZ_TEXT_ITEM)                                                               \
    X(WZ_TXT_INPUT, "Input", WZ_TEXT_ITEM)                                                               \
    X(WZ_TXT_PLAYER_NAME, "Player Name: ", WZ_TEXT_ITEM)                                                 \
    X(WZ_TXT_PLAY_INTRO, "Play Intro", WZ_TEXT_ITEM)                                                     \
    X(WZ_TXT_DONT_PLAY_INTRO, "Don't Play Intro", WZ_TEXT_ITEM)                                          \
    X(WZ_TXT_LANGUAGE, "Language: English", WZ_TEXT_ITEM)                                                \
    X(WZ_TXT_SHOW_SPEEDOMETER, "Show Speedometer", WZ_TEXT_ITEM)                                         \
    X(WZ_TXT_DONT_SHOW_SPEEDOMETER, "Don't Show Speedometer", WZ_TEXT_ITEM)                              \
    X(WZ_TXT_CAMERA_ANIMATED, "Camera: Animated", WZ_TEXT_ITEM)                                          \
    X(WZ_TXT_CAMERA_STATIC, "Camera: Static", WZ_TEXT_ITEM)                                              \
    /* Video. */                                                                                         \
    X(WZ_TXT_640X480, "640x480", WZ_TEXT_ITEM)                                                           \
    X(WZ_TXT_800X600, "800x600", WZ_TEXT_ITEM)                                                           \
    X(WZ_TXT_1024X768, "1024x768", WZ_TEXT_ITEM)                                                         \
    X(WZ_TXT_1280X1024, "1280x1024", WZ_TEXT_ITEM)                                                       \
    X(WZ_TXT_COLOR_DEPTH_16, "Color Depth: 16Bit", WZ_TEXT_ITEM)                                         \
    X(WZ_TXT_COLOR_DEPTH_32, "Color Depth: 32Bit", WZ_TEXT_ITEM)                                         \
    X(WZ_TXT_FULLSCREEN, "Fullscreen", WZ_TEXT_ITEM)                                                     \
    X(WZ_TXT_IN_WINDOW, "In Window", WZ_TEXT_ITEM)                                                       \
    X(WZ_TXT_DETAILS_VERY_HIGH, "Details: Very High", WZ_TEXT_ITEM)                                      \
    X(WZ_TXT_DETAILS_HIGH, "Details: High", WZ_TEXT_ITEM)                                                \
    X(WZ_TXT_DETAILS_MEDIUM, "Details: Medium", WZ_TEXT_ITEM)                                            \
    X(WZ_TXT_DETAILS_LOW, "Details: Low", WZ_TEXT_ITEM)                                                  \
    X(WZ_TXT_DETAILS_VERY_LOW, "Details: Very Low", WZ_TEXT_ITEM)                                        \
    X(WZ_TXT_REARVIEW_MIRROR, "Rearview Mirror", WZ_TEXT_ITEM)                                           \
    X(WZ_TXT_NO_REARVIEW_MIRROR, "No Rearview Mirror", WZ_TEXT_ITEM)                                     \
    /* Audio. */                                                                                         \
    X(WZ_TXT_GENERAL_VOLUME, "General Volume", WZ_TEXT_ITEM)                                             \
    X(WZ_TXT_MUSIC_VOLUME, "Music Volume", WZ_TEXT_ITEM)                                                 \
    X(WZ_TXT_BACKGROUND_MUSIC, "Background Music:", WZ_TEXT_ITEM)                                        \
    X(WZ_TXT_DEFAULT_GAME_MUSIC, "Default Game Music", WZ_TEXT_ITEM)                                     \
    X(WZ_TXT_FROM_CD, "From CD", WZ_TEXT_ITEM)                                                           \
    X(WZ_TXT_NONE, "None", WZ_TEXT_ITEM)                                                                 \
    /* Input: the eleven actions in key-binding order, the page turns and */                             \
    /* the joystick page. */                                                                             \
    X(WZ_TXT_ACCELERATE, "Accelerate", WZ_TEXT_ITEM)                                                     \
    X(WZ_TXT_BRAKE, "Brake", WZ_TEXT_ITEM)                                                               \
    X(WZ_TXT_STEER_LEFT, "Steer Left", WZ_TEXT_ITEM)                                                     \
    X(WZ_TXT_STEER_RIGHT, "Steer Right", WZ_TEXT_ITEM)                                                   \
    X(WZ_TXT_HANDBRAKE, "Handbrake", WZ_TEXT_ITEM)                                                       \
    X(WZ_TXT_HORN, "Horn", WZ_TEXT_ITEM)                                                                 \
    X(WZ_TXT_USE_POWERUP, "Use Powerup", WZ_TEXT_ITEM)                                                   \
    X(WZ_TXT_RESET, "Reset", WZ_TEXT_ITEM)                                                               \
    X(WZ_TXT_CAM_POSITION, "Cam Position", WZ_TEXT_ITEM)                                                 \
    X(WZ_TXT_LOOK_BACK, "Look Back", WZ_TEXT_ITEM)                                                       \
    X(WZ_TXT_SCREENSHOT, "Screenshot", WZ_TEXT_ITEM)                                                     \
    X(WZ_TXT_NEXT_PAGE, "Next Page", WZ_TEXT_ITEM)                                                       \
    X(WZ_TXT_PREVIOUS_PAGE, "Previous Page", WZ_TEXT_ITEM)                                               \
    X(WZ_TXT_ENABLE_JOYSTICK, "Enable Joystick", WZ_TEXT_ITEM)                                           \
    X(WZ_TXT_DISABLE_JOYSTICK, "Disable Joystick", WZ_TEXT_ITEM)                                         \
    X(WZ_TXT_GAS_PEDAL_Y_AXIS, "Gas Pedal: Y-Axis", WZ_TEXT_ITEM)                                        \
    X(WZ_TXT_GAS_PEDAL_Z_AXIS, "Gas Pedal: Z-Axis", WZ_TEXT_ITEM)                                        \
    X(WZ_TXT_GAS_PEDAL_NONE, "Gas Pedal: None", WZ_TEXT_ITEM)                                            \
    X(WZ_TXT_JOYSTICK_SENSITIVITY, "Joystick Sensitivity", WZ_TEXT_ITEM)                                 \
    /* Career and race set-up pages. */                                                                  \
    X(WZ_TXT_DIFFICULTY, "Difficulty:", WZ_TEXT_ITEM)                                                    \
    X(WZ_TXT_EASY, "Easy", WZ_TEXT_ITEM)                                                                 \
    X(WZ_TXT_MEDIUM, "Medium", WZ_TEXT_ITEM)                                                             \
    X(WZ_TXT_HARD, "Hard", WZ_TEXT_ITEM)                                                                 \
    X(WZ_TXT_CONTINUE_CAREER, "Continue Career", WZ_TEXT_ITEM)                                           \
    X(WZ_TXT_START_NEW_CAREER, "Start New Career", WZ_TEXT_ITEM)                                         \
    X(WZ_TXT_NEXT_RACE, "Next Race:", WZ_TEXT_LINE)                                                      \
    X(WZ_TXT_CAR, "Car:", WZ_TEXT_ITEM)                                                                  \
    X(WZ_TXT_LAPS, "Laps:", WZ_TEXT_ITEM)                                                                \
    X(WZ_TXT_TRACK, "Track:", WZ_TEXT_ITEM)                                                              \
    X(WZ_TXT_START_RACE, "Start Race", WZ_TEXT_ITEM)                                                     \
    /* Network pages and notices. */                                                                     \
    X(WZ_TXT_START_GAME, "Start Game", WZ_TEXT_ITEM)                                                     \
    X(WZ_TXT_JOIN_GAME, "Join Game", WZ_TEXT_ITEM)                                                       \
    X(WZ_TXT_NET_PORT, "Net Port:", WZ_TEXT_ITEM)                                                        \
    X(WZ_TXT_SERVER_PASSWORD, "Server Password:", WZ_TEXT_ITEM)                                          \
    X(WZ_TXT_BEGIN_HOSTING, "Begin Hosting", WZ_TEXT_ITEM)                                               \
    X(WZ_TXT_SERVER_IP, "Server IP:", WZ_TEXT_ITEM)                                                      \
    X(WZ_TXT_SERVER_IP_DOTS, "    .     .     .", WZ_TEXT_LINE)                                          \
    X(WZ_TXT_CONNECT, "Connect", WZ_TEXT_ITEM)                                                           \
    X(WZ_TXT_CONNECTING, "Connecting...", WZ_TEXT_LINE)                                                  \
    X(WZ_TXT_WAITING_FOR_SERVER, "Waiting for server", WZ_TEXT_LINE)                                     \
    X(WZ_TXT_CLIENTS_CONNECTED, "Clients connected:", WZ_TEXT_LINE)                                      \
    X(WZ_TXT_PING, "Ping:", WZ_TEXT_LINE)                                                                \
    X(WZ_TXT_WAIT, "Wait", WZ_TEXT_LINE)                                                                 \
    X(WZ_TXT_LEFT_THE_GAME, " left the game", WZ_TEXT_LINE)                                              \
    /* In-race menus. */                                                                                 \
    X(WZ_TXT_QUIT, "Quit", WZ_TEXT_ITEM)                                                                 \
    X(WZ_TXT_RESUME, "Resume", WZ_TEXT_ITEM)                                                             \
    X(WZ_TXT_RESTART, "Restart", WZ_TEXT_ITEM)                                                           \
    /* Credits: three headings, each with the line below it, and a closing */                            \
    /* line. */                                                                                          \
    X(WZ_TXT_PROGRAMMING_GRAPHICS_IDEA, "Programming/Graphics/Idea", WZ_TEXT_LINE)                       \
    X(WZ_TXT_CREDITS_AUTHORS, "The Wrenzo Team", WZ_TEXT_LINE)                                           \
    X(WZ_TXT_MUSIC, "Music", WZ_TEXT_LINE)                                                               \
    X(WZ_TXT_CREDITS_COMPOSERS, "The Wrenzo Music Team", WZ_TEXT_LINE)                                   \
    X(WZ_TXT_WRENZO_USES, "Wrenzo uses", WZ_TEXT_LINE)                                                   \
    X(WZ_TXT_CREDITS_ENGINE, "the Zervane engine by the Wrenzo Team", WZ_TEXT_LINE)                      \
    X(WZ_TXT_CREDITS_CLOSING, "Thank you for playing!", WZ_TEXT_LINE)

#define WZ_DECLARE_TEXT(constant, key, size) inline constexpr char constant[] = key;
WZ_TEXTS(WZ_DECLARE_TEXT)
#undef WZ_DECLARE_TEXT

// One key of the list with the largest size it is drawn at.
struct WZText
{
    const char* m_pKey;
    WZTextSize m_Size;
};

struct WZTexts
{
#define WZ_TEXT_ENTRY(constant, key, size) {constant, size},
    static constexpr WZText ms_aTexts[] = {WZ_TEXTS(WZ_TEXT_ENTRY)};
#undef WZ_TEXT_ENTRY
    static constexpr uint32_t ms_ulNumTexts = sizeof(ms_aTexts) / sizeof(ms_aTexts[0]);

    // Characters of a text drawn centred at `size` that fit a screen
    // `width` pixels wide without starting left of its edge.
    static constexpr uint32_t MaxCharacters(uint16_t size, uint32_t width = 640)
    {
        // 0.425 x size pixels per character, in exact integers (x 40).
        return (width / 2) * 40 / (17u * size);
    }
};
