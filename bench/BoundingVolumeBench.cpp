// Costs of the bounding volume tests: the cheap rejections run for every
// pair of moving objects each step and for every culled volume each frame.
#include "math/ZEBoundingVolume.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
const ZEPlane kSlope(ZEVector(0.3f, 0.9f, 0.3f).UnitVector(), -2.0);

ZEOBoundingBox TurnedBox(const ZEVector& position)
{
    ZEOBoundingBox box;
    box.SetData(position, ZEVector(-20, -7, -45), ZEVector(20, 7, 45), ZEVector(3, 35, 1));
    return box;
}

// 64 copies of `volume` spread along x, so the answers vary and moving a
// volume (an oriented box rebuilds itself) stays out of the timed loop.
template <class Volume>
std::vector<Volume> Spread(const Volume& volume)
{
    std::vector<Volume> copies(64, volume);
    for (size_t i = 0; i < copies.size(); ++i)
        copies[i].SetCenter(volume.GetCenter() + ZEVector(static_cast<float>(i), 1.0f, 0.5f));
    return copies;
}

template <class Volume>
void VolumeAgainstVolume(benchmark::State& state, const Volume& moving, const ZEBoundingVolume& other)
{
    std::vector<Volume> copies = Spread(moving);
    size_t i = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(copies[i].IntersectsVolume(other));
        i = (i + 1) & 63;
    }
}

template <class Volume>
void VolumeAgainstPlane(benchmark::State& state, const Volume& moving)
{
    std::vector<Volume> copies = Spread(moving);
    size_t i = 0;
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(copies[i].IntersectsVolume(kSlope));
        i = (i + 1) & 63;
    }
}
}

static void SphereSphere(benchmark::State& state)
{
    VolumeAgainstVolume(state, ZEBoundingSphere(ZEVector(), 30.0f), ZEBoundingSphere(ZEVector(40, 0, 0), 25.0f));
}
BENCHMARK(SphereSphere);

static void AABoxAABox(benchmark::State& state)
{
    VolumeAgainstVolume(state, ZEAABoundingBox(ZEVector(-20, -7, -45), ZEVector(20, 7, 45)),
                        ZEAABoundingBox(ZEVector(30, -5, -5), ZEVector(60, 5, 5)));
}
BENCHMARK(AABoxAABox);

static void OBoxOBox(benchmark::State& state)
{
    VolumeAgainstVolume(state, TurnedBox(ZEVector()), TurnedBox(ZEVector(45, 0, 10)));
}
BENCHMARK(OBoxOBox);

static void SphereOBox(benchmark::State& state)
{
    VolumeAgainstVolume(state, ZEBoundingSphere(ZEVector(), 30.0f), TurnedBox(ZEVector(45, 0, 10)));
}
BENCHMARK(SphereOBox);

static void SpherePlane(benchmark::State& state)
{
    VolumeAgainstPlane(state, ZEBoundingSphere(ZEVector(), 30.0f));
}
BENCHMARK(SpherePlane);

static void AABoxPlane(benchmark::State& state)
{
    VolumeAgainstPlane(state, ZEAABoundingBox(ZEVector(-20, -7, -45), ZEVector(20, 7, 45)));
}
BENCHMARK(AABoxPlane);

static void OBoxPlane(benchmark::State& state)
{
    VolumeAgainstPlane(state, TurnedBox(ZEVector()));
}
BENCHMARK(OBoxPlane);
