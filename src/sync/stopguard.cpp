// SPDX-License-Identifier: Apache-2.0
// The SIGUSR1 handler, the per-worker stop state and the waits that give up for a forced stop.
#include "sync/stopguard.h"

#include <errno.h>

#include <atomic>
#include <cstring>

#include "sync/waitsupport.h"

namespace Vesk {
namespace {

pthread_once_t g_keyOnce = PTHREAD_ONCE_INIT;
pthread_key_t g_workerKey;
// Set once the key exists; until then no thread can be a worker.
std::atomic<bool> g_keyReady{false};

void CreateWorkerKey() {
    g_keyReady.store(pthread_key_create(&g_workerKey, nullptr) == 0, std::memory_order_release);
}

void SetStopSignalBlocked(bool blocked, sigset_t* previous = nullptr) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    pthread_sigmask(blocked ? SIG_BLOCK : SIG_UNBLOCK, &set, previous);
}

// Ends the thread that receives SIGUSR1. A worker in the application's code jumps back to its
// entry routine; one inside the library only notes the stop, which the library carries out where
// the call leaves it. A thread that is not a worker exits. Async-signal-safe on a worker: it
// reads the thread-specific key and writes the worker's own volatile fields, nothing more.
void ThreadExitSignalHandler(int signalNumber) {
    if (signalNumber != SIGUSR1) {
        return;
    }
    sWorkerStop_t* const record = CurrentWorker();
    if (record == nullptr) {
        pthread_exit(nullptr);
    }
    if (record->deferrals > 0) {
        record->pending = 1;
        return;
    }
    siglongjmp(record->jumpTarget, 1);
}

bool Earlier(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

}  // namespace

void InstallThreadExitSignalHandler() {
    // The key exists before the handler can run for the first time.
    pthread_once(&g_keyOnce, &CreateWorkerKey);
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = &ThreadExitSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGUSR1, &action, nullptr);
}

void BeginWorker(sWorkerStop_t* record, CThread* object) {
    record->deferrals = 1;  // start-up: a stop that comes this early waits for the jump target
    record->pending = 0;
    record->bodyReturned = 0;
    record->object = object;
    // Stored while SIGUSR1 may still be blocked (inherited), so the handler never sees the
    // thread half registered; glibc may allocate here for a high key, never in the handler.
    pthread_setspecific(g_workerKey, record);
    SetStopSignalBlocked(false);
}

void EndWorker() {
    // A late signal now stays blocked and dies with the thread.
    SetStopSignalBlocked(true);
    pthread_setspecific(g_workerKey, nullptr);
}

sWorkerStop_t* CurrentWorker() {
    if (!g_keyReady.load(std::memory_order_acquire)) {
        return nullptr;
    }
    return static_cast<sWorkerStop_t*>(pthread_getspecific(g_workerKey));
}

bool StopPending() {
    const sWorkerStop_t* const record = CurrentWorker();
    return record != nullptr && record->pending != 0;
}

void EndDeferral(sWorkerStop_t* record) {
    // The compiler must not move the call's own memory accesses past the count.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    const sig_atomic_t left = record->deferrals - 1;
    record->deferrals = left;
    if (left == 0 && record->pending != 0) {
        siglongjmp(record->jumpTarget, 1);
    }
}

void EndCallingThread() {
    sWorkerStop_t* const record = CurrentWorker();
    if (record == nullptr) {
        pthread_exit(nullptr);
    }
    siglongjmp(record->jumpTarget, 1);
}

CStopSignalBlock::CStopSignalBlock() {
    SetStopSignalBlocked(true, &m_previous);
}

CStopSignalBlock::~CStopSignalBlock() {
    pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

CStopDeferral::CStopDeferral() : m_record(CurrentWorker()) {
    if (m_record != nullptr) {
        m_record->deferrals = m_record->deferrals + 1;
        std::atomic_signal_fence(std::memory_order_seq_cst);
    }
}

CStopDeferral::~CStopDeferral() {
    if (m_record != nullptr) {
        EndDeferral(m_record);
    }
}

int StopAwareCondWait(pthread_cond_t* cond, pthread_mutex_t* mutex, const timespec* deadline) {
    const sWorkerStop_t* const record = CurrentWorker();
    if (record == nullptr) {
        return deadline != nullptr ? pthread_cond_timedwait(cond, mutex, deadline)
                                   : pthread_cond_wait(cond, mutex);
    }
    if (record->pending != 0) {
        return EINTR;
    }
    // A signal does not end a condition wait (the platform resumes it), so the wait is cut
    // into slices that bound how long a pending stop goes unnoticed.
    const timespec slice = WallClockDeadline(kStopCheckMs);
    const bool sliceEndsFirst = deadline == nullptr || Earlier(slice, *deadline);
    const int code = pthread_cond_timedwait(cond, mutex, sliceEndsFirst ? &slice : deadline);
    if (record->pending != 0) {
        return EINTR;
    }
    return code == ETIMEDOUT && sliceEndsFirst ? 0 : code;
}

int StopAwareMutexLock(pthread_mutex_t* mutex) {
    const sWorkerStop_t* const record = CurrentWorker();
    if (record == nullptr) {
        return pthread_mutex_lock(mutex);
    }
    int code = pthread_mutex_trylock(mutex);
    while (code == EBUSY || code == ETIMEDOUT) {
        if (record->pending != 0) {
            return EINTR;
        }
        const timespec slice = WallClockDeadline(kStopCheckMs);
        code = pthread_mutex_timedlock(mutex, &slice);
    }
    return code;
}

bool StopAwareSleep(long ms) {
    const sWorkerStop_t* const record = CurrentWorker();
    if (record == nullptr) {
        SleepMilliseconds(ms);
        return true;
    }
    for (long left = ms; left > 0 && record->pending == 0; left -= kStopCheckMs) {
        SleepMilliseconds(left < kStopCheckMs ? left : kStopCheckMs);
    }
    return record->pending == 0;
}

}  // namespace Vesk
