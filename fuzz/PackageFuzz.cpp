// Fuzz target: package archives - the file manager's scan of a ZIP file
// (ZEFileManager::AddArchive) and reads of every entry through OpenFile.
//
// Beyond surviving, the target requires of an archive the manager takes:
// - its entries never reach outside their bytes: each entry's data lies
//   inside the file, after the data of the entry before it and after its
//   own 30-byte header and name, which occurs there; no entry is empty (an
//   entry of size 0 is a folder and is left out) and no name holds a NUL;
// - opening a name gives the first entry of that name, and reading it
//   gives exactly the file's bytes at that entry;
// - the tools' own package reader (ZEListPackEntries), which is stricter,
//   never takes an archive the manager refuses, and the entries it lists
//   are the manager's;
// and of an archive it refuses, that nothing of it was added.
// A broken rule aborts, which libFuzzer records as a crash with the input
// that caused it.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"

#include "FuzzFolder.h"
#include "ZEPackReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
const char kPackage[] = "fuzz.dat";
const uint32_t kHeaderSize = 30;

void Require(bool holds, const char* rule) { ZEFuzzRequire(holds, "package scan", rule); }

// A file manager over a private folder, the input written there as the
// archive.
class Environment
{
public:
    Environment() { m_Files.SetMainDirectory(ZEString(m_Folder.Root().c_str())); }

    void Write(const uint8_t* bytes, size_t length) { m_Folder.Write(kPackage, bytes, length); }

    std::string Path() const { return m_Folder.Path(kPackage); }
    ZEFileManager& Files() { return m_Files; }

private:
    ZEFuzzFolder m_Folder{"package"};
    ZEConsole m_Console;
    ZEFileManager m_Files;
};

std::vector<const _ZEArchivedFile*> Entries(const _ZEArchive& archive)
{
    std::vector<const _ZEArchivedFile*> entries;
    for (const _ZEArchivedFile* file = archive.m_pFiles; file; file = file->m_pNext)
        entries.push_back(file);
    Require(entries.size() == archive.m_ulNumFiles, "the archive counts its entries");
    Require(entries.empty() || archive.m_pLastFile == entries.back(), "the tail is the last entry");
    return entries;
}

// Where each entry's bytes lie in the file.
void CheckPlaces(const std::vector<const _ZEArchivedFile*>& entries, const uint8_t* bytes, size_t length)
{
    uint64_t previousEnd = 0;
    for (const _ZEArchivedFile* entry : entries)
    {
        // As bytes: a name byte above 127 must compare equal to itself.
        const uint8_t* name = reinterpret_cast<const uint8_t*>(entry->m_Name.CStr());
        size_t nameLength = std::strlen(entry->m_Name.CStr());
        Require(entry->m_ulSize > 0, "no entry is empty");
        Require(uint64_t(entry->m_ulOffset) + entry->m_ulSize <= length, "an entry's data lies inside the file");
        Require(entry->m_ulOffset >= previousEnd + kHeaderSize + nameLength,
                "an entry's header and name lie between the entry before and its data");
        const uint8_t* from = bytes + previousEnd + kHeaderSize;
        const uint8_t* to = bytes + entry->m_ulOffset;
        Require(nameLength == 0 || std::search(from, to, name, name + nameLength) != to,
                "an entry's name is stored before its data");
        previousEnd = uint64_t(entry->m_ulOffset) + entry->m_ulSize;
    }
}

// Every name opened through the manager reads the first entry of its name.
void CheckReads(ZEFileManager& files, const std::vector<const _ZEArchivedFile*>& entries, const uint8_t* bytes)
{
    std::vector<uint8_t> read;
    for (size_t i = 0; i < entries.size(); ++i)
    {
        const _ZEArchivedFile* first = entries[i];
        for (size_t j = 0; j < i; ++j)
            if (entries[j]->m_Name == first->m_Name)
                first = entries[j];
        if (first != entries[i])
            continue;
        uint32_t size = 0;
        FILE* file = files.OpenFile(first->m_Name, ZEString(kPackage), size);
        Require(file != nullptr, "every listed entry opens");
        Require(size == first->m_ulSize, "an opened entry has its listed size");
        read.assign(size, 0);
        size_t got = std::fread(read.data(), 1, size, file);
        std::fclose(file);
        Require(got == size, "an entry's bytes can all be read");
        Require(std::memcmp(read.data(), bytes + first->m_ulOffset, size) == 0, "an entry reads as its bytes");
    }
}

// The tools' reader takes no more than the manager does, and agrees on
// what it takes (names with a NUL are the manager's to leave out).
void CheckToolReader(const std::string& path, const _ZEArchive* archive)
{
    std::vector<ZEPackEntry> listed;
    std::string error;
    if (!ZEListPackEntries(path, listed, error))
        return;
    Require(archive != nullptr, "the manager takes every archive the tools' reader takes");
    std::vector<const _ZEArchivedFile*> entries = Entries(*archive);
    size_t next = 0;
    for (const ZEPackEntry& entry : listed)
    {
        if (entry.m_Name.find('\0') != std::string::npos)
            continue;
        Require(next < entries.size(), "the manager lists every entry the tools' reader lists");
        const _ZEArchivedFile* mine = entries[next++];
        Require(entry.m_Name == mine->m_Name.CStr() && entry.m_ulOffset == mine->m_ulOffset &&
                    entry.m_ulSize == mine->m_ulSize,
                "the manager and the tools' reader list the same entries");
    }
    Require(next == entries.size(), "the tools' reader lists every entry the manager lists");
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    static Environment environment;
    ZEFileManager& files = environment.Files();
    environment.Write(bytes, length);
    bool accepted = files.AddArchive(ZEString(kPackage));
    const _ZEArchive* archive = files.FindArchive(ZEString(kPackage));
    Require(accepted == (archive != nullptr) && files.GetNumArchives() == (accepted ? 1u : 0u),
            "an archive is added exactly when it is accepted");
    if (archive)
    {
        std::vector<const _ZEArchivedFile*> entries = Entries(*archive);
        CheckPlaces(entries, bytes, length);
        CheckReads(files, entries, bytes);
    }
    CheckToolReader(environment.Path(), archive);
    files.RemoveAllArchives();
    return 0;
}
