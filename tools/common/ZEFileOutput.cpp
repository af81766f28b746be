#include "ZEFileOutput.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

bool ZEWriteFileAtomically(const ZEString& path, const std::vector<uint8_t>& bytes, ZEString& error)
{
    ZEString temporary(path);
    temporary.Append(".tmp");
    FILE* file = std::fopen(temporary.CStr(), "wb");
    if (!file)
    {
        error = ZEString::Format("%s cannot be created", temporary.CStr());
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = std::fclose(file) == 0 && written;
    std::error_code failure;
    if (written)
        std::filesystem::rename(temporary.CStr(), path.CStr(), failure);
    if (!written || failure)
    {
        std::filesystem::remove(temporary.CStr(), failure);
        error = ZEString::Format("writing %s failed", path.CStr());
        return false;
    }
    return true;
}
