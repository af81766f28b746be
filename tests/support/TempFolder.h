// A private temporary folder for tests that need real files on disk.
//
// The constructor makes /tmp/wrenzo-<tag>-XXXXXX; the destructor removes it
// with everything in it, never throwing, so a test cannot leave files behind
// even when an assertion returns early. Ok() is false when the folder could
// not be made; Path() is then empty and every file operation fails.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class ZETempFolder
{
public:
    explicit ZETempFolder(const std::string& tag = "test");
    ~ZETempFolder();

    ZETempFolder(const ZETempFolder&) = delete;
    ZETempFolder& operator=(const ZETempFolder&) = delete;

    bool Ok() const { return !m_Path.empty(); }
    const std::string& Path() const { return m_Path; }

    // Path() + "/" + name, with the sub-folders in `name` made, so a writer
    // outside the test can create the file there.
    std::string File(const std::string& name) const;

    // Writes `bytes` to File(name), replacing any file there; the full path,
    // or an empty string when the file could not be written.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const;
    std::string Write(const std::string& name, const std::string& bytes) const;

private:
    std::string WriteRaw(const std::string& name, const char* pData, size_t size) const;

    std::string m_Path;
};
