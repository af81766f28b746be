// The decisions of shadow drawing that need no window: which edges make a
// volume's silhouette, how far it reaches, what a full edge list drops; the
// blended shadow's alpha; the fake shadow's rectangle; the part of the
// window a volume can cover.
#include "math/ZEVertex.h"
#include "render/ZECamera.h"
#include "render/ZEShadow.h"
#include "render/ZEStencilShadowVolume.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <set>
#include <utility>

namespace
{
// A unit square in the plane y = 0 as two triangles sharing the edge 0-2.
ZEVertex gSquare[4] = {{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {1, 0, 1, 0, 0}, {0, 0, 1, 0, 0}};
const ZEVector kUp(0, 1, 0);

std::set<std::pair<int, int>> Undirected(const ZEStencilShadowVolume& volume)
{
    std::set<std::pair<int, int>> edges;
    for (uint32_t e = 0; e < volume.m_ulNumEdges; ++e)
    {
        int a = volume.m_pEdges[2 * e], b = volume.m_pEdges[2 * e + 1];
        edges.insert({std::min(a, b), std::max(a, b)});
    }
    return edges;
}
}

TEST(StencilShadowVolume, TwoLitTrianglesSharingAnEdgeLeaveOnlyTheirOuterEdges)
{
    ZEStencilShadowVolume volume(gSquare, 12, ZEVector(0, 5, 0));
    volume.AddTriangle(0, 1, 2, kUp);
    volume.AddTriangle(0, 2, 3, kUp);
    EXPECT_EQ(Undirected(volume), (std::set<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}, {0, 3}}));

    // A face turned away from the light adds nothing; one edge-on to it
    // (within the tolerance) counts as lit.
    ZEStencilShadowVolume away(gSquare, 12, ZEVector(0, 5, 0));
    away.AddTriangle(0, 1, 2, ZEVector(0, -1, 0));
    EXPECT_EQ(away.m_ulNumEdges, 0u);
    away.AddTriangle(0, 1, 2, ZEVector(0.03f, -0.04f, 0.999f).UnitVector());
    EXPECT_EQ(away.m_ulNumEdges, 3u);
}

TEST(StencilShadowVolume, AFullEdgeListDropsTheSurplusAndKeepsCancelling)
{
    ZEStencilShadowVolume volume(gSquare, 2, ZEVector(0, 1, 0));
    volume.AddTriangle(0, 1, 2, kUp);   // 0-1 and 1-2 fit, 2-0 is dropped
    EXPECT_EQ(Undirected(volume), (std::set<std::pair<int, int>>{{0, 1}, {1, 2}}));
    volume.AddEdge(2, 1);               // still cancels a listed edge
    EXPECT_EQ(Undirected(volume), (std::set<std::pair<int, int>>{{0, 1}}));

    // Never more edges than a 16-bit vertex array can draw.
    ZEStencilShadowVolume huge(gSquare, 3 * 65535, ZEVector(0, 1, 0));
    EXPECT_EQ(huge.m_ulMaxEdges, 65535u / 6);
}

TEST(StencilShadowVolume, TheVolumeReaches300UnitsAwayFromTheLightHoweverFarItIs)
{
    for (float distance : {1.0f, 99999.0f})
    {
        ZEStencilShadowVolume volume(gSquare, 12, ZEVector(0, distance, 0));
        volume.AddEdge(0, 1);
        volume.BuildVolume();
        ASSERT_EQ(volume.m_ulNumVertices, 6u);
        float lowest = 0.0f;
        for (uint32_t v = 0; v < 6; ++v)
            lowest = std::min(lowest, volume.m_pVertices[v].y);
        EXPECT_FLOAT_EQ(lowest, -300.0f) << distance;
        EXPECT_TRUE(volume.IsCachedFor(UINT32_MAX, UINT32_MAX, UINT32_MAX, ZEVector(0, distance, 0)));
    }
    // No light direction: no volume to draw.
    ZEStencilShadowVolume none(gSquare, 12, ZEVector());
    none.AddTriangle(0, 1, 2, kUp);
    EXPECT_EQ(none.m_ulNumEdges, 0u);
}

TEST(ShadowAlpha, FollowsTheObjectsLightAndNeverWraps)
{
    const float dark[3] = {0, 0, 0}, lit[3] = {1, 1, 1}, glaring[3] = {3, 3, 3}, negative[3] = {-1, -1, -1};
    const float nan[3] = {std::numeric_limits<float>::quiet_NaN(), 0, 0};
    EXPECT_EQ(ZEShadowAlpha(dark), 255);
    EXPECT_EQ(ZEShadowAlpha(lit), 127);
    EXPECT_EQ(ZEShadowAlpha(glaring), 0);
    EXPECT_EQ(ZEShadowAlpha(negative), 255);
    EXPECT_EQ(ZEShadowAlpha(nan), 0);
}

TEST(FakeShadowQuad, SpansTwiceTheSizesAlongTheHeadingAndSurvivesAHeadingAlongTheNormal)
{
    ZEVertex v[6];
    ASSERT_TRUE(ZEFakeShadowQuad(ZEVector(10, 0, 0), kUp, ZEVector(1, 0, 0), 2.0f, 5.0f, v));
    float minX = 1e9f, maxX = -1e9f, minZ = 1e9f, maxZ = -1e9f;
    for (const ZEVertex& c : v)
    {
        EXPECT_FLOAT_EQ(c.y, 0.0f);
        minX = std::min(minX, c.x), maxX = std::max(maxX, c.x);
        minZ = std::min(minZ, c.z), maxZ = std::max(maxZ, c.z);
    }
    EXPECT_FLOAT_EQ(maxX - minX, 10.0f);   // the length runs along the heading, x
    EXPECT_FLOAT_EQ(maxZ - minZ, 4.0f);
    EXPECT_FLOAT_EQ((maxX + minX) / 2, 10.0f);

    // Straight up or zero: no heading on the ground, still a finite square.
    for (const ZEVector& heading : {kUp, ZEVector()})
    {
        ASSERT_TRUE(ZEFakeShadowQuad(ZEVector(), kUp, heading, 3.0f, 3.0f, v));
        for (const ZEVertex& c : v)
            EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.z) && c.y == 0.0f);
    }
    EXPECT_FALSE(ZEFakeShadowQuad(ZEVector(), ZEVector(), ZEVector(0, 0, 1), 3.0f, 3.0f, v));
    EXPECT_FALSE(ZEFakeShadowQuad(ZEVector(), kUp, ZEVector(0, 0, 1), 0.0f, 3.0f, v));
    EXPECT_FALSE(ZEFakeShadowQuad(ZEVector(), kUp, ZEVector(0, 0, 1), std::nanf(""), 3.0f, v));
}

TEST(SphereScreenRect, CoversTheSphereAndNoMoreThanTheWindow)
{
    // The default camera: at the origin looking along +z, 90 degrees high,
    // 120 wide by its own measure (4:3).
    ZECamera camera;
    const float tanY = 1.0f, tanX = 4.0f / 3.0f;
    float rect[4];
    // Straight ahead at 100, radius 10: at least the disc it shows.
    ZESphereScreenRect(camera, ZEVector(0, 0, 100), 10.0f, rect);
    EXPECT_LE(rect[0], 0.5f - 0.5f * 10.0f / 100.0f / tanX);
    EXPECT_GE(rect[2], 0.5f + 0.5f * 10.0f / 100.0f / tanX);
    EXPECT_LE(rect[1], 0.5f - 0.5f * 10.0f / 100.0f / tanY);
    EXPECT_GE(rect[3], 0.5f + 0.5f * 10.0f / 100.0f / tanY);
    EXPECT_GT(rect[0], 0.4f);
    EXPECT_LT(rect[2], 0.6f);

    // Up and to the right: the top right of the window, clamped to it.
    ZESphereScreenRect(camera, ZEVector(120, 90, 100), 10.0f, rect);
    EXPECT_GT(rect[0], 0.8f);
    EXPECT_EQ(rect[2], 1.0f);
    EXPECT_EQ(rect[1], 0.0f);
    EXPECT_GE(rect[3], 0.1f);   // its lowest point, 80 up at 100 ahead
    EXPECT_LT(rect[3], 0.2f);

    // Reaching the near plane: the whole window.
    ZESphereScreenRect(camera, ZEVector(0, 0, 5), 10.0f, rect);
    EXPECT_EQ(rect[0], 0.0f);
    EXPECT_EQ(rect[1], 0.0f);
    EXPECT_EQ(rect[2], 1.0f);
    EXPECT_EQ(rect[3], 1.0f);
}
