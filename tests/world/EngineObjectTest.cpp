#include "world/ZEEngineObject.h"

#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "render/ZELight.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

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
uint8_t* ModelData(uint32_t shadow)
{
    uint8_t* data = new uint8_t[ZEModelObject::ms_usDataSize]();
    std::memcpy(data, &shadow, 4);
    const float values[6] = {1.0f, 2.0f, 3.0f, 1500.0f, 0.5f, 0.25f};
    std::memcpy(data + 4, values, sizeof(values));
    std::memcpy(data + 28, "car.zmf", 7);
    data[60] = 0;
    data[61] = 1;
    const uint16_t rotation[3] = {90, 180, 270};
    std::memcpy(data + 63, rotation, sizeof(rotation));
    return data;
}
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
    EXPECT_FALSE(none.m_bCastShadow);
    EXPECT_TRUE(unlimited.m_bCastShadow);
    EXPECT_EQ(unlimited.m_ulMaxShadowMethod, 0u);
}

TEST(EngineObjectTest, ModelObjectWithAShortDataBlockKeepsItsDefaults)
{
    uint8_t* data = new uint8_t[10]();
    ZEModelObject object(new ZECustomEntity("ModelObject", ZEVector(1, 1, 1), data, 10));
    EXPECT_EQ(object.m_fMass, 1.0f);
    EXPECT_TRUE(object.m_bStatic);
    EXPECT_TRUE(object.m_ModelName.IsEmpty());
    EXPECT_EQ(object.m_vPosition, ZEVector(1, 1, 1));
    EXPECT_EQ(object.m_pModel, nullptr);
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

TEST(EngineObjectTest, EntityWithoutDataBlockIsHarmless)
{
    ZEGeometricalObject geometry(new ZECustomEntity("GeometricalObject", ZEVector(), nullptr, 40));
    EXPECT_FALSE(geometry.m_bDynamicLight);
}
