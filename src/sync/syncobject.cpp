// SPDX-License-Identifier: Apache-2.0
// The wait contract's base, the no-op waitable object and the recursive, polling mutex.
#include <vesk/syncobject.h>

#include <errno.h>
#include <sys/time.h>

#include <algorithm>
#include <limits>

#include "sync/stopguard.h"
#include "sync/waitsupport.h"

namespace Vesk {

timespec WallClockDeadline(long timeoutMs) {
    const long long kNsPerSecond = 1000000000LL;
    const long long kNsPerMs = 1000000LL;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long nowNs = static_cast<long long>(now.tv_sec) * kNsPerSecond + now.tv_nsec;
    // Where `long` has 64 bits, time-out x 10^6 can leave the 64-bit range (LONG_MAX is a common
    // "forever"): saturate instead of overflowing into a deadline on the wrong side of now. Far
    // negative time-outs stop at the epoch, which is just as much in the past.
    const long long maxMs = (std::numeric_limits<long long>::max() - nowNs) / kNsPerMs;
    const long long minMs = -(nowNs / kNsPerMs);
    const long long ms = std::max(minMs, std::min(static_cast<long long>(timeoutMs), maxMs));
    const long long ns = nowNs + ms * kNsPerMs;
    timespec deadline{};
    if (ns / kNsPerSecond > static_cast<long long>(std::numeric_limits<time_t>::max())) {
        // A 32-bit time_t cannot hold the instant: the latest it can hold is as good as never.
        deadline.tv_sec = std::numeric_limits<time_t>::max();
        deadline.tv_nsec = kNsPerSecond - 1;
        return deadline;
    }
    deadline.tv_sec = static_cast<time_t>(ns / kNsPerSecond);
    deadline.tv_nsec = static_cast<long>(ns % kNsPerSecond);
    return deadline;
}

int WaitResultFromCode(int code) {
    if (code == 0) {
        return CSynchronizationObject::eWaitSignaled;
    }
    return code == ETIMEDOUT ? CSynchronizationObject::eWaitTimeout
                             : CSynchronizationObject::eWaitFailed;
}

void SleepMilliseconds(long ms) {
    const timespec interval{static_cast<time_t>(ms / 1000), (ms % 1000) * 1000000L};
    nanosleep(&interval, nullptr);
}

CSynchronizationObject::CSynchronizationObject() = default;
CSynchronizationObject::~CSynchronizationObject() = default;

int CSynchronizationObject::WaitForObject(CSynchronizationObject& object, long timeout) {
    return object.WaitForObject(timeout);
}

CFakeSynchronizationObject::~CFakeSynchronizationObject() = default;
int CFakeSynchronizationObject::WaitForObject(long) {
    return eWaitFailed;
}
void CFakeSynchronizationObject::OnReleaseWait() {}

CMutex::CMutex() {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

CMutex::~CMutex() {
    pthread_mutex_destroy(&m_mutex);
}

// A worker blocked here by another holder can still be ended: the lock gives up once a forced
// stop is pending, and the deferral then ends the thread without the mutex.
void CMutex::Lock() {
    const CStopDeferral deferral;
    StopAwareMutexLock(&m_mutex);
}
// Deferred too: a thread ended inside the platform's unlock could leave the mutex owned.
void CMutex::Unlock() {
    const CStopDeferral deferral;
    pthread_mutex_unlock(&m_mutex);
}

int CMutex::WaitForObject(long timeout) {
    const CStopDeferral deferral;
    int code;
    if (timeout == -1) {
        code = StopAwareMutexLock(&m_mutex);
    } else if (timeout == 0) {
        // A zero time-out is exactly one try; no clock needs reading for it.
        code = pthread_mutex_trylock(&m_mutex);
        code = code == EBUSY ? ETIMEDOUT : code;
    } else {
        const timespec deadline = WallClockDeadline(timeout);
        code = pthread_mutex_timedlock_custom(&m_mutex, &deadline);
    }
    if (code == 0) {
        Unlock();
    }
    return WaitResultFromCode(code);
}

int CMutex::pthread_mutex_timedlock_custom(pthread_mutex_t* mutex, const timespec* deadline) {
    int code = pthread_mutex_trylock(mutex);
    while (code == EBUSY) {
        timeval now{};
        gettimeofday(&now, nullptr);
        const long nowNs = static_cast<long>(now.tv_usec) * 1000L;
        if (now.tv_sec > deadline->tv_sec ||
            (now.tv_sec == deadline->tv_sec && nowNs >= deadline->tv_nsec)) {
            return ETIMEDOUT;
        }
        // Fixed 10 ms poll; a sleep cut short by a signal is not resumed.
        if (!StopAwareSleep(10)) {
            return EINTR;
        }
        code = pthread_mutex_trylock(mutex);
    }
    return code;
}

}  // namespace Vesk
