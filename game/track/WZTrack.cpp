#include "track/WZTrack.h"

#include "core/ZEConsole.h"
#include "math/ZEPolygon.h"
#include "powerup/WZPowerUp.h"
#include "track/WZBarrier.h"
#include "world/ZEEngine.h"
#include "world/ZEEngineObject.h"

#include <cstring>

namespace
{
const float kNodeReach = 900.0f;

void Report(const ZEString& text)
{
    ZEConsole::Post("track", text, ZE_MSG_ERROR);
}

void AddToWorld(ZEEngine* engine, ZEEngineObject* object)
{
    if (engine)
        engine->AddObjectToWorld(object);
    else
        delete object;
}
}

// The game's entity classes. Each maker gets an entity whose block and
// polygons its class in WZ_TRACK_ENTITY_CLASSES asks for.
struct WZTrackMakers
{
    typedef void (*Maker)(WZTrack& track, const ZECustomEntity& entity, ZEEngine* engine);

    static void TrackNode(WZTrack& track, const ZECustomEntity& entity, ZEEngine*)
    {
        _WZTrackNodeRecord record = _WZTrackNodeRecord::Decode(entity.m_pData);
        WZTrackNode node;
        const ZEPolygon* polygon = entity.m_pPolygons;
        if (polygon->m_usNumPlanes == 0)
        {
            Report(ZEString::Format("track node %d has a polygon without a plane; skipped", record.m_cIndex));
            return;
        }
        node.m_Plane = polygon->m_pPlanes[0];
        node.m_vPosition = entity.m_vPosition;
        node.m_Sphere = ZEBoundingSphere(entity.m_vPosition, kNodeReach);
        track.Store(*track.m_pTrackBuffer, record.m_cIndex, node, "track node");
    }

    static void AINode(WZTrack& track, const ZECustomEntity& entity, ZEEngine*)
    {
        _WZAINodeRecord record = _WZAINodeRecord::Decode(entity.m_pData);
        WZAINode node;
        node.m_vPosition = entity.m_vPosition;
        node.m_fSpeed = record.m_fSpeed;
        node.m_bHandbrake = record.m_ucHandbrake != 0;
        track.Store(*track.m_pAIBuffer, record.m_cIndex, node, "AI node");
    }

    static void StartPosition(WZTrack& track, const ZECustomEntity& entity, ZEEngine*)
    {
        _WZStartPositionRecord record = _WZStartPositionRecord::Decode(entity.m_pData);
        if (record.m_cIndex < 1 || record.m_cIndex > 4)
            return;
        track.m_avStartPosition[record.m_cIndex - 1] = entity.m_vPosition;
        track.m_afStartHeading[record.m_cIndex - 1] = record.m_fHeading;
    }

    static void Barrier(WZTrack&, const ZECustomEntity& entity, ZEEngine* engine)
    {
        AddToWorld(engine, new WZBarrier(entity));
    }

    static void PowerUp(WZTrack& track, const ZECustomEntity& entity, ZEEngine* engine)
    {
        if (track.m_Options.m_bPowerUps)
            AddToWorld(engine, new WZPowerUp(entity.m_vPosition));
    }

    static void RoadSign(WZTrack& track, const ZECustomEntity& entity, ZEEngine* engine)
    {
        _WZRoadSignRecord record = _WZRoadSignRecord::Decode(entity.m_pData);
        if (track.m_Options.m_bRoadSigns)
            AddToWorld(engine, new WZRoadSign(entity, record.m_ulType, record.m_fHeading));
    }

    static Maker Find(const char* name)
    {
        static const struct
        {
            const char* m_pName;
            Maker m_pMake;
        } kMakers[] = {{"TrackNode", TrackNode}, {"AINode", AINode}, {"StartPosition", StartPosition},
                       {"Barrier", Barrier},     {"PowerUp", PowerUp}, {"RoadSign", RoadSign}};
        for (const auto& maker : kMakers)
            if (std::strcmp(maker.m_pName, name) == 0)
                return maker.m_pMake;
        return nullptr;
    }
};

// ---------------------------------------------------------------------------

WZTrack::WZTrack() = default;

WZTrack::~WZTrack()
{
    delete[] m_pTrackNodes;
    delete[] m_pAINodes;
    delete m_pTrackBuffer;
    delete m_pAIBuffer;
}

void WZTrack::BeginLoading(const WZTrackOptions& options)
{
    m_Options = options;
    delete m_pTrackBuffer;
    delete m_pAIBuffer;
    m_pTrackBuffer = new Buffer<WZTrackNode>();
    m_pAIBuffer = new Buffer<WZAINode>();
}

bool WZTrack::Receive(const ZECustomEntity& entity, ZEEngine* engine)
{
    const WZTrackEntityClass* entityClass = WZFindTrackEntityClass(entity.m_ClassName.CStr());
    WZTrackMakers::Maker make = WZTrackMakers::Find(entity.m_ClassName.CStr());
    if (!entityClass || !make)
        return false;
    const ZEVector& at = entity.m_vPosition;
    if (!entity.m_pData ? entityClass->m_ulDataSize > 0 : entity.m_usDataSize < entityClass->m_ulDataSize)
    {
        Report(ZEString::Format("%s entity at (%g, %g, %g) has %u data bytes of %u; skipped", entityClass->m_pName,
                                at.x, at.y, at.z, entity.m_usDataSize, entityClass->m_ulDataSize));
        return true;
    }
    if (entityClass->m_bNeedsPolygons && !entity.m_pPolygons)
    {
        Report(ZEString::Format("%s entity at (%g, %g, %g) has no polygons; skipped", entityClass->m_pName, at.x,
                                at.y, at.z));
        return true;
    }
    // Nodes arrive only between BeginLoading and EndLoading.
    bool node = make == WZTrackMakers::TrackNode || make == WZTrackMakers::AINode;
    if (!node || (m_pTrackBuffer && m_pAIBuffer))
        make(*this, entity, engine);
    return true;
}

template <class Node>
uint32_t WZTrack::Buffer<Node>::Run() const
{
    uint32_t run = 0;
    while (run < WZ_MAX_NODES && m_abFilled[run])
        ++run;
    return run;
}

template <class Node>
bool WZTrack::Store(Buffer<Node>& buffer, int32_t index, const Node& node, const char* kind)
{
    if (index < 0 || index > WZ_MAX_NODE_INDEX)
        return false;
    if (buffer.m_abFilled[index])
    {
        Report(ZEString::Format("a second %s %d; the first is kept", kind, index));
        return false;
    }
    buffer.m_aNodes[index] = node;
    buffer.m_abFilled[index] = true;
    return true;
}

template <class Node>
uint32_t WZTrack::Adopt(Buffer<Node>& buffer, Node*& nodes, const char* kind)
{
    uint32_t run = buffer.Run();
    for (uint32_t i = run; i < WZ_MAX_NODES; ++i)
        if (buffer.m_abFilled[i])
        {
            Report(ZEString::Format("%s %u is missing: %s %u and after are not used", kind, run, kind, i));
            break;
        }
    delete[] nodes;
    nodes = run ? new Node[run] : nullptr;
    for (uint32_t i = 0; i < run; ++i)
        nodes[i] = buffer.m_aNodes[i];
    return run;
}

void WZTrack::EndLoading()
{
    if (!m_pTrackBuffer || !m_pAIBuffer)
        return;
    m_ulNumTrackNodes = Adopt(*m_pTrackBuffer, m_pTrackNodes, "track node");
    m_ulNumAINodes = Adopt(*m_pAIBuffer, m_pAINodes, "AI node");
    delete m_pTrackBuffer;
    delete m_pAIBuffer;
    m_pTrackBuffer = nullptr;
    m_pAIBuffer = nullptr;
    if (m_ulNumTrackNodes == 0)
        Report(ZEString("the track has no track nodes: laps are not counted and cars cannot be reset"));
    if (m_ulNumAINodes == 0)
        Report(ZEString("the track has no AI nodes: computer cars stand still"));
}
