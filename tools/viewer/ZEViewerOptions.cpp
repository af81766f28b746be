#include "ZEViewerOptions.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{
bool ParseVector(const char* text, ZEVector& vector)
{
    float x, y, z;
    char tail;
    if (std::sscanf(text, "%f,%f,%f%c", &x, &y, &z, &tail) != 3)
        return false;
    if (!std::isfinite(x) || !std::isfinite(y) || !std::isfinite(z))
        return false;
    vector = ZEVector(x, y, z);
    return true;
}

bool ParseSize(const char* text, uint16_t& width, uint16_t& height)
{
    unsigned w, h;
    char tail;
    if (std::sscanf(text, "%ux%u%c", &w, &h, &tail) != 2 || w < 16 || h < 16 || w > 8192 || h > 8192)
        return false;
    width = static_cast<uint16_t>(w);
    height = static_cast<uint16_t>(h);
    return true;
}

bool ParsePositive(const char* text, double limit, double& value)
{
    char* end = nullptr;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && value > 0.0 && value <= limit;
}

bool ParseIndex(const char* text, int& index)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > 65535)
        return false;
    index = static_cast<int>(value);
    return true;
}
}

const char* ZEViewerUsage()
{
    return "usage: zeview [--data DIR] (--model FILE | --map NAME) [--size WxH]\n"
           "              [--pos X,Y,Z] [--rot X,Y,Z] [--distance D] [--overview] [--shot NAME]\n"
           "              [--frames N] [--animation N]\n"
           "--overview frames the whole map from above (--rot gives its pitch and yaw).\n"
           "In a window: drag with the left mouse button to orbit, Up/Down to zoom, Escape to quit.\n";
}

bool ZEParseViewerOptions(int argc, char** argv, ZEViewerOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i)
    {
        std::string flag = argv[i];
        if (flag == "--overview")
        {
            options.m_bOverview = true;
            continue;
        }
        if (i + 1 >= argc)
        {
            error = flag + " needs a value";
            return false;
        }
        const char* value = argv[++i];
        double number = 0.0;
        bool ok = true;
        if (flag == "--data")
            options.m_DataDirectory = value;
        else if (flag == "--model")
            options.m_ModelFile = value;
        else if (flag == "--map")
            options.m_MapName = value;
        else if (flag == "--size")
            ok = ParseSize(value, options.m_usWidth, options.m_usHeight);
        else if (flag == "--pos")
            ok = options.m_bFixedCamera = ParseVector(value, options.m_vPosition);
        else if (flag == "--rot")
            ok = options.m_bRotationGiven = ParseVector(value, options.m_vRotation);
        else if (flag == "--distance")
        {
            ok = ParsePositive(value, 1e6, number);
            options.m_fDistance = static_cast<float>(number);
        }
        else if (flag == "--shot")
            options.m_ShotName = value;
        else if (flag == "--animation")
            ok = ParseIndex(value, options.m_iAnimation);
        else if (flag == "--frames")
        {
            ok = ParsePositive(value, 10000, number);
            options.m_iFrames = static_cast<int>(number);
        }
        else
        {
            error = "unknown option " + flag;
            return false;
        }
        if (!ok)
        {
            error = "bad value for " + flag + ": " + value;
            return false;
        }
    }
    if (options.m_ModelFile.empty() == options.m_MapName.empty())
    {
        error = "give exactly one of --model and --map";
        return false;
    }
    if (options.m_bOverview && (options.m_MapName.empty() || options.m_bFixedCamera))
    {
        error = "--overview frames a --map and places the camera itself (no --pos)";
        return false;
    }
    // The renderer appends ".tga" itself.
    const std::string suffix = ".tga";
    std::string& shot = options.m_ShotName;
    if (shot.size() > suffix.size() && shot.compare(shot.size() - suffix.size(), suffix.size(), suffix) == 0)
        shot.erase(shot.size() - suffix.size());
    return true;
}
