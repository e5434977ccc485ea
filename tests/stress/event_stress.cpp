// CEvent under many signalling and waiting threads: every auto-reset signal is taken by exactly
// one wait and none is left pending while a waiter blocks; a manual-reset signal releases every
// waiter; reset storms and spurious wake-ups never end a wait early or with the wrong result.
#include <vesk/event.h>

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <thread>

#include "stress/stress_support.h"

namespace {

using Vesk::CEvent;
using namespace VeskStress;

// The accounting of the auto-reset run. A signaller may signal only after winning `token` from 0
// to 1, and the waiter whose blocking wait returns 1 hands the token back; so each signal finds
// the event not signalled (none coalesces) and must be taken by exactly one wait.
struct sAutoResetLedger {
    CEvent event{false};
    std::atomic<int> token{0}, waitersRunning{0}, signallersRunning{0};
    std::atomic<long long> signals{0}, takes{0};
    std::atomic<long long> takesWithoutToken{0};  // a signal delivered twice
    std::atomic<long long> signalsNotTaken{0};    // still pending after kGenerous
    std::atomic<long long> failedWaits{0};
    std::atomic<bool> stop{false};

    bool SignalIfTokenFree() {
        int expected = 0;
        if (!token.compare_exchange_strong(expected, 1)) {
            return false;
        }
        event.SignalEvent();
        signals.fetch_add(1);
        return true;
    }

    void Wait(std::mt19937& random) {
        // No limit, a negative (also no limit), a test, and short timed waits.
        const long timeouts[] = {-1, -7, 0, 1, 3, 10, 25};
        const long timeout = timeouts[random() % 7];
        const int result = event.WaitForObject(timeout);
        if (result == kSignalled && timeout != 0) {
            takes.fetch_add(1);
            takesWithoutToken += token.exchange(0) != 1;
        } else if (result != kSignalled && result != kTimedOut) {
            failedWaits.fetch_add(1);
        }
    }

    // Waiters keep waiting, so a signal that nobody takes means a waiter stayed blocked while the
    // event was signalled.
    void Signal(std::mt19937& random) {
        if (!SignalIfTokenFree()) {
            std::this_thread::yield();
        } else if (!EventuallyTrue([&] { return token.load() == 0; })) {
            signalsNotTaken.fetch_add(1);
            stop = true;
        } else if (random() % 4 == 0) {
            std::this_thread::yield();
        }
    }
};

TEST(EventStress, AutoResetSignalIsTakenByExactlyOneWait) {
    sAutoResetLedger ledger;
    const unsigned kWaiters = 4, kSignallers = 3;
    ledger.waitersRunning = kWaiters;
    ledger.signallersRunning = kSignallers;
    bool waitersLeft = false;
    RunOnThreads(kWaiters + kSignallers + 1, [&](unsigned index) {
        std::mt19937 random = SeededGenerator(11, index);
        if (index < kWaiters) {
            while (!ledger.stop) {
                ledger.Wait(random);
            }
            ledger.waitersRunning.fetch_sub(1);
        } else if (index < kWaiters + kSignallers) {
            while (!ledger.stop) {
                ledger.Signal(random);
            }
            ledger.signallersRunning.fetch_sub(1);
        } else {
            std::this_thread::sleep_for(kRunTime);
            ledger.stop = true;
            // Waiters blocked without limit still need one signal each to leave.
            EventuallyTrue([&] { return ledger.signallersRunning == 0; });
            waitersLeft = EventuallyTrue([&] {
                ledger.SignalIfTokenFree();
                return ledger.waitersRunning == 0;
            });
        }
    });
    ASSERT_TRUE(waitersLeft);
    EXPECT_EQ(ledger.takesWithoutToken.load(), 0) << "a signal was delivered twice";
    EXPECT_EQ(ledger.signalsNotTaken.load(), 0) << "a waiter stayed blocked while signalled";
    EXPECT_EQ(ledger.failedWaits.load(), 0);
    const sEventSnapshot end = ReadEvent(ledger.event);
    ASSERT_TRUE(end.locked);
    EXPECT_EQ(end.waiters, 0);
    // The last signal may still be pending (nobody was left to take it), and then only that one.
    EXPECT_EQ(ledger.takes.load() + (end.signaled ? 1 : 0), ledger.signals.load());
    EXPECT_EQ(ledger.token.load(), end.signaled ? 1 : 0);
    EXPECT_GT(ledger.takes.load(), 10);
    Report("auto-reset event, 3 signallers / 4 waiters", ledger.signals.load(), "signals");
}

// Each round: every waiter blocks (half without limit, half with a long one), one signal, and all
// of them must come out with 1 before the reset.
TEST(EventStress, ManualResetSignalReleasesEveryWaiter) {
    CEvent event(true);
    const unsigned kWaiters = 4;
    std::atomic<int> round{0}, released{0}, wrongResults{0}, finished{0};
    std::atomic<bool> stop{false};
    int rounds = 0;
    bool everyoneReleased = true;
    RunOnThreads(kWaiters + 1, [&](unsigned index) {
        if (index < kWaiters) {
            // `seen` is the round this waiter last took part in, read before its wait: reading
            // the counter after the wait could already see the next round and skip it.
            for (int seen = 0;;) {
                int current = round;
                while (current == seen && !stop) {
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                    current = round;
                }
                if (stop) {
                    break;
                }
                wrongResults += event.WaitForObject(index % 2 == 0 ? -1 : 600000) != kSignalled;
                released.fetch_add(1);
                seen = current;
            }
            finished.fetch_add(1);
            return;
        }
        for (CRunBudget budget; budget.Running() && everyoneReleased;) {
            round.fetch_add(1);
            if (!WaitersReach(event, kWaiters)) {
                everyoneReleased = false;
                break;
            }
            event.SignalEvent();
            ++rounds;
            everyoneReleased =
                EventuallyTrue([&] { return released == rounds * static_cast<int>(kWaiters); });
            event.ResetEvent();
        }
        stop = true;
        // Lets out a waiter that a faulty wake-up left blocked, so a failure does not hang the run.
        EventuallyTrue([&] {
            event.SignalEvent();
            return finished == static_cast<int>(kWaiters);
        });
    });
    EXPECT_TRUE(everyoneReleased) << "a waiter stayed blocked after a manual-reset signal";
    EXPECT_EQ(wrongResults.load(), 0);
    EXPECT_GT(rounds, 3);
    Report("manual-reset broadcast to 4 waiters", rounds, "rounds");
}

// What the disturbing thread does to the event while a wait is in progress: each of these wakes
// the waiter, which must find the state false and wait on.
void Disturb(CEvent& event, long long kind) {
    switch (kind % 4) {
        case 0:
            event.ResetEvent();
            break;
        case 1:
            event.SetState(false);
            break;
        case 2:
            pthread_mutex_lock(&event.m_mutex);
            pthread_cond_broadcast(&event.m_cond);
            pthread_mutex_unlock(&event.m_mutex);
            break;
        default:
            pthread_cond_signal(&event.m_cond);
            break;
    }
}

// One wait under a storm of resets and spurious wake-ups, ended by a signal sent after the storm
// or else by its time-out. Returns the number of disturbances the wait went through.
long long WaitThroughStorm(bool manualReset, long timeout, bool signalAfterStorm) {
    CEvent event(manualReset);
    std::atomic<bool> signalSent{false}, waitDone{false};
    int result = -1;
    bool returnedBeforeSignal = false;
    long long elapsedMs = 0;
    std::thread waiter([&] {
        const auto start = SteadyClock::now();
        result = event.WaitForObject(timeout);
        elapsedMs = ElapsedMs(start);
        returnedBeforeSignal = !signalSent;
        waitDone = true;
    });
    EXPECT_TRUE(WaitersReach(event, 1));
    long long disturbances = 0;
    const Milliseconds storm(signalAfterStorm ? 150 : timeout + 100);
    for (CRunBudget budget(storm); budget.Running() && !waitDone; ++disturbances) {
        Disturb(event, disturbances);
    }
    if (signalAfterStorm) {
        signalSent = true;
        event.SignalEvent();
    }
    waiter.join();
    if (signalAfterStorm) {
        EXPECT_EQ(result, kSignalled);
        EXPECT_FALSE(returnedBeforeSignal) << "the wait ended before the event was signalled";
        EXPECT_EQ(event.WaitForObject(0), manualReset ? kSignalled : kTimedOut);
    } else {
        EXPECT_EQ(result, kTimedOut);
        EXPECT_GE(elapsedMs, timeout);
        EXPECT_LT(elapsedMs, timeout + kGenerous.count());
    }
    const sEventSnapshot end = ReadEvent(event);
    EXPECT_TRUE(end.locked);
    EXPECT_EQ(end.waiters, 0);
    return disturbances;
}

TEST(EventStress, ResetStormsAndSpuriousWakeUpsNeverEndAWaitWrongly) {
    long long disturbances = 0;
    for (bool manualReset : {false, true}) {
        for (long timeout : {200L, -1L, -7L, 60000L}) {
            SCOPED_TRACE(::testing::Message()
                         << "manual " << manualReset << ", timeout " << timeout);
            disturbances += WaitThroughStorm(manualReset, timeout, timeout != 200);
        }
    }
    EXPECT_GT(disturbances, 100);
    Report("reset storms and spurious wake-ups", disturbances, "disturbances of 8 waits");
}

}  // namespace
