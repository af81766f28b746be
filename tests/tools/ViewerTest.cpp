// The viewer run as a program, the way previews and visual checks use it:
// a model made with the writer, rendered headless into a screenshot.
#include "ZETgaReader.h"
#include "ZEZmfWriter.h"
#include "support/TempFolder.h"
#include "support/Xvfb.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace
{
const char* const kViewer = WRENZO_TOOLS_DIR "/zeview";
const uint8_t kBackground[3] = {40, 44, 52};

class ViewerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Folder.Ok());
        m_Dir = m_Folder.Path();
    }

    // Runs the viewer; its exit status.
    int RunViewer(const std::string& arguments)
    {
        // The viewer loads the GL driver itself and unloads it at exit,
        // which leaves the driver's allocations without a name to suppress
        // them by; its own leaks are checked by tools/check-start-quit.
        std::string command = "ASAN_OPTIONS=detect_leaks=0 " + std::string(kViewer) + " " + arguments +
                              " > '" + m_Dir + "/viewer.log' 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    ZETempFolder m_Folder{"view"};
    std::string m_Dir;
};

bool IsBackground(const uint8_t* pixel)
{
    return pixel[0] == kBackground[0] && pixel[1] == kBackground[1] && pixel[2] == kBackground[2];
}

// Rows from the top in which any pixel is pure-ish red.
std::vector<int> RedRows(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height)
{
    std::vector<int> rows;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
        {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            if (p[0] > 180 && p[1] < 60 && p[2] < 60)
            {
                rows.push_back(static_cast<int>(y));
                break;
            }
        }
    return rows;
}
}

TEST_F(ViewerTest, RendersAModelIntoAScreenshotTheRightWayUp)
{
    ZEXvfb display;
    ASSERT_TRUE(display.Start()) << display.Error();

    // A grey block with a red block on top of it.
    ZEZmfWriter writer;
    uint32_t grey = writer.AddMaterial(128, 128, 128);
    uint32_t red = writer.AddMaterial(255, 0, 0);
    writer.AddBox(ZEVector(0, 0, 0), ZEVector(10, 10, 10), 0, static_cast<uint16_t>(grey));
    writer.AddBox(ZEVector(0, 15, 0), ZEVector(5, 5, 5), 0, static_cast<uint16_t>(red));
    std::string model = m_Dir + "/blocks.zmf";
    ASSERT_TRUE(writer.Write(ZEString(model.c_str()))) << writer.GetError().CStr();

    std::string shot = m_Dir + "/shot";
    ASSERT_EQ(RunViewer("--model " + model + " --size 320x240 --pos 0,5,-60 --rot 0,0,0 --shot " + shot), 0);

    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(ZEReadTGA(shot + ".tga", rgb, width, height));
    EXPECT_EQ(width, 320u);
    EXPECT_EQ(height, 240u);
    EXPECT_TRUE(IsBackground(&rgb[0]));
    // The grey block fills the middle of the picture.
    const uint8_t* middle = &rgb[(static_cast<size_t>(height / 2 + 10) * width + width / 2) * 3];
    EXPECT_FALSE(IsBackground(middle));
    EXPECT_NEAR(middle[0], 128, 2);
    EXPECT_EQ(middle[0], middle[2]);
    // The red block stands on top: red appears only in the upper half.
    std::vector<int> redRows = RedRows(rgb, width, height);
    ASSERT_FALSE(redRows.empty());
    EXPECT_LT(redRows.back(), static_cast<int>(height / 2));
}

TEST_F(ViewerTest, AMissingModelEndsWithStatusOne)
{
    ZEXvfb display;
    ASSERT_TRUE(display.Start()) << display.Error();
    EXPECT_EQ(RunViewer("--model " + m_Dir + "/missing.zmf --shot " + m_Dir + "/shot"), 1);
    EXPECT_NE(access((m_Dir + "/shot.tga").c_str(), F_OK), 0);
}

TEST_F(ViewerTest, BadCommandLinesAreRefused)
{
    EXPECT_EQ(RunViewer(""), 2);
    EXPECT_EQ(RunViewer("--model a.zmf --map b.bsp"), 2);
    EXPECT_EQ(RunViewer("--model a.zmf --size 0x0"), 2);
    EXPECT_EQ(RunViewer("--model a.zmf --pos 1,2"), 2);
    EXPECT_EQ(RunViewer("--model"), 2);
    EXPECT_EQ(RunViewer("--model a.zmf --animation -1"), 2);
    EXPECT_EQ(RunViewer("--model a.zmf --animation 1x"), 2);
}
