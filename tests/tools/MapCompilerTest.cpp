#include "ZEBspWriter.h"
#include "ZEMapBSP.h"
#include "ZEMapCheck.h"
#include "ZEMapCompiler.h"
#include "ZEMapDescription.h"
#include "ZEMapTrack.h"

#include "core/ZEFileManager.h"
#include "math/ZEMatrix.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "render/ZELight.h"
#include "resources/ZETextureManager.h"
#include "support/TempFolder.h"
#include "support/TestApplication.h"
#include "support/Xvfb.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
const char* kTestTrack = WRENZO_SOURCE_DIR "/content/maps/testtrack.toml";

// A small loop with everything a description needs; cases change it.
const char* kBase = R"([textures]
road = { name = "road", package = "track" }
grass = { name = "grass", package = "track" }
brick = { name = "brick", package = "track" }

[track]
points = [[0, 0], [0, 3000], [2000, 3000], [2000, 0]]
width = 300
road_texture = "road"
verge_texture = "grass"

[walls]
texture = "grass"

[lights]
ambient = 0.4
sun = 0.5

[nodes]
track = 8
ai = 12
)";

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// 1-based line of the first line holding `needle`.
uint32_t LineOf(const std::string& text, const std::string& needle)
{
    size_t at = text.find(needle);
    if (at == std::string::npos)
        return 0;
    return static_cast<uint32_t>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(at), '\n') + 1);
}

std::string Replace(std::string text, const std::string& from, const std::string& to)
{
    size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

struct Compiled
{
    bool m_bCompiled = false;
    ZEMapDescription m_Description;
    ZEMapMessages m_Messages{ZEString("desc.toml")};
    ZEMapStats m_Stats;
    ZEBspWriter m_Map;           // the map as read back from its bytes
    std::vector<uint8_t> m_aucBytes;

    std::string Errors() const
    {
        std::string all;
        for (const ZEString& error : m_Messages.GetErrors())
            all += std::string(error.CStr()) + "\n";
        return all;
    }
};

// Parses, compiles, writes to bytes and reads the bytes back.
void Compile(const std::string& text, Compiled& out)
{
    if (!ZEParseMapDescription(text.data(), text.size(), out.m_Description, out.m_Messages))
        return;
    ZEBspWriter writer;
    ZEMapCompiler compiler;
    if (!compiler.Compile(out.m_Description, out.m_Messages, writer, out.m_Stats))
        return;
    if (!writer.Build(out.m_aucBytes))
    {
        out.m_Messages.Error(0, writer.GetError());
        return;
    }
    ZEString error;
    if (!ZEReadMapFile(out.m_aucBytes, out.m_Map, error))
    {
        out.m_Messages.Error(0, error);
        return;
    }
    out.m_bCompiled = true;
}

// Whether compiling `text` is refused with a message on `line` that
// mentions `words`.
::testing::AssertionResult RefusedAt(const std::string& text, uint32_t line, const std::string& words)
{
    Compiled result;
    Compile(text, result);
    if (result.m_bCompiled)
        return ::testing::AssertionFailure() << "the description was compiled";
    std::string wanted = "desc.toml:" + std::to_string(line) + ":";
    for (const ZEString& error : result.m_Messages.GetErrors())
    {
        std::string message = error.CStr();
        if (message.find(wanted) == 0 && message.find(words) != std::string::npos)
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "no error \"" << wanted << " ..." << words << "...\" among:\n"
                                         << result.Errors();
}

std::vector<const ZEBspWriter::Entity*> EntitiesOf(const ZEBspWriter& map, const char* className)
{
    std::vector<const ZEBspWriter::Entity*> found;
    for (const ZEBspWriter::Entity& entity : map.m_aEntities)
        if (entity.m_ClassName == className)
            found.push_back(&entity);
    return found;
}

ZEVector PositionOf(const ZEBspWriter& map, uint16_t vertex)
{
    return map.m_avPositions[map.m_aVertices[vertex].m_usPosition];
}

// The plane of a polygon's first triangle, as the game takes it.
ZEMapPlane FirstTrianglePlane(const ZEBspWriter& map, const ZEBspWriter::Face& polygon)
{
    ZEVector a = PositionOf(map, polygon.m_ausIndices[0]);
    ZEVector b = PositionOf(map, polygon.m_ausIndices[1]);
    ZEVector c = PositionOf(map, polygon.m_ausIndices[2]);
    ZEMapVec3 n = (ZEMapVec3(b.x, b.y, b.z) - ZEMapVec3(a.x, a.y, a.z)).Cross(ZEMapVec3(c.x, c.y, c.z) - ZEMapVec3(a.x, a.y, a.z)).Unit();
    ZEMapPlane plane;
    plane.m_vNormal = n;
    plane.m_dDistance = -n.Dot(ZEMapVec3(a.x, a.y, a.z));
    return plane;
}

// The compiled test track, shared by the cases that only look at it.
class TestTrack : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ms_pTrack = new Compiled();
        Compile(ReadText(kTestTrack), *ms_pTrack);
        ms_pCentre = new ZEMapTrack();
        ZEMapMessages messages;
        ms_pCentre->Build(ms_pTrack->m_Description, messages);
    }

    static void TearDownTestSuite()
    {
        delete ms_pCentre;
        delete ms_pTrack;
    }

    void SetUp() override { ASSERT_TRUE(ms_pTrack->m_bCompiled) << ms_pTrack->Errors(); }

    // Distance along the track of the centre-line point nearest to p.
    static double AlongOf(const ZEVector& p)
    {
        double along = 0.0;
        ms_pCentre->DistanceToCentre(ZEMapVec2(p.x, p.z), &along);
        return along;
    }

    // Entities of a class by their index byte.
    static std::map<int, const ZEBspWriter::Entity*> Indexed(const char* className)
    {
        std::map<int, const ZEBspWriter::Entity*> indexed;
        for (const ZEBspWriter::Entity* entity : EntitiesOf(ms_pTrack->m_Map, className))
            indexed[static_cast<int8_t>(entity->m_aucData.at(0))] = entity;
        return indexed;
    }

    static Compiled* ms_pTrack;
    static ZEMapTrack* ms_pCentre;
};

Compiled* TestTrack::ms_pTrack = nullptr;
ZEMapTrack* TestTrack::ms_pCentre = nullptr;
}

// ---------------------------------------------------------------------------
// The test track as the build compiles it

TEST_F(TestTrack, PassesEveryRuleOfTheCheck)
{
    ZEMapCheckReport report;
    bool clean = ZECheckMap(ms_pTrack->m_Map, report);
    std::string problems;
    for (const ZEString& problem : report.m_aProblems)
        problems += std::string(problem.CStr()) + "\n";
    EXPECT_TRUE(clean) << problems;
    EXPECT_EQ(report.m_ulFaces, ms_pTrack->m_Stats.m_ulFaces);
    EXPECT_EQ(report.m_ulTransparentFaces, 0u);
    EXPECT_EQ(report.m_ulTrackNodes, 16u);
    EXPECT_EQ(report.m_ulAINodes, 24u);
    EXPECT_EQ(report.m_ulStartPositions, 4u);
    EXPECT_EQ(report.m_ulPowerUps, 7u);
    EXPECT_LE(report.m_ulDepth, ZE_BSP_MAX_DEPTH);
}

TEST_F(TestTrack, HoldsEveryKindOfEntityTheDescriptionPlaces)
{
    const ZEBspWriter& map = ms_pTrack->m_Map;
    for (const char* name : {"AmbientLight", "DirectionalLight", "PointLight", "SpotLight", "DynamicLight", "SkyBox",
                             "PowerUp", "RoadSign", "ModelObject", "ParticleFX", "Water", "Billboard", "Decal",
                             "Barrier"})
        EXPECT_FALSE(EntitiesOf(map, name).empty()) << name;
    EXPECT_EQ(EntitiesOf(map, "PowerUp").size(), 7u);
    EXPECT_EQ(EntitiesOf(map, "SkyBox")[0]->m_aPolygons.size(), 6u);
    // One barrier a segment and side.
    EXPECT_EQ(EntitiesOf(map, "Barrier").size(), 2 * ms_pCentre->GetSamples().size());
}

TEST_F(TestTrack, TrackNodesAreDenseAndFollowTheTrackFromTheStartLine)
{
    std::map<int, const ZEBspWriter::Entity*> nodes = Indexed("TrackNode");
    ASSERT_EQ(nodes.size(), 16u);
    EXPECT_EQ(nodes.begin()->first, 0);
    EXPECT_EQ(nodes.rbegin()->first, 15);
    // Node 0 is the start line; each later node lies further along.
    EXPECT_NEAR(AlongOf(nodes.at(0)->m_vOrigin), 0.0, 1.0);
    double previous = -1.0;
    for (const auto& entry : nodes)
    {
        double along = AlongOf(entry.second->m_vOrigin);
        if (entry.first == 0 && along > ms_pCentre->GetLength() - 1.0)
            along = 0.0;
        EXPECT_GT(along, previous) << "node " << entry.first;
        previous = along;
        EXPECT_FLOAT_EQ(entry.second->m_vOrigin.y, 0.0f);
    }
}

TEST_F(TestTrack, TrackNodeNormalsPointAgainstTheDirectionOfTravel)
{
    const ZEBspWriter& map = ms_pTrack->m_Map;
    for (const auto& entry : Indexed("TrackNode"))
    {
        ASSERT_EQ(entry.second->m_aPolygons.size(), 1u);
        ZEMapPlane plane = FirstTrianglePlane(map, entry.second->m_aPolygons[0]);
        ZEMapTrackSample at = ms_pCentre->At(AlongOf(entry.second->m_vOrigin));
        ZEMapVec3 travel(at.m_vTangent.x, 0.0, at.m_vTangent.z);
        EXPECT_LT(plane.m_vNormal.Dot(travel), -0.99) << "node " << entry.first;
        // The origin lies in the plane: a car there has just passed it.
        ZEVector o = entry.second->m_vOrigin;
        EXPECT_NEAR(plane.Distance(ZEMapVec3(o.x, o.y, o.z)), 0.0, 0.05);
        // A car a little further on has passed the node, one a little before has not.
        ZEMapVec3 ahead = ms_pCentre->Point(at.m_dAlong + 20.0, 0.0, 0.0);
        ZEMapVec3 behind = ms_pCentre->Point(at.m_dAlong - 20.0, 0.0, 0.0);
        EXPECT_LT(plane.Distance(ahead), 0.0);
        EXPECT_GT(plane.Distance(behind), 0.0);
    }
}

TEST_F(TestTrack, AINodesAreDenseOrderedAndMoreThan150Apart)
{
    std::map<int, const ZEBspWriter::Entity*> nodes = Indexed("AINode");
    ASSERT_EQ(nodes.size(), 24u);
    EXPECT_EQ(nodes.rbegin()->first, 23);
    double previous = -1.0;
    for (const auto& entry : nodes)
    {
        const ZEBspWriter::Entity& node = *entry.second;
        ASSERT_GE(node.m_aucData.size(), 9u);
        double along = AlongOf(node.m_vOrigin);
        EXPECT_GT(along, previous) << "AI node " << entry.first;
        previous = along;
        const ZEBspWriter::Entity& next = *nodes.at((entry.first + 1) % 24);
        EXPECT_GT(std::hypot(next.m_vOrigin.x - node.m_vOrigin.x, next.m_vOrigin.z - node.m_vOrigin.z), 150.0);
        float speed;
        std::memcpy(&speed, &node.m_aucData[4], 4);
        EXPECT_GE(speed, 20.0f);
        EXPECT_LE(speed, 250.0f);
        EXPECT_LE(node.m_aucData[8], 1);
        // On the road, clear of its edges.
        EXPECT_LT(ms_pCentre->DistanceToCentre(ZEMapVec2(node.m_vOrigin.x, node.m_vOrigin.z)), 150.0 - 29.0);
    }
}

TEST_F(TestTrack, StartPositionsStandOnTheGridBeforeNodeZeroFacingTheWayOfTravel)
{
    std::map<int, const ZEBspWriter::Entity*> grid = Indexed("StartPosition");
    ASSERT_EQ(grid.size(), 4u);
    EXPECT_EQ(grid.begin()->first, 1);
    EXPECT_EQ(grid.rbegin()->first, 4);
    const ZEBspWriter::Entity* start = Indexed("TrackNode").at(0);
    ZEMapPlane line = FirstTrianglePlane(ms_pTrack->m_Map, start->m_aPolygons[0]);
    std::vector<ZEVector> slots;
    for (const auto& entry : grid)
    {
        ZEVector p = entry.second->m_vOrigin;
        EXPECT_GT(line.Distance(ZEMapVec3(p.x, p.y, p.z)), 50.0) << "grid position " << entry.first;
        float heading;
        std::memcpy(&heading, &entry.second->m_aucData[4], 4);
        // The engine turns +z by the heading about y.
        ZEMatrix3x3 turn;
        turn.YRotationMatrixDeg(heading);
        ZEVector facing = turn * ZEVector(0.0f, 0.0f, 1.0f);
        ZEMapTrackSample at = ms_pCentre->At(AlongOf(p));
        EXPECT_GT(facing.x * at.m_vTangent.x + facing.z * at.m_vTangent.z, 0.99) << "grid position " << entry.first;
        for (const ZEVector& other : slots)
        {
            // Room for the largest car, about 85 long and 20 wide, in every direction.
            double dx = p.x - other.x, dz = p.z - other.z;
            EXPECT_GT(std::hypot(dx, dz), 85.0);
        }
        slots.push_back(p);
    }
}

TEST_F(TestTrack, LightmapsArePowersOfTwoAndTheTunnelIsDarkerThanTheOpenRoad)
{
    const ZEBspWriter& map = ms_pTrack->m_Map;
    double tunnelLight = 0.0, openLight = 0.0;
    size_t tunnelFaces = 0, openFaces = 0;
    uint16_t road = 0;
    for (size_t t = 0; t < map.m_aTextures.size(); ++t)
        if (map.m_aTextures[t].m_Name == "roadlines")
            road = static_cast<uint16_t>(t + 1);
    ASSERT_NE(road, 0);
    for (const ZEBspWriter::Node& node : map.m_aNodes)
        for (const ZEBspWriter::Face& face : node.m_aFaces)
        {
            EXPECT_GE(face.m_usLightmapWidth, 4);
            EXPECT_EQ(face.m_usLightmapWidth & (face.m_usLightmapWidth - 1), 0);
            EXPECT_EQ(face.m_usLightmapHeight & (face.m_usLightmapHeight - 1), 0);
            if (face.m_usTexture != road || face.m_vNormal.y < 0.99f)
                continue;
            ZEVector p = PositionOf(map, face.m_ausIndices[0]);
            double along = AlongOf(p);
            double mean = 0.0;
            for (uint8_t texel : face.m_aucLightmap)
                mean += texel;
            mean /= face.m_aucLightmap.size();
            // The test track's tunnel runs from 1300 to 2100; its spot light
            // hangs at 1700, so look near the ends.
            if ((along > 1350.0 && along < 1450.0) || (along > 1950.0 && along < 2050.0))
            {
                tunnelLight += mean;
                ++tunnelFaces;
            }
            else if (along > 3000.0 && along < 3400.0)
            {
                openLight += mean;
                ++openFaces;
            }
        }
    ASSERT_GT(tunnelFaces, 0u);
    ASSERT_GT(openFaces, 0u);
    EXPECT_LT(tunnelLight / tunnelFaces, 0.45 * 255.0);
    EXPECT_GT(openLight / openFaces, 0.7 * 255.0);
}

TEST_F(TestTrack, TheToolCompilesAndChecksFromTheCommandLine)
{
    ZETempFolder folder("mapc");
    ASSERT_TRUE(folder.Ok());
    std::string dir = folder.Path();
    std::string map = dir + "/testtrack.bsp";
    std::string tool = WRENZO_TOOLS_DIR "/zemapc";
    EXPECT_EQ(std::system((tool + " " + kTestTrack + " " + map + " > " + dir + "/out.txt").c_str()), 0);
    std::string printed = ReadText(dir + "/out.txt");
    EXPECT_NE(printed.find("faces"), std::string::npos);
    EXPECT_NE(printed.find("time"), std::string::npos);
    EXPECT_EQ(std::system((tool + " --check " + map + " > /dev/null").c_str()), 0);
    // The file is the one the compiler builds in memory.
    EXPECT_EQ(ReadText(map), std::string(ms_pTrack->m_aucBytes.begin(), ms_pTrack->m_aucBytes.end()));

    folder.Write("bad.toml", Replace(kBase, "width = 300", "width = 30"));
    int status = std::system((tool + " " + dir + "/bad.toml " + dir + "/bad.bsp 2> " + dir + "/err.txt").c_str());
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(ReadText(dir + "/err.txt").find("bad.toml:8: [track] width"), std::string::npos)
        << ReadText(dir + "/err.txt");
    EXPECT_FALSE(std::ifstream(dir + "/bad.bsp").good());

    folder.Write("junk.bsp", "BSP1 not a map");
    EXPECT_EQ(WEXITSTATUS(std::system((tool + " --check " + dir + "/junk.bsp 2> /dev/null").c_str())), 1);
    EXPECT_EQ(WEXITSTATUS(std::system((tool + " 2> /dev/null").c_str())), 2);
}

namespace
{
// Notes the class of every entity the map loader offers the game.
class EntityCounter : public ZETestApplication
{
public:
    bool ReceiveCustomEntity(ZECustomEntity* entity) override
    {
        ++m_Classes[entity->m_ClassName.CStr()];
        return false;
    }

    std::map<std::string, int> m_Classes;
};
}

TEST_F(TestTrack, TheEngineLoadsTheMapAndOffersTheGameItsEntities)
{
    ZETempFolder folder("mapc");
    ASSERT_TRUE(folder.Ok());
    std::string dir = folder.Path();
    folder.Write("maps/testtrack.bsp", ms_pTrack->m_aucBytes);
    {
        EntityCounter app;
        app.Initialize();
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(dir.c_str()));
        app.LoadBSPFile(ZEString("testtrack.bsp"));
        ZEEngine* engine = ZEEngine::ms_pEngine;
        EXPECT_NE(engine->GetTerrain(), nullptr);
        EXPECT_EQ(app.m_Classes["TrackNode"], 16);
        EXPECT_EQ(app.m_Classes["AINode"], 24);
        EXPECT_EQ(app.m_Classes["StartPosition"], 4);
        EXPECT_EQ(app.m_Classes["PowerUp"], 7);
        EXPECT_EQ(app.m_Classes["RoadSign"], 1);
        EXPECT_EQ(static_cast<size_t>(app.m_Classes["Barrier"]), 2 * ms_pCentre->GetSamples().size());
        // Ambient, directional, point, spot and the dynamic light.
        uint32_t lights = 0;
        for (ZELight* light = engine->GetLights(); light; light = light->m_pNext)
            ++lights;
        EXPECT_EQ(lights, 5u);
        app.Exit();
    }
}

// ---------------------------------------------------------------------------
// Scene maps: a description without [track]

namespace
{
const char* kScene = R"([textures]
grass = { name = "grass", package = "track" }
brick = { name = "brick", package = "track" }

[ground]
texture = "grass"

[[hill]]
at = [1500, 1500]
radius = 800
height = 200

[[box]]
at = [0, 400]
size = [200, 150, 120]
roof = "gable"
roof_height = 60
texture = "brick"

[lights]
ambient = 0.4
sun = 0.5

[[point_light]]
position = [0, 80, 0]
range = 400

[[model]]
position = [150, 0, 0]
model = "crate.zmf"

[[particles]]
position = [0, 10, 0]

[[decal]]
position = [0, 1, -200]
size = [400, 100]
texture = "brick"
)";
}

TEST(MapSceneMaps, CompileWithoutTrackEntitiesPassTheCheckAndLoadInTheEngine)
{
    Compiled scene;
    Compile(kScene, scene);
    ASSERT_TRUE(scene.m_bCompiled) << scene.Errors();
    const ZEBspWriter& map = scene.m_Map;
    for (const char* name : {"TrackNode", "AINode", "StartPosition", "Barrier", "PowerUp", "RoadSign"})
        EXPECT_TRUE(EntitiesOf(map, name).empty()) << name;
    for (const char* name : {"PointLight", "ModelObject", "ParticleFX", "Decal"})
        EXPECT_EQ(EntitiesOf(map, name).size(), 1u) << name;
    // The ground: flat grass at y = 0, or lowered, with the box standing on it.
    auto lowest = [](const ZEBspWriter& map, const char* texture, bool flat) {
        float y = 1e30f;
        for (const ZEBspWriter::Node& node : map.m_aNodes)
            for (const ZEBspWriter::Face& face : node.m_aFaces)
                if (map.m_aTextures[face.m_usTexture - 1].m_Name == texture && (!flat || face.m_vNormal.y > 0.99f))
                    for (uint16_t index : face.m_ausIndices)
                        y = std::min(y, PositionOf(map, index).y);
        return y;
    };
    EXPECT_FLOAT_EQ(lowest(map, "grass", true), 0.0f);
    Compiled lowered;
    Compile(Replace(kScene, "texture = \"grass\"\n", "texture = \"grass\"\ny = -13\n"), lowered);
    ASSERT_TRUE(lowered.m_bCompiled) << lowered.Errors();
    EXPECT_FLOAT_EQ(lowest(lowered.m_Map, "grass", true), -13.0f);
    EXPECT_FLOAT_EQ(lowest(lowered.m_Map, "brick", false), -13.0f);

    ZEMapCheckReport report;
    EXPECT_TRUE(ZECheckMap(map, report)) << (report.m_aProblems.empty() ? "" : report.m_aProblems[0].CStr());
    EXPECT_EQ(report.m_ulTrackNodes, 0u);

    ZETempFolder folder("mapc");
    ASSERT_TRUE(folder.Ok());
    folder.Write("maps/scene.bsp", scene.m_aucBytes);
    EntityCounter app;
    app.Initialize();
    ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(folder.Path().c_str()));
    app.LoadBSPFile(ZEString("scene.bsp"));
    ZEEngine* engine = ZEEngine::ms_pEngine;
    EXPECT_NE(engine->GetTerrain(), nullptr);
    for (const char* name : {"TrackNode", "AINode", "StartPosition"})
        EXPECT_EQ(app.m_Classes[name], 0) << name;
    uint32_t lights = 0;
    for (ZELight* light = engine->GetLights(); light; light = light->m_pNext)
        ++lights;
    EXPECT_EQ(lights, 3u);
    app.Exit();
}

TEST(MapSceneMaps, SectionsThatNeedATrackAreRefusedWithTheirLine)
{
    for (const char* section : {"[[narrow]]\nfrom = 100\nto = 200\nwidth = 100\n", "[walls]\ntexture = \"brick\"\n",
                                "[[tunnel]]\nfrom = 100\nto = 600\ntexture = \"brick\"\n",
                                "[[bridge]]\nalong = 300\ntexture = \"brick\"\n", "[nodes]\ntrack = 8\n",
                                "[grid]\nbehind = 100\n", "[[powerup]]\nposition = [0, 0, 0]\n",
                                "[[roadsign]]\nposition = [0, 0, 300]\n"})
    {
        std::string text = std::string(kScene) + "\n" + section;
        std::string header = std::string(section).substr(0, std::string(section).find('\n'));
        EXPECT_TRUE(RefusedAt(text, LineOf(text, "\n" + header + "\n") + 1, header + " needs a [track]"));
    }
    for (const char* placed : {"[[box]]\nalong = 300\nsize = [100, 100, 100]\ntexture = \"brick\"\n",
                               "[[model]]\nalong = 300\nmodel = \"crate.zmf\"\n"})
    {
        std::string text = std::string(kScene) + "\n" + placed;
        EXPECT_TRUE(RefusedAt(text, LineOf(text, "along = 300"), "no road to place things along"));
    }
    std::string bare = Replace(kScene, "[ground]\ntexture = \"grass\"\n", "[ground]\n");
    EXPECT_TRUE(RefusedAt(bare, LineOf(bare, "[ground]"), "[ground] needs texture"));
    std::string lowered = std::string(kBase) + "\n[ground]\ny = -13\n";
    EXPECT_TRUE(RefusedAt(lowered, LineOf(lowered, "y = -13"), "only a scene map's"));
}

// ---------------------------------------------------------------------------
// Refusals

TEST(MapCompilerRefusals, NameTheLineAndTheRule)
{
    std::string base = kBase;
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 300", "width = 30"), LineOf(base, "width = 300"),
                          "must be from 100"));
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 300", "widht = 300"), LineOf(base, "width = 300"),
                          "has no key \"widht\""));
    EXPECT_TRUE(RefusedAt(Replace(base, "road_texture = \"road\"", "road_texture = \"tarmac\""),
                          LineOf(base, "road_texture"), "which [textures] does not declare"));
    EXPECT_TRUE(RefusedAt(Replace(base, "name = \"road\"", "name = \"roadwithlongname\""), LineOf(base, "road = {"),
                          "1 to 11 characters"));
    EXPECT_TRUE(RefusedAt(Replace(base, "sun = 0.5", "sun = 0.7"), LineOf(base, "sun = 0.5"), "at most 1"));
    EXPECT_TRUE(RefusedAt(Replace(base, "ai = 12", "ai = 51"), LineOf(base, "ai = 12"), "from 3 to 50"));
    std::string small = Replace(base, "[2000, 3000], [2000, 0]", "[1500, 2000], [1500, 0]");
    small = Replace(small, "[0, 3000]", "[0, 2000]");
    EXPECT_TRUE(RefusedAt(Replace(small, "ai = 12", "ai = 50"), LineOf(base, "ai = 12"), "more than 150"));
    EXPECT_TRUE(RefusedAt(Replace(base, "[walls]", "[wall]"), LineOf(base, "[walls]"), "no section [wall]"));
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 300", "width = = 300"), LineOf(base, "width = 300"),
                          "not valid TOML"));
}

TEST(MapCompilerRefusals, HostileNumbersAndCutDescriptionsAreRefusedCleanly)
{
    std::string base = kBase;
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 300", "width = nan"), LineOf(base, "width = 300"), "must be from"));
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 300", "width = inf"), LineOf(base, "width = 300"), "must be from"));
    EXPECT_TRUE(RefusedAt(Replace(base, "[[0, 0], [0, 3000]", "[[nan, 0], [0, 3000]"), LineOf(base, "points ="),
                          "point 1 must be a pair"));
    EXPECT_TRUE(RefusedAt(Replace(base, "[[0, 0], [0, 3000]", "[[0, 0], [0, 0]"), LineOf(base, "points ="),
                          "lies on point 1"));
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 300", "width = \"wide\""), LineOf(base, "width = 300"),
                          "must be a number"));

    // Every cut of the test track's description reads or is refused, never
    // more than that.
    std::string full = ReadText(kTestTrack);
    for (size_t at = 0; at < full.size(); at += 97)
    {
        ZEMapDescription description;
        ZEMapMessages messages{ZEString("cut.toml")};
        bool read = ZEParseMapDescription(full.data(), at, description, messages);
        EXPECT_EQ(read, !messages.HasErrors()) << at;
    }
}

TEST(MapCompilerRefusals, ACurveTooTightForTheRoadNamesItsControlPoint)
{
    std::string text = Replace(kBase, "points = [[0, 0], [0, 3000], [2000, 3000], [2000, 0]]",
                               "points = [\n  [0, 0],\n  [0, 3000],\n  [400, 3000],\n  [400, 0],\n]");
    Compiled result;
    Compile(text, result);
    EXPECT_FALSE(result.m_bCompiled);
    std::string errors = result.Errors();
    EXPECT_NE(errors.find("turns with a radius"), std::string::npos) << errors;
    // Every error names one of the control points' lines.
    for (const ZEString& error : result.m_Messages.GetErrors())
    {
        std::string message = error.CStr();
        uint32_t line = static_cast<uint32_t>(std::stoul(message.substr(message.find(':') + 1)));
        EXPECT_GE(line, LineOf(text, "[0, 0]")) << message;
        EXPECT_LE(line, LineOf(text, "[400, 0]")) << message;
    }
}

TEST(MapCompilerRefusals, ARoadThatComesBackOntoItselfIsRefused)
{
    std::string text = Replace(kBase, "points = [[0, 0], [0, 3000], [2000, 3000], [2000, 0]]",
                               "points = [[0, 0], [0, 3000], [2000, 3000], [2000, 1500], [300, 1500], [2000, 0]]");
    EXPECT_TRUE(RefusedAt(text, LineOf(text, "points ="), "comes back within"));
}

TEST(MapCompilerRefusals, SceneryOnTheRoadAndObjectsOnTheStartLineAreRefused)
{
    std::string base = kBase;
    // The centre line passes through every control point.
    std::string box = base + "\n[[box]]\nat = [0, 0]\nsize = [100, 100, 100]\ntexture = \"brick\"\n";
    EXPECT_TRUE(RefusedAt(box, LineOf(box, "[[box]]"), "stands on the road"));
    std::string beside = Replace(box, "at = [0, 0]", "at = [-1200, 0]");
    Compiled fine;
    Compile(beside, fine);
    EXPECT_TRUE(fine.m_bCompiled) << fine.Errors();

    std::string powerUp = base + "\n[[powerup]]\nalong = 20\nside = 0\n";
    EXPECT_TRUE(RefusedAt(powerUp, LineOf(powerUp, "[[powerup]]"), "track node 0 (the start line)"));
    // A later node moves aside instead.
    std::string later = Replace(powerUp, "along = 20", "along = 1100");
    Compiled moved;
    Compile(later, moved);
    EXPECT_TRUE(moved.m_bCompiled) << moved.Errors();

    std::string rail = base + "\n[[rail]]\npoints = [[-800, 100], [800, 100]]\ntexture = \"brick\"\n";
    EXPECT_TRUE(RefusedAt(rail, LineOf(rail, "[[rail]]"), "crosses the road"));
    std::string tunnel = base + "\n[[tunnel]]\nfrom = 100\nto = 600\nheight = 50\ntexture = \"brick\"\n";
    EXPECT_TRUE(RefusedAt(tunnel, LineOf(tunnel, "height = 50"), "must be from 80"));
}

TEST(MapCompilerRefusals, AMapBeyondTheVertexLimitIsRefusedWithAHint)
{
    // Hilly ground in small cells: triangles that share no corners.
    std::string text = std::string(kBase) + "\n[ground]\ncell = 50\nmargin = 3000\n" +
                       "\n[[hill]]\nat = [1000, 1500]\nradius = 6000\nheight = 300\n";
    EXPECT_TRUE(RefusedAt(text, LineOf(text, "[ground]"), "at most 65535 fit"));
}

// ---------------------------------------------------------------------------
// Narrow sections

namespace
{
// A stretch of kBase's top straight narrowed for single file.
const char* kNarrowSection = "\n[[narrow]]\nfrom = 3800\nto = 4600\nwidth = 110\n";

using FacePick = std::function<bool(const ZEBspWriter::Entity* entity, const ZEBspWriter::Face& face)>;

// The nearest and farthest distance from the centre line of the corners
// over [from, to] along the track of the faces `pick` takes among the
// level's (entity null) and the entities' polygons.
std::pair<double, double> SideSpan(const ZEBspWriter& map, const ZEMapTrack& track, double from, double to,
                                   const FacePick& pick)
{
    std::vector<std::pair<const ZEBspWriter::Entity*, const ZEBspWriter::Face*>> faces;
    for (const ZEBspWriter::Node& node : map.m_aNodes)
        for (const ZEBspWriter::Face& face : node.m_aFaces)
            faces.push_back({nullptr, &face});
    for (const ZEBspWriter::Entity& entity : map.m_aEntities)
        for (const ZEBspWriter::Face& face : entity.m_aPolygons)
            faces.push_back({&entity, &face});
    std::pair<double, double> span(1e300, -1e300);
    for (const auto& [entity, face] : faces)
        for (uint16_t index : face->m_ausIndices)
        {
            ZEVector p = PositionOf(map, index);
            double along = 0.0, side = track.DistanceToCentre(ZEMapVec2(p.x, p.z), &along);
            if (pick(entity, *face) && along >= from && along <= to)
                span = {std::min(span.first, side), std::max(span.second, side)};
        }
    return span;
}
}

TEST(MapNarrowSections, RoadWallsBarriersAndNodesFollowTheNarrowWidthAndEaseBack)
{
    std::string text = Replace(kBase, "[walls]", "[walls]\nkind = \"both\"") + kNarrowSection;
    Compiled result;
    Compile(text, result);
    ASSERT_TRUE(result.m_bCompiled) << result.Errors();
    ZEMapTrack track;
    ZEMapMessages messages;
    ASSERT_TRUE(track.Build(result.m_Description, messages));
    const ZEBspWriter& map = result.m_Map;
    auto level = [&](const char* texture, bool flat) -> FacePick {
        return [&map, texture, flat](const ZEBspWriter::Entity* entity, const ZEBspWriter::Face& face) {
            return !entity && map.m_aTextures[face.m_usTexture - 1].m_Name == texture &&
                   (flat ? face.m_vNormal.y > 0.99f : std::fabs(face.m_vNormal.y) < 0.01f);
        };
    };
    auto of = [](const char* className) -> FacePick {
        return [className](const ZEBspWriter::Entity* entity, const ZEBspWriter::Face&) {
            return entity && entity->m_ClassName == className;
        };
    };

    // Road 110 wide, walls beyond the 60 verges; away from it road 300 wide.
    // (The centre line is a polygon, so in bends an edge lies up to a unit
    // or two nearer to it.)
    struct Stretch
    {
        double m_dFrom, m_dTo, m_dRoadHalf;
    };
    for (const Stretch& s : {Stretch{3850, 4550, 55}, Stretch{800, 2200, 150}, Stretch{5500, 9000, 150}})
    {
        SCOPED_TRACE(::testing::Message() << "from " << s.m_dFrom << " to " << s.m_dTo);
        EXPECT_NEAR(SideSpan(map, track, s.m_dFrom, s.m_dTo, level("road", true)).second, s.m_dRoadHalf, 2.0);
        EXPECT_NEAR(SideSpan(map, track, s.m_dFrom, s.m_dTo, level("grass", false)).first, s.m_dRoadHalf + 60, 2.0);
        EXPECT_NEAR(SideSpan(map, track, s.m_dFrom, s.m_dTo, of("Barrier")).second, s.m_dRoadHalf + 60, 2.0);
    }
    // One of the 8 track nodes stands in the section.
    EXPECT_NEAR(SideSpan(map, track, 3850, 4550, of("TrackNode")).second, 115.0, 1.0);
    EXPECT_NEAR(SideSpan(map, track, 0, 3500, of("TrackNode")).second, 210.0, 1.0);

    // Over the ramps the road eases from one width to the other.
    for (auto [edge, outwards] : {std::pair<double, double>{3800.0, -1.0}, {4600.0, 1.0}})
    {
        EXPECT_DOUBLE_EQ(track.At(edge + outwards * 400.0).m_dRoadHalf, 150.0);
        EXPECT_NEAR(track.At(edge + outwards * 150.0).m_dRoadHalf, 0.5 * (55.0 + 150.0), 5.0);
        EXPECT_DOUBLE_EQ(track.At(edge - outwards * 150.0).m_dRoadHalf, 55.0);
    }
}

TEST(MapNarrowSections, ACornerTooTightForTheFullRoadIsDrivenSingleFile)
{
    std::string loop = Replace(kBase, "[[0, 0], [0, 3000], [2000, 3000], [2000, 0]]",
                               "[[0, 0], [0, 3000], [500, 3000], [500, 0]]\nstart = 1500");
    EXPECT_TRUE(RefusedAt(loop, LineOf(loop, "points ="), "turns with a radius"));

    // Both ends of the loop narrowed; the straights and the grid stay wide.
    std::string narrowed = loop + "\n[[narrow]]\nfrom = 1100\nto = 2500\nwidth = 100\n" +
                           "\n[[narrow]]\nfrom = 4300\nto = 5900\nwidth = 100\n";
    Compiled result;
    Compile(narrowed, result);
    ASSERT_TRUE(result.m_bCompiled) << result.Errors();
    ZEMapTrack track;
    ZEMapMessages messages;
    ASSERT_TRUE(track.Build(result.m_Description, messages));
    // The racing line cuts the corners only as far as the narrow road allows.
    for (const ZEBspWriter::Entity* node : EntitiesOf(result.m_Map, "AINode"))
    {
        double along = 0.0;
        double side = track.DistanceToCentre(ZEMapVec2(node->m_vOrigin.x, node->m_vOrigin.z), &along);
        EXPECT_LT(side, track.At(along).m_dRoadHalf - 15.0) << "AI node at " << along;
    }
}

TEST(MapNarrowSections, BadSectionsAreRefusedWithTheirLine)
{
    std::string base = std::string(kBase) + kNarrowSection;
    EXPECT_TRUE(RefusedAt(Replace(base, "to = 4600", "to = 3700"), LineOf(base, "to = 4600"), "must lie beyond from"));
    EXPECT_TRUE(RefusedAt(Replace(base, "to = 4600", "to = 30000"), LineOf(base, "to = 4600"), "the track is only"));
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 110", "width = 300"), LineOf(base, "width = 110"),
                          "less than [track] width"));
    EXPECT_TRUE(RefusedAt(Replace(base, "width = 110", "width = 60"), LineOf(base, "width = 110"), "from 80"));

    // Apart, but their ramps meet: the second section is refused.
    std::string second = base + "\n[[narrow]]\nfrom = 5100\nto = 5800\nwidth = 150\n";
    EXPECT_TRUE(RefusedAt(second, LineOf(second, "from = 5100") - 1,
                          "overlaps the [[narrow]] on line " + std::to_string(LineOf(base, "[[narrow]]"))));
    Compiled apart;
    Compile(Replace(second, "from = 5100", "from = 5300"), apart);
    EXPECT_TRUE(apart.m_bCompiled) << apart.Errors();

    // The grid stands on the last few hundred units before the start line,
    // where this section's first ramp begins.
    std::string grid = Replace(Replace(base, "from = 3800", "from = 100"), "to = 4600", "to = 600");
    EXPECT_TRUE(RefusedAt(grid, LineOf(grid, "[[narrow]]"), "into the grid"));
}

// ---------------------------------------------------------------------------
// The drawing-order rule and the tree

namespace
{
ZEMapPolygon Quad(std::vector<ZEMapVec3> corners, ZEMapVec3 front)
{
    return ZEMapMakePolygon(corners, front);
}

std::vector<ZEMapVec3> Corners(const ZEMapPolygon& polygon)
{
    std::vector<ZEMapVec3> corners;
    for (const ZEMapVertex& vertex : polygon.m_aVertices)
        corners.push_back(vertex.p);
    return corners;
}

bool Hides(const ZEMapPolygon& a, const ZEMapPolygon& b)
{
    return ZEMapCanHide(Corners(a), a.m_Plane, Corners(b), b.m_Plane, ZE_MAP_ON_PLANE);
}

// Lays a tree of the compiler into a map model and checks it.
ZEMapCheckReport CheckTree(const ZEMapBSP& tree)
{
    ZEBspWriter writer;
    writer.AddTexture(ZEString("t"), ZEString("p"));
    std::function<int32_t(int32_t)> convert = [&](int32_t index) -> int32_t {
        const ZEMapBSPNode& node = tree.GetNodes()[index];
        if (node.m_bLeaf)
        {
            std::vector<ZEBspWriter::Face> faces;
            for (uint32_t f : node.m_aulFaces)
            {
                const ZEMapPolygon& polygon = tree.GetFaces()[f];
                std::vector<uint16_t> shared, indices;
                for (const ZEMapVertex& v : polygon.m_aVertices)
                    shared.push_back(static_cast<uint16_t>(writer.AddLitVertex(
                        ZELVertex{float(v.p.x), float(v.p.y), float(v.p.z), 0, 0, 0, 0})));
                for (size_t i = 1; i + 1 < shared.size(); ++i)
                    indices.insert(indices.end(), {shared[0], shared[i], shared[i + 1]});
                ZEBspWriter::Face face = writer.MakeFace(1, indices);
                face.SetLightmap(4, 4, 255);
                faces.push_back(face);
            }
            return static_cast<int32_t>(writer.AddLeaf(faces));
        }
        int32_t front = node.m_lFront >= 0 ? convert(node.m_lFront) : -1;
        int32_t back = node.m_lBack >= 0 ? convert(node.m_lBack) : -1;
        ZEMapVec3 n = node.m_Plane.m_vNormal;
        return static_cast<int32_t>(
            writer.AddInner(ZEVector(float(n.x), float(n.y), float(n.z)), float(node.m_Plane.m_dDistance), front, back));
    };
    writer.m_lRoot = convert(tree.GetRoot());
    ZEMapCheckReport report;
    ZECheckMap(writer, report);
    return report;
}
}

TEST(MapDrawingOrder, AFaceCanHideAnotherOnlyReachingInFrontOfItWhileTheOtherReachesBehind)
{
    ZEMapVec3 up(0, 1, 0);
    ZEMapPolygon floor = Quad({{-5, 0, -5}, {-5, 0, 5}, {5, 0, 5}, {5, 0, -5}}, up);
    ZEMapPolygon top = Quad({{-1, 2, -1}, {-1, 2, 1}, {1, 2, 1}, {1, 2, -1}}, up);
    ZEMapPolygon wallFacingIn = Quad({{5, 0, -5}, {5, 0, 5}, {5, 3, 5}, {5, 3, -5}}, ZEMapVec3(-1, 0, 0));
    ZEMapPolygon wallFacingOut = Quad({{5, 0, -5}, {5, 0, 5}, {5, 3, 5}, {5, 3, -5}}, ZEMapVec3(1, 0, 0));
    // A raised top can hide the floor under it, never the other way round.
    EXPECT_TRUE(Hides(top, floor));
    EXPECT_FALSE(Hides(floor, top));
    // A room's corner and a box's edge: neither hides the other.
    EXPECT_FALSE(Hides(floor, wallFacingIn));
    EXPECT_FALSE(Hides(wallFacingIn, floor));
    EXPECT_FALSE(Hides(top, wallFacingOut));
    // Faces of one plane never hide each other.
    ZEMapPolygon beside = Quad({{5, 0, -5}, {5, 0, 5}, {9, 0, 5}, {9, 0, -5}}, up);
    EXPECT_FALSE(Hides(floor, beside));

    std::vector<uint32_t> order;
    ASSERT_TRUE(ZEMapOrderFaces({Corners(top), Corners(floor)}, {top.m_Plane, floor.m_Plane}, 0.01, order));
    EXPECT_EQ(order, (std::vector<uint32_t>{1, 0}));
}

TEST(MapDrawingOrder, CrossingFacesAreCutAndEveryLeafOrdered)
{
    // Two walls through each other: each can hide the other, so no order
    // of the two is right and the tree must cut one along the other.
    ZEMapPolygon a = Quad({{0, 0, -4}, {0, 0, 4}, {0, 4, 4}, {0, 4, -4}}, ZEMapVec3(1, 0, 0));
    ZEMapPolygon b = Quad({{-4, 0, 0}, {4, 0, 0}, {4, 4, 0}, {-4, 4, 0}}, ZEMapVec3(0, 0, 1));
    EXPECT_TRUE(Hides(a, b));
    EXPECT_TRUE(Hides(b, a));
    std::vector<uint32_t> order;
    EXPECT_FALSE(ZEMapOrderFaces({Corners(a), Corners(b)}, {a.m_Plane, b.m_Plane}, 0.01, order));

    ZEMapBSP tree;
    tree.Build({a, b}, 8);
    EXPECT_GE(tree.GetCuts(), 1u);
    EXPECT_GE(tree.GetFaces().size(), 3u);
    ZEMapCheckReport report = CheckTree(tree);
    EXPECT_TRUE(report.IsClean()) << (report.m_aProblems.empty() ? "" : report.m_aProblems[0].CStr());
}

TEST(MapDrawingOrder, ATreeOverManyBoxesKeepsEveryRule)
{
    std::vector<ZEMapPolygon> polygons;
    ZEMapVec3 up(0, 1, 0);
    polygons.push_back(Quad({{-100, 0, -100}, {-100, 0, 100}, {100, 0, 100}, {100, 0, -100}}, up));
    // Boxes standing in and across one another, and one floating.
    for (int i = 0; i < 12; ++i)
    {
        double x = -80 + 13 * i, z = -60 + 9 * (i % 5), h = 5 + 3 * (i % 4), y = i == 7 ? 20 : 0;
        ZEMapVec3 c[8] = {{x, y, z}, {x, y, z + 15}, {x + 15, y, z + 15}, {x + 15, y, z},
                          {x, y + h, z}, {x, y + h, z + 15}, {x + 15, y + h, z + 15}, {x + 15, y + h, z}};
        polygons.push_back(Quad({c[4], c[5], c[6], c[7]}, up));
        polygons.push_back(Quad({c[0], c[1], c[5], c[4]}, ZEMapVec3(-1, 0, 0)));
        polygons.push_back(Quad({c[3], c[2], c[6], c[7]}, ZEMapVec3(1, 0, 0)));
        polygons.push_back(Quad({c[0], c[3], c[7], c[4]}, ZEMapVec3(0, 0, -1)));
        polygons.push_back(Quad({c[1], c[2], c[6], c[5]}, ZEMapVec3(0, 0, 1)));
        if (y > 0)
            polygons.push_back(Quad({c[0], c[1], c[2], c[3]}, ZEMapVec3(0, -1, 0)));
    }
    for (uint32_t leafFaces : {1u, 4u, 24u})
    {
        ZEMapBSP tree;
        tree.Build(polygons, leafFaces);
        ZEMapCheckReport report = CheckTree(tree);
        EXPECT_TRUE(report.IsClean()) << leafFaces << ": " << report.m_aProblems[0].CStr();
        EXPECT_EQ(report.m_ulFaces, tree.GetFaces().size());
    }
}

// ---------------------------------------------------------------------------
// The check catches broken maps

TEST_F(TestTrack, TheCheckFindsFacesOnTheWrongSideAndWrongLeafOrders)
{
    ZEBspWriter swapped = ms_pTrack->m_Map;
    ZEBspWriter::Node& root = swapped.m_aNodes[0];
    ASSERT_FALSE(root.m_bLeaf);
    std::swap(root.m_lFront, root.m_lBack);
    ZEMapCheckReport report;
    EXPECT_FALSE(ZECheckMap(swapped, report));
    bool sideProblem = false;
    for (const ZEString& problem : report.m_aProblems)
        sideProblem = sideProblem || std::string(problem.CStr()).find("side of node 0's plane") != std::string::npos;
    EXPECT_TRUE(sideProblem);

    // A leaf with a raised top drawn before the floor under it.
    ZEBspWriter map;
    map.AddTexture(ZEString("t"), ZEString("p"));
    auto face = [&](std::vector<ZEVector> corners) {
        std::vector<uint16_t> shared, indices;
        for (const ZEVector& c : corners)
            shared.push_back(static_cast<uint16_t>(map.AddLitVertex(ZELVertex{c.x, c.y, c.z, 0, 0, 0, 0})));
        indices = {shared[0], shared[1], shared[2], shared[0], shared[2], shared[3]};
        ZEBspWriter::Face f = map.MakeFace(1, indices);
        f.SetLightmap(4, 4, 200);
        return f;
    };
    ZEBspWriter::Face top = face({{-1, 2, -1}, {-1, 2, 1}, {1, 2, 1}, {1, 2, -1}});
    ZEBspWriter::Face floor = face({{-5, 0, -5}, {-5, 0, 5}, {5, 0, 5}, {5, 0, -5}});
    map.AddLeaf({top, floor});
    ZEMapCheckReport wrong;
    EXPECT_FALSE(ZECheckMap(map, wrong));
    ASSERT_FALSE(wrong.m_aProblems.empty());
    EXPECT_NE(std::string(wrong.m_aProblems[0].CStr()).find("can hide"), std::string::npos);

    map.m_aNodes[0].m_aFaces = {floor, top};
    ZEMapCheckReport right;
    EXPECT_TRUE(ZECheckMap(map, right));

    map.m_aNodes[0].m_vMax.y = 1.0f;
    map.m_aNodes[0].m_aFaces[0].SetLightmap(3, 4, 0);
    ZEMapCheckReport broken;
    EXPECT_FALSE(ZECheckMap(map, broken));
    std::string all;
    for (const ZEString& problem : broken.m_aProblems)
        all += std::string(problem.CStr()) + "\n";
    EXPECT_NE(all.find("box does not enclose"), std::string::npos) << all;
    EXPECT_NE(all.find("powers of two"), std::string::npos) << all;
}

TEST_F(TestTrack, TheCheckFindsBrokenTrackNodesAINodesAndGrid)
{
    auto problems = [](const ZEBspWriter& map) {
        ZEMapCheckReport report;
        ZECheckMap(map, report);
        std::string all;
        for (const ZEString& problem : report.m_aProblems)
            all += std::string(problem.CStr()) + "\n";
        return all;
    };
    ZEBspWriter map = ms_pTrack->m_Map;
    for (ZEBspWriter::Entity& entity : map.m_aEntities)
    {
        if (entity.m_ClassName == "TrackNode" && entity.m_aucData[0] == 3)
            std::reverse(entity.m_aPolygons[0].m_ausIndices.begin(), entity.m_aPolygons[0].m_ausIndices.end());
        if (entity.m_ClassName == "AINode" && entity.m_aucData[0] == 5)
            entity.m_aucData[0] = 7;
        if (entity.m_ClassName == "StartPosition" && entity.m_aucData[0] == 2)
            entity.m_vOrigin = Indexed("TrackNode").at(1)->m_vOrigin;
        if (entity.m_ClassName == "AmbientLight")
            entity.m_aucData = ZEBspData().Float(0.6f).m_aucBytes;
    }
    std::string all = problems(map);
    EXPECT_NE(all.find("track node 3's normal does not point against"), std::string::npos) << all;
    EXPECT_NE(all.find("a second AI node 7"), std::string::npos) << all;
    EXPECT_NE(all.find("AI nodes are not numbered densely"), std::string::npos) << all;
    EXPECT_NE(all.find("start position 2 stands beyond the start line"), std::string::npos) << all;
    EXPECT_NE(all.find("add up to 1.150"), std::string::npos) << all;
}

TEST_F(TestTrack, DamagedFilesAreRefusedWithoutReadingPastTheirEnd)
{
    const std::vector<uint8_t>& bytes = ms_pTrack->m_aucBytes;
    std::vector<size_t> lengths;
    for (size_t length = 0; length < 200; ++length)
        lengths.push_back(length);
    for (size_t k = 1; k < 300; ++k)
        lengths.push_back(bytes.size() * k / 300);
    lengths.push_back(bytes.size() - 1);
    for (size_t length : lengths)
    {
        // A copy of exactly that size, so any read beyond it is caught.
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
        ZEBspWriter map;
        ZEString error;
        EXPECT_FALSE(ZEReadMapFile(cut, map, error)) << length;
        EXPECT_FALSE(error.IsEmpty());
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    ZEBspWriter map;
    ZEString error;
    EXPECT_FALSE(ZEReadMapFile(longer, map, error));

    // The first node of the tree claims a billion faces.
    std::vector<uint8_t> greedy = bytes;
    size_t tables = 24 + 25 * map.m_aTextures.size();
    ZEBspWriter whole;
    ASSERT_TRUE(ZEReadMapFile(bytes, whole, error));
    tables = 24 + 25 * whole.m_aTextures.size() + 12 * whole.m_avPositions.size() + 8 * whole.m_aTexCoords.size() +
             6 * whole.m_aVertices.size();
    greedy[tables] = 0;
    greedy[tables + 1] = 0xCA;
    greedy[tables + 2] = 0x9A;
    greedy[tables + 3] = 0x3B;
    ZEBspWriter damaged;
    EXPECT_FALSE(ZEReadMapFile(greedy, damaged, error));
    EXPECT_NE(std::string(error.CStr()).find("more than the file holds"), std::string::npos) << error.CStr();
}

// ---------------------------------------------------------------------------
// The drawing order seen on screen

namespace
{
// Draws a map model with the real renderer, as the engine draws its
// terrain (depth comparison "always", far side of every node plane first,
// leaves in file order) or depth-tested, each face in a colour of its own.
class MapPainter
{
public:
    enum Mode
    {
        TREE_ORDER,       // the engine's order
        DEPTH_TESTED,     // the reference
        NEAR_FIRST        // the wrong order, to show the comparison sees it
    };

    explicit MapPainter(const ZEBspWriter& map) : m_Map(map)
    {
        for (const _ZEBSPVertex& vertex : map.m_aVertices)
        {
            const ZEVector& p = map.m_avPositions[vertex.m_usPosition];
            m_aVertices.push_back(ZELVertex{p.x, p.y, p.z, 0, 0, 0, 0});
        }
        // Every face keeps its colour whatever order it is drawn in.
        uint32_t id = 0;
        for (const ZEBspWriter::Node& node : map.m_aNodes)
            for (const ZEBspWriter::Face& face : node.m_aFaces)
                m_Ids[&face] = id++;
    }

    std::vector<uint8_t> Draw(ZERenderer* renderer, const ZEVector& eye, const ZEVector& rotation, Mode mode)
    {
        renderer->m_Camera.SetPosition(eye);
        renderer->m_Camera.SetRotation(rotation);
        renderer->SetPerspective(75.0f, 4.0f / 3.0f, 5.0f, 30000.0f);
        renderer->RestoreWorld();
        renderer->SetZBufferState(true);
        renderer->ClearBuffers();
        renderer->SetZBufferComp(mode == DEPTH_TESTED ? 1 : 7);
        renderer->SetTexture(&m_Untextured);
        renderer->SetVertexArray(m_aVertices.data(), static_cast<uint16_t>(m_aVertices.size()));
        DrawNode(renderer, m_Map.m_lRoot, eye, mode);
        renderer->SetZBufferComp(1);
        std::vector<uint8_t> frame(640 * 480 * 3);
        glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
        return frame;
    }

private:
    void DrawNode(ZERenderer* renderer, int32_t index, const ZEVector& eye, Mode mode)
    {
        if (index < 0)
            return;
        const ZEBspWriter::Node& node = m_Map.m_aNodes[index];
        if (node.m_bLeaf)
        {
            for (const ZEBspWriter::Face& face : node.m_aFaces)
            {
                uint32_t id = m_Ids.at(&face);
                renderer->SetAmbient(static_cast<uint8_t>(id & 0xFF), static_cast<uint8_t>(((id >> 8) & 0x0F) * 16 + 8),
                                     static_cast<uint8_t>(200 + (id >> 12)));
                renderer->DrawIndices(const_cast<uint16_t*>(face.m_ausIndices.data()),
                                      static_cast<uint16_t>(face.m_ausIndices.size()));
            }
            return;
        }
        float d = node.m_vNormal.DotProduct(eye) + node.m_fDistance;
        bool frontFirst = d < -0.00001f;
        if (mode == NEAR_FIRST)
            frontFirst = !frontFirst;
        DrawNode(renderer, frontFirst ? node.m_lFront : node.m_lBack, eye, mode);
        DrawNode(renderer, frontFirst ? node.m_lBack : node.m_lFront, eye, mode);
    }

    const ZEBspWriter& m_Map;
    std::vector<ZELVertex> m_aVertices;
    ZETextureReference m_Untextured;
    std::map<const ZEBspWriter::Face*, uint32_t> m_Ids;
};

double DifferentShare(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    size_t different = 0;
    for (size_t i = 0; i + 2 < a.size(); i += 3)
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2])
            ++different;
    return double(different) / double(a.size() / 3);
}

double DrawnShare(const std::vector<uint8_t>& frame)
{
    size_t drawn = 0;
    for (size_t i = 0; i + 2 < frame.size(); i += 3)
        if (frame[i + 2] >= 200)
            ++drawn;
    return double(drawn) / double(frame.size() / 3);
}
}

TEST_F(TestTrack, DrawnInTreeOrderWithoutDepthTestTheMapLooksAsDepthTested)
{
    ZEXvfb display;
    ASSERT_TRUE(display.Start()) << display.Error();
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    {
        ZESDLOpenGLRenderer renderer(640, 480, 0);
        ZEFileManager files;
        ZETextureManager textures;
        renderer.m_bLightmaps = false;
        renderer.DisableBlending();
        renderer.SetBackgroundColor(0, 0, 0);
        MapPainter painter(ms_pTrack->m_Map);

        struct View
        {
            double m_dAlong, m_dSide, m_dHeight, m_dPitch;
        };
        // At a car's height along the road (into the tunnel, under the
        // bridge, along the walls) and from above the hills and buildings.
        const View views[] = {{-300, 0, 25, -3}, {1200, 60, 25, -3}, {5000, -80, 30, -5}, {9000, 0, 25, -3},
                              {3000, 0, 600, -25}, {12500, 100, 900, -30}};
        double worstShare = 0.0;
        for (const View& view : views)
        {
            ZEMapVec3 eye = ms_pCentre->Point(view.m_dAlong, view.m_dSide, view.m_dHeight);
            ZEMapTrackSample at = ms_pCentre->At(view.m_dAlong);
            // A camera turned by a about y looks along (-sin a, 0, cos a).
            float yaw = float(std::atan2(-at.m_vTangent.x, at.m_vTangent.z) * 180.0 / 3.14159265358979);
            ZEVector position(float(eye.x), float(eye.y), float(eye.z)), rotation(float(view.m_dPitch), yaw, 0.0f);
            std::vector<uint8_t> tree = painter.Draw(&renderer, position, rotation, MapPainter::TREE_ORDER);
            std::vector<uint8_t> depth = painter.Draw(&renderer, position, rotation, MapPainter::DEPTH_TESTED);
            std::vector<uint8_t> wrong = painter.Draw(&renderer, position, rotation, MapPainter::NEAR_FIRST);
            SCOPED_TRACE(::testing::Message() << "view along " << view.m_dAlong << " at height " << view.m_dHeight);
            EXPECT_GT(DrawnShare(depth), 0.3);
            double share = DifferentShare(tree, depth);
            worstShare = std::max(worstShare, share);
            // Only pixels on the seams between neighbouring faces may differ.
            EXPECT_LT(share, 0.002);
            EXPECT_GT(DifferentShare(wrong, depth), 0.01);
            std::printf("view along %.0f: tree order differs from depth-tested in %.4f%% of the pixels, "
                        "the wrong order in %.2f%%\n",
                        view.m_dAlong, 100.0 * share, 100.0 * DifferentShare(wrong, depth));
        }
        RecordProperty("WorstDifferentShare", std::to_string(worstShare));
    }
    SDL_Quit();
}
