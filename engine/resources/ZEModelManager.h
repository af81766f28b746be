// Models: key-framed meshes loaded once and shared through counted
// references.
//
// A model (".zmf") holds one shared vertex array and, per level of detail,
// several named animations of key frames; a key frame is a set of triangle
// groups (ZEModelTriGroup) indexing the shared vertices. Drawing between two
// key frames blends the vertices the same triangle positions use; the blend
// is cached per model on (level, animation, time).
//
// The one ZEModelManager (ms_pModelManager, created by the engine world)
// loads each file once, keyed by its path (directory + name), and hands out
// ZEModelReferences that the caller owns. A reference carries the per-user
// state - which animation plays since when, looping, reverse, speed, scale -
// and is what engine objects draw and collide with. Deleting a reference
// counts the model down; FreeUnusedModels deletes models without
// references.
//
// A reference reaches its model only while the live manager still lists
// that model under the reference's id, so a reference used or deleted after
// its model was freed, or after the manager is gone, touches nothing.
#pragma once

#include "core/ZEObject.h"
#include "core/ZEString.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "math/ZEVector.h"
#include "math/ZEVertex.h"

#include <cstdint>

class ZECamera;
class ZEModelReference;
class ZEPlane;
class ZERenderer;
class ZEStencilShadowVolume;
class ZETextureReference;

typedef char ZEModelAnimationName[32];

// One triangle group of a key frame. Its vertex pointer is the model's
// shared (or blended) array, which the group does not own.
class ZEModelTriGroup : public ZEPolygon
{
public:
    ZEModelTriGroup() = default;
    ~ZEModelTriGroup() override;

    uint16_t m_usTexture = 0;                       // 1-based into m_ppTextures, 0 = untextured
    uint8_t m_aucColor[3] = {255, 255, 255};        // material colour
    uint8_t m_aucColorKey[3] = {0, 0, 0};
    bool m_bColorKeyed = false;
    bool m_bEnvironmentMapped = false;
    bool m_bSameAsPrevious = false;                 // same triangles as in the previous key frame
};

struct ZEModelKeyFrame
{
    ZEModelKeyFrame() = default;
    ~ZEModelKeyFrame();
    ZEModelKeyFrame(const ZEModelKeyFrame&) = delete;
    ZEModelKeyFrame& operator=(const ZEModelKeyFrame&) = delete;

    ZEModelTriGroup* m_pGroups = nullptr;   // owned array
    uint32_t m_ulNumGroups = 0;
    uint32_t m_ulTime = 0;                  // ms from the start of the animation
};

struct ZEModelAnimation
{
    ZEModelAnimation() = default;
    ~ZEModelAnimation();
    ZEModelAnimation(const ZEModelAnimation&) = delete;
    ZEModelAnimation& operator=(const ZEModelAnimation&) = delete;

    // The last key frame's time: the length of the animation (0 without
    // key frames).
    uint32_t GetLength() const;

    uint16_t m_usNumTriangles = 0;            // of one key frame, all groups
    uint32_t m_ulNumKeyFrames = 0;
    ZEModelKeyFrame* m_pKeyFrames = nullptr;  // owned array
};

class ZEModel
{
    ZE_DECLARE_ROOT_RTTI
public:
    ZEModel();
    // Constructs and loads; m_bLoaded tells whether that worked.
    explicit ZEModel(const ZEString& path);
    virtual ~ZEModel();

    ZEModel(const ZEModel&) = delete;
    ZEModel& operator=(const ZEModel&) = delete;

    // Reads a ".zmf" file; false (and an empty model) on failure.
    bool Load(const ZEString& path);
    // Frees every group, array, name and texture reference.
    void Free();

    // A new reference (owned by the caller); counts it.
    ZEModelReference* GetReference();
    // Counts one reference down when it was made for this model; returns
    // the remaining count.
    uint32_t ReleaseReference(ZEModelReference* reference);

    // Null vectors mean "not given". color holds three factors.
    void Render(const ZEVector* pos, const ZEVector* rot, const ZEVector* scale, uint32_t animation,
                uint32_t time, uint32_t lod, const float* color);
    bool Clips(const ZEVector& start, const ZEVector& move, uint32_t animation, uint32_t time, uint32_t lod);
    bool Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info, uint32_t animation,
               uint32_t time, uint32_t lod);
    // The key frames around `time`: true with both set when they must be
    // blended, false with only kf1 set when `time` hits a key frame.
    bool MergeFrames(uint32_t animation, uint32_t time, uint32_t lod, ZEModelKeyFrame*& kf1,
                     ZEModelKeyFrame*& kf2);
    // Blends into m_pInterpolatedVertices; returns the weight of kf1.
    float InterpolateVertices(uint32_t time, uint32_t lod, uint32_t animation, ZEModelKeyFrame* kf1,
                              ZEModelKeyFrame* kf2);
    void CreateColorKeyedTextures();

    void RenderProjectedShadow(ZERenderer* renderer, const ZEVector* pos, const ZEVector* rot,
                               const ZEVector* scale, uint32_t animation, uint32_t time, uint32_t lod,
                               const ZEVector& light, const ZEPlane& plane);
    void RenderStencilShadow(ZERenderer* renderer, ZECamera* camera, const ZEVector* pos, const ZEVector* rot,
                             const ZEVector* scale, uint32_t animation, uint32_t time, uint32_t lod,
                             const ZEVector& light);

    // The animation record at a level, or null when either is out of range.
    ZEModelAnimation* GetAnimation(uint32_t lod, uint32_t animation) const;

    static uint32_t ms_ulNextID;

    ZEModel* m_pNext = nullptr;
    ZEModelAnimation** m_pLODs = nullptr;          // m_ulNumLODs arrays of m_ulNumAnimations
    uint32_t m_ulNumLODs = 0;
    uint32_t m_ulNumAnimations = 0;
    uint32_t m_ulNumVertices = 0;
    uint32_t m_ulNumTextures = 0;
    ZEModelAnimationName* m_pAnimationNames = nullptr;
    ZEVertex* m_pVertices = nullptr;
    ZEVertex* m_pInterpolatedVertices = nullptr;
    ZETextureReference** m_ppTextures = nullptr;
    ZEBoundingSphere m_BoundingSphere;
    ZEAABoundingBox m_BoundingBox;
    // Never a real combination at first, so the first blend always runs.
    uint32_t m_ulCachedLOD = UINT32_MAX;
    uint32_t m_ulCachedAnimation = UINT32_MAX;
    uint32_t m_ulCachedTime = UINT32_MAX;
    ZEString m_Name;
    bool m_bTransparent = false;
    bool m_bLoaded = false;
    uint32_t m_ulReferences = 0;
    ZEStencilShadowVolume* m_pShadowVolume = nullptr;
    uint32_t m_ulID;
};

// A counted handle to a model with its own animation state. Owned by the
// holder; deleting it counts the model down.
class ZEModelReference
{
public:
    ZEModelReference() = default;
    explicit ZEModelReference(ZEModel* model);
    ~ZEModelReference();

    ZEModelReference(const ZEModelReference&) = delete;
    ZEModelReference& operator=(const ZEModelReference&) = delete;

    // The model while the live manager still lists it under this
    // reference's id; null for an empty or stale reference.
    ZEModel* GetModel() const;

    // Draws at pos with Euler rotation rot (degrees) and three colour
    // factors, at the level of detail for the camera's distance.
    void Render(const ZEVector& pos, const ZEVector& rot, const float* color);
    // Starts an animation now; an index or name the model lacks changes
    // nothing.
    void SetAnimation(uint32_t index);
    void SetAnimation(const ZEString& name);
    void SetScale(const ZEVector& scale);

    bool Culled(const ZEVector& pos) const;
    // The model's box around its own centre, scaled; empty without a model.
    ZEAABoundingBox GetModelBBox() const;
    ZEBoundingSphere GetBoundingSphere(const ZEVector& pos) const;
    ZEVector GetCenter(const ZEVector& pos) const;
    uint32_t GetLOD(const ZEVector& pos) const;
    // The animation time now at that level; ends a finished animation that
    // does not loop.
    uint32_t GetAnimationTime(uint32_t lod);

    bool Clips(const ZEVector& pos, const ZEBoundingVolume& volume);
    bool Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move);
    bool Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move,
               ZEVector& contact);
    bool Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move,
               _ZEClipInfo& info);

    bool ModelContainsTransparency() const;
    // True when the animation exists and has at least two key frames at
    // level 0.
    bool IsRealAnimation(uint32_t index) const;

    void GetFakeShadowData(ZEVector& center, const ZEVector& rot, ZEVector& direction, float& width,
                           float& length);
    void RenderProjectedShadow(ZERenderer* renderer, const ZEVector& pos, const ZEVector& rot,
                               const ZEVector& light, const ZEPlane& ground);
    void RenderStencilShadow(ZERenderer* renderer, ZECamera* camera, const ZEVector& pos, const ZEVector& rot,
                             const ZEVector& light);

    ZEModel* m_pModel = nullptr;
    uint32_t m_ulID = 0;
    bool m_bAnimating = false;
    bool m_bLoop = false;
    bool m_bReverse = false;
    uint32_t m_ulAnimation = 0;
    uint32_t m_ulAnimationStart = 0;
    float m_fAnimationSpeed = 1.0f;
    uint32_t m_ulAnimationTime = 0;
    bool m_bScaled = false;
    ZEVector m_vScale{1.0f, 1.0f, 1.0f};
};

class ZEModelManager
{
public:
    ZEModelManager();
    // Deletes every model.
    virtual ~ZEModelManager();

    ZEModelManager(const ZEModelManager&) = delete;
    ZEModelManager& operator=(const ZEModelManager&) = delete;

    // Made into a path ending in "/" (an empty directory stays empty).
    void SetModelDirectory(const ZEString& directory);

    // A new reference to the model at directory + name, loading it on first
    // use; null when it cannot be loaded.
    ZEModelReference* GetModel(const ZEString& name);
    ZEModelReference* GetModel(const char* name);
    // A new reference to the listed model loaded from path, or null.
    ZEModelReference* AlreadyLoaded(const ZEString& path);

    void FreeUnusedModels();
    void FreeAllModels();
    // Appends at the tail and counts / unlinks without deleting.
    void AddToList(ZEModel* model);
    void RemoveFromList(ZEModel* model);
    // Whether `model` is listed and still carries `id`; compares addresses
    // only, so a stale pointer is never dereferenced.
    bool Contains(const ZEModel* model, uint32_t id) const;

    static ZEModelManager* ms_pModelManager;

    ZEModel* m_pModels = nullptr;
    uint32_t m_ulNumModels = 0;
    ZEString m_Directory;
};
