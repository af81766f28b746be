// zetestmodel: writes a small model for looking at the model path end to
// end - a checker-textured crate on a grey plinth with a red beacon on top.
//
//   zetestmodel OUT.zmf
#include "ZEZmfWriter.h"

#include <cstdio>
#include <vector>

namespace
{
// An orange and cream checkerboard with a dark border, so orientation and
// texture coordinates are easy to read in a screenshot.
std::vector<uint8_t> CrateTexture(uint16_t size)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(size) * size * 3);
    for (uint16_t y = 0; y < size; ++y)
    {
        for (uint16_t x = 0; x < size; ++x)
        {
            uint8_t* texel = &rgb[(static_cast<size_t>(y) * size + x) * 3];
            bool border = x < 4 || y < 4 || x >= size - 4 || y >= size - 4;
            bool light = ((x / 8) + (y / 8)) % 2 == 0;
            texel[0] = border ? 60 : (light ? 240 : 210);
            texel[1] = border ? 40 : (light ? 225 : 110);
            texel[2] = border ? 20 : (light ? 190 : 30);
        }
    }
    return rgb;
}
}

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: zetestmodel OUT.zmf\n");
        return 2;
    }
    ZEZmfWriter writer;
    uint32_t grey = writer.AddMaterial(130, 130, 140);
    uint32_t red = writer.AddMaterial(220, 30, 30);
    writer.AddTexturedBox(ZEVector(0, 10, 0), ZEVector(8, 8, 8), ZEString("crate"), 64, 64, CrateTexture(64));
    writer.AddBox(ZEVector(0, 1, 0), ZEVector(12, 1, 12), 0, static_cast<uint16_t>(grey));
    writer.AddBox(ZEVector(0, 20, 0), ZEVector(2, 2, 2), 0, static_cast<uint16_t>(red));
    if (!writer.Write(ZEString(argv[1])))
    {
        std::fprintf(stderr, "zetestmodel: %s\n", writer.GetError().CStr());
        return 1;
    }
    std::printf("zetestmodel: wrote %s\n", argv[1]);
    return 0;
}
