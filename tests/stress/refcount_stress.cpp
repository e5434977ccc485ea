// CAtomicInt and reference counting shared across threads: counting loses nothing and exactly one
// decrement sees zero; a counted object is deleted exactly once, by whichever thread drops the
// last reference, and never while a reference is held.
#include <vesk/atomicint.h>
#include <vesk/refcount.h>

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "stress/stress_support.h"

namespace {

using Vesk::CAtomicInt;
using Vesk::CRefCountPtr;
using namespace VeskStress;

const unsigned kThreads = 4;

// Half the threads add and take back references between their decrements: the value never
// reaches zero early because each of them holds its own while it works.
TEST(RefCountStress, ExactlyOneDerefOfManySeesZero) {
    const long kPerThread = 2000;
    long long rounds = 0, wrongRounds = 0;
    for (CRunBudget budget; budget.Running(); ++rounds) {
        CAtomicInt count(kThreads * kPerThread);
        std::atomic<int> zeros{0};
        RunOnThreads(kThreads, [&](unsigned index) {
            for (long i = 0; i < kPerThread; ++i) {
                if (index % 2 == 0) {
                    count.ref();
                    count.deref();
                }
                zeros += !count.deref();
            }
        });
        wrongRounds += zeros != 1 || count != 0L;
    }
    EXPECT_EQ(wrongRounds, 0);
    Report("CAtomicInt deref to zero from 4 threads", rounds, "rounds");
}

std::atomic<long> g_deletions{0}, g_deletedWhileReferenced{0};

class CTracked : public Vesk::CRefCount_Base {
  public:
    ~CTracked() override {
        g_deletedWhileReferenced += m_refCount != 0L;
        m_payload = -1;
        g_deletions.fetch_add(1);
    }
    std::atomic<int> m_payload{42};
};

// Copies, assigns, moves and resets smart pointers to one object; every read of the object goes
// through a held reference, so an early deletion is a use after free (and a payload of -1).
void ShuffleReferences(const CRefCountPtr<CTracked>& shared, std::mt19937& random,
                       std::atomic<long>& badReads) {
    CRefCountPtr<CTracked> slots[3] = {shared, CRefCountPtr<CTracked>(), shared};
    for (int step = 0; step < 300; ++step) {
        CRefCountPtr<CTracked>& a = slots[random() % 3];
        CRefCountPtr<CTracked>& b = slots[random() % 3];
        switch (random() % 5) {
            case 0:
                a = b;
                break;
            case 1:
                a = CRefCountPtr<CTracked>(shared);
                break;
            case 2:
                if (&a != &b) {
                    a = std::move(b);
                }
                break;
            case 3:
                a.reset();
                break;
            default:
                a.reset(shared.get());
                break;
        }
        badReads += a && a->m_payload != 42;
    }
}

TEST(RefCountStress, SharedObjectIsDeletedExactlyOnceByTheLastRelease) {
    g_deletions = 0;
    g_deletedWhileReferenced = 0;
    std::atomic<long> badReads{0};
    long long objects = 0;
    for (CRunBudget budget; budget.Running(); ++objects) {
        std::vector<CRefCountPtr<CTracked>> handles(kThreads, CRefCountPtr<CTracked>(new CTracked));
        RunOnThreads(kThreads, [&](unsigned index) {
            std::mt19937 random = SeededGenerator(31, index + static_cast<unsigned>(objects));
            ShuffleReferences(handles[index], random, badReads);
            handles[index].reset();  // the last of these deletes the object, on its thread
        });
        EXPECT_EQ(g_deletions.load(), objects + 1);
    }
    EXPECT_EQ(g_deletedWhileReferenced.load(), 0);
    EXPECT_EQ(badReads.load(), 0);
    Report("CRefCountPtr shuffled across 4 threads", objects, "objects");
}

}  // namespace
