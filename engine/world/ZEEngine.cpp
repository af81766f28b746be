#include "world/ZEEngine.h"

#include "core/ZEApplication.h"
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZEInputDevices.h"
#include "core/ZENetworkManager.h"
#include "core/ZETimer.h"
#include "core/ZETranslator.h"
#include "math/ZEBoundingVolume.h"
#include "math/ZEPolygon.h"
#include "render/ZECamera.h"
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "render/ZEParticleSystem.h"
#include "render/ZERenderer.h"
#include "render/ZESkyBox.h"
#include "resources/ZEModelManager.h"
#include "resources/ZESoundManager.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngineObject.h"
#include "world/ZETerrain.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

ZEEngine* ZEEngine::ms_pEngine = nullptr;

namespace
{
// Walks an intrusive list to its tail link, so that new entries keep the
// list in insertion order.
template <class T>
T** TailLink(T** head)
{
    while (*head)
        head = &(*head)->m_pNext;
    return head;
}

// Unlinks `entry`; false when it is not in the list.
template <class T>
bool Unlink(T** head, T* entry)
{
    for (T** link = head; *link; link = &(*link)->m_pNext)
    {
        if (*link == entry)
        {
            *link = entry->m_pNext;
            entry->m_pNext = nullptr;
            return true;
        }
    }
    return false;
}

float Distance(const ZEVector& a, const ZEVector& b)
{
    return (a - b).GetLength();
}

// The console's "exit": the frame loop ends after the frame that runs it.
void RequestExit()
{
    if (ZEEngine::ms_pEngine)
        ZEEngine::ms_pEngine->ExitRequest();
}

void ReleaseUnusedTextures()
{
    if (ZETextureManager::ms_pTexManager)
        ZETextureManager::ms_pTexManager->ReleaseUnusedTextures();
}

// A broad-phase sphere: centre and reach (the radius, made a little larger
// so that rounding can never part two volumes the exact tests would find
// touching). A sphere that is not all finite numbers, or stands for an
// object without a volume, reaches infinitely far: it meets every other,
// and no NaN ever enters a comparison.
struct BroadSphere
{
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float m_fReach = INFINITY;
};

BroadSphere SphereOf(const ZEBoundingVolume* volume)
{
    BroadSphere sphere;
    if (!volume)
        return sphere;
    ZEVector center = volume->GetCenter();
    float reach = volume->GetBoundingRadius() * 1.001f + 0.0001f;
    // v - v is 0 for a finite v and NaN otherwise: one test for all four.
    float finite = (center.x - center.x) + (center.y - center.y) + (center.z - center.z) + (reach - reach);
    if (finite == 0.0f)
        sphere = BroadSphere{center.x, center.y, center.z, reach};
    return sphere;
}

bool Meet(const BroadSphere& a, const BroadSphere& b)
{
    float dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
    float reach = a.m_fReach + b.m_fReach;
    return dx * dx + dy * dy + dz * dz <= reach * reach;
}
}

// --- Passes over the objects ---------------------------------------------------

// Entries stay in world order: the pass appends an entry for each object
// that arrives and clears the entry of each one that leaves, so indices
// never move. The spheres lie in arrays of their own, one per coordinate,
// so the scans run over packed floats.
//
// Movers are the entries of objects that were moving when entered. Each
// has a guard: its sphere grown to twice its reach and one unit more. An entry is near when
// its sphere meets some guard; the near entries are listed in world order.
// While every mover's sphere stays inside its guard, an entry that is not
// near meets no mover, so a static receiver that is not near is offered
// nothing and a mover's turn looks only at the near list. When a mover
// leaves its guard, or an entry that was not near comes to meet a guard,
// the guards are set afresh and the near list is made again (its version
// counts how often, so a walk over it can find its place again).
//
// The outermost pass's table is kept for the next step while the world's
// version (Passes::m_ullVersion) stays the same: the next pass then only
// takes the movers' spheres and those whose volume pointer changed (see
// Refresh), instead of asking every object's volume again.
struct ZEEngine::CollisionTable
{
    struct Entry
    {
        ZEEngineObject* m_pObject = nullptr;           // null once it left the world
        const ZEBoundingVolume* m_pVolume = nullptr;   // the volume the sphere is of; null: none
        int32_t m_lMover = -1;                         // its place among the movers, or -1
    };
    // Spheres, one array per coordinate.
    struct Spheres
    {
        void Resize(size_t size) { x.resize(size), y.resize(size), z.resize(size), r.resize(size); }
        void Set(size_t i, const BroadSphere& s) { x[i] = s.x, y[i] = s.y, z[i] = s.z, r[i] = s.m_fReach; }
        BroadSphere Get(size_t i) const { return BroadSphere{x[i], y[i], z[i], r[i]}; }

        std::vector<float> x, y, z, r;
    };

    uint32_t Size() const { return static_cast<uint32_t>(m_Entries.size()); }
    // Brings the table kept from the last step up to date, when its objects
    // are still the world's in the same order: the movers' spheres and those
    // of entries whose volume pointer changed are taken afresh, the rest
    // are kept. False when some object turned moving or static, so that the
    // table must be filled afresh.
    bool Refresh()
    {
        bool regard = false;
        uint32_t count = Size();
        for (uint32_t i = 0; i < count; ++i)
        {
            Entry& entry = m_Entries[i];
            const ZEEngineObject* object = entry.m_pObject;
            bool mover = !object->m_bStatic;
            if (mover != (entry.m_lMover >= 0))
                return false;
            if (!mover && object->m_pBoundingVolume == entry.m_pVolume)
                continue;
            entry.m_pVolume = object->m_pBoundingVolume;
            BroadSphere sphere = SphereOf(entry.m_pVolume);
            m_Spheres.Set(i, sphere);
            regard = regard || (mover ? !Inside(sphere, m_Guards.Get(static_cast<size_t>(entry.m_lMover)))
                                      : !m_Near[i] && MeetsAGuard(sphere));
        }
        if (regard)
            GuardMovers();
        return true;
    }
    // Entries and spheres keep their size: Fill overwrites them whole.
    void Clear()
    {
        m_Movers.clear();
        m_Guards.Resize(0);
        m_Near.clear();
        m_NearList.clear();
    }
    // Enters `count` objects at once (null ones are left out).
    void Fill(ZEEngineObject* const* objects, size_t count)
    {
        size_t size = 0;
        for (size_t i = 0; i < count; ++i)
            size += objects[i] != nullptr;
        m_Entries.resize(size);
        m_Spheres.Resize(size);
        uint32_t index = 0;
        for (size_t i = 0; i < count; ++i)
            if (objects[i])
                Enter(index++, objects[i]);
        GuardMovers();
    }
    // An object arriving during the pass counts as near until the guards
    // are next set.
    void Add(ZEEngineObject* object)
    {
        m_Entries.emplace_back();
        m_Spheres.Resize(m_Entries.size());
        m_Near.push_back(1);
        m_NearList.push_back(Size() - 1);
        bool mover = Enter(Size() - 1, object);
        if (mover)
            GuardMovers();
    }
    // Takes the entry's sphere afresh from its object's volume, and keeps
    // the guards and the near list true.
    void Take(uint32_t index)
    {
        Entry& entry = m_Entries[index];
        entry.m_pVolume = entry.m_pObject ? entry.m_pObject->m_pBoundingVolume : nullptr;
        BroadSphere sphere = SphereOf(entry.m_pVolume);
        m_Spheres.Set(index, sphere);
        bool guarded = entry.m_lMover < 0 || Inside(sphere, m_Guards.Get(static_cast<size_t>(entry.m_lMover)));
        if (!guarded || (!m_Near[index] && MeetsAGuard(sphere)))
            GuardMovers();
    }
    void Leaving(ZEEngineObject* object)
    {
        for (Entry& entry : m_Entries)
            if (entry.m_pObject == object)
                entry.m_pObject = nullptr;
    }
    void Emptied()
    {
        for (Entry& entry : m_Entries)
            entry.m_pObject = nullptr;
    }
    bool Meet(uint32_t a, uint32_t b) const { return ::Meet(m_Spheres.Get(a), m_Spheres.Get(b)); }
    bool IsNear(uint32_t index) const { return m_Near[index] != 0; }
    // The first entry from `from` on whose sphere meets the receiver's
    // (the receiver's own included); Size() when there is none.
    uint32_t NextMeeting(uint32_t from, uint32_t receiver) const
    {
        BroadSphere mine = m_Spheres.Get(receiver);
        uint32_t count = Size();
        while (from < count && !::Meet(m_Spheres.Get(from), mine))
            ++from;
        return from;
    }
    // The place in the near list of the first entry from `index` on.
    size_t NearFrom(uint32_t index) const
    {
        return static_cast<size_t>(std::lower_bound(m_NearList.begin(), m_NearList.end(), index) -
                                   m_NearList.begin());
    }

    std::vector<Entry> m_Entries;
    Spheres m_Spheres;
    std::vector<uint32_t> m_Movers;   // the movers' entries, in world order
    Spheres m_Guards;                 // indexed like m_Movers
    std::vector<uint8_t> m_Near;      // indexed like the entries
    std::vector<uint32_t> m_NearList;
    uint32_t m_ulNearVersion = 0;
    // The world's version (Passes::m_ullVersion) the entries mirror, for a
    // table kept from the last step; 0 when it must be filled afresh.
    uint64_t m_ullWorldVersion = 0;

private:
    // True when the entry became a mover.
    bool Enter(uint32_t index, ZEEngineObject* object)
    {
        Entry& entry = m_Entries[index];
        entry.m_pObject = object;
        entry.m_lMover = -1;
        if (!object->m_bStatic)
        {
            entry.m_lMover = static_cast<int32_t>(m_Movers.size());
            m_Movers.push_back(index);
            m_Guards.Resize(m_Movers.size());
        }
        entry.m_pVolume = object->m_pBoundingVolume;
        m_Spheres.Set(index, SphereOf(entry.m_pVolume));
        return entry.m_lMover >= 0;
    }
    static BroadSphere Guard(const BroadSphere& sphere)
    {
        return BroadSphere{sphere.x, sphere.y, sphere.z, sphere.m_fReach * 2.0f + 1.0f};
    }
    // Whether `sphere` lies inside `guard` (everything lies inside a guard
    // of infinite reach).
    static bool Inside(const BroadSphere& sphere, const BroadSphere& guard)
    {
        if (guard.m_fReach == INFINITY)
            return true;
        float dx = sphere.x - guard.x, dy = sphere.y - guard.y, dz = sphere.z - guard.z;
        float room = guard.m_fReach - sphere.m_fReach;
        return room >= 0.0f && dx * dx + dy * dy + dz * dz <= room * room;
    }
    bool MeetsAGuard(const BroadSphere& sphere) const
    {
        for (size_t k = 0; k < m_Movers.size(); ++k)
            if (::Meet(sphere, m_Guards.Get(k)))
                return true;
        return false;
    }
    // Sets every guard around its mover's sphere and finds the near entries
    // afresh.
    void GuardMovers()
    {
        size_t count = m_Entries.size();
        m_Near.resize(count);
        for (size_t k = 0; k < m_Movers.size(); ++k)
            m_Guards.Set(k, Guard(m_Spheres.Get(m_Movers[k])));
        for (size_t i = 0; i < count; ++i)
            m_Near[i] = 0;
        for (size_t k = 0; k < m_Movers.size(); ++k)
            MarkNear(m_Guards.Get(k));
        m_NearList.clear();
        for (size_t i = 0; i < count; ++i)
            if (m_Near[i])
                m_NearList.push_back(static_cast<uint32_t>(i));
        ++m_ulNearVersion;
    }
    // A loop without branches, which the compiler turns into vector code.
    void MarkNear(const BroadSphere& guard)
    {
        const float *x = m_Spheres.x.data(), *y = m_Spheres.y.data(), *z = m_Spheres.z.data();
        const float* r = m_Spheres.r.data();
        uint8_t* near = m_Near.data();
        size_t count = m_Entries.size();
        for (size_t i = 0; i < count; ++i)
        {
            float dx = x[i] - guard.x, dy = y[i] - guard.y, dz = z[i] - guard.z;
            float reach = r[i] + guard.m_fReach;
            near[i] |= static_cast<uint8_t>(dx * dx + dy * dy + dz * dz <= reach * reach);
        }
    }
};

// The roster mirrors the object list in an array, so a pass reaches each
// object by index instead of chasing list links, and so removal during a
// pass only clears a slot: indices never move while any pass runs, and an
// object added during a pass takes a new slot at the end. Cleared slots
// are squeezed out when the next outermost pass begins.
struct ZEEngine::Passes
{
    ~Passes()
    {
        for (CollisionTable* table : m_Tables)
            delete table;
    }

    void Leaving(ZEEngineObject* object)
    {
        ++m_ullVersion;
        for (size_t i = 0; i < m_Roster.size(); ++i)
        {
            if (m_Roster[i] != object)
                continue;
            if (m_ulRunning)
            {
                m_Roster[i] = nullptr;
                ++m_ulHoles;
            }
            else
            {
                m_Roster.erase(m_Roster.begin() + static_cast<std::ptrdiff_t>(i));
            }
            break;
        }
        for (size_t i = 0; i < m_ulTablesRunning; ++i)
            m_Tables[i]->Leaving(object);
    }
    void Arrived(ZEEngineObject* object)
    {
        ++m_ullVersion;
        m_Roster.push_back(object);
        for (size_t i = 0; i < m_ulTablesRunning; ++i)
            m_Tables[i]->Add(object);
    }
    void Emptied()
    {
        ++m_ullVersion;
        if (m_ulRunning)
        {
            std::fill(m_Roster.begin(), m_Roster.end(), nullptr);
            m_ulHoles = m_Roster.size();
        }
        else
        {
            m_Roster.clear();
        }
        for (size_t i = 0; i < m_ulTablesRunning; ++i)
            m_Tables[i]->Emptied();
    }
    void Squeeze()
    {
        if (m_ulHoles)
            m_Roster.erase(std::remove(m_Roster.begin(), m_Roster.end(), nullptr), m_Roster.end());
        m_ulHoles = 0;
    }

    std::vector<ZEEngineObject*> m_Roster;
    // Cleared slots not yet squeezed out.
    size_t m_ulHoles = 0;
    // Running passes over the roster.
    uint32_t m_ulRunning = 0;
    // Collision tables: the first m_ulTablesRunning belong to the running
    // collision passes, innermost last; the rest wait for the next step,
    // so steps allocate nothing.
    std::vector<CollisionTable*> m_Tables;
    size_t m_ulTablesRunning = 0;
    // Counts the changes that a collision table kept from step to step
    // cannot follow: objects arriving or leaving, an object's word that its
    // static volume changed, a collision pass run inside another.
    uint64_t m_ullVersion = 1;
};

// One pass over the objects in world order: slot i holds an object, or
// null when that object has left the world during the pass.
class ZEEngine::ObjectPass
{
public:
    explicit ObjectPass(ZEEngine& engine) : m_Passes(*engine.m_pPasses)
    {
        if (m_Passes.m_ulRunning++ == 0)
            m_Passes.Squeeze();
    }
    ~ObjectPass() { --m_Passes.m_ulRunning; }
    ObjectPass(const ObjectPass&) = delete;
    ObjectPass& operator=(const ObjectPass&) = delete;

    // Read afresh on every turn: callbacks may add objects.
    size_t Size() const { return m_Passes.m_Roster.size(); }
    ZEEngineObject* operator[](size_t i) const { return m_Passes.m_Roster[i]; }
    ZEEngineObject* const* Objects() const { return m_Passes.m_Roster.data(); }

private:
    Passes& m_Passes;
};

// --- Life --------------------------------------------------------------------

ZEEngine::ZEEngine(ZERenderer* renderer, ZESoundDevice* soundDevice, ZECDPlayer* cdPlayer,
                   ZEInputDevices* inputDevices, ZETimer* timer, ZENetworkManager* networkManager)
    : m_pApp(ZEApplication::ms_pApp),
      m_pRenderer(renderer),
      m_pInputDevices(inputDevices),
      m_pTimer(timer),
      m_pNetworkManager(networkManager),
      m_pSoundDevice(soundDevice),
      m_pCDPlayer(cdPlayer)
{
    ms_pEngine = this;
    m_pPasses = new Passes();

    m_pTextureManager = new ZETextureManager();
    m_pModelManager = new ZEModelManager();
    m_pSoundManager = new ZESoundManager();
    m_pFileManager = new ZEFileManager();
    m_pTranslator = new ZETranslator();

    m_pTextureManager->SetTextureDirectory(ZEString("textures/"));
    m_pModelManager->SetModelDirectory(ZEString("models/"));
    m_pSoundManager->SetSoundDirectory(ZEString("sounds/"));
    m_pFileManager->SetMainDirectory(ZEString("main/"));
    if (!m_pFileManager->AddArchive(ZEString("Zervane.dat")))
        ZEConsole::Post("engine", ZEString("the engine package main/Zervane.dat is missing or damaged"),
                        ZE_MSG_ERROR);

    if (m_pRenderer)
        m_pRenderer->m_bLightmaps = true;
    m_pTextureManager->RestoreTextures();

    m_pConsole = new ZEConsole();
    RegisterConsoleEntries();
    m_ulLastTime = m_pTimer ? m_pTimer->GetTime() : 0;

    // Colour-keyed like the font: the arrow's surroundings are black, which
    // must become transparent, or the blended cursor shows as a square.
    const uint8_t black[3] = {0, 0, 0};
    m_pCursor = m_pTextureManager->GetTexture(ZEString("cursor01"), ZEString("Engine"), false, black);
}

ZEEngine::~ZEEngine()
{
    // The world first: its objects hold references into the managers.
    FreeWorld();
    delete m_pCursor;
    delete m_pFakeShadow1;
    delete m_pFakeShadow2;
    m_pCursor = m_pFakeShadow1 = m_pFakeShadow2 = nullptr;

    delete m_pTextureManager;
    delete m_pModelManager;
    delete m_pSoundManager;
    delete m_pFileManager;
    delete m_pConsole;
    delete m_pTranslator;
    delete m_pPasses;
    if (ms_pEngine == this)
        ms_pEngine = nullptr;
}

void ZEEngine::RegisterConsoleEntries()
{
    ZEConsole& console = *m_pConsole;
    console.RegisterCommand(ZEString("exit"), &RequestExit);
    console.RegisterAppPCommand(ZEString("load"), &ZEApplication::LoadBSPFile);
    console.RegisterAppCommand(ZEString("unload"), &ZEApplication::UnloadBSPFile);
    console.RegisterAppCommand(ZEString("pause"), &ZEApplication::Pause);
    console.RegisterAppPCommand(ZEString("timefactor"), &ZEApplication::SetTimeFactor);
    console.RegisterAppCommand(ZEString("togglefs"), &ZEApplication::ToggleFullscreen);
    console.RegisterFloatVar(ZEString("decaldist"), &m_fDecalDist);
    console.RegisterUIntVar(ZEString("maxdecals"), &m_ulMaxDecals);
    console.RegisterFloatVar(ZEString("dynlightdist"), &m_fDynLightDist);
    static_assert(sizeof(ZEShadowMethod) == sizeof(int32_t), "shadowtype is edited as a 32-bit integer");
    console.RegisterIntVar(ZEString("shadowtype"), reinterpret_cast<int32_t*>(&m_ShadowMethod));
    console.RegisterFloatVar(ZEString("shadowdist"), &m_fShadowDist);
    console.RegisterFloatVar(ZEString("coronadist"), &m_fCoronaDist);
    console.RegisterIntVar(ZEString("texdetail"), &m_lTexDetail);
    console.RegisterIntVar(ZEString("modeldetail"), &m_lModelDetail);
    console.RegisterIntVar(ZEString("modelshadowlod"), &m_lModelShadowLOD);
    console.RegisterUIntVar(ZEString("physicscycle"), &m_ulPhysicsCycle);
}

void ZEEngine::Initialize()
{
    if (ZEInputDevices::ms_pInputDevices)
        ZEInputDevices::ms_pInputDevices->SetEnginePointer(this);
}

// --- The frame -----------------------------------------------------------------

void ZEEngine::Idle()
{
    ZEVector previousPosition = m_pRenderer ? m_pRenderer->m_Camera.m_vPosition : ZEVector();

    if (m_pNetworkManager)
        m_pNetworkManager->Idle();
    if (m_pInputDevices)
        m_pInputDevices->Update();
    if (m_bDrawing && m_pRenderer)
        m_pRenderer->ClearBuffers();
    RemoveOldDecals();
    if (m_bDrawing && m_pRenderer)
        m_pTextureManager->UpdateAnimatedTextures();

    uint32_t now = m_pTimer->GetTime();
    uint32_t elapsed = now - m_ulLastTime;
    m_pApp->Update1(elapsed);
    UpdateWorld(elapsed);
    m_ulLastTime = now;
    m_pApp->Update2(elapsed);

    UpdateListener(previousPosition, elapsed);
    if (m_bDrawing && m_pRenderer)
        DrawFrame(elapsed);
    AdvanceAnimations();
}

void ZEEngine::AdvanceAnimations()
{
    // A model's clock never reaches the world, so the roster stays as it
    // is during this pass.
    ObjectPass pass(*this);
    ZEEngineObject* const* objects = pass.Objects();
    size_t count = pass.Size();
    for (size_t i = 0; i < count; ++i)
        if (objects[i] && objects[i]->m_pModel && objects[i]->m_pModel->m_bAnimating)
            objects[i]->m_pModel->AdvanceAnimation();
}

void ZEEngine::DrawFrame(uint32_t elapsed)
{
    m_pRenderer->RestoreWorld();
    if (m_pTerrain)
        m_pTerrain->Animate(elapsed, this);
    RenderWorld(&m_pRenderer->m_Camera);

    m_pApp->Render();
    m_pConsole->Render(m_pRenderer);
    RenderCursor();
    m_pRenderer->DisplayBackBuffer();
}

void ZEEngine::RenderWorld(ZECamera* camera)
{
    if (m_pTerrain)
    {
        if (m_pTerrain->m_pSkyBox)
        {
            m_pTerrain->m_pSkyBox->Render(m_pRenderer, camera);
            m_pRenderer->ClearZBuffer();
        }
        if (!m_pTerrain->m_bSecondPass)
            m_pTerrain->Render(m_pRenderer, camera);
    }
    RenderObjects(false);
    if (m_bDecals)
        RenderDecals(camera);
    RenderParticleSystems(camera);
    if (m_pTerrain && m_pTerrain->m_bSecondPass)
        m_pTerrain->Render(m_pRenderer, camera);
    if (m_ShadowMethod != ZE_SHADOW_NONE)
        RenderShadows(camera);
    RenderObjects(true);
    if (m_bDynamicLights)
        RenderDynamicLights(camera);
    if (m_bReflections)
        RenderReflections(camera);
}

void ZEEngine::RenderCursor()
{
    if (!m_bShowCursor || !m_pInputDevices)
        return;
    uint32_t x = 0, y = 0;
    m_pInputDevices->GetCursorPos(x, y);
    int32_t left = static_cast<int32_t>(x), top = static_cast<int32_t>(y);
    m_pRenderer->EnableBlending();
    m_pRenderer->SetBlendingState(4, 5);
    m_pRenderer->SetAmbient4(m_aucCursorColor);
    m_pRenderer->SetTexture(m_pCursor);
    m_pRenderer->DrawRectangle(left, top, left + 32, top + 32);
    m_pRenderer->DisableBlending();
}

void ZEEngine::UpdateListener(const ZEVector& previousPosition, uint32_t elapsed)
{
    if (!m_pSoundManager)
        return;
    // A still camera (or none) leaves the listener alone, but finished
    // sounds are cleaned up and repeats restarted every frame all the same.
    if (!m_pRenderer || m_pRenderer->m_Camera.m_vPosition == previousPosition)
    {
        m_pSoundManager->Update();
        return;
    }
    // A move without game time (paused, or a frame under a millisecond)
    // has no meaningful velocity.
    const ZECamera& camera = m_pRenderer->m_Camera;
    ZEVector velocity;
    if (elapsed > 0)
        velocity = (camera.m_vPosition - previousPosition) * (1.0f / (elapsed / 1000.0f));
    ZEVector position = camera.m_vPosition, forward = camera.m_vForward, up = camera.m_vUp;
    m_pSoundManager->SetListener(position, forward, up, velocity);
}

// --- Simulation ------------------------------------------------------------------

void ZEEngine::UpdateWorld(uint32_t elapsed)
{
    // A cycle of 0 would never finish a frame.
    uint32_t cycle = m_ulPhysicsCycle ? m_ulPhysicsCycle : 1;
    uint32_t step = elapsed < cycle ? elapsed : cycle;
    uint32_t remaining = elapsed;
    while (remaining > 0)
    {
        if (remaining < step)
        {
            step = remaining;
            remaining = 0;
        }
        else
        {
            remaining -= step;
        }
        SimulateStep(step);
    }

    for (ZELight* light = m_pLights; light; light = light->m_pNext)
        light->Animate(elapsed);
    if (m_bDrawing && m_pRenderer)
        AnimateParticleSystems(&m_pRenderer->m_Camera);
}

void ZEEngine::SimulateStep(uint32_t step)
{
    // Each pass re-reads the list and the flags: a callback may change an
    // object's flags or hand new objects to the world.
    {
        ObjectPass pass(*this);
        for (size_t i = 0; i < pass.Size(); ++i)
            if (ZEEngineObject* object = pass[i])
                object->Animate(step, this);
    }
    CollideObjects(step);
    ObjectPass pass(*this);
    for (size_t i = 0; i < pass.Size(); ++i)
        if (ZEEngineObject* object = pass[i])
            object->Update(step, this);
}

void ZEEngine::CollideObjects(uint32_t step)
{
    ObjectPass pass(*this);
    CollisionTable* table = BeginCollisionPass(pass);
    uint64_t version = m_pPasses->m_ullVersion;
    for (uint32_t i = 0; i < table->Size(); ++i)
    {
        ZEEngineObject* object = table->m_Entries[i].m_pObject;
        if (!object)
            continue;
        object->ApplyGravity(m_fGravity);
        if (table->m_Entries[i].m_pObject != object || !object->m_bCollision)
            continue;
        // Most static objects lie far from everything moving.
        bool terrain = m_pTerrain && !(m_pTerrain->m_bStatic && object->m_bStatic);
        if (!object->m_bStatic || terrain || table->IsNear(i))
            TellAboutCollisions(step, *table, i);
    }
    // Only a table that mirrors the world as it now stands is kept.
    if (m_pPasses->m_ullVersion != version)
        table->m_ullWorldVersion = 0;
    --m_pPasses->m_ulTablesRunning;
}

ZEEngine::CollisionTable* ZEEngine::BeginCollisionPass(const ObjectPass& pass)
{
    std::vector<CollisionTable*>& tables = m_pPasses->m_Tables;
    if (m_pPasses->m_ulTablesRunning == tables.size())
        tables.push_back(new CollisionTable());
    CollisionTable* table = tables[m_pPasses->m_ulTablesRunning++];
    // A pass inside another may move what the outer tables keep; only the
    // outermost table is ever kept.
    bool nested = m_pPasses->m_ulTablesRunning > 1;
    if (nested)
        ++m_pPasses->m_ullVersion;
    bool kept = !nested && table->m_ullWorldVersion == m_pPasses->m_ullVersion && table->Refresh();
    if (!kept)
    {
        table->Clear();
        table->Fill(pass.Objects(), pass.Size());
    }
    table->m_ullWorldVersion = nested ? 0 : m_pPasses->m_ullVersion;
    return table;
}

void ZEEngine::TellAboutCollisions(uint32_t step, CollisionTable& table, uint32_t receiver)
{
    ZEEngineObject* object = table.m_Entries[receiver].m_pObject;
    if (!object->m_bStatic)
        table.Take(receiver);
    if (m_pTerrain && !(m_pTerrain->m_bStatic && object->m_bStatic))
    {
        m_pTerrain->Influence(step, object);
        if (table.m_Entries[receiver].m_pObject != object)
            return;
        table.Take(receiver);
    }
    // Indices, not references: an offer may add entries and movers.
    if (object->m_bStatic)
    {
        if (!table.IsNear(receiver))
            return;
        for (size_t k = 0; k < table.m_Movers.size(); ++k)
        {
            uint32_t other = table.m_Movers[k];
            if (other != receiver && table.Meet(other, receiver) && !Offer(step, table, other, receiver))
                return;
        }
        return;
    }
    if (table.m_Entries[receiver].m_lMover >= 0)
    {
        OfferNear(step, table, receiver);
        return;
    }
    // Moving only since the pass began: no guard holds it.
    for (uint32_t other = table.NextMeeting(0, receiver); other < table.Size();
         other = table.NextMeeting(other + 1, receiver))
        if (other != receiver && !Offer(step, table, other, receiver))
            return;
}

void ZEEngine::OfferNear(uint32_t step, CollisionTable& table, uint32_t receiver)
{
    size_t k = 0;
    while (k < table.m_NearList.size())
    {
        uint32_t other = table.m_NearList[k];
        if (other == receiver || !table.Meet(other, receiver))
        {
            ++k;
            continue;
        }
        uint32_t version = table.m_ulNearVersion;
        if (!Offer(step, table, other, receiver))
            return;
        k = version == table.m_ulNearVersion ? k + 1 : table.NearFrom(other + 1);
    }
}

bool ZEEngine::Offer(uint32_t step, CollisionTable& table, uint32_t other, uint32_t receiver)
{
    ZEEngineObject* giver = table.m_Entries[other].m_pObject;
    ZEEngineObject* taker = table.m_Entries[receiver].m_pObject;
    if (!giver)
        return true;
    if (!giver->m_bCollision || !taker->m_bCollision || (giver->m_bStatic && taker->m_bStatic))
        return true;
    giver->Influence(step, taker);
    if (table.m_Entries[other].m_pObject == giver)
        table.Take(other);
    if (table.m_Entries[receiver].m_pObject != taker)
        return false;
    table.Take(receiver);
    return true;
}

// --- Input -------------------------------------------------------------------------

void ZEEngine::KeyDown(uint32_t key)
{
    if (m_pConsole->GetState() != ZE_CONSOLE_CLOSED)
        m_pConsole->KeyDown(key);
    else
        m_pApp->KeyDown(key);
}

void ZEEngine::KeyUp(uint32_t key)
{
    if (m_pConsole->GetState() == ZE_CONSOLE_CLOSED)
        m_pApp->KeyUp(key);
}

void ZEEngine::MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char buttons)
{
    if (m_pConsole->GetState() == ZE_CONSOLE_CLOSED)
        m_pApp->MouseMovement(x, y, dx, dy, buttons);
}

void ZEEngine::JoystickMovement(int32_t x, int32_t y, int32_t z)
{
    if (m_pConsole->GetState() == ZE_CONSOLE_CLOSED)
        m_pApp->JoystickMovement(x, y, z);
}

// --- The world's contents -----------------------------------------------------------

void ZEEngine::SetTerrain(ZETerrain* terrain)
{
    if (terrain == m_pTerrain)
        return;
    delete m_pTerrain;
    m_pTerrain = nullptr;
    ReleaseUnusedTextures();
    m_pTerrain = terrain;
}

void ZEEngine::FreeWorld()
{
    delete m_pTerrain;
    m_pTerrain = nullptr;
    FreeAllObjectsInWorld();
    FreeAllLightsInWorld();
    FreeAllParticleSystems();
    FreeAllDecals();
}

void ZEEngine::AddObjectToWorld(ZEEngineObject* object)
{
    if (!object || object->m_bInWorld)
        return;
    object->m_pNext = nullptr;
    *TailLink(&m_pObjects) = object;
    object->m_bInWorld = true;
    m_pPasses->Arrived(object);
}

void ZEEngine::RemoveObjectFromWorld(ZEEngineObject* object)
{
    if (object && Unlink(&m_pObjects, object))
    {
        m_pPasses->Leaving(object);
        object->m_bInWorld = false;
    }
    if (m_pModelManager)
        m_pModelManager->FreeUnusedModels();
    ReleaseUnusedTextures();
}

void ZEEngine::VolumeChanged(ZEEngineObject* object)
{
    if (object && object->m_bInWorld)
        ++m_pPasses->m_ullVersion;
}

void ZEEngine::FreeAllObjectsInWorld()
{
    m_pPasses->Emptied();
    while (m_pObjects)
    {
        ZEEngineObject* object = m_pObjects;
        m_pObjects = object->m_pNext;
        object->m_pNext = nullptr;
        object->m_bInWorld = false;
        delete object;
    }
}

void ZEEngine::AddLightToWorld(ZELight* light)
{
    if (!light || light->m_bInWorld)
        return;
    light->m_pNext = nullptr;
    *TailLink(&m_pLights) = light;
    light->m_bInWorld = true;
}

void ZEEngine::RemoveLightFromWorld(ZELight* light)
{
    if (light && Unlink(&m_pLights, light))
        light->m_bInWorld = false;
    ReleaseUnusedTextures();
}

void ZEEngine::FreeAllLightsInWorld()
{
    while (m_pLights)
    {
        ZELight* light = m_pLights;
        m_pLights = light->m_pNext;
        light->m_pNext = nullptr;
        light->m_bInWorld = false;
        delete light;
    }
}

void ZEEngine::AddParticleSystem(ZEParticleSystem* system)
{
    if (!system)
        return;
    system->m_pNext = nullptr;
    *TailLink(&m_pParticleSystems) = system;
}

void ZEEngine::RemoveParticleSystem(ZEParticleSystem* system)
{
    if (system && Unlink(&m_pParticleSystems, system))
        delete system;
    ReleaseUnusedTextures();
}

void ZEEngine::FreeAllParticleSystems()
{
    while (m_pParticleSystems)
    {
        ZEParticleSystem* system = m_pParticleSystems;
        m_pParticleSystems = system->m_pNext;
        delete system;
    }
}

void ZEEngine::AnimateParticleSystems(ZECamera* camera)
{
    for (ZEParticleSystem* system = m_pParticleSystems; system; system = system->m_pNext)
        system->Animate(camera);
}

void ZEEngine::RenderParticleSystems(ZECamera* camera)
{
    for (ZEParticleSystem* system = m_pParticleSystems; system; system = system->m_pNext)
        system->Render(m_pRenderer, camera);
}

// --- Decals --------------------------------------------------------------------------

void ZEEngine::AddDecal(ZEDecal* chain)
{
    if (!m_bDecals)
    {
        while (chain)
        {
            ZEDecal* next = chain->m_pNext;
            delete chain;
            chain = next;
        }
        return;
    }

    uint32_t count = 0;
    for (ZEDecal* decal = chain; decal; decal = decal->m_pNext)
        ++count;
    *TailLink(&m_pDecals) = chain;
    m_ulNumDecals += count;

    if (m_ulMaxDecals == 0)
        return;
    while (m_ulNumDecals > m_ulMaxDecals && m_pDecals)
    {
        ZEDecal* oldest = m_pDecals;
        m_pDecals = oldest->m_pNext;
        delete oldest;
        --m_ulNumDecals;
    }
}

void ZEEngine::RemoveOldDecals()
{
    uint32_t now = m_pTimer->GetTime();
    ZEDecal** link = &m_pDecals;
    while (*link)
    {
        ZEDecal* decal = *link;
        // Measured by unsigned difference so that the clock's wrap never
        // expires a decal early.
        if (now - decal->m_ulCreationTime > decal->m_ulLifetime)
        {
            *link = decal->m_pNext;
            delete decal;
            --m_ulNumDecals;
        }
        else
        {
            link = &decal->m_pNext;
        }
    }
}

void ZEEngine::RenderDecals(ZECamera* camera)
{
    m_pRenderer->EnableDecaling();
    for (ZEDecal* decal = m_pDecals; decal; decal = decal->m_pNext)
    {
        if (decal->m_bUseSphere && camera->Culled(&decal->m_BoundingSphere))
            continue;
        if (Distance(decal->m_Position, camera->m_vPosition) <= m_fDecalDist)
            decal->Render(m_pRenderer, camera);
    }
    m_pRenderer->DisableDecaling();
}

void ZEEngine::FreeAllDecals()
{
    while (m_pDecals)
    {
        ZEDecal* decal = m_pDecals;
        m_pDecals = decal->m_pNext;
        delete decal;
    }
    m_ulNumDecals = 0;
}

// --- Render passes ------------------------------------------------------------------

void ZEEngine::RenderObjects(bool secondPass)
{
    ZECamera* camera = &m_pRenderer->m_Camera;
    ObjectPass pass(*this);
    for (size_t i = 0; i < pass.Size(); ++i)
        if (ZEEngineObject* object = pass[i])
            if (object->m_bSecondPass == secondPass)
                object->Render(m_pRenderer, camera);
}

void ZEEngine::RenderShadows(ZECamera* camera)
{
    ObjectPass pass(*this);
    for (size_t i = 0; i < pass.Size(); ++i)
    {
        ZEEngineObject* object = pass[i];
        if (object && Distance(object->m_vPosition, camera->m_vPosition) <= m_fShadowDist)
            object->RenderShadow(m_pRenderer, camera, m_pLights, m_ShadowMethod, m_bShadowsFromAllLights);
    }
}

void ZEEngine::RenderDynamicLights(ZECamera* camera)
{
    m_pRenderer->EnableDecaling();
    m_pRenderer->EnableBlending();
    m_pRenderer->SetBlendingState(4, 1);
    for (ZELight* light = m_pLights; light; light = light->m_pNext)
    {
        bool dynamic = light->m_lType == 4 || light->m_lType == 5;
        if (!dynamic || Distance(light->m_vPosition, camera->m_vPosition) > m_fDynLightDist ||
            camera->Culled(&light->m_BoundingSphere))
            continue;
        m_pRenderer->SetTexture(light->m_pTexture);
        if (m_pTerrain)
            m_pTerrain->RenderDynamicLight(light, camera);
        ObjectPass pass(*this);
        for (size_t i = 0; i < pass.Size(); ++i)
            if (ZEEngineObject* object = pass[i])
                object->RenderDynamicLight(light, camera);
    }
    m_pRenderer->DisableBlending();
    m_pRenderer->DisableDecaling();
}

void ZEEngine::RenderReflections(ZECamera* camera)
{
    if (!camera || !m_pRenderer)
        return;
    uint32_t now = m_pTimer ? m_pTimer->GetTime() : 0;
    uint16_t depth = m_pRenderer->m_usZBufferComp;
    m_pRenderer->SetZBufferComp(7);
    m_pRenderer->EnableBlending();
    m_pRenderer->SetBlendingState(4, 1);
    for (ZELight* light = m_pLights; light; light = light->m_pNext)
    {
        if (!light->m_pFlare)
            continue;
        ZEVector toLight = light->m_vPosition - camera->m_vPosition;
        float distance = toLight.GetLength();
        if (distance <= 5.0f)
            continue;
        bool blocked = FastRayClipsInWorld(camera->m_vPosition, toLight);
        if (light->m_pFlare->m_ulKind == ZELightFlare::ms_ulCorona)
        {
            ZELightCorona* corona = static_cast<ZELightCorona*>(light->m_pFlare);
            uint8_t colour[4];
            if (!ZECoronaColor(*corona, now, blocked || distance >= m_fCoronaDist, colour))
                continue;
            float size = ZECoronaSize(distance, m_fCoronaDist, m_fCoronaScale);
            m_pRenderer->SetAmbient4(colour);
            m_pRenderer->RenderParticle(light->m_vPosition, size, size, corona->m_pTexture);
        }
        else if (!blocked)
        {
            ZELensFlare* flare = static_cast<ZELensFlare*>(light->m_pFlare);
            ZEVector centre, axis;
            if (!ZELensFlareLine(*camera, light->m_vPosition, centre, axis))
                continue;
            for (uint16_t i = 0; i < flare->m_usNumFlares; ++i)
            {
                const _Flare& element = flare->m_pFlares[i];
                ZETextureReference* texture =
                    element.m_usTexture < flare->m_usNumTextures ? flare->m_ppTextures[element.m_usTexture] : nullptr;
                m_pRenderer->SetAmbient3(element.m_aucColor);
                m_pRenderer->RenderParticle(centre + axis * element.m_fPosition, element.m_fSize * 5.0f,
                                            element.m_fSize * 5.0f, texture);
            }
        }
    }
    m_pRenderer->DisableBlending();
    m_pRenderer->SetZBufferComp(depth);
}

void ZEEngine::RenderDynamicLight(ZEPolygon* polygon, ZELight* light)
{
    if (!m_pRenderer || !polygon || !light || !polygon->m_pPlanes || polygon->m_usNumPlanes == 0 ||
        !polygon->m_pusIndices || !polygon->m_pvRight || !polygon->m_pvUp)
        return;
    if (polygon->m_bLightmapped ? !polygon->m_pLVertices : !polygon->m_pVertices)
        return;
    uint16_t triangles = polygon->GetNumTriangles();
    // A polygon with one plane per triangle lights each triangle by its own.
    bool perTriangle = !polygon->m_bPlanar && polygon->m_usNumPlanes >= triangles && triangles > 1;
    uint16_t groups = perTriangle ? triangles : 1;
    ZEVertex* vertices = new ZEVertex[3 * static_cast<size_t>(triangles)];
    for (uint16_t g = 0; g < groups; ++g)
    {
        ZEVector spot;
        float height = 0.0f;
        if (!ZELightSpotOnPlane(*light, polygon->m_pPlanes[g], spot, height))
            continue;
        ZELightSpotShade shade = ZELightSpotShading(*light, height);
        uint32_t first = perTriangle ? g : 0, count = perTriangle ? 1 : triangles;
        uint16_t n = 0;
        for (uint32_t slot = 3 * first; slot < 3 * (first + count); ++slot)
        {
            ZEVector corner = polygon->GetIndexedPosition(slot);
            ZEVector w = corner - spot;
            vertices[n++] = ZEVertex{corner.x, corner.y, corner.z,
                                     w.DotProduct(polygon->m_pvRight[g]) * shade.m_fTexScale + 0.5f,
                                     w.DotProduct(polygon->m_pvUp[g]) * shade.m_fTexScale + 0.5f};
        }
        m_pRenderer->SetAmbient(shade.m_aucColor[0], shade.m_aucColor[1], shade.m_aucColor[2], shade.m_aucColor[3]);
        m_pRenderer->SetVertexArray(vertices, n);
        m_pRenderer->LockVertexArray();
        m_pRenderer->DrawArray();
        m_pRenderer->UnlockVertexArray();
    }
    m_pRenderer->SetVertexArray(static_cast<ZEVertex*>(nullptr), 0);
    delete[] vertices;
}

void ZEEngine::RenderFakeShadow(const ZEVector& center, const ZEVector& direction, float halfWidth,
                                float halfLength)
{
    _ZEClipInfo ground;
    if (!m_pRenderer || !m_pTerrain || !m_pTerrain->Clips(center, ZEVector(0.0f, -9999.0f, 0.0f), ground) ||
        Distance(ground.m_vPoint, center) > m_fDecalDist)
        return;
    ZEVertex vertices[6];
    if (!ZEFakeShadowQuad(ground.m_vPoint, ground.m_Plane.m_vNormal, direction, halfWidth, halfLength, vertices))
        return;
    ZETextureReference* texture = FakeShadowTexture(ZEFakeShadowTexture(halfWidth, halfLength));
    if (!texture)
        return;
    m_pRenderer->EnableDecaling();
    m_pRenderer->EnableBlending();
    m_pRenderer->SetBlendingState(0, 3);
    m_pRenderer->SetTexture(texture);
    m_pRenderer->SetVertexArray(vertices, 6);
    m_pRenderer->LockVertexArray();
    m_pRenderer->DrawArray();
    m_pRenderer->UnlockVertexArray();
    m_pRenderer->SetVertexArray(static_cast<ZEVertex*>(nullptr), 0);
    m_pRenderer->DisableBlending();
    m_pRenderer->DisableDecaling();
}

// Each blob is loaded on first use, and only tried once: a missing one is
// reported by the texture manager a single time, not every frame.
ZETextureReference* ZEEngine::FakeShadowTexture(const char* name)
{
    int kind = std::strcmp(name, "fakeshadow1") == 0 ? 0 : 1;
    ZETextureReference*& texture = kind == 0 ? m_pFakeShadow1 : m_pFakeShadow2;
    if (!texture && !m_abFakeShadowTried[kind] && m_pTextureManager)
    {
        m_abFakeShadowTried[kind] = true;
        texture = m_pTextureManager->GetTexture(ZEString(name), ZEString("EngineSFX"), false, 1, true);
    }
    return texture;
}

// --- Queries ----------------------------------------------------------------------------

bool ZEEngine::RayClipsInWorld(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& clip,
                               ZEEngineObject* ignore)
{
    ZEVector ray = offset;
    ZEVector origin = start;
    bool hit = false;
    float best = 0.0f;

    if (m_pTerrain && m_pTerrain != ignore && m_pTerrain->Clips(origin, ray, clip))
    {
        hit = true;
        best = Distance(clip.m_vPoint, start);
        ray = clip.m_vPoint - start;
    }
    ObjectPass pass(*this);
    for (size_t i = 0; i < pass.Size(); ++i)
    {
        ZEEngineObject* object = pass[i];
        if (!object || !object->m_bCollision || object == ignore)
            continue;
        _ZEClipInfo local;
        if (!object->Clips(origin, ray, local))
            continue;
        float distance = Distance(local.m_vPoint, start);
        if (!hit || distance < best)
        {
            clip = local;
            best = distance;
            hit = true;
            ray = local.m_vPoint - start;
        }
    }
    return hit;
}

bool ZEEngine::FastRayClipsInWorld(const ZEVector& start, const ZEVector& offset, ZEEngineObject* ignore)
{
    ZEVector origin = start, ray = offset;
    if (m_pTerrain && m_pTerrain != ignore && m_pTerrain->Clips(origin, ray))
        return true;
    ObjectPass pass(*this);
    for (size_t i = 0; i < pass.Size(); ++i)
    {
        ZEEngineObject* object = pass[i];
        if (object && object->m_bCollision && object != ignore && object->Clips(origin, ray))
            return true;
    }
    return false;
}

namespace
{
// How strongly a spot light reaches a point inside its cone: the point-light
// share (growing with distance, as point lights do), scaled down toward the
// rim of the cone.
float SpotFactor(const ZELight& light, float distance, float angle)
{
    float share = light.m_fRange > 0.0f ? distance / light.m_fRange : 1.0f;
    float rim = light.m_usConeAngle * 0.5f + 3.5f;
    float cone = rim > 0.0f ? 1.0f - angle / rim : 0.0f;
    if (cone < 0.0f)
        cone = 0.0f;
    return share * cone;
}
}

void ZEEngine::GetLightAtPosition(const ZEVector& point, float* color, ZEEngineObject*)
{
    color[0] = color[1] = color[2] = 0.0f;
    for (ZELight* light = m_pLights; light; light = light->m_pNext)
    {
        float factor = 1.0f;
        bool reaches = false;
        switch (light->m_lType)
        {
        case 0:
            reaches = true;
            break;
        case 1:
        {
            ZEVector far = light->m_vDirection * 999999.0f;
            ZEVector from = point - far;
            reaches = !(m_pTerrain && m_pTerrain->Clips(from, far));
            break;
        }
        case 2:
        case 3:
        case 4:
        case 5:
        {
            float distance = Distance(light->m_vPosition, point);
            if (distance > light->m_fRange)
                break;
            bool spot = light->m_lType == 3 || light->m_lType == 5;
            float angle = 0.0f;
            ZEVector target = point;
            if (spot && !light->IsInSpotlight(target, angle))
                break;
            ZEVector from = light->m_vPosition, toPoint = point - light->m_vPosition;
            reaches = !(m_pTerrain && m_pTerrain->Clips(from, toPoint));
            // A light with no range lights with full strength where it is.
            if (light->m_bAttenuation)
                factor = spot ? SpotFactor(*light, distance, angle)
                              : (light->m_fRange > 0.0f ? distance / light->m_fRange : 1.0f);
            break;
        }
        default:
            break;
        }
        if (!reaches)
            continue;
        for (int i = 0; i < 3; ++i)
            color[i] += factor * light->m_afColor[i];
    }
    for (int i = 0; i < 3; ++i)
        if (color[i] > 1.0f)
            color[i] = 1.0f;
}

void ZEEngine::GetLightAtPosition(const ZEVector& point, uint8_t* color, ZEEngineObject* ignore)
{
    float light[3];
    GetLightAtPosition(point, light, ignore);
    for (int i = 0; i < 3; ++i)
        color[i] = static_cast<uint8_t>(light[i] * 255.0f);
}

// --- Settings ----------------------------------------------------------------------------

void ZEEngine::SetShadowMethod(ZEShadowMethod method)
{
    bool needsStencil = static_cast<int32_t>(method) >= 3;
    if (needsStencil && !(m_pRenderer && m_pRenderer->m_bStencilBuffer))
        method = static_cast<ZEShadowMethod>(2);
    m_ShadowMethod = method;
}

void ZEEngine::SetCursorImage(ZETextureReference* cursor)
{
    if (cursor == m_pCursor)
        return;
    delete m_pCursor;
    m_pCursor = cursor;
}

void ZEEngine::SetCursorColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a)
{
    m_aucCursorColor[0] = r;
    m_aucCursorColor[1] = g;
    m_aucCursorColor[2] = b;
    m_aucCursorColor[3] = a;
}
