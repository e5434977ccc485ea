// SPDX-License-Identifier: Apache-2.0
// CEvent: a state flag guarded by one platform mutex, with waiters on one condition variable.
#include <vesk/event.h>

#include <errno.h>

#include "sync/stopguard.h"
#include "sync/waitsupport.h"

namespace Vesk {
namespace {

// Holds the event's mutex and its waiter registration for one blocking wait. A forced stop never
// ends the thread inside it: the wait runs under a stop deferral and gives up instead, so the
// registration is always undone and the condition variable keeps no waiter that never leaves
// (which would make the event's destructor block).
class CWaiterRegistration {
  public:
    explicit CWaiterRegistration(CEvent& event) : m_event(event) {
        pthread_mutex_lock(&m_event.m_mutex);
        ++m_event.m_waiters;
    }
    ~CWaiterRegistration() {
        --m_event.m_waiters;
        pthread_mutex_unlock(&m_event.m_mutex);
    }
    CWaiterRegistration(const CWaiterRegistration&) = delete;
    CWaiterRegistration& operator=(const CWaiterRegistration&) = delete;

  private:
    CEvent& m_event;
};

}  // namespace

CEvent::CEvent(bool manualReset)
    : CSynchronizationObject(),
      CRefCount_Base(),
      m_signaled(false),
      m_waiters(0),
      m_manualReset(manualReset) {
    pthread_mutex_init(&m_mutex, nullptr);
    pthread_cond_init(&m_cond, nullptr);
}

CEvent::~CEvent() {
    pthread_mutex_destroy(&m_mutex);
    pthread_cond_destroy(&m_cond);
}

void* CEvent::GetReferencedObject() {
    return this;
}

void CEvent::SetState(bool state) {
    const CStopDeferral deferral;
    pthread_mutex_lock(&m_mutex);
    m_signaled = state;
    // Broadcast, for both kinds: a single wake-up could be absorbed by a waiter whose timed wait
    // is ending at this moment, leaving another waiter blocked while the event stays signalled.
    // Woken waiters re-test the state; of an auto-reset event exactly one takes the signal.
    pthread_cond_broadcast(&m_cond);
    pthread_mutex_unlock(&m_mutex);
    NotifyMultiWaiters();
}

void CEvent::SignalEvent() {
    SetState(true);
}
void CEvent::ResetEvent() {
    SetState(false);
}

int CEvent::WaitForObject(long timeout) {
    const CStopDeferral deferral;
    if (timeout == 0) {
        pthread_mutex_lock(&m_mutex);
        const int result = m_signaled ? eWaitSignaled : eWaitTimeout;
        pthread_mutex_unlock(&m_mutex);
        return result;
    }
    // The deadline is taken before the lock: time spent waiting for the lock counts.
    const timespec deadline = timeout > 0 ? WallClockDeadline(timeout) : timespec{};
    CWaiterRegistration registration(*this);
    int code = 0;
    // Tested before the first wait, so a signalled event is not waited for; a wake-up that finds
    // the state still false (spurious, a reset, or a signal another waiter took) waits again with
    // the same absolute deadline.
    while (!m_signaled && code == 0) {
        code = StopAwareCondWait(&m_cond, &m_mutex, timeout < 0 ? nullptr : &deadline);
    }
    if (code == 0 && StopPending()) {
        code = EINTR;  // a thread about to end must not take an auto-reset signal with it
    }
    const int result = WaitResultFromCode(code);
    if (result == eWaitSignaled && !m_manualReset) {
        m_signaled = false;  // this waiter takes the auto-reset signal
    }
    return result;
}

}  // namespace Vesk
