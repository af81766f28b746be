// zefuzzseeds: writes the seed corpora of the fuzz targets.
//
//   zefuzzseeds DIR
//
// Makes DIR/NAME for every target NAME (kCorpora below) and fills each with
// a few small valid files of its format, made by the writers the tools use,
// so a campaign starts from inputs that reach deep into the loaders rather
// than from nothing, and a replay has something to replay. The files cover
// the layouts each loader tells apart: mono and stereo, 8 and 16 bits,
// chunks the loader skips, several levels, animations and group modes,
// trees, lightmaps and entity classes, stored and skipped entries. Writes
// are atomic; exit status 1 on the first failure.
#include "WZTexts.h"
#include "ZEAtxWriter.h"
#include "ZEBspWriter.h"
#include "ZEFileOutput.h"
#include "ZEPackWriter.h"
#include "ZESoundWriter.h"
#include "ZETexWriter.h"
#include "ZEZmfWriter.h"
#include "career/WZCareer.h"
#include "core/ZEByteOrder.h"
#include "support/TestMaps.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace
{
using Bytes = std::vector<uint8_t>;

class SeedFolder
{
public:
    SeedFolder(const std::filesystem::path& root, const char* name) : m_Path(root / name) {}

    bool Make()
    {
        std::error_code error;
        std::filesystem::create_directories(m_Path, error);
        if (!error)
            return true;
        std::fprintf(stderr, "zefuzzseeds: cannot make %s: %s\n", m_Path.c_str(), error.message().c_str());
        return false;
    }

    std::string Path(const char* name) const { return (m_Path / name).string(); }

    bool Write(const char* name, const Bytes& bytes)
    {
        ZEString error;
        if (ZEWriteFileAtomically(ZEString((m_Path / name).c_str()), bytes, error))
            return true;
        std::fprintf(stderr, "zefuzzseeds: %s\n", error.CStr());
        return false;
    }

private:
    std::filesystem::path m_Path;
};

bool Failed(const char* what, const std::string& error)
{
    std::fprintf(stderr, "zefuzzseeds: %s: %s\n", what, error.c_str());
    return false;
}

// ---------------------------------------------------------------------------
// Sounds

std::vector<float> Tone(uint32_t frames, uint32_t channels, float cyclesPerFrame)
{
    std::vector<float> samples(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i)
        for (uint32_t c = 0; c < channels; ++c)
            samples[i * channels + c] = 0.5f * std::sin(6.2831853f * cyclesPerFrame * (c + 1) * i);
    return samples;
}

std::vector<int16_t> ToPCM16(const std::vector<float>& samples)
{
    std::vector<int16_t> pcm(samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        pcm[i] = static_cast<int16_t>(samples[i] * 32767.0f);
    return pcm;
}

void PutLE16(Bytes& bytes, uint16_t value)
{
    uint8_t field[2];
    ZEWriteLE16(field, value);
    bytes.insert(bytes.end(), field, field + 2);
}

void PutLE32(Bytes& bytes, uint32_t value)
{
    uint8_t field[4];
    ZEWriteLE32(field, value);
    bytes.insert(bytes.end(), field, field + 4);
}

void PutChunk(Bytes& bytes, const char* id, const Bytes& body)
{
    bytes.insert(bytes.end(), id, id + 4);
    PutLE32(bytes, static_cast<uint32_t>(body.size()));
    bytes.insert(bytes.end(), body.begin(), body.end());
    if (body.size() % 2)
        bytes.push_back(0);
}

// An unsigned 8-bit mono file with a "smpl" chunk of odd size (so a pad
// byte) between "fmt " and "data": layouts the 16-bit writer never makes.
Bytes EightBitWaveWithExtraChunk()
{
    Bytes format;
    PutLE16(format, 1);        // PCM
    PutLE16(format, 1);        // mono
    PutLE32(format, 11025);
    PutLE32(format, 11025);
    PutLE16(format, 1);        // block align
    PutLE16(format, 8);
    Bytes body = {'W', 'A', 'V', 'E'};
    PutChunk(body, "fmt ", format);
    PutChunk(body, "smpl", Bytes(9, 0x11));
    Bytes samples(64);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<uint8_t>(128 + 100 * std::sin(0.4 * static_cast<double>(i)));
    PutChunk(body, "data", samples);

    Bytes file = {'R', 'I', 'F', 'F'};
    PutLE32(file, static_cast<uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

bool WriteWaveSeeds(SeedFolder& folder)
{
    struct Layout
    {
        const char* m_pName;
        uint32_t m_ulChannels;
        uint32_t m_ulRate;
        uint32_t m_ulFrames;
    };
    const Layout layouts[] = {{"mono16.wav", 1, 22050, 40}, {"stereo16.wav", 2, 44100, 24}};
    for (const Layout& layout : layouts)
    {
        Bytes wave;
        std::string error;
        std::vector<int16_t> pcm = ToPCM16(Tone(layout.m_ulFrames, layout.m_ulChannels, 0.05f));
        if (!ZEEncodeWave(pcm, layout.m_ulChannels, layout.m_ulRate, wave, error))
            return Failed(layout.m_pName, error);
        if (!folder.Write(layout.m_pName, wave))
            return false;
    }
    return folder.Write("mono8-smpl.wav", EightBitWaveWithExtraChunk());
}

bool WriteOggSeeds(SeedFolder& folder)
{
    struct Layout
    {
        const char* m_pName;
        uint32_t m_ulChannels;
        uint32_t m_ulRate;
        uint32_t m_ulFrames;
        float m_fQuality;
    };
    // Short sounds: the three header packets dominate, and a small file
    // lets the fuzzer mutate every page.
    const Layout layouts[] = {{"mono8k.ogg", 1, 8000, 400, 0.0f},
                              {"stereo22k.ogg", 2, 22050, 600, 0.2f},
                              {"mono44k.ogg", 1, 44100, 3000, -0.1f}};
    for (const Layout& layout : layouts)
    {
        Bytes ogg;
        std::string error;
        if (!ZEEncodeOggVorbis(Tone(layout.m_ulFrames, layout.m_ulChannels, 0.02f), layout.m_ulChannels,
                               layout.m_ulRate, layout.m_fQuality, ogg, error))
            return Failed(layout.m_pName, error);
        if (!folder.Write(layout.m_pName, ogg))
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Models

bool WriteModel(SeedFolder& folder, const char* name, ZEZmfWriter& writer)
{
    Bytes bytes;
    if (!writer.Build(bytes))
        return Failed(name, writer.GetError().CStr());
    return folder.Write(name, bytes);
}

ZEZmfWriter::Group Triangle(uint16_t a, uint16_t b, uint16_t c, uint16_t texture, uint16_t mode)
{
    ZEZmfWriter::Group group;
    group.m_ausIndices = {a, b, c};
    group.m_usTexture = texture;
    group.m_usMode = mode;
    return group;
}

// Two levels of two animations: a paletted and a true-colour texture, a
// material, a translucent group, and every group mode (plain, same as
// previous, environment, colour-keyed, colour-keyed environment).
void AnimatedModel(ZEZmfWriter& writer)
{
    for (float z : {0.0f, 8.0f})
    {
        writer.AddVertex(0, 0, z, 0, 0);
        writer.AddVertex(10, 0, z, 1, 0);
        writer.AddVertex(0, 10, z, 0, 1);
        writer.AddVertex(10, 10, z, 1, 1);
    }
    writer.AddPalettedTexture(ZEString("skin"), 2, 2, {0, 0, 0, 255, 0, 255}, {0, 1, 1, 0});
    writer.AddTexture(ZEString("glass"), 1, 2, {10, 20, 30, 40, 50, 60});
    uint16_t material = static_cast<uint16_t>(writer.AddMaterial(200, 100, 50));
    const char* names[] = {"drive", "spin"};
    for (uint32_t level = 0; level < 2; ++level)
    {
        writer.AddLevel();
        for (uint32_t a = 0; a < 2; ++a)
        {
            writer.AddAnimation(level, ZEString(names[a]));
            const uint32_t times[] = {0, 250, 600};
            for (uint32_t k = 0; k < 3; ++k)
            {
                uint32_t frame = writer.AddKeyFrame(level, a, times[k]);
                uint16_t first = k == 1 ? 4 : 0;
                ZEZmfWriter::Group keyed = Triangle(first, first + 1, first + 2, 1, k == 0 ? ZE_ZMF_COLOR_KEYED
                                                                                        : ZE_ZMF_SAME_AS_PREVIOUS);
                keyed.m_aucColorKey[1] = 255;
                keyed.m_usMaterial = material;
                writer.AddGroup(level, a, frame, keyed);
                ZEZmfWriter::Group shiny = Triangle(1, 3, 2, 2, a == 0 ? ZE_ZMF_ENVIRONMENT
                                                                       : ZE_ZMF_COLOR_KEYED_ENVIRONMENT);
                shiny.m_fOpacity = k == 2 ? 0.25f : 0.75f;
                writer.AddGroup(level, a, frame, shiny);
            }
        }
    }
}

bool WriteModelSeeds(SeedFolder& folder)
{
    ZEZmfWriter box;
    box.AddBox(ZEVector(0, 5, 0), ZEVector(4, 5, 8), 0, static_cast<uint16_t>(box.AddMaterial(90, 90, 200)));
    ZEZmfWriter textured;
    textured.AddTexturedBox(ZEVector(1, 2, 3), ZEVector(2, 2, 2), ZEString("crate"), 2, 2,
                            {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    ZEZmfWriter animated;
    AnimatedModel(animated);
    return WriteModel(folder, "box.zmf", box) && WriteModel(folder, "textured-box.zmf", textured) &&
           WriteModel(folder, "animated.zmf", animated);
}
}

namespace
{
// Careers as the game makes and plays them: new on each difficulty, part
// way through a season, and at its end.
bool WriteCareerSeeds(SeedFolder& folder)
{
    bool written = true;
    for (uint16_t difficulty = 1; difficulty <= 3; ++difficulty)
    {
        WZCareer career = WZNewCareer(difficulty, [](int32_t n) { return n; });
        for (uint32_t done : {0u, 4u, 10u})
        {
            while (career.m_ulRacesDone < done)
            {
                const uint32_t order[4] = {career.m_ulRacesDone % 4, (career.m_ulRacesDone + 1) % 4,
                                           (career.m_ulRacesDone + 2) % 4, (career.m_ulRacesDone + 3) % 4};
                WZScoreCareerRace(career, order);
            }
            Bytes bytes(WZCareer::ms_ulSize);
            career.Encode(bytes.data());
            std::string name = "career-" + std::to_string(difficulty) + "-" + std::to_string(done) + ".dat";
            written = written && folder.Write(name.c_str(), bytes);
        }
    }
    return written;
}
}

namespace
{
// ---------------------------------------------------------------------------
// Maps

bool WriteMap(SeedFolder& folder, const char* name, ZEBspWriter& writer)
{
    Bytes bytes;
    if (!writer.Build(bytes))
        return Failed(name, writer.GetError().CStr());
    return folder.Write(name, bytes);
}

// Small maps covering what the loader tells apart: one leaf; a split tree
// with a wall, a translucent face and attribute bytes for the game; lit
// cells whose lightmaps share a page; every entity class.
bool WriteMapSeeds(SeedFolder& folder)
{
    using namespace ZETestMaps;
    ZEBspWriter floor;
    floor.AddTexture("road", "level");
    floor.AddLeaf({MakeFloor(floor, 1, -50, 50, -50, 50, 0)});

    ZEBspWriter split;
    split.m_usFaceDataSize = 3;
    split.AddTexture("grass", "level");
    split.AddTexture("glass", "level", true);
    ZEBspWriter::Face wall = MakeWall(split, 1, 20, 0, 40, 0, 30);
    ZEBspWriter::Face pane = MakeWall(split, 2, 10, 0, 40, 0, 30);
    pane.m_aucData = {128, 7, 1};
    wall.SetLightmap(4, 8, 200);
    MakeSplit(split, {MakeFloor(split, 1, 0, 60, 0, 60, 0), wall, pane}, {MakeFloor(split, 1, -60, 0, 0, 60, 0)});

    ZEBspWriter grid = MakeGridMap(2, 2, 40, 4);
    ZEBspWriter every = MakeEveryClassMap();
    return WriteMap(folder, "floor.bsp", floor) && WriteMap(folder, "split.bsp", split) &&
           WriteMap(folder, "grid.bsp", grid) && WriteMap(folder, "every-class.bsp", every);
}

// ---------------------------------------------------------------------------
// Package archives

bool WritePackage(SeedFolder& folder, const char* name,
                  const std::vector<std::pair<const char*, std::string>>& entries)
{
    ZEPackWriter pack;
    for (const auto& entry : entries)
        if (!pack.AddData(ZEString(entry.first), entry.second.data(), entry.second.size()))
            return Failed(name, pack.GetError().CStr());
    if (!pack.Write(ZEString(folder.Path(name).c_str())))
        return Failed(name, pack.GetError().CStr());
    return true;
}

void PutLocalHeader(Bytes& bytes, uint16_t method, const std::string& name, const Bytes& extra,
                    const std::string& data, uint32_t uncompressed)
{
    PutLE32(bytes, 0x04034B50);
    PutLE16(bytes, 20);
    PutLE16(bytes, 0);
    PutLE16(bytes, method);
    PutLE32(bytes, 0);              // time and date
    PutLE32(bytes, 0);              // CRC-32, unchecked
    PutLE32(bytes, static_cast<uint32_t>(data.size()));
    PutLE32(bytes, uncompressed);
    PutLE16(bytes, static_cast<uint16_t>(name.size()));
    PutLE16(bytes, static_cast<uint16_t>(extra.size()));
    bytes.insert(bytes.end(), name.begin(), name.end());
    bytes.insert(bytes.end(), extra.begin(), extra.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
}

// What the package writer never makes: a compressed entry (skipped), an
// extra field, a folder entry and a name given twice, before a bare
// central-directory signature.
Bytes HandmadePackage()
{
    Bytes bytes;
    PutLocalHeader(bytes, 8, "packed.txt", Bytes(), std::string("\x4b\x04\x00", 3), 1);
    PutLocalHeader(bytes, 0, "data/", Bytes(), std::string(), 0);
    PutLocalHeader(bytes, 0, "data/extra.txt", Bytes{0x55, 0x54, 0x01, 0x00, 0x00}, "stored with extra", 17);
    PutLocalHeader(bytes, 0, "data/extra.txt", Bytes(), "second copy", 11);
    PutLE32(bytes, 0x02014B50);
    return bytes;
}

bool WritePackageSeeds(SeedFolder& folder)
{
    return WritePackage(folder, "one.dat", {{"maps/track.bsp", "BSP0 and then some"}}) &&
           WritePackage(folder, "three.dat",
                        {{"textures/level.tex", "TP2"}, {"sounds/engine.ogg", std::string(40, 'x')},
                         {"strings.txt", "[ENGLISH] \"Yes\" \"Yes\""}}) &&
           folder.Write("handmade.dat", HandmadePackage());
}
}

namespace
{
// ---------------------------------------------------------------------------
// Textures, animations and the language file

bool WriteTexPackage(SeedFolder& folder, const char* name,
                     const std::vector<std::pair<const char*, ZETexImage>>& images)
{
    ZETexWriter writer;
    Bytes bytes;
    for (const auto& image : images)
        if (!writer.AddImage(ZEString(image.first), image.second))
            return Failed(name, writer.GetError().CStr());
    if (!writer.Encode(bytes))
        return Failed(name, writer.GetError().CStr());
    return folder.Write(name, bytes);
}

// True colour, paletted (a palette the indices use only in part) and a
// package of several entries of both kinds and of a full-length name.
bool WriteTexSeeds(SeedFolder& folder)
{
    ZETexImage rgb = ZETexImage::TrueColor(2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    ZETexImage paletted = ZETexImage::Paletted(3, 2, {0, 0, 0, 255, 128, 0, 20, 40, 60, 9, 9, 9},
                                               {0, 1, 2, 1, 0, 2});
    ZETexImage line = ZETexImage::TrueColor(4, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    ZETexImage dot = ZETexImage::Paletted(1, 1, {200, 100, 50}, {0});
    return WriteTexPackage(folder, "truecolor.tex", {{"road", rgb}}) &&
           WriteTexPackage(folder, "paletted.tex", {{"grass", paletted}}) &&
           WriteTexPackage(folder, "several.tex",
                           {{"line", line}, {"grass", paletted}, {"elevenchars", dot}, {"road", rgb}});
}

bool WriteAtx(SeedFolder& folder, const char* name, const std::vector<std::pair<uint16_t, ZETexImage>>& frames)
{
    ZEAtxWriter writer;
    Bytes bytes;
    for (const auto& frame : frames)
        if (!writer.AddFrame(frame.first, frame.second))
            return Failed(name, writer.GetError().CStr());
    if (!writer.Encode(bytes))
        return Failed(name, writer.GetError().CStr());
    return folder.Write(name, bytes);
}

// One true-colour frame; several frames, true colour and paletted each
// with its own palette, one of them shown for 0 ms.
bool WriteAtxSeeds(SeedFolder& folder)
{
    ZETexImage first = ZETexImage::TrueColor(2, 1, {10, 20, 30, 40, 50, 60});
    ZETexImage second = ZETexImage::Paletted(2, 1, {255, 0, 0, 0, 0, 255}, {1, 0});
    ZETexImage third = ZETexImage::Paletted(2, 1, {7, 7, 7}, {0, 0});
    return WriteAtx(folder, "one-frame.atx", {{100, first}}) &&
           WriteAtx(folder, "frames.atx", {{50, first}, {0, second}, {200, third}, {30, first}});
}

// A language file of a few of the game's keys: both sections, and one
// without the German section.
bool WriteLanguageSeeds(SeedFolder& folder)
{
    auto entries = [](const char* prefix) {
        std::string text;
        for (uint32_t i = 0; i < 4 && i < WZTexts::ms_ulNumTexts; ++i)
            text += std::string("\"") + WZTexts::ms_aTexts[i].m_pKey + "\" \"" + prefix +
                    WZTexts::ms_aTexts[i].m_pKey + "\"\n";
        return text;
    };
    std::string english = "# seed\n[ENGLISH]\n" + entries("");
    std::string both = english + "\n[GERMAN]\n" + entries("DE ") + "\"Quit\" \"\"\n";
    return folder.Write("both.txt", Bytes(both.begin(), both.end())) &&
           folder.Write("english-only.txt", Bytes(english.begin(), english.end()));
}
}

// Each corpus: its folder and what fills it.
struct SeedCorpus
{
    const char* m_pFolder;
    bool (*m_pWrite)(SeedFolder& folder);
};

const SeedCorpus kCorpora[] = {
    {"sound_wave", WriteWaveSeeds}, {"sound_ogg", WriteOggSeeds}, {"model", WriteModelSeeds},
    {"career", WriteCareerSeeds},   {"map", WriteMapSeeds},       {"package", WritePackageSeeds},
    {"tex", WriteTexSeeds},         {"atx", WriteAtxSeeds},       {"language", WriteLanguageSeeds},
};

int main(int argc, char** argv)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: zefuzzseeds DIR\n");
        return 2;
    }
    std::filesystem::path root(argv[1]);
    for (const SeedCorpus& corpus : kCorpora)
    {
        SeedFolder folder(root, corpus.m_pFolder);
        if (!folder.Make() || !corpus.m_pWrite(folder))
            return 1;
    }
    return 0;
}
