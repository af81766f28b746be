// zemodelc's compiler: a model description (ZEModelDescription) becomes a
// ".zmf" model through ZEZmfWriter.
//
// A description has three kinds of section besides its parts:
//   [model]      kind = car | prop, levels, and for a car its collision box
//                (size = width height length), rear_axle and optionally
//                tyre = width inset; for a prop optionally bounds.
//   [materials]  name = r g b [opacity]: the colours parts refer to.
//   [<image>]    type = image: a texture painted from shapes (liveries,
//                sign faces), projected onto the parts that name it.
// Every other section is a part with a type: box, cylinder, cone, sphere,
// lathe, loft, stripe, extrude, arc or (cars only) wheels. The keys each
// type takes are listed in content/README.md and by `zemodelc --keys`.
//
// Frames. A car is described around the centre of its collision box: x to
// the right, y up, z forward, the box reaching +-width/2, +-height/2 and
// +-length/2, so light, smoke and siren offsets (given from the box centre)
// can be read off the description directly. The compiled model is moved so
// that its lowest point (the tyres' contact) is at y = 0 and the rear
// wheels touch the road at z = rear_axle: the model's origin lies ahead of
// the box centre by the rear wheels' distance to the origin. A prop keeps
// its description's frame.
//
// Rules the compiler enforces, each reported as "file:line: why": every
// key known to its section's type and well formed; every part, at every
// level of detail and in every key frame, one or more closed, welded,
// consistently and outward-wound meshes; a car's parts inside its declared
// box and the parts filling it (within 0.25 units) so that the box centre
// is where the description says; a car with exactly one wheel set, its
// track matching the declared tyre inset; at most 65535 vertices.
//
// Levels and animations. A car has `levels` levels of detail (default 3;
// parts may stop at a level with lod = N; wheels and lofts use fewer
// segments further out) and three animations: 0 "straight", 1 "left",
// 2 "right", each turning the wheels once in 251 x wheel radius ms through
// `frames` key frames per turn (so rims and spokes never blend through a
// large angle), the last key frame repeating the first pose. Static parts
// are written once in the first key frame and repeated by reference
// (mode 1) after it. A prop has one animation "default" of one key frame.
//
// Shading. The engine draws models unlit, so each triangle's colour is its
// material scaled by a fixed light from above, behind and to the left
// (between 0.6 and 1.0, in steps of 0.04); a part with shade = no keeps its
// colour (lamps). Triangles of the same colour, texture and opacity share a
// group.
#pragma once

#include "ZEModelDescription.h"
#include "ZEZmfWriter.h"

#include "math/ZEVector.h"

#include <string>
#include <vector>

struct ZEModelReport
{
    bool m_bCar = false;
    std::vector<uint32_t> m_aulTriangles;   // per level, one key frame
    uint32_t m_ulVertices = 0;
    uint32_t m_ulTextures = 0;
    uint32_t m_ulMaterials = 0;
    uint32_t m_ulAnimations = 0;
    ZEVector m_vMin;                        // of the compiled model
    ZEVector m_vMax;
    float m_fRearAxle = 0.0f;               // declared (cars)
    float m_fRearContactZ = 0.0f;           // where the rear wheels touch (cars)
    float m_fWheelRadius = 0.0f;
    float m_fWheelTrack = 0.0f;             // x of the wheels' centre planes

    // The sizes the game derives from the box, as printed by zemodelc.
    std::string Describe() const;
};

class ZEModelCompiler
{
public:
    // Builds the model into `writer` (which should be fresh). False, with
    // every problem in GetErrors(), when the description breaks a rule.
    bool Compile(const ZEModelDescription& description, ZEZmfWriter& writer, ZEModelReport& report);
    const std::vector<std::string>& GetErrors() const { return m_aErrors; }

private:
    std::vector<std::string> m_aErrors;
};

// Reads, compiles and writes a model file; false with the errors when any
// step fails (an existing output is then left untouched).
bool ZECompileModelFile(const std::string& input, const std::string& output, std::vector<std::string>& errors,
                        ZEModelReport& report);

// The keys every section type accepts, one type a line (for --keys).
std::string ZEDescribeModelKeys();
