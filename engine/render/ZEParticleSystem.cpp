#include "render/ZEParticleSystem.h"

#include "core/ZEConsole.h"
#include "core/ZETimer.h"
#include "math/ZEMath.h"
#include "math/ZEMatrix.h"
#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"
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

uint32_t GameTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetTime() : 0;
}

ZETextureReference* EffectTexture(const char* name)
{
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    return textures ? textures->GetTexture(ZEString(name), ZEString("EngineSFX"), false, 1, true) : nullptr;
}

// X(x) * Y(y) * Z(z), in degrees.
ZEMatrix3x3 Rotation(float x, float y, float z)
{
    ZEMatrix3x3 rx, ry, rz;
    rx.XRotationMatrixDeg(x);
    ry.YRotationMatrixDeg(y);
    rz.ZRotationMatrixDeg(z);
    return rx * ry * rz;
}

// Emitters made at the same moment get different streams.
uint64_t g_ullEmitters = 0;
}

ZE_IMPLEMENT_ROOT_RTTI(ZEParticleSystem);
ZE_IMPLEMENT_RTTI(ZEParticleFX, ZEParticleSystem);

// ---------------------------------------------------------------------------
// ZEParticleSystem

ZEParticleSystem::ZEParticleSystem()
    : m_ulLastTime(GameTime())
{
}

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
    : m_ullRandom(ZEGetRandomState() ^ (++g_ullEmitters * 0xD1B54A32D192ED03ull))
{
    SetData(position, type, size, growth, spread, width, height, direction, interval, life, alpha,
            acceleration, fade, collide);
}

ZEParticleFX::ZEParticleFX(const ZEVector& position, const void* data, uint16_t dataSize)
    : m_ullRandom(ZEGetRandomState() ^ (++g_ullEmitters * 0xD1B54A32D192ED03ull))
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

void ZEParticleFX::Animate(ZECamera* camera)
{
    uint32_t now = GameTime();
    if (camera && camera->Culled(&m_BoundingSphere))
    {
        m_bCulled = true;
        m_ulLastTime = now;
        return;
    }
    float dt = static_cast<float>(now - m_ulLastTime) / 1000.0f;
    m_ulLastTime = now;

    if (m_bRotate)
        m_Direction = Rotation(dt * m_Rotation.x, dt * m_Rotation.y, dt * m_Rotation.z) * m_Direction;
    // At most one spawn a frame, however short the interval.
    if (now - m_ulLastSpawn >= m_ulInterval)
    {
        m_ulLastSpawn = now;
        SpawnParticle(now);
    }

    ZEEngine* engine = m_bCollide ? ZEEngine::ms_pEngine : nullptr;
    _ZEParticle** link = &m_pParticles;
    while (_ZEParticle* particle = *link)
    {
        uint32_t age = now - particle->m_ulSpawnTime;
        bool gone = age >= particle->m_ulLife;
        // The move of the previous frame, against the level.
        ZEVector moved = particle->m_Position - particle->m_OldPosition;
        _ZEClipInfo clip;
        if (!gone && engine && moved.GetLength() > 0.0f &&
            engine->RayClipsInWorld(particle->m_OldPosition, moved, clip) &&
            (clip.m_vPoint - particle->m_OldPosition).GetLength() < moved.GetLength())
        {
            engine->AddDecal(new ZEParticleMark(clip.m_Plane.m_vNormal, clip.m_vPoint, particle->m_fSize));
            gone = true;
        }
        if (gone)
        {
            *link = particle->m_pNext;
            delete particle;
            --m_ulNumParticles;
            continue;
        }

        particle->m_OldPosition = particle->m_Position;
        particle->m_Position += particle->m_Velocity * dt;
        ZEVector acceleration = m_bForce ? m_Force + particle->m_Acceleration : particle->m_Acceleration;
        particle->m_Velocity += acceleration * dt;
        particle->m_fSize += particle->m_fSize * m_fGrowth * dt;

        double t = static_cast<double>(age) / static_cast<double>(particle->m_ulLife);
        if (m_bFade)
            particle->m_aucColor[3] = static_cast<uint8_t>(static_cast<int32_t>((1.0 - t) * m_ucAlpha));
        if (m_bTwoColors)
            for (int c = 0; c < 3; ++c)
                particle->m_aucColor[c] = static_cast<uint8_t>(static_cast<int32_t>(m_aucColor1[c] * (1.0 - t)) +
                                                               static_cast<int32_t>(m_aucColor2[c] * t));
        link = &particle->m_pNext;
    }
    m_bCulled = false;
}

void ZEParticleFX::Render(ZERenderer* renderer, ZECamera*)
{
    // A kind without textures (outside 0-2) draws nothing.
    if (m_bCulled || !renderer || !m_pParticles || !m_apTextures[0])
        return;
    bool depthWrite = renderer->m_bZBufferWrite;
    if (depthWrite)
        renderer->SetZBufferState(false);
    renderer->EnableBlending();
    renderer->SetBlendingState(4, 1);
    for (_ZEParticle* particle = m_pParticles; particle; particle = particle->m_pNext)
    {
        const uint8_t* color = particle->m_aucColor;
        renderer->SetAmbient(color[0], color[1], color[2], color[3]);
        renderer->RenderParticle(particle->m_Position, particle->m_fSize, particle->m_fSize,
                                 m_apTextures[particle->m_ucTexture < 3 ? particle->m_ucTexture : 0]);
    }
    renderer->DisableBlending();
    if (depthWrite)
        renderer->SetZBufferState(true);
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
    ReleaseTextures();
    static const char* const kTextures[3][3] = {
        {"ball", nullptr, nullptr}, {"spark0", "spark1", "spark2"}, {"smoke0", "smoke1", "smoke2"}};
    if (type >= ms_lBall && type <= ms_lSmoke)
        for (int i = 0; i < 3; ++i)
            if (kTextures[type][i])
                m_apTextures[i] = EffectTexture(kTextures[type][i]);
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
    float reach = (direction * (1.5f * static_cast<float>(life) / 1000.0f)).GetLength();
    m_BoundingSphere.SetData(position, reach + std::sqrt(width * width + height * height));
    if (width != 0.0f || height != 0.0f)
        GetRightAndUpVector();
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
    ZEVector d = m_Direction.UnitVector();
    ZEVector a(std::fabs(d.x), std::fabs(d.y), std::fabs(d.z));
    int largest = a.y > a.x ? 1 : 0;
    if (a.z > (largest ? a.y : a.x))
        largest = 2;
    ZEVector right;
    if (a.x >= 0.9999f || a.y >= 0.9999f || a.z >= 0.9999f)
    {
        // Along an axis: the cross product would be degenerate.
        if (largest == 0)
            right = ZEVector(0.0f, 0.0f, d.x > 0.0f ? -1.0f : 1.0f);
        else if (largest == 1)
            right = ZEVector(0.0f, 0.0f, -1.0f);
        else
            right = ZEVector(d.z, 0.0f, 0.0f);
    }
    else
    {
        ZEVector axis(largest == 0 ? 1.0f : 0.0f, largest == 1 ? 1.0f : 0.0f, largest == 2 ? 1.0f : 0.0f);
        right = d.CrossProduct(axis);
    }
    ZEVector up = d.CrossProduct(right);
    right.Normalize();
    up.Normalize();
    m_Right = right;
    m_Up = up;
}

float ZEParticleFX::Spread()
{
    return static_cast<float>(ZERandM(m_ullRandom, 20000)) / 10000.0f - 1.0f;
}

void ZEParticleFX::SpawnParticle(uint32_t now)
{
    _ZEParticle* particle = new _ZEParticle;
    particle->m_Position = m_Position;
    if (m_fWidth != 0.0f || m_fHeight != 0.0f)
    {
        float across = Spread() * m_fWidth * 0.5f;
        float along = Spread() * m_fHeight * 0.5f;
        particle->m_Position += m_Right * across + m_Up * along;
    }
    particle->m_Velocity = m_Direction;
    if (m_lSpread != 0)
    {
        float spread = static_cast<float>(m_lSpread);
        float ax = spread * Spread();
        float ay = spread * Spread();
        float az = spread * Spread();
        particle->m_Velocity = Rotation(ax, ay, az) * m_Direction;
    }
    if (m_lType != ms_lBall)
        particle->m_ucTexture = static_cast<uint8_t>((ZERandM(m_ullRandom, 300) - 1) / 100);
    particle->m_Acceleration = particle->m_Velocity * m_fAcceleration;
    particle->m_fSize = m_fSize;
    particle->m_ulSpawnTime = now;
    particle->m_ulLife = m_ulLife;
    for (int c = 0; c < 3; ++c)
        particle->m_aucColor[c] = m_aucColor1[c];
    particle->m_aucColor[3] = m_ucAlpha;
    particle->m_OldPosition = particle->m_Position;
    AddParticle(particle);
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

namespace
{
// Two triangles of side `size` lying in the plane across `normal`.
ZEVertex* MarkSquare(const ZEVector& normal, const ZEVector& point, float size)
{
    ZEVector right, up;
    normal.GetRightAndUpVectors(right, up);
    ZEVector r = right * (size * 0.5f), u = up * (size * 0.5f);
    auto vertex = [](const ZEVector& p, float tu, float tv) { return ZEVertex{p.x, p.y, p.z, tu, tv}; };
    ZEVertex* vertices = new ZEVertex[6];
    vertices[0] = vertex(point + r + u, 0.0f, 0.0f);
    vertices[1] = vertex(point - r - u, 1.0f, 1.0f);
    vertices[2] = vertex(point + r - u, 0.0f, 1.0f);
    vertices[3] = vertices[0];
    vertices[4] = vertex(point - r + u, 1.0f, 0.0f);
    vertices[5] = vertices[1];
    return vertices;
}
}

ZEParticleMark::ZEParticleMark(const ZEVector& normal, const ZEVector& point, float size)
    : ZEDecal(point, MarkSquare(normal, point, size), 6, EffectTexture("ball"))
{
    // Zero and one minus the source colour: the mark darkens what lies under it.
    SetBlending(0, 3);
    SetLifetime(30000);
    SetFading(true, 1000);
}
