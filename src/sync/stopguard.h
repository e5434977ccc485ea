// SPDX-License-Identifier: Apache-2.0
// Forced stops of worker threads (internal).
//
// StopThread ends a body that outlives its time-out with SIGUSR1. The signal must never leave a
// library object half changed or an internal lock held, so it takes effect in one of two ways:
//
//   the worker runs the application's code   the handler jumps back to the worker's entry
//                                            routine at once (no unwinding, no destructors)
//   the worker is inside a library call      the handler only marks the stop pending; the call
//   (a CStopDeferral is alive)               ends at the next point where it may give up (its
//                                            blocking waits check the mark at least every
//                                            kStopCheckMs), and the thread ends where the
//                                            outermost deferral ends
//
// Each worker keeps its stop state in the frame of its entry routine and finds it through a
// thread-specific key: pthread_getspecific neither allocates nor locks, so the handler may use
// it, whereas a C++ thread_local in a shared library may be allocated on first use (glibc's
// __tls_get_addr for a library loaded later, emulated TLS on older Android).
#ifndef VESK_SYNC_STOPGUARD_H
#define VESK_SYNC_STOPGUARD_H

#include <pthread.h>
#include <setjmp.h>
#include <signal.h>
#include <time.h>

namespace Vesk {

class CThread;

// How often a blocking wait inside the library looks for a pending stop, in milliseconds.
const long kStopCheckMs = 10;

// The stop state of one worker thread. Fields changed by the signal handler or read after the
// jump are volatile.
struct sWorkerStop_t {
    sigjmp_buf jumpTarget;            // in the entry routine; saved with the signal mask
    volatile sig_atomic_t deferrals;  // CStopDeferral objects alive (and 1 during start-up)
    volatile sig_atomic_t pending;    // a stop arrived while deferred
    volatile sig_atomic_t bodyReturned;
    CThread* object;  // the thread object whose body this thread runs
};

// Installs the SIGUSR1 handler for the whole process (again on every call).
void InstallThreadExitSignalHandler();
// Makes `record` the calling thread's stop state (deferred until EndDeferral) and unblocks
// SIGUSR1 for the thread, whatever mask it inherited from its creator.
void BeginWorker(sWorkerStop_t* record, CThread* object);
// Blocks SIGUSR1 for the rest of the thread's life and forgets its stop state.
void EndWorker();
// The calling thread's stop state, or null on a thread that is not a running worker.
sWorkerStop_t* CurrentWorker();
// Whether a forced stop waits for the calling thread to leave the library.
bool StopPending();
// Ends one deferral of `record`; when it was the last and a stop is pending, the thread ends.
void EndDeferral(sWorkerStop_t* record);
// Ends the calling worker now: jumps back to its entry routine (or, on a thread that is not a
// worker, exits it).
[[noreturn]] void EndCallingThread();

// Blocks SIGUSR1 for the calling thread while it lives; restores the thread's mask after. A new
// worker created meanwhile starts with the signal blocked and unblocks it itself once its stop
// state is in place, so an early stop is never taken for one sent to a foreign thread.
class CStopSignalBlock {
  public:
    CStopSignalBlock();
    ~CStopSignalBlock();
    CStopSignalBlock(const CStopSignalBlock&) = delete;
    CStopSignalBlock& operator=(const CStopSignalBlock&) = delete;

  private:
    sigset_t m_previous;
};

// While one is alive on a worker thread, a forced stop waits; the outermost one ends the thread
// when it is destroyed if a stop arrived meanwhile. Every library call that takes an internal
// lock or changes shared state holds one, constructed first so that it is destroyed last.
class CStopDeferral {
  public:
    CStopDeferral();
    ~CStopDeferral();
    CStopDeferral(const CStopDeferral&) = delete;
    CStopDeferral& operator=(const CStopDeferral&) = delete;

  private:
    sWorkerStop_t* m_record;
};

// pthread_cond_wait (deadline null) or pthread_cond_timedwait that returns EINTR, with the
// mutex held again, once a forced stop is pending for the calling thread. On a worker it waits
// in slices of kStopCheckMs; a slice that ends before the deadline returns 0 (a spurious wake:
// the caller tests its condition and waits again).
int StopAwareCondWait(pthread_cond_t* cond, pthread_mutex_t* mutex, const timespec* deadline);
// pthread_mutex_lock that gives up with EINTR (mutex not taken) once a forced stop is pending.
int StopAwareMutexLock(pthread_mutex_t* mutex);
// Sleeps `ms` milliseconds; false, sooner, when a forced stop is pending.
bool StopAwareSleep(long ms);

}  // namespace Vesk

#endif  // VESK_SYNC_STOPGUARD_H
