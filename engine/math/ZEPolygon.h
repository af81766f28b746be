// ZEPolygon: the engine's unit of static geometry, and the clip record.
//
// A polygon is an indexed triangle list over its own vertex array - plain
// vertices, or lit vertices with a lightmap when m_bLightmapped - with one
// texture and a table of planes: one per triangle, or a single plane when
// all triangles lie in one plane (m_bPlanar). Whoever fills a polygon calls
// Update() once afterwards to build that table; only then can it be tested.
// A polygon without indices has no planes, is not planar, never clips,
// draws nothing and takes no decals.
// The polygon owns every array it points at and both texture references; a
// subclass that shares a vertex array with others (a map face, a model's
// triangle group) clears its vertex pointers before this destructor runs.
// Polygons are chained through m_pNext into lists whose owner deletes every
// element.
//
// Every segment test runs from start to start + move and meets a plane
// only by ZESegmentCrossesPlane (math/ZECollision.h): an end lying on the
// plane does not cross it, nor does a segment (almost) parallel to it. A precise test fills
// a clip record only when it reports a hit: the contact point, the plane
// that was hit, the surface's attribute bytes and the polygon itself. The
// hit engine object is written by the object or terrain that answers the
// question, never by the polygon.
//
// Tie rules of the record test: a planar polygon reports the first triangle
// (in index order) that holds the crossing; a non-planar one tries every
// triangle and keeps the first hit unless a later one is strictly nearer to
// start, shortening the segment to each accepted contact. A segment through
// the edge shared by two of its triangles therefore hits the earlier one.
#pragma once

#include "core/ZEObject.h"
#include "math/ZEPlane.h"
#include "math/ZEVector.h"
#include "math/ZEVertex.h"

#include <cstdint>

class ZECamera;
class ZEDecal;
class ZEEngineObject;
class ZEPolygon;
class ZERenderer;
class ZETextureReference;

struct _ZEClipInfo
{
    ZEVector m_vPoint;                    // contact point on the surface
    ZEPlane m_Plane;                      // plane of the triangle that was hit
    uint8_t* m_pucData = nullptr;         // the polygon's attribute bytes, not owned
    ZEEngineObject* m_pObject = nullptr;  // the engine object that was hit
    ZEPolygon* m_pPolygon = nullptr;      // the polygon that was hit
};

class ZEPolygon
{
    ZE_DECLARE_ROOT_RTTI
public:
    ZEPolygon() = default;
    virtual ~ZEPolygon();

    ZEPolygon(const ZEPolygon&) = delete;
    ZEPolygon& operator=(const ZEPolygon&) = delete;

    // Draws with full brightness / with the given grey level, blending
    // around itself when not opaque.
    virtual void Render(ZERenderer* renderer, ZECamera* camera);
    virtual void Render(ZERenderer* renderer, ZECamera* camera, uint8_t brightness);
    // Builds the plane table and the up and right vectors from the current
    // vertices and indices.
    virtual void Update();
    // Turns a lit polygon into a plain one for good; a plain one is left as
    // it is.
    virtual void RemoveLightmap();
    // A new decal (owned by the caller) made of this surface's triangles
    // that pass within 0.001 of the centre, textured so the decal's sizeX x
    // sizeY rectangle maps onto [0, 1] around it; it holds a new reference
    // to the texture of `texture`. Null when no triangle passes the centre
    // or a size is not positive.
    virtual ZEDecal* ApplyDecal(const ZEVector& center, float sizeX, float sizeY,
                                ZETextureReference* texture);
    // Segment tests; the contact and record forms write only on a hit.
    virtual bool Clips(const ZEVector& start, const ZEVector& move);
    virtual bool Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact);
    virtual bool Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info);

    // Triangles in the index list (trailing indices short of a triangle are
    // ignored).
    uint16_t GetNumTriangles() const { return static_cast<uint16_t>(m_usNumIndices / 3); }
    // Triangles the tests look at: those with a plane from the last
    // Update() and a vertex array to read; 0 for a polygon without indices.
    uint32_t GetNumTestableTriangles() const;
    // Position of the vertex that index slot `slot` refers to, from the lit
    // vertices when lightmapped.
    ZEVector GetIndexedPosition(uint32_t slot) const;
    // Whether the crossing point p (on the triangle's plane) lies in
    // triangle t.
    bool TriangleHolds(uint32_t t, const ZEVector& p) const;
    // Mean of the positions the index list refers to, each vertex counted
    // once per reference; false (and nothing written) without indices.
    bool GetCentroid(ZEVector& centroid) const;

    bool m_bLightmapped = false;
    ZEVertex* m_pVertices = nullptr;
    ZELVertex* m_pLVertices = nullptr;
    uint16_t m_usNumVertices = 0;
    uint16_t m_usNumIndices = 0;
    uint16_t* m_pusIndices = nullptr;
    ZETextureReference* m_pTexture = nullptr;
    ZETextureReference* m_pLightmap = nullptr;
    uint8_t m_ucAlpha = 255;
    uint8_t* m_pucData = nullptr;
    ZEPolygon* m_pNext = nullptr;
    uint16_t m_usNumPlanes = 0;
    ZEPlane* m_pPlanes = nullptr;
    ZEVector* m_pvUp = nullptr;
    ZEVector* m_pvRight = nullptr;
    bool m_bUpdated = false;
    bool m_bPlanar = false;

private:
    const void* PositionsInUse() const;
    void DrawWith(ZERenderer* renderer, uint8_t brightness);
    void FreePlanes();
    void BuildPlanes(uint16_t triangles);
    bool AllPlanesEqual() const;
    // The first triangle holding the crossing of the single plane.
    bool PlanarHit(const ZEVector& start, const ZEVector& move, ZEVector& point) const;
    // Every triangle tried; the nearest hit (the earliest at equal distance).
    bool NearestTriangleHit(const ZEVector& start, const ZEVector& move, ZEVector& point, uint32_t& triangle) const;
    ZEVertex* MakeDecalVertices(const ZEVector& center, float sizeX, float sizeY, uint16_t& count) const;
};

// Whether p, a point already on the triangle's plane, lies in the triangle
// a, b, c (edges and corners included): the angles p sees between the
// corners add up to 2 pi within 0.001, or p lies on a corner.
bool ZEPointInTriangle(const ZEVector& a, const ZEVector& b, const ZEVector& c, const ZEVector& p);

// Deletes a list of polygons chained through m_pNext and clears the head.
void ZEDeletePolygonList(ZEPolygon*& list);
