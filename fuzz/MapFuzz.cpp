// Fuzz target: the ".bsp" map loader (ZEBSPTerrain::Load), through the
// application's "load" path into a headless engine, as the game loads a
// track.
//
// Each input is loaded twice: as a loose file, and as an entry of a
// package archive followed by another entry holding the same bytes again,
// so that reading past the entry's size would find plausible map data.
// Beyond surviving, the target requires:
// - the engine and the map checker agree on what a map is: the engine
//   loads the input exactly when the checker's reader, taking the file as
//   the engine does, reads it and it keeps the structural rules
//   "zemapc --check" applies (ZECheckMapStructure);
// - a loaded tree is the tree the checker read: the same nodes in the same
//   order, leaves where it has leaves, the same number of faces and of
//   indices in each, every index within the terrain's shared vertices;
// - a failed load leaves the world empty;
// - both loads agree on every node, face, vertex and world object.
// A loaded map is then used as a race uses it: segments and spheres tested
// against it, decals cut from it, drawn through the null renderer, and the
// world stepped a few frames. A broken rule aborts, which libFuzzer records
// as a crash with the input that caused it.
#include "core/ZEApplication.h"
#include "core/ZEFileManager.h"
#include "math/ZEBoundingVolume.h"
#include "platform/null/ZEManualTimer.h"
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "render/ZEParticleSystem.h"
#include "resources/ZETextureManager.h"
#include "world/ZEBSPTerrain.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include "FuzzFolder.h"
#include "ZEBspWriter.h"
#include "ZEMapCheck.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
const char kMapName[] = "fuzz.bsp";
const char kPackage[] = "maps.dat";
const char kMapPath[] = "maps/fuzz.bsp";

void Require(bool holds, const char* rule) { ZEFuzzRequire(holds, "map loader", rule); }

// The whole engine without a window, over a private folder.
class MapApp : public ZEApplication
{
public:
    MapApp() { m_bHeadless = true; }

protected:
    void EndProcess(int) override {}
};

class Environment
{
public:
    Environment()
    {
        m_Folder.MakeFolder("maps");
        m_App.Initialize();
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(m_Folder.Root().c_str()));
    }

    ~Environment() { m_App.Exit(); }

    void WriteLoose(const uint8_t* bytes, size_t length) { m_Folder.Write(kMapPath, bytes, length); }

    void RemoveLoose() { m_Folder.Remove(kMapPath); }

    // The input as the first entry of a package, a copy of it behind.
    bool WritePackage(const uint8_t* bytes, size_t length)
    {
        return m_Folder.WritePackage(kPackage, kMapPath, "maps/after.bsp", bytes, length) &&
               ZEFileManager::ms_pFileManager->AddArchive(ZEString(kPackage));
    }

    void RemovePackage() { ZEFileManager::ms_pFileManager->RemoveAllArchives(); }

    MapApp& App() { return m_App; }
    ZEEngine& Engine() { return *m_App.m_pEngine; }

private:
    ZEFuzzFolder m_Folder{"map"};
    MapApp m_App;
};

// ---------------------------------------------------------------------------
// What a loaded world holds, as bytes, so two loads can be compared whole.

template <class T>
void AppendValue(std::string& out, const T& value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

// The engine's tree in file order (node, then front, then back), checked
// against the checker's nodes as it goes; `next` counts the nodes visited.
void DescribeNode(const ZEBSPTerrain& terrain, const ZEBSPNode* node, const ZEBspWriter& read, size_t& next,
                  std::string& out)
{
    Require(next < read.m_aNodes.size(), "the engine's tree has no more nodes than the file");
    const ZEBspWriter::Node& expected = read.m_aNodes[next++];
    Require(node->m_bLeaf == expected.m_bLeaf, "leaves stay leaves and inner nodes inner");
    AppendValue(out, node->m_bLeaf);
    size_t faces = 0;
    for (const ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext, ++faces)
    {
        Require(faces < expected.m_aFaces.size(), "a leaf has no more faces than the file gives it");
        Require(face->m_usNumIndices == expected.m_aFaces[faces].m_ausIndices.size(),
                "a face keeps its number of indices");
        for (uint16_t i = 0; i < face->m_usNumIndices; ++i)
            Require(face->m_pusIndices[i] < terrain.m_ulNumLVertices, "indices lie within the shared vertices");
        AppendValue(out, face->m_usNumIndices);
        out.append(reinterpret_cast<const char*>(face->m_pusIndices), face->m_usNumIndices * sizeof(uint16_t));
    }
    Require(faces == expected.m_aFaces.size(), "a leaf keeps every face of the file");
    Require(!node->m_bLeaf || !node->m_pFront, "a leaf has no children");
    Require((node->m_pFront != nullptr) == (expected.m_lFront >= 0), "a front child exactly where the file has one");
    Require((node->m_pBack != nullptr) == (expected.m_lBack >= 0), "a back child exactly where the file has one");
    if (node->m_pFront)
        DescribeNode(terrain, node->m_pFront, read, next, out);
    if (node->m_pBack)
        DescribeNode(terrain, node->m_pBack, read, next, out);
}

std::string DescribeWorld(ZEEngine& engine, const ZEBSPTerrain& terrain, const ZEBspWriter& read)
{
    std::string out;
    size_t nodes = 0;
    Require(terrain.m_pRoot != nullptr, "a loaded map has a root");
    DescribeNode(terrain, terrain.m_pRoot, read, nodes, out);
    Require(nodes == read.m_aNodes.size(), "the engine's tree has every node of the file");
    AppendValue(out, terrain.m_ulNumLVertices);
    out.append(reinterpret_cast<const char*>(terrain.m_pLVertices), terrain.m_ulNumLVertices * sizeof(ZELVertex));
    AppendValue(out, terrain.m_fBrightness);
    AppendValue(out, terrain.m_pSkyBox != nullptr);
    uint32_t objects = 0, lights = 0, particles = 0;
    for (ZEEngineObject* object = engine.GetObjects(); object; object = object->m_pNext)
        ++objects;
    for (ZELight* light = engine.GetLights(); light; light = light->m_pNext)
        ++lights;
    for (ZEParticleSystem* system = engine.m_pParticleSystems; system; system = system->m_pNext)
        ++particles;
    AppendValue(out, objects);
    AppendValue(out, lights);
    AppendValue(out, particles);
    return out;
}

// ---------------------------------------------------------------------------
// Using a loaded map

void FreeDecals(ZEDecal* decal)
{
    while (decal)
    {
        ZEDecal* next = decal->m_pNext;
        delete decal;
        decal = next;
    }
}

// Segments, spheres and decals about the root's box: its middle, corners
// and a point well outside.
void Probe(ZEBSPTerrain& terrain)
{
    const ZEAABoundingBox* box = terrain.m_pRoot->GetBox();
    ZEVector low = box ? box->m_vMin : ZEVector(-100, -100, -100);
    ZEVector high = box ? box->m_vMax : ZEVector(100, 100, 100);
    ZEVector middle = (low + high) * 0.5f;
    const ZEVector points[] = {middle, low, high, ZEVector(low.x, high.y, middle.z), middle + ZEVector(0, 1000, 0)};
    std::unique_ptr<ZETextureReference> texture(
        ZETextureManager::ms_pTexManager->GetTexture(ZEString("mark"), ZEString("none"), false));
    for (const ZEVector& at : points)
    {
        ZEVector contact;
        _ZEClipInfo info;
        terrain.Clips(at + ZEVector(0, 50, 0), ZEVector(0, -100, 0));
        terrain.Clips(at - ZEVector(30, 0, 20), ZEVector(60, 1, 40), contact);
        terrain.Clips(at + ZEVector(0, 20, 0), ZEVector(1, -300, 2), info);
        ZEBoundingSphere sphere;
        sphere.SetData(at, 12.0f);
        ZEPlane plane;
        terrain.Clips(sphere);
        terrain.Clips(sphere, plane);
        FreeDecals(terrain.ApplyDecal(at, 16.0f, 8.0f, texture.get()));
    }
}

void Use(MapApp& app, ZEBSPTerrain& terrain)
{
    Probe(terrain);
    terrain.Render(app.m_pRenderer, nullptr);
    auto* timer = static_cast<ZEManualTimer*>(app.m_pTimer);
    for (int frame = 0; frame < 3; ++frame)
    {
        timer->Advance(40);
        app.m_pEngine->Idle();
    }
}

// The description of the world after loading the map, empty when it does
// not load; the checker's reading of the same bytes must agree.
std::string LoadAndDescribe(Environment& environment, const std::vector<uint8_t>& bytes, bool use)
{
    ZEBspWriter read;
    ZEString error;
    ZEMapCheckReport report;
    bool isMap = ZEReadMapFile(bytes, read, error, ZEMapReading::AsTheEngine) && ZECheckMapStructure(read, report);

    environment.App().LoadBSPFile(ZEString(kMapName));
    auto* terrain = static_cast<ZEBSPTerrain*>(environment.Engine().GetTerrain());
    if (!terrain)
    {
        Require(!isMap, "the engine loads every map the checker finds sound");
        Require(!environment.Engine().GetObjects() && !environment.Engine().GetLights() &&
                    !environment.Engine().m_pParticleSystems && !environment.Engine().GetDecals(),
                "a failed load leaves the world empty");
        return std::string();
    }
    Require(isMap, "every map the engine loads is one the checker reads and finds structurally sound");
    Require(terrain->m_bLoaded, "the world's terrain is loaded");
    std::string description = DescribeWorld(environment.Engine(), *terrain, read);
    if (use)
        Use(environment.App(), *terrain);
    environment.App().UnloadBSPFile();
    return description;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    static Environment environment;
    std::vector<uint8_t> input(bytes, bytes + length);
    environment.WriteLoose(bytes, length);
    std::string loose = LoadAndDescribe(environment, input, true);
    environment.RemoveLoose();

    if (environment.WritePackage(bytes, length))
    {
        std::string packed = LoadAndDescribe(environment, input, false);
        Require(packed == loose, "a packaged map loads exactly as the same bytes alone");
        environment.RemovePackage();
    }
    return 0;
}
