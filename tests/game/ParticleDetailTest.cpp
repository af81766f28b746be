// Which particle emitters a race on the test track has at each detail
// level: the map's smoke and the cars' exhaust at the highest levels, only
// the map's at medium, none below (nothing left to animate or draw).
#include "GameHarness.h"
#include "render/ZEParticleSystem.h"

#include <gtest/gtest.h>

namespace
{
uint32_t Emitters(ZEEngine* engine)
{
    uint32_t count = 0;
    for (ZEParticleSystem* system = engine->m_pParticleSystems; system; system = system->m_pNext)
        ++count;
    return count;
}
}

TEST(ParticleDetail, TheDetailLevelChoosesTheEmitters)
{
    uint32_t emitters[5] = {};
    for (uint32_t detail : {0u, 2u, 3u})
    {
        SCOPED_TRACE("detail " + std::to_string(detail));
        WZTestGame game("--track testtrack --seed 1 --detail " + std::to_string(detail), true);
        game.Start();
        emitters[detail] = Emitters(game.m_pEngine);
        // A drawn race animates them.
        game.Run(500);
        for (ZEParticleSystem* system = game.m_pEngine->m_pParticleSystems; system; system = system->m_pNext)
            EXPECT_GT(system->m_ulNumParticles, 0u);
        game.Exit();
    }
    // The map's one smoke emitter, and the cars' exhaust on top.
    EXPECT_EQ(emitters[2], 1u);
    EXPECT_GT(emitters[0], emitters[2]);
    EXPECT_EQ(emitters[3], 0u);
}
