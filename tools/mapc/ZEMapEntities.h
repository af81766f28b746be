// ZEMapEntities: the entity list of a map, generated from the track and
// placed by the description.
//
// Generated along the centre line:
// - "TrackNode" 0 .. N-1 (N at most 50), evenly spaced; node 0 is the start
//   and finish line. Each is a vertical quad across the road between the
//   walls (as wide as the track is there) whose plane normal points
//   against the direction of travel (a car has passed a node once it is on
//   the negative side), with its index in data byte 0 and its origin on
//   the centre line, moved along the track (never node 0) until no placed
//   object stands within 100 units of it.
// - "AINode" 0 .. M-1 (M at most 50) on a racing line that cuts into the
//   corners by a share of the local road's half width, consecutive nodes
//   more than 150 apart. Data: index at 0, the speed factor at 4 (km/h;
//   the computer brakes above skill x factor + 40) from the sharpest bend
//   in the next stretch, the handbrake byte at 8 for hairpins.
// - "StartPosition" 1 .. 4 on two staggered lanes behind the start line,
//   each facing the direction of travel: index at 0, heading (degrees) at 4.
//   The grid stands on road of full width: a [[narrow]] reaching it is
//   refused.
// - "Barrier" polygons along the walls' inner faces (which follow the
//   road's width) when the walls ask for them: one planar quad a segment
//   and side, from below the road to the walls' height, facing the track.
// Placed by the description: lights, the sky box, power-ups, road signs,
// models, particle emitters, water, billboards and decals, with the data
// blocks their classes read.
// A scene map (no road) gets no track nodes, AI nodes, grid or barriers.
#pragma once

#include "ZEMapDescription.h"
#include "ZEMapMath.h"
#include "ZEMapTrack.h"

#include <cstdint>
#include <vector>

// A polygon carried by an entity: triangles over its own corners, lying in
// the plane of its outline.
struct ZEMapEntityPolygon
{
    ZEMapPolygon m_Outline;                 // plane, texture, opacity
    std::vector<ZEMapVertex> m_aVertices;   // the corners the triangles use
    std::vector<uint16_t> m_ausTriangles;
    bool m_bBaked = false;                  // lit like the level; else a full-bright 4 x 4 map
};

struct ZEMapEntity
{
    ZEString m_ClassName;
    ZEMapVec3 m_vOrigin;
    std::vector<uint8_t> m_aucData;
    std::vector<ZEMapEntityPolygon> m_aPolygons;
    uint32_t m_ulLine = 0;
};

class ZEMapEntities
{
public:
    bool Build(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);

    const std::vector<ZEMapEntity>& GetEntities() const { return m_aEntities; }
    uint32_t GetTrackNodes() const { return m_ulTrackNodes; }
    uint32_t GetAINodes() const { return m_ulAINodes; }

private:
    struct Blocker
    {
        ZEMapVec2 m_vPoint;
        uint32_t m_ulLine = 0;
        const char* m_pKind = "";
    };

    void AddLights(const ZEMapDescription& description, const ZEMapTrack& track);
    void AddSkyBox(const ZEMapDescription& description);
    bool AddTrackNodes(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);
    bool AddAINodes(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);
    bool AddGrid(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);
    // Refuses a [[narrow]] (ramps included) reaching the `length` of the
    // grid behind the start line.
    bool GridOnFullRoad(const ZEMapDescription& description, const ZEMapTrack& track, double length,
                        ZEMapMessages& messages) const;
    void AddBarriers(const ZEMapDescription& description, const ZEMapTrack& track);
    void AddPlaced(const ZEMapDescription& description, const ZEMapTrack& track);
    void AddWater(const ZEMapDescription& description);

    void CollectBlockers(const ZEMapDescription& description, const ZEMapTrack& track);
    // The first blocker within the clearance of p, or null.
    const Blocker* BlockerNear(const ZEMapVec3& p) const;
    ZEMapEntity& Add(const char* className, const ZEMapVec3& origin, const std::vector<uint8_t>& data,
                     uint32_t line);
    // A quad entity polygon from four corners facing `front`, with texture
    // coordinates 0..1 over it in corner order (0,0) (0,1) (1,1) (1,0).
    static ZEMapEntityPolygon Quad(const std::vector<ZEMapVec3>& corners, const ZEMapVec3& front, uint16_t texture,
                                   uint8_t opacity, bool baked);

    std::vector<ZEMapEntity> m_aEntities;
    std::vector<Blocker> m_aBlockers;
    uint32_t m_ulTrackNodes = 0;
    uint32_t m_ulAINodes = 0;
};
