// ZEMapMath: the map compiler's geometry in double precision.
//
// Every stage of the compiler works on convex planar polygons in world
// units (y up, left-handed, x right and z forward as seen from above). A
// polygon's front is the side its plane normal points to; its corners run
// so that (p1 - p0) x (p2 - p0) is that normal - clockwise as seen from the
// front, the winding the renderer draws and the engine's planes follow.
// Each corner carries its texture coordinates, so cutting a polygon
// interpolates them along the cut edges and the texture does not move.
//
// Classification of a point against a plane uses a tolerance: within
// ZE_MAP_ON_PLANE of the plane counts as on it. Cuts are made in double
// and only the file's floats are rounded.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

// How close to a plane a point may be and still count as lying in it.
constexpr double ZE_MAP_ON_PLANE = 0.01;

struct ZEMapVec3
{
    double x = 0.0, y = 0.0, z = 0.0;

    ZEMapVec3() = default;
    ZEMapVec3(double ax, double ay, double az) : x(ax), y(ay), z(az) {}

    ZEMapVec3 operator+(const ZEMapVec3& o) const { return ZEMapVec3(x + o.x, y + o.y, z + o.z); }
    ZEMapVec3 operator-(const ZEMapVec3& o) const { return ZEMapVec3(x - o.x, y - o.y, z - o.z); }
    ZEMapVec3 operator-() const { return ZEMapVec3(-x, -y, -z); }
    ZEMapVec3 operator*(double f) const { return ZEMapVec3(x * f, y * f, z * f); }
    ZEMapVec3& operator+=(const ZEMapVec3& o) { x += o.x; y += o.y; z += o.z; return *this; }
    double Dot(const ZEMapVec3& o) const { return x * o.x + y * o.y + z * o.z; }
    ZEMapVec3 Cross(const ZEMapVec3& o) const
    {
        return ZEMapVec3(y * o.z - z * o.y, z * o.x - x * o.z, x * o.y - y * o.x);
    }
    double Length() const { return std::sqrt(Dot(*this)); }
    // The zero vector stays zero.
    ZEMapVec3 Unit() const
    {
        double length = Length();
        return length > 0.0 ? *this * (1.0 / length) : *this;
    }
};

// n.p + d: positive in front.
struct ZEMapPlane
{
    ZEMapVec3 m_vNormal{0.0, 1.0, 0.0};
    double m_dDistance = 0.0;

    double Distance(const ZEMapVec3& p) const { return m_vNormal.Dot(p) + m_dDistance; }
    bool SameAs(const ZEMapPlane& other) const;
};

struct ZEMapVertex
{
    ZEMapVec3 p;
    double u = 0.0, v = 0.0;   // texture coordinates
};

// Where a polygon or point lies against a plane.
enum ZEMapSide
{
    ZE_MAP_ON = 0,
    ZE_MAP_FRONT = 1,
    ZE_MAP_BACK = 2,
    ZE_MAP_SPANNING = 3
};

// A convex planar polygon of the level, with the surface it belongs to.
struct ZEMapPolygon
{
    std::vector<ZEMapVertex> m_aVertices;
    ZEMapPlane m_Plane;
    uint16_t m_usTexture = 0;       // index into the compiler's texture list
    uint8_t m_ucOpacity = 255;
    bool m_bCastsShadow = true;
    uint32_t m_ulLine = 0;          // description line that made it

    // The plane from the corners (Newell's method, so a slightly uneven
    // polygon still gets its mean plane); false for a degenerate polygon.
    bool UpdatePlane();
    // Reverses the corners when the plane does not face `front`.
    void FaceTowards(const ZEMapVec3& front);
    double Area() const;
    ZEMapVec3 Centroid() const;
    ZEMapSide Classify(const ZEMapPlane& plane, double tolerance = ZE_MAP_ON_PLANE) const;
    // Cuts along the plane; either result may come back empty. Corners
    // within the tolerance go to both sides, so the halves meet exactly.
    void Split(const ZEMapPlane& plane, ZEMapPolygon& front, ZEMapPolygon& back) const;
    // Drops corners that repeat or lie on the line of their neighbours.
    void RemoveDegenerateCorners();
    bool IsUsable() const { return m_aVertices.size() >= 3 && Area() > 1e-4; }
};

// Sets u, v of every corner from world axes: u = p.uAxis, v = p.vAxis.
void ZEMapProjectTexture(ZEMapPolygon& polygon, const ZEMapVec3& uAxis, const ZEMapVec3& vAxis);

// Two unit axes in a plane with normal n, the same ones every time for the
// same normal (so neighbouring faces share their texture and lightmap
// directions).
void ZEMapPlaneAxes(const ZEMapVec3& n, ZEMapVec3& right, ZEMapVec3& up);

// A polygon from corners, facing `front`, with its plane set.
ZEMapPolygon ZEMapMakePolygon(const std::vector<ZEMapVec3>& corners, const ZEMapVec3& front);

// 2D helpers on the ground plane (x, z).
struct ZEMapVec2
{
    double x = 0.0, z = 0.0;

    ZEMapVec2() = default;
    ZEMapVec2(double ax, double az) : x(ax), z(az) {}
    ZEMapVec2 operator+(const ZEMapVec2& o) const { return ZEMapVec2(x + o.x, z + o.z); }
    ZEMapVec2 operator-(const ZEMapVec2& o) const { return ZEMapVec2(x - o.x, z - o.z); }
    ZEMapVec2 operator*(double f) const { return ZEMapVec2(x * f, z * f); }
    double Dot(const ZEMapVec2& o) const { return x * o.x + z * o.z; }
    // Positive when o lies clockwise (to the right) of this, seen from above.
    double CrossY(const ZEMapVec2& o) const { return z * o.x - x * o.z; }
    double Length() const { return std::sqrt(Dot(*this)); }
    ZEMapVec2 Unit() const
    {
        double length = Length();
        return length > 0.0 ? *this * (1.0 / length) : *this;
    }
};

// Distance from p to the segment a-b on the ground plane.
double ZEMapSegmentDistance(const ZEMapVec2& p, const ZEMapVec2& a, const ZEMapVec2& b);

// A convex region of the ground plane, corners in either winding.
using ZEMapRegion = std::vector<ZEMapVec2>;

// The parts of `piece` outside the convex `hole`, each convex.
std::vector<ZEMapRegion> ZEMapSubtract(const ZEMapRegion& piece, const ZEMapRegion& hole);
// The overlap of two convex regions (empty when they do not meet).
ZEMapRegion ZEMapIntersect(const ZEMapRegion& a, const ZEMapRegion& b);
// Area of the overlap of two convex regions.
double ZEMapOverlapArea(const ZEMapRegion& a, const ZEMapRegion& b);
double ZEMapRegionArea(const ZEMapRegion& region);
// Joins neighbouring convex regions that share an edge while the union
// stays convex.
void ZEMapMergeRegions(std::vector<ZEMapRegion>& regions);
