// ZESDLOpenGLRenderer: the OpenGL renderer in an SDL 1.2 window.
//
// It owns the window and the video mode: the constructor opens the window
// (Init) and the destructor shows the mouse cursor again. Every change of
// resolution, window size or full-screen mode runs Init again, which gives
// a new context and so loses every texture object; the mode operations
// therefore have the texture manager upload all textures again at once and
// tell the console to re-lay its lines.
//
// When the video mode cannot be opened, the renderer stays uninitialised
// (m_bInitialized false) and the failure is posted to the console.
#pragma once

#include "render/ZEOpenGLRenderer.h"

#include <cstdint>

class ZESDLOpenGLRenderer : public ZEOpenGLRenderer
{
public:
    // fullscreen != 0 opens a full-screen mode; the colour depth is 32.
    ZESDLOpenGLRenderer(uint16_t width, uint16_t height, uint16_t fullscreen);
    ~ZESDLOpenGLRenderer() override;

    // Whether width x height x bitsPerPixel can be opened as an OpenGL
    // surface, full screen when bitsPerPixel != 0.
    bool SupportsResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel) override;
    // bitsPerPixel != 0 gives 32-bit full screen, 0 a window.
    void SetResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel) override;
    // Ignored while full screen.
    void SetWindowSize(uint16_t width, uint16_t height) override;
    void SetWindowTitle(const ZEString& title) override;
    // Swaps the buffers and counts frames per second of real time.
    void DisplayBackBuffer() override;

    // Opens the video mode and sets the context up; m_bInitialized tells
    // whether it succeeded.
    void Init();
    // Looks up the optional extensions' entry points.
    void QueryExtensions();
    // Shows the mouse cursor again.
    void Shutdown();

private:
    // After a mode change: upload every texture again, re-lay the console.
    void ModeChanged();
};
