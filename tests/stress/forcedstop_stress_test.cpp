// SPDX-License-Identifier: Apache-2.0
// Every forced-stop scenario of sync/forcedstop.h, 1,000 iterations each, in a child process with
// a time limit (a hang fails the test and names the step it hung in). VESK_STRESS_ITERATIONS sets
// another count, for a quicker or a longer run. (The tsan preset leaves the scenarios out; see
// tests/CMakeLists.txt.)
#include "sync/forcedstop.h"

namespace {

using namespace VeskForcedStop;

int Iterations() {
    const char* text = std::getenv("VESK_STRESS_ITERATIONS");
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : 1000;
}

class ForcedStopStress : public ::testing::TestWithParam<sScenario_t> {};

TEST_P(ForcedStopStress, ThousandStopsLeaveEveryObjectUsable) {
    const sScenario_t scenario = GetParam();
    const auto start = Clock::now();
    const int iterations = Iterations();
    EXPECT_TRUE(InChild([&] { return scenario.run(iterations); }, 100));
    const std::chrono::duration<double> seconds = Clock::now() - start;
    std::printf("[ stress   ] %s: %d forced stops in %.1f s\n", scenario.name, iterations,
                seconds.count());
}

INSTANTIATE_TEST_SUITE_P(EveryScenario, ForcedStopStress, ::testing::ValuesIn(c_scenarios), NameOf);

}  // namespace
