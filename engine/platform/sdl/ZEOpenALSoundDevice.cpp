#include "platform/sdl/ZEOpenALSoundDevice.h"

// The OpenAL start-up, buffers and sources come with the sound backend;
// until then this device behaves as the silent base: nothing is opened, so
// it runs on machines without audio.

ZEOpenALSoundDevice::ZEOpenALSoundDevice() = default;

ZEOpenALSoundDevice::~ZEOpenALSoundDevice()
{
    while (m_pSources)
    {
        _OpenALSource* source = m_pSources;
        m_pSources = source->m_pNext;
        delete source;
    }
    while (m_pBuffers)
    {
        _OpenALBuffer* buffer = m_pBuffers;
        m_pBuffers = buffer->m_pNext;
        delete buffer;
    }
}

void ZEOpenALSoundDevice::SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up,
                                      const ZEVector& velocity)
{
    ZESoundDevice::SetListener(pos, at, up, velocity);
}

void ZEOpenALSoundDevice::PlaySound(ZESoundReference* reference, int16_t repeats, float volume)
{
    ZESoundDevice::PlaySound(reference, repeats, volume);
}

void ZEOpenALSoundDevice::PlaySound3D(ZESoundReference* reference, const ZEVector& pos,
                                      const ZEVector& velocity, int16_t repeats, float volume)
{
    ZESoundDevice::PlaySound3D(reference, pos, velocity, repeats, volume);
}

void ZEOpenALSoundDevice::StopSound(ZESoundReference* reference)
{
    ZESoundDevice::StopSound(reference);
}

void ZEOpenALSoundDevice::UpdateSoundPosition(ZESoundReference* reference, const ZEVector& pos)
{
    ZESoundDevice::UpdateSoundPosition(reference, pos);
}

void ZEOpenALSoundDevice::UpdateSoundProperties(ZESoundReference* reference, const ZEVector& pos,
                                                const ZEVector& velocity)
{
    ZESoundDevice::UpdateSoundProperties(reference, pos, velocity);
}

ZESound* ZEOpenALSoundDevice::LoadSound(const ZEString& path)
{
    return ZESoundDevice::LoadSound(path);
}

bool ZEOpenALSoundDevice::ReloadSound(ZESound* sound)
{
    return ZESoundDevice::ReloadSound(sound);
}

void ZEOpenALSoundDevice::FreeSound(ZESound* sound)
{
    ZESoundDevice::FreeSound(sound);
}

bool ZEOpenALSoundDevice::IsPlaying(ZESoundReference* reference)
{
    return ZESoundDevice::IsPlaying(reference);
}
