// Loading a full-size map: from a package on disk to a terrain installed
// in the world, with every face's texture looked up and its lightmap made
// and uploaded (to the recording renderer, so the time is the loader's
// own, not a GPU driver's).
//
// The map is a floor of n x n cells, each a face with a 16 x 16 lightmap,
// in a tree split down to one face a leaf (64 x 64: 4096 faces, 1 MiB of
// lightmaps), plus two lights; its one texture comes from the same package.
//
//   build/bin/bench_bspload --benchmark_min_time=0.2
#include "core/ZEFileManager.h"
#include "support/TempFolder.h"
#include "support/TestApplication.h"
#include "support/TestMaps.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"

#include "ZEBspWriter.h"
#include "ZEPackWriter.h"
#include "ZETexWriter.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace
{
void BM_LoadMapFromPackage(benchmark::State& state)
{
    uint32_t cells = static_cast<uint32_t>(state.range(0));
    ZETempFolder dir("map");
    ZEBspWriter writer = ZETestMaps::MakeGridMap(cells, cells, 32.0f, 16);
    std::vector<uint8_t> bytes;
    ZEPackWriter pack;
    ZETexWriter textures;
    std::vector<uint8_t> ground;
    if (!writer.Build(bytes) || !pack.AddData("maps/bench.bsp", bytes.data(), bytes.size()) ||
        !textures.AddImage("ground", ZETexImage::TrueColor(64, 64, std::vector<uint8_t>(64 * 64 * 3, 128))) ||
        !textures.Encode(ground) || !pack.AddData("textures/level.tex", ground.data(), ground.size()) ||
        !pack.Write(dir.File("maps.dat").c_str()))
    {
        state.SkipWithError("the map could not be written");
        return;
    }

    ZETestApplication app;
    app.Initialize();
    ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(dir.Path().c_str()));
    ZEFileManager::ms_pFileManager->AddArchive("maps.dat");
    for (auto _ : state)
    {
        app.LoadBSPFile(ZEString("bench.bsp"));
        if (!ZEEngine::ms_pEngine->GetTerrain())
        {
            state.SkipWithError("the map did not load");
            break;
        }
        state.PauseTiming();
        app.Renderer()->Clear();
        state.ResumeTiming();
    }
    state.counters["faces"] = static_cast<double>(cells) * cells;
    state.counters["MiB"] = bytes.size() / 1048576.0;
    app.Exit();
}
}

BENCHMARK(BM_LoadMapFromPackage)->Arg(16)->Arg(64)->Unit(benchmark::kMillisecond);
