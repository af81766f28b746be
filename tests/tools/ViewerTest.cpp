// The viewer run as a program, the way previews and visual checks use it:
// a model and a map made with the writers, rendered headless into
// screenshots; and the overview's framing, checked without a window.
#include "ZETgaReader.h"
#include "ZEViewerOverview.h"
#include "ZEZmfWriter.h"
#include "math/ZEMath.h"
#include "render/ZECamera.h"
#include "support/TempFolder.h"
#include "support/TestMaps.h"
#include "support/Xvfb.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    EXPECT_EQ(RunViewer("--model a.zmf --overview"), 2);
    EXPECT_EQ(RunViewer("--map a.bsp --overview --pos 0,0,0"), 2);
}

// A long floor (4000 x 1000) under a sky box whose polygons reach 40 times
// as far: the overview frames the floor alone, across the whole picture.
TEST_F(ViewerTest, OverviewFramesTheMapsFacesButNotItsSkyBox)
{
    ZEXvfb display;
    ASSERT_TRUE(display.Start()) << display.Error();
    ZEBspWriter writer = ZETestMaps::MakeGridMap(8, 2, 500.0f, 4);
    uint32_t sky = writer.AddEntity("SkyBox", ZEVector(), ZEBspData().Vector(ZEVector()).Float(0).Byte(0).m_aucBytes);
    writer.m_aEntities[sky].m_aPolygons.push_back(
        ZETestMaps::MakeFloor(writer, 1, -80000, 80000, -80000, 80000, -20000));
    ASSERT_TRUE(writer.Write(ZEString(m_Folder.File("main/maps/long.bsp").c_str()))) << writer.GetError().CStr();

    std::string shot = m_Dir + "/overview";
    ASSERT_EQ(RunViewer("--data " + m_Dir + "/main --map long.bsp --overview --size 256x128 --shot " + shot), 0);
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(ZEReadTGA(shot + ".tga", rgb, width, height));
    auto pixel = [&](uint32_t x, uint32_t y) { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; };
    uint32_t left = width, right = 0;
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            if (!IsBackground(pixel(x, y)))
            {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    EXPECT_FALSE(IsBackground(pixel(width / 2, height / 2)));
    EXPECT_LT(left, width / 10);
    EXPECT_GT(right, width * 9 / 10);
    // Around the floor, the background: the sky box is not drawn either.
    EXPECT_TRUE(IsBackground(pixel(0, 0)));
    EXPECT_TRUE(IsBackground(pixel(width - 1, height - 1)));
}

// --- The overview's framing -------------------------------------------------------

namespace
{
// How far toward the picture's edge the box's corners reach through the
// view, as the renderer projects (1 is the edge); every corner must lie
// between the view's near and far planes.
float Reach(const ZEOverviewView& view, const ZEVector& min, const ZEVector& max, float aspect)
{
    ZECamera camera;
    camera.SetRotation(view.m_vRotation);
    camera.SetPosition(view.m_vPosition);
    const float tanY = ZETanDeg(view.m_fFovY * 0.5f), tanX = tanY * aspect;
    float reach = 0.0f;
    for (int corner = 0; corner < 8; ++corner)
    {
        ZEVector p((corner & 1) ? max.x : min.x, (corner & 2) ? max.y : min.y, (corner & 4) ? max.z : min.z);
        ZEVector d = p - camera.GetPosition();
        float depth = camera.GetFVector().DotProduct(d);
        EXPECT_GT(depth, view.m_fNear) << corner;
        EXPECT_LT(depth, view.m_fFar) << corner;
        reach = std::max({reach, std::fabs(camera.GetRVector().DotProduct(d)) / (depth * tanX),
                          std::fabs(camera.GetUVector().DotProduct(d)) / (depth * tanY)});
    }
    return reach;
}
}

TEST(ViewerOverviewTest, LongAndSquareMapsFillThePictureInsideItsMargin)
{
    struct Box
    {
        const char* m_pName;
        ZEVector m_vMin, m_vMax;
    };
    const Box boxes[] = {{"long along x", ZEVector(-9000, -50, -300), ZEVector(11000, 400, 300)},
                         {"long along z", ZEVector(100, 0, -15000), ZEVector(700, 100, 5000)},
                         {"square", ZEVector(-3000, 0, -3000), ZEVector(3000, 600, 3000)}};
    for (const Box& box : boxes)
        for (float aspect : {2.0f, 0.75f})
            for (float yaw : {0.0f, 30.0f, 135.0f, 290.0f})
            {
                SCOPED_TRACE(std::string(box.m_pName) + ", aspect " + std::to_string(aspect) + ", yaw " +
                             std::to_string(yaw));
                ZEOverviewView view = ZEFrameOverview(box.m_vMin, box.m_vMax, aspect, -40.0f, yaw);
                EXPECT_EQ(view.m_vRotation, ZEVector(-40.0f, yaw, 0.0f));
                // Inside the margin, and touching it: the map is as large
                // as the picture allows.
                EXPECT_NEAR(Reach(view, box.m_vMin, box.m_vMax, aspect), 1.0f - ZE_OVERVIEW_MARGIN, 1e-3f);
                EXPECT_GT(view.m_vPosition.y, box.m_vMax.y) << "looking down from above";
            }
}

TEST(ViewerOverviewTest, TheChosenYawShowsALongMapLargestAndNeverAlongAnAxis)
{
    const ZEVector min(-9000, 0, -300), max(11000, 400, 300);
    ZEOverviewView chosen = ZEFrameOverview(min, max, 2.0f);
    EXPECT_EQ(chosen.m_vRotation.x, ZE_OVERVIEW_PITCH);
    EXPECT_NE(std::fmod(chosen.m_vRotation.y, 90.0f), 0.0f);
    EXPECT_NEAR(Reach(chosen, min, max, 2.0f), 1.0f - ZE_OVERVIEW_MARGIN, 1e-3f);
    for (float yaw : {30.0f, 60.0f, 120.0f, 150.0f, 210.0f, 240.0f, 300.0f, 330.0f})
        EXPECT_LE(chosen.m_fDistance, ZEFrameOverview(min, max, 2.0f, ZE_OVERVIEW_PITCH, yaw).m_fDistance * 1.001f)
            << yaw;
    // Lying across the wide picture, it is seen from nearer than along it.
    EXPECT_LT(chosen.m_fDistance, ZEFrameOverview(min, max, 2.0f, ZE_OVERVIEW_PITCH, 90.0f).m_fDistance);
}

TEST(ViewerOverviewTest, AroundATrackTheFieldsBeyondItAreLeftOut)
{
    // A track 8000 x 3000 in the middle of land 30000 across.
    const ZEVector faceMin(-15000, 0, -15000), faceMax(15000, 700, 15000);
    const std::vector<ZEVector> track = {ZEVector(0, 0, 0), ZEVector(8000, 0, 0), ZEVector(8000, 0, 3000),
                                         ZEVector(0, 0, 3000)};
    ZEVector min, max;
    ZEOverviewRegion(faceMin, faceMax, track, min, max);
    EXPECT_EQ(min, ZEVector(-800, 0, -800));   // a border of a tenth of 8000 on every side
    EXPECT_EQ(max, ZEVector(8800, 700, 3800));
    // Without a track, the whole map; near the map's edge, cut to it.
    ZEOverviewRegion(faceMin, faceMax, {}, min, max);
    EXPECT_EQ(min, faceMin);
    ZEOverviewRegion(ZEVector(-100, 0, -100), faceMax, track, min, max);
    EXPECT_EQ(min, ZEVector(-100, 0, -100));

    ZEOverviewRegion(faceMin, faceMax, track, min, max);
    std::vector<ZEVector> points = ZEOverviewPoints(min, max, track);
    ASSERT_EQ(points.size(), track.size() * 16);
    for (const ZEVector& p : points)
        EXPECT_TRUE(p.x >= min.x && p.x <= max.x && p.z >= min.z && p.z <= max.z && p.y >= min.y && p.y <= max.y);
    // The track fills the picture's width, within the margin.
    ZEOverviewView view = ZEFrameOverview(points, 2.0f);
    EXPECT_LT(Reach(view, ZEVector(0, 0, 0), ZEVector(8000, 0, 3000), 2.0f), 1.0f - ZE_OVERVIEW_MARGIN);
    EXPECT_GT(Reach(view, ZEVector(0, 0, 0), ZEVector(8000, 0, 3000), 2.0f), 0.6f);
}
