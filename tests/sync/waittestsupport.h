// Helpers shared by the tests of the waitable objects: a steady-clock stopwatch, delay bounds with
// slack for a loaded (or emulated) machine, an action run later on another thread, and polling.
#ifndef VESK_TESTS_SYNC_WAITTESTSUPPORT_H
#define VESK_TESTS_SYNC_WAITTESTSUPPORT_H

#include <gtest/gtest.h>
#include <vesk/syncobject.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <thread>

namespace VeskTest {

const int kFailed = Vesk::CSynchronizationObject::eWaitFailed;
const int kSignaled = Vesk::CSynchronizationObject::eWaitSignaled;
const int kTimeout = Vesk::CSynchronizationObject::eWaitTimeout;

// Extra time allowed above every expected delay. Lower bounds are never relaxed. Emulated runs
// may raise it with VESK_TEST_TIME_SLACK_MS.
inline long SlackMs() {
    const char* text = std::getenv("VESK_TEST_TIME_SLACK_MS");
    const long fromEnvironment = text != nullptr ? std::strtol(text, nullptr, 10) : 0;
    return fromEnvironment > 0 ? fromEnvironment : 400;
}

class Stopwatch {
  public:
    Stopwatch() : m_start(std::chrono::steady_clock::now()) {}
    long long ElapsedUs() const {
        return std::chrono::duration_cast<std::chrono::microseconds>(
                   std::chrono::steady_clock::now() - m_start)
            .count();
    }

  private:
    std::chrono::steady_clock::time_point m_start;
};

// The delay was at least `minMs` and at most `expectedMs` plus the slack.
inline ::testing::AssertionResult DelayWithin(long long elapsedUs, long minMs, long expectedMs) {
    const long long lower = static_cast<long long>(minMs) * 1000;
    const long long upper = static_cast<long long>(expectedMs + SlackMs()) * 1000;
    if (elapsedUs >= lower && elapsedUs <= upper) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "took " << elapsedUs << " us, expected " << lower << " to " << upper << " us";
}

// Runs `action` on its own thread `delayMs` after construction (never when delayMs is negative);
// the destructor waits for it.
class DelayedAction {
  public:
    DelayedAction(long delayMs, std::function<void()> action) {
        if (delayMs >= 0) {
            m_thread = std::thread([delayMs, action] {
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                action();
            });
        }
    }
    ~DelayedAction() {
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    DelayedAction(const DelayedAction&) = delete;
    DelayedAction& operator=(const DelayedAction&) = delete;

  private:
    std::thread m_thread;
};

// Polls `condition` every millisecond until it holds or `limitMs` (plus slack) has passed.
inline bool EventuallyTrue(const std::function<bool()>& condition, long limitMs = 2000) {
    Stopwatch clock;
    const long long limitUs = static_cast<long long>(limitMs + SlackMs()) * 1000;
    while (!condition()) {
        if (clock.ElapsedUs() > limitUs) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// Holds `mutex` on a thread of its own from construction until Release() or destruction; the
// constructor returns once the mutex is held.
class MutexHolder {
  public:
    explicit MutexHolder(Vesk::CMutex& mutex) {
        std::unique_lock<std::mutex> lock(m_guard);
        m_thread = std::thread([this, &mutex] {
            mutex.Lock();
            std::unique_lock<std::mutex> holderLock(m_guard);
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(holderLock, [this] { return m_release; });
            mutex.Unlock();
        });
        m_changed.wait(lock, [this] { return m_held; });
    }
    ~MutexHolder() {
        Release();
        m_thread.join();
    }
    MutexHolder(const MutexHolder&) = delete;
    MutexHolder& operator=(const MutexHolder&) = delete;

    // May be called from any thread; the holder then unlocks.
    void Release() {
        std::lock_guard<std::mutex> lock(m_guard);
        m_release = true;
        m_changed.notify_all();
    }

  private:
    std::thread m_thread;
    std::mutex m_guard;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_release = false;
};

}  // namespace VeskTest

#endif  // VESK_TESTS_SYNC_WAITTESTSUPPORT_H
