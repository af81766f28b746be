// The map writer: the bytes it lays down sit at the offsets of the map
// format, and it refuses every map the loader would reject.
#include "support/TempFolder.h"
#include "support/TestMaps.h"

#include "ZEBspWriter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
using ZETestMaps::MakeFloor;

uint32_t LE16(const std::vector<uint8_t>& bytes, size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

uint32_t LE32(const std::vector<uint8_t>& bytes, size_t at)
{
    return LE16(bytes, at) | (LE16(bytes, at + 2) << 16);
}

float LEFloat(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t bits = LE32(bytes, at);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

// One texture, one floor face in a single leaf.
ZEBspWriter OneLeaf()
{
    ZEBspWriter writer;
    writer.AddTexture("road", "level");
    writer.AddLeaf({MakeFloor(writer, 1, -10, 10, -10, 10, 0)});
    return writer;
}

void ExpectRefused(ZEBspWriter& writer, const char* why)
{
    std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_FALSE(writer.Build(bytes)) << why;
    EXPECT_EQ(bytes, (std::vector<uint8_t>{1, 2, 3})) << "a refusal leaves the bytes alone";
    EXPECT_FALSE(writer.GetError().IsEmpty()) << why;
}
}

TEST(BspWriterLayout, HeaderTablesAndTreeSitAtTheirOffsets)
{
    ZEBspWriter writer = OneLeaf();
    writer.m_usFaceDataSize = 3;
    writer.m_aNodes[0].m_aFaces[0].m_aucData = {200, 7, 8};
    writer.m_aNodes[0].m_aFaces[0].SetLightmap(2, 3, 99);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(writer.Build(bytes)) << writer.GetError().CStr();

    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "BSP01");
    EXPECT_EQ(LE16(bytes, 6), 3u) << "attribute bytes";
    EXPECT_EQ(LE16(bytes, 8), 1u) << "textures";
    EXPECT_EQ(LE16(bytes, 10), 0u) << "entities";
    EXPECT_EQ(LE16(bytes, 16), 4u) << "vertices";
    EXPECT_EQ(LE16(bytes, 18), 4u) << "positions";
    EXPECT_EQ(LE16(bytes, 20), 8u) << "coordinate pairs";

    size_t at = 24;
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[at]), "road");
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[at + 12]), "level");
    EXPECT_EQ(bytes[at + 24], 0) << "not animated";
    at += 25;
    EXPECT_EQ(LEFloat(bytes, at), -10.0f) << "first position x";
    at += 4 * 12 + 8 * 8;
    EXPECT_EQ(LE16(bytes, at), 0u) << "vertex 0 position";
    EXPECT_EQ(LE16(bytes, at + 2), 0u);
    EXPECT_EQ(LE16(bytes, at + 4), 1u) << "vertex 0 lightmap pair";
    at += 4 * 6;

    EXPECT_EQ(LE32(bytes, at), 1u) << "a leaf of one face";
    EXPECT_FLOAT_EQ(LEFloat(bytes, at + 12), 1.0f) << "plane normal y";
    EXPECT_EQ(LEFloat(bytes, at + 24), -10.0f) << "box minimum x";
    EXPECT_EQ(LEFloat(bytes, at + 36 + 4), 0.0f) << "box maximum y";
    at += 48;
    EXPECT_EQ(LE16(bytes, at), 6u) << "indices";
    EXPECT_EQ(LE16(bytes, at + 2), 1u) << "texture";
    EXPECT_EQ(LE16(bytes, at + 4), 2u) << "lightmap width";
    EXPECT_EQ(LE16(bytes, at + 6), 3u) << "lightmap height";
    at += 24 + 12;
    EXPECT_EQ(bytes[at], 200) << "opacity";
    EXPECT_EQ(bytes[at + 2], 8);
    at += 3;
    EXPECT_EQ(bytes[at], 99) << "lightmap";
    EXPECT_EQ(bytes.size(), at + 6) << "nothing after the lightmap";
}

TEST(BspWriterLayout, InnerNodesWriteTheFrontSubtreeFirstAndEntitiesLast)
{
    ZEBspWriter writer;
    writer.AddTexture("t");
    ZETestMaps::MakeSplit(writer, {MakeFloor(writer, 1, 0, 10, 0, 10, 0)},
                          {MakeFloor(writer, 1, -10, 0, 0, 10, 0), MakeFloor(writer, 1, -10, 0, 0, 10, 5)});
    ZEBspWriter::Entity entity;
    entity.m_ClassName = "Decal";
    entity.m_vOrigin = ZEVector(1, 2, 3);
    entity.m_aucData = {5, 6};
    entity.m_aPolygons.push_back(MakeFloor(writer, 1, 0, 1, 0, 1, 0));
    writer.m_aEntities.push_back(entity);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(writer.Build(bytes)) << writer.GetError().CStr();

    size_t root = 24 + 25 + writer.m_avPositions.size() * 12 + writer.m_aTexCoords.size() * 8 +
                  writer.m_aVertices.size() * 6;
    EXPECT_EQ(LE32(bytes, root), 0u) << "inner";
    EXPECT_EQ(bytes[root + 4], 1);
    EXPECT_EQ(bytes[root + 5], 1);
    size_t face = 24 + 12 + 1;   // record, indices, one attribute byte
    size_t front = root + 48;
    EXPECT_EQ(LE32(bytes, front), 1u) << "the front leaf comes first";
    size_t back = front + 48 + face;
    EXPECT_EQ(LE32(bytes, back), 2u);
    size_t record = back + 48 + 2 * face;
    EXPECT_EQ(LEFloat(bytes, record + 8), 3.0f) << "origin z";
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[record + 12]), "Decal");
    EXPECT_EQ(bytes[record + 12 + 23], 0) << "class name zero-padded";
    EXPECT_EQ(bytes[record + 36], 1) << "polygons follow";
    EXPECT_EQ(LE16(bytes, record + 38), 2u);
    EXPECT_EQ(LE16(bytes, record + 40), 1u);
    EXPECT_EQ(bytes[record + 44], 5);
    EXPECT_EQ(bytes.size(), record + 44 + 2 + face);
}

TEST(BspWriterLayout, WriteStoresWhatBuildMakesAndRefusesUnwritablePaths)
{
    ZETempFolder dir("map");
    ZEBspWriter writer = OneLeaf();
    std::string path = dir.File("maps/one.bsp");
    ASSERT_TRUE(writer.Write(path.c_str())) << writer.GetError().CStr();
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> stored((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<uint8_t> built;
    ASSERT_TRUE(writer.Build(built));
    EXPECT_EQ(stored, built);

    EXPECT_FALSE(writer.Write((dir.Path() + "/missing/folder/x.bsp").c_str()));
    EXPECT_FALSE(std::ifstream(dir.Path() + "/missing/folder/x.bsp.tmp").good());
}

TEST(BspWriterData, FieldsAreLittleEndianAndTextIsPadded)
{
    ZEBspData data;
    data.Long(-2).Float(1.5f).U16(0x0102).Byte(9).Text("abcdef", 4).Vector(ZEVector(1, 2, 3));
    const std::vector<uint8_t>& bytes = data.m_aucBytes;
    ASSERT_EQ(bytes.size(), 4u + 4 + 2 + 1 + 4 + 12);
    EXPECT_EQ(LE32(bytes, 0), 0xFFFFFFFEu);
    EXPECT_EQ(LEFloat(bytes, 4), 1.5f);
    EXPECT_EQ(LE16(bytes, 8), 0x0102u);
    EXPECT_EQ(bytes[10], 9);
    EXPECT_EQ(std::string(bytes.begin() + 11, bytes.begin() + 15), std::string("abc\0", 4)) << "cut to fit";
    EXPECT_EQ(LEFloat(bytes, 23), 3.0f);
}

TEST(BspWriterData, LitVerticesShareEqualPositionsAndPairs)
{
    ZEBspWriter writer;
    EXPECT_EQ(writer.AddLitVertex(ZELVertex{1, 2, 3, 0, 0, 0.5f, 0.5f}), 0u);
    EXPECT_EQ(writer.AddLitVertex(ZELVertex{1, 2, 3, 0.5f, 0.5f, 0, 0}), 1u);
    EXPECT_EQ(writer.m_avPositions.size(), 1u);
    EXPECT_EQ(writer.m_aTexCoords.size(), 2u);
    EXPECT_EQ(writer.m_aVertices[1].m_usTexCoord, writer.m_aVertices[0].m_usLightmapCoord);
}

TEST(BspWriterRefusals, CountsBeyondSixteenBits)
{
    ZEBspWriter writer = OneLeaf();
    writer.m_aTextures.resize(65536);
    ExpectRefused(writer, "textures");

    writer = OneLeaf();
    writer.m_avPositions.resize(65536);
    ExpectRefused(writer, "positions");

    writer = OneLeaf();
    for (int e = 0; e < 65536; ++e)
        writer.m_aEntities.emplace_back();
    ExpectRefused(writer, "entities");

    writer = OneLeaf();
    writer.AddEntity("Blob", ZEVector(), std::vector<uint8_t>(65536));
    ExpectRefused(writer, "data block");

    writer = OneLeaf();
    std::vector<uint16_t>& indices = writer.m_aNodes[0].m_aFaces[0].m_ausIndices;
    indices.resize(65538, 0);
    ExpectRefused(writer, "indices of one face");
}

TEST(BspWriterRefusals, NamesThatDoNotFitTheirFields)
{
    ZEBspWriter writer = OneLeaf();
    writer.m_aTextures[0].m_Name = "twelve_chars";
    ExpectRefused(writer, "texture name");

    writer = OneLeaf();
    writer.m_aTextures[0].m_Package = "twelve_chars";
    ExpectRefused(writer, "package name");

    writer = OneLeaf();
    writer.m_aTextures[0].m_Name = "eleven_char";
    writer.AddEntity("TwentyThreeCharsClass__", ZEVector());
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(writer.Build(bytes)) << "11 and 23 characters fit: " << writer.GetError().CStr();
    writer.m_aEntities[0].m_ClassName = "TwentyFourCharsClass____";
    ExpectRefused(writer, "class name");
}

TEST(BspWriterRefusals, TextureNumbersIndicesAndTables)
{
    ZEBspWriter writer = OneLeaf();
    writer.m_aNodes[0].m_aFaces[0].m_usTexture = 0;
    ExpectRefused(writer, "texture 0");
    writer.m_aNodes[0].m_aFaces[0].m_usTexture = 2;
    ExpectRefused(writer, "texture beyond the table");

    writer = OneLeaf();
    writer.m_aNodes[0].m_aFaces[0].m_ausIndices[4] = 4;
    ExpectRefused(writer, "index beyond the vertices");

    writer = OneLeaf();
    writer.m_aNodes[0].m_aFaces[0].m_ausIndices.resize(5);
    ExpectRefused(writer, "index count not a multiple of 3");
    writer.m_aNodes[0].m_aFaces[0].m_ausIndices.clear();
    ExpectRefused(writer, "no triangle");

    writer = OneLeaf();
    writer.m_aVertices[2].m_usPosition = 4;
    ExpectRefused(writer, "vertex position beyond the table");
    writer = OneLeaf();
    writer.m_aVertices[2].m_usLightmapCoord = 8;
    ExpectRefused(writer, "vertex pair beyond the table");

    writer = OneLeaf();
    writer.m_aNodes[0].m_aFaces[0].m_aucData.push_back(0);
    ExpectRefused(writer, "attribute bytes of the wrong size");

    writer = OneLeaf();
    writer.m_aNodes[0].m_aFaces[0].m_usLightmapWidth = 2;
    writer.m_aNodes[0].m_aFaces[0].m_usLightmapHeight = 2;
    ExpectRefused(writer, "lightmap bytes missing");

    writer = OneLeaf();
    ZEBspWriter::Face polygon = writer.m_aNodes[0].m_aFaces[0];
    polygon.m_usTexture = 7;
    writer.AddEntity("Water", ZEVector());
    writer.m_aEntities[0].m_aPolygons.push_back(polygon);
    ExpectRefused(writer, "entity polygons are checked like faces");
}

TEST(BspWriterRefusals, TreeShapes)
{
    ZEBspWriter writer;
    ExpectRefused(writer, "no node at all");

    writer = OneLeaf();
    writer.m_aNodes[0].m_aFaces.clear();
    ExpectRefused(writer, "a leaf without faces");

    writer = OneLeaf();
    writer.AddInner(ZEVector(1, 0, 0), 0, -1, -1);
    ExpectRefused(writer, "an inner node without children");

    writer = OneLeaf();
    uint32_t leaf = 0;
    writer.m_aNodes[leaf].m_lFront = static_cast<int32_t>(writer.AddLeaf(writer.m_aNodes[leaf].m_aFaces));
    writer.m_lRoot = 0;
    ExpectRefused(writer, "a leaf with children");

    writer = OneLeaf();
    writer.AddInner(ZEVector(1, 0, 0), 0, 0, -1);
    writer.m_aNodes[1].m_aFaces = writer.m_aNodes[0].m_aFaces;
    ExpectRefused(writer, "an inner node with faces");

    writer = OneLeaf();
    writer.AddInner(ZEVector(1, 0, 0), 0, 0, 0);
    ExpectRefused(writer, "a node reached twice");

    writer = OneLeaf();
    writer.AddInner(ZEVector(1, 0, 0), 0, 5, -1);
    ExpectRefused(writer, "a child that does not exist");

    writer = OneLeaf();
    writer.AddLeaf(writer.m_aNodes[0].m_aFaces);
    writer.m_lRoot = 0;
    ExpectRefused(writer, "a node outside the tree");
}

TEST(BspWriterRefusals, TreesDeeperThanTheLoaderReads)
{
    ZEBspWriter writer = OneLeaf();
    int32_t node = 0;
    for (uint32_t depth = 2; depth <= ZE_BSP_MAX_DEPTH; ++depth)
        node = static_cast<int32_t>(writer.AddInner(ZEVector(0, 1, 0), 0, node, -1));
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(writer.Build(bytes)) << "the deepest tree allowed: " << writer.GetError().CStr();
    writer.AddInner(ZEVector(0, 1, 0), 0, node, -1);
    ExpectRefused(writer, "one level deeper");
}
