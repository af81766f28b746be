// Collision responses between engine objects: two moving volumes, a moving
// volume against a static one and against an object without volume
// (terrain, level geometry), their velocity changes through the
// acceleration, and the engine offering every pair twice per step.
#include "world/ZEEngineObject.h"

#include "math/ZEBoundingVolume.h"
#include "math/ZEPlane.h"
#include "resources/ZEModelManager.h"
#include "support/TestApplication.h"
#include "world/ZEEngine.h"
#include "world/ZETerrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace
{
using Log = std::vector<std::string>;

const float kTolerance = 1e-4f;

// e of two objects with the default constants, computed as the responses
// compute it.
const float kDefaultE = 1.0f * 1.0f * 0.9f * 0.9f;

#define EXPECT_VECTOR_NEAR(actual, expected)                                                   \
    do                                                                                         \
    {                                                                                          \
        ZEVector a_ = (actual), e_ = (expected);                                               \
        EXPECT_NEAR(a_.x, e_.x, kTolerance) << #actual;                                        \
        EXPECT_NEAR(a_.y, e_.y, kTolerance) << #actual;                                        \
        EXPECT_NEAR(a_.z, e_.z, kTolerance) << #actual;                                        \
    } while (0)

bool Finite(const ZEVector& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A sphere-shaped object that notes every response it runs and every
// contact it hears of into a shared log.
class Ball : public ZEEngineObject
{
public:
    Ball(const char* name, const ZEVector& position, float radius, const ZEVector& velocity, Log* log = nullptr)
        : m_Name(name), m_pLog(log)
    {
        m_bStatic = false;
        m_vPosition = m_vOldPosition = position;
        m_vVelocity = velocity;
        m_pBoundingVolume = new ZEBoundingSphere(position, radius);
    }

    bool VolVolInfluence(uint32_t step, ZEEngineObject* other) override
    {
        return Note("VolVol", other, ZEEngineObject::VolVolInfluence(step, other));
    }
    bool VolStaticInfluence(uint32_t step, ZEEngineObject* other) override
    {
        return Note("VolStatic", other, ZEEngineObject::VolStaticInfluence(step, other));
    }
    void OnClip(ZEEngineObject* other) override
    {
        ++m_iContacts;
        if (m_pLog)
            m_pLog->push_back(m_Name + ".OnClip(" + NameOf(other) + ")");
    }

    ZEVector Center() const { return m_pBoundingVolume->GetCenter(); }

    std::string m_Name;
    int m_iContacts = 0;

protected:
    static std::string NameOf(ZEEngineObject* object)
    {
        Ball* ball = dynamic_cast<Ball*>(object);
        return ball ? ball->m_Name : "?";
    }

    bool Note(const char* response, ZEEngineObject* other, bool contact)
    {
        if (m_pLog)
            m_pLog->push_back(m_Name + "." + response + "(" + NameOf(other) + ")" + (contact ? "" : " miss"));
        return contact;
    }

    Log* m_pLog;
};

// The ground y = 0 (or any plane) for an object without volume: a volume
// that reaches the plane touches it, and the plane is reported unless told
// otherwise.
bool TouchPlane(const ZEPlane& ground, bool report, const ZEBoundingVolume& volume, ZEPlane& plane)
{
    if (!volume.IntersectsVolume(ground))
        return false;
    if (report)
        plane = ground;
    return true;
}

class FlatGround : public ZEEngineObject
{
public:
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) override
    {
        return m_bCollision && TouchPlane(m_Plane, m_bReportPlane, volume, plane);
    }
    void OnClip(ZEEngineObject*) override { ++m_iContacts; }

    ZEPlane m_Plane;
    bool m_bReportPlane = true;
    int m_iContacts = 0;
};

class FlatTerrain : public ZETerrain
{
public:
    bool Load(const ZEString&) override { return false; }
    bool Clips(const ZEBoundingVolume& volume, ZEPlane& plane) override
    {
        return m_bCollision && TouchPlane(m_Plane, true, volume, plane);
    }

    ZEPlane m_Plane;
};

// The whole engine over test doubles, simulating one step of `cycle`
// milliseconds per UpdateWorld call.
class WorldTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_App.Initialize();
        m_pEngine = ZEEngine::ms_pEngine;
        m_pEngine->m_ulPhysicsCycle = 1000;
    }
    void TearDown() override { m_App.Exit(); }

    template <class T>
    T* Add(T* object)
    {
        m_pEngine->AddObjectToWorld(object);
        return object;
    }

    ZETestApplication m_App;
    ZEEngine* m_pEngine = nullptr;
    Log m_Log;
};
}

// --- Two moving volumes ------------------------------------------------------------------

TEST(InfluenceTest, HeadOnEqualMassesSwapVelocitiesAlongTheLineOfCentres)
{
    // Overlapping by 1 along x; each also moves across the line of centres.
    Ball a("A", ZEVector(-0.5f, 0, 0), 1.0f, ZEVector(10, 2, 0));
    Ball b("B", ZEVector(0.5f, 0, 0), 1.0f, ZEVector(-4, 0, 3));

    ASSERT_TRUE(a.Influence(1000, &b));
    EXPECT_EQ(a.m_iContacts, 1);
    EXPECT_EQ(b.m_iContacts, 1);
    EXPECT_EQ(a.m_vVelocity, ZEVector(10, 2, 0)) << "velocities change only through Update";

    // Pushed apart by half the overlap and 0.0001 each; old positions are
    // where they stood before the push.
    EXPECT_VECTOR_NEAR(a.m_vPosition, ZEVector(-1.0001f, 0, 0));
    EXPECT_VECTOR_NEAR(b.m_vPosition, ZEVector(1.0001f, 0, 0));
    EXPECT_VECTOR_NEAR(a.Center(), a.m_vPosition);
    EXPECT_VECTOR_NEAR(b.Center(), b.m_vPosition);
    EXPECT_EQ(a.m_vOldPosition, ZEVector(-0.5f, 0, 0));
    EXPECT_EQ(b.m_vOldPosition, ZEVector(0.5f, 0, 0));

    // The second offer of the pair in the same step finds them apart.
    EXPECT_FALSE(b.Influence(1000, &a));
    EXPECT_EQ(a.m_iContacts, 1);

    a.Update(1000, nullptr);
    b.Update(1000, nullptr);
    EXPECT_VECTOR_NEAR(a.m_vVelocity, ZEVector(-4 * kDefaultE, 2 * kDefaultE, 0));
    EXPECT_VECTOR_NEAR(b.m_vVelocity, ZEVector(10 * kDefaultE, 0, 3 * kDefaultE));
    EXPECT_NEAR(a.m_vVelocity.x, -0.81f * 4, kTolerance);
    EXPECT_NEAR(b.m_vVelocity.x, 0.81f * 10, kTolerance);
}

TEST(InfluenceTest, ChangesReachTheVelocityThroughTheAccelerationAtAnyStep)
{
    Ball a("A", ZEVector(-0.5f, 0, 0), 1.0f, ZEVector(10, 0, 0));
    Ball b("B", ZEVector(0.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0));
    a.m_vAcceleration = ZEVector(0, -98.1f, 0);

    ASSERT_TRUE(a.VolVolInfluence(15, &b));
    // (new - current) * 1000 / step, added to what was gathered.
    EXPECT_NEAR(a.m_vAcceleration.x, (-8.1f - 10) * 1000 / 15, 0.05f);
    EXPECT_EQ(a.m_vAcceleration.y, -98.1f);

    a.Update(15, nullptr);
    b.Update(15, nullptr);
    EXPECT_NEAR(a.m_vVelocity.x, -10 * kDefaultE, 1e-3f);
    EXPECT_NEAR(a.m_vVelocity.y, -98.1f * 0.015f, 1e-3f);
    EXPECT_NEAR(b.m_vVelocity.x, 10 * kDefaultE, 1e-3f);
}

TEST(InfluenceTest, MassesWeighTheExchangeAndConstantsDampIt)
{
    Ball car("car", ZEVector(0, 0, 0), 1.0f, ZEVector(20, 0, 0));
    Ball truck("truck", ZEVector(1.5f, 0, 0), 1.0f, ZEVector(0, 0, 0));
    car.m_fMass = 1100;
    truck.m_fMass = 3750;
    car.m_fBounce = 0.5f;
    truck.m_fRetention = 0.8f;

    ASSERT_TRUE(car.Influence(1000, &truck));
    car.Update(1000, nullptr);
    truck.Update(1000, nullptr);

    float e = 1.0f * 0.8f * 0.5f * 0.9f;
    EXPECT_NEAR(truck.m_vVelocity.x, e * 20 * 1100 / 3750, kTolerance);
    EXPECT_NEAR(car.m_vVelocity.x, 0.0f, kTolerance) << "the truck stood still";
}

TEST(InfluenceTest, BothMovingEachTakesTheOthersNormalPartTimesTheOthersMassOverItsOwn)
{
    // Head-on along x, the truck three times the car's mass; the sideways
    // parts stay with their owners.
    Ball car("car", ZEVector(-0.5f, 0, 0), 1.0f, ZEVector(10, 1, 0));
    Ball truck("truck", ZEVector(0.5f, 0, 0), 1.0f, ZEVector(-6, 0, 2));
    car.m_fMass = 1000;
    truck.m_fMass = 3000;

    ASSERT_TRUE(car.Influence(1000, &truck));
    car.Update(1000, nullptr);
    truck.Update(1000, nullptr);

    EXPECT_VECTOR_NEAR(car.m_vVelocity, ZEVector(-6.0f * 3000 / 1000, 1, 0) * kDefaultE);
    EXPECT_VECTOR_NEAR(truck.m_vVelocity, ZEVector(10.0f * 1000 / 3000, 0, 2) * kDefaultE);
}

TEST(InfluenceTest, TouchingVolumesAreSeparatedButDistantOnesAreNot)
{
    Ball a("A", ZEVector(0, 0, 0), 1.0f, ZEVector(1, 0, 0));
    Ball touching("B", ZEVector(2, 0, 0), 1.0f, ZEVector());
    ASSERT_TRUE(a.Influence(1000, &touching));
    EXPECT_VECTOR_NEAR(a.m_vPosition, ZEVector(-0.0001f, 0, 0));
    EXPECT_VECTOR_NEAR(touching.m_vPosition, ZEVector(2.0001f, 0, 0));

    Ball far("C", ZEVector(5, 0, 0), 1.0f, ZEVector());
    EXPECT_FALSE(a.Influence(1000, &far));
    EXPECT_EQ(far.m_vAcceleration, ZEVector());
    EXPECT_EQ(far.m_iContacts, 0);
}

TEST(InfluenceTest, ZeroMassesExchangeAsEqualOnesWithoutNaN)
{
    for (float massA : {0.0f, 1.0f, -3.0f})
    {
        for (float massB : {0.0f, 5.0f})
        {
            if (massA > 0 && massB > 0)
                continue;
            Ball a("A", ZEVector(-0.5f, 0, 0), 1.0f, ZEVector(10, 0, 0));
            Ball b("B", ZEVector(0.5f, 0, 0), 1.0f, ZEVector(-4, 0, 0));
            a.m_fMass = massA;
            b.m_fMass = massB;
            ASSERT_TRUE(a.Influence(1000, &b));
            a.Update(1000, nullptr);
            b.Update(1000, nullptr);
            EXPECT_NEAR(a.m_vVelocity.x, -4 * kDefaultE, kTolerance) << massA << " " << massB;
            EXPECT_NEAR(b.m_vVelocity.x, 10 * kDefaultE, kTolerance) << massA << " " << massB;
        }
    }
}

TEST(InfluenceTest, CoincidentCentresSkipTheNormalResponse)
{
    Ball a("A", ZEVector(1, 1, 1), 1.0f, ZEVector(3, 0, 0));
    Ball b("B", ZEVector(1, 1, 1), 0.5f, ZEVector(0, -2, 0));

    EXPECT_TRUE(a.Influence(15, &b)) << "they do touch";
    EXPECT_EQ(a.m_iContacts, 1);
    EXPECT_EQ(a.m_vAcceleration, ZEVector());
    EXPECT_EQ(b.m_vAcceleration, ZEVector());
    EXPECT_EQ(a.m_vPosition, ZEVector(1, 1, 1));
    EXPECT_EQ(b.m_vPosition, ZEVector(1, 1, 1));

    Ball wall("wall", ZEVector(1, 1, 1), 2.0f, ZEVector());
    wall.m_bStatic = true;
    EXPECT_TRUE(wall.Influence(15, &a));
    EXPECT_EQ(a.m_vAcceleration, ZEVector());
    a.Update(15, nullptr);
    EXPECT_TRUE(Finite(a.m_vVelocity) && Finite(a.m_vPosition));
}

TEST(InfluenceTest, AStepOfNoTimeChangesNoVelocity)
{
    Ball a("A", ZEVector(-0.5f, 0, 0), 1.0f, ZEVector(10, 0, 0));
    Ball b("B", ZEVector(0.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0));
    EXPECT_TRUE(a.Influence(0, &b));
    EXPECT_EQ(a.m_vAcceleration, ZEVector());
    EXPECT_EQ(b.m_vAcceleration, ZEVector());

    Ball wall("wall", ZEVector(0, 0, 0), 1.0f, ZEVector());
    wall.m_bStatic = true;
    Ball c("C", ZEVector(1, 0, 0), 1.0f, ZEVector(-5, 0, 0));
    EXPECT_TRUE(wall.Influence(0, &c));
    EXPECT_EQ(c.m_vAcceleration, ZEVector());

    FlatGround ground;
    Ball d("D", ZEVector(0, 0.5f, 0), 1.0f, ZEVector(0, -5, 0));
    EXPECT_TRUE(ground.Influence(0, &d));
    EXPECT_TRUE(Finite(d.m_vAcceleration));
}

TEST(InfluenceTest, ResponsesRefuseAPartyWithoutTheVolumeTheyNeed)
{
    Ball a("A", ZEVector(), 1.0f, ZEVector(1, 0, 0));
    ZEEngineObject bare;
    bare.m_bStatic = false;
    EXPECT_FALSE(a.ZEEngineObject::VolVolInfluence(15, &bare));
    EXPECT_FALSE(bare.VolVolInfluence(15, &a));
    EXPECT_FALSE(bare.VolStaticInfluence(15, &a));
    EXPECT_FALSE(a.ZEEngineObject::VolStaticInfluence(15, &bare));
    EXPECT_FALSE(a.VolPlaneInfluence(15, &bare));
    EXPECT_FALSE(a.VolPlaneInfluence(15, nullptr));
}

// --- A static volume and a moving one ----------------------------------------------------

TEST(InfluenceTest, StaticVolumeReflectsTheMoverWithoutPushingItOut)
{
    Ball post("post", ZEVector(0, 0, 0), 1.0f, ZEVector());
    post.m_bStatic = true;
    Ball mover("mover", ZEVector(1.5f, 0, 0), 1.0f, ZEVector(-6, 8, 0));

    ASSERT_TRUE(post.Influence(1000, &mover));
    EXPECT_EQ(post.m_iContacts, 1);
    EXPECT_EQ(mover.m_iContacts, 1);
    EXPECT_EQ(mover.m_vPosition, ZEVector(1.5f, 0, 0)) << "not pushed out";
    EXPECT_EQ(post.m_vAcceleration, ZEVector());

    mover.Update(1000, nullptr);
    // Mirrored about the line of centres, at |v| x e = 10 x 0.81.
    EXPECT_VECTOR_NEAR(mover.m_vVelocity, ZEVector(6 * kDefaultE, 8 * kDefaultE, 0));
}

TEST(InfluenceTest, ObjectsWithCollisionOffNeverTouch)
{
    Ball a("A", ZEVector(-0.5f, 0, 0), 1.0f, ZEVector(10, 0, 0));
    Ball b("B", ZEVector(0.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0));
    a.m_bCollision = false;
    EXPECT_FALSE(a.Influence(15, &b));
    EXPECT_FALSE(a.Clips(*b.m_pBoundingVolume));
    EXPECT_EQ(b.m_vAcceleration, ZEVector());
    EXPECT_EQ(b.m_iContacts, 0);
}

// --- An object without volume and a moving volume ----------------------------------------

TEST(InfluenceTest, BounceZeroKeepsOnlyTheSlidingVelocity)
{
    FlatGround ground;
    Ball ball("ball", ZEVector(0, 0.5f, 0), 1.0f, ZEVector(3, -20, 0));
    ball.m_fBounce = 0.0f;
    ball.m_vAcceleration = ZEVector(1, -98.1f, 0);

    ASSERT_TRUE(ground.Influence(1000, &ball));
    EXPECT_EQ(ground.m_iContacts, 1);
    EXPECT_EQ(ball.m_iContacts, 1);
    // Laid onto the plane: the centre rests one radius above it.
    EXPECT_VECTOR_NEAR(ball.Center(), ZEVector(0, 1, 0));
    EXPECT_VECTOR_NEAR(ball.m_vPosition, ZEVector(0, 1, 0));

    ball.Update(1000, nullptr);
    // Gravity lost its part along the normal; the rest slides on.
    EXPECT_VECTOR_NEAR(ball.m_vVelocity, ZEVector(4, 0, 0));
}

TEST(InfluenceTest, BounceOneWithFullRetentionBouncesBackAtFullSpeed)
{
    FlatGround ground;
    Ball ball("ball", ZEVector(0, 0.5f, 0), 1.0f, ZEVector(3, -20, 0));
    ball.m_fBounce = 1.0f;

    ASSERT_TRUE(ball.Influence(1000, &ground)) << "either side of the pair";
    ball.Update(1000, nullptr);
    EXPECT_VECTOR_NEAR(ball.m_vVelocity, ZEVector(3, 20, 0));
}

TEST(InfluenceTest, RetentionOfBothSidesScalesThePlaneResponse)
{
    FlatGround ground;
    ground.m_fRetention = 0.5f;
    ground.m_fBounce = 0.0f;   // the ground's bounce plays no part
    Ball ball("ball", ZEVector(0, 0.5f, 0), 1.0f, ZEVector(3, -20, 0));
    ball.m_fRetention = 0.5f;
    ball.m_fBounce = 0.5f;

    ASSERT_TRUE(ground.Influence(1000, &ball));
    ball.Update(1000, nullptr);
    // 0.25 x (0.5 x (3, 20, 0) + 0.5 x (3, 0, 0))
    EXPECT_VECTOR_NEAR(ball.m_vVelocity, ZEVector(0.75f, 2.5f, 0));
}

TEST(InfluenceTest, AContactWithoutAPlaneChangesNothingButCounts)
{
    FlatGround ground;
    ground.m_bReportPlane = false;
    Ball ball("ball", ZEVector(0, 0.5f, 0), 1.0f, ZEVector(3, -20, 0));
    ball.m_vAcceleration = ZEVector(0, -98.1f, 0);

    EXPECT_TRUE(ground.Influence(15, &ball));
    EXPECT_EQ(ground.m_iContacts, 1);
    EXPECT_EQ(ball.m_iContacts, 1);
    EXPECT_EQ(ball.m_vAcceleration, ZEVector(0, -98.1f, 0));
    EXPECT_EQ(ball.m_vPosition, ZEVector(0, 0.5f, 0));
    EXPECT_EQ(ball.Center(), ZEVector(0, 0.5f, 0));
}

TEST(InfluenceTest, AStillObjectOnTheGroundOnlyLosesItsPullIntoIt)
{
    FlatGround ground;
    Ball ball("ball", ZEVector(0, 1, 0), 1.0f, ZEVector());
    ball.m_vAcceleration = ZEVector(2, -98.1f, 0);
    ASSERT_TRUE(ground.Influence(15, &ball));
    EXPECT_VECTOR_NEAR(ball.m_vAcceleration, ZEVector(2, 0, 0));
}

TEST(InfluenceTest, AnAlignedBoxTakesTheTiltOfTheGround)
{
    FlatGround ground;
    ground.m_Plane = ZEPlane(ZEVector(0.0f, 0.9848077f, 0.1736482f), 0.0);   // tilted 10 degrees about x
    ZEEngineObject car;
    car.m_bStatic = false;
    car.m_bAlignToGround = true;
    car.m_vPosition = car.m_vOldPosition = ZEVector(0, 0.5f, 0);
    ZEOBoundingBox* box = new ZEOBoundingBox();
    box->SetData(car.m_vPosition, ZEVector(-1, -1, -2), ZEVector(1, 1, 2), ZEVector());
    car.m_pBoundingVolume = box;

    ASSERT_TRUE(ground.Influence(15, &car));
    ZEVector moved = box->m_vPosition - ZEVector(0, 0.5f, 0);
    EXPECT_GT(moved.GetLength(), 0.0f) << "lifted out of the ground";
    EXPECT_VECTOR_NEAR(car.m_vPosition, ZEVector(0, 0.5f, 0) + moved);
    EXPECT_VECTOR_NEAR(car.m_vOldPosition, ZEVector(0, 0.5f, 0) - moved);
    EXPECT_EQ(car.m_vRotation, box->m_vRotation);
    EXPECT_NE(car.m_vRotation, ZEVector()) << "tilted";
}

// --- Through the world ---------------------------------------------------------------------

TEST_F(WorldTest, OneStepOfASecondUnderGravity)
{
    ZEEngineObject* stone = Add(new ZEEngineObject());
    stone->m_bStatic = false;
    stone->m_bGravity = true;
    stone->m_vPosition = ZEVector(0, 200, 0);

    m_pEngine->UpdateWorld(1000);

    EXPECT_EQ(stone->m_vVelocity, ZEVector(0, -98.1f, 0));
    EXPECT_EQ(stone->m_vPosition, ZEVector(0, 200.0f - 98.1f, 0));
    EXPECT_EQ(stone->m_vOldPosition, ZEVector(0, 200, 0));
}

// The engine offers A to B and B to A; the first response separates them,
// so the second offer finds no contact.
TEST_F(WorldTest, SeparatedSpheresMeetOncePerStep)
{
    Ball* a = Add(new Ball("A", ZEVector(-0.5f, 0, 0), 1.0f, ZEVector(10, 0, 0), &m_Log));
    Ball* b = Add(new Ball("B", ZEVector(0.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0), &m_Log));

    m_pEngine->UpdateWorld(1000);

    EXPECT_EQ(m_Log, (Log{"B.VolVol(A)", "B.OnClip(A)", "A.OnClip(B)", "A.VolVol(B) miss"}));
    EXPECT_NEAR(a->m_vVelocity.x, -10 * kDefaultE, kTolerance);
    EXPECT_NEAR(b->m_vVelocity.x, 10 * kDefaultE, kTolerance);
    EXPECT_NEAR(b->m_vPosition.x - a->m_vPosition.x, 2.0002f + 2 * 10 * kDefaultE, kTolerance);
}

TEST_F(WorldTest, AStaticVolumeRespondsOnBothOffersAndTheContributionsAdd)
{
    Ball* post = Add(new Ball("post", ZEVector(0, 0, 0), 1.0f, ZEVector(), &m_Log));
    post->m_bStatic = true;
    Ball* mover = Add(new Ball("mover", ZEVector(1.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0), &m_Log));

    m_pEngine->UpdateWorld(1000);

    EXPECT_EQ(m_Log, (Log{"post.VolStatic(mover)", "mover.OnClip(post)", "post.OnClip(mover)",
                          "post.VolStatic(mover)", "post.OnClip(mover)", "mover.OnClip(post)"}));
    // Each offer adds (8.1 - (-10)) x 1000 / step.
    EXPECT_NEAR(mover->m_vVelocity.x, -10 + 2 * (10 * kDefaultE + 10), kTolerance);
}

TEST_F(WorldTest, TerrainBounceZeroAndOne)
{
    FlatTerrain* terrain = new FlatTerrain();
    m_pEngine->SetTerrain(terrain);
    Ball* dull = Add(new Ball("dull", ZEVector(0, 0.5f, 0), 1.0f, ZEVector(3, -20, 0)));
    dull->m_bGravity = true;
    dull->m_fBounce = 0.0f;
    Ball* lively = Add(new Ball("lively", ZEVector(50, 0.5f, 0), 1.0f, ZEVector(3, -20, 0)));
    lively->m_bGravity = true;
    lively->m_fBounce = 1.0f;

    m_pEngine->UpdateWorld(1000);

    EXPECT_VECTOR_NEAR(dull->m_vVelocity, ZEVector(3, 0, 0));
    // Resting on the ground, sliding.
    EXPECT_VECTOR_NEAR(dull->m_vPosition, ZEVector(3, 1, 0));
    EXPECT_VECTOR_NEAR(lively->m_vVelocity, ZEVector(3, 20, 0));
    EXPECT_VECTOR_NEAR(lively->m_vPosition, ZEVector(53, 21, 0));
}

// --- Reactions that change the parties -----------------------------------------------------

namespace
{
// A road sign: static until hit, then it falls.
class Sign : public Ball
{
public:
    Sign(const ZEVector& position, Log* log) : Ball("sign", position, 1.0f, ZEVector(), log)
    {
        m_bStatic = true;
        m_fMass = 10.0f;
    }
    void OnClip(ZEEngineObject* other) override
    {
        Ball::OnClip(other);
        m_bStatic = false;
        m_bGravity = true;
    }
};

// A pickup: it drops its model and its volume when collected.
class Pickup : public Ball
{
public:
    Pickup(const ZEVector& position, Log* log) : Ball("pickup", position, 1.0f, ZEVector(), log)
    {
        m_bStatic = true;
        m_pModel = new ZEModelReference();
    }
    void OnClip(ZEEngineObject* other) override
    {
        Ball::OnClip(other);
        delete m_pBoundingVolume;
        m_pBoundingVolume = nullptr;
        delete m_pModel;
        m_pModel = nullptr;
    }
};

// A car that collects what it touches: its reaction deletes the other's
// volume.
class Collector : public Ball
{
public:
    using Ball::Ball;
    void OnClip(ZEEngineObject* other) override
    {
        Ball::OnClip(other);
        delete other->m_pBoundingVolume;
        other->m_pBoundingVolume = nullptr;
    }
};
}

TEST_F(WorldTest, ASignHitInThisStepMovesOnTheSecondOffer)
{
    Sign* sign = Add(new Sign(ZEVector(0, 0, 0), &m_Log));
    Add(new Ball("car", ZEVector(1.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0), &m_Log));

    m_pEngine->UpdateWorld(1000);

    EXPECT_EQ(m_Log, (Log{"sign.VolStatic(car)", "car.OnClip(sign)", "sign.OnClip(car)", "sign.VolVol(car)",
                          "sign.OnClip(car)", "car.OnClip(sign)"}));
    EXPECT_FALSE(sign->m_bStatic);
    EXPECT_LT(sign->m_vVelocity.x, 0.0f) << "knocked away by the car";
}

TEST_F(WorldTest, APickupThatDropsItsVolumeIsNotTouchedAgain)
{
    Pickup* pickup = Add(new Pickup(ZEVector(0, 0, 0), &m_Log));
    Ball* car = Add(new Ball("car", ZEVector(1.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0), &m_Log));

    m_pEngine->UpdateWorld(1000);
    m_pEngine->UpdateWorld(1000);

    EXPECT_EQ(m_Log, (Log{"pickup.VolStatic(car)", "car.OnClip(pickup)", "pickup.OnClip(car)"}));
    EXPECT_EQ(pickup->m_pBoundingVolume, nullptr);
    EXPECT_EQ(pickup->m_pModel, nullptr);
    EXPECT_EQ(car->m_iContacts, 1);
}

TEST_F(WorldTest, AReactionMayTakeTheOthersVolume)
{
    Ball* barrel = Add(new Ball("barrel", ZEVector(0, 0, 0), 1.0f, ZEVector(), &m_Log));
    barrel->m_bStatic = true;
    Add(new Collector("car", ZEVector(1.5f, 0, 0), 1.0f, ZEVector(-10, 0, 0), &m_Log));

    m_pEngine->UpdateWorld(1000);

    EXPECT_EQ(m_Log, (Log{"barrel.VolStatic(car)", "car.OnClip(barrel)", "barrel.OnClip(car)"}));
    EXPECT_EQ(barrel->m_pBoundingVolume, nullptr);
}

// --- The broad phase -------------------------------------------------------------------------

namespace
{
// A ball, or with a half size an axis-aligned box, that notes every offer
// it makes.
class Offered : public Ball
{
public:
    Offered(const char* name, const ZEVector& position, bool moving, Log* log) : Ball(name, position, 1.0f, ZEVector(), log)
    {
        m_bStatic = !moving;
    }
    Offered(const char* name, const ZEVector& position, const ZEVector& half, Log* log)
        : Offered(name, position, false, log)
    {
        delete m_pBoundingVolume;
        m_pBoundingVolume = new ZEAABoundingBox(position - half, position + half);
    }
    bool Influence(uint32_t step, ZEEngineObject* other) override
    {
        m_pLog->push_back(m_Name + ".Influence(" + NameOf(other) + ")");
        return Ball::Influence(step, other);
    }
};

bool Contains(const Log& log, const std::string& line)
{
    return std::find(log.begin(), log.end(), line) != log.end();
}
}

TEST_F(WorldTest, OnlyPairsWhoseBoundingSpheresMeetAreOffered)
{
    Add(new Offered("car", ZEVector(0, 0, 0), true, &m_Log));
    // Its box misses the car, its bounding sphere does not; the far one is
    // apart, and the last one touches.
    Add(new Offered("near", ZEVector(1.8f, 1.8f, 0), ZEVector(1, 1, 1), &m_Log));
    Add(new Offered("far", ZEVector(10, 0, 0), ZEVector(1, 1, 1), &m_Log));
    Add(new Offered("touch", ZEVector(-1.5f, 0, 0), ZEVector(1, 1, 1), &m_Log));

    m_pEngine->UpdateWorld(1000);

    EXPECT_EQ(m_Log, (Log{"near.Influence(car)", "near.VolStatic(car) miss",
                          "touch.Influence(car)", "touch.VolStatic(car)", "touch.OnClip(car)", "car.OnClip(touch)",
                          "car.Influence(near)", "near.VolStatic(car) miss",
                          "car.Influence(touch)", "touch.VolStatic(car)", "car.OnClip(touch)", "touch.OnClip(car)"}));
}

// A's turn pushes B into reach of the wall; the wall's turn and B's, later
// in the same step, already find the pair.
TEST_F(WorldTest, APushBringsAPairTogetherInTheSameStep)
{
    Add(new Offered("A", ZEVector(0, 0, 0), true, &m_Log));
    Add(new Offered("wall", ZEVector(3.4f, 0, 0), false, &m_Log));
    Add(new Offered("B", ZEVector(1, 0, 0), true, &m_Log));

    m_pEngine->UpdateWorld(1000);

    EXPECT_TRUE(Contains(m_Log, "B.Influence(wall)"));
    EXPECT_TRUE(Contains(m_Log, "wall.Influence(B)"));
}

namespace
{
// A pad that sends whatever touches it far along x, once.
class Teleporter : public Offered
{
public:
    Teleporter(const ZEVector& position, Log* log) : Offered("pad", position, false, log) {}
    void OnClip(ZEEngineObject* other) override
    {
        Offered::OnClip(other);
        if (m_bUsed)
            return;
        m_bUsed = true;
        other->m_vPosition += ZEVector(50, 0, 0);
        other->m_pBoundingVolume->SetCenter(other->m_pBoundingVolume->GetCenter() + ZEVector(50, 0, 0));
    }
    bool m_bUsed = false;
};
}

// The car's own turn sends it next to a wall that was far from everything
// when the step began: the rest of its turn, and the wall's, find the pair.
TEST_F(WorldTest, AJumpDuringAContactIsFollowedInTheSameStep)
{
    Add(new Offered("car", ZEVector(0, 0, 0), true, &m_Log));
    Add(new Teleporter(ZEVector(1.5f, 0, 0), &m_Log));
    Add(new Offered("wall", ZEVector(51.5f, 0, 0), false, &m_Log));

    m_pEngine->UpdateWorld(1000);

    EXPECT_TRUE(Contains(m_Log, "car.OnClip(pad)"));
    EXPECT_TRUE(Contains(m_Log, "wall.Influence(car)"));
    EXPECT_TRUE(Contains(m_Log, "car.Influence(wall)"));
}

TEST_F(WorldTest, AStaticObjectThatStartsMovingTakesPartByTheNextStep)
{
    Add(new Offered("car", ZEVector(0, 0, 0), true, &m_Log));
    Sign* sign = Add(new Sign(ZEVector(1.5f, 0, 0), &m_Log));
    Add(new Offered("wall", ZEVector(3, 0, 0), false, &m_Log));
    m_pEngine->m_fGravity = 0.0f;   // the knocked sign stays where it is

    m_pEngine->UpdateWorld(1000);
    ASSERT_FALSE(sign->m_bStatic);
    EXPECT_TRUE(Contains(m_Log, "wall.Influence(sign)")) << "moving receivers see it at once";
    // From the next step on the wall's own turn offers it the sign too:
    // the static response runs once from each side.
    m_Log.clear();
    m_pEngine->UpdateWorld(1000);
    long responses = std::count_if(m_Log.begin(), m_Log.end(),
                                   [](const std::string& line) { return line.rfind("wall.VolStatic(sign)", 0) == 0; });
    EXPECT_EQ(responses, 2);
}

// Static spheres are kept from step to step: a static volume moved between
// steps is seen once the engine is told, a replaced one on its own.
TEST_F(WorldTest, AStaticVolumeMovedBetweenStepsIsSeenOnceTheEngineIsTold)
{
    Add(new Offered("car", ZEVector(0, 0, 0), true, &m_Log));
    Offered* wall = Add(new Offered("wall", ZEVector(10, 0, 0), false, &m_Log));
    m_pEngine->UpdateWorld(1000);
    ASSERT_FALSE(Contains(m_Log, "wall.Influence(car)"));

    wall->m_pBoundingVolume->SetCenter(ZEVector(1.5f, 0, 0));
    m_pEngine->VolumeChanged(wall);
    m_pEngine->UpdateWorld(1000);

    EXPECT_TRUE(Contains(m_Log, "wall.Influence(car)"));
    EXPECT_TRUE(Contains(m_Log, "car.Influence(wall)"));
}

TEST_F(WorldTest, AStaticObjectsNewVolumeIsSeenFromTheNextStep)
{
    Add(new Offered("car", ZEVector(0, 0, 0), true, &m_Log));
    Offered* wall = Add(new Offered("wall", ZEVector(10, 0, 0), false, &m_Log));
    m_pEngine->UpdateWorld(1000);
    ASSERT_FALSE(Contains(m_Log, "wall.Influence(car)"));

    ZEBoundingVolume* old = wall->m_pBoundingVolume;
    wall->m_pBoundingVolume = new ZEBoundingSphere(ZEVector(1.5f, 0, 0), 1.0f);
    delete old;
    m_pEngine->UpdateWorld(1000);

    EXPECT_TRUE(Contains(m_Log, "wall.Influence(car)"));
    EXPECT_TRUE(Contains(m_Log, "car.Influence(wall)"));
}
