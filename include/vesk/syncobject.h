// SPDX-License-Identifier: Apache-2.0
/// @file
/// Waitable objects: the wait contract, the no-op object and the recursive mutex.
///
/// Every waitable kind derives from CSynchronizationObject and answers WaitForObject(timeout):
///   timeout   -1: no limit;  0: test without blocking;  > 0: milliseconds.
///   result    eWaitFailed (0): a platform call failed, or the object can never be signalled
///             eWaitSignaled (1): the object was signalled (mutex obtainable, event set, thread
///             done) eWaitTimeout (2): the time-out passed first
/// Below -1 each kind has its own reading (mutex: a deadline in the past; event: no limit;
/// thread: time-out at once; fake: failure). Platform result codes map the same way everywhere:
/// 0 gives 1, ETIMEDOUT gives 2, anything else 0.
///
/// The mutex and the event turn a positive time-out into a deadline on the wall clock
/// (CLOCK_REALTIME), so setting the system time lengthens or shortens a wait in progress.
#ifndef VESK_SYNCOBJECT_H
#define VESK_SYNCOBJECT_H

#include <vesk/export.h>

#include <pthread.h>
#include <time.h>

namespace Vesk {

/// The base of every waitable object: the wait contract described above.
class VESK_API CSynchronizationObject {
  public:
    /// The results of every wait.
    enum EWaitResult { eWaitFailed = 0, eWaitSignaled = 1, eWaitTimeout = 2 };

    CSynchronizationObject();
    virtual ~CSynchronizationObject();

    /// Blocks until the object is signalled or `timeout` milliseconds have passed; see above.
    virtual int WaitForObject(long timeout) = 0;

    /// Calls object.WaitForObject(timeout) through the virtual table and returns its result.
    static int WaitForObject(CSynchronizationObject& object, long timeout);

    /// Waits on several objects at once: until one of objects[0..count-1] is signalled (wait-any,
    /// waitAll false) or all of them are signalled at one moment (wait-all), or `timeout` ms pass.
    ///   timeout -1: no limit;  0: test only, consuming nothing;  > 0: until a wall-clock deadline
    ///   result  eWaitSignaled (1), eWaitTimeout (2), or eWaitFailed (0) at once, touching no
    ///           object, for: a null array or entry, count outside 1..64, a time-out below -1,
    ///           an object twice in a wait-all, or an object of a kind that cannot be waited on
    ///           together (CFakeSynchronizationObject, which is never signalled, or any kind
    ///           other than CEvent, CThread and CMutex); later, 0 also when a platform call fails.
    ///   signaled: when a wait-any returns 1 and it is not null, receives the index of the
    ///           object that satisfied it; otherwise it is not written.
    /// Signalled means what a wait on the object alone means:
    ///   CEvent manual-reset  while it is set; it stays set
    ///   CEvent auto-reset    while a signal is pending; a satisfied wait (time-out not 0) takes it
    ///   CThread              once its status is finished (3); the thread is not joined here, its
    ///                        StopThread or destructor collects it as usual
    ///   CMutex               when the caller could obtain it (free, or held by the caller): it is
    ///                        taken and released at once, so the caller never holds it afterwards
    /// Wait-any reports the lowest index signalled at the moment it is satisfied and takes only
    /// that object's signal; the others keep theirs. Wait-all is satisfied only at a moment when
    /// every object is signalled together and then takes the signal of every auto-reset event of
    /// the set at once; until then it takes nothing, so other waiters may take those signals.
    /// A signal or the end of a thread's body wakes the wait at once; mutexes give no notice and
    /// are tested again every 10 ms while one is in the set. Thread-safe; every object must
    /// outlive the wait. An event that is signalled and reset again while the waiter is not
    /// looking (between two of its tests) may be missed, as with a single wait.
    static int WaitForObjects(CSynchronizationObject* const* objects, int count, bool waitAll,
                              long timeout, int* signaled);
};

/// A placeholder whose wait fails at once (result 0) for every time-out; it never blocks.
class VESK_API CFakeSynchronizationObject : public CSynchronizationObject {
  public:
    using CSynchronizationObject::WaitForObject;

    ~CFakeSynchronizationObject() override;
    int WaitForObject(long timeout) override;
    /// Does nothing.
    void OnReleaseWait();
};

/// A recursive mutex. Lock/Unlock hold it (a holder may lock again and must unlock as often).
///
/// WaitForObject obtains the mutex and releases it again at once, so result 1 means "was free, or
/// already held by the caller, within the time-out"; the caller holds nothing afterwards:
///   -1      blocks in the platform lock
///    0      one try-lock, no sleep
///   > 0     try-lock every 10 ms until the wall-clock deadline; ends at most ~10 ms after it.
///           The waiter does not queue: a busy mutex may be taken by others in between.
///   < -1    one try-lock (the deadline lies in the past)
/// Thread-safe; the object must outlive every holder and waiter.
class VESK_API CMutex : public CSynchronizationObject {
  public:
    using CSynchronizationObject::WaitForObject;

    CMutex();
    ~CMutex() override;
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    int WaitForObject(long timeout) override;

    /// Blocks until the calling thread holds the mutex (at once when it already does).
    void Lock();
    /// Gives back one hold; must be called by the holder.
    void Unlock();

    /// Tries to obtain `mutex` until the absolute wall-clock `deadline`, polling every 10 ms.
    /// Returns 0 when obtained (the caller holds it), ETIMEDOUT when the deadline passed, or any
    /// other code than EBUSY that a try-lock returned.
    static int pthread_mutex_timedlock_custom(pthread_mutex_t* mutex, const timespec* deadline);

    /// The platform mutex, recursive.
    pthread_mutex_t m_mutex;
};

}  // namespace Vesk

#endif  // VESK_SYNCOBJECT_H
