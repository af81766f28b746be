// Models: key-framed meshes loaded once and shared through counted
// references.
//
// File structure. A model file (".zmf", little-endian, no padding) is a
// 16-byte header (magic "ZMF01", counts of levels of detail L, animations A,
// textures T, materials M and vertices V), the V shared vertices (position
// and texture coordinate, 20 bytes each), T textures (a 30-byte header and
// an RGB or paletted image), M materials of 33 bytes (only the colour is
// used), and then for every level and every animation a 38-byte header
// (name, key-frame count K, triangles of one key frame, group count G)
// followed by K key frames: a time in milliseconds and G groups, each a
// 52-byte header and, unless its mode is 1 ("same triangles as in the
// previous key frame"), 3 x N vertex indices. The records below describe
// those pieces; loader and writer both go through their Decode and Encode,
// never through the host layout.
//
// What a model file must satisfy to load (anything else is rejected whole,
// with a message under "models", and GetModel answers null): at least one
// level, one animation and one key frame per animation; the first key frame
// at 0 ms and key-frame times that rise strictly; every key frame of an
// animation with the same groups of the same triangle counts, adding up to
// the header's triangle count; vertex indices below V; texture and material
// numbers within their tables; no mode 1 in a first key frame; at most
// 21845 triangles in a group (one draw call takes 65535 indices); textures
// with texels and palette indices within their palette; no read past the
// size the file manager reports. A missing file or a foreign magic fails
// silently. Names read from the file are always terminated (an animation
// name of 32 characters loses its last).
//
// Ownership. The one ZEModelManager (ms_pModelManager, created by the engine
// world) owns every model in its list and loads each path (directory + name)
// once. A model owns its levels, animations, key frames, groups (each
// group owns its index array but only points at the model's vertex array),
// both vertex arrays, its animation names and its texture references. The
// model's textures are memory textures of the texture manager; a
// colour-keyed copy is appended for every texture that a colour-keyed group
// uses, and those groups are renumbered to it. GetModel hands out
// ZEModelReferences that the caller owns; a reference carries the per-user
// state - which animation plays since when, looping, reverse, speed, scale -
// and deleting it counts the model down. FreeUnusedModels deletes models
// without references. A reference reaches its model only while the live
// manager still lists that model under the reference's id, so a reference
// used or deleted after its model was freed, or after the manager is gone,
// touches nothing.
//
// Blending cache. Drawing or testing between two key frames blends, for
// every triangle position of the earlier frame, its vertex toward the vertex
// the later frame uses at that position, into m_pInterpolatedVertices (at
// the earlier vertex's index). The arguments of the last blend (level,
// animation, time) are kept, so any number of references drawn or tested at
// the same animation time blend once. Every blend that runs bumps a blend
// stamp; a group's planes are rebuilt when the stamp of the vertices it
// points at differs from the one its planes were built for, so segment
// tests never see planes of an earlier blend.
//
// Model space. A reference's segment tests bring the segment into the
// model's own space with the exact inverse of the drawing transform
// (translate, rotate z-y-x, scale), so what is hit lies where it is drawn,
// and bring a hit point back with the drawing transform itself and the hit
// plane's normal with its inverse transpose (a true normal under any
// scale). Hit tests always use level 0, the finest, whichever level is
// drawn: collision must not change with the camera's distance or the
// "modeldetail" setting, and a headless run, which draws nothing, must
// collide exactly like a drawn one.
//
// Animation clock. A reference's animation runs on game time. Drawing and
// hit tests both read the pose from the clock at the game time of the
// moment (hit tests on level 0), and neither changes it; so a ray meets an
// animated model where a drawing at that moment would show it, whether or
// not anything is drawn. The clock is kept - a looping animation's start
// moved on past the loops it made, so that a change of speed continues
// from the current pose, and a finished animation switched off - only by
// AdvanceAnimation, which the engine calls for every object's model at the
// end of each frame, drawn or not. It runs on level 0's animation lengths;
// a model's levels are meant to share them.
#pragma once

#include "core/ZEObject.h"
#include "core/ZEString.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEMatrix.h"
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

// Group modes of the file.
enum ZEZmfGroupMode : uint16_t
{
    ZE_ZMF_PLAIN = 0,
    ZE_ZMF_SAME_AS_PREVIOUS = 1,   // indices, colour key and flags of the previous key frame's group
    ZE_ZMF_ENVIRONMENT = 2,
    ZE_ZMF_COLOR_KEYED = 3,
    ZE_ZMF_COLOR_KEYED_ENVIRONMENT = 4
    // any other value counts as plain
};

#pragma pack(push, 1)
struct _ZEZmfHeader
{
    char m_acMagic[5];            // "ZMF01", no terminator
    uint8_t m_ucUnused;
    uint16_t m_usNumLODs;
    uint16_t m_usNumAnimations;
    uint16_t m_usNumTextures;
    uint16_t m_usNumMaterials;
    uint16_t m_usNumVertices;

    static constexpr uint32_t ms_ulSize = 16;
    static _ZEZmfHeader Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
    bool HasMagic() const;
    void SetMagic();
};

// x, y, z, u, v as five floats.
struct _ZEZmfVertex
{
    static constexpr uint32_t ms_ulSize = 20;
    static ZEVertex Decode(const uint8_t* bytes);
    static void Encode(const ZEVertex& vertex, uint8_t* bytes);
};

// Followed by the image as in a texture package entry: width x height RGB
// triples, or n palette triples and one index byte per texel.
struct _ZEZmfTextureHeader
{
    char m_acName[24];            // zero-terminated unless damaged
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    uint16_t m_usPaletteSize;     // 0 = true colour

    static constexpr uint32_t ms_ulSize = 30;
    static _ZEZmfTextureHeader Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};

struct _ZEZmfMaterial
{
    uint8_t m_aucUnused[24];
    uint8_t m_aucColor[3];
    uint8_t m_aucUnused2[6];

    static constexpr uint32_t ms_ulSize = 33;
    static _ZEZmfMaterial Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};

struct _ZEZmfAnimationHeader
{
    char m_acName[32];            // zero-terminated unless damaged
    uint16_t m_usNumKeyFrames;
    uint16_t m_usNumTriangles;    // of one key frame, all groups
    uint16_t m_usNumGroups;

    static constexpr uint32_t ms_ulSize = 38;
    static _ZEZmfAnimationHeader Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};

// Each key frame begins with its time (u32, milliseconds).
constexpr uint32_t ZE_ZMF_KEYFRAME_TIME_SIZE = 4;

struct _ZEZmfGroupHeader
{
    uint8_t m_aucUnused[32];
    uint16_t m_usNumTriangles;
    uint16_t m_usTexture;         // 1-based, 0 = none
    uint16_t m_usMaterial;        // 1-based, 0 = none
    uint16_t m_usUnused;
    float m_fOpacity;             // 1.0 = opaque
    uint8_t m_aucColorKey[3];
    uint8_t m_ucUnused;
    uint16_t m_usMode;            // ZEZmfGroupMode
    uint16_t m_usUnused2;

    static constexpr uint32_t ms_ulSize = 52;
    static _ZEZmfGroupHeader Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};
#pragma pack(pop)

static_assert(sizeof(_ZEZmfHeader) == _ZEZmfHeader::ms_ulSize, "the model header is 16 bytes");
static_assert(sizeof(ZEVertex) == _ZEZmfVertex::ms_ulSize, "a model vertex is 20 bytes");
static_assert(sizeof(_ZEZmfTextureHeader) == _ZEZmfTextureHeader::ms_ulSize, "a texture header is 30 bytes");
static_assert(sizeof(_ZEZmfMaterial) == _ZEZmfMaterial::ms_ulSize, "a material is 33 bytes");
static_assert(sizeof(_ZEZmfAnimationHeader) == _ZEZmfAnimationHeader::ms_ulSize,
              "an animation header is 38 bytes");
static_assert(sizeof(_ZEZmfGroupHeader) == _ZEZmfGroupHeader::ms_ulSize, "a group header is 52 bytes");

// One triangle group of a key frame. Its vertex pointer is the model's
// shared (or blended) array, which the group does not own; its index array
// it owns.
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
    // Blend stamp of the vertices the planes were last built from (0: the
    // loaded vertices).
    uint32_t m_ulPlaneStamp = 0;
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

// The key frames one draw or test uses: kf2 is null when `time` hits a key
// frame; otherwise the vertices are blended and w1 is kf1's weight.
struct _ZEModelFrames
{
    ZEModelKeyFrame* m_pKeyFrame1 = nullptr;
    ZEModelKeyFrame* m_pKeyFrame2 = nullptr;
    float m_fWeight1 = 1.0f;
    ZEVertex* m_pVertices = nullptr;          // loaded or blended
    uint32_t m_ulStamp = 0;                   // blend stamp of m_pVertices
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

    // Reads a ".zmf" file through the file manager. False, with the model
    // left empty, when the file is missing, not a model file (both silent)
    // or damaged (posted under "models").
    bool Load(const ZEString& path);
    // Frees every group, array, name and texture reference.
    void Free();

    // A new reference (owned by the caller); counts it.
    ZEModelReference* GetReference();
    // Counts one reference down when it was made for this model; returns
    // the remaining count.
    uint32_t ReleaseReference(ZEModelReference* reference);

    // Draws through the renderer in model space placed by pos, rot (Euler
    // degrees) and scale; null vectors are left out. animation and lod are
    // clamped to the model's, time to the animation's length. color holds
    // three factors (null: 1, 1, 1). Does nothing without a renderer or
    // when not loaded.
    void Render(const ZEVector* pos, const ZEVector* rot, const ZEVector* scale, uint32_t animation,
                uint32_t time, uint32_t lod, const float* color);
    // Segment tests in model space (start to start + move) against the
    // groups of the key frame(s) at that time. The record form reports the
    // hit nearest to start (point, plane, polygon, data) and writes nothing
    // without a hit.
    bool Clips(const ZEVector& start, const ZEVector& move, uint32_t animation, uint32_t time, uint32_t lod);
    bool Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info, uint32_t animation,
               uint32_t time, uint32_t lod);
    // The key frames around `time` (animation and lod clamped): true with
    // both set when they must be blended, false with only kf1 set when
    // `time` hits a key frame or lies past the last one (the last one), and
    // false with both null for an unloaded model.
    bool MergeFrames(uint32_t animation, uint32_t time, uint32_t lod, ZEModelKeyFrame*& kf1,
                     ZEModelKeyFrame*& kf2);
    // Blends into m_pInterpolatedVertices unless (lod, animation, time) equal
    // the last blend's; returns the weight of kf1 (1 without kf2).
    float InterpolateVertices(uint32_t time, uint32_t lod, uint32_t animation, ZEModelKeyFrame* kf1,
                              ZEModelKeyFrame* kf2);
    // Appends one colour-keyed copy per texture that a colour-keyed group
    // uses and renumbers those groups; false (nothing changed) when the
    // copies could not be numbered in 16 bits.
    bool CreateColorKeyedTextures();

    // The model flattened onto `plane` along `light` (both in model space,
    // the light as the vector towards it), in the colour and blending the
    // caller set, with polygon offset; placed like Render.
    void RenderProjectedShadow(ZERenderer* renderer, const ZEVector* pos, const ZEVector* rot,
                               const ZEVector* scale, uint32_t animation, uint32_t time, uint32_t lod,
                               const ZEVector& light, const ZEPlane& plane);
    // The model's shadow volume for a light vector in model space (see
    // render/ZEStencilShadowVolume.h), made on first use and rebuilt only
    // when animation, level, time or light changed; placed like Render.
    void RenderStencilShadow(ZERenderer* renderer, ZECamera* camera, const ZEVector* pos, const ZEVector* rot,
                             const ZEVector* scale, uint32_t animation, uint32_t time, uint32_t lod,
                             const ZEVector& light);

    // The animation record at a level, or null when either is out of range.
    ZEModelAnimation* GetAnimation(uint32_t lod, uint32_t animation) const;
    // The texture reference a group number names (1-based), or null for 0
    // and numbers beyond the table.
    ZETextureReference* GetTexture(uint16_t number) const;
    // Finds kf1/kf2 for (animation, time, lod), blending when needed. False
    // for an unloaded model.
    bool PrepareFrames(uint32_t animation, uint32_t time, uint32_t lod, _ZEModelFrames& frames);

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
    // Bumped by every blend that runs; never 0, which stands for the loaded
    // vertices.
    uint32_t m_ulBlendStamp = 0;
    ZEString m_Name;
    bool m_bTransparent = false;
    bool m_bLoaded = false;
    uint32_t m_ulReferences = 0;
    ZEStencilShadowVolume* m_pShadowVolume = nullptr;
    uint32_t m_ulID;

private:
    void BlendGroups(const ZEModelKeyFrame& kf1, const ZEModelKeyFrame& kf2, float t);
    void FitBoundingVolumes();
    // Points a group at the vertices of `frames`, rebuilding its planes when
    // they were built from other vertices.
    static void AttachGroup(ZEModelTriGroup& group, const _ZEModelFrames& frames);
    void DrawGroups(ZERenderer* renderer, const _ZEModelFrames& frames, const float* color, bool opaque);
    bool IsOpaque(const _ZEModelFrames& frames, uint32_t group) const;
    bool HasTranslucentGroups(const _ZEModelFrames& frames) const;
    static void SetOpaqueColor(ZERenderer* renderer, const ZEModelTriGroup& group, const float* color);
    static void SetTranslucentColor(ZERenderer* renderer, const _ZEModelFrames& frames, uint32_t group,
                                    const float* color);
    static ZETextureReference* MakeColorKeyedCopy(ZETextureReference* source, const uint8_t* key);
    static void PlaceInWorld(ZERenderer* renderer, const ZEVector* pos, const ZEVector* rot, const ZEVector* scale);
    void BuildShadowVolume(const _ZEModelFrames& frames, uint32_t animation, uint32_t lod, uint32_t time,
                           const ZEVector& light);
    void PlaceShadowSphere(const ZEVector* pos, const ZEVector* rot, const ZEVector* scale);
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
    // factors, at the level of detail for the camera's distance and the
    // animation's pose at the game time now; nothing when culled. Leaves
    // the clock as it is.
    void Render(const ZEVector& pos, const ZEVector& rot, const float* color);
    // Starts an animation now; an index or name the model lacks changes
    // nothing.
    void SetAnimation(uint32_t index);
    void SetAnimation(const ZEString& name);
    void SetScale(const ZEVector& scale);

    // Whether the camera sees nothing of a sphere at pos that encloses the
    // model wherever its centre lies (radius scaled by the largest
    // component); never culled without a renderer.
    bool Culled(const ZEVector& pos) const;
    // The model's box around its own centre, scaled; empty without a model.
    ZEAABoundingBox GetModelBBox() const;
    // A sphere at pos with the model's radius, scaled by the mean scale.
    ZEBoundingSphere GetBoundingSphere(const ZEVector& pos) const;
    ZEVector GetCenter(const ZEVector& pos) const;
    // truncate(distance / (far / levels)) + "modeldetail", at most the last
    // level; "modeldetail" 4 always the last. 0 without a model; a camera
    // without depth range adds no distance term.
    uint32_t GetLOD(const ZEVector& pos) const;
    // The level shadows are drawn at: GetLOD - "modelshadowlod" in unsigned
    // arithmetic, or the last level when that is no level (a shadow level
    // above GetLOD wraps past the last) or "modelshadowlod" is 3. 0 without
    // a model.
    uint32_t GetShadowLOD(const ZEVector& pos) const;
    // The animation time now at that level. A looping animation wraps (and
    // moves its start so the next call continues from there); one that does
    // not loop ends: animation 0, not animating, time 0.
    uint32_t GetAnimationTime(uint32_t lod);
    // Keeps the clock at the game time now (GetAnimationTime on level 0,
    // into m_ulAnimationTime) while an animation runs. The engine calls it
    // for every object's model once a frame, drawn or not; drawing and hit
    // tests only read the clock.
    void AdvanceAnimation();

    // A sphere at pos with the unscaled radius against the volume.
    bool Clips(const ZEVector& pos, const ZEBoundingVolume& volume);
    // Segment tests against the model placed at pos with rotation rot and
    // this reference's scale, at its animation's pose at the game time now
    // (what drawing would show) and on level 0 whatever is drawn; a segment that misses the sphere at pos enclosing the model
    // is refused at once, and so is every segment while a scale component
    // is 0. The contact and record forms write only on a hit, in world
    // space, the record's plane with a unit normal.
    bool Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move);
    bool Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move,
               ZEVector& contact);
    bool Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move,
               _ZEClipInfo& info);

    bool ModelContainsTransparency() const;
    // True when the animation exists and has at least two key frames at
    // level 0.
    bool IsRealAnimation(uint32_t index) const;

    // World to model space without the translation: the inverse of the
    // drawing transform's rotation (rot) and this reference's scale. False
    // when a scale component is 0 (no inverse).
    bool GetWorldToModel(const ZEVector& rot, ZEMatrix3x3& matrix) const;
    // Model to world space without the translation: rotation Rz.Ry.Rx of rot
    // after this reference's scale, as the model is drawn.
    ZEMatrix3x3 GetModelToWorld(const ZEVector& rot) const;

    // The fake shadow's footprint: the centre of the model's box (scaled,
    // turned by rot, relative to the model's position), its forward
    // direction (z turned by rot), and the box's full width (x) and length
    // (z), which the fake shadow takes as half sizes. An empty footprint at
    // the origin without a model.
    void GetFakeShadowData(ZEVector& center, const ZEVector& rot, ZEVector& direction, float& width,
                           float& length);
    // The model at pos, rot and this reference's scale flattened onto the
    // world plane `ground` along the vector from pos to `light`, untextured,
    // at the shadow level of detail and the pose drawn now.
    void RenderProjectedShadow(ZERenderer* renderer, const ZEVector& pos, const ZEVector& rot,
                               const ZEVector& light, const ZEPlane& ground);
    // The model's shadow volume for a light standing at `light`; the pose
    // follows a running animation in ms_ulShadowAnimationStep steps. Nothing
    // while a scale component is 0.
    void RenderStencilShadow(ZERenderer* renderer, ZECamera* camera, const ZEVector& pos, const ZEVector& rot,
                             const ZEVector& light);

    static const uint32_t ms_ulShadowAnimationStep = 250;   // ms

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

private:
    // The segment in model space, when it can meet the model at all.
    bool ToModelSpace(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move,
                      ZEVector& localStart, ZEVector& localMove) const;
    // Reaches every vertex from pos, wherever the model's own sphere lies,
    // scaled by the largest scale component.
    float EnclosingRadius(const ZEModel& model) const;
    // The clock as GetAnimationTime finds it at game time `now` on that
    // level, without keeping it.
    struct Clock
    {
        bool m_bAnimating;
        uint32_t m_ulAnimation;
        uint32_t m_ulStart;
        uint32_t m_ulTime;
    };
    Clock ClockAt(uint32_t lod, uint32_t now) const;
    // What is drawn or hit at the game time now on that level.
    struct Pose
    {
        uint32_t m_ulAnimation;
        uint32_t m_ulTime;
    };
    Pose PoseNow(uint32_t lod) const;
    // The vector from pos to light in model space; false while a scale
    // component is 0.
    bool ShadowSpace(const ZEVector& pos, const ZEVector& rot, const ZEVector& light, ZEVector& localLight) const;
    ZEPlane GroundInModelSpace(const ZEPlane& ground, const ZEVector& pos, const ZEVector& rot) const;
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
