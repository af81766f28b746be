#include "support/RecordingRenderer.h"

#include "math/ZEPlane.h"

#include <cstdarg>
#include <cstdio>

std::string ZERecordingRenderer::PointerText(const void* pointer)
{
    if (!pointer)
        return "null";
    char buffer[32];
    std::snprintf(buffer, sizeof(buffer), "%p", pointer);
    return buffer;
}

size_t ZERecordingRenderer::Count(const std::string& prefix) const
{
    size_t count = 0;
    for (const std::string& line : m_Log)
        if (line.compare(0, prefix.size(), prefix) == 0)
            ++count;
    return count;
}

int ZERecordingRenderer::Find(const std::string& prefix, size_t from) const
{
    for (size_t i = from; i < m_Log.size(); ++i)
        if (m_Log[i].compare(0, prefix.size(), prefix) == 0)
            return static_cast<int>(i);
    return -1;
}

void ZERecordingRenderer::SetReportedResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel)
{
    m_usWidth = width;
    m_usHeight = height;
    m_usBitsPerPixel = bitsPerPixel;
}

void ZERecordingRenderer::Log(const char* format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string line(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0)
        std::vsnprintf(&line[0], line.size() + 1, format, arguments);
    va_end(arguments);
    m_Log.push_back(line);
}

void ZERecordingRenderer::LogText(const char* head, int32_t x, int32_t y, uint16_t size, const char* text,
                                  const ZETextureReference* font, bool withFont)
{
    std::string line = std::string(head) + " " + std::to_string(x) + " " + std::to_string(y) + " " +
                       std::to_string(size) + " " + (text ? text : "");
    if (withFont)
        line += " font=" + PointerText(font);
    m_Log.push_back(line);
}

// --- Video modes and window ----------------------------------------------------------

bool ZERecordingRenderer::SupportsResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel)
{
    Log("SupportsResolution %u %u %u", width, height, bitsPerPixel);
    return m_bSupportsResolution;
}

void ZERecordingRenderer::SetResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel)
{
    Log("SetResolution %u %u %u", width, height, bitsPerPixel);
}

void ZERecordingRenderer::GetResolution(uint16_t& width, uint16_t& height, uint16_t& bitsPerPixel)
{
    Log("GetResolution");
    width = m_usWidth;
    height = m_usHeight;
    bitsPerPixel = m_usBitsPerPixel;
}

void ZERecordingRenderer::SetWindowSize(uint16_t width, uint16_t height)
{
    Log("SetWindowSize %u %u", width, height);
}

void ZERecordingRenderer::SetWindowTitle(const ZEString& title)
{
    Log("SetWindowTitle %s", title.CStr());
    m_WindowTitle = title;
}

bool ZERecordingRenderer::ToggleFullscreen()
{
    Log("ToggleFullscreen");
    return true;
}

// --- Colours and states ------------------------------------------------------------------

void ZERecordingRenderer::SetAmbient(uint8_t r, uint8_t g, uint8_t b)
{
    Log("SetAmbient %u %u %u", r, g, b);
}

void ZERecordingRenderer::SetAmbient(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    Log("SetAmbient %u %u %u %u", r, g, b, a);
}

void ZERecordingRenderer::SetAmbient3(const uint8_t* rgb)
{
    if (rgb)
        Log("SetAmbient3 %u %u %u", rgb[0], rgb[1], rgb[2]);
    else
        Log("SetAmbient3 null");
}

void ZERecordingRenderer::SetAmbient4(const uint8_t* rgba)
{
    if (rgba)
        Log("SetAmbient4 %u %u %u %u", rgba[0], rgba[1], rgba[2], rgba[3]);
    else
        Log("SetAmbient4 null");
}

void ZERecordingRenderer::SetBackgroundColor(uint8_t r, uint8_t g, uint8_t b)
{
    Log("SetBackgroundColor %u %u %u", r, g, b);
    m_aucBackgroundColor[0] = r;
    m_aucBackgroundColor[1] = g;
    m_aucBackgroundColor[2] = b;
}

void ZERecordingRenderer::SetViewport(uint16_t x, uint16_t y, uint16_t width, uint16_t height)
{
    Log("SetViewport %u %u %u %u", x, y, width, height);
    m_usViewportX = x;
    m_usViewportY = y;
    m_usViewportWidth = width;
    m_usViewportHeight = height;
}

void ZERecordingRenderer::SetZBufferState(bool write)
{
    Log("SetZBufferState %d", write ? 1 : 0);
    m_bZBufferWrite = write;
}

void ZERecordingRenderer::SetZBufferComp(uint16_t code)
{
    Log("SetZBufferComp %u", code);
    m_usZBufferComp = code;
}

void ZERecordingRenderer::EnableBlending()
{
    Log("EnableBlending");
    m_bBlending = true;
}

void ZERecordingRenderer::DisableBlending()
{
    Log("DisableBlending");
    m_bBlending = false;
}

void ZERecordingRenderer::SetBlendingState(uint16_t source, uint16_t dest)
{
    Log("SetBlendingState %u %u", source, dest);
    m_usBlendSource = source;
    m_usBlendDest = dest;
}

void ZERecordingRenderer::EnableAlphaTest()
{
    Log("EnableAlphaTest");
}

void ZERecordingRenderer::DisableAlphaTest()
{
    Log("DisableAlphaTest");
}

void ZERecordingRenderer::SetAlphaState(uint16_t function, float reference)
{
    Log("SetAlphaState %u %g", function, reference);
    m_usAlphaFunc = function;
    m_fAlphaRef = reference;
}

void ZERecordingRenderer::EnableStencilBuffer()
{
    Log("EnableStencilBuffer");
}

void ZERecordingRenderer::DisableStencilBuffer()
{
    Log("DisableStencilBuffer");
}

void ZERecordingRenderer::SetStencilComp(uint16_t code, int32_t reference, uint32_t mask)
{
    Log("SetStencilComp %u %d %u", code, reference, mask);
    if (!m_bStencilBuffer)
        return;
    m_usStencilComp = code;
    m_lStencilRef = reference;
    m_ulStencilMask = mask;
}

void ZERecordingRenderer::SetStencilOp(uint16_t fail, uint16_t zfail, uint16_t zpass)
{
    Log("SetStencilOp %u %u %u", fail, zfail, zpass);
    if (!m_bStencilBuffer)
        return;
    m_usStencilFail = fail;
    m_usStencilZFail = zfail;
    m_usStencilZPass = zpass;
}

void ZERecordingRenderer::WriteToScreen(bool on)
{
    Log("WriteToScreen %d", on ? 1 : 0);
    m_bWriteToScreen = on;
}

void ZERecordingRenderer::ReverseVertexOrder(bool counterClockwise)
{
    Log("ReverseVertexOrder %d", counterClockwise ? 1 : 0);
    m_bReverseVertexOrder = counterClockwise;
}

void ZERecordingRenderer::EnableEnvironmentMapping()
{
    Log("EnableEnvironmentMapping");
    m_bEnvironmentMapping = true;
}

void ZERecordingRenderer::DisableEnvironmentMapping()
{
    Log("DisableEnvironmentMapping");
    m_bEnvironmentMapping = false;
}

void ZERecordingRenderer::EnableDecaling()
{
    Log("EnableDecaling");
    m_bZBufferWrite = false;
}

void ZERecordingRenderer::DisableDecaling()
{
    Log("DisableDecaling");
    m_bZBufferWrite = true;
}

void ZERecordingRenderer::SetPerspective(float fovY, float aspect, float zNear, float zFar)
{
    Log("SetPerspective %g %g %g %g", fovY, aspect, zNear, zFar);
    m_Camera.SetPerspective(fovY, aspect, zNear, zFar);
}

void ZERecordingRenderer::SetTexture(ZETextureReference* texture)
{
    Log("SetTexture %s", PointerText(texture).c_str());
}

// --- Geometry ----------------------------------------------------------------------------

void ZERecordingRenderer::Render(ZEVertex*, uint16_t numVertices, uint16_t*, uint16_t numIndices)
{
    Log("Render %u %u", numVertices, numIndices);
}

void ZERecordingRenderer::Render(ZELVertex*, uint16_t numVertices, uint16_t*, uint16_t numIndices,
                                 ZETextureReference* lightmap)
{
    Log("RenderL %u %u %s", numVertices, numIndices, PointerText(lightmap).c_str());
}

void ZERecordingRenderer::RenderBillboard(const ZEVector& center, float width, float height,
                                          ZETextureReference* texture)
{
    Log("RenderBillboard %g %g %g %g %g %s", center.x, center.y, center.z, width, height,
        PointerText(texture).c_str());
}

void ZERecordingRenderer::RenderParticle(const ZEVector& center, float width, float height,
                                         ZETextureReference* texture)
{
    Log("RenderParticle %g %g %g %g %g %s", center.x, center.y, center.z, width, height,
        PointerText(texture).c_str());
}

void ZERecordingRenderer::SetVertexArray(ZEVertex*, uint16_t numVertices)
{
    Log("SetVertexArray %u", numVertices);
}

void ZERecordingRenderer::SetVertexArray(ZELVertex*, uint16_t numVertices)
{
    Log("SetVertexArrayL %u", numVertices);
}

void ZERecordingRenderer::LockVertexArray()
{
    Log("LockVertexArray");
}

void ZERecordingRenderer::UnlockVertexArray()
{
    Log("UnlockVertexArray");
}

void ZERecordingRenderer::DrawIndices(uint16_t*, uint16_t numIndices)
{
    Log("DrawIndices %u", numIndices);
}

void ZERecordingRenderer::DrawIndices(uint16_t*, uint16_t numIndices, ZETextureReference* lightmap)
{
    Log("DrawIndicesL %u %s", numIndices, PointerText(lightmap).c_str());
}

void ZERecordingRenderer::DrawArray()
{
    Log("DrawArray");
}

void ZERecordingRenderer::DrawArray(ZETextureReference* lightmap)
{
    Log("DrawArrayL %s", PointerText(lightmap).c_str());
}

// --- Frame -------------------------------------------------------------------------------

void ZERecordingRenderer::DisplayBackBuffer()
{
    Log("DisplayBackBuffer");
}

void ZERecordingRenderer::ClearBackBuffer()
{
    Log("ClearBackBuffer");
}

void ZERecordingRenderer::ClearZBuffer()
{
    Log("ClearZBuffer");
}

void ZERecordingRenderer::ClearStencilBuffer()
{
    Log("ClearStencilBuffer");
}

void ZERecordingRenderer::ClearBuffers()
{
    Log("ClearBuffers");
}

// --- 2D ------------------------------------------------------------------------------------

void ZERecordingRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text)
{
    LogText("DrawText", x, y, size, text.CStr(), nullptr, false);
}

void ZERecordingRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const char* text)
{
    LogText("DrawText", x, y, size, text, nullptr, false);
}

void ZERecordingRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const ZEString& text,
                                   ZETextureReference* font)
{
    LogText("DrawText", x, y, size, text.CStr(), font, true);
}

void ZERecordingRenderer::DrawText(int32_t x, int32_t y, uint16_t size, const char* text, ZETextureReference* font)
{
    LogText("DrawText", x, y, size, text, font, true);
}

void ZERecordingRenderer::DrawRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2)
{
    Log("DrawRectangle %d %d %d %d", x1, y1, x2, y2);
}

void ZERecordingRenderer::DrawRectanglef(float x1, float y1, float x2, float y2)
{
    Log("DrawRectanglef %g %g %g %g", x1, y1, x2, y2);
}

void ZERecordingRenderer::DrawLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, float width)
{
    Log("DrawLine %d %d %d %d %g", x1, y1, x2, y2, width);
}

void ZERecordingRenderer::DrawLinef(float x1, float y1, float x2, float y2, float width)
{
    Log("DrawLinef %g %g %g %g %g", x1, y1, x2, y2, width);
}

// --- World matrix ----------------------------------------------------------------------------

void ZERecordingRenderer::ScaleWorld(float x, float y, float z)
{
    Log("ScaleWorld %g %g %g", x, y, z);
}

void ZERecordingRenderer::TransformWorld(float x, float y, float z)
{
    Log("TransformWorld %g %g %g", x, y, z);
}

void ZERecordingRenderer::RotateWorldDeg(float x, float y, float z)
{
    Log("RotateWorldDeg %g %g %g", x, y, z);
}

void ZERecordingRenderer::RotateWorldRad(float x, float y, float z)
{
    Log("RotateWorldRad %g %g %g", x, y, z);
}

void ZERecordingRenderer::PushWorldMatrix()
{
    Log("PushWorldMatrix");
}

void ZERecordingRenderer::PopWorldMatrix()
{
    Log("PopWorldMatrix");
}

void ZERecordingRenderer::ResetWorld()
{
    Log("ResetWorld");
}

void ZERecordingRenderer::RestoreWorld()
{
    Log("RestoreWorld");
}

void ZERecordingRenderer::TakeScreenshot(const ZEString& name)
{
    Log("TakeScreenshot %s", name.CStr());
}

bool ZERecordingRenderer::SetShadowMatrix(const ZEVector& light, const ZEPlane& plane)
{
    Log("SetShadowMatrix %g %g %g %g %g %g %g", light.x, light.y, light.z, plane.m_vNormal.x, plane.m_vNormal.y,
        plane.m_vNormal.z, plane.m_dDistance);
    return m_bShadowMatrix;
}

// --- Textures --------------------------------------------------------------------------------

void ZERecordingRenderer::RestoreTexture(ZETexture* texture)
{
    Log("RestoreTexture %s", PointerText(texture).c_str());
}

void ZERecordingRenderer::RestoreTexture(ZETexture* texture, uint16_t filter)
{
    Log("RestoreTexture %s %u", PointerText(texture).c_str(), filter);
}

void ZERecordingRenderer::ReleaseTexture(ZETexture* texture)
{
    Log("ReleaseTexture %s", PointerText(texture).c_str());
}
