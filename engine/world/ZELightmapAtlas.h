// ZELightmapAtlas: many small luminance lightmaps packed into a few large
// pages, so that the faces of a map draw with few lightmap textures.
//
// Layout: every lightmap keeps its own texels, unscaled, inside a frame of
// ms_ulBorder texels that repeats its edge texels (the corners repeat the
// corner texels). Bilinear or nearest sampling within half a texel beyond a
// lightmap's edges therefore reads exactly what the lightmap's own clamped
// texture gave, and never a neighbour. Pages are square powers of two of
// the side asked for, except the last, which shrinks to the smallest powers
// of two that hold what it got. Rows run from t = 0 (the first row of a
// lightmap is the lowest page row it covers), as in the lightmaps
// themselves.
//
// Packing: shelves, filled left to right, in order of framed height (then
// width), tallest first; a new page opens when a lightmap fits on no shelf
// of the current one. The order of the input decides nothing else: slots
// come back in the input's order.
//
// Refusals: a lightmap of side 0, or one whose frame is wider or taller
// than a page, gets no slot (its page is ms_lNoPage); its face keeps a
// texture of its own. A coordinate is remapped only where the frame
// reproduces the lightmap's own sampling (Reproduces); a face with another
// coordinate keeps its own texture too. Deciding that is the caller's part.
//
// Everything here is plain data: no texture manager, no renderer.
#pragma once

#include <cstdint>
#include <vector>

struct ZELightmapSize
{
    uint16_t m_usWidth = 0;
    uint16_t m_usHeight = 0;
};

// Where one lightmap went: the page, and the page texel of its own texel
// (0, 0), inside its frame.
struct ZELightmapSlot
{
    int32_t m_lPage = -1;
    uint32_t m_ulX = 0;
    uint32_t m_ulY = 0;

    bool IsPlaced() const { return m_lPage >= 0; }
};

struct ZELightmapPage
{
    uint32_t m_ulWidth = 0;
    uint32_t m_ulHeight = 0;
    std::vector<uint8_t> m_aucTexels;    // width x height, rows from t = 0
};

class ZELightmapAtlas
{
public:
    static constexpr uint32_t ms_ulBorder = 1;
    static constexpr int32_t ms_lNoPage = -1;

    // Pages of side x side texels (a power of two of at least 4).
    explicit ZELightmapAtlas(uint32_t side);

    // Places every lightmap of `sizes`; replaces an earlier packing. Pages
    // are sized but hold zeros until Fill.
    void Pack(const std::vector<ZELightmapSize>& sizes);
    // Copies lightmap `index` (width x height bytes, the size it was packed
    // with) into its page with its frame; nothing for an unplaced one.
    void Fill(uint32_t index, const uint8_t* texels);

    // The page coordinates of lightmap coordinates of lightmap `index`
    // (placed): the same texel position in the page.
    void Remap(uint32_t index, float& lu, float& lv) const;
    // Whether lightmap coordinates of a width x height lightmap are sure to
    // read the same through its framed copy as through its own clamped
    // texture: within a quarter texel beyond its edges, which leaves a
    // quarter texel for rounding as the rasteriser interpolates them (NaN
    // never).
    static bool Reproduces(float lu, float lv, uint16_t width, uint16_t height);

    const std::vector<ZELightmapSlot>& GetSlots() const { return m_aSlots; }
    const std::vector<ZELightmapPage>& GetPages() const { return m_aPages; }
    std::vector<ZELightmapPage>& GetPages() { return m_aPages; }

private:
    struct Shelf
    {
        uint32_t m_ulY, m_ulHeight, m_ulUsed;
    };

    // The items' order of placement: tallest frame first, then widest.
    std::vector<uint32_t> PlacementOrder() const;
    // Puts one framed item on a shelf of the current page, opening a shelf
    // or a page as needed.
    void Place(uint32_t index, uint32_t framedWidth, uint32_t framedHeight);
    // Shrinks the last page and allocates every page's texels.
    void FinishPages();

    uint32_t m_ulSide;
    std::vector<ZELightmapSize> m_aSizes;
    std::vector<ZELightmapSlot> m_aSlots;
    std::vector<ZELightmapPage> m_aPages;
    std::vector<Shelf> m_aShelves;         // of the current (last) page
};
