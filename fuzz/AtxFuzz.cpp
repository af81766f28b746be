// Fuzz target: the ".atx" animation loader (ZETextureManager::
// LoadAnimation), through GetTexture and the file manager as the game loads
// an animated texture, and the frame stepping of UpdateAnimatedTextures.
//
// The input is the animation "textures/fuzz.atx", loaded twice: as a loose
// file, and as an entry of a package archive followed by another entry
// holding the same bytes again, so that reading past the entry's size would
// find plausible frames. The target reads the header and frame headers
// itself (bounded, through _ZEAtxHeader/_ZEAtxFrameHeader::Decode). Beyond
// surviving, it requires:
// - the animation loads exactly when the header has the magic and a usable
//   size and every frame it counts is whole; a loaded one has the header's
//   width, height and frame count, each frame's time as stored and each
//   frame's image as stored (a palette expanded through its first 256
//   colours, an index beyond it black; every byte is read in the
//   comparison); an animation of 0 frames has no image data;
// - stepped by a manual clock through UpdateAnimatedTextures, each frame
//   stays exactly its stored time and then gives way to the next, the
//   last to the first, and the image shown is always that frame's;
// - a colour-keyed load holds the same frames with alpha 0 exactly where a
//   texel equals the key; a clamped load the same frames, clamped;
// - a failed load gives an empty, non-null reference and lists nothing;
// - loose and packaged loads agree byte for byte, and after the references
//   are gone the manager lists nothing of the input.
// A broken rule aborts, which libFuzzer records as a crash with the input
// that caused it.
#include "TextureFuzz.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace
{
const char kName[] = "fuzz";
const char kPath[] = "textures/fuzz.atx";
const char kArchive[] = "textures.dat";

void Require(bool holds, const char* rule) { ZEFuzzRequire(holds, "animation loader", rule); }

// ---------------------------------------------------------------------------
// The animation as the loader reads it

struct Frame
{
    uint16_t m_usTime = 0;
    std::vector<uint8_t> m_aRGB;
};

// The frames the input stores, or false when the loader must refuse it.
bool StoredFrames(const uint8_t* bytes, size_t length, _ZEAtxHeader& header, std::vector<Frame>& frames)
{
    if (length < _ZEAtxHeader::ms_ulSize)
        return false;
    header = _ZEAtxHeader::Decode(bytes);
    if (!header.HasMagic() || !ZETexture::IsUsableSize(header.m_usWidth, header.m_usHeight))
        return false;
    size_t texels = static_cast<size_t>(header.m_usWidth) * header.m_usHeight;
    size_t at = _ZEAtxHeader::ms_ulSize;
    for (uint32_t i = 0; i < header.m_ucNumFrames; ++i)
    {
        if (length - at < _ZEAtxFrameHeader::ms_ulSize)
            return false;
        _ZEAtxFrameHeader frameHeader = _ZEAtxFrameHeader::Decode(bytes + at);
        at += _ZEAtxFrameHeader::ms_ulSize;
        uint32_t paletteSize = frameHeader.m_usPaletteSize;
        uint64_t stored = paletteSize ? paletteSize * 3ull + texels : texels * 3ull;
        if (stored > length - at)
            return false;
        frames.push_back({frameHeader.m_usTime, ZEFuzzStoredTexels(bytes + at, texels, paletteSize)});
        at += static_cast<size_t>(stored);
    }
    return true;
}

// ---------------------------------------------------------------------------
// Loading and stepping

// The size, flags, times and every frame's bytes of a loaded animation.
std::string Describe(const ZETexture& texture)
{
    std::string out;
    out.append(reinterpret_cast<const char*>(&texture.m_ulWidth), sizeof(texture.m_ulWidth));
    out.append(reinterpret_cast<const char*>(&texture.m_ulHeight), sizeof(texture.m_ulHeight));
    out.append(reinterpret_cast<const char*>(&texture.m_usNumFrames), sizeof(texture.m_usNumFrames));
    out.push_back(texture.m_bAlpha ? 'A' : '-');
    out.push_back(texture.m_bClamp ? 'C' : '-');
    size_t bytes = static_cast<size_t>(texture.m_ulWidth) * texture.m_ulHeight * (texture.m_bAlpha ? 4 : 3);
    for (uint16_t i = 0; i < texture.m_usNumFrames; ++i)
    {
        out.append(reinterpret_cast<const char*>(&texture.m_pusFrameTimes[i]), sizeof(uint16_t));
        out.append(reinterpret_cast<const char*>(texture.m_ppFrames[i]), bytes);
    }
    return out;
}

// The handed-out animation, checked against what the input stores; null
// when nothing was expected to load.
ZETexture* CheckReference(ZEFuzzTextures& environment, ZETextureReference* reference, uint32_t listedBefore,
                          const _ZEAtxHeader& header, const std::vector<Frame>* frames)
{
    Require(reference != nullptr, "a request always gives a reference");
    if (!frames)
    {
        Require(reference->IsEmpty() && reference->GetTexture() == nullptr, "a failed load gives an empty reference");
        Require(environment.Textures().GetNumTextures() == listedBefore, "a failed load lists nothing");
        return nullptr;
    }
    ZETexture* texture = reference->GetTexture();
    Require(texture != nullptr, "an animation with its header and every frame whole loads");
    Require(texture->m_bAnimated && texture->m_bLoaded, "an animation loads as one");
    Require(texture->m_ulWidth == header.m_usWidth && texture->m_ulHeight == header.m_usHeight,
            "a loaded animation has the header's width and height");
    Require(texture->m_usNumFrames == header.m_ucNumFrames, "a loaded animation has the header's frame count");
    if (frames->empty())
    {
        Require(texture->GetData() == nullptr, "an animation of 0 frames has no image data");
        return texture;
    }
    Require(texture->m_ppFrames && texture->m_pusFrameTimes, "the frames of an animation are there");
    for (size_t i = 0; i < frames->size(); ++i)
    {
        Require(texture->m_ppFrames[i] != nullptr, "every frame has its image");
        Require(texture->m_pusFrameTimes[i] == (*frames)[i].m_usTime, "frame times are as stored");
    }
    return texture;
}

// Steps the clock through two rounds of the animation: each frame stays
// exactly its time, then the next is shown.
void Step(ZEFuzzTextures& environment, ZETexture& texture, size_t frameBytes)
{
    uint16_t count = texture.m_usNumFrames;
    if (count == 0)
        return;
    for (uint32_t step = 0; step < 2u * count; ++step)
    {
        uint16_t current = texture.m_usCurrentFrame;
        Require(current < count, "the current frame is one of the animation's");
        const uint8_t* shown = texture.GetData();
        Require(shown == texture.m_ppFrames[current], "the image shown is the current frame's");
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < frameBytes; ++i)
            sum = sum + shown[i];
        environment.Timer().Advance(texture.m_pusFrameTimes[current]);
        environment.Textures().UpdateAnimatedTextures();
        Require(texture.m_usCurrentFrame == current, "a frame stays for its whole time");
        environment.Timer().Advance(1);
        environment.Textures().UpdateAnimatedTextures();
        uint16_t next = count > 1 ? static_cast<uint16_t>((current + 1) % count) : current;
        Require(texture.m_usCurrentFrame == next, "after its time a frame gives way to the next");
    }
}

std::string LoadAndStep(ZEFuzzTextures& environment, const uint8_t* bytes, size_t length)
{
    ZETextureManager& manager = environment.Textures();
    _ZEAtxHeader header{};
    std::vector<Frame> stored;
    bool loadable = StoredFrames(bytes, length, header, stored);
    const std::vector<Frame>* expected = loadable ? &stored : nullptr;
    ZEString name(kName);
    ZEString noPackage;
    std::string out;

    uint32_t before = manager.GetNumTextures();
    std::unique_ptr<ZETextureReference> plain(manager.GetTexture(name, noPackage, true));
    ZETexture* texture = CheckReference(environment, plain.get(), before, header, expected);
    if (!texture)
        return out;
    size_t texels = static_cast<size_t>(header.m_usWidth) * header.m_usHeight;
    for (size_t i = 0; i < stored.size(); ++i)
        Require(!texture->m_bAlpha && std::memcmp(texture->m_ppFrames[i], stored[i].m_aRGB.data(), texels * 3) == 0,
                "every frame holds its image as stored, a palette expanded");
    out += Describe(*texture);
    Step(environment, *texture, texels * 3);

    uint8_t key[3] = {0, 0, 0};
    if (!stored.empty())
        std::memcpy(key, stored[0].m_aRGB.data(), 3);
    before = manager.GetNumTextures();
    std::unique_ptr<ZETextureReference> keyed(manager.GetTexture(name, noPackage, true, key));
    ZETexture* keyedTexture = CheckReference(environment, keyed.get(), before, header, expected);
    Require(keyedTexture != texture, "a colour-keyed request gets its own animation");
    Require(keyedTexture->m_bAlpha == !stored.empty(), "a colour-keyed animation with frames is RGBA");
    for (size_t i = 0; i < stored.size(); ++i)
    {
        const uint8_t* rgba = keyedTexture->m_ppFrames[i];
        for (size_t t = 0; t < texels; ++t)
        {
            const uint8_t* rgb = &stored[i].m_aRGB[t * 3];
            Require(std::memcmp(rgba + t * 4, rgb, 3) == 0, "a colour-keyed frame keeps its colours");
            Require(rgba[t * 4 + 3] == (std::memcmp(rgb, key, 3) == 0 ? 0 : 255),
                    "alpha is 0 exactly where a texel equals the key");
        }
    }
    out += Describe(*keyedTexture);
    Step(environment, *keyedTexture, texels * (keyedTexture->m_bAlpha ? 4 : 3));

    before = manager.GetNumTextures();
    std::unique_ptr<ZETextureReference> clamped(manager.GetTexture(name, noPackage, true, 2, true));
    ZETexture* clampedTexture = CheckReference(environment, clamped.get(), before, header, expected);
    Require(clampedTexture != texture && clampedTexture->m_bClamp && clampedTexture->m_usFilter <= 1,
            "a clamped request gets its own clamped animation without mipmaps");
    for (size_t i = 0; i < stored.size(); ++i)
        Require(std::memcmp(clampedTexture->m_ppFrames[i], stored[i].m_aRGB.data(), texels * 3) == 0,
                "a clamped animation holds the same frames");
    out += Describe(*clampedTexture);
    return out;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    static ZEFuzzTextures environment("atx", kPath, kArchive, "textures/after.atx");
    environment.WriteLoose(bytes, length);
    std::string loose = LoadAndStep(environment, bytes, length);
    environment.ForgetTextures();
    environment.RemoveLoose();

    if (environment.WritePackage(bytes, length))
    {
        std::string packed = LoadAndStep(environment, bytes, length);
        Require(packed == loose, "a packaged animation loads exactly as the same bytes alone");
        environment.ForgetTextures();
        environment.RemovePackage();
    }
    return 0;
}
