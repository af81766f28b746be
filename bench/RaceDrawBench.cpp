// bench_racedraw: what drawing a race costs, against the same triangles
// drawn the plainest way OpenGL allows.
//
// Run under a display (Xvfb with Mesa's llvmpipe gives real OpenGL):
//   xvfb-run -a -s "-screen 0 640x480x24" build/bin/bench_racedraw
// from the source folder (it runs in build/run, where the game data is).
//
// 1. The game: a 4-car race on the test track, every car driven by the
//    computer, 30 s of game time in frames of 16 ms through the engine's
//    whole frame (simulation, world passes, race display) at 640 x 480.
//    The camera positions of every frame are kept.
// 2. The reference: the terrain's triangles, textured and depth-tested,
//    drawn from the same camera positions with client vertex arrays and one
//    glDrawElements a face - no tree walk, no lightmaps, no objects.
// It prints both frame rates and their ratio, the track's load time (from
// the package to the first frame) and the process's peak resident memory.
// Game options given to the bench (e.g. --detail 0) follow the race's own.
//
// What an effect costs: `--off EFFECT` (repeatable) switches one off after
// the detail level has set everything up, so the frame rate with and
// without it can be compared - shadows, lights (dynamic lights), coronas
// (coronas and lens flares), decals (map decals and tyre marks), smoke (the
// cars' smoke), sky, water, billboards, or all of them. --no-reference
// leaves the reference drawing out.
#include "WZApp.h"
#include "car/WZCar.h"
#include "platform/null/ZEManualTimer.h"
#include "render/ZEBillboard.h"
#include "render/ZERenderer.h"
#include "render/ZESkyBox.h"
#include "render/ZEWater.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
const uint32_t kFrame = 16;
const uint32_t kGameTime = 30000;

typedef std::chrono::steady_clock Clock;

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// The game with its real window and renderer, but a clock the bench moves.
class BenchGame : public WZApp
{
protected:
    void CreateDevices() override
    {
        ZEApplication::CreateDevices();
        delete m_pTimer;
        m_pTimer = new ZEManualTimer();
    }
};

struct View
{
    ZEVector m_vPosition, m_vRotation;
};

void CollectFaces(const ZEBSPNode* node, std::vector<const ZEBSPFace*>& faces)
{
    if (!node)
        return;
    for (const ZEBSPFace* face = node->m_pFaces; face; face = static_cast<const ZEBSPFace*>(face->m_pNext))
        faces.push_back(face);
    CollectFaces(node->m_pFront, faces);
    CollectFaces(node->m_pBack, faces);
}

const char* const kEffects[] = {"shadows", "lights", "coronas", "decals", "smoke", "sky", "water", "billboards"};

bool IsEffect(const std::string& name)
{
    for (const char* effect : kEffects)
        if (name == effect)
            return true;
    return name == "all";
}

// Takes the objects of one kind out of the world (they are left to the
// process's end, as the bench only measures).
void RemoveObjects(ZEEngine& engine, const ZERTTI& kind)
{
    std::vector<ZEEngineObject*> found;
    for (ZEEngineObject* object = engine.m_pObjects; object; object = object->m_pNext)
        if (ZEIsKindOf(object, kind))
            found.push_back(object);
    for (ZEEngineObject* object : found)
        engine.RemoveObjectFromWorld(object);
}

// Switches one effect off; the sky box is handed back for the terrain to
// free at the end.
void SwitchOff(ZEEngine& engine, const std::string& effect, ZESkyBox*& sky)
{
    if (effect == "shadows")
        engine.SetShadowMethod(ZE_SHADOW_NONE);
    else if (effect == "lights")
        engine.m_bDynamicLights = false;
    else if (effect == "coronas")
        engine.m_bReflections = false;
    else if (effect == "decals")
        engine.m_bDecals = WZCar::ms_bTyreDecals = false;
    else if (effect == "smoke")
        WZCar::ms_bSmoke = false;
    else if (effect == "sky" && engine.m_pTerrain)
        std::swap(sky, engine.m_pTerrain->m_pSkyBox);
    else if (effect == "water")
        RemoveObjects(engine, ZEWater::ms_RTTI);
    else if (effect == "billboards")
        RemoveObjects(engine, ZEBillboard::ms_RTTI);
}

double DrawReference(ZERenderer& renderer, const ZEBSPTerrain& terrain, const std::vector<View>& views)
{
    std::vector<const ZEBSPFace*> faces;
    CollectFaces(terrain.m_pRoot, faces);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glColor4ub(255, 255, 255, 255);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(ZELVertex), &terrain.m_pLVertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(ZELVertex), &terrain.m_pLVertices[0].u);
    Clock::time_point start = Clock::now();
    for (const View& view : views)
    {
        renderer.m_Camera.SetPosition(view.m_vPosition);
        renderer.m_Camera.SetRotation(view.m_vRotation);
        renderer.ClearBuffers();
        renderer.RestoreWorld();
        for (const ZEBSPFace* face : faces)
        {
            renderer.SetTexture(face->m_pTexture);
            glDrawElements(GL_TRIANGLES, face->m_usNumIndices, GL_UNSIGNED_SHORT, face->m_pusIndices);
        }
        renderer.DisplayBackBuffer();
    }
    glFinish();
    return views.size() / Seconds(start);
}
}

int main(int argc, char** argv)
{
    std::filesystem::current_path(std::filesystem::path(WRENZO_RUN_DIR));
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0)
    {
        std::fprintf(stderr, "bench_racedraw: no display: %s\n", SDL_GetError());
        return 1;
    }
    static BenchGame game;
    // The race is fixed; further game options (a detail level, another
    // camera) may follow on the command line.
    std::string options = "--ai-player --seed 4 --camera 1 --detail 2";
    std::vector<std::string> off;
    bool reference = true;
    for (int i = 1; i < argc; ++i)
    {
        std::string word = argv[i];
        if (word == "--off" && i + 1 < argc && IsEffect(argv[i + 1]))
            off.push_back(argv[++i]);
        else if (word == "--no-reference")
            reference = false;
        else
            options += " " + word;
    }
    game.Prepare(options.data());
    game.Initialize();
    Clock::time_point load = Clock::now();
    game.Start();
    ZEManualTimer* timer = static_cast<ZEManualTimer*>(game.m_pTimer);
    timer->Advance(kFrame);
    game.m_pEngine->Idle();
    double loadSeconds = Seconds(load);
    ZESkyBox* sky = nullptr;
    for (const std::string& effect : off)
        for (const char* each : kEffects)
            if (effect == "all" || effect == each)
                SwitchOff(*game.m_pEngine, each, sky);

    std::vector<View> views;
    Clock::time_point start = Clock::now();
    for (uint32_t t = 0; t < kGameTime; t += kFrame)
    {
        timer->Advance(kFrame);
        game.m_pEngine->Idle();
        views.push_back({game.m_pRenderer->m_Camera.m_vPosition, game.m_pRenderer->m_Camera.m_vRotation});
    }
    glFinish();
    double gameFPS = views.size() / Seconds(start);

    const ZEBSPTerrain* terrain = static_cast<const ZEBSPTerrain*>(game.m_pEngine->m_pTerrain);
    double referenceFPS = terrain && reference ? DrawReference(*game.m_pRenderer, *terrain, views) : 0.0;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("race drawn:      %6.1f frames/s, %.2f ms a frame (%zu frames of %u ms, 640 x 480)\n", gameFPS,
                1000.0 / gameFPS, views.size(), kFrame);
    std::printf("bare GL terrain: %6.1f frames/s\n", referenceFPS);
    std::printf("ratio:           %6.2f\n", referenceFPS > 0.0 ? gameFPS / referenceFPS : 0.0);
    std::printf("track load:      %6.1f ms (package to first frame)\n", loadSeconds * 1000.0);
    std::printf("peak memory:     %6.1f MB resident\n", usage.ru_maxrss / 1024.0);
    std::fflush(stdout);
    if (terrain && sky)
        std::swap(sky, game.m_pEngine->m_pTerrain->m_pSkyBox);
    game.Exit();
    return 0;
}
