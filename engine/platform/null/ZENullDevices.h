// ZENullDevices: sound, CD and network devices that exist but do nothing.
//
// The headless run builds the engine over them (ZENullPlatformCreateDevices),
// and the tests do too: no sound card, no CD drive, no socket is touched.
// Each device counts the calls made on it, so a test can check what the
// engine asked for; the counts cost nothing worth saving in a headless run.
//
// Ownership: the application owns the devices like any others. A tally,
// when one is attached, belongs to whoever attached it and must outlive
// the device.
#pragma once

#include "core/ZECDPlayer.h"
#include "core/ZENetworkManager.h"
#include "resources/ZESoundDevice.h"

#include <cstdint>

// Plays nothing. LoadSound "loads" every path (a new ZESound named after
// it) unless m_bLoadFails; the listener, the voices and the frame
// housekeeping are only counted.
class ZENullSoundDevice : public ZESoundDevice
{
public:
    using ZESoundDevice::PlaySound;
    using ZESoundDevice::PlaySound3D;
    using ZESoundDevice::SetListener;

    void SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                     const ZEVector& velocity) override;
    void PlaySound(ZESoundReference* reference, int16_t repeats, float volume) override;
    void PlaySound3D(ZESoundReference* reference, const ZEVector& pos, const ZEVector& velocity,
                     int16_t repeats, float volume) override;
    void StopSound(ZESoundReference* reference) override;
    ZESound* LoadSound(const ZEString& path) override;
    void FreeSound(ZESound* sound) override;
    void Update() override;

    bool m_bLoadFails = false;
    uint32_t m_ulListenerCalls = 0;
    ZEVector m_vListenerPosition, m_vListenerAt, m_vListenerUp, m_vListenerVelocity;
    uint32_t m_ulPlays = 0;
    uint32_t m_ulStops = 0;
    uint32_t m_ulLoads = 0;
    uint32_t m_ulFrees = 0;
    uint32_t m_ulUpdates = 0;
};

// Counts that outlive the devices, for checking what a shutdown did to
// them before deleting them: a device with a tally counts into it too.
struct ZENullDeviceTally
{
    uint32_t m_ulCDStops = 0;
    uint32_t m_ulNetworkIdles = 0;
    uint32_t m_ulEndServers = 0;
    uint32_t m_ulEndClients = 0;
};

// A player without a drive that counts Stop() calls.
class ZENullCDPlayer : public ZECDPlayer
{
public:
    void Stop() override;

    uint32_t m_ulStopCalls = 0;
    ZENullDeviceTally* m_pTally = nullptr;
};

// A transport that never opens a socket and counts Idle, EndServer and
// EndClient calls. The ends report whether the flags said a server or a
// client was running, and clear them.
class ZENullNetworkManager : public ZENetworkManager
{
public:
    void Idle() override;
    bool EndServer() override;
    bool EndClient() override;

    uint32_t m_ulIdleCalls = 0;
    uint32_t m_ulEndServerCalls = 0;
    uint32_t m_ulEndClientCalls = 0;
    ZENullDeviceTally* m_pTally = nullptr;
};
