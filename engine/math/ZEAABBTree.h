// ZEAABBTreeNode: a binary tree of axis-aligned boxes over a polygon list.
//
// The collision, drawing, lighting and decal structure of static level
// geometry: an engine object holding polygons builds one tree over them and
// hands every segment, volume, render, dynamic-light and decal request to
// it. Each node's box holds every vertex of every polygon below it, so a
// query that misses a node's box skips the whole subtree.
//
// Construction: the box is fitted around the list; a single polygon makes
// a leaf; otherwise the list is split on the box's longest axis (ties
// prefer x, then y) by each polygon's centroid - the mean of the positions
// its indices refer to, a shared vertex counted once per reference - into
// those at or above the box centre (left) and those below it (right), both
// in input order. When every centroid falls on one side the node stays a
// leaf holding the whole list. A polygon without indices has no centroid
// and goes with the left side; it adds nothing to any box and never clips.
// An empty list gives an empty leaf with a zero box that answers every
// query with nothing.
//
// Ownership: the tree takes every polygon of the list and deletes them with
// its leaves (through the polygons' virtual destructor); an inner node
// deletes its children. A tree is never rebalanced or changed after
// construction.
//
// Tie rules:
// - Segment record test: within a leaf the first hit in list order wins
//   unless a later polygon is strictly nearer to start (the segment is
//   shortened to each accepted contact); between two children the nearer
//   contact wins, the right child's at equal distance.
// - Volume-plane test: within a leaf a surface is taken when its plane
//   distance from the volume's centre is strictly below the best so far
//   (the distance of a planar polygon taken as absolute, that of a
//   non-planar polygon's triangle with its sign); between two children the
//   plane with the smaller absolute distance wins, the left one at equal
//   distance.
#pragma once

#include "core/ZEObject.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPlane.h"
#include "math/ZEVector.h"

#include <cstdint>

class ZECamera;
class ZEDecal;
class ZELight;
class ZEPolygon;
class ZERenderer;
class ZETextureReference;
struct _ZEClipInfo;

// Never derived from: its owners delete it through its own type.
class ZEAABBTreeNode final
{
    ZE_DECLARE_ROOT_RTTI
public:
    // Builds the subtree over the list (chained through m_pNext) and takes
    // every polygon of it; null gives an empty leaf.
    explicit ZEAABBTreeNode(ZEPolygon* list);
    ~ZEAABBTreeNode();

    ZEAABBTreeNode(const ZEAABBTreeNode&) = delete;
    ZEAABBTreeNode& operator=(const ZEAABBTreeNode&) = delete;

    // Whether the volume touches a polygon, by the same surface test as the
    // plane form.
    bool Clips(const ZEBoundingVolume& volume) const;
    // The same; on true `plane` is the touched surface's plane.
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) const;
    // Segment tests from start to start + move. The record form writes
    // point, plane, data and polygon on a hit and clears the object field
    // (the engine object that owns the tree fills it in).
    bool Clips(const ZEVector& start, const ZEVector& move) const;
    bool Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact) const;
    bool Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info) const;

    // Draws the polygons of every node the camera does not cull (a null
    // camera culls nothing) with the grey level `brightness`.
    void Render(ZERenderer* renderer, ZECamera* camera, uint8_t brightness) const;
    // Hands every polygon of the nodes inside the light's sphere and not
    // culled to ZEEngine::RenderDynamicLight; nothing without an engine.
    void RenderDynamicLight(ZELight* light, ZECamera* camera) const;
    // A chain (through m_pNext, owned by the caller) of the decals the
    // polygons within `reach` make, in tree order; null when none.
    ZEDecal* ApplyDecal(const ZEVector& center, float sizeX, float sizeY, ZETextureReference* texture,
                        const ZEBoundingSphere& reach) const;

    // A leaf's own tests over a whole polygon list, without any box: the
    // volume-plane search and the nearest segment hit, with the tie rules
    // above. They are also the baseline a tree is measured against.
    static bool ListTouches(const ZEPolygon* list, const ZEBoundingVolume& volume, ZEPlane& plane);
    static bool ListClips(ZEPolygon* list, const ZEVector& start, const ZEVector& move, _ZEClipInfo& info);

    bool m_bLeaf = true;
    ZEPolygon* m_pPolygons = nullptr;
    ZEAABoundingBox m_Box;
    ZEAABBTreeNode* m_pLeft = nullptr;
    ZEAABBTreeNode* m_pRight = nullptr;

private:
    void FitBox(const ZEPolygon* list);
    int LongestAxis() const;
    // Unlinks the list into those at or above the box centre on `axis` and
    // those below, both in input order.
    void Split(ZEPolygon* list, int axis, ZEPolygon*& first, ZEPolygon*& second) const;
    ZEDecal* LeafDecals(const ZEVector& center, float sizeX, float sizeY, ZETextureReference* texture) const;
};
