// Reference counting: when the last release deletes, which destructor runs, and the smart pointer
// keeping exactly one reference through copies, moves, resets and self-assignment. Sharing across
// threads is covered by the stress suite.
#include <vesk/refcount.h>

#include <gtest/gtest.h>

#include <utility>

namespace {

using Vesk::CRefCount_Base;
using Vesk::CRefCountPtr;
using Vesk::IRefCount;

// Counts its destructions in a counter that outlives it.
class Counted : public CRefCount_Base {
  public:
    explicit Counted(int& destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++m_destroyed; }
    long Count() const { return static_cast<long>(m_refCount); }

  private:
    int& m_destroyed;
};

class Payload {
  public:
    virtual ~Payload() = default;
    int m_tag = 42;
};

// Counted as a further base: the complete object starts at the Payload part.
class CountedSecond : public Payload, public Counted {
  public:
    explicit CountedSecond(int& destroyed) : Counted(destroyed) {}
    void* GetReferencedObject() override { return this; }
};

TEST(RefCountTest, TheMatchingReleaseDeletesAndAnUnmatchedOneDoesNot) {
    int destroyed = 0;
    Counted* object = new Counted(destroyed);
    EXPECT_EQ(0, object->Count());
    object->AddRef();
    object->AddRef();
    object->ReleaseRef();
    EXPECT_EQ(1, object->Count());
    object->ReleaseRef();
    EXPECT_EQ(1, destroyed);

    object = new Counted(destroyed);
    object->ReleaseRef();  // without AddRef: goes negative, deletes nothing
    EXPECT_EQ(-1, object->Count());
    EXPECT_EQ(1, destroyed);
    delete object;
}

// Through the interface of a further base the last release deletes the complete object
// (AddressSanitizer reports a delete of the wrong address) and runs the most derived destructor;
// the typed smart pointer comes from GetReferencedObject, not from converting the interface.
TEST(RefCountTest, FurtherBaseIsReachedThroughTheReferencedObject) {
    int destroyed = 0;
    CountedSecond* object = new CountedSecond(destroyed);
    IRefCount* counted = object;
    ASSERT_NE(static_cast<void*>(counted), static_cast<void*>(object));
    EXPECT_EQ(static_cast<void*>(object), counted->GetReferencedObject());
    counted->AddRef();
    {
        CRefCountPtr<CountedSecond> pointer(object);
        EXPECT_EQ(object, pointer.get());
        EXPECT_EQ(42, pointer->m_tag);
    }
    EXPECT_EQ(0, destroyed);
    counted->ReleaseRef();
    EXPECT_EQ(1, destroyed);
}

TEST(RefCountPtrTest, CopiesAndSelfAssignmentHoldOneReferenceEach) {
    int destroyed = 0;
    Counted* object = new Counted(destroyed);
    {
        CRefCountPtr<Counted> first(object);
        EXPECT_EQ(1, object->Count());
        {
            CRefCountPtr<Counted> copy(first);
            EXPECT_EQ(2, object->Count());
            EXPECT_TRUE(copy == first);
        }
        EXPECT_EQ(1, object->Count());
        CRefCountPtr<Counted> assigned;
        EXPECT_FALSE(assigned);
        EXPECT_TRUE(assigned == CRefCountPtr<Counted>(nullptr));
        assigned = first;
        CRefCountPtr<Counted>* alias = &assigned;
        assigned = *alias;
        assigned.reset(object);  // re-taking the held object keeps it alive
        EXPECT_EQ(2, object->Count());
        EXPECT_EQ(0, destroyed);
    }
    EXPECT_EQ(1, destroyed);
}

TEST(RefCountPtrTest, MovesTransferAndResetsReleaseTheOldObject) {
    int destroyed = 0;
    Counted* object = new Counted(destroyed);
    CRefCountPtr<Counted> source(object);
    CRefCountPtr<Counted> moved(std::move(source));
    CRefCountPtr<Counted> target;
    target = std::move(moved);
    CRefCountPtr<Counted>& alias = target;
    target = std::move(alias);
    EXPECT_FALSE(source);
    EXPECT_FALSE(moved);
    EXPECT_EQ(object, target.get());
    EXPECT_EQ(1, object->Count());

    target.reset(new Counted(destroyed));
    EXPECT_EQ(1, destroyed);
    CRefCountPtr<Counted> other(new Counted(destroyed));
    EXPECT_TRUE(target != other);
    target = other;
    EXPECT_EQ(2, destroyed);
    EXPECT_EQ(2, (*other).Count());
    target.reset();
    other.reset();
    EXPECT_EQ(3, destroyed);
}

}  // namespace
