// ZESkyBox: the sky, placed by a map's "SkyBox" entity.
//
// The sky box takes over the entity's polygons and models them around the
// origin (every vertex minus the box's position), so drawing it translated
// to the camera keeps it centred on the eye at any distance. It may turn
// slowly: m_vRotationSpeed in degrees per second about x, y and z; the
// terrain advances the engine object's m_vRotation, and the box is rotated
// only when some speed is not zero (m_bRotate). The terrain keeps the sky
// box and draws it first in each frame, before the depth buffer is
// cleared.
//
// Entity data block (little-endian): 0 3 floats rotation speeds, 12 float
// height offset (subtracted from the position's y), 16 u8 keep lightmaps.
//
// Ownership: the sky box owns its polygons.
#pragma once

#include "math/ZEVector.h"
#include "world/ZEEngineObject.h"

#include <cstdint>

class ZECamera;
class ZECustomEntity;
class ZEPolygon;
class ZERenderer;

class ZESkyBox : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    static constexpr uint16_t ms_usDataSize = 17;

    // Builds the sky box from the entity and deletes the entity.
    explicit ZESkyBox(ZECustomEntity* entity);
    // Deletes the polygons.
    ~ZESkyBox() override;

    // Centred on the camera, turned when m_bRotate, full brightness.
    void Render(ZERenderer* renderer, ZECamera* camera) override;

    // Clamped textures with the renderer's default filter, vertices around
    // the origin, lightmaps dropped unless kept.
    void TranslateData(bool keepLightmaps);

    ZEPolygon* m_pPolygons = nullptr;
    ZEVector m_vRotationSpeed;
    bool m_bRotate = false;
};
