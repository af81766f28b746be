// ZEBSPTerrain: a track's static level geometry as a BSP tree of
// lightmapped faces, and the map's entities.
//
// A map file holds a header, a texture table, positions, texture
// coordinates, the lit vertices every face shares, the node tree (depth
// first, front subtree before back subtree) and the entity list. Loading
// builds the tree, makes the lights, sky box and objects the entities
// describe (adding them to the world) and offers every entity the engine
// does not know to the application, which may take it.
//
// The tree answers every question the engine asks of the level: it draws
// back to front from the camera, clips volumes and segments against faces
// (node boxes reject whole subtrees; a segment is split at each node plane
// so each half descends one side only), lights faces with dynamic lights
// and cuts decals out of the surfaces.
//
// Ownership: the terrain owns the shared vertex array, the node tree and
// (through ZETerrain) the sky box; each node owns its children and its
// faces; a face points into the shared vertices and never frees them.
//
// Reading map files is not built yet: Load fails, so a terrain stays empty
// and the tree answers nothing.
#pragma once

#include "math/ZEBoundingVolume.h"
#include "math/ZEPlane.h"
#include "math/ZEPolygon.h"
#include "math/ZEVertex.h"
#include "world/ZETerrain.h"

#include <cstdint>
#include <cstdio>

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

    ZEBoundingSphere m_BoundingSphere;
};

// A node of the tree. Its collision volume is its axis-aligned box.
class ZEBSPNode : public ZEEngineObject
{
public:
    ZEBSPNode();
    // Deletes both children and every face.
    ~ZEBSPNode() override;

    // The decals the leaf's faces near the centre make, chained in face
    // order; null when none.
    ZEDecal* ApplyDecal(const ZEVector& center, float sizeX, float sizeY,
                        ZETextureReference* texture) override;
    // Hands every face the light reaches to ZEEngine::RenderDynamicLight.
    void RenderDynamicLight(ZELight* light, ZECamera* camera) override;

    // The node's box: the collision volume it was created with.
    ZEAABoundingBox* GetBox() const;

    ZEBSPFace* m_pFaces = nullptr;    // a leaf's faces, linked through m_pNext
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

    bool Clips(const ZEBoundingVolume& volume) override;
    // Also writes the contact plane nearest to the volume's centre.
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) override;
    bool Clips(const ZEVector& start, const ZEVector& move) override;
    bool Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact) override;
    // The hit nearest to start; the record's object is the leaf node hit.
    bool Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info) override;
    ZEDecal* ApplyDecal(const ZEVector& center, float sizeX, float sizeY,
                        ZETextureReference* texture) override;
    // Turns a rotating sky box.
    void Animate(uint32_t ms, ZEEngine* engine) override;
    void Render(ZERenderer* renderer, ZECamera* camera) override;
    void RenderDynamicLight(ZELight* light, ZECamera* camera) override;
    bool Load(const ZEString& fileName) override;

    bool m_bLoaded = false;
    ZELVertex* m_pLVertices = nullptr;
    uint32_t m_ulNumLVertices = 0;
    uint16_t m_usFaceDataSize = 0;
    ZEBSPNode* m_pRoot = nullptr;
    uint8_t* m_pTextureNames = nullptr;   // the texture table, only while loading
    float m_fBrightness = 0.0f;           // ambient + directional intensities

private:
    bool LoadNode(ZEBSPNode* node, FILE* file);
    bool LoadEntities(FILE* file, uint16_t count);
    ZEPolygon* GetPolygon(const uint16_t* indices, uint16_t count);
    void RenderNode(ZEBSPNode* node, ZERenderer* renderer, ZECamera* camera);
    void LightNode(ZEBSPNode* node, ZELight* light, ZECamera* camera);
    ZEDecal* ApplyDecalToNode(ZEBSPNode* node, const ZEVector& center, float sizeX, float sizeY,
                              ZETextureReference* texture);
    bool ClipNode(ZEBSPNode* node, const ZEBoundingVolume& volume, ZEPlane& plane);
    bool ClipNode(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, const ZEVector& extension);
    bool ClipNode(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, const ZEVector& extension,
                  _ZEClipInfo& info);
};
