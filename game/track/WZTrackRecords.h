// WZTrackRecords: the data blocks of the map entities the game builds a
// race from, in one place for every reader and writer - the map compiler
// writes them, its checker verifies them and the game reads them.
//
// Layout. Every block is little-endian and unaligned; the records below
// name their fields in order and are read and written only through Decode
// and Encode, never through the host layout of the struct.
//
//   "TrackNode"      a lap checkpoint: index (signed byte, 0 = the start
//                    line), three unused bytes; one polygon across the road
//                    whose plane normal points against the direction of
//                    travel.
//   "AINode"         a waypoint of the computer drivers: index, three
//                    unused bytes, target speed factor (float, km/h),
//                    handbrake flag (byte).
//   "StartPosition"  grid position 1 to 4: index, three unused bytes,
//                    heading (float, degrees about +y).
//   "RoadSign"       a sign cars can knock over: type (u32, 0 stop, 1 "60",
//                    2 "100", 3 empty, 4 "?", 5 camel; anything else stop),
//                    heading (float, degrees).
//   "Barrier"        an invisible wall: no data, one or more polygons; the
//                    first polygon's plane faces the track.
//   "PowerUp"        a pickup: no data, only its origin.
//
// Refusals. A block shorter than its record is not read at all: the game
// skips the entity with a console message, the checker reports it. A class
// that needs polygons and has none is skipped the same way. Node indices
// outside 0 to WZ_MAX_NODE_INDEX and grid indices outside 1 to 4 are the game's
// to judge (WZTrack).
#pragma once

#include "core/ZEByteOrder.h"

#include <cstdint>
#include <cstring>

#pragma pack(push, 1)
struct _WZTrackNodeRecord
{
    int8_t m_cIndex;
    uint8_t m_aucUnused[3];

    static constexpr uint32_t ms_ulSize = 4;
    static _WZTrackNodeRecord Decode(const uint8_t* bytes)
    {
        _WZTrackNodeRecord record{};
        record.m_cIndex = static_cast<int8_t>(bytes[0]);
        return record;
    }
    void Encode(uint8_t* bytes) const
    {
        std::memset(bytes, 0, ms_ulSize);
        bytes[0] = static_cast<uint8_t>(m_cIndex);
    }
};

struct _WZAINodeRecord
{
    int8_t m_cIndex;
    uint8_t m_aucUnused[3];
    float m_fSpeed;           // km/h; the driver brakes above skill x speed + 40
    uint8_t m_ucHandbrake;    // non-zero: a hairpin taken on the handbrake

    static constexpr uint32_t ms_ulSize = 9;
    static _WZAINodeRecord Decode(const uint8_t* bytes)
    {
        _WZAINodeRecord record{};
        record.m_cIndex = static_cast<int8_t>(bytes[0]);
        record.m_fSpeed = ZEReadLEFloat(bytes + 4);
        record.m_ucHandbrake = bytes[8];
        return record;
    }
    void Encode(uint8_t* bytes) const
    {
        std::memset(bytes, 0, ms_ulSize);
        bytes[0] = static_cast<uint8_t>(m_cIndex);
        ZEWriteLEFloat(bytes + 4, m_fSpeed);
        bytes[8] = m_ucHandbrake;
    }
};

struct _WZStartPositionRecord
{
    int8_t m_cIndex;          // 1 to 4
    uint8_t m_aucUnused[3];
    float m_fHeading;

    static constexpr uint32_t ms_ulSize = 8;
    static _WZStartPositionRecord Decode(const uint8_t* bytes)
    {
        _WZStartPositionRecord record{};
        record.m_cIndex = static_cast<int8_t>(bytes[0]);
        record.m_fHeading = ZEReadLEFloat(bytes + 4);
        return record;
    }
    void Encode(uint8_t* bytes) const
    {
        std::memset(bytes, 0, ms_ulSize);
        bytes[0] = static_cast<uint8_t>(m_cIndex);
        ZEWriteLEFloat(bytes + 4, m_fHeading);
    }
};

struct _WZRoadSignRecord
{
    uint32_t m_ulType;
    float m_fHeading;

    static constexpr uint32_t ms_ulSize = 8;
    static _WZRoadSignRecord Decode(const uint8_t* bytes)
    {
        return _WZRoadSignRecord{ZEReadLE32(bytes), ZEReadLEFloat(bytes + 4)};
    }
    void Encode(uint8_t* bytes) const
    {
        ZEWriteLE32(bytes, m_ulType);
        ZEWriteLEFloat(bytes + 4, m_fHeading);
    }
};
#pragma pack(pop)

static_assert(sizeof(_WZTrackNodeRecord) == _WZTrackNodeRecord::ms_ulSize, "a track node block is 4 bytes");
static_assert(sizeof(_WZAINodeRecord) == _WZAINodeRecord::ms_ulSize, "an AI node block is 9 bytes");
static_assert(sizeof(_WZStartPositionRecord) == _WZStartPositionRecord::ms_ulSize, "a grid block is 8 bytes");
static_assert(sizeof(_WZRoadSignRecord) == _WZRoadSignRecord::ms_ulSize, "a road sign block is 8 bytes");

// Track and AI nodes are numbered 0 to ms_lMaxIndex.
constexpr int32_t WZ_MAX_NODE_INDEX = 49;
constexpr uint32_t WZ_MAX_NODES = WZ_MAX_NODE_INDEX + 1;

// The game's entity classes with what each needs from the map.
struct WZTrackEntityClass
{
    const char* m_pName;
    uint32_t m_ulDataSize;    // bytes its block must hold
    bool m_bNeedsPolygons;
};

constexpr WZTrackEntityClass WZ_TRACK_ENTITY_CLASSES[] = {
    {"TrackNode", _WZTrackNodeRecord::ms_ulSize, true},
    {"AINode", _WZAINodeRecord::ms_ulSize, false},
    {"StartPosition", _WZStartPositionRecord::ms_ulSize, false},
    {"Barrier", 0, true},
    {"PowerUp", 0, false},
    {"RoadSign", _WZRoadSignRecord::ms_ulSize, false},
};

// The class of that name, or null.
inline const WZTrackEntityClass* WZFindTrackEntityClass(const char* name)
{
    for (const WZTrackEntityClass& entityClass : WZ_TRACK_ENTITY_CLASSES)
        if (std::strcmp(entityClass.m_pName, name) == 0)
            return &entityClass;
    return nullptr;
}
