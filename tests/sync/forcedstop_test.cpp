// SPDX-License-Identifier: Apache-2.0
// Forced stops never abort the process nor leave a library object unusable: every scenario of
// sync/forcedstop.h, a few iterations each, in a child process with a time limit. The stress
// suite runs the same scenarios 1,000 times each.
#include "sync/forcedstop.h"

namespace {

using namespace VeskForcedStop;

class ForcedStop : public ::testing::TestWithParam<sScenario_t> {};

TEST_P(ForcedStop, LeavesEveryObjectUsable) {
    const sScenario_t scenario = GetParam();
    EXPECT_TRUE(InChild([&] { return scenario.run(25); }, 60));
}

INSTANTIATE_TEST_SUITE_P(EveryScenario, ForcedStop, ::testing::ValuesIn(c_scenarios), NameOf);

}  // namespace
