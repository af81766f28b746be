// ZESoundDevice: the audio library behind one interface.
//
// The application creates the one device (ms_pSoundDevice); the sound
// manager loads sounds through it and references play, move and stop their
// sound through it. A sound is tied to its device-side data by its id; a
// playing voice is tied to the reference that started it by the
// reference's id, so one reference stops only its own voices.
//
// Positions are engine (left-handed) coordinates; a backend converts them
// for its library. Repeats: 0 plays once, n plays n + 1 times in a row, -1
// loops until stopped. Every shorter form fills in volume 1.0 and velocity
// (0, 0, 0) and ends in the full form of its kind (listener, flat play,
// placed play), so a backend or a test double overrides only the full
// forms.
//
// Setting the listener and the once-a-frame Update both clean up finished
// voices; the engine world calls one of them every frame.
//
// The base plays nothing: it loads no sounds (null), reloads nothing
// (false) and reports nothing playing.
#pragma once

#include "math/ZEVector.h"

#include <cstdint>

class ZESound;
class ZESoundReference;
class ZEString;

class ZESoundDevice
{
public:
    ZESoundDevice();
    virtual ~ZESoundDevice();

    ZESoundDevice(const ZESoundDevice&) = delete;
    ZESoundDevice& operator=(const ZESoundDevice&) = delete;

    virtual void SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up);
    virtual void SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                             const ZEVector& velocity);
    // Flat: at the listener.
    virtual void PlaySound(ZESoundReference* reference, int16_t repeats);
    virtual void PlaySound(ZESoundReference* reference, int16_t repeats, float volume);
    // Placed in the world.
    virtual void PlaySound3D(ZESoundReference* reference, float x, float y, float z, int16_t repeats);
    virtual void PlaySound3D(ZESoundReference* reference, float x, float y, float z, int16_t repeats,
                             float volume);
    virtual void PlaySound3D(ZESoundReference* reference, const ZEVector& pos, const ZEVector& velocity,
                             int16_t repeats);
    virtual void PlaySound3D(ZESoundReference* reference, const ZEVector& pos, const ZEVector& velocity,
                             int16_t repeats, float volume);
    // Stops every voice the reference started.
    virtual void StopSound(ZESoundReference* reference);
    virtual void UpdateSoundPosition(ZESoundReference* reference, const ZEVector& pos);
    virtual void UpdateSoundProperties(ZESoundReference* reference, const ZEVector& pos,
                                       const ZEVector& velocity);
    // A new sound named path (owned by the caller), or null when the file
    // cannot be loaded.
    virtual ZESound* LoadSound(const ZEString& path);
    // Loads the sound's file again after UnloadAllSounds; true on success.
    virtual bool ReloadSound(ZESound* sound);
    // Stops the sound's voices and frees its device-side data; the sound
    // object itself stays with its owner.
    virtual void FreeSound(ZESound* sound);
    // Whether a voice the reference started is sounding now.
    virtual bool IsPlaying(ZESoundReference* reference);
    // Housekeeping once a frame whether or not the listener moved: finished
    // voices are cleaned up and repeats restarted.
    virtual void Update();

    // Stores the magnitude: a negative volume means the same as its
    // absolute value. Not a number is ignored.
    void SetVolume(float volume);
    float GetVolume() const { return m_fVolume; }

    static ZESoundDevice* ms_pSoundDevice;

    float m_fVolume = 1.0f;
};
