// SPDX-License-Identifier: Apache-2.0
// The standard-library face of the waitable objects: the mutex guard, the lockable view with
// std::lock_guard / std::unique_lock / std::scoped_lock, and the thread whose body is a callable.
#include <gtest/gtest.h>
#include <vesk/modern.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "sync/waittestsupport.h"

namespace {

using Vesk::CFunctionThread;
using Vesk::CLockableMutex;
using Vesk::CMutex;
using Vesk::CMutexGuard;
using VeskTest::kSignaled;
using VeskTest::kTimeout;

// What another thread sees of `mutex` without waiting.
int SeenFromElsewhere(CMutex& mutex) {
    int result = -1;
    std::thread([&] { result = mutex.WaitForObject(0); }).join();
    return result;
}

bool TryLockFromElsewhere(CLockableMutex& lockable) {
    bool taken = false;
    std::thread([&] {
        taken = lockable.try_lock();
        if (taken) {
            lockable.unlock();
        }
    }).join();
    return taken;
}

TEST(MutexGuard, HoldsForTheBlock) {
    CMutex mutex;
    {
        CMutexGuard hold(mutex);
        EXPECT_EQ(SeenFromElsewhere(mutex), kTimeout);
        CMutexGuard again(mutex);  // recursive
    }
    EXPECT_EQ(SeenFromElsewhere(mutex), kSignaled);
}

// std::unique_lock goes through try_lock, unlock and lock, all std::lock_guard needs as well.
TEST(LockableMutex, WorksWithTheStandardGuards) {
    CMutex mutex;
    CLockableMutex lockable(mutex);
    {
        std::unique_lock<CLockableMutex> hold(lockable, std::try_to_lock);
        ASSERT_TRUE(hold.owns_lock());
        hold.unlock();
        EXPECT_EQ(SeenFromElsewhere(mutex), kSignaled);
        hold.lock();
        EXPECT_EQ(SeenFromElsewhere(mutex), kTimeout);
    }
    EXPECT_EQ(&lockable.Mutex(), &mutex);
}

TEST(LockableMutex, TryLockKeepsTheHoldAndFailsWhileAnotherHolds) {
    CMutex mutex;
    CLockableMutex lockable(mutex);
    ASSERT_TRUE(lockable.try_lock());
    EXPECT_TRUE(lockable.try_lock());  // the holder again: one more hold
    EXPECT_FALSE(TryLockFromElsewhere(lockable));
    lockable.unlock();
    EXPECT_FALSE(TryLockFromElsewhere(lockable));
    lockable.unlock();
    EXPECT_TRUE(TryLockFromElsewhere(lockable));
}

TEST(LockableMutex, ScopedLockTakesSeveralWithoutDeadlock) {
    CMutex first, second;
    CLockableMutex a(first), b(second);
    std::atomic<int> sum{0};
    auto work = [&](CLockableMutex& x, CLockableMutex& y) {
        for (int i = 0; i < 2000; ++i) {
            std::scoped_lock<CLockableMutex, CLockableMutex> hold(x, y);
            sum.fetch_add(1, std::memory_order_relaxed);
        }
    };
    std::thread one(work, std::ref(a), std::ref(b));
    std::thread two(work, std::ref(b), std::ref(a));  // opposite order
    one.join();
    two.join();
    EXPECT_EQ(sum.load(), 4000);
}

TEST(FunctionThread, RunsTheCallableUntilAskedToStop) {
    std::atomic<int> runs{0};
    std::atomic<bool> sawStop{false};
    CFunctionThread worker([&](Vesk::CEvent& stop) {
        runs.fetch_add(1);
        while (stop.WaitForObject(10) == kTimeout) {
        }
        sawStop = true;
        return 7;
    });
    for (int round = 1; round <= 2; ++round) {  // restartable like any CThread
        ASSERT_EQ(worker.StartThread(), 1);
        EXPECT_EQ(worker.WaitForObject(0), kTimeout);
        EXPECT_EQ(worker.StopThread(5000), 1);
        EXPECT_TRUE(sawStop.exchange(false));
        EXPECT_EQ(worker.WaitForObject(0), kSignaled);
        EXPECT_EQ(runs.load(), round);
    }
    CFunctionThread empty(nullptr);  // an empty body ends at once
    ASSERT_EQ(empty.StartThread(), 1);
    EXPECT_EQ(empty.WaitForObject(-1), kSignaled);
}

TEST(FunctionThread, DestructorWaitsForTheBody) {
    std::atomic<bool> finished{false};
    {
        CFunctionThread worker([&](Vesk::CEvent& stop) {
            stop.WaitForObject(-1);
            Vesk::CThread::Sleep(50);  // still running after the stop request
            finished = true;
            return 0;
        });
        ASSERT_EQ(worker.StartThread(), 1);
    }
    EXPECT_TRUE(finished.load());
}

}  // namespace
