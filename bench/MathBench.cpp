// Costs of the math primitives the simulation leans on every step.
#include "math/ZEMatrix.h"
#include "math/ZEPlane.h"
#include "math/ZEVector.h"

#include <benchmark/benchmark.h>

static void VectorCrossAndNormalize(benchmark::State& state)
{
    ZEVector a(0.3f, 0.9f, -0.2f), b(-0.7f, 0.1f, 0.5f);
    for (auto _ : state)
    {
        ZEVector c = a.CrossProduct(b);
        c.Normalize();
        benchmark::DoNotOptimize(c);
        a.x += 1e-7f;
    }
}
BENCHMARK(VectorCrossAndNormalize);

static void VectorReflection(benchmark::State& state)
{
    ZEVector velocity(120.0f, -35.0f, 4.0f), normal(0.0f, 1.0f, 0.0f);
    for (auto _ : state)
    {
        benchmark::DoNotOptimize(velocity.Reflection(normal));
        velocity.z += 1e-6f;
    }
}
BENCHMARK(VectorReflection);

static void EulerRotationMatrix(benchmark::State& state)
{
    float angle = 10.0f;
    for (auto _ : state)
    {
        ZEMatrix3x3 x, y, z;
        x.XRotationMatrixDeg(angle);
        y.YRotationMatrixDeg(angle * 2.0f);
        z.ZRotationMatrixDeg(angle * 3.0f);
        benchmark::DoNotOptimize(z * y * x);
        angle += 0.01f;
    }
}
BENCHMARK(EulerRotationMatrix);

static void PlaneFromThreePoints(benchmark::State& state)
{
    ZEVector p1(0, 0, 0), p2(0, 0.1f, 1), p3(1, 0.2f, 0);
    for (auto _ : state)
    {
        ZEPlane plane(p1, p2, p3);
        benchmark::DoNotOptimize(plane);
        p1.y += 1e-6f;
    }
}
BENCHMARK(PlaneFromThreePoints);
