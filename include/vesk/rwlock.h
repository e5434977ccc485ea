// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CReaderWriterLock - any number of readers at once, or one writer alone - with the scope
/// guards CReaderLock and CWriterLock.
///
///   state        GetReadLock           GetWriteLock           release
///   free         -> read-held (1)      -> write-held          -
///   read-held    -> read-held (n+1),   waits for free         last ReleaseReadLock -> free
///                   at once
///   write-held   waits for free        waits for free         ReleaseWriteLock -> free
///
/// Readers are preferred: waiting writers are not counted, so a reader gets in whenever no writer
/// holds the lock, and a steady overlap of readers can keep a writer out indefinitely. Read holds
/// nest (a holder gets another one at once, even while a writer waits) and are counted, not tied
/// to threads. The write hold neither nests nor upgrades: GetWriteLock by a thread that holds any
/// hold waits for ever. Releasing a hold that was not granted is not detected.
///
/// How waiting works: a mutex guards the two counters, and every release that brings a counter to
/// 0 signals a manual-reset event that is never reset. A waiter pauses in that event between two
/// tests of the counters; once the first release has signalled it, waiters no longer block there
/// but re-test, yielding the processor between tests, until the counters let them in. A release
/// made between a waiter's test and its pause is not lost, since the event stays signalled.
/// Lock order: the counters' mutex before the event's own mutex, never the reverse.
///
/// All operations may be called from any thread; none has a result or can fail visibly. The lock
/// must outlive every holder and waiter.
#ifndef VESK_RWLOCK_H
#define VESK_RWLOCK_H

#include <vesk/event.h>
#include <vesk/export.h>
#include <vesk/syncobject.h>

namespace Vesk {

/// Any number of readers at once, or one writer alone; see the file description.
class VESK_API CReaderWriterLock {
  public:
    /// Holds a read hold from construction to the end of its block.
    class VESK_API CReaderLock {
      public:
        /// Blocks until no writer holds `lock`, then takes a read hold until destruction.
        explicit CReaderLock(CReaderWriterLock& lock);
        ~CReaderLock();
        CReaderLock(const CReaderLock&) = delete;
        CReaderLock& operator=(const CReaderLock&) = delete;

        /// The lock this guard holds.
        CReaderWriterLock* m_rwLock;
    };

    /// Holds the write hold from construction to the end of its block.
    class VESK_API CWriterLock {
      public:
        /// Blocks until nobody holds `lock`, then takes the write hold until destruction.
        explicit CWriterLock(CReaderWriterLock& lock);
        ~CWriterLock();
        CWriterLock(const CWriterLock&) = delete;
        CWriterLock& operator=(const CWriterLock&) = delete;

        /// The lock this guard holds.
        CReaderWriterLock* m_rwLock;
    };

    CReaderWriterLock();
    ~CReaderWriterLock();
    CReaderWriterLock(const CReaderWriterLock&) = delete;
    CReaderWriterLock& operator=(const CReaderWriterLock&) = delete;

    /// Blocks until no writer holds the lock, then takes a read hold.
    void GetReadLock();
    /// Gives back one read hold; the last one frees the lock and wakes waiters.
    void ReleaseReadLock();
    /// Blocks until nobody holds the lock, then takes the write hold.
    void GetWriteLock();
    /// Gives back the write hold, freeing the lock and waking waiters.
    void ReleaseWriteLock();

    CMutex m_lock;   ///< guards the counters; held only to test and update them
    CEvent m_event;  ///< manual-reset; signalled when a counter drops to 0, never reset
    int m_readers;   ///< read holds granted
    int m_writers;   ///< write holds granted: 0 or 1

  private:
    /// Waits until no writer holds the lock (and, when `exclusive`, no reader either), then
    /// counts one more hold in `holds` (m_readers or m_writers).
    VESK_LOCAL void TakeHold(int& holds, bool exclusive);
    /// Counts one hold less in `holds`; signals m_event when that leaves none.
    VESK_LOCAL void GiveBackHold(int& holds);
    /// Called with m_lock held: releases it, pauses in m_event, and takes it again.
    VESK_LOCAL void PauseBetweenTests();
};

}  // namespace Vesk

#endif  // VESK_RWLOCK_H
