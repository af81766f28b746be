#include "support/PixelWindow.h"

#include "platform/null/ZEManualTimer.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "world/ZEEngine.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

::testing::AssertionResult ZENearPixel(const ZEPixel& p, int r, int g, int b, int tolerance)
{
    int difference = std::max({std::abs(p.r - r), std::abs(p.g - g), std::abs(p.b - b)});
    if (difference <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel is " << p.r << ", " << p.g << ", " << p.b << ", not " << r << ", "
                                         << g << ", " << b;
}

ZEPixelWindow::ZEPixelWindow(int width, int height) : m_iWidth(width), m_iHeight(height)
{
    if (!m_Display.Start() || SDL_Init(SDL_INIT_VIDEO) != 0)
        return;
    m_pRenderer = new ZESDLOpenGLRenderer(static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0);
}

ZEPixelWindow::~ZEPixelWindow()
{
    delete m_pRenderer;
    SDL_Quit();
}

std::string ZEPixelWindow::Error() const
{
    return m_Display.Error().empty() ? std::string(SDL_GetError()) : m_Display.Error();
}

void ZEPixelWindow::Reset()
{
    m_pRenderer->SetupOpenGL();
    m_pRenderer->m_bLightmaps = false;
    m_pRenderer->m_Camera = ZECamera();
    m_pRenderer->SetPerspective(90.0f, static_cast<float>(m_iWidth) / m_iHeight, 1.0f, 1000.0f);
    m_pRenderer->RestoreWorld();
}

void ZEPixelWindow::Look(const ZEVector& eye, const ZEVector& direction)
{
    const ZEVector d = direction.UnitVector();
    m_pRenderer->m_Camera.SetPosition(eye);
    m_pRenderer->m_Camera.SetRotation(ZEVector(std::asin(d.y), std::atan2(-d.x, d.z), 0.0f) * 57.29578f);
    m_pRenderer->RestoreWorld();
}

void ZEPixelWindow::Clear(uint8_t r, uint8_t g, uint8_t b)
{
    m_pRenderer->SetBackgroundColor(r, g, b);
    m_pRenderer->ClearBuffers();
}

ZEPixel ZEPixelWindow::At(int x, int y) const
{
    uint8_t rgb[3] = {};
    glReadPixels(x, m_iHeight - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    return ZEPixel{rgb[0], rgb[1], rgb[2]};
}

ZEPixelWorld::ZEPixelWorld(int width, int height, uint32_t start) : m_Window(width, height)
{
    if (!m_Window.Ok())
        return;
    m_pTimer = new ZEManualTimer(start);
    m_pEngine = new ZEEngine(m_Window.Renderer(), nullptr, nullptr, nullptr, m_pTimer, nullptr);
}

ZEPixelWorld::~ZEPixelWorld()
{
    delete m_pEngine;
    delete m_pTimer;
}
