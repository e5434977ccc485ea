// Shared pieces of the stress suite: a time budget per run, bounded waits for conditions that
// must become true, and the one-line report of what a run did.
//
// Every stress run is bounded by time, not by a count of iterations, so the same test takes about
// the same wall time natively, under the sanitizers and under qemu; the iteration counts it reaches
// are printed. Random choices come from generators with fixed seeds.
#ifndef VESK_TESTS_STRESS_SUPPORT_H
#define VESK_TESTS_STRESS_SUPPORT_H

#include <vesk/syncobject.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <thread>

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
    const auto end = SteadyClock::now() + limit;
    while (!condition()) {
        if (SteadyClock::now() >= end) {
            return condition();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return true;
}

inline long long ElapsedMs(SteadyClock::time_point since) {
    return std::chrono::duration_cast<Milliseconds>(SteadyClock::now() - since).count();
}

// The seed of a thread's generator: fixed per test and per thread index.
inline std::mt19937 SeededGenerator(unsigned testSeed, unsigned threadIndex) {
    return std::mt19937(testSeed * 7919u + threadIndex);
}

// One line per run in the test log: what was exercised and how often.
inline void Report(const char* what, long long iterations, const char* unit) {
    std::printf("[ stress   ] %s: %lld %s\n", what, iterations, unit);
    std::fflush(stdout);
}

}  // namespace VeskStress

#endif  // VESK_TESTS_STRESS_SUPPORT_H
