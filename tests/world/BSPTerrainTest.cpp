// The map loader: what a map becomes (tree, faces, entities), how the tree
// draws, clips and cuts decals with its tie rules, and that a damaged file
// of any kind fails cleanly and leaves an empty world.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "render/ZEBillboard.h"
#include "render/ZECamera.h"
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "render/ZEParticleSystem.h"
#include "render/ZESkyBox.h"
#include "render/ZEWater.h"
#include "resources/ZETextureManager.h"
#include "support/TestApplication.h"
#include "support/TempFolder.h"
#include "support/TestMaps.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"
#include "world/ZEEntityData.h"

#include "ZEBspWriter.h"
#include "ZEPackWriter.h"
#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
using ZETestMaps::MakeFloor;
using ZETestMaps::MakeQuad;
using ZETestMaps::MakeSplit;
using ZETestMaps::MakeWall;

const char* const kMapName = "maps/test.bsp";

// Records the custom entities the loader offers; keeps them when asked.
class EntityApp : public ZETestApplication
{
public:
    bool ReceiveCustomEntity(ZECustomEntity* entity) override
    {
        m_aClasses.push_back(entity->m_ClassName.CStr());
        m_aDataSizes.push_back(entity->m_usDataSize);
        // Every block is readable, zero-padded, well beyond its length.
        m_aPadding.push_back(entity->m_pData ? entity->m_pData[ZE_BSP_MIN_ENTITY_DATA - 1] : 0xFF);
        if (!m_bKeep)
            return false;
        m_aKept.emplace_back(entity);
        return true;
    }

    bool m_bKeep = false;
    std::vector<std::string> m_aClasses;
    std::vector<uint16_t> m_aDataSizes;
    std::vector<uint8_t> m_aPadding;
    std::vector<std::unique_ptr<ZECustomEntity>> m_aKept;
};

class BSPTerrainTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_App.Initialize();
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(m_Dir.Path().c_str()));
        m_pEngine = ZEEngine::ms_pEngine;
    }
    void TearDown() override
    {
        m_pTerrain.reset();
        m_App.Exit();
    }

    void Store(const std::vector<uint8_t>& bytes, const char* name = kMapName) { m_Dir.Write(name, bytes); }

    std::vector<uint8_t> Build(ZEBspWriter& writer)
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(writer.Build(bytes)) << writer.GetError().CStr();
        return bytes;
    }

    // Loads the bytes into a terrain the test owns (not installed).
    bool LoadBytes(const std::vector<uint8_t>& bytes)
    {
        Store(bytes);
        m_pTerrain.reset(new ZEBSPTerrain());
        return m_pTerrain->Load(ZEString(kMapName));
    }

    bool Load(ZEBspWriter& writer) { return LoadBytes(Build(writer)); }

    // Through the application, as the "load" command does.
    void LoadThroughApplication(const std::vector<uint8_t>& bytes)
    {
        Store(bytes);
        m_App.LoadBSPFile(ZEString("test.bsp"));
    }

    bool WorldIsEmpty() const
    {
        return !m_pEngine->GetTerrain() && !m_pEngine->GetObjects() && !m_pEngine->GetLights() &&
               !m_pEngine->m_pParticleSystems && !m_pEngine->GetDecals();
    }

    uint32_t CountLights() const
    {
        uint32_t count = 0;
        for (ZELight* light = m_pEngine->GetLights(); light; light = light->m_pNext)
            ++count;
        return count;
    }

    // The first world object of the type, or null.
    template <typename T>
    T* FindObject() const
    {
        for (ZEEngineObject* object = m_pEngine->GetObjects(); object; object = object->m_pNext)
            if (T* found = dynamic_cast<T*>(object))
                return found;
        return nullptr;
    }

    std::vector<std::string>& Log() { return m_App.Renderer()->m_Log; }

    ZETempFolder m_Dir{"map"};
    EntityApp m_App;
    ZEEngine* m_pEngine = nullptr;
    std::unique_ptr<ZEBSPTerrain> m_pTerrain;
};

// A floor leaf of three faces (6, 3 and 6 indices), the middle one with
// the given opacity.
ZEBspWriter ThreeFaceLeaf(uint8_t middleOpacity)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    writer.AddTexture("b", "level");
    writer.AddTexture("c", "level");
    ZEBspWriter::Face middle = MakeFloor(writer, 2, 0, 10, 0, 10, 0, middleOpacity);
    middle.m_ausIndices.resize(3);
    writer.AddLeaf({MakeFloor(writer, 1, -10, 0, 0, 10, 0), middle, MakeFloor(writer, 3, 10, 20, 0, 10, 0)});
    return writer;
}

// The writer's faces in file order: a leaf's faces, an inner node's front
// subtree before its back subtree.
void WriterFaces(const ZEBspWriter& writer, int32_t node, std::vector<const ZEBspWriter::Face*>& faces)
{
    if (node < 0)
        return;
    const ZEBspWriter::Node& record = writer.m_aNodes[node];
    for (const ZEBspWriter::Face& face : record.m_aFaces)
        faces.push_back(&face);
    WriterFaces(writer, record.m_lFront, faces);
    WriterFaces(writer, record.m_lBack, faces);
}

// The loaded faces in the same order.
void LoadedFaces(ZEBSPNode* node, std::vector<ZEBSPFace*>& faces)
{
    if (!node)
        return;
    for (ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext)
        faces.push_back(static_cast<ZEBSPFace*>(face));
    LoadedFaces(node->m_pFront, faces);
    LoadedFaces(node->m_pBack, faces);
}

// Bilinear sampling of luminance texels with clamped edges, as OpenGL
// samples a lightmap.
double Sample(const uint8_t* texels, uint32_t width, uint32_t height, double s, double t)
{
    double x = s * width - 0.5, y = t * height - 0.5;
    double fx = x - std::floor(x), fy = y - std::floor(y);
    auto at = [&](double px, double py) {
        double cx = std::min(std::max(std::floor(px), 0.0), width - 1.0);
        double cy = std::min(std::max(std::floor(py), 0.0), height - 1.0);
        return static_cast<double>(texels[static_cast<size_t>(cy) * width + static_cast<size_t>(cx)]);
    };
    double top = at(x, y) * (1 - fx) + at(x + 1, y) * fx;
    double bottom = at(x, y + 1) * (1 - fx) + at(x + 1, y + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

// Every loaded face has the positions it was written with, and its
// lightmap - a page or its own - reads at its coordinates what the written
// lightmap reads at the written ones: at the corners, the edge middles and
// the centre of every triangle.
void ExpectFacesReadTheirOwnLightmaps(const ZEBspWriter& writer, const ZEBSPTerrain& terrain)
{
    std::vector<const ZEBspWriter::Face*> written;
    WriterFaces(writer, writer.m_lRoot >= 0 ? writer.m_lRoot : static_cast<int32_t>(writer.m_aNodes.size()) - 1,
                written);
    std::vector<ZEBSPFace*> loaded;
    LoadedFaces(terrain.m_pRoot, loaded);
    ASSERT_EQ(written.size(), loaded.size());
    const double weights[7][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {0.5, 0.5, 0}, {0, 0.5, 0.5}, {0.5, 0, 0.5},
                                  {1 / 3.0, 1 / 3.0, 1 / 3.0}};
    for (size_t f = 0; f < loaded.size(); ++f)
    {
        const ZEBspWriter::Face& from = *written[f];
        ZEBSPFace* face = loaded[f];
        ASSERT_EQ(face->m_pLVertices, terrain.m_pLVertices);
        ASSERT_EQ(face->m_usNumIndices, from.m_ausIndices.size());
        ZETexture* lightmap = face->m_pLightmap ? face->m_pLightmap->GetTexture() : nullptr;
        ASSERT_NE(lightmap, nullptr) << "face " << f;
        for (size_t i = 0; i < from.m_ausIndices.size(); ++i)
        {
            const ZELVertex& vertex = terrain.m_pLVertices[face->m_pusIndices[i]];
            const ZEVector& position = writer.m_avPositions[writer.m_aVertices[from.m_ausIndices[i]].m_usPosition];
            ASSERT_TRUE(vertex.x == position.x && vertex.y == position.y && vertex.z == position.z) << f;
        }
        for (size_t t = 0; t + 2 < from.m_ausIndices.size(); t += 3)
            for (const double* w : weights)
            {
                double su = 0, sv = 0, lu = 0, lv = 0;
                for (int c = 0; c < 3; ++c)
                {
                    const ZEBspWriter::TexCoord& pair =
                        writer.m_aTexCoords[writer.m_aVertices[from.m_ausIndices[t + c]].m_usLightmapCoord];
                    const ZELVertex& vertex = terrain.m_pLVertices[face->m_pusIndices[t + c]];
                    su += w[c] * pair.u;
                    sv += w[c] * pair.v;
                    lu += w[c] * vertex.lu;
                    lv += w[c] * vertex.lv;
                }
                double own = Sample(from.m_aucLightmap.data(), from.m_usLightmapWidth, from.m_usLightmapHeight, su, sv);
                double read = Sample(lightmap->m_pData, lightmap->m_ulWidth, lightmap->m_ulHeight, lu, lv);
                ASSERT_NEAR(read, own, 0.05) << "face " << f << " triangle " << t / 3;
            }
    }
}

// The lightmap textures the manager holds.
size_t CountLightmapTextures()
{
    size_t count = 0;
    for (ZETexture* texture = ZETextureManager::ms_pTexManager->GetTextures(); texture; texture = texture->m_pNext)
        count += texture->m_bLightmap ? 1 : 0;
    return count;
}

// A new lit vertex on the floor with lightmap coordinates (l, l).
uint16_t FloorVertex(ZEBspWriter& writer, float x, float z, float l)
{
    return static_cast<uint16_t>(writer.AddLitVertex(ZELVertex{x, 0, z, 0, 0, l, l}));
}

// A convex face over the vertices, fanned from the first, with a lightmap
// of distinct texels.
ZEBspWriter::Face PatternedFace(ZEBspWriter& writer, const std::vector<uint16_t>& corners, uint16_t width,
                                uint16_t height, uint32_t seed)
{
    std::vector<uint16_t> indices;
    for (size_t c = 2; c < corners.size(); ++c)
        indices.insert(indices.end(), {corners[0], corners[c - 1], corners[c]});
    ZEBspWriter::Face face = writer.MakeFace(1, indices);
    face.m_usLightmapWidth = width;
    face.m_usLightmapHeight = height;
    std::mt19937 random(seed);
    for (uint32_t i = 0; i < static_cast<uint32_t>(width) * height; ++i)
        face.m_aucLightmap.push_back(static_cast<uint8_t>(random()));
    return face;
}

// The offset of the root node record.
size_t RootOffset(const ZEBspWriter& writer)
{
    return 24 + writer.m_aTextures.size() * 25 + writer.m_avPositions.size() * 12 +
           writer.m_aTexCoords.size() * 8 + writer.m_aVertices.size() * 6;
}

void PutLE16(std::vector<uint8_t>& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void PutLE32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    PutLE16(bytes, at, static_cast<uint16_t>(value));
    PutLE16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}
}

// ---------------------------------------------------------------------------
// What a map becomes

TEST_F(BSPTerrainTest, TheLoadCommandInstallsTheMapWithItsTreeAndFaces)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    writer.m_usFaceDataSize = 3;
    for (ZEBspWriter::Face& face : writer.m_aNodes[0].m_aFaces)
        face.m_aucData = {255, 42, 43};
    Store(Build(writer));

    ZEConsole::ms_pConsole->EnterCommand(ZEString("load Test.BSP"), true);

    ZEBSPTerrain* terrain = dynamic_cast<ZEBSPTerrain*>(m_pEngine->GetTerrain());
    ASSERT_NE(terrain, nullptr) << "the name is lower-cased and looked up under maps/";
    EXPECT_TRUE(terrain->m_bLoaded);
    EXPECT_EQ(terrain->m_ulNumLVertices, 12u);
    EXPECT_EQ(terrain->m_usFaceDataSize, 3u);
    EXPECT_EQ(terrain->m_pTextureNames, nullptr) << "the table goes with the load";
    EXPECT_FLOAT_EQ(terrain->m_fRetention, 0.9f);
    ZEBSPNode* root = terrain->m_pRoot;
    ASSERT_TRUE(root && root->m_bLeaf);
    EXPECT_EQ(root->GetBox()->m_vMin, ZEVector(-10, 0, 0));
    EXPECT_EQ(root->GetBox()->m_vMax, ZEVector(20, 0, 10));

    int faces = 0;
    for (ZEPolygon* face = root->m_pFaces; face; face = face->m_pNext, ++faces)
    {
        ZEBSPFace* bspFace = static_cast<ZEBSPFace*>(face);
        EXPECT_EQ(face->m_pLVertices, terrain->m_pLVertices) << "faces share the terrain's vertices";
        EXPECT_EQ(face->m_usNumVertices, 0u);
        EXPECT_TRUE(face->m_bUpdated && face->m_bPlanar && face->m_bLightmapped);
        EXPECT_FLOAT_EQ(face->m_pPlanes[0].m_vNormal.y, 1.0f);
        EXPECT_EQ(face->m_pucData[1], 42);
        EXPECT_EQ(face->m_ucAlpha, 255);
        EXPECT_GT(bspFace->m_BoundingSphere.m_fRadius, 5.0f);
    }
    EXPECT_EQ(faces, 3);
    EXPECT_FALSE(terrain->m_bSecondPass);
}

TEST_F(BSPTerrainTest, AFifthByteOtherThanOneIsRefusedEvenWithTheRightMagic)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    std::vector<uint8_t> bytes = Build(writer);
    ASSERT_TRUE(LoadBytes(bytes));

    bytes[4] = '2';
    EXPECT_FALSE(LoadBytes(bytes));
    EXPECT_FALSE(m_pTerrain->m_bLoaded);
    EXPECT_EQ(m_pTerrain->m_pRoot, nullptr);
    bytes[4] = '1';
    bytes[3] = '1';
    EXPECT_FALSE(LoadBytes(bytes)) << "magic BSP1";

    m_pTerrain.reset(new ZEBSPTerrain());
    EXPECT_FALSE(m_pTerrain->Load(ZEString("maps/missing.bsp")));
}

TEST_F(BSPTerrainTest, MapsWithoutAttributeBytesHaveOpaqueFaces)
{
    ZEBspWriter writer;
    writer.m_usFaceDataSize = 0;
    writer.AddTexture("a", "level");
    writer.AddLeaf({MakeFloor(writer, 1, 0, 1, 0, 1, 0, 0)});
    ASSERT_TRUE(Load(writer));
    ZEPolygon* face = m_pTerrain->m_pRoot->m_pFaces;
    EXPECT_EQ(face->m_ucAlpha, 255);
    EXPECT_EQ(face->m_pucData, nullptr);
    EXPECT_FALSE(m_pTerrain->m_bSecondPass);
}

TEST_F(BSPTerrainTest, EachVertexTakesItsPositionAndBothCoordinatePairsByTheirOwnIndices)
{
    // Every vertex names a different pair for its texture and its lightmap,
    // and the two indices cross; a face without a lightmap keeps them as read.
    ZEBspWriter writer;
    writer.AddTexture("ground", "level");
    for (const ZEVector& position : {ZEVector(0, 0, 0), ZEVector(0, 0, 10), ZEVector(10, 0, 10)})
        writer.AddPosition(position);
    const float pairs[3][2] = {{0.125f, 0.25f}, {0.375f, 0.5f}, {0.625f, 0.75f}};
    for (const float* pair : pairs)
        writer.AddTexCoord(pair[0], pair[1]);
    const uint16_t triples[3][3] = {{2, 1, 0}, {0, 2, 1}, {1, 0, 2}};   // position, texture, lightmap
    for (const uint16_t* triple : triples)
        writer.AddVertex(triple[0], triple[1], triple[2]);
    writer.AddLeaf({writer.MakeFace(1, {0, 1, 2})});
    ASSERT_TRUE(Load(writer));

    ASSERT_EQ(m_pTerrain->m_ulNumLVertices, 3u);
    for (int v = 0; v < 3; ++v)
    {
        const ZELVertex& vertex = m_pTerrain->m_pLVertices[v];
        const ZEVector& position = writer.m_avPositions[triples[v][0]];
        EXPECT_EQ(ZEVector(vertex.x, vertex.y, vertex.z), position) << v;
        EXPECT_EQ(vertex.u, pairs[triples[v][1]][0]) << v;
        EXPECT_EQ(vertex.v, pairs[triples[v][1]][1]) << v;
        EXPECT_EQ(vertex.lu, pairs[triples[v][2]][0]) << v;
        EXPECT_EQ(vertex.lv, pairs[triples[v][2]][1]) << v;
    }
}

TEST_F(BSPTerrainTest, AnEmptyLightmapGivesAnEmptyReferenceAndAFullOneAPlaceOnAnUploadedPage)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    writer.m_aNodes[0].m_aFaces[1].SetLightmap(4, 2, 77);
    ASSERT_TRUE(Load(writer));
    ZEPolygon* empty = m_pTerrain->m_pRoot->m_pFaces;
    ASSERT_NE(empty->m_pLightmap, nullptr);
    EXPECT_TRUE(empty->m_pLightmap->IsEmpty());
    ZETexture* page = empty->m_pNext->m_pLightmap->GetTexture();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->m_bLightmap);
    // 4 x 2 in a frame of one texel: the smallest page that holds 6 x 4.
    EXPECT_EQ(page->m_ulWidth, 8u);
    EXPECT_EQ(page->m_ulHeight, 4u);
    EXPECT_EQ(std::count(page->m_pData, page->m_pData + 32, 77), 24);
}

TEST_F(BSPTerrainTest, FacesShareALightmapPageAndReadTheirOwnTexelsThroughIt)
{
    // 36 cells over shared corner vertices, each with an 8 x 8 lightmap of
    // its own texels.
    ZEBspWriter writer = ZETestMaps::MakeGridMap(6, 6, 10.0f, 8);
    size_t before = CountLightmapTextures();
    ASSERT_TRUE(Load(writer));
    std::vector<ZEBSPFace*> faces;
    LoadedFaces(m_pTerrain->m_pRoot, faces);
    ASSERT_EQ(faces.size(), 36u);
    ZETexture* page = faces[0]->m_pLightmap->GetTexture();
    ASSERT_NE(page, nullptr);
    for (ZEBSPFace* face : faces)
        EXPECT_EQ(face->m_pLightmap->GetTexture(), page);
    EXPECT_EQ(CountLightmapTextures(), before + 1);
    EXPECT_EQ(page->m_ulReferences, 36u);
    // Each shared corner is copied for every further cell that uses it.
    EXPECT_EQ(m_pTerrain->m_ulNumLVertices, 36u * 4);
    ExpectFacesReadTheirOwnLightmaps(writer, *m_pTerrain);
}

TEST_F(BSPTerrainTest, FacesThatAPageCannotStandInForKeepLightmapsOfTheirOwn)
{
    ZEBspWriter writer;
    writer.AddTexture("ground", "level");
    // The second face shares an edge with the first, but reaches a whole
    // lightmap beyond its own; the third is wider than a page.
    uint16_t a = FloorVertex(writer, 0, 0, 0), b = FloorVertex(writer, 0, 10, 0);
    uint16_t c = FloorVertex(writer, 10, 10, 1), d = FloorVertex(writer, 10, 0, 1);
    ZEBspWriter::Face paged = PatternedFace(writer, {a, b, c, d}, 4, 4, 1);
    ZEBspWriter::Face far =
        PatternedFace(writer, {d, c, FloorVertex(writer, 20, 10, 2), FloorVertex(writer, 20, 0, 2)}, 4, 4, 2);
    ZEBspWriter::Face wide = PatternedFace(writer,
                                           {FloorVertex(writer, 30, 0, 0), FloorVertex(writer, 30, 10, 0),
                                            FloorVertex(writer, 40, 10, 1), FloorVertex(writer, 40, 0, 1)},
                                           ZE_BSP_LIGHTMAP_PAGE - 1, 2, 3);
    writer.AddLeaf({paged, far, wide});
    ASSERT_TRUE(Load(writer));

    ZEPolygon* faces[3] = {m_pTerrain->m_pRoot->m_pFaces, nullptr, nullptr};
    faces[1] = faces[0]->m_pNext;
    faces[2] = faces[1]->m_pNext;
    ZETexture* textures[3];
    for (int f = 0; f < 3; ++f)
        ASSERT_NE(textures[f] = faces[f]->m_pLightmap->GetTexture(), nullptr);
    EXPECT_EQ(textures[0]->m_ulWidth, 8u) << "the page of the first face alone";
    EXPECT_EQ(textures[1]->m_ulWidth, 4u);
    EXPECT_EQ(textures[2]->m_ulWidth, ZE_BSP_LIGHTMAP_PAGE - 1);
    for (int f = 1; f < 3; ++f)
        EXPECT_EQ(textures[f]->m_ulReferences, 1u);
    // The shared edge is copied for the face that keeps its coordinates.
    EXPECT_EQ(m_pTerrain->m_ulNumLVertices, 10u + 2);
    ExpectFacesReadTheirOwnLightmaps(writer, *m_pTerrain);
}

TEST_F(BSPTerrainTest, WhenCopiesWouldOutgrowSixteenBitIndicesEveryFaceKeepsItsOwnLightmap)
{
    ZEBspWriter writer;
    writer.AddTexture("ground", "level");
    ZEBspWriter::Face first = PatternedFace(
        writer, {FloorVertex(writer, 0, 0, 0), FloorVertex(writer, 0, 10, 0), FloorVertex(writer, 10, 10, 1)}, 4, 4, 1);
    ZEBspWriter::Face second = first;   // the same vertices, its own lightmap
    std::reverse(second.m_aucLightmap.begin(), second.m_aucLightmap.end());
    writer.AddLeaf({first, second});
    while (writer.m_aVertices.size() < 65535)
        writer.AddVertex(0, 0, 0);
    ASSERT_TRUE(Load(writer));

    ZEPolygon* face = m_pTerrain->m_pRoot->m_pFaces;
    ASSERT_NE(face->m_pLightmap->GetTexture(), face->m_pNext->m_pLightmap->GetTexture());
    EXPECT_EQ(face->m_pLightmap->GetTexture()->m_ulWidth, 4u);
    EXPECT_EQ(m_pTerrain->m_ulNumLVertices, 65535u);
    ExpectFacesReadTheirOwnLightmaps(writer, *m_pTerrain);
}

TEST_F(BSPTerrainTest, NamesWithoutTerminatorAreCutAtTheirFieldsLastByte)
{
    ZETexWriter textures;
    ASSERT_TRUE(textures.AddImage("abcdefghijk", ZETexImage::TrueColor(1, 1, {1, 2, 3})));
    ASSERT_TRUE(textures.Write(m_Dir.File("textures/level.tex").c_str())) << textures.GetError().CStr();

    ZEBspWriter writer;
    writer.AddTexture("abcdefghijk", "level");
    writer.AddLeaf({MakeFloor(writer, 1, 0, 1, 0, 1, 0)});
    writer.AddEntity("ABCDEFGHIJKLMNOPQRSTUVW", ZEVector());
    std::vector<uint8_t> bytes = Build(writer);
    bytes[24 + 11] = 'X';                        // texture name, 12 bytes, no terminator
    bytes[bytes.size() - 44 + 12 + 23] = 'Z';    // class name, 24 bytes, likewise
    ASSERT_TRUE(LoadBytes(bytes));

    ZETexture* texture = m_pTerrain->m_pRoot->m_pFaces->m_pTexture->GetTexture();
    ASSERT_NE(texture, nullptr) << "found as \"abcdefghijk\"";
    EXPECT_STREQ(texture->m_Name.CStr(), "abcdefghijk");
    ASSERT_EQ(m_App.m_aClasses.size(), 1u);
    EXPECT_EQ(m_App.m_aClasses[0], "ABCDEFGHIJKLMNOPQRSTUVW");
}

// ---------------------------------------------------------------------------
// Drawing

TEST_F(BSPTerrainTest, ALeafDrawsItsFacesInFileOrder)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    ASSERT_TRUE(Load(writer));
    ZERecordingRenderer* renderer = m_App.Renderer();
    renderer->m_usZBufferComp = 3;
    renderer->m_bLightmaps = true;
    renderer->Clear();
    m_pTerrain->Render(renderer, nullptr);

    std::vector<std::string> expected = {"SetZBufferComp 7", "SetAmbient 255 255 255", "SetVertexArrayL 12",
                                         "LockVertexArray"};
    for (ZEPolygon* face = m_pTerrain->m_pRoot->m_pFaces; face; face = face->m_pNext)
    {
        expected.push_back("SetTexture " + ZERecordingRenderer::PointerText(face->m_pTexture));
        expected.push_back("DrawIndicesL " + std::to_string(face->m_usNumIndices) + " " +
                           ZERecordingRenderer::PointerText(face->m_pLightmap));
    }
    expected.push_back("UnlockVertexArray");
    expected.push_back("SetZBufferComp 3");
    EXPECT_EQ(Log(), expected);
    EXPECT_EQ(renderer->Find("DrawIndicesL 6"), 5);
    EXPECT_EQ(renderer->Find("DrawIndicesL 3"), 7);
}

TEST_F(BSPTerrainTest, ATransparentFaceSwitchesBlendingOnlyAroundItself)
{
    ZEBspWriter writer = ThreeFaceLeaf(128);
    writer.AddEntity("AmbientLight", ZEVector(), ZEBspData().Float(0.4f).m_aucBytes);
    ASSERT_TRUE(Load(writer));
    EXPECT_TRUE(m_pTerrain->m_bSecondPass);
    ZERecordingRenderer* renderer = m_App.Renderer();
    renderer->m_bLightmaps = false;
    renderer->Clear();
    m_pTerrain->Render(renderer, nullptr);

    EXPECT_EQ(renderer->Count("SetZBufferComp"), 0u) << "a map with transparency keeps the depth test";
    int first = renderer->Find("DrawIndicesL 6");
    int enable = renderer->Find("EnableBlending");
    int middle = renderer->Find("DrawIndicesL 3");
    int disable = renderer->Find("DisableBlending");
    int last = renderer->Find("DrawIndicesL 6", first + 1);
    ASSERT_TRUE(first >= 0 && enable >= 0 && middle >= 0 && disable >= 0 && last >= 0);
    EXPECT_LT(first, enable);
    EXPECT_EQ(Log()[enable + 1], "SetBlendingState 4 5");
    EXPECT_EQ(Log()[enable + 2], "SetAmbient 255 255 255 128");
    EXPECT_LT(enable, middle);
    EXPECT_EQ(disable, middle + 1);
    EXPECT_EQ(Log()[disable + 1], "SetAmbient 102 102 102") << "the next faces get the terrain's grey back";
    EXPECT_LT(disable, last);
    EXPECT_EQ(renderer->Count("EnableBlending"), 1u);
}

TEST_F(BSPTerrainTest, BrightnessIsTheSumOfAmbientAndDirectionalIntensitiesClamped)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    writer.AddEntity("AmbientLight", ZEVector(), ZEBspData().Float(0.2f).m_aucBytes);
    writer.AddEntity("DirectionalLight", ZEVector(), ZEBspData().Float(0.2f).Vector(ZEVector(0, -1, 0)).m_aucBytes);
    ASSERT_TRUE(Load(writer));
    ZERecordingRenderer* renderer = m_App.Renderer();
    renderer->m_bLightmaps = false;
    renderer->Clear();
    m_pTerrain->Render(renderer, nullptr);
    EXPECT_EQ(renderer->Find("SetAmbient 102 102 102"), 1);

    renderer->m_bLightmaps = true;
    renderer->Clear();
    m_pTerrain->Render(renderer, nullptr);
    EXPECT_EQ(renderer->Find("SetAmbient 255 255 255"), 1);

    m_pTerrain->m_fBrightness = 1.6f;
    EXPECT_EQ(m_pTerrain->GetBrightnessLevel(), 255) << "clamped, not wrapped to 152";
    m_pTerrain->m_fBrightness = -0.5f;
    EXPECT_EQ(m_pTerrain->GetBrightnessLevel(), 0);
    m_pTerrain->m_fBrightness = std::nanf("");
    EXPECT_EQ(m_pTerrain->GetBrightnessLevel(), 0);
}

TEST_F(BSPTerrainTest, TheTreeDrawsTheSideAwayFromTheCameraFirst)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    ZEBspWriter::Face back = MakeFloor(writer, 1, -10, 0, 0, 10, 0);
    back.m_ausIndices.resize(3);
    MakeSplit(writer, {MakeFloor(writer, 1, 0, 10, 0, 10, 0)}, {back});
    ASSERT_TRUE(Load(writer));
    ZERecordingRenderer* renderer = m_App.Renderer();
    ZECamera camera;

    auto firstDrawn = [&](float x) {
        camera.m_vPosition = ZEVector(x, 50, -100);
        camera.UpdateCamera();
        renderer->Clear();
        m_pTerrain->Render(renderer, &camera);
        int at = renderer->Find("DrawIndicesL");
        return at < 0 ? std::string() : Log()[at].substr(0, 14);
    };
    EXPECT_EQ(firstDrawn(30), "DrawIndicesL 3") << "camera in front: the back leaf first";
    EXPECT_EQ(firstDrawn(-30), "DrawIndicesL 6") << "camera behind: the front leaf first";
    EXPECT_EQ(firstDrawn(0), "DrawIndicesL 3") << "on the plane counts as in front";
    EXPECT_EQ(renderer->Count("DrawIndicesL"), 2u);
}

// ---------------------------------------------------------------------------
// Collision

TEST_F(BSPTerrainTest, ASegmentLyingInANodePlaneDescendsTheFrontChildOnly)
{
    // A wall across z = 0 that the segment along x = 0 passes through.
    for (bool wallInFront : {false, true})
    {
        ZEBspWriter writer;
        writer.AddTexture("a", "level");
        ZEBspWriter::Face wall = MakeWall(writer, 1, 0, -10, 10, 0, 20);
        ZEBspWriter::Face floor = MakeFloor(writer, 1, 50, 60, 50, 60, 0);
        if (wallInFront)
            MakeSplit(writer, {wall}, {floor});
        else
            MakeSplit(writer, {floor}, {wall});
        ASSERT_TRUE(Load(writer));
        ZEVector start(0, 10, -50), move(0, 0, 100);
        EXPECT_EQ(m_pTerrain->Clips(start, move), wallInFront);
        _ZEClipInfo info;
        EXPECT_EQ(m_pTerrain->Clips(start, move, info), wallInFront);
    }
}

TEST_F(BSPTerrainTest, ASegmentCrossingANodePlaneAlmostParallelClipsNothing)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    MakeSplit(writer, {MakeWall(writer, 1, 0, -10, 10, 0, 20)}, {MakeWall(writer, 1, 0, -10, 10, 0, 20)});
    ASSERT_TRUE(Load(writer));
    _ZEClipInfo info;
    ZEVector start(-0.000004f, 10, -50);
    EXPECT_FALSE(m_pTerrain->Clips(start, ZEVector(0.000008f, 0, 100)));
    EXPECT_FALSE(m_pTerrain->Clips(start, ZEVector(0.000008f, 0, 100), info));
    EXPECT_TRUE(m_pTerrain->Clips(ZEVector(-1, 10, -50), ZEVector(2, 0, 100))) << "a steeper crossing hits";
}

TEST_F(BSPTerrainTest, SegmentsSplitAtNodePlanesFindTheNearestHitWithTheLeafAsObject)
{
    ZEBspWriter writer;
    writer.m_usFaceDataSize = 2;
    writer.AddTexture("a", "level");
    ZEBspWriter::Face farWall = MakeWall(writer, 1, 30, 0, 10, 0, 20);
    ZEBspWriter::Face nearWall = MakeWall(writer, 1, 20, 0, 10, 0, 20);
    nearWall.m_aucData = {255, 9};
    MakeSplit(writer, {farWall, nearWall}, {MakeFloor(writer, 1, -10, 0, 0, 10, 0)});
    ASSERT_TRUE(Load(writer));

    // From behind the node plane across it into the front leaf.
    EXPECT_TRUE(m_pTerrain->Clips(ZEVector(-5, 10, 28), ZEVector(10, 0, -10)));
    EXPECT_FALSE(m_pTerrain->Clips(ZEVector(-5, 10, 28), ZEVector(4, 0, -4))) << "stops before the plane";
    _ZEClipInfo info;
    ZEVector from(5, 10, 0);
    ASSERT_TRUE(m_pTerrain->Clips(from, ZEVector(0, 0, 100), info));
    EXPECT_FLOAT_EQ(info.m_vPoint.z, 20.0f) << "the nearer wall, though listed second";
    EXPECT_EQ(info.m_pObject, m_pTerrain->m_pRoot->m_pFront);
    ASSERT_NE(info.m_pucData, nullptr);
    EXPECT_EQ(info.m_pucData[1], 9);
    ZEVector contact;
    ASSERT_TRUE(m_pTerrain->Clips(from, ZEVector(0, 0, 100), contact));
    EXPECT_FLOAT_EQ(contact.z, 20.0f);
    EXPECT_FALSE(m_pTerrain->Clips(from, ZEVector(0, 0, 15), info)) << "ends short of the wall";
}

TEST_F(BSPTerrainTest, AVolumeRestingOnTwoLeavesReportsThePlaneNearestToItsCentre)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    MakeSplit(writer, {MakeFloor(writer, 1, 0, 100, -100, 100, 0)}, {MakeFloor(writer, 1, -100, 0, -100, 100, 1)});
    ASSERT_TRUE(Load(writer));

    ZEBoundingSphere sphere(ZEVector(0.5f, 5, 0), 6);
    ZEPlane plane;
    ASSERT_TRUE(m_pTerrain->Clips(sphere, plane));
    EXPECT_DOUBLE_EQ(plane.m_dDistance, -1.0) << "the back leaf's floor at y = 1 lies nearer";
    EXPECT_TRUE(m_pTerrain->Clips(sphere));

    ZEBoundingSphere beside(ZEVector(50, 3, 0), 4);
    ASSERT_TRUE(m_pTerrain->Clips(beside, plane));
    EXPECT_DOUBLE_EQ(plane.m_dDistance, 0.0) << "away from the node plane only the front is asked";
    EXPECT_FALSE(m_pTerrain->Clips(ZEBoundingSphere(ZEVector(50, 30, 0), 4)));
}

// The quick reject by the volume's bounding sphere must leave a box whose
// corner reaches down to the floor its contact.
TEST_F(BSPTerrainTest, ABoxStandingOnACornerTouchesTheFloorAsFarAsTheCornerReaches)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    MakeSplit(writer, {MakeFloor(writer, 1, 0, 100, -100, 100, 0)}, {MakeFloor(writer, 1, -100, 0, -100, 100, 0)});
    ASSERT_TRUE(Load(writer));
    ZEOBoundingBox box;
    box.SetData(ZEVector(), ZEVector(-1, -1, -1), ZEVector(1, 1, 1), ZEVector(45, 0, 35.26439f));
    float reach = box.GetSupportRadius(ZEVector(0, 1, 0));
    ASSERT_GT(reach, 1.7f) << "the diagonal stands almost upright";

    box.SetCenter(ZEVector(50, reach * 0.999f, 0));
    ZEPlane plane;
    ASSERT_TRUE(m_pTerrain->Clips(box, plane));
    EXPECT_DOUBLE_EQ(plane.m_dDistance, 0.0);
    box.SetCenter(ZEVector(50, reach * 1.001f, 0));
    EXPECT_FALSE(m_pTerrain->Clips(box, plane));
}

TEST_F(BSPTerrainTest, EqualContactsOnBothSidesGoToTheFront)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    ZEBspWriter::Face front = MakeFloor(writer, 1, 0, 100, -100, 100, 0);
    ZEBspWriter::Face back = MakeFloor(writer, 1, -100, 0, -100, 100, 0);
    front.m_fDistance = 0.0f;
    back.m_fDistance = -0.0f;
    MakeSplit(writer, {front}, {back});
    ASSERT_TRUE(Load(writer));
    ZEPlane plane;
    ASSERT_TRUE(m_pTerrain->Clips(ZEBoundingSphere(ZEVector(0, 3, 0), 4), plane));
    EXPECT_FALSE(std::signbit(plane.m_dDistance)) << "+0 from the front leaf, not -0 from the back";
}

// ---------------------------------------------------------------------------
// Decals, light and the sky box

TEST_F(BSPTerrainTest, ADecalStraddlingANodePlaneCollectsBothSidesFrontFirst)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    MakeSplit(writer, {MakeFloor(writer, 1, 0, 100, -100, 100, 0)}, {MakeFloor(writer, 1, -100, 0, -100, 100, 0)});
    ASSERT_TRUE(Load(writer));
    std::unique_ptr<ZETextureReference> texture(new ZETextureReference());

    ZEDecal* chain = m_pTerrain->ApplyDecal(ZEVector(1, 0, 0), 10, 4, texture.get());
    ASSERT_NE(chain, nullptr);
    ASSERT_NE(chain->m_pNext, nullptr);
    EXPECT_EQ(chain->m_pNext->m_pNext, nullptr);
    auto maxX = [](const ZEDecal* decal) {
        float x = -1e9f;
        for (uint16_t v = 0; v < decal->m_usNumVertices; ++v)
            x = std::max(x, decal->m_pVertices[v].x);
        return x;
    };
    EXPECT_GT(maxX(chain), 0.0f) << "the front leaf's decal first";
    EXPECT_LE(maxX(chain->m_pNext), 0.0f);
    delete chain->m_pNext;
    delete chain;

    chain = m_pTerrain->ApplyDecal(ZEVector(6, 0, 0), 10, 4, texture.get());
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->m_pNext, nullptr) << "radius 5 short of the plane: front only";
    delete chain;
}

TEST_F(BSPTerrainTest, ADecalOnASlopeAcrossANodePlaneLiesOnTheSlopeOnBothSides)
{
    ZEBspWriter writer;
    writer.AddTexture("a", "level");
    // A ramp rising half a unit a unit along z, cut by the root's plane x = 0.
    auto ramp = [&](float x0, float x1) {
        return MakeQuad(writer, 1, ZEVector(x0, -50, -100), ZEVector(x0, 50, 100), ZEVector(x1, 50, 100),
                        ZEVector(x1, -50, -100));
    };
    MakeSplit(writer, {ramp(0, 100)}, {ramp(-100, 0)});
    ASSERT_TRUE(Load(writer));
    ZEVector normal(0, 2, -1);
    normal.Normalize();
    const ZEVector centre(1, 2, 4);

    ZEDecal* chain = m_pTerrain->ApplyDecal(centre, 10, 4, nullptr);
    ASSERT_NE(chain, nullptr);
    ASSERT_NE(chain->m_pNext, nullptr);
    EXPECT_EQ(chain->m_pNext->m_pNext, nullptr);
    int side = 0;
    for (ZEDecal* decal = chain; decal; decal = decal->m_pNext, ++side)
    {
        ASSERT_GT(decal->m_usNumVertices, 0);
        bool front = false;
        for (uint16_t v = 0; v < decal->m_usNumVertices; ++v)
        {
            const ZEVertex& vertex = decal->m_pVertices[v];
            EXPECT_NEAR((ZEVector(vertex.x, vertex.y, vertex.z) - centre).DotProduct(normal), 0.0f, 1e-3f);
            front = front || vertex.x > 0.0f;
        }
        EXPECT_EQ(front, side == 0) << "the front leaf's cut first";
    }
    delete chain->m_pNext;
    delete chain;

    EXPECT_EQ(m_pTerrain->ApplyDecal(centre + normal * 0.01f, 10, 4, nullptr), nullptr) << "off the slope";
}

TEST_F(BSPTerrainTest, TheSkyBoxTurnsOnlyWhenItHasASpeed)
{
    ZEBspWriter writer = ZETestMaps::MakeEveryClassMap();
    ASSERT_TRUE(Load(writer));
    ZESkyBox* sky = m_pTerrain->m_pSkyBox;
    ASSERT_NE(sky, nullptr);
    EXPECT_TRUE(sky->m_bRotate);
    EXPECT_EQ(sky->m_vPosition, ZEVector(0, 96, 0)) << "height offset 4 taken off";
    m_pTerrain->Animate(500, m_pEngine);
    EXPECT_EQ(sky->m_vRotation, ZEVector(5, 10, 0));

    sky->m_bRotate = false;
    m_pTerrain->Animate(500, m_pEngine);
    EXPECT_EQ(sky->m_vRotation, ZEVector(5, 10, 0));
}

// ---------------------------------------------------------------------------
// Entities

TEST_F(BSPTerrainTest, EveryEntityClassBecomesItsObject)
{
    ZEBspWriter writer = ZETestMaps::MakeEveryClassMap();
    LoadThroughApplication(Build(writer));
    ZEBSPTerrain* terrain = dynamic_cast<ZEBSPTerrain*>(m_pEngine->GetTerrain());
    ASSERT_NE(terrain, nullptr);
    EXPECT_FLOAT_EQ(terrain->m_fBrightness, 0.75f);
    EXPECT_NE(terrain->m_pSkyBox, nullptr);

    std::vector<int32_t> types;
    for (ZELight* light = m_pEngine->GetLights(); light; light = light->m_pNext)
        types.push_back(light->m_lType);
    EXPECT_EQ(types, (std::vector<int32_t>{ZE_LIGHT_AMBIENT, ZE_LIGHT_DIRECTIONAL, ZE_LIGHT_POINT, ZE_LIGHT_SPOT,
                                           ZE_LIGHT_DYNAMIC_POINT}));
    ZELight* point = m_pEngine->GetLights()->m_pNext->m_pNext;
    EXPECT_EQ(point->m_vPosition, ZEVector(1, 2, 3));
    EXPECT_FLOAT_EQ(point->m_afColor[0], 0.75f);
    EXPECT_FLOAT_EQ(point->m_fRange, 300);
    EXPECT_TRUE(point->m_bAttenuation);
    ZELight* spot = point->m_pNext;
    EXPECT_EQ(spot->m_usConeAngle, 40u) << "read unaligned at 25";
    EXPECT_EQ(spot->m_vDirection, ZEVector(0, 0, 1));
    ZEDynamicLight* dynamic = static_cast<ZEDynamicLight*>(spot->m_pNext);
    EXPECT_EQ(dynamic->m_lMode, 3);
    EXPECT_EQ(dynamic->m_ulPeriod, 1000u);
    EXPECT_FLOAT_EQ(dynamic->m_fRange, 120);
    EXPECT_EQ(dynamic->m_ucAlpha, 255);
    EXPECT_TRUE(dynamic->m_bAttenuation);
    EXPECT_EQ(dynamic->m_aucColor1[1], 128);
    EXPECT_EQ(dynamic->m_aucColor2[2], 255);
    EXPECT_FLOAT_EQ(dynamic->m_afColor[0], 1.0f);

    ZEGeometricalObject* geometry = FindObject<ZEGeometricalObject>();
    ASSERT_NE(geometry, nullptr);
    EXPECT_TRUE(geometry->m_bDynamicLight);
    EXPECT_NE(FindObject<ZEModelObject>(), nullptr);
    ZEBillboard* billboard = FindObject<ZEBillboard>();
    ASSERT_NE(billboard, nullptr);
    EXPECT_FLOAT_EQ(billboard->m_fWidth, 4.0f);
    EXPECT_FLOAT_EQ(billboard->m_fHeight, 2.0f);
    EXPECT_TRUE(billboard->m_bParticle);
    EXPECT_TRUE(billboard->m_bCollision);
    ZEStaticDecal* decal = FindObject<ZEStaticDecal>();
    ASSERT_NE(decal, nullptr);
    EXPECT_EQ(decal->m_aucColor[2], 30);
    EXPECT_NE(decal->m_pPolygons, nullptr);
    ZEWater* water = FindObject<ZEWater>();
    ASSERT_NE(water, nullptr);
    EXPECT_EQ(water->m_ulTexAnimation, 3u);
    EXPECT_TRUE(water->m_bKeepLightmaps);

    ZEParticleFX* particles = dynamic_cast<ZEParticleFX*>(m_pEngine->m_pParticleSystems);
    ASSERT_NE(particles, nullptr);
    EXPECT_EQ(particles->m_lType, 2);
    EXPECT_EQ(particles->m_lSpread, 15);
    EXPECT_EQ(particles->m_ulInterval, 40u);
    EXPECT_EQ(particles->m_ulLife, 900u);
    EXPECT_EQ(particles->m_ucAlpha, 127);
    EXPECT_TRUE(particles->m_bTwoColors);
    EXPECT_TRUE(particles->m_bForce) << "gravity on";
    EXPECT_TRUE(particles->m_bFade);
    EXPECT_EQ(particles->m_aucColor2[2], 255);

    EXPECT_EQ(m_App.m_aClasses, (std::vector<std::string>{"TrackNode"})) << "only unknown classes reach the game";
}

TEST_F(BSPTerrainTest, TheGameKeepsWhatItTakesAndGetsZeroPaddedBlocks)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    writer.AddEntity("AINode", ZEVector(1, 0, 0));
    writer.AddEntity("StartPosition", ZEVector(2, 0, 0), ZEBspData().Byte(1).Zeros(3).Float(90).m_aucBytes);
    m_App.m_bKeep = true;
    ASSERT_TRUE(Load(writer));
    ASSERT_EQ(m_App.m_aKept.size(), 2u);
    EXPECT_EQ(m_App.m_aDataSizes, (std::vector<uint16_t>{0, 8}));
    EXPECT_EQ(m_App.m_aPadding, (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(m_App.m_aKept[1]->m_vPosition, ZEVector(2, 0, 0));
}

TEST_F(BSPTerrainTest, ShortBlocksReadAsZeros)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    writer.AddEntity("PointLight", ZEVector(1, 1, 1));
    writer.AddEntity("SpotLight", ZEVector(2, 2, 2),
                     ZEBspData().Long(0).Float(1).Float(50).Vector(ZEVector(1, 0, 0)).Byte(1).m_aucBytes);
    writer.AddEntity("ModelObject", ZEVector(3, 3, 3), {2, 0});
    writer.AddEntity("ParticleFX", ZEVector(4, 4, 4), {1});
    writer.AddEntity("DynamicLight", ZEVector(5, 5, 5), {1, 0, 0, 0});
    writer.AddEntity("TrackNode", ZEVector(6, 6, 6));
    LoadThroughApplication(Build(writer));
    ASSERT_NE(m_pEngine->GetTerrain(), nullptr);

    ZELight* point = m_pEngine->GetLights();
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(point->m_fRange, 0.0f);
    ZELight* spot = point->m_pNext;
    EXPECT_EQ(spot->m_usConeAngle, 0u) << "the cone lies beyond the 25 bytes given";
    EXPECT_TRUE(spot->m_bAttenuation);
    EXPECT_EQ(spot->m_pNext->m_lType, ZE_LIGHT_DYNAMIC_SPOT);
    EXPECT_NE(FindObject<ZEModelObject>(), nullptr);
    ASSERT_NE(m_pEngine->m_pParticleSystems, nullptr);
    EXPECT_EQ(static_cast<ZEParticleFX*>(m_pEngine->m_pParticleSystems)->m_lType, 1);
    EXPECT_EQ(m_App.m_aPadding, (std::vector<uint8_t>{0}));
}

TEST_F(BSPTerrainTest, ClassesThatNeedPolygonsAreSkippedWithoutThem)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    for (const char* name : {"SkyBox", "GeometricalObject", "Billboard", "Decal", "Water"})
        writer.AddEntity(name, ZEVector(), std::vector<uint8_t>(16, 1));
    LoadThroughApplication(Build(writer));
    ASSERT_NE(m_pEngine->GetTerrain(), nullptr) << "the map itself still loads";
    EXPECT_EQ(m_pEngine->GetTerrain()->m_pSkyBox, nullptr);
    EXPECT_EQ(m_pEngine->GetObjects(), nullptr);
    uint32_t skipped = 0;
    for (ZEConsoleMessage* message = ZEConsole::ms_pConsole->GetMessages(); message; message = message->m_pNext)
        skipped += std::strstr(message->m_Text.CStr(), "has no polygons; skipped") != nullptr;
    EXPECT_EQ(skipped, 5u);
    EXPECT_TRUE(m_App.m_aClasses.empty());
}

TEST_F(BSPTerrainTest, EntityClassesReadOnlyWithinTheBlockTheyAreGiven)
{
    const uint8_t block[6] = {1, 2, 3, 4, 5, 6};
    ZEEntityData data(block, 6);
    EXPECT_EQ(data.U16(4), 0x0605u);
    EXPECT_EQ(data.U16(5), 0u) << "a field running past the end reads as zero";
    EXPECT_EQ(data.U32(3), 0u);
    EXPECT_EQ(data.Byte(0xFFFFFFFF), 0u);
    EXPECT_EQ(ZEEntityData(nullptr, 40).U32(0), 0u);

    std::vector<uint8_t> shortBlock(ZEParticleFX::ms_usEntityDataSize - 1, 1);
    ZEParticleFX particles(ZEVector(1, 2, 3), shortBlock.data(), static_cast<uint16_t>(shortBlock.size()));
    EXPECT_EQ(particles.m_Position, ZEVector(1, 2, 3));
    EXPECT_EQ(particles.m_ulInterval, 0u) << "a short block is refused, the emitter stays empty";
    ZEDynamicLight light(ZEVector(4, 5, 6), shortBlock.data(), 10);
    EXPECT_EQ(light.m_lMode, 0);
    EXPECT_EQ(light.m_fRange, 0.0f);
}

TEST_F(BSPTerrainTest, AColourKeyedStaticDecalDrawsBlendedWithTheAlphaTest)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    uint32_t e = writer.AddEntity("Decal", ZEVector(), ZEBspData().Byte(0).Byte(1).Zeros(3).Byte(9).Zeros(2)
                                                          .m_aucBytes);
    writer.m_aEntities[e].m_aPolygons.push_back(MakeFloor(writer, 2, 0, 1, 0, 1, 0));
    LoadThroughApplication(Build(writer));
    ZEStaticDecal* decal = FindObject<ZEStaticDecal>();
    ASSERT_NE(decal, nullptr);
    EXPECT_FALSE(decal->m_pPolygons->m_bLightmapped) << "keep lightmaps 0 drops them";
    ZERecordingRenderer* renderer = m_App.Renderer();
    renderer->Clear();
    decal->Render(renderer, nullptr);
    std::vector<std::string> head(Log().begin(), Log().begin() + 6);
    EXPECT_EQ(head, (std::vector<std::string>{"EnableBlending", "SetBlendingState 4 5", "EnableAlphaTest",
                                              "SetAlphaState 8 0", "EnableDecaling", "SetAmbient 9 0 0 255"}));
    EXPECT_EQ(Log().back(), "DisableAlphaTest");
}

// ---------------------------------------------------------------------------
// Damaged files

TEST_F(BSPTerrainTest, EveryTruncationFailsCleanlyAndLeavesTheWorldEmpty)
{
    ZEBspWriter writer = ZETestMaps::MakeEveryClassMap();
    std::vector<uint8_t> bytes = Build(writer);
    LoadThroughApplication(bytes);
    ASSERT_NE(m_pEngine->GetTerrain(), nullptr);

    for (size_t length = 0; length < bytes.size(); ++length)
    {
        LoadThroughApplication(std::vector<uint8_t>(bytes.begin(), bytes.begin() + length));
        ASSERT_TRUE(WorldIsEmpty()) << "cut at " << length << " of " << bytes.size();
    }
}

TEST_F(BSPTerrainTest, AMapInAPackageIsNotReadIntoTheNextEntry)
{
    ZEBspWriter writer = ThreeFaceLeaf(255);
    std::vector<uint8_t> bytes = Build(writer);
    size_t cut = bytes.size() - 10;
    ZEPackWriter pack;
    ASSERT_TRUE(pack.AddData("maps/test.bsp", bytes.data(), cut));
    ASSERT_TRUE(pack.AddData("maps/tail", bytes.data() + cut, bytes.size() - cut));
    ASSERT_TRUE(pack.Write(m_Dir.File("maps.dat").c_str()));
    ASSERT_TRUE(ZEFileManager::ms_pFileManager->AddArchive("maps.dat"));

    m_App.LoadBSPFile(ZEString("test.bsp"));
    EXPECT_TRUE(WorldIsEmpty());

    ZEPackWriter whole;
    ASSERT_TRUE(whole.AddData("maps/test.bsp", bytes.data(), bytes.size()));
    ASSERT_TRUE(whole.Write(m_Dir.File("whole.dat").c_str()));
    ZEFileManager::ms_pFileManager->RemoveAllArchives();
    ASSERT_TRUE(ZEFileManager::ms_pFileManager->AddArchive("whole.dat"));
    m_App.LoadBSPFile(ZEString("test.bsp"));
    EXPECT_NE(m_pEngine->GetTerrain(), nullptr) << "from a package to an installed terrain";
}

TEST_F(BSPTerrainTest, InconsistentCountsAndIndicesFailCleanly)
{
    ZEBspWriter writer;
    writer.m_usFaceDataSize = 1;
    writer.AddTexture("a", "level");
    writer.AddTexture("b", "level");
    MakeSplit(writer, {MakeFloor(writer, 1, 0, 10, 0, 10, 0)}, {MakeFloor(writer, 2, -10, 0, 0, 10, 0)});
    writer.AddEntity("PointLight", ZEVector(), ZEBspData().Long(0).Float(1).Float(10).Byte(0).m_aucBytes);
    uint32_t water = writer.AddEntity("Water", ZEVector(), ZEBspData().Long(0).U32(0).Byte(1).Byte(0).m_aucBytes);
    writer.m_aEntities[water].m_aPolygons.push_back(MakeFloor(writer, 1, 0, 1, 0, 1, 0));
    std::vector<uint8_t> good = Build(writer);
    const size_t root = RootOffset(writer);
    const size_t frontFace = root + 48 + 48;
    const size_t faceSize = 24 + 12 + 1;
    const size_t firstEntity = root + 3 * 48 + 2 * faceSize;
    const size_t secondEntity = firstEntity + 44 + 13;
    const size_t polygon = secondEntity + 44 + 10;
    const size_t vertices = root - writer.m_aVertices.size() * 6;

    struct Damage
    {
        const char* m_pWhat;
        void (*m_pApply)(std::vector<uint8_t>&, size_t);
        size_t m_ulAt;
    };
    const Damage damages[] = {
        {"texture index 0", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 2, 0); }, frontFace},
        {"texture index beyond the table", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 2, 3); },
         frontFace},
        {"face index beyond the vertices", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 24 + 4, 16); },
         frontFace},
        {"no indices", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at, 0); }, frontFace},
        {"indices not in threes", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at, 5); }, frontFace},
        {"a huge lightmap", [](std::vector<uint8_t>& b, size_t at) { PutLE32(b, at + 4, 0xFFFFFFFF); }, frontFace},
        {"vertex naming a missing position",
         [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 6, 200); }, vertices},
        {"vertex naming a missing pair", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 4, 200); },
         vertices},
        {"inner node without children", [](std::vector<uint8_t>& b, size_t at) { b[at + 4] = b[at + 5] = 0; },
         root},
        {"more faces than the file holds",
         [](std::vector<uint8_t>& b, size_t at) { PutLE32(b, at + 48, 0xFFFFFFFF); }, root},
        {"more vertices than the file holds", [](std::vector<uint8_t>& b, size_t) { PutLE16(b, 16, 0xFFFF); }, 0},
        {"more textures than the file holds", [](std::vector<uint8_t>& b, size_t) { PutLE16(b, 8, 0xFFFF); }, 0},
        {"more entities than the file holds", [](std::vector<uint8_t>& b, size_t) { PutLE16(b, 10, 3); }, 0},
        {"a data block longer than the file", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 38, 999); },
         secondEntity},
        {"more polygons than the file holds", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 40, 2); },
         secondEntity},
        {"polygon index beyond the vertices", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 24, 99); },
         polygon},
        {"polygon texture 0", [](std::vector<uint8_t>& b, size_t at) { PutLE16(b, at + 2, 0); }, polygon},
    };
    ASSERT_EQ(good[secondEntity + 12], 'W') << "offsets follow the layout";
    for (const Damage& damage : damages)
    {
        std::vector<uint8_t> bytes = good;
        damage.m_pApply(bytes, damage.m_ulAt);
        LoadThroughApplication(bytes);
        EXPECT_TRUE(WorldIsEmpty()) << damage.m_pWhat;
        EXPECT_FALSE(LoadBytes(bytes)) << damage.m_pWhat;
        EXPECT_EQ(m_pTerrain->m_pRoot, nullptr) << damage.m_pWhat;
    }
    LoadThroughApplication(good);
    EXPECT_NE(m_pEngine->GetTerrain(), nullptr) << "the undamaged map loads";
}

TEST_F(BSPTerrainTest, TreesDeeperThanTheCapAreRefused)
{
    // The writer refuses such trees, so the file is laid out by hand: a
    // chain of inner nodes with front children only, ending in one leaf.
    auto chain = [this](uint32_t depth) {
        ZEBspWriter writer;
        writer.AddTexture("a", "level");
        writer.AddLeaf({MakeFloor(writer, 1, 0, 1, 0, 1, 0)});
        std::vector<uint8_t> leafMap = Build(writer);
        size_t root = RootOffset(writer);
        std::vector<uint8_t> bytes(leafMap.begin(), leafMap.begin() + root);
        _ZEBSPNodeRecord inner{};
        inner.m_ucFront = 1;
        inner.m_afNormal[1] = 1;
        for (uint32_t d = 1; d < depth; ++d)
        {
            size_t at = bytes.size();
            bytes.resize(at + _ZEBSPNodeRecord::ms_ulSize);
            inner.Encode(&bytes[at]);
        }
        bytes.insert(bytes.end(), leafMap.begin() + root, leafMap.end());
        return bytes;
    };
    EXPECT_TRUE(LoadBytes(chain(ZE_BSP_MAX_DEPTH)));
    EXPECT_FALSE(LoadBytes(chain(ZE_BSP_MAX_DEPTH + 1)));
    EXPECT_FALSE(LoadBytes(chain(100000))) << "no stack overflow";
}

TEST_F(BSPTerrainTest, RandomlyDamagedMapsNeverCrash)
{
    ZEBspWriter writer = ZETestMaps::MakeEveryClassMap();
    std::vector<uint8_t> good = Build(writer);
    std::mt19937 random(20240611);
    std::uniform_int_distribution<size_t> where(0, good.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    for (int round = 0; round < 300; ++round)
    {
        std::vector<uint8_t> bytes = good;
        for (int flips = 0; flips < 1 + round % 4; ++flips)
            bytes[where(random)] = static_cast<uint8_t>(value(random));
        LoadThroughApplication(bytes);
        if (!m_pEngine->GetTerrain())
        {
            ASSERT_TRUE(WorldIsEmpty()) << "round " << round;
        }
    }
}
