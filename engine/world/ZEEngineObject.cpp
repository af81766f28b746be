#include "world/ZEEngineObject.h"

#include "core/ZEConsole.h"
#include "math/ZEAABBTree.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPlane.h"
#include "math/ZEPolygon.h"
#include "render/ZELight.h"
#include "render/ZERenderer.h"
#include "resources/ZEModelManager.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"

#include <cmath>
#include <cstring>

ZE_IMPLEMENT_RTTI(ZEEngineObject, ZEObject);
ZE_IMPLEMENT_RTTI(ZEGeometricalObject, ZEEngineObject);
ZE_IMPLEMENT_RTTI(ZEModelObject, ZEEngineObject);

namespace
{
// Where a directional light is taken to stand, and the distance it counts
// as, when choosing the light that casts an object's shadow.
const float kDirectionalDistance = 99999.0f;

// The plane form of Clips starts from this normal; a hit that leaves it in
// place reported no contact plane.
const float kPlaceholderNormalX = 5.0f;

// How far beyond touching two separated volumes end up, each.
const float kSeparation = 0.0001f;

bool Lightmaps(ZERenderer* renderer)
{
    if (!renderer)
        renderer = ZERenderer::ms_pRenderer;
    return renderer && renderer->m_bLightmaps;
}

bool Lightmaps(ZEEngine* engine)
{
    return Lightmaps(engine ? engine->m_pRenderer : nullptr);
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

// 255 x light, truncated; a light beyond full (a bright map) gives 255, and
// no light (or no number) gives 0.
uint8_t GreyLevel(float light)
{
    float level = 255.0f * light;
    if (!(level > 0.0f))
        return 0;
    if (level >= 255.0f)
        return 255;
    return static_cast<uint8_t>(level);
}

bool IsSpot(const ZELight& light)
{
    return light.m_lType == ZE_LIGHT_SPOT || light.m_lType == ZE_LIGHT_DYNAMIC_SPOT;
}

bool IsPoint(const ZELight& light)
{
    return light.m_lType == ZE_LIGHT_POINT || light.m_lType == ZE_LIGHT_DYNAMIC_POINT;
}

// The share of the speed a contact between the two keeps.
float ContactFactor(const ZEEngineObject& a, const ZEEngineObject& b)
{
    return a.m_fRetention * b.m_fRetention * a.m_fBounce * b.m_fBounce;
}

// numerator / denominator for the momentum exchange. A pair in which a mass
// is not a positive number (or the quotient no finite one) exchanges as if
// both masses were equal.
float MassRatio(float numerator, float denominator)
{
    if (!(numerator > 0.0f) || !(denominator > 0.0f))
        return 1.0f;
    float ratio = numerator / denominator;
    return std::isfinite(ratio) ? ratio : 1.0f;
}

// Arranges for the object's next Update to arrive at `velocity`: the change
// goes into the acceleration, never into the velocity itself. Nothing can
// change in a step of no time.
void SteerVelocity(ZEEngineObject& object, const ZEVector& velocity, uint32_t step)
{
    if (step == 0)
        return;
    object.m_vAcceleration += (velocity - object.m_vVelocity) * (1000.0f / static_cast<float>(step));
}

// n x (v x n): for a unit normal, v without its part along n.
ZEVector AlongPlane(const ZEVector& n, const ZEVector& v)
{
    return n.CrossProduct(v.CrossProduct(n));
}

// Moves an object and its volume together.
void Shift(ZEEngineObject& object, const ZEVector& offset)
{
    object.m_vPosition += offset;
    object.m_pBoundingVolume->SetCenter(object.m_pBoundingVolume->GetCenter() + offset);
}

// The ray test of a bounding volume in record form.
bool VolumeClips(const ZEBoundingVolume* volume, const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info)
{
    ZEVector contact;
    if (!volume || !volume->IntersectsVolume(start, offset, contact))
        return false;
    // A volume has no surface polygons: the record gets the contact and a
    // plane through it facing back along the ray.
    info.m_vPoint = contact;
    ZEVector normal = -offset.UnitVector();
    info.m_Plane.SetPlane(normal, -static_cast<double>(normal.DotProduct(contact)));
    info.m_pucData = nullptr;
    info.m_pPolygon = nullptr;
    return true;
}

// Lays a moving object's volume onto the contact plane and moves the object
// with it; an object aligned to the ground also takes the plane's tilt.
void RestOnPlane(ZEEngineObject& object, const ZEPlane& plane)
{
    ZEBoundingVolume* volume = object.m_pBoundingVolume;
    if (object.m_bAlignToGround && ZEIsKindOf(volume, ZEOBoundingBox::ms_RTTI))
    {
        ZEOBoundingBox* box = static_cast<ZEOBoundingBox*>(volume);
        ZEVector before = box->m_vPosition;
        box->PutOnPlane(plane, true);
        ZEVector moved = box->m_vPosition - before;
        object.m_vPosition += moved;
        object.m_vOldPosition -= moved;
        object.m_vRotation = box->m_vRotation;
        return;
    }
    // A volume that cannot take a tilt is laid on the plane as it is.
    ZEVector before = volume->GetCenter();
    volume->PutOnPlane(plane);
    object.m_vPosition += volume->GetCenter() - before;
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
    delete m_pAABBTree;
}

// --- Shape tests -------------------------------------------------------------------------

bool ZEEngineObject::Clips(const ZEBoundingVolume& volume)
{
    if (!m_bCollision)
        return false;
    if (m_pBoundingVolume)
        return m_pBoundingVolume->IntersectsVolume(volume);
    if (m_pAABBTree && m_pAABBTree->Clips(volume))
        return true;
    return m_pModel && m_pModel->Clips(m_vPosition, volume);
}

bool ZEEngineObject::Clips(const ZEBoundingVolume& volume, ZEPlane& plane)
{
    if (!m_bCollision)
        return false;
    if (m_pBoundingVolume)
        return m_pBoundingVolume->IntersectsVolume(volume);
    if (m_pAABBTree && m_pAABBTree->Clips(volume, plane))
        return true;
    return m_pModel && m_pModel->Clips(m_vPosition, volume);
}

bool ZEEngineObject::Clips(const ZEVector& start, const ZEVector& offset)
{
    if (!m_bCollision)
        return false;
    if (m_pAABBTree && m_pAABBTree->Clips(start, offset))
        return true;
    if (m_pModel && m_pModel->Clips(m_vPosition, m_vRotation, start, offset))
        return true;
    return m_pBoundingVolume && m_pBoundingVolume->IntersectsVolume(start, offset);
}

bool ZEEngineObject::Clips(const ZEVector& start, const ZEVector& offset, ZEVector& point)
{
    _ZEClipInfo info;
    if (!Clips(start, offset, info))
        return false;
    point = info.m_vPoint;
    return true;
}

bool ZEEngineObject::Clips(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info)
{
    if (!m_bCollision)
        return false;
    bool hit = (m_pAABBTree && m_pAABBTree->Clips(start, offset, info)) ||
               (m_pModel && m_pModel->Clips(m_vPosition, m_vRotation, start, offset, info)) ||
               VolumeClips(m_pBoundingVolume, start, offset, info);
    if (hit)
        info.m_pObject = this;
    return hit;
}

ZEDecal* ZEEngineObject::ApplyDecal(const ZEVector& center, float width, float height, ZETextureReference* texture)
{
    if (!m_bStatic || !m_pAABBTree)
        return nullptr;
    ZEBoundingSphere reach(center, width > height ? width : height);
    return m_pAABBTree->ApplyDecal(center, width, height, texture, reach);
}

// --- Collision dispatch and responses ---------------------------------------------------

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

    // Both parties hear of the contact even when the first reaction changes
    // either of them; nothing read before the reactions is used after them.
    if (!contact)
        return false;
    a->OnClip(b);
    b->OnClip(a);
    return true;
}

bool ZEEngineObject::VolVolInfluence(uint32_t step, ZEEngineObject* other)
{
    if (!other || !m_pBoundingVolume || !other->m_pBoundingVolume)
        return false;
    if (!Clips(*other->m_pBoundingVolume))
        return false;
    // Clips may be a game object's own test; take the volumes afresh.
    if (!m_pBoundingVolume || !other->m_pBoundingVolume)
        return true;

    ZEEngineObject& a = *this;
    ZEEngineObject& b = *other;
    ZEVector between = a.m_pBoundingVolume->GetCenter() - b.m_pBoundingVolume->GetCenter();
    float distance = between.GetLength();
    // Coincident centres give no line to exchange momentum or separate along.
    if (distance == 0.0f)
        return true;
    ZEVector n = between.UnitVector();

    ZEVector normalA = n * n.DotProduct(a.m_vVelocity);
    ZEVector normalB = n * n.DotProduct(b.m_vVelocity);
    ZEVector restA = a.m_vVelocity - normalA;
    ZEVector restB = b.m_vVelocity - normalB;
    float e = ContactFactor(a, b);
    ZEVector velocityB = (restB + normalA * MassRatio(a.m_fMass, b.m_fMass)) * e;
    ZEVector velocityA = (restA + normalB * MassRatio(b.m_fMass, a.m_fMass)) * e;
    SteerVelocity(b, velocityB, step);
    SteerVelocity(a, velocityA, step);

    float touching = a.m_pBoundingVolume->GetMinimalDistance(*b.m_pBoundingVolume);
    if (touching >= distance)
    {
        a.m_vOldPosition = a.m_vPosition;
        b.m_vOldPosition = b.m_vPosition;
        ZEVector push = n * ((touching - distance) * 0.5f + kSeparation);
        Shift(a, push);
        Shift(b, -push);
    }
    return true;
}

bool ZEEngineObject::VolStaticInfluence(uint32_t step, ZEEngineObject* other)
{
    if (!other || !m_pBoundingVolume || !other->m_pBoundingVolume)
        return false;
    if (!Clips(*other->m_pBoundingVolume))
        return false;
    if (!m_pBoundingVolume || !other->m_pBoundingVolume)
        return true;

    ZEEngineObject& b = *other;
    ZEVector between = m_pBoundingVolume->GetCenter() - b.m_pBoundingVolume->GetCenter();
    if (between.GetLength() == 0.0f)
        return true;
    ZEVector n = between.UnitVector();
    float speed = b.m_vVelocity.GetLength() * ContactFactor(*this, b);
    ZEVector reflected = b.m_vVelocity - n * (2.0f * n.DotProduct(b.m_vVelocity));
    SteerVelocity(b, reflected.GetWithLength(speed), step);
    return true;
}

bool ZEEngineObject::VolPlaneInfluence(uint32_t step, ZEEngineObject* other)
{
    if (!other || !other->m_pBoundingVolume)
        return false;
    ZEPlane plane(ZEVector(kPlaceholderNormalX, 1.0f, 0.0f), 0.0);
    if (!Clips(*other->m_pBoundingVolume, plane))
        return false;
    // A contact without a plane gives no direction to respond along.
    if (plane.m_vNormal.x == kPlaceholderNormalX || !other->m_pBoundingVolume)
        return true;

    ZEEngineObject& b = *other;
    RestOnPlane(b, plane);

    const ZEVector& n = plane.m_vNormal;
    b.m_vAcceleration = AlongPlane(n, b.m_vAcceleration);
    if (b.m_vVelocity.GetLength() > 0.0f)
    {
        ZEVector reflected = b.m_vVelocity.Reflection(n);
        ZEVector sliding = AlongPlane(n, reflected);
        ZEVector velocity = (reflected * b.m_fBounce + sliding * (1.0f - b.m_fBounce)) *
                            (m_fRetention * b.m_fRetention);
        SteerVelocity(b, velocity, step);
    }
    return true;
}

void ZEEngineObject::OnClip(ZEEngineObject*) {}

// --- The step ------------------------------------------------------------------------------

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

    // The light on a model only colours its drawing: a world that is not
    // drawn does not look it up.
    bool moved = m_vPosition != m_vOldPosition;
    if (m_pModel && moved && engine && engine->m_bDrawing && Lightmaps(engine))
        engine->GetLightAtPosition(m_vPosition, m_afLight, this);
    UpdateBoundingVolume();
}

void ZEEngineObject::UpdateBoundingVolume()
{
    if (m_pBoundingVolume)
        m_pBoundingVolume->SetCenter(m_pBoundingVolume->GetCenter() + m_vPosition - m_vOldPosition);
}

// --- Drawing ---------------------------------------------------------------------------------

void ZEEngineObject::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (m_pAABBTree && renderer)
        m_pAABBTree->Render(renderer, camera, Lightmaps(renderer) ? 255 : GreyLevel(m_afLight[0]));
    if (m_pModel)
        m_pModel->Render(m_vPosition, m_vRotation, m_afLight);
}

// The smaller of the engine's method and this object's own limit picks the
// shadow. A fake shadow needs no light; the others are cast from the
// closest light (or from every light that reaches the object) that the
// terrain does not hide from it.
void ZEEngineObject::RenderShadow(ZERenderer* renderer, ZECamera* camera, ZELight* lights, ZEShadowMethod method,
                                  bool allLights)
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!m_pModel || !m_bCastShadow || !renderer || !engine)
        return;
    uint32_t chosen = m_ulMaxShadowMethod != 0 && m_ulMaxShadowMethod < method ? m_ulMaxShadowMethod : method;
    if (chosen == ZE_SHADOW_NONE)
        return;
    if (chosen == ZE_SHADOW_FAKE)
    {
        ZEVector center, direction;
        float width = 0.0f, length = 0.0f;
        m_pModel->GetFakeShadowData(center, m_vRotation, direction, width, length);
        renderer->SetAmbient(192, 192, 192);
        engine->RenderFakeShadow(center + m_vPosition, direction, width, length);
        return;
    }
    ZEVector from;
    if (!allLights)
    {
        if (GetClosestLight(lights, from))
            CastShadow(engine, renderer, camera, static_cast<ZEShadowMethod>(chosen), from);
        return;
    }
    for (ZELight* light = lights; light; light = light->m_pNext)
        if (ShadowLightPosition(*light, from))
            CastShadow(engine, renderer, camera, static_cast<ZEShadowMethod>(chosen), from);
}

bool ZEEngineObject::ShadowLightPosition(const ZELight& light, ZEVector& position) const
{
    if (light.m_lType == ZE_LIGHT_DIRECTIONAL)
    {
        position = m_vPosition - light.m_vDirection * kDirectionalDistance;
        return true;
    }
    if (!IsPoint(light) && !IsSpot(light))
        return false;
    if (!((light.m_vPosition - m_vPosition).GetLength() <= light.m_fRange) ||
        (IsSpot(light) && !light.IsInSpotlight(m_vPosition)))
        return false;
    position = light.m_vPosition;
    return true;
}

// One light's shadow: projected ones lie on the first surface straight
// below the middle of the model (none without one); blended ones and volumes darken by
// the alpha the object's own light gives.
void ZEEngineObject::CastShadow(ZEEngine* engine, ZERenderer* renderer, ZECamera* camera, ZEShadowMethod method,
                                const ZEVector& light)
{
    if (engine->m_pTerrain && engine->m_pTerrain->Clips(light, m_vPosition - light))
        return;
    uint8_t alpha = ZEShadowAlpha(m_afLight);
    if (method == ZE_SHADOW_STENCIL_VOLUME)
    {
        renderer->SetAmbient(0, 0, 0, alpha);
        m_pModel->RenderStencilShadow(renderer, camera, m_vPosition, m_vRotation, light);
        return;
    }
    // The ground is looked for from the middle of the model: from its
    // origin, a model standing on a floor would start on the floor's plane
    // and find nothing below.
    ZEVector middle, forward;
    float width = 0.0f, length = 0.0f;
    m_pModel->GetFakeShadowData(middle, m_vRotation, forward, width, length);
    _ZEClipInfo ground;
    if (!engine->RayClipsInWorld(m_vPosition + middle, ZEVector(0.0f, -kDirectionalDistance, 0.0f), ground, this))
        return;
    if (method == ZE_SHADOW_PROJECTED)
    {
        renderer->SetAmbient(0, 0, 0);
        m_pModel->RenderProjectedShadow(renderer, m_vPosition, m_vRotation, light, ground.m_Plane);
        return;
    }
    ZEBeginBlendedShadow(renderer, alpha);
    m_pModel->RenderProjectedShadow(renderer, m_vPosition, m_vRotation, light, ground.m_Plane);
    ZEEndBlendedShadow(renderer);
}

void ZEEngineObject::RenderDynamicLight(ZELight* light, ZECamera* camera)
{
    if (m_bDynamicLight && m_pAABBTree)
        m_pAABBTree->RenderDynamicLight(light, camera);
}

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
        if (!(distance <= light->m_fRange) || (best && distance >= bestDistance))
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
    if (entity->m_pPolygons)
    {
        m_pAABBTree = new ZEAABBTreeNode(entity->m_pPolygons);
        entity->m_pPolygons = nullptr;
        entity->m_bPolygons = false;
    }
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
    // A short block is read as if padded with zeros, so no field is read
    // beyond what the map gave.
    uint8_t block[ms_usDataSize] = {};
    uint16_t size = entity->m_pData ? entity->m_usDataSize : 0;
    if (size < ms_usDataSize)
        ZEConsole::Post("world", ZEString::Format("ModelObject data too short (%u of %u bytes)",
                                                  static_cast<unsigned>(size), static_cast<unsigned>(ms_usDataSize)),
                        ZE_MSG_ERROR);
    if (size)
        std::memcpy(block, entity->m_pData, size < ms_usDataSize ? size : ms_usDataSize);
    ReadData(block);
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
    {
        ZEConsole::Post("world", ZEString::Format("ModelObject model \"%s\" could not be loaded", m_ModelName.CStr()),
                        ZE_MSG_ERROR);
        return;
    }
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
