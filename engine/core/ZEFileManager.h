// ZEFileManager: where the engine and the game get their data files.
//
// A data file is named by a relative path with "/" as separator, such as
// "textures/road.tex". The manager looks for it first as a loose file under
// its main directory and then inside the package archives added to it, and
// hands back an open stream positioned at the file's first byte together
// with the file's size. A loose file always wins over archived copies; among
// archives the one added first wins, and inside an archive the first entry
// of that name. Names are compared byte for byte (case-sensitive).
//
// Package archives are ZIP files of stored (uncompressed) entries, so an
// archived file is read straight from the archive's own stream. Only the
// table of entries is kept in memory; data is read from disk on each open.
// The scan walks the local headers from the start of the file and stops
// successfully at the first central-directory header; the central directory
// itself is not read. Compressed entries are reported once, skipped, and
// never made available; the rest of the archive stays usable. A damaged
// archive (short read, an entry running past the end of the file, no
// central directory, a foreign record) is rejected whole and the reason is
// posted to the console under "files".
//
// Ownership: the manager owns its archive records and their entry records.
// A stream returned by OpenFile belongs to the caller, who reads at most the
// size reported with it and closes it; for an archived file the stream is
// the archive itself, so reading past that size runs into the next entry.
//
// The one manager is created by the engine and reachable as ms_pFileManager
// while it lives.
#pragma once

#include "core/ZEObject.h"
#include "core/ZEString.h"

#include <cstdint>
#include <cstdio>

// One entry of the package archive format: the local header that precedes
// each entry's name and data. Little-endian on disk, no padding. The record
// names the fields in order; reading goes through Decode, never through the host
// layout of the struct.
#pragma pack(push, 1)
struct _ZEZipLocalHeader
{
    uint32_t m_ulSignature;          // "PK" 3 4
    uint16_t m_usVersionNeeded;
    uint16_t m_usFlags;
    uint16_t m_usMethod;             // 0 = stored
    uint16_t m_usTime;
    uint16_t m_usDate;
    uint32_t m_ulCRC32;
    uint32_t m_ulCompressedSize;     // equals the uncompressed size when stored
    uint32_t m_ulUncompressedSize;
    uint16_t m_usNameLength;         // the name follows the header, unterminated
    uint16_t m_usExtraLength;        // extra bytes between the name and the data

    static constexpr uint32_t ms_ulSize = 30;
    static constexpr uint32_t ms_ulLocalSignature = 0x04034B50;     // "PK" 3 4
    static constexpr uint32_t ms_ulCentralSignature = 0x02014B50;   // "PK" 1 2
    static constexpr uint32_t ms_ulEndSignature = 0x06054B50;       // "PK" 5 6
    static constexpr uint16_t ms_usMethodStored = 0;
    // Flag bit 3: the sizes are written after the data, not in the header.
    static constexpr uint16_t ms_usFlagSizesAfterData = 0x0008;

    // The fields of a header read from its ms_ulSize on-disk bytes.
    static _ZEZipLocalHeader Decode(const uint8_t* bytes);
};
#pragma pack(pop)
static_assert(sizeof(_ZEZipLocalHeader) == 30, "the local header is 30 bytes on disk");

// One stored entry of an archive.
struct _ZEArchivedFile
{
    ZEString m_Name;              // exactly as stored, relative path included
    uint32_t m_ulSize = 0;        // bytes of data
    uint32_t m_ulOffset = 0;      // position of the first data byte in the archive
    _ZEArchivedFile* m_pNext = nullptr;
};

// One added package: its name as passed to AddArchive (without the main
// directory) and its entries in archive order.
struct _ZEArchive
{
    ZEString m_Name;
    _ZEArchivedFile* m_pFiles = nullptr;
    _ZEArchivedFile* m_pLastFile = nullptr;   // tail, so appending stays cheap
    uint32_t m_ulNumFiles = 0;
    _ZEArchive* m_pNext = nullptr;
};

// The file operations a save goes through (SaveFile). The default writes
// through the C library and replaces with std::filesystem::rename, which
// takes the place of an existing file on every platform the engine builds
// for. Tests derive from it to make any step fail.
class ZEFileWriter
{
public:
    virtual ~ZEFileWriter() = default;
    // For binary writing, truncating; null when it cannot be created.
    virtual FILE* Open(const ZEString& path);
    // The bytes actually written (fewer on failure).
    virtual size_t Write(FILE* file, const void* data, size_t size);
    // Flushes and closes; false when anything may not have reached the file.
    // Closes in every case.
    virtual bool Close(FILE* file);
    // Renames `from` over `to`, replacing it; false leaves `to` as it was.
    virtual bool Replace(const ZEString& from, const ZEString& to);
    virtual void Remove(const ZEString& path);
};

class ZEFileManager
{
    ZE_DECLARE_ROOT_RTTI
public:
    // Empty list and main directory; sets ms_pFileManager.
    ZEFileManager();
    // Deletes every archive record; clears ms_pFileManager.
    virtual ~ZEFileManager();

    ZEFileManager(const ZEFileManager&) = delete;
    ZEFileManager& operator=(const ZEFileManager&) = delete;

    // Copies the directory and makes it end in "/" (backslashes become "/").
    // An empty directory means the working directory.
    void SetMainDirectory(const ZEString& directory);
    const ZEString& GetMainDirectory() const { return m_MainDirectory; }

    // Reads the table of entries of main directory + name and appends the
    // archive to the list. False, with the reason posted, when the file
    // cannot be opened or is not a well-formed package; nothing is added.
    bool AddArchive(const ZEString& name);
    // Deletes the first archive whose name equals `name` exactly; false if
    // there is none.
    bool RemoveArchive(const ZEString& name);
    void RemoveAllArchives();

    // A new array (free with delete[]) of the archive names in list order,
    // its length in `count`; null and 0 when there is no archive.
    ZEString* GetArchiveNames(uint32_t& count) const;
    uint32_t GetNumArchives() const { return m_ulNumArchives; }
    // The first archive added under `name` (its entries in archive order),
    // owned by the manager and valid until it is removed; null if none.
    const _ZEArchive* FindArchive(const ZEString& name) const;

    // Opens `name`: loose under the main directory first, then in the
    // archives in the order added. Returns a stream for binary reading,
    // positioned at the file's first byte, owned by the caller; `size`
    // receives its size in bytes. Null and size 0 when not found.
    FILE* OpenFile(const ZEString& name, uint32_t& size) const;
    FILE* OpenFile(const ZEString& name) const;
    // The same, but the archive named `archive` is searched before anything
    // else; an unknown archive name gives the plain search.
    FILE* OpenFile(const ZEString& name, const ZEString& archive, uint32_t& size) const;
    FILE* OpenFile(const ZEString& name, const ZEString& archive) const;

    // Writes a whole file (a path as given, not below the main directory)
    // so that a failure or a crash part-way leaves the old file as it was:
    // the bytes go to `path` + ".tmp" beside it, every write and the close
    // are checked, and only then is the temporary renamed over `path`. On
    // any failure the temporary is removed and false returned, the old
    // file untouched; nothing is posted (the caller decides what to say).
    // `writer` null: the C library's.
    static bool SaveFile(const ZEString& path, const void* data, uint32_t size, ZEFileWriter* writer = nullptr);

    // Counts the bytes of a stream from its start by reading it through,
    // then rewinds it. Sizes beyond 32 bits are clamped to 0xFFFFFFFF.
    static uint32_t GetSizeOfFile(FILE* file);

    // Building blocks of the list. AddArchiveToList takes ownership and
    // appends (counting it); AddFileToArchive appends an entry to an archive
    // that owns it from then on; DeleteArchive frees an archive record that
    // is not (or no longer) in the list, with its entries.
    void AddArchiveToList(_ZEArchive* archive);
    static void AddFileToArchive(_ZEArchive* archive, _ZEArchivedFile* file);
    static void DeleteArchive(_ZEArchive* archive);

    static ZEFileManager* ms_pFileManager;

private:
    ZEString FullPath(const ZEString& name) const;
    FILE* OpenLooseFile(const ZEString& name, uint32_t& size) const;
    // The archived copy in `archive` only, or null.
    FILE* OpenInArchive(const _ZEArchive& archive, const ZEString& name, uint32_t& size) const;
    FILE* OpenInAnyArchive(const ZEString& name, uint32_t& size) const;

    uint32_t m_ulNumArchives = 0;
    _ZEArchive* m_pArchives = nullptr;
    _ZEArchive* m_pLastArchive = nullptr;
    ZEString m_MainDirectory;
};
