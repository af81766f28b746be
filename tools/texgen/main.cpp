// zetexgen: paints one texture package from its text description.
//
//   zetexgen [--pictures DIR] <description.txt> <package.tex>
//                       paints and writes the package; relative picture
//                       names are found in DIR (default: the working folder)
//   zetexgen --painters lists the painters and their keys
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
    std::string pictures;
    int first = 1;
    if (argc == 5 && std::strcmp(argv[1], "--pictures") == 0)
    {
        pictures = argv[2];
        first = 3;
    }
    if (argc - first != 2 || pictures.empty() != (first == 1))
    {
        std::fprintf(stderr,
                     "usage: zetexgen [--pictures DIR] <description.txt> <package.tex>\n"
                     "       zetexgen --painters\n");
        return 2;
    }
    std::string error;
    if (!ZEBuildTexPackage(painters, argv[first], argv[first + 1], error, pictures))
    {
        std::fprintf(stderr, "zetexgen: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
