// SPDX-License-Identifier: Apache-2.0
// The reader-writer lock: a writer excludes everyone else; readers overlap, nest and get in while a
// writer waits, which gets in only once no read hold is left. Exclusion under load is checked by
// the stress suite.
#include <vesk/rwlock.h>

#include "sync/waittestsupport.h"

namespace {

using namespace VeskTest;

// On another thread: takes a read or the write hold, counts `entered`, and gives the hold back.
std::future<void> Visit(Vesk::CReaderWriterLock& lock, bool write, std::atomic<int>& entered) {
    return After(0, [&lock, write, &entered] {
        write ? lock.GetWriteLock() : lock.GetReadLock();
        ++entered;
        write ? lock.ReleaseWriteLock() : lock.ReleaseReadLock();
    });
}

TEST(ReaderWriterLock, WriterExcludesAllAndWaitingWriterLetsReadersIn) {
    Vesk::CReaderWriterLock lock;
    std::atomic<int> readers{0}, writers{0};
    lock.GetWriteLock();
    auto reader = Visit(lock, false, readers), writer = Visit(lock, true, writers);
    std::this_thread::sleep_for(Ms(50));
    EXPECT_EQ(0, readers + writers);
    lock.ReleaseWriteLock();
    EXPECT_TRUE(EventuallyTrue([&] { return readers + writers == 2; }));
    lock.GetReadLock();
    writer = Visit(lock, true, writers);
    std::this_thread::sleep_for(Ms(50));
    {
        Vesk::CReaderWriterLock::CReaderLock nested(lock);
        Visit(lock, false, readers).wait();
    }
    std::this_thread::sleep_for(Ms(50));
    EXPECT_EQ(1, writers);  // the first read hold is still there
    lock.ReleaseReadLock();
    EXPECT_TRUE(EventuallyTrue([&] { return writers == 2; }));
}

}  // namespace
