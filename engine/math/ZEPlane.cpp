#include "math/ZEPlane.h"

void ZEPlane::SetPlane(float a, float b, float c, float d)
{
    m_vNormal = ZEVector(a, b, c);
    m_dDistance = d;
}

void ZEPlane::SetPlane(const ZEVector& normal, double d)
{
    m_vNormal = normal;
    m_dDistance = d;
}

void ZEPlane::SetPlane(const ZEVector& p1, const ZEVector& p2, const ZEVector& p3)
{
    ZEVector e1 = (p2 - p1).UnitVector();
    ZEVector e2 = (p3 - p1).UnitVector();
    m_vNormal = e1.CrossProduct(e2).UnitVector();
    m_dDistance = -static_cast<double>(p3.DotProduct(m_vNormal));
}
