#include "core/ZETranslator.h"

#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

ZETranslator* ZETranslator::ms_pTranslator = nullptr;

namespace
{
// The whole file through the file manager, read no further than the size it
// reports (an archived file is followed by the next entry), and terminated.
bool ReadWholeFile(const ZEString& name, std::unique_ptr<char[]>& text, uint32_t& size)
{
    if (!ZEFileManager::ms_pFileManager)
        return false;
    FILE* file = ZEFileManager::ms_pFileManager->OpenFile(name, size);
    if (!file)
        return false;
    text.reset(new char[static_cast<size_t>(size) + 1]);
    size_t got = std::fread(text.get(), 1, size, file);
    std::fclose(file);
    text[got] = '\0';
    return got == size;
}

// The first occurrence of `pattern` in [begin, end), or null; the text may
// hold NUL bytes, so it is searched by length, not as a C string.
char* FindText(char* begin, char* end, const ZEString& pattern)
{
    const char* first = pattern.CStr();
    const char* last = first + pattern.GetLength();
    char* found = std::search(begin, end, first, last);
    return found == end ? nullptr : found;
}

void PostLang(const ZEString& text, ZEMessageMode mode)
{
    ZEConsole::Post("lang", text, mode);
}
}

ZETranslator::ZETranslator()
{
    ms_pTranslator = this;
}

ZETranslator::ZETranslator(const ZEString& language, const ZEString& file)
{
    ms_pTranslator = this;
    SetLanguage(language, file);
}

ZETranslator::~ZETranslator()
{
    Forget();
    if (ms_pTranslator == this)
        ms_pTranslator = nullptr;
}

void ZETranslator::Forget()
{
    delete[] m_pEntries;
    m_pEntries = nullptr;
    m_ulNumEntries = 0;
    m_bLoaded = false;
    m_ulNumReportedMisses = 0;
}

bool ZETranslator::SetLanguage(const ZEString& language, const ZEString& file)
{
    Forget();

    std::unique_ptr<char[]> text;
    uint32_t size = 0;
    if (!ReadWholeFile(file, text, size))
    {
        PostLang(ZEString::Format("Opening language file failed: %s", file.CStr()), ZE_MSG_ERROR);
        return false;
    }

    ZEString header = ZEString::Format("[%s]", language.CStr());
    char* end = text.get() + size;
    char* found = FindText(text.get(), end, header);
    if (!found)
    {
        PostLang(ZEString::Format("%s not found in language!", language.CStr()), ZE_MSG_DEFAULT);
        return false;
    }

    char* section = found + header.GetLength();
    char* sectionEnd = std::find(section, end, '[');
    if (!ParseSection(section, sectionEnd))
    {
        PostLang(ZEString::Format("Damaged language file: %s", file.CStr()), ZE_MSG_ERROR);
        return false;
    }
    m_bLoaded = true;
    return true;
}

bool ZETranslator::ParseSection(char* section, char* sectionEnd)
{
    size_t quotes = static_cast<size_t>(std::count(section, sectionEnd, '"'));
    if (quotes == 0 || quotes % 4 != 0 || quotes / 4 > UINT32_MAX)
        return false;

    m_ulNumEntries = static_cast<uint32_t>(quotes / 4);
    m_pEntries = new ZEString[2 * static_cast<size_t>(m_ulNumEntries)];
    // The count guarantees that every opening quote has its closing one
    // inside the section, so cutting the texts out cannot run past it.
    char* cursor = section;
    for (size_t index = 0; index < 2 * static_cast<size_t>(m_ulNumEntries); ++index)
    {
        char* open = std::find(cursor, sectionEnd, '"');
        char* close = std::find(open + 1, sectionEnd, '"');
        *close = '\0';
        m_pEntries[index] = open + 1;
        cursor = close + 1;
    }
    return true;
}

ZEString ZETranslator::Translate(const ZEString& text) const
{
    return Translate(text.Get());
}

ZEString ZETranslator::Translate(const char* text) const
{
    if (!m_bLoaded)
        return ZEString(text);
    const char* key = text ? text : "";
    for (uint32_t entry = 0; entry < m_ulNumEntries; ++entry)
        if (m_pEntries[2 * entry] == key)
            return m_pEntries[2 * entry + 1];
    ReportMiss(key);
    return ZEString(text);
}

void ZETranslator::ReportMiss(const char* text) const
{
    if (m_ulNumReportedMisses >= ms_ulMaxReportedMisses)
        return;
    for (uint32_t miss = 0; miss < m_ulNumReportedMisses; ++miss)
        if (m_aReportedMisses[miss] == text)
            return;
    m_aReportedMisses[m_ulNumReportedMisses++] = text;
    PostLang(ZEString::Format("Translation missing for: %s", text), ZE_MSG_DEFAULT);
    if (m_ulNumReportedMisses == ms_ulMaxReportedMisses)
        PostLang(ZEString("Further missing translations are not reported"), ZE_MSG_DEFAULT);
}
