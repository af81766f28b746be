// Water, sky box and billboards as the world simulates and draws them, over
// a recording renderer: which vertices wave and how they turn and rest, the
// texture animations, what the sky box does around the camera, and when a
// billboard is lit and how it blends.
#include "core/ZEFileManager.h"
#include "math/ZEMath.h"
#include "math/ZEPolygon.h"
#include "render/ZEBillboard.h"
#include "render/ZECamera.h"
#include "render/ZELight.h"
#include "render/ZESkyBox.h"
#include "render/ZEWater.h"
#include "resources/ZETextureManager.h"
#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"
#include "support/TempFolder.h"
#include "support/TestPolygons.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include "ZEBspWriter.h"
#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{
// Counts the polygons deleted, to see who frees what.
int g_iPolygonsDeleted = 0;
class CountedPolygon : public ZEPolygon
{
public:
    ~CountedPolygon() override { ++g_iPolygonsDeleted; }
};

// A flat grid of cells x cells squares of side 4 at height 0, each square
// two triangles; vertex z * (cells + 1) + x, texture coordinates x / 8 and
// z / 8 (exact in floats).
ZEPolygon* Grid(int cells, uint8_t alpha = 255, bool lit = false)
{
    ZEPolygon* polygon = new CountedPolygon();
    const int side = cells + 1;
    polygon->m_usNumVertices = static_cast<uint16_t>(side * side);
    polygon->m_bLightmapped = lit;
    if (lit)
        polygon->m_pLVertices = new ZELVertex[polygon->m_usNumVertices];
    else
        polygon->m_pVertices = new ZEVertex[polygon->m_usNumVertices];
    for (int z = 0; z < side; ++z)
        for (int x = 0; x < side; ++x)
        {
            float px = 4.0f * x, pz = 4.0f * z, u = px / 8.0f, v = pz / 8.0f;
            if (lit)
                polygon->m_pLVertices[z * side + x] = ZELVertex{px, 0.0f, pz, u, v, 0.0f, 0.0f};
            else
                polygon->m_pVertices[z * side + x] = ZEVertex{px, 0.0f, pz, u, v};
        }
    std::vector<uint16_t> indices;
    for (int z = 0; z < cells; ++z)
        for (int x = 0; x < cells; ++x)
        {
            uint16_t a = z * side + x, b = a + 1, c = a + side, d = c + 1;
            indices.insert(indices.end(), {a, c, d, a, d, b});
        }
    polygon->m_usNumIndices = static_cast<uint16_t>(indices.size());
    polygon->m_pusIndices = new uint16_t[indices.size()];
    std::memcpy(polygon->m_pusIndices, indices.data(), indices.size() * sizeof(uint16_t));
    polygon->m_ucAlpha = alpha;
    polygon->Update();
    return polygon;
}

ZECustomEntity* Entity(const char* name, const ZEVector& position, const std::vector<uint8_t>& data,
                       std::vector<ZEPolygon*> polygons)
{
    uint8_t* block = new uint8_t[data.size()];
    std::memcpy(block, data.data(), data.size());
    ZECustomEntity* entity =
        new ZECustomEntity(ZEString(name), position, block, static_cast<uint16_t>(data.size()));
    for (ZEPolygon* polygon : polygons)
        entity->AddPolygon(polygon);
    return entity;
}

ZEWater* Water(int32_t amplitude, uint32_t mode, bool inner, std::vector<ZEPolygon*> polygons,
               bool keepLightmaps = false)
{
    ZEBspData data;
    data.Long(amplitude).U32(mode).Byte(keepLightmaps ? 1 : 0).Byte(inner ? 1 : 0);
    return new ZEWater(Entity("Water", ZEVector(), data.m_aucBytes, polygons));
}

std::vector<ZEVertex> Vertices(const ZEPolygon* polygon)
{
    return std::vector<ZEVertex>(polygon->m_pVertices, polygon->m_pVertices + polygon->m_usNumVertices);
}

// Speeds, height offset 5, lightmaps dropped; one square side of the given
// size around `position`.
ZESkyBox* Sky(const ZEVector& position, const ZEVector& speeds, float size, ZETextureReference* texture)
{
    ZEPolygon* side = Grid(1, 255, true);
    for (uint16_t i = 0; i < side->m_usNumVertices; ++i)
    {
        ZELVertex& v = side->m_pLVertices[i];
        v = ZELVertex{position.x + (v.x - 2.0f) * size / 4.0f, position.y - 5.0f + size / 2.0f,
                      position.z + (v.z - 2.0f) * size / 4.0f, v.u, v.v, 0.0f, 0.0f};
    }
    side->m_pTexture = texture;
    ZEBspData data;
    data.Vector(speeds).Float(5.0f).Byte(0);
    return new ZESkyBox(Entity("SkyBox", position, data.m_aucBytes, {side}));
}

// A 10 x 20 quad standing at `position` (corner 0 to 1 its height, 1 to 2
// its width), with the given opacity and texture.
ZEBillboard* Billboard(const ZEVector& position, bool particle, bool colorKey, uint8_t alpha,
                       ZETextureReference* texture)
{
    ZEPolygon* quad = Grid(1, alpha, true);
    const ZEVector corners[4] = {ZEVector(-5, 10, 0), ZEVector(-5, -10, 0), ZEVector(5, -10, 0), ZEVector(5, 10, 0)};
    for (int i = 0; i < 4; ++i)
    {
        ZEVector p = position + corners[i];
        quad->m_pLVertices[i].x = p.x;
        quad->m_pLVertices[i].y = p.y;
        quad->m_pLVertices[i].z = p.z;
    }
    quad->m_pTexture = texture;
    ZEBspData data;
    data.Byte(particle ? 1 : 0).Byte(colorKey ? 1 : 0).Byte(0).Byte(255).Byte(0).Byte(255);
    return new ZEBillboard(Entity("Billboard", position, data.m_aucBytes, {quad}));
}

class Scenery : public ::testing::Test
{
protected:
    Scenery() : m_Engine(&m_Renderer, nullptr, nullptr, nullptr, &m_Timer, nullptr) {}

    void SetUp() override
    {
        ZESeedRandom(7);
        g_iPolygonsDeleted = 0;
        ZETexWriter textures;
        std::vector<uint8_t> rgb(4 * 4 * 3, 200);
        rgb[0] = 255, rgb[1] = 0, rgb[2] = 255;   // one texel in the key colour
        ASSERT_TRUE(textures.AddImage("cloud", ZETexImage::TrueColor(4, 4, rgb)));
        ASSERT_TRUE(textures.Write(m_Dir.File("textures/scene.tex").c_str())) << textures.GetError().CStr();
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(m_Dir.Path().c_str()));
        m_Renderer.Clear();
    }

    ZETextureReference* Texture()
    {
        return ZETextureManager::ms_pTexManager->GetTexture(ZEString("cloud"), ZEString("scene"), false);
    }

    // The logged lines from the first that starts with `from`.
    std::vector<std::string> LogFrom(const std::string& from) const
    {
        int first = m_Renderer.Find(from);
        if (first < 0)
            return {};
        return std::vector<std::string>(m_Renderer.m_Log.begin() + first, m_Renderer.m_Log.end());
    }

    ZETempFolder m_Dir{"scenery"};
    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    ZEEngine m_Engine;
    // At the origin looking along +Z.
    ZECamera m_Camera;
};
}

// ---------------------------------------------------------------------------
// Water

TEST_F(Scenery, StillWaterNeverMovesNorTakesTheSecondPass)
{
    ZEWater* water = Water(0, 0, false, {Grid(2, 128)});
    EXPECT_EQ(water->m_ulNumVertices, 0u);
    EXPECT_EQ(water->m_pfOffsets, nullptr);
    EXPECT_FALSE(water->m_bSecondPass) << "translucent, but still";

    std::vector<ZEVertex> before = Vertices(water->m_pPolygons);
    uint64_t random = ZEGetRandomState();
    for (int frame = 0; frame < 200; ++frame)
        water->Animate(40, &m_Engine);
    std::vector<ZEVertex> after = Vertices(water->m_pPolygons);
    EXPECT_EQ(std::memcmp(before.data(), after.data(), before.size() * sizeof(ZEVertex)), 0);
    EXPECT_EQ(ZEGetRandomState(), random) << "nothing drawn for a still water";
    delete water;
}

TEST_F(Scenery, AWaveTurnsAtHalfTheAmplitudeWithoutMovingAndRestsUntilDrawnAgain)
{
    // Amplitude 7 and 250 ms: a step of exactly 1, turning at 3.5.
    ZEWater* water = Water(7, 0, true, {Grid(2)});
    ASSERT_EQ(water->m_ulNumVertices, 1u) << "only the middle of the grid";
    float& y = water->m_ppVertices[0]->y;
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
        EXPECT_EQ(water->m_pcDirections[0], 0);
        EXPECT_EQ(water->m_pfOffsets[0], 0.0f);
    }

    // At rest it waits for a draw of 1 (up) or 2 (down) out of 20.
    uint64_t state = ZEGetRandomState();
    int waits = 0;
    int32_t draw = ZERandM(20);
    for (; draw != 1 && draw != 2; draw = ZERandM(20))
        ++waits;
    ZESetRandomState(state);
    for (int frame = 0; frame < waits; ++frame)
        water->Animate(250, &m_Engine);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(water->m_pcDirections[0], 0);
    water->Animate(250, &m_Engine);
    EXPECT_EQ(y, draw == 1 ? 1.0f : -1.0f);
    delete water;
}

TEST_F(Scenery, OnlyVerticesSurroundedByTrianglesWaveWhenTheInnerOnesAreAsked)
{
    ZEWater* all = Water(4, 0, false, {Grid(2)});
    EXPECT_EQ(all->m_ulNumVertices, 9u);
    delete all;

    // A degenerate triangle (an edge of no length) turns nothing.
    ZEPolygon* folded =
        ZEMakeTestPolygon({ZEVector(0, 0, 0), ZEVector(4, 0, 0), ZEVector(4, 0, 4)}, {0, 1, 2, 1, 1, 0});
    EXPECT_NEAR(ZEWaterAngleSums(*folded)[1], 90.0f, 0.01f);
    delete folded;
    ZEWater* inner = Water(4, 0, true, {Grid(2)});
    ASSERT_EQ(inner->m_ulNumVertices, 1u);
    EXPECT_EQ(inner->m_ppVertices[0], inner->m_pPolygons->m_pVertices + 4);
    delete inner;

    // Lit polygons whose lightmaps are kept wave their lit vertices.
    ZEWater* lit = Water(4, 0, true, {Grid(2, 255, true)}, true);
    ASSERT_EQ(lit->m_ulNumVertices, 1u);
    EXPECT_EQ(lit->m_ppVertices, nullptr);
    EXPECT_EQ(lit->m_ppLVertices[0], lit->m_pPolygons->m_pLVertices + 4);
    delete lit;

    // Nothing inner: the waves stop for good.
    ZEWater* border = Water(4, 0, true, {Grid(1)});
    EXPECT_EQ(border->m_lWaveHeight, 0);
    EXPECT_EQ(border->m_ulNumVertices, 0u);
    EXPECT_EQ(border->m_pcDirections, nullptr);
    delete border;
    EXPECT_EQ(g_iPolygonsDeleted, 4);
}

TEST_F(Scenery, ScrollingModesShiftEveryVertexByWholeRepeatsIn20Seconds)
{
    struct Case
    {
        uint32_t mode;
        float du, dv;
    };
    for (const Case& c : {Case{2, 0, -1}, Case{3, -1, 0}, Case{4, -1, -1}, Case{5, -1, 1}, Case{6, 0, 0}})
    {
        SCOPED_TRACE(c.mode);
        ZEWater* water = Water(0, c.mode, false, {Grid(2), Grid(1)});
        std::vector<ZEVertex> before = Vertices(water->m_pPolygons->m_pNext);
        water->Animate(20000, &m_Engine);
        std::vector<ZEVertex> after = Vertices(water->m_pPolygons->m_pNext);
        for (size_t i = 0; i < before.size(); ++i)
        {
            EXPECT_EQ(after[i].u, before[i].u + c.du) << "vertex " << i;
            EXPECT_EQ(after[i].v, before[i].v + c.dv) << "vertex " << i;
            EXPECT_EQ(after[i].y, before[i].y);
        }
        delete water;
    }
}

TEST_F(Scenery, TheRandomDriftPassesItsBoundByLessThanAFrame)
{
    ZEWater* water = Water(0, 1, false, {Grid(1)});
    const uint32_t frames[] = {16, 33, 50, 100, 7};
    float reached = 0.0f, previous[2] = {0.0f, 0.0f};
    for (int frame = 0; frame < 40000; ++frame)
    {
        uint32_t ms = frames[frame % 5];
        water->Animate(ms, &m_Engine);
        const float step = ms / 20000.0f / 5.0f;
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

TEST_F(Scenery, WaterDrawsItsPolygonsInOrderUnlessCulledAndWavingGlassGoesSecond)
{
    ZEWater* water = Water(4, 0, false, {Grid(2), Grid(1, 100)});
    EXPECT_TRUE(water->m_bSecondPass);
    water->m_vPosition = ZEVector(0, 0, 50);
    for (ZEPolygon* polygon = water->m_pPolygons; polygon; polygon = polygon->m_pNext)
        for (uint16_t i = 0; i < polygon->m_usNumVertices; ++i)
            polygon->m_pVertices[i].z += 50.0f;
    delete water->m_pBoundingVolume;
    ZEBoundingSphere* sphere = new ZEBoundingSphere();
    sphere->UpdateVolume(water->m_pPolygons, true);
    water->m_pBoundingVolume = sphere;

    water->Render(&m_Renderer, &m_Camera);
    int first = m_Renderer.Find("Render 9 24"), second = m_Renderer.Find("Render 4 6");
    EXPECT_GE(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(m_Renderer.Count("EnableBlending"), 1u) << "the translucent polygon only";

    m_Renderer.Clear();
    m_Camera.SetRotation(ZEVector(0, 180, 0));
    water->Render(&m_Renderer, &m_Camera);
    EXPECT_TRUE(m_Renderer.m_Log.empty());
    delete water;

    ZEWater* opaque = Water(4, 0, false, {Grid(2)});
    EXPECT_FALSE(opaque->m_bSecondPass);
    delete opaque;
}

// ---------------------------------------------------------------------------
// Sky box

TEST_F(Scenery, TheSkyBoxFollowsTheCameraAndTurnsOnlyWithASpeed)
{
    ZESkyBox* still = Sky(ZEVector(10, 20, 30), ZEVector(0, 0, 0), 100, Texture());
    EXPECT_FALSE(still->m_bRotate);
    EXPECT_EQ(still->m_vPosition, ZEVector(10, 15, 30)) << "lowered by the height offset";
    const ZEPolygon* side = still->m_pPolygons;
    EXPECT_FALSE(side->m_bLightmapped) << "lightmaps not kept";
    EXPECT_EQ(side->m_pVertices[0].x, -50.0f);
    EXPECT_EQ(side->m_pVertices[0].y, 50.0f) << "modelled around the origin";
    ASSERT_NE(side->m_pTexture->GetTexture(), nullptr);
    EXPECT_TRUE(side->m_pTexture->GetTexture()->m_bClamp);

    // The terrain's angles may change; a box without speeds ignores them.
    still->m_vRotation = ZEVector(10, 20, 30);
    m_Camera.SetPosition(ZEVector(1, 2, 3));
    still->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(LogFrom("PushWorldMatrix"),
              (std::vector<std::string>{"PushWorldMatrix", "TransformWorld 1 2 3", "SetAmbient 255 255 255",
                                        "SetAmbient 255 255 255 255",
                                        "SetTexture " + ZERecordingRenderer::PointerText(side->m_pTexture),
                                        "Render 4 6", "PopWorldMatrix"}));

    // A speed of -0 is a speed set on purpose.
    ZESkyBox* turning = Sky(ZEVector(), ZEVector(0, -0.0f, 0), 100, Texture());
    EXPECT_TRUE(turning->m_bRotate);
    turning->m_vRotation = ZEVector(1, 2, 3);
    m_Renderer.Clear();
    turning->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.Find("RotateWorldDeg 1 2 3"), m_Renderer.Find("TransformWorld 1 2 3") + 1);

    delete still;
    delete turning;
    EXPECT_EQ(g_iPolygonsDeleted, 2) << "the sky box frees its polygons";
}

TEST_F(Scenery, ASkyBoxBeyondTheFarPlaneIsDrawnShrunkAboutTheEye)
{
    ZESkyBox* sky = Sky(ZEVector(), ZEVector(), 200, Texture());
    m_Camera.SetPerspective(90, 4.0f / 3.0f, 1, 1000);
    sky->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.Count("ScaleWorld"), 0u);

    m_Camera.SetPerspective(90, 4.0f / 3.0f, 1, 100);
    sky->Render(&m_Renderer, &m_Camera);
    ASSERT_EQ(m_Renderer.Count("ScaleWorld"), 1u);
    float scale = 0.0f;
    ASSERT_EQ(std::sscanf(m_Renderer.m_Log[m_Renderer.Find("ScaleWorld")].c_str(), "ScaleWorld %f", &scale), 1);
    EXPECT_LT(sky->m_fReach * scale, 100.0f);
    EXPECT_GT(sky->m_fReach * scale, 90.0f);
    delete sky;
}

// ---------------------------------------------------------------------------
// Billboards

TEST_F(Scenery, ABillboardIsLitOnceAtItsFirstDrawing)
{
    m_Engine.AddLightToWorld(new ZELight(0.5f));
    ZEBillboard* tree = Billboard(ZEVector(0, 0, 50), false, false, 255, Texture());
    EXPECT_EQ(tree->m_fWidth, 10.0f);
    EXPECT_EQ(tree->m_fHeight, 20.0f);

    // Out of view it is not drawn, and so not lit yet.
    m_Renderer.Clear();
    m_Camera.SetRotation(ZEVector(0, 180, 0));
    tree->Render(&m_Renderer, &m_Camera);
    EXPECT_TRUE(m_Renderer.m_Log.empty());
    EXPECT_FALSE(tree->m_bLightComputed);

    m_Camera.SetRotation(ZEVector());
    tree->Render(&m_Renderer, &m_Camera);
    EXPECT_TRUE(tree->m_bLightComputed);
    EXPECT_EQ(LogFrom("SetAmbient"),
              (std::vector<std::string>{"SetAmbient 127 127 127 255",
                                        "RenderBillboard 0 0 50 10 20 " +
                                            ZERecordingRenderer::PointerText(tree->m_pTexture)}));

    // More light and another place later change nothing.
    m_Engine.AddLightToWorld(new ZELight(0.5f));
    tree->m_vPosition = ZEVector(0, 5, 40);
    m_Renderer.Clear();
    tree->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.Find("SetAmbient 127 127 127 255"), 0);
    delete tree;
}

TEST_F(Scenery, ABillboardBlendsWhenSeeThroughOrKeyedAndAParticleFacesTheCameraFully)
{
    ZEBillboard* opaque = Billboard(ZEVector(0, 0, 50), false, false, 255, Texture());
    opaque->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(m_Renderer.Count("EnableBlending") + m_Renderer.Count("EnableAlphaTest"), 0u);
    EXPECT_FALSE(opaque->m_bSecondPass);

    ZEBillboard* glass = Billboard(ZEVector(0, 0, 50), true, false, 128, Texture());
    EXPECT_TRUE(glass->m_bSecondPass);
    m_Renderer.Clear();
    glass->Render(&m_Renderer, &m_Camera);
    std::vector<std::string> log = m_Renderer.m_Log;
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0], "EnableBlending");
    EXPECT_EQ(log[1], "SetBlendingState 4 5");
    EXPECT_EQ(log[3].rfind("RenderParticle 0 0 50 10 20", 0), 0u);
    EXPECT_EQ(log[4], "DisableBlending");

    ZEBillboard* keyed = Billboard(ZEVector(0, 0, 50), false, true, 255, Texture());
    m_Renderer.Clear();
    ASSERT_NE(keyed->m_pTexture->GetTexture(), nullptr);
    EXPECT_TRUE(keyed->m_pTexture->GetTexture()->m_bAlpha) << "keyed on magenta";
    keyed->Render(&m_Renderer, &m_Camera);
    EXPECT_EQ(LogFrom("EnableBlending").size(), 8u);
    EXPECT_EQ(m_Renderer.Find("SetAlphaState 8 0"), m_Renderer.Find("EnableAlphaTest") + 1);
    EXPECT_GT(m_Renderer.Find("DisableAlphaTest"), m_Renderer.Find("RenderBillboard"));
    EXPECT_GT(m_Renderer.Find("DisableBlending"), m_Renderer.Find("RenderBillboard"));
    delete opaque;
    delete glass;
    delete keyed;
}
