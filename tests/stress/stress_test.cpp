// SPDX-License-Identifier: Apache-2.0
// Every waitable and counted object on many threads at once. Each run goes through one driver: a
// few threads busy for a fixed wall time (the same natively, under the sanitizers and under
// emulation), each with its own generator from a fixed seed, adding up the faults they see.
#include <vesk/vesk.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

const int kSignalled = Vesk::CSynchronizationObject::eWaitSignaled;
const int kTimedOut = Vesk::CSynchronizationObject::eWaitTimeout;
// How long a run keeps its threads busy, and how long something that must happen may take on a
// loaded or emulated machine (past it, it is a lost wake-up or a deadlock, not slowness).
constexpr Milliseconds kRunTime{1000}, kGenerous{10000};

void Pause() {
    std::this_thread::sleep_for(std::chrono::microseconds(100));
}

// Polls `condition` until it holds (true) or kGenerous passes (false).
template <class Condition>
bool EventuallyTrue(Condition condition) {
    bool holds = false;
    for (const auto end = Clock::now() + kGenerous; !(holds = condition()) && Clock::now() < end;) {
        Pause();
    }
    return holds;
}

// Set when the time of the current run has passed.
std::atomic<bool> g_runOver{false};

// Calls body(index, random) over and over on `threads` threads until kRunTime has passed; then,
// until every thread has returned, calls `nudge` here to let out threads that a test keeps
// blocked or busy on purpose. Returns the sum of what the calls returned: the faults they saw.
template <class Body, class Nudge = void (*)()>
long long RunStress(unsigned threads, unsigned seed, Body body, Nudge nudge = Pause) {
    std::atomic<unsigned> running{threads};
    std::atomic<long long> faults{0};
    std::vector<std::thread> pool;
    g_runOver = false;
    for (unsigned index = 0; index < threads; ++index) {
        pool.emplace_back([&, index] {
            for (std::mt19937 random(seed * 7919u + index); !g_runOver;) {
                faults += body(index, random);
            }
            running.fetch_sub(1);
        });
    }
    std::this_thread::sleep_for(kRunTime);
    for (g_runOver = true; running != 0; Pause()) {
        nudge();
    }
    for (std::thread& thread : pool) {
        thread.join();
    }
    return faults;
}

// The waiter count of `event`, read under its mutex; -1 when the mutex stays locked (left so by a
// thread that ended inside a wait).
int Waiters(Vesk::CEvent& event) {
    if (!EventuallyTrue([&] { return pthread_mutex_trylock(&event.m_mutex) == 0; })) {
        return -1;
    }
    const int waiters = event.m_waiters;
    pthread_mutex_unlock(&event.m_mutex);
    return waiters;
}

// A signaller signals only after taking `token` from 0 to 1, and the wait that takes the signal
// hands the token back, so each signal finds the event not signalled and must be taken by exactly
// one wait. Threads 0-3 wait without limit (or practically so) until the signallers 4 and 5 are
// done, so every signal must be taken; the signallers also wake them spuriously.
TEST(EventStress, AutoResetSignalIsTakenByExactlyOneWait) {
    Vesk::CEvent event(false);
    std::atomic<int> token{0}, signallers{2};
    const auto signalIfFree = [&] {
        int free = 0;
        return token.compare_exchange_strong(free, 1) && (event.SignalEvent(), true);
    };
    const auto body = [&](unsigned index, std::mt19937& random) {
        long long faults = 0;
        while (index < 4 && signallers != 0) {
            const int result = event.WaitForObject(index % 2 ? -1 - long(random() % 8) : 600000);
            faults += result != kSignalled || token.exchange(0) != 1;  // failed, or taken twice
        }
        for (; index >= 4 && !g_runOver; std::this_thread::yield()) {
            pthread_cond_broadcast(&event.m_cond);
            faults += signalIfFree() && !EventuallyTrue([&] { return token == 0; });
        }
        signallers -= index >= 4;
        return faults;
    };
    // After the run, signals let out the waiters blocked without limit.
    EXPECT_EQ(RunStress(6, 11, body, signalIfFree), 0) << "a signal taken twice, or by nobody";
}

// Auto-reset events signalled by threads 5 and 6 while threads 0-1 wait for any and 2-3 for all
// of overlapping sets, and thread 4 waits on one event alone. As above, an event is signalled
// only by the one who takes its token from 0 to 1, and every wait hands back the token of each
// signal it takes: a signal taken twice shows at once, and a wait-all that took part of its set
// leaves a token handed back for an event still signalled. At the end every signal sent is taken
// or still pending, and an event is signalled exactly when its token is out. The waits have no
// practical limit and the end of the run keeps every event signalled until all waiters are out,
// so a waiter asleep while its set is signalled runs into the limit and counts as a fault.
TEST(EventStress, WaitsOnSeveralEventsTakeEverySignalExactlyOnce) {
    using Sync = Vesk::CSynchronizationObject;
    Vesk::CEvent events[4] = {Vesk::CEvent(false), Vesk::CEvent(false), Vesk::CEvent(false),
                              Vesk::CEvent(false)};
    std::atomic<int> tokens[4] = {};
    std::atomic<long long> sent{0}, taken{0};
    const std::vector<std::vector<int>> sets = {{0, 1, 2}, {1, 2, 3}, {0, 1}, {3, 1, 2}, {3}};
    const auto signalIfFree = [&](int event) {
        int free = 0;
        if (tokens[event].compare_exchange_strong(free, 1)) {
            sent.fetch_add(1);
            events[event].SignalEvent();
        }
    };
    const auto signalAllFree = [&] {
        for (int event = 0; event < 4; ++event) {
            signalIfFree(event);
        }
        Pause();
    };
    const auto body = [&](unsigned index, std::mt19937& random) -> long long {
        if (index >= sets.size()) {
            signalIfFree(random() % 4);
            std::this_thread::yield();
            return 0;
        }
        const std::vector<int>& set = sets[index];
        Sync* objects[3];
        for (size_t i = 0; i < set.size(); ++i) {
            objects[i] = &events[set[i]];
        }
        const bool waitAll = index == 2 || index == 3;
        int which = 0;
        const int result = index == 4 ? events[3].WaitForObject(kGenerous.count())
                                      : Sync::WaitForObjects(objects, static_cast<int>(set.size()),
                                                             waitAll, kGenerous.count(), &which);
        if (result != kSignalled) {
            return 1;
        }
        long long faults = 0;
        for (size_t i = 0; i < set.size(); ++i) {
            if (waitAll || static_cast<int>(i) == which) {
                faults += tokens[set[i]].exchange(0) != 1;
                taken.fetch_add(1);
            }
        }
        return faults;
    };
    EXPECT_EQ(RunStress(7, 13, body, signalAllFree), 0) << "a signal taken twice, or never";
    long long pending = 0;
    for (int event = 0; event < 4; ++event) {
        EXPECT_EQ(tokens[event] == 1, events[event].WaitForObject(0) == kSignalled) << event;
        pending += tokens[event];
    }
    EXPECT_EQ(sent.load(), taken + pending);
    // The run must have exercised the waits; a run of fixed time under a sanitizer on a loaded
    // machine takes a few hundred signals, a free one many thousands.
    EXPECT_GT(taken.load(), 100);
}

// Each round: every waiter blocks, one signal, all of them must come out with 1, then the reset;
// a released waiter waits again only after it. The last round leaves the event set, and so lets
// the waiters go; a waiter a lost wake-up left blocked leaves with a time-out (and a fault).
TEST(EventStress, ManualResetSignalReleasesEveryWaiter) {
    Vesk::CEvent event(true);
    std::atomic<int> released{0};
    std::atomic<bool> done{false};
    const auto body = [&](unsigned index, std::mt19937&) {
        long long faults = 0;
        while (index < 4 && !done) {
            faults += event.WaitForObject(kGenerous.count()) != kSignalled;
            released.fetch_add(1);
            faults += !EventuallyTrue([&] { return done || event.WaitForObject(0) != kSignalled; });
        }
        while (index == 4 && !done) {
            faults += !EventuallyTrue([&] { return Waiters(event) == 4; });
            const int target = released + 4;
            event.SignalEvent();
            faults += !EventuallyTrue([&] { return released == target; });
            done = g_runOver.load();
            event.SetState(done);
        }
        return faults;
    };
    EXPECT_EQ(RunStress(5, 12, body), 0) << "a waiter stayed blocked after the signal";
}

// Threads 0 and 2 hold the mutex for up to 3 ms at a time; 1 and 3 make short timed waits, tests
// and waits with a deadline already past, which must not time out earlier than asked.
TEST(LockStress, MutexTimedWaitsAgainstBusyHolders) {
    Vesk::CMutex mutex;
    std::atomic<int> inside{0};
    const auto body = [&](unsigned index, std::mt19937& random) -> long long {
        if (index % 2 == 0) {
            mutex.Lock();
            const bool together = inside.fetch_add(1) != 0;
            std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
            inside.fetch_sub(1);
            mutex.Unlock();
            return together;
        }
        const long timeout = long(random() % 8) * 4 - 4;
        const auto start = Clock::now();
        const int result = mutex.WaitForObject(timeout);
        return result == kTimedOut ? Clock::now() - start < Milliseconds(timeout)
                                   : result != kSignalled;
    };
    EXPECT_EQ(RunStress(4, 41, body), 0) << "two holders, or a wait that failed or ended early";
}

// Readers (threads 0-3) read, and writers (4 and 5) change, data without other synchronisation,
// across a yield, so a writer let in with anyone else also shows as a changed read or a lost
// write (and to ThreadSanitizer as a race). Readers are preferred: without gaps between the
// holds, writers would starve.
TEST(LockStress, ReaderWriterLockNeverLetsAWriterInWithAnyoneElse) {
    Vesk::CReaderWriterLock lock;
    std::atomic<int> inside[2] = {};  // readers, writers
    long data = 0;
    const auto body = [&](unsigned index, std::mt19937& random) {
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 1000));
        const bool write = index >= 4;
        write ? lock.GetWriteLock() : lock.GetReadLock();
        inside[write].fetch_add(1);
        const long before = data;
        std::this_thread::yield();
        if (write) {
            data = before + 1;
        }
        const bool wrong =
            inside[1] != int(write) || (write && inside[0] != 0) || data != before + write;
        inside[write].fetch_sub(1);
        write ? lock.ReleaseWriteLock() : lock.ReleaseReadLock();
        return wrong;
    };
    EXPECT_EQ(RunStress(6, 51, body), 0) << "a writer held the lock together with another";
    EXPECT_GT(data, 0) << "no writer got in between the readers";
}

// Waits without limit for `m_object`, or for its own stop event when obedient; given neither, it
// counts passes for ever, ignoring the stop request.
class CWorker : public Vesk::CThread {
  public:
    ~CWorker() override { StopThread(-1); }
    int ThreadBody() override {
        m_ownId = m_ownId && pthread_equal(GetThreadID(), GetCurrentThreadID());
        Vesk::CSynchronizationObject* const object = m_obedient ? &m_stopEvent : m_object;
        for (m_entered = true; object == nullptr; Sleep(1)) {
            m_passes.fetch_add(1);
        }
        m_returned = object->WaitForObject(-1) == kSignalled;
        return 0;
    }
    // Finished, with no thread left to stop.
    bool Stopped() {
        return GetThreadStatus() == eThreadFinished && StopThread(-1) == 0 &&
               pthread_equal(GetThreadID(), static_cast<pthread_t>(-1));
    }
    bool m_obedient = false;
    Vesk::CSynchronizationObject* m_object = nullptr;
    std::atomic<bool> m_ownId{true}, m_entered{false}, m_returned{false};
    std::atomic<long> m_passes{0};
};

// Bodies that wait for their stop event, and ones that return at once: such a body's own
// "finished" must be the last status written; a running one allows no second thread.
TEST(ThreadStress, StartStopRestartLoopKeepsTheStatusRight) {
    CWorker worker;
    Vesk::CMutex free;  // obtained at once: a body that returns at once
    worker.m_object = &free;
    const auto body = [&](unsigned, std::mt19937& random) {
        const unsigned choice = random() % 3;
        worker.m_obedient = choice != 0;
        bool wrong = worker.StartThread() != 1;
        wrong |= choice == 0 ? worker.WaitForObject(-1) != kSignalled ||
                                   worker.GetThreadStatus() != Vesk::CThread::eThreadFinished
                             : worker.StartThread() != 0;
        wrong |= worker.StopThread(choice == 2 ? 5000 : -1) != 1 || !worker.Stopped();
        return wrong || !worker.m_ownId;
    };
    EXPECT_EQ(RunStress(1, 21, body), 0);
}

// A wait-all on an event and a mutex, as one waitable object.
class CBothOf : public Vesk::CSynchronizationObject {
  public:
    CBothOf(Vesk::CEvent& event, Vesk::CMutex& mutex) : m_objects{&event, &mutex} {}
    int WaitForObject(long timeout) override {
        return WaitForObjects(m_objects, 2, true, timeout, nullptr);
    }
    Vesk::CSynchronizationObject* const m_objects[2];
};

// The worker ignores the stop request: it counts passes, or blocks in the wait of an event, of a
// mutex held here, or of both at once. Ended by force, it runs no more, and what it waited for
// stays usable: the event's mutex free and its waiter count right, the mutex free, and a wait on
// both blocks and times out as it should.
TEST(ThreadStress, ForcedStopsOfStubbornBodies_BySignal) {
    CWorker worker;
    Vesk::CEvent event(false);
    Vesk::CMutex mutex;
    CBothOf both(event, mutex);
    const auto body = [&](unsigned, std::mt19937& random) {
        Vesk::CSynchronizationObject* const objects[] = {nullptr, &event, &mutex, &both};
        worker.m_object = objects[random() % 4];
        worker.m_entered = false;
        mutex.Lock();
        const auto inside = [&] {
            return worker.m_entered && (worker.m_object != &event || Waiters(event) == 1);
        };
        bool wrong = worker.StartThread() != 1 || !EventuallyTrue(inside);
        wrong |= worker.StopThread(10) != 1 || !worker.Stopped() || worker.m_returned;
        mutex.Unlock();
        const long passes = worker.m_passes;
        wrong |= Waiters(event) != 0;
        wrong |= pthread_mutex_trylock(&mutex.m_mutex) != 0 || pthread_mutex_unlock(&mutex.m_mutex);
        wrong |= both.WaitForObject(2) != kTimedOut;
        return wrong || worker.m_passes != passes;
    };
    EXPECT_EQ(RunStress(1, 22, body), 0);
}

std::atomic<long> g_created{0}, g_deleted{0};

// Deletes itself on its own thread when its body returns.
class CSelfDeleting : public Vesk::CThread {
  public:
    CSelfDeleting() : Vesk::CThread(true) {}
    ~CSelfDeleting() override { g_deleted.fetch_add(1); }
    int ThreadBody() override { return 0; }
};

TEST(ThreadStress, AutoDeleteObjectsFromSeveralThreadsAllDeleteThemselves) {
    const auto body = [&](unsigned, std::mt19937&) {
        // Bounds the threads alive at once, so the run never exhausts the process.
        EventuallyTrue([&] { return g_created - g_deleted < 32; });
        g_created.fetch_add(1);
        return (new CSelfDeleting)->StartThread() != 1;
    };
    EXPECT_EQ(RunStress(3, 23, body), 0);
    EXPECT_TRUE(EventuallyTrue([&] { return g_deleted == g_created; }));
}

// Counted alive and dead; its payload turns bad when it is deleted.
class CTracked : public Vesk::CRefCount_Base {
  public:
    CTracked() { g_created.fetch_add(1); }
    ~CTracked() override {
        m_payload = m_refCount == 0L ? -1 : -2;  // -2: deleted while referenced
        g_deleted.fetch_add(1);
    }
    std::atomic<int> m_payload{42};
};

// Each pass takes one of four shared objects (now and then a new one) under a lock, then copies,
// moves and resets references to it without the lock while the other threads do the same; every
// read goes through a held reference, so an early deletion shows in the payload.
TEST(CountStress, SharedObjectIsDeletedExactlyOnceByTheLastRelease) {
    using Ptr = Vesk::CRefCountPtr<CTracked>;
    std::mutex lock;
    Ptr shared[4];
    const auto body = [&](unsigned, std::mt19937& random) {
        Ptr mine[3];
        std::unique_lock<std::mutex> hold(lock);
        Ptr& slot = shared[random() % 4];
        mine[0] = slot = !slot || random() % 4 == 0 ? Ptr(new CTracked) : slot;
        hold.unlock();
        long long faults = 0;
        for (int step = 0; step < 50; ++step) {
            Ptr &a = mine[random() % 3], &b = mine[random() % 3];
            random() % 2 ? a.reset(b.get()) : random() % 2 ? a.reset() : void(a = Ptr(b));
            faults += a && a->m_payload != 42;
        }
        return faults;
    };
    EXPECT_EQ(RunStress(4, 31, body), 0) << "a read through a held reference found it deleted";
    shared[0] = shared[1] = shared[2] = shared[3] = Ptr();
    EXPECT_EQ(g_deleted.load(), g_created.load()) << "an object was not deleted, or twice";
    EXPECT_GT(g_created.load(), 100);
}

TEST(CountStress, PerformanceCounterCountsEveryPassFromSeveralThreads) {
    using Vesk::CPerformanceCounter;
    const auto exact = CPerformanceCounter::GetCounter("stress.samples");
    const auto timed = CPerformanceCounter::GetCounter("stress.timed");
    std::atomic<long long> nanoseconds{0};
    const auto body = [&](unsigned, std::mt19937& random) {
        const long long ns = static_cast<long long>(random() % 5000000000ull);
        exact->AddSample(ns);
        nanoseconds.fetch_add(ns);
        const CPerformanceCounter::CScopeTimer pass(*timed);
        return 0;
    };
    EXPECT_EQ(RunStress(4, 61, body), 0);
    EXPECT_EQ(exact->m_totalTime, nanoseconds.load());
    EXPECT_EQ(exact->m_hitCount, timed->m_hitCount);
}

}  // namespace
