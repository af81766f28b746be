#include "car/WZRoster.h"

#include "WZTexts.h"

namespace
{
// clang-format off
const WZCarSpec kCars[WZ_NUM_CARS] = {
    {"WZAClass", "a-class.zmf", "motor1.ogg", "horn1.ogg", 1200, 5000, 120, -31, 3.5f, 1.75f, 16, 1.3f,
     5, {{3000, -100}, {3500, 120}, {2500, 130}, {500, 250}, {150, 450}},
     {{-6, -0.2f, 21.5f}, {5.75f, -0.2f, 21.5f}, {-5.65f, 0, -21.5f}, {6, 0, -21.5f}},
     1, {{-2.8f, -5, -23}}},
    {"WZAmbulance", "ambulance.zmf", "motor3.ogg", "siren2.ogg", 3750, 5000, 85, -53, 5.5f, 2.75f, 13, 1.6f,
     5, {{2500, -100}, {3500, 100}, {2000, 150}, {400, 250}, {150, 400}},
     {{-9, -9, 42}, {9, -9, 42}, {-9, -7.5f, -42}, {9, -7.5f, -42}},
     1, {{7, -11.5f, -44}}},
    {"WZCop", "cop.zmf", "motor3.ogg", "siren.ogg", 1800, 5000, 95, -42, 3.5f, 2.5f, 14.5f, 1.5f,
     6, {{3500, -100}, {3750, 100}, {2250, 150}, {500, 250}, {200, 400}, {150, 500}},
     {{-7.75f, -1, 37}, {7.75f, -1, 37}, {-9.75f, -2, -35.5f}, {9.75f, -2, -35.5f}},
     1, {{10, -4.5f, -38}}},
    {"WZDodge", "dodge.zmf", "motor3.ogg", "horn1.ogg", 1600, 5000, 90, -42, 3.5f, 2.5f, 14, 1.5f,
     6, {{3500, -100}, {3500, 100}, {2500, 150}, {500, 250}, {200, 400}, {150, 500}},
     {{-7.75f, -0.5f, 37}, {7.75f, -0.5f, 37}, {-9.75f, -1.5f, -35.5f}, {9.75f, -1.5f, -35.5f}},
     1, {{10, -4.5f, -38}}},
    {"WZFuneralCar", "funeralcar.zmf", "motor4.ogg", "horn1.ogg", 2500, 5000, 90, -38, 5, 1.75f, 14, 1.2f,
     6, {{3500, -100}, {3000, 95}, {2000, 120}, {500, 250}, {200, 400}, {50, 475}},
     {{-7.5f, 0, 31.25f}, {7.5f, 0, 31.25f}, {-7.75f, -1.5f, -30}, {7.75f, -1.5f, -30}},
     1, {{5.5f, -4.5f, -32.5f}}},
    {"WZGolf", "golf.zmf", "motor1.ogg", "horn1.ogg", 1500, 5500, 115, -31, 5.5f, 3.5f, 15, 1.2f,
     7, {{3500, -100}, {3500, 140}, {2500, 200}, {500, 250}, {400, 400}, {300, 500}, {150, 600}},
     {{-7.25f, -1, 24.5f}, {7.25f, -1, 24.5f}, {-7.5f, 1.25f, -24.5f}, {7.5f, 1.25f, -24.5f}},
     1, {{1.8f, -4, -25}}},
    {"WZHummer", "hummer.zmf", "motor2.ogg", "horn1.ogg", 2000, 5000, 100, -40, 5, 2.5f, 13, 1.5f,
     5, {{3500, -100}, {3500, 100}, {2000, 175}, {500, 250}, {175, 450}},
     {{-4, -1.1f, 31}, {4, -1.1f, 31}, {-8.3f, -1.2f, -30}, {8.3f, -1.2f, -30}},
     2, {{-5, -4.5f, -32}, {5, -4.5f, -32}}},
    {"WZMonsterHummer", "monsterhummer.zmf", "motor2.ogg", "horn1.ogg", 3500, 5000, 105, -42, 9, 5.5f, 14, 1.8f,
     5, {{3500, -100}, {4000, 120}, {3000, 195}, {500, 270}, {175, 500}},
     {{-4, 4, 41.25f}, {4, 4, 41.25f}, {-8.5f, 12.5f, -32}, {8.5f, 12.5f, -32}},
     2, {{-5, 0, -43}, {5, 0, -43}}},
    {"WZPickup", "pickup.zmf", "motor4.ogg", "horn1.ogg", 1800, 5500, 110, -31, 5.5f, 3.5f, 14.5f, 1.2f,
     7, {{3500, -100}, {3500, 140}, {2500, 200}, {500, 250}, {400, 400}, {300, 475}, {150, 575}},
     {{-7.5f, -0.7f, 25.8f}, {7.5f, -0.7f, 25.8f}, {-7.75f, 1.5f, -25.2f}, {7.75f, 1.5f, -25.2f}},
     1, {{5, -4.5f, -27}}},
};

const WZCarSpec kWreck =
    {"WZLoserGolf", "crashgolf.zmf", "motor4.ogg", "horn1.ogg", 1100, 6000, 0.7f, -31, 5.5f, 3.5f, 1, 1.2f,
     2, {{1500, -55}, {2000, 150}},
     {{-7.25f, -1, 24.5f}, {7.25f, -1, 24.5f}, {-7.5f, 1.25f, -24.5f}, {7.5f, 1.25f, -24.5f}},
     1, {{1.8f, -4, -25}}};

const WZSirenSpec kCopSiren = {5.0f, 2.5f, 2, {{-6.75f, 11, -6}, {6.75f, 11, -6}}, {0, 2}, {255, 0}};
const WZSirenSpec kAmbulanceSiren = {3.0f, 3.0f, 3, {{-8.5f, 19.75f, 24.5f}, {8.5f, 19.75f, 24.5f}, {0, 19.75f, -36.25f}},
                                     {2, 2, 2}, {255, 0, 128}};

const char* const kCarNames[WZ_NUM_CARS] = {"Elk Victim", "Ambulance", "Cop", "Dodge", "Funeral Car",
                                            "Golf", "Hummer", "Monster Hummer", "Pickup"};

const char* const kGameTypes[WZ_NUM_GAME_TYPES] = {WZ_TXT_NORMAL_RACE, WZ_TXT_RACE_WITH_POWERUPS,
                                                   WZ_TXT_KNOCKOUT_RACE, WZ_TXT_KNOCKOUT_WITH_POWERUPS,
                                                   WZ_TXT_RACE_TO_DEATH};
// clang-format on
}

const WZCarSpec& WZGetCarSpec(WZCarName car)
{
    return car < WZ_NUM_CARS ? kCars[car] : kCars[WZ_CAR_ACLASS];
}

const WZCarSpec& WZGetWreckSpec() { return kWreck; }
const WZSirenSpec& WZGetCopSiren() { return kCopSiren; }
const WZSirenSpec& WZGetAmbulanceSiren() { return kAmbulanceSiren; }

ZEString WZGetCarName(uint32_t car)
{
    return ZEString(kCarNames[car < WZ_NUM_CARS ? car : WZ_CAR_ACLASS]);
}

const char* WZGetGameTypeKey(uint32_t type)
{
    return kGameTypes[type < WZ_NUM_GAME_TYPES ? type : WZ_GAME_NORMAL];
}

bool WZGameTypeHasPowerUps(uint32_t type)
{
    return type != WZ_GAME_NORMAL && type != WZ_GAME_KNOCKOUT;
}

const WZOpponent WZ_OPPONENTS[WZ_NUM_OPPONENTS] = {
    {"Grizzler", WZ_CAR_PICKUP, 2.0f, true},
    {"Krummel", WZ_CAR_GOLF, 1.9f, true},
    {"Red Menace", WZ_CAR_GOLF, 1.9f, true},
    {"El Barto", WZ_CAR_DODGE, 1.8f, true},
    {"Wide Load", WZ_CAR_MONSTERHUMMER, 1.8f, true},
    {"Pot Express", WZ_CAR_PICKUP, 1.8f, false},
    {"Mr. Nice Guy", WZ_CAR_PICKUP, 1.8f, false},
    {"Mr. Shoe", WZ_CAR_DODGE, 1.8f, true},
    {"Der Blubb", WZ_CAR_ACLASS, 1.7f, false},
    {"Homer Jay", WZ_CAR_DODGE, 1.7f, true},
    {"Mr. Jack", WZ_CAR_COP, 1.7f, true},
    {"The Duke", WZ_CAR_HUMMER, 1.7f, true},
    {"Brainless", WZ_CAR_COP, 1.65f, true},
    {"Evil Man", WZ_CAR_GOLF, 1.6f, true},
    {"The Devil Himself", WZ_CAR_MONSTERHUMMER, 1.6f, true},
    {"Eat My Shorts", WZ_CAR_AMBULANCE, 1.5f, true},
    {"Evil Woman", WZ_CAR_ACLASS, 1.5f, false},
    {"Undertaker", WZ_CAR_FUNERALCAR, 1.5f, true},
    {"Road Psycho", WZ_CAR_HUMMER, 1.4f, true},
    {"Doomer", WZ_CAR_FUNERALCAR, 1.4f, true},
    {"Psycho Dad", WZ_CAR_HUMMER, 1.4f, true},
    {"Student Driver", WZ_CAR_ACLASS, 1.0f, false},
    {"Mary Jane", WZ_CAR_PICKUP, 1.3f, false},
    {"Headshot", WZ_CAR_COP, 1.2f, true},
    {"Stoned Medic", WZ_CAR_AMBULANCE, 1.0f, false},
};

const WZCareerRace WZ_CAREER_RACES[WZ_NUM_CAREER_RACES] = {
    {WZ_TXT_AMBULANCE_TROPHY, {WZ_TXT_AMBULANCE_TROPHY_1, WZ_TXT_AMBULANCE_TROPHY_2, WZ_TXT_AMBULANCE_TROPHY_3},
     WZ_GAME_NORMAL, true, WZ_CAR_AMBULANCE},
    {WZ_TXT_DOPE_TROPHY, {WZ_TXT_DOPE_TROPHY_1, WZ_TXT_DOPE_TROPHY_2, WZ_TXT_DOPE_TROPHY_3},
     WZ_GAME_KNOCKOUT_POWERUPS, true, WZ_CAR_PICKUP},
    {WZ_TXT_FUNERAL_CUP, {WZ_TXT_FUNERAL_CUP_1, WZ_TXT_FUNERAL_CUP_2, WZ_TXT_FUNERAL_CUP_3},
     WZ_GAME_DEATH, true, WZ_CAR_FUNERALCAR},
    {WZ_TXT_POLICE_CHASE, {WZ_TXT_POLICE_CHASE_1, WZ_TXT_POLICE_CHASE_2, WZ_TXT_POLICE_CHASE_3},
     WZ_GAME_KNOCKOUT, true, WZ_CAR_COP},
    {WZ_TXT_ARMY_TRAINING, {WZ_TXT_ARMY_TRAINING_1, WZ_TXT_ARMY_TRAINING_2, WZ_TXT_ARMY_TRAINING_3},
     WZ_GAME_POWERUPS, true, WZ_CAR_HUMMER},
    {WZ_TXT_SKORVEL_TROPHY, {WZ_TXT_SKORVEL_TROPHY_1, WZ_TXT_SKORVEL_TROPHY_2, WZ_TXT_SKORVEL_TROPHY_3},
     WZ_GAME_DEATH, false, WZ_CAR_ACLASS},
    {WZ_TXT_ROACH_CUP, {WZ_TXT_ROACH_CUP_1, WZ_TXT_ROACH_CUP_2, WZ_TXT_ROACH_CUP_3},
     WZ_GAME_KNOCKOUT_POWERUPS, false, WZ_CAR_ACLASS},
    {WZ_TXT_CAFFEINE_RACE, {WZ_TXT_CAFFEINE_RACE_1, WZ_TXT_CAFFEINE_RACE_2, WZ_TXT_CAFFEINE_RACE_3},
     WZ_GAME_KNOCKOUT, false, WZ_CAR_ACLASS},
    {WZ_TXT_2FAST4U_CHALLENGE, {WZ_TXT_2FAST4U_CHALLENGE_1, WZ_TXT_2FAST4U_CHALLENGE_2, WZ_TXT_2FAST4U_CHALLENGE_3},
     WZ_GAME_NORMAL, false, WZ_CAR_ACLASS},
    {WZ_TXT_ILLEGAL_WEAPON_RACE, {WZ_TXT_ILLEGAL_WEAPON_RACE_1, WZ_TXT_ILLEGAL_WEAPON_RACE_2,
                                  WZ_TXT_ILLEGAL_WEAPON_RACE_3},
     WZ_GAME_POWERUPS, false, WZ_CAR_ACLASS},
};

const char WZ_TRACK_NAMES[WZ_NUM_TRACKS][12] = {"airfield", "church", "hillhole", "railroad", "windydesert"};
