#include "resources/ZETextureManager.h"

#include "core/ZETimer.h"
#include "render/ZERenderer.h"

#include <cstddef>
#include <cstring>

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

void Upload(ZETexture* texture, uint16_t filter)
{
    if (ZERenderer::ms_pRenderer)
        ZERenderer::ms_pRenderer->RestoreTexture(texture, filter);
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
    uint16_t limit = DefaultFilter();
    if (filter > limit)
        filter = limit;
    // Clamped textures get no mipmaps, so they cannot use a mipmapping filter.
    if (clamp && filter >= 3)
        filter = 1;

    if (ZETextureReference* shared = AlreadyLoaded(name, package, animated, clamp, false, nullptr))
        return shared;
    ZETexture* texture = animated ? LoadAnimation(name) : LoadTexture(name, package);
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
    ZETexture* texture = animated ? LoadAnimation(name) : LoadTexture(name, package);
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
    ZETexture* texture = new ZETexture();
    texture->SetLightmapData(luminance, width, height);
    return AddAndUpload(texture, DefaultFilter(), false);
}

ZETextureReference* ZETextureManager::MakeMemoryTexture(uint8_t* rgb, uint32_t width, uint32_t height,
                                                        const ZEString& name, uint16_t filter, bool clamp,
                                                        const uint8_t* colorKey)
{
    ZETexture* texture = new ZETexture();
    texture->SetTextureData(rgb, width, height, name, kMemoryPackage);
    if (colorKey)
        texture->SetColorKey(colorKey);
    return AddAndUpload(texture, filter, clamp);
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
    ZETexture** link = &m_pTextures;
    while (*link)
        link = &(*link)->m_pNext;
    *link = texture;
    ++m_ulNumTextures;
}

void ZETextureManager::RemoveFromList(ZETexture* texture)
{
    for (ZETexture** link = &m_pTextures; *link; link = &(*link)->m_pNext)
    {
        if (*link != texture)
            continue;
        *link = texture->m_pNext;
        delete texture;
        --m_ulNumTextures;
        return;
    }
}

bool ZETextureManager::Contains(const ZETexture* texture, uint32_t id) const
{
    for (const ZETexture* listed = m_pTextures; listed; listed = listed->m_pNext)
        if (listed == texture && listed->m_ulID == id)
            return true;
    return false;
}

// Reading ".tex" packages and ".atx" animations is not built yet: every
// load fails, which the lookups turn into empty references.
ZETexture* ZETextureManager::LoadTexture(const ZEString&, const ZEString&)
{
    return nullptr;
}

ZETexture* ZETextureManager::LoadAnimation(const ZEString&)
{
    return nullptr;
}

void ZETextureManager::Discard(ZETexture* texture)
{
    if (ZERenderer::ms_pRenderer)
        ZERenderer::ms_pRenderer->ReleaseTexture(texture);
    RemoveFromList(texture);
}

void ZETextureManager::UpdateAnimatedTextures()
{
    uint32_t now = GameTime();
    ZETexture* texture = m_pTextures;
    while (texture)
    {
        ZETexture* next = texture->m_pNext;
        if (texture->m_ulReferences == 0)
            Discard(texture);
        else if (texture->AdvanceFrame(now) && ZERenderer::ms_pRenderer)
            ZERenderer::ms_pRenderer->RestoreTexture(texture);
        texture = next;
    }
}

void ZETextureManager::ReleaseUnusedTextures()
{
    ZETexture* texture = m_pTextures;
    while (texture)
    {
        ZETexture* next = texture->m_pNext;
        if (texture->m_ulReferences == 0)
            Discard(texture);
        texture = next;
    }
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
