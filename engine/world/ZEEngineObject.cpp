#include "world/ZEEngineObject.h"

#include "core/ZEConsole.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "render/ZELight.h"
#include "render/ZERenderer.h"
#include "resources/ZEModelManager.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"

#include <cstring>

ZE_IMPLEMENT_RTTI(ZEEngineObject, ZEObject);
ZE_IMPLEMENT_RTTI(ZEGeometricalObject, ZEEngineObject);
ZE_IMPLEMENT_RTTI(ZEModelObject, ZEEngineObject);

namespace
{
// Where a directional light is taken to stand, and the distance it counts
// as, when choosing the light that casts an object's shadow.
const float kDirectionalDistance = 99999.0f;

bool Lightmaps(ZEEngine* engine)
{
    ZERenderer* renderer = engine && engine->m_pRenderer ? engine->m_pRenderer : ZERenderer::ms_pRenderer;
    return renderer && renderer->m_bLightmaps;
}

// The brightness of the map lighting objects when lightmaps are off: the
// map's ambient and directional intensities, or full light without a map.
float TerrainBrightness(ZEEngine* engine)
{
    ZETerrain* terrain = engine ? engine->m_pTerrain : nullptr;
    if (!terrain)
        return 1.0f;
    if (!ZEIsKindOf(terrain, ZEBSPTerrain::ms_RTTI))
        return 1.0f;
    return static_cast<ZEBSPTerrain*>(terrain)->m_fBrightness;
}

bool IsSpot(const ZELight& light)
{
    return light.m_lType == ZE_LIGHT_SPOT || light.m_lType == ZE_LIGHT_DYNAMIC_SPOT;
}

bool IsPoint(const ZELight& light)
{
    return light.m_lType == ZE_LIGHT_POINT || light.m_lType == ZE_LIGHT_DYNAMIC_POINT;
}

uint32_t ReadU32(const uint8_t* bytes)
{
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

uint16_t ReadU16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

float ReadFloat(const uint8_t* bytes)
{
    uint32_t bits = ReadU32(bytes);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}
}

// ---------------------------------------------------------------------------
// ZEEngineObject

ZEEngineObject::ZEEngineObject() = default;

ZEEngineObject::~ZEEngineObject()
{
    if (m_bInWorld && ZEEngine::ms_pEngine)
        ZEEngine::ms_pEngine->RemoveObjectFromWorld(this);
    m_bInWorld = false;
    delete m_pBoundingVolume;
    delete m_pModel;
    // m_pAABBTree: no tree is ever built yet, so there is none to delete.
}

// The shape tests and collision responses come with the collision work;
// until then nothing is ever hit and no response runs.
bool ZEEngineObject::Clips(const ZEBoundingVolume&)
{
    return false;
}

bool ZEEngineObject::Clips(const ZEBoundingVolume&, ZEPlane&)
{
    return false;
}

bool ZEEngineObject::Clips(const ZEVector&, const ZEVector&)
{
    return false;
}

bool ZEEngineObject::Clips(const ZEVector&, const ZEVector&, ZEVector&)
{
    return false;
}

bool ZEEngineObject::Clips(const ZEVector&, const ZEVector&, _ZEClipInfo&)
{
    return false;
}

ZEDecal* ZEEngineObject::ApplyDecal(const ZEVector&, float, float, ZETextureReference*)
{
    return nullptr;
}

bool ZEEngineObject::VolVolInfluence(uint32_t, ZEEngineObject*)
{
    return false;
}

bool ZEEngineObject::VolStaticInfluence(uint32_t, ZEEngineObject*)
{
    return false;
}

bool ZEEngineObject::VolPlaneInfluence(uint32_t, ZEEngineObject*)
{
    return false;
}

bool ZEEngineObject::Influence(uint32_t step, ZEEngineObject* other)
{
    if (!other || other == this)
        return false;
    ZEEngineObject* a = this;
    ZEEngineObject* b = other;
    if (a->m_bStatic && b->m_bStatic)
        return false;
    bool volumeA = a->m_pBoundingVolume != nullptr;
    bool volumeB = b->m_pBoundingVolume != nullptr;
    if (!volumeA && !volumeB)
        return false;

    bool contact = false;
    if (volumeA && volumeB)
    {
        if (a->m_bStatic)
            contact = a->VolStaticInfluence(step, b);
        else if (b->m_bStatic)
            contact = b->VolStaticInfluence(step, a);
        else
            contact = a->VolVolInfluence(step, b);
    }
    else if (!volumeA && !b->m_bStatic)
    {
        contact = a->VolPlaneInfluence(step, b);
    }
    else if (!volumeB && !a->m_bStatic)
    {
        contact = b->VolPlaneInfluence(step, a);
    }

    if (!contact)
        return false;
    a->OnClip(b);
    b->OnClip(a);
    return true;
}

void ZEEngineObject::OnClip(ZEEngineObject*) {}

void ZEEngineObject::Animate(uint32_t, ZEEngine*) {}

void ZEEngineObject::ApplyGravity(float g)
{
    if (m_bGravity && !m_bStatic)
        m_vAcceleration.y -= g;
}

void ZEEngineObject::InitializeLight(ZEEngine* engine)
{
    m_bLightInitialized = true;
    if (!Lightmaps(engine))
    {
        float brightness = TerrainBrightness(engine);
        m_afLight[0] = m_afLight[1] = m_afLight[2] = brightness;
    }
    else if (!m_pModel || !engine)
    {
        m_afLight[0] = m_afLight[1] = m_afLight[2] = 1.0f;
    }
    else
    {
        engine->GetLightAtPosition(m_vPosition, m_afLight, this);
    }
}

void ZEEngineObject::Update(uint32_t step, ZEEngine* engine)
{
    if (!m_bLightInitialized)
        InitializeLight(engine);
    if (m_bStatic)
        return;

    m_vOldPosition = m_vPosition;
    float seconds = step / 1000.0f;
    m_vVelocity += m_vAcceleration * seconds;
    m_vPosition += m_vVelocity * seconds;
    m_vAcceleration = ZEVector();

    bool moved = m_vPosition != m_vOldPosition;
    if (m_pModel && moved && engine && Lightmaps(engine))
        engine->GetLightAtPosition(m_vPosition, m_afLight, this);
    UpdateBoundingVolume();
}

void ZEEngineObject::UpdateBoundingVolume()
{
    if (m_pBoundingVolume)
        m_pBoundingVolume->SetCenter(m_pBoundingVolume->GetCenter() + m_vPosition - m_vOldPosition);
}

void ZEEngineObject::Render(ZERenderer*, ZECamera*)
{
    // The polygon tree draws itself once the tree exists; the model draws
    // in the object's received light.
    if (m_pModel)
        m_pModel->Render(m_vPosition, m_vRotation, m_afLight);
}

// Shadows and dynamic light on the object's polygons come with the shadow
// and tree work.
void ZEEngineObject::RenderShadow(ZERenderer*, ZECamera*, ZELight*, ZEShadowMethod, bool) {}

void ZEEngineObject::RenderDynamicLight(ZELight*, ZECamera*) {}

ZELight* ZEEngineObject::GetClosestLight(ZELight* lights, ZEVector& lightPosition)
{
    ZELight* best = nullptr;
    float bestDistance = 0.0f;
    for (ZELight* light = lights; light; light = light->m_pNext)
    {
        if (light->m_lType == ZE_LIGHT_DIRECTIONAL)
        {
            if (best)
                continue;
            best = light;
            bestDistance = kDirectionalDistance;
            lightPosition = m_vPosition - light->m_vDirection * kDirectionalDistance;
            continue;
        }
        if (!IsPoint(*light) && !IsSpot(*light))
            continue;
        float distance = (light->m_vPosition - m_vPosition).GetLength();
        if (distance > light->m_fRange || (best && distance >= bestDistance))
            continue;
        if (IsSpot(*light) && !light->IsInSpotlight(m_vPosition))
            continue;
        best = light;
        bestDistance = distance;
        lightPosition = light->m_vPosition;
    }
    return best;
}

// ---------------------------------------------------------------------------
// ZECustomEntity

ZECustomEntity::ZECustomEntity(const ZEString& className, const ZEVector& position, uint8_t* data,
                               uint16_t dataSize)
    : m_ClassName(className), m_vPosition(position), m_pData(data), m_usDataSize(data ? dataSize : 0)
{
}

ZECustomEntity::~ZECustomEntity()
{
    ZEDeletePolygonList(m_pPolygons);
    delete[] m_pData;
}

void ZECustomEntity::AddPolygon(ZEPolygon* polygon)
{
    if (!polygon)
        return;
    polygon->m_pNext = nullptr;
    ZEPolygon** link = &m_pPolygons;
    while (*link)
        link = &(*link)->m_pNext;
    *link = polygon;
    m_bPolygons = true;
}

// ---------------------------------------------------------------------------
// ZEGeometricalObject

ZEGeometricalObject::ZEGeometricalObject(ZECustomEntity* entity)
{
    m_bCollision = true;
    if (!entity)
        return;
    for (ZEPolygon* polygon = entity->m_pPolygons; polygon; polygon = polygon->m_pNext)
        if (polygon->m_ucAlpha < 255)
            m_bSecondPass = true;
    // The polygons go into the object's tree once the tree exists; until
    // then they leave with the entity.
    if (entity->m_pData && entity->m_usDataSize >= 1)
        m_bDynamicLight = entity->m_pData[0] != 0;
    m_vPosition = m_vOldPosition = entity->m_vPosition;
    delete entity;
}

ZEGeometricalObject::~ZEGeometricalObject() = default;

// ---------------------------------------------------------------------------
// ZEModelObject

ZEModelObject::ZEModelObject(ZECustomEntity* entity)
{
    m_bCollision = true;
    m_bDynamicLight = false;
    if (!entity)
        return;
    if (entity->m_pData && entity->m_usDataSize >= ms_usDataSize)
        ReadData(entity->m_pData);
    else
        ZEConsole::Post("world", ZEString::Format("ModelObject data too short (%u of %u bytes)",
                                                  static_cast<unsigned>(entity->m_usDataSize),
                                                  static_cast<unsigned>(ms_usDataSize)),
                        ZE_MSG_ERROR);
    m_vPosition = m_vOldPosition = entity->m_vPosition;
    delete entity;
    SetUpModel();
}

ZEModelObject::~ZEModelObject() = default;

void ZEModelObject::ReadData(const uint8_t* data)
{
    uint32_t shadow = ReadU32(data);
    m_bCastShadow = shadow != 1;
    m_ulMaxShadowMethod = shadow > 1 ? shadow - 1 : 0;
    m_vScale = ZEVector(ReadFloat(data + 4), ReadFloat(data + 8), ReadFloat(data + 12));
    m_fMass = ReadFloat(data + 16);
    m_fBounce = ReadFloat(data + 20);
    m_fRetention = ReadFloat(data + 24);
    char name[33] = {};
    std::memcpy(name, data + 28, 32);
    m_ModelName = name;
    m_bStatic = data[60] != 0;
    m_bGravity = data[61] != 0;
    m_vRotation = ZEVector(ReadU16(data + 63), ReadU16(data + 65), ReadU16(data + 67));
}

void ZEModelObject::SetUpModel()
{
    ZEModelManager* manager = ZEModelManager::ms_pModelManager;
    m_pModel = manager && !m_ModelName.IsEmpty() ? manager->GetModel(m_ModelName) : nullptr;
    if (!m_pModel)
        return;
    m_pModel->SetScale(m_vScale);
    if (m_pModel->IsRealAnimation(0))
    {
        m_pModel->SetAnimation(0);
        m_pModel->m_bLoop = true;
    }
    m_bSecondPass = m_pModel->ModelContainsTransparency();

    ZEAABoundingBox box = m_pModel->GetModelBBox();
    ZEOBoundingBox* volume = new ZEOBoundingBox();
    volume->SetData(m_vPosition, box.m_vMin, box.m_vMax, m_vRotation);
    m_pBoundingVolume = volume;
}
