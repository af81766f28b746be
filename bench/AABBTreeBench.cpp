// What the box tree saves over testing every polygon of a level object.
//
// The same bumpy heightfield - a grid of cells, each cell a polygon of two
// triangles - is queried through an AABB tree and as a flat polygon list
// (the tree's own leaf tests run over the whole list). Sizes of about 1 000,
// 10 000 and 60 000 triangles show how each cost grows: the list's with
// the number of polygons, the tree's with the depth and the polygons near
// the query.
//
//   build/bin/bench_aabbtree --benchmark_min_time=0.2
#include "math/ZEAABBTree.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

namespace
{
const float kCellSize = 10.0f;
const size_t kQueries = 256;

// Cells across and deep for each triangle count (two triangles a cell).
struct GridSize
{
    int m_iCellsX;
    int m_iCellsZ;
};

GridSize SizeFor(int64_t triangles)
{
    if (triangles <= 1000)
        return {25, 20};
    if (triangles <= 10000)
        return {100, 50};
    return {200, 150};
}

class Heightfield
{
public:
    explicit Heightfield(GridSize size) : m_Size(size), m_Heights((size.m_iCellsX + 1) * (size.m_iCellsZ + 1))
    {
        std::mt19937 random(1234);
        std::uniform_real_distribution<float> noise(-1.5f, 1.5f);
        for (int z = 0; z <= size.m_iCellsZ; ++z)
            for (int x = 0; x <= size.m_iCellsX; ++x)
                m_Heights[Index(x, z)] = 20.0f * std::sin(x * 0.21f) * std::cos(z * 0.17f) + noise(random);
    }

    float Width() const { return m_Size.m_iCellsX * kCellSize; }
    float Depth() const { return m_Size.m_iCellsZ * kCellSize; }

    // A new list of every cell (owned by the caller).
    ZEPolygon* MakePolygons() const
    {
        ZEPolygon* head = nullptr;
        for (int z = m_Size.m_iCellsZ - 1; z >= 0; --z)
            for (int x = m_Size.m_iCellsX - 1; x >= 0; --x)
            {
                ZEPolygon* cell = MakeCell(x, z);
                cell->m_pNext = head;
                head = cell;
            }
        return head;
    }

private:
    size_t Index(int x, int z) const { return static_cast<size_t>(z) * (m_Size.m_iCellsX + 1) + x; }

    ZEPolygon* MakeCell(int x, int z) const
    {
        static const int kCorners[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
        static const uint16_t kIndices[6] = {0, 1, 2, 0, 2, 3};
        ZEPolygon* cell = new ZEPolygon();
        cell->m_usNumVertices = 4;
        cell->m_pVertices = new ZEVertex[4];
        for (int i = 0; i < 4; ++i)
        {
            int cx = x + kCorners[i][0], cz = z + kCorners[i][1];
            cell->m_pVertices[i] = ZEVertex{cx * kCellSize, m_Heights[Index(cx, cz)], cz * kCellSize, 0.0f, 0.0f};
        }
        cell->m_usNumIndices = 6;
        cell->m_pusIndices = new uint16_t[6];
        std::copy(kIndices, kIndices + 6, cell->m_pusIndices);
        cell->Update();
        return cell;
    }

    GridSize m_Size;
    std::vector<float> m_Heights;
};

// One mesh as a tree and as a list, and the queries run against both:
// slanted segments from above that end below the ground, and spheres
// resting on it.
struct Scene
{
    explicit Scene(int64_t triangles) : m_Field(SizeFor(triangles))
    {
        m_pTree = std::make_unique<ZEAABBTreeNode>(m_Field.MakePolygons());
        m_pList = m_Field.MakePolygons();
        std::mt19937 random(99);
        std::uniform_real_distribution<float> x(0.0f, m_Field.Width()), z(0.0f, m_Field.Depth()),
            slant(-5.0f, 5.0f);
        for (size_t i = 0; i < kQueries; ++i)
        {
            m_aStarts.emplace_back(x(random), 40.0f, z(random));
            m_aMoves.emplace_back(slant(random), -80.0f, slant(random));
            ZEVector center(x(random), 0.0f, z(random));
            _ZEClipInfo ground;
            if (m_pTree->Clips(center + ZEVector(0, 40, 0), ZEVector(0, -80, 0), ground))
                center = ground.m_vPoint;
            m_aSpheres.emplace_back(center + ZEVector(0, 2, 0), 3.0f);
        }
    }

    ~Scene() { ZEDeletePolygonList(m_pList); }

    Heightfield m_Field;
    std::unique_ptr<ZEAABBTreeNode> m_pTree;
    ZEPolygon* m_pList = nullptr;
    std::vector<ZEVector> m_aStarts;
    std::vector<ZEVector> m_aMoves;
    std::vector<ZEBoundingSphere> m_aSpheres;
};

Scene& SceneFor(int64_t triangles)
{
    static std::map<int64_t, std::unique_ptr<Scene>> scenes;
    std::unique_ptr<Scene>& scene = scenes[triangles];
    if (!scene)
        scene = std::make_unique<Scene>(triangles);
    return *scene;
}

void Finish(benchmark::State& state, int hits)
{
    state.SetItemsProcessed(state.iterations());
    state.counters["hit%"] = 100.0 * hits / static_cast<double>(state.iterations());
}
}

static void SegmentRecordTree(benchmark::State& state)
{
    Scene& scene = SceneFor(state.range(0));
    size_t i = 0;
    int hits = 0;
    for (auto _ : state)
    {
        _ZEClipInfo info;
        hits += scene.m_pTree->Clips(scene.m_aStarts[i], scene.m_aMoves[i], info);
        benchmark::DoNotOptimize(info);
        i = (i + 1) % kQueries;
    }
    Finish(state, hits);
}

static void SegmentRecordList(benchmark::State& state)
{
    Scene& scene = SceneFor(state.range(0));
    size_t i = 0;
    int hits = 0;
    for (auto _ : state)
    {
        _ZEClipInfo info;
        hits += ZEAABBTreeNode::ListClips(scene.m_pList, scene.m_aStarts[i], scene.m_aMoves[i], info);
        benchmark::DoNotOptimize(info);
        i = (i + 1) % kQueries;
    }
    Finish(state, hits);
}

static void VolumePlaneTree(benchmark::State& state)
{
    Scene& scene = SceneFor(state.range(0));
    size_t i = 0;
    int hits = 0;
    for (auto _ : state)
    {
        ZEPlane plane;
        hits += scene.m_pTree->Clips(scene.m_aSpheres[i], plane);
        benchmark::DoNotOptimize(plane);
        i = (i + 1) % kQueries;
    }
    Finish(state, hits);
}

static void VolumePlaneList(benchmark::State& state)
{
    Scene& scene = SceneFor(state.range(0));
    size_t i = 0;
    int hits = 0;
    for (auto _ : state)
    {
        ZEPlane plane;
        hits += ZEAABBTreeNode::ListTouches(scene.m_pList, scene.m_aSpheres[i], plane);
        benchmark::DoNotOptimize(plane);
        i = (i + 1) % kQueries;
    }
    Finish(state, hits);
}

// Argument: triangles in the mesh (1 000, 10 000, 60 000).
BENCHMARK(SegmentRecordTree)->Arg(1000)->Arg(10000)->Arg(60000);
BENCHMARK(SegmentRecordList)->Arg(1000)->Arg(10000)->Arg(60000);
BENCHMARK(VolumePlaneTree)->Arg(1000)->Arg(10000)->Arg(60000);
BENCHMARK(VolumePlaneList)->Arg(1000)->Arg(10000)->Arg(60000);
