// zechroma: draws and scores how a tune's harmony comes through.
//
//   zechroma <description.txt> <chroma.png> [<sound.ogg>]
//
// The tune is the sound file when one is given (as the game will play it),
// otherwise the description rendered afresh. The picture has one column a
// bar and one row a pitch class (C at the bottom, B at the top): the
// brighter a cell, the larger that class's share of the bar's strongest
// class; a cyan frame marks the classes the description plays in that bar.
// The strip above shows whether the bar's strongest classes are all played
// (green), not (red), or the bar plays no notes (grey). The score
// line goes to standard output. Status 1 for a description or sound that
// cannot be used, 2 for a wrong command line.
#include "ZESynth.h"
#include "ZESynthChroma.h"
#include "ZEPngWriter.h"
#include "resources/ZESoundLoader.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace
{
const uint32_t kCell = 12;       // pixels a bar is wide
const uint32_t kRow = 16;        // pixels a pitch class is high
const uint32_t kStrip = 8;       // the match strip
const uint32_t kScale = 2;       // of the label glyphs
const uint32_t kMargin = 22;     // the labels on the left
const uint32_t kGap = 3;

struct Picture
{
    uint32_t m_ulWidth = 0;
    uint32_t m_ulHeight = 0;
    std::vector<uint8_t> m_aubRGB;

    Picture(uint32_t width, uint32_t height)
        : m_ulWidth(width), m_ulHeight(height), m_aubRGB(size_t(width) * height * 3, 24)
    {
    }
    void Set(uint32_t x, uint32_t y, uint32_t rgb)
    {
        if (x >= m_ulWidth || y >= m_ulHeight)
            return;
        uint8_t* p = &m_aubRGB[(size_t(y) * m_ulWidth + x) * 3];
        p[0] = uint8_t(rgb >> 16);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb);
    }
    void Fill(uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t rgb)
    {
        for (uint32_t j = 0; j < h; ++j)
            for (uint32_t i = 0; i < w; ++i)
                Set(x + i, y + j, rgb);
    }
    void Frame(uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t rgb)
    {
        Fill(x, y, w, 1, rgb);
        Fill(x, y + h - 1, w, 1, rgb);
        Fill(x, y, 1, h, rgb);
        Fill(x + w - 1, y, 1, h, rgb);
    }
};

// 3x5 glyphs for the pitch-class names, one row of three bits a line.
uint16_t Glyph(char c)
{
    switch (c)
    {
    case 'A': return 0x2BED;  // 010 101 111 101 101
    case 'B': return 0x6BAE;  // 110 101 110 101 110
    case 'C': return 0x7927;  // 111 100 100 100 111
    case 'D': return 0x6B6E;  // 110 101 101 101 110
    case 'E': return 0x79A7;  // 111 100 110 100 111
    case 'F': return 0x79A4;  // 111 100 110 100 100
    case 'G': return 0x796F;  // 111 100 101 101 111 (a closed G)
    case '#': return 0x5F7D;  // 101 111 101 111 101
    default: return 0;
    }
}

// Glyphs drawn kScale times their size: 6 x 10 pixels, a column apart.
void Text(Picture& picture, uint32_t x, uint32_t y, const char* text, uint32_t rgb)
{
    for (; *text; ++text, x += 4 * kScale)
    {
        uint16_t bits = Glyph(*text);
        for (uint32_t row = 0; row < 5; ++row)
            for (uint32_t col = 0; col < 3; ++col)
                if ((bits >> (14 - row * 3 - col)) & 1u)
                    picture.Fill(x + col * kScale, y + row * kScale, kScale, kScale, rgb);
    }
}

// Black through red and orange to pale yellow.
uint32_t Heat(double value)
{
    value = std::min(1.0, std::max(0.0, value));
    double r = std::min(1.0, value * 2.0);
    double g = std::max(0.0, std::min(1.0, value * 2.0 - 0.6));
    double b = std::max(0.0, value * 3.0 - 2.2);
    return (uint32_t(r * 255) << 16) | (uint32_t(g * 255) << 8) | uint32_t(b * 255);
}

void Draw(Picture& picture, const std::vector<ZESynthPitchClasses>& played,
          const std::vector<ZESynthChromaBar>& heard)
{
    static const char* const kNames[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    uint32_t top = kStrip + kGap;
    for (uint32_t c = 0; c < 12; ++c)
        Text(picture, 3, top + (11 - c) * kRow + (kRow - 5 * kScale) / 2, kNames[c], 0xC8C8C8);
    for (size_t b = 0; b < heard.size(); ++b)
    {
        uint32_t x = kMargin + uint32_t(b) * kCell;
        const ZESynthChromaBar& bar = heard[b];
        double loudest = *std::max_element(bar.m_adPower.begin(), bar.m_adPower.end());
        uint32_t strip = 0x505050;
        if (played[b] != 0 && bar.m_dTotal > 0.0)
            strip = ZESynthHeardAsPlayed(played[b], bar) ? 0x30C040 : 0xD03030;
        picture.Fill(x, 0, kCell - 1, kStrip, strip);
        for (uint32_t c = 0; c < 12; ++c)
        {
            uint32_t y = top + (11 - c) * kRow;
            picture.Fill(x, y, kCell, kRow, Heat(loudest > 0.0 ? bar.m_adPower[c] / loudest : 0.0));
            if ((played[b] >> c) & 1u)
                picture.Frame(x, y, kCell, kRow, 0x40E0FF);
        }
    }
}

bool ReadText(const std::string& path, std::string& text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream out;
    out << in.rdbuf();
    text = out.str();
    return true;
}

bool DecodeSound(const std::string& path, std::vector<float>& samples, uint32_t& channels, uint32_t& rate)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char* data = nullptr;
    uint32_t size = 0, bits = 0;
    bool stereo = false;
    bool loaded = ZESoundLoader::LoadOggVorbis(file, &data, size, rate, bits, stereo);
    if (loaded && bits == 16)
    {
        samples.resize(size / 2);
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = float(int16_t(uint16_t(uint8_t(data[2 * i])) | uint16_t(uint8_t(data[2 * i + 1]) << 8))) /
                         32768.0f;
    }
    delete[] data;
    channels = stereo ? 2 : 1;
    return loaded && bits == 16;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4)
    {
        std::fprintf(stderr, "usage: zechroma <description.txt> <chroma.png> [<sound.ogg>]\n");
        return 2;
    }
    std::string text, error;
    ZESynthDescription description;
    if (!ReadText(argv[1], text) || !ZEParseSynthDescription(text, argv[1], description, error))
    {
        std::fprintf(stderr, "zechroma: %s\n", error.empty() ? "cannot read the description" : error.c_str());
        return 1;
    }
    std::vector<ZESynthPitchClasses> played = ZESynthBarPitchClasses(description);
    if (played.empty())
    {
        std::fprintf(stderr, "zechroma: %s has no song to compare with\n", argv[1]);
        return 1;
    }
    std::vector<float> samples;
    uint32_t channels = 0, rate = 0;
    if (argc == 4)
    {
        if (!DecodeSound(argv[3], samples, channels, rate))
        {
            std::fprintf(stderr, "zechroma: cannot decode %s\n", argv[3]);
            return 1;
        }
    }
    else
    {
        ZESynthAudio audio;
        if (!ZERenderSynth(description, audio, error))
        {
            std::fprintf(stderr, "zechroma: %s\n", error.c_str());
            return 1;
        }
        samples.swap(audio.m_afSamples);
        channels = audio.m_ulChannels;
        rate = audio.m_ulRate;
    }
    std::vector<ZESynthChromaBar> heard =
        ZESynthBarChroma(samples, channels, rate, description.m_Song.BarSeconds(), played.size());
    ZESynthHarmonyScore score = ZESynthScoreHarmony(played, heard);
    std::printf("%s: %u bars, top three played in %.2f of them (chance %.2f), energy in played classes %.2f "
                "(chance %.2f)\n",
                argv[1], score.m_ulBars, score.m_dMatch, score.m_dChanceMatch, score.m_dInKey,
                score.m_dChanceInKey);

    Picture picture(kMargin + uint32_t(heard.size()) * kCell + 2, kStrip + kGap + 12 * kRow);
    Draw(picture, played, heard);
    if (!ZEWritePNG(argv[2], picture.m_aubRGB.data(), picture.m_ulWidth, picture.m_ulHeight, error))
    {
        std::fprintf(stderr, "zechroma: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
