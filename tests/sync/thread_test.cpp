// SPDX-License-Identifier: Apache-2.0
// CThread beyond the shared wait contract: stop by request, by time-out and signal, and by the body
// itself; restart; auto-delete. Forced stops inside library calls are the scenarios of
// forcedstop.h; loops of starts, stops and forced stops run in the stress suite.
#include <memory>

#include "sync/waittestsupport.h"

namespace {

using namespace VeskTest;

// StopThread signals the stop event and only asks (0: the body runs on, untracked) or waits (-1).
// A second start is refused while the body runs; a restart finds the stop event reset. Below -1 a
// thread's wait times out at once, with or without a thread.
TEST(ThreadTest, StopAsksTheBodyAndARestartRunsItAgain) {
    Vesk::CEvent gate(true);
    Worker worker([&](Worker& self) { return self.UntilStopRequested() + gate.WaitForObject(-1); });
    ASSERT_EQ(1, worker.StartThread());
    EXPECT_EQ(0, worker.StartThread());
    EXPECT_EQ(1, worker.StopThread(0));
    EXPECT_TRUE(worker.HasNoThread());
    EXPECT_EQ(Worker::eThreadRunning, worker.GetThreadStatus());
    gate.SignalEvent();
    EXPECT_TRUE(worker.Ends());
    ASSERT_EQ(1, worker.StartThread());
    EXPECT_EQ(kTimeout, worker.WaitForObject(50));  // waits for the stop request again
    EXPECT_EQ(1, worker.StopThread(-1));
    EXPECT_EQ(Worker::eThreadFinished, worker.GetThreadStatus());
    EXPECT_EQ(kTimeout, worker.WaitForObject(-2));
}

// The body ignores the stop event; StopThread ends it by SIGUSR1 once its time-out has passed
// (100 polls of 2 ms, each stretched on a loaded machine: the upper bound is wide).
TEST(ThreadTest, BodyIgnoringTheStopEventIsEndedBySignal) {
    std::atomic<int> laps{0};
    Worker worker([&](Worker&) -> int {
        for (;; ++laps) {
            Worker::Sleep(2);
        }
    });
    ASSERT_EQ(1, worker.StartThread());
    const auto start = Clock::now();
    EXPECT_EQ(1, worker.StopThread(200));
    EXPECT_TRUE(DelayWithin(start, 200, 1000));
    EXPECT_EQ(Worker::eThreadFinished, worker.GetThreadStatus());
    const int lapsAtStop = laps;
    std::this_thread::sleep_for(Ms(30));
    EXPECT_EQ(lapsAtStop, laps) << "the body still runs";
}

// A forced end runs none of the body's remaining code: neither the destructor of a local object
// nor a catch or a noexcept frame on its way (an unwinding exit would terminate the process there).
TEST(ThreadTest, ForcedEndRunsNoDestructorOfTheBody_BySignal) {
    struct CMarker {
        ~CMarker() { *destroyed = true; }
        std::atomic<bool>* destroyed;
    };
    std::atomic<bool> destroyed{false}, entered{false};
    const auto stubborn = [&]() noexcept {
        for (entered = true;;) {
            Worker::Sleep(1);
        }
    };
    Worker worker([&](Worker&) -> int {
        const CMarker marker{&destroyed};
        try {
            stubborn();
        } catch (...) {
            destroyed = true;
        }
        return 0;
    });
    ASSERT_EQ(1, worker.StartThread());
    ASSERT_TRUE(EventuallyTrue([&] { return entered.load(); }));
    EXPECT_EQ(1, worker.StopThread(20));
    EXPECT_EQ(Worker::eThreadFinished, worker.GetThreadStatus());
    EXPECT_FALSE(destroyed);
    ASSERT_EQ(1, worker.StartThread());  // and the object starts again
    EXPECT_EQ(1, worker.StopThread(20));
}

// The body's own stop ends it at the call (were the call to return, `ranOn` would be set) and
// leaves the object's lock free for the next start.
TEST(ThreadTest, SelfStopEndsTheBodyAtTheCall) {
    std::atomic<bool> ranOn{false};
    Worker worker([&](Worker& self) { return self.StopThread(-1) && (ranOn = true); });
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(1, worker.StartThread());
        ASSERT_TRUE(worker.Ends());
        EXPECT_TRUE(worker.HasNoThread());
    }
    EXPECT_FALSE(ranOn);
}

// Deleted on its own thread when the body returns, and the body's function with it (a missing
// delete also shows as a leak under AddressSanitizer).
TEST(ThreadTest, AutoDeleteObjectIsDestroyedOnItsOwnThread) {
    std::promise<pthread_t> destroyedOn;
    auto destruction = destroyedOn.get_future();
    std::shared_ptr<void> token(nullptr, [&](void*) { destroyedOn.set_value(pthread_self()); });
    Worker* worker = new Worker([token](Worker&) { return token ? 1 : 0; }, true);
    token.reset();
    ASSERT_EQ(1, worker->StartThread());
    ASSERT_EQ(std::future_status::ready, destruction.wait_for(std::chrono::seconds(5)));
    EXPECT_FALSE(pthread_equal(pthread_self(), destruction.get()));
}

}  // namespace
