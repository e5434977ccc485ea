// Every forced-stop scenario of sync/forcedstop.h, 1,000 iterations each, in a child process with
// a time limit (a hang fails the test and names the step it hung in).
#include "sync/forcedstop.h"

namespace {

using namespace VeskForcedStop;

class ForcedStopStress : public ::testing::TestWithParam<sScenario_t> {};

TEST_P(ForcedStopStress, ThousandStopsLeaveEveryObjectUsable) {
    const sScenario_t scenario = GetParam();
    const auto start = Clock::now();
    EXPECT_TRUE(InChild([&] { return scenario.run(1000); }, 100));
    const std::chrono::duration<double> seconds = Clock::now() - start;
    std::printf("[ stress   ] %s: 1000 forced stops in %.1f s\n", scenario.name, seconds.count());
}

INSTANTIATE_TEST_SUITE_P(EveryScenario, ForcedStopStress, ::testing::ValuesIn(c_scenarios),
                         [](const ::testing::TestParamInfo<sScenario_t>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
