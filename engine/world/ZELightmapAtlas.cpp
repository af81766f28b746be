#include "world/ZELightmapAtlas.h"

#include <algorithm>
#include <numeric>

namespace
{
// The reach beyond a lightmap's edges, in texels, that Reproduces accepts.
const float kReach = 0.25f;

uint32_t PowerOfTwoAtLeast(uint32_t value)
{
    uint32_t power = 1;
    while (power < value)
        power <<= 1;
    return power;
}

uint32_t Clamp(int64_t value, uint32_t size)
{
    if (value < 0)
        return 0;
    return value >= size ? size - 1 : static_cast<uint32_t>(value);
}

bool WithinReach(float coordinate, uint16_t size)
{
    float texel = coordinate * size;
    return texel >= -kReach && texel <= size + kReach;
}
}

ZELightmapAtlas::ZELightmapAtlas(uint32_t side)
    : m_ulSide(std::max<uint32_t>(PowerOfTwoAtLeast(side), 4))
{
}

void ZELightmapAtlas::Pack(const std::vector<ZELightmapSize>& sizes)
{
    m_aSizes = sizes;
    m_aSlots.assign(sizes.size(), ZELightmapSlot());
    m_aPages.clear();
    m_aShelves.clear();
    const uint32_t frame = 2 * ms_ulBorder;
    for (uint32_t index : PlacementOrder())
    {
        const ZELightmapSize& size = m_aSizes[index];
        uint32_t width = size.m_usWidth + frame, height = size.m_usHeight + frame;
        if (size.m_usWidth == 0 || size.m_usHeight == 0 || width > m_ulSide || height > m_ulSide)
            continue;
        Place(index, width, height);
    }
    FinishPages();
}

std::vector<uint32_t> ZELightmapAtlas::PlacementOrder() const
{
    std::vector<uint32_t> order(m_aSizes.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(), [this](uint32_t a, uint32_t b) {
        const ZELightmapSize& sa = m_aSizes[a];
        const ZELightmapSize& sb = m_aSizes[b];
        if (sa.m_usHeight != sb.m_usHeight)
            return sa.m_usHeight > sb.m_usHeight;
        return sa.m_usWidth > sb.m_usWidth;
    });
    return order;
}

void ZELightmapAtlas::Place(uint32_t index, uint32_t framedWidth, uint32_t framedHeight)
{
    Shelf* shelf = nullptr;
    for (Shelf& candidate : m_aShelves)
        if (candidate.m_ulHeight >= framedHeight && candidate.m_ulUsed + framedWidth <= m_ulSide)
        {
            shelf = &candidate;
            break;
        }
    if (!shelf)
    {
        uint32_t top = m_aShelves.empty() ? 0 : m_aShelves.back().m_ulY + m_aShelves.back().m_ulHeight;
        if (m_aPages.empty() || top + framedHeight > m_ulSide)
        {
            m_aPages.emplace_back();
            m_aShelves.clear();
            top = 0;
        }
        m_aShelves.push_back(Shelf{top, framedHeight, 0});
        shelf = &m_aShelves.back();
    }
    ZELightmapSlot& slot = m_aSlots[index];
    slot.m_lPage = static_cast<int32_t>(m_aPages.size() - 1);
    slot.m_ulX = shelf->m_ulUsed + ms_ulBorder;
    slot.m_ulY = shelf->m_ulY + ms_ulBorder;
    shelf->m_ulUsed += framedWidth;
}

void ZELightmapAtlas::FinishPages()
{
    for (ZELightmapPage& page : m_aPages)
        page.m_ulWidth = page.m_ulHeight = m_ulSide;
    if (!m_aPages.empty())
    {
        uint32_t width = 0, height = 0;
        for (const Shelf& shelf : m_aShelves)
        {
            width = std::max(width, shelf.m_ulUsed);
            height = std::max(height, shelf.m_ulY + shelf.m_ulHeight);
        }
        m_aPages.back().m_ulWidth = PowerOfTwoAtLeast(width);
        m_aPages.back().m_ulHeight = PowerOfTwoAtLeast(height);
    }
    for (ZELightmapPage& page : m_aPages)
        page.m_aucTexels.assign(static_cast<size_t>(page.m_ulWidth) * page.m_ulHeight, 0);
}

void ZELightmapAtlas::Fill(uint32_t index, const uint8_t* texels)
{
    if (index >= m_aSlots.size() || !m_aSlots[index].IsPlaced() || !texels)
        return;
    const ZELightmapSlot& slot = m_aSlots[index];
    const ZELightmapSize& size = m_aSizes[index];
    ZELightmapPage& page = m_aPages[slot.m_lPage];
    const int64_t border = ms_ulBorder;
    for (int64_t j = -border; j < size.m_usHeight + border; ++j)
    {
        const uint8_t* row = texels + static_cast<size_t>(Clamp(j, size.m_usHeight)) * size.m_usWidth;
        uint8_t* to = &page.m_aucTexels[static_cast<size_t>(slot.m_ulY + j) * page.m_ulWidth + slot.m_ulX];
        for (int64_t i = -border; i < size.m_usWidth + border; ++i)
            to[i] = row[Clamp(i, size.m_usWidth)];
    }
}

void ZELightmapAtlas::Remap(uint32_t index, float& lu, float& lv) const
{
    const ZELightmapSlot& slot = m_aSlots[index];
    const ZELightmapSize& size = m_aSizes[index];
    const ZELightmapPage& page = m_aPages[slot.m_lPage];
    lu = static_cast<float>((slot.m_ulX + static_cast<double>(lu) * size.m_usWidth) / page.m_ulWidth);
    lv = static_cast<float>((slot.m_ulY + static_cast<double>(lv) * size.m_usHeight) / page.m_ulHeight);
}

bool ZELightmapAtlas::Reproduces(float lu, float lv, uint16_t width, uint16_t height)
{
    return WithinReach(lu, width) && WithinReach(lv, height);
}
