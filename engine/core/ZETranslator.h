// ZETranslator: the game's visible texts in the chosen language.
//
// The game writes every text in English and passes it through Translate. A
// language file (opened through the file manager, so loose or packaged) maps
// each such key to the text to show. It is 8-bit text made of sections: a
// header naming the language in square brackets ("[GERMAN]"), then pairs of
// quoted texts, key first, value second; anything outside the quotes is
// ignored. A section ends at the next '[' or at the end of the file, so no
// quoted text may hold '[' or '"'. The header is searched for anywhere in
// the file, case-sensitive, and the first occurrence counts.
//
// Loading is all or nothing: a missing file, a missing section, or a section
// whose quote count is zero or not a multiple of four leaves no language
// loaded, and then Translate hands back its argument unchanged, so the game
// always has something to show. Those failures are posted under "lang".
//
// A key without a translation also falls back to the key. Translate runs for
// every visible text every frame, so reporting each miss would flood the
// log; instead each distinct missing key is posted once per loaded
// language, and after ms_ulMaxReportedMisses distinct misses (texts built
// at run time, such as lap counts, are never in the file) reporting stops
// so the memory of reported keys stays bounded.
//
// Lookup is a linear scan in file order, so of two entries with the same key
// the first wins. The one translator is created by the engine and reachable
// as ms_pTranslator while it lives.
#pragma once

#include "core/ZEString.h"

#include <cstdint>

class ZETranslator
{
public:
    // No language loaded; sets ms_pTranslator.
    ZETranslator();
    // Sets ms_pTranslator and loads `language` from `file`.
    ZETranslator(const ZEString& language, const ZEString& file);
    // Frees the entries; clears ms_pTranslator.
    ~ZETranslator();

    ZETranslator(const ZETranslator&) = delete;
    ZETranslator& operator=(const ZETranslator&) = delete;

    // Loads the section "[language]" of `file`, replacing the current one.
    // False, with nothing loaded and the reason posted, on any failure.
    bool SetLanguage(const ZEString& language, const ZEString& file);

    // A new string: the value of the first entry whose key equals `text`
    // exactly, or a copy of `text` when nothing matches or nothing is loaded.
    ZEString Translate(const ZEString& text) const;
    ZEString Translate(const char* text) const;

    bool IsLoaded() const { return m_bLoaded; }
    uint32_t GetNumEntries() const { return m_ulNumEntries; }

    static ZETranslator* ms_pTranslator;
    static const uint32_t ms_ulMaxReportedMisses = 64;

private:
    void Forget();
    // Fills the entries from the section text [section, sectionEnd) behind
    // the header; false when its quote count is zero or not a multiple of
    // four. The text is writable: each quoted text is cut out in place.
    bool ParseSection(char* section, char* sectionEnd);
    void ReportMiss(const char* text) const;

    bool m_bLoaded = false;
    uint32_t m_ulNumEntries = 0;
    ZEString* m_pEntries = nullptr;   // key 0, value 0, key 1, value 1, ...

    mutable ZEString m_aReportedMisses[ms_ulMaxReportedMisses];
    mutable uint32_t m_ulNumReportedMisses = 0;
};
