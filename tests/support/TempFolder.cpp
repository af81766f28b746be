#include "support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

ZETempFolder::ZETempFolder(const std::string& tag)
{
    std::string pattern = "/tmp/wrenzo-" + tag + "-XXXXXX";
    if (mkdtemp(pattern.data()))
        m_Path = pattern;
}

ZETempFolder::~ZETempFolder()
{
    std::error_code ignored;
    if (Ok())
        std::filesystem::remove_all(m_Path, ignored);
}

std::string ZETempFolder::File(const std::string& name) const
{
    std::string path = m_Path + "/" + name;
    std::error_code ignored;
    if (Ok())
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    return path;
}

std::string ZETempFolder::Write(const std::string& name, const std::vector<uint8_t>& bytes) const
{
    return WriteRaw(name, reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string ZETempFolder::Write(const std::string& name, const std::string& bytes) const
{
    return WriteRaw(name, bytes.data(), bytes.size());
}

std::string ZETempFolder::WriteRaw(const std::string& name, const char* pData, size_t size) const
{
    if (!Ok())
        return std::string();
    std::string path = File(name);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(pData, static_cast<std::streamsize>(size));
    out.close();
    return out ? path : std::string();
}
