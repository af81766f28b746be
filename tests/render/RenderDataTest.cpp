// Ownership and list handling of the effect records: particles, lights and
// their glow records, decals. Leaks and double deletions show up under the
// sanitizers.
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "render/ZEParticleSystem.h"
#include "resources/ZETextureManager.h"
#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"
#include "world/ZEEngine.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{
std::vector<_ZEParticle*> ListOf(const ZEParticleSystem& system)
{
    std::vector<_ZEParticle*> list;
    for (_ZEParticle* particle = system.m_pParticles; particle; particle = particle->m_pNext)
        list.push_back(particle);
    return list;
}
}

TEST(ParticleList, AppendsAtTheTailAndRemovesAnywhere)
{
    ZEParticleSystem system;
    _ZEParticle* a = new _ZEParticle;
    _ZEParticle* b = new _ZEParticle;
    _ZEParticle* c = new _ZEParticle;
    _ZEParticle* d = new _ZEParticle;
    system.AddParticle(a);
    EXPECT_EQ(system.m_pParticles, a);
    EXPECT_EQ(system.m_ulNumParticles, 1u);
    system.AddParticle(b);
    system.AddParticle(c);
    system.AddParticle(d);
    system.AddParticle(nullptr);
    EXPECT_EQ(ListOf(system), (std::vector<_ZEParticle*>{a, b, c, d}));
    EXPECT_EQ(system.m_ulNumParticles, 4u);

    system.RemoveParticle(a);
    system.RemoveParticle(c);
    system.RemoveParticle(d);
    EXPECT_EQ(ListOf(system), (std::vector<_ZEParticle*>{b}));
    EXPECT_EQ(system.m_ulNumParticles, 1u);

    // A stranger is neither unlinked nor deleted.
    _ZEParticle stranger;
    system.RemoveParticle(&stranger);
    system.RemoveParticle(nullptr);
    EXPECT_EQ(system.m_ulNumParticles, 1u);

    system.AddParticle(new _ZEParticle);
    system.Free();
    EXPECT_EQ(system.m_pParticles, nullptr);
    EXPECT_EQ(system.m_ulNumParticles, 0u);

    // The destructor frees what is left.
    system.AddParticle(new _ZEParticle);
}

TEST(ParticleEmitter, NewDataResetsColoursAndTurningAndAMoveTakesTheSphereAlong)
{
    ZEParticleFX fx(ZEVector(1.0f, 2.0f, 3.0f), ZEParticleFX::ms_lSmoke, 4.0f, 0.5f, 30, 2.0f, 3.0f,
                    ZEVector(0.0f, 10.0f, 0.0f), 50, 2000, 200, 0.25f, true, false);
    fx.SetColors(255, 0, 0, 0, 0, 255);
    fx.SetRotation(ZEVector(0.0f, 90.0f, 0.0f));
    fx.SetData(ZEVector(), ZEParticleFX::ms_lBall, 1.0f, 0.0f, 0, 0.0f, 0.0f, ZEVector(0.0f, 1.0f, 0.0f), 10,
               100, 255, 0.0f, false, true);
    EXPECT_FALSE(fx.m_bTwoColors);
    EXPECT_FALSE(fx.m_bRotate);
    EXPECT_EQ(fx.m_aucColor1[0], 0);
    EXPECT_EQ(fx.m_aucColor2[2], 0);

    fx.m_BoundingSphere.SetData(ZEVector(), 12.0f);
    fx.MoveToPosition(ZEVector(5.0f, 5.0f, 5.0f));
    EXPECT_EQ(fx.m_Position, ZEVector(5.0f, 5.0f, 5.0f));
    EXPECT_EQ(fx.m_BoundingSphere.GetCenter(), ZEVector(5.0f, 5.0f, 5.0f));
    EXPECT_EQ(fx.m_BoundingSphere.m_fRadius, 12.0f);
}

TEST(Lights, ConstructorsSetKindColourAndSphere)
{
    ZELight none;
    EXPECT_EQ(none.m_lType, ZE_LIGHT_NONE);
    EXPECT_EQ(none.GetRTTI()->GetName(), "ZELight");

    ZELight ambient(0.3f);
    EXPECT_EQ(ambient.m_lType, ZE_LIGHT_AMBIENT);
    EXPECT_EQ(ambient.m_afColor[1], 0.3f);

    ZELight directional(ZEVector(0.0f, -5.0f, 0.0f), 0.9f);
    EXPECT_EQ(directional.m_lType, ZE_LIGHT_DIRECTIONAL);
    EXPECT_EQ(directional.m_vDirection, ZEVector(0.0f, -1.0f, 0.0f));

    ZELight spot(ZEVector(1.0f, 2.0f, 3.0f), 1.0f, 100.0f, ZEVector(0.0f, 0.0f, 2.0f), 40, true, 0);
    EXPECT_EQ(spot.m_lType, ZE_LIGHT_SPOT);
    EXPECT_EQ(spot.m_vDirection, ZEVector(0.0f, 0.0f, 1.0f));
    EXPECT_EQ(spot.m_usConeAngle, 40);
    EXPECT_TRUE(spot.m_bAttenuation);
    EXPECT_EQ(spot.m_BoundingSphere.m_vCenter, ZEVector(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(spot.m_BoundingSphere.m_fRadius, 100.0f);
    EXPECT_EQ(spot.m_ucAlpha, 255);
}

TEST(Lights, DynamicLightOwnsItsGlowRecordOnce)
{
    ZEDynamicLight lit(ZEVector(), nullptr, 0);
    EXPECT_TRUE(ZEIsKindOf(static_cast<ZELight*>(&lit), ZELight::ms_RTTI));
    EXPECT_EQ(lit.GetRTTI()->GetName(), "ZEDynamicLight");
    lit.m_pFlare = new ZELightCorona(new ZETextureReference(), 255, 255, 255, 192);
    lit.m_pSavedFlare = lit.m_pFlare;

    ZELight* dark = new ZEDynamicLight(ZEVector(), nullptr, 0);
    static_cast<ZEDynamicLight*>(dark)->m_pSavedFlare = new ZELightCorona(nullptr, 1, 2, 3, 4);
    delete dark;
}

TEST(Lights, GlowRecordsTakeTheirTexturesAndArrays)
{
    ZEManualTimer timer(10000);
    ZELightCorona corona(new ZETextureReference(), 1, 2, 3, 4);
    EXPECT_EQ(corona.m_ulKind, ZELightFlare::ms_ulCorona);
    EXPECT_EQ(corona.m_ulFadeStart, 8000u);
    EXPECT_EQ(corona.m_aucColor[3], 4);

    ZETextureReference** textures = new ZETextureReference*[2]{new ZETextureReference(), nullptr};
    ZELensFlare flare(new _Flare[3], 3, textures, 2);
    EXPECT_EQ(flare.m_ulKind, ZELightFlare::ms_ulLensFlare);
    flare.SetFlare(2, -0.25f, 0.07f, 10, 20, 30);
    EXPECT_EQ(flare.m_pFlares[2].m_fPosition, -0.25f);
    EXPECT_EQ(flare.m_pFlares[2].m_aucColor[2], 30);
    flare.SetFlare(3, 1.0f, 1.0f, 1, 1, 1);
    flare.SetFlare(65535, 1.0f, 1.0f, 1, 1, 1);
}

TEST(Lights, DeletingALightInTheWorldUnlinksIt)
{
    ZEManualTimer timer;
    ZERecordingRenderer renderer;
    ZEEngine engine(&renderer, nullptr, nullptr, nullptr, &timer, nullptr);
    ZELight* first = new ZELight(0.5f);
    ZELight* second = new ZELight(0.25f);
    engine.AddLightToWorld(first);
    engine.AddLightToWorld(second);
    EXPECT_TRUE(first->m_bInWorld);
    delete first;
    EXPECT_EQ(engine.GetLights(), second);
    EXPECT_EQ(second->m_pNext, nullptr);
}

TEST(Decals, ACreationTimeFromTheGameClockAndAFadingFlagThatIsOnlyStored)
{
    ZEManualTimer timer(4321);
    ZEDecal decal;
    EXPECT_EQ(decal.m_ulCreationTime, 4321u);
    EXPECT_TRUE(decal.m_bFading);
    decal.SetFading(false, 0);
    EXPECT_FALSE(decal.m_bFading);
}

TEST(Decals, OwnVerticesAndTexture)
{
    ZEVertex* vertices = new ZEVertex[6]();
    ZEDecal decal(ZEVector(1.0f, 0.0f, 0.0f), vertices, 6, new ZETextureReference());
    EXPECT_EQ(decal.m_Position, ZEVector(1.0f, 0.0f, 0.0f));
    EXPECT_EQ(decal.m_usNumVertices, 6);
    EXPECT_EQ(decal.m_pVertices, vertices);

    ZEDecal empty(ZEVector(), nullptr, 6, nullptr);
    EXPECT_EQ(empty.m_usNumVertices, 0);
}

TEST(Decals, ParticleMarkDarkensWhatLiesUnderIt)
{
    ZEParticleMark mark(ZEVector(0.0f, 1.0f, 0.0f), ZEVector(3.0f, 0.0f, 4.0f), 2.0f);
    ZEDecal* decal = &mark;
    EXPECT_EQ(decal->m_Position, ZEVector(3.0f, 0.0f, 4.0f));
    EXPECT_EQ(decal->m_usBlendSource, 0);
    EXPECT_EQ(decal->m_usBlendDest, 3);
    EXPECT_EQ(decal->m_ulLifetime, 30000u);
}

TEST(Decals, FadeOutOverTheEndOfTheirLifetime)
{
    ZEManualTimer timer(0);
    ZERecordingRenderer renderer;
    ZEDecal decal(ZEVector(), new ZEVertex[6](), 6, nullptr);
    decal.SetColor(0, 100, 200);
    decal.SetAlpha(220);
    auto colourAt = [&](uint32_t now) {
        timer.SetRealTime(now);
        renderer.Clear();
        decal.Render(&renderer, nullptr);
        return renderer.m_Log.at(renderer.Find("SetAmbient"));
    };
    EXPECT_EQ(colourAt(28999), "SetAmbient 0 100 200 220");
    EXPECT_EQ(colourAt(29000), "SetAmbient 0 100 200 220");
    EXPECT_EQ(colourAt(29500), "SetAmbient 0 50 100 110");
    EXPECT_EQ(colourAt(30000), "SetAmbient 0 0 0 0");
    EXPECT_EQ(renderer.Count("DrawArray"), 1u);
    decal.SetFading(false, 0);
    EXPECT_EQ(colourAt(29999), "SetAmbient 0 100 200 220");
}
