// CEvent under many signalling and waiting threads: every auto-reset signal is taken by exactly
// one wait and none is left pending while a waiter blocks; a manual-reset signal releases every
// waiter; reset storms and spurious wake-ups never end a wait early or with the wrong result.
#include <vesk/event.h>

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <thread>
#include <vector>

#include "stress/event_probe.h"
#include "stress/stress_support.h"

namespace {

using Vesk::CEvent;
using namespace VeskStress;

// The accounting of the auto-reset run. A signaller may signal only after winning `token` from 0
// to 1, and the waiter whose wait returns 1 hands the token back; so each signal finds the event
// not signalled (none coalesces) and must be taken by exactly one wait.
struct sAutoResetLedger {
    std::atomic<int> token{0};
    std::atomic<long long> signals{0};
    std::atomic<long long> takes{0};
    std::atomic<long long> takesWithoutToken{0};  // a signal delivered twice
    std::atomic<long long> signalsNotTaken{0};    // still pending after kGenerous
    std::atomic<long long> failedWaits{0};
    std::atomic<bool> stop{false};
    std::atomic<int> waitersRunning{0};
};

bool SignalIfTokenFree(CEvent& event, sAutoResetLedger& ledger) {
    int expected = 0;
    if (!ledger.token.compare_exchange_strong(expected, 1)) {
        return false;
    }
    event.SignalEvent();
    ledger.signals.fetch_add(1);
    return true;
}

void AutoResetWaiter(CEvent& event, sAutoResetLedger& ledger, unsigned index) {
    std::mt19937 random = SeededGenerator(11, index);
    // No limit, a negative (also no limit), a test, and short timed waits.
    const long timeouts[] = {-1, -7, 0, 1, 3, 10, 25};
    while (!ledger.stop.load()) {
        const long timeout = timeouts[random() % (sizeof timeouts / sizeof timeouts[0])];
        const int result = event.WaitForObject(timeout);
        if (result == kSignalled && timeout != 0) {
            ledger.takes.fetch_add(1);
            if (ledger.token.exchange(0) != 1) {
                ledger.takesWithoutToken.fetch_add(1);
            }
        } else if (result != kSignalled && result != kTimedOut) {
            ledger.failedWaits.fetch_add(1);
        }
    }
    ledger.waitersRunning.fetch_sub(1);
}

void AutoResetSignaller(CEvent& event, sAutoResetLedger& ledger, unsigned index) {
    std::mt19937 random = SeededGenerator(12, index);
    while (!ledger.stop.load()) {
        if (!SignalIfTokenFree(event, ledger)) {
            std::this_thread::yield();
            continue;
        }
        // Waiters keep waiting, so a signal that nobody takes means a waiter stayed blocked while
        // the event was signalled.
        if (!EventuallyTrue([&] { return ledger.token.load() == 0; })) {
            ledger.signalsNotTaken.fetch_add(1);
            return;
        }
        if (random() % 4 == 0) {
            std::this_thread::yield();
        }
    }
}

TEST(EventStress, AutoResetSignalIsTakenByExactlyOneWait) {
    CEvent event(false);
    sAutoResetLedger ledger;
    const unsigned kWaiters = 4;
    const unsigned kSignallers = 3;
    ledger.waitersRunning.store(kWaiters);
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < kWaiters; ++i) {
        threads.emplace_back(AutoResetWaiter, std::ref(event), std::ref(ledger), i);
    }
    for (unsigned i = 0; i < kSignallers; ++i) {
        threads.emplace_back(AutoResetSignaller, std::ref(event), std::ref(ledger), i);
    }
    std::this_thread::sleep_for(kRunTime);
    ledger.stop.store(true);
    for (unsigned i = kWaiters; i < threads.size(); ++i) {
        threads[i].join();
    }
    // Waiters blocked without limit still need one signal each to leave.
    const bool waitersLeft = EventuallyTrue([&] {
        SignalIfTokenFree(event, ledger);
        return ledger.waitersRunning.load() == 0;
    });
    for (unsigned i = 0; i < kWaiters; ++i) {
        threads[i].join();
    }
    ASSERT_TRUE(waitersLeft);

    EXPECT_EQ(ledger.takesWithoutToken.load(), 0) << "a signal was delivered twice";
    EXPECT_EQ(ledger.signalsNotTaken.load(), 0) << "a waiter stayed blocked while signalled";
    EXPECT_EQ(ledger.failedWaits.load(), 0);
    const sEventSnapshot end = ReadEvent(event);
    ASSERT_TRUE(end.locked);
    EXPECT_EQ(end.waiters, 0);
    // The last signal may still be pending (nobody was left to take it), and then only that one.
    EXPECT_EQ(ledger.takes.load() + (end.signaled ? 1 : 0), ledger.signals.load());
    EXPECT_EQ(ledger.token.load(), end.signaled ? 1 : 0);
    EXPECT_GT(ledger.takes.load(), 10);
    Report("auto-reset event, 3 signallers / 4 waiters", ledger.signals.load(), "signals");
}

TEST(EventStress, ManualResetSignalReleasesEveryWaiter) {
    CEvent event(true);
    const int kWaiters = 4;
    std::atomic<int> round{0};
    std::atomic<int> released{0};
    std::atomic<int> wrongResults{0};
    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&, i] {
            struct sLeave {
                std::atomic<int>& finished;
                ~sLeave() { finished.fetch_add(1); }
            } leave{finished};
            int seen = 0;
            const long timeout = i % 2 == 0 ? -1 : 600000;
            while (true) {
                while (round.load() == seen && !stop.load()) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                }
                if (stop.load()) {
                    return;
                }
                seen = round.load();
                if (event.WaitForObject(timeout) != kSignalled) {
                    wrongResults.fetch_add(1);
                }
                released.fetch_add(1);
            }
        });
    }
    int rounds = 0;
    bool everyoneReleased = true;
    for (CRunBudget budget; budget.Running() && everyoneReleased;) {
        round.fetch_add(1);
        ASSERT_TRUE(WaitersReach(event, kWaiters));
        event.SignalEvent();
        ++rounds;
        everyoneReleased = EventuallyTrue([&] { return released.load() == rounds * kWaiters; });
        event.ResetEvent();
    }
    stop.store(true);
    // Lets out a waiter that a faulty wake-up left blocked, so a failure does not hang the run.
    EXPECT_TRUE(EventuallyTrue([&] {
        event.SignalEvent();
        return finished.load() == kWaiters;
    }));
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_TRUE(everyoneReleased) << "a waiter stayed blocked after a manual-reset signal";
    EXPECT_EQ(wrongResults.load(), 0);
    EXPECT_GT(rounds, 3);
    Report("manual-reset broadcast to 4 waiters", rounds, "rounds");
}

// What the disturbing thread does to the event while a wait is in progress: each of these wakes the
// waiter, which must find the state false and wait on.
enum EDisturbance { eReset, eSetFalse, eSpuriousBroadcast, eSpuriousSignal, eDisturbanceCount };

void Disturb(CEvent& event, int kind) {
    switch (kind) {
        case eReset:
            event.ResetEvent();
            break;
        case eSetFalse:
            event.SetState(false);
            break;
        case eSpuriousBroadcast:
            pthread_mutex_lock(&event.m_mutex);
            pthread_cond_broadcast(&event.m_cond);
            pthread_mutex_unlock(&event.m_mutex);
            break;
        default:
            pthread_cond_signal(&event.m_cond);
            break;
    }
}

struct sStormCase {
    bool manualReset;
    long timeout;
    bool signalAfterStorm;  // false: the wait must time out
};

// One wait under a storm of resets and spurious wake-ups, optionally ended by a signal sent after
// the storm. Returns the number of disturbances the wait went through.
long long WaitThroughStorm(const sStormCase& test) {
    CEvent event(test.manualReset);
    std::atomic<bool> signalSent{false};
    std::atomic<bool> waitDone{false};
    int result = -1;
    bool returnedBeforeSignal = false;
    long long elapsedMs = 0;
    std::thread waiter([&] {
        const auto start = SteadyClock::now();
        result = event.WaitForObject(test.timeout);
        elapsedMs = ElapsedMs(start);
        returnedBeforeSignal = !signalSent.load();
        waitDone.store(true);
    });
    EXPECT_TRUE(WaitersReach(event, 1));
    long long disturbances = 0;
    const Milliseconds storm(test.signalAfterStorm ? 150 : test.timeout + 100);
    for (CRunBudget budget(storm); budget.Running() && !waitDone.load(); ++disturbances) {
        Disturb(event, static_cast<int>(disturbances % eDisturbanceCount));
    }
    if (test.signalAfterStorm) {
        signalSent.store(true);
        event.SignalEvent();
    }
    waiter.join();
    if (test.signalAfterStorm) {
        EXPECT_EQ(result, kSignalled);
        EXPECT_FALSE(returnedBeforeSignal) << "the wait ended before the event was signalled";
        EXPECT_EQ(event.WaitForObject(0), test.manualReset ? kSignalled : kTimedOut);
    } else {
        EXPECT_EQ(result, kTimedOut);
        EXPECT_GE(elapsedMs, test.timeout);
        EXPECT_LT(elapsedMs, test.timeout + kGenerous.count());
    }
    const sEventSnapshot end = ReadEvent(event);
    EXPECT_TRUE(end.locked);
    EXPECT_EQ(end.waiters, 0);
    return disturbances;
}

TEST(EventStress, ResetStormsAndSpuriousWakeUpsNeverEndAWaitWrongly) {
    const sStormCase cases[] = {
        {false, 200, false}, {true, 200, false}, {false, -1, true},    {true, -1, true},
        {false, -7, true},   {true, -7, true},   {false, 60000, true}, {true, 60000, true},
    };
    long long disturbances = 0;
    for (const sStormCase& test : cases) {
        SCOPED_TRACE(::testing::Message() << "manual " << test.manualReset << ", timeout "
                                          << test.timeout << ", signal " << test.signalAfterStorm);
        disturbances += WaitThroughStorm(test);
    }
    EXPECT_GT(disturbances, 100);
    Report("reset storms and spurious wake-ups", disturbances, "disturbances of 8 waits");
}

}  // namespace
