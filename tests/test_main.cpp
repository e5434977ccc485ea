// SPDX-License-Identifier: Apache-2.0
// The main of every unit-test program.
//
// VESK_TEST_BLOCK_SIGUSR1=1 in the environment starts the tests as an Android app process starts
// its threads: with SIGUSR1 blocked. It is blocked here, before any test runs, so every thread the
// tests start (and every worker those threads start) inherits the blocked signal. The library
// itself never reads the environment; this switch belongs to the test programs alone.
#include <gtest/gtest.h>
#include <pthread.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

bool BlockSigusr1Requested() {
    const char* value = std::getenv("VESK_TEST_BLOCK_SIGUSR1");
    return value != nullptr && std::strcmp(value, "1") == 0;
}

bool BlockSigusr1() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGUSR1);
    return pthread_sigmask(SIG_BLOCK, &signals, nullptr) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (BlockSigusr1Requested() && !BlockSigusr1()) {
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
