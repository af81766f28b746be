// ZEMapDescription: a race track as its author describes it, read from a
// TOML file in content/maps/.
//
// The description names what the compiler builds, never how: a closed
// road given by the control points of a smooth centre line and a width,
// flat at y = 0, with a verge up to the walls on either side, narrower in
// the sections that ask for single file; the ground
// around it, which rises into hills away from the road; buildings, tunnels,
// bridges and rails; lights; placed entities; and how many track and AI
// nodes to generate. Every value keeps the line it was written on, so any
// later stage can refuse it by line.
//
// Reading checks types, ranges and names (a texture must be declared in
// [textures], a texture or package name has at most 11 characters, a model
// name at most 31) and refuses unknown keys, so a misspelt key is an error
// rather than a silently missing feature. Geometric rules (a curve too
// tight for the road, scenery on the road) are checked by the later stages.
//
// Places: a thing stands either at `position = [x, y, z]` or `along` the
// track (distance from the start line in the direction of travel), `side`
// units to the right of the centre line, `y` above the ground.
//
// A description without [track] is a scene map (the intro's scenes): the
// ground, hills, boxes, rails, lights, sky box and placed entities, but no
// road. What only a track can have - [[narrow]], [walls], [[tunnel]],
// [[bridge]], [nodes], [grid], [[powerup]], [[roadsign]] and any place
// given `along` the track - is refused there with its line, and [ground]
// must name its texture (there is no verge to borrow it from). Its flat
// ground may lie at another height than 0 ([ground] y).
#pragma once

#include "ZEMapMath.h"

#include "core/ZEString.h"

#include <cstdint>
#include <vector>

// Errors and notes of one compilation, each "file:line: text".
class ZEMapMessages
{
public:
    explicit ZEMapMessages(const ZEString& file = ZEString("description")) : m_File(file) {}

    // Line 0 means the description as a whole.
    void Error(uint32_t line, const ZEString& text);
    bool HasErrors() const { return !m_aErrors.empty(); }
    const std::vector<ZEString>& GetErrors() const { return m_aErrors; }
    const ZEString& GetFile() const { return m_File; }

private:
    ZEString m_File;
    std::vector<ZEString> m_aErrors;
};

struct ZEMapTexture
{
    ZEString m_Key;               // how the description refers to it
    ZEString m_Name;              // texture in its package, at most 11 characters
    ZEString m_Package;           // at most 11 characters
    bool m_bAnimated = false;
    double m_dScale = 256.0;      // world units per repeat
    uint32_t m_ulLine = 0;
};

struct ZEMapPlace
{
    bool m_bAlong = false;
    double m_dAlong = 0.0;        // from the start line, in the direction of travel
    double m_dSide = 0.0;         // to the right of the centre line
    ZEMapVec3 m_vPosition;        // absolute; y is also the height for `along`
    uint32_t m_ulLine = 0;
};

struct ZEMapTrackDesc
{
    std::vector<ZEMapVec2> m_avPoints;
    std::vector<uint32_t> m_aulPointLines;
    double m_dWidth = 0.0;        // road
    double m_dVerge = 60.0;       // flat strip from the road edge to the wall
    double m_dStart = 0.0;        // start line, as distance from the first point
    uint16_t m_usRoadTexture = 0;
    uint16_t m_usVergeTexture = 0;
    uint32_t m_ulLine = 0;
};

// A stretch where the road is narrower than [track] width; over `ramp`
// before `from` and after `to` the width eases back to the normal one.
struct ZEMapNarrow
{
    double m_dFrom = 0.0, m_dTo = 0.0;   // along the track
    double m_dWidth = 0.0;               // road width inside the section
    double m_dRamp = 300.0;
    uint32_t m_ulLine = 0;
    uint32_t m_ulToLine = 0;             // of the `to` key, or the section
};

enum ZEMapWallKind
{
    ZE_WALLS_TERRAIN,
    ZE_WALLS_BARRIER,
    ZE_WALLS_BOTH,
    ZE_WALLS_NONE
};

struct ZEMapWallsDesc
{
    ZEMapWallKind m_Kind = ZE_WALLS_TERRAIN;
    double m_dHeight = 60.0;
    double m_dThickness = 20.0;
    uint16_t m_usTexture = 0;
    uint16_t m_usTopTexture = 0;
    uint32_t m_ulLine = 0;

    bool HasTerrain() const { return m_Kind == ZE_WALLS_TERRAIN || m_Kind == ZE_WALLS_BOTH; }
    bool HasBarriers() const { return m_Kind == ZE_WALLS_BARRIER || m_Kind == ZE_WALLS_BOTH; }
};

struct ZEMapGroundDesc
{
    uint16_t m_usTexture = 0;
    uint16_t m_usHighTexture = 0;  // cells whose mean height exceeds m_dHighLevel
    double m_dHighLevel = 1e30;
    double m_dY = 0.0;             // the flat ground's height: a scene map's may differ from the road's 0
    double m_dMargin = 2000.0;     // ground beyond everything else
    double m_dCell = 500.0;
    double m_dBlend = 800.0;       // run-up from the flat band to full hill height
    uint32_t m_ulLine = 0;
};

struct ZEMapHill
{
    ZEMapVec2 m_vCentre;
    double m_dRadius = 1000.0;
    double m_dHeight = 300.0;      // negative: a hollow
    uint32_t m_ulLine = 0;
};

enum ZEMapRoof
{
    ZE_ROOF_FLAT,
    ZE_ROOF_GABLE,
    ZE_ROOF_PYRAMID,
    ZE_ROOF_ARCH,
    ZE_ROOF_NONE
};

struct ZEMapBox
{
    ZEMapVec2 m_vCentre;           // `at`, or where the place lies once the track is built
    ZEMapPlace m_Place;            // along (+ side): heading then counts from the road's
    bool m_bBaseGiven = false;     // otherwise the box stands on the lowest ground under it
    double m_dBase = 0.0;          // y of the bottom
    double m_dWidth = 100.0;       // across the heading
    double m_dDepth = 100.0;       // along the heading
    double m_dHeight = 100.0;      // walls
    double m_dHeading = 0.0;       // degrees, 0 = depth along +z
    ZEMapRoof m_Roof = ZE_ROOF_FLAT;
    double m_dRoofHeight = 0.0;
    uint16_t m_usTexture = 0;
    uint16_t m_usRoofTexture = 0;
    bool m_bFloating = false;      // stands above the ground: it needs a bottom
    uint32_t m_ulLine = 0;
};

struct ZEMapTunnel
{
    double m_dFrom = 0.0, m_dTo = 0.0;   // along the track
    double m_dHeight = 120.0;            // clearance
    double m_dThickness = 30.0;
    uint16_t m_usTexture = 0;
    uint32_t m_ulLine = 0;
};

struct ZEMapBridge
{
    double m_dAlong = 0.0;
    double m_dWidth = 200.0;        // along the track
    double m_dHeight = 150.0;       // clearance
    double m_dThickness = 30.0;
    double m_dOverhang = 150.0;     // beyond the walls on each side
    uint16_t m_usTexture = 0;
    uint16_t m_usPierTexture = 0;
    uint32_t m_ulLine = 0;
};

struct ZEMapRail
{
    std::vector<ZEMapVec2> m_avPoints;
    double m_dGauge = 15.0;
    double m_dSleepers = 0.0;       // spacing; 0 = none
    uint16_t m_usTexture = 0;
    uint16_t m_usSleeperTexture = 0;
    uint32_t m_ulLine = 0;
};

struct ZEMapLightsDesc
{
    double m_dAmbient = 0.4;
    double m_dSun = 0.5;
    ZEMapVec3 m_vSunDirection{0.4, -1.0, 0.3};
    uint32_t m_ulLine = 0;
};

struct ZEMapLamp
{
    ZEMapPlace m_Place;
    bool m_bSpot = false;
    double m_dIntensity = 0.5;
    double m_dRange = 600.0;
    bool m_bAttenuation = true;
    int32_t m_lFlare = 0;
    ZEMapVec3 m_vDirection{0.0, -1.0, 0.0};
    uint16_t m_usCone = 60;
    uint32_t m_ulLine = 0;
};

struct ZEMapDynamicLight
{
    ZEMapPlace m_Place;
    bool m_bSpot = false;
    uint32_t m_ulMode = 0;
    uint32_t m_ulFlare = 0;
    uint32_t m_ulPeriod = 1000;
    double m_dRange = 300.0;
    double m_dAlpha = 1.0;
    ZEMapVec3 m_vDirection{0.0, -1.0, 0.0};
    bool m_bAttenuation = true;
    uint16_t m_usCone = 60;
    uint8_t m_aucColors[3][3] = {{255, 255, 255}, {255, 255, 255}, {255, 255, 255}};
    uint32_t m_ulLine = 0;
};

struct ZEMapNodesDesc
{
    uint32_t m_ulTrackNodes = 20;
    uint32_t m_ulAINodes = 32;
    double m_dRacingLine = 0.6;      // share of the free half road a corner is cut by
    double m_dGrip = 120.0;          // sideways acceleration for corner speeds, units/s^2
    double m_dHandbrakeRadius = 450.0;
    uint32_t m_ulLine = 0;
    uint32_t m_ulAILine = 0;         // of the `ai` key, or the section
};

struct ZEMapGridDesc
{
    double m_dBehind = 100.0;        // pole position behind the start line
    double m_dSpacing = 120.0;       // along the track between one car and the next
    double m_dLane = 0.0;            // 0: a quarter of the road width
    uint32_t m_ulLine = 0;
};

struct ZEMapPowerUp
{
    ZEMapPlace m_Place;
};

struct ZEMapRoadSign
{
    ZEMapPlace m_Place;
    uint32_t m_ulType = 0;
    bool m_bHeading = false;          // false: facing the oncoming cars
    double m_dHeading = 0.0;
};

struct ZEMapModel
{
    ZEMapPlace m_Place;
    ZEString m_Name;                  // at most 31 characters
    ZEMapVec3 m_vScale{1.0, 1.0, 1.0};
    uint16_t m_ausRotation[3] = {0, 0, 0};
    double m_dMass = 1000.0, m_dBounce = 0.5, m_dRetention = 0.5;
    bool m_bStatic = true, m_bGravity = false;
    uint32_t m_ulShadow = 1;
};

struct ZEMapParticles
{
    ZEMapPlace m_Place;
    int32_t m_lKind = 2;
    int32_t m_lSpread = 10;
    int32_t m_alTurn[3] = {0, 0, 0};
    uint32_t m_ulInterval = 100, m_ulLife = 2000;
    ZEMapVec3 m_vDirection{0.0, 20.0, 0.0};
    double m_dSize = 10.0, m_dGrowth = 0.5, m_dWidth = 0.0, m_dHeight = 0.0;
    double m_dAlpha = 1.0, m_dAcceleration = 0.0;
    bool m_bRotate = false, m_bTwoColors = false, m_bGravity = false, m_bFade = true, m_bCollide = false;
    uint8_t m_aucColor[3] = {255, 255, 255}, m_aucColor2[3] = {0, 0, 0};
};

struct ZEMapWater
{
    std::vector<ZEMapVec2> m_avPoints;  // convex
    double m_dY = 0.0;
    uint16_t m_usTexture = 0;
    double m_dOpacity = 0.7;
    int32_t m_lWave = 0;
    uint32_t m_ulAnimation = 0;
    bool m_bKeepLightmaps = true;
    bool m_bFindVertices = true;
    double m_dCell = 200.0;
    uint32_t m_ulLine = 0;
};

struct ZEMapBillboard
{
    ZEMapPlace m_Place;
    double m_dWidth = 60.0, m_dHeight = 100.0;
    uint16_t m_usTexture = 0;
    double m_dOpacity = 1.0;
    bool m_bParticle = false, m_bColorKey = false, m_bCollision = false;
    uint8_t m_aucKey[3] = {0, 0, 0};
};

struct ZEMapDecal
{
    ZEMapPlace m_Place;
    double m_dWidth = 100.0, m_dDepth = 100.0, m_dHeading = 0.0;
    uint16_t m_usTexture = 0;
    double m_dOpacity = 1.0;
    bool m_bKeepLightmaps = true, m_bColorKey = false;
    uint8_t m_aucKey[3] = {0, 0, 0};
    uint8_t m_aucColor[3] = {255, 255, 255};
};

struct ZEMapSkyBoxDesc
{
    bool m_bPresent = false;
    uint16_t m_ausTextures[6] = {0, 0, 0, 0, 0, 0};   // front, back, left, right, top, bottom
    double m_dSize = 2000.0;
    ZEMapVec3 m_vRotation;
    double m_dOffset = 0.0;
    bool m_bKeepLightmaps = false;
    uint32_t m_ulLine = 0;
};

struct ZEMapSettings
{
    double m_dSegment = 100.0;       // road segment length
    double m_dLightmapTexel = 32.0;  // world units per lightmap texel
    uint16_t m_usLightmapMax = 64;   // largest lightmap side
    uint32_t m_ulLeafFaces = 24;     // most faces in one leaf
};

struct ZEMapDescription
{
    ZEString m_Name;
    bool m_bScene = false;            // no [track]: a scene without road, nodes or grid
    ZEMapSettings m_Settings;
    std::vector<ZEMapTexture> m_aTextures;
    ZEMapTrackDesc m_Track;
    std::vector<ZEMapNarrow> m_aNarrows;
    ZEMapWallsDesc m_Walls;
    ZEMapGroundDesc m_Ground;
    std::vector<ZEMapHill> m_aHills;
    std::vector<ZEMapBox> m_aBoxes;
    std::vector<ZEMapTunnel> m_aTunnels;
    std::vector<ZEMapBridge> m_aBridges;
    std::vector<ZEMapRail> m_aRails;
    ZEMapLightsDesc m_Lights;
    std::vector<ZEMapLamp> m_aLamps;
    std::vector<ZEMapDynamicLight> m_aDynamicLights;
    ZEMapNodesDesc m_Nodes;
    ZEMapGridDesc m_Grid;
    std::vector<ZEMapPowerUp> m_aPowerUps;
    std::vector<ZEMapRoadSign> m_aRoadSigns;
    std::vector<ZEMapModel> m_aModels;
    std::vector<ZEMapParticles> m_aParticles;
    std::vector<ZEMapWater> m_aWaters;
    std::vector<ZEMapBillboard> m_aBillboards;
    std::vector<ZEMapDecal> m_aDecals;
    ZEMapSkyBoxDesc m_SkyBox;
};

// Reads the description from TOML text; `messages` names the file in its
// errors. False (with at least one error) when anything is refused.
bool ZEParseMapDescription(const char* text, size_t length, ZEMapDescription& description, ZEMapMessages& messages);
// The same from a file.
bool ZEReadMapDescription(const ZEString& path, ZEMapDescription& description, ZEMapMessages& messages);
