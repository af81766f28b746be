#include "platform/sdl/ZESDLCDPlayer.h"

#include <SDL/SDL.h>

// Opening the drive and the SDL playback calls come with the CD work; until
// then the player keeps m_pCD null and answers as a machine without a
// drive, so start-up never touches optical hardware.

ZESDLCDPlayer::ZESDLCDPlayer() = default;

ZESDLCDPlayer::~ZESDLCDPlayer()
{
    if (m_pCD)
        SDL_CDClose(m_pCD);
}

bool ZESDLCDPlayer::AudioCDInDrive()
{
    return false;
}

int32_t ZESDLCDPlayer::GetNumberOfTracks()
{
    return -1;
}

void ZESDLCDPlayer::Play() {}
void ZESDLCDPlayer::Play(int32_t) {}
void ZESDLCDPlayer::Stop() {}
void ZESDLCDPlayer::Pause() {}
