// Performance counters: the report text byte for byte, the file modes, and the counting side
// (counting from several threads is covered by the stress suite).
// Each test runs on an empty table: the fixture puts the process-wide table aside and gives it
// back afterwards, so other tests find it as they left it.
#include <vesk/perfcounter.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

using Vesk::CPerformanceCounter;
using CounterPtr = Vesk::CRefCountPtr<CPerformanceCounter>;

std::string Header(int count) {
    return "\n\nDumping Profiler Values.\nCount of profilers: " + std::to_string(count) +
           "\n\nName\tTime (seconds)\tHit count\n";
}

std::string ReadAll(FILE* file) {
    std::string text;
    std::rewind(file);
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        text += static_cast<char>(c);
    }
    return text;
}

std::string ReportText() {
    FILE* file = std::tmpfile();
    EXPECT_TRUE(CPerformanceCounter::SaveReport(file));
    const std::string text = ReadAll(file);
    std::fclose(file);
    return text;
}

void Sample(const char* name, long long nanoseconds, int passes) {
    for (int i = 0; i < passes; ++i) {
        CPerformanceCounter::GetCounter(name)->AddSample(nanoseconds);
    }
}

class PerformanceCounter : public testing::Test {
  protected:
    void SetUp() override { CPerformanceCounter::m_allCounters.swap(m_saved); }
    void TearDown() override {
        CPerformanceCounter::m_allCounters.swap(m_saved);
        CPerformanceCounter::m_isProfilingAllowed = true;
    }

  private:
    std::map<std::string, CounterPtr> m_saved;
};

TEST_F(PerformanceCounter, ReportListsCountersByByteOrderWithFiveDecimals) {
    EXPECT_EQ(ReportText(), Header(0));
    Sample("alpha", 750000000, 2);                // 1.5 s over two passes
    Sample("Zeta", 1, 1);                         // rounds to zero
    Sample("Beta", 2000000000, 2);                // 4 s: beyond 32 bits
    Sample("Mid", 123456789, 3);                  // 0.370370367 s: rounded, not cut
    Sample("Huge", 1000000000000000000LL, 1);     // fixed notation, no exponent
    CPerformanceCounter::m_allCounters["Empty"];  // counted in the header, not printed
    const std::string expected = Header(6) +
                                 "Beta\t4.00000\t2\n"
                                 "Huge\t1000000000.00000\t1\n"
                                 "Mid\t0.37037\t3\n"
                                 "Zeta\t0.00000\t1\n"
                                 "alpha\t1.50000\t2\n";
    EXPECT_EQ(ReportText(), expected);
    CPerformanceCounter::m_isProfilingAllowed = false;  // the report does not look at it
    EXPECT_EQ(ReportText(), expected);
}

TEST_F(PerformanceCounter, FileIsAppendedToOrReplacedAndBadTargetsAreRefused) {
    Sample("file", 2500000000LL, 1);
    const std::string report = Header(1) + "file\t2.50000\t1\n";
    const std::string path = testing::TempDir() + "vesk-report-" + std::to_string(getpid());
    const auto contents = [&path] {
        FILE* in = std::fopen(path.c_str(), "r");
        const std::string text = ReadAll(in);
        std::fclose(in);
        return text;
    };
    FILE* file = std::fopen(path.c_str(), "w");
    ASSERT_NE(file, nullptr);
    std::fputs("earlier text\n", file);
    std::fclose(file);
    EXPECT_TRUE(CPerformanceCounter::SaveReport(path.c_str(), true));
    EXPECT_EQ(contents(), "earlier text\n" + report);
    EXPECT_TRUE(CPerformanceCounter::SaveReport(path.c_str(), false));
    EXPECT_EQ(contents(), report);
    std::remove(path.c_str());

    EXPECT_FALSE(CPerformanceCounter::SaveReport(static_cast<FILE*>(nullptr)));
    EXPECT_FALSE(CPerformanceCounter::SaveReport(static_cast<const char*>(nullptr), true));
    const std::string missing = testing::TempDir() + "vesk-no-such-dir/report.txt";
    EXPECT_FALSE(CPerformanceCounter::SaveReport(missing.c_str(), true));
    EXPECT_EQ(access(missing.c_str(), F_OK), -1);
}

TEST_F(PerformanceCounter, GetCounterFindsOrCreatesOneEntryPerName) {
    CounterPtr first = CPerformanceCounter::GetCounter("shared");
    ASSERT_TRUE(first);
    EXPECT_STREQ(first->m_name, "shared");
    EXPECT_EQ(CPerformanceCounter::GetCounter("shared"), first);
    EXPECT_NE(CPerformanceCounter::GetCounter("Shared"), first);
    EXPECT_FALSE(CPerformanceCounter::GetCounter(nullptr));
    CPerformanceCounter::m_allCounters["refill"];  // an empty entry is filled in place
    EXPECT_TRUE(CPerformanceCounter::GetCounter("refill"));
    EXPECT_EQ(CPerformanceCounter::m_allCounters.size(), 3u);
}

TEST_F(PerformanceCounter, NothingIsRecordedWhileProfilingIsOff) {
    CounterPtr counter = CPerformanceCounter::GetCounter("gated");
    CPerformanceCounter::m_isProfilingAllowed = false;
    counter->AddSample(100);
    counter->Start();
    counter->Stop();
    { const CPerformanceCounter::CScopeTimer timer(*counter); }
    CPerformanceCounter::m_isProfilingAllowed = true;
    counter->Start();  // opened while on, closed while off: nothing
    CPerformanceCounter::m_isProfilingAllowed = false;
    counter->Stop();
    CPerformanceCounter::m_isProfilingAllowed = true;
    counter->Stop();  // that pass is closed: nothing left to close
    EXPECT_EQ(counter->m_hitCount, 0);
    EXPECT_EQ(counter->m_totalTime, 0);
}

TEST_F(PerformanceCounter, TimedPassesMeasureAtLeastTheirLengthAndNestPerThread) {
    CounterPtr outer = CPerformanceCounter::GetCounter("outer");
    CounterPtr inner = CPerformanceCounter::GetCounter("inner");
    const long long twoMs = 2000000;
    outer->Start();
    {
        const CPerformanceCounter::CScopeTimer timer(*inner);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    outer->Start();  // a second pass of the same counter, inside the first
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    outer->Stop();
    std::thread([&outer] { outer->Stop(); }).join();  // that thread has no pass open
    EXPECT_EQ(outer->m_hitCount, 1);
    outer->Stop();
    EXPECT_EQ(outer->m_hitCount, 2);
    EXPECT_GE(outer->m_totalTime, 3 * twoMs);  // passes of at least 4 ms and 2 ms
    EXPECT_EQ(inner->m_hitCount, 1);
    EXPECT_GE(inner->m_totalTime, twoMs);

    for (int i = 0; i < 40; ++i) {  // deeper than the 32 passes a thread keeps open
        inner->Start();
    }
    for (int i = 0; i < 40; ++i) {
        inner->Stop();
    }
    EXPECT_EQ(inner->m_hitCount, 1 + 32);
}

}  // namespace
