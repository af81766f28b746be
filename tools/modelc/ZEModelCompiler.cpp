#include "ZEModelCompiler.h"

#include "ZEModelImage.h"
#include "ZEModelMesh.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <tuple>
#include <utility>

namespace
{
const int kMaxLevels = 3;
const float kBoxTolerance = 0.001f;
const float kFillTolerance = 0.25f;
const char* const kCarAnimations[3] = {"straight", "left", "right"};
const char* const kClassKeys[ZE_FACE_CLASSES] = {"top", "bottom", "side", "front", "back"};

// Part types and the keys each accepts beyond the common ones.
struct TypeKeys
{
    const char* m_pType;
    std::vector<std::string> m_aKeys;
};

const std::vector<std::string> kCommonKeys = {"type",  "material",  "top",     "bottom", "side",
                                              "front", "back",      "texture", "projection",
                                              "texture_on", "center", "rotate", "mirror", "repeat",
                                              "lod",   "shade"};

const std::vector<TypeKeys> kPartTypes = {
    {"box", {"size"}},
    {"cylinder", {"radius", "top_radius", "length", "axis", "segments"}},
    {"cone", {"radius", "length", "axis", "segments"}},
    {"sphere", {"radius", "segments", "scale"}},
    {"lathe", {"profile", "axis", "segments", "scale"}},
    {"loft", {"station", "round", "round_steps"}},
    {"stripe", {"follow", "path", "width", "raise", "from", "to"}},
    {"extrude", {"outline", "depth", "axis"}},
    {"arc", {"radius", "angles", "depth", "axis", "segments"}},
    {"wheels",
     {"type", "radius", "width", "track", "front", "rear", "steer", "rim_radius", "spokes", "segments", "frames",
      "tyre", "tread", "rim", "gap", "hub", "lod"}},
};

const std::vector<std::string> kModelKeys = {"kind", "levels", "size", "rear_axle", "tyre", "bounds"};
const std::vector<std::string> kImageKeys = {"type",   "size", "area",     "base", "rect", "circle",
                                             "ring",   "poly", "text",     "gradient", "grain"};

enum Projection
{
    PROJECT_SIDE,    // z along, y up
    PROJECT_FRONT,   // seen from the front: -x along, y up
    PROJECT_BACK,    // seen from behind: x along, y up
    PROJECT_TOP      // x along, z up
};

struct Material
{
    ZEColor m_Color;
    float m_fOpacity = 1.0f;
};

struct Image
{
    const ZEModelSection* m_pSection = nullptr;
    std::unique_ptr<ZEModelImage> m_pImage;
    float m_afArea[4] = {0.0f, 0.0f, 1.0f, 1.0f};   // left, bottom, right, top
    uint32_t m_ulNumber = 0;                         // texture number once written
};

struct WheelSet
{
    const ZEModelSection* m_pSection = nullptr;
    ZEWheelShape m_Shape;
    float m_fTrack = 0.0f;
    float m_fFront = 0.0f;
    float m_fRear = 0.0f;
    float m_fSteer = 25.0f;
    std::vector<int> m_aiSegments{16, 12, 8};
    std::vector<int> m_aiFrames{16, 12, 8};
    std::string m_aMaterials[6];   // by ZEWheelTag
};

struct Part
{
    const ZEModelSection* m_pSection = nullptr;
    std::string m_Type;
    std::string m_aMaterials[ZE_FACE_CLASSES];
    std::string m_Texture;
    Projection m_Projection = PROJECT_SIDE;
    bool m_abTextured[ZE_FACE_CLASSES] = {false, false, false, false, false};
    ZEVector m_vCenter;
    ZEVector m_vRotate;
    bool m_bMirror = false;
    int m_iRepeat = 1;
    ZEVector m_vRepeatStep;
    int m_iLastLevel = kMaxLevels - 1;
    bool m_bShade = true;
};

// One closed piece of a part at one level, in the description's frame.
struct Piece
{
    const Part* m_pPart = nullptr;
    ZEMesh m_Mesh;
};

// A group's identity: colour, texture and opacity.
struct GroupKey
{
    uint8_t r, g, b;
    uint32_t m_ulTexture;
    float m_fOpacity;
    bool operator<(const GroupKey& o) const
    {
        return std::tie(r, g, b, m_ulTexture, m_fOpacity) < std::tie(o.r, o.g, o.b, o.m_ulTexture, o.m_fOpacity);
    }
};

template <typename T>
T PerLevel(const std::vector<T>& values, int level)
{
    return values[std::min<size_t>(static_cast<size_t>(level), values.size() - 1)];
}

float Shade(const ZEVector& normal)
{
    static const ZEVector light = [] {
        ZEVector l(-0.45f, 1.0f, -0.55f);
        l.Normalize();
        return l;
    }();
    float lambert = 0.5f + 0.5f * normal.DotProduct(light);
    return std::round((0.6f + 0.4f * lambert) * 25.0f) / 25.0f;
}

class Compiler
{
public:
    Compiler(const ZEModelDescription& description, std::vector<std::string>& errors)
        : m_Description(description), m_aErrors(errors)
    {
    }

    bool Run(ZEZmfWriter& writer, ZEModelReport& report);

private:
    // Reading.
    void Error(const std::string& where, const std::string& why) { m_aErrors.push_back(where + ": " + why); }
    bool Numbers(const ZEModelValue* value, size_t count, std::vector<float>& out, size_t most = 0);
    bool Number(const ZEModelSection& section, const std::string& key, float& out, bool required);
    bool Vector(const ZEModelSection& section, const std::string& key, ZEVector& out);
    bool Levels(const ZEModelSection& section, const std::string& key, std::vector<int>& out);
    bool Color(const ZEModelValue& value, size_t first, ZEColor& out);
    bool MaterialName(const ZEModelValue* value, std::string& out);
    void CheckKeys(const ZEModelSection& section, const std::vector<std::string>& keys,
                   const std::vector<std::string>* more = nullptr);
    void ReadModel();
    void ReadMaterials();
    void ReadImages();
    void PaintImage(Image& image);
    void ReadParts();
    void ReadPart(const ZEModelSection& section, const std::string& type);
    void ReadWheels(const ZEModelSection& section);
    bool ReadStations(const ZEModelSection& section, std::vector<ZELoftStation>& stations);
    bool ReadPoints(const ZEModelSection& section, const std::string& key, std::vector<ZEPoint2>& points,
                    size_t least = 3);

    // Building.
    bool BuildShape(const Part& part, int level, ZEMesh& mesh);
    ZEMesh StripeShape(const Part& part, int level, bool& ok);
    ZEMesh PathStripe(const ZEModelSection& section, bool& ok);
    void BuildPieces(int level, std::vector<Piece>& pieces);
    ZEMesh WheelPose(int level, int wheel, float steer, int frame) const;
    ZEVector WheelCentre(int wheel) const;
    void CheckExtents(const std::vector<Piece>& pieces);
    void CheckWheelExtents();
    void CheckFill();
    void Grow(const ZEVector& p);

    // Writing.
    ZEVector Out(const ZEVector& p) const { return p + m_vOutOffset; }
    uint32_t MaterialNumber(ZEZmfWriter& writer, uint8_t r, uint8_t g, uint8_t b);
    void WriteTextures(ZEZmfWriter& writer);
    void WriteLevel(ZEZmfWriter& writer, int level, ZEModelReport& report);
    void AddToGroup(std::vector<ZEZmfWriter::Group>& groups, std::map<GroupKey, size_t>& index, ZEZmfWriter& writer,
                    const Material& material, float shade, uint32_t texture, uint32_t a, uint32_t b, uint32_t c);

    const ZEModelDescription& m_Description;
    std::vector<std::string>& m_aErrors;

    bool m_bCar = false;
    int m_iLevels = 1;
    ZEVector m_vSize;                       // cars: the collision box
    bool m_bBounds = false;
    ZEVector m_vBoundsMin, m_vBoundsMax;    // cars: +-size/2; props: optional bounds
    float m_fRearAxle = 0.0f;
    bool m_bTyre = false;
    float m_fTyreWidth = 0.0f, m_fTyreInset = 0.0f;
    const ZEModelSection* m_pModel = nullptr;

    std::map<std::string, Material> m_Materials;
    std::map<std::string, Image> m_Images;
    std::vector<std::string> m_aImageOrder;
    std::vector<std::unique_ptr<Part>> m_aParts;
    std::unique_ptr<WheelSet> m_pWheels;
    ZEVector m_vOutOffset;

    bool m_bAny = false;
    ZEVector m_vMin, m_vMax;   // of everything built, in the description's frame
    std::map<std::tuple<int, int, int, int>, uint32_t> m_WheelVertices;
    std::set<const ZEModelSection*> m_ReportedParts;   // outside the box, reported once
    std::map<std::tuple<uint8_t, uint8_t, uint8_t>, uint32_t> m_MaterialNumbers;
};

bool Compiler::Numbers(const ZEModelValue* value, size_t count, std::vector<float>& out, size_t most)
{
    out.clear();
    std::vector<std::string> words = ZESplitWords(value->m_Text);
    size_t upper = most ? most : count;
    if (words.size() < count || words.size() > upper)
    {
        Error(value->Where(), value->m_Key + " needs " +
                                  (upper == count ? std::to_string(count) : std::to_string(count) + " to " +
                                                                                std::to_string(upper)) +
                                  " number" + (upper == 1 ? "" : "s"));
        return false;
    }
    for (const std::string& word : words)
    {
        double number = 0.0;
        if (!ZEParseNumber(word, number) || std::fabs(number) > std::numeric_limits<float>::max())
        {
            Error(value->Where(), "'" + word + "' is not a number");
            return false;
        }
        out.push_back(static_cast<float>(number));
    }
    return true;
}

bool Compiler::Number(const ZEModelSection& section, const std::string& key, float& out, bool required)
{
    const ZEModelValue* value = section.Find(key);
    if (!value)
    {
        if (required)
            Error(section.Where(), "[" + section.m_Name + "] needs " + key);
        return false;
    }
    std::vector<float> numbers;
    if (!Numbers(value, 1, numbers))
        return false;
    out = numbers[0];
    return true;
}

bool Compiler::Vector(const ZEModelSection& section, const std::string& key, ZEVector& out)
{
    const ZEModelValue* value = section.Find(key);
    std::vector<float> numbers;
    if (!value || !Numbers(value, 3, numbers))
        return false;
    out = ZEVector(numbers[0], numbers[1], numbers[2]);
    return true;
}

bool Compiler::Levels(const ZEModelSection& section, const std::string& key, std::vector<int>& out)
{
    const ZEModelValue* value = section.Find(key);
    std::vector<float> numbers;
    if (!value)
        return false;
    if (!Numbers(value, 1, numbers, kMaxLevels))
        return false;
    out.clear();
    for (float number : numbers)
    {
        if (number < 1.0f || number != std::floor(number) || number > 256.0f)
        {
            Error(value->Where(), key + " takes whole numbers from 1 to 256, one per level");
            return false;
        }
        out.push_back(static_cast<int>(number));
    }
    return true;
}

bool Compiler::Color(const ZEModelValue& value, size_t first, ZEColor& out)
{
    std::vector<std::string> words = ZESplitWords(value.m_Text);
    if (first < words.size() && words.size() - first == 1)
    {
        auto found = m_Materials.find(words[first]);
        if (found == m_Materials.end())
        {
            Error(value.Where(), "unknown colour or material '" + words[first] + "'");
            return false;
        }
        out = found->second.m_Color;
        return true;
    }
    if (words.size() < first + 3)
    {
        Error(value.Where(), "a colour is three numbers 0-255 or a material name");
        return false;
    }
    uint8_t channels[3];
    for (int c = 0; c < 3; ++c)
    {
        char* end = nullptr;
        long channel = std::strtol(words[first + c].c_str(), &end, 10);
        if (*end != '\0' || channel < 0 || channel > 255)
        {
            Error(value.Where(), "'" + words[first + c] + "' is not a colour channel 0-255");
            return false;
        }
        channels[c] = static_cast<uint8_t>(channel);
    }
    out = ZEColor{channels[0], channels[1], channels[2]};
    return true;
}

bool Compiler::MaterialName(const ZEModelValue* value, std::string& out)
{
    if (!value)
        return false;
    if (!m_Materials.count(value->m_Text))
    {
        Error(value->Where(), "unknown material '" + value->m_Text + "'");
        return false;
    }
    out = value->m_Text;
    return true;
}

void Compiler::CheckKeys(const ZEModelSection& section, const std::vector<std::string>& keys,
                         const std::vector<std::string>* more)
{
    for (const ZEModelValue& value : section.m_aValues)
    {
        bool known = std::find(keys.begin(), keys.end(), value.m_Key) != keys.end() ||
                     (more && std::find(more->begin(), more->end(), value.m_Key) != more->end());
        if (!known)
            Error(value.Where(), "[" + section.m_Name + "] does not take the key '" + value.m_Key + "'");
    }
}

void Compiler::ReadModel()
{
    m_pModel = m_Description.Find("model");
    if (!m_pModel)
    {
        Error(m_Description.GetFiles().empty() ? std::string("description") : m_Description.GetFiles()[0],
              "no [model] section");
        return;
    }
    const ZEModelSection& model = *m_pModel;
    CheckKeys(model, kModelKeys);
    const ZEModelValue* kind = model.Find("kind");
    if (!kind || (kind->m_Text != "car" && kind->m_Text != "prop"))
    {
        Error(kind ? kind->Where() : model.Where(), "[model] needs kind = car or kind = prop");
        return;
    }
    m_bCar = kind->m_Text == "car";
    float levels = m_bCar ? 3.0f : 1.0f;
    if (Number(model, "levels", levels, false) && (levels < 1.0f || levels > kMaxLevels || levels != std::floor(levels)))
        Error(model.Find("levels")->Where(), "levels is 1, 2 or 3");
    m_iLevels = std::max(1, std::min(kMaxLevels, static_cast<int>(levels)));

    std::vector<float> numbers;
    if (m_bCar)
    {
        const ZEModelValue* size = model.Find("size");
        if (!size)
            Error(model.Where(), "a car needs size = width height length (its collision box)");
        else if (Numbers(size, 3, numbers))
        {
            m_vSize = ZEVector(numbers[0], numbers[1], numbers[2]);
            if (m_vSize.x <= 0 || m_vSize.y <= 0 || m_vSize.z <= 0)
                Error(size->Where(), "the box's sizes must be positive");
            m_bBounds = true;
            m_vBoundsMax = m_vSize * 0.5f;
            m_vBoundsMin = -m_vBoundsMax;
        }
        Number(model, "rear_axle", m_fRearAxle, true);
        const ZEModelValue* tyre = model.Find("tyre");
        if (tyre && Numbers(tyre, 2, numbers))
        {
            m_bTyre = true;
            m_fTyreWidth = numbers[0];
            m_fTyreInset = numbers[1];
        }
    }
    else if (const ZEModelValue* bounds = model.Find("bounds"))
    {
        if (Numbers(bounds, 6, numbers))
        {
            m_bBounds = true;
            m_vBoundsMin = ZEVector(numbers[0], numbers[1], numbers[2]);
            m_vBoundsMax = ZEVector(numbers[3], numbers[4], numbers[5]);
        }
    }
}

void Compiler::ReadMaterials()
{
    const ZEModelSection* section = m_Description.Find("materials");
    if (!section)
        return;
    for (const ZEModelValue& value : section->m_aValues)
    {
        std::vector<std::string> words = ZESplitWords(value.m_Text);
        Material material;
        if (words.size() != 3 && words.size() != 4)
        {
            Error(value.Where(), "a material is r g b [opacity]");
            continue;
        }
        if (!Color(value, 0, material.m_Color))
            continue;
        if (words.size() == 4)
        {
            char* end = nullptr;
            material.m_fOpacity = std::strtof(words[3].c_str(), &end);
            if (*end != '\0' || !(material.m_fOpacity > 0.0f && material.m_fOpacity <= 1.0f))
            {
                Error(value.Where(), "the opacity is a number above 0 and at most 1");
                continue;
            }
        }
        m_Materials[value.m_Key] = material;
    }
}

void Compiler::ReadImages()
{
    for (const ZEModelSection& section : m_Description.GetSections())
    {
        const ZEModelValue* type = section.Find("type");
        if (!type || type->m_Text != "image")
            continue;
        CheckKeys(section, kImageKeys);
        Image& image = m_Images[section.m_Name];
        image.m_pSection = &section;
        std::vector<float> numbers;
        uint16_t width = 128, height = 64;
        if (const ZEModelValue* size = section.Find("size"))
        {
            if (Numbers(size, 2, numbers))
            {
                auto power = [](float n) { return n >= 8 && n <= 512 && (static_cast<int>(n) & (static_cast<int>(n) - 1)) == 0 && n == std::floor(n); };
                if (!power(numbers[0]) || !power(numbers[1]))
                    Error(size->Where(), "an image's sides are powers of two from 8 to 512");
                else
                {
                    width = static_cast<uint16_t>(numbers[0]);
                    height = static_cast<uint16_t>(numbers[1]);
                }
            }
        }
        if (const ZEModelValue* area = section.Find("area"))
        {
            if (Numbers(area, 4, numbers))
            {
                if (numbers[2] == numbers[0] || numbers[3] == numbers[1])
                    Error(area->Where(), "the area is left bottom right top with some size");
                else
                    std::copy(numbers.begin(), numbers.end(), image.m_afArea);
            }
        }
        if (section.m_Name.size() > 23)
            Error(section.Where(), "an image name has at most 23 characters");
        image.m_pImage.reset(new ZEModelImage(width, height, image.m_afArea[0], image.m_afArea[1], image.m_afArea[2],
                                              image.m_afArea[3]));
        PaintImage(image);
    }
}

// The shape keys in the order written, so later shapes cover earlier ones.
void Compiler::PaintImage(Image& image)
{
    ZEModelImage& canvas = *image.m_pImage;
    for (const ZEModelValue& value : image.m_pSection->m_aValues)
    {
        std::vector<std::string> words = ZESplitWords(value.m_Text);
        std::vector<float> numbers;
        ZEColor color;
        auto leading = [&](size_t count) {
            ZEModelValue head = value;
            std::ostringstream text;
            for (size_t i = 0; i < count && i < words.size(); ++i)
                text << words[i] << ' ';
            head.m_Text = text.str();
            return head.m_Text.empty() ? false : Numbers(&head, count, numbers);
        };
        const std::string& key = value.m_Key;
        if (key == "base")
        {
            if (Color(value, 0, color))
                canvas.Fill(color);
        }
        else if (key == "rect" || key == "circle" || key == "ring")
        {
            size_t count = key == "rect" ? 4 : (key == "circle" ? 3 : 4);
            if (words.size() < count + 1)
            {
                Error(value.Where(), key + " needs " + std::to_string(count) + " numbers and a colour");
                continue;
            }
            if (!leading(count) || !Color(value, count, color))
                continue;
            if (key == "rect")
                canvas.Rectangle(numbers[0], numbers[1], numbers[2], numbers[3], color);
            else if (key == "circle")
                canvas.Circle(numbers[0], numbers[1], numbers[2], color);
            else
                canvas.Ring(numbers[0], numbers[1], numbers[2], numbers[3], color);
        }
        else if (key == "poly")
        {
            // poly = colour x y x y ... (the colour one word: a material)
            ZEModelValue rest = value;
            if (words.size() < 7 || words.size() % 2 == 0)
            {
                Error(value.Where(), "poly needs a material name and at least three x y points");
                continue;
            }
            ZEModelValue head = value;
            head.m_Text = words[0];
            if (!Color(head, 0, color))
                continue;
            rest.m_Text = value.m_Text.substr(value.m_Text.find(words[0]) + words[0].size());
            if (Numbers(&rest, words.size() - 1, numbers))
                canvas.Polygon(numbers, color);
        }
        else if (key == "text")
        {
            // text = x y height colour LETTERS (the colour one word)
            if (words.size() != 5 || !leading(3))
            {
                Error(value.Where(), "text needs x y height, a material name and the letters");
                continue;
            }
            ZEModelValue head = value;
            head.m_Text = words[3];
            if (Color(head, 0, color) && !canvas.Text(numbers[0], numbers[1], numbers[2], words[4], color))
                Error(value.Where(), "the font has no glyph for some letter of '" + words[4] + "'");
        }
        else if (key == "gradient")
        {
            if (Numbers(&value, 2, numbers))
                canvas.Gradient(numbers[0], numbers[1]);
        }
        else if (key == "grain")
        {
            if (Numbers(&value, 1, numbers))
                canvas.Grain(numbers[0]);
        }
    }
}

void Compiler::ReadParts()
{
    for (const ZEModelSection& section : m_Description.GetSections())
    {
        if (section.m_Name == "model" || section.m_Name == "materials")
            continue;
        const ZEModelValue* type = section.Find("type");
        if (!type)
        {
            Error(section.Where(), "[" + section.m_Name + "] has no type");
            continue;
        }
        if (type->m_Text == "image")
            continue;
        if (type->m_Text == "wheels")
        {
            ReadWheels(section);
            continue;
        }
        auto known = std::find_if(kPartTypes.begin(), kPartTypes.end(),
                                  [&](const TypeKeys& t) { return type->m_Text == t.m_pType; });
        if (known == kPartTypes.end())
        {
            Error(type->Where(), "unknown part type '" + type->m_Text + "'");
            continue;
        }
        CheckKeys(section, kCommonKeys, &known->m_aKeys);
        ReadPart(section, type->m_Text);
    }
}

void Compiler::ReadPart(const ZEModelSection& section, const std::string& type)
{
    std::unique_ptr<Part> part(new Part());
    part->m_pSection = &section;
    part->m_Type = type;
    std::string base;
    if (!MaterialName(section.Find("material"), base))
    {
        if (!section.Find("material"))
            Error(section.Where(), "[" + section.m_Name + "] needs a material");
        return;
    }
    for (int c = 0; c < ZE_FACE_CLASSES; ++c)
    {
        part->m_aMaterials[c] = base;
        MaterialName(section.Find(kClassKeys[c]), part->m_aMaterials[c]);
    }
    if (const ZEModelValue* texture = section.Find("texture"))
    {
        if (!m_Images.count(texture->m_Text))
            Error(texture->Where(), "unknown image '" + texture->m_Text + "'");
        else
            part->m_Texture = texture->m_Text;
        const ZEModelValue* projection = section.Find("projection");
        std::string mode = projection ? projection->m_Text : "side";
        const std::pair<const char*, Projection> modes[] = {
            {"side", PROJECT_SIDE}, {"front", PROJECT_FRONT}, {"back", PROJECT_BACK}, {"top", PROJECT_TOP}};
        bool found = false;
        for (const auto& m : modes)
            if (mode == m.first)
            {
                part->m_Projection = m.second;
                found = true;
            }
        if (!found)
            Error(projection->Where(), "projection is side, front, back or top");
        const ZEModelValue* on = section.Find("texture_on");
        std::vector<std::string> classes = on ? ZESplitWords(on->m_Text) : std::vector<std::string>{mode};
        for (const std::string& name : classes)
        {
            auto c = std::find(std::begin(kClassKeys), std::end(kClassKeys), name);
            if (c == std::end(kClassKeys))
                Error(on ? on->Where() : section.Where(), "texture_on lists top, bottom, side, front or back");
            else
                part->m_abTextured[c - std::begin(kClassKeys)] = true;
        }
    }
    Vector(section, "center", part->m_vCenter);
    Vector(section, "rotate", part->m_vRotate);
    if (const ZEModelValue* mirror = section.Find("mirror"))
    {
        if (mirror->m_Text != "x" && mirror->m_Text != "no")
            Error(mirror->Where(), "mirror is x (a second copy mirrored across x = 0) or no");
        part->m_bMirror = mirror->m_Text == "x";
    }
    if (const ZEModelValue* repeat = section.Find("repeat"))
    {
        std::vector<float> numbers;
        if (Numbers(repeat, 4, numbers))
        {
            if (numbers[0] < 1.0f || numbers[0] > 64.0f || numbers[0] != std::floor(numbers[0]))
                Error(repeat->Where(), "repeat = count dx dy dz with a count from 1 to 64");
            else
            {
                part->m_iRepeat = static_cast<int>(numbers[0]);
                part->m_vRepeatStep = ZEVector(numbers[1], numbers[2], numbers[3]);
            }
        }
    }
    float last = kMaxLevels - 1;
    if (Number(section, "lod", last, false))
    {
        if (last < 0.0f || last >= kMaxLevels || last != std::floor(last))
            Error(section.Find("lod")->Where(), "lod is the last level the part appears at: 0, 1 or 2");
        part->m_iLastLevel = static_cast<int>(last);
    }
    if (const ZEModelValue* shade = section.Find("shade"))
    {
        if (shade->m_Text != "yes" && shade->m_Text != "no")
            Error(shade->Where(), "shade is yes or no");
        part->m_bShade = shade->m_Text != "no";
    }
    // Parse the shape once at level 0 so its own errors show now.
    ZEMesh probe;
    if (BuildShape(*part, 0, probe))
        m_aParts.push_back(std::move(part));
}

void Compiler::ReadWheels(const ZEModelSection& section)
{
    const TypeKeys& keys = kPartTypes.back();
    CheckKeys(section, keys.m_aKeys);
    if (!m_bCar)
    {
        Error(section.Where(), "only a car has wheels");
        return;
    }
    if (m_pWheels)
    {
        Error(section.Where(), "a car has one set of wheels");
        return;
    }
    std::unique_ptr<WheelSet> wheels(new WheelSet());
    wheels->m_pSection = &section;
    bool ok = Number(section, "radius", wheels->m_Shape.m_fRadius, true);
    ok = Number(section, "width", wheels->m_Shape.m_fWidth, true) && ok;
    ok = Number(section, "track", wheels->m_fTrack, true) && ok;
    ok = Number(section, "front", wheels->m_fFront, true) && ok;
    ok = Number(section, "rear", wheels->m_fRear, true) && ok;
    wheels->m_Shape.m_fRimRadius = 0.6f * wheels->m_Shape.m_fRadius;
    Number(section, "rim_radius", wheels->m_Shape.m_fRimRadius, false);
    Number(section, "steer", wheels->m_fSteer, false);
    float spokes = 5.0f;
    if (Number(section, "spokes", spokes, false))
        wheels->m_Shape.m_iSpokes = std::max(1, static_cast<int>(spokes));
    Levels(section, "segments", wheels->m_aiSegments);
    Levels(section, "frames", wheels->m_aiFrames);
    if (!ok)
        return;
    if (wheels->m_Shape.m_fRadius <= 0.5f || wheels->m_Shape.m_fWidth <= 0.2f)
        Error(section.Where(), "wheels need a radius above 0.5 and a width above 0.2");
    if (wheels->m_fFront <= wheels->m_fRear)
        Error(section.Where(), "the front wheels must be ahead of the rear wheels");
    for (int frames : wheels->m_aiFrames)
        if (frames < 4)
            Error(section.Find("frames")->Where(), "a wheel turn needs at least 4 key frames");
    for (int segments : wheels->m_aiSegments)
        if (segments < 6)
            Error(section.Find("segments")->Where(), "a wheel needs at least 6 segments");
    const std::pair<const char*, ZEWheelTag> surfaces[] = {
        {"tyre", ZE_WHEEL_TYRE}, {"tread", ZE_WHEEL_TREAD}, {"rim", ZE_WHEEL_RIM}, {"gap", ZE_WHEEL_GAP},
        {"hub", ZE_WHEEL_HUB}};
    if (!MaterialName(section.Find("tyre"), wheels->m_aMaterials[ZE_WHEEL_TYRE]) ||
        !MaterialName(section.Find("rim"), wheels->m_aMaterials[ZE_WHEEL_RIM]))
    {
        if (!section.Find("tyre") || !section.Find("rim"))
            Error(section.Where(), "wheels need the materials tyre and rim");
        return;
    }
    wheels->m_aMaterials[ZE_WHEEL_TREAD] = wheels->m_aMaterials[ZE_WHEEL_TYRE];
    wheels->m_aMaterials[ZE_WHEEL_GAP] = wheels->m_aMaterials[ZE_WHEEL_TYRE];
    wheels->m_aMaterials[ZE_WHEEL_HUB] = wheels->m_aMaterials[ZE_WHEEL_RIM];
    for (const auto& surface : surfaces)
        MaterialName(section.Find(surface.first), wheels->m_aMaterials[surface.second]);
    m_pWheels = std::move(wheels);
}

bool Compiler::ReadStations(const ZEModelSection& section, std::vector<ZELoftStation>& stations)
{
    stations.clear();
    for (const ZEModelValue* value : section.FindAll("station"))
    {
        std::vector<float> n;
        if (!Numbers(value, 4, n, 5))
            return false;
        ZELoftStation station{n[0], n[1], n[2], n[3], n.size() > 4 ? n[4] : n[3]};
        if (station.m_fTop <= station.m_fBottom || station.m_fBottomHalfWidth <= 0.0f ||
            station.m_fTopHalfWidth <= 0.0f)
        {
            Error(value->Where(), "a station is z bottom top halfwidth [tophalfwidth] with top above bottom and "
                                  "positive widths");
            return false;
        }
        if (!stations.empty() && station.m_fZ <= stations.back().m_fZ)
        {
            Error(value->Where(), "stations must go forward (rising z)");
            return false;
        }
        stations.push_back(station);
    }
    if (stations.size() < 2)
    {
        Error(section.Where(), "[" + section.m_Name + "] needs at least two stations");
        return false;
    }
    return true;
}

bool Compiler::ReadPoints(const ZEModelSection& section, const std::string& key, std::vector<ZEPoint2>& points,
                          size_t least)
{
    const ZEModelValue* value = section.Find(key);
    if (!value)
    {
        Error(section.Where(), "[" + section.m_Name + "] needs " + key);
        return false;
    }
    size_t words = ZESplitWords(value->m_Text).size();
    std::vector<float> numbers;
    if (words < 2 * least || words % 2 != 0)
    {
        Error(value->Where(), key + " needs at least " + std::to_string(least) + " x y pairs");
        return false;
    }
    if (!Numbers(value, words, numbers))
        return false;
    points.clear();
    for (size_t i = 0; i < numbers.size(); i += 2)
        points.push_back(ZEPoint2{numbers[i], numbers[i + 1]});
    return true;
}

// The part's shape in its own frame, axis applied, at a level of detail.
bool Compiler::BuildShape(const Part& part, int level, ZEMesh& mesh)
{
    const ZEModelSection& section = *part.m_pSection;
    std::vector<int> segments{16, 12, 8};
    Levels(section, "segments", segments);
    int count = PerLevel(segments, level);
    ZEVector axisTurn;   // maps the shape's own axis onto the one asked for
    if (const ZEModelValue* axis = section.Find("axis"))
    {
        bool lathe = part.m_Type == "cylinder" || part.m_Type == "cone" || part.m_Type == "lathe";
        // Flat shapes keep their outline readable: along x it is (z, y),
        // along y (x, z), along z (x, y).
        if (axis->m_Text == "x")
            axisTurn = lathe ? ZEVector(0, 0, -90) : ZEVector(0, -90, 0);
        else if (axis->m_Text == "y")
            axisTurn = lathe ? ZEVector() : ZEVector(90, 0, 0);
        else if (axis->m_Text == "z")
            axisTurn = lathe ? ZEVector(90, 0, 0) : ZEVector();
        else
        {
            Error(axis->Where(), "axis is x, y or z");
            return false;
        }
    }
    const std::string& type = part.m_Type;
    float a = 0.0f, b = 0.0f, c = 0.0f;
    std::vector<float> n;
    if (type == "box")
    {
        ZEVector size;
        if (!Vector(section, "size", size) || size.x <= 0 || size.y <= 0 || size.z <= 0)
        {
            Error(section.Where(), "a box needs size = x y z, all positive");
            return false;
        }
        mesh = ZEMakeBox(size * 0.5f);
    }
    else if (type == "cylinder" || type == "cone")
    {
        if (!Number(section, "radius", a, true) || !Number(section, "length", b, true))
            return false;
        if (type == "cylinder")
        {
            c = a;
            Number(section, "top_radius", c, false);
        }
        if (a <= 0.0f || b <= 0.0f || c < 0.0f)
        {
            Error(section.Where(), "radius and length must be positive");
            return false;
        }
        mesh = ZEMakeCylinder(a, c, b, count);
    }
    else if (type == "sphere")
    {
        if (!Number(section, "radius", a, true))
            return false;
        if (a <= 0.0f)
        {
            Error(section.Where(), "the radius must be positive");
            return false;
        }
        mesh = ZEMakeSphere(a, count);
    }
    else if (type == "lathe")
    {
        std::vector<ZEPoint2> profile;
        if (!ReadPoints(section, "profile", profile))
            return false;
        for (const ZEPoint2& p : profile)
            if (p.x < 0.0f)
            {
                Error(section.Find("profile")->Where(), "a profile's radii are 0 or more");
                return false;
            }
        mesh = ZEMakeLathe(profile, count);
    }
    else if (type == "loft")
    {
        std::vector<ZELoftStation> stations;
        if (!ReadStations(section, stations))
            return false;
        float round = 0.0f;
        Number(section, "round", round, false);
        std::vector<int> steps{2, 1, 1};
        Levels(section, "round_steps", steps);
        mesh = ZEMakeLoft(stations, std::max(0.0f, round), PerLevel(steps, level));
    }
    else if (type == "stripe")
    {
        bool ok = true;
        mesh = StripeShape(part, level, ok);
        if (!ok)
            return false;
    }
    else if (type == "extrude")
    {
        std::vector<ZEPoint2> outline;
        if (!ReadPoints(section, "outline", outline) || !Number(section, "depth", a, true))
            return false;
        std::string why;
        mesh = ZEMakeExtrusion(outline, a, why);
        if (!why.empty() || a <= 0.0f)
        {
            Error(section.Find("outline")->Where(), why.empty() ? "the depth must be positive" : why);
            return false;
        }
    }
    else if (type == "arc")
    {
        const ZEModelValue* radius = section.Find("radius");
        const ZEModelValue* angles = section.Find("angles");
        std::vector<float> r, t;
        if (!radius || !angles || !Numbers(radius, 2, r) || !Numbers(angles, 2, t) ||
            !Number(section, "depth", a, true))
        {
            if (!radius || !angles)
                Error(section.Where(), "an arc needs radius = inner outer, angles = from to and depth");
            return false;
        }
        if (r[0] <= 0.0f || r[1] <= r[0] || t[1] <= t[0] || a <= 0.0f)
        {
            Error(radius->Where(), "an arc needs 0 < inner < outer, from < to and a positive depth");
            return false;
        }
        mesh = ZEMakeArc(r[0], r[1], t[0], t[1], a, count);
    }
    if (section.Find("scale") && Numbers(section.Find("scale"), 3, n))
        for (ZEVector& p : mesh.m_aPositions)
            p = ZEVector(p.x * n[0], p.y * n[1], p.z * n[2]);
    mesh.Transform(axisTurn, ZEVector(), false);
    mesh.Orient();
    mesh.Classify();
    return true;
}

// A thin strip laid along the top of another loft between `from` and `to`,
// `raise` above it, centred on the part's centre x.
ZEMesh Compiler::StripeShape(const Part& part, int level, bool& ok)
{
    const ZEModelSection& section = *part.m_pSection;
    if (section.Find("path"))
        return PathStripe(section, ok);
    const ZEModelValue* follow = section.Find("follow");
    const ZEModelSection* loft = follow ? m_Description.Find(follow->m_Text) : nullptr;
    const ZEModelValue* loftType = loft ? loft->Find("type") : nullptr;
    ok = false;
    if (!loft || !loftType || loftType->m_Text != "loft")
    {
        Error(follow ? follow->Where() : section.Where(), "a stripe follows a loft: follow = <loft section>");
        return ZEMesh();
    }
    std::vector<ZELoftStation> stations;
    float width = 0.0f, raise = 0.1f;
    if (!ReadStations(*loft, stations) || !Number(section, "width", width, true))
        return ZEMesh();
    Number(section, "raise", raise, false);
    float from = stations.front().m_fZ, to = stations.back().m_fZ;
    Number(section, "from", from, false);
    Number(section, "to", to, false);
    auto topAt = [&](float z) {
        for (size_t i = 0; i + 1 < stations.size(); ++i)
            if (z <= stations[i + 1].m_fZ)
            {
                float t = (z - stations[i].m_fZ) / (stations[i + 1].m_fZ - stations[i].m_fZ);
                return stations[i].m_fTop + t * (stations[i + 1].m_fTop - stations[i].m_fTop);
            }
        return stations.back().m_fTop;
    };
    std::vector<float> zs{from};
    for (const ZELoftStation& s : stations)
        if (s.m_fZ > from && s.m_fZ < to)
            zs.push_back(s.m_fZ);
    zs.push_back(to);
    if (width <= 0.0f || to <= from || from < stations.front().m_fZ || to > stations.back().m_fZ)
    {
        Error(section.Where(), "a stripe needs a positive width and from < to within the loft it follows");
        return ZEMesh();
    }
    std::vector<ZELoftStation> strip;
    for (float z : zs)
    {
        float top = topAt(z) + raise;
        strip.push_back(ZELoftStation{z, top - 0.3f - raise, top, 0.5f * width, 0.5f * width});
    }
    ok = true;
    (void)level;
    return ZEMakeLoft(strip, 0.0f, 0);
}

// A band `width` wide across x laid along a side-view path of (z, y)
// points: from `raise` above the path to 0.3 below it.
ZEMesh Compiler::PathStripe(const ZEModelSection& section, bool& ok)
{
    std::vector<ZEPoint2> path;
    float width = 0.0f, raise = 0.1f;
    ok = false;
    if (!ReadPoints(section, "path", path, 2) || !Number(section, "width", width, true))
        return ZEMesh();
    Number(section, "raise", raise, false);
    for (size_t i = 1; i < path.size(); ++i)
        if (path[i].x == path[i - 1].x && path[i].y == path[i - 1].y)
        {
            Error(section.Find("path")->Where(), "the path repeats a point");
            return ZEMesh();
        }
    std::vector<ZEPoint2> outline;
    for (const ZEPoint2& p : path)
        outline.push_back(ZEPoint2{p.x, p.y + raise});
    for (auto it = path.rbegin(); it != path.rend(); ++it)
        outline.push_back(ZEPoint2{it->x, it->y - 0.3f});
    std::string why;
    ZEMesh mesh = ZEMakeExtrusion(outline, width, why);
    if (!why.empty() || width <= 0.0f)
    {
        Error(section.Find("path")->Where(), why.empty() ? "the width must be positive" : why);
        return ZEMesh();
    }
    // The outline is (z, y): turn the extrusion's depth onto x.
    mesh.Transform(ZEVector(0, -90, 0), ZEVector(), false);
    ok = true;
    return mesh;
}

void Compiler::BuildPieces(int level, std::vector<Piece>& pieces)
{
    for (const std::unique_ptr<Part>& part : m_aParts)
    {
        if (level > part->m_iLastLevel)
            continue;
        ZEMesh shape;
        if (!BuildShape(*part, level, shape))
            continue;
        for (int copy = 0; copy < part->m_iRepeat; ++copy)
            for (int side = 0; side < (part->m_bMirror ? 2 : 1); ++side)
            {
                Piece piece;
                piece.m_pPart = part.get();
                piece.m_Mesh = shape;
                piece.m_Mesh.Transform(part->m_vRotate, part->m_vCenter + part->m_vRepeatStep * copy, side == 1);
                std::string problem = piece.m_Mesh.Check();
                if (!problem.empty())
                    Error(part->m_pSection->Where(), "part [" + part->m_pSection->m_Name + "] at level " +
                                                         std::to_string(level) + ": " + problem);
                else
                    pieces.push_back(std::move(piece));
            }
    }
}

// Wheels 0..3: front left, front right, rear left, rear right.
ZEVector Compiler::WheelCentre(int wheel) const
{
    const WheelSet& w = *m_pWheels;
    float x = wheel % 2 == 0 ? -w.m_fTrack : w.m_fTrack;
    float z = wheel < 2 ? w.m_fFront : w.m_fRear;
    return ZEVector(x, -0.5f * m_vSize.y + w.m_Shape.m_fRadius, z);
}

// Rolled forward by frame / frames of a turn, mirrored for the left side,
// steered (front wheels) and moved to its place.
ZEMesh Compiler::WheelPose(int level, int wheel, float steer, int frame) const
{
    const WheelSet& w = *m_pWheels;
    int frames = PerLevel(w.m_aiFrames, level);
    ZEMesh mesh = ZEMakeWheel(w.m_Shape, PerLevel(w.m_aiSegments, level));
    mesh.Classify();
    mesh.Transform(ZEVector(360.0f * frame / frames, 0.0f, 0.0f), ZEVector(), wheel % 2 == 0);
    mesh.Transform(ZEVector(0.0f, wheel < 2 ? steer : 0.0f, 0.0f), WheelCentre(wheel), false);
    return mesh;
}

void Compiler::Grow(const ZEVector& p)
{
    if (!m_bAny)
    {
        m_vMin = m_vMax = p;
        m_bAny = true;
        return;
    }
    m_vMin = ZEVector(std::min(m_vMin.x, p.x), std::min(m_vMin.y, p.y), std::min(m_vMin.z, p.z));
    m_vMax = ZEVector(std::max(m_vMax.x, p.x), std::max(m_vMax.y, p.y), std::max(m_vMax.z, p.z));
}

void Compiler::CheckExtents(const std::vector<Piece>& pieces)
{
    const char* axes = "xyz";
    std::set<const ZEModelSection*>& reported = m_ReportedParts;
    for (const Piece& piece : pieces)
        for (const ZEVector& p : piece.m_Mesh.m_aPositions)
        {
            Grow(p);
            if (!m_bBounds || reported.count(piece.m_pPart->m_pSection))
                continue;
            const float* v = &p.x;
            for (int i = 0; i < 3; ++i)
            {
                float low = (&m_vBoundsMin.x)[i], high = (&m_vBoundsMax.x)[i];
                if (v[i] < low - kBoxTolerance || v[i] > high + kBoxTolerance)
                {
                    Error(piece.m_pPart->m_pSection->Where(),
                          "part [" + piece.m_pPart->m_pSection->m_Name + "] reaches " + axes[i] + " = " +
                              std::to_string(v[i]) + ", outside the declared " +
                              (m_bCar ? "box " : "bounds ") + std::to_string(low) + " to " + std::to_string(high));
                    reported.insert(piece.m_pPart->m_pSection);
                    break;
                }
            }
        }
}

void Compiler::CheckWheelExtents()
{
    const WheelSet& w = *m_pWheels;
    for (int level = 0; level < m_iLevels; ++level)
        for (float steer : {0.0f, -w.m_fSteer, w.m_fSteer})
            for (int wheel = 0; wheel < 4; ++wheel)
            {
                ZEMesh mesh = WheelPose(level, wheel, steer, 0);
                std::string problem = mesh.Check();
                if (!problem.empty())
                {
                    Error(w.m_pSection->Where(), "the wheels: " + problem);
                    return;
                }
                Piece piece;
                Part stand;
                stand.m_pSection = w.m_pSection;
                piece.m_pPart = &stand;
                piece.m_Mesh = std::move(mesh);
                std::vector<Piece> pieces;
                pieces.push_back(piece);
                size_t before = m_aErrors.size();
                CheckExtents(pieces);
                if (m_aErrors.size() != before)
                    return;
            }
    if (m_bTyre && std::fabs(w.m_fTrack - (0.5f * m_vSize.x - m_fTyreInset)) > 1.0f)
        Error(w.m_pSection->Where(), "the wheel track " + std::to_string(w.m_fTrack) +
                                         " does not match the tyre inset: half the width less the inset is " +
                                         std::to_string(0.5f * m_vSize.x - m_fTyreInset));
}

// The box centre is where the description assumes only when the parts
// reach every face of the declared box.
void Compiler::CheckFill()
{
    if (!m_bCar || !m_bAny)
        return;
    const char* faces[6] = {"left (-x)", "bottom (-y)", "rear (-z)", "right (+x)", "top (+y)", "front (+z)"};
    for (int i = 0; i < 3; ++i)
    {
        if ((&m_vMin.x)[i] > (&m_vBoundsMin.x)[i] + kFillTolerance)
            Error(m_pModel->Find("size")->Where(), std::string("the parts fall short of the box's ") + faces[i] +
                                                      " face: they reach " + std::to_string((&m_vMin.x)[i]));
        if ((&m_vMax.x)[i] < (&m_vBoundsMax.x)[i] - kFillTolerance)
            Error(m_pModel->Find("size")->Where(), std::string("the parts fall short of the box's ") +
                                                      faces[i + 3] + " face: they reach " +
                                                      std::to_string((&m_vMax.x)[i]));
    }
}

uint32_t Compiler::MaterialNumber(ZEZmfWriter& writer, uint8_t r, uint8_t g, uint8_t b)
{
    auto key = std::make_tuple(r, g, b);
    auto found = m_MaterialNumbers.find(key);
    if (found != m_MaterialNumbers.end())
        return found->second;
    uint32_t number = writer.AddMaterial(r, g, b);
    m_MaterialNumbers[key] = number;
    return number;
}

void Compiler::WriteTextures(ZEZmfWriter& writer)
{
    for (const std::unique_ptr<Part>& part : m_aParts)
    {
        if (part->m_Texture.empty())
            continue;
        Image& image = m_Images[part->m_Texture];
        if (image.m_ulNumber)
            continue;
        image.m_ulNumber = writer.AddTexture(ZEString(part->m_Texture.c_str()), image.m_pImage->GetWidth(),
                                             image.m_pImage->GetHeight(), image.m_pImage->GetPixels());
    }
}

void Compiler::AddToGroup(std::vector<ZEZmfWriter::Group>& groups, std::map<GroupKey, size_t>& index,
                          ZEZmfWriter& writer, const Material& material, float shade, uint32_t texture, uint32_t a,
                          uint32_t b, uint32_t c)
{
    // A textured face takes its colours from the image, only shaded.
    ZEColor base = texture ? ZEColor{255, 255, 255} : material.m_Color;
    GroupKey key{static_cast<uint8_t>(base.r * shade), static_cast<uint8_t>(base.g * shade),
                 static_cast<uint8_t>(base.b * shade), texture, material.m_fOpacity};
    auto found = index.find(key);
    if (found == index.end() || groups[found->second].m_ausIndices.size() >= 3 * 21000)
    {
        ZEZmfWriter::Group group;
        group.m_usTexture = static_cast<uint16_t>(texture);
        group.m_usMaterial = static_cast<uint16_t>(MaterialNumber(writer, key.r, key.g, key.b));
        group.m_fOpacity = material.m_fOpacity;
        groups.push_back(group);
        found = index.insert_or_assign(key, groups.size() - 1).first;
    }
    std::vector<uint16_t>& indices = groups[found->second].m_ausIndices;
    indices.insert(indices.end(), {static_cast<uint16_t>(a), static_cast<uint16_t>(b), static_cast<uint16_t>(c)});
}

void Compiler::WriteLevel(ZEZmfWriter& writer, int level, ZEModelReport& report)
{
    std::vector<Piece> pieces;
    BuildPieces(level, pieces);
    uint32_t levelIndex = writer.AddLevel();

    // The static groups, shared by every key frame of every animation.
    std::vector<ZEZmfWriter::Group> statics;
    std::map<GroupKey, size_t> staticIndex;
    for (const Piece& piece : pieces)
    {
        const Part& part = *piece.m_pPart;
        const Image* image = part.m_Texture.empty() ? nullptr : &m_Images[part.m_Texture];
        uint32_t base = static_cast<uint32_t>(writer.m_aVertices.size());
        for (const ZEVector& p : piece.m_Mesh.m_aPositions)
        {
            float u = 0.0f, v = 0.0f;
            if (image)
            {
                const float* area = image->m_afArea;
                float along = part.m_Projection == PROJECT_SIDE ? p.z
                                                                : (part.m_Projection == PROJECT_FRONT ? -p.x : p.x);
                float up = part.m_Projection == PROJECT_TOP ? p.z : p.y;
                u = (along - area[0]) / (area[2] - area[0]);
                v = (up - area[1]) / (area[3] - area[1]);
            }
            ZEVector out = Out(p);
            writer.AddVertex(out.x, out.y, out.z, u, v);
        }
        for (const ZEMeshTriangle& t : piece.m_Mesh.m_aTriangles)
        {
            const Material& material = m_Materials[part.m_aMaterials[t.m_ucClass]];
            uint32_t texture = image && part.m_abTextured[t.m_ucClass] ? image->m_ulNumber : 0;
            float shade = part.m_bShade ? Shade(piece.m_Mesh.Normal(t)) : 1.0f;
            AddToGroup(statics, staticIndex, writer, material, shade, texture, base + t.m_aulIndex[0],
                       base + t.m_aulIndex[1], base + t.m_aulIndex[2]);
        }
    }
    uint32_t triangles = 0;
    for (const ZEZmfWriter::Group& group : statics)
        triangles += static_cast<uint32_t>(group.m_ausIndices.size() / 3);

    if (!m_bCar || !m_pWheels)
    {
        writer.AddAnimation(levelIndex, ZEString("default"));
        writer.AddKeyFrame(levelIndex, 0, 0);
        for (const ZEZmfWriter::Group& group : statics)
            writer.AddGroup(levelIndex, 0, 0, group);
        report.m_aulTriangles.push_back(triangles);
        return;
    }

    const WheelSet& w = *m_pWheels;
    int frames = PerLevel(w.m_aiFrames, level);
    uint32_t cycle = static_cast<uint32_t>(std::lround(251.0f * w.m_Shape.m_fRadius));
    const float steers[3] = {0.0f, -w.m_fSteer, w.m_fSteer};
    uint32_t wheelTriangles = 0;
    for (uint32_t a = 0; a < 3; ++a)
    {
        uint32_t animation = writer.AddAnimation(levelIndex, ZEString(kCarAnimations[a]));
        for (int k = 0; k <= frames; ++k)
        {
            uint32_t time = static_cast<uint32_t>(std::lround(static_cast<double>(cycle) * k / frames));
            uint32_t keyFrame = writer.AddKeyFrame(levelIndex, animation, time);
            for (ZEZmfWriter::Group group : statics)
            {
                if (k > 0)
                {
                    group.m_usMode = ZE_ZMF_SAME_AS_PREVIOUS;
                    group.m_ausIndices.clear();
                }
                writer.AddGroup(levelIndex, animation, keyFrame, group);
            }
            // The wheels: grouped by surface and shade as at rest, so every
            // key frame has the same groups; the last frame reuses the first
            // frame's vertices (a whole turn).
            std::vector<ZEZmfWriter::Group> wheelGroups;
            std::map<GroupKey, size_t> wheelIndex;
            for (int wheel = 0; wheel < 4; ++wheel)
            {
                float steer = wheel < 2 ? steers[a] : 0.0f;
                int pose = k % frames;
                ZEMesh rest = WheelPose(level, wheel, steer, 0);
                auto key = std::make_tuple(level, wheel, static_cast<int>(std::lround(steer * 100)), pose);
                auto found = m_WheelVertices.find(key);
                uint32_t base;
                if (found != m_WheelVertices.end())
                    base = found->second;
                else
                {
                    ZEMesh mesh = WheelPose(level, wheel, steer, pose);
                    base = static_cast<uint32_t>(writer.m_aVertices.size());
                    for (const ZEVector& p : mesh.m_aPositions)
                    {
                        ZEVector out = Out(p);
                        writer.AddVertex(out.x, out.y, out.z, 0.0f, 0.0f);
                    }
                    m_WheelVertices[key] = base;
                }
                for (const ZEMeshTriangle& t : rest.m_aTriangles)
                {
                    const Material& material = m_Materials[w.m_aMaterials[t.m_ucTag]];
                    ZEVector n = rest.Normal(t);
                    float shade = t.m_ucTag == ZE_WHEEL_TREAD || std::fabs(n.x) < 0.5f
                                      ? 0.8f
                                      : Shade(ZEVector(n.x > 0 ? 1.0f : -1.0f, 0.0f, 0.0f));
                    AddToGroup(wheelGroups, wheelIndex, writer, material, shade, 0, base + t.m_aulIndex[0],
                               base + t.m_aulIndex[1], base + t.m_aulIndex[2]);
                }
            }
            wheelTriangles = 0;
            for (const ZEZmfWriter::Group& group : wheelGroups)
            {
                writer.AddGroup(levelIndex, animation, keyFrame, group);
                wheelTriangles += static_cast<uint32_t>(group.m_ausIndices.size() / 3);
            }
        }
    }
    report.m_aulTriangles.push_back(triangles + wheelTriangles);
}

bool Compiler::Run(ZEZmfWriter& writer, ZEModelReport& report)
{
    ReadModel();
    ReadMaterials();
    ReadImages();
    if (!m_aErrors.empty())
        return false;
    ReadParts();
    if (m_bCar && !m_pWheels && m_aErrors.empty())
        Error(m_pModel->Where(), "a car needs a [wheels] section");
    if (!m_aErrors.empty())
        return false;

    for (int level = 0; level < m_iLevels; ++level)
    {
        std::vector<Piece> pieces;
        BuildPieces(level, pieces);
        CheckExtents(pieces);
    }
    if (m_pWheels)
        CheckWheelExtents();
    CheckFill();
    if (!m_aErrors.empty())
        return false;

    report = ZEModelReport();
    report.m_bCar = m_bCar;
    if (m_bCar)
    {
        m_vOutOffset = ZEVector(0.0f, 0.5f * m_vSize.y, m_fRearAxle - m_pWheels->m_fRear);
        report.m_fRearAxle = m_fRearAxle;
        report.m_fRearContactZ = m_pWheels->m_fRear + m_vOutOffset.z;
        report.m_fWheelRadius = m_pWheels->m_Shape.m_fRadius;
        report.m_fWheelTrack = m_pWheels->m_fTrack;
    }
    WriteTextures(writer);
    for (int level = 0; level < m_iLevels; ++level)
        WriteLevel(writer, level, report);
    if (writer.m_aVertices.size() > 65535)
    {
        Error(m_pModel->Where(), "the model needs " + std::to_string(writer.m_aVertices.size()) +
                                     " vertices, more than 65535: use fewer segments or key frames");
        return false;
    }
    report.m_ulVertices = static_cast<uint32_t>(writer.m_aVertices.size());
    report.m_ulTextures = static_cast<uint32_t>(writer.m_aTextures.size());
    report.m_ulMaterials = static_cast<uint32_t>(writer.m_aMaterials.size());
    report.m_ulAnimations = static_cast<uint32_t>(writer.m_aLevels[0].m_aAnimations.size());
    report.m_vMin = Out(m_vMin);
    report.m_vMax = Out(m_vMax);
    return true;
}

std::string Format(const char* format, double a, double b, double c)
{
    char text[128];
    std::snprintf(text, sizeof(text), format, a, b, c);
    return text;
}
}

std::string ZEModelReport::Describe() const
{
    std::ostringstream text;
    text << "  triangles per level:";
    for (uint32_t count : m_aulTriangles)
        text << ' ' << count;
    text << "\n  " << m_ulVertices << " vertices, " << m_ulTextures << " textures, " << m_ulMaterials
         << " materials, " << m_ulAnimations << " animations\n";
    text << "  box " << Format("(%.2f, %.2f, %.2f)", m_vMin.x, m_vMin.y, m_vMin.z) << " to "
         << Format("(%.2f, %.2f, %.2f)", m_vMax.x, m_vMax.y, m_vMax.z) << "\n";
    ZEVector size = m_vMax - m_vMin;
    ZEVector centre = (m_vMin + m_vMax) * 0.5f;
    text << "  width x height x length " << Format("%.2f x %.2f x %.2f", size.x, size.y, size.z)
         << ", ground height " << Format("%.2f", std::fabs(m_vMin.y) + 0.05f, 0, 0) << ", box centre "
         << Format("(%.2f, %.2f, %.2f)", centre.x, centre.y, centre.z) << "\n";
    if (m_bCar)
        text << "  rear wheels touch at z = " << Format("%.2f", m_fRearContactZ, 0, 0) << " (rear axle "
             << Format("%.2f", m_fRearAxle, 0, 0) << "), wheel radius " << Format("%.2f", m_fWheelRadius, 0, 0)
             << " (a turn every " << std::lround(251.0f * m_fWheelRadius) << " ms), track +-"
             << Format("%.2f", m_fWheelTrack, 0, 0) << "\n";
    return text.str();
}

bool ZEModelCompiler::Compile(const ZEModelDescription& description, ZEZmfWriter& writer, ZEModelReport& report)
{
    m_aErrors = description.GetErrors();
    if (!m_aErrors.empty())
        return false;
    Compiler compiler(description, m_aErrors);
    if (!compiler.Run(writer, report))
        return false;
    std::vector<uint8_t> bytes;
    if (!writer.Build(bytes))
    {
        m_aErrors.push_back("the model does not form a loadable file: " + std::string(writer.GetError().CStr()));
        return false;
    }
    return true;
}

bool ZECompileModelFile(const std::string& input, const std::string& output, std::vector<std::string>& errors,
                        ZEModelReport& report)
{
    ZEModelDescription description;
    description.Load(input);
    ZEModelCompiler compiler;
    ZEZmfWriter writer;
    bool ok = compiler.Compile(description, writer, report);
    errors = compiler.GetErrors();
    if (!ok)
        return false;
    if (!writer.Write(ZEString(output.c_str())))
    {
        errors.push_back(output + ": " + writer.GetError().CStr());
        return false;
    }
    return true;
}

std::string ZEDescribeModelKeys()
{
    std::ostringstream text;
    text << "[model]: kind levels size rear_axle tyre bounds\n";
    text << "[materials]: <name> = r g b [opacity]\n";
    text << "image:";
    for (const std::string& key : kImageKeys)
        text << ' ' << key;
    text << "\nevery part:";
    for (const std::string& key : kCommonKeys)
        text << ' ' << key;
    text << '\n';
    for (const TypeKeys& type : kPartTypes)
    {
        text << type.m_pType << ':';
        for (const std::string& key : type.m_aKeys)
            text << ' ' << key;
        text << '\n';
    }
    return text.str();
}
