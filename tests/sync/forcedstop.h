// SPDX-License-Identifier: Apache-2.0
// Forced stops (StopThread's SIGUSR1) landing at many points of library calls, one scenario per
// fault a forced stop must never cause. Each scenario runs a given number of iterations in a child
// process with a time limit, so an abort or a hang fails the test instead of ending the run. The
// sync tests run a few iterations of each, the stress suite 1,000.
#ifndef VESK_TESTS_SYNC_FORCEDSTOP_H
#define VESK_TESTS_SYNC_FORCEDSTOP_H

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vesk/vesk.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <thread>

namespace VeskForcedStop {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::microseconds;
enum { kFailed = 0, kSignaled = 1, kTimeout = 2 };

// How long StopThread may take beyond its time-out: the library's own bound is a few
// milliseconds; the rest is room for a loaded, sanitized or emulated machine.
inline long StopBoundMs() {
    const char* text = std::getenv("VESK_TEST_TIME_SLACK_MS");
    return 500 + (text != nullptr ? std::max(0L, std::atol(text)) : 400);
}

// What the scenario is doing now, reported when the child's time limit passes (a hang).
inline const char* volatile g_step = "start";
inline int g_reportFd = -1;

inline void ReportHang(int) {
    const char prefix[] = "hang (time limit) at: ";
    const char* const step = g_step;
    ssize_t ignored = write(g_reportFd, prefix, sizeof prefix - 1);
    ignored = write(g_reportFd, step, std::strlen(step));
    static_cast<void>(ignored);
    _exit(3);
}

// Runs `scenario` in a child process killed after `limitSeconds`. Passes when the child exits
// normally and its text is empty; the text is the first fault it saw otherwise.
inline ::testing::AssertionResult InChild(const std::function<std::string()>& scenario,
                                          unsigned limitSeconds) {
    int fds[2];
    if (pipe(fds) != 0) {
        return ::testing::AssertionFailure() << "no pipe";
    }
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        g_reportFd = fds[1];
        signal(SIGALRM, &ReportHang);
        alarm(limitSeconds);
        const std::string text = scenario();
        ssize_t ignored = write(fds[1], text.data(), text.size());
        static_cast<void>(ignored);
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[256];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) {
        return ::testing::AssertionFailure()
               << "the process died of signal " << WTERMSIG(status) << " " << text;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !text.empty()) {
        return ::testing::AssertionFailure() << "exit " << WEXITSTATUS(status) << ": " << text;
    }
    return ::testing::AssertionSuccess();
}

// The first fault of a run, with its iteration.
struct CFaults {
    bool Check(bool holds, const char* what) {
        if (!holds && m_text.empty()) {
            m_text = std::string(what) + " (iteration " + std::to_string(m_iteration) + ")";
        }
        return holds;
    }
    int m_iteration = 0;
    std::string m_text;
};

// A body that runs `m_lap` again and again. It returns once its stop event is signalled when
// obedient; otherwise only a forced stop ends it.
class CLooper : public Vesk::CThread {
  public:
    explicit CLooper(std::function<void()> lap) : m_lap(std::move(lap)) {}
    ~CLooper() override { StopThread(-1); }
    int ThreadBody() override {
        for (long lap = 0; !m_obedient || m_stopEvent.WaitForObject(0) != kSignaled; ++lap) {
            if (lap == m_lapLimit) {
                return 1;
            }
            m_lap();
            m_laps.fetch_add(1);
        }
        return 0;
    }
    std::function<void()> m_lap;
    std::atomic<bool> m_obedient{false};
    std::atomic<long> m_lapLimit{-1};  // returns by itself after so many laps (-1: never)
    std::atomic<long> m_laps{0};
};

// Starts `worker`, lets it run for a random time below 1.5 ms, so that the stop lands anywhere in
// its lap, and ends it by force: StopThread returns 1 within its time-out plus the bound, the
// status is finished and the body runs no more. Then the next start must succeed.
inline void StartAndForceStop(CLooper& worker, std::mt19937& random, CFaults& faults) {
    g_step = "StartThread";
    faults.Check(worker.StartThread() == 1, "the worker does not start");
    std::this_thread::sleep_for(Micros(random() % 1500));
    g_step = "StopThread";
    const long timeout = 1 + static_cast<long>(random() % 3);
    const auto start = Clock::now();
    faults.Check(worker.StopThread(timeout) == 1, "StopThread does not return 1");
    faults.Check(Clock::now() - start < std::chrono::milliseconds(timeout + StopBoundMs()),
                 "StopThread took longer than its time-out and the bound");
    faults.Check(worker.GetThreadStatus() == Vesk::CThread::eThreadFinished, "not finished");
    const long laps = worker.m_laps;
    std::this_thread::sleep_for(Micros(300));
    faults.Check(laps == worker.m_laps, "the body still runs");
    g_step = "checks";
}

// The event works for this thread: its mutex free, no waiter left, signal and reset obeyed.
inline bool EventIntact(Vesk::CEvent& event) {
    if (pthread_mutex_trylock(&event.m_mutex) != 0) {
        return false;
    }
    const bool noWaiter = event.m_waiters == 0;
    pthread_mutex_unlock(&event.m_mutex);
    event.SignalEvent();
    const bool signalled =
        event.WaitForObject(0) == kSignaled && event.WaitForObject(5) == kSignaled;
    event.ResetEvent();
    return noWaiter && signalled && event.WaitForObject(0) == kTimeout;
}

// The reader-writer lock works for this thread. `leftOver` allows one hold of the ended body's own
// (taken by a call that returned before the stop), which is given back here.
inline bool ReaderWriterLockIntact(Vesk::CReaderWriterLock& lock, bool leftOver) {
    if (pthread_mutex_trylock(&lock.m_lock.m_mutex) != 0) {
        return false;
    }
    const int readers = lock.m_readers, writers = lock.m_writers;
    pthread_mutex_unlock(&lock.m_lock.m_mutex);
    if (readers + writers > (leftOver ? 1 : 0) || readers < 0 || writers < 0) {
        return false;
    }
    readers ? lock.ReleaseReadLock() : writers ? lock.ReleaseWriteLock() : void();
    { const Vesk::CReaderWriterLock::CWriterLock write(lock); }
    { const Vesk::CReaderWriterLock::CReaderLock read(lock); }
    return lock.m_readers == 0 && lock.m_writers == 0;
}

// 1: the body waits in an event (with and without limit), signals and resets it, and takes and
// gives back read holds through the guard; no stop may abort the process.
inline std::string EventWaitsAndReaderGuards(int iterations) {
    CFaults faults;
    std::mt19937 random(1);
    Vesk::CEvent event(false);
    Vesk::CReaderWriterLock lock;
    unsigned lap = 0;
    CLooper worker([&] {
        switch (++lap % 4) {
            case 0:
                event.WaitForObject(-1);
                break;
            case 1:
                event.WaitForObject(1);
                break;
            case 2:
                event.SetState(lap % 8 == 2);
                break;
            default: {
                const Vesk::CReaderWriterLock::CReaderLock hold(lock);
            }
        }
    });
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        StartAndForceStop(worker, random, faults);
        faults.Check(EventIntact(event), "the event is damaged");
        faults.Check(ReaderWriterLockIntact(lock, true), "the reader-writer lock is damaged");
    }
    return faults.m_text;
}

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

// 2: the body waits for a mutex in every way; in half the iterations this thread holds it all
// along, so the body blocks (Lock included) until the stop. Afterwards the mutex is free.
inline std::string MutexWaitsAndLocks(int iterations) {
    CFaults faults;
    std::mt19937 random(2);
    Vesk::CMutex mutex;
    std::atomic<bool> held{false};
    unsigned lap = 0;
    CLooper worker([&] {
        const long timeouts[] = {-1, 0, 2, -5};
        if (held && ++lap % 5 == 0) {
            mutex.Lock();  // never granted while this thread holds it
            faults.Check(false, "Lock granted a held mutex");
        }
        mutex.WaitForObject(timeouts[++lap % 4]);
    });
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        // ThreadSanitizer holds a signal back from a thread blocked in a lock that another thread
        // keeps: the worker would never see its stop. Under it the mutex is only ever free.
        held = random() % 2 == 0 && !kThreadSanitizer;
        if (held) {
            mutex.Lock();
        }
        StartAndForceStop(worker, random, faults);
        if (held) {
            mutex.Unlock();
        }
        std::atomic<int> result{-1};
        std::thread([&] { result = mutex.WaitForObject(0); }).join();
        faults.Check(result == kSignaled, "the mutex stays owned by the ended worker");
    }
    return faults.m_text;
}

// 3: the body waits for the write hold while this thread reads, for a read hold while this thread
// writes, or takes both kinds through the guards while the lock is free.
inline std::string ReaderWriterHoldsAndWaits(int iterations) {
    CFaults faults;
    std::mt19937 random(3);
    Vesk::CReaderWriterLock lock;
    std::atomic<int> mode{0};
    unsigned lap = 0;
    CLooper worker([&] {
        if (mode == 0 || (mode == 2 && ++lap % 2 == 0)) {
            const Vesk::CReaderWriterLock::CWriterLock hold(lock);
        } else {
            const Vesk::CReaderWriterLock::CReaderLock hold(lock);
        }
    });
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        mode = static_cast<int>(random() % 3);
        mode == 0 ? lock.GetReadLock() : mode == 1 ? lock.GetWriteLock() : void();
        StartAndForceStop(worker, random, faults);
        mode == 0 ? lock.ReleaseReadLock() : mode == 1 ? lock.ReleaseWriteLock() : void();
        faults.Check(ReaderWriterLockIntact(lock, mode == 2), "the reader-writer lock is lost");
    }
    return faults.m_text;
}

// 4: each iteration's event is waited on (and reset) by the body, then destroyed here; the
// destructor must return.
inline std::string EventDestroyedAfterTheStop(int iterations) {
    CFaults faults;
    std::mt19937 random(4);
    Vesk::CEvent* event = nullptr;
    unsigned lap = 0;
    CLooper worker([&] {
        const long timeouts[] = {-1, 3, -7};
        ++lap % 5 == 0 ? event->ResetEvent() : void(event->WaitForObject(timeouts[lap % 3]));
    });
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        event = new Vesk::CEvent(random() % 2 == 0);
        StartAndForceStop(worker, random, faults);
        faults.Check(EventIntact(*event), "the event is damaged");
        g_step = "~CEvent";
        delete event;
    }
    return faults.m_text;
}

// 5: StopThread(0) only asks; the destructor (here the derived one's StopThread(-1)) must still
// wait for the body, which uses the object until it returns.
inline std::string DestroyedAfterStopRequest(int iterations) {
    struct CPoller : Vesk::CThread {
        ~CPoller() override { StopThread(-1); }
        int ThreadBody() override {
            Sleep(m_delayMs);
            m_touched = m_touched + 1;  // the object must still exist
            m_ended->store(true);
            return m_touched;
        }
        int m_delayMs = 0, m_touched = 0;
        std::atomic<bool>* m_ended = nullptr;
    };
    CFaults faults;
    std::mt19937 random(5);
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        std::atomic<bool> ended{false};
        CPoller* poller = new CPoller;
        poller->m_delayMs = static_cast<int>(random() % 4);
        poller->m_ended = &ended;
        faults.Check(poller->StartThread() == 1, "the poller does not start");
        std::this_thread::sleep_for(Micros(random() % 2000));
        faults.Check(poller->StopThread(0) == 1, "StopThread(0) does not return 1");
        g_step = "delete after StopThread(0)";
        delete poller;
        faults.Check(ended, "the object was destroyed while its body ran");
    }
    return faults.m_text;
}

// 6: three threads wait without limit for one worker while this thread stops it, by request, by
// force, or as the body returns by itself about when the time-out passes (the forced stop must
// not signal a thread a waiter has joined). Every waiter returns, with 1, or 0 when it came after
// the thread was forgotten.
inline std::string SeveralWaitersOnOneThread(int iterations) {
    CFaults faults;
    std::mt19937 random(6);
    CLooper worker([] { Vesk::CThread::Sleep(1); });
    int signalled = 0;
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        const unsigned mode = random() % 3;
        const bool obedient = mode == 0;
        worker.m_obedient = obedient;
        worker.m_lapLimit = mode == 2 ? static_cast<long>(random() % 4) : -1;
        faults.Check(worker.StartThread() == 1, "the worker does not start");
        std::atomic<int> results[3] = {{-1}, {-1}, {-1}};
        std::thread waiters[3];
        for (auto& result : results) {
            waiters[&result - results] = std::thread([&] { result = worker.WaitForObject(-1); });
        }
        std::this_thread::sleep_for(Micros(random() % 2000));
        g_step = "StopThread with waiters";
        faults.Check(worker.StopThread(obedient ? -1 : 2) == 1, "StopThread does not return 1");
        g_step = "waiters";
        for (std::thread& waiter : waiters) {
            waiter.join();
        }
        for (const auto& result : results) {
            faults.Check(result == kSignaled || result == kFailed, "a waiter got a time-out");
            signalled += result == kSignaled;
        }
    }
    faults.Check(iterations == 0 || signalled > 0, "no waiter ever saw the thread end");
    return faults.m_text;
}

// 7: the body stops itself while this thread waits for it (ThreadSanitizer watches the handle);
// the object restarts every time.
inline std::string SelfStopWhileTheOwnerWaits(int iterations) {
    CFaults faults;
    std::mt19937 random(7);
    std::atomic<int> delayUs{0};
    CLooper* self = nullptr;
    CLooper worker([&] {
        std::this_thread::sleep_for(Micros(delayUs));
        self->StopThread(-1);
        faults.Check(false, "the body ran on after stopping itself");
    });
    self = &worker;
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        delayUs = static_cast<int>(random() % 1000);
        faults.Check(worker.StartThread() == 1, "the object does not restart");
        g_step = "WaitForObject on a self-stopping body";
        const long timeout = random() % 2 ? -1 : 3;
        const int result = worker.WaitForObject(timeout);
        faults.Check(result != kFailed || timeout == -1, "a timed wait failed");
        // The owner's StopThread(-1) must not begin before the self-stop: the body would wait for
        // the object's lock while the owner waits for the body.
        while (worker.GetThreadStatus() != Vesk::CThread::eThreadFinished) {
            std::this_thread::sleep_for(Micros(100));
        }
        faults.Check(worker.StopThread(-1) == 0, "the self-stopped thread is still tracked");
        faults.Check(worker.WaitForObject(-1) == kFailed, "a thread is left to wait for");
        faults.Check(worker.GetThreadStatus() == Vesk::CThread::eThreadFinished, "not finished");
    }
    return faults.m_text;
}

// 8: this thread blocks SIGUSR1 (as Android's runtime threads do) before it starts the worker;
// the worker must still be ended by force.
inline std::string StopSignalBlockedInTheStarter(int iterations) {
    CFaults faults;
    std::mt19937 random(8);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    CLooper worker([] { Vesk::CThread::Sleep(1); });
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        StartAndForceStop(worker, random, faults);
    }
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
    return faults.m_text;
}

// 9: the body counts passes, shares counted objects, allocates through the memory manager and
// asks the class registry; afterwards every one of them works for this thread.
inline std::string CoreCallsOfTheBody(int iterations) {
    struct CCounted : Vesk::CRefCount_Base {};
    using Vesk::CPerformanceCounter;
    Vesk::CPerformanceCounter::m_isProfilingAllowed = true;
    CFaults faults;
    std::mt19937 random(9);
    unsigned lap = 0;
    CLooper worker([&] {
        switch (++lap % 5) {
            case 0: {
                const auto counter = CPerformanceCounter::GetCounter("forced.a");
                counter->Start();
                const CPerformanceCounter::CScopeTimer pass(*counter);
                counter->Stop();
                break;
            }
            case 1:
                CPerformanceCounter::GetCounter("forced.b")->AddSample(1);
                break;
            case 2: {
                // The body's own allocation is its own code: a stop landing inside malloc would
                // leave the allocator's lock held for ever (what a body holds stays held), so the
                // body keeps the stop signal blocked around it, as an application must.
                sigset_t stop, previous;
                sigemptyset(&stop);
                sigaddset(&stop, SIGUSR1);
                pthread_sigmask(SIG_BLOCK, &stop, &previous);
                CCounted* const object = new CCounted;
                pthread_sigmask(SIG_SETMASK, &previous, nullptr);
                Vesk::CRefCountPtr<CCounted> first(object), second(first);
                first.reset();
                break;
            }
            case 3: {
                Vesk::CMemoryManager& manager = Vesk::CMemoryManager::GetInstance();
                manager.FreeBuffer(manager.ReallocBuffer(manager.AllocateBuffer(64), 4096));
                break;
            }
            default:
                Vesk::CTypeManager::GetInstance().FindClassByName("forced.none");
        }
    });
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        StartAndForceStop(worker, random, faults);
        const auto counter = CPerformanceCounter::GetCounter("forced.b");
        const int hits = counter->m_hitCount;
        counter->AddSample(1);
        faults.Check(counter->m_hitCount == hits + 1, "the counter is damaged");
        std::FILE* report = std::tmpfile();
        faults.Check(report != nullptr && CPerformanceCounter::SaveReport(report), "no report");
        if (report != nullptr) {
            std::fclose(report);
        }
        Vesk::CMemoryManager& manager = Vesk::CMemoryManager::GetInstance();
        manager.FreeBuffer(manager.AllocateBuffer(100));
        faults.Check(Vesk::CTypeManager::GetInstance().FindClassByName("x") == nullptr, "registry");
    }
    return faults.m_text;
}

// 10: each new worker spins until a random moment of its first milliseconds, then tokenises and
// times passes: its first such calls set up the thread's state of them (with emulated
// thread-locals the C library allocates it then), and the stops land all around that moment.
inline std::string FirstCallsOfEachWorker(int iterations) {
    using Vesk::CPerformanceCounter;
    CPerformanceCounter::m_isProfilingAllowed = true;
    CFaults faults;
    std::mt19937 random(10);
    const auto counter = CPerformanceCounter::GetCounter("forced.first");
    Clock::time_point firstCall;  // set while no worker runs: StartThread publishes it
    CLooper worker([&] {
        if (Clock::now() >= firstCall) {
            wchar_t text[] = L"a,b";
            _wcstok(text, L",");
            counter->Start();
            counter->Stop();
        }
    });
    for (; faults.m_iteration < iterations; ++faults.m_iteration) {
        firstCall = Clock::now() + Micros(random() % 4500);
        StartAndForceStop(worker, random, faults);
        const int hits = counter->m_hitCount;
        counter->Start();
        counter->Stop();
        faults.Check(counter->m_hitCount == hits + 1, "the counter is damaged");
        wchar_t text[] = L"a,b";
        faults.Check(_wcstok(text, L",") == text, "no token");
        delete[] new char[64];  // the allocator works for this thread
    }
    return faults.m_text;
}

struct sScenario_t {
    const char* name;
    std::string (*run)(int iterations);
};

// Test names carry the scenario's name, not its bytes.
inline void PrintTo(const sScenario_t& scenario, std::ostream* stream) {
    *stream << scenario.name;
}
inline std::string NameOf(const ::testing::TestParamInfo<sScenario_t>& info) {
    return info.param.name;
}

inline const sScenario_t c_scenarios[] = {
    {"EventWaitsAndReaderGuards", &EventWaitsAndReaderGuards},
    {"MutexWaitsAndLocks", &MutexWaitsAndLocks},
    {"ReaderWriterHoldsAndWaits", &ReaderWriterHoldsAndWaits},
    {"EventDestroyedAfterTheStop", &EventDestroyedAfterTheStop},
    {"DestroyedAfterStopRequest", &DestroyedAfterStopRequest},
    {"SeveralWaitersOnOneThread", &SeveralWaitersOnOneThread},
    {"SelfStopWhileTheOwnerWaits", &SelfStopWhileTheOwnerWaits},
    {"StopSignalBlockedInTheStarter", &StopSignalBlockedInTheStarter},
    {"CoreCallsOfTheBody", &CoreCallsOfTheBody},
    {"FirstCallsOfEachWorker", &FirstCallsOfEachWorker},
};

}  // namespace VeskForcedStop

#endif  // VESK_TESTS_SYNC_FORCEDSTOP_H
