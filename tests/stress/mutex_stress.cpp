// CMutex: mutual exclusion of recursive holders under load, and timed waits against busy holders
// that end with the right result, never before their time-out.
#include <vesk/syncobject.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "stress/stress_support.h"

namespace {

using Vesk::CMutex;
using namespace VeskStress;

TEST(MutexStress, TimedWaitsAgainstBusyRecursiveHolders) {
    CMutex mutex;
    std::atomic<int> inside{0};
    std::atomic<long long> holds{0}, overlaps{0}, waits{0}, obtained{0}, wrongResults{0};
    std::atomic<long long> early{0};  // a timed-out wait that ended before its time-out
    std::atomic<long long> late{0};   // one that ended more than kGenerous after it
    RunOnThreads(4, [&](unsigned index) {
        std::mt19937 random = SeededGenerator(41, index);
        for (CRunBudget budget; budget.Running();) {
            if (index % 2 == 0) {
                // Holds the mutex 1 to 3 levels deep for up to 3 ms at a time.
                const unsigned depth = 1 + random() % 3;
                for (unsigned i = 0; i < depth; ++i) {
                    mutex.Lock();
                }
                overlaps += inside.fetch_add(1) != 0;
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
                inside.fetch_sub(1);
                for (unsigned i = 0; i < depth; ++i) {
                    mutex.Unlock();
                }
                holds.fetch_add(1);
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 500));
                continue;
            }
            const long timeouts[] = {0, -3, 1, 2, 5, 10, 25};
            const long timeout = timeouts[random() % 7];
            const auto start = SteadyClock::now();
            const int result = mutex.WaitForObject(timeout);
            const long long elapsedUs =
                std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start)
                    .count();
            waits.fetch_add(1);
            obtained += result == kSignalled;
            wrongResults += result != kSignalled && result != kTimedOut;
            if (result == kTimedOut && timeout > 0) {
                early += elapsedUs < timeout * 1000;
                late += elapsedUs / 1000 - timeout >= kGenerous.count();
            }
        }
    });
    EXPECT_EQ(overlaps.load(), 0) << "two holders at once";
    EXPECT_EQ(wrongResults.load(), 0);
    EXPECT_EQ(early.load(), 0) << "a timed wait gave up before its time-out";
    EXPECT_EQ(late.load(), 0);
    EXPECT_GT(obtained.load(), 0);
    EXPECT_LT(obtained.load(), waits.load());
    EXPECT_EQ(mutex.WaitForObject(0), kSignalled);  // free and usable afterwards
    Report("CMutex timed waits against 2 busy holders", waits.load(), "waits");
    Report("CMutex recursive holds", holds.load(), "holds");
}

}  // namespace
