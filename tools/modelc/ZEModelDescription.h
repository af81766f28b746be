// The text form of a model description: sections of "key = value" lines.
//
//   # a comment runs from '#' to the end of the line
//   include = golf.txt        # reads another description here
//   [body]                    # opens (or re-opens) the section "body"
//   type = loft
//   station = -37 -8 0 9.6    # a key may repeat; every value is kept
//
// Sections keep their first appearance's place. A section named again
// (typically after an include) is re-opened: a key given there replaces
// every value that key had from earlier blocks, while repeats within one
// block add up. So a description can include another and change only what
// differs ("[body]" then "material = rust" keeps the included stations).
//
// Includes name a file relative to the including file's folder, may nest
// (at most 8 deep) and may not form a cycle. After an include no section is
// open: the next key needs a section header first.
//
// Every value remembers its file and line, so later stages can report
// "file:line: why". Errors are collected, never thrown; Load answers false
// when any was found.
#pragma once

#include "ZEDescriptionText.h"

#include <string>
#include <vector>

struct ZEModelValue
{
    std::string m_Key;
    std::string m_Text;
    std::string m_File;
    int m_iLine = 0;
    int m_iBlock = 0;   // which opening of the section set it

    std::string Where() const { return m_File + ":" + std::to_string(m_iLine); }
};

struct ZEModelSection
{
    std::string m_Name;
    std::string m_File;
    int m_iLine = 0;
    std::vector<ZEModelValue> m_aValues;   // in the order they were read

    // The last value of a key, or null.
    const ZEModelValue* Find(const std::string& key) const;
    // Every value of a key, in order.
    std::vector<const ZEModelValue*> FindAll(const std::string& key) const;
    std::string Where() const { return m_File + ":" + std::to_string(m_iLine); }
};

class ZEModelDescription
{
public:
    // Reads a description file and everything it includes; false when a
    // file could not be read or a line is malformed (see GetErrors).
    bool Load(const std::string& path);
    // Reads text as if it were the file `name` in `directory` (tests).
    bool Parse(const std::string& text, const std::string& name, const std::string& directory);

    // The section with that name, or null.
    const ZEModelSection* Find(const std::string& name) const;

    const std::vector<ZEModelSection>& GetSections() const { return m_aSections; }
    const std::vector<std::string>& GetErrors() const { return m_aErrors; }
    // Every file read, the description first.
    const std::vector<std::string>& GetFiles() const { return m_aFiles; }

private:
    bool ReadFile(const std::string& path, const std::string& from);
    void ParseText(const std::string& text, const std::string& name, const std::string& directory);
    void ParseLine(const std::string& line, const std::string& name, const std::string& directory, int number);
    void OpenSection(const std::string& name, const std::string& file, int line);
    void AddValue(const std::string& key, const std::string& value, const std::string& file, int line);
    void Error(const std::string& file, int line, const std::string& why);

    std::vector<ZEModelSection> m_aSections;
    std::vector<std::string> m_aErrors;
    std::vector<std::string> m_aFiles;
    std::vector<std::string> m_aOpenFiles;   // the include chain being read
    int m_iCurrent = -1;                     // index of the open section, -1 none
    int m_iBlock = 0;
};

