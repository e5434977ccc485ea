// SPDX-License-Identifier: Apache-2.0
// Performance counters: the report text byte for byte, the file modes, and that nothing is
// recorded while profiling is off. Counting and nesting passes, also from several threads, are
// covered by the stress suite.
#include <vesk/perfcounter.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <iterator>
#include <tuple>

using Vesk::CPerformanceCounter;

// Rows: name, total in nanoseconds, hits. A total beyond 32 bits must not wrap, nor a negative one
// lose its sign; the sixth decimal rounds the fifth; a large total prints without an exponent.
// Names sort byte-wise (upper case first); an empty entry counts in the header but prints no line.
TEST(PerformanceCounter, ReportListsEveryEntryByteWiseWithFiveDecimals) {
    const std::string path = testing::TempDir() + "vesk-report-" + std::to_string(getpid());
    const auto contents = [&path] {
        std::ifstream in(path);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const std::string header = "\n\nDumping Profiler Values.\nCount of profilers: ";
    const std::string columns = "\n\nName\tTime (seconds)\tHit count\n";
    CPerformanceCounter::m_allCounters.clear();
    EXPECT_TRUE(CPerformanceCounter::SaveReport(path.c_str(), false));  // the header alone
    const std::tuple<const char*, long long, int> rows[] = {
        {"alpha", 1500000000, 2}, {"Zeta", 1, 1},           {"Beta", 4000000000, 2},
        {"Mid", 123457000, 3},    {"Late", -2500000000, 1}, {"Huge", 1000000000000000000, 1}};
    for (const auto& [name, total, hits] : rows) {
        CPerformanceCounter::GetCounter(name)->m_totalTime = total;
        CPerformanceCounter::GetCounter(name)->m_hitCount = hits;
    }
    CPerformanceCounter::m_allCounters["Empty"];
    CPerformanceCounter::m_isProfilingAllowed = false;  // records nothing; the report ignores it
    CPerformanceCounter::GetCounter("Zeta")->AddSample(1000000000);
    EXPECT_TRUE(CPerformanceCounter::SaveReport(path.c_str(), true));  // appends
    {
        const CPerformanceCounter::CScopeTimer timer(*CPerformanceCounter::GetCounter("Zeta"));
        CPerformanceCounter::m_isProfilingAllowed = true;  // a pass begun while off is not recorded
    }
    const std::string report = header + "7" + columns + "Beta\t4.00000\t2\n" +
                               "Huge\t1000000000.00000\t1\nLate\t-2.50000\t1\nMid\t0.12346\t3\n" +
                               "Zeta\t0.00000\t1\nalpha\t1.50000\t2\n";
    EXPECT_EQ(contents(), header + "0" + columns + report);
    EXPECT_TRUE(CPerformanceCounter::SaveReport(path.c_str(), false));  // replaces
    EXPECT_EQ(contents(), report);
    std::remove(path.c_str());
    EXPECT_FALSE(CPerformanceCounter::SaveReport(static_cast<FILE*>(nullptr)));
    EXPECT_FALSE(CPerformanceCounter::SaveReport((path + ".missing/report").c_str(), true));
}

// Passes nest to any depth: 1,000 open passes alternating over two counters all close and count,
// and a Stop with no pass of its own on this thread records nothing.
TEST(PerformanceCounter, DeeplyNestedPassesAreAllRecorded) {
    CPerformanceCounter::m_isProfilingAllowed = true;
    const auto even = CPerformanceCounter::GetCounter("nesting.even");
    const auto odd = CPerformanceCounter::GetCounter("nesting.odd");
    const int depth = 1000;
    for (int level = 0; level < depth; ++level) {
        (level % 2 ? odd : even)->Start();
    }
    for (int level = depth; level-- > 0;) {
        (level % 2 ? odd : even)->Stop();
    }
    even->Stop();
    EXPECT_EQ(depth / 2, even->m_hitCount);
    EXPECT_EQ(depth / 2, odd->m_hitCount);
    EXPECT_GE(even->m_totalTime, odd->m_totalTime);  // every even pass encloses an odd one
}
