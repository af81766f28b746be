#include "support/Xvfb.h"

#include <csignal>
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

ZEXvfb::~ZEXvfb()
{
    if (m_Pid > 0)
    {
        kill(m_Pid, SIGTERM);
        waitpid(m_Pid, nullptr, 0);
    }
}

// The GL driver is unloaded at exit before the leak checker looks at the
// heap, which leaves its allocations without a module name to suppress
// them by. Loading it once more with RTLD_NODELETE keeps it mapped.
void ZEXvfb::PinSoftwareDriver()
{
    const char* const drivers[] = {"/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", "swrast_dri.so"};
    for (const char* driver : drivers)
        if (dlopen(driver, RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE))
            return;
}

bool ZEXvfb::Start(int width, int height)
{
    int ready[2];
    if (pipe(ready) != 0)
    {
        m_Error = "pipe failed";
        return false;
    }
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::string fd = std::to_string(ready[1]);

    m_Pid = fork();
    if (m_Pid < 0)
    {
        m_Error = "fork failed";
        return false;
    }
    if (m_Pid == 0)
    {
        close(ready[0]);
        // Keep the test's output clean of the server's chatter.
        freopen("/dev/null", "w", stderr);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ready[1]);

    std::string number;
    char c;
    while (read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (number.empty())
    {
        m_Error = "Xvfb did not start (is the xvfb package installed?)";
        return false;
    }
    m_Display = ":" + number;
    setenv("DISPLAY", m_Display.c_str(), 1);
    // The software rasteriser's worker threads may still be winding down
    // when the leak checker stops the world at exit, which crashes the
    // checker now and then; drawing on the calling thread avoids that.
    setenv("LP_NUM_THREADS", "0", 0);
    PinSoftwareDriver();
    return true;
}
