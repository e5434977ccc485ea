// CAtomicInt and reference counting shared across threads: exactly one decrement sees zero, and a
// counted object (also one reached through a further base, like CEvent) is deleted exactly once,
// by whichever thread drops the last reference, and never while a reference is held.
#include <vesk/atomicint.h>
#include <vesk/event.h>
#include <vesk/refcount.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "stress/stress_support.h"

namespace {

using Vesk::CAtomicInt;
using Vesk::CEvent;
using Vesk::CRefCount_Base;
using Vesk::CRefCountPtr;
using Vesk::IRefCount;
using namespace VeskStress;

const unsigned kThreads = 4;

template <class Body>
void RunOnThreads(Body body) {
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < kThreads; ++i) {
        threads.emplace_back(body, i);
    }
    for (auto& thread : threads) {
        thread.join();
    }
}

TEST(RefCountStress, ExactlyOneDerefOfManySeesZero) {
    const long kPerThread = 2000;
    long long rounds = 0;
    long long wrongRounds = 0;
    for (CRunBudget budget; budget.Running(); ++rounds) {
        CAtomicInt count(kThreads * kPerThread);
        std::atomic<int> zeros{0};
        RunOnThreads([&](unsigned index) {
            // Half the threads add and take back references in between: the value never reaches
            // zero early because each of them holds its own while it works.
            for (long i = 0; i < kPerThread; ++i) {
                if (index % 2 == 0) {
                    count.ref();
                    count.deref();
                }
                if (!count.deref()) {
                    zeros.fetch_add(1);
                }
            }
        });
        if (zeros.load() != 1 || count != 0L) {
            ++wrongRounds;
        }
    }
    EXPECT_EQ(wrongRounds, 0);
    Report("CAtomicInt deref to zero from 4 threads", rounds, "rounds");
}

std::atomic<long> g_deletions{0};
std::atomic<long> g_deletedWhileReferenced{0};

class CTracked : public CRefCount_Base {
  public:
    CTracked() : m_payload(42) {}
    ~CTracked() override {
        if (m_refCount != 0L) {
            g_deletedWhileReferenced.fetch_add(1);
        }
        m_payload = -1;
        g_deletions.fetch_add(1);
    }
    std::atomic<int> m_payload;
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
        if (a && a->m_payload.load() != 42) {
            badReads.fetch_add(1);
        }
    }
}

TEST(RefCountStress, SharedObjectIsDeletedExactlyOnceByTheLastRelease) {
    g_deletions.store(0);
    g_deletedWhileReferenced.store(0);
    std::atomic<long> badReads{0};
    long long objects = 0;
    for (CRunBudget budget; budget.Running(); ++objects) {
        std::vector<CRefCountPtr<CTracked>> handles(kThreads, CRefCountPtr<CTracked>(new CTracked));
        RunOnThreads([&](unsigned index) {
            std::mt19937 random = SeededGenerator(31, index + static_cast<unsigned>(objects));
            ShuffleReferences(handles[index], random, badReads);
            handles[index].reset();  // the last of these deletes the object, on its thread
        });
        EXPECT_EQ(g_deletions.load(), objects + 1);
    }
    EXPECT_EQ(g_deletions.load(), objects);
    EXPECT_EQ(g_deletedWhileReferenced.load(), 0);
    EXPECT_EQ(badReads.load(), 0);
    Report("CRefCountPtr shuffled across 4 threads", objects, "objects");
}

std::atomic<long> g_eventDeletions{0};

// Deleted through CEvent's second base (IRefCount): the most derived destructor must run.
class CCountedEvent : public CEvent {
  public:
    CCountedEvent() : CEvent(false) {}
    ~CCountedEvent() override { g_eventDeletions.fetch_add(1); }
};

TEST(RefCountStress, HeapEventReleasedFromSeveralThreadsIsDeletedOnce) {
    g_eventDeletions.store(0);
    long long events = 0;
    for (CRunBudget budget; budget.Running(); ++events) {
        CCountedEvent* event = new CCountedEvent;
        IRefCount* counted = event;
        for (unsigned i = 0; i < kThreads; ++i) {
            counted->AddRef();
        }
        RunOnThreads([&](unsigned) {
            for (int i = 0; i < 50; ++i) {
                counted->AddRef();
                event->SignalEvent();
                event->WaitForObject(0);
                counted->ReleaseRef();
            }
            counted->ReleaseRef();
        });
        EXPECT_EQ(g_eventDeletions.load(), events + 1);
    }
    EXPECT_EQ(g_eventDeletions.load(), events);
    Report("heap CEvent released from 4 threads", events, "events");
}

}  // namespace
