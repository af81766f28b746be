// Harmony check: whether the notes a tune's description plays can be heard
// in the sound it became, or are drowned by its drums.
//
// Two sides are compared bar by bar over the song:
// - What is played: the pitch classes of every note a tonal instrument
//   sounds in the bar, after the section's transposition, including notes
//   held over from an earlier bar of the same pattern. An instrument is
//   tonal when some pattern gives it notes; one that only ever hits its
//   own pitch (kick, snare, hats, metal) is a drum and is left out, since
//   its pitch is a colour rather than part of the harmony.
// - What is heard: the bar's chroma. The channels are mixed to mono, cut
//   into 4096-sample Hann windows half overlapping, and the power of every
//   FFT bin between 80 and 2000 Hz goes to the pitch class nearest the
//   frequency of the spectral peak the bin belongs to (A4 = 440 Hz), so a
//   low note is not smeared over its neighbours by bins wider than a
//   semitone. A window belongs to the bar holding its centre.
//
// The score: the fraction of bars whose three strongest pitch classes are
// all played ones (of a bar playing fewer classes, that many strongest), and the share of all the bars' energy that lies in
// played classes. Both come with what a sound spreading its energy evenly
// over the twelve classes would score (a noise, or drums alone), so a
// result can be told from chance. Nothing here keeps state; inputs are
// only read.
#pragma once

#include "ZESynth.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// Bit c set for pitch class c (0 = C, 1 = C#, ... 11 = B).
using ZESynthPitchClasses = uint16_t;

// Power in each pitch class, and in all of them, over one bar.
struct ZESynthChromaBar
{
    std::array<double, 12> m_adPower{};
    double m_dTotal = 0.0;

    // The `count` strongest classes as a set (ties go to the lower class).
    ZESynthPitchClasses Strongest(uint32_t count) const;
};

struct ZESynthHarmonyScore
{
    uint32_t m_ulBars = 0;        // bars that play notes and hold sound
    double m_dMatch = 0.0;        // of those, the fraction heard as played (ZESynthHeardAsPlayed)
    double m_dChanceMatch = 0.0;  // the same for strongest classes drawn at random
    double m_dInKey = 0.0;        // energy in played classes / all energy in those bars
    double m_dChanceInKey = 0.0;  // the same for energy spread evenly
};

// The pitch classes played in each bar of the song, one entry a bar; empty
// when the description has no song.
std::vector<ZESynthPitchClasses> ZESynthBarPitchClasses(const ZESynthDescription& description);

// The chroma of `bars` bars of `barSeconds` each, from interleaved
// `samples` of `channels` channels at `rate`. Bars past the end of the
// sound come back empty (total 0).
std::vector<ZESynthChromaBar> ZESynthBarChroma(const std::vector<float>& samples, uint32_t channels,
                                               uint32_t rate, double barSeconds, size_t bars);

// Whether a bar's strongest classes, three of them or as many as it plays
// when fewer, are all played ones; never for a bar that plays nothing.
bool ZESynthHeardAsPlayed(ZESynthPitchClasses played, const ZESynthChromaBar& heard);

// Scores the bars both sides have; bars that play nothing or hold no sound
// are left out of every figure.
ZESynthHarmonyScore ZESynthScoreHarmony(const std::vector<ZESynthPitchClasses>& played,
                                        const std::vector<ZESynthChromaBar>& heard);

// The played classes moved up by `semitones` (for measuring a tune
// against a harmony it does not play).
ZESynthPitchClasses ZESynthTransposeClasses(ZESynthPitchClasses classes, int semitones);
