#include "render/ZERenderer.h"

#include "world/ZEEngine.h"

ZERenderer* ZERenderer::ms_pRenderer = nullptr;

namespace
{
const uint32_t kMinTextureSize = 4;
const uint32_t kMaxTextureSize = 4096;
// 4096 >> 10 = 4: every level beyond reduces nothing further, and a shift
// by the raw console value could overflow.
const int32_t kMaxTextureDetail = 10;
const uint16_t kTrilinear = 2;
const uint16_t kBilinear = 1;

// The smallest power of two from 4 to 4096 that holds `size` (4096 at most).
uint32_t UploadSize(uint32_t size)
{
    if (size > kMaxTextureSize)
        size = kMaxTextureSize;
    uint32_t power = kMinTextureSize;
    while (power < size)
        power <<= 1;
    return power;
}

int32_t TextureDetail()
{
    int32_t detail = ZEEngine::ms_pEngine ? ZEEngine::ms_pEngine->m_lTexDetail : 0;
    if (detail < 0)
        return 0;
    return detail > kMaxTextureDetail ? kMaxTextureDetail : detail;
}

uint32_t ReduceByDetail(uint32_t size, int32_t detail)
{
    size >>= detail;
    return size < kMinTextureSize ? kMinTextureSize : size;
}
}

ZERenderer::ZERenderer()
{
    ms_pRenderer = this;
}

ZERenderer::~ZERenderer()
{
    if (ms_pRenderer == this)
        ms_pRenderer = nullptr;
}

void ZERenderer::GetViewport(uint16_t& x, uint16_t& y, uint16_t& width, uint16_t& height) const
{
    x = m_usViewportX;
    y = m_usViewportY;
    width = m_usViewportWidth;
    height = m_usViewportHeight;
}

bool ZERenderer::ViewportCoversWindow() const
{
    return m_usViewportX == 0 && m_usViewportY == 0 && m_usViewportWidth >= m_usWidth &&
           m_usViewportHeight >= m_usHeight;
}

void ZERenderer::SetMipMapping(bool on)
{
    m_bMipMapping = on;
    if (!on && m_usTextureFilter == kTrilinear)
        m_usTextureFilter = kBilinear;
}

void ZERenderer::SetDefaultTextureFilteringMode(uint16_t mode)
{
    m_usTextureFilter = mode;
    if (mode == kTrilinear)
        m_bMipMapping = true;
}

void ZERenderer::GetBlendingState(uint16_t& source, uint16_t& dest) const
{
    source = m_usBlendSource;
    dest = m_usBlendDest;
}

void ZERenderer::GetAlphaState(uint16_t& function, float& reference) const
{
    function = m_usAlphaFunc;
    reference = m_fAlphaRef;
}

void ZERenderer::GetStencilComp(uint16_t& code, int32_t& reference, uint32_t& mask) const
{
    code = m_usStencilComp;
    reference = m_lStencilRef;
    mask = m_ulStencilMask;
}

void ZERenderer::GetStencilOp(uint16_t& fail, uint16_t& zfail, uint16_t& zpass) const
{
    fail = m_usStencilFail;
    zfail = m_usStencilZFail;
    zpass = m_usStencilZPass;
}

bool ZERenderer::GetRealTextureSize(uint32_t& width, uint32_t& height, bool keepDetail) const
{
    uint32_t newWidth = UploadSize(width);
    uint32_t newHeight = UploadSize(height);
    bool changed = newWidth != width || newHeight != height;

    int32_t detail = keepDetail ? 0 : TextureDetail();
    if (detail != 0)
    {
        newWidth = ReduceByDetail(newWidth, detail);
        newHeight = ReduceByDetail(newHeight, detail);
        changed = true;
    }

    width = newWidth;
    height = newHeight;
    return changed;
}
