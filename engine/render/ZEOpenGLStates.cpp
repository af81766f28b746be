#include "render/ZEOpenGLStates.h"

#include <GL/gl.h>

#include <cstddef>

namespace
{
const GLenum kComparisons[] = {GL_NEVER, GL_LESS, GL_LEQUAL, GL_GREATER, GL_GEQUAL, GL_EQUAL, GL_NOTEQUAL, GL_ALWAYS};
const GLenum kBlendSources[] = {GL_ZERO,      GL_ONE,
                                GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR,
                                GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                                GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
                                GL_SRC_ALPHA_SATURATE};
const GLenum kBlendDests[] = {GL_ZERO,      GL_ONE,
                              GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
                              GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA,
                              GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA};
const GLenum kStencilOps[] = {GL_ZERO, GL_KEEP, GL_REPLACE, GL_INCR, GL_DECR, GL_INVERT};

const uint16_t kNearestFilter = 0;
const uint16_t kTrilinearFilter = 2;

template <size_t N>
uint32_t MapCode(const GLenum (&table)[N], uint16_t code, GLenum unknown)
{
    return code < N ? table[code] : unknown;
}
}

uint32_t ZEGLDepthFunction(uint16_t code)
{
    return MapCode(kComparisons, code, GL_LESS);
}

uint32_t ZEGLStencilFunction(uint16_t code)
{
    return MapCode(kComparisons, code, GL_NEVER);
}

uint32_t ZEGLBlendSource(uint16_t code)
{
    return MapCode(kBlendSources, code, GL_ZERO);
}

uint32_t ZEGLBlendDest(uint16_t code)
{
    return MapCode(kBlendDests, code, GL_ZERO);
}

uint32_t ZEGLStencilOperation(uint16_t code)
{
    return MapCode(kStencilOps, code, GL_KEEP);
}

ZEGLTextureUpload ZEGLPlanTextureUpload(bool alpha, bool lightmap, bool clamp, uint16_t filter, bool mipMapping)
{
    ZEGLTextureUpload upload;
    upload.m_ulWrap = lightmap || clamp ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    if (alpha)
    {
        upload.m_ulFormat = GL_RGBA;
        upload.m_ulBytesPerTexel = 4;
    }
    else if (lightmap)
    {
        upload.m_ulFormat = GL_LUMINANCE;
        upload.m_ulBytesPerTexel = 1;
    }
    else
    {
        upload.m_ulFormat = GL_RGB;
        upload.m_ulBytesPerTexel = 3;
    }
    upload.m_bMipmaps = !alpha && !lightmap && !clamp && mipMapping && filter == kTrilinearFilter;

    if (filter == kNearestFilter)
    {
        upload.m_ulMinFilter = upload.m_ulMagFilter = GL_NEAREST;
    }
    else
    {
        upload.m_ulMagFilter = GL_LINEAR;
        upload.m_ulMinFilter = upload.m_bMipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
    }
    return upload;
}

bool ZEGLTextureBindings::Bind(uint32_t unit, uint32_t name)
{
    if (unit >= ms_ulUnits)
        return true;
    if (m_abKnown[unit] && m_aulNames[unit] == name)
        return false;
    Bound(unit, name);
    return true;
}

void ZEGLTextureBindings::Bound(uint32_t unit, uint32_t name)
{
    if (unit >= ms_ulUnits)
        return;
    m_aulNames[unit] = name;
    m_abKnown[unit] = true;
}

void ZEGLTextureBindings::Deleted(uint32_t name)
{
    for (uint32_t unit = 0; unit < ms_ulUnits; ++unit)
        if (m_abKnown[unit] && m_aulNames[unit] == name)
            m_aulNames[unit] = 0;
}

void ZEGLTextureBindings::Forget()
{
    for (bool& known : m_abKnown)
        known = false;
}
