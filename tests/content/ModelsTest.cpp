// The built models, read the way the game reads them: every model of
// "wrenzo.models" loads through the engine's model manager; the cars have
// three levels of detail and the animations straight, left and right, a
// box that matches the extents their lights, smoke and sirens imply, the
// lowest point on the road and the rear wheels touching it at the rear
// axle; the pickups, signs and the logo have their sizes; and every key
// frame is closed (each edge used once in each direction), which the
// stencil shadows rely on.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZEModelManager.h"
#include "resources/ZETextureManager.h"

#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"

#include "ZEPackReader.h"
#include "car/WZRoster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace
{
const char* const kMainDir = WRENZO_MAIN_DIR;

// What the game's roster says of a car: the extents from the box centre
// that its light, smoke and siren offsets imply, and its rear axle. The
// roster is the one place these figures are written; the models must fit
// it.
struct CarSpec
{
    std::string m_pName;
    float m_fRearAxle = 0.0f;
    float m_fSide = 0.0f;
    float m_fFront = 0.0f;
    float m_fRear = 0.0f;
    float m_fTop = -1e9f;   // the top reaches at least this far above the centre
};

void Reach(CarSpec& car, const float* at)
{
    car.m_fSide = std::max(car.m_fSide, std::fabs(at[0]));
    car.m_fTop = std::max(car.m_fTop, at[1]);
    car.m_fFront = std::max(car.m_fFront, at[2]);
    car.m_fRear = std::max(car.m_fRear, -at[2]);
}

CarSpec FromRoster(const WZCarSpec& row, const WZSirenSpec* siren)
{
    CarSpec car;
    std::string model = row.m_pModel;
    car.m_pName = model.substr(0, model.size() - 4);
    car.m_fRearAxle = row.m_fRearAxle;
    for (const auto& light : row.m_aafLights)
        Reach(car, light);
    for (uint16_t i = 0; i < row.m_usNumSmoke; ++i)
        Reach(car, row.m_aafSmoke[i]);
    for (uint32_t i = 0; siren && i < siren->m_ulNumLights; ++i)
        Reach(car, siren->m_aafLights[i]);
    return car;
}

std::vector<CarSpec> RosterCars()
{
    std::vector<CarSpec> cars;
    for (uint32_t c = 0; c < WZ_NUM_CARS; ++c)
    {
        const WZSirenSpec* siren =
            c == WZ_CAR_COP ? &WZGetCopSiren() : (c == WZ_CAR_AMBULANCE ? &WZGetAmbulanceSiren() : nullptr);
        cars.push_back(FromRoster(WZGetCarSpec(static_cast<WZCarName>(c)), siren));
    }
    cars.push_back(FromRoster(WZGetWreckSpec(), nullptr));
    return cars;
}

const std::vector<CarSpec> kCars = RosterCars();

const char* const kOthers[] = {"gasbottle", "rocket", "mine", "oilcan", "question", "sign-stop",
                               "sign-sixty", "sign-hundred", "sign-empty", "sign-question", "sign-camel",
                               "zervane-logo", "tree", "barrel", "tyrestack", "cactus", "hangar", "plane",
                               "carriage", "fence", "lamppost", "rock", "palm", "house", "grandstand", "crate"};

class ModelsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Files.SetMainDirectory(kMainDir);
        ASSERT_TRUE(m_Files.AddArchive("wrenzo.models"));
        m_Models.SetModelDirectory("models/");
    }

    // The model, loaded once per test; fails the test when it does not load.
    ZEModel* Load(const std::string& name)
    {
        ZEModelReference* reference = m_Models.GetModel((name + ".zmf").c_str());
        EXPECT_NE(reference, nullptr) << name;
        if (!reference)
            return nullptr;
        m_aReferences.emplace_back(reference);
        return reference->GetModel();
    }

    ZEVector Size(const ZEModel& model) const
    {
        return model.m_BoundingBox.m_vMax - model.m_BoundingBox.m_vMin;
    }

    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    ZEConsole m_Console;
    ZEFileManager m_Files;
    ZETextureManager m_Textures;
    ZEModelManager m_Models;
    std::vector<std::unique_ptr<ZEModelReference>> m_aReferences;
};

// Each directed edge once and its reverse once over all groups of a key
// frame: every part closed and consistently wound.
std::string ClosedProblem(const ZEModelKeyFrame& frame)
{
    std::map<std::pair<uint16_t, uint16_t>, int> edges;
    for (uint32_t g = 0; g < frame.m_ulNumGroups; ++g)
    {
        const ZEModelTriGroup& group = frame.m_pGroups[g];
        for (uint32_t t = 0; t + 2 < group.m_usNumIndices; t += 3)
            for (int e = 0; e < 3; ++e)
                ++edges[{group.m_pusIndices[t + e], group.m_pusIndices[t + (e + 1) % 3]}];
    }
    for (const auto& edge : edges)
    {
        if (edge.second != 1)
            return "an edge runs the same way twice";
        auto reverse = edges.find({edge.first.second, edge.first.first});
        if (reverse == edges.end() || reverse->second != 1)
            return "an edge has no opposite";
    }
    return std::string();
}
}

TEST_F(ModelsTest, PackageHoldsEveryModel)
{
    std::vector<ZEPackEntry> entries;
    std::string error;
    ASSERT_TRUE(ZEListPackEntries(std::string(kMainDir) + "/wrenzo.models", entries, error)) << error;
    std::set<std::string> names;
    for (const ZEPackEntry& entry : entries)
        names.insert(entry.m_Name);
    for (const CarSpec& car : kCars)
        EXPECT_TRUE(names.count(std::string("models/") + car.m_pName + ".zmf")) << car.m_pName;
    for (const char* other : kOthers)
        EXPECT_TRUE(names.count(std::string("models/") + other + ".zmf")) << other;
}

TEST_F(ModelsTest, CarsHaveThreeLevelsAndTheThreeWheelAnimations)
{
    for (const CarSpec& car : kCars)
    {
        SCOPED_TRACE(car.m_pName);
        ZEModel* model = Load(car.m_pName);
        ASSERT_NE(model, nullptr);
        ASSERT_EQ(model->m_ulNumLODs, 3u);
        ASSERT_EQ(model->m_ulNumAnimations, 3u);
        EXPECT_STREQ(model->m_pAnimationNames[0], "straight");
        EXPECT_STREQ(model->m_pAnimationNames[1], "left");
        EXPECT_STREQ(model->m_pAnimationNames[2], "right");
        uint32_t length = model->GetAnimation(0, 0)->GetLength();
        EXPECT_GT(length, 500u);
        uint32_t previous = 0xFFFFFFFFu;
        for (uint32_t lod = 0; lod < 3; ++lod)
        {
            EXPECT_LT(model->GetAnimation(lod, 0)->m_usNumTriangles, previous) << "level " << lod;
            previous = model->GetAnimation(lod, 0)->m_usNumTriangles;
            for (uint32_t a = 0; a < 3; ++a)
            {
                const ZEModelAnimation* animation = model->GetAnimation(lod, a);
                // Every key frame of a turn; at least four per turn.
                EXPECT_GE(animation->m_ulNumKeyFrames, 5u);
                EXPECT_EQ(animation->GetLength(), length) << "level " << lod << " animation " << a;
                EXPECT_EQ(animation->m_pKeyFrames[0].m_ulTime, 0u);
            }
        }
    }
}

TEST_F(ModelsTest, CarBoxesMatchTheirLightsAndSitOnTheRoad)
{
    for (const CarSpec& car : kCars)
    {
        SCOPED_TRACE(car.m_pName);
        ZEModel* model = Load(car.m_pName);
        ASSERT_NE(model, nullptr);
        const ZEVector& min = model->m_BoundingBox.m_vMin;
        const ZEVector& max = model->m_BoundingBox.m_vMax;
        ZEVector centre = (min + max) * 0.5f;
        EXPECT_NEAR(max.x - centre.x, car.m_fSide, 0.3f);
        EXPECT_NEAR(max.z - centre.z, car.m_fFront, 1.5f);
        EXPECT_NEAR(centre.z - min.z, car.m_fRear, 1.5f);
        EXPECT_GE(max.y - centre.y, car.m_fTop - 0.01f);
        // The game's ride height is |min.y| + 0.05: the lowest point touches.
        EXPECT_LE(min.y, 0.0f);
        EXPECT_GT(min.y, -0.1f);
        // The origin lies ahead of the box centre, behind the front.
        EXPECT_GT(0.0f, centre.z);
        EXPECT_LT(0.0f, max.z);
    }
}

// The wheel figures the game lays skid marks with are the ones the model
// was built with.
TEST_F(ModelsTest, RosterWheelsAreThoseOfTheDescriptions)
{
    std::vector<const WZCarSpec*> specs;
    for (uint32_t c = 0; c < WZ_NUM_CARS; ++c)
        specs.push_back(&WZGetCarSpec(static_cast<WZCarName>(c)));
    for (const WZCarSpec* row : specs)
    {
        std::string model = row->m_pModel;
        SCOPED_TRACE(model);
        std::ifstream file(std::string(WRENZO_MODELS_SOURCE_DIR) + "/" + model.substr(0, model.size() - 4) + ".txt");
        ASSERT_TRUE(file.good());
        std::string line;
        float axle = 0.0f, width = -1.0f, inset = -1.0f;
        bool inModel = false;
        while (std::getline(file, line))
        {
            if (!line.empty() && line[0] == '[')
                inModel = line == "[model]";
            else if (inModel && std::sscanf(line.c_str(), "rear_axle = %f", &axle) == 1)
                continue;
            else if (inModel)
                std::sscanf(line.c_str(), "tyre = %f %f", &width, &inset);
        }
        EXPECT_EQ(axle, row->m_fRearAxle);
        // A description without "tyre" leaves the width and inset to the game.
        if (width >= 0.0f)
        {
            EXPECT_EQ(width, row->m_fTyreWidth);
            EXPECT_EQ(inset, row->m_fTyreInset);
        }
    }
}

TEST_F(ModelsTest, RearWheelsTouchTheRoadAtTheRearAxle)
{
    for (const CarSpec& car : kCars)
    {
        SCOPED_TRACE(car.m_pName);
        ZEModel* model = Load(car.m_pName);
        ASSERT_NE(model, nullptr);
        // The vertices the first key frame of "straight" uses at level 0.
        const ZEModelKeyFrame& frame = model->GetAnimation(0, 0)->m_pKeyFrames[0];
        int left = 0, right = 0;
        for (uint32_t g = 0; g < frame.m_ulNumGroups; ++g)
            for (uint32_t i = 0; i < frame.m_pGroups[g].m_usNumIndices; ++i)
            {
                const ZEVertex& v = model->m_pVertices[frame.m_pGroups[g].m_pusIndices[i]];
                if (v.y < 0.01f && std::fabs(v.z - car.m_fRearAxle) < 0.01f)
                    (v.x < 0 ? left : right)++;
            }
        EXPECT_GT(left, 0);
        EXPECT_GT(right, 0);
    }
}

TEST_F(ModelsTest, EveryKeyFrameIsClosed)
{
    std::vector<std::string> names;
    for (const CarSpec& car : kCars)
        names.push_back(car.m_pName);
    names.insert(names.end(), std::begin(kOthers), std::end(kOthers));
    for (const std::string& name : names)
    {
        SCOPED_TRACE(name);
        ZEModel* model = Load(name);
        ASSERT_NE(model, nullptr);
        for (uint32_t lod = 0; lod < model->m_ulNumLODs; ++lod)
            for (uint32_t a = 0; a < model->m_ulNumAnimations; ++a)
            {
                const ZEModelAnimation* animation = model->GetAnimation(lod, a);
                for (uint32_t k = 0; k < animation->m_ulNumKeyFrames; ++k)
                    EXPECT_EQ(ClosedProblem(animation->m_pKeyFrames[k]), "")
                        << "level " << lod << " animation " << a << " key frame " << k;
            }
    }
}

// Only the hearse is drawn in the second pass, so only its glass may be see-
// through; a see-through window on any other car would be blended in no
// particular order against the world behind it.
TEST_F(ModelsTest, OnlyTheHearseHasSeeThroughWindows)
{
    for (const CarSpec& car : kCars)
    {
        ZEModel* model = Load(car.m_pName);
        ASSERT_NE(model, nullptr);
        EXPECT_EQ(model->m_bTransparent, std::string(car.m_pName) == "funeralcar") << car.m_pName;
    }
}

TEST_F(ModelsTest, PickupsHaveTheirSizes)
{
    ZEModel* bottle = Load("gasbottle");
    ZEModel* rocket = Load("rocket");
    ZEModel* mine = Load("mine");
    ZEModel* oil = Load("oilcan");
    ZEModel* question = Load("question");
    ASSERT_TRUE(bottle && rocket && mine && oil && question);
    EXPECT_NEAR(Size(*bottle).x, 10.0f, 1.0f);
    EXPECT_NEAR(Size(*bottle).y, 10.0f, 1.0f);
    EXPECT_LE(Size(*bottle).z, 11.0f);
    // The rocket's nose points along +y, its origin at the middle.
    EXPECT_GE(Size(*rocket).y, 12.0f);
    EXPECT_LE(Size(*rocket).y, 14.0f);
    EXPECT_NEAR(rocket->m_BoundingBox.m_vMax.y, -rocket->m_BoundingBox.m_vMin.y, 0.5f);
    EXPECT_LT(Size(*rocket).x, 6.0f);
    // The mine is a flat disc in XZ.
    EXPECT_NEAR(Size(*mine).x, 6.0f, 0.5f);
    EXPECT_NEAR(Size(*mine).z, 6.0f, 0.5f);
    EXPECT_NEAR(Size(*mine).y, 2.5f, 0.3f);
    EXPECT_NEAR(Size(*oil).x, 2.5f, 0.3f);
    EXPECT_NEAR(Size(*oil).z, 5.0f, 0.3f);
    EXPECT_NEAR(Size(*question).x, 11.0f, 0.5f);
    EXPECT_NEAR(Size(*question).z, 11.0f, 0.5f);
    EXPECT_TRUE(question->m_bTransparent);
    EXPECT_FALSE(bottle->m_bTransparent);
}

TEST_F(ModelsTest, SignsStandOnTheirFootAndFaceForward)
{
    for (const char* name : {"sign-stop", "sign-sixty", "sign-hundred", "sign-empty", "sign-question",
                             "sign-camel"})
    {
        SCOPED_TRACE(name);
        ZEModel* sign = Load(name);
        ASSERT_NE(sign, nullptr);
        EXPECT_NEAR(sign->m_BoundingBox.m_vMin.y, 0.0f, 0.01f);
        // Half size: about 16 high and 7 across before the game doubles it.
        EXPECT_GT(Size(*sign).y, 14.0f);
        EXPECT_LT(Size(*sign).y, 18.0f);
        EXPECT_LT(Size(*sign).x, 8.0f);
        EXPECT_NEAR(sign->m_BoundingBox.m_vMin.x, -sign->m_BoundingBox.m_vMax.x, 0.01f);
        // The painted face is the textured one, on the +z side of the post.
        ASSERT_EQ(sign->m_ulNumTextures, 1u);
        float textured = -1e9f;
        const ZEModelKeyFrame& frame = sign->GetAnimation(0, 0)->m_pKeyFrames[0];
        for (uint32_t g = 0; g < frame.m_ulNumGroups; ++g)
            if (frame.m_pGroups[g].m_usTexture)
                for (uint32_t i = 0; i < frame.m_pGroups[g].m_usNumIndices; ++i)
                    textured = std::max(textured, sign->m_pVertices[frame.m_pGroups[g].m_pusIndices[i]].z);
        EXPECT_FLOAT_EQ(textured, sign->m_BoundingBox.m_vMax.z);
    }
}

TEST_F(ModelsTest, LogoIsASolidMarkFacingTheCamera)
{
    ZEModel* logo = Load("zervane-logo");
    ASSERT_NE(logo, nullptr);
    EXPECT_GE(Size(*logo).x, 20.0f);
    EXPECT_LE(Size(*logo).x, 40.0f);
    EXPECT_LT(Size(*logo).z, Size(*logo).x * 0.25f);
    EXPECT_NEAR(logo->m_BoundingBox.m_vMin.x, -logo->m_BoundingBox.m_vMax.x, 0.01f);
    EXPECT_FALSE(logo->m_bTransparent);
}

TEST_F(ModelsTest, TrackPropsStandOnTheGround)
{
    for (const char* name : {"tree", "barrel", "tyrestack", "cactus", "hangar", "plane", "carriage", "fence",
                             "lamppost", "rock", "palm", "house", "grandstand", "crate"})
    {
        SCOPED_TRACE(name);
        ZEModel* prop = Load(name);
        ASSERT_NE(prop, nullptr);
        EXPECT_NEAR(prop->m_BoundingBox.m_vMin.y, 0.0f, 0.01f);
        EXPECT_GT(Size(*prop).y, 5.0f);
    }
}
