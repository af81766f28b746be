#include "render/ZEOpenGLRenderer.h"

#include "core/ZETimer.h"
#include "math/ZEPlane.h"
#include "resources/ZETextureManager.h"

#include <GL/gl.h>
#include <GL/glu.h>

namespace
{
typedef void(APIENTRY* ZEActiveTextureProc)(GLenum unit);

// The interface's integer state codes, as OpenGL enumerations.
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

template <size_t N>
GLenum MapCode(const GLenum (&table)[N], uint16_t code, GLenum unknown)
{
    return code < N ? table[code] : unknown;
}

GLenum DepthFunction(uint16_t code) { return MapCode(kComparisons, code, GL_LESS); }
GLenum StencilFunction(uint16_t code) { return MapCode(kComparisons, code, GL_NEVER); }
GLenum BlendSource(uint16_t code) { return MapCode(kBlendSources, code, GL_ZERO); }
GLenum BlendDest(uint16_t code) { return MapCode(kBlendDests, code, GL_ZERO); }
GLenum StencilOperation(uint16_t code) { return MapCode(kStencilOps, code, GL_KEEP); }

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
    SetResolution(m_usWidth, m_usHeight, m_bFullscreen ? 0 : 32);
    return true;
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
    glDepthFunc(DepthFunction(code));
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
    glBlendFunc(BlendSource(source), BlendDest(dest));
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
    glStencilFunc(StencilFunction(code), reference, mask);
    m_usStencilComp = code;
    m_lStencilRef = reference;
    m_ulStencilMask = mask;
}

void ZEOpenGLRenderer::SetStencilOp(uint16_t fail, uint16_t zfail, uint16_t zpass)
{
    if (!m_bStencilBuffer)
        return;
    glStencilOp(StencilOperation(fail), StencilOperation(zfail), StencilOperation(zpass));
    m_usStencilFail = fail;
    m_usStencilZFail = zfail;
    m_usStencilZPass = zpass;
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
    glBindTexture(GL_TEXTURE_2D, texture ? texture->m_ulID : 0);
}

// --- Geometry -----------------------------------------------------------------

void ZEOpenGLRenderer::Render(ZEVertex*, uint16_t, uint16_t*, uint16_t)
{
    // Indexed drawing is written by the renderer work item.
}

void ZEOpenGLRenderer::Render(ZELVertex*, uint16_t, uint16_t*, uint16_t, ZETextureReference*)
{
    // Lightmapped drawing is written by the renderer work item.
}

void ZEOpenGLRenderer::RenderBillboard(const ZEVector&, float, float, ZETextureReference*)
{
    // Camera-facing quads are written by the renderer work item.
}

void ZEOpenGLRenderer::RenderParticle(const ZEVector&, float, float, ZETextureReference*)
{
    // Camera-facing quads are written by the renderer work item.
}

void ZEOpenGLRenderer::SetVertexArray(ZEVertex*, uint16_t)
{
    // Vertex arrays are written by the renderer work item.
}

void ZEOpenGLRenderer::SetVertexArray(ZELVertex*, uint16_t)
{
    // Vertex arrays are written by the renderer work item.
}

void ZEOpenGLRenderer::LockVertexArray()
{
    // Vertex arrays are written by the renderer work item.
}

void ZEOpenGLRenderer::UnlockVertexArray()
{
    // Vertex arrays are written by the renderer work item.
}

void ZEOpenGLRenderer::DrawIndices(uint16_t*, uint16_t)
{
    // Vertex arrays are written by the renderer work item.
}

void ZEOpenGLRenderer::DrawIndices(uint16_t*, uint16_t, ZETextureReference*)
{
    // Lightmapped drawing is written by the renderer work item.
}

void ZEOpenGLRenderer::DrawArray()
{
    // Vertex arrays are written by the renderer work item.
}

void ZEOpenGLRenderer::DrawArray(ZETextureReference*)
{
    // Lightmapped drawing is written by the renderer work item.
}

// --- Frame --------------------------------------------------------------------

void ZEOpenGLRenderer::ClearBackBuffer()
{
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
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

// --- 2D -----------------------------------------------------------------------

void ZEOpenGLRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text)
{
    DrawText(x, y, size, text.CStr());
}

void ZEOpenGLRenderer::DrawText(int32_t, int32_t, uint16_t, const char*)
{
    // Text is written by the renderer work item.
}

void ZEOpenGLRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text, ZETextureReference* font)
{
    DrawText(x, y, size, text.CStr(), font);
}

void ZEOpenGLRenderer::DrawText(int32_t, int32_t, uint16_t, const char*, ZETextureReference*)
{
    // Text is written by the renderer work item.
}

void ZEOpenGLRenderer::DrawString(int32_t, int32_t, uint16_t, const char*)
{
    // Text is written by the renderer work item.
}

void ZEOpenGLRenderer::DrawCharacter(int32_t, int32_t, uint16_t, uint8_t)
{
    // Text is written by the renderer work item.
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

void ZEOpenGLRenderer::TakeScreenshot(const ZEString&)
{
    // Screenshots are written by the renderer work item.
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

void ZEOpenGLRenderer::RestoreTexture(ZETexture*, uint16_t)
{
    // Texture upload is written by the renderer work item.
}

void ZEOpenGLRenderer::ReleaseTexture(ZETexture*)
{
    // Texture release is written by the renderer work item.
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
    glColorMaterial(GL_FRONT, GL_AMBIENT);
    glEnable(GL_COLOR_MATERIAL);
    glColor3f(1.0f, 1.0f, 1.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
}

void ZEOpenGLRenderer::Deactivate2ndTextureUnit()
{
    if (!m_bSecondTextureUnit)
        return;
    m_bSecondTextureUnit = false;
    if (!m_pfnActiveTexture || !m_pfnClientActiveTexture)
        return;
    auto activeTexture = reinterpret_cast<ZEActiveTextureProc>(m_pfnActiveTexture);
    auto clientActiveTexture = reinterpret_cast<ZEActiveTextureProc>(m_pfnClientActiveTexture);
    clientActiveTexture(GL_TEXTURE1);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    clientActiveTexture(GL_TEXTURE0);
    activeTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    activeTexture(GL_TEXTURE0);
}
