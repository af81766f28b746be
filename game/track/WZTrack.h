// WZTrack: what the game takes from a map to race on - the lap checkpoints
// (track nodes), the computer drivers' waypoints (AI nodes), the four grid
// positions - and the props and pickups it puts into the world.
//
// Loading. While a map loads, the engine hands every entity it does not
// know to the application, which passes it to Receive(). The game's
// classes are a table (name -> maker), not a switch; each maker checks the
// entity's data block against its record (track/WZTrackRecords.h) and the
// polygons it needs, and skips the entity with a console message when they
// are missing. Node entities go into 50-entry buffers by their index; the
// arrays are built from the buffers by EndLoading().
//
// Node rules. Indices run from 0 to 49; others are ignored. The first
// entity of each index is kept and a second one is reported and ignored.
// The nodes in use are the run filled from index 0 upwards; a node after a
// gap is reported and not used (so "node 3 missing" leaves nodes 0 to 2).
// A track with no nodes of a kind has a count of 0, and everything that
// follows nodes (lap counting, resets, the computer drivers) skips it.
//
// Grid: StartPosition 1 to 4 set entry index - 1; others are ignored; a map
// without them leaves the grid as it was.
#pragma once

#include "math/ZEBoundingVolume.h"
#include "math/ZEPlane.h"
#include "math/ZEVector.h"
#include "track/WZTrackRecords.h"

#include <cstdint>

class ZECustomEntity;
class ZEEngine;

struct WZTrackNode
{
    ZEPlane m_Plane;              // passed once a car lies on its negative side
    ZEVector m_vPosition;         // on the centre line; where a reset puts a car
    ZEBoundingSphere m_Sphere;    // radius 900 around m_vPosition: a pass counts only inside
};

struct WZAINode
{
    ZEVector m_vPosition;
    float m_fSpeed = 0.0f;        // km/h, scaled by the driver's skill
    bool m_bHandbrake = false;
};

// What the makers of world objects need to know.
struct WZTrackOptions
{
    bool m_bPowerUps = false;     // pickups are made
    bool m_bRoadSigns = true;     // road signs are made (not at the lowest detail)
};

class WZTrack
{
public:
    WZTrack();
    ~WZTrack();
    WZTrack(const WZTrack&) = delete;
    WZTrack& operator=(const WZTrack&) = delete;

    // Empties the buffers and counts; from now on Receive fills them.
    void BeginLoading(const WZTrackOptions& options);
    // Takes what it needs from a map entity; the entity stays the caller's
    // (the loader deletes it). False for a class the game does not know.
    bool Receive(const ZECustomEntity& entity, ZEEngine* engine);
    // Replaces the node arrays by the runs loaded; reports gaps.
    void EndLoading();

    uint32_t m_ulNumTrackNodes = 0;
    WZTrackNode* m_pTrackNodes = nullptr;
    uint32_t m_ulNumAINodes = 0;
    WZAINode* m_pAINodes = nullptr;
    ZEVector m_avStartPosition[4];
    float m_afStartHeading[4] = {0.0f, 0.0f, 0.0f, 0.0f};

private:
    friend struct WZTrackMakers;

    // One node kind's loading buffer.
    template <class Node>
    struct Buffer
    {
        Node m_aNodes[WZ_MAX_NODES];
        bool m_abFilled[WZ_MAX_NODES] = {};
        // The first index not filled from 0 upwards.
        uint32_t Run() const;
    };
    template <class Node>
    bool Store(Buffer<Node>& buffer, int32_t index, const Node& node, const char* kind);
    template <class Node>
    uint32_t Adopt(Buffer<Node>& buffer, Node*& nodes, const char* kind);

    WZTrackOptions m_Options;
    Buffer<WZTrackNode>* m_pTrackBuffer = nullptr;
    Buffer<WZAINode>* m_pAIBuffer = nullptr;
};
