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
#include "WZApp.h"
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
const uint32_t kFrame = 16;

// The game with its real window and renderer, but a clock the bench moves.
class ShotGame : public WZApp
{
public:
    void Run(uint32_t ms)
    {
        ZEManualTimer* timer = static_cast<ZEManualTimer*>(m_pTimer);
        for (uint32_t t = 0; t < ms; t += kFrame)
        {
            timer->Advance(kFrame);
            m_pEngine->Idle();
        }
    }
    void Shot(const char* name)
    {
        // The screenshot reads the frame just drawn.
        m_pRenderer->TakeScreenshot(ZEString(name));
        std::printf("bench_powerupshots: %s.tga\n", name);
    }
    WZCar* Player() const { return m_Race.m_pPlayerCar; }
    void Give(int32_t type)
    {
        Player()->m_lPowerUp = WZ_POWERUP_NONE;
        Player()->SetPowerUp(static_cast<uint32_t>(type));
        Player()->EnablePowerUp();
    }
    // Whether another car lies within `reach` ahead of the player's.
    bool CarAhead(float reach) const
    {
        for (WZCar* car : m_Race.m_apCars)
        {
            ZEVector to = car ? car->m_vPosition - Player()->m_vPosition : ZEVector();
            if (car && car != Player() && to.GetLength() < reach && to.DotProduct(Player()->m_vForward) > 0.0f)
                return true;
        }
        return false;
    }
    // `distance` ahead of the player's car on its line.
    ZEVector Ahead(float distance) const { return Player()->GetCenter() + Player()->m_vForward * distance; }

    // Until Unlook(), every frame is seen from `offset` (in the player's
    // axes: side, up, forward) beside the player's car, looking at what
    // `target` gives.
    void Look(const ZEVector& offset, ZEEngineObject* target)
    {
        m_vLookOffset = offset;
        m_pLookAt = target;
        m_bLook = true;
    }
    void Unlook() { m_bLook = false; }

    void Update2(uint32_t elapsed) override
    {
        WZApp::Update2(elapsed);
        if (!m_bLook || !Player())
            return;
        WZCar* car = Player();
        ZEVector eye = car->GetCenter() + car->m_vSide * m_vLookOffset.x + car->m_vUp * m_vLookOffset.y +
                       car->m_vForward * m_vLookOffset.z;
        ZEVector target = m_pLookAt ? m_pLookAt->m_vPosition : car->GetCenter();
        ZEVector d = target - eye;
        float flat = std::sqrt(d.x * d.x + d.z * d.z);
        // The chase camera's convention: rotation (pitch, -heading, 0).
        float best = 0.0f, bestDot = -2.0f;
        for (float h = 0.0f; h < 360.0f; h += 0.25f)
        {
            ZEVector f = WZTurnByHeading(ZEVector(0.0f, 0.0f, 1.0f), h);
            float dot = flat > 0.0f ? (f.x * d.x + f.z * d.z) / flat : 0.0f;
            if (dot > bestDot)
            {
                bestDot = dot;
                best = h;
            }
        }
        float pitch = std::atan2(d.y, flat) * 180.0f / ZE_PI;
        m_pRenderer->m_Camera.SetPosition(eye);
        m_pRenderer->m_Camera.SetRotation(ZEVector(pitch, -best, 0.0f));
    }

protected:
    void CreateDevices() override
    {
        ZEApplication::CreateDevices();
        delete m_pTimer;
        m_pTimer = new ZEManualTimer();
    }

private:
    bool m_bLook = false;
    ZEVector m_vLookOffset;
    ZEEngineObject* m_pLookAt = nullptr;
};

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
    static ShotGame game;
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
        game.Run(kFrame);
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
