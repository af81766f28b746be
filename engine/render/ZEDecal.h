// ZEDecal: a textured patch laid onto the level's surfaces for a while.
//
// A dynamic decal (tyre mark, oil stain, the mark of a particle or an
// explosion) is a list of triangles - three ZEVertex records each - with a
// texture, a colour and alpha, blend factor codes, and a lifetime in game
// milliseconds counted from its creation. During the last m_ulFadeTime
// milliseconds of its lifetime its colour and alpha fall linearly to 0.
//
// Ownership: a decal owns its vertex array (new[]) and its texture
// reference. Whoever makes decals hands them to ZEEngine::AddDecal, which
// owns them from then on (or deletes them at once while decals are off),
// draws them with polygon offset, and deletes them when their lifetime is
// over or the count cap pushes them out. Several decals made together form
// a chain through m_pNext; the maker returns the first. The destructor never
// follows m_pNext.
//
// Culling: m_BoundingSphere is fitted to the vertices; the world culls a
// decal by it only when m_bUseSphere (sphere volume above 200), otherwise by
// distance alone, measured from m_Position.
//
// Subclasses (particle marks, skid marks) are deleted through ZEDecal
// pointers, so the destructor is virtual.
//
// ZEStaticDecal is the other kind: polygons a map places as a "Decal"
// entity, a world object that never expires. It owns its polygons.
#pragma once

#include "math/ZEBoundingVolume.h"
#include "math/ZEVector.h"
#include "math/ZEVertex.h"
#include "world/ZEEngineObject.h"

#include <cstdint>

class ZECamera;
class ZECustomEntity;
class ZEPolygon;
class ZERenderer;
class ZETextureReference;

class ZEDecal
{
public:
    // Defaults only: no vertices, no texture; created now.
    ZEDecal();
    // A width x height rectangle centred on `point` in the plane across
    // `normal` (six vertices, two triangles, the texture once across it);
    // takes the texture reference.
    ZEDecal(const ZEVector& normal, const ZEVector& point, float width, float height,
            ZETextureReference* texture);
    // Takes the new[]-allocated triangle list and the texture reference;
    // `position` is the point the world measures the distance from.
    ZEDecal(const ZEVector& position, ZEVertex* vertices, uint16_t count, ZETextureReference* texture);

    ZEDecal(const ZEDecal&) = delete;
    ZEDecal& operator=(const ZEDecal&) = delete;

    // Draws the triangles with the fading colour; the world has already
    // switched decaling on and tested sphere and distance.
    virtual void Render(ZERenderer* renderer, ZECamera* camera);
    // Frees the vertex array and the texture reference; leaves m_pNext.
    virtual ~ZEDecal();

    void SetLifetime(uint32_t milliseconds) { m_ulLifetime = milliseconds; }
    void SetAlpha(uint8_t alpha) { m_ucAlpha = alpha; }
    void SetColor(uint8_t r, uint8_t g, uint8_t b);
    void SetBlending(uint16_t source, uint16_t dest);
    // A fade time of 0 keeps the full colour to the end of the lifetime.
    // The flag is only kept: drawing fades whenever the fade time is not 0
    // (the one maker that clears the flag also passes a fade time of 0).
    void SetFading(bool fading, uint32_t fadeTime);
    // Holds a reference of its own to the texture `texture` refers to (none
    // for a null, empty or stale one) in place of the one held; `texture`
    // stays the caller's, so passing the reference already held is safe.
    void SetTexture(const ZETextureReference* texture);

    ZEDecal* m_pNext = nullptr;
    uint8_t m_ucAlpha = 255;
    uint8_t m_aucColor[3] = {255, 255, 255};
    bool m_bFading = true;      // kept, never read (see SetFading)
    uint32_t m_ulFadeTime = 1000;
    ZEVector m_Position;
    uint16_t m_usNumVertices = 0;
    ZEVertex* m_pVertices = nullptr;
    ZETextureReference* m_pTexture = nullptr;
    ZEBoundingSphere m_BoundingSphere;
    bool m_bUseSphere = false;
    uint16_t m_usBlendSource = 4;
    uint16_t m_usBlendDest = 5;
    uint32_t m_ulCreationTime = 0;
    uint32_t m_ulLifetime = 30000;

protected:
    // Fits the sphere to the vertices and decides whether it is used.
    void FitSphere();
};

// A map's "Decal" entity: its polygons drawn over the level with polygon
// offset, in one colour, blended when any is transparent or the textures
// carry a colour key. Entity data block: 0 u8 keep lightmaps (0 removes
// them), 1 u8 colour key on, 2 key colour (RGB), 5 colour (RGB).
class ZEStaticDecal : public ZEEngineObject
{
public:
    static constexpr uint16_t ms_usDataSize = 8;

    // Takes the entity's polygons and deletes the entity. With the colour
    // key every polygon gets the first polygon's texture, keyed.
    explicit ZEStaticDecal(ZECustomEntity* entity);
    // Deletes every polygon.
    ~ZEStaticDecal() override;

    // Every polygon in list order, unless the camera culls the volume.
    void Render(ZERenderer* renderer, ZECamera* camera) override;

    bool m_bColorKey = false;
    uint8_t m_aucColor[3] = {255, 255, 255};
    ZEPolygon* m_pPolygons = nullptr;

private:
    void ShareKeyedTexture(const uint8_t* key);
};
