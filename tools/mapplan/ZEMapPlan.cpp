#include "ZEMapPlan.h"

#include "ZEBspWriter.h"
#include "ZETexReader.h"
#include "track/WZTrackRecords.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>

namespace
{
const uint32_t kMargin = 16;
const double kCarLength = 85.0;
const double kCarWidth = 40.0;
// Land shown round a track's nodes.
const float kTrackBorder = 900.0f;

struct PlanFace
{
    std::vector<ZEVector> m_avCorners;   // triangles, three corners each
    ZEMapPlanColor m_Color;
    float m_fHeight = 0.0f;
    float m_fOpacity = 1.0f;
};

class Canvas
{
public:
    Canvas(float minX, float maxZ, float scale, ZEMapPlanImage& image)
        : m_fMinX(minX), m_fMaxZ(maxZ), m_fScale(scale), m_Image(image)
    {
    }

    float X(const ZEVector& v) const { return (v.x - m_fMinX) * m_fScale + kMargin; }
    float Y(const ZEVector& v) const { return (m_fMaxZ - v.z) * m_fScale + kMargin; }

    void Blend(int x, int y, const ZEMapPlanColor& c, float alpha)
    {
        if (x < 0 || y < 0 || x >= int(m_Image.m_ulWidth) || y >= int(m_Image.m_ulHeight))
            return;
        uint8_t* p = &m_Image.m_aRGB[(size_t(y) * m_Image.m_ulWidth + size_t(x)) * 3];
        const uint8_t rgb[3] = {c.r, c.g, c.b};
        for (int k = 0; k < 3; ++k)
            p[k] = uint8_t(std::lround(p[k] + (rgb[k] - p[k]) * alpha));
    }

    void Triangle(const ZEVector& a, const ZEVector& b, const ZEVector& c, const ZEMapPlanColor& color, float alpha)
    {
        float ax = X(a), ay = Y(a), bx = X(b), by = Y(b), cx = X(c), cy = Y(c);
        float area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
        if (std::fabs(area) < 1e-6f)
            return;
        int x0 = int(std::floor(std::min({ax, bx, cx}))), x1 = int(std::ceil(std::max({ax, bx, cx})));
        int y0 = int(std::floor(std::min({ay, by, cy}))), y1 = int(std::ceil(std::max({ay, by, cy})));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
            {
                float px = x + 0.5f, py = y + 0.5f;
                float w0 = ((bx - px) * (cy - py) - (by - py) * (cx - px)) / area;
                float w1 = ((cx - px) * (ay - py) - (cy - py) * (ax - px)) / area;
                float w2 = 1.0f - w0 - w1;
                if (w0 >= -1e-4f && w1 >= -1e-4f && w2 >= -1e-4f)
                    Blend(x, y, color, alpha);
            }
    }

    void Line(const ZEVector& a, const ZEVector& b, const ZEMapPlanColor& color, int thickness)
    {
        float ax = X(a), ay = Y(a), bx = X(b), by = Y(b);
        int steps = int(std::ceil(std::max(std::fabs(bx - ax), std::fabs(by - ay)))) + 1;
        for (int s = 0; s <= steps; ++s)
        {
            float t = float(s) / float(steps);
            Dot(ax + (bx - ax) * t, ay + (by - ay) * t, color, thickness);
        }
    }

    void Dot(float x, float y, const ZEMapPlanColor& color, int radius)
    {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (dx * dx + dy * dy <= radius * radius)
                    Blend(int(std::floor(x)) + dx, int(std::floor(y)) + dy, color, 1.0f);
    }

    void Dot(const ZEVector& at, const ZEMapPlanColor& color, int radius) { Dot(X(at), Y(at), color, radius); }

private:
    float m_fMinX, m_fMaxZ, m_fScale;
    ZEMapPlanImage& m_Image;
};

ZEVector Position(const ZEBspWriter& map, uint16_t vertex)
{
    if (vertex >= map.m_aVertices.size() || map.m_aVertices[vertex].m_usPosition >= map.m_avPositions.size())
        return ZEVector();
    return map.m_avPositions[map.m_aVertices[vertex].m_usPosition];
}

float LightmapLevel(const ZEBspWriter::Face& face)
{
    if (face.m_aucLightmap.empty())
        return 1.0f;
    double sum = 0.0;
    for (uint8_t texel : face.m_aucLightmap)
        sum += texel;
    return float(std::min(1.0, 1.4 * sum / (255.0 * double(face.m_aucLightmap.size()))));
}

ZEMapPlanColor FaceColor(const ZEBspWriter& map, const ZEBspWriter::Face& face, const ZEMapPlanPalette& palette,
                         float height)
{
    ZEMapPlanColor base;
    uint8_t grey = uint8_t(std::clamp(110.0f + height * 0.2f, 40.0f, 230.0f));
    base = {grey, grey, grey};
    if (face.m_usTexture >= 1 && face.m_usTexture <= map.m_aTextures.size())
    {
        const ZEBspWriter::Texture& texture = map.m_aTextures[face.m_usTexture - 1];
        auto found = palette.find(std::string(texture.m_Package.CStr()) + "/" + texture.m_Name.CStr());
        if (found != palette.end())
            base = found->second;
    }
    float level = LightmapLevel(face);
    return {uint8_t(base.r * level), uint8_t(base.g * level), uint8_t(base.b * level)};
}

// The faces seen from above, lowest first.
std::vector<PlanFace> UpwardFaces(const ZEBspWriter& map, const ZEMapPlanPalette& palette)
{
    std::vector<PlanFace> faces;
    for (const ZEBspWriter::Node& node : map.m_aNodes)
        for (const ZEBspWriter::Face& face : node.m_aFaces)
        {
            if (face.m_vNormal.y < 0.05f || face.m_ausIndices.size() < 3)
                continue;
            PlanFace plan;
            float top = -1e30f;
            for (uint16_t index : face.m_ausIndices)
            {
                plan.m_avCorners.push_back(Position(map, index));
                top = std::max(top, plan.m_avCorners.back().y);
            }
            plan.m_fHeight = top;
            plan.m_Color = FaceColor(map, face, palette, top);
            plan.m_fOpacity = face.m_aucData.empty() ? 1.0f : face.m_aucData[0] / 255.0f;
            faces.push_back(std::move(plan));
        }
    std::stable_sort(faces.begin(), faces.end(),
                     [](const PlanFace& a, const PlanFace& b) { return a.m_fHeight < b.m_fHeight; });
    return faces;
}

// The outline of an entity's polygon, or nothing.
std::vector<ZEVector> Outline(const ZEBspWriter& map, const ZEBspWriter::Entity& entity)
{
    std::vector<ZEVector> points;
    for (const ZEBspWriter::Face& polygon : entity.m_aPolygons)
        for (uint16_t index : polygon.m_ausIndices)
            points.push_back(Position(map, index));
    return points;
}

// The two points of a polygon farthest apart across the road.
void Widest(const std::vector<ZEVector>& points, ZEVector& a, ZEVector& b)
{
    float best = -1.0f;
    for (const ZEVector& p : points)
        for (const ZEVector& q : points)
        {
            float d = (p.x - q.x) * (p.x - q.x) + (p.z - q.z) * (p.z - q.z);
            if (d > best)
            {
                best = d;
                a = p;
                b = q;
            }
        }
}

void DrawCarBox(Canvas& canvas, const ZEVector& at, float heading, const ZEMapPlanColor& color)
{
    float h = heading * 3.14159265f / 180.0f;
    ZEVector forward(std::sin(h), 0.0f, std::cos(h)), right(std::cos(h), 0.0f, -std::sin(h));
    ZEVector f = forward * float(kCarLength * 0.5), r = right * float(kCarWidth * 0.5);
    ZEVector corners[4] = {at + f + r, at + f - r, at - f - r, at - f + r};
    canvas.Triangle(corners[0], corners[1], corners[2], color, 1.0f);
    canvas.Triangle(corners[0], corners[2], corners[3], color, 1.0f);
    canvas.Line(at, at + forward * float(kCarLength * 0.7), {255, 255, 255}, 1);
}

struct Markers
{
    std::map<int, ZEVector> m_AINodes;
    std::map<int, bool> m_AIHandbrake;
};

void DrawEntities(const ZEBspWriter& map, Canvas& canvas)
{
    Markers markers;
    for (const ZEBspWriter::Entity& entity : map.m_aEntities)
    {
        std::string name = entity.m_ClassName.CStr();
        const std::vector<uint8_t>& data = entity.m_aucData;
        if (name == "Water")
        {
            std::vector<ZEVector> points = Outline(map, entity);   // triangles
            for (size_t k = 2; k < points.size(); k += 3)
                canvas.Triangle(points[k - 2], points[k - 1], points[k], {60, 110, 170}, 0.8f);
        }
        else if (name == "TrackNode" && data.size() >= _WZTrackNodeRecord::ms_ulSize)
        {
            ZEVector a, b;
            Widest(Outline(map, entity), a, b);
            bool start = _WZTrackNodeRecord::Decode(data.data()).m_cIndex == 0;
            canvas.Line(a, b, start ? ZEMapPlanColor{255, 255, 255} : ZEMapPlanColor{220, 30, 30}, start ? 2 : 1);
        }
        else if (name == "AINode" && data.size() >= _WZAINodeRecord::ms_ulSize)
        {
            _WZAINodeRecord record = _WZAINodeRecord::Decode(data.data());
            markers.m_AINodes[record.m_cIndex] = entity.m_vOrigin;
            markers.m_AIHandbrake[record.m_cIndex] = record.m_ucHandbrake != 0;
        }
        else if (name == "StartPosition" && data.size() >= _WZStartPositionRecord::ms_ulSize)
        {
            _WZStartPositionRecord record = _WZStartPositionRecord::Decode(data.data());
            DrawCarBox(canvas, entity.m_vOrigin, record.m_fHeading,
                       record.m_cIndex == 1 ? ZEMapPlanColor{120, 190, 255} : ZEMapPlanColor{30, 60, 200});
        }
        else if (name == "PowerUp")
            canvas.Dot(entity.m_vOrigin, {0, 230, 230}, 4);
        else if (name == "ModelObject")
            canvas.Dot(entity.m_vOrigin, {220, 0, 220}, 2);
        else if (name == "Billboard")
            canvas.Dot(entity.m_vOrigin, {20, 90, 20}, 3);
    }
    for (auto it = markers.m_AINodes.begin(); it != markers.m_AINodes.end(); ++it)
    {
        auto next = std::next(it) == markers.m_AINodes.end() ? markers.m_AINodes.begin() : std::next(it);
        canvas.Line(it->second, next->second, {240, 210, 0}, 0);
    }
    for (const auto& [index, at] : markers.m_AINodes)
        canvas.Dot(at, markers.m_AIHandbrake[index] ? ZEMapPlanColor{255, 120, 0} : ZEMapPlanColor{240, 210, 0},
                   markers.m_AIHandbrake[index] ? 4 : 2);
}

// A map with a track is framed around the track and a border; the land
// beyond is left out.
void FrameTrack(const ZEBspWriter& map, float& minX, float& maxX, float& minZ, float& maxZ)
{
    float lowX = 1e30f, highX = -1e30f, lowZ = 1e30f, highZ = -1e30f;
    for (const ZEBspWriter::Entity& entity : map.m_aEntities)
    {
        std::string name = entity.m_ClassName.CStr();
        if (name != "TrackNode" && name != "AINode" && name != "StartPosition")
            continue;
        lowX = std::min(lowX, entity.m_vOrigin.x), highX = std::max(highX, entity.m_vOrigin.x);
        lowZ = std::min(lowZ, entity.m_vOrigin.z), highZ = std::max(highZ, entity.m_vOrigin.z);
    }
    if (lowX > highX)
        return;
    minX = std::max(minX, lowX - kTrackBorder), maxX = std::min(maxX, highX + kTrackBorder);
    minZ = std::max(minZ, lowZ - kTrackBorder), maxZ = std::min(maxZ, highZ + kTrackBorder);
}
}

bool ZEAddPlanPalette(const std::string& path, const std::string& package, ZEMapPlanPalette& palette,
                      std::string& error)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
    {
        error = path + ": cannot be read";
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<ZETexReadImage> images;
    if (!ZEReadTexPackage(bytes.data(), bytes.size(), images, error))
    {
        error = path + ": " + error;
        return false;
    }
    for (const ZETexReadImage& image : images)
    {
        double sum[3] = {0.0, 0.0, 0.0};
        size_t texels = image.m_aRGB.size() / 3;
        for (size_t k = 0; k < texels * 3; ++k)
            sum[k % 3] += image.m_aRGB[k];
        if (texels == 0)
            continue;
        palette[package + "/" + image.m_Name] = {uint8_t(sum[0] / texels), uint8_t(sum[1] / texels),
                                                 uint8_t(sum[2] / texels)};
    }
    return true;
}

ZEMapPlanImage ZEDrawMapPlan(const ZEBspWriter& map, const ZEMapPlanPalette& palette, uint32_t size)
{
    std::vector<PlanFace> faces = UpwardFaces(map, palette);
    float minX = 1e30f, maxX = -1e30f, minZ = 1e30f, maxZ = -1e30f;
    for (const PlanFace& face : faces)
        for (const ZEVector& p : face.m_avCorners)
        {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minZ = std::min(minZ, p.z), maxZ = std::max(maxZ, p.z);
        }
    ZEMapPlanImage image;
    if (faces.empty())
        minX = maxX = minZ = maxZ = 0.0f;
    FrameTrack(map, minX, maxX, minZ, maxZ);
    float extent = std::max({maxX - minX, maxZ - minZ, 1.0f});
    float scale = float(size - 2 * kMargin) / extent;
    image.m_ulWidth = uint32_t(std::ceil((maxX - minX) * scale)) + 2 * kMargin;
    image.m_ulHeight = uint32_t(std::ceil((maxZ - minZ) * scale)) + 2 * kMargin;
    image.m_aRGB.assign(size_t(image.m_ulWidth) * image.m_ulHeight * 3, 24);
    Canvas canvas(minX, maxZ, scale, image);
    for (const PlanFace& face : faces)
        for (size_t k = 2; k < face.m_avCorners.size(); k += 3)
            canvas.Triangle(face.m_avCorners[k - 2], face.m_avCorners[k - 1], face.m_avCorners[k], face.m_Color,
                            face.m_fOpacity);
    DrawEntities(map, canvas);
    return image;
}
