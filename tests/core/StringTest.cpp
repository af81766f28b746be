#include "core/ZEObject.h"
#include "core/ZEString.h"

#include <gtest/gtest.h>

#include <cstring>

namespace
{
// A small hierarchy shaped like the game's: a car kind below the engine
// object kind, and a concrete car below that.
class TestEngineObject : public ZEObject
{
    ZE_DECLARE_RTTI
};
class TestCar : public TestEngineObject
{
    ZE_DECLARE_RTTI
};
class TestGolf : public TestCar
{
    ZE_DECLARE_RTTI
};
class TestModelObject : public TestEngineObject
{
    ZE_DECLARE_RTTI
};
class TestNoRecord : public ZEObject
{
public:
    const ZERTTI* GetRTTI() const override { return nullptr; }
};
}

ZE_IMPLEMENT_RTTI(TestEngineObject, ZEObject);
ZE_IMPLEMENT_RTTI(TestCar, TestEngineObject);
ZE_IMPLEMENT_RTTI(TestGolf, TestCar);
ZE_IMPLEMENT_RTTI(TestModelObject, TestEngineObject);

TEST(String, EmptyFormsAreEquivalentAndCopiesNormaliseToNull)
{
    ZEString null;
    ZEString allocated;
    allocated.Set("");
    EXPECT_EQ(null.Get(), nullptr);
    ASSERT_NE(allocated.Get(), nullptr);
    EXPECT_EQ(null.GetLength(), 0u);
    EXPECT_EQ(allocated.GetLength(), 0u);
    EXPECT_TRUE(null == allocated);

    ZEString copyOfNull(null);
    ZEString copyOfAllocated(allocated);
    EXPECT_EQ(copyOfNull.Get(), nullptr);
    EXPECT_EQ(copyOfAllocated.Get(), nullptr);

    ZEString fromNull(static_cast<const char*>(nullptr));
    EXPECT_EQ(fromNull.Get(), nullptr);
    EXPECT_STREQ(fromNull.CStr(), "");
}

TEST(String, SelfAssignmentKeepsTheText)
{
    ZEString text("maps/track.bsp");
    text.Set(text.Get());
    EXPECT_STREQ(text.Get(), "maps/track.bsp");

    ZEString& alias = text;
    text = alias;
    EXPECT_STREQ(text.Get(), "maps/track.bsp");

    // A tail of the own buffer: the source lives inside what is freed.
    text.Set(text.Get() + 5);
    EXPECT_STREQ(text.Get(), "track.bsp");
    text = text.Get() + 6;
    EXPECT_STREQ(text.Get(), "bsp");
}

TEST(String, CaseOperationsTouchOnlyAsciiLetters)
{
    ZEString text("Track 1 \xC4\xE4 Z");
    text.MakeLowerCase();
    EXPECT_STREQ(text.Get(), "track 1 \xC4\xE4 z");
    text.MakeUpperCase();
    EXPECT_STREQ(text.Get(), "TRACK 1 \xC4\xE4 Z");

    ZEString empty;
    empty.MakeLowerCase();
    empty.MakeUpperCase();
    empty.RemoveBackSlashes();
    empty.MakePathName();
    EXPECT_EQ(empty.Get(), nullptr);
}

TEST(String, PathNames)
{
    ZEString maps("maps");
    maps.MakePathName();
    EXPECT_STREQ(maps.Get(), "maps/");
    maps.MakePathName();
    EXPECT_STREQ(maps.Get(), "maps/");

    ZEString nested("main\\maps");
    nested.MakePathName();
    EXPECT_STREQ(nested.Get(), "main/maps/");

    ZEString trailing("textures\\");
    trailing.MakePathName();
    EXPECT_STREQ(trailing.Get(), "textures/");

    ZEString allocatedEmpty;
    allocatedEmpty.Set("");
    allocatedEmpty.MakePathName();
    EXPECT_EQ(allocatedEmpty.GetLength(), 0u);
}

TEST(String, FormatNeverTruncates)
{
    std::string longName(5000, 'x');
    ZEString text = ZEString::Format("%s currently is \"%s\"", "name", longName.c_str());
    EXPECT_EQ(text.GetLength(), 4u + 15u + 5000u + 1u);
}

TEST(Object, NumbersAreConsecutiveAndNeverReused)
{
    uint32_t first;
    {
        ZEObject a;
        first = a.GetID();
    }
    ZEObject b, c, d;
    EXPECT_EQ(b.GetID(), first + 1);
    EXPECT_EQ(c.GetID(), first + 2);
    EXPECT_EQ(d.GetID(), first + 3);
}

TEST(Object, ReferenceCountOnlyCountsItsOwnPointer)
{
    ZEObject object, other;
    EXPECT_EQ(object.GetReference(), &object);
    object.GetReference();
    EXPECT_EQ(object.GetNumReferences(), 2u);
    EXPECT_EQ(object.ReleaseReference(&other), 2u);
    EXPECT_EQ(object.ReleaseReference(&object), 1u);
    EXPECT_EQ(object.ReleaseReference(&object), 0u);
    EXPECT_EQ(object.ReleaseReference(&object), 0u);
}

TEST(RTTI, KindTestsWalkTheBaseRecords)
{
    TestGolf golf;
    EXPECT_TRUE(ZEIsKindOf(&golf, TestCar::ms_RTTI));
    EXPECT_TRUE(ZEIsKindOf(&golf, TestGolf::ms_RTTI));
    EXPECT_TRUE(ZEIsKindOf(&golf, ZEObject::ms_RTTI));
    EXPECT_FALSE(ZEIsKindOf(&golf, TestModelObject::ms_RTTI));

    TestCar car;
    EXPECT_FALSE(ZEIsKindOf(&car, TestGolf::ms_RTTI));

    TestNoRecord anonymous;
    EXPECT_FALSE(ZEIsKindOf(&anonymous, ZEObject::ms_RTTI));
    EXPECT_FALSE(ZEIsKindOf(static_cast<ZEObject*>(nullptr), ZEObject::ms_RTTI));

    EXPECT_STREQ(TestGolf::ms_RTTI.GetName().Get(), "TestGolf");
    EXPECT_EQ(TestGolf::ms_RTTI.GetBaseClass(), &TestCar::ms_RTTI);
    EXPECT_EQ(ZEObject::ms_RTTI.GetBaseClass(), nullptr);
}

TEST(RTTI, RecordsCompareByAddressNotByName)
{
    ZERTTI impostor("TestCar", &TestEngineObject::ms_RTTI);
    TestCar car;
    EXPECT_FALSE(car.GetRTTI()->IsKindOf(&impostor));
}
