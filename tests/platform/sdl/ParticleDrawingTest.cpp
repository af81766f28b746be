// Smoke and sparks as real OpenGL (Mesa's llvmpipe) draws them on a private
// X server: each adds its colour over the black background where its
// particle is, and a kind without textures leaves the picture black.
#include "core/ZEFileManager.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "render/ZEParticleSystem.h"
#include "resources/ZETextureManager.h"
#include "support/ManualTimer.h"
#include "support/PixelWindow.h"
#include "support/TempFolder.h"

#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

namespace
{
const int kWidth = 320, kHeight = 240;

class ParticleDrawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Window.Ok()) << m_Window.Error();
        m_pRenderer = m_Window.Renderer();
        m_Window.Reset();

        // Plain white sprites: the colour on screen is the particle's own.
        ZETexWriter textures;
        std::vector<uint8_t> white(8 * 8 * 3, 255);
        for (const char* name : {"smoke0", "smoke1", "smoke2", "spark0", "spark1", "spark2", "ball"})
            ASSERT_TRUE(textures.AddImage(name, ZETexImage::TrueColor(8, 8, white)));
        ASSERT_TRUE(textures.Write(m_Dir.File("textures/EngineSFX.tex").c_str()));
        m_pFiles = new ZEFileManager();
        m_pFiles->SetMainDirectory(ZEString(m_Dir.Path().c_str()));
        m_pTextures = new ZETextureManager();
        m_pTextures->SetTextureDirectory(ZEString("textures/"));
    }

    void TearDown() override
    {
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        delete m_pTextures;
        delete m_pFiles;
    }

    // One frame of an emitter 50 units ahead of the camera, drawn over
    // black; the pixel in the middle of the picture.
    std::vector<int> Middle(int32_t kind, uint8_t r, uint8_t g, uint8_t b)
    {
        ZEParticleFX emitter(ZEVector(0.0f, 0.0f, 50.0f), kind, 20.0f, 0.0f, 0, 0.0f, 0.0f, ZEVector(), 10, 1000,
                             255, 0.0f, true, false);
        emitter.SetColor(r, g, b);
        m_Timer.Advance(20);
        emitter.Animate(&m_pRenderer->m_Camera);
        m_Window.Clear();
        emitter.Render(m_pRenderer, &m_pRenderer->m_Camera);
        ZEPixel middle = m_Window.At(kWidth / 2, kHeight / 2);
        return {middle.r, middle.g, middle.b};
    }

    ZEManualTimer m_Timer{100000};
    ZEPixelWindow m_Window{kWidth, kHeight};
    ZETempFolder m_Dir{"particles"};
    ZESDLOpenGLRenderer* m_pRenderer = nullptr;
    ZEFileManager* m_pFiles = nullptr;
    ZETextureManager* m_pTextures = nullptr;
};
}

TEST_F(ParticleDrawing, SmokeAndSparksAddTheirColourAndAnUnknownKindNothing)
{
    ASSERT_GT(m_pRenderer->m_Camera.GetFVector().z, 0.999f);
    EXPECT_EQ(Middle(ZEParticleFX::ms_lSmoke, 200, 200, 200), (std::vector<int>{200, 200, 200}));
    EXPECT_EQ(Middle(ZEParticleFX::ms_lSparks, 0, 60, 255), (std::vector<int>{0, 60, 255}));
    EXPECT_EQ(Middle(3, 255, 255, 255), (std::vector<int>{0, 0, 0}));
}
