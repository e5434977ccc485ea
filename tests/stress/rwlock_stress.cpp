// CReaderWriterLock under mixed load: never a writer together with anyone else, nested read holds,
// the scope guards and the plain calls mixed, and writers still getting in between readers.
// Readers read data that writers change without other synchronisation, so a lost exclusion also
// shows as a torn read (and to ThreadSanitizer as a race).
#include <vesk/rwlock.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "stress/stress_support.h"

namespace {

using Vesk::CReaderWriterLock;
using namespace VeskStress;

struct sRwLedger {
    CReaderWriterLock lock;
    std::atomic<int> readers{0}, writers{0};
    std::atomic<long long> reads{0}, writes{0}, violations{0}, tornReads{0};
    // Written only under the write hold: every element always equal to the others.
    std::vector<long> shared = std::vector<long>(16, 0);

    void Read(std::mt19937& random) {
        const bool guard = random() % 2 == 0, nested = random() % 4 == 0;
        std::unique_ptr<CReaderWriterLock::CReaderLock> outer;
        guard ? outer.reset(new CReaderWriterLock::CReaderLock(lock)) : lock.GetReadLock();
        if (nested) {
            lock.GetReadLock();  // a read hold nests, even while a writer waits
        }
        readers.fetch_add(1);
        violations += writers != 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (long value : shared) {
                tornReads += value != shared[0];
            }
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 50));
        }
        violations += writers != 0;
        readers.fetch_sub(1);
        reads.fetch_add(1);
        if (nested) {
            lock.ReleaseReadLock();
        }
        if (!guard) {
            lock.ReleaseReadLock();
        }
    }

    void Write() {
        const CReaderWriterLock::CWriterLock hold(lock);
        violations += writers.fetch_add(1) != 0 || readers != 0;
        const long next = shared[0] + 1;
        for (long& value : shared) {
            value = next;
            if (&value == &shared[8]) {
                std::this_thread::yield();  // half written: a reader now would see it torn
            }
        }
        violations += readers != 0;
        writers.fetch_sub(1);
        writes.fetch_add(1);
    }
};

TEST(RwLockStress, NeverAWriterWithAnyoneElseUnderMixedLoad) {
    sRwLedger ledger;
    RunOnThreads(6, [&](unsigned index) {  // four readers, two writers
        std::mt19937 random = SeededGenerator(51, index);
        for (CRunBudget budget; budget.Running();) {
            index < 4 ? ledger.Read(random) : ledger.Write();
            // Readers are preferred: without gaps between their holds, writers would starve.
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
        }
    });
    EXPECT_EQ(ledger.violations.load(), 0) << "a writer held the lock together with another";
    EXPECT_EQ(ledger.tornReads.load(), 0);
    EXPECT_GT(ledger.reads.load(), 0);
    EXPECT_GT(ledger.writes.load(), 0) << "no writer got in between the readers";
    EXPECT_EQ(ledger.shared.back(), ledger.writes.load());
    EXPECT_EQ(ledger.lock.m_readers, 0);
    EXPECT_EQ(ledger.lock.m_writers, 0);
    Report("CReaderWriterLock reads (4 readers)", ledger.reads.load(), "holds");
    Report("CReaderWriterLock writes (2 writers)", ledger.writes.load(), "holds");
}

}  // namespace
