// SPDX-License-Identifier: Apache-2.0
// Helpers shared by the tests of the waitable objects: delay bounds with slack for a loaded (or
// emulated) machine, an action run later on another thread, polling, and a worker thread whose
// body is given as a function.
#ifndef VESK_TESTS_SYNC_WAITTESTSUPPORT_H
#define VESK_TESTS_SYNC_WAITTESTSUPPORT_H

#include <gtest/gtest.h>
#include <vesk/thread.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <memory>
#include <thread>

namespace VeskTest {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::milliseconds;
enum { kFailed = 0, kSignaled = 1, kTimeout = 2 };  // the wait results, as numbers

// Extra time allowed above every expected delay; lower bounds are never relaxed. Runs under
// sanitizers or emulation may raise it with VESK_TEST_TIME_SLACK_MS.
inline long SlackMs() {
    const char* text = std::getenv("VESK_TEST_TIME_SLACK_MS");
    return text != nullptr && std::atol(text) > 0 ? std::atol(text) : 400;
}

// The time since `start` is at least `minMs` and at most `maxMs` plus the slack (in milliseconds).
inline ::testing::AssertionResult DelayWithin(Clock::time_point start, long minMs, long maxMs) {
    const std::chrono::duration<double, std::milli> ms = Clock::now() - start;
    const bool within = ms.count() >= minMs && ms.count() <= maxMs + SlackMs();
    return (within ? ::testing::AssertionSuccess() : ::testing::AssertionFailure()) << ms.count();
}

// Runs `action` on another thread `ms` from now; the returned future waits for it when destroyed.
inline std::future<void> After(long ms, std::function<void()> action) {
    return std::async(std::launch::async, [ms, action] {
        std::this_thread::sleep_for(Ms(ms));
        action();
    });
}

// Polls `condition` until it holds or 2 s (plus slack) have passed; returns its last value.
inline bool EventuallyTrue(const std::function<bool()>& condition) {
    const auto end = Clock::now() + Ms(2000 + SlackMs());
    while (!condition() && Clock::now() < end) {
        std::this_thread::sleep_for(Ms(1));
    }
    return condition();
}

// Holds `mutex` on another thread until `release` is set; returns once it is held. The future
// waits for the release when destroyed.
inline std::future<void> HoldElsewhere(Vesk::CMutex& mutex, const std::atomic<bool>& release) {
    const auto held = std::make_shared<std::atomic<bool>>(false);
    auto holder = After(0, [&mutex, &release, held] {
        mutex.Lock();
        for (*held = true; !release;) {
            std::this_thread::sleep_for(Ms(1));
        }
        mutex.Unlock();
    });
    EXPECT_TRUE(EventuallyTrue([&] { return held->load(); }));
    return holder;
}

// A worker whose body is a function of the worker; the destructor stops the thread before the
// function goes.
struct Worker : Vesk::CThread {
    explicit Worker(std::function<int(Worker&)> body, bool autoDelete = false)
        : CThread(autoDelete), body(std::move(body)) {}
    ~Worker() override { StopThread(-1); }
    int ThreadBody() override { return body(*this); }
    int UntilStopRequested() { return m_stopEvent.WaitForObject(-1); }
    bool HasNoThread() const { return pthread_equal(GetThreadID(), static_cast<pthread_t>(-1)); }
    bool Ends() const {
        return EventuallyTrue([this] { return GetThreadStatus() == eThreadFinished; });
    }
    std::function<int(Worker&)> body;
};

}  // namespace VeskTest

#endif  // VESK_TESTS_SYNC_WAITTESTSUPPORT_H
