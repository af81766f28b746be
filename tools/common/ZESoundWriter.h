// ZESoundWriter: writes sounds as RIFF WAVE (16-bit PCM) or Ogg Vorbis
// files, for the sound tool and for tests that need sound files.
//
// Samples are interleaved frames: for stereo, left then right. The WAV
// writer takes 16-bit integers and writes the minimal file the engine's
// loader reads ("RIFF", "WAVE", a 16-byte "fmt " chunk, "data"). The Ogg
// Vorbis encoder takes floats in [-1, 1] (values beyond are clipped by the
// codec) and encodes them in variable-bitrate mode at the given quality
// (-0.1 to 1.0). Encoding is deterministic: a fixed stream serial number,
// so the same samples always give the same bytes and builds are
// reproducible.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The WAV file of `frames` frames of `channels` channels (1 or 2) at `rate`
// Hz. False with `error` set for a channel count other than 1 or 2, a rate
// of 0, a sample count that is not a whole number of frames, or data too
// large for the 32-bit RIFF sizes.
bool ZEEncodeWave(const std::vector<int16_t>& samples, uint32_t channels, uint32_t rate,
                  std::vector<uint8_t>& wave, std::string& error);

// The Ogg Vorbis file of the samples. Same refusals as ZEEncodeWave, and a
// failure of the codec to set up at that rate and quality.
bool ZEEncodeOggVorbis(const std::vector<float>& samples, uint32_t channels, uint32_t rate, float quality,
                       std::vector<uint8_t>& ogg, std::string& error);

// Encode and write; a failed write leaves the old file untouched.
bool ZEWriteWave(const std::string& path, const std::vector<int16_t>& samples, uint32_t channels,
                 uint32_t rate, std::string& error);
bool ZEWriteOggVorbis(const std::string& path, const std::vector<float>& samples, uint32_t channels,
                      uint32_t rate, float quality, std::string& error);
