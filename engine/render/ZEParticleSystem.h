// Particle systems: emitters that spawn small camera-facing sprites.
//
// ZEParticleSystem is the abstract base: an emitter position, an optional
// extra force on every particle, a bounding sphere that holds every live
// particle (for view culling) and the particle list. ZEParticleFX is the one
// concrete emitter: at a fixed interval it spawns a particle (at most one a
// frame), moves every particle with a simple integrator, grows, fades or
// tints it over its life, and draws the particles additively. A particle
// that flies into the level may leave a ZEParticleMark, a small decal.
//
// Ownership: a system owns its particles (allocated one at a time, kept in
// a singly linked list walked from the head, appended at the tail) and its
// texture references. The world owns every system handed to
// ZEEngine::AddParticleSystem, animates it once a frame and draws it after
// the decals; systems are deleted through ZEParticleSystem pointers.
//
// Emitters come from the game's effects (all parameters given) and from the
// map's "ParticleFX" entities (a little-endian data block; a block shorter
// than the record is refused and the emitter stays empty).
//
// Time is game time from the engine's timer. A system's clock starts when it
// is made, so its first Animate moves particles by one frame's time, not by
// the whole game time so far. The particles are only ever drawn (the world
// animates them only while drawing), so their random draws come from each
// emitter's own stream of the engine's generator, seeded from the game's
// generator without drawing from it: a race runs the same with drawing on
// or off. A kind outside 0-2 has no textures: it animates like any other
// but draws nothing.
#pragma once

#include "core/ZEObject.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEVector.h"
#include "render/ZEDecal.h"

#include <cstdint>

class ZECamera;
class ZEEntityData;
class ZERenderer;
class ZETextureReference;

// One particle; the system allocates and owns it.
struct _ZEParticle
{
    ZEVector m_Position;       // the sprite is drawn centred here
    ZEVector m_OldPosition;    // before the last move
    ZEVector m_Velocity;       // units per second
    ZEVector m_Acceleration;   // units per second squared
    float m_fSize = 0.0f;      // sprite width and height
    uint32_t m_ulSpawnTime = 0;
    uint32_t m_ulLife = 0;     // ms
    uint8_t m_aucColor[4] = {0, 0, 0, 0};
    uint8_t m_ucTexture = 0;   // 0-2, into the emitter's textures
    _ZEParticle* m_pNext = nullptr;
};

class ZEParticleSystem
{
    ZE_DECLARE_ROOT_RTTI
public:
    // Starts the clock at the game time now.
    ZEParticleSystem();
    // Deletes every particle.
    virtual ~ZEParticleSystem();

    // Once a frame in the render phase: spawn, move and age the particles.
    virtual void Animate(ZECamera*) {}
    virtual void Render(ZERenderer*, ZECamera*) {}
    virtual void MoveToPosition(const ZEVector&) {}

    ZEParticleSystem(const ZEParticleSystem&) = delete;
    ZEParticleSystem& operator=(const ZEParticleSystem&) = delete;

    // Adds the force to every particle's acceleration from now on.
    void SetForce(const ZEVector& force);
    ZEVector GetForce() const { return m_Force; }

    // Takes the particle and appends it at the tail.
    void AddParticle(_ZEParticle* particle);
    // Unlinks and deletes the particle; one not in the list is left alone
    // (and not deleted).
    void RemoveParticle(_ZEParticle* particle);
    // Deletes every particle.
    void Free();

    ZEVector m_Position;
    ZEVector m_Force;
    bool m_bForce = false;
    bool m_bCulled = false;
    uint32_t m_ulLastTime = 0;
    uint32_t m_ulLastSpawn = 0;
    ZEBoundingSphere m_BoundingSphere;
    uint32_t m_ulNumParticles = 0;
    _ZEParticle* m_pParticles = nullptr;
    ZEParticleSystem* m_pNext = nullptr;
};

class ZEParticleFX : public ZEParticleSystem
{
    ZE_DECLARE_RTTI
public:
    // Kinds of sprite (m_lType), each with its textures from "EngineSFX".
    static constexpr int32_t ms_lBall = 0;     // "ball"
    static constexpr int32_t ms_lSparks = 1;   // "spark0" .. "spark2"
    static constexpr int32_t ms_lSmoke = 2;    // "smoke0" .. "smoke2"

    // The "ParticleFX" entity data block, little-endian and unaligned:
    //   0 i32 kind   4 i32 spread   8 3 x i32 turning speeds (deg/s)
    //   20 u32 interval   24 u32 life   28 direction (3 floats)   40 size
    //   44 growth   48 width   52 height   56 alpha (0..1)   60 acceleration
    //   64 turning on   65 two colours on   66 gravity on   67 fade on
    //   68 collide on   69 colour 1 (RGB)   72 colour 2 (RGB)
    static constexpr uint16_t ms_usEntityDataSize = 75;

    ZEParticleFX(const ZEVector& position, int32_t type, float size, float growth, int32_t spread,
                 float width, float height, const ZEVector& direction, uint32_t interval, uint32_t life,
                 uint8_t alpha, float acceleration, bool fade, bool collide);
    // From a map entity's data block of `dataSize` bytes; a shorter block
    // is reported and the emitter stays empty.
    ZEParticleFX(const ZEVector& position, const void* data, uint16_t dataSize);
    // Deletes the particles and the texture references.
    ~ZEParticleFX() override;

    void Animate(ZECamera* camera) override;
    void Render(ZERenderer* renderer, ZECamera* camera) override;
    // Moves the emitter and re-centres the sphere; live particles stay.
    void MoveToPosition(const ZEVector& position) override;

    // Releases the textures held, loads those of the kind, stores every
    // argument and resets turning and colours (black, one colour).
    void SetData(const ZEVector& position, int32_t type, float size, float growth, int32_t spread,
                 float width, float height, const ZEVector& direction, uint32_t interval, uint32_t life,
                 uint8_t alpha, float acceleration, bool fade, bool collide);
    // Degrees per second about x, y and z; switches turning on.
    void SetRotation(const ZEVector& rotation);
    // Colour 1 only.
    void SetColor(uint8_t r, uint8_t g, uint8_t b);
    // Colour at spawn and at the end of life; switches two colours on.
    void SetColors(uint8_t r1, uint8_t g1, uint8_t b1, uint8_t r2, uint8_t g2, uint8_t b2);

    // Unit vectors across the direction, spanning the spawn rectangle.
    void GetRightAndUpVector();
    void SpawnParticle(uint32_t now);

    int32_t m_lType = ms_lBall;
    float m_fSize = 0.0f;
    float m_fGrowth = 0.0f;
    float m_fAcceleration = 0.0f;
    ZEVector m_Direction;
    ZEVector m_Right;
    ZEVector m_Up;
    uint32_t m_ulInterval = 0;
    uint32_t m_ulLife = 0;
    bool m_bTwoColors = false;
    bool m_bFade = false;
    bool m_bCollide = false;
    bool m_bRotate = false;
    uint8_t m_ucAlpha = 0;
    uint8_t m_aucColor1[3] = {0, 0, 0};
    uint8_t m_aucColor2[3] = {0, 0, 0};
    int32_t m_lSpread = 0;
    float m_fWidth = 0.0f;
    float m_fHeight = 0.0f;
    ZEVector m_Rotation;
    ZETextureReference* m_apTextures[3] = {nullptr, nullptr, nullptr};

private:
    void ReleaseTextures();
    // rnd() of the spawn: -1 (exclusive) to 1, in steps of 1/10000.
    float Spread();
    uint64_t m_ullRandom = 0;
    void ReadEntityData(const ZEVector& position, const ZEEntityData& block);
};

// The mark a colliding particle leaves: a square decal of side `size` in the
// hit surface that darkens what lies under it for 30 s.
class ZEParticleMark : public ZEDecal
{
public:
    ZEParticleMark(const ZEVector& normal, const ZEVector& point, float size);
};
