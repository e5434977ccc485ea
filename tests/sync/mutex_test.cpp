// CMutex beyond the shared wait contract: recursion, the holder's own waits, waits that leave the
// mutex free, the polling interval and the largest time-out.
#include <vesk/syncobject.h>

#include <errno.h>

#include <atomic>
#include <climits>
#include <thread>

#include "sync/waittestsupport.h"

namespace {

using Vesk::CMutex;
using namespace VeskTest;

// WaitForObject(0) as seen from a thread that is not the caller.
int TestFromOtherThread(CMutex& mutex) {
    int result = -1;
    std::thread([&] { result = mutex.WaitForObject(0); }).join();
    return result;
}

TEST(MutexTest, RecursiveHoldBlocksOthersUntilTheLastUnlock) {
    CMutex mutex;
    mutex.Lock();
    mutex.Lock();
    EXPECT_EQ(kTimeout, TestFromOtherThread(mutex));
    mutex.Unlock();
    EXPECT_EQ(kTimeout, TestFromOtherThread(mutex));
    mutex.Unlock();
    EXPECT_EQ(kSignaled, TestFromOtherThread(mutex));
}

TEST(MutexTest, HolderWaitsSucceedAtOnceAndKeepTheHoldCount) {
    CMutex mutex;
    mutex.Lock();
    Stopwatch clock;
    for (long timeout : {-1L, 0L, 250L, -5L}) {
        EXPECT_EQ(kSignaled, mutex.WaitForObject(timeout)) << "time-out " << timeout;
    }
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 0, 0));
    // Still held exactly once: one Unlock frees it.
    EXPECT_EQ(kTimeout, TestFromOtherThread(mutex));
    mutex.Unlock();
    EXPECT_EQ(kSignaled, TestFromOtherThread(mutex));
}

TEST(MutexTest, SuccessfulWaitLeavesTheMutexFree) {
    for (long timeout : {-1L, 0L, 250L, -5L}) {
        CMutex mutex;
        ASSERT_EQ(kSignaled, mutex.WaitForObject(timeout)) << "time-out " << timeout;
        EXPECT_EQ(kSignaled, TestFromOtherThread(mutex)) << "time-out " << timeout;
    }
}

// A zero time-out is one try and no sleep: twenty of them against a holder stay far below the
// 200 ms that twenty 10 ms polls would take.
TEST(MutexTest, ZeroTimeoutAgainstHolderDoesNotSleep) {
    CMutex mutex;
    VeskTest::MutexHolder holder(mutex);
    Stopwatch clock;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(kTimeout, mutex.WaitForObject(0));
    }
    EXPECT_LT(clock.ElapsedUs(), 200000);
}

TEST(MutexTest, LockBlocksUntilTheHolderUnlocks) {
    CMutex mutex;
    std::atomic<bool> held{false};
    Stopwatch clock;  // before the holder starts its 100 ms, so the lower bound is strict
    std::thread holder([&] {
        mutex.Lock();
        held = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        mutex.Unlock();
    });
    while (!held) {
        std::this_thread::yield();
    }
    mutex.Lock();
    const long long elapsedUs = clock.ElapsedUs();
    mutex.Unlock();
    holder.join();
    EXPECT_TRUE(DelayWithin(elapsedUs, 100, 100));
}

// On hosts with a 64-bit long, LONG_MAX x 10^6 leaves the 64-bit range; the deadline must then
// saturate, not wrap into the past and time out at once.
TEST(MutexTest, LargestTimeoutDoesNotOverflowIntoAPastDeadline) {
    CMutex mutex;
    VeskTest::MutexHolder holder(mutex);
    Stopwatch clock;
    DelayedAction releaser(100, [&holder] { holder.Release(); });
    EXPECT_EQ(kSignaled, mutex.WaitForObject(LONG_MAX));
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 100, 100));
}

TEST(MutexTest, TimedLockHelperObtainsOrTimesOut) {
    CMutex mutex;
    timespec past{};
    clock_gettime(CLOCK_REALTIME, &past);
    past.tv_sec -= 1;
    // A free mutex is obtained by the first try even with a deadline in the past.
    ASSERT_EQ(0, CMutex::pthread_mutex_timedlock_custom(&mutex.m_mutex, &past));
    int fromOtherThread = -1;
    long long elapsedUs = 0;
    std::thread([&] {
        Stopwatch clock;
        timespec deadline{};
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_nsec += 50000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_nsec -= 1000000000L;
            deadline.tv_sec += 1;
        }
        fromOtherThread = CMutex::pthread_mutex_timedlock_custom(&mutex.m_mutex, &deadline);
        elapsedUs = clock.ElapsedUs();
    }).join();
    mutex.Unlock();
    EXPECT_EQ(ETIMEDOUT, fromOtherThread);
    EXPECT_TRUE(DelayWithin(elapsedUs, 50, 60));
}

TEST(FakeSynchronizationObjectTest, ReleaseWaitChangesNothing) {
    Vesk::CFakeSynchronizationObject fake;
    fake.OnReleaseWait();
    EXPECT_EQ(Vesk::CSynchronizationObject::eWaitFailed, fake.WaitForObject(1000));
}

}  // namespace
