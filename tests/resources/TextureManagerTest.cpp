#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZETextureManager.h"

#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"
#include "support/TempFolder.h"

#include "ZEAtxWriter.h"
#include "ZEPackWriter.h"
#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// A new[]-allocated RGB image whose texel i is (i, i + 1, i + 2).
uint8_t* Image(uint32_t width, uint32_t height)
{
    uint32_t texels = width * height;
    uint8_t* rgb = new uint8_t[texels * 3];
    for (uint32_t i = 0; i < texels; ++i)
    {
        rgb[i * 3] = static_cast<uint8_t>(i);
        rgb[i * 3 + 1] = static_cast<uint8_t>(i + 1);
        rgb[i * 3 + 2] = static_cast<uint8_t>(i + 2);
    }
    return rgb;
}

class TextureManagerTest : public ::testing::Test
{
protected:
    // A still texture as a loader would leave it, listed without references.
    ZETexture* AddLoaded(const char* name, const char* package, bool clamp = false)
    {
        ZETexture* texture = new ZETexture();
        texture->SetTextureData(Image(2, 2), 2, 2, name, package);
        texture->m_bClamp = clamp;
        m_pManager->AddToList(texture);
        return texture;
    }

    // An animated texture of two 1x1 frames showing 100 ms each.
    ZETexture* AddAnimation(const char* name)
    {
        uint8_t** frames = new uint8_t*[2]{Image(1, 1), Image(1, 1)};
        uint16_t* times = new uint16_t[2]{100, 100};
        ZETexture* texture = new ZETexture();
        texture->SetAnimatedTextureData(frames, 1, 1, times, 2, name);
        m_pManager->AddToList(texture);
        return texture;
    }

    std::string Upload(ZETexture* texture, uint16_t filter) const
    {
        return "RestoreTexture " + ZERecordingRenderer::PointerText(texture) + " " + std::to_string(filter);
    }

    bool Logged(const std::string& line) const
    {
        for (const std::string& entry : m_Renderer.m_Log)
            if (entry == line)
                return true;
        return false;
    }

    // Whether a console message holds `part`.
    bool Posted(const std::string& part) const
    {
        for (const ZEConsoleMessage* message = m_Console.GetMessages(); message; message = message->m_pNext)
            if (std::string(message->m_Text.CStr()).find(part) != std::string::npos)
                return true;
        return false;
    }

    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    // Made before the manager, so it loads no font of its own.
    ZEConsole m_Console;
    ZEFileManager m_Files;
    std::unique_ptr<ZETextureManager> m_pManager = std::make_unique<ZETextureManager>();
};
}

// --- Memory textures ---------------------------------------------------------

TEST_F(TextureManagerTest, MemoryTextureTakesTheDataAndIsUploadedOnce)
{
    uint8_t* rgb = Image(4, 2);
    std::unique_ptr<ZETextureReference> reference(m_pManager->GetTexture(rgb, 4, 2, "skin"));

    ZETexture* texture = reference->GetTexture();
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->GetData(), rgb);
    EXPECT_TRUE(texture->m_Name == "skin");
    EXPECT_TRUE(texture->m_Directory == "MEMORY");
    EXPECT_EQ(texture->m_ulReferences, 1u);
    EXPECT_EQ(texture->m_usFilter, m_Renderer.m_usTextureFilter);
    EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 1u);
    EXPECT_TRUE(Logged(Upload(texture, m_Renderer.m_usTextureFilter)));
}

TEST_F(TextureManagerTest, MemoryTexturesAndLightmapsAreNeverShared)
{
    std::unique_ptr<ZETextureReference> a(m_pManager->GetTexture(Image(1, 1), 1, 1, "skin"));
    std::unique_ptr<ZETextureReference> b(m_pManager->GetTexture(Image(1, 1), 1, 1, "skin"));
    std::unique_ptr<ZETextureReference> c(m_pManager->GetLightmap(new uint8_t[4](), 2, 2));
    std::unique_ptr<ZETextureReference> d(m_pManager->GetLightmap(new uint8_t[4](), 2, 2));

    EXPECT_NE(a->GetTexture(), b->GetTexture());
    EXPECT_NE(c->GetTexture(), d->GetTexture());
    EXPECT_EQ(m_pManager->GetNumTextures(), 4u);
    EXPECT_TRUE(c->GetTexture()->m_Name == "LIGHTMAP");
    EXPECT_TRUE(c->GetTexture()->m_Directory == "MEMORY");
    EXPECT_TRUE(c->GetTexture()->m_bLightmap);
}

TEST_F(TextureManagerTest, MemoryTextureWithColorKeyIsUploadedWithFilterZero)
{
    const uint8_t key[3] = {0, 1, 2};
    std::unique_ptr<ZETextureReference> reference(m_pManager->GetTexture(Image(2, 1), 2, 1, "font", key));
    ZETexture* texture = reference->GetTexture();
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(texture->m_bAlpha);
    EXPECT_EQ(texture->m_usFilter, 0u);
    EXPECT_TRUE(Logged(Upload(texture, 0)));
}

// --- Reference counting and sweeps --------------------------------------------

TEST_F(TextureManagerTest, ReferencesCountUpAndDown)
{
    ZETexture* texture = AddLoaded("road", "track");
    ZETextureReference* first = texture->GetReference();
    ZETextureReference* second = texture->GetReference();
    EXPECT_EQ(texture->m_ulReferences, 2u);

    delete second;
    EXPECT_EQ(texture->m_ulReferences, 1u);
    delete first;
    EXPECT_EQ(texture->m_ulReferences, 0u);
    EXPECT_EQ(m_pManager->GetNumTextures(), 1u) << "only a sweep deletes";
}

TEST_F(TextureManagerTest, ReleaseReferenceIgnoresAnotherTexturesReference)
{
    ZETexture* a = AddLoaded("a", "p");
    ZETexture* b = AddLoaded("b", "p");
    std::unique_ptr<ZETextureReference> ofA(a->GetReference());
    std::unique_ptr<ZETextureReference> ofB(b->GetReference());

    EXPECT_EQ(a->ReleaseReference(ofB.get()), 1u);
    EXPECT_EQ(a->ReleaseReference(nullptr), 1u);
    EXPECT_EQ(b->m_ulReferences, 1u);
}

TEST_F(TextureManagerTest, LastReferenceGoneMeansTheNextFrameDeletesTheTexture)
{
    ZETexture* kept = AddLoaded("kept", "p");
    std::unique_ptr<ZETextureReference> keep(kept->GetReference());
    ZETexture* dropped = AddLoaded("dropped", "p");
    delete dropped->GetReference();
    std::string release = "ReleaseTexture " + ZERecordingRenderer::PointerText(dropped);

    m_pManager->UpdateAnimatedTextures();

    EXPECT_EQ(m_pManager->GetNumTextures(), 1u);
    EXPECT_EQ(m_pManager->GetTextures(), kept);
    EXPECT_TRUE(Logged(release));
}

TEST_F(TextureManagerTest, ReleaseUnusedTexturesKeepsReferencedOnesInOrder)
{
    ZETexture* a = AddLoaded("a", "p");
    AddLoaded("unused", "p");
    ZETexture* c = AddLoaded("c", "p");
    std::unique_ptr<ZETextureReference> refA(a->GetReference());
    std::unique_ptr<ZETextureReference> refC(c->GetReference());

    m_pManager->ReleaseUnusedTextures();

    ASSERT_EQ(m_pManager->GetNumTextures(), 2u);
    EXPECT_EQ(m_pManager->GetTextures(), a);
    EXPECT_EQ(a->m_pNext, c);
    EXPECT_EQ(m_Renderer.Count("ReleaseTexture"), 1u);
}

TEST_F(TextureManagerTest, RestoreTexturesUploadsEachWithItsOwnFilter)
{
    std::unique_ptr<ZETextureReference> nearest(m_pManager->GetTexture(Image(1, 1), 1, 1, "a", 0, false));
    std::unique_ptr<ZETextureReference> trilinear(m_pManager->GetTexture(Image(1, 1), 1, 1, "b", 2, false));
    m_Renderer.Clear();

    m_pManager->RestoreTextures();

    ASSERT_EQ(m_Renderer.m_Log.size(), 2u);
    EXPECT_EQ(m_Renderer.m_Log[0], Upload(nearest->GetTexture(), 0));
    EXPECT_EQ(m_Renderer.m_Log[1], Upload(trilinear->GetTexture(), 2));
}

// --- Shared lookup -------------------------------------------------------------

TEST_F(TextureManagerTest, SameNameAndPackageShareOneTextureWithoutNewUpload)
{
    ZETexture* road = AddLoaded("road", "track");
    std::unique_ptr<ZETextureReference> first(m_pManager->GetTexture("road", "track", false));
    std::unique_ptr<ZETextureReference> second(m_pManager->GetTexture("road", "track", false));

    EXPECT_EQ(first->GetTexture(), road);
    EXPECT_EQ(second->GetTexture(), road);
    EXPECT_EQ(road->m_ulReferences, 2u);
    EXPECT_EQ(m_pManager->GetNumTextures(), 1u);
    EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 0u);
}

TEST_F(TextureManagerTest, PackageClampingAndColorKeyKeepTexturesApart)
{
    AddLoaded("road", "track");
    const uint8_t key[3] = {255, 0, 255};

    EXPECT_EQ(m_pManager->AlreadyLoaded("road", "other", false, false, false, nullptr), nullptr);
    EXPECT_EQ(m_pManager->AlreadyLoaded("road", "track", false, true, false, nullptr), nullptr);
    EXPECT_EQ(m_pManager->AlreadyLoaded("road", "track", false, false, true, key), nullptr);
    EXPECT_EQ(m_pManager->AlreadyLoaded("road", "track", true, false, false, nullptr), nullptr);
    EXPECT_EQ(m_pManager->AlreadyLoaded("Road", "track", false, false, false, nullptr), nullptr);
}

TEST_F(TextureManagerTest, AnimationsAreSharedWhateverThePackage)
{
    ZETexture* water = AddAnimation("water");
    std::unique_ptr<ZETextureReference> reference(m_pManager->AlreadyLoaded("water", "elsewhere", true, false,
                                                                            false, nullptr));
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(reference->GetTexture(), water);
}

TEST_F(TextureManagerTest, KeyedAndPlainTexturesNeverStandInForEachOther)
{
    const uint8_t key[3] = {0, 0, 0};
    const uint8_t otherKey[3] = {0, 0, 1};
    std::unique_ptr<ZETextureReference> keyed(m_pManager->GetTexture(Image(1, 1), 1, 1, "font", key));
    std::unique_ptr<ZETextureReference> plain(m_pManager->GetTexture(Image(1, 1), 1, 1, "font", 1, false));

    std::unique_ptr<ZETextureReference> foundKeyed(
        m_pManager->AlreadyLoaded("font", "MEMORY", false, false, true, key));
    std::unique_ptr<ZETextureReference> foundPlain(
        m_pManager->AlreadyLoaded("font", "MEMORY", false, false, false, nullptr));

    EXPECT_EQ(foundKeyed->GetTexture(), keyed->GetTexture());
    EXPECT_EQ(foundPlain->GetTexture(), plain->GetTexture());
    EXPECT_EQ(m_pManager->AlreadyLoaded("font", "MEMORY", false, false, true, otherKey), nullptr);
}

TEST_F(TextureManagerTest, UnloadableNameGivesAnEmptyReferenceNeverNull)
{
    std::unique_ptr<ZETextureReference> plain(m_pManager->GetTexture("missing", "nowhere", false));
    const uint8_t key[3] = {1, 2, 3};
    std::unique_ptr<ZETextureReference> keyed(m_pManager->GetTexture("missing", "nowhere", false, key));
    std::unique_ptr<ZETextureReference> animated(m_pManager->GetTexture("missing", "", true));

    for (ZETextureReference* reference : {plain.get(), keyed.get(), animated.get()})
    {
        ASSERT_NE(reference, nullptr);
        EXPECT_TRUE(reference->IsEmpty());
        EXPECT_EQ(reference->GetTexture(), nullptr);
        EXPECT_EQ(reference->m_ulID, 0u);
    }
    EXPECT_EQ(m_pManager->GetNumTextures(), 0u);
}

TEST_F(TextureManagerTest, MapRecordNamesAreBoundedByTheirFields)
{
    // A record whose name fills all 12 bytes without a terminator.
    _TextureInformation info;
    std::memcpy(info.m_acName, "ABCDEFGHIJKL", 12);
    std::memset(info.m_acPackage, 0, sizeof(info.m_acPackage));
    std::memcpy(info.m_acPackage, "pkg", 3);
    info.m_ucAnimated = 0;
    ZETexture* texture = AddLoaded("ABCDEFGHIJKL", "pkg");

    std::unique_ptr<ZETextureReference> reference(m_pManager->GetTexture(info));

    EXPECT_EQ(reference->GetTexture(), texture);
}

TEST_F(TextureManagerTest, TextureDirectoryBecomesAPath)
{
    m_pManager->SetTextureDirectory("textures");
    EXPECT_TRUE(m_pManager->GetTextureDirectory() == "textures/");
    m_pManager->SetTextureDirectory("main\\textures/");
    EXPECT_TRUE(m_pManager->GetTextureDirectory() == "main/textures/");
    m_pManager->SetTextureDirectory("");
    EXPECT_TRUE(m_pManager->GetTextureDirectory().IsEmpty());
}

// --- Image data -----------------------------------------------------------------

TEST_F(TextureManagerTest, ColorKeyMakesExactlyTheKeyTransparent)
{
    uint8_t* rgb = new uint8_t[6]{255, 0, 255, 255, 0, 254};
    ZETexture texture;
    texture.SetTextureData(rgb, 2, 1, "keyed", "p");
    const uint8_t key[3] = {255, 0, 255};

    texture.SetColorKey(key);

    const uint8_t* rgba = texture.GetData();
    const uint8_t expected[8] = {255, 0, 255, 0, 255, 0, 254, 255};
    EXPECT_EQ(std::memcmp(rgba, expected, 8), 0);
    EXPECT_TRUE(texture.m_bAlpha);
    EXPECT_EQ(std::memcmp(texture.m_aucColorKey, key, 3), 0);

    const uint8_t otherKey[3] = {255, 0, 254};
    texture.SetColorKey(otherKey);
    EXPECT_EQ(texture.GetData(), rgba) << "a keyed texture is keyed once";
}

TEST_F(TextureManagerTest, ColorKeyConvertsEveryFrameOfAnAnimation)
{
    ZETexture* water = AddAnimation("water");
    const uint8_t key[3] = {0, 1, 2};   // texel 0 of every frame
    water->SetColorKey(key);
    for (uint16_t i = 0; i < water->m_usNumFrames; ++i)
        EXPECT_EQ(water->m_ppFrames[i][3], 0) << "frame " << i;
}

TEST_F(TextureManagerTest, ColorKeyNeedsImageData)
{
    ZETexture empty;
    const uint8_t key[3] = {0, 0, 0};
    empty.SetColorKey(key);
    EXPECT_FALSE(empty.m_bAlpha);
}

TEST_F(TextureManagerTest, DataOfferedToALoadedTextureIsFreedNotKept)
{
    ZETexture texture;
    uint8_t* first = Image(1, 1);
    texture.SetTextureData(first, 1, 1, "a", "p");
    texture.SetTextureData(Image(8, 8), 8, 8, "b", "q");
    texture.SetLightmapData(new uint8_t[4](), 2, 2);
    texture.SetAnimatedTextureData(new uint8_t*[1]{Image(1, 1)}, 1, 1, new uint16_t[1]{5}, 1, "c");

    EXPECT_EQ(texture.GetData(), first);
    EXPECT_EQ(texture.m_ulWidth, 1u);
    EXPECT_TRUE(texture.m_Name == "a");
    EXPECT_FALSE(texture.m_bAnimated);
}

// --- Animation -----------------------------------------------------------------------

TEST_F(TextureManagerTest, AnimationAdvancesAfterEachFrameTimeAndNotWhilePaused)
{
    ZETexture* water = AddAnimation("water");
    std::unique_ptr<ZETextureReference> reference(water->GetReference());
    std::string reupload = "RestoreTexture " + ZERecordingRenderer::PointerText(water);

    m_Timer.Advance(100);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(water->m_usCurrentFrame, 0u) << "exactly the frame time is not yet more";

    m_Timer.Advance(1);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(water->m_usCurrentFrame, 1u);
    EXPECT_EQ(water->GetData(), water->m_ppFrames[1]);
    EXPECT_EQ(m_Renderer.Count(reupload), 1u);

    m_Timer.SetTimeFactor(0.0f);
    m_Timer.Advance(1000);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(water->m_usCurrentFrame, 1u);

    m_Timer.SetTimeFactor(1.0f);
    m_Timer.Advance(101);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(water->m_usCurrentFrame, 0u);
    EXPECT_EQ(m_Renderer.Count(reupload), 2u);
}

TEST_F(TextureManagerTest, AnimationAdvancesOneFrameAPass)
{
    ZETexture* water = AddAnimation("water");
    std::unique_ptr<ZETextureReference> reference(water->GetReference());
    m_Timer.Advance(10000);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(water->m_usCurrentFrame, 1u);
}

// --- Lifetime -------------------------------------------------------------------------------

TEST_F(TextureManagerTest, ReferenceDeletedAfterItsTextureWasFreedTouchesNothing)
{
    ZETextureReference* stale = AddLoaded("road", "track")->GetReference();
    m_pManager->ReleaseTextures();
    EXPECT_EQ(m_pManager->GetNumTextures(), 0u);
    EXPECT_EQ(stale->GetTexture(), nullptr);
    delete stale;
}

TEST_F(TextureManagerTest, StaleReferenceNeverCountsDownANewTexture)
{
    ZETextureReference* stale = AddLoaded("road", "track")->GetReference();
    m_pManager->ReleaseTextures();
    // The new texture may well take the freed texture's address.
    ZETexture* fresh = AddLoaded("road", "track");
    std::unique_ptr<ZETextureReference> live(fresh->GetReference());

    delete stale;

    EXPECT_EQ(fresh->m_ulReferences, 1u);
}

TEST_F(TextureManagerTest, ReferencesMayOutliveTheManager)
{
    ZETextureReference* memory = m_pManager->GetTexture(Image(1, 1), 1, 1, "skin");
    ZETextureReference* shared = AddLoaded("road", "track")->GetReference();
    ZETextureReference* empty = m_pManager->GetTexture("missing", "nowhere", false);

    m_pManager.reset();

    EXPECT_EQ(ZETextureManager::ms_pTexManager, nullptr);
    EXPECT_EQ(m_Renderer.Count("ReleaseTexture"), 2u) << "the manager releases what it holds";
    EXPECT_EQ(memory->GetTexture(), nullptr);
    delete memory;
    delete shared;
    delete empty;
}

TEST_F(TextureManagerTest, ReferencesOfAnOldManagerLeaveANewOneAlone)
{
    ZETextureReference* old = AddLoaded("road", "track")->GetReference();
    m_pManager = std::make_unique<ZETextureManager>();
    ZETexture* fresh = AddLoaded("road", "track");
    std::unique_ptr<ZETextureReference> live(fresh->GetReference());

    delete old;

    EXPECT_EQ(fresh->m_ulReferences, 1u);
}

TEST_F(TextureManagerTest, MemoryImagesWithoutDataOrWithUnusableSizesAreRefused)
{
    std::unique_ptr<ZETextureReference> none(m_pManager->GetTexture(nullptr, 2, 2, "skin"));
    std::unique_ptr<ZETextureReference> flat(m_pManager->GetTexture(Image(2, 1), 0, 1, "skin"));
    std::unique_ptr<ZETextureReference> huge(m_pManager->GetTexture(Image(2, 1), 70000, 70000, "skin"));
    std::unique_ptr<ZETextureReference> lightmap(m_pManager->GetLightmap(new uint8_t[4](), 4, 0));

    for (ZETextureReference* reference : {none.get(), flat.get(), huge.get(), lightmap.get()})
        EXPECT_TRUE(reference->IsEmpty());
    EXPECT_EQ(m_pManager->GetNumTextures(), 0u);
    EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 0u);
    EXPECT_TRUE(Posted("textures: memory texture skin has no image data"));
    EXPECT_TRUE(Posted("textures: memory texture skin has an unusable size of 70000 x 70000"));
    EXPECT_TRUE(Posted("memory texture LIGHTMAP has an unusable size of 4 x 0"));
}

TEST_F(TextureManagerTest, ClampedMemoryTextureGetsNoMipmappingFilter)
{
    std::unique_ptr<ZETextureReference> clamped(m_pManager->GetTexture(Image(1, 1), 1, 1, "a", 2, true));
    EXPECT_EQ(clamped->GetTexture()->m_usFilter, 1u);
}

// --- Texture files ----------------------------------------------------------------------
//
// Files are made with the writers, then damaged byte by byte where a case
// needs a file that no writer produces.

namespace
{
using Bytes = std::vector<uint8_t>;

Bytes ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void PutLE16(Bytes& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

Bytes Data(const ZETexture& texture, size_t bytesPerTexel = 3)
{
    const uint8_t* data = texture.GetData();
    return Bytes(data, data + texture.m_ulWidth * texture.m_ulHeight * bytesPerTexel);
}

// Offsets in a package whose first entry is being damaged.
const size_t FIRST_ENTRY = 4;
const size_t FIRST_WIDTH = FIRST_ENTRY + 12;
const size_t FIRST_HEIGHT = FIRST_ENTRY + 14;
const size_t FIRST_PALETTE_SIZE = FIRST_ENTRY + 16;
const size_t FIRST_IMAGE = FIRST_ENTRY + 18;
// Offsets in an animation.
const size_t ATX_WIDTH = 4;
const size_t ATX_FRAME_COUNT = 8;

class TextureFileTest : public TextureManagerTest
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Root = m_Folder.Path();
        fs::create_directories(m_Root / "textures");
        m_Files.SetMainDirectory(ZEString(m_Root.c_str()));
        m_pManager->SetTextureDirectory("textures");
    }

    fs::path TexturePath(const std::string& file) const { return m_Root / "textures" / file; }

    void WritePackage(const std::string& package, std::initializer_list<std::pair<const char*, ZETexImage>> images)
    {
        ZETexWriter writer;
        for (const auto& image : images)
            ASSERT_TRUE(writer.AddImage(image.first, image.second)) << writer.GetError().CStr();
        ASSERT_TRUE(writer.Write(ZEString(TexturePath(package + ".tex").c_str()))) << writer.GetError().CStr();
    }

    void WriteAnimation(const std::string& name, std::initializer_list<std::pair<uint16_t, ZETexImage>> frames)
    {
        ZEAtxWriter writer;
        for (const auto& frame : frames)
            ASSERT_TRUE(writer.AddFrame(frame.first, frame.second)) << writer.GetError().CStr();
        ASSERT_TRUE(writer.Write(ZEString(TexturePath(name + ".atx").c_str()))) << writer.GetError().CStr();
    }

    // A 2 x 1 animation of two frames, red then blue, 100 ms each.
    void WriteBlinker(const std::string& name)
    {
        WriteAnimation(name, {{100, ZETexImage::TrueColor(2, 1, {255, 0, 0, 255, 0, 0})},
                              {100, ZETexImage::Paletted(2, 1, {0, 0, 255}, {0, 0})}});
    }

    // Loads by name; the reference must be non-empty.
    ZETexture* Load(std::unique_ptr<ZETextureReference>& reference, const char* name, const char* package,
                    bool animated = false)
    {
        reference.reset(m_pManager->GetTexture(name, package, animated));
        EXPECT_NE(reference, nullptr);
        return reference ? reference->GetTexture() : nullptr;
    }

    // The request must fail cleanly: an empty reference, nothing listed,
    // nothing uploaded, and a console message holding `message`.
    void ExpectRefused(const char* name, const char* package, bool animated, const std::string& message)
    {
        m_Console.Free();
        m_Renderer.Clear();
        std::unique_ptr<ZETextureReference> reference(m_pManager->GetTexture(name, package, animated));
        ASSERT_NE(reference, nullptr);
        EXPECT_TRUE(reference->IsEmpty()) << message;
        EXPECT_EQ(m_pManager->GetNumTextures(), 0u) << message;
        EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 0u) << message;
        EXPECT_TRUE(Posted(message)) << "no message holding: " << message;
    }

    ZETempFolder m_Folder{"textures"};
    fs::path m_Root;
};

ZETexImage Red2x1()
{
    return ZETexImage::TrueColor(2, 1, {255, 0, 0, 254, 0, 0});
}
}

// --- Loading and sharing ---

TEST_F(TextureFileTest, LoadsTheNamedEntryOfAPackageAndUploadsItOnce)
{
    WritePackage("track", {{"grass", ZETexImage::TrueColor(1, 2, {1, 2, 3, 4, 5, 6})}, {"road", Red2x1()}});

    std::unique_ptr<ZETextureReference> reference;
    ZETexture* road = Load(reference, "road", "track");

    ASSERT_NE(road, nullptr);
    EXPECT_TRUE(road->m_Name == "road");
    EXPECT_TRUE(road->m_Directory == "track");
    EXPECT_EQ(road->m_ulWidth, 2u);
    EXPECT_EQ(road->m_ulHeight, 1u);
    EXPECT_EQ(Data(*road), (Bytes{255, 0, 0, 254, 0, 0}));
    EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 1u);
    EXPECT_TRUE(Logged(Upload(road, 1)));
}

TEST_F(TextureFileTest, PaletteOfTwoColoursExpandsToRGB)
{
    WritePackage("track", {{"stripes", ZETexImage::Paletted(3, 1, {10, 20, 30, 40, 50, 60}, {0, 1, 1})}});
    std::unique_ptr<ZETextureReference> reference;
    ZETexture* stripes = Load(reference, "stripes", "track");
    ASSERT_NE(stripes, nullptr);
    EXPECT_EQ(Data(*stripes), (Bytes{10, 20, 30, 40, 50, 60, 40, 50, 60}));
}

TEST_F(TextureFileTest, SameRequestSharesWhileAnotherPackageClampOrKeyLoadsAgain)
{
    WritePackage("track", {{"road", Red2x1()}});
    WritePackage("other", {{"road", Red2x1()}});
    const uint8_t key[3] = {255, 0, 255};

    std::unique_ptr<ZETextureReference> first(m_pManager->GetTexture("road", "track", false));
    std::unique_ptr<ZETextureReference> second(m_pManager->GetTexture("road", "track", false));
    EXPECT_EQ(first->GetTexture(), second->GetTexture());
    EXPECT_EQ(first->GetTexture()->m_ulReferences, 2u);
    EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 1u);

    std::unique_ptr<ZETextureReference> other(m_pManager->GetTexture("road", "other", false));
    std::unique_ptr<ZETextureReference> clamped(m_pManager->GetTexture("road", "track", false, 1, true));
    std::unique_ptr<ZETextureReference> keyed(m_pManager->GetTexture("road", "track", false, key));
    for (ZETextureReference* reference : {other.get(), clamped.get(), keyed.get()})
    {
        ASSERT_FALSE(reference->IsEmpty());
        EXPECT_NE(reference->GetTexture(), first->GetTexture());
    }
    EXPECT_EQ(m_pManager->GetNumTextures(), 4u);
    EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 4u);
}

TEST_F(TextureFileTest, ColourKeyedRequestNeverGetsThePlainTextureNorTheOtherWayRound)
{
    WritePackage("hud", {{"icon", ZETexImage::TrueColor(2, 1, {255, 0, 255, 255, 0, 254})}});
    const uint8_t key[3] = {255, 0, 255};

    std::unique_ptr<ZETextureReference> keyed(m_pManager->GetTexture("icon", "hud", false, key));
    ZETexture* icon = keyed->GetTexture();
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(icon->m_bAlpha);
    EXPECT_EQ(Data(*icon, 4), (Bytes{255, 0, 255, 0, 255, 0, 254, 255}));
    EXPECT_EQ(icon->m_usFilter, 0u);
    EXPECT_TRUE(Logged(Upload(icon, 0)));

    std::unique_ptr<ZETextureReference> plain(m_pManager->GetTexture("icon", "hud", false));
    std::unique_ptr<ZETextureReference> keyedAgain(m_pManager->GetTexture("icon", "hud", false, key));
    EXPECT_NE(plain->GetTexture(), icon);
    EXPECT_FALSE(plain->GetTexture()->m_bAlpha);
    EXPECT_EQ(keyedAgain->GetTexture(), icon);
}

TEST_F(TextureFileTest, ClampedTextureNeverGetsAMipmappingFilter)
{
    WritePackage("sfx", {{"corona", Red2x1()}});
    m_Renderer.m_usTextureFilter = 2;
    std::unique_ptr<ZETextureReference> clamped(m_pManager->GetTexture("corona", "sfx", false, 2, true));
    std::unique_ptr<ZETextureReference> repeated(m_pManager->GetTexture("corona", "sfx", false, 2, false));
    std::unique_ptr<ZETextureReference> limited(m_pManager->GetTexture("corona", "sfx", false, 7, false));
    EXPECT_EQ(clamped->GetTexture()->m_usFilter, 1u);
    EXPECT_EQ(repeated->GetTexture()->m_usFilter, 2u);
    EXPECT_EQ(limited->GetTexture(), repeated->GetTexture()) << "filters are not part of the sharing key";
}

TEST_F(TextureFileTest, MapRecordLoadsFromItsPackage)
{
    WritePackage("track", {{"road", Red2x1()}});
    _TextureInformation info = {};
    std::memcpy(info.m_acName, "road", 4);
    std::memcpy(info.m_acPackage, "track", 5);
    std::unique_ptr<ZETextureReference> reference(m_pManager->GetTexture(info));
    ASSERT_FALSE(reference->IsEmpty());
    EXPECT_TRUE(reference->GetTexture()->m_Directory == "track");
}

TEST_F(TextureFileTest, LooseFileWinsOverTheArchivedCopy)
{
    WritePackage("track", {{"road", Red2x1()}});
    Bytes archived = ReadBytes(TexturePath("track.tex"));
    WritePackage("only", {{"sign", ZETexImage::TrueColor(1, 1, {7, 8, 9})}});
    Bytes onlyArchived = ReadBytes(TexturePath("only.tex"));
    fs::remove(TexturePath("only.tex"));
    ZEPackWriter pack;
    ASSERT_TRUE(pack.AddData("textures/track.tex", archived.data(), archived.size()));
    ASSERT_TRUE(pack.AddData("textures/only.tex", onlyArchived.data(), onlyArchived.size()));
    ASSERT_TRUE(pack.Write(ZEString((m_Root / "pack.dat").c_str())));
    ASSERT_TRUE(m_Files.AddArchive("pack.dat"));
    WritePackage("track", {{"road", ZETexImage::TrueColor(2, 1, {0, 0, 1, 0, 0, 2})}});

    std::unique_ptr<ZETextureReference> road;
    std::unique_ptr<ZETextureReference> sign;
    ASSERT_NE(Load(road, "road", "track"), nullptr);
    ASSERT_NE(Load(sign, "sign", "only"), nullptr);
    EXPECT_EQ(Data(*road->GetTexture()), (Bytes{0, 0, 1, 0, 0, 2})) << "the loose copy";
    EXPECT_EQ(Data(*sign->GetTexture()), (Bytes{7, 8, 9})) << "from the archive";
}

TEST_F(TextureFileTest, ArchivedFileIsNeverReadIntoTheNextEntry)
{
    // The cut package's missing texels are the first bytes of the next entry.
    WritePackage("cut", {{"road", Red2x1()}});
    Bytes whole = ReadBytes(TexturePath("cut.tex"));
    fs::remove(TexturePath("cut.tex"));
    Bytes cut(whole.begin(), whole.end() - 3);
    Bytes rest(whole.end() - 3, whole.end());
    ZEPackWriter pack;
    ASSERT_TRUE(pack.AddData("textures/cut.tex", cut.data(), cut.size()));
    ASSERT_TRUE(pack.AddData("x", rest.data(), rest.size()));
    ASSERT_TRUE(pack.Write(ZEString((m_Root / "pack.dat").c_str())));
    ASSERT_TRUE(m_Files.AddArchive("pack.dat"));

    ExpectRefused("road", "cut", false, "textures/cut.tex is damaged: road is cut short");
}

// --- Animation ---

TEST_F(TextureFileTest, AnimationShowsFramesByGameTimeAndFreezesWhilePaused)
{
    WriteBlinker("blink");
    std::unique_ptr<ZETextureReference> reference;
    ZETexture* blink = Load(reference, "blink", "ignored", true);
    ASSERT_NE(blink, nullptr);
    EXPECT_EQ(Data(*blink), (Bytes{255, 0, 0, 255, 0, 0}));

    m_Timer.Advance(101);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(Data(*blink), (Bytes{0, 0, 255, 0, 0, 255}));

    m_Timer.SetTimeFactor(0.0f);
    m_Timer.Advance(5000);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(blink->m_usCurrentFrame, 1u);

    m_Timer.SetTimeFactor(1.0f);
    m_Timer.Advance(101);
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(blink->m_usCurrentFrame, 0u);

    std::unique_ptr<ZETextureReference> again(m_pManager->GetTexture("blink", "elsewhere", true));
    EXPECT_EQ(again->GetTexture(), blink);
}

TEST_F(TextureFileTest, SweepsDeleteLoadedTexturesOnceTheirLastReferenceIsGone)
{
    WritePackage("track", {{"road", Red2x1()}, {"grass", Red2x1()}});
    std::unique_ptr<ZETextureReference> road(m_pManager->GetTexture("road", "track", false));
    delete m_pManager->GetTexture("grass", "track", false);
    m_pManager->ReleaseUnusedTextures();
    EXPECT_EQ(m_pManager->GetNumTextures(), 1u);

    road.reset();
    m_pManager->UpdateAnimatedTextures();
    EXPECT_EQ(m_pManager->GetNumTextures(), 0u);
    EXPECT_EQ(m_Renderer.Count("ReleaseTexture"), 2u);
}

// --- Failures and damaged files ---

TEST_F(TextureFileTest, MissingFileUnknownNameOrEmptyPackageGivesAnEmptyReference)
{
    WritePackage("track", {{"road", Red2x1()}});
    ExpectRefused("road", "nowhere", false, "textures/nowhere.tex not found");
    ExpectRefused("grass", "track", false, "grass in textures/track.tex not found");
    ExpectRefused("water", "", true, "textures/water.atx not found");

    Bytes empty = ReadBytes(TexturePath("track.tex"));
    empty.resize(4);
    empty[3] = 0;
    WriteBytes(TexturePath("track.tex"), empty);
    ExpectRefused("road", "track", false, "road in textures/track.tex not found");
}

TEST_F(TextureFileTest, WrongMagicIsRefused)
{
    WritePackage("track", {{"road", Red2x1()}});
    Bytes bytes = ReadBytes(TexturePath("track.tex"));
    bytes[2] = '1';
    WriteBytes(TexturePath("track.tex"), bytes);
    ExpectRefused("road", "track", false, "textures/track.tex is not a texture package");

    WriteBlinker("blink");
    bytes = ReadBytes(TexturePath("blink.atx"));
    bytes[1] = 'X';
    WriteBytes(TexturePath("blink.atx"), bytes);
    ExpectRefused("blink", "", true, "textures/blink.atx is not an animated texture");
}

TEST_F(TextureFileTest, EveryTruncationOfAPackageOrAnimationFailsCleanly)
{
    // The wanted entry comes last, so every cut takes something it needs.
    WritePackage("track", {{"grass", Red2x1()},
                           {"road", ZETexImage::Paletted(2, 2, {1, 2, 3, 4, 5, 6}, {0, 1, 1, 0})}});
    WriteBlinker("blink");
    const std::pair<fs::path, const char*> files[] = {{TexturePath("track.tex"), "road"},
                                                      {TexturePath("blink.atx"), "blink"}};
    for (const auto& file : files)
    {
        Bytes whole = ReadBytes(file.first);
        bool animated = file.first.extension() == ".atx";
        for (size_t length = 0; length < whole.size(); ++length)
        {
            WriteBytes(file.first, Bytes(whole.begin(), whole.begin() + length));
            ExpectRefused(file.second, "track", animated, "is damaged");
        }
    }
}

TEST_F(TextureFileTest, ZeroWidthOrHeightIsRefused)
{
    WritePackage("track", {{"road", Red2x1()}});
    Bytes bytes = ReadBytes(TexturePath("track.tex"));
    PutLE16(bytes, FIRST_WIDTH, 0);
    WriteBytes(TexturePath("track.tex"), bytes);
    ExpectRefused("road", "track", false, "road has an unusable size of 0 x 1");

    PutLE16(bytes, FIRST_WIDTH, 2);
    PutLE16(bytes, FIRST_HEIGHT, 0);
    WriteBytes(TexturePath("track.tex"), bytes);
    ExpectRefused("road", "track", false, "road has an unusable size of 2 x 0");

    WriteBlinker("blink");
    bytes = ReadBytes(TexturePath("blink.atx"));
    PutLE16(bytes, ATX_WIDTH, 0);
    WriteBytes(TexturePath("blink.atx"), bytes);
    ExpectRefused("blink", "", true, "blink has an unusable size of 0 x 1");
}

TEST_F(TextureFileTest, SizesWhoseImageWouldOverflowAreRefusedBeforeAllocating)
{
    WritePackage("track", {{"road", Red2x1()}});
    Bytes bytes = ReadBytes(TexturePath("track.tex"));
    PutLE16(bytes, FIRST_WIDTH, 65535);
    PutLE16(bytes, FIRST_HEIGHT, 65535);
    WriteBytes(TexturePath("track.tex"), bytes);
    ExpectRefused("road", "track", false, "road has an unusable size of 65535 x 65535");

    // Large but possible: the file is far too short to hold it.
    PutLE16(bytes, FIRST_HEIGHT, 16000);
    WriteBytes(TexturePath("track.tex"), bytes);
    ExpectRefused("road", "track", false, "road is cut short");
}

TEST_F(TextureFileTest, PaletteOf300ReadsTheFirst256AndTheNextEntryStillFollows)
{
    Bytes palette(256 * 3);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = static_cast<uint8_t>(i / 3);
    WritePackage("track", {{"big", ZETexImage::Paletted(2, 1, palette, {0, 255})}, {"road", Red2x1()}});
    Bytes bytes = ReadBytes(TexturePath("track.tex"));
    PutLE16(bytes, FIRST_PALETTE_SIZE, 300);
    bytes.insert(bytes.begin() + FIRST_IMAGE + 256 * 3, 44 * 3, 0xEE);
    WriteBytes(TexturePath("track.tex"), bytes);

    std::unique_ptr<ZETextureReference> big;
    std::unique_ptr<ZETextureReference> road;
    ASSERT_NE(Load(big, "big", "track"), nullptr);
    ASSERT_NE(Load(road, "road", "track"), nullptr);
    EXPECT_EQ(Data(*big->GetTexture()), (Bytes{0, 0, 0, 255, 255, 255}));
    EXPECT_EQ(Data(*road->GetTexture()), (Bytes{255, 0, 0, 254, 0, 0}));
    EXPECT_TRUE(Posted("big in textures/track.tex: palette entries beyond 256 are ignored"));
}

TEST_F(TextureFileTest, IndexBeyondAPaletteOfFourReadsBlack)
{
    WritePackage("track", {{"road", ZETexImage::Paletted(2, 1, {1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}, {3, 0})}});
    Bytes bytes = ReadBytes(TexturePath("track.tex"));
    bytes[FIRST_IMAGE + 4 * 3 + 1] = 4;   // one past the last colour
    WriteBytes(TexturePath("track.tex"), bytes);

    std::unique_ptr<ZETextureReference> reference;
    ZETexture* road = Load(reference, "road", "track");
    ASSERT_NE(road, nullptr);
    EXPECT_EQ(Data(*road), (Bytes{4, 4, 4, 0, 0, 0}));
    EXPECT_TRUE(Posted("road in textures/track.tex: colours beyond the palette read black"));

    WriteBlinker("blink");
    bytes = ReadBytes(TexturePath("blink.atx"));
    bytes.back() = 200;   // the last index of the paletted second frame
    WriteBytes(TexturePath("blink.atx"), bytes);
    std::unique_ptr<ZETextureReference> blinker;
    ZETexture* blink = Load(blinker, "blink", "", true);
    ASSERT_NE(blink, nullptr);
    EXPECT_EQ(Bytes(blink->m_ppFrames[1], blink->m_ppFrames[1] + 6), (Bytes{0, 0, 255, 0, 0, 0}));
}

TEST_F(TextureFileTest, AnimationOfZeroFramesHasNoDataAndIsNeverUploaded)
{
    WriteBlinker("blink");
    Bytes bytes = ReadBytes(TexturePath("blink.atx"));
    bytes[ATX_FRAME_COUNT] = 0;
    WriteBytes(TexturePath("blink.atx"), bytes);

    std::unique_ptr<ZETextureReference> reference;
    ZETexture* blink = Load(reference, "blink", "", true);
    ASSERT_NE(blink, nullptr);
    EXPECT_TRUE(blink->m_bAnimated);
    EXPECT_EQ(blink->m_usNumFrames, 0u);
    EXPECT_EQ(blink->GetData(), nullptr);
    EXPECT_TRUE(Posted("textures/blink.atx holds no frames"));

    const uint8_t key[3] = {0, 0, 0};
    std::unique_ptr<ZETextureReference> keyed(m_pManager->GetTexture("blink", "", true, key));
    m_Timer.Advance(1000);
    m_pManager->UpdateAnimatedTextures();
    m_pManager->RestoreTextures();
    EXPECT_EQ(m_Renderer.Count("RestoreTexture"), 0u);
}

TEST_F(TextureFileTest, NameFilledToTwelveBytesIsReadWithinItsField)
{
    WritePackage("track", {{"abcdefghijk", Red2x1()}});
    Bytes bytes = ReadBytes(TexturePath("track.tex"));
    bytes[FIRST_ENTRY + 11] = 'l';
    WriteBytes(TexturePath("track.tex"), bytes);

    ExpectRefused("abcdefghijk", "track", false, "abcdefghijk in textures/track.tex not found");
    std::unique_ptr<ZETextureReference> reference;
    ZETexture* texture = Load(reference, "abcdefghijkl", "track");
    ASSERT_NE(texture, nullptr);
    EXPECT_TRUE(texture->m_Name == "abcdefghijkl");
}
