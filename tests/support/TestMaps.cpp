#include "support/TestMaps.h"

namespace ZETestMaps
{
ZEBspWriter::Face MakeQuad(ZEBspWriter& writer, uint16_t texture, const ZEVector& a, const ZEVector& b,
                           const ZEVector& c, const ZEVector& d, uint8_t opacity)
{
    const ZEVector corners[4] = {a, b, c, d};
    const float uv[4][2] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};
    uint16_t first = static_cast<uint16_t>(writer.m_aVertices.size());
    for (int i = 0; i < 4; ++i)
    {
        uint32_t position = writer.AddPosition(corners[i]);
        uint32_t texCoord = writer.AddTexCoord(uv[i][0], uv[i][1]);
        uint32_t lightmapCoord = writer.AddTexCoord(uv[i][0], uv[i][1]);
        writer.AddVertex(static_cast<uint16_t>(position), static_cast<uint16_t>(texCoord),
                         static_cast<uint16_t>(lightmapCoord));
    }
    std::vector<uint16_t> indices = {first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2),
                                     first, static_cast<uint16_t>(first + 2), static_cast<uint16_t>(first + 3)};
    return writer.MakeFace(texture, indices, opacity);
}

ZEBspWriter::Face MakeFloor(ZEBspWriter& writer, uint16_t texture, float x0, float x1, float z0, float z1, float y,
                            uint8_t opacity)
{
    return MakeQuad(writer, texture, ZEVector(x0, y, z0), ZEVector(x0, y, z1), ZEVector(x1, y, z1),
                    ZEVector(x1, y, z0), opacity);
}

ZEBspWriter::Face MakeWall(ZEBspWriter& writer, uint16_t texture, float z, float x0, float x1, float y0, float y1)
{
    return MakeQuad(writer, texture, ZEVector(x0, y0, z), ZEVector(x0, y1, z), ZEVector(x1, y1, z),
                    ZEVector(x1, y0, z));
}

uint32_t MakeSplit(ZEBspWriter& writer, const std::vector<ZEBspWriter::Face>& front,
                   const std::vector<ZEBspWriter::Face>& back)
{
    int32_t frontLeaf = static_cast<int32_t>(writer.AddLeaf(front));
    int32_t backLeaf = static_cast<int32_t>(writer.AddLeaf(back));
    return writer.AddInner(ZEVector(1, 0, 0), 0.0f, frontLeaf, backLeaf);
}

namespace
{
struct Grid
{
    ZEBspWriter& m_Writer;
    uint32_t m_ulCellsX;
    float m_fCellSize;
    uint16_t m_usLightmapSize;

    uint16_t Corner(uint32_t x, uint32_t z) const { return static_cast<uint16_t>(z * (m_ulCellsX + 1) + x); }

    ZEBspWriter::Face Cell(uint32_t x, uint32_t z) const
    {
        ZEBspWriter::Face face = m_Writer.MakeFace(
            1, {Corner(x, z), Corner(x, z + 1), Corner(x + 1, z + 1), Corner(x, z), Corner(x + 1, z + 1),
                Corner(x + 1, z)});
        face.m_aucLightmap.resize(static_cast<size_t>(m_usLightmapSize) * m_usLightmapSize);
        for (size_t i = 0; i < face.m_aucLightmap.size(); ++i)
            face.m_aucLightmap[i] = static_cast<uint8_t>(64 + (i * 7 + x * 13 + z * 29) % 192);
        face.m_usLightmapWidth = face.m_usLightmapHeight = m_usLightmapSize;
        return face;
    }

    // The cells x0..x1 by z0..z1 (exclusive ends) as a subtree.
    int32_t Build(uint32_t x0, uint32_t x1, uint32_t z0, uint32_t z1) const
    {
        if (x1 - x0 == 1 && z1 - z0 == 1)
            return static_cast<int32_t>(m_Writer.AddLeaf({Cell(x0, z0)}));
        bool alongX = x1 - x0 >= z1 - z0;
        if (alongX)
        {
            uint32_t mid = (x0 + x1) / 2;
            int32_t front = Build(mid, x1, z0, z1);
            int32_t back = Build(x0, mid, z0, z1);
            return static_cast<int32_t>(m_Writer.AddInner(ZEVector(1, 0, 0), -(mid * m_fCellSize), front, back));
        }
        uint32_t mid = (z0 + z1) / 2;
        int32_t front = Build(x0, x1, mid, z1);
        int32_t back = Build(x0, x1, z0, mid);
        return static_cast<int32_t>(m_Writer.AddInner(ZEVector(0, 0, 1), -(mid * m_fCellSize), front, back));
    }
};
}

ZEBspWriter MakeGridMap(uint32_t cellsX, uint32_t cellsZ, float cellSize, uint16_t lightmapSize)
{
    ZEBspWriter writer;
    writer.AddTexture("ground", "level");
    for (uint32_t z = 0; z <= cellsZ; ++z)
        for (uint32_t x = 0; x <= cellsX; ++x)
        {
            writer.AddLitVertex(ZELVertex{x * cellSize, 0.0f, z * cellSize, x * 0.25f, z * 0.25f,
                                          static_cast<float>(x) / cellsX, static_cast<float>(z) / cellsZ});
        }
    Grid grid{writer, cellsX, cellSize, lightmapSize};
    writer.m_lRoot = grid.Build(0, cellsX, 0, cellsZ);
    writer.AddEntity("AmbientLight", ZEVector(), ZEBspData().Float(0.3f).m_aucBytes);
    writer.AddEntity("DirectionalLight", ZEVector(), ZEBspData().Float(0.5f).Vector(ZEVector(0, -1, 0)).m_aucBytes);
    return writer;
}

ZEBspWriter MakeEveryClassMap()
{
    ZEBspWriter writer;
    writer.m_usFaceDataSize = 2;
    writer.AddTexture("ground", "level");
    MakeSplit(writer, {MakeFloor(writer, 1, 0, 100, -100, 100, 0)}, {MakeFloor(writer, 1, -100, 0, -100, 100, 0)});
    auto withQuad = [&writer](const char* name, const ZEVector& origin, const std::vector<uint8_t>& data) {
        uint32_t e = writer.AddEntity(name, origin, data);
        writer.m_aEntities[e].m_aPolygons.push_back(MakeFloor(writer, 1, 10, 14, 20, 22, 3));
    };
    writer.AddEntity("AmbientLight", ZEVector(), ZEBspData().Float(0.25f).m_aucBytes);
    writer.AddEntity("DirectionalLight", ZEVector(), ZEBspData().Float(0.5f).Vector(ZEVector(0, -2, 0)).m_aucBytes);
    writer.AddEntity("PointLight", ZEVector(1, 2, 3),
                     ZEBspData().Long(0).Float(0.75f).Float(300).Byte(1).m_aucBytes);
    writer.AddEntity("SpotLight", ZEVector(4, 5, 6),
                     ZEBspData().Long(0).Float(1).Float(200).Vector(ZEVector(0, 0, 3)).Byte(0).U16(40).m_aucBytes);
    withQuad("SkyBox", ZEVector(0, 100, 0), ZEBspData().Vector(ZEVector(10, 20, 0)).Float(4).Byte(1).m_aucBytes);
    withQuad("GeometricalObject", ZEVector(7, 0, 7), ZEBspData().Byte(1).m_aucBytes);
    writer.AddEntity("ModelObject", ZEVector(8, 0, 8), ZEBspData().U32(1).Vector(ZEVector(1, 1, 1)).m_aucBytes);
    withQuad("Billboard", ZEVector(9, 0, 9), ZEBspData().Byte(1).Byte(0).Byte(1).Zeros(3).m_aucBytes);
    withQuad("Decal", ZEVector(10, 0, 10), ZEBspData().Byte(1).Byte(0).Zeros(3).Byte(10).Byte(20).Byte(30).m_aucBytes);
    withQuad("Water", ZEVector(11, 0, 11), ZEBspData().Long(0).U32(3).Byte(1).Byte(0).m_aucBytes);
    writer.AddEntity("ParticleFX", ZEVector(12, 0, 12),
                     ZEBspData()
                         .Long(2).Long(15).Long(0).Long(0).Long(0).U32(40).U32(900)
                         .Vector(ZEVector(0, 5, 0)).Float(3).Float(0.5f).Float(0).Float(0).Float(0.5f).Float(0)
                         .Byte(0).Byte(1).Byte(1).Byte(1).Byte(0)
                         .Byte(255).Byte(0).Byte(0).Byte(0).Byte(0).Byte(255)
                         .m_aucBytes);
    writer.AddEntity("DynamicLight", ZEVector(13, 4, 13),
                     ZEBspData()
                         .U32(0).U32(3).U32(0).U32(1000).Float(120).Float(1.0f).Vector(ZEVector(0, -1, 0))
                         .Byte(1).U16(0).Byte(255).Byte(128).Byte(0).Byte(0).Byte(0).Byte(255).Zeros(3)
                         .m_aucBytes);
    writer.AddEntity("TrackNode", ZEVector(14, 0, 14), ZEBspData().Byte(3).m_aucBytes);
    return writer;
}
}
