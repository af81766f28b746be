// zeview: looks at a model or a map through the engine.
#include "ZEViewerApp.h"
#include "ZEViewerOptions.h"
#include "platform/sdl/ZESDLPlatform.h"

#include <cstdio>

int main(int argc, char** argv)
{
    ZEViewerOptions options;
    std::string error;
    if (argc < 2 || !ZEParseViewerOptions(argc, argv, options, error))
    {
        if (!error.empty())
            std::fprintf(stderr, "zeview: %s\n", error.c_str());
        std::fputs(ZEViewerUsage(), stderr);
        return 2;
    }
    // Exit() ends the process from inside the frame loop, so the
    // application must outlive main's stack frame.
    static ZEViewerApp app(options);
    return ZESDLMain(argc, argv);
}
