#include "ZETextShotApp.h"

#include "ZEPngWriter.h"
#include "ZETgaReader.h"

#include "render/ZERenderer.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace
{
// Latin-1, as the game's texts are.
const char* const kAvailable = "VERF\xDC" "GBAR";
const char* const kSize = "Gr\xF6\xDF" "e";

}

ZETextShotApp::ZETextShotApp(const std::string& pngPath, uint16_t width, uint16_t height)
    : m_PngPath(pngPath), m_usShotWidth(width), m_usShotHeight(height)
{
}

void ZETextShotApp::Prepare(char*)
{
    m_usWidth = m_usShotWidth;
    m_usHeight = m_usShotHeight;
    m_usFullscreen = 0;
}

void ZETextShotApp::Start()
{
    m_pRenderer->SetWindowTitle(ZEString("Zervane text"));
    m_pRenderer->SetBackgroundColor(0, 0, 0);
    // The cursor is drawn by this frame itself: the engine draws its own
    // after Render(), too late for the screenshot.
    m_pEngine->ShowCursor(false);
    m_pConsole = ZETextureManager::ms_pTexManager->GetTexture(ZEString("console"), ZEString("Engine"), false);
}

void ZETextShotApp::Terminate()
{
    delete m_pConsole;
    m_pConsole = nullptr;
}

void ZETextShotApp::FillRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t r, uint8_t g, uint8_t b)
{
    m_pRenderer->SetTexture(nullptr);
    m_pRenderer->SetAmbient(r, g, b);
    m_pRenderer->DrawRectangle(x1, y1, x2, y2);
}

void ZETextShotApp::Text(int32_t x, int32_t y, uint16_t size, const char* text, uint8_t r, uint8_t g, uint8_t b)
{
    m_pRenderer->SetAmbient(r, g, b, 255);
    m_pRenderer->DrawText(x, y, size, text);
}

void ZETextShotApp::DrawPanels()
{
    const int32_t third = m_usWidth / 3;
    FillRectangle(0, 0, third, m_usHeight, 24, 26, 32);
    FillRectangle(third, 0, 2 * third, m_usHeight, 96, 140, 196);
    FillRectangle(2 * third, 0, m_usWidth, m_usHeight, 228, 224, 210);
}

// What the half-open console shows: its background, a few messages in the
// console's colours and the input line.
void ZETextShotApp::DrawConsoleStrip()
{
    const int32_t bottom = 176;
    m_pRenderer->SetTexture(m_pConsole);
    m_pRenderer->SetAmbient(255, 255, 255);
    m_pRenderer->DrawRectangle(0, 0, m_usWidth, bottom);
    m_pRenderer->EnableBlending();
    m_pRenderer->SetBlendingState(4, 5);
    Text(0, bottom - 16 * 8, 16, "Zervane console", 255, 255, 255);
    Text(0, bottom - 16 * 7, 16, "]load airfield", 64, 64, 255);
    Text(0, bottom - 16 * 6, 16, "Loading failed", 255, 0, 0);
    Text(0, bottom - 16 * 5, 16, "]set maxdecals 100", 64, 64, 255);
    Text(0, bottom - 16 * 4, 16, "maxdecals currently is \"100\"", 255, 255, 255);
    Text(0, bottom - 16 * 3, 16, "Spieler verbunden: J\xFCrgen", 192, 0, 0);
    m_pRenderer->SetAmbient(255, 255, 255, 250);
    m_pRenderer->DrawText(0, bottom - 16 * 2, 16, "]timefactor 0.5_");
    m_pRenderer->DisableBlending();
}

void ZETextShotApp::DrawSamples()
{
    m_pRenderer->EnableBlending();
    m_pRenderer->SetBlendingState(4, 5);
    const std::string umlauts = std::string(kAvailable) + " " + kSize + " \xC4\xD6\xDC \xE4\xF6\xFC \xDF";
    int32_t y = 190;
    const uint16_t sizes[3] = {14, 16, 18};
    for (uint16_t size : sizes)
    {
        std::string label = "Size " + std::to_string(size) + ": " + umlauts + " 0123456789";
        Text(8, y, size, label.c_str(), 255, 255, 255);
        Text(8, y + size + 2, size, "Quick Race  Career  Options  Lap 3/5  1:23.45", 0, 0, 200);
        Text(8, y + 2 * (size + 2), size, "NEW RECORD  Position 2nd  Speed 187 km/h", 200, 0, 0);
        y += 3 * (size + 2) + 8;
    }
    Text(8, y, 32, (std::string(kAvailable) + " " + kSize).c_str(), 255, 255, 255);
    Text(8, y + 36, 32, "Wrenzo 1:23.45", 255, 200, 40);
    y += 80;
    Text(8, y, 16, "ABCDEFGHIJKLMNOPQRSTUVWXYZ abcdefghijklmnopqrstuvwxyz", 255, 255, 255);
    Text(8, y + 18, 16, "0123456789 .,:;!?'\"()[]{}<>+-*/=%&#@_~|\\$", 255, 255, 255);
    m_pRenderer->DisableBlending();
}

// As the engine draws its cursor: blended, in the cursor colour, 32 x 32
// with its top left corner at the position.
void ZETextShotApp::DrawCursorAt(int32_t x, int32_t y)
{
    m_pRenderer->EnableBlending();
    m_pRenderer->SetBlendingState(4, 5);
    m_pRenderer->SetAmbient4(m_pEngine->m_aucCursorColor);
    m_pRenderer->SetTexture(m_pEngine->m_pCursor);
    m_pRenderer->DrawRectangle(x, y, x + 32, y + 32);
    m_pRenderer->DisableBlending();
}

void ZETextShotApp::Render()
{
    DrawPanels();
    DrawConsoleStrip();
    DrawSamples();
    DrawCursorAt(m_usWidth / 3 - 12, 150);
    DrawCursorAt(2 * m_usWidth / 3 + 40, m_usHeight - 60);
    DrawCursorAt(m_usWidth / 6, m_usHeight - 40);
    if (--m_iFramesLeft > 0)
        return;
    m_iExitStatus = SavePicture() ? 0 : 1;
    Exit();
}

bool ZETextShotApp::SavePicture()
{
    // The frame is complete but not yet presented: the back buffer holds it.
    const std::string shot = m_PngPath + ".shot";
    m_pRenderer->TakeScreenshot(ZEString(shot.c_str()));
    std::vector<uint8_t> rgb;
    uint32_t width = 0, height = 0;
    bool read = ZEReadTGA(shot + ".tga", rgb, width, height);
    std::remove((shot + ".tga").c_str());
    std::string error = "the screenshot cannot be read back";
    if (!read || !ZEWritePNG(m_PngPath, rgb.data(), width, height, error))
    {
        std::fprintf(stderr, "zetextshot: %s\n", error.c_str());
        return false;
    }
    std::printf("zetextshot: wrote %s\n", m_PngPath.c_str());
    return true;
}

void ZETextShotApp::EndProcess(int status)
{
    std::exit(status != 0 ? status : m_iExitStatus);
}
