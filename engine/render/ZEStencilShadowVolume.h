// ZEStencilShadowVolume: the shadow a model casts, as a volume the stencil
// buffer counts.
//
// Building. The volume belongs to one model and is built in the model's own
// space for one light vector (pointing from the model towards the light)
// and one pose. Every triangle that faces the light - its normal's dot
// product with the light vector is at least -0.05, so faces edge-on to the
// light count as lit - hands its three edges to AddEdge. An edge handed in
// twice, in either direction, is shared by two lit triangles and cancels;
// what remains is the silhouette. BuildVolume then pulls every silhouette
// edge 300 units away from the light into a quad of two triangles.
//
// The light vector is used as a direction: the volume normalises it (a
// light far away otherwise pulls the quads out millions of units, and the
// facing tolerance would mean nothing). A zero light vector builds no
// volume.
//
// Capacity. The edge list holds at most maxEdges edges, and never more than
// a 16-bit vertex array can draw (six vertices an edge). A silhouette that
// would exceed it loses its surplus edges: the list stops growing when full
// and the shadow shows a gap rather than writing past the list.
//
// Drawing (Render). Z-pass counting: with colour and depth writes off, the
// volume's front faces add 1 to the stencil value of every pixel where they
// pass the depth test, its back faces take 1 away; a pixel left above 0
// lies inside the volume and is darkened by one quad across the window in
// the colour the caller set (black with the shadow's alpha), blended with
// codes one and one-minus-source-alpha. The stencil buffer is cleared
// first, so each volume darkens a pixel at most once. Clear, counting and
// quad are kept to the part of the window the volume's sphere can cover.
//
// Culling. BuildVolume fits m_BoundingSphere round the volume in model
// space; the owner places it in the world as m_WorldSphere on every draw
// (the object may have moved without the light turning in model space). A
// volume whose world sphere the camera culls is not drawn.
//
// Ownership: the volume owns its edge list and vertex array; the source
// vertices are the model's and only read while building.
#pragma once

#include "math/ZEBoundingVolume.h"
#include "math/ZEVector.h"
#include "math/ZEVertex.h"

#include <cstdint>
#include <unordered_map>

class ZECamera;
class ZERenderer;
struct ZEModelKeyFrame;

class ZEStencilShadowVolume
{
public:
    // Sets the volume up over the model's vertices for the light vector;
    // nothing is collected yet.
    ZEStencilShadowVolume(ZEVertex* vertices, uint32_t maxEdges, const ZEVector& light);
    ZEStencilShadowVolume(ZELVertex* vertices, uint32_t maxEdges, const ZEVector& light);
    ~ZEStencilShadowVolume();

    ZEStencilShadowVolume(const ZEStencilShadowVolume&) = delete;
    ZEStencilShadowVolume& operator=(const ZEStencilShadowVolume&) = delete;

    // Starts over for new vertices or light: empties the edge list (kept
    // when the capacity is unchanged) and marks the volume unbuilt.
    void RecreateVolume(ZEVertex* vertices, uint32_t maxEdges, const ZEVector& light);
    void RecreateVolume(ZELVertex* vertices, uint32_t maxEdges, const ZEVector& light);

    // The lit triangles of every group of a key frame (planes rebuilt first
    // where a group has none).
    void AddModelKeyFrame(ZEModelKeyFrame* keyFrame);
    // One triangle with its normal: its edges when it faces the light.
    void AddTriangle(uint16_t a, uint16_t b, uint16_t c, const ZEVector& normal);
    // Removes (a, b) or (b, a) when listed, otherwise appends (a, b) unless
    // the list is full. Removing moves the last edge into the gap.
    void AddEdge(uint16_t a, uint16_t b);
    // The quads of the silhouette edges and the sphere around them.
    void BuildVolume();
    // Darkens what the volume covers (see above); nothing while unbuilt,
    // empty or culled.
    void Render(ZERenderer* renderer, ZECamera* camera);

    // Whether the volume was built for this state (the light compared
    // exactly, all three components).
    bool IsCachedFor(uint32_t animation, uint32_t lod, uint32_t time, const ZEVector& light) const;
    void SetCache(uint32_t animation, uint32_t lod, uint32_t time);

    bool m_bBuilt = false;
    uint32_t m_ulNumEdges = 0;
    uint32_t m_ulMaxEdges = 0;
    uint32_t m_ulNumVertices = 0;
    uint16_t* m_pEdges = nullptr;          // m_ulMaxEdges pairs
    ZEVertex* m_pVertices = nullptr;       // 6 per edge of the capacity
    uint32_t m_ulCachedAnimation = UINT32_MAX;
    uint32_t m_ulCachedLOD = UINT32_MAX;
    uint32_t m_ulCachedTime = UINT32_MAX;
    ZEVector m_vLight;                     // as given, for the cache
    bool m_bLVertices = false;
    ZEVertex* m_pSourceVertices = nullptr;
    ZELVertex* m_pSourceLVertices = nullptr;
    ZEBoundingSphere m_BoundingSphere;     // model space, fitted by BuildVolume
    ZEBoundingSphere m_WorldSphere;        // placed by the owner

    // The most edges a volume holds: six vertices each in a 16-bit array.
    static const uint32_t ms_ulEdgeLimit = 65535 / 6;

private:
    void Reset(uint32_t maxEdges, const ZEVector& light);
    ZEVector SourcePosition(uint16_t index) const;
    void RemoveEdge(uint32_t slot);
    static uint32_t EdgeKey(uint16_t a, uint16_t b);

    ZEVector m_vDirection;                 // unit light vector (zero: none)
    // Where each listed edge sits in m_pEdges, by its undirected key.
    std::unordered_map<uint32_t, uint32_t> m_EdgeSlots;
};
