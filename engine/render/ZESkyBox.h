// ZESkyBox: the sky, placed by a map's "SkyBox" entity.
//
// What it does: the sky box takes over the entity's polygons and models
// them around the origin (every vertex minus the box's position), so drawing
// it translated to the camera keeps it centred on the eye at any distance.
// It may turn slowly: m_vRotationSpeed in degrees per second about x, y and
// z; the terrain advances the engine object's m_vRotation, and the box is
// rotated only when some speed is not zero (m_bRotate, decided once from
// the speeds' bit patterns). The terrain keeps the sky box and draws it
// first in each frame, before the depth buffer is cleared. Its textures are
// clamped so the six sides meet without a seam.
//
// A box reaching beyond the camera's far plane is drawn shrunk about the eye
// to fit within it: seen from its centre a box looks the same at any size,
// while the far plane would cut its corners away.
//
// Entity data block (little-endian): 0 3 floats rotation speeds, 12 float
// height offset (subtracted from the position's y), 16 u8 keep lightmaps.
//
// Ownership: the sky box owns its polygons and deletes them with itself.
// It refuses nothing: a missing entity gives a box that draws nothing.
#pragma once

#include "math/ZEVector.h"
#include "world/ZEEngineObject.h"

#include <cstdint>

class ZECamera;
class ZECustomEntity;
class ZEPolygon;
class ZERenderer;

// The scale that brings a box whose farthest vertex lies `reach` from its
// centre within 0.95 of the far plane `zFar`: 1 when it already lies
// within (or either value is not positive), less than 1 otherwise.
float ZESkyBoxFit(float reach, float zFar);

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
    // Distance of the farthest vertex from the box's centre.
    float m_fReach = 0.0f;
};
