// ZERenderer: the engine's one drawing interface.
//
// Everything on screen goes through this class: render states, the world
// (model-view) matrix, indexed and array drawing of engine vertices,
// lightmapped geometry, camera-facing quads, 2D text, rectangles and lines in
// window pixels (origin top left, y down), screenshots and texture upload.
// The base class does nothing: each operation has an empty body, and the
// three that answer return false. ZEOpenGLRenderer implements it on
// fixed-function OpenGL; ZESDLOpenGLRenderer adds the window. Tests use a
// recording renderer that logs each call.
//
// State codes (integers, shared by every caller):
//   code  depth/stencil compare  blend source          blend destination     stencil op
//   0     never                  zero                  zero                  zero
//   1     less                   one                   one                   keep
//   2     less or equal          dst colour            src colour            replace
//   3     greater                1 - dst colour        1 - src colour        increment
//   4     greater or equal       src alpha             src alpha             decrement
//   5     equal                  1 - src alpha         1 - src alpha         invert
//   6     not equal              dst alpha             dst alpha
//   7     always                 1 - dst alpha         1 - dst alpha
//   8                            src alpha saturate
// Texture filter modes: 0 nearest, 1 bilinear, 2 trilinear (with mipmaps).
//
// The renderer owns the scene's camera. ms_pRenderer points at the one
// renderer while it lives.
#pragma once

#include "core/ZEString.h"
#include "math/ZEVertex.h"
#include "render/ZECamera.h"

#include <cstdint>

class ZETexture;
class ZETextureReference;
class ZEPlane;
class ZEVector;

class ZERenderer
{
public:
    ZERenderer();
    virtual ~ZERenderer();

    ZERenderer(const ZERenderer&) = delete;
    ZERenderer& operator=(const ZERenderer&) = delete;

    // Video modes and window.
    virtual bool SupportsResolution(uint16_t, uint16_t, uint16_t) { return false; }
    virtual void SetResolution(uint16_t, uint16_t, uint16_t) {}
    virtual void GetResolution(uint16_t&, uint16_t&, uint16_t&) {}
    virtual void SetWindowSize(uint16_t, uint16_t) {}
    virtual void SetWindowTitle(const ZEString&) {}
    virtual bool ToggleFullscreen() { return false; }

    // Colours and states.
    virtual void SetAmbient(uint8_t, uint8_t, uint8_t) {}
    virtual void SetAmbient(uint8_t, uint8_t, uint8_t, uint8_t) {}
    virtual void SetAmbient3(const uint8_t*) {}
    virtual void SetAmbient4(const uint8_t*) {}
    virtual void SetBackgroundColor(uint8_t, uint8_t, uint8_t) {}
    virtual void SetViewport(uint16_t, uint16_t, uint16_t, uint16_t) {}
    virtual void SetZBufferState(bool) {}
    virtual void SetZBufferComp(uint16_t) {}
    virtual void EnableBlending() {}
    virtual void DisableBlending() {}
    virtual void SetBlendingState(uint16_t, uint16_t) {}
    virtual void EnableAlphaTest() {}
    virtual void DisableAlphaTest() {}
    virtual void SetAlphaState(uint16_t, float) {}
    virtual void EnableStencilBuffer() {}
    virtual void DisableStencilBuffer() {}
    virtual void SetStencilComp(uint16_t, int32_t, uint32_t) {}
    virtual void SetStencilOp(uint16_t, uint16_t, uint16_t) {}
    // Limits drawing and clearing to a part of the window (fractions from
    // its top left: x1, y1, x2, y2) until DisableScissor.
    virtual void SetScissor(float, float, float, float) {}
    virtual void DisableScissor() {}
    virtual void WriteToScreen(bool) {}
    virtual void ReverseVertexOrder(bool) {}
    virtual void EnableEnvironmentMapping() {}
    virtual void DisableEnvironmentMapping() {}
    virtual void EnableDecaling() {}
    virtual void DisableDecaling() {}
    virtual void SetPerspective(float, float, float, float) {}
    virtual void SetTexture(ZETextureReference*) {}

    // Geometry. Indices are u16 triangles.
    virtual void Render(ZEVertex*, uint16_t, uint16_t*, uint16_t) {}
    virtual void Render(ZELVertex*, uint16_t, uint16_t*, uint16_t, ZETextureReference*) {}
    virtual void RenderBillboard(const ZEVector&, float, float, ZETextureReference*) {}
    virtual void RenderParticle(const ZEVector&, float, float, ZETextureReference*) {}
    virtual void SetVertexArray(ZEVertex*, uint16_t) {}
    virtual void SetVertexArray(ZELVertex*, uint16_t) {}
    virtual void LockVertexArray() {}
    virtual void UnlockVertexArray() {}
    virtual void DrawIndices(uint16_t*, uint16_t) {}
    virtual void DrawIndices(uint16_t*, uint16_t, ZETextureReference*) {}
    virtual void DrawArray() {}
    virtual void DrawArray(ZETextureReference*) {}

    // Frame.
    virtual void DisplayBackBuffer() {}
    virtual void ClearBackBuffer() {}
    virtual void ClearZBuffer() {}
    virtual void ClearStencilBuffer() {}
    virtual void ClearBuffers() {}

    // 2D, in window pixels (or window fractions for the f forms).
    virtual void DrawText(int32_t, int32_t, uint16_t, const ZEString&) {}
    virtual void DrawText(int32_t, int32_t, uint16_t, const char*) {}
    virtual void DrawText(int32_t, int32_t, uint16_t, const ZEString&, ZETextureReference*) {}
    virtual void DrawText(int32_t, int32_t, uint16_t, const char*, ZETextureReference*) {}
    virtual void DrawRectangle(int32_t, int32_t, int32_t, int32_t) {}
    virtual void DrawRectanglef(float, float, float, float) {}
    virtual void DrawLine(int32_t, int32_t, int32_t, int32_t, float) {}
    virtual void DrawLinef(float, float, float, float, float) {}

    // World matrix.
    virtual void ScaleWorld(float, float, float) {}
    virtual void TransformWorld(float, float, float) {}
    virtual void RotateWorldDeg(float, float, float) {}
    virtual void RotateWorldRad(float, float, float) {}
    virtual void PushWorldMatrix() {}
    virtual void PopWorldMatrix() {}
    virtual void ResetWorld() {}
    // Sets the camera's view: the start of every frame's world drawing.
    virtual void RestoreWorld() {}

    virtual void TakeScreenshot(const ZEString&) {}
    virtual bool SetShadowMatrix(const ZEVector&, const ZEPlane&) { return false; }

    // Texture upload and release.
    virtual void RestoreTexture(ZETexture*) {}
    virtual void RestoreTexture(ZETexture*, uint16_t) {}
    virtual void ReleaseTexture(ZETexture*) {}

    void GetViewport(uint16_t& x, uint16_t& y, uint16_t& width, uint16_t& height) const;
    bool ViewportCoversWindow() const;
    void SetMipMapping(bool on);
    void SetDefaultTextureFilteringMode(uint16_t mode);
    void GetBlendingState(uint16_t& source, uint16_t& dest) const;
    void GetAlphaState(uint16_t& function, float& reference) const;
    void GetStencilComp(uint16_t& code, int32_t& reference, uint32_t& mask) const;
    void GetStencilOp(uint16_t& fail, uint16_t& zfail, uint16_t& zpass) const;
    // Rounds a texture size to what is uploaded: powers of two from 4 to
    // 4096, reduced by the texture detail level unless keepDetail. Returns
    // whether either value changed.
    bool GetRealTextureSize(uint32_t& width, uint32_t& height, bool keepDetail) const;

    static ZERenderer* ms_pRenderer;

    bool m_bStencilBuffer = false;
    bool m_bInitialized = false;
    bool m_bFullscreen = false;
    uint16_t m_usWidth = 640, m_usHeight = 480;
    uint16_t m_usBitsPerPixel = 16;
    uint16_t m_usViewportX = 0, m_usViewportY = 0;
    uint16_t m_usViewportWidth = 640, m_usViewportHeight = 480;
    ZEString m_WindowTitle{"Zervane Engine Window"};
    uint8_t m_aucBackgroundColor[3] = {0, 0, 0};
    bool m_bLightmaps = false;
    bool m_bMipMapping = true;
    uint16_t m_usTextureFilter = 1;
    bool m_bZBufferWrite = true;
    uint16_t m_usZBufferComp = 1;
    bool m_bBlending = false;
    uint16_t m_usBlendDest = 0, m_usBlendSource = 0;
    float m_fAlphaRef = 1.0f;
    uint16_t m_usAlphaFunc = 1;
    uint16_t m_usStencilComp = 7;
    int32_t m_lStencilRef = 0;
    uint32_t m_ulStencilMask = 0;
    uint16_t m_usStencilFail = 0, m_usStencilZFail = 0, m_usStencilZPass = 0;
    bool m_bWriteToScreen = true;
    bool m_bReverseVertexOrder = false;
    bool m_bEnvironmentMapping = false;
    uint32_t m_ulFramesPerSecond = 0;
    ZECamera m_Camera;
};
