// Track props: barriers and road signs, built from the map's "Barrier" and
// "RoadSign" entities (track/WZTrackRecords.h gives their blocks).
//
// A barrier is an invisible one-sided wall that keeps cars on the track: a
// car on the front side of its plane, touching its box, is put back onto
// the plane; one coming from behind drives through. Rays, segments and
// every other object pass through barriers.
//
// A road sign stands until something hits it; then it flies up, tumbles
// (a turn a second about its x axis) and stops turning when it touches the
// level or after 10 s, lying where it fell.
#pragma once

#include "math/ZEPlane.h"
#include "world/ZEEngineObject.h"

#include <cstdint>

class WZBarrier : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    // A box around all of the entity's polygons, the plane of the first.
    // The entity stays the caller's; it must carry a polygon.
    explicit WZBarrier(const ZECustomEntity& entity);
    ~WZBarrier() override;

    bool Clips(const ZEBoundingVolume& volume) override;
    // True while the volume touches the box and the plane; reports the plane.
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) override;
    bool Clips(const ZEVector& start, const ZEVector& offset) override;
    bool Clips(const ZEVector& start, const ZEVector& offset, ZEVector& point) override;
    bool Clips(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info) override;
    // Puts a car on the front side back onto the plane.
    bool VolStaticInfluence(uint32_t step, ZEEngineObject* other) override;

    ZEPlane m_Plane;
};

class WZRoadSign : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    // The model of the block's type at the entity's origin, turned by its
    // heading and scaled by 2.
    WZRoadSign(const ZECustomEntity& entity, uint32_t type, float heading);
    ~WZRoadSign() override;

    void OnClip(ZEEngineObject* other) override;
    void Animate(uint32_t step, ZEEngine* engine) override;
    // A car pushes the sign like a free body.
    bool VolStaticInfluence(uint32_t step, ZEEngineObject* other) override;

    // The model file of a sign type.
    static const char* ModelOf(uint32_t type);

    uint32_t m_ulTumbleTime = 0;   // 0 standing or lying; else ms since the hit + 1

private:
    void FitBox();
};
