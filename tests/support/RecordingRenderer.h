// ZERecordingRenderer: a renderer that draws nothing and writes down every
// call, so tests can check what was drawn and in which order.
//
// Each virtual operation appends one line to m_Log: the operation's name,
// then its arguments separated by single spaces. Integers are printed in
// decimal, bools as 0/1, floats with %g, vectors as three %g values, texture
// references with PointerText (null or the address). Text comes last and
// verbatim. Examples:
//   "ClearBuffers"
//   "SetBlendingState 4 5"
//   "DrawRectangle 0 0 32 32"
//   "DrawText 0 448 16 ]hello"
//   "DrawText 0 448 16 ]hello font=0x5581..."   (the forms with a font)
//   "SetTexture null"
//   "RenderParticle 1 2 3 4 4 0x5581..."
// Vertex and index arrays are logged by their counts only: "Render 4 6",
// "SetVertexArray 6"; the lightmapped forms carry an L and the lightmap:
// "RenderL 4 6 null", "SetVertexArrayL 6", "DrawIndicesL 6 null",
// "DrawArrayL null".
//
// Like the OpenGL renderer, the state operations also record their values
// in the base fields (blending, depth, alpha, stencil while m_bStencilBuffer,
// viewport, background, flags), SetPerspective sets the camera, and
// EnableDecaling/DisableDecaling switch m_bZBufferWrite; such inner effects
// add no lines of their own. GetResolution answers the size fields
// (640 x 480 x 16 unless a test changes them); SupportsResolution answers
// m_bSupportsResolution; the mode operations only log.
#pragma once

#include "render/ZERenderer.h"

#include <cstddef>
#include <string>
#include <vector>

class ZERecordingRenderer : public ZERenderer
{
public:
    ZERecordingRenderer() = default;

    // "null" or the address.
    static std::string PointerText(const void* pointer);

    // Forgets every logged line.
    void Clear() { m_Log.clear(); }
    // Lines that begin with `prefix`.
    size_t Count(const std::string& prefix) const;
    // Index of the first line at or after `from` that begins with `prefix`,
    // or -1.
    int Find(const std::string& prefix, size_t from = 0) const;
    // Sets what GetResolution answers.
    void SetReportedResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel);

    bool SupportsResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel) override;
    void SetResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel) override;
    void GetResolution(uint16_t& width, uint16_t& height, uint16_t& bitsPerPixel) override;
    void SetWindowSize(uint16_t width, uint16_t height) override;
    void SetWindowTitle(const ZEString& title) override;
    bool ToggleFullscreen() override;

    void SetAmbient(uint8_t r, uint8_t g, uint8_t b) override;
    void SetAmbient(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void SetAmbient3(const uint8_t* rgb) override;
    void SetAmbient4(const uint8_t* rgba) override;
    void SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b) override;
    void SetViewport(uint16_t x, uint16_t y, uint16_t width, uint16_t height) override;
    void SetZBufferState(bool write) override;
    void SetZBufferComp(uint16_t code) override;
    void EnableBlending() override;
    void DisableBlending() override;
    void SetBlendingState(uint16_t source, uint16_t dest) override;
    void EnableAlphaTest() override;
    void DisableAlphaTest() override;
    void SetAlphaState(uint16_t function, float reference) override;
    void EnableStencilBuffer() override;
    void DisableStencilBuffer() override;
    void SetStencilComp(uint16_t code, int32_t reference, uint32_t mask) override;
    void SetStencilOp(uint16_t fail, uint16_t zfail, uint16_t zpass) override;
    void WriteToScreen(bool on) override;
    void ReverseVertexOrder(bool counterClockwise) override;
    void EnableEnvironmentMapping() override;
    void DisableEnvironmentMapping() override;
    void EnableDecaling() override;
    void DisableDecaling() override;
    void SetPerspective(float fovY, float aspect, float zNear, float zFar) override;
    void SetTexture(ZETextureReference* texture) override;

    void Render(ZEVertex* vertices, uint16_t numVertices, uint16_t* indices, uint16_t numIndices) override;
    void Render(ZELVertex* vertices, uint16_t numVertices, uint16_t* indices, uint16_t numIndices,
                ZETextureReference* lightmap) override;
    void RenderBillboard(const ZEVector& center, float width, float height, ZETextureReference* texture) override;
    void RenderParticle(const ZEVector& center, float width, float height, ZETextureReference* texture) override;
    void SetVertexArray(ZEVertex* vertices, uint16_t numVertices) override;
    void SetVertexArray(ZELVertex* vertices, uint16_t numVertices) override;
    void LockVertexArray() override;
    void UnlockVertexArray() override;
    void DrawIndices(uint16_t* indices, uint16_t numIndices) override;
    void DrawIndices(uint16_t* indices, uint16_t numIndices, ZETextureReference* lightmap) override;
    void DrawArray() override;
    void DrawArray(ZETextureReference* lightmap) override;

    void DisplayBackBuffer() override;
    void ClearBackBuffer() override;
    void ClearZBuffer() override;
    void ClearStencilBuffer() override;
    void ClearBuffers() override;

    void DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text) override;
    void DrawText(int32_t x, int32_t y, uint16_t size, const char* text) override;
    void DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text, ZETextureReference* font) override;
    void DrawText(int32_t x, int32_t y, uint16_t size, const char* text, ZETextureReference* font) override;
    void DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    void DrawRectanglef(float x1, float y1, float x2, float y2) override;
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width) override;
    void DrawLinef(float x1, float y1, float x2, float y2, float width) override;

    void ScaleWorld(float x, float y, float z) override;
    void TransformWorld(float x, float y, float z) override;
    void RotateWorldDeg(float x, float y, float z) override;
    void RotateWorldRad(float x, float y, float z) override;
    void PushWorldMatrix() override;
    void PopWorldMatrix() override;
    void ResetWorld() override;
    void RestoreWorld() override;

    void TakeScreenshot(const ZEString& name) override;
    bool SetShadowMatrix(const ZEVector& light, const ZEPlane& plane) override;

    void RestoreTexture(ZETexture* texture) override;
    void RestoreTexture(ZETexture* texture, uint16_t filter) override;
    void ReleaseTexture(ZETexture* texture) override;

    std::vector<std::string> m_Log;
    // What SupportsResolution and SetShadowMatrix answer.
    bool m_bSupportsResolution = true;
    bool m_bShadowMatrix = true;

private:
    // Appends one formatted line.
    void Log(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void LogText(const char* head, int32_t x, int32_t y, uint16_t size, const char* text,
                 const ZETextureReference* font, bool withFont);
};
