// zemapplan: draws the plan of a compiled map as a PNG.
//
//   zemapplan <map.bsp> <plan.png> [--size N] [--textures DIR]
//
// --size is the longer side in pixels (default 1024). With --textures the
// faces take the average colours of the texture packages DIR/<package>.tex
// the map names; without it they are grey by height. A map or package that
// cannot be read ends with status 1, a wrong command line with status 2.
#include "ZEBspWriter.h"
#include "ZEMapCheck.h"
#include "ZEMapPlan.h"
#include "ZEPngWriter.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace
{
int Usage()
{
    std::fprintf(stderr, "usage: zemapplan <map.bsp> <plan.png> [--size N] [--textures DIR]\n");
    return 2;
}

bool ReadMap(const char* path, ZEBspWriter& map)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ZEString error;
    if (!file.eof() && !file)
        error = ZEString("cannot be read");
    else if (ZEReadMapFile(bytes, map, error))
        return true;
    std::fprintf(stderr, "%s: %s\n", path, error.CStr());
    return false;
}

bool LoadPalette(const ZEBspWriter& map, const std::string& folder, ZEMapPlanPalette& palette)
{
    std::set<std::string> packages;
    for (const ZEBspWriter::Texture& texture : map.m_aTextures)
        packages.insert(texture.m_Package.CStr());
    for (const std::string& package : packages)
    {
        std::string path = folder + "/" + package + ".tex", error;
        if (!ZEAddPlanPalette(path, package, palette, error))
        {
            std::fprintf(stderr, "%s\n", error.c_str());
            return false;
        }
    }
    return true;
}
}

int main(int argc, char** argv)
{
    if (argc < 3 || argv[1][0] == '-' || argv[2][0] == '-')
        return Usage();
    long size = 1024;
    std::string textures;
    for (int k = 3; k < argc; k += 2)
    {
        if (k + 1 >= argc)
            return Usage();
        if (std::strcmp(argv[k], "--size") == 0)
            size = std::strtol(argv[k + 1], nullptr, 10);
        else if (std::strcmp(argv[k], "--textures") == 0)
            textures = argv[k + 1];
        else
            return Usage();
    }
    if (size < 64 || size > 8192)
        return Usage();
    ZEBspWriter map;
    ZEMapPlanPalette palette;
    if (!ReadMap(argv[1], map) || (!textures.empty() && !LoadPalette(map, textures, palette)))
        return 1;
    ZEMapPlanImage plan = ZEDrawMapPlan(map, palette, uint32_t(size));
    std::string error;
    if (!ZEWritePNG(argv[2], plan.m_aRGB.data(), plan.m_ulWidth, plan.m_ulHeight, error))
    {
        std::fprintf(stderr, "%s: %s\n", argv[2], error.c_str());
        return 1;
    }
    return 0;
}
