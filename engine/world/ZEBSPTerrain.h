// ZEBSPTerrain: a track's static level geometry as a BSP tree of
// lightmapped faces, and the map's entities.
//
// File layout (".bsp", little-endian, records below): the 24-byte header
// ("BSP0", version '1', the attribute size of every face and the counts),
// the texture table (25-byte _TextureInformation records, named by faces
// with a 1-based index), positions (3 floats), texture coordinate pairs
// (2 floats), vertices (three u16: position, texture pair, lightmap pair),
// the node tree depth first - a node record, then a leaf's faces, or an
// inner node's front subtree (when flagged) followed by its back subtree
// (when flagged) - and last the entities: a record, its data block and,
// when flagged, its polygons laid out like faces.
//
// Loading reads every field through a reader bounded by the file's size
// and refuses, with the reason posted under "world", a file that is short
// or inconsistent: a wrong magic or version, a vertex naming a position or
// pair beyond the tables, a face or polygon index beyond the vertices, an
// index count of 0 or not a multiple of 3, a texture index of 0 or beyond
// the table, an inner node without children, a tree deeper than
// ZE_BSP_MAX_DEPTH. Names are cut at their field's last byte. A map without
// attribute bytes has opaque faces (opacity 255); a 0 x 0 lightmap gives
// an empty reference. Each entity's data block is copied into a zero-padded
// buffer of at least ZE_BSP_MIN_ENTITY_DATA bytes, so a short block reads
// as zeros. After a failure the terrain is empty again and, when entities
// had already reached the world, the world is freed so nothing of the
// broken map stays behind.
//
// Entities: lights become ZELight records in the world ("AmbientLight" and
// "DirectionalLight" also add their intensity to m_fBrightness), "SkyBox"
// becomes m_pSkyBox, "GeometricalObject", "ModelObject", "Billboard",
// "Decal" and "Water" become world objects, "ParticleFX" a particle system
// and "DynamicLight" a dynamic light. A class that needs polygons but has
// none is skipped with a console message. Every other class is offered to
// ZEApplication::ReceiveCustomEntity, which keeps the entity when it
// answers true; otherwise it is deleted.
//
// Lightmap pages: once a map has loaded, the lightmaps of its faces are
// packed into pages of at most ZE_BSP_LIGHTMAP_PAGE x ZE_BSP_LIGHTMAP_PAGE
// texels (world/ZELightmapAtlas.h: each framed by copies of its edge
// texels) and every such face's lightmap coordinates are moved to the same
// texels in its page; the faces of a page share its texture, each through
// a reference of its own. A face keeps a texture of its own when its
// lightmap is larger than a page or one of its coordinates lies further
// than a quarter texel beyond its lightmap's edges. A vertex that faces
// with different pages or places share is copied for each further face
// (appended to the shared vertices), so every face keeps the coordinates it
// read; when the copies would take the array beyond 65535 vertices, every
// face keeps its own texture instead. Entity polygons copy their vertices
// before the packing and keep their own lightmaps. Without a texture
// manager faces get no lightmap at all, as before.
//
// Ownership: the terrain owns the shared lit vertex array, the node tree
// and (through ZETerrain) the sky box; each node owns its children and its
// faces; a face owns its indices, attribute bytes and texture references
// but only points into the shared vertices and never frees them.
//
// Drawing walks the tree back to front from the camera (the far side of
// each plane first, the back side when the camera lies on the plane) and
// draws a leaf's faces in file order by indices into the shared array,
// locked once per frame; a transparent face switches blending on around
// itself only.
//
// Collision tie rules:
// - Volume: within a leaf a face counts when the volume's centre lies on
//   its front side (0 <= d) strictly nearer than the best so far; of two
//   children the contact nearer to the centre wins when both lie in front,
//   the one in front when only one does, the less deep when both lie
//   behind; the front child's at equal distance. Before the exact test of
//   a node's or a face's plane, the volume's bounding sphere rejects a
//   plane that surely lies apart (for the engine's own volume kinds only);
//   no answer changes.
// - Segment: a segment is split where it crosses a node plane, the near
//   half going to the start's side and the far half to the other, each
//   stretched 0.001 past the plane. Both ends in front (or on the plane)
//   descend the front child only, both behind the back child only; a
//   segment crossing almost parallel (|n . move| < 0.00001) hits nothing.
// - Segment record: within a leaf the first hit wins unless a later face is
//   strictly nearer to start; the record's object is the leaf node.
// - Decals: a decal whose radius straddles a node plane collects the front
//   side's decals first, then the back side's.
#pragma once

#include "math/ZEBoundingVolume.h"
#include "math/ZEPlane.h"
#include "math/ZEPolygon.h"
#include "math/ZEVertex.h"
#include "world/ZETerrain.h"

#include <cstdint>
#include <memory>
#include <vector>

class ZEMapReader;
struct ZEMapSurface;
class ZECustomEntity;

// The records of the map format, little-endian and unpadded on disk. Each
// names its fields in order; reading goes through Decode, never through
// the host layout of the struct. tools/common/ZEBspWriter lays out the
// same bytes with Encode. Unused bytes are written as zeros.
#pragma pack(push, 1)
struct _ZEBSPHeader
{
    char m_acMagic[4];            // "BSP0"
    uint8_t m_ucVersion;          // '1'
    uint8_t m_ucUnused;
    uint16_t m_usFaceDataSize;    // attribute bytes of every face and polygon
    uint16_t m_usNumTextures;
    uint16_t m_usNumEntities;
    uint8_t m_aucUnused[4];
    uint16_t m_usNumVertices;
    uint16_t m_usNumPositions;
    uint16_t m_usNumTexCoords;
    uint16_t m_usUnused;

    static constexpr uint32_t ms_ulSize = 24;
    static constexpr uint8_t ms_ucVersion = '1';
    static _ZEBSPHeader Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
    bool HasMagic() const;
    // Magic "BSP0" and version '1'; every other field zero.
    static _ZEBSPHeader Make();
};

// A position is three floats (12 bytes), a texture coordinate pair two
// (8 bytes). A vertex names one of each for the texture and one pair for
// the lightmap.
struct _ZEBSPVertex
{
    uint16_t m_usPosition;
    uint16_t m_usTexCoord;
    uint16_t m_usLightmapCoord;

    static constexpr uint32_t ms_ulSize = 6;
    static constexpr uint32_t ms_ulPositionSize = 12;
    static constexpr uint32_t ms_ulTexCoordSize = 8;
    static _ZEBSPVertex Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};

// Followed, for a leaf, by its faces; for an inner node by the front
// subtree (when flagged), then the back subtree (when flagged).
struct _ZEBSPNodeRecord
{
    uint32_t m_ulNumFaces;        // 0: an inner node
    uint8_t m_ucFront;            // non-zero: a front subtree follows
    uint8_t m_ucBack;             // non-zero: a back subtree follows
    uint16_t m_usUnused;
    float m_afNormal[3];
    float m_fDistance;            // the plane is n.p + D
    float m_afMin[3];
    float m_afMax[3];

    static constexpr uint32_t ms_ulSize = 48;
    static _ZEBSPNodeRecord Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};

// Followed by the indices (u16 each), the attribute bytes (the header's
// face data size; byte 0 is the opacity) and width x height lightmap
// bytes. Entity polygons use the same record; their plane is not read.
struct _ZEBSPFaceRecord
{
    uint16_t m_usNumIndices;      // three per triangle
    uint16_t m_usTexture;         // 1-based into the texture table
    uint16_t m_usLightmapWidth;
    uint16_t m_usLightmapHeight;
    float m_afNormal[3];
    float m_fDistance;

    static constexpr uint32_t ms_ulSize = 24;
    static _ZEBSPFaceRecord Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};

// Followed by the data block, then (when flagged) the polygons.
struct _ZEBSPEntityRecord
{
    float m_afPosition[3];
    char m_acClassName[24];       // zero-terminated unless damaged
    uint8_t m_ucPolygons;         // non-zero: polygons follow the data block
    uint8_t m_ucUnused;
    uint16_t m_usDataSize;
    uint16_t m_usNumPolygons;
    uint16_t m_usUnused;

    static constexpr uint32_t ms_ulSize = 44;
    static _ZEBSPEntityRecord Decode(const uint8_t* bytes);
    void Encode(uint8_t* bytes) const;
};
#pragma pack(pop)

static_assert(sizeof(_ZEBSPHeader) == _ZEBSPHeader::ms_ulSize, "the map header is 24 bytes");
static_assert(sizeof(_ZEBSPVertex) == _ZEBSPVertex::ms_ulSize, "a map vertex is 6 bytes");
static_assert(sizeof(_ZEBSPNodeRecord) == _ZEBSPNodeRecord::ms_ulSize, "a node record is 48 bytes");
static_assert(sizeof(_ZEBSPFaceRecord) == _ZEBSPFaceRecord::ms_ulSize, "a face record is 24 bytes");
static_assert(sizeof(_ZEBSPEntityRecord) == _ZEBSPEntityRecord::ms_ulSize, "an entity record is 44 bytes");

// The deepest node tree a map may hold (the root is at depth 1); deeper
// files are refused so that a hostile file cannot exhaust the stack.
constexpr uint32_t ZE_BSP_MAX_DEPTH = 256;

// The side of a lightmap page, in texels: a power of two any OpenGL
// implementation of our time takes.
constexpr uint32_t ZE_BSP_LIGHTMAP_PAGE = 1024;

// Every entity data block is handed on in a buffer at least this long,
// zero-padded, which is longer than any class reads (the longest,
// "ParticleFX", reads 75 bytes).
constexpr uint16_t ZE_BSP_MIN_ENTITY_DATA = 128;

// One face of a leaf: planar and lightmapped, drawn and tested through its
// indices into the terrain's shared vertices (its own vertex count is 0).
class ZEBSPFace : public ZEPolygon
{
    ZE_DECLARE_RTTI
public:
    // Lightmapped and planar, with room for one plane and its up and right
    // vectors; not yet updated.
    ZEBSPFace();
    // Lets go of the shared vertices before the polygon frees its arrays.
    ~ZEBSPFace() override;

    ZEBoundingSphere m_BoundingSphere;   // around the face's indexed vertices
};

// A node of the tree. Its collision volume is its axis-aligned box; a leaf
// holds faces, an inner node one or two children.
class ZEBSPNode : public ZEEngineObject
{
public:
    ZEBSPNode();
    // Deletes both children and every face.
    ~ZEBSPNode() override;

    // The decals made by the leaf's faces whose spheres meet the sphere
    // (center, max(sizeX, sizeY) / 2), chained in face order; null when
    // none. The caller owns the chain.
    ZEDecal* ApplyDecal(const ZEVector& center, float sizeX, float sizeY,
                        ZETextureReference* texture) override;
    // Hands every face the light's sphere meets, and the camera does not
    // cull, to ZEEngine::RenderDynamicLight; nothing when the box is culled
    // or out of the light's reach.
    void RenderDynamicLight(ZELight* light, ZECamera* camera) override;

    // The node's box: the collision volume it was created with.
    ZEAABoundingBox* GetBox() const;
    // Appends a face (taken over) to the end of the leaf's list.
    void AddFace(ZEBSPFace* face);

    ZEBSPFace* m_pFaces = nullptr;    // a leaf's faces, linked through m_pNext
    ZEBSPFace* m_pLastFace = nullptr; // tail, so appending stays cheap
    bool m_bLeaf = false;
    ZEPlane m_Plane;                  // splitting plane of an inner node
    ZEBSPNode* m_pFront = nullptr;    // positive side, owned, may be null
    ZEBSPNode* m_pBack = nullptr;     // negative side, owned, may be null
};

class ZEBSPTerrain : public ZETerrain
{
    ZE_DECLARE_RTTI
public:
    ZEBSPTerrain();
    // Deletes the shared vertices and the tree (the sky box goes with
    // ZETerrain).
    ~ZEBSPTerrain() override;

    // Whether the volume touches a face. False before a map is loaded.
    bool Clips(const ZEBoundingVolume& volume) override;
    // The same; on true also writes the contact plane nearest to the
    // volume's centre (tie rules above).
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) override;
    // Whether the segment start .. start + move hits a face.
    bool Clips(const ZEVector& start, const ZEVector& move) override;
    // The same; on a hit writes the contact nearest to start.
    bool Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact) override;
    // The same; on a hit fills the record (point, plane, the face's
    // attribute bytes, the face) with the leaf node as its object.
    bool Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info) override;
    // The decals cut out of every face near the centre, front sides first;
    // null when none. The caller owns the chain.
    ZEDecal* ApplyDecal(const ZEVector& center, float sizeX, float sizeY,
                        ZETextureReference* texture) override;
    // Turns a rotating sky box by its speeds for `ms` milliseconds.
    void Animate(uint32_t ms, ZEEngine* engine) override;
    // Back to front from the camera (a null camera culls nothing).
    void Render(ZERenderer* renderer, ZECamera* camera) override;
    // Hands the faces within the light's reach to ZEEngine::RenderDynamicLight.
    void RenderDynamicLight(ZELight* light, ZECamera* camera) override;
    // Reads the map through the file manager and adds its entities to the
    // world. False for a missing or damaged file; the terrain is then
    // empty (see above) and the caller deletes it.
    bool Load(const ZEString& fileName) override;

    // The grey level the terrain is drawn with while lightmaps are off:
    // 255 x m_fBrightness, clamped to 0..255.
    uint8_t GetBrightnessLevel() const;

    bool m_bLoaded = false;
    ZELVertex* m_pLVertices = nullptr;
    uint32_t m_ulNumLVertices = 0;
    uint16_t m_usFaceDataSize = 0;
    ZEBSPNode* m_pRoot = nullptr;
    uint8_t* m_pTextureNames = nullptr;   // the texture table, only while loading
    uint16_t m_usNumTextures = 0;         // its records, only while loading
    float m_fBrightness = 0.0f;           // ambient + directional intensities

private:
    // A face's lightmap from the file, waiting for the pages.
    struct PendingLightmap
    {
        ZEBSPFace* m_pFace;
        std::unique_ptr<uint8_t[]> m_pucTexels;
        uint16_t m_usWidth, m_usHeight;
    };
    class LightmapPacking;

    // Frees everything a load made; the terrain is empty again.
    void Unload();
    bool ReadMap(ZEMapReader& reader);
    bool ReadTables(ZEMapReader& reader, const _ZEBSPHeader& header);
    bool ReadTextureTable(ZEMapReader& reader, uint16_t count);
    // The lit vertices from the positions and pairs they name.
    bool ReadVertices(ZEMapReader& reader, const _ZEBSPHeader& header);
    bool LoadNode(ZEBSPNode* node, ZEMapReader& reader, uint32_t depth);
    bool LoadFace(ZEBSPNode* node, ZEMapReader& reader);
    bool LoadEntities(ZEMapReader& reader, uint16_t count);
    ZECustomEntity* LoadEntity(ZEMapReader& reader);
    // Texture, lightmap, attribute bytes and opacity of a face or polygon.
    void DressSurface(ZEPolygon* polygon, ZEMapSurface& surface);
    // Packs the pending lightmaps into pages and hands each face its
    // lightmap (see above); none are pending afterwards.
    void PackLightmaps();
    // Points every face of the tree at the shared vertices again.
    void RelinkVertices(ZEBSPNode* node);
    // A stand-alone lightmapped polygon over copies of the shared vertices
    // the indices use; null for indices beyond the shared vertices.
    ZEPolygon* GetPolygon(const uint16_t* indices, uint16_t count);
    // Makes the entity's engine class, or offers it to the application.
    void ReceiveEntity(ZECustomEntity* entity);

    void RenderNode(ZEBSPNode* node, ZERenderer* renderer, ZECamera* camera, uint8_t level);
    void RenderFace(ZEBSPFace* face, ZERenderer* renderer, uint8_t level);
    void LightNode(ZEBSPNode* node, ZELight* light, ZECamera* camera);
    ZEDecal* ApplyDecalToNode(ZEBSPNode* node, const ZEVector& center, float sizeX, float sizeY,
                              ZETextureReference* texture);
    // A volume's bounding sphere for cheap rejects (see the tie rules).
    struct VolumeReach;
    bool ClipNode(ZEBSPNode* node, const ZEBoundingVolume& volume, const VolumeReach& reach, ZEPlane& plane);
    bool ClipLeaf(ZEBSPNode* node, const ZEBoundingVolume& volume, const VolumeReach& reach, ZEPlane& plane);
    bool ClipNode(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, const ZEVector& extension);
    bool ClipNode(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, const ZEVector& extension,
                  _ZEClipInfo& info);
    bool ClipLeaf(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, _ZEClipInfo& info);

    // The faces' lightmaps, only while loading.
    std::vector<PendingLightmap> m_aPendingLightmaps;
};
