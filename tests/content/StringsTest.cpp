// The game's language file, content/strings/strings.txt: its bytes keep the
// rules the translator and the font depend on, both sections load through
// the translator, and every text of the game's key list (game/WZTexts.h) has
// a translation in each section that fits the smallest screen.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZETranslator.h"

#include "WZTexts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
const fs::path kStringsFolder = fs::path(WRENZO_SOURCE_DIR) / "content" / "strings";
const char* const kLanguages[] = {"ENGLISH", "GERMAN"};

// The letters German needs beyond ASCII, as Latin-1 bytes: Ä Ö Ü ä ö ü ß.
const std::string kGermanLetters = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF";
// Those the game's font draws: the renderer maps the umlauts to their
// cells, and the font keeps ß in its own byte's cell.
const std::string kFontLetters = "\xC4\xD6\xDC\xE4\xF6\xFC\xDF";

struct Entry
{
    std::string m_Key;
    std::string m_Value;
    size_t m_Line;
};

// The file as lines: before the first header only comments and blank lines;
// a header line opens a section; inside a section every line is an entry,
// a comment or blank.
struct ParsedFile
{
    std::map<std::string, std::vector<Entry>> m_Sections;   // by language
    std::vector<std::string> m_Errors;
};

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Hex(uint8_t byte)
{
    char text[8];
    std::snprintf(text, sizeof(text), "0x%02X", byte);
    return text;
}

std::string Where(size_t line)
{
    return "line " + std::to_string(line) + ": ";
}

bool IsComment(const std::string& line)
{
    return line.empty() || line[0] == '#';
}

// The text between the quote at `at` and the next one; `at` moves behind
// the closing quote. False when there is no opening or closing quote.
bool TakeQuoted(const std::string& line, size_t& at, std::string& text)
{
    if (at >= line.size() || line[at] != '"')
        return false;
    size_t close = line.find('"', at + 1);
    if (close == std::string::npos)
        return false;
    text = line.substr(at + 1, close - at - 1);
    at = close + 1;
    return true;
}

// '"key"', blanks or tabs, '"value"', and nothing else.
bool ParseEntry(const std::string& line, std::string& key, std::string& value)
{
    size_t at = 0;
    if (!TakeQuoted(line, at, key))
        return false;
    size_t gap = line.find_first_not_of(" \t", at);
    if (gap == at || gap == std::string::npos)
        return false;
    at = gap;
    return TakeQuoted(line, at, value) && at == line.size();
}

// '[' capital letters ']'; the letters go to `language`.
bool ParseHeader(const std::string& line, std::string& language)
{
    if (line.size() < 3 || line.front() != '[' || line.back() != ']')
        return false;
    language = line.substr(1, line.size() - 2);
    return std::all_of(language.begin(), language.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

ParsedFile Parse(const std::string& text)
{
    ParsedFile parsed;
    std::string section;
    size_t number = 0;
    size_t start = 0;
    while (start < text.size())
    {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;

        std::string language, key, value;
        if (ParseHeader(line, language))
        {
            if (parsed.m_Sections.count(language))
                parsed.m_Errors.push_back(Where(number) + "second section " + line);
            parsed.m_Sections[language];
            section = language;
        }
        else if (IsComment(line))
            continue;
        else if (!section.empty() && ParseEntry(line, key, value))
            parsed.m_Sections[section].push_back({key, value, number});
        else
            parsed.m_Errors.push_back(Where(number) + "neither an entry, a comment nor a header: " + line);
    }
    return parsed;
}

bool StartsWithBlank(const std::string& text)
{
    return !text.empty() && text.front() == ' ';
}

bool EndsWithBlank(const std::string& text)
{
    return !text.empty() && text.back() == ' ';
}

class StringsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Text = ReadBytes(kStringsFolder / "strings.txt");
        ASSERT_FALSE(m_Text.empty()) << "cannot read " << (kStringsFolder / "strings.txt");
        m_Files.SetMainDirectory(ZEString(kStringsFolder.c_str()));
    }

    // The section of `language` through the engine's own loader.
    void Load(const char* language)
    {
        ASSERT_TRUE(m_Translator.SetLanguage(ZEString(language), ZEString("strings.txt"))) << language;
        EXPECT_EQ(m_Translator.GetNumEntries(), WZTexts::ms_ulNumTexts) << language;
    }

    std::string Tr(const char* key) const { return m_Translator.Translate(key).CStr(); }

    // The translator's reports, newest first: a failed load or a key it
    // could not find.
    std::vector<std::string> LanguageReports() const
    {
        std::vector<std::string> reports;
        for (ZEConsoleMessage* message = m_Console.GetMessages(); message; message = message->m_pNext)
            if (std::string(message->m_Text.CStr()).rfind("lang: ", 0) == 0)
                reports.push_back(message->m_Text.CStr());
        return reports;
    }

    std::string m_Text;
    ZEConsole m_Console;
    ZEFileManager m_Files;
    ZETranslator m_Translator;
};

TEST_F(StringsTest, FileIsLatin1TextWithLineFeeds)
{
    size_t line = 1;
    for (size_t at = 0; at < m_Text.size(); ++at)
    {
        uint8_t byte = static_cast<uint8_t>(m_Text[at]);
        uint8_t next = at + 1 < m_Text.size() ? static_cast<uint8_t>(m_Text[at + 1]) : 0;
        // A lead byte followed by a continuation byte: the text was saved
        // as UTF-8, which shows as two wrong glyphs in the game.
        EXPECT_FALSE(byte >= 0xC2 && byte <= 0xF4 && next >= 0x80 && next <= 0xBF)
            << Where(line) << "UTF-8 sequence " << Hex(byte) << " " << Hex(next);
        bool printable = byte >= 0x20 && byte <= 0x7E;
        bool german = kGermanLetters.find(static_cast<char>(byte)) != std::string::npos;
        EXPECT_TRUE(printable || german || byte == '\n') << Where(line) << "byte " << Hex(byte);
        if (byte == '\n')
            ++line;
    }
    EXPECT_EQ(m_Text.back(), '\n') << "the last line ends without a line feed";
}

TEST_F(StringsTest, SectionsAreEnglishThenGermanAndCountWhole)
{
    size_t english = m_Text.find("[ENGLISH]");
    size_t german = m_Text.find("[GERMAN]");
    ASSERT_NE(english, std::string::npos);
    ASSERT_NE(german, std::string::npos);
    EXPECT_LT(english, german);
    // The two headers are the only brackets: any other '[' would end a
    // section early for the translator's count, and the first occurrence
    // of a header anywhere in the file is the one it uses.
    EXPECT_EQ(std::count(m_Text.begin(), m_Text.end(), '['), 2);
    EXPECT_EQ(std::count(m_Text.begin(), m_Text.end(), ']'), 2);

    std::string englishSection = m_Text.substr(english, german - english);
    std::string germanSection = m_Text.substr(german);
    for (const std::string* section : {&englishSection, &germanSection})
    {
        long quotes = std::count(section->begin(), section->end(), '"');
        EXPECT_GT(quotes, 0);
        EXPECT_EQ(quotes % 4, 0) << section->substr(0, section->find('\n'));
    }
    EXPECT_EQ(std::count(m_Text.begin(), m_Text.begin() + english, '"'), 0)
        << "quotes before the first section";
}

TEST_F(StringsTest, EveryLineIsAnEntryACommentOrAHeader)
{
    ParsedFile parsed = Parse(m_Text);
    for (const std::string& error : parsed.m_Errors)
        ADD_FAILURE() << error;
    std::set<std::string> languages;
    for (const auto& section : parsed.m_Sections)
        languages.insert(section.first);
    EXPECT_EQ(languages, (std::set<std::string>{"ENGLISH", "GERMAN"}));
}

TEST_F(StringsTest, KeyListHasNoDuplicates)
{
    std::set<std::string> seen;
    for (const WZText& text : WZTexts::ms_aTexts)
    {
        EXPECT_TRUE(seen.insert(text.m_pKey).second) << "listed twice: '" << text.m_pKey << "'";
        EXPECT_FALSE(std::string(text.m_pKey).empty());
    }
}

TEST_F(StringsTest, EachSectionHoldsExactlyTheKeysOfTheList)
{
    ParsedFile parsed = Parse(m_Text);
    std::set<std::string> listed;
    for (const WZText& text : WZTexts::ms_aTexts)
        listed.insert(text.m_pKey);

    for (const char* language : kLanguages)
    {
        std::map<std::string, size_t> found;
        for (const Entry& entry : parsed.m_Sections[language])
        {
            // Of two entries with one key the translator uses the first, so
            // a second one is an edit that never shows.
            auto inserted = found.emplace(entry.m_Key, entry.m_Line);
            EXPECT_TRUE(inserted.second) << language << " " << Where(entry.m_Line) << "'" << entry.m_Key
                                         << "' already at line " << inserted.first->second;
            EXPECT_FALSE(entry.m_Value.empty()) << language << " " << Where(entry.m_Line) << "empty text";
            EXPECT_TRUE(listed.count(entry.m_Key))
                << language << " " << Where(entry.m_Line) << "'" << entry.m_Key << "' is not in game/WZTexts.h";
        }
        for (const std::string& key : listed)
            EXPECT_TRUE(found.count(key)) << language << " has no entry for '" << key << "'";
    }
}

TEST_F(StringsTest, EnglishShowsEveryKeyAsWritten)
{
    Load("ENGLISH");
    for (const WZText& text : WZTexts::ms_aTexts)
        EXPECT_EQ(Tr(text.m_pKey), text.m_pKey);
    EXPECT_EQ(LanguageReports(), std::vector<std::string>());
}

TEST_F(StringsTest, GermanTranslatesEveryKey)
{
    Load("GERMAN");
    for (const WZText& text : WZTexts::ms_aTexts)
        EXPECT_FALSE(Tr(text.m_pKey).empty()) << text.m_pKey;
    EXPECT_EQ(LanguageReports(), std::vector<std::string>());

    // The language item names the language in use, so German must not keep
    // the English one; a few texts prove the section is really German.
    EXPECT_EQ(Tr(WZ_TXT_LANGUAGE), "Sprache: Deutsch");
    EXPECT_EQ(Tr(WZ_TXT_OPTIONS), "Optionen");
    EXPECT_EQ(Tr(WZ_TXT_CAR_DESTROYED), "AUTO ZERST\xD6RT!");
}

TEST_F(StringsTest, GermanTextsFitTheScreenAndTheFont)
{
    Load("GERMAN");
    for (const WZText& text : WZTexts::ms_aTexts)
    {
        std::string key = text.m_pKey;
        std::string value = Tr(text.m_pKey);
        EXPECT_LE(value.size(), WZTexts::MaxCharacters(text.m_Size))
            << "'" << value << "' drawn at size " << text.m_Size;
        for (char c : value)
        {
            uint8_t byte = static_cast<uint8_t>(c);
            bool drawable = (byte >= 0x20 && byte <= 0x7E) || kFontLetters.find(c) != std::string::npos;
            EXPECT_TRUE(drawable) << "'" << key << "': the font has no glyph for " << Hex(byte);
        }
        // Keys with an edge blank are joined to a value there.
        EXPECT_EQ(StartsWithBlank(value), StartsWithBlank(key)) << "'" << key << "' -> '" << value << "'";
        EXPECT_EQ(EndsWithBlank(value), EndsWithBlank(key)) << "'" << key << "' -> '" << value << "'";
    }
}

TEST_F(StringsTest, ComposedGermanLinesFitTheScreen)
{
    Load("GERMAN");
    const uint32_t kLine = WZTexts::MaxCharacters(WZ_TEXT_LINE);

    // The career race menu and the statistic screen show a race's title with
    // the name of its game type in square brackets.
    const std::pair<const char*, const char*> kCareerRaces[] = {
        {WZ_TXT_AMBULANCE_TROPHY, WZ_TXT_NORMAL_RACE},
        {WZ_TXT_DOPE_TROPHY, WZ_TXT_KNOCKOUT_WITH_POWERUPS},
        {WZ_TXT_FUNERAL_CUP, WZ_TXT_RACE_TO_DEATH},
        {WZ_TXT_POLICE_CHASE, WZ_TXT_KNOCKOUT_RACE},
        {WZ_TXT_ARMY_TRAINING, WZ_TXT_RACE_WITH_POWERUPS},
        {WZ_TXT_SKORVEL_TROPHY, WZ_TXT_RACE_TO_DEATH},
        {WZ_TXT_ROACH_CUP, WZ_TXT_KNOCKOUT_WITH_POWERUPS},
        {WZ_TXT_CAFFEINE_RACE, WZ_TXT_KNOCKOUT_RACE},
        {WZ_TXT_2FAST4U_CHALLENGE, WZ_TXT_NORMAL_RACE},
        {WZ_TXT_ILLEGAL_WEAPON_RACE, WZ_TXT_RACE_WITH_POWERUPS}};
    for (const auto& race : kCareerRaces)
    {
        std::string line = Tr(race.first) + " [" + Tr(race.second) + "]";
        EXPECT_LE(line.size(), kLine) << line;
    }

    std::string season = Tr(WZ_TXT_SEASON_RESULTS_AFTER) + "10 " + Tr(WZ_TXT_OF_10_RACES);
    EXPECT_LE(season.size(), kLine) << season;

    const uint32_t kItem = WZTexts::MaxCharacters(WZ_TEXT_ITEM);
    for (const char* source : {WZ_TXT_DEFAULT_GAME_MUSIC, WZ_TXT_FROM_CD, WZ_TXT_NONE})
    {
        std::string line = Tr(WZ_TXT_BACKGROUND_MUSIC) + " " + Tr(source);
        EXPECT_LE(line.size(), kItem) << line;
    }
}

TEST(StringsRoom, CharactersPerSizeOnTheSmallestScreen)
{
    EXPECT_EQ(WZTexts::MaxCharacters(WZ_TEXT_LINE), 47u);
    EXPECT_EQ(WZTexts::MaxCharacters(WZ_TEXT_ITEM), 41u);
    EXPECT_EQ(WZTexts::MaxCharacters(WZ_TEXT_BIG), 23u);
    EXPECT_EQ(WZTexts::MaxCharacters(WZ_TEXT_LINE, 1024), 75u);
}
}
