// Particle emitters as the world animates and draws them, on the manual
// clock: a particle's life, growth, fall and hit on the level, the first
// frame's step, and what a kind without textures draws.
#include "math/ZEMath.h"
#include "math/ZEPolygon.h"
#include "render/ZEParticleSystem.h"
#include "support/TestApplication.h"
#include "world/ZEEngine.h"
#include "world/ZETerrain.h"

#include <gtest/gtest.h>

#include <memory>

namespace
{
// A level that is one wall across z = m_fWall.
class Wall : public ZETerrain
{
public:
    bool Load(const ZEString&) override { return false; }
    bool Clips(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info) override
    {
        ZEVector end = start + offset;
        if ((start.z < m_fWall) == (end.z < m_fWall))
            return false;
        float along = (m_fWall - start.z) / offset.z;
        info.m_vPoint = start + offset * along;
        info.m_Plane.m_vNormal = ZEVector(0.0f, 0.0f, -1.0f);
        info.m_pObject = this;
        return true;
    }
    bool Clips(const ZEVector& start, const ZEVector& offset) override
    {
        _ZEClipInfo ignored;
        return Clips(start, offset, ignored);
    }
    float m_fWall = 5.0f;
};

class ParticleSystemTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_App.Initialize();
        m_pEngine = ZEEngine::ms_pEngine;
        // Well into the game, so the first spawn is due at once.
        m_App.Timer()->Advance(200000);
    }
    void TearDown() override { m_App.Exit(); }

    // One emitter at the origin shooting along +z at `speed` units a second,
    // spawning every `interval` ms particles that live `life` ms.
    std::unique_ptr<ZEParticleFX> Emitter(int32_t kind = ZEParticleFX::ms_lSmoke, float speed = 10.0f,
                                          uint32_t interval = 100000, uint32_t life = 1000, float growth = 0.0f,
                                          bool collide = false)
    {
        return std::make_unique<ZEParticleFX>(ZEVector(), kind, 4.0f, growth, 0, 0.0f, 0.0f,
                                              ZEVector(0.0f, 0.0f, speed), interval, life, 255, 0.0f, false,
                                              collide);
    }
    // Moves the clock on and animates, `frames` times.
    void Run(ZEParticleFX& emitter, uint32_t frames, uint32_t milliseconds = 20)
    {
        for (uint32_t i = 0; i < frames; ++i)
        {
            m_App.Timer()->Advance(milliseconds);
            emitter.Animate(nullptr);
        }
    }

    ZETestApplication m_App;
    ZEEngine* m_pEngine = nullptr;
};
}

TEST_F(ParticleSystemTest, TheFirstFrameStepsFromTheEmittersMaking)
{
    // Long into the game: the first frame must not step by all of it.
    m_App.Timer()->Advance(600000);
    auto emitter = Emitter();
    Run(*emitter, 1);
    ASSERT_EQ(emitter->m_ulNumParticles, 1u);
    EXPECT_NEAR(emitter->m_pParticles->m_Position.z, 0.2f, 1e-4f);
}

TEST_F(ParticleSystemTest, AParticleLivesItsLifeAndOneIsSpawnedAFrameAtMost)
{
    auto emitter = Emitter(ZEParticleFX::ms_lSmoke, 10.0f, 100000, 100);
    Run(*emitter, 4, 25);   // spawned at the first frame, 75 ms old
    EXPECT_EQ(emitter->m_ulNumParticles, 1u);
    Run(*emitter, 1, 25);
    EXPECT_EQ(emitter->m_ulNumParticles, 0u);

    // An interval far below the frame still spawns one a frame.
    auto busy = Emitter(ZEParticleFX::ms_lSparks, 10.0f, 1, 1000);
    Run(*busy, 5, 40);
    EXPECT_EQ(busy->m_ulNumParticles, 5u);
}

TEST_F(ParticleSystemTest, ParticlesGrowAndFallOnlyWhenAskedTo)
{
    auto plain = Emitter();
    auto growing = Emitter(ZEParticleFX::ms_lSmoke, 10.0f, 100000, 5000, 2.0f);
    auto falling = Emitter();
    falling->SetForce(ZEVector(0.0f, -98.1f, 0.0f));
    for (int frame = 0; frame < 25; ++frame)
    {
        m_App.Timer()->Advance(20);
        for (auto* emitter : {plain.get(), growing.get(), falling.get()})
            emitter->Animate(nullptr);
    }

    EXPECT_FLOAT_EQ(plain->m_pParticles->m_fSize, 4.0f);
    EXPECT_FLOAT_EQ(plain->m_pParticles->m_Position.y, 0.0f);
    EXPECT_GT(growing->m_pParticles->m_fSize, 2.0f * 4.0f);
    // Half a second of gravity: about a metre down, still flying along z.
    EXPECT_LT(falling->m_pParticles->m_Position.y, -8.0f);
    EXPECT_GT(falling->m_pParticles->m_Position.y, -15.0f);
    EXPECT_FLOAT_EQ(falling->m_pParticles->m_Position.z, plain->m_pParticles->m_Position.z);
}

TEST_F(ParticleSystemTest, AParticleThatCrossesTheLevelLeavesAMarkTheNextFrame)
{
    m_pEngine->SetTerrain(new Wall());
    // 2 units a frame: from z 4 to 6 the particle crosses the wall at 5.
    auto emitter = Emitter(ZEParticleFX::ms_lBall, 100.0f, 100000, 5000, 0.0f, true);
    Run(*emitter, 3);
    ASSERT_EQ(emitter->m_ulNumParticles, 1u);
    EXPECT_NEAR(emitter->m_pParticles->m_Position.z, 6.0f, 1e-4f);
    EXPECT_EQ(m_pEngine->GetNumDecals(), 0u);

    Run(*emitter, 1);
    EXPECT_EQ(emitter->m_ulNumParticles, 0u);
    ASSERT_EQ(m_pEngine->GetNumDecals(), 1u);
    EXPECT_NEAR(m_pEngine->GetDecals()->m_Position.z, 5.0f, 1e-4f);

    // Without collision the same particle flies on through.
    auto through = Emitter(ZEParticleFX::ms_lBall, 100.0f, 100000, 5000);
    Run(*through, 10);
    EXPECT_EQ(through->m_ulNumParticles, 1u);
}

TEST_F(ParticleSystemTest, AKindWithoutTexturesAnimatesButDrawsNothing)
{
    ZERecordingRenderer* renderer = m_App.Renderer();
    auto smoke = Emitter(ZEParticleFX::ms_lSmoke);
    auto unknown = Emitter(3);
    Run(*smoke, 1);
    Run(*unknown, 1);
    EXPECT_EQ(unknown->m_ulNumParticles, 1u);

    renderer->Clear();
    unknown->Render(renderer, nullptr);
    EXPECT_TRUE(renderer->m_Log.empty());
    smoke->Render(renderer, nullptr);
    EXPECT_EQ(renderer->Count("RenderParticle"), 1u);
    EXPECT_EQ(renderer->Count("SetBlendingState 4 1"), 1u);
    // The depth buffer is written again afterwards.
    EXPECT_TRUE(renderer->m_bZBufferWrite);
}

TEST_F(ParticleSystemTest, SpawningLeavesTheGamesRandomSequenceAlone)
{
    ZESeedRandom(3);
    auto sparks = std::make_unique<ZEParticleFX>(ZEVector(), ZEParticleFX::ms_lSparks, 4.0f, 0.0f, 180, 10.0f,
                                                 10.0f, ZEVector(0.0f, 5.0f, 0.0f), 1, 1000, 255, 0.0f, true,
                                                 false);
    uint64_t before = ZEGetRandomState();
    Run(*sparks, 10);
    EXPECT_EQ(ZEGetRandomState(), before);
    EXPECT_EQ(sparks->m_ulNumParticles, 10u);
}
