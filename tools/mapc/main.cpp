// zemapc: the map compiler.
//
//   zemapc <track.toml> <map.bsp>   compiles a track description into a map
//   zemapc --check <map.bsp>        verifies any map file
//
// A description that breaks a rule prints "file:line: why" for every rule
// broken and ends with status 1, leaving an existing map untouched; a map
// that fails its check prints every problem and ends with status 1; a wrong
// command line ends with status 2.
#include "ZEMapCheck.h"
#include "ZEMapCompiler.h"

#include <cstdio>
#include <cstring>

namespace
{
int Check(const char* path)
{
    ZEMapCheckReport report;
    bool clean = ZECheckMapFile(ZEString(path), report);
    for (const ZEString& problem : report.m_aProblems)
        std::fprintf(stderr, "%s: %s\n", path, problem.CStr());
    if (!clean)
        return 1;
    std::printf("%s: ok - %u faces (%u transparent), %u nodes, %u leaves, depth %u, %llu lightmap texels, "
                "%u entities (%u track nodes, %u AI nodes, %u start positions, %u pickups)\n",
                path, report.m_ulFaces, report.m_ulTransparentFaces, report.m_ulNodes, report.m_ulLeaves,
                report.m_ulDepth, static_cast<unsigned long long>(report.m_ullTexels), report.m_ulEntities,
                report.m_ulTrackNodes, report.m_ulAINodes, report.m_ulStartPositions, report.m_ulPowerUps);
    return 0;
}

int Compile(const char* input, const char* output)
{
    ZEMapMessages messages{ZEString(input)};
    ZEMapStats stats;
    if (!ZECompileMapFile(ZEString(input), ZEString(output), messages, stats))
    {
        for (const ZEString& error : messages.GetErrors())
            std::fprintf(stderr, "%s\n", error.CStr());
        return 1;
    }
    std::printf("zemapc: %s -> %s\n%s\n", input, output, ZEDescribeMapStats(stats).CStr());
    return 0;
}
}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--check") == 0)
        return Check(argv[2]);
    if (argc == 3 && argv[1][0] != '-')
        return Compile(argv[1], argv[2]);
    std::fprintf(stderr,
                 "usage: zemapc <track.toml> <map.bsp>\n"
                 "       zemapc --check <map.bsp>\n");
    return 2;
}
