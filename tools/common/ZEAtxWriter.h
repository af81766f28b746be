// ZEAtxWriter: makes the engine's animated textures (".atx").
//
// An animation is one image sequence of up to 255 frames, all of one size,
// written in the order added: the header "AT2" (a spare byte, width,
// height, frame count, a spare byte; sizes little-endian), then per frame
// the time it stays in milliseconds of game time and its palette size
// (both u16), followed by its image stored as in a texture package
// (ZETexImage). Each frame may be true colour or have its own palette.
//
// The writer refuses whatever the texture manager would refuse or have to
// mend: an animation without frames, more than 255 frames, a frame whose
// size differs from the first, and every image that ZETexImage::Check
// refuses. Every refusal returns false and leaves the reason in
// GetError(); nothing is added or written.
#pragma once

#include "ZETexWriter.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class ZEAtxWriter
{
public:
    // Adds a copy of `image` as the next frame, shown for `time` ms.
    bool AddFrame(uint16_t time, const ZETexImage& image);

    // The whole animation as bytes; refused while it holds no frame.
    bool Encode(std::vector<uint8_t>& bytes);
    // Writes the animation to `path`, replacing any file there; a failed
    // write removes what was written.
    bool Write(const ZEString& path);

    size_t GetNumFrames() const { return m_aFrames.size(); }
    // The reason of the last refusal.
    const ZEString& GetError() const { return m_Error; }

    static const uint32_t ms_ulMaxFrames = 255;

private:
    struct Frame
    {
        uint16_t m_usTime;
        ZETexImage m_Image;
    };

    bool Fail(const ZEString& message);

    std::vector<Frame> m_aFrames;
    ZEString m_Error;
};
