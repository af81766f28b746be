#include "resources/ZEModelManager.h"

#include "core/ZEByteOrder.h"
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZETimer.h"
#include "render/ZECamera.h"
#include "render/ZERenderer.h"
#include "render/ZEStencilShadowVolume.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

ZE_IMPLEMENT_ROOT_RTTI(ZEModel);

uint32_t ZEModel::ms_ulNextID = 1;
ZEModelManager* ZEModelManager::ms_pModelManager = nullptr;

namespace
{
// A group's plane stamp until its planes are first built.
const uint32_t kPlanesNotBuilt = 0xFFFFFFFFu;

// "modeldetail" 4 always draws the coarsest level.
const int32_t kCoarsestDetail = 4;
// Every hit test uses the finest level, whatever is drawn.
const uint32_t kCollisionLOD = 0;
// "modelshadowlod" 3 always casts shadows from the coarsest level.
const int32_t kCoarsestShadowDetail = 3;
const char kMagic[5] = {'Z', 'M', 'F', '0', '1'};
// The renderer draws at most this many indices in one call.
const uint32_t kMaxIndices = 0xFFFF;
const uint32_t kMaxTextureNumber = 0xFFFF;

uint32_t GameTime()
{
    return ZETimer::ms_pTimer ? ZETimer::ms_pTimer->GetTime() : 0;
}

// Elapsed game milliseconds scaled by an animation speed, as a whole number
// of animation milliseconds. A negative or not-a-number speed would make
// the conversion undefined; such a speed holds the animation at its start.
uint32_t ScaledTime(uint32_t elapsed, float speed)
{
    double t = static_cast<double>(elapsed) * speed;
    if (!(t > 0.0))
        return 0;
    if (t >= 4294967295.0)
        return UINT32_MAX;
    return static_cast<uint32_t>(t);
}

// The game milliseconds that play `animationTime` at `speed`: the inverse
// of ScaledTime, so a wrapped animation continues where it was.
uint32_t UnscaledTime(uint32_t animationTime, float speed)
{
    if (!(speed > 0.0f) || speed == 1.0f)
        return animationTime;
    double t = static_cast<double>(animationTime) / speed;
    return t >= 4294967295.0 ? UINT32_MAX : static_cast<uint32_t>(t);
}

float LargestComponent(const ZEVector& v)
{
    float largest = v.x > v.y ? v.x : v.y;
    return largest > v.z ? largest : v.z;
}

float MeanComponent(const ZEVector& v)
{
    return (v.x + v.y + v.z) / 3.0f;
}

// A colour channel from a product that may leave the byte range (colour
// factors above 1) or be not-a-number; truncated like the byte conversion
// it replaces.
uint8_t Channel(float value)
{
    if (!(value > 0.0f))
        return 0;
    return value >= 255.0f ? 255 : static_cast<uint8_t>(value);
}

uint8_t AddChannels(uint8_t a, uint8_t b)
{
    uint32_t sum = static_cast<uint32_t>(a) + b;
    return sum > 255 ? 255 : static_cast<uint8_t>(sum);
}

// Opacity 1.0 is 255. Values outside 0..1 are clamped and a value that is
// not a number counts as opaque, so the byte conversion is always defined.
uint8_t AlphaOf(float opacity)
{
    if (std::isnan(opacity) || opacity >= 1.0f)
        return 255;
    return opacity > 0.0f ? static_cast<uint8_t>(opacity * 255.0f) : 0;
}

float Factor(const float* color, int channel)
{
    return color ? color[channel] : 1.0f;
}

// ---------------------------------------------------------------------------
// Little-endian fields







ZEMatrix3x3 Scaling(float x, float y, float z)
{
    ZEMatrix3x3 matrix;
    matrix.ScalingMatrix(x, y, z);
    return matrix;
}

// Rz(z) * Ry(y) * Rx(x): the rotation the model is drawn with.
ZEMatrix3x3 Rotation(const ZEVector& rot)
{
    ZEMatrix3x3 x, y, z;
    x.XRotationMatrixDeg(rot.x);
    y.YRotationMatrixDeg(rot.y);
    z.ZRotationMatrixDeg(rot.z);
    return z * y * x;
}

ZEMatrix3x3 InverseRotation(const ZEVector& rot)
{
    ZEMatrix3x3 x, y, z;
    x.XRotationMatrixDeg(-rot.x);
    y.YRotationMatrixDeg(-rot.y);
    z.ZRotationMatrixDeg(-rot.z);
    return x * y * z;
}

// Calls f(group) for every group in level, animation, key frame, group
// order.
template <class F>
void ForEachGroup(ZEModel& model, F f)
{
    for (uint32_t lod = 0; model.m_pLODs && lod < model.m_ulNumLODs; ++lod)
        for (uint32_t a = 0; model.m_pLODs[lod] && a < model.m_ulNumAnimations; ++a)
        {
            ZEModelAnimation& animation = model.m_pLODs[lod][a];
            for (uint32_t k = 0; animation.m_pKeyFrames && k < animation.m_ulNumKeyFrames; ++k)
            {
                ZEModelKeyFrame& frame = animation.m_pKeyFrames[k];
                for (uint32_t g = 0; frame.m_pGroups && g < frame.m_ulNumGroups; ++g)
                    f(frame.m_pGroups[g]);
            }
        }
}

// ---------------------------------------------------------------------------
// Reading a model file

// Reads from a stream, never more than the size the file manager reported
// (an archived file is followed by the next entry).
class ZmfReader
{
public:
    ZmfReader(FILE* file, uint32_t size) : m_pFile(file), m_ulRemaining(size) {}

    bool Read(void* out, uint64_t bytes)
    {
        if (bytes > m_ulRemaining)
            return false;
        if (bytes > 0 && std::fread(out, 1, static_cast<size_t>(bytes), m_pFile) != bytes)
            return false;
        m_ulRemaining -= static_cast<uint32_t>(bytes);
        return true;
    }

    // Whether that many bytes are left: checked before allocating for
    // counts read from the file, so a damaged count cannot ask for more
    // memory than the file could fill.
    bool Holds(uint64_t bytes) const { return bytes <= m_ulRemaining; }

private:
    FILE* m_pFile;
    uint32_t m_ulRemaining;
};

// Fills an empty model from a file; every step returns false on the first
// fault, with the reason in m_Error (empty for the silent failures).
class ZmfLoader
{
public:
    ZmfLoader(ZEModel& model, ZmfReader& reader) : m_Model(model), m_Reader(reader) {}

    bool Run()
    {
        return ReadHeader() && ReadVertices() && ReadTextures() && ReadMaterials() && ReadLevels();
    }

    const ZEString& GetError() const { return m_Error; }

private:
    // Where a group lies, for messages and for the rules that depend on it.
    struct Place
    {
        uint32_t m_ulLOD;
        uint32_t m_ulAnimation;
        uint32_t m_ulKeyFrame;
        uint32_t m_ulGroup;
    };

    bool Fail(const ZEString& reason)
    {
        m_Error = reason;
        return false;
    }

    bool FailAt(const Place& at, const char* reason)
    {
        return Fail(ZEString::Format("level %u, animation %u, key frame %u, group %u: %s", at.m_ulLOD,
                                     at.m_ulAnimation, at.m_ulKeyFrame, at.m_ulGroup, reason));
    }

    bool Short(const char* what) { return Fail(ZEString::Format("the file ends inside %s", what)); }

    bool ReadHeader()
    {
        uint8_t bytes[_ZEZmfHeader::ms_ulSize];
        if (!m_Reader.Read(bytes, sizeof(bytes)))
            return Short("its header");
        m_Header = _ZEZmfHeader::Decode(bytes);
        if (!m_Header.HasMagic())
            return false;
        if (m_Header.m_usNumLODs == 0)
            return Fail("no level of detail");
        if (m_Header.m_usNumAnimations == 0)
            return Fail("no animation");
        return true;
    }

    bool ReadVertices()
    {
        uint32_t count = m_Header.m_usNumVertices;
        std::vector<uint8_t> bytes(static_cast<size_t>(count) * _ZEZmfVertex::ms_ulSize);
        if (!m_Reader.Read(bytes.data(), bytes.size()))
            return Short("the vertices");
        m_Model.m_ulNumVertices = count;
        m_Model.m_pVertices = new ZEVertex[count];
        for (uint32_t i = 0; i < count; ++i)
            m_Model.m_pVertices[i] = _ZEZmfVertex::Decode(&bytes[i * _ZEZmfVertex::ms_ulSize]);
        return true;
    }

    bool ReadTextures()
    {
        uint32_t count = m_Header.m_usNumTextures;
        if (!m_Reader.Holds(static_cast<uint64_t>(count) * _ZEZmfTextureHeader::ms_ulSize))
            return Short("the textures");
        m_Model.m_ppTextures = new ZETextureReference*[count]();
        m_Model.m_ulNumTextures = count;
        for (uint32_t i = 0; i < count; ++i)
            if (!ReadTexture(i))
                return false;
        return true;
    }

    bool ReadTexture(uint32_t index)
    {
        uint8_t bytes[_ZEZmfTextureHeader::ms_ulSize];
        if (!m_Reader.Read(bytes, sizeof(bytes)))
            return Short("a texture header");
        _ZEZmfTextureHeader header = _ZEZmfTextureHeader::Decode(bytes);
        if (header.m_usWidth == 0 || header.m_usHeight == 0)
            return Fail(ZEString::Format("texture %u has no texels", index + 1));

        uint8_t* rgb = nullptr;
        if (!ReadImage(header, index, rgb))
            return false;
        char name[sizeof(header.m_acName) + 1] = {};
        std::memcpy(name, header.m_acName, sizeof(header.m_acName));
        m_Model.m_ppTextures[index] = MakeTexture(rgb, header.m_usWidth, header.m_usHeight, ZEString(name));
        return true;
    }

    // The image as new[]-allocated RGB texels, a palette expanded.
    bool ReadImage(const _ZEZmfTextureHeader& header, uint32_t index, uint8_t*& rgb)
    {
        uint64_t texels = static_cast<uint64_t>(header.m_usWidth) * header.m_usHeight;
        uint32_t paletteSize = header.m_usPaletteSize;
        if (paletteSize == 0)
        {
            if (!m_Reader.Holds(texels * 3))
                return Short("a texture image");
            rgb = new uint8_t[texels * 3];
            if (m_Reader.Read(rgb, texels * 3))
                return true;
            delete[] rgb;
            rgb = nullptr;
            return Short("a texture image");
        }

        if (!m_Reader.Holds(paletteSize * 3u + texels))
            return Short("a texture image");
        std::vector<uint8_t> palette(paletteSize * 3u);
        std::vector<uint8_t> indices(static_cast<size_t>(texels));
        if (!m_Reader.Read(palette.data(), palette.size()) || !m_Reader.Read(indices.data(), indices.size()))
            return Short("a texture image");
        for (uint8_t entry : indices)
            if (entry >= paletteSize)
                return Fail(ZEString::Format("texture %u uses a colour beyond its palette", index + 1));

        rgb = new uint8_t[texels * 3];
        for (size_t i = 0; i < indices.size(); ++i)
            std::memcpy(rgb + 3 * i, &palette[3u * indices[i]], 3);
        return true;
    }

    // Without a texture manager (tools) the model keeps empty references,
    // which draw untextured.
    static ZETextureReference* MakeTexture(uint8_t* rgb, uint32_t width, uint32_t height, const ZEString& name)
    {
        ZETextureManager* manager = ZETextureManager::ms_pTexManager;
        if (manager)
            return manager->GetTexture(rgb, width, height, name);
        delete[] rgb;
        return new ZETextureReference();
    }

    bool ReadMaterials()
    {
        uint32_t count = m_Header.m_usNumMaterials;
        std::vector<uint8_t> bytes(static_cast<size_t>(count) * _ZEZmfMaterial::ms_ulSize);
        if (!m_Reader.Read(bytes.data(), bytes.size()))
            return Short("the materials");
        m_aMaterials.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            m_aMaterials[i] = _ZEZmfMaterial::Decode(&bytes[i * _ZEZmfMaterial::ms_ulSize]);
        return true;
    }

    bool ReadLevels()
    {
        uint32_t levels = m_Header.m_usNumLODs;
        uint32_t animations = m_Header.m_usNumAnimations;
        uint64_t headers = static_cast<uint64_t>(levels) * animations * _ZEZmfAnimationHeader::ms_ulSize;
        if (!m_Reader.Holds(headers))
            return Short("the animations");

        m_Model.m_pLODs = new ZEModelAnimation*[levels]();
        m_Model.m_ulNumLODs = levels;
        m_Model.m_ulNumAnimations = animations;
        m_Model.m_pAnimationNames = new ZEModelAnimationName[animations]();
        for (uint32_t lod = 0; lod < levels; ++lod)
        {
            m_Model.m_pLODs[lod] = new ZEModelAnimation[animations];
            for (uint32_t a = 0; a < animations; ++a)
                if (!ReadAnimation(lod, a))
                    return false;
        }
        return true;
    }

    bool ReadAnimation(uint32_t lod, uint32_t index)
    {
        uint8_t bytes[_ZEZmfAnimationHeader::ms_ulSize];
        if (!m_Reader.Read(bytes, sizeof(bytes)))
            return Short("an animation header");
        _ZEZmfAnimationHeader header = _ZEZmfAnimationHeader::Decode(bytes);
        if (lod == 0)
            KeepName(header, index);

        Place at{lod, index, 0, 0};
        uint32_t frames = header.m_usNumKeyFrames;
        uint32_t groups = header.m_usNumGroups;
        if (frames == 0)
            return FailAt(at, "no key frame");
        uint64_t frameSize = ZE_ZMF_KEYFRAME_TIME_SIZE + static_cast<uint64_t>(groups) * _ZEZmfGroupHeader::ms_ulSize;
        if (!m_Reader.Holds(frames * frameSize))
            return Short("the key frames");

        ZEModelAnimation& animation = m_Model.m_pLODs[lod][index];
        animation.m_usNumTriangles = header.m_usNumTriangles;
        animation.m_pKeyFrames = new ZEModelKeyFrame[frames];
        animation.m_ulNumKeyFrames = frames;
        for (at.m_ulKeyFrame = 0; at.m_ulKeyFrame < frames; ++at.m_ulKeyFrame)
            if (!ReadKeyFrame(animation, groups, at))
                return false;
        return true;
    }

    // Only level 0's names are kept, cut to fit with their terminator.
    void KeepName(const _ZEZmfAnimationHeader& header, uint32_t index)
    {
        ZEModelAnimationName& name = m_Model.m_pAnimationNames[index];
        std::memcpy(name, header.m_acName, sizeof(name) - 1);
        name[sizeof(name) - 1] = '\0';
    }

    bool ReadKeyFrame(ZEModelAnimation& animation, uint32_t groups, Place at)
    {
        uint8_t bytes[ZE_ZMF_KEYFRAME_TIME_SIZE];
        if (!m_Reader.Read(bytes, sizeof(bytes)))
            return Short("a key frame");
        ZEModelKeyFrame& frame = animation.m_pKeyFrames[at.m_ulKeyFrame];
        frame.m_ulTime = ZEReadLE32(bytes);
        const ZEModelKeyFrame* previous = at.m_ulKeyFrame > 0 ? &animation.m_pKeyFrames[at.m_ulKeyFrame - 1] : nullptr;
        if (!previous && frame.m_ulTime != 0)
            return FailAt(at, "the first key frame is not at 0 ms");
        if (previous && frame.m_ulTime <= previous->m_ulTime)
            return FailAt(at, "key-frame times do not rise");

        frame.m_pGroups = groups ? new ZEModelTriGroup[groups] : nullptr;
        frame.m_ulNumGroups = groups;
        uint32_t triangles = 0;
        for (at.m_ulGroup = 0; at.m_ulGroup < groups; ++at.m_ulGroup)
        {
            const ZEModelTriGroup* before = previous ? &previous->m_pGroups[at.m_ulGroup] : nullptr;
            ZEModelTriGroup& group = frame.m_pGroups[at.m_ulGroup];
            if (!ReadGroup(group, before, at))
                return false;
            triangles += group.m_usNumIndices / 3u;
        }
        // The count sizes the shadow volume's edge list.
        if (triangles != animation.m_usNumTriangles)
            return FailAt(at, "the groups do not add up to the animation's triangle count");
        return true;
    }

    bool ReadGroup(ZEModelTriGroup& group, const ZEModelTriGroup* before, const Place& at)
    {
        uint8_t bytes[_ZEZmfGroupHeader::ms_ulSize];
        if (!m_Reader.Read(bytes, sizeof(bytes)))
            return Short("a group header");
        _ZEZmfGroupHeader header = _ZEZmfGroupHeader::Decode(bytes);
        if (header.m_usTexture > m_Header.m_usNumTextures)
            return FailAt(at, "texture number beyond the textures");
        if (header.m_usMaterial > m_Header.m_usNumMaterials)
            return FailAt(at, "material number beyond the materials");
        uint32_t indexCount = 3u * header.m_usNumTriangles;
        if (indexCount > kMaxIndices)
            return FailAt(at, "too many triangles for one group");
        // Blending pairs triangle positions of neighbouring key frames.
        if (before && indexCount != before->m_usNumIndices)
            return FailAt(at, "triangle count differs from the previous key frame");

        bool filled = header.m_usMode == ZE_ZMF_SAME_AS_PREVIOUS ? CopyPrevious(group, before, at)
                                                                 : ReadIndices(group, header, indexCount, at);
        if (!filled)
            return false;
        SetMaterial(group, header);
        group.m_pVertices = m_Model.m_pVertices;
        group.m_usNumVertices = static_cast<uint16_t>(m_Model.m_ulNumVertices);
        // The planes are built on the group's first hit test (AttachGroup):
        // most groups of most frames are never hit tested, and building
        // them all made loading a car slow.
        group.m_ulPlaneStamp = kPlanesNotBuilt;
        return true;
    }

    bool CopyPrevious(ZEModelTriGroup& group, const ZEModelTriGroup* before, const Place& at)
    {
        if (!before)
            return FailAt(at, "mode 1 (same as the previous key frame) in a first key frame");
        group.m_usNumIndices = before->m_usNumIndices;
        group.m_pusIndices = new uint16_t[group.m_usNumIndices];
        std::memcpy(group.m_pusIndices, before->m_pusIndices, group.m_usNumIndices * sizeof(uint16_t));
        std::memcpy(group.m_aucColorKey, before->m_aucColorKey, 3);
        group.m_bColorKeyed = before->m_bColorKeyed;
        group.m_bEnvironmentMapped = before->m_bEnvironmentMapped;
        group.m_bSameAsPrevious = true;
        return true;
    }

    bool ReadIndices(ZEModelTriGroup& group, const _ZEZmfGroupHeader& header, uint32_t indexCount,
                     const Place& at)
    {
        std::vector<uint8_t> bytes(indexCount * sizeof(uint16_t));
        if (!m_Reader.Read(bytes.data(), bytes.size()))
            return Short("a group's indices");
        group.m_usNumIndices = static_cast<uint16_t>(indexCount);
        group.m_pusIndices = new uint16_t[indexCount];
        for (uint32_t i = 0; i < indexCount; ++i)
        {
            group.m_pusIndices[i] = ZEReadLE16(&bytes[2 * i]);
            if (group.m_pusIndices[i] >= m_Model.m_ulNumVertices)
                return FailAt(at, "vertex index beyond the vertices");
        }
        uint16_t mode = header.m_usMode;
        group.m_bColorKeyed = mode == ZE_ZMF_COLOR_KEYED || mode == ZE_ZMF_COLOR_KEYED_ENVIRONMENT;
        group.m_bEnvironmentMapped = mode == ZE_ZMF_ENVIRONMENT || mode == ZE_ZMF_COLOR_KEYED_ENVIRONMENT;
        std::memcpy(group.m_aucColorKey, header.m_aucColorKey, 3);
        return true;
    }

    void SetMaterial(ZEModelTriGroup& group, const _ZEZmfGroupHeader& header)
    {
        group.m_usTexture = header.m_usTexture;
        group.m_ucAlpha = AlphaOf(header.m_fOpacity);
        if (group.m_ucAlpha != 255)
            m_Model.m_bTransparent = true;
        if (header.m_usMaterial > 0)
            std::memcpy(group.m_aucColor, m_aMaterials[header.m_usMaterial - 1].m_aucColor, 3);
    }

    ZEModel& m_Model;
    ZmfReader& m_Reader;
    _ZEZmfHeader m_Header{};
    std::vector<_ZEZmfMaterial> m_aMaterials;
    ZEString m_Error;
};

void PostDamaged(const ZEString& path, const ZEString& reason)
{
    ZEConsole::Post("models", ZEString::Format("Damaged model %s: %s", path.CStr(), reason.CStr()), ZE_MSG_ERROR);
}
}

// ---------------------------------------------------------------------------
// File records

_ZEZmfHeader _ZEZmfHeader::Decode(const uint8_t* bytes)
{
    _ZEZmfHeader header;
    std::memcpy(header.m_acMagic, bytes, sizeof(header.m_acMagic));
    header.m_ucUnused = bytes[5];
    header.m_usNumLODs = ZEReadLE16(bytes + 6);
    header.m_usNumAnimations = ZEReadLE16(bytes + 8);
    header.m_usNumTextures = ZEReadLE16(bytes + 10);
    header.m_usNumMaterials = ZEReadLE16(bytes + 12);
    header.m_usNumVertices = ZEReadLE16(bytes + 14);
    return header;
}

void _ZEZmfHeader::Encode(uint8_t* bytes) const
{
    std::memcpy(bytes, m_acMagic, sizeof(m_acMagic));
    bytes[5] = 0;
    ZEWriteLE16(bytes + 6, m_usNumLODs);
    ZEWriteLE16(bytes + 8, m_usNumAnimations);
    ZEWriteLE16(bytes + 10, m_usNumTextures);
    ZEWriteLE16(bytes + 12, m_usNumMaterials);
    ZEWriteLE16(bytes + 14, m_usNumVertices);
}

bool _ZEZmfHeader::HasMagic() const
{
    return std::memcmp(m_acMagic, kMagic, sizeof(kMagic)) == 0;
}

void _ZEZmfHeader::SetMagic()
{
    std::memcpy(m_acMagic, kMagic, sizeof(kMagic));
}

ZEVertex _ZEZmfVertex::Decode(const uint8_t* bytes)
{
    return ZEVertex{ZEReadLEFloat(bytes), ZEReadLEFloat(bytes + 4), ZEReadLEFloat(bytes + 8), ZEReadLEFloat(bytes + 12),
                    ZEReadLEFloat(bytes + 16)};
}

void _ZEZmfVertex::Encode(const ZEVertex& vertex, uint8_t* bytes)
{
    const float fields[5] = {vertex.x, vertex.y, vertex.z, vertex.u, vertex.v};
    for (int i = 0; i < 5; ++i)
        ZEWriteLEFloat(bytes + 4 * i, fields[i]);
}

_ZEZmfTextureHeader _ZEZmfTextureHeader::Decode(const uint8_t* bytes)
{
    _ZEZmfTextureHeader header;
    std::memcpy(header.m_acName, bytes, sizeof(header.m_acName));
    header.m_usWidth = ZEReadLE16(bytes + 24);
    header.m_usHeight = ZEReadLE16(bytes + 26);
    header.m_usPaletteSize = ZEReadLE16(bytes + 28);
    return header;
}

void _ZEZmfTextureHeader::Encode(uint8_t* bytes) const
{
    std::memcpy(bytes, m_acName, sizeof(m_acName));
    ZEWriteLE16(bytes + 24, m_usWidth);
    ZEWriteLE16(bytes + 26, m_usHeight);
    ZEWriteLE16(bytes + 28, m_usPaletteSize);
}

_ZEZmfMaterial _ZEZmfMaterial::Decode(const uint8_t* bytes)
{
    _ZEZmfMaterial material{};
    std::memcpy(material.m_aucColor, bytes + 24, 3);
    return material;
}

void _ZEZmfMaterial::Encode(uint8_t* bytes) const
{
    std::memset(bytes, 0, ms_ulSize);
    std::memcpy(bytes + 24, m_aucColor, 3);
}

_ZEZmfAnimationHeader _ZEZmfAnimationHeader::Decode(const uint8_t* bytes)
{
    _ZEZmfAnimationHeader header;
    std::memcpy(header.m_acName, bytes, sizeof(header.m_acName));
    header.m_usNumKeyFrames = ZEReadLE16(bytes + 32);
    header.m_usNumTriangles = ZEReadLE16(bytes + 34);
    header.m_usNumGroups = ZEReadLE16(bytes + 36);
    return header;
}

void _ZEZmfAnimationHeader::Encode(uint8_t* bytes) const
{
    std::memcpy(bytes, m_acName, sizeof(m_acName));
    ZEWriteLE16(bytes + 32, m_usNumKeyFrames);
    ZEWriteLE16(bytes + 34, m_usNumTriangles);
    ZEWriteLE16(bytes + 36, m_usNumGroups);
}

_ZEZmfGroupHeader _ZEZmfGroupHeader::Decode(const uint8_t* bytes)
{
    _ZEZmfGroupHeader header{};
    header.m_usNumTriangles = ZEReadLE16(bytes + 32);
    header.m_usTexture = ZEReadLE16(bytes + 34);
    header.m_usMaterial = ZEReadLE16(bytes + 36);
    header.m_fOpacity = ZEReadLEFloat(bytes + 40);
    std::memcpy(header.m_aucColorKey, bytes + 44, 3);
    header.m_usMode = ZEReadLE16(bytes + 48);
    return header;
}

void _ZEZmfGroupHeader::Encode(uint8_t* bytes) const
{
    std::memset(bytes, 0, ms_ulSize);
    ZEWriteLE16(bytes + 32, m_usNumTriangles);
    ZEWriteLE16(bytes + 34, m_usTexture);
    ZEWriteLE16(bytes + 36, m_usMaterial);
    ZEWriteLEFloat(bytes + 40, m_fOpacity);
    std::memcpy(bytes + 44, m_aucColorKey, 3);
    ZEWriteLE16(bytes + 48, m_usMode);
}

// ---------------------------------------------------------------------------
// Key-frame records

ZEModelTriGroup::~ZEModelTriGroup()
{
    // The vertex array belongs to the model and is shared by every group.
    m_pVertices = nullptr;
    m_pLVertices = nullptr;
}

ZEModelKeyFrame::~ZEModelKeyFrame()
{
    delete[] m_pGroups;
}

ZEModelAnimation::~ZEModelAnimation()
{
    delete[] m_pKeyFrames;
}

uint32_t ZEModelAnimation::GetLength() const
{
    if (!m_pKeyFrames || m_ulNumKeyFrames == 0)
        return 0;
    return m_pKeyFrames[m_ulNumKeyFrames - 1].m_ulTime;
}

// ---------------------------------------------------------------------------
// ZEModel: life cycle

ZEModel::ZEModel()
    : m_ulID(ms_ulNextID++)
{
}

ZEModel::ZEModel(const ZEString& path)
    : ZEModel()
{
    Load(path);
}

ZEModel::~ZEModel()
{
    Free();
}

bool ZEModel::Load(const ZEString& path)
{
    if (m_bLoaded)
        Free();
    ZEFileManager* files = ZEFileManager::ms_pFileManager;
    uint32_t size = 0;
    FILE* file = files ? files->OpenFile(path, size) : nullptr;
    if (!file)
        return false;

    ZmfReader reader(file, size);
    ZmfLoader loader(*this, reader);
    bool read = loader.Run();
    std::fclose(file);
    if (read && !CreateColorKeyedTextures())
    {
        read = false;
        PostDamaged(path, ZEString("too many textures to add colour-keyed copies"));
    }
    else if (!read && !loader.GetError().IsEmpty())
    {
        PostDamaged(path, loader.GetError());
    }
    if (!read)
    {
        Free();
        return false;
    }

    m_Name = path;
    m_pInterpolatedVertices = new ZEVertex[m_ulNumVertices];
    std::memcpy(m_pInterpolatedVertices, m_pVertices, m_ulNumVertices * sizeof(ZEVertex));
    m_bLoaded = true;
    FitBoundingVolumes();
    return true;
}

void ZEModel::Free()
{
    for (uint32_t lod = 0; m_pLODs && lod < m_ulNumLODs; ++lod)
        delete[] m_pLODs[lod];
    delete[] m_pLODs;
    delete[] m_pAnimationNames;
    delete[] m_pVertices;
    delete[] m_pInterpolatedVertices;
    for (uint32_t i = 0; m_ppTextures && i < m_ulNumTextures; ++i)
        delete m_ppTextures[i];
    delete[] m_ppTextures;

    m_pLODs = nullptr;
    m_pAnimationNames = nullptr;
    m_pVertices = nullptr;
    m_pInterpolatedVertices = nullptr;
    m_ppTextures = nullptr;
    delete m_pShadowVolume;
    m_pShadowVolume = nullptr;
    m_ulNumLODs = m_ulNumAnimations = m_ulNumVertices = m_ulNumTextures = 0;
    m_ulCachedLOD = m_ulCachedAnimation = m_ulCachedTime = UINT32_MAX;
    m_BoundingSphere = ZEBoundingSphere();
    m_BoundingBox = ZEAABoundingBox();
    m_Name = ZEString();
    m_bTransparent = false;
    m_bLoaded = false;
}

// The sphere's centre is the mean of the vertices and its radius reaches
// the farthest; the box spans them. A model without vertices gets empty
// volumes at its origin.
void ZEModel::FitBoundingVolumes()
{
    m_BoundingSphere.UpdateVolume(m_pVertices, m_ulNumVertices);
    m_BoundingBox.UpdateVolume(m_pVertices, m_ulNumVertices);
}

ZEModelReference* ZEModel::GetReference()
{
    ++m_ulReferences;
    return new ZEModelReference(this);
}

uint32_t ZEModel::ReleaseReference(ZEModelReference* reference)
{
    bool mine = reference && reference->m_pModel == this && reference->m_ulID == m_ulID;
    if (mine && m_ulReferences > 0)
        --m_ulReferences;
    return m_ulReferences;
}

ZEModelAnimation* ZEModel::GetAnimation(uint32_t lod, uint32_t animation) const
{
    if (!m_pLODs || lod >= m_ulNumLODs || animation >= m_ulNumAnimations || !m_pLODs[lod])
        return nullptr;
    return &m_pLODs[lod][animation];
}

ZETextureReference* ZEModel::GetTexture(uint16_t number) const
{
    if (number == 0 || number > m_ulNumTextures || !m_ppTextures)
        return nullptr;
    return m_ppTextures[number - 1];
}

// ---------------------------------------------------------------------------
// ZEModel: colour-keyed textures

bool ZEModel::CreateColorKeyedTextures()
{
    // Copy numbers by source texture, sources in the order first met, and
    // the key of the last group that uses each.
    std::vector<uint16_t> copyOf(m_ulNumTextures + 1, 0);
    std::vector<uint16_t> sources;
    std::vector<std::array<uint8_t, 3>> keys;
    bool numbered = true;
    ForEachGroup(*this, [&](ZEModelTriGroup& group) {
        uint16_t source = group.m_usTexture;
        if (!group.m_bColorKeyed || source == 0 || source > m_ulNumTextures)
            return;
        if (copyOf[source] == 0)
        {
            uint32_t number = m_ulNumTextures + static_cast<uint32_t>(sources.size()) + 1;
            if (number > kMaxTextureNumber)
            {
                numbered = false;
                return;
            }
            copyOf[source] = static_cast<uint16_t>(number);
            sources.push_back(source);
            keys.push_back({});
        }
        std::memcpy(keys[copyOf[source] - m_ulNumTextures - 1].data(), group.m_aucColorKey, 3);
    });
    if (!numbered)
        return false;
    if (sources.empty())
        return true;

    ForEachGroup(*this, [&](ZEModelTriGroup& group) {
        if (group.m_bColorKeyed && group.m_usTexture != 0 && group.m_usTexture <= m_ulNumTextures)
            group.m_usTexture = copyOf[group.m_usTexture];
    });

    uint32_t total = m_ulNumTextures + static_cast<uint32_t>(sources.size());
    ZETextureReference** textures = new ZETextureReference*[total]();
    std::memcpy(textures, m_ppTextures, m_ulNumTextures * sizeof(ZETextureReference*));
    for (size_t i = 0; i < sources.size(); ++i)
    {
        ZETextureReference* source = m_ppTextures[sources[i] - 1];
        textures[m_ulNumTextures + i] = MakeColorKeyedCopy(source, keys[i].data());
    }
    delete[] m_ppTextures;
    m_ppTextures = textures;
    m_ulNumTextures = total;
    return true;
}

// A colour-keyed memory texture from a copy of the source's RGB image,
// under its name; an empty reference when there is nothing to copy.
ZETextureReference* ZEModel::MakeColorKeyedCopy(ZETextureReference* source, const uint8_t* key)
{
    ZETextureManager* manager = ZETextureManager::ms_pTexManager;
    ZETexture* texture = source ? source->GetTexture() : nullptr;
    if (!manager || !texture || !texture->GetData() || texture->m_bAlpha || texture->m_bLightmap)
        return new ZETextureReference();
    uint32_t width = 0, height = 0;
    texture->GetDimensions(width, height);
    size_t bytes = static_cast<size_t>(width) * height * 3;
    uint8_t* rgb = new uint8_t[bytes];
    std::memcpy(rgb, texture->GetData(), bytes);
    return manager->GetTexture(rgb, width, height, texture->m_Name, key);
}

// ---------------------------------------------------------------------------
// ZEModel: key frames and blending

bool ZEModel::MergeFrames(uint32_t animation, uint32_t time, uint32_t lod, ZEModelKeyFrame*& kf1,
                          ZEModelKeyFrame*& kf2)
{
    kf1 = nullptr;
    kf2 = nullptr;
    if (m_ulNumLODs == 0 || m_ulNumAnimations == 0)
        return false;
    ZEModelAnimation* record = GetAnimation(lod < m_ulNumLODs ? lod : m_ulNumLODs - 1,
                                            animation < m_ulNumAnimations ? animation : m_ulNumAnimations - 1);
    if (!record || !record->m_pKeyFrames || record->m_ulNumKeyFrames == 0)
        return false;

    ZEModelKeyFrame* frames = record->m_pKeyFrames;
    for (uint32_t i = 0; i < record->m_ulNumKeyFrames; ++i)
    {
        if (frames[i].m_ulTime == time)
        {
            kf1 = &frames[i];
            return false;
        }
        if (i > 0 && frames[i - 1].m_ulTime < time && time < frames[i].m_ulTime)
        {
            kf1 = &frames[i - 1];
            kf2 = &frames[i];
            return true;
        }
    }
    // Outside the animation: hold its first or last key frame.
    kf1 = time < frames[0].m_ulTime ? &frames[0] : &frames[record->m_ulNumKeyFrames - 1];
    return false;
}

float ZEModel::InterpolateVertices(uint32_t time, uint32_t lod, uint32_t animation, ZEModelKeyFrame* kf1,
                                   ZEModelKeyFrame* kf2)
{
    if (!kf1 || !kf2 || kf2->m_ulTime <= kf1->m_ulTime || !m_pInterpolatedVertices)
        return 1.0f;
    double span = static_cast<double>(kf2->m_ulTime) - kf1->m_ulTime;
    double t = (static_cast<double>(time) - kf1->m_ulTime) / span;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);

    if (lod != m_ulCachedLOD || animation != m_ulCachedAnimation || time != m_ulCachedTime)
    {
        m_ulCachedLOD = lod;
        m_ulCachedAnimation = animation;
        m_ulCachedTime = time;
        BlendGroups(*kf1, *kf2, static_cast<float>(t));
        m_ulBlendStamp = m_ulBlendStamp == UINT32_MAX ? 1 : m_ulBlendStamp + 1;
    }
    return static_cast<float>(1.0 - t);
}

void ZEModel::BlendGroups(const ZEModelKeyFrame& kf1, const ZEModelKeyFrame& kf2, float t)
{
    uint32_t groups = kf1.m_ulNumGroups < kf2.m_ulNumGroups ? kf1.m_ulNumGroups : kf2.m_ulNumGroups;
    for (uint32_t j = 0; j < groups; ++j)
    {
        const ZEModelTriGroup& g1 = kf1.m_pGroups[j];
        const ZEModelTriGroup& g2 = kf2.m_pGroups[j];
        uint32_t count = g1.m_usNumIndices < g2.m_usNumIndices ? g1.m_usNumIndices : g2.m_usNumIndices;
        for (uint32_t m = 0; m < count; ++m)
        {
            uint16_t a = g1.m_pusIndices[m];
            uint16_t b = g2.m_pusIndices[m];
            if (a >= m_ulNumVertices || b >= m_ulNumVertices)
                continue;
            const float* from = &m_pVertices[a].x;
            const float* to = &m_pVertices[b].x;
            float* out = &m_pInterpolatedVertices[a].x;
            for (int c = 0; c < 5; ++c)
                out[c] = g2.m_bSameAsPrevious || from[c] == to[c] ? from[c] : to[c] * t + from[c] * (1.0f - t);
        }
    }
}

bool ZEModel::PrepareFrames(uint32_t animation, uint32_t time, uint32_t lod, _ZEModelFrames& frames)
{
    if (!m_bLoaded || m_ulNumLODs == 0 || m_ulNumAnimations == 0)
        return false;
    lod = lod < m_ulNumLODs ? lod : m_ulNumLODs - 1;
    animation = animation < m_ulNumAnimations ? animation : m_ulNumAnimations - 1;

    ZEModelKeyFrame* kf1 = nullptr;
    ZEModelKeyFrame* kf2 = nullptr;
    bool blend = MergeFrames(animation, time, lod, kf1, kf2);
    if (!kf1)
        return false;
    frames.m_pKeyFrame1 = kf1;
    frames.m_pKeyFrame2 = blend ? kf2 : nullptr;
    frames.m_fWeight1 = blend ? InterpolateVertices(time, lod, animation, kf1, kf2) : 1.0f;
    frames.m_pVertices = blend ? m_pInterpolatedVertices : m_pVertices;
    frames.m_ulStamp = blend ? m_ulBlendStamp : 0;
    return true;
}

// ---------------------------------------------------------------------------
// ZEModel: drawing

// Pushes the world matrix and places the model: moved, turned, scaled.
void ZEModel::PlaceInWorld(ZERenderer* renderer, const ZEVector* pos, const ZEVector* rot, const ZEVector* scale)
{
    renderer->PushWorldMatrix();
    if (pos)
        renderer->TransformWorld(pos->x, pos->y, pos->z);
    if (rot)
        renderer->RotateWorldDeg(rot->x, rot->y, rot->z);
    if (scale)
        renderer->ScaleWorld(scale->x, scale->y, scale->z);
}

void ZEModel::Render(const ZEVector* pos, const ZEVector* rot, const ZEVector* scale, uint32_t animation,
                     uint32_t time, uint32_t lod, const float* color)
{
    ZERenderer* renderer = ZERenderer::ms_pRenderer;
    _ZEModelFrames frames;
    if (!renderer || !PrepareFrames(animation, time, lod, frames))
        return;

    PlaceInWorld(renderer, pos, rot, scale);
    renderer->SetVertexArray(frames.m_pVertices, static_cast<uint16_t>(m_ulNumVertices));
    renderer->LockVertexArray();

    DrawGroups(renderer, frames, color, true);
    if (HasTranslucentGroups(frames))
    {
        renderer->EnableBlending();
        renderer->SetBlendingState(4, 5);
        renderer->EnableAlphaTest();
        renderer->SetAlphaState(8, 0.0f);
        DrawGroups(renderer, frames, color, false);
        renderer->DisableBlending();
        renderer->DisableAlphaTest();
    }

    renderer->UnlockVertexArray();
    renderer->PopWorldMatrix();
}

// Opaque groups are drawn first without blending; colour-keyed groups and
// groups that are (or blend toward) translucent come after, blended.
bool ZEModel::IsOpaque(const _ZEModelFrames& frames, uint32_t group) const
{
    const ZEModelTriGroup& g1 = frames.m_pKeyFrame1->m_pGroups[group];
    if (g1.m_bColorKeyed || g1.m_ucAlpha != 255)
        return false;
    const ZEModelKeyFrame* kf2 = frames.m_pKeyFrame2;
    return !kf2 || group >= kf2->m_ulNumGroups || kf2->m_pGroups[group].m_ucAlpha == 255;
}

bool ZEModel::HasTranslucentGroups(const _ZEModelFrames& frames) const
{
    for (uint32_t j = 0; j < frames.m_pKeyFrame1->m_ulNumGroups; ++j)
        if (!IsOpaque(frames, j))
            return true;
    return false;
}

void ZEModel::DrawGroups(ZERenderer* renderer, const _ZEModelFrames& frames, const float* color, bool opaque)
{
    const ZEModelKeyFrame& kf1 = *frames.m_pKeyFrame1;
    for (uint32_t j = 0; j < kf1.m_ulNumGroups; ++j)
    {
        if (IsOpaque(frames, j) != opaque)
            continue;
        ZEModelTriGroup& group = kf1.m_pGroups[j];
        if (group.m_bEnvironmentMapped)
            renderer->EnableEnvironmentMapping();
        renderer->SetTexture(GetTexture(group.m_usTexture));
        if (opaque)
            SetOpaqueColor(renderer, group, color);
        else
            SetTranslucentColor(renderer, frames, j, color);
        renderer->DrawIndices(group.m_pusIndices, group.m_usNumIndices);
        if (group.m_bEnvironmentMapped)
            renderer->DisableEnvironmentMapping();
    }
}

void ZEModel::SetOpaqueColor(ZERenderer* renderer, const ZEModelTriGroup& group, const float* color)
{
    renderer->SetAmbient(Channel(group.m_aucColor[0] * Factor(color, 0)),
                         Channel(group.m_aucColor[1] * Factor(color, 1)),
                         Channel(group.m_aucColor[2] * Factor(color, 2)));
}

// Between two key frames colour and alpha are weighted like the vertices.
void ZEModel::SetTranslucentColor(ZERenderer* renderer, const _ZEModelFrames& frames, uint32_t group,
                                  const float* color)
{
    const ZEModelTriGroup& g1 = frames.m_pKeyFrame1->m_pGroups[group];
    const ZEModelKeyFrame* kf2 = frames.m_pKeyFrame2;
    uint8_t rgba[4];
    if (!kf2 || group >= kf2->m_ulNumGroups)
    {
        for (int c = 0; c < 3; ++c)
            rgba[c] = Channel(g1.m_aucColor[c] * Factor(color, c));
        rgba[3] = g1.m_ucAlpha;
    }
    else
    {
        const ZEModelTriGroup& g2 = kf2->m_pGroups[group];
        float w1 = frames.m_fWeight1;
        float w2 = 1.0f - w1;
        for (int c = 0; c < 3; ++c)
            rgba[c] = AddChannels(Channel(g1.m_aucColor[c] * w1 * Factor(color, c)),
                                  Channel(g2.m_aucColor[c] * w2 * Factor(color, c)));
        rgba[3] = AddChannels(Channel(g1.m_ucAlpha * w1), Channel(g2.m_ucAlpha * w2));
    }
    renderer->SetAmbient(rgba[0], rgba[1], rgba[2], rgba[3]);
}

// ---------------------------------------------------------------------------
// ZEModel: segment tests

void ZEModel::AttachGroup(ZEModelTriGroup& group, const _ZEModelFrames& frames)
{
    // A stamp that reached the "not built" mark must not pass for it.
    if (frames.m_ulStamp == kPlanesNotBuilt)
        group.m_ulPlaneStamp = 0;
    if (group.m_pVertices == frames.m_pVertices && group.m_ulPlaneStamp == frames.m_ulStamp)
        return;
    group.m_pVertices = frames.m_pVertices;
    group.m_ulPlaneStamp = frames.m_ulStamp;
    group.Update();
}

bool ZEModel::Clips(const ZEVector& start, const ZEVector& move, uint32_t animation, uint32_t time, uint32_t lod)
{
    _ZEModelFrames frames;
    if (!PrepareFrames(animation, time, lod, frames))
        return false;
    ZEModelKeyFrame& kf1 = *frames.m_pKeyFrame1;
    for (uint32_t j = 0; j < kf1.m_ulNumGroups; ++j)
    {
        AttachGroup(kf1.m_pGroups[j], frames);
        if (kf1.m_pGroups[j].Clips(start, move))
            return true;
    }
    return false;
}

bool ZEModel::Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info, uint32_t animation,
                    uint32_t time, uint32_t lod)
{
    _ZEModelFrames frames;
    if (!PrepareFrames(animation, time, lod, frames))
        return false;
    ZEModelKeyFrame& kf1 = *frames.m_pKeyFrame1;
    bool hit = false;
    float best = 0.0f;
    for (uint32_t j = 0; j < kf1.m_ulNumGroups; ++j)
    {
        AttachGroup(kf1.m_pGroups[j], frames);
        _ZEClipInfo local;
        if (!kf1.m_pGroups[j].Clips(start, move, local))
            continue;
        float distance = (local.m_vPoint - start).GetLength();
        if (hit && distance >= best)
            continue;
        hit = true;
        best = distance;
        info.m_vPoint = local.m_vPoint;
        info.m_Plane = local.m_Plane;
        info.m_pucData = local.m_pucData;
        info.m_pPolygon = local.m_pPolygon;
    }
    return hit;
}

// ---------------------------------------------------------------------------
// ZEModel: shadows

void ZEModel::RenderProjectedShadow(ZERenderer* renderer, const ZEVector* pos, const ZEVector* rot,
                                    const ZEVector* scale, uint32_t animation, uint32_t time, uint32_t lod,
                                    const ZEVector& light, const ZEPlane& plane)
{
    _ZEModelFrames frames;
    if (!renderer || !PrepareFrames(animation, time, lod, frames))
        return;
    PlaceInWorld(renderer, pos, rot, scale);
    if (renderer->SetShadowMatrix(light, plane))
    {
        renderer->EnableDecaling();
        renderer->SetVertexArray(frames.m_pVertices, static_cast<uint16_t>(m_ulNumVertices));
        renderer->LockVertexArray();
        const ZEModelKeyFrame& kf1 = *frames.m_pKeyFrame1;
        for (uint32_t j = 0; j < kf1.m_ulNumGroups; ++j)
            renderer->DrawIndices(kf1.m_pGroups[j].m_pusIndices, kf1.m_pGroups[j].m_usNumIndices);
        renderer->UnlockVertexArray();
        renderer->DisableDecaling();
    }
    renderer->PopWorldMatrix();
}

// The volume is kept for the last state it was built for and rebuilt only
// when animation, level, time or the model-space light changed; it is
// placed in the world on every call.
void ZEModel::RenderStencilShadow(ZERenderer* renderer, ZECamera* camera, const ZEVector* pos, const ZEVector* rot,
                                  const ZEVector* scale, uint32_t animation, uint32_t time, uint32_t lod,
                                  const ZEVector& light)
{
    _ZEModelFrames frames;
    if (!renderer || !PrepareFrames(animation, time, lod, frames))
        return;
    PlaceInWorld(renderer, pos, rot, scale);
    if (!m_pShadowVolume || !m_pShadowVolume->IsCachedFor(animation, lod, time, light))
        BuildShadowVolume(frames, animation, lod, time, light);
    PlaceShadowSphere(pos, rot, scale);
    m_pShadowVolume->Render(renderer, camera);
    renderer->PopWorldMatrix();
}

void ZEModel::BuildShadowVolume(const _ZEModelFrames& frames, uint32_t animation, uint32_t lod, uint32_t time,
                                const ZEVector& light)
{
    uint32_t level = lod < m_ulNumLODs ? lod : m_ulNumLODs - 1;
    ZEModelAnimation* clip = GetAnimation(level, animation < m_ulNumAnimations ? animation : m_ulNumAnimations - 1);
    uint32_t capacity = 3u * (clip ? clip->m_usNumTriangles : 0u);
    if (!m_pShadowVolume)
        m_pShadowVolume = new ZEStencilShadowVolume(frames.m_pVertices, capacity, light);
    else
        m_pShadowVolume->RecreateVolume(frames.m_pVertices, capacity, light);
    m_pShadowVolume->SetCache(animation, lod, time);
    ZEModelKeyFrame* kf1 = frames.m_pKeyFrame1;
    for (uint32_t j = 0; j < kf1->m_ulNumGroups; ++j)
        AttachGroup(kf1->m_pGroups[j], frames);
    m_pShadowVolume->AddModelKeyFrame(kf1);
    m_pShadowVolume->BuildVolume();
}

// The volume's model-space sphere, moved, turned and scaled as the model
// is drawn, for the camera's culling.
void ZEModel::PlaceShadowSphere(const ZEVector* pos, const ZEVector* rot, const ZEVector* scale)
{
    const ZEBoundingSphere& local = m_pShadowVolume->m_BoundingSphere;
    ZEVector center = local.m_vCenter;
    float radius = local.m_fRadius;
    if (scale)
    {
        center = ZEVector(center.x * scale->x, center.y * scale->y, center.z * scale->z);
        radius *= std::fmax(std::fabs(scale->x), std::fmax(std::fabs(scale->y), std::fabs(scale->z)));
    }
    if (rot)
        center = Rotation(*rot) * center;
    if (pos)
        center += *pos;
    m_pShadowVolume->m_WorldSphere = ZEBoundingSphere(center, radius);
}

// ---------------------------------------------------------------------------
// ZEModelReference

ZEModelReference::ZEModelReference(ZEModel* model)
    : m_pModel(model), m_ulID(model ? model->m_ulID : 0)
{
}

ZEModelReference::~ZEModelReference()
{
    if (ZEModel* model = GetModel())
        model->ReleaseReference(this);
}

ZEModel* ZEModelReference::GetModel() const
{
    ZEModelManager* manager = ZEModelManager::ms_pModelManager;
    if (!m_pModel || !manager || !manager->Contains(m_pModel, m_ulID))
        return nullptr;
    return m_pModel;
}

void ZEModelReference::Render(const ZEVector& pos, const ZEVector& rot, const float* color)
{
    ZEModel* model = GetModel();
    if (!model || Culled(pos))
        return;
    uint32_t lod = GetLOD(pos);
    const ZEVector* scale = m_bScaled ? &m_vScale : nullptr;
    Pose pose = PoseNow(lod);
    model->Render(&pos, &rot, scale, pose.m_ulAnimation, pose.m_ulTime, lod, color);
}

void ZEModelReference::SetAnimation(uint32_t index)
{
    ZEModel* model = GetModel();
    if (!model || index >= model->m_ulNumAnimations)
        return;
    m_ulAnimation = index;
    m_bAnimating = true;
    m_ulAnimationStart = GameTime();
}

void ZEModelReference::SetAnimation(const ZEString& name)
{
    ZEModel* model = GetModel();
    if (!model || !model->m_pAnimationNames)
        return;
    for (uint32_t i = 0; i < model->m_ulNumAnimations; ++i)
    {
        const ZEModelAnimationName& stored = model->m_pAnimationNames[i];
        if (strnlen(stored, sizeof(stored)) < sizeof(stored) && name == stored)
        {
            SetAnimation(i);
            return;
        }
    }
}

void ZEModelReference::SetScale(const ZEVector& scale)
{
    m_vScale = scale;
    m_bScaled = scale.x != 1.0f || scale.y != 1.0f || scale.z != 1.0f;
}

// The model's own sphere need not be centred on its origin, so the sphere
// at pos reaches as far as the origin's distance to that centre farther.
bool ZEModelReference::Culled(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    if (!ZERenderer::ms_pRenderer)
        return false;
    ZEBoundingSphere sphere(pos, model ? EnclosingRadius(*model) : 0.0f);
    return ZERenderer::ms_pRenderer->m_Camera.Culled(&sphere);
}

float ZEModelReference::EnclosingRadius(const ZEModel& model) const
{
    const ZEBoundingSphere& own = model.m_BoundingSphere;
    float radius = own.m_vCenter.GetLength() + own.m_fRadius;
    if (!m_bScaled)
        return radius;
    ZEVector size(std::fabs(m_vScale.x), std::fabs(m_vScale.y), std::fabs(m_vScale.z));
    return radius * LargestComponent(size);
}

ZEAABoundingBox ZEModelReference::GetModelBBox() const
{
    ZEModel* model = GetModel();
    if (!model)
        return ZEAABoundingBox();
    const ZEAABoundingBox& box = model->m_BoundingBox;
    ZEVector half = box.GetHalfSize();
    if (m_bScaled)
        half = ZEVector(half.x * m_vScale.x, half.y * m_vScale.y, half.z * m_vScale.z);
    return ZEAABoundingBox(box.m_vCenter - half, box.m_vCenter + half);
}

ZEBoundingSphere ZEModelReference::GetBoundingSphere(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    float radius = model ? model->m_BoundingSphere.m_fRadius : 0.0f;
    if (m_bScaled)
        radius *= MeanComponent(m_vScale);
    return ZEBoundingSphere(pos, radius);
}

ZEVector ZEModelReference::GetCenter(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    return model ? model->m_BoundingSphere.m_vCenter + pos : pos;
}

uint32_t ZEModelReference::GetLOD(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    if (!model || model->m_ulNumLODs == 0)
        return 0;
    uint32_t last = model->m_ulNumLODs - 1;
    int32_t detail = ZEEngine::ms_pEngine ? ZEEngine::ms_pEngine->m_lModelDetail : 0;
    if (detail == kCoarsestDetail)
        return last;

    double level = detail;
    if (ZERenderer::ms_pRenderer)
    {
        const ZECamera& camera = ZERenderer::ms_pRenderer->m_Camera;
        float band = camera.m_fZFar / static_cast<float>(model->m_ulNumLODs);
        float distance = (camera.m_vPosition - pos).GetLength();
        if (band > 0.0f)
            level += std::floor(distance / band);
    }
    // A negative detail or a camera without depth range must not index
    // outside the levels.
    if (!(level >= 0.0))
        return 0;
    return level > last ? last : static_cast<uint32_t>(level);
}

uint32_t ZEModelReference::GetShadowLOD(const ZEVector& pos) const
{
    ZEModel* model = GetModel();
    if (!model || model->m_ulNumLODs == 0)
        return 0;
    int32_t shadow = ZEEngine::ms_pEngine ? ZEEngine::ms_pEngine->m_lModelShadowLOD : 0;
    uint32_t lod = GetLOD(pos) - static_cast<uint32_t>(shadow);
    if (lod >= model->m_ulNumLODs || shadow == kCoarsestShadowDetail)
        return model->m_ulNumLODs - 1;
    return lod;
}

uint32_t ZEModelReference::GetAnimationTime(uint32_t lod)
{
    Clock clock = ClockAt(lod, GameTime());
    m_bAnimating = clock.m_bAnimating;
    m_ulAnimation = clock.m_ulAnimation;
    m_ulAnimationStart = clock.m_ulStart;
    return clock.m_ulTime;
}

void ZEModelReference::AdvanceAnimation()
{
    if (m_bAnimating)
        m_ulAnimationTime = GetAnimationTime(kCollisionLOD);
}

ZEModelReference::Clock ZEModelReference::ClockAt(uint32_t lod, uint32_t now) const
{
    ZEModel* model = GetModel();
    ZEModelAnimation* animation = model ? model->GetAnimation(lod, m_ulAnimation) : nullptr;
    uint32_t length = animation ? animation->GetLength() : 0;
    Clock clock{m_bAnimating, m_ulAnimation, m_ulAnimationStart, 0};
    uint32_t t = ScaledTime(now - m_ulAnimationStart, m_fAnimationSpeed);
    if (t > length && !m_bLoop)
    {
        // Animation 0 is drawn from its start, whichever way the finished
        // one ran.
        return Clock{false, 0, 0, 0};
    }
    if (t > length)
    {
        t = length == 0 ? 0 : (t - 1) % length + 1;
        clock.m_ulStart = now - UnscaledTime(t, m_fAnimationSpeed);
    }
    clock.m_ulTime = m_bReverse ? length - t : t;
    return clock;
}

// Without an animation running, animation 0 at its start.
ZEModelReference::Pose ZEModelReference::PoseNow(uint32_t lod) const
{
    if (!m_bAnimating)
        return Pose{0, 0};
    Clock clock = ClockAt(lod, GameTime());
    return clock.m_bAnimating ? Pose{clock.m_ulAnimation, clock.m_ulTime} : Pose{0, 0};
}

bool ZEModelReference::Clips(const ZEVector& pos, const ZEBoundingVolume& volume)
{
    ZEModel* model = GetModel();
    if (!model)
        return false;
    ZEBoundingSphere sphere(pos, model->m_BoundingSphere.m_fRadius);
    return sphere.IntersectsVolume(volume);
}

bool ZEModelReference::GetWorldToModel(const ZEVector& rot, ZEMatrix3x3& matrix) const
{
    if (m_vScale.x == 0.0f || m_vScale.y == 0.0f || m_vScale.z == 0.0f)
        return false;
    matrix = Scaling(1.0f / m_vScale.x, 1.0f / m_vScale.y, 1.0f / m_vScale.z) * InverseRotation(rot);
    return true;
}

ZEMatrix3x3 ZEModelReference::GetModelToWorld(const ZEVector& rot) const
{
    return Rotation(rot) * Scaling(m_vScale.x, m_vScale.y, m_vScale.z);
}

bool ZEModelReference::ToModelSpace(const ZEVector& pos, const ZEVector& rot, const ZEVector& start,
                                    const ZEVector& move, ZEVector& localStart, ZEVector& localMove) const
{
    ZEModel* model = GetModel();
    ZEMatrix3x3 toModel;
    if (!model || !model->m_bLoaded || !GetWorldToModel(rot, toModel))
        return false;
    if (!ZEBoundingSphere(pos, EnclosingRadius(*model)).IntersectsVolume(start, move))
        return false;
    localStart = toModel * (start - pos);
    localMove = toModel * move;
    return true;
}

bool ZEModelReference::Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move)
{
    ZEVector localStart, localMove;
    if (!ToModelSpace(pos, rot, start, move, localStart, localMove))
        return false;
    Pose pose = PoseNow(kCollisionLOD);
    return m_pModel->Clips(localStart, localMove, pose.m_ulAnimation, pose.m_ulTime, kCollisionLOD);
}

bool ZEModelReference::Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move,
                             ZEVector& contact)
{
    _ZEClipInfo info;
    if (!Clips(pos, rot, start, move, info))
        return false;
    contact = info.m_vPoint;
    return true;
}

// The hit comes back with the drawing transform; the plane's normal with
// its inverse transpose (rotation after the inverse scale), kept of unit
// length, so a scaled model still reports a true surface normal.
bool ZEModelReference::Clips(const ZEVector& pos, const ZEVector& rot, const ZEVector& start, const ZEVector& move,
                             _ZEClipInfo& info)
{
    ZEVector localStart, localMove;
    _ZEClipInfo local;
    if (!ToModelSpace(pos, rot, start, move, localStart, localMove))
        return false;
    Pose pose = PoseNow(kCollisionLOD);
    if (!m_pModel->Clips(localStart, localMove, local, pose.m_ulAnimation, pose.m_ulTime, kCollisionLOD))
        return false;

    ZEVector point = GetModelToWorld(rot) * local.m_vPoint + pos;
    ZEMatrix3x3 normalToWorld = Rotation(rot) * Scaling(1.0f / m_vScale.x, 1.0f / m_vScale.y, 1.0f / m_vScale.z);
    ZEVector normal = (normalToWorld * local.m_Plane.m_vNormal).UnitVector();
    info.m_vPoint = point;
    info.m_Plane.SetPlane(normal, -static_cast<double>(point.DotProduct(normal)));
    info.m_pucData = local.m_pucData;
    info.m_pPolygon = local.m_pPolygon;
    return true;
}

bool ZEModelReference::ModelContainsTransparency() const
{
    ZEModel* model = GetModel();
    return model && model->m_bTransparent;
}

bool ZEModelReference::IsRealAnimation(uint32_t index) const
{
    ZEModel* model = GetModel();
    ZEModelAnimation* animation = model ? model->GetAnimation(0, index) : nullptr;
    return animation && animation->m_ulNumKeyFrames >= 2;
}

// ---------------------------------------------------------------------------
// ZEModelReference: shadows

void ZEModelReference::GetFakeShadowData(ZEVector& center, const ZEVector& rot, ZEVector& direction, float& width,
                                         float& length)
{
    ZEModel* model = GetModel();
    ZEVector low, high;
    if (model)
        model->m_BoundingBox.GetData(low, high);
    if (m_bScaled)
    {
        low = ZEVector(low.x * m_vScale.x, low.y * m_vScale.y, low.z * m_vScale.z);
        high = ZEVector(high.x * m_vScale.x, high.y * m_vScale.y, high.z * m_vScale.z);
    }
    ZEMatrix3x3 turn = Rotation(rot);
    center = turn * ((low + high) * 0.5f);
    direction = turn * ZEVector(0.0f, 0.0f, 1.0f);
    width = std::fabs(high.x - low.x);
    length = std::fabs(high.z - low.z);
}

bool ZEModelReference::ShadowSpace(const ZEVector& pos, const ZEVector& rot, const ZEVector& light,
                                   ZEVector& localLight) const
{
    ZEMatrix3x3 toModel;
    if (!GetWorldToModel(rot, toModel))
        return false;
    localLight = toModel * (light - pos);
    return true;
}

// A world point p lies on the ground when n . p + d = 0; with p drawn from
// the model point q as p = T q + pos (T turning and scaling), that is
// (T^t n) . q + (n . pos + d) = 0, normalised to a unit normal.
ZEPlane ZEModelReference::GroundInModelSpace(const ZEPlane& ground, const ZEVector& pos, const ZEVector& rot) const
{
    ZEMatrix3x3 toWorld = GetModelToWorld(rot);
    const ZEVector& n = ground.m_vNormal;
    ZEVector normal;
    float* out[3] = {&normal.x, &normal.y, &normal.z};
    for (int c = 0; c < 3; ++c)
        *out[c] = toWorld.At(0, c) * n.x + toWorld.At(1, c) * n.y + toWorld.At(2, c) * n.z;
    double distance = n.DotProduct(pos) + ground.m_dDistance;
    float length = normal.GetLength();
    if (length > 0.0f)
        return ZEPlane(normal * (1.0f / length), distance / length);
    return ZEPlane(normal, distance);
}

void ZEModelReference::RenderProjectedShadow(ZERenderer* renderer, const ZEVector& pos, const ZEVector& rot,
                                             const ZEVector& light, const ZEPlane& ground)
{
    ZEModel* model = GetModel();
    ZEVector localLight;
    if (!model || !renderer || !ShadowSpace(pos, rot, light, localLight))
        return;
    renderer->SetTexture(nullptr);
    uint32_t lod = GetShadowLOD(pos);
    Pose pose = PoseNow(lod);
    model->RenderProjectedShadow(renderer, &pos, &rot, m_bScaled ? &m_vScale : nullptr, pose.m_ulAnimation,
                                 pose.m_ulTime, lod, localLight, GroundInModelSpace(ground, pos, rot));
}

// The volume follows an animation in steps of ms_ulShadowAnimationStep, so a
// running animation rebuilds it a few times a second rather than every
// frame.
void ZEModelReference::RenderStencilShadow(ZERenderer* renderer, ZECamera* camera, const ZEVector& pos,
                                           const ZEVector& rot, const ZEVector& light)
{
    ZEModel* model = GetModel();
    ZEVector localLight;
    if (!model || !renderer || !ShadowSpace(pos, rot, light, localLight))
        return;
    uint32_t lod = GetShadowLOD(pos);
    Pose pose = PoseNow(lod);
    uint32_t time = pose.m_ulTime - pose.m_ulTime % ms_ulShadowAnimationStep;
    model->RenderStencilShadow(renderer, camera, &pos, &rot, m_bScaled ? &m_vScale : nullptr, pose.m_ulAnimation,
                               time, lod, localLight);
}

// ---------------------------------------------------------------------------
// ZEModelManager

ZEModelManager::ZEModelManager()
{
    ms_pModelManager = this;
}

ZEModelManager::~ZEModelManager()
{
    FreeAllModels();
    if (ms_pModelManager == this)
        ms_pModelManager = nullptr;
}

void ZEModelManager::SetModelDirectory(const ZEString& directory)
{
    m_Directory = directory;
    m_Directory.MakePathName();
}

ZEModelReference* ZEModelManager::GetModel(const ZEString& name)
{
    ZEString path(m_Directory);
    path.Append(name.CStr());
    if (ZEModelReference* shared = AlreadyLoaded(path))
        return shared;
    ZEModel* model = new ZEModel();
    if (!model->Load(path))
    {
        delete model;
        return nullptr;
    }
    AddToList(model);
    return model->GetReference();
}

ZEModelReference* ZEModelManager::GetModel(const char* name)
{
    return GetModel(ZEString(name));
}

ZEModelReference* ZEModelManager::AlreadyLoaded(const ZEString& path)
{
    for (ZEModel* model = m_pModels; model; model = model->m_pNext)
        if (model->m_Name == path)
            return model->GetReference();
    return nullptr;
}

void ZEModelManager::FreeUnusedModels()
{
    ZEModel* model = m_pModels;
    while (model)
    {
        ZEModel* next = model->m_pNext;
        if (model->m_ulReferences == 0)
        {
            RemoveFromList(model);
            delete model;
        }
        model = next;
    }
}

void ZEModelManager::FreeAllModels()
{
    while (m_pModels)
    {
        ZEModel* model = m_pModels;
        RemoveFromList(model);
        delete model;
    }
}

void ZEModelManager::AddToList(ZEModel* model)
{
    if (!model)
        return;
    model->m_pNext = nullptr;
    ZEModel** link = &m_pModels;
    while (*link)
        link = &(*link)->m_pNext;
    *link = model;
    ++m_ulNumModels;
}

void ZEModelManager::RemoveFromList(ZEModel* model)
{
    for (ZEModel** link = &m_pModels; *link; link = &(*link)->m_pNext)
    {
        if (*link != model)
            continue;
        *link = model->m_pNext;
        model->m_pNext = nullptr;
        --m_ulNumModels;
        return;
    }
}

bool ZEModelManager::Contains(const ZEModel* model, uint32_t id) const
{
    for (const ZEModel* listed = m_pModels; listed; listed = listed->m_pNext)
        if (listed == model && listed->m_ulID == id)
            return true;
    return false;
}
