// Textures: loaded once, shared through counted references, swept when
// unused.
//
// The one ZETextureManager (ms_pTexManager, created by the engine world)
// keeps every texture in a singly linked list in order of creation. A
// texture comes from a texture package (".tex", many named still images) or
// an animation (".atx", one sequence of frames), or is built in memory from
// image data that the manager takes over (model skins, lightmaps: package
// "MEMORY").
//
// Files: "<directory><package>.tex" for a still texture and
// "<directory><name>.atx" for an animation, opened through the file manager,
// so a loose file wins over a copy in a package archive. Reading never goes
// beyond the size the file manager reports (an archived file is followed by
// the next entry). Palettes are expanded to RGB at load time; an index
// beyond its palette reads black, and of a palette of more than 256 entries
// only the first 256 can be indexed. A damaged file (cut short, zero or
// oversized image, wrong magic) loads nothing; the reason is posted to the
// console under "textures" as an error. A missing file or entry is only
// noted in the console's log (mode 0), since a game may ask for optional
// textures.
//
// Sharing key: a request by name returns a reference to an already loaded
// texture when name, package (still textures only: an animation is one file
// named after itself), animation flag, clamping and colour key all match;
// otherwise the texture is loaded and appended. Colour-keyed and plain
// textures never stand in for each other. A failed load gives an EMPTY
// reference (never null), which draws untextured. Memory textures and
// lightmaps are never shared: each call makes a new texture.
//
// Upload: a texture is handed to the renderer (RestoreTexture) once when it
// is created, again when an animation changes frame, and on RestoreTextures
// after the renderer lost its texture objects. Each keeps the filter chosen
// at creation. A texture without image data (an animation of 0 frames) is
// never uploaded.
//
// Ownership: the manager owns every texture and its image data; every
// GetTexture form returns a new ZETextureReference that the caller owns and
// deletes to let go of the texture. The manager sweeps
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
#include <unordered_map>

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

// The records of the two texture formats, little-endian and unpadded on
// disk. Each names its fields in order; reading goes through Decode, never
// through the host layout of the struct. The writers in tools/common lay
// out the same bytes.
//
// Texture package (".tex"): _ZETexHeader, then per entry _ZETexEntryHeader
// followed by its image. Animation (".atx"): _ZEAtxHeader, then per frame
// _ZEAtxFrameHeader followed by its image. An image is width x height RGB
// triples when the palette size is 0, else that many RGB palette triples
// followed by one index byte a texel; rows run from t = 0 on.
#pragma pack(push, 1)
struct _ZETexHeader
{
    char m_acMagic[3];          // "TP2"
    uint8_t m_ucNumEntries;     // 0: no entries

    static constexpr uint32_t ms_ulSize = 4;
    static _ZETexHeader Decode(const uint8_t* bytes);
    bool HasMagic() const;
};

struct _ZETexEntryHeader
{
    char m_acName[12];          // zero-terminated unless damaged: read it bounded
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    uint16_t m_usPaletteSize;   // 0: true colour

    static constexpr uint32_t ms_ulSize = 18;
    static constexpr uint32_t ms_ulMaxNameLength = 11;
    static _ZETexEntryHeader Decode(const uint8_t* bytes);
};

struct _ZEAtxHeader
{
    char m_acMagic[3];          // "AT2"
    uint8_t m_ucUnused;
    uint16_t m_usWidth;
    uint16_t m_usHeight;
    uint8_t m_ucNumFrames;
    uint8_t m_ucUnused2;

    static constexpr uint32_t ms_ulSize = 10;
    static _ZEAtxHeader Decode(const uint8_t* bytes);
    bool HasMagic() const;
};

struct _ZEAtxFrameHeader
{
    uint16_t m_usTime;          // milliseconds of game time the frame stays
    uint16_t m_usPaletteSize;   // 0: true colour

    static constexpr uint32_t ms_ulSize = 4;
    static _ZEAtxFrameHeader Decode(const uint8_t* bytes);
};
#pragma pack(pop)
static_assert(sizeof(_ZETexHeader) == _ZETexHeader::ms_ulSize, "the package header is 4 bytes on disk");
static_assert(sizeof(_ZETexEntryHeader) == _ZETexEntryHeader::ms_ulSize, "an entry header is 18 bytes on disk");
static_assert(sizeof(_ZEAtxHeader) == _ZEAtxHeader::ms_ulSize, "the animation header is 10 bytes on disk");
static_assert(sizeof(_ZEAtxFrameHeader) == _ZEAtxFrameHeader::ms_ulSize, "a frame header is 4 bytes on disk");

// Palette indices are bytes: no more palette entries can be used.
constexpr uint32_t ZE_MAX_PALETTE_SIZE = 256;

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

    // Whether an image may have this size: neither side 0, and its RGBA form
    // (the largest, after a colour key) no larger than 4 GiB, so no size
    // computation overflows 32 bits.
    static bool IsUsableSize(uint32_t width, uint32_t height);

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
    // renderer's default; a clamped texture gets no mipmaps and therefore
    // at most filter 1. A texture found already loaded keeps its filter.
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
    // takes over; never shared, never null. Missing data or an unusable
    // size (ZETexture::IsUsableSize) gives an empty reference, the data
    // freed and the reason posted. A clamped texture gets at most filter 1.
    ZETextureReference* GetTexture(uint8_t* rgb, uint32_t width, uint32_t height, const ZEString& name);
    ZETextureReference* GetTexture(uint8_t* rgb, uint32_t width, uint32_t height, const ZEString& name,
                                   uint16_t filter, bool clamp);
    ZETextureReference* GetTexture(uint8_t* rgb, uint32_t width, uint32_t height, const ZEString& name,
                                   const uint8_t* colorKey);
    // A new lightmap from new[]-allocated luminance bytes (taken over);
    // refused like a memory texture.
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

    // Reads the entry `name` of the package "<directory><package>.tex": a
    // new, unlisted texture, or null when the file is missing, damaged or
    // holds no such entry (the reason posted).
    ZETexture* LoadTexture(const ZEString& name, const ZEString& package);
    // Reads the animation "<directory><name>.atx" likewise. An animation of
    // 0 frames loads as a texture without image data.
    ZETexture* LoadAnimation(const ZEString& name);

    // Once a frame: sweeps unreferenced textures and advances animations.
    void UpdateAnimatedTextures();
    void ReleaseUnusedTextures();
    // Uploads every texture with image data again, with its own filter.
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
    // A map brings thousands of lightmaps: appending and validating a
    // reference must not walk the list.
    ZETexture* m_pLastTexture = nullptr;
    std::unordered_map<const ZETexture*, uint32_t> m_LiveTextures;

    // Deletes every texture without references in one pass over the list.
    void SweepUnreferenced();

    ZEString FilePath(const ZEString& stem, const char* extension) const;
    ZETexture* Load(const ZEString& name, const ZEString& package, bool animated);
    ZETextureReference* AddAndUpload(ZETexture* texture, uint16_t filter, bool clamp);
    ZETextureReference* MakeMemoryTexture(uint8_t* rgb, uint32_t width, uint32_t height,
                                          const ZEString& name, uint16_t filter, bool clamp,
                                          const uint8_t* colorKey);
    void Discard(ZETexture* texture);
};
