#include "ZEPackWriter.h"

#include "core/ZEFileManager.h"

#include <cstring>
#include <filesystem>
#include <system_error>

namespace
{
// The records that follow the entries. The engine never reads them; other
// ZIP tools need them to list the package.
#pragma pack(push, 1)
struct ZipCentralHeader
{
    uint32_t m_ulSignature;          // "PK" 1 2
    uint16_t m_usVersionMadeBy;
    uint16_t m_usVersionNeeded;
    uint16_t m_usFlags;
    uint16_t m_usMethod;
    uint16_t m_usTime;
    uint16_t m_usDate;
    uint32_t m_ulCRC32;
    uint32_t m_ulCompressedSize;
    uint32_t m_ulUncompressedSize;
    uint16_t m_usNameLength;
    uint16_t m_usExtraLength;
    uint16_t m_usCommentLength;
    uint16_t m_usDiskStart;
    uint16_t m_usInternalAttributes;
    uint32_t m_ulExternalAttributes;
    uint32_t m_ulLocalHeaderOffset;
};

struct ZipEndRecord
{
    uint32_t m_ulSignature;          // "PK" 5 6
    uint16_t m_usDisk;
    uint16_t m_usCentralDisk;
    uint16_t m_usDiskEntries;
    uint16_t m_usTotalEntries;
    uint32_t m_ulCentralSize;
    uint32_t m_ulCentralOffset;
    uint16_t m_usCommentLength;
};
#pragma pack(pop)
static_assert(sizeof(ZipCentralHeader) == 46, "the central header is 46 bytes on disk");
static_assert(sizeof(ZipEndRecord) == 22, "the end record is 22 bytes on disk");

// Version 1.0 suffices to extract a stored entry; the directory says it was
// made by a 2.0 writer on the DOS host, which every tool understands.
const uint16_t ZIP_VERSION_NEEDED = 10;
const uint16_t ZIP_VERSION_MADE_BY = 20;
// 1980-01-01 00:00:00, the first DOS date: fixed so output is reproducible.
const uint16_t ZIP_DOS_DATE = (0 << 9) | (1 << 5) | 1;
const uint16_t ZIP_DOS_TIME = 0;

// Appends little-endian fields to a record being encoded.
class LittleEndianSink
{
public:
    explicit LittleEndianSink(size_t reserve) { m_aBytes.reserve(reserve); }

    void Put16(uint16_t value)
    {
        m_aBytes.push_back(static_cast<uint8_t>(value));
        m_aBytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    void Put32(uint32_t value)
    {
        Put16(static_cast<uint16_t>(value));
        Put16(static_cast<uint16_t>(value >> 16));
    }
    void PutText(const ZEString& text)
    {
        m_aBytes.insert(m_aBytes.end(), text.CStr(), text.CStr() + text.GetLength());
    }

    std::vector<uint8_t>& Bytes() { return m_aBytes; }

private:
    std::vector<uint8_t> m_aBytes;
};

bool WriteBytes(FILE* file, const void* bytes, size_t count)
{
    return count == 0 || std::fwrite(bytes, 1, count, file) == count;
}

bool ReadWholeFile(const ZEString& path, std::vector<uint8_t>& data)
{
    FILE* file = std::fopen(path.CStr(), "rb");
    if (!file)
        return false;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}
}

uint32_t ZEPackWriter::CRC32(const void* data, size_t size)
{
    static const struct Table
    {
        uint32_t m_aulValues[256];
        Table()
        {
            for (uint32_t index = 0; index < 256; ++index)
            {
                uint32_t value = index;
                for (int bit = 0; bit < 8; ++bit)
                    value = (value & 1) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
                m_aulValues[index] = value;
            }
        }
    } table;

    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t index = 0; index < size; ++index)
        crc = table.m_aulValues[(crc ^ bytes[index]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

bool ZEPackWriter::AddData(const ZEString& name, const void* data, size_t size)
{
    if (!CheckName(name))
        return false;
    if (size == 0)
        return Fail(ZEString::Format("%s is empty; an empty entry would read as a directory",
                                     name.CStr()));
    if (size > UINT32_MAX)
        return Fail(ZEString::Format("%s is larger than 4 GiB", name.CStr()));

    Entry entry;
    entry.m_Name = name;
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    entry.m_aData.assign(bytes, bytes + size);
    entry.m_ulCRC32 = CRC32(bytes, size);
    m_aNames.insert(name.CStr());
    m_aEntries.push_back(std::move(entry));
    return true;
}

bool ZEPackWriter::AddFile(const ZEString& name, const ZEString& path)
{
    std::vector<uint8_t> data;
    if (!ReadWholeFile(path, data))
        return Fail(ZEString::Format("%s cannot be read", path.CStr()));
    if (data.empty())
        return Fail(ZEString::Format("%s is empty; an empty entry would read as a directory",
                                     path.CStr()));
    return AddData(name, data.data(), data.size());
}

bool ZEPackWriter::CheckName(const ZEString& name)
{
    uint32_t length = name.GetLength();
    const char* text = name.CStr();
    if (length == 0)
        return Fail(ZEString("an entry needs a name"));
    if (length > ms_ulMaxNameLength)
        return Fail(ZEString::Format("the name of an entry is %u bytes long; at most %u fit",
                                     length, ms_ulMaxNameLength));
    if (text[0] == '/' || text[length - 1] == '/')
        return Fail(ZEString::Format("%s: a name may neither begin nor end with /", text));
    if (std::strchr(text, '\\'))
        return Fail(ZEString::Format("%s: names separate folders with /, not \\", text));
    if (m_aNames.count(text))
        return Fail(ZEString::Format("%s is added twice", text));
    if (m_aEntries.size() >= ms_ulMaxEntries)
        return Fail(ZEString::Format("a package holds at most %u entries", ms_ulMaxEntries));
    return true;
}

bool ZEPackWriter::AssignOffsets(uint32_t& centralOffset, uint32_t& centralSize)
{
    uint64_t offset = 0;
    uint64_t central = 0;
    for (Entry& entry : m_aEntries)
    {
        entry.m_ulOffset = static_cast<uint32_t>(offset);
        offset += _ZEZipLocalHeader::ms_ulSize + entry.m_Name.GetLength() + entry.m_aData.size();
        central += sizeof(ZipCentralHeader) + entry.m_Name.GetLength();
        if (offset + central + sizeof(ZipEndRecord) > UINT32_MAX)
            return Fail(ZEString("the package would be larger than 4 GiB"));
    }
    centralOffset = static_cast<uint32_t>(offset);
    centralSize = static_cast<uint32_t>(central);
    return true;
}

std::vector<uint8_t> ZEPackWriter::EncodeLocalHeader(const Entry& entry) const
{
    _ZEZipLocalHeader header = {};
    header.m_ulSignature = _ZEZipLocalHeader::ms_ulLocalSignature;
    header.m_usVersionNeeded = ZIP_VERSION_NEEDED;
    header.m_usMethod = _ZEZipLocalHeader::ms_usMethodStored;
    header.m_usTime = ZIP_DOS_TIME;
    header.m_usDate = ZIP_DOS_DATE;
    header.m_ulCRC32 = entry.m_ulCRC32;
    header.m_ulCompressedSize = static_cast<uint32_t>(entry.m_aData.size());
    header.m_ulUncompressedSize = header.m_ulCompressedSize;
    header.m_usNameLength = static_cast<uint16_t>(entry.m_Name.GetLength());

    LittleEndianSink sink(_ZEZipLocalHeader::ms_ulSize + header.m_usNameLength);
    sink.Put32(header.m_ulSignature);
    sink.Put16(header.m_usVersionNeeded);
    sink.Put16(header.m_usFlags);
    sink.Put16(header.m_usMethod);
    sink.Put16(header.m_usTime);
    sink.Put16(header.m_usDate);
    sink.Put32(header.m_ulCRC32);
    sink.Put32(header.m_ulCompressedSize);
    sink.Put32(header.m_ulUncompressedSize);
    sink.Put16(header.m_usNameLength);
    sink.Put16(header.m_usExtraLength);
    sink.PutText(entry.m_Name);
    return std::move(sink.Bytes());
}

std::vector<uint8_t> ZEPackWriter::EncodeCentralDirectory() const
{
    LittleEndianSink sink(m_aEntries.size() * (sizeof(ZipCentralHeader) + 32));
    for (const Entry& entry : m_aEntries)
    {
        ZipCentralHeader header = {};
        header.m_ulSignature = _ZEZipLocalHeader::ms_ulCentralSignature;
        header.m_usVersionMadeBy = ZIP_VERSION_MADE_BY;
        header.m_usVersionNeeded = ZIP_VERSION_NEEDED;
        header.m_usMethod = _ZEZipLocalHeader::ms_usMethodStored;
        header.m_usTime = ZIP_DOS_TIME;
        header.m_usDate = ZIP_DOS_DATE;
        header.m_ulCRC32 = entry.m_ulCRC32;
        header.m_ulCompressedSize = static_cast<uint32_t>(entry.m_aData.size());
        header.m_ulUncompressedSize = header.m_ulCompressedSize;
        header.m_usNameLength = static_cast<uint16_t>(entry.m_Name.GetLength());
        header.m_ulLocalHeaderOffset = entry.m_ulOffset;

        sink.Put32(header.m_ulSignature);
        sink.Put16(header.m_usVersionMadeBy);
        sink.Put16(header.m_usVersionNeeded);
        sink.Put16(header.m_usFlags);
        sink.Put16(header.m_usMethod);
        sink.Put16(header.m_usTime);
        sink.Put16(header.m_usDate);
        sink.Put32(header.m_ulCRC32);
        sink.Put32(header.m_ulCompressedSize);
        sink.Put32(header.m_ulUncompressedSize);
        sink.Put16(header.m_usNameLength);
        sink.Put16(header.m_usExtraLength);
        sink.Put16(header.m_usCommentLength);
        sink.Put16(header.m_usDiskStart);
        sink.Put16(header.m_usInternalAttributes);
        sink.Put32(header.m_ulExternalAttributes);
        sink.Put32(header.m_ulLocalHeaderOffset);
        sink.PutText(entry.m_Name);
    }
    return std::move(sink.Bytes());
}

std::vector<uint8_t> ZEPackWriter::EncodeEndRecord(uint32_t centralOffset,
                                                   uint32_t centralSize) const
{
    ZipEndRecord record = {};
    record.m_ulSignature = _ZEZipLocalHeader::ms_ulEndSignature;
    record.m_usDiskEntries = static_cast<uint16_t>(m_aEntries.size());
    record.m_usTotalEntries = record.m_usDiskEntries;
    record.m_ulCentralSize = centralSize;
    record.m_ulCentralOffset = centralOffset;

    LittleEndianSink sink(sizeof(ZipEndRecord));
    sink.Put32(record.m_ulSignature);
    sink.Put16(record.m_usDisk);
    sink.Put16(record.m_usCentralDisk);
    sink.Put16(record.m_usDiskEntries);
    sink.Put16(record.m_usTotalEntries);
    sink.Put32(record.m_ulCentralSize);
    sink.Put32(record.m_ulCentralOffset);
    sink.Put16(record.m_usCommentLength);
    return std::move(sink.Bytes());
}

bool ZEPackWriter::WriteRecords(FILE* file, uint32_t centralOffset, uint32_t centralSize) const
{
    for (const Entry& entry : m_aEntries)
    {
        std::vector<uint8_t> header = EncodeLocalHeader(entry);
        if (!WriteBytes(file, header.data(), header.size()) ||
            !WriteBytes(file, entry.m_aData.data(), entry.m_aData.size()))
            return false;
    }
    std::vector<uint8_t> central = EncodeCentralDirectory();
    std::vector<uint8_t> end = EncodeEndRecord(centralOffset, centralSize);
    return WriteBytes(file, central.data(), central.size()) &&
           WriteBytes(file, end.data(), end.size());
}

bool ZEPackWriter::Write(const ZEString& archivePath)
{
    if (m_aEntries.empty())
        return Fail(ZEString::Format("%s: a package needs at least one entry", archivePath.CStr()));
    uint32_t centralOffset = 0;
    uint32_t centralSize = 0;
    if (!AssignOffsets(centralOffset, centralSize))
        return false;

    ZEString temporary(archivePath);
    temporary.Append(".tmp");
    FILE* file = std::fopen(temporary.CStr(), "wb");
    if (!file)
        return Fail(ZEString::Format("%s cannot be created", temporary.CStr()));
    bool written = WriteRecords(file, centralOffset, centralSize);
    bool closed = std::fclose(file) == 0;
    if (!written || !closed)
    {
        std::remove(temporary.CStr());
        return Fail(ZEString::Format("writing %s failed", temporary.CStr()));
    }

    std::error_code error;
    std::filesystem::rename(temporary.CStr(), archivePath.CStr(), error);
    if (error)
    {
        std::remove(temporary.CStr());
        return Fail(ZEString::Format("%s cannot replace %s: %s", temporary.CStr(),
                                     archivePath.CStr(), error.message().c_str()));
    }
    return true;
}

bool ZEPackWriter::Fail(const ZEString& message)
{
    m_Error = message;
    return false;
}
