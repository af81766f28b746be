#include "ZEMapCompiler.h"

#include "ZEBspWriter.h"
#include "ZEMapBSP.h"
#include "ZEMapEntities.h"
#include "ZEMapGeometry.h"
#include "ZEMapLighting.h"
#include "ZEMapTrack.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <tuple>

namespace
{
const uint32_t kMax16 = 65535;
// Lightmap size of polygons that are never seen lit (nodes, barriers, sky).
const uint16_t kPlainLightmap = 4;
// Most polygons joined into one face.
const size_t kMaxParts = 256;

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

ZELVertex LitVertex(const ZEMapVertex& vertex, const ZEMapLightmap& lightmap)
{
    ZELVertex lit;
    lit.x = static_cast<float>(vertex.p.x);
    lit.y = static_cast<float>(vertex.p.y);
    lit.z = static_cast<float>(vertex.p.z);
    lit.u = static_cast<float>(vertex.u);
    lit.v = static_cast<float>(vertex.v);
    lightmap.Coords(vertex.p, lit.lu, lit.lv);
    return lit;
}

// A face of the writer over `vertices`, with the plane, attributes and
// lightmap of `surface`.
ZEBspWriter::Face MakeFace(ZEBspWriter& writer, const ZEMapPolygon& surface, const std::vector<ZEMapVertex>& vertices,
                           const std::vector<uint16_t>& triangles, const ZEMapLightmap& lightmap)
{
    std::vector<uint16_t> indices;
    std::vector<uint16_t> shared;
    for (const ZEMapVertex& vertex : vertices)
        shared.push_back(static_cast<uint16_t>(writer.AddLitVertex(LitVertex(vertex, lightmap))));
    for (uint16_t corner : triangles)
        indices.push_back(shared[corner]);
    ZEBspWriter::Face face =
        writer.MakeFace(static_cast<uint16_t>(surface.m_usTexture + 1), indices, surface.m_ucOpacity);
    face.m_vNormal = ZEVector(static_cast<float>(surface.m_Plane.m_vNormal.x),
                              static_cast<float>(surface.m_Plane.m_vNormal.y),
                              static_cast<float>(surface.m_Plane.m_vNormal.z));
    face.m_fDistance = static_cast<float>(surface.m_Plane.m_dDistance);
    face.m_usLightmapWidth = lightmap.m_usWidth;
    face.m_usLightmapHeight = lightmap.m_usHeight;
    face.m_aucLightmap = lightmap.m_aucTexels;
    return face;
}

// Faces of one plane that share their corners save vertices, so a map
// whose polygons have up to this many corners in all may still fit.
const uint64_t kHopelessCorners = 2 * kMax16;

void TooManyVertices(uint64_t vertices, const ZEMapDescription& description, ZEMapMessages& messages)
{
    messages.Error(description.m_Ground.m_ulLine,
                   ZEString::Format("the map needs %llu vertices and at most 65535 fit: make [ground] cell or "
                                    "[settings] segment larger, or [settings] lightmap_max larger so more faces "
                                    "share their corners",
                                    static_cast<unsigned long long>(vertices)));
}

// Refuses, before the long stages, a map that cannot fit the shared vertex
// array whatever faces share corners.
bool CouldFitVertices(const std::vector<ZEMapPolygon>& polygons, const ZEMapEntities& entities,
                      const ZEMapDescription& description, ZEMapMessages& messages)
{
    uint64_t corners = 0;
    for (const ZEMapPolygon& polygon : polygons)
        corners += polygon.m_aVertices.size();
    for (const ZEMapEntity& entity : entities.GetEntities())
        for (const ZEMapEntityPolygon& polygon : entity.m_aPolygons)
            corners += polygon.m_aVertices.size();
    if (corners <= kHopelessCorners)
        return true;
    TooManyVertices(corners, description, messages);
    return false;
}

// Whether `face` can join the face made of `parts`: one texture, opacity
// and plane, and together still within one full-detail lightmap.
bool CanJoin(const std::vector<const ZEMapPolygon*>& parts, const ZEMapPolygon& face, double fullExtent)
{
    const ZEMapPolygon& first = *parts[0];
    if (face.m_usTexture != first.m_usTexture || face.m_ucOpacity != first.m_ucOpacity ||
        !face.m_Plane.SameAs(first.m_Plane) || parts.size() >= kMaxParts)
        return false;
    ZEMapVec3 right, up;
    ZEMapPlaneAxes(first.m_Plane.m_vNormal, right, up);
    double u0 = 1e300, u1 = -1e300, v0 = 1e300, v1 = -1e300;
    auto widen = [&](const ZEMapPolygon& polygon) {
        for (const ZEMapVertex& vertex : polygon.m_aVertices)
        {
            double u = vertex.p.Dot(right), v = vertex.p.Dot(up);
            u0 = std::min(u0, u);
            u1 = std::max(u1, u);
            v0 = std::min(v0, v);
            v1 = std::max(v1, v);
        }
    };
    for (const ZEMapPolygon* part : parts)
        widen(*part);
    widen(face);
    return u1 - u0 <= fullExtent && v1 - v0 <= fullExtent;
}

// The corners of the parts, each distinct corner once, and their triangles.
void JoinParts(const std::vector<const ZEMapPolygon*>& parts, std::vector<ZEMapVertex>& vertices,
               std::vector<uint16_t>& triangles)
{
    std::map<std::tuple<double, double, double, double, double>, uint16_t> known;
    for (const ZEMapPolygon* part : parts)
    {
        std::vector<uint16_t> ring;
        for (const ZEMapVertex& vertex : part->m_aVertices)
        {
            auto key = std::make_tuple(vertex.p.x, vertex.p.y, vertex.p.z, vertex.u, vertex.v);
            auto found = known.find(key);
            if (found == known.end())
            {
                found = known.emplace(key, static_cast<uint16_t>(vertices.size())).first;
                vertices.push_back(vertex);
            }
            ring.push_back(found->second);
        }
        for (size_t i = 1; i + 1 < ring.size(); ++i)
            triangles.insert(triangles.end(), {ring[0], ring[i], ring[i + 1]});
    }
}

}

// Boxes placed along the track stand where that place lies, turned with
// the road.
void ZEMapCompiler::PlaceAlongTrack(ZEMapDescription& description, const ZEMapTrack& track)
{
    for (ZEMapBox& box : description.m_aBoxes)
    {
        if (!box.m_Place.m_bAlong)
            continue;
        ZEMapVec3 at = track.Resolve(box.m_Place);
        box.m_vCentre = ZEMapVec2(at.x, at.z);
        box.m_dHeading += track.Heading(box.m_Place.m_dAlong);
    }
}

bool ZEMapCompiler::Compile(const ZEMapDescription& description, ZEMapMessages& messages, ZEBspWriter& writer,
                            ZEMapStats& stats)
{
    Clock::time_point start = Clock::now();

    ZEMapTrack track;
    if (!track.Build(description, messages))
        return false;
    stats.m_dTrackLength = track.GetLength();
    ZEMapDescription placed = description;
    PlaceAlongTrack(placed, track);
    ZEMapGeometry geometry;
    bool built = geometry.Build(placed, track, messages);
    ZEMapEntities entities;
    built = entities.Build(placed, track, messages) && built;
    if (!built)
        return false;
    stats.m_ulPolygons = static_cast<uint32_t>(geometry.GetPolygons().size());
    stats.m_dGeometrySeconds = SecondsSince(start);
    if (!CouldFitVertices(geometry.GetPolygons(), entities, description, messages))
        return false;

    Clock::time_point treeStart = Clock::now();
    ZEMapBSP tree;
    tree.Build(geometry.GetPolygons(), description.m_Settings.m_ulLeafFaces);
    stats.m_dTreeSeconds = SecondsSince(treeStart);
    const std::vector<ZEMapPolygon>& faces = tree.GetFaces();
    if (faces.empty())
    {
        messages.Error(description.m_Track.m_ulLine, "the map has no face");
        return false;
    }


    Clock::time_point lightStart = Clock::now();
    ZEMapLighting lighting;
    lighting.Prepare(description, track, geometry.GetPolygons());

    writer.m_usFaceDataSize = 1;
    for (const ZEMapTexture& texture : description.m_aTextures)
        writer.AddTexture(texture.m_Name, texture.m_Package, texture.m_bAnimated);

    const std::vector<ZEMapBSPNode>& nodes = tree.GetNodes();
    std::function<int32_t(int32_t)> convert = [&](int32_t index) -> int32_t {
        const ZEMapBSPNode& node = nodes[index];
        if (node.m_bLeaf)
        {
            // Neighbours in drawing order that lie in one plane become one
            // face: they cannot hide each other, and they share corners.
            std::vector<std::vector<const ZEMapPolygon*>> groups;
            for (uint32_t f : node.m_aulFaces)
            {
                if (!groups.empty() && CanJoin(groups.back(), faces[f], lighting.GetFullExtent()))
                    groups.back().push_back(&faces[f]);
                else
                    groups.push_back({&faces[f]});
            }
            std::vector<ZEBspWriter::Face> leafFaces;
            for (const std::vector<const ZEMapPolygon*>& parts : groups)
            {
                std::vector<ZEMapVertex> vertices;
                std::vector<uint16_t> triangles;
                JoinParts(parts, vertices, triangles);
                ZEMapLightmap lightmap = lighting.Bake(parts);
                leafFaces.push_back(MakeFace(writer, *parts[0], vertices, triangles, lightmap));
                ++stats.m_ulLightmaps;
            }
            stats.m_ulFaces += static_cast<uint32_t>(leafFaces.size());
            return static_cast<int32_t>(writer.AddLeaf(leafFaces));
        }
        int32_t front = node.m_lFront >= 0 ? convert(node.m_lFront) : -1;
        int32_t back = node.m_lBack >= 0 ? convert(node.m_lBack) : -1;
        const ZEMapVec3& n = node.m_Plane.m_vNormal;
        return static_cast<int32_t>(writer.AddInner(ZEVector(float(n.x), float(n.y), float(n.z)),
                                                    static_cast<float>(node.m_Plane.m_dDistance), front, back));
    };
    writer.m_lRoot = convert(tree.GetRoot());

    for (const ZEMapEntity& entity : entities.GetEntities())
    {
        const ZEMapVec3& o = entity.m_vOrigin;
        uint32_t index = writer.AddEntity(entity.m_ClassName, ZEVector(float(o.x), float(o.y), float(o.z)),
                                          entity.m_aucData);
        for (const ZEMapEntityPolygon& polygon : entity.m_aPolygons)
        {
            ZEMapLightmap lightmap = polygon.m_bBaked
                                         ? lighting.Bake(polygon.m_Outline)
                                         : ZEMapLightmap::Uniform(polygon.m_Outline, kPlainLightmap, kPlainLightmap, 255);
            writer.m_aEntities[index].m_aPolygons.push_back(
                MakeFace(writer, polygon.m_Outline, polygon.m_aVertices, polygon.m_ausTriangles, lightmap));
        }
    }
    stats.m_dLightSeconds = SecondsSince(lightStart);

    stats.m_ulCuts = tree.GetCuts();
    stats.m_ulNodes = static_cast<uint32_t>(nodes.size());
    stats.m_ulLeaves = tree.GetLeaves();
    stats.m_ulDepth = tree.GetDepth();
    stats.m_ullTexels = lighting.GetTexels();
    stats.m_ullRays = lighting.GetRays();
    stats.m_ulEntities = static_cast<uint32_t>(entities.GetEntities().size());
    stats.m_ulTrackNodes = entities.GetTrackNodes();
    stats.m_ulAINodes = entities.GetAINodes();
    stats.m_ulVertices = static_cast<uint32_t>(writer.m_aVertices.size());
    stats.m_ulPositions = static_cast<uint32_t>(writer.m_avPositions.size());
    stats.m_ulTexCoords = static_cast<uint32_t>(writer.m_aTexCoords.size());
    stats.m_ulTextures = static_cast<uint32_t>(writer.m_aTextures.size());
    if (stats.m_ulVertices > kMax16)
    {
        TooManyVertices(stats.m_ulVertices, description, messages);
        return false;
    }
    if (stats.m_ulPositions > kMax16 || stats.m_ulTexCoords > kMax16)
    {
        messages.Error(0, ZEString::Format("the map needs %u positions and %u coordinate pairs; at most 65535 of "
                                           "each fit (make [settings] lightmap_max smaller or the cells larger)",
                                           stats.m_ulPositions, stats.m_ulTexCoords));
        return false;
    }
    stats.m_dSeconds = SecondsSince(start);
    return true;
}

bool ZECompileMapFile(const ZEString& input, const ZEString& output, ZEMapMessages& messages, ZEMapStats& stats)
{
    Clock::time_point start = Clock::now();
    ZEMapDescription description;
    if (!ZEReadMapDescription(input, description, messages))
        return false;
    ZEBspWriter writer;
    ZEMapCompiler compiler;
    if (!compiler.Compile(description, messages, writer, stats))
        return false;
    std::vector<uint8_t> bytes;
    if (!writer.Build(bytes))
    {
        messages.Error(0, ZEString::Format("the map breaks a limit of the format: %s", writer.GetError().CStr()));
        return false;
    }
    stats.m_ullBytes = bytes.size();
    if (!writer.Write(output))
    {
        messages.Error(0, writer.GetError());
        return false;
    }
    stats.m_dSeconds = SecondsSince(start);
    return true;
}

ZEString ZEDescribeMapStats(const ZEMapStats& s)
{
    ZEString track = s.m_dTrackLength > 0.0 ? ZEString::Format("%.0f units long, %u track nodes, %u AI nodes",
                                                               s.m_dTrackLength, s.m_ulTrackNodes, s.m_ulAINodes)
                                            : ZEString("none (a scene map)");
    return ZEString::Format(
        "track      %s\n"
        "faces      %u (from %u polygons and %u cuts along node planes)\n"
        "tree       %u nodes, %u leaves, depth %u\n"
        "lightmaps  %u, %llu texels, %llu shadow rays\n"
        "entities   %u\n"
        "tables     %u vertices, %u positions, %u coordinate pairs, %u textures\n"
        "file       %llu bytes\n"
        "time       %.2f s (geometry %.2f s, tree %.2f s, light %.2f s)",
        track.CStr(), s.m_ulFaces, s.m_ulPolygons, s.m_ulCuts, s.m_ulNodes,
        s.m_ulLeaves, s.m_ulDepth, s.m_ulLightmaps, static_cast<unsigned long long>(s.m_ullTexels),
        static_cast<unsigned long long>(s.m_ullRays), s.m_ulEntities, s.m_ulVertices, s.m_ulPositions,
        s.m_ulTexCoords, s.m_ulTextures, static_cast<unsigned long long>(s.m_ullBytes), s.m_dSeconds,
        s.m_dGeometrySeconds, s.m_dTreeSeconds, s.m_dLightSeconds);
}
