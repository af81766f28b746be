// The model manager: loading ".zmf" files (and refusing damaged ones),
// levels of detail, key-frame blending and its cache, colour-keyed texture
// copies, the animation state of references, drawing through the renderer
// and segment tests in model space.
#include "resources/ZEModelManager.h"

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"

#include "ZEPackWriter.h"
#include "ZEZmfWriter.h"
#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"
#include "support/TempFolder.h"
#include "support/TestApplication.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Gives a model `lods` levels of `animations.size()` animations each; the
// animation i has key frames at the listed times.
void Animate(ZEModel& model, uint32_t lods, std::initializer_list<std::initializer_list<uint32_t>> animations)
{
    model.m_ulNumLODs = lods;
    model.m_ulNumAnimations = static_cast<uint32_t>(animations.size());
    model.m_pLODs = new ZEModelAnimation*[lods];
    model.m_pAnimationNames = new ZEModelAnimationName[animations.size()]();
    for (uint32_t lod = 0; lod < lods; ++lod)
    {
        model.m_pLODs[lod] = new ZEModelAnimation[animations.size()];
        uint32_t index = 0;
        for (const auto& times : animations)
        {
            ZEModelAnimation& animation = model.m_pLODs[lod][index++];
            animation.m_ulNumKeyFrames = static_cast<uint32_t>(times.size());
            animation.m_pKeyFrames = new ZEModelKeyFrame[times.size()];
            uint32_t frame = 0;
            for (uint32_t time : times)
                animation.m_pKeyFrames[frame++].m_ulTime = time;
        }
    }
    model.m_bLoaded = true;
}

ZEZmfWriter::Group Triangle(uint16_t a, uint16_t b, uint16_t c)
{
    ZEZmfWriter::Group group;
    group.m_ausIndices = {a, b, c};
    return group;
}

// The model the damage cases start from: one level, one animation "move"
// whose triangle slides from z = 40 (0 ms) to z = 0 (400 ms), a 2 x 2
// paletted texture and a material.
void MovingTriangle(ZEZmfWriter& writer)
{
    for (float z : {40.0f, 0.0f})
    {
        writer.AddVertex(0, 0, z, 0, 0);
        writer.AddVertex(10, 0, z, 1, 0);
        writer.AddVertex(0, 10, z, 0, 1);
    }
    writer.AddPalettedTexture(ZEString("skin"), 2, 2, {0, 0, 0, 255, 255, 255}, {0, 1, 1, 0});
    writer.AddMaterial(200, 100, 200);
    writer.AddLevel();
    writer.AddAnimation(0, ZEString("move"));
    for (uint32_t time : {0u, 400u})
    {
        uint32_t frame = writer.AddKeyFrame(0, 0, time);
        uint16_t first = time == 0 ? 0 : 3;
        ZEZmfWriter::Group group = Triangle(first, first + 1, first + 2);
        group.m_usTexture = 1;
        group.m_usMaterial = 1;
        writer.AddGroup(0, 0, frame, group);
    }
}

// Where the fields of MovingTriangle's file lie.
namespace At
{
const size_t kLODs = 6;
const size_t kAnimations = 8;
const size_t kTextures = 10;
const size_t kVertices = 14;
const size_t kTexture = 16 + 6 * 20;
const size_t kPaletteSize = kTexture + 28;
const size_t kTexels = kTexture + 30 + 6;
const size_t kAnimation = kTexture + 30 + 6 + 4 + 33;
const size_t kKeyFrames = kAnimation + 32;
const size_t kTriangles = kAnimation + 34;
const size_t kFrame0 = kAnimation + 38;
const size_t kGroup0 = kFrame0 + 4;
const size_t kIndices0 = kGroup0 + 52;
const size_t kFrame1 = kIndices0 + 6;
const size_t kGroup1 = kFrame1 + 4;
const size_t kEnd = kGroup1 + 52 + 6;
// Within a group header.
const size_t kGroupTriangles = 32;
const size_t kGroupTexture = 34;
const size_t kGroupMaterial = 36;
const size_t kGroupOpacity = 40;
const size_t kGroupMode = 48;
}

void Put16(std::vector<uint8_t>& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value)
{
    Put16(bytes, at, static_cast<uint16_t>(value));
    Put16(bytes, at + 2, static_cast<uint16_t>(value >> 16));
}

void PutFloat(std::vector<uint8_t>& bytes, size_t at, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    Put32(bytes, at, bits);
}

std::string Log(const ZERecordingRenderer& renderer)
{
    std::string text;
    for (const std::string& line : renderer.m_Log)
        text += line + "\n";
    return text;
}

class ModelManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Root = m_Folder.Path();
        m_Files.SetMainDirectory(ZEString(m_Root.c_str()));
    }

    ZEModel* AddModel(const char* path)
    {
        ZEModel* model = new ZEModel();
        model->m_Name = path;
        m_pManager->AddToList(model);
        return model;
    }

    std::vector<uint8_t> Build(ZEZmfWriter& writer)
    {
        std::vector<uint8_t> bytes;
        EXPECT_TRUE(writer.Build(bytes)) << writer.GetError().CStr();
        return bytes;
    }

    // Writes the bytes under a new name and asks the manager for them.
    std::unique_ptr<ZEModelReference> Load(const std::vector<uint8_t>& bytes)
    {
        std::string name = "m" + std::to_string(m_iFiles++) + ".zmf";
        m_Folder.Write(name, bytes);
        return std::unique_ptr<ZEModelReference>(m_pManager->GetModel(name.c_str()));
    }

    std::unique_ptr<ZEModelReference> Load(ZEZmfWriter& writer) { return Load(Build(writer)); }

    int CountMessages(const std::string& prefix) const
    {
        int count = 0;
        for (const ZEConsoleMessage* m = m_Console.GetMessages(); m; m = m->m_pNext)
            if (std::string(m->m_Text.CStr()).rfind(prefix, 0) == 0)
                ++count;
        return count;
    }

    std::string Newest() const
    {
        const ZEConsoleMessage* message = m_Console.GetMessages();
        return message ? message->m_Text.CStr() : "";
    }

    // The damaged file is refused with one error under "models".
    void ExpectRejected(const std::vector<uint8_t>& bytes, const std::string& what)
    {
        int before = CountMessages("models: Damaged model");
        EXPECT_EQ(Load(bytes), nullptr) << what;
        EXPECT_EQ(CountMessages("models: Damaged model"), before + 1) << what << " / " << Newest();
        EXPECT_EQ(m_Console.GetMessages()->m_Mode, ZE_MSG_ERROR) << what;
        EXPECT_EQ(m_pManager->m_ulNumModels, 0u) << what;
    }

    ZETempFolder m_Folder{"model"};
    fs::path m_Root;
    int m_iFiles = 0;
    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    ZEFileManager m_Files;
    ZETextureManager m_Textures;
    ZEConsole m_Console;
    std::unique_ptr<ZEModelManager> m_pManager = std::make_unique<ZEModelManager>();
};
}

TEST_F(ModelManagerTest, LoadedModelIsSharedByDirectoryAndName)
{
    m_pManager->SetModelDirectory("models");
    ZEModel* car = AddModel("models/car.zmf");

    std::unique_ptr<ZEModelReference> first(m_pManager->GetModel("car.zmf"));
    std::unique_ptr<ZEModelReference> second(m_pManager->GetModel(ZEString("car.zmf")));

    EXPECT_EQ(first->GetModel(), car);
    EXPECT_EQ(second->GetModel(), car);
    EXPECT_EQ(car->m_ulReferences, 2u);
}

TEST_F(ModelManagerTest, UnloadableModelGivesNullAndListsNothing)
{
    EXPECT_EQ(m_pManager->GetModel("missing.zmf"), nullptr);
    EXPECT_EQ(m_pManager->m_ulNumModels, 0u);
}

TEST_F(ModelManagerTest, FreeUnusedModelsKeepsReferencedOnes)
{
    ZEModel* kept = AddModel("kept");
    AddModel("unused");
    std::unique_ptr<ZEModelReference> reference(kept->GetReference());

    m_pManager->FreeUnusedModels();

    EXPECT_EQ(m_pManager->m_ulNumModels, 1u);
    EXPECT_EQ(m_pManager->m_pModels, kept);
}

TEST_F(ModelManagerTest, ReferencesMayOutliveTheirModelAndTheManager)
{
    ZEModelReference* afterFree = AddModel("a")->GetReference();
    ZEModelReference* afterManager = AddModel("b")->GetReference();

    m_pManager->RemoveFromList(m_pManager->m_pModels);
    delete afterFree->m_pModel;
    EXPECT_EQ(afterFree->GetModel(), nullptr);
    afterFree->SetAnimation(0u);
    afterFree->Render(ZEVector(), ZEVector(), nullptr);
    delete afterFree;

    m_pManager.reset();
    EXPECT_EQ(ZEModelManager::ms_pModelManager, nullptr);
    EXPECT_FALSE(afterManager->ModelContainsTransparency());
    delete afterManager;
}

TEST_F(ModelManagerTest, SetAnimationBeyondTheAnimationsChangesNothing)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());

    reference->SetAnimation(1u);
    EXPECT_FALSE(reference->m_bAnimating);

    std::strcpy(model->m_pAnimationNames[0], "wave");
    reference->SetAnimation(ZEString("wave"));
    EXPECT_TRUE(reference->m_bAnimating);
    EXPECT_EQ(reference->m_ulAnimationStart, m_Timer.GetTime());
}

TEST_F(ModelManagerTest, RealAnimationsHaveTwoKeyFramesAtLevelZero)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0}, {0, 100}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());

    EXPECT_FALSE(reference->IsRealAnimation(0));
    EXPECT_TRUE(reference->IsRealAnimation(1));
    EXPECT_FALSE(reference->IsRealAnimation(2));
}

TEST_F(ModelManagerTest, LoopingAnimationWrapsAndMovesItsStart)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(0u);
    reference->m_bLoop = true;

    m_Timer.Advance(1000);
    EXPECT_EQ(reference->GetAnimationTime(0), 200u);
    m_Timer.Advance(100);
    EXPECT_EQ(reference->GetAnimationTime(0), 300u) << "continues from the moved start";
    m_Timer.Advance(100);
    EXPECT_EQ(reference->GetAnimationTime(0), 400u) << "the end itself is still inside";
}

TEST_F(ModelManagerTest, FinishedAnimationWithoutLoopStops)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}, {0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(1u);

    m_Timer.Advance(400);
    EXPECT_EQ(reference->GetAnimationTime(0), 400u) << "the end itself still shows the last key frame";
    EXPECT_TRUE(reference->m_bAnimating);
    EXPECT_EQ(reference->m_ulAnimation, 1u);

    m_Timer.Advance(1);
    EXPECT_EQ(reference->GetAnimationTime(0), 0u);
    EXPECT_FALSE(reference->m_bAnimating);
    EXPECT_EQ(reference->m_ulAnimation, 0u);
}

TEST_F(ModelManagerTest, NegativeAnimationSpeedHoldsTheStart)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(0u);
    reference->m_fAnimationSpeed = -2.0f;

    m_Timer.Advance(100);
    EXPECT_EQ(reference->GetAnimationTime(0), 0u);
}

TEST_F(ModelManagerTest, LevelOfDetailFollowsTheCameraDistance)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 3, {{0}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    m_Renderer.m_Camera.m_fZFar = 2500.0f;
    m_Renderer.m_Camera.m_vPosition = ZEVector();

    EXPECT_EQ(reference->GetLOD(ZEVector(0, 0, 1000)), 1u);
    EXPECT_EQ(reference->GetLOD(ZEVector(0, 0, 100000)), 2u);
    m_Renderer.m_Camera.m_fZFar = 0.0f;
    EXPECT_EQ(reference->GetLOD(ZEVector(0, 0, 1000)), 0u) << "no depth range, no division by zero";
}

TEST_F(ModelManagerTest, ScaleIsFlaggedOnlyWhenItDiffersFromOne)
{
    ZEModelReference reference;
    reference.SetScale(ZEVector(1, 1, 1));
    EXPECT_FALSE(reference.m_bScaled);
    reference.SetScale(ZEVector(1, 2, 1));
    EXPECT_TRUE(reference.m_bScaled);
}

// ---------------------------------------------------------------------------
// Loading

TEST_F(ModelManagerTest, WrittenModelLoadsOnceAndIsShared)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    m_Folder.Write("car.zmf", Build(writer));
    fs::create_directories(m_Root / "models");
    fs::rename(m_Root / "car.zmf", m_Root / "models" / "car.zmf");
    m_pManager->SetModelDirectory(ZEString("models"));

    std::unique_ptr<ZEModelReference> first(m_pManager->GetModel("car.zmf"));
    std::unique_ptr<ZEModelReference> second(m_pManager->GetModel("car.zmf"));
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->GetModel(), second->GetModel());
    ZEModel* model = first->GetModel();
    EXPECT_TRUE(model->m_Name == "models/car.zmf");
    EXPECT_EQ(model->m_ulReferences, 2u);
    EXPECT_EQ(m_pManager->m_ulNumModels, 1u);
    EXPECT_FALSE(model->m_bTransparent);
    EXPECT_EQ(CountMessages("models:"), 0);

    ZETexture* skin = model->GetTexture(1)->GetTexture();
    ASSERT_NE(skin, nullptr);
    EXPECT_TRUE(skin->m_Name == "skin");
    EXPECT_EQ(std::vector<uint8_t>(skin->GetData(), skin->GetData() + 6),
              (std::vector<uint8_t>{0, 0, 0, 255, 255, 255}));
}

TEST_F(ModelManagerTest, MissingFileOrForeignMagicFailsSilently)
{
    EXPECT_EQ(m_pManager->GetModel("missing.zmf"), nullptr);

    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::vector<uint8_t> bytes = Build(writer);
    bytes[4] = '2';
    EXPECT_EQ(Load(bytes), nullptr);
    EXPECT_EQ(CountMessages("models:"), 0);
    EXPECT_EQ(m_pManager->m_ulNumModels, 0u);
}

TEST_F(ModelManagerTest, DamagedFilesAreRejectedWithAMessage)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    const std::vector<uint8_t> good = Build(writer);
    ASSERT_EQ(good.size(), At::kEnd);
    ASSERT_NE(Load(good), nullptr) << "the undamaged file loads";
    m_pManager->FreeUnusedModels();

    struct Case
    {
        const char* m_pName;
        void (*m_pDamage)(std::vector<uint8_t>&);
    };
    const Case cases[] = {
        {"vertex index = V", [](std::vector<uint8_t>& b) { Put16(b, At::kIndices0 + 4, 6); }},
        {"texture beyond T", [](std::vector<uint8_t>& b) { Put16(b, At::kGroup0 + At::kGroupTexture, 2); }},
        {"material beyond M", [](std::vector<uint8_t>& b) { Put16(b, At::kGroup1 + At::kGroupMaterial, 2); }},
        {"mode 1 in a first key frame", [](std::vector<uint8_t>& b) { Put16(b, At::kGroup0 + At::kGroupMode, 1); }},
        {"triangle count differs between key frames",
         [](std::vector<uint8_t>& b) { Put16(b, At::kGroup1 + At::kGroupTriangles, 2); }},
        {"groups do not add up", [](std::vector<uint8_t>& b) { Put16(b, At::kTriangles, 2); }},
        {"L = 0", [](std::vector<uint8_t>& b) { Put16(b, At::kLODs, 0); }},
        {"A = 0", [](std::vector<uint8_t>& b) { Put16(b, At::kAnimations, 0); }},
        {"K = 0", [](std::vector<uint8_t>& b) { Put16(b, At::kKeyFrames, 0); }},
        {"first key frame at 5 ms", [](std::vector<uint8_t>& b) { Put32(b, At::kFrame0, 5); }},
        {"times do not rise", [](std::vector<uint8_t>& b) { Put32(b, At::kFrame1, 0); }},
        {"palette index beyond the palette", [](std::vector<uint8_t>& b) { b[At::kTexels + 2] = 2; }},
        {"empty texture", [](std::vector<uint8_t>& b) { Put16(b, At::kTexture + 24, 0); }},
        {"V = 65535 in a small file", [](std::vector<uint8_t>& b) { Put16(b, At::kVertices, 0xFFFF); }},
        {"T = 65535 in a small file", [](std::vector<uint8_t>& b) { Put16(b, At::kTextures, 0xFFFF); }},
        {"65535 x 65535 texels", [](std::vector<uint8_t>& b) { Put32(b, At::kTexture + 24, 0xFFFFFFFF); }},
        {"L x A = 65535^2", [](std::vector<uint8_t>& b) { Put32(b, At::kLODs, 0xFFFFFFFF); }},
        {"K = 65535", [](std::vector<uint8_t>& b) { Put16(b, At::kKeyFrames, 0xFFFF); }},
        {"palette of 65535 colours", [](std::vector<uint8_t>& b) { Put16(b, At::kPaletteSize, 0xFFFF); }},
        {"too many triangles for one draw",
         [](std::vector<uint8_t>& b) {
             Put16(b, At::kTriangles, 21846);
             Put16(b, At::kGroup0 + At::kGroupTriangles, 21846);
         }},
    };
    for (const Case& c : cases)
    {
        std::vector<uint8_t> bytes = good;
        c.m_pDamage(bytes);
        ExpectRejected(bytes, c.m_pName);
    }
}

TEST_F(ModelManagerTest, EveryShortReadIsRejected)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    const std::vector<uint8_t> good = Build(writer);
    for (size_t length = 0; length < good.size(); ++length)
        ExpectRejected(std::vector<uint8_t>(good.begin(), good.begin() + length),
                       "cut at " + std::to_string(length));
}

// The bytes after an archived model are the next entry's header; read as
// indices they would be valid ones here (V = 20000), so only the size bound
// keeps a cut model from loading.
TEST_F(ModelManagerTest, ArchivedModelIsReadOnlyUpToItsSize)
{
    ZEZmfWriter writer;
    std::vector<ZEVertex> vertices;
    for (uint32_t i = 0; i < 20000; ++i)
        vertices.push_back(ZEVertex{static_cast<float>(i), 0, 0, 0, 0});
    writer.AddMesh(vertices, {0, 1, 2, 3, 4, 5});
    std::vector<uint8_t> bytes = Build(writer);

    ZEPackWriter pack;
    ASSERT_TRUE(pack.AddData(ZEString("whole.zmf"), bytes.data(), bytes.size()));
    ASSERT_TRUE(pack.AddData(ZEString("cut.zmf"), bytes.data(), bytes.size() - 6));
    ASSERT_TRUE(pack.AddData(ZEString("next"), "data", 4));
    ASSERT_TRUE(pack.Write(ZEString((m_Root / "models.dat").c_str())));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("models.dat")));

    std::unique_ptr<ZEModelReference> whole(m_pManager->GetModel("whole.zmf"));
    EXPECT_NE(whole, nullptr);
    EXPECT_EQ(m_pManager->GetModel("cut.zmf"), nullptr);
    EXPECT_EQ(CountMessages("models: Damaged model cut.zmf"), 1);
}

TEST_F(ModelManagerTest, NamesFromTheFileAreAlwaysTerminated)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::vector<uint8_t> bytes = Build(writer);
    std::memset(&bytes[At::kAnimation], 'a', 32);
    std::memset(&bytes[At::kTexture], 'b', 24);

    std::unique_ptr<ZEModelReference> reference = Load(bytes);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();
    EXPECT_EQ(std::string(model->m_pAnimationNames[0]), std::string(31, 'a'));
    EXPECT_EQ(std::string(model->GetTexture(1)->GetTexture()->m_Name.CStr()), std::string(24, 'b'));

    reference->SetAnimation(ZEString(std::string(31, 'a').c_str()));
    EXPECT_TRUE(reference->m_bAnimating);
}

TEST_F(ModelManagerTest, OpacityBecomesAnAlphaByte)
{
    struct Case
    {
        float m_fOpacity;
        uint8_t m_ucAlpha;
    };
    const Case cases[] = {{1.0f, 255},
                          {0.5f, 127},
                          {0.0f, 0},
                          {2.0f, 255},
                          {-1.0f, 0},
                          {std::numeric_limits<float>::quiet_NaN(), 255},
                          {std::numeric_limits<float>::infinity(), 255}};
    for (const Case& c : cases)
    {
        ZEZmfWriter writer;
        MovingTriangle(writer);
        std::vector<uint8_t> bytes = Build(writer);
        PutFloat(bytes, At::kGroup0 + At::kGroupOpacity, c.m_fOpacity);
        std::unique_ptr<ZEModelReference> reference = Load(bytes);
        ASSERT_NE(reference, nullptr);
        const ZEModelTriGroup& group = reference->GetModel()->GetAnimation(0, 0)->m_pKeyFrames[0].m_pGroups[0];
        EXPECT_EQ(group.m_ucAlpha, c.m_ucAlpha) << c.m_fOpacity;
        EXPECT_EQ(reference->ModelContainsTransparency(), c.m_ucAlpha != 255) << c.m_fOpacity;
    }
}

TEST_F(ModelManagerTest, BoundingVolumesFitTheVertices)
{
    ZEZmfWriter writer;
    writer.AddBox(ZEVector(5, 0, 0), ZEVector(10, 20, 30));
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();

    EXPECT_EQ(model->m_BoundingBox.m_vMin, ZEVector(-5, -20, -30));
    EXPECT_EQ(model->m_BoundingBox.m_vMax, ZEVector(15, 20, 30));
    EXPECT_EQ(model->m_BoundingSphere.m_vCenter, ZEVector(5, 0, 0));
    EXPECT_NEAR(model->m_BoundingSphere.m_fRadius, std::sqrt(100.0f + 400.0f + 900.0f), 1e-4f);
    EXPECT_EQ(reference->GetCenter(ZEVector(1, 1, 1)), ZEVector(6, 1, 1));

    reference->SetScale(ZEVector(2, 1, 4));
    ZEAABoundingBox box = reference->GetModelBBox();
    EXPECT_EQ(box.m_vMin, ZEVector(-15, -20, -120));
    EXPECT_EQ(box.m_vMax, ZEVector(25, 20, 120));
    EXPECT_NEAR(reference->GetBoundingSphere(ZEVector()).m_fRadius, model->m_BoundingSphere.m_fRadius * 7.0f / 3.0f,
                1e-3f);
}

// ---------------------------------------------------------------------------
// Key frames and blending

TEST_F(ModelManagerTest, BlendingAQuarterOfTheWayKeepsThreeQuartersOfTheFirstFrame)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();

    ZEModelKeyFrame* kf1 = nullptr;
    ZEModelKeyFrame* kf2 = nullptr;
    ASSERT_TRUE(model->MergeFrames(0, 100, 0, kf1, kf2));
    EXPECT_EQ(model->InterpolateVertices(100, 0, 0, kf1, kf2), 0.75f);
    const ZEVertex* out = model->m_pInterpolatedVertices;
    EXPECT_EQ(out[0].z, 30.0f) << "75 % of z = 40";
    EXPECT_EQ(out[1].x, 10.0f) << "equal components stay exactly";
    EXPECT_EQ(out[2].v, 1.0f);

    EXPECT_FALSE(model->MergeFrames(0, 400, 0, kf1, kf2)) << "a key frame's own time does not blend";
    EXPECT_EQ(kf1->m_ulTime, 400u);
    EXPECT_FALSE(model->MergeFrames(7, 9999, 5, kf1, kf2)) << "past the end: the last key frame";
    EXPECT_EQ(kf1->m_ulTime, 400u);
}

TEST_F(ModelManagerTest, BlendingIsCachedPerLevelAnimationAndTime)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::unique_ptr<ZEModelReference> first = Load(writer);
    ASSERT_NE(first, nullptr);
    std::unique_ptr<ZEModelReference> second(first->GetModel()->GetReference());
    ZEModel* model = first->GetModel();
    float white[3] = {1, 1, 1};

    model->Render(nullptr, nullptr, nullptr, 0, 100, 0, white);
    uint32_t stamp = model->m_ulBlendStamp;
    EXPECT_TRUE(model->Clips(ZEVector(2, 2, 25), ZEVector(0, 0, 10), 0, 100, 0));
    model->Render(nullptr, nullptr, nullptr, 0, 100, 0, white);
    EXPECT_EQ(model->m_ulBlendStamp, stamp) << "same time, no second blend";

    model->Render(nullptr, nullptr, nullptr, 0, 300, 0, white);
    EXPECT_NE(model->m_ulBlendStamp, stamp);
    EXPECT_EQ(model->m_pInterpolatedVertices[0].z, 10.0f);
}

TEST_F(ModelManagerTest, RepeatedTrianglesAreNotBlended)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    ZEZmfWriter::Group& repeat = writer.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[1].m_aGroups[0];
    repeat.m_usMode = ZE_ZMF_SAME_AS_PREVIOUS;
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();
    const ZEModelTriGroup& copied = model->GetAnimation(0, 0)->m_pKeyFrames[1].m_pGroups[0];
    EXPECT_TRUE(copied.m_bSameAsPrevious);
    EXPECT_EQ(copied.m_pusIndices[0], 0u) << "indices come from the previous key frame";

    ZEModelKeyFrame *kf1, *kf2;
    ASSERT_TRUE(model->MergeFrames(0, 200, 0, kf1, kf2));
    model->InterpolateVertices(200, 0, 0, kf1, kf2);
    EXPECT_EQ(model->m_pInterpolatedVertices[0].z, 40.0f);
}

// ---------------------------------------------------------------------------
// Colour-keyed copies

TEST_F(ModelManagerTest, ColourKeyedGroupsShareOneCopyPerTextureWithTheLastKey)
{
    ZEZmfWriter writer;
    writer.AddVertex(0, 0, 0, 0, 0);
    writer.AddVertex(1, 0, 0, 0, 0);
    writer.AddVertex(0, 1, 0, 0, 0);
    writer.AddTexture(ZEString("skin"), 2, 1, {255, 0, 255, 10, 20, 30});
    writer.AddTexture(ZEString("other"), 1, 1, {1, 1, 1});
    auto keyed = [](uint16_t texture, uint8_t r, uint8_t g, uint8_t b) {
        ZEZmfWriter::Group group = Triangle(0, 1, 2);
        group.m_usTexture = texture;
        group.m_usMode = ZE_ZMF_COLOR_KEYED;
        group.m_aucColorKey[0] = r;
        group.m_aucColorKey[1] = g;
        group.m_aucColorKey[2] = b;
        return group;
    };
    ZEZmfWriter::Group plain = Triangle(0, 1, 2);
    plain.m_usTexture = 1;
    for (uint32_t level = 0; level < 2; ++level)
    {
        writer.AddLevel();
        writer.AddAnimation(level, ZEString("still"));
        writer.AddKeyFrame(level, 0, 0);
    }
    writer.AddGroup(0, 0, 0, keyed(2, 0, 0, 0));
    writer.AddGroup(0, 0, 0, keyed(1, 255, 0, 255));
    writer.AddGroup(0, 0, 0, plain);
    writer.AddGroup(1, 0, 0, keyed(1, 10, 20, 30));

    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();
    ASSERT_EQ(model->m_ulNumTextures, 4u) << "one copy per keyed texture";
    const ZEModelTriGroup* level0 = model->GetAnimation(0, 0)->m_pKeyFrames[0].m_pGroups;
    EXPECT_EQ(level0[0].m_usTexture, 3u) << "copies are numbered as their textures are first met";
    EXPECT_EQ(level0[1].m_usTexture, 4u);
    EXPECT_EQ(level0[2].m_usTexture, 1u) << "groups that are not keyed keep the source";
    EXPECT_EQ(model->GetAnimation(1, 0)->m_pKeyFrames[0].m_pGroups[0].m_usTexture, 4u);

    ZETexture* copy = model->GetTexture(4)->GetTexture();
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->m_Name == "skin");
    EXPECT_TRUE(copy->m_bAlpha);
    EXPECT_EQ(std::vector<uint8_t>(copy->m_aucColorKey, copy->m_aucColorKey + 3), (std::vector<uint8_t>{10, 20, 30}))
        << "the key of the last keyed group, in level order";
    EXPECT_EQ(std::vector<uint8_t>(copy->GetData(), copy->GetData() + 8),
              (std::vector<uint8_t>{255, 0, 255, 255, 10, 20, 30, 0}));
    ZETexture* source = model->GetTexture(1)->GetTexture();
    EXPECT_FALSE(source->m_bAlpha) << "the source texture stays as it was";
    EXPECT_EQ(model->GetTexture(3)->GetTexture()->m_aucColorKey[0], 0);
}

// ---------------------------------------------------------------------------
// Drawing

TEST_F(ModelManagerTest, OpaqueModelDrawsOneIndexedCallPerGroup)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();
    m_Renderer.Clear();

    ZEVector pos(1, 2, 3), rot(0, 90, 0), scale(2, 2, 2);
    float color[3] = {0.5f, 1.0f, 2.0f};
    model->Render(&pos, &rot, &scale, 0, 0, 0, color);
    std::string texture = ZERecordingRenderer::PointerText(model->GetTexture(1));
    EXPECT_EQ(Log(m_Renderer), "PushWorldMatrix\n"
                               "TransformWorld 1 2 3\n"
                               "RotateWorldDeg 0 90 0\n"
                               "ScaleWorld 2 2 2\n"
                               "SetVertexArray 6\n"
                               "LockVertexArray\n"
                               "SetTexture " + texture + "\n"
                               "SetAmbient 100 100 255\n"
                               "DrawIndices 3\n"
                               "UnlockVertexArray\n"
                               "PopWorldMatrix\n");
}

TEST_F(ModelManagerTest, TranslucentAndColourKeyedGroupsAreDrawnBlendedAfterTheOpaqueOnes)
{
    ZEZmfWriter writer;
    writer.AddVertex(0, 0, 0, 0, 0);
    writer.AddVertex(1, 0, 0, 0, 0);
    writer.AddVertex(0, 1, 0, 0, 0);
    writer.AddTexture(ZEString("t"), 1, 1, {0, 0, 0});
    ZEZmfWriter::Group half = Triangle(0, 1, 2);
    half.m_fOpacity = 0.5f;
    ZEZmfWriter::Group keyed = Triangle(0, 1, 2);
    keyed.m_usTexture = 1;
    keyed.m_usMode = ZE_ZMF_COLOR_KEYED_ENVIRONMENT;
    ZEZmfWriter::Group solid = Triangle(0, 1, 2);
    solid.m_usMode = ZE_ZMF_ENVIRONMENT;
    writer.AddMesh({}, {});
    writer.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups = {half, keyed, solid};
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    EXPECT_TRUE(reference->ModelContainsTransparency());
    m_Renderer.Clear();

    reference->GetModel()->Render(nullptr, nullptr, nullptr, 0, 0, 0, nullptr);
    EXPECT_EQ(Log(m_Renderer), "PushWorldMatrix\n"
                               "SetVertexArray 3\n"
                               "LockVertexArray\n"
                               "EnableEnvironmentMapping\n"
                               "SetTexture null\n"
                               "SetAmbient 255 255 255\n"
                               "DrawIndices 3\n"
                               "DisableEnvironmentMapping\n"
                               "EnableBlending\n"
                               "SetBlendingState 4 5\n"
                               "EnableAlphaTest\n"
                               "SetAlphaState 8 0\n"
                               "SetTexture null\n"
                               "SetAmbient 255 255 255 127\n"
                               "DrawIndices 3\n"
                               "EnableEnvironmentMapping\n"
                               "SetTexture " +
                                   ZERecordingRenderer::PointerText(reference->GetModel()->GetTexture(2)) +
                                   "\n"
                                   "SetAmbient 255 255 255 255\n"
                                   "DrawIndices 3\n"
                                   "DisableEnvironmentMapping\n"
                                   "DisableBlending\n"
                                   "DisableAlphaTest\n"
                                   "UnlockVertexArray\n"
                                   "PopWorldMatrix\n");
}

TEST_F(ModelManagerTest, GroupFadingBetweenKeyFramesWeighsColourAndAlpha)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    writer.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[1].m_aGroups[0].m_fOpacity = 0.5f;
    writer.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[1].m_aGroups[0].m_usMaterial = 0;
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    m_Renderer.Clear();

    reference->GetModel()->Render(nullptr, nullptr, nullptr, 0, 100, 0, nullptr);
    // 200 * 0.75 + 255 * 0.25, 100 * 0.75 + 63, alpha 191 + 31.
    EXPECT_EQ(m_Renderer.Count("SetAmbient 213 138 213 222"), 1u) << Log(m_Renderer);
    EXPECT_EQ(m_Renderer.Count("EnableBlending"), 1u);
}

TEST_F(ModelManagerTest, ReferenceDrawsItsAnimationAndScaleUnlessCulled)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    reference->SetAnimation(0u);
    m_Renderer.Clear();

    m_Timer.Advance(100);
    reference->Render(ZEVector(0, 0, 100), ZEVector(), nullptr);
    EXPECT_EQ(m_Renderer.Count("ScaleWorld"), 0u) << "no scale unless scaled";
    EXPECT_EQ(reference->GetModel()->m_pInterpolatedVertices[0].z, 30.0f);

    reference->SetScale(ZEVector(1, 2, 1));
    reference->Render(ZEVector(0, 0, 100), ZEVector(), nullptr);
    EXPECT_EQ(m_Renderer.Count("ScaleWorld 1 2 1"), 1u);

    m_Renderer.Clear();
    reference->Render(ZEVector(0, 0, -500), ZEVector(), nullptr);
    EXPECT_TRUE(m_Renderer.m_Log.empty()) << "behind the camera";
}

// The model lies far from its own origin: the sphere placed at the
// reference's position must still reach it.
TEST_F(ModelManagerTest, ModelAwayFromItsOriginIsNotCulledOrMissed)
{
    ZEZmfWriter writer;
    writer.AddBox(ZEVector(0, 0, 210), ZEVector(10, 10, 10));
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    m_Renderer.Clear();

    ZEVector pos(0, 0, -100);
    reference->Render(pos, ZEVector(), nullptr);
    EXPECT_EQ(m_Renderer.Count("DrawIndices"), 1u) << "the box at z 100..120 is in view";
    EXPECT_TRUE(reference->Clips(pos, ZEVector(), ZEVector(0, 0, 0), ZEVector(0, 0, 200)));
}

// ---------------------------------------------------------------------------
// Animation state of a reference

TEST_F(ModelManagerTest, FinishedAnimationDrawsAnimationZeroAtTimeZero)
{
    ZEZmfWriter writer;
    for (int i = 0; i < 6; ++i)
        writer.AddVertex(static_cast<float>(i), static_cast<float>(i * i), 50, 0, 0);
    writer.AddLevel();
    writer.AddAnimation(0, ZEString("rest"));
    writer.AddKeyFrame(0, 0, 0);
    writer.AddGroup(0, 0, 0, Triangle(0, 1, 2));
    writer.AddAnimation(0, ZEString("jump"));
    for (uint32_t time : {0u, 400u})
    {
        ZEZmfWriter::Group two = Triangle(0, 1, 2);
        two.m_ausIndices.insert(two.m_ausIndices.end(), {3, 4, 5});
        writer.AddGroup(0, 1, writer.AddKeyFrame(0, 1, time), two);
    }
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    reference->SetAnimation(ZEString("jump"));
    reference->m_bReverse = true;

    m_Timer.Advance(100);
    reference->Render(ZEVector(0, 0, 10), ZEVector(), nullptr);
    EXPECT_EQ(m_Renderer.Count("DrawIndices 6"), 1u);
    reference->AdvanceAnimation();
    EXPECT_EQ(reference->m_ulAnimationTime, 300u) << "reverse plays from the end";

    m_Timer.Advance(400);
    m_Renderer.Clear();
    reference->Render(ZEVector(0, 0, 10), ZEVector(), nullptr);
    EXPECT_EQ(m_Renderer.Count("DrawIndices 3"), 1u) << "animation 0";
    EXPECT_TRUE(reference->m_bAnimating) << "drawing only reads the clock";
    reference->AdvanceAnimation();
    EXPECT_FALSE(reference->m_bAnimating);
    EXPECT_EQ(reference->m_ulAnimation, 0u);
    EXPECT_EQ(reference->GetAnimationTime(0), 0u) << "also when it ran in reverse";
}

// Hit tests read the pose from the game time, as drawing does: a ray meets
// the moving triangle where it is now, whether or not a frame was drawn,
// while the animation loops at changing speeds.
TEST_F(ModelManagerTest, RaysMeetAnAnimatedModelWhereItIsNowDrawnOrNot)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::unique_ptr<ZEModelReference> drawn = Load(writer);
    ASSERT_NE(drawn, nullptr);
    std::unique_ptr<ZEModelReference> undrawn(drawn->GetModel()->GetReference());
    for (ZEModelReference* reference : {drawn.get(), undrawn.get()})
    {
        reference->SetAnimation(0u);
        reference->m_bLoop = true;
    }
    // The triangle slides from z = 140 to z = 100 and back to the start.
    const ZEVector pos(0, 0, 100), start(2, 2, 95), move(0, 0, 50);
    float lowest = 140.0f;
    for (int frame = 0; frame < 120; ++frame)
    {
        m_Timer.Advance(23);
        drawn->Render(pos, ZEVector(), nullptr);
        ZEVector atDrawn, atUndrawn;
        ASSERT_TRUE(drawn->Clips(pos, ZEVector(), start, move, atDrawn)) << "frame " << frame;
        ASSERT_TRUE(undrawn->Clips(pos, ZEVector(), start, move, atUndrawn)) << "frame " << frame;
        EXPECT_EQ(atDrawn, atUndrawn) << "frame " << frame;
        lowest = std::min(lowest, atUndrawn.z);
        for (ZEModelReference* reference : {drawn.get(), undrawn.get()})
        {
            reference->m_fAnimationSpeed = 0.5f + 0.02f * (frame % 50);
            reference->AdvanceAnimation();
        }
    }
    EXPECT_LT(lowest, 110.0f) << "the moving pose is hit, not the one at time 0";
}

TEST_F(ModelManagerTest, LoopingUsesModuloEvenAfterAVeryLongTime)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}, {0}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(0u);
    reference->m_bLoop = true;

    reference->m_ulAnimationStart = m_Timer.GetTime() - 3000000100u;
    EXPECT_EQ(reference->GetAnimationTime(0), 100u);
    EXPECT_EQ(m_Timer.GetTime() - reference->m_ulAnimationStart, 100u);

    reference->SetAnimation(1u);
    m_Timer.Advance(1000);
    EXPECT_EQ(reference->GetAnimationTime(0), 0u) << "an animation of length 0 stays at 0";
    EXPECT_TRUE(reference->m_bAnimating);
}

TEST_F(ModelManagerTest, WrappedSlowAnimationContinuesWithoutAJump)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(0u);
    reference->m_bLoop = true;
    reference->m_fAnimationSpeed = 0.5f;

    m_Timer.Advance(1000);
    EXPECT_EQ(reference->GetAnimationTime(0), 100u);
    m_Timer.Advance(100);
    EXPECT_EQ(reference->GetAnimationTime(0), 150u);
}

// ---------------------------------------------------------------------------
// Segment tests

TEST_F(ModelManagerTest, GroupPlanesFollowTheBlendNotOnlyTheVertexArray)
{
    ZEZmfWriter writer;
    MovingTriangle(writer);
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();
    ZEVector nearZ30(2, 2, 25), nearZ10(2, 2, 5), move(0, 0, 10);

    EXPECT_TRUE(model->Clips(nearZ30, move, 0, 100, 0));
    EXPECT_FALSE(model->Clips(nearZ10, move, 0, 100, 0));
    EXPECT_TRUE(model->Clips(nearZ10, move, 0, 300, 0)) << "same blended array, new blend";
    EXPECT_FALSE(model->Clips(nearZ30, move, 0, 300, 0));
    const ZEModelTriGroup& group = model->GetAnimation(0, 0)->m_pKeyFrames[0].m_pGroups[0];
    EXPECT_EQ(group.m_pVertices, model->m_pInterpolatedVertices);
    EXPECT_EQ(group.m_ulPlaneStamp, model->m_ulBlendStamp);

    EXPECT_TRUE(model->Clips(ZEVector(2, 2, 35), move, 0, 0, 0)) << "at a key frame: the loaded vertices";
    EXPECT_EQ(group.m_pVertices, model->m_pVertices);
}

TEST_F(ModelManagerTest, RecordFormReportsTheNearestHitAndTouchesNothingOnAMiss)
{
    ZEZmfWriter writer;
    for (float z : {50.0f, 10.0f})
    {
        uint32_t first = writer.AddVertex(-10, -10, z, 0, 0);
        writer.AddVertex(10, -10, z, 0, 0);
        writer.AddVertex(0, 10, z, 0, 0);
        writer.AddMesh({}, {});
        writer.m_aLevels[0].m_aAnimations[0].m_aKeyFrames[0].m_aGroups.back() =
            Triangle(static_cast<uint16_t>(first), static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2));
    }
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEModel* model = reference->GetModel();

    _ZEClipInfo info;
    ASSERT_TRUE(model->Clips(ZEVector(0, 0, 0), ZEVector(0, 0, 100), info, 0, 0, 0));
    EXPECT_EQ(info.m_vPoint, ZEVector(0, 0, 10));
    EXPECT_EQ(info.m_pPolygon, &model->GetAnimation(0, 0)->m_pKeyFrames[0].m_pGroups[1]);
    EXPECT_NEAR(info.m_Plane.Distance(info.m_vPoint), 0.0, 1e-5);

    _ZEClipInfo untouched;
    untouched.m_vPoint = ZEVector(7, 7, 7);
    EXPECT_FALSE(model->Clips(ZEVector(0, 0, 0), ZEVector(0, 0, 10), untouched, 0, 0, 0))
        << "a segment that ends on the plane does not cross it";
    EXPECT_FALSE(model->Clips(ZEVector(30, 0, 0), ZEVector(0, 0, 100), untouched, 0, 0, 0));
    EXPECT_EQ(untouched.m_vPoint, ZEVector(7, 7, 7));
}

TEST_F(ModelManagerTest, ReferenceTestsInModelSpaceAndAnswersInWorldSpace)
{
    ZEZmfWriter writer;
    writer.AddBox(ZEVector(), ZEVector(20, 5, 10));
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    ZEVector pos(100, 0, 0);

    // Turned 90 degrees about y, the box's x extent runs along world z.
    ZEVector turned(0, 90, 0);
    _ZEClipInfo info;
    ASSERT_TRUE(reference->Clips(pos, turned, ZEVector(100, 0, -50), ZEVector(0, 0, 100), info));
    EXPECT_NEAR(info.m_vPoint.z, -20.0f, 1e-4f);
    EXPECT_NEAR(info.m_Plane.m_vNormal.z, -1.0f, 1e-5f);
    EXPECT_NEAR(info.m_Plane.Distance(info.m_vPoint), 0.0, 1e-3);
    EXPECT_FALSE(reference->Clips(pos, turned, ZEVector(100, 0, -50), ZEVector(0, 0, 25)));

    ZEVector contact;
    ASSERT_TRUE(reference->Clips(pos, ZEVector(), ZEVector(100, 50, 0), ZEVector(0, -100, 0), contact));
    EXPECT_NEAR(contact.y, 5.0f, 1e-4f);

    // A non-uniform scale stretches the box and still reports a unit normal
    // at right angles to the stretched face.
    reference->SetScale(ZEVector(1, 4, 1));
    ASSERT_TRUE(reference->Clips(pos, ZEVector(0, 0, 30), ZEVector(100, 50, 0), ZEVector(0, -100, 0), info));
    EXPECT_NEAR(info.m_Plane.m_vNormal.GetLength(), 1.0f, 1e-5f);
    EXPECT_EQ(info.m_pObject, nullptr) << "the hit object is the caller's to fill";

    reference->SetScale(ZEVector(1, 0, 1));
    EXPECT_FALSE(reference->Clips(pos, ZEVector(), ZEVector(100, 50, 0), ZEVector(0, -100, 0)))
        << "a flattened model has no model space";
}

TEST_F(ModelManagerTest, ScaledReferenceIsHitAtItsScaledSurface)
{
    ZEZmfWriter writer;
    writer.AddBox(ZEVector(), ZEVector(10, 10, 10));
    std::unique_ptr<ZEModelReference> reference = Load(writer);
    ASSERT_NE(reference, nullptr);
    reference->SetScale(ZEVector(2, 1, 1));

    ZEVector contact;
    ASSERT_TRUE(reference->Clips(ZEVector(), ZEVector(), ZEVector(-50, 0, 0), ZEVector(100, 0, 0), contact));
    EXPECT_NEAR(contact.x, -20.0f, 1e-4f);
    EXPECT_FALSE(reference->Clips(ZEVector(), ZEVector(), ZEVector(-50, 15, 0), ZEVector(100, 0, 0)));
}

TEST_F(ModelManagerTest, UnloadedModelNeitherDrawsNorClips)
{
    ZEModel model;
    m_Renderer.Clear();
    model.Render(nullptr, nullptr, nullptr, 0, 0, 0, nullptr);
    EXPECT_TRUE(m_Renderer.m_Log.empty());
    EXPECT_FALSE(model.Clips(ZEVector(), ZEVector(0, 0, 1), 0, 0, 0));
    EXPECT_FALSE(model.Load(ZEString("nothing.zmf")));
}

// ---------------------------------------------------------------------------
// Level of detail with the engine's "modeldetail"

TEST(ModelDetailTest, DetailShiftsTheLevelAndFourMeansTheLast)
{
    ZETestApplication app;
    app.Initialize();
    ZEModel* model = new ZEModel();
    model->m_Name = "lod";
    Animate(*model, 3, {{0}});
    ZEModelManager::ms_pModelManager->AddToList(model);
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    app.Renderer()->m_Camera.m_fZFar = 2500.0f;
    ZEVector at1000(0, 0, 1000);

    EXPECT_EQ(reference->GetLOD(at1000), 1u) << "truncate(1000 / 833.33)";
    ZEConsole::ms_pConsole->EnterCommand(ZEString("set modeldetail 1"), true);
    EXPECT_EQ(reference->GetLOD(at1000), 2u);
    ZEConsole::ms_pConsole->EnterCommand(ZEString("set modeldetail 4"), true);
    EXPECT_EQ(reference->GetLOD(ZEVector()), 2u) << "always the last level";
    ZEConsole::ms_pConsole->EnterCommand(ZEString("set modeldetail -5"), true);
    EXPECT_EQ(reference->GetLOD(at1000), 0u);

    ZEConsole::ms_pConsole->EnterCommand(ZEString("set modeldetail 0"), true);
    ZEConsole::ms_pConsole->EnterCommand(ZEString("set modelshadowlod 1"), true);
    EXPECT_EQ(reference->GetShadowLOD(at1000), 0u);
    EXPECT_EQ(reference->GetShadowLOD(ZEVector()), 2u) << "0 - 1 wraps past the last level";
    ZEConsole::ms_pConsole->EnterCommand(ZEString("set modelshadowlod 3"), true);
    EXPECT_EQ(reference->GetShadowLOD(ZEVector(0, 0, 2000)), 2u);

    reference.reset();
    app.Exit();
}

TEST(ModelDetailTest, HitTestsUseTheFinestLevelWhateverIsDrawn)
{
    // Level 0 is a box of half size 10, level 1 one of half size 2.
    ZEZmfWriter writer;
    writer.AddBox(ZEVector(), ZEVector(10, 10, 10));
    writer.AddLevel();
    writer.AddAnimation(1, ZEString("default"));
    writer.AddKeyFrame(1, 0, 0);
    writer.AddGroup(1, 0, 0, writer.MakeBox(ZEVector(), ZEVector(2, 2, 2)));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(writer.Build(bytes)) << writer.GetError().CStr();
    ZETempFolder folder("lod");
    folder.Write("models/lod.zmf", bytes);

    ZETestApplication app;
    app.Initialize();
    ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(folder.Path().c_str()));
    std::unique_ptr<ZEModelReference> reference(ZEModelManager::ms_pModelManager->GetModel(ZEString("lod.zmf")));
    ASSERT_NE(reference, nullptr);
    ZECamera& camera = app.Renderer()->m_Camera;
    camera.m_fZFar = 1000.0f;

    // A segment that passes through the big box only, 6 off its centre.
    ZEVector pos(0, 0, 800), start(6, 0, 700), move(0, 0, 200);
    auto hitAt = [&]() {
        ZEVector contact(0, 0, 0);
        return reference->Clips(pos, ZEVector(), start, move, contact) ? contact.z : -1.0f;
    };
    ASSERT_EQ(reference->GetLOD(pos), 1u) << "far from the camera: the small box is drawn";
    EXPECT_FLOAT_EQ(hitAt(), 790.0f);
    camera.m_vPosition = pos;
    EXPECT_EQ(reference->GetLOD(pos), 0u);
    EXPECT_FLOAT_EQ(hitAt(), 790.0f);
    ZEConsole::ms_pConsole->EnterCommand(ZEString("set modeldetail 4"), true);
    EXPECT_FLOAT_EQ(hitAt(), 790.0f);
    EXPECT_TRUE(reference->Clips(pos, ZEVector(), start, move));

    reference.reset();
    app.Exit();
}
