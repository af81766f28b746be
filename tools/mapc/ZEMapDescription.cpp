#include "ZEMapDescription.h"

// The parser is used without exceptions and compiled into this file alone.
#define TOML_EXCEPTIONS 0
#define TOML_HEADER_ONLY 1
#define TOML_ENABLE_FORMATTERS 0
#include <toml++/toml.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

void ZEMapMessages::Error(uint32_t line, const ZEString& text)
{
    if (line > 0)
        m_aErrors.push_back(ZEString::Format("%s:%u: %s", m_File.CStr(), line, text.CStr()));
    else
        m_aErrors.push_back(ZEString::Format("%s: %s", m_File.CStr(), text.CStr()));
}

namespace
{
const double kHuge = 1e6;          // no coordinate of a map lies beyond this
const uint32_t kMaxNameLength = 11;
const uint32_t kMaxModelName = 31;

uint32_t LineOf(const toml::node& node)
{
    return static_cast<uint32_t>(node.source().begin.line);
}

// One table of the description: typed reads with ranges, defaults for
// absent keys, and a note of every key read so Finish() can refuse the
// rest as unknown.
class Section
{
public:
    // In a scene map (`scene`) no place may be given along the track.
    Section(const toml::table* table, const std::string& name, uint32_t line, ZEMapMessages& messages,
            const std::vector<ZEMapTexture>* textures, bool scene = false)
        : m_pTable(table), m_Name(name), m_ulLine(line), m_Messages(messages), m_pTextures(textures),
          m_bScene(scene)
    {
    }

    bool Has(const char* key)
    {
        m_Known.insert(key);
        return m_pTable && m_pTable->get(key);
    }

    uint32_t Line(const char* key) const
    {
        const toml::node* node = m_pTable ? m_pTable->get(key) : nullptr;
        return node ? LineOf(*node) : m_ulLine;
    }

    uint32_t SectionLine() const { return m_ulLine; }

    void Fail(const char* key, const std::string& text)
    {
        m_Messages.Error(Line(key), ZEString::Format("[%s] %s: %s", m_Name.c_str(), key, text.c_str()));
    }

    // A number in [min, max]; `value` keeps its default when the key is
    // absent and is required when `required`.
    bool Number(const char* key, double& value, double min, double max, bool required = false)
    {
        const toml::node* node = Get(key);
        if (!node)
            return Missing(key, required);
        std::optional<double> number = node->is_number() ? node->value<double>() : std::nullopt;
        if (!number)
            return Wrong(key, "must be a number");
        if (!(*number >= min && *number <= max))
            return Wrong(key, Format("must be from %g to %g (is %g)", min, max, *number));
        value = *number;
        return true;
    }

    template <typename Int>
    bool Integer(const char* key, Int& value, int64_t min, int64_t max, bool required = false)
    {
        const toml::node* node = Get(key);
        if (!node)
            return Missing(key, required);
        std::optional<int64_t> number = node->is_integer() ? node->value<int64_t>() : std::nullopt;
        if (!number)
            return Wrong(key, "must be a whole number");
        if (*number < min || *number > max)
            return Wrong(key, Format("must be from %lld to %lld (is %lld)", static_cast<long long>(min),
                                     static_cast<long long>(max), static_cast<long long>(*number)));
        value = static_cast<Int>(*number);
        return true;
    }

    bool Bool(const char* key, bool& value)
    {
        const toml::node* node = Get(key);
        if (!node)
            return true;
        if (!node->is_boolean())
            return Wrong(key, "must be true or false");
        value = node->value<bool>().value_or(value);
        return true;
    }

    bool Text(const char* key, ZEString& value, uint32_t maxLength, bool required = false)
    {
        const toml::node* node = Get(key);
        if (!node)
            return Missing(key, required);
        std::optional<std::string> text = node->is_string() ? node->value<std::string>() : std::nullopt;
        if (!text)
            return Wrong(key, "must be a text in quotes");
        if (text->empty() || text->size() > maxLength)
            return Wrong(key, Format("must have 1 to %u characters (\"%s\" has %zu)", maxLength, text->c_str(),
                                     text->size()));
        value = text->c_str();
        return true;
    }

    // One of `choices`; its position in the list.
    bool Choice(const char* key, uint32_t& value, const std::vector<const char*>& choices)
    {
        ZEString text;
        if (!Has(key))
            return true;
        if (!Text(key, text, 32))
            return false;
        for (size_t i = 0; i < choices.size(); ++i)
            if (text == choices[i])
            {
                value = static_cast<uint32_t>(i);
                return true;
            }
        std::string list;
        for (const char* choice : choices)
            list += std::string(list.empty() ? "" : ", ") + "\"" + choice + "\"";
        return Wrong(key, "must be one of " + list);
    }

    // A texture declared in [textures]; its index.
    bool Texture(const char* key, uint16_t& value, bool required = false)
    {
        ZEString name;
        if (!Text(key, name, 64, required))
            return false;
        if (name.IsEmpty())
            return true;
        for (size_t i = 0; m_pTextures && i < m_pTextures->size(); ++i)
            if ((*m_pTextures)[i].m_Key == name)
            {
                value = static_cast<uint16_t>(i);
                return true;
            }
        return Wrong(key, Format("names the texture \"%s\", which [textures] does not declare", name.CStr()));
    }

    // `count` numbers in [min, max].
    bool Numbers(const char* key, double* values, size_t count, double min, double max, bool required = false)
    {
        const toml::node* node = Get(key);
        if (!node)
            return Missing(key, required);
        const toml::array* array = node->as_array();
        if (!array || array->size() != count)
            return Wrong(key, Format("must be a list of %zu numbers", count));
        for (size_t i = 0; i < count; ++i)
        {
            std::optional<double> number = (*array)[i].is_number() ? (*array)[i].value<double>() : std::nullopt;
            if (!number || !(*number >= min && *number <= max))
                return Wrong(key, Format("must be a list of %zu numbers from %g to %g", count, min, max));
            values[i] = *number;
        }
        return true;
    }

    bool Vec3(const char* key, ZEMapVec3& value, double min, double max, bool required = false)
    {
        double v[3] = {value.x, value.y, value.z};
        if (!Numbers(key, v, 3, min, max, required))
            return false;
        value = ZEMapVec3(v[0], v[1], v[2]);
        return true;
    }

    bool Vec2(const char* key, ZEMapVec2& value, bool required = false)
    {
        double v[2] = {value.x, value.z};
        if (!Numbers(key, v, 2, -kHuge, kHuge, required))
            return false;
        value = ZEMapVec2(v[0], v[1]);
        return true;
    }

    bool Color(const char* key, uint8_t* rgb)
    {
        double v[3] = {double(rgb[0]), double(rgb[1]), double(rgb[2])};
        if (!Numbers(key, v, 3, 0.0, 255.0))
            return false;
        for (int i = 0; i < 3; ++i)
            rgb[i] = static_cast<uint8_t>(v[i]);
        return true;
    }

    // A list of [x, z] pairs; each keeps its own line.
    bool Points(const char* key, std::vector<ZEMapVec2>& points, std::vector<uint32_t>* lines, size_t minCount)
    {
        const toml::node* node = Get(key);
        if (!node)
            return Missing(key, true);
        const toml::array* array = node->as_array();
        if (!array)
            return Wrong(key, "must be a list of [x, z] pairs");
        for (size_t i = 0; i < array->size(); ++i)
        {
            const toml::array* pair = (*array)[i].as_array();
            std::optional<double> x, z;
            if (pair && pair->size() == 2 && (*pair)[0].is_number() && (*pair)[1].is_number())
            {
                x = (*pair)[0].value<double>();
                z = (*pair)[1].value<double>();
            }
            if (!x || !z || !(std::fabs(*x) <= kHuge) || !(std::fabs(*z) <= kHuge))
            {
                m_Messages.Error(LineOf((*array)[i]),
                                 ZEString::Format("[%s] %s: point %zu must be a pair [x, z] of numbers within %g",
                                                  m_Name.c_str(), key, i + 1, kHuge));
                return false;
            }
            points.push_back(ZEMapVec2(*x, *z));
            if (lines)
                lines->push_back(LineOf((*array)[i]));
        }
        if (points.size() < minCount)
            return Wrong(key, Format("needs at least %zu points (has %zu)", minCount, points.size()));
        return true;
    }

    // position = [x, y, z], or along (+ side, y).
    bool Place(ZEMapPlace& place, bool defaultOnTrack = false)
    {
        place.m_ulLine = m_ulLine;
        bool absolute = Has("position");
        bool along = Has("along");
        Has("side");
        Has("y");
        if (absolute && along)
        {
            Fail("along", "give either position or along, not both");
            return false;
        }
        if (absolute)
            return Vec3("position", place.m_vPosition, -kHuge, kHuge);
        if (along && m_bScene)
        {
            Fail("along", "a map without [track] has no road to place things along; give position = [x, y, z]");
            return false;
        }
        if (!along && !defaultOnTrack)
        {
            m_Messages.Error(m_ulLine, ZEString::Format("[%s] needs position = [x, y, z] or along = distance",
                                                        m_Name.c_str()));
            return false;
        }
        place.m_bAlong = true;
        return Number("along", place.m_dAlong, -kHuge, kHuge) && Number("side", place.m_dSide, -kHuge, kHuge) &&
               Number("y", place.m_vPosition.y, -kHuge, kHuge);
    }

    // Refuses every key that no read asked for.
    bool Finish()
    {
        bool fine = true;
        if (!m_pTable)
            return true;
        for (auto&& [key, node] : *m_pTable)
        {
            std::string name(key.str());
            if (m_Known.count(name))
                continue;
            m_Messages.Error(LineOf(node), ZEString::Format("[%s] has no key \"%s\"", m_Name.c_str(), name.c_str()));
            fine = false;
        }
        return fine;
    }

private:
    const toml::node* Get(const char* key)
    {
        m_Known.insert(key);
        return m_pTable ? m_pTable->get(key) : nullptr;
    }

    bool Missing(const char* key, bool required)
    {
        if (!required)
            return true;
        m_Messages.Error(m_ulLine, ZEString::Format("[%s] needs %s", m_Name.c_str(), key));
        return false;
    }

    bool Wrong(const char* key, const std::string& text)
    {
        Fail(key, text);
        return false;
    }

    template <typename... Args>
    static std::string Format(const char* format, Args... args)
    {
        char buffer[512];
        std::snprintf(buffer, sizeof(buffer), format, args...);
        return buffer;
    }

    const toml::table* m_pTable;
    std::string m_Name;
    uint32_t m_ulLine;
    ZEMapMessages& m_Messages;
    const std::vector<ZEMapTexture>* m_pTextures;
    bool m_bScene;
    std::set<std::string> m_Known;
};

// Reads the whole document, one reader per table.
class DescriptionReader
{
public:
    DescriptionReader(const toml::table& root, ZEMapDescription& out, ZEMapMessages& messages)
        : m_Root(root), m_Out(out), m_Messages(messages)
    {
    }

    bool Read()
    {
        const char* sections[] = {"map", "settings", "textures", "track", "narrow", "walls", "ground", "hill",
                                  "box", "tunnel", "bridge", "rail", "lights", "point_light", "spot_light",
                                  "dynamic_light", "nodes", "grid", "powerup", "roadsign", "model",
                                  "particles", "water", "billboard", "decal", "skybox"};
        for (auto&& [key, node] : m_Root)
        {
            std::string name(key.str());
            if (std::find_if(std::begin(sections), std::end(sections),
                             [&](const char* s) { return name == s; }) == std::end(sections))
                m_Messages.Error(LineOf(node), ZEString::Format("there is no section [%s]", name.c_str()));
        }
        ReadMap();
        ReadSettings();
        ReadTextures();
        if (m_Messages.HasErrors())
            return false;
        ReadTrack();
        if (m_Out.m_bScene)
            RefuseTrackSections();
        else
            ReadTrackSections();
        ReadGround();
        Each("hill", [this](Section& s) { ReadHill(s); });
        Each("box", [this](Section& s) { ReadBox(s); });
        Each("rail", [this](Section& s) { ReadRail(s); });
        ReadLights();
        Each("point_light", [this](Section& s) { ReadLamp(s, false); });
        Each("spot_light", [this](Section& s) { ReadLamp(s, true); });
        Each("dynamic_light", [this](Section& s) { ReadDynamicLight(s); });
        Each("model", [this](Section& s) { ReadModel(s); });
        Each("particles", [this](Section& s) { ReadParticles(s); });
        Each("water", [this](Section& s) { ReadWater(s); });
        Each("billboard", [this](Section& s) { ReadBillboard(s); });
        Each("decal", [this](Section& s) { ReadDecal(s); });
        ReadSkyBox();
        return !m_Messages.HasErrors();
    }

private:
    // The sections a road is made of or that stand on it.
    static constexpr const char* kTrackSections[] = {"narrow", "walls", "tunnel", "bridge",
                                                     "nodes",  "grid",  "powerup", "roadsign"};

    void ReadTrackSections()
    {
        Each("narrow", [this](Section& s) { ReadNarrow(s); });
        ReadWalls();
        Each("tunnel", [this](Section& s) { ReadTunnel(s); });
        Each("bridge", [this](Section& s) { ReadBridge(s); });
        ReadNodes();
        ReadGrid();
        Each("powerup", [this](Section& s) {
            ZEMapPowerUp powerUp;
            s.Place(powerUp.m_Place);
            m_Out.m_aPowerUps.push_back(powerUp);
        });
        Each("roadsign", [this](Section& s) { ReadRoadSign(s); });
    }

    // A scene map has no road: every table of a track section is refused
    // on its own line.
    void RefuseTrackSections()
    {
        for (const char* name : kTrackSections)
        {
            const toml::node* node = m_Root.get(name);
            if (!node)
                continue;
            const toml::array* array = node->as_array();
            bool list = array && array->is_array_of_tables();
            std::string title = list ? std::string("[[") + name + "]]" : std::string("[") + name + "]";
            ZEString why = ZEString::Format("%s needs a [track]; a map without one is a scene with no road",
                                            title.c_str());
            if (!list)
                m_Messages.Error(LineOf(*node), why);
            for (size_t i = 0; list && i < array->size(); ++i)
                m_Messages.Error(LineOf((*array)[i]), why);
        }
    }

    Section Table(const char* name)
    {
        const toml::node* node = m_Root.get(name);
        const toml::table* table = node ? node->as_table() : nullptr;
        if (node && !table)
            m_Messages.Error(LineOf(*node), ZEString::Format("[%s] must be a table", name));
        return Section(table, name, node ? LineOf(*node) : 0, m_Messages, &m_Out.m_aTextures, m_Out.m_bScene);
    }

    // Every [[name]] table in order.
    template <typename Reader>
    void Each(const char* name, Reader reader)
    {
        const toml::node* node = m_Root.get(name);
        if (!node)
            return;
        const toml::array* array = node->as_array();
        if (!array || !array->is_array_of_tables())
        {
            m_Messages.Error(LineOf(*node), ZEString::Format("[[%s]] must be a list of tables", name));
            return;
        }
        for (const toml::node& element : *array)
        {
            Section section(element.as_table(), name, LineOf(element), m_Messages, &m_Out.m_aTextures,
                            m_Out.m_bScene);
            reader(section);
            section.Finish();
        }
    }

    void ReadMap()
    {
        Section s = Table("map");
        s.Text("name", m_Out.m_Name, 64);
        s.Finish();
    }

    void ReadSettings()
    {
        Section s = Table("settings");
        ZEMapSettings& settings = m_Out.m_Settings;
        s.Number("segment", settings.m_dSegment, 20.0, 1000.0);
        s.Number("lightmap_texel", settings.m_dLightmapTexel, 2.0, 1000.0);
        s.Integer("lightmap_max", settings.m_usLightmapMax, 4, 256);
        s.Integer("leaf_faces", settings.m_ulLeafFaces, 1, 1000);
        if (settings.m_usLightmapMax & (settings.m_usLightmapMax - 1))
            s.Fail("lightmap_max", "must be a power of two");
        s.Finish();
    }

    void ReadTextures()
    {
        Section s = Table("textures");
        const toml::node* node = m_Root.get("textures");
        const toml::table* table = node ? node->as_table() : nullptr;
        if (!table)
        {
            m_Messages.Error(0, "the description needs a [textures] table");
            return;
        }
        for (auto&& [key, value] : *table)
        {
            std::string name(key.str());
            s.Has(name.c_str());
            ZEMapTexture texture;
            texture.m_Key = name.c_str();
            texture.m_ulLine = LineOf(value);
            Section entry(value.as_table(), "textures." + name, texture.m_ulLine, m_Messages, nullptr);
            if (!value.as_table())
            {
                m_Messages.Error(texture.m_ulLine,
                                 ZEString::Format("[textures] %s must be { name = \"...\", package = \"...\" }",
                                                  name.c_str()));
                continue;
            }
            entry.Text("name", texture.m_Name, kMaxNameLength, true);
            entry.Text("package", texture.m_Package, kMaxNameLength, true);
            entry.Bool("animated", texture.m_bAnimated);
            entry.Number("scale", texture.m_dScale, 1.0, 100000.0);
            entry.Finish();
            m_Out.m_aTextures.push_back(texture);
        }
        if (m_Out.m_aTextures.empty())
            m_Messages.Error(s.SectionLine(), "[textures] declares no texture");
        if (m_Out.m_aTextures.size() > 65535)
            m_Messages.Error(s.SectionLine(), "[textures] declares more than 65535 textures");
    }

    void ReadTrack()
    {
        Section s = Table("track");
        ZEMapTrackDesc& track = m_Out.m_Track;
        track.m_ulLine = s.SectionLine();
        if (!m_Root.get("track"))
        {
            // A scene: no road, so no walls either.
            m_Out.m_bScene = true;
            m_Out.m_Walls.m_Kind = ZE_WALLS_NONE;
            return;
        }
        s.Points("points", track.m_avPoints, &track.m_aulPointLines, 4);
        s.Number("width", track.m_dWidth, 100.0, 3000.0, true);
        s.Number("verge", track.m_dVerge, 0.0, 3000.0);
        s.Number("start", track.m_dStart, 0.0, kHuge);
        s.Texture("road_texture", track.m_usRoadTexture, true);
        track.m_usVergeTexture = track.m_usRoadTexture;
        s.Texture("verge_texture", track.m_usVergeTexture);
        s.Finish();
    }

    void ReadNarrow(Section& s)
    {
        ZEMapNarrow narrow;
        narrow.m_ulLine = s.SectionLine();
        narrow.m_ulToLine = s.Line("to");
        s.Number("from", narrow.m_dFrom, 0.0, kHuge, true);
        s.Number("to", narrow.m_dTo, 0.0, kHuge, true);
        // Room for one car and a little to spare.
        s.Number("width", narrow.m_dWidth, 80.0, 3000.0, true);
        s.Number("ramp", narrow.m_dRamp, 0.0, kHuge);
        if (narrow.m_dTo <= narrow.m_dFrom)
            s.Fail("to", "must lie beyond from");
        if (narrow.m_dWidth >= m_Out.m_Track.m_dWidth)
            s.Fail("width", ZEString::Format("must be less than [track] width %g", m_Out.m_Track.m_dWidth).CStr());
        m_Out.m_aNarrows.push_back(narrow);
    }

    void ReadWalls()
    {
        Section s = Table("walls");
        ZEMapWallsDesc& walls = m_Out.m_Walls;
        walls.m_ulLine = s.SectionLine();
        uint32_t kind = walls.m_Kind;
        s.Choice("kind", kind, {"terrain", "barrier", "both", "none"});
        walls.m_Kind = static_cast<ZEMapWallKind>(kind);
        // Above the tallest car, so no car can ride over a wall.
        s.Number("height", walls.m_dHeight, 20.0, 5000.0);
        s.Number("thickness", walls.m_dThickness, 1.0, 1000.0);
        walls.m_usTexture = m_Out.m_Track.m_usVergeTexture;
        s.Texture("texture", walls.m_usTexture, walls.HasTerrain() && s.SectionLine() != 0);
        walls.m_usTopTexture = walls.m_usTexture;
        s.Texture("top_texture", walls.m_usTopTexture);
        s.Finish();
    }

    void ReadGround()
    {
        Section s = Table("ground");
        ZEMapGroundDesc& ground = m_Out.m_Ground;
        ground.m_ulLine = s.SectionLine();
        ground.m_usTexture = m_Out.m_Track.m_usVergeTexture;
        s.Texture("texture", ground.m_usTexture, m_Out.m_bScene);
        ground.m_usHighTexture = ground.m_usTexture;
        s.Texture("high_texture", ground.m_usHighTexture);
        s.Number("high_level", ground.m_dHighLevel, -kHuge, kHuge);
        // A race track's ground meets its road, which lies at y = 0.
        if (s.Number("y", ground.m_dY, -10000.0, 10000.0) && ground.m_dY != 0.0 && !m_Out.m_bScene)
            s.Fail("y", "a race track's ground lies at the road's level, 0; only a scene map's may lie elsewhere");
        s.Number("margin", ground.m_dMargin, 0.0, 100000.0);
        s.Number("cell", ground.m_dCell, 50.0, 10000.0);
        s.Number("blend", ground.m_dBlend, 0.0, 100000.0);
        s.Finish();
    }

    void ReadHill(Section& s)
    {
        ZEMapHill hill;
        hill.m_ulLine = s.SectionLine();
        s.Vec2("at", hill.m_vCentre, true);
        s.Number("radius", hill.m_dRadius, 10.0, 100000.0, true);
        s.Number("height", hill.m_dHeight, -10000.0, 10000.0, true);
        m_Out.m_aHills.push_back(hill);
    }

    void ReadBox(Section& s)
    {
        ZEMapBox box;
        box.m_ulLine = s.SectionLine();
        double size[3] = {box.m_dWidth, box.m_dDepth, box.m_dHeight};
        if (s.Has("along"))
            s.Place(box.m_Place);
        else
            s.Vec2("at", box.m_vCentre, true);
        box.m_bBaseGiven = s.Has("y");
        s.Number("y", box.m_dBase, -10000.0, 10000.0);
        s.Numbers("size", size, 3, 1.0, 100000.0, true);
        box.m_dWidth = size[0];
        box.m_dDepth = size[1];
        box.m_dHeight = size[2];
        s.Number("heading", box.m_dHeading, -360.0, 360.0);
        uint32_t roof = box.m_Roof;
        s.Choice("roof", roof, {"flat", "gable", "pyramid", "arch", "none"});
        box.m_Roof = static_cast<ZEMapRoof>(roof);
        s.Number("roof_height", box.m_dRoofHeight, 0.0, 100000.0, box.m_Roof != ZE_ROOF_FLAT && box.m_Roof != ZE_ROOF_NONE);
        s.Texture("texture", box.m_usTexture, true);
        box.m_usRoofTexture = box.m_usTexture;
        s.Texture("roof_texture", box.m_usRoofTexture);
        m_Out.m_aBoxes.push_back(box);
    }

    void ReadTunnel(Section& s)
    {
        ZEMapTunnel tunnel;
        tunnel.m_ulLine = s.SectionLine();
        s.Number("from", tunnel.m_dFrom, 0.0, kHuge, true);
        s.Number("to", tunnel.m_dTo, 0.0, kHuge, true);
        s.Number("height", tunnel.m_dHeight, 80.0, 5000.0);
        s.Number("thickness", tunnel.m_dThickness, 1.0, 1000.0);
        s.Texture("texture", tunnel.m_usTexture, true);
        if (tunnel.m_dTo <= tunnel.m_dFrom)
            s.Fail("to", "must lie beyond from");
        m_Out.m_aTunnels.push_back(tunnel);
    }

    void ReadBridge(Section& s)
    {
        ZEMapBridge bridge;
        bridge.m_ulLine = s.SectionLine();
        s.Number("along", bridge.m_dAlong, 0.0, kHuge, true);
        s.Number("width", bridge.m_dWidth, 10.0, 5000.0);
        s.Number("height", bridge.m_dHeight, 80.0, 5000.0);
        s.Number("thickness", bridge.m_dThickness, 1.0, 1000.0);
        s.Number("overhang", bridge.m_dOverhang, 0.0, 5000.0);
        s.Texture("texture", bridge.m_usTexture, true);
        bridge.m_usPierTexture = bridge.m_usTexture;
        s.Texture("pier_texture", bridge.m_usPierTexture);
        m_Out.m_aBridges.push_back(bridge);
    }

    void ReadRail(Section& s)
    {
        ZEMapRail rail;
        rail.m_ulLine = s.SectionLine();
        s.Points("points", rail.m_avPoints, nullptr, 2);
        s.Number("gauge", rail.m_dGauge, 2.0, 200.0);
        s.Number("sleepers", rail.m_dSleepers, 0.0, 10000.0);
        s.Texture("texture", rail.m_usTexture, true);
        rail.m_usSleeperTexture = rail.m_usTexture;
        s.Texture("sleeper_texture", rail.m_usSleeperTexture);
        if (rail.m_dSleepers > 0.0 && rail.m_dSleepers < 10.0)
            s.Fail("sleepers", "must be 0 (none) or at least 10 apart");
        m_Out.m_aRails.push_back(rail);
    }

    void ReadLights()
    {
        Section s = Table("lights");
        ZEMapLightsDesc& lights = m_Out.m_Lights;
        lights.m_ulLine = s.SectionLine();
        s.Number("ambient", lights.m_dAmbient, 0.0, 1.0);
        s.Number("sun", lights.m_dSun, 0.0, 1.0);
        s.Vec3("sun_direction", lights.m_vSunDirection, -1e4, 1e4);
        // The engine's unlit brightness is their sum in 8 bits: it wraps above 1.
        if (lights.m_dAmbient + lights.m_dSun > 1.0 + 1e-9)
            s.Fail("sun", ZEString::Format("ambient + sun must be at most 1 (is %g)",
                                           lights.m_dAmbient + lights.m_dSun).CStr());
        if (lights.m_dSun > 0.0 && lights.m_vSunDirection.y >= 0.0)
            s.Fail("sun_direction", "must point downwards (y < 0)");
        s.Finish();
    }

    void ReadLamp(Section& s, bool spot)
    {
        ZEMapLamp lamp;
        lamp.m_bSpot = spot;
        lamp.m_ulLine = s.SectionLine();
        s.Place(lamp.m_Place);
        s.Number("intensity", lamp.m_dIntensity, 0.0, 1.0);
        s.Number("range", lamp.m_dRange, 1.0, 100000.0, true);
        s.Bool("attenuation", lamp.m_bAttenuation);
        s.Integer("flare", lamp.m_lFlare, 0, 24);
        if (spot)
        {
            s.Vec3("direction", lamp.m_vDirection, -1e4, 1e4, true);
            s.Integer("cone", lamp.m_usCone, 1, 179);
            if (lamp.m_vDirection.Length() < 1e-6)
                s.Fail("direction", "must not be zero");
        }
        m_Out.m_aLamps.push_back(lamp);
    }

    void ReadDynamicLight(Section& s)
    {
        ZEMapDynamicLight light;
        light.m_ulLine = s.SectionLine();
        s.Place(light.m_Place);
        s.Bool("spot", light.m_bSpot);
        s.Integer("mode", light.m_ulMode, 0, 4);
        s.Integer("flare", light.m_ulFlare, 0, 24);
        s.Integer("period", light.m_ulPeriod, 1, 600000);
        s.Number("range", light.m_dRange, 1.0, 100000.0);
        s.Number("alpha", light.m_dAlpha, 0.0, 1.0);
        s.Vec3("direction", light.m_vDirection, -1e4, 1e4);
        s.Bool("attenuation", light.m_bAttenuation);
        s.Integer("cone", light.m_usCone, 1, 179);
        s.Color("color", light.m_aucColors[0]);
        std::copy(light.m_aucColors[0], light.m_aucColors[0] + 3, light.m_aucColors[1]);
        s.Color("color2", light.m_aucColors[1]);
        std::copy(light.m_aucColors[1], light.m_aucColors[1] + 3, light.m_aucColors[2]);
        s.Color("color3", light.m_aucColors[2]);
        if (light.m_bSpot && light.m_vDirection.Length() < 1e-6)
            s.Fail("direction", "must not be zero for a spot light");
        m_Out.m_aDynamicLights.push_back(light);
    }

    void ReadNodes()
    {
        Section s = Table("nodes");
        ZEMapNodesDesc& nodes = m_Out.m_Nodes;
        nodes.m_ulLine = s.SectionLine();
        // The game keeps at most 50 of each.
        s.Integer("track", nodes.m_ulTrackNodes, 3, 50);
        s.Integer("ai", nodes.m_ulAINodes, 3, 50);
        nodes.m_ulAILine = s.Line("ai");
        s.Number("racing_line", nodes.m_dRacingLine, 0.0, 1.0);
        s.Number("grip", nodes.m_dGrip, 10.0, 10000.0);
        s.Number("handbrake_radius", nodes.m_dHandbrakeRadius, 0.0, 100000.0);
        s.Finish();
    }

    void ReadGrid()
    {
        Section s = Table("grid");
        ZEMapGridDesc& grid = m_Out.m_Grid;
        grid.m_ulLine = s.SectionLine();
        s.Number("behind", grid.m_dBehind, 50.0, 10000.0);
        // The largest car is about 85 long and 20 wide.
        s.Number("spacing", grid.m_dSpacing, 100.0, 10000.0);
        s.Number("lane", grid.m_dLane, 0.0, 3000.0);
        s.Finish();
    }

    void ReadRoadSign(Section& s)
    {
        ZEMapRoadSign sign;
        s.Place(sign.m_Place);
        s.Integer("type", sign.m_ulType, 0, 5);
        if (s.Has("heading"))
        {
            sign.m_bHeading = true;
            s.Number("heading", sign.m_dHeading, -360.0, 360.0);
        }
        m_Out.m_aRoadSigns.push_back(sign);
    }

    void ReadModel(Section& s)
    {
        ZEMapModel model;
        s.Place(model.m_Place);
        s.Text("model", model.m_Name, kMaxModelName, true);
        s.Vec3("scale", model.m_vScale, 0.001, 1000.0);
        double rotation[3] = {0.0, 0.0, 0.0};
        s.Numbers("rotation", rotation, 3, 0.0, 359.0);
        for (int i = 0; i < 3; ++i)
            model.m_ausRotation[i] = static_cast<uint16_t>(rotation[i]);
        s.Number("mass", model.m_dMass, 0.001, 1e6);
        s.Number("bounce", model.m_dBounce, 0.0, 1.0);
        s.Number("retention", model.m_dRetention, 0.0, 1.0);
        s.Bool("static", model.m_bStatic);
        s.Bool("gravity", model.m_bGravity);
        s.Integer("shadow", model.m_ulShadow, 0, 6);
        m_Out.m_aModels.push_back(model);
    }

    void ReadParticles(Section& s)
    {
        ZEMapParticles p;
        s.Place(p.m_Place);
        uint32_t kind = static_cast<uint32_t>(p.m_lKind);
        s.Choice("kind", kind, {"ball", "sparks", "smoke"});
        p.m_lKind = static_cast<int32_t>(kind);
        s.Integer("spread", p.m_lSpread, 0, 360);
        double turn[3] = {0.0, 0.0, 0.0};
        if (s.Has("turn"))
        {
            s.Numbers("turn", turn, 3, -3600.0, 3600.0);
            p.m_bRotate = true;
        }
        for (int i = 0; i < 3; ++i)
            p.m_alTurn[i] = static_cast<int32_t>(turn[i]);
        s.Integer("interval", p.m_ulInterval, 1, 600000);
        s.Integer("life", p.m_ulLife, 1, 600000);
        s.Vec3("direction", p.m_vDirection, -1e5, 1e5);
        s.Number("size", p.m_dSize, 0.01, 10000.0);
        s.Number("growth", p.m_dGrowth, -100.0, 100.0);
        s.Number("width", p.m_dWidth, 0.0, 10000.0);
        s.Number("height", p.m_dHeight, 0.0, 10000.0);
        s.Number("alpha", p.m_dAlpha, 0.0, 1.0);
        s.Number("acceleration", p.m_dAcceleration, -100.0, 100.0);
        s.Bool("gravity", p.m_bGravity);
        s.Bool("fade", p.m_bFade);
        s.Bool("collide", p.m_bCollide);
        s.Color("color", p.m_aucColor);
        if (s.Has("color2"))
        {
            s.Color("color2", p.m_aucColor2);
            p.m_bTwoColors = true;
        }
        m_Out.m_aParticles.push_back(p);
    }

    void ReadWater(Section& s)
    {
        ZEMapWater water;
        water.m_ulLine = s.SectionLine();
        s.Points("points", water.m_avPoints, nullptr, 3);
        s.Number("y", water.m_dY, -10000.0, 10000.0);
        s.Texture("texture", water.m_usTexture, true);
        s.Number("opacity", water.m_dOpacity, 0.0, 1.0);
        s.Integer("wave", water.m_lWave, 0, 1000);
        s.Integer("animation", water.m_ulAnimation, 0, 5);
        s.Bool("keep_lightmaps", water.m_bKeepLightmaps);
        s.Bool("find_vertices", water.m_bFindVertices);
        s.Number("cell", water.m_dCell, 10.0, 10000.0);
        m_Out.m_aWaters.push_back(water);
    }

    void ReadBillboard(Section& s)
    {
        ZEMapBillboard b;
        s.Place(b.m_Place);
        s.Number("width", b.m_dWidth, 0.1, 10000.0);
        s.Number("height", b.m_dHeight, 0.1, 10000.0);
        s.Texture("texture", b.m_usTexture, true);
        s.Number("opacity", b.m_dOpacity, 0.0, 1.0);
        s.Bool("particle", b.m_bParticle);
        s.Bool("collision", b.m_bCollision);
        if (s.Has("color_key"))
        {
            s.Color("color_key", b.m_aucKey);
            b.m_bColorKey = true;
        }
        m_Out.m_aBillboards.push_back(b);
    }

    void ReadDecal(Section& s)
    {
        ZEMapDecal d;
        s.Place(d.m_Place);
        double size[2] = {d.m_dWidth, d.m_dDepth};
        s.Numbers("size", size, 2, 0.1, 100000.0, true);
        d.m_dWidth = size[0];
        d.m_dDepth = size[1];
        s.Number("heading", d.m_dHeading, -360.0, 360.0);
        s.Texture("texture", d.m_usTexture, true);
        s.Number("opacity", d.m_dOpacity, 0.0, 1.0);
        s.Bool("keep_lightmaps", d.m_bKeepLightmaps);
        if (s.Has("color_key"))
        {
            s.Color("color_key", d.m_aucKey);
            d.m_bColorKey = true;
        }
        s.Color("color", d.m_aucColor);
        m_Out.m_aDecals.push_back(d);
    }

    void ReadSkyBox()
    {
        const toml::node* node = m_Root.get("skybox");
        if (!node)
            return;
        Section s = Table("skybox");
        ZEMapSkyBoxDesc& sky = m_Out.m_SkyBox;
        sky.m_bPresent = true;
        sky.m_ulLine = s.SectionLine();
        const char* sides[6] = {"front", "back", "left", "right", "top", "bottom"};
        for (int i = 0; i < 6; ++i)
            s.Texture(sides[i], sky.m_ausTextures[i], true);
        s.Number("size", sky.m_dSize, 10.0, 100000.0);
        s.Vec3("rotation", sky.m_vRotation, -3600.0, 3600.0);
        s.Number("offset", sky.m_dOffset, -100000.0, 100000.0);
        s.Bool("keep_lightmaps", sky.m_bKeepLightmaps);
        s.Finish();
    }

    const toml::table& m_Root;
    ZEMapDescription& m_Out;
    ZEMapMessages& m_Messages;
};
}

bool ZEParseMapDescription(const char* text, size_t length, ZEMapDescription& description, ZEMapMessages& messages)
{
    toml::parse_result result = toml::parse(std::string_view(text ? text : "", text ? length : 0),
                                            std::string_view(messages.GetFile().CStr()));
    if (!result)
    {
        const toml::parse_error& error = result.error();
        messages.Error(static_cast<uint32_t>(error.source().begin.line),
                       ZEString::Format("not valid TOML: %s", std::string(error.description()).c_str()));
        return false;
    }
    DescriptionReader reader(result.table(), description, messages);
    return reader.Read();
}

bool ZEReadMapDescription(const ZEString& path, ZEMapDescription& description, ZEMapMessages& messages)
{
    std::ifstream file(path.CStr(), std::ios::binary);
    if (!file)
    {
        messages.Error(0, "cannot be read");
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    std::string contents = text.str();
    return ZEParseMapDescription(contents.data(), contents.size(), description, messages);
}
