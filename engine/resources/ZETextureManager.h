// Textures: loaded once, shared through counted references, swept when
// unused.
//
// The one ZETextureManager (ms_pTexManager, created by the engine world)
// keeps every texture in a singly linked list in order of creation. A
// texture comes from a texture package (".tex") or an animation (".atx")
// under the manager's directory, or is built in memory from image data
// that the manager takes over (model skins, lightmaps: package "MEMORY").
// Every texture is uploaded to the renderer when it is created.
//
// Sharing: a request by name returns a reference to an already loaded
// texture when name, package (still textures only), animation flag,
// clamping and colour key all match; otherwise the texture is loaded and
// appended. A failed load gives an EMPTY reference (never null), which
// draws untextured. Memory textures and lightmaps are never shared.
//
// References: every GetTexture form returns a new ZETextureReference that
// the caller owns and deletes to let go of the texture. The manager sweeps
// (UpdateAnimatedTextures every frame, ReleaseUnusedTextures on demand) and
// deletes every texture without references, so a texture disappears within
// a frame of losing its last reference.
//
// A reference reaches its texture only while the live manager still lists
// that texture under the reference's id. A reference deleted after the
// texture was swept, after ReleaseTextures or after the manager itself is
// gone therefore touches nothing: texture ids are never reused, so a new
// texture at a recycled address is never mistaken for the old one.
#pragma once

#include "core/ZEObject.h"
#include "core/ZEString.h"

#include <cstdint>

class ZETextureReference;

// A map's texture record: which texture a face uses. Read in place from the
// map file; both names are zero-terminated within their 12 bytes unless
// the file is damaged, so readers bound them.
struct _TextureInformation
{
    char m_acName[12];
    char m_acPackage[12];
    uint8_t m_ucAnimated;   // non-zero: an ".atx" animation
};
static_assert(sizeof(_TextureInformation) == 25, "texture records are 25 bytes in map files");

class ZETexture
{
    ZE_DECLARE_ROOT_RTTI
public:
    ZETexture();
    // Frees the image data (every frame of an animation).
    virtual ~ZETexture();

    ZETexture(const ZETexture&) = delete;
    ZETexture& operator=(const ZETexture&) = delete;

    // The image shown now: the current frame of an animation, else
    // m_pData. May be null.
    uint8_t* GetData() const;
    void GetDimensions(uint32_t& width, uint32_t& height) const;

    // A new reference (owned by the caller); counts it.
    ZETextureReference* GetReference();
    // Counts one reference down when it was made for this texture; returns
    // the remaining count.
    uint32_t ReleaseReference(ZETextureReference* reference);

    // The data setters take ownership of the new[]-allocated image data.
    // Once an image is set (m_bLoaded) they refuse further data and free
    // what they were given, so nothing handed over is lost.
    void SetTextureData(uint8_t* data, uint32_t width, uint32_t height, const ZEString& name,
                        const ZEString& directory);
    // frames: numFrames images of width x height RGB texels; times: how
    // long each stays, in game milliseconds. Starts at frame 0 now.
    void SetAnimatedTextureData(uint8_t** frames, uint32_t width, uint32_t height, uint16_t* times,
                                uint16_t numFrames, const ZEString& name);
    // One luminance byte a texel; named "LIGHTMAP" in "MEMORY".
    void SetLightmapData(uint8_t* data, uint32_t width, uint32_t height);
    // Turns the RGB image(s) into RGBA: alpha 0 exactly where the texel
    // equals rgb, else 255. Does nothing when already colour-keyed or
    // without data.
    void SetColorKey(const uint8_t* rgb);

    // Moves an animation on when the current frame has been shown longer
    // than its time (at most one frame a call); true when it changed.
    bool AdvanceFrame(uint32_t now);

    static uint32_t ms_ulNextID;

    ZETexture* m_pNext = nullptr;
    ZEString m_Name;
    ZEString m_Directory;
    bool m_bAnimated = false;
    bool m_bLoaded = false;
    bool m_bAlpha = false;
    bool m_bLightmap = false;
    bool m_bClamp = false;
    uint8_t m_aucColorKey[3] = {0, 0, 0};
    uint16_t m_usFilter = 0;
    uint32_t m_ulWidth = 0;
    uint32_t m_ulHeight = 0;
    uint8_t* m_pData = nullptr;
    uint8_t** m_ppFrames = nullptr;
    uint16_t* m_pusFrameTimes = nullptr;
    uint16_t m_usNumFrames = 0;
    uint16_t m_usCurrentFrame = 0;
    uint32_t m_ulLastFrameTime = 0;
    uint32_t m_ulID;
    uint32_t m_ulReferences = 0;

private:
    void FreeImages();
    uint32_t GetNumTexels() const { return m_ulWidth * m_ulHeight; }
};

// A counted handle to a texture. Made by the manager (or a texture's
// GetReference) and owned by whoever holds it; deleting it releases the
// texture. A default reference is empty and draws untextured.
class ZETextureReference
{
public:
    ZETextureReference() = default;
    explicit ZETextureReference(ZETexture* texture);
    ~ZETextureReference();

    ZETextureReference(const ZETextureReference&) = delete;
    ZETextureReference& operator=(const ZETextureReference&) = delete;

    // The texture while the live manager still lists it under this
    // reference's id; null for an empty or stale reference.
    ZETexture* GetTexture() const;
    bool IsEmpty() const { return m_pTexture == nullptr; }

    ZETexture* m_pTexture = nullptr;
    uint32_t m_ulID = 0;
};

class ZETextureManager
{
    ZE_DECLARE_ROOT_RTTI
public:
    ZETextureManager();
    // Releases every texture in the renderer and deletes it.
    virtual ~ZETextureManager();

    ZETextureManager(const ZETextureManager&) = delete;
    ZETextureManager& operator=(const ZETextureManager&) = delete;

    // Made into a path ending in "/" (an empty directory stays empty).
    void SetTextureDirectory(const ZEString& directory);
    const ZEString& GetTextureDirectory() const { return m_Directory; }

    // Shared lookup and load by name. Never null: a texture that cannot be
    // loaded gives an empty reference. The filter is limited to the
    // renderer's default; clamped textures use at most filter 1 for modes
    // of 3 and above.
    ZETextureReference* GetTexture(const ZEString& name, const ZEString& package, bool animated);
    ZETextureReference* GetTexture(const ZEString& name, const ZEString& package, bool animated,
                                   uint16_t filter, bool clamp);
    // The colour-keyed variant (filter 0, no clamping), shared only with
    // textures of the same key.
    ZETextureReference* GetTexture(const ZEString& name, const ZEString& package, bool animated,
                                   const uint8_t* colorKey);
    // The same, taking name, package and animation flag from a map record.
    ZETextureReference* GetTexture(const _TextureInformation& info);
    ZETextureReference* GetTexture(const _TextureInformation& info, uint16_t filter, bool clamp);
    ZETextureReference* GetTexture(const _TextureInformation& info, const uint8_t* colorKey);

    // New memory textures from new[]-allocated RGB data, which the manager
    // takes over; never shared, never null.
    ZETextureReference* GetTexture(uint8_t* rgb, uint32_t width, uint32_t height, const ZEString& name);
    ZETextureReference* GetTexture(uint8_t* rgb, uint32_t width, uint32_t height, const ZEString& name,
                                   uint16_t filter, bool clamp);
    ZETextureReference* GetTexture(uint8_t* rgb, uint32_t width, uint32_t height, const ZEString& name,
                                   const uint8_t* colorKey);
    // A new lightmap from new[]-allocated luminance bytes (taken over).
    ZETextureReference* GetLightmap(uint8_t* luminance, uint32_t width, uint32_t height);

    // A new reference to the first listed texture that matches, or null.
    ZETextureReference* AlreadyLoaded(const ZEString& name, const ZEString& package, bool animated,
                                      bool clamp, bool useColorKey, const uint8_t* colorKey);

    // Appends at the tail and counts.
    void AddToList(ZETexture* texture);
    // Unlinks, deletes and counts down; a texture not in the list is left
    // alone.
    void RemoveFromList(ZETexture* texture);
    // Whether `texture` is listed and still carries `id`; compares
    // addresses only, so a stale pointer is never dereferenced.
    bool Contains(const ZETexture* texture, uint32_t id) const;

    // Read one texture from a file; the new texture or null.
    ZETexture* LoadTexture(const ZEString& name, const ZEString& package);
    ZETexture* LoadAnimation(const ZEString& name);

    // Once a frame: sweeps unreferenced textures and advances animations.
    void UpdateAnimatedTextures();
    void ReleaseUnusedTextures();
    // Uploads every texture again with its own filter.
    void RestoreTextures();
    // Releases and deletes every texture; the list is empty afterwards.
    void ReleaseTextures();

    ZETexture* GetTextures() const { return m_pTextures; }
    uint32_t GetNumTextures() const { return m_ulNumTextures; }

    static ZETextureManager* ms_pTexManager;

    ZEString m_Directory;
    ZETexture* m_pTextures = nullptr;
    uint32_t m_ulNumTextures = 0;

private:
    ZETextureReference* LoadShared(const ZEString& name, const ZEString& package, bool animated);
    ZETextureReference* AddAndUpload(ZETexture* texture, uint16_t filter, bool clamp);
    ZETextureReference* MakeMemoryTexture(uint8_t* rgb, uint32_t width, uint32_t height,
                                          const ZEString& name, uint16_t filter, bool clamp,
                                          const uint8_t* colorKey);
    void Discard(ZETexture* texture);
};
