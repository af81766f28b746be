// Fuzz target: the language file reader (ZETranslator::SetLanguage) and the
// lookups the game makes through it (Translate).
//
// The input is the language file "strings.txt", read as a loose file twice
// and then as an entry of a package archive followed by another entry
// holding the same bytes again, so that reading past the entry's size would
// find plausible sections. Each read loads both languages the game has,
// "ENGLISH" and "GERMAN", and asks for every key the game uses (WZTexts.h)
// and for every text the input holds between two quotes. Beyond surviving,
// the target requires:
// - a language loads exactly when its header is in the file and the
//   section behind it (up to the next '[') holds a non-zero multiple of
//   four quotes, with a quarter as many entries as quotes;
// - the key of each entry gives that entry's value unless an earlier entry
//   has the same key (texts end at a NUL byte, as the reader keeps them);
// - a text handed back that differs from its key occurs in the file's bytes
//   (so is never longer than the file);
// - a failed load leaves nothing loaded: no entries, every text handed back
//   unchanged;
// - loading the same file again, and loading it packaged, gives the same
//   answers.
// A broken rule aborts, which libFuzzer records as a crash with the input
// that caused it.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZETranslator.h"

#include "WZTexts.h"
#include "FuzzFolder.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
const char kFile[] = "strings.txt";
const char kArchive[] = "strings.dat";
const char* const kLanguages[] = {"ENGLISH", "GERMAN"};
// Texts taken from the input as extra keys; more only slow the run.
const size_t kMaxInputKeys = 256;

void Require(bool holds, const char* rule) { ZEFuzzRequire(holds, "translator", rule); }

// The engine parts a language load reaches, over a private folder of their
// own.
class Environment
{
public:
    Environment()
    {
        m_Files.SetMainDirectory(ZEString(m_Folder.Root().c_str()));
    }

    void WriteLoose(const uint8_t* bytes, size_t length) { m_Folder.Write(kFile, bytes, length); }

    void RemoveLoose() { m_Folder.Remove(kFile); }

    // The input as the first entry of a package, a copy of it behind.
    bool WritePackage(const uint8_t* bytes, size_t length)
    {
        return m_Folder.WritePackage(kArchive, kFile, "after.txt", bytes, length) &&
               m_Files.AddArchive(ZEString(kArchive));
    }

    void RemovePackage() { m_Files.RemoveAllArchives(); }

    ZETranslator& Translator() { return m_Translator; }

private:
    ZEFuzzFolder m_Folder{"language"};
    ZEFileManager m_Files;
    ZEConsole m_Console;
    ZETranslator m_Translator;
};

// A text of the file as the reader keeps it: up to its first NUL byte.
std::string CText(const char* begin, const char* end)
{
    return std::string(begin, std::find(begin, end, '\0'));
}

// ---------------------------------------------------------------------------
// The file as the reader takes it

struct Section
{
    bool m_bLoadable = false;
    uint32_t m_ulNumQuotes = 0;
    std::vector<std::pair<std::string, std::string>> m_aEntries;   // key, value in file order
};

Section ReadSection(const std::string& file, const char* language)
{
    Section section;
    std::string header = std::string("[") + language + "]";
    size_t found = file.find(header);
    if (found == std::string::npos)
        return section;
    size_t begin = found + header.size();
    size_t end = file.find('[', begin);
    if (end == std::string::npos)
        end = file.size();
    std::vector<size_t> quotes;
    for (size_t at = begin; at < end; ++at)
        if (file[at] == '"')
            quotes.push_back(at);
    section.m_ulNumQuotes = static_cast<uint32_t>(quotes.size());
    section.m_bLoadable = !quotes.empty() && quotes.size() % 4 == 0;
    if (!section.m_bLoadable)
        return section;
    const char* text = file.data();
    for (size_t q = 0; q < quotes.size(); q += 4)
        section.m_aEntries.emplace_back(CText(text + quotes[q] + 1, text + quotes[q + 1]),
                                        CText(text + quotes[q + 2] + 1, text + quotes[q + 3]));
    return section;
}

// The game's keys, then each text between two neighbouring quotes of the
// input (both the texts and what lies between them), up to kMaxInputKeys.
std::vector<std::string> Keys(const std::string& file)
{
    std::vector<std::string> keys;
    for (const WZText& text : WZTexts::ms_aTexts)
        keys.emplace_back(text.m_pKey);
    size_t open = file.find('"');
    size_t taken = 0;
    while (open != std::string::npos && taken < kMaxInputKeys)
    {
        size_t close = file.find('"', open + 1);
        if (close == std::string::npos)
            break;
        keys.push_back(CText(file.data() + open + 1, file.data() + close));
        ++taken;
        open = close;
    }
    return keys;
}

// ---------------------------------------------------------------------------
// Loading and asking

// Every answer of both languages, checked against the file.
std::vector<std::string> LoadAndAsk(Environment& environment, const std::string& file,
                                    const std::vector<std::string>& keys)
{
    ZETranslator& translator = environment.Translator();
    std::vector<std::string> answers;
    for (const char* language : kLanguages)
    {
        Section section = ReadSection(file, language);
        bool loaded = translator.SetLanguage(ZEString(language), ZEString(kFile));
        Require(loaded == translator.IsLoaded(), "SetLanguage says whether a language is loaded");
        Require(loaded == section.m_bLoadable,
                "a language loads exactly when its section holds a non-zero multiple of four quotes");
        Require(translator.GetNumEntries() == (loaded ? section.m_ulNumQuotes / 4 : 0),
                "a loaded section has a quarter as many entries as quotes, a failed one none");

        for (size_t e = 0; e < section.m_aEntries.size(); ++e)
        {
            const std::string& key = section.m_aEntries[e].first;
            bool earlier = std::any_of(section.m_aEntries.begin(), section.m_aEntries.begin() + e,
                                       [&](const auto& entry) { return entry.first == key; });
            if (!earlier)
                Require(translator.Translate(key.c_str()).CStr() == section.m_aEntries[e].second,
                        "each entry's key gives its value, the first of equal keys winning");
        }

        answers.push_back(std::string("[") + language + "]");
        for (const std::string& key : keys)
        {
            std::string answer = translator.Translate(key.c_str()).CStr();
            if (!loaded)
                Require(answer == key, "without a language every text comes back unchanged");
            if (answer != key)
                Require(answer.size() <= file.size() && file.find(answer) != std::string::npos,
                        "a translation is text of the file");
            answers.push_back(std::move(answer));
        }
    }
    return answers;
}
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t length)
{
    static Environment environment;
    std::string file(reinterpret_cast<const char*>(bytes), length);
    std::vector<std::string> keys = Keys(file);

    environment.WriteLoose(bytes, length);
    std::vector<std::string> loose = LoadAndAsk(environment, file, keys);
    Require(LoadAndAsk(environment, file, keys) == loose, "loading the same file again gives the same answers");
    environment.RemoveLoose();

    if (environment.WritePackage(bytes, length))
    {
        std::vector<std::string> packed = LoadAndAsk(environment, file, keys);
        Require(packed == loose, "a packaged language file gives the same answers as the same bytes alone");
        environment.RemovePackage();
    }
    return 0;
}
