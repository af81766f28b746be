// The translator: sections, all-or-nothing loading and the fallback to the
// key text, with the language file loose or inside a package.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "core/ZETranslator.h"

#include "ZEPackWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace
{
const char* const STRINGS =
    "[ENGLISH]\n"
    "\"Options\" \"Options\"\n"
    "[GERMAN]\n"
    "\"Options\" \"Einstellungen\"\n"
    "\"Quit\"    \"Beenden\"\n"
    "\"Quit\"    \"Verlassen\"\n"
    "\"Empty\"   \"\"\n";

class TranslatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        fs::create_directories(m_Folder.File("main"));
        m_Files.SetMainDirectory(ZEString(m_Folder.File("main").c_str()));
    }

    void WriteStrings(const std::string& text) { m_Folder.Write("main/strings.txt", text); }

    bool Load(const char* language) { return m_Translator.SetLanguage(ZEString(language), ZEString("strings.txt")); }

    std::string Tr(const char* text) const { return m_Translator.Translate(text).CStr(); }

    // Messages that are `text` exactly, or that begin with it.
    int CountLogged(const std::string& text, bool prefix = false) const
    {
        int count = 0;
        for (ZEConsoleMessage* message = m_Console.GetMessages(); message; message = message->m_pNext)
        {
            std::string logged = message->m_Text.CStr();
            if (prefix ? logged.compare(0, text.size(), text) == 0 : logged == text)
                ++count;
        }
        return count;
    }

    // A refused file leaves nothing loaded: every text comes back as written.
    void ExpectNothingLoaded()
    {
        EXPECT_FALSE(m_Translator.IsLoaded());
        EXPECT_EQ(m_Translator.GetNumEntries(), 0u);
        EXPECT_EQ(Tr("Options"), "Options");
        EXPECT_EQ(Tr("Quit"), "Quit");
    }

    ZETempFolder m_Folder{"lang"};
    ZEConsole m_Console;
    ZEFileManager m_Files;
    ZETranslator m_Translator;
};

TEST_F(TranslatorTest, RegistersItselfAndStartsUntranslated)
{
    EXPECT_EQ(ZETranslator::ms_pTranslator, &m_Translator);
    ExpectNothingLoaded();
    {
        ZETranslator other;
        EXPECT_EQ(ZETranslator::ms_pTranslator, &other);
    }
    EXPECT_EQ(ZETranslator::ms_pTranslator, nullptr);
}

TEST_F(TranslatorTest, SectionMapsKeysCaseSensitively)
{
    WriteStrings(STRINGS);
    ASSERT_TRUE(Load("GERMAN"));
    EXPECT_EQ(m_Translator.GetNumEntries(), 4u);
    EXPECT_EQ(Tr("Options"), "Einstellungen");
    EXPECT_EQ(Tr("options"), "options");
    EXPECT_EQ(m_Translator.Translate(ZEString("Options")), "Einstellungen");
    // The first of two entries with the same key wins.
    EXPECT_EQ(Tr("Quit"), "Beenden");
    EXPECT_EQ(Tr("Empty"), "");
    EXPECT_EQ(m_Translator.Translate(static_cast<const char*>(nullptr)), "");

    ASSERT_TRUE(Load("ENGLISH"));
    EXPECT_EQ(m_Translator.GetNumEntries(), 1u);
    EXPECT_EQ(Tr("Quit"), "Quit");
}

TEST_F(TranslatorTest, ConstructorLoadsTheLanguage)
{
    WriteStrings(STRINGS);
    ZETranslator translator(ZEString("GERMAN"), ZEString("strings.txt"));
    EXPECT_TRUE(translator.IsLoaded());
    EXPECT_EQ(translator.Translate("Quit"), "Beenden");
}

TEST_F(TranslatorTest, MissingSectionFallsBackToTheKeys)
{
    WriteStrings("[GERMAN]\n\"Options\" \"Einstellungen\"\n");
    EXPECT_FALSE(Load("ENGLISH"));
    ExpectNothingLoaded();
    EXPECT_EQ(CountLogged("lang: ENGLISH not found in language!"), 1);
    // The header is matched case-sensitively.
    EXPECT_FALSE(Load("German"));
}

TEST_F(TranslatorTest, FailedLoadForgetsThePreviousLanguage)
{
    WriteStrings(STRINGS);
    ASSERT_TRUE(Load("GERMAN"));
    EXPECT_FALSE(Load("FRENCH"));
    ExpectNothingLoaded();
}

TEST_F(TranslatorTest, DamagedSectionIsRefusedAsAWhole)
{
    for (const char* text : {"[GERMAN]\n\"Options\" \"Einstellungen\"\n\"Quit\" \"Beenden\n",
                             "[GERMAN]\n\"Options\" \"Einstellungen\"\n\"Quit\"\n",
                             "[GERMAN]\n\"Options\" \"Einst[ellungen\"\n",
                             "[GERMAN]",
                             "[GERMAN]\n\n[ENGLISH]\n\"Options\" \"Options\"\n"})
    {
        m_Console.Free();
        WriteStrings(text);
        EXPECT_FALSE(Load("GERMAN")) << text;
        ExpectNothingLoaded();
        EXPECT_EQ(CountLogged("lang: Damaged language file: strings.txt"), 1) << text;
    }
}

TEST_F(TranslatorTest, MissingOrEmptyFileLoadsNothing)
{
    EXPECT_FALSE(Load("GERMAN"));
    ExpectNothingLoaded();
    EXPECT_EQ(CountLogged("lang: Opening language file failed: strings.txt"), 1);

    WriteStrings("");
    EXPECT_FALSE(Load("GERMAN"));
    ExpectNothingLoaded();
    EXPECT_EQ(CountLogged("lang: GERMAN not found in language!"), 1);
}

TEST_F(TranslatorTest, NoFileManagerLoadsNothing)
{
    ZEFileManager* manager = ZEFileManager::ms_pFileManager;
    ZEFileManager::ms_pFileManager = nullptr;
    WriteStrings(STRINGS);
    EXPECT_FALSE(Load("GERMAN"));
    ZEFileManager::ms_pFileManager = manager;
    ExpectNothingLoaded();
}

TEST_F(TranslatorTest, HeaderIsFoundAnywhereInTheText)
{
    WriteStrings("[ENGLISH]\n"
                 "\"Start\" \"Start\"\n"
                 "translators: the [GERMAN] texts follow\n"
                 "\"Start\" \"Los\"\n"
                 "[GERMAN]\n"
                 "\"Start\" \"Starten\"\n");
    ASSERT_TRUE(Load("GERMAN"));
    EXPECT_EQ(m_Translator.GetNumEntries(), 1u);
    EXPECT_EQ(Tr("Start"), "Los");
}

TEST_F(TranslatorTest, LastEntryWithoutTrailingNewline)
{
    WriteStrings("[GERMAN]\"Options\" \"Einstellungen\"");
    ASSERT_TRUE(Load("GERMAN"));
    EXPECT_EQ(Tr("Options"), "Einstellungen");
}

TEST_F(TranslatorTest, NulBytesDoNotHideTheSection)
{
    const char text[] = "binary\0junk\n[GERMAN]\n\"Options\" \"Einstellungen\"\n";
    WriteStrings(std::string(text, sizeof(text) - 1));
    ASSERT_TRUE(Load("GERMAN"));
    EXPECT_EQ(Tr("Options"), "Einstellungen");
}

TEST_F(TranslatorTest, FileInsidePackageIsReadNoFurtherThanItsSize)
{
    // The entry behind strings.txt has a quote right after its header and
    // more in its data; reading past the end of strings.txt would make the
    // quote count odd and refuse the section.
    ZEPackWriter writer;
    std::string strings = "[GERMAN]\n\"Options\" \"Einstellungen\"\n";
    std::string next = "\"one\" \"two\" \"three\"";
    ASSERT_TRUE(writer.AddData(ZEString("strings.txt"), strings.data(), strings.size()));
    ASSERT_TRUE(writer.AddData(ZEString("\"quotes\".txt"), next.data(), next.size()));
    ASSERT_TRUE(writer.Write(ZEString(m_Folder.File("main/lang.dat").c_str())));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("lang.dat")));

    ASSERT_TRUE(Load("GERMAN"));
    EXPECT_EQ(m_Translator.GetNumEntries(), 1u);
    EXPECT_EQ(Tr("Options"), "Einstellungen");
}

TEST_F(TranslatorTest, EachMissingKeyIsReportedOnce)
{
    WriteStrings(STRINGS);
    ASSERT_TRUE(Load("GERMAN"));
    for (int frame = 0; frame < 10; ++frame)
    {
        EXPECT_EQ(Tr("Lap"), "Lap");
        EXPECT_EQ(Tr("Options"), "Einstellungen");
    }
    EXPECT_EQ(CountLogged("lang: Translation missing for: Lap"), 1);
    EXPECT_EQ(CountLogged("lang: Translation missing for: ", true), 1);

    // Texts made at run time never stop being new; the reports do.
    for (uint32_t lap = 0; lap < 3 * ZETranslator::ms_ulMaxReportedMisses; ++lap)
        Tr(ZEString::Format("Lap %u", lap).CStr());
    EXPECT_EQ(CountLogged("lang: Translation missing for: ", true),
              static_cast<int>(ZETranslator::ms_ulMaxReportedMisses));
    EXPECT_EQ(CountLogged("lang: Further missing translations are not reported"), 1);

    // A new language starts a new report.
    ASSERT_TRUE(Load("GERMAN"));
    Tr("Lap");
    EXPECT_EQ(CountLogged("lang: Translation missing for: Lap"), 2);
}
}
