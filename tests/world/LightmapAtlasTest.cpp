// The lightmap pages as plain data: where lightmaps go, that their frames
// repeat their edges, and that sampling a remapped coordinate reads what
// the lightmap's own clamped texture gives.
#include "world/ZELightmapAtlas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace
{
// Bilinear sampling with clamped edges, as a lightmap texture samples.
double Sample(const uint8_t* texels, uint32_t width, uint32_t height, double s, double t)
{
    double x = s * width - 0.5, y = t * height - 0.5;
    double fx = x - std::floor(x), fy = y - std::floor(y);
    auto at = [&](double px, double py) {
        long cx = std::lround(std::floor(px)), cy = std::lround(std::floor(py));
        cx = cx < 0 ? 0 : (cx >= static_cast<long>(width) ? static_cast<long>(width) - 1 : cx);
        cy = cy < 0 ? 0 : (cy >= static_cast<long>(height) ? static_cast<long>(height) - 1 : cy);
        return static_cast<double>(texels[cy * width + cx]);
    };
    double top = at(x, y) * (1 - fx) + at(x + 1, y) * fx;
    double bottom = at(x, y + 1) * (1 - fx) + at(x + 1, y + 1) * fx;
    return top * (1 - fy) + bottom * fy;
}

std::vector<uint8_t> Noise(uint32_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> texels(count);
    for (uint8_t& texel : texels)
        texel = static_cast<uint8_t>(random());
    return texels;
}

struct Rect
{
    int32_t m_lPage;
    uint32_t x0, y0, x1, y1;   // framed, exclusive ends
};
}

TEST(LightmapAtlas, FramedLightmapsLieApartWithinPowerOfTwoPagesAndTheLastShrinks)
{
    std::vector<ZELightmapSize> sizes;
    for (uint16_t i = 0; i < 300; ++i)
        sizes.push_back(ZELightmapSize{static_cast<uint16_t>(4u << (i % 4)), static_cast<uint16_t>(4u << (i % 3))});
    ZELightmapAtlas atlas(128);
    atlas.Pack(sizes);

    const uint32_t b = ZELightmapAtlas::ms_ulBorder;
    std::vector<Rect> rects;
    for (size_t i = 0; i < sizes.size(); ++i)
    {
        const ZELightmapSlot& slot = atlas.GetSlots()[i];
        ASSERT_TRUE(slot.IsPlaced()) << i;
        const ZELightmapPage& page = atlas.GetPages()[slot.m_lPage];
        Rect rect{slot.m_lPage, slot.m_ulX - b, slot.m_ulY - b, slot.m_ulX + sizes[i].m_usWidth + b,
                  slot.m_ulY + sizes[i].m_usHeight + b};
        EXPECT_GE(slot.m_ulX, b);
        EXPECT_GE(slot.m_ulY, b);
        EXPECT_LE(rect.x1, page.m_ulWidth) << i;
        EXPECT_LE(rect.y1, page.m_ulHeight) << i;
        for (const Rect& other : rects)
        {
            bool apart = other.m_lPage != rect.m_lPage || other.x1 <= rect.x0 || rect.x1 <= other.x0 ||
                         other.y1 <= rect.y0 || rect.y1 <= other.y0;
            ASSERT_TRUE(apart) << "lightmap " << i << " overlaps an earlier one";
        }
        rects.push_back(rect);
    }
    const std::vector<ZELightmapPage>& pages = atlas.GetPages();
    ASSERT_GT(pages.size(), 1u);
    for (size_t p = 0; p + 1 < pages.size(); ++p)
        EXPECT_TRUE(pages[p].m_ulWidth == 128 && pages[p].m_ulHeight == 128) << p;
    const ZELightmapPage& last = pages.back();
    EXPECT_EQ(last.m_ulWidth & (last.m_ulWidth - 1), 0u);
    EXPECT_EQ(last.m_ulHeight & (last.m_ulHeight - 1), 0u);
    EXPECT_EQ(last.m_aucTexels.size(), static_cast<size_t>(last.m_ulWidth) * last.m_ulHeight);

    // Few pages for what they hold: the framed texels fill most of them.
    uint64_t framed = 0, paged = 0;
    for (const Rect& rect : rects)
        framed += static_cast<uint64_t>(rect.x1 - rect.x0) * (rect.y1 - rect.y0);
    for (const ZELightmapPage& page : pages)
        paged += static_cast<uint64_t>(page.m_ulWidth) * page.m_ulHeight;
    EXPECT_GT(framed * 10, paged * 7) << framed << " framed texels in " << paged;
}

TEST(LightmapAtlas, EmptyAndOversizedLightmapsGetNoSlotAndOneAloneGetsASmallPage)
{
    ZELightmapAtlas atlas(64);
    atlas.Pack({{0, 4}, {4, 0}, {63, 4}, {62, 4}, {4, 63}, {5, 3}});
    const std::vector<ZELightmapSlot>& slots = atlas.GetSlots();
    EXPECT_FALSE(slots[0].IsPlaced());
    EXPECT_FALSE(slots[1].IsPlaced());
    EXPECT_FALSE(slots[2].IsPlaced()) << "63 + its frame is wider than the page";
    EXPECT_TRUE(slots[3].IsPlaced());
    EXPECT_FALSE(slots[4].IsPlaced());
    EXPECT_TRUE(slots[5].IsPlaced());

    ZELightmapAtlas alone(1024);
    alone.Pack({{5, 3}});
    ASSERT_EQ(alone.GetPages().size(), 1u);
    EXPECT_EQ(alone.GetPages()[0].m_ulWidth, 8u);
    EXPECT_EQ(alone.GetPages()[0].m_ulHeight, 8u);
    EXPECT_EQ(alone.GetSlots()[0].m_ulX, 1u);
    EXPECT_EQ(alone.GetSlots()[0].m_ulY, 1u);
}

TEST(LightmapAtlas, TexelsLandAtTheirSlotFramedByTheirEdges)
{
    ZELightmapAtlas atlas(64);
    atlas.Pack({{3, 2}, {4, 4}});
    const uint8_t small[6] = {1, 2, 3, 4, 5, 6};   // rows {1 2 3}, {4 5 6}
    atlas.Fill(0, small);
    atlas.Fill(1, Noise(16, 1).data());

    const ZELightmapSlot& slot = atlas.GetSlots()[0];
    const ZELightmapPage& page = atlas.GetPages()[slot.m_lPage];
    auto at = [&](int32_t i, int32_t j) { return page.m_aucTexels[(slot.m_ulY + j) * page.m_ulWidth + slot.m_ulX + i]; };
    const uint8_t expected[4][5] = {{1, 1, 2, 3, 3}, {1, 1, 2, 3, 3}, {4, 4, 5, 6, 6}, {4, 4, 5, 6, 6}};
    for (int32_t j = -1; j <= 2; ++j)
        for (int32_t i = -1; i <= 3; ++i)
            EXPECT_EQ(at(i, j), expected[j + 1][i + 1]) << i << ", " << j;
}

TEST(LightmapAtlas, RemappedCoordinatesSampleTheSameAsTheLightmapWithinReach)
{
    std::vector<ZELightmapSize> sizes = {{4, 4}, {8, 4}, {16, 32}, {4, 8}, {32, 16}, {5, 7}};
    ZELightmapAtlas atlas(64);
    atlas.Pack(sizes);
    std::vector<std::vector<uint8_t>> lightmaps;
    for (size_t i = 0; i < sizes.size(); ++i)
    {
        lightmaps.push_back(Noise(sizes[i].m_usWidth * sizes[i].m_usHeight, static_cast<uint32_t>(i + 7)));
        atlas.Fill(static_cast<uint32_t>(i), lightmaps[i].data());
    }
    std::mt19937 random(3);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (size_t i = 0; i < sizes.size(); ++i)
    {
        const ZELightmapSize& size = sizes[i];
        const ZELightmapPage& page = atlas.GetPages()[atlas.GetSlots()[i].m_lPage];
        for (int n = 0; n < 400; ++n)
        {
            // Anywhere from a quarter texel before the first edge to a
            // quarter texel past the last.
            float lu = (unit(random) * (size.m_usWidth + 0.48f) - 0.24f) / size.m_usWidth;
            float lv = (unit(random) * (size.m_usHeight + 0.48f) - 0.24f) / size.m_usHeight;
            ASSERT_TRUE(ZELightmapAtlas::Reproduces(lu, lv, size.m_usWidth, size.m_usHeight));
            double own = Sample(lightmaps[i].data(), size.m_usWidth, size.m_usHeight, lu, lv);
            float pu = lu, pv = lv;
            atlas.Remap(static_cast<uint32_t>(i), pu, pv);
            double paged = Sample(page.m_aucTexels.data(), page.m_ulWidth, page.m_ulHeight, pu, pv);
            ASSERT_NEAR(paged, own, 0.05) << "lightmap " << i << " at " << lu << ", " << lv;
        }
    }
}

TEST(LightmapAtlas, ReachIsAQuarterTexelBeyondTheEdges)
{
    EXPECT_TRUE(ZELightmapAtlas::Reproduces(0.0f, 1.0f, 4, 8));
    EXPECT_TRUE(ZELightmapAtlas::Reproduces(-0.0625f, 1.03125f, 4, 8));
    EXPECT_FALSE(ZELightmapAtlas::Reproduces(-0.07f, 0.5f, 4, 8));
    EXPECT_FALSE(ZELightmapAtlas::Reproduces(0.5f, 1.04f, 4, 8));
    EXPECT_FALSE(ZELightmapAtlas::Reproduces(std::nanf(""), 0.5f, 4, 8));
}
