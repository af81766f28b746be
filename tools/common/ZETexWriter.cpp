#include "ZETexWriter.h"

#include "ZEFileOutput.h"

#include "resources/ZETextureManager.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace
{
void PutHeader(std::vector<uint8_t>& bytes, const _ZETexHeader& header)
{
    bytes.insert(bytes.end(), header.m_acMagic, header.m_acMagic + sizeof(header.m_acMagic));
    bytes.push_back(header.m_ucNumEntries);
}

void PutEntryHeader(std::vector<uint8_t>& bytes, const _ZETexEntryHeader& entry)
{
    bytes.insert(bytes.end(), entry.m_acName, entry.m_acName + sizeof(entry.m_acName));
    ZETexWriter::PutLE16(bytes, entry.m_usWidth);
    ZETexWriter::PutLE16(bytes, entry.m_usHeight);
    ZETexWriter::PutLE16(bytes, entry.m_usPaletteSize);
}

// The first index at or beyond the palette, or -1.
int FindIndexBeyond(const std::vector<uint8_t>& indices, uint32_t paletteSize)
{
    for (size_t i = 0; i < indices.size(); ++i)
        if (indices[i] >= paletteSize)
            return static_cast<int>(i);
    return -1;
}
}

// ---------------------------------------------------------------------------
// ZETexImage

ZETexImage ZETexImage::TrueColor(uint16_t width, uint16_t height, std::vector<uint8_t> rgb)
{
    ZETexImage image;
    image.m_usWidth = width;
    image.m_usHeight = height;
    image.m_aTexels = std::move(rgb);
    return image;
}

ZETexImage ZETexImage::Paletted(uint16_t width, uint16_t height, std::vector<uint8_t> palette,
                                std::vector<uint8_t> indices)
{
    ZETexImage image;
    image.m_usWidth = width;
    image.m_usHeight = height;
    image.m_aPalette = std::move(palette);
    image.m_aTexels = std::move(indices);
    return image;
}

ZEString ZETexImage::Check() const
{
    if (!ZETexture::IsUsableSize(m_usWidth, m_usHeight))
        return ZEString::Format("a size of %u x %u cannot be stored", m_usWidth, m_usHeight);
    if (m_aPalette.size() % 3 != 0)
        return ZEString("the palette is not made of RGB triples");
    if (m_aPalette.size() / 3 > ZE_MAX_PALETTE_SIZE)
        return ZEString::Format("the palette has %zu colours; at most %u can be indexed",
                                m_aPalette.size() / 3, ZE_MAX_PALETTE_SIZE);
    size_t needed = static_cast<size_t>(m_usWidth) * m_usHeight * (IsPaletted() ? 1 : 3);
    if (m_aTexels.size() != needed)
        return ZEString::Format("%zu bytes of texels where %zu are needed", m_aTexels.size(), needed);
    int beyond = IsPaletted() ? FindIndexBeyond(m_aTexels, GetPaletteSize()) : -1;
    if (beyond >= 0)
        return ZEString::Format("texel %d has index %u beyond the palette of %u colours", beyond,
                                m_aTexels[beyond], GetPaletteSize());
    return ZEString();
}

void ZETexImage::AppendTo(std::vector<uint8_t>& bytes) const
{
    bytes.insert(bytes.end(), m_aPalette.begin(), m_aPalette.end());
    bytes.insert(bytes.end(), m_aTexels.begin(), m_aTexels.end());
}

// ---------------------------------------------------------------------------
// ZETexWriter

bool ZETexWriter::AddImage(const ZEString& name, const ZETexImage& image)
{
    if (!CheckName(name))
        return false;
    ZEString problem = image.Check();
    if (!problem.IsEmpty())
        return Fail(ZEString::Format("%s: %s", name.CStr(), problem.CStr()));
    m_aEntries.push_back(Entry{name, image});
    return true;
}

bool ZETexWriter::CheckName(const ZEString& name)
{
    uint32_t length = name.GetLength();
    if (length == 0)
        return Fail(ZEString("an entry needs a name"));
    if (length > _ZETexEntryHeader::ms_ulMaxNameLength)
        return Fail(ZEString::Format("%s: a name has at most %u characters", name.CStr(),
                                     _ZETexEntryHeader::ms_ulMaxNameLength));
    for (const Entry& entry : m_aEntries)
        if (entry.m_Name == name)
            return Fail(ZEString::Format("%s is added twice", name.CStr()));
    if (m_aEntries.size() >= ms_ulMaxEntries)
        return Fail(ZEString::Format("a package holds at most %u entries", ms_ulMaxEntries));
    return true;
}

bool ZETexWriter::Encode(std::vector<uint8_t>& bytes)
{
    if (m_aEntries.empty())
        return Fail(ZEString("a package needs at least one entry"));
    bytes.clear();
    _ZETexHeader header;
    std::memcpy(header.m_acMagic, "TP2", 3);
    header.m_ucNumEntries = static_cast<uint8_t>(m_aEntries.size());
    PutHeader(bytes, header);
    for (const Entry& entry : m_aEntries)
    {
        _ZETexEntryHeader record = {};
        std::memcpy(record.m_acName, entry.m_Name.CStr(), entry.m_Name.GetLength());
        record.m_usWidth = entry.m_Image.m_usWidth;
        record.m_usHeight = entry.m_Image.m_usHeight;
        record.m_usPaletteSize = entry.m_Image.GetPaletteSize();
        PutEntryHeader(bytes, record);
        entry.m_Image.AppendTo(bytes);
    }
    return true;
}

bool ZETexWriter::Write(const ZEString& path)
{
    std::vector<uint8_t> bytes;
    return Encode(bytes) && ZEWriteFileAtomically(path, bytes, m_Error);
}

void ZETexWriter::PutLE16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

bool ZETexWriter::Fail(const ZEString& message)
{
    m_Error = message;
    return false;
}
