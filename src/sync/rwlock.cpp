// SPDX-License-Identifier: Apache-2.0
// CReaderWriterLock: two counters under a CMutex, and a never-reset manual-reset CEvent in which
// waiters pause between two tests of the counters.
#include <vesk/rwlock.h>

#include <sched.h>

#include "sync/stopguard.h"

namespace Vesk {

CReaderWriterLock::CReaderWriterLock() : m_lock(), m_event(true), m_readers(0), m_writers(0) {}

CReaderWriterLock::~CReaderWriterLock() = default;

// m_lock is taken with the platform's plain lock: it is only ever held for a test or an update,
// so the wait is short, and a release must not give up half way for a forced stop.
void CReaderWriterLock::PauseBetweenTests() {
    // m_lock is released before the wait: a waiter never holds it inside the event, so the lock
    // order (m_lock, then the event's own mutex) cannot be reversed.
    pthread_mutex_unlock(&m_lock.m_mutex);
    // Blocks only until the first release signals the event; from then on it returns at once and
    // the waiter spins on its tests, so it yields the processor to let holders finish.
    CSynchronizationObject::WaitForObject(m_event, -1);
    sched_yield();
    pthread_mutex_lock(&m_lock.m_mutex);
}

void CReaderWriterLock::TakeHold(int& holds, bool exclusive) {
    // A forced stop of a waiter ends it between two tests, holding nothing and counted nowhere.
    const CStopDeferral deferral;
    pthread_mutex_lock(&m_lock.m_mutex);
    while (m_writers != 0 || (exclusive && m_readers != 0)) {
        if (StopPending()) {
            pthread_mutex_unlock(&m_lock.m_mutex);
            return;
        }
        PauseBetweenTests();
    }
    ++holds;
    pthread_mutex_unlock(&m_lock.m_mutex);
}

void CReaderWriterLock::GiveBackHold(int& holds) {
    const CStopDeferral deferral;
    pthread_mutex_lock(&m_lock.m_mutex);
    if (--holds == 0) {
        // Signalled while m_lock is still held: the lock order is m_lock, then the event's mutex.
        m_event.SignalEvent();
    }
    pthread_mutex_unlock(&m_lock.m_mutex);
}

void CReaderWriterLock::GetReadLock() {
    TakeHold(m_readers, false);
}
void CReaderWriterLock::ReleaseReadLock() {
    GiveBackHold(m_readers);
}
void CReaderWriterLock::GetWriteLock() {
    TakeHold(m_writers, true);
}
void CReaderWriterLock::ReleaseWriteLock() {
    GiveBackHold(m_writers);
}

CReaderWriterLock::CReaderLock::CReaderLock(CReaderWriterLock& lock) : m_rwLock(&lock) {
    m_rwLock->GetReadLock();
}
CReaderWriterLock::CReaderLock::~CReaderLock() {
    m_rwLock->ReleaseReadLock();
}

CReaderWriterLock::CWriterLock::CWriterLock(CReaderWriterLock& lock) : m_rwLock(&lock) {
    m_rwLock->GetWriteLock();
}
CReaderWriterLock::CWriterLock::~CWriterLock() {
    m_rwLock->ReleaseWriteLock();
}

}  // namespace Vesk
