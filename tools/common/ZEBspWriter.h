// ZEBspWriter: builds a map in memory and writes it as a ".bsp" file.
//
// The model mirrors the file. A map is
//   - a texture table (name and package of at most 11 characters each, an
//     animated flag), numbered from 1 in the order added; faces name their
//     texture by that number, 0 is never valid;
//   - shared positions (x, y, z) and texture coordinate pairs (u, v);
//   - lit vertices, each three indices: a position, a pair for the texture
//     and a pair for the lightmap. Faces index these vertices. AddLitVertex
//     takes a whole ZELVertex and shares equal positions and pairs;
//   - a node tree of nodes kept in m_aNodes and linked by index (front and
//     back, -1 for none). A leaf holds one or more faces and no children;
//     an inner node holds no faces and one or two children. Every node has
//     a plane (n.p + D, the front child on the positive side) and a box;
//     the root is m_lRoot, or the last node added while m_lRoot is -1, so
//     a tree can be built from the leaves up;
//   - faces: a texture number, a plane, three indices a triangle into the
//     lit vertices, exactly m_usFaceDataSize attribute bytes (byte 0 is the
//     opacity, 255 opaque; the rest belong to the game) and a luminance
//     lightmap of width x height bytes (0 x 0 for none);
//   - entities: a class name (at most 23 characters), an origin, a data
//     block whose meaning the class decides (ZEBspData lays one out), and
//     polygons made like faces (their plane is not read).
//
// Build and Write refuse, with the reason in GetError(), everything the
// map loader would reject: counts beyond their 16-bit fields (textures,
// positions, pairs, vertices, entities, indices of a face, polygons of an
// entity, a data block's length), names that do not fit their fields with
// a terminator, a texture number of 0 or beyond the table, a vertex naming
// a position or pair that does not exist, a face index beyond the vertices,
// a face without triangles or with an index count not a multiple of 3,
// attribute bytes other than m_usFaceDataSize, lightmap bytes other than
// width x height, no root, a node index beyond the list, a node reached
// twice or never, a leaf without faces or with children, an inner node
// with faces or without children, and a tree deeper than ZE_BSP_MAX_DEPTH.
//
// The file is laid out with the loader's own records
// (world/ZEBSPTerrain.h); unused bytes are zeros. Write replaces the file
// at the path only when everything was written.
#pragma once

#include "core/ZEString.h"
#include "math/ZEVector.h"
#include "math/ZEVertex.h"
#include "world/ZEBSPTerrain.h"

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

// A little-endian, unaligned entity data block, filled field by field.
class ZEBspData
{
public:
    ZEBspData& Byte(uint8_t value);
    ZEBspData& U16(uint16_t value);
    ZEBspData& U32(uint32_t value);
    ZEBspData& Long(int32_t value);
    ZEBspData& Float(float value);
    ZEBspData& Vector(const ZEVector& value);
    // `text` zero-padded to `size` bytes; cut to size - 1 characters so a
    // terminator always fits.
    ZEBspData& Text(const ZEString& text, uint32_t size);
    ZEBspData& Zeros(uint32_t count);

    std::vector<uint8_t> m_aucBytes;
};

class ZEBspWriter
{
public:
    struct Texture
    {
        ZEString m_Name;
        ZEString m_Package;
        bool m_bAnimated = false;
    };

    struct TexCoord
    {
        float u = 0.0f;
        float v = 0.0f;
    };

    struct Face
    {
        uint16_t m_usTexture = 1;                // 1-based
        ZEVector m_vNormal;
        float m_fDistance = 0.0f;
        std::vector<uint16_t> m_ausIndices;      // into m_aVertices, 3 a triangle
        std::vector<uint8_t> m_aucData;          // attribute bytes; [0] = opacity
        uint16_t m_usLightmapWidth = 0;
        uint16_t m_usLightmapHeight = 0;
        std::vector<uint8_t> m_aucLightmap;      // width x height luminance bytes

        // A uniform lightmap of width x height bytes of `value`.
        void SetLightmap(uint16_t width, uint16_t height, uint8_t value);
    };

    struct Node
    {
        bool m_bLeaf = false;
        ZEVector m_vNormal;
        float m_fDistance = 0.0f;
        ZEVector m_vMin;
        ZEVector m_vMax;
        std::vector<Face> m_aFaces;              // a leaf's, in drawing order
        int32_t m_lFront = -1;                   // index into m_aNodes; -1 none
        int32_t m_lBack = -1;
    };

    struct Entity
    {
        ZEString m_ClassName;
        ZEVector m_vOrigin;
        std::vector<uint8_t> m_aucData;
        std::vector<Face> m_aPolygons;           // non-empty: the polygon flag is set
    };

    // Numbers as the file uses them: textures 1-based, the rest 0-based.
    // Counted on past 65535; Build refuses such a map.
    uint32_t AddTexture(const ZEString& name, const ZEString& package = ZEString(""), bool animated = false);
    uint32_t AddPosition(const ZEVector& position);
    uint32_t AddTexCoord(float u, float v);
    uint32_t AddVertex(uint16_t position, uint16_t texCoord, uint16_t lightmapCoord);
    // A vertex of the position and pairs of `vertex`, sharing equal
    // positions and pairs already added through this call.
    uint32_t AddLitVertex(const ZELVertex& vertex);

    // A face over `indices` with its plane taken from its first triangle
    // as ZEPlane(a, b, c) makes it (the engine's winding), attribute bytes of
    // m_usFaceDataSize with byte 0 = opacity, and no lightmap. Indices that
    // do not name vertices give a zero plane (Build refuses them anyway).
    Face MakeFace(uint16_t texture, const std::vector<uint16_t>& indices, uint8_t opacity = 255) const;

    // Node indices into m_aNodes.
    uint32_t AddNode(const Node& node);
    // A leaf of `faces`, plane from the first face, box around their
    // vertices.
    uint32_t AddLeaf(const std::vector<Face>& faces);
    // An inner node on plane n.p + D, box around its children's boxes.
    uint32_t AddInner(const ZEVector& normal, float distance, int32_t front, int32_t back);

    uint32_t AddEntity(const ZEString& className, const ZEVector& origin,
                       const std::vector<uint8_t>& data = std::vector<uint8_t>());

    // The whole file; false (bytes untouched) when the map would not load.
    bool Build(std::vector<uint8_t>& bytes);
    bool Write(const ZEString& path);
    const ZEString& GetError() const { return m_Error; }

    uint16_t m_usFaceDataSize = 1;
    std::vector<Texture> m_aTextures;
    std::vector<ZEVector> m_avPositions;
    std::vector<TexCoord> m_aTexCoords;
    std::vector<_ZEBSPVertex> m_aVertices;
    std::vector<Node> m_aNodes;
    int32_t m_lRoot = -1;                        // -1: the last node added
    std::vector<Entity> m_aEntities;

private:
    bool Fail(const ZEString& message);
    int32_t GetRoot() const;

    bool CheckTables();
    bool CheckTree();
    bool CheckNode(int32_t index, uint32_t depth, std::vector<bool>& reached);
    bool CheckFace(const Face& face, const ZEString& where);
    bool CheckEntity(const Entity& entity, uint32_t number);

    void EncodeHeader(std::vector<uint8_t>& bytes) const;
    void EncodeTables(std::vector<uint8_t>& bytes) const;
    void EncodeNode(int32_t index, std::vector<uint8_t>& bytes) const;
    void EncodeFace(const Face& face, std::vector<uint8_t>& bytes) const;
    void EncodeEntity(const Entity& entity, std::vector<uint8_t>& bytes) const;

    ZEString m_Error;
    // What AddLitVertex has already added, by bit pattern.
    std::map<std::tuple<uint32_t, uint32_t, uint32_t>, uint32_t> m_PositionIndex;
    std::map<std::pair<uint32_t, uint32_t>, uint32_t> m_TexCoordIndex;
};
