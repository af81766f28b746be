// A window on a private X server for tests of what real OpenGL (Mesa's
// llvmpipe) draws: Xvfb, SDL's video and an OpenGL renderer of the given
// size, set up for drawing without lightmaps. Tests read single pixels
// back, counting rows from the top as the picture shows them.
#pragma once

#include "math/ZEVector.h"
#include "support/Xvfb.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

class ZEEngine;
class ZEManualTimer;
class ZESDLOpenGLRenderer;

struct ZEPixel
{
    int r, g, b;
};

// Whether every channel of p lies within `tolerance` of (r, g, b).
::testing::AssertionResult ZENearPixel(const ZEPixel& p, int r, int g, int b, int tolerance = 1);

class ZEPixelWindow
{
public:
    // Starts the server and opens the window; Ok() tells whether that
    // worked.
    ZEPixelWindow(int width, int height);
    // Closes the renderer and SDL's video, then stops the server.
    ~ZEPixelWindow();

    ZEPixelWindow(const ZEPixelWindow&) = delete;
    ZEPixelWindow& operator=(const ZEPixelWindow&) = delete;

    bool Ok() const { return m_pRenderer != nullptr; }
    std::string Error() const;
    ZESDLOpenGLRenderer* Renderer() const { return m_pRenderer; }

    // Back to a fresh state: the OpenGL defaults the renderer sets, no
    // lightmaps, a camera at the origin with a 90 degree view from 1 to
    // 1000 units.
    void Reset();
    // Puts the camera at `eye` looking along `direction` (no roll).
    void Look(const ZEVector& eye, const ZEVector& direction);
    // Clears colour, depth and stencil, the colour to (r, g, b).
    void Clear(uint8_t r = 0, uint8_t g = 0, uint8_t b = 0);
    // The pixel at column x, row y from the top.
    ZEPixel At(int x, int y) const;

    const int m_iWidth, m_iHeight;

private:
    ZEXvfb m_Display;
    ZESDLOpenGLRenderer* m_pRenderer = nullptr;
};

// A pixel window with an engine over it, its game clock a manual timer
// starting at `start`: the world that drawing tests fill and draw. The
// engine is made only when the window opened.
class ZEPixelWorld
{
public:
    ZEPixelWorld(int width, int height, uint32_t start = 10000);
    ~ZEPixelWorld();

    ZEPixelWorld(const ZEPixelWorld&) = delete;
    ZEPixelWorld& operator=(const ZEPixelWorld&) = delete;

    ZEPixelWindow m_Window;
    ZEManualTimer* m_pTimer = nullptr;
    ZEEngine* m_pEngine = nullptr;
};

// The fixture of drawing tests that share one world for the whole suite: a
// Width x Height window made before the first case and closed after the
// last, reached through ms_pWorld.
template <int Width, int Height>
class ZEPixelWorldTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { ms_pWorld = new ZEPixelWorld(Width, Height); }
    static void TearDownTestSuite()
    {
        delete ms_pWorld;
        ms_pWorld = nullptr;
    }

    static inline ZEPixelWorld* ms_pWorld = nullptr;
};
