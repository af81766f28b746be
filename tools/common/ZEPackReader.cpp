#include "ZEPackReader.h"

#include "core/ZEFileManager.h"

#include <cstdio>
#include <memory>

namespace
{
struct FileCloser
{
    void operator()(FILE* file) const { std::fclose(file); }
};

long FileSize(FILE* file)
{
    if (std::fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = std::ftell(file);
    return std::fseek(file, 0, SEEK_SET) == 0 ? size : -1;
}
}

bool ZEListPackEntries(const std::string& path, std::vector<ZEPackEntry>& entries, std::string& error)
{
    entries.clear();
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
    {
        error = path + " cannot be opened";
        return false;
    }
    long size = FileSize(file.get());
    if (size < 0)
    {
        error = path + " cannot be measured";
        return false;
    }
    long at = 0;
    for (;;)
    {
        uint8_t bytes[_ZEZipLocalHeader::ms_ulSize];
        if (size - at < 4 || std::fread(bytes, 1, 4, file.get()) != 4)
        {
            error = path + ": ends without a central directory";
            return false;
        }
        uint32_t signature = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (uint32_t(bytes[3]) << 24);
        if (signature == _ZEZipLocalHeader::ms_ulCentralSignature)
            return true;
        if (signature != _ZEZipLocalHeader::ms_ulLocalSignature ||
            std::fread(bytes + 4, 1, _ZEZipLocalHeader::ms_ulSize - 4, file.get()) != _ZEZipLocalHeader::ms_ulSize - 4)
        {
            error = path + ": a damaged or foreign record at offset " + std::to_string(at);
            return false;
        }
        _ZEZipLocalHeader header = _ZEZipLocalHeader::Decode(bytes);
        std::string name(header.m_usNameLength, '\0');
        if (header.m_usNameLength && std::fread(&name[0], 1, name.size(), file.get()) != name.size())
        {
            error = path + ": an entry name is cut short";
            return false;
        }
        if (header.m_usMethod != _ZEZipLocalHeader::ms_usMethodStored ||
            header.m_ulCompressedSize != header.m_ulUncompressedSize || header.m_usExtraLength != 0 ||
            (header.m_usFlags & _ZEZipLocalHeader::ms_usFlagSizesAfterData))
        {
            error = path + ": " + name + " is not a plain stored entry";
            return false;
        }
        long data = at + static_cast<long>(_ZEZipLocalHeader::ms_ulSize) + header.m_usNameLength;
        if (size - data < static_cast<long>(header.m_ulUncompressedSize))
        {
            error = path + ": " + name + " runs past the end of the file";
            return false;
        }
        if (header.m_ulUncompressedSize > 0)
            entries.push_back({name, static_cast<uint32_t>(data), header.m_ulUncompressedSize});
        at = data + static_cast<long>(header.m_ulUncompressedSize);
        if (std::fseek(file.get(), at, SEEK_SET) != 0)
        {
            error = path + " cannot be read";
            return false;
        }
    }
}
