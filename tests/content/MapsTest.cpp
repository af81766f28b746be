// Every map the build makes from content/maps, as the game meets it: packed
// in wrenzo.maps, clean by the map check, every texture and model it names
// present in the packages the game loads, and loaded by the engine with its
// terrain and sky box.
#include "ZEBspWriter.h"
#include "ZEMapCheck.h"
#include "ZEPackReader.h"
#include "ZETexReader.h"
#include "core/ZEFileManager.h"
#include "support/TestApplication.h"
#include "world/ZEEngine.h"
#include "world/ZETerrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace
{
const std::string kMainDir = WRENZO_MAIN_DIR;

std::vector<std::string> MapNames()
{
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(WRENZO_SOURCE_DIR "/content/maps"))
        if (file.path().extension() == ".toml")
            names.push_back(file.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<uint8_t> ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// An archive's files by name, with their bytes.
std::map<std::string, std::vector<uint8_t>> Unpack(const std::string& archive)
{
    std::vector<ZEPackEntry> entries;
    std::string error;
    EXPECT_TRUE(ZEListPackEntries(kMainDir + "/" + archive, entries, error)) << error;
    std::vector<uint8_t> bytes = ReadFile(kMainDir + "/" + archive);
    std::map<std::string, std::vector<uint8_t>> files;
    for (const ZEPackEntry& entry : entries)
        files[entry.m_Name].assign(bytes.begin() + entry.m_ulOffset, bytes.begin() + entry.m_ulOffset + entry.m_ulSize);
    return files;
}

// "package/name" of every texture in wrenzo.textures.
std::set<std::string> GameTextures()
{
    std::set<std::string> names;
    for (const auto& [path, bytes] : Unpack("wrenzo.textures"))
    {
        std::vector<ZETexReadImage> images;
        std::string error;
        EXPECT_TRUE(ZEReadTexPackage(bytes.data(), bytes.size(), images, error)) << path << ": " << error;
        std::string package = std::filesystem::path(path).stem().string();
        for (const ZETexReadImage& image : images)
            names.insert(package + "/" + image.m_Name);
    }
    return names;
}

class TerrainOnly : public ZETestApplication
{
public:
    bool ReceiveCustomEntity(ZECustomEntity*) override { return false; }
};
}

TEST(MapsTest, EveryMapIsPackedCleanAndNamesOnlyTexturesAndModelsThatExist)
{
    std::vector<std::string> names = MapNames();
    ASSERT_GE(names.size(), 8u);   // five tracks, two logo scenes, the test track
    std::map<std::string, std::vector<uint8_t>> maps = Unpack("wrenzo.maps");
    std::map<std::string, std::vector<uint8_t>> models = Unpack("wrenzo.models");
    std::set<std::string> textures = GameTextures();
    for (const std::string& name : names)
    {
        SCOPED_TRACE(name);
        auto packed = maps.find("maps/" + name + ".bsp");
        ASSERT_NE(packed, maps.end());
        ZEBspWriter map;
        ZEString error;
        ASSERT_TRUE(ZEReadMapFile(packed->second, map, error)) << error.CStr();
        ZEMapCheckReport report;
        EXPECT_TRUE(ZECheckMap(map, report)) << (report.m_aProblems.empty() ? "" : report.m_aProblems[0].CStr());
        for (const ZEBspWriter::Texture& texture : map.m_aTextures)
            EXPECT_TRUE(textures.count(std::string(texture.m_Package.CStr()) + "/" + texture.m_Name.CStr()))
                << texture.m_Package.CStr() << "/" << texture.m_Name.CStr();
        for (const ZEBspWriter::Entity& entity : map.m_aEntities)
            if (entity.m_ClassName == ZEString("ModelObject") && entity.m_aucData.size() >= 60)
            {
                std::string model(reinterpret_cast<const char*>(entity.m_aucData.data() + 28));
                EXPECT_TRUE(models.count("models/" + model.substr(0, 31))) << model;
            }
    }
}

TEST(MapsTest, TheEngineLoadsEveryMapWithItsTerrainAndSkyBox)
{
    for (const std::string& name : MapNames())
    {
        SCOPED_TRACE(name);
        TerrainOnly app;
        app.Initialize();
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(kMainDir.c_str()));
        app.LoadBSPFile(ZEString((name + ".bsp").c_str()));
        ZETerrain* terrain = ZEEngine::ms_pEngine->GetTerrain();
        ASSERT_NE(terrain, nullptr);
        EXPECT_NE(terrain->m_pSkyBox, nullptr);
        app.Exit();
    }
}
