// The basic family: plain fills for placeholders and simple surfaces.
#include "ZETexGen.h"

namespace
{
bool PaintSolid(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    canvas.Fill(params.Color("color", {0.5f, 0.5f, 0.5f}));
    return true;
}

bool PaintGradient(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor top = params.Color("top", {1.0f, 1.0f, 1.0f});
    ZETexColor bottom = params.Color("bottom", {0.0f, 0.0f, 0.0f});
    for (int y = 0; y < canvas.Height(); ++y)
    {
        ZETexColor color = ZEMix(top, bottom, canvas.Height() > 1 ? float(y) / (canvas.Height() - 1) : 0.0f);
        for (int x = 0; x < canvas.Width(); ++x)
            canvas.At(x, y) = color;
    }
    return true;
}

bool PaintChecker(ZETexParams& params, ZETexCanvas& canvas, std::string&)
{
    ZETexColor first = params.Color("color1", {0.85f, 0.85f, 0.85f});
    ZETexColor second = params.Color("color2", {0.25f, 0.25f, 0.25f});
    int cells = params.Int("cells", 8, 1, 4096);
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
        {
            int column = x * cells / canvas.Width(), row = y * cells / canvas.Height();
            canvas.At(x, y) = (column + row) % 2 == 0 ? first : second;
        }
    return true;
}
}

void ZERegisterBasicFamily(ZETexPainters& painters)
{
    painters.Add("solid", PaintSolid, "one colour; color");
    painters.Add("gradient", PaintGradient, "vertical gradient; top, bottom");
    painters.Add("checker", PaintChecker, "checkerboard of cells x cells squares; color1, color2, cells");
}
