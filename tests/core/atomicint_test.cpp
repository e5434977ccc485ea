// CAtomicInt: results and wrap-around of ref/deref at the limits of `long` on this host, and the
// plain members. Counting from several threads is covered by the stress suite.
#include <vesk/atomicint.h>

#include <gtest/gtest.h>

#include <climits>

namespace {

using Vesk::CAtomicInt;

TEST(AtomicIntTest, RefAndDerefReportWhetherTheNewValueIsNonZero) {
    const struct {
        long start;
        bool increment, result;
        long value;
    } cases[] = {
        {1, false, false, 0},
        {0, false, true, -1},
        {-1, true, false, 0},
        {0, true, true, 1},
        {LONG_MAX, true, true, LONG_MIN},  // wraps at the host's `long`
        {LONG_MIN, false, true, LONG_MAX},
    };
    for (const auto& step : cases) {
        CAtomicInt value(step.start);
        EXPECT_EQ(step.result, step.increment ? value.ref() : value.deref()) << step.start;
        EXPECT_EQ(step.value, static_cast<long>(value)) << step.start;
    }
}

TEST(AtomicIntTest, PlainMembersReadAndWriteTheValue) {
    for (long v : {0L, 1L, -1L, 7L, LONG_MAX, LONG_MIN}) {
        const CAtomicInt value(v);
        EXPECT_EQ(v == 0, !value) << v;
        EXPECT_TRUE(value == v && !(value != v) && value != (v ^ 1L)) << v;
        CAtomicInt assigned(5);
        assigned = CAtomicInt(value);
        EXPECT_EQ(v, static_cast<long>(assigned));
        assigned = 3;
        EXPECT_TRUE(assigned == 3);
    }
}

}  // namespace
