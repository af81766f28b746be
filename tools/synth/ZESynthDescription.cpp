// Reading a sound description: the text is cut into sections of keyed
// lines first, then each section is turned into its part of the model in
// an order that lets later sections name earlier ones (instruments before
// the patterns that play them, patterns before sections, sections before
// the song's order). The first fault found is the one reported.
#include "ZESynth.h"

#include "ZEDescriptionText.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>

namespace
{
struct Entry
{
    std::string m_Key;
    std::string m_Value;
    int m_lLine = 0;
};

struct RawSection
{
    std::string m_Kind;
    std::string m_Name;
    int m_lLine = 0;
    std::vector<Entry> m_aEntries;
};

const std::set<std::string> kNamedSections = {"instrument", "layer", "pattern", "section"};
const std::set<std::string> kSingleSections = {"sound", "song", "reverb", "delay", "master"};

// Everything the reader needs to report: the file name and the first error.
class Reader
{
public:
    explicit Reader(const std::string& file) : m_File(file) {}

    bool Fail(int line, const std::string& why)
    {
        if (m_Error.empty())
            m_Error = m_File + ":" + std::to_string(line) + ": " + why;
        return false;
    }
    const std::string& Error() const { return m_Error; }
    std::string Location(int line) const { return m_File + ":" + std::to_string(line); }

    bool Number(const Entry& entry, const std::string& text, double low, double high, float& out)
    {
        double value = 0.0;
        if (!ZEParseNumber(text, value))
            return Fail(entry.m_lLine, "'" + entry.m_Key + "': '" + text + "' is not a number");
        if (value < low || value > high)
        {
            std::ostringstream range;
            range << "'" << entry.m_Key << "': " << text << " is outside " << low << " .. " << high;
            return Fail(entry.m_lLine, range.str());
        }
        out = float(value);
        return true;
    }
    bool Number(const Entry& entry, double low, double high, float& out)
    {
        return Number(entry, entry.m_Value, low, high, out);
    }
    bool Whole(const Entry& entry, const std::string& text, uint32_t low, uint32_t high, uint32_t& out)
    {
        float value = 0.0f;
        if (!Number(entry, text, low, high, value))
            return false;
        if (value != std::floor(value))
            return Fail(entry.m_lLine, "'" + entry.m_Key + "': " + text + " is not a whole number");
        out = uint32_t(value);
        return true;
    }
    bool Whole(const Entry& entry, uint32_t low, uint32_t high, uint32_t& out)
    {
        return Whole(entry, entry.m_Value, low, high, out);
    }
    bool Flag(const Entry& entry, bool& out)
    {
        const std::string& v = entry.m_Value;
        if (v == "yes" || v == "true" || v == "on" || v == "1")
            out = true;
        else if (v == "no" || v == "false" || v == "off" || v == "0")
            out = false;
        else
            return Fail(entry.m_lLine, "'" + entry.m_Key + "': '" + v + "' is not yes or no");
        return true;
    }
    // Comma-separated numbers, at least one.
    bool List(const Entry& entry, const std::string& key, const std::string& text, double low, double high,
              std::vector<float>& out)
    {
        out.clear();
        std::string part;
        std::istringstream in(text);
        Entry named = entry;
        named.m_Key = key;
        while (std::getline(in, part, ','))
        {
            float value = 0.0f;
            if (!Number(named, ZETrimText(part), low, high, value))
                return false;
            out.push_back(value);
        }
        if (out.empty())
            return Fail(entry.m_lLine, "'" + key + "' lists no numbers");
        return true;
    }

private:
    std::string m_File;
    std::string m_Error;
};

// "kind name=value name=value": the first word and the named values.
struct Inline
{
    std::string m_Kind;
    std::vector<std::pair<std::string, std::string>> m_aValues;
};

bool SplitInline(Reader& reader, const Entry& entry, bool hasKind, Inline& out)
{
    std::vector<std::string> words = ZESplitWords(entry.m_Value);
    size_t first = 0;
    if (hasKind)
    {
        if (words.empty() || words[0].find('=') != std::string::npos)
            return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "' needs a kind first");
        out.m_Kind = words[0];
        first = 1;
    }
    for (size_t i = first; i < words.size(); ++i)
    {
        size_t equals = words[i].find('=');
        if (equals == std::string::npos || equals == 0 || equals + 1 == words[i].size())
            return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': '" + words[i] + "' is not name=value");
        out.m_aValues.emplace_back(words[i].substr(0, equals), words[i].substr(equals + 1));
    }
    return true;
}

// One named value of an inline list: its allowed range and where it goes.
struct Param
{
    const char* m_Name;
    double m_dLow;
    double m_dHigh;
    float* m_pTarget;
};

bool ApplyParams(Reader& reader, const Entry& entry, const Inline& values, const std::vector<Param>& params)
{
    for (const auto& value : values.m_aValues)
    {
        auto param = std::find_if(params.begin(), params.end(),
                                  [&](const Param& p) { return value.first == p.m_Name; });
        if (param == params.end())
            return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "' has no setting '" + value.first + "'");
        Entry named = entry;
        named.m_Key = entry.m_Key + " " + value.first;
        if (!reader.Number(named, value.second, param->m_dLow, param->m_dHigh, *param->m_pTarget))
            return false;
    }
    return true;
}

bool ParseEnvelope(Reader& reader, const Entry& entry, ZESynthEnvelope& envelope)
{
    std::vector<std::string> words = ZESplitWords(entry.m_Value);
    if (words.empty())
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "' is empty");
    double bare = 0.0;
    if (words.size() == 1 && ZEParseNumber(words[0], bare))
    {
        envelope.m_Kind = ZESynthEnvelope::Kind::Constant;
        envelope.m_afArgs = {float(bare)};
        return true;
    }
    struct Form
    {
        const char* m_Name;
        ZESynthEnvelope::Kind m_Kind;
        size_t m_ulCount; // 0: pairs
        const char* m_Usage;
    };
    static const Form forms[] = {
        {"const", ZESynthEnvelope::Kind::Constant, 1, "const VALUE"},
        {"adsr", ZESynthEnvelope::Kind::Adsr, 4, "adsr ATTACK DECAY SUSTAIN RELEASE"},
        {"perc", ZESynthEnvelope::Kind::Perc, 2, "perc ATTACK DECAY"},
        {"points", ZESynthEnvelope::Kind::Points, 0, "points TIME VALUE TIME VALUE ..."},
        {"decay", ZESynthEnvelope::Kind::Decay, 2, "decay START TIME"},
    };
    const Form* form = nullptr;
    for (const Form& candidate : forms)
        if (words[0] == candidate.m_Name)
            form = &candidate;
    if (!form)
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': unknown envelope '" + words[0] +
                                              "' (const, adsr, perc, points or decay)");
    std::vector<float> args;
    for (size_t i = 1; i < words.size(); ++i)
    {
        double value = 0.0;
        if (!ZEParseNumber(words[i], value) || std::fabs(value) > 1.0e4)
            return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': '" + words[i] + "' is not a number");
        args.push_back(float(value));
    }
    bool countOk = form->m_ulCount ? args.size() == form->m_ulCount : args.size() >= 2 && args.size() % 2 == 0;
    if (!countOk)
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': write " + form->m_Usage);
    std::string bad;
    switch (form->m_Kind)
    {
    case ZESynthEnvelope::Kind::Adsr:
        if (args[0] < 0 || args[1] < 0 || args[3] < 0)
            bad = "times cannot be negative";
        else if (args[2] < 0 || args[2] > 1)
            bad = "the sustain level is outside 0 .. 1";
        break;
    case ZESynthEnvelope::Kind::Perc:
        if (args[0] < 0 || args[1] <= 0)
            bad = "the attack cannot be negative and the decay must be positive";
        break;
    case ZESynthEnvelope::Kind::Points:
        for (size_t i = 0; i < args.size(); i += 2)
            if (args[i] < 0 || (i >= 2 && args[i] < args[i - 2]))
                bad = "the times must start at 0 or later and never go back";
        break;
    case ZESynthEnvelope::Kind::Decay:
        if (args[1] <= 0)
            bad = "the time constant must be positive";
        break;
    case ZESynthEnvelope::Kind::Constant:
        break;
    }
    if (!bad.empty())
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': " + bad);
    envelope.m_Kind = form->m_Kind;
    envelope.m_afArgs = args;
    return true;
}

bool ParseLfo(Reader& reader, const Entry& entry, uint32_t seed, ZESynthLfo& lfo)
{
    Inline values;
    if (!SplitInline(reader, entry, true, values))
        return false;
    static const std::pair<const char*, ZESynthLfo::Shape> shapes[] = {
        {"sine", ZESynthLfo::Shape::Sine},     {"triangle", ZESynthLfo::Shape::Triangle},
        {"square", ZESynthLfo::Shape::Square}, {"saw", ZESynthLfo::Shape::Saw},
        {"ramp", ZESynthLfo::Shape::Ramp},     {"random", ZESynthLfo::Shape::Random},
    };
    bool known = false;
    for (const auto& shape : shapes)
        if (values.m_Kind == shape.first)
        {
            lfo.m_Shape = shape.second;
            known = true;
        }
    if (!known)
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': unknown shape '" + values.m_Kind +
                                              "' (sine, triangle, square, saw, ramp or random)");
    lfo.m_ulSeed = seed;
    return ApplyParams(reader, entry, values,
                       {{"rate", 0.001, 1000, &lfo.m_fRate},
                        {"depth", -48, 48, &lfo.m_fDepth},
                        {"phase", 0, 1, &lfo.m_fPhase},
                        {"skew", 0.01, 0.99, &lfo.m_fSkew}});
}

bool ParseFilter(Reader& reader, const Entry& entry, ZESynthFilter& filter)
{
    Inline values;
    if (!SplitInline(reader, entry, true, values))
        return false;
    static const std::pair<const char*, ZESynthFilter::Type> types[] = {
        {"lowpass", ZESynthFilter::Type::Lowpass},
        {"highpass", ZESynthFilter::Type::Highpass},
        {"bandpass", ZESynthFilter::Type::Bandpass},
        {"notch", ZESynthFilter::Type::Notch},
    };
    bool known = false;
    for (const auto& type : types)
        if (values.m_Kind == type.first)
        {
            filter.m_Type = type.second;
            known = true;
        }
    if (!known)
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': unknown filter '" + values.m_Kind +
                                              "' (lowpass, highpass, bandpass or notch)");
    return ApplyParams(reader, entry, values,
                       {{"cutoff", 10, 22000, &filter.m_fCutoff},
                        {"resonance", 0, 1, &filter.m_fResonance},
                        {"keytrack", 0, 2, &filter.m_fKeytrack}});
}

bool ParseShaper(Reader& reader, const Entry& entry, ZESynthShaper& shaper)
{
    Inline values;
    if (!SplitInline(reader, entry, true, values))
        return false;
    static const std::pair<const char*, ZESynthShaper::Kind> kinds[] = {
        {"tanh", ZESynthShaper::Kind::Tanh},
        {"clip", ZESynthShaper::Kind::Clip},
        {"fold", ZESynthShaper::Kind::Fold},
        {"crush", ZESynthShaper::Kind::Crush},
    };
    bool known = false;
    for (const auto& kind : kinds)
        if (values.m_Kind == kind.first)
        {
            shaper.m_Kind = kind.second;
            known = true;
        }
    if (!known)
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': unknown shaper '" + values.m_Kind +
                                              "' (tanh, clip, fold or crush)");
    return ApplyParams(reader, entry, values,
                       {{"gain", -24, 48, &shaper.m_fGain},
                        {"mix", 0, 1, &shaper.m_fMix},
                        {"bits", 1, 16, &shaper.m_fBits}});
}

bool ParseSource(Reader& reader, const Entry& entry, ZESynthSource& source)
{
    bool firing = entry.m_Key == "firing";
    Inline values;
    if (!SplitInline(reader, entry, !firing, values))
        return false;
    static const std::pair<const char*, ZESynthSource::Kind> oscillators[] = {
        {"sine", ZESynthSource::Kind::Sine},         {"saw", ZESynthSource::Kind::Saw},
        {"square", ZESynthSource::Kind::Square},     {"pulse", ZESynthSource::Kind::Pulse},
        {"triangle", ZESynthSource::Kind::Triangle}, {"fm", ZESynthSource::Kind::Fm},
    };
    static const std::pair<const char*, ZESynthSource::Kind> noises[] = {
        {"white", ZESynthSource::Kind::White},
        {"pink", ZESynthSource::Kind::Pink},
        {"brown", ZESynthSource::Kind::Brown},
    };
    std::vector<Param> params = {{"level", 0, 16, &source.m_fLevel},
                                 {"decay", 0, 60, &source.m_fDecay},
                                 {"lp", 0, 22000, &source.m_fLowpass},
                                 {"hp", 0, 22000, &source.m_fHighpass},
                                 {"bp", 0, 22000, &source.m_fBandpass},
                                 {"q", 0.1, 50, &source.m_fQ}};
    if (firing)
    {
        source.m_Kind = ZESynthSource::Kind::Firing;
        source.m_fDecay = 0.004f;
        params.insert(params.end(), {{"rate", 0.1, 2000, &source.m_fRate},
                                     {"ring", 0, 20000, &source.m_fRing},
                                     {"jitter", 0, 1, &source.m_fJitter},
                                     {"wobble", 0, 0.5, &source.m_fWobble},
                                     {"miss", 0, 1, &source.m_fMiss},
                                     {"noise", 0, 1, &source.m_fNoise}});
        // The two lists are taken out before the numeric settings.
        Inline numeric;
        for (const auto& value : values.m_aValues)
        {
            if (value.first == "pattern")
            {
                if (!reader.List(entry, "firing pattern", value.second, 0, 4, source.m_afPattern))
                    return false;
            }
            else if (value.first == "timing")
            {
                if (!reader.List(entry, "firing timing", value.second, -0.5, 0.5, source.m_afTiming))
                    return false;
            }
            else
                numeric.m_aValues.push_back(value);
        }
        if (!ApplyParams(reader, entry, numeric, params))
            return false;
        if (source.m_fRate <= 0.0f)
            return reader.Fail(entry.m_lLine, "'firing' needs a rate (pulses a second)");
        if (source.m_fDecay <= 0.0f)
            return reader.Fail(entry.m_lLine, "'firing' needs a decay above 0");
        return true;
    }
    bool known = false;
    const auto& kinds = entry.m_Key == "osc" ? std::vector<std::pair<const char*, ZESynthSource::Kind>>(
                                                   std::begin(oscillators), std::end(oscillators))
                                             : std::vector<std::pair<const char*, ZESynthSource::Kind>>(
                                                   std::begin(noises), std::end(noises));
    for (const auto& kind : kinds)
        if (values.m_Kind == kind.first)
        {
            source.m_Kind = kind.second;
            known = true;
        }
    if (!known)
        return reader.Fail(entry.m_lLine, "'" + entry.m_Key + "': unknown kind '" + values.m_Kind + "'" +
                                              (entry.m_Key == "osc" ? " (sine, saw, square, pulse, triangle or fm)"
                                                                    : " (white, pink or brown)"));
    if (entry.m_Key == "osc")
    {
        float voices = 1.0f;
        params.insert(params.end(), {{"semi", -96, 96, &source.m_fSemi},
                                     {"cents", -1200, 1200, &source.m_fCents},
                                     {"ratio", 0.01, 64, &source.m_fRatio},
                                     {"fixed", 0, 20000, &source.m_fFixed},
                                     {"voices", 1, 16, &voices},
                                     {"detune", 0, 1200, &source.m_fDetune},
                                     {"width", 0, 1, &source.m_fWidth},
                                     {"pw", 0.01, 0.99, &source.m_fPulseWidth},
                                     {"phase", 0, 1, &source.m_fPhase},
                                     {"mod", 0.01, 64, &source.m_fMod},
                                     {"index", 0, 50, &source.m_fIndex},
                                     {"sweep", 0, 60, &source.m_fSweep},
                                     {"floor", 0, 1, &source.m_fFloor}});
        if (!ApplyParams(reader, entry, values, params))
            return false;
        if (voices != std::floor(voices))
            return reader.Fail(entry.m_lLine, "'osc voices' must be a whole number");
        source.m_ulVoices = uint32_t(voices);
        return true;
    }
    return ApplyParams(reader, entry, values, params);
}

// Chord names after the colon of "C4:m7": intervals above the root.
const std::vector<std::pair<std::string, std::vector<int>>>& ChordQualities()
{
    static const std::vector<std::pair<std::string, std::vector<int>>> qualities = {
        {"maj", {0, 4, 7}},        {"m", {0, 3, 7}},          {"7", {0, 4, 7, 10}},
        {"maj7", {0, 4, 7, 11}},   {"m7", {0, 3, 7, 10}},     {"sus2", {0, 2, 7}},
        {"sus4", {0, 5, 7}},       {"dim", {0, 3, 6}},        {"aug", {0, 4, 8}},
        {"5", {0, 7, 12}},         {"add9", {0, 4, 7, 14}},   {"m9", {0, 3, 7, 10, 14}},
        {"6", {0, 4, 7, 9}},       {"m6", {0, 3, 7, 9}},      {"madd9", {0, 3, 7, 14}},
        {"oct", {0, 12}},
    };
    return qualities;
}

// One step token of a pattern track.
bool ParseStep(const std::string& token, ZESynthStep& step, std::string& why)
{
    step = ZESynthStep();
    if (token == ".")
        return true;
    if (token == "_")
    {
        step.m_Kind = ZESynthStep::Kind::Hold;
        return true;
    }
    step.m_Kind = ZESynthStep::Kind::Play;
    if (token == "x" || token == "X" || token == "o")
    {
        step.m_fVelocity = token == "X" ? 1.0f : token == "o" ? 0.5f : 0.8f;
        return true;
    }
    std::string body = token;
    if (body.back() == '!' || body.back() == '?')
    {
        step.m_fVelocity = body.back() == '!' ? 1.0f : 0.5f;
        body.pop_back();
    }
    size_t colon = body.find(':');
    if (colon != std::string::npos)
    {
        float root = 0.0f;
        if (!ZESynthParseNote(body.substr(0, colon), root))
        {
            why = "'" + token + "' does not start with a note";
            return false;
        }
        std::string quality = body.substr(colon + 1);
        for (const auto& known : ChordQualities())
            if (known.first == quality)
            {
                for (int interval : known.second)
                    step.m_afNotes.push_back(root + interval);
                return true;
            }
        why = "'" + token + "': unknown chord '" + quality + "'";
        return false;
    }
    std::string part;
    std::istringstream notes(body);
    while (std::getline(notes, part, '+'))
    {
        float note = 0.0f;
        if (!ZESynthParseNote(part, note))
        {
            why = "'" + token + "' is not a step (., _, x, X, o, a note, a chord)";
            return false;
        }
        step.m_afNotes.push_back(note);
    }
    return true;
}

class Parser
{
public:
    Parser(const std::string& file, ZESynthDescription& description) : m_Reader(file), m_Out(description)
    {
        m_Out.m_File = file;
    }

    bool Run(const std::string& text)
    {
        return Split(text) && ReadSingles() && ReadVoices("instrument", m_Out.m_aInstruments) &&
               ReadVoices("layer", m_Out.m_aLayers) && ReadPatterns() && ReadSections() && ReadOrder() &&
               CheckWhole();
    }
    const std::string& Error() const { return m_Reader.Error(); }

private:
    bool Split(const std::string& text)
    {
        std::istringstream lines(text);
        std::string line;
        int number = 0;
        std::set<std::string> seen;
        while (std::getline(lines, line))
        {
            ++number;
            std::string content = ZETrimText(ZEStripComment(line));
            if (content.empty())
                continue;
            if (content.front() == '[')
            {
                if (content.back() != ']')
                    return m_Reader.Fail(number, "a section header must end with ']'");
                std::vector<std::string> words = ZESplitWords(content.substr(1, content.size() - 2));
                RawSection section;
                section.m_lLine = number;
                if (words.empty())
                    return m_Reader.Fail(number, "empty section header");
                section.m_Kind = words[0];
                if (kNamedSections.count(section.m_Kind))
                {
                    if (words.size() != 2)
                        return m_Reader.Fail(number, "[" + section.m_Kind + "] needs one name");
                    section.m_Name = words[1];
                }
                else if (kSingleSections.count(section.m_Kind))
                {
                    if (words.size() != 1)
                        return m_Reader.Fail(number, "[" + section.m_Kind + "] takes no name");
                }
                else
                    return m_Reader.Fail(number, "unknown section '" + section.m_Kind + "'");
                std::string identity = section.m_Kind + " " + section.m_Name;
                if (section.m_Kind == "layer" || section.m_Kind == "instrument")
                    identity = "voice " + section.m_Name;
                if (!seen.insert(identity).second)
                    return m_Reader.Fail(number, "[" + section.m_Kind + (section.m_Name.empty() ? "" : " ") +
                                                     section.m_Name + "] is given twice");
                m_aSections.push_back(section);
                continue;
            }
            size_t equals = content.find('=');
            if (equals == std::string::npos)
                return m_Reader.Fail(number, "expected 'key = value' or '[section]'");
            if (m_aSections.empty())
                return m_Reader.Fail(number, "a key before the first section");
            Entry entry;
            entry.m_Key = ZETrimText(content.substr(0, equals));
            entry.m_Value = ZETrimText(content.substr(equals + 1));
            entry.m_lLine = number;
            if (entry.m_Key.empty())
                return m_Reader.Fail(number, "a value without a key");
            if (entry.m_Value.empty())
                return m_Reader.Fail(number, "'" + entry.m_Key + "' has no value");
            m_aSections.back().m_aEntries.push_back(entry);
        }
        return true;
    }

    // Keys that may appear once only, everywhere but in patterns and for
    // a voice's source lines.
    bool CheckRepeats(const RawSection& section, const std::set<std::string>& repeatable)
    {
        std::set<std::string> keys;
        for (const Entry& entry : section.m_aEntries)
            if (!repeatable.count(entry.m_Key) && !keys.insert(entry.m_Key).second)
                return m_Reader.Fail(entry.m_lLine, "'" + entry.m_Key + "' is given twice");
        return true;
    }

    bool Unknown(const Entry& entry, const RawSection& section)
    {
        return m_Reader.Fail(entry.m_lLine, "unknown key '" + entry.m_Key + "' in [" + section.m_Kind +
                                                (section.m_Name.empty() ? "" : " " + section.m_Name) + "]");
    }

    bool ReadSingles()
    {
        // The song first: a delay may be timed in its beats.
        for (const char* kind : {"sound", "song", "reverb", "master", "delay"})
            for (const RawSection& section : m_aSections)
                if (section.m_Kind == kind && !(CheckRepeats(section, {}) && ReadSingle(section)))
                    return false;
        return true;
    }

    bool ReadSingle(const RawSection& section)
    {
        for (const Entry& entry : section.m_aEntries)
        {
            bool ok = true;
            if (section.m_Kind == "sound")
                ok = ReadSoundKey(section, entry);
            else if (section.m_Kind == "song")
                ok = ReadSongKey(section, entry);
            else if (section.m_Kind == "reverb")
                ok = ReadReverbKey(section, entry);
            else if (section.m_Kind == "delay")
                ok = ReadDelayKey(section, entry);
            else
                ok = ReadMasterKey(section, entry);
            if (!ok)
                return false;
        }
        if (section.m_Kind == "sound")
            m_lSoundLine = section.m_lLine;
        if (section.m_Kind == "song")
        {
            m_Out.m_Song.m_bPresent = true;
            m_lSongLine = section.m_lLine;
        }
        if (section.m_Kind == "reverb")
            m_Out.m_Reverb.m_bPresent = true;
        if (section.m_Kind == "delay")
            m_Out.m_Delay.m_bPresent = true;
        return true;
    }

    bool ReadSoundKey(const RawSection& section, const Entry& e)
    {
        ZESynthDescription& d = m_Out;
        const std::string& k = e.m_Key;
        if (k == "rate")
            return m_Reader.Whole(e, 8000, 96000, d.m_ulRate);
        if (k == "channels")
            return m_Reader.Whole(e, 1, 2, d.m_ulChannels);
        if (k == "length")
            return m_Reader.Number(e, 0.01, 600, d.m_fLength);
        if (k == "loop")
            return m_Reader.Flag(e, d.m_bLoop);
        if (k == "quality")
            return m_Reader.Number(e, -0.1, 1.0, d.m_fQuality);
        if (k == "normalize")
            return m_Reader.Flag(e, d.m_bNormalize);
        if (k == "peak")
            return m_Reader.Number(e, -40, 0, d.m_fPeak);
        if (k == "seed")
            return m_Reader.Whole(e, 0, 1000000000u, d.m_ulSeed);
        if (k == "tail")
            return m_Reader.Number(e, 0, 60, d.m_fTail);
        if (k == "fadeout")
            return m_Reader.Number(e, 0, 60, d.m_fFadeOut);
        return Unknown(e, section);
    }

    bool ReadSongKey(const RawSection& section, const Entry& e)
    {
        ZESynthSong& s = m_Out.m_Song;
        const std::string& k = e.m_Key;
        if (k == "tempo")
            return m_Reader.Number(e, 20, 400, s.m_fTempo);
        if (k == "beats")
            return m_Reader.Whole(e, 1, 16, s.m_ulBeats);
        if (k == "swing")
            return m_Reader.Number(e, 0, 0.5, s.m_fSwing);
        if (k == "pump")
            return m_Reader.Number(e, 0.01, 2, s.m_fPump);
        if (k == "order")
        {
            m_lOrderLine = e.m_lLine;
            m_aOrderWords = ZESplitWords(e.m_Value);
            return true;
        }
        return Unknown(e, section);
    }

    bool ReadReverbKey(const RawSection& section, const Entry& e)
    {
        ZESynthReverb& r = m_Out.m_Reverb;
        const std::string& k = e.m_Key;
        if (k == "size")
            return m_Reader.Number(e, 0, 1, r.m_fSize);
        if (k == "damp")
            return m_Reader.Number(e, 0, 1, r.m_fDamp);
        if (k == "width")
            return m_Reader.Number(e, 0, 1, r.m_fWidth);
        if (k == "predelay")
            return m_Reader.Number(e, 0, 0.5, r.m_fPredelay);
        if (k == "level")
            return m_Reader.Number(e, -40, 12, r.m_fLevel);
        return Unknown(e, section);
    }

    bool ReadDelayKey(const RawSection& section, const Entry& e)
    {
        ZESynthDelay& d = m_Out.m_Delay;
        const std::string& k = e.m_Key;
        if (k == "time")
            return m_Reader.Number(e, 0.001, 4, d.m_fTime);
        if (k == "beats")
        {
            if (!m_Out.m_Song.m_bPresent)
                return m_Reader.Fail(e.m_lLine, "'beats' needs a [song] with a tempo");
            float beats = 0.0f;
            if (!m_Reader.Number(e, 0.0625, 8, beats))
                return false;
            d.m_fTime = float(beats * 60.0 / m_Out.m_Song.m_fTempo);
            return true;
        }
        if (k == "feedback")
            return m_Reader.Number(e, 0, 0.95, d.m_fFeedback);
        if (k == "tone")
            return m_Reader.Number(e, 100, 20000, d.m_fTone);
        if (k == "pingpong")
            return m_Reader.Flag(e, d.m_bPingPong);
        if (k == "level")
            return m_Reader.Number(e, -40, 12, d.m_fLevel);
        return Unknown(e, section);
    }

    bool ReadMasterKey(const RawSection& section, const Entry& e)
    {
        ZESynthMaster& m = m_Out.m_Master;
        const std::string& k = e.m_Key;
        if (k == "lowcut")
            return m_Reader.Number(e, 0, 1000, m.m_fLowcut);
        if (k == "drive")
            return m_Reader.Number(e, 0, 36, m.m_fDrive);
        if (k == "gain")
            return m_Reader.Number(e, -60, 24, m.m_fGain);
        return Unknown(e, section);
    }

    const ZESynthVoice* FindVoice(const std::string& name) const
    {
        for (const ZESynthVoice& voice : m_Out.m_aInstruments)
            if (voice.m_Name == name)
                return &voice;
        for (const ZESynthVoice& voice : m_Out.m_aLayers)
            if (voice.m_Name == name)
                return &voice;
        return nullptr;
    }

    bool ReadVoices(const std::string& kind, std::vector<ZESynthVoice>& voices)
    {
        uint32_t index = 0;
        for (const RawSection& section : m_aSections)
        {
            if (section.m_Kind != kind)
                continue;
            ++index;
            if (!CheckRepeats(section, {"osc", "noise", "firing"}))
                return false;
            ZESynthVoice voice;
            for (const Entry& entry : section.m_aEntries)
            {
                if (entry.m_Key != "like")
                    continue;
                const ZESynthVoice* base = FindVoice(entry.m_Value);
                if (!base)
                    return m_Reader.Fail(entry.m_lLine, "'like': no instrument or layer '" + entry.m_Value +
                                                            "' before this one");
                voice = *base;
            }
            voice.m_Name = section.m_Name;
            voice.m_Location = m_Reader.Location(section.m_lLine);
            voice.m_bTimed = false;
            voice.m_fAt = 0.0f;
            voice.m_fHold = -1.0f;
            uint32_t seed = m_Out.m_ulSeed * 7919u + index * 104729u + (kind == "layer" ? 1u : 0u);
            voice.m_ulSeed = seed;
            bool ownSources = false;
            for (const Entry& entry : section.m_aEntries)
                if (!ReadVoiceKey(section, entry, seed, voice, ownSources))
                    return false;
            if (voice.m_aSources.empty())
                return m_Reader.Fail(section.m_lLine, "[" + kind + " " + section.m_Name +
                                                          "] has no source (osc, noise or firing)");
            for (int i = 0; i < 2; ++i)
            {
                const ZESynthFilter& filter = voice.m_aFilters[i];
                if (filter.m_Type == ZESynthFilter::Type::None &&
                    (!filter.m_Envelope.IsZero() || !filter.m_Lfo.IsOff()))
                    return m_Reader.Fail(section.m_lLine, std::string("a modulation of ") +
                                                              (i ? "filter2" : "filter") + " without it");
            }
            voices.push_back(voice);
        }
        return true;
    }

    bool ReadVoiceKey(const RawSection& section, const Entry& e, uint32_t seed, ZESynthVoice& v, bool& ownSources)
    {
        const std::string& k = e.m_Key;
        bool layer = section.m_Kind == "layer";
        if (k == "like")
            return true;
        if (k == "osc" || k == "noise" || k == "firing")
        {
            if (!ownSources)
                v.m_aSources.clear();
            ownSources = true;
            ZESynthSource source;
            if (!ParseSource(m_Reader, e, source))
                return false;
            v.m_aSources.push_back(source);
            return true;
        }
        if (k == "note")
        {
            float note = 0.0f;
            if (!ZESynthParseNote(e.m_Value, note))
                return m_Reader.Fail(e.m_lLine, "'note': '" + e.m_Value + "' is not a note such as C4 or F#2");
            v.m_fFrequency = ZESynthNoteHz(note);
            return true;
        }
        if (k == "freq")
            return m_Reader.Number(e, 1, 20000, v.m_fFrequency);
        if (k == "amp")
            return ParseEnvelope(m_Reader, e, v.m_Amp);
        if (k == "pitch")
            return ParseEnvelope(m_Reader, e, v.m_Pitch);
        if (k == "pitch_lfo")
            return ParseLfo(m_Reader, e, seed + 1, v.m_PitchLfo);
        if (k == "glide")
            return m_Reader.Number(e, 0, 5, v.m_fGlide);
        if (k == "amp_lfo")
            return ParseLfo(m_Reader, e, seed + 2, v.m_AmpLfo) && CheckTremolo(e, v.m_AmpLfo);
        for (int i = 0; i < 2; ++i)
        {
            std::string name = i ? "filter2" : "filter";
            if (k == name)
                return ParseFilter(m_Reader, e, v.m_aFilters[i]);
            if (k == name + "_env")
                return ParseEnvelope(m_Reader, e, v.m_aFilters[i].m_Envelope);
            if (k == name + "_lfo")
                return ParseLfo(m_Reader, e, seed + 3 + i, v.m_aFilters[i].m_Lfo);
        }
        if (k == "drive")
            return ParseShaper(m_Reader, e, v.m_Shaper);
        if (k == "gain")
            return m_Reader.Number(e, -60, 24, v.m_fGain);
        if (k == "pan")
            return m_Reader.Number(e, -1, 1, v.m_fPan);
        if (k == "reverb")
            return m_Reader.Number(e, 0, 1, v.m_fReverb);
        if (k == "delay")
            return m_Reader.Number(e, 0, 1, v.m_fDelay);
        if (k == "duck")
            return m_Reader.Number(e, 0, 1, v.m_fDuck);
        if (k == "sidechain")
            return m_Reader.Flag(e, v.m_bSidechain);
        if (k == "gate")
            return m_Reader.Number(e, 0.05, 1, v.m_fGate);
        if (k == "tail")
            return m_Reader.Number(e, 0, 30, v.m_fTail);
        if (layer && k == "at")
        {
            v.m_bTimed = true;
            return m_Reader.Number(e, 0, 600, v.m_fAt);
        }
        if (layer && k == "hold")
        {
            v.m_bTimed = true;
            return m_Reader.Number(e, 0, 600, v.m_fHold);
        }
        if (layer && k == "velocity")
            return m_Reader.Number(e, 0, 4, v.m_fVelocity);
        return Unknown(e, section);
    }

    bool CheckTremolo(const Entry& e, const ZESynthLfo& lfo)
    {
        if (lfo.m_fDepth < 0.0f || lfo.m_fDepth > 1.0f)
            return m_Reader.Fail(e.m_lLine, "'amp_lfo depth' is outside 0 .. 1");
        return true;
    }

    bool ReadPatterns()
    {
        for (const RawSection& section : m_aSections)
        {
            if (section.m_Kind != "pattern")
                continue;
            ZESynthPattern pattern;
            pattern.m_Name = section.m_Name;
            std::map<std::string, size_t> trackOf;
            for (const Entry& entry : section.m_aEntries)
            {
                if (entry.m_Key == "steps" || entry.m_Key == "bars")
                {
                    if (!pattern.m_aTracks.empty())
                        return m_Reader.Fail(entry.m_lLine, "'" + entry.m_Key + "' must come before the tracks");
                    if (!m_Reader.Whole(entry, 1, 64, entry.m_Key == "steps" ? pattern.m_ulSteps : pattern.m_ulBars))
                        return false;
                    continue;
                }
                if (!m_Out.FindInstrument(entry.m_Key))
                    return m_Reader.Fail(entry.m_lLine, "no instrument '" + entry.m_Key + "'");
                if (!trackOf.count(entry.m_Key))
                {
                    trackOf[entry.m_Key] = pattern.m_aTracks.size();
                    ZESynthTrack track;
                    track.m_Instrument = entry.m_Key;
                    track.m_lLine = entry.m_lLine;
                    pattern.m_aTracks.push_back(track);
                }
                ZESynthTrack& track = pattern.m_aTracks[trackOf[entry.m_Key]];
                for (const std::string& token : ZESplitWords(entry.m_Value))
                {
                    if (token == "|")
                        continue;
                    ZESynthStep step;
                    std::string why;
                    if (!ParseStep(token, step, why))
                        return m_Reader.Fail(entry.m_lLine, why);
                    if (step.m_Kind == ZESynthStep::Kind::Hold &&
                        (track.m_aSteps.empty() || track.m_aSteps.back().m_Kind == ZESynthStep::Kind::Rest))
                        return m_Reader.Fail(entry.m_lLine, "'_' holds nothing: it follows a rest or starts the track");
                    track.m_aSteps.push_back(step);
                }
            }
            size_t wanted = size_t(pattern.m_ulSteps) * pattern.m_ulBars;
            for (const ZESynthTrack& track : pattern.m_aTracks)
                if (track.m_aSteps.size() != wanted)
                    return m_Reader.Fail(track.m_lLine, "track '" + track.m_Instrument + "' has " +
                                                            std::to_string(track.m_aSteps.size()) + " steps, the pattern " +
                                                            std::to_string(wanted));
            m_Out.m_aPatterns.push_back(pattern);
        }
        return true;
    }

    bool ReadSections()
    {
        for (const RawSection& section : m_aSections)
        {
            if (section.m_Kind != "section")
                continue;
            if (!CheckRepeats(section, {}))
                return false;
            ZESynthSection out;
            out.m_Name = section.m_Name;
            for (const Entry& entry : section.m_aEntries)
            {
                if (entry.m_Key == "bars")
                {
                    if (!m_Reader.Whole(entry, 1, 512, out.m_ulBars))
                        return false;
                }
                else if (entry.m_Key == "play")
                {
                    for (const std::string& word : ZESplitWords(entry.m_Value))
                    {
                        ZESynthSection::Use use;
                        size_t sign = word.find_first_of("+-");
                        use.m_Pattern = word.substr(0, sign);
                        if (sign != std::string::npos)
                        {
                            Entry shift = entry;
                            shift.m_Key = "play " + word;
                            if (!m_Reader.Number(shift, word.substr(sign), -48, 48, use.m_fTranspose))
                                return false;
                        }
                        if (!m_Out.FindPattern(use.m_Pattern))
                            return m_Reader.Fail(entry.m_lLine, "no pattern '" + use.m_Pattern + "'");
                        out.m_aPlay.push_back(use);
                    }
                }
                else
                    return Unknown(entry, section);
            }
            m_Out.m_aSections.push_back(out);
        }
        return true;
    }

    bool ReadOrder()
    {
        if (!m_Out.m_Song.m_bPresent)
            return true;
        if (m_aOrderWords.empty())
            return m_Reader.Fail(m_lSongLine, "[song] needs an 'order' of sections");
        for (const std::string& word : m_aOrderWords)
        {
            size_t star = word.find('*');
            std::string name = word.substr(0, star);
            uint32_t times = 1;
            if (star != std::string::npos)
            {
                Entry count;
                count.m_Key = "order " + word;
                count.m_lLine = m_lOrderLine;
                if (!m_Reader.Whole(count, word.substr(star + 1), 1, 64, times))
                    return false;
            }
            if (!m_Out.FindSection(name))
                return m_Reader.Fail(m_lOrderLine, "no section '" + name + "'");
            for (uint32_t i = 0; i < times; ++i)
                m_Out.m_Song.m_aOrder.push_back(name);
        }
        return true;
    }

    bool CheckWhole()
    {
        double song = 0.0;
        if (m_Out.m_Song.m_bPresent)
        {
            for (const std::string& name : m_Out.m_Song.m_aOrder)
                song += m_Out.FindSection(name)->m_ulBars * m_Out.m_Song.BarSeconds();
            if (song > 600.0)
                return m_Reader.Fail(m_lSongLine, "the song is longer than ten minutes");
        }
        if (m_Out.m_fLength > 0.0f || m_Out.m_Song.m_bPresent)
            return true;
        if (m_Out.m_bLoop)
            return m_Reader.Fail(m_lSoundLine, "a loop needs a 'length' or a [song]");
        if (m_Out.m_aLayers.empty())
            return m_Reader.Fail(m_lSoundLine, "nothing to play: no layer and no [song]");
        for (const ZESynthVoice& layer : m_Out.m_aLayers)
            if (layer.m_fHold < 0.0f && layer.m_Amp.End(1.0e9) > 1.0e8)
                return m_Reader.Fail(m_lSoundLine, "layer '" + layer.m_Name +
                                                       "' lasts to the end, so the sound needs a 'length'");
        return true;
    }

    Reader m_Reader;
    ZESynthDescription& m_Out;
    std::vector<RawSection> m_aSections;
    std::vector<std::string> m_aOrderWords;
    int m_lOrderLine = 0;
    int m_lSoundLine = 1;
    int m_lSongLine = 1;
};
} // namespace

bool ZESynthParseNote(const std::string& text, float& note)
{
    static const int offsets[7] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    if (text.size() < 2 || text[0] < 'A' || text[0] > 'G')
        return false;
    int semitone = offsets[text[0] - 'A'];
    size_t at = 1;
    if (text[at] == '#' || text[at] == 'b')
    {
        semitone += text[at] == '#' ? 1 : -1;
        ++at;
    }
    bool negative = at < text.size() && text[at] == '-';
    if (negative)
        ++at;
    if (at + 1 != text.size() || !std::isdigit(static_cast<unsigned char>(text[at])))
        return false;
    int octave = (text[at] - '0') * (negative ? -1 : 1);
    note = float((octave + 1) * 12 + semitone);
    return true;
}

float ZESynthNoteHz(float note)
{
    return float(440.0 * std::pow(2.0, (note - 69.0) / 12.0));
}

const ZESynthVoice* ZESynthDescription::FindInstrument(const std::string& name) const
{
    for (const ZESynthVoice& voice : m_aInstruments)
        if (voice.m_Name == name)
            return &voice;
    return nullptr;
}

const ZESynthPattern* ZESynthDescription::FindPattern(const std::string& name) const
{
    for (const ZESynthPattern& pattern : m_aPatterns)
        if (pattern.m_Name == name)
            return &pattern;
    return nullptr;
}

const ZESynthSection* ZESynthDescription::FindSection(const std::string& name) const
{
    for (const ZESynthSection& section : m_aSections)
        if (section.m_Name == name)
            return &section;
    return nullptr;
}

bool ZEParseSynthDescription(const std::string& text, const std::string& file, ZESynthDescription& description,
                             std::string& error)
{
    description = ZESynthDescription();
    Parser parser(file, description);
    if (parser.Run(text))
        return true;
    error = parser.Error();
    return false;
}
