// Smoke and sparks as real OpenGL (Mesa's llvmpipe) draws them on a private
// X server: each adds its colour over the black background where its
// particle is, and a kind without textures leaves the picture black.
#include "core/ZEFileManager.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "render/ZEParticleSystem.h"
#include "resources/ZETextureManager.h"
#include "support/ManualTimer.h"
#include "support/TempFolder.h"
#include "support/Xvfb.h"

#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <vector>

namespace
{
const int kWidth = 320, kHeight = 240;

class ParticleDrawing : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Display.Start()) << m_Display.Error();
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        m_pRenderer = new ZESDLOpenGLRenderer(kWidth, kHeight, 0);
        m_pRenderer->SetupOpenGL();
        m_pRenderer->m_bLightmaps = false;
        m_pRenderer->SetPerspective(90.0f, 4.0f / 3.0f, 1.0f, 1000.0f);
        m_pRenderer->RestoreWorld();

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
        delete m_pRenderer;
        SDL_Quit();
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
        m_pRenderer->SetBackgroundColor(0, 0, 0);
        m_pRenderer->ClearBuffers();
        emitter.Render(m_pRenderer, &m_pRenderer->m_Camera);
        uint8_t rgb[3] = {};
        glReadPixels(kWidth / 2, kHeight / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        return {rgb[0], rgb[1], rgb[2]};
    }

    ZEManualTimer m_Timer{100000};
    ZEXvfb m_Display;
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
