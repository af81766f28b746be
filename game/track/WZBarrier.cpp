#include "track/WZBarrier.h"

#include "car/WZCar.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "resources/ZEModelManager.h"
#include "world/ZEBSPTerrain.h"

ZE_IMPLEMENT_RTTI(WZBarrier, ZEEngineObject);
ZE_IMPLEMENT_RTTI(WZRoadSign, ZEEngineObject);

// ---------------------------------------------------------------------------
// WZBarrier

WZBarrier::WZBarrier(const ZECustomEntity& entity)
{
    m_bCollision = true;
    m_fBounce = 0.01f;
    m_fRetention = 0.9f;
    m_vPosition = m_vOldPosition = entity.m_vPosition;
    ZEAABoundingBox* box = new ZEAABoundingBox();
    if (entity.m_pPolygons)
    {
        box->UpdateVolume(entity.m_pPolygons, true);
        if (entity.m_pPolygons->m_usNumPlanes > 0)
            m_Plane = entity.m_pPolygons->m_pPlanes[0];
    }
    m_pBoundingVolume = box;
}

WZBarrier::~WZBarrier() = default;

bool WZBarrier::Clips(const ZEBoundingVolume&) { return false; }

bool WZBarrier::Clips(const ZEBoundingVolume& volume, ZEPlane& plane)
{
    if (!m_bCollision || !m_pBoundingVolume->IntersectsVolume(volume) || !volume.IntersectsVolume(m_Plane))
        return false;
    plane = m_Plane;
    return true;
}

bool WZBarrier::Clips(const ZEVector&, const ZEVector&) { return false; }
bool WZBarrier::Clips(const ZEVector&, const ZEVector&, ZEVector&) { return false; }
bool WZBarrier::Clips(const ZEVector&, const ZEVector&, _ZEClipInfo&) { return false; }

bool WZBarrier::VolStaticInfluence(uint32_t, ZEEngineObject* other)
{
    if (!ZEIsKindOf(other, WZCar::ms_RTTI) || !other->m_pBoundingVolume)
        return false;
    ZEBoundingVolume& volume = *other->m_pBoundingVolume;
    if (!m_pBoundingVolume->IntersectsVolume(volume) || !volume.IntersectsVolume(m_Plane))
        return false;
    ZEVector before = volume.GetCenter();
    // A car whose middle is behind the wall passes through it.
    if (m_Plane.Distance(before) < 0.0)
        return false;
    volume.PutOnPlane(m_Plane);
    other->m_vPosition += volume.GetCenter() - before;
    return true;
}

// ---------------------------------------------------------------------------
// WZRoadSign

namespace
{
const float kSignScale = 2.0f;
const uint32_t kTumbleLimit = 10000;
const float kTumbleRate = 0.36f;        // degrees per ms
const float kThrowSpeed = 100.0f;
}

WZRoadSign::WZRoadSign(const ZECustomEntity& entity, uint32_t type, float heading)
{
    m_vPosition = m_vOldPosition = entity.m_vPosition;
    m_vRotation = ZEVector(0.0f, heading, 0.0f);
    if (ZEModelManager* models = ZEModelManager::ms_pModelManager)
        m_pModel = models->GetModel(ZEString(ModelOf(type)));
    if (m_pModel)
        m_pModel->SetScale(ZEVector(kSignScale, kSignScale, kSignScale));
    m_pBoundingVolume = new ZEOBoundingBox();
    FitBox();
    m_bStatic = true;
    m_fMass = 10.0f;
    m_fBounce = m_fRetention = 0.1f;
}

WZRoadSign::~WZRoadSign() = default;

const char* WZRoadSign::ModelOf(uint32_t type)
{
    static const char* const kModels[] = {"sign-stop.zmf", "sign-sixty.zmf", "sign-hundred.zmf",
                                          "sign-empty.zmf", "sign-question.zmf", "sign-camel.zmf"};
    return type < 6 ? kModels[type] : kModels[0];
}

void WZRoadSign::FitBox()
{
    ZEAABoundingBox box = m_pModel ? m_pModel->GetModelBBox() : ZEAABoundingBox();
    static_cast<ZEOBoundingBox*>(m_pBoundingVolume)->SetData(m_vPosition, box.m_vMin, box.m_vMax, m_vRotation);
}

bool WZRoadSign::VolStaticInfluence(uint32_t step, ZEEngineObject* other)
{
    return VolVolInfluence(step, other);
}

void WZRoadSign::OnClip(ZEEngineObject* other)
{
    if (other && other->GetRTTI() == &ZEBSPTerrain::ms_RTTI)
    {
        m_ulTumbleTime = 0;
        return;
    }
    m_vVelocity.y = kThrowSpeed;
    m_bStatic = false;
    m_bGravity = true;
    m_ulTumbleTime = 1;
}

void WZRoadSign::Animate(uint32_t step, ZEEngine*)
{
    if (m_ulTumbleTime == 0)
        return;
    m_ulTumbleTime += step;
    if (m_ulTumbleTime > kTumbleLimit)
        m_ulTumbleTime = 0;
    m_vRotation.x += step * kTumbleRate;
    FitBox();
}
