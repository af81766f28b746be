// The player's side of a race as plain functions: keys and joystick, the
// speedometer needle, the countdown and the chase camera.
#include "race/WZChaseCamera.h"
#include "race/WZControls.h"
#include "race/WZCountdown.h"
#include "WZTypes.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(RaceControlsTest, KeysPreferAccelerateAndRight)
{
    WZPlayerControls both = WZReadKeys(true, true, true, true, false);
    EXPECT_EQ(both.m_fPedal, 1.0f);
    EXPECT_EQ(both.m_fSteering, 1.0f);
    WZPlayerControls brake = WZReadKeys(false, true, true, false, true);
    EXPECT_EQ(brake.m_fPedal, -1.0f);
    EXPECT_EQ(brake.m_fSteering, -1.0f);
    EXPECT_TRUE(brake.m_bHandbrake);
}

TEST(RaceControlsTest, JoystickHasADeadZoneAndFullLock)
{
    EXPECT_EQ(WZShapeAxis(50, 1.0f), 0.0f);
    EXPECT_EQ(WZShapeAxis(-50, 1.0f), 0.0f);
    EXPECT_FLOAT_EQ(WZShapeAxis(51, 1.0f), 0.051f);
    EXPECT_EQ(WZShapeAxis(1000, 1.0f), 1.0f);
    EXPECT_EQ(WZShapeAxis(-1000, 1.0f), -1.0f);
    EXPECT_EQ(WZShapeAxis(1200, 1.0f), 1.0f);
    EXPECT_FLOAT_EQ(WZShapeAxis(400, 2.0f), 0.8f);

    // Pushed forward (negative y) is throttle; the z axis can take over, or
    // the keys keep the pedal.
    WZPlayerControls keys = WZReadKeys(false, true, false, false, false);
    EXPECT_EQ(WZReadJoystick(keys, 1000, -1000, 0, WZ_PEDAL_Y, 1.0f).m_fPedal, 1.0f);
    EXPECT_EQ(WZReadJoystick(keys, 1000, -1000, 500, WZ_PEDAL_Z, 1.0f).m_fPedal, -0.5f);
    WZPlayerControls none = WZReadJoystick(keys, -1000, -1000, 0, WZ_PEDAL_NONE, 1.0f);
    EXPECT_EQ(none.m_fPedal, -1.0f);
    EXPECT_EQ(none.m_fSteering, -1.0f);
}

TEST(RaceControlsTest, TheSpeedometerNeedleHoldsJustBelowAndSnapsClose)
{
    EXPECT_EQ(WZSmoothTacho(100, 103.9f), 103u);       // within 4: snaps
    EXPECT_EQ(WZSmoothTacho(100, 120.0f), 103u);       // climbs 3 a frame
    EXPECT_EQ(WZSmoothTacho(100, 96.0f), 100u);        // 4 to 9 below: holds
    EXPECT_EQ(WZSmoothTacho(100, 91.0f), 100u);
    EXPECT_EQ(WZSmoothTacho(100, 90.0f), 97u);         // 10 below: 3
    EXPECT_EQ(WZSmoothTacho(100, 70.0f), 91u);         // 30 below: 9
    EXPECT_EQ(WZSmoothTacho(100, 3.9f), 0u);           // under 4: 0
}

TEST(RaceControlsTest, TheCountdownShowsEachNumberForASecondAndStartsForHalf)
{
    struct
    {
        uint32_t m_ulElapsed;
        uint32_t m_ulPhase;
        const char* m_pText;
    } cases[] = {{0, 1, "3"},    {1000, 1, "3"}, {1001, 2, "2"},      {2000, 2, "2"},
                 {2001, 3, "1"}, {3000, 3, "1"}, {3001, 4, "START!"}, {3500, 4, "START!"},
                 {3501, 0, ""}};
    for (const auto& c : cases)
    {
        WZCountdownPhase phase = WZGetCountdownPhase(c.m_ulElapsed);
        EXPECT_EQ(phase.m_ulPhase, c.m_ulPhase) << c.m_ulElapsed;
        EXPECT_STREQ(phase.m_pText, c.m_pText) << c.m_ulElapsed;
    }
    EXPECT_EQ(WZGetCountdownPhase(3200).m_lOffsetX, -81);
    EXPECT_EQ(WZGetCountdownPhase(200).m_aucColor[0], 100);
}

TEST(RaceControlsTest, TheCameraSwingsWithTheWheelAndBack)
{
    EXPECT_FLOAT_EQ(WZSwingCamera(0.0f, 1.0f, 50), 5.0f);
    EXPECT_FLOAT_EQ(WZSwingCamera(8.0f, 1.0f, 50), 10.0f);
    EXPECT_FLOAT_EQ(WZSwingCamera(-8.0f, -1.0f, 50), -10.0f);
    EXPECT_FLOAT_EQ(WZSwingCamera(3.0f, 0.0f, 50), 0.0f);
    EXPECT_FLOAT_EQ(WZSwingCamera(-7.0f, 0.0f, 20), -5.0f);
}

namespace
{
// A car 80 long with its origin 20 ahead of its box centre, heading 90
// degrees (driving towards +x).
WZCameraInput Car(uint32_t mode)
{
    WZCameraInput input;
    input.m_vOrigin = ZEVector(1020.0f, 0.05f, 500.0f);
    input.m_vCenter = ZEVector(1000.0f, 10.0f, 500.0f);
    input.m_fHeading = 90.0f;
    input.m_fHeight = 20.0f;
    input.m_fLength = 80.0f;
    input.m_ulMode = mode;
    return input;
}
}

TEST(RaceControlsTest, ChaseCamerasStandBehindTheTailOfEveryCar)
{
    WZCameraPlacement near = WZPlaceCamera(Car(WZ_CAMERA_NEAR), 0.0f);
    // 27.5 behind the tail (the tail is 40 behind the box centre).
    EXPECT_NEAR(near.m_vPosition.x, 1000.0f - 40.0f - 27.5f, 1e-3f);
    EXPECT_NEAR(near.m_vPosition.y, 25.05f, 1e-3f);
    EXPECT_NEAR(near.m_vPosition.z, 500.0f, 1e-3f);
    EXPECT_FALSE(near.m_bInside);
    EXPECT_FLOAT_EQ(near.m_vRotation.x, -12.5f);
    EXPECT_FLOAT_EQ(near.m_vRotation.y, -90.0f);

    WZCameraPlacement far = WZPlaceCamera(Car(WZ_CAMERA_FAR), 0.0f);
    EXPECT_NEAR(far.m_vPosition.x, 1000.0f - 40.0f - 62.5f, 1e-3f);
    EXPECT_NEAR(far.m_vPosition.y, 40.05f, 1e-3f);
    EXPECT_FLOAT_EQ(far.m_vRotation.x, -17.5f);

    // The swing moves the camera to the car's right (-z when facing +x).
    WZCameraPlacement swung = WZPlaceCamera(Car(WZ_CAMERA_NEAR), 10.0f);
    EXPECT_NEAR(swung.m_vPosition.z, 490.0f, 1e-3f);
}

TEST(RaceControlsTest, CockpitAndLookBackSitInTheCar)
{
    WZCameraPlacement cockpit = WZPlaceCamera(Car(WZ_CAMERA_COCKPIT), 5.0f);
    EXPECT_TRUE(cockpit.m_bInside);
    EXPECT_NEAR(cockpit.m_vPosition.x, 1020.0f, 1e-3f);
    EXPECT_NEAR(cockpit.m_vPosition.y, 15.05f, 1e-3f);
    EXPECT_FLOAT_EQ(cockpit.m_vRotation.x, 0.0f);

    WZCameraInput back = Car(WZ_CAMERA_FAR);
    back.m_bLookBack = true;
    WZCameraPlacement behind = WZPlaceCamera(back, 5.0f);
    EXPECT_TRUE(behind.m_bInside);
    EXPECT_NEAR(behind.m_vPosition.x, 1020.0f - 68.0f, 1e-3f);
    EXPECT_FLOAT_EQ(behind.m_vRotation.y, 90.0f);
}
