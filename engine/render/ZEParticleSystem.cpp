#include "render/ZEParticleSystem.h"

#include "resources/ZETextureManager.h"

ZE_IMPLEMENT_ROOT_RTTI(ZEParticleSystem);
ZE_IMPLEMENT_RTTI(ZEParticleFX, ZEParticleSystem);

// ---------------------------------------------------------------------------
// ZEParticleSystem

ZEParticleSystem::~ZEParticleSystem()
{
    Free();
}

void ZEParticleSystem::SetForce(const ZEVector& force)
{
    m_Force = force;
    m_bForce = true;
}

void ZEParticleSystem::AddParticle(_ZEParticle* particle)
{
    if (!particle)
        return;
    particle->m_pNext = nullptr;
    _ZEParticle** link = &m_pParticles;
    while (*link)
        link = &(*link)->m_pNext;
    *link = particle;
    ++m_ulNumParticles;
}

void ZEParticleSystem::RemoveParticle(_ZEParticle* particle)
{
    for (_ZEParticle** link = &m_pParticles; *link; link = &(*link)->m_pNext)
    {
        if (*link != particle)
            continue;
        *link = particle->m_pNext;
        delete particle;
        --m_ulNumParticles;
        return;
    }
}

void ZEParticleSystem::Free()
{
    while (m_pParticles)
    {
        _ZEParticle* particle = m_pParticles;
        m_pParticles = particle->m_pNext;
        delete particle;
    }
    m_ulNumParticles = 0;
}

// ---------------------------------------------------------------------------
// ZEParticleFX

ZEParticleFX::ZEParticleFX(const ZEVector& position, int32_t type, float size, float growth, int32_t spread,
                           float width, float height, const ZEVector& direction, uint32_t interval,
                           uint32_t life, uint8_t alpha, float acceleration, bool fade, bool collide)
{
    SetData(position, type, size, growth, spread, width, height, direction, interval, life, alpha,
            acceleration, fade, collide);
}

ZEParticleFX::ZEParticleFX(const ZEVector& position, const void*, uint16_t)
{
    // The particles work item reads the entity block; until then the emitter
    // sits at its place and spawns nothing.
    m_Position = position;
}

ZEParticleFX::~ZEParticleFX()
{
    ReleaseTextures();
}

void ZEParticleFX::Animate(ZECamera*)
{
    // Spawning and moving the particles is written by the particles work item.
}

void ZEParticleFX::Render(ZERenderer*, ZECamera*)
{
    // Drawing the particles is written by the particles work item.
}

void ZEParticleFX::MoveToPosition(const ZEVector& position)
{
    m_Position = position;
    m_BoundingSphere.SetCenter(position);
}

void ZEParticleFX::SetData(const ZEVector& position, int32_t type, float size, float growth, int32_t spread,
                           float width, float height, const ZEVector& direction, uint32_t interval,
                           uint32_t life, uint8_t alpha, float acceleration, bool fade, bool collide)
{
    // Loading the kind's textures, fitting the sphere and the spawn
    // rectangle's axes are added by the particles work item.
    ReleaseTextures();
    m_Position = position;
    m_lType = type;
    m_fSize = size;
    m_fGrowth = growth;
    m_lSpread = spread;
    m_fWidth = width;
    m_fHeight = height;
    m_Direction = direction;
    m_ulInterval = interval;
    m_ulLife = life;
    m_ucAlpha = alpha;
    m_fAcceleration = acceleration;
    m_bFade = fade;
    m_bCollide = collide;
    m_bTwoColors = false;
    m_bRotate = false;
    SetColor(0, 0, 0);
    for (uint8_t& channel : m_aucColor2)
        channel = 0;
}

void ZEParticleFX::SetRotation(const ZEVector& rotation)
{
    m_Rotation = rotation;
    m_bRotate = true;
}

void ZEParticleFX::SetColor(uint8_t r, uint8_t g, uint8_t b)
{
    m_aucColor1[0] = r;
    m_aucColor1[1] = g;
    m_aucColor1[2] = b;
}

void ZEParticleFX::SetColors(uint8_t r1, uint8_t g1, uint8_t b1, uint8_t r2, uint8_t g2, uint8_t b2)
{
    SetColor(r1, g1, b1);
    m_aucColor2[0] = r2;
    m_aucColor2[1] = g2;
    m_aucColor2[2] = b2;
    m_bTwoColors = true;
}

void ZEParticleFX::GetRightAndUpVector()
{
    // Written by the particles work item.
}

void ZEParticleFX::SpawnParticle(uint32_t)
{
    // Written by the particles work item.
}

void ZEParticleFX::ReleaseTextures()
{
    for (ZETextureReference*& texture : m_apTextures)
    {
        delete texture;
        texture = nullptr;
    }
}

// ---------------------------------------------------------------------------
// ZEParticleMark

ZEParticleMark::ZEParticleMark(const ZEVector& normal, const ZEVector& point, float size)
    : ZEDecal(normal, point, size, size, nullptr)
{
    // The particles work item gives the mark its "ball" texture.
    SetBlending(0, 3);
}
