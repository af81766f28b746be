// The sky box and billboards as real OpenGL (Mesa's llvmpipe) draws them on
// a private X server: the sky box's six sides meet without a seam from
// wherever the camera stands, and a billboard shows its picture upright and
// unmirrored from all four sides, its colour key cut away.
#include "core/ZEFileManager.h"
#include "math/ZEPolygon.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "render/ZEBillboard.h"
#include "render/ZESkyBox.h"
#include "resources/ZETextureManager.h"
#include "support/TempFolder.h"
#include "support/Xvfb.h"
#include "world/ZEEngineObject.h"

#include "ZEBspWriter.h"
#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <GL/gl.h>
#include <SDL/SDL.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
const int kWidth = 640, kHeight = 480;

struct Pixel
{
    int r, g, b;
};

// A side of the sky cube of half size 1 as seen from inside: its corners
// top left, top right, bottom right, bottom left (clockwise on screen, so
// drawn), texture coordinates (0, 0) at the top left.
struct Side
{
    const char* m_pName;
    ZEVector m_aCorners[4];
};
const Side kSides[6] = {
    {"front", {ZEVector(-1, 1, 1), ZEVector(1, 1, 1), ZEVector(1, -1, 1), ZEVector(-1, -1, 1)}},
    {"back", {ZEVector(1, 1, -1), ZEVector(-1, 1, -1), ZEVector(-1, -1, -1), ZEVector(1, -1, -1)}},
    {"left", {ZEVector(-1, 1, -1), ZEVector(-1, 1, 1), ZEVector(-1, -1, 1), ZEVector(-1, -1, -1)}},
    {"right", {ZEVector(1, 1, 1), ZEVector(1, 1, -1), ZEVector(1, -1, -1), ZEVector(1, -1, 1)}},
    {"up", {ZEVector(-1, 1, -1), ZEVector(1, 1, -1), ZEVector(1, 1, 1), ZEVector(-1, 1, 1)}},
    {"down", {ZEVector(-1, -1, 1), ZEVector(1, -1, 1), ZEVector(1, -1, -1), ZEVector(-1, -1, -1)}},
};
const float kTexCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
const int kSkyTexels = 64;

// The colour of a point on the cube: each coordinate -1..1 becomes a
// channel 0..255, so the sky's colour is continuous across every edge and
// no point of the cube is mid grey.
uint8_t Channel(float coordinate)
{
    return static_cast<uint8_t>(std::lround((coordinate + 1.0f) * 127.5f));
}

// The side's texture: each texel coloured by the cube point at its centre.
ZETexImage SideImage(const Side& side)
{
    std::vector<uint8_t> rgb;
    const ZEVector across = side.m_aCorners[1] - side.m_aCorners[0], down = side.m_aCorners[3] - side.m_aCorners[0];
    for (int t = 0; t < kSkyTexels; ++t)
        for (int s = 0; s < kSkyTexels; ++s)
        {
            ZEVector p = side.m_aCorners[0] + across * ((s + 0.5f) / kSkyTexels) + down * ((t + 0.5f) / kSkyTexels);
            rgb.insert(rgb.end(), {Channel(p.x), Channel(p.y), Channel(p.z)});
        }
    return ZETexImage::TrueColor(kSkyTexels, kSkyTexels, rgb);
}

// 4 x 4 texels: red, green on top; blue, magenta (the key) below.
ZETexImage TreeImage()
{
    const uint8_t colours[2][2][3] = {{{255, 0, 0}, {0, 255, 0}}, {{0, 0, 255}, {255, 0, 255}}};
    std::vector<uint8_t> rgb;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            rgb.insert(rgb.end(), colours[y / 2][x / 2], colours[y / 2][x / 2] + 3);
    return ZETexImage::TrueColor(4, 4, rgb);
}

// A lit quad (as the map loader builds entity polygons) with the corners
// given, texture coordinates as kTexCoords, and the texture.
ZEPolygon* Quad(const ZEVector* corners, ZETextureReference* texture)
{
    ZEPolygon* quad = new ZEPolygon();
    quad->m_bLightmapped = true;
    quad->m_usNumVertices = 4;
    quad->m_pLVertices = new ZELVertex[4];
    for (int i = 0; i < 4; ++i)
        quad->m_pLVertices[i] = ZELVertex{corners[i].x, corners[i].y, corners[i].z, kTexCoords[i][0],
                                          kTexCoords[i][1], 0.0f, 0.0f};
    quad->m_usNumIndices = 6;
    quad->m_pusIndices = new uint16_t[6]{0, 1, 2, 0, 2, 3};
    quad->m_pTexture = texture;
    quad->Update();
    return quad;
}

ZECustomEntity* Entity(const char* name, const ZEVector& position, const std::vector<uint8_t>& data)
{
    uint8_t* block = new uint8_t[data.size()];
    std::memcpy(block, data.data(), data.size());
    return new ZECustomEntity(ZEString(name), position, block, static_cast<uint16_t>(data.size()));
}

class SceneryDrawing : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ms_pDisplay = new ZEXvfb();
        if (!ms_pDisplay->Start() || SDL_Init(SDL_INIT_VIDEO) != 0)
            return;
        ms_pRenderer = new ZESDLOpenGLRenderer(kWidth, kHeight, 0);
        ms_pFiles = new ZEFileManager();
        ms_pTextures = new ZETextureManager();
        ms_pTextures->SetTextureDirectory(ZEString("textures/"));
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
        R->SetupOpenGL();
        R->m_bLightmaps = false;
        R->m_Camera = ZECamera();
        R->SetPerspective(90.0f, 4.0f / 3.0f, 1.0f, 1000.0f);
        ZETexWriter textures;
        for (const Side& side : kSides)
            ASSERT_TRUE(textures.AddImage(side.m_pName, SideImage(side))) << textures.GetError().CStr();
        ASSERT_TRUE(textures.AddImage("tree", TreeImage()));
        ASSERT_TRUE(textures.Write(m_Dir.File("textures/scene.tex").c_str())) << textures.GetError().CStr();
        ms_pFiles->SetMainDirectory(ZEString(m_Dir.Path().c_str()));
    }

    void TearDown() override
    {
        ms_pTextures->ReleaseUnusedTextures();
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    }

    static ZETextureReference* Texture(const char* name)
    {
        return ms_pTextures->GetTexture(ZEString(name), ZEString("scene"), false);
    }

    // A sky box of half size 50 placed at `position` (the map's height
    // offset 0), as the map loader hands it over.
    static ZESkyBox* Sky(const ZEVector& position)
    {
        ZECustomEntity* entity = Entity("SkyBox", position, ZEBspData().Zeros(17).m_aucBytes);
        for (const Side& side : kSides)
        {
            ZEVector corners[4];
            for (int i = 0; i < 4; ++i)
                corners[i] = position + side.m_aCorners[i] * 50.0f;
            entity->AddPolygon(Quad(corners, Texture(side.m_pName)));
        }
        return new ZESkyBox(entity);
    }

    // A 10 x 10 tree keyed on magenta, lit white.
    static ZEBillboard* Tree(const ZEVector& position, bool particle)
    {
        ZEBspData data;
        data.Byte(particle ? 1 : 0).Byte(1).Byte(0).Byte(255).Byte(0).Byte(255);
        ZECustomEntity* entity = Entity("Billboard", position, data.m_aucBytes);
        const ZEVector corners[4] = {position + ZEVector(-5, 5, 0), position + ZEVector(-5, -5, 0),
                                     position + ZEVector(5, -5, 0), position + ZEVector(5, 5, 0)};
        entity->AddPolygon(Quad(corners, Texture("tree")));
        ZEBillboard* tree = new ZEBillboard(entity);
        tree->m_bLightComputed = true;
        std::fill(tree->m_aucLight, tree->m_aucLight + 3, uint8_t(255));
        return tree;
    }

    // Puts the camera at `eye` turned (among whole eighths of a turn and
    // the corner pitches) to look along `direction` as closely as it can.
    void Look(const ZEVector& eye, const ZEVector& direction)
    {
        const ZEVector want = direction.UnitVector();
        ZEVector best;
        float bestDot = -2.0f;
        for (float pitch : {-60.0f, -35.26439f, 0.0f, 35.26439f})
            for (float yaw = 0.0f; yaw < 360.0f; yaw += 45.0f)
            {
                R->m_Camera.SetRotation(ZEVector(pitch, yaw, 0.0f));
                float dot = R->m_Camera.GetFVector().DotProduct(want);
                if (dot > bestDot)
                    bestDot = dot, best = ZEVector(pitch, yaw, 0.0f);
            }
        R->m_Camera.SetPosition(eye);
        R->m_Camera.SetRotation(best);
        ASSERT_GT(bestDot, 0.9999f);
        R->RestoreWorld();
    }

    void Draw(ZEEngineObject* object, uint8_t grey = 0)
    {
        R->SetBackgroundColor(grey, grey, grey);
        R->ClearBuffers();
        object->Render(R, &R->m_Camera);
    }

    // The back buffer, rows from the top.
    std::vector<Pixel> Frame() const
    {
        std::vector<uint8_t> rgb(kWidth * kHeight * 3);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        std::vector<Pixel> frame(kWidth * kHeight);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const uint8_t* p = &rgb[((kHeight - 1 - y) * kWidth + x) * 3];
                frame[y * kWidth + x] = Pixel{p[0], p[1], p[2]};
            }
        return frame;
    }

    static ZEXvfb* ms_pDisplay;
    static ZESDLOpenGLRenderer* ms_pRenderer;
    static ZEFileManager* ms_pFiles;
    static ZETextureManager* ms_pTextures;

    ZESDLOpenGLRenderer* R = nullptr;
    ZETempFolder m_Dir{"scenery"};
};

ZEXvfb* SceneryDrawing::ms_pDisplay = nullptr;
ZESDLOpenGLRenderer* SceneryDrawing::ms_pRenderer = nullptr;
ZEFileManager* SceneryDrawing::ms_pFiles = nullptr;
ZETextureManager* SceneryDrawing::ms_pTextures = nullptr;

int Difference(const Pixel& a, const Pixel& b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

::testing::AssertionResult Near(const Pixel& p, int r, int g, int b, int tolerance = 1)
{
    if (Difference(p, Pixel{r, g, b}) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel is " << p.r << ", " << p.g << ", " << p.b;
}
}

TEST_F(SceneryDrawing, TheSkyBoxSidesMeetWithoutASeamAroundACameraAnywhere)
{
    ZESkyBox* sky = Sky(ZEVector(0, 300, 0));
    // Each corner of the cube in the middle of the picture, its three edges
    // running out from it: every edge is seen twice.
    for (int corner = 0; corner < 8; ++corner)
    {
        ZEVector toward(corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f, corner & 4 ? 1.0f : -1.0f);
        SCOPED_TRACE("corner " + std::to_string(toward.x) + " " + std::to_string(toward.y) + " " +
                     std::to_string(toward.z));
        Look(ZEVector(700, -40, 250), toward);
        Draw(sky, 128);
        std::vector<Pixel> frame = Frame();

        // Mid grey is the background, never a point of the cube: nothing
        // between the sides lets it through.
        int uncovered = 0, largestStep = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
            {
                const Pixel& p = frame[y * kWidth + x];
                int extreme = std::max({std::abs(p.r - 128), std::abs(p.g - 128), std::abs(p.b - 128)});
                uncovered += extreme < 120;
                if (x + 1 < kWidth)
                    largestStep = std::max(largestStep, Difference(p, frame[y * kWidth + x + 1]));
                if (y + 1 < kHeight)
                    largestStep = std::max(largestStep, Difference(p, frame[(y + 1) * kWidth + x]));
            }
        EXPECT_EQ(uncovered, 0);
        // Within a side neighbours differ by a level or two; across an edge
        // by the one texel each side keeps from it.
        EXPECT_LE(largestStep, 12);
        EXPECT_TRUE(Near(frame[240 * kWidth + 320], Channel(toward.x), Channel(toward.y), Channel(toward.z), 12));
    }
    delete sky;
}

TEST_F(SceneryDrawing, ABillboardShowsItsPictureUprightFromFourSidesWithItsKeyCutAway)
{
    const ZEVector place(200, 30, -100);
    const ZEVector sides[4] = {ZEVector(0, 0, -1), ZEVector(1, 0, 0), ZEVector(0, 0, 1), ZEVector(-1, 0, 0)};
    for (bool particle : {false, true})
    {
        ZEBillboard* tree = Tree(place, particle);
        for (const ZEVector& side : sides)
        {
            SCOPED_TRACE(std::string(particle ? "particle" : "upright") + " from " + std::to_string(side.x) + " " +
                         std::to_string(side.z));
            Look(place + side * 10.0f, side * -1.0f);
            Draw(tree);
            std::vector<Pixel> frame = Frame();
            // The quad covers x 200..440, y 120..360.
            EXPECT_TRUE(Near(frame[180 * kWidth + 260], 255, 0, 0));
            EXPECT_TRUE(Near(frame[180 * kWidth + 380], 0, 255, 0));
            EXPECT_TRUE(Near(frame[300 * kWidth + 260], 0, 0, 255));
            EXPECT_TRUE(Near(frame[300 * kWidth + 380], 0, 0, 0)) << "the key colour is cut away";
            EXPECT_TRUE(Near(frame[240 * kWidth + 180], 0, 0, 0));
            EXPECT_TRUE(Near(frame[240 * kWidth + 460], 0, 0, 0));
        }
        delete tree;
    }
}

TEST_F(SceneryDrawing, FromAboveAnUprightBillboardStandsWhileAParticleFacesTheEye)
{
    const ZEVector place(0, 0, 0);
    const ZEVector down(0.0f, -0.8660254f, 0.5f);
    int heights[2] = {};
    for (bool particle : {false, true})
    {
        ZEBillboard* tree = Tree(place, particle);
        Look(place - down * 10.0f, down);
        Draw(tree);
        std::vector<Pixel> frame = Frame();
        for (int y = 0; y < kHeight; ++y)
            heights[particle] += Difference(frame[y * kWidth + 260], Pixel{0, 0, 0}) > 8;
        delete tree;
    }
    EXPECT_NEAR(heights[1], 240, 2) << "square to the view";
    EXPECT_LT(heights[0], heights[1] * 3 / 4) << "foreshortened: it keeps standing upright";
}
