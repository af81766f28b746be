// Water, sky box and billboards as the world simulates and draws them, over
// a recording renderer: which vertices wave and how they turn and rest, the
// texture animations, the sky box around the camera, and when a billboard
// is lit and how it blends.
#include "math/ZEMath.h"
#include "math/ZEPolygon.h"
#include "render/ZEBillboard.h"
#include "render/ZECamera.h"
#include "render/ZELight.h"
#include "render/ZESkyBox.h"
#include "render/ZEWater.h"
#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"
#include "support/TestPolygons.h"
#include "world/ZEEngine.h"

#include "ZEBspWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
int g_iPolygonsDeleted = 0;
class CountedPolygon : public ZEPolygon
{
public:
    ~CountedPolygon() override { ++g_iPolygonsDeleted; }
};

// Four squares of side 4 at height 0, two triangles each; vertex 4 is the
// middle, the only one with a full turn of corners around it.
ZEPolygon* Grid(bool lit = false)
{
    return ZEMakeTestPolygon({ZEVector(0, 0, 0), ZEVector(4, 0, 0), ZEVector(8, 0, 0), ZEVector(0, 0, 4),
                              ZEVector(4, 0, 4), ZEVector(8, 0, 4), ZEVector(0, 0, 8), ZEVector(4, 0, 8),
                              ZEVector(8, 0, 8)},
                             {0, 3, 4, 0, 4, 1, 1, 4, 5, 1, 5, 2, 3, 6, 7, 3, 7, 4, 4, 7, 8, 4, 8, 5}, lit);
}

// One square of side 4, no inner vertex.
ZEPolygon* Square(uint8_t alpha = 255)
{
    ZEPolygon* square = ZEMakeTestPolygon(
        {ZEVector(0, 0, 0), ZEVector(4, 0, 0), ZEVector(0, 0, 4), ZEVector(4, 0, 4)}, {0, 2, 3, 0, 3, 1});
    square->m_ucAlpha = alpha;
    return square;
}

ZECustomEntity* Entity(const char* name, const ZEVector& position, const ZEBspData& data,
                       std::vector<ZEPolygon*> polygons)
{
    uint8_t* block = new uint8_t[data.m_aucBytes.size()];
    std::copy(data.m_aucBytes.begin(), data.m_aucBytes.end(), block);
    ZECustomEntity* entity =
        new ZECustomEntity(ZEString(name), position, block, static_cast<uint16_t>(data.m_aucBytes.size()));
    for (ZEPolygon* polygon : polygons)
        entity->AddPolygon(polygon);
    return entity;
}

ZEWater* Water(int32_t amplitude, uint32_t mode, bool inner, std::vector<ZEPolygon*> polygons,
               bool keepLightmaps = false)
{
    ZEBspData data = ZEBspData().Long(amplitude).U32(mode).Byte(keepLightmaps).Byte(inner);
    return new ZEWater(Entity("Water", ZEVector(), data, polygons));
}

// Every plain vertex of the water, polygon after polygon.
std::vector<ZEVertex> Vertices(const ZEWater* water)
{
    std::vector<ZEVertex> all;
    for (const ZEPolygon* polygon = water->m_pPolygons; polygon; polygon = polygon->m_pNext)
        all.insert(all.end(), polygon->m_pVertices, polygon->m_pVertices + polygon->m_usNumVertices);
    return all;
}

// Height offset 5; one lit 100 x 100 side whose corner 0 lies at
// (-50, 50, -50) from the lowered position.
ZESkyBox* Sky(const ZEVector& at, const ZEVector& speeds)
{
    ZEPolygon* side = ZEFillTestPolygon(new CountedPolygon(),
                                        {at + ZEVector(-50, 45, -50), at + ZEVector(50, 45, -50),
                                         at + ZEVector(50, 45, 50), at + ZEVector(-50, 45, 50)},
                                        {0, 1, 2, 0, 2, 3}, true);
    return new ZESkyBox(Entity("SkyBox", at, ZEBspData().Vector(speeds).Float(5.0f).Byte(0), {side}));
}

// A 10 x 20 quad standing at (0, 0, 50), without a texture.
ZEBillboard* Billboard(uint8_t alpha, bool particle = false, bool colorKey = false)
{
    ZEPolygon* quad = ZEMakeTestPolygon(
        {ZEVector(-5, 10, 50), ZEVector(-5, -10, 50), ZEVector(5, -10, 50), ZEVector(5, 10, 50)}, {0, 1, 2, 0, 2, 3},
        true);
    quad->m_ucAlpha = alpha;
    ZEBspData data = ZEBspData().Byte(particle).Byte(colorKey).Byte(0).Byte(255).Byte(0).Byte(255);
    return new ZEBillboard(Entity("Billboard", ZEVector(0, 0, 50), data, {quad}));
}

class Scenery : public ::testing::Test
{
protected:
    Scenery() : m_Engine(&m_Renderer, nullptr, nullptr, nullptr, &m_Timer, nullptr)
    {
        m_Renderer.Clear();   // the engine's own calls at start-up
        ZESeedRandom(7);
        g_iPolygonsDeleted = 0;
    }

    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    ZEEngine m_Engine;
    ZECamera m_Camera;   // at the origin looking along +Z
};
}

// ---------------------------------------------------------------------------
// Water

TEST_F(Scenery, AStillWaterNeverMovesItsVerticesWhileMode3ScrollsUByExactlyOneIn20Seconds)
{
    ZEWater* water = Water(0, 3, false, {Grid(), Square(128)});
    EXPECT_FALSE(water->m_bSecondPass) << "translucent, but still";
    const uint64_t random = ZEGetRandomState();
    std::vector<ZEVertex> before = Vertices(water);
    water->Animate(20000, &m_Engine);
    std::vector<ZEVertex> after = Vertices(water);
    for (size_t i = 0; i < before.size(); ++i)
    {
        EXPECT_EQ(after[i].u, before[i].u - 1.0f) << "vertex " << i;
        EXPECT_EQ(after[i].v, before[i].v) << "vertex " << i;
    }
    for (int frame = 0; frame < 200; ++frame)
        water->Animate(40, &m_Engine);
    for (const ZEVertex& vertex : Vertices(water))
        EXPECT_EQ(vertex.y, 0.0f);
    EXPECT_EQ(ZEGetRandomState(), random) << "no vertex ever set off";
    delete water;
}

TEST_F(Scenery, OnlyInnerVerticesWaveWhenAskedAndADegenerateCornerTurnsNothing)
{
    ZEPolygon* folded =
        ZEMakeTestPolygon({ZEVector(0, 0, 0), ZEVector(4, 0, 0), ZEVector(4, 0, 4)}, {0, 1, 2, 1, 1, 0});
    EXPECT_NEAR(ZEWaterAngleSums(*folded)[1], 90.0f, 0.01f);
    delete folded;

    ZEWater* all = Water(4, 0, false, {Grid()});
    ZEWater* inner = Water(4, 0, true, {Grid()});
    ZEWater* lit = Water(4, 0, true, {Grid(true), Square(100)}, true);
    EXPECT_EQ(all->m_ulNumVertices, 9u);
    ASSERT_EQ(inner->m_ulNumVertices, 1u);
    EXPECT_EQ(inner->m_ppVertices[0], inner->m_pPolygons->m_pVertices + 4) << "the middle of the grid";
    EXPECT_FALSE(inner->m_bSecondPass) << "opaque";
    EXPECT_TRUE(lit->m_bSecondPass) << "waving and partly translucent";
    ASSERT_EQ(lit->m_ulNumVertices, 1u);
    lit->m_pcDirections[0] = 1;
    lit->Animate(250, &m_Engine);
    EXPECT_GT(lit->m_pPolygons->m_pLVertices[4].y, 0.0f) << "lightmaps kept: the lit vertices wave";
    delete all;
    delete inner;
    delete lit;
}

TEST_F(Scenery, AWaveTurnsAtHalfTheAmplitudeWithoutMovingAndRestsUntilDrawnAgain)
{
    // Amplitude 7 and 250 ms: a step of exactly 1, turning at 3.5.
    ZEWater* water = Water(7, 0, true, {Grid()});
    ASSERT_EQ(water->m_ulNumVertices, 1u);
    const float& y = water->m_ppVertices[0]->y;
    for (int8_t start : {1, -1})
    {
        SCOPED_TRACE(start);
        water->m_pcDirections[0] = start;
        std::vector<float> heights;
        for (int frame = 0; frame < 8; ++frame)
        {
            water->Animate(250, &m_Engine);
            heights.push_back(y * start);
        }
        EXPECT_EQ(heights, (std::vector<float>{1, 2, 3, 3, 2, 1, 0, 0})) << "held at 3 while turning, stopped at 0";
    }

    // At rest it waits for a draw of 1 (up) or 2 (down) out of 20.
    const uint64_t state = ZEGetRandomState();
    int waits = 0, draw;
    while ((draw = ZERandM(20)) != 1 && draw != 2)
        ++waits;
    ZESetRandomState(state);
    for (int frame = 0; frame < waits; ++frame)
        water->Animate(250, &m_Engine);
    EXPECT_EQ(y, 0.0f);
    water->Animate(250, &m_Engine);
    EXPECT_EQ(y, draw == 1 ? 1.0f : -1.0f);
    delete water;
}

TEST_F(Scenery, TheRandomDriftPassesItsBoundByLessThanAFrame)
{
    ZEWater* water = Water(0, 1, false, {Square()});
    const uint32_t frames[] = {16, 33, 50, 100, 7};
    float reached = 0.0f, previous[2] = {0.0f, 0.0f};
    for (int frame = 0; frame < 40000; ++frame)
    {
        water->Animate(frames[frame % 5], &m_Engine);
        const float step = frames[frame % 5] / 20000.0f / 5.0f;
        const float offsets[2] = {std::fabs(water->m_fTexOffsetU), std::fabs(water->m_fTexOffsetV)};
        for (int axis = 0; axis < 2; ++axis)
        {
            // Passed in this frame by at most its step, or heading back.
            if (previous[axis] < 0.05f)
                ASSERT_LE(offsets[axis], 0.05f + step + 1e-6f) << "frame " << frame;
            else
                ASSERT_LT(offsets[axis], previous[axis]) << "frame " << frame;
            previous[axis] = offsets[axis];
            reached = std::max(reached, offsets[axis]);
        }
    }
    EXPECT_GT(reached, 0.05f) << "the drift went out to its bound";
    delete water;
}

// ---------------------------------------------------------------------------
// Sky box

TEST_F(Scenery, TheSkyBoxFollowsTheCameraTurnsOnlyWithASpeedFitsTheFarPlaneAndFreesItsPolygons)
{
    ZESkyBox* still = Sky(ZEVector(10, 20, 30), ZEVector(0, 0, 0));
    const ZEVertex& corner = still->m_pPolygons->m_pVertices[0];
    EXPECT_EQ(ZEVector(corner.x, corner.y, corner.z), ZEVector(-50, 50, -50)) << "around the origin, lightmap dropped";

    // The terrain advances every object's angles; a box without speeds
    // ignores them.
    still->m_vRotation = ZEVector(10, 20, 30);
    m_Camera.SetPosition(ZEVector(1, 2, 3));
    still->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.m_Log,
              (std::vector<std::string>{"PushWorldMatrix", "TransformWorld 1 2 3", "SetAmbient 255 255 255",
                                        "SetAmbient 255 255 255 255", "SetTexture null", "Render 4 6",
                                        "PopWorldMatrix"}));

    // A speed of -0 is a speed set on purpose.
    ZESkyBox* turning = Sky(ZEVector(), ZEVector(0, -0.0f, 0));
    turning->m_vRotation = ZEVector(1, 2, 3);
    m_Renderer.Clear();
    turning->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.Find("RotateWorldDeg 1 2 3"), m_Renderer.Find("TransformWorld 1 2 3") + 1);

    // Reaching beyond the far plane, it is shrunk to just within it.
    m_Camera.SetPerspective(90, 4.0f / 3.0f, 1, 50);
    m_Renderer.Clear();
    still->Render(&m_Renderer, &m_Camera);
    float scale = 0.0f;
    ASSERT_EQ(m_Renderer.Count("ScaleWorld"), 1u);
    ASSERT_EQ(std::sscanf(m_Renderer.m_Log[m_Renderer.Find("ScaleWorld")].c_str(), "ScaleWorld %f", &scale), 1);
    EXPECT_LT(still->m_fReach * scale, 50.0f);
    EXPECT_GT(still->m_fReach * scale, 45.0f);

    delete still;
    delete turning;
    EXPECT_EQ(g_iPolygonsDeleted, 2) << "the sky box frees its polygons";
}

// ---------------------------------------------------------------------------
// Billboards

TEST_F(Scenery, AnOpaqueBillboardIsLitOnceAtItsFirstDrawingWithoutBlending)
{
    m_Engine.AddLightToWorld(new ZELight(0.5f));
    ZEBillboard* tree = Billboard(255);
    EXPECT_FALSE(tree->m_bSecondPass);
    m_Camera.SetRotation(ZEVector(0, 180, 0));
    tree->Render(&m_Renderer, &m_Camera);
    EXPECT_TRUE(m_Renderer.m_Log.empty());
    EXPECT_FALSE(tree->m_bLightComputed) << "out of view: not drawn, so not lit";

    m_Camera.SetRotation(ZEVector());
    tree->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.m_Log, (std::vector<std::string>{"SetAmbient 127 127 127 255",
                                                           "RenderBillboard 0 0 50 10 20 " +
                                                               ZERecordingRenderer::PointerText(tree->m_pTexture)}));

    // More light and another place later change nothing.
    m_Engine.AddLightToWorld(new ZELight(0.5f));
    tree->m_vPosition = ZEVector(0, 5, 40);
    m_Renderer.Clear();
    tree->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.m_Log[0], "SetAmbient 127 127 127 255");
    delete tree;
}

TEST_F(Scenery, ASeeThroughBillboardBlendsAndGoesSecondAndAKeyedOneIsAlphaTested)
{
    ZEBillboard* glass = Billboard(128, true);
    EXPECT_TRUE(glass->m_bSecondPass);
    glass->Render(&m_Renderer, &m_Camera);
    ASSERT_EQ(m_Renderer.m_Log.size(), 5u);
    EXPECT_EQ(m_Renderer.m_Log[1], "SetBlendingState 4 5");
    EXPECT_EQ(m_Renderer.m_Log[3].rfind("RenderParticle 0 0 50 10 20", 0), 0u);
    EXPECT_EQ(m_Renderer.m_Log[4], "DisableBlending");

    ZEBillboard* keyed = Billboard(255, false, true);
    m_Renderer.Clear();
    keyed->Render(&m_Renderer, &m_Camera);
    const int drawn = m_Renderer.Find("RenderBillboard");
    EXPECT_EQ(m_Renderer.Find("SetAlphaState 8 0"), m_Renderer.Find("EnableAlphaTest") + 1);
    EXPECT_LT(m_Renderer.Find("SetAlphaState 8 0"), drawn);
    EXPECT_GT(m_Renderer.Find("DisableAlphaTest"), drawn);
    EXPECT_GT(m_Renderer.Find("DisableBlending"), drawn);
    delete glass;
    delete keyed;
}
