// The reader-writer lock: overlapping readers, exclusive writers, readers let in while a writer
// waits, nested read holds. The exclusion invariant under load is checked by the stress suite.
#include <vesk/rwlock.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "sync/waittestsupport.h"

namespace {

using std::chrono::milliseconds;
using Vesk::CReaderWriterLock;
using VeskTest::EventuallyTrue;

// Gives a thread that should stay blocked the chance to get (wrongly) in.
void Settle() {
    std::this_thread::sleep_for(milliseconds(50));
}

// A thread that takes a read or the write hold and keeps it until Release (or destruction).
class CHolder {
  public:
    CHolder(CReaderWriterLock& lock, bool write)
        : m_thread([this, &lock, write] {
              write ? lock.GetWriteLock() : lock.GetReadLock();
              m_holding = true;
              while (!m_release) {
                  std::this_thread::sleep_for(milliseconds(1));
              }
              write ? lock.ReleaseWriteLock() : lock.ReleaseReadLock();
          }) {}
    ~CHolder() {
        m_release = true;
        m_thread.join();
    }
    bool Holding() const { return m_holding; }
    void Release() { m_release = true; }

  private:
    std::atomic<bool> m_holding{false};
    std::atomic<bool> m_release{false};
    std::thread m_thread;
};

TEST(ReaderWriterLock, ReadersOverlapAndAWriterWaitsForAllOfThem) {
    CReaderWriterLock lock;
    CHolder reader1(lock, false);
    CHolder reader2(lock, false);
    ASSERT_TRUE(EventuallyTrue([&] { return reader1.Holding() && reader2.Holding(); }));
    CHolder writer(lock, true);
    Settle();
    EXPECT_FALSE(writer.Holding());
    reader1.Release();
    Settle();
    EXPECT_FALSE(writer.Holding());  // one reader still in
    reader2.Release();
    EXPECT_TRUE(EventuallyTrue([&] { return writer.Holding(); }));
}

TEST(ReaderWriterLock, AWriterExcludesReadersAndWriters) {
    CReaderWriterLock lock;
    lock.GetWriteLock();  // a new lock: at once
    CHolder reader(lock, false);
    CHolder writer(lock, true);
    Settle();
    EXPECT_FALSE(reader.Holding());
    EXPECT_FALSE(writer.Holding());
    lock.ReleaseWriteLock();
    ASSERT_TRUE(EventuallyTrue([&] { return reader.Holding() || writer.Holding(); }));
    EXPECT_FALSE(reader.Holding() && writer.Holding());
    reader.Release();
    writer.Release();
}

TEST(ReaderWriterLock, ReadersGetInWhileAWriterWaitsAndReadHoldsNest) {
    CReaderWriterLock lock;
    lock.GetReadLock();
    CHolder writer(lock, true);
    Settle();
    ASSERT_FALSE(writer.Holding());
    lock.GetReadLock();  // nested, while the writer waits: at once
    {
        CHolder reader(lock, false);
        EXPECT_TRUE(EventuallyTrue([&] { return reader.Holding(); }));
    }
    lock.ReleaseReadLock();
    Settle();
    EXPECT_FALSE(writer.Holding());  // the outer hold still counts
    lock.ReleaseReadLock();
    EXPECT_TRUE(EventuallyTrue([&] { return writer.Holding(); }));
}

}  // namespace
