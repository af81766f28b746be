// WZCar: every car of a race, the player's and the computer's alike.
//
// A car is an engine object driven by an arcade model, not free physics: a
// pedal and a steering wheel in [-1, 1] drive the engine and gearbox
// (WZDrivetrain), whose revolutions and ratio give a target speed along the
// car's forward axis; each step the car sets its acceleration so that its
// velocity reaches that target within the step. Steering turns the heading
// at a rate that grows with speed up to 50 km/h. The car rides at a fixed
// height over the plane y = 0 (its model's lowest point 0.05 above it); any
// level face its box touches is a wall. Its collision volume is an oriented
// box fitted to its model, whose origin lies on the car's centre line ahead
// of the box centre (the rear wheels touch the road m_fRearAxle behind it).
//
// Time: every "now" below is the timer's game time, the clock the engine
// steps the world by; the car never reads the wall clock.
//
// Ownership: the car owns its sounds, its two corona textures and its gear
// table. Its skid marks and exhaust emitters belong to the engine's decal
// and particle lists; the car only points at them. A skid mark the engine
// deletes first tells the car (WZCarDecal's destructor), and a car deleted
// first tells its marks, so neither is left pointing at the other.
//
// Each model (WZCop, WZGolf, ...) is a subclass that fills the parameters
// from its roster row with Build().
#pragma once

#include "WZTypes.h"
#include "car/WZDrivetrain.h"
#include "core/ZEString.h"
#include "math/ZEVector.h"
#include "render/ZEDecal.h"
#include "world/ZEEngineObject.h"

#include <cstdint>

class ZEParticleFX;
class ZESoundReference;
class ZETextureReference;
class WZCar;
struct WZCarSpec;

// One segment of a skid mark: a dark rectangle on the road that fades out
// after 30 s.
class WZCarDecal : public ZEDecal
{
public:
    WZCarDecal(const ZEVector& start, const ZEVector& direction, float length, float width);
    // Lets go of the car's link to this mark.
    ~WZCarDecal() override;

    // Lays the rectangle from start along the unit direction.
    void SetData(const ZEVector& start, const ZEVector& direction, float length, float width);

    WZCar* m_pOwner = nullptr;
    uint32_t m_ulSlot = 0;
};

// Values of m_ulView.
enum WZCarView : uint32_t
{
    WZ_VIEW_NORMAL = 0,
    WZ_VIEW_INSIDE = 1,   // the camera sits in the car: not drawn, no shadow
    WZ_VIEW_GHOST = 2     // just reset: blinks and passes through other cars
};

// Values of m_lPowerUp and m_lEffect.
enum WZPowerUpType : int32_t
{
    WZ_POWERUP_NONE = -1,
    WZ_POWERUP_GASBOTTLE = 0,
    WZ_POWERUP_ROCKET = 1,
    WZ_POWERUP_MINE = 2,
    WZ_POWERUP_OIL = 3
};

// Career difficulty, as the career stores it.
enum WZDifficulty : uint32_t
{
    WZ_DIFFICULTY_EASY = 1,
    WZ_DIFFICULTY_MEDIUM = 2,
    WZ_DIFFICULTY_HARD = 3
};

enum WZCarEffect : int32_t
{
    WZ_EFFECT_NONE = -1,
    WZ_EFFECT_BOOST = 0,
    WZ_EFFECT_EMP = 2,
    WZ_EFFECT_OIL = 3
};

class WZCar : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    WZCar();
    ~WZCar() override;

    bool Influence(uint32_t step, ZEEngineObject* other) override;
    void OnClip(ZEEngineObject* other) override;
    void Animate(uint32_t step, ZEEngine* engine) override;
    void Update(uint32_t step, ZEEngine* engine) override;
    void Render(ZERenderer* renderer, ZECamera* camera) override;
    void RenderShadow(ZERenderer* renderer, ZECamera* camera, ZELight* lights, ZEShadowMethod method,
                      bool allLights) override;
    // Sounds the horn unless it is sounding; sirens switch instead.
    virtual void Horn();

    // Clamped to [-1, 1].
    void SetPedal(float pedal);
    void SetSteeringWheel(float steering);
    float GetSpeedKMH() const { return m_Drivetrain.GetSpeedKMH(); }

    // Takes a powerup while powerups are on and none is held.
    void SetPowerUp(uint32_t type);
    // Uses the held powerup (with powerups on): the gas bottle boosts the
    // car for 4 s unless a boost runs; a rocket leaves ahead of the car,
    // a mine and an oil puddle behind it, each added to the world.
    void EnablePowerUp();
    // The player's handicap in a career race: Medium scales the
    // acceleration of every forward gear by 0.9; Hard scales it by 0.8 and
    // every forward ratio by 0.9; Easy leaves the table. Once, before the
    // race starts.
    void ApplyHandicap(uint32_t difficulty);
    void EMPHit();
    void OilHit();

    // Puts the car back at `position`, facing against `direction` (which
    // points back along the track); ignored within 3 s of the last
    // accepted reset. True when accepted.
    bool Reset(const ZEVector& position, const ZEVector& direction);
    // Forward, up and side axes from the box.
    void UpdateVectors();
    void UpdateEngine(uint32_t ms, ZEEngine* engine);
    void CreateTyreDecals(uint32_t ms, ZEEngine* engine);
    // The box's centre (the car's middle, not its origin).
    ZEVector GetCenter() const;
    // Called by a skid mark the engine deletes.
    void ForgetSkidMark(uint32_t slot) { m_apSkidMarks[slot] = nullptr; }

    static bool ms_bPowerUpsEnabled;
    static bool ms_bTyreDecals;
    static bool ms_bSmoke;

    ZEString m_strDriverName;
    uint32_t m_ulAINode = 0;
    uint32_t m_ulWaypointTime = 0;
    float m_fSkill = 1.0f;
    uint32_t m_ulNextTrackNode = 0;
    uint32_t m_ulLap = 0;
    bool m_bHorn = false;
    bool m_bHuman = false;
    int32_t m_lStatus = WZ_STATUS_WAITING;
    uint32_t m_ulView = WZ_VIEW_NORMAL;
    uint32_t m_ulLastReset = 0;
    int32_t m_lPowerUp = WZ_POWERUP_NONE;
    uint32_t m_ulEffectEnd = 0;
    int32_t m_lEffect = WZ_EFFECT_NONE;
    ZESoundReference* m_pPickupSound = nullptr;
    ZESoundReference* m_pFireSound = nullptr;
    ZESoundReference* m_pMotorSound = nullptr;
    ZESoundReference* m_pBrakeSound = nullptr;
    ZESoundReference* m_pHornSound = nullptr;
    ZETextureReference* m_pFrontLight = nullptr;
    ZETextureReference* m_pRearLight = nullptr;
    bool m_bHandbrake = false;
    float m_fPedal = 0.0f;
    float m_fSteering = 0.0f;
    ZEVector m_vForward{0.0f, 0.0f, 1.0f};
    ZEVector m_vUp{0.0f, 1.0f, 0.0f};
    ZEVector m_vSide{1.0f, 0.0f, 0.0f};
    float m_fWidth = 0.0f, m_fHeight = 0.0f, m_fLength = 0.0f;
    float m_fGroundHeight = 0.0f;
    float m_fSteeringRate = 0.0f;
    WZDrivetrain m_Drivetrain;   // revolutions, gear, gear table, brake strength
    float m_fRearAxle = 0.0f;
    bool m_bBraking = false;
    float m_fTyreWidth = 0.0f;
    float m_fTyreInset = 0.0f;
    ZEVector m_vSkidDirection;
    ZEVector m_avSkidStart[2];
    float m_afSkidLength[2] = {0.0f, 0.0f};
    WZCarDecal* m_apSkidMarks[2] = {nullptr, nullptr};
    ZEVector m_avLights[4];
    uint16_t m_usNumSmoke = 0;
    ZEParticleFX* m_apSmoke[2] = {nullptr, nullptr};
    ZEVector m_avSmokeOffset[2];
    // Beyond the race state the rules keep: the model (WZCarName) and the
    // accepted resets, for results.
    uint32_t m_ulModel = WZ_CAR_ACLASS;
    uint32_t m_ulResets = 0;

protected:
    // Fills the car from its roster row and places it (status 6, no gear).
    void Build(const WZCarSpec& row, const ZEVector& position, float heading);
    // The blinking after a reset lasts this long (ms).
    void SetGhostTime(uint32_t ms) { m_ulGhostTime = ms; }
    // A point given in car axes (side, up, forward) from the box centre.
    ZEVector CarPoint(const ZEVector& offset) const;
    // Corona size for the camera's distance, 0 when none is drawn.
    float CoronaSize(ZECamera* camera) const;
    // Not from inside, and not in the dark beats of the blinking after a
    // reset.
    bool DrawnThisFrame() const;

private:
    void Steer(float dt, float speed);
    void RebuildBox();
    void EndEffectWhenDue();
    void TakeBackBoost();
    void RideAtGroundHeight();
    void Skid(uint32_t ms, ZEEngine* engine);
    void LetGoOfSkidMarks();
    void MoveSmoke();
    void MoveSounds();
    void RenderCoronas(ZERenderer* renderer, ZECamera* camera);
    void CreateSmoke(const WZCarSpec& row);

    uint32_t m_ulGhostTime = 1000;
};

// The time the game runs by: the timer's game time, 0 without a timer.
uint32_t WZNow();
