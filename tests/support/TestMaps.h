// Maps for the loader's tests and benchmark, built with ZEBspWriter.
//
// Quads are two triangles (a, b, c) and (a, c, d) over four new lit
// vertices with texture coordinates 0..1 on both units; their plane is the
// engine's ZEPlane(a, b, c). Floors face up (+y); walls across z face
// towards -z. A split map has an inner root on the plane x = 0 (front:
// x > 0) with one leaf on each side, each holding the faces given.
#pragma once

#include "ZEBspWriter.h"
#include "math/ZEVector.h"

#include <cstdint>
#include <vector>

namespace ZETestMaps
{
ZEBspWriter::Face MakeQuad(ZEBspWriter& writer, uint16_t texture, const ZEVector& a, const ZEVector& b,
                           const ZEVector& c, const ZEVector& d, uint8_t opacity = 255);
// The rectangle x0..x1 by z0..z1 at height y, facing up.
ZEBspWriter::Face MakeFloor(ZEBspWriter& writer, uint16_t texture, float x0, float x1, float z0, float z1, float y,
                            uint8_t opacity = 255);
// The rectangle x0..x1 by y0..y1 in the plane z = z, facing -z.
ZEBspWriter::Face MakeWall(ZEBspWriter& writer, uint16_t texture, float z, float x0, float x1, float y0, float y1);

// An inner root on x = 0 over a front and a back leaf; returns the root.
uint32_t MakeSplit(ZEBspWriter& writer, const std::vector<ZEBspWriter::Face>& front,
                   const std::vector<ZEBspWriter::Face>& back);

// A level of cellsX x cellsZ floor cells of `cellSize`, each a face with a
// lightmapSize x lightmapSize lightmap, in a tree split alternately on x
// and z down to one cell a leaf, plus an ambient and a directional light.
ZEBspWriter MakeGridMap(uint32_t cellsX, uint32_t cellsZ, float cellSize, uint16_t lightmapSize);

// A split floor with one entity of every engine class (each with the data
// block it reads, polygons where the class takes them) and one custom
// entity, a "TrackNode".
ZEBspWriter MakeEveryClassMap();
}
