#include "ZEContactSheet.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <sstream>

namespace
{
const int kMargin = 16;
const int kGap = 14;
const int kLabelPixels = 13;
const int kHeadingPixels = 17;
const int kLineHeight = 17;
const uint8_t kBackground[3] = {46, 48, 54};
const uint8_t kFrame[3] = {110, 114, 124};
const uint8_t kBright[3] = {236, 236, 236};
const uint8_t kDim[3] = {150, 154, 164};
const uint8_t kHeading[3] = {255, 176, 64};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line))
        lines.push_back(line);
    return lines;
}

// Enlarges by the nearest texel or reduces by averaging, by one integer
// factor, so the longer side lands within [min, max] where it can.
std::vector<uint8_t> Rescale(const std::vector<uint8_t>& rgb, int& width, int& height)
{
    int longer = std::max(width, height);
    if (longer < ZEContactSheet::ms_iMinSide)
    {
        int factor = ZEContactSheet::ms_iMinSide / longer;
        std::vector<uint8_t> out(static_cast<size_t>(width) * factor * height * factor * 3);
        for (int y = 0; y < height * factor; ++y)
            for (int x = 0; x < width * factor; ++x)
                std::copy_n(&rgb[(static_cast<size_t>(y / factor) * width + x / factor) * 3], 3,
                            &out[(static_cast<size_t>(y) * width * factor + x) * 3]);
        width *= factor;
        height *= factor;
        return out;
    }
    int factor = (longer + ZEContactSheet::ms_iMaxSide - 1) / ZEContactSheet::ms_iMaxSide;
    if (factor <= 1)
        return rgb;
    int outWidth = std::max(1, width / factor), outHeight = std::max(1, height / factor);
    std::vector<uint8_t> out(static_cast<size_t>(outWidth) * outHeight * 3);
    for (int y = 0; y < outHeight; ++y)
        for (int x = 0; x < outWidth; ++x)
            for (int c = 0; c < 3; ++c)
            {
                int sum = 0, count = 0;
                for (int sy = y * factor; sy < std::min(height, (y + 1) * factor); ++sy)
                    for (int sx = x * factor; sx < std::min(width, (x + 1) * factor); ++sx, ++count)
                        sum += rgb[(static_cast<size_t>(sy) * width + sx) * 3 + c];
                out[(static_cast<size_t>(y) * outWidth + x) * 3 + c] = static_cast<uint8_t>(count ? sum / count : 0);
            }
    width = outWidth;
    height = outHeight;
    return out;
}
}

ZEContactSheet::ZEContactSheet(int width, const std::string& facePath) : m_iWidth(std::max(width, 2 * ms_iMaxSide))
{
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return;
    m_pLibrary = library;
    if (FT_New_Face(library, facePath.c_str(), 0, &face) == 0)
        m_pFace = face;
}

ZEContactSheet::~ZEContactSheet()
{
    if (m_pFace)
        FT_Done_Face(static_cast<FT_Face>(m_pFace));
    if (m_pLibrary)
        FT_Done_FreeType(static_cast<FT_Library>(m_pLibrary));
}

void ZEContactSheet::AddHeading(const std::string& text)
{
    Item item;
    item.m_bHeading = true;
    item.m_Text = text;
    m_aItems.push_back(item);
}

void ZEContactSheet::AddPicture(const std::vector<uint8_t>& rgb, int width, int height, const std::string& label)
{
    if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3)
        return;
    Item item;
    item.m_Text = label;
    item.m_iWidth = width;
    item.m_iHeight = height;
    item.m_aRGB = Rescale(rgb, item.m_iWidth, item.m_iHeight);
    m_aItems.push_back(std::move(item));
}

int ZEContactSheet::TextWidth(const std::string& text, int pixels)
{
    FT_Face face = static_cast<FT_Face>(m_pFace);
    if (!face || FT_Set_Pixel_Sizes(face, 0, pixels) != 0)
        return 0;
    int width = 0;
    for (unsigned char c : text)
        if (FT_Load_Char(face, c, FT_LOAD_DEFAULT) == 0)
            width += static_cast<int>(face->glyph->advance.x >> 6);
    return width;
}

void ZEContactSheet::DrawText(std::vector<uint8_t>& sheet, int sheetWidth, int sheetHeight, int x, int baseline,
                              const std::string& text, int pixels, const uint8_t color[3])
{
    FT_Face face = static_cast<FT_Face>(m_pFace);
    if (!face || FT_Set_Pixel_Sizes(face, 0, pixels) != 0)
        return;
    int pen = x;
    for (unsigned char c : text)
    {
        if (FT_Load_Char(face, c, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        for (int row = 0; row < static_cast<int>(bitmap.rows); ++row)
            for (int column = 0; column < static_cast<int>(bitmap.width); ++column)
            {
                int px = pen + slot->bitmap_left + column, py = baseline - slot->bitmap_top + row;
                if (px < 0 || py < 0 || px >= sheetWidth || py >= sheetHeight)
                    continue;
                float alpha = bitmap.buffer[row * bitmap.pitch + column] / 255.0f;
                uint8_t* pixel = &sheet[(static_cast<size_t>(py) * sheetWidth + px) * 3];
                for (int k = 0; k < 3; ++k)
                    pixel[k] = static_cast<uint8_t>(pixel[k] * (1.0f - alpha) + color[k] * alpha + 0.5f);
            }
        pen += static_cast<int>(slot->advance.x >> 6);
    }
}

int ZEContactSheet::Layout()
{
    int x = kMargin, y = kMargin, rowHeight = 0;
    for (Item& item : m_aItems)
    {
        if (item.m_bHeading)
        {
            if (x > kMargin)
                y += rowHeight + kGap;
            item.m_iX = kMargin;
            item.m_iY = y;
            y += kHeadingPixels + 10;
            x = kMargin;
            rowHeight = 0;
            continue;
        }
        int labelWidth = 0;
        std::vector<std::string> lines = Lines(item.m_Text);
        for (size_t i = 0; i < lines.size(); ++i)
            labelWidth = std::max(labelWidth, TextWidth(lines[i], kLabelPixels));
        int tileWidth = std::max(item.m_iWidth + 2, labelWidth);
        int tileHeight = item.m_iHeight + 2 + 6 + static_cast<int>(lines.size()) * kLineHeight;
        if (x > kMargin && x + tileWidth > m_iWidth - kMargin)
        {
            x = kMargin;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        item.m_iX = x;
        item.m_iY = y;
        x += tileWidth + kGap;
        rowHeight = std::max(rowHeight, tileHeight);
    }
    return y + rowHeight + kMargin;
}

std::vector<uint8_t> ZEContactSheet::Render(int& width, int& height)
{
    width = m_iWidth;
    height = Layout();
    std::vector<uint8_t> sheet(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0; i < sheet.size(); i += 3)
        std::copy_n(kBackground, 3, &sheet[i]);
    for (const Item& item : m_aItems)
    {
        if (item.m_bHeading)
        {
            DrawText(sheet, width, height, item.m_iX, item.m_iY + kHeadingPixels, item.m_Text, kHeadingPixels, kHeading);
            continue;
        }
        for (int y = -1; y <= item.m_iHeight; ++y)
            for (int x = -1; x <= item.m_iWidth; ++x)
            {
                int px = item.m_iX + 1 + x, py = item.m_iY + 1 + y;
                if (px >= width || py >= height)
                    continue;
                bool frame = x < 0 || y < 0 || x == item.m_iWidth || y == item.m_iHeight;
                const uint8_t* source = frame ? kFrame : &item.m_aRGB[(static_cast<size_t>(y) * item.m_iWidth + x) * 3];
                std::copy_n(source, 3, &sheet[(static_cast<size_t>(py) * width + px) * 3]);
            }
        std::vector<std::string> lines = Lines(item.m_Text);
        int baseline = item.m_iY + item.m_iHeight + 2 + 6 + kLabelPixels - 1;
        for (size_t i = 0; i < lines.size(); ++i, baseline += kLineHeight)
            DrawText(sheet, width, height, item.m_iX, baseline, lines[i], kLabelPixels, i == 0 ? kBright : kDim);
    }
    return sheet;
}
