#include "resources/ZEModelManager.h"

#include "support/ManualTimer.h"
#include "support/RecordingRenderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace
{
// Gives a model `lods` levels of `animations.size()` animations each; the
// animation i has key frames at the listed times.
void Animate(ZEModel& model, uint32_t lods, std::initializer_list<std::initializer_list<uint32_t>> animations)
{
    model.m_ulNumLODs = lods;
    model.m_ulNumAnimations = static_cast<uint32_t>(animations.size());
    model.m_pLODs = new ZEModelAnimation*[lods];
    model.m_pAnimationNames = new ZEModelAnimationName[animations.size()]();
    for (uint32_t lod = 0; lod < lods; ++lod)
    {
        model.m_pLODs[lod] = new ZEModelAnimation[animations.size()];
        uint32_t index = 0;
        for (const auto& times : animations)
        {
            ZEModelAnimation& animation = model.m_pLODs[lod][index++];
            animation.m_ulNumKeyFrames = static_cast<uint32_t>(times.size());
            animation.m_pKeyFrames = new ZEModelKeyFrame[times.size()];
            uint32_t frame = 0;
            for (uint32_t time : times)
                animation.m_pKeyFrames[frame++].m_ulTime = time;
        }
    }
    model.m_bLoaded = true;
}

class ModelManagerTest : public ::testing::Test
{
protected:
    ZEModel* AddModel(const char* path)
    {
        ZEModel* model = new ZEModel();
        model->m_Name = path;
        m_pManager->AddToList(model);
        return model;
    }

    ZEManualTimer m_Timer;
    ZERecordingRenderer m_Renderer;
    std::unique_ptr<ZEModelManager> m_pManager = std::make_unique<ZEModelManager>();
};
}

TEST_F(ModelManagerTest, LoadedModelIsSharedByDirectoryAndName)
{
    m_pManager->SetModelDirectory("models");
    ZEModel* car = AddModel("models/car.zmf");

    std::unique_ptr<ZEModelReference> first(m_pManager->GetModel("car.zmf"));
    std::unique_ptr<ZEModelReference> second(m_pManager->GetModel(ZEString("car.zmf")));

    EXPECT_EQ(first->GetModel(), car);
    EXPECT_EQ(second->GetModel(), car);
    EXPECT_EQ(car->m_ulReferences, 2u);
}

TEST_F(ModelManagerTest, UnloadableModelGivesNullAndListsNothing)
{
    EXPECT_EQ(m_pManager->GetModel("missing.zmf"), nullptr);
    EXPECT_EQ(m_pManager->m_ulNumModels, 0u);
}

TEST_F(ModelManagerTest, FreeUnusedModelsKeepsReferencedOnes)
{
    ZEModel* kept = AddModel("kept");
    AddModel("unused");
    std::unique_ptr<ZEModelReference> reference(kept->GetReference());

    m_pManager->FreeUnusedModels();

    EXPECT_EQ(m_pManager->m_ulNumModels, 1u);
    EXPECT_EQ(m_pManager->m_pModels, kept);
}

TEST_F(ModelManagerTest, ReferencesMayOutliveTheirModelAndTheManager)
{
    ZEModelReference* afterFree = AddModel("a")->GetReference();
    ZEModelReference* afterManager = AddModel("b")->GetReference();

    m_pManager->RemoveFromList(m_pManager->m_pModels);
    delete afterFree->m_pModel;
    EXPECT_EQ(afterFree->GetModel(), nullptr);
    afterFree->SetAnimation(0u);
    afterFree->Render(ZEVector(), ZEVector(), nullptr);
    delete afterFree;

    m_pManager.reset();
    EXPECT_EQ(ZEModelManager::ms_pModelManager, nullptr);
    EXPECT_FALSE(afterManager->ModelContainsTransparency());
    delete afterManager;
}

TEST_F(ModelManagerTest, SetAnimationBeyondTheAnimationsChangesNothing)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());

    reference->SetAnimation(1u);
    EXPECT_FALSE(reference->m_bAnimating);

    std::strcpy(model->m_pAnimationNames[0], "wave");
    reference->SetAnimation(ZEString("wave"));
    EXPECT_TRUE(reference->m_bAnimating);
    EXPECT_EQ(reference->m_ulAnimationStart, m_Timer.GetTime());
}

TEST_F(ModelManagerTest, RealAnimationsHaveTwoKeyFramesAtLevelZero)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0}, {0, 100}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());

    EXPECT_FALSE(reference->IsRealAnimation(0));
    EXPECT_TRUE(reference->IsRealAnimation(1));
    EXPECT_FALSE(reference->IsRealAnimation(2));
}

TEST_F(ModelManagerTest, LoopingAnimationWrapsAndMovesItsStart)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(0u);
    reference->m_bLoop = true;

    m_Timer.Advance(1000);
    EXPECT_EQ(reference->GetAnimationTime(0), 200u);
    m_Timer.Advance(100);
    EXPECT_EQ(reference->GetAnimationTime(0), 300u) << "continues from the moved start";
    m_Timer.Advance(100);
    EXPECT_EQ(reference->GetAnimationTime(0), 400u) << "the end itself is still inside";
}

TEST_F(ModelManagerTest, FinishedAnimationWithoutLoopStops)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}, {0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(1u);

    m_Timer.Advance(401);
    EXPECT_EQ(reference->GetAnimationTime(0), 0u);
    EXPECT_FALSE(reference->m_bAnimating);
    EXPECT_EQ(reference->m_ulAnimation, 0u);
}

TEST_F(ModelManagerTest, NegativeAnimationSpeedHoldsTheStart)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 1, {{0, 400}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    reference->SetAnimation(0u);
    reference->m_fAnimationSpeed = -2.0f;

    m_Timer.Advance(100);
    EXPECT_EQ(reference->GetAnimationTime(0), 0u);
}

TEST_F(ModelManagerTest, LevelOfDetailFollowsTheCameraDistance)
{
    ZEModel* model = AddModel("m");
    Animate(*model, 3, {{0}});
    std::unique_ptr<ZEModelReference> reference(model->GetReference());
    m_Renderer.m_Camera.m_fZFar = 2500.0f;
    m_Renderer.m_Camera.m_vPosition = ZEVector();

    EXPECT_EQ(reference->GetLOD(ZEVector(0, 0, 1000)), 1u);
    EXPECT_EQ(reference->GetLOD(ZEVector(0, 0, 100000)), 2u);
    m_Renderer.m_Camera.m_fZFar = 0.0f;
    EXPECT_EQ(reference->GetLOD(ZEVector(0, 0, 1000)), 0u) << "no depth range, no division by zero";
}

TEST_F(ModelManagerTest, ScaleIsFlaggedOnlyWhenItDiffersFromOne)
{
    ZEModelReference reference;
    reference.SetScale(ZEVector(1, 1, 1));
    EXPECT_FALSE(reference.m_bScaled);
    reference.SetScale(ZEVector(1, 2, 1));
    EXPECT_TRUE(reference.m_bScaled);
}
