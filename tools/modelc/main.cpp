// zemodelc: the model compiler.
//
//   zemodelc <name.txt> <name.zmf>   compiles a model description
//   zemodelc --keys                  lists the keys of every section type
//
// A description that breaks a rule prints "file:line: why" for every rule
// broken and ends with status 1, leaving an existing model untouched; a
// wrong command line ends with status 2. On success it prints the
// triangles per level of detail, the bounding box and the sizes the game
// derives from it.
#include "ZEModelCompiler.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--keys") == 0)
    {
        std::fputs(ZEDescribeModelKeys().c_str(), stdout);
        return 0;
    }
    if (argc != 3 || argv[1][0] == '-')
    {
        std::fprintf(stderr, "usage: zemodelc <name.txt> <name.zmf>\n       zemodelc --keys\n");
        return 2;
    }
    std::vector<std::string> errors;
    ZEModelReport report;
    if (!ZECompileModelFile(argv[1], argv[2], errors, report))
    {
        for (const std::string& error : errors)
            std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("zemodelc: %s -> %s\n%s", argv[1], argv[2], report.Describe().c_str());
    return 0;
}
