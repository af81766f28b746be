// bench_particleshots: pictures of the particle emitters in a race, for the
// evidence sheet (tools/particle-evidence). Not part of the game: the bench
// hands the player's car EMP rockets in a race with powerups on the
// airfield and moves the camera beside the car.
//
// Run under a display from the source folder; it works in build/run:
//   xvfb-run -a -s "-screen 0 800x600x24" build/bin/bench_particleshots
// It writes pt-exhaust.tga (the cars' exhaust smoke on the grid),
// pt-trail.tga (a rocket's smoke trail) and pt-sparks.tga (the blue sparks
// of a rocket's hit) into build/run (bottom row first).
#include "ShotGame.h"
#include "car/WZCar.h"
#include "math/ZEMath.h"
#include "platform/null/ZEManualTimer.h"
#include "powerup/WZEMPRocket.h"
#include "race/WZChaseCamera.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"

#include <SDL/SDL.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace
{
WZEMPRocket* NewestRocket(ZEEngine* engine)
{
    WZEMPRocket* found = nullptr;
    for (ZEEngineObject* o = engine->GetObjects(); o; o = o->m_pNext)
        if (ZEIsKindOf(o, WZEMPRocket::ms_RTTI))
            found = static_cast<WZEMPRocket*>(o);
    return found;
}
}

int main(int argc, char** argv)
{
    std::filesystem::current_path(std::filesystem::path(WRENZO_RUN_DIR));
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0)
    {
        std::fprintf(stderr, "bench_particleshots: no display: %s\n", SDL_GetError());
        return 1;
    }
    static ShotGame game("bench_particleshots");
    std::string options = "--track airfield --type 1 --ai-player --seed 4 --car 5 --camera 1 --detail 0";
    for (int i = 1; i < argc; ++i)
        options += std::string(" ") + argv[i];
    game.Prepare(options.data());
    game.Initialize();
    game.Start();

    // On the grid during the countdown, the engines idling.
    game.Run(2000);
    game.LookAt(ZEVector(-18.0f, 6.0f, -40.0f), game.Ahead(-12.0f));
    game.Run(600);
    game.Shot("pt-exhaust");
    game.Unlook();
    game.Run(7000);

    // A rocket along a clear road, just after it left.
    for (int i = 0; i < 200 && game.CarAhead(600.0f); ++i)
        game.Run(100);
    game.Give(WZ_POWERUP_ROCKET);
    if (WZEMPRocket* rocket = NewestRocket(game.m_pEngine))
        game.Follow(ZEVector(-20.0f, 8.0f, -60.0f), rocket);
    game.Run(300);
    game.Shot("pt-trail");
    game.Unlook();

    // The next rocket is made to hit (the bench calls its contact with a
    // car at once): the blue sparks of its explosion.
    game.Run(1000);
    game.Give(WZ_POWERUP_ROCKET);
    game.Run(64);
    WZEMPRocket* rocket = NewestRocket(game.m_pEngine);
    WZCar* other = game.m_Race.m_apCars[0] == game.Player() ? game.m_Race.m_apCars[1] : game.m_Race.m_apCars[0];
    if (rocket && other)
    {
        rocket->OnClip(other);
        // It stays where it went off while its sparks fly.
        game.Follow(ZEVector(-20.0f, 8.0f, -35.0f), rocket);
        game.Run(100);
    }
    game.Shot("pt-sparks");
    std::fflush(stdout);
    game.Exit();
    return 0;
}
