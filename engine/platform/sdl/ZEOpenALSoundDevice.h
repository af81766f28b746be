// ZEOpenALSoundDevice: sound through OpenAL, set up with ALUT.
//
// Every loaded sound becomes one OpenAL buffer, recorded with the sound's
// id (one buffer per id at most); every play becomes one OpenAL source,
// recorded with the sound's id, the id of the reference that started it
// and its remaining repeats. Both lists run in order of creation. A
// reference may have several sources at once (one per play); stopping it
// stops them all.
//
// Finished sources are cleaned up - deleted, or restarted while repeats
// remain - whenever the listener is set, a sound is stopped, loaded or
// freed, and on Update: about once a frame.
//
// OpenAL's coordinates are right-handed, the engine's left-handed: every
// position and direction handed to OpenAL has its Z negated. So with the
// listener at the origin looking along engine +Z with +Y up, engine -X is
// on the listener's left. Flat sounds play relative to the listener at gain
// 0.1 x volume, placed ones at 10.0 x volume (each also times the device
// volume), and the listener gain is 10.0. A volume is taken as its
// magnitude; not a number or infinity plays silently.
//
// Without an audio output (no sound card, or ALUT would not start) the
// device stays silent: nothing loads, nothing plays, and the reason is
// posted once, at the first attempt to load a sound (the console does not
// exist yet when the device is made). Sounds are read through the file
// manager, so nothing loads without one.
#pragma once

#include "core/ZEString.h"
#include "resources/ZESoundDevice.h"

#include <cstdint>

struct _OpenALBuffer
{
    ZEString m_Name;            // the file path
    uint32_t m_ulSoundID = 0;
    uint32_t m_uiBuffer = 0;    // the OpenAL buffer name
    _OpenALBuffer* m_pNext = nullptr;
};

struct _OpenALSource
{
    uint32_t m_ulSoundID = 0;
    uint32_t m_ulReferenceID = 0;
    uint32_t m_uiSource = 0;    // the OpenAL source name
    bool m_b3D = false;         // placed in the world
    int16_t m_sRepeats = 0;     // further plays left; -1 = endless
    _OpenALSource* m_pNext = nullptr;
};

class ZEOpenALSoundDevice : public ZESoundDevice
{
public:
    ZEOpenALSoundDevice();
    // Deletes every source and buffer, then shuts ALUT down.
    ~ZEOpenALSoundDevice() override;

    using ZESoundDevice::PlaySound;
    using ZESoundDevice::PlaySound3D;
    using ZESoundDevice::SetListener;

    // The velocity is not used.
    void SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                     const ZEVector& velocity) override;
    // An empty reference, a freed sound or a failed source plays nothing.
    void PlaySound(ZESoundReference* reference, int16_t repeats, float volume) override;
    void PlaySound3D(ZESoundReference* reference, const ZEVector& pos, const ZEVector& velocity,
                     int16_t repeats, float volume) override;
    void StopSound(ZESoundReference* reference) override;
    // Moves every placed source of the reference; flat ones stay at the
    // listener. The velocity is not used.
    void UpdateSoundPosition(ZESoundReference* reference, const ZEVector& pos) override;
    void UpdateSoundProperties(ZESoundReference* reference, const ZEVector& pos,
                               const ZEVector& velocity) override;
    ZESound* LoadSound(const ZEString& path) override;
    // True when the sound has its buffer again (or still had it).
    bool ReloadSound(ZESound* sound) override;
    void FreeSound(ZESound* sound) override;
    bool IsPlaying(ZESoundReference* reference) override;
    void Update() override;

    // Deletes sources that ended with no repeats left; restarts the others.
    void RemoveStoppedSources();

    // Whether OpenAL started; false means the device is silent.
    bool IsOpen() const { return m_bOpen; }
    // The live sources the reference started.
    uint32_t CountSources(const ZESoundReference* reference) const;

    uint32_t m_ulNumBuffers = 0;
    uint32_t m_ulNumSources = 0;
    _OpenALBuffer* m_pBuffers = nullptr;
    _OpenALSource* m_pSources = nullptr;
    // Listener "at" and "up" as last handed to OpenAL.
    float m_afOrientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};

private:
    void StartSource(ZESoundReference* reference, int16_t repeats, float gain, const ZEVector* position);
    _OpenALBuffer* FindBuffer(uint32_t soundID) const;
    _OpenALBuffer* LoadBuffer(const ZEString& path);
    void AppendBuffer(_OpenALBuffer* buffer);
    void AppendSource(_OpenALSource* source);
    // Unlinks the source at *link, deletes it and its OpenAL source.
    void RemoveSource(_OpenALSource** link);
    void RemoveBuffer(_OpenALBuffer** link);
    void PostClosedOnce();

    bool m_bOpen = false;
    bool m_bClosedReported = false;
    ZEString m_ClosedReason;
};
