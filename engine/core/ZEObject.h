// Run-time types and the root object.
//
// Every class that takes part in kind tests owns one static type record,
// `ms_RTTI`, naming the class and pointing at its base class's record, and
// returns its address from the virtual GetRTTI(). Records are compared by
// address, never by name, so a kind test is a short pointer walk. Records are
// built during static initialisation and never change.
//
// ZEObject is the root of the world's objects: each gets a process-wide
// number from 1 upward (never reused) and carries a reference count that
// never deletes anything by itself; owners delete explicitly.
#pragma once

#include "core/ZEString.h"

#include <cstdint>

class ZERTTI
{
public:
    ZERTTI(const char* name, const ZERTTI* baseClass);

    const ZERTTI* GetBaseClass() const { return m_pBaseClass; }
    const ZEString& GetName() const { return m_Name; }

    // True when `other` is this record or one of its bases (by address).
    bool IsKindOf(const ZERTTI* other) const;

private:
    const ZERTTI* m_pBaseClass;
    ZEString m_Name;
};

// Declares the static record and the GetRTTI() override inside a class body.
#define ZE_DECLARE_RTTI                                   \
public:                                                   \
    static const ZERTTI ms_RTTI;                          \
    const ZERTTI* GetRTTI() const override { return &ms_RTTI; }

// The same for a class that is the root of its own hierarchy.
#define ZE_DECLARE_ROOT_RTTI                              \
public:                                                   \
    static const ZERTTI ms_RTTI;                          \
    virtual const ZERTTI* GetRTTI() const { return &ms_RTTI; }

#define ZE_IMPLEMENT_RTTI(Class, Base) const ZERTTI Class::ms_RTTI(#Class, &Base::ms_RTTI)
#define ZE_IMPLEMENT_ROOT_RTTI(Class) const ZERTTI Class::ms_RTTI(#Class, nullptr)

// The kind test the game uses, e.g. "is the other party of this collision a
// car?". A null object or an object without a record is of no kind.
template <class T>
bool ZEIsKindOf(const T* object, const ZERTTI& kind)
{
    if (!object)
        return false;
    const ZERTTI* record = object->GetRTTI();
    return record && record->IsKindOf(&kind);
}

class ZEObject
{
    ZE_DECLARE_ROOT_RTTI
public:
    ZEObject();
    virtual ~ZEObject() = default;

    ZEObject(const ZEObject&) = delete;
    ZEObject& operator=(const ZEObject&) = delete;

    uint32_t GetID() const { return m_ulID; }

    ZEObject* GetReference();
    // Decrements only when `object` is this very object and the count is
    // above 0; returns the count either way.
    uint32_t ReleaseReference(const ZEObject* object);
    uint32_t GetNumReferences() const { return m_ulReferences; }

    static uint32_t ms_ulNextID;

private:
    uint32_t m_ulID;
    uint32_t m_ulReferences = 0;
};
