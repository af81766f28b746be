// The two vertex layouts handed to the renderer. Both begin with their
// position, so a pointer to either reads as a ZEVector; their sizes are the
// strides of the renderer's vertex arrays and of the map and model files.
#pragma once

struct ZEVertex
{
    float x, y, z;
    float u, v;
};

struct ZELVertex
{
    float x, y, z;
    float u, v;
    float lu, lv;   // lightmap coordinates, second texture unit
};

static_assert(sizeof(ZEVertex) == 20, "vertex array stride");
static_assert(sizeof(ZELVertex) == 28, "lightmapped vertex array stride");
