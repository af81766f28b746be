// ZECDPlayer: audio-CD playback, the game's alternative music source.
//
// The application creates the one player (ms_pCDPlayer) among its devices,
// lends it to the engine, and at shutdown calls Stop() before destroying
// it. Tracks count from 0. The base is a player without a drive: no disc,
// -1 tracks, every command ignored.
#pragma once

#include <cstdint>

class ZECDPlayer
{
public:
    ZECDPlayer();

    ZECDPlayer(const ZECDPlayer&) = delete;
    ZECDPlayer& operator=(const ZECDPlayer&) = delete;

    // An audio disc is in the drive (stopped, playing or paused).
    virtual bool AudioCDInDrive();
    // The disc's track count, or -1 without a drive.
    virtual int32_t GetNumberOfTracks();
    // The whole disc from the first track.
    virtual void Play();
    // From `track` to the end of the disc; a track at or beyond the count
    // plays the last one.
    virtual void Play(int32_t track);
    virtual void Stop();
    // Toggles between paused and playing.
    virtual void Pause();
    // After the six operations, so they keep their places.
    virtual ~ZECDPlayer();

    static ZECDPlayer* ms_pCDPlayer;
};
