// Sounds: loaded once through the sound device, shared through counted
// references.
//
// The one ZESoundManager (ms_pSoundManager, created by the engine world)
// keeps every loaded sound in a singly linked list, keyed by its path
// (directory + name). GetSound returns a new ZESoundReference that the
// caller owns and never null: an EMPTY reference (which plays nothing) for
// an empty name or a file that cannot be loaded, else a reference to the
// shared sound. A reference is the handle a user plays, moves and stops; its own
// id (from ZESoundReference::ms_ulNextID) ties the voices it starts to it.
// Deleting a reference stops its voices and counts the sound down;
// FreeUnusedSounds frees sounds without references on the device and
// deletes them.
//
// A reference reaches its sound only while the live manager still lists
// that sound under the reference's sound id, so a reference deleted after
// its sound was freed, or after the manager or the device is gone, touches
// nothing that no longer exists.
#pragma once

#include "core/ZEObject.h"
#include "core/ZEString.h"
#include "math/ZEVector.h"

#include <cstdint>

class ZESoundReference;

class ZESound
{
    ZE_DECLARE_ROOT_RTTI
public:
    ZESound();
    virtual ~ZESound() = default;

    ZESound(const ZESound&) = delete;
    ZESound& operator=(const ZESound&) = delete;

    // A new reference with a fresh reference id (owned by the caller);
    // counts it.
    ZESoundReference* GetReference();
    // Counts one reference down when it was made for this sound; returns the
    // remaining count.
    uint32_t ReleaseReference(ZESoundReference* reference);

    static uint32_t ms_ulNextID;

    ZESound* m_pNext = nullptr;
    ZEString m_Name;            // the path it was loaded from
    uint32_t m_ulReferences = 0;
    uint32_t m_ulID;
};

// Forwards every operation to ZESoundDevice::ms_pSoundDevice (nothing
// happens without a device).
class ZESoundReference
{
public:
    // An empty reference: plays nothing, but has its own id.
    ZESoundReference();
    explicit ZESoundReference(ZESound* sound);
    // Stops this reference's voice, then counts the sound down.
    ~ZESoundReference();

    ZESoundReference(const ZESoundReference&) = delete;
    ZESoundReference& operator=(const ZESoundReference&) = delete;

    // The sound while the live manager still lists it under this
    // reference's sound id; null for an empty or stale reference.
    ZESound* GetSound() const;

    void Play(int16_t repeats);
    void Play(int16_t repeats, float volume);
    void Play3D(float x, float y, float z, int16_t repeats);
    void Play3D(float x, float y, float z, int16_t repeats, float volume);
    void Play3D(const ZEVector& pos, const ZEVector& velocity, int16_t repeats);
    void Play3D(const ZEVector& pos, const ZEVector& velocity, int16_t repeats, float volume);
    void Stop();
    void UpdatePosition(const ZEVector& pos);
    void UpdateProperties(const ZEVector& pos, const ZEVector& velocity);
    bool IsPlaying();

    static uint32_t ms_ulNextID;

    ZESound* m_pSound = nullptr;
    uint32_t m_ulSoundID = 0;
    uint32_t m_ulID;
};

class ZESoundManager
{
public:
    ZESoundManager();
    // Frees every sound on the device and deletes it.
    ~ZESoundManager();

    ZESoundManager(const ZESoundManager&) = delete;
    ZESoundManager& operator=(const ZESoundManager&) = delete;

    // Made into a path ending in "/" (an empty directory stays empty).
    void SetSoundDirectory(const ZEString& directory);
    const ZEString& GetSoundDirectory() const { return m_Directory; }

    // See above: a shared reference, or an empty one for an empty name or
    // a failed load; never null.
    ZESoundReference* GetSound(const ZEString& name);

    void FreeUnusedSounds();
    void FreeAllSounds();
    // Appends at the tail and counts.
    void AddToList(ZESound* sound);
    // Unlinks, deletes and counts down; a sound not in the list is left
    // alone.
    void RemoveFromList(ZESound* sound);
    // Whether `sound` is listed and still carries `id`; compares addresses
    // only, so a stale pointer is never dereferenced.
    bool Contains(const ZESound* sound, uint32_t id) const;

    // The device frees every sound's data; the sounds stay listed.
    void UnloadAllSounds();
    // The device loads every listed sound again.
    void ReloadAllSounds();

    // Forwarded to the device.
    void SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up);
    void SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up, const ZEVector& velocity);
    // The device's once-a-frame housekeeping, for frames that leave the
    // listener alone.
    void Update();

    ZESound* GetSounds() const { return m_pSounds; }
    uint32_t GetNumSounds() const { return m_ulNumSounds; }

    static ZESoundManager* ms_pSoundManager;

    ZEString m_Directory;
    ZESound* m_pSounds = nullptr;
    uint32_t m_ulNumSounds = 0;

private:
    void FreeSound(ZESound* sound);
};
