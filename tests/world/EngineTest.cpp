#include "core/ZEConsole.h"
#include "core/ZEInputDevices.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "render/ZEParticleSystem.h"
#include "render/ZESkyBox.h"
#include "support/TestApplication.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"
#include "world/ZETerrain.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <string>
#include <vector>

namespace
{
// Writes every protocol call the engine makes on it into a shared journal.
class JournalObject : public ZEEngineObject
{
public:
    JournalObject(std::vector<std::string>& journal, const char* name) : m_Journal(journal), m_Name(name) {}

    void Animate(uint32_t step, ZEEngine*) override { Note("Animate", step); }
    void ApplyGravity(float) override { Note("Gravity", 0); }
    bool Influence(uint32_t step, ZEEngineObject* other) override
    {
        JournalObject* receiver = static_cast<JournalObject*>(other);
        m_Journal.push_back(m_Name + ".Influence(" + std::to_string(step) + "," + receiver->m_Name + ")");
        return false;
    }
    void Update(uint32_t step, ZEEngine*) override { Note("Update", step); }
    void Render(ZERenderer*, ZECamera*) override { m_Journal.push_back(m_Name + ".Render"); }
    void RenderShadow(ZERenderer*, ZECamera*, ZELight*, ZEShadowMethod, bool) override
    {
        m_Journal.push_back(m_Name + ".RenderShadow");
    }
    void RenderDynamicLight(ZELight*, ZECamera*) override { m_Journal.push_back(m_Name + ".RenderDynamicLight"); }

    bool Clips(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info) override
    {
        // A wall across the ray at a fixed distance along it.
        float length = offset.GetLength();
        if (m_fHitDistance > length)
            return false;
        info.m_vPoint = start + offset.UnitVector() * m_fHitDistance;
        info.m_pObject = this;
        return true;
    }
    bool Clips(const ZEVector& start, const ZEVector& offset) override
    {
        _ZEClipInfo ignored;
        return Clips(start, offset, ignored);
    }

    float m_fHitDistance = 1e9f;

private:
    void Note(const char* what, uint32_t step)
    {
        m_Journal.push_back(m_Name + "." + what + (step ? "(" + std::to_string(step) + ")" : std::string()));
    }

    std::vector<std::string>& m_Journal;
    std::string m_Name;
};

class TestTerrain : public ZETerrain
{
public:
    explicit TestTerrain(std::vector<std::string>* journal = nullptr) : m_pJournal(journal) {}
    bool Load(const ZEString&) override { return false; }
    bool Influence(uint32_t step, ZEEngineObject* other) override
    {
        if (m_pJournal)
            m_pJournal->push_back("terrain.Influence(" + std::to_string(step) + ")");
        (void)other;
        return false;
    }
    bool Clips(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& info) override
    {
        if (m_fHitDistance > offset.GetLength())
            return false;
        info.m_vPoint = start + offset.UnitVector() * m_fHitDistance;
        info.m_pObject = this;
        return true;
    }
    bool Clips(const ZEVector& start, const ZEVector& offset) override
    {
        if (m_bBlocksEverything)
            return true;
        _ZEClipInfo ignored;
        return Clips(start, offset, ignored);
    }

    void Render(ZERenderer*, ZECamera*) override { Note("terrain.Render"); }
    void RenderDynamicLight(ZELight*, ZECamera*) override { Note("terrain.RenderDynamicLight"); }

    float m_fHitDistance = 1e9f;
    bool m_bBlocksEverything = false;
    std::vector<std::string>* m_pJournal;

private:
    void Note(const char* line)
    {
        if (m_pJournal)
            m_pJournal->push_back(line);
    }
};

// Draw passes that only write their names into a journal.
class JournalSky : public ZESkyBox
{
public:
    explicit JournalSky(std::vector<std::string>& journal) : ZESkyBox(nullptr), m_Journal(journal) {}
    void Render(ZERenderer*, ZECamera*) override { m_Journal.push_back("sky.Render"); }

private:
    std::vector<std::string>& m_Journal;
};

class JournalDecal : public ZEDecal
{
public:
    explicit JournalDecal(std::vector<std::string>& journal) : m_Journal(journal) {}
    void Render(ZERenderer*, ZECamera*) override { m_Journal.push_back("decal.Render"); }

private:
    std::vector<std::string>& m_Journal;
};

class JournalParticles : public ZEParticleSystem
{
public:
    explicit JournalParticles(std::vector<std::string>& journal) : m_Journal(journal) {}
    void Animate(ZECamera*) override { m_Journal.push_back("particles.Animate"); }
    void Render(ZERenderer*, ZECamera*) override { m_Journal.push_back("particles.Render"); }

private:
    std::vector<std::string>& m_Journal;
};

// Places the camera in Update2, as a game's chase camera does.
class CameraApplication : public ZETestApplication
{
public:
    void Update2(uint32_t elapsed) override
    {
        ZETestApplication::Update2(elapsed);
        m_pRenderer->m_Camera.m_vPosition = m_vCamera;
    }

    ZEVector m_vCamera;
};

class EngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_App.Initialize();
        m_pEngine = ZEEngine::ms_pEngine;
        m_pRenderer = m_App.Renderer();
    }
    void TearDown() override { m_App.Exit(); }

    JournalObject* AddObject(const char* name, bool collision = true)
    {
        JournalObject* object = new JournalObject(m_Journal, name);
        object->m_bCollision = collision;
        m_pEngine->AddObjectToWorld(object);
        return object;
    }
    // An object that writes into the renderer's log, so its calls show in
    // one order with the frame's own.
    JournalObject* AddLoggedObject(const char* name)
    {
        JournalObject* object = new JournalObject(m_pRenderer->m_Log, name);
        m_pEngine->AddObjectToWorld(object);
        return object;
    }
    // The renderer's log without the renderer's own calls (which all begin
    // with a capital): the application's, the polls' and the doubles' lines.
    std::vector<std::string> CallbackLog() const
    {
        std::vector<std::string> lines;
        for (const std::string& line : m_pRenderer->m_Log)
            if (!line.empty() && std::islower(static_cast<unsigned char>(line[0])))
                lines.push_back(line);
        return lines;
    }
    std::vector<std::string> JournalOf(const std::string& prefix) const
    {
        std::vector<std::string> lines;
        for (const std::string& line : m_Journal)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }
    size_t IndexOf(const std::string& prefix, size_t from = 0) const
    {
        const std::vector<std::string>& log = m_pRenderer->m_Log;
        for (size_t i = from; i < log.size(); ++i)
            if (log[i].rfind(prefix, 0) == 0)
                return i;
        return log.size();
    }

    ZETestApplication m_App;
    ZEEngine* m_pEngine = nullptr;
    ZERecordingRenderer* m_pRenderer = nullptr;
    std::vector<std::string> m_Journal;
};

ZEDecal* MakeDecalChain(int count)
{
    ZEDecal* head = nullptr;
    for (int i = 0; i < count; ++i)
    {
        ZEDecal* decal = new ZEDecal();
        decal->m_pNext = head;
        head = decal;
    }
    return head;
}
}

TEST_F(EngineTest, AFrameRunsItsStepsInOrder)
{
    m_pRenderer->Clear();
    m_App.Frame(20);
    const char* order[] = {"net:Idle", "input:Update", "ClearBuffers", "app:Update1 20", "app:Update2 20",
                           "RestoreWorld", "app:Render", "EnableBlending", "SetBlendingState 4 5",
                           "SetAmbient4 255 255 255 255", "SetTexture", "DrawRectangle 0 0 32 32",
                           "DisableBlending", "DisplayBackBuffer"};
    size_t next = 0;
    for (const char* step : order)
    {
        size_t index = IndexOf(step, next);
        ASSERT_LT(index, m_pRenderer->m_Log.size()) << step << " missing or out of order";
        next = index + 1;
    }
    EXPECT_EQ(m_pRenderer->m_Log.back(), "DisplayBackBuffer");
}

TEST_F(EngineTest, TheCursorFollowsTheMouseAndCanBeHidden)
{
    m_App.Input()->SetCursor(100, 50);
    m_pRenderer->Clear();
    m_App.Frame(10);
    EXPECT_LT(IndexOf("DrawRectangle 100 50 132 82"), m_pRenderer->m_Log.size());

    m_pEngine->ShowCursor(false);
    m_pRenderer->Clear();
    m_App.Frame(10);
    EXPECT_EQ(m_pRenderer->Count("DrawRectangle"), 0u);
}

TEST_F(EngineTest, ObjectsAreDrawnInTwoPassesAroundTheWorld)
{
    JournalObject* first = AddObject("first");
    JournalObject* glass = AddObject("glass");
    glass->m_bSecondPass = true;
    (void)first;
    m_App.Frame(10);
    std::vector<std::string> renders = JournalOf("");
    renders.erase(std::remove_if(renders.begin(), renders.end(),
                                 [](const std::string& l) { return l.find(".Render") == std::string::npos; }),
                  renders.end());
    EXPECT_EQ(renders, (std::vector<std::string>{"first.Render", "glass.Render"}));
}

TEST_F(EngineTest, FramesAreSimulatedInFixedSteps)
{
    AddObject("a");
    m_pEngine->UpdateWorld(40);
    EXPECT_EQ(JournalOf("a.Update"), (std::vector<std::string>{"a.Update(15)", "a.Update(15)", "a.Update(10)"}));

    m_Journal.clear();
    m_pEngine->UpdateWorld(30);
    EXPECT_EQ(JournalOf("a.Animate"), (std::vector<std::string>{"a.Animate(15)", "a.Animate(15)"}));

    m_Journal.clear();
    m_pEngine->UpdateWorld(7);
    EXPECT_EQ(JournalOf("a.Animate"), (std::vector<std::string>{"a.Animate(7)"}));

    m_Journal.clear();
    m_pEngine->UpdateWorld(0);
    EXPECT_TRUE(m_Journal.empty());
}

TEST_F(EngineTest, AZeroPhysicsCycleIsTreatedAsOne)
{
    AddObject("a");
    m_pEngine->GetConsole()->PerformAction(ZEString("set physicscycle 0"));
    m_pEngine->UpdateWorld(3);
    EXPECT_EQ(JournalOf("a.Update"), (std::vector<std::string>{"a.Update(1)", "a.Update(1)", "a.Update(1)"}));
}

TEST_F(EngineTest, EachStepAnimatesThenInfluencesThenUpdates)
{
    // No pair of two static parties is offered, the terrain included.
    m_pEngine->SetTerrain(new TestTerrain(&m_Journal));
    AddObject("a")->m_bStatic = false;
    AddObject("b")->m_bStatic = false;
    AddObject("wall");
    AddObject("ghost", false)->m_bStatic = false;
    m_pEngine->UpdateWorld(15);
    EXPECT_EQ(m_Journal, (std::vector<std::string>{
                             "a.Animate(15)", "b.Animate(15)", "wall.Animate(15)", "ghost.Animate(15)",
                             "a.Gravity", "terrain.Influence(15)", "b.Influence(15,a)", "wall.Influence(15,a)",
                             "b.Gravity", "terrain.Influence(15)", "a.Influence(15,b)", "wall.Influence(15,b)",
                             "wall.Gravity", "a.Influence(15,wall)", "b.Influence(15,wall)",
                             "ghost.Gravity",
                             "a.Update(15)", "b.Update(15)", "wall.Update(15)", "ghost.Update(15)"}));
}

TEST_F(EngineTest, ElapsedZeroStillRunsTheCallbacks)
{
    AddObject("a");
    m_App.Frame(0);
    EXPECT_TRUE(JournalOf("a.Update").empty());
    EXPECT_EQ(m_App.Log(), (std::vector<std::string>{"app:Update1 0", "app:Update2 0", "app:Render"}));
}

TEST_F(EngineTest, GameTimeFollowsTheTimerNotTheWallClock)
{
    m_App.Timer()->SetTimeFactor(0.5f);
    m_App.Frame(40);
    EXPECT_EQ(m_App.Log().front(), "app:Update1 20");
    m_App.Log().clear();
    m_App.Timer()->SetTimeFactor(0.0f);
    m_App.Frame(100);
    EXPECT_EQ(m_App.Log().front(), "app:Update1 0");
}

TEST_F(EngineTest, TheConsoleTakesTheKeysWhileItIsOpen)
{
    ZEScriptedInput* input = m_App.Input();
    input->SetKey(ZE_KEY_A, true);
    m_App.Frame(10);
    input->SetKey(ZE_KEY_A, false);
    m_App.Frame(10);
    EXPECT_EQ(m_App.Log()[0], "app:KeyDown 65");
    EXPECT_NE(std::find(m_App.Log().begin(), m_App.Log().end(), "app:KeyUp 65"), m_App.Log().end());

    m_pEngine->GetConsole()->SetState(ZE_CONSOLE_FULL);
    m_App.Log().clear();
    input->SetKey(ZE_KEY_A, true);
    m_App.Frame(10);
    input->SetKey(ZE_KEY_A, false);
    m_App.Frame(10);
    for (const std::string& line : m_App.Log())
        EXPECT_EQ(line.find("app:Key"), std::string::npos) << line;
    EXPECT_STREQ(m_pEngine->GetConsole()->GetInputLine().CStr(), "]a");
}

TEST_F(EngineTest, DecalsAreCappedOldestFirst)
{
    m_pEngine->AddDecal(MakeDecalChain(99));
    ZEDecal* oldest = m_pEngine->GetDecals();
    ZEDecal* second = oldest->m_pNext;
    ZEDecal* third = second->m_pNext;
    m_pEngine->AddDecal(MakeDecalChain(3));
    EXPECT_EQ(m_pEngine->GetNumDecals(), 100u);
    EXPECT_EQ(m_pEngine->GetDecals(), third);

    m_pEngine->m_ulMaxDecals = 0;
    m_pEngine->AddDecal(MakeDecalChain(50));
    EXPECT_EQ(m_pEngine->GetNumDecals(), 150u);

    m_pEngine->m_bDecals = false;
    m_pEngine->AddDecal(MakeDecalChain(5));
    EXPECT_EQ(m_pEngine->GetNumDecals(), 150u);
}

TEST_F(EngineTest, DecalsExpireAfterTheirLifetime)
{
    ZEDecal* shortLived = new ZEDecal();
    shortLived->m_ulLifetime = 100;
    ZEDecal* longLived = new ZEDecal();
    longLived->m_ulLifetime = 1000;
    shortLived->m_pNext = longLived;
    m_pEngine->AddDecal(shortLived);

    m_App.Frame(100);
    EXPECT_EQ(m_pEngine->GetNumDecals(), 2u);
    m_App.Frame(1);
    EXPECT_EQ(m_pEngine->GetNumDecals(), 1u);
    EXPECT_EQ(m_pEngine->GetDecals(), longLived);
    m_App.Frame(2000);
    EXPECT_EQ(m_pEngine->GetNumDecals(), 0u);
}

TEST_F(EngineTest, RaysReportTheNearestHit)
{
    TestTerrain* terrain = new TestTerrain();
    terrain->m_fHitDistance = 10.0f;
    m_pEngine->SetTerrain(terrain);
    JournalObject* near = AddObject("near");
    near->m_fHitDistance = 4.0f;
    JournalObject* far = AddObject("far");
    far->m_fHitDistance = 7.0f;

    _ZEClipInfo clip;
    ZEVector start(0, 0, 0), offset(0, 0, 100);
    ASSERT_TRUE(m_pEngine->RayClipsInWorld(start, offset, clip));
    EXPECT_EQ(clip.m_pObject, near);
    EXPECT_FLOAT_EQ(clip.m_vPoint.z, 4.0f);

    ASSERT_TRUE(m_pEngine->RayClipsInWorld(start, offset, clip, near));
    EXPECT_EQ(clip.m_pObject, far);

    far->m_bCollision = false;
    ASSERT_TRUE(m_pEngine->RayClipsInWorld(start, offset, clip, near));
    EXPECT_EQ(clip.m_pObject, terrain);

    EXPECT_TRUE(m_pEngine->FastRayClipsInWorld(start, offset));
    EXPECT_FALSE(m_pEngine->FastRayClipsInWorld(start, ZEVector(0, 0, 3)));
}

TEST_F(EngineTest, LightIsAddedAndLimited)
{
    m_pEngine->SetTerrain(new TestTerrain());
    m_pEngine->AddLightToWorld(new ZELight(0.3f));
    m_pEngine->AddLightToWorld(new ZELight(ZEVector(0, -1, 0), 0.9f));
    float color[3];
    m_pEngine->GetLightAtPosition(ZEVector(0, 0, 0), color);
    EXPECT_FLOAT_EQ(color[0], 1.0f);
    uint8_t bytes[3];
    m_pEngine->GetLightAtPosition(ZEVector(0, 0, 0), bytes);
    EXPECT_EQ(bytes[0], 255);
    EXPECT_EQ(bytes[2], 255);

    // Only the terrain blocks light: the directional part goes.
    static_cast<TestTerrain*>(m_pEngine->GetTerrain())->m_bBlocksEverything = true;
    m_pEngine->GetLightAtPosition(ZEVector(0, 0, 0), color);
    EXPECT_NEAR(color[1], 0.3f, 1e-6f);
}

TEST_F(EngineTest, PointLightsReachOnlyTheirRange)
{
    ZELight* light = new ZELight(ZEVector(0, 0, 0), 1.0f, 100.0f, true, 0);
    m_pEngine->AddLightToWorld(light);
    float color[3];
    m_pEngine->GetLightAtPosition(ZEVector(0, 0, 50), color);
    EXPECT_NEAR(color[0], 0.5f * light->m_afColor[0], 1e-5f);
    m_pEngine->GetLightAtPosition(ZEVector(0, 0, 150), color);
    EXPECT_EQ(color[0], 0.0f);
}

TEST_F(EngineTest, RemovingKeepsTheObjectAndDeletingUnlinksIt)
{
    JournalObject* a = AddObject("a");
    JournalObject* b = AddObject("b");
    m_pEngine->RemoveObjectFromWorld(a);
    EXPECT_EQ(m_pEngine->GetObjects(), b);
    EXPECT_FALSE(a->m_bInWorld);
    m_pEngine->RemoveObjectFromWorld(a);   // not in the list: nothing happens
    delete a;

    delete b;   // deleting an object in the world unlinks it first
    EXPECT_EQ(m_pEngine->GetObjects(), nullptr);
}

TEST_F(EngineTest, ShadowMethodsNeedAStencilBuffer)
{
    m_pRenderer->m_bStencilBuffer = false;
    m_pEngine->SetShadowMethod(static_cast<ZEShadowMethod>(4));
    EXPECT_EQ(m_pEngine->m_ShadowMethod, 2u);
    m_pEngine->SetShadowMethod(static_cast<ZEShadowMethod>(1));
    EXPECT_EQ(m_pEngine->m_ShadowMethod, 1u);
    m_pRenderer->m_bStencilBuffer = true;
    m_pEngine->SetShadowMethod(static_cast<ZEShadowMethod>(3));
    EXPECT_EQ(m_pEngine->m_ShadowMethod, 3u);
}

TEST_F(EngineTest, TheListenerMovesWithTheCamera)
{
    ZENullSoundDevice* sound = m_App.Sound();
    m_App.Frame(10);
    uint32_t before = sound->m_ulListenerCalls;

    m_App.Frame(10);
    EXPECT_EQ(sound->m_ulListenerCalls, before);   // camera still

    m_App.Log().clear();
    m_pRenderer->m_Camera.m_vPosition = ZEVector(0, 0, 0);
    m_pEngine->UpdateListener(ZEVector(0, 0, -5), 100);
    EXPECT_EQ(sound->m_ulListenerCalls, before + 1);
    EXPECT_FLOAT_EQ(sound->m_vListenerVelocity.z, 50.0f);

    // Moved while paused: no time, no velocity.
    m_pEngine->UpdateListener(ZEVector(0, 0, -5), 0);
    EXPECT_EQ(sound->m_vListenerVelocity.z, 0.0f);
}

TEST_F(EngineTest, TheConsoleKnowsTheEnginesCommandsAndVariables)
{
    ZEConsole* console = m_pEngine->GetConsole();
    for (const char* command : {"exit", "load", "unload", "pause", "timefactor", "togglefs"})
        EXPECT_NE(console->GetCommand(ZEString(command)), nullptr) << command;
    for (const char* var : {"decaldist", "maxdecals", "dynlightdist", "shadowtype", "shadowdist", "coronadist",
                            "texdetail", "modeldetail", "modelshadowlod", "physicscycle"})
        EXPECT_NE(console->GetVar(ZEString(var)), nullptr) << var;

    console->PerformAction(ZEString("maxdecals"));
    EXPECT_STREQ(console->GetMessages()->m_Text.CStr(), "maxdecals currently is \"100\"");
    console->PerformAction(ZEString("decaldist"));
    EXPECT_STREQ(console->GetMessages()->m_Text.CStr(), "decaldist currently is \"320.000000\"");
    console->PerformAction(ZEString("set shadowtype 3"));
    EXPECT_EQ(m_pEngine->m_ShadowMethod, 3u);
}

TEST_F(EngineTest, TheSimulationRunsBetweenTheUpdatesAndBeforeAnythingIsDrawn)
{
    JournalObject* car = AddLoggedObject("car");
    car->m_bStatic = false;
    m_pRenderer->Clear();
    m_App.Frame(20);
    EXPECT_EQ(CallbackLog(), (std::vector<std::string>{
                                 "net:Idle", "input:Update", "app:Update1 20",
                                 "car.Animate(15)", "car.Gravity", "car.Update(15)",
                                 "car.Animate(5)", "car.Gravity", "car.Update(5)",
                                 "app:Update2 20", "car.Render", "app:Render"}));
}

TEST_F(EngineTest, WithDrawingOffAFrameSimulatesAndDrawsNothing)
{
    JournalObject* car = AddLoggedObject("car");
    car->m_bStatic = false;
    m_pEngine->AddParticleSystem(new JournalParticles(m_pRenderer->m_Log));
    m_pEngine->m_bDrawing = false;
    m_pRenderer->Clear();
    m_App.Frame(20);
    // Not a single renderer call, and the particles are not animated: they
    // are only ever drawn.
    EXPECT_EQ(m_pRenderer->m_Log, (std::vector<std::string>{
                                      "net:Idle", "input:Update", "app:Update1 20",
                                      "car.Animate(15)", "car.Gravity", "car.Update(15)",
                                      "car.Animate(5)", "car.Gravity", "car.Update(5)",
                                      "app:Update2 20"}));

    m_pEngine->m_bDrawing = true;
    m_App.Frame(20);
    EXPECT_EQ(m_pRenderer->Count("particles.Animate"), 1u);
}

TEST_F(EngineTest, DecalsFartherThanTheDecalDistanceAreNotDrawn)
{
    ZECamera& camera = m_pRenderer->m_Camera;
    JournalDecal* near = new JournalDecal(m_pRenderer->m_Log);
    near->m_Position = camera.m_vPosition + ZEVector(0, 0, 320);
    JournalDecal* far = new JournalDecal(m_pRenderer->m_Log);
    far->m_Position = camera.m_vPosition + ZEVector(0, 0, 321);
    m_pEngine->AddDecal(near);
    m_pEngine->AddDecal(far);

    m_pRenderer->Clear();
    m_pEngine->RenderDecals(&camera);
    EXPECT_EQ(m_pRenderer->Count("decal.Render"), 1u);

    m_pEngine->m_fDecalDist = 330.0f;
    m_pRenderer->Clear();
    m_pEngine->RenderDecals(&camera);
    EXPECT_EQ(m_pRenderer->Count("decal.Render"), 2u);
}

TEST_F(EngineTest, TheWorldIsDrawnPassByPass)
{
    TestTerrain* terrain = new TestTerrain(&m_pRenderer->m_Log);
    terrain->m_pSkyBox = new JournalSky(m_pRenderer->m_Log);
    m_pEngine->SetTerrain(terrain);
    AddLoggedObject("a");
    AddLoggedObject("glass")->m_bSecondPass = true;
    m_pEngine->AddDecal(new JournalDecal(m_pRenderer->m_Log));
    m_pEngine->AddParticleSystem(new JournalParticles(m_pRenderer->m_Log));
    m_pEngine->m_ShadowMethod = static_cast<ZEShadowMethod>(1);
    ZELight* light = new ZELight(ZEVector(0, 0, 10), 1.0f, 100.0f, true, 0);
    light->m_lType = ZE_LIGHT_DYNAMIC_POINT;
    m_pEngine->AddLightToWorld(light);

    m_pRenderer->Clear();
    m_pEngine->RenderWorld(&m_pRenderer->m_Camera);
    EXPECT_EQ(CallbackLog(), (std::vector<std::string>{
                            "sky.Render", "terrain.Render", "a.Render", "decal.Render", "particles.Render",
                            "a.RenderShadow", "glass.RenderShadow", "glass.Render",
                            "terrain.RenderDynamicLight", "a.RenderDynamicLight", "glass.RenderDynamicLight"}));

    // A terrain with see-through parts is drawn after the particles.
    terrain->m_bSecondPass = true;
    m_pRenderer->Clear();
    m_pEngine->RenderWorld(&m_pRenderer->m_Camera);
    EXPECT_EQ(CallbackLog(), (std::vector<std::string>{
                            "sky.Render", "a.Render", "decal.Render", "particles.Render", "terrain.Render",
                            "a.RenderShadow", "glass.RenderShadow", "glass.Render",
                            "terrain.RenderDynamicLight", "a.RenderDynamicLight", "glass.RenderDynamicLight"}));
}

TEST_F(EngineTest, TheDepthBufferIsClearedBetweenTheSkyBoxAndTheTerrain)
{
    TestTerrain* terrain = new TestTerrain(&m_pRenderer->m_Log);
    terrain->m_pSkyBox = new JournalSky(m_pRenderer->m_Log);
    m_pEngine->SetTerrain(terrain);
    auto skyAndTerrain = [this] {
        std::vector<std::string> lines;
        for (const std::string& line : m_pRenderer->m_Log)
            if (line == "sky.Render" || line == "ClearZBuffer" || line == "terrain.Render")
                lines.push_back(line);
        return lines;
    };

    m_pRenderer->Clear();
    m_pEngine->RenderWorld(&m_pRenderer->m_Camera);
    EXPECT_EQ(skyAndTerrain(), (std::vector<std::string>{"sky.Render", "ClearZBuffer", "terrain.Render"}));

    // Without a sky box the depth buffer is left as the frame cleared it.
    delete terrain->m_pSkyBox;
    terrain->m_pSkyBox = nullptr;
    m_pRenderer->Clear();
    m_pEngine->RenderWorld(&m_pRenderer->m_Camera);
    EXPECT_EQ(skyAndTerrain(), std::vector<std::string>{"terrain.Render"});
}

TEST(EngineFrame, TheListenerFollowsACameraPlacedInUpdate2InTheSameFrame)
{
    CameraApplication app;
    app.Initialize();
    app.m_vCamera = ZEVector(0, 0, 0);
    app.Frame(10);
    app.m_vCamera = ZEVector(3, 0, 4);
    app.Frame(100);
    EXPECT_EQ(app.Sound()->m_vListenerPosition, ZEVector(3, 0, 4));
    EXPECT_FLOAT_EQ(app.Sound()->m_vListenerVelocity.GetLength(), 50.0f);
    app.Exit();
}

// --- Removal during a pass -------------------------------------------------------------

namespace
{
// One of four moving balls on one spot, so every pair touches. At its
// cue - a callback's first call - it removes itself, deletes itself or
// deletes the object after it. Contacts are noted by the partner's name,
// looked up without touching the partner, which may be gone.
class Mortal : public ZEEngineObject
{
public:
    Mortal(std::vector<std::string>& journal, std::map<const ZEEngineObject*, std::string>& names, const char* name)
        : m_Journal(journal), m_Names(names), m_Name(name)
    {
        m_bStatic = false;
        m_pBoundingVolume = new ZEBoundingSphere(ZEVector(), 1.0f);
        names[this] = name;
    }
    ~Mortal() override { m_Names.erase(this); }

    void Animate(uint32_t, ZEEngine*) override { Note("Animate"); }
    void Update(uint32_t, ZEEngine*) override { Note("Update"); }
    void OnClip(ZEEngineObject* other) override { Note("OnClip(" + m_Names[other] + ")"); }
    void Render(ZERenderer*, ZECamera*) override { Note("Render"); }

    // The callback that gives the cue, and what follows it.
    std::string m_Cue;
    enum { REMOVE_SELF, DELETE_SELF, DELETE_NEXT } m_Act = REMOVE_SELF;
    Mortal* m_pNextOne = nullptr;
    bool m_bRemoved = false;

private:
    void Note(const std::string& what)
    {
        m_Journal.push_back(m_Name + "." + what);
        if (m_Cue.empty() || what.rfind(m_Cue, 0) != 0)
            return;
        m_Cue.clear();
        ZEEngine* engine = ZEEngine::ms_pEngine;
        if (m_Act == REMOVE_SELF)
        {
            engine->RemoveObjectFromWorld(this);
            m_bRemoved = true;
        }
        else if (m_Act == DELETE_NEXT)
        {
            delete m_pNextOne;
        }
        else
        {
            delete this;   // nothing of this object is touched after
        }
    }

    std::vector<std::string>& m_Journal;
    std::map<const ZEEngineObject*, std::string>& m_Names;
    std::string m_Name;
};
}

TEST_F(EngineTest, RemovingOrDeletingDuringAPassLeavesEveryOtherObjectItsCalls)
{
    struct Case
    {
        const char* m_Cue;
        int m_iAct;
    };
    const Case cases[] = {{"Animate", 0}, {"Update", 0}, {"OnClip", 0}, {"Render", 0},
                          {"Animate", 1}, {"OnClip", 1}, {"Update", 1}, {"Animate", 2}, {"OnClip", 2}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::string(c.m_Cue) + " act " + std::to_string(c.m_iAct));
        std::map<const ZEEngineObject*, std::string> names;
        m_Journal.clear();
        Mortal* a = new Mortal(m_Journal, names, "a");
        Mortal* b = new Mortal(m_Journal, names, "b");
        Mortal* c2 = new Mortal(m_Journal, names, "c");
        Mortal* d = new Mortal(m_Journal, names, "d");
        for (Mortal* m : {a, b, c2, d})
            m_pEngine->AddObjectToWorld(m);
        b->m_Cue = c.m_Cue;
        b->m_Act = static_cast<decltype(b->m_Act)>(c.m_iAct);
        b->m_pNextOne = c2;
        bool removed = c.m_iAct == 0;
        bool nextGone = c.m_iAct == 2;

        m_App.Frame(15);

        // The others: one call of each kind, and a contact with every other
        // survivor; c is spared unless it was the one deleted.
        std::vector<std::string> others = {"a", "d"};
        if (!nextGone)
            others.push_back("c");
        auto count = [this](const std::string& line) {
            return std::count(m_Journal.begin(), m_Journal.end(), line);
        };
        for (const std::string& o : others)
        {
            EXPECT_EQ(count(o + ".Animate"), 1) << o;
            EXPECT_EQ(count(o + ".Update"), 1) << o;
            EXPECT_EQ(count(o + ".Render"), 1) << o;
            for (const std::string& p : others)
            {
                if (p == o)
                    continue;
                EXPECT_GE(count(o + ".OnClip(" + p + ")"), 1) << o << " with " << p;
            }
        }
        if (removed)
        {
            EXPECT_FALSE(b->m_bInWorld);
            m_Journal.clear();
            m_App.Frame(15);
            EXPECT_EQ(std::count_if(m_Journal.begin(), m_Journal.end(),
                                    [](const std::string& l) { return l.rfind("b.", 0) == 0; }),
                      0)
                << "a removed object gets no calls";
            delete b;
        }
        m_pEngine->FreeAllObjectsInWorld();
    }
}

TEST_F(EngineTest, AnObjectAddedDuringAPassIsVisitedLaterInIt)
{
    JournalObject* a = AddObject("a");
    JournalObject* late = new JournalObject(m_Journal, "late");
    struct Adder : JournalObject
    {
        using JournalObject::JournalObject;
        void Animate(uint32_t step, ZEEngine* engine) override
        {
            JournalObject::Animate(step, engine);
            if (m_pLate)
                engine->AddObjectToWorld(m_pLate);
            m_pLate = nullptr;
        }
        JournalObject* m_pLate = nullptr;
    };
    Adder* adder = new Adder(m_Journal, "adder");
    adder->m_pLate = late;
    m_pEngine->AddObjectToWorld(adder);
    m_pEngine->UpdateWorld(15);
    (void)a;
    EXPECT_EQ(JournalOf("late.Animate"), (std::vector<std::string>{"late.Animate(15)"}));
    EXPECT_EQ(JournalOf("late.Update"), (std::vector<std::string>{"late.Update(15)"}));
}
