// CEvent beyond the shared wait contract: what a wait leaves behind in a manual and an auto-reset
// event, SetState, and the event as a reference-counted object. Several waiters, broadcasts and
// resets during a wait are covered by the stress suite.
#include <vesk/event.h>
#include <vesk/refcount.h>

#include "sync/waittestsupport.h"

namespace {

using Vesk::CEvent;
using namespace VeskTest;

TEST(EventTest, ManualEventStaysSignalledThroughWaitsUntilReset) {
    CEvent event(true);
    event.SignalEvent();
    Stopwatch clock;
    for (int i = 0; i < 5; ++i) {
        for (long timeout : {0L, 100L, -1L, -5L}) {
            EXPECT_EQ(kSignaled, event.WaitForObject(timeout));
        }
    }
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 0, 0));
    event.ResetEvent();
    EXPECT_EQ(kTimeout, event.WaitForObject(0));
}

// A test (time-out 0) leaves the signal in place; a blocking wait, timed or not, takes it, also
// when the signal comes while the wait blocks.
TEST(EventTest, AutoEventTestDoesNotClearButBlockingWaitTakesTheSignal) {
    CEvent event(false);
    for (long timeout : {-1L, 5000L, -5L}) {
        event.SignalEvent();
        EXPECT_EQ(kSignaled, event.WaitForObject(0));
        EXPECT_EQ(kSignaled, event.WaitForObject(0));
        EXPECT_EQ(kSignaled, event.WaitForObject(timeout)) << timeout;
        EXPECT_EQ(kTimeout, event.WaitForObject(0)) << timeout;
        DelayedAction signaller(20, [&event] { event.SignalEvent(); });
        EXPECT_EQ(kSignaled, event.WaitForObject(timeout)) << timeout;
        EXPECT_EQ(kTimeout, event.WaitForObject(0)) << timeout;
    }
}

TEST(EventTest, SetStateWithTheCurrentStateChangesNothing) {
    CEvent event(true);
    event.SetState(false);
    EXPECT_EQ(kTimeout, event.WaitForObject(0));
    event.SetState(true);
    event.SetState(true);
    EXPECT_EQ(kSignaled, event.WaitForObject(0));
    event.ResetEvent();
    EXPECT_EQ(kTimeout, event.WaitForObject(0));
}

class TrackedEvent : public CEvent {
  public:
    explicit TrackedEvent(int& destroyed) : CEvent(false), m_destroyed(destroyed) {}
    ~TrackedEvent() override { ++m_destroyed; }

  private:
    int& m_destroyed;
};

// The IRefCount side of an event is not at the allocation's address: the smart pointer must reach
// the event through GetReferencedObject, and the last release must delete the whole object through
// the virtual destructor (a wrong delete shows under AddressSanitizer, a missing one as a leak).
TEST(EventTest, ReferenceCountingReachesAndDeletesTheWholeEvent) {
    int destroyed = 0;
    TrackedEvent* event = new TrackedEvent(destroyed);
    Vesk::IRefCount* counted = event;
    ASSERT_NE(static_cast<void*>(counted), static_cast<void*>(event));
    EXPECT_EQ(static_cast<void*>(event), counted->GetReferencedObject());
    counted->AddRef();
    {
        Vesk::CRefCountPtr<CEvent> pointer(event);
        Vesk::CRefCountPtr<CEvent> copy = pointer;
        EXPECT_EQ(static_cast<CEvent*>(event), copy.get());
        copy->SignalEvent();
        EXPECT_EQ(kSignaled, (*pointer).WaitForObject(0));
        EXPECT_EQ(3, static_cast<long>(event->m_refCount));
    }
    EXPECT_EQ(0, destroyed);
    counted->ReleaseRef();
    EXPECT_EQ(1, destroyed);
}

}  // namespace
