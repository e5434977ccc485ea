// CThread in loops: start/stop/restart of one object, bodies that finish at once (the start race),
// forced stops of bodies that ignore the stop request, and auto-delete objects created from
// several threads.
#include <vesk/thread.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "stress/stress_support.h"

namespace {

using Vesk::CThread;
using namespace VeskStress;

const pthread_t kNoThreadID = static_cast<pthread_t>(-1);

// Counts passes until its stop event is signalled (or forever when `m_stubborn`), or returns at
// once when `m_quick`.
class CWorker : public CThread {
  public:
    explicit CWorker(bool stubborn) : m_stubborn(stubborn) {}
    ~CWorker() override { StopThread(-1); }
    int ThreadBody() override {
        m_ownIdSeen = m_ownIdSeen && pthread_equal(GetThreadID(), GetCurrentThreadID());
        while (!m_quick && (m_stubborn || m_stopEvent.WaitForObject(1) != kSignalled)) {
            m_passes.fetch_add(1);
            if (m_stubborn) {
                Sleep(1);
            }
        }
        return 0;
    }
    // Stopped: finished, no handle, and nothing left to stop.
    void ExpectStopped() {
        EXPECT_EQ(GetThreadStatus(), CThread::eThreadFinished);
        EXPECT_TRUE(pthread_equal(GetThreadID(), kNoThreadID));
    }

    const bool m_stubborn;
    std::atomic<bool> m_quick{false}, m_ownIdSeen{true};
    std::atomic<long> m_passes{0};
};

TEST(ThreadStress, StartStopRestartLoopKeepsTheStatusRight) {
    CWorker worker(false);
    std::mt19937 random = SeededGenerator(21, 0);
    long long cycles = 0;
    for (CRunBudget budget; budget.Running() && !HasFailure(); ++cycles) {
        const unsigned choice = random() % 4;
        worker.m_quick = choice == 0;
        ASSERT_EQ(worker.StartThread(), 1);
        if (choice == 0) {
            // The body returns at once: its own "finished" must be the last status written.
            ASSERT_EQ(worker.WaitForObject(-1), kSignalled);
            EXPECT_EQ(worker.GetThreadStatus(), CThread::eThreadFinished);
        } else {
            EXPECT_EQ(worker.StartThread(), 0) << "a second thread while one runs";
        }
        if (choice == 1) {
            ASSERT_TRUE(EventuallyTrue([&] { return worker.m_passes > 0; }));
        }
        EXPECT_EQ(worker.StopThread(choice == 2 ? 5000 : -1), 1);
        worker.ExpectStopped();
        EXPECT_EQ(worker.StopThread(-1), 0);
    }
    EXPECT_TRUE(worker.m_ownIdSeen);
    EXPECT_GT(cycles, 5);
    Report("CThread start/stop/restart", cycles, "cycles");
}

TEST(ThreadStress, ForcedStopsOfStubbornBodiesAndRestart_BySignal) {
    CWorker worker(true);
    std::mt19937 random = SeededGenerator(22, 0);
    long long stops = 0;
    for (CRunBudget budget; budget.Running() && !HasFailure(); ++stops) {
        ASSERT_EQ(worker.StartThread(), 1);
        if (random() % 2 == 0) {
            const long before = worker.m_passes;
            ASSERT_TRUE(EventuallyTrue([&] { return worker.m_passes > before; }));
        }
        const auto start = SteadyClock::now();
        EXPECT_EQ(worker.StopThread(10), 1);
        EXPECT_GE(ElapsedMs(start), 10);
        worker.ExpectStopped();
        // Ended means ended: the body runs no more passes.
        const long after = worker.m_passes;
        std::this_thread::sleep_for(Milliseconds(3));
        EXPECT_EQ(worker.m_passes.load(), after);
    }
    EXPECT_GT(stops, 3);
    Report("CThread forced stops and restarts", stops, "forced stops");
}

std::atomic<long> g_autoDeleteDestroyed{0};

// Deletes itself on its own thread when its body returns.
class CSelfDeletingWorker : public CThread {
  public:
    explicit CSelfDeletingWorker(long work) : CThread(true), m_work(work) {}
    ~CSelfDeletingWorker() override { g_autoDeleteDestroyed.fetch_add(1); }
    int ThreadBody() override {
        volatile long sum = 0;
        for (long i = 0; i < m_work; ++i) {
            sum = sum + i;
        }
        return 0;
    }
    const long m_work;
};

TEST(ThreadStress, AutoDeleteObjectsFromSeveralThreadsAllDeleteThemselves) {
    g_autoDeleteDestroyed = 0;
    std::atomic<long> created{0}, startFailures{0};
    RunOnThreads(3, [&](unsigned index) {
        std::mt19937 random = SeededGenerator(23, index);
        for (CRunBudget budget; budget.Running();) {
            // Bound the threads alive at once, so the run never exhausts the process.
            while (created - g_autoDeleteDestroyed > 32) {
                std::this_thread::yield();
            }
            CSelfDeletingWorker* worker = new CSelfDeletingWorker(random() % 2000);
            if (worker->StartThread() == 1) {
                created.fetch_add(1);
            } else {
                startFailures.fetch_add(1);
                delete worker;
            }
        }
    });
    EXPECT_TRUE(EventuallyTrue([&] { return g_autoDeleteDestroyed == created; }))
        << g_autoDeleteDestroyed.load() << " of " << created.load() << " deleted themselves";
    EXPECT_EQ(startFailures.load(), 0);
    EXPECT_GT(created.load(), 10);
    Report("auto-delete CThread objects", created.load(), "objects");
}

}  // namespace
