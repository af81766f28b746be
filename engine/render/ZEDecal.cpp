#include "render/ZEDecal.h"

#include "core/ZETimer.h"
#include "resources/ZETextureManager.h"

namespace
{
// Sphere volumes up to this are too small to be worth a culling test.
const float kSphereCullingVolume = 200.0f;

uint32_t GameTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetTime() : 0;
}
}

ZEDecal::ZEDecal()
    : m_ulCreationTime(GameTime())
{
}

ZEDecal::ZEDecal(const ZEVector&, const ZEVector& point, float, float, ZETextureReference* texture)
    : m_Position(point), m_pTexture(texture), m_ulCreationTime(GameTime())
{
    // The decals work item lays the rectangle's two triangles into the plane.
}

ZEDecal::ZEDecal(const ZEVector& position, ZEVertex* vertices, uint16_t count, ZETextureReference* texture)
    : m_Position(position),
      m_usNumVertices(vertices ? count : 0),
      m_pVertices(vertices),
      m_pTexture(texture),
      m_ulCreationTime(GameTime())
{
    FitSphere();
}

ZEDecal::~ZEDecal()
{
    delete[] m_pVertices;
    delete m_pTexture;
}

void ZEDecal::Render(ZERenderer*, ZECamera*)
{
    // Drawn by the decals work item.
}

void ZEDecal::SetColor(uint8_t r, uint8_t g, uint8_t b)
{
    m_aucColor[0] = r;
    m_aucColor[1] = g;
    m_aucColor[2] = b;
}

void ZEDecal::SetBlending(uint16_t source, uint16_t dest)
{
    m_usBlendSource = source;
    m_usBlendDest = dest;
}

void ZEDecal::SetFading(bool fading, uint32_t fadeTime)
{
    m_bFading = fading;
    m_ulFadeTime = fadeTime;
}

void ZEDecal::SetTexture(ZETextureReference* texture)
{
    if (texture == m_pTexture)
        return;
    delete m_pTexture;
    m_pTexture = texture;
}

void ZEDecal::FitSphere()
{
    if (m_usNumVertices > 0)
        m_BoundingSphere.UpdateVolume(m_pVertices, static_cast<uint32_t>(m_usNumVertices));
    m_bUseSphere = m_BoundingSphere.GetVolume() > kSphereCullingVolume;
}
