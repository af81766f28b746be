#include "car/WZCar.h"

#include "car/WZRoster.h"
#include "core/ZETimer.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEMath.h"
#include "powerup/WZEMPMine.h"
#include "powerup/WZEMPRocket.h"
#include "powerup/WZOilPuddle.h"
#include "render/ZECamera.h"
#include "render/ZEParticleSystem.h"
#include "render/ZERenderer.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "resources/ZETextureManager.h"
#include "track/WZBarrier.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"

#include <cmath>
#include <memory>

ZE_IMPLEMENT_RTTI(WZCar, ZEEngineObject);

bool WZCar::ms_bPowerUpsEnabled = true;
bool WZCar::ms_bTyreDecals = true;
bool WZCar::ms_bSmoke = true;

namespace
{
const float kFullRateKMH = 50.0f;          // steering reaches its full rate here
const float kSkidSpeed = 55.0f;            // units per second
const float kSkidSegment = 20.0f;          // a mark is cut into pieces this long
const uint32_t kResetPause = 3000;         // ms between two accepted resets
const uint32_t kBoostTime = 4000, kEMPTime = 3000, kOilTime = 1000;

ZESoundReference* Sound(const char* name)
{
    ZESoundManager* manager = ZESoundManager::ms_pSoundManager;
    return manager ? manager->GetSound(ZEString(name)) : nullptr;
}

ZETextureReference* Corona(const char* name)
{
    ZETextureManager* manager = ZETextureManager::ms_pTexManager;
    return manager ? manager->GetTexture(ZEString(name), ZEString("EngineSFX"), false, 1, true) : nullptr;
}

ZEVector Vector(const float* xyz) { return ZEVector(xyz[0], xyz[1], xyz[2]); }

float Clamp(float value)
{
    if (!(value >= -1.0f))
        return -1.0f;
    return value > 1.0f ? 1.0f : value;
}
}

uint32_t WZNow()
{
    ZETimer* timer = ZETimer::ms_pTimer;
    return timer ? timer->GetTime() : 0;
}

// ---------------------------------------------------------------------------
// Life

WZCar::WZCar()
{
    m_fBounce = 0.7f;
    m_fRetention = 1.0f;
    m_bCastShadow = true;
    m_bStatic = false;
    m_ulWaypointTime = WZNow();
    m_ulLastReset = m_ulWaypointTime - kResetPause;
    m_pPickupSound = Sound("pickup.ogg");
    m_pFireSound = Sound("fire.ogg");
    m_pFrontLight = Corona("corona01");
    m_pRearLight = Corona("corona02");
}

WZCar::~WZCar()
{
    for (WZCarDecal* mark : m_apSkidMarks)
        if (mark)
            mark->m_pOwner = nullptr;
    delete m_pPickupSound;
    delete m_pFireSound;
    delete m_pMotorSound;
    delete m_pBrakeSound;
    delete m_pHornSound;
    delete m_pFrontLight;
    delete m_pRearLight;
}

void WZCar::Build(const WZCarSpec& row, const ZEVector& position, float heading)
{
    m_pBoundingVolume = new ZEOBoundingBox();
    m_pMotorSound = Sound(row.m_pMotorSound);
    m_pBrakeSound = Sound("brake.ogg");
    m_pHornSound = Sound(row.m_pHornSound);
    m_fMass = row.m_fMass;
    m_Drivetrain.m_fMaxRevs = row.m_fMaxRevs;
    m_Drivetrain.SetGears(row.m_aGears, row.m_ulNumGears);
    m_Drivetrain.m_fBrakeStrength = row.m_fBrakeStrength;
    m_fSteeringRate = row.m_fSteeringRate;
    m_vPosition = m_vOldPosition = position;
    m_vRotation = ZEVector(0.0f, heading, 0.0f);

    ZEModelManager* models = ZEModelManager::ms_pModelManager;
    m_pModel = models ? models->GetModel(ZEString(row.m_pModel)) : nullptr;
    ZEAABoundingBox box;
    if (m_pModel)
    {
        m_pModel->SetAnimation(0);
        m_pModel->m_fAnimationSpeed = 0.0f;
        m_pModel->m_bLoop = true;
        box = m_pModel->GetModelBBox();
    }
    ZEVector size = box.m_vMax - box.m_vMin;
    m_fWidth = size.x;
    m_fHeight = size.y;
    m_fLength = size.z;
    m_fGroundHeight = std::fabs(box.m_vMin.y) + 0.05f;
    m_vPosition.y = m_vOldPosition.y = m_fGroundHeight;
    RebuildBox();

    m_fRearAxle = row.m_fRearAxle;
    m_fTyreWidth = row.m_fTyreWidth;
    m_fTyreInset = row.m_fTyreInset;
    for (int i = 0; i < 4; ++i)
        m_avLights[i] = Vector(row.m_aafLights[i]);
    UpdateVectors();
    CreateSmoke(row);
    if (m_pMotorSound)
        m_pMotorSound->Play3D(m_vPosition, m_vVelocity, -1, 1.0f);
}

void WZCar::CreateSmoke(const WZCarSpec& row)
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!ms_bSmoke || !engine)
        return;
    m_usNumSmoke = row.m_usNumSmoke;
    for (uint16_t i = 0; i < m_usNumSmoke; ++i)
    {
        m_avSmokeOffset[i] = Vector(row.m_aafSmoke[i]);
        m_apSmoke[i] = new ZEParticleFX(GetCenter(), ZEParticleFX::ms_lSmoke, 4.0f, row.m_fSmokeSize, 0, 0.0f, 0.0f,
                                        m_vUp, 250, 1000, 255, 1.0f, true, false);
        m_apSmoke[i]->SetColor(255, 255, 255);
        engine->AddParticleSystem(m_apSmoke[i]);
    }
}

ZEVector WZCar::GetCenter() const
{
    return m_pBoundingVolume ? m_pBoundingVolume->GetCenter() : m_vPosition;
}

ZEVector WZCar::CarPoint(const ZEVector& offset) const
{
    return GetCenter() + m_vSide * offset.x + m_vUp * offset.y + m_vForward * offset.z;
}

void WZCar::RebuildBox()
{
    if (!m_pBoundingVolume || !m_pModel)
        return;
    ZEAABoundingBox box = m_pModel->GetModelBBox();
    static_cast<ZEOBoundingBox*>(m_pBoundingVolume)->SetData(m_vPosition, box.m_vMin, box.m_vMax, m_vRotation);
}

void WZCar::UpdateVectors()
{
    if (!m_pBoundingVolume)
        return;
    const ZEOBoundingBox* box = static_cast<const ZEOBoundingBox*>(m_pBoundingVolume);
    m_vForward = box->GetZAxis();
    m_vUp = box->GetYAxis();
    m_vSide = box->GetXAxis();
}

// ---------------------------------------------------------------------------
// Controls

void WZCar::SetPedal(float pedal) { m_fPedal = Clamp(pedal); }
void WZCar::SetSteeringWheel(float steering) { m_fSteering = Clamp(steering); }

void WZCar::Horn()
{
    if (m_pHornSound && !m_pHornSound->IsPlaying())
        m_pHornSound->Play3D(m_vPosition, m_vVelocity, 0, 1.0f);
}

void WZCar::SetPowerUp(uint32_t type)
{
    if (!ms_bPowerUpsEnabled || m_lPowerUp != WZ_POWERUP_NONE)
        return;
    if (m_pPickupSound)
        m_pPickupSound->Play3D(m_vPosition, m_vVelocity, 0, 1.5f);
    m_lPowerUp = static_cast<int32_t>(type);
}

void WZCar::EnablePowerUp()
{
    if (!ms_bPowerUpsEnabled || m_lPowerUp == WZ_POWERUP_NONE)
        return;
    // The gas bottle boosts the engine for 4 s; one used during a running
    // boost is spent without effect. The weapons leave the car as objects
    // of their own: the rocket ahead, mine and oil behind.
    ZEVector centre = GetCenter();
    float clear = 0.51f * m_fLength;
    ZEEngineObject* weapon = nullptr;
    switch (m_lPowerUp)
    {
    case WZ_POWERUP_GASBOTTLE:
        if (m_lEffect != WZ_EFFECT_BOOST)
        {
            m_ulEffectEnd = WZNow() + kBoostTime;
            m_Drivetrain.ApplyBoost();
            m_lEffect = WZ_EFFECT_BOOST;
        }
        break;
    case WZ_POWERUP_ROCKET:
        weapon = new WZEMPRocket(centre + m_vForward * (clear + 8.0f), m_vForward, m_vRotation);
        break;
    case WZ_POWERUP_MINE:
        weapon = new WZEMPMine(centre - m_vForward * (clear + 5.0f));
        break;
    default:
        weapon = new WZOilPuddle(centre - m_vForward * (clear + 15.0f));
        break;
    }
    if (weapon)
    {
        if (ZEEngine* engine = ZEEngine::ms_pEngine)
            engine->AddObjectToWorld(weapon);
        else
            delete weapon;
    }
    if (m_pFireSound)
        m_pFireSound->Play3D(m_vPosition, m_vVelocity, 0, 1.5f);
    m_lPowerUp = WZ_POWERUP_NONE;
}

void WZCar::ApplyHandicap(uint32_t difficulty)
{
    // One rule for the whole table: every forward gear's acceleration and
    // ratio are scaled alike; reverse is left as it is.
    float acceleration = 1.0f, ratio = 1.0f;
    if (difficulty == WZ_DIFFICULTY_MEDIUM)
        acceleration = 0.9f;
    else if (difficulty == WZ_DIFFICULTY_HARD)
    {
        acceleration = 0.8f;
        ratio = 0.9f;
    }
    for (uint32_t g = 1; g < m_Drivetrain.m_ulNumGears; ++g)
    {
        m_Drivetrain.m_pGears[g].m_fAcceleration *= acceleration;
        m_Drivetrain.m_pGears[g].m_fRatio *= ratio;
    }
}

void WZCar::TakeBackBoost()
{
    if (m_lEffect != WZ_EFFECT_BOOST)
        return;
    m_Drivetrain.TakeBackBoost();
    m_lEffect = WZ_EFFECT_NONE;
    m_ulEffectEnd = 0;
}

void WZCar::EMPHit()
{
    TakeBackBoost();
    m_ulEffectEnd = WZNow() + kEMPTime;
    m_lEffect = WZ_EFFECT_EMP;
}

void WZCar::OilHit()
{
    TakeBackBoost();
    m_ulEffectEnd = WZNow() + kOilTime;
    m_lEffect = WZ_EFFECT_OIL;
}

bool WZCar::Reset(const ZEVector& position, const ZEVector& direction)
{
    uint32_t now = WZNow();
    if (now - m_ulLastReset < kResetPause)
        return false;
    // The cosine is clamped: a direction a little longer than 1 must not
    // give a heading that is not a number.
    float cosine = -direction.z;
    cosine = cosine > 1.0f ? 1.0f : (cosine < -1.0f ? -1.0f : cosine);
    float heading = ZEACosDeg(cosine);
    if (direction.x > 0.0f)
        heading = -heading;
    m_vRotation = ZEVector(0.0f, heading, 0.0f);
    m_vPosition = m_vOldPosition = ZEVector(position.x, m_fGroundHeight, position.z);
    m_vVelocity = m_vAcceleration = ZEVector();
    m_Drivetrain.Stop();
    RebuildBox();
    m_ulLastReset = now;
    ++m_ulResets;
    UpdateVectors();
    m_ulView = WZ_VIEW_GHOST;
    return true;
}

// ---------------------------------------------------------------------------
// The step

void WZCar::Animate(uint32_t ms, ZEEngine* engine)
{
    float speed = GetSpeedKMH();
    bool out = m_lStatus == WZ_STATUS_DESTROYED || m_lStatus == WZ_STATUS_KNOCKED_OUT;
    if (m_lStatus == WZ_STATUS_WAITING || (WZHasFinished(m_lStatus) && m_ulNextTrackNode < 2) || (out && speed < 5.0f))
    {
        if (m_pModel)
            m_pModel->m_fAnimationSpeed = 0.0f;
        return;
    }
    m_bBraking = false;
    if (m_pModel)
    {
        uint32_t wheels = m_fSteering < 0.0f ? 1 : (m_fSteering > 0.0f ? 2 : 0);
        if (m_pModel->m_ulAnimation != wheels)
            m_pModel->SetAnimation(wheels);
        float spin = m_vVelocity.GetLength() / 25.0f;
        m_pModel->m_fAnimationSpeed = m_Drivetrain.Drives() ? (spin < 10.0f ? spin : 10.0f) : 0.0f;
        m_pModel->m_bReverse = m_Drivetrain.m_lGear == 0;
    }
    if (m_fSteering != 0.0f && m_lEffect != WZ_EFFECT_OIL && m_ulView != WZ_VIEW_GHOST)
        Steer(ms / 1000.0f, speed);
    UpdateEngine(ms, engine);
    EndEffectWhenDue();
}

// Full rate from 50 km/h, in proportion below; backwards in reverse.
void WZCar::Steer(float dt, float speed)
{
    float sign = m_Drivetrain.m_lGear == 0 ? -1.0f : 1.0f;
    float turn = sign * dt * m_fSteeringRate * m_fSteering;
    if (speed < kFullRateKMH)
        turn *= speed * 0.02f;
    float heading = std::fmod(m_vRotation.y + turn, 360.0f);
    if (heading < 0.0f)
        heading += 360.0f;
    m_vRotation.y = heading;
    RebuildBox();
    UpdateVectors();
}

void WZCar::EndEffectWhenDue()
{
    if (m_ulEffectEnd == 0 || static_cast<int32_t>(WZNow() - m_ulEffectEnd) < 0)
        return;
    m_ulEffectEnd = 0;
    if (m_lEffect == WZ_EFFECT_BOOST)
        m_Drivetrain.TakeBackBoost();
    m_lEffect = WZ_EFFECT_NONE;
}

void WZCar::UpdateEngine(uint32_t ms, ZEEngine*)
{
    bool emp = m_lEffect == WZ_EFFECT_EMP;
    if (emp)
        m_fPedal = 0.0f;
    float speed = m_vVelocity.GetLength();
    bool rollingForward = speed > 0.0001f && m_vVelocity.DotProduct(m_vForward) / speed >= 0.99f;
    m_bBraking = m_Drivetrain.Step(m_fPedal, rollingForward, emp, ms);
    // Without a gear the car writes no acceleration and keeps its velocity.
    if (m_Drivetrain.Drives() && ms > 0)
    {
        ZEVector target = m_vForward * m_Drivetrain.TargetSpeed(m_bHandbrake);
        m_vAcceleration.x = (target.x - m_vVelocity.x) * 1000.0f / ms;
        m_vAcceleration.z = (target.z - m_vVelocity.z) * 1000.0f / ms;
    }
    m_Drivetrain.Settle(m_fPedal);
}

void WZCar::Update(uint32_t ms, ZEEngine* engine)
{
    RideAtGroundHeight();
    ZEEngineObject::Update(ms, engine);
    UpdateVectors();
    // The ghost phase after a reset ends by game time, drawn or not.
    if (m_ulView == WZ_VIEW_GHOST)
    {
        bool over = WZNow() - m_ulLastReset > m_ulGhostTime - 1;
        m_bCollision = over;
        if (over)
            m_ulView = WZ_VIEW_NORMAL;
    }
    Skid(ms, engine);
    MoveSmoke();
    MoveSounds();
}

void WZCar::RideAtGroundHeight()
{
    m_vVelocity.y = 0.0f;
    m_vAcceleration.y = 0.0f;
    float lift = m_fGroundHeight - m_vPosition.y;
    if (lift == 0.0f)
        return;
    if (m_pBoundingVolume)
        m_pBoundingVolume->SetCenter(m_pBoundingVolume->GetCenter() + ZEVector(0.0f, lift, 0.0f));
    m_vPosition.y = m_fGroundHeight;
}

// Braking hard, the handbrake or oil above 55 units per second screech and
// lay marks; anything else ends the marks being laid.
void WZCar::Skid(uint32_t ms, ZEEngine* engine)
{
    bool sliding = (m_fPedal < 0.0f && m_Drivetrain.m_lGear != 0) || m_bHandbrake || m_lEffect == WZ_EFFECT_OIL;
    if (!sliding || m_vVelocity.GetLength() <= kSkidSpeed)
    {
        LetGoOfSkidMarks();
        return;
    }
    if (m_pBrakeSound && !m_pBrakeSound->IsPlaying())
        m_pBrakeSound->Play3D(m_vPosition, m_vVelocity, 0, 1.0f);
    if (ms_bTyreDecals)
        CreateTyreDecals(ms, engine);
}

void WZCar::LetGoOfSkidMarks()
{
    for (WZCarDecal*& mark : m_apSkidMarks)
    {
        if (mark)
            mark->m_pOwner = nullptr;
        mark = nullptr;
    }
}

void WZCar::CreateTyreDecals(uint32_t ms, ZEEngine* engine)
{
    ZEVector side = m_vSide * (0.5f * m_fWidth - m_fTyreInset);
    ZEVector rear = m_vOldPosition + m_vForward * m_fRearAxle;
    rear.y = 0.0f;
    ZEVector wheels[2] = {rear - side, rear + side};
    float step = m_vVelocity.GetLength() * ms / 1000.0f;
    for (uint32_t i = 0; i < 2; ++i)
    {
        WZCarDecal* mark = m_apSkidMarks[i];
        if (mark && m_afSkidLength[i] <= kSkidSegment && m_vSkidDirection == m_vForward)
        {
            m_afSkidLength[i] += step;
            mark->SetData(m_avSkidStart[i], m_vForward, m_afSkidLength[i], m_fTyreWidth);
            continue;
        }
        if (mark)
            mark->m_pOwner = nullptr;
        m_avSkidStart[i] = wheels[i];
        m_afSkidLength[i] = step;
        mark = new WZCarDecal(m_avSkidStart[i], m_vForward, step, m_fTyreWidth);
        mark->m_pOwner = this;
        mark->m_ulSlot = i;
        m_apSkidMarks[i] = mark;
        // The engine may delete the oldest marks at once, this one among
        // them; the mark's destructor then clears the link just made.
        if (engine)
            engine->AddDecal(mark);
        else
            delete mark;
    }
    m_vSkidDirection = m_vForward;
}

void WZCar::MoveSmoke()
{
    if (!ms_bSmoke)
        return;
    for (uint16_t i = 0; i < m_usNumSmoke; ++i)
        if (m_apSmoke[i])
            m_apSmoke[i]->MoveToPosition(CarPoint(m_avSmokeOffset[i]));
}

void WZCar::MoveSounds()
{
    if (m_pMotorSound)
        m_pMotorSound->UpdateProperties(m_vPosition, m_vVelocity);
    for (ZESoundReference* sound : {m_pBrakeSound, m_pHornSound, m_pPickupSound, m_pFireSound})
        if (sound && sound->IsPlaying())
            sound->UpdateProperties(m_vPosition, m_vVelocity);
}

// ---------------------------------------------------------------------------
// Contacts

bool WZCar::Influence(uint32_t step, ZEEngineObject* other)
{
    if (ZEIsKindOf(other, WZCar::ms_RTTI))
    {
        const WZCar* car = static_cast<const WZCar*>(other);
        if (m_ulView == WZ_VIEW_GHOST || car->m_ulView == WZ_VIEW_GHOST)
            return false;
    }
    return ZEEngineObject::Influence(step, other);
}

void WZCar::OnClip(ZEEngineObject* other)
{
    if (ZEIsKindOf(other, WZCar::ms_RTTI))
    {
        // A computer driver hoots at a car it bumps from behind.
        if (m_bHuman || !m_bHorn || (m_pHornSound && m_pHornSound->IsPlaying()))
            return;
        ZEVector towards = other->m_vPosition - m_vPosition;
        if (towards.GetLength() > 0.0f && towards.UnitVector().DotProduct(m_vForward) >= 0.5f)
            Horn();
        return;
    }
    bool wall = (other && other->GetRTTI() == &ZEBSPTerrain::ms_RTTI) || ZEIsKindOf(other, WZBarrier::ms_RTTI);
    if (!wall)
        return;
    // A wall stops a boosted car, and one that brakes into it.
    bool boosted = m_lEffect == WZ_EFFECT_BOOST;
    if (!boosted && !(m_fPedal < 0.0f && m_Drivetrain.m_lGear != 0))
        return;
    TakeBackBoost();
    m_Drivetrain.Stop();
    m_vVelocity = m_vAcceleration = ZEVector();
}

// ---------------------------------------------------------------------------
// Drawing

// After a reset the car blinks, ever less often, until the ghost phase ends.
bool WZCar::DrawnThisFrame() const
{
    if (m_ulView == WZ_VIEW_INSIDE)
        return false;
    if (m_ulView != WZ_VIEW_GHOST)
        return true;
    uint32_t t = WZNow() - m_ulLastReset;
    return !(t % 250 > t / 25 + 75);
}

void WZCar::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!renderer || !DrawnThisFrame())
        return;
    ZEEngineObject::Render(renderer, camera);
    RenderCoronas(renderer, camera);
}

float WZCar::CoronaSize(ZECamera* camera) const
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!camera || !engine)
        return 0.0f;
    float distance = (camera->m_vPosition - GetCenter()).GetLength();
    if (distance >= engine->m_fCoronaDist)
        return 0.0f;
    float size = distance > engine->m_fCoronaDist * 0.25f ? 16.0f : distance * engine->m_fCoronaScale;
    return size < 6.0f ? 6.0f : (size > 16.0f ? 16.0f : size);
}

void WZCar::RenderCoronas(ZERenderer* renderer, ZECamera* camera)
{
    float size = CoronaSize(camera);
    if (size == 0.0f)
        return;
    renderer->SetZBufferState(false);
    renderer->EnableBlending();
    renderer->SetBlendingState(4, 1);
    renderer->SetAmbient(255, 255, 255, 192);
    for (int i = 0; i < 2; ++i)
        renderer->RenderParticle(CarPoint(m_avLights[i]), size, size, m_pFrontLight);
    if (m_fPedal < 0.0f)
    {
        // White reversing lights, red brake lights.
        if (m_Drivetrain.m_lGear == 0)
            renderer->SetAmbient(255, 255, 255, 255);
        else
            renderer->SetAmbient(255, 0, 0, 255);
        for (int i = 2; i < 4; ++i)
            renderer->RenderParticle(CarPoint(m_avLights[i]), size, size, m_pRearLight);
    }
    renderer->SetZBufferState(true);
    renderer->DisableBlending();
}

void WZCar::RenderShadow(ZERenderer* renderer, ZECamera* camera, ZELight* lights, ZEShadowMethod method, bool)
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (m_ulView == WZ_VIEW_INSIDE || method == ZE_SHADOW_NONE || !renderer || !engine)
        return;
    if (method == ZE_SHADOW_FAKE)
    {
        renderer->SetAmbient(192, 192, 192);
        engine->RenderFakeShadow(GetCenter(), m_vForward, m_fWidth, m_fLength);
        return;
    }
    ZEVector light;
    if (!m_pModel || !GetClosestLight(lights, light))
        return;
    ZEPlane ground(ZEVector(0.0f, 1.0f, 0.0f), 0.0);
    if (method == ZE_SHADOW_PROJECTED)
    {
        renderer->SetAmbient(0, 0, 0);
        m_pModel->RenderProjectedShadow(renderer, m_vPosition, m_vRotation, light, ground);
        return;
    }
    if (engine->m_pTerrain && engine->m_pTerrain->Clips(light, m_vPosition - light))
        return;
    uint8_t alpha = ZEShadowAlpha(m_afLight);
    if (method == ZE_SHADOW_PROJECTED_STENCIL)
    {
        ZEBeginBlendedShadow(renderer, alpha);
        m_pModel->RenderProjectedShadow(renderer, m_vPosition, m_vRotation, light, ground);
        ZEEndBlendedShadow(renderer);
        return;
    }
    renderer->SetAmbient(0, 0, 0, alpha);
    m_pModel->RenderStencilShadow(renderer, camera, m_vPosition, m_vRotation, light);
}

// ---------------------------------------------------------------------------
// WZCarDecal

WZCarDecal::WZCarDecal(const ZEVector& start, const ZEVector& direction, float length, float width)
{
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    const uint8_t white[3] = {255, 255, 255};
    if (textures)
    {
        std::unique_ptr<ZETextureReference> tyre(
            textures->GetTexture(ZEString("tyre"), ZEString("tyre"), false, white));
        SetTexture(tyre.get());
    }
    SetAlpha(220);
    SetColor(0, 0, 0);
    SetFading(true, 1000);
    SetBlending(4, 5);
    m_usNumVertices = 6;
    m_pVertices = new ZEVertex[6];
    SetData(start, direction, length, width);
}

WZCarDecal::~WZCarDecal()
{
    if (m_pOwner)
        m_pOwner->ForgetSkidMark(m_ulSlot);
}

void WZCarDecal::SetData(const ZEVector& start, const ZEVector& d, float length, float width)
{
    m_ulCreationTime = WZNow();
    m_ulLifetime = 30000;
    ZEVector half = ZEVector(d.z, 0.0f, -d.x) * (width * 0.5f);
    ZEVector along = ZEVector(d.x, 0.0f, d.z) * length;
    const ZEVector corners[6] = {start - half + along, start + half, start - half,
                                 start - half + along, start + half + along, start + half};
    const float uv[6][2] = {{0, 0}, {1, length * 0.5f}, {0, length * 0.5f}, {0, 0}, {1, 0}, {1, length * 0.5f}};
    for (int i = 0; i < 6; ++i)
    {
        m_pVertices[i] = ZEVertex{corners[i].x, corners[i].y, corners[i].z, uv[i][0], uv[i][1]};
    }
    m_Position = start;
    FitSphere();
}
