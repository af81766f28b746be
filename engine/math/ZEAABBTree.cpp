#include "math/ZEAABBTree.h"

#include "math/ZECollision.h"
#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "world/ZEEngine.h"

#include <cmath>

ZE_IMPLEMENT_ROOT_RTTI(ZEAABBTreeNode);

namespace
{
// Larger than any plane distance in a level: no surface chosen yet.
const float kNoSurface = 100000000.0f;
// The foot segment runs this many centre distances through the plane.
const float kFootReach = 1.5f;

float Axis(const ZEVector& v, int axis)
{
    return axis == 0 ? v.x : (axis == 1 ? v.y : v.z);
}

float AbsoluteDistance(const ZEPlane& plane, const ZEVector& point)
{
    return std::fabs(static_cast<float>(plane.Distance(point)));
}

float Distance(const ZEVector& a, const ZEVector& b)
{
    return (a - b).GetLength();
}

// Appends `polygon` (unlinked) to the list ending at `tail`.
void Append(ZEPolygon*& head, ZEPolygon*& tail, ZEPolygon* polygon)
{
    polygon->m_pNext = nullptr;
    if (tail)
        tail->m_pNext = polygon;
    else
        head = polygon;
    tail = polygon;
}

// Where the segment from the centre, 1.5 times its distance against the
// normal, crosses the plane: the foot of the centre, when there is one.
bool FindFoot(const ZEPlane& plane, float distance, const ZEVector& center, ZEVector& foot)
{
    return ZESegmentCrossesPlane(plane, center, plane.m_vNormal * (-kFootReach * distance), foot);
}

// The volume meets one of triangle t's edges a->b, b->c, c->a.
bool EdgeMet(const ZEPolygon& polygon, uint32_t t, const ZEBoundingVolume& volume)
{
    for (uint32_t k = 0; k < 3; ++k)
    {
        ZEVector from = polygon.GetIndexedPosition(3 * t + k);
        ZEVector to = polygon.GetIndexedPosition(3 * t + (k + 1) % 3);
        if (volume.IntersectsVolume(from, to - from))
            return true;
    }
    return false;
}

// Triangle t of a non-planar polygon, with its own plane and the centre's
// signed distance from it.
bool TriangleTouched(const ZEPolygon& polygon, uint32_t t, const ZEPlane& plane, float distance,
                     const ZEBoundingVolume& volume, const ZEVector& center)
{
    ZEVector foot;
    return (FindFoot(plane, distance, center, foot) && polygon.TriangleHolds(t, foot)) || EdgeMet(polygon, t, volume);
}

// A planar polygon: the foot in any triangle, else any triangle's edge.
bool PlanarTouched(const ZEPolygon& polygon, float distance, const ZEBoundingVolume& volume, const ZEVector& center)
{
    uint32_t triangles = polygon.GetNumTestableTriangles();
    ZEVector foot;
    if (FindFoot(polygon.m_pPlanes[0], distance, center, foot))
    {
        for (uint32_t t = 0; t < triangles; ++t)
            if (polygon.TriangleHolds(t, foot))
                return true;
    }
    for (uint32_t t = 0; t < triangles; ++t)
        if (EdgeMet(polygon, t, volume))
            return true;
    return false;
}
}

// ---------------------------------------------------------------------------
// Construction

ZEAABBTreeNode::ZEAABBTreeNode(ZEPolygon* list)
{
    FitBox(list);
    if (!list || !list->m_pNext)
    {
        m_pPolygons = list;
        return;
    }
    ZEPolygon* first = nullptr;
    ZEPolygon* second = nullptr;
    Split(list, LongestAxis(), first, second);
    if (!first || !second)
    {
        m_pPolygons = first ? first : second;
        return;
    }
    m_bLeaf = false;
    m_pLeft = new ZEAABBTreeNode(first);
    m_pRight = new ZEAABBTreeNode(second);
}

ZEAABBTreeNode::~ZEAABBTreeNode()
{
    delete m_pLeft;
    delete m_pRight;
    ZEDeletePolygonList(m_pPolygons);
}

// Polygons without indices add nothing; a list without any indexed vertex
// keeps the zero box.
void ZEAABBTreeNode::FitBox(const ZEPolygon* list)
{
    if (list)
        m_Box.UpdateVolume(list, true);
}

int ZEAABBTreeNode::LongestAxis() const
{
    ZEVector size = m_Box.m_vMax - m_Box.m_vMin;
    if (size.x >= size.y && size.x >= size.z)
        return 0;
    if (size.y >= size.x && size.y >= size.z)
        return 1;
    return 2;
}

void ZEAABBTreeNode::Split(ZEPolygon* list, int axis, ZEPolygon*& first, ZEPolygon*& second) const
{
    float middle = Axis(m_Box.m_vCenter, axis);
    ZEPolygon* firstTail = nullptr;
    ZEPolygon* secondTail = nullptr;
    while (list)
    {
        ZEPolygon* polygon = list;
        list = polygon->m_pNext;
        ZEVector centroid;
        bool below = polygon->GetCentroid(centroid) && !(Axis(centroid, axis) >= middle);
        if (below)
            Append(second, secondTail, polygon);
        else
            Append(first, firstTail, polygon);
    }
}

// ---------------------------------------------------------------------------
// Volume tests

bool ZEAABBTreeNode::ListTouches(const ZEPolygon* list, const ZEBoundingVolume& volume, ZEPlane& plane)
{
    ZEVector center = volume.GetCenter();
    float best = kNoSurface;
    bool chosen = false;
    auto consider = [&](const ZEPlane& surface, float distance, auto touched) {
        if (distance < best && volume.IntersectsVolume(surface) && touched())
        {
            best = distance;
            plane = surface;
            chosen = true;
        }
    };
    for (const ZEPolygon* polygon = list; polygon; polygon = polygon->m_pNext)
    {
        uint32_t triangles = polygon->GetNumTestableTriangles();
        if (triangles > 0 && polygon->m_bPlanar)
        {
            const ZEPlane& surface = polygon->m_pPlanes[0];
            float distance = AbsoluteDistance(surface, center);
            consider(surface, distance, [&] { return PlanarTouched(*polygon, distance, volume, center); });
            continue;
        }
        for (uint32_t t = 0; t < triangles; ++t)
        {
            const ZEPlane& surface = polygon->m_pPlanes[t];
            float distance = static_cast<float>(surface.Distance(center));
            consider(surface, distance,
                     [&] { return TriangleTouched(*polygon, t, surface, distance, volume, center); });
        }
    }
    return chosen;
}

bool ZEAABBTreeNode::Clips(const ZEBoundingVolume& volume) const
{
    if (!m_Box.IntersectsVolume(volume))
        return false;
    if (!m_bLeaf)
        return m_pLeft->Clips(volume) || m_pRight->Clips(volume);
    ZEPlane unused;
    return ListTouches(m_pPolygons, volume, unused);
}

bool ZEAABBTreeNode::Clips(const ZEBoundingVolume& volume, ZEPlane& plane) const
{
    if (!m_Box.IntersectsVolume(volume))
        return false;
    if (m_bLeaf)
        return ListTouches(m_pPolygons, volume, plane);

    ZEPlane left, right;
    bool leftHit = m_pLeft->Clips(volume, left);
    bool rightHit = m_pRight->Clips(volume, right);
    if (!leftHit && !rightHit)
        return false;
    if (leftHit && rightHit)
    {
        ZEVector center = volume.GetCenter();
        plane = AbsoluteDistance(right, center) < AbsoluteDistance(left, center) ? right : left;
    }
    else
        plane = leftHit ? left : right;
    return true;
}

// ---------------------------------------------------------------------------
// Segment tests

bool ZEAABBTreeNode::Clips(const ZEVector& start, const ZEVector& move) const
{
    if (!m_Box.IntersectsVolume(start, move))
        return false;
    if (!m_bLeaf)
        return m_pLeft->Clips(start, move) || m_pRight->Clips(start, move);
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        if (polygon->Clips(start, move))
            return true;
    return false;
}

bool ZEAABBTreeNode::Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact) const
{
    _ZEClipInfo info;
    if (!Clips(start, move, info))
        return false;
    contact = info.m_vPoint;
    return true;
}

bool ZEAABBTreeNode::ListClips(ZEPolygon* list, const ZEVector& start, const ZEVector& move, _ZEClipInfo& info)
{
    bool hit = false;
    float best = 0.0f;
    ZEVector reach = move;
    for (ZEPolygon* polygon = list; polygon; polygon = polygon->m_pNext)
    {
        _ZEClipInfo local;
        if (!polygon->Clips(start, reach, local))
            continue;
        float distance = Distance(local.m_vPoint, start);
        if (hit && !(distance < best))
            continue;
        hit = true;
        best = distance;
        info = local;
        // Later polygons must be met before this contact to count.
        reach = local.m_vPoint - start;
    }
    return hit;
}

bool ZEAABBTreeNode::Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info) const
{
    if (!m_Box.IntersectsVolume(start, move))
        return false;
    if (m_bLeaf)
        return ListClips(m_pPolygons, start, move, info);

    _ZEClipInfo left, right;
    bool leftHit = m_pLeft->Clips(start, move, left);
    bool rightHit = m_pRight->Clips(start, move, right);
    if (!leftHit && !rightHit)
        return false;
    if (leftHit && rightHit)
        info = Distance(left.m_vPoint, start) < Distance(right.m_vPoint, start) ? left : right;
    else
        info = leftHit ? left : right;
    return true;
}

// ---------------------------------------------------------------------------
// Drawing, lights and decals

void ZEAABBTreeNode::Render(ZERenderer* renderer, ZECamera* camera, uint8_t brightness) const
{
    if (camera && camera->Culled(&m_Box))
        return;
    if (!m_bLeaf)
    {
        m_pLeft->Render(renderer, camera, brightness);
        m_pRight->Render(renderer, camera, brightness);
        return;
    }
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        polygon->Render(renderer, camera, brightness);
}

void ZEAABBTreeNode::RenderDynamicLight(ZELight* light, ZECamera* camera) const
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!light || !engine || !m_Box.IntersectsVolume(light->m_BoundingSphere) || (camera && camera->Culled(&m_Box)))
        return;
    if (!m_bLeaf)
    {
        m_pLeft->RenderDynamicLight(light, camera);
        m_pRight->RenderDynamicLight(light, camera);
        return;
    }
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
        if (polygon->m_usNumIndices > 0)
            engine->RenderDynamicLight(polygon, light);
}

ZEDecal* ZEAABBTreeNode::LeafDecals(const ZEVector& center, float sizeX, float sizeY,
                                    ZETextureReference* texture) const
{
    ZEDecal* head = nullptr;
    ZEDecal* tail = nullptr;
    for (ZEPolygon* polygon = m_pPolygons; polygon; polygon = polygon->m_pNext)
    {
        ZEDecal* decal = polygon->ApplyDecal(center, sizeX, sizeY, texture);
        if (!decal)
            continue;
        if (tail)
            tail->m_pNext = decal;
        else
            head = decal;
        tail = decal;
    }
    return head;
}

ZEDecal* ZEAABBTreeNode::ApplyDecal(const ZEVector& center, float sizeX, float sizeY, ZETextureReference* texture,
                                    const ZEBoundingSphere& reach) const
{
    if (!m_Box.IntersectsVolume(reach))
        return nullptr;
    if (m_bLeaf)
        return LeafDecals(center, sizeX, sizeY, texture);

    ZEDecal* left = m_pLeft->ApplyDecal(center, sizeX, sizeY, texture, reach);
    ZEDecal* right = m_pRight->ApplyDecal(center, sizeX, sizeY, texture, reach);
    if (!left)
        return right;
    ZEDecal* tail = left;
    while (tail->m_pNext)
        tail = tail->m_pNext;
    tail->m_pNext = right;
    return left;
}
