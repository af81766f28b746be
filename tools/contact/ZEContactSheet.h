// ZEContactSheet: lays out pictures with labels on one sheet.
//
// Items are placed left to right in rows (a heading starts a new row of
// its own). A picture is shown at an integer scale: small ones enlarged
// with the nearest texel until they are at least ms_iMinSide texels, large
// ones reduced by averaging until they fit ms_iMaxSide, so texels stay
// sharp and comparable. Each picture gets a thin frame and its label
// below it (first line bright, further lines dim). Text is drawn with a
// TrueType face through FreeType; without the face the sheet still shows
// every picture, unlabelled.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ZEContactSheet
{
public:
    ZEContactSheet(int width, const std::string& facePath);
    ~ZEContactSheet();

    ZEContactSheet(const ZEContactSheet&) = delete;
    ZEContactSheet& operator=(const ZEContactSheet&) = delete;

    void AddHeading(const std::string& text);
    // `rgb` holds width x height triples, top row first. `label` may hold
    // several lines separated by "\n".
    void AddPicture(const std::vector<uint8_t>& rgb, int width, int height, const std::string& label);

    // The finished sheet, top row first; its size in the arguments.
    std::vector<uint8_t> Render(int& width, int& height);

    bool HasFace() const { return m_pFace != nullptr; }

    static const int ms_iMinSide = 128;
    static const int ms_iMaxSide = 512;

private:
    struct Item
    {
        bool m_bHeading = false;
        std::string m_Text;
        std::vector<uint8_t> m_aRGB;   // already scaled
        int m_iWidth = 0;
        int m_iHeight = 0;
        int m_iX = 0;
        int m_iY = 0;
    };

    int TextWidth(const std::string& text, int pixels);
    void DrawText(std::vector<uint8_t>& sheet, int sheetWidth, int sheetHeight, int x, int baseline,
                  const std::string& text, int pixels, const uint8_t color[3]);
    int Layout();

    int m_iWidth;
    std::vector<Item> m_aItems;
    void* m_pLibrary = nullptr;   // FT_Library
    void* m_pFace = nullptr;      // FT_Face
};
