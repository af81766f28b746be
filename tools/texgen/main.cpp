// zetexgen: paints one texture package from its text description.
//
//   zetexgen <description.txt> <package.tex>   paints and writes the package
//   zetexgen --painters                        lists the painters and their keys
//
// Any fault in the description prints "file:line: why" and ends with
// status 1, leaving an existing package untouched; a wrong command line
// ends with status 2.
#include "ZETexGen.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    ZETexPainters painters;
    ZERegisterAllTexFamilies(painters);
    if (argc == 2 && std::strcmp(argv[1], "--painters") == 0)
    {
        for (const std::string& line : painters.Describe())
            std::printf("%s\n", line.c_str());
        return 0;
    }
    if (argc != 3)
    {
        std::fprintf(stderr,
                     "usage: zetexgen <description.txt> <package.tex>\n"
                     "       zetexgen --painters\n");
        return 2;
    }
    std::string error;
    if (!ZEBuildTexPackage(painters, argv[1], argv[2], error))
    {
        std::fprintf(stderr, "zetexgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
