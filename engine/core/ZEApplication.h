// ZEApplication: the skeleton every run goes through.
//
// The game derives one application class and defines exactly one global
// instance of it; constructing it sets ms_pApp. The entry point then runs
//   Prepare(commandLine) -> Initialize() -> Start() -> frames -> Exit().
// Initialize() creates the devices in a fixed order - timer, renderer (opens
// the window), sound device, CD player, network manager, input devices -
// and last the engine world, which creates the managers and the console.
// Exit() tears everything down in the reverse sense and ends the process
// with the status it was given.
//
// Headless: an application that sets m_bHeadless in Prepare gets the null
// platform's devices (platform/null/ZENullPlatform.h) instead of the real
// ones, an engine that does not draw, and the headless frame loop, which
// moves the manual timer on by m_ulHeadlessFrame milliseconds a frame and
// never starts SDL. Everything else - managers, world, callbacks - is the
// same as in a windowed run.
//
// Ending: code running inside a frame (a callback, an object's step, a
// console command - the console's own "exit" among them) asks with
// ZEEngine::ExitRequest; both frame loops finish that frame and then call
// Exit with the requested status. Exit itself deletes the engine, so it is for the loops and for
// Prepare (a usage error, before anything exists), never for a callback.
//
// The engine never calls the game directly: it calls the virtual operations
// below through ms_pApp, and the game overrides them. All defaults do
// nothing (ReceiveCustomEntity declines the entity).
//
// Tests build the same engine over test doubles by overriding CreateDevices,
// and keep the process alive by overriding EndProcess.
#pragma once

#include "core/ZEString.h"

#include <cstdint>

class ZECDPlayer;
class ZECustomEntity;
class ZEEngine;
class ZEInputDevices;
class ZENetworkManager;
class ZERenderer;
class ZESoundDevice;
class ZETimer;
struct _ZEClient;

class ZEApplication
{
public:
    ZEApplication();
    // Frees whatever Exit() has not freed yet, then ends SDL.
    virtual ~ZEApplication();

    ZEApplication(const ZEApplication&) = delete;
    ZEApplication& operator=(const ZEApplication&) = delete;

    // Once, before Initialize(): the only moment to choose the window size.
    // The command line may be null.
    virtual void Prepare(char* commandLine) { (void)commandLine; }
    // Once, after every device, manager and the engine exist.
    virtual void Start() {}
    // Every frame, before / after the simulation, with the game
    // milliseconds since the previous frame.
    virtual void Update1(uint32_t elapsed) { (void)elapsed; }
    virtual void Update2(uint32_t elapsed) { (void)elapsed; }
    // Every frame, after the world and before the console and cursor.
    virtual void Render() {}
    // Input, only while the console is closed.
    virtual void KeyDown(uint32_t key) { (void)key; }
    virtual void KeyUp(uint32_t key) { (void)key; }
    virtual void MouseMovement(uint32_t x, uint32_t y, int32_t dx, int32_t dy, char buttons);
    virtual void JoystickMovement(int32_t x, int32_t y, int32_t z);
    // A map entity the engine does not know. True: the application owns it
    // now; false: the loader deletes it.
    virtual bool ReceiveCustomEntity(ZECustomEntity* entity);
    // Network callbacks, raised from the network manager's Idle().
    virtual void NewClientConnected(_ZEClient* client) { (void)client; }
    virtual void ClientDisconnected(_ZEClient* client) { (void)client; }
    virtual void DataFromClient(_ZEClient* client, char* data, uint32_t size);
    virtual void ServerConnected(char* serverName) { (void)serverName; }
    virtual void ServerDisconnected() {}
    virtual void DataFromServer(char* data, uint32_t size);
    // First step of Exit(), while everything still exists.
    virtual void Terminate() {}

    // Creates the devices and the engine.
    void Initialize();
    // Orderly shutdown - Terminate(), then the engine and the devices -
    // and ends the process with `status` (0 for the first form). Never
    // returns unless EndProcess was replaced. Safe before Initialize (only
    // Terminate runs then) and after an earlier Exit.
    void Exit();
    void Exit(int status);

    // Replaces the world's terrain by the map m_BSPDir + name (lower-cased).
    // On failure "Loading failed" is posted and the world is left empty.
    void LoadBSPFile(const ZEString& name);
    void UnloadBSPFile();
    // Factor 0 -> 1, anything else -> 0.
    void Pause();
    // Parses a factor; text that is not a finite number from 0 to
    // ms_fMaxTimeFactor keeps the current factor.
    void SetTimeFactor(const ZEString& value);
    // Also ends a pause: the factor is 1 afterwards.
    void ToggleFullscreen();
    void SetBSPDir(const ZEString& dir);
    const ZEString& GetBSPDir() const { return m_BSPDir; }
    // Draws the world through the renderer's camera, without clearing or
    // presenting; the game uses it for a second view.
    void RenderWorld();

    uint32_t GetCurrentRenderer() const { return m_ulCurrentRenderer; }
    uint32_t GetCurrentSoundDevice() const { return m_ulCurrentSoundDevice; }
    ZEString GetCurrentRendererS() const;
    ZEString GetCurrentSoundDeviceS() const;
    void SetRenderer(uint32_t) {}
    void SetSoundDevice(uint32_t) {}

    static ZEApplication* ms_pApp;
    static constexpr float ms_fMaxTimeFactor = 1000.0f;

    ZEEngine* m_pEngine = nullptr;
    ZERenderer* m_pRenderer = nullptr;
    ZESoundDevice* m_pSoundDevice = nullptr;
    ZECDPlayer* m_pCDPlayer = nullptr;
    ZENetworkManager* m_pNetworkManager = nullptr;
    ZEInputDevices* m_pInputDevices = nullptr;
    ZETimer* m_pTimer = nullptr;
    uint32_t m_ulNumRenderers = 1;
    ZEString* m_pRendererNames = nullptr;
    uint32_t m_ulNumSoundDevices = 1;
    ZEString* m_pSoundDeviceNames = nullptr;
    uint16_t m_usWidth = 640;
    uint16_t m_usHeight = 480;
    uint16_t m_usFullscreen = 0;
    uint32_t m_ulCurrentRenderer = 0;
    uint32_t m_ulCurrentSoundDevice = 0;
    ZEString m_BSPDir{"maps/"};
    // Set in Prepare: run without window, sound, network or wall clock.
    bool m_bHeadless = false;
    // Game milliseconds per headless frame (before the time factor).
    uint32_t m_ulHeadlessFrame = 15;

protected:
    // Creates the six devices in their fixed order into the fields. The
    // default builds the platform's devices, or the null platform's when
    // m_bHeadless; tests build doubles.
    virtual void CreateDevices();
    // Ends the process. Tests replace it to keep running.
    virtual void EndProcess(int status);

private:
    void DestroyEngineAndDevices();
};

// Joins the arguments after the program name, each followed by one blank,
// into a new[]-allocated string the caller delete[]s; null when they add up
// to no characters.
char* GetCommandLine(int argc, char** argv);
