// ZEWater: a water surface placed by a map's "Water" entity.
//
// The water takes over the entity's polygon list. Its vertices may bob up
// and down (m_lWaveHeight, the wave amplitude; 0 keeps them still) and its
// texture may drift or scroll (m_ulTexAnimation, modes 0-5; elapsed time t
// in ms, s = t / 20000):
//   0 none   1 random drift of u and v within +-0.05   2 v - s   3 u - s
//   4 u - s, v - s   5 u - s, v + s   (other modes change nothing)
// The moving vertices are either all vertices or only the inner ones
// (m_bFindVertices: those surrounded by triangles, so the edge keeps
// touching the shore); they are the lit vertices when the polygons keep
// their lightmaps, the plain ones otherwise. For each moving vertex the
// water keeps its height offset from rest and its direction.
//
// Entity data block (little-endian): 0 i32 wave amplitude, 4 u32 texture
// animation mode, 8 u8 keep lightmaps, 9 u8 find inner vertices.
//
// Ownership: the water owns its polygons and its four vertex arrays; it
// lives in the world's object list.
#pragma once

#include "math/ZEVertex.h"
#include "world/ZEEngineObject.h"

#include <cstdint>

class ZECamera;
class ZECustomEntity;
class ZEEngine;
class ZEPolygon;
class ZERenderer;

class ZEWater : public ZEEngineObject
{
    ZE_DECLARE_RTTI
public:
    static constexpr uint16_t ms_usDataSize = 10;

    // Builds the water from the entity and deletes the entity.
    explicit ZEWater(ZECustomEntity* entity);
    // Deletes every polygon and the vertex arrays.
    ~ZEWater() override;

    // Vertex waves when the amplitude is not 0, then the texture animation
    // when the mode is not 0.
    void Animate(uint32_t step, ZEEngine* engine) override;
    // Every polygon in list order, unless the camera culls the volume.
    void Render(ZERenderer* renderer, ZECamera* camera) override;

    void UpdateVertexAni(uint32_t milliseconds);
    void UpdateTexAni(uint32_t milliseconds);
    // Chooses the inner vertices / every vertex as the moving ones.
    void FindVertices();
    void GetAllVertices();

    bool m_bKeepLightmaps = false;
    bool m_bFindVertices = false;
    int32_t m_lWaveHeight = 0;
    uint32_t m_ulTexAnimation = 0;
    ZEPolygon* m_pPolygons = nullptr;
    ZEVertex** m_ppVertices = nullptr;
    ZELVertex** m_ppLVertices = nullptr;
    float* m_pfOffsets = nullptr;
    int8_t* m_pcDirections = nullptr;
    uint32_t m_ulNumVertices = 0;
    float m_fTexOffsetU = 0.0f;
    float m_fTexOffsetV = 0.0f;
    float m_fTexDirU = 0.0f;
    float m_fTexDirV = 0.0f;
};
