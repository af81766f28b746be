#include "ZETexGen.h"

#include "ZEDescriptionText.h"
#include "ZETgaReader.h"

#include "resources/ZETextureManager.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <unordered_map>

namespace
{
const int kMaxTextureSide = 4096;
const size_t kMaxNameLength = 11;

bool ParseHexColor(const std::string& text, ZETexColor& color)
{
    if (text.size() != 7 || text[0] != '#')
        return false;
    for (size_t i = 1; i < 7; ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    unsigned long value = std::strtoul(text.c_str() + 1, nullptr, 16);
    color.r = ((value >> 16) & 0xFF) / 255.0f;
    color.g = ((value >> 8) & 0xFF) / 255.0f;
    color.b = (value & 0xFF) / 255.0f;
    return true;
}

// "128" or "64x128".
bool ParseSize(const std::string& text, int& width, int& height)
{
    size_t cross = text.find('x');
    double w = 0.0, h = 0.0;
    if (cross == std::string::npos)
    {
        if (!ZEParseNumber(text, w))
            return false;
        h = w;
    }
    else if (!ZEParseNumber(ZETrimText(text.substr(0, cross)), w) || !ZEParseNumber(ZETrimText(text.substr(cross + 1)), h))
        return false;
    if (w != std::floor(w) || h != std::floor(h) || w < 1 || h < 1 || w > kMaxTextureSide || h > kMaxTextureSide)
        return false;
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

std::string At(const std::string& file, int line)
{
    return file + ":" + std::to_string(line) + ": ";
}

bool ReadWholeFile(const std::string& path, std::string& text)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

// Fills in the tool's own keys of a finished section.
bool FinishEntry(ZETexEntry& entry, const std::string& file, std::string& error)
{
    ZETexParams& params = entry.m_Params;
    entry.m_Painter = params.Text("painter", "");
    if (entry.m_Painter.empty())
    {
        error = At(file, params.m_iLine) + "[" + entry.m_Name + "] names no painter";
        return false;
    }
    std::string size = params.Text("size", "");
    if (!ParseSize(size, entry.m_iWidth, entry.m_iHeight))
    {
        error = params.Where("size") + "[" + entry.m_Name + "] needs a size of 1 to " +
                std::to_string(kMaxTextureSide) + " texels a side, as \"128\" or \"64x128\"";
        return false;
    }
    return true;
}
}

// ---------------------------------------------------------------------------
// Colours and helpers

ZETexColor operator+(const ZETexColor& a, const ZETexColor& b)
{
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

ZETexColor operator*(const ZETexColor& c, float f)
{
    return {c.r * f, c.g * f, c.b * f};
}

ZETexColor ZEMix(const ZETexColor& a, const ZETexColor& b, float t)
{
    return a * (1.0f - t) + b * t;
}

float ZEClamp01(float value)
{
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

float ZESmoothStep(float edge0, float edge1, float value)
{
    if (edge1 <= edge0)
        return value < edge0 ? 0.0f : 1.0f;
    float t = ZEClamp01((value - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

ZETexRandom::ZETexRandom(uint32_t seed) : m_ulState(seed * 2654435761u + 0x9E3779B9u)
{
    if (m_ulState == 0)
        m_ulState = 0x6D2B79F5u;
}

uint32_t ZETexRandom::Next()
{
    m_ulState ^= m_ulState << 13;
    m_ulState ^= m_ulState >> 17;
    m_ulState ^= m_ulState << 5;
    return m_ulState;
}

float ZETexRandom::Unit()
{
    return (Next() >> 8) * (1.0f / 16777216.0f);
}

ZETexNoise::ZETexNoise(uint32_t seed, int period) : m_iPeriod(period < 1 ? 1 : period)
{
    ZETexRandom random(seed);
    m_aValues.resize(static_cast<size_t>(m_iPeriod) * m_iPeriod);
    for (float& value : m_aValues)
        value = random.Unit();
}

float ZETexNoise::Lattice(int x, int y) const
{
    int px = ((x % m_iPeriod) + m_iPeriod) % m_iPeriod;
    int py = ((y % m_iPeriod) + m_iPeriod) % m_iPeriod;
    return m_aValues[static_cast<size_t>(py) * m_iPeriod + px];
}

float ZETexNoise::At(float x, float y) const
{
    float fx = std::floor(x), fy = std::floor(y);
    int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
    float tx = ZESmoothStep(0.0f, 1.0f, x - fx), ty = ZESmoothStep(0.0f, 1.0f, y - fy);
    float top = Lattice(ix, iy) * (1.0f - tx) + Lattice(ix + 1, iy) * tx;
    float bottom = Lattice(ix, iy + 1) * (1.0f - tx) + Lattice(ix + 1, iy + 1) * tx;
    return top * (1.0f - ty) + bottom * ty;
}

float ZETexNoise::Fractal(float x, float y, int octaves) const
{
    float sum = 0.0f, weight = 1.0f, total = 0.0f, scale = 1.0f;
    for (int octave = 0; octave < octaves; ++octave)
    {
        sum += At(x * scale + octave * 17.3f, y * scale + octave * 9.1f) * weight;
        total += weight;
        weight *= 0.5f;
        scale *= 2.0f;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

// ---------------------------------------------------------------------------
// ZETexParams

ZETexParams::ZETexParams(const std::string& file, const std::string& entry) : m_File(file), m_Entry(entry)
{
}

bool ZETexParams::Set(const std::string& key, const std::string& value, int line)
{
    if (Has(key))
        return false;
    m_aValues[key] = Value{value, line, false};
    return true;
}

const std::string* ZETexParams::Take(const std::string& key)
{
    auto found = m_aValues.find(key);
    if (found == m_aValues.end())
        return nullptr;
    found->second.m_bRead = true;
    return &found->second.m_Text;
}

std::string ZETexParams::Where(const std::string& key) const
{
    auto found = m_aValues.find(key);
    return At(m_File, found == m_aValues.end() ? m_iLine : found->second.m_iLine);
}

void ZETexParams::Fail(const std::string& key, const std::string& why)
{
    if (m_Error.empty())
        m_Error = Where(key) + "[" + m_Entry + "] " + key + ": " + why;
}

float ZETexParams::Float(const std::string& key, float fallback, float low, float high)
{
    const std::string* text = Take(key);
    if (!text)
        return fallback;
    double value = 0.0;
    if (!ZEParseNumber(ZETrimText(*text), value))
    {
        Fail(key, "\"" + *text + "\" is not a number");
        return fallback;
    }
    if (value < low || value > high)
    {
        std::ostringstream range;
        range << "must lie between " << low << " and " << high;
        Fail(key, range.str());
        return fallback;
    }
    return static_cast<float>(value);
}

int ZETexParams::Int(const std::string& key, int fallback, int low, int high)
{
    const std::string* text = Take(key);
    if (!text)
        return fallback;
    double value = 0.0;
    if (!ZEParseNumber(ZETrimText(*text), value) || value != std::floor(value))
    {
        Fail(key, "\"" + *text + "\" is not a whole number");
        return fallback;
    }
    if (value < low || value > high)
    {
        Fail(key, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
        return fallback;
    }
    return static_cast<int>(value);
}

ZETexColor ZETexParams::Color(const std::string& key, const ZETexColor& fallback)
{
    const std::string* text = Take(key);
    if (!text)
        return fallback;
    std::string trimmed = ZETrimText(*text);
    ZETexColor color;
    if (ParseHexColor(trimmed, color))
        return color;
    std::vector<std::string> words = ZESplitWords(trimmed, ",");
    double channels[3] = {0.0, 0.0, 0.0};
    bool valid = words.size() == 3;
    for (size_t i = 0; valid && i < 3; ++i)
        valid = ZEParseNumber(words[i], channels[i]) && channels[i] >= 0.0 && channels[i] <= 255.0;
    if (!valid)
    {
        Fail(key, "\"" + *text + "\" is not a colour (three numbers 0-255, or #rrggbb)");
        return fallback;
    }
    return {static_cast<float>(channels[0] / 255.0), static_cast<float>(channels[1] / 255.0),
            static_cast<float>(channels[2] / 255.0)};
}

std::string ZETexParams::Text(const std::string& key, const std::string& fallback)
{
    const std::string* text = Take(key);
    return text ? ZETrimText(*text) : fallback;
}

std::vector<float> ZETexParams::Floats(const std::string& key, const std::vector<float>& fallback, size_t count)
{
    const std::string* text = Take(key);
    if (!text)
        return fallback;
    std::vector<float> values;
    for (const std::string& word : ZESplitWords(*text, ","))
    {
        double value = 0.0;
        if (!ZEParseNumber(word, value))
        {
            Fail(key, "\"" + word + "\" is not a number");
            return fallback;
        }
        values.push_back(static_cast<float>(value));
    }
    bool fits = count > 0 ? values.size() == count : !values.empty() && values.size() % 2 == 0;
    if (!fits)
    {
        Fail(key, count > 0 ? "needs " + std::to_string(count) + " numbers" : "needs pairs of numbers");
        return fallback;
    }
    return values;
}

bool ZETexParams::Picture(const std::string& key, float aspect, ZETexCanvas& canvas)
{
    const std::string* text = Take(key);
    if (!text)
        return false;
    std::string name = ZETrimText(*text);
    std::string path = m_PictureFolder.empty() || name.empty() || name[0] == '/' ? name : m_PictureFolder + "/" + name;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
    {
        Fail(key, path + ": cannot be read (" + std::strerror(errno) + ")");
        return false;
    }
    std::fclose(file);
    std::vector<uint8_t> rgb;
    uint32_t width = 0, height = 0;
    if (!ZEReadTGA(path, rgb, width, height) || width == 0 || height == 0)
    {
        Fail(key, path + ": is not an uncompressed 24-bit TGA picture");
        return false;
    }
    const float shape = float(width) / float(height);
    if (std::fabs(shape / aspect - 1.0f) > 0.02f)
    {
        std::ostringstream why;
        why << path << ": is " << width << " x " << height << ", not of the shape " << aspect << " : 1 it is shown in";
        Fail(key, why.str());
        return false;
    }
    // Each texel is the mean of the picture's texels under it, weighted by
    // how much of each it covers.
    const double stepX = double(width) / canvas.Width(), stepY = double(height) / canvas.Height();
    for (int y = 0; y < canvas.Height(); ++y)
    {
        const double top = y * stepY, bottom = top + stepY;
        for (int x = 0; x < canvas.Width(); ++x)
        {
            const double left = x * stepX, right = left + stepX;
            double sum[3] = {0.0, 0.0, 0.0}, total = 0.0;
            for (uint32_t sy = static_cast<uint32_t>(top); sy < height && sy < bottom; ++sy)
            {
                const double wy = std::min<double>(sy + 1, bottom) - std::max<double>(sy, top);
                for (uint32_t sx = static_cast<uint32_t>(left); sx < width && sx < right; ++sx)
                {
                    const double w = wy * (std::min<double>(sx + 1, right) - std::max<double>(sx, left));
                    const uint8_t* texel = &rgb[(static_cast<size_t>(sy) * width + sx) * 3];
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * texel[c];
                    total += w;
                }
            }
            const double scale = total > 0.0 ? 1.0 / (255.0 * total) : 0.0;
            canvas.At(x, y) = ZETexColor{float(sum[0] * scale), float(sum[1] * scale), float(sum[2] * scale)};
        }
    }
    return true;
}

std::vector<std::string> ZETexParams::GetUnreadKeys() const
{
    std::vector<std::string> keys;
    for (const auto& value : m_aValues)
        if (!value.second.m_bRead)
            keys.push_back(value.first);
    return keys;
}

// ---------------------------------------------------------------------------
// ZETexCanvas

ZETexCanvas::ZETexCanvas(int width, int height)
    : m_iWidth(width), m_iHeight(height), m_aTexels(static_cast<size_t>(width) * height)
{
}

void ZETexCanvas::Fill(const ZETexColor& color)
{
    std::fill(m_aTexels.begin(), m_aTexels.end(), color);
}

void ZETexCanvas::Shade(int samples, const std::function<ZETexColor(float x, float y)>& shade)
{
    int n = samples < 1 ? 1 : samples;
    float weight = 1.0f / (n * n);
    for (int y = 0; y < m_iHeight; ++y)
        for (int x = 0; x < m_iWidth; ++x)
        {
            ZETexColor sum;
            for (int sy = 0; sy < n; ++sy)
                for (int sx = 0; sx < n; ++sx)
                {
                    float px = x + (sx + 0.5f) / n, py = y + (sy + 0.5f) / n;
                    sum = sum + shade(px / m_iWidth * 2.0f - 1.0f, py / m_iHeight * 2.0f - 1.0f);
                }
            At(x, y) = sum * weight;
        }
}

std::vector<uint8_t> ZETexCanvas::ToBytes() const
{
    std::vector<uint8_t> bytes;
    bytes.reserve(m_aTexels.size() * 3);
    for (const ZETexColor& texel : m_aTexels)
        for (float channel : {texel.r, texel.g, texel.b})
            bytes.push_back(static_cast<uint8_t>(std::lround(ZEClamp01(channel) * 255.0f)));
    return bytes;
}

// ---------------------------------------------------------------------------
// ZETexPainters

bool ZETexPainters::Add(const std::string& name, ZETexPainter painter, const std::string& summary)
{
    if (m_aPainters.count(name) || !painter)
        return false;
    m_aPainters[name] = Painter{painter, summary};
    return true;
}

ZETexPainter ZETexPainters::Find(const std::string& name) const
{
    auto found = m_aPainters.find(name);
    return found == m_aPainters.end() ? nullptr : found->second.m_pPaint;
}

std::vector<std::string> ZETexPainters::Describe() const
{
    std::vector<std::string> lines;
    for (const auto& painter : m_aPainters)
        lines.push_back(painter.first + ": " + painter.second.m_Summary);
    return lines;
}

// ---------------------------------------------------------------------------
// Descriptions

bool ZEParseTexDescription(const std::string& text, const std::string& file, std::vector<ZETexEntry>& entries,
                           std::string& error)
{
    entries.clear();
    std::set<std::string> names;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line))
    {
        ++number;
        std::string content = ZETrimText(ZEStripComment(line));
        if (content.empty())
            continue;
        if (content.front() == '[')
        {
            if (!entries.empty() && !FinishEntry(entries.back(), file, error))
                return false;
            std::string name = content.back() == ']' ? ZETrimText(content.substr(1, content.size() - 2)) : "";
            if (name.empty() || name.size() > kMaxNameLength)
            {
                error = At(file, number) + "a section is \"[name]\" with a name of 1 to 11 characters";
                return false;
            }
            if (!names.insert(name).second)
            {
                error = At(file, number) + "[" + name + "] is given twice";
                return false;
            }
            entries.push_back(ZETexEntry{name, "", 0, 0, ZETexParams(file, name)});
            entries.back().m_Params.m_iLine = number;
            continue;
        }
        size_t equals = content.find('=');
        if (entries.empty() || equals == std::string::npos)
        {
            error = At(file, number) + (entries.empty() ? "text before the first [name] section"
                                                        : "expected \"key = value\"");
            return false;
        }
        std::string key = ZETrimText(content.substr(0, equals));
        if (key.empty() || !entries.back().m_Params.Set(key, ZETrimText(content.substr(equals + 1)), number))
        {
            error = At(file, number) + (key.empty() ? "a key is missing before \"=\"" : key + " is given twice");
            return false;
        }
    }
    if (entries.empty())
    {
        error = At(file, number) + "the description holds no [name] section";
        return false;
    }
    return FinishEntry(entries.back(), file, error);
}

ZETexImage ZEMakeTexImage(int width, int height, const std::vector<uint8_t>& rgb)
{
    std::unordered_map<uint32_t, uint8_t> lookup;
    std::vector<uint8_t> palette, indices;
    indices.reserve(rgb.size() / 3);
    for (size_t i = 0; i + 2 < rgb.size(); i += 3)
    {
        uint32_t key = (uint32_t(rgb[i]) << 16) | (uint32_t(rgb[i + 1]) << 8) | rgb[i + 2];
        auto found = lookup.find(key);
        if (found == lookup.end())
        {
            if (lookup.size() == ZE_MAX_PALETTE_SIZE)
                return ZETexImage::TrueColor(static_cast<uint16_t>(width), static_cast<uint16_t>(height), rgb);
            found = lookup.emplace(key, static_cast<uint8_t>(lookup.size())).first;
            palette.insert(palette.end(), rgb.begin() + i, rgb.begin() + i + 3);
        }
        indices.push_back(found->second);
    }
    return ZETexImage::Paletted(static_cast<uint16_t>(width), static_cast<uint16_t>(height), std::move(palette),
                                std::move(indices));
}

bool ZEPaintTexEntry(const ZETexPainters& painters, ZETexEntry& entry, ZETexImage& image, std::string& error)
{
    ZETexParams& params = entry.m_Params;
    ZETexPainter paint = painters.Find(entry.m_Painter);
    if (!paint)
    {
        error = params.Where("painter") + "[" + entry.m_Name + "] unknown painter \"" + entry.m_Painter +
                "\" (zetexgen --painters lists them)";
        return false;
    }
    ZETexCanvas canvas(entry.m_iWidth, entry.m_iHeight);
    std::string why;
    bool painted = paint(params, canvas, why);
    if (params.HasError())
    {
        error = params.GetError();
        return false;
    }
    if (!painted)
    {
        error = params.Where("painter") + "[" + entry.m_Name + "] " + why;
        return false;
    }
    std::vector<std::string> unread = params.GetUnreadKeys();
    if (!unread.empty())
    {
        error = params.Where(unread.front()) + "[" + entry.m_Name + "] painter \"" + entry.m_Painter +
                "\" has no parameter \"" + unread.front() + "\"";
        return false;
    }
    image = ZEMakeTexImage(entry.m_iWidth, entry.m_iHeight, canvas.ToBytes());
    return true;
}

bool ZEBuildTexPackage(const ZETexPainters& painters, const std::string& descriptionPath,
                       const std::string& outputPath, std::string& error, const std::string& pictureFolder)
{
    std::string text;
    if (!ReadWholeFile(descriptionPath, text))
    {
        error = descriptionPath + ": cannot be read";
        return false;
    }
    std::vector<ZETexEntry> entries;
    if (!ZEParseTexDescription(text, descriptionPath, entries, error))
        return false;
    ZETexWriter writer;
    for (ZETexEntry& entry : entries)
    {
        entry.m_Params.SetPictureFolder(pictureFolder);
        ZETexImage image;
        if (!ZEPaintTexEntry(painters, entry, image, error))
            return false;
        if (!writer.AddImage(ZEString(entry.m_Name.c_str()), image))
        {
            error = entry.m_Params.Where("size") + "[" + entry.m_Name + "] " + writer.GetError().CStr();
            return false;
        }
    }
    if (!writer.Write(ZEString(outputPath.c_str())))
    {
        error = outputPath + ": " + writer.GetError().CStr();
        return false;
    }
    return true;
}
