#include "core/ZECDPlayer.h"

ZECDPlayer* ZECDPlayer::ms_pCDPlayer = nullptr;

ZECDPlayer::ZECDPlayer()
{
    ms_pCDPlayer = this;
}

ZECDPlayer::~ZECDPlayer()
{
    if (ms_pCDPlayer == this)
        ms_pCDPlayer = nullptr;
}

bool ZECDPlayer::AudioCDInDrive()
{
    return false;
}

int32_t ZECDPlayer::GetNumberOfTracks()
{
    return -1;
}

void ZECDPlayer::Play() {}
void ZECDPlayer::Play(int32_t) {}
void ZECDPlayer::Stop() {}
void ZECDPlayer::Pause() {}
