// The sky box and billboards as real OpenGL (Mesa's llvmpipe) draws them on
// a private X server: the sky box's six sides meet without a seam from
// wherever the camera stands, and a keyed billboard shows its picture
// upright and unmirrored from four sides, its key cut away.
#include "core/ZEFileManager.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "render/ZEBillboard.h"
#include "render/ZESkyBox.h"
#include "resources/ZETextureManager.h"
#include "support/PixelWindow.h"
#include "support/TempFolder.h"
#include "support/TestPolygons.h"

#include "ZEBspWriter.h"
#include "ZETexWriter.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{
const int kWidth = 640, kHeight = 480, kSkyTexels = 64;

using Pixel = ZEPixel;

int Difference(const Pixel& a, const Pixel& b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}


// A side of the sky cube of half size 1 seen from inside: its corners top
// left, top right, bottom right, bottom left (clockwise on screen).
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

// Each coordinate -1..1 of a point on the cube becomes a channel 0..255, so
// the sky's colour runs on across every edge and no point of it is mid grey.
uint8_t Channel(float coordinate)
{
    return static_cast<uint8_t>(std::lround((coordinate + 1.0f) * 127.5f));
}

// A lit quad (as the map loader hands entity polygons over) with texture
// coordinates (0, 0) at corner 0 and (1, 1) at corner 2.
ZEPolygon* Quad(std::initializer_list<ZEVector> corners, ZETextureReference* texture)
{
    ZEPolygon* quad = ZEMakeTestPolygon(corners, {0, 1, 2, 0, 2, 3}, true);
    for (int i = 0; i < 4; ++i)
    {
        quad->m_pLVertices[i].u = (i == 1 || i == 2) ? 1.0f : 0.0f;
        quad->m_pLVertices[i].v = i >= 2 ? 1.0f : 0.0f;
    }
    quad->m_pTexture = texture;
    return quad;
}

ZECustomEntity* Entity(const char* name, const ZEVector& position, const ZEBspData& data)
{
    uint8_t* block = new uint8_t[data.m_aucBytes.size()];
    std::copy(data.m_aucBytes.begin(), data.m_aucBytes.end(), block);
    return new ZECustomEntity(ZEString(name), position, block, static_cast<uint16_t>(data.m_aucBytes.size()));
}

class SceneryDrawing : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        ms_pWindow = new ZEPixelWindow(kWidth, kHeight);
        if (!ms_pWindow->Ok())
            return;
        ms_pFiles = new ZEFileManager();
        ms_pTextures = new ZETextureManager();
        ms_pTextures->SetTextureDirectory(ZEString("textures/"));
    }

    static void TearDownTestSuite()
    {
        delete ms_pTextures;
        delete ms_pFiles;
        delete ms_pWindow;
    }

    // Each sky side's texels coloured by the cube point at their centre; the
    // tree red and green over blue and magenta (its key).
    void SetUp() override
    {
        ASSERT_TRUE(ms_pWindow->Ok()) << ms_pWindow->Error();
        R = ms_pWindow->Renderer();
        ms_pWindow->Reset();
        ZETexWriter textures;
        for (const Side& side : kSides)
        {
            const ZEVector* c = side.m_aCorners;
            std::vector<uint8_t> rgb;
            for (int t = 0; t < kSkyTexels * kSkyTexels; ++t)
            {
                ZEVector p = c[0] + (c[1] - c[0]) * ((t % kSkyTexels + 0.5f) / kSkyTexels) +
                             (c[3] - c[0]) * ((t / kSkyTexels + 0.5f) / kSkyTexels);
                rgb.insert(rgb.end(), {Channel(p.x), Channel(p.y), Channel(p.z)});
            }
            ASSERT_TRUE(textures.AddImage(side.m_pName, ZETexImage::TrueColor(kSkyTexels, kSkyTexels, rgb)));
        }
        const uint8_t tree[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 0, 255}};
        std::vector<uint8_t> rgb;
        for (int t = 0; t < 16; ++t)
            rgb.insert(rgb.end(), tree[t / 8 * 2 + t % 4 / 2], tree[t / 8 * 2 + t % 4 / 2] + 3);
        ASSERT_TRUE(textures.AddImage("tree", ZETexImage::TrueColor(4, 4, rgb)));
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

    // Puts the camera at `eye` looking along `direction`.
    void Look(const ZEVector& eye, const ZEVector& direction)
    {
        ms_pWindow->Look(eye, direction);
        ASSERT_GT(R->m_Camera.GetFVector().DotProduct(direction.UnitVector()), 0.9999f);
    }

    // The object drawn over a grey background; the picture's rows from the top.
    std::vector<Pixel> Draw(ZEEngineObject* object, uint8_t grey = 0)
    {
        ms_pWindow->Clear(grey, grey, grey);
        object->Render(R, &R->m_Camera);
        std::vector<uint8_t> rgb(kWidth * kHeight * 3);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        std::vector<Pixel> frame;
        for (int y = kHeight - 1; y >= 0; --y)
            for (const uint8_t* p = &rgb[y * kWidth * 3]; p < &rgb[(y + 1) * kWidth * 3]; p += 3)
                frame.push_back(Pixel{p[0], p[1], p[2]});
        return frame;
    }

    static inline ZEPixelWindow* ms_pWindow = nullptr;
    static inline ZEFileManager* ms_pFiles = nullptr;
    static inline ZETextureManager* ms_pTextures = nullptr;

    ZESDLOpenGLRenderer* R = nullptr;
    ZETempFolder m_Dir{"scenery"};
};
}

TEST_F(SceneryDrawing, TheSkyBoxSidesMeetWithoutASeamAroundACameraAnywhere)
{
    // Half size 50, height offset 0, as the map loader hands it over.
    const ZEVector at(0, 300, 0);
    ZECustomEntity* entity = Entity("SkyBox", at, ZEBspData().Zeros(17));
    for (const Side& side : kSides)
    {
        const ZEVector* c = side.m_aCorners;
        entity->AddPolygon(
            Quad({at + c[0] * 50.0f, at + c[1] * 50.0f, at + c[2] * 50.0f, at + c[3] * 50.0f}, Texture(side.m_pName)));
    }
    ZESkyBox sky(entity);

    // Each corner of the cube in the middle of the picture, its three edges
    // running out from it: every edge is seen twice.
    for (int corner = 0; corner < 8; ++corner)
    {
        const ZEVector toward(corner & 1 ? 1.0f : -1.0f, corner & 2 ? 1.0f : -1.0f, corner & 4 ? 1.0f : -1.0f);
        SCOPED_TRACE("corner " + std::to_string(corner));
        Look(ZEVector(700, -40, 250), toward);
        std::vector<Pixel> frame = Draw(&sky, 128);
        int uncovered = 0, largestStep = 0;
        for (int i = 0; i < kWidth * kHeight; ++i)
        {
            uncovered += Difference(frame[i], Pixel{128, 128, 128}) < 120;
            if (i % kWidth + 1 < kWidth)
                largestStep = std::max(largestStep, Difference(frame[i], frame[i + 1]));
            if (i + kWidth < kWidth * kHeight)
                largestStep = std::max(largestStep, Difference(frame[i], frame[i + kWidth]));
        }
        EXPECT_EQ(uncovered, 0) << "mid grey is the background, never a point of the cube";
        // Within a side neighbours differ by a level or two; across an edge
        // by the one texel each side keeps from it.
        EXPECT_LE(largestStep, 12);
        EXPECT_TRUE(ZENearPixel(frame[240 * kWidth + 320], Channel(toward.x), Channel(toward.y), Channel(toward.z), 12));
    }
}

TEST_F(SceneryDrawing, AKeyedBillboardShowsUprightFromFourSidesAndFromAboveOnlyAParticleFacesTheEye)
{
    const ZEVector place(200, 30, -100), down(0.0f, -0.8660254f, 0.5f);
    int heights[2] = {};
    for (bool particle : {false, true})
    {
        // A 10 x 10 tree keyed on magenta, lit white.
        ZECustomEntity* entity =
            Entity("Billboard", place, ZEBspData().Byte(particle).Byte(1).Byte(0).Byte(255).Byte(0).Byte(255));
        entity->AddPolygon(Quad({place + ZEVector(-5, 5, 0), place + ZEVector(-5, -5, 0), place + ZEVector(5, -5, 0),
                                 place + ZEVector(5, 5, 0)},
                                Texture("tree")));
        ZEBillboard tree(entity);
        tree.m_bLightComputed = true;
        std::fill(tree.m_aucLight, tree.m_aucLight + 3, uint8_t(255));
        for (const ZEVector& side : {ZEVector(0, 0, -1), ZEVector(1, 0, 0), ZEVector(0, 0, 1), ZEVector(-1, 0, 0)})
        {
            SCOPED_TRACE(::testing::Message() << (particle ? "particle" : "upright") << " from x " << side.x
                                              << ", z " << side.z);
            Look(place + side * 10.0f, side * -1.0f);
            std::vector<Pixel> frame = Draw(&tree);
            // The quad covers x 200..440, y 120..360.
            EXPECT_TRUE(ZENearPixel(frame[180 * kWidth + 260], 255, 0, 0));
            EXPECT_TRUE(ZENearPixel(frame[180 * kWidth + 380], 0, 255, 0));
            EXPECT_TRUE(ZENearPixel(frame[300 * kWidth + 260], 0, 0, 255));
            EXPECT_TRUE(ZENearPixel(frame[300 * kWidth + 380], 0, 0, 0)) << "the key colour is cut away";
            EXPECT_TRUE(ZENearPixel(frame[240 * kWidth + 180], 0, 0, 0));
            EXPECT_TRUE(ZENearPixel(frame[240 * kWidth + 460], 0, 0, 0));
        }
        // Looking down at 60 degrees: the height of the picture's left column.
        Look(place - down * 10.0f, down);
        std::vector<Pixel> frame = Draw(&tree);
        for (int y = 0; y < kHeight; ++y)
            heights[particle] += Difference(frame[y * kWidth + 260], Pixel{0, 0, 0}) > 8;
    }
    EXPECT_NEAR(heights[1], 240, 2) << "the particle square to the view";
    EXPECT_LT(heights[0], heights[1] * 3 / 4) << "foreshortened: the upright one keeps standing";
}
