// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CEvent - a waitable boolean, manual-reset or auto-reset, and reference counted.
///
///   state          SignalEvent / SetState(true)   ResetEvent / SetState(false)   wait returning 1
///   not signalled  -> signalled, wakes waiters    stays not signalled            -
///   signalled      stays signalled                -> not signalled               manual: stays
///                                                                                auto: -> not
///                                                                                      signalled
/// WaitForObject(timeout):
///   0        reads the state only: 1 when signalled, else 2; never clears an auto-reset event
///   > 0      waits until a wall-clock deadline taken before the event's lock: 1 or 2
///   -1, < -1 waits without limit
///   A condition wait failing with another code than ETIMEDOUT gives 0. A timed wait that reports
///   ETIMEDOUT gives 2 even if the event was set at that moment; the state then stays set for the
///   next waiter. Each wait returning 1 on an auto-reset event takes the signal (clears it).
///
/// Every change to signalled wakes all waiters; they re-test, and of an auto-reset event exactly
/// one takes the signal. All members are thread-safe; no thread may wait or signal during
/// destruction. A heap event shared through AddRef/ReleaseRef deletes itself on its last release.
#ifndef VESK_EVENT_H
#define VESK_EVENT_H

#include <vesk/export.h>
#include <vesk/refcount.h>
#include <vesk/syncobject.h>

#include <pthread.h>

namespace Vesk {

/// A waitable boolean, manual-reset or auto-reset, and reference counted; see the file description.
class VESK_API CEvent : public CSynchronizationObject, public CRefCount_Base {
  public:
    using CSynchronizationObject::WaitForObject;

    /// manualReset: true for manual-reset, false for auto-reset. A new event is not signalled.
    explicit CEvent(bool manualReset);
    ~CEvent() override;
    CEvent(const CEvent&) = delete;
    CEvent& operator=(const CEvent&) = delete;

    int WaitForObject(long timeout) override;
    /// The address of the whole event, also when called through the IRefCount side.
    void* GetReferencedObject() override;

    /// true: SignalEvent(); false: ResetEvent().
    void SetState(bool state);
    /// Sets the event and wakes every waiter; of an auto-reset event one wait takes the signal.
    void SignalEvent();
    /// Clears the event; waiters keep waiting.
    void ResetEvent();

    /// Guards the state; held only to test or change it, never while another lock is taken.
    pthread_mutex_t m_mutex;
    /// Broadcast on every change to signalled.
    pthread_cond_t m_cond;
    /// The state: signalled or not.
    bool m_signaled;
    /// Threads waiting in WaitForObject right now.
    int m_waiters;
    /// true for manual-reset, false for auto-reset; fixed at construction.
    bool m_manualReset;
};

}  // namespace Vesk

#endif  // VESK_EVENT_H
