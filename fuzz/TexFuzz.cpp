// Fuzz target: the ".tex" texture package loader (ZETextureManager::
// LoadTexture), through GetTexture and the file manager as the game loads
// its textures.
//
// The input is the package "textures/fuzz.tex", loaded twice: as a loose
// file, and as an entry of a package archive followed by another entry
// holding the same bytes again, so that reading past the entry's size would
// find plausible texture data. The target walks the entry headers itself
// (bounded, through _ZETexEntryHeader::Decode) as the loader does, and asks
// for every name they give and for one they do not. Beyond surviving, it
// requires:
// - a name loads exactly when the loader can reach its first entry (every
//   entry before it whole) and that entry has a usable size and its whole
//   image; a missing name never loads;
// - a loaded texture has its entry's width and height and holds its image
//   as stored: true-colour texels as they are, paletted ones through the
//   first 256 palette colours, an index beyond the palette black (every
//   byte is read in the comparison);
// - a colour-keyed load holds the same colours with alpha 0 exactly where a
//   texel equals the key; a clamped load holds the same texels, clamped and
//   with at most filter 1; a second request shares the texture;
// - a failed load gives an empty, non-null reference and lists nothing;
// - loose and packaged loads agree byte for byte;
// - after the references are gone the manager lists no texture of the
//   input.
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
const char kPackageName[] = "fuzz";
const char kPath[] = "textures/fuzz.tex";
const char kArchive[] = "textures.dat";
const char kMissingName[] = "nosuchentry";

void Require(bool holds, const char* rule) { ZEFuzzRequire(holds, "texture loader", rule); }

// ---------------------------------------------------------------------------
// The package as the loader walks it

struct Entry
{
    std::string m_Name;
    _ZETexEntryHeader m_Header;
    size_t m_ulImage = 0;      // offset of the image in the input
    bool m_bLoadable = false;  // usable size and the whole image within the input
};

uint64_t StoredBytes(const _ZETexEntryHeader& header)
{
    uint64_t texels = static_cast<uint64_t>(header.m_usWidth) * header.m_usHeight;
    return header.m_usPaletteSize ? header.m_usPaletteSize * 3ull + texels : texels * 3;
}

// The first entry of each name the loader reaches, in file order: it stops
// at the first header or skipped image that runs past the end.
std::vector<Entry> ReachableEntries(const uint8_t* bytes, size_t length)
{
    std::vector<Entry> entries;
    if (length < _ZETexHeader::ms_ulSize || !_ZETexHeader::Decode(bytes).HasMagic())
        return entries;
    uint32_t count = _ZETexHeader::Decode(bytes).m_ucNumEntries;
    size_t at = _ZETexHeader::ms_ulSize;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (length - at < _ZETexEntryHeader::ms_ulSize)
            break;
        Entry entry;
        entry.m_Header = _ZETexEntryHeader::Decode(bytes + at);
        entry.m_Name.assign(entry.m_Header.m_acName, strnlen(entry.m_Header.m_acName, 12));
        at += _ZETexEntryHeader::ms_ulSize;
        entry.m_ulImage = at;
        uint64_t stored = StoredBytes(entry.m_Header);
        entry.m_bLoadable = ZETexture::IsUsableSize(entry.m_Header.m_usWidth, entry.m_Header.m_usHeight) &&
                            stored <= length - at;
        bool seen = std::any_of(entries.begin(), entries.end(),
                                [&](const Entry& other) { return other.m_Name == entry.m_Name; });
        if (!seen)
            entries.push_back(entry);
        if (stored > length - at)
            break;
        at += static_cast<size_t>(stored);
    }
    return entries;
}

// The RGB texels an entry stores.
std::vector<uint8_t> StoredTexels(const uint8_t* bytes, const Entry& entry)
{
    const _ZETexEntryHeader& header = entry.m_Header;
    return ZEFuzzStoredTexels(bytes + entry.m_ulImage, static_cast<size_t>(header.m_usWidth) * header.m_usHeight,
                              header.m_usPaletteSize);
}

// ---------------------------------------------------------------------------
// Loading

// A texture's image as bytes with its size and flags: walks every byte.
std::string Describe(const ZETexture& texture)
{
    uint32_t width = 0, height = 0;
    texture.GetDimensions(width, height);
    std::string out;
    out.append(reinterpret_cast<const char*>(&width), sizeof(width));
    out.append(reinterpret_cast<const char*>(&height), sizeof(height));
    out.push_back(texture.m_bAlpha ? 'A' : '-');
    out.push_back(texture.m_bClamp ? 'C' : '-');
    size_t bytes = static_cast<size_t>(width) * height * (texture.m_bAlpha ? 4 : 3);
    out.append(reinterpret_cast<const char*>(texture.GetData()), bytes);
    return out;
}

// A handed-out texture of `entry`, or of nothing when expected is null.
ZETexture* CheckReference(ZEFuzzTextures& environment, ZETextureReference* reference, uint32_t listedBefore,
                          const Entry* expected)
{
    Require(reference != nullptr, "a request always gives a reference");
    if (!expected)
    {
        Require(reference->IsEmpty() && reference->GetTexture() == nullptr, "a failed load gives an empty reference");
        Require(environment.Textures().GetNumTextures() == listedBefore, "a failed load lists nothing");
        return nullptr;
    }
    ZETexture* texture = reference->GetTexture();
    Require(texture != nullptr, "an entry the loader can reach and read loads");
    Require(!texture->m_bAnimated && texture->m_bLoaded, "a package entry loads as a still texture");
    uint32_t width = 0, height = 0;
    texture->GetDimensions(width, height);
    Require(width != 0 && height != 0, "a loaded texture is not empty");
    Require(width == expected->m_Header.m_usWidth && height == expected->m_Header.m_usHeight,
            "a loaded texture has its entry's width and height");
    Require(texture->GetData() != nullptr, "a loaded texture has image data");
    return texture;
}

// The descriptions of every variant of `name` (plain, colour-keyed,
// clamped), checked against the entry the input stores under it; the
// references are let go before returning.
std::string LoadName(ZEFuzzTextures& environment, const uint8_t* bytes, const std::string& name, const Entry* entry)
{
    ZETextureManager& manager = environment.Textures();
    const Entry* expected = entry && entry->m_bLoadable ? entry : nullptr;
    ZEString textureName(name.c_str());
    ZEString package(kPackageName);
    std::string out;

    uint32_t before = manager.GetNumTextures();
    std::unique_ptr<ZETextureReference> plain(manager.GetTexture(textureName, package, false));
    ZETexture* texture = CheckReference(environment, plain.get(), before, expected);
    if (!texture)
        return out;
    std::vector<uint8_t> stored = StoredTexels(bytes, *expected);
    Require(!texture->m_bAlpha && std::memcmp(texture->GetData(), stored.data(), stored.size()) == 0,
            "a loaded texture holds its image as stored, a palette expanded");
    out += Describe(*texture);

    std::unique_ptr<ZETextureReference> again(manager.GetTexture(textureName, package, false));
    Require(again && again->GetTexture() == texture, "a second request shares the loaded texture");

    // Keyed on the first texel's colour, so at least one texel turns clear.
    uint8_t key[3] = {stored[0], stored[1], stored[2]};
    before = manager.GetNumTextures();
    std::unique_ptr<ZETextureReference> keyed(manager.GetTexture(textureName, package, false, key));
    ZETexture* keyedTexture = CheckReference(environment, keyed.get(), before, expected);
    Require(keyedTexture != texture && keyedTexture->m_bAlpha, "a colour-keyed request gets its own RGBA texture");
    const uint8_t* rgba = keyedTexture->GetData();
    for (size_t i = 0; i < stored.size() / 3; ++i)
    {
        const uint8_t* rgb = &stored[i * 3];
        Require(std::memcmp(rgba + i * 4, rgb, 3) == 0, "a colour-keyed texture keeps its colours");
        bool clear = std::memcmp(rgb, key, 3) == 0;
        Require(rgba[i * 4 + 3] == (clear ? 0 : 255), "alpha is 0 exactly where a texel equals the key");
    }
    out += Describe(*keyedTexture);

    before = manager.GetNumTextures();
    std::unique_ptr<ZETextureReference> clamped(manager.GetTexture(textureName, package, false, 2, true));
    ZETexture* clampedTexture = CheckReference(environment, clamped.get(), before, expected);
    Require(clampedTexture != texture && clampedTexture->m_bClamp && clampedTexture->m_usFilter <= 1,
            "a clamped request gets its own clamped texture without mipmaps");
    Require(std::memcmp(clampedTexture->GetData(), stored.data(), stored.size()) == 0,
            "a clamped texture holds the same image");
    out += Describe(*clampedTexture);
    return out;
}

// What every name of the input loads as, loaded through whatever file the
// file manager finds under kPath.
std::string LoadAll(ZEFuzzTextures& environment, const uint8_t* bytes, const std::vector<Entry>& entries)
{
    std::string out;
    for (const Entry& entry : entries)
        out += LoadName(environment, bytes, entry.m_Name, &entry) + '\n';
    bool named = std::any_of(entries.begin(), entries.end(),
                             [](const Entry& entry) { return entry.m_Name == kMissingName; });
    if (!named)
        LoadName(environment, bytes, kMissingName, nullptr);
    environment.ForgetTextures();
    return out;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    static ZEFuzzTextures environment("tex", kPath, kArchive, "textures/after.tex");
    std::vector<Entry> entries = ReachableEntries(bytes, length);

    environment.WriteLoose(bytes, length);
    std::string loose = LoadAll(environment, bytes, entries);
    environment.RemoveLoose();

    if (environment.WritePackage(bytes, length))
    {
        std::string packed = LoadAll(environment, bytes, entries);
        Require(packed == loose, "a packaged texture loads exactly as the same bytes alone");
        environment.RemovePackage();
    }
    return 0;
}
