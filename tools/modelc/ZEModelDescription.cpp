#include "ZEModelDescription.h"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace
{
const size_t kMaxIncludeDepth = 8;

std::string DirectoryOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsName(const std::string& text)
{
    if (text.empty())
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.';
    });
}
}

const ZEModelValue* ZEModelSection::Find(const std::string& key) const
{
    for (auto it = m_aValues.rbegin(); it != m_aValues.rend(); ++it)
        if (it->m_Key == key)
            return &*it;
    return nullptr;
}

std::vector<const ZEModelValue*> ZEModelSection::FindAll(const std::string& key) const
{
    std::vector<const ZEModelValue*> values;
    for (const ZEModelValue& value : m_aValues)
        if (value.m_Key == key)
            values.push_back(&value);
    return values;
}

bool ZEModelDescription::Load(const std::string& path)
{
    ReadFile(path, std::string());
    return m_aErrors.empty();
}

bool ZEModelDescription::Parse(const std::string& text, const std::string& name, const std::string& directory)
{
    m_aFiles.push_back(directory + name);
    m_aOpenFiles.push_back(directory + name);
    ParseText(text, name, directory);
    m_aOpenFiles.pop_back();
    return m_aErrors.empty();
}

const ZEModelSection* ZEModelDescription::Find(const std::string& name) const
{
    for (const ZEModelSection& section : m_aSections)
        if (section.m_Name == name)
            return &section;
    return nullptr;
}

bool ZEModelDescription::ReadFile(const std::string& path, const std::string& from)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        m_aErrors.push_back((from.empty() ? path : from) + ": cannot read " + path);
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    m_aFiles.push_back(path);
    m_aOpenFiles.push_back(path);
    size_t slash = path.find_last_of('/');
    ParseText(text.str(), slash == std::string::npos ? path : path.substr(slash + 1), DirectoryOf(path));
    m_aOpenFiles.pop_back();
    return true;
}

void ZEModelDescription::ParseText(const std::string& text, const std::string& name, const std::string& directory)
{
    std::istringstream stream(text);
    std::string line;
    int number = 0;
    while (std::getline(stream, line))
        ParseLine(line, name, directory, ++number);
}

void ZEModelDescription::ParseLine(const std::string& raw, const std::string& name, const std::string& directory,
                                   int number)
{
    std::string line = ZETrimText(raw.substr(0, raw.find('#')));
    if (line.empty())
        return;
    if (line.front() == '[')
    {
        std::string section = line.back() == ']' ? ZETrimText(line.substr(1, line.size() - 2)) : std::string();
        if (!IsName(section))
            Error(name, number, "a section header is [name] with letters, digits, '_', '-' or '.'");
        else
            OpenSection(section, name, number);
        return;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos)
    {
        Error(name, number, "expected [section] or key = value");
        return;
    }
    std::string key = ZETrimText(line.substr(0, equals));
    std::string value = ZETrimText(line.substr(equals + 1));
    if (!IsName(key))
    {
        Error(name, number, "a key is a name of letters, digits, '_', '-' or '.'");
        return;
    }
    if (key == "include")
    {
        std::string path = directory + value;
        if (value.empty())
            Error(name, number, "include needs a file name");
        else if (std::find(m_aOpenFiles.begin(), m_aOpenFiles.end(), path) != m_aOpenFiles.end())
            Error(name, number, "include of " + value + " forms a cycle");
        else if (m_aOpenFiles.size() >= kMaxIncludeDepth)
            Error(name, number, "includes nest deeper than 8 files");
        else
            ReadFile(path, name + ":" + std::to_string(number));
        m_iCurrent = -1;
        return;
    }
    if (m_iCurrent < 0)
    {
        Error(name, number, "key '" + key + "' outside a section");
        return;
    }
    AddValue(key, value, name, number);
}

void ZEModelDescription::OpenSection(const std::string& name, const std::string& file, int line)
{
    ++m_iBlock;
    for (size_t i = 0; i < m_aSections.size(); ++i)
    {
        if (m_aSections[i].m_Name == name)
        {
            m_iCurrent = static_cast<int>(i);
            return;
        }
    }
    ZEModelSection section;
    section.m_Name = name;
    section.m_File = file;
    section.m_iLine = line;
    m_aSections.push_back(section);
    m_iCurrent = static_cast<int>(m_aSections.size() - 1);
}

void ZEModelDescription::AddValue(const std::string& key, const std::string& text, const std::string& file,
                                  int line)
{
    std::vector<ZEModelValue>& values = m_aSections[m_iCurrent].m_aValues;
    // A key set again in a later block replaces what earlier blocks gave it.
    values.erase(std::remove_if(values.begin(), values.end(),
                                [&](const ZEModelValue& v) { return v.m_Key == key && v.m_iBlock != m_iBlock; }),
                 values.end());
    ZEModelValue value;
    value.m_Key = key;
    value.m_Text = text;
    value.m_File = file;
    value.m_iLine = line;
    value.m_iBlock = m_iBlock;
    values.push_back(value);
}

void ZEModelDescription::Error(const std::string& file, int line, const std::string& why)
{
    m_aErrors.push_back(file + ":" + std::to_string(line) + ": " + why);
}
