// SPDX-License-Identifier: Apache-2.0
// CSynchronizationObject::WaitForObjects: one wait on several events, threads and mutexes.
//
// Waiters on several objects share one process-wide lock and condition variable. A waiter holds
// the lock from the test of its set until its sleep on the condition variable has begun; a
// notifier (an event's SetState, the end of a thread's body) takes the lock after its own change
// and then wakes every such waiter. A change is therefore either seen by the test or wakes the
// sleep that follows it: no wake-up is lost.
//
// Lock order: the shared lock, then the mutexes of the events in the set in address order. An
// event releases its own mutex before it notifies, so no thread ever holds an event's mutex while
// it waits for the shared lock, and an event still takes no other lock while it holds its own.
#include <vesk/event.h>
#include <vesk/syncobject.h>
#include <vesk/thread.h>

#include <errno.h>
#include <pthread.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <typeinfo>

#include "sync/stopguard.h"
#include "sync/waitsupport.h"

namespace Vesk {
namespace {

const int kMaxObjects = 64;
// Mutexes give no notice of their release: a set with one is tested again at this interval, the
// interval of the mutex's own timed wait.
const long kMutexPollMs = 10;

pthread_mutex_t g_multiWaitLock = PTHREAD_MUTEX_INITIALIZER;
pthread_cond_t g_multiWaitCond = PTHREAD_COND_INITIALIZER;
// Threads inside a blocking WaitForObjects; while it is 0 a notification costs one load.
std::atomic<int> g_multiWaiters{0};

enum EKind { eKindEvent, eKindThread, eKindMutex };

// A try-lock's code as a test result: obtained 1, busy 2, anything else 0.
int TryLockResult(int code) {
    return WaitResultFromCode(code == EBUSY ? ETIMEDOUT : code);
}

bool Earlier(const timespec& a, const timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool Passed(const timespec& deadline) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return !Earlier(now, deadline);
}

// Locks the given distinct events' mutexes in the order given (address order) and unlocks them
// when it goes, also when the thread is ended by force between the two.
class CEventLocks {
  public:
    CEventLocks(CEvent* const* events, int count) : m_events(events), m_count(count) {
        for (int i = 0; i < m_count; ++i) {
            pthread_mutex_lock(&m_events[i]->m_mutex);
        }
    }
    ~CEventLocks() {
        for (int i = m_count; i-- > 0;) {
            pthread_mutex_unlock(&m_events[i]->m_mutex);
        }
    }
    CEventLocks(const CEventLocks&) = delete;
    CEventLocks& operator=(const CEventLocks&) = delete;

  private:
    CEvent* const* m_events;
    int m_count;
};

// The objects of one wait, sorted by kind once, and the test of the whole set.
class CWaitSet {
  public:
    // False when the objects cannot form a wait; no object is touched then.
    bool Prepare(CSynchronizationObject* const* objects, int count, bool waitAll);
    // Tests the set once with all its events locked together. eWaitSignaled when satisfied (for
    // a wait-any with *index set), then taking the signals the wait consumes if `consume`;
    // eWaitTimeout when not satisfied (nothing taken); eWaitFailed when a mutex test failed.
    int Test(bool consume, int* index);
    bool HasMutex() const { return m_hasMutex; }

  private:
    int TestAny(bool consume, int* index);
    int TestAll(bool consume);
    // The object at `i` alone: eWaitSignaled, eWaitTimeout (not signalled) or eWaitFailed.
    int Probe(int i) const;
    void AddEvent(CEvent* event);
    CEvent& Event(int i) const { return *static_cast<CEvent*>(m_objects[i]); }
    CMutex& Mutex(int i) const { return *static_cast<CMutex*>(m_objects[i]); }

    CSynchronizationObject* const* m_objects = nullptr;
    int m_count = 0;
    bool m_waitAll = false;
    bool m_hasMutex = false;
    EKind m_kinds[kMaxObjects];
    CEvent* m_events[kMaxObjects];  // the distinct events of the set, in address order
    int m_eventCount = 0;
};

// The kind of `object`; false for one that cannot take part: the fake object is never signalled,
// and an application's own kind gives no notice of its changes. The library's own classes are
// recognised by their exact type, which costs a comparison; derived ones (every CThread) by a cast.
bool KindOf(CSynchronizationObject& object, EKind* kind) {
    const std::type_info& type = typeid(object);
    if (type == typeid(CEvent) || dynamic_cast<CEvent*>(&object) != nullptr) {
        *kind = eKindEvent;
    } else if (type == typeid(CMutex) || dynamic_cast<CMutex*>(&object) != nullptr) {
        *kind = eKindMutex;
    } else if (dynamic_cast<CThread*>(&object) != nullptr) {
        *kind = eKindThread;
    } else {
        return false;
    }
    return true;
}

bool HasDuplicate(CSynchronizationObject* const* objects, int count) {
    CSynchronizationObject* sorted[kMaxObjects];
    std::copy(objects, objects + count, sorted);
    std::sort(sorted, sorted + count, std::less<CSynchronizationObject*>());
    return std::adjacent_find(sorted, sorted + count) != sorted + count;
}

// Keeps m_events in address order, each event once (a wait-any may name one twice, and an
// event's mutex is not recursive). Sets are small and mostly given in address order already.
void CWaitSet::AddEvent(CEvent* event) {
    int at = m_eventCount;
    for (; at > 0 && std::less<CEvent*>()(event, m_events[at - 1]); --at) {
    }
    if (at > 0 && m_events[at - 1] == event) {
        return;
    }
    std::copy_backward(m_events + at, m_events + m_eventCount, m_events + m_eventCount + 1);
    m_events[at] = event;
    ++m_eventCount;
}

bool CWaitSet::Prepare(CSynchronizationObject* const* objects, int count, bool waitAll) {
    if (objects == nullptr || count < 1 || count > kMaxObjects) {
        return false;
    }
    m_objects = objects;
    m_count = count;
    m_waitAll = waitAll;
    for (int i = 0; i < count; ++i) {
        CSynchronizationObject* const object = objects[i];
        if (object == nullptr) {
            return false;
        }
        if (!KindOf(*object, &m_kinds[i])) {
            return false;
        }
        if (m_kinds[i] == eKindEvent) {
            AddEvent(&Event(i));
        }
        m_hasMutex = m_hasMutex || m_kinds[i] == eKindMutex;
    }
    return !(waitAll && HasDuplicate(objects, count));
}

// Taken and released at once, as the mutex's own wait does.
int TestMutex(CMutex& mutex) {
    const int code = pthread_mutex_trylock(&mutex.m_mutex);
    if (code == 0) {
        pthread_mutex_unlock(&mutex.m_mutex);
    }
    return TryLockResult(code);
}

inline int CWaitSet::Probe(int i) const {
    const int kSignaled = CSynchronizationObject::eWaitSignaled;
    const int kNotYet = CSynchronizationObject::eWaitTimeout;
    switch (m_kinds[i]) {
        case eKindEvent:
            return Event(i).m_signaled ? kSignaled : kNotYet;
        case eKindThread:
            return static_cast<CThread*>(m_objects[i])->GetThreadStatus() ==
                           CThread::eThreadFinished
                       ? kSignaled
                       : kNotYet;
        case eKindMutex:
            break;
    }
    return TestMutex(Mutex(i));
}

// The satisfied wait takes an auto-reset event's signal; the event's mutex is held.
void Consume(CEvent& event) {
    if (!event.m_manualReset) {
        event.m_signaled = false;
    }
}

int CWaitSet::Test(bool consume, int* index) {
    const CEventLocks locks(m_events, m_eventCount);
    return m_waitAll ? TestAll(consume) : TestAny(consume, index);
}

int CWaitSet::TestAny(bool consume, int* index) {
    for (int i = 0; i < m_count; ++i) {
        const int result = Probe(i);
        if (result == CSynchronizationObject::eWaitSignaled) {
            *index = i;
            if (consume && m_kinds[i] == eKindEvent) {
                Consume(Event(i));
            }
        }
        if (result != CSynchronizationObject::eWaitTimeout) {
            return result;
        }
    }
    return CSynchronizationObject::eWaitTimeout;
}

int CWaitSet::TestAll(bool consume) {
    // Events (locked) and threads first: they cost nothing to test.
    for (int i = 0; i < m_count; ++i) {
        const int result =
            m_kinds[i] == eKindMutex ? CSynchronizationObject::eWaitSignaled : Probe(i);
        if (result != CSynchronizationObject::eWaitSignaled) {
            return result;
        }
    }
    // Then every mutex held at once, so that all objects are signalled at one moment.
    int result = CSynchronizationObject::eWaitSignaled;
    int held = 0;  // the mutexes among objects [0, held) are held
    for (; held < m_count; ++held) {
        const int code =
            m_kinds[held] == eKindMutex ? pthread_mutex_trylock(&Mutex(held).m_mutex) : 0;
        if (code != 0) {
            result = TryLockResult(code);
            break;
        }
    }
    for (int i = held; i-- > 0;) {
        if (m_kinds[i] == eKindMutex) {
            pthread_mutex_unlock(&Mutex(i).m_mutex);
        }
    }
    for (int i = 0; consume && result == CSynchronizationObject::eWaitSignaled && i < m_eventCount;
         ++i) {
        Consume(*m_events[i]);
    }
    return result;
}

// A thread in a blocking WaitForObjects: counted before its first test, so that notifiers know
// to wake it, and holding the shared lock except while it sleeps. The destructor also runs when
// the thread is ended by force inside the sleep: the condition wait's own cleanup has re-acquired
// the lock by then, and the lock is released and the count corrected for every other thread.
class CMultiWaiterRegistration {
  public:
    CMultiWaiterRegistration() {
        g_multiWaiters.fetch_add(1);
        pthread_mutex_lock(&g_multiWaitLock);
    }
    ~CMultiWaiterRegistration() {
        pthread_mutex_unlock(&g_multiWaitLock);
        g_multiWaiters.fetch_sub(1);
    }
    CMultiWaiterRegistration(const CMultiWaiterRegistration&) = delete;
    CMultiWaiterRegistration& operator=(const CMultiWaiterRegistration&) = delete;
};

// Tests the set, and sleeps between tests until a notification, the next mutex test or the
// deadline of a positive `timeout`; -1 sets no deadline.
int WaitForSet(CWaitSet& set, long timeout, int* index) {
    const bool limited = timeout > 0;
    // Taken before the shared lock: time spent waiting for it counts against the time-out.
    const timespec deadline = limited ? WallClockDeadline(timeout) : timespec{};
    const CMultiWaiterRegistration registration;
    for (;;) {
        const int result = set.Test(true, index);
        if (result != CSynchronizationObject::eWaitTimeout) {
            return result;
        }
        if (limited && Passed(deadline)) {
            return CSynchronizationObject::eWaitTimeout;
        }
        const timespec* until = limited ? &deadline : nullptr;
        timespec nextPoll{};
        if (set.HasMutex()) {
            nextPoll = WallClockDeadline(kMutexPollMs);
            until = until == nullptr || Earlier(nextPoll, *until) ? &nextPoll : until;
        }
        // The one place where WaitForObjects blocks. It gives up (EINTR) when a forced stop of the
        // calling worker is pending; a thread about to end must not take a signal with it.
        const int code = StopAwareCondWait(&g_multiWaitCond, &g_multiWaitLock, until);
        if ((code != 0 && code != ETIMEDOUT) || StopPending()) {
            return CSynchronizationObject::eWaitFailed;
        }
    }
}

}  // namespace

void NotifyMultiWaiters() {
    // Sequentially consistent, not relaxed: a finishing thread stores its status and then reads
    // this count, while a waiter counts itself in and then reads the status. In one total order
    // at least one of them sees the other's write, so a waiter that missed the status is woken.
    if (g_multiWaiters.load() == 0) {
        return;
    }
    // Taking the lock orders this notice after any test in progress: a waiter holds the lock from
    // its test until its sleep has begun. The broadcast follows the unlock so the woken waiters do
    // not find the lock still held.
    pthread_mutex_lock(&g_multiWaitLock);
    pthread_mutex_unlock(&g_multiWaitLock);
    pthread_cond_broadcast(&g_multiWaitCond);
}

int CSynchronizationObject::WaitForObjects(CSynchronizationObject* const* objects, int count,
                                           bool waitAll, long timeout, int* signaled) {
    // Event mutexes and the shared lock are taken inside: a forced stop waits until they are free.
    const CStopDeferral deferral;
    CWaitSet set;
    if (timeout < -1 || !set.Prepare(objects, count, waitAll)) {
        return eWaitFailed;
    }
    int index = 0;
    // A zero time-out tests only: like the test of a single event, it takes no signal.
    const int result = timeout == 0 ? set.Test(false, &index) : WaitForSet(set, timeout, &index);
    if (result == eWaitSignaled && !waitAll && signaled != nullptr) {
        *signaled = index;
    }
    return result;
}

}  // namespace Vesk
