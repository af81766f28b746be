#include "resources/ZETextureManager.h"

#include "core/ZEByteOrder.h"
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZETimer.h"
#include "render/ZERenderer.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

ZE_IMPLEMENT_ROOT_RTTI(ZETexture);
ZE_IMPLEMENT_ROOT_RTTI(ZETextureManager);

uint32_t ZETexture::ms_ulNextID = 1;
ZETextureManager* ZETextureManager::ms_pTexManager = nullptr;

namespace
{
const char* const kMemoryPackage = "MEMORY";
const char* const kLightmapName = "LIGHTMAP";

uint32_t GameTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetTime() : 0;
}

// The renderer's default filter; bilinear while no renderer exists.
uint16_t DefaultFilter()
{
    return ZERenderer::ms_pRenderer ? ZERenderer::ms_pRenderer->m_usTextureFilter : 1;
}

// A texture without image data (an animation of 0 frames) has nothing to
// upload, and the renderer would read from null.
void Upload(ZETexture* texture, uint16_t filter)
{
    if (ZERenderer::ms_pRenderer && texture->GetData())
        ZERenderer::ms_pRenderer->RestoreTexture(texture, filter);
}

// Clamped textures get no mipmaps, so a mipmapping filter (2) would leave
// them incomplete in the renderer: they get bilinear instead.
uint16_t ClampedFilter(uint16_t filter, bool clamp)
{
    return clamp && filter >= 2 ? 1 : filter;
}

void PostTextures(const ZEString& text, ZEMessageMode mode)
{
    ZEConsole::Post("textures", text, mode);
}

ZEString UnusableSize(const ZEString& name, uint32_t width, uint32_t height)
{
    return ZEString::Format("%s has an unusable size of %u x %u", name.CStr(), width, height);
}

// Memory images come from code, yet a missing image or an unusable size
// would make the renderer and the colour key read beyond the data. A
// refused image is freed, since the manager took it over.
bool AcceptMemoryImage(uint8_t* data, uint32_t width, uint32_t height, const ZEString& name)
{
    ZEString what = ZEString::Format("memory texture %s", name.CStr());
    if (!data)
    {
        PostTextures(ZEString::Format("%s has no image data", what.CStr()), ZE_MSG_ERROR);
        return false;
    }
    if (ZETexture::IsUsableSize(width, height))
        return true;
    delete[] data;
    PostTextures(UnusableSize(what, width, height), ZE_MSG_ERROR);
    return false;
}

// A name stored in a fixed field of a file record, which need not be
// terminated when the file is damaged.
ZEString BoundedName(const char (&field)[12])
{
    char text[13] = {};
    std::memcpy(text, field, strnlen(field, sizeof(field)));
    return ZEString(text);
}

void FreeFrames(uint8_t** frames, uint16_t count)
{
    if (!frames)
        return;
    for (uint16_t i = 0; i < count; ++i)
        delete[] frames[i];
    delete[] frames;
}

// An RGBA copy of an RGB image: transparent exactly where the key matches.
uint8_t* KeyedCopy(const uint8_t* rgb, size_t texels, const uint8_t* key)
{
    uint8_t* rgba = new uint8_t[texels * 4];
    for (size_t i = 0; i < texels; ++i)
    {
        const uint8_t* in = rgb + i * 3;
        uint8_t* out = rgba + i * 4;
        out[0] = in[0];
        out[1] = in[1];
        out[2] = in[2];
        bool keyed = in[0] == key[0] && in[1] == key[1] && in[2] == key[2];
        out[3] = keyed ? 0 : 255;
    }
    return rgba;
}


// ---------------------------------------------------------------------------
// Reading the texture formats

// A texture file opened through the file manager and read no further than
// the size it reports: an archived file's stream runs on into the next
// entry. Closed when it goes out of scope.
class TextureFile
{
public:
    explicit TextureFile(const ZEString& path) : m_Path(path)
    {
        if (ZEFileManager::ms_pFileManager)
            m_pFile = ZEFileManager::ms_pFileManager->OpenFile(path, m_ulRemaining);
    }
    ~TextureFile()
    {
        if (m_pFile)
            std::fclose(m_pFile);
    }
    TextureFile(const TextureFile&) = delete;
    TextureFile& operator=(const TextureFile&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }
    const char* GetPath() const { return m_Path.CStr(); }

    // Whether `count` more bytes lie within the file.
    bool Holds(uint64_t count) const { return count <= m_ulRemaining; }

    // Exactly `count` bytes, or false.
    bool Read(void* to, size_t count)
    {
        if (!Holds(count))
            return false;
        size_t got = count ? std::fread(to, 1, count, m_pFile) : 0;
        m_ulRemaining -= static_cast<uint32_t>(got);
        return got == count;
    }

    bool Skip(uint64_t count)
    {
        if (!Holds(count))
            return false;
        if (count && std::fseek(m_pFile, static_cast<long>(count), SEEK_CUR) != 0)
            return false;
        m_ulRemaining -= static_cast<uint32_t>(count);
        return true;
    }

private:
    ZEString m_Path;
    FILE* m_pFile = nullptr;
    uint32_t m_ulRemaining = 0;
};

// Bytes an image takes in either format: the palette and one index a texel,
// or three bytes a texel.
uint64_t StoredImageBytes(uint32_t width, uint32_t height, uint16_t paletteSize)
{
    uint64_t texels = static_cast<uint64_t>(width) * height;
    return paletteSize ? paletteSize * 3ull + texels : texels * 3;
}

// What a read image needed mending, for one notice per texture.
struct ImageRepairs
{
    bool m_bPaletteCut = false;         // palette beyond 256 entries skipped
    bool m_bIndexBeyondPalette = false; // such texels read black
};

// A palette of ZE_MAX_PALETTE_SIZE entries: those stored (at most that
// many, the rest skipped), then black, so every index byte reads a colour.
bool ReadPalette(TextureFile& file, uint16_t paletteSize, uint8_t (&palette)[ZE_MAX_PALETTE_SIZE * 3],
                 ImageRepairs& repairs)
{
    std::memset(palette, 0, sizeof(palette));
    uint32_t used = std::min<uint32_t>(paletteSize, ZE_MAX_PALETTE_SIZE);
    repairs.m_bPaletteCut |= paletteSize > used;
    return file.Read(palette, used * 3) && file.Skip((paletteSize - used) * 3ull);
}

bool ReadPalettedTexels(TextureFile& file, uint16_t paletteSize, size_t texels, uint8_t* rgb,
                        ImageRepairs& repairs)
{
    uint8_t palette[ZE_MAX_PALETTE_SIZE * 3];
    std::vector<uint8_t> indices(texels);
    if (!ReadPalette(file, paletteSize, palette, repairs) || !file.Read(indices.data(), texels))
        return false;
    for (size_t i = 0; i < texels; ++i)
    {
        repairs.m_bIndexBeyondPalette |= indices[i] >= paletteSize;
        std::memcpy(rgb + i * 3, palette + indices[i] * 3, 3);
    }
    return true;
}

// One image of either format as new[] RGB texels, or null when the file
// ends first. The size must be usable (ZETexture::IsUsableSize); nothing is
// allocated before the file is known to hold the image.
uint8_t* ReadImage(TextureFile& file, uint32_t width, uint32_t height, uint16_t paletteSize,
                   ImageRepairs& repairs)
{
    if (!file.Holds(StoredImageBytes(width, height, paletteSize)))
        return nullptr;
    size_t texels = static_cast<size_t>(width) * height;
    std::unique_ptr<uint8_t[]> rgb(new uint8_t[texels * 3]);
    bool read = paletteSize ? ReadPalettedTexels(file, paletteSize, texels, rgb.get(), repairs)
                            : file.Read(rgb.get(), texels * 3);
    return read ? rgb.release() : nullptr;
}

ZETexture* Damaged(const TextureFile& file, const ZEString& reason)
{
    PostTextures(ZEString::Format("%s is damaged: %s", file.GetPath(), reason.CStr()), ZE_MSG_ERROR);
    return nullptr;
}

ZETexture* Foreign(const TextureFile& file, const char* kind)
{
    PostTextures(ZEString::Format("%s is not %s", file.GetPath(), kind), ZE_MSG_ERROR);
    return nullptr;
}

ZETexture* NotFound(const ZEString& what)
{
    PostTextures(ZEString::Format("%s not found", what.CStr()), ZE_MSG_DEFAULT);
    return nullptr;
}

void PostRepairs(const TextureFile& file, const ZEString& name, const ImageRepairs& repairs)
{
    if (repairs.m_bPaletteCut)
        PostTextures(ZEString::Format("%s in %s: palette entries beyond %u are ignored", name.CStr(),
                                      file.GetPath(), ZE_MAX_PALETTE_SIZE),
                     ZE_MSG_ERROR);
    if (repairs.m_bIndexBeyondPalette)
        PostTextures(ZEString::Format("%s in %s: colours beyond the palette read black", name.CStr(),
                                      file.GetPath()),
                     ZE_MSG_ERROR);
}

// The image of the package entry `entry`, which the file stands at.
ZETexture* ReadPackageEntry(TextureFile& file, const _ZETexEntryHeader& entry, const ZEString& name,
                            const ZEString& package)
{
    if (!ZETexture::IsUsableSize(entry.m_usWidth, entry.m_usHeight))
        return Damaged(file, UnusableSize(name, entry.m_usWidth, entry.m_usHeight));
    ImageRepairs repairs;
    uint8_t* rgb = ReadImage(file, entry.m_usWidth, entry.m_usHeight, entry.m_usPaletteSize, repairs);
    if (!rgb)
        return Damaged(file, ZEString::Format("%s is cut short", name.CStr()));
    PostRepairs(file, name, repairs);
    ZETexture* texture = new ZETexture();
    texture->SetTextureData(rgb, entry.m_usWidth, entry.m_usHeight, name, package);
    return texture;
}

// The frames of an animation while they are read; frees them unless they
// were handed over.
struct FrameSet
{
    std::vector<std::unique_ptr<uint8_t[]>> m_aImages;
    std::vector<uint16_t> m_aTimes;

    // new[] arrays for ZETexture::SetAnimatedTextureData; null when empty.
    uint8_t** ReleaseImages()
    {
        if (m_aImages.empty())
            return nullptr;
        uint8_t** images = new uint8_t*[m_aImages.size()];
        for (size_t i = 0; i < m_aImages.size(); ++i)
            images[i] = m_aImages[i].release();
        return images;
    }
    uint16_t* ReleaseTimes() const
    {
        if (m_aTimes.empty())
            return nullptr;
        uint16_t* times = new uint16_t[m_aTimes.size()];
        std::copy(m_aTimes.begin(), m_aTimes.end(), times);
        return times;
    }
};

// Every frame of an animation of `header`, which the file stands after.
bool ReadFrames(TextureFile& file, const _ZEAtxHeader& header, FrameSet& frames, ImageRepairs& repairs)
{
    for (uint32_t i = 0; i < header.m_ucNumFrames; ++i)
    {
        uint8_t bytes[_ZEAtxFrameHeader::ms_ulSize];
        if (!file.Read(bytes, sizeof(bytes)))
            return false;
        _ZEAtxFrameHeader frame = _ZEAtxFrameHeader::Decode(bytes);
        uint8_t* image = ReadImage(file, header.m_usWidth, header.m_usHeight, frame.m_usPaletteSize, repairs);
        if (!image)
            return false;
        frames.m_aImages.emplace_back(image);
        frames.m_aTimes.push_back(frame.m_usTime);
    }
    return true;
}
}

// ---------------------------------------------------------------------------
// File records

_ZETexHeader _ZETexHeader::Decode(const uint8_t* bytes)
{
    _ZETexHeader header;
    std::memcpy(header.m_acMagic, bytes, 3);
    header.m_ucNumEntries = bytes[3];
    return header;
}

bool _ZETexHeader::HasMagic() const
{
    return std::memcmp(m_acMagic, "TP2", 3) == 0;
}

_ZETexEntryHeader _ZETexEntryHeader::Decode(const uint8_t* bytes)
{
    _ZETexEntryHeader entry;
    std::memcpy(entry.m_acName, bytes, sizeof(entry.m_acName));
    entry.m_usWidth = ZEReadLE16(bytes + 12);
    entry.m_usHeight = ZEReadLE16(bytes + 14);
    entry.m_usPaletteSize = ZEReadLE16(bytes + 16);
    return entry;
}

_ZEAtxHeader _ZEAtxHeader::Decode(const uint8_t* bytes)
{
    _ZEAtxHeader header;
    std::memcpy(header.m_acMagic, bytes, 3);
    header.m_ucUnused = bytes[3];
    header.m_usWidth = ZEReadLE16(bytes + 4);
    header.m_usHeight = ZEReadLE16(bytes + 6);
    header.m_ucNumFrames = bytes[8];
    header.m_ucUnused2 = bytes[9];
    return header;
}

bool _ZEAtxHeader::HasMagic() const
{
    return std::memcmp(m_acMagic, "AT2", 3) == 0;
}

_ZEAtxFrameHeader _ZEAtxFrameHeader::Decode(const uint8_t* bytes)
{
    _ZEAtxFrameHeader frame;
    frame.m_usTime = ZEReadLE16(bytes);
    frame.m_usPaletteSize = ZEReadLE16(bytes + 2);
    return frame;
}

// ---------------------------------------------------------------------------
// ZETexture

ZETexture::ZETexture()
    : m_ulID(ms_ulNextID++)
{
}

ZETexture::~ZETexture()
{
    FreeImages();
}

void ZETexture::FreeImages()
{
    if (m_bAnimated)
    {
        FreeFrames(m_ppFrames, m_usNumFrames);
        delete[] m_pusFrameTimes;
    }
    delete[] m_pData;
    m_ppFrames = nullptr;
    m_pusFrameTimes = nullptr;
    m_pData = nullptr;
}

uint8_t* ZETexture::GetData() const
{
    if (!m_bAnimated)
        return m_pData;
    if (!m_ppFrames || m_usCurrentFrame >= m_usNumFrames)
        return nullptr;
    return m_ppFrames[m_usCurrentFrame];
}

void ZETexture::GetDimensions(uint32_t& width, uint32_t& height) const
{
    width = m_ulWidth;
    height = m_ulHeight;
}

ZETextureReference* ZETexture::GetReference()
{
    ++m_ulReferences;
    return new ZETextureReference(this);
}

uint32_t ZETexture::ReleaseReference(ZETextureReference* reference)
{
    bool mine = reference && reference->m_pTexture == this && reference->m_ulID == m_ulID;
    if (mine && m_ulReferences > 0)
        --m_ulReferences;
    return m_ulReferences;
}

void ZETexture::SetTextureData(uint8_t* data, uint32_t width, uint32_t height, const ZEString& name,
                               const ZEString& directory)
{
    if (m_bLoaded)
    {
        if (data != m_pData)
            delete[] data;
        return;
    }
    m_pData = data;
    m_ulWidth = width;
    m_ulHeight = height;
    m_Name = name;
    m_Directory = directory;
    m_bLoaded = true;
}

void ZETexture::SetAnimatedTextureData(uint8_t** frames, uint32_t width, uint32_t height, uint16_t* times,
                                       uint16_t numFrames, const ZEString& name)
{
    if (m_bLoaded)
    {
        if (frames != m_ppFrames)
            FreeFrames(frames, numFrames);
        if (times != m_pusFrameTimes)
            delete[] times;
        return;
    }
    m_ppFrames = frames;
    m_pusFrameTimes = times;
    m_usNumFrames = numFrames;
    m_ulWidth = width;
    m_ulHeight = height;
    m_Name = name;
    m_bAnimated = true;
    m_usCurrentFrame = 0;
    m_ulLastFrameTime = GameTime();
    m_bLoaded = true;
}

void ZETexture::SetLightmapData(uint8_t* data, uint32_t width, uint32_t height)
{
    if (m_bLoaded)
    {
        if (data != m_pData)
            delete[] data;
        return;
    }
    m_pData = data;
    m_ulWidth = width;
    m_ulHeight = height;
    m_Name = kLightmapName;
    m_Directory = kMemoryPackage;
    m_bLightmap = true;
    m_bLoaded = true;
}

void ZETexture::SetColorKey(const uint8_t* rgb)
{
    // A lightmap holds one byte a texel: there is no colour to key.
    if (!rgb || m_bAlpha || m_bLightmap)
        return;
    bool hasData = m_bAnimated ? (m_ppFrames != nullptr && m_usNumFrames > 0) : (m_pData != nullptr);
    if (!hasData)
        return;

    size_t texels = static_cast<size_t>(m_ulWidth) * m_ulHeight;
    if (m_bAnimated)
    {
        for (uint16_t i = 0; i < m_usNumFrames; ++i)
        {
            if (!m_ppFrames[i])
                continue;
            uint8_t* keyed = KeyedCopy(m_ppFrames[i], texels, rgb);
            delete[] m_ppFrames[i];
            m_ppFrames[i] = keyed;
        }
    }
    else
    {
        uint8_t* keyed = KeyedCopy(m_pData, texels, rgb);
        delete[] m_pData;
        m_pData = keyed;
    }
    m_bAlpha = true;
    std::memcpy(m_aucColorKey, rgb, 3);
}

bool ZETexture::AdvanceFrame(uint32_t now)
{
    if (!m_bAnimated || m_usNumFrames < 2 || !m_pusFrameTimes)
        return false;
    if (now - m_ulLastFrameTime <= m_pusFrameTimes[m_usCurrentFrame])
        return false;
    m_usCurrentFrame = static_cast<uint16_t>((m_usCurrentFrame + 1) % m_usNumFrames);
    m_ulLastFrameTime = now;
    return true;
}

bool ZETexture::IsUsableSize(uint32_t width, uint32_t height)
{
    uint64_t rgbaBytes = static_cast<uint64_t>(width) * height * 4;
    return width > 0 && height > 0 && rgbaBytes <= UINT32_MAX;
}

// ---------------------------------------------------------------------------
// ZETextureReference

ZETextureReference::ZETextureReference(ZETexture* texture)
    : m_pTexture(texture), m_ulID(texture ? texture->m_ulID : 0)
{
}

ZETextureReference::~ZETextureReference()
{
    if (ZETexture* texture = GetTexture())
        texture->ReleaseReference(this);
}

ZETexture* ZETextureReference::GetTexture() const
{
    ZETextureManager* manager = ZETextureManager::ms_pTexManager;
    if (!m_pTexture || !manager || !manager->Contains(m_pTexture, m_ulID))
        return nullptr;
    return m_pTexture;
}

// ---------------------------------------------------------------------------
// ZETextureManager

ZETextureManager::ZETextureManager()
{
    ms_pTexManager = this;
}

ZETextureManager::~ZETextureManager()
{
    ReleaseTextures();
    if (ms_pTexManager == this)
        ms_pTexManager = nullptr;
}

void ZETextureManager::SetTextureDirectory(const ZEString& directory)
{
    m_Directory = directory;
    m_Directory.MakePathName();
}

ZETextureReference* ZETextureManager::GetTexture(const ZEString& name, const ZEString& package, bool animated)
{
    return GetTexture(name, package, animated, DefaultFilter(), false);
}

ZETextureReference* ZETextureManager::GetTexture(const ZEString& name, const ZEString& package, bool animated,
                                                 uint16_t filter, bool clamp)
{
    filter = ClampedFilter(std::min(filter, DefaultFilter()), clamp);
    if (ZETextureReference* shared = AlreadyLoaded(name, package, animated, clamp, false, nullptr))
        return shared;
    ZETexture* texture = Load(name, package, animated);
    if (!texture)
        return new ZETextureReference();
    return AddAndUpload(texture, filter, clamp);
}

ZETextureReference* ZETextureManager::GetTexture(const ZEString& name, const ZEString& package, bool animated,
                                                 const uint8_t* colorKey)
{
    if (!colorKey)
        return GetTexture(name, package, animated);
    if (ZETextureReference* shared = AlreadyLoaded(name, package, animated, false, true, colorKey))
        return shared;
    ZETexture* texture = Load(name, package, animated);
    if (!texture)
        return new ZETextureReference();
    texture->SetColorKey(colorKey);
    return AddAndUpload(texture, 0, false);
}

ZETextureReference* ZETextureManager::GetTexture(const _TextureInformation& info)
{
    return GetTexture(BoundedName(info.m_acName),
                      BoundedName(info.m_acPackage), info.m_ucAnimated != 0);
}

ZETextureReference* ZETextureManager::GetTexture(const _TextureInformation& info, uint16_t filter, bool clamp)
{
    return GetTexture(BoundedName(info.m_acName),
                      BoundedName(info.m_acPackage), info.m_ucAnimated != 0, filter,
                      clamp);
}

ZETextureReference* ZETextureManager::GetTexture(const _TextureInformation& info, const uint8_t* colorKey)
{
    return GetTexture(BoundedName(info.m_acName),
                      BoundedName(info.m_acPackage), info.m_ucAnimated != 0,
                      colorKey);
}

ZETextureReference* ZETextureManager::GetTexture(uint8_t* rgb, uint32_t width, uint32_t height,
                                                 const ZEString& name)
{
    return MakeMemoryTexture(rgb, width, height, name, DefaultFilter(), false, nullptr);
}

ZETextureReference* ZETextureManager::GetTexture(uint8_t* rgb, uint32_t width, uint32_t height,
                                                 const ZEString& name, uint16_t filter, bool clamp)
{
    return MakeMemoryTexture(rgb, width, height, name, filter, clamp, nullptr);
}

ZETextureReference* ZETextureManager::GetTexture(uint8_t* rgb, uint32_t width, uint32_t height,
                                                 const ZEString& name, const uint8_t* colorKey)
{
    return MakeMemoryTexture(rgb, width, height, name, 0, false, colorKey);
}

ZETextureReference* ZETextureManager::GetLightmap(uint8_t* luminance, uint32_t width, uint32_t height)
{
    if (!AcceptMemoryImage(luminance, width, height, kLightmapName))
        return new ZETextureReference();
    ZETexture* texture = new ZETexture();
    texture->SetLightmapData(luminance, width, height);
    return AddAndUpload(texture, DefaultFilter(), false);
}

ZETextureReference* ZETextureManager::MakeMemoryTexture(uint8_t* rgb, uint32_t width, uint32_t height,
                                                        const ZEString& name, uint16_t filter, bool clamp,
                                                        const uint8_t* colorKey)
{
    if (!AcceptMemoryImage(rgb, width, height, name))
        return new ZETextureReference();
    ZETexture* texture = new ZETexture();
    texture->SetTextureData(rgb, width, height, name, kMemoryPackage);
    if (colorKey)
        texture->SetColorKey(colorKey);
    return AddAndUpload(texture, ClampedFilter(filter, clamp), clamp);
}

ZETextureReference* ZETextureManager::AddAndUpload(ZETexture* texture, uint16_t filter, bool clamp)
{
    ZETextureReference* reference = texture->GetReference();
    AddToList(texture);
    texture->m_usFilter = filter;
    texture->m_bClamp = clamp;
    Upload(texture, filter);
    return reference;
}

ZETextureReference* ZETextureManager::AlreadyLoaded(const ZEString& name, const ZEString& package,
                                                    bool animated, bool clamp, bool useColorKey,
                                                    const uint8_t* colorKey)
{
    for (ZETexture* texture = m_pTextures; texture; texture = texture->m_pNext)
    {
        if (texture->m_bAnimated != animated || texture->m_bClamp != clamp)
            continue;
        if (texture->m_Name != name)
            continue;
        // An animation is one file named after itself: its package says nothing.
        if (!animated && texture->m_Directory != package)
            continue;
        if (texture->m_bAlpha != useColorKey)
            continue;
        if (useColorKey && (!colorKey || std::memcmp(texture->m_aucColorKey, colorKey, 3) != 0))
            continue;
        return texture->GetReference();
    }
    return nullptr;
}

void ZETextureManager::AddToList(ZETexture* texture)
{
    if (!texture)
        return;
    texture->m_pNext = nullptr;
    if (m_pLastTexture)
        m_pLastTexture->m_pNext = texture;
    else
        m_pTextures = texture;
    m_pLastTexture = texture;
    m_LiveTextures[texture] = texture->m_ulID;
    ++m_ulNumTextures;
}

void ZETextureManager::RemoveFromList(ZETexture* texture)
{
    if (!texture || !m_LiveTextures.count(texture))
        return;
    ZETexture* previous = nullptr;
    for (ZETexture** link = &m_pTextures; *link; previous = *link, link = &(*link)->m_pNext)
    {
        if (*link != texture)
            continue;
        *link = texture->m_pNext;
        if (m_pLastTexture == texture)
            m_pLastTexture = previous;
        m_LiveTextures.erase(texture);
        delete texture;
        --m_ulNumTextures;
        return;
    }
}

void ZETextureManager::SweepUnreferenced()
{
    ZETexture* previous = nullptr;
    ZETexture** link = &m_pTextures;
    while (*link)
    {
        ZETexture* texture = *link;
        if (texture->m_ulReferences != 0)
        {
            previous = texture;
            link = &texture->m_pNext;
            continue;
        }
        if (ZERenderer::ms_pRenderer)
            ZERenderer::ms_pRenderer->ReleaseTexture(texture);
        *link = texture->m_pNext;
        if (m_pLastTexture == texture)
            m_pLastTexture = previous;
        m_LiveTextures.erase(texture);
        delete texture;
        --m_ulNumTextures;
    }
}

bool ZETextureManager::Contains(const ZETexture* texture, uint32_t id) const
{
    auto found = m_LiveTextures.find(texture);
    return found != m_LiveTextures.end() && found->second == id;
}

ZEString ZETextureManager::FilePath(const ZEString& stem, const char* extension) const
{
    return ZEString::Format("%s%s%s", m_Directory.CStr(), stem.CStr(), extension);
}

ZETexture* ZETextureManager::Load(const ZEString& name, const ZEString& package, bool animated)
{
    return animated ? LoadAnimation(name) : LoadTexture(name, package);
}

ZETexture* ZETextureManager::LoadTexture(const ZEString& name, const ZEString& package)
{
    TextureFile file(FilePath(package, ".tex"));
    if (!file.IsOpen())
        return NotFound(ZEString(file.GetPath()));
    uint8_t bytes[_ZETexEntryHeader::ms_ulSize];
    if (!file.Read(bytes, _ZETexHeader::ms_ulSize))
        return Damaged(file, ZEString("the header is cut short"));
    _ZETexHeader header = _ZETexHeader::Decode(bytes);
    if (!header.HasMagic())
        return Foreign(file, "a texture package");

    for (uint32_t i = 1; i <= header.m_ucNumEntries; ++i)
    {
        if (!file.Read(bytes, _ZETexEntryHeader::ms_ulSize))
            return Damaged(file, ZEString::Format("entry %u is cut short", i));
        _ZETexEntryHeader entry = _ZETexEntryHeader::Decode(bytes);
        if (BoundedName(entry.m_acName) == name)
            return ReadPackageEntry(file, entry, name, package);
        if (!file.Skip(StoredImageBytes(entry.m_usWidth, entry.m_usHeight, entry.m_usPaletteSize)))
            return Damaged(file, ZEString::Format("entry %u is cut short", i));
    }
    return NotFound(ZEString::Format("%s in %s", name.CStr(), file.GetPath()));
}

ZETexture* ZETextureManager::LoadAnimation(const ZEString& name)
{
    TextureFile file(FilePath(name, ".atx"));
    if (!file.IsOpen())
        return NotFound(ZEString(file.GetPath()));
    uint8_t bytes[_ZEAtxHeader::ms_ulSize];
    if (!file.Read(bytes, sizeof(bytes)))
        return Damaged(file, ZEString("the header is cut short"));
    _ZEAtxHeader header = _ZEAtxHeader::Decode(bytes);
    if (!header.HasMagic())
        return Foreign(file, "an animated texture");
    if (!ZETexture::IsUsableSize(header.m_usWidth, header.m_usHeight))
        return Damaged(file, UnusableSize(name, header.m_usWidth, header.m_usHeight));

    FrameSet frames;
    ImageRepairs repairs;
    if (!ReadFrames(file, header, frames, repairs))
        return Damaged(file, ZEString::Format("frame %zu is cut short", frames.m_aImages.size() + 1));
    PostRepairs(file, name, repairs);
    if (header.m_ucNumFrames == 0)
        PostTextures(ZEString::Format("%s holds no frames", file.GetPath()), ZE_MSG_ERROR);

    ZETexture* texture = new ZETexture();
    texture->SetAnimatedTextureData(frames.ReleaseImages(), header.m_usWidth, header.m_usHeight,
                                    frames.ReleaseTimes(), header.m_ucNumFrames, name);
    return texture;
}

void ZETextureManager::Discard(ZETexture* texture)
{
    if (ZERenderer::ms_pRenderer)
        ZERenderer::ms_pRenderer->ReleaseTexture(texture);
    RemoveFromList(texture);
}

void ZETextureManager::UpdateAnimatedTextures()
{
    SweepUnreferenced();
    uint32_t now = GameTime();
    for (ZETexture* texture = m_pTextures; texture; texture = texture->m_pNext)
        if (texture->AdvanceFrame(now) && ZERenderer::ms_pRenderer)
            ZERenderer::ms_pRenderer->RestoreTexture(texture);
}

void ZETextureManager::ReleaseUnusedTextures()
{
    SweepUnreferenced();
}

void ZETextureManager::RestoreTextures()
{
    for (ZETexture* texture = m_pTextures; texture; texture = texture->m_pNext)
        Upload(texture, texture->m_usFilter);
}

void ZETextureManager::ReleaseTextures()
{
    while (m_pTextures)
        Discard(m_pTextures);
}
