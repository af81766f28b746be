// Engine objects: everything that lives in the world's object list.
//
// An engine object has a position, velocity and acceleration, physical
// constants (mass, bounce, retention), flags saying how it takes part in
// simulation and drawing, and up to three shapes, all owned: a bounding
// volume, a model reference and an AABB tree of polygons.
//
// The engine drives every object through a fixed protocol each simulation
// step: Animate (the object's own logic), ApplyGravity, Influence (once for
// the terrain and once for every other colliding object within reach, the
// receiver as the other party), Update (integration). Each frame it calls Render, and
// RenderShadow and RenderDynamicLight in those passes. Game classes
// override Animate, OnClip, Render and others; an Update override that
// still wants movement calls the base one.
//
// Shapes answer in a fixed order. Volume tests (Clips with a volume) ask
// the bounding volume alone when there is one, otherwise the tree, then the
// model. Ray tests (Clips with a segment) ask the tree, then the model, then
// the bounding volume. An object with collision off is never hit.
//
// Influence picks one response for a pair by their static flags and
// volumes: two moving volumes exchange momentum along the line of centres
// and are pushed apart (VolVolInfluence); a moving volume is reflected by a
// static one without being pushed out (VolStaticInfluence); a moving volume
// is laid onto the contact plane of an object without volume - terrain,
// level geometry - and bounces or slides (VolPlaneInfluence). The engine
// offers every pair twice a step, once from each side, except pairs that
// provably do nothing (two static parties; volumes whose bounding spheres
// are apart - see ZEEngine.h); both parties' OnClip follow every contact. Flags and shapes are read afresh on every offer,
// so an OnClip may change either party (a sign starts moving, a pickup
// drops its volume).
//
// Collision responses never write velocities directly: each adds
// (new velocity - current velocity) * 1000 / step to the acceleration, so
// the following Update arrives at the new velocity. A step of 0 changes no
// velocity. Masses that are not positive exchange momentum as equal ones,
// and volumes whose centres coincide exchange nothing, so no response
// produces a NaN.
//
// Ownership: an object added with ZEEngine::AddObjectToWorld belongs to the
// world. Deleting an object that is in the world unlinks it first, so the
// world may be freed object by object.
//
// Map entities arrive as ZECustomEntity records; ZEGeometricalObject (map
// polygons) and ZEModelObject (a placed model) are built from them and
// delete them.
#pragma once

#include "core/ZEObject.h"
#include "core/ZEString.h"
#include "math/ZEVector.h"
#include "render/ZEShadow.h"

#include <cstdint>

class ZEAABBTreeNode;
class ZEBoundingVolume;
class ZECamera;
class ZEDecal;
class ZEEngine;
class ZELight;
class ZEModelReference;
class ZEPlane;
class ZEPolygon;
class ZERenderer;
class ZETextureReference;
struct _ZEClipInfo;

class ZEEngineObject : public ZEObject
{
    ZE_DECLARE_RTTI
public:
    ZEEngineObject();
    // Leaves the world first when in it; deletes the volume, the model and
    // the tree.
    ~ZEEngineObject() override;

    // Whether a volume touches this object (no plane is reported for a
    // bounding-volume or model hit; the second form reports the contact
    // plane when the tree is hit). False while collision is off.
    virtual bool Clips(const ZEBoundingVolume& volume);
    virtual bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane);
    // Segment tests from start to start + offset; false while collision is
    // off. The record form writes only on a hit and stores this object as
    // the hit object; a hit on the bounding volume records the contact, a
    // plane through it facing back along the ray, and no polygon.
    virtual bool Clips(const ZEVector& start, const ZEVector& offset);
    virtual bool Clips(const ZEVector& start, const ZEVector& offset, ZEVector& point);
    virtual bool Clips(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info);
    // A chain of new decals on this object's surfaces (owned by the
    // caller), or null; only static objects with a tree take decals.
    virtual ZEDecal* ApplyDecal(const ZEVector& center, float width, float height,
                                ZETextureReference* texture);
    // Chooses the collision response for this object and `other` and runs
    // it; on contact both OnClip calls follow and the result is true.
    virtual bool Influence(uint32_t step, ZEEngineObject* other);
    // Reaction to a contact with `other`.
    virtual void OnClip(ZEEngineObject* other);
    virtual void Animate(uint32_t step, ZEEngine* engine);
    // Pulls a moving object with gravity down by g.
    virtual void ApplyGravity(float g);
    // Integrates the step (static objects only get their light colour).
    virtual void Update(uint32_t step, ZEEngine* engine);
    virtual void Render(ZERenderer* renderer, ZECamera* camera);
    virtual void RenderShadow(ZERenderer* renderer, ZECamera* camera, ZELight* lights, ZEShadowMethod method,
                              bool allLights);
    virtual void RenderDynamicLight(ZELight* light, ZECamera* camera);
    // Responses, true on contact: two moving volumes; this static volume
    // and a moving one; this volume-less object (terrain, geometry) and a
    // moving volume. A contact without a reported plane still answers true
    // but changes nothing. A party lacking the volume its response needs
    // gives false.
    virtual bool VolVolInfluence(uint32_t step, ZEEngineObject* other);
    virtual bool VolStaticInfluence(uint32_t step, ZEEngineObject* other);
    virtual bool VolPlaneInfluence(uint32_t step, ZEEngineObject* other);

    // The light that casts this object's shadow, and where it stands; null
    // when no light qualifies.
    ZELight* GetClosestLight(ZELight* lights, ZEVector& lightPosition);
    // Where a light stands for this object's shadow: a directional light
    // far back along its direction, a point or spot light where it is when
    // the object lies in its range (and cone). False for ambient lights and
    // lights that do not reach.
    bool ShadowLightPosition(const ZELight& light, ZEVector& position) const;
    // Moves the volume's centre by the distance travelled in the last step.
    void UpdateBoundingVolume();

    ZEEngineObject* m_pNext = nullptr;
    ZEBoundingVolume* m_pBoundingVolume = nullptr;
    ZEModelReference* m_pModel = nullptr;
    ZEAABBTreeNode* m_pAABBTree = nullptr;
    bool m_bCollision = true;
    bool m_bGravity = false;
    bool m_bStatic = true;
    bool m_bDynamicLight = false;
    bool m_bCastShadow = false;
    bool m_bLightInitialized = false;
    bool m_bAlignToGround = false;
    uint32_t m_ulMaxShadowMethod = 0;   // 0: no limit
    bool m_bSecondPass = false;
    ZEVector m_vPosition;
    ZEVector m_vOldPosition;
    ZEVector m_vRotation;               // Euler angles, degrees
    ZEVector m_vVelocity;               // units per second
    ZEVector m_vAcceleration;           // units per second squared, cleared by Update
    float m_afLight[3] = {1.0f, 1.0f, 1.0f};
    float m_fMass = 1.0f;
    float m_fBounce = 0.9f;
    float m_fRetention = 1.0f;
    bool m_bInWorld = false;

private:
    void InitializeLight(ZEEngine* engine);
    void CastShadow(ZEEngine* engine, ZERenderer* renderer, ZECamera* camera, ZEShadowMethod method,
                    const ZEVector& light);
};

// A map entity as the map loader reads it. Owns its data block and its
// polygon list (chained through the polygons' m_pNext).
class ZECustomEntity
{
public:
    ZECustomEntity() = default;
    // Takes over the new[]-allocated data block.
    ZECustomEntity(const ZEString& className, const ZEVector& position, uint8_t* data, uint16_t dataSize);
    ~ZECustomEntity();

    ZECustomEntity(const ZECustomEntity&) = delete;
    ZECustomEntity& operator=(const ZECustomEntity&) = delete;

    // Appends a polygon (taken over) to the end of the list.
    void AddPolygon(ZEPolygon* polygon);

    ZEString m_ClassName;
    ZEVector m_vPosition;
    uint8_t* m_pData = nullptr;
    uint16_t m_usDataSize = 0;
    bool m_bPolygons = false;
    ZEPolygon* m_pPolygons = nullptr;
};

// Static level geometry from a "GeometricalObject" entity: its polygons go
// into the object's tree. Data byte 0 is the dynamic-light flag.
class ZEGeometricalObject : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    // Takes the entity's polygons and deletes the entity.
    explicit ZEGeometricalObject(ZECustomEntity* entity);
    ~ZEGeometricalObject() override;
};

// A placed model from a "ModelObject" entity. Its data block, little-endian
// and unaligned:
//   0 u32 shadow setting (1 none; n > 1 limits to methods up to n - 1)
//   4 scale x, y, z (floats)   16 mass   20 bounce   24 retention
//   28 model name (32 bytes, zero-terminated)
//   60 static flag   61 gravity flag   62 unused
//   63, 65, 67 rotation about x, y, z (u16 degrees)
class ZEModelObject : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    static const uint16_t ms_usDataSize = 69;

    // Reads the data block (a block too short for it is reported and read
    // as if padded with zeros), fetches the model and deletes the entity. A
    // model that cannot be loaded is reported; the object then has neither
    // model nor volume.
    explicit ZEModelObject(ZECustomEntity* entity);
    ~ZEModelObject() override;

    ZEVector m_vScale{1.0f, 1.0f, 1.0f};
    ZEString m_ModelName;

private:
    void ReadData(const uint8_t* data);
    void SetUpModel();
};
