#include "powerup/WZOilPuddle.h"

#include "car/WZCar.h"
#include "math/ZEBoundingVolume.h"
#include "render/ZEParticleSystem.h"
#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"

#include <memory>

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
    {
        std::unique_ptr<ZETextureReference> oil(textures->GetTexture(ZEString("oil"), ZEString("racing"), false));
        m_pMark->SetTexture(oil.get());
    }
    m_pMark->SetLifetime(kStainLife);
    m_pMark->SetFading(false, 0);
    m_pBoundingVolume = new ZEBoundingSphere(m_vPosition, kReach);
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
