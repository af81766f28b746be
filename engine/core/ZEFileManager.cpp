#include "core/ZEFileManager.h"

#include "core/ZEByteOrder.h"
#include "core/ZEConsole.h"

#include <climits>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <memory>

ZE_IMPLEMENT_ROOT_RTTI(ZEFileManager);

ZEFileManager* ZEFileManager::ms_pFileManager = nullptr;

namespace
{
void PostFiles(const ZEString& text)
{
    ZEConsole::Post("files", text, ZE_MSG_DEFAULT);
}

bool SeekTo(FILE* file, uint64_t position)
{
    if (position > static_cast<uint64_t>(LONG_MAX))
        return false;
    return std::fseek(file, static_cast<long>(position), SEEK_SET) == 0;
}

// Bytes of a stream from its start, read through; false on a read error
// (for example a directory opened as a file).
bool CountBytes(FILE* file, uint64_t& count)
{
    std::rewind(file);
    count = 0;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        count += got;
    bool ok = !std::ferror(file);
    std::rewind(file);
    return ok;
}

// Walks the local headers of one opened archive and fills its record. Every
// read is checked and every entry must lie inside the file, so a damaged or
// hostile archive is rejected with a reason instead of being misread.
class ArchiveScan
{
public:
    ArchiveScan(FILE* file, uint64_t fileSize, _ZEArchive& archive)
        : m_pFile(file), m_ulFileSize(fileSize), m_Archive(archive)
    {
    }

    // True when the scan reached the central directory.
    bool Run()
    {
        for (;;)
        {
            uint8_t header[_ZEZipLocalHeader::ms_ulSize];
            uint64_t start = m_ulPosition;
            size_t got = Read(header, 4);
            if (got == 0)
                return Reject(ZEString("it ends without a central directory"));
            if (header[0] != 'P')
                return Reject(ZEString::Format("no archive record at offset %llu",
                                               static_cast<unsigned long long>(start)));
            if (got < 4)
                return Reject(TruncatedAt("header", start));
            uint32_t signature = ZEReadLE32(header);
            if (signature == _ZEZipLocalHeader::ms_ulCentralSignature)
                return true;
            if (signature != _ZEZipLocalHeader::ms_ulLocalSignature)
                return Reject(ZEString::Format("unknown record at offset %llu",
                                               static_cast<unsigned long long>(start)));
            if (!ReadEntry(header, start))
                return false;
        }
    }

    const ZEString& GetReason() const { return m_Reason; }

private:
    bool ReadEntry(uint8_t* header, uint64_t start)
    {
        const uint32_t rest = _ZEZipLocalHeader::ms_ulSize - 4;
        if (Read(header + 4, rest) != rest)
            return Reject(TruncatedAt("header", start));
        _ZEZipLocalHeader fields = _ZEZipLocalHeader::Decode(header);

        std::unique_ptr<char[]> name(new char[fields.m_usNameLength + 1u]);
        if (Read(name.get(), fields.m_usNameLength) != fields.m_usNameLength)
            return Reject(TruncatedAt("name", start));
        name[fields.m_usNameLength] = '\0';

        uint64_t dataStart = m_ulPosition + fields.m_usExtraLength;
        bool directory = fields.m_ulCompressedSize == 0 && fields.m_ulUncompressedSize == 0;
        if (directory && (fields.m_usFlags & _ZEZipLocalHeader::ms_usFlagSizesAfterData))
            return Reject(ZEString::Format("entry %s keeps its sizes behind its data", name.get()));
        if (directory)
            return SkipTo(dataStart, name.get());

        bool stored = fields.m_usMethod == _ZEZipLocalHeader::ms_usMethodStored &&
                      fields.m_ulCompressedSize == fields.m_ulUncompressedSize;
        uint64_t dataEnd = dataStart + fields.m_ulCompressedSize;
        if (dataEnd > m_ulFileSize)
            return Reject(ZEString::Format("entry %s runs past the end of the file", name.get()));
        if (!stored)
            PostFiles(ZEString::Format("Tried to load compressed ZIP: %s in %s", name.get(),
                                       m_Archive.m_Name.CStr()));
        else if (!Record(name.get(), fields.m_usNameLength, fields.m_ulUncompressedSize, dataStart))
            return false;
        return SkipTo(dataEnd, name.get());
    }

    bool Record(const char* name, uint16_t nameLength, uint32_t size, uint64_t offset)
    {
        if (offset > UINT32_MAX)
            return Reject(ZEString::Format("entry %s lies beyond 4 GiB", name));
        // A NUL inside the name would make it look up as a shorter, different
        // name; such an entry is left out rather than misfiled.
        if (std::strlen(name) != nameLength)
        {
            PostFiles(ZEString::Format("Entry with a NUL byte in its name skipped in %s",
                                       m_Archive.m_Name.CStr()));
            return true;
        }
        _ZEArchivedFile* file = new _ZEArchivedFile;
        file->m_Name = name;
        file->m_ulSize = size;
        file->m_ulOffset = static_cast<uint32_t>(offset);
        ZEFileManager::AddFileToArchive(&m_Archive, file);
        return true;
    }

    size_t Read(void* buffer, size_t count)
    {
        size_t got = count ? std::fread(buffer, 1, count, m_pFile) : 0;
        m_ulPosition += got;
        return got;
    }

    bool SkipTo(uint64_t position, const char* entry)
    {
        if (position > m_ulFileSize || !SeekTo(m_pFile, position))
            return Reject(ZEString::Format("entry %s runs past the end of the file", entry));
        m_ulPosition = position;
        return true;
    }

    static ZEString TruncatedAt(const char* what, uint64_t start)
    {
        return ZEString::Format("truncated %s at offset %llu", what,
                                static_cast<unsigned long long>(start));
    }

    bool Reject(const ZEString& reason)
    {
        m_Reason = reason;
        return false;
    }

    FILE* m_pFile;
    uint64_t m_ulFileSize;
    uint64_t m_ulPosition = 0;
    _ZEArchive& m_Archive;
    ZEString m_Reason;
};

bool MeasureFile(FILE* file, uint64_t& size)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return false;
    long end = std::ftell(file);
    if (end < 0)
        return false;
    size = static_cast<uint64_t>(end);
    std::rewind(file);
    return true;
}
}

_ZEZipLocalHeader _ZEZipLocalHeader::Decode(const uint8_t* bytes)
{
    _ZEZipLocalHeader header;
    header.m_ulSignature = ZEReadLE32(bytes + 0);
    header.m_usVersionNeeded = ZEReadLE16(bytes + 4);
    header.m_usFlags = ZEReadLE16(bytes + 6);
    header.m_usMethod = ZEReadLE16(bytes + 8);
    header.m_usTime = ZEReadLE16(bytes + 10);
    header.m_usDate = ZEReadLE16(bytes + 12);
    header.m_ulCRC32 = ZEReadLE32(bytes + 14);
    header.m_ulCompressedSize = ZEReadLE32(bytes + 18);
    header.m_ulUncompressedSize = ZEReadLE32(bytes + 22);
    header.m_usNameLength = ZEReadLE16(bytes + 26);
    header.m_usExtraLength = ZEReadLE16(bytes + 28);
    return header;
}

ZEFileManager::ZEFileManager()
{
    ms_pFileManager = this;
}

ZEFileManager::~ZEFileManager()
{
    RemoveAllArchives();
    if (ms_pFileManager == this)
        ms_pFileManager = nullptr;
}

void ZEFileManager::SetMainDirectory(const ZEString& directory)
{
    m_MainDirectory = directory;
    m_MainDirectory.MakePathName();
}

ZEString ZEFileManager::FullPath(const ZEString& name) const
{
    ZEString path(m_MainDirectory);
    path.Append(name.CStr());
    return path;
}

bool ZEFileManager::AddArchive(const ZEString& name)
{
    ZEString path = FullPath(name);
    FILE* file = std::fopen(path.CStr(), "rb");
    if (!file)
    {
        PostFiles(ZEString::Format("Package %s rejected: it cannot be opened", path.CStr()));
        return false;
    }

    _ZEArchive* archive = new _ZEArchive;
    archive->m_Name = name;
    uint64_t fileSize = 0;
    bool accepted = false;
    ZEString reason("its size cannot be read");
    if (MeasureFile(file, fileSize))
    {
        ArchiveScan scan(file, fileSize, *archive);
        accepted = scan.Run();
        reason = scan.GetReason();
    }
    std::fclose(file);

    if (!accepted)
    {
        PostFiles(ZEString::Format("Package %s rejected: %s", path.CStr(), reason.CStr()));
        DeleteArchive(archive);
        return false;
    }
    AddArchiveToList(archive);
    return true;
}

bool ZEFileManager::RemoveArchive(const ZEString& name)
{
    _ZEArchive* previous = nullptr;
    for (_ZEArchive* archive = m_pArchives; archive; previous = archive, archive = archive->m_pNext)
    {
        if (archive->m_Name != name)
            continue;
        if (previous)
            previous->m_pNext = archive->m_pNext;
        else
            m_pArchives = archive->m_pNext;
        if (m_pLastArchive == archive)
            m_pLastArchive = previous;
        --m_ulNumArchives;
        DeleteArchive(archive);
        return true;
    }
    return false;
}

void ZEFileManager::RemoveAllArchives()
{
    while (m_pArchives)
    {
        _ZEArchive* next = m_pArchives->m_pNext;
        DeleteArchive(m_pArchives);
        m_pArchives = next;
    }
    m_pLastArchive = nullptr;
    m_ulNumArchives = 0;
}

ZEString* ZEFileManager::GetArchiveNames(uint32_t& count) const
{
    count = m_ulNumArchives;
    if (count == 0)
        return nullptr;
    ZEString* names = new ZEString[count];
    uint32_t index = 0;
    for (const _ZEArchive* archive = m_pArchives; archive; archive = archive->m_pNext)
        names[index++] = archive->m_Name;
    return names;
}

FILE* ZEFileManager::OpenFile(const ZEString& name, uint32_t& size) const
{
    FILE* file = OpenLooseFile(name, size);
    if (!file)
        file = OpenInAnyArchive(name, size);
    return file;
}

FILE* ZEFileManager::OpenFile(const ZEString& name) const
{
    uint32_t size;
    return OpenFile(name, size);
}

FILE* ZEFileManager::OpenFile(const ZEString& name, const ZEString& archive, uint32_t& size) const
{
    const _ZEArchive* first = FindArchive(archive);
    FILE* file = first ? OpenInArchive(*first, name, size) : nullptr;
    return file ? file : OpenFile(name, size);
}

FILE* ZEFileManager::OpenFile(const ZEString& name, const ZEString& archive) const
{
    uint32_t size;
    return OpenFile(name, archive, size);
}

FILE* ZEFileManager::OpenLooseFile(const ZEString& name, uint32_t& size) const
{
    size = 0;
    ZEString path = FullPath(name);
    FILE* file = std::fopen(path.CStr(), "rb");
    if (!file)
        return nullptr;
    // A directory opens like a file on some systems but cannot be read; it
    // is no loose copy, so the archives get their turn.
    uint64_t count = 0;
    if (!CountBytes(file, count))
    {
        std::fclose(file);
        return nullptr;
    }
    if (count > UINT32_MAX)
    {
        PostFiles(ZEString::Format("File %s is too large to be read", path.CStr()));
        std::fclose(file);
        return nullptr;
    }
    size = static_cast<uint32_t>(count);
    return file;
}

FILE* ZEFileManager::OpenInArchive(const _ZEArchive& archive, const ZEString& name,
                                   uint32_t& size) const
{
    size = 0;
    for (const _ZEArchivedFile* entry = archive.m_pFiles; entry; entry = entry->m_pNext)
    {
        if (entry->m_Name != name)
            continue;
        FILE* file = std::fopen(FullPath(archive.m_Name).CStr(), "rb");
        if (!file)
            return nullptr;
        if (!SeekTo(file, entry->m_ulOffset))
        {
            std::fclose(file);
            return nullptr;
        }
        size = entry->m_ulSize;
        return file;
    }
    return nullptr;
}

FILE* ZEFileManager::OpenInAnyArchive(const ZEString& name, uint32_t& size) const
{
    for (const _ZEArchive* archive = m_pArchives; archive; archive = archive->m_pNext)
        if (FILE* file = OpenInArchive(*archive, name, size))
            return file;
    size = 0;
    return nullptr;
}

const _ZEArchive* ZEFileManager::FindArchive(const ZEString& name) const
{
    for (const _ZEArchive* archive = m_pArchives; archive; archive = archive->m_pNext)
        if (archive->m_Name == name)
            return archive;
    return nullptr;
}

uint32_t ZEFileManager::GetSizeOfFile(FILE* file)
{
    uint64_t count = 0;
    CountBytes(file, count);
    return count > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(count);
}

void ZEFileManager::AddArchiveToList(_ZEArchive* archive)
{
    archive->m_pNext = nullptr;
    if (m_pLastArchive)
        m_pLastArchive->m_pNext = archive;
    else
        m_pArchives = archive;
    m_pLastArchive = archive;
    ++m_ulNumArchives;
}

void ZEFileManager::AddFileToArchive(_ZEArchive* archive, _ZEArchivedFile* file)
{
    file->m_pNext = nullptr;
    if (archive->m_pLastFile)
        archive->m_pLastFile->m_pNext = file;
    else
        archive->m_pFiles = file;
    archive->m_pLastFile = file;
    ++archive->m_ulNumFiles;
}

void ZEFileManager::DeleteArchive(_ZEArchive* archive)
{
    if (!archive)
        return;
    _ZEArchivedFile* file = archive->m_pFiles;
    while (file)
    {
        _ZEArchivedFile* next = file->m_pNext;
        delete file;
        file = next;
    }
    delete archive;
}

// ---------------------------------------------------------------------------
// Saving

FILE* ZEFileWriter::Open(const ZEString& path)
{
    return std::fopen(path.CStr(), "wb");
}

size_t ZEFileWriter::Write(FILE* file, const void* data, size_t size)
{
    return std::fwrite(data, 1, size, file);
}

bool ZEFileWriter::Close(FILE* file)
{
    bool flushed = std::fflush(file) == 0 && !std::ferror(file);
    return std::fclose(file) == 0 && flushed;
}

bool ZEFileWriter::Replace(const ZEString& from, const ZEString& to)
{
    std::error_code error;
    std::filesystem::rename(from.CStr(), to.CStr(), error);
    return !error;
}

void ZEFileWriter::Remove(const ZEString& path)
{
    std::error_code error;
    std::filesystem::remove(path.CStr(), error);
}

bool ZEFileManager::SaveFile(const ZEString& path, const void* data, uint32_t size, ZEFileWriter* writer)
{
    ZEFileWriter standard;
    ZEFileWriter& files = writer ? *writer : standard;
    if (path.CStr()[0] == '\0' || (size > 0 && !data))
        return false;
    ZEString temporary(path);
    temporary.Append(".tmp");
    FILE* file = files.Open(temporary);
    if (!file)
        return false;
    bool written = size == 0 || files.Write(file, data, size) == size;
    bool closed = files.Close(file);
    if (written && closed && files.Replace(temporary, path))
        return true;
    files.Remove(temporary);
    return false;
}
