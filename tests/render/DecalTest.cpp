// Dynamic decals: the rectangle a mark lays into its surface, the texture
// reference a decal keeps for itself, and the fade that follows the fade
// time whatever the fading flag says.
#include "render/ZEDecal.h"
#include "render/ZEParticleSystem.h"
#include "resources/ZETextureManager.h"
#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace
{
ZEVector At(const ZEDecal& decal, int i)
{
    const ZEVertex& v = decal.m_pVertices[i];
    return ZEVector(v.x, v.y, v.z);
}

// The normal of triangle t's winding, as long as twice its area.
ZEVector Winding(const ZEDecal& decal, int t)
{
    ZEVector a = At(decal, 3 * t);
    return (At(decal, 3 * t + 1) - a).CrossProduct(At(decal, 3 * t + 2) - a);
}

void ExpectRectangleInPlane(const ZEDecal& decal, const ZEVector& normal, const ZEVector& point, float width,
                            float height)
{
    ASSERT_EQ(decal.m_usNumVertices, 6);
    float area = 0.0f;
    for (int t = 0; t < 2; ++t)
    {
        ZEVector winding = Winding(decal, t);
        EXPECT_GT(winding.DotProduct(normal), 0.0f) << "triangle " << t << " turns away from the normal's side";
        area += std::sqrt(winding.DotProduct(winding)) * 0.5f;
    }
    EXPECT_NEAR(area, width * height, 1e-3f * width * height);
    float half = std::sqrt(width * width + height * height) * 0.5f;
    for (int i = 0; i < 6; ++i)
    {
        ZEVector offset = At(decal, i) - point;
        EXPECT_NEAR(offset.DotProduct(normal), 0.0f, 1e-4f) << "vertex " << i << " off the surface";
        EXPECT_NEAR(std::sqrt(offset.DotProduct(offset)), half, 1e-3f) << "vertex " << i << " not a corner";
    }
    EXPECT_EQ(decal.m_Position, point);
}
}

TEST(DecalRectangle, LiesInASlopeAndFacesItsSide)
{
    ZEVector normal(0.0f, 2.0f, -1.0f);
    normal.Normalize();
    ZEVector point(3.0f, 4.0f, -2.0f);
    ZEDecal decal(normal, point, 8.0f, 4.0f, nullptr);
    ExpectRectangleInPlane(decal, normal, point, 8.0f, 4.0f);

    ZEVector down(0.0f, -1.0f, 0.0f);
    ZEDecal ceiling(down, point, 8.0f, 4.0f, nullptr);
    ExpectRectangleInPlane(ceiling, down, point, 8.0f, 4.0f);
}

TEST(DecalRectangle, TheOilStainIsTheMarksOwnSquareOnTheRoad)
{
    ZEVector up(0.0f, 1.0f, 0.0f);
    ZEVector point(10.0f, 0.0f, -20.0f);
    ZEParticleMark stain(up, point, 35.0f);
    ExpectRectangleInPlane(stain, up, point, 35.0f, 35.0f);
    EXPECT_TRUE(stain.m_bUseSphere) << "a stain 35 across is culled by its sphere";
    EXPECT_NEAR(stain.m_BoundingSphere.m_fRadius, 35.0f * std::sqrt(2.0f) * 0.5f, 0.1f);

    ZEParticleMark speck(up, point, 2.0f);
    EXPECT_FALSE(speck.m_bUseSphere) << "a mark 2 across is culled by distance alone";
}

TEST(Decals, SetTextureHoldsAReferenceOfItsOwn)
{
    ZETextureManager manager;
    std::unique_ptr<ZETextureReference> stain(manager.GetTexture(new uint8_t[12](), 2, 2, "stain"));
    ZETexture* texture = stain->GetTexture();
    ASSERT_NE(texture, nullptr);
    const uint32_t before = texture->m_ulReferences;
    {
        ZEDecal decal(ZEVector(), new ZEVertex[3](), 3, nullptr);
        decal.SetTexture(stain.get());
        ASSERT_NE(decal.m_pTexture, nullptr);
        EXPECT_NE(decal.m_pTexture, stain.get()) << "the caller's reference stays the caller's";
        EXPECT_EQ(decal.m_pTexture->GetTexture(), texture);
        EXPECT_EQ(texture->m_ulReferences, before + 1);

        decal.SetTexture(decal.m_pTexture);
        ASSERT_NE(decal.m_pTexture, nullptr);
        EXPECT_EQ(decal.m_pTexture->GetTexture(), texture) << "its own reference handed back keeps the texture";
        EXPECT_EQ(texture->m_ulReferences, before + 1);

        decal.SetTexture(nullptr);
        EXPECT_EQ(decal.m_pTexture, nullptr);
        EXPECT_EQ(texture->m_ulReferences, before);
        decal.SetTexture(stain.get());
    }
    EXPECT_EQ(texture->m_ulReferences, before) << "the destructor lets its own reference go";
}

TEST(Decals, AClearedFadingFlagIsKeptButTheFadeTimeDecides)
{
    ZEManualTimer timer(0);
    ZERecordingRenderer renderer;
    ZEDecal decal(ZEVector(), new ZEVertex[3](), 3, nullptr);
    decal.SetFading(false, 1000);
    EXPECT_FALSE(decal.m_bFading);
    timer.SetRealTime(29500);
    decal.Render(&renderer, nullptr);
    EXPECT_EQ(renderer.m_Log.at(renderer.Find("SetAmbient")), "SetAmbient 127 127 127 127");
}
