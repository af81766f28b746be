// ZEZmfWriter: builds a model in memory and writes it as a ".zmf" file.
//
// A model is shared vertices, textures and materials (numbered from 1 in
// the order added; 0 means none), and levels of detail, each with the same
// number of animations, each a list of key frames, each a list of triangle
// groups that index the shared vertices. The writer keeps all of it as
// plain values and lays the file out with the engine's own records
// (resources/ZEModelManager.h), so what it writes is byte for byte what the
// model loader reads.
//
// Build and Write refuse, with a message in GetError(), everything the
// loader would reject: no level, no animation, levels with different
// animation counts, an animation without key frames, a first key frame not
// at 0 ms or times that do not rise, key frames of one animation with
// different group counts or group triangle counts, mode 1 (same as
// previous) in a first key frame, an index count that is not a multiple of
// 3, vertex indices, texture or material numbers beyond their tables, a
// palette index beyond its palette, names that do not fit their fields
// with a terminator, and counts beyond their 16-bit fields.
//
// Unused bytes of every record are written as zeros. Write goes to
// "<path>.tmp" first and renames it over the target only when everything
// was written.
#pragma once

#include "core/ZEString.h"
#include "math/ZEVector.h"
#include "math/ZEVertex.h"
#include "resources/ZEModelManager.h"

#include <cstdint>
#include <vector>

class ZEZmfWriter
{
public:
    struct Group
    {
        uint16_t m_usTexture = 0;              // 1-based, 0 = untextured
        uint16_t m_usMaterial = 0;             // 1-based, 0 = white
        float m_fOpacity = 1.0f;
        uint8_t m_aucColorKey[3] = {0, 0, 0};
        uint16_t m_usMode = ZE_ZMF_PLAIN;      // ZEZmfGroupMode
        std::vector<uint16_t> m_ausIndices;    // 3 per triangle; not written in mode 1
    };

    struct KeyFrame
    {
        uint32_t m_ulTime = 0;
        std::vector<Group> m_aGroups;
    };

    struct Animation
    {
        ZEString m_Name;
        std::vector<KeyFrame> m_aKeyFrames;
    };

    struct Level
    {
        std::vector<Animation> m_aAnimations;
    };

    struct Texture
    {
        ZEString m_Name;
        uint16_t m_usWidth = 0;
        uint16_t m_usHeight = 0;
        std::vector<uint8_t> m_aPalette;       // RGB triples; empty for true colour
        std::vector<uint8_t> m_aTexels;        // RGB triples, or one palette index a texel
    };

    // The index of the new vertex (counted on past 65535; Build refuses
    // such a model).
    uint32_t AddVertex(const ZEVertex& vertex);
    uint32_t AddVertex(float x, float y, float z, float u, float v);

    // Texture and material numbers (1-based) as groups use them.
    uint32_t AddTexture(const ZEString& name, uint16_t width, uint16_t height, const std::vector<uint8_t>& rgb);
    uint32_t AddPalettedTexture(const ZEString& name, uint16_t width, uint16_t height,
                                const std::vector<uint8_t>& palette, const std::vector<uint8_t>& indices);
    uint32_t AddMaterial(uint8_t r, uint8_t g, uint8_t b);

    // Structure, by index. An index that does not exist is remembered as an
    // error that Build reports; nothing is added then.
    uint32_t AddLevel();
    uint32_t AddAnimation(uint32_t level, const ZEString& name);
    uint32_t AddKeyFrame(uint32_t level, uint32_t animation, uint32_t time);
    uint32_t AddGroup(uint32_t level, uint32_t animation, uint32_t keyFrame, const Group& group);

    // Adds the 24 vertices of an axis-aligned box (four per face, texture
    // coordinates 0..1 on every face) and returns a group of its 12
    // triangles, each face's normal pointing outward.
    Group MakeBox(const ZEVector& center, const ZEVector& halfSize, uint16_t texture = 0, uint16_t material = 0);
    // Adds the vertices and a group of the triangles (indices into
    // `vertices`) to the static frame: level 0, animation 0 ("default"),
    // key frame 0 at 0 ms, each made when missing. Returns the group's index.
    uint32_t AddMesh(const std::vector<ZEVertex>& vertices, const std::vector<uint16_t>& indices,
                     uint16_t texture = 0, uint16_t material = 0);
    // MakeBox's group in the static frame; returns the group's index.
    uint32_t AddBox(const ZEVector& center, const ZEVector& halfSize, uint16_t texture = 0, uint16_t material = 0);
    // A box with its own RGB texture in the static frame.
    uint32_t AddTexturedBox(const ZEVector& center, const ZEVector& halfSize, const ZEString& textureName,
                            uint16_t width, uint16_t height, const std::vector<uint8_t>& rgb);

    // The whole file; false (bytes untouched) when the model would not load.
    bool Build(std::vector<uint8_t>& bytes);
    bool Write(const ZEString& path);
    const ZEString& GetError() const { return m_Error; }

    std::vector<ZEVertex> m_aVertices;
    std::vector<Texture> m_aTextures;
    std::vector<_ZEZmfMaterial> m_aMaterials;
    std::vector<Level> m_aLevels;

private:
    bool Fail(const ZEString& message);
    uint32_t AddStaticGroup(const Group& group);

    bool CheckCounts();
    bool CheckTexture(const Texture& texture, uint32_t number);
    bool CheckAnimation(const Animation& animation, uint32_t level, uint32_t index);
    bool CheckGroup(const Group& group, const Group* previous, const ZEString& where);
    bool CheckColorKeyedCopies();
    // The triangles a group stands for: its own, or, in mode 1, those of the
    // same group in the previous key frame.
    static uint32_t TrianglesOf(const Animation& animation, uint32_t keyFrame, uint32_t group);

    void EncodeHeader(std::vector<uint8_t>& bytes) const;
    void EncodeTextures(std::vector<uint8_t>& bytes) const;
    void EncodeAnimation(const Animation& animation, std::vector<uint8_t>& bytes) const;
    void EncodeGroup(const Animation& animation, uint32_t keyFrame, uint32_t group,
                     std::vector<uint8_t>& bytes) const;

    ZEString m_Error;
    ZEString m_DeferredError;   // a bad index given to an Add operation
};
