// Shadows as real OpenGL (Mesa's llvmpipe) draws them on a private X
// server. A 20-unit crate stands on a white floor under a sun shining down
// at 45 degrees towards +z, the camera 200 units overhead, so the crate's
// shadow reaches from z = -10 to z = 30 on the floor. The crate itself is
// not drawn: every dark pixel is shadow.
#include "core/ZEFileManager.h"
#include "math/ZEAABBTree.h"
#include "platform/sdl/ZESDLOpenGLRenderer.h"
#include "render/ZELight.h"
#include "render/ZEStencilShadowVolume.h"
#include "resources/ZEModelManager.h"
#include "support/ManualTimer.h"
#include "support/PixelWindow.h"
#include "support/TempFolder.h"
#include "support/TestPolygons.h"
#include "world/ZEEngine.h"
#include "world/ZETerrain.h"

#include "ZETexWriter.h"
#include "ZEZmfWriter.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <vector>

namespace
{
const int kWidth = 320, kHeight = 240;
// 200 units overhead with a 90 degree view: 120 rows for 200 units.
const float kPixelsPerUnit = 0.6f;

// A white floor 800 units across at y = 0, as the world's terrain.
class WhiteFloor : public ZETerrain
{
public:
    WhiteFloor()
    {
        const float h = 400.0f;
        m_pAABBTree = new ZEAABBTreeNode(ZEMakeTestPolygon(
            {ZEVector(-h, 0, h), ZEVector(h, 0, h), ZEVector(h, 0, -h), ZEVector(-h, 0, -h)}, {0, 1, 2, 0, 2, 3}));
    }
    bool Load(const ZEString&) override { return false; }
};

class ShadowDrawing : public ZEPixelWorldTest<kWidth, kHeight>
{
protected:
    // The models and the two blob textures: a white round one and a
    // mid-grey oblong one, so each darkens the floor by its own amount.
    void SetUp() override
    {
        ASSERT_TRUE(ms_pWorld->m_Window.Ok()) << ms_pWorld->m_Window.Error();
        ASSERT_TRUE(ms_pWorld->m_Window.Renderer()->m_bStencilBuffer);
        E = ms_pWorld->m_pEngine;
        ms_pWorld->m_Window.Reset();
        ZETexWriter textures;
        ASSERT_TRUE(textures.AddImage("fakeshadow1", ZETexImage::TrueColor(8, 8, std::vector<uint8_t>(192, 255))));
        ASSERT_TRUE(textures.AddImage("fakeshadow2", ZETexImage::TrueColor(8, 8, std::vector<uint8_t>(192, 128))));
        ASSERT_TRUE(textures.Write(m_Dir.File("textures/EngineSFX.tex").c_str())) << textures.GetError().CStr();
        ZEZmfWriter crate, plank;
        crate.AddBox(ZEVector(0, 10, 0), ZEVector(10, 10, 10));
        plank.AddBox(ZEVector(0, 10, 0), ZEVector(10, 10, 20));
        ASSERT_TRUE(crate.Write(ZEString(m_Dir.File("models/crate.zmf").c_str())));
        ASSERT_TRUE(plank.Write(ZEString(m_Dir.File("models/plank.zmf").c_str())));
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(m_Dir.Path().c_str()));

        E->SetTerrain(new WhiteFloor());
        E->AddLightToWorld(new ZELight(ZEVector(0, -1, 1), 1.0f));
        m_pCrate = Caster("crate.zmf", ZEVector(0, 0, 0));
    }

    void TearDown() override
    {
        EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
        E->FreeWorld();
        delete E->m_pFakeShadow1;
        delete E->m_pFakeShadow2;
        E->m_pFakeShadow1 = E->m_pFakeShadow2 = nullptr;
        E->m_abFakeShadowTried[0] = E->m_abFakeShadowTried[1] = false;   // each case writes its own
        E->m_fDecalDist = 320.0f;
        E->m_fShadowDist = 320.0f;
    }

    // A shadow-casting object with the model, in the world.
    ZEEngineObject* Caster(const char* model, const ZEVector& position)
    {
        ZEEngineObject* object = new ZEEngineObject();
        object->m_pModel = ZEModelManager::ms_pModelManager->GetModel(ZEString(model));
        object->m_vPosition = position;
        object->m_bCastShadow = true;
        E->AddObjectToWorld(object);
        return object;
    }

    // The floor and the shadows of one method from overhead.
    void Draw(uint32_t method)
    {
        E->SetShadowMethod(static_cast<ZEShadowMethod>(method));
        ASSERT_EQ(E->m_ShadowMethod, method);
        ms_pWorld->m_Window.Look(ZEVector(0, 200, 0), ZEVector(0, -1, 0.0001f));
        ms_pWorld->m_Window.Clear();
        E->m_pTerrain->Render(ms_pWorld->m_Window.Renderer(), &ms_pWorld->m_Window.Renderer()->m_Camera);
        E->RenderShadows(&ms_pWorld->m_Window.Renderer()->m_Camera);
    }

    // The red channel of the floor at (x, 0, z); +z is up the picture, +x
    // to the right of it.
    int Floor(float x, float z)
    {
        return ms_pWorld->m_Window.At(kWidth / 2 + static_cast<int>(x * kPixelsPerUnit),
                              kHeight / 2 - static_cast<int>(z * kPixelsPerUnit))
            .r;
    }

    ZEEngine* E = nullptr;
    ZEEngineObject* m_pCrate = nullptr;
    ZETempFolder m_Dir{"shadows"};
};
}

TEST_F(ShadowDrawing, AFakeShadowLaysItsBlobUnderTheObjectRoundForASquareFootprintOblongOtherwise)
{
    // Twice the crate's footprint: 20 units each way round its centre. The
    // white blob in (192, 192, 192) leaves a quarter of the floor's light.
    Draw(1);
    EXPECT_NEAR(Floor(0, 15), 63, 2);
    EXPECT_NEAR(Floor(15, -15), 63, 2);
    EXPECT_EQ(Floor(0, 25), 255);
    EXPECT_EQ(Floor(25, 0), 255);

    // The plank is 20 by 40: the grey oblong blob, 40 units along z.
    E->RemoveObjectFromWorld(m_pCrate);
    delete m_pCrate;
    Caster("plank.zmf", ZEVector(0, 0, 0));
    Draw(1);
    EXPECT_NEAR(Floor(0, 35), 159, 2);
    EXPECT_EQ(Floor(0, 45), 255);
}

TEST_F(ShadowDrawing, AnObjectFloatingBeyondTheDecalDistanceCastsNoFakeShadow)
{
    m_pCrate->m_vPosition = ZEVector(0, 60, 0);
    E->m_fDecalDist = 100.0f;
    Draw(1);
    EXPECT_LT(Floor(0, 15), 128);
    E->m_fDecalDist = 50.0f;
    Draw(1);
    EXPECT_EQ(Floor(0, 15), 255);
}

TEST_F(ShadowDrawing, AProjectedShadowIsBlackOrBlendedOnceAlongTheLight)
{
    Draw(2);
    EXPECT_EQ(Floor(0, 20), 0);
    EXPECT_EQ(Floor(0, -5), 0);
    EXPECT_EQ(Floor(0, -20), 255);
    EXPECT_EQ(Floor(0, 40), 255);
    EXPECT_EQ(Floor(20, 20), 255);
    // Moved, the shadow goes with the crate.
    m_pCrate->m_vPosition = ZEVector(-60, 0, 60);
    Draw(2);
    EXPECT_EQ(Floor(-60, 80), 0);
    EXPECT_EQ(Floor(0, 20), 255);
    m_pCrate->m_vPosition = ZEVector();

    // Fully lit, the blended shadow has alpha 127: half the floor's light,
    // once, where front and back faces of the crate overlap too.
    Draw(3);
    EXPECT_NEAR(Floor(0, 20), 128, 2);
    EXPECT_NEAR(Floor(0, 0), 128, 2);
    EXPECT_EQ(Floor(0, 40), 255);
}

TEST_F(ShadowDrawing, AStencilVolumeDarkensOnlyWhereItMeetsTheFloor)
{
    Draw(4);
    EXPECT_NEAR(Floor(0, 20), 128, 2);
    EXPECT_NEAR(Floor(5, 25), 128, 2);
    EXPECT_EQ(Floor(0, -20), 255);
    EXPECT_EQ(Floor(0, 40), 255);
    EXPECT_EQ(Floor(20, 20), 255);
    EXPECT_EQ(Floor(-20, 20), 255);
    // Moved to the edge of the view, the same volume is culled and cut to
    // the screen where the crate now stands.
    m_pCrate->m_vPosition = ZEVector(-240, 0, -150);
    E->m_fShadowDist = 1000.0f;
    Draw(4);
    EXPECT_NEAR(Floor(-240, -130), 128, 2);
    EXPECT_EQ(Floor(0, 20), 255);
}

TEST_F(ShadowDrawing, AnUnchangedModelReusesItsVolumeAndATurnedOneRebuildsIt)
{
    Draw(4);
    ZEStencilShadowVolume* volume = m_pCrate->m_pModel->GetModel()->m_pShadowVolume;
    ASSERT_NE(volume, nullptr);
    // Emptied behind its back: only a rebuild brings the shadow back.
    volume->m_ulNumVertices = 0;
    Draw(4);
    EXPECT_EQ(Floor(0, 20), 255);
    m_pCrate->m_vRotation = ZEVector(0, 90, 0);
    Draw(4);
    EXPECT_NEAR(Floor(0, 20), 128, 2);
}
