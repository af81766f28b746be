// WZEMPMine: a mine dropped behind a car. It falls, takes the tilt of the
// ground it lands on and lies there armed. The first car to touch it gets
// an EMP hit (engine dead for 3 s): the mine goes off once - blue sparks
// for half a second and the EMP sound - and stays in the world inert,
// without model or volume, until the world is cleared.
#pragma once

#include "world/ZEEngineObject.h"

#include <cstdint>

class ZEParticleFX;
class ZESoundReference;

class WZEMPMine : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    explicit WZEMPMine(const ZEVector& position);
    ~WZEMPMine() override;

    void OnClip(ZEEngineObject* other) override;
    // Removes the explosion from the engine 500 ms after it began.
    void Animate(uint32_t step, ZEEngine* engine) override;

    ZESoundReference* m_pSound = nullptr;     // owned
    ZEParticleFX* m_pExplosion = nullptr;     // the engine's; null once removed
    uint32_t m_ulExplosionTime = 0;           // 0 armed, else ms since it went off
};
