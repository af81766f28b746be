#include "core/ZEConsole.h"
#include "render/ZERenderer.h"
#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"
#include "world/ZEEngine.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace
{
struct TextureSize
{
    uint32_t width, height;
    bool changed;
};

TextureSize RealSize(const ZERenderer& renderer, uint32_t width, uint32_t height, bool keepDetail)
{
    TextureSize size{width, height, false};
    size.changed = renderer.GetRealTextureSize(size.width, size.height, keepDetail);
    return size;
}

void ExpectSize(const TextureSize& size, uint32_t width, uint32_t height, bool changed)
{
    EXPECT_EQ(size.width, width);
    EXPECT_EQ(size.height, height);
    EXPECT_EQ(size.changed, changed);
}

// An engine world over a recording renderer, for the texture detail level.
class RendererWithEngine : public ::testing::Test
{
protected:
    RendererWithEngine() : m_Engine(&m_Renderer, nullptr, nullptr, nullptr, &m_Timer, nullptr) {}

    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    ZEEngine m_Engine;
};
}

TEST(RendererBase, TheLiveRendererIsKnownUntilItIsDestroyed)
{
    EXPECT_EQ(ZERenderer::ms_pRenderer, nullptr);
    {
        ZERenderer first;
        EXPECT_EQ(ZERenderer::ms_pRenderer, &first);
        {
            ZERenderer second;
            EXPECT_EQ(ZERenderer::ms_pRenderer, &second);
        }
        EXPECT_EQ(ZERenderer::ms_pRenderer, nullptr);
    }
    EXPECT_EQ(ZERenderer::ms_pRenderer, nullptr);

    // An older renderer going away does not forget the newer one.
    ZERenderer* older = new ZERenderer();
    ZERenderer newer;
    delete older;
    EXPECT_EQ(ZERenderer::ms_pRenderer, &newer);
}

TEST(RendererBase, ViewportAndWindow)
{
    ZERecordingRenderer renderer;
    EXPECT_TRUE(renderer.ViewportCoversWindow());
    renderer.SetViewport(0, 0, 320, 240);
    EXPECT_FALSE(renderer.ViewportCoversWindow());
    uint16_t x = 9, y = 9, w = 9, h = 9;
    renderer.GetViewport(x, y, w, h);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
    renderer.SetViewport(10, 0, 640, 480);
    EXPECT_FALSE(renderer.ViewportCoversWindow());
    renderer.SetViewport(0, 0, 640, 480);
    EXPECT_TRUE(renderer.ViewportCoversWindow());
}

TEST(RendererFiltering, SwitchingMipmapsOffDowngradesTrilinear)
{
    ZERenderer renderer;
    renderer.SetDefaultTextureFilteringMode(2);
    EXPECT_TRUE(renderer.m_bMipMapping);
    renderer.SetMipMapping(false);
    EXPECT_FALSE(renderer.m_bMipMapping);
    EXPECT_EQ(renderer.m_usTextureFilter, 1);
    renderer.SetMipMapping(true);
    EXPECT_EQ(renderer.m_usTextureFilter, 1);

    renderer.SetDefaultTextureFilteringMode(0);
    renderer.SetMipMapping(false);
    EXPECT_EQ(renderer.m_usTextureFilter, 0);
}

TEST(RendererFiltering, TrilinearSwitchesMipmapsOn)
{
    ZERenderer renderer;
    renderer.SetMipMapping(false);
    renderer.SetDefaultTextureFilteringMode(1);
    EXPECT_FALSE(renderer.m_bMipMapping);
    renderer.SetDefaultTextureFilteringMode(2);
    EXPECT_TRUE(renderer.m_bMipMapping);
    EXPECT_EQ(renderer.m_usTextureFilter, 2);
    // Unknown modes are kept as given; uploads treat them as bilinear.
    renderer.SetDefaultTextureFilteringMode(7);
    EXPECT_EQ(renderer.m_usTextureFilter, 7);
    EXPECT_TRUE(renderer.m_bMipMapping);
}

TEST(RendererTextureSize, PowersOfTwoFromFourTo4096WithoutAnEngine)
{
    ZERenderer renderer;
    ExpectSize(RealSize(renderer, 300, 200, false), 512, 256, true);
    ExpectSize(RealSize(renderer, 512, 256, false), 512, 256, false);
    ExpectSize(RealSize(renderer, 2, 2, false), 4, 4, true);
    ExpectSize(RealSize(renderer, 5000, 10, false), 4096, 16, true);
    ExpectSize(RealSize(renderer, 4096, 4, false), 4096, 4, false);
    ExpectSize(RealSize(renderer, 4097, 3, true), 4096, 4, true);
    ExpectSize(RealSize(renderer, 0, 1, false), 4, 4, true);
    ExpectSize(RealSize(renderer, 65, 64, false), 128, 64, true);
    uint32_t huge = std::numeric_limits<uint32_t>::max();
    ExpectSize(RealSize(renderer, huge, huge, false), 4096, 4096, true);
}

TEST_F(RendererWithEngine, DetailLevelHalvesOpaqueTexturesOnly)
{
    m_Engine.m_lTexDetail = 1;
    ExpectSize(RealSize(m_Renderer, 300, 200, false), 256, 128, true);
    ExpectSize(RealSize(m_Renderer, 300, 200, true), 512, 256, true);
    ExpectSize(RealSize(m_Renderer, 512, 256, true), 512, 256, false);
    // Reduced sizes never fall below 4, and a reduction always counts as a
    // change.
    ExpectSize(RealSize(m_Renderer, 4, 8, false), 4, 4, true);
    ExpectSize(RealSize(m_Renderer, 4, 4, false), 4, 4, true);

    m_Engine.m_lTexDetail = 3;
    ExpectSize(RealSize(m_Renderer, 1024, 64, false), 128, 8, true);
}

TEST_F(RendererWithEngine, DetailLevelOutOfRangeIsPinned)
{
    m_Engine.m_lTexDetail = -3;
    ExpectSize(RealSize(m_Renderer, 300, 200, false), 512, 256, true);
    ExpectSize(RealSize(m_Renderer, 512, 256, false), 512, 256, false);

    for (int32_t detail : {10, 11, 32, 1000, std::numeric_limits<int32_t>::max()})
    {
        m_Engine.m_lTexDetail = detail;
        ExpectSize(RealSize(m_Renderer, 4096, 4096, false), 4, 4, true);
    }
    m_Engine.m_lTexDetail = 9;
    ExpectSize(RealSize(m_Renderer, 4096, 4096, false), 8, 8, true);
}

TEST_F(RendererWithEngine, DetailLevelIsTheConsoleVariable)
{
    ASSERT_NE(m_Engine.GetConsole(), nullptr);
    EXPECT_TRUE(m_Engine.GetConsole()->EnterCommand(ZEString("set texdetail 2"), true));
    ExpectSize(RealSize(m_Renderer, 300, 200, false), 128, 64, true);
}

TEST(RendererRecording, LogsOneLinePerCallWithItsArguments)
{
    ZERecordingRenderer renderer;
    renderer.ClearBuffers();
    renderer.SetBlendingState(4, 5);
    renderer.DrawRectangle(0, 0, 32, 32);
    renderer.DrawText(0, 448, 16, ZEString("]hello"));
    renderer.DrawText(0, 448, 16, "]hello", nullptr);
    renderer.SetAlphaState(8, 0.0f);
    renderer.RenderParticle(ZEVector(1.0f, 2.5f, -3.0f), 4.0f, 4.0f, nullptr);
    renderer.SetAmbient4(nullptr);
    ASSERT_EQ(renderer.m_Log.size(), 8u);
    EXPECT_EQ(renderer.m_Log[0], "ClearBuffers");
    EXPECT_EQ(renderer.m_Log[1], "SetBlendingState 4 5");
    EXPECT_EQ(renderer.m_Log[2], "DrawRectangle 0 0 32 32");
    EXPECT_EQ(renderer.m_Log[3], "DrawText 0 448 16 ]hello");
    EXPECT_EQ(renderer.m_Log[4], "DrawText 0 448 16 ]hello font=null");
    EXPECT_EQ(renderer.m_Log[5], "SetAlphaState 8 0");
    EXPECT_EQ(renderer.m_Log[6], "RenderParticle 1 2.5 -3 4 4 null");
    EXPECT_EQ(renderer.m_Log[7], "SetAmbient4 null");

    EXPECT_EQ(renderer.Count("DrawText 0 448 16 ]hello"), 2u);
    EXPECT_EQ(renderer.Find("DrawText"), 3);
    EXPECT_EQ(renderer.Find("DrawText", 4), 4);
    EXPECT_EQ(renderer.Find("DrawText", 5), -1);
    EXPECT_EQ(renderer.Find("Nothing"), -1);
    renderer.Clear();
    EXPECT_TRUE(renderer.m_Log.empty());
}

TEST(RendererRecording, KeepsStateLikeTheRealRenderer)
{
    ZERecordingRenderer renderer;
    renderer.SetBlendingState(4, 1);
    uint16_t source = 0, dest = 0;
    renderer.GetBlendingState(source, dest);
    EXPECT_EQ(source, 4);
    EXPECT_EQ(dest, 1);

    // Stencil values are kept only when there is a stencil buffer.
    renderer.SetStencilComp(5, 1, 0xFFFFFFFFu);
    uint16_t code = 0;
    int32_t reference = 0;
    uint32_t mask = 0;
    renderer.GetStencilComp(code, reference, mask);
    EXPECT_EQ(code, 7);
    renderer.m_bStencilBuffer = true;
    renderer.SetStencilComp(5, 1, 0xFFFFFFFFu);
    renderer.GetStencilComp(code, reference, mask);
    EXPECT_EQ(code, 5);
    EXPECT_EQ(reference, 1);
    EXPECT_EQ(mask, 0xFFFFFFFFu);
    EXPECT_EQ(renderer.Count("SetStencilComp 5 1 4294967295"), 2u);

    renderer.EnableDecaling();
    EXPECT_FALSE(renderer.m_bZBufferWrite);
    renderer.DisableDecaling();
    EXPECT_TRUE(renderer.m_bZBufferWrite);
    EXPECT_EQ(renderer.Count("SetZBufferState"), 0u);

    renderer.SetPerspective(90.0f, 4.0f / 3.0f, 1.0f, 2500.0f);
    EXPECT_FLOAT_EQ(renderer.m_Camera.GetFOVX(), 120.0f);

    uint16_t width = 0, height = 0, bpp = 0;
    renderer.GetResolution(width, height, bpp);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(bpp, 16);
    renderer.SetReportedResolution(800, 600, 32);
    renderer.GetResolution(width, height, bpp);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(bpp, 32);
}
