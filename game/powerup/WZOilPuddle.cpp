#include "powerup/WZOilPuddle.h"

#include "car/WZCar.h"
#include "math/ZEBoundingVolume.h"
#include "render/ZEParticleSystem.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"

ZE_IMPLEMENT_RTTI(WZOilPuddle, ZEEngineObject);

namespace
{
const float kStainSize = 35.0f;
const float kReach = 15.0f;
const uint32_t kStainLife = 9999999;
}

WZOilPuddle::WZOilPuddle(const ZEVector& position)
{
    m_vPosition = m_vOldPosition = ZEVector(position.x, 0.0f, position.z);
    m_pMark = new ZEParticleMark(ZEVector(0.0f, 1.0f, 0.0f), m_vPosition, kStainSize);
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    if (textures)
        m_pMark->SetTexture(textures->GetTexture(ZEString("oil"), ZEString("racing"), false));
    LayStain();
    m_pMark->SetLifetime(kStainLife);
    m_pMark->SetFading(false, 0);
    m_pBoundingVolume = new ZEBoundingSphere(m_vPosition, kReach);
}

// The stain is a flat square on the road, centred on the puddle; laid here
// when the mark brings no triangles of its own.
void WZOilPuddle::LayStain()
{
    if (m_pMark->m_usNumVertices != 0)
        return;
    const float h = kStainSize * 0.5f;
    // Wound as the tyre marks are, so the face turns up to the camera.
    const float corners[6][4] = {{-h, -h, 0, 0}, {h, h, 1, 1},  {h, -h, 1, 0},
                                 {-h, -h, 0, 0}, {-h, h, 0, 1}, {h, h, 1, 1}};
    m_pMark->m_pVertices = new ZEVertex[6];
    m_pMark->m_usNumVertices = 6;
    for (int i = 0; i < 6; ++i)
        m_pMark->m_pVertices[i] = ZEVertex{m_vPosition.x + corners[i][0], 0.0f, m_vPosition.z + corners[i][1],
                                           corners[i][2], corners[i][3]};
}

WZOilPuddle::~WZOilPuddle()
{
    delete m_pMark;
    m_pMark = nullptr;
}

bool WZOilPuddle::Clips(const ZEBoundingVolume&) { return false; }
bool WZOilPuddle::Clips(const ZEBoundingVolume&, ZEPlane&) { return false; }
bool WZOilPuddle::Clips(const ZEVector&, const ZEVector&) { return false; }
bool WZOilPuddle::Clips(const ZEVector&, const ZEVector&, ZEVector&) { return false; }
bool WZOilPuddle::Clips(const ZEVector&, const ZEVector&, _ZEClipInfo&) { return false; }

bool WZOilPuddle::VolStaticInfluence(uint32_t, ZEEngineObject* other)
{
    if (!ZEIsKindOf(other, WZCar::ms_RTTI) || !other->m_pBoundingVolume || !m_pBoundingVolume)
        return false;
    return m_pBoundingVolume->IntersectsVolume(*other->m_pBoundingVolume);
}

void WZOilPuddle::OnClip(ZEEngineObject* other)
{
    if (ZEIsKindOf(other, WZCar::ms_RTTI))
        static_cast<WZCar*>(other)->OilHit();
}

void WZOilPuddle::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!renderer || !m_pMark)
        return;
    renderer->EnableDecaling();
    m_pMark->Render(renderer, camera);
    renderer->DisableDecaling();
}
