// The map checker's largest car (tools/mapc/ZEMapCheck.h) is the union of
// the boxes the game gives its cars, read from the built car models: a
// change of a model or the roster shows here before maps are checked
// against a stale size.
#include "GameHarness.h"

#include "ZEMapCheck.h"
#include "car/WZCar.h"
#include "car/WZCarModels.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(LargestCar, TheMapCheckMeasuresRoomWithTheLargestBoxOfTheRoster)
{
    WZTestGame game("--headless --seed 1");
    game.Start();
    float width = 0.0f, height = 0.0f, length = 0.0f;
    for (uint32_t model = 0; model < WZ_NUM_CARS; ++model)
    {
        WZCar* car = WZMakeCar(model, ZEVector(0, 50, 0), 0.0f);
        ASSERT_NE(car->m_pModel, nullptr) << model;
        width = std::max(width, car->m_fWidth);
        height = std::max(height, car->m_fHeight);
        length = std::max(length, car->m_fLength);
        delete car;
    }
    EXPECT_FLOAT_EQ(width, float(ZE_MAP_CAR_WIDTH));
    EXPECT_FLOAT_EQ(height, float(ZE_MAP_CAR_HEIGHT));
    EXPECT_FLOAT_EQ(length, float(ZE_MAP_CAR_LENGTH));
}
