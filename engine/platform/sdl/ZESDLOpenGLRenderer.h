// ZESDLOpenGLRenderer: the OpenGL renderer in an SDL 1.2 window.
//
// It owns the window and the video mode: the constructor opens the window
// (Init) and the destructor shows the mouse cursor again. Every change of
// resolution, window size or full-screen mode runs Init again, which gives
// a new context and so loses every texture object; the mode operations
// therefore have the texture manager upload all textures again at once and
// tell the console to re-lay its lines.
//
// A video mode that cannot be opened gives way to a 640 x 480 window at the
// desktop's colour depth (the failure goes to stderr and the console). If
// not even that window opens, the reason goes to stderr and the process
// ends with status 1, before any OpenGL call. A colour depth of 0 (a
// resized window) means the desktop's depth.
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

    // Opens the video mode (or the fallback window) and sets the context
    // up; m_bInitialized is true afterwards.
    void Init();
    // Looks up the optional extensions' entry points.
    void QueryExtensions();
    // Shows the mouse cursor again.
    void Shutdown();

private:
    // The mode of the size, depth and full-screen fields; false when SDL
    // refuses it.
    bool OpenVideoMode();
    // After a mode change: upload every texture again, re-lay the console.
    void ModeChanged();
};
