// CMutex: mutual exclusion of recursive holders under load, and timed waits against busy holders
// that end with the right result, never before their time-out.
#include <vesk/syncobject.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "stress/stress_support.h"

namespace {

using Vesk::CMutex;
using namespace VeskStress;

struct sMutexLedger {
    std::atomic<int> inside{0};
    std::atomic<long long> holds{0};
    std::atomic<long long> overlaps{0};
    std::atomic<long long> waits{0};
    std::atomic<long long> obtained{0};
    std::atomic<long long> early{0};  // a timed-out wait that ended before its time-out
    std::atomic<long long> wrongResults{0};
    std::atomic<long long> worstLateMs{0};  // how long past its time-out a wait ended
};

// Holds the mutex 1 to 3 levels deep for up to 3 ms at a time.
void BusyHolder(CMutex& mutex, sMutexLedger& ledger, unsigned index) {
    std::mt19937 random = SeededGenerator(41, index);
    for (CRunBudget budget; budget.Running();) {
        const unsigned depth = 1 + random() % 3;
        for (unsigned i = 0; i < depth; ++i) {
            mutex.Lock();
        }
        if (ledger.inside.fetch_add(1) != 0) {
            ledger.overlaps.fetch_add(1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        ledger.inside.fetch_sub(1);
        for (unsigned i = 0; i < depth; ++i) {
            mutex.Unlock();
        }
        ledger.holds.fetch_add(1);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 500));
    }
}

void TimedWaiter(CMutex& mutex, sMutexLedger& ledger, unsigned index) {
    std::mt19937 random = SeededGenerator(42, index);
    const long timeouts[] = {0, -3, 1, 2, 5, 10, 25};
    for (CRunBudget budget; budget.Running();) {
        const long timeout = timeouts[random() % (sizeof timeouts / sizeof timeouts[0])];
        const auto start = SteadyClock::now();
        const int result = mutex.WaitForObject(timeout);
        const long long elapsed =
            std::chrono::duration_cast<std::chrono::microseconds>(SteadyClock::now() - start)
                .count();
        ledger.waits.fetch_add(1);
        if (result == kSignalled) {
            ledger.obtained.fetch_add(1);
        } else if (result != kTimedOut) {
            ledger.wrongResults.fetch_add(1);
        } else if (timeout > 0) {
            if (elapsed < timeout * 1000) {
                ledger.early.fetch_add(1);
            }
            const long long lateMs = elapsed / 1000 - timeout;
            long long worst = ledger.worstLateMs.load();
            while (lateMs > worst && !ledger.worstLateMs.compare_exchange_weak(worst, lateMs)) {
            }
        }
    }
}

TEST(MutexStress, TimedWaitsAgainstBusyRecursiveHolders) {
    CMutex mutex;
    sMutexLedger ledger;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < 2; ++i) {
        threads.emplace_back(BusyHolder, std::ref(mutex), std::ref(ledger), i);
        threads.emplace_back(TimedWaiter, std::ref(mutex), std::ref(ledger), i);
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(ledger.overlaps.load(), 0) << "two holders at once";
    EXPECT_EQ(ledger.wrongResults.load(), 0);
    EXPECT_EQ(ledger.early.load(), 0) << "a timed wait gave up before its time-out";
    // A wait polls every 10 ms: it ends at most one poll (plus scheduling) after its deadline.
    EXPECT_LT(ledger.worstLateMs.load(), kGenerous.count());
    EXPECT_GT(ledger.obtained.load(), 0);
    EXPECT_LT(ledger.obtained.load(), ledger.waits.load());
    // The mutex is free and usable afterwards.
    EXPECT_EQ(mutex.WaitForObject(0), kSignalled);
    Report("CMutex timed waits against 2 busy holders", ledger.waits.load(), "waits");
    Report("CMutex recursive holds", ledger.holds.load(), "holds");
}

}  // namespace
