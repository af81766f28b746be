// WZPowerUp: a pickup floating above the track in the game types with
// powerups. It spins; a car that drives through takes it whatever the car
// holds, and gets its powerup only when it holds none. A taken pickup is
// gone for 25 s, then comes back with a new random type.
#pragma once

#include "world/ZEEngineObject.h"

#include <cstdint>

class WZPowerUp : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    // At the entity's position, 10 above the road, in a 10-unit box.
    explicit WZPowerUp(const ZEVector& position);
    ~WZPowerUp() override;

    void OnClip(ZEEngineObject* other) override;
    void Animate(uint32_t step, ZEEngine* engine) override;
    void RenderShadow(ZERenderer* renderer, ZECamera* camera, ZELight* lights, ZEShadowMethod method,
                      bool allLights) override;
    // Reports the contact only; never pushes.
    bool VolStaticInfluence(uint32_t step, ZEEngineObject* other) override;

    // Loads the model of the current type (or the hidden type's).
    void UpdateModel();

    // Network races hide the type: every pickup shows a question mark.
    static bool ms_bHideType;
    // The detail level below which pickups cast shadows.
    static uint32_t ms_ulDetail;

    int32_t m_lType = 0;
    uint32_t m_ulRespawnTime = 0;   // 0 available, else ms since taken
};
