// ZEMapGeometry: the level's surfaces, built from the description.
//
// Everything that becomes a face of the map is made here as convex planar
// polygons facing the side they are seen from:
// - the road and its verges, flat at y = 0, segment by segment along the
//   centre line, as wide as the track is at each sample (narrower in the
//   [[narrow]] sections); the road's texture runs across it from 0 to 1
//   and along it with the distance;
// - the terrain walls on both edges (inner face towards the track, top,
//   outer face), following the road's edges beyond the verges, raised to
//   the roof inside tunnels;
// - tunnels (ceiling, roof and portals) and bridges (a deck across the
//   corridor on two piers beyond the walls);
// - the ground: a grid of cells around everything, flat at y = 0 near the
//   road and rising into the hills away from it; the cells that the
//   corridor crosses are cut around it, so no ground lies under the road;
// - boxes with flat, gable, pyramid or arched roofs, and rails.
//
// The drivable area stays exactly flat: hills are levelled within the
// corridor and a cell of it, and a box or rail that would stand on the
// corridor is refused with its line. Only bridge decks (and tunnels) pass
// above the road, and only above the walls.
//
// A scene map has no road: no corridor, walls, tunnels or bridges; the
// ground is flat at [ground] y (0 unless given) with its hills, around the
// scenery (or the origin when nothing else gives it a size).
#pragma once

#include "ZEMapDescription.h"
#include "ZEMapMath.h"
#include "ZEMapTrack.h"

#include <vector>

class ZEMapGeometry
{
public:
    // False (with errors) when a piece of scenery breaks a rule.
    bool Build(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);

    const std::vector<ZEMapPolygon>& GetPolygons() const { return m_aPolygons; }
    // The corridor (road, verges, terrain walls) as one convex region a segment.
    const std::vector<ZEMapRegion>& GetCorridor() const { return m_aCorridor; }
    // Ground height at (x, z), the flat ground's outside the grid.
    double GroundHeight(double x, double z) const;
    // Whether a region overlaps the corridor.
    bool OnCorridor(const ZEMapRegion& region) const;

private:
    struct Grid
    {
        double m_dX0 = 0.0, m_dZ0 = 0.0, m_dCell = 1.0;
        double m_dBase = 0.0;                 // the flat ground's height
        size_t m_ulNX = 0, m_ulNZ = 0;        // cells
        std::vector<double> m_adHeights;      // (m_ulNX + 1) x (m_ulNZ + 1) corners
        double& At(size_t i, size_t j) { return m_adHeights[j * (m_ulNX + 1) + i]; }
        double At(size_t i, size_t j) const { return m_adHeights[j * (m_ulNX + 1) + i]; }
    };

    void BuildCorridor(const ZEMapTrack& track);
    void BuildRoad(const ZEMapDescription& description, const ZEMapTrack& track);
    bool MarkTunnels(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);
    void BuildWalls(const ZEMapDescription& description, const ZEMapTrack& track);
    void BuildTunnels(const ZEMapDescription& description, const ZEMapTrack& track);
    bool BuildBridges(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);
    // A bridge's two piers beyond the corridor's half width `corridor`.
    void AddPiers(const ZEMapDescription& description, const ZEMapBridge& bridge, const ZEMapTrackSample& at,
                  double corridor);
    bool BuildGround(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages);
    // Lays the flat cells that no corridor reaches as rectangles of
    // several cells; which cells those are.
    std::vector<bool> MergeFlatCells(const ZEMapDescription& description,
                                     const std::vector<std::vector<uint32_t>>& reaching);
    bool BuildBoxes(const ZEMapDescription& description, ZEMapMessages& messages);
    bool BuildRails(const ZEMapDescription& description, ZEMapMessages& messages);

    bool AddBox(const ZEMapDescription& description, const ZEMapBox& box);
    // Adds a polygon from world corners facing `front`, its texture laid
    // flat on its plane; drops a degenerate one.
    void Add(const std::vector<ZEMapVec3>& corners, const ZEMapVec3& front, uint16_t texture, double scale,
             uint32_t line);
    void AddPolygon(ZEMapPolygon polygon, uint32_t line);
    double TextureScale(const ZEMapDescription& description, uint16_t texture) const;
    void Extend(const ZEMapVec2& p, double reach);

    std::vector<ZEMapPolygon> m_aPolygons;
    std::vector<ZEMapRegion> m_aCorridor;
    std::vector<int32_t> m_alTunnel;          // per segment: tunnel index or -1
    Grid m_Grid;
    ZEMapVec2 m_vMin{1e300, 1e300}, m_vMax{-1e300, -1e300};
    const ZEMapDescription* m_pDescription = nullptr;
};
