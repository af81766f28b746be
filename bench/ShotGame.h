// ShotGame: the game with its real window and renderer but a clock the
// bench moves, for the benches that take evidence pictures of a race
// (bench_powerupshots, bench_particleshots). They hand the player's car
// powerups and place the camera, which the game itself never does.
#pragma once

#include "WZApp.h"
#include "car/WZCar.h"
#include "math/ZEMath.h"
#include "platform/null/ZEManualTimer.h"
#include "race/WZChaseCamera.h"
#include "render/ZERenderer.h"
#include "world/ZEEngine.h"

#include <cmath>
#include <cstdio>

class ShotGame : public WZApp
{
public:
    static constexpr uint32_t ms_ulFrame = 16;

    explicit ShotGame(const char* bench) : m_pBench(bench) {}

    void Run(uint32_t ms)
    {
        ZEManualTimer* timer = static_cast<ZEManualTimer*>(m_pTimer);
        for (uint32_t t = 0; t < ms; t += ms_ulFrame)
        {
            timer->Advance(ms_ulFrame);
            m_pEngine->Idle();
        }
    }
    // Asked for between frames, the screenshot is the next frame: one more
    // is drawn at once, with no game time passing, so it shows the race as
    // it stands.
    void Shot(const char* name)
    {
        m_pRenderer->TakeScreenshot(ZEString(name));
        m_pEngine->Idle();
        std::printf("%s: %s.tga\n", m_pBench, name);
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
    // axes: side, up, forward) beside the player's car, looking at
    // `target` (the car itself when null) ...
    void Look(const ZEVector& offset, ZEEngineObject* target) { View(offset, nullptr, target, ZEVector()); }
    // ... or at a fixed point ...
    void LookAt(const ZEVector& offset, const ZEVector& point)
    {
        View(offset, nullptr, nullptr, point);
        m_bPoint = true;
    }
    // ... or from `offset` beside `object`, looking at it.
    void Follow(const ZEVector& offset, ZEEngineObject* object) { View(offset, object, object, ZEVector()); }
    void Unlook() { m_bLook = false; }

    void Update2(uint32_t elapsed) override
    {
        WZApp::Update2(elapsed);
        if (!m_bLook || !Player())
            return;
        WZCar* car = Player();
        ZEVector anchor = m_pAnchor ? m_pAnchor->m_vPosition : car->GetCenter();
        ZEVector eye = anchor + car->m_vSide * m_vOffset.x + car->m_vUp * m_vOffset.y + car->m_vForward * m_vOffset.z;
        ZEVector target = m_pTarget ? m_pTarget->m_vPosition : m_bPoint ? m_vPoint : car->GetCenter();
        Aim(eye, target - eye);
    }

protected:
    void CreateDevices() override
    {
        ZEApplication::CreateDevices();
        delete m_pTimer;
        m_pTimer = new ZEManualTimer();
    }

private:
    void View(const ZEVector& offset, ZEEngineObject* anchor, ZEEngineObject* target, const ZEVector& point)
    {
        m_vOffset = offset;
        m_pAnchor = anchor;
        m_pTarget = target;
        m_vPoint = point;
        m_bPoint = false;
        m_bLook = true;
    }
    // The chase camera's convention: rotation (pitch, -heading, 0).
    void Aim(const ZEVector& eye, const ZEVector& d)
    {
        float flat = std::sqrt(d.x * d.x + d.z * d.z);
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

    const char* m_pBench;
    bool m_bLook = false;
    bool m_bPoint = false;
    ZEVector m_vOffset, m_vPoint;
    ZEEngineObject* m_pAnchor = nullptr;
    ZEEngineObject* m_pTarget = nullptr;
};
