// A small RGB canvas for the textures a model carries: liveries, sign
// faces, tyre and lamp images.
//
// Shapes are given in the canvas's own area coordinates: the rectangle
// (left, bottom)-(right, top) that the image spans on the part it is
// projected onto (for a car's side, z along and y up, in the model's
// units). Row 0 of the pixels is the bottom of the area, which is where a
// texture coordinate v of 0 samples, so what is painted at a height shows
// at that height on the model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZEColor
{
    uint8_t r = 255;
    uint8_t g = 255;
    uint8_t b = 255;
};

class ZEModelImage
{
public:
    ZEModelImage(uint16_t width, uint16_t height, float left, float bottom, float right, float top);

    void Fill(const ZEColor& color);
    void Rectangle(float x0, float y0, float x1, float y1, const ZEColor& color);
    void Circle(float x, float y, float radius, const ZEColor& color);
    // Everything between the two radii.
    void Ring(float x, float y, float inner, float outer, const ZEColor& color);
    // A filled polygon (even-odd rule), points as x, y pairs.
    void Polygon(const std::vector<float>& points, const ZEColor& color);
    // Block letters of a 5 x 7 font, `height` tall, starting at the lower
    // left corner (x, y); letters without a glyph leave a gap. False when a
    // letter has no glyph.
    bool Text(float x, float y, float height, const std::string& text, const ZEColor& color);
    // Multiplies each row by a factor from `bottom` to `top`.
    void Gradient(float bottom, float top);
    // Darkens by up to `amount` (0..1) with fixed noise, for dirt and wear.
    void Grain(float amount);

    uint16_t GetWidth() const { return m_usWidth; }
    uint16_t GetHeight() const { return m_usHeight; }
    const std::vector<uint8_t>& GetPixels() const { return m_aPixels; }

    static bool HasGlyph(char letter);

private:
    // The pixel centre of column/row i in area coordinates.
    float X(int column) const;
    float Y(int row) const;
    void Set(int column, int row, const ZEColor& color);
    template <typename Inside>
    void Paint(const Inside& inside, const ZEColor& color);

    uint16_t m_usWidth;
    uint16_t m_usHeight;
    float m_fLeft, m_fBottom, m_fRight, m_fTop;
    std::vector<uint8_t> m_aPixels;
};
