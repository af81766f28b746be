// ZEWater: a water surface placed by a map's "Water" entity.
//
// What it does: the water takes over the entity's polygon list and draws
// it (unless the camera culls its bounding sphere). Its vertices may bob up
// and down (m_lWaveHeight, the wave amplitude; 0 keeps them still) and its
// texture may drift or scroll (m_ulTexAnimation, modes 0-5; elapsed time t
// in ms, s = t / 20000):
//   0 none   1 random drift of u and v within +-0.05   2 v - s   3 u - s
//   4 u - s, v - s   5 u - s, v + s   (other modes change nothing)
// The moving vertices are either all vertices or only the inner ones
// (m_bFindVertices: those whose triangles' corner angles add up to a full
// turn, so the edge keeps touching the shore); they are the lit vertices
// when the polygons keep their lightmaps, the plain ones otherwise. For
// each moving vertex the water keeps its height offset from rest and its
// direction. A water with moving vertices and a polygon that is not opaque
// is drawn in the second pass; a still water stays in the first.
//
// Randomness (when a resting vertex sets off, which way the drift goes)
// comes only from the engine's seeded generator (ZERandM).
//
// Entity data block (little-endian): 0 i32 wave amplitude, 4 u32 texture
// animation mode, 8 u8 keep lightmaps, 9 u8 find inner vertices.
//
// Ownership: the water owns its polygons and its four vertex arrays; it
// lives in the world's object list. It refuses nothing: a missing entity
// gives an empty water, a water without vertices to move stops its waves.
#pragma once

#include "math/ZEVertex.h"
#include "world/ZEEngineObject.h"

#include <cstdint>
#include <utility>
#include <vector>

class ZECamera;
class ZECustomEntity;
class ZEEngine;
class ZEPolygon;
class ZERenderer;

// What one frame does to a moving water vertex whose direction is not 0.
enum class ZEWaveMove
{
    Move,   // the vertex rises or sinks by the frame's step
    Stop,   // back within 0.01 of rest: offset and direction 0, not moved
    Turn,   // at half the amplitude or beyond: turns back, not moved
};

// Advances a moving vertex's offset by direction x step and decides its
// frame (the direction turns back towards rest at +-amplitude / 2).
ZEWaveMove ZEStepWave(float& offset, int8_t& direction, float step, float amplitude);
// The drift's turn rules for one texture axis after its offset moved: an
// offset within 0.0001 of 0 comes to rest, one at or beyond 0.05 turns its
// direction back towards 0.
void ZESettleDrift(float& offset, float& direction);
// The fixed texture shift of modes 2-5 for `milliseconds`; false (nothing
// written) for the other modes.
bool ZEWaterTextureShift(uint32_t mode, uint32_t milliseconds, float& du, float& dv);
// Per vertex of the polygon, the sum of its triangles' interior angles at
// it, in degrees. A corner with an edge of zero length adds nothing;
// triangles with an index beyond the vertices are skipped.
std::vector<float> ZEWaterAngleSums(const ZEPolygon& polygon);

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

private:
    // Whether the polygon has vertices of the kind that moves (lit ones
    // while the lightmaps are kept, plain ones otherwise).
    bool HasMovableVertices(const ZEPolygon& polygon) const;
    // Makes the chosen vertices (polygon, vertex index pairs in order) the
    // moving ones, or stops the waves when there are none.
    void TakeMovingVertices(const std::vector<std::pair<ZEPolygon*, uint16_t>>& chosen);
    // Amplitude 0, no moving vertices, the arrays freed.
    void StopWaves();
    void SecondPassWhenTranslucent();
    float& Height(uint32_t i);
    // Mode 1: the drift's step for this frame.
    void Drift(uint32_t milliseconds, float& du, float& dv);
    // Adds du and dv to the texture coordinates of every vertex.
    void ShiftTexture(float du, float dv);
};
