#include "math/ZEAABBTree.h"
#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZEDecal.h"

#include "support/RecordingRenderer.h"
#include "support/TestPolygons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace
{
void ExpectVector(const ZEVector& v, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

void ExpectFinite(const ZEAABoundingBox& box)
{
    for (const ZEVector& v : {box.m_vMin, box.m_vMax, box.m_vCenter})
        EXPECT_TRUE(std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z));
}

// Polygons of a leaf, in list order.
std::vector<ZEPolygon*> LeafList(const ZEAABBTreeNode* node)
{
    std::vector<ZEPolygon*> polygons;
    for (ZEPolygon* polygon = node->m_pPolygons; polygon; polygon = polygon->m_pNext)
        polygons.push_back(polygon);
    return polygons;
}

// The two halves of the 10 x 10 ground square, split along the diagonal
// from the origin to (10, 0, 10), both facing up. The tree puts the lower
// right half (centroid x 6.67) left and the upper left half right.
struct DiagonalHalves
{
    ZEPolygon* m_pUpperLeft = ZEMakeTestTriangle(ZEVector(0, 0, 0), ZEVector(0, 0, 10), ZEVector(10, 0, 10));
    ZEPolygon* m_pLowerRight = ZEMakeTestTriangle(ZEVector(0, 0, 0), ZEVector(10, 0, 10), ZEVector(10, 0, 0));
};

// A floor (y = 0, facing up) and a ceiling (y = 3, facing down) over the
// same small patch: the tree splits them on y, the ceiling left.
struct FloorAndCeiling
{
    ZEPolygon* m_pFloor = ZEMakeTestTriangle(ZEVector(4, 0, 4), ZEVector(4, 0, 5.9f), ZEVector(5.9f, 0, 4));
    ZEPolygon* m_pCeiling = ZEMakeTestTriangle(ZEVector(4, 3, 4), ZEVector(5.9f, 3, 4), ZEVector(4, 3, 5.9f));
};

// A polygon that counts its destructions.
class CountedPolygon : public ZEPolygon
{
public:
    explicit CountedPolygon(int& deaths) : m_rDeaths(deaths) {}
    ~CountedPolygon() override { ++m_rDeaths; }

private:
    int& m_rDeaths;
};

// A bumpy grid of cells, each a polygon of two triangles.
ZEPolygon* MakeBumpyGrid(int cells, std::mt19937& random)
{
    std::uniform_real_distribution<float> bump(0.0f, 3.0f);
    std::vector<float> heights((cells + 1) * (cells + 1));
    for (float& h : heights)
        h = bump(random);
    auto at = [&](int x, int z) { return ZEVector(x * 10.0f, heights[z * (cells + 1) + x], z * 10.0f); };
    ZEPolygon* head = nullptr;
    for (int z = 0; z < cells; ++z)
        for (int x = 0; x < cells; ++x)
        {
            ZEPolygon* cell = ZEMakeTestPolygon({at(x, z), at(x, z + 1), at(x + 1, z + 1), at(x + 1, z)},
                                                {0, 1, 2, 0, 2, 3});
            cell->m_pNext = head;
            head = cell;
        }
    return head;
}

void ForEachNode(const ZEAABBTreeNode* node, const std::function<void(const ZEAABBTreeNode*)>& visit)
{
    visit(node);
    if (!node->m_bLeaf)
    {
        ForEachNode(node->m_pLeft, visit);
        ForEachNode(node->m_pRight, visit);
    }
}

void DeleteDecalChain(ZEDecal* chain)
{
    while (chain)
    {
        ZEDecal* next = chain->m_pNext;
        delete chain;
        chain = next;
    }
}
}

// ---------------------------------------------------------------------------
// Construction

TEST(AABBTreeBuild, TypeRecord)
{
    ZEAABBTreeNode tree(nullptr);
    EXPECT_EQ(tree.GetRTTI(), &ZEAABBTreeNode::ms_RTTI);
    EXPECT_STREQ(ZEAABBTreeNode::ms_RTTI.GetName().CStr(), "ZEAABBTreeNode");
    EXPECT_EQ(ZEAABBTreeNode::ms_RTTI.GetBaseClass(), nullptr);
}

TEST(AABBTreeBuild, EmptyListGivesAnEmptyLeafThatAnswersNothing)
{
    ZEAABBTreeNode tree(nullptr);
    EXPECT_TRUE(tree.m_bLeaf);
    EXPECT_EQ(tree.m_pPolygons, nullptr);
    ExpectFinite(tree.m_Box);
    EXPECT_EQ(tree.m_Box.m_vMax, ZEVector());

    ZEBoundingSphere sphere(ZEVector(), 5);
    ZEPlane plane;
    _ZEClipInfo info;
    EXPECT_FALSE(tree.Clips(sphere));
    EXPECT_FALSE(tree.Clips(sphere, plane));
    EXPECT_FALSE(tree.Clips(ZEVector(0, 5, 0), ZEVector(0, -10, 0)));
    EXPECT_FALSE(tree.Clips(ZEVector(0, 5, 0), ZEVector(0, -10, 0), info));
    EXPECT_EQ(tree.ApplyDecal(ZEVector(), 2, 2, nullptr, sphere), nullptr);
    ZERecordingRenderer renderer;
    tree.Render(&renderer, nullptr, 255);
    EXPECT_TRUE(renderer.m_Log.empty());
}

TEST(AABBTreeBuild, PolygonsWithoutIndicesAddNothingAndNeverClip)
{
    ZEPolygon* empty1 = ZEMakeTestPolygon({ZEVector(-100, -100, -100)}, {});
    ZEPolygon* empty2 = ZEMakeTestPolygon({ZEVector(100, 100, 100)}, {});
    {
        ZEAABBTreeNode onlyEmpty(ZELinkTestPolygons({empty1, empty2}));
        EXPECT_TRUE(onlyEmpty.m_bLeaf);
        EXPECT_EQ(LeafList(&onlyEmpty), (std::vector<ZEPolygon*>{empty1, empty2}));
        ExpectFinite(onlyEmpty.m_Box);
        EXPECT_FALSE(onlyEmpty.Clips(ZEVector(0, 200, 0), ZEVector(0, -400, 0)));
    }

    DiagonalHalves halves;
    ZEPolygon* empty = ZEMakeTestPolygon({ZEVector(-100, -100, -100)}, {});
    ZEAABBTreeNode tree(ZELinkTestPolygons({empty, halves.m_pUpperLeft, halves.m_pLowerRight}));
    ExpectVector(tree.m_Box.m_vMin, 0, 0, 0);
    ExpectVector(tree.m_Box.m_vMax, 10, 0, 10);
    ASSERT_FALSE(tree.m_bLeaf);
    EXPECT_EQ(LeafList(tree.m_pLeft), (std::vector<ZEPolygon*>{empty, halves.m_pLowerRight}))
        << "no centroid: it goes with the left side";
    _ZEClipInfo info;
    ASSERT_TRUE(tree.Clips(ZEVector(8, 5, 2), ZEVector(0, -10, 0), info));
    EXPECT_EQ(info.m_pPolygon, halves.m_pLowerRight);
}

TEST(AABBTreeBuild, CubeSplitsOnXThenYBeforeZ)
{
    // Centroids high in x and low in y (a) against the reverse (b): which
    // one goes left tells the axis.
    ZEPolygon* a = ZEMakeTestTriangle(ZEVector(10, 0, 0), ZEVector(9, 0, 0), ZEVector(10, 1, 0));
    ZEPolygon* b = ZEMakeTestTriangle(ZEVector(0, 10, 10), ZEVector(1, 10, 10), ZEVector(0, 9, 10));
    ZEAABBTreeNode cube(ZELinkTestPolygons({b, a}));
    ExpectVector(cube.m_Box.m_vMax - cube.m_Box.m_vMin, 10, 10, 10);
    ASSERT_FALSE(cube.m_bLeaf);
    EXPECT_EQ(LeafList(cube.m_pLeft), std::vector<ZEPolygon*>{a});
    EXPECT_EQ(LeafList(cube.m_pRight), std::vector<ZEPolygon*>{b});

    // x is short; y and z tie: y, where the high-z polygon c lies low.
    ZEPolygon* c = ZEMakeTestTriangle(ZEVector(2, 0, 10), ZEVector(1, 0, 10), ZEVector(2, 1, 10));
    ZEPolygon* d = ZEMakeTestTriangle(ZEVector(0, 10, 0), ZEVector(1, 10, 0), ZEVector(0, 9, 0));
    ZEAABBTreeNode slab(ZELinkTestPolygons({c, d}));
    ASSERT_FALSE(slab.m_bLeaf);
    EXPECT_EQ(LeafList(slab.m_pLeft), std::vector<ZEPolygon*>{d});

    // z alone is long.
    ZEPolygon* e = ZEMakeTestTriangle(ZEVector(0, 0, 20), ZEVector(1, 0, 20), ZEVector(0, 1, 20));
    ZEPolygon* f = ZEMakeTestTriangle(ZEVector(1, 1, 0), ZEVector(0, 1, 0), ZEVector(1, 0, 0));
    ZEAABBTreeNode rod(ZELinkTestPolygons({f, e}));
    ASSERT_FALSE(rod.m_bLeaf);
    EXPECT_EQ(LeafList(rod.m_pLeft), std::vector<ZEPolygon*>{e});
}

TEST(AABBTreeBuild, EqualCentroidsOnTheSplitAxisStayInOneLeafInInputOrder)
{
    // Both centroids lie at x = 1, the centre of the box's long x side.
    for (bool aFirst : {true, false})
    {
        ZEPolygon* a = ZEMakeTestTriangle(ZEVector(0, 0, 0), ZEVector(2, 0, 0), ZEVector(1, 1, 0));
        ZEPolygon* b = ZEMakeTestTriangle(ZEVector(0, 1, 1), ZEVector(2, 1, 1), ZEVector(1, 0, 1));
        ZEAABBTreeNode tree(aFirst ? ZELinkTestPolygons({a, b}) : ZELinkTestPolygons({b, a}));
        EXPECT_TRUE(tree.m_bLeaf);
        EXPECT_EQ(LeafList(&tree), aFirst ? (std::vector<ZEPolygon*>{a, b}) : (std::vector<ZEPolygon*>{b, a}));
    }
}

TEST(AABBTreeBuild, SharedVerticesWeighTheCentroidOncePerIndex)
{
    // p's corners at x = 8 are each used by both triangles: the centroid is
    // (4 * 8 + 2 * 1) / 6 = 5.67, beyond the box centre 5 (its distinct
    // corners alone would average 4.5 and fall below it).
    ZEPolygon* p = ZEMakeTestPolygon({ZEVector(8, 0, 0), ZEVector(8, 1, 0), ZEVector(1, 0, 1), ZEVector(1, 1, 1)},
                                     {0, 1, 2, 0, 1, 3});
    ZEPolygon* q = ZEMakeTestTriangle(ZEVector(0, 0, 0), ZEVector(0, 1, 0), ZEVector(10, 0, 0));
    ZEAABBTreeNode tree(ZELinkTestPolygons({q, p}));
    EXPECT_FLOAT_EQ(tree.m_Box.m_vCenter.x, 5.0f);
    ASSERT_FALSE(tree.m_bLeaf);
    EXPECT_EQ(LeafList(tree.m_pLeft), std::vector<ZEPolygon*>{p});
    EXPECT_EQ(LeafList(tree.m_pRight), std::vector<ZEPolygon*>{q});
}

TEST(AABBTreeBuild, BoxesHoldEverythingBelowAndEveryPolygonIsOwnedOnce)
{
    int deaths = 0;
    std::mt19937 random(7);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    ZEPolygon* head = nullptr;
    const int count = 300;
    for (int i = 0; i < count; ++i)
    {
        ZEVector base(coordinate(random), coordinate(random), coordinate(random));
        ZEPolygon* polygon = ZEFillTestPolygon(new CountedPolygon(deaths),
                                               {base, base + ZEVector(coordinate(random) * 0.1f, 1, 0),
                                                base + ZEVector(0, coordinate(random) * 0.1f, 1)},
                                               {0, 1, 2});
        polygon->m_pNext = head;
        head = polygon;
    }

    auto tree = std::make_unique<ZEAABBTreeNode>(head);
    int held = 0;
    std::function<void(const ZEAABBTreeNode*, const ZEAABoundingBox&)> check =
        [&](const ZEAABBTreeNode* node, const ZEAABoundingBox& outer) {
            ExpectFinite(node->m_Box);
            EXPECT_TRUE(node->m_Box.m_vMin.x >= outer.m_vMin.x && node->m_Box.m_vMax.x <= outer.m_vMax.x &&
                        node->m_Box.m_vMin.y >= outer.m_vMin.y && node->m_Box.m_vMax.y <= outer.m_vMax.y &&
                        node->m_Box.m_vMin.z >= outer.m_vMin.z && node->m_Box.m_vMax.z <= outer.m_vMax.z);
            if (!node->m_bLeaf)
            {
                EXPECT_EQ(node->m_pPolygons, nullptr);
                check(node->m_pLeft, node->m_Box);
                check(node->m_pRight, node->m_Box);
                return;
            }
            EXPECT_EQ(node->m_pLeft, nullptr);
            for (ZEPolygon* polygon : LeafList(node))
            {
                ++held;
                for (uint32_t i = 0; i < polygon->m_usNumIndices; ++i)
                    EXPECT_TRUE(node->m_Box.InsideVolume(polygon->GetIndexedPosition(i)));
            }
        };
    check(tree.get(), tree->m_Box);
    EXPECT_EQ(held, count);
    tree.reset();
    EXPECT_EQ(deaths, count);
}

// ---------------------------------------------------------------------------
// Segment tests

TEST(AABBTreeSegment, EqualContactsInBothChildrenGiveTheRightChild)
{
    DiagonalHalves halves;
    ZEAABBTreeNode tree(ZELinkTestPolygons({halves.m_pUpperLeft, halves.m_pLowerRight}));
    ASSERT_EQ(LeafList(tree.m_pLeft), std::vector<ZEPolygon*>{halves.m_pLowerRight});
    ASSERT_EQ(LeafList(tree.m_pRight), std::vector<ZEPolygon*>{halves.m_pUpperLeft});

    // Straight down onto the shared diagonal: both halves hold (2, 0, 2).
    _ZEClipInfo info;
    ASSERT_TRUE(tree.Clips(ZEVector(2, 5, 2), ZEVector(0, -10, 0), info));
    ExpectVector(info.m_vPoint, 2, 0, 2);
    EXPECT_EQ(info.m_pPolygon, halves.m_pUpperLeft);
    EXPECT_TRUE(tree.Clips(ZEVector(2, 5, 2), ZEVector(0, -10, 0)));
}

TEST(AABBTreeSegment, EqualContactsInOneListGiveTheFirstPolygon)
{
    std::unique_ptr<ZEPolygon> upperLeft(ZEMakeTestTriangle(ZEVector(0, 0, 0), ZEVector(0, 0, 10), ZEVector(10, 0, 10)));
    std::unique_ptr<ZEPolygon> lowerRight(
        ZEMakeTestTriangle(ZEVector(0, 0, 0), ZEVector(10, 0, 10), ZEVector(10, 0, 0)));
    for (bool upperFirst : {true, false})
    {
        ZEPolygon* list = upperFirst ? ZELinkTestPolygons({upperLeft.get(), lowerRight.get()})
                                     : ZELinkTestPolygons({lowerRight.get(), upperLeft.get()});
        _ZEClipInfo info;
        ASSERT_TRUE(ZEAABBTreeNode::ListClips(list, ZEVector(2, 5, 2), ZEVector(0, -10, 0), info));
        EXPECT_EQ(info.m_pPolygon, list);
    }
    upperLeft->m_pNext = lowerRight->m_pNext = nullptr;
}

TEST(AABBTreeSegment, NearerContactWinsFromEitherSide)
{
    // Two shelves over a small patch, split on y: the upper one left.
    ZEPolygon* low = ZEMakeTestTriangle(ZEVector(0, 0, 0), ZEVector(0, 0, 4), ZEVector(4, 0, 0));
    ZEPolygon* high = ZEMakeTestTriangle(ZEVector(0, 5, 0), ZEVector(0, 5, 4), ZEVector(4, 5, 0));
    ZEAABBTreeNode tree(ZELinkTestPolygons({low, high}));
    ASSERT_EQ(LeafList(tree.m_pLeft), std::vector<ZEPolygon*>{high});

    _ZEClipInfo info;
    ASSERT_TRUE(tree.Clips(ZEVector(1, 10, 1), ZEVector(0, -20, 0), info));
    EXPECT_EQ(info.m_pPolygon, high);
    ExpectVector(info.m_vPoint, 1, 5, 1);
    ASSERT_TRUE(tree.Clips(ZEVector(1, -10, 1), ZEVector(0, 20, 0), info));
    EXPECT_EQ(info.m_pPolygon, low);
    ExpectVector(info.m_vPoint, 1, 0, 1);

    ZEVector contact;
    ASSERT_TRUE(tree.Clips(ZEVector(1, 3, 1), ZEVector(0, -20, 0), contact));
    ExpectVector(contact, 1, 0, 1);
}

TEST(AABBTreeSegment, RecordIsCopiedWholeAndWrittenOnlyOnAHit)
{
    DiagonalHalves halves;
    halves.m_pLowerRight->m_pucData = new uint8_t[1]{42};
    ZEAABBTreeNode tree(ZELinkTestPolygons({halves.m_pUpperLeft, halves.m_pLowerRight}));

    _ZEClipInfo info;
    info.m_pObject = reinterpret_cast<ZEEngineObject*>(&info);
    EXPECT_FALSE(tree.Clips(ZEVector(20, 5, 5), ZEVector(0, -10, 0), info)) << "beside the square";
    EXPECT_FALSE(tree.Clips(ZEVector(5, 5, 5), ZEVector(0, 10, 0), info)) << "pointing away";
    EXPECT_FALSE(tree.Clips(ZEVector(-1, 0, 5), ZEVector(20, 0, 0), info)) << "along the plane";
    EXPECT_NE(info.m_pObject, nullptr);

    ASSERT_TRUE(tree.Clips(ZEVector(8, 5, 2), ZEVector(0, -10, 0), info));
    EXPECT_EQ(info.m_pucData, halves.m_pLowerRight->m_pucData);
    ExpectVector(info.m_Plane.m_vNormal, 0, 1, 0);
    EXPECT_EQ(info.m_pObject, nullptr) << "the tree's owner names itself";
}

// ---------------------------------------------------------------------------
// Volume tests

TEST(AABBTreeVolume, EqualDistancesInBothChildrenGiveTheLeftChildsPlane)
{
    FloorAndCeiling room;
    ZEAABBTreeNode tree(ZELinkTestPolygons({room.m_pFloor, room.m_pCeiling}));
    ASSERT_EQ(LeafList(tree.m_pLeft), std::vector<ZEPolygon*>{room.m_pCeiling});

    ZEPlane plane;
    ASSERT_TRUE(tree.Clips(ZEBoundingSphere(ZEVector(4.5f, 1.5f, 4.5f), 2), plane));
    ExpectVector(plane.m_vNormal, 0, -1, 0);
    // Either way off the middle, the nearer surface.
    ASSERT_TRUE(tree.Clips(ZEBoundingSphere(ZEVector(4.5f, 1.25f, 4.5f), 2), plane));
    ExpectVector(plane.m_vNormal, 0, 1, 0);
    ASSERT_TRUE(tree.Clips(ZEBoundingSphere(ZEVector(4.5f, 1.75f, 4.5f), 2), plane));
    ExpectVector(plane.m_vNormal, 0, -1, 0);
}

TEST(AABBTreeVolume, AVolumeInsideTheBoxTouchingNoSurfaceMisses)
{
    FloorAndCeiling room;
    ZEAABBTreeNode tree(ZELinkTestPolygons({room.m_pFloor, room.m_pCeiling}));
    ZEPlane plane(ZEVector(5, 1, 0), 0.0);
    ZEBoundingSphere floating(ZEVector(4.5f, 1.5f, 4.5f), 1);
    EXPECT_FALSE(tree.Clips(floating, plane));
    EXPECT_FALSE(tree.Clips(floating));
    ExpectVector(plane.m_vNormal, 5, 1, 0);
    EXPECT_TRUE(tree.Clips(ZEBoundingSphere(ZEVector(4.5f, 0.5f, 4.5f), 1)));
    EXPECT_FALSE(tree.Clips(ZEBoundingSphere(ZEVector(40, 0.5f, 4.5f), 1))) << "outside the box";
}

TEST(AABBTreeVolume, ListTakesTheFirstOfEqualSurfacesAndMeetsEdges)
{
    std::unique_ptr<ZEPolygon> floor(ZEMakeTestTriangle(ZEVector(4, 0, 4), ZEVector(4, 0, 5.9f), ZEVector(5.9f, 0, 4)));
    std::unique_ptr<ZEPolygon> tilted(ZEMakeTestTriangle(ZEVector(4, 0, 4), ZEVector(4, 1, 5.9f), ZEVector(5.9f, 0, 4)));
    ZEPlane plane;

    // The foot of the centre lies beside the floor; only an edge is met.
    ASSERT_TRUE(ZEAABBTreeNode::ListTouches(floor.get(), ZEBoundingSphere(ZEVector(3.8f, 0.1f, 4.5f), 0.5f), plane));
    ExpectVector(plane.m_vNormal, 0, 1, 0);
    EXPECT_FALSE(ZEAABBTreeNode::ListTouches(floor.get(), ZEBoundingSphere(ZEVector(3.0f, 0.1f, 4.5f), 0.5f), plane));

    // A sphere centred on the shared edge (4, 0, 4)-(5.9, 0, 4) is at
    // distance 0 from both planes: the first in the list stays.
    ZEBoundingSphere onEdge(ZEVector(5, 0, 4), 0.5f);
    ASSERT_TRUE(ZEAABBTreeNode::ListTouches(ZELinkTestPolygons({tilted.get(), floor.get()}), onEdge, plane));
    EXPECT_EQ(plane.m_vNormal, tilted->m_pPlanes[0].m_vNormal);
    ASSERT_TRUE(ZEAABBTreeNode::ListTouches(ZELinkTestPolygons({floor.get(), tilted.get()}), onEdge, plane));
    ExpectVector(plane.m_vNormal, 0, 1, 0);
    floor->m_pNext = tilted->m_pNext = nullptr;
}

TEST(AABBTreeVolume, FoldedPolygonsPreferTheTriangleWithTheCentreBehind)
{
    // One polygon, two parallel triangles facing up at y = 0 and y = 1.5;
    // the centre at y = 1 lies 1 above the first and 0.5 behind the second.
    for (bool lowFirst : {true, false})
    {
        std::initializer_list<ZEVector> positions = {ZEVector(4, 0, 4),   ZEVector(4, 0, 5.9f),
                                                     ZEVector(5.9f, 0, 4), ZEVector(4, 1.5f, 4),
                                                     ZEVector(4, 1.5f, 5.9f), ZEVector(5.9f, 1.5f, 4)};
        std::unique_ptr<ZEPolygon> shelves(lowFirst ? ZEMakeTestPolygon(positions, {0, 1, 2, 3, 4, 5})
                                                    : ZEMakeTestPolygon(positions, {3, 4, 5, 0, 1, 2}));
        ASSERT_FALSE(shelves->m_bPlanar);
        ZEPlane plane;
        ASSERT_TRUE(ZEAABBTreeNode::ListTouches(shelves.get(), ZEBoundingSphere(ZEVector(4.5f, 1, 4.5f), 2), plane));
        EXPECT_EQ(plane.m_dDistance, -1.5);
    }
}

TEST(AABBTreeVolume, TreeAgreesWithTheFlatListOnABumpyGrid)
{
    std::mt19937 random(11);
    ZEPolygon* flat = MakeBumpyGrid(12, random);
    std::mt19937 same(11);
    ZEAABBTreeNode tree(MakeBumpyGrid(12, same));

    // Sphere centres stay above the plane of every triangle they can touch
    // (the grid's slopes are gentle), so the leaf's signed distances and the
    // nodes' absolute ones order the surfaces alike.
    std::uniform_real_distribution<float> across(-5.0f, 125.0f), height(6.0f, 8.0f), radius(3.0f, 7.0f);
    int segmentHits = 0, volumeHits = 0;
    for (int i = 0; i < 400; ++i)
    {
        ZEVector start(across(random), 10, across(random));
        ZEVector move(across(random) * 0.1f - 6, -20, across(random) * 0.1f - 6);
        _ZEClipInfo fromTree, fromList;
        bool treeHit = tree.Clips(start, move, fromTree);
        ASSERT_EQ(treeHit, ZEAABBTreeNode::ListClips(flat, start, move, fromList));
        if (treeHit)
        {
            ++segmentHits;
            EXPECT_NEAR((fromTree.m_vPoint - start).GetLength(), (fromList.m_vPoint - start).GetLength(), 1e-4f);
        }

        ZEBoundingSphere sphere(ZEVector(across(random), height(random), across(random)), radius(random));
        ZEPlane treePlane, listPlane;
        bool touched = tree.Clips(sphere, treePlane);
        ASSERT_EQ(touched, ZEAABBTreeNode::ListTouches(flat, sphere, listPlane));
        if (touched)
        {
            ++volumeHits;
            EXPECT_FLOAT_EQ(std::fabs(static_cast<float>(treePlane.Distance(sphere.m_vCenter))),
                            std::fabs(static_cast<float>(listPlane.Distance(sphere.m_vCenter))));
        }
    }
    EXPECT_GT(segmentHits, 100);
    EXPECT_GT(volumeHits, 50);
    ZEDeletePolygonList(flat);
}

// ---------------------------------------------------------------------------
// Drawing and decals

TEST(AABBTreeRender, DrawsLeftThenRightAndSkipsCulledNodes)
{
    ZEPolygon* ahead = ZEMakeTestPolygon({ZEVector(-1, 0, 50), ZEVector(-1, 1, 50), ZEVector(1, 1, 50),
                                          ZEVector(1, 0, 50)},
                                         {0, 1, 2, 0, 2, 3});
    ZEPolygon* behind = ZEMakeTestTriangle(ZEVector(-1, 0, -50), ZEVector(-1, 1, -50), ZEVector(1, 1, -50));
    ZEAABBTreeNode tree(ZELinkTestPolygons({behind, ahead}));
    ASSERT_EQ(LeafList(tree.m_pLeft), std::vector<ZEPolygon*>{ahead});

    ZERecordingRenderer renderer;
    tree.Render(&renderer, nullptr, 77);
    EXPECT_EQ(renderer.m_Log, (std::vector<std::string>{"SetAmbient 77 77 77 255", "SetTexture null", "Render 4 6",
                                                        "SetAmbient 77 77 77 255", "SetTexture null", "Render 3 3"}));

    ZECamera camera;
    camera.SetPerspective(60, 1.333f, 1, 1000);
    renderer.Clear();
    tree.Render(&renderer, &camera, 255);
    EXPECT_EQ(renderer.Count("Render 4 6"), 1u);
    EXPECT_EQ(renderer.Count("Render 3 3"), 0u) << "behind the camera";
}

TEST(AABBTreeDecal, ChainsLeftDecalsBeforeRightOnesWithinReach)
{
    DiagonalHalves halves;
    ZEAABBTreeNode tree(ZELinkTestPolygons({halves.m_pUpperLeft, halves.m_pLowerRight}));

    ZEDecal* chain = tree.ApplyDecal(ZEVector(5, 0, 5), 4, 4, nullptr, ZEBoundingSphere(ZEVector(5, 0, 5), 4));
    ASSERT_NE(chain, nullptr);
    ASSERT_NE(chain->m_pNext, nullptr);
    EXPECT_EQ(chain->m_pNext->m_pNext, nullptr);
    ExpectVector(ZEVector(chain->m_pVertices[2].x, chain->m_pVertices[2].y, chain->m_pVertices[2].z), 10, 0, 0);
    ExpectVector(ZEVector(chain->m_pNext->m_pVertices[1].x, chain->m_pNext->m_pVertices[1].y,
                          chain->m_pNext->m_pVertices[1].z),
                 0, 0, 10);
    DeleteDecalChain(chain);

    EXPECT_EQ(tree.ApplyDecal(ZEVector(5, 0, 5), 4, 4, nullptr, ZEBoundingSphere(ZEVector(50, 0, 5), 4)), nullptr)
        << "reach misses the box";
    EXPECT_EQ(tree.ApplyDecal(ZEVector(5, 1, 5), 4, 4, nullptr, ZEBoundingSphere(ZEVector(5, 1, 5), 4)), nullptr)
        << "centre off the surface";
}
