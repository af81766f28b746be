// ZEPolygon: the engine's unit of static geometry, and the clip record.
//
// A polygon is an indexed triangle list over its own vertex array - plain
// vertices, or lit vertices with a lightmap when m_bLightmapped - with one
// texture and a table of planes: one per triangle, or a single plane when
// all triangles lie in one plane (m_bPlanar). Whoever fills a polygon calls
// Update() once afterwards to build that table; only then can it be tested.
// The polygon owns every array it points at and both texture references; a
// subclass that shares a vertex array with others (a map face, a model's
// triangle group) clears its vertex pointers before this destructor runs.
// Polygons are chained through m_pNext into lists whose owner deletes every
// element.
//
// Every segment test runs from start to start + move. A precise test fills
// a clip record only when it reports a hit: the contact point, the plane
// that was hit, the surface's attribute bytes and the polygon itself. The
// hit engine object is written by the object or terrain that answers the
// question, never by the polygon.
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
    // A new decal lying on this surface (owned by the caller), or null when
    // the centre is not on it.
    virtual ZEDecal* ApplyDecal(const ZEVector& center, float sizeX, float sizeY,
                                ZETextureReference* texture);
    // Segment tests; the contact and record forms write only on a hit.
    virtual bool Clips(const ZEVector& start, const ZEVector& move);
    virtual bool Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact);
    virtual bool Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info);

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
};

// Whether p, a point already on the triangle's plane, lies in the triangle
// a, b, c (edges and corners included).
bool ZEPointInTriangle(const ZEVector& a, const ZEVector& b, const ZEVector& c, const ZEVector& p);

// Deletes a list of polygons chained through m_pNext and clears the head.
void ZEDeletePolygonList(ZEPolygon*& list);
