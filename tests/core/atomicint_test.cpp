// CAtomicInt: results and wrap-around of ref/deref at the limits of `long` on this host, the plain
// members, and counting by several threads at once.
#include <vesk/atomicint.h>

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>
#include <vector>

namespace {

using Vesk::CAtomicInt;

struct StepCase {
    long start;
    bool increment;
    bool expectedResult;
    long expectedValue;
};

TEST(AtomicIntTest, RefAndDerefReportWhetherTheNewValueIsNonZero) {
    const StepCase cases[] = {
        {1, false, false, 0},
        {0, false, true, -1},
        {-1, true, false, 0},
        {0, true, true, 1},
        {LONG_MAX, true, true, LONG_MIN},  // wraps at the host's `long`
        {LONG_MIN, false, true, LONG_MAX},
    };
    for (const StepCase& step : cases) {
        CAtomicInt value(step.start);
        const bool result = step.increment ? value.ref() : value.deref();
        EXPECT_EQ(step.expectedResult, result) << "start " << step.start;
        EXPECT_EQ(step.expectedValue, static_cast<long>(value)) << "start " << step.start;
    }
}

TEST(AtomicIntTest, IsOneLongWord) {
    EXPECT_EQ(sizeof(long), sizeof(CAtomicInt));
}

TEST(AtomicIntTest, PlainMembersReadAndWriteTheValue) {
    for (long v : {0L, 1L, -1L, 7L, LONG_MAX, LONG_MIN}) {
        CAtomicInt value(v);
        EXPECT_EQ(v == 0, !value) << v;
        EXPECT_TRUE(value == v);
        EXPECT_FALSE(value != v);
        EXPECT_TRUE(value != (v ^ 1L));
        const CAtomicInt copy(value);
        EXPECT_EQ(v, static_cast<long>(copy));
        CAtomicInt assigned(5);
        assigned = copy;
        EXPECT_EQ(v, static_cast<long>(assigned));
        assigned = 3;
        EXPECT_TRUE(assigned == 3);
    }
}

// Concurrent increments lose nothing, and of the concurrent decrements back to zero exactly one
// (the last) reports it.
TEST(AtomicIntTest, ThreadsCountWithoutLossAndOneDerefSeesZero) {
    const int threads = 4;
    const int perThread = 20000;
    CAtomicInt count(0);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < perThread; ++i) {
                count.ref();
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    ASSERT_EQ(static_cast<long>(threads) * perThread, static_cast<long>(count));

    workers.clear();
    std::atomic<int> zeroReports{0};
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < perThread; ++i) {
                if (!count.deref()) {
                    ++zeroReports;
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(0, static_cast<long>(count));
    EXPECT_EQ(1, zeroReports.load());
}

}  // namespace
