// A private X server for tests that open a window.
//
// Start() launches Xvfb on a display number it picks itself and waits until
// the server reports it is ready (through -displayfd, so no polling or
// sleeping), then points DISPLAY at it. Mesa's llvmpipe gives such a server
// real OpenGL. The destructor stops the server.
#pragma once

#include <string>
#include <sys/types.h>

class ZEXvfb
{
public:
    ZEXvfb() = default;
    ~ZEXvfb();

    ZEXvfb(const ZEXvfb&) = delete;
    ZEXvfb& operator=(const ZEXvfb&) = delete;

    // False (with the reason in Error()) when Xvfb cannot be started.
    bool Start(int width = 1024, int height = 768);
    const std::string& Display() const { return m_Display; }
    const std::string& Error() const { return m_Error; }

private:
    static void PinSoftwareDriver();

    pid_t m_Pid = -1;
    std::string m_Display;
    std::string m_Error;
};
