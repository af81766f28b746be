// ZETextShotApp: draws sample text with the engine's own font through the
// engine's renderer and saves the frame as a PNG.
//
// It is the engine itself, started like the game from a working directory
// that holds "main/" with the engine package, so the font, the console
// background and the cursor are the ones the game loads, loaded the same
// way. The frame shows a console-like strip and lines of text at the sizes
// the game uses (14, 16, 18, 32) in its colours over dark, mid and bright
// backgrounds, German umlauts and the sharp s among them, with the mouse
// cursor on top. After a few frames it writes the picture and quits with
// status 0; status 1 when the picture cannot be written.
#pragma once

#include "core/ZEApplication.h"

#include <string>

class ZETextureReference;

class ZETextShotApp : public ZEApplication
{
public:
    ZETextShotApp(const std::string& pngPath, uint16_t width, uint16_t height);

    void Prepare(char* commandLine) override;
    void Start() override;
    void Render() override;
    void Terminate() override;

protected:
    void EndProcess(int status) override;

private:
    void DrawPanels();
    void DrawConsoleStrip();
    void DrawSamples();
    void DrawCursorAt(int32_t x, int32_t y);
    void FillRectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint8_t r, uint8_t g, uint8_t b);
    void Text(int32_t x, int32_t y, uint16_t size, const char* text, uint8_t r, uint8_t g, uint8_t b);
    bool SavePicture();

    std::string m_PngPath;
    uint16_t m_usShotWidth;
    uint16_t m_usShotHeight;
    int m_iFramesLeft = 3;
    int m_iExitStatus = 0;
    ZETextureReference* m_pConsole = nullptr;
};
