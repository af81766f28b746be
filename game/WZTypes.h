// WZTypes: the enumerations the settings file, the career file and the
// network messages carry. Their values are stored, so they never change.
#pragma once

#include <cstdint>

// The car models, in the order files and messages number them.
enum WZCarName : uint32_t
{
    WZ_CAR_ACLASS = 0,
    WZ_CAR_AMBULANCE = 1,
    WZ_CAR_COP = 2,
    WZ_CAR_DODGE = 3,
    WZ_CAR_FUNERALCAR = 4,
    WZ_CAR_GOLF = 5,
    WZ_CAR_HUMMER = 6,
    WZ_CAR_MONSTERHUMMER = 7,   // the bonus car
    WZ_CAR_PICKUP = 8,
    WZ_NUM_CARS = 9
};

enum WZGameType : uint32_t
{
    WZ_GAME_NORMAL = 0,
    WZ_GAME_POWERUPS = 1,
    WZ_GAME_KNOCKOUT = 2,
    WZ_GAME_KNOCKOUT_POWERUPS = 3,
    WZ_GAME_DEATH = 4,
    WZ_NUM_GAME_TYPES = 5
};

// The screens. 18, 20 and 21 are races: single player, network server and
// network client.
enum WZAppState : uint32_t
{
    WZ_STATE_STARTUP = 0,
    WZ_STATE_INTRO = 1,
    WZ_STATE_MAIN_MENU = 2,
    WZ_STATE_OPTIONS_MENU = 3,
    WZ_STATE_VIDEO_MENU = 4,
    WZ_STATE_AUDIO_MENU = 5,
    WZ_STATE_INPUT_MENU1 = 6,
    WZ_STATE_INPUT_MENU2 = 7,
    WZ_STATE_INPUT_MENU3 = 8,
    WZ_STATE_CAREER_MENU = 9,
    WZ_STATE_CAREER_RACE_MENU = 10,
    WZ_STATE_QUICK_RACE_MENU = 11,
    WZ_STATE_NETWORK_MENU = 12,
    WZ_STATE_SERVER_MENU = 13,
    WZ_STATE_CLIENT_MENU = 14,
    WZ_STATE_WAITING_FOR_SERVER = 15,
    WZ_STATE_WAITING_FOR_CLIENTS = 16,
    WZ_STATE_CREDITS = 17,
    WZ_STATE_RACE = 18,
    WZ_STATE_STATISTIC = 19,
    WZ_STATE_SERVER_RACE = 20,
    WZ_STATE_CLIENT_RACE = 21
};

inline bool WZIsRaceState(uint32_t state)
{
    return state == WZ_STATE_RACE || state == WZ_STATE_SERVER_RACE || state == WZ_STATE_CLIENT_RACE;
}

// A car's race status: 1 to 4 is the place it finished in.
enum WZRaceStatus : int32_t
{
    WZ_STATUS_RACING = 0,
    WZ_STATUS_FIRST = 1,
    WZ_STATUS_FOURTH = 4,
    WZ_STATUS_DESTROYED = 5,
    WZ_STATUS_WAITING = 6,
    WZ_STATUS_KNOCKED_OUT = 7
};

inline bool WZHasFinished(int32_t status)
{
    return status >= WZ_STATUS_FIRST && status <= WZ_STATUS_FOURTH;
}

// The key bindings, in the order of the settings file and the input menus.
enum WZKeyAction : uint32_t
{
    WZ_KEY_ACCELERATE = 0,
    WZ_KEY_BRAKE,
    WZ_KEY_STEER_LEFT,
    WZ_KEY_STEER_RIGHT,
    WZ_KEY_HANDBRAKE,
    WZ_KEY_HORN,
    WZ_KEY_USE_POWERUP,
    WZ_KEY_RESET,
    WZ_KEY_CAM_POSITION,
    WZ_KEY_LOOK_BACK,
    WZ_KEY_SCREENSHOT,
    WZ_NUM_KEYS
};

// Camera modes.
enum WZCameraMode : uint32_t
{
    WZ_CAMERA_COCKPIT = 0,
    WZ_CAMERA_NEAR = 1,
    WZ_CAMERA_FAR = 2
};
