#include "ZEMapBSP.h"

#include <algorithm>
#include <functional>
#include <queue>

namespace
{
// Sets larger than this are not ordered as a whole: they are cut.
const size_t kOrderLimit = 400;
// Beyond this depth a set becomes a leaf whatever it holds (the format
// allows 256 levels).
const uint32_t kDeepest = 200;
// A cut costs this much more than one face of imbalance.
const double kCutCost = 8.0;
// How many faces a face-plane search tries when there are many.
const size_t kFaceCandidates = 32;

std::vector<ZEMapVec3> CornersOf(const ZEMapPolygon& polygon)
{
    std::vector<ZEMapVec3> corners;
    for (const ZEMapVertex& vertex : polygon.m_aVertices)
        corners.push_back(vertex.p);
    return corners;
}
}

bool ZEMapCanHide(const std::vector<ZEMapVec3>& first, const ZEMapPlane& firstPlane,
                  const std::vector<ZEMapVec3>& second, const ZEMapPlane& secondPlane, double tolerance)
{
    bool reachesInFront = std::any_of(first.begin(), first.end(),
                                      [&](const ZEMapVec3& p) { return secondPlane.Distance(p) > tolerance; });
    if (!reachesInFront)
        return false;
    return std::any_of(second.begin(), second.end(),
                       [&](const ZEMapVec3& p) { return firstPlane.Distance(p) < -tolerance; });
}

bool ZEMapOrderFaces(const std::vector<std::vector<ZEMapVec3>>& corners, const std::vector<ZEMapPlane>& planes,
                     double tolerance, std::vector<uint32_t>& order)
{
    size_t count = corners.size();
    // after[j] lists the faces that must be drawn after j (they can hide it).
    std::vector<std::vector<uint32_t>> after(count);
    std::vector<uint32_t> waiting(count, 0);
    for (size_t i = 0; i < count; ++i)
        for (size_t j = 0; j < count; ++j)
            if (i != j && ZEMapCanHide(corners[i], planes[i], corners[j], planes[j], tolerance))
            {
                after[j].push_back(static_cast<uint32_t>(i));
                ++waiting[i];
            }
    // Kahn's algorithm, lowest index first so an orderable set keeps its
    // given order as far as it can.
    std::priority_queue<uint32_t, std::vector<uint32_t>, std::greater<uint32_t>> ready;
    for (size_t i = 0; i < count; ++i)
        if (waiting[i] == 0)
            ready.push(static_cast<uint32_t>(i));
    order.clear();
    while (!ready.empty())
    {
        uint32_t face = ready.top();
        ready.pop();
        order.push_back(face);
        for (uint32_t later : after[face])
            if (--waiting[later] == 0)
                ready.push(later);
    }
    return order.size() == count;
}

void ZEMapBSP::Build(const std::vector<ZEMapPolygon>& polygons, uint32_t leafFaces)
{
    m_aFaces.clear();
    m_aNodes.clear();
    m_ulLeafFaces = std::max<uint32_t>(1, leafFaces);
    m_ulDepth = m_ulLeaves = m_ulCuts = 0;
    std::vector<ZEMapPolygon> set = polygons;
    m_lRoot = BuildNode(set, 1);
}

int32_t ZEMapBSP::BuildNode(std::vector<ZEMapPolygon>& set, uint32_t depth)
{
    if (set.empty())
        return -1;
    m_ulDepth = std::max(m_ulDepth, depth);

    std::vector<uint32_t> order, hiders;
    Choice choice;
    if (set.size() <= m_ulLeafFaces || depth >= kDeepest)
    {
        if (OrderSet(set, order, &hiders) || depth >= kDeepest)
            return MakeLeaf(set, order);
        choice = ChooseFacePlane(set, hiders);
    }
    else
    {
        choice = ChooseAxisPlane(set);
        if (!choice.m_bFound)
        {
            if (set.size() <= kOrderLimit && OrderSet(set, order, &hiders))
                return MakeLeaf(set, order);
            choice = ChooseFacePlane(set, hiders);
        }
    }
    if (!choice.m_bFound)
    {
        // No plane separates anything: nothing in the set can hide another
        // face either, so any order is right.
        OrderSet(set, order, nullptr);
        return MakeLeaf(set, order);
    }

    std::vector<ZEMapPolygon> front, back;
    Partition(set, choice.m_Plane, front, back);
    set.clear();
    set.shrink_to_fit();
    int32_t index = static_cast<int32_t>(m_aNodes.size());
    m_aNodes.emplace_back();
    int32_t frontNode = BuildNode(front, depth + 1);
    int32_t backNode = BuildNode(back, depth + 1);
    ZEMapBSPNode& node = m_aNodes[index];
    node.m_bLeaf = false;
    node.m_Plane = choice.m_Plane;
    node.m_lFront = frontNode;
    node.m_lBack = backNode;
    return index;
}

int32_t ZEMapBSP::MakeLeaf(std::vector<ZEMapPolygon>& set, const std::vector<uint32_t>& order)
{
    ZEMapBSPNode leaf;
    leaf.m_bLeaf = true;
    std::vector<bool> placed(set.size(), false);
    auto take = [&](uint32_t i) {
        leaf.m_aulFaces.push_back(static_cast<uint32_t>(m_aFaces.size()));
        m_aFaces.push_back(set[i]);
        placed[i] = true;
    };
    for (uint32_t i : order)
        if (i < set.size() && !placed[i])
            take(i);
    for (uint32_t i = 0; i < set.size(); ++i)
        if (!placed[i])
            take(i);
    leaf.m_Plane = m_aFaces[leaf.m_aulFaces[0]].m_Plane;
    ++m_ulLeaves;
    m_aNodes.push_back(leaf);
    return static_cast<int32_t>(m_aNodes.size() - 1);
}

bool ZEMapBSP::OrderSet(const std::vector<ZEMapPolygon>& set, std::vector<uint32_t>& order,
                        std::vector<uint32_t>* hiders) const
{
    std::vector<std::vector<ZEMapVec3>> corners;
    std::vector<ZEMapPlane> planes;
    for (const ZEMapPolygon& polygon : set)
    {
        corners.push_back(CornersOf(polygon));
        planes.push_back(polygon.m_Plane);
    }
    bool ordered = ZEMapOrderFaces(corners, planes, ZE_MAP_ON_PLANE, order);
    if (!ordered && hiders)
    {
        hiders->clear();
        for (size_t i = 0; i < set.size(); ++i)
            for (size_t j = 0; j < set.size(); ++j)
                if (i != j && ZEMapCanHide(corners[i], planes[i], corners[j], planes[j], ZE_MAP_ON_PLANE))
                {
                    hiders->push_back(static_cast<uint32_t>(i));
                    break;
                }
    }
    return ordered;
}

bool ZEMapBSP::Score(const std::vector<ZEMapPolygon>& set, const ZEMapPlane& plane, double& score, size_t& front,
                     size_t& back) const
{
    size_t cuts = 0;
    front = back = 0;
    for (const ZEMapPolygon& polygon : set)
    {
        switch (polygon.Classify(plane))
        {
        case ZE_MAP_ON:
            if (polygon.m_Plane.m_vNormal.Dot(plane.m_vNormal) > 0.0)
                ++front;
            else
                ++back;
            break;
        case ZE_MAP_FRONT:
            ++front;
            break;
        case ZE_MAP_BACK:
            ++back;
            break;
        case ZE_MAP_SPANNING:
            ++front;
            ++back;
            ++cuts;
            break;
        }
    }
    double imbalance = front > back ? double(front - back) : double(back - front);
    // Every cut face costs vertices for good; imbalance only a level of
    // depth. In a large set a cut weighs as much as a sixteenth of it.
    score = std::max(kCutCost, double(set.size()) / 16.0) * double(cuts) + imbalance;
    return front > 0 && back > 0;
}

ZEMapBSP::Choice ZEMapBSP::ChooseAxisPlane(const std::vector<ZEMapPolygon>& set) const
{
    ZEMapVec3 lo(1e300, 1e300, 1e300), hi(-1e300, -1e300, -1e300);
    std::vector<ZEMapVec3> centres;
    for (const ZEMapPolygon& polygon : set)
    {
        for (const ZEMapVertex& vertex : polygon.m_aVertices)
        {
            lo = ZEMapVec3(std::min(lo.x, vertex.p.x), std::min(lo.y, vertex.p.y), std::min(lo.z, vertex.p.z));
            hi = ZEMapVec3(std::max(hi.x, vertex.p.x), std::max(hi.y, vertex.p.y), std::max(hi.z, vertex.p.z));
        }
        centres.push_back(polygon.Centroid());
    }
    double extent[3] = {hi.x - lo.x, hi.y - lo.y, hi.z - lo.z};
    int axes[3] = {0, 1, 2};
    std::sort(axes, axes + 3, [&](int a, int b) { return extent[a] > extent[b]; });

    Choice best;
    for (int a = 0; a < 2; ++a)
    {
        int axis = axes[a];
        if (extent[axis] <= 2.0 * ZE_MAP_ON_PLANE)
            continue;
        auto coordinate = [axis](const ZEMapVec3& p) { return axis == 0 ? p.x : axis == 1 ? p.y : p.z; };
        std::vector<double> values, corners;
        for (const ZEMapVec3& centre : centres)
            values.push_back(coordinate(centre));
        for (const ZEMapPolygon& polygon : set)
            for (const ZEMapVertex& vertex : polygon.m_aVertices)
                corners.push_back(coordinate(vertex.p));
        std::sort(values.begin(), values.end());
        std::sort(corners.begin(), corners.end());
        double low = coordinate(lo), high = coordinate(hi);
        // Planes through the middle of the faces, and the same moved onto
        // the nearest corner, where they run along existing edges and cut less.
        std::vector<double> positions{0.5 * (low + high)};
        for (size_t eighth = 1; eighth < 8; ++eighth)
            positions.push_back(values[(eighth * values.size()) / 8]);
        for (size_t i = 0, count = positions.size(); i < count; ++i)
        {
            auto above = std::lower_bound(corners.begin(), corners.end(), positions[i]);
            if (above != corners.end())
                positions.push_back(*above);
            if (above != corners.begin())
                positions.push_back(*(above - 1));
        }
        for (double position : positions)
        {
            ZEMapPlane plane;
            plane.m_vNormal = ZEMapVec3(axis == 0 ? 1.0 : 0.0, axis == 1 ? 1.0 : 0.0, axis == 2 ? 1.0 : 0.0);
            plane.m_dDistance = -position;
            double score = 0.0;
            size_t front = 0, back = 0;
            if (!Score(set, plane, score, front, back) || front >= set.size() || back >= set.size())
                continue;
            // Cutting most of the set is no progress.
            if (front + back > set.size() + set.size() / 2)
                continue;
            if (!best.m_bFound || score < best.m_dScore)
            {
                best.m_bFound = true;
                best.m_Plane = plane;
                best.m_dScore = score;
            }
        }
    }
    return best;
}

ZEMapBSP::Choice ZEMapBSP::ChooseFacePlane(const std::vector<ZEMapPolygon>& set,
                                           const std::vector<uint32_t>& candidates) const
{
    std::vector<uint32_t> tried = candidates;
    if (tried.empty())
        for (uint32_t i = 0; i < set.size(); ++i)
            tried.push_back(i);
    if (tried.size() > kFaceCandidates)
    {
        std::vector<uint32_t> sample;
        for (size_t k = 0; k < kFaceCandidates; ++k)
            sample.push_back(tried[k * tried.size() / kFaceCandidates]);
        tried.swap(sample);
    }
    Choice best;
    for (uint32_t i : tried)
    {
        double score = 0.0;
        size_t front = 0, back = 0;
        if (!Score(set, set[i].m_Plane, score, front, back))
            continue;
        if (!best.m_bFound || score < best.m_dScore)
        {
            best.m_bFound = true;
            best.m_Plane = set[i].m_Plane;
            best.m_dScore = score;
        }
    }
    return best;
}

void ZEMapBSP::Partition(std::vector<ZEMapPolygon>& set, const ZEMapPlane& plane, std::vector<ZEMapPolygon>& front,
                         std::vector<ZEMapPolygon>& back)
{
    for (ZEMapPolygon& polygon : set)
    {
        switch (polygon.Classify(plane))
        {
        case ZE_MAP_ON:
            (polygon.m_Plane.m_vNormal.Dot(plane.m_vNormal) > 0.0 ? front : back).push_back(std::move(polygon));
            break;
        case ZE_MAP_FRONT:
            front.push_back(std::move(polygon));
            break;
        case ZE_MAP_BACK:
            back.push_back(std::move(polygon));
            break;
        case ZE_MAP_SPANNING:
        {
            ZEMapPolygon f, b;
            polygon.Split(plane, f, b);
            bool inFront = !f.m_aVertices.empty(), behind = !b.m_aVertices.empty();
            if (inFront && behind)
                ++m_ulCuts;
            if (inFront)
                front.push_back(std::move(f));
            if (behind)
                back.push_back(std::move(b));
            break;
        }
        }
    }
}
