// SPDX-License-Identifier: Apache-2.0
// Waitable objects, the atomic integer and thread start-up against the platform's and the
// standard library's own primitives.
//
// Names are "<operation>/<case>/<contender>"; the contender "vesk" is the library, every other
// one a rival (see bench/report).
#include <benchmark/benchmark.h>
#include <pthread.h>
#include <vesk/atomicint.h>
#include <vesk/event.h>
#include <vesk/rwlock.h>
#include <vesk/syncobject.h>
#include <vesk/thread.h>

#include "suite.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>

namespace {

using Vesk::CAtomicInt;
using Vesk::CEvent;
using Vesk::CMutex;

// A recursive pthread mutex, the rival a port of Windows-style code would write by hand.
class CRecursivePthreadMutex {
  public:
    CRecursivePthreadMutex() {
        pthread_mutexattr_t attributes;
        pthread_mutexattr_init(&attributes);
        pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
        pthread_mutex_init(&m_mutex, &attributes);
        pthread_mutexattr_destroy(&attributes);
    }
    ~CRecursivePthreadMutex() { pthread_mutex_destroy(&m_mutex); }
    CRecursivePthreadMutex(const CRecursivePthreadMutex&) = delete;
    CRecursivePthreadMutex& operator=(const CRecursivePthreadMutex&) = delete;
    void lock() { pthread_mutex_lock(&m_mutex); }
    void unlock() { pthread_mutex_unlock(&m_mutex); }
    bool try_lock() { return pthread_mutex_trylock(&m_mutex) == 0; }

  private:
    pthread_mutex_t m_mutex;
};

// CMutex under the names std::lock_guard expects.
class CVeskMutex {
  public:
    void lock() { m_mutex.Lock(); }
    void unlock() { m_mutex.Unlock(); }

  private:
    CMutex m_mutex;
};

// ---- lock + unlock, one thread and two threads on the same mutex ----

// One hold and its release per iteration, on a lock shared by all threads of the benchmark
// (Google Benchmark starts the threads' loops together, after thread 0 has made the lock).
template <typename Lock, bool kShared>
void HoldAndRelease(benchmark::State& state) {
    static Lock* shared = nullptr;
    if (state.thread_index() == 0) {
        shared = new Lock;
    }
    for (auto _ : state) {
        if constexpr (kShared) {
            shared->lock_shared();
            shared->unlock_shared();
        } else {
            shared->lock();
            shared->unlock();
        }
    }
    if (state.thread_index() == 0) {
        delete shared;
        shared = nullptr;
    }
}

void RegisterLockUnlock() {
    for (int threads : {1, 2}) {
        const std::string prefix =
            std::string("lock+unlock/") + (threads == 1 ? "1 thread" : "2 threads") + "/";
        // Two threads are timed by the clock on the wall: a thread asleep in the kernel waiting
        // for the lock costs no CPU time but does cost throughput.
        for (auto* run : {
                 benchmark::RegisterBenchmark((prefix + "vesk").c_str(),
                                              HoldAndRelease<CVeskMutex, false>),
                 benchmark::RegisterBenchmark((prefix + "pthread recursive").c_str(),
                                              HoldAndRelease<CRecursivePthreadMutex, false>),
                 benchmark::RegisterBenchmark((prefix + "std::mutex").c_str(),
                                              HoldAndRelease<std::mutex, false>),
             }) {
            run->Threads(threads);
            if (threads > 1) {
                run->UseRealTime();
            }
        }
    }
}

// ---- WaitForObject(0): a try that must not read the clock ----

void TestFreeMutexVesk(benchmark::State& state) {
    CMutex mutex;
    for (auto _ : state) {
        benchmark::DoNotOptimize(mutex.WaitForObject(0));
    }
}

void TestFreeMutexPthread(benchmark::State& state) {
    CRecursivePthreadMutex mutex;
    for (auto _ : state) {
        const bool taken = mutex.try_lock();
        if (taken) {
            mutex.unlock();
        }
        benchmark::DoNotOptimize(taken);
    }
}

void TestSignalledEventVesk(benchmark::State& state) {
    CEvent event(true);
    event.SignalEvent();
    for (auto _ : state) {
        benchmark::DoNotOptimize(event.WaitForObject(0));
    }
}

// The rival of an event test: a flag read under a std::mutex.
void TestSignalledEventStd(benchmark::State& state) {
    std::mutex mutex;
    bool signalled = true;
    for (auto _ : state) {
        std::lock_guard<std::mutex> hold(mutex);
        benchmark::DoNotOptimize(signalled);
    }
}

// ---- events against a std::mutex + std::condition_variable pair ----

// The usual idiom notifies after unlocking: the woken thread then never finds the mutex still
// held. With `NotifyUnderLock` it notifies before unlocking, as an object must that a woken
// waiter may destroy as soon as its wait returns (CEvent works that way).
template <bool NotifyUnderLock>
class CStdEvent {
  public:
    void Signal() {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_signalled = true;
        if (NotifyUnderLock) {
            m_wake.notify_one();
        }
        hold.unlock();
        if (!NotifyUnderLock) {
            m_wake.notify_one();
        }
    }
    void Wait() {
        std::unique_lock<std::mutex> hold(m_mutex);
        m_wake.wait(hold, [this] { return m_signalled; });
        m_signalled = false;
    }

  private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_signalled = false;
};

class CVeskEvent {
  public:
    void Signal() { m_event.SignalEvent(); }
    void Wait() { m_event.WaitForObject(-1); }

  private:
    CEvent m_event{false};
};

template <typename Event>
void SetAndWait(benchmark::State& state) {
    Event event;
    for (auto _ : state) {
        event.Signal();
        event.Wait();
    }
}

// One iteration is a round trip: this thread wakes the partner, the partner wakes it back.
template <typename Event>
void PingPong(benchmark::State& state) {
    Event ping;
    Event pong;
    std::atomic<bool> stop{false};
    std::thread partner([&] {
        for (;;) {
            ping.Wait();
            if (stop.load()) {
                return;
            }
            pong.Signal();
        }
    });
    for (auto _ : state) {
        ping.Signal();
        pong.Wait();
    }
    stop.store(true);
    ping.Signal();
    partner.join();
}

// ---- waits on several events against a wait on one ----

// Four auto-reset events, of which only the last is ever signalled; a wait is a wait-any on all
// four, so every wake-up also tests the three that stay quiet.
class CVeskAnyOfFour {
  public:
    void Signal() { m_events[3].SignalEvent(); }
    void Wait() { Vesk::CSynchronizationObject::WaitForObjects(m_all, 4, false, -1, nullptr); }

  private:
    CEvent m_events[4] = {CEvent(false), CEvent(false), CEvent(false), CEvent(false)};
    Vesk::CSynchronizationObject* const m_all[4] = {&m_events[0], &m_events[1], &m_events[2],
                                                    &m_events[3]};
};

// A test (time-out 0) of four events that are not signalled, so every one is looked at.
void TestFourEventsVesk(benchmark::State& state) {
    CEvent events[4] = {CEvent(true), CEvent(true), CEvent(true), CEvent(true)};
    Vesk::CSynchronizationObject* const all[4] = {&events[0], &events[1], &events[2], &events[3]};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            Vesk::CSynchronizationObject::WaitForObjects(all, 4, false, 0, nullptr));
    }
}

void TestOneEventVesk(benchmark::State& state) {
    CEvent event(true);
    for (auto _ : state) {
        benchmark::DoNotOptimize(event.WaitForObject(0));
    }
}

void RegisterWaitsOnSeveral() {
    // A round trip is two signal-to-wake latencies; the reference is the same with one event.
    benchmark::RegisterBenchmark("signal-to-wake ping-pong/wait-any of 4 events/vesk",
                                 PingPong<CVeskAnyOfFour>)
        ->UseRealTime();
    benchmark::RegisterBenchmark("signal-to-wake ping-pong/wait-any of 4 events/WaitForObject on 1",
                                 PingPong<CVeskEvent>)
        ->UseRealTime();
    benchmark::RegisterBenchmark("WaitForObjects(0)/4 events not signalled/vesk",
                                 TestFourEventsVesk);
    benchmark::RegisterBenchmark("WaitForObjects(0)/4 events not signalled/WaitForObject(0) on 1",
                                 TestOneEventVesk);
}

// ---- reader-writer locks: read holds and write holds, one thread and two ----

class CVeskRwLock {
  public:
    void lock_shared() { m_lock.GetReadLock(); }
    void unlock_shared() { m_lock.ReleaseReadLock(); }
    void lock() { m_lock.GetWriteLock(); }
    void unlock() { m_lock.ReleaseWriteLock(); }

  private:
    Vesk::CReaderWriterLock m_lock;
};

class CPthreadRwLock {
  public:
    CPthreadRwLock() { pthread_rwlock_init(&m_lock, nullptr); }
    ~CPthreadRwLock() { pthread_rwlock_destroy(&m_lock); }
    CPthreadRwLock(const CPthreadRwLock&) = delete;
    CPthreadRwLock& operator=(const CPthreadRwLock&) = delete;
    void lock_shared() { pthread_rwlock_rdlock(&m_lock); }
    void unlock_shared() { pthread_rwlock_unlock(&m_lock); }
    void lock() { pthread_rwlock_wrlock(&m_lock); }
    void unlock() { pthread_rwlock_unlock(&m_lock); }

  private:
    pthread_rwlock_t m_lock;
};

template <bool kWrite>
void RegisterRwHolds() {
    for (int threads : {1, 2}) {
        const std::string prefix =
            std::string(kWrite ? "rwlock write hold/" : "rwlock read hold/") +
            (threads == 1 ? "1 thread" : "2 threads") + "/";
        for (auto* run : {
                 benchmark::RegisterBenchmark((prefix + "vesk").c_str(),
                                              HoldAndRelease<CVeskRwLock, !kWrite>),
                 benchmark::RegisterBenchmark((prefix + "std::shared_mutex").c_str(),
                                              HoldAndRelease<std::shared_mutex, !kWrite>),
                 benchmark::RegisterBenchmark((prefix + "pthread_rwlock").c_str(),
                                              HoldAndRelease<CPthreadRwLock, !kWrite>),
             }) {
            run->Threads(threads);
            if (threads > 1) {
                run->UseRealTime();
            }
        }
    }
}

// ---- the atomic integer ----

void RefDerefVesk(benchmark::State& state) {
    CAtomicInt value(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(value.ref());
        benchmark::DoNotOptimize(value.deref());
    }
}

void RefDerefStd(benchmark::State& state) {
    std::atomic<long> value(1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(value.fetch_add(1) + 1 != 0);
        benchmark::DoNotOptimize(value.fetch_sub(1) - 1 != 0);
    }
}

// ---- thread start and stop ----

class CReturningThread : public Vesk::CThread {
  public:
    int ThreadBody() override { return 0; }
};

void StartStopVesk(benchmark::State& state) {
    CReturningThread thread;
    for (auto _ : state) {
        thread.StartThread();
        thread.StopThread(-1);
    }
}

void* ReturnAtOnce(void*) {
    return nullptr;
}

void StartStopPthread(benchmark::State& state) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 256 * 1024);
    for (auto _ : state) {
        pthread_t thread;
        if (pthread_create(&thread, &attributes, ReturnAtOnce, nullptr) == 0) {
            pthread_join(thread, nullptr);
        }
    }
    pthread_attr_destroy(&attributes);
}

}  // namespace

namespace vesk_bench {

void RegisterSyncBenchmarks() {
    RegisterLockUnlock();
    benchmark::RegisterBenchmark("WaitForObject(0)/free mutex/vesk", TestFreeMutexVesk);
    benchmark::RegisterBenchmark("WaitForObject(0)/free mutex/pthread trylock",
                                 TestFreeMutexPthread);
    benchmark::RegisterBenchmark("WaitForObject(0)/signalled event/vesk", TestSignalledEventVesk);
    benchmark::RegisterBenchmark("WaitForObject(0)/signalled event/std::mutex+flag",
                                 TestSignalledEventStd);
    benchmark::RegisterBenchmark("event set+wait/1 thread/vesk", SetAndWait<CVeskEvent>);
    benchmark::RegisterBenchmark("event set+wait/1 thread/std::mutex+cv",
                                 SetAndWait<CStdEvent<false>>);
    benchmark::RegisterBenchmark("event ping-pong/2 threads/vesk", PingPong<CVeskEvent>)
        ->UseRealTime();
    benchmark::RegisterBenchmark("event ping-pong/2 threads/std::mutex+cv",
                                 PingPong<CStdEvent<false>>)
        ->UseRealTime();
    benchmark::RegisterBenchmark("event ping-pong/2 threads/std::mutex+cv notify under lock",
                                 PingPong<CStdEvent<true>>)
        ->UseRealTime();
    RegisterWaitsOnSeveral();
    RegisterRwHolds<false>();
    RegisterRwHolds<true>();
    benchmark::RegisterBenchmark("atomic ref+deref/1 thread/vesk", RefDerefVesk);
    benchmark::RegisterBenchmark("atomic ref+deref/1 thread/std::atomic", RefDerefStd);
    benchmark::RegisterBenchmark("thread start+stop/256 KiB stack/vesk", StartStopVesk)
        ->UseRealTime();
    benchmark::RegisterBenchmark("thread start+stop/256 KiB stack/pthread", StartStopPthread)
        ->UseRealTime();
}

}  // namespace vesk_bench
