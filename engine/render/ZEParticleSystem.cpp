#include "render/ZEParticleSystem.h"

#include "core/ZEConsole.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEntityData.h"

#include <cmath>

namespace
{
// An alpha of 0..1 as a byte: x 255, truncated, low 8 bits; 0 for values
// no integer holds.
uint8_t AlphaByte(float alpha)
{
    float scaled = alpha * 255.0f;
    if (!(std::fabs(scaled) < 2147483648.0f))
        return 0;
    return static_cast<uint8_t>(static_cast<int32_t>(scaled));
}
}

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

ZEParticleFX::ZEParticleFX(const ZEVector& position, const void* data, uint16_t dataSize)
{
    m_Position = position;
    ZEEntityData block(static_cast<const uint8_t*>(data), dataSize);
    if (!block.Holds(ms_usEntityDataSize))
    {
        ZEConsole::Post("particles", ZEString::Format("ParticleFX data too short (%u of %u bytes)", dataSize,
                                                      ms_usEntityDataSize),
                        ZE_MSG_ERROR);
        return;
    }
    ReadEntityData(position, block);
}

void ZEParticleFX::ReadEntityData(const ZEVector& position, const ZEEntityData& block)
{
    SetData(position, block.Long(0), block.Float(40), block.Float(44), block.Long(4), block.Float(48),
            block.Float(52), block.Vector(28), block.U32(20), block.U32(24), AlphaByte(block.Float(56)),
            block.Float(60), block.Flag(67), block.Flag(68));
    if (block.Flag(64))
        SetRotation(ZEVector(static_cast<float>(block.Long(8)), static_cast<float>(block.Long(12)),
                             static_cast<float>(block.Long(16))));
    uint8_t color1[3], color2[3];
    block.Color(69, color1);
    block.Color(72, color2);
    if (block.Flag(65))
        SetColors(color1[0], color1[1], color1[2], color2[0], color2[1], color2[2]);
    else
        SetColor(color1[0], color1[1], color1[2]);
    if (block.Flag(66))
        SetForce(ZEVector(0.0f, -1.0f, 0.0f));
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
    // Not written yet: an empty body for now.
}

void ZEParticleFX::SpawnParticle(uint32_t)
{
    // Not written yet: an empty body for now.
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
