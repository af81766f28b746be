// What the file-loader fuzz targets share: a rule that aborts when broken,
// and a private folder to write each input into, loose or packaged, before
// the engine loads it the way the game does.
//
// A broken rule prints "<who> broke a rule: <rule>" and aborts, which
// libFuzzer records as a crash with the input that caused it (and the
// replay driver as a failed test).
//
// The folder is made under /dev/shm where there is one (inputs are written
// thousands of times a second), named after the target so that two
// campaigns side by side never share one, and removed whole with the
// object. Paths are relative to it, as the file manager's main directory
// sees them. A packaged input is the archive's first entry, with a second
// entry holding the same bytes behind it, so that a loader reading past the
// entry's size would find plausible data rather than the end of the file.
#pragma once

#include "ZEPackWriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

inline void ZEFuzzRequire(bool holds, const char* who, const char* rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "%s broke a rule: %s\n", who, rule);
    std::abort();
}

class ZEFuzzFolder
{
public:
    // `tag` names the target, e.g. "map"; a folder that cannot be made
    // aborts.
    explicit ZEFuzzFolder(const char* tag)
    {
        std::string pattern = (std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp") +
                              std::string("/zefuzz") + tag + "XXXXXX";
        ZEFuzzRequire(mkdtemp(pattern.data()) != nullptr, "the fuzz target", "a private folder can be made");
        m_Root = pattern;
    }

    ~ZEFuzzFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_Root, ignored);
    }

    ZEFuzzFolder(const ZEFuzzFolder&) = delete;
    ZEFuzzFolder& operator=(const ZEFuzzFolder&) = delete;

    std::string Root() const { return m_Root.string(); }
    std::string Path(const char* relative) const { return (m_Root / relative).string(); }

    // Makes a folder inside, e.g. "maps".
    void MakeFolder(const char* relative) const { std::filesystem::create_directories(m_Root / relative); }

    // Writes the input as the file `relative`, replacing what was there; a
    // write that fails aborts.
    void Write(const char* relative, const uint8_t* bytes, size_t length) const
    {
        FILE* file = std::fopen(Path(relative).c_str(), "wb");
        bool written = file != nullptr && (length == 0 || std::fwrite(bytes, 1, length, file) == length);
        written = file != nullptr && std::fclose(file) == 0 && written;
        ZEFuzzRequire(written, "the fuzz target", "the input can be written");
    }

    void Remove(const char* relative) const
    {
        std::error_code ignored;
        std::filesystem::remove(m_Root / relative, ignored);
    }

    // Writes the archive `archive` with the input as its entry `entry` and
    // a copy behind it as `copy`. False for an empty input (an archive
    // holds no empty entry) or when the writer refuses.
    bool WritePackage(const char* archive, const char* entry, const char* copy, const uint8_t* bytes,
                      size_t length) const
    {
        ZEPackWriter pack;
        return length > 0 && pack.AddData(ZEString(entry), bytes, length) &&
               pack.AddData(ZEString(copy), bytes, length) && pack.Write(ZEString(Path(archive).c_str()));
    }

private:
    std::filesystem::path m_Root;
};
