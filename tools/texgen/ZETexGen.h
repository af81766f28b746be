// zetexgen: paints texture packages (".tex") from text descriptions.
//
// A description file lists the entries of one package, in the order they
// are stored. Each entry is a section "[name]" (the texture's name, at
// most 11 characters) followed by "key = value" lines. A "#" that begins a
// line, or stands between blanks, starts a comment (so "#ff8000" is a
// colour, not a comment). Two keys belong to the tool: "painter" names the C++ painter
// that draws the entry and "size" gives its size ("128" or "64x128",
// width first). Every other key is a parameter of that painter. A key that
// the painter never reads is an error, so a misspelt key never passes
// silently; so is a value that does not parse or lies outside the range
// the painter allows. Errors name the file and line.
//
// Painters come in families: one source file per family
// (tools/texgen/<Name>Family.cpp) whose one function
// ZERegister<Name>Family(ZETexPainters&) adds its painters by name. The
// families are listed once, in tools/texgen/CMakeLists.txt, which
// generates the calls; a new family is one source file and its name there.
//
// A painter draws on a ZETexCanvas: RGB floats from 0 to 1, row 0 at the
// top (row 0 becomes texture coordinate t = 0). The canvas is quantised to
// bytes by rounding, so 0 stays exact black: the colour-keyed loads (black
// becomes transparent) and the additive effects (black adds nothing) rely
// on that. An image of at most 256 colours is stored paletted.
//
// Pictures: a painter may take a picture made elsewhere in the build (a
// screenshot, as the track previews do) through ZETexParams::Picture. Its
// key names an uncompressed 24-bit TGA file; a relative name is looked for
// in the picture folder that zetexgen is given (--pictures DIR), so the
// descriptions stay with the sources and the pictures in the build tree.
//
// Ownership: entries own their parameters; the painter table holds plain
// function pointers. Nothing here keeps global state.
#pragma once

#include "ZETexWriter.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

struct ZETexColor
{
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
};

ZETexColor operator+(const ZETexColor& a, const ZETexColor& b);
ZETexColor operator*(const ZETexColor& c, float f);
// Linear mix: a at t = 0, b at t = 1.
ZETexColor ZEMix(const ZETexColor& a, const ZETexColor& b, float t);

class ZETexCanvas;

// The parameters of one entry, with the line each came from. Every
// accessor marks its key as read; a value that does not parse or is out of
// range records an error (the first one is kept) and yields the default.
class ZETexParams
{
public:
    ZETexParams() = default;
    ZETexParams(const std::string& file, const std::string& entry);

    // False when the key was given twice.
    bool Set(const std::string& key, const std::string& value, int line);
    bool Has(const std::string& key) const { return m_aValues.count(key) != 0; }

    float Float(const std::string& key, float fallback, float low, float high);
    int Int(const std::string& key, int fallback, int low, int high);
    // Three numbers 0-255 ("255 128 0", commas allowed) or "#rrggbb".
    ZETexColor Color(const std::string& key, const ZETexColor& fallback);
    std::string Text(const std::string& key, const std::string& fallback);
    // Blank- or comma-separated numbers; `count` of them when count > 0,
    // else an even number (point lists).
    std::vector<float> Floats(const std::string& key, const std::vector<float>& fallback, size_t count);

    // The folder relative picture names are found in ("" for the working
    // directory).
    void SetPictureFolder(const std::string& folder) { m_PictureFolder = folder; }
    // Whether the key names a picture; then `canvas` holds it, resampled
    // to the canvas's size by averaging the picture's texels over each
    // texel. False without the key, and false with an error ("picture:
    // <path>: why") for a file that is missing, is not an uncompressed
    // 24-bit TGA, or whose width over height differs from `aspect` by more
    // than 2 %.
    bool Picture(const std::string& key, float aspect, ZETexCanvas& canvas);

    // A painter's own complaint about its parameters (for example an
    // inconsistent pair), reported like a parse error.
    void Fail(const std::string& key, const std::string& why);

    bool HasError() const { return !m_Error.empty(); }
    const std::string& GetError() const { return m_Error; }
    // Keys given but never read, in sorted order.
    std::vector<std::string> GetUnreadKeys() const;
    // "file:line" of a key, or of the entry when the key is missing.
    std::string Where(const std::string& key) const;

    int m_iLine = 0;   // the entry's section line

private:
    struct Value
    {
        std::string m_Text;
        int m_iLine = 0;
        bool m_bRead = false;
    };
    // The value's text (marked read), or null when the key is missing.
    const std::string* Take(const std::string& key);

    std::string m_File;
    std::string m_Entry;
    std::string m_PictureFolder;
    std::map<std::string, Value> m_aValues;
    std::string m_Error;
};

// RGB floats, row-major, row 0 at the top.
class ZETexCanvas
{
public:
    ZETexCanvas(int width, int height);

    int Width() const { return m_iWidth; }
    int Height() const { return m_iHeight; }
    ZETexColor& At(int x, int y) { return m_aTexels[static_cast<size_t>(y) * m_iWidth + x]; }
    const ZETexColor& At(int x, int y) const { return m_aTexels[static_cast<size_t>(y) * m_iWidth + x]; }
    void Fill(const ZETexColor& color);

    // Sets every texel to the mean of samples x samples evaluations of
    // `shade` inside it. shade gets centred coordinates: -1 at the left and
    // top edges, +1 at the right and bottom edges, for any aspect.
    void Shade(int samples, const std::function<ZETexColor(float x, float y)>& shade);

    // RGB bytes, each channel clamped to 0..1 and rounded.
    std::vector<uint8_t> ToBytes() const;

private:
    int m_iWidth;
    int m_iHeight;
    std::vector<ZETexColor> m_aTexels;
};

// A painter fills the canvas from its parameters; false with `error` set
// when it cannot (parameter errors go through ZETexParams instead).
typedef bool (*ZETexPainter)(ZETexParams& params, ZETexCanvas& canvas, std::string& error);

// The painters by name.
class ZETexPainters
{
public:
    // False when the name is taken already (the first stays).
    bool Add(const std::string& name, ZETexPainter painter, const std::string& summary);
    // Null when there is no painter of that name.
    ZETexPainter Find(const std::string& name) const;
    // "name: summary" lines in sorted order.
    std::vector<std::string> Describe() const;

private:
    struct Painter
    {
        ZETexPainter m_pPaint = nullptr;
        std::string m_Summary;
    };
    std::map<std::string, Painter> m_aPainters;
};

// Every family's painters (the list generated from CMakeLists.txt).
void ZERegisterAllTexFamilies(ZETexPainters& painters);

// One parsed entry of a description.
struct ZETexEntry
{
    std::string m_Name;
    std::string m_Painter;
    int m_iWidth = 0;
    int m_iHeight = 0;
    ZETexParams m_Params;
};

// Parses a description; `file` names it in messages. False with `error`
// ("file:line: why") on the first fault: text outside a section, a line
// without "=", a key given twice, a name that is empty, too long or given
// twice, a missing or bad painter or size, or no entry at all.
bool ZEParseTexDescription(const std::string& text, const std::string& file, std::vector<ZETexEntry>& entries,
                           std::string& error);

// Paints one entry into a storable image (paletted when it has at most 256
// colours). False with `error` on an unknown painter, a parameter error,
// an unread key or the painter's own failure.
bool ZEPaintTexEntry(const ZETexPainters& painters, ZETexEntry& entry, ZETexImage& image, std::string& error);

// The stored form of RGB bytes: paletted when they hold at most 256
// colours (palette in order of first appearance), else true colour.
ZETexImage ZEMakeTexImage(int width, int height, const std::vector<uint8_t>& rgb);

// Reads the description at `descriptionPath`, paints every entry (relative
// picture names found in `pictureFolder`) and writes the package to
// `outputPath` (replacing it only when everything worked).
bool ZEBuildTexPackage(const ZETexPainters& painters, const std::string& descriptionPath,
                       const std::string& outputPath, std::string& error,
                       const std::string& pictureFolder = std::string());

// Painting helpers shared by the families.
float ZEClamp01(float value);
// 0 below edge0, 1 above edge1, a smooth step between.
float ZESmoothStep(float edge0, float edge1, float value);

// A small deterministic random source (xorshift), so the same description
// always paints the same texels.
class ZETexRandom
{
public:
    explicit ZETexRandom(uint32_t seed);
    uint32_t Next();
    // Uniform in [0, 1).
    float Unit();

private:
    uint32_t m_ulState;
};

// Smooth value noise on a square lattice, tiled every `period` cells, in
// 0..1; fractal sums of it with `octaves` layers.
class ZETexNoise
{
public:
    ZETexNoise(uint32_t seed, int period);
    float At(float x, float y) const;
    float Fractal(float x, float y, int octaves) const;

private:
    float Lattice(int x, int y) const;
    int m_iPeriod;
    std::vector<float> m_aValues;
};
