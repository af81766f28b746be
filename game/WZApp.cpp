#include "WZApp.h"

#include "WZTexts.h"
#include "ai/WZDriver.h"
#include "career/WZCareerRace.h"
#include "car/WZCar.h"
#include "car/WZRoster.h"
#include "core/ZECDPlayer.h"
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZEInputDevices.h"
#include "core/ZETimer.h"
#include "core/ZETranslator.h"
#include "headless/WZRaceReport.h"
#include "math/ZEMath.h"
#include "powerup/WZPowerUp.h"
#include "render/ZERenderer.h"
#include "resources/ZESoundDevice.h"
#include "resources/ZESoundManager.h"
#include "race/WZRaceDisplay.h"
#include "track/WZTrackLoading.h"
#include "world/ZEEngine.h"

#include <cstdio>

namespace
{
// A headless race that has not ended after this many game seconds a lap
// (plus the countdown) is stopped and its unfinished cars reported.
const uint32_t kHeadlessSecondsPerLap = 300;
}

WZApp::WZApp() = default;

WZApp::~WZApp()
{
    ReleaseRes();
    delete m_Race.m_pMusic;
    delete m_pCareer;
}

// ---------------------------------------------------------------------------
// Start-up

void WZApp::Prepare(char* commandLine)
{
    m_usMirrorWidth = 300;
    m_usMirrorHeight = 75;
    m_usWidth = 640;
    m_usHeight = 480;
    m_usFullscreen = 0;
    m_usDifficulty = 2;
    ZEString error;
    if (!WZParseLaunchOptions(commandLine, m_Options, error))
    {
        std::fprintf(stderr, "wrenzo: %s\n%s", error.CStr(), WZLaunchUsage());
        EndProcess(2);
        return;
    }
    m_bHeadless = m_Options.m_bHeadless;
}

void WZApp::Start()
{
    ZEEngine* engine = m_pEngine;
    for (const char* package : {"wrenzo.maps", "wrenzo.models", "wrenzo.textures", "wrenzo.previews"})
        if (!engine->m_pFileManager->AddArchive(ZEString(package)))
            ZEConsole::Post("game", ZEString::Format("the package main/%s is missing or damaged", package),
                            ZE_MSG_ERROR);
    if (m_pRenderer)
        m_pRenderer->SetWindowTitle(ZEString("Wrenzo"));
    m_pTimer->SetTimeFactor(0.0f);
    ApplyLaunchOptions();
    if (!m_bHeadless && m_pRenderer)
        m_pRenderer->SetResolution(m_usWidth, m_usHeight, 0);
    ApplyDetailSettings();
    LoadRes();
    if (m_pSoundDevice)
        m_pSoundDevice->SetVolume(m_Config.m_fVolume);
    m_pTimer->SetTimeFactor(1.0f);
    m_ulState = WZ_STATE_STARTUP;
    if (m_pInputDevices)
        m_pInputDevices->Update();
    engine->ShowCursor(true);
    m_ulState = WZ_STATE_MAIN_MENU;
    if (m_Options.m_bCareer)
        StartHeadlessCareer();
    else
        EnterQuickRace();
}

void WZApp::ApplyLaunchOptions()
{
    const WZLaunchOptions& options = m_Options;
    m_Config.m_ulLaps = options.m_ulLaps;
    m_Config.m_ulGameType = options.m_ulType;
    if (options.m_lCar >= 0)
        m_Config.m_ulCar = static_cast<uint32_t>(options.m_lCar);
    if (options.m_lCamera >= 0)
        m_Config.m_ulCameraPosition = static_cast<uint32_t>(options.m_lCamera);
    if (options.m_lDetail >= 0)
        m_Config.m_ulDetail = static_cast<uint32_t>(options.m_lDetail);
    if (options.m_bJoystick)
        m_Config.m_bJoystick = true;
    if (options.m_bSeed)
        ZESeedRandom(options.m_ulSeed);
    if (m_bHeadless)
        m_Config.m_ulMusicSource = 2;
}

void WZApp::ApplyDetailSettings()
{
    WZApplyDetailSettings(m_Config.m_ulDetail, m_pEngine, m_pRenderer);
    // Tyre marks and smoke are only seen; a race nobody watches skips them.
    if (m_bHeadless)
        WZCar::ms_bTyreDecals = WZCar::ms_bSmoke = false;
}

void WZApp::EnterQuickRace()
{
    m_Race.m_bCareerRace = false;
    m_Race.m_ulRaceLaps = m_Config.m_ulLaps;
    BeginRace();
}

bool WZApp::BeginRace()
{
    m_ulState = WZ_STATE_RACE;
    WZPowerUp::ms_bHideType = false;
    LoadCurrTrack();
    if (!m_pEngine->m_pTerrain)
    {
        // Nothing to race on: the loader has said why on the console.
        std::fprintf(stderr, "wrenzo: the map %s.bsp could not be loaded\n", GetTrackMapName().CStr());
        m_pEngine->ExitRequest(1);
        return false;
    }
    StartRace();
    m_WallStart = std::chrono::steady_clock::now();
    m_ulRaceBegin = m_pTimer->GetTime();
    m_ullFrames = 0;
    m_ulNextShot = 0;
    return true;
}

// ---------------------------------------------------------------------------
// The headless career

void WZApp::StartHeadlessCareer()
{
    m_usDifficulty = m_Options.m_usDifficulty;
    delete m_pCareer;
    m_pCareer = new WZCareer(WZNewCareer(m_usDifficulty, ZERandM));
    EnterCareerRace();
}

void WZApp::EnterCareerRace()
{
    m_bCareerRaceDue = false;
    WZCareerRaceSetup setup;
    if (!m_pCareer || !WZGetCareerRace(*m_pCareer, m_Config.m_ulLaps, m_Config.m_ulCar, setup))
        return;
    std::printf("%s\n", WZDescribeCareerRace(*m_pCareer, setup).CStr());
    m_Config.m_ulGameType = setup.m_ulGameType;
    m_Options.m_strTrack = WZ_TRACK_NAMES[setup.m_ulTrack];
    m_Race.m_ulRaceLaps = setup.m_ulLaps;
    if (BeginRace())
        WZMakeCareerRace(m_Race, GetRaceContext(), *m_pCareer, setup, true);
}

void WZApp::FinishCareerRace()
{
    WZScoreCareerRace(*m_pCareer, m_Race.m_aulFinalOrder);
    for (const ZEString& line : WZDescribeStandings(*m_pCareer, m_Config.m_strPlayerName))
        std::printf("%s\n", line.CStr());
    std::fflush(stdout);
    if (WZSeasonOver(*m_pCareer))
    {
        m_Config.m_bBonusCar = m_Config.m_bBonusCar || WZBonusCarEarned(*m_pCareer);
        m_pEngine->ExitRequest();
        return;
    }
    // The next race begins with the next frame, outside this one's passes.
    m_ulState = WZ_STATE_STARTUP;
    m_bCareerRaceDue = true;
}

ZEString WZApp::GetTrackMapName() const
{
    // The five tracks come with their maps; until then races run on the map
    // the launch options name, the test track by default.
    return m_Options.m_strTrack;
}

WZRaceContext WZApp::GetRaceContext()
{
    WZRaceContext context;
    context.m_pEngine = m_pEngine;
    context.m_pTrack = &m_Track;
    context.m_pConfig = &m_Config;
    return context;
}

// ---------------------------------------------------------------------------
// Races

void WZApp::LoadCurrTrack()
{
    WZDrawLoadingScreen(m_pRenderer, m_pBackground, m_usWidth, m_usHeight);
    WZTrackOptions options;
    options.m_bPowerUps = WZGameTypeHasPowerUps(m_Config.m_ulGameType);
    options.m_bRoadSigns = m_Config.m_ulDetail < 4;
    WZCar::ms_bPowerUpsEnabled = options.m_bPowerUps;
    m_Track.BeginLoading(options);
    ZEString map(GetTrackMapName());
    map.Append(".bsp");
    UnloadBSPFile();
    LoadBSPFile(map);
    m_Track.EndLoading();
    WZPruneForDetail(m_pEngine, m_Config.m_ulDetail);
}

void WZApp::StartRace()
{
    WZRaceContext context = GetRaceContext();
    m_Race.StartRace(context, m_Options.m_bAIPlayer || m_bHeadless);
}

void WZApp::ExitRace()
{
    UnloadBSPFile();
    m_Race.Clear();
    m_pEngine->ShowCursor(true);
    if (m_Race.m_pMusic && m_Race.m_pMusic->IsPlaying())
    {
        m_Race.m_pMusic->Stop();
        delete m_Race.m_pMusic;
        m_Race.m_pMusic = nullptr;
    }
    else if (m_Config.m_ulMusicSource == 1 && m_pEngine->m_pCDPlayer)
        m_pEngine->m_pCDPlayer->Stop();
    m_ulState = WZ_STATE_MAIN_MENU;
    // There is no main menu yet: leaving the race leaves the game.
    m_pEngine->ExitRequest();
}

void WZApp::UpdateRace1(uint32_t elapsed)
{
    m_Race.UpdateRace1(GetRaceContext(), elapsed);
}

void WZApp::UpdateRace2(uint32_t elapsed)
{
    bool rules = m_ulState == WZ_STATE_RACE || m_ulState == WZ_STATE_SERVER_RACE;
    m_Race.UpdateRace2(GetRaceContext(), elapsed, rules);
}

void WZApp::DoAI(WZCar* car)
{
    if (car)
        WZDriveCar(*car, m_Track, m_pEngine, m_pTimer->GetTime());
}

WZCar* WZApp::GetCar(uint32_t car, const ZEVector& position, float heading)
{
    return WZGetCar(car, position, heading);
}

WZCar* WZApp::GetAICar(const ZEVector& position, float heading, int32_t& first, int32_t& second)
{
    return WZGetAICar(position, heading, first, second);
}

ZEString WZApp::GetCarName(uint32_t car) { return WZGetCarName(car); }

ZEString WZApp::GetGameTypeName(uint32_t type) const
{
    const char* key = WZGetGameTypeKey(type);
    return m_pEngine && m_pEngine->m_pTranslator ? m_pEngine->m_pTranslator->Translate(key) : ZEString(key);
}

// ---------------------------------------------------------------------------
// The frame

bool WZApp::ConsoleOpen() const
{
    ZEConsole* console = m_pEngine ? m_pEngine->m_pConsole : nullptr;
    return console && console->GetState() != ZE_CONSOLE_CLOSED;
}

void WZApp::Update1(uint32_t elapsed)
{
    if (m_bCareerRaceDue)
    {
        UnloadBSPFile();
        m_Race.Clear();
        EnterCareerRace();
        return;
    }
    if (WZIsRaceState(m_ulState) && !ConsoleOpen())
        UpdateRace1(elapsed);
}

void WZApp::Update2(uint32_t elapsed)
{
    if (!WZIsRaceState(m_ulState))
        return;
    uint32_t now = m_pTimer->GetTime();
    // The countdown is game logic: it runs whether or not a frame is drawn.
    if (m_ulState != WZ_STATE_CLIENT_RACE)
        m_Race.RunCountdown(now);
    if (!ConsoleOpen())
        UpdateRace2(elapsed);
    ++m_ullFrames;
    if (m_bHeadless)
        FinishHeadlessRace();
}

// Screenshots read the frame being drawn, so they are taken once it is
// complete: after the world and the race display, before the swap.
void WZApp::TakeScheduledShots(uint32_t now)
{
    if (m_Race.m_bScreenshot && m_pRenderer)
        m_pRenderer->TakeScreenshot(ZEString::Format("%u", m_pTimer->GetRealTime()));
    m_Race.m_bScreenshot = false;
    uint32_t since = now - m_ulRaceBegin;
    const std::vector<uint32_t>& shots = m_Options.m_aulShots;
    if (m_ulNextShot < shots.size() && since >= shots[m_ulNextShot] && m_pRenderer)
        m_pRenderer->TakeScreenshot(ZEString::Format("shot%02u", m_ulNextShot++));
    if (m_Options.m_ulQuit && since >= m_Options.m_ulQuit)
        m_pEngine->ExitRequest();
}

void WZApp::FinishHeadlessRace()
{
    uint32_t limit = (kHeadlessSecondsPerLap * m_Race.m_ulRaceLaps + 10) * 1000;
    uint32_t raced = m_ullFrames * m_ulHeadlessFrame;
    if (!m_Race.IsOver() && raced < limit)
        return;
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_WallStart).count();
    m_Race.RecordResults(m_Track);
    for (const ZEString& line : WZDescribeRace(m_Race))
        std::printf("%s\n", line.CStr());
    uint32_t cycle = m_pEngine->m_ulPhysicsCycle ? m_pEngine->m_ulPhysicsCycle : 1;
    uint64_t steps = m_ullFrames * ((m_ulHeadlessFrame + cycle - 1) / cycle);
    std::printf("%s\n", WZDescribeRun(raced / 1000.0, wall, steps, WZHashRaceState(m_Race)).CStr());
    std::fflush(stdout);
    if (m_pCareer)
        FinishCareerRace();
    else
        m_pEngine->ExitRequest();
}

void WZApp::Render()
{
    if (!WZIsRaceState(m_ulState))
        return;
    RenderRace();
    TakeScheduledShots(m_pTimer->GetTime());
}

void WZApp::RenderRace()
{
    WZRenderRaceDisplay(*this);
}

// ---------------------------------------------------------------------------
// Input

void WZApp::KeyDown(uint32_t key)
{
    if (!WZIsRaceState(m_ulState))
    {
        if (key == ZE_KEY_ESCAPE)
            m_pEngine->ExitRequest();
        return;
    }
    bool paused = m_Race.m_bPaused;
    WZRaceRequest request = m_Race.KeyDown(GetRaceContext(), key);
    // Single player: the race stands still while the pause text is shown.
    if (m_ulState == WZ_STATE_RACE && paused != m_Race.m_bPaused)
        m_pTimer->SetTimeFactor(m_Race.m_bPaused ? 0.0f : 1.0f);
    if (request != WZ_RACE_CONTINUE)
    {
        m_pTimer->SetTimeFactor(1.0f);
        ExitRace();
    }
}

void WZApp::KeyUp(uint32_t) {}
void WZApp::MouseMovement(uint32_t, uint32_t, int32_t, int32_t, char) {}
void WZApp::JoystickMovement(int32_t, int32_t, int32_t) {}

bool WZApp::ReceiveCustomEntity(ZECustomEntity* entity)
{
    if (entity)
        m_Track.Receive(*entity, m_pEngine);
    return false;
}

void WZApp::NewClientConnected(_ZEClient*) {}
void WZApp::ClientDisconnected(_ZEClient*) {}
void WZApp::DataFromClient(_ZEClient*, char*, uint32_t) {}
void WZApp::ServerConnected(char*) {}
void WZApp::ServerDisconnected() {}
void WZApp::DataFromServer(char*, uint32_t) {}
void WZApp::Terminate() {}
