// Lights of the world: ambient, directional, point and spot, and the
// animated dynamic lights that maps place.
//
// A light has a kind (m_lType), a colour (0..1 per channel), a range and,
// for point and spot kinds, a position and a bounding sphere of that range
// around it; spot lights add a unit direction and a full cone angle. A
// point or spot light may carry a glow seen by the camera: a corona (one
// camera-facing sprite at the light) or a lens flare (a chain of sprites
// along the line from the screen centre through the light), chosen by
// m_lFlare: 0 none, 1-4 coronas, 21-24 lens flares.
//
// ZEDynamicLight is a point or spot light read from a map entity that
// animates its colour (pulse, flicker, colour fades) and is projected as a
// textured spot onto the surfaces around it.
//
// Ownership: a light owns its spot texture reference and its glow record.
// The engine's light list owns every light added to it (AddLightToWorld
// sets m_bInWorld); deleting a light that is still in the list unlinks it
// first. Lights are deleted through ZELight pointers, so the destructor is
// virtual; it follows GetRTTI and Animate so their order stays fixed.
#pragma once

#include "core/ZEObject.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEVector.h"

#include <cstdint>

class ZECamera;
class ZEEntityData;
class ZEPlane;
class ZETextureReference;

// Light kinds (m_lType).
enum ZELightType : int32_t
{
    ZE_LIGHT_NONE = -1,
    ZE_LIGHT_AMBIENT = 0,
    ZE_LIGHT_DIRECTIONAL = 1,
    ZE_LIGHT_POINT = 2,
    ZE_LIGHT_SPOT = 3,
    ZE_LIGHT_DYNAMIC_POINT = 4,
    ZE_LIGHT_DYNAMIC_SPOT = 5
};

// One sprite of a lens flare.
struct _Flare
{
    uint16_t m_usTexture = 0;    // index into the flare's textures
    float m_fPosition = 0.0f;    // 1 at the light, 0 at the screen centre, < 0 beyond
    float m_fSize = 0.0f;
    uint8_t m_aucColor[4] = {0, 0, 0, 0};   // red, green, blue and one more byte
};

// The common head of the two glow records: which of them it is.
class ZELightFlare
{
public:
    static constexpr uint32_t ms_ulCorona = 0;
    static constexpr uint32_t ms_ulLensFlare = 1;

    explicit ZELightFlare(uint32_t kind) : m_ulKind(kind) {}
    virtual ~ZELightFlare() = default;

    ZELightFlare(const ZELightFlare&) = delete;
    ZELightFlare& operator=(const ZELightFlare&) = delete;

    uint32_t m_ulKind;
};

class ZELightCorona : public ZELightFlare
{
public:
    // Takes the texture reference. The fade start lies 2 s back, so a corona
    // that is hidden from the start never shows.
    ZELightCorona(ZETextureReference* texture, uint8_t r, uint8_t g, uint8_t b, uint8_t a);
    ~ZELightCorona() override;

    uint32_t m_ulFadeStart;
    uint8_t m_aucColor[4];
    ZETextureReference* m_pTexture;
};

class ZELensFlare : public ZELightFlare
{
public:
    // Takes both new[]-allocated arrays and every texture reference in them.
    ZELensFlare(_Flare* flares, uint16_t numFlares, ZETextureReference** textures, uint16_t numTextures);
    ~ZELensFlare() override;

    // Sets one element; an index beyond the elements changes nothing.
    void SetFlare(uint16_t index, float position, float size, uint8_t r, uint8_t g, uint8_t b);

    uint16_t m_usNumFlares;
    _Flare* m_pFlares;
    uint16_t m_usNumTextures;
    ZETextureReference** m_ppTextures;
};

class ZELight
{
    ZE_DECLARE_ROOT_RTTI
public:
    // The light changes with elapsed game milliseconds; still for plain
    // lights.
    virtual void Animate(uint32_t elapsed);
    // Unlinks the light from the engine's list when it is in it; deletes
    // the spot texture and the glow record.
    virtual ~ZELight();

    // No light (kind -1, colour 0).
    ZELight();
    // Ambient; every colour component = intensity.
    explicit ZELight(float intensity);
    // Directional; the direction is normalised.
    ZELight(const ZEVector& direction, float intensity);
    // Point light with its glow kind.
    ZELight(const ZEVector& position, float intensity, float range, bool attenuation, int32_t flare);
    // Spot light; the direction is normalised, the cone is the full angle in
    // degrees.
    ZELight(const ZEVector& position, float intensity, float range, const ZEVector& direction,
            uint16_t coneAngle, bool attenuation, int32_t flare);

    ZELight(const ZELight&) = delete;
    ZELight& operator=(const ZELight&) = delete;

    // Builds the glow record for m_lFlare (none for other kinds).
    void InitFlare();
    // Spot kinds only: whether the point lies within half the cone plus
    // 3.5 degrees of tolerance, in front of the light. The second form also
    // gives the angle off the axis in degrees.
    bool IsInSpotlight(const ZEVector& point) const;
    bool IsInSpotlight(const ZEVector& point, float& angle) const;

    int32_t m_lType = ZE_LIGHT_NONE;
    int32_t m_lFlare = 0;
    ZEVector m_vPosition;
    float m_fRange = 0.0f;
    float m_afColor[3] = {0.0f, 0.0f, 0.0f};
    uint8_t m_ucAlpha = 255;
    bool m_bAttenuation = false;
    ZEVector m_vDirection;
    uint16_t m_usConeAngle = 0;
    ZETextureReference* m_pTexture = nullptr;
    ZEBoundingSphere m_BoundingSphere;
    ZELightFlare* m_pFlare = nullptr;
    ZELight* m_pNext = nullptr;
    bool m_bInWorld = false;

protected:
    void SetColor(float intensity);
    void SetSphere();
};

class ZEDynamicLight : public ZELight
{
    ZE_DECLARE_RTTI
public:
    // The "DynamicLight" entity data block, little-endian and unaligned:
    //   0 u32 spot flag (type 5, else 4)   4 u32 mode   8 u32 flare kind
    //   12 u32 period (ms)   16 range   20 alpha (0..1, x 255 truncated)
    //   24 direction (3 floats, normalised)   36 u8 attenuation
    //   37 u16 cone angle   39, 42, 45 colours 1, 2, 3 (RGB bytes)
    static constexpr uint16_t ms_usEntityDataSize = 48;

    // Reads the map's dynamic-light record of `dataSize` bytes; a record
    // too short for its fields is reported and leaves the light dark.
    ZEDynamicLight(const ZEVector& position, const void* entityData, uint16_t dataSize);
    // Pulse, flicker or colour fade by m_lMode.
    void Animate(uint32_t elapsed) override;
    // The glow record lives once, in m_pFlare or (while a flickering light
    // is dark) in m_pSavedFlare.
    ~ZEDynamicLight() override;

    int32_t m_lMode = 0;
    uint32_t m_ulPeriod = 0;
    uint32_t m_ulPhaseStart = 0;
    int8_t m_cState = 0;
    ZELightFlare* m_pSavedFlare = nullptr;
    float m_fBaseRange = 0.0f;
    uint8_t m_ucBaseAlpha = 255;
    uint8_t m_aucColor1[3] = {0, 0, 0};
    uint8_t m_aucColor2[3] = {0, 0, 0};
    uint8_t m_aucColor3[3] = {0, 0, 0};
    // The light's own stream of random draws (seeded from its position),
    // so flickering never moves the game's sequence and a race runs the
    // same however many frames are drawn.
    uint64_t m_ullRandomState = 0;

private:
    void ReadEntityData(const ZEEntityData& data);
    // The colour `f` of the way from `from` to `to` (bytes), as 0..1.
    void SetColorBetween(const uint8_t* from, const uint8_t* to, float f);
    // The modes' steps; `phaseOver` when the period has run out.
    void Pulse(bool phaseOver, float share);
    void Flicker();
    void Cycle(bool phaseOver, float share);
    void ColorCorona();
};

// ---------------------------------------------------------------------------
// The decisions of the light passes, apart from the renderer so they run
// without a display.

// A corona's size: grows with distance up to a quarter of the corona
// distance, 16 units beyond.
float ZECoronaSize(float distance, float coronaDist, float coronaScale);

// The colour a corona is drawn with at game time `now`. A visible corona
// shows its own colour and restarts its fade; a hidden one (blocked or too
// far) fades out over 2 s from its last visible moment and is then not
// drawn (false).
bool ZECoronaColor(ZELightCorona& corona, uint32_t now, bool hidden, uint8_t* rgba);

// The screen line of a lens flare: `centre` is the screen centre on a plane
// one unit beyond the near plane, `axis` runs from there to the light on
// that plane. False (no flare) unless the light lies within about 56.6
// degrees of the view direction.
bool ZELensFlareLine(const ZECamera& camera, const ZEVector& light, ZEVector& centre, ZEVector& axis);

// Where a dynamic light's spot falls on a plane (below a point light,
// along a spot light's axis and inside its cone) and the light's height
// above the plane; false when the light does not reach it.
bool ZELightSpotOnPlane(const ZELight& light, const ZEPlane& plane, ZEVector& spot, float& height);

// How the spot is drawn from a light at `height` over the surface: texture
// units per world unit and the colour with alpha, dimmed by height when the
// light fades with distance.
struct ZELightSpotShade
{
    float m_fTexScale;
    uint8_t m_aucColor[4];
};
ZELightSpotShade ZELightSpotShading(const ZELight& light, float height);
