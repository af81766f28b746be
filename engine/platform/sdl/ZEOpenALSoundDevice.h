// ZEOpenALSoundDevice: sound through OpenAL.
//
// Every loaded sound becomes one OpenAL buffer, recorded with the sound's
// id; every play becomes one OpenAL source, recorded with the sound's id,
// the id of the reference that started it and its remaining repeats. Both
// lists run in order of creation. Finished sources are cleaned up (or
// restarted while repeats remain) whenever the listener is set, a sound is
// stopped, loaded or freed - about once a frame.
//
// OpenAL's coordinates are right-handed: every position and direction
// handed to it has its Z negated. Flat sounds play relative to the
// listener at gain 0.1 x volume, placed ones at 10.0 x volume (each also
// times the device volume).
//
// This device does not open the audio library yet: it plays nothing, loads
// nothing and needs no sound card.
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
    ~ZEOpenALSoundDevice() override;

    using ZESoundDevice::PlaySound;
    using ZESoundDevice::PlaySound3D;
    using ZESoundDevice::SetListener;

    void SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                     const ZEVector& velocity) override;
    void PlaySound(ZESoundReference* reference, int16_t repeats, float volume) override;
    void PlaySound3D(ZESoundReference* reference, const ZEVector& pos, const ZEVector& velocity,
                     int16_t repeats, float volume) override;
    void StopSound(ZESoundReference* reference) override;
    void UpdateSoundPosition(ZESoundReference* reference, const ZEVector& pos) override;
    void UpdateSoundProperties(ZESoundReference* reference, const ZEVector& pos,
                               const ZEVector& velocity) override;
    ZESound* LoadSound(const ZEString& path) override;
    bool ReloadSound(ZESound* sound) override;
    void FreeSound(ZESound* sound) override;
    bool IsPlaying(ZESoundReference* reference) override;

    uint32_t m_ulNumBuffers = 0;
    uint32_t m_ulNumSources = 0;
    _OpenALBuffer* m_pBuffers = nullptr;
    _OpenALSource* m_pSources = nullptr;
    // Listener "at" and "up" as last handed to OpenAL.
    float m_afOrientation[6] = {0.0f, 0.0f, -1.0f, 0.0f, 1.0f, 0.0f};
};
