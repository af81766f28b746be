// Powerups in a world: what each does to a car, weapons that find the car
// they should, pickups taken twice in one step, respawn by game time, the
// computer drivers' use of weapons and the career handicap.
#include "GameHarness.h"

#include "ai/WZDriver.h"
#include "car/WZCar.h"
#include "car/WZCarModels.h"
#include "car/WZRoster.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEMath.h"
#include "math/ZEPolygon.h"
#include "powerup/WZEMPMine.h"
#include "powerup/WZEMPRocket.h"
#include "powerup/WZOilPuddle.h"
#include "powerup/WZPowerUp.h"
#include "render/ZEParticleSystem.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace
{
class PowerUpTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pGame = std::make_unique<WZTestGame>("--headless --track testtrack --type 1 --seed 1");
        m_pGame->Start();
        m_pEngine = m_pGame->m_pEngine;
        for (WZCar* car : m_pGame->m_Race.m_apCars)
            delete car;
        m_pGame->m_Race.Clear();
        WZCar::ms_bPowerUpsEnabled = true;
    }

    // A racing car on the test track's first straight (x -150..150, z 0
    // to 2200); heading 0 faces +z, 90 faces +x.
    WZCar* Add(const ZEVector& at, float heading = 0.0f, uint32_t model = WZ_CAR_GOLF)
    {
        WZCar* car = WZMakeCar(model, at, heading);
        car->m_lStatus = WZ_STATUS_RACING;
        m_pEngine->AddObjectToWorld(car);
        return car;
    }

    // The newest object of the class in the world.
    template <class T> T* Find() const
    {
        T* found = nullptr;
        for (ZEEngineObject* o = m_pEngine->GetObjects(); o; o = o->m_pNext)
            if (ZEIsKindOf(o, T::ms_RTTI))
                found = static_cast<T*>(o);
        return found;
    }

    uint32_t ParticleSystems() const
    {
        uint32_t count = 0;
        for (ZEParticleSystem* s = m_pEngine->m_pParticleSystems; s; s = s->m_pNext)
            ++count;
        return count;
    }

    // Rolling forward at `speed` units per second in second gear, the pedal down.
    void Roll(WZCar* car, float speed)
    {
        WZDrivetrain& drive = car->m_Drivetrain;
        drive.m_lGear = 2;
        drive.m_fRevs = speed * drive.m_fMaxRevs / drive.m_pGears[2].m_fRatio;
        car->m_vVelocity = car->m_vForward * speed;
        car->SetPedal(1.0f);
    }

    void Use(WZCar* car, int32_t type)
    {
        car->m_lPowerUp = type;
        car->EnablePowerUp();
        ASSERT_EQ(car->m_lPowerUp, WZ_POWERUP_NONE);
    }

    std::unique_ptr<WZTestGame> m_pGame;
    ZEEngine* m_pEngine = nullptr;
};
}

TEST_F(PowerUpTest, BoostEMPAndOilActOnSpeedAndSteering)
{
    WZCar* plain = Add(ZEVector(-80, 0, 0));
    WZCar* boosted = Add(ZEVector(80, 0, 0));
    plain->SetPedal(1.0f);
    boosted->SetPedal(1.0f);
    Use(boosted, WZ_POWERUP_GASBOTTLE);
    m_pGame->Run(1500);
    EXPECT_GT(boosted->GetSpeedKMH(), plain->GetSpeedKMH() + 20.0f);
    m_pGame->Run(2600);
    EXPECT_EQ(boosted->m_lEffect, WZ_EFFECT_NONE);

    // Under an EMP hit the pedal does nothing for 3 s.
    plain->EMPHit();
    float before = plain->GetSpeedKMH();
    m_pGame->Run(2900);
    EXPECT_LT(plain->GetSpeedKMH(), before);
    EXPECT_EQ(plain->m_lEffect, WZ_EFFECT_EMP);
    m_pGame->Run(200);
    EXPECT_EQ(plain->m_lEffect, WZ_EFFECT_NONE);
    before = plain->GetSpeedKMH();
    plain->SetPedal(1.0f);
    m_pGame->Run(300);
    EXPECT_GT(plain->GetSpeedKMH(), before);

    // On oil the wheel does nothing for 1 s; a boost is taken back first.
    Use(boosted, WZ_POWERUP_GASBOTTLE);
    boosted->OilHit();
    EXPECT_EQ(boosted->m_lEffect, WZ_EFFECT_OIL);
    EXPECT_FLOAT_EQ(boosted->m_Drivetrain.m_pGears[1].m_fRatio, plain->m_Drivetrain.m_pGears[1].m_fRatio);
    boosted->SetSteeringWheel(1.0f);
    float heading = boosted->m_vRotation.y;
    m_pGame->Run(990);
    EXPECT_FLOAT_EQ(boosted->m_vRotation.y, heading);
    m_pGame->Run(30);
    EXPECT_NE(boosted->m_vRotation.y, heading);
}

TEST_F(PowerUpTest, ARocketStopsTheCarAheadAndNotTheOneBeside)
{
    WZCar* shooter = Add(ZEVector(0, 0, 0));
    WZCar* beside = Add(ZEVector(100, 0, 300));
    WZCar* ahead = Add(ZEVector(0, 0, 600));
    uint32_t systems = ParticleSystems();
    Use(shooter, WZ_POWERUP_ROCKET);
    WZEMPRocket* rocket = Find<WZEMPRocket>();
    ASSERT_NE(rocket, nullptr);
    EXPECT_EQ(ParticleSystems(), systems + 1);
    m_pGame->Run(750);
    EXPECT_EQ(ahead->m_lEffect, WZ_EFFECT_EMP);
    EXPECT_EQ(beside->m_lEffect, WZ_EFFECT_NONE);
    EXPECT_EQ(shooter->m_lEffect, WZ_EFFECT_NONE);
    // The trail gave way to the explosion, which goes 500 ms later; the
    // spent rocket stays in the world without model or volume.
    ASSERT_GT(rocket->m_ulExplosionTime, 0u);
    EXPECT_EQ(rocket->m_pBoundingVolume, nullptr);
    EXPECT_EQ(ParticleSystems(), systems + 1);
    m_pGame->Run(600);
    EXPECT_EQ(ParticleSystems(), systems);
    EXPECT_EQ(Find<WZEMPRocket>(), rocket);

    // Fired at the wall, it explodes there and stops nobody.
    WZCar* sideways = Add(ZEVector(0, 0, 1200), 90.0f);
    Use(sideways, WZ_POWERUP_ROCKET);
    WZEMPRocket* second = Find<WZEMPRocket>();
    m_pGame->Run(600);
    EXPECT_GT(second->m_ulExplosionTime, 0u);
    EXPECT_LT(second->m_vPosition.x, 400.0f);
    EXPECT_EQ(sideways->m_lEffect, WZ_EFFECT_NONE);

    // One that meets nothing burns out after 5 s, trail and all.
    m_pGame->Run(600);
    uint32_t before = ParticleSystems();
    WZEMPRocket* upwards = new WZEMPRocket(ZEVector(0, 50, 300), ZEVector(0, 1, 0), ZEVector());
    m_pEngine->AddObjectToWorld(upwards);
    m_pGame->Run(4980);
    EXPECT_NE(upwards->m_pModel, nullptr);
    m_pGame->Run(60);
    EXPECT_EQ(upwards->m_pModel, nullptr);
    EXPECT_FALSE(upwards->m_bCollision);
    EXPECT_EQ(ParticleSystems(), before);
}

TEST_F(PowerUpTest, AMineSettlesBehindItsLayerAndStopsTheCarThatFollows)
{
    WZCar* layer = Add(ZEVector(0, 0, 400));
    Use(layer, WZ_POWERUP_MINE);
    WZEMPMine* mine = Find<WZEMPMine>();
    ASSERT_NE(mine, nullptr);
    EXPECT_LT(mine->m_vPosition.z, 400.0f - layer->m_fLength * 0.5f);
    layer->SetPedal(1.0f);
    m_pGame->Run(1500);
    EXPECT_TRUE(mine->m_bStatic);
    EXPECT_FALSE(mine->m_bGravity);
    EXPECT_EQ(mine->m_ulExplosionTime, 0u);
    EXPECT_EQ(layer->m_lEffect, WZ_EFFECT_NONE);

    WZCar* follower = Add(ZEVector(mine->m_vPosition.x, 0, mine->m_vPosition.z - 120));
    Roll(follower, 200.0f);
    m_pGame->Run(1000);
    EXPECT_EQ(follower->m_lEffect, WZ_EFFECT_EMP);
    EXPECT_GT(mine->m_ulExplosionTime, 0u);
    EXPECT_EQ(mine->m_pBoundingVolume, nullptr);
}

TEST_F(PowerUpTest, OilMakesACarDrivingThroughSkidAndRaysPassOverIt)
{
    WZCar::ms_bTyreDecals = true;
    m_pEngine->m_bDecals = true;
    WZCar* pourer = Add(ZEVector(0, 0, 600));
    Use(pourer, WZ_POWERUP_OIL);
    WZOilPuddle* puddle = Find<WZOilPuddle>();
    ASSERT_NE(puddle, nullptr);
    _ZEClipInfo clip;
    EXPECT_FALSE(puddle->Clips(ZEVector(puddle->m_vPosition.x, 5, puddle->m_vPosition.z - 50), ZEVector(0, 0, 100),
                               clip));

    WZCar* driver = Add(ZEVector(puddle->m_vPosition.x, 0, puddle->m_vPosition.z - 100));
    Roll(driver, 200.0f);
    uint32_t decals = m_pEngine->GetNumDecals();
    m_pGame->Run(500);
    EXPECT_EQ(driver->m_lEffect, WZ_EFFECT_OIL);
    EXPECT_GT(m_pEngine->GetNumDecals(), decals);
    // The puddle stays for the next car.
    EXPECT_EQ(Find<WZOilPuddle>(), puddle);
}

TEST_F(PowerUpTest, TwoContactsInOneStepActOnce)
{
    WZCar* first = Add(ZEVector(-80, 0, 0));
    WZCar* second = Add(ZEVector(80, 0, 0));
    WZPowerUp* pickup = new WZPowerUp(ZEVector(0, 0, 1500));
    m_pEngine->AddObjectToWorld(pickup);
    pickup->m_lType = WZ_POWERUP_MINE;
    pickup->OnClip(first);
    pickup->OnClip(second);
    pickup->OnClip(first);
    EXPECT_EQ(first->m_lPowerUp, WZ_POWERUP_MINE);
    EXPECT_EQ(second->m_lPowerUp, WZ_POWERUP_NONE);
    EXPECT_EQ(pickup->m_pModel, nullptr);
    EXPECT_FALSE(pickup->m_bCollision);

    uint32_t systems = ParticleSystems();
    WZEMPMine* mine = new WZEMPMine(ZEVector(0, 0, 1000));
    m_pEngine->AddObjectToWorld(mine);
    mine->OnClip(first);
    mine->OnClip(second);
    EXPECT_EQ(first->m_lEffect, WZ_EFFECT_EMP);
    EXPECT_EQ(second->m_lEffect, WZ_EFFECT_NONE);
    EXPECT_EQ(ParticleSystems(), systems + 1);

    m_pGame->Timer()->Advance(100);
    uint32_t firstEnd = first->m_ulEffectEnd;
    WZEMPRocket* rocket = new WZEMPRocket(ZEVector(0, 8, 800), ZEVector(0, 0, 1), ZEVector());
    m_pEngine->AddObjectToWorld(rocket);
    rocket->OnClip(second);
    rocket->OnClip(first);
    EXPECT_EQ(second->m_lEffect, WZ_EFFECT_EMP);
    EXPECT_EQ(first->m_ulEffectEnd, firstEnd);
    EXPECT_EQ(ParticleSystems(), systems + 2);
    // Each explosion is removed once.
    m_pGame->Run(1000);
    EXPECT_EQ(ParticleSystems(), systems);
}

TEST_F(PowerUpTest, APickupComesBackAfter25SecondsWithANewType)
{
    WZCar* car = Add(ZEVector(0, 0, 0));
    car->m_lPowerUp = WZ_POWERUP_ROCKET;
    // A zero draw of the generator gives the gas bottle, not type -1.
    ZESetRandomState(0ull - 0x9E3779B97F4A7C15ull);
    WZPowerUp* pickup = new WZPowerUp(ZEVector(0, 0, 1500));
    EXPECT_EQ(pickup->m_lType, WZ_POWERUP_GASBOTTLE);
    m_pEngine->AddObjectToWorld(pickup);
    // A car holding a powerup still takes the pickup and keeps its own.
    pickup->OnClip(car);
    EXPECT_EQ(car->m_lPowerUp, WZ_POWERUP_ROCKET);
    ASSERT_EQ(pickup->m_ulRespawnTime, 1u);
    m_pGame->Run(24990, 15);
    EXPECT_NE(pickup->m_ulRespawnTime, 0u);
    EXPECT_FALSE(pickup->m_bCollision);
    m_pGame->Run(30, 15);
    EXPECT_EQ(pickup->m_ulRespawnTime, 0u);
    EXPECT_TRUE(pickup->m_bCollision);
    EXPECT_NE(pickup->m_pModel, nullptr);
}

TEST_F(PowerUpTest, ComputerDriversFireAtACarAheadAndDropBehind)
{
    WZCar* driver = Add(ZEVector(0, 0, 400));
    driver->m_lPowerUp = WZ_POWERUP_ROCKET;
    const WZTrack& track = m_pGame->m_Track;
    uint32_t now = m_pGame->m_pTimer->GetTime();
    WZDriveCar(*driver, track, m_pEngine, now);
    EXPECT_EQ(driver->m_lPowerUp, WZ_POWERUP_ROCKET);   // nobody in reach
    WZCar* ahead = Add(ZEVector(0, 0, 1000));
    WZDriveCar(*driver, track, m_pEngine, now);
    EXPECT_EQ(driver->m_lPowerUp, WZ_POWERUP_NONE);
    EXPECT_NE(Find<WZEMPRocket>(), nullptr);

    ahead->m_lPowerUp = WZ_POWERUP_OIL;
    WZDriveCar(*ahead, track, m_pEngine, now);
    EXPECT_EQ(ahead->m_lPowerUp, WZ_POWERUP_OIL);   // the driver is 600 behind, out of reach
    Add(ZEVector(0, 0, 800));
    WZDriveCar(*ahead, track, m_pEngine, now);
    EXPECT_EQ(ahead->m_lPowerUp, WZ_POWERUP_NONE);
    EXPECT_NE(Find<WZOilPuddle>(), nullptr);
}

TEST_F(PowerUpTest, TheHandicapScalesEveryForwardGearAsOneRule)
{
    // Easy leaves the table; reverse (gear 0) is never scaled.
    WZCar* easy = Add(ZEVector(0, 0, 300));
    WZCar* medium = Add(ZEVector(0, 0, 600));
    WZCar* hard = Add(ZEVector(0, 0, 900));
    const WZGear* plain = Add(ZEVector(0, 0, 0))->m_Drivetrain.m_pGears;
    easy->ApplyHandicap(WZ_DIFFICULTY_EASY);
    medium->ApplyHandicap(WZ_DIFFICULTY_MEDIUM);
    hard->ApplyHandicap(WZ_DIFFICULTY_HARD);
    for (uint32_t g = 0; g < hard->m_Drivetrain.m_ulNumGears; ++g)
    {
        float a = g ? 1.0f : 0.0f;
        const WZGear& p = plain[g];
        EXPECT_FLOAT_EQ(easy->m_Drivetrain.m_pGears[g].m_fRatio, p.m_fRatio);
        EXPECT_FLOAT_EQ(medium->m_Drivetrain.m_pGears[g].m_fAcceleration, p.m_fAcceleration * (1 - 0.1f * a));
        EXPECT_FLOAT_EQ(medium->m_Drivetrain.m_pGears[g].m_fRatio, p.m_fRatio);
        EXPECT_FLOAT_EQ(hard->m_Drivetrain.m_pGears[g].m_fAcceleration, p.m_fAcceleration * (1 - 0.2f * a));
        EXPECT_FLOAT_EQ(hard->m_Drivetrain.m_pGears[g].m_fRatio, p.m_fRatio * (1 - 0.1f * a));
    }
}

TEST(PowerUpGameTypes, PickupsLieOnlyInTheRacesWithPowerUps)
{
    for (uint32_t type = 0; type < 5; ++type)
    {
        WZTestGame game("--headless --track airfield --seed 1 --type " + std::to_string(type));
        game.Start();
        uint32_t pickups = 0;
        for (ZEEngineObject* o = game.m_pEngine->GetObjects(); o; o = o->m_pNext)
            pickups += ZEIsKindOf(o, WZPowerUp::ms_RTTI) ? 1 : 0;
        bool powerUps = type == 1 || type == 3 || type == 4;
        EXPECT_EQ(pickups > 0, powerUps) << type;
        EXPECT_EQ(WZCar::ms_bPowerUpsEnabled, powerUps) << type;
    }
}
