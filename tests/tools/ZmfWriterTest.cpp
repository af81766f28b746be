// The model writer: the bytes it lays down sit at the offsets of the model
// format, it refuses what the loader would reject, and everything it writes
// loads back unchanged.
#include "core/ZEFileManager.h"
#include "math/ZEPlane.h"
#include "resources/ZEModelManager.h"
#include "resources/ZETextureManager.h"

#include "ZEZmfWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace
{
uint32_t LE16(const std::vector<uint8_t>& bytes, size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

uint32_t LE32(const std::vector<uint8_t>& bytes, size_t at)
{
    return LE16(bytes, at) | (LE16(bytes, at + 2) << 16);
}

float LEFloat(const std::vector<uint8_t>& bytes, size_t at)
{
    uint32_t bits = LE32(bytes, at);
    float value;
    std::memcpy(&value, &bits, sizeof(value));
    return value;
}

bool AllZero(const std::vector<uint8_t>& bytes, size_t from, size_t count)
{
    for (size_t i = from; i < from + count; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

ZEZmfWriter::Group Triangle(uint16_t a, uint16_t b, uint16_t c)
{
    ZEZmfWriter::Group group;
    group.m_ausIndices = {a, b, c};
    return group;
}

// One level, one animation "wave" with key frames at 0 and 250 ms; the
// second frame repeats the first's triangle (mode 1).
void TinyModel(ZEZmfWriter& writer)
{
    writer.AddVertex(1, 2, 3, 0.5f, 0.25f);
    writer.AddVertex(4, 5, 6, 0, 0);
    writer.AddVertex(7, 8, 9, 1, 1);
    writer.AddTexture(ZEString("skin"), 1, 1, {10, 20, 30});
    writer.AddMaterial(200, 100, 50);
    writer.AddLevel();
    writer.AddAnimation(0, ZEString("wave"));
    writer.AddKeyFrame(0, 0, 0);
    writer.AddKeyFrame(0, 0, 250);
    ZEZmfWriter::Group first = Triangle(0, 1, 2);
    first.m_usTexture = 1;
    first.m_usMaterial = 1;
    first.m_fOpacity = 0.5f;
    first.m_aucColorKey[0] = 9;
    first.m_usMode = ZE_ZMF_ENVIRONMENT;
    writer.AddGroup(0, 0, 0, first);
    ZEZmfWriter::Group repeat;
    repeat.m_usMode = ZE_ZMF_SAME_AS_PREVIOUS;
    writer.AddGroup(0, 0, 1, repeat);
}

class ZmfWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Root = m_Folder.Path();
        m_Files.SetMainDirectory(ZEString(m_Root.c_str()));
    }

    // Writes and loads back; the model is empty when either failed.
    void RoundTrip(ZEZmfWriter& writer, ZEModel& model)
    {
        ASSERT_TRUE(writer.Write(ZEString((m_Root / "m.zmf").c_str()))) << writer.GetError().CStr();
        ASSERT_TRUE(model.Load(ZEString("m.zmf")));
    }

    ZETempFolder m_Folder{"zmf"};
    fs::path m_Root;
    ZEFileManager m_Files;
    ZETextureManager m_Textures;
};
}

TEST_F(ZmfWriterTest, RecordsLieAtTheFormatsOffsets)
{
    ZEZmfWriter writer;
    TinyModel(writer);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(writer.Build(bytes)) << writer.GetError().CStr();

    ASSERT_EQ(bytes.size(), 16u + 3 * 20 + 30 + 3 + 33 + 38 + (4 + 52 + 6) + (4 + 52));
    EXPECT_EQ(std::memcmp(bytes.data(), "ZMF01", 5), 0);
    EXPECT_EQ(bytes[5], 0);
    EXPECT_EQ(LE16(bytes, 6), 1u);    // levels
    EXPECT_EQ(LE16(bytes, 8), 1u);    // animations
    EXPECT_EQ(LE16(bytes, 10), 1u);   // textures
    EXPECT_EQ(LE16(bytes, 12), 1u);   // materials
    EXPECT_EQ(LE16(bytes, 14), 3u);   // vertices
    EXPECT_EQ(LEFloat(bytes, 16), 1.0f);
    EXPECT_EQ(LEFloat(bytes, 28), 0.5f);
    EXPECT_EQ(LEFloat(bytes, 32), 0.25f);

    size_t texture = 16 + 60;
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[texture]), "skin");
    EXPECT_TRUE(AllZero(bytes, texture + 4, 20));
    EXPECT_EQ(LE16(bytes, texture + 24), 1u);
    EXPECT_EQ(LE16(bytes, texture + 26), 1u);
    EXPECT_EQ(LE16(bytes, texture + 28), 0u);
    EXPECT_EQ(bytes[texture + 30], 10);

    size_t material = texture + 33;
    EXPECT_TRUE(AllZero(bytes, material, 24));
    EXPECT_EQ(bytes[material + 24], 200);
    EXPECT_EQ(bytes[material + 26], 50);
    EXPECT_TRUE(AllZero(bytes, material + 27, 6));

    size_t animation = material + 33;
    EXPECT_STREQ(reinterpret_cast<const char*>(&bytes[animation]), "wave");
    EXPECT_EQ(LE16(bytes, animation + 32), 2u);   // key frames
    EXPECT_EQ(LE16(bytes, animation + 34), 1u);   // triangles of one key frame
    EXPECT_EQ(LE16(bytes, animation + 36), 1u);   // groups

    size_t frame = animation + 38;
    EXPECT_EQ(LE32(bytes, frame), 0u);
    size_t group = frame + 4;
    EXPECT_TRUE(AllZero(bytes, group, 32));
    EXPECT_EQ(LE16(bytes, group + 32), 1u);
    EXPECT_EQ(LE16(bytes, group + 34), 1u);
    EXPECT_EQ(LE16(bytes, group + 36), 1u);
    EXPECT_EQ(LEFloat(bytes, group + 40), 0.5f);
    EXPECT_EQ(bytes[group + 44], 9);
    EXPECT_EQ(LE16(bytes, group + 48), 2u);
    EXPECT_EQ(LE16(bytes, group + 52), 0u);
    EXPECT_EQ(LE16(bytes, group + 56), 2u);

    size_t second = group + 58;
    EXPECT_EQ(LE32(bytes, second), 250u);
    EXPECT_EQ(LE16(bytes, second + 4 + 32), 1u) << "a repeated group still states its triangle count";
    EXPECT_EQ(LE16(bytes, second + 4 + 48), 1u);
    EXPECT_EQ(second + 4 + 52, bytes.size()) << "mode 1 writes no indices";
}

TEST_F(ZmfWriterTest, RefusesWhatTheLoaderWouldReject)
{
    struct Case
    {
        const char* m_pName;
        void (*m_pDamage)(ZEZmfWriter&);
    };
    const Case cases[] = {
        {"no level", [](ZEZmfWriter& w) { w.m_aLevels.clear(); }},
        {"no animation", [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations.clear(); }},
        {"levels differ", [](ZEZmfWriter& w) { w.AddLevel(); }},
        {"no key frame", [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames.clear(); }},
        {"first not at 0", [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_ulTime = 1; }},
        {"times equal", [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[1].m_ulTime = 0; }},
        {"group counts differ", [](ZEZmfWriter& w) { w.AddGroup(0, 0, 1, Triangle(0, 1, 2)); }},
        {"triangle counts differ",
         [](ZEZmfWriter& w) {
             ZEZmfWriter::Group& g = w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[1].m_aGroups[0];
             g.m_usMode = ZE_ZMF_PLAIN;
             g.m_ausIndices = {0, 1, 2, 2, 1, 0};
         }},
        {"mode 1 first",
         [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups[0].m_usMode = 1; }},
        {"not triangles",
         [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups[0].m_ausIndices.pop_back(); }},
        {"index beyond",
         [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups[0].m_ausIndices[1] = 3; }},
        {"texture beyond",
         [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups[0].m_usTexture = 2; }},
        {"material beyond",
         [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups[0].m_usMaterial = 2; }},
        {"long texture name", [](ZEZmfWriter& w) { w.m_aTextures[0].m_Name = "abcdefghijklmnopqrstuvwx"; }},
        {"long animation name",
         [](ZEZmfWriter& w) { w.m_aLevels[0].m_aAnimations[0].m_Name = "abcdefghijklmnopqrstuvwxyz012345"; }},
        {"image size", [](ZEZmfWriter& w) { w.m_aTextures[0].m_aTexels.push_back(0); }},
        {"empty image", [](ZEZmfWriter& w) { w.AddTexture(ZEString("none"), 0, 4, {}); }},
        {"palette index", [](ZEZmfWriter& w) { w.AddPalettedTexture(ZEString("p"), 1, 1, {1, 2, 3}, {1}); }},
        {"bad level index", [](ZEZmfWriter& w) { w.AddAnimation(7, ZEString("x")); }},
        {"bad frame index", [](ZEZmfWriter& w) { w.AddGroup(0, 0, 9, Triangle(0, 1, 2)); }},
        {"too many vertices",
         [](ZEZmfWriter& w) { w.m_aVertices.resize(65536, ZEVertex{0, 0, 0, 0, 0}); }},
    };
    for (const Case& c : cases)
    {
        ZEZmfWriter writer;
        TinyModel(writer);
        c.m_pDamage(writer);
        std::vector<uint8_t> bytes = {42};
        EXPECT_FALSE(writer.Build(bytes)) << c.m_pName;
        EXPECT_FALSE(writer.GetError().IsEmpty()) << c.m_pName;
        EXPECT_EQ(bytes, std::vector<uint8_t>{42}) << c.m_pName << ": nothing written on refusal";
    }
}

TEST_F(ZmfWriterTest, RefusedWriteLeavesNoFile)
{
    ZEZmfWriter writer;
    EXPECT_FALSE(writer.Write(ZEString((m_Root / "empty.zmf").c_str())));
    EXPECT_FALSE(fs::exists(m_Root / "empty.zmf"));
    EXPECT_FALSE(fs::exists(m_Root / "empty.zmf.tmp"));

    TinyModel(writer);
    EXPECT_FALSE(writer.Write(ZEString((m_Root / "missing" / "m.zmf").c_str())));
    EXPECT_FALSE(writer.GetError().IsEmpty());
}

TEST_F(ZmfWriterTest, BoxFacesPointOutward)
{
    ZEZmfWriter writer;
    ZEVector center(5, -2, 1);
    ZEZmfWriter::Group box = writer.MakeBox(center, ZEVector(1, 2, 3));
    ASSERT_EQ(writer.m_aVertices.size(), 24u);
    ASSERT_EQ(box.m_ausIndices.size(), 36u);
    for (size_t t = 0; t < 12; ++t)
    {
        const ZEVertex* v[3];
        for (int i = 0; i < 3; ++i)
            v[i] = &writer.m_aVertices[box.m_ausIndices[3 * t + i]];
        ZEPlane plane(ZEVector(v[0]->x, v[0]->y, v[0]->z), ZEVector(v[1]->x, v[1]->y, v[1]->z),
                      ZEVector(v[2]->x, v[2]->y, v[2]->z));
        EXPECT_LT(plane.Distance(center), 0.0) << "triangle " << t << " faces inward";
    }
}

TEST_F(ZmfWriterTest, EverythingWrittenLoadsBack)
{
    ZEZmfWriter writer;
    uint32_t rgb = writer.AddTexture(ZEString("rgb"), 2, 1, {1, 2, 3, 4, 5, 6});
    uint32_t paletted = writer.AddPalettedTexture(ZEString("pal"), 3, 1, {9, 9, 9, 7, 7, 7}, {0, 1, 1});
    uint32_t red = writer.AddMaterial(255, 0, 0);
    ZEZmfWriter::Group box = writer.MakeBox(ZEVector(), ZEVector(1, 1, 1), static_cast<uint16_t>(rgb),
                                            static_cast<uint16_t>(red));
    for (uint32_t level = 0; level < 2; ++level)
    {
        writer.AddLevel();
        writer.AddAnimation(level, ZEString(level == 0 ? "idle" : "ignored"));
        writer.AddKeyFrame(level, 0, 0);
        writer.AddGroup(level, 0, 0, box);
        writer.AddAnimation(level, ZEString("spin"));
        writer.AddKeyFrame(level, 1, 0);
        writer.AddKeyFrame(level, 1, 100);
        ZEZmfWriter::Group mapped = Triangle(0, 1, 2);
        mapped.m_usTexture = static_cast<uint16_t>(paletted);
        mapped.m_usMode = ZE_ZMF_ENVIRONMENT;
        writer.AddGroup(level, 1, 0, mapped);
        writer.AddGroup(level, 1, 1, Triangle(3, 4, 5));
    }

    ZEModel model;
    RoundTrip(writer, model);
    ASSERT_EQ(model.m_ulNumVertices, 24u);
    for (uint32_t i = 0; i < 24; ++i)
        EXPECT_EQ(std::memcmp(&model.m_pVertices[i], &writer.m_aVertices[i], sizeof(ZEVertex)), 0) << i;
    EXPECT_EQ(model.m_ulNumLODs, 2u);
    ASSERT_EQ(model.m_ulNumAnimations, 2u);
    EXPECT_STREQ(model.m_pAnimationNames[0], "idle");
    EXPECT_STREQ(model.m_pAnimationNames[1], "spin");

    ZEModelAnimation* spin = model.GetAnimation(1, 1);
    ASSERT_NE(spin, nullptr);
    ASSERT_EQ(spin->m_ulNumKeyFrames, 2u);
    EXPECT_EQ(spin->m_usNumTriangles, 1u);
    EXPECT_EQ(spin->m_pKeyFrames[1].m_ulTime, 100u);
    const ZEModelTriGroup& mapped = spin->m_pKeyFrames[0].m_pGroups[0];
    EXPECT_TRUE(mapped.m_bEnvironmentMapped);
    EXPECT_EQ(mapped.m_usTexture, paletted);
    EXPECT_EQ(std::vector<uint16_t>(mapped.m_pusIndices, mapped.m_pusIndices + 3), (std::vector<uint16_t>{0, 1, 2}));

    const ZEModelTriGroup& cube = model.GetAnimation(0, 0)->m_pKeyFrames[0].m_pGroups[0];
    EXPECT_EQ(cube.m_usNumIndices, 36u);
    EXPECT_EQ(cube.m_aucColor[0], 255);
    EXPECT_EQ(cube.m_aucColor[1], 0);
    EXPECT_EQ(cube.m_ucAlpha, 255);
    EXPECT_EQ(cube.m_pVertices, model.m_pVertices);

    ASSERT_EQ(model.m_ulNumTextures, 2u);
    ZETexture* first = model.GetTexture(1)->GetTexture();
    ZETexture* second = model.GetTexture(2)->GetTexture();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(first->m_Name == "rgb");
    EXPECT_EQ(std::vector<uint8_t>(first->GetData(), first->GetData() + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(std::vector<uint8_t>(second->GetData(), second->GetData() + 9),
              (std::vector<uint8_t>{9, 9, 9, 7, 7, 7, 7, 7, 7}))
        << "the palette is expanded";
}

TEST_F(ZmfWriterTest, MeshAndTexturedBoxShareTheStaticFrame)
{
    ZEZmfWriter writer;
    writer.AddMesh({{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}}, {0, 1, 2});
    std::vector<uint8_t> white(4 * 4 * 3, 255);
    writer.AddTexturedBox(ZEVector(0, 5, 0), ZEVector(1, 1, 1), ZEString("crate"), 4, 4, white);

    ZEModel model;
    RoundTrip(writer, model);
    ZEModelAnimation* animation = model.GetAnimation(0, 0);
    ASSERT_NE(animation, nullptr);
    EXPECT_STREQ(model.m_pAnimationNames[0], "default");
    ASSERT_EQ(animation->m_ulNumKeyFrames, 1u);
    ASSERT_EQ(animation->m_pKeyFrames[0].m_ulNumGroups, 2u);
    EXPECT_EQ(animation->m_usNumTriangles, 13u);
    const ZEModelTriGroup& box = animation->m_pKeyFrames[0].m_pGroups[1];
    EXPECT_EQ(box.m_usTexture, 1u);
    EXPECT_EQ(box.m_pusIndices[0], 3u) << "the box's vertices follow the mesh's";
}
