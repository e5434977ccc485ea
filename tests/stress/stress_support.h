// Shared pieces of the stress suite: a time budget per run, bounded waits for conditions that
// must become true, threads run together, a probe of an event's guarded fields, and the one-line
// report of what a run did.
//
// Every stress run is bounded by time, not by a count of iterations, so the same test takes about
// the same wall time natively, under the sanitizers and under qemu; the iteration counts it reaches
// are printed. Random choices come from generators with fixed seeds.
#ifndef VESK_TESTS_STRESS_SUPPORT_H
#define VESK_TESTS_STRESS_SUPPORT_H

#include <vesk/event.h>
#include <vesk/syncobject.h>

#include <pthread.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

namespace VeskStress {

using SteadyClock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

const int kSignalled = Vesk::CSynchronizationObject::eWaitSignaled;
const int kTimedOut = Vesk::CSynchronizationObject::eWaitTimeout;

// How long each stress run keeps its threads busy.
constexpr Milliseconds kRunTime{1000};
// How long a condition that must become true may take on a loaded or emulated machine. A wait
// that passes it is a lost wake-up, a lost signal or a deadlock, not slowness.
constexpr Milliseconds kGenerous{10000};

// True until `budget` has passed since construction.
class CRunBudget {
  public:
    explicit CRunBudget(Milliseconds budget = kRunTime) : m_end(SteadyClock::now() + budget) {}
    bool Running() const { return SteadyClock::now() < m_end; }

  private:
    SteadyClock::time_point m_end;
};

// Polls `condition` (every 100 us) until it holds or `limit` passes; returns its last value.
template <class Condition>
bool EventuallyTrue(Condition condition, Milliseconds limit = kGenerous) {
    for (const CRunBudget budget(limit); !condition();) {
        if (!budget.Running()) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

inline long long ElapsedMs(SteadyClock::time_point since) {
    return std::chrono::duration_cast<Milliseconds>(SteadyClock::now() - since).count();
}

// The generator of one thread: fixed per test seed and per thread index.
inline std::mt19937 SeededGenerator(unsigned testSeed, unsigned threadIndex) {
    return std::mt19937(testSeed * 7919u + threadIndex);
}

// Runs body(index) on `count` threads and joins them.
template <class Body>
void RunOnThreads(unsigned count, Body body) {
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < count; ++i) {
        threads.emplace_back(body, i);
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

// One line per run in the test log: what was exercised and how often.
inline void Report(const char* what, long long iterations, const char* unit) {
    std::printf("[ stress   ] %s: %lld %s\n", what, iterations, unit);
    std::fflush(stdout);
}

// An event's guarded fields, read under its mutex as its own members do. The mutex is taken with
// a bounded try-lock loop, so an event whose mutex was left locked (by a thread that ended inside
// a wait) shows as locked == false instead of hanging the test.
struct sEventSnapshot {
    bool locked;
    bool signaled;
    int waiters;
};

inline sEventSnapshot ReadEvent(Vesk::CEvent& event) {
    sEventSnapshot snapshot{false, false, 0};
    if (EventuallyTrue([&] { return pthread_mutex_trylock(&event.m_mutex) == 0; })) {
        snapshot = {true, event.m_signaled, event.m_waiters};
        pthread_mutex_unlock(&event.m_mutex);
    }
    return snapshot;
}

// Waits until exactly `count` threads are inside a blocking wait of `event`.
inline bool WaitersReach(Vesk::CEvent& event, int count) {
    return EventuallyTrue([&] {
        const sEventSnapshot now = ReadEvent(event);
        return now.locked && now.waiters == count;
    });
}

}  // namespace VeskStress

#endif  // VESK_TESTS_STRESS_SUPPORT_H
