// One simulation step of a race-sized world, as a headless race runs it.
//
// The world is what a track puts there: a flat floor (a 16 x 16 grid map,
// 1600 units square), 250 static wall segments with axis-aligned boxes
// along both sides of a circular road of radius 600 (125 a side, each
// overriding the volume test with a plane and the static response, as the
// game's barriers do), 10 static props with oriented boxes beside the
// racing line, and 4 moving cars with oriented boxes driving round the
// loop in a pack under gravity, steered in Animate.
//
//   BM_WorldStep      one UpdateWorld of 15 ms
//   BM_HeadlessFrame  one headless frame of 15 ms (polls, updates, step,
//                     listener; no drawing)
// The "x_realtime" counter is simulated seconds per wall second.
//
//   build/bin/bench_worldstep --benchmark_min_time=0.5
#include "core/ZEApplication.h"
#include "core/ZEFileManager.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEMath.h"
#include "math/ZEPlane.h"
#include "platform/null/ZEManualTimer.h"
#include "support/TempFolder.h"
#include "support/TestMaps.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include "ZEBspWriter.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace
{
const ZEVector kTrackCentre(800.0f, 0.0f, 800.0f);
const float kTrackRadius = 600.0f;
const float kRoadHalfWidth = 40.0f;
const uint32_t kStep = 15;

ZEVector OnCircle(float radius, float angle, float y)
{
    return kTrackCentre + ZEVector(radius * std::cos(angle), y, radius * std::sin(angle));
}

// A barrier segment: an axis-aligned box that reports the face plane it
// was hit on and turns a car back along it.
class Wall : public ZEEngineObject
{
public:
    Wall(const ZEVector& centre, const ZEVector& half)
    {
        m_vPosition = m_vOldPosition = centre;
        m_pBoundingVolume = new ZEAABoundingBox(centre - half, centre + half);
    }
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) override
    {
        if (!m_bCollision || !m_pBoundingVolume->IntersectsVolume(volume))
            return false;
        ZEVector away = volume.GetCenter() - m_vPosition;
        away.y = 0.0f;
        plane.SetPlane(away.UnitVector(), -static_cast<double>(away.UnitVector().DotProduct(m_vPosition)));
        return true;
    }
    bool VolStaticInfluence(uint32_t step, ZEEngineObject* car) override
    {
        ZEPlane plane;
        if (!car->m_pBoundingVolume || !Clips(*car->m_pBoundingVolume, plane))
            return false;
        ZEVector n = plane.m_vNormal;
        float into = n.DotProduct(car->m_vVelocity);
        if (into < 0.0f && step > 0)
            car->m_vAcceleration -= n * (into * 1.5f * 1000.0f / step);
        return true;
    }
};

// A sign or pickup beside the road.
class Prop : public ZEEngineObject
{
public:
    explicit Prop(const ZEVector& position)
    {
        m_vPosition = m_vOldPosition = position;
        ZEOBoundingBox* box = new ZEOBoundingBox();
        box->SetData(position, ZEVector(-4, 0, -4), ZEVector(4, 12, 4), ZEVector(0, 45, 0));
        m_pBoundingVolume = box;
    }
    void Animate(uint32_t step, ZEEngine*) override { m_vRotation.y += 0.09f * step; }
};

// A car holding its speed along the loop at its own radius.
class Car : public ZEEngineObject
{
public:
    Car(float angle, float radius) : m_fRadius(radius)
    {
        m_bStatic = false;
        m_bGravity = true;
        m_vPosition = m_vOldPosition = OnCircle(radius, angle, 0.5f);
        ZEOBoundingBox* box = new ZEOBoundingBox();
        box->SetData(m_vPosition, ZEVector(-9, 0, -20), ZEVector(9, 14, 20), ZEVector(0, 0, 0));
        m_pBoundingVolume = box;
    }
    void Animate(uint32_t, ZEEngine*) override
    {
        ZEVector out = m_vPosition - kTrackCentre;
        out.y = 0.0f;
        ZEVector along = ZEVector(-out.z, 0.0f, out.x).UnitVector();
        float drift = (m_fRadius - out.GetLength()) * 0.5f;
        ZEVector steer = along * 300.0f + out.UnitVector() * drift;
        m_vVelocity = ZEVector(steer.x, m_vVelocity.y, steer.z);
    }

private:
    float m_fRadius;
};

// A headless application whose process end is only noted.
class BenchApp : public ZEApplication
{
public:
    BenchApp() { m_bHeadless = true; }

protected:
    void EndProcess(int) override {}
};

// The application with the track loaded and populated.
class Race
{
public:
    Race()
    {
        m_App.Initialize();
        m_pEngine = m_App.m_pEngine;
        LoadFloor();
        AddWalls();
        AddProps();
        for (int i = 0; i < 4; ++i)
            m_pEngine->AddObjectToWorld(new Car(0.12f * i, kTrackRadius + (i % 2 ? 12.0f : -12.0f)));
    }
    ~Race() { m_App.Exit(); }

    bool Ready() const { return m_pEngine && m_pEngine->GetTerrain(); }
    ZEEngine* Engine() const { return m_pEngine; }
    ZEManualTimer* Timer() const { return static_cast<ZEManualTimer*>(m_App.m_pTimer); }

private:
    void LoadFloor()
    {
        std::vector<uint8_t> bytes;
        ZEBspWriter writer = ZETestMaps::MakeGridMap(16, 16, 100.0f, 2);
        if (!writer.Build(bytes) || m_Dir.Write("flat.bsp", bytes).empty())
            return;
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(m_Dir.Path().c_str()));
        ZEBSPTerrain* terrain = new ZEBSPTerrain();
        if (terrain->Load(ZEString("flat.bsp")))
            m_pEngine->SetTerrain(terrain);
        else
            delete terrain;
    }
    void AddWalls()
    {
        for (int side = 0; side < 2; ++side)
        {
            float radius = kTrackRadius + (side ? kRoadHalfWidth : -kRoadHalfWidth);
            for (int i = 0; i < 125; ++i)
            {
                float angle = 2.0f * ZE_PI * i / 125.0f;
                ZEVector centre = OnCircle(radius, angle, 5.0f);
                m_pEngine->AddObjectToWorld(new Wall(centre, ZEVector(12.0f, 5.0f, 12.0f)));
            }
        }
    }
    void AddProps()
    {
        for (int i = 0; i < 10; ++i)
        {
            float angle = 2.0f * ZE_PI * (i + 0.5f) / 10.0f;
            m_pEngine->AddObjectToWorld(new Prop(OnCircle(kTrackRadius + (i % 2 ? 28.0f : -28.0f), angle, 0.0f)));
        }
    }

    ZETempFolder m_Dir{"bench"};
    BenchApp m_App;
    ZEEngine* m_pEngine = nullptr;
};

void Report(benchmark::State& state)
{
    state.counters["x_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * kStep / 1000.0, benchmark::Counter::kIsRate);
}

void BM_WorldStep(benchmark::State& state)
{
    Race race;
    if (!race.Ready())
    {
        state.SkipWithError("the floor did not load");
        return;
    }
    for (auto _ : state)
        race.Engine()->UpdateWorld(kStep);
    Report(state);
}

void BM_HeadlessFrame(benchmark::State& state)
{
    Race race;
    if (!race.Ready())
    {
        state.SkipWithError("the floor did not load");
        return;
    }
    for (auto _ : state)
    {
        race.Timer()->Advance(kStep);
        race.Engine()->Idle();
    }
    Report(state);
}
}

BENCHMARK(BM_WorldStep)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_HeadlessFrame)->Unit(benchmark::kMicrosecond);
