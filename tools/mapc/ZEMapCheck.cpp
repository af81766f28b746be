#include "ZEMapCheck.h"

#include "ZEBspWriter.h"
#include "ZEMapBSP.h"
#include "ZEMapMath.h"

#include "math/ZEAABBTree.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "resources/ZETextureManager.h"
#include "track/WZTrackRecords.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

namespace
{
// Rounding of the file's floats: points this close to a plane lie in it.
const double kTolerance = 0.05;
const double kBoxTolerance = 0.01;
const uint32_t kMaxNodes = WZ_MAX_NODES;
const double kAINodeReach = 150.0;
const size_t kMaxProblems = 200;
const double kPi = 3.14159265358979323846;

// The game counts a pass while a node's sphere of 900 around its origin
// meets the car's box (WZTrack, WZRaceRules): the middle of the largest
// car reaches it from half a car length further out.
const double kNodeReach = 900.0 + ZE_MAP_CAR_LENGTH * 0.5;
// The way to a node is walked in steps of this length; it passes the node
// where it first comes behind the plane within this much beyond the sides
// of the node's quad.
const double kWayStep = 10.0;
const double kPassSlack = 50.0;
// A car rides just above the road (WZCar::Build); this much room under the
// box keeps the road itself out of the test.
const double kGroundGap = 1.0;
// The floor is found by a ray down from this far above an origin, to this
// depth, and must lie this close to y = 0.
const double kFloorProbe = 30.0;
const double kFloorDepth = 500.0;
const double kFloorTolerance = 1.0;
// The far chase camera (WZChaseCamera) stands 62.5 behind the car's tail
// and 40 above its origin: for the cars, about 100 behind the middle of
// the car and 40 above a point 10 over the road.
const double kCarMiddle = 10.0;
const double kCameraBehind = 100.0;
const double kCameraUp = 40.0;

ZEVector ToVector(const ZEMapVec3& p)
{
    return ZEVector(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}

double HorizontalDistance(const ZEMapVec3& a, const ZEMapVec3& b)
{
    return std::hypot(a.x - b.x, a.z - b.z);
}

// The way of travel for a heading in degrees about +y, as the game turns
// +z by it.
ZEMapVec3 Forward(double heading)
{
    double radians = heading * kPi / 180.0;
    return ZEMapVec3(std::sin(radians), 0.0, std::cos(radians));
}

// The level's faces and the barrier polygons - what a car collides with -
// in the engine's box tree, built once for every car, floor and camera
// test of the check.
class Obstacles
{
public:
    explicit Obstacles(const ZEBspWriter& map) : m_Map(map)
    {
        ZEPolygon* list = nullptr;
        for (const ZEBspWriter::Node& node : map.m_aNodes)
            for (const ZEBspWriter::Face& face : node.m_aFaces)
                Add(face, list);
        for (const ZEBspWriter::Entity& entity : map.m_aEntities)
            if (entity.m_ClassName == "Barrier")
                for (const ZEBspWriter::Face& polygon : entity.m_aPolygons)
                    Add(polygon, list);
        m_pTree = std::make_unique<ZEAABBTreeNode>(list);
    }

    // Whether the largest car, its box standing kGroundGap over `floor`
    // around (x, z) and turned to `heading`, touches anything.
    bool TouchesCar(const ZEMapVec3& at, double floor, double heading) const
    {
        ZEOBoundingBox box;
        ZEVector half(float(ZE_MAP_CAR_WIDTH * 0.5), float(ZE_MAP_CAR_HEIGHT * 0.5), float(ZE_MAP_CAR_LENGTH * 0.5));
        ZEVector middle(float(at.x), float(floor + kGroundGap + ZE_MAP_CAR_HEIGHT * 0.5), float(at.z));
        box.SetData(middle, -half, half, ZEVector(0.0f, float(heading), 0.0f));
        return m_pTree->Clips(box);
    }

    bool Cuts(const ZEMapVec3& from, const ZEMapVec3& to) const
    {
        return m_pTree->Clips(ToVector(from), ToVector(to - from));
    }

    // The height of the first face a ray down from `from` meets.
    bool Floor(const ZEMapVec3& from, double& y) const
    {
        ZEVector contact;
        if (!m_pTree->Clips(ToVector(from), ZEVector(0.0f, float(-kFloorDepth), 0.0f), contact))
            return false;
        y = contact.y;
        return true;
    }

private:
    // One polygon over the corners the face's indices name; faces naming
    // vertices that do not exist are reported elsewhere and left out.
    void Add(const ZEBspWriter::Face& face, ZEPolygon*& list) const
    {
        size_t count = face.m_ausIndices.size() / 3 * 3;
        if (count == 0)
            return;
        std::vector<ZEVertex> corners;
        for (size_t i = 0; i < count; ++i)
        {
            uint16_t index = face.m_ausIndices[i];
            if (index >= m_Map.m_aVertices.size() || m_Map.m_aVertices[index].m_usPosition >= m_Map.m_avPositions.size())
                return;
            const ZEVector& p = m_Map.m_avPositions[m_Map.m_aVertices[index].m_usPosition];
            corners.push_back(ZEVertex{p.x, p.y, p.z, 0.0f, 0.0f});
        }
        ZEPolygon* polygon = new ZEPolygon();
        polygon->m_usNumVertices = static_cast<uint16_t>(count);
        polygon->m_pVertices = new ZEVertex[count];
        std::copy(corners.begin(), corners.end(), polygon->m_pVertices);
        polygon->m_usNumIndices = static_cast<uint16_t>(count);
        polygon->m_pusIndices = new uint16_t[count];
        for (size_t i = 0; i < count; ++i)
            polygon->m_pusIndices[i] = static_cast<uint16_t>(i);
        polygon->Update();
        polygon->m_pNext = list;
        list = polygon;
    }

    const ZEBspWriter& m_Map;
    std::unique_ptr<ZEAABBTreeNode> m_pTree;
};

// The way cars drive round: a closed centripetal Catmull-Rom curve (as
// the compiler lays its centre line) through the AI nodes, or through the
// track nodes where there are no AI nodes to follow, kept as a fine line.
class Route
{
public:
    void Build(const std::vector<ZEMapVec3>& nodes, const char* what)
    {
        m_pWhat = what;
        m_aPoints.clear();
        size_t count = nodes.size();
        for (size_t i = 0; i < count; ++i)
        {
            const ZEMapVec3* p[4] = {&nodes[(i + count - 1) % count], &nodes[i], &nodes[(i + 1) % count],
                                     &nodes[(i + 2) % count]};
            double t[4] = {0.0, 0.0, 0.0, 0.0};
            for (int k = 1; k < 4; ++k)
                t[k] = t[k - 1] + std::sqrt(std::max((*p[k] - *p[k - 1]).Length(), 1e-6));
            int pieces = std::max(1, static_cast<int>(std::ceil((*p[2] - *p[1]).Length() / kWayStep)));
            for (int j = 0; j < pieces; ++j)
                m_aPoints.push_back(CatmullRom(p, t, t[1] + (t[2] - t[1]) * j / pieces));
        }
        m_adAt.assign(1, 0.0);
        for (size_t i = 0; i < m_aPoints.size(); ++i)
            m_adAt.push_back(m_adAt.back() + HorizontalDistance(m_aPoints[i], m_aPoints[(i + 1) % m_aPoints.size()]));
    }

    bool IsEmpty() const { return m_aPoints.size() < 3 || Length() <= 0.0; }
    double Length() const { return m_adAt.back(); }
    const char* What() const { return m_pWhat; }

    // Distance along the route of its point nearest to p (seen from above).
    double Nearest(const ZEMapVec3& p) const
    {
        double best = 1e300, along = 0.0;
        for (size_t i = 0; i < m_aPoints.size(); ++i)
        {
            const ZEMapVec3& a = m_aPoints[i];
            const ZEMapVec3& b = m_aPoints[(i + 1) % m_aPoints.size()];
            double span = m_adAt[i + 1] - m_adAt[i];
            double t = 0.0;
            if (span > 0.0)
                t = std::clamp(((p.x - a.x) * (b.x - a.x) + (p.z - a.z) * (b.z - a.z)) / (span * span), 0.0, 1.0);
            ZEMapVec3 q = a + (b - a) * t;
            double distance = HorizontalDistance(p, q);
            if (distance < best)
            {
                best = distance;
                along = m_adAt[i] + t * span;
            }
        }
        return along;
    }

    // The point `along` from the first, going round as often as it takes;
    // `direction` is the way of travel there.
    ZEMapVec3 At(double along, ZEMapVec3* direction = nullptr) const
    {
        along = std::fmod(along, Length());
        if (along < 0.0)
            along += Length();
        size_t i = static_cast<size_t>(std::upper_bound(m_adAt.begin(), m_adAt.end(), along) - m_adAt.begin());
        i = std::min(std::max<size_t>(i, 1), m_aPoints.size()) - 1;
        const ZEMapVec3& a = m_aPoints[i];
        const ZEMapVec3& b = m_aPoints[(i + 1) % m_aPoints.size()];
        double span = m_adAt[i + 1] - m_adAt[i];
        if (direction)
            *direction = ZEMapVec3(b.x - a.x, 0.0, b.z - a.z).Unit();
        return span > 0.0 ? a + (b - a) * ((along - m_adAt[i]) / span) : a;
    }

private:
    // The point at parameter u of the segment p[1]-p[2] (Barry and
    // Goldman's form over the knots t).
    static ZEMapVec3 CatmullRom(const ZEMapVec3* const* p, const double* t, double u)
    {
        auto mix = [](const ZEMapVec3& a, const ZEMapVec3& b, double ta, double tb, double at) {
            return a * ((tb - at) / (tb - ta)) + b * ((at - ta) / (tb - ta));
        };
        ZEMapVec3 a1 = mix(*p[0], *p[1], t[0], t[1], u);
        ZEMapVec3 a2 = mix(*p[1], *p[2], t[1], t[2], u);
        ZEMapVec3 a3 = mix(*p[2], *p[3], t[2], t[3], u);
        ZEMapVec3 b1 = mix(a1, a2, t[0], t[2], u);
        ZEMapVec3 b2 = mix(a2, a3, t[1], t[3], u);
        return mix(b1, b2, t[1], t[2], u);
    }

    std::vector<ZEMapVec3> m_aPoints;
    std::vector<double> m_adAt{0.0};
    const char* m_pWhat = "";
};

// Bounded reads from the file's bytes.
class Cursor
{
public:
    explicit Cursor(const std::vector<uint8_t>& bytes) : m_Bytes(bytes) {}

    const uint8_t* Take(size_t count)
    {
        if (count > m_Bytes.size() - m_ulAt)
            return nullptr;
        const uint8_t* at = m_Bytes.data() + m_ulAt;
        m_ulAt += count;
        return at;
    }
    size_t Left() const { return m_Bytes.size() - m_ulAt; }
    size_t At() const { return m_ulAt; }

private:
    const std::vector<uint8_t>& m_Bytes;
    size_t m_ulAt = 0;
};

float ReadFloat(const uint8_t* at)
{
    uint32_t bits = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                    static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

uint16_t ReadU16(const uint8_t* at)
{
    return static_cast<uint16_t>(at[0] | at[1] << 8);
}

class Reader
{
public:
    Reader(const std::vector<uint8_t>& bytes, ZEBspWriter& map, ZEString& error, ZEMapReading reading)
        : m_Cursor(bytes), m_Map(map), m_Error(error), m_Reading(reading)
    {
    }

    bool Read()
    {
        const uint8_t* bytes = m_Cursor.Take(_ZEBSPHeader::ms_ulSize);
        if (!bytes)
            return Fail("shorter than a map header");
        _ZEBSPHeader header = _ZEBSPHeader::Decode(bytes);
        if (!header.HasMagic() || header.m_ucVersion != _ZEBSPHeader::ms_ucVersion)
            return Fail("not a map file (magic \"BSP0\" and version '1' expected)");
        m_Map.m_usFaceDataSize = header.m_usFaceDataSize;
        if (!ReadTables(header))
            return false;
        if (!ReadNode(1))
            return false;
        m_Map.m_lRoot = 0;
        for (uint16_t e = 0; e < header.m_usNumEntities; ++e)
            if (!ReadEntity(e))
                return false;
        if (m_Cursor.Left() != 0 && m_Reading == ZEMapReading::Whole)
            return Fail(ZEString::Format("%zu bytes follow the last entity", m_Cursor.Left()));
        return true;
    }

private:
    bool Fail(const ZEString& text)
    {
        m_Error = text;
        return false;
    }

    bool ReadTables(const _ZEBSPHeader& header)
    {
        for (uint16_t t = 0; t < header.m_usNumTextures; ++t)
        {
            const uint8_t* record = m_Cursor.Take(sizeof(_TextureInformation));
            if (!record)
                return Fail("the texture table runs past the end of the file");
            ZEBspWriter::Texture texture;
            texture.m_Name = Field(record, NameField(12));
            texture.m_Package = Field(record + 12, NameField(12));
            texture.m_bAnimated = record[24] != 0;
            m_Map.m_aTextures.push_back(texture);
            if (!std::memchr(record, 0, 12) || !std::memchr(record + 12, 0, 12))
                m_aUnterminated.push_back(t + 1);
        }
        for (uint16_t p = 0; p < header.m_usNumPositions; ++p)
        {
            const uint8_t* at = m_Cursor.Take(_ZEBSPVertex::ms_ulPositionSize);
            if (!at)
                return Fail("the positions run past the end of the file");
            m_Map.m_avPositions.push_back(ZEVector(ReadFloat(at), ReadFloat(at + 4), ReadFloat(at + 8)));
        }
        for (uint16_t c = 0; c < header.m_usNumTexCoords; ++c)
        {
            const uint8_t* at = m_Cursor.Take(_ZEBSPVertex::ms_ulTexCoordSize);
            if (!at)
                return Fail("the texture coordinates run past the end of the file");
            m_Map.m_aTexCoords.push_back(ZEBspWriter::TexCoord{ReadFloat(at), ReadFloat(at + 4)});
        }
        for (uint16_t v = 0; v < header.m_usNumVertices; ++v)
        {
            const uint8_t* at = m_Cursor.Take(_ZEBSPVertex::ms_ulSize);
            if (!at)
                return Fail("the vertices run past the end of the file");
            m_Map.m_aVertices.push_back(_ZEBSPVertex::Decode(at));
        }
        return true;
    }

    // The bytes of a name field of `size` that are read: the engine keeps
    // the last byte for the terminator.
    size_t NameField(size_t size) const { return m_Reading == ZEMapReading::AsTheEngine ? size - 1 : size; }

    static ZEString Field(const uint8_t* at, size_t size)
    {
        char text[32] = {};
        std::memcpy(text, at, std::min<size_t>(size, sizeof(text) - 1));
        return ZEString(text);
    }

    bool ReadFace(ZEBspWriter::Face& face, const char* what)
    {
        const uint8_t* at = m_Cursor.Take(_ZEBSPFaceRecord::ms_ulSize);
        if (!at)
            return Fail(ZEString::Format("a %s runs past the end of the file", what));
        _ZEBSPFaceRecord record = _ZEBSPFaceRecord::Decode(at);
        face.m_usTexture = record.m_usTexture;
        face.m_vNormal = ZEVector(record.m_afNormal[0], record.m_afNormal[1], record.m_afNormal[2]);
        face.m_fDistance = record.m_fDistance;
        face.m_usLightmapWidth = record.m_usLightmapWidth;
        face.m_usLightmapHeight = record.m_usLightmapHeight;
        size_t texels = static_cast<size_t>(record.m_usLightmapWidth) * record.m_usLightmapHeight;
        const uint8_t* indices = m_Cursor.Take(2u * record.m_usNumIndices);
        const uint8_t* data = indices ? m_Cursor.Take(m_Map.m_usFaceDataSize) : nullptr;
        const uint8_t* lightmap = data || m_Map.m_usFaceDataSize == 0 ? m_Cursor.Take(texels) : nullptr;
        if (!indices || (!data && m_Map.m_usFaceDataSize) || (!lightmap && texels))
            return Fail(ZEString::Format("a %s's indices, attributes or lightmap run past the end of the file", what));
        for (uint16_t i = 0; i < record.m_usNumIndices; ++i)
            face.m_ausIndices.push_back(ReadU16(indices + 2 * i));
        if (data)
            face.m_aucData.assign(data, data + m_Map.m_usFaceDataSize);
        if (lightmap)
            face.m_aucLightmap.assign(lightmap, lightmap + texels);
        return true;
    }

    // Reads one node and its subtree; the node takes the next index.
    bool ReadNode(uint32_t depth)
    {
        if (depth > ZE_BSP_MAX_DEPTH)
            return Fail(ZEString::Format("the tree is deeper than %u nodes", ZE_BSP_MAX_DEPTH));
        const uint8_t* at = m_Cursor.Take(_ZEBSPNodeRecord::ms_ulSize);
        if (!at)
            return Fail("a node runs past the end of the file");
        _ZEBSPNodeRecord record = _ZEBSPNodeRecord::Decode(at);
        ZEBspWriter::Node node;
        node.m_vNormal = ZEVector(record.m_afNormal[0], record.m_afNormal[1], record.m_afNormal[2]);
        node.m_fDistance = record.m_fDistance;
        node.m_vMin = ZEVector(record.m_afMin[0], record.m_afMin[1], record.m_afMin[2]);
        node.m_vMax = ZEVector(record.m_afMax[0], record.m_afMax[1], record.m_afMax[2]);
        size_t index = m_Map.m_aNodes.size();
        if (record.m_ulNumFaces > 0)
        {
            // Every face takes at least its record: a larger count is damage.
            if (record.m_ulNumFaces > m_Cursor.Left() / _ZEBSPFaceRecord::ms_ulSize)
                return Fail(ZEString::Format("a leaf claims %u faces, more than the file holds", record.m_ulNumFaces));
            node.m_bLeaf = true;
            node.m_aFaces.resize(record.m_ulNumFaces);
            for (ZEBspWriter::Face& face : node.m_aFaces)
                if (!ReadFace(face, "face"))
                    return false;
            m_Map.m_aNodes.push_back(node);
            return true;
        }
        m_Map.m_aNodes.push_back(node);
        if (record.m_ucFront)
        {
            m_Map.m_aNodes[index].m_lFront = static_cast<int32_t>(m_Map.m_aNodes.size());
            if (!ReadNode(depth + 1))
                return false;
        }
        if (record.m_ucBack)
        {
            m_Map.m_aNodes[index].m_lBack = static_cast<int32_t>(m_Map.m_aNodes.size());
            if (!ReadNode(depth + 1))
                return false;
        }
        return true;
    }

    bool ReadEntity(uint16_t number)
    {
        const uint8_t* at = m_Cursor.Take(_ZEBSPEntityRecord::ms_ulSize);
        if (!at)
            return Fail(ZEString::Format("entity %u runs past the end of the file", number));
        _ZEBSPEntityRecord record = _ZEBSPEntityRecord::Decode(at);
        ZEBspWriter::Entity entity;
        char name[25] = {};
        std::memcpy(name, record.m_acClassName, NameField(24));
        entity.m_ClassName = name;
        if (!std::memchr(record.m_acClassName, 0, 24))
            m_aLongClassNames.push_back(number);
        entity.m_vOrigin = ZEVector(record.m_afPosition[0], record.m_afPosition[1], record.m_afPosition[2]);
        const uint8_t* data = m_Cursor.Take(record.m_usDataSize);
        if (!data && record.m_usDataSize)
            return Fail(ZEString::Format("entity %u's data runs past the end of the file", number));
        if (data)
            entity.m_aucData.assign(data, data + record.m_usDataSize);
        if (record.m_ucPolygons)
        {
            if (record.m_usNumPolygons > m_Cursor.Left() / _ZEBSPFaceRecord::ms_ulSize)
                return Fail(ZEString::Format("entity %u claims more polygons than the file holds", number));
            entity.m_aPolygons.resize(record.m_usNumPolygons);
            for (ZEBspWriter::Face& polygon : entity.m_aPolygons)
                if (!ReadFace(polygon, "polygon"))
                    return false;
        }
        m_Map.m_aEntities.push_back(entity);
        return true;
    }

    Cursor m_Cursor;
    ZEBspWriter& m_Map;
    ZEString& m_Error;
    const ZEMapReading m_Reading;

public:
    std::vector<uint32_t> m_aUnterminated;
    std::vector<uint16_t> m_aLongClassNames;
};

ZEMapVec3 ToMap(const ZEVector& v)
{
    return ZEMapVec3(v.x, v.y, v.z);
}

// The checks over a model read from a file or built by the compiler.
class Checker
{
public:
    Checker(const ZEBspWriter& map, ZEMapCheckReport& report, bool structureOnly)
        : m_Map(map), m_Report(report), m_bStructureOnly(structureOnly)
    {
    }

    void Run()
    {
        CheckTables();
        if (m_Map.m_aNodes.empty())
            Problem("the map has no node");
        else
        {
            std::vector<Side> sides;
            int32_t root = m_Map.m_lRoot >= 0 ? m_Map.m_lRoot : static_cast<int32_t>(m_Map.m_aNodes.size()) - 1;
            ZEVector lo, hi;
            CheckNode(root, 1, sides, lo, hi);
        }
        if (m_bStructureOnly)
            CheckEntityPolygons();
        else
            CheckEntities();
    }

private:
    struct Side
    {
        ZEMapPlane m_Plane;
        bool m_bFront = true;
        int32_t m_lNode = 0;
    };

    template <typename... Args>
    void Problem(const char* format, Args... args)
    {
        if (m_Report.m_aProblems.size() < kMaxProblems)
            m_Report.m_aProblems.push_back(ZEString::Format(format, args...));
        else if (m_Report.m_aProblems.size() == kMaxProblems)
            m_Report.m_aProblems.push_back(ZEString("... and more"));
    }

    void Problem(const char* text) { Problem("%s", text); }

    void CheckTables()
    {
        for (size_t t = 0; t < m_Map.m_aTextures.size(); ++t)
        {
            const ZEBspWriter::Texture& texture = m_Map.m_aTextures[t];
            if (texture.m_Name.GetLength() > 11 || texture.m_Package.GetLength() > 11)
                Problem("texture %zu: name or package longer than 11 characters", t + 1);
        }
        for (size_t v = 0; v < m_Map.m_aVertices.size(); ++v)
        {
            const _ZEBSPVertex& vertex = m_Map.m_aVertices[v];
            if (vertex.m_usPosition >= m_Map.m_avPositions.size() ||
                vertex.m_usTexCoord >= m_Map.m_aTexCoords.size() ||
                vertex.m_usLightmapCoord >= m_Map.m_aTexCoords.size())
                Problem("vertex %zu names a position or coordinate pair that does not exist", v);
        }
    }

    bool PositionOf(uint16_t index, ZEMapVec3& p) const
    {
        if (index >= m_Map.m_aVertices.size() || m_Map.m_aVertices[index].m_usPosition >= m_Map.m_avPositions.size())
            return false;
        p = ToMap(m_Map.m_avPositions[m_Map.m_aVertices[index].m_usPosition]);
        return true;
    }

    static bool PowerOfTwoFrom4(uint16_t side)
    {
        return side >= 4 && (side & (side - 1)) == 0;
    }

    // The face's corners (each used vertex once) and plane; false when the
    // face cannot even be read as geometry.
    bool CheckFace(const ZEBspWriter::Face& face, const ZEString& where, bool levelFace,
                   std::vector<ZEMapVec3>& corners, ZEMapPlane& plane)
    {
        size_t count = face.m_ausIndices.size();
        if (count == 0 || count % 3 != 0)
        {
            Problem("%s has %zu indices, not whole triangles", where.CStr(), count);
            return false;
        }
        if (face.m_usTexture == 0 || face.m_usTexture > m_Map.m_aTextures.size())
            Problem("%s names texture %u, which is not in the table", where.CStr(), face.m_usTexture);
        if (face.m_aucData.size() != m_Map.m_usFaceDataSize)
            Problem("%s has %zu attribute bytes instead of %u", where.CStr(), face.m_aucData.size(),
                    m_Map.m_usFaceDataSize);
        if (levelFace && !m_bStructureOnly && !(PowerOfTwoFrom4(face.m_usLightmapWidth) && PowerOfTwoFrom4(face.m_usLightmapHeight)))
            Problem("%s has a %u x %u lightmap; sides must be powers of two of at least 4", where.CStr(),
                    face.m_usLightmapWidth, face.m_usLightmapHeight);
        plane.m_vNormal = ToMap(face.m_vNormal);
        plane.m_dDistance = face.m_fDistance;
        if (!m_bStructureOnly && std::fabs(plane.m_vNormal.Length() - 1.0) > 1e-3)
            Problem("%s has a plane normal of length %g", where.CStr(), plane.m_vNormal.Length());
        std::vector<uint16_t> used;
        for (size_t i = 0; i < count; ++i)
        {
            ZEMapVec3 p;
            if (!PositionOf(face.m_ausIndices[i], p))
            {
                Problem("%s: index %u is beyond the vertices", where.CStr(), face.m_ausIndices[i]);
                return false;
            }
            if (std::find(used.begin(), used.end(), face.m_ausIndices[i]) == used.end())
            {
                used.push_back(face.m_ausIndices[i]);
                corners.push_back(p);
            }
        }
        if (!levelFace || m_bStructureOnly)
            return true;
        for (const ZEMapVec3& p : corners)
            if (std::fabs(plane.Distance(p)) > kTolerance)
            {
                Problem("%s: a corner lies %.3f off the face's plane", where.CStr(), plane.Distance(p));
                break;
            }
        // The renderer culls triangles wound the other way: each must face
        // where the plane faces, or the face vanishes from its front.
        for (size_t t = 0; t + 2 < count; t += 3)
        {
            ZEMapVec3 a, b, c;
            PositionOf(face.m_ausIndices[t], a);
            PositionOf(face.m_ausIndices[t + 1], b);
            PositionOf(face.m_ausIndices[t + 2], c);
            ZEMapVec3 n = (b - a).Cross(c - a);
            if (n.Length() > 1e-6 && n.Unit().Dot(plane.m_vNormal) < 0.5)
            {
                Problem("%s: triangle %zu is wound against the face's plane", where.CStr(), t / 3);
                break;
            }
        }
        return true;
    }

    void Widen(ZEVector& lo, ZEVector& hi, bool& first, const ZEVector& p)
    {
        if (first)
        {
            lo = hi = p;
            first = false;
            return;
        }
        lo = ZEVector(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = ZEVector(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }

    // Checks the subtree and returns its real bounds in lo, hi; false when
    // it holds no geometry.
    bool CheckNode(int32_t index, uint32_t depth, std::vector<Side>& sides, ZEVector& lo, ZEVector& hi)
    {
        if (index < 0 || static_cast<size_t>(index) >= m_Map.m_aNodes.size())
        {
            Problem("node %d does not exist", index);
            return false;
        }
        const ZEBspWriter::Node& node = m_Map.m_aNodes[index];
        ++m_Report.m_ulNodes;
        m_Report.m_ulDepth = std::max(m_Report.m_ulDepth, depth);
        bool first = true;
        if (node.m_bLeaf)
            CheckLeaf(index, node, sides, lo, hi, first);
        else
        {
            if (node.m_lFront < 0 && node.m_lBack < 0)
                Problem("inner node %d has no child", index);
            ZEMapPlane plane;
            plane.m_vNormal = ToMap(node.m_vNormal);
            plane.m_dDistance = node.m_fDistance;
            for (int32_t child : {node.m_lFront, node.m_lBack})
            {
                if (child < 0)
                    continue;
                sides.push_back(Side{plane, child == node.m_lFront, index});
                ZEVector childLo, childHi;
                if (CheckNode(child, depth + 1, sides, childLo, childHi))
                {
                    Widen(lo, hi, first, childLo);
                    Widen(lo, hi, first, childHi);
                }
                sides.pop_back();
            }
        }
        if (first)
            return false;
        if (m_bStructureOnly)
            return true;
        const float t = static_cast<float>(kBoxTolerance);
        if (lo.x < node.m_vMin.x - t || lo.y < node.m_vMin.y - t || lo.z < node.m_vMin.z - t ||
            hi.x > node.m_vMax.x + t || hi.y > node.m_vMax.y + t || hi.z > node.m_vMax.z + t)
            Problem("node %d: its box does not enclose its subtree", index);
        return true;
    }

    void CheckLeaf(int32_t index, const ZEBspWriter::Node& node, std::vector<Side>& sides, ZEVector& lo,
                   ZEVector& hi, bool& first)
    {
        ++m_Report.m_ulLeaves;
        if (node.m_aFaces.empty())
            Problem("leaf %d has no face", index);
        std::vector<std::vector<ZEMapVec3>> corners;
        std::vector<ZEMapPlane> planes;
        for (size_t f = 0; f < node.m_aFaces.size(); ++f)
        {
            const ZEBspWriter::Face& face = node.m_aFaces[f];
            ++m_Report.m_ulFaces;
            m_Report.m_ullTexels += static_cast<uint64_t>(face.m_usLightmapWidth) * face.m_usLightmapHeight;
            if (!face.m_aucData.empty() && face.m_aucData[0] < 255)
                ++m_Report.m_ulTransparentFaces;
            std::vector<ZEMapVec3> faceCorners;
            ZEMapPlane plane;
            ZEString where = ZEString::Format("leaf %d face %zu", index, f);
            if (!CheckFace(face, where, true, faceCorners, plane) || m_bStructureOnly)
                continue;
            for (const ZEMapVec3& p : faceCorners)
                Widen(lo, hi, first, ZEVector(float(p.x), float(p.y), float(p.z)));
            for (const Side& side : sides)
            {
                bool wrong = false;
                for (const ZEMapVec3& p : faceCorners)
                {
                    double d = side.m_Plane.Distance(p);
                    wrong = wrong || (side.m_bFront ? d < -kTolerance : d > kTolerance);
                }
                if (wrong)
                {
                    Problem("%s lies partly on the %s side of node %d's plane, in whose %s subtree it is",
                            where.CStr(), side.m_bFront ? "back" : "front", side.m_lNode,
                            side.m_bFront ? "front" : "back");
                    break;
                }
            }
            corners.push_back(faceCorners);
            planes.push_back(plane);
        }
        for (size_t i = 0; i < corners.size(); ++i)
            for (size_t j = i + 1; j < corners.size(); ++j)
                if (ZEMapCanHide(corners[i], planes[i], corners[j], planes[j], kTolerance))
                    Problem("leaf %d: face %zu is drawn before face %zu but can hide it", index, i, j);
    }

    // Data block sizes the engine and the game read, by class.
    static size_t NeededData(const ZEString& name)
    {
        static const std::map<std::string, size_t> sizes = {
            {"AmbientLight", 4}, {"DirectionalLight", 16}, {"PointLight", 13}, {"SpotLight", 27},
            {"DynamicLight", 48}, {"SkyBox", 17}, {"GeometricalObject", 1}, {"ModelObject", 69},
            {"Billboard", 6}, {"Decal", 8}, {"Water", 10}, {"ParticleFX", 75}};
        if (const WZTrackEntityClass* game = WZFindTrackEntityClass(name.CStr()))
            return game->m_ulDataSize;
        auto found = sizes.find(name.CStr());
        return found == sizes.end() ? 0 : found->second;
    }

    using Indexed = std::map<int, const ZEBspWriter::Entity*>;

    void CheckEntityPolygons()
    {
        m_Report.m_ulEntities = static_cast<uint32_t>(m_Map.m_aEntities.size());
        for (size_t e = 0; e < m_Map.m_aEntities.size(); ++e)
            for (size_t p = 0; p < m_Map.m_aEntities[e].m_aPolygons.size(); ++p)
            {
                std::vector<ZEMapVec3> corners;
                ZEMapPlane plane;
                CheckFace(m_Map.m_aEntities[e].m_aPolygons[p], ZEString::Format("entity %zu polygon %zu", e, p),
                          false, corners, plane);
            }
    }

    // A track node's plane (of its polygon's first triangle, as the game
    // takes it) and how far its polygon reaches sideways from its origin.
    struct NodePlane
    {
        ZEMapPlane m_Plane;
        double m_dHalfWidth = 0.0;
    };

    void CheckEntities()
    {
        m_Report.m_ulEntities = static_cast<uint32_t>(m_Map.m_aEntities.size());
        Indexed trackNodes, aiNodes, grid;
        std::vector<const ZEBspWriter::Entity*> powerUps;
        std::map<int, NodePlane> nodePlanes;
        double brightness = 0.0;
        for (size_t e = 0; e < m_Map.m_aEntities.size(); ++e)
        {
            const ZEBspWriter::Entity& entity = m_Map.m_aEntities[e];
            const ZEString& name = entity.m_ClassName;
            if (name.GetLength() > 23)
                Problem("entity %zu: class name longer than 23 characters", e);
            if (entity.m_aucData.size() < NeededData(name))
                Problem("entity %zu (%s): %zu data bytes, %zu needed", e, name.CStr(), entity.m_aucData.size(),
                        NeededData(name));
            const WZTrackEntityClass* game = WZFindTrackEntityClass(name.CStr());
            if (game && game->m_bNeedsPolygons && entity.m_aPolygons.empty())
                Problem("entity %zu (%s) has no polygons; the game skips it", e, name.CStr());
            for (size_t p = 0; p < entity.m_aPolygons.size(); ++p)
            {
                std::vector<ZEMapVec3> corners;
                ZEMapPlane plane;
                CheckFace(entity.m_aPolygons[p], ZEString::Format("entity %zu polygon %zu", e, p), false, corners,
                          plane);
            }
            if (name == "PowerUp")
                powerUps.push_back(&entity);
            if (entity.m_aucData.size() < std::max<size_t>(1, NeededData(name)))
                continue;
            int index = static_cast<int8_t>(entity.m_aucData[0]);
            if (name == "AmbientLight" || name == "DirectionalLight")
                brightness += ReadFloat(entity.m_aucData.data());
            else if (name == "TrackNode")
                Collect(trackNodes, index, entity, e, "track node");
            else if (name == "AINode")
                Collect(aiNodes, index, entity, e, "AI node");
            else if (name == "StartPosition")
                Collect(grid, index, entity, e, "start position");
        }
        if (brightness > 1.0 + 1e-6)
            Problem("ambient and directional light add up to %.3f, more than 1", brightness);
        BuildRoute(aiNodes, trackNodes);
        CheckTrackNodes(trackNodes, nodePlanes);
        CheckAINodes(aiNodes);
        CheckGrid(grid, nodePlanes, static_cast<int>(trackNodes.size()));
        CheckPowerUps(powerUps, !trackNodes.empty());
    }

    void Collect(Indexed& found, int index, const ZEBspWriter::Entity& entity, size_t number, const char* kind)
    {
        if (found.count(index))
            Problem("entity %zu: a second %s %d", number, kind, index);
        else
            found[index] = &entity;
    }

    static bool Dense(const Indexed& found, int from)
    {
        int expected = from;
        for (const auto& entry : found)
            if (entry.first != expected++)
                return false;
        return true;
    }

    // The AI nodes' chain when it is whole, else the track nodes'.
    void BuildRoute(const Indexed& aiNodes, const Indexed& trackNodes)
    {
        for (const auto* nodes : {&aiNodes, &trackNodes})
        {
            if (nodes->size() < 3 || !Dense(*nodes, 0))
                continue;
            std::vector<ZEMapVec3> points;
            for (const auto& entry : *nodes)
                points.push_back(ToMap(entry.second->m_vOrigin));
            m_Route.Build(points, nodes == &aiNodes ? "AI nodes" : "track nodes");
            if (!m_Route.IsEmpty())
                return;
        }
    }

    const Obstacles& GetObstacles()
    {
        if (!m_pObstacles)
            m_pObstacles = std::make_unique<Obstacles>(m_Map);
        return *m_pObstacles;
    }

    // The largest car standing at `at` turned to `heading`: a floor at
    // y = 0 under it, no face touching it and, with `camera`, a clear view
    // from the far chase camera.
    void CheckRoom(const ZEString& who, const ZEMapVec3& at, double heading, bool camera)
    {
        if (!std::isfinite(at.x) || !std::isfinite(at.y) || !std::isfinite(at.z) || !std::isfinite(heading))
        {
            Problem("%s: its position or heading is not a number", who.CStr());
            return;
        }
        const Obstacles& obstacles = GetObstacles();
        ZEString where = ZEString::Format("%s at (%.0f, %.0f, %.0f)", who.CStr(), at.x, at.y, at.z);
        double floor = at.y;
        if (!obstacles.Floor(at + ZEMapVec3(0.0, kFloorProbe, 0.0), floor))
        {
            Problem("%s: no floor under it", where.CStr());
            floor = at.y;
        }
        else if (std::fabs(floor) > kFloorTolerance)
            Problem("%s: the floor under it lies at y = %.1f, not on the road at 0", where.CStr(), floor);
        if (obstacles.TouchesCar(at, floor, heading))
            Problem("%s: no room for the largest car (%.0f x %.0f, %.1f high) facing %.0f degrees; it touches the "
                    "map's faces",
                    where.CStr(), ZE_MAP_CAR_WIDTH, ZE_MAP_CAR_LENGTH, ZE_MAP_CAR_HEIGHT, heading);
        if (!camera)
            return;
        ZEMapVec3 middle(at.x, floor + kCarMiddle, at.z);
        ZEMapVec3 view = middle - Forward(heading) * kCameraBehind + ZEMapVec3(0.0, kCameraUp, 0.0);
        if (obstacles.Cuts(middle, view))
            Problem("%s: the far chase camera (%.0f behind, %.0f up) is cut off from the car by the map's faces",
                    where.CStr(), kCameraBehind, kCameraUp);
    }

    void CheckTrackNodes(const Indexed& nodes, std::map<int, NodePlane>& planes)
    {
        m_Report.m_ulTrackNodes = static_cast<uint32_t>(nodes.size());
        if (nodes.empty())
            return;
        if (!Dense(nodes, 0) || nodes.size() > kMaxNodes)
            Problem("track nodes are not numbered densely from 0 to at most 49");
        for (const auto& entry : nodes)
        {
            const ZEBspWriter::Entity& node = *entry.second;
            std::vector<ZEMapVec3> corners;
            ZEMapPlane plane;
            if (node.m_aPolygons.size() != 1 || node.m_aPolygons[0].m_ausIndices.size() < 3 ||
                !CheckFace(node.m_aPolygons[0], ZEString::Format("track node %d's polygon", entry.first), false,
                           corners, plane) ||
                corners.size() < 3)
            {
                Problem("track node %d needs exactly one polygon", entry.first);
                continue;
            }
            // The game takes the plane of the polygon's first triangle.
            ZEMapVec3 n = (corners[1] - corners[0]).Cross(corners[2] - corners[0]).Unit();
            NodePlane& found = planes[entry.first];
            found.m_Plane.m_vNormal = n;
            found.m_Plane.m_dDistance = -n.Dot(corners[0]);
            for (const ZEMapVec3& corner : corners)
                found.m_dHalfWidth = std::max(found.m_dHalfWidth, HorizontalDistance(corner, ToMap(node.m_vOrigin)));
        }
        int count = static_cast<int>(nodes.size());
        if (count < 3 || static_cast<int>(planes.size()) != count)
            return;
        for (int k = 0; k < count; ++k)
        {
            const ZEMapPlane& plane = planes[k].m_Plane;
            ZEMapVec3 next = ToMap(nodes.at((k + 1) % count)->m_vOrigin);
            ZEMapVec3 prev = ToMap(nodes.at((k + count - 1) % count)->m_vOrigin);
            if (!(plane.Distance(next) < 0.0 && plane.Distance(prev) > 0.0))
            {
                Problem("track node %d's normal does not point against the direction of travel "
                        "(node %d must lie behind its plane, node %d in front)",
                        k, (k + 1) % count, (k + count - 1) % count);
                continue;
            }
            CheckWay(k, nodes, planes);
            ZEMapVec3 travel = -plane.m_vNormal;
            double heading = std::atan2(travel.x, travel.z) * 180.0 / kPi;
            CheckRoom(ZEString::Format("TrackNode %d", k), ToMap(nodes.at(k)->m_vOrigin), heading, true);
        }
    }

    // Walks the route from near node k - 1 to near node k + 1: the first
    // point behind node k's plane within its reach must lie at the node.
    void CheckWay(int k, const Indexed& nodes, const std::map<int, NodePlane>& planes)
    {
        if (m_Route.IsEmpty())
            return;
        int count = static_cast<int>(nodes.size());
        int prev = (k + count - 1) % count, next = (k + 1) % count;
        const NodePlane& node = planes.at(k);
        ZEMapVec3 origin = ToMap(nodes.at(k)->m_vOrigin);
        double from = m_Route.Nearest(ToMap(nodes.at(prev)->m_vOrigin));
        double span = m_Route.Nearest(ToMap(nodes.at(next)->m_vOrigin)) - from;
        if (span <= 0.0)
            span += m_Route.Length();
        for (double t = 0.0; t <= span; t += kWayStep)
        {
            ZEMapVec3 p = m_Route.At(from + t);
            if ((p - origin).Length() >= kNodeReach || node.m_Plane.Distance(p) >= 0.0)
                continue;
            double off = HorizontalDistance(p, origin);
            if (off > node.m_dHalfWidth + kPassSlack)
                Problem("TrackNode %d: the way from track node %d (along the %s) comes behind its plane %.0f from "
                        "its origin, within the %.0f a pass counts in: a car passes it before reaching it",
                        k, prev, m_Route.What(), off, kNodeReach);
            return;
        }
        Problem("TrackNode %d: the way from track node %d to %d (along the %s) never comes behind its plane "
                "within %.0f of its origin: no car passes it",
                k, prev, next, m_Route.What(), kNodeReach);
    }

    void CheckAINodes(const Indexed& nodes)
    {
        m_Report.m_ulAINodes = static_cast<uint32_t>(nodes.size());
        if (nodes.empty())
            return;
        if (!Dense(nodes, 0) || nodes.size() > kMaxNodes)
            Problem("AI nodes are not numbered densely from 0 to at most 49");
        for (const auto& entry : nodes)
        {
            float speed = ReadFloat(entry.second->m_aucData.data() + 4);
            if (!(std::isfinite(speed) && speed > 0.0f))
                Problem("AINode %d: its speed factor %g is not a positive number", entry.first, double(speed));
        }
        if (!Dense(nodes, 0))
            return;
        int count = static_cast<int>(nodes.size());
        if (count < 3)
            Problem("AI nodes: %d cannot make a closed chain; at least 3 are needed", count);
        for (int m = 0; m < count && count > 1; ++m)
        {
            ZEVector a = nodes.at(m)->m_vOrigin, b = nodes.at((m + 1) % count)->m_vOrigin;
            double apart = std::hypot(double(b.x) - a.x, double(b.z) - a.z);
            if (apart <= kAINodeReach)
                Problem("AI nodes %d and %d lie only %.1f apart (more than %.0f needed)", m, (m + 1) % count, apart,
                        kAINodeReach);
        }
    }

    void CheckGrid(const Indexed& grid, const std::map<int, NodePlane>& planes, int trackNodes)
    {
        m_Report.m_ulStartPositions = static_cast<uint32_t>(grid.size());
        if (grid.empty())
            return;
        if (grid.size() != 4 || !Dense(grid, 1))
            Problem("start positions must be numbered 1 to 4, once each");
        for (auto a = grid.begin(); a != grid.end(); ++a)
            for (auto b = std::next(a); b != grid.end(); ++b)
            {
                double apart = HorizontalDistance(ToMap(a->second->m_vOrigin), ToMap(b->second->m_vOrigin));
                if (apart < ZE_MAP_CAR_LENGTH)
                    Problem("StartPosition %d and StartPosition %d stand only %.1f apart; the largest car is %.0f "
                            "long",
                            a->first, b->first, apart, ZE_MAP_CAR_LENGTH);
            }
        for (const auto& entry : grid)
        {
            float heading = ReadFloat(entry.second->m_aucData.data() + 4);
            CheckRoom(ZEString::Format("StartPosition %d", entry.first), ToMap(entry.second->m_vOrigin), heading,
                      true);
        }
        if (!planes.count(0))
            return;
        const ZEMapPlane& start = planes.at(0).m_Plane;
        for (const auto& entry : grid)
        {
            ZEMapVec3 p = ToMap(entry.second->m_vOrigin);
            if (start.Distance(p) <= 0.0)
                Problem("start position %d stands beyond the start line (track node 0)", entry.first);
            if (trackNodes > 1 && planes.count(trackNodes - 1) &&
                planes.at(trackNodes - 1).m_Plane.Distance(p) >= 0.0)
                Problem("start position %d stands before the last track node %d", entry.first, trackNodes - 1);
            if (grid.count(1) && entry.first != 1 &&
                start.Distance(p) < start.Distance(ToMap(grid.at(1)->m_vOrigin)))
                Problem("StartPosition %d stands nearer to the start line than StartPosition 1, which is pole",
                        entry.first);
        }
    }

    void CheckPowerUps(const std::vector<const ZEBspWriter::Entity*>& powerUps, bool raceTrack)
    {
        m_Report.m_ulPowerUps = static_cast<uint32_t>(powerUps.size());
        if (raceTrack && (powerUps.size() < ZE_MAP_MIN_POWERUPS || powerUps.size() > ZE_MAP_MAX_POWERUPS))
            Problem("the race track holds %zu pickups (PowerUp); it needs %u to %u", powerUps.size(),
                    ZE_MAP_MIN_POWERUPS, ZE_MAP_MAX_POWERUPS);
        for (size_t i = 0; i < powerUps.size(); ++i)
        {
            ZEMapVec3 at = ToMap(powerUps[i]->m_vOrigin);
            // A car meets a pickup driving along the route.
            ZEMapVec3 travel(0.0, 0.0, 1.0);
            if (!m_Route.IsEmpty())
                m_Route.At(m_Route.Nearest(at), &travel);
            CheckRoom(ZEString::Format("PowerUp %zu", i), at, std::atan2(travel.x, travel.z) * 180.0 / kPi, false);
        }
    }

    const ZEBspWriter& m_Map;
    ZEMapCheckReport& m_Report;
    const bool m_bStructureOnly;
    Route m_Route;
    std::unique_ptr<Obstacles> m_pObstacles;
};
}

bool ZEReadMapFile(const std::vector<uint8_t>& bytes, ZEBspWriter& map, ZEString& error, ZEMapReading reading)
{
    Reader reader(bytes, map, error, reading);
    if (!reader.Read())
        return false;
    if (reading == ZEMapReading::AsTheEngine)
        return true;
    if (!reader.m_aUnterminated.empty())
    {
        error = ZEString::Format("texture %u: a name or package fills its field without a terminator",
                                 reader.m_aUnterminated[0]);
        return false;
    }
    if (!reader.m_aLongClassNames.empty())
    {
        error = ZEString::Format("entity %u: the class name fills its field without a terminator",
                                 reader.m_aLongClassNames[0]);
        return false;
    }
    return true;
}

bool ZECheckMap(const ZEBspWriter& map, ZEMapCheckReport& report)
{
    Checker checker(map, report, false);
    checker.Run();
    return report.IsClean();
}

bool ZECheckMapStructure(const ZEBspWriter& map, ZEMapCheckReport& report)
{
    Checker checker(map, report, true);
    checker.Run();
    return report.IsClean();
}

bool ZECheckMapFile(const ZEString& path, ZEMapCheckReport& report)
{
    std::ifstream file(path.CStr(), std::ios::binary);
    if (!file)
    {
        report.m_aProblems.push_back(ZEString::Format("%s cannot be read", path.CStr()));
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ZEBspWriter map;
    ZEString error;
    if (!ZEReadMapFile(bytes, map, error))
    {
        report.m_aProblems.push_back(error);
        return false;
    }
    return ZECheckMap(map, report);
}
