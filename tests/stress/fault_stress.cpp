// A worker ended by force (StopThread's time-out, then SIGUSR1) while it is blocked in the wait of
// another object must leave that object usable for every other thread: an event's mutex not left
// locked and its waiter count right; a mutex obtainable by the others.
#include <vesk/event.h>
#include <vesk/syncobject.h>
#include <vesk/thread.h>

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <thread>

#include "stress/event_probe.h"
#include "stress/stress_support.h"

namespace {

using Vesk::CEvent;
using Vesk::CMutex;
using Vesk::CSynchronizationObject;
using Vesk::CThread;
using namespace VeskStress;

const long kStopTimeoutMs = 30;

// A body that ignores its stop event: it waits on another object and records whether that wait
// ever returned.
class CBlockedWaiter : public CThread {
  public:
    CBlockedWaiter(CSynchronizationObject& object, long timeout)
        : m_object(object), m_timeout(timeout), m_entered(false), m_returned(false) {}
    ~CBlockedWaiter() override { StopThread(-1); }

    int ThreadBody() override {
        m_entered.store(true);
        m_object.WaitForObject(m_timeout);
        m_returned.store(true);
        return 0;
    }

    CSynchronizationObject& m_object;
    const long m_timeout;
    std::atomic<bool> m_entered;
    std::atomic<bool> m_returned;
};

// Ends `victim` by force and checks that it did not leave its wait on its own.
void EndByForce(CBlockedWaiter& victim) {
    EXPECT_EQ(victim.StopThread(kStopTimeoutMs), 1);
    EXPECT_EQ(victim.GetThreadStatus(), CThread::eThreadFinished);
    EXPECT_FALSE(victim.m_returned.load());
}

// Two workers and one plain thread wait on the event; both workers are ended by force; then the
// event must still count its waiters right, be lockable, and release the plain waiter.
void EndWorkersBlockedInEvent(bool manualReset, long timeout) {
    CEvent shared(manualReset);
    std::atomic<int> bystanderResult{-1};
    std::thread bystander([&] { bystanderResult.store(shared.WaitForObject(-1)); });
    CBlockedWaiter first(shared, timeout);
    CBlockedWaiter second(shared, timeout);
    ASSERT_EQ(first.StartThread(), 1);
    ASSERT_EQ(second.StartThread(), 1);
    ASSERT_TRUE(WaitersReach(shared, 3));

    EndByForce(first);
    sEventSnapshot now = ReadEvent(shared);
    ASSERT_TRUE(now.locked) << "the ended worker left the event's mutex locked";
    EXPECT_EQ(now.waiters, 2);
    EndByForce(second);
    now = ReadEvent(shared);
    ASSERT_TRUE(now.locked) << "the ended worker left the event's mutex locked";
    EXPECT_EQ(now.waiters, 1);

    shared.SignalEvent();
    bystander.join();
    EXPECT_EQ(bystanderResult.load(), kSignalled);
    EXPECT_EQ(shared.WaitForObject(0), manualReset ? kSignalled : 2);
    // And the event goes on working for new waiters.
    shared.SetState(true);
    EXPECT_EQ(shared.WaitForObject(100), kSignalled);
    now = ReadEvent(shared);
    EXPECT_TRUE(now.locked);
    EXPECT_EQ(now.waiters, 0);
}

TEST(FaultStress, WorkerEndedInsideAnotherEventsWaitLeavesItUsable_BySignal) {
    struct {
        bool manualReset;
        long timeout;
    } const cases[] = {{false, -1}, {true, -1}, {false, 600000}, {true, 600000}};
    long long rounds = 0;
    for (const auto& test : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "manual " << test.manualReset << ", timeout " << test.timeout);
        for (CRunBudget budget(kRunTime / 4); budget.Running() && !HasFailure(); ++rounds) {
            EndWorkersBlockedInEvent(test.manualReset, test.timeout);
        }
    }
    Report("workers ended inside an event wait", rounds * 2, "forced stops");
}

// A plain thread holds the mutex while two workers wait for it; both are ended by force; after the
// holder lets go, every other thread obtains the mutex.
void EndWorkersBlockedInMutex(long timeout) {
    CMutex mutex;
    std::atomic<bool> held{false};
    std::atomic<bool> letGo{false};
    std::thread holder([&] {
        mutex.Lock();
        held.store(true);
        while (!letGo.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        mutex.Unlock();
    });
    ASSERT_TRUE(EventuallyTrue([&] { return held.load(); }));
    CBlockedWaiter first(mutex, timeout);
    CBlockedWaiter second(mutex, timeout);
    ASSERT_EQ(first.StartThread(), 1);
    ASSERT_EQ(second.StartThread(), 1);
    ASSERT_TRUE(EventuallyTrue([&] { return first.m_entered.load() && second.m_entered.load(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(5));  // well inside the wait now

    EndByForce(first);
    EndByForce(second);
    letGo.store(true);
    holder.join();

    std::atomic<int> otherResult{-1};
    std::thread other([&] {
        otherResult.store(mutex.WaitForObject(5000));
        mutex.Lock();
        mutex.Unlock();
    });
    other.join();
    EXPECT_EQ(otherResult.load(), kSignalled);
    ASSERT_EQ(pthread_mutex_trylock(&mutex.m_mutex), 0) << "the mutex was left held";
    pthread_mutex_unlock(&mutex.m_mutex);
}

TEST(FaultStress, WorkerEndedInsideMutexWaitLeavesMutexUsable_BySignal) {
    long long rounds = 0;
    for (long timeout : {-1L, 600000L}) {
        SCOPED_TRACE(::testing::Message() << "timeout " << timeout);
        for (CRunBudget budget(kRunTime / 2); budget.Running() && !HasFailure(); ++rounds) {
            EndWorkersBlockedInMutex(timeout);
        }
    }
    Report("workers ended inside a mutex wait", rounds * 2, "forced stops");
}

}  // namespace
