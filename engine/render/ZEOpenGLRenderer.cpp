#include "render/ZEOpenGLRenderer.h"

#include "core/ZETimer.h"
#include "math/ZEPlane.h"
#include "render/ZEOpenGLStates.h"
#include "render/ZETGAWriter.h"
#include "render/ZETextLayout.h"
#include "resources/ZETextureManager.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
typedef void(APIENTRY* ZEActiveTextureProc)(GLenum unit);
typedef void(APIENTRY* ZELockArraysProc)(GLint first, GLsizei count);
typedef void(APIENTRY* ZEUnlockArraysProc)();

const GLsizei kVertexStride = sizeof(ZEVertex);
const GLsizei kLVertexStride = sizeof(ZELVertex);

// Every index names one of the array's vertices. Nothing to draw is
// always fine; indices to draw but no index array is not.
bool IndicesWithin(const uint16_t* indices, uint16_t count, uint16_t numVertices)
{
    if (count == 0)
        return true;
    if (!indices)
        return false;
    for (uint16_t i = 0; i < count; ++i)
        if (indices[i] >= numVertices)
            return false;
    return true;
}

// The texture object a reference draws with: 0 (untextured) for an empty
// or stale reference.
GLuint TextureName(const ZETextureReference* reference)
{
    const ZETexture* texture = reference ? reference->GetTexture() : nullptr;
    return texture ? texture->m_ulID : 0;
}

// A window fraction in pixels, truncated toward zero. Values far outside
// the window (or not numbers) are pinned so the conversion stays defined;
// the drawing tests then reject them.
int32_t FractionToPixels(float fraction, uint16_t size)
{
    const float kLimit = 1.0e9f;
    float pixels = fraction * static_cast<float>(size);
    if (pixels != pixels)
        return 0;
    if (pixels > kLimit)
        return static_cast<int32_t>(kLimit);
    if (pixels < -kLimit)
        return -static_cast<int32_t>(kLimit);
    return static_cast<int32_t>(pixels);
}

// Window y (down from the top) as OpenGL y (up from the bottom), in float
// so that no pixel value can overflow.
float FlipY(int32_t y, uint16_t windowHeight)
{
    return static_cast<float>(windowHeight) - static_cast<float>(y);
}

double Aspect(uint16_t width, uint16_t height)
{
    return height ? static_cast<double>(width) / height : 1.0;
}

uint32_t RealTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetRealTime() : 0;
}
}

ZEOpenGLRenderer::ZEOpenGLRenderer()
    : m_ulFPSTime(RealTime())
{
    m_WindowTitle = "Zervane Engine OpenGL Window";
}

ZEOpenGLRenderer::~ZEOpenGLRenderer()
{
    delete m_pFontTexture;
}

void ZEOpenGLRenderer::GetResolution(uint16_t& width, uint16_t& height, uint16_t& bitsPerPixel)
{
    width = m_usWidth;
    height = m_usHeight;
    bitsPerPixel = m_usBitsPerPixel;
}

bool ZEOpenGLRenderer::ToggleFullscreen()
{
    bool wanted = !m_bFullscreen;
    SetResolution(m_usWidth, m_usHeight, wanted ? 32 : 0);
    return m_bFullscreen == wanted;
}

// --- Colours and states -------------------------------------------------------

void ZEOpenGLRenderer::SetAmbient(uint8_t r, uint8_t g, uint8_t b)
{
    glColor3ub(r, g, b);
}

void ZEOpenGLRenderer::SetAmbient(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    glColor4ub(r, g, b, a);
}

void ZEOpenGLRenderer::SetAmbient3(const uint8_t* rgb)
{
    if (rgb)
        glColor3ubv(rgb);
}

void ZEOpenGLRenderer::SetAmbient4(const uint8_t* rgba)
{
    if (rgba)
        glColor4ubv(rgba);
}

void ZEOpenGLRenderer::SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b)
{
    m_aucBackgroundColor[0] = r;
    m_aucBackgroundColor[1] = g;
    m_aucBackgroundColor[2] = b;
    glClearColor(r / 255.0f, g / 255.0f, b / 255.0f, 0.0f);
}

void ZEOpenGLRenderer::SetViewport(uint16_t x, uint16_t y, uint16_t width, uint16_t height)
{
    glViewport(x, static_cast<GLint>(m_usHeight) - y - height, width, height);

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_Camera.GetFOVY(), Aspect(width, height), m_Camera.GetZNear(), m_Camera.GetZFar());

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(1.0f, 1.0f, -1.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);

    m_usViewportX = x;
    m_usViewportY = y;
    m_usViewportWidth = width;
    m_usViewportHeight = height;
}

void ZEOpenGLRenderer::SetZBufferState(bool write)
{
    m_bZBufferWrite = write;
    glDepthMask(write ? GL_TRUE : GL_FALSE);
}

void ZEOpenGLRenderer::SetZBufferComp(uint16_t code)
{
    glDepthFunc(ZEGLDepthFunction(code));
    m_usZBufferComp = code;
}

void ZEOpenGLRenderer::EnableBlending()
{
    glEnable(GL_BLEND);
    m_bBlending = true;
}

void ZEOpenGLRenderer::DisableBlending()
{
    glDisable(GL_BLEND);
    m_bBlending = false;
}

void ZEOpenGLRenderer::SetBlendingState(uint16_t source, uint16_t dest)
{
    m_usBlendSource = source;
    m_usBlendDest = dest;
    glBlendFunc(ZEGLBlendSource(source), ZEGLBlendDest(dest));
}

void ZEOpenGLRenderer::EnableAlphaTest()
{
    glEnable(GL_ALPHA_TEST);
}

void ZEOpenGLRenderer::DisableAlphaTest()
{
    glDisable(GL_ALPHA_TEST);
}

void ZEOpenGLRenderer::SetAlphaState(uint16_t function, float reference)
{
    // Callers only ever want "drop what is more transparent than the
    // reference", so the function code is recorded but not used.
    m_usAlphaFunc = function;
    m_fAlphaRef = reference;
    glAlphaFunc(GL_GREATER, reference);
}

void ZEOpenGLRenderer::EnableStencilBuffer()
{
    if (m_bStencilBuffer)
        glEnable(GL_STENCIL_TEST);
}

void ZEOpenGLRenderer::DisableStencilBuffer()
{
    if (m_bStencilBuffer)
        glDisable(GL_STENCIL_TEST);
}

void ZEOpenGLRenderer::SetStencilComp(uint16_t code, int32_t reference, uint32_t mask)
{
    if (!m_bStencilBuffer)
        return;
    glStencilFunc(ZEGLStencilFunction(code), reference, mask);
    m_usStencilComp = code;
    m_lStencilRef = reference;
    m_ulStencilMask = mask;
}

void ZEOpenGLRenderer::SetStencilOp(uint16_t fail, uint16_t zfail, uint16_t zpass)
{
    if (!m_bStencilBuffer)
        return;
    glStencilOp(ZEGLStencilOperation(fail), ZEGLStencilOperation(zfail), ZEGLStencilOperation(zpass));
    m_usStencilFail = fail;
    m_usStencilZFail = zfail;
    m_usStencilZPass = zpass;
}

void ZEOpenGLRenderer::SetScissor(float x1, float y1, float x2, float y2)
{
    GLint left = static_cast<GLint>(std::floor(x1 * m_usWidth));
    GLint right = static_cast<GLint>(std::ceil(x2 * m_usWidth));
    GLint top = static_cast<GLint>(std::floor(y1 * m_usHeight));
    GLint bottom = static_cast<GLint>(std::ceil(y2 * m_usHeight));
    glEnable(GL_SCISSOR_TEST);
    glScissor(left, static_cast<GLint>(m_usHeight) - bottom, std::max(right - left, 0), std::max(bottom - top, 0));
}

void ZEOpenGLRenderer::DisableScissor()
{
    glDisable(GL_SCISSOR_TEST);
}

void ZEOpenGLRenderer::WriteToScreen(bool on)
{
    m_bWriteToScreen = on;
    GLboolean mask = on ? GL_TRUE : GL_FALSE;
    glColorMask(mask, mask, mask, mask);
}

void ZEOpenGLRenderer::ReverseVertexOrder(bool counterClockwise)
{
    m_bReverseVertexOrder = counterClockwise;
    glFrontFace(counterClockwise ? GL_CCW : GL_CW);
}

void ZEOpenGLRenderer::EnableEnvironmentMapping()
{
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    m_bEnvironmentMapping = true;
}

void ZEOpenGLRenderer::DisableEnvironmentMapping()
{
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    m_bEnvironmentMapping = false;
}

void ZEOpenGLRenderer::EnableDecaling()
{
    SetZBufferState(false);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(-2.0f, -2.0f);
}

void ZEOpenGLRenderer::DisableDecaling()
{
    SetZBufferState(true);
    glDisable(GL_POLYGON_OFFSET_FILL);
}

void ZEOpenGLRenderer::SetPerspective(float fovY, float aspect, float zNear, float zFar)
{
    m_Camera.SetPerspective(fovY, aspect, zNear, zFar);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovY, Aspect(m_usWidth, m_usHeight), zNear, zFar);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ZEOpenGLRenderer::SetTexture(ZETextureReference* texture)
{
    GLuint name = TextureName(texture);
    if (m_TextureBindings.Bind(0, name))
        glBindTexture(GL_TEXTURE_2D, name);
}

// --- Geometry -----------------------------------------------------------------

void ZEOpenGLRenderer::Render(ZEVertex* vertices, uint16_t numVertices, uint16_t* indices, uint16_t numIndices)
{
    ForgetVertexArray();
    if (!vertices || !IndicesWithin(indices, numIndices, numVertices))
        return;
    SetArrayPointers(vertices);
    Deactivate2ndTextureUnit();
    LockArrays(numVertices);
    DrawTriangles(indices, numIndices);
    UnlockArrays();
}

void ZEOpenGLRenderer::Render(ZELVertex* vertices, uint16_t numVertices, uint16_t* indices, uint16_t numIndices,
                              ZETextureReference* lightmap)
{
    if (!m_bLightmaps)
    {
        SetVertexArray(vertices, numVertices);
        LockVertexArray();
        DrawIndices(indices, numIndices);
        UnlockVertexArray();
        return;
    }

    ForgetVertexArray();
    if (!vertices || !IndicesWithin(indices, numIndices, numVertices))
        return;
    // Unit 1 may still point at an earlier array; this draw sets its own.
    Deactivate2ndTextureUnit();
    SetArrayPointers(vertices);

    GLuint lightmapName = TextureName(lightmap);
    bool oneLightmapPass = m_bMultitexture && lightmapName != 0;
    if (oneLightmapPass)
    {
        SwitchOn2ndTextureUnit(vertices);
        BindOn2ndTextureUnit(lightmapName);
    }
    LockArrays(numVertices);
    DrawTriangles(indices, numIndices);
    if (oneLightmapPass)
        SwitchOff2ndTextureUnit();
    else if (!m_bMultitexture && lightmapName != 0)
        DrawLightmapPass(vertices, lightmapName, indices, numIndices);
    UnlockArrays();
}

void ZEOpenGLRenderer::RenderBillboard(const ZEVector& center, float width, float height, ZETextureReference* texture)
{
    // Turns about the vertical axis only: trees and signs stay upright.
    ZEVector up(0.0f, height * 0.5f, 0.0f);
    RenderFacingQuad(center, m_Camera.GetRVector() * (width * 0.5f), up, texture);
}

void ZEOpenGLRenderer::RenderParticle(const ZEVector& center, float width, float height, ZETextureReference* texture)
{
    RenderFacingQuad(center, m_Camera.GetRVector() * (width * 0.5f), m_Camera.GetUVector() * (height * 0.5f),
                     texture);
}

void ZEOpenGLRenderer::RenderFacingQuad(const ZEVector& center, const ZEVector& right, const ZEVector& up,
                                        ZETextureReference* texture)
{
    Deactivate2ndTextureUnit();
    SetTexture(texture);
    const ZEVector corners[4] = {center + right - up, center - right - up, center - right + up, center + right + up};
    const float texCoords[4][2] = {{1.0f, 1.0f}, {0.0f, 1.0f}, {0.0f, 0.0f}, {1.0f, 0.0f}};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i)
    {
        glTexCoord2fv(texCoords[i]);
        glVertex3f(corners[i].x, corners[i].y, corners[i].z);
    }
    glEnd();
}

void ZEOpenGLRenderer::SetVertexArray(ZEVertex* vertices, uint16_t numVertices)
{
    ForgetVertexArray();
    if (!vertices)
        return;
    SetArrayPointers(vertices);
    Deactivate2ndTextureUnit();
    m_pVertexArray = vertices;
    m_usNumVertices = numVertices;
}

void ZEOpenGLRenderer::SetVertexArray(ZELVertex* vertices, uint16_t numVertices)
{
    ForgetVertexArray();
    if (!vertices)
        return;
    SetArrayPointers(vertices);
    if (m_bMultitexture)
    {
        SwitchOn2ndTextureUnit(vertices);
        m_bSecondTextureUnit = true;
    }
    m_pLVertexArray = vertices;
    m_usNumVertices = numVertices;
}

void ZEOpenGLRenderer::LockVertexArray()
{
    if (m_pVertexArray || m_pLVertexArray)
        LockArrays(m_usNumVertices);
}

void ZEOpenGLRenderer::UnlockVertexArray()
{
    UnlockArrays();
}

void ZEOpenGLRenderer::DrawIndices(uint16_t* indices, uint16_t numIndices)
{
    if (!m_pVertexArray && !m_pLVertexArray)
        return;
    if (!IndicesWithin(indices, numIndices, m_usNumVertices))
        return;
    Deactivate2ndTextureUnit();
    DrawTriangles(indices, numIndices);
}

void ZEOpenGLRenderer::DrawIndices(uint16_t* indices, uint16_t numIndices, ZETextureReference* lightmap)
{
    if (!m_bLightmaps || !m_pLVertexArray)
    {
        DrawIndices(indices, numIndices);
        return;
    }
    if (IndicesWithin(indices, numIndices, m_usNumVertices))
        DrawLightmapped(indices, numIndices, lightmap);
}

void ZEOpenGLRenderer::DrawArray()
{
    if (!m_pVertexArray && !m_pLVertexArray)
        return;
    Deactivate2ndTextureUnit();
    DrawTriangles(nullptr, m_usNumVertices);
}

void ZEOpenGLRenderer::DrawArray(ZETextureReference* lightmap)
{
    if (!m_bLightmaps || !m_pLVertexArray)
    {
        DrawArray();
        return;
    }
    DrawLightmapped(nullptr, m_usNumVertices, lightmap);
}

void ZEOpenGLRenderer::DrawLightmapped(const uint16_t* indices, uint16_t count, ZETextureReference* lightmap)
{
    GLuint lightmapName = TextureName(lightmap);
    if (lightmapName == 0)
    {
        // Unit 1 would still hold an earlier lightmap.
        Deactivate2ndTextureUnit();
        DrawTriangles(indices, count);
        return;
    }
    if (!m_bMultitexture)
    {
        DrawTriangles(indices, count);
        DrawLightmapPass(m_pLVertexArray, lightmapName, indices, count);
        return;
    }
    // A draw in between may have switched unit 1 off since SetVertexArray.
    if (!m_bSecondTextureUnit)
    {
        SwitchOn2ndTextureUnit(m_pLVertexArray);
        m_bSecondTextureUnit = true;
    }
    BindOn2ndTextureUnit(lightmapName);
    DrawTriangles(indices, count);
}

void ZEOpenGLRenderer::DrawLightmapPass(const ZELVertex* vertices, uint32_t lightmap, const uint16_t* indices,
                                        uint16_t count)
{
    // Locked arrays may not change their pointers.
    uint16_t lockedCount = m_usLockedCount;
    bool wasLocked = m_bArraysLocked;
    UnlockArrays();

    GLint baseTexture = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &baseTexture);
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);

    glTexCoordPointer(2, GL_FLOAT, kLVertexStride, &vertices->lu);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_ZERO, GL_SRC_COLOR);
    // The first pass already carries the colour; the lightmap alone
    // multiplies the frame, as it does on the second texture unit.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBindTexture(GL_TEXTURE_2D, lightmap);
    if (wasLocked)
        LockArrays(lockedCount);
    DrawTriangles(indices, count);
    UnlockArrays();

    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(baseTexture));
    glColor4fv(colour);
    glTexCoordPointer(2, GL_FLOAT, kLVertexStride, &vertices->u);
    if (m_bBlending)
        SetBlendingState(m_usBlendSource, m_usBlendDest);
    else
        DisableBlending();
    SetZBufferComp(m_usZBufferComp);
    if (wasLocked)
        LockArrays(lockedCount);
}

void ZEOpenGLRenderer::ForgetVertexArray()
{
    m_pVertexArray = nullptr;
    m_pLVertexArray = nullptr;
    m_usNumVertices = 0;
}

void ZEOpenGLRenderer::SetArrayPointers(const ZEVertex* vertices)
{
    glVertexPointer(3, GL_FLOAT, kVertexStride, &vertices->x);
    glTexCoordPointer(2, GL_FLOAT, kVertexStride, &vertices->u);
}

void ZEOpenGLRenderer::SetArrayPointers(const ZELVertex* vertices)
{
    glVertexPointer(3, GL_FLOAT, kLVertexStride, &vertices->x);
    glTexCoordPointer(2, GL_FLOAT, kLVertexStride, &vertices->u);
}

void ZEOpenGLRenderer::SelectTextureUnit(uint32_t unit)
{
    if (m_pfnActiveTexture)
        reinterpret_cast<ZEActiveTextureProc>(m_pfnActiveTexture)(GL_TEXTURE0 + unit);
}

void ZEOpenGLRenderer::SelectClientTextureUnit(uint32_t unit)
{
    if (m_pfnClientActiveTexture)
        reinterpret_cast<ZEActiveTextureProc>(m_pfnClientActiveTexture)(GL_TEXTURE0 + unit);
}

void ZEOpenGLRenderer::SwitchOn2ndTextureUnit(const ZELVertex* vertices)
{
    SelectClientTextureUnit(1);
    glTexCoordPointer(2, GL_FLOAT, kLVertexStride, &vertices->lu);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    SelectClientTextureUnit(0);
    SelectTextureUnit(1);
    glEnable(GL_TEXTURE_2D);
    SelectTextureUnit(0);
}

void ZEOpenGLRenderer::SwitchOff2ndTextureUnit()
{
    SelectClientTextureUnit(1);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    SelectClientTextureUnit(0);
    SelectTextureUnit(1);
    glDisable(GL_TEXTURE_2D);
    SelectTextureUnit(0);
}

void ZEOpenGLRenderer::BindOn2ndTextureUnit(uint32_t texture)
{
    if (!m_TextureBindings.Bind(1, texture))
        return;
    SelectTextureUnit(1);
    glBindTexture(GL_TEXTURE_2D, texture);
    SelectTextureUnit(0);
}

void ZEOpenGLRenderer::LockArrays(uint16_t count)
{
    if (!m_bCompiledVertexArrays || !m_pfnLockArrays || m_bArraysLocked || count == 0)
        return;
    reinterpret_cast<ZELockArraysProc>(m_pfnLockArrays)(0, count);
    m_bArraysLocked = true;
    m_usLockedCount = count;
}

void ZEOpenGLRenderer::UnlockArrays()
{
    if (!m_bArraysLocked)
        return;
    if (m_pfnUnlockArrays)
        reinterpret_cast<ZEUnlockArraysProc>(m_pfnUnlockArrays)();
    m_bArraysLocked = false;
    m_usLockedCount = 0;
}

void ZEOpenGLRenderer::DrawTriangles(const uint16_t* indices, uint16_t count)
{
    if (count == 0)
        return;
    if (indices)
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, indices);
    else
        glDrawArrays(GL_TRIANGLES, 0, count);
}

// --- Frame --------------------------------------------------------------------

void ZEOpenGLRenderer::ClearBackBuffer()
{
    m_bBetweenFrames = false;
    glClear(GL_COLOR_BUFFER_BIT);
}

void ZEOpenGLRenderer::ClearZBuffer()
{
    glClear(GL_DEPTH_BUFFER_BIT);
}

void ZEOpenGLRenderer::ClearStencilBuffer()
{
    glClear(GL_STENCIL_BUFFER_BIT);
}

void ZEOpenGLRenderer::ClearBuffers()
{
    m_bBetweenFrames = false;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

// --- 2D -----------------------------------------------------------------------

void ZEOpenGLRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text)
{
    DrawText(x, y, size, text.CStr());
}

void ZEOpenGLRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const char* text)
{
    if (!m_pFontTexture)
        LoadDefaultFont();
    DrawText(x, y, size, text, m_pFontTexture);
}

void ZEOpenGLRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text, ZETextureReference* font)
{
    DrawText(x, y, size, text.CStr(), font);
}

void ZEOpenGLRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const char* text, ZETextureReference* font)
{
    if (!text)
        return;
    Deactivate2ndTextureUnit();
    SetTexture(font);
    DrawString(x, y, size, text);
}

void ZEOpenGLRenderer::LoadDefaultFont()
{
    // Without a texture manager yet, text draws untextured and the font is
    // asked for again next time.
    ZETextureManager* manager = ZETextureManager::ms_pTexManager;
    if (!manager)
        return;
    const uint8_t black[3] = {0, 0, 0};
    m_pFontTexture = manager->GetTexture(ZEString("font01"), ZEString("Engine"), false, black);
}

void ZEOpenGLRenderer::DrawString(int32_t x, int32_t y, uint16_t size, const char* text)
{
    if (!text)
        return;
    Begin2D();
    ZETextLayout layout(x, y, size, m_usWidth);
    for (const char* c = text; *c; ++c)
    {
        uint8_t byte = static_cast<uint8_t>(*c);
        int32_t glyphX = 0, glyphY = 0;
        if (layout.Place(byte, glyphX, glyphY))
            DrawCharacter(glyphX, glyphY, size, byte);
    }
    End2D();
}

void ZEOpenGLRenderer::DrawCharacter(int32_t x, int32_t y, uint16_t size, uint8_t c)
{
    float u = 0.0f, v = 0.0f;
    ZEGlyphTexCoords(c, u, v);
    const float cell = ZE_GLYPH_CELL_SIZE;
    float left = static_cast<float>(x);
    float right = left + size;
    float top = FlipY(y, m_usHeight);
    float bottom = top - size;
    glBegin(GL_QUADS);
    glTexCoord2f(u, v);
    glVertex2f(left, top);
    glTexCoord2f(u + cell, v);
    glVertex2f(right, top);
    glTexCoord2f(u + cell, v + cell);
    glVertex2f(right, bottom);
    glTexCoord2f(u, v + cell);
    glVertex2f(left, bottom);
    glEnd();
}

void ZEOpenGLRenderer::Begin2D()
{
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_ALWAYS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, m_usWidth, 0.0, m_usHeight, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}

void ZEOpenGLRenderer::End2D()
{
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    SetZBufferState(m_bZBufferWrite);
    SetZBufferComp(m_usZBufferComp);
}

void ZEOpenGLRenderer::DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    if (y1 > m_usHeight || x1 > m_usWidth || y1 > y2 || x1 > x2)
        return;
    Deactivate2ndTextureUnit();
    Begin2D();
    float left = static_cast<float>(x1), right = static_cast<float>(x2);
    float top = FlipY(y1, m_usHeight), bottom = FlipY(y2, m_usHeight);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, top);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, top);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, bottom);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, bottom);
    glEnd();
    End2D();
}

void ZEOpenGLRenderer::DrawRectanglef(float x1, float y1, float x2, float y2)
{
    DrawRectangle(FractionToPixels(x1, m_usWidth), FractionToPixels(y1, m_usHeight),
                  FractionToPixels(x2, m_usWidth), FractionToPixels(y2, m_usHeight));
}

void ZEOpenGLRenderer::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width)
{
    if (y1 > m_usHeight || x1 > m_usWidth || y2 > m_usHeight || x2 > m_usWidth)
        return;
    Deactivate2ndTextureUnit();
    glLineWidth(width);
    Begin2D();
    glBegin(GL_LINES);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(static_cast<float>(x1), FlipY(y1, m_usHeight));
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(static_cast<float>(x2), FlipY(y2, m_usHeight));
    glEnd();
    End2D();
}

void ZEOpenGLRenderer::DrawLinef(float x1, float y1, float x2, float y2, float width)
{
    DrawLine(FractionToPixels(x1, m_usWidth), FractionToPixels(y1, m_usHeight), FractionToPixels(x2, m_usWidth),
             FractionToPixels(y2, m_usHeight), width);
}

// --- World matrix ---------------------------------------------------------------

void ZEOpenGLRenderer::ScaleWorld(float x, float y, float z)
{
    glScalef(x, y, z);
}

void ZEOpenGLRenderer::TransformWorld(float x, float y, float z)
{
    glTranslatef(x, y, z);
}

void ZEOpenGLRenderer::RotateWorldDeg(float x, float y, float z)
{
    glRotatef(z, 0.0f, 0.0f, 1.0f);
    glRotatef(y, 0.0f, 1.0f, 0.0f);
    glRotatef(x, 1.0f, 0.0f, 0.0f);
}

void ZEOpenGLRenderer::RotateWorldRad(float x, float y, float z)
{
    const float kDegreesPerRadian = 180.0f / 3.1415927f;
    RotateWorldDeg(x * kDegreesPerRadian, y * kDegreesPerRadian, z * kDegreesPerRadian);
}

void ZEOpenGLRenderer::PushWorldMatrix()
{
    glPushMatrix();
}

void ZEOpenGLRenderer::PopWorldMatrix()
{
    glPopMatrix();
}

void ZEOpenGLRenderer::ResetWorld()
{
    glLoadIdentity();
    glScalef(1.0f, 1.0f, -1.0f);
}

void ZEOpenGLRenderer::RestoreWorld()
{
    ResetWorld();
    const ZEVector& rotation = m_Camera.m_vRotation;
    const ZEVector& position = m_Camera.m_vPosition;
    glRotatef(rotation.x, 1.0f, 0.0f, 0.0f);
    glRotatef(rotation.y, 0.0f, 1.0f, 0.0f);
    glRotatef(rotation.z, 0.0f, 0.0f, 1.0f);
    glTranslatef(-position.x, -position.y, -position.z);
}

void ZEOpenGLRenderer::TakeScreenshot(const ZEString& name)
{
    if (m_bBetweenFrames)
        m_aWaitingShots.push_back(name);
    else
        WriteScreenshot(name);
}

void ZEOpenGLRenderer::WriteWaitingScreenshots()
{
    for (const ZEString& name : m_aWaitingShots)
        WriteScreenshot(name);
    m_aWaitingShots.clear();
}

void ZEOpenGLRenderer::WriteScreenshot(const ZEString& name)
{
    if (m_usWidth == 0 || m_usHeight == 0)
        return;
    std::vector<uint8_t> pixels(static_cast<size_t>(m_usWidth) * m_usHeight * 3);
    // Rows of an odd width are not a multiple of four bytes long.
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, m_usWidth, m_usHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    ZEString path = ZEString::Format("%s.tga", name.CStr());
    ZEWriteTGA(path.CStr(), pixels.data(), m_usWidth, m_usHeight);
}

bool ZEOpenGLRenderer::SetShadowMatrix(const ZEVector& light, const ZEPlane& plane)
{
    const ZEVector& n = plane.m_vNormal;
    float d = static_cast<float>(plane.m_dDistance);
    float k = n.DotProduct(light);
    const GLfloat matrix[16] = {
        k - n.x * light.x, -n.x * light.y,     -n.x * light.z,     0.0f,
        -n.y * light.x,    k - n.y * light.y,  -n.y * light.z,     0.0f,
        -n.z * light.x,    -n.z * light.y,     k - n.z * light.z,  0.0f,
        -d * light.x,      -d * light.y,       -d * light.z,       k};
    glMultMatrixf(matrix);
    return true;
}

// --- Textures -------------------------------------------------------------------

void ZEOpenGLRenderer::RestoreTexture(ZETexture* texture)
{
    RestoreTexture(texture, m_usTextureFilter);
}

void ZEOpenGLRenderer::RestoreTexture(ZETexture* texture, uint16_t filter)
{
    if (!texture || (texture->m_bLightmap && !m_bLightmaps))
        return;
    ZEGLTextureUpload upload =
        ZEGLPlanTextureUpload(texture->m_bAlpha, texture->m_bLightmap, texture->m_bClamp, filter, m_bMipMapping);

    glBindTexture(GL_TEXTURE_2D, texture->m_ulID);
    m_TextureBindings.Bound(0, texture->m_ulID);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, upload.m_ulWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, upload.m_ulWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, upload.m_ulMagFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, upload.m_ulMinFilter);

    const uint8_t* data = texture->GetData();
    uint32_t width = 0, height = 0;
    texture->GetDimensions(width, height);
    if (!data || width == 0 || height == 0)
        return;

    // Tightly packed rows: a lightmap row of 5 texels is 5 bytes.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    std::vector<uint8_t> scaled;
    uint32_t realWidth = width, realHeight = height;
    if (!texture->m_bLightmap && GetRealTextureSize(realWidth, realHeight, texture->m_bAlpha))
    {
        scaled.resize(static_cast<size_t>(realWidth) * realHeight * upload.m_ulBytesPerTexel);
        if (gluScaleImage(upload.m_ulFormat, width, height, GL_UNSIGNED_BYTE, data, realWidth, realHeight,
                          GL_UNSIGNED_BYTE, scaled.data()) != 0)
            return;
        data = scaled.data();
        width = realWidth;
        height = realHeight;
    }

    if (upload.m_bMipmaps)
        gluBuild2DMipmaps(GL_TEXTURE_2D, upload.m_ulFormat, width, height, upload.m_ulFormat, GL_UNSIGNED_BYTE, data);
    else
        glTexImage2D(GL_TEXTURE_2D, 0, upload.m_ulFormat, width, height, 0, upload.m_ulFormat, GL_UNSIGNED_BYTE,
                     data);
}

void ZEOpenGLRenderer::ReleaseTexture(ZETexture* texture)
{
    // Deleted even for a lightmap while lightmaps are off: one uploaded
    // before they were switched off would otherwise stay behind, and
    // deleting a never used name does nothing.
    if (!texture)
        return;
    GLuint name = texture->m_ulID;
    glDeleteTextures(1, &name);
    m_TextureBindings.Deleted(name);
}

// --- Context ----------------------------------------------------------------------

void ZEOpenGLRenderer::SetupOpenGL()
{
    SetViewport(0, 0, m_usWidth, m_usHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glFrontFace(GL_CW);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    LightWithTheCurrentColour();
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    // Images are packed tightly: lightmaps have one byte a texel and
    // windows may be of odd width.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    // A new context starts with unit 1 off, nothing locked and bindings
    // this renderer did not make.
    m_bSecondTextureUnit = false;
    m_TextureBindings.Forget();
    m_bArraysLocked = false;
    m_usLockedCount = 0;
    ForgetVertexArray();
}

void ZEOpenGLRenderer::LightWithTheCurrentColour()
{
    // Lighting without lights, a white scene ambient and the colour as
    // ambient and diffuse material: every vertex gets exactly the current
    // colour, alpha included (lighting takes alpha from the diffuse
    // material), as it would unlit. The colour then reaches the fragments
    // as an interpolated input; unlit, a fixed-function fragment stage may
    // read it as a constant of its own, and a software rasteriser then
    // takes every colour change for a new fragment state, which costs as
    // much as a texture change.
    const GLfloat white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
}

void ZEOpenGLRenderer::Deactivate2ndTextureUnit()
{
    if (!m_bSecondTextureUnit)
        return;
    SwitchOff2ndTextureUnit();
    m_bSecondTextureUnit = false;
}
