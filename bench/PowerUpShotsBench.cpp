// bench_powerupshots: pictures of the powerups at work, for the evidence
// sheet (tools/powerup-evidence). Not part of the game: the bench hands the
// player's car its powerups and lays weapons in its path at chosen moments
// of a race with powerups, which the game itself never does.
//
// Run under a display from the source folder; it works in build/run:
//   xvfb-run -a -s "-screen 0 800x600x24" build/bin/bench_powerupshots
// It writes pu-rocket.tga, pu-rocket2.tga, pu-mine.tga, pu-oil.tga,
// pu-oil2.tga and pu-nitro.tga into build/run (bottom row first).
// Further game options (--track, --camera, --seed) follow the defaults.
#include "ShotGame.h"
#include "car/WZCar.h"
#include "math/ZEMath.h"
#include "platform/null/ZEManualTimer.h"
#include "powerup/WZEMPMine.h"
#include "race/WZChaseCamera.h"
#include "powerup/WZEMPRocket.h"
#include "powerup/WZOilPuddle.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"

#include <SDL/SDL.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
template <class T> T* Newest(ZEEngine* engine)
{
    T* found = nullptr;
    for (ZEEngineObject* o = engine->GetObjects(); o; o = o->m_pNext)
        if (ZEIsKindOf(o, T::ms_RTTI))
            found = static_cast<T*>(o);
    return found;
}
}

int main(int argc, char** argv)
{
    std::filesystem::current_path(std::filesystem::path(WRENZO_RUN_DIR));
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0)
    {
        std::fprintf(stderr, "bench_powerupshots: no display: %s\n", SDL_GetError());
        return 1;
    }
    static ShotGame game("bench_powerupshots");
    std::string options = "--track airfield --type 1 --ai-player --seed 4 --car 5 --camera 1 --detail 1";
    for (int i = 1; i < argc; ++i)
        options += std::string(" ") + argv[i];
    game.Prepare(options.data());
    game.Initialize();
    game.Start();
    game.Run(9000);   // the countdown, then under way

    // The player's rocket leaves once the road ahead is clear for 600
    // units, seen from beside its path ahead of the car.
    for (int i = 0; i < 200 && game.CarAhead(600.0f); ++i)
        game.Run(100);
    game.Give(WZ_POWERUP_ROCKET);
    WZEMPRocket* rocket = Newest<WZEMPRocket>(game.m_pEngine);
    game.Look(ZEVector(-35.0f, 10.0f, 75.0f), rocket);
    game.Run(32);
    game.Shot("pu-rocket");
    game.Run(32);
    game.Shot("pu-rocket2");
    game.Unlook();

    // The player drops a mine; seen from beside the road behind the car.
    game.Run(1500);
    game.Give(WZ_POWERUP_MINE);
    WZEMPMine* mine = Newest<WZEMPMine>(game.m_pEngine);
    game.Look(ZEVector(20.0f, 10.0f, -90.0f), mine);
    game.Run(350);
    game.Shot("pu-mine");
    game.Unlook();

    // Oil ahead of the player: the car skids through it.
    game.Run(3000);
    WZCar* car = game.Player();
    float speed = car->m_vVelocity.GetLength();
    game.m_pEngine->AddObjectToWorld(new WZOilPuddle(game.Ahead(speed * 0.35f)));
    game.Look(ZEVector(-45.0f, 25.0f, 30.0f), nullptr);
    for (int i = 0; i < 60 && car->m_lEffect != WZ_EFFECT_OIL; ++i)
        game.Run(ShotGame::ms_ulFrame);
    game.Shot("pu-oil");
    game.Run(250);
    game.Shot("pu-oil2");
    game.Unlook();

    game.Run(3000);
    float before = game.Player()->GetSpeedKMH();
    game.Give(WZ_POWERUP_GASBOTTLE);
    game.Run(1200);
    game.Shot("pu-nitro");
    std::printf("bench_powerupshots: nitro from %.0f to %.0f km/h in 1.2 s\n", before, game.Player()->GetSpeedKMH());
    std::fflush(stdout);
    game.Exit();
    return 0;
}
