// ZEEngine: the one world, and its frame.
//
// The engine owns the resource managers, the file manager, the translator,
// the console, the terrain and every object, light, particle system and
// decal handed to it; the devices (renderer, sound, CD, input, timer,
// network) belong to the application and are only borrowed. Lists are
// intrusive and appended at the tail, so each runs in insertion order.
//
// One Idle() is one frame, always in this order: network poll, input poll,
// buffer clear, decal expiry, animated textures, the application's Update1,
// the fixed-step simulation (UpdateWorld), the application's Update2, the
// sound listener, the world's render passes (sky box, terrain, objects,
// decals, particles, transparent terrain, shadows, second-pass objects,
// dynamic lights, reflections), the application's Render, the console, the
// mouse cursor, the buffer swap, and last the animation clocks of every
// object's model, carried to the frame's game time.
//
// Drawing can be switched off (m_bDrawing, off in a headless run). The
// frame then keeps only what the game's state depends on - network poll,
// input poll, decal expiry, Update1, the simulation, Update2, the sound
// listener and the animation clocks - and skips the buffer clear, animated textures, the terrain's
// animation (sky rotation), every render pass, Render, the console, the
// cursor, the swap and the particle systems' animation: particles are only
// ever drawn, so they are no part of the simulation, and a run gives the
// same game with drawing on or off. The switch is read where each part
// runs; a frame without a renderer draws nothing and leaves the listener
// where it is.
//
// Ending: ExitRequest only notes the request and its status; the frame
// loops (the SDL one and the headless one) finish the frame in which it
// was made and then call ZEApplication::Exit. Nothing in a frame may call
// Exit itself, since that deletes the engine under the running frame.
//
// The simulation runs in steps of at most "physicscycle" game milliseconds
// (a frame of 40 ms at 15 runs 15, 15, 10). In each step every object is
// animated; then, object by object in world order, pulled by gravity and,
// when it collides, offered the terrain and then the other colliding
// objects in world order (other->Influence(step, receiver)); then every
// object is updated. Static objects are animated and updated like moving
// ones. An offer is left out only where it provably does nothing:
// - No pair of two static parties is offered (the terrain counts as a
//   party like any object): no response acts between two static objects.
// - Broad phase: two objects that both have bounding volumes interact only
//   when those volumes' bounding spheres (ZEBoundingVolume::
//   GetBoundingRadius about the centre) meet, each taken a thousandth
//   larger plus 0.0001; a pair whose spheres are apart is not offered. A
//   game object whose volume test (Clips) reaches beyond its volume breaks
//   this rule: its volume must enclose everything it reports contact with.
//   Objects without a volume (terrain, level geometry) always get their
//   offer.
// - A static receiver is offered only the objects that were moving when the
//   step's collision pass began (or when added during it); an object that
//   turns moving during the pass is offered to static receivers from the
//   next step on (moving receivers see it at once).
// The broad phase takes a moving object's sphere when the collision pass
// begins, a moving receiver's again when its turn begins, and both
// parties' again after every offer made (the receiver's after the
// terrain's too), so whatever the responses and the two parties' OnClip do
// is seen at once. A static object's sphere is kept from step to step: it
// is taken afresh at the start of a pass only when the object's volume
// pointer changed (a dropped volume needs nothing more), when the object
// list changed, when some object turned moving or static, or after
// VolumeChanged. So a static object whose volume is moved, resized or
// replaced anywhere but in an offer it is a party to - its own Animate or
// Update, a third object's callback, the application between frames -
// must call VolumeChanged, or the broad phase goes on seeing the old
// sphere. Such a change, or a callback moving a third, moving object's
// volume, is seen from the next step. A volume whose centre or radius is
// not a finite number meets everything.
//
// Passes and removal: every pass over the objects - animate, gravity and
// collisions, update, the draw passes, ray tests - survives its callbacks
// removing or deleting any object, the running one included. A removed
// object gets no further call in that pass (a receiver that leaves is
// offered nothing more), and every other object still gets its own. An
// object added during a pass is appended and visited later in the same
// pass; one removed and added again counts as added. Passes run over an
// array that mirrors the list (passes nest: the collision pass runs inside
// the per-object loop, a callback may cast rays); removal clears the
// object's slot, so no pass ever reads the link of an object that left.
// Objects enter and leave the list only through the operations below,
// never by writing the links.
//
// The engine reaches the game only through ZEApplication's virtual
// operations. ms_pEngine points at the one engine while it lives.
#pragma once

#include "core/ZEString.h"
#include "render/ZEShadow.h"

#include <cstdint>

class ZEApplication;
class ZECamera;
class ZECDPlayer;
class ZEConsole;
class ZEDecal;
class ZEEngineObject;
class ZEFileManager;
class ZEInputDevices;
class ZELight;
class ZEModelManager;
class ZENetworkManager;
class ZEParticleSystem;
class ZEPolygon;
class ZERenderer;
class ZESoundDevice;
class ZESoundManager;
class ZETerrain;
class ZETextureManager;
class ZETextureReference;
class ZETimer;
class ZETranslator;
class ZEVector;
struct _ZEClipInfo;

class ZEEngine
{
public:
    ZEEngine(ZERenderer* renderer, ZESoundDevice* soundDevice, ZECDPlayer* cdPlayer,
             ZEInputDevices* inputDevices, ZETimer* timer, ZENetworkManager* networkManager);
    ~ZEEngine();

    ZEEngine(const ZEEngine&) = delete;
    ZEEngine& operator=(const ZEEngine&) = delete;

    // Makes the input devices report to this engine.
    void Initialize();

    // One frame (see above).
    void Idle();
    // Simulates `elapsed` game milliseconds in fixed steps, then animates
    // the lights and, while drawing, the particle systems.
    void UpdateWorld(uint32_t elapsed);

    // Input from the devices: to the console while it is open, otherwise to
    // the application. Releases and movement are dropped while it is open.
    void KeyDown(uint32_t key);
    void KeyUp(uint32_t key);
    void MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char buttons);
    void JoystickMovement(int32_t x, int32_t y, int32_t z);
    // Asks the frame loop to end after the current frame and to exit with
    // `status`; a later request replaces the status. Nothing is torn down
    // here, so any caller - a callback, an object's step - may use it.
    void ExitRequest(int status = 0)
    {
        m_bExitRequested = true;
        m_iExitStatus = status;
    }
    bool IsExitRequested() const { return m_bExitRequested; }
    // The status of the latest request; 0 without one.
    int GetExitStatus() const { return m_iExitStatus; }

    // Takes ownership of the terrain; the previous one is deleted.
    void SetTerrain(ZETerrain* terrain);
    ZETerrain* GetTerrain() const { return m_pTerrain; }
    // Deletes the terrain and everything in every list.
    void FreeWorld();

    // Objects: appended and owned; removal unlinks without deleting. Both
    // are safe during any pass (see above).
    void AddObjectToWorld(ZEEngineObject* object);
    void RemoveObjectFromWorld(ZEEngineObject* object);
    void FreeAllObjectsInWorld();
    // Tells the broad phase that the volume of `object`, a static object in
    // the world, was moved, resized or replaced outside the offers it took
    // part in (see above); it is read afresh from the next collision pass
    // on. Moving objects never need it.
    void VolumeChanged(ZEEngineObject* object);
    ZEEngineObject* GetObjects() const { return m_pObjects; }

    void AddLightToWorld(ZELight* light);
    void RemoveLightFromWorld(ZELight* light);
    void FreeAllLightsInWorld();
    ZELight* GetLights() const { return m_pLights; }

    void AddParticleSystem(ZEParticleSystem* system);
    // Unlinks and deletes.
    void RemoveParticleSystem(ZEParticleSystem* system);
    void FreeAllParticleSystems();
    void AnimateParticleSystems(ZECamera* camera);
    void RenderParticleSystems(ZECamera* camera);

    // Takes a chain of decals linked by their next pointers; oldest decals
    // beyond "maxdecals" (when not 0) are deleted.
    void AddDecal(ZEDecal* chain);
    void RemoveOldDecals();
    void RenderDecals(ZECamera* camera);
    void FreeAllDecals();
    uint32_t GetNumDecals() const { return m_ulNumDecals; }
    ZEDecal* GetDecals() const { return m_pDecals; }

    // The world's render passes through `camera`, without clearing or
    // presenting: sky box, terrain, objects, decals, particles, transparent
    // terrain, shadows, second-pass objects, dynamic lights, reflections.
    void RenderWorld(ZECamera* camera);
    // Draws every object whose second-pass flag equals `secondPass`.
    void RenderObjects(bool secondPass);
    void RenderShadows(ZECamera* camera);
    void RenderDynamicLights(ZECamera* camera);
    // Coronas and lens flares of every light with a glow record, drawn
    // additively over everything; a corona hidden from the camera by the
    // terrain or an object fades out over 2 s, a lens flare just vanishes.
    void RenderReflections(ZECamera* camera);
    // Projects a dynamic light's spot texture onto one polygon (each
    // triangle on its own plane when the polygon is not flat); the caller
    // has bound the texture and set decaling and additive blending.
    void RenderDynamicLight(ZEPolygon* polygon, ZELight* light);
    // A dark blob on the terrain under `center`: the rectangle of
    // render/ZEShadow.h (2 x halfWidth by 2 x halfLength, its length along
    // `direction`) laid on the first surface below within "decaldist",
    // darkening the frame by its texture times the current colour. Nothing
    // without a terrain, without ground within reach, or while the texture
    // cannot be loaded.
    void RenderFakeShadow(const ZEVector& center, const ZEVector& direction, float halfWidth, float halfLength);
    // The blob texture of that name ("fakeshadow1" or "fakeshadow2").
    ZETextureReference* FakeShadowTexture(const char* name);

    // Moves the sound listener to the camera when it moved this frame;
    // otherwise (or without a renderer) only lets the sound device do its
    // frame housekeeping.
    void UpdateListener(const ZEVector& previousPosition, uint32_t elapsed);

    // The hit nearest to `start` on the segment start .. start + offset,
    // against the terrain and every colliding object except `ignore`.
    bool RayClipsInWorld(const ZEVector& start, const ZEVector& offset, _ZEClipInfo& clip,
                         ZEEngineObject* ignore = nullptr);
    // Whether anything at all lies on the segment.
    bool FastRayClipsInWorld(const ZEVector& start, const ZEVector& offset, ZEEngineObject* ignore = nullptr);

    // Colour of the light arriving at a point, each component 0..1 (or
    // 0..255). Only the terrain blocks light; `ignore` has no effect.
    void GetLightAtPosition(const ZEVector& point, float* color, ZEEngineObject* ignore = nullptr);
    void GetLightAtPosition(const ZEVector& point, uint8_t* color, ZEEngineObject* ignore = nullptr);

    // Stencil methods (3 and above) fall back to 2 without a stencil buffer.
    void SetShadowMethod(ZEShadowMethod method);
    void ShowCursor(bool show) { m_bShowCursor = show; }
    // Takes ownership; the previous cursor is deleted.
    void SetCursorImage(ZETextureReference* cursor);
    void SetCursorColor(uint8_t r, uint8_t g, uint8_t b, uint8_t a);

    ZEConsole* GetConsole() const { return m_pConsole; }
    ZERenderer* GetRenderer() const { return m_pRenderer; }
    ZETimer* GetTimer() const { return m_pTimer; }

    static ZEEngine* ms_pEngine;

    ZEApplication* m_pApp;
    ZEConsole* m_pConsole = nullptr;
    ZERenderer* m_pRenderer;
    ZEInputDevices* m_pInputDevices;
    ZETimer* m_pTimer;
    ZENetworkManager* m_pNetworkManager;
    ZESoundDevice* m_pSoundDevice;
    ZECDPlayer* m_pCDPlayer;
    ZETextureManager* m_pTextureManager = nullptr;
    ZEModelManager* m_pModelManager = nullptr;
    ZESoundManager* m_pSoundManager = nullptr;
    ZEFileManager* m_pFileManager = nullptr;
    ZETranslator* m_pTranslator = nullptr;
    float m_fGravity = 98.1f;
    uint32_t m_ulLastTime = 0;
    ZETerrain* m_pTerrain = nullptr;
    ZEEngineObject* m_pObjects = nullptr;
    ZELight* m_pLights = nullptr;
    ZEParticleSystem* m_pParticleSystems = nullptr;
    ZEDecal* m_pDecals = nullptr;
    bool m_bDecals = true;
    float m_fDecalDist = 320.0f;
    uint32_t m_ulMaxDecals = 100;
    uint32_t m_ulNumDecals = 0;
    ZEShadowMethod m_ShadowMethod = ZE_SHADOW_NONE;
    float m_fShadowDist = 320.0f;
    bool m_bShadowsFromAllLights = false;
    ZETextureReference* m_pFakeShadow1 = nullptr;
    ZETextureReference* m_pFakeShadow2 = nullptr;
    bool m_abFakeShadowTried[2] = {false, false};
    bool m_bDynamicLights = true;
    float m_fDynLightDist = 320.0f;
    bool m_bReflections = true;
    float m_fCoronaDist = 640.0f;
    float m_fCoronaScale = 0.1f;
    int32_t m_lTexDetail = 0;
    int32_t m_lModelDetail = 0;
    int32_t m_lModelShadowLOD = 0;
    uint32_t m_ulPhysicsCycle = 15;
    bool m_bShowCursor = true;
    ZETextureReference* m_pCursor = nullptr;
    uint8_t m_aucCursorColor[4] = {255, 255, 255, 255};
    // Off: frames simulate without drawing (see above). The application
    // sets it from m_bHeadless when it creates the engine.
    bool m_bDrawing = true;

private:
    // The objects in world order as an array that removal cannot derail,
    // and the collision tables.
    struct Passes;
    // A running pass over that array.
    class ObjectPass;
    // The collision pass's view of the objects: one entry per object in
    // world order, with its broad-phase sphere.
    struct CollisionTable;

    void RegisterConsoleEntries();
    // The drawing half of a frame: terrain animation, render passes,
    // Render, console, cursor, swap.
    void DrawFrame(uint32_t elapsed);
    void RenderCursor();
    // Keeps every object's model animation clock at the game time now
    // (ZEModelReference::AdvanceAnimation), drawn or not.
    void AdvanceAnimations();
    void SimulateStep(uint32_t step);
    void CollideObjects(uint32_t step);
    CollisionTable* BeginCollisionPass(const ObjectPass& pass);
    void TellAboutCollisions(uint32_t step, CollisionTable& table, uint32_t receiver);
    // A mover's turn: the near entries whose spheres meet its own.
    void OfferNear(uint32_t step, CollisionTable& table, uint32_t receiver);
    // Offers entry `other` to entry `receiver` (whose spheres meet) unless
    // the flags leave the pair out; false once the receiver has left the
    // world.
    bool Offer(uint32_t step, CollisionTable& table, uint32_t other, uint32_t receiver);

    bool m_bExitRequested = false;
    int m_iExitStatus = 0;
    Passes* m_pPasses = nullptr;
};
