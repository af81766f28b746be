// Fuzz target: the RIFF WAVE loader (ZESoundLoader::LoadWave) on any bytes,
// alone and as a window into a package-like stream (rules: SoundFuzz.h).
#include "SoundFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    fuzz::FuzzSoundLoader(&ZESoundLoader::LoadWave, bytes, length);
    return 0;
}
