#include "core/ZEFileManager.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPlane.h"
#include "platform/null/ZEManualTimer.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "resources/ZETextureManager.h"
#include "support/TempFolder.h"
#include "support/Xvfb.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Real OpenGL (Mesa's llvmpipe) in a window on a private X server. All
// cases share one window; each starts from the renderer's start state and
// reads the back buffer before anything is presented.

namespace
{
struct Pixel
{
    int r, g, b;
};

::testing::AssertionResult Is(const Pixel& p, int r, int g, int b)
{
    if (std::abs(p.r - r) <= 1 && std::abs(p.g - g) <= 1 && std::abs(p.b - b) <= 1)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel is " << p.r << ", " << p.g << ", " << p.b;
}

// A 10 x 10 quad at distance 10 ahead of a camera at the origin; with fovY
// 90 in 640 x 480 it covers the pixels x 200..440, y 120..360, texture
// coordinate (0, 0) at the top left. Its triangles are clockwise on
// screen: front faces.
const float kQuad[4][4] = {{-5.0f, 5.0f, 0.0f, 0.0f}, {5.0f, 5.0f, 1.0f, 0.0f},
                           {5.0f, -5.0f, 1.0f, 1.0f}, {-5.0f, -5.0f, 0.0f, 1.0f}};
uint16_t kQuadIndices[6] = {0, 1, 2, 0, 2, 3};

// As four vertices for the indices, or as two triangles in order for
// DrawArray. The lightmap coordinates are the texture coordinates.
template <typename Vertex>
std::vector<Vertex> Quad(bool triangles = false)
{
    std::vector<Vertex> vertices;
    for (int i = 0; i < (triangles ? 6 : 4); ++i)
    {
        const float* q = kQuad[triangles ? kQuadIndices[i] : i];
        // A ZEVertex is the beginning of a ZELVertex.
        ZELVertex full = {q[0], q[1], 10.0f, q[2], q[3], q[2], q[3]};
        Vertex vertex;
        std::memcpy(&vertex, &full, sizeof(vertex));
        vertices.push_back(vertex);
    }
    return vertices;
}

// 4 x 4 texels (the smallest size uploaded unscaled): red, green on top,
// blue, white below.
std::vector<uint8_t> Quadrants()
{
    const uint8_t colours[2][2][3] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 255, 255}}};
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            rgb.insert(rgb.end(), colours[y / 2][x / 2], colours[y / 2][x / 2] + 3);
    return rgb;
}

class OpenGLRenderer : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ms_pDisplay = new ZEXvfb();
        if (!ms_pDisplay->Start() || SDL_Init(SDL_INIT_VIDEO) != 0)
            return;
        ms_pRenderer = new ZESDLOpenGLRenderer(640, 480, 0);
        ms_bMultitexture = ms_pRenderer->m_bMultitexture;
        ms_pFiles = new ZEFileManager();
        ms_pTextures = new ZETextureManager();
    }

    static void TearDownTestSuite()
    {
        delete ms_pTextures;
        delete ms_pFiles;
        delete ms_pRenderer;
        SDL_Quit();
        delete ms_pDisplay;
    }

    void SetUp() override
    {
        ASSERT_NE(ms_pRenderer, nullptr) << ms_pDisplay->Error() << SDL_GetError();
        R = ms_pRenderer;
        if (R->m_usWidth != 640 || R->m_usHeight != 480)
            R->SetResolution(640, 480, 0);
        R->SetupOpenGL();
        R->m_bMultitexture = ms_bMultitexture;
        R->m_bLightmaps = false;
        R->DisableBlending();
        R->DisableAlphaTest();
        R->SetAmbient(255, 255, 255, 255);
        R->SetBackgroundColor(0, 0, 0);
        R->m_Camera = ZECamera();
        R->SetPerspective(90.0f, 4.0f / 3.0f, 1.0f, 1000.0f);
        R->RestoreWorld();
        R->ClearBuffers();
    }

    void TearDown() override
    {
        for (ZETextureReference* reference : m_Textures)
            delete reference;
        ms_pTextures->ReleaseUnusedTextures();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    // A memory texture of RGB texels (black transparent when keyed), or a
    // lightmap of luminance bytes; deleted when the case ends.
    ZETextureReference* Texture(const std::vector<uint8_t>& rgb, uint32_t w, uint32_t h, uint16_t filter = 0,
                                bool clamp = false, bool keyed = false)
    {
        uint8_t* data = new uint8_t[rgb.size()];
        std::copy(rgb.begin(), rgb.end(), data);
        const uint8_t black[3] = {0, 0, 0};
        m_Textures.push_back(keyed ? ms_pTextures->GetTexture(data, w, h, ZEString("keyed"), black)
                                   : ms_pTextures->GetTexture(data, w, h, ZEString("test"), filter, clamp));
        return m_Textures.back();
    }
    ZETextureReference* Lightmap(const std::vector<uint8_t>& luminance, uint32_t w, uint32_t h)
    {
        uint8_t* data = new uint8_t[luminance.size()];
        std::copy(luminance.begin(), luminance.end(), data);
        m_Textures.push_back(ms_pTextures->GetLightmap(data, w, h));
        return m_Textures.back();
    }

    // The back buffer at (x, y) from the top left.
    Pixel Read(int x, int y) const
    {
        uint8_t p[3] = {};
        glReadPixels(x, R->m_usHeight - 1 - y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
        return {p[0], p[1], p[2]};
    }

    std::vector<uint8_t> Frame() const
    {
        std::vector<uint8_t> frame(640 * 480 * 3);
        glReadPixels(0, 0, 640, 480, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
        return frame;
    }

    void ExpectQuadrants(const char* what) const
    {
        SCOPED_TRACE(what);
        EXPECT_TRUE(Is(Read(260, 180), 255, 0, 0));
        EXPECT_TRUE(Is(Read(380, 180), 0, 255, 0));
        EXPECT_TRUE(Is(Read(260, 300), 0, 0, 255));
        EXPECT_TRUE(Is(Read(380, 300), 255, 255, 255));
        EXPECT_TRUE(Is(Read(180, 240), 0, 0, 0));
        EXPECT_TRUE(Is(Read(460, 240), 0, 0, 0));
    }

    GLint Level(const ZETextureReference* texture, GLint level, GLenum parameter) const
    {
        glBindTexture(GL_TEXTURE_2D, texture->GetTexture()->m_ulID);
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
        return value;
    }

    static ZEXvfb* ms_pDisplay;
    static ZESDLOpenGLRenderer* ms_pRenderer;
    static ZEFileManager* ms_pFiles;
    static ZETextureManager* ms_pTextures;
    static bool ms_bMultitexture;

    ZESDLOpenGLRenderer* R = nullptr;
    std::vector<ZETextureReference*> m_Textures;
};

ZEXvfb* OpenGLRenderer::ms_pDisplay = nullptr;
ZESDLOpenGLRenderer* OpenGLRenderer::ms_pRenderer = nullptr;
ZEFileManager* OpenGLRenderer::ms_pFiles = nullptr;
ZETextureManager* OpenGLRenderer::ms_pTextures = nullptr;
bool OpenGLRenderer::ms_bMultitexture = false;

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}
}

TEST_F(OpenGLRenderer, ATexturedQuadThroughEveryVertexPath)
{
    EXPECT_TRUE(R->m_bStencilBuffer);
    EXPECT_TRUE(R->m_bCompiledVertexArrays);
    R->SetTexture(Texture(Quadrants(), 4, 4));
    std::vector<ZEVertex> quad = Quad<ZEVertex>(), triangles = Quad<ZEVertex>(true);
    R->Render(quad.data(), 4, kQuadIndices, 6);
    ExpectQuadrants("Render");

    R->ClearBuffers();
    R->SetVertexArray(quad.data(), 4);
    R->LockVertexArray();
    R->DrawIndices(kQuadIndices, 6);
    R->UnlockVertexArray();
    ExpectQuadrants("DrawIndices");

    R->ClearBuffers();
    R->SetVertexArray(triangles.data(), 6);
    R->DrawArray();
    ExpectQuadrants("DrawArray");

    // Indices beyond the array, or no array remembered: nothing is drawn.
    R->ClearBuffers();
    uint16_t beyond[6] = {0, 1, 2, 0, 2, 4};
    R->Render(quad.data(), 4, beyond, 6);
    R->DrawIndices(kQuadIndices, 6);
    R->DrawArray();
    EXPECT_TRUE(Is(Read(320, 240), 0, 0, 0));
}

TEST_F(OpenGLRenderer, CameraFacingQuadsShowTheirTextureUpright)
{
    // Looking along -X, the particle and billboard cover the quad's pixels.
    ZETextureReference* texture = Texture(Quadrants(), 4, 4);
    R->m_Camera.SetRotation(ZEVector(0.0f, 90.0f, 0.0f));
    R->RestoreWorld();
    ZEVector ahead = R->m_Camera.GetFVector() * 10.0f;
    R->RenderParticle(ahead, 10.0f, 10.0f, texture);
    ExpectQuadrants("particle");
    R->ClearBuffers();
    R->RenderBillboard(ahead, 10.0f, 10.0f, texture);
    ExpectQuadrants("billboard");
}

TEST_F(OpenGLRenderer, UploadsArePowersOfTwoWithMipmapsOnlyWhereBuiltAndPackedLightmaps)
{
    std::vector<uint8_t> grey(5 * 3 * 3, 128);
    ZETextureReference* repeating = Texture(grey, 5, 3, 2);
    EXPECT_EQ(Level(repeating, 0, GL_TEXTURE_WIDTH), 8);
    EXPECT_EQ(Level(repeating, 0, GL_TEXTURE_HEIGHT), 4);
    EXPECT_EQ(Level(repeating, 1, GL_TEXTURE_WIDTH), 4);
    ZETextureReference* clamped = Texture(grey, 5, 3, 2, true);
    EXPECT_EQ(Level(clamped, 1, GL_TEXTURE_WIDTH), 0);
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(minFilter, GL_LINEAR);

    // Rows of 5 bytes: with four-byte unpacking every row after the first
    // would be shifted. Lightmaps are skipped while lightmaps are off.
    std::vector<uint8_t> luminance = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120, 130, 140};
    EXPECT_EQ(Level(Lightmap(luminance, 5, 3), 0, GL_TEXTURE_WIDTH), 0);
    R->m_bLightmaps = true;
    ZETextureReference* lightmap = Lightmap(luminance, 5, 3);
    EXPECT_EQ(Level(lightmap, 0, GL_TEXTURE_WIDTH), 5);
    std::vector<uint8_t> back(luminance.size());
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE, GL_UNSIGNED_BYTE, back.data());
    EXPECT_EQ(back, luminance);

    // Released even with lightmaps switched off since.
    GLuint name = lightmap->GetTexture()->m_ulID;
    R->m_bLightmaps = false;
    R->ReleaseTexture(lightmap->GetTexture());
    EXPECT_FALSE(glIsTexture(name));
}

TEST_F(OpenGLRenderer, AlphaTestAndBlending)
{
    // Columns: keyed black (alpha 0), then red with alpha 1, 128 and 255.
    std::vector<uint8_t> row = {0, 0, 0, 255, 0, 0, 255, 0, 0, 255, 0, 0}, rgb;
    for (int y = 0; y < 4; ++y)
        rgb.insert(rgb.end(), row.begin(), row.end());
    ZETextureReference* reference = Texture(rgb, 4, 4, 0, false, true);
    ZETexture* texture = reference->GetTexture();
    ASSERT_TRUE(texture->m_bAlpha);
    for (int y = 0; y < 4; ++y)
    {
        texture->m_pData[y * 16 + 7] = 1;
        texture->m_pData[y * 16 + 11] = 128;
    }
    R->RestoreTexture(texture, 0);
    auto draw = [&](int r0, int b0, int r1, int b1, int r2, int b2) {
        R->ClearBuffers();
        R->SetTexture(reference);
        R->DrawRectangle(0, 0, 160, 40);
        EXPECT_TRUE(Is(Read(20, 20), 0, 0, 255));
        EXPECT_TRUE(Is(Read(60, 20), r0, 0, b0));
        EXPECT_TRUE(Is(Read(100, 20), r1, 0, b1));
        EXPECT_TRUE(Is(Read(140, 20), r2, 0, b2));
    };
    R->SetBackgroundColor(0, 0, 255);
    R->EnableAlphaTest();
    R->SetAlphaState(8, 0.0f);
    draw(255, 0, 255, 0, 255, 0);
    // Whatever the function code, the test is "greater than".
    R->SetAlphaState(3, 0.4f);
    draw(0, 255, 255, 0, 255, 0);
    R->DisableAlphaTest();
    R->EnableBlending();
    R->SetBlendingState(4, 5);
    draw(1, 254, 128, 127, 255, 0);
    R->SetBlendingState(1, 1);
    draw(255, 255, 255, 255, 255, 255);
}

TEST_F(OpenGLRenderer, StencilMasksWhatFollows)
{
    R->SetTexture(nullptr);
    R->EnableStencilBuffer();
    R->SetStencilComp(7, 1, 0xFF);
    R->SetStencilOp(1, 1, 2);
    R->WriteToScreen(false);
    R->DrawRectangle(100, 100, 200, 200);
    R->WriteToScreen(true);
    R->SetStencilComp(5, 1, 0xFF);
    R->SetStencilOp(1, 1, 1);
    R->SetAmbient(255, 0, 0);
    R->DrawRectangle(0, 0, 640, 480);
    R->DisableStencilBuffer();
    EXPECT_TRUE(Is(Read(150, 150), 255, 0, 0));
    EXPECT_TRUE(Is(Read(50, 50), 0, 0, 0));
    EXPECT_TRUE(Is(Read(250, 150), 0, 0, 0));
}

TEST_F(OpenGLRenderer, LightmapsGiveTheSamePictureInOnePassAndInTwo)
{
    ASSERT_TRUE(ms_bMultitexture) << "the one-pass path needs GL_ARB_multitexture";
    R->m_bLightmaps = true;
    ZETextureReference* base = Texture({200, 100, 50, 40, 220, 180, 255, 255, 255, 90, 90, 90}, 2, 2, 1);
    ZETextureReference* lightmap = Lightmap({255, 128, 64, 10}, 2, 2);
    std::vector<ZELVertex> quad = Quad<ZELVertex>(), triangles = Quad<ZELVertex>(true);
    // Three ways to draw, each from a cleared frame with the base bound.
    auto draw = [&](int how, ZETextureReference* light) {
        R->ClearBuffers();
        R->SetTexture(base);
        if (how == 0)
        {
            R->Render(quad.data(), 4, kQuadIndices, 6, light);
        }
        else if (how == 1)
        {
            // Half the quad each: the base must stay bound in between.
            R->SetVertexArray(quad.data(), 4);
            R->LockVertexArray();
            R->DrawIndices(kQuadIndices, 3, light);
            R->DrawIndices(kQuadIndices + 3, 3, light);
            R->UnlockVertexArray();
        }
        else
        {
            R->SetVertexArray(triangles.data(), 6);
            R->DrawArray(light);
        }
        return Frame();
    };

    std::vector<uint8_t> unlit = draw(0, nullptr), lit = draw(0, lightmap);
    EXPECT_GT(LargestDifference(unlit, lit), 100);
    for (bool multitexture : {true, false})
    {
        R->Deactivate2ndTextureUnit();
        R->m_bMultitexture = multitexture;
        for (int how = 0; how < 3; ++how)
            EXPECT_LE(LargestDifference(lit, draw(how, lightmap)), 1) << multitexture << " " << how;
    }
    // The second pass leaves blending, depth function and texture as they were.
    GLint bound = 0, depthFunction = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
    EXPECT_EQ(GLuint(bound), base->GetTexture()->m_ulID);
    EXPECT_EQ(depthFunction, GL_LESS);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));

    // Unit 1 stays on after a lightmapped array until a draw without one.
    R->m_bMultitexture = true;
    draw(2, lightmap);
    EXPECT_TRUE(R->m_bSecondTextureUnit);
    R->DrawRectangle(0, 0, 10, 10);
    EXPECT_FALSE(R->m_bSecondTextureUnit);
    glActiveTexture(GL_TEXTURE1);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    glActiveTexture(GL_TEXTURE0);

    R->m_bLightmaps = false;
    for (int how = 0; how < 3; ++how)
        EXPECT_LE(LargestDifference(unlit, draw(how, lightmap)), 1) << "lightmaps off " << how;
}

TEST_F(OpenGLRenderer, BindsSkippedAsRedundantStayTrueThroughUploads)
{
    ZETextureReference* quadrants = Texture(Quadrants(), 4, 4);
    std::vector<ZEVertex> quad = Quad<ZEVertex>();
    R->SetTexture(quadrants);
    // Uploading binds the new texture object on the way.
    ZETextureReference* grey = Texture(std::vector<uint8_t>(4 * 4 * 3, 128), 4, 4);
    R->SetTexture(quadrants);
    R->Render(quad.data(), 4, kQuadIndices, 6);
    ExpectQuadrants("after another texture's upload");

    // A lightmap drawn between two draws of the base texture goes to unit 1.
    R->m_bLightmaps = true;
    ZETextureReference* lightmap = Lightmap(std::vector<uint8_t>(16, 255), 4, 4);
    std::vector<ZELVertex> lit = Quad<ZELVertex>();
    R->ClearBuffers();
    R->SetTexture(grey);
    R->SetTexture(quadrants);
    R->Render(lit.data(), 4, kQuadIndices, 6, lightmap);
    R->Render(lit.data(), 4, kQuadIndices, 6, lightmap);
    ExpectQuadrants("lit by a white lightmap");
}

TEST_F(OpenGLRenderer, TheColourReachesEveryPathExactlyWithItsAlpha)
{
    R->SetTexture(nullptr);
    R->SetAmbient(200, 100, 50);
    R->DrawRectangle(0, 0, 40, 40);
    EXPECT_TRUE(Is(Read(20, 20), 200, 100, 50));
    // Through the arrays, modulating a texture.
    R->SetTexture(Texture(Quadrants(), 4, 4));
    R->SetAmbient(128, 64, 32);
    std::vector<ZEVertex> quad = Quad<ZEVertex>();
    R->Render(quad.data(), 4, kQuadIndices, 6);
    EXPECT_TRUE(Is(Read(260, 180), 128, 0, 0));
    EXPECT_TRUE(Is(Read(380, 300), 128, 64, 32));
    // Alpha blends as set, however often the colour changes in between.
    R->ClearBuffers();
    R->SetBackgroundColor(0, 0, 255);
    R->ClearBuffers();
    R->EnableBlending();
    R->SetBlendingState(4, 5);
    R->SetTexture(nullptr);
    R->SetAmbient(0, 255, 0, 10);
    R->SetAmbient(255, 0, 0, 128);
    R->DrawRectangle(0, 0, 40, 40);
    R->DisableBlending();
    EXPECT_TRUE(Is(Read(20, 20), 128, 0, 127));
}

TEST_F(OpenGLRenderer, TextPutsEachGlyphWhereTheLayoutSays)
{
    // 128 x 128 texels, cells of 8: 'A' white, 'B' red, 0x84 (the cell of
    // a-umlaut) green, the rest black, which becomes transparent.
    std::vector<uint8_t> rgb(128 * 128 * 3, 0);
    auto fill = [&](int cell, uint8_t r, uint8_t g, uint8_t b) {
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
            {
                uint8_t* texel = &rgb[(((cell / 16) * 8 + y) * 128 + (cell % 16) * 8 + x) * 3];
                texel[0] = r, texel[1] = g, texel[2] = b;
            }
    };
    fill('A', 255, 255, 255);
    fill('B', 255, 0, 0);
    fill(0x84, 0, 255, 0);
    ZETextureReference* font = Texture(rgb, 128, 128, 0, false, true);
    R->SetBackgroundColor(0, 0, 255);
    R->ClearBuffers();
    R->EnableAlphaTest();
    R->SetAlphaState(8, 0.0f);

    // Size 16, advance 13.
    R->DrawText(100, 100, 16, "A\xE4", font);
    EXPECT_TRUE(Is(Read(104, 108), 255, 255, 255));
    EXPECT_TRUE(Is(Read(124, 108), 0, 255, 0));
    EXPECT_TRUE(Is(Read(140, 108), 0, 0, 255));
    EXPECT_TRUE(Is(Read(104, 122), 0, 0, 255));
    // Wrapped at the right edge, after a line feed, after a tab.
    R->DrawText(620, 200, 16, ZEString("AB"), font);
    EXPECT_TRUE(Is(Read(626, 224), 255, 0, 0));
    R->DrawText(300, 300, 16, "A\nB", font);
    EXPECT_TRUE(Is(Read(306, 324), 255, 0, 0));
    R->DrawText(300, 400, 16, "A\tB", font);
    EXPECT_TRUE(Is(Read(371, 408), 255, 0, 0));
    EXPECT_TRUE(Is(Read(330, 408), 0, 0, 255));

    // The default font is asked for once; missing, it draws plain quads.
    R->DisableAlphaTest();
    R->DrawText(10, 10, 16, "A");
    ZETextureReference* defaultFont = R->m_pFontTexture;
    ASSERT_NE(defaultFont, nullptr);
    R->DrawText(10, 10, 16, ZEString("A"));
    EXPECT_EQ(R->m_pFontTexture, defaultFont);
    if (defaultFont->IsEmpty())
    {
        EXPECT_TRUE(Is(Read(16, 18), 255, 255, 255));
    }
}

TEST_F(OpenGLRenderer, AScreenshotOfAnOddWidthWindow)
{
    ZETextureReference* texture = Texture(Quadrants(), 4, 4);
    R->SetWindowSize(638, 480);
    // The window's real size and depth, not the desktop depth's 0 it asked for.
    uint16_t width = 0, height = 0, depth = 0;
    R->GetResolution(width, height, depth);
    EXPECT_EQ(width, 638);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(depth, SDL_GetVideoSurface()->format->BitsPerPixel);
    EXPECT_GE(depth, 24);
    R->SetBackgroundColor(10, 20, 30);
    R->ClearBuffers();
    R->SetAmbient(200, 100, 50);
    R->SetTexture(nullptr);
    R->DrawRectangle(0, 0, 10, 10);
    // Textures come back with the new context.
    R->SetAmbient(255, 255, 255);
    R->SetTexture(texture);
    R->DrawRectangle(628, 470, 638, 480);

    ZETempFolder folder("gl");
    ASSERT_TRUE(folder.Ok());
    std::string name = folder.Path() + "/shot";
    R->TakeScreenshot(ZEString(name.c_str()));
    std::ifstream in(name + ".tga", std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::remove((name + ".tga").c_str());
    R->TakeScreenshot(ZEString((folder.Path() + "/missing/shot").c_str()));
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));   // nothing else was written

    ASSERT_EQ(file.size(), 18u + 638u * 480u * 3u);
    EXPECT_EQ(file[12] | file[13] << 8, 638);
    auto pixel = [&](int x, int rowFromBottom) {
        const uint8_t* p = &file[18 + (rowFromBottom * 638 + x) * 3];
        return Pixel{p[2], p[1], p[0]};
    };
    EXPECT_TRUE(Is(pixel(5, 474), 200, 100, 50));
    EXPECT_TRUE(Is(pixel(637, 479), 10, 20, 30));
    EXPECT_TRUE(Is(pixel(636, 1), 255, 255, 255));
    EXPECT_TRUE(Is(pixel(0, 0), 10, 20, 30));
}

// Asked for between frames, a screenshot waits for the next frame and is
// written just before its swap: the file holds that whole frame, never the
// back buffer left over from the swap. Asked for during a frame, it is the
// frame so far, read at once.
TEST_F(OpenGLRenderer, AScreenshotHoldsAWholeFrameWhenAskedForBetweenFrames)
{
    ZETempFolder folder("shot");
    ASSERT_TRUE(folder.Ok());
    auto centre = [](const std::string& file) {
        std::ifstream in(file + ".tga", std::ios::binary);
        std::vector<uint8_t> tga((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        if (tga.size() != 18u + 640u * 480u * 3u)
            return Pixel{-1, -1, -1};
        const uint8_t* p = &tga[18 + (240 * 640 + 320) * 3];
        return Pixel{p[2], p[1], p[0]};
    };
    R->SetBackgroundColor(255, 0, 0);
    R->ClearBuffers();
    R->DisplayBackBuffer();
    std::string between = folder.Path() + "/between";
    R->TakeScreenshot(ZEString(between.c_str()));
    EXPECT_FALSE(std::filesystem::exists(between + ".tga"));
    R->SetBackgroundColor(0, 255, 0);
    R->ClearBuffers();
    std::string during = folder.Path() + "/during";
    R->TakeScreenshot(ZEString(during.c_str()));
    EXPECT_TRUE(Is(centre(during), 0, 255, 0));
    R->SetAmbient(0, 0, 255);
    R->SetTexture(nullptr);
    R->DrawRectangle(300, 220, 340, 260);
    R->DisplayBackBuffer();
    EXPECT_TRUE(Is(centre(between), 0, 0, 255));
}

// The frame rate is the number of swaps in the last whole second of real
// time.
TEST_F(OpenGLRenderer, TheFrameRateCountsTheSwapsOfEachSecond)
{
    ZEManualTimer timer(50000);
    R->DisplayBackBuffer();   // starts a second at 50000
    for (int frame = 0; frame < 25; ++frame)
    {
        timer.Advance(40);
        R->DisplayBackBuffer();
    }
    EXPECT_EQ(R->m_ulFramesPerSecond, 25u);
    for (int frame = 0; frame < 10; ++frame)
    {
        timer.Advance(100);
        R->DisplayBackBuffer();
    }
    EXPECT_EQ(R->m_ulFramesPerSecond, 10u);
}

// 2D calls: fractions of the window, and what lies outside it is refused.
TEST_F(OpenGLRenderer, LinesAndFractionRectanglesLandWhereAskedAndOutsideIsRefused)
{
    R->SetTexture(nullptr);
    R->SetAmbient(255, 255, 255);
    R->DrawRectanglef(0.25f, 0.5f, 0.5f, 0.75f);   // pixels 160..320 by 240..360
    EXPECT_TRUE(Is(Read(170, 250), 255, 255, 255));
    EXPECT_TRUE(Is(Read(310, 350), 255, 255, 255));
    EXPECT_TRUE(Is(Read(150, 250), 0, 0, 0));
    EXPECT_TRUE(Is(Read(170, 230), 0, 0, 0));
    EXPECT_TRUE(Is(Read(330, 300), 0, 0, 0));

    // A needle from the centre at 30 degrees above the horizontal, 100
    // pixels long.
    R->ClearBuffers();
    const float angle = 30.0f * 3.14159265f / 180.0f;
    int tipX = 320 + static_cast<int>(100 * std::cos(angle)), tipY = 240 - static_cast<int>(100 * std::sin(angle));
    R->DrawLinef(0.5f, 0.5f, tipX / 640.0f, tipY / 480.0f, 3.0f);
    for (int step : {20, 50, 80})
        EXPECT_TRUE(Is(Read(320 + static_cast<int>(step * std::cos(angle)),
                            240 - static_cast<int>(step * std::sin(angle))), 255, 255, 255))
            << step;
    EXPECT_TRUE(Is(Read(370, 240), 0, 0, 0));   // below the needle
    EXPECT_TRUE(Is(Read(320, 190), 0, 0, 0));   // above its start

    // Starting beyond the window, or turned inside out: nothing.
    R->ClearBuffers();
    R->DrawRectangle(641, 0, 700, 10);
    R->DrawRectangle(10, 481, 20, 500);
    R->DrawRectangle(100, 100, 50, 200);
    R->DrawRectangle(100, 200, 200, 100);
    R->DrawLine(0, 0, 641, 10, 3.0f);
    R->DrawLine(0, 0, 10, 481, 3.0f);
    std::vector<uint8_t> frame = Frame();
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0), static_cast<long>(frame.size()));
}

// A mirror-sized viewport in the top middle gets the whole picture - the
// view behind the camera - its y counted from the top of the window.
TEST_F(OpenGLRenderer, AViewportWithAnOriginDrawsThereCountedFromTheTop)
{
    R->SetViewport(220, 10, 200, 150);   // pixels 220..420 by 10..160
    R->SetTexture(nullptr);
    R->SetAmbient(255, 255, 255);
    // Far wider than the view, 10 units behind the camera, both windings.
    ZEVertex behind[4] = {{-50, 50, -10, 0, 0}, {50, 50, -10, 0, 0}, {50, -50, -10, 0, 0}, {-50, -50, -10, 0, 0}};
    uint16_t both[12] = {0, 1, 2, 0, 2, 3, 2, 1, 0, 3, 2, 0};
    R->Render(behind, 4, both, 12);
    EXPECT_TRUE(Is(Read(320, 85), 255, 255, 255));
    EXPECT_TRUE(Is(Read(230, 20), 255, 255, 255));
    EXPECT_TRUE(Is(Read(320, 300), 0, 0, 0));
    EXPECT_TRUE(Is(Read(200, 85), 0, 0, 0));
    EXPECT_TRUE(Is(Read(320, 170), 0, 0, 0));
    R->SetViewport(0, 0, 640, 480);
}

// The shadow matrix flattens a point p onto the plane n.p + d = 0 along
// the light vector L (on the plane's front side): p - L (n.p + d) / (n.L).
// A small square at z = 30, the plane z = 50 and L = (0, 1, 1): it lands
// at (0, 20, 50), 96 rows above the centre.
TEST_F(OpenGLRenderer, TheShadowMatrixPutsAPointWhereTheFlatteningSays)
{
    R->SetTexture(nullptr);
    R->SetAmbient(255, 255, 255);
    std::vector<ZEVertex> quad = Quad<ZEVertex>();
    for (ZEVertex& v : quad)
        v.x *= 0.1f, v.y *= 0.1f, v.z = 30.0f;
    R->PushWorldMatrix();
    ASSERT_TRUE(R->SetShadowMatrix(ZEVector(0, 1, 1), ZEPlane(ZEVector(0, 0, 1), -50.0)));
    R->Render(quad.data(), 4, kQuadIndices, 6);
    R->PopWorldMatrix();
    EXPECT_TRUE(Is(Read(320, 240 - 96), 255, 255, 255));
    EXPECT_TRUE(Is(Read(320, 240), 0, 0, 0));
}

// RotateWorldDeg turns a vertex about x first, then y, then z: with pitch
// and roll of 90 degrees, (0, 50, 0) goes to (0, 0, 50), straight ahead;
// the other order would put it at (-50, 0, 0), out of sight.
TEST_F(OpenGLRenderer, WorldRotationsTurnAboutXThenYThenZ)
{
    R->SetTexture(nullptr);
    R->SetAmbient(255, 255, 255);
    // A small square round (0, 50, 0), both windings so it shows either way.
    ZEVertex square[4] = {{-2, 50, -2, 0, 0}, {2, 50, -2, 0, 0}, {2, 50, 2, 0, 0}, {-2, 50, 2, 0, 0}};
    uint16_t both[12] = {0, 1, 2, 0, 2, 3, 2, 1, 0, 3, 2, 0};
    R->PushWorldMatrix();
    R->RotateWorldDeg(90, 0, 90);
    R->Render(square, 4, both, 12);
    R->PopWorldMatrix();
    EXPECT_TRUE(Is(Read(320, 240), 255, 255, 255));
    R->ClearBuffers();
    R->PushWorldMatrix();
    R->RotateWorldDeg(0, 90, 0);   // (0, 50, 0) stays overhead
    R->Render(square, 4, both, 12);
    R->PopWorldMatrix();
    EXPECT_TRUE(Is(Read(320, 240), 0, 0, 0));
}

// A window of another size draws to its far corner once a frame has been
// shown; full screen and back
// (as far as the private X server allows full screen) ends in a window
// whose size the renderer reports truly.
TEST_F(OpenGLRenderer, AResizedOrToggledWindowReportsTheSizeItHas)
{
    R->SetWindowSize(800, 600);
    uint16_t width = 0, height = 0, depth = 0;
    R->GetResolution(width, height, depth);
    EXPECT_EQ(width, 800);
    EXPECT_EQ(height, 600);
    EXPECT_EQ(SDL_GetVideoSurface()->w, 800);
    // The X server resizes the window on its own time: the buffers take
    // the new size with the first swap.
    R->DisplayBackBuffer();
    R->SetAmbient(255, 255, 255);
    R->SetTexture(nullptr);
    R->ClearBuffers();
    R->DrawRectangle(790, 590, 800, 600);
    EXPECT_TRUE(Is(Read(795, 595), 255, 255, 255));

    for (int toggle = 0; toggle < 2; ++toggle)
    {
        // True only when the switch took place.
        bool wanted = !R->m_bFullscreen;
        bool switched = R->ToggleFullscreen();
        EXPECT_EQ(switched, R->m_bFullscreen == wanted);
        R->GetResolution(width, height, depth);
        EXPECT_EQ(width, SDL_GetVideoSurface()->w);
        EXPECT_EQ(height, SDL_GetVideoSurface()->h);
        EXPECT_EQ(R->m_bFullscreen, (SDL_GetVideoSurface()->flags & SDL_FULLSCREEN) != 0);
    }
    EXPECT_FALSE(R->m_bFullscreen);

    // A window larger than the screen has no full-screen mode of its size:
    // the switch falls back to a window and says it did not happen.
    R->SetWindowSize(1600, 1200);
    EXPECT_FALSE(R->ToggleFullscreen());
    EXPECT_FALSE(R->m_bFullscreen);
}

TEST_F(OpenGLRenderer, AModeThatCannotBeOpenedFallsBackToA640x480Window)
{
    R->SetResolution(4000, 4000, 32);
    EXPECT_TRUE(R->m_bInitialized);
    EXPECT_FALSE(R->m_bFullscreen);
    EXPECT_EQ(R->m_usViewportHeight, 480);
    // The size to lay out for is the window's.
    uint16_t width = 0, height = 0, depth = 0;
    R->GetResolution(width, height, depth);
    EXPECT_EQ(width, 640);
    EXPECT_EQ(height, 480);
    EXPECT_EQ(depth, SDL_GetVideoSurface()->format->BitsPerPixel);
}

TEST(OpenGLRendererWithoutWindow, NoWindowAtAllEndsTheProcessWithStatusOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            // The dummy video driver has no OpenGL: every mode fails.
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            if (SDL_Init(SDL_INIT_VIDEO) != 0)
                std::exit(3);
            ZESDLOpenGLRenderer renderer(800, 600, 1);
        },
        ::testing::ExitedWithCode(1), "Could not open a 640x480 window either");
}

namespace
{
// Whether OpenGL's current matrices put a world point inside the clip volume.
bool Visible(const ZEVector& p)
{
    GLdouble m[2][16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m[0]);
    glGetDoublev(GL_PROJECTION_MATRIX, m[1]);
    double v[4] = {p.x, p.y, p.z, 1.0};
    for (const GLdouble* matrix : {m[0], m[1]})
    {
        double out[4] = {};
        for (int row = 0; row < 4; ++row)
            for (int k = 0; k < 4; ++k)
                out[row] += matrix[k * 4 + row] * v[k];
        std::copy(out, out + 4, v);
    }
    return std::fabs(v[0]) <= v[3] && std::fabs(v[1]) <= v[3] && std::fabs(v[2]) <= v[3];
}

// A point of the camera frame (x right, y up, z ahead) in the world.
ZEVector World(const ZECamera& camera, double x, double y, double z)
{
    return camera.GetPosition() + camera.GetRVector() * float(x) + camera.GetUVector() * float(y) +
           camera.GetFVector() * float(z);
}
}

TEST_F(OpenGLRenderer, TheFrustumPlanesAreTheClipVolumeOfTheView)
{
    // In a square window the horizontal field fovY x aspect is exact.
    R->SetWindowSize(480, 480);
    ZECamera& camera = R->m_Camera;
    camera.SetPosition(ZEVector(5.0f, -3.0f, 7.0f));
    camera.SetRotation(ZEVector(30.0f, 45.0f, 10.0f));
    R->SetPerspective(70.0f, 1.0f, 2.0f, 150.0f);
    R->RestoreWorld();

    // A point on each plane, away from its edges: near, far, top, bottom,
    // left, right; then a step of 0.05 to either side.
    const double t = std::tan(35.0 * M_PI / 180.0) * 40.0;
    const ZEVector onPlane[6] = {World(camera, 0.3, -0.2, 2.0),  World(camera, 10.0, 20.0, 150.0),
                                 World(camera, 3.0, t, 40.0),    World(camera, -3.0, -t, 40.0),
                                 World(camera, -t, 4.0, 40.0),   World(camera, t, -4.0, 40.0)};
    for (uint16_t plane = 0; plane < 6; ++plane)
    {
        SCOPED_TRACE(plane);
        const ZEVector& normal = camera.GetPlane(plane)->m_vNormal;
        ZEBoundingSphere inside(onPlane[plane] + normal * 0.05f, 0.01f);
        ZEBoundingSphere outside(onPlane[plane] - normal * 0.05f, 0.01f);
        EXPECT_TRUE(Visible(inside.GetCenter()));
        EXPECT_FALSE(Visible(outside.GetCenter()));
        EXPECT_FALSE(camera.Culled(&inside));
        EXPECT_TRUE(camera.Culled(&outside));
    }

    // At 4:3 the side planes (120 degrees across) lie outside the picture's
    // sides (106 degrees): what is seen is never culled.
    R->SetWindowSize(640, 480);
    R->SetPerspective(90.0f, 4.0f / 3.0f, 1.0f, 1000.0f);
    R->RestoreWorld();
    for (double side : {-1.0, 1.0})
    {
        ZEBoundingSphere edge(World(camera, side * 133.2, 0.0, 100.0), 0.01f);
        ZEBoundingSphere beyondPlane(World(camera, side * 173.3, 0.0, 100.0), 0.01f);
        EXPECT_TRUE(Visible(edge.GetCenter()));
        EXPECT_FALSE(camera.Culled(&edge));
        EXPECT_TRUE(camera.Culled(&beyondPlane));
        EXPECT_FALSE(Visible(beyondPlane.GetCenter()));
    }
}
