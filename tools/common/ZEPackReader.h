// ZEPackReader: lists the entries of a package archive, for the tools and
// tests that look at generated packages.
//
// It walks the local headers from the start of the file as the file
// manager does and stops at the first central-directory header. Every entry
// must be stored (method 0, equal sizes) with no extra field and its sizes
// in its header (no data descriptor); a damaged
// archive (short header or name, data running past the end, a foreign
// record, no central directory) is refused whole with the reason.
// Directory entries (both sizes 0) are left out of the list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZEPackEntry
{
    std::string m_Name;        // exactly as stored
    uint32_t m_ulOffset = 0;   // of the first data byte
    uint32_t m_ulSize = 0;
};

// The entries of the archive at `path` in archive order. False with `error`
// set when it cannot be read or is damaged.
bool ZEListPackEntries(const std::string& path, std::vector<ZEPackEntry>& entries, std::string& error);
