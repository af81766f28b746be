// ZETexWriter: makes the engine's texture packages (".tex"); ZETexImage:
// one image as both texture formats store it.
//
// A package holds up to 255 named still images, written in the order
// added: the header "TP2" with the entry count, then per entry its 18-byte
// header (name zero-padded to 12 bytes, width, height, palette size, all
// little-endian) followed by its image. An image is stored true colour
// (three bytes R, G, B a texel) or paletted (the palette's RGB triples,
// then one index byte a texel). Rows are written as given; the first
// becomes texture coordinate t = 0. The animation writer (ZEAtxWriter)
// stores its frames with the same ZETexImage.
//
// The writer refuses whatever the texture manager would refuse or have to
// mend: an empty package, more than 255 entries, a name that is empty,
// longer than 11 characters or given twice, a zero width or height, a size
// whose RGBA form would pass 4 GiB (ZETexture::IsUsableSize), a palette of
// more than 256 colours or not made of RGB triples, an index beyond the
// palette, and texel data of the wrong length. Every refusal returns false
// and leaves the reason in GetError(); nothing is added or written.
#pragma once

#include "core/ZEString.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct ZETexImage
{
    // An image of width x height RGB triples.
    static ZETexImage TrueColor(uint16_t width, uint16_t height, std::vector<uint8_t> rgb);
    // An image of width x height indices into `palette` (RGB triples).
    static ZETexImage Paletted(uint16_t width, uint16_t height, std::vector<uint8_t> palette,
                               std::vector<uint8_t> indices);

    bool IsPaletted() const { return !m_aPalette.empty(); }
    // Colours in the palette; 0 for a true-colour image.
    uint16_t GetPaletteSize() const { return static_cast<uint16_t>(m_aPalette.size() / 3); }

    // Empty when the image can be stored; otherwise why it cannot.
    ZEString Check() const;
    // The stored image after its header: palette, then texels.
    void AppendTo(std::vector<uint8_t>& bytes) const;

    uint16_t m_usWidth = 0;
    uint16_t m_usHeight = 0;
    std::vector<uint8_t> m_aPalette;   // RGB triples; empty: true colour
    std::vector<uint8_t> m_aTexels;    // RGB triples, or one palette index a texel
};

class ZETexWriter
{
public:
    // Adds a copy of `image` under `name`.
    bool AddImage(const ZEString& name, const ZETexImage& image);

    // The whole package as bytes; refused while it holds no image.
    bool Encode(std::vector<uint8_t>& bytes);
    // Writes the package to `path`, replacing any file there; a failed
    // write removes what was written.
    bool Write(const ZEString& path);

    size_t GetNumEntries() const { return m_aEntries.size(); }
    // The reason of the last refusal.
    const ZEString& GetError() const { return m_Error; }

    // Shared with the animation writer: little-endian fields, and writing
    // a finished file (false with `error` set on failure).
    static void PutLE16(std::vector<uint8_t>& bytes, uint16_t value);

    static const uint32_t ms_ulMaxEntries = 255;

private:
    struct Entry
    {
        ZEString m_Name;
        ZETexImage m_Image;
    };

    bool CheckName(const ZEString& name);
    bool Fail(const ZEString& message);

    std::vector<Entry> m_aEntries;
    ZEString m_Error;
};
