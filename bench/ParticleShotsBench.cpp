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
#include "WZApp.h"
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
        m_pRenderer->TakeScreenshot(ZEString(name));
        std::printf("bench_particleshots: %s.tga\n", name);
    }
    WZCar* Player() const { return m_Race.m_pPlayerCar; }
    void FireRocket()
    {
        Player()->m_lPowerUp = WZ_POWERUP_NONE;
        Player()->SetPowerUp(WZ_POWERUP_ROCKET);
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
    ZEVector Ahead(float distance) const { return Player()->GetCenter() + Player()->m_vForward * distance; }

    // Until Unlook(), every frame is seen from `offset` (in the player's
    // axes: side, up, forward) beside the player's car, looking at `target`.
    void Look(const ZEVector& offset, const ZEVector& target)
    {
        m_vLookOffset = offset;
        m_vTarget = target;
        m_pFollow = nullptr;
        m_bLook = true;
    }
    // The same, but from `offset` beside `object` and looking at it, each
    // frame.
    void Follow(const ZEVector& offset, ZEEngineObject* object)
    {
        Look(offset, object->m_vPosition);
        m_pFollow = object;
    }
    void Unlook() { m_bLook = false; }

    void Update2(uint32_t elapsed) override
    {
        WZApp::Update2(elapsed);
        if (!m_bLook || !Player())
            return;
        WZCar* car = Player();
        ZEVector eye = (m_pFollow ? m_pFollow->m_vPosition : car->GetCenter()) + car->m_vSide * m_vLookOffset.x + car->m_vUp * m_vLookOffset.y +
                       car->m_vForward * m_vLookOffset.z;
        ZEVector d = (m_pFollow ? m_pFollow->m_vPosition : m_vTarget) - eye;
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
        m_pRenderer->m_Camera.SetPosition(eye);
        m_pRenderer->m_Camera.SetRotation(ZEVector(std::atan2(d.y, flat) * 180.0f / ZE_PI, -best, 0.0f));
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
    ZEVector m_vLookOffset, m_vTarget;
    ZEEngineObject* m_pFollow = nullptr;
};

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
    static ShotGame game;
    std::string options = "--track airfield --type 1 --ai-player --seed 4 --car 5 --camera 1 --detail 0";
    for (int i = 1; i < argc; ++i)
        options += std::string(" ") + argv[i];
    game.Prepare(options.data());
    game.Initialize();
    game.Start();

    // On the grid during the countdown, the engines idling.
    game.Run(2000);
    game.Look(ZEVector(-18.0f, 6.0f, -40.0f), game.Ahead(-12.0f));
    game.Run(600);
    game.Shot("pt-exhaust");
    game.Unlook();
    game.Run(7000);

    // A rocket along a clear road, just after it left.
    for (int i = 0; i < 200 && game.CarAhead(600.0f); ++i)
        game.Run(100);
    game.FireRocket();
    if (WZEMPRocket* rocket = NewestRocket(game.m_pEngine))
        game.Follow(ZEVector(-20.0f, 8.0f, -60.0f), rocket);
    game.Run(300);
    game.Shot("pt-trail");
    game.Unlook();

    // The next rocket is made to hit (the bench calls its contact with a
    // car at once): the blue sparks of its explosion.
    game.Run(1000);
    game.FireRocket();
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
