// ZEMapCheck: reads any map file and verifies the rules a map must keep.
//
// Reading fills the shared map model (ZEBspWriter: tables, node tree,
// entities) from the bytes, checking every count and offset against what
// is left of the file, so a damaged or hostile file is refused with a
// reason instead of being read beyond its end.
//
// Checking reports every broken rule, not just the first:
// - tables: vertices name existing positions and pairs; texture names
//   and packages have at most 11 characters, class names at most 23;
// - tree: every inner node has a child, every leaf a face, no deeper than
//   the format allows; node boxes enclose their subtrees;
// - faces: whole triangles, indices within the vertices, a texture of the
//   table, corners in their plane and wound to face the way it does, a
//   lightmap whose sides are powers of two of at least 4;
// - drawing order (as the engine draws with depth comparison "always"):
//   every face of a front subtree lies on n.p + D >= 0, of a back subtree
//   on <= 0, and inside a leaf no face can hide a later one (ZEMapCanHide);
// - entities: the data blocks of the classes the engine and the game read
//   are long enough; track nodes and AI nodes are numbered densely from 0
//   (at most 50 of each), each track node has a polygon whose normal points
//   against the direction of travel (the next node lies behind its plane,
//   the previous one in front), consecutive AI nodes are more than 150
//   apart, the four start positions stand before node 0 and after the last
//   node; ambient and directional light add up to at most 1.
#pragma once

#include "core/ZEString.h"

#include <cstdint>
#include <vector>

class ZEBspWriter;

struct ZEMapCheckReport
{
    std::vector<ZEString> m_aProblems;
    uint32_t m_ulFaces = 0;
    uint32_t m_ulTransparentFaces = 0;
    uint32_t m_ulNodes = 0;
    uint32_t m_ulLeaves = 0;
    uint32_t m_ulDepth = 0;
    uint64_t m_ullTexels = 0;
    uint32_t m_ulEntities = 0;
    uint32_t m_ulTrackNodes = 0;
    uint32_t m_ulAINodes = 0;
    uint32_t m_ulStartPositions = 0;

    bool IsClean() const { return m_aProblems.empty(); }
};

// Fills `map` (which should be empty; its root becomes node 0) from a whole
// file. False with the reason in `error` when the bytes are not a map.
bool ZEReadMapFile(const std::vector<uint8_t>& bytes, ZEBspWriter& map, ZEString& error);

// Every rule above; true when none is broken.
bool ZECheckMap(const ZEBspWriter& map, ZEMapCheckReport& report);

// Reads and checks a file; an unreadable file is one problem.
bool ZECheckMapFile(const ZEString& path, ZEMapCheckReport& report);
