// SPDX-License-Identifier: Apache-2.0
// Deadline arithmetic and result mapping shared by the waitable objects (internal).
#ifndef VESK_SYNC_WAITSUPPORT_H
#define VESK_SYNC_WAITSUPPORT_H

#include <pthread.h>
#include <time.h>

namespace Vesk {

// The absolute CLOCK_REALTIME instant `timeoutMs` milliseconds from now, computed in signed 64-bit
// nanoseconds (so a negative time-out gives a deadline in the past).
timespec WallClockDeadline(long timeoutMs);

// Platform result code to wait result: 0 -> 1 (signalled), ETIMEDOUT -> 2, anything else -> 0.
int WaitResultFromCode(int code);

// Wakes every thread blocked in CSynchronizationObject::WaitForObjects so that it tests its set
// again. Called after an event's state changed (with the event's own mutex released) and after a
// thread's status became finished. Costs one atomic load while no such wait is in progress.
void NotifyMultiWaiters();

// nanosleep of `ms` milliseconds (seconds and nanoseconds); a sleep cut short by a signal is not
// resumed.
void SleepMilliseconds(long ms);

// Holds a platform mutex from construction to destruction.
class CPlatformLockHolder {
  public:
    explicit CPlatformLockHolder(pthread_mutex_t& mutex) : m_mutex(mutex) {
        pthread_mutex_lock(&m_mutex);
    }
    ~CPlatformLockHolder() { pthread_mutex_unlock(&m_mutex); }
    CPlatformLockHolder(const CPlatformLockHolder&) = delete;
    CPlatformLockHolder& operator=(const CPlatformLockHolder&) = delete;

  private:
    pthread_mutex_t& m_mutex;
};

}  // namespace Vesk

#endif  // VESK_SYNC_WAITSUPPORT_H
