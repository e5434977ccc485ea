// CEvent beyond the shared wait contract: manual against auto reset with several waiters, resets
// during a wait, the largest time-out, and the event as a reference-counted object.
#include <vesk/event.h>
#include <vesk/refcount.h>

#include <atomic>
#include <climits>
#include <thread>
#include <vector>

#include "sync/waittestsupport.h"

namespace {

using Vesk::CEvent;
using namespace VeskTest;

int WaitersInside(CEvent& event) {
    pthread_mutex_lock(&event.m_mutex);
    const int waiters = event.m_waiters;
    pthread_mutex_unlock(&event.m_mutex);
    return waiters;
}

// Threads blocked in one event, one per time-out given; counts those that returned 1.
class WaiterGroup {
  public:
    WaiterGroup(CEvent& event, std::vector<long> timeouts) {
        for (long timeout : timeouts) {
            m_threads.emplace_back([this, &event, timeout] {
                if (event.WaitForObject(timeout) == kSignaled) {
                    ++m_released;
                }
            });
        }
        const int expected = static_cast<int>(m_threads.size());
        EXPECT_TRUE(EventuallyTrue([&] { return WaitersInside(event) == expected; }));
    }
    ~WaiterGroup() {
        for (std::thread& thread : m_threads) {
            thread.join();
        }
    }
    int Released() const { return m_released.load(); }

  private:
    std::vector<std::thread> m_threads;
    std::atomic<int> m_released{0};
};

TEST(EventTest, ManualEventStaysSignalledThroughWaitsUntilReset) {
    CEvent event(true);
    event.SignalEvent();
    Stopwatch clock;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(kSignaled, event.WaitForObject(0));
        EXPECT_EQ(kSignaled, event.WaitForObject(100));
        EXPECT_EQ(kSignaled, event.WaitForObject(-1));
    }
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 0, 0));
    event.ResetEvent();
    Stopwatch afterReset;
    EXPECT_EQ(kTimeout, event.WaitForObject(100));
    EXPECT_TRUE(DelayWithin(afterReset.ElapsedUs(), 100, 100));
}

TEST(EventTest, AutoEventTestDoesNotClearButBlockingWaitTakesTheSignal) {
    CEvent event(false);
    event.SignalEvent();
    EXPECT_EQ(kSignaled, event.WaitForObject(0));
    EXPECT_EQ(kSignaled, event.WaitForObject(0));
    EXPECT_EQ(kSignaled, event.WaitForObject(-1));
    EXPECT_EQ(kTimeout, event.WaitForObject(0));

    event.SignalEvent();
    EXPECT_EQ(kSignaled, event.WaitForObject(100));
    Stopwatch clock;
    EXPECT_EQ(kTimeout, event.WaitForObject(100));
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 100, 100));
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

TEST(EventTest, OneManualSignalReleasesEveryWaiter) {
    CEvent event(true);
    {
        WaiterGroup waiters(event, {-1, -7, 5000});
        event.SignalEvent();
        EXPECT_TRUE(EventuallyTrue([&] { return waiters.Released() == 3; }));
    }
    EXPECT_EQ(kSignaled, event.WaitForObject(0));
}

// Waiters with each blocking kind of time-out: every signal lets exactly one of them through.
TEST(EventTest, OneAutoSignalReleasesExactlyOneWaiter) {
    CEvent event(false);
    WaiterGroup waiters(event, {-1, -7, 5000});
    for (int signal = 1; signal <= 3; ++signal) {
        event.SignalEvent();
        EXPECT_TRUE(EventuallyTrue([&] { return waiters.Released() == signal; }));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(signal, waiters.Released());
        EXPECT_EQ(kTimeout, event.WaitForObject(0)) << "the released waiter took the signal";
    }
}

TEST(EventTest, BlockedAutoWaiterTakesTheSignal) {
    CEvent event(false);
    Stopwatch clock;
    DelayedAction signaller(100, [&event] { event.SignalEvent(); });
    EXPECT_EQ(kSignaled, event.WaitForObject(-1));
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 100, 100));
    EXPECT_EQ(kTimeout, event.WaitForObject(0));
}

// A reset wakes the waiter, which finds the state false and waits on to its first deadline.
TEST(EventTest, ResetDuringTimedWaitKeepsTheWaiterWaiting) {
    for (bool manualReset : {true, false}) {
        CEvent event(manualReset);
        Stopwatch clock;
        DelayedAction resetter(100, [&event] { event.ResetEvent(); });
        EXPECT_EQ(kTimeout, event.WaitForObject(300));
        EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 300, 300));
    }
}

// On hosts with a 64-bit long, LONG_MAX x 10^6 leaves the 64-bit range; the deadline must then
// saturate, not wrap into the past and time out at once.
TEST(EventTest, LargestTimeoutDoesNotOverflowIntoAPastDeadline) {
    CEvent event(false);
    Stopwatch clock;
    DelayedAction signaller(100, [&event] { event.SignalEvent(); });
    EXPECT_EQ(kSignaled, event.WaitForObject(LONG_MAX));
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 100, 100));
}

TEST(EventTest, ReferencedObjectThroughIRefCountIsTheWholeEvent) {
    CEvent event(true);
    Vesk::IRefCount* counted = &event;
    ASSERT_NE(static_cast<void*>(counted), static_cast<void*>(&event));
    EXPECT_EQ(static_cast<void*>(&event), counted->GetReferencedObject());
    EXPECT_EQ(static_cast<void*>(&event), event.GetReferencedObject());
}

class TrackedEvent : public CEvent {
  public:
    explicit TrackedEvent(int& destroyed) : CEvent(false), m_destroyed(destroyed) {}
    ~TrackedEvent() override { ++m_destroyed; }

  private:
    int& m_destroyed;
};

// The last release deletes through the virtual destructor from the IRefCount side, whose address
// is not the allocation's: a wrong delete shows under AddressSanitizer, a missing one as a leak.
TEST(EventTest, LastReleaseThroughIRefCountDeletesTheWholeEvent) {
    int destroyed = 0;
    Vesk::IRefCount* counted = new TrackedEvent(destroyed);
    counted->AddRef();
    counted->AddRef();
    counted->ReleaseRef();
    EXPECT_EQ(0, destroyed);
    counted->ReleaseRef();
    EXPECT_EQ(1, destroyed);
}

TEST(EventTest, SmartPointerReachesTheEventThroughItsReferencedObject) {
    int destroyed = 0;
    TrackedEvent* event = new TrackedEvent(destroyed);
    {
        Vesk::CRefCountPtr<CEvent> pointer(event);
        Vesk::CRefCountPtr<CEvent> copy = pointer;
        EXPECT_EQ(static_cast<CEvent*>(event), copy.get());
        copy->SignalEvent();
        EXPECT_EQ(kSignaled, (*pointer).WaitForObject(0));
        EXPECT_EQ(2, static_cast<long>(event->m_refCount));
    }
    EXPECT_EQ(1, destroyed);
}

}  // namespace
