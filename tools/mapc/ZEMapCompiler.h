// ZEMapCompiler: turns a track description into a map file, stage by stage.
//
//   1. read the description (ZEMapDescription)
//   2. build the centre line (ZEMapTrack; none in a scene map)
//   3. build the level's polygons (ZEMapGeometry)
//   4. generate and place the entities (ZEMapEntities)
//   5. build the node tree, cutting faces along node planes (ZEMapBSP)
//   6. bake one lightmap per face and entity polygon (ZEMapLighting)
//   7. lay it all into the shared map model (ZEBspWriter), which checks
//      the format's limits and writes the file
// Every stage works on the compiler's own structures; only the last one
// knows the file. A stage that refuses the description stops the
// compilation with messages naming lines; nothing is written then.
#pragma once

#include "ZEMapDescription.h"

#include "core/ZEString.h"

#include <cstdint>

class ZEBspWriter;

struct ZEMapStats
{
    double m_dTrackLength = 0.0;
    uint32_t m_ulPolygons = 0;      // level polygons before cutting
    uint32_t m_ulFaces = 0;
    uint32_t m_ulCuts = 0;
    uint32_t m_ulNodes = 0;
    uint32_t m_ulLeaves = 0;
    uint32_t m_ulDepth = 0;
    uint32_t m_ulLightmaps = 0;
    uint64_t m_ullTexels = 0;
    uint64_t m_ullRays = 0;
    uint32_t m_ulEntities = 0;
    uint32_t m_ulTrackNodes = 0;
    uint32_t m_ulAINodes = 0;
    uint32_t m_ulVertices = 0;
    uint32_t m_ulPositions = 0;
    uint32_t m_ulTexCoords = 0;
    uint32_t m_ulTextures = 0;
    uint64_t m_ullBytes = 0;
    double m_dGeometrySeconds = 0.0;
    double m_dTreeSeconds = 0.0;
    double m_dLightSeconds = 0.0;
    double m_dSeconds = 0.0;        // the whole compilation
};

class ZEMapTrack;

class ZEMapCompiler
{
public:
    // Stages 2 to 7 into `writer` (which should be empty). False with
    // errors in `messages` when the description breaks a rule or the map
    // would break a limit of the format.
    bool Compile(const ZEMapDescription& description, ZEMapMessages& messages, ZEBspWriter& writer,
                 ZEMapStats& stats);

private:
    static void PlaceAlongTrack(ZEMapDescription& description, const ZEMapTrack& track);
};

// Reads `input`, compiles it and writes `output` (replaced only when the
// whole map was written).
bool ZECompileMapFile(const ZEString& input, const ZEString& output, ZEMapMessages& messages, ZEMapStats& stats);

// What was built, a few lines for the console.
ZEString ZEDescribeMapStats(const ZEMapStats& stats);
