#include "ZEMapGeometry.h"

#include <algorithm>
#include <cmath>

namespace
{
const double kPi = 3.14159265358979323846;
const size_t kMaxGroundCells = 250000;
const uint32_t kArchSegments = 8;
const double kRailWidth = 2.0;
const double kRailHeight = 3.0;
const double kSleeperHeight = 1.5;
const ZEMapVec3 kUp(0.0, 1.0, 0.0);
const ZEMapVec3 kDown(0.0, -1.0, 0.0);

ZEMapVec3 At3(const ZEMapTrackSample& sample, double side, double y)
{
    ZEMapVec2 p = sample.m_vPoint + sample.m_vRight * side;
    return ZEMapVec3(p.x, y, p.z);
}

// The edges across the track at a sample, `sign` -1 on the left and +1 on
// the right: of the road, of the verge (the walls' inner face) and of the
// corridor (the terrain walls' outer face).
ZEMapVec3 RoadEdge(const ZEMapTrackSample& sample, double sign, double y)
{
    return At3(sample, sign * sample.m_dRoadHalf, y);
}

ZEMapVec3 InnerEdge(const ZEMapTrackSample& sample, double sign, double y)
{
    return At3(sample, sign * sample.m_dInnerHalf, y);
}

ZEMapVec3 OuterEdge(const ZEMapTrackSample& sample, double sign, double y)
{
    return At3(sample, sign * sample.m_dCorridorHalf, y);
}

ZEMapVec3 Flat(const ZEMapVec2& p, double y)
{
    return ZEMapVec3(p.x, y, p.z);
}

ZEMapVec3 Horizontal(const ZEMapVec2& d)
{
    return ZEMapVec3(d.x, 0.0, d.z);
}

double Smoothstep(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}
}

bool ZEMapGeometry::Build(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages)
{
    m_pDescription = &description;
    m_aPolygons.clear();
    BuildCorridor(track);
    bool fine = MarkTunnels(description, track, messages);
    if (track.HasRoad())
    {
        BuildRoad(description, track);
        if (description.m_Walls.HasTerrain())
            BuildWalls(description, track);
        BuildTunnels(description, track);
    }
    fine = BuildGround(description, track, messages) && fine;
    fine = BuildBridges(description, track, messages) && fine;
    fine = BuildBoxes(description, messages) && fine;
    fine = BuildRails(description, messages) && fine;
    return fine;
}

double ZEMapGeometry::TextureScale(const ZEMapDescription& description, uint16_t texture) const
{
    return texture < description.m_aTextures.size() ? description.m_aTextures[texture].m_dScale : 256.0;
}

void ZEMapGeometry::AddPolygon(ZEMapPolygon polygon, uint32_t line)
{
    polygon.RemoveDegenerateCorners();
    if (!polygon.IsUsable() || !polygon.UpdatePlane())
        return;
    polygon.m_ulLine = line;
    m_aPolygons.push_back(polygon);
}

void ZEMapGeometry::Add(const std::vector<ZEMapVec3>& corners, const ZEMapVec3& front, uint16_t texture,
                        double scale, uint32_t line)
{
    ZEMapPolygon polygon = ZEMapMakePolygon(corners, front);
    if (!polygon.IsUsable())
        return;
    ZEMapVec3 right, up;
    ZEMapPlaneAxes(polygon.m_Plane.m_vNormal, right, up);
    // The first row of a texture is its top: v grows downwards.
    ZEMapProjectTexture(polygon, right * (1.0 / scale), up * (-1.0 / scale));
    polygon.m_usTexture = texture;
    AddPolygon(polygon, line);
}

void ZEMapGeometry::Extend(const ZEMapVec2& p, double reach)
{
    m_vMin = ZEMapVec2(std::min(m_vMin.x, p.x - reach), std::min(m_vMin.z, p.z - reach));
    m_vMax = ZEMapVec2(std::max(m_vMax.x, p.x + reach), std::max(m_vMax.z, p.z + reach));
}

// ---------------------------------------------------------------------------
// Along the track

void ZEMapGeometry::BuildCorridor(const ZEMapTrack& track)
{
    const std::vector<ZEMapTrackSample>& samples = track.GetSamples();
    m_aCorridor.clear();
    for (size_t k = 0; k < samples.size(); ++k)
    {
        const ZEMapTrackSample& a = samples[k];
        const ZEMapTrackSample& b = samples[(k + 1) % samples.size()];
        double ha = a.m_dCorridorHalf, hb = b.m_dCorridorHalf;
        m_aCorridor.push_back({a.m_vPoint - a.m_vRight * ha, b.m_vPoint - b.m_vRight * hb,
                               b.m_vPoint + b.m_vRight * hb, a.m_vPoint + a.m_vRight * ha});
        Extend(a.m_vPoint, ha);
    }
}

bool ZEMapGeometry::OnCorridor(const ZEMapRegion& region) const
{
    for (const ZEMapRegion& piece : m_aCorridor)
        if (ZEMapOverlapArea(region, piece) > 1e-3)
            return true;
    return false;
}

void ZEMapGeometry::BuildRoad(const ZEMapDescription& description, const ZEMapTrack& track)
{
    const ZEMapTrackDesc& desc = description.m_Track;
    const std::vector<ZEMapTrackSample>& samples = track.GetSamples();
    double roadScale = TextureScale(description, desc.m_usRoadTexture);
    double vergeScale = TextureScale(description, desc.m_usVergeTexture);
    for (size_t k = 0; k < samples.size(); ++k)
    {
        const ZEMapTrackSample& a = samples[k];
        const ZEMapTrackSample& b = samples[(k + 1) % samples.size()];
        double va = a.m_dAlong / roadScale;
        double vb = (a.m_dAlong + (b.m_vPoint - a.m_vPoint).Length()) / roadScale;

        // The road's texture spans it once across and repeats along it.
        ZEMapPolygon road;
        ZEMapVertex corners[4];
        corners[0].p = RoadEdge(a, -1.0, 0.0);
        corners[0].u = 0.0;
        corners[0].v = va;
        corners[1].p = RoadEdge(b, -1.0, 0.0);
        corners[1].u = 0.0;
        corners[1].v = vb;
        corners[2].p = RoadEdge(b, 1.0, 0.0);
        corners[2].u = 1.0;
        corners[2].v = vb;
        corners[3].p = RoadEdge(a, 1.0, 0.0);
        corners[3].u = 1.0;
        corners[3].v = va;
        road.m_aVertices.assign(corners, corners + 4);
        road.FaceTowards(kUp);
        road.m_usTexture = desc.m_usRoadTexture;
        AddPolygon(road, a.m_ulLine);

        if (desc.m_dVerge <= 0.0)
            continue;
        for (double sign : {-1.0, 1.0})
            Add({RoadEdge(a, sign, 0.0), RoadEdge(b, sign, 0.0), InnerEdge(b, sign, 0.0), InnerEdge(a, sign, 0.0)}, kUp,
                desc.m_usVergeTexture, vergeScale, a.m_ulLine);
    }
}

bool ZEMapGeometry::MarkTunnels(const ZEMapDescription& description, const ZEMapTrack& track,
                                ZEMapMessages& messages)
{
    const std::vector<ZEMapTrackSample>& samples = track.GetSamples();
    m_alTunnel.assign(samples.size(), -1);
    bool fine = true;
    for (size_t t = 0; t < description.m_aTunnels.size(); ++t)
    {
        const ZEMapTunnel& tunnel = description.m_aTunnels[t];
        if (!description.m_Walls.HasTerrain())
        {
            messages.Error(tunnel.m_ulLine, "[[tunnel]] needs terrain walls ([walls] kind = \"terrain\" or \"both\")");
            fine = false;
            continue;
        }
        if (tunnel.m_dHeight <= description.m_Walls.m_dHeight)
        {
            messages.Error(tunnel.m_ulLine, ZEString::Format("[[tunnel]] height must exceed the walls' height %.0f",
                                                             description.m_Walls.m_dHeight));
            fine = false;
            continue;
        }
        if (tunnel.m_dTo > track.GetLength())
        {
            messages.Error(tunnel.m_ulLine, ZEString::Format("[[tunnel]] to: the track is only %.0f long",
                                                             track.GetLength()));
            fine = false;
            continue;
        }
        size_t marked = 0;
        for (size_t k = 0; k < samples.size(); ++k)
        {
            double length = (samples[(k + 1) % samples.size()].m_vPoint - samples[k].m_vPoint).Length();
            double middle = samples[k].m_dAlong + 0.5 * length;
            if (middle < tunnel.m_dFrom || middle >= tunnel.m_dTo)
                continue;
            if (m_alTunnel[k] >= 0)
            {
                messages.Error(tunnel.m_ulLine, "[[tunnel]] overlaps another tunnel");
                fine = false;
                break;
            }
            m_alTunnel[k] = static_cast<int32_t>(t);
            ++marked;
        }
        if (marked == 0 && fine)
        {
            messages.Error(tunnel.m_ulLine, "[[tunnel]] is shorter than one road segment");
            fine = false;
        }
    }
    return fine;
}

void ZEMapGeometry::BuildWalls(const ZEMapDescription& description, const ZEMapTrack& track)
{
    const ZEMapWallsDesc& walls = description.m_Walls;
    const std::vector<ZEMapTrackSample>& samples = track.GetSamples();
    double scale = TextureScale(description, walls.m_usTexture);
    double topScale = TextureScale(description, walls.m_usTopTexture);
    for (size_t k = 0; k < samples.size(); ++k)
    {
        const ZEMapTrackSample& a = samples[k];
        const ZEMapTrackSample& b = samples[(k + 1) % samples.size()];
        int32_t tunnel = m_alTunnel[k];
        double innerTop = walls.m_dHeight, outerTop = walls.m_dHeight;
        if (tunnel >= 0)
        {
            const ZEMapTunnel& t = description.m_aTunnels[tunnel];
            innerTop = t.m_dHeight;
            outerTop = t.m_dHeight + t.m_dThickness;
        }
        for (double sign : {-1.0, 1.0})
        {
            ZEMapVec3 towardsTrack = Horizontal(a.m_vRight) * -sign;
            Add({InnerEdge(a, sign, 0.0), InnerEdge(b, sign, 0.0), InnerEdge(b, sign, innerTop),
                 InnerEdge(a, sign, innerTop)},
                towardsTrack, walls.m_usTexture, scale, walls.m_ulLine);
            Add({OuterEdge(a, sign, 0.0), OuterEdge(b, sign, 0.0), OuterEdge(b, sign, outerTop),
                 OuterEdge(a, sign, outerTop)},
                -towardsTrack, walls.m_usTexture, scale, walls.m_ulLine);
            if (tunnel < 0)
                Add({InnerEdge(a, sign, outerTop), InnerEdge(b, sign, outerTop), OuterEdge(b, sign, outerTop),
                     OuterEdge(a, sign, outerTop)},
                    kUp, walls.m_usTopTexture, topScale, walls.m_ulLine);
        }
    }
}

void ZEMapGeometry::BuildTunnels(const ZEMapDescription& description, const ZEMapTrack& track)
{
    const std::vector<ZEMapTrackSample>& samples = track.GetSamples();
    size_t count = samples.size();
    double wallTop = description.m_Walls.m_dHeight;
    for (size_t k = 0; k < count; ++k)
    {
        int32_t index = m_alTunnel[k];
        if (index < 0)
            continue;
        const ZEMapTunnel& tunnel = description.m_aTunnels[index];
        const ZEMapTrackSample& a = samples[k];
        const ZEMapTrackSample& b = samples[(k + 1) % count];
        double ceiling = tunnel.m_dHeight, roof = tunnel.m_dHeight + tunnel.m_dThickness;
        double scale = TextureScale(description, tunnel.m_usTexture);
        uint16_t texture = tunnel.m_usTexture;
        Add({InnerEdge(a, -1.0, ceiling), InnerEdge(b, -1.0, ceiling), InnerEdge(b, 1.0, ceiling),
             InnerEdge(a, 1.0, ceiling)},
            kDown, texture, scale, tunnel.m_ulLine);
        Add({OuterEdge(a, -1.0, roof), OuterEdge(b, -1.0, roof), OuterEdge(b, 1.0, roof), OuterEdge(a, 1.0, roof)}, kUp,
            texture, scale, tunnel.m_ulLine);

        // Portals where the tunnel begins and ends: the front above the
        // opening and the steps from the walls up to the roof.
        for (int end = 0; end < 2; ++end)
        {
            size_t neighbour = end == 0 ? (k + count - 1) % count : (k + 1) % count;
            if (m_alTunnel[neighbour] == index)
                continue;
            const ZEMapTrackSample& at = end == 0 ? a : b;
            ZEMapVec3 outwards = Horizontal(at.m_vTangent) * (end == 0 ? -1.0 : 1.0);
            Add({InnerEdge(at, -1.0, ceiling), InnerEdge(at, 1.0, ceiling), InnerEdge(at, 1.0, roof),
                 InnerEdge(at, -1.0, roof)},
                outwards, texture, scale, tunnel.m_ulLine);
            for (double sign : {-1.0, 1.0})
                Add({InnerEdge(at, sign, wallTop), OuterEdge(at, sign, wallTop), OuterEdge(at, sign, roof),
                     InnerEdge(at, sign, roof)},
                    outwards, texture, scale, tunnel.m_ulLine);
        }
    }
}

bool ZEMapGeometry::BuildBridges(const ZEMapDescription& description, const ZEMapTrack& track,
                                 ZEMapMessages& messages)
{
    bool fine = true;
    for (const ZEMapBridge& bridge : description.m_aBridges)
    {
        if (description.m_Walls.HasTerrain() && bridge.m_dHeight <= description.m_Walls.m_dHeight)
        {
            messages.Error(bridge.m_ulLine, ZEString::Format("[[bridge]] height must exceed the walls' height %.0f",
                                                             description.m_Walls.m_dHeight));
            fine = false;
            continue;
        }
        if (bridge.m_dAlong > track.GetLength())
        {
            messages.Error(bridge.m_ulLine, ZEString::Format("[[bridge]] along: the track is only %.0f long",
                                                             track.GetLength()));
            fine = false;
            continue;
        }
        ZEMapTrackSample at = track.At(bridge.m_dAlong);
        double heading = track.Heading(bridge.m_dAlong);
        // The deck spans, and the piers clear, the widest corridor under it.
        double corridor = track.WidestCorridorAhead(bridge.m_dAlong - 0.5 * bridge.m_dWidth, bridge.m_dWidth);
        double reach = corridor + bridge.m_dOverhang;

        ZEMapBox deck;
        deck.m_vCentre = at.m_vPoint;
        deck.m_bBaseGiven = true;
        deck.m_dBase = bridge.m_dHeight;
        deck.m_dWidth = 2.0 * reach;
        deck.m_dDepth = bridge.m_dWidth;
        deck.m_dHeight = bridge.m_dThickness;
        deck.m_dHeading = heading;
        deck.m_usTexture = deck.m_usRoofTexture = bridge.m_usTexture;
        deck.m_bFloating = true;
        deck.m_ulLine = bridge.m_ulLine;
        AddBox(description, deck);
        AddPiers(description, bridge, at, corridor);
    }
    return fine;
}

void ZEMapGeometry::AddPiers(const ZEMapDescription& description, const ZEMapBridge& bridge,
                             const ZEMapTrackSample& at, double corridor)
{
    // Piers stand on the overhang, clear of the walls.
    double pier = std::min(bridge.m_dOverhang - 20.0, 100.0);
    if (pier < 10.0)
        return;
    for (double sign : {-1.0, 1.0})
    {
        ZEMapBox support;
        support.m_vCentre = at.m_vPoint + at.m_vRight * (sign * (corridor + 10.0 + pier * 0.5));
        support.m_dWidth = pier;
        support.m_dDepth = std::max(10.0, bridge.m_dWidth * 0.6);
        support.m_dHeight = bridge.m_dHeight - GroundHeight(support.m_vCentre.x, support.m_vCentre.z);
        support.m_bBaseGiven = true;
        support.m_dBase = GroundHeight(support.m_vCentre.x, support.m_vCentre.z);
        support.m_dHeading = std::atan2(at.m_vTangent.x, at.m_vTangent.z) * 180.0 / kPi;
        support.m_Roof = ZE_ROOF_NONE;
        support.m_usTexture = support.m_usRoofTexture = bridge.m_usPierTexture;
        support.m_ulLine = bridge.m_ulLine;
        if (support.m_dHeight > 1.0)
            AddBox(description, support);
    }
}

// ---------------------------------------------------------------------------
// Ground

bool ZEMapGeometry::BuildGround(const ZEMapDescription& description, const ZEMapTrack& track,
                                ZEMapMessages& messages)
{
    const ZEMapGroundDesc& ground = description.m_Ground;
    for (const ZEMapHill& hill : description.m_aHills)
        Extend(hill.m_vCentre, hill.m_dRadius);
    for (const ZEMapBox& box : description.m_aBoxes)
        Extend(box.m_vCentre, std::hypot(box.m_dWidth, box.m_dDepth));
    for (const ZEMapRail& rail : description.m_aRails)
        for (const ZEMapVec2& p : rail.m_avPoints)
            Extend(p, rail.m_dGauge + 20.0);
    for (const ZEMapWater& water : description.m_aWaters)
        for (const ZEMapVec2& p : water.m_avPoints)
            Extend(p, 0.0);
    // A scene of placed things alone: the ground lies around the origin.
    if (m_vMin.x > m_vMax.x)
        Extend(ZEMapVec2(0.0, 0.0), 0.0);

    Grid& grid = m_Grid;
    grid.m_dCell = ground.m_dCell;
    grid.m_dX0 = std::floor((m_vMin.x - ground.m_dMargin) / grid.m_dCell) * grid.m_dCell;
    grid.m_dZ0 = std::floor((m_vMin.z - ground.m_dMargin) / grid.m_dCell) * grid.m_dCell;
    grid.m_ulNX = static_cast<size_t>(std::ceil((m_vMax.x + ground.m_dMargin - grid.m_dX0) / grid.m_dCell));
    grid.m_ulNZ = static_cast<size_t>(std::ceil((m_vMax.z + ground.m_dMargin - grid.m_dZ0) / grid.m_dCell));
    if (grid.m_ulNX * grid.m_ulNZ > kMaxGroundCells)
    {
        messages.Error(ground.m_ulLine, ZEString::Format("[ground] cell: %zu x %zu cells are too many (at most %zu); "
                                                         "make the cells larger or the margin smaller",
                                                         grid.m_ulNX, grid.m_ulNZ, kMaxGroundCells));
        return false;
    }

    // Which corridor pieces reach into which cell.
    std::vector<std::vector<uint32_t>> reaching(grid.m_ulNX * grid.m_ulNZ);
    for (size_t r = 0; r < m_aCorridor.size(); ++r)
    {
        ZEMapVec2 lo(1e300, 1e300), hi(-1e300, -1e300);
        for (const ZEMapVec2& p : m_aCorridor[r])
        {
            lo = ZEMapVec2(std::min(lo.x, p.x), std::min(lo.z, p.z));
            hi = ZEMapVec2(std::max(hi.x, p.x), std::max(hi.z, p.z));
        }
        size_t i0 = static_cast<size_t>(std::max(0.0, std::floor((lo.x - grid.m_dX0) / grid.m_dCell)));
        size_t j0 = static_cast<size_t>(std::max(0.0, std::floor((lo.z - grid.m_dZ0) / grid.m_dCell)));
        size_t i1 = std::min(grid.m_ulNX - 1, static_cast<size_t>((hi.x - grid.m_dX0) / grid.m_dCell));
        size_t j1 = std::min(grid.m_ulNZ - 1, static_cast<size_t>((hi.z - grid.m_dZ0) / grid.m_dCell));
        for (size_t j = j0; j <= j1; ++j)
            for (size_t i = i0; i <= i1; ++i)
                reaching[j * grid.m_ulNX + i].push_back(static_cast<uint32_t>(r));
    }

    // Corner heights: the hills, levelled near the corridor.
    double flat = track.GetMaxCorridorHalf() + 1.5 * grid.m_dCell;
    grid.m_dBase = ground.m_dY;
    grid.m_adHeights.assign((grid.m_ulNX + 1) * (grid.m_ulNZ + 1), grid.m_dBase);
    for (size_t j = 0; j <= grid.m_ulNZ; ++j)
        for (size_t i = 0; i <= grid.m_ulNX; ++i)
        {
            ZEMapVec2 p(grid.m_dX0 + i * grid.m_dCell, grid.m_dZ0 + j * grid.m_dCell);
            double raw = 0.0;
            for (const ZEMapHill& hill : description.m_aHills)
            {
                double t = (p - hill.m_vCentre).Length() / hill.m_dRadius;
                if (t < 1.0)
                    raw += hill.m_dHeight * 0.5 * (1.0 + std::cos(kPi * t));
            }
            if (raw == 0.0)
                continue;
            double along = 0.0;
            double distance = track.DistanceToCentre(p, &along);
            double blend = std::max(ground.m_dBlend, 1e-6);
            double level = flat;
            if (track.HasRoad() && m_alTunnel[track.SegmentAt(along)] >= 0)
            {
                // The tunnel's roof covers the road: hills close in on it, so
                // the road runs into the hill rather than through a cutting.
                level = track.At(along).m_dCorridorHalf + 0.5 * grid.m_dCell;
                blend = grid.m_dCell;
            }
            grid.At(i, j) = grid.m_dBase + raw * Smoothstep((distance - level) / blend);
        }
    for (size_t j = 0; j < grid.m_ulNZ; ++j)
        for (size_t i = 0; i < grid.m_ulNX; ++i)
            if (!reaching[j * grid.m_ulNX + i].empty())
                grid.At(i, j) = grid.At(i + 1, j) = grid.At(i, j + 1) = grid.At(i + 1, j + 1) = 0.0;

    double scale = TextureScale(description, ground.m_usTexture);
    double highScale = TextureScale(description, ground.m_usHighTexture);
    std::vector<bool> plain = MergeFlatCells(description, reaching);
    for (size_t j = 0; j < grid.m_ulNZ; ++j)
        for (size_t i = 0; i < grid.m_ulNX; ++i)
        {
            if (plain[j * grid.m_ulNX + i])
                continue;
            double x0 = grid.m_dX0 + i * grid.m_dCell, z0 = grid.m_dZ0 + j * grid.m_dCell;
            double x1 = x0 + grid.m_dCell, z1 = z0 + grid.m_dCell;
            double h00 = grid.At(i, j), h10 = grid.At(i + 1, j), h11 = grid.At(i + 1, j + 1), h01 = grid.At(i, j + 1);
            double mean = 0.25 * (h00 + h10 + h11 + h01);
            bool high = mean > ground.m_dHighLevel;
            uint16_t texture = high ? ground.m_usHighTexture : ground.m_usTexture;
            double s = high ? highScale : scale;
            const std::vector<uint32_t>& near = reaching[j * grid.m_ulNX + i];
            if (!near.empty())
            {
                std::vector<ZEMapRegion> pieces{{ZEMapVec2(x0, z0), ZEMapVec2(x0, z1), ZEMapVec2(x1, z1), ZEMapVec2(x1, z0)}};
                for (uint32_t r : near)
                {
                    std::vector<ZEMapRegion> left;
                    for (const ZEMapRegion& piece : pieces)
                    {
                        std::vector<ZEMapRegion> parts = ZEMapSubtract(piece, m_aCorridor[r]);
                        left.insert(left.end(), parts.begin(), parts.end());
                    }
                    pieces.swap(left);
                }
                ZEMapMergeRegions(pieces);
                for (const ZEMapRegion& piece : pieces)
                {
                    std::vector<ZEMapVec3> corners;
                    for (const ZEMapVec2& p : piece)
                        corners.push_back(Flat(p, 0.0));
                    Add(corners, kUp, texture, s, ground.m_ulLine);
                }
                continue;
            }
            ZEMapVec3 c00(x0, h00, z0), c10(x1, h10, z0), c11(x1, h11, z1), c01(x0, h01, z1);
            double b = grid.m_dBase;
            if (h00 == b && h10 == b && h11 == b && h01 == b)
            {
                Add({c00, c01, c11, c10}, kUp, texture, s, ground.m_ulLine);
                continue;
            }
            Add({c00, c01, c11}, kUp, texture, s, ground.m_ulLine);
            Add({c00, c11, c10}, kUp, texture, s, ground.m_ulLine);
        }
    return true;
}

std::vector<bool> ZEMapGeometry::MergeFlatCells(const ZEMapDescription& description,
                                                const std::vector<std::vector<uint32_t>>& reaching)
{
    const Grid& grid = m_Grid;
    const ZEMapGroundDesc& ground = description.m_Ground;
    std::vector<bool> plain(grid.m_ulNX * grid.m_ulNZ, false);
    for (size_t j = 0; j < grid.m_ulNZ; ++j)
        for (size_t i = 0; i < grid.m_ulNX; ++i)
            plain[j * grid.m_ulNX + i] = reaching[j * grid.m_ulNX + i].empty() && grid.At(i, j) == grid.m_dBase &&
                                         grid.At(i + 1, j) == grid.m_dBase && grid.At(i, j + 1) == grid.m_dBase &&
                                         grid.At(i + 1, j + 1) == grid.m_dBase;
    // No larger than one lightmap covers at full detail.
    const ZEMapSettings& settings = description.m_Settings;
    double full = (settings.m_usLightmapMax - 1) * settings.m_dLightmapTexel;
    size_t most = std::max<size_t>(1, static_cast<size_t>(full / grid.m_dCell));
    bool high = grid.m_dBase > ground.m_dHighLevel;
    uint16_t texture = high ? ground.m_usHighTexture : ground.m_usTexture;
    double scale = TextureScale(description, texture);

    std::vector<bool> taken(plain.size(), false);
    auto free = [&](size_t i, size_t j) { return plain[j * grid.m_ulNX + i] && !taken[j * grid.m_ulNX + i]; };
    for (size_t j = 0; j < grid.m_ulNZ; ++j)
        for (size_t i = 0; i < grid.m_ulNX; ++i)
        {
            if (!free(i, j))
                continue;
            size_t width = 1, depth = 1;
            while (width < most && i + width < grid.m_ulNX && free(i + width, j))
                ++width;
            bool rowFree = true;
            while (depth < most && j + depth < grid.m_ulNZ && rowFree)
            {
                for (size_t k = 0; k < width && rowFree; ++k)
                    rowFree = free(i + k, j + depth);
                if (rowFree)
                    ++depth;
            }
            for (size_t b = 0; b < depth; ++b)
                for (size_t a = 0; a < width; ++a)
                    taken[(j + b) * grid.m_ulNX + i + a] = true;
            double x0 = grid.m_dX0 + i * grid.m_dCell, z0 = grid.m_dZ0 + j * grid.m_dCell;
            double x1 = x0 + width * grid.m_dCell, z1 = z0 + depth * grid.m_dCell;
            double y = grid.m_dBase;
            Add({ZEMapVec3(x0, y, z0), ZEMapVec3(x0, y, z1), ZEMapVec3(x1, y, z1), ZEMapVec3(x1, y, z0)}, kUp, texture,
                scale, ground.m_ulLine);
        }
    return plain;
}

double ZEMapGeometry::GroundHeight(double x, double z) const
{
    const Grid& grid = m_Grid;
    if (grid.m_adHeights.empty())
        return grid.m_dBase;
    double fx = (x - grid.m_dX0) / grid.m_dCell, fz = (z - grid.m_dZ0) / grid.m_dCell;
    if (fx < 0.0 || fz < 0.0 || fx >= static_cast<double>(grid.m_ulNX) || fz >= static_cast<double>(grid.m_ulNZ))
        return grid.m_dBase;
    size_t i = static_cast<size_t>(fx), j = static_cast<size_t>(fz);
    double u = fx - i, v = fz - j;
    // The cell's two triangles, split along (i, j) - (i + 1, j + 1).
    double h00 = grid.At(i, j), h10 = grid.At(i + 1, j), h11 = grid.At(i + 1, j + 1), h01 = grid.At(i, j + 1);
    if (v >= u)
        return h00 + (h11 - h01) * u + (h01 - h00) * v;
    return h00 + (h10 - h00) * u + (h11 - h10) * v;
}

// ---------------------------------------------------------------------------
// Scenery

bool ZEMapGeometry::BuildBoxes(const ZEMapDescription& description, ZEMapMessages& messages)
{
    bool fine = true;
    for (ZEMapBox box : description.m_aBoxes)
    {
        double h = box.m_dHeading * kPi / 180.0;
        ZEMapVec2 f(std::sin(h), std::cos(h)), r(std::cos(h), -std::sin(h));
        ZEMapVec2 wx = r * (box.m_dWidth * 0.5), dz = f * (box.m_dDepth * 0.5);
        ZEMapRegion footprint{box.m_vCentre - wx - dz, box.m_vCentre - wx + dz, box.m_vCentre + wx + dz,
                              box.m_vCentre + wx - dz};
        if (OnCorridor(footprint))
        {
            messages.Error(box.m_ulLine, "[[box]] stands on the road, its verges or walls; scenery belongs beyond "
                                         "the walls (a deck over the road is a [[bridge]])");
            fine = false;
            continue;
        }
        double ground = 1e300;
        for (const ZEMapVec2& p : footprint)
            ground = std::min(ground, GroundHeight(p.x, p.z));
        if (!box.m_bBaseGiven)
            box.m_dBase = ground;
        box.m_bFloating = box.m_dBase > ground + ZE_MAP_ON_PLANE;
        AddBox(description, box);
    }
    return fine;
}

bool ZEMapGeometry::AddBox(const ZEMapDescription& description, const ZEMapBox& box)
{
    double h = box.m_dHeading * kPi / 180.0;
    ZEMapVec2 f(std::sin(h), std::cos(h)), r(std::cos(h), -std::sin(h));
    ZEMapVec2 wx = r * (box.m_dWidth * 0.5), dz = f * (box.m_dDepth * 0.5);
    ZEMapVec2 bl = box.m_vCentre - wx - dz, br = box.m_vCentre + wx - dz;
    ZEMapVec2 fl = box.m_vCentre - wx + dz, fr = box.m_vCentre + wx + dz;
    double y0 = box.m_dBase, y1 = box.m_dBase + box.m_dHeight, rise = box.m_dRoofHeight;
    double scale = TextureScale(description, box.m_usTexture);
    double roofScale = TextureScale(description, box.m_usRoofTexture);
    ZEMapVec3 F = Horizontal(f), R = Horizontal(r);
    uint32_t line = box.m_ulLine;

    // The roof's cross-section across the width, from the left eave to the
    // right one, for the roofs that run along the depth.
    std::vector<std::pair<double, double>> profile;   // (across from the centre, height above the eaves)
    if (box.m_Roof == ZE_ROOF_GABLE)
        profile = {{-0.5 * box.m_dWidth, 0.0}, {0.0, rise}, {0.5 * box.m_dWidth, 0.0}};
    else if (box.m_Roof == ZE_ROOF_ARCH)
        for (uint32_t i = 0; i <= kArchSegments; ++i)
        {
            double angle = kPi * i / kArchSegments;
            profile.push_back({-0.5 * box.m_dWidth * std::cos(angle), rise * std::sin(angle)});
        }

    auto end = [&](const ZEMapVec2& centre, const ZEMapVec3& outwards) {
        std::vector<ZEMapVec3> corners{Flat(centre - wx, y0)};
        if (profile.empty())
            corners.push_back(Flat(centre - wx, y1));
        for (const auto& point : profile)
            corners.push_back(Flat(centre + r * point.first, y1 + point.second));
        if (profile.empty())
            corners.push_back(Flat(centre + wx, y1));
        corners.push_back(Flat(centre + wx, y0));
        Add(corners, outwards, box.m_usTexture, scale, line);
    };
    end(box.m_vCentre + dz, F);
    end(box.m_vCentre - dz, -F);
    Add({Flat(bl, y0), Flat(fl, y0), Flat(fl, y1), Flat(bl, y1)}, -R, box.m_usTexture, scale, line);
    Add({Flat(br, y0), Flat(fr, y0), Flat(fr, y1), Flat(br, y1)}, R, box.m_usTexture, scale, line);

    switch (box.m_Roof)
    {
    case ZE_ROOF_FLAT:
        Add({Flat(bl, y1), Flat(fl, y1), Flat(fr, y1), Flat(br, y1)}, kUp, box.m_usRoofTexture, roofScale, line);
        break;
    case ZE_ROOF_PYRAMID:
    {
        ZEMapVec3 apex = Flat(box.m_vCentre, y1 + rise);
        const ZEMapVec2 ring[4] = {bl, fl, fr, br};
        for (int i = 0; i < 4; ++i)
        {
            const ZEMapVec2& a = ring[i];
            const ZEMapVec2& b = ring[(i + 1) % 4];
            ZEMapVec2 out = ((a + b) * 0.5 - box.m_vCentre).Unit();
            Add({Flat(a, y1), Flat(b, y1), apex}, Horizontal(out) + kUp, box.m_usRoofTexture, roofScale, line);
        }
        break;
    }
    case ZE_ROOF_GABLE:
    case ZE_ROOF_ARCH:
        for (size_t i = 0; i + 1 < profile.size(); ++i)
        {
            ZEMapVec2 a = box.m_vCentre + r * profile[i].first, b = box.m_vCentre + r * profile[i + 1].first;
            double ya = y1 + profile[i].second, yb = y1 + profile[i + 1].second;
            ZEMapVec3 out = Horizontal(r * (0.5 * (profile[i].first + profile[i + 1].first))) +
                            kUp * (0.5 * (profile[i].second + profile[i + 1].second) + 1.0);
            Add({Flat(a - dz, ya), Flat(a + dz, ya), Flat(b + dz, yb), Flat(b - dz, yb)}, out, box.m_usRoofTexture,
                roofScale, line);
        }
        break;
    case ZE_ROOF_NONE:
        break;
    }
    if (box.m_bFloating)
        Add({Flat(bl, y0), Flat(fl, y0), Flat(fr, y0), Flat(br, y0)}, kDown, box.m_usTexture, scale, line);
    return true;
}

bool ZEMapGeometry::BuildRails(const ZEMapDescription& description, ZEMapMessages& messages)
{
    bool fine = true;
    for (const ZEMapRail& rail : description.m_aRails)
    {
        double next = 0.0;   // where the next sleeper lies on this piece
        for (size_t i = 0; i + 1 < rail.m_avPoints.size(); ++i)
        {
            const ZEMapVec2& a = rail.m_avPoints[i];
            const ZEMapVec2& b = rail.m_avPoints[i + 1];
            ZEMapVec2 d = (b - a).Unit(), side(d.z, -d.x);
            double length = (b - a).Length();
            double reach = rail.m_dGauge * 0.5 + 10.0;
            ZEMapRegion footprint{a - side * reach, b - side * reach, b + side * reach, a + side * reach};
            if (length < 1.0 || OnCorridor(footprint))
            {
                messages.Error(rail.m_ulLine, length < 1.0 ? ZEString("[[rail]] has two points on one another")
                                                           : ZEString("[[rail]] crosses the road, its verges or "
                                                                      "walls; rails stay beyond the walls"));
                fine = false;
                break;
            }
            double heading = std::atan2(d.x, d.z) * 180.0 / kPi;
            ZEMapVec2 middle = (a + b) * 0.5;
            // Rails lie on the sleepers rather than through them, so the
            // two need no cutting to be drawn in order.
            double lift = rail.m_dSleepers > 0.0 ? kSleeperHeight : 0.0;
            for (double sign : {-1.0, 1.0})
            {
                ZEMapBox bar;
                bar.m_vCentre = middle + side * (sign * rail.m_dGauge * 0.5);
                bar.m_dBase = GroundHeight(bar.m_vCentre.x, bar.m_vCentre.z) + lift;
                bar.m_dWidth = kRailWidth;
                bar.m_dDepth = length + kRailWidth;
                bar.m_dHeight = kRailHeight;
                bar.m_dHeading = heading;
                bar.m_usTexture = bar.m_usRoofTexture = rail.m_usTexture;
                bar.m_ulLine = rail.m_ulLine;
                AddBox(description, bar);
            }
            for (; rail.m_dSleepers > 0.0 && next < length; next += rail.m_dSleepers)
            {
                double at = next;
                ZEMapBox sleeper;
                sleeper.m_vCentre = a + d * at;
                sleeper.m_dBase = GroundHeight(sleeper.m_vCentre.x, sleeper.m_vCentre.z);
                sleeper.m_dWidth = rail.m_dGauge + 12.0;
                sleeper.m_dDepth = 5.0;
                sleeper.m_dHeight = kSleeperHeight;
                sleeper.m_dHeading = heading;
                sleeper.m_usTexture = sleeper.m_usRoofTexture = rail.m_usSleeperTexture;
                sleeper.m_ulLine = rail.m_ulLine;
                AddBox(description, sleeper);
            }
            next -= length;
        }
    }
    return fine;
}
