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

#include "stress/stress_support.h"

namespace {

using Vesk::CEvent;
using Vesk::CMutex;
using Vesk::CSynchronizationObject;
using Vesk::CThread;
using namespace VeskStress;

// A body that ignores its stop event: it waits on another object and records whether that wait
// ever returned.
class CBlockedWaiter : public CThread {
  public:
    CBlockedWaiter(CSynchronizationObject& object, long timeout)
        : m_object(object), m_timeout(timeout) {}
    ~CBlockedWaiter() override { StopThread(-1); }
    int ThreadBody() override {
        m_entered = true;
        m_object.WaitForObject(m_timeout);
        m_returned = true;
        return 0;
    }
    // Ends the worker by force and checks that it did not leave its wait on its own.
    void EndByForce() {
        EXPECT_EQ(StopThread(30), 1);
        EXPECT_EQ(GetThreadStatus(), CThread::eThreadFinished);
        EXPECT_FALSE(m_returned);
    }

    CSynchronizationObject& m_object;
    const long m_timeout;
    std::atomic<bool> m_entered{false}, m_returned{false};
};

// Two workers and one plain thread wait on the event; both workers are ended by force; then the
// event must still count its waiters right, be lockable, and release the plain waiter.
void EndWorkersBlockedInEvent(bool manualReset, long timeout) {
    CEvent shared(manualReset);
    std::atomic<int> bystanderResult{-1};
    std::thread bystander([&] { bystanderResult = shared.WaitForObject(-1); });
    CBlockedWaiter workers[] = {{shared, timeout}, {shared, timeout}};
    for (CBlockedWaiter& worker : workers) {
        ASSERT_EQ(worker.StartThread(), 1);
    }
    ASSERT_TRUE(WaitersReach(shared, 3));
    for (int left : {2, 1}) {
        workers[2 - left].EndByForce();
        const sEventSnapshot now = ReadEvent(shared);
        ASSERT_TRUE(now.locked) << "the ended worker left the event's mutex locked";
        EXPECT_EQ(now.waiters, left);
    }
    shared.SignalEvent();
    bystander.join();
    EXPECT_EQ(bystanderResult.load(), kSignalled);
    EXPECT_EQ(shared.WaitForObject(0), manualReset ? kSignalled : kTimedOut);
    // And the event goes on working for new waiters.
    shared.SetState(true);
    EXPECT_EQ(shared.WaitForObject(100), kSignalled);
    EXPECT_EQ(ReadEvent(shared).waiters, 0);
}

TEST(FaultStress, WorkerEndedInsideAnotherEventsWaitLeavesItUsable_BySignal) {
    long long rounds = 0;
    for (bool manualReset : {false, true}) {
        for (long timeout : {-1L, 600000L}) {
            SCOPED_TRACE(::testing::Message()
                         << "manual " << manualReset << ", timeout " << timeout);
            for (CRunBudget budget(kRunTime / 4); budget.Running() && !HasFailure(); ++rounds) {
                EndWorkersBlockedInEvent(manualReset, timeout);
            }
        }
    }
    Report("workers ended inside an event wait", rounds * 2, "forced stops");
}

// A plain thread holds the mutex while two workers wait for it; both are ended by force; after the
// holder lets go, every other thread obtains the mutex.
void EndWorkersBlockedInMutex(long timeout) {
    CMutex mutex;
    std::atomic<bool> held{false}, letGo{false};
    std::thread holder([&] {
        mutex.Lock();
        held = true;
        EventuallyTrue([&] { return letGo.load(); });
        mutex.Unlock();
    });
    ASSERT_TRUE(EventuallyTrue([&] { return held.load(); }));
    CBlockedWaiter workers[] = {{mutex, timeout}, {mutex, timeout}};
    for (CBlockedWaiter& worker : workers) {
        ASSERT_EQ(worker.StartThread(), 1);
    }
    ASSERT_TRUE(EventuallyTrue([&] { return workers[0].m_entered && workers[1].m_entered; }));
    std::this_thread::sleep_for(Milliseconds(5));  // well inside the wait now
    workers[0].EndByForce();
    workers[1].EndByForce();
    letGo = true;
    holder.join();

    std::atomic<int> otherResult{-1};
    std::thread([&] {
        otherResult = mutex.WaitForObject(5000);
        mutex.Lock();
        mutex.Unlock();
    }).join();
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
