// Lights as real OpenGL (Mesa's llvmpipe) draws them on a private X server:
// a point light brightens a model within its range, dimmed by attenuation;
// a spot light lights a model inside its cone and not one just outside; a
// dynamic light's spot lands on the floor under it; a corona shows in the
// open and fades out behind a wall; a lens flare's elements lie on the
// line from the light through the screen centre.
#include "core/ZEFileManager.h"
#include "math/ZEAABBTree.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "render/ZELight.h"
#include "support/ManualTimer.h"
#include "support/PixelWindow.h"
#include "support/TempFolder.h"
#include "support/TestPolygons.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
const int kWidth = 640, kHeight = 480;

// A square of half size `half` facing -Z (towards a camera looking along +Z),
// or lying flat facing up.
ZEPolygon* Square(const ZEVector& c, float half, bool flat = false)
{
    if (flat)
        return ZEMakeTestPolygon({c + ZEVector(-half, 0, half), c + ZEVector(half, 0, half),
                                  c + ZEVector(half, 0, -half), c + ZEVector(-half, 0, -half)},
                                 {0, 1, 2, 0, 2, 3});
    return ZEMakeTestPolygon({c + ZEVector(-half, half, 0), c + ZEVector(half, half, 0),
                              c + ZEVector(half, -half, 0), c + ZEVector(-half, -half, 0)},
                             {0, 1, 2, 0, 2, 3});
}

ZEEngineObject* Object(ZEPolygon* polygon, const ZEVector& position)
{
    ZEEngineObject* object = new ZEEngineObject();
    object->m_vPosition = position;
    object->m_pAABBTree = new ZEAABBTreeNode(polygon);
    object->m_bStatic = true;
    return object;
}

// A dynamic-light record: point (or spot), still, no glow, white.
std::vector<uint8_t> Record(float range, bool attenuation)
{
    std::vector<uint8_t> data(ZEDynamicLight::ms_usEntityDataSize, 0);
    const float alpha = 1.0f, direction[3] = {0.0f, -1.0f, 0.0f};
    std::memcpy(&data[16], &range, 4);
    std::memcpy(&data[20], &alpha, 4);
    std::memcpy(&data[24], direction, 12);
    data[36] = attenuation ? 1 : 0;
    std::memset(&data[39], 255, 3);
    return data;
}

class LightDrawing : public ZEPixelWorldTest<kWidth, kHeight>
{
protected:
    // The effect textures: white squares, and a white disc for the light
    // spot.
    void SetUp() override
    {
        ASSERT_TRUE(ms_pWorld->m_Window.Ok()) << ms_pWorld->m_Window.Error();
        R = ms_pWorld->m_Window.Renderer();
        E = ms_pWorld->m_pEngine;
        ms_pWorld->m_Window.Reset();
        ZETexWriter textures;
        std::vector<uint8_t> white(16 * 16 * 3, 255), disc;
        for (int t = 0; t < 16 * 16; ++t)
        {
            float x = t % 16 - 7.5f, y = t / 16 - 7.5f;
            uint8_t v = x * x + y * y < 36.0f ? 255 : 0;
            disc.insert(disc.end(), {v, v, v});
        }
        ASSERT_TRUE(textures.AddImage("ball", ZETexImage::TrueColor(16, 16, disc)));
        for (const char* name : {"corona01", "spark0", "spark1", "spark2", "flare0", "flare1", "flare2", "flare3",
                                 "flare4"})
            ASSERT_TRUE(textures.AddImage(name, ZETexImage::TrueColor(16, 16, white)));
        ASSERT_TRUE(textures.Write(m_Dir.File("textures/EngineSFX.tex").c_str())) << textures.GetError().CStr();
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(m_Dir.Path().c_str()));
    }

    void TearDown() override
    {
        E->FreeAllLightsInWorld();
        E->m_fCoronaDist = 640.0f;
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    void Look(const ZEVector& eye, const ZEVector& direction) { ms_pWorld->m_Window.Look(eye, direction); }
    void Clear() { ms_pWorld->m_Window.Clear(); }
    ZEPixel At(int x, int y) { return ms_pWorld->m_Window.At(x, y); }

    // How bright a model at `where` is drawn by the lights in the world,
    // read at the screen centre, the camera 20 units in front of it.
    int ModelBrightness(const ZEVector& where)
    {
        ZEEngineObject* model = Object(Square(where, 5.0f), ZEVector());
        E->GetLightAtPosition(where, model->m_afLight, model);
        Look(where - ZEVector(0, 0, 20), ZEVector(0, 0, 1));
        Clear();
        model->Render(R, &R->m_Camera);
        int level = At(kWidth / 2, kHeight / 2).g;
        delete model;
        return level;
    }

    ZESDLOpenGLRenderer* R = nullptr;
    ZEEngine* E = nullptr;
    ZETempFolder m_Dir{"lights"};
};
}

TEST_F(LightDrawing, APointLightBrightensAModelWithinItsRangeDimmedByAttenuation)
{
    E->AddLightToWorld(new ZELight(ZEVector(0, 0, 0), 1.0f, 100.0f, false, 0));
    EXPECT_EQ(ModelBrightness(ZEVector(60, 0, 0)), 255);
    EXPECT_EQ(ModelBrightness(ZEVector(120, 0, 0)), 0);   // beyond its range
    E->FreeAllLightsInWorld();
    E->AddLightToWorld(new ZELight(ZEVector(0, 0, 0), 1.0f, 100.0f, true, 0));
    int near = ModelBrightness(ZEVector(30, 0, 0)), far = ModelBrightness(ZEVector(60, 0, 0));
    EXPECT_GT(near, 0);
    EXPECT_LT(near, 255);
    EXPECT_NE(near, far);
    EXPECT_EQ(ModelBrightness(ZEVector(120, 0, 0)), 0);
}

TEST_F(LightDrawing, ASpotLightLightsAModelInsideItsConeAndNotOneJustOutside)
{
    // Cone 40 degrees down from 50 units up: 20 + 3.5 degrees reach.
    E->AddLightToWorld(new ZELight(ZEVector(0, 50, 0), 1.0f, 100.0f, ZEVector(0, -1, 0), 40, false, 0));
    float inside = 50.0f * std::tan(22.5f * 3.14159265f / 180.0f);
    float outside = 50.0f * std::tan(24.5f * 3.14159265f / 180.0f);
    EXPECT_EQ(ModelBrightness(ZEVector(inside, 0, 0)), 255);
    EXPECT_EQ(ModelBrightness(ZEVector(outside, 0, 0)), 0);
}

TEST_F(LightDrawing, ADynamicLightsSpotLandsOnTheFloorUnderItBrightenedByNearness)
{
    ZEEngineObject* floor = Object(Square(ZEVector(0, 0, 0), 200.0f, true), ZEVector());
    floor->m_bDynamicLight = true;
    E->AddObjectToWorld(floor);
    std::vector<uint8_t> data = Record(100.0f, true);
    ZELight* light = new ZEDynamicLight(ZEVector(30, 10, 0), data.data(), static_cast<uint16_t>(data.size()));
    E->AddLightToWorld(light);
    Look(ZEVector(30, 300, 0), ZEVector(0, -1, 0.0001f));   // 0.8 pixels a unit
    Clear();
    E->RenderDynamicLights(&R->m_Camera);
    ZEPixel under = At(kWidth / 2, kHeight / 2);
    // 10 units over a range of 100: colour and alpha 0.9 of full, added
    // by alpha.
    EXPECT_NEAR(under.r, 206, 3);
    // The disc's edge lies 6/16 of 390 units (117 pixels) away; beyond it,
    // nothing.
    for (int side : {-1, 1})
    {
        EXPECT_EQ(At(kWidth / 2 + side * 90, kHeight / 2).r, under.r);
        EXPECT_EQ(At(kWidth / 2 + side * 140, kHeight / 2).r, 0);
        EXPECT_EQ(At(kWidth / 2, kHeight / 2 + side * 140).r, 0);
    }
    light->m_vPosition = ZEVector(30, 50, 0);
    Clear();
    E->RenderDynamicLights(&R->m_Camera);
    EXPECT_NEAR(At(kWidth / 2, kHeight / 2).r, 63, 3);   // half way up its range
    E->RemoveObjectFromWorld(floor);
    delete floor;
}

TEST_F(LightDrawing, ACoronaShowsInTheOpenAndFadesOutBehindAWall)
{
    E->AddLightToWorld(new ZELight(ZEVector(0, 0, 100), 1.0f, 100.0f, false, 1));
    ZEEngineObject* wall = Object(Square(ZEVector(0, 0, 50), 20.0f), ZEVector());
    Look(ZEVector(0, 0, 0), ZEVector(0, 0, 1));
    auto corona = [&]() {
        Clear();
        E->RenderReflections(&R->m_Camera);
        return At(kWidth / 2, kHeight / 2).r;
    };
    E->AddObjectToWorld(wall);
    EXPECT_EQ(corona(), 0);   // hidden from the start: never shows
    E->RemoveObjectFromWorld(wall);
    EXPECT_NEAR(corona(), 192, 2);   // its alpha-less colour, added
    E->AddObjectToWorld(wall);
    ms_pWorld->m_pTimer->Advance(1000);
    EXPECT_NEAR(corona(), 48, 3);   // half the colour, half the alpha
    ms_pWorld->m_pTimer->Advance(1000);
    EXPECT_EQ(corona(), 0);
    E->RemoveObjectFromWorld(wall);
    EXPECT_NEAR(corona(), 192, 2);
    delete wall;
}

TEST_F(LightDrawing, ALensFlaresElementsLieOnTheLineFromTheLightThroughTheScreenCentre)
{
    // Up and to the right of the view direction; element 7 sits at the
    // centre, element 11 (position -1) mirrored through it.
    E->AddLightToWorld(new ZELight(ZEVector(40, 30, 100), 1.0f, 100.0f, false, 21));
    Look(ZEVector(0, 0, 0), ZEVector(0, 0, 1));
    Clear();
    E->RenderReflections(&R->m_Camera);
    // 90 degrees across 480 rows: a point (x, y) on the plane z = 1 is
    // 240 x columns right of the centre and 240 y rows up.
    int dx = static_cast<int>(240.0f * 0.4f), dy = static_cast<int>(240.0f * 0.3f);
    EXPECT_GT(At(kWidth / 2, kHeight / 2).r, 0);                       // element 7
    EXPECT_GT(At(kWidth / 2 + dx, kHeight / 2 - dy).r, 0);             // elements at the light
    EXPECT_GT(At(kWidth / 2 - dx, kHeight / 2 + dy).r, 0);             // element 11
    EXPECT_EQ(At(kWidth / 2 - dx, kHeight / 2 - dy).r, 0);             // off the line
    EXPECT_EQ(At(kWidth / 2 + dx, kHeight / 2 + dy).r, 0);

    // Turned away past about 56.6 degrees: no flare.
    Look(ZEVector(0, 0, 0), ZEVector(-1, 0, 0.3f));
    Clear();
    E->RenderReflections(&R->m_Camera);
    for (int x = 0; x < kWidth; x += 16)
        for (int y = 0; y < kHeight; y += 16)
            ASSERT_EQ(At(x, y).r, 0) << x << ", " << y;
}
