// The pack writer and the zepack tool: the packages they make must read
// back through the file manager byte for byte, carry a valid ZIP layout,
// and come out the same every time.
#include "core/ZEFileManager.h"

#include "ZEPackWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace
{
uint32_t LE16(const std::string& bytes, size_t at)
{
    return static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8);
}

uint32_t LE32(const std::string& bytes, size_t at)
{
    return LE16(bytes, at) | (LE16(bytes, at + 2) << 16);
}

std::string ReadBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The entry names in the order of their local headers.
std::vector<std::string> LocalNames(const std::string& archive)
{
    std::vector<std::string> names;
    size_t at = 0;
    while (at + 30 <= archive.size() && archive.compare(at, 4, "PK\3\4") == 0)
    {
        uint32_t nameLength = LE16(archive, at + 26);
        names.push_back(archive.substr(at + 30, nameLength));
        at += 30 + nameLength + LE32(archive, at + 18);
    }
    return names;
}

class PackWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Root = m_Folder.Path();
        m_Files.SetMainDirectory(ZEString(m_Root.c_str()));
    }

    static bool Add(ZEPackWriter& writer, const char* name, const std::string& data)
    {
        return writer.AddData(ZEString(name), data.data(), data.size());
    }

    // The file as the manager reads it from the packages added, or
    // "<missing>".
    std::string Read(const char* name)
    {
        uint32_t size = 0;
        FILE* file = m_Files.OpenFile(ZEString(name), size);
        if (!file)
            return "<missing>";
        std::string contents(size, '\0');
        size_t got = size ? std::fread(&contents[0], 1, size, file) : 0;
        std::fclose(file);
        return got == size ? contents : "<short read>";
    }

    int RunPacker(const std::string& arguments)
    {
        std::string command = std::string(WRENZO_TOOLS_DIR "/zepack ") + arguments + " 2>/dev/null";
        return std::system(command.c_str());
    }

    ZETempFolder m_Folder{"pack"};
    fs::path m_Root;
    ZEFileManager m_Files;
};

TEST_F(PackWriterTest, ChecksumIsTheZipOne)
{
    EXPECT_EQ(ZEPackWriter::CRC32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(ZEPackWriter::CRC32("", 0), 0u);
    EXPECT_EQ(ZEPackWriter::CRC32("a", 1), 0xE8B7BE43u);
}

TEST_F(PackWriterTest, LayoutIsStoredZipWithCentralDirectory)
{
    ZEPackWriter writer;
    ASSERT_TRUE(Add(writer, "maps/a.bsp", "123456789"));
    ASSERT_TRUE(Add(writer, "b", "xy"));
    ASSERT_TRUE(writer.Write(ZEString((m_Root / "p.dat").c_str())));
    std::string bytes = ReadBytes(m_Root / "p.dat");

    ASSERT_EQ(bytes.size(), (30u + 10 + 9) + (30 + 1 + 2) + (46 + 10) + (46 + 1) + 22);
    EXPECT_EQ(bytes.compare(0, 4, "PK\3\4"), 0);
    EXPECT_EQ(LE16(bytes, 8), 0u);                          // stored
    EXPECT_EQ(LE32(bytes, 14), 0xCBF43926u);                // CRC-32
    EXPECT_EQ(LE32(bytes, 18), 9u);                         // compressed size
    EXPECT_EQ(LE32(bytes, 22), 9u);                         // uncompressed size
    EXPECT_EQ(LE16(bytes, 26), 10u);
    EXPECT_EQ(LE16(bytes, 28), 0u);                         // no extra field
    EXPECT_EQ(LE16(bytes, 6) & 0x0008, 0u);                 // no data descriptor
    EXPECT_EQ(LocalNames(bytes), (std::vector<std::string>{"maps/a.bsp", "b"}));

    size_t end = bytes.size() - 22;
    EXPECT_EQ(bytes.compare(end, 4, "PK\5\6"), 0);
    EXPECT_EQ(LE16(bytes, end + 8), 2u);
    EXPECT_EQ(LE16(bytes, end + 10), 2u);
    uint32_t centralSize = LE32(bytes, end + 12);
    uint32_t centralOffset = LE32(bytes, end + 16);
    EXPECT_EQ(centralOffset + centralSize, end);
    EXPECT_EQ(bytes.compare(centralOffset, 4, "PK\1\2"), 0);
    EXPECT_EQ(LE32(bytes, centralOffset + 42), 0u);         // first local header
    size_t second = centralOffset + 46 + 10;
    EXPECT_EQ(bytes.compare(second, 4, "PK\1\2"), 0);
    EXPECT_EQ(LE32(bytes, second + 42), 49u);
    EXPECT_EQ(bytes.compare(second + 46, 1, "b"), 0);
}

TEST_F(PackWriterTest, PackageReadsBackThroughTheFileManager)
{
    std::string binary;
    for (int value = 0; value < 70000; ++value)
        binary.push_back(static_cast<char>(value * 7));
    std::string longest(ZEPackWriter::ms_ulMaxNameLength, 'n');

    ZEPackWriter writer;
    ASSERT_TRUE(Add(writer, "textures/big.tex", binary));
    ASSERT_TRUE(Add(writer, longest.c_str(), "longest name"));
    ASSERT_TRUE(Add(writer, "one", "1"));
    ASSERT_TRUE(writer.Write(ZEString((m_Root / "p.dat").c_str())));
    EXPECT_FALSE(fs::exists(m_Root / "p.dat.tmp"));

    ASSERT_TRUE(m_Files.AddArchive(ZEString("p.dat")));
    EXPECT_EQ(Read("textures/big.tex"), binary);
    EXPECT_EQ(Read(longest.c_str()), "longest name");
    EXPECT_EQ(Read("one"), "1");
}

TEST_F(PackWriterTest, SameEntriesGiveTheSameBytes)
{
    for (const char* name : {"first.dat", "second.dat"})
    {
        ZEPackWriter writer;
        ASSERT_TRUE(Add(writer, "a", "alpha"));
        ASSERT_TRUE(Add(writer, "b/c", "gamma"));
        ASSERT_TRUE(writer.Write(ZEString((m_Root / name).c_str())));
    }
    EXPECT_EQ(ReadBytes(m_Root / "first.dat"), ReadBytes(m_Root / "second.dat"));
}

TEST_F(PackWriterTest, RefusesWhatCouldNotBeReadBack)
{
    ZEPackWriter writer;
    EXPECT_FALSE(Add(writer, "empty.txt", ""));
    EXPECT_NE(std::string(writer.GetError().CStr()).find("empty.txt"), std::string::npos);
    EXPECT_FALSE(Add(writer, std::string(ZEPackWriter::ms_ulMaxNameLength + 1, 'n').c_str(), "x"));
    EXPECT_FALSE(Add(writer, "", "x"));
    EXPECT_FALSE(Add(writer, "/abs", "x"));
    EXPECT_FALSE(Add(writer, "folder/", "x"));
    EXPECT_FALSE(Add(writer, "back\\slash", "x"));
    EXPECT_FALSE(writer.AddFile(ZEString("gone"), ZEString((m_Root / "gone").c_str())));
    m_Folder.Write("zero", "");
    EXPECT_FALSE(writer.AddFile(ZEString("zero"), ZEString((m_Root / "zero").c_str())));
    EXPECT_EQ(writer.GetNumEntries(), 0u);

    EXPECT_FALSE(writer.Write(ZEString((m_Root / "none.dat").c_str())));
    EXPECT_FALSE(fs::exists(m_Root / "none.dat"));

    ASSERT_TRUE(Add(writer, "twice", "x"));
    EXPECT_FALSE(Add(writer, "twice", "y"));
    EXPECT_EQ(writer.GetNumEntries(), 1u);
}

TEST_F(PackWriterTest, FailedWriteLeavesTheOldPackage)
{
    m_Folder.Write("p.dat", "old package");
    ZEPackWriter writer;
    ASSERT_TRUE(Add(writer, "a", "new"));
    // The temporary name is taken by a folder, so it cannot be created.
    fs::create_directories(m_Root / "p.dat.tmp");
    EXPECT_FALSE(writer.Write(ZEString((m_Root / "p.dat").c_str())));
    EXPECT_FALSE(writer.GetError().IsEmpty());
    EXPECT_EQ(ReadBytes(m_Root / "p.dat"), "old package");

    fs::remove(m_Root / "p.dat.tmp");
    EXPECT_TRUE(writer.Write(ZEString((m_Root / "p.dat").c_str())));
    EXPECT_FALSE(fs::exists(m_Root / "p.dat.tmp"));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("p.dat")));
    EXPECT_EQ(Read("a"), "new");
}

TEST_F(PackWriterTest, PackerPacksATreeInSortedOrder)
{
    fs::path tree = m_Root / "tree";
    m_Folder.Write("tree/textures/z.tex", "zz");
    m_Folder.Write("tree/maps/airfield.bsp", "airfield");
    m_Folder.Write("tree/Zervane.cfg", "cfg");
    m_Folder.Write("tree/textures/sub/a.tex", "a");

    ASSERT_EQ(RunPacker((m_Root / "tree.dat").string() + " " + tree.string() + "/"), 0);
    std::vector<std::string> expected = {"Zervane.cfg", "maps/airfield.bsp", "textures/sub/a.tex",
                                         "textures/z.tex"};
    EXPECT_EQ(LocalNames(ReadBytes(m_Root / "tree.dat")), expected);

    ASSERT_TRUE(m_Files.AddArchive(ZEString("tree.dat")));
    EXPECT_EQ(Read("maps/airfield.bsp"), "airfield");
    EXPECT_EQ(Read("textures/sub/a.tex"), "a");

    // An archive written into the tree it packs leaves itself out.
    ASSERT_EQ(RunPacker((tree / "self.dat").string() + " " + tree.string()), 0);
    ASSERT_EQ(RunPacker((tree / "self.dat").string() + " " + tree.string()), 0);
    EXPECT_EQ(LocalNames(ReadBytes(tree / "self.dat")), expected);
}

TEST_F(PackWriterTest, PackerPacksNamedFilesUnderTheirRelativeNames)
{
    fs::path tree = m_Root / "tree";
    m_Folder.Write("tree/sounds/horn.wav", "horn");
    m_Folder.Write("tree/strings.txt", "[GERMAN]");
    m_Folder.Write("outside.txt", "outside");

    ASSERT_EQ(RunPacker((m_Root / "named.dat").string() + " " + tree.string() + " " +
                        (tree / "strings.txt").string() + " " + (tree / "sounds/../sounds/horn.wav").string()),
              0);
    EXPECT_EQ(LocalNames(ReadBytes(m_Root / "named.dat")),
              (std::vector<std::string>{"strings.txt", "sounds/horn.wav"}));
    ASSERT_TRUE(m_Files.AddArchive(ZEString("named.dat")));
    EXPECT_EQ(Read("sounds/horn.wav"), "horn");
}

TEST_F(PackWriterTest, PackerFailsLoudly)
{
    fs::path tree = m_Root / "tree";
    m_Folder.Write("tree/a.txt", "a");
    m_Folder.Write("tree/empty.txt", "");
    m_Folder.Write("outside.txt", "outside");
    std::string archive = (m_Root / "out.dat").string();

    EXPECT_NE(RunPacker(archive), 0);
    EXPECT_NE(RunPacker(archive + " " + (m_Root / "nothere").string()), 0);
    EXPECT_NE(RunPacker(archive + " " + tree.string() + " " + (m_Root / "outside.txt").string()), 0);
    EXPECT_NE(RunPacker(archive + " " + tree.string() + " " + (tree / "missing.txt").string()), 0);
    EXPECT_NE(RunPacker(archive + " " + tree.string()), 0);   // holds an empty file
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_FALSE(fs::exists(archive + ".tmp"));
}
}
