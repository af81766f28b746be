#include "headless/WZLaunchOptions.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
std::vector<std::string> Words(const char* line)
{
    std::vector<std::string> words;
    std::string word;
    for (const char* c = line ? line : ""; *c; ++c)
    {
        if (*c == ' ' || *c == '\t' || *c == '\n')
        {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        }
        else
            word += *c;
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

// A whole decimal number from `low` to `high`.
bool Number(const std::string& text, uint32_t low, uint32_t high, uint32_t& value)
{
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed < low || parsed > high)
        return false;
    value = static_cast<uint32_t>(parsed);
    return true;
}

bool TrackName(const std::string& text)
{
    if (text.empty() || text.size() > 31)
        return false;
    for (char c : text)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-'))
            return false;
    return true;
}

struct NumberOption
{
    const char* m_pName;
    uint32_t m_ulLow, m_ulHigh;
};

const NumberOption kNumbers[] = {{"--laps", 1, 30},  {"--type", 0, 4},   {"--seed", 0, 0xFFFFFFFFu},
                                 {"--car", 0, 8},    {"--camera", 0, 2}, {"--detail", 0, 4},
                                 {"--shot", 1, 86400000}, {"--quit", 1, 86400000}, {"--difficulty", 1, 3}};

void Store(WZLaunchOptions& options, const char* name, uint32_t value)
{
    std::string option(name);
    if (option == "--laps")
        options.m_ulLaps = value;
    else if (option == "--type")
        options.m_ulType = value;
    else if (option == "--seed")
        options.m_ulSeed = value, options.m_bSeed = true;
    else if (option == "--car")
        options.m_lCar = static_cast<int32_t>(value);
    else if (option == "--camera")
        options.m_lCamera = static_cast<int32_t>(value);
    else if (option == "--detail")
        options.m_lDetail = static_cast<int32_t>(value);
    else if (option == "--shot")
        options.m_aulShots.push_back(value);
    else if (option == "--difficulty")
        options.m_usDifficulty = static_cast<uint16_t>(value);
    else
        options.m_ulQuit = value;
}

bool Refuse(ZEString& error, const ZEString& reason)
{
    error = reason;
    return false;
}

// A switch without a value; false when `word` is none.
bool Switch(const std::string& word, WZLaunchOptions& options)
{
    if (word == "--headless")
        options.m_bHeadless = true;
    else if (word == "--ai-player")
        options.m_bAIPlayer = true;
    else if (word == "--joystick")
        options.m_bJoystick = true;
    else if (word == "--career")
        options.m_bCareer = true;
    else
        return false;
    return true;
}

const NumberOption* FindNumber(const std::string& word)
{
    for (const NumberOption& candidate : kNumbers)
        if (word == candidate.m_pName)
            return &candidate;
    return nullptr;
}
}

bool WZParseLaunchOptions(const char* commandLine, WZLaunchOptions& options, ZEString& error)
{
    std::vector<std::string> words = Words(commandLine);
    for (size_t i = 0; i < words.size(); ++i)
    {
        const std::string& word = words[i];
        if (Switch(word, options))
            continue;
        const std::string* value = i + 1 < words.size() ? &words[i + 1] : nullptr;
        if (word == "--track")
        {
            if (!value || !TrackName(*value))
                return Refuse(error, "--track needs a map name (letters, digits, - and _)");
            options.m_strTrack = value->c_str();
            ++i;
            continue;
        }
        const NumberOption* number = FindNumber(word);
        if (!number)
            return Refuse(error, ZEString::Format("unknown option \"%s\"", word.c_str()));
        uint32_t parsed = 0;
        if (!value || !Number(*value, number->m_ulLow, number->m_ulHigh, parsed))
            return Refuse(error, ZEString::Format("%s needs a whole number from %u to %u", number->m_pName,
                                                  number->m_ulLow, number->m_ulHigh));
        Store(options, number->m_pName, parsed);
        ++i;
    }
    if (options.m_bCareer && !options.m_bHeadless)
        return Refuse(error, "--career needs --headless");
    return true;
}

const char* WZLaunchUsage()
{
    return "usage: wrenzo [--headless] [--track NAME] [--laps 1..30] [--type 0..4] [--seed S]\n"
           "              [--car 0..8] [--ai-player] [--joystick] [--camera 0..2] [--detail 0..4]\n"
           "              [--shot MS]... [--quit MS] [--career] [--difficulty 1..3]\n";
}
