// SPDX-License-Identifier: Apache-2.0
// Threads and locks with the standard library's idioms: a worker whose body is a lambda, a CMutex
// held by std::lock_guard and by a scope guard, and an auto-reset event handing over work.
#include <vesk/modern.h>
#include <vesk/rwlock.h>

#include <atomic>
#include <cstdio>
#include <mutex>

#include "examplecheck.h"

// snippet: derived-thread
class Poller : public Vesk::CThread {
  public:
    ~Poller() override { StopThread(-1); }  // before the members the body uses go away
    int Polls() const { return m_polls; }

  protected:
    int ThreadBody() override {
        while (m_stopEvent.WaitForObject(20) == eWaitTimeout) {  // 20 ms between polls
            ++m_polls;
        }
        return 0;
    }

  private:
    std::atomic<int> m_polls{0};
};
// end-snippet

namespace {

void ClassicObjects() {
    // snippet: start-stop
    Poller poller;
    const int started = poller.StartThread();  // 1: a thread was created; 0 while one still runs
    Vesk::CThread::Sleep(100);
    const int stopped = poller.StopThread(2000);  // ask, wait up to 2 s, then end it by force
    // end-snippet
    // How often it polled depends on the scheduler; that it started and stopped does not.
    Example::Check(started == 1 && stopped == 1, "a derived thread polls and stops");
    std::printf("the poller polled %d times\n", poller.Polls());

    // snippet: mutex
    Vesk::CMutex lock;
    lock.Lock();
    lock.Lock();  // recursive: the holder may lock again...
    lock.Unlock();
    lock.Unlock();  // ...and unlocks as often
    const int obtainable =
        lock.WaitForObject(0);  // 1 when obtainable; the caller holds nothing after
    // end-snippet
    Example::Check(obtainable == Vesk::CSynchronizationObject::eWaitSignaled,
                   "a free mutex tests signalled");

    // snippet: events
    Vesk::CEvent manual(true);      // manual-reset: stays set, releases every waiter
    Vesk::CEvent automatic(false);  // auto-reset: each signal releases one wait
    manual.SignalEvent();
    automatic.SignalEvent();
    const int first = automatic.WaitForObject(100);                      // 1: takes the signal
    const int second = automatic.WaitForObject(0);                       // 2: nothing left
    const int both = manual.WaitForObject(0) + manual.WaitForObject(0);  // 1 + 1: stays set
    // end-snippet
    Example::Check(first == 1 && second == 2 && both == 2, "manual- and auto-reset events");

    // snippet: shared-event
    Vesk::CRefCountPtr<Vesk::CEvent> ready(new Vesk::CEvent(false));  // deleted by its last release
    // end-snippet
    ready->SignalEvent();
    Example::Check(ready->WaitForObject(0) == 1, "a counted heap event");

    // snippet: rwlock
    Vesk::CReaderWriterLock table;
    {
        Vesk::CReaderWriterLock::CReaderLock read(table);  // shared with other readers
    }
    {
        Vesk::CReaderWriterLock::CWriterLock write(table);  // alone
    }
    // end-snippet
}

}  // namespace

int main() {
    ClassicObjects();

    // snippet: function-thread
    Vesk::CMutex lock;
    Vesk::CEvent workReady(false);  // auto-reset: one signal releases one wait
    int processed = 0;

    Vesk::CFunctionThread worker([&](Vesk::CEvent& stop) {
        while (stop.WaitForObject(0) != Vesk::CSynchronizationObject::eWaitSignaled) {
            if (workReady.WaitForObject(50) == Vesk::CSynchronizationObject::eWaitSignaled) {
                Vesk::CMutexGuard hold(lock);  // Lock() now, Unlock() at the end of the block
                ++processed;
            }
        }
        return 0;
    });
    worker.StartThread();
    // end-snippet

    for (int i = 0; i < 3; ++i) {
        workReady.SignalEvent();
        for (int spin = 0; spin < 2000; ++spin) {  // up to 10 s a work item on a loaded machine
            {  // the worker needs the mutex to count: hold it only to read, never while sleeping
                // snippet: lock-guard
                Vesk::CLockableMutex lockable(lock);  // lock/unlock/try_lock for the std guards
                std::lock_guard<Vesk::CLockableMutex> hold(lockable);
                // end-snippet
                if (processed > i) {
                    break;
                }
            }
            Vesk::CThread::Sleep(5);
        }
    }
    // snippet: stop-thread
    const int stopped = worker.StopThread(2000);  // ask, wait up to 2 s, then end it by force
    // end-snippet
    Example::Check(processed == 3 && stopped == 1, "a lambda thread takes three work items");
    return Example::Result();
}
