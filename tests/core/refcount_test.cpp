// SPDX-License-Identifier: Apache-2.0
// Reference counting: only the release that brings the count to 0 deletes (so deref must report
// whether the value it produced is non-zero), and every non-empty smart pointer holds exactly one
// reference, also when it takes the object it already holds. Sharing across threads, and a counted
// further base (CEvent), are covered by the stress and sync suites.
#include <vesk/refcount.h>

#include <gtest/gtest.h>

#include <utility>

static int g_destroyed = 0;

struct CCounted : Vesk::CRefCount_Base {
    ~CCounted() override { ++g_destroyed; }
    long Count() const { return m_refCount; }
};

TEST(RefCountTest, EachNonEmptyPointerHoldsOneReferenceAndOnlyTheLastReleaseDeletes) {
    CCounted* object = new CCounted;
    object->ReleaseRef();  // never taken: the count goes to -1 and nothing is deleted
    EXPECT_EQ(-1, object->Count());
    EXPECT_FALSE(object->m_refCount.ref());  // back to 0, which ref reports as zero
    Vesk::CRefCountPtr<CCounted> first(object), empty;
    first = std::as_const(first);  // the only reference: taken again before it is given up
    first.reset(object);
    EXPECT_EQ(1, (*first).Count());
    Vesk::CRefCountPtr<CCounted> copy(first), moved(std::move(copy));
    empty = std::move(moved);
    EXPECT_TRUE(first && !copy && !moved && empty == first && copy != first);
    first.reset(new CCounted);
    empty = first;  // gives up the last reference to the first object
    EXPECT_EQ(1, g_destroyed);
    EXPECT_EQ(2, empty->Count());
    first.reset();
    empty.reset();
    EXPECT_EQ(2, g_destroyed);
}
