// Listing package archives: the entries the packer stores, in order, and
// damaged archives refused whole.
#include "ZEPackReader.h"
#include "ZEPackWriter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
class PackReaderTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Dir = m_Folder.Path();
        ZEPackWriter writer;
        ASSERT_TRUE(writer.AddData("textures/a.tex", "abc", 3));
        ASSERT_TRUE(writer.AddData("b.txt", "hello", 5));
        ASSERT_TRUE(writer.Write((m_Dir + "/good.zip").c_str()));
        std::ifstream file(m_Dir + "/good.zip", std::ios::binary);
        m_aBytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    // Lists `bytes` written to a file; false when refused.
    bool List(const std::vector<uint8_t>& bytes, std::vector<ZEPackEntry>& entries)
    {
        std::string path = m_Folder.Write("test.zip", bytes);
        std::string error;
        bool listed = ZEListPackEntries(path, entries, error);
        EXPECT_EQ(listed, error.empty());
        return listed;
    }

    ZETempFolder m_Folder{"packreader"};
    std::string m_Dir;
    std::vector<uint8_t> m_aBytes;
};
}

TEST_F(PackReaderTest, ListsTheStoredEntriesInOrderWithTheirData)
{
    std::vector<ZEPackEntry> entries;
    ASSERT_TRUE(List(m_aBytes, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].m_Name, "textures/a.tex");
    EXPECT_EQ(entries[0].m_ulSize, 3u);
    EXPECT_EQ(std::string(m_aBytes.begin() + entries[0].m_ulOffset, m_aBytes.begin() + entries[0].m_ulOffset + 3), "abc");
    EXPECT_EQ(entries[1].m_Name, "b.txt");
    EXPECT_EQ(std::string(m_aBytes.begin() + entries[1].m_ulOffset, m_aBytes.begin() + entries[1].m_ulOffset + 5),
              "hello");
}

TEST_F(PackReaderTest, ArchivesCutBeforeTheirCentralDirectoryAreRefused)
{
    // The central directory begins right after the second entry's data.
    std::vector<ZEPackEntry> entries;
    ASSERT_TRUE(List(m_aBytes, entries));
    size_t central = entries[1].m_ulOffset + entries[1].m_ulSize;
    for (size_t size = 0; size < central + 4; ++size)
        EXPECT_FALSE(List(std::vector<uint8_t>(m_aBytes.begin(), m_aBytes.begin() + size), entries)) << size;
}

TEST_F(PackReaderTest, CompressedForeignOrDescribedAfterRecordsAreRefused)
{
    std::vector<ZEPackEntry> entries;
    std::vector<uint8_t> compressed = m_aBytes;
    compressed[8] = 8;   // method deflate
    EXPECT_FALSE(List(compressed, entries));
    // Sizes kept behind the data: where the next record starts is unknown,
    // and the file manager refuses such an archive whole.
    std::vector<uint8_t> descriptor = m_aBytes;
    descriptor[6] = 0x08;
    EXPECT_FALSE(List(descriptor, entries));
    std::vector<uint8_t> foreign = m_aBytes;
    foreign[0] = 'Q';
    EXPECT_FALSE(List(foreign, entries));
    std::string error;
    EXPECT_FALSE(ZEListPackEntries(m_Dir + "/missing.zip", entries, error));
    EXPECT_FALSE(error.empty());
}
