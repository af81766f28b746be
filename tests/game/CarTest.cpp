// Cars in a world: riding height, resets, the ghost phase, skid marks and
// their links with the engine's decal list, walls under a boost, sirens.
#include "GameHarness.h"

#include "car/WZCar.h"
#include "car/WZCarModels.h"
#include "car/WZRoster.h"
#include "math/ZEBoundingVolume.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "world/ZEBSPTerrain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
class CarTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_pGame = std::make_unique<WZTestGame>("--headless --track testtrack --seed 1");
        m_pGame->Start();
        // The test track's terrain stays; the race's cars go.
        ZEEngine* engine = m_pGame->m_pEngine;
        for (WZCar* car : m_pGame->m_Race.m_apCars)
            delete car;
        m_pGame->m_Race.Clear();
        m_pEngine = engine;
    }

    WZCar* Add(uint32_t model, const ZEVector& at, float heading = 0.0f)
    {
        WZCar* car = WZMakeCar(model, at, heading);
        m_pEngine->AddObjectToWorld(car);
        return car;
    }

    std::unique_ptr<WZTestGame> m_pGame;
    ZEEngine* m_pEngine = nullptr;
};
}

TEST_F(CarTest, EveryCarRidesJustAboveTheRoad)
{
    for (uint32_t model = 0; model < WZ_NUM_CARS; ++model)
    {
        WZCar* car = Add(model, ZEVector(0, 50, 0));
        ZEAABoundingBox box = car->m_pModel->GetModelBBox();
        EXPECT_FLOAT_EQ(car->m_fGroundHeight, std::fabs(box.m_vMin.y) + 0.05f);
        EXPECT_FLOAT_EQ(car->m_vPosition.y, car->m_fGroundHeight);
        EXPECT_FLOAT_EQ(car->m_fLength, box.m_vMax.z - box.m_vMin.z);
        EXPECT_EQ(car->m_ulModel, model);
        delete car;
    }
}

TEST_F(CarTest, AResetIsRefusedForThreeSeconds)
{
    WZCar* car = Add(WZ_CAR_GOLF, ZEVector(0, 0, 0));
    ZEVector direction(0, 0, -1);
    ASSERT_TRUE(car->Reset(ZEVector(10, 0, 20), direction));
    EXPECT_EQ(car->m_ulView, WZ_VIEW_GHOST);
    EXPECT_FLOAT_EQ(car->m_vRotation.y, 0.0f);
    m_pGame->Run(2985);
    ASSERT_EQ(m_pGame->m_pTimer->GetTime() - car->m_ulLastReset, 2985u);
    m_pGame->Timer()->Advance(14);
    EXPECT_FALSE(car->Reset(ZEVector(), direction));
    m_pGame->Timer()->Advance(1);
    // A direction a little longer than 1 still gives a heading.
    EXPECT_TRUE(car->Reset(ZEVector(), ZEVector(0, 0, -1.0000001f)));
    EXPECT_FLOAT_EQ(car->m_vRotation.y, 0.0f);
    m_pGame->Timer()->Advance(3000);
    // Facing against a direction pointing along -x: heading 90.
    EXPECT_TRUE(car->Reset(ZEVector(), ZEVector(-1, 0, 0)));
    EXPECT_FLOAT_EQ(car->m_vRotation.y, 90.0f);
}

TEST_F(CarTest, AJustResetCarPassesThroughOthersUntilItsGhostTimeIsOver)
{
    WZCar* a = Add(WZ_CAR_GOLF, ZEVector(0, 0, 0));
    WZCar* b = Add(WZ_CAR_GOLF, ZEVector(2, 0, 10));
    ASSERT_TRUE(a->m_pBoundingVolume->IntersectsVolume(*b->m_pBoundingVolume));
    ASSERT_TRUE(a->Reset(ZEVector(0, 0, 0), ZEVector(0, 0, -1)));
    EXPECT_FALSE(b->Influence(15, a));
    EXPECT_FALSE(a->Influence(15, b));
    m_pGame->Run(1005);
    EXPECT_EQ(a->m_ulView, WZ_VIEW_NORMAL);
    EXPECT_TRUE(a->m_bCollision);
}

TEST_F(CarTest, SkidMarksSurviveTheEngineDeletingThemAndTheCarGoingFirst)
{
    WZCar::ms_bTyreDecals = true;
    m_pEngine->m_bDecals = true;
    m_pEngine->m_ulMaxDecals = 1;
    WZCar* car = Add(WZ_CAR_COP, ZEVector(0, 0, 0));
    car->CreateTyreDecals(15, m_pEngine);
    // Two marks were laid, one at a time: the engine kept only the newer,
    // and the car no longer points at the one it deleted.
    EXPECT_EQ(m_pEngine->GetNumDecals(), 1u);
    EXPECT_EQ(car->m_apSkidMarks[0], nullptr);
    EXPECT_NE(car->m_apSkidMarks[1], nullptr);
    car->m_vRotation.y = 10.0f;
    car->UpdateVectors();
    car->CreateTyreDecals(15, m_pEngine);
    car->CreateTyreDecals(15, m_pEngine);
    delete car;
    m_pEngine->FreeAllDecals();
    EXPECT_EQ(m_pEngine->GetNumDecals(), 0u);
}

TEST_F(CarTest, OnlyAFastBrakingCarLeavesMarks)
{
    WZCar::ms_bTyreDecals = true;
    m_pEngine->m_bDecals = true;
    m_pEngine->m_ulMaxDecals = 100;
    WZCar* car = Add(WZ_CAR_DODGE, ZEVector(0, 0, 0));
    car->m_lStatus = WZ_STATUS_RACING;
    // Rolling at `speed` in `gear` with the revolutions that match it.
    auto brakeAt = [&](float speed, int32_t gear) {
        car->m_vVelocity = car->m_vForward * speed;
        car->m_Drivetrain.m_lGear = gear;
        car->m_Drivetrain.m_fRevs = speed * 5000.0f / car->m_Drivetrain.m_pGears[gear].m_fRatio;
        car->SetPedal(-1.0f);
        m_pGame->Frame();
    };
    brakeAt(50.0f, 2);
    EXPECT_EQ(m_pEngine->GetNumDecals(), 0u);
    brakeAt(200.0f, 4);
    EXPECT_EQ(m_pEngine->GetNumDecals(), 2u);
    // Letting go of the brake lets go of the marks.
    car->SetPedal(1.0f);
    m_pGame->Frame();
    EXPECT_EQ(car->m_apSkidMarks[0], nullptr);
}

TEST_F(CarTest, ABoostedCarStopsDeadAtAWall)
{
    WZCar::ms_bPowerUpsEnabled = true;
    WZCar* car = Add(WZ_CAR_HUMMER, ZEVector(0, 0, 0));
    const float ratio = car->m_Drivetrain.m_pGears[1].m_fRatio;
    car->m_lPowerUp = WZ_POWERUP_GASBOTTLE;
    car->EnablePowerUp();
    ASSERT_EQ(car->m_lEffect, WZ_EFFECT_BOOST);
    EXPECT_FLOAT_EQ(car->m_Drivetrain.m_pGears[1].m_fRatio, ratio + 250.0f);
    // A second bottle during the boost is spent and does not stack.
    car->m_lPowerUp = WZ_POWERUP_GASBOTTLE;
    car->EnablePowerUp();
    EXPECT_FLOAT_EQ(car->m_Drivetrain.m_pGears[1].m_fRatio, ratio + 250.0f);
    EXPECT_EQ(car->m_lPowerUp, WZ_POWERUP_NONE);

    car->m_vVelocity = ZEVector(0, 0, 300);
    car->m_Drivetrain.m_lGear = 3;
    car->OnClip(m_pEngine->m_pTerrain);
    EXPECT_EQ(car->m_vVelocity, ZEVector());
    EXPECT_EQ(car->m_Drivetrain.m_lGear, -1);
    EXPECT_EQ(car->m_lEffect, WZ_EFFECT_NONE);
    EXPECT_FLOAT_EQ(car->m_Drivetrain.m_pGears[1].m_fRatio, ratio);
}

TEST_F(CarTest, ASirenSwitchedTwiceIsOffAndTheAmbulanceFlashesOutOfStep)
{
    WZCop* cop = static_cast<WZCop*>(Add(WZ_CAR_COP, ZEVector(0, 0, 0)));
    cop->Horn();
    cop->Horn();
    cop->Horn();
    cop->Horn();
    EXPECT_FALSE(cop->m_Siren.m_bSiren);
    EXPECT_FALSE(cop->m_pHornSound->IsPlaying());

    WZAmbulance* ambulance = static_cast<WZAmbulance*>(Add(WZ_CAR_AMBULANCE, ZEVector(200, 0, 0)));
    ambulance->Horn();
    ASSERT_TRUE(ambulance->m_Siren.m_bSiren);
    EXPECT_EQ(ambulance->m_Siren.m_aucSirenIntensity[0], 255);
    EXPECT_EQ(ambulance->m_Siren.m_aucSirenIntensity[1], 0);
    EXPECT_EQ(ambulance->m_Siren.m_aucSirenIntensity[2], 128);
    ambulance->m_Siren.Update(100);
    EXPECT_EQ(ambulance->m_Siren.m_aucSirenIntensity[0], 105);
    EXPECT_EQ(ambulance->m_Siren.m_aucSirenIntensity[1], 150);
    EXPECT_EQ(ambulance->m_Siren.m_aucSirenIntensity[2], 255);
    EXPECT_EQ(ambulance->m_Siren.m_aucSirenDirection[2], 0);
}
