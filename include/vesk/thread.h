// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CThread - base class of worker threads; a waitable object signalled when the body is done.
///
/// Derive, implement ThreadBody (watch m_stopEvent and return once it is signalled), then
/// StartThread. Every thread runs on a 256 KiB stack. Constructing any CThread installs a
/// process-wide SIGUSR1 handler; StopThread sends SIGUSR1 to a body that does not return within
/// its time-out, which ends it by force (docs/forced-stop.md):
///   - in the application's code, at once: none of the body's remaining code runs, no destructor
///     of its stack either, on every platform; the thread leaves from its entry routine, still
///     joinable, and its object is neither deleted (auto-delete) nor left in use;
///   - inside a library call, where that call leaves the library (blocking waits inside give up
///     within about 10 ms), so no library object is left locked or half changed;
///   - whatever signal mask the starting thread had: each worker unblocks SIGUSR1 for itself.
/// What the body holds of its own (locks, memory, C library state) stays as it was. A thread that
/// is not a worker of this class ends itself (pthread_exit) when it receives SIGUSR1.
///
/// Status (GetThreadStatus):
///   0 eThreadNotStarted  construction; a failed StartThread leaves the status as it was
///   1 eThreadRunning     StartThread succeeded (set again as the body begins)
///   2 eThreadPaused      never set by this class; treated like running
///   3 eThreadFinished    the body returned, the body stopped itself, or StopThread ended it
///   0 or 3 --StartThread--> 1 --body returns / self-stop / forced stop--> 3
///
/// WaitForObject(timeout): waits for the thread to finish.
///   -1   joins the thread: 1 once it has ended; 0 without a thread or when the platform refuses
///        (the body waiting for itself)
///    0   1 when finished (joining it), else 2
///   > 0  polls every timeout/100 ms (1..5000 ms), first after one step: 1 or 2
///   < -1 2 at once
/// A platform thread is joined exactly once, however many threads wait for it at once; each
/// waiter gets its result (1 for a thread that ended while it waited).
///
/// Threads: the owner calls StartThread/StopThread/WaitForObject and the destructor; the worker
/// runs the body and may call StopThread on its own object. StartThread and StopThread hold the
/// object's recursive mutex throughout, wait and join included. An auto-delete object deletes
/// itself on its own thread when the body returns; once started, only that thread may end it.
/// The destructor calls StopThread(-1): a derived class whose body uses its own members must stop
/// the thread in its own destructor. StopThread(-1) also waits for a body that an earlier
/// StopThread(0) left running (still returning 0), so the object is never freed under its body.
#ifndef VESK_THREAD_H
#define VESK_THREAD_H

#include <vesk/event.h>
#include <vesk/export.h>
#include <vesk/syncobject.h>

#include <pthread.h>

#include <atomic>

namespace Vesk {

/// Base class of worker threads, signalled when the body is done; see the file description.
class VESK_API CThread : public CSynchronizationObject {
  public:
    using CSynchronizationObject::WaitForObject;

    /// The thread status, as GetThreadStatus returns it (table above).
    enum EThreadStatus {
        eThreadNotStarted = 0,
        eThreadRunning = 1,
        eThreadPaused = 2,
        eThreadFinished = 3
    };
    /// Accepted and ignored by SetThreadPriotiry.
    enum EPriority {
        ePriorityIdle,
        ePriorityLowest,
        ePriorityBelowNormal,
        ePriorityNormal,
        ePriorityAboveNormal,
        ePriorityHighest,
        ePriorityTimeCritical
    };

    /// Status not started; installs the SIGUSR1 handler. With `autoDelete` the object deletes
    /// itself when the body returns (it must be made with `new`).
    explicit CThread(bool autoDelete = false);
    ~CThread() override;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    int WaitForObject(long timeout) override;
    /// The running thread's handle, or (pthread_t)-1 when there is none. Inside the body it equals
    /// GetCurrentThreadID().
    virtual pthread_t GetThreadID() const;
    /// The status: an EThreadStatus value.
    virtual int GetThreadStatus() const;
    /// 1 when a new thread was created; 0 when one is running or paused, or creation failed.
    /// The argument has no effect.
    virtual int StartThread(bool suspended = false);
    /// Signals m_stopEvent and waits up to `timeout` ms for the body; ends it by SIGUSR1 and joins
    /// it when the time-out (other than 0 and -1) passes, returning within the time-out plus a
    /// few milliseconds. 0 only requests the stop; a later StopThread(-1) (the destructor's) still
    /// waits for that body. Called by the body itself, ends the calling thread at once, as a
    /// forced end does. 1 when the object had a thread, else 0.
    virtual int StopThread(long timeout);
    /// Do nothing and return 0; a derived class may provide them.
    virtual int PauseThread();
    /// Does nothing and returns 0.
    virtual int ResumeThread();
    /// Does nothing and returns 0 (the name keeps its historical spelling).
    virtual int SetThreadPriotiry(EPriority priority);
    /// The work of the thread; runs on the new thread.
    virtual int ThreadBody() = 0;
    /// Marks the status running, runs the body, marks it finished; returns the body's result.
    virtual int ThreadFunc();

    /// Entry routine given to pthread_create; `object` is the CThread.
    static void* ThreadFuncInternal(void* object);
    /// Suspends the calling thread for `milliseconds`.
    static void Sleep(int milliseconds);
    /// The calling thread's handle (pthread_self).
    static pthread_t GetCurrentThreadID();

  protected:
    /// The status: an EThreadStatus value.
    std::atomic<int> m_status;
    /// The running thread's handle, as GetThreadID returns it.
    pthread_t m_threadID;
    /// The stop request: signalled by StopThread, reset by StartThread. Manual-reset.
    CEvent m_stopEvent;
    /// Held by StartThread and StopThread throughout.
    CMutex m_lock;
    /// The platform thread of the last start.
    pthread_t m_thread;
    /// Whether the object deletes itself when the body returns.
    bool m_autoDelete;

  private:
    /// Both live in the padding after m_autoDelete, so the layout applications were compiled
    /// against does not change. m_joined remembers that m_thread was joined (it must be joined at
    /// most once); m_handlePublished lets the new thread wait until StartThread has stored its
    /// handle, so GetThreadID() is right from the body's first instruction.
    bool m_joined;
    std::atomic<bool> m_handlePublished;

    /// Joins m_thread, or waits for the join another thread makes: 0 once joined (now or
    /// before); ESRCH without a thread, EDEADLK on the thread itself, EINTR when the calling
    /// worker is being ended.
    VESK_LOCAL int JoinOnce();
    /// Called with m_lock held, before a new thread replaces the last one: joins it if needed.
    VESK_LOCAL int CollectFinishedThread();
    /// Called with m_lock held: clears m_thread and ends, joins or lets go of the thread `handle`.
    VESK_LOCAL void ForgetThread(pthread_t handle, bool force, bool joined);
    /// The body's own StopThread: releases m_lock and ends the calling thread.
    [[noreturn]] VESK_LOCAL void EndOwnThread(pthread_t handle);
    /// Waits for a body that StopThread(0) left running (unless the caller is that body).
    VESK_LOCAL void WaitForUntrackedBody();
    /// Sets m_thread and m_threadID together.
    VESK_LOCAL void SetThread(pthread_t handle);
};

}  // namespace Vesk

#endif  // VESK_THREAD_H
