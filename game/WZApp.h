// WZApp: the racing game as the engine sees it.
//
// The one global instance, Wrenzo, is constructed before the entry point
// runs and becomes ZEApplication::ms_pApp. The engine drives the game only
// through the overrides below; WZApp itself only dispatches: the screen
// state machine picks what each frame, key and drawing does, and the work
// lives with its owners - the race (race/WZRace), the track and its
// entities (track/WZTrack), the cars (car/), the computer drivers (ai/),
// the settings (WZSettings) and the headless race (headless/).
//
// Until the menus exist the game goes straight from start-up into a quick
// race (three computer drivers, the player last on the grid); leaving the
// race ends the game.
//
// Headless (--headless): no window, sound or network; one race on the
// chosen track runs at full speed through the engine's fixed steps, then
// the results and the state hash are printed and the game exits. With
// --career a new career's season of ten races runs that way, one race
// after the other (career/), each followed by the standings.
#pragma once

#include "WZSettings.h"
#include "WZTypes.h"
#include "career/WZCareer.h"
#include "core/ZEApplication.h"
#include "headless/WZLaunchOptions.h"
#include "race/WZRace.h"
#include "track/WZTrack.h"

#include <chrono>
#include <cstdint>

class WZCar;
class ZETextureReference;
class ZEVector;

class WZApp : public ZEApplication
{
public:
    WZApp();
    ~WZApp() override;

    // Reads the launch options; a bad command line prints the usage and
    // ends the process with status 2.
    void Prepare(char* commandLine) override;
    void Start() override;
    void Update1(uint32_t elapsed) override;
    void Update2(uint32_t elapsed) override;
    void Render() override;
    void KeyDown(uint32_t key) override;
    void KeyUp(uint32_t key) override;
    void MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char buttons) override;
    void JoystickMovement(int32_t x, int32_t y, int32_t z) override;
    // Track nodes, AI nodes, the grid, barriers, road signs and pickups;
    // the loader deletes every entity afterwards.
    bool ReceiveCustomEntity(ZECustomEntity* entity) override;
    void NewClientConnected(_ZEClient* client) override;
    void ClientDisconnected(_ZEClient* client) override;
    void DataFromClient(_ZEClient* client, char* data, uint32_t size) override;
    void ServerConnected(char* serverName) override;
    void ServerDisconnected() override;
    void DataFromServer(char* data, uint32_t size) override;
    void Terminate() override;

    // HUD, menu and track preview textures.
    void LoadRes();
    void ReleaseRes();
    // The loading screen, the map of the chosen track, its nodes and props.
    void LoadCurrTrack();
    // A quick race on the loaded track.
    void StartRace();
    // Unloads the map, stops the music; back to the main menu.
    void ExitRace();
    void UpdateRace1(uint32_t elapsed);
    void UpdateRace2(uint32_t elapsed);
    void RenderRace();
    void DoAI(WZCar* car);
    void ApplyDetailSettings();
    static WZCar* GetCar(uint32_t car, const ZEVector& position, float heading);
    static WZCar* GetAICar(const ZEVector& position, float heading, int32_t& first, int32_t& second);
    static ZEString GetCarName(uint32_t car);
    ZEString GetGameTypeName(uint32_t type) const;

    // The map the next race loads: the launch option's, else the chosen
    // track's.
    ZEString GetTrackMapName() const;
    WZRaceContext GetRaceContext();

    uint32_t m_ulState = WZ_STATE_STARTUP;
    uint16_t m_usDifficulty = 2;
    uint16_t m_usMirrorWidth = 300, m_usMirrorHeight = 75;
    WZSettings m_Config;
    WZLaunchOptions m_Options;
    WZTrack m_Track;
    WZRace m_Race;
    WZCareer* m_pCareer = nullptr;    // null: no career
    ZETextureReference* m_apPowerUpIcon[4] = {nullptr, nullptr, nullptr, nullptr};
    ZETextureReference* m_pTacho = nullptr;
    ZETextureReference* m_pBackground = nullptr;
    ZETextureReference* m_apTrackPreview[5] = {nullptr, nullptr, nullptr, nullptr, nullptr};

private:
    void EnterQuickRace();
    // Loads the track and starts the race on it; false (the game then
    // ends with status 1) when the map cannot be loaded.
    bool BeginRace();
    void StartHeadlessCareer();
    void EnterCareerRace();
    void FinishCareerRace();
    void ApplyLaunchOptions();
    void FinishHeadlessRace();
    void TakeScheduledShots(uint32_t now);
    bool ConsoleOpen() const;

    uint64_t m_ullFrames = 0;
    uint32_t m_ulNextShot = 0;
    uint32_t m_ulRaceBegin = 0;
    bool m_bCareerRaceDue = false;
    std::chrono::steady_clock::time_point m_WallStart;
};

extern WZApp Wrenzo;
