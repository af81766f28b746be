#include "ZEDescriptionText.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace
{
bool IsBlank(char c)
{
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
}

std::string ZETrimText(const std::string& text)
{
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string ZEStripComment(const std::string& line)
{
    for (size_t at = 0; at < line.size(); ++at)
    {
        if (line[at] != '#')
            continue;
        const bool afterBlank = at == 0 || IsBlank(line[at - 1]);
        const bool beforeBlank = at + 1 == line.size() || IsBlank(line[at + 1]);
        if (ZETrimText(line.substr(0, at)).empty() || (afterBlank && beforeBlank))
            return line.substr(0, at);
    }
    return line;
}

std::vector<std::string> ZESplitWords(const std::string& text, const char* extraSeparators)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text)
    {
        if (IsBlank(c) || (c != '\0' && std::strchr(extraSeparators, c)))
        {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        }
        else
            word += c;
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

bool ZEParseNumber(const std::string& word, double& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && errno == 0 && std::isfinite(value);
}
