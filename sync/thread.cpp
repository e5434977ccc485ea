// CThread: a worker on a 256 KiB platform thread, stopped by request, by time-out and SIGUSR1, or
// by itself.
#include <vesk/thread.h>

#include <sched.h>
#include <signal.h>

#include <cstring>

#include "sync/waitsupport.h"

namespace Vesk {
namespace {

const size_t kStackSize = 262144;
// Polls of the handle flag a new thread makes before it starts yielding (see ThreadFuncInternal).
const int kSpinsBeforeYield = 2000;
// m_thread holds this when the object has no thread to stop (not -1: that is m_threadID's mark).
const pthread_t kNoThread = static_cast<pthread_t>(65535);
const pthread_t kNoThreadID = static_cast<pthread_t>(-1);

// Ends the thread that receives SIGUSR1, wherever it is. pthread_exit unwinds the thread's stack,
// so scope guards on it (such as an event's waiter registration) still release what they hold.
void ThreadExitSignalHandler(int signalNumber) {
    if (signalNumber == SIGUSR1) {
        pthread_exit(nullptr);
    }
}

void InstallThreadExitSignalHandler() {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = &ThreadExitSignalHandler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGUSR1, &action, nullptr);
}

bool IsRunning(int status) {
    return status == CThread::eThreadRunning || status == CThread::eThreadPaused;
}

void SleepMilliseconds(long ms) {
    const timespec interval{static_cast<time_t>(ms / 1000), (ms % 1000) * 1000000L};
    nanosleep(&interval, nullptr);
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
    StopThread(-1);
}

pthread_t CThread::GetThreadID() const {
    return m_threadID;
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
    // in a 32-bit useconds_t.
    if (milliseconds > 0) {
        SleepMilliseconds(milliseconds);
    }
}

pthread_t CThread::GetCurrentThreadID() {
    return pthread_self();
}

int CThread::StartThread(bool) {
    m_lock.Lock();
    const int previous = m_status.load();
    if (IsRunning(previous)) {
        m_lock.Unlock();
        return 0;
    }
    m_stopEvent.ResetEvent();
    if (m_thread != kNoThread && !m_joined) {
        // A finished thread that nobody joined yet: collect it before its handle is replaced.
        pthread_join(m_thread, nullptr);
    }
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
    const int code = pthread_create(&handle, haveAttributes ? &attributes : nullptr,
                                    &CThread::ThreadFuncInternal, this);
    if (haveAttributes) {
        pthread_attr_destroy(&attributes);
    }
    int result = 0;
    if (code == 0) {
        m_thread = handle;
        m_threadID = handle;
        m_joined = false;
        m_handlePublished.store(true, std::memory_order_release);
        result = 1;
    } else {
        m_status.store(previous);
    }
    // Nothing of the object may be touched after this unlock: an auto-delete worker may be
    // deleting it already.
    m_lock.Unlock();
    return result;
}

void* CThread::ThreadFuncInternal(void* object) {
    CThread* self = static_cast<CThread*>(object);
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
    self->ThreadFunc();
    if (autoDelete) {
        delete self;
    }
    return nullptr;
}

int CThread::ThreadFunc() {
    m_status.store(eThreadRunning);
    const int result = ThreadBody();
    m_status.store(eThreadFinished);
    NotifyMultiWaiters();
    return result;
}

int CThread::JoinOnce() {
    if (m_thread == kNoThread || m_joined) {
        return 0;
    }
    const int code = pthread_join(m_thread, nullptr);
    // Written only on success: a failed join is the body waiting for itself, and that thread
    // must not write while the owner may be joining.
    if (code == 0) {
        m_joined = true;
    }
    return code;
}

int CThread::WaitForObject(long timeout) {
    if (timeout == -1) {
        if (m_thread == kNoThread) {
            return eWaitFailed;
        }
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
        SleepMilliseconds(step);
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
    m_lock.Lock();
    const pthread_t handle = m_thread;
    const int status = m_status.load();
    if (handle == kNoThread || (!IsRunning(status) && status != eThreadFinished)) {
        m_lock.Unlock();
        return 0;
    }
    const bool joined = m_joined;
    const bool onOwnThread = pthread_equal(handle, pthread_self()) != 0;
    if (IsRunning(status)) {
        m_stopEvent.SignalEvent();
        if (status == eThreadPaused) {
            ResumeThread();
        }
        if (onOwnThread) {
            ForgetThread();
            m_status.store(eThreadFinished);
            m_lock.Unlock();
            pthread_detach(handle);  // nobody will join a thread that ends itself
            pthread_exit(nullptr);
        }
        const int waited = WaitForObject(timeout);
        ForgetThread();
        if (timeout != 0 && waited == eWaitTimeout) {
            pthread_kill(handle, SIGUSR1);
            m_status.store(eThreadFinished);
            pthread_join(handle, nullptr);
        } else if (waited != eWaitSignaled) {
            // Stop only requested (or the wait failed): the body runs on untracked, so its
            // resources must be freed when it ends.
            pthread_detach(handle);
        }
    } else {
        ForgetThread();
        if (!joined) {
            // On its own thread (the auto-delete destructor) the thread cannot join itself.
            onOwnThread ? pthread_detach(handle) : pthread_join(handle, nullptr);
        }
    }
    m_lock.Unlock();
    return 1;
}

void CThread::ForgetThread() {
    m_thread = kNoThread;
    m_threadID = kNoThreadID;
}

}  // namespace Vesk
