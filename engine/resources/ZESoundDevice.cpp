#include "resources/ZESoundDevice.h"

#include <cmath>

ZESoundDevice* ZESoundDevice::ms_pSoundDevice = nullptr;

ZESoundDevice::ZESoundDevice()
{
    ms_pSoundDevice = this;
}

ZESoundDevice::~ZESoundDevice()
{
    if (ms_pSoundDevice == this)
        ms_pSoundDevice = nullptr;
}

void ZESoundDevice::SetListener(const ZEVector& pos, const ZEVector& at, const ZEVector& up)
{
    SetListener(pos, at, up, ZEVector());
}

void ZESoundDevice::SetListener(const ZEVector&, const ZEVector&, const ZEVector&, const ZEVector&) {}

void ZESoundDevice::PlaySound(ZESoundReference* reference, int16_t repeats)
{
    PlaySound(reference, repeats, 1.0f);
}

void ZESoundDevice::PlaySound(ZESoundReference*, int16_t, float) {}

void ZESoundDevice::PlaySound3D(ZESoundReference* reference, float x, float y, float z, int16_t repeats)
{
    PlaySound3D(reference, x, y, z, repeats, 1.0f);
}

void ZESoundDevice::PlaySound3D(ZESoundReference* reference, float x, float y, float z, int16_t repeats,
                                float volume)
{
    PlaySound3D(reference, ZEVector(x, y, z), ZEVector(), repeats, volume);
}

void ZESoundDevice::PlaySound3D(ZESoundReference* reference, const ZEVector& pos, const ZEVector& velocity,
                                int16_t repeats)
{
    PlaySound3D(reference, pos, velocity, repeats, 1.0f);
}

void ZESoundDevice::PlaySound3D(ZESoundReference*, const ZEVector&, const ZEVector&, int16_t, float) {}

void ZESoundDevice::StopSound(ZESoundReference*) {}

void ZESoundDevice::UpdateSoundPosition(ZESoundReference*, const ZEVector&) {}

void ZESoundDevice::UpdateSoundProperties(ZESoundReference*, const ZEVector&, const ZEVector&) {}

ZESound* ZESoundDevice::LoadSound(const ZEString&)
{
    return nullptr;
}

bool ZESoundDevice::ReloadSound(ZESound*)
{
    return false;
}

void ZESoundDevice::FreeSound(ZESound*) {}

bool ZESoundDevice::IsPlaying(ZESoundReference*)
{
    return false;
}

void ZESoundDevice::Update() {}

void ZESoundDevice::SetVolume(float volume)
{
    // Not a number would silence or distort every later voice.
    if (std::isnan(volume))
        return;
    m_fVolume = std::fabs(volume);
}
