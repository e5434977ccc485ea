// Reference counting: when the last release deletes, which destructor runs, and the smart pointer
// keeping exactly one reference through copies, moves, resets and self-assignment.
#include <vesk/refcount.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Vesk::CRefCount_Base;
using Vesk::CRefCountPtr;
using Vesk::IRefCount;

// Counts its destructions in a counter that outlives it.
class Counted : public CRefCount_Base {
  public:
    explicit Counted(std::atomic<int>& destroyed) : m_destroyed(destroyed) {}
    ~Counted() override { ++m_destroyed; }
    long Count() const { return static_cast<long>(m_refCount); }

  private:
    std::atomic<int>& m_destroyed;
};

class Payload {
  public:
    virtual ~Payload() = default;
    int m_tag = 42;
};

// Counted as a further base: the complete object starts at the Payload part.
class CountedSecond : public Payload, public Counted {
  public:
    explicit CountedSecond(std::atomic<int>& destroyed) : Counted(destroyed) {}
    void* GetReferencedObject() override { return this; }
};

TEST(RefCountTest, NewObjectStartsAtZeroAndTheMatchingReleaseDeletes) {
    std::atomic<int> destroyed{0};
    Counted* object = new Counted(destroyed);
    EXPECT_EQ(0, object->Count());
    object->AddRef();
    object->AddRef();
    object->ReleaseRef();
    EXPECT_EQ(0, destroyed.load());
    EXPECT_EQ(1, object->Count());
    object->ReleaseRef();
    EXPECT_EQ(1, destroyed.load());
}

TEST(RefCountTest, ReleaseWithoutAddRefGoesNegativeAndDeletesNothing) {
    std::atomic<int> destroyed{0};
    Counted* object = new Counted(destroyed);
    object->ReleaseRef();
    EXPECT_EQ(0, destroyed.load());
    EXPECT_EQ(-1, object->Count());
    delete object;
}

// Through the interface of a further base the last release still deletes the complete object
// (AddressSanitizer reports a delete of the wrong address) and runs the most derived destructor.
TEST(RefCountTest, LastReleaseThroughTheInterfaceDeletesTheCompleteObject) {
    std::atomic<int> destroyed{0};
    CountedSecond* object = new CountedSecond(destroyed);
    IRefCount* counted = object;
    ASSERT_NE(static_cast<void*>(counted), static_cast<void*>(object));
    EXPECT_EQ(static_cast<void*>(object), counted->GetReferencedObject());
    counted->AddRef();
    counted->ReleaseRef();
    EXPECT_EQ(1, destroyed.load());
}

TEST(RefCountPtrTest, EmptyPointerHoldsNothing) {
    CRefCountPtr<Counted> empty;
    EXPECT_FALSE(empty);
    EXPECT_EQ(nullptr, empty.get());
    EXPECT_EQ(nullptr, empty.m_ptr);
    empty.reset();
    CRefCountPtr<Counted> fromNull(nullptr);
    EXPECT_TRUE(empty == fromNull);
}

TEST(RefCountPtrTest, CopiesShareOneObjectAndEachHoldsOneReference) {
    std::atomic<int> destroyed{0};
    Counted* object = new Counted(destroyed);
    {
        CRefCountPtr<Counted> first(object);
        EXPECT_EQ(1, object->Count());
        {
            CRefCountPtr<Counted> copy(first);
            EXPECT_EQ(2, object->Count());
            EXPECT_TRUE(copy == first);
            EXPECT_EQ(object, copy.get());
        }
        EXPECT_EQ(1, object->Count());
        CRefCountPtr<Counted> assigned;
        assigned = first;
        EXPECT_EQ(2, object->Count());
        CRefCountPtr<Counted>* alias = &assigned;
        assigned = *alias;  // self-assignment keeps the one reference
        EXPECT_EQ(2, object->Count());
        assigned.reset(object);  // re-taking the held object keeps it alive
        EXPECT_EQ(2, object->Count());
        EXPECT_EQ(0, destroyed.load());
    }
    EXPECT_EQ(1, destroyed.load());
}

TEST(RefCountPtrTest, MovesTransferTheReference) {
    std::atomic<int> destroyed{0};
    Counted* object = new Counted(destroyed);
    CRefCountPtr<Counted> source(object);
    CRefCountPtr<Counted> moved(std::move(source));
    EXPECT_FALSE(source);
    EXPECT_EQ(1, object->Count());
    CRefCountPtr<Counted> target;
    target = std::move(moved);
    EXPECT_FALSE(moved);
    EXPECT_EQ(1, object->Count());
    CRefCountPtr<Counted>& alias = target;
    target = std::move(alias);
    EXPECT_EQ(object, target.get());
    EXPECT_EQ(1, object->Count());
    target.reset();
    EXPECT_EQ(1, destroyed.load());
}

TEST(RefCountPtrTest, ResetAndAssignmentReleaseTheOldObject) {
    std::atomic<int> destroyed{0};
    CRefCountPtr<Counted> pointer(new Counted(destroyed));
    pointer.reset(new Counted(destroyed));
    EXPECT_EQ(1, destroyed.load());
    CRefCountPtr<Counted> other(new Counted(destroyed));
    EXPECT_TRUE(pointer != other);
    pointer = other;
    EXPECT_EQ(2, destroyed.load());
    EXPECT_EQ(2, pointer->Count());
    EXPECT_EQ(2, (*other).Count());
}

// The typed pointer comes from GetReferencedObject, not from converting the interface pointer.
TEST(RefCountPtrTest, FurtherBaseIsReachedThroughTheReferencedObject) {
    std::atomic<int> destroyed{0};
    CountedSecond* object = new CountedSecond(destroyed);
    {
        CRefCountPtr<CountedSecond> pointer(object);
        EXPECT_EQ(object, pointer.get());
        EXPECT_EQ(42, pointer->m_tag);
    }
    EXPECT_EQ(1, destroyed.load());
}

// Pointers copied and dropped on several threads: exactly one destruction, after all of them.
TEST(RefCountPtrTest, ThreadsSharingCopiesDestroyTheObjectOnce) {
    std::atomic<int> destroyed{0};
    std::vector<std::thread> threads;
    {
        CRefCountPtr<Counted> shared(new Counted(destroyed));
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([copy = shared]() mutable {
                for (int i = 0; i < 5000; ++i) {
                    CRefCountPtr<Counted> local(copy);
                    copy = local;
                }
            });
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(1, destroyed.load());
}

}  // namespace
