#include "world/ZEBSPTerrain.h"

#include "core/ZEApplication.h"
#include "core/ZEByteOrder.h"
#include "core/ZEConsole.h"
#include "core/ZEFileManager.h"
#include "math/ZECollision.h"
#include "render/ZEBillboard.h"
#include "render/ZECamera.h"
#include "render/ZEDecal.h"
#include "render/ZELight.h"
#include "render/ZEParticleSystem.h"
#include "render/ZERenderer.h"
#include "render/ZESkyBox.h"
#include "render/ZEWater.h"
#include "resources/ZETextureManager.h"
#include "world/ZEEngine.h"
#include "world/ZEEntityData.h"
#include "world/ZELightmapAtlas.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <typeinfo>
#include <vector>

ZE_IMPLEMENT_RTTI(ZEBSPFace, ZEPolygon);
ZE_IMPLEMENT_RTTI(ZEBSPTerrain, ZETerrain);

namespace
{
const char kMagic[4] = {'B', 'S', 'P', '0'};







void ReadFloats(const uint8_t* p, float* to, int count)
{
    for (int i = 0; i < count; ++i)
        to[i] = ZEReadLEFloat(p + 4 * i);
}

void WriteFloats(uint8_t* p, const float* from, int count)
{
    for (int i = 0; i < count; ++i)
        ZEWriteLEFloat(p + 4 * i, from[i]);
}
}

// ---------------------------------------------------------------------------
// File records

_ZEBSPHeader _ZEBSPHeader::Decode(const uint8_t* bytes)
{
    _ZEBSPHeader header;
    std::memcpy(header.m_acMagic, bytes, sizeof(header.m_acMagic));
    header.m_ucVersion = bytes[4];
    header.m_ucUnused = bytes[5];
    header.m_usFaceDataSize = ZEReadLE16(bytes + 6);
    header.m_usNumTextures = ZEReadLE16(bytes + 8);
    header.m_usNumEntities = ZEReadLE16(bytes + 10);
    std::memcpy(header.m_aucUnused, bytes + 12, sizeof(header.m_aucUnused));
    header.m_usNumVertices = ZEReadLE16(bytes + 16);
    header.m_usNumPositions = ZEReadLE16(bytes + 18);
    header.m_usNumTexCoords = ZEReadLE16(bytes + 20);
    header.m_usUnused = ZEReadLE16(bytes + 22);
    return header;
}

void _ZEBSPHeader::Encode(uint8_t* bytes) const
{
    std::memcpy(bytes, m_acMagic, sizeof(m_acMagic));
    bytes[4] = m_ucVersion;
    bytes[5] = 0;
    ZEWriteLE16(bytes + 6, m_usFaceDataSize);
    ZEWriteLE16(bytes + 8, m_usNumTextures);
    ZEWriteLE16(bytes + 10, m_usNumEntities);
    std::memset(bytes + 12, 0, 4);
    ZEWriteLE16(bytes + 16, m_usNumVertices);
    ZEWriteLE16(bytes + 18, m_usNumPositions);
    ZEWriteLE16(bytes + 20, m_usNumTexCoords);
    ZEWriteLE16(bytes + 22, 0);
}

bool _ZEBSPHeader::HasMagic() const
{
    return std::memcmp(m_acMagic, kMagic, sizeof(kMagic)) == 0;
}

_ZEBSPHeader _ZEBSPHeader::Make()
{
    _ZEBSPHeader header{};
    std::memcpy(header.m_acMagic, kMagic, sizeof(kMagic));
    header.m_ucVersion = ms_ucVersion;
    return header;
}

_ZEBSPVertex _ZEBSPVertex::Decode(const uint8_t* bytes)
{
    return _ZEBSPVertex{ZEReadLE16(bytes), ZEReadLE16(bytes + 2), ZEReadLE16(bytes + 4)};
}

void _ZEBSPVertex::Encode(uint8_t* bytes) const
{
    ZEWriteLE16(bytes, m_usPosition);
    ZEWriteLE16(bytes + 2, m_usTexCoord);
    ZEWriteLE16(bytes + 4, m_usLightmapCoord);
}

_ZEBSPNodeRecord _ZEBSPNodeRecord::Decode(const uint8_t* bytes)
{
    _ZEBSPNodeRecord record;
    record.m_ulNumFaces = ZEReadLE32(bytes);
    record.m_ucFront = bytes[4];
    record.m_ucBack = bytes[5];
    record.m_usUnused = ZEReadLE16(bytes + 6);
    ReadFloats(bytes + 8, record.m_afNormal, 3);
    record.m_fDistance = ZEReadLEFloat(bytes + 20);
    ReadFloats(bytes + 24, record.m_afMin, 3);
    ReadFloats(bytes + 36, record.m_afMax, 3);
    return record;
}

void _ZEBSPNodeRecord::Encode(uint8_t* bytes) const
{
    ZEWriteLE32(bytes, m_ulNumFaces);
    bytes[4] = m_ucFront;
    bytes[5] = m_ucBack;
    ZEWriteLE16(bytes + 6, 0);
    WriteFloats(bytes + 8, m_afNormal, 3);
    ZEWriteLEFloat(bytes + 20, m_fDistance);
    WriteFloats(bytes + 24, m_afMin, 3);
    WriteFloats(bytes + 36, m_afMax, 3);
}

_ZEBSPFaceRecord _ZEBSPFaceRecord::Decode(const uint8_t* bytes)
{
    _ZEBSPFaceRecord record;
    record.m_usNumIndices = ZEReadLE16(bytes);
    record.m_usTexture = ZEReadLE16(bytes + 2);
    record.m_usLightmapWidth = ZEReadLE16(bytes + 4);
    record.m_usLightmapHeight = ZEReadLE16(bytes + 6);
    ReadFloats(bytes + 8, record.m_afNormal, 3);
    record.m_fDistance = ZEReadLEFloat(bytes + 20);
    return record;
}

void _ZEBSPFaceRecord::Encode(uint8_t* bytes) const
{
    ZEWriteLE16(bytes, m_usNumIndices);
    ZEWriteLE16(bytes + 2, m_usTexture);
    ZEWriteLE16(bytes + 4, m_usLightmapWidth);
    ZEWriteLE16(bytes + 6, m_usLightmapHeight);
    WriteFloats(bytes + 8, m_afNormal, 3);
    ZEWriteLEFloat(bytes + 20, m_fDistance);
}

_ZEBSPEntityRecord _ZEBSPEntityRecord::Decode(const uint8_t* bytes)
{
    _ZEBSPEntityRecord record;
    ReadFloats(bytes, record.m_afPosition, 3);
    std::memcpy(record.m_acClassName, bytes + 12, sizeof(record.m_acClassName));
    record.m_ucPolygons = bytes[36];
    record.m_ucUnused = bytes[37];
    record.m_usDataSize = ZEReadLE16(bytes + 38);
    record.m_usNumPolygons = ZEReadLE16(bytes + 40);
    record.m_usUnused = ZEReadLE16(bytes + 42);
    return record;
}

void _ZEBSPEntityRecord::Encode(uint8_t* bytes) const
{
    WriteFloats(bytes, m_afPosition, 3);
    std::memcpy(bytes + 12, m_acClassName, sizeof(m_acClassName));
    bytes[36] = m_ucPolygons;
    bytes[37] = 0;
    ZEWriteLE16(bytes + 38, m_usDataSize);
    ZEWriteLE16(bytes + 40, m_usNumPolygons);
    ZEWriteLE16(bytes + 42, 0);
}


// ---------------------------------------------------------------------------
// Reading

// A face or entity polygon as read from the file, checked, before it
// becomes a polygon.
struct ZEMapSurface
{
    _ZEBSPFaceRecord m_Record{};
    std::vector<uint16_t> m_ausIndices;
    std::unique_ptr<uint8_t[]> m_pucData;       // the map's attribute bytes; null when it has none
    std::unique_ptr<uint8_t[]> m_pucLightmap;   // width x height bytes; null for an empty lightmap
};

// A map opened through the file manager and read only within the size the
// manager reported (an archived map is followed by other entries). Keeps
// the first reason a read or check failed.
class ZEMapReader
{
public:
    explicit ZEMapReader(const ZEString& path)
    {
        if (ZEFileManager::ms_pFileManager)
            m_pFile = ZEFileManager::ms_pFileManager->OpenFile(path, m_ulRemaining);
    }
    ~ZEMapReader()
    {
        if (m_pFile)
            std::fclose(m_pFile);
    }
    ZEMapReader(const ZEMapReader&) = delete;
    ZEMapReader& operator=(const ZEMapReader&) = delete;

    bool IsOpen() const { return m_pFile != nullptr; }
    const ZEString& GetReason() const { return m_Reason; }

    // Always false; the first reason given is kept.
    bool Fail(const ZEString& reason)
    {
        if (m_Reason.IsEmpty())
            m_Reason = reason;
        return false;
    }

    // Exactly `count` bytes, or false; nothing is read when the file is
    // known to be too short.
    bool Read(void* to, uint64_t count)
    {
        if (count > m_ulRemaining)
            return Fail("the file is cut short");
        size_t got = count ? std::fread(to, 1, static_cast<size_t>(count), m_pFile) : 0;
        m_ulRemaining -= static_cast<uint32_t>(got);
        return got == count || Fail("the file is cut short");
    }

    template <typename Record>
    bool ReadRecord(Record& record)
    {
        uint8_t bytes[Record::ms_ulSize];
        if (!Read(bytes, sizeof(bytes)))
            return false;
        record = Record::Decode(bytes);
        return true;
    }

    // The sizes every face and polygon is checked against.
    void SetTables(uint16_t textures, uint32_t vertices, uint16_t faceDataSize)
    {
        m_usNumTextures = textures;
        m_ulNumVertices = vertices;
        m_usFaceDataSize = faceDataSize;
    }

    // A face or polygon record with its indices, attribute bytes and
    // lightmap; false when it is cut short or names what does not exist.
    bool ReadSurface(ZEMapSurface& surface)
    {
        _ZEBSPFaceRecord& record = surface.m_Record;
        if (!ReadRecord(record))
            return false;
        if (record.m_usTexture == 0 || record.m_usTexture > m_usNumTextures)
            return Fail(ZEString::Format("texture %u is not in the table of %u", record.m_usTexture, m_usNumTextures));
        if (record.m_usNumIndices == 0 || record.m_usNumIndices % 3 != 0)
            return Fail(ZEString::Format("a face has %u indices", record.m_usNumIndices));
        return ReadIndices(surface) && ReadBytes(surface.m_pucData, m_usFaceDataSize) &&
               ReadBytes(surface.m_pucLightmap,
                         static_cast<uint64_t>(record.m_usLightmapWidth) * record.m_usLightmapHeight);
    }

private:
    bool ReadIndices(ZEMapSurface& surface)
    {
        uint16_t count = surface.m_Record.m_usNumIndices;
        std::vector<uint8_t> raw(2u * count);
        if (!Read(raw.data(), raw.size()))
            return false;
        surface.m_ausIndices.resize(count);
        for (uint32_t i = 0; i < count; ++i)
        {
            uint16_t index = ZEReadLE16(&raw[2 * i]);
            if (index >= m_ulNumVertices)
                return Fail(ZEString::Format("index %u is beyond the %u vertices", index, m_ulNumVertices));
            surface.m_ausIndices[i] = index;
        }
        return true;
    }

    // `count` bytes into a new buffer; none (null) for 0.
    bool ReadBytes(std::unique_ptr<uint8_t[]>& to, uint64_t count)
    {
        if (count == 0)
            return true;
        if (count > m_ulRemaining)
            return Fail("the file is cut short");
        to.reset(new uint8_t[count]);
        return Read(to.get(), count);
    }

    FILE* m_pFile = nullptr;
    uint32_t m_ulRemaining = 0;
    ZEString m_Reason;
    uint16_t m_usNumTextures = 0;
    uint32_t m_ulNumVertices = 0;
    uint16_t m_usFaceDataSize = 0;
};

namespace
{
const uint32_t kTextureRecordSize = sizeof(_TextureInformation);
// Larger than any plane distance in a level: no face chosen yet.
const double kNoFace = 100000000.0;
// The foot segment runs this many centre distances through the plane.
const float kFootReach = 1.5f;
// A segment's halves reach this far past the plane they were split at.
const float kExtension = 0.001f;
// The camera counts as behind a plane only this far behind it.
const double kBehind = -0.00001;

ZEVector VectorOf(const float* xyz)
{
    return ZEVector(xyz[0], xyz[1], xyz[2]);
}

// Frees what a map that failed half-way put into the world. When the
// terrain itself is installed only the lists go, so it is not deleted
// under its own load.
void FreeWorldAfterFailure(ZETerrain* terrain)
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!engine)
        return;
    if (engine->GetTerrain() != terrain)
    {
        engine->FreeWorld();
        return;
    }
    engine->FreeAllObjectsInWorld();
    engine->FreeAllLightsInWorld();
    engine->FreeAllParticleSystems();
    engine->FreeAllDecals();
}

// `chain` followed by `tail`.
ZEDecal* AppendDecals(ZEDecal* chain, ZEDecal* tail)
{
    if (!chain)
        return tail;
    ZEDecal* last = chain;
    while (last->m_pNext)
        last = last->m_pNext;
    last->m_pNext = tail;
    return chain;
}
}

// ---------------------------------------------------------------------------
// Entities

namespace
{
uint16_t BufferSize(const ZECustomEntity* entity)
{
    return std::max(entity->m_usDataSize, ZE_BSP_MIN_ENTITY_DATA);
}

void AddLight(ZEEngine* engine, ZELight* light)
{
    if (engine)
        engine->AddLightToWorld(light);
    else
        delete light;
}

void AddObject(ZEEngine* engine, ZEEngineObject* object)
{
    if (engine)
        engine->AddObjectToWorld(object);
    else
        delete object;
}

// Each maker takes the entity over (deleting it or handing it on).
using EntityMaker = void (*)(ZEBSPTerrain& terrain, ZECustomEntity* entity, ZEEngine* engine);

ZEEntityData DataOf(const ZECustomEntity* entity)
{
    return ZEEntityData(entity->m_pData, BufferSize(entity));
}

// "AmbientLight": 0 intensity.
void MakeAmbientLight(ZEBSPTerrain& terrain, ZECustomEntity* entity, ZEEngine* engine)
{
    float intensity = DataOf(entity).Float(0);
    terrain.m_fBrightness += intensity;
    AddLight(engine, new ZELight(intensity));
    delete entity;
}

// "DirectionalLight": 0 intensity, 4 direction.
void MakeDirectionalLight(ZEBSPTerrain& terrain, ZECustomEntity* entity, ZEEngine* engine)
{
    ZEEntityData data = DataOf(entity);
    float intensity = data.Float(0);
    terrain.m_fBrightness += intensity;
    AddLight(engine, new ZELight(data.Vector(4), intensity));
    delete entity;
}

// "PointLight": 0 flare kind, 4 intensity, 8 range, 12 attenuation.
void MakePointLight(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    ZEEntityData data = DataOf(entity);
    AddLight(engine, new ZELight(entity->m_vPosition, data.Float(4), data.Float(8), data.Flag(12), data.Long(0)));
    delete entity;
}

// "SpotLight": 0 flare kind, 4 intensity, 8 range, 12 direction,
// 24 attenuation, 25 cone angle (u16, unaligned).
void MakeSpotLight(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    ZEEntityData data = DataOf(entity);
    AddLight(engine, new ZELight(entity->m_vPosition, data.Float(4), data.Float(8), data.Vector(12), data.U16(25),
                                 data.Flag(24), data.Long(0)));
    delete entity;
}

void MakeSkyBox(ZEBSPTerrain& terrain, ZECustomEntity* entity, ZEEngine*)
{
    // A second sky box replaces the first.
    delete terrain.m_pSkyBox;
    terrain.m_pSkyBox = new ZESkyBox(entity);
}

void MakeGeometricalObject(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    AddObject(engine, new ZEGeometricalObject(entity));
}

void MakeModelObject(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    AddObject(engine, new ZEModelObject(entity));
}

void MakeBillboard(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    AddObject(engine, new ZEBillboard(entity));
}

void MakeStaticDecal(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    AddObject(engine, new ZEStaticDecal(entity));
}

void MakeWater(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    AddObject(engine, new ZEWater(entity));
}

void MakeParticleFX(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    ZEParticleFX* system = new ZEParticleFX(entity->m_vPosition, entity->m_pData, BufferSize(entity));
    if (engine)
        engine->AddParticleSystem(system);
    else
        delete system;
    delete entity;
}

void MakeDynamicLight(ZEBSPTerrain&, ZECustomEntity* entity, ZEEngine* engine)
{
    AddLight(engine, new ZEDynamicLight(entity->m_vPosition, entity->m_pData, BufferSize(entity)));
    delete entity;
}

struct EntityClass
{
    const char* m_pName;
    bool m_bNeedsPolygons;
    EntityMaker m_pMake;
};

const EntityClass kEntityClasses[] = {
    {"AmbientLight", false, MakeAmbientLight},
    {"DirectionalLight", false, MakeDirectionalLight},
    {"PointLight", false, MakePointLight},
    {"SpotLight", false, MakeSpotLight},
    {"SkyBox", true, MakeSkyBox},
    {"GeometricalObject", true, MakeGeometricalObject},
    {"ModelObject", false, MakeModelObject},
    {"Billboard", true, MakeBillboard},
    {"Decal", true, MakeStaticDecal},
    {"Water", true, MakeWater},
    {"ParticleFX", false, MakeParticleFX},
    {"DynamicLight", false, MakeDynamicLight},
};

static_assert(ZEParticleFX::ms_usEntityDataSize <= ZE_BSP_MIN_ENTITY_DATA, "ParticleFX blocks are padded");
static_assert(ZEModelObject::ms_usDataSize <= ZE_BSP_MIN_ENTITY_DATA, "ModelObject blocks are padded");
static_assert(ZEDynamicLight::ms_usEntityDataSize <= ZE_BSP_MIN_ENTITY_DATA, "DynamicLight blocks are padded");
static_assert(ZESkyBox::ms_usDataSize <= ZE_BSP_MIN_ENTITY_DATA, "SkyBox blocks are padded");
static_assert(ZEWater::ms_usDataSize <= ZE_BSP_MIN_ENTITY_DATA, "Water blocks are padded");

const EntityClass* FindEntityClass(const ZEString& name)
{
    for (const EntityClass& entityClass : kEntityClasses)
        if (name == entityClass.m_pName)
            return &entityClass;
    return nullptr;
}
}

// ---------------------------------------------------------------------------
// ZEBSPFace

ZEBSPFace::ZEBSPFace()
{
    m_bLightmapped = true;
    m_bPlanar = true;
    m_usNumPlanes = 1;
    m_pPlanes = new ZEPlane[1];
    m_pvUp = new ZEVector[1];
    m_pvRight = new ZEVector[1];
}

ZEBSPFace::~ZEBSPFace()
{
    m_pVertices = nullptr;
    m_pLVertices = nullptr;
}

// ---------------------------------------------------------------------------
// ZEBSPNode

ZEBSPNode::ZEBSPNode()
{
    m_pBoundingVolume = new ZEAABoundingBox();
    m_bCollision = true;
}

ZEBSPNode::~ZEBSPNode()
{
    delete m_pFront;
    delete m_pBack;
    while (m_pFaces)
    {
        ZEBSPFace* face = m_pFaces;
        m_pFaces = static_cast<ZEBSPFace*>(face->m_pNext);
        delete face;
    }
}

ZEAABoundingBox* ZEBSPNode::GetBox() const
{
    return static_cast<ZEAABoundingBox*>(m_pBoundingVolume);
}

void ZEBSPNode::AddFace(ZEBSPFace* face)
{
    face->m_pNext = nullptr;
    if (m_pLastFace)
        m_pLastFace->m_pNext = face;
    else
        m_pFaces = face;
    m_pLastFace = face;
}

ZEDecal* ZEBSPNode::ApplyDecal(const ZEVector& center, float sizeX, float sizeY, ZETextureReference* texture)
{
    ZEBoundingSphere reach(center, std::max(sizeX, sizeY) / 2.0f);
    ZEDecal* chain = nullptr;
    for (ZEPolygon* face = m_pFaces; face; face = face->m_pNext)
        if (static_cast<ZEBSPFace*>(face)->m_BoundingSphere.IntersectsVolume(reach))
            chain = AppendDecals(chain, face->ApplyDecal(center, sizeX, sizeY, texture));
    return chain;
}

void ZEBSPNode::RenderDynamicLight(ZELight* light, ZECamera* camera)
{
    ZEEngine* engine = ZEEngine::ms_pEngine;
    if (!engine || !light || !GetBox()->IntersectsVolume(light->m_BoundingSphere))
        return;
    if (camera && camera->Culled(m_pBoundingVolume))
        return;
    for (ZEPolygon* face = m_pFaces; face; face = face->m_pNext)
    {
        if (!static_cast<ZEBSPFace*>(face)->m_BoundingSphere.IntersectsVolume(light->m_BoundingSphere))
            continue;
        if (camera && camera->Culled(face->m_pPlanes, nullptr, face->m_pusIndices, face->m_usNumIndices))
            continue;
        engine->RenderDynamicLight(face, light);
    }
}

// ---------------------------------------------------------------------------
// ZEBSPTerrain: loading

ZEBSPTerrain::ZEBSPTerrain()
{
    // The level is hard: contacts with it lose a tenth of the speed.
    m_fRetention = 0.9f;
}

ZEBSPTerrain::~ZEBSPTerrain()
{
    delete m_pRoot;
    delete[] m_pLVertices;
    delete[] m_pTextureNames;
}

void ZEBSPTerrain::Unload()
{
    delete m_pRoot;
    m_pRoot = nullptr;
    delete[] m_pLVertices;
    m_pLVertices = nullptr;
    m_ulNumLVertices = 0;
    delete[] m_pTextureNames;
    m_pTextureNames = nullptr;
    m_usNumTextures = 0;
    delete m_pSkyBox;
    m_pSkyBox = nullptr;
    m_usFaceDataSize = 0;
    m_fBrightness = 0.0f;
    m_bSecondPass = false;
    m_bLoaded = false;
    m_aPendingLightmaps.clear();
}

bool ZEBSPTerrain::Load(const ZEString& fileName)
{
    Unload();
    ZEMapReader reader(fileName);
    if (!reader.IsOpen())
        return false;
    bool read = ReadMap(reader);
    delete[] m_pTextureNames;
    m_pTextureNames = nullptr;
    m_usNumTextures = 0;
    if (read)
    {
        m_bLoaded = true;
        return true;
    }
    ZEConsole::Post("world", ZEString::Format("Damaged map %s: %s", fileName.CStr(), reader.GetReason().CStr()),
                    ZE_MSG_ERROR);
    Unload();
    return false;
}

bool ZEBSPTerrain::ReadMap(ZEMapReader& reader)
{
    _ZEBSPHeader header;
    if (!reader.ReadRecord(header))
        return false;
    if (!header.HasMagic() || header.m_ucVersion != _ZEBSPHeader::ms_ucVersion)
        return reader.Fail("not a map of version 1");
    m_usFaceDataSize = header.m_usFaceDataSize;
    if (!ReadTables(reader, header))
        return false;
    reader.SetTables(m_usNumTextures, m_ulNumLVertices, m_usFaceDataSize);
    m_pRoot = new ZEBSPNode();
    if (!LoadNode(m_pRoot, reader, 1) || !LoadEntities(reader, header.m_usNumEntities))
        return false;
    // After the entities, whose polygons copy the vertices as they were read.
    PackLightmaps();
    return true;
}

bool ZEBSPTerrain::ReadTables(ZEMapReader& reader, const _ZEBSPHeader& header)
{
    return ReadTextureTable(reader, header.m_usNumTextures) && ReadVertices(reader, header);
}

bool ZEBSPTerrain::ReadTextureTable(ZEMapReader& reader, uint16_t count)
{
    uint32_t tableBytes = count * kTextureRecordSize;
    std::unique_ptr<uint8_t[]> table(new uint8_t[tableBytes + 1]);
    if (!reader.Read(table.get(), tableBytes))
        return false;
    // A damaged record must not run its names into the next field.
    for (uint32_t t = 0; t < count; ++t)
    {
        uint8_t* record = table.get() + t * kTextureRecordSize;
        record[offsetof(_TextureInformation, m_acName) + 11] = 0;
        record[offsetof(_TextureInformation, m_acPackage) + 11] = 0;
    }
    m_pTextureNames = table.release();
    m_usNumTextures = count;
    return true;
}

bool ZEBSPTerrain::ReadVertices(ZEMapReader& reader, const _ZEBSPHeader& header)
{
    std::vector<uint8_t> positions(header.m_usNumPositions * _ZEBSPVertex::ms_ulPositionSize);
    std::vector<uint8_t> pairs(header.m_usNumTexCoords * _ZEBSPVertex::ms_ulTexCoordSize);
    std::vector<uint8_t> vertices(header.m_usNumVertices * _ZEBSPVertex::ms_ulSize);
    if (!reader.Read(positions.data(), positions.size()) || !reader.Read(pairs.data(), pairs.size()) ||
        !reader.Read(vertices.data(), vertices.size()))
        return false;

    m_pLVertices = new ZELVertex[header.m_usNumVertices];
    m_ulNumLVertices = header.m_usNumVertices;
    for (uint32_t v = 0; v < header.m_usNumVertices; ++v)
    {
        _ZEBSPVertex vertex = _ZEBSPVertex::Decode(&vertices[v * _ZEBSPVertex::ms_ulSize]);
        if (vertex.m_usPosition >= header.m_usNumPositions)
            return reader.Fail(ZEString::Format("vertex %u names position %u of %u", v, vertex.m_usPosition,
                                                header.m_usNumPositions));
        if (vertex.m_usTexCoord >= header.m_usNumTexCoords || vertex.m_usLightmapCoord >= header.m_usNumTexCoords)
            return reader.Fail(ZEString::Format("vertex %u names a coordinate pair beyond the %u pairs", v,
                                                header.m_usNumTexCoords));
        const uint8_t* p = &positions[vertex.m_usPosition * _ZEBSPVertex::ms_ulPositionSize];
        const uint8_t* t = &pairs[vertex.m_usTexCoord * _ZEBSPVertex::ms_ulTexCoordSize];
        const uint8_t* l = &pairs[vertex.m_usLightmapCoord * _ZEBSPVertex::ms_ulTexCoordSize];
        m_pLVertices[v] = ZELVertex{ZEReadLEFloat(p), ZEReadLEFloat(p + 4), ZEReadLEFloat(p + 8), ZEReadLEFloat(t),
                                    ZEReadLEFloat(t + 4), ZEReadLEFloat(l), ZEReadLEFloat(l + 4)};
    }
    return true;
}

bool ZEBSPTerrain::LoadNode(ZEBSPNode* node, ZEMapReader& reader, uint32_t depth)
{
    if (depth > ZE_BSP_MAX_DEPTH)
        return reader.Fail(ZEString::Format("the node tree is deeper than %u", ZE_BSP_MAX_DEPTH));
    _ZEBSPNodeRecord record;
    if (!reader.ReadRecord(record))
        return false;
    node->GetBox()->SetData(VectorOf(record.m_afMin), VectorOf(record.m_afMax));
    node->m_Plane.SetPlane(VectorOf(record.m_afNormal), record.m_fDistance);

    if (record.m_ulNumFaces > 0)
    {
        node->m_bLeaf = true;
        for (uint32_t f = 0; f < record.m_ulNumFaces; ++f)
            if (!LoadFace(node, reader))
                return false;
        return true;
    }
    if (!record.m_ucFront && !record.m_ucBack)
        return reader.Fail("an inner node has no children");
    // Each child is linked before it is read, so a failure frees it too.
    if (record.m_ucFront && !LoadNode(node->m_pFront = new ZEBSPNode(), reader, depth + 1))
        return false;
    return !record.m_ucBack || LoadNode(node->m_pBack = new ZEBSPNode(), reader, depth + 1);
}

bool ZEBSPTerrain::LoadFace(ZEBSPNode* node, ZEMapReader& reader)
{
    ZEMapSurface surface;
    if (!reader.ReadSurface(surface))
        return false;
    ZEBSPFace* face = new ZEBSPFace();
    node->AddFace(face);

    uint16_t count = surface.m_Record.m_usNumIndices;
    face->m_usNumIndices = count;
    face->m_pusIndices = new uint16_t[count];
    std::copy(surface.m_ausIndices.begin(), surface.m_ausIndices.end(), face->m_pusIndices);
    face->m_pLVertices = m_pLVertices;
    face->m_pPlanes[0].SetPlane(VectorOf(surface.m_Record.m_afNormal), surface.m_Record.m_fDistance);
    face->m_pPlanes[0].m_vNormal.GetRightAndUpVectors(face->m_pvRight[0], face->m_pvUp[0]);
    face->m_BoundingSphere.UpdateVolume(m_pLVertices, face->m_pusIndices, count);
    face->m_bUpdated = true;
    // The lightmap waits for the pages; until then the face has an empty one.
    std::unique_ptr<uint8_t[]> lightmap;
    if (ZETextureManager::ms_pTexManager)
        lightmap = std::move(surface.m_pucLightmap);
    DressSurface(face, surface);
    if (lightmap)
        m_aPendingLightmaps.push_back(PendingLightmap{face, std::move(lightmap), surface.m_Record.m_usLightmapWidth,
                                                      surface.m_Record.m_usLightmapHeight});
    if (face->m_ucAlpha < 255)
        m_bSecondPass = true;
    return true;
}

void ZEBSPTerrain::DressSurface(ZEPolygon* polygon, ZEMapSurface& surface)
{
    polygon->m_pucData = surface.m_pucData.release();
    polygon->m_ucAlpha = polygon->m_pucData ? polygon->m_pucData[0] : 255;
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    if (!textures)
        return;
    _TextureInformation info;
    std::memcpy(&info, m_pTextureNames + (surface.m_Record.m_usTexture - 1) * kTextureRecordSize, sizeof(info));
    polygon->m_pTexture = textures->GetTexture(info);
    polygon->m_pLightmap = surface.m_pucLightmap
                               ? textures->GetLightmap(surface.m_pucLightmap.release(),
                                                       surface.m_Record.m_usLightmapWidth,
                                                       surface.m_Record.m_usLightmapHeight)
                               : new ZETextureReference();
}

ZEPolygon* ZEBSPTerrain::GetPolygon(const uint16_t* indices, uint16_t count)
{
    std::vector<uint16_t> used(indices, indices + count);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    if (count == 0 || used.back() >= m_ulNumLVertices)
        return nullptr;

    ZEPolygon* polygon = new ZEPolygon();
    polygon->m_bLightmapped = true;
    polygon->m_usNumVertices = static_cast<uint16_t>(used.size());
    polygon->m_pLVertices = new ZELVertex[used.size()];
    for (size_t v = 0; v < used.size(); ++v)
        polygon->m_pLVertices[v] = m_pLVertices[used[v]];
    polygon->m_usNumIndices = count;
    polygon->m_pusIndices = new uint16_t[count];
    for (uint32_t i = 0; i < count; ++i)
        polygon->m_pusIndices[i] =
            static_cast<uint16_t>(std::lower_bound(used.begin(), used.end(), indices[i]) - used.begin());
    polygon->Update();
    return polygon;
}

bool ZEBSPTerrain::LoadEntities(ZEMapReader& reader, uint16_t count)
{
    for (uint32_t e = 0; e < count; ++e)
    {
        ZECustomEntity* entity = LoadEntity(reader);
        if (!entity)
        {
            if (e > 0)
                FreeWorldAfterFailure(this);
            return false;
        }
        ReceiveEntity(entity);
    }
    return true;
}

ZECustomEntity* ZEBSPTerrain::LoadEntity(ZEMapReader& reader)
{
    _ZEBSPEntityRecord record;
    if (!reader.ReadRecord(record))
        return nullptr;
    record.m_acClassName[sizeof(record.m_acClassName) - 1] = 0;
    // Zero-padded, so a class reading past a short block reads zeros.
    uint16_t bufferSize = std::max(record.m_usDataSize, ZE_BSP_MIN_ENTITY_DATA);
    std::unique_ptr<uint8_t[]> data(new uint8_t[bufferSize]());
    if (!reader.Read(data.get(), record.m_usDataSize))
        return nullptr;
    std::unique_ptr<ZECustomEntity> entity(new ZECustomEntity(ZEString(record.m_acClassName),
                                                              VectorOf(record.m_afPosition), data.release(),
                                                              record.m_usDataSize));
    if (!record.m_ucPolygons)
        return entity.release();
    for (uint32_t p = 0; p < record.m_usNumPolygons; ++p)
    {
        ZEMapSurface surface;
        if (!reader.ReadSurface(surface))
            return nullptr;
        ZEPolygon* polygon = GetPolygon(surface.m_ausIndices.data(), surface.m_Record.m_usNumIndices);
        if (!polygon)
            return nullptr;
        DressSurface(polygon, surface);
        entity->AddPolygon(polygon);
    }
    return entity.release();
}

void ZEBSPTerrain::ReceiveEntity(ZECustomEntity* entity)
{
    const EntityClass* entityClass = FindEntityClass(entity->m_ClassName);
    if (!entityClass)
    {
        ZEApplication* app = ZEApplication::ms_pApp;
        if (!app || !app->ReceiveCustomEntity(entity))
            delete entity;
        return;
    }
    if (entityClass->m_bNeedsPolygons && !entity->m_pPolygons)
    {
        const ZEVector& at = entity->m_vPosition;
        ZEConsole::Post("world", ZEString::Format("%s entity at (%g, %g, %g) has no polygons; skipped",
                                                  entityClass->m_pName, at.x, at.y, at.z),
                        ZE_MSG_ERROR);
        delete entity;
        return;
    }
    entityClass->m_pMake(*this, entity, ZEEngine::ms_pEngine);
}

// ---------------------------------------------------------------------------
// ZEBSPTerrain: lightmap pages

// One map's pending lightmaps on their way into pages: which of them the
// pages take, the vertex copies that leave every face its own coordinates,
// the remapped coordinates and the textures the faces get.
class ZEBSPTerrain::LightmapPacking
{
public:
    LightmapPacking(ZEBSPTerrain& terrain, std::vector<PendingLightmap>& pending)
        : m_Terrain(terrain), m_aPending(pending), m_Atlas(ZE_BSP_LIGHTMAP_PAGE)
    {
    }

    // Packs every lightmap that a page can stand in for.
    void Pack()
    {
        std::vector<ZELightmapSize> sizes;
        for (const PendingLightmap& lightmap : m_aPending)
        {
            // Size 0 x 0 is never placed: the face keeps its own texture.
            bool paged = Reproducible(lightmap);
            sizes.push_back(ZELightmapSize{paged ? lightmap.m_usWidth : uint16_t(0),
                                           paged ? lightmap.m_usHeight : uint16_t(0)});
        }
        m_Atlas.Pack(sizes);
    }

    // Copies shared vertices so that no vertex serves two keys (a page
    // place, or the coordinates as read); false, with nothing changed, when
    // the array would outgrow 16-bit indices.
    bool Separate()
    {
        if (m_Terrain.m_ulNumLVertices + Split(false) > 65535u)
            return false;
        Split(true);
        return true;
    }

    // The shared vertices with the copies appended and every paged face's
    // coordinates moved into its page.
    void Remap()
    {
        uint32_t count = static_cast<uint32_t>(m_alOwner.size());
        ZELVertex* vertices = new ZELVertex[count];
        std::copy(m_Terrain.m_pLVertices, m_Terrain.m_pLVertices + m_Terrain.m_ulNumLVertices, vertices);
        for (size_t c = 0; c < m_ausCopied.size(); ++c)
            vertices[m_Terrain.m_ulNumLVertices + c] = m_Terrain.m_pLVertices[m_ausCopied[c]];
        for (uint32_t v = 0; v < count; ++v)
            if (m_alOwner[v] >= 0)
                m_Atlas.Remap(static_cast<uint32_t>(m_alOwner[v]), vertices[v].lu, vertices[v].lv);
        delete[] m_Terrain.m_pLVertices;
        m_Terrain.m_pLVertices = vertices;
        m_Terrain.m_ulNumLVertices = count;
        m_Terrain.RelinkVertices(m_Terrain.m_pRoot);
    }

    // Fills the pages, makes their textures and gives every face its
    // lightmap: a reference to its page, or a texture of its own.
    void HandOut(ZETextureManager& textures, bool paged)
    {
        std::vector<std::unique_ptr<ZETextureReference>> pages;
        if (paged)
            pages = MakePages(textures);
        for (size_t k = 0; k < m_aPending.size(); ++k)
        {
            PendingLightmap& lightmap = m_aPending[k];
            const ZELightmapSlot& slot = m_Atlas.GetSlots()[k];
            ZETexture* page = paged && slot.IsPlaced() ? pages[slot.m_lPage]->GetTexture() : nullptr;
            ZETextureReference* reference =
                paged && slot.IsPlaced()
                    ? (page ? page->GetReference() : new ZETextureReference())
                    : textures.GetLightmap(lightmap.m_pucTexels.release(), lightmap.m_usWidth, lightmap.m_usHeight);
            delete lightmap.m_pFace->m_pLightmap;
            lightmap.m_pFace->m_pLightmap = reference;
        }
    }

private:
    static constexpr int32_t kFree = -1;       // no face draws it yet
    static constexpr int32_t kAsRead = -2;     // drawn with the coordinates read

    bool Reproducible(const PendingLightmap& lightmap) const
    {
        const ZEBSPFace* face = lightmap.m_pFace;
        for (uint16_t i = 0; i < face->m_usNumIndices; ++i)
        {
            const ZELVertex& vertex = m_Terrain.m_pLVertices[face->m_pusIndices[i]];
            if (!ZELightmapAtlas::Reproduces(vertex.lu, vertex.lv, lightmap.m_usWidth, lightmap.m_usHeight))
                return false;
        }
        return true;
    }

    // The copies needed (a dry run), or made: faces in order claim their
    // vertices; a face meeting a vertex another key claimed draws a copy.
    uint32_t Split(bool apply)
    {
        m_alOwner.assign(m_Terrain.m_pLVertices ? m_Terrain.m_ulNumLVertices : 0, kFree);
        m_ausCopied.clear();
        uint32_t copies = 0;
        for (size_t k = 0; k < m_aPending.size(); ++k)
        {
            int32_t key = m_Atlas.GetSlots()[k].IsPlaced() ? static_cast<int32_t>(k) : kAsRead;
            ZEBSPFace* face = m_aPending[k].m_pFace;
            std::vector<std::pair<uint16_t, uint32_t>> own;   // vertex read, its copy for this face
            for (uint16_t i = 0; i < face->m_usNumIndices; ++i)
            {
                uint16_t vertex = face->m_pusIndices[i];
                if (m_alOwner[vertex] == kFree)
                    m_alOwner[vertex] = key;
                if (m_alOwner[vertex] == key)
                    continue;
                auto found = std::find_if(own.begin(), own.end(), [vertex](const auto& c) { return c.first == vertex; });
                if (found == own.end())
                {
                    found = own.insert(own.end(), std::make_pair(vertex, m_Terrain.m_ulNumLVertices + copies++));
                    m_alOwner.push_back(key);
                    m_ausCopied.push_back(vertex);
                }
                if (apply)
                    face->m_pusIndices[i] = static_cast<uint16_t>(found->second);
            }
        }
        return copies;
    }

    std::vector<std::unique_ptr<ZETextureReference>> MakePages(ZETextureManager& textures)
    {
        for (size_t k = 0; k < m_aPending.size(); ++k)
            m_Atlas.Fill(static_cast<uint32_t>(k), m_aPending[k].m_pucTexels.get());
        std::vector<std::unique_ptr<ZETextureReference>> pages;
        for (ZELightmapPage& page : m_Atlas.GetPages())
        {
            uint8_t* texels = new uint8_t[page.m_aucTexels.size()];
            std::copy(page.m_aucTexels.begin(), page.m_aucTexels.end(), texels);
            std::vector<uint8_t>().swap(page.m_aucTexels);
            pages.emplace_back(textures.GetLightmap(texels, page.m_ulWidth, page.m_ulHeight));
        }
        return pages;
    }

    ZEBSPTerrain& m_Terrain;
    std::vector<PendingLightmap>& m_aPending;
    ZELightmapAtlas m_Atlas;
    std::vector<int32_t> m_alOwner;       // every vertex's key, copies after the vertices read
    std::vector<uint16_t> m_ausCopied;    // the vertex read that each copy repeats
};

void ZEBSPTerrain::PackLightmaps()
{
    std::vector<PendingLightmap> pending;
    pending.swap(m_aPendingLightmaps);
    ZETextureManager* textures = ZETextureManager::ms_pTexManager;
    if (pending.empty() || !textures)
        return;
    LightmapPacking packing(*this, pending);
    packing.Pack();
    bool paged = packing.Separate();
    if (paged)
        packing.Remap();
    packing.HandOut(*textures, paged);
}

void ZEBSPTerrain::RelinkVertices(ZEBSPNode* node)
{
    if (!node)
        return;
    for (ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext)
        face->m_pLVertices = m_pLVertices;
    RelinkVertices(node->m_pFront);
    RelinkVertices(node->m_pBack);
}

// ---------------------------------------------------------------------------
// ZEBSPTerrain: drawing, light and decals

uint8_t ZEBSPTerrain::GetBrightnessLevel() const
{
    float level = 255.0f * m_fBrightness;
    if (!(level > 0.0f))
        return 0;
    return level >= 255.0f ? 255 : static_cast<uint8_t>(level);
}

void ZEBSPTerrain::Animate(uint32_t ms, ZEEngine*)
{
    if (!m_pSkyBox || !m_pSkyBox->m_bRotate)
        return;
    float seconds = ms / 1000.0f;
    m_pSkyBox->m_vRotation += m_pSkyBox->m_vRotationSpeed * seconds;
}

void ZEBSPTerrain::Render(ZERenderer* renderer, ZECamera* camera)
{
    if (!m_bLoaded || !renderer || !m_pRoot)
        return;
    // Without transparent faces the tree's order alone decides what covers
    // what.
    bool ordered = !m_bSecondPass;
    uint16_t comparison = renderer->m_usZBufferComp;
    if (ordered)
        renderer->SetZBufferComp(7);
    uint8_t level = renderer->m_bLightmaps ? 255 : GetBrightnessLevel();
    renderer->SetAmbient(level, level, level);
    renderer->SetVertexArray(m_pLVertices, static_cast<uint16_t>(m_ulNumLVertices));
    renderer->LockVertexArray();
    RenderNode(m_pRoot, renderer, camera, level);
    renderer->UnlockVertexArray();
    if (ordered)
        renderer->SetZBufferComp(comparison);
}

void ZEBSPTerrain::RenderNode(ZEBSPNode* node, ZERenderer* renderer, ZECamera* camera, uint8_t level)
{
    if (!node || (camera && camera->Culled(node->m_pBoundingVolume)))
        return;
    if (node->m_bLeaf)
    {
        for (ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext)
            if (!camera || !camera->Culled(face->m_pPlanes, nullptr, face->m_pusIndices, face->m_usNumIndices))
                RenderFace(static_cast<ZEBSPFace*>(face), renderer, level);
        return;
    }
    ZEVector eye = camera ? camera->m_vPosition : ZEVector();
    bool behind = node->m_Plane.Distance(eye) < kBehind;
    RenderNode(behind ? node->m_pFront : node->m_pBack, renderer, camera, level);
    RenderNode(behind ? node->m_pBack : node->m_pFront, renderer, camera, level);
}

void ZEBSPTerrain::RenderFace(ZEBSPFace* face, ZERenderer* renderer, uint8_t level)
{
    bool blended = face->m_ucAlpha < 255;
    if (blended)
    {
        renderer->EnableBlending();
        renderer->SetBlendingState(4, 5);
        renderer->SetAmbient(255, 255, 255, face->m_ucAlpha);
    }
    renderer->SetTexture(face->m_pTexture);
    renderer->DrawIndices(face->m_pusIndices, face->m_usNumIndices, face->m_pLightmap);
    if (blended)
    {
        renderer->DisableBlending();
        // The faces after it keep the terrain's own grey level.
        renderer->SetAmbient(level, level, level);
    }
}

void ZEBSPTerrain::RenderDynamicLight(ZELight* light, ZECamera* camera)
{
    if (m_bLoaded && light)
        LightNode(m_pRoot, light, camera);
}

void ZEBSPTerrain::LightNode(ZEBSPNode* node, ZELight* light, ZECamera* camera)
{
    if (!node || (camera && camera->Culled(node->m_pBoundingVolume)))
        return;
    if (node->m_bLeaf)
    {
        node->RenderDynamicLight(light, camera);
        return;
    }
    double d = node->m_Plane.Distance(light->m_vPosition);
    double radius = light->m_BoundingSphere.m_fRadius;
    if (d >= -radius)
        LightNode(node->m_pFront, light, camera);
    if (d <= radius)
        LightNode(node->m_pBack, light, camera);
}

ZEDecal* ZEBSPTerrain::ApplyDecal(const ZEVector& center, float sizeX, float sizeY, ZETextureReference* texture)
{
    return m_bLoaded ? ApplyDecalToNode(m_pRoot, center, sizeX, sizeY, texture) : nullptr;
}

ZEDecal* ZEBSPTerrain::ApplyDecalToNode(ZEBSPNode* node, const ZEVector& center, float sizeX, float sizeY,
                                        ZETextureReference* texture)
{
    if (!node)
        return nullptr;
    if (node->m_bLeaf)
        return node->ApplyDecal(center, sizeX, sizeY, texture);
    double radius = std::max(sizeX, sizeY) / 2.0f;
    double d = node->m_Plane.Distance(center);
    ZEDecal* front = d >= -radius ? ApplyDecalToNode(node->m_pFront, center, sizeX, sizeY, texture) : nullptr;
    ZEDecal* back = d <= radius ? ApplyDecalToNode(node->m_pBack, center, sizeX, sizeY, texture) : nullptr;
    return AppendDecals(front, back);
}

// ---------------------------------------------------------------------------
// ZEBSPTerrain: collision

namespace
{
// The volume meets one of the triangle's edges a->b, b->c, c->a.
bool EdgeMet(const ZEPolygon& face, uint32_t t, const ZEBoundingVolume& volume)
{
    for (uint32_t k = 0; k < 3; ++k)
    {
        ZEVector from = face.GetIndexedPosition(3 * t + k);
        ZEVector to = face.GetIndexedPosition(3 * t + (k + 1) % 3);
        if (volume.IntersectsVolume(from, to - from))
            return true;
    }
    return false;
}

// The centre's foot on the face's plane lies in one of its triangles, or
// else the volume meets one of their edges.
bool FaceTouched(const ZEPolygon& face, double distance, const ZEBoundingVolume& volume, const ZEVector& center)
{
    const ZEPlane& plane = face.m_pPlanes[0];
    uint32_t triangles = face.GetNumTestableTriangles();
    ZEVector foot;
    if (ZESegmentCrossesPlane(plane, center, plane.m_vNormal * static_cast<float>(-kFootReach * distance), foot))
        for (uint32_t t = 0; t < triangles; ++t)
            if (face.TriangleHolds(t, foot))
                return true;
    for (uint32_t t = 0; t < triangles; ++t)
        if (EdgeMet(face, t, volume))
            return true;
    return false;
}

// Of two contact planes, whether the front child's wins (see the header).
bool FrontPlaneWins(const ZEPlane& front, const ZEPlane& back, const ZEVector& center)
{
    double d1 = front.Distance(center);
    double d2 = back.Distance(center);
    if (d1 >= 0.0 && d2 >= 0.0)
        return d1 <= d2;
    if (d1 < 0.0 && d2 < 0.0)
        return d1 >= d2;
    return d1 >= 0.0;
}
}

// The volume's bounding sphere, taken once per volume test: its centre
// and its radius made a thousandth larger plus 0.0001 (infinite for a kind
// of volume the rejects do not know).
struct ZEBSPTerrain::VolumeReach
{
    ZEVector m_vCenter;
    double m_dRadius;
};

namespace
{
// A reject that agrees with the exact plane tests: it answers "apart" only
// where the exact test is sure to. A plane test of the engine's own volume
// kinds finds contact only within the volume's bounding sphere - the
// oriented box's and the axis-aligned box's support radius toward a unit
// direction is at most their bounding radius, the sphere's test is a true
// distance - and the margins swallow the float rounding of the exact test.
const double kReachScale = 1.001;
const double kReachSlack = 0.0001;

double ReachOf(const ZEBoundingVolume& volume)
{
    const std::type_info& kind = typeid(volume);
    bool known = kind == typeid(ZEOBoundingBox) || kind == typeid(ZEAABoundingBox) || kind == typeid(ZEBoundingSphere);
    return known ? volume.GetBoundingRadius() * kReachScale + kReachSlack : INFINITY;
}

// The plane surely misses the sphere: |d| > radius x |normal| (a sphere
// volume's test ignores the normal's length, so at least radius).
bool PlaneClear(const ZEPlane& plane, double d, double radius)
{
    const ZEVector& n = plane.m_vNormal;
    double length2 = static_cast<double>(n.x) * n.x + static_cast<double>(n.y) * n.y + static_cast<double>(n.z) * n.z;
    return d * d > radius * radius * std::max(1.0, length2) * kReachScale;
}
}

bool ZEBSPTerrain::Clips(const ZEBoundingVolume& volume)
{
    ZEPlane scratch;
    return Clips(volume, scratch);
}

bool ZEBSPTerrain::Clips(const ZEBoundingVolume& volume, ZEPlane& plane)
{
    if (!m_bLoaded)
        return false;
    VolumeReach reach{volume.GetCenter(), ReachOf(volume)};
    return ClipNode(m_pRoot, volume, reach, plane);
}

bool ZEBSPTerrain::ClipNode(ZEBSPNode* node, const ZEBoundingVolume& volume, const VolumeReach& reach,
                            ZEPlane& plane)
{
    if (!node || !node->GetBox()->IntersectsVolume(volume))
        return false;
    if (node->m_bLeaf)
        return ClipLeaf(node, volume, reach, plane);
    if (!node->m_pFront || !node->m_pBack)
        return ClipNode(node->m_pFront ? node->m_pFront : node->m_pBack, volume, reach, plane);

    ZEVector center = volume.GetCenter();
    double d = node->m_Plane.Distance(center);
    if (PlaneClear(node->m_Plane, d, reach.m_dRadius) || !volume.IntersectsVolume(node->m_Plane))
        return ClipNode(d >= 0.0 ? node->m_pFront : node->m_pBack, volume, reach, plane);
    ZEPlane front, back;
    bool frontHit = ClipNode(node->m_pFront, volume, reach, front);
    bool backHit = ClipNode(node->m_pBack, volume, reach, back);
    if (frontHit && backHit)
        plane = FrontPlaneWins(front, back, center) ? front : back;
    else if (frontHit || backHit)
        plane = frontHit ? front : back;
    return frontHit || backHit;
}

bool ZEBSPTerrain::ClipLeaf(ZEBSPNode* node, const ZEBoundingVolume& volume, const VolumeReach& reach,
                            ZEPlane& plane)
{
    ZEVector center = volume.GetCenter();
    double best = kNoFace;
    bool taken = false;
    for (ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext)
    {
        const ZEPlane& facePlane = face->m_pPlanes[0];
        double d = facePlane.Distance(center);
        if (!(d >= 0.0 && d < best) || PlaneClear(facePlane, d, reach.m_dRadius) ||
            !volume.IntersectsVolume(facePlane))
            continue;
        if (!FaceTouched(*face, d, volume, center))
            continue;
        best = d;
        plane = facePlane;
        taken = true;
    }
    return taken;
}

bool ZEBSPTerrain::Clips(const ZEVector& start, const ZEVector& move)
{
    return m_bLoaded && ClipNode(m_pRoot, start, move, move.GetWithLength(kExtension));
}

bool ZEBSPTerrain::Clips(const ZEVector& start, const ZEVector& move, ZEVector& contact)
{
    _ZEClipInfo info;
    if (!Clips(start, move, info))
        return false;
    contact = info.m_vPoint;
    return true;
}

bool ZEBSPTerrain::Clips(const ZEVector& start, const ZEVector& move, _ZEClipInfo& info)
{
    return m_bLoaded && ClipNode(m_pRoot, start, move, move.GetWithLength(kExtension), info);
}

namespace
{
// How a segment meets an inner node: wholly on one side (`only`), or split
// at `crossing` into a near half for `nearSide` and a far half for
// `farSide`. False when it crosses almost parallel and so meets nothing.
struct SegmentSplit
{
    ZEBSPNode* m_pOnly = nullptr;
    bool m_bSplit = false;
    ZEBSPNode* m_pNear = nullptr;
    ZEBSPNode* m_pFar = nullptr;
    ZEVector m_vCrossing;
};

SegmentSplit SplitSegment(const ZEBSPNode* node, const ZEVector& start, const ZEVector& move)
{
    SegmentSplit split;
    double d0 = node->m_Plane.Distance(start);
    double d1 = node->m_Plane.Distance(start + move);
    if (d0 >= 0.0 && d1 >= 0.0)
        split.m_pOnly = node->m_pFront;
    else if (d0 <= 0.0 && d1 <= 0.0)
        split.m_pOnly = node->m_pBack;
    else if (ZESegmentCrossesPlane(node->m_Plane, start, move, split.m_vCrossing))
    {
        split.m_bSplit = true;
        split.m_pNear = d0 > 0.0 ? node->m_pFront : node->m_pBack;
        split.m_pFar = d0 > 0.0 ? node->m_pBack : node->m_pFront;
    }
    return split;
}
}

bool ZEBSPTerrain::ClipNode(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, const ZEVector& extension)
{
    if (!node)
        return false;
    if (node->m_bLeaf)
    {
        for (ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext)
            if (face->Clips(start, move))
                return true;
        return false;
    }
    SegmentSplit split = SplitSegment(node, start, move);
    if (!split.m_bSplit)
        return ClipNode(split.m_pOnly, start, move, extension);
    ZEVector nearEnd = split.m_vCrossing + extension;
    ZEVector farStart = split.m_vCrossing - extension;
    return ClipNode(split.m_pNear, start, nearEnd - start, extension) ||
           ClipNode(split.m_pFar, farStart, start + move - farStart, extension);
}

bool ZEBSPTerrain::ClipNode(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, const ZEVector& extension,
                            _ZEClipInfo& info)
{
    if (!node)
        return false;
    if (node->m_bLeaf)
        return ClipLeaf(node, start, move, info);
    SegmentSplit split = SplitSegment(node, start, move);
    if (!split.m_bSplit)
        return ClipNode(split.m_pOnly, start, move, extension, info);
    ZEVector nearEnd = split.m_vCrossing + extension;
    ZEVector farStart = split.m_vCrossing - extension;
    return ClipNode(split.m_pNear, start, nearEnd - start, extension, info) ||
           ClipNode(split.m_pFar, farStart, start + move - farStart, extension, info);
}

bool ZEBSPTerrain::ClipLeaf(ZEBSPNode* node, const ZEVector& start, const ZEVector& move, _ZEClipInfo& info)
{
    ZEVector reach = move;
    float best = 0.0f;
    bool hit = false;
    for (ZEPolygon* face = node->m_pFaces; face; face = face->m_pNext)
    {
        _ZEClipInfo record;
        if (!face->Clips(start, reach, record))
            continue;
        float distance = (record.m_vPoint - start).GetLength();
        if (hit && !(distance < best))
            continue;
        info = record;
        best = distance;
        hit = true;
        reach = record.m_vPoint - start;
    }
    if (hit)
        info.m_pObject = node;
    return hit;
}
