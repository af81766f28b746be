#include "world/ZEEngineObject.h"

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "math/ZEAABBTree.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "resources/ZEModelManager.h"
#include "world/ZEEngine.h"

#include "ZEZmfWriter.h"
#include "support/RecordingRenderer.h"
#include "support/TempFolder.h"
#include "support/TestApplication.h"
#include "support/TestPolygons.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
// Writes down which response ran on which pair, and every OnClip.
class ProbeObject : public ZEEngineObject
{
public:
    ProbeObject(const char* name, bool isStatic, bool withVolume, std::vector<std::string>* log)
        : m_Name(name), m_pLog(log)
    {
        m_bStatic = isStatic;
        if (withVolume)
            m_pBoundingVolume = new ZEBoundingSphere(ZEVector(), 1.0f);
    }

    bool VolVolInfluence(uint32_t, ZEEngineObject* other) override { return Note("VolVol", other); }
    bool VolStaticInfluence(uint32_t, ZEEngineObject* other) override { return Note("VolStatic", other); }
    bool VolPlaneInfluence(uint32_t, ZEEngineObject* other) override { return Note("VolPlane", other); }
    void OnClip(ZEEngineObject* other) override
    {
        m_pLog->push_back(m_Name + ".OnClip(" + static_cast<ProbeObject*>(other)->m_Name + ")");
    }

    std::string m_Name;
    bool m_bContact = true;

private:
    bool Note(const char* response, ZEEngineObject* other)
    {
        m_pLog->push_back(m_Name + "." + response + "(" + static_cast<ProbeObject*>(other)->m_Name + ")");
        return m_bContact;
    }

    std::vector<std::string>* m_pLog;
};

std::vector<std::string> Pair(bool staticA, bool volumeA, bool staticB, bool volumeB, bool contact = true)
{
    std::vector<std::string> log;
    ProbeObject a("A", staticA, volumeA, &log);
    ProbeObject b("B", staticB, volumeB, &log);
    a.m_bContact = b.m_bContact = contact;
    a.Influence(15, &b);
    return log;
}

using Log = std::vector<std::string>;

// A "ModelObject" data block with the given shadow setting and recognisable
// values everywhere else.
uint8_t* ModelData(uint32_t shadow, const char* name = "car.zmf", float scale = 1.0f)
{
    uint8_t* data = new uint8_t[ZEModelObject::ms_usDataSize]();
    std::memcpy(data, &shadow, 4);
    const float values[6] = {1.0f * scale, 2.0f * scale, 3.0f * scale, 1500.0f, 0.5f, 0.25f};
    std::memcpy(data + 4, values, sizeof(values));
    std::memcpy(data + 28, name, std::strlen(name));
    data[60] = 0;
    data[61] = 1;
    const uint16_t rotation[3] = {90, 180, 270};
    std::memcpy(data + 63, rotation, sizeof(rotation));
    return data;
}

ZEModelObject* MakeModelObject(uint8_t* data, const ZEVector& position = ZEVector(),
                               uint16_t size = ZEModelObject::ms_usDataSize)
{
    return new ZEModelObject(new ZECustomEntity("ModelObject", position, data, size));
}

// A square of level ground, 20 x 20 around the origin at y = 0, facing up.
ZEPolygon* Floor()
{
    return ZEMakeTestPolygon({ZEVector(-10, 0, -10), ZEVector(-10, 0, 10), ZEVector(10, 0, 10), ZEVector(10, 0, -10)},
                             {0, 1, 2, 0, 2, 3});
}

ZEGeometricalObject* MakeGround(ZEPolygon* polygon)
{
    ZECustomEntity* entity = new ZECustomEntity("GeometricalObject", ZEVector(), new uint8_t[1]{1}, 1);
    entity->AddPolygon(polygon);
    return new ZEGeometricalObject(entity);
}

std::string Newest()
{
    const ZEConsoleMessage* message = ZEConsole::ms_pConsole ? ZEConsole::ms_pConsole->GetMessages() : nullptr;
    return message ? message->m_Text.CStr() : "";
}

bool Posted(const std::string& part, ZEMessageMode mode)
{
    for (const ZEConsoleMessage* m = ZEConsole::ms_pConsole->GetMessages(); m; m = m->m_pNext)
        if (m->m_Mode == mode && std::string(m->m_Text.CStr()).find(part) != std::string::npos)
            return true;
    return false;
}

// The whole engine over test doubles, reading models from a temporary
// folder: "crate.zmf" is a box 2 x 2 x 2 standing on the origin;
// "windmill.zmf" a half-transparent box that animates.
class ModelWorldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Root = m_Folder.Path();
        fs::create_directories(m_Root / "models");
        m_App.Initialize();
        ZEFileManager::ms_pFileManager->SetMainDirectory(ZEString(m_Root.c_str()));

        ZEZmfWriter crate;
        crate.AddBox(ZEVector(0, 1, 0), ZEVector(1, 1, 1));
        ASSERT_TRUE(crate.Write(ZEString((m_Root / "models" / "crate.zmf").c_str())));

        ZEZmfWriter windmill;
        ZEZmfWriter::Group blade = windmill.MakeBox(ZEVector(0, 1, 0), ZEVector(1, 1, 1));
        blade.m_fOpacity = 0.5f;
        windmill.AddLevel();
        windmill.AddAnimation(0, ZEString("turn"));
        for (uint32_t time : {0u, 500u})
            windmill.AddGroup(0, 0, windmill.AddKeyFrame(0, 0, time), blade);
        ASSERT_TRUE(windmill.Write(ZEString((m_Root / "models" / "windmill.zmf").c_str())))
            << windmill.GetError().CStr();
    }
    void TearDown() override { m_App.Exit(); }

    ZETempFolder m_Folder{"object"};
    fs::path m_Root;
    ZETestApplication m_App;
};
}

// --- The step protocol --------------------------------------------------------------

TEST(EngineObjectTest, GravityPullsOnlyMovingObjectsThatWantIt)
{
    ZEEngineObject object;
    object.m_bGravity = true;
    object.ApplyGravity(98.1f);
    EXPECT_EQ(object.m_vAcceleration.y, 0.0f) << "static by default";

    object.m_bStatic = false;
    object.ApplyGravity(98.1f);
    EXPECT_EQ(object.m_vAcceleration.y, -98.1f);

    object.m_bGravity = false;
    object.ApplyGravity(98.1f);
    EXPECT_EQ(object.m_vAcceleration.y, -98.1f);
}

TEST(EngineObjectTest, UpdateIntegratesVelocityThenPosition)
{
    ZEEngineObject object;
    object.m_bStatic = false;
    object.m_vPosition = ZEVector(1, 2, 3);
    object.m_vAcceleration = ZEVector(0, -98.1f, 0);

    object.Update(1000, nullptr);

    EXPECT_EQ(object.m_vVelocity, ZEVector(0, -98.1f, 0));
    EXPECT_EQ(object.m_vPosition, ZEVector(1, 2 - 98.1f, 3));
    EXPECT_EQ(object.m_vOldPosition, ZEVector(1, 2, 3));
    EXPECT_EQ(object.m_vAcceleration, ZEVector());
    EXPECT_TRUE(object.m_bLightInitialized);
}

TEST(EngineObjectTest, UpdateLeavesStaticObjectsWhereTheyAre)
{
    ZEEngineObject object;
    object.m_vVelocity = ZEVector(10, 0, 0);
    object.Update(1000, nullptr);
    EXPECT_EQ(object.m_vPosition, ZEVector());
    EXPECT_TRUE(object.m_bLightInitialized);
    EXPECT_EQ(object.m_afLight[0], 1.0f) << "without a map, full light";
}

TEST(EngineObjectTest, UpdateCarriesTheVolumeAlong)
{
    ZEEngineObject object;
    object.m_bStatic = false;
    object.m_pBoundingVolume = new ZEBoundingSphere(ZEVector(0, 5, 0), 2.0f);
    object.m_vVelocity = ZEVector(3, 0, 0);

    object.Update(500, nullptr);

    EXPECT_EQ(object.m_pBoundingVolume->GetCenter(), ZEVector(1.5f, 5, 0));
}

// --- Collision dispatch ------------------------------------------------------------------

TEST(EngineObjectTest, InfluenceChoosesTheResponseByStaticFlagsAndVolumes)
{
    EXPECT_EQ(Pair(true, true, true, true), Log{}) << "two static objects";
    EXPECT_EQ(Pair(false, false, false, false), Log{}) << "no volumes";
    EXPECT_EQ(Pair(true, true, false, true), (Log{"A.VolStatic(B)", "A.OnClip(B)", "B.OnClip(A)"}));
    EXPECT_EQ(Pair(false, true, true, true), (Log{"B.VolStatic(A)", "A.OnClip(B)", "B.OnClip(A)"}));
    EXPECT_EQ(Pair(false, true, false, true), (Log{"A.VolVol(B)", "A.OnClip(B)", "B.OnClip(A)"}));
    EXPECT_EQ(Pair(true, false, false, true), (Log{"A.VolPlane(B)", "A.OnClip(B)", "B.OnClip(A)"}));
    EXPECT_EQ(Pair(false, true, true, false), (Log{"B.VolPlane(A)", "A.OnClip(B)", "B.OnClip(A)"}));
    EXPECT_EQ(Pair(false, false, true, true), Log{}) << "a moving object without volume meets nothing";
}

TEST(EngineObjectTest, NoContactMeansNoOnClip)
{
    EXPECT_EQ(Pair(false, true, false, true, false), Log{"A.VolVol(B)"});
}

TEST(EngineObjectTest, AnObjectNeverInfluencesItself)
{
    Log log;
    ProbeObject a("A", false, true, &log);
    EXPECT_FALSE(a.Influence(15, &a));
    EXPECT_FALSE(a.Influence(15, nullptr));
    EXPECT_TRUE(log.empty());
}

// --- Shadow light ---------------------------------------------------------------------------

TEST(EngineObjectTest, ClosestLightPrefersNearPointLightsOverTheSun)
{
    ZELight sun(ZEVector(0, -1, 0), 1.0f);
    ZELight far(ZEVector(0, 0, 50), 1.0f, 100.0f, false, 0);
    ZELight near(ZEVector(0, 0, 10), 1.0f, 100.0f, false, 0);
    ZELight outOfRange(ZEVector(0, 0, 5), 1.0f, 1.0f, false, 0);
    sun.m_pNext = &far;
    far.m_pNext = &near;
    near.m_pNext = &outOfRange;
    ZEEngineObject object;
    ZEVector where;

    EXPECT_EQ(object.GetClosestLight(&sun, where), &near);
    EXPECT_EQ(where, ZEVector(0, 0, 10));

    near.m_pNext = nullptr;
    EXPECT_EQ(object.GetClosestLight(&sun, where), &near);
    EXPECT_EQ(object.GetClosestLight(&far, where), &near);

    far.m_pNext = &sun;
    sun.m_pNext = nullptr;
    EXPECT_EQ(object.GetClosestLight(&far, where), &far) << "a sun after a taken light is ignored";

    EXPECT_EQ(object.GetClosestLight(&sun, where), &sun);
    EXPECT_EQ(where, ZEVector(0, 99999.0f, 0));
    EXPECT_EQ(object.GetClosestLight(nullptr, where), nullptr);
}

// --- Objects from map entities ---------------------------------------------------------------

TEST(EngineObjectTest, ModelObjectReadsItsDataBlock)
{
    ZECustomEntity* entity = new ZECustomEntity("ModelObject", ZEVector(7, 8, 9), ModelData(3),
                                                ZEModelObject::ms_usDataSize);
    ZEModelObject object(entity);

    EXPECT_TRUE(object.m_bCastShadow);
    EXPECT_EQ(object.m_ulMaxShadowMethod, 2u);
    EXPECT_EQ(object.m_vScale, ZEVector(1, 2, 3));
    EXPECT_EQ(object.m_fMass, 1500.0f);
    EXPECT_EQ(object.m_fBounce, 0.5f);
    EXPECT_EQ(object.m_fRetention, 0.25f);
    EXPECT_TRUE(object.m_ModelName == "car.zmf");
    EXPECT_FALSE(object.m_bStatic);
    EXPECT_TRUE(object.m_bGravity);
    EXPECT_EQ(object.m_vRotation, ZEVector(90, 180, 270));
    EXPECT_EQ(object.m_vPosition, ZEVector(7, 8, 9));
    EXPECT_EQ(object.m_vOldPosition, ZEVector(7, 8, 9));
    EXPECT_TRUE(object.m_bCollision);
}

TEST(EngineObjectTest, ModelObjectShadowSettings)
{
    ZEModelObject none(
        new ZECustomEntity("ModelObject", ZEVector(), ModelData(1), ZEModelObject::ms_usDataSize));
    ZEModelObject unlimited(
        new ZECustomEntity("ModelObject", ZEVector(), ModelData(0), ZEModelObject::ms_usDataSize));
    ZEModelObject limited(
        new ZECustomEntity("ModelObject", ZEVector(), ModelData(3), ZEModelObject::ms_usDataSize));
    EXPECT_FALSE(none.m_bCastShadow);
    EXPECT_TRUE(unlimited.m_bCastShadow);
    EXPECT_EQ(unlimited.m_ulMaxShadowMethod, 0u) << "no limit";
    EXPECT_TRUE(limited.m_bCastShadow);
    EXPECT_EQ(limited.m_ulMaxShadowMethod, 2u) << "methods up to 2";
}

TEST(EngineObjectTest, ModelObjectReadsAShortDataBlockAsIfPaddedWithZeros)
{
    uint8_t* data = new uint8_t[20]();
    const uint32_t shadow = 1;
    const float values[4] = {1.0f, 2.0f, 3.0f, 7.0f};
    std::memcpy(data, &shadow, 4);
    std::memcpy(data + 4, values, sizeof(values));
    ZEModelObject object(new ZECustomEntity("ModelObject", ZEVector(1, 1, 1), data, 20));

    EXPECT_FALSE(object.m_bCastShadow);
    EXPECT_EQ(object.m_vScale, ZEVector(1, 2, 3));
    EXPECT_EQ(object.m_fMass, 7.0f);
    EXPECT_EQ(object.m_fBounce, 0.0f);
    EXPECT_EQ(object.m_fRetention, 0.0f);
    EXPECT_TRUE(object.m_ModelName.IsEmpty());
    EXPECT_FALSE(object.m_bStatic);
    EXPECT_EQ(object.m_vRotation, ZEVector());
    EXPECT_EQ(object.m_vPosition, ZEVector(1, 1, 1));
    EXPECT_EQ(object.m_pModel, nullptr);
    EXPECT_EQ(object.m_pBoundingVolume, nullptr);

    ZEModelObject empty(new ZECustomEntity("ModelObject", ZEVector(), nullptr, 69));
    EXPECT_EQ(empty.m_fMass, 0.0f);
}

TEST(EngineObjectTest, ModelObjectNameIsTerminatedAtItsField)
{
    uint8_t* data = ModelData(0);
    std::memset(data + 28, 'x', 32);
    data[60] = 1;   // the static flag right behind the name is not part of it
    ZEModelObject object(new ZECustomEntity("ModelObject", ZEVector(), data, ZEModelObject::ms_usDataSize));
    EXPECT_EQ(std::string(object.m_ModelName.CStr()), std::string(32, 'x'));
    EXPECT_TRUE(object.m_bStatic);
}

TEST(EngineObjectTest, GeometricalObjectTakesFlagsFromItsEntity)
{
    ZECustomEntity* entity = new ZECustomEntity("GeometricalObject", ZEVector(4, 5, 6), new uint8_t[1]{1}, 1);
    ZEPolygon* opaque = new ZEPolygon();
    ZEPolygon* glass = new ZEPolygon();
    glass->m_ucAlpha = 128;
    entity->AddPolygon(opaque);
    entity->AddPolygon(glass);

    ZEGeometricalObject object(entity);

    EXPECT_TRUE(object.m_bSecondPass);
    EXPECT_TRUE(object.m_bDynamicLight);
    EXPECT_TRUE(object.m_bStatic);
    EXPECT_EQ(object.m_vPosition, ZEVector(4, 5, 6));
    EXPECT_TRUE(ZEIsKindOf(&object, ZEEngineObject::ms_RTTI));
    EXPECT_TRUE(object.GetRTTI()->GetName() == "ZEGeometricalObject");
}

TEST(EngineObjectTest, GeometricalObjectPutsItsPolygonsIntoATree)
{
    ZEPolygon* floor = Floor();
    ZEGeometricalObject* ground = MakeGround(floor);
    ASSERT_NE(ground->m_pAABBTree, nullptr);
    EXPECT_EQ(ground->m_pAABBTree->m_pPolygons, floor);
    EXPECT_FALSE(ground->m_bSecondPass);
    delete ground;   // the tree deletes the polygon; the sanitizer sees any double free

    ZEGeometricalObject bare(new ZECustomEntity("GeometricalObject", ZEVector(), nullptr, 0));
    EXPECT_EQ(bare.m_pAABBTree, nullptr);
}

TEST(EngineObjectTest, EntityWithoutDataBlockIsHarmless)
{
    ZEGeometricalObject geometry(new ZECustomEntity("GeometricalObject", ZEVector(), nullptr, 40));
    EXPECT_FALSE(geometry.m_bDynamicLight);
}

TEST(EngineObjectTest, ClosestLightNeverTakesALightWithoutRange)
{
    ZELight here(ZEVector(0, 0, 0), 1.0f, 0.0f, false, 0);
    ZELight beside(ZEVector(0, 0, 1), 1.0f, 0.0f, false, 0);
    beside.m_pNext = &here;
    ZEEngineObject object;
    ZEVector where(7, 7, 7);
    EXPECT_EQ(object.GetClosestLight(&beside, where), &here) << "a light right at the object reaches it";
    EXPECT_EQ(where, ZEVector(0, 0, 0));
    object.m_vPosition = ZEVector(0, 0, 0.5f);
    EXPECT_EQ(object.GetClosestLight(&beside, where), nullptr);
    here.m_fRange = NAN;
    object.m_vPosition = ZEVector();
    EXPECT_EQ(object.GetClosestLight(&here, where), nullptr);
}

// --- Shape tests ----------------------------------------------------------------------------

TEST(EngineObjectTest, VolumeTestsAskTheBoundingVolumeAlone)
{
    ZEEngineObject object;
    object.m_pBoundingVolume = new ZEBoundingSphere(ZEVector(0, 0, 0), 1.0f);
    ZEBoundingSphere near(ZEVector(1.5f, 0, 0), 1.0f);
    ZEBoundingSphere far(ZEVector(5, 0, 0), 1.0f);
    ZEPlane plane(ZEVector(5, 1, 0), 0.0);

    EXPECT_TRUE(object.Clips(near));
    EXPECT_FALSE(object.Clips(far));
    EXPECT_TRUE(object.Clips(near, plane));
    EXPECT_EQ(plane.m_vNormal, ZEVector(5, 1, 0)) << "a volume reports no plane";

    object.m_bCollision = false;
    EXPECT_FALSE(object.Clips(near));
    EXPECT_FALSE(object.Clips(near, plane));
    EXPECT_FALSE(object.Clips(ZEVector(0, 5, 0), ZEVector(0, -10, 0)));
    _ZEClipInfo info;
    EXPECT_FALSE(object.Clips(ZEVector(0, 5, 0), ZEVector(0, -10, 0), info));
    EXPECT_EQ(info.m_pObject, nullptr);
}

TEST(EngineObjectTest, RayHitsOnAVolumeNameTheObject)
{
    ZEEngineObject object;
    object.m_pBoundingVolume = new ZEBoundingSphere(ZEVector(0, 0, 0), 1.0f);
    _ZEClipInfo info;
    ZEVector point;

    // The rays end inside the sphere, where its contact is the entry point.
    EXPECT_TRUE(object.Clips(ZEVector(0, 5, 0), ZEVector(0, -5, 0)));
    ASSERT_TRUE(object.Clips(ZEVector(0, 5, 0), ZEVector(0, -5, 0), info));
    EXPECT_EQ(info.m_pObject, &object);
    EXPECT_EQ(info.m_pPolygon, nullptr);
    EXPECT_NEAR(info.m_vPoint.y, 1.0f, 1e-5f);
    EXPECT_EQ(info.m_Plane.m_vNormal, ZEVector(0, 1, 0)) << "facing back along the ray";
    EXPECT_NEAR(info.m_Plane.Distance(info.m_vPoint), 0.0, 1e-6);
    ASSERT_TRUE(object.Clips(ZEVector(0, 5, 0), ZEVector(0, -5, 0), point));
    EXPECT_EQ(point, info.m_vPoint);

    _ZEClipInfo untouched;
    EXPECT_FALSE(object.Clips(ZEVector(5, 5, 0), ZEVector(0, -10, 0), untouched));
    EXPECT_EQ(untouched.m_pObject, nullptr);
}

TEST(EngineObjectTest, LevelGeometryAnswersThroughItsTree)
{
    ZEPolygon* floor = Floor();
    ZEGeometricalObject* ground = MakeGround(floor);
    _ZEClipInfo info;

    ASSERT_TRUE(ground->Clips(ZEVector(2, 5, 3), ZEVector(0, -10, 0), info));
    EXPECT_EQ(info.m_pObject, ground);
    EXPECT_EQ(info.m_pPolygon, floor);
    EXPECT_NEAR((info.m_vPoint - ZEVector(2, 0, 3)).GetLength(), 0.0f, 1e-5f);
    EXPECT_TRUE(ground->Clips(ZEVector(2, 5, 3), ZEVector(0, -10, 0)));
    EXPECT_FALSE(ground->Clips(ZEVector(20, 5, 3), ZEVector(0, -10, 0)));

    ZEBoundingSphere resting(ZEVector(0, 0.5f, 0), 1.0f);
    ZEPlane plane(ZEVector(5, 1, 0), 0.0);
    ASSERT_TRUE(ground->Clips(resting, plane));
    EXPECT_NEAR(plane.m_vNormal.y, 1.0f, 1e-6f);
    EXPECT_FALSE(ground->Clips(ZEBoundingSphere(ZEVector(0, 5, 0), 1.0f), plane));

    ground->m_bCollision = false;
    EXPECT_FALSE(ground->Clips(ZEVector(2, 5, 3), ZEVector(0, -10, 0)));
    EXPECT_FALSE(ground->Clips(resting, plane));
    delete ground;
}

TEST(EngineObjectTest, ABallBouncesOffLevelGeometry)
{
    ZEGeometricalObject* ground = MakeGround(Floor());
    ZEEngineObject ball;
    ball.m_bStatic = false;
    ball.m_fBounce = 1.0f;
    ball.m_vPosition = ball.m_vOldPosition = ZEVector(0, 0.5f, 0);
    ball.m_vVelocity = ZEVector(0, -10, 0);
    ball.m_pBoundingVolume = new ZEBoundingSphere(ball.m_vPosition, 1.0f);

    ASSERT_TRUE(ground->Influence(1000, &ball));
    EXPECT_NEAR(ball.m_vPosition.y, 1.0f, 1e-5f);
    ball.Update(1000, nullptr);
    EXPECT_NEAR(ball.m_vVelocity.y, 10.0f, 1e-4f);
    delete ground;
}

TEST(EngineObjectTest, OnlyStaticObjectsWithATreeTakeDecals)
{
    ZEGeometricalObject* ground = MakeGround(Floor());
    ZEDecal* decals = ground->ApplyDecal(ZEVector(1, 0, 1), 2.0f, 1.0f, nullptr);
    EXPECT_NE(decals, nullptr);
    while (decals)
    {
        ZEDecal* next = decals->m_pNext;
        delete decals;
        decals = next;
    }

    ground->m_bStatic = false;
    EXPECT_EQ(ground->ApplyDecal(ZEVector(1, 0, 1), 2.0f, 1.0f, nullptr), nullptr);
    ZEEngineObject plain;
    EXPECT_EQ(plain.ApplyDecal(ZEVector(1, 0, 1), 2.0f, 1.0f, nullptr), nullptr);
    delete ground;
}

TEST(EngineObjectTest, GeometryIsDrawnInTheGreyOfItsLight)
{
    ZERecordingRenderer renderer;
    ZEGeometricalObject* ground = MakeGround(Floor());

    renderer.m_bLightmaps = false;
    ground->m_afLight[0] = 0.5f;
    ground->Render(&renderer, nullptr);
    EXPECT_EQ(renderer.Count("SetAmbient 127 127 127 255"), 1u);

    // A map brighter than full light, or none at all, stays within 0..255.
    ground->m_afLight[0] = 3.0f;
    ground->Render(&renderer, nullptr);
    EXPECT_EQ(renderer.Count("SetAmbient 255 255 255 255"), 1u);
    ground->m_afLight[0] = -1.0f;
    ground->Render(&renderer, nullptr);
    EXPECT_EQ(renderer.Count("SetAmbient 0 0 0 255"), 1u);

    renderer.m_bLightmaps = true;
    ground->m_afLight[0] = 0.5f;
    ground->Render(&renderer, nullptr);
    EXPECT_EQ(renderer.Count("SetAmbient 255 255 255 255"), 2u);
    delete ground;
}

// --- Placed models ------------------------------------------------------------------------------

TEST_F(ModelWorldTest, ModelObjectStandsInAnOrientedBoxAroundItsModel)
{
    ZEModelObject* object = MakeModelObject(ModelData(0, "crate.zmf", 2.0f), ZEVector(10, 0, 0));
    ASSERT_NE(object->m_pModel, nullptr);
    EXPECT_EQ(object->m_pModel->m_vScale, ZEVector(2, 4, 6));
    EXPECT_FALSE(object->m_bSecondPass);
    EXPECT_FALSE(object->m_pModel->m_bAnimating) << "a single key frame is no animation";

    ASSERT_TRUE(ZEIsKindOf(object->m_pBoundingVolume, ZEOBoundingBox::ms_RTTI));
    const ZEOBoundingBox* box = static_cast<const ZEOBoundingBox*>(object->m_pBoundingVolume);
    EXPECT_EQ(box->m_vPosition, ZEVector(10, 0, 0));
    EXPECT_EQ(box->m_vHalfSize, ZEVector(2, 4, 6));
    EXPECT_EQ(box->m_vLocalCenter, ZEVector(0, 1, 0));
    EXPECT_EQ(box->m_vRotation, ZEVector(90, 180, 270));
    delete object;
}

TEST_F(ModelWorldTest, AnimatedTransparentModelLoopsInTheSecondPass)
{
    ZEModelObject* object = MakeModelObject(ModelData(0, "windmill.zmf"));
    ASSERT_NE(object->m_pModel, nullptr);
    EXPECT_TRUE(object->m_pModel->m_bAnimating);
    EXPECT_EQ(object->m_pModel->m_ulAnimation, 0u);
    EXPECT_TRUE(object->m_pModel->m_bLoop);
    EXPECT_TRUE(object->m_bSecondPass);
    delete object;
}

// The frame keeps the animation clock of every object's model, so a world
// that is not drawn animates (and hits) its models like a drawn one.
TEST_F(ModelWorldTest, EveryFrameKeepsTheModelsAnimationClocksDrawnOrNot)
{
    ZEModelObject* object = MakeModelObject(ModelData(0, "windmill.zmf"));
    ASSERT_NE(object->m_pModel, nullptr);
    ZEEngine::ms_pEngine->AddObjectToWorld(object);
    ZEEngine::ms_pEngine->m_bDrawing = false;

    for (int frame = 0; frame < 3; ++frame)
        m_App.Frame(120);
    EXPECT_EQ(object->m_pModel->m_ulAnimationTime, 360u);
    m_App.Frame(200);
    EXPECT_EQ(object->m_pModel->m_ulAnimationTime, 60u) << "looped past its 500 ms";
}

TEST_F(ModelWorldTest, AMissingModelLeavesNoModelAndNoVolume)
{
    ZEModelObject* object = MakeModelObject(ModelData(0, "nothing.zmf"), ZEVector(1, 2, 3));
    EXPECT_EQ(object->m_pModel, nullptr);
    EXPECT_EQ(object->m_pBoundingVolume, nullptr);
    EXPECT_EQ(object->m_vPosition, ZEVector(1, 2, 3));
    EXPECT_NE(Newest().find("nothing.zmf"), std::string::npos) << Newest();
    EXPECT_EQ(ZEConsole::ms_pConsole->GetMessages()->m_Mode, ZE_MSG_ERROR);

    // It takes part in the world without ever touching anything.
    ZEEngine::ms_pEngine->AddObjectToWorld(object);
    ZEEngine::ms_pEngine->UpdateWorld(30);
    EXPECT_FALSE(object->Clips(ZEVector(1, 5, 3), ZEVector(0, -10, 0)));
}

TEST_F(ModelWorldTest, AShortDataBlockIsReported)
{
    delete MakeModelObject(new uint8_t[20](), ZEVector(), 20);
    EXPECT_TRUE(Posted("ModelObject data too short (20 of 69 bytes)", ZE_MSG_ERROR));
}

TEST_F(ModelWorldTest, RayTestsTryTheModelBeforeTheVolume)
{
    ZEEngineObject object;
    object.m_pModel = ZEModelManager::ms_pModelManager->GetModel("crate.zmf");
    ASSERT_NE(object.m_pModel, nullptr);
    // A volume above the model, nearer to a ray coming from above.
    object.m_pBoundingVolume = new ZEBoundingSphere(ZEVector(0, 10, 0), 1.0f);
    _ZEClipInfo info;

    ASSERT_TRUE(object.Clips(ZEVector(0, 20, 0), ZEVector(0, -30, 0), info));
    EXPECT_EQ(info.m_pObject, &object);
    EXPECT_NEAR(info.m_vPoint.y, 2.0f, 1e-4f) << "the model's top, not the volume";

    // Beside the model only the volume answers.
    ASSERT_TRUE(object.Clips(ZEVector(0, 20, 0.5f), ZEVector(0, -10, 0), info));
    EXPECT_NEAR(info.m_vPoint.y, 10.0f + std::sqrt(0.75f), 1e-4f);

    // The volume test asks the volume alone, even where the model is.
    ZEBoundingSphere atModel(ZEVector(0, 1, 0), 0.5f);
    EXPECT_FALSE(object.Clips(atModel));
    delete object.m_pBoundingVolume;
    object.m_pBoundingVolume = nullptr;
    EXPECT_TRUE(object.Clips(atModel)) << "without a volume, the model's sphere";
    ZEPlane plane(ZEVector(5, 1, 0), 0.0);
    EXPECT_TRUE(object.Clips(atModel, plane));
    EXPECT_EQ(plane.m_vNormal.x, 5.0f) << "a model reports no plane";
}
