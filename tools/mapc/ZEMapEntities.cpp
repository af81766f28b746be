#include "ZEMapEntities.h"

#include "ZEBspWriter.h"
#include "track/WZTrackRecords.h"

#include <algorithm>
#include <cmath>

namespace
{
// The bytes of one of the game's entity records.
template <class Record>
std::vector<uint8_t> Block(const Record& record)
{
    std::vector<uint8_t> bytes(Record::ms_ulSize);
    record.Encode(bytes.data());
    return bytes;
}

const double kPi = 3.14159265358979323846;
// Room a track node's origin and a grid slot keep from placed objects.
const double kClearance = 100.0;
// The game counts an AI node as reached within 150 units.
const double kAINodeReach = 150.0;
// How far below the road barriers and node quads reach, and how high a
// node quad stands.
const double kBelowRoad = -10.0;
const double kNodeTop = 200.0;
// Half a car's width, kept between a grid slot and the road's edge, and
// half the longest car's length, behind the last slot.
const double kHalfCar = 15.0;
const double kHalfCarLength = 45.0;
// Racing line: curvature is averaged over this much road either way, and a
// bend of this radius is cut fully.
const double kLineWindow = 500.0;
const double kFullCutRadius = 600.0;
const double kRoadMargin = 30.0;
// Corner speeds look this far ahead; a hairpin turns more than this angle
// within twice that distance.
const double kLookAhead = 800.0;
const double kHairpinTurn = 100.0 * kPi / 180.0;
const double kUnitsToKMH = 0.36;
const double kMinSpeed = 20.0, kMaxSpeed = 250.0;
const double kPowerUpHeight = 10.0;

ZEVector ToVector(const ZEMapVec3& p)
{
    return ZEVector(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z));
}

ZEMapVec3 Flat(const ZEMapVec2& p, double y)
{
    return ZEMapVec3(p.x, y, p.z);
}

uint8_t Opacity(double share)
{
    return static_cast<uint8_t>(std::lround(std::clamp(share, 0.0, 1.0) * 255.0));
}
}

ZEMapEntity& ZEMapEntities::Add(const char* className, const ZEMapVec3& origin, const std::vector<uint8_t>& data,
                                uint32_t line)
{
    ZEMapEntity entity;
    entity.m_ClassName = className;
    entity.m_vOrigin = origin;
    entity.m_aucData = data;
    entity.m_ulLine = line;
    m_aEntities.push_back(entity);
    return m_aEntities.back();
}

ZEMapEntityPolygon ZEMapEntities::Quad(const std::vector<ZEMapVec3>& corners, const ZEMapVec3& front,
                                       uint16_t texture, uint8_t opacity, bool baked)
{
    const double uv[4][2] = {{0.0, 0.0}, {0.0, 1.0}, {1.0, 1.0}, {1.0, 0.0}};
    ZEMapEntityPolygon polygon;
    for (size_t i = 0; i < corners.size() && i < 4; ++i)
    {
        ZEMapVertex vertex;
        vertex.p = corners[i];
        vertex.u = uv[i][0];
        vertex.v = uv[i][1];
        polygon.m_Outline.m_aVertices.push_back(vertex);
    }
    polygon.m_Outline.FaceTowards(front);
    polygon.m_Outline.m_usTexture = texture;
    polygon.m_Outline.m_ucOpacity = opacity;
    polygon.m_aVertices = polygon.m_Outline.m_aVertices;
    polygon.m_ausTriangles = {0, 1, 2, 0, 2, 3};
    polygon.m_bBaked = baked;
    return polygon;
}

bool ZEMapEntities::Build(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages)
{
    m_aEntities.clear();
    CollectBlockers(description, track);
    AddLights(description, track);
    AddSkyBox(description);
    bool fine = true;
    if (track.HasRoad())
    {
        fine = AddTrackNodes(description, track, messages);
        fine = AddAINodes(description, track, messages) && fine;
        fine = AddGrid(description, track, messages) && fine;
        if (description.m_Walls.HasBarriers())
            AddBarriers(description, track);
    }
    AddPlaced(description, track);
    AddWater(description);
    if (m_aEntities.size() > 65535)
    {
        messages.Error(0, ZEString::Format("the map has %zu entities; at most 65535 fit", m_aEntities.size()));
        fine = false;
    }
    return fine;
}

// ---------------------------------------------------------------------------
// Lights and sky

void ZEMapEntities::AddLights(const ZEMapDescription& description, const ZEMapTrack& track)
{
    const ZEMapLightsDesc& lights = description.m_Lights;
    if (lights.m_dAmbient > 0.0)
        Add("AmbientLight", ZEMapVec3(), ZEBspData().Float(float(lights.m_dAmbient)).m_aucBytes, lights.m_ulLine);
    if (lights.m_dSun > 0.0)
        Add("DirectionalLight", ZEMapVec3(),
            ZEBspData().Float(float(lights.m_dSun)).Vector(ToVector(lights.m_vSunDirection.Unit())).m_aucBytes,
            lights.m_ulLine);
    for (const ZEMapLamp& lamp : description.m_aLamps)
    {
        ZEBspData data;
        data.Long(lamp.m_lFlare).Float(float(lamp.m_dIntensity)).Float(float(lamp.m_dRange));
        if (lamp.m_bSpot)
            data.Vector(ToVector(lamp.m_vDirection.Unit())).Byte(lamp.m_bAttenuation ? 1 : 0).U16(lamp.m_usCone);
        else
            data.Byte(lamp.m_bAttenuation ? 1 : 0);
        Add(lamp.m_bSpot ? "SpotLight" : "PointLight", track.Resolve(lamp.m_Place), data.m_aucBytes, lamp.m_ulLine);
    }
    for (const ZEMapDynamicLight& light : description.m_aDynamicLights)
    {
        ZEBspData data;
        data.U32(light.m_bSpot ? 1 : 0).U32(light.m_ulMode).U32(light.m_ulFlare).U32(light.m_ulPeriod);
        data.Float(float(light.m_dRange)).Float(float(light.m_dAlpha)).Vector(ToVector(light.m_vDirection.Unit()));
        data.Byte(light.m_bAttenuation ? 1 : 0).U16(light.m_usCone);
        for (const uint8_t* color : light.m_aucColors)
            data.Byte(color[0]).Byte(color[1]).Byte(color[2]);
        Add("DynamicLight", track.Resolve(light.m_Place), data.m_aucBytes, light.m_ulLine);
    }
}

void ZEMapEntities::AddSkyBox(const ZEMapDescription& description)
{
    const ZEMapSkyBoxDesc& sky = description.m_SkyBox;
    if (!sky.m_bPresent)
        return;
    ZEBspData data;
    data.Vector(ToVector(sky.m_vRotation)).Float(float(sky.m_dOffset)).Byte(sky.m_bKeepLightmaps ? 1 : 0);
    ZEMapEntity& entity = Add("SkyBox", ZEMapVec3(), data.m_aucBytes, sky.m_ulLine);
    // A cube around the origin, every side facing inwards, its texture
    // upright as seen from inside: front +z, back -z, left -x, right +x.
    double s = sky.m_dSize * 0.5;
    auto side = [&](int texture, const ZEMapVec3& topLeft, const ZEMapVec3& bottomLeft,
                    const ZEMapVec3& bottomRight, const ZEMapVec3& topRight, const ZEMapVec3& inwards) {
        entity.m_aPolygons.push_back(Quad({topLeft, bottomLeft, bottomRight, topRight}, inwards,
                                          sky.m_ausTextures[texture], 255, false));
    };
    side(0, {-s, s, s}, {-s, -s, s}, {s, -s, s}, {s, s, s}, {0, 0, -1});
    side(1, {s, s, -s}, {s, -s, -s}, {-s, -s, -s}, {-s, s, -s}, {0, 0, 1});
    side(2, {-s, s, -s}, {-s, -s, -s}, {-s, -s, s}, {-s, s, s}, {1, 0, 0});
    side(3, {s, s, s}, {s, -s, s}, {s, -s, -s}, {s, s, -s}, {-1, 0, 0});
    side(4, {-s, s, -s}, {-s, s, s}, {s, s, s}, {s, s, -s}, {0, -1, 0});
    side(5, {-s, -s, s}, {-s, -s, -s}, {s, -s, -s}, {s, -s, s}, {0, 1, 0});
}

// ---------------------------------------------------------------------------
// Along the track

void ZEMapEntities::CollectBlockers(const ZEMapDescription& description, const ZEMapTrack& track)
{
    m_aBlockers.clear();
    auto add = [&](const ZEMapPlace& place, const char* kind) {
        ZEMapVec3 p = track.Resolve(place);
        m_aBlockers.push_back(Blocker{ZEMapVec2(p.x, p.z), place.m_ulLine, kind});
    };
    for (const ZEMapPowerUp& powerUp : description.m_aPowerUps)
        add(powerUp.m_Place, "[[powerup]]");
    for (const ZEMapRoadSign& sign : description.m_aRoadSigns)
        add(sign.m_Place, "[[roadsign]]");
    for (const ZEMapModel& model : description.m_aModels)
        add(model.m_Place, "[[model]]");
    for (const ZEMapBillboard& billboard : description.m_aBillboards)
        if (billboard.m_bCollision)
            add(billboard.m_Place, "[[billboard]]");
}

const ZEMapEntities::Blocker* ZEMapEntities::BlockerNear(const ZEMapVec3& p) const
{
    for (const Blocker& blocker : m_aBlockers)
        if ((blocker.m_vPoint - ZEMapVec2(p.x, p.z)).Length() < kClearance)
            return &blocker;
    return nullptr;
}

bool ZEMapEntities::AddTrackNodes(const ZEMapDescription& description, const ZEMapTrack& track,
                                  ZEMapMessages& messages)
{
    uint32_t count = description.m_Nodes.m_ulTrackNodes;
    double spacing = track.GetLength() / count;
    bool fine = true;
    for (uint32_t k = 0; k < count; ++k)
    {
        double along = spacing * k;
        const Blocker* blocker = BlockerNear(track.Point(along, 0.0, 0.0));
        // Any node but the start line may move to clear road.
        for (int step = 1; blocker && k > 0 && step * 25.0 < spacing / 3.0; ++step)
            for (double sign : {1.0, -1.0})
                if (blocker)
                {
                    const Blocker* found = BlockerNear(track.Point(spacing * k + sign * step * 25.0, 0.0, 0.0));
                    if (!found)
                    {
                        along = spacing * k + sign * step * 25.0;
                        blocker = nullptr;
                    }
                }
        if (blocker)
        {
            messages.Error(blocker->m_ulLine,
                           ZEString::Format("%s stands within %.0f of track node %u%s; track nodes need clear road",
                                            blocker->m_pKind, kClearance, k, k == 0 ? " (the start line)" : ""));
            fine = false;
            continue;
        }
        ZEMapTrackSample at = track.At(along);
        double half = at.m_dInnerHalf;
        ZEMapVec3 back(-at.m_vTangent.x, 0.0, -at.m_vTangent.z);
        _WZTrackNodeRecord record{};
        record.m_cIndex = static_cast<int8_t>(k);
        ZEMapEntity& node = Add("TrackNode", track.Point(along, 0.0, 0.0), Block(record), description.m_Nodes.m_ulLine);
        node.m_aPolygons.push_back(Quad({track.Point(along, -half, kBelowRoad), track.Point(along, half, kBelowRoad),
                                         track.Point(along, half, kNodeTop), track.Point(along, -half, kNodeTop)},
                                        back, description.m_Track.m_usRoadTexture, 255, false));
    }
    m_ulTrackNodes = fine ? count : 0;
    return fine;
}

bool ZEMapEntities::AddAINodes(const ZEMapDescription& description, const ZEMapTrack& track,
                               ZEMapMessages& messages)
{
    const ZEMapNodesDesc& nodes = description.m_Nodes;
    uint32_t count = nodes.m_ulAINodes;
    double spacing = track.GetLength() / count;
    std::vector<ZEMapVec3> points;
    std::vector<std::vector<uint8_t>> blocks;
    for (uint32_t m = 0; m < count; ++m)
    {
        // The first waypoint lies half a spacing beyond the start line.
        double along = spacing * (m + 0.5);
        double bend = track.TurnAhead(along - kLineWindow, 2.0 * kLineWindow) / (2.0 * kLineWindow);
        double room = std::max(0.0, track.At(along).m_dRoadHalf - kRoadMargin);
        double side = std::clamp(bend * kFullCutRadius, -1.0, 1.0) * nodes.m_dRacingLine * room;
        points.push_back(track.Point(along, side, 0.0));

        double sharpest = track.SharpestAhead(along, kLookAhead);
        double radius = sharpest > 1e-9 ? 1.0 / sharpest : 1e9;
        double speed = std::sqrt(nodes.m_dGrip * radius) * kUnitsToKMH - 40.0;
        speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
        bool hairpin = radius < nodes.m_dHandbrakeRadius &&
                       std::fabs(track.TurnAhead(along, 2.0 * kLookAhead)) > kHairpinTurn;
        _WZAINodeRecord record{};
        record.m_cIndex = static_cast<int8_t>(m);
        record.m_fSpeed = static_cast<float>(speed);
        record.m_ucHandbrake = hairpin ? 1 : 0;
        blocks.push_back(Block(record));
    }
    for (uint32_t m = 0; m < count; ++m)
    {
        ZEMapVec3 a = points[m], b = points[(m + 1) % count];
        double apart = std::hypot(b.x - a.x, b.z - a.z);
        if (apart <= kAINodeReach)
        {
            messages.Error(nodes.m_ulAILine,
                           ZEString::Format("[nodes] ai: AI nodes %u and %u lie only %.0f apart; they need more "
                                            "than %.0f (use fewer nodes)",
                                            m, (m + 1) % count, apart, kAINodeReach));
            return false;
        }
    }
    for (uint32_t m = 0; m < count; ++m)
        Add("AINode", points[m], blocks[m], nodes.m_ulLine);
    m_ulAINodes = count;
    return true;
}

bool ZEMapEntities::AddGrid(const ZEMapDescription& description, const ZEMapTrack& track, ZEMapMessages& messages)
{
    const ZEMapGridDesc& grid = description.m_Grid;
    double length = grid.m_dBehind + 1.5 * grid.m_dSpacing;
    if (!GridOnFullRoad(description, track, length, messages))
        return false;
    double half = track.At(-grid.m_dBehind).m_dRoadHalf;
    double lane = grid.m_dLane > 0.0 ? grid.m_dLane : half * 0.5;
    if (lane + kHalfCar > half || lane < kHalfCar)
    {
        messages.Error(grid.m_ulLine, ZEString::Format("[grid] lane: %.0f puts the cars off the road or onto "
                                                       "one another (from %.0f to %.0f)",
                                                       lane, kHalfCar, half - kHalfCar));
        return false;
    }
    double nodeSpacing = track.GetLength() / description.m_Nodes.m_ulTrackNodes;
    if (length + kHalfCar * 4.0 >= nodeSpacing)
    {
        messages.Error(grid.m_ulLine, ZEString::Format("[grid] reaches %.0f behind the start line, past the last "
                                                       "track node (%.0f behind it)",
                                                       length, nodeSpacing));
        return false;
    }
    bool fine = true;
    for (int i = 0; i < 4; ++i)
    {
        double along = -grid.m_dBehind - i * grid.m_dSpacing * 0.5;
        ZEMapVec3 slot = track.Point(along, i % 2 == 0 ? -lane : lane, 0.0);
        if (const Blocker* blocker = BlockerNear(slot))
        {
            messages.Error(blocker->m_ulLine, ZEString::Format("%s stands within %.0f of grid position %d",
                                                               blocker->m_pKind, kClearance, i + 1));
            fine = false;
            continue;
        }
        _WZStartPositionRecord record{};
        record.m_cIndex = static_cast<int8_t>(i + 1);
        record.m_fHeading = static_cast<float>(track.Heading(along));
        Add("StartPosition", slot, Block(record), grid.m_ulLine);
    }
    return fine;
}

bool ZEMapEntities::GridOnFullRoad(const ZEMapDescription& description, const ZEMapTrack& track, double length,
                                   ZEMapMessages& messages) const
{
    // From the last car's tail to the start line.
    double stretch = length + kHalfCarLength;
    bool fine = true;
    for (const ZEMapNarrow& narrow : description.m_aNarrows)
    {
        if (!track.Overlaps(-stretch, stretch, narrow.m_dFrom - narrow.m_dRamp,
                            narrow.m_dTo - narrow.m_dFrom + 2.0 * narrow.m_dRamp))
            continue;
        messages.Error(narrow.m_ulLine, ZEString::Format("[[narrow]] reaches, ramps included, into the grid on the "
                                                         "last %.0f before the start line; the cars start side by "
                                                         "side on road of full width",
                                                         stretch));
        fine = false;
    }
    return fine;
}

void ZEMapEntities::AddBarriers(const ZEMapDescription& description, const ZEMapTrack& track)
{
    const std::vector<ZEMapTrackSample>& samples = track.GetSamples();
    double top = description.m_Walls.m_dHeight;
    for (size_t k = 0; k < samples.size(); ++k)
    {
        const ZEMapTrackSample& a = samples[k];
        const ZEMapTrackSample& b = samples[(k + 1) % samples.size()];
        for (double sign : {-1.0, 1.0})
        {
            ZEMapVec2 pa = a.m_vPoint + a.m_vRight * (sign * a.m_dInnerHalf);
            ZEMapVec2 pb = b.m_vPoint + b.m_vRight * (sign * b.m_dInnerHalf);
            ZEMapVec3 towardsTrack(-sign * a.m_vRight.x, 0.0, -sign * a.m_vRight.z);
            ZEMapEntityPolygon wall = Quad({Flat(pa, kBelowRoad), Flat(pb, kBelowRoad), Flat(pb, top), Flat(pa, top)},
                                           towardsTrack, description.m_Walls.m_usTexture, 255, false);
            ZEMapEntity& barrier = Add("Barrier", wall.m_Outline.Centroid(), {}, description.m_Walls.m_ulLine);
            barrier.m_aPolygons.push_back(wall);
        }
    }
}

// ---------------------------------------------------------------------------
// Placed things

void ZEMapEntities::AddPlaced(const ZEMapDescription& description, const ZEMapTrack& track)
{
    for (const ZEMapPowerUp& powerUp : description.m_aPowerUps)
    {
        ZEMapVec3 p = track.Resolve(powerUp.m_Place);
        Add("PowerUp", ZEMapVec3(p.x, kPowerUpHeight, p.z), {}, powerUp.m_Place.m_ulLine);
    }
    for (const ZEMapRoadSign& sign : description.m_aRoadSigns)
    {
        ZEMapVec3 p = track.Resolve(sign.m_Place);
        double heading = sign.m_dHeading;
        if (!sign.m_bHeading)
        {
            // Facing the cars that come towards it.
            double along = 0.0;
            track.DistanceToCentre(ZEMapVec2(p.x, p.z), &along);
            heading = std::fmod(track.Heading(along) + 180.0, 360.0);
        }
        Add("RoadSign", p, Block(_WZRoadSignRecord{sign.m_ulType, static_cast<float>(heading)}), sign.m_Place.m_ulLine);
    }
    for (const ZEMapModel& model : description.m_aModels)
    {
        ZEBspData data;
        data.U32(model.m_ulShadow).Vector(ToVector(model.m_vScale)).Float(float(model.m_dMass));
        data.Float(float(model.m_dBounce)).Float(float(model.m_dRetention)).Text(model.m_Name, 32);
        data.Byte(model.m_bStatic ? 1 : 0).Byte(model.m_bGravity ? 1 : 0).Byte(0);
        data.U16(model.m_ausRotation[0]).U16(model.m_ausRotation[1]).U16(model.m_ausRotation[2]);
        Add("ModelObject", track.Resolve(model.m_Place), data.m_aucBytes, model.m_Place.m_ulLine);
    }
    for (const ZEMapParticles& p : description.m_aParticles)
    {
        ZEBspData data;
        data.Long(p.m_lKind).Long(p.m_lSpread).Long(p.m_alTurn[0]).Long(p.m_alTurn[1]).Long(p.m_alTurn[2]);
        data.U32(p.m_ulInterval).U32(p.m_ulLife).Vector(ToVector(p.m_vDirection)).Float(float(p.m_dSize));
        data.Float(float(p.m_dGrowth)).Float(float(p.m_dWidth)).Float(float(p.m_dHeight)).Float(float(p.m_dAlpha));
        data.Float(float(p.m_dAcceleration)).Byte(p.m_bRotate).Byte(p.m_bTwoColors).Byte(p.m_bGravity);
        data.Byte(p.m_bFade).Byte(p.m_bCollide);
        data.Byte(p.m_aucColor[0]).Byte(p.m_aucColor[1]).Byte(p.m_aucColor[2]);
        data.Byte(p.m_aucColor2[0]).Byte(p.m_aucColor2[1]).Byte(p.m_aucColor2[2]);
        Add("ParticleFX", track.Resolve(p.m_Place), data.m_aucBytes, p.m_Place.m_ulLine);
    }
    for (const ZEMapBillboard& b : description.m_aBillboards)
    {
        // The place is the foot of the sprite; the engine centres it on the origin.
        ZEMapVec3 foot = track.Resolve(b.m_Place);
        ZEMapVec3 centre(foot.x, foot.y + b.m_dHeight * 0.5, foot.z);
        double w = b.m_dWidth * 0.5, h = b.m_dHeight * 0.5;
        ZEBspData data;
        data.Byte(b.m_bParticle).Byte(b.m_bColorKey).Byte(b.m_bCollision);
        data.Byte(b.m_aucKey[0]).Byte(b.m_aucKey[1]).Byte(b.m_aucKey[2]);
        ZEMapEntity& entity = Add("Billboard", centre, data.m_aucBytes, b.m_Place.m_ulLine);
        // Corners 0, 1, 2 give the size: |0 - 1| the height, |1 - 2| the width.
        entity.m_aPolygons.push_back(Quad({centre + ZEMapVec3(-w, h, 0), centre + ZEMapVec3(-w, -h, 0),
                                           centre + ZEMapVec3(w, -h, 0), centre + ZEMapVec3(w, h, 0)},
                                          ZEMapVec3(0, 0, -1), b.m_usTexture, Opacity(b.m_dOpacity), false));
    }
    for (const ZEMapDecal& d : description.m_aDecals)
    {
        ZEMapVec3 p = track.Resolve(d.m_Place);
        double a = d.m_dHeading * kPi / 180.0;
        ZEMapVec3 f(std::sin(a), 0.0, std::cos(a)), r(std::cos(a), 0.0, -std::sin(a));
        ZEMapVec3 wx = r * (d.m_dWidth * 0.5), dz = f * (d.m_dDepth * 0.5);
        ZEBspData data;
        data.Byte(d.m_bKeepLightmaps).Byte(d.m_bColorKey).Byte(d.m_aucKey[0]).Byte(d.m_aucKey[1]).Byte(d.m_aucKey[2]);
        data.Byte(d.m_aucColor[0]).Byte(d.m_aucColor[1]).Byte(d.m_aucColor[2]);
        ZEMapEntity& entity = Add("Decal", p, data.m_aucBytes, d.m_Place.m_ulLine);
        entity.m_aPolygons.push_back(Quad({p - wx + dz, p - wx - dz, p + wx - dz, p + wx + dz}, ZEMapVec3(0, 1, 0),
                                          d.m_usTexture, Opacity(d.m_dOpacity), true));
    }
}

void ZEMapEntities::AddWater(const ZEMapDescription& description)
{
    for (const ZEMapWater& water : description.m_aWaters)
    {
        // A grid of triangles over the outline, so inner corners can move
        // with the waves while the shore stays put.
        ZEMapRegion outline(water.m_avPoints.begin(), water.m_avPoints.end());
        ZEMapVec2 lo(1e300, 1e300), hi(-1e300, -1e300);
        ZEMapVec3 centre;
        for (const ZEMapVec2& p : outline)
        {
            lo = ZEMapVec2(std::min(lo.x, p.x), std::min(lo.z, p.z));
            hi = ZEMapVec2(std::max(hi.x, p.x), std::max(hi.z, p.z));
            centre += Flat(p, water.m_dY) * (1.0 / static_cast<double>(outline.size()));
        }
        double scale = water.m_usTexture < description.m_aTextures.size()
                           ? description.m_aTextures[water.m_usTexture].m_dScale
                           : 256.0;
        ZEMapEntityPolygon polygon;
        std::vector<ZEMapVec3> corners;
        for (const ZEMapVec2& p : outline)
            corners.push_back(Flat(p, water.m_dY));
        polygon.m_Outline = ZEMapMakePolygon(corners, ZEMapVec3(0, 1, 0));
        polygon.m_Outline.m_usTexture = water.m_usTexture;
        polygon.m_Outline.m_ucOpacity = Opacity(water.m_dOpacity);
        polygon.m_bBaked = true;
        auto vertexAt = [&](const ZEMapVec2& p) {
            for (size_t i = 0; i < polygon.m_aVertices.size(); ++i)
                if (std::fabs(polygon.m_aVertices[i].p.x - p.x) < 1e-6 && std::fabs(polygon.m_aVertices[i].p.z - p.z) < 1e-6)
                    return static_cast<uint16_t>(i);
            ZEMapVertex vertex;
            vertex.p = Flat(p, water.m_dY);
            vertex.u = p.x / scale;
            vertex.v = p.z / scale;
            polygon.m_aVertices.push_back(vertex);
            return static_cast<uint16_t>(polygon.m_aVertices.size() - 1);
        };
        for (double z = lo.z; z < hi.z; z += water.m_dCell)
            for (double x = lo.x; x < hi.x; x += water.m_dCell)
            {
                double x1 = std::min(x + water.m_dCell, hi.x), z1 = std::min(z + water.m_dCell, hi.z);
                ZEMapRegion cell{ZEMapVec2(x, z), ZEMapVec2(x, z1), ZEMapVec2(x1, z1), ZEMapVec2(x1, z)};
                ZEMapRegion inside = ZEMapIntersect(cell, outline);
                if (inside.empty() || ZEMapRegionArea(inside) <= 1e-3)
                    continue;
                std::vector<uint16_t> ring;
                for (const ZEMapVec2& p : inside)
                    ring.push_back(vertexAt(p));
                // Fans, wound to face up.
                for (size_t i = 1; i + 1 < ring.size(); ++i)
                {
                    ZEMapVec3 a = polygon.m_aVertices[ring[0]].p, b = polygon.m_aVertices[ring[i]].p,
                              c = polygon.m_aVertices[ring[i + 1]].p;
                    bool up = (b - a).Cross(c - a).y > 0.0;
                    polygon.m_ausTriangles.insert(polygon.m_ausTriangles.end(),
                                                  {ring[0], up ? ring[i] : ring[i + 1], up ? ring[i + 1] : ring[i]});
                }
            }
        ZEBspData data;
        data.Long(water.m_lWave).U32(water.m_ulAnimation).Byte(water.m_bKeepLightmaps).Byte(water.m_bFindVertices);
        ZEMapEntity& entity = Add("Water", centre, data.m_aucBytes, water.m_ulLine);
        if (!polygon.m_ausTriangles.empty())
            entity.m_aPolygons.push_back(polygon);
    }
}
