// ZEPackWriter: makes the engine's package archives.
//
// A package is a ZIP file of stored (uncompressed) entries that the file
// manager reads by walking its local headers: each header says method 0,
// carries the CRC-32 of the data, gives the same compressed and uncompressed
// size, has no extra field and no data descriptor, and is followed directly
// by the name and the data. A central directory and the end record follow
// the entries, so ordinary ZIP tools can list and check the package too.
// Every date is the first possible one (1980-01-01 00:00), so the same
// entries in the same order always give the same bytes.
//
// Entries are collected in memory in the order added and written at once.
// The writer refuses an empty package (the file manager needs at least one
// entry before the central directory),  what the file manager could not read back: an empty
// entry (both sizes 0 read as a directory), a name longer than 65535 bytes,
// a name that is empty, absolute, ends in "/" or holds a backslash,
// a name given twice, more than 65535 entries, or more than 4 GiB in all.
// Every refusal returns false and leaves a message in GetError().
//
// Write goes to "<archive>.tmp" first and renames it over the archive only
// when everything was written, so a failed run never leaves a half package
// under the real name.
#pragma once

#include "core/ZEString.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

class ZEPackWriter
{
public:
    // Adds a copy of `size` bytes under `name`.
    bool AddData(const ZEString& name, const void* data, size_t size);
    // Adds the contents of the file at `path` under `name`.
    bool AddFile(const ZEString& name, const ZEString& path);

    // Writes the package to `archivePath`, replacing any file there.
    bool Write(const ZEString& archivePath);

    size_t GetNumEntries() const { return m_aEntries.size(); }
    // The reason of the last refusal.
    const ZEString& GetError() const { return m_Error; }

    // The ZIP checksum (CRC-32, polynomial 0xEDB88320) of a block of bytes.
    static uint32_t CRC32(const void* data, size_t size);

    static const uint32_t ms_ulMaxNameLength = 0xFFFF;
    static const uint32_t ms_ulMaxEntries = 0xFFFF;

private:
    struct Entry
    {
        ZEString m_Name;
        std::vector<uint8_t> m_aData;
        uint32_t m_ulCRC32 = 0;
        uint32_t m_ulOffset = 0;   // of its local header, set while writing
    };

    bool CheckName(const ZEString& name);
    // Lays the entries out; false when the package would pass 4 GiB.
    bool AssignOffsets(uint32_t& centralOffset, uint32_t& centralSize);
    std::vector<uint8_t> EncodeLocalHeader(const Entry& entry) const;
    std::vector<uint8_t> EncodeCentralDirectory() const;
    std::vector<uint8_t> EncodeEndRecord(uint32_t centralOffset, uint32_t centralSize) const;
    // Writes every record to an open stream; false on the first failed write.
    bool WriteRecords(FILE* file, uint32_t centralOffset, uint32_t centralSize) const;
    bool Fail(const ZEString& message);

    std::vector<Entry> m_aEntries;
    std::unordered_set<std::string> m_aNames;   // for refusing a name twice
    ZEString m_Error;
};
