// SPDX-License-Identifier: Apache-2.0
// The test switch VESK_TEST_BLOCK_SIGUSR1=1 (see tests/test_main.cpp) must really start the tests
// with SIGUSR1 blocked, in the test thread and in threads it starts; otherwise a run that claims
// to cover Android's signal setting covers nothing.
#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

bool Sigusr1BlockedHere() {
    sigset_t current;
    sigemptyset(&current);
    return pthread_sigmask(SIG_BLOCK, nullptr, &current) == 0 &&
           sigismember(&current, SIGUSR1) == 1;
}

TEST(TestSignalSwitch, BlocksSigusr1InTestThreadsWhenSet) {
    const char* value = std::getenv("VESK_TEST_BLOCK_SIGUSR1");
    if (value == nullptr || std::strcmp(value, "1") != 0) {
        GTEST_SKIP() << "VESK_TEST_BLOCK_SIGUSR1 is not set to 1";
    }
    EXPECT_TRUE(Sigusr1BlockedHere());
    bool blockedInStartedThread = false;
    std::thread([&blockedInStartedThread] {
        blockedInStartedThread = Sigusr1BlockedHere();
    }).join();
    EXPECT_TRUE(blockedInStartedThread);
}

}  // namespace
