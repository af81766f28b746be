#include "ZESoundWriter.h"

#include "ZEFileOutput.h"
#include "core/ZEByteOrder.h"
#include "core/ZEString.h"

#include <vorbis/vorbisenc.h>

#include <cstdlib>
#include <cstring>

namespace
{
// Vorbis analyses in blocks; handing it this many frames at a time keeps
// memory flat for long tunes without costing speed.
const uint32_t kEncodeChunkFrames = 4096;
const int kStreamSerial = 0x57525A4F;

bool CheckLayout(size_t sampleCount, uint32_t channels, uint32_t rate, std::string& error)
{
    if (channels != 1 && channels != 2)
    {
        error = "only mono and stereo sounds can be written";
        return false;
    }
    if (rate == 0)
    {
        error = "the sample rate is 0";
        return false;
    }
    if (sampleCount % channels != 0)
    {
        error = "the sample count is not a whole number of frames";
        return false;
    }
    return true;
}

void PutTag(std::vector<uint8_t>& out, const char* tag)
{
    out.insert(out.end(), tag, tag + 4);
}

void PutU32(std::vector<uint8_t>& out, uint32_t value)
{
    uint8_t bytes[4];
    ZEWriteLE32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

void PutU16(std::vector<uint8_t>& out, uint16_t value)
{
    uint8_t bytes[2];
    ZEWriteLE16(bytes, value);
    out.insert(out.end(), bytes, bytes + 2);
}

void AppendPage(std::vector<uint8_t>& out, const ogg_page& page)
{
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

// The codec's state for one stream, torn down in reverse order of set-up
// whichever way encoding ends.
class VorbisStream
{
public:
    VorbisStream() { vorbis_info_init(&m_Info); }
    ~VorbisStream()
    {
        if (m_bStreamReady)
            ogg_stream_clear(&m_Stream);
        if (m_bBlockReady)
            vorbis_block_clear(&m_Block);
        if (m_bDspReady)
            vorbis_dsp_clear(&m_Dsp);
        if (m_bCommentReady)
            vorbis_comment_clear(&m_Comment);
        vorbis_info_clear(&m_Info);
    }

    bool Start(uint32_t channels, uint32_t rate, float quality, std::vector<uint8_t>& out, std::string& error)
    {
        if (vorbis_encode_init_vbr(&m_Info, static_cast<long>(channels), static_cast<long>(rate), quality) != 0)
        {
            error = "the Vorbis encoder does not support this rate and quality";
            return false;
        }
        vorbis_comment_init(&m_Comment);
        m_bCommentReady = true;
        vorbis_comment_add_tag(&m_Comment, "ENCODER", "Wrenzo sound tools");
        if (vorbis_analysis_init(&m_Dsp, &m_Info) != 0)
        {
            error = "the Vorbis encoder could not start";
            return false;
        }
        m_bDspReady = true;
        vorbis_block_init(&m_Dsp, &m_Block);
        m_bBlockReady = true;
        ogg_stream_init(&m_Stream, kStreamSerial);
        m_bStreamReady = true;
        return WriteHeaders(out);
    }

    void Feed(const float* samples, uint32_t frames, uint32_t channels)
    {
        float** buffers = vorbis_analysis_buffer(&m_Dsp, static_cast<int>(frames));
        for (uint32_t frame = 0; frame < frames; ++frame)
            for (uint32_t channel = 0; channel < channels; ++channel)
                buffers[channel][frame] = samples[frame * channels + channel];
        vorbis_analysis_wrote(&m_Dsp, static_cast<int>(frames));
    }

    void Finish() { vorbis_analysis_wrote(&m_Dsp, 0); }

    void Drain(std::vector<uint8_t>& out)
    {
        while (vorbis_analysis_blockout(&m_Dsp, &m_Block) == 1)
        {
            vorbis_analysis(&m_Block, nullptr);
            vorbis_bitrate_addblock(&m_Block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&m_Dsp, &packet) == 1)
            {
                ogg_stream_packetin(&m_Stream, &packet);
                ogg_page page;
                while (ogg_stream_pageout(&m_Stream, &page) != 0)
                    AppendPage(out, page);
            }
        }
    }

    void Flush(std::vector<uint8_t>& out)
    {
        ogg_page page;
        while (ogg_stream_flush(&m_Stream, &page) != 0)
            AppendPage(out, page);
    }

private:
    bool WriteHeaders(std::vector<uint8_t>& out)
    {
        ogg_packet identification, comment, codebooks;
        vorbis_analysis_headerout(&m_Dsp, &m_Comment, &identification, &comment, &codebooks);
        ogg_stream_packetin(&m_Stream, &identification);
        ogg_stream_packetin(&m_Stream, &comment);
        ogg_stream_packetin(&m_Stream, &codebooks);
        // The headers end on a page of their own so audio starts on a fresh page.
        Flush(out);
        return true;
    }

    vorbis_info m_Info;
    vorbis_comment m_Comment;
    vorbis_dsp_state m_Dsp;
    vorbis_block m_Block;
    ogg_stream_state m_Stream;
    bool m_bCommentReady = false;
    bool m_bDspReady = false;
    bool m_bBlockReady = false;
    bool m_bStreamReady = false;
};
} // namespace

bool ZEEncodeWave(const std::vector<int16_t>& samples, uint32_t channels, uint32_t rate,
                  std::vector<uint8_t>& wave, std::string& error)
{
    if (!CheckLayout(samples.size(), channels, rate, error))
        return false;
    const uint64_t dataBytes = static_cast<uint64_t>(samples.size()) * 2;
    if (dataBytes > 0xFFFFFFFFull - 36)
    {
        error = "the sound is too long for a WAV file";
        return false;
    }
    wave.clear();
    wave.reserve(static_cast<size_t>(dataBytes) + 44);
    PutTag(wave, "RIFF");
    PutU32(wave, static_cast<uint32_t>(dataBytes + 36));
    PutTag(wave, "WAVE");
    PutTag(wave, "fmt ");
    PutU32(wave, 16);
    PutU16(wave, 1);
    PutU16(wave, static_cast<uint16_t>(channels));
    PutU32(wave, rate);
    PutU32(wave, rate * channels * 2);
    PutU16(wave, static_cast<uint16_t>(channels * 2));
    PutU16(wave, 16);
    PutTag(wave, "data");
    PutU32(wave, static_cast<uint32_t>(dataBytes));
    for (int16_t sample : samples)
        PutU16(wave, static_cast<uint16_t>(sample));
    return true;
}

bool ZEEncodeOggVorbis(const std::vector<float>& samples, uint32_t channels, uint32_t rate, float quality,
                       std::vector<uint8_t>& ogg, std::string& error)
{
    if (!CheckLayout(samples.size(), channels, rate, error))
        return false;
    ogg.clear();
    VorbisStream stream;
    if (!stream.Start(channels, rate, quality, ogg, error))
        return false;
    const uint32_t frames = static_cast<uint32_t>(samples.size() / channels);
    for (uint32_t first = 0; first < frames; first += kEncodeChunkFrames)
    {
        const uint32_t count = frames - first < kEncodeChunkFrames ? frames - first : kEncodeChunkFrames;
        stream.Feed(samples.data() + static_cast<size_t>(first) * channels, count, channels);
        stream.Drain(ogg);
    }
    stream.Finish();
    stream.Drain(ogg);
    stream.Flush(ogg);
    return true;
}

bool ZEWriteWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t channels, uint32_t rate,
                 std::string& error)
{
    std::vector<uint8_t> wave;
    if (!ZEEncodeWave(samples, channels, rate, wave, error))
        return false;
    ZEString writeError;
    if (!ZEWriteFileAtomically(ZEString(path.c_str()), wave, writeError))
    {
        error = writeError.CStr();
        return false;
    }
    return true;
}

bool ZEWriteOggVorbis(const std::string& path, const std::vector<float>& samples, uint32_t channels,
                      uint32_t rate, float quality, std::string& error)
{
    std::vector<uint8_t> ogg;
    if (!ZEEncodeOggVorbis(samples, channels, rate, quality, ogg, error))
        return false;
    ZEString writeError;
    if (!ZEWriteFileAtomically(ZEString(path.c_str()), ogg, writeError))
    {
        error = writeError.CStr();
        return false;
    }
    return true;
}
