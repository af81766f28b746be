#include "resources/ZESoundManager.h"

#include "resources/ZESoundDevice.h"

ZE_IMPLEMENT_ROOT_RTTI(ZESound);

uint32_t ZESound::ms_ulNextID = 1;
uint32_t ZESoundReference::ms_ulNextID = 1;
ZESoundManager* ZESoundManager::ms_pSoundManager = nullptr;

namespace
{
ZESoundDevice* Device()
{
    return ZESoundDevice::ms_pSoundDevice;
}
}

// ---------------------------------------------------------------------------
// ZESound

ZESound::ZESound()
    : m_ulID(ms_ulNextID++)
{
}

ZESoundReference* ZESound::GetReference()
{
    ++m_ulReferences;
    return new ZESoundReference(this);
}

uint32_t ZESound::ReleaseReference(ZESoundReference* reference)
{
    bool mine = reference && reference->m_pSound == this && reference->m_ulSoundID == m_ulID;
    if (mine && m_ulReferences > 0)
        --m_ulReferences;
    return m_ulReferences;
}

// ---------------------------------------------------------------------------
// ZESoundReference

ZESoundReference::ZESoundReference()
    : m_ulID(ms_ulNextID++)
{
}

ZESoundReference::ZESoundReference(ZESound* sound)
    : m_pSound(sound), m_ulSoundID(sound ? sound->m_ulID : 0), m_ulID(ms_ulNextID++)
{
}

ZESoundReference::~ZESoundReference()
{
    Stop();
    if (ZESound* sound = GetSound())
        sound->ReleaseReference(this);
}

ZESound* ZESoundReference::GetSound() const
{
    ZESoundManager* manager = ZESoundManager::ms_pSoundManager;
    if (!m_pSound || !manager || !manager->Contains(m_pSound, m_ulSoundID))
        return nullptr;
    return m_pSound;
}

void ZESoundReference::Play(int16_t repeats)
{
    if (Device())
        Device()->PlaySound(this, repeats);
}

void ZESoundReference::Play(int16_t repeats, float volume)
{
    if (Device())
        Device()->PlaySound(this, repeats, volume);
}

void ZESoundReference::Play3D(float x, float y, float z, int16_t repeats)
{
    if (Device())
        Device()->PlaySound3D(this, x, y, z, repeats);
}

void ZESoundReference::Play3D(float x, float y, float z, int16_t repeats, float volume)
{
    if (Device())
        Device()->PlaySound3D(this, x, y, z, repeats, volume);
}

void ZESoundReference::Play3D(const ZEVector& pos, const ZEVector& velocity, int16_t repeats)
{
    if (Device())
        Device()->PlaySound3D(this, pos, velocity, repeats);
}

void ZESoundReference::Play3D(const ZEVector& pos, const ZEVector& velocity, int16_t repeats, float volume)
{
    if (Device())
        Device()->PlaySound3D(this, pos, velocity, repeats, volume);
}

void ZESoundReference::Stop()
{
    if (Device())
        Device()->StopSound(this);
}

void ZESoundReference::UpdatePosition(const ZEVector& pos)
{
    if (Device())
        Device()->UpdateSoundPosition(this, pos);
}

void ZESoundReference::UpdateProperties(const ZEVector& pos, const ZEVector& velocity)
{
    if (Device())
        Device()->UpdateSoundProperties(this, pos, velocity);
}

bool ZESoundReference::IsPlaying()
{
    return Device() && Device()->IsPlaying(this);
}

// ---------------------------------------------------------------------------
// ZESoundManager

ZESoundManager::ZESoundManager()
{
    ms_pSoundManager = this;
}

ZESoundManager::~ZESoundManager()
{
    FreeAllSounds();
    if (ms_pSoundManager == this)
        ms_pSoundManager = nullptr;
}

void ZESoundManager::SetSoundDirectory(const ZEString& directory)
{
    m_Directory = directory;
    m_Directory.MakePathName();
}

ZESoundReference* ZESoundManager::GetSound(const ZEString& name)
{
    ZEString path(m_Directory);
    path.Append(name.CStr());
    for (ZESound* sound = m_pSounds; sound; sound = sound->m_pNext)
        if (sound->m_Name == path)
            return sound->GetReference();
    // A caller may play whatever it was given, so nothing comes back null.
    if (name.IsEmpty())
        return new ZESoundReference();

    ZESound* sound = Device() ? Device()->LoadSound(path) : nullptr;
    if (!sound)
        return new ZESoundReference();
    AddToList(sound);
    return sound->GetReference();
}

void ZESoundManager::FreeSound(ZESound* sound)
{
    if (Device())
        Device()->FreeSound(sound);
    RemoveFromList(sound);
}

void ZESoundManager::FreeUnusedSounds()
{
    ZESound* sound = m_pSounds;
    while (sound)
    {
        ZESound* next = sound->m_pNext;
        if (sound->m_ulReferences == 0)
            FreeSound(sound);
        sound = next;
    }
}

void ZESoundManager::FreeAllSounds()
{
    while (m_pSounds)
        FreeSound(m_pSounds);
}

void ZESoundManager::AddToList(ZESound* sound)
{
    if (!sound)
        return;
    sound->m_pNext = nullptr;
    ZESound** link = &m_pSounds;
    while (*link)
        link = &(*link)->m_pNext;
    *link = sound;
    ++m_ulNumSounds;
}

void ZESoundManager::RemoveFromList(ZESound* sound)
{
    for (ZESound** link = &m_pSounds; *link; link = &(*link)->m_pNext)
    {
        if (*link != sound)
            continue;
        *link = sound->m_pNext;
        delete sound;
        --m_ulNumSounds;
        return;
    }
}

bool ZESoundManager::Contains(const ZESound* sound, uint32_t id) const
{
    for (const ZESound* listed = m_pSounds; listed; listed = listed->m_pNext)
        if (listed == sound && listed->m_ulID == id)
            return true;
    return false;
}

void ZESoundManager::UnloadAllSounds()
{
    if (!Device())
        return;
    for (ZESound* sound = m_pSounds; sound; sound = sound->m_pNext)
        Device()->FreeSound(sound);
}

void ZESoundManager::ReloadAllSounds()
{
    if (!Device())
        return;
    for (ZESound* sound = m_pSounds; sound; sound = sound->m_pNext)
        Device()->ReloadSound(sound);
}

void ZESoundManager::SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up)
{
    if (Device())
        Device()->SetListener(pos, at, up);
}

void ZESoundManager::SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                                 const ZEVector& velocity)
{
    if (Device())
        Device()->SetListener(pos, at, up, velocity);
}

void ZESoundManager::Update()
{
    if (Device())
        Device()->Update();
}
