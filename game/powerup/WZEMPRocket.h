// WZEMPRocket: a rocket fired forward from a car at 1000 units per second
// (360 km/h) with a smoke trail and a looping flight sound. It explodes at
// its first contact - a wall, a barrier, the ground or a car - once: the
// trail gives way to blue sparks for half a second and the EMP sound plays.
// A car it hits gets an EMP hit (engine dead for 3 s). One that meets
// nothing for 5 s (it left the track's walls behind) burns out without an
// explosion. The spent rocket
// stays in the world inert, without model or volume, until the world is
// cleared.
#pragma once

#include "world/ZEEngineObject.h"

#include <cstdint>

class ZEParticleFX;
class ZESoundReference;

class WZEMPRocket : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    // `direction` is a unit vector; `rotation` the firing car's.
    WZEMPRocket(const ZEVector& position, const ZEVector& direction, const ZEVector& rotation);
    ~WZEMPRocket() override;

    void OnClip(ZEEngineObject* other) override;
    // In flight the trail and the sound follow; after the explosion it is
    // removed from the engine 500 ms later.
    void Animate(uint32_t step, ZEEngine* engine) override;

    ZESoundReference* m_pSound = nullptr;   // owned; the flight sound, then the explosion's
    ZEParticleFX* m_pSmoke = nullptr;       // the engine's: the trail, then the explosion
    ZEVector m_vExhaust;                    // trail offset from the position
    uint32_t m_ulExplosionTime = 0;         // 0 in flight, else ms since it went off
    uint32_t m_ulFlightTime = 0;            // ms in flight

private:
    void BurnOut(ZEEngine* engine);
    void Extinguish(ZEEngine* engine);
};
