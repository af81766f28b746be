// zesynth: renders sounds and tunes from text descriptions.
//
// A description is one text file of "[section]" headers and "key = value"
// lines ("#" at the start of a line or between blanks starts a comment).
// It says what to play; the renderer turns it into float samples, which
// are then encoded as Ogg Vorbis. The model, from the bottom up:
//
// - A voice ([instrument name] or [layer name]) is one synthesiser patch:
//   sources (oscillators "osc", noise "noise", engine firing pulses
//   "firing") summed, then up to two filters, an amplitude envelope,
//   modulation (pitch envelope and LFO, cutoff envelope and LFO, tremolo),
//   a waveshaper, and its place in the mix (gain, pan, reverb and delay
//   sends, ducking). "like = other" starts a voice as a copy of another.
// - A layer is a voice that plays once: from "at" for "hold" seconds
//   at its "note" or "freq". An instrument plays the notes of patterns.
// - A pattern ([pattern name]) is a grid of steps ("steps" per bar, "bars"
//   long); each of its keys names an instrument and lists one token per
//   step: "." rest, "_" holds the note before, "x"/"X"/"o" a hit at the
//   instrument's own note (normal, accent, soft), "C4" a note, "C4:m7" a
//   chord by name, "A3+C4+E4" a chord by its notes; "!" after a note makes
//   it an accent, "?" a soft one; "|" is a bar line for the reader only.
// - A section ([section name]) plays patterns side by side for "bars"
//   bars, each pattern repeating within it; "bass+5" transposes.
// - The song ([song]) orders sections ("intro a a*2 b") at a tempo.
// - The buses: a reverb ([reverb]) and a delay ([delay]) fed by the
//   voices' sends, and the master ([master]) that sums everything.
//
// Loops ("loop = yes" in [sound]) are rendered on a circle: whatever rings
// past the loop's end (release tails, echoes, reverb) is folded onto its
// start, the bus effects run over the loop as if it had already played
// once, and a layer with neither "at" nor "hold" is a continuous sound made
// periodic: its noise repeats with the loop, and its oscillator, LFO and
// firing rates are nudged to a whole number of cycles per loop. So the last
// sample flows into the first as any sample flows into the next.
//
// Rules: every value is checked when the description is read; an error
// names "file:line" and nothing is rendered. Rendering is deterministic
// (noise comes from a hash of the seed and the sample index), so the same
// description always gives the same samples. Nothing here keeps global
// state; a parsed description owns all its parts by value.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// A time-varying value: an amplitude (0..1), a pitch offset in semitones
// or a cutoff offset in octaves, depending on where it is used.
struct ZESynthEnvelope
{
    enum class Kind
    {
        Constant, // value
        Adsr,     // attack, decay (to -60 dB of the way), sustain level, release
        Perc,     // attack, decay (to -60 dB); ignores the note's length
        Points,   // time value pairs, linear between them, last value held
        Decay     // start value, time constant: value * exp(-t / tau)
    };
    Kind m_Kind = Kind::Constant;
    std::vector<float> m_afArgs{0.0f};

    // The value `t` seconds after the note began, for a note held `hold`
    // seconds (the release starts then).
    float At(double t, double hold) const;
    // The time after which the value stays (near) zero for a note held
    // `hold` seconds; Constant and Decay last as long as the note.
    double End(double hold) const;
    bool IsZero() const { return m_Kind == Kind::Constant && m_afArgs[0] == 0.0f; }
};

struct ZESynthLfo
{
    enum class Shape
    {
        Sine,
        Triangle,
        Square,
        Saw,    // rises
        Ramp,   // falls
        Random  // smoothly wandering between random values
    };
    Shape m_Shape = Shape::Sine;
    float m_fRate = 0.0f;  // Hz
    float m_fDepth = 0.0f; // units of the target at full swing
    float m_fPhase = 0.0f; // 0..1 where the cycle starts
    float m_fSkew = 0.5f;  // triangle: the part of the cycle spent rising
    uint32_t m_ulSeed = 0; // random shape only

    bool IsOff() const { return m_fDepth == 0.0f || m_fRate <= 0.0f; }
    // -1..1 at `t` seconds. `period` > 0 makes the random shape repeat
    // after that many seconds (the rate must fit it a whole number of times).
    float At(double t, double period) const;
};

struct ZESynthFilter
{
    enum class Type
    {
        None,
        Lowpass,
        Highpass,
        Bandpass,
        Notch
    };
    Type m_Type = Type::None;
    float m_fCutoff = 1000.0f;   // Hz
    float m_fResonance = 0.0f;   // 0 (Q 0.5) .. 1 (self-oscillation edge)
    float m_fKeytrack = 0.0f;    // 1: the cutoff follows the note's pitch
    ZESynthEnvelope m_Envelope;  // octaves added to the cutoff, times velocity
    ZESynthLfo m_Lfo;            // octaves
};

// One sound source of a voice.
struct ZESynthSource
{
    enum class Kind
    {
        Sine,
        Saw,
        Square,
        Pulse,
        Triangle,
        Fm,
        White,
        Pink,
        Brown,
        Firing
    };
    Kind m_Kind = Kind::Sine;
    float m_fLevel = 1.0f;
    float m_fSemi = 0.0f;     // pitch offset, semitones
    float m_fCents = 0.0f;
    float m_fRatio = 1.0f;    // frequency multiple
    float m_fFixed = 0.0f;    // Hz; > 0 ignores the note
    uint32_t m_ulVoices = 1;  // unison copies
    float m_fDetune = 0.0f;   // cents between the outermost unison copies
    float m_fWidth = 0.0f;    // stereo spread of the unison copies, 0..1
    float m_fPulseWidth = 0.5f;
    float m_fDecay = 0.0f;    // > 0: own exponential decay, time constant in s
    float m_fPhase = 0.0f;    // start phase 0..1 (unison copies spread from it)
    float m_fLowpass = 0.0f;  // own fixed filters (Hz, 0 = none)
    float m_fHighpass = 0.0f;
    float m_fBandpass = 0.0f;
    float m_fQ = 0.7f;
    // FM: a sine modulator at m_fMod times the frequency, its index falling
    // from m_fIndex towards m_fIndex * m_fFloor with time constant m_fSweep.
    float m_fMod = 1.0f;
    float m_fIndex = 0.0f;
    float m_fSweep = 0.0f;
    float m_fFloor = 0.0f;
    // Firing: m_fRate pulses a second (an engine's firing frequency), each
    // a fast-rising exponential pop of m_fDecay (or a ring at m_fRing Hz),
    // scaled by the cycling m_afPattern, shifted by the cycling m_afTiming
    // (in pulse intervals), varied at random by m_fJitter (level) and
    // m_fWobble (timing), dropped with chance m_fMiss, mixed with m_fNoise.
    float m_fRate = 0.0f;
    float m_fRing = 0.0f;
    float m_fJitter = 0.0f;
    float m_fWobble = 0.0f;
    float m_fMiss = 0.0f;
    float m_fNoise = 0.0f;
    std::vector<float> m_afPattern{1.0f};
    std::vector<float> m_afTiming{0.0f};
};

struct ZESynthShaper
{
    enum class Kind
    {
        None,
        Tanh,  // smooth saturation
        Clip,  // hard clipping
        Fold,  // wave folding
        Crush  // bit reduction
    };
    Kind m_Kind = Kind::None;
    float m_fGain = 0.0f;  // dB into the shaper
    float m_fMix = 1.0f;   // wet part
    float m_fBits = 8.0f;  // crush only
};

struct ZESynthVoice
{
    std::string m_Name;
    std::string m_Location; // "file:line" of its section
    uint32_t m_ulSeed = 1;  // its noise and random modulation
    std::vector<ZESynthSource> m_aSources;
    // Unless told otherwise a voice clicks neither in nor out.
    ZESynthEnvelope m_Amp{ZESynthEnvelope::Kind::Adsr, {0.002f, 0.0f, 1.0f, 0.02f}};
    ZESynthEnvelope m_Pitch;   // semitones
    ZESynthLfo m_PitchLfo;     // semitones
    float m_fGlide = 0.0f;     // s: smoothing of the pitch modulation (slides)
    ZESynthLfo m_AmpLfo;       // depth 0..1 of the tremolo
    ZESynthFilter m_aFilters[2];
    ZESynthShaper m_Shaper;
    float m_fFrequency = 261.6256f; // the note it plays when told no other
    float m_fGain = 0.0f;      // dB
    float m_fPan = 0.0f;       // -1 left .. 1 right
    float m_fReverb = 0.0f;    // sends 0..1
    float m_fDelay = 0.0f;
    float m_fDuck = 0.0f;      // depth of the pump from the sidechain hits
    bool m_bSidechain = false; // its hits drive the pump
    float m_fGate = 1.0f;      // part of a step-held note actually held
    float m_fTail = 8.0f;      // longest release rendered, s
    // Layers only.
    float m_fAt = 0.0f;
    float m_fHold = -1.0f;     // < 0: to the end of the sound
    float m_fVelocity = 1.0f;
    bool m_bTimed = false;     // "at" or "hold" given
};

// One step of one pattern track.
struct ZESynthStep
{
    enum class Kind
    {
        Rest,
        Hold,
        Play
    };
    Kind m_Kind = Kind::Rest;
    std::vector<float> m_afNotes; // MIDI note numbers; empty = the instrument's own note
    float m_fVelocity = 0.8f;
};

struct ZESynthTrack
{
    std::string m_Instrument;
    int m_lLine = 0;
    std::vector<ZESynthStep> m_aSteps;
};

struct ZESynthPattern
{
    std::string m_Name;
    uint32_t m_ulSteps = 16; // per bar
    uint32_t m_ulBars = 1;
    std::vector<ZESynthTrack> m_aTracks;
};

struct ZESynthSection
{
    struct Use
    {
        std::string m_Pattern;
        float m_fTranspose = 0.0f;
    };
    std::string m_Name;
    uint32_t m_ulBars = 1;
    std::vector<Use> m_aPlay;
};

struct ZESynthSong
{
    bool m_bPresent = false;
    float m_fTempo = 120.0f;  // beats a minute
    uint32_t m_ulBeats = 4;   // beats a bar
    float m_fSwing = 0.0f;    // 0..0.5 of a sixteenth: how late the off-sixteenths come
    float m_fPump = 0.15f;    // release of the ducking, s
    std::vector<std::string> m_aOrder;

    double BarSeconds() const { return 60.0 / m_fTempo * m_ulBeats; }
};

struct ZESynthReverb
{
    bool m_bPresent = false;
    float m_fSize = 0.7f;      // 0..1
    float m_fDamp = 0.4f;      // 0..1
    float m_fWidth = 1.0f;     // 0..1
    float m_fPredelay = 0.01f; // s
    float m_fLevel = 0.0f;     // return, dB
};

struct ZESynthDelay
{
    bool m_bPresent = false;
    float m_fTime = 0.3f;      // s (from "beats" when a song gives the tempo)
    float m_fFeedback = 0.35f;
    float m_fTone = 4000.0f;   // lowpass in the feedback, Hz
    bool m_bPingPong = true;
    float m_fLevel = 0.0f;     // dB
};

struct ZESynthMaster
{
    float m_fLowcut = 20.0f;   // Hz, 0 = none
    float m_fDrive = 0.0f;     // dB into a soft limiter, 0 = none
    float m_fGain = 0.0f;      // dB, used when m_bNormalize is off
};

struct ZESynthDescription
{
    std::string m_File;
    uint32_t m_ulRate = 44100;
    uint32_t m_ulChannels = 1;
    float m_fLength = 0.0f;   // s; 0 = from the layers and the song
    bool m_bLoop = false;
    float m_fQuality = 0.4f;
    bool m_bNormalize = true;
    float m_fPeak = -1.0f;    // dBFS the loudest sample is scaled to
    uint32_t m_ulSeed = 1;
    float m_fTail = 2.0f;     // s after the song's last bar (not looping)
    float m_fFadeOut = 0.0f;  // s, not looping
    std::vector<ZESynthVoice> m_aInstruments;
    std::vector<ZESynthVoice> m_aLayers;
    std::vector<ZESynthPattern> m_aPatterns;
    std::vector<ZESynthSection> m_aSections;
    ZESynthSong m_Song;
    ZESynthReverb m_Reverb;
    ZESynthDelay m_Delay;
    ZESynthMaster m_Master;

    const ZESynthVoice* FindInstrument(const std::string& name) const;
    const ZESynthPattern* FindPattern(const std::string& name) const;
    const ZESynthSection* FindSection(const std::string& name) const;
};

// Rendered samples, interleaved when stereo, nominally within [-1, 1].
struct ZESynthAudio
{
    uint32_t m_ulRate = 44100;
    uint32_t m_ulChannels = 1;
    bool m_bLoop = false;
    std::vector<float> m_afSamples;

    size_t Frames() const { return m_ulChannels ? m_afSamples.size() / m_ulChannels : 0; }
    double Seconds() const { return m_ulRate ? double(Frames()) / m_ulRate : 0.0; }
};

// The MIDI note number of a note name ("C4" = 60, "A4" = 69, "F#2",
// "Bb3"); false when `text` is not a note name.
bool ZESynthParseNote(const std::string& text, float& note);
// Hz of a MIDI note number (A4 = 440).
float ZESynthNoteHz(float note);

// Reads a description. False with "file:line: why" in `error` for anything
// that does not parse, is out of range, names a missing instrument,
// pattern or section, or leaves the sound without a length.
bool ZEParseSynthDescription(const std::string& text, const std::string& file,
                             ZESynthDescription& description, std::string& error);

// Renders a parsed description. False with `error` only when the result
// would be absurd (longer than ten minutes, or empty).
bool ZERenderSynth(const ZESynthDescription& description, ZESynthAudio& audio, std::string& error);

// Reads, renders and writes `oggPath` (and `wavPath` unless empty). An
// existing output is left untouched on failure.
bool ZEBuildSynthSound(const std::string& descriptionPath, const std::string& oggPath,
                       const std::string& wavPath, std::string& error);
