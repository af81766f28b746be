// The OpenGL meaning of the renderer's integer codes.
//
// Callers of the renderer speak in small integer codes (depth and stencil
// comparisons, blend factors, stencil operations, texture filter modes; the
// table is in render/ZERenderer.h). These functions turn a code into the
// OpenGL enumeration it stands for, and decide how a texture is uploaded.
// They call no OpenGL function, so they work without a context; their
// results are OpenGL enumeration values carried as uint32_t, which keeps
// this header free of the OpenGL headers.
//
// Unknown codes: a depth comparison means "less", a stencil comparison
// "never", a stencil operation "keep", a blend factor "zero"; an unknown
// filter mode is bilinear.
//
// ZEGLTextureBindings remembers what each texture unit has bound, so the
// renderer skips binds that would change nothing (a texture state change
// is dear on a software rasteriser even when it is redundant, and the
// faces of a map mostly share their lightmap page).
#pragma once

#include <cstdint>

uint32_t ZEGLDepthFunction(uint16_t code);
uint32_t ZEGLStencilFunction(uint16_t code);
uint32_t ZEGLBlendSource(uint16_t code);
uint32_t ZEGLBlendDest(uint16_t code);
uint32_t ZEGLStencilOperation(uint16_t code);

// How one texture goes to OpenGL.
struct ZEGLTextureUpload
{
    uint32_t m_ulWrap;          // both coordinates
    uint32_t m_ulMinFilter;
    uint32_t m_ulMagFilter;
    uint32_t m_ulFormat;        // of the data and of the texture
    uint32_t m_ulBytesPerTexel;
    bool m_bMipmaps;            // every level is built from the image
};

// Alpha textures are RGBA, lightmaps luminance, all others RGB. Lightmaps
// and clamped textures clamp to their edge texels, others repeat. Only an
// opaque RGB texture that repeats may get mipmaps, only while mipmapping
// is on, and only with the filter that samples them (mode 2, trilinear):
// a nearest or bilinear texture never reads a level beyond the first, so
// building them would only cost load time and memory. Conversely the
// mipmapping filter is chosen only for a texture that gets them, since
// OpenGL ignores a texture whose filter wants levels it lacks.
ZEGLTextureUpload ZEGLPlanTextureUpload(bool alpha, bool lightmap, bool clamp, uint16_t filter, bool mipMapping);

// The texture object bound on each of the renderer's texture units, as far
// as the renderer knows. A unit starts unknown (after SetupOpenGL, or after
// Forget), and an unknown unit always binds. Units beyond ms_ulUnits are
// never remembered and always bind.
class ZEGLTextureBindings
{
public:
    static constexpr uint32_t ms_ulUnits = 2;

    // Whether binding `name` on `unit` changes anything, and so must be
    // done; remembers `name` as bound.
    bool Bind(uint32_t unit, uint32_t name);
    // Remembers `name` as bound on `unit` by a bind done elsewhere.
    void Bound(uint32_t unit, uint32_t name);
    // A deleted texture object leaves 0 bound wherever it was (as OpenGL
    // does).
    void Deleted(uint32_t name);
    // Every unit unknown again.
    void Forget();

private:
    uint32_t m_aulNames[ms_ulUnits] = {};
    bool m_abKnown[ms_ulUnits] = {};
};
