// CThread's lifecycle: start, refused second start, stop by request, by time-out and signal, and by
// the body itself; auto-delete; restart; joining once; the start race and the handle in the body.
//
// Tests named "...BySignal" end a worker with SIGUSR1 and are left out of the ThreadSanitizer run:
// the sanitizer defers signals to its own safe points and does not follow a thread that leaves a
// signal handler through pthread_exit, so it reports or hangs where the program is correct.
#include <vesk/thread.h>

#include <atomic>
#include <functional>
#include <future>

#include "sync/waittestsupport.h"

namespace {

using Vesk::CThread;
using namespace VeskTest;

const pthread_t kNoThreadID = static_cast<pthread_t>(-1);

// A worker whose body is given as a function of the worker. The destructor stops the thread before
// the function is destroyed.
class Worker : public CThread {
  public:
    using Body = std::function<int(Worker&)>;
    explicit Worker(Body body, bool autoDelete = false)
        : CThread(autoDelete), m_body(std::move(body)) {}
    ~Worker() override { StopThread(-1); }

    int ThreadBody() override {
        ++m_runs;
        return m_body(*this);
    }
    Vesk::CEvent& StopEvent() { return m_stopEvent; }
    int Runs() const { return m_runs.load(); }

  private:
    Body m_body;
    std::atomic<int> m_runs{0};
};

int ReturnAtOnce(Worker&) {
    return 0;
}
int UntilStopRequested(Worker& self) {
    return self.StopEvent().WaitForObject(-1);
}

bool Finishes(const CThread& thread) {
    return EventuallyTrue([&] { return thread.GetThreadStatus() == CThread::eThreadFinished; });
}

TEST(ThreadTest, NewObjectHasNoThread) {
    Worker worker(ReturnAtOnce);
    EXPECT_EQ(CThread::eThreadNotStarted, worker.GetThreadStatus());
    EXPECT_TRUE(pthread_equal(kNoThreadID, worker.GetThreadID()));
    EXPECT_EQ(kTimeout, worker.WaitForObject(0));
    EXPECT_EQ(kFailed, worker.WaitForObject(-1));
    EXPECT_EQ(0, worker.StopThread(1000));
    EXPECT_EQ(0, worker.PauseThread());
    EXPECT_EQ(0, worker.ResumeThread());
    EXPECT_EQ(0, worker.SetThreadPriotiry(CThread::ePriorityHighest));
    EXPECT_EQ(CThread::eThreadNotStarted, worker.GetThreadStatus());
}

TEST(ThreadTest, StartRunsTheBodyOnceAndRefusesASecondStart) {
    std::atomic<bool> started{false}, sawStop{false};
    Worker worker([&](Worker& self) {
        started = true;
        sawStop = UntilStopRequested(self) == kSignaled;
        return 0;
    });
    ASSERT_EQ(1, worker.StartThread());
    ASSERT_TRUE(EventuallyTrue([&] { return started.load(); }));
    EXPECT_EQ(CThread::eThreadRunning, worker.GetThreadStatus());
    EXPECT_FALSE(pthread_equal(kNoThreadID, worker.GetThreadID()));
    EXPECT_EQ(0, worker.StartThread());
    EXPECT_EQ(1, worker.StopThread(-1));
    EXPECT_TRUE(sawStop);
    EXPECT_EQ(1, worker.Runs());
    EXPECT_EQ(CThread::eThreadFinished, worker.GetThreadStatus());
    EXPECT_TRUE(pthread_equal(kNoThreadID, worker.GetThreadID()));
    EXPECT_EQ(0, worker.StopThread(-1));
}

// Repeated to meet the start race: the handle must be visible to the body from its first
// instruction, and StartThread's "running" must not land after the body's own "finished".
TEST(ThreadTest, BodyThatEndsAtOnceSeesItsHandleAndLeavesStatusFinished) {
    for (int round = 0; round < 30; ++round) {
        std::atomic<bool> same{false};
        Worker worker([&](Worker& self) {
            same = pthread_equal(self.GetThreadID(), CThread::GetCurrentThreadID()) != 0;
            return 0;
        });
        ASSERT_EQ(1, worker.StartThread());
        EXPECT_EQ(kSignaled, worker.WaitForObject(5000)) << "round " << round;
        EXPECT_EQ(CThread::eThreadFinished, worker.GetThreadStatus());
        EXPECT_TRUE(same) << "round " << round;
    }
    EXPECT_TRUE(pthread_equal(pthread_self(), CThread::GetCurrentThreadID()));
}

// Joining a joined thread again is undefined; every later wait and stop must see the first join.
// The body's wait for its own thread fails.
TEST(ThreadTest, FinishedThreadIsJoinedOnlyOnce) {
    std::atomic<int> selfWait{-1};
    Worker worker([&](Worker& self) {
        selfWait = self.WaitForObject(-1);
        CThread::Sleep(50);
        return 0;
    });
    ASSERT_EQ(1, worker.StartThread());
    for (long timeout : {-1L, -1L, 0L, 100L}) {
        EXPECT_EQ(kSignaled, worker.WaitForObject(timeout)) << timeout;
    }
    EXPECT_EQ(CThread::eThreadFinished, worker.GetThreadStatus());
    EXPECT_EQ(1, worker.StopThread(-1));
    EXPECT_TRUE(pthread_equal(kNoThreadID, worker.GetThreadID()));
    EXPECT_EQ(0, worker.StopThread(-1));
    EXPECT_EQ(kFailed, worker.WaitForObject(-1));
    EXPECT_EQ(kFailed, selfWait.load());
}

// Time-out 0 only asks: the body runs on untracked until it returns.
TEST(ThreadTest, ZeroTimeoutStopOnlyRequests) {
    Vesk::CEvent gate(true);
    Worker worker([&](Worker& self) {
        UntilStopRequested(self);
        return gate.WaitForObject(-1);
    });
    ASSERT_EQ(1, worker.StartThread());
    Stopwatch clock;
    EXPECT_EQ(1, worker.StopThread(0));
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 0, 0));
    EXPECT_EQ(kSignaled, worker.StopEvent().WaitForObject(0));
    EXPECT_EQ(CThread::eThreadRunning, worker.GetThreadStatus());
    EXPECT_TRUE(pthread_equal(kNoThreadID, worker.GetThreadID()));
    gate.SignalEvent();
    EXPECT_TRUE(Finishes(worker));
    EXPECT_EQ(0, worker.StopThread(-1));
}

// The body ignores the stop event; StopThread ends it by SIGUSR1 once its time-out has passed.
TEST(ThreadTest, BodyIgnoringTheStopEventIsEndedBySignal) {
    std::atomic<int> laps{0};
    std::atomic<bool> leftTheLoop{false};
    Worker worker([&](Worker&) {
        while (laps.load() >= 0) {
            ++laps;
            CThread::Sleep(2);
        }
        leftTheLoop = true;
        return 0;
    });
    ASSERT_EQ(1, worker.StartThread());
    ASSERT_TRUE(EventuallyTrue([&] { return laps.load() > 0; }));
    Stopwatch clock;
    EXPECT_EQ(1, worker.StopThread(200));
    // 100 polls of 2 ms: each sleep stretches on a loaded machine, so the upper bound is wide.
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 200, 1000));
    EXPECT_EQ(CThread::eThreadFinished, worker.GetThreadStatus());
    const int lapsAtStop = laps.load();
    CThread::Sleep(30);
    EXPECT_EQ(lapsAtStop, laps.load()) << "the body still runs";
    EXPECT_FALSE(leftTheLoop);
}

// The body stops itself: nothing after the call runs, and the object's lock is free afterwards.
TEST(ThreadTest, SelfStopEndsTheBodyAtTheCall) {
    std::atomic<bool> ranOn{false};
    Worker worker([&](Worker& self) {
        if (self.Runs() == 1) {
            self.StopThread(-1);
            ranOn = true;
        }
        return 0;
    });
    ASSERT_EQ(1, worker.StartThread());
    ASSERT_TRUE(Finishes(worker));
    EXPECT_TRUE(pthread_equal(kNoThreadID, worker.GetThreadID()));
    EXPECT_FALSE(ranOn);
    ASSERT_EQ(1, worker.StartThread());
    EXPECT_EQ(kSignaled, worker.WaitForObject(-1));
    EXPECT_EQ(2, worker.Runs());
}

class SelfDeletingWorker : public Worker {
  public:
    SelfDeletingWorker(std::promise<pthread_t>& destroyedOn)
        : Worker(ReturnAtOnce, true), m_destroyedOn(destroyedOn) {}
    ~SelfDeletingWorker() override { m_destroyedOn.set_value(pthread_self()); }

  private:
    std::promise<pthread_t>& m_destroyedOn;
};

// Deleted on its own thread when the body returns; a missing delete shows as a leak under
// AddressSanitizer.
TEST(ThreadTest, AutoDeleteObjectIsDestroyedOnItsOwnThread) {
    std::promise<pthread_t> destroyedOn;
    std::future<pthread_t> destruction = destroyedOn.get_future();
    ASSERT_EQ(1, (new SelfDeletingWorker(destroyedOn))->StartThread());
    ASSERT_EQ(std::future_status::ready,
              destruction.wait_for(std::chrono::milliseconds(VeskTest::SlackMs() * 5)));
    EXPECT_FALSE(pthread_equal(pthread_self(), destruction.get()));
}

// A restart after a stop finds the stop event reset; a finished thread nobody waited for is
// collected by the next start.
TEST(ThreadTest, RestartRunsTheBodyAgainWithTheStopEventReset) {
    std::atomic<int> stopSetAtEntry{0};
    std::atomic<bool> returnAtOnce{false};
    Worker worker([&](Worker& self) {
        stopSetAtEntry += self.StopEvent().WaitForObject(0) == kSignaled;
        return returnAtOnce ? 0 : UntilStopRequested(self);
    });
    for (int run = 1; run <= 2; ++run) {
        ASSERT_EQ(1, worker.StartThread());
        ASSERT_TRUE(EventuallyTrue([&] { return worker.Runs() == run; }));
        EXPECT_EQ(1, worker.StopThread(-1));
    }
    returnAtOnce = true;
    ASSERT_EQ(1, worker.StartThread());
    ASSERT_TRUE(Finishes(worker));
    ASSERT_EQ(1, worker.StartThread());
    EXPECT_EQ(kSignaled, worker.WaitForObject(-1));
    EXPECT_EQ(4, worker.Runs());
    EXPECT_EQ(0, stopSetAtEntry.load());
}

std::atomic<bool> g_plainWorkerStarted{false};
std::atomic<bool> g_plainWorkerReturned{false};

// No derived destructor stops this one: the base destructor's StopThread(-1) must. By then the
// derived part is gone, so after its wait the body touches no member.
class PlainWorker : public CThread {
  public:
    int ThreadBody() override {
        g_plainWorkerStarted = true;
        m_stopEvent.WaitForObject(-1);
        g_plainWorkerReturned = true;
        return 0;
    }
};

TEST(ThreadTest, DestructorStopsARunningThread) {
    {
        PlainWorker worker;
        ASSERT_EQ(1, worker.StartThread());
        // Destroy only once the body runs: its virtual call must come before the destructor.
        ASSERT_TRUE(EventuallyTrue([] { return g_plainWorkerStarted.load(); }));
    }
    EXPECT_TRUE(g_plainWorkerReturned);
}

TEST(ThreadTest, SleepLastsAtLeastTheGivenTime) {
    Stopwatch clock;
    CThread::Sleep(20);
    EXPECT_TRUE(DelayWithin(clock.ElapsedUs(), 20, 20));
    Stopwatch nothing;
    CThread::Sleep(0);
    CThread::Sleep(-5);
    EXPECT_TRUE(DelayWithin(nothing.ElapsedUs(), 0, 0));
}

}  // namespace
