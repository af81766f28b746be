#include "resources/ZETextureManager.h"

#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

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

    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
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
