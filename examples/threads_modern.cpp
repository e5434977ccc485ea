// SPDX-License-Identifier: Apache-2.0
// Threads and locks with the standard library's idioms: a worker whose body is a lambda, a CMutex
// held by std::lock_guard and by a scope guard, and an auto-reset event handing over work.
#include <vesk/modern.h>

#include <cstdio>
#include <mutex>

int main() {
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
        for (int spin = 0; spin < 200; ++spin) {
            // snippet: lock-guard
            Vesk::CLockableMutex lockable(lock);  // lock/unlock/try_lock for the std guards
            std::lock_guard<Vesk::CLockableMutex> hold(lockable);
            // end-snippet
            if (processed > i) {
                break;
            }
            Vesk::CThread::Sleep(5);
        }
    }
    // snippet: stop-thread
    const int stopped = worker.StopThread(2000);  // ask, wait up to 2 s, then end it by force
    // end-snippet
    std::printf("processed %d items, StopThread gave %d\n", processed, stopped);
    return processed == 3 && stopped == 1 ? 0 : 1;
}
