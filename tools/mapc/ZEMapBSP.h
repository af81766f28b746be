// ZEMapBSP: the node tree that lets the engine draw a map without a depth
// test.
//
// While no face is transparent the engine draws the terrain with depth
// comparison "always": at every inner node it draws the subtree on the far
// side of the node's plane first (the back subtree when the eye is in
// front, n.p + D >= 0, and the other way round), and inside a leaf it
// draws the faces in file order. The picture is right when
//   1. every face of a front subtree lies on n.p + D >= 0 and every face of
//      a back subtree on n.p + D <= 0, so faces that straddle a node's
//      plane are cut along it; and
//   2. inside a leaf no face can hide a face drawn after it.
// Faces are one-sided (the renderer culls their backs), so face A can hide
// face B from some eye exactly when A reaches in front of B's plane and B
// reaches behind A's plane (ZEMapCanHide): then an eye on the line from a
// point of B behind A through a point of A in front of B sees both fronts
// with A before B. The leaf order is a topological order of that relation,
// and a set without one (a cycle) is cut further.
//
// Construction: large sets are cut by axis-aligned planes through the
// middle of their faces (a spatial tree, good for culling and collision);
// a set small enough for a leaf becomes one when it can be ordered,
// otherwise it is cut along the plane of a face that can hide another,
// which always separates the pair. Faces lying in a cutting plane go to
// the front when they face the same way, to the back otherwise. Every
// inner node therefore has a child and every leaf a face.
#pragma once

#include "ZEMapMath.h"

#include <cstdint>
#include <vector>

// Whether `first` can hide part of `second` from an eye that sees both
// fronts (points within `tolerance` of a plane count as lying in it).
bool ZEMapCanHide(const std::vector<ZEMapVec3>& first, const ZEMapPlane& firstPlane,
                  const std::vector<ZEMapVec3>& second, const ZEMapPlane& secondPlane, double tolerance);

// A drawing order of the faces (indices into the arguments) in which no
// face can hide a later one, or false when there is none.
bool ZEMapOrderFaces(const std::vector<std::vector<ZEMapVec3>>& corners, const std::vector<ZEMapPlane>& planes,
                     double tolerance, std::vector<uint32_t>& order);

struct ZEMapBSPNode
{
    bool m_bLeaf = false;
    ZEMapPlane m_Plane;
    int32_t m_lFront = -1;                 // index into the node list, -1 none
    int32_t m_lBack = -1;
    std::vector<uint32_t> m_aulFaces;      // a leaf's faces in drawing order
};

class ZEMapBSP
{
public:
    // Builds the tree over the polygons; leaves hold at most `leafFaces`
    // faces unless a larger set cannot be cut further.
    void Build(const std::vector<ZEMapPolygon>& polygons, uint32_t leafFaces);

    // The polygons after cutting, which the leaves index.
    const std::vector<ZEMapPolygon>& GetFaces() const { return m_aFaces; }
    const std::vector<ZEMapBSPNode>& GetNodes() const { return m_aNodes; }
    int32_t GetRoot() const { return m_lRoot; }
    uint32_t GetDepth() const { return m_ulDepth; }
    uint32_t GetLeaves() const { return m_ulLeaves; }
    // Faces added by cutting.
    uint32_t GetCuts() const { return m_ulCuts; }

private:
    struct Choice
    {
        bool m_bFound = false;
        ZEMapPlane m_Plane;
        double m_dScore = 0.0;
    };

    int32_t BuildNode(std::vector<ZEMapPolygon>& set, uint32_t depth);
    int32_t MakeLeaf(std::vector<ZEMapPolygon>& set, const std::vector<uint32_t>& order);
    // An order for the set, with the faces that can hide another in `hiders`.
    bool OrderSet(const std::vector<ZEMapPolygon>& set, std::vector<uint32_t>& order,
                  std::vector<uint32_t>* hiders) const;
    Choice ChooseAxisPlane(const std::vector<ZEMapPolygon>& set) const;
    Choice ChooseFacePlane(const std::vector<ZEMapPolygon>& set, const std::vector<uint32_t>& candidates) const;
    // Counts what a plane does to the set; false when one side stays empty.
    bool Score(const std::vector<ZEMapPolygon>& set, const ZEMapPlane& plane, double& score, size_t& front,
               size_t& back) const;
    void Partition(std::vector<ZEMapPolygon>& set, const ZEMapPlane& plane, std::vector<ZEMapPolygon>& front,
                   std::vector<ZEMapPolygon>& back);

    std::vector<ZEMapPolygon> m_aFaces;
    std::vector<ZEMapBSPNode> m_aNodes;
    int32_t m_lRoot = -1;
    uint32_t m_ulLeafFaces = 24;
    uint32_t m_ulDepth = 0;
    uint32_t m_ulLeaves = 0;
    uint32_t m_ulCuts = 0;
};
