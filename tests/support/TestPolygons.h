// Polygons for the collision tests, built the way the map and model
// loaders fill them: vertex and index arrays, then Update().
#pragma once

#include "math/ZEPolygon.h"

#include <cstdint>
#include <initializer_list>

// Fills an empty polygon with plain (or lit, lightmap coordinates 0)
// vertices at `positions`, texture coordinates (i, i + 0.5) for vertex i,
// and the given triangle list, then updates it. Returns the polygon.
ZEPolygon* ZEFillTestPolygon(ZEPolygon* polygon, std::initializer_list<ZEVector> positions,
                             std::initializer_list<uint16_t> indices, bool lightmapped = false);
// The same on a new polygon, owned by the caller.
ZEPolygon* ZEMakeTestPolygon(std::initializer_list<ZEVector> positions, std::initializer_list<uint16_t> indices,
                             bool lightmapped = false);
// One triangle a, b, c.
ZEPolygon* ZEMakeTestTriangle(const ZEVector& a, const ZEVector& b, const ZEVector& c);
// Links the polygons into a list in the given order; returns the head.
ZEPolygon* ZELinkTestPolygons(std::initializer_list<ZEPolygon*> polygons);
