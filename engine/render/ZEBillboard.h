// ZEBillboard: a flat sprite (tree, lamp) placed by a map's "Billboard"
// entity that turns towards the camera.
//
// What it does: a billboard is drawn as one camera-facing quad of m_fWidth
// x m_fHeight centred at its position: standing upright and turning about
// the vertical axis only, or facing the camera fully when m_bParticle. Its
// size, texture and opacity come from the entity's first polygon; the
// texture may carry a colour key (drawn with the alpha test). It is lit
// once, at its first drawing, by the light arriving at its position
// (ZEEngine::GetLightAtPosition into m_aucLight); moving it later does not
// change its colour. Without an engine to ask it keeps the light it has
// and asks again at the next drawing.
//
// Entity data block: 0 u8 particle style, 1 u8 colour key on, 2 u8
// collision on, 3 3 x u8 key colour.
//
// Ownership: the billboard owns its texture reference; its bounding volume
// is an axis-aligned box around the quad. The entity and its polygons are
// deleted once read; an entity without polygons gives a billboard of no
// size that draws untextured.
#pragma once

#include "world/ZEEngineObject.h"

#include <cstdint>

class ZECamera;
class ZECustomEntity;
class ZEPolygon;
class ZERenderer;
class ZETextureReference;

// The states a billboard draws with: blending (codes 4, 5) unless it is
// opaque without a colour key, and the alpha test with a colour key.
struct ZEBillboardStates
{
    bool m_bBlend;
    bool m_bAlphaTest;
};
ZEBillboardStates ZEBillboardStatesFor(uint8_t alpha, bool colorKey);

class ZEBillboard : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    static constexpr uint16_t ms_usDataSize = 6;

    // Builds the billboard from the entity and deletes the entity with its
    // polygons.
    explicit ZEBillboard(ZECustomEntity* entity);
    // Deletes the texture reference.
    ~ZEBillboard() override;

    // Nothing when the camera culls the box; otherwise the quad in the
    // light found at the first drawing, with the billboard's opacity.
    void Render(ZERenderer* renderer, ZECamera* camera) override;

    float m_fWidth = 0.0f;
    float m_fHeight = 0.0f;
    bool m_bParticle = false;
    bool m_bColorKey = false;
    uint8_t m_ucAlpha = 255;
    ZETextureReference* m_pTexture = nullptr;
    bool m_bLightComputed = false;
    uint8_t m_aucLight[3] = {0, 0, 0};

private:
    // Size from the polygon's first three vertices, its opacity, and its
    // texture (colour-keyed with `key` when the key is on).
    void TakeLookFrom(const ZEPolygon& polygon, const uint8_t* key);
    void ComputeLight();
};
