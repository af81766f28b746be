#include "race/WZRace.h"

#include "WZSettings.h"
#include "ai/WZDriver.h"
#include "car/WZCar.h"
#include "car/WZCarModels.h"
#include "car/WZRoster.h"
#include "headless/WZRaceReport.h"
#include "core/ZECDPlayer.h"
#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "core/ZETimer.h"
#include "math/ZEMath.h"
#include "race/WZChaseCamera.h"
#include "race/WZControls.h"
#include "race/WZCountdown.h"
#include "race/WZRaceRules.h"
#include "render/ZERenderer.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "resources/ZETextureManager.h"
#include "track/WZTrack.h"
#include "world/ZEEngine.h"

namespace
{
const float kMinAITurnRate = 120.0f;
const uint32_t kPlayerSlot = 3;
const int32_t kMaxOpponentDraws = 64;

void StartMusic(const WZRaceContext& context, WZRace& race)
{
    delete race.m_pMusic;
    race.m_pMusic = nullptr;
    const WZSettings& config = *context.m_pConfig;
    ZEEngine* engine = context.m_pEngine;
    if (config.m_ulMusicSource == 0)
    {
        ZEString name = ZEString::Format("music%d.ogg", ZERandIndex(4) + 1);
        if (engine->m_pSoundManager)
        {
            race.m_pMusic = engine->m_pSoundManager->GetSound(name);
            race.m_pMusic->Play(-1, config.m_fMusicVolume * config.m_fVolume);
        }
    }
    else if (config.m_ulMusicSource == 1 && engine->m_pCDPlayer)
    {
        int32_t tracks = engine->m_pCDPlayer->GetNumberOfTracks();
        if (tracks > 0)
            engine->m_pCDPlayer->Play(ZERandIndex(tracks));
    }
}

void ReleaseUnused(ZEEngine* engine)
{
    if (engine->m_pTextureManager)
        engine->m_pTextureManager->ReleaseUnusedTextures();
    if (engine->m_pModelManager)
        engine->m_pModelManager->FreeUnusedModels();
    if (engine->m_pSoundManager)
        engine->m_pSoundManager->FreeUnusedSounds();
}

bool Held(const WZSettings& config, uint32_t action)
{
    ZEInputDevices* input = ZEInputDevices::ms_pInputDevices;
    return input && input->IsPressed(config.m_aulKeys[action]);
}
}

// ---------------------------------------------------------------------------
// Cars

WZCar* WZGetCar(uint32_t car, const ZEVector& position, float heading)
{
    return WZMakeCar(car, position, heading);
}

int32_t WZPickOpponent(int32_t first, int32_t second, int32_t (*draw)(int32_t n))
{
    for (int32_t attempt = 0; attempt < kMaxOpponentDraws; ++attempt)
    {
        int32_t pick = draw(WZ_NUM_OPPONENTS);
        if (pick < 0 || pick >= static_cast<int32_t>(WZ_NUM_OPPONENTS))
            continue;
        if (pick != first && pick != second)
            return pick;
    }
    int32_t pick = 0;
    while (pick == first || pick == second)
        ++pick;
    return pick;
}

void WZDressOpponent(WZCar& car, uint32_t opponent)
{
    const WZOpponent& driver = WZ_OPPONENTS[opponent < WZ_NUM_OPPONENTS ? opponent : 0];
    car.m_strDriverName = driver.m_strName;
    car.m_bHorn = driver.m_bHorn;
    car.m_fSkill = driver.m_fSkill;
    if (car.m_fSteeringRate < kMinAITurnRate)
        car.m_fSteeringRate = kMinAITurnRate;
}

WZCar* WZGetAICar(const ZEVector& position, float heading, int32_t& first, int32_t& second)
{
    int32_t pick = WZPickOpponent(first, second);
    if (first == -1)
        first = pick;
    else if (second == -1)
        second = pick;
    WZCar* car = WZGetCar(WZ_OPPONENTS[pick].m_eCar, position, heading);
    WZDressOpponent(*car, static_cast<uint32_t>(pick));
    return car;
}

// ---------------------------------------------------------------------------
// Start and end

void WZRace::StartRace(const WZRaceContext& context, bool aiPlayer)
{
    ZEEngine* engine = context.m_pEngine;
    const WZTrack& track = *context.m_pTrack;
    const WZSettings& config = *context.m_pConfig;
    StartMusic(context, *this);
    m_ulGameType = config.m_ulGameType < WZ_NUM_GAME_TYPES ? config.m_ulGameType : WZ_GAME_NORMAL;
    m_ulRaceLaps = WZRaceLapsFor(m_ulGameType, m_ulRaceLaps);
    m_bResultsRecorded = false;

    int32_t first = -1, second = -1;
    for (uint32_t k = 0; k < kPlayerSlot; ++k)
    {
        m_apCars[k] = WZGetAICar(track.m_avStartPosition[k], track.m_afStartHeading[k], first, second);
        engine->AddObjectToWorld(m_apCars[k]);
    }
    m_pPlayerCar = WZGetCar(config.m_ulCar, track.m_avStartPosition[kPlayerSlot], track.m_afStartHeading[kPlayerSlot]);
    m_pPlayerCar->m_bHuman = !aiPlayer;
    m_pPlayerCar->m_strDriverName = config.m_strPlayerName;
    m_apCars[kPlayerSlot] = m_pPlayerCar;
    engine->AddObjectToWorld(m_pPlayerCar);
    ReleaseUnused(engine);

    uint32_t now = engine->m_pTimer ? engine->m_pTimer->GetTime() : 0;
    for (uint32_t k = 0; k < 4; ++k)
    {
        m_apCars[k]->m_ulLastReset = now;
        m_aulPosition[k] = k;
        m_aRecords[k] = WZCarRecord();
    }
    m_fCameraSwing = 0.0f;
    m_ulTachoSpeed = 0;
    engine->ShowCursor(false);
    m_ulCountdownStart = now;
    m_ulStartTime = 0;
    m_bPaused = false;
}

void WZRace::Clear()
{
    m_pPlayerCar = nullptr;
    for (WZCar*& car : m_apCars)
        car = nullptr;
    m_ulCountdownStart = 0;
    m_ulStartTime = 0;
    m_bPaused = false;
}

uint32_t WZRace::GetNumCars() const
{
    uint32_t count = 0;
    while (count < 4 && m_apCars[count])
        ++count;
    return count;
}

bool WZRace::IsOver() const
{
    uint32_t count = GetNumCars();
    for (uint32_t i = 0; i < count; ++i)
    {
        int32_t status = m_apCars[i]->m_lStatus;
        if (status == WZ_STATUS_RACING || status == WZ_STATUS_WAITING)
            return false;
    }
    return count > 0;
}

uint32_t WZRace::RunCountdown(uint32_t now)
{
    if (m_ulCountdownStart == 0)
        return 0;
    uint32_t elapsed = now - m_ulCountdownStart;
    WZCountdownPhase phase = WZGetCountdownPhase(elapsed);
    if (phase.m_ulPhase == WZ_START_PHASE)
    {
        // Every frame of "START!": the cars go, their stuck clocks start.
        for (uint32_t i = 0; i < GetNumCars(); ++i)
        {
            m_apCars[i]->m_lStatus = WZ_STATUS_RACING;
            m_apCars[i]->m_ulWaypointTime = now;
        }
        if (m_ulStartTime == 0)
            m_ulStartTime = now;
    }
    if (phase.m_ulPhase == 0)
        m_ulCountdownStart = 0;
    return phase.m_ulPhase;
}

// ---------------------------------------------------------------------------
// The frame

void WZRace::UpdateRace1(const WZRaceContext& context, uint32_t)
{
    WZCar* car = m_pPlayerCar;
    if (!car || car->m_lStatus != WZ_STATUS_RACING)
        return;
    if (car->m_bHuman)
    {
        const WZSettings& config = *context.m_pConfig;
        WZPlayerControls controls =
            WZReadKeys(Held(config, WZ_KEY_ACCELERATE), Held(config, WZ_KEY_BRAKE), Held(config, WZ_KEY_STEER_LEFT),
                       Held(config, WZ_KEY_STEER_RIGHT), Held(config, WZ_KEY_HANDBRAKE));
        ZEInputDevices* input = ZEInputDevices::ms_pInputDevices;
        if (config.m_bJoystick && input)
        {
            int32_t x = 0, y = 0, z = 0;
            input->GetJoystickAxis(x, y, z);
            controls = WZReadJoystick(controls, x, y, z, config.m_ulGasPedalAxis, config.m_fJoystickSensitivity);
        }
        car->SetPedal(controls.m_fPedal);
        car->SetSteeringWheel(controls.m_fSteering);
        car->m_bHandbrake = controls.m_bHandbrake;
    }
    car->m_bCollision = true;
}

void WZRace::UpdateRace2(const WZRaceContext& context, uint32_t elapsed, bool rules)
{
    if (!m_pPlayerCar)
        return;
    PlaceCamera(context, elapsed);
    if (rules)
        RunRules(context, context.m_pEngine->m_pTimer ? context.m_pEngine->m_pTimer->GetTime() : 0);
    m_ulTachoSpeed = WZSmoothTacho(m_ulTachoSpeed, m_pPlayerCar->GetSpeedKMH());
}

void WZRace::PlaceCamera(const WZRaceContext& context, uint32_t elapsed)
{
    WZCar& car = *m_pPlayerCar;
    const WZSettings& config = *context.m_pConfig;
    if (car.m_ulView == WZ_VIEW_INSIDE)
        car.m_ulView = WZ_VIEW_NORMAL;
    WZCameraInput input;
    input.m_vOrigin = car.m_vPosition;
    input.m_vCenter = car.GetCenter();
    input.m_fHeading = car.m_vRotation.y;
    input.m_fHeight = car.m_fHeight;
    input.m_fLength = car.m_fLength;
    input.m_fSteering = car.m_fSteering;
    input.m_ulMode = config.m_ulCameraPosition;
    input.m_bLookBack = car.m_bHuman && Held(config, WZ_KEY_LOOK_BACK);
    input.m_bAnimated = config.m_bAnimatedCamera;
    if (config.m_bAnimatedCamera && config.m_ulCameraPosition != WZ_CAMERA_COCKPIT)
        m_fCameraSwing = WZSwingCamera(m_fCameraSwing, car.m_fSteering, elapsed);
    WZCameraPlacement placement = WZPlaceCamera(input, m_fCameraSwing);
    if (placement.m_bInside)
    {
        car.m_ulView = WZ_VIEW_INSIDE;
        car.m_bCollision = false;
    }
    // Where the camera stands matters only to a frame that is drawn (and
    // the listener that follows it); the car's view flags above are set
    // either way.
    ZERenderer* renderer = context.m_pEngine->m_pRenderer;
    if (renderer && context.m_pEngine->m_bDrawing)
    {
        renderer->m_Camera.SetPosition(placement.m_vPosition);
        renderer->m_Camera.SetRotation(placement.m_vRotation);
    }
}

void WZRace::RecordLap(uint32_t slot, uint32_t now)
{
    WZCarRecord& record = m_aRecords[slot];
    if (record.m_ulLapStart != 0)
    {
        uint32_t lap = now - record.m_ulLapStart;
        if (record.m_ulBestLap == 0 || lap < record.m_ulBestLap)
            record.m_ulBestLap = lap;
    }
    record.m_ulLapStart = now;
}

void WZRace::RecordOut(uint32_t slot, uint32_t now)
{
    WZCarRecord& record = m_aRecords[slot];
    const WZCar& car = *m_apCars[slot];
    record.m_ulOut = now;
    // A car knocked out as it finished second was on the last lap.
    uint32_t lap = car.m_ulLap > m_ulRaceLaps ? m_ulRaceLaps : car.m_ulLap;
    record.m_ulOutLap = lap == 0 ? 1 : lap;
    record.m_ulOutPlace = WZPlaceOf(slot, m_aulPosition, GetNumCars());
    ZEConsole::Post("race", WZDescribeOut(*this, slot), ZE_MSG_DEFAULT);
}

// Per car: node passes and laps, the computer's driving, stopping a car
// whose race is over.
void WZRace::MoveCars(const WZRaceContext& context, uint32_t now)
{
    const WZTrack& track = *context.m_pTrack;
    for (uint32_t i = 0; i < GetNumCars(); ++i)
    {
        WZCar& car = *m_apCars[i];
        if (WZPassNode(car, track) && car.m_lStatus == WZ_STATUS_RACING)
            RecordLap(i, now);
        if (!car.m_bHuman)
            WZDriveCar(car, track, context.m_pEngine, now);
        if (WZMustStop(car))
            WZBringToHalt(car);
    }
}

// Per car after the ranking: finishing and the game type's rules; then the
// last survivor of a race to death.
void WZRace::ScoreCars(uint32_t now)
{
    uint32_t count = GetNumCars();
    for (uint32_t i = 0; i < count; ++i)
    {
        WZRaceOutcome outcome = WZScoreCar(*m_apCars[i], i, m_aulPosition, count, m_ulRaceLaps, m_ulGameType);
        // The second car across a knock-out race's line is out as it finishes.
        bool crossed = outcome == WZ_OUTCOME_KNOCKED_OUT && m_apCars[i]->m_ulLap > m_ulRaceLaps;
        if (outcome == WZ_OUTCOME_FINISHED || crossed)
            m_aRecords[i].m_ulFinish = now;
        if (outcome == WZ_OUTCOME_KNOCKED_OUT || outcome == WZ_OUTCOME_DESTROYED)
            RecordOut(i, now);
    }
    if (m_ulGameType == WZ_GAME_DEATH)
    {
        int32_t survivor = WZCrownSurvivor(m_apCars, count);
        if (survivor >= 0)
            m_aRecords[survivor].m_ulFinish = now;
    }
}

void WZRace::RunRules(const WZRaceContext& context, uint32_t now)
{
    MoveCars(context, now);
    WZRankCars(m_apCars, GetNumCars(), m_aulPosition, *context.m_pTrack);
    ScoreCars(now);
    if (IsOver())
        RecordResults(*context.m_pTrack);
}

void WZRace::RecordResults(const WZTrack& track)
{
    if (m_bResultsRecorded)
        return;
    m_bResultsRecorded = true;
    uint32_t count = GetNumCars();
    WZFinalOrder(m_apCars, count, track, m_aulFinalOrder);
    for (uint32_t place = 0; place < count; ++place)
        ZEConsole::Post("race", WZDescribeCar(*this, m_aulFinalOrder[place]), ZE_MSG_DEFAULT);
}

// ---------------------------------------------------------------------------
// Keys

void WZRace::ResetPlayer(const WZRaceContext& context)
{
    const WZTrack& track = *context.m_pTrack;
    WZCar& car = *m_pPlayerCar;
    uint32_t count = track.m_ulNumTrackNodes;
    if (count == 0)
        return;
    uint32_t next = car.m_ulNextTrackNode < count ? car.m_ulNextTrackNode : 0;
    uint32_t node = (next == 0 ? count : next) - 1;
    const WZTrackNode& at = track.m_pTrackNodes[node];
    if (!car.Reset(at.m_vPosition, at.m_Plane.m_vNormal))
        return;
    // Put back onto the start line, the car has to earn the lap again: it
    // costs one, but only for a reset that was accepted.
    if (node == 0 && car.m_ulLap > 0)
        --car.m_ulLap;
}

WZRaceRequest WZRace::KeyDown(const WZRaceContext& context, uint32_t key)
{
    if (!m_pPlayerCar)
        return WZ_RACE_CONTINUE;
    WZCar& car = *m_pPlayerCar;
    const WZSettings& config = *context.m_pConfig;
    bool racing = car.m_lStatus == WZ_STATUS_RACING;
    if (key == ZE_KEY_ESCAPE)
    {
        if (racing || car.m_lStatus == WZ_STATUS_WAITING)
        {
            m_bPaused = !m_bPaused;
            return WZ_RACE_CONTINUE;
        }
        RecordResults(*context.m_pTrack);
        return m_bCareerRace ? WZ_RACE_END_CAREER : WZ_RACE_EXIT;
    }
    if (key == ZE_KEY_ENTER && m_bPaused)
        return WZ_RACE_EXIT;
    const uint32_t* keys = config.m_aulKeys;
    if (key == keys[WZ_KEY_RESET])
    {
        if (racing)
            ResetPlayer(context);
    }
    else if (key == keys[WZ_KEY_SCREENSHOT])
        m_bScreenshot = true;
    else if (key == keys[WZ_KEY_CAM_POSITION])
    {
        m_fCameraSwing = 0.0f;
        context.m_pConfig->m_ulCameraPosition = (config.m_ulCameraPosition + 1) % 3;
    }
    else if (key == keys[WZ_KEY_USE_POWERUP])
        car.EnablePowerUp();
    else if (key == keys[WZ_KEY_HORN])
        car.Horn();
    return WZ_RACE_CONTINUE;
}
