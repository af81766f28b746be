#include "math/ZEPolygon.h"
#include "render/ZEDecal.h"
#include "resources/ZETextureManager.h"

#include "support/RecordingRenderer.h"
#include "support/TestPolygons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace
{
// A 10 x 10 square in the ground plane, split along its diagonal from the
// origin to (10, 0, 10); both triangles face up (+y).
ZEPolygon* MakeSquare(bool lightmapped = false)
{
    return ZEMakeTestPolygon({ZEVector(0, 0, 0), ZEVector(0, 0, 10), ZEVector(10, 0, 10), ZEVector(10, 0, 0)},
                             {0, 1, 2, 0, 2, 3}, lightmapped);
}

// Two triangles folded along the edge (0,0,0)-(0,0,1): the floor triangle
// in y = 0 facing +y and the wall triangle in x = 0 facing +x, in the
// given order.
ZEPolygon* MakeFold(bool floorFirst)
{
    std::initializer_list<ZEVector> positions = {ZEVector(0, 0, 0), ZEVector(0, 0, 1), ZEVector(1, 0, 0),
                                                 ZEVector(0, 1, 0)};
    if (floorFirst)
        return ZEMakeTestPolygon(positions, {0, 1, 2, 0, 3, 1});
    return ZEMakeTestPolygon(positions, {0, 3, 1, 0, 1, 2});
}

// Two parallel triangles facing +y, the one at y = 0 and the one at y = 5,
// in the given order: not planar.
ZEPolygon* MakeShelves(bool lowFirst)
{
    std::initializer_list<ZEVector> positions = {ZEVector(0, 0, 0), ZEVector(0, 0, 10), ZEVector(10, 0, 0),
                                                 ZEVector(0, 5, 0), ZEVector(0, 5, 10), ZEVector(10, 5, 0)};
    if (lowFirst)
        return ZEMakeTestPolygon(positions, {0, 1, 2, 3, 4, 5});
    return ZEMakeTestPolygon(positions, {3, 4, 5, 0, 1, 2});
}

void ExpectVector(const ZEVector& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

void ExpectDecalVertex(const ZEVertex& vertex, float x, float y, float z, float u, float v)
{
    EXPECT_FLOAT_EQ(vertex.x, x);
    EXPECT_FLOAT_EQ(vertex.y, y);
    EXPECT_FLOAT_EQ(vertex.z, z);
    EXPECT_FLOAT_EQ(vertex.u, u);
    EXPECT_FLOAT_EQ(vertex.v, v);
}

float Cosine(const ZEVector& from, const ZEVector& to, const ZEVector& p)
{
    ZEVector u = from - p, v = to - p;
    return u.DotProduct(v) / (u.GetLength() * v.GetLength());
}
}

// ---------------------------------------------------------------------------
// Point in triangle

TEST(PointInTriangle, InsideCornersAndEdgesCount)
{
    ZEVector a(0, 0, 0), b(0, 0, 10), c(10, 0, 10);
    EXPECT_TRUE(ZEPointInTriangle(a, b, c, ZEVector(3, 0, 6)));
    EXPECT_TRUE(ZEPointInTriangle(a, b, c, b)) << "exactly at a corner";
    EXPECT_TRUE(ZEPointInTriangle(a, b, c, ZEVector(0, 0, 5))) << "middle of an edge: the angles sum to 2 pi";
    // Outside, but the distances to a and b multiply to 0.0005: a corner.
    EXPECT_TRUE(ZEPointInTriangle(a, b, c, ZEVector(-0.00005f, 0, 0)));
}

TEST(PointInTriangle, TheQuickRejectionKeepsWhatTheAngleTestTakes)
{
    // A tiny triangle: 0.02 outside its box, the distances to two corners
    // multiply to under 0.001, so the point counts as a corner.
    ZEVector a(0, 0, 0), b(0, 0, 0.01f), c(0.01f, 0, 0.01f);
    EXPECT_TRUE(ZEPointInTriangle(a, b, c, ZEVector(-0.02f, 0, 0.005f)));
    // A long sliver: just beyond its long edge the angles still add up to
    // 2 pi within the tolerance.
    ZEVector d(0, 0, 0), e(0, 0, 1000), f(0.5f, 0, 1000);
    EXPECT_TRUE(ZEPointInTriangle(d, e, f, ZEVector(-0.0001f, 0, 500)));
    EXPECT_FALSE(ZEPointInTriangle(d, e, f, ZEVector(-50, 0, 500)));
}

TEST(PointInTriangle, SlightlyOutsideIsOut)
{
    ZEVector a(0, 0, 0), b(0, 0, 10), c(10, 0, 10);
    EXPECT_FALSE(ZEPointInTriangle(a, b, c, ZEVector(-0.01f, 0, 5)));
    EXPECT_FALSE(ZEPointInTriangle(a, b, c, ZEVector(6, 0, 3))) << "in the other half of the square";
}

TEST(PointInTriangle, PointOnASharedDiagonalIsNotLostToRounding)
{
    // Seen from (2, 0, 2) the diagonal's ends lie exactly opposite, but the
    // float cosine comes out just below -1, where acos has no value.
    ZEVector origin(0, 0, 0), far(10, 0, 10), p(2, 0, 2);
    ASSERT_LT(Cosine(origin, far, p), -1.0f);
    EXPECT_TRUE(ZEPointInTriangle(origin, ZEVector(0, 0, 10), far, p));
    EXPECT_TRUE(ZEPointInTriangle(origin, far, ZEVector(10, 0, 0), p));
}

// ---------------------------------------------------------------------------
// Plane table

TEST(PolygonUpdate, CoplanarTrianglesShareOnePlane)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    EXPECT_TRUE(square->m_bUpdated);
    EXPECT_TRUE(square->m_bPlanar);
    ASSERT_EQ(square->m_usNumPlanes, 1);
    ExpectVector(square->m_pPlanes[0].m_vNormal, 0, 1, 0);
    EXPECT_EQ(square->m_pPlanes[0].m_dDistance, 0.0);
    ExpectVector(square->m_pvRight[0], 0, 0, -1);
    ExpectVector(square->m_pvUp[0], -1, 0, 0);

    std::unique_ptr<ZEPolygon> single(ZEMakeTestTriangle(ZEVector(0, 2, 0), ZEVector(0, 2, 1), ZEVector(1, 2, 0)));
    EXPECT_TRUE(single->m_bPlanar);
    ASSERT_EQ(single->m_usNumPlanes, 1);
    EXPECT_EQ(single->m_pPlanes[0].m_dDistance, -2.0);
}

TEST(PolygonUpdate, FoldedTrianglesKeepAPlaneEach)
{
    std::unique_ptr<ZEPolygon> fold(MakeFold(true));
    EXPECT_FALSE(fold->m_bPlanar);
    ASSERT_EQ(fold->m_usNumPlanes, 2);
    ExpectVector(fold->m_pPlanes[0].m_vNormal, 0, 1, 0);
    ExpectVector(fold->m_pPlanes[1].m_vNormal, 1, 0, 0);
    for (int i = 0; i < 2; ++i)
    {
        ZEVector right, up;
        fold->m_pPlanes[i].m_vNormal.GetRightAndUpVectors(right, up);
        EXPECT_EQ(fold->m_pvRight[i], right);
        EXPECT_EQ(fold->m_pvUp[i], up);
    }
}

TEST(PolygonUpdate, PlanesDifferingInTheLastBitStayApart)
{
    for (float y : {1.0f, std::nextafter(1.0f, 2.0f)})
    {
        std::unique_ptr<ZEPolygon> polygon(ZEMakeTestPolygon({ZEVector(0, 1, 0), ZEVector(0, 1, 10),
                                                              ZEVector(10, 1, 0), ZEVector(10, y, 10),
                                                              ZEVector(10, y, 0), ZEVector(0, y, 10)},
                                                             {0, 1, 2, 3, 4, 5}));
        bool sameHeight = y == 1.0f;
        EXPECT_EQ(polygon->m_bPlanar, sameHeight);
        ASSERT_EQ(polygon->m_usNumPlanes, sameHeight ? 1 : 2);
        for (int i = 0; i < polygon->m_usNumPlanes; ++i)
            ExpectVector(polygon->m_pPlanes[i].m_vNormal, 0, 1, 0);
    }
}

TEST(PolygonUpdate, NoIndicesMeansNoPlanesAndNoContact)
{
    std::unique_ptr<ZEPolygon> empty(
        ZEMakeTestPolygon({ZEVector(0, 0, 0), ZEVector(0, 0, 10), ZEVector(10, 0, 10)}, {}));
    EXPECT_TRUE(empty->m_bUpdated);
    EXPECT_FALSE(empty->m_bPlanar);
    EXPECT_EQ(empty->m_usNumPlanes, 0);
    EXPECT_EQ(empty->m_pPlanes, nullptr);
    EXPECT_EQ(empty->m_pvUp, nullptr);
    EXPECT_EQ(empty->m_pvRight, nullptr);

    _ZEClipInfo info;
    ZEVector contact(7, 7, 7);
    EXPECT_FALSE(empty->Clips(ZEVector(1, 5, 5), ZEVector(0, -10, 0)));
    EXPECT_FALSE(empty->Clips(ZEVector(1, 5, 5), ZEVector(0, -10, 0), contact));
    EXPECT_FALSE(empty->Clips(ZEVector(1, 5, 5), ZEVector(0, -10, 0), info));
    EXPECT_EQ(contact, ZEVector(7, 7, 7));
    EXPECT_EQ(empty->ApplyDecal(ZEVector(1, 0, 5), 4, 4, nullptr), nullptr);

    ZERecordingRenderer renderer;
    empty->Render(&renderer, nullptr);
    empty->Render(&renderer, nullptr, 10);
    EXPECT_TRUE(renderer.m_Log.empty());

    ZEVector centroid(7, 7, 7);
    EXPECT_FALSE(empty->GetCentroid(centroid));
    EXPECT_EQ(centroid, ZEVector(7, 7, 7));
}

TEST(PolygonUpdate, RebuildsFromTheCurrentVerticesAndIgnoresAShortLastTriangle)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    square->m_pVertices[3].y = 1.0f;   // lift one corner: the halves fold
    square->Update();
    EXPECT_FALSE(square->m_bPlanar);
    EXPECT_EQ(square->m_usNumPlanes, 2);
    square->m_pVertices[3].y = 0.0f;
    square->m_usNumIndices = 5;        // one whole triangle and two spare indices
    square->Update();
    EXPECT_TRUE(square->m_bPlanar);
    EXPECT_EQ(square->m_usNumPlanes, 1);
    EXPECT_EQ(square->GetNumTriangles(), 1);
}

TEST(PolygonUpdate, LitPolygonsUseTheLitPositions)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare(true));
    ASSERT_EQ(square->m_pVertices, nullptr);
    EXPECT_TRUE(square->m_bPlanar);
    ExpectVector(square->m_pPlanes[0].m_vNormal, 0, 1, 0);
    EXPECT_TRUE(square->Clips(ZEVector(5, 5, 5), ZEVector(0, -10, 0)));
}

TEST(PolygonUpdate, CentroidCountsSharedVerticesOncePerIndex)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    ZEVector centroid;
    ASSERT_TRUE(square->GetCentroid(centroid));
    // Corners 0 and 2 are referenced twice: (0+0+10+0+10+10) / 6 in x.
    ExpectVector(centroid, 5, 0, 5);
    square->m_pusIndices[3] = 1;       // second triangle 1, 2, 3
    ASSERT_TRUE(square->GetCentroid(centroid));
    ExpectVector(centroid, 30.0f / 6.0f, 0, 40.0f / 6.0f);
}

// ---------------------------------------------------------------------------
// Segment tests

TEST(PolygonClips, HitGivesPointPlaneDataAndPolygon)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    square->m_pucData = new uint8_t[2]{7, 9};
    EXPECT_TRUE(square->Clips(ZEVector(3, 5, 6), ZEVector(0, -10, 0)));

    ZEVector contact;
    ASSERT_TRUE(square->Clips(ZEVector(3, 5, 6), ZEVector(0, -10, 0), contact));
    ExpectVector(contact, 3, 0, 6);

    _ZEClipInfo info;
    ZEEngineObject* object = reinterpret_cast<ZEEngineObject*>(&info);
    info.m_pObject = object;
    ASSERT_TRUE(square->Clips(ZEVector(3, 5, 6), ZEVector(0, -10, 0), info));
    ExpectVector(info.m_vPoint, 3, 0, 6);
    ExpectVector(info.m_Plane.m_vNormal, 0, 1, 0);
    EXPECT_EQ(info.m_pucData, square->m_pucData);
    EXPECT_EQ(info.m_pPolygon, square.get());
    EXPECT_EQ(info.m_pObject, object) << "the object field belongs to whoever answers for the object";
}

TEST(PolygonClips, MissesLeaveTheRecordAlone)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    _ZEClipInfo info;
    info.m_vPoint = ZEVector(1, 2, 3);
    EXPECT_FALSE(square->Clips(ZEVector(20, 5, 5), ZEVector(0, -10, 0), info)) << "beside the square";
    EXPECT_FALSE(square->Clips(ZEVector(5, 5, 5), ZEVector(0, 4, 0), info)) << "moving away";
    EXPECT_EQ(info.m_vPoint, ZEVector(1, 2, 3));
    EXPECT_EQ(info.m_pPolygon, nullptr);
}

TEST(PolygonClips, SegmentsEndingOrStartingOnThePlaneDoNotCross)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    EXPECT_FALSE(square->Clips(ZEVector(5, 5, 5), ZEVector(0, -5, 0))) << "ends on the plane";
    EXPECT_FALSE(square->Clips(ZEVector(5, 0, 5), ZEVector(0, -5, 0))) << "starts on the plane";
    EXPECT_TRUE(square->Clips(ZEVector(5, 5, 5), ZEVector(0, -5.001f, 0)));
}

TEST(PolygonClips, SegmentsParallelToThePlaneNeverCross)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    EXPECT_FALSE(square->Clips(ZEVector(-1, 0, 5), ZEVector(20, 0, 0))) << "in the plane";
    // Its ends lie on both sides, but n.move = -0.000004 counts as parallel.
    EXPECT_FALSE(square->Clips(ZEVector(5, 0.000001f, 5), ZEVector(1, -0.000004f, 0)));
    EXPECT_TRUE(square->Clips(ZEVector(5, 0.00001f, 5), ZEVector(1, -0.00002f, 0)));
}

TEST(PolygonClips, SegmentThroughASharedEdgeHitsTheEarlierTriangleOnly)
{
    // Both triangles contain (0, 0, 0.5); after the first hit the segment
    // ends there, on the other triangle's plane, which it then no longer
    // crosses.
    ZEVector start(1, 1, 0.5f), move(-2, -2, 0);
    for (bool floorFirst : {true, false})
    {
        std::unique_ptr<ZEPolygon> fold(MakeFold(floorFirst));
        _ZEClipInfo info;
        ASSERT_TRUE(fold->Clips(start, move, info));
        ExpectVector(info.m_vPoint, 0, 0, 0.5f);
        if (floorFirst)
            ExpectVector(info.m_Plane.m_vNormal, 0, 1, 0);
        else
            ExpectVector(info.m_Plane.m_vNormal, 1, 0, 0);
    }
}

TEST(PolygonClips, SegmentThroughTheDiagonalOfAFlatSquareHits)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    ZEVector contact;
    ASSERT_TRUE(square->Clips(ZEVector(2, 5, 2), ZEVector(0, -10, 0), contact));
    ExpectVector(contact, 2, 0, 2);
}

TEST(PolygonClips, RecordReportsTheNearestTriangleInEitherOrder)
{
    for (bool lowFirst : {true, false})
    {
        std::unique_ptr<ZEPolygon> shelves(MakeShelves(lowFirst));
        ASSERT_FALSE(shelves->m_bPlanar);
        _ZEClipInfo info;
        ASSERT_TRUE(shelves->Clips(ZEVector(2, 10, 2), ZEVector(0, -20, 0), info));
        ExpectVector(info.m_vPoint, 2, 5, 2);
        EXPECT_EQ(info.m_Plane.m_dDistance, -5.0);
        // From below the lower shelf is the nearer one.
        ASSERT_TRUE(shelves->Clips(ZEVector(2, -10, 2), ZEVector(0, 20, 0), info));
        ExpectVector(info.m_vPoint, 2, 0, 2);
        EXPECT_EQ(info.m_Plane.m_dDistance, 0.0);
    }
}

// ---------------------------------------------------------------------------
// Drawing and lightmaps

TEST(PolygonRender, OpaqueAndTranslucentDrawing)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    ZERecordingRenderer renderer;
    square->Render(&renderer, nullptr);
    EXPECT_EQ(renderer.m_Log,
              (std::vector<std::string>{"SetAmbient 255 255 255 255", "SetTexture null", "Render 4 6"}));

    renderer.Clear();
    square->m_ucAlpha = 128;
    square->Render(&renderer, nullptr, 100);
    EXPECT_EQ(renderer.m_Log,
              (std::vector<std::string>{"EnableBlending", "SetBlendingState 4 5", "SetAmbient 100 100 100 128",
                                        "SetTexture null", "Render 4 6", "DisableBlending"}));
}

TEST(PolygonRender, LightmappedDrawingAndRemovingTheLightmap)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare(true));
    square->m_pLightmap = new ZETextureReference();
    ZERecordingRenderer renderer;
    square->Render(&renderer, nullptr, 50);
    EXPECT_EQ(renderer.m_Log.back(), "RenderL 4 6 " + ZERecordingRenderer::PointerText(square->m_pLightmap));

    square->RemoveLightmap();
    EXPECT_FALSE(square->m_bLightmapped);
    EXPECT_EQ(square->m_pLVertices, nullptr);
    EXPECT_EQ(square->m_pLightmap, nullptr);
    ASSERT_NE(square->m_pVertices, nullptr);
    ExpectDecalVertex(square->m_pVertices[2], 10, 0, 10, 2, 2.5f);
    renderer.Clear();
    square->Render(&renderer, nullptr);
    EXPECT_EQ(renderer.m_Log.back(), "Render 4 6");
    EXPECT_TRUE(square->Clips(ZEVector(5, 5, 5), ZEVector(0, -10, 0)));

    ZEVertex* plain = square->m_pVertices;
    square->RemoveLightmap();
    EXPECT_EQ(square->m_pVertices, plain) << "a plain polygon stays as it is";
}

// ---------------------------------------------------------------------------
// Decals

TEST(PolygonDecal, FlatSurfaceGivesOneVertexPerIndexMappedAroundTheCentre)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    ZETextureReference empty;
    std::unique_ptr<ZEDecal> decal(square->ApplyDecal(ZEVector(5, 0, 5), 10, 10, &empty));
    ASSERT_NE(decal, nullptr);
    ExpectVector(decal->m_Position, 5, 0, 5);
    ASSERT_EQ(decal->m_usNumVertices, 6);
    // right = (0, 0, -1), up = (-1, 0, 0) for an upward normal.
    ExpectDecalVertex(decal->m_pVertices[0], 0, 0, 0, 1, 1);
    ExpectDecalVertex(decal->m_pVertices[1], 0, 0, 10, 0, 1);
    ExpectDecalVertex(decal->m_pVertices[2], 10, 0, 10, 0, 0);
    ExpectDecalVertex(decal->m_pVertices[3], 0, 0, 0, 1, 1);
    ExpectDecalVertex(decal->m_pVertices[5], 10, 0, 0, 1, 0);
    ASSERT_NE(decal->m_pTexture, nullptr);
    EXPECT_NE(decal->m_pTexture, &empty) << "the decal holds a reference of its own";
    EXPECT_TRUE(decal->m_pTexture->IsEmpty());

    std::unique_ptr<ZEDecal> wide(square->ApplyDecal(ZEVector(5, 0, 5), 20, 5, nullptr));
    ASSERT_NE(wide, nullptr);
    ExpectDecalVertex(wide->m_pVertices[0], 0, 0, 0, 0.75f, 1.5f);
}

TEST(PolygonDecal, CentreOffTheFlatSurfaceIsRefused)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    EXPECT_EQ(square->ApplyDecal(ZEVector(5, 0.002f, 5), 4, 4, nullptr), nullptr);
    std::unique_ptr<ZEDecal> near(square->ApplyDecal(ZEVector(5, 0.0005f, 5), 4, 4, nullptr));
    EXPECT_NE(near, nullptr);
}

TEST(PolygonDecal, BentSurfaceKeepsOnlyTrianglesThroughTheCentre)
{
    std::unique_ptr<ZEPolygon> shelves(MakeShelves(true));
    std::unique_ptr<ZEDecal> decal(shelves->ApplyDecal(ZEVector(2, 5, 2), 4, 4, nullptr));
    ASSERT_NE(decal, nullptr);
    ASSERT_EQ(decal->m_usNumVertices, 3);
    ExpectDecalVertex(decal->m_pVertices[0], 0, 5, 0, 1, 1);
    ExpectDecalVertex(decal->m_pVertices[1], 0, 5, 10, -1.5f, 1);
    ExpectDecalVertex(decal->m_pVertices[2], 10, 5, 0, 1, -1.5f);
    EXPECT_EQ(shelves->ApplyDecal(ZEVector(2, 2.5f, 2), 4, 4, nullptr), nullptr);
}

TEST(PolygonDecal, SizesThatAreNotPositiveGiveNoDecal)
{
    std::unique_ptr<ZEPolygon> square(MakeSquare());
    EXPECT_EQ(square->ApplyDecal(ZEVector(5, 0, 5), 0, 4, nullptr), nullptr);
    EXPECT_EQ(square->ApplyDecal(ZEVector(5, 0, 5), 4, -1, nullptr), nullptr);
    EXPECT_EQ(square->ApplyDecal(ZEVector(5, 0, 5), NAN, 4, nullptr), nullptr);
}

TEST(PolygonDecal, LitSurfaceGivesPlainVerticesAndTheDecalCountsItsTexture)
{
    ZETextureManager manager;
    ZETextureReference* texture = manager.GetTexture(new uint8_t[12](), 2, 2, "stain");
    ASSERT_NE(texture->GetTexture(), nullptr);
    uint32_t before = texture->GetTexture()->m_ulReferences;

    std::unique_ptr<ZEPolygon> square(MakeSquare(true));
    std::unique_ptr<ZEDecal> decal(square->ApplyDecal(ZEVector(5, 0, 5), 10, 10, texture));
    ASSERT_NE(decal, nullptr);
    ExpectDecalVertex(decal->m_pVertices[2], 10, 0, 10, 0, 0);
    EXPECT_EQ(decal->m_pTexture->GetTexture(), texture->GetTexture());
    EXPECT_EQ(texture->GetTexture()->m_ulReferences, before + 1);
    decal.reset();
    EXPECT_EQ(texture->GetTexture()->m_ulReferences, before);
    delete texture;
}
