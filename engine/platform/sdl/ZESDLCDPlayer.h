// ZESDLCDPlayer: audio-CD playback through SDL's CD-ROM functions.
//
// The player drives the first drive SDL reports; without a drive (m_pCD
// null) it reports no disc and -1 tracks and ignores every command. Every
// command acts only while an audio disc is in the drive. Pause() toggles;
// a failed pause or resume leaves m_bPaused as it was.
//
// The drive is not opened yet: this player behaves as one without a drive.
#pragma once

#include "core/ZECDPlayer.h"

struct SDL_CD;

class ZESDLCDPlayer : public ZECDPlayer
{
public:
    ZESDLCDPlayer();
    // Closes the drive when one is open.
    ~ZESDLCDPlayer() override;

    bool AudioCDInDrive() override;
    int32_t GetNumberOfTracks() override;
    void Play() override;
    void Play(int32_t track) override;
    void Stop() override;
    void Pause() override;

    SDL_CD* m_pCD = nullptr;
    bool m_bPaused = false;
};
