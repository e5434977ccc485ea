// CPerformanceCounter counted from several threads at once: no pass and no nanosecond lost, and
// one counter per name however many threads ask for it first.
#include <vesk/perfcounter.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "stress/stress_support.h"

namespace {

using Vesk::CPerformanceCounter;
using Vesk::CRefCountPtr;
using namespace VeskStress;

TEST(PerfCounterStress, PassesFromSeveralThreadsAreAllCounted) {
    ASSERT_TRUE(CPerformanceCounter::m_isProfilingAllowed);
    const unsigned kThreads = 4;
    std::atomic<long long> samples{0};
    std::atomic<long long> sampleNanoseconds{0};
    std::atomic<long long> timedPasses{0};
    std::atomic<long long> rounds{0};
    std::vector<CPerformanceCounter*> firstSeen(kThreads * 8, nullptr);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            std::mt19937 random = SeededGenerator(61, t);
            // Every thread asks for the same new names at about the same time.
            for (unsigned n = 0; n < 8; ++n) {
                const std::string name = "stress.name." + std::to_string(n);
                firstSeen[t * 8 + n] = CPerformanceCounter::GetCounter(name.c_str()).get();
            }
            CRefCountPtr<CPerformanceCounter> exact =
                CPerformanceCounter::GetCounter("stress.samples");
            CRefCountPtr<CPerformanceCounter> timed =
                CPerformanceCounter::GetCounter("stress.timed");
            for (CRunBudget budget; budget.Running(); rounds.fetch_add(1)) {
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
                    CPerformanceCounter::CScopeTimer pass(*timed);
                    timedPasses.fetch_add(1);
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const CRefCountPtr<CPerformanceCounter> exact =
        CPerformanceCounter::GetCounter("stress.samples");
    const CRefCountPtr<CPerformanceCounter> timed = CPerformanceCounter::GetCounter("stress.timed");
    EXPECT_EQ(exact->m_hitCount, samples.load());
    EXPECT_EQ(exact->m_totalTime, sampleNanoseconds.load());
    EXPECT_EQ(timed->m_hitCount, timedPasses.load());
    EXPECT_GE(timed->m_totalTime, 0);
    for (unsigned n = 0; n < 8; ++n) {
        for (unsigned t = 1; t < kThreads; ++t) {
            EXPECT_EQ(firstSeen[t * 8 + n], firstSeen[n]) << "two counters for one name";
        }
    }
    Report("CPerformanceCounter passes from 4 threads", samples.load() + timedPasses.load(),
           "passes");
}

}  // namespace
