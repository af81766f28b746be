#include "support/TestPolygons.h"

ZEPolygon* ZEFillTestPolygon(ZEPolygon* polygon, std::initializer_list<ZEVector> positions,
                             std::initializer_list<uint16_t> indices, bool lightmapped)
{
    polygon->m_bLightmapped = lightmapped;
    polygon->m_usNumVertices = static_cast<uint16_t>(positions.size());
    if (lightmapped)
        polygon->m_pLVertices = new ZELVertex[positions.size()];
    else
        polygon->m_pVertices = new ZEVertex[positions.size()];
    uint16_t i = 0;
    for (const ZEVector& p : positions)
    {
        float u = i, v = i + 0.5f;
        if (lightmapped)
            polygon->m_pLVertices[i] = ZELVertex{p.x, p.y, p.z, u, v, 0.0f, 0.0f};
        else
            polygon->m_pVertices[i] = ZEVertex{p.x, p.y, p.z, u, v};
        ++i;
    }
    polygon->m_usNumIndices = static_cast<uint16_t>(indices.size());
    polygon->m_pusIndices = indices.size() ? new uint16_t[indices.size()] : nullptr;
    i = 0;
    for (uint16_t index : indices)
        polygon->m_pusIndices[i++] = index;
    polygon->Update();
    return polygon;
}

ZEPolygon* ZEMakeTestPolygon(std::initializer_list<ZEVector> positions, std::initializer_list<uint16_t> indices,
                             bool lightmapped)
{
    return ZEFillTestPolygon(new ZEPolygon(), positions, indices, lightmapped);
}

ZEPolygon* ZEMakeTestTriangle(const ZEVector& a, const ZEVector& b, const ZEVector& c)
{
    return ZEMakeTestPolygon({a, b, c}, {0, 1, 2});
}

ZEPolygon* ZELinkTestPolygons(std::initializer_list<ZEPolygon*> polygons)
{
    ZEPolygon* head = nullptr;
    ZEPolygon* tail = nullptr;
    for (ZEPolygon* polygon : polygons)
    {
        polygon->m_pNext = nullptr;
        (tail ? tail->m_pNext : head) = polygon;
        tail = polygon;
    }
    return head;
}
