// CReaderWriterLock under mixed load: never a writer together with anyone else, nested read holds,
// the scope guards and the plain calls mixed, and writers still getting in between readers.
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
    std::atomic<int> readers{0};
    std::atomic<int> writers{0};
    std::atomic<long long> reads{0};
    std::atomic<long long> writes{0};
    std::atomic<long long> violations{0};
    std::atomic<long long> tornReads{0};
    // Written only under the write hold: every element always equal to the others.
    std::vector<long> shared = std::vector<long>(16, 0);
};

void Reader(CReaderWriterLock& lock, sRwLedger& ledger, unsigned index) {
    std::mt19937 random = SeededGenerator(51, index);
    for (CRunBudget budget; budget.Running();) {
        const bool guard = random() % 2 == 0;
        const bool nested = random() % 4 == 0;
        std::unique_ptr<CReaderWriterLock::CReaderLock> outer;
        if (guard) {
            outer.reset(new CReaderWriterLock::CReaderLock(lock));
        } else {
            lock.GetReadLock();
        }
        if (nested) {
            lock.GetReadLock();  // a read hold nests, even while a writer waits
        }
        ledger.readers.fetch_add(1);
        if (ledger.writers.load() != 0) {
            ledger.violations.fetch_add(1);
        }
        // Hold for a while (a yield or a short sleep) so that a faulty lock shows as an overlap.
        for (int pass = 0; pass < 2; ++pass) {
            for (long value : ledger.shared) {
                if (value != ledger.shared[0]) {
                    ledger.tornReads.fetch_add(1);
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 50));
        }
        if (ledger.writers.load() != 0) {
            ledger.violations.fetch_add(1);
        }
        ledger.readers.fetch_sub(1);
        ledger.reads.fetch_add(1);
        if (nested) {
            lock.ReleaseReadLock();
        }
        if (!guard) {
            lock.ReleaseReadLock();
        }
        outer.reset();
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
    }
}

void Writer(CReaderWriterLock& lock, sRwLedger& ledger, unsigned index) {
    std::mt19937 random = SeededGenerator(52, index);
    for (CRunBudget budget; budget.Running();) {
        {
            CReaderWriterLock::CWriterLock hold(lock);
            if (ledger.writers.fetch_add(1) != 0 || ledger.readers.load() != 0) {
                ledger.violations.fetch_add(1);
            }
            const long next = ledger.shared[0] + 1;
            for (long& value : ledger.shared) {
                value = next;
                if (&value == &ledger.shared[8]) {
                    std::this_thread::yield();  // half written: a reader now would see it torn
                }
            }
            if (ledger.readers.load() != 0) {
                ledger.violations.fetch_add(1);
            }
            ledger.writers.fetch_sub(1);
            ledger.writes.fetch_add(1);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
    }
}

TEST(RwLockStress, NeverAWriterWithAnyoneElseUnderMixedLoad) {
    CReaderWriterLock lock;
    sRwLedger ledger;
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < 4; ++i) {
        threads.emplace_back(Reader, std::ref(lock), std::ref(ledger), i);
    }
    for (unsigned i = 0; i < 2; ++i) {
        threads.emplace_back(Writer, std::ref(lock), std::ref(ledger), i);
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(ledger.violations.load(), 0) << "a writer held the lock together with another";
    EXPECT_EQ(ledger.tornReads.load(), 0);
    EXPECT_GT(ledger.reads.load(), 0);
    EXPECT_GT(ledger.writes.load(), 0) << "no writer got in between the readers";
    EXPECT_EQ(ledger.shared.back(), ledger.writes.load());
    // Free again: a writer gets in at once.
    CReaderWriterLock::CWriterLock last(lock);
    Report("CReaderWriterLock reads (4 readers)", ledger.reads.load(), "holds");
    Report("CReaderWriterLock writes (2 writers)", ledger.writes.load(), "holds");
}

}  // namespace
