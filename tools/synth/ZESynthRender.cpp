// Rendering a description: every layer and every note of the song becomes
// an event; each event's voice is rendered on its own (identical notes
// only once) and mixed into the buses at its place, folded around the
// loop for loops; then the bus effects run, the master sums, shapes and
// scales. See ZESynth.h for the loop rules.
#include "ZESynth.h"
#include "ZESynthDSP.h"

#include "ZESoundWriter.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <tuple>

namespace
{
const double kPi = 3.14159265358979323846;
const double kMiddleC = 261.6256;
const double kLongestSeconds = 600.0;
// Filters with moving cutoffs are retuned this often (samples).
const size_t kRetune = 16;
// Continuous layers of a loop warm up at least this long before the part kept.
const double kWarmSeconds = 1.0;

float Decibels(float db)
{
    return float(std::pow(10.0, db / 20.0));
}

size_t Modulo(int64_t value, size_t period)
{
    int64_t p = int64_t(period);
    return size_t(((value % p) + p) % p);
}

// What one rendering of a voice is asked for.
struct NoteRequest
{
    double m_dFrequency = kMiddleC;
    float m_fVelocity = 1.0f;
    double m_dHold = 0.0;       // s
    size_t m_ulFrames = 0;      // samples to render
    size_t m_ulPeriod = 0;      // > 0: a continuous loop layer of this period
    size_t m_ulKeepFrom = 0;    // the period kept starts here
};

struct NoteBuffer
{
    std::vector<float> m_afLeft;
    std::vector<float> m_afRight; // empty when mono
};

// The per-sample frequency multiplier of the voice's pitch modulation, or
// empty when the pitch does not move.
std::vector<float> PitchCurve(const ZESynthVoice& voice, const ZESynthLfo& lfo, const NoteRequest& note,
                              uint32_t rate)
{
    std::vector<float> curve;
    bool moves = !voice.m_Pitch.IsZero() || !lfo.IsOff();
    if (!moves)
        return curve;
    curve.resize(note.m_ulFrames);
    double period = note.m_ulPeriod ? double(note.m_ulPeriod) / rate : 0.0;
    double glide = voice.m_fGlide > 0.0f ? 1.0 - std::exp(-1.0 / (voice.m_fGlide * rate)) : 1.0;
    double smooth = 0.0;
    for (size_t i = 0; i < note.m_ulFrames; ++i)
    {
        double t = double(i) / rate;
        double semis = voice.m_Pitch.At(t, note.m_dHold);
        if (!lfo.IsOff())
            semis += lfo.m_fDepth * lfo.At(t, period);
        smooth = i == 0 ? semis : smooth + (semis - smooth) * glide;
        curve[i] = float(std::exp2(smooth / 12.0));
    }
    return curve;
}

// A rate nudged so that a whole number of cycles fills the period (s).
float FitRate(float rate, double period)
{
    double cycles = std::max(1.0, std::round(rate * period));
    return float(cycles / period);
}

ZESynthLfo FitLfo(ZESynthLfo lfo, double period)
{
    if (!lfo.IsOff() && period > 0.0)
        lfo.m_fRate = FitRate(lfo.m_fRate, period);
    return lfo;
}

// Multiplies `step` so that the phase advance over the kept period of the
// pitch curve is a whole number of cycles.
double FitStep(double step, const std::vector<float>& curve, const NoteRequest& note)
{
    if (!note.m_ulPeriod || step <= 0.0)
        return step;
    double cycles = 0.0;
    if (curve.empty())
        cycles = step * double(note.m_ulPeriod);
    else
        for (size_t i = note.m_ulKeepFrom; i < note.m_ulKeepFrom + note.m_ulPeriod; ++i)
            cycles += step * curve[i];
    double whole = std::max(1.0, std::round(cycles));
    return step * whole / cycles;
}

class VoiceRenderer
{
public:
    VoiceRenderer(const ZESynthVoice& voice, const NoteRequest& note, uint32_t rate, bool stereo)
        : m_Voice(voice), m_Note(note), m_ulRate(rate), m_bStereo(stereo)
    {
        double period = note.m_ulPeriod ? double(note.m_ulPeriod) / rate : 0.0;
        m_dPeriod = period;
        m_PitchLfo = FitLfo(voice.m_PitchLfo, period);
        m_AmpLfo = FitLfo(voice.m_AmpLfo, period);
        for (int i = 0; i < 2; ++i)
            m_aFilterLfo[i] = FitLfo(voice.m_aFilters[i].m_Lfo, period);
    }

    void Render(NoteBuffer& out)
    {
        size_t frames = m_Note.m_ulFrames;
        m_afPitch = PitchCurve(m_Voice, m_PitchLfo, m_Note, m_ulRate);
        out.m_afLeft.assign(frames, 0.0f);
        if (m_bStereo)
            out.m_afRight.assign(frames, 0.0f);
        for (size_t index = 0; index < m_Voice.m_aSources.size(); ++index)
            AddSource(m_Voice.m_aSources[index], uint32_t(index), out);
        for (int i = 0; i < 2; ++i)
        {
            RunFilter(i, out.m_afLeft);
            if (m_bStereo)
                RunFilter(i, out.m_afRight);
        }
        ApplyAmplitude(out.m_afLeft);
        if (m_bStereo)
            ApplyAmplitude(out.m_afRight);
    }

private:
    double Multiplier(size_t i) const { return m_afPitch.empty() ? 1.0 : m_afPitch[i]; }

    uint64_t NoiseIndex(size_t i) const { return m_Note.m_ulPeriod ? i % m_Note.m_ulPeriod : i; }

    void AddSource(const ZESynthSource& source, uint32_t index, NoteBuffer& out)
    {
        size_t frames = m_Note.m_ulFrames;
        bool spread = m_bStereo && source.m_fWidth > 0.0f && source.m_ulVoices > 1;
        std::vector<float> left(frames, 0.0f);
        std::vector<float> right(spread ? frames : 0, 0.0f);
        uint32_t seed = m_Voice.m_ulSeed * 31u + index * 977u + 17u;
        switch (source.m_Kind)
        {
        case ZESynthSource::Kind::White:
        case ZESynthSource::Kind::Pink:
        case ZESynthSource::Kind::Brown:
            RenderNoise(source, seed, left);
            break;
        case ZESynthSource::Kind::Firing:
            RenderFiring(source, seed, left);
            break;
        default:
            RenderOscillator(source, left, right);
            break;
        }
        FixedFilters(source, left);
        if (spread)
            FixedFilters(source, right);
        ApplyOwnDecay(source, left);
        if (spread)
            ApplyOwnDecay(source, right);
        for (size_t i = 0; i < frames; ++i)
        {
            out.m_afLeft[i] += left[i] * source.m_fLevel;
            if (m_bStereo)
                out.m_afRight[i] += (spread ? right[i] : left[i]) * source.m_fLevel;
        }
    }

    void RenderOscillator(const ZESynthSource& source, std::vector<float>& left, std::vector<float>& right)
    {
        double base = source.m_fFixed > 0.0f ? source.m_fFixed : m_Note.m_dFrequency;
        uint32_t copies = source.m_ulVoices;
        float copyLevel = float(1.0 / std::sqrt(double(copies)));
        for (uint32_t copy = 0; copy < copies; ++copy)
        {
            double spreadPart = copies > 1 ? double(copy) / (copies - 1) - 0.5 : 0.0;
            double cents = source.m_fCents + source.m_fDetune * spreadPart;
            double hz = base * source.m_fRatio * std::exp2((source.m_fSemi + cents / 100.0) / 12.0);
            double step = FitStep(hz / m_ulRate, m_afPitch, m_Note);
            double modStep = FitStep(hz * source.m_fMod / m_ulRate, m_afPitch, m_Note);
            double phase = source.m_fPhase + copy * 0.6180339887;
            phase -= std::floor(phase);
            double modPhase = 0.0;
            float gainL = copyLevel;
            float gainR = copyLevel;
            if (!right.empty())
            {
                double angle = (source.m_fWidth * 2.0 * spreadPart + 1.0) * kPi / 4.0;
                gainL = float(copyLevel * std::cos(angle) * std::sqrt(2.0));
                gainR = float(copyLevel * std::sin(angle) * std::sqrt(2.0));
            }
            for (size_t i = 0; i < left.size(); ++i)
            {
                double inc = step * Multiplier(i);
                if (inc >= 0.5)
                    inc = 0.4999;
                float value = 0.0f;
                switch (source.m_Kind)
                {
                case ZESynthSource::Kind::Sine:
                    value = ZESynthSin(phase);
                    break;
                case ZESynthSource::Kind::Saw:
                    value = ZESynthSaw(phase, inc);
                    break;
                case ZESynthSource::Kind::Square:
                    value = ZESynthPulse(phase, inc, 0.5);
                    break;
                case ZESynthSource::Kind::Pulse:
                    value = ZESynthPulse(phase, inc, source.m_fPulseWidth);
                    break;
                case ZESynthSource::Kind::Triangle:
                    value = ZESynthTriangle(phase, inc);
                    break;
                case ZESynthSource::Kind::Fm:
                {
                    double t = double(i) / m_ulRate;
                    double index = source.m_fIndex;
                    if (source.m_fSweep > 0.0f)
                        index *= source.m_fFloor + (1.0f - source.m_fFloor) * std::exp(-t / source.m_fSweep);
                    value = ZESynthSin(phase + index / (2.0 * kPi) * ZESynthSin(modPhase));
                    modPhase += modStep * Multiplier(i);
                    modPhase -= std::floor(modPhase);
                    break;
                }
                default:
                    break;
                }
                phase += inc;
                if (phase >= 1.0)
                    phase -= 1.0;
                left[i] += value * gainL;
                if (!right.empty())
                    right[i] += value * gainR;
            }
        }
    }

    void RenderNoise(const ZESynthSource& source, uint32_t seed, std::vector<float>& out)
    {
        // Pink: a sum of first-order filters; brown: a leaky integrator.
        float b[7] = {0, 0, 0, 0, 0, 0, 0};
        float brown = 0.0f;
        for (size_t i = 0; i < out.size(); ++i)
        {
            float white = ZESynthWhite(seed, NoiseIndex(i));
            switch (source.m_Kind)
            {
            case ZESynthSource::Kind::Pink:
                b[0] = 0.99886f * b[0] + white * 0.0555179f;
                b[1] = 0.99332f * b[1] + white * 0.0750759f;
                b[2] = 0.96900f * b[2] + white * 0.1538520f;
                b[3] = 0.86650f * b[3] + white * 0.3104856f;
                b[4] = 0.55000f * b[4] + white * 0.5329522f;
                b[5] = -0.7616f * b[5] - white * 0.0168980f;
                out[i] = (b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + white * 0.5362f) * 0.11f;
                b[6] = white * 0.115926f;
                break;
            case ZESynthSource::Kind::Brown:
                brown = (brown + 0.02f * white) / 1.02f;
                out[i] = brown * 3.5f;
                break;
            default:
                out[i] = white;
                break;
            }
        }
    }

    // Pulses of an engine: see ZESynthSource. In a continuous loop layer the
    // pulses repeat exactly with the loop.
    void RenderFiring(const ZESynthSource& source, uint32_t seed, std::vector<float>& out)
    {
        double rate = source.m_fRate;
        int64_t cycle = 0;
        if (m_Note.m_ulPeriod)
        {
            // A whole number of pattern and timing cycles per loop.
            int64_t unit = int64_t(source.m_afPattern.size() * source.m_afTiming.size());
            double perLoop = rate * m_dPeriod / unit;
            cycle = std::max<int64_t>(1, int64_t(std::llround(perLoop))) * unit;
            rate = cycle / m_dPeriod;
        }
        double pulseSeconds = source.m_fDecay * 7.0;
        double attack = source.m_fDecay * 0.08;
        size_t pulseFrames = size_t(pulseSeconds * m_ulRate) + 1;
        int64_t first = int64_t(std::floor(-(pulseSeconds + 1.0 / rate) * rate)) - 1;
        int64_t last = int64_t(std::ceil(double(out.size()) / m_ulRate * rate)) + 1;
        double ringStep = source.m_fRing / m_ulRate;
        for (int64_t k = first; k <= last; ++k)
        {
            uint64_t key = cycle ? Modulo(k, size_t(cycle)) : uint64_t(k);
            size_t patternAt = Modulo(k, source.m_afPattern.size());
            size_t timingAt = Modulo(k, source.m_afTiming.size());
            float level = source.m_afPattern[patternAt] * (1.0f - source.m_fJitter * ZESynthUniform(seed, key * 4 + 1));
            if (source.m_fMiss > 0.0f && ZESynthUniform(seed, key * 4 + 2) < source.m_fMiss)
                continue;
            double offset = source.m_afTiming[timingAt] + source.m_fWobble * ZESynthWhite(seed, key * 4 + 3);
            double start = (double(k) + offset) / rate * m_ulRate;
            int64_t from = int64_t(std::ceil(start));
            for (size_t j = 0; j < pulseFrames; ++j)
            {
                int64_t frame = from + int64_t(j);
                if (frame < 0)
                    continue;
                if (frame >= int64_t(out.size()))
                    break;
                double tau = (double(frame) - start) / m_ulRate;
                double shape = std::exp(-tau / source.m_fDecay) * (1.0 - std::exp(-tau / attack));
                double tone = source.m_fRing > 0.0f ? ZESynthSin(ringStep * (double(frame) - start)) : 1.0;
                double noise = ZESynthWhite(seed ^ 0x5A5A5A5Au, NoiseIndex(size_t(frame)));
                out[size_t(frame)] += float(level * shape * ((1.0 - source.m_fNoise) * tone + source.m_fNoise * noise));
            }
        }
    }

    void FixedFilters(const ZESynthSource& source, std::vector<float>& samples)
    {
        if (samples.empty())
            return;
        struct Fixed
        {
            float m_fCutoff;
            ZESynthFilter::Type m_Type;
        };
        const Fixed fixed[] = {{source.m_fHighpass, ZESynthFilter::Type::Highpass},
                               {source.m_fLowpass, ZESynthFilter::Type::Lowpass},
                               {source.m_fBandpass, ZESynthFilter::Type::Bandpass}};
        for (const Fixed& stage : fixed)
        {
            if (stage.m_fCutoff <= 0.0f)
                continue;
            ZESynthSvf filter;
            filter.SetQ(stage.m_Type, stage.m_fCutoff, source.m_fQ, float(m_ulRate));
            for (float& sample : samples)
                sample = filter.Process(sample);
        }
    }

    void ApplyOwnDecay(const ZESynthSource& source, std::vector<float>& samples)
    {
        if (source.m_fDecay <= 0.0f || source.m_Kind == ZESynthSource::Kind::Firing)
            return;
        double factor = std::exp(-1.0 / (source.m_fDecay * m_ulRate));
        double gain = 1.0;
        for (float& sample : samples)
        {
            sample = float(sample * gain);
            gain *= factor;
        }
    }

    void RunFilter(int which, std::vector<float>& samples)
    {
        const ZESynthFilter& filter = m_Voice.m_aFilters[which];
        if (filter.m_Type == ZESynthFilter::Type::None)
            return;
        const ZESynthLfo& lfo = m_aFilterLfo[which];
        double base = filter.m_fCutoff * std::pow(m_Note.m_dFrequency / kMiddleC, double(filter.m_fKeytrack));
        bool moves = !filter.m_Envelope.IsZero() || !lfo.IsOff();
        ZESynthSvf svf;
        svf.Set(filter.m_Type, float(base), filter.m_fResonance, float(m_ulRate));
        for (size_t i = 0; i < samples.size(); ++i)
        {
            if (moves && i % kRetune == 0)
            {
                double t = double(i) / m_ulRate;
                double octaves = filter.m_Envelope.At(t, m_Note.m_dHold) * m_Note.m_fVelocity;
                if (!lfo.IsOff())
                    octaves += lfo.m_fDepth * lfo.At(t, m_dPeriod);
                svf.Set(filter.m_Type, float(base * std::exp2(octaves)), filter.m_fResonance, float(m_ulRate));
            }
            samples[i] = svf.Process(samples[i]);
        }
    }

    void ApplyAmplitude(std::vector<float>& samples)
    {
        ZESynthShaperUnit shaper(m_Voice.m_Shaper);
        for (size_t i = 0; i < samples.size(); ++i)
        {
            double t = double(i) / m_ulRate;
            float gain = m_Voice.m_Amp.At(t, m_Note.m_dHold) * m_Note.m_fVelocity;
            if (!m_AmpLfo.IsOff())
                gain *= 1.0f - m_AmpLfo.m_fDepth * (0.5f + 0.5f * m_AmpLfo.At(t, m_dPeriod));
            samples[i] = shaper.Process(samples[i] * gain);
        }
        if (m_Note.m_ulPeriod)
            return;
        // A note cut short by its envelope's end must not click.
        size_t fade = std::min<size_t>(samples.size(), m_ulRate / 500);
        for (size_t i = 0; i < fade; ++i)
            samples[samples.size() - 1 - i] *= float(i) / fade;
    }

    const ZESynthVoice& m_Voice;
    const NoteRequest& m_Note;
    uint32_t m_ulRate;
    bool m_bStereo;
    double m_dPeriod = 0.0;
    ZESynthLfo m_PitchLfo;
    ZESynthLfo m_AmpLfo;
    ZESynthLfo m_aFilterLfo[2];
    std::vector<float> m_afPitch;
};

// One thing to play: a voice at a time and pitch.
struct Event
{
    const ZESynthVoice* m_pVoice = nullptr;
    double m_dStart = 0.0; // s
    double m_dHold = 0.0;  // s
    double m_dFrequency = kMiddleC;
    float m_fVelocity = 1.0f;
    bool m_bContinuous = false;
};

class Mixer
{
public:
    Mixer(const ZESynthDescription& description, std::string& error)
        : m_D(description), m_Error(error), m_ulRate(description.m_ulRate),
          m_bStereo(description.m_ulChannels == 2), m_bLoop(description.m_bLoop)
    {
    }

    bool Run(ZESynthAudio& audio)
    {
        CollectSongEvents();
        if (!DecideLength())
            return false;
        CollectLayerEvents();
        BuildPump();
        m_afLeft.assign(m_ulFrames, 0.0f);
        if (m_bStereo)
            m_afRight.assign(m_ulFrames, 0.0f);
        if (m_D.m_Reverb.m_bPresent)
            m_afReverbIn.assign(m_ulFrames, 0.0f);
        if (m_D.m_Delay.m_bPresent)
            m_afDelayIn.assign(m_ulFrames, 0.0f);
        for (const Event& event : m_aEvents)
            MixEvent(event);
        RunBusEffects();
        return Finish(audio);
    }

private:
    double SongSeconds() const
    {
        double seconds = 0.0;
        for (const std::string& name : m_D.m_Song.m_aOrder)
            seconds += m_D.FindSection(name)->m_ulBars * m_D.m_Song.BarSeconds();
        return seconds;
    }

    void CollectSongEvents()
    {
        if (!m_D.m_Song.m_bPresent)
            return;
        double bar = m_D.m_Song.BarSeconds();
        double sectionStart = 0.0;
        for (const std::string& name : m_D.m_Song.m_aOrder)
        {
            const ZESynthSection& section = *m_D.FindSection(name);
            for (const ZESynthSection::Use& use : section.m_aPlay)
                CollectPattern(*m_D.FindPattern(use.m_Pattern), use.m_fTranspose, section.m_ulBars, sectionStart,
                               bar);
            sectionStart += section.m_ulBars * bar;
        }
    }

    // Swing delays the steps that fall on the second sixteenth of each
    // eighth, whatever the pattern's grid.
    double SwingDelay(uint32_t step, uint32_t steps, double bar) const
    {
        uint64_t sixteenths = uint64_t(m_D.m_Song.m_ulBeats) * 4;
        uint64_t scaled = uint64_t(step) * sixteenths;
        if (scaled % steps != 0 || (scaled / steps) % 2 == 0)
            return 0.0;
        return m_D.m_Song.m_fSwing * bar / double(sixteenths);
    }

    void CollectPattern(const ZESynthPattern& pattern, float transpose, uint32_t bars, double start, double bar)
    {
        uint32_t steps = pattern.m_ulSteps;
        double stepSeconds = bar / steps;
        for (uint32_t b = 0; b < bars; ++b)
        {
            size_t patternBar = b % pattern.m_ulBars;
            for (const ZESynthTrack& track : pattern.m_aTracks)
            {
                const ZESynthVoice* voice = m_D.FindInstrument(track.m_Instrument);
                for (uint32_t j = 0; j < steps; ++j)
                {
                    size_t at = patternBar * steps + j;
                    const ZESynthStep& step = track.m_aSteps[at];
                    if (step.m_Kind != ZESynthStep::Kind::Play)
                        continue;
                    size_t held = 1;
                    while (at + held < track.m_aSteps.size() &&
                           track.m_aSteps[at + held].m_Kind == ZESynthStep::Kind::Hold)
                        ++held;
                    Event event;
                    event.m_pVoice = voice;
                    event.m_dStart = start + (double(b) * steps + j) * stepSeconds + SwingDelay(j, steps, bar);
                    event.m_dHold = held * stepSeconds * voice->m_fGate;
                    event.m_fVelocity = step.m_fVelocity;
                    if (step.m_afNotes.empty())
                    {
                        event.m_dFrequency = voice->m_fFrequency;
                        m_aEvents.push_back(event);
                        continue;
                    }
                    for (float note : step.m_afNotes)
                    {
                        event.m_dFrequency = ZESynthNoteHz(note + transpose);
                        m_aEvents.push_back(event);
                    }
                }
            }
        }
    }

    bool DecideLength()
    {
        double seconds = m_D.m_fLength;
        if (seconds <= 0.0 && m_D.m_Song.m_bPresent)
            seconds = SongSeconds() + (m_bLoop ? 0.0 : m_D.m_fTail);
        if (seconds <= 0.0 && !m_bLoop)
        {
            for (const ZESynthVoice& layer : m_D.m_aLayers)
                seconds = std::max(seconds, layer.m_fAt + layer.m_Amp.End(std::max(0.0f, layer.m_fHold)));
            seconds += m_D.m_fTail;
            m_bTrim = true;
        }
        if (seconds > kLongestSeconds)
        {
            m_Error = m_D.m_File + ": the sound would be longer than ten minutes";
            return false;
        }
        m_ulFrames = size_t(std::llround(seconds * m_ulRate));
        if (m_ulFrames == 0)
        {
            m_Error = m_D.m_File + ": the sound would be empty";
            return false;
        }
        return true;
    }

    void CollectLayerEvents()
    {
        double total = double(m_ulFrames) / m_ulRate;
        for (const ZESynthVoice& layer : m_D.m_aLayers)
        {
            Event event;
            event.m_pVoice = &layer;
            event.m_dStart = layer.m_fAt;
            event.m_dHold = layer.m_fHold >= 0.0f ? layer.m_fHold : std::max(0.0, total - layer.m_fAt);
            event.m_dFrequency = layer.m_fFrequency;
            event.m_fVelocity = layer.m_fVelocity;
            event.m_bContinuous = m_bLoop && !layer.m_bTimed;
            m_aEvents.push_back(event);
        }
    }

    // The ducking: 1 right after each hit of a sidechain voice, falling
    // back to 0 over the song's pump time.
    void BuildPump()
    {
        m_afPump.clear();
        double release = m_D.m_Song.m_fPump;
        size_t attack = std::max<size_t>(1, m_ulRate / 300);
        size_t length = size_t(release * 8.0 * m_ulRate);
        for (const Event& event : m_aEvents)
        {
            if (!event.m_pVoice->m_bSidechain)
                continue;
            if (m_afPump.empty())
                m_afPump.assign(m_ulFrames, 0.0f);
            int64_t start = int64_t(std::llround(event.m_dStart * m_ulRate));
            for (size_t i = 0; i < length; ++i)
            {
                int64_t frame = start + int64_t(i);
                if (!m_bLoop && frame >= int64_t(m_ulFrames))
                    break;
                double rise = i < attack ? double(i) / attack : 1.0;
                double fall = i < attack ? 1.0 : std::exp(-double(i - attack) / (release * m_ulRate));
                float& slot = m_afPump[Modulo(frame, m_ulFrames)];
                slot = std::max(slot, float(rise * fall));
            }
        }
    }

    const NoteBuffer& RenderEvent(const Event& event)
    {
        NoteRequest note;
        note.m_dFrequency = event.m_dFrequency;
        note.m_fVelocity = event.m_fVelocity;
        note.m_dHold = event.m_dHold;
        const ZESynthVoice& voice = *event.m_pVoice;
        if (event.m_bContinuous)
        {
            size_t warmPeriods = size_t(std::ceil(kWarmSeconds * m_ulRate / double(m_ulFrames)));
            note.m_ulPeriod = m_ulFrames;
            note.m_ulKeepFrom = warmPeriods * m_ulFrames;
            note.m_ulFrames = (warmPeriods + 1) * m_ulFrames;
            note.m_dHold = double(note.m_ulFrames) / m_ulRate + 1.0;
        }
        else
        {
            double end = std::min(voice.m_Amp.End(event.m_dHold), event.m_dHold + voice.m_fTail);
            note.m_ulFrames = size_t(std::ceil(std::max(end, 0.0) * m_ulRate)) + 1;
        }
        auto key = std::make_tuple(event.m_pVoice, event.m_dFrequency, event.m_fVelocity, note.m_ulFrames,
                                   event.m_dHold, event.m_bContinuous);
        auto found = m_Cache.find(key);
        if (found != m_Cache.end())
            return found->second;
        NoteBuffer& buffer = m_Cache[key];
        VoiceRenderer(voice, note, m_ulRate, m_bStereo).Render(buffer);
        if (event.m_bContinuous)
        {
            buffer.m_afLeft.erase(buffer.m_afLeft.begin(), buffer.m_afLeft.begin() + note.m_ulKeepFrom);
            if (m_bStereo)
                buffer.m_afRight.erase(buffer.m_afRight.begin(), buffer.m_afRight.begin() + note.m_ulKeepFrom);
        }
        return buffer;
    }

    void MixEvent(const Event& event)
    {
        const ZESynthVoice& voice = *event.m_pVoice;
        const NoteBuffer& buffer = RenderEvent(event);
        float gain = Decibels(voice.m_fGain);
        float angle = float((voice.m_fPan + 1.0) * kPi / 4.0);
        float gainL = m_bStereo ? float(gain * std::cos(angle) * std::sqrt(2.0)) : gain;
        float gainR = float(gain * std::sin(angle) * std::sqrt(2.0));
        int64_t start = event.m_bContinuous ? 0 : int64_t(std::llround(event.m_dStart * m_ulRate));
        bool ducked = voice.m_fDuck > 0.0f && !m_afPump.empty();
        if (!m_bLoop && start >= int64_t(m_ulFrames))
            return;
        size_t at = m_bLoop ? Modulo(start, m_ulFrames) : size_t(start);
        for (size_t i = 0; i < buffer.m_afLeft.size(); ++i, ++at)
        {
            if (at == m_ulFrames)
            {
                if (!m_bLoop)
                    break;
                at = 0;
            }
            float left = buffer.m_afLeft[i];
            float right = m_bStereo ? buffer.m_afRight[i] : left;
            float mono = m_bStereo ? 0.5f * (left + right) : left;
            if (!m_afReverbIn.empty())
                m_afReverbIn[at] += mono * gain * voice.m_fReverb;
            if (!m_afDelayIn.empty())
                m_afDelayIn[at] += mono * gain * voice.m_fDelay;
            float duck = ducked ? 1.0f - voice.m_fDuck * m_afPump[at] : 1.0f;
            m_afLeft[at] += left * gainL * duck;
            if (m_bStereo)
                m_afRight[at] += right * gainR * duck;
        }
    }

    // Runs a mono-in, stereo-out effect over `in` and adds its output to
    // the master. A loop's effect first hears `warm` seconds of the loop's
    // end, so its state at the start is the state the loop leaves behind.
    template <class Effect>
    void RunEffect(Effect& effect, const std::vector<float>& in, double warm)
    {
        size_t warmFrames = m_bLoop ? size_t(warm * m_ulRate) : 0;
        float left = 0.0f;
        float right = 0.0f;
        for (size_t j = 0; j < warmFrames; ++j)
            effect.Process(in[Modulo(int64_t(j) - int64_t(warmFrames), m_ulFrames)], left, right);
        for (size_t i = 0; i < m_ulFrames; ++i)
        {
            effect.Process(in[i], left, right);
            if (m_bStereo)
            {
                m_afLeft[i] += left;
                m_afRight[i] += right;
            }
            else
                m_afLeft[i] += 0.5f * (left + right);
        }
    }

    void RunBusEffects()
    {
        if (m_D.m_Reverb.m_bPresent)
        {
            ZESynthReverbUnit reverb(m_D.m_Reverb, m_ulRate);
            RunEffect(reverb, m_afReverbIn, reverb.DecaySeconds() * 1.5);
        }
        if (m_D.m_Delay.m_bPresent)
        {
            ZESynthDelayLine delay(m_D.m_Delay, m_ulRate);
            double feedback = std::max(0.01f, m_D.m_Delay.m_fFeedback);
            double repeats = std::min(60.0, std::log(0.001) / std::log(feedback) + 1.0);
            RunEffect(delay, m_afDelayIn, m_D.m_Delay.m_fTime * repeats);
        }
    }

    void LowCut(std::vector<float>& samples)
    {
        if (m_D.m_Master.m_fLowcut <= 0.0f)
            return;
        ZESynthSvf filter;
        filter.SetQ(ZESynthFilter::Type::Highpass, m_D.m_Master.m_fLowcut, 0.7071f, float(m_ulRate));
        size_t warm = m_bLoop ? size_t(m_ulRate / 2) : 0;
        for (size_t j = 0; j < warm; ++j)
            filter.Process(samples[Modulo(int64_t(j) - int64_t(warm), m_ulFrames)]);
        for (float& sample : samples)
            sample = filter.Process(sample);
    }

    bool Finish(ZESynthAudio& audio)
    {
        LowCut(m_afLeft);
        if (m_bStereo)
            LowCut(m_afRight);
        if (m_D.m_Master.m_fDrive > 0.0f)
        {
            ZESynthShaper limiter;
            limiter.m_Kind = ZESynthShaper::Kind::Tanh;
            limiter.m_fGain = m_D.m_Master.m_fDrive;
            ZESynthShaperUnit unit(limiter);
            float peak = Peak();
            float scale = peak > 0.0f ? 1.0f / peak : 1.0f;
            for (float& s : m_afLeft)
                s = unit.Process(s * scale);
            for (float& s : m_afRight)
                s = unit.Process(s * scale);
        }
        if (m_bTrim)
            TrimSilence();
        if (!m_bLoop)
            FadeOut();
        float peak = Peak();
        if (peak <= 0.0f)
        {
            m_Error = m_D.m_File + ": the sound is silent";
            return false;
        }
        float scale = m_D.m_bNormalize ? Decibels(m_D.m_fPeak) / peak : Decibels(m_D.m_Master.m_fGain);
        audio.m_ulRate = m_ulRate;
        audio.m_ulChannels = m_D.m_ulChannels;
        audio.m_bLoop = m_bLoop;
        audio.m_afSamples.resize(m_afLeft.size() * audio.m_ulChannels);
        for (size_t i = 0; i < m_afLeft.size(); ++i)
        {
            if (m_bStereo)
            {
                audio.m_afSamples[2 * i] = m_afLeft[i] * scale;
                audio.m_afSamples[2 * i + 1] = m_afRight[i] * scale;
            }
            else
                audio.m_afSamples[i] = m_afLeft[i] * scale;
        }
        return true;
    }

    float Peak() const
    {
        float peak = 0.0f;
        for (float s : m_afLeft)
            peak = std::max(peak, std::fabs(s));
        for (float s : m_afRight)
            peak = std::max(peak, std::fabs(s));
        return peak;
    }

    // Without a given length, the sound ends where it falls below -70 dB.
    void TrimSilence()
    {
        float threshold = Peak() * 0.0003f;
        size_t end = m_afLeft.size();
        while (end > 1 && std::fabs(m_afLeft[end - 1]) < threshold &&
               (m_afRight.empty() || std::fabs(m_afRight[end - 1]) < threshold))
            --end;
        end = std::min(m_afLeft.size(), end + m_ulRate / 100);
        m_afLeft.resize(end);
        if (!m_afRight.empty())
            m_afRight.resize(end);
    }

    void FadeOut()
    {
        size_t fade = std::max<size_t>(size_t(m_D.m_fFadeOut * m_ulRate), m_ulRate / 100);
        fade = std::min(fade, m_afLeft.size());
        for (size_t i = 0; i < fade; ++i)
        {
            size_t at = m_afLeft.size() - 1 - i;
            float gain = float(0.5 - 0.5 * std::cos(kPi * double(i) / fade));
            m_afLeft[at] *= gain;
            if (!m_afRight.empty())
                m_afRight[at] *= gain;
        }
    }

    const ZESynthDescription& m_D;
    std::string& m_Error;
    uint32_t m_ulRate;
    bool m_bStereo;
    bool m_bLoop;
    bool m_bTrim = false;
    size_t m_ulFrames = 0;
    std::vector<Event> m_aEvents;
    std::vector<float> m_afPump;
    std::vector<float> m_afLeft;
    std::vector<float> m_afRight;
    std::vector<float> m_afReverbIn;
    std::vector<float> m_afDelayIn;
    std::map<std::tuple<const ZESynthVoice*, double, float, size_t, double, bool>, NoteBuffer> m_Cache;
};
} // namespace

bool ZERenderSynth(const ZESynthDescription& description, ZESynthAudio& audio, std::string& error)
{
    audio = ZESynthAudio();
    Mixer mixer(description, error);
    return mixer.Run(audio);
}

bool ZEBuildSynthSound(const std::string& descriptionPath, const std::string& oggPath, const std::string& wavPath,
                       std::string& error)
{
    std::ifstream in(descriptionPath, std::ios::binary);
    if (!in)
    {
        error = descriptionPath + ": cannot be read";
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    ZESynthDescription description;
    if (!ZEParseSynthDescription(text.str(), descriptionPath, description, error))
        return false;
    ZESynthAudio audio;
    if (!ZERenderSynth(description, audio, error))
        return false;
    if (!ZEWriteOggVorbis(oggPath, audio.m_afSamples, audio.m_ulChannels, audio.m_ulRate, description.m_fQuality,
                          error))
    {
        error = oggPath + ": " + error;
        return false;
    }
    if (wavPath.empty())
        return true;
    std::vector<int16_t> pcm(audio.m_afSamples.size());
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = int16_t(std::lround(std::min(1.0f, std::max(-1.0f, audio.m_afSamples[i])) * 32767.0f));
    if (!ZEWriteWave(wavPath, pcm, audio.m_ulChannels, audio.m_ulRate, error))
    {
        error = wavPath + ": " + error;
        return false;
    }
    return true;
}
