// The reader-writer lock: overlapping readers, exclusive writers, readers let in while a writer
// waits, nested read holds, and a stress run that checks the exclusion invariant.
#include <vesk/rwlock.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

using std::chrono::milliseconds;
using Vesk::CReaderWriterLock;

// Polls `done` for up to two seconds (generous on a loaded machine).
template <class Predicate>
bool Eventually(Predicate done) {
    for (int i = 0; i < 2000 && !done(); ++i) {
        std::this_thread::sleep_for(milliseconds(1));
    }
    return done();
}

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
    ASSERT_TRUE(Eventually([&] { return reader1.Holding() && reader2.Holding(); }));
    CHolder writer(lock, true);
    Settle();
    EXPECT_FALSE(writer.Holding());
    reader1.Release();
    Settle();
    EXPECT_FALSE(writer.Holding());  // one reader still in
    reader2.Release();
    EXPECT_TRUE(Eventually([&] { return writer.Holding(); }));
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
    ASSERT_TRUE(Eventually([&] { return reader.Holding() || writer.Holding(); }));
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
        EXPECT_TRUE(Eventually([&] { return reader.Holding(); }));
    }
    lock.ReleaseReadLock();
    Settle();
    EXPECT_FALSE(writer.Holding());  // the outer hold still counts
    lock.ReleaseReadLock();
    EXPECT_TRUE(Eventually([&] { return writer.Holding(); }));
}

// Readers check that no writer is inside; writers check that they are alone and change data that
// readers read without other synchronisation (so ThreadSanitizer also sees a lost exclusion).
TEST(ReaderWriterLock, StressKeepsReadersAndWritersApart) {
    CReaderWriterLock lock;
    std::atomic<int> readersInside{0}, writersInside{0}, violations{0};
    std::atomic<long> reads{0}, writes{0};
    std::atomic<bool> stop{false};
    long long shared[2] = {0, 0};  // writers keep both equal
    const auto reader = [&] {
        while (!stop) {
            {
                const CReaderWriterLock::CReaderLock hold(lock);
                ++readersInside;
                const long long first = shared[0];
                std::this_thread::yield();  // widens the window a writer could slip into
                violations += writersInside != 0 || first != shared[1];
                --readersInside;
                ++reads;
            }
            // Readers are preferred: without gaps between their holds, writers would starve.
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
    };
    const auto writer = [&] {
        while (!stop) {
            {
                const CReaderWriterLock::CWriterLock hold(lock);
                violations += ++writersInside != 1 || readersInside != 0;
                ++shared[0];
                std::this_thread::yield();
                ++shared[1];
                --writersInside;
                ++writes;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(100));
        }
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back(reader);
        threads.emplace_back(writer);  // three readers, three writers
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    stop = true;
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(violations, 0);
    EXPECT_GT(reads, 0);
    EXPECT_GT(writes, 0);
    EXPECT_EQ(shared[0], writes);
    EXPECT_EQ(lock.m_readers, 0);
    EXPECT_EQ(lock.m_writers, 0);
}

}  // namespace
