// ZEOpenGLRenderer: the renderer on fixed-function OpenGL 1.x with GLU.
//
// It maps the interface's state codes onto OpenGL, keeps the world
// (model-view) matrix for the engine's left-handed world (every view starts
// with a scale of (1, 1, -1)), draws 2D in window pixels with an
// orthographic projection pushed around each call, and uploads textures.
// Two optional extensions are used when the context offers them:
// GL_ARB_multitexture (lightmaps in one pass on texture unit 1) and
// GL_EXT_compiled_vertex_array (array locking). Their entry points are
// looked up by the window backend and kept here as untyped procedures; only
// the implementation file knows their OpenGL types.
//
// It opens no window: ZESDLOpenGLRenderer (and the Windows backend) create
// the context and then run SetupOpenGL(). Every operation assumes a current
// context on the main thread.
//
// Vertex arrays: SetVertexArray remembers the caller's array (the caller
// keeps owning it and keeps it alive until the next SetVertexArray or
// Render); DrawIndices and DrawArray draw the remembered array and do
// nothing while none is remembered. Indices are checked against the
// array's vertex count: a draw with an index beyond it is skipped whole.
//
// Lightmaps: with GL_ARB_multitexture the lightmap goes on texture unit 1
// and is multiplied in during the one pass; without it (or with
// m_bMultitexture cleared) the geometry is drawn a second time with the
// lightmap, multiplying the frame. Both leave the same state behind: the
// base texture bound on unit 0, the current colour, blending and depth
// function as they were. Unit 1 is switched off lazily, by the next draw
// that does not want it (m_bSecondTextureUnit).
//
// Colour: SetAmbient's colour is the vertex colour of whatever follows.
// It is routed through lighting without lights (a white scene ambient,
// the colour as ambient and diffuse material), which gives exactly the
// same colour and alpha but hands it to the fragments as an interpolated
// input rather than a constant: on a software rasteriser a changed
// fragment constant costs as much as a texture change, and models change
// colour for every group.
//
// Textures are bound through ZETextureReference::GetTexture(), so an empty
// or stale reference draws untextured. Texture objects are named by the
// textures' ids. A bind of what a unit already holds is skipped
// (ZEGLTextureBindings); uploads and deletions keep that record true, so
// every texture object call goes through this class.
#pragma once

#include "render/ZEOpenGLStates.h"
#include "render/ZERenderer.h"

#include <cstdint>
#include <vector>

class ZEOpenGLRenderer : public ZERenderer
{
public:
    // An entry point of an extension, as the window system hands it out.
    typedef void (*ZEGLProc)();

    ZEOpenGLRenderer();
    ~ZEOpenGLRenderer() override;

    void GetResolution(uint16_t& width, uint16_t& height, uint16_t& bitsPerPixel) override;
    // Switches between a window and 32-bit full screen at the same size;
    // false when the switch fell back (full screen asked for, a window
    // opened instead).
    bool ToggleFullscreen() override;

    void SetAmbient(uint8_t r, uint8_t g, uint8_t b) override;
    void SetAmbient(uint8_t r, uint8_t g, uint8_t b, uint8_t a) override;
    void SetAmbient3(const uint8_t* rgb) override;
    void SetAmbient4(const uint8_t* rgba) override;
    void SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b) override;
    // y counts from the top of the window.
    void SetViewport(uint16_t x, uint16_t y, uint16_t width, uint16_t height) override;
    void SetZBufferState(bool write) override;
    void SetZBufferComp(uint16_t code) override;
    void EnableBlending() override;
    void DisableBlending() override;
    void SetBlendingState(uint16_t source, uint16_t dest) override;
    void EnableAlphaTest() override;
    void DisableAlphaTest() override;
    // Always discards texels whose alpha is not greater than the reference.
    void SetAlphaState(uint16_t function, float reference) override;
    // The stencil operations do nothing without a stencil buffer.
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
    // The projection takes the window's aspect, not the argument; the
    // camera takes all four.
    void SetPerspective(float fovY, float aspect, float zNear, float zFar) override;
    // Null unbinds.
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

    void ClearBackBuffer() override;
    void ClearZBuffer() override;
    void ClearStencilBuffer() override;
    void ClearBuffers() override;

    void DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text) override;
    void DrawText(int32_t x, int32_t y, uint16_t size, const char* text) override;
    void DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text, ZETextureReference* font) override;
    void DrawText(int32_t x, int32_t y, uint16_t size, const char* text, ZETextureReference* font) override;
    // Not drawn when it starts beyond the right or bottom edge or has
    // x1 > x2 or y1 > y2. The bound texture is stretched over it.
    void DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) override;
    // Fractions of the window.
    void DrawRectanglef(float x1, float y1, float x2, float y2) override;
    // Not drawn when an end lies beyond the right or bottom edge.
    void DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width) override;
    void DrawLinef(float x1, float y1, float x2, float y2, float width) override;

    void ScaleWorld(float x, float y, float z) override;
    void TransformWorld(float x, float y, float z) override;
    // Turns a vertex about X first, then Y, then Z.
    void RotateWorldDeg(float x, float y, float z) override;
    void RotateWorldRad(float x, float y, float z) override;
    void PushWorldMatrix() override;
    void PopWorldMatrix() override;
    // Identity with the left-handed flip of Z.
    void ResetWorld() override;
    // The camera's view.
    void RestoreWorld() override;

    // Writes a whole frame of the window to "<name>.tga"; a file that
    // cannot be created is skipped without a word. Asked for while a frame
    // is being drawn (after its clear), the frame so far is the picture and
    // is read at once: callers ask once the frame is complete, before the
    // swap. Asked for between frames (after a swap, before the next clear -
    // where a key pressed during input polling lands), the back buffer holds
    // nothing defined, so the request waits: the next frame is written
    // just before its swap.
    void TakeScreenshot(const ZEString& name) override;
    // Whole pixels that cover the fractions asked for.
    void SetScissor(float x1, float y1, float x2, float y2) override;
    void DisableScissor() override;
    // Flattens what follows onto the plane along the light direction.
    bool SetShadowMatrix(const ZEVector& light, const ZEPlane& plane) override;

    // Uploads the texture's image (its current frame) under its id, scaled
    // to the size GetRealTextureSize gives; lightmaps are uploaded only
    // while m_bLightmaps. A texture without image data gets its object and
    // filters but no image.
    void RestoreTexture(ZETexture* texture) override;
    void RestoreTexture(ZETexture* texture, uint16_t filter) override;
    // Deletes the texture object (a never uploaded one costs nothing).
    void ReleaseTexture(ZETexture* texture) override;

    // The context's start state: viewport, clear colour, culling, depth,
    // the colour through lighting without lights, client arrays, no
    // bindings known.
    void SetupOpenGL();
    // Draws the text with the bound font, laid out as render/ZETextLayout.h
    // describes.
    void DrawString(int32_t x, int32_t y, uint16_t size, const char* text);
    // One glyph quad, top left at (x, y); runs inside DrawString's 2D set-up.
    void DrawCharacter(int32_t x, int32_t y, uint16_t size, uint8_t c);
    // Switches texture unit 1 and its coordinate array off, when on.
    void Deactivate2ndTextureUnit();

    ZETextureReference* m_pFontTexture = nullptr;
    ZEVertex* m_pVertexArray = nullptr;
    ZELVertex* m_pLVertexArray = nullptr;
    uint16_t m_usNumVertices = 0;
    bool m_bMultitexture = false;
    bool m_bCompiledVertexArrays = false;
    bool m_bSecondTextureUnit = false;
    ZEGLProc m_pfnActiveTexture = nullptr;
    ZEGLProc m_pfnClientActiveTexture = nullptr;
    ZEGLProc m_pfnLockArrays = nullptr;
    ZEGLProc m_pfnUnlockArrays = nullptr;
    uint32_t m_ulFPSTime = 0;
    uint32_t m_ulFPSFrames = 0;

protected:
    // The swap's part of screenshots: writes the requests that waited for
    // this frame. The window's back end calls it just before it swaps, and
    // marks the time after the swap as between frames.
    void WriteWaitingScreenshots();
    bool m_bBetweenFrames = true;

    // Switches depth writes off, pushes both matrices and sets a pixel
    // projection with y down; End2D undoes it and restores the depth state.
    void Begin2D();
    void End2D();

private:
    void WriteScreenshot(const ZEString& name);
    void ForgetVertexArray();
    void SetArrayPointers(const ZEVertex* vertices);
    void SetArrayPointers(const ZELVertex* vertices);
    void SelectTextureUnit(uint32_t unit);
    void SelectClientTextureUnit(uint32_t unit);
    // Unit 1 on with the lightmap coordinates of `vertices` (not flagged).
    void SwitchOn2ndTextureUnit(const ZELVertex* vertices);
    void SwitchOff2ndTextureUnit();
    void BindOn2ndTextureUnit(uint32_t texture);
    void LockArrays(uint16_t count);
    void UnlockArrays();
    // Triangles by index, or the first `count` vertices in order when
    // indices is null.
    void DrawTriangles(const uint16_t* indices, uint16_t count);
    // The lightmapped draw of the remembered array.
    void DrawLightmapped(const uint16_t* indices, uint16_t count, ZETextureReference* lightmap);
    // The lightmap pass of the two-pass path: draws again, multiplying the
    // frame by the lightmap, and restores every state it touched.
    void DrawLightmapPass(const ZELVertex* vertices, uint32_t lightmap, const uint16_t* indices, uint16_t count);
    void RenderFacingQuad(const ZEVector& center, const ZEVector& right, const ZEVector& up,
                          ZETextureReference* texture);
    void LoadDefaultFont();
    // Routes the current colour through lighting without lights, which
    // leaves it unchanged (see the implementation).
    void LightWithTheCurrentColour();

    std::vector<ZEString> m_aWaitingShots;
    bool m_bArraysLocked = false;
    uint16_t m_usLockedCount = 0;
    ZEGLTextureBindings m_TextureBindings;
};
