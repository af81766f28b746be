#include "world/ZEBSPTerrain.h"

#include "render/ZESkyBox.h"

ZE_IMPLEMENT_RTTI(ZEBSPFace, ZEPolygon);
ZE_IMPLEMENT_RTTI(ZEBSPTerrain, ZETerrain);

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

// Decals and dynamic light on faces come with the map loader.
ZEDecal* ZEBSPNode::ApplyDecal(const ZEVector&, float, float, ZETextureReference*)
{
    return nullptr;
}

void ZEBSPNode::RenderDynamicLight(ZELight*, ZECamera*) {}

// ---------------------------------------------------------------------------
// ZEBSPTerrain

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

void ZEBSPTerrain::Animate(uint32_t ms, ZEEngine*)
{
    if (!m_pSkyBox || !m_pSkyBox->m_bRotate)
        return;
    float seconds = ms / 1000.0f;
    m_pSkyBox->m_vRotation += m_pSkyBox->m_vRotationSpeed * seconds;
}

// Reading the map and the tree's drawing, lighting, decal and clipping
// walks come with the map loader; until then a map never loads, draws
// nothing and is never hit.
bool ZEBSPTerrain::Load(const ZEString&)
{
    return false;
}

void ZEBSPTerrain::Render(ZERenderer*, ZECamera*) {}

void ZEBSPTerrain::RenderDynamicLight(ZELight*, ZECamera*) {}

bool ZEBSPTerrain::Clips(const ZEBoundingVolume&)
{
    return false;
}

bool ZEBSPTerrain::Clips(const ZEBoundingVolume&, ZEPlane&)
{
    return false;
}

bool ZEBSPTerrain::Clips(const ZEVector&, const ZEVector&)
{
    return false;
}

bool ZEBSPTerrain::Clips(const ZEVector&, const ZEVector&, ZEVector&)
{
    return false;
}

bool ZEBSPTerrain::Clips(const ZEVector&, const ZEVector&, _ZEClipInfo&)
{
    return false;
}

ZEDecal* ZEBSPTerrain::ApplyDecal(const ZEVector&, float, float, ZETextureReference*)
{
    return nullptr;
}

bool ZEBSPTerrain::LoadNode(ZEBSPNode*, FILE*)
{
    return false;
}

bool ZEBSPTerrain::LoadEntities(FILE*, uint16_t)
{
    return false;
}

ZEPolygon* ZEBSPTerrain::GetPolygon(const uint16_t*, uint16_t)
{
    return nullptr;
}

void ZEBSPTerrain::RenderNode(ZEBSPNode*, ZERenderer*, ZECamera*) {}

void ZEBSPTerrain::LightNode(ZEBSPNode*, ZELight*, ZECamera*) {}

ZEDecal* ZEBSPTerrain::ApplyDecalToNode(ZEBSPNode*, const ZEVector&, float, float, ZETextureReference*)
{
    return nullptr;
}

bool ZEBSPTerrain::ClipNode(ZEBSPNode*, const ZEBoundingVolume&, ZEPlane&)
{
    return false;
}

bool ZEBSPTerrain::ClipNode(ZEBSPNode*, const ZEVector&, const ZEVector&, const ZEVector&)
{
    return false;
}

bool ZEBSPTerrain::ClipNode(ZEBSPNode*, const ZEVector&, const ZEVector&, const ZEVector&, _ZEClipInfo&)
{
    return false;
}
