// SPDX-License-Identifier: Apache-2.0
// Which x86-64 level of the conversion loops a process runs: the highest the processor has,
// never above the build's limit. (Every level's loops run the whole text suite in CI: the builds
// limited with VESK_TEXT_KERNELS=sse2 and =ssse3, and the unlimited one on a processor with AVX2.)
#include <gtest/gtest.h>

#include "text/kernellevel.h"

namespace {

using namespace Vesk::Text;

TEST(KernelLevel, HighestThatProcessorAndBuildAllow) {
    const struct {
        bool ssse3, avx2;
        EKernelLevel cap, expected;
    } cases[] = {
        {false, false, eLevelAvx2, eLevelSse2},
        {true, false, eLevelAvx2, eLevelSsse3},
        {true, true, eLevelAvx2, eLevelAvx2},
        {true, true, eLevelSsse3, eLevelSsse3},
        {true, true, eLevelSse2, eLevelSse2},
        {true, false, eLevelSse2, eLevelSse2},
        {false, false, eLevelSsse3, eLevelSse2},
        // AVX2 without SSE4.1 does not occur; should a virtual machine report it, the AVX2
        // loops (which use SSE4.1 too) are not chosen.
        {false, true, eLevelAvx2, eLevelSse2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ChooseKernelLevel(c.ssse3, c.avx2, c.cap), c.expected)
            << c.ssse3 << c.avx2 << c.cap;
    }
}

}  // namespace
