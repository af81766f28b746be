// zesynth: what a person writing a sound description sees when something
// is wrong, and what the renderer promises about what it makes: pitches,
// envelope shapes, timing, channels, loops that join without a click, and
// the same samples on every run.
#include "ZESynth.h"
#include "ZESynthChroma.h"
#include "ZESynthDSP.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace
{
const double kPi = 3.14159265358979323846;

std::string ParseError(const std::string& text)
{
    ZESynthDescription description;
    std::string error;
    EXPECT_FALSE(ZEParseSynthDescription(text, "test.txt", description, error)) << text;
    return error;
}

ZESynthAudio Render(const std::string& text)
{
    ZESynthDescription description;
    std::string error;
    ZESynthAudio audio;
    EXPECT_TRUE(ZEParseSynthDescription(text, "test.txt", description, error)) << error;
    EXPECT_TRUE(ZERenderSynth(description, audio, error)) << error;
    return audio;
}

// One channel of interleaved audio.
std::vector<float> Channel(const ZESynthAudio& audio, uint32_t channel)
{
    std::vector<float> out;
    for (size_t i = channel; i < audio.m_afSamples.size(); i += audio.m_ulChannels)
        out.push_back(audio.m_afSamples[i]);
    return out;
}

std::vector<float> Slice(const std::vector<float>& samples, size_t from, size_t count)
{
    return std::vector<float>(samples.begin() + from, samples.begin() + std::min(samples.size(), from + count));
}

// Upward zero crossings a second.
double CrossingsPerSecond(const std::vector<float>& samples, uint32_t rate)
{
    size_t crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f)
            ++crossings;
    return crossings * double(rate) / samples.size();
}

// Magnitude of one frequency in a Hann-windowed stretch (a single DFT bin).
double Magnitude(const std::vector<float>& samples, double hz, uint32_t rate)
{
    double re = 0.0;
    double im = 0.0;
    size_t n = samples.size();
    for (size_t i = 0; i < n; ++i)
    {
        double window = 0.5 - 0.5 * std::cos(2.0 * kPi * i / (n - 1));
        double angle = 2.0 * kPi * hz * i / rate;
        re += samples[i] * window * std::cos(angle);
        im -= samples[i] * window * std::sin(angle);
    }
    return std::sqrt(re * re + im * im) * 4.0 / n;
}

double Rms(const std::vector<float>& samples)
{
    double sum = 0.0;
    for (float s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

float PeakOf(const std::vector<float>& samples)
{
    float peak = 0.0f;
    for (float s : samples)
        peak = std::max(peak, std::fabs(s));
    return peak;
}

// The first frame louder than `threshold` at or after `from`.
size_t Onset(const std::vector<float>& samples, size_t from, float threshold)
{
    for (size_t i = from; i < samples.size(); ++i)
        if (std::fabs(samples[i]) > threshold)
            return i;
    return samples.size();
}

// The step from the last sample back to the first must look like any other
// step of the sound: no larger than the largest step inside it.
void ExpectSeamless(const std::vector<float>& samples)
{
    ASSERT_GT(samples.size(), 2u);
    float largest = 0.0f;
    for (size_t i = 1; i < samples.size(); ++i)
        largest = std::max(largest, std::fabs(samples[i] - samples[i - 1]));
    float seam = std::fabs(samples.front() - samples.back());
    EXPECT_LE(seam, largest) << "the loop's seam jumps " << seam << ", the sound's largest step is " << largest;
}

std::string Sine(const std::string& extra = "")
{
    return "[sound]\nlength = 1\nnormalize = no\n[layer tone]\nosc = sine\nfreq = 440\n" + extra;
}

bool Contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}
} // namespace

// --- reading descriptions -------------------------------------------------------

TEST(SynthDescription, ErrorsNameTheFileAndLine)
{
    EXPECT_EQ(ParseError("[sound]\nlength = 1\n[layer a]\nosc = sine\nwobble = 3\n"),
              "test.txt:5: unknown key 'wobble' in [layer a]");
    EXPECT_EQ(ParseError("[sound]\nlength = abc\n"), "test.txt:2: 'length': 'abc' is not a number");
    EXPECT_TRUE(Contains(ParseError("[sound]\nrate = 100\n"), "test.txt:2: 'rate': 100 is outside 8000 .. 96000"));
    EXPECT_EQ(ParseError("[sound]\nchannels = 1.5\n"), "test.txt:2: 'channels': 1.5 is not a whole number");
    EXPECT_EQ(ParseError("length = 1\n"), "test.txt:1: a key before the first section");
    EXPECT_EQ(ParseError("[sound]\n\n[noise]\n"), "test.txt:3: unknown section 'noise'");
    EXPECT_EQ(ParseError("[sound]\nlength = 1\nlength = 2\n"), "test.txt:3: 'length' is given twice");
    EXPECT_EQ(ParseError("[sound]\nlength\n"), "test.txt:2: expected 'key = value' or '[section]'");
    EXPECT_EQ(ParseError("[sound\n"), "test.txt:1: a section header must end with ']'");
    EXPECT_EQ(ParseError("[layer]\n"), "test.txt:1: [layer] needs one name");
    EXPECT_EQ(ParseError("[sound]\nlength = 1\n[layer a]\nosc = sine\n[instrument a]\nosc = sine\n"),
              "test.txt:5: [instrument a] is given twice");
}

TEST(SynthDescription, VoiceSettingsAreChecked)
{
    const std::string head = "[sound]\nlength = 1\n[layer a]\n";
    EXPECT_EQ(ParseError(head + "osc = organ\n"),
              "test.txt:4: 'osc': unknown kind 'organ' (sine, saw, square, pulse, triangle or fm)");
    EXPECT_EQ(ParseError(head + "osc = saw level=2 color=red\n"), "test.txt:4: 'osc' has no setting 'color'");
    EXPECT_EQ(ParseError(head + "osc = saw voices\n"), "test.txt:4: 'osc': 'voices' is not name=value");
    EXPECT_EQ(ParseError(head + "osc = saw voices=2.5\n"), "test.txt:4: 'osc voices' must be a whole number");
    EXPECT_EQ(ParseError(head + "osc = sine\namp = adsr 0.1 0.2 1.5 0.1\n"),
              "test.txt:5: 'amp': the sustain level is outside 0 .. 1");
    EXPECT_EQ(ParseError(head + "osc = sine\namp = perc 0.1\n"), "test.txt:5: 'amp': write perc ATTACK DECAY");
    EXPECT_EQ(ParseError(head + "osc = sine\namp = points 0 0 0.5 1 0.2 0\n"),
              "test.txt:5: 'amp': the times must start at 0 or later and never go back");
    EXPECT_EQ(ParseError(head + "osc = sine\namp = ramp 1 2\n"),
              "test.txt:5: 'amp': unknown envelope 'ramp' (const, adsr, perc, points or decay)");
    EXPECT_EQ(ParseError(head + "osc = sine\nnote = H4\n"),
              "test.txt:5: 'note': 'H4' is not a note such as C4 or F#2");
    EXPECT_EQ(ParseError(head + "firing = decay=0.01\n"), "test.txt:4: 'firing' needs a rate (pulses a second)");
    EXPECT_EQ(ParseError(head + "firing = rate=50 pattern=1,x\n"),
              "test.txt:4: 'firing pattern': 'x' is not a number");
    EXPECT_EQ(ParseError(head + "osc = sine\nfilter_env = decay 2 0.1\n"),
              "test.txt:3: a modulation of filter without it");
    EXPECT_EQ(ParseError(head + "gain = 3\n"), "test.txt:3: [layer a] has no source (osc, noise or firing)");
    EXPECT_EQ(ParseError(head + "like = b\n"), "test.txt:4: 'like': no instrument or layer 'b' before this one");
    EXPECT_EQ(ParseError(head + "osc = sine\namp_lfo = sine rate=3 depth=2\n"),
              "test.txt:5: 'amp_lfo depth' is outside 0 .. 1");
    EXPECT_EQ(ParseError("[sound]\nlength = 1\n[instrument a]\nosc = sine\nat = 1\n"),
              "test.txt:5: unknown key 'at' in [instrument a]");
}

TEST(SynthDescription, PatternsSectionsAndSongAreChecked)
{
    const std::string head = "[sound]\n[instrument k]\nosc = sine\n";
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 4\nk = x . x\n"),
              "test.txt:6: track 'k' has 3 steps, the pattern 4");
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 4\nk = x . x .\nk = x\n"),
              "test.txt:6: track 'k' has 5 steps, the pattern 4");
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 4\ns = x . x .\n"), "test.txt:6: no instrument 's'");
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 4\nk = . _ x .\n"),
              "test.txt:6: '_' holds nothing: it follows a rest or starts the track");
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 4\nk = C4 Q4 x .\n"),
              "test.txt:6: 'Q4' is not a step (., _, x, X, o, a note, a chord)");
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 4\nk = C4:m13 . x .\n"),
              "test.txt:6: 'C4:m13': unknown chord 'm13'");
    EXPECT_EQ(ParseError(head + "[pattern p]\nk = x . . . . . . . . . . . . . . .\nsteps = 4\n"),
              "test.txt:6: 'steps' must come before the tracks");
    EXPECT_EQ(ParseError(head + "[section s]\nbars = 1\nplay = nothing\n"), "test.txt:6: no pattern 'nothing'");
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 1\nk = x\n[section s]\nplay = p\n[song]\norder = s t\n"),
              "test.txt:10: no section 't'");
    EXPECT_EQ(ParseError(head + "[pattern p]\nsteps = 1\nk = x\n[section s]\nplay = p\n[song]\norder = s*x\n"),
              "test.txt:10: 'order s*x': 'x' is not a number");
    EXPECT_EQ(ParseError(head + "[song]\ntempo = 120\n"), "test.txt:4: [song] needs an 'order' of sections");
    EXPECT_EQ(ParseError("[sound]\n[delay]\nbeats = 1\n"), "test.txt:3: 'beats' needs a [song] with a tempo");
}

TEST(SynthDescription, EverySoundNeedsALength)
{
    EXPECT_EQ(ParseError("[sound]\nloop = yes\n[layer a]\nosc = sine\n"),
              "test.txt:1: a loop needs a 'length' or a [song]");
    EXPECT_EQ(ParseError("[sound]\nrate = 22050\n"), "test.txt:1: nothing to play: no layer and no [song]");
    EXPECT_EQ(ParseError("[sound]\n[layer a]\nosc = sine\n"),
              "test.txt:1: layer 'a' lasts to the end, so the sound needs a 'length'");
    // A layer that dies away by itself sets the length.
    ZESynthAudio audio = Render("[sound]\ntail = 0\n[layer a]\nosc = sine\namp = perc 0.01 0.5\n");
    EXPECT_NEAR(audio.Seconds(), 0.51, 0.02);
}

TEST(SynthDescription, NotesAndChords)
{
    float note = 0.0f;
    ASSERT_TRUE(ZESynthParseNote("C4", note));
    EXPECT_EQ(note, 60.0f);
    ASSERT_TRUE(ZESynthParseNote("A4", note));
    EXPECT_EQ(note, 69.0f);
    ASSERT_TRUE(ZESynthParseNote("F#2", note));
    EXPECT_EQ(note, 42.0f);
    ASSERT_TRUE(ZESynthParseNote("Bb3", note));
    EXPECT_EQ(note, 58.0f);
    ASSERT_TRUE(ZESynthParseNote("C-1", note));
    EXPECT_EQ(note, 0.0f);
    for (const char* bad : {"", "C", "c4", "H2", "C#", "C44", "Cx4", "#4"})
        EXPECT_FALSE(ZESynthParseNote(bad, note)) << bad;
    EXPECT_NEAR(ZESynthNoteHz(69.0f), 440.0f, 1e-3);
    EXPECT_NEAR(ZESynthNoteHz(60.0f), 261.626f, 1e-2);

    // A chord by name sounds its three notes.
    ZESynthAudio audio = Render("[sound]\nnormalize = no\n[song]\ntempo = 60\norder = s\n"
                                "[instrument i]\nosc = sine\n[pattern p]\nsteps = 1\ni = C4:maj\n"
                                "[section s]\nbars = 1\nplay = p\n");
    std::vector<float> middle = Slice(Channel(audio, 0), 44100, 88200);
    for (double hz : {261.63, 329.63, 392.0})
        EXPECT_GT(Magnitude(middle, hz, 44100), 0.5) << hz;
    EXPECT_LT(Magnitude(middle, 293.66, 44100), 0.05);
}

// --- sound ------------------------------------------------------------------------

TEST(SynthOscillators, PlayTheirFrequency)
{
    for (const char* wave : {"sine", "saw", "square", "triangle", "pulse pw=0.3", "fm mod=2 index=1"})
    {
        ZESynthAudio audio =
            Render(std::string("[sound]\nlength = 1\n[layer a]\nfreq = 440\nosc = ") + wave + "\n");
        std::vector<float> samples = Slice(Channel(audio, 0), 4410, 39690);
        EXPECT_NEAR(CrossingsPerSecond(samples, 44100), 440.0, 3.0) << wave;
        EXPECT_GT(Magnitude(samples, 440.0, 44100), 5.0 * Magnitude(samples, 330.0, 44100)) << wave;
    }
    // Note names, semitone offsets and fixed frequencies.
    ZESynthAudio octave = Render("[sound]\nlength = 1\n[layer a]\nnote = A3\nosc = sine semi=12\n");
    EXPECT_NEAR(CrossingsPerSecond(Slice(Channel(octave, 0), 4410, 39690), 44100), 440.0, 3.0);
    ZESynthAudio fixed = Render("[sound]\nlength = 1\n[layer a]\nnote = A3\nosc = sine fixed=1000\n");
    EXPECT_NEAR(CrossingsPerSecond(Slice(Channel(fixed, 0), 4410, 39690), 44100), 1000.0, 3.0);
}

TEST(SynthOscillators, HighSawsAliasLittle)
{
    // At 3520 Hz a naive saw folds its seventh harmonic back to 19460 Hz at
    // about -17 dB; the band-limited one must keep it well below that.
    ZESynthAudio audio = Render("[sound]\nlength = 1\nnormalize = no\n[layer a]\nfreq = 3520\nosc = saw\n");
    std::vector<float> samples = Slice(Channel(audio, 0), 4410, 32768);
    std::vector<float> naive;
    for (size_t i = 0; i < samples.size(); ++i)
    {
        double phase = 3520.0 * i / 44100.0;
        naive.push_back(float(2.0 * (phase - std::floor(phase)) - 1.0));
    }
    auto aliasDb = [](const std::vector<float>& s) {
        return 20.0 * std::log10(Magnitude(s, 19460.0, 44100) / Magnitude(s, 3520.0, 44100));
    };
    EXPECT_GT(aliasDb(naive), -20.0);
    EXPECT_LT(aliasDb(samples), aliasDb(naive) - 10.0);
}

TEST(SynthOscillators, PitchEnvelopeAndLfoMoveThePitch)
{
    // One octave up at the start, gliding down to the note.
    ZESynthAudio glide = Render(Sine("pitch = points 0 12 0.5 0 1 0\n"));
    std::vector<float> samples = Channel(glide, 0);
    EXPECT_NEAR(CrossingsPerSecond(Slice(samples, 0, 2205), 44100), 860.0, 30.0);
    EXPECT_NEAR(CrossingsPerSecond(Slice(samples, 26460, 17640), 44100), 440.0, 5.0);
    // A square LFO of two semitones alternates between two pitches.
    ZESynthAudio hilo = Render(Sine("pitch_lfo = square rate=2 depth=2\n"));
    samples = Channel(hilo, 0);
    EXPECT_NEAR(CrossingsPerSecond(Slice(samples, 2205, 6615), 44100), 440.0 * std::exp2(2.0 / 12.0), 8.0);
    EXPECT_NEAR(CrossingsPerSecond(Slice(samples, 13230, 6615), 44100), 440.0 * std::exp2(-2.0 / 12.0), 8.0);
}

TEST(SynthOscillators, NoiseKindsDifferInColour)
{
    auto lowShare = [](const char* kind) {
        ZESynthAudio audio = Render(std::string("[sound]\nlength = 1\n[layer a]\nnoise = ") + kind + "\n");
        std::vector<float> samples = Channel(audio, 0);
        ZESynthSvf low;
        low.SetQ(ZESynthFilter::Type::Lowpass, 500.0f, 0.7f, 44100.0f);
        std::vector<float> lows;
        for (float s : samples)
            lows.push_back(low.Process(s));
        return Rms(lows) / Rms(samples);
    };
    double white = lowShare("white");
    double pink = lowShare("pink");
    double brown = lowShare("brown");
    EXPECT_LT(white, pink);
    EXPECT_LT(pink, brown);
    EXPECT_GT(brown, 0.7);
}

TEST(SynthFilters, LowpassKeepsLowsAndCutsHighs)
{
    ZESynthSvf filter;
    filter.Set(ZESynthFilter::Type::Lowpass, 1000.0f, 0.0f, 44100.0f);
    auto through = [&](double hz) {
        filter.Reset();
        std::vector<float> out;
        for (int i = 0; i < 44100; ++i)
            out.push_back(filter.Process(float(std::sin(2.0 * kPi * hz * i / 44100.0))));
        return Rms(Slice(out, 4410, 30000)) / std::sqrt(0.5);
    };
    EXPECT_NEAR(through(100.0), 1.0, 0.05);
    EXPECT_LT(through(8000.0), 0.03);
    filter.Set(ZESynthFilter::Type::Bandpass, 1000.0f, 0.5f, 44100.0f);
    EXPECT_NEAR(through(1000.0), 1.0, 0.05);
    EXPECT_LT(through(100.0), 0.2);
}

TEST(SynthEnvelopes, Shapes)
{
    ZESynthEnvelope adsr{ZESynthEnvelope::Kind::Adsr, {0.1f, 0.2f, 0.5f, 0.3f}};
    EXPECT_NEAR(adsr.At(0.05, 1.0), 0.5, 1e-5);
    EXPECT_NEAR(adsr.At(0.1, 1.0), 1.0, 1e-5);
    EXPECT_NEAR(adsr.At(0.3, 1.0), 0.5 + 0.5 * 0.001, 1e-4);
    EXPECT_NEAR(adsr.At(0.9, 1.0), 0.5, 1e-4);
    EXPECT_NEAR(adsr.At(1.3, 1.0), 0.5 * 0.001, 1e-4);
    EXPECT_NEAR(adsr.End(1.0), 1.3, 1e-6);
    // Released during the attack: it falls from where it had got to.
    EXPECT_NEAR(adsr.At(0.05, 0.05), 0.5, 1e-4);
    EXPECT_LT(adsr.At(0.2, 0.05), 0.5);

    ZESynthEnvelope perc{ZESynthEnvelope::Kind::Perc, {0.01f, 0.5f}};
    EXPECT_NEAR(perc.At(0.01, 0.0), 1.0, 1e-5);
    EXPECT_NEAR(perc.At(0.51, 0.0), 0.001, 1e-5);
    EXPECT_DOUBLE_EQ(perc.End(5.0), double(0.01f) + double(0.5f));

    ZESynthEnvelope points{ZESynthEnvelope::Kind::Points, {0.0f, 0.0f, 1.0f, 1.0f, 2.0f, 0.25f}};
    EXPECT_NEAR(points.At(0.5, 0.0), 0.5, 1e-5);
    EXPECT_NEAR(points.At(1.5, 0.0), 0.625, 1e-5);
    EXPECT_NEAR(points.At(9.0, 0.0), 0.25, 1e-5);
    EXPECT_DOUBLE_EQ(points.End(3.0), 3.0);

    ZESynthEnvelope decay{ZESynthEnvelope::Kind::Decay, {12.0f, 0.1f}};
    EXPECT_NEAR(decay.At(0.1, 0.0), 12.0 / std::exp(1.0), 1e-3);
}

TEST(SynthEnvelopes, ShapeTheRenderedLoudness)
{
    ZESynthAudio audio = Render(Sine("amp = points 0 0 0.5 1 1 0\n"));
    std::vector<float> samples = Channel(audio, 0);
    EXPECT_NEAR(PeakOf(Slice(samples, 10800, 441)), 0.5, 0.03);
    EXPECT_NEAR(PeakOf(Slice(samples, 21830, 441)), 1.0, 0.03);
    EXPECT_NEAR(PeakOf(Slice(samples, 32850, 441)), 0.5, 0.03);
    EXPECT_LT(PeakOf(Slice(samples, 44000, 100)), 0.01);
}

TEST(SynthSequencer, StepsFallOnTheBeat)
{
    // 120 BPM, 16 steps a bar: a step is 0.125 s.
    const std::string song = "[sound]\nnormalize = no\ntail = 0\n[song]\ntempo = 120\norder = s\n%SWING%"
                             "[instrument k]\nosc = sine\nfreq = 1000\namp = perc 0.001 0.05\n"
                             "[pattern p]\nk = x . . . . . . . x . . . . x . .\n[section s]\nbars = 1\nplay = p\n";
    std::string straight = song;
    straight.replace(straight.find("%SWING%"), 7, "");
    std::vector<float> samples = Channel(Render(straight), 0);
    EXPECT_LT(Onset(samples, 0, 0.05f), 50u);
    EXPECT_NEAR(double(Onset(samples, 40000, 0.05f)), 44100.0, 50.0);
    EXPECT_NEAR(double(Onset(samples, 60000, 0.05f)), 13 * 0.125 * 44100.0, 50.0);
    // Swing delays the off-sixteenth (step 13), not the on-beat one.
    std::string swung = song;
    swung.replace(swung.find("%SWING%"), 7, "swing = 0.4\n");
    samples = Channel(Render(swung), 0);
    EXPECT_NEAR(double(Onset(samples, 40000, 0.05f)), 44100.0, 50.0);
    EXPECT_NEAR(double(Onset(samples, 60000, 0.05f)), (13 + 0.4) * 0.125 * 44100.0, 50.0);
}

TEST(SynthSequencer, HoldsTransposeAndRepeat)
{
    const std::string text = "[sound]\nnormalize = no\ntail = 0\n[song]\ntempo = 60\norder = s\n"
                             "[instrument i]\nosc = sine\namp = adsr 0.001 0 1 0.001\n"
                             "[pattern p]\nsteps = 4\ni = A4 _ . .\n[section s]\nbars = 2\nplay = p+12\n";
    ZESynthAudio audio = Render(text);
    std::vector<float> samples = Channel(audio, 0);
    // Two bars of four seconds; the note sounds for two steps in each.
    EXPECT_NEAR(audio.Seconds(), 8.0, 0.01);
    EXPECT_NEAR(CrossingsPerSecond(Slice(samples, 22050, 44100), 44100), 880.0, 3.0);
    EXPECT_LT(PeakOf(Slice(samples, 2 * 44100 + 500, 44100)), 0.01);
    EXPECT_GT(PeakOf(Slice(samples, 4 * 44100 + 500, 44100)), 0.7);
}

TEST(SynthChannels, MonoAndStereo)
{
    ZESynthAudio mono = Render(Sine());
    EXPECT_EQ(mono.m_ulChannels, 1u);
    EXPECT_EQ(mono.m_afSamples.size(), 44100u);
    ZESynthAudio left = Render("[sound]\nlength = 1\nchannels = 2\n[layer a]\nosc = sine\npan = -1\n");
    ASSERT_EQ(left.m_ulChannels, 2u);
    EXPECT_EQ(left.m_afSamples.size(), 2u * 44100u);
    EXPECT_GT(Rms(Channel(left, 0)), 0.5);
    EXPECT_LT(Rms(Channel(left, 1)), 1e-4);
    // Unison copies spread across the sides make the sides differ.
    ZESynthAudio wide = Render("[sound]\nlength = 1\nchannels = 2\n[layer a]\nosc = saw voices=4 detune=30 width=1\n");
    std::vector<float> l = Channel(wide, 0);
    std::vector<float> r = Channel(wide, 1);
    double difference = 0.0;
    for (size_t i = 0; i < l.size(); ++i)
        difference += std::fabs(l[i] - r[i]);
    EXPECT_GT(difference / l.size(), 0.05);
}

TEST(SynthRendering, EventsPastTheEndAreDropped)
{
    ZESynthAudio audio = Render("[sound]\nlength = 1\n[layer a]\nosc = sine\nat = 0.5\n[layer b]\nosc = saw\nat = 2\n"
                                "[layer c]\nosc = sine\nat = 1\n");
    std::vector<float> samples = Channel(audio, 0);
    ASSERT_EQ(samples.size(), 44100u);
    EXPECT_LT(PeakOf(Slice(samples, 0, 22000)), 1e-6);
    EXPECT_GT(PeakOf(Slice(samples, 23000, 10000)), 0.5);
}

TEST(SynthLevels, NormalisedToThePeak)
{
    ZESynthAudio audio = Render("[sound]\nlength = 1\npeak = -6\n[layer a]\nosc = saw\nnoise = white\n");
    EXPECT_NEAR(PeakOf(audio.m_afSamples), std::pow(10.0, -6.0 / 20.0), 1e-4);
    std::string error;
    ZESynthDescription silent;
    ASSERT_TRUE(ZEParseSynthDescription("[sound]\nlength = 1\n[layer a]\nosc = sine level=0\n", "quiet.txt",
                                        silent, error));
    ZESynthAudio out;
    EXPECT_FALSE(ZERenderSynth(silent, out, error));
    EXPECT_EQ(error, "quiet.txt: the sound is silent");
}

TEST(SynthLoops, JoinWithoutAClick)
{
    // A sustained tone whose LFO and pitch do not fit the loop by
    // themselves, noise through a moving filter, an engine's pulses, and
    // echoes and reverb ringing past the end.
    const std::string text = "[sound]\nloop = yes\nlength = 0.73\nrate = 22050\n"
                             "[reverb]\nsize = 0.8\n[delay]\ntime = 0.31\nfeedback = 0.5\n"
                             "[layer tone]\nfreq = 431.7\nosc = saw\npitch_lfo = sine rate=3.3 depth=1\n"
                             "filter = lowpass cutoff=1500\nreverb = 0.5\ndelay = 0.4\n"
                             "[layer hiss]\nnoise = pink\nfilter = bandpass cutoff=900\nfilter_lfo = random rate=7 depth=1\n"
                             "[layer engine]\nfiring = rate=47.3 pattern=1,0.5,0.8 timing=0,0.1 jitter=0.3 miss=0.1\n";
    ZESynthAudio audio = Render(text);
    EXPECT_EQ(audio.Frames(), size_t(0.73 * 22050 + 0.5));
    ExpectSeamless(Channel(audio, 0));
}

TEST(SynthLoops, TailsFoldOntoTheStart)
{
    // A note on the last step rings on past the loop's end: its ring is
    // heard at the start, and the join is smooth.
    const std::string text = "[sound]\nloop = yes\nchannels = 2\n[song]\ntempo = 120\norder = s\n"
                             "[instrument i]\nosc = sine\namp = perc 0.001 2\n"
                             "[pattern p]\nsteps = 4\ni = C5 . . A5\n[section s]\nbars = 1\nplay = p\n";
    ZESynthAudio audio = Render(text);
    EXPECT_EQ(audio.Frames(), 88200u);
    std::vector<float> left = Channel(audio, 0);
    ExpectSeamless(left);
    ExpectSeamless(Channel(audio, 1));
    // The start holds both the new C5 and the ringing A5.
    std::vector<float> head = Slice(left, 0, 4096);
    EXPECT_GT(Magnitude(head, 880.0, 44100), 0.05);
    EXPECT_GT(Magnitude(head, 523.25, 44100), 0.05);
}

TEST(SynthLoops, ContinuousLayersRepeatExactly)
{
    // The loop is periodic by construction: the same loop rendered twice as
    // long is the short one twice over (its rates fit both lengths alike).
    const std::string layer = "[layer a]\nfreq = 200\nosc = saw\n"
                              "filter = lowpass cutoff=800\nfilter_lfo = triangle rate=2 depth=1\n";
    ZESynthAudio once = Render("[sound]\nloop = yes\nlength = 0.5\nnormalize = no\n" + layer);
    ZESynthAudio twice = Render("[sound]\nloop = yes\nlength = 1\nnormalize = no\n" + layer);
    std::vector<float> a = Channel(once, 0);
    std::vector<float> b = Channel(twice, 0);
    ASSERT_EQ(b.size(), 2 * a.size());
    float largest = 0.0f;
    for (size_t i = 0; i < a.size(); ++i)
        largest = std::max(largest, std::fabs(b[i] - b[i + a.size()]));
    EXPECT_LT(largest, 1e-3);
}

TEST(SynthRendering, IsDeterministic)
{
    const std::string text = "[sound]\nlength = 0.5\nseed = 7\n[layer a]\nnoise = white\nosc = saw\n"
                             "pitch_lfo = random rate=10 depth=3\n[layer b]\nfiring = rate=30 jitter=1 miss=0.5\n";
    ZESynthAudio first = Render(text);
    ZESynthAudio second = Render(text);
    EXPECT_EQ(first.m_afSamples, second.m_afSamples);
    std::string other = text;
    other.replace(other.find("seed = 7"), 8, "seed = 8");
    EXPECT_NE(Render(other).m_afSamples, first.m_afSamples);
}

// --- the harmony check --------------------------------------------------------------

ZESynthDescription Parse(const std::string& text)
{
    ZESynthDescription description;
    std::string error;
    EXPECT_TRUE(ZEParseSynthDescription(text, "test.txt", description, error)) << error;
    return description;
}

TEST(SynthHarmony, PlayedClassesFollowTheSong)
{
    // Bar 1 holds C over from bar 0 and hits the keys' own A; the drum's
    // pitch is no part of the harmony; section t transposes up a tone.
    const std::string text = "[sound]\nnormalize = no\ntail = 0\n[song]\ntempo = 120\norder = s t\n"
                             "[instrument drum]\nfreq = 100\nosc = sine\n"
                             "[instrument keys]\nfreq = 440\nosc = sine\n"
                             "[pattern p]\nsteps = 4\nbars = 2\n"
                             "drum = x x x x | x x x x\nkeys = C4 _ _ _ | _ _ E4 x\n"
                             "[section s]\nbars = 3\nplay = p\n[section t]\nbars = 1\nplay = p+2\n";
    const ZESynthPitchClasses c = 1u << 0, d = 1u << 2, e = 1u << 4, a = 1u << 9;
    EXPECT_EQ(ZESynthBarPitchClasses(Parse(text)),
              (std::vector<ZESynthPitchClasses>{c, ZESynthPitchClasses(c | e | a), c, d}));
    EXPECT_TRUE(ZESynthBarPitchClasses(Parse(Sine())).empty());
    EXPECT_EQ(ZESynthTransposeClasses(ZESynthPitchClasses(c | a), 6), ZESynthPitchClasses((1u << 6) | (1u << 3)));
}

TEST(SynthHarmony, ChordsStandOutOfNoiseAndNoiseScoresAsChance)
{
    // C major for a bar, then A minor, over steady white noise.
    const std::string song = "[sound]\ntail = 0\n[song]\ntempo = 120\norder = s\n"
                             "[instrument keys]\nosc = sine\n%GAIN%"
                             "[layer hiss]\nnoise = white\ngain = -12\n"
                             "[pattern p]\nsteps = 1\nbars = 2\nkeys = C4:maj A3:m\n"
                             "[section s]\nbars = 2\nplay = p\n";
    std::string chords = song;
    chords.replace(chords.find("%GAIN%"), 6, "");
    ZESynthDescription description = Parse(chords);
    std::vector<ZESynthPitchClasses> played = ZESynthBarPitchClasses(description);
    ASSERT_EQ(played.size(), 2u);
    ZESynthAudio audio = Render(chords);
    std::vector<ZESynthChromaBar> heard =
        ZESynthBarChroma(audio.m_afSamples, audio.m_ulChannels, audio.m_ulRate, 2.0, played.size());
    EXPECT_EQ(heard[0].Strongest(3), played[0]);
    EXPECT_EQ(heard[1].Strongest(3), played[1]);
    ZESynthHarmonyScore score = ZESynthScoreHarmony(played, heard);
    EXPECT_EQ(score.m_ulBars, 2u);
    EXPECT_EQ(score.m_dMatch, 1.0);
    EXPECT_NEAR(score.m_dChanceMatch, 1.0 / 220.0, 1e-9);
    EXPECT_GT(score.m_dInKey, 0.8);
    EXPECT_NEAR(score.m_dChanceInKey, 0.25, 1e-9);

    std::string hiss = song;
    hiss.replace(hiss.find("%GAIN%"), 6, "gain = -60\n");
    audio = Render(hiss);
    score = ZESynthScoreHarmony(played, ZESynthBarChroma(audio.m_afSamples, audio.m_ulChannels, audio.m_ulRate,
                                                         2.0, played.size()));
    EXPECT_NEAR(score.m_dInKey, score.m_dChanceInKey, 0.06);
}

TEST(SynthHarmony, BarsPastTheSoundAreEmpty)
{
    std::vector<float> tone(44100);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = float(std::sin(2.0 * kPi * 440.0 * double(i) / 44100.0));
    std::vector<ZESynthChromaBar> heard = ZESynthBarChroma(tone, 1, 44100, 0.5, 4);
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[0].Strongest(1), ZESynthPitchClasses(1u << 9));
    EXPECT_GT(heard[1].m_dTotal, 0.0);
    EXPECT_EQ(heard[2].m_dTotal, 0.0);
    EXPECT_EQ(heard[3].m_dTotal, 0.0);
    EXPECT_EQ(ZESynthScoreHarmony({1u << 9, 1u << 9, 1u << 9, 0}, heard).m_ulBars, 2u);
    EXPECT_EQ(ZESynthBarChroma(tone, 0, 44100, 0.5, 2)[0].m_dTotal, 0.0);
}

// --- the tool's files ----------------------------------------------------------------

class SynthFilesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Dir = m_Folder.Path();
    }
    std::vector<char> Read(const std::string& name)
    {
        std::ifstream in(m_Dir + "/" + name, std::ios::binary);
        return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    ZETempFolder m_Folder{"synth"};
    std::string m_Dir;
};

TEST_F(SynthFilesTest, WritesOggAndWave)
{
    std::string description = m_Folder.Write("a.txt", Sine());
    std::string error;
    ASSERT_TRUE(ZEBuildSynthSound(description, m_Dir + "/a.ogg", m_Dir + "/a.wav", error)) << error;
    std::vector<char> ogg = Read("a.ogg");
    ASSERT_GT(ogg.size(), 100u);
    EXPECT_EQ(std::string(ogg.data(), 4), "OggS");
    std::vector<char> wave = Read("a.wav");
    ASSERT_EQ(wave.size(), 44u + 2u * 44100u);
    EXPECT_EQ(std::string(wave.data(), 4), "RIFF");
}

TEST_F(SynthFilesTest, ABadDescriptionLeavesTheOldSoundAlone)
{
    std::string description = m_Folder.Write("a.txt", Sine());
    std::string error;
    ASSERT_TRUE(ZEBuildSynthSound(description, m_Dir + "/a.ogg", "", error)) << error;
    std::vector<char> before = Read("a.ogg");
    std::string bad = m_Folder.Write("bad.txt", "[sound]\nlength = 1\n[layer a]\nosc = kazoo\n");
    EXPECT_FALSE(ZEBuildSynthSound(bad, m_Dir + "/a.ogg", "", error));
    EXPECT_EQ(error, bad + ":4: 'osc': unknown kind 'kazoo' (sine, saw, square, pulse, triangle or fm)");
    EXPECT_EQ(Read("a.ogg"), before);
    EXPECT_FALSE(ZEBuildSynthSound(m_Dir + "/missing.txt", m_Dir + "/a.ogg", "", error));
    EXPECT_EQ(error, m_Dir + "/missing.txt: cannot be read");
}
