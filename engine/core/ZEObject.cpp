#include "core/ZEObject.h"

ZERTTI::ZERTTI(const char* name, const ZERTTI* baseClass)
    : m_pBaseClass(baseClass), m_Name(name)
{
}

bool ZERTTI::IsKindOf(const ZERTTI* other) const
{
    for (const ZERTTI* record = this; record; record = record->m_pBaseClass)
        if (record == other)
            return true;
    return false;
}

ZE_IMPLEMENT_ROOT_RTTI(ZEObject);

uint32_t ZEObject::ms_ulNextID = 1;

ZEObject::ZEObject()
    : m_ulID(ms_ulNextID++)
{
}

ZEObject* ZEObject::GetReference()
{
    ++m_ulReferences;
    return this;
}

uint32_t ZEObject::ReleaseReference(const ZEObject* object)
{
    if (object == this && m_ulReferences > 0)
        --m_ulReferences;
    return m_ulReferences;
}
