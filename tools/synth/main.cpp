// zesynth: renders one sound or tune from its text description.
//
//   zesynth <description.txt> <sound.ogg> [--wav <sound.wav>]
//
// A fault in the description prints "file:line: why" and ends with status
// 1, leaving existing outputs untouched; a wrong command line ends with
// status 2.
#include "ZESynth.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    bool withWave = argc == 5 && std::strcmp(argv[3], "--wav") == 0;
    if (argc != 3 && !withWave)
    {
        std::fprintf(stderr, "usage: zesynth <description.txt> <sound.ogg> [--wav <sound.wav>]\n");
        return 2;
    }
    std::string error;
    if (!ZEBuildSynthSound(argv[1], argv[2], withWave ? argv[4] : "", error))
    {
        std::fprintf(stderr, "zesynth: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
