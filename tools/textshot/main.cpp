// zetextshot: a picture of text drawn with the engine's font.
//
//   zetextshot <picture.png> [WIDTHxHEIGHT]
//
// Run it from a working directory that holds "main/" with the engine's
// package (build/run after a build), with a display (xvfb-run -a works).
#include "ZETextShotApp.h"
#include "platform/sdl/ZESDLPlatform.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    unsigned width = 800, height = 600;
    if (argc < 2 || argc > 3 || (argc == 3 && (std::sscanf(argv[2], "%ux%u", &width, &height) != 2 ||
                                                width < 320 || height < 240 || width > 4096 || height > 4096)))
    {
        std::fprintf(stderr, "usage: zetextshot <picture.png> [WIDTHxHEIGHT]\n");
        return 2;
    }
    // Exit() ends the process from inside the frame loop, so the
    // application must outlive main's stack frame.
    static ZETextShotApp app(argv[1], static_cast<uint16_t>(width), static_cast<uint16_t>(height));
    return ZESDLMain(argc, argv);
}
