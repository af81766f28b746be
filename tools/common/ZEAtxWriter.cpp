#include "ZEAtxWriter.h"

#include "ZEFileOutput.h"
#include "resources/ZETextureManager.h"

#include <cstring>

namespace
{
void PutHeader(std::vector<uint8_t>& bytes, const _ZEAtxHeader& header)
{
    bytes.insert(bytes.end(), header.m_acMagic, header.m_acMagic + sizeof(header.m_acMagic));
    bytes.push_back(header.m_ucUnused);
    ZETexWriter::PutLE16(bytes, header.m_usWidth);
    ZETexWriter::PutLE16(bytes, header.m_usHeight);
    bytes.push_back(header.m_ucNumFrames);
    bytes.push_back(header.m_ucUnused2);
}

void PutFrameHeader(std::vector<uint8_t>& bytes, const _ZEAtxFrameHeader& frame)
{
    ZETexWriter::PutLE16(bytes, frame.m_usTime);
    ZETexWriter::PutLE16(bytes, frame.m_usPaletteSize);
}
}

bool ZEAtxWriter::AddFrame(uint16_t time, const ZETexImage& image)
{
    uint32_t number = static_cast<uint32_t>(m_aFrames.size()) + 1;
    if (m_aFrames.size() >= ms_ulMaxFrames)
        return Fail(ZEString::Format("an animation holds at most %u frames", ms_ulMaxFrames));
    ZEString problem = image.Check();
    if (!problem.IsEmpty())
        return Fail(ZEString::Format("frame %u: %s", number, problem.CStr()));
    if (!m_aFrames.empty())
    {
        const ZETexImage& first = m_aFrames.front().m_Image;
        if (image.m_usWidth != first.m_usWidth || image.m_usHeight != first.m_usHeight)
            return Fail(ZEString::Format("frame %u is %u x %u; the animation is %u x %u", number,
                                         image.m_usWidth, image.m_usHeight, first.m_usWidth,
                                         first.m_usHeight));
    }
    m_aFrames.push_back(Frame{time, image});
    return true;
}

bool ZEAtxWriter::Encode(std::vector<uint8_t>& bytes)
{
    if (m_aFrames.empty())
        return Fail(ZEString("an animation needs at least one frame"));
    bytes.clear();
    const ZETexImage& first = m_aFrames.front().m_Image;
    _ZEAtxHeader header = {};
    std::memcpy(header.m_acMagic, "AT2", 3);
    header.m_usWidth = first.m_usWidth;
    header.m_usHeight = first.m_usHeight;
    header.m_ucNumFrames = static_cast<uint8_t>(m_aFrames.size());
    PutHeader(bytes, header);
    for (const Frame& frame : m_aFrames)
    {
        _ZEAtxFrameHeader record;
        record.m_usTime = frame.m_usTime;
        record.m_usPaletteSize = frame.m_Image.GetPaletteSize();
        PutFrameHeader(bytes, record);
        frame.m_Image.AppendTo(bytes);
    }
    return true;
}

bool ZEAtxWriter::Write(const ZEString& path)
{
    std::vector<uint8_t> bytes;
    return Encode(bytes) && ZEWriteFileAtomically(path, bytes, m_Error);
}

bool ZEAtxWriter::Fail(const ZEString& message)
{
    m_Error = message;
    return false;
}
