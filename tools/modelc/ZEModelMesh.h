// Closed triangle meshes and the shapes the model compiler builds them
// from.
//
// Conventions of the engine: +X right, +Y up, +Z forward (left-handed); a
// triangle (p1, p2, p3) is seen from the side its normal
// (p2 - p1) x (p3 - p1) points to, and back faces are culled. Every shape
// here is one closed, welded, consistently wound mesh with its normals
// pointing outward: each generator builds the surface with shared
// vertices, and Orient() turns the whole mesh outward by the sign of its
// volume, so a generator never has to get the winding of a mirrored or
// flipped part right by hand. Check() is what the compiler trusts: every
// directed edge appears once and its reverse once, no triangle is
// degenerate, and the volume is positive.
//
// Each triangle carries a face class from its normal in the shape's own
// frame (the dominant axis: top, bottom, side, front, back), which the
// compiler turns into a material, and an optional tag (a wheel's hub, rim,
// spoke, tyre) that overrides the class for the parts that set one.
#pragma once

#include "math/ZEVector.h"

#include <cstdint>
#include <string>
#include <vector>

enum ZEFaceClass : uint8_t
{
    ZE_FACE_TOP,
    ZE_FACE_BOTTOM,
    ZE_FACE_SIDE,
    ZE_FACE_FRONT,
    ZE_FACE_BACK,
    ZE_FACE_CLASSES
};

struct ZEMeshTriangle
{
    uint32_t m_aulIndex[3];
    uint8_t m_ucClass = ZE_FACE_SIDE;
    uint8_t m_ucTag = 0;   // generator-specific surface (0: none)
};

struct ZEMesh
{
    std::vector<ZEVector> m_aPositions;
    std::vector<ZEMeshTriangle> m_aTriangles;

    uint32_t AddVertex(const ZEVector& position);
    void AddTriangle(uint32_t a, uint32_t b, uint32_t c, uint8_t tag = 0);
    // a, b, c, d around a quad; split along a-c.
    void AddQuad(uint32_t a, uint32_t b, uint32_t c, uint32_t d, uint8_t tag = 0);

    ZEVector Normal(const ZEMeshTriangle& triangle) const;   // unit, or zero when degenerate
    double Volume() const;
    // Reverses every triangle when the volume is negative.
    void Orient();
    // Sets every triangle's class from its normal.
    void Classify();
    // Merges vertices at the same position (to 1e-4) and renumbers.
    void Weld();
    // Applies a point transform; reverses the triangles when it mirrors.
    void Transform(const ZEVector& rotationDeg, const ZEVector& translation, bool mirrorX);
    void Append(const ZEMesh& other);

    // Empty when the mesh is closed, welded, consistently wound, outward
    // and free of degenerate triangles; otherwise why not.
    std::string Check() const;
};

// A 2D point of an outline or profile.
struct ZEPoint2
{
    float x = 0.0f;
    float y = 0.0f;
};

// One cross-section of a loft at z: bottom and top heights and the half
// widths at the bottom and at the top (the sides may lean in).
struct ZELoftStation
{
    float m_fZ = 0.0f;
    float m_fBottom = 0.0f;
    float m_fTop = 0.0f;
    float m_fBottomHalfWidth = 0.0f;
    float m_fTopHalfWidth = 0.0f;
};

// The surfaces of a wheel, as triangle tags.
enum ZEWheelTag : uint8_t
{
    ZE_WHEEL_TYRE = 1,   // sidewalls
    ZE_WHEEL_TREAD,
    ZE_WHEEL_RIM,        // spokes and the rim's lip
    ZE_WHEEL_GAP,        // between the spokes
    ZE_WHEEL_HUB
};

struct ZEWheelShape
{
    float m_fRadius = 6.0f;
    float m_fWidth = 3.0f;
    float m_fRimRadius = 3.6f;
    int m_iSpokes = 5;
};

ZEMesh ZEMakeBox(const ZEVector& halfSize);
// Around the local Y axis: profile points (radius, height) from the bottom
// to the top. A profile that starts and ends on the axis closes the mesh.
ZEMesh ZEMakeLathe(const std::vector<ZEPoint2>& profile, int segments);
ZEMesh ZEMakeCylinder(float radius, float topRadius, float height, int segments);
ZEMesh ZEMakeSphere(float radius, int segments);
// Along z through the stations (rising z); corners rounded with `round`
// in `roundSteps` straight pieces (1: a chamfer).
ZEMesh ZEMakeLoft(const std::vector<ZELoftStation>& stations, float round, int roundSteps);
// A polygon in the XY plane (any winding, not self-intersecting) extruded
// from z = -depth/2 to depth/2. Empty (and `error` set) when the outline
// cannot be triangulated.
ZEMesh ZEMakeExtrusion(const std::vector<ZEPoint2>& outline, float depth, std::string& error);
// An annular sector in the XY plane, angles in degrees from +x towards +y;
// a span of 360 or more makes a closed ring.
ZEMesh ZEMakeArc(float innerRadius, float outerRadius, float fromDeg, float toDeg, float depth, int segments);
// A wheel around the local X axis, its outer face towards +x, tagged by
// surface; the spokes alternate with gaps around the rim.
ZEMesh ZEMakeWheel(const ZEWheelShape& shape, int segments);

// The triangulation of a simple polygon by ear clipping: index triples
// into `outline`, wound like the outline. False when it fails.
bool ZETriangulate(const std::vector<ZEPoint2>& outline, std::vector<uint32_t>& triangles);

// Rotation by Euler degrees applied x first, then y, then z.
ZEVector ZERotateEuler(const ZEVector& point, const ZEVector& rotationDeg);
