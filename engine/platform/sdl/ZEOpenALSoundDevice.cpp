#include "platform/sdl/ZEOpenALSoundDevice.h"

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "resources/ZESoundLoader.h"
#include "resources/ZESoundManager.h"

#include <AL/al.h>
#include <AL/alut.h>

#include <cmath>
#include <cstring>

namespace
{
const float kFlatGain = 0.1f;
const float kPlacedGain = 10.0f;
const float kListenerGain = 10.0f;
const float kDopplerFactor = 1.0f;
const float kDopplerVelocity = 343.3f;

float Gain(float scale, float deviceVolume, float volume)
{
    float gain = scale * deviceVolume * std::fabs(volume);
    return std::isfinite(gain) ? gain : 0.0f;
}

ALenum BufferFormat(bool stereo, uint32_t bits)
{
    if (stereo)
        return bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
    return bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
}

ALint SourceState(ALuint source)
{
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

// Engine coordinates are left-handed, OpenAL's right-handed.
void SetSourcePosition(ALuint source, const ZEVector& pos)
{
    alSource3f(source, AL_POSITION, pos.x, pos.y, -pos.z);
}

void PostSound(const ZEString& text)
{
    ZEConsole::Post("sound", text, ZE_MSG_ERROR);
}

bool IsOggName(const ZEString& path)
{
    return std::strstr(path.CStr(), ".ogg") != nullptr;
}
}

ZEOpenALSoundDevice::ZEOpenALSoundDevice()
{
    if (!alutInit(nullptr, nullptr))
    {
        m_ClosedReason = ZEString::Format("no audio output (%s); sounds stay silent",
                                          alutGetErrorString(alutGetError()));
        return;
    }
    m_bOpen = true;
    alListenerf(AL_GAIN, kListenerGain);
    alDopplerFactor(kDopplerFactor);
    alDopplerVelocity(kDopplerVelocity);
    alListener3f(AL_POSITION, 0.0f, 0.0f, 0.0f);
    alListenerfv(AL_ORIENTATION, m_afOrientation);
}

ZEOpenALSoundDevice::~ZEOpenALSoundDevice()
{
    while (m_pSources)
        RemoveSource(&m_pSources);
    while (m_pBuffers)
        RemoveBuffer(&m_pBuffers);
    if (m_bOpen)
        alutExit();
}

// --- Listener ----------------------------------------------------------------

void ZEOpenALSoundDevice::SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                                      const ZEVector&)
{
    RemoveStoppedSources();
    const float orientation[6] = {at.x, at.y, -at.z, up.x, up.y, -up.z};
    std::memcpy(m_afOrientation, orientation, sizeof(m_afOrientation));
    if (!m_bOpen)
        return;
    alListenerfv(AL_ORIENTATION, m_afOrientation);
    alListener3f(AL_POSITION, pos.x, pos.y, -pos.z);
}

void ZEOpenALSoundDevice::Update()
{
    RemoveStoppedSources();
}

// --- Playing -------------------------------------------------------------------

void ZEOpenALSoundDevice::PlaySound(ZESoundReference* reference, int16_t repeats, float volume)
{
    StartSource(reference, repeats, Gain(kFlatGain, m_fVolume, volume), nullptr);
}

void ZEOpenALSoundDevice::PlaySound3D(ZESoundReference* reference, const ZEVector& pos, const ZEVector&,
                                      int16_t repeats, float volume)
{
    StartSource(reference, repeats, Gain(kPlacedGain, m_fVolume, volume), &pos);
}

void ZEOpenALSoundDevice::StartSource(ZESoundReference* reference, int16_t repeats, float gain,
                                      const ZEVector* position)
{
    if (!m_bOpen || !reference)
        return;
    _OpenALBuffer* buffer = FindBuffer(reference->m_ulSoundID);
    if (!buffer)
        return;
    // OpenAL has a limited number of sources; a play beyond it is dropped
    // rather than driving a source name that was never made.
    alGetError();
    ALuint name = 0;
    alGenSources(1, &name);
    if (alGetError() != AL_NO_ERROR)
    {
        PostSound(ZEString::Format("no free voice for %s; the play is dropped", buffer->m_Name.CStr()));
        return;
    }
    alSourcei(name, AL_BUFFER, static_cast<ALint>(buffer->m_uiBuffer));
    alSourcef(name, AL_GAIN, gain);
    alSourcei(name, AL_SOURCE_RELATIVE, position ? AL_FALSE : AL_TRUE);
    if (position)
        SetSourcePosition(name, *position);
    alSourcei(name, AL_LOOPING, repeats == -1 ? AL_TRUE : AL_FALSE);
    alSourcePlay(name);

    _OpenALSource* source = new _OpenALSource();
    source->m_ulSoundID = reference->m_ulSoundID;
    source->m_ulReferenceID = reference->m_ulID;
    source->m_uiSource = name;
    source->m_b3D = position != nullptr;
    source->m_sRepeats = repeats;
    AppendSource(source);
}

void ZEOpenALSoundDevice::StopSound(ZESoundReference* reference)
{
    if (reference)
    {
        for (_OpenALSource** link = &m_pSources; *link;)
        {
            if ((*link)->m_ulReferenceID == reference->m_ulID)
                RemoveSource(link);
            else
                link = &(*link)->m_pNext;
        }
    }
    RemoveStoppedSources();
}

void ZEOpenALSoundDevice::UpdateSoundPosition(ZESoundReference* reference, const ZEVector& pos)
{
    if (!m_bOpen || !reference)
        return;
    for (_OpenALSource* source = m_pSources; source; source = source->m_pNext)
        if (source->m_ulReferenceID == reference->m_ulID && source->m_b3D)
            SetSourcePosition(source->m_uiSource, pos);
}

void ZEOpenALSoundDevice::UpdateSoundProperties(ZESoundReference* reference, const ZEVector& pos,
                                                const ZEVector&)
{
    UpdateSoundPosition(reference, pos);
}

bool ZEOpenALSoundDevice::IsPlaying(ZESoundReference* reference)
{
    if (!m_bOpen || !reference)
        return false;
    for (_OpenALSource* source = m_pSources; source; source = source->m_pNext)
        if (source->m_ulReferenceID == reference->m_ulID && SourceState(source->m_uiSource) == AL_PLAYING)
            return true;
    return false;
}

uint32_t ZEOpenALSoundDevice::CountSources(const ZESoundReference* reference) const
{
    uint32_t count = 0;
    for (const _OpenALSource* source = m_pSources; source; source = source->m_pNext)
        if (reference && source->m_ulReferenceID == reference->m_ulID)
            ++count;
    return count;
}

void ZEOpenALSoundDevice::RemoveStoppedSources()
{
    for (_OpenALSource** link = &m_pSources; *link;)
    {
        _OpenALSource* source = *link;
        if (m_bOpen && SourceState(source->m_uiSource) == AL_PLAYING)
        {
            link = &source->m_pNext;
            continue;
        }
        if (source->m_sRepeats < 1)
        {
            RemoveSource(link);
            continue;
        }
        --source->m_sRepeats;
        alSourcePlay(source->m_uiSource);
        link = &source->m_pNext;
    }
}

// --- Sounds and buffers ----------------------------------------------------------

ZESound* ZEOpenALSoundDevice::LoadSound(const ZEString& path)
{
    RemoveStoppedSources();
    _OpenALBuffer* buffer = LoadBuffer(path);
    if (!buffer)
        return nullptr;
    ZESound* sound = new ZESound();
    sound->m_Name = path;
    buffer->m_ulSoundID = sound->m_ulID;
    return sound;
}

bool ZEOpenALSoundDevice::ReloadSound(ZESound* sound)
{
    if (!sound)
        return false;
    // Reloading what is still loaded would leave two buffers under one id.
    if (FindBuffer(sound->m_ulID))
        return true;
    _OpenALBuffer* buffer = LoadBuffer(sound->m_Name);
    if (!buffer)
        return false;
    buffer->m_ulSoundID = sound->m_ulID;
    return true;
}

void ZEOpenALSoundDevice::FreeSound(ZESound* sound)
{
    RemoveStoppedSources();
    if (!sound)
        return;
    for (_OpenALSource** link = &m_pSources; *link;)
    {
        if ((*link)->m_ulSoundID == sound->m_ulID)
            RemoveSource(link);
        else
            link = &(*link)->m_pNext;
    }
    for (_OpenALBuffer** link = &m_pBuffers; *link; link = &(*link)->m_pNext)
    {
        if ((*link)->m_ulSoundID == sound->m_ulID)
        {
            RemoveBuffer(link);
            return;
        }
    }
}

_OpenALBuffer* ZEOpenALSoundDevice::FindBuffer(uint32_t soundID) const
{
    if (soundID == 0)
        return nullptr;
    for (_OpenALBuffer* buffer = m_pBuffers; buffer; buffer = buffer->m_pNext)
        if (buffer->m_ulSoundID == soundID)
            return buffer;
    return nullptr;
}

// Reads and decodes the file into a new OpenAL buffer, listed without a
// sound id; null (with the reason posted) when that cannot be done.
_OpenALBuffer* ZEOpenALSoundDevice::LoadBuffer(const ZEString& path)
{
    if (!m_bOpen)
    {
        PostClosedOnce();
        return nullptr;
    }
    ZEFileManager* files = ZEFileManager::ms_pFileManager;
    uint32_t available = 0;
    FILE* file = files ? files->OpenFile(path, available) : nullptr;
    if (!file)
    {
        ZEConsole::Post("sound", ZEString::Format("%s not found", path.CStr()), ZE_MSG_DEFAULT);
        return nullptr;
    }
    char* data = nullptr;
    uint32_t size = 0, frequency = 0, bits = 0;
    bool stereo = false;
    bool decoded = IsOggName(path)
                       ? ZESoundLoader::LoadOggVorbis(file, available, path, &data, size, frequency, bits, stereo)
                       : ZESoundLoader::LoadWave(file, available, path, &data, size, frequency, bits, stereo);
    if (!decoded)
        return nullptr;

    alGetError();
    ALuint name = 0;
    alGenBuffers(1, &name);
    bool made = alGetError() == AL_NO_ERROR;
    if (made)
    {
        alBufferData(name, BufferFormat(stereo, bits), data, static_cast<ALsizei>(size),
                     static_cast<ALsizei>(frequency));
        made = alGetError() == AL_NO_ERROR;
        if (!made)
            alDeleteBuffers(1, &name);
    }
    delete[] data;
    if (!made)
    {
        PostSound(ZEString::Format("%s could not be handed to the audio output", path.CStr()));
        return nullptr;
    }
    _OpenALBuffer* buffer = new _OpenALBuffer();
    buffer->m_Name = path;
    buffer->m_uiBuffer = name;
    AppendBuffer(buffer);
    return buffer;
}

void ZEOpenALSoundDevice::PostClosedOnce()
{
    if (m_bClosedReported)
        return;
    m_bClosedReported = true;
    PostSound(m_ClosedReason);
}

// --- Lists ------------------------------------------------------------------------

void ZEOpenALSoundDevice::AppendBuffer(_OpenALBuffer* buffer)
{
    _OpenALBuffer** link = &m_pBuffers;
    while (*link)
        link = &(*link)->m_pNext;
    *link = buffer;
    ++m_ulNumBuffers;
}

void ZEOpenALSoundDevice::AppendSource(_OpenALSource* source)
{
    _OpenALSource** link = &m_pSources;
    while (*link)
        link = &(*link)->m_pNext;
    *link = source;
    ++m_ulNumSources;
}

void ZEOpenALSoundDevice::RemoveSource(_OpenALSource** link)
{
    _OpenALSource* source = *link;
    *link = source->m_pNext;
    // Deleting a playing source stops it.
    if (m_bOpen)
    {
        ALuint name = source->m_uiSource;
        alDeleteSources(1, &name);
    }
    delete source;
    --m_ulNumSources;
}

void ZEOpenALSoundDevice::RemoveBuffer(_OpenALBuffer** link)
{
    _OpenALBuffer* buffer = *link;
    *link = buffer->m_pNext;
    if (m_bOpen)
    {
        ALuint name = buffer->m_uiBuffer;
        alDeleteBuffers(1, &name);
    }
    delete buffer;
    --m_ulNumBuffers;
}
