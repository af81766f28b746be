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
// - raceability (what a race on the map needs, with the largest car):
//   - the way from each track node to the next - a smooth curve through
//     the AI nodes, or through the track nodes without them - first comes
//     behind the next node's plane within the game's reach of a pass (900
//     around the origin) at that node's polygon: nothing of it lies behind
//     the plane before, so no car passes a node it has not reached;
//   - AI nodes make a closed chain of at least 3, including last to first
//     more than 150 apart, with positive, finite speed factors;
//   - start position 1 is pole (nearest node 0's plane) and the four stand
//     at least a car length apart;
//   - track nodes, start positions and pickups ("PowerUp") stand on road:
//     a ray down meets a face at y = 0, and the largest car standing there
//     (turned the way of travel) touches no face of the level nor any
//     barrier polygon; from track nodes and start positions the far chase
//     camera (100 behind the car, 40 up) sees the car;
//   - a race track (a map with track nodes) holds 6 to 10 pickups.
//   Faces, floor and camera use the engine's box tree and its volume and
//   segment tests, built once over the level's faces.
#pragma once

#include "core/ZEString.h"

#include <cstdint>
#include <vector>

class ZEBspWriter;

// The largest car: the union of every car model's box, since the game
// sizes each car by its model's box (WZCar::Build) - 20 wide (police car,
// Dodge), 39.5 high and 86 long (ambulance). tests/game/LargestCarTest
// holds these figures to the built car models.
constexpr double ZE_MAP_CAR_WIDTH = 20.0;
constexpr double ZE_MAP_CAR_HEIGHT = 39.5;
constexpr double ZE_MAP_CAR_LENGTH = 86.0;

// Pickups a race track holds.
constexpr uint32_t ZE_MAP_MIN_POWERUPS = 6;
constexpr uint32_t ZE_MAP_MAX_POWERUPS = 10;

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
    uint32_t m_ulPowerUps = 0;

    bool IsClean() const { return m_aProblems.empty(); }
};

// How ZEReadMapFile takes a file.
enum class ZEMapReading
{
    // Every byte belongs to the map and every name ends inside its field,
    // as the map writer lays them out: what "zemapc --check" demands.
    Whole,
    // As the engine's loader takes a file: bytes after the last entity are
    // never read, and a name that fills its field is cut at the field's
    // last byte (11 characters of a texture name or package, 23 of a class
    // name).
    AsTheEngine
};

// Fills `map` (which should be empty; its root becomes node 0) from a whole
// file. False with the reason in `error` when the bytes are not a map.
bool ZEReadMapFile(const std::vector<uint8_t>& bytes, ZEBspWriter& map, ZEString& error,
                   ZEMapReading reading = ZEMapReading::Whole);

// Every rule above; true when none is broken.
bool ZECheckMap(const ZEBspWriter& map, ZEMapCheckReport& report);

// The structural rules alone - the ones the engine's loader refuses a file
// for, and so the ones every map it loads keeps: vertices naming existing
// positions and pairs; every inner node with a child, no tree deeper than
// the format allows; every face and entity polygon of whole triangles, with
// indices within the vertices, a texture of the table and the map's number
// of attribute bytes. True when none is broken; the rest of the report's
// counts are filled as by ZECheckMap.
bool ZECheckMapStructure(const ZEBspWriter& map, ZEMapCheckReport& report);

// Reads and checks a file; an unreadable file is one problem.
bool ZECheckMapFile(const ZEString& path, ZEMapCheckReport& report);
