// CPerformanceCounter counted from several threads at once: no pass and no nanosecond lost (also
// beyond 32 bits), and one counter per name however many threads ask for it first.
#include <vesk/perfcounter.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "stress/stress_support.h"

namespace {

using Vesk::CPerformanceCounter;
using Counter = Vesk::CRefCountPtr<CPerformanceCounter>;
using namespace VeskStress;

TEST(PerfCounterStress, PassesFromSeveralThreadsAreAllCounted) {
    ASSERT_TRUE(CPerformanceCounter::m_isProfilingAllowed);
    const unsigned kThreads = 4, kNames = 8;
    std::atomic<long long> samples{0}, sampleNanoseconds{0}, timedPasses{0};
    std::vector<CPerformanceCounter*> firstSeen(kThreads * kNames, nullptr);
    RunOnThreads(kThreads, [&](unsigned t) {
        std::mt19937 random = SeededGenerator(61, t);
        // Every thread asks for the same new names at about the same time.
        for (unsigned n = 0; n < kNames; ++n) {
            const std::string name = "stress.name." + std::to_string(n);
            firstSeen[t * kNames + n] = CPerformanceCounter::GetCounter(name.c_str()).get();
        }
        const Counter exact = CPerformanceCounter::GetCounter("stress.samples");
        const Counter timed = CPerformanceCounter::GetCounter("stress.timed");
        for (CRunBudget budget; budget.Running();) {
            const long long ns = static_cast<long long>(random() % 5000000000ull);
            exact->AddSample(ns);
            samples.fetch_add(1);
            sampleNanoseconds.fetch_add(ns);
            if (random() % 2 == 0) {
                timed->Start();
                timed->Start();  // nested passes on one thread
                timed->Stop();
                timed->Stop();
                timedPasses.fetch_add(2);
            } else {
                const CPerformanceCounter::CScopeTimer pass(*timed);
                timedPasses.fetch_add(1);
            }
        }
    });
    const Counter exact = CPerformanceCounter::GetCounter("stress.samples");
    const Counter timed = CPerformanceCounter::GetCounter("stress.timed");
    EXPECT_EQ(exact->m_hitCount, samples.load());
    EXPECT_EQ(exact->m_totalTime, sampleNanoseconds.load());
    EXPECT_EQ(timed->m_hitCount, timedPasses.load());
    for (unsigned i = kNames; i < firstSeen.size(); ++i) {
        EXPECT_EQ(firstSeen[i], firstSeen[i % kNames]) << "two counters for one name";
    }
    Report("CPerformanceCounter passes from 4 threads", samples.load() + timedPasses.load(),
           "passes");
}

}  // namespace
