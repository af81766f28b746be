#include "math/ZEPolygon.h"

#include "resources/ZETextureManager.h"

ZE_IMPLEMENT_ROOT_RTTI(ZEPolygon);

ZEPolygon::~ZEPolygon()
{
    delete[] m_pVertices;
    delete[] m_pLVertices;
    delete[] m_pusIndices;
    delete[] m_pPlanes;
    delete[] m_pvUp;
    delete[] m_pvRight;
    delete[] m_pucData;
    delete m_pTexture;
    delete m_pLightmap;
}

// Drawing, the plane table, decals and the segment tests belong to the
// collision and rendering work; until then a polygon draws nothing and is
// never hit.
void ZEPolygon::Render(ZERenderer*, ZECamera*) {}
void ZEPolygon::Render(ZERenderer*, ZECamera*, uint8_t) {}
void ZEPolygon::Update() {}
void ZEPolygon::RemoveLightmap() {}

ZEDecal* ZEPolygon::ApplyDecal(const ZEVector&, float, float, ZETextureReference*)
{
    return nullptr;
}

bool ZEPolygon::Clips(const ZEVector&, const ZEVector&)
{
    return false;
}

bool ZEPolygon::Clips(const ZEVector&, const ZEVector&, ZEVector&)
{
    return false;
}

bool ZEPolygon::Clips(const ZEVector&, const ZEVector&, _ZEClipInfo&)
{
    return false;
}

bool ZEPointInTriangle(const ZEVector&, const ZEVector&, const ZEVector&, const ZEVector&)
{
    return false;
}

void ZEDeletePolygonList(ZEPolygon*& list)
{
    while (list)
    {
        ZEPolygon* polygon = list;
        list = polygon->m_pNext;
        delete polygon;
    }
}
