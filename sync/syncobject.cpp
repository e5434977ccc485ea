// The wait contract's base, the no-op waitable object and the recursive, polling mutex.
#include <vesk/syncobject.h>

#include <errno.h>
#include <sys/time.h>

#include "sync/waitsupport.h"

namespace Vesk {

timespec WallClockDeadline(long timeoutMs) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long ns = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec +
                         static_cast<long long>(timeoutMs) * 1000000LL;
    timespec deadline{};
    deadline.tv_sec = static_cast<time_t>(ns / 1000000000LL);
    deadline.tv_nsec = static_cast<long>(ns % 1000000000LL);
    return deadline;
}

int WaitResultFromCode(int code) {
    if (code == 0) {
        return CSynchronizationObject::eWaitSignaled;
    }
    return code == ETIMEDOUT ? CSynchronizationObject::eWaitTimeout
                             : CSynchronizationObject::eWaitFailed;
}

CSynchronizationObject::CSynchronizationObject() = default;
CSynchronizationObject::~CSynchronizationObject() = default;

int CSynchronizationObject::WaitForObject(CSynchronizationObject& object, long timeout) {
    return object.WaitForObject(timeout);
}

CFakeSynchronizationObject::~CFakeSynchronizationObject() = default;
int CFakeSynchronizationObject::WaitForObject(long) { return eWaitFailed; }
void CFakeSynchronizationObject::OnReleaseWait() {}

CMutex::CMutex() {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

CMutex::~CMutex() { pthread_mutex_destroy(&m_mutex); }

void CMutex::Lock() { pthread_mutex_lock(&m_mutex); }
void CMutex::Unlock() { pthread_mutex_unlock(&m_mutex); }

int CMutex::WaitForObject(long timeout) {
    int code;
    if (timeout == -1) {
        code = pthread_mutex_lock(&m_mutex);
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
        const timespec interval{0, 10000000L};
        nanosleep(&interval, nullptr);
        code = pthread_mutex_trylock(mutex);
    }
    return code;
}

}  // namespace Vesk
