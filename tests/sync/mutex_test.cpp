// CMutex beyond the shared wait contract: recursion, the holder's own waits, waits that leave the
// mutex free, the polling interval, Lock against a holder, and the timed-lock helper.
#include <vesk/syncobject.h>

#include <errno.h>

#include <atomic>
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

// Each Lock and each successful wait of the holder counts once more; only the last Unlock frees
// the mutex. A successful wait by anyone else leaves it free.
TEST(MutexTest, HoldsNestAndSuccessfulWaitsLeaveTheCountAlone) {
    const long timeouts[] = {-1, 0, 250, -5};
    CMutex mutex;
    for (long timeout : timeouts) {
        ASSERT_EQ(kSignaled, mutex.WaitForObject(timeout)) << timeout;
        EXPECT_EQ(kSignaled, TestFromOtherThread(mutex)) << timeout;
    }
    mutex.Lock();
    mutex.Lock();
    Stopwatch clock;
    for (long timeout : timeouts) {
        EXPECT_EQ(kSignaled, mutex.WaitForObject(timeout)) << timeout;
    }
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 0, 0));
    EXPECT_EQ(kTimeout, TestFromOtherThread(mutex));
    mutex.Unlock();
    EXPECT_EQ(kTimeout, TestFromOtherThread(mutex));
    mutex.Unlock();
    EXPECT_EQ(kSignaled, TestFromOtherThread(mutex));
}

// A zero time-out is one try and no sleep: twenty of them against a holder stay far below the
// 200 ms that twenty 10 ms polls would take.
TEST(MutexTest, ZeroTimeoutAgainstHolderDoesNotSleep) {
    CMutex mutex;
    MutexHolder holder(mutex);
    Stopwatch clock;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(kTimeout, mutex.WaitForObject(0));
    }
    EXPECT_LT(clock.ElapsedUs(), 200000);
}

TEST(MutexTest, LockBlocksUntilTheHolderUnlocks) {
    CMutex mutex;
    MutexHolder holder(mutex);
    Stopwatch clock;
    DelayedAction releaser(100, [&holder] { holder.Release(); });
    mutex.Lock();
    const long long elapsedUs = clock.ElapsedUs();
    mutex.Unlock();
    EXPECT_TRUE(DelayWithin(elapsedUs, 100, 100));
}

TEST(MutexTest, TimedLockHelperObtainsOrTimesOut) {
    CMutex mutex;
    timespec deadline{};
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec -= 1;
    // A free mutex is obtained by the first try even with a deadline in the past.
    ASSERT_EQ(0, CMutex::pthread_mutex_timedlock_custom(&mutex.m_mutex, &deadline));
    int fromOtherThread = -1;
    long long elapsedUs = 0;
    std::thread([&] {
        Stopwatch clock;
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_nsec += 50000000L;
        deadline.tv_sec += deadline.tv_nsec / 1000000000L;
        deadline.tv_nsec %= 1000000000L;
        fromOtherThread = CMutex::pthread_mutex_timedlock_custom(&mutex.m_mutex, &deadline);
        elapsedUs = clock.ElapsedUs();
    }).join();
    mutex.Unlock();
    EXPECT_EQ(ETIMEDOUT, fromOtherThread);
    EXPECT_TRUE(DelayWithin(elapsedUs, 50, 60));
}

}  // namespace
