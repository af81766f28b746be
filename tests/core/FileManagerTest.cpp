// The file manager: search order, archive scanning and damaged packages.
// Good packages come from the pack writer; damaged ones are laid out byte by
// byte here, since no well-behaved writer produces them.
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"

#include "ZEPackWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace
{
std::string LE16(uint32_t value)
{
    return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

std::string LE32(uint32_t value)
{
    return LE16(value & 0xFFFF) + LE16(value >> 16);
}

struct RawHeader
{
    std::string m_Name;
    uint32_t m_ulCompressedSize = 0;
    uint32_t m_ulUncompressedSize = 0;
    uint16_t m_usMethod = 0;
    uint16_t m_usFlags = 0;
    uint16_t m_usExtraLength = 0;
};

// A local header followed by its name, as a ZIP writer would lay it out.
std::string Header(const RawHeader& header)
{
    return std::string("PK\3\4", 4) + LE16(10) + LE16(header.m_usFlags) + LE16(header.m_usMethod) +
           LE16(0) + LE16(0x21) + LE32(0) + LE32(header.m_ulCompressedSize) +
           LE32(header.m_ulUncompressedSize) + LE16(static_cast<uint32_t>(header.m_Name.size())) +
           LE16(header.m_usExtraLength) + header.m_Name;
}

// A stored entry: header, name and data.
std::string Stored(const std::string& name, const std::string& data)
{
    RawHeader header;
    header.m_Name = name;
    header.m_ulCompressedSize = header.m_ulUncompressedSize = static_cast<uint32_t>(data.size());
    return Header(header) + data;
}

const std::string CENTRAL("PK\1\2", 4);

class FileManagerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Root = m_Folder.Path();
        m_Main = m_Root / "main";
        fs::create_directories(m_Main);
        m_Files.SetMainDirectory(ZEString(m_Main.c_str()));
    }

    void WriteMain(const std::string& name, const std::string& bytes) { m_Folder.Write("main/" + name, bytes); }

    void Pack(const std::string& archive, std::initializer_list<std::pair<const char*, std::string>> entries)
    {
        ZEPackWriter writer;
        for (const auto& entry : entries)
            ASSERT_TRUE(writer.AddData(ZEString(entry.first), entry.second.data(), entry.second.size()))
                << writer.GetError().CStr();
        ASSERT_TRUE(writer.Write(ZEString((m_Main / archive).c_str()))) << writer.GetError().CStr();
    }

    // The whole file as the manager hands it out: exactly `size` bytes, and
    // null when it is not found.
    bool Read(const char* name, std::string& contents, const char* archive = nullptr)
    {
        uint32_t size = 12345;
        FILE* file = archive ? m_Files.OpenFile(ZEString(name), ZEString(archive), size)
                             : m_Files.OpenFile(ZEString(name), size);
        if (!file)
        {
            EXPECT_EQ(size, 0u);
            return false;
        }
        contents.assign(size, '\0');
        size_t got = size ? std::fread(&contents[0], 1, size, file) : 0;
        std::fclose(file);
        EXPECT_EQ(got, size);
        return true;
    }

    std::string ReadOrMissing(const char* name, const char* archive = nullptr)
    {
        std::string contents;
        return Read(name, contents, archive) ? contents : std::string("<missing>");
    }

    bool Logged(const std::string& part) const
    {
        for (ZEConsoleMessage* message = m_Console.GetMessages(); message; message = message->m_pNext)
            if (std::string(message->m_Text.CStr()).find(part) != std::string::npos)
                return true;
        return false;
    }

    // Adds a hand-made archive; it must be rejected with a message that
    // names it, and leave the list empty.
    void ExpectRejected(const std::string& bytes, const char* reason)
    {
        WriteMain("bad.dat", bytes);
        EXPECT_FALSE(m_Files.AddArchive(ZEString("bad.dat"))) << reason;
        EXPECT_EQ(m_Files.GetNumArchives(), 0u) << reason;
        EXPECT_TRUE(Logged("bad.dat rejected")) << reason;
        m_Console.Free();
    }

    ZETempFolder m_Folder{"files"};
    fs::path m_Root;
    fs::path m_Main;
    ZEConsole m_Console;
    ZEFileManager m_Files;
};

TEST_F(FileManagerTest, RegistersItselfAndCarriesItsTypeRecord)
{
    EXPECT_EQ(ZEFileManager::ms_pFileManager, &m_Files);
    EXPECT_EQ(m_Files.GetRTTI(), &ZEFileManager::ms_RTTI);
    EXPECT_EQ(ZEFileManager::ms_RTTI.GetName(), "ZEFileManager");
    EXPECT_EQ(ZEFileManager::ms_RTTI.GetBaseClass(), nullptr);
    {
        ZEFileManager second;
        EXPECT_EQ(ZEFileManager::ms_pFileManager, &second);
    }
    EXPECT_EQ(ZEFileManager::ms_pFileManager, nullptr);
}

TEST_F(FileManagerTest, MainDirectoryAlwaysEndsInASlash)
{
    ZEFileManager files;
    files.SetMainDirectory(ZEString("data\\main"));
    EXPECT_EQ(files.GetMainDirectory(), "data/main/");
    files.SetMainDirectory(ZEString("main/"));
    EXPECT_EQ(files.GetMainDirectory(), "main/");
    files.SetMainDirectory(ZEString(""));
    EXPECT_EQ(files.GetMainDirectory(), "");
}

TEST_F(FileManagerTest, ArchivedFileReadsBackExactly)
{
    std::string binary("\0\1\2PK\3\4\xff", 8);
    Pack("pack.dat", {{"textures/road.tex", binary}, {"maps/airfield.bsp", "map data"}});
    ASSERT_TRUE(m_Files.AddArchive(ZEString("pack.dat")));

    EXPECT_EQ(ReadOrMissing("textures/road.tex"), binary);
    EXPECT_EQ(ReadOrMissing("maps/airfield.bsp"), "map data");
    EXPECT_EQ(ReadOrMissing("maps/church.bsp"), "<missing>");
    EXPECT_EQ(m_Files.OpenFile(ZEString("maps/church.bsp")), nullptr);
}

TEST_F(FileManagerTest, LooseFileTakesPrecedenceOverArchivedCopy)
{
    Pack("pack.dat", {{"textures/road.tex", "archived"}});
    WriteMain("textures/road.tex", "loose copy");
    ASSERT_TRUE(m_Files.AddArchive(ZEString("pack.dat")));

    EXPECT_EQ(ReadOrMissing("textures/road.tex"), "loose copy");
    // The loose stream is rewound after being measured.
    uint32_t size = 0;
    FILE* file = m_Files.OpenFile(ZEString("textures/road.tex"), size);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(std::ftell(file), 0);
    std::fclose(file);
}

TEST_F(FileManagerTest, FirstAddedArchiveWinsAndNamesAreCaseSensitive)
{
    Pack("first.dat", {{"sounds/horn.wav", "first"}});
    Pack("second.dat", {{"sounds/horn.wav", "second"}, {"sounds/Siren.wav", "siren"}});
    ASSERT_TRUE(m_Files.AddArchive(ZEString("first.dat")));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("second.dat")));

    EXPECT_EQ(ReadOrMissing("sounds/horn.wav"), "first");
    EXPECT_EQ(ReadOrMissing("sounds/Siren.wav"), "siren");
    EXPECT_EQ(ReadOrMissing("sounds/siren.wav"), "<missing>");
    EXPECT_EQ(ReadOrMissing("Sounds/horn.wav"), "<missing>");
}

TEST_F(FileManagerTest, ArchiveFirstFormSearchesTheNamedArchiveFirst)
{
    Pack("first.dat", {{"models/car.zmf", "first"}});
    Pack("second.dat", {{"models/car.zmf", "second"}});
    WriteMain("models/car.zmf", "loose");
    ASSERT_TRUE(m_Files.AddArchive(ZEString("first.dat")));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("second.dat")));

    EXPECT_EQ(ReadOrMissing("models/car.zmf", "second.dat"), "second");
    EXPECT_EQ(ReadOrMissing("models/car.zmf", "first.dat"), "first");
    // An unknown archive name gives the plain search, loose file first.
    EXPECT_EQ(ReadOrMissing("models/car.zmf", "third.dat"), "loose");
    // A name missing from the named archive is searched for as usual.
    WriteMain("models/van.zmf", "loose van");
    EXPECT_EQ(ReadOrMissing("models/van.zmf", "second.dat"), "loose van");
}

TEST_F(FileManagerTest, ArchiveListCanBeListedAndShrunk)
{
    uint32_t count = 99;
    EXPECT_EQ(m_Files.GetArchiveNames(count), nullptr);
    EXPECT_EQ(count, 0u);

    Pack("a.dat", {{"x", "from a"}});
    Pack("b.dat", {{"x", "from b"}});
    Pack("c.dat", {{"x", "from c"}});
    for (const char* name : {"a.dat", "b.dat", "c.dat"})
        ASSERT_TRUE(m_Files.AddArchive(ZEString(name)));

    ZEString* names = m_Files.GetArchiveNames(count);
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(names[0], "a.dat");
    EXPECT_EQ(names[1], "b.dat");
    EXPECT_EQ(names[2], "c.dat");
    delete[] names;

    EXPECT_FALSE(m_Files.RemoveArchive(ZEString("A.dat")));
    EXPECT_TRUE(m_Files.RemoveArchive(ZEString("a.dat")));
    EXPECT_EQ(ReadOrMissing("x"), "from b");
    // Removing the last one and adding again must keep the list whole.
    EXPECT_TRUE(m_Files.RemoveArchive(ZEString("c.dat")));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("a.dat")));
    names = m_Files.GetArchiveNames(count);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(names[0], "b.dat");
    EXPECT_EQ(names[1], "a.dat");
    delete[] names;

    m_Files.RemoveAllArchives();
    EXPECT_EQ(m_Files.GetNumArchives(), 0u);
    EXPECT_EQ(ReadOrMissing("x"), "<missing>");
    ASSERT_TRUE(m_Files.AddArchive(ZEString("c.dat")));
    EXPECT_EQ(ReadOrMissing("x"), "from c");
}

TEST_F(FileManagerTest, ArchiveThatVanishedIsPassedOver)
{
    Pack("a.dat", {{"x", "from a"}});
    Pack("b.dat", {{"x", "from b"}});
    ASSERT_TRUE(m_Files.AddArchive(ZEString("a.dat")));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("b.dat")));
    fs::remove(m_Main / "a.dat");
    EXPECT_EQ(ReadOrMissing("x"), "from b");
}

TEST_F(FileManagerTest, DirectoryIsNoLooseFile)
{
    fs::create_directories(m_Main / "maps");
    Pack("pack.dat", {{"maps", "an entry named like the folder"}});
    ASSERT_TRUE(m_Files.AddArchive(ZEString("pack.dat")));
    EXPECT_EQ(ReadOrMissing("maps"), "an entry named like the folder");
}

TEST_F(FileManagerTest, LongPathsAreNotCut)
{
    fs::path deep = m_Root;
    for (int level = 0; level < 6; ++level)
        deep /= std::string(120, static_cast<char>('a' + level));
    fs::create_directories(deep / "textures");
    ZEFileManager files;
    files.SetMainDirectory(ZEString(deep.c_str()));
    std::ofstream(deep / "textures" / (std::string(200, 'n') + ".tex")) << "deep";

    ZEPackWriter writer;
    std::string longName = "maps/" + std::string(1000, 'm') + ".bsp";
    ASSERT_TRUE(writer.AddData(ZEString(longName.c_str()), "long", 4));
    ASSERT_TRUE(writer.Write(ZEString((deep / "pack.dat").c_str())));
    ASSERT_TRUE(files.AddArchive(ZEString("pack.dat")));

    uint32_t size = 0;
    FILE* file = files.OpenFile(ZEString(("textures/" + std::string(200, 'n') + ".tex").c_str()), size);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(size, 4u);
    std::fclose(file);
    file = files.OpenFile(ZEString(longName.c_str()), size);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(size, 4u);
    std::fclose(file);
}

TEST_F(FileManagerTest, GetSizeOfFileCountsAndRewinds)
{
    WriteMain("seven.txt", "1234567");
    FILE* file = std::fopen((m_Main / "seven.txt").c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fgetc(file);
    EXPECT_EQ(ZEFileManager::GetSizeOfFile(file), 7u);
    EXPECT_EQ(std::fgetc(file), '1');
    std::fclose(file);
}

TEST_F(FileManagerTest, DirectoryEntriesAreSkipped)
{
    RawHeader folder;
    folder.m_Name = "textures/";
    WriteMain("dirs.dat", Header(folder) + Stored("textures/a.tex", "aaa") + Header(folder) +
                              Stored("textures/b.tex", "bb") + CENTRAL);
    ASSERT_TRUE(m_Files.AddArchive(ZEString("dirs.dat")));
    EXPECT_EQ(ReadOrMissing("textures/a.tex"), "aaa");
    EXPECT_EQ(ReadOrMissing("textures/b.tex"), "bb");
    EXPECT_EQ(ReadOrMissing("textures/"), "<missing>");
}

TEST_F(FileManagerTest, CompressedEntryIsSkippedAndTheRestKept)
{
    RawHeader deflated;
    deflated.m_Name = "music1.ogg";
    deflated.m_usMethod = 8;
    deflated.m_ulCompressedSize = 5;
    deflated.m_ulUncompressedSize = 9;
    // Equal sizes but a method other than stored: not readable either.
    RawHeader sameSize = deflated;
    sameSize.m_Name = "music2.ogg";
    sameSize.m_ulUncompressedSize = 5;
    // Marked stored but with sizes that disagree: compressed all the same.
    RawHeader storedMismatch = deflated;
    storedMismatch.m_Name = "music3.ogg";
    storedMismatch.m_usMethod = 0;
    WriteMain("mixed.dat", Header(deflated) + "zzzzz" + Header(sameSize) + "yyyyy" +
                               Header(storedMismatch) + "xxxxx" + Stored("good.txt", "good") + CENTRAL);

    ASSERT_TRUE(m_Files.AddArchive(ZEString("mixed.dat")));
    EXPECT_EQ(ReadOrMissing("good.txt"), "good");
    EXPECT_EQ(ReadOrMissing("music1.ogg"), "<missing>");
    EXPECT_EQ(ReadOrMissing("music2.ogg"), "<missing>");
    EXPECT_EQ(ReadOrMissing("music3.ogg"), "<missing>");
    EXPECT_TRUE(Logged("files: Tried to load compressed ZIP: music1.ogg"));
    EXPECT_TRUE(Logged("Tried to load compressed ZIP: music2.ogg"));
    EXPECT_TRUE(Logged("Tried to load compressed ZIP: music3.ogg"));
}

TEST_F(FileManagerTest, ExtraFieldIsSteppedOver)
{
    RawHeader header;
    header.m_Name = "extra.txt";
    header.m_ulCompressedSize = header.m_ulUncompressedSize = 4;
    header.m_usExtraLength = 6;
    WriteMain("extra.dat", Header(header) + "EXTRA!" + "data" + Stored("next.txt", "next") + CENTRAL);
    ASSERT_TRUE(m_Files.AddArchive(ZEString("extra.dat")));
    EXPECT_EQ(ReadOrMissing("extra.txt"), "data");
    EXPECT_EQ(ReadOrMissing("next.txt"), "next");
}

TEST_F(FileManagerTest, DamagedArchivesAreRejectedWhole)
{
    std::string good = Stored("a.txt", "abc");

    ExpectRejected("", "empty file");
    ExpectRejected(good, "no central directory");
    ExpectRejected(good + "PK", "central directory signature cut short");
    ExpectRejected("QK\3\4" + good.substr(4) + CENTRAL, "first byte not P");
    ExpectRejected(good + std::string("PK\5\6", 4), "end record instead of a central directory");
    ExpectRejected(std::string("PK\5\6", 4) + std::string(18, '\0'), "archive without entries");
    ExpectRejected(good.substr(0, 20), "truncated header");
    ExpectRejected(good.substr(0, 32), "truncated name");

    RawHeader tooLong;
    tooLong.m_Name = "big.bin";
    tooLong.m_ulCompressedSize = tooLong.m_ulUncompressedSize = 1000;
    ExpectRejected(Header(tooLong) + "short" + CENTRAL, "size past the end of the file");

    RawHeader hugeDeflated = tooLong;
    hugeDeflated.m_usMethod = 8;
    hugeDeflated.m_ulUncompressedSize = 5000;
    ExpectRejected(Header(hugeDeflated) + "short" + CENTRAL, "compressed size past the end");

    RawHeader hugeExtra;
    hugeExtra.m_Name = "folder/";
    hugeExtra.m_usExtraLength = 0xFFFF;
    ExpectRejected(Header(hugeExtra) + CENTRAL, "extra field past the end");

    RawHeader described;
    described.m_Name = "later.txt";
    described.m_usFlags = 0x0008;
    ExpectRejected(Header(described) + "abc" + CENTRAL, "sizes in a data descriptor");

    EXPECT_FALSE(m_Files.AddArchive(ZEString("missing.dat")));
    EXPECT_TRUE(Logged("missing.dat rejected: it cannot be opened"));
    EXPECT_EQ(m_Files.GetNumArchives(), 0u);
}

TEST_F(FileManagerTest, RejectedArchiveLeavesEarlierOnesIntact)
{
    Pack("good.dat", {{"a.txt", "good"}});
    ASSERT_TRUE(m_Files.AddArchive(ZEString("good.dat")));
    WriteMain("bad.dat", Stored("a.txt", "bad") + Stored("b.txt", "x"));
    EXPECT_FALSE(m_Files.AddArchive(ZEString("bad.dat")));
    EXPECT_EQ(m_Files.GetNumArchives(), 1u);
    EXPECT_EQ(ReadOrMissing("a.txt"), "good");
    EXPECT_EQ(ReadOrMissing("b.txt"), "<missing>");
}
}
