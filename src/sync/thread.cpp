// SPDX-License-Identifier: Apache-2.0
// CThread: a worker on a 256 KiB platform thread, stopped by request, by time-out and SIGUSR1, or
// by itself.
#include <vesk/thread.h>

#include <sched.h>
#include <signal.h>

#include <errno.h>

#include "sync/stopguard.h"
#include "sync/waitsupport.h"

namespace Vesk {
namespace {

const size_t kStackSize = 262144;
// Polls of the handle flag a new thread makes before it starts yielding (see ThreadFuncInternal).
const int kSpinsBeforeYield = 2000;
// m_thread holds this when the object has no thread to stop (not -1: that is m_threadID's mark).
const pthread_t kNoThread = static_cast<pthread_t>(65535);
const pthread_t kNoThreadID = static_cast<pthread_t>(-1);

bool IsRunning(int status) {
    return status == CThread::eThreadRunning || status == CThread::eThreadPaused;
}

// Joining. A platform thread may be joined once only, yet any number of threads may wait for one
// (WaitForObject from several threads, StopThread, the destructor): the first becomes the joiner
// and the others wait for its result. The joins are listed, each node on its joiner's stack,
// under one process-wide lock, which also guards every change of an object's m_thread and
// m_joined: a handle cannot be forgotten, detached or replaced between a waiter's reading it and
// its join. A joiner calls pthread_join only once the status says finished, tested under the
// lock; so while the status is not finished no join can have freed the thread, and a forced
// stop may still send it the signal. g_threadEvent is broadcast when a join completes and when a
// body ends.
struct sJoin_t {
    const CThread* object;
    pthread_t handle;
    sJoin_t* next;
    int waiters;  // threads waiting for this join's result
    int code;     // the join's code, once done
    bool done;
};
pthread_mutex_t g_joinLock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_threadEvent = PTHREAD_COND_INITIALIZER;
sJoin_t* g_joins = nullptr;

class CJoinLockHolder : public CPlatformLockHolder {
  public:
    CJoinLockHolder() : CPlatformLockHolder(g_joinLock) {}
};

// The join of `object`'s thread `handle` (of any of its threads for kNoThread), or null.
sJoin_t* FindJoin(const CThread* object, pthread_t handle) {
    for (sJoin_t* join = g_joins; join != nullptr; join = join->next) {
        if (join->object == object &&
            (handle == kNoThread || pthread_equal(join->handle, handle) != 0)) {
            return join;
        }
    }
    return nullptr;
}

bool BeingJoined(const CThread* object, pthread_t handle) {
    return FindJoin(object, handle) != nullptr;
}

// Called with g_joinLock held: waits, without it, until `ready` holds. 0, or EINTR when a forced
// stop of the caller is pending.
template <class Ready>
int WaitUnderJoinLock(Ready ready) {
    int code = 0;
    while (!ready() && code == 0) {
        code = StopAwareCondWait(&g_threadEvent, &g_joinLock, nullptr);
    }
    return code == 0 ? 0 : EINTR;
}

void NotifyThreadEvent() {
    const CJoinLockHolder hold;
    pthread_cond_broadcast(&g_threadEvent);
}

// Called with g_joinLock held, as the joiner of `node`: waits until the status is finished, then
// joins. The join code, or EINTR when a forced stop of the calling worker is pending.
int JoinAsJoiner(sJoin_t& node, const std::atomic<int>& status) {
    int code = WaitUnderJoinLock([&] { return status.load() == CThread::eThreadFinished; });
    if (code == 0) {
        pthread_mutex_unlock(&g_joinLock);
        code = pthread_join(node.handle, nullptr);
        pthread_mutex_lock(&g_joinLock);
    }
    node.code = code;
    node.done = true;
    pthread_cond_broadcast(&g_threadEvent);
    // The waiters read the result from this node, which lives on this stack: they go first.
    while (node.waiters > 0) {
        pthread_cond_wait(&g_threadEvent, &g_joinLock);
    }
    sJoin_t** link = &g_joins;
    while (*link != &node) {
        link = &(*link)->next;
    }
    *link = node.next;
    return code;
}

// Called with g_joinLock held: joins `handle`, the thread of `object`, or waits for the result of
// the join that another thread is making (and takes its place if that one gives up). The join
// code, or EINTR when a forced stop of the calling worker is pending.
int JoinLocked(const CThread* object, pthread_t handle, const std::atomic<int>& status) {
    for (;;) {
        sJoin_t* const other = FindJoin(object, handle);
        if (other == nullptr) {
            sJoin_t node{object, handle, g_joins, 0, 0, false};
            g_joins = &node;
            return JoinAsJoiner(node, status);
        }
        ++other->waiters;
        const int code = WaitUnderJoinLock([other] { return other->done; });
        const int result = code != 0 ? code : other->code;
        --other->waiters;
        pthread_cond_broadcast(&g_threadEvent);
        if (result != EINTR || code != 0) {
            return result;
        }
        // The joiner was a worker being ended: wait until its node is gone, then join here.
        WaitUnderJoinLock([object, handle] { return !BeingJoined(object, handle); });
    }
}

// Called with g_joinLock held, for a handle the object has just forgotten and will not join:
// detaches it, unless a waiter is joining it already.
void ReleaseLocked(const CThread* object, pthread_t handle) {
    if (!BeingJoined(object, handle)) {
        pthread_detach(handle);
    }
}

}  // namespace

CThread::CThread(bool autoDelete)
    : CSynchronizationObject(),
      m_status(eThreadNotStarted),
      m_threadID(kNoThreadID),
      m_stopEvent(true),
      m_lock(),
      m_thread(kNoThread),
      m_autoDelete(autoDelete),
      m_joined(false),
      m_handlePublished(false) {
    InstallThreadExitSignalHandler();
}

CThread::~CThread() {
    // Also waits for a body that StopThread(0) left running. A forced stop of the calling worker
    // that cuts this short ends that thread inside StopThread, before anything is destroyed.
    StopThread(-1);
}

pthread_t CThread::GetThreadID() const {
    return __atomic_load_n(&m_threadID, __ATOMIC_ACQUIRE);
}
int CThread::GetThreadStatus() const {
    return m_status.load();
}
int CThread::PauseThread() {
    return 0;
}
int CThread::ResumeThread() {
    return 0;
}
int CThread::SetThreadPriotiry(EPriority) {
    return 0;
}

void CThread::Sleep(int milliseconds) {
    // Seconds and nanoseconds, not one microsecond count: that would wrap after about 71 minutes
    // in a 32-bit useconds_t. Holds nothing, so a forced stop may end the thread inside it.
    if (milliseconds > 0) {
        SleepMilliseconds(milliseconds);
    }
}

pthread_t CThread::GetCurrentThreadID() {
    return pthread_self();
}

int CThread::StartThread(bool) {
    const CStopDeferral deferral;
    if (StopAwareMutexLock(&m_lock.m_mutex) != 0) {
        return 0;  // the calling worker is being ended
    }
    const int previous = m_status.load();
    if (IsRunning(previous) || CollectFinishedThread() != 0) {
        pthread_mutex_unlock(&m_lock.m_mutex);
        return 0;
    }
    m_stopEvent.ResetEvent();
    pthread_attr_t attributes;
    const bool haveAttributes = pthread_attr_init(&attributes) == 0;
    if (haveAttributes) {
        pthread_attr_setstacksize(&attributes, kStackSize);
    }
    // Running is stored before the thread can run: a body that ends at once then always leaves
    // its own "finished" as the last write.
    m_status.store(eThreadRunning);
    m_handlePublished.store(false);
    pthread_t handle;
    int code;
    {
        const CStopSignalBlock block;  // the new thread starts with SIGUSR1 blocked
        code = pthread_create(&handle, haveAttributes ? &attributes : nullptr,
                              &CThread::ThreadFuncInternal, this);
    }
    if (haveAttributes) {
        pthread_attr_destroy(&attributes);
    }
    if (code == 0) {
        SetThread(handle);
        m_handlePublished.store(true, std::memory_order_release);
    } else {
        m_status.store(previous);
    }
    // Nothing of the object may be touched after this unlock: an auto-delete worker may be
    // deleting it already.
    pthread_mutex_unlock(&m_lock.m_mutex);
    return code == 0 ? 1 : 0;
}

int CThread::CollectFinishedThread() {
    const CJoinLockHolder hold;
    // A join of the last thread still going on (its handle possibly forgotten already) must end
    // before the handle is replaced: the platform may give the new thread the same value.
    int code = WaitUnderJoinLock([this] { return !BeingJoined(this, kNoThread); });
    if (code == 0 && m_thread != kNoThread && !m_joined) {
        // A finished thread that nobody joined yet: collect it before its handle is replaced.
        code = JoinLocked(this, m_thread, m_status);
    }
    return code == EINTR ? EINTR : 0;
}

void* CThread::ThreadFuncInternal(void* object) {
    CThread* const self = static_cast<CThread*>(object);
    sWorkerStop_t stop;
    BeginWorker(&stop, self);
    // Wait until StartThread has stored the handle, so the body sees GetThreadID() right. The
    // store follows pthread_create's return within a fraction of a microsecond, so the wait
    // spins a little before it yields: on a busy machine a yield can hand the processor to
    // another process for a whole time slice, which would dwarf the cost of starting a thread.
    for (int spins = 0; !self->m_handlePublished.load(std::memory_order_acquire); ++spins) {
        if (spins >= kSpinsBeforeYield) {
            sched_yield();
        }
    }
    const bool autoDelete = self->m_autoDelete;
    // A forced stop lands here (sigsetjmp gives 1): the rest of the body never runs, nothing on
    // its stack is destroyed, and the thread ends from this routine, joinable as ever.
    if (sigsetjmp(stop.jumpTarget, 1) == 0) {
        EndDeferral(&stop);  // the start-up deferral; a stop that came meanwhile ends it here
        self->ThreadFunc();
        stop.deferrals = 1;  // from here on, a late stop is only noted
        stop.bodyReturned = 1;
    }
    stop.deferrals = 1;
    NotifyThreadEvent();
    NotifyMultiWaiters();
    EndWorker();  // a late SIGUSR1 cannot cut the deletion short
    // Only a body that returned deletes its object: one that was ended (by itself or by force)
    // belongs to whoever ended it.
    if (stop.bodyReturned != 0 && autoDelete) {
        delete self;
    }
    return nullptr;
}

int CThread::ThreadFunc() {
    m_status.store(eThreadRunning);
    const int result = ThreadBody();
    m_status.store(eThreadFinished);
    return result;
}

int CThread::JoinOnce() {
    const CStopDeferral deferral;
    const CJoinLockHolder hold;
    const pthread_t handle = m_thread;
    if (handle == kNoThread) {
        return ESRCH;
    }
    if (m_joined) {
        return 0;
    }
    if (pthread_equal(handle, pthread_self()) != 0) {
        return EDEADLK;  // the body waiting for itself
    }
    const int code = JoinLocked(this, handle, m_status);
    // m_thread cannot have been replaced meanwhile (StartThread waits for joins in progress),
    // only forgotten.
    if (code == 0 && pthread_equal(m_thread, handle) != 0) {
        m_joined = true;
    }
    return code;
}

int CThread::WaitForObject(long timeout) {
    if (timeout == -1) {
        return WaitResultFromCode(JoinOnce());
    }
    if (timeout < -1) {
        return eWaitTimeout;
    }
    if (timeout == 0) {
        if (m_status.load() != eThreadFinished) {
            return eWaitTimeout;
        }
        JoinOnce();
        return eWaitSignaled;
    }
    long step = timeout / 100;
    step = step < 1 ? 1 : (step > 5000 ? 5000 : step);
    // Elapsed time is counted in steps, not read from a clock; the first test follows one sleep.
    // The count is 64-bit: near LONG_MAX one more step would overflow a `long`.
    for (long long elapsed = step;; elapsed += step) {
        if (!StopAwareSleep(step)) {
            return eWaitFailed;  // the calling worker is being ended
        }
        if (m_status.load() == eThreadFinished) {
            JoinOnce();
            return eWaitSignaled;
        }
        if (elapsed >= timeout) {
            return eWaitTimeout;
        }
    }
}

int CThread::StopThread(long timeout) {
    const CStopDeferral deferral;
    if (StopAwareMutexLock(&m_lock.m_mutex) != 0) {
        return 0;  // the calling worker is being ended
    }
    const pthread_t handle = m_thread;
    const int status = m_status.load();
    int result = 0;
    if (handle == kNoThread) {
        pthread_mutex_unlock(&m_lock.m_mutex);
        if (timeout == -1) {
            WaitForUntrackedBody();
        }
    } else if (IsRunning(status)) {
        m_stopEvent.SignalEvent();
        if (status == eThreadPaused) {
            ResumeThread();
        }
        if (pthread_equal(handle, pthread_self()) != 0) {
            EndOwnThread(handle);
        }
        const int waited = WaitForObject(timeout);
        ForgetThread(handle, timeout != 0 && waited == eWaitTimeout, waited == eWaitSignaled);
        result = 1;
        pthread_mutex_unlock(&m_lock.m_mutex);
    } else if (status == eThreadFinished) {
        ForgetThread(handle, false, false);
        result = 1;
        pthread_mutex_unlock(&m_lock.m_mutex);
    } else {
        pthread_mutex_unlock(&m_lock.m_mutex);
    }
    return result;
}

void CThread::ForgetThread(pthread_t handle, bool force, bool joined) {
    const CJoinLockHolder hold;
    joined = joined || m_joined;
    SetThread(kNoThread);
    if (force) {
        if (m_status.load() != eThreadFinished) {
            // Not finished, so nobody has joined the thread and its handle is valid. The signal
            // ends the body at once, or where the library call it is in leaves the library.
            pthread_kill(handle, SIGUSR1);
            m_status.store(eThreadFinished);
            pthread_cond_broadcast(&g_threadEvent);  // joiners may go on
            NotifyMultiWaiters();
        }
        if (!joined) {
            JoinLocked(this, handle, m_status);  // short: the thread is ending
        }
    } else if (!joined) {
        // On its own thread (the auto-delete destructor) the thread cannot join itself; a stop
        // only requested (or a wait that failed) leaves the body running untracked.
        const bool finished = m_status.load() == eThreadFinished;
        if (finished && pthread_equal(handle, pthread_self()) == 0) {
            JoinLocked(this, handle, m_status);
        } else {
            ReleaseLocked(this, handle);
        }
    }
}

void CThread::EndOwnThread(pthread_t handle) {
    {
        const CJoinLockHolder hold;
        SetThread(kNoThread);
        ReleaseLocked(this, handle);  // nobody else will join a thread that ends itself
    }
    m_status.store(eThreadFinished);
    NotifyMultiWaiters();
    pthread_mutex_unlock(&m_lock.m_mutex);
    // Nothing of the object is touched from here: its owner may destroy it at once.
    EndCallingThread();
}

void CThread::WaitForUntrackedBody() {
    const sWorkerStop_t* const caller = CurrentWorker();
    if (caller != nullptr && caller->object == this) {
        return;  // the body itself
    }
    const CJoinLockHolder hold;
    WaitUnderJoinLock([this] { return !IsRunning(m_status.load()); });
}

void CThread::SetThread(pthread_t handle) {
    m_thread = handle;
    m_joined = false;
    __atomic_store_n(&m_threadID, handle == kNoThread ? kNoThreadID : handle, __ATOMIC_RELEASE);
}

}  // namespace Vesk
