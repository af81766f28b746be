#include "platform/sdl/ZESDLOpenGLRenderer.h"

#include "core/ZEConsole.h"
#include "core/ZETimer.h"
#include "resources/ZETextureManager.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL/SDL.h>
// Last: the X11 headers define macros such as None and Bool.
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
const uint32_t kFullscreenBitsPerPixel = 32;
const uint16_t kFallbackWidth = 640;
const uint16_t kFallbackHeight = 480;
const uint32_t kFrameRateInterval = 1000;

// The surface flags of every mode the renderer opens or asks about.
Uint32 VideoFlags(bool fullscreen)
{
    return SDL_OPENGL | SDL_ANYFORMAT | (fullscreen ? SDL_FULLSCREEN : 0);
}

void RequestContextAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
}

// Losing the X server ends the process. Xlib's own handler calls exit(),
// which runs the global application's destructor against the dead display
// and crashes in SDL; leaving at once with a line on stderr ends the run
// cleanly instead. Settings and career files are only ever replaced whole,
// so leaving here loses nothing that was saved.
int LeaveOnDisplayLoss(Display*)
{
    static const char message[] = "video: the connection to the display was lost\n";
    ssize_t written = write(STDERR_FILENO, message, sizeof(message) - 1);
    (void)written;
    _exit(1);
}

// SDL installs its own handler when its X11 driver starts; this one
// replaces it. Other video drivers do not use Xlib.
void WatchDisplayConnection()
{
    char driver[16] = "";
    if (SDL_VideoDriverName(driver, sizeof(driver)) && std::strcmp(driver, "x11") == 0)
        XSetIOErrorHandler(LeaveOnDisplayLoss);
}

// Whether the space-separated extension list names `name` exactly.
bool HasExtension(const char* extensions, const char* name)
{
    size_t length = std::strlen(name);
    for (const char* found = std::strstr(extensions, name); found; found = std::strstr(found + 1, name))
    {
        bool startsWord = found == extensions || found[-1] == ' ';
        bool endsWord = found[length] == ' ' || found[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

ZEOpenGLRenderer::ZEGLProc LookUp(const char* name)
{
    return reinterpret_cast<ZEOpenGLRenderer::ZEGLProc>(SDL_GL_GetProcAddress(name));
}

uint32_t RealTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetRealTime() : SDL_GetTicks();
}
}

ZESDLOpenGLRenderer::ZESDLOpenGLRenderer(uint16_t width, uint16_t height, uint16_t fullscreen)
{
    m_usWidth = m_usViewportWidth = width;
    m_usHeight = m_usViewportHeight = height;
    m_bFullscreen = fullscreen != 0;
    m_usBitsPerPixel = kFullscreenBitsPerPixel;
    Init();
}

ZESDLOpenGLRenderer::~ZESDLOpenGLRenderer()
{
    Shutdown();
}

void ZESDLOpenGLRenderer::Init()
{
    m_bInitialized = false;
    SDL_GetVideoInfo();
    RequestContextAttributes();

    if (!OpenVideoMode())
    {
        ZEString failure = ZEString::Format("Could not open the video mode %ux%ux%u%s: %s", m_usWidth, m_usHeight,
                                            m_usBitsPerPixel, m_bFullscreen ? " full screen" : "", SDL_GetError());
        std::fprintf(stderr, "%s; trying a %ux%u window\n", failure.CStr(), kFallbackWidth, kFallbackHeight);
        ZEConsole::Post("renderer", failure, ZE_MSG_ERROR);
        m_usWidth = kFallbackWidth;
        m_usHeight = kFallbackHeight;
        m_usBitsPerPixel = 0;
        m_bFullscreen = false;
        if (!OpenVideoMode())
        {
            // Nothing can be drawn without a window, and no OpenGL call may
            // run without a context.
            std::fprintf(stderr, "Could not open a %ux%u window either: %s\n", kFallbackWidth, kFallbackHeight,
                         SDL_GetError());
            std::exit(1);
        }
    }

    WatchDisplayConnection();
    SDL_ShowCursor(SDL_DISABLE);
    SDL_WM_SetCaption(m_WindowTitle.CStr(), nullptr);

    int stencilBits = 0;
    SDL_GL_GetAttribute(SDL_GL_STENCIL_SIZE, &stencilBits);
    m_bStencilBuffer = stencilBits > 0;

    QueryExtensions();
    SetupOpenGL();
    m_bInitialized = true;
}

bool ZESDLOpenGLRenderer::OpenVideoMode()
{
    SDL_Surface* surface = SDL_SetVideoMode(m_usWidth, m_usHeight, m_usBitsPerPixel, VideoFlags(m_bFullscreen));
    if (!surface)
        return false;
    // A size of 0 asks SDL for the desktop's, and SDL may grant another
    // size than asked: the window has the size and depth it got, and
    // GetResolution tells those.
    uint16_t width = static_cast<uint16_t>(surface->w), height = static_cast<uint16_t>(surface->h);
    if ((m_usWidth != 0 && width != m_usWidth) || (m_usHeight != 0 && height != m_usHeight))
        ZEConsole::Post("renderer",
                        ZEString::Format("Asked for %ux%u, the window is %ux%u", m_usWidth, m_usHeight, width, height),
                        ZE_MSG_ERROR);
    m_usWidth = width;
    m_usHeight = height;
    m_usBitsPerPixel = surface->format ? surface->format->BitsPerPixel : m_usBitsPerPixel;
    return true;
}

void ZESDLOpenGLRenderer::QueryExtensions()
{
    m_bMultitexture = false;
    m_bCompiledVertexArrays = false;
    m_pfnActiveTexture = m_pfnClientActiveTexture = nullptr;
    m_pfnLockArrays = m_pfnUnlockArrays = nullptr;

    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (!extensions)
        return;

    if (HasExtension(extensions, "GL_ARB_multitexture"))
    {
        m_pfnActiveTexture = LookUp("glActiveTextureARB");
        m_pfnClientActiveTexture = LookUp("glClientActiveTextureARB");
        m_bMultitexture = m_pfnActiveTexture && m_pfnClientActiveTexture;
    }
    if (HasExtension(extensions, "GL_EXT_compiled_vertex_array"))
    {
        m_pfnLockArrays = LookUp("glLockArraysEXT");
        m_pfnUnlockArrays = LookUp("glUnlockArraysEXT");
        m_bCompiledVertexArrays = m_pfnLockArrays && m_pfnUnlockArrays;
    }
}

void ZESDLOpenGLRenderer::Shutdown()
{
    SDL_ShowCursor(SDL_ENABLE);
}

bool ZESDLOpenGLRenderer::SupportsResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel)
{
    return SDL_VideoModeOK(width, height, bitsPerPixel, VideoFlags(bitsPerPixel != 0)) != 0;
}

void ZESDLOpenGLRenderer::SetResolution(uint16_t width, uint16_t height, uint16_t bitsPerPixel)
{
    m_usBitsPerPixel = kFullscreenBitsPerPixel;
    m_bFullscreen = bitsPerPixel != 0;
    m_usWidth = width;
    m_usHeight = height;
    Init();
    ModeChanged();
}

void ZESDLOpenGLRenderer::SetWindowSize(uint16_t width, uint16_t height)
{
    if (m_bFullscreen)
        return;
    m_usWidth = width;
    m_usHeight = height;
    // Depth 0: SDL takes the desktop's.
    m_usBitsPerPixel = 0;
    Init();
    ModeChanged();
}

void ZESDLOpenGLRenderer::SetWindowTitle(const ZEString& title)
{
    m_WindowTitle = title;
    SDL_WM_SetCaption(m_WindowTitle.CStr(), nullptr);
}

void ZESDLOpenGLRenderer::DisplayBackBuffer()
{
    WriteWaitingScreenshots();
    SDL_GL_SwapBuffers();
    m_bBetweenFrames = true;
    ++m_ulFPSFrames;
    uint32_t now = RealTime();
    if (now - m_ulFPSTime >= kFrameRateInterval)
    {
        m_ulFramesPerSecond = m_ulFPSFrames;
        m_ulFPSTime = now;
        m_ulFPSFrames = 0;
    }
}

void ZESDLOpenGLRenderer::ModeChanged()
{
    if (ZETextureManager::ms_pTexManager)
        ZETextureManager::ms_pTexManager->RestoreTextures();
    if (ZEConsole::ms_pConsole)
        ZEConsole::ms_pConsole->WindowSizeChanged();
}
