// Lights over the manual timer: the dynamic lights' animation modes, the
// spot test on its axis, the corona's size and the lens flares' elements.
#include "math/ZEMath.h"
#include "render/ZELight.h"
#include "support/ManualTimer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
// A map's dynamic-light record.
std::vector<uint8_t> Record(uint32_t spot, uint32_t mode, uint32_t flare, uint32_t period,
                            const uint8_t (&colours)[3][3], float range = 100.0f)
{
    std::vector<uint8_t> data(ZEDynamicLight::ms_usEntityDataSize, 0);
    const float alpha = 1.0f, direction[3] = {0.0f, -1.0f, 0.0f};
    const uint16_t cone = 40;
    std::memcpy(&data[0], &spot, 4);
    std::memcpy(&data[4], &mode, 4);
    std::memcpy(&data[8], &flare, 4);
    std::memcpy(&data[12], &period, 4);
    std::memcpy(&data[16], &range, 4);
    std::memcpy(&data[20], &alpha, 4);
    std::memcpy(&data[24], direction, 12);
    data[36] = 1;
    std::memcpy(&data[37], &cone, 2);
    for (int i = 0; i < 3; ++i)
        std::memcpy(&data[39 + 3 * i], colours[i], 3);
    return data;
}

const uint8_t kColours[3][3] = {{200, 0, 0}, {0, 100, 0}, {0, 0, 50}};

ZEDynamicLight* Make(uint32_t mode, uint32_t flare, uint32_t period)
{
    std::vector<uint8_t> data = Record(0, mode, flare, period, kColours);
    return new ZEDynamicLight(ZEVector(0.0f, 50.0f, 0.0f), data.data(), static_cast<uint16_t>(data.size()));
}

// Runs the light's animation after `ms` more game time.
void Step(ZEManualTimer& timer, ZELight& light, uint32_t ms)
{
    timer.Advance(ms);
    light.Animate(ms);
}

}

TEST(LightModes, APulseFadesItsColourAndAlphaAndTurnsAtTheEndOfEachPeriod)
{
    ZEManualTimer timer;
    ZESeedRandom(1);
    ZEDynamicLight* light = Make(1, 0, 0);
    uint32_t period = light->m_ulPeriod;
    ASSERT_GE(period, 1u);
    ASSERT_LE(period, 5000u);
    EXPECT_EQ(light->m_cState, -1);
    Step(timer, *light, 0);
    EXPECT_EQ(light->m_ucAlpha, 255);   // fading out starts at full
    Step(timer, *light, period);
    EXPECT_LE(light->m_afColor[0], 1.0f / 255.0f + 200.0f / 255.0f / period);
    Step(timer, *light, 1);   // the period is over: it turns and fades in
    EXPECT_EQ(light->m_cState, 1);
    Step(timer, *light, period);
    EXPECT_NEAR(light->m_afColor[0], 200.0f / 255.0f, 0.01f);
    delete light;
}

TEST(LightModes, AFlickeringLightGoesDarkWithoutItsCoronaAndComesBackWithIt)
{
    ZEManualTimer timer;
    ZEDynamicLight* light = Make(2, 2, 1000);   // coloured corona
    ASSERT_NE(light->m_pFlare, nullptr);
    ZELightFlare* corona = light->m_pFlare;
    EXPECT_EQ(light->m_pSavedFlare, corona);

    Step(timer, *light, 1000);
    EXPECT_EQ(light->m_fRange, 100.0f);   // not yet past the period
    Step(timer, *light, 1);
    EXPECT_EQ(light->m_cState, 1);
    EXPECT_EQ(light->m_fRange, 0.0f);
    EXPECT_EQ(light->m_ucAlpha, 0);
    EXPECT_EQ(light->m_pFlare, nullptr);
    EXPECT_LE(light->m_ulPeriod, 350u);

    uint64_t gameSequence = ZEGetRandomState();
    // Dark frames must not colour a corona that is not there.
    Step(timer, *light, 0);
    int darkSpells = 0, relit = 0;
    for (int i = 0; i < 400 && relit < 40; ++i)
    {
        bool wasDark = light->m_cState == 1;
        Step(timer, *light, light->m_ulPeriod + 1);
        if (wasDark && light->m_cState == 1)
        {
            ++darkSpells;
            EXPECT_LE(light->m_ulPeriod, 300u);
        }
        else if (wasDark)
        {
            ++relit;
            EXPECT_EQ(light->m_pFlare, corona);
            EXPECT_EQ(light->m_fRange, 100.0f);
            EXPECT_EQ(static_cast<ZELightCorona*>(corona)->m_aucColor[0], 200);
            EXPECT_LE(light->m_ulPeriod, 2500u);
        }
    }
    EXPECT_EQ(relit, 40);
    EXPECT_EQ(ZEGetRandomState(), gameSequence);   // the light draws from its own stream
    EXPECT_GT(darkSpells, 0);    // about one in ten
    EXPECT_LT(darkSpells, 20);
    // Deleted while dark, the saved corona is freed once (the sanitizers
    // watch).
    if (light->m_cState == 0)
        Step(timer, *light, light->m_ulPeriod + 1);
    ASSERT_EQ(light->m_pFlare, nullptr);
    delete light;
}

TEST(LightModes, ColourFadesRunBetweenTheLoadedColours)
{
    ZEManualTimer timer;
    ZEDynamicLight* fade = Make(3, 4, 1000);
    ZEDynamicLight* cycle = Make(4, 0, 1000);
    auto both = [&](uint32_t ms) {
        timer.Advance(ms);
        fade->Animate(ms);
        cycle->Animate(ms);
    };
    both(0);
    EXPECT_NEAR(fade->m_afColor[0], 200.0f / 255.0f, 1e-5f);   // both start at colour 1
    EXPECT_NEAR(cycle->m_afColor[0], 200.0f / 255.0f, 1e-5f);
    both(1000);
    EXPECT_NEAR(fade->m_afColor[1], 100.0f / 255.0f, 1e-5f);   // and reach colour 2
    EXPECT_NEAR(cycle->m_afColor[1], 100.0f / 255.0f, 1e-5f);
    // The coloured corona follows the light.
    EXPECT_EQ(static_cast<ZELightCorona*>(fade->m_pFlare)->m_aucColor[1], 100);
    EXPECT_EQ(static_cast<ZELightCorona*>(fade->m_pFlare)->m_aucColor[0], 0);
    both(1);
    EXPECT_EQ(fade->m_cState, 1);
    both(1000);
    EXPECT_NEAR(fade->m_afColor[0], 200.0f / 255.0f, 1e-5f);   // and back

    EXPECT_EQ(cycle->m_cState, 1);
    EXPECT_NEAR(cycle->m_afColor[2], 50.0f / 255.0f, 1e-5f);   // colour 2 to colour 3
    for (int state : {2, 0})
    {
        Step(timer, *cycle, 1);
        EXPECT_EQ(cycle->m_cState, state);
        Step(timer, *cycle, 1000);
    }
    EXPECT_NEAR(cycle->m_afColor[1], 100.0f / 255.0f, 1e-5f);   // round to colour 2 again
    delete fade;
    delete cycle;
}

TEST(LightModes, APeriodOfZeroCountsAsOneMillisecond)
{
    ZEManualTimer timer;
    ZEDynamicLight* fade = Make(3, 0, 0);
    Step(timer, *fade, 0);
    EXPECT_EQ(fade->m_ulPeriod, 1u);
    EXPECT_TRUE(std::isfinite(fade->m_afColor[0]));
    Step(timer, *fade, 2);
    EXPECT_EQ(fade->m_cState, 1);
    delete fade;
}

TEST(Spotlight, PointsBehindOrOnTheAxisAndOtherKinds)
{
    ZELight spot(ZEVector(0.0f, 50.0f, 0.0f), 1.0f, 100.0f, ZEVector(0.0f, -1.0f, 0.0f), 40, true, 0);
    EXPECT_FALSE(spot.IsInSpotlight(ZEVector(0.0f, 60.0f, 0.0f)));   // behind
    ZELight point(ZEVector(), 1.0f, 100.0f, true, 0);
    EXPECT_FALSE(point.IsInSpotlight(ZEVector()));

    // Far down an axis that no float holds exactly, the cosine rounds past
    // 1; the point is still on the axis.
    ZELight slanted(ZEVector(0.1f, 0.2f, 0.3f), 1.0f, 3.0f, ZEVector(0.3f, 0.7f, 0.1f), 0, false, 0);
    float angle = -1.0f;
    for (float t : {0.7f, 3.3f, 1234.5f, 98765.4f})
    {
        EXPECT_TRUE(slanted.IsInSpotlight(slanted.m_vPosition + slanted.m_vDirection * t, angle));
        EXPECT_FALSE(std::isnan(angle));
    }
}

TEST(Coronas, SizeGrowsWithDistanceThenStaysAtSixteen)
{
    EXPECT_FLOAT_EQ(ZECoronaSize(100.0f, 640.0f, 0.1f), 10.0f);
    EXPECT_FLOAT_EQ(ZECoronaSize(200.0f, 640.0f, 0.1f), 16.0f);
}

TEST(LensFlares, EveryKindBuildsItsElementsOverItsTextures)
{
    ZEManualTimer timer;
    const int32_t kinds[4] = {21, 22, 23, 24};
    const uint16_t elements[4] = {12, 12, 15, 15};
    for (int i = 0; i < 4; ++i)
    {
        ZELight light(ZEVector(), 0.5f, 100.0f, false, kinds[i]);
        ASSERT_NE(light.m_pFlare, nullptr);
        ASSERT_EQ(light.m_pFlare->m_ulKind, ZELightFlare::ms_ulLensFlare);
        ZELensFlare* flare = static_cast<ZELensFlare*>(light.m_pFlare);
        ASSERT_EQ(flare->m_usNumFlares, elements[i]);
        for (uint16_t e = 0; e < flare->m_usNumFlares; ++e)
            EXPECT_LT(flare->m_pFlares[e].m_usTexture, flare->m_usNumTextures);
    }
    ZELight red(ZEVector(), 0.5f, 100.0f, false, 21), own(ZEVector(), 0.5f, 100.0f, false, 22);
    EXPECT_EQ(static_cast<ZELensFlare*>(red.m_pFlare)->m_pFlares[7].m_aucColor[0], 255);
    EXPECT_EQ(static_cast<ZELensFlare*>(own.m_pFlare)->m_pFlares[7].m_aucColor[1], 127);
    ZELight none(ZEVector(), 0.5f, 100.0f, false, 5);
    EXPECT_EQ(none.m_pFlare, nullptr);
}

