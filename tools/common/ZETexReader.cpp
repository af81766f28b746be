#include "ZETexReader.h"

#include "resources/ZETextureManager.h"

#include <cstring>

namespace
{
std::string BoundedName(const char (&name)[12])
{
    size_t length = 0;
    while (length < sizeof(name) && name[length] != '\0')
        ++length;
    return std::string(name, length);
}

bool ReadImage(const uint8_t* bytes, size_t size, size_t& at, const _ZETexEntryHeader& header,
               ZETexReadImage& image, std::string& error)
{
    const size_t texels = static_cast<size_t>(header.m_usWidth) * header.m_usHeight;
    const size_t palette = static_cast<size_t>(header.m_usPaletteSize) * 3;
    const size_t needed = header.m_usPaletteSize ? palette + texels : texels * 3;
    if (texels == 0)
    {
        error = image.m_Name + ": the image is empty";
        return false;
    }
    if (size - at < needed)
    {
        error = image.m_Name + ": the image is cut short";
        return false;
    }
    image.m_aRGB.resize(texels * 3);
    if (header.m_usPaletteSize == 0)
        std::memcpy(image.m_aRGB.data(), bytes + at, texels * 3);
    else
        for (size_t i = 0; i < texels; ++i)
        {
            size_t index = bytes[at + palette + i];
            if (index >= header.m_usPaletteSize)
            {
                error = image.m_Name + ": a texel indexes beyond the palette";
                return false;
            }
            std::memcpy(&image.m_aRGB[i * 3], bytes + at + index * 3, 3);
        }
    at += needed;
    return true;
}
}

bool ZEReadTexPackage(const uint8_t* bytes, size_t size, std::vector<ZETexReadImage>& images, std::string& error)
{
    images.clear();
    if (!bytes || size < _ZETexHeader::ms_ulSize)
    {
        error = "the package is shorter than its header";
        return false;
    }
    _ZETexHeader header = _ZETexHeader::Decode(bytes);
    if (!header.HasMagic() || header.m_ucNumEntries == 0)
    {
        error = "not a texture package (no \"TP2\" header with entries)";
        return false;
    }
    size_t at = _ZETexHeader::ms_ulSize;
    for (uint32_t entry = 0; entry < header.m_ucNumEntries; ++entry)
    {
        if (size - at < _ZETexEntryHeader::ms_ulSize)
        {
            error = "entry " + std::to_string(entry) + ": the header is cut short";
            return false;
        }
        _ZETexEntryHeader record = _ZETexEntryHeader::Decode(bytes + at);
        at += _ZETexEntryHeader::ms_ulSize;
        ZETexReadImage image;
        image.m_Name = BoundedName(record.m_acName);
        image.m_usWidth = record.m_usWidth;
        image.m_usHeight = record.m_usHeight;
        image.m_usPaletteSize = record.m_usPaletteSize;
        if (!ReadImage(bytes, size, at, record, image, error))
            return false;
        images.push_back(std::move(image));
    }
    if (at != size)
    {
        error = std::to_string(size - at) + " bytes follow the last entry";
        return false;
    }
    return true;
}
