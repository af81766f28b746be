// WZOilPuddle: oil poured behind a car. A dark stain on the road, 35 across,
// whose sphere (radius 15) catches every car that drives through: the car
// loses its steering for a second (WZCar::OilHit). Rays and segments pass
// through it, so the computer drivers' look-out rays do not see it. It
// stays until the world is cleared.
#pragma once

#include "world/ZEEngineObject.h"

class ZEParticleMark;

class WZOilPuddle : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    // On the road (y 0) below `position`.
    explicit WZOilPuddle(const ZEVector& position);
    ~WZOilPuddle() override;

    // Nothing clips the puddle: every form answers false.
    bool Clips(const ZEBoundingVolume& volume) override;
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) override;
    bool Clips(const ZEVector& start, const ZEVector& offset) override;
    bool Clips(const ZEVector& start, const ZEVector& offset, ZEVector& point) override;
    bool Clips(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info) override;
    void OnClip(ZEEngineObject* other) override;
    void Render(ZERenderer* renderer, ZECamera* camera) override;
    // A car whose volume meets the puddle's sphere; never pushes.
    bool VolStaticInfluence(uint32_t step, ZEEngineObject* other) override;

    ZEParticleMark* m_pMark = nullptr;   // owned
};
