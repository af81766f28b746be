#include "ZEModelMesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <map>
#include <tuple>

namespace
{
const float kPi = 3.14159265358979f;
const double kDegenerateArea = 1e-7;

float Radians(float degrees)
{
    return degrees * kPi / 180.0f;
}

// Tags of a lathe's triangles by profile piece and angular segment.
using LatheTagger = std::function<uint8_t(size_t piece, int segment)>;

// Rings (or single poles where the radius is 0) around the local Y axis,
// joined piece by piece. Quads run a_j, a_j+1, b_j+1, b_j so that the edges
// of neighbouring pieces meet in opposite directions.
ZEMesh Lathe(const std::vector<ZEPoint2>& profile, int segments, const LatheTagger& tagger)
{
    ZEMesh mesh;
    std::vector<std::vector<uint32_t>> rings;
    for (const ZEPoint2& point : profile)
    {
        std::vector<uint32_t> ring;
        if (point.x <= 0.0f)
            ring.push_back(mesh.AddVertex(ZEVector(0.0f, point.y, 0.0f)));
        else
            for (int j = 0; j < segments; ++j)
            {
                float angle = 2.0f * kPi * j / segments;
                ring.push_back(mesh.AddVertex(ZEVector(point.x * std::cos(angle), point.y, point.x * std::sin(angle))));
            }
        rings.push_back(ring);
    }
    for (size_t i = 0; i + 1 < rings.size(); ++i)
    {
        const std::vector<uint32_t>& a = rings[i];
        const std::vector<uint32_t>& b = rings[i + 1];
        for (int j = 0; j < segments; ++j)
        {
            int k = (j + 1) % segments;
            uint8_t tag = tagger ? tagger(i, j) : 0;
            if (a.size() > 1 && b.size() > 1)
                mesh.AddQuad(a[j], a[k], b[k], b[j], tag);
            else if (a.size() == 1 && b.size() > 1)
                mesh.AddTriangle(a[0], b[k], b[j], tag);
            else if (a.size() > 1 && b.size() == 1)
                mesh.AddTriangle(a[j], a[k], b[0], tag);
        }
    }
    return mesh;
}

ZEPoint2 Lerp(const ZEPoint2& a, const ZEPoint2& b, float t)
{
    return ZEPoint2{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

ZEPoint2 Toward(const ZEPoint2& from, const ZEPoint2& to, float distance)
{
    float dx = to.x - from.x;
    float dy = to.y - from.y;
    float length = std::sqrt(dx * dx + dy * dy);
    if (length <= 0.0f)
        return from;
    return ZEPoint2{from.x + dx / length * distance, from.y + dy / length * distance};
}

// The corner at `corner` between `before` and `after` cut at `radius` and
// bent along a quadratic curve in `steps` pieces (steps + 1 points; one
// point when not rounded).
void RoundCorner(const ZEPoint2& before, const ZEPoint2& corner, const ZEPoint2& after, float radius, int steps,
                 std::vector<ZEPoint2>& out)
{
    if (steps <= 0 || radius <= 0.0f)
    {
        out.push_back(corner);
        return;
    }
    ZEPoint2 start = Toward(corner, before, radius);
    ZEPoint2 end = Toward(corner, after, radius);
    for (int s = 0; s <= steps; ++s)
    {
        float t = static_cast<float>(s) / steps;
        out.push_back(Lerp(Lerp(start, corner, t), Lerp(corner, end, t), t));
    }
}

// The whole cross-section of a station, from the bottom centre round the
// right side (+x) to the top centre and back down the left side.
std::vector<ZEPoint2> LoftRing(const ZELoftStation& station, float round, int steps)
{
    ZEPoint2 bottomCentre{0.0f, station.m_fBottom};
    ZEPoint2 bottomRight{station.m_fBottomHalfWidth, station.m_fBottom};
    ZEPoint2 topRight{station.m_fTopHalfWidth, station.m_fTop};
    ZEPoint2 topCentre{0.0f, station.m_fTop};
    float height = station.m_fTop - station.m_fBottom;
    float limit = 0.45f * std::min({height, station.m_fBottomHalfWidth, station.m_fTopHalfWidth});
    float radius = round > 0.0f ? std::max(0.01f, std::min(round, limit)) : 0.0f;
    int rounding = round > 0.0f ? steps : 0;

    std::vector<ZEPoint2> right;
    RoundCorner(bottomCentre, bottomRight, topRight, radius, rounding, right);
    RoundCorner(bottomRight, topRight, topCentre, radius, rounding, right);

    std::vector<ZEPoint2> ring;
    ring.push_back(bottomCentre);
    ring.insert(ring.end(), right.begin(), right.end());
    ring.push_back(topCentre);
    for (auto it = right.rbegin(); it != right.rend(); ++it)
        ring.push_back(ZEPoint2{-it->x, it->y});
    return ring;
}

double SignedArea(const std::vector<ZEPoint2>& polygon)
{
    double area = 0.0;
    for (size_t i = 0; i < polygon.size(); ++i)
    {
        const ZEPoint2& a = polygon[i];
        const ZEPoint2& b = polygon[(i + 1) % polygon.size()];
        area += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return area * 0.5;
}

double Cross2(const ZEPoint2& a, const ZEPoint2& b, const ZEPoint2& c)
{
    return static_cast<double>(b.x - a.x) * (c.y - a.y) - static_cast<double>(b.y - a.y) * (c.x - a.x);
}

bool InsideTriangle(const ZEPoint2& p, const ZEPoint2& a, const ZEPoint2& b, const ZEPoint2& c)
{
    return Cross2(a, b, p) >= 0.0 && Cross2(b, c, p) >= 0.0 && Cross2(c, a, p) >= 0.0;
}
}

ZEVector ZERotateEuler(const ZEVector& point, const ZEVector& rotationDeg)
{
    ZEVector p = point;
    float cx = std::cos(Radians(rotationDeg.x)), sx = std::sin(Radians(rotationDeg.x));
    p = ZEVector(p.x, p.y * cx - p.z * sx, p.y * sx + p.z * cx);
    float cy = std::cos(Radians(rotationDeg.y)), sy = std::sin(Radians(rotationDeg.y));
    p = ZEVector(p.x * cy + p.z * sy, p.y, -p.x * sy + p.z * cy);
    float cz = std::cos(Radians(rotationDeg.z)), sz = std::sin(Radians(rotationDeg.z));
    return ZEVector(p.x * cz - p.y * sz, p.x * sz + p.y * cz, p.z);
}

uint32_t ZEMesh::AddVertex(const ZEVector& position)
{
    m_aPositions.push_back(position);
    return static_cast<uint32_t>(m_aPositions.size() - 1);
}

void ZEMesh::AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint8_t tag)
{
    ZEMeshTriangle triangle;
    triangle.m_aulIndex[0] = a;
    triangle.m_aulIndex[1] = b;
    triangle.m_aulIndex[2] = c;
    triangle.m_ucTag = tag;
    m_aTriangles.push_back(triangle);
}

void ZEMesh::AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint8_t tag)
{
    AddTriangle(a, b, c, tag);
    AddTriangle(a, c, d, tag);
}

ZEVector ZEMesh::Normal(const ZEMeshTriangle& triangle) const
{
    const ZEVector& p1 = m_aPositions[triangle.m_aulIndex[0]];
    const ZEVector& p2 = m_aPositions[triangle.m_aulIndex[1]];
    const ZEVector& p3 = m_aPositions[triangle.m_aulIndex[2]];
    ZEVector normal = (p2 - p1).CrossProduct(p3 - p1);
    float length = normal.GetLength();
    return length * 0.5 < kDegenerateArea ? ZEVector(0, 0, 0) : normal * (1.0f / length);
}

double ZEMesh::Volume() const
{
    double volume = 0.0;
    for (const ZEMeshTriangle& triangle : m_aTriangles)
    {
        const ZEVector& a = m_aPositions[triangle.m_aulIndex[0]];
        const ZEVector& b = m_aPositions[triangle.m_aulIndex[1]];
        const ZEVector& c = m_aPositions[triangle.m_aulIndex[2]];
        volume += a.DotProduct(b.CrossProduct(c));
    }
    return volume / 6.0;
}

void ZEMesh::Orient()
{
    if (Volume() >= 0.0)
        return;
    for (ZEMeshTriangle& triangle : m_aTriangles)
        std::swap(triangle.m_aulIndex[1], triangle.m_aulIndex[2]);
}

void ZEMesh::Classify()
{
    for (ZEMeshTriangle& triangle : m_aTriangles)
    {
        ZEVector n = Normal(triangle);
        if (n.y > 0.8f)
            triangle.m_ucClass = ZE_FACE_TOP;
        else if (n.y < -0.8f)
            triangle.m_ucClass = ZE_FACE_BOTTOM;
        else if (std::fabs(n.x) >= std::fabs(n.z))
            triangle.m_ucClass = ZE_FACE_SIDE;
        else
            triangle.m_ucClass = n.z > 0.0f ? ZE_FACE_FRONT : ZE_FACE_BACK;
    }
}

void ZEMesh::Weld()
{
    std::map<std::tuple<long long, long long, long long>, uint32_t> seen;
    std::vector<uint32_t> remap(m_aPositions.size());
    std::vector<ZEVector> positions;
    for (size_t i = 0; i < m_aPositions.size(); ++i)
    {
        const ZEVector& p = m_aPositions[i];
        auto key = std::make_tuple(std::llround(p.x * 1e4), std::llround(p.y * 1e4), std::llround(p.z * 1e4));
        auto found = seen.find(key);
        if (found != seen.end())
        {
            remap[i] = found->second;
            continue;
        }
        remap[i] = static_cast<uint32_t>(positions.size());
        seen[key] = remap[i];
        positions.push_back(p);
    }
    m_aPositions = positions;
    for (ZEMeshTriangle& triangle : m_aTriangles)
        for (uint32_t& index : triangle.m_aulIndex)
            index = remap[index];
}

void ZEMesh::Transform(const ZEVector& rotationDeg, const ZEVector& translation, bool mirrorX)
{
    for (ZEVector& p : m_aPositions)
    {
        p = ZERotateEuler(p, rotationDeg) + translation;
        if (mirrorX)
            p.x = -p.x;
    }
    if (mirrorX)
        for (ZEMeshTriangle& triangle : m_aTriangles)
            std::swap(triangle.m_aulIndex[1], triangle.m_aulIndex[2]);
}

void ZEMesh::Append(const ZEMesh& other)
{
    uint32_t base = static_cast<uint32_t>(m_aPositions.size());
    m_aPositions.insert(m_aPositions.end(), other.m_aPositions.begin(), other.m_aPositions.end());
    for (ZEMeshTriangle triangle : other.m_aTriangles)
    {
        for (uint32_t& index : triangle.m_aulIndex)
            index += base;
        m_aTriangles.push_back(triangle);
    }
}

std::string ZEMesh::Check() const
{
    if (m_aTriangles.empty())
        return "it has no triangles";
    std::map<std::pair<uint32_t, uint32_t>, int> edges;
    for (const ZEMeshTriangle& triangle : m_aTriangles)
    {
        const uint32_t* t = triangle.m_aulIndex;
        if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2] || Normal(triangle) == ZEVector(0, 0, 0))
            return "it has a degenerate triangle";
        for (int e = 0; e < 3; ++e)
            ++edges[std::make_pair(t[e], t[(e + 1) % 3])];
    }
    for (const auto& edge : edges)
    {
        const ZEVector& a = m_aPositions[edge.first.first];
        const ZEVector& b = m_aPositions[edge.first.second];
        std::string at = " at (" + std::to_string(a.x) + ", " + std::to_string(a.y) + ", " + std::to_string(a.z) +
                         ")-(" + std::to_string(b.x) + ", " + std::to_string(b.y) + ", " + std::to_string(b.z) + ")";
        if (edge.second > 1)
            return "it is not consistently wound: an edge runs the same way in two triangles" + at;
        auto opposite = edges.find(std::make_pair(edge.first.second, edge.first.first));
        if (opposite == edges.end())
            return "it is not closed: an edge belongs to one triangle only" + at;
    }
    if (Volume() <= 0.0)
        return "its faces point inward";
    return std::string();
}

ZEMesh ZEMakeBox(const ZEVector& h)
{
    ZEMesh mesh;
    for (int i = 0; i < 8; ++i)
        mesh.AddVertex(ZEVector(i & 1 ? h.x : -h.x, i & 2 ? h.y : -h.y, i & 4 ? h.z : -h.z));
    // Each face listed clockwise as seen from outside.
    const uint32_t faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 4, 6, 2}, {1, 3, 7, 5}, {0, 1, 5, 4}, {2, 6, 7, 3}};
    for (const auto& f : faces)
        mesh.AddQuad(f[0], f[1], f[2], f[3]);
    mesh.Orient();
    return mesh;
}

ZEMesh ZEMakeLathe(const std::vector<ZEPoint2>& profile, int segments)
{
    ZEMesh mesh = Lathe(profile, std::max(3, segments), nullptr);
    mesh.Weld();
    mesh.Orient();
    return mesh;
}

ZEMesh ZEMakeCylinder(float radius, float topRadius, float height, int segments)
{
    float h = height * 0.5f;
    std::vector<ZEPoint2> profile{{0.0f, -h}, {radius, -h}};
    if (topRadius > 0.0f)
        profile.push_back({topRadius, h});
    profile.push_back({0.0f, h});
    return ZEMakeLathe(profile, segments);
}

ZEMesh ZEMakeSphere(float radius, int segments)
{
    int rings = std::max(2, segments / 2);
    std::vector<ZEPoint2> profile;
    for (int k = 0; k <= rings; ++k)
    {
        float angle = -0.5f * kPi + kPi * k / rings;
        profile.push_back({k == 0 || k == rings ? 0.0f : radius * std::cos(angle), radius * std::sin(angle)});
    }
    return ZEMakeLathe(profile, segments);
}

ZEMesh ZEMakeLoft(const std::vector<ZELoftStation>& stations, float round, int roundSteps)
{
    ZEMesh mesh;
    std::vector<std::vector<uint32_t>> rings;
    for (const ZELoftStation& station : stations)
    {
        std::vector<uint32_t> ring;
        for (const ZEPoint2& p : LoftRing(station, round, roundSteps))
            ring.push_back(mesh.AddVertex(ZEVector(p.x, p.y, station.m_fZ)));
        rings.push_back(ring);
    }
    if (rings.size() < 2)
        return mesh;
    size_t n = rings[0].size();
    for (size_t s = 0; s + 1 < rings.size(); ++s)
        for (size_t j = 0; j < n; ++j)
            mesh.AddQuad(rings[s][j], rings[s][(j + 1) % n], rings[s + 1][(j + 1) % n], rings[s + 1][j]);
    const ZELoftStation& first = stations.front();
    const ZELoftStation& last = stations.back();
    uint32_t back = mesh.AddVertex(ZEVector(0.0f, 0.5f * (first.m_fBottom + first.m_fTop), first.m_fZ));
    uint32_t front = mesh.AddVertex(ZEVector(0.0f, 0.5f * (last.m_fBottom + last.m_fTop), last.m_fZ));
    for (size_t j = 0; j < n; ++j)
    {
        mesh.AddTriangle(back, rings.front()[(j + 1) % n], rings.front()[j]);
        mesh.AddTriangle(front, rings.back()[j], rings.back()[(j + 1) % n]);
    }
    mesh.Weld();
    mesh.Orient();
    return mesh;
}

bool ZETriangulate(const std::vector<ZEPoint2>& input, std::vector<uint32_t>& triangles)
{
    std::vector<uint32_t> left;
    for (uint32_t i = 0; i < input.size(); ++i)
        left.push_back(i);
    bool reversed = SignedArea(input) < 0.0;
    if (reversed)
        std::reverse(left.begin(), left.end());
    triangles.clear();
    while (left.size() > 3)
    {
        bool clipped = false;
        for (size_t i = 0; i < left.size() && !clipped; ++i)
        {
            uint32_t a = left[(i + left.size() - 1) % left.size()];
            uint32_t b = left[i];
            uint32_t c = left[(i + 1) % left.size()];
            if (Cross2(input[a], input[b], input[c]) <= 1e-9)
                continue;
            bool ear = true;
            for (uint32_t other : left)
                if (other != a && other != b && other != c &&
                    InsideTriangle(input[other], input[a], input[b], input[c]))
                    ear = false;
            if (!ear)
                continue;
            triangles.insert(triangles.end(), {a, b, c});
            left.erase(left.begin() + static_cast<long>(i));
            clipped = true;
        }
        if (!clipped)
            return false;
    }
    if (left.size() == 3 && Cross2(input[left[0]], input[left[1]], input[left[2]]) > 1e-9)
        triangles.insert(triangles.end(), {left[0], left[1], left[2]});
    if (reversed)
        for (size_t t = 0; t < triangles.size(); t += 3)
            std::swap(triangles[t + 1], triangles[t + 2]);
    return !triangles.empty();
}

ZEMesh ZEMakeExtrusion(const std::vector<ZEPoint2>& outline, float depth, std::string& error)
{
    ZEMesh mesh;
    std::vector<uint32_t> caps;
    if (outline.size() < 3 || !ZETriangulate(outline, caps))
    {
        error = "the outline is not a simple polygon";
        return mesh;
    }
    // The caps as triangulated wind like the outline; make that
    // anticlockwise so the side quads below match them.
    bool clockwise = SignedArea(outline) < 0.0;
    size_t n = outline.size();
    for (const ZEPoint2& p : outline)
        mesh.AddVertex(ZEVector(p.x, p.y, 0.5f * depth));
    for (const ZEPoint2& p : outline)
        mesh.AddVertex(ZEVector(p.x, p.y, -0.5f * depth));
    for (size_t i = 0; i < n; ++i)
    {
        uint32_t j = static_cast<uint32_t>((i + 1) % n);
        uint32_t f = static_cast<uint32_t>(i);
        if (clockwise)
            mesh.AddQuad(j, f, f + n, j + n);
        else
            mesh.AddQuad(f, j, j + n, f + n);
    }
    for (size_t t = 0; t < caps.size(); t += 3)
    {
        uint32_t a = caps[t], b = caps[t + 1], c = caps[t + 2];
        if (clockwise)
            std::swap(b, c);
        mesh.AddTriangle(c, b, a);
        mesh.AddTriangle(a + n, b + n, c + n);
    }
    mesh.Weld();
    mesh.Orient();
    return mesh;
}

ZEMesh ZEMakeArc(float innerRadius, float outerRadius, float fromDeg, float toDeg, float depth, int segments)
{
    ZEMesh mesh;
    bool full = toDeg - fromDeg >= 360.0f;
    int steps = std::max(1, segments);
    int stations = full ? steps : steps + 1;
    float span = full ? 360.0f : toDeg - fromDeg;
    float h = 0.5f * depth;
    std::vector<std::array<uint32_t, 4>> loops;
    for (int s = 0; s < stations; ++s)
    {
        float angle = Radians(fromDeg + span * s / steps);
        float c = std::cos(angle), d = std::sin(angle);
        loops.push_back({mesh.AddVertex(ZEVector(innerRadius * c, innerRadius * d, h)),
                         mesh.AddVertex(ZEVector(outerRadius * c, outerRadius * d, h)),
                         mesh.AddVertex(ZEVector(outerRadius * c, outerRadius * d, -h)),
                         mesh.AddVertex(ZEVector(innerRadius * c, innerRadius * d, -h))});
    }
    for (int s = 0; s < steps; ++s)
    {
        const auto& a = loops[s];
        const auto& b = loops[(s + 1) % stations];
        for (int e = 0; e < 4; ++e)
            mesh.AddQuad(a[e], a[(e + 1) % 4], b[(e + 1) % 4], b[e]);
    }
    if (!full)
    {
        const auto& first = loops.front();
        const auto& last = loops.back();
        mesh.AddQuad(first[3], first[2], first[1], first[0]);
        mesh.AddQuad(last[0], last[1], last[2], last[3]);
    }
    mesh.Weld();
    mesh.Orient();
    return mesh;
}

ZEMesh ZEMakeWheel(const ZEWheelShape& shape, int segments)
{
    float h = 0.5f * shape.m_fWidth;
    float r = shape.m_fRadius;
    float rim = std::min(shape.m_fRimRadius, 0.85f * r);
    float bevel = std::min(0.25f * shape.m_fWidth, 0.12f * r);
    float dish = std::min(0.3f * shape.m_fWidth, 0.6f);
    // (radius, axial position) from the outer hub to the inner face.
    std::vector<ZEPoint2> profile{{0.0f, h - 0.5f * dish}, {0.3f * rim, h - 0.5f * dish}, {0.38f * rim, h - dish},
                                  {rim, h - dish},       {rim + 0.08f * r, h},      {r - bevel, h},
                                  {r, h - bevel},        {r, -h + bevel},           {r - bevel, -h},
                                  {0.0f, -h}};
    int spokes = std::max(1, shape.m_iSpokes);
    LatheTagger tagger = [&](size_t piece, int segment) -> uint8_t {
        if (piece == 0)
            return ZE_WHEEL_HUB;
        if (piece == 1 || piece == 2)
        {
            float turn = (segment + 0.5f) * spokes / segments;
            return turn - std::floor(turn) < 0.45f ? ZE_WHEEL_RIM : ZE_WHEEL_GAP;
        }
        if (piece == 3)
            return ZE_WHEEL_RIM;
        if (piece == 6)
            return ZE_WHEEL_TREAD;
        return ZE_WHEEL_TYRE;
    };
    ZEMesh mesh = Lathe(profile, std::max(3, segments), tagger);
    // The lathe's axis (y) becomes the wheel's axle (x), outer face at +x.
    for (ZEVector& p : mesh.m_aPositions)
        p = ZEVector(p.y, -p.x, p.z);
    mesh.Weld();
    mesh.Orient();
    return mesh;
}
