#include "ZEBspWriter.h"

#include "ZEFileOutput.h"

#include "math/ZEPlane.h"
#include "resources/ZETextureManager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace
{
const size_t kMax16 = 65535;

uint32_t FloatBits(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    return bits;
}

void PutBytes(std::vector<uint8_t>& bytes, const void* data, size_t count)
{
    const uint8_t* from = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), from, from + count);
}

// Appends a record of `size` bytes laid out by `record.Encode`.
template <typename Record>
void PutRecord(std::vector<uint8_t>& bytes, const Record& record, uint32_t size)
{
    size_t at = bytes.size();
    bytes.resize(at + size);
    record.Encode(bytes.data() + at);
}

void PutLE16(std::vector<uint8_t>& bytes, uint16_t value)
{
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
}

void PutLEFloat(std::vector<uint8_t>& bytes, float value)
{
    uint32_t bits = FloatBits(value);
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
}

void CopyVector(const ZEVector& v, float* to)
{
    to[0] = v.x;
    to[1] = v.y;
    to[2] = v.z;
}

void Widen(ZEVector& min, ZEVector& max, const ZEVector& p)
{
    min = ZEVector(std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z));
    max = ZEVector(std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z));
}
}

// ---------------------------------------------------------------------------
// ZEBspData

ZEBspData& ZEBspData::Byte(uint8_t value)
{
    m_aucBytes.push_back(value);
    return *this;
}

ZEBspData& ZEBspData::U16(uint16_t value)
{
    PutLE16(m_aucBytes, value);
    return *this;
}

ZEBspData& ZEBspData::U32(uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        m_aucBytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
}

ZEBspData& ZEBspData::Long(int32_t value)
{
    return U32(static_cast<uint32_t>(value));
}

ZEBspData& ZEBspData::Float(float value)
{
    PutLEFloat(m_aucBytes, value);
    return *this;
}

ZEBspData& ZEBspData::Vector(const ZEVector& value)
{
    return Float(value.x).Float(value.y).Float(value.z);
}

ZEBspData& ZEBspData::Text(const ZEString& text, uint32_t size)
{
    if (size == 0)
        return *this;
    uint32_t length = std::min(text.GetLength(), size - 1);
    PutBytes(m_aucBytes, text.CStr(), length);
    return Zeros(size - length);
}

ZEBspData& ZEBspData::Zeros(uint32_t count)
{
    m_aucBytes.insert(m_aucBytes.end(), count, 0);
    return *this;
}

// ---------------------------------------------------------------------------
// Building the model

void ZEBspWriter::Face::SetLightmap(uint16_t width, uint16_t height, uint8_t value)
{
    m_usLightmapWidth = width;
    m_usLightmapHeight = height;
    m_aucLightmap.assign(static_cast<size_t>(width) * height, value);
}

uint32_t ZEBspWriter::AddTexture(const ZEString& name, const ZEString& package, bool animated)
{
    m_aTextures.push_back(Texture{name, package, animated});
    return static_cast<uint32_t>(m_aTextures.size());
}

uint32_t ZEBspWriter::AddPosition(const ZEVector& position)
{
    m_avPositions.push_back(position);
    return static_cast<uint32_t>(m_avPositions.size() - 1);
}

uint32_t ZEBspWriter::AddTexCoord(float u, float v)
{
    m_aTexCoords.push_back(TexCoord{u, v});
    return static_cast<uint32_t>(m_aTexCoords.size() - 1);
}

uint32_t ZEBspWriter::AddVertex(uint16_t position, uint16_t texCoord, uint16_t lightmapCoord)
{
    m_aVertices.push_back(_ZEBSPVertex{position, texCoord, lightmapCoord});
    return static_cast<uint32_t>(m_aVertices.size() - 1);
}

uint32_t ZEBspWriter::AddLitVertex(const ZELVertex& vertex)
{
    auto positionKey = std::make_tuple(FloatBits(vertex.x), FloatBits(vertex.y), FloatBits(vertex.z));
    auto position = m_PositionIndex.find(positionKey);
    if (position == m_PositionIndex.end())
        position = m_PositionIndex.emplace(positionKey, AddPosition(ZEVector(vertex.x, vertex.y, vertex.z))).first;

    auto pairOf = [this](float u, float v) {
        auto key = std::make_pair(FloatBits(u), FloatBits(v));
        auto found = m_TexCoordIndex.find(key);
        if (found == m_TexCoordIndex.end())
            found = m_TexCoordIndex.emplace(key, AddTexCoord(u, v)).first;
        return found->second;
    };
    uint32_t texCoord = pairOf(vertex.u, vertex.v);
    uint32_t lightmapCoord = pairOf(vertex.lu, vertex.lv);
    return AddVertex(static_cast<uint16_t>(position->second), static_cast<uint16_t>(texCoord),
                     static_cast<uint16_t>(lightmapCoord));
}

ZEBspWriter::Face ZEBspWriter::MakeFace(uint16_t texture, const std::vector<uint16_t>& indices,
                                        uint8_t opacity) const
{
    Face face;
    face.m_usTexture = texture;
    face.m_ausIndices = indices;
    face.m_aucData.assign(m_usFaceDataSize, 0);
    if (!face.m_aucData.empty())
        face.m_aucData[0] = opacity;

    auto positionOf = [this](uint16_t index, ZEVector& p) {
        if (index >= m_aVertices.size() || m_aVertices[index].m_usPosition >= m_avPositions.size())
            return false;
        p = m_avPositions[m_aVertices[index].m_usPosition];
        return true;
    };
    ZEVector a, b, c;
    if (indices.size() >= 3 && positionOf(indices[0], a) && positionOf(indices[1], b) && positionOf(indices[2], c))
    {
        ZEPlane plane(a, b, c);
        face.m_vNormal = plane.m_vNormal;
        face.m_fDistance = static_cast<float>(plane.m_dDistance);
    }
    return face;
}

uint32_t ZEBspWriter::AddNode(const Node& node)
{
    m_aNodes.push_back(node);
    return static_cast<uint32_t>(m_aNodes.size() - 1);
}

uint32_t ZEBspWriter::AddLeaf(const std::vector<Face>& faces)
{
    Node leaf;
    leaf.m_bLeaf = true;
    leaf.m_aFaces = faces;
    if (!faces.empty())
    {
        leaf.m_vNormal = faces[0].m_vNormal;
        leaf.m_fDistance = faces[0].m_fDistance;
    }
    bool first = true;
    for (const Face& face : faces)
        for (uint16_t index : face.m_ausIndices)
        {
            if (index >= m_aVertices.size() || m_aVertices[index].m_usPosition >= m_avPositions.size())
                continue;
            const ZEVector& p = m_avPositions[m_aVertices[index].m_usPosition];
            if (first)
                leaf.m_vMin = leaf.m_vMax = p;
            Widen(leaf.m_vMin, leaf.m_vMax, p);
            first = false;
        }
    return AddNode(leaf);
}

uint32_t ZEBspWriter::AddInner(const ZEVector& normal, float distance, int32_t front, int32_t back)
{
    Node inner;
    inner.m_vNormal = normal;
    inner.m_fDistance = distance;
    inner.m_lFront = front;
    inner.m_lBack = back;
    bool first = true;
    for (int32_t child : {front, back})
    {
        if (child < 0 || static_cast<size_t>(child) >= m_aNodes.size())
            continue;
        const Node& node = m_aNodes[child];
        if (first)
        {
            inner.m_vMin = node.m_vMin;
            inner.m_vMax = node.m_vMax;
        }
        Widen(inner.m_vMin, inner.m_vMax, node.m_vMin);
        Widen(inner.m_vMin, inner.m_vMax, node.m_vMax);
        first = false;
    }
    return AddNode(inner);
}

uint32_t ZEBspWriter::AddEntity(const ZEString& className, const ZEVector& origin, const std::vector<uint8_t>& data)
{
    Entity entity;
    entity.m_ClassName = className;
    entity.m_vOrigin = origin;
    entity.m_aucData = data;
    m_aEntities.push_back(std::move(entity));
    return static_cast<uint32_t>(m_aEntities.size() - 1);
}

// ---------------------------------------------------------------------------
// Checking

bool ZEBspWriter::Fail(const ZEString& message)
{
    m_Error = message;
    return false;
}

int32_t ZEBspWriter::GetRoot() const
{
    return m_lRoot >= 0 ? m_lRoot : static_cast<int32_t>(m_aNodes.size()) - 1;
}

bool ZEBspWriter::CheckTables()
{
    if (m_aTextures.size() > kMax16 || m_avPositions.size() > kMax16 || m_aTexCoords.size() > kMax16 ||
        m_aVertices.size() > kMax16 || m_aEntities.size() > kMax16)
        return Fail("more than 65535 textures, positions, coordinate pairs, vertices or entities");
    for (size_t t = 0; t < m_aTextures.size(); ++t)
        if (m_aTextures[t].m_Name.GetLength() > 11 || m_aTextures[t].m_Package.GetLength() > 11)
            return Fail(ZEString::Format("texture %zu: a name or package is longer than 11 characters", t + 1));
    for (size_t v = 0; v < m_aVertices.size(); ++v)
    {
        const _ZEBSPVertex& vertex = m_aVertices[v];
        if (vertex.m_usPosition >= m_avPositions.size())
            return Fail(ZEString::Format("vertex %zu names a position that does not exist", v));
        if (vertex.m_usTexCoord >= m_aTexCoords.size() || vertex.m_usLightmapCoord >= m_aTexCoords.size())
            return Fail(ZEString::Format("vertex %zu names a coordinate pair that does not exist", v));
    }
    return true;
}

bool ZEBspWriter::CheckFace(const Face& face, const ZEString& where)
{
    if (face.m_usTexture == 0 || face.m_usTexture > m_aTextures.size())
        return Fail(ZEString::Format("%s: texture %u is not in the table", where.CStr(), face.m_usTexture));
    size_t indices = face.m_ausIndices.size();
    if (indices == 0 || indices > kMax16 || indices % 3 != 0)
        return Fail(ZEString::Format("%s needs 1 to 21845 triangles, three indices each", where.CStr()));
    for (uint16_t index : face.m_ausIndices)
        if (index >= m_aVertices.size())
            return Fail(ZEString::Format("%s: index %u is beyond the vertices", where.CStr(), index));
    if (face.m_aucData.size() != m_usFaceDataSize)
        return Fail(ZEString::Format("%s needs exactly %u attribute bytes", where.CStr(), m_usFaceDataSize));
    size_t texels = static_cast<size_t>(face.m_usLightmapWidth) * face.m_usLightmapHeight;
    if (face.m_aucLightmap.size() != texels)
        return Fail(ZEString::Format("%s: the lightmap needs width x height bytes", where.CStr()));
    return true;
}

bool ZEBspWriter::CheckNode(int32_t index, uint32_t depth, std::vector<bool>& reached)
{
    if (index < 0 || static_cast<size_t>(index) >= m_aNodes.size())
        return Fail(ZEString::Format("node %d does not exist", index));
    if (reached[index])
        return Fail(ZEString::Format("node %d is reached twice", index));
    if (depth > ZE_BSP_MAX_DEPTH)
        return Fail(ZEString::Format("the tree is deeper than %u nodes", ZE_BSP_MAX_DEPTH));
    reached[index] = true;

    const Node& node = m_aNodes[index];
    bool children = node.m_lFront >= 0 || node.m_lBack >= 0;
    if (node.m_bLeaf)
    {
        if (node.m_aFaces.empty() || children)
            return Fail(ZEString::Format("leaf %d needs faces and no children", index));
        for (size_t f = 0; f < node.m_aFaces.size(); ++f)
            if (!CheckFace(node.m_aFaces[f], ZEString::Format("node %d face %zu", index, f)))
                return false;
        return true;
    }
    if (!node.m_aFaces.empty() || !children)
        return Fail(ZEString::Format("inner node %d needs a child and no faces", index));
    return (node.m_lFront < 0 || CheckNode(node.m_lFront, depth + 1, reached)) &&
           (node.m_lBack < 0 || CheckNode(node.m_lBack, depth + 1, reached));
}

bool ZEBspWriter::CheckTree()
{
    if (m_aNodes.empty())
        return Fail("the map has no node");
    std::vector<bool> reached(m_aNodes.size(), false);
    if (!CheckNode(GetRoot(), 1, reached))
        return false;
    auto stray = std::find(reached.begin(), reached.end(), false);
    if (stray != reached.end())
        return Fail(ZEString::Format("node %td is not in the tree", stray - reached.begin()));
    return true;
}

bool ZEBspWriter::CheckEntity(const Entity& entity, uint32_t number)
{
    if (entity.m_ClassName.GetLength() > 23)
        return Fail(ZEString::Format("entity %u: the class name is longer than 23 characters", number));
    if (entity.m_aucData.size() > kMax16 || entity.m_aPolygons.size() > kMax16)
        return Fail(ZEString::Format("entity %u: more than 65535 data bytes or polygons", number));
    for (size_t p = 0; p < entity.m_aPolygons.size(); ++p)
        if (!CheckFace(entity.m_aPolygons[p], ZEString::Format("entity %u polygon %zu", number, p)))
            return false;
    return true;
}

// ---------------------------------------------------------------------------
// Encoding

void ZEBspWriter::EncodeHeader(std::vector<uint8_t>& bytes) const
{
    _ZEBSPHeader header = _ZEBSPHeader::Make();
    header.m_usFaceDataSize = m_usFaceDataSize;
    header.m_usNumTextures = static_cast<uint16_t>(m_aTextures.size());
    header.m_usNumEntities = static_cast<uint16_t>(m_aEntities.size());
    header.m_usNumVertices = static_cast<uint16_t>(m_aVertices.size());
    header.m_usNumPositions = static_cast<uint16_t>(m_avPositions.size());
    header.m_usNumTexCoords = static_cast<uint16_t>(m_aTexCoords.size());
    PutRecord(bytes, header, _ZEBSPHeader::ms_ulSize);
}

void ZEBspWriter::EncodeTables(std::vector<uint8_t>& bytes) const
{
    for (const Texture& texture : m_aTextures)
    {
        _TextureInformation info{};
        std::memcpy(info.m_acName, texture.m_Name.CStr(), texture.m_Name.GetLength());
        std::memcpy(info.m_acPackage, texture.m_Package.CStr(), texture.m_Package.GetLength());
        info.m_ucAnimated = texture.m_bAnimated ? 1 : 0;
        PutBytes(bytes, &info, sizeof(info));
    }
    for (const ZEVector& position : m_avPositions)
    {
        PutLEFloat(bytes, position.x);
        PutLEFloat(bytes, position.y);
        PutLEFloat(bytes, position.z);
    }
    for (const TexCoord& pair : m_aTexCoords)
    {
        PutLEFloat(bytes, pair.u);
        PutLEFloat(bytes, pair.v);
    }
    for (const _ZEBSPVertex& vertex : m_aVertices)
        PutRecord(bytes, vertex, _ZEBSPVertex::ms_ulSize);
}

void ZEBspWriter::EncodeFace(const Face& face, std::vector<uint8_t>& bytes) const
{
    _ZEBSPFaceRecord record{};
    record.m_usNumIndices = static_cast<uint16_t>(face.m_ausIndices.size());
    record.m_usTexture = face.m_usTexture;
    record.m_usLightmapWidth = face.m_usLightmapWidth;
    record.m_usLightmapHeight = face.m_usLightmapHeight;
    CopyVector(face.m_vNormal, record.m_afNormal);
    record.m_fDistance = face.m_fDistance;
    PutRecord(bytes, record, _ZEBSPFaceRecord::ms_ulSize);
    for (uint16_t index : face.m_ausIndices)
        PutLE16(bytes, index);
    bytes.insert(bytes.end(), face.m_aucData.begin(), face.m_aucData.end());
    bytes.insert(bytes.end(), face.m_aucLightmap.begin(), face.m_aucLightmap.end());
}

void ZEBspWriter::EncodeNode(int32_t index, std::vector<uint8_t>& bytes) const
{
    const Node& node = m_aNodes[index];
    _ZEBSPNodeRecord record{};
    record.m_ulNumFaces = node.m_bLeaf ? static_cast<uint32_t>(node.m_aFaces.size()) : 0;
    record.m_ucFront = node.m_lFront >= 0 ? 1 : 0;
    record.m_ucBack = node.m_lBack >= 0 ? 1 : 0;
    CopyVector(node.m_vNormal, record.m_afNormal);
    record.m_fDistance = node.m_fDistance;
    CopyVector(node.m_vMin, record.m_afMin);
    CopyVector(node.m_vMax, record.m_afMax);
    PutRecord(bytes, record, _ZEBSPNodeRecord::ms_ulSize);

    if (node.m_bLeaf)
    {
        for (const Face& face : node.m_aFaces)
            EncodeFace(face, bytes);
        return;
    }
    if (node.m_lFront >= 0)
        EncodeNode(node.m_lFront, bytes);
    if (node.m_lBack >= 0)
        EncodeNode(node.m_lBack, bytes);
}

void ZEBspWriter::EncodeEntity(const Entity& entity, std::vector<uint8_t>& bytes) const
{
    _ZEBSPEntityRecord record{};
    CopyVector(entity.m_vOrigin, record.m_afPosition);
    std::memcpy(record.m_acClassName, entity.m_ClassName.CStr(), entity.m_ClassName.GetLength());
    record.m_ucPolygons = entity.m_aPolygons.empty() ? 0 : 1;
    record.m_usDataSize = static_cast<uint16_t>(entity.m_aucData.size());
    record.m_usNumPolygons = static_cast<uint16_t>(entity.m_aPolygons.size());
    PutRecord(bytes, record, _ZEBSPEntityRecord::ms_ulSize);
    bytes.insert(bytes.end(), entity.m_aucData.begin(), entity.m_aucData.end());
    for (const Face& polygon : entity.m_aPolygons)
        EncodeFace(polygon, bytes);
}

bool ZEBspWriter::Build(std::vector<uint8_t>& bytes)
{
    m_Error = ZEString();
    if (!CheckTables() || !CheckTree())
        return false;
    for (size_t e = 0; e < m_aEntities.size(); ++e)
        if (!CheckEntity(m_aEntities[e], static_cast<uint32_t>(e)))
            return false;

    std::vector<uint8_t> file;
    EncodeHeader(file);
    EncodeTables(file);
    EncodeNode(GetRoot(), file);
    for (const Entity& entity : m_aEntities)
        EncodeEntity(entity, file);
    bytes.swap(file);
    return true;
}

bool ZEBspWriter::Write(const ZEString& path)
{
    std::vector<uint8_t> bytes;
    return Build(bytes) && ZEWriteFileAtomically(path, bytes, m_Error);
}
