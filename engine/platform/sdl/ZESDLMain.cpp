// The program's entry point. Kept in its own library so that only the game
// links it; tests bring their own main.
#include "platform/sdl/ZESDLPlatform.h"

int main(int argc, char** argv)
{
    return ZESDLMain(argc, argv);
}
