// The harmony check: walking the song for the notes it plays, and a small
// radix-2 FFT for the chroma of what it sounds like.
#include "ZESynthChroma.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <set>
#include <string>

namespace
{
const size_t kWindow = 4096;
const size_t kHop = kWindow / 2;
const double kLowestHz = 80.0;
const double kHighestHz = 2000.0;
const double kPi = 3.14159265358979323846;
const uint32_t kStrongest = 3;

uint32_t PitchClass(double midiNote)
{
    long rounded = std::lround(midiNote);
    return uint32_t(((rounded % 12) + 12) % 12);
}

uint32_t Count(ZESynthPitchClasses classes)
{
    uint32_t count = 0;
    for (uint32_t c = 0; c < 12; ++c)
        count += (classes >> c) & 1u;
    return count;
}

double Choose(uint32_t n, uint32_t k)
{
    if (k > n)
        return 0.0;
    double ways = 1.0;
    for (uint32_t i = 0; i < k; ++i)
        ways = ways * double(n - i) / double(i + 1);
    return ways;
}

// Instruments some pattern gives a note: the ones that carry the harmony.
std::set<std::string> TonalInstruments(const ZESynthDescription& description)
{
    std::set<std::string> tonal;
    for (const ZESynthPattern& pattern : description.m_aPatterns)
        for (const ZESynthTrack& track : pattern.m_aTracks)
            for (const ZESynthStep& step : track.m_aSteps)
                if (step.m_Kind == ZESynthStep::Kind::Play && !step.m_afNotes.empty())
                    tonal.insert(track.m_Instrument);
    return tonal;
}

// The notes of a sounding step; a hit without notes plays the instrument's own.
ZESynthPitchClasses StepClasses(const ZESynthStep& step, const ZESynthVoice& voice, float transpose)
{
    if (step.m_afNotes.empty())
        return ZESynthPitchClasses(1u << PitchClass(69.0 + 12.0 * std::log2(voice.m_fFrequency / 440.0)));
    ZESynthPitchClasses classes = 0;
    for (float note : step.m_afNotes)
        classes |= ZESynthPitchClasses(1u << PitchClass(double(note) + transpose));
    return classes;
}

// What one track sounds during one bar of its pattern: the notes struck in
// it, and the note held into it from an earlier bar (as the renderer holds
// a note through the "_" steps after it).
ZESynthPitchClasses TrackBarClasses(const ZESynthTrack& track, const ZESynthVoice& voice, uint32_t steps,
                                    size_t patternBar, float transpose)
{
    ZESynthPitchClasses classes = 0;
    size_t first = patternBar * steps;
    for (size_t at = first; at < first + steps && at < track.m_aSteps.size(); ++at)
        if (track.m_aSteps[at].m_Kind == ZESynthStep::Kind::Play)
            classes |= StepClasses(track.m_aSteps[at], voice, transpose);
    size_t back = first;
    while (back > 0 && back < track.m_aSteps.size() && track.m_aSteps[back].m_Kind == ZESynthStep::Kind::Hold)
        --back;
    if (back < first && track.m_aSteps[back].m_Kind == ZESynthStep::Kind::Play)
        classes |= StepClasses(track.m_aSteps[back], voice, transpose);
    return classes;
}

// In-place iterative radix-2 FFT; `data.size()` is a power of two.
void Transform(std::vector<std::complex<double>>& data)
{
    size_t n = data.size();
    for (size_t i = 1, j = 0; i < n; ++i)
    {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (size_t length = 2; length <= n; length <<= 1)
    {
        std::complex<double> turn = std::polar(1.0, -2.0 * kPi / double(length));
        for (size_t start = 0; start < n; start += length)
        {
            std::complex<double> w(1.0, 0.0);
            for (size_t k = 0; k < length / 2; ++k)
            {
                std::complex<double> even = data[start + k];
                std::complex<double> odd = data[start + k + length / 2] * w;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
                w *= turn;
            }
        }
    }
}

// The pitch class of the spectral peak whose slope bin `k` lies on. A bin
// is 10.8 Hz wide at 44.1 kHz, more than a semitone below 190 Hz, and a
// window's main lobe spreads a tone over four bins; so each bin's power is
// given to the peak it climbs to, at the peak's frequency refined by a
// parabola through its log power and its neighbours'. A tone then lands on
// its own class however low it is, while noise, having its peaks
// anywhere, still spreads evenly.
uint32_t PeakClass(const std::vector<double>& power, size_t k, uint32_t rate)
{
    size_t last = power.size() - 1;
    while (k > 1 && k < last)
    {
        if (power[k + 1] > power[k] && power[k + 1] >= power[k - 1])
            ++k;
        else if (power[k - 1] > power[k])
            --k;
        else
            break;
    }
    double offset = 0.0;
    if (k > 0 && k < last && power[k] > 0.0)
    {
        const double floor = 1e-30;
        double a = std::log(power[k - 1] + floor), b = std::log(power[k] + floor), c = std::log(power[k + 1] + floor);
        double curve = a - 2.0 * b + c;
        if (curve < 0.0)
            offset = std::max(-0.5, std::min(0.5, 0.5 * (a - c) / curve));
    }
    double hz = (double(k) + offset) * rate / double(kWindow);
    return PitchClass(69.0 + 12.0 * std::log2(std::max(hz, 1.0) / 440.0));
}

std::vector<float> MixToMono(const std::vector<float>& samples, uint32_t channels)
{
    std::vector<float> mono(channels ? samples.size() / channels : 0, 0.0f);
    for (size_t i = 0; i < mono.size(); ++i)
    {
        float sum = 0.0f;
        for (uint32_t c = 0; c < channels; ++c)
            sum += samples[i * channels + c];
        mono[i] = sum / float(channels);
    }
    return mono;
}
} // namespace

ZESynthPitchClasses ZESynthChromaBar::Strongest(uint32_t count) const
{
    std::array<uint32_t, 12> order{};
    for (uint32_t c = 0; c < 12; ++c)
        order[c] = c;
    std::stable_sort(order.begin(), order.end(),
                     [this](uint32_t a, uint32_t b) { return m_adPower[a] > m_adPower[b]; });
    ZESynthPitchClasses classes = 0;
    for (uint32_t i = 0; i < std::min(count, 12u); ++i)
        classes |= ZESynthPitchClasses(1u << order[i]);
    return classes;
}

std::vector<ZESynthPitchClasses> ZESynthBarPitchClasses(const ZESynthDescription& description)
{
    std::vector<ZESynthPitchClasses> bars;
    if (!description.m_Song.m_bPresent)
        return bars;
    std::set<std::string> tonal = TonalInstruments(description);
    for (const std::string& name : description.m_Song.m_aOrder)
    {
        const ZESynthSection* section = description.FindSection(name);
        if (!section)
            continue;
        for (uint32_t b = 0; b < section->m_ulBars; ++b)
        {
            ZESynthPitchClasses classes = 0;
            for (const ZESynthSection::Use& use : section->m_aPlay)
            {
                const ZESynthPattern* pattern = description.FindPattern(use.m_Pattern);
                if (!pattern || pattern->m_ulBars == 0)
                    continue;
                for (const ZESynthTrack& track : pattern->m_aTracks)
                {
                    const ZESynthVoice* voice = description.FindInstrument(track.m_Instrument);
                    if (voice && tonal.count(track.m_Instrument))
                        classes |= TrackBarClasses(track, *voice, pattern->m_ulSteps, b % pattern->m_ulBars,
                                                   use.m_fTranspose);
                }
            }
            bars.push_back(classes);
        }
    }
    return bars;
}

std::vector<ZESynthChromaBar> ZESynthBarChroma(const std::vector<float>& samples, uint32_t channels,
                                               uint32_t rate, double barSeconds, size_t bars)
{
    std::vector<ZESynthChromaBar> chroma(bars);
    if (channels == 0 || rate == 0 || barSeconds <= 0.0)
        return chroma;
    std::vector<float> mono = MixToMono(samples, channels);

    std::vector<double> window(kWindow);
    for (size_t i = 0; i < kWindow; ++i)
        window[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * double(i) / double(kWindow));
    size_t firstBin = std::max<size_t>(1, size_t(std::ceil(kLowestHz * kWindow / rate)));
    size_t lastBin = std::min(kWindow / 2 - 1, size_t(std::floor(kHighestHz * kWindow / rate)));

    std::vector<std::complex<double>> data(kWindow);
    std::vector<double> power(kWindow / 2 + 1);
    for (size_t start = 0; start + kWindow <= mono.size(); start += kHop)
    {
        size_t bar = size_t(double(start + kWindow / 2) / rate / barSeconds);
        if (bar >= bars)
            break;
        for (size_t i = 0; i < kWindow; ++i)
            data[i] = std::complex<double>(mono[start + i] * window[i], 0.0);
        Transform(data);
        for (size_t k = 0; k <= kWindow / 2; ++k)
            power[k] = std::norm(data[k]);
        ZESynthChromaBar& out = chroma[bar];
        for (size_t k = firstBin; k <= lastBin; ++k)
        {
            out.m_adPower[PeakClass(power, k, rate)] += power[k];
            out.m_dTotal += power[k];
        }
    }
    return chroma;
}

bool ZESynthHeardAsPlayed(ZESynthPitchClasses played, const ZESynthChromaBar& heard)
{
    return played != 0 && (heard.Strongest(std::min(Count(played), kStrongest)) & ~played) == 0;
}

ZESynthHarmonyScore ZESynthScoreHarmony(const std::vector<ZESynthPitchClasses>& played,
                                        const std::vector<ZESynthChromaBar>& heard)
{
    ZESynthHarmonyScore score;
    double total = 0.0;
    size_t matched = 0;
    for (size_t b = 0; b < std::min(played.size(), heard.size()); ++b)
    {
        const ZESynthChromaBar& bar = heard[b];
        if (played[b] == 0 || bar.m_dTotal <= 0.0)
            continue;
        ++score.m_ulBars;
        uint32_t count = Count(played[b]);
        if (ZESynthHeardAsPlayed(played[b], bar))
            ++matched;
        uint32_t strongest = std::min(count, kStrongest);
        score.m_dChanceMatch += Choose(count, strongest) / Choose(12, strongest);
        score.m_dChanceInKey += bar.m_dTotal * count / 12.0;
        for (uint32_t c = 0; c < 12; ++c)
            if ((played[b] >> c) & 1u)
                score.m_dInKey += bar.m_adPower[c];
        total += bar.m_dTotal;
    }
    if (score.m_ulBars == 0)
        return score;
    score.m_dMatch = double(matched) / score.m_ulBars;
    score.m_dChanceMatch /= score.m_ulBars;
    score.m_dInKey /= total;
    score.m_dChanceInKey /= total;
    return score;
}

ZESynthPitchClasses ZESynthTransposeClasses(ZESynthPitchClasses classes, int semitones)
{
    ZESynthPitchClasses moved = 0;
    for (uint32_t c = 0; c < 12; ++c)
        if ((classes >> c) & 1u)
            moved |= ZESynthPitchClasses(1u << PitchClass(double(c) + semitones));
    return moved;
}
