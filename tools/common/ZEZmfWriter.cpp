#include "ZEZmfWriter.h"

#include "ZEFileOutput.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

// The layout this writer produces, checked against the shared records.
static_assert(_ZEZmfHeader::ms_ulSize == 16, "the model header is 16 bytes");
static_assert(_ZEZmfVertex::ms_ulSize == 20, "a vertex is five floats");
static_assert(_ZEZmfTextureHeader::ms_ulSize == 30, "a texture header is 30 bytes");
static_assert(_ZEZmfMaterial::ms_ulSize == 33, "a material is 33 bytes");
static_assert(_ZEZmfAnimationHeader::ms_ulSize == 38, "an animation header is 38 bytes");
static_assert(_ZEZmfGroupHeader::ms_ulSize == 52, "a group header is 52 bytes");
static_assert(ZE_ZMF_KEYFRAME_TIME_SIZE == 4, "a key frame begins with a 32-bit time");

namespace
{
const uint32_t kMax16 = 0xFFFF;
// The renderer draws at most 65535 indices in one call.
const uint32_t kMaxGroupTriangles = kMax16 / 3;

template <class Record>
void Append(const Record& record, std::vector<uint8_t>& bytes)
{
    size_t at = bytes.size();
    bytes.resize(at + Record::ms_ulSize);
    record.Encode(&bytes[at]);
}

void AppendLE16(uint16_t value, std::vector<uint8_t>& bytes)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void AppendLE32(uint32_t value, std::vector<uint8_t>& bytes)
{
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// Copies a name into a fixed field, zero-filled behind it.
template <size_t N>
void CopyName(const ZEString& name, char (&field)[N])
{
    std::memset(field, 0, N);
    std::memcpy(field, name.CStr(), name.GetLength() < N ? name.GetLength() : N - 1);
}

ZEVector Along(const ZEVector& axis, const ZEVector& halfSize)
{
    return ZEVector(axis.x * halfSize.x, axis.y * halfSize.y, axis.z * halfSize.z);
}
}

// ---------------------------------------------------------------------------
// Building

uint32_t ZEZmfWriter::AddVertex(const ZEVertex& vertex)
{
    m_aVertices.push_back(vertex);
    return static_cast<uint32_t>(m_aVertices.size() - 1);
}

uint32_t ZEZmfWriter::AddVertex(float x, float y, float z, float u, float v)
{
    return AddVertex(ZEVertex{x, y, z, u, v});
}

uint32_t ZEZmfWriter::AddTexture(const ZEString& name, uint16_t width, uint16_t height,
                                 const std::vector<uint8_t>& rgb)
{
    m_aTextures.push_back(Texture{name, width, height, {}, rgb});
    return static_cast<uint32_t>(m_aTextures.size());
}

uint32_t ZEZmfWriter::AddPalettedTexture(const ZEString& name, uint16_t width, uint16_t height,
                                         const std::vector<uint8_t>& palette, const std::vector<uint8_t>& indices)
{
    m_aTextures.push_back(Texture{name, width, height, palette, indices});
    return static_cast<uint32_t>(m_aTextures.size());
}

uint32_t ZEZmfWriter::AddMaterial(uint8_t r, uint8_t g, uint8_t b)
{
    _ZEZmfMaterial material{};
    material.m_aucColor[0] = r;
    material.m_aucColor[1] = g;
    material.m_aucColor[2] = b;
    m_aMaterials.push_back(material);
    return static_cast<uint32_t>(m_aMaterials.size());
}

uint32_t ZEZmfWriter::AddLevel()
{
    m_aLevels.emplace_back();
    return static_cast<uint32_t>(m_aLevels.size() - 1);
}

uint32_t ZEZmfWriter::AddAnimation(uint32_t level, const ZEString& name)
{
    if (level >= m_aLevels.size())
    {
        m_DeferredError = ZEString::Format("AddAnimation: there is no level %u", level);
        return 0;
    }
    std::vector<Animation>& animations = m_aLevels[level].m_aAnimations;
    animations.push_back(Animation{name, {}});
    return static_cast<uint32_t>(animations.size() - 1);
}

uint32_t ZEZmfWriter::AddKeyFrame(uint32_t level, uint32_t animation, uint32_t time)
{
    if (level >= m_aLevels.size() || animation >= m_aLevels[level].m_aAnimations.size())
    {
        m_DeferredError = ZEString::Format("AddKeyFrame: there is no animation %u at level %u", animation, level);
        return 0;
    }
    std::vector<KeyFrame>& frames = m_aLevels[level].m_aAnimations[animation].m_aKeyFrames;
    frames.push_back(KeyFrame{time, {}});
    return static_cast<uint32_t>(frames.size() - 1);
}

uint32_t ZEZmfWriter::AddGroup(uint32_t level, uint32_t animation, uint32_t keyFrame, const Group& group)
{
    bool exists = level < m_aLevels.size() && animation < m_aLevels[level].m_aAnimations.size() &&
                  keyFrame < m_aLevels[level].m_aAnimations[animation].m_aKeyFrames.size();
    if (!exists)
    {
        m_DeferredError = ZEString::Format("AddGroup: there is no key frame %u of animation %u at level %u",
                                           keyFrame, animation, level);
        return 0;
    }
    std::vector<Group>& groups = m_aLevels[level].m_aAnimations[animation].m_aKeyFrames[keyFrame].m_aGroups;
    groups.push_back(group);
    return static_cast<uint32_t>(groups.size() - 1);
}

ZEZmfWriter::Group ZEZmfWriter::MakeBox(const ZEVector& center, const ZEVector& halfSize, uint16_t texture,
                                        uint16_t material)
{
    // Per face: outward normal n and tangents u, v with u x v = n, so the
    // corners -u-v, +u-v, +u+v, -u+v wind around n.
    static const ZEVector faces[6][3] = {
        {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
    };
    static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

    Group group;
    group.m_usTexture = texture;
    group.m_usMaterial = material;
    for (const auto& face : faces)
    {
        uint32_t first = static_cast<uint32_t>(m_aVertices.size());
        ZEVector middle = center + Along(face[0], halfSize);
        for (const auto& corner : corners)
        {
            ZEVector p = middle + Along(face[1], halfSize) * corner[0] + Along(face[2], halfSize) * corner[1];
            AddVertex(p.x, p.y, p.z, (corner[0] + 1.0f) * 0.5f, (corner[1] + 1.0f) * 0.5f);
        }
        for (uint32_t offset : {0u, 1u, 2u, 0u, 2u, 3u})
            group.m_ausIndices.push_back(static_cast<uint16_t>(first + offset));
    }
    return group;
}

uint32_t ZEZmfWriter::AddStaticGroup(const Group& group)
{
    if (m_aLevels.empty())
        AddLevel();
    if (m_aLevels[0].m_aAnimations.empty())
        AddAnimation(0, ZEString("default"));
    if (m_aLevels[0].m_aAnimations[0].m_aKeyFrames.empty())
        AddKeyFrame(0, 0, 0);
    return AddGroup(0, 0, 0, group);
}

uint32_t ZEZmfWriter::AddMesh(const std::vector<ZEVertex>& vertices, const std::vector<uint16_t>& indices,
                              uint16_t texture, uint16_t material)
{
    uint32_t first = static_cast<uint32_t>(m_aVertices.size());
    m_aVertices.insert(m_aVertices.end(), vertices.begin(), vertices.end());
    Group group;
    group.m_usTexture = texture;
    group.m_usMaterial = material;
    for (uint16_t index : indices)
        group.m_ausIndices.push_back(static_cast<uint16_t>(first + index));
    return AddStaticGroup(group);
}

uint32_t ZEZmfWriter::AddBox(const ZEVector& center, const ZEVector& halfSize, uint16_t texture, uint16_t material)
{
    return AddStaticGroup(MakeBox(center, halfSize, texture, material));
}

uint32_t ZEZmfWriter::AddTexturedBox(const ZEVector& center, const ZEVector& halfSize, const ZEString& textureName,
                                     uint16_t width, uint16_t height, const std::vector<uint8_t>& rgb)
{
    uint32_t texture = AddTexture(textureName, width, height, rgb);
    return AddBox(center, halfSize, static_cast<uint16_t>(texture));
}

// ---------------------------------------------------------------------------
// Checking

bool ZEZmfWriter::Fail(const ZEString& message)
{
    m_Error = message;
    return false;
}

bool ZEZmfWriter::CheckCounts()
{
    if (!m_DeferredError.IsEmpty())
        return Fail(m_DeferredError);
    if (m_aVertices.size() > kMax16)
        return Fail(ZEString::Format("%zu vertices; at most 65535 fit", m_aVertices.size()));
    if (m_aTextures.size() > kMax16 || m_aMaterials.size() > kMax16 || m_aLevels.size() > kMax16)
        return Fail("more than 65535 textures, materials or levels");
    if (m_aLevels.empty())
        return Fail("no level of detail");
    size_t animations = m_aLevels[0].m_aAnimations.size();
    if (animations == 0 || animations > kMax16)
        return Fail("a model needs 1 to 65535 animations");
    for (const Level& level : m_aLevels)
        if (level.m_aAnimations.size() != animations)
            return Fail("every level needs the same number of animations");
    return true;
}

bool ZEZmfWriter::CheckTexture(const Texture& texture, uint32_t number)
{
    if (texture.m_Name.GetLength() >= sizeof(_ZEZmfTextureHeader::m_acName))
        return Fail(ZEString::Format("texture %u: the name is longer than 23 characters", number));
    if (texture.m_usWidth == 0 || texture.m_usHeight == 0)
        return Fail(ZEString::Format("texture %u has no texels", number));
    size_t texels = static_cast<size_t>(texture.m_usWidth) * texture.m_usHeight;
    if (texture.m_aPalette.empty())
        return texture.m_aTexels.size() == texels * 3 ||
               Fail(ZEString::Format("texture %u: the image needs width x height x 3 bytes", number));

    size_t paletteSize = texture.m_aPalette.size() / 3;
    if (texture.m_aPalette.size() % 3 != 0 || paletteSize > kMax16)
        return Fail(ZEString::Format("texture %u: the palette must be 1 to 65535 RGB triples", number));
    if (texture.m_aTexels.size() != texels)
        return Fail(ZEString::Format("texture %u: a paletted image needs one index a texel", number));
    for (uint8_t index : texture.m_aTexels)
        if (index >= paletteSize)
            return Fail(ZEString::Format("texture %u uses a colour beyond its palette", number));
    return true;
}

uint32_t ZEZmfWriter::TrianglesOf(const Animation& animation, uint32_t keyFrame, uint32_t group)
{
    while (keyFrame > 0 && animation.m_aKeyFrames[keyFrame].m_aGroups[group].m_usMode == ZE_ZMF_SAME_AS_PREVIOUS)
        --keyFrame;
    return static_cast<uint32_t>(animation.m_aKeyFrames[keyFrame].m_aGroups[group].m_ausIndices.size() / 3);
}

bool ZEZmfWriter::CheckAnimation(const Animation& animation, uint32_t level, uint32_t index)
{
    ZEString where = ZEString::Format("level %u, animation %u", level, index);
    if (animation.m_Name.GetLength() >= sizeof(_ZEZmfAnimationHeader::m_acName))
        return Fail(ZEString::Format("%s: the name is longer than 31 characters", where.CStr()));
    const std::vector<KeyFrame>& frames = animation.m_aKeyFrames;
    if (frames.empty() || frames.size() > kMax16)
        return Fail(ZEString::Format("%s needs 1 to 65535 key frames", where.CStr()));
    if (frames[0].m_ulTime != 0)
        return Fail(ZEString::Format("%s: the first key frame must be at 0 ms", where.CStr()));
    size_t groups = frames[0].m_aGroups.size();
    if (groups > kMax16)
        return Fail(ZEString::Format("%s: more than 65535 groups", where.CStr()));

    for (uint32_t k = 0; k < frames.size(); ++k)
    {
        ZEString frameWhere = ZEString::Format("%s, key frame %u", where.CStr(), k);
        if (k > 0 && frames[k].m_ulTime <= frames[k - 1].m_ulTime)
            return Fail(ZEString::Format("%s: key-frame times must rise", frameWhere.CStr()));
        if (frames[k].m_aGroups.size() != groups)
            return Fail(ZEString::Format("%s: every key frame needs the same groups", frameWhere.CStr()));
        for (uint32_t g = 0; g < groups; ++g)
        {
            const Group* previous = k > 0 ? &frames[k - 1].m_aGroups[g] : nullptr;
            ZEString groupWhere = ZEString::Format("%s, group %u", frameWhere.CStr(), g);
            if (!CheckGroup(frames[k].m_aGroups[g], previous, groupWhere))
                return false;
            if (previous && TrianglesOf(animation, k, g) != TrianglesOf(animation, k - 1, g))
                return Fail(ZEString::Format("%s: triangle count differs from the previous key frame",
                                             groupWhere.CStr()));
        }
    }
    uint32_t triangles = 0;
    for (uint32_t g = 0; g < groups; ++g)
        triangles += TrianglesOf(animation, 0, g);
    return triangles <= kMax16 || Fail(ZEString::Format("%s: more than 65535 triangles", where.CStr()));
}

bool ZEZmfWriter::CheckGroup(const Group& group, const Group* previous, const ZEString& where)
{
    if (group.m_usTexture > m_aTextures.size())
        return Fail(ZEString::Format("%s: texture number beyond the textures", where.CStr()));
    if (group.m_usMaterial > m_aMaterials.size())
        return Fail(ZEString::Format("%s: material number beyond the materials", where.CStr()));
    if (group.m_usMode == ZE_ZMF_SAME_AS_PREVIOUS)
        return previous || Fail(ZEString::Format("%s: mode 1 in a first key frame", where.CStr()));
    if (group.m_ausIndices.size() % 3 != 0)
        return Fail(ZEString::Format("%s: the index count is not a multiple of 3", where.CStr()));
    if (group.m_ausIndices.size() / 3 > kMaxGroupTriangles)
        return Fail(ZEString::Format("%s: more than %u triangles", where.CStr(), kMaxGroupTriangles));
    for (uint16_t index : group.m_ausIndices)
        if (index >= m_aVertices.size())
            return Fail(ZEString::Format("%s: vertex index %u beyond the vertices", where.CStr(), index));
    return true;
}

// The loader numbers one colour-keyed copy per keyed texture after the
// model's own textures; those numbers must fit 16 bits too.
bool ZEZmfWriter::CheckColorKeyedCopies()
{
    std::set<uint16_t> keyed;
    for (uint32_t l = 0; l < m_aLevels.size(); ++l)
        for (const Animation& animation : m_aLevels[l].m_aAnimations)
            for (uint32_t k = 0; k < animation.m_aKeyFrames.size(); ++k)
                for (uint32_t g = 0; g < animation.m_aKeyFrames[k].m_aGroups.size(); ++g)
                {
                    // Mode 1 takes its keying from the group it repeats.
                    uint32_t from = k;
                    while (from > 0 && animation.m_aKeyFrames[from].m_aGroups[g].m_usMode == ZE_ZMF_SAME_AS_PREVIOUS)
                        --from;
                    uint16_t mode = animation.m_aKeyFrames[from].m_aGroups[g].m_usMode;
                    uint16_t texture = animation.m_aKeyFrames[k].m_aGroups[g].m_usTexture;
                    bool colorKeyed = mode == ZE_ZMF_COLOR_KEYED || mode == ZE_ZMF_COLOR_KEYED_ENVIRONMENT;
                    if (colorKeyed && texture != 0)
                        keyed.insert(texture);
                }
    return m_aTextures.size() + keyed.size() <= kMax16 ||
           Fail("too many textures to add the colour-keyed copies");
}

// ---------------------------------------------------------------------------
// Encoding

void ZEZmfWriter::EncodeHeader(std::vector<uint8_t>& bytes) const
{
    _ZEZmfHeader header{};
    header.SetMagic();
    header.m_usNumLODs = static_cast<uint16_t>(m_aLevels.size());
    header.m_usNumAnimations = static_cast<uint16_t>(m_aLevels[0].m_aAnimations.size());
    header.m_usNumTextures = static_cast<uint16_t>(m_aTextures.size());
    header.m_usNumMaterials = static_cast<uint16_t>(m_aMaterials.size());
    header.m_usNumVertices = static_cast<uint16_t>(m_aVertices.size());
    Append(header, bytes);
    for (const ZEVertex& vertex : m_aVertices)
    {
        size_t at = bytes.size();
        bytes.resize(at + _ZEZmfVertex::ms_ulSize);
        _ZEZmfVertex::Encode(vertex, &bytes[at]);
    }
}

void ZEZmfWriter::EncodeTextures(std::vector<uint8_t>& bytes) const
{
    for (const Texture& texture : m_aTextures)
    {
        _ZEZmfTextureHeader header{};
        CopyName(texture.m_Name, header.m_acName);
        header.m_usWidth = texture.m_usWidth;
        header.m_usHeight = texture.m_usHeight;
        header.m_usPaletteSize = static_cast<uint16_t>(texture.m_aPalette.size() / 3);
        Append(header, bytes);
        bytes.insert(bytes.end(), texture.m_aPalette.begin(), texture.m_aPalette.end());
        bytes.insert(bytes.end(), texture.m_aTexels.begin(), texture.m_aTexels.end());
    }
    for (const _ZEZmfMaterial& material : m_aMaterials)
        Append(material, bytes);
}

void ZEZmfWriter::EncodeAnimation(const Animation& animation, std::vector<uint8_t>& bytes) const
{
    uint32_t groups = static_cast<uint32_t>(animation.m_aKeyFrames[0].m_aGroups.size());
    _ZEZmfAnimationHeader header{};
    CopyName(animation.m_Name, header.m_acName);
    header.m_usNumKeyFrames = static_cast<uint16_t>(animation.m_aKeyFrames.size());
    uint32_t triangles = 0;
    for (uint32_t g = 0; g < groups; ++g)
        triangles += TrianglesOf(animation, 0, g);
    header.m_usNumTriangles = static_cast<uint16_t>(triangles);
    header.m_usNumGroups = static_cast<uint16_t>(groups);
    Append(header, bytes);

    for (uint32_t k = 0; k < animation.m_aKeyFrames.size(); ++k)
    {
        AppendLE32(animation.m_aKeyFrames[k].m_ulTime, bytes);
        for (uint32_t g = 0; g < groups; ++g)
            EncodeGroup(animation, k, g, bytes);
    }
}

void ZEZmfWriter::EncodeGroup(const Animation& animation, uint32_t keyFrame, uint32_t group,
                              std::vector<uint8_t>& bytes) const
{
    const Group& source = animation.m_aKeyFrames[keyFrame].m_aGroups[group];
    _ZEZmfGroupHeader header{};
    header.m_usNumTriangles = static_cast<uint16_t>(TrianglesOf(animation, keyFrame, group));
    header.m_usTexture = source.m_usTexture;
    header.m_usMaterial = source.m_usMaterial;
    header.m_fOpacity = source.m_fOpacity;
    std::memcpy(header.m_aucColorKey, source.m_aucColorKey, 3);
    header.m_usMode = source.m_usMode;
    Append(header, bytes);
    if (source.m_usMode == ZE_ZMF_SAME_AS_PREVIOUS)
        return;
    for (uint16_t index : source.m_ausIndices)
        AppendLE16(index, bytes);
}

bool ZEZmfWriter::Build(std::vector<uint8_t>& bytes)
{
    if (!CheckCounts())
        return false;
    for (uint32_t i = 0; i < m_aTextures.size(); ++i)
        if (!CheckTexture(m_aTextures[i], i + 1))
            return false;
    for (uint32_t l = 0; l < m_aLevels.size(); ++l)
        for (uint32_t a = 0; a < m_aLevels[l].m_aAnimations.size(); ++a)
            if (!CheckAnimation(m_aLevels[l].m_aAnimations[a], l, a))
                return false;
    if (!CheckColorKeyedCopies())
        return false;

    std::vector<uint8_t> file;
    EncodeHeader(file);
    EncodeTextures(file);
    for (const Level& level : m_aLevels)
        for (const Animation& animation : level.m_aAnimations)
            EncodeAnimation(animation, file);
    bytes.swap(file);
    m_Error = ZEString();
    return true;
}

bool ZEZmfWriter::Write(const ZEString& path)
{
    std::vector<uint8_t> bytes;
    return Build(bytes) && ZEWriteFileAtomically(path, bytes, m_Error);
}
