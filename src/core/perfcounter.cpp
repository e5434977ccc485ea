// SPDX-License-Identifier: Apache-2.0
// CPerformanceCounter: the counting side (find-or-create, timed passes, atomic totals) and the
// profiling report.
#include <vesk/perfcounter.h>

#include <pthread.h>
#include <time.h>

#include <cstdlib>
#include <cstring>

#include "sync/stopguard.h"
#include "sync/waitsupport.h"

namespace Vesk {
namespace {

// Every lock and table below is constant-initialized (no code runs for it at load), so the
// library's load-time steps stay the three of core/startup.cpp.

// Serialises GetCounter calls: two threads asking for one new name must get one counter.
pthread_mutex_t g_tableLock = PTHREAD_MUTEX_INITIALIZER;

// Callers hold a CStopDeferral first: a worker ended while holding the lock would keep it.
class CTableLockHolder : public CPlatformLockHolder {
  public:
    CTableLockHolder() : CPlatformLockHolder(g_tableLock) {}
};

#if defined(__GCC_ATOMIC_LLONG_LOCK_FREE) && __GCC_ATOMIC_LLONG_LOCK_FREE == 2
// Native 64-bit atomics (x86, 64-bit targets, ARMv7 with its exclusive pair load/store).
void AddToTotal(long long* total, long long nanoseconds) {
    __atomic_fetch_add(total, nanoseconds, __ATOMIC_RELAXED);
}
long long LoadTotal(const long long* total) {
    return __atomic_load_n(total, __ATOMIC_RELAXED);
}
#else
// No native 64-bit atomics (32-bit MIPS, for one): the builtins would call into libatomic, which
// the library does not link. One process-wide lock keeps every total whole instead.
pthread_mutex_t g_totalTimeLock = PTHREAD_MUTEX_INITIALIZER;

void AddToTotal(long long* total, long long nanoseconds) {
    const CStopDeferral deferral;
    pthread_mutex_lock(&g_totalTimeLock);
    *total += nanoseconds;
    pthread_mutex_unlock(&g_totalTimeLock);
}
long long LoadTotal(const long long* total) {
    const CStopDeferral deferral;
    pthread_mutex_lock(&g_totalTimeLock);
    const long long value = *total;
    pthread_mutex_unlock(&g_totalTimeLock);
    return value;
}
#endif

bool IsProfilingAllowed() {
    return __atomic_load_n(&CPerformanceCounter::m_isProfilingAllowed, __ATOMIC_RELAXED);
}

long long MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// The passes that Start opened on this thread, innermost last, in a block that doubles when the
// passes nest deeper. The thread-local variables are plain data (no destructor at thread exit);
// a thread-specific key frees the block when its thread ends. Every use of them defers a forced
// stop: with emulated thread-locals a thread's first use allocates them, under the allocator's
// locks, which a worker ended there would keep (its own exit would then wait for them).
struct sOpenPass_t {
    const CPerformanceCounter* counter;
    long long startTime;
};
enum { kFirstOpenPassCapacity = 16 };
thread_local sOpenPass_t* t_openPasses = nullptr;
thread_local int t_openPassCapacity = 0;
thread_local int t_openPassCount = 0;
// Starts that found no room (the block could not grow), innermost of all; their Stops record
// nothing.
thread_local int t_droppedPassCount = 0;

pthread_once_t g_passKeyOnce = PTHREAD_ONCE_INIT;
pthread_key_t g_passKey;
bool g_passKeyReady = false;

void CreatePassKey() {
    g_passKeyReady = pthread_key_create(&g_passKey, &std::free) == 0;
}

// Room for one more open pass on this thread; false when the block cannot grow. The caller
// defers a forced stop (the allocator's locks).
bool ReserveOpenPass() {
    if (t_openPassCount < t_openPassCapacity) {
        return true;
    }
    const int capacity = t_openPassCapacity == 0 ? kFirstOpenPassCapacity : 2 * t_openPassCapacity;
    void* const block = std::realloc(t_openPasses, sizeof(sOpenPass_t) * capacity);
    if (block == nullptr) {
        return false;
    }
    t_openPasses = static_cast<sOpenPass_t*>(block);
    t_openPassCapacity = capacity;
    pthread_once(&g_passKeyOnce, &CreatePassKey);
    if (g_passKeyReady) {
        pthread_setspecific(g_passKey, block);
    }
    return true;
}

// Removes this thread's innermost open pass on `counter` and returns its start, or -1.
long long ClosePass(const CPerformanceCounter* counter) {
    for (int i = t_openPassCount - 1; i >= 0; --i) {
        if (t_openPasses[i].counter == counter) {
            const long long startTime = t_openPasses[i].startTime;
            for (int j = i + 1; j < t_openPassCount; ++j) {
                t_openPasses[j - 1] = t_openPasses[j];
            }
            --t_openPassCount;
            return startTime;
        }
    }
    return -1;
}

// One line of the report, for one table entry. The writer holds a reference of its own while
// the line is written, so the counter cannot vanish under it.
void PrintEntry(FILE* stream, const CRefCountPtr<CPerformanceCounter>& entry) {
    if (entry.m_ptr == nullptr) {
        return;
    }
    const CRefCountPtr<CPerformanceCounter> held(entry);
    const CPerformanceCounter* counter = held.get();
    if (counter == nullptr) {
        return;
    }
    const double seconds = static_cast<double>(LoadTotal(&counter->m_totalTime)) / 1000000000.0;
    std::fprintf(stream, "%s\t%.5f\t%d\n", counter->m_name, seconds,
                 __atomic_load_n(&counter->m_hitCount, __ATOMIC_RELAXED));
}

}  // namespace

CPerformanceCounter::CPerformanceCounter(const std::string& name)
    : m_totalTime(0), m_hitCount(0), m_name(new char[name.size() + 1]) {
    std::memcpy(m_name, name.c_str(), name.size() + 1);
}

CPerformanceCounter::~CPerformanceCounter() {
    delete[] m_name;
}

CRefCountPtr<CPerformanceCounter> CPerformanceCounter::GetCounter(const char* name) {
    if (name == nullptr) {
        return CRefCountPtr<CPerformanceCounter>();
    }
    const CStopDeferral deferral;
    const std::string key(name);
    const CTableLockHolder hold;
    const auto found = m_allCounters.find(key);
    if (found != m_allCounters.end() && found->second) {
        return found->second;
    }
    // An entry left empty by the application is filled in place.
    CRefCountPtr<CPerformanceCounter> counter(new CPerformanceCounter(key));
    m_allCounters[key] = counter;
    return counter;
}

void CPerformanceCounter::Start() {
    if (!IsProfilingAllowed()) {
        return;
    }
    const CStopDeferral deferral;
    if (t_droppedPassCount > 0 || !ReserveOpenPass()) {
        ++t_droppedPassCount;
        return;
    }
    t_openPasses[t_openPassCount++] = sOpenPass_t{this, MonotonicNow()};
}

void CPerformanceCounter::Stop() {
    const long long now = MonotonicNow();
    const CStopDeferral deferral;
    if (t_droppedPassCount > 0) {
        --t_droppedPassCount;  // the innermost Start found no room: this Stop is its own
        return;
    }
    const long long startTime = ClosePass(this);
    if (startTime >= 0) {
        AddSample(now - startTime);  // records nothing when profiling was switched off meanwhile
    }
}

void CPerformanceCounter::AddSample(long long nanoseconds) {
    if (!IsProfilingAllowed()) {
        return;
    }
    AddToTotal(&m_totalTime, nanoseconds);
    __atomic_fetch_add(&m_hitCount, 1, __ATOMIC_RELAXED);
}

CPerformanceCounter::CScopeTimer::CScopeTimer(CPerformanceCounter& counter)
    : m_counter(&counter), m_startTime(IsProfilingAllowed() ? MonotonicNow() : -1) {}

CPerformanceCounter::CScopeTimer::~CScopeTimer() {
    if (m_startTime >= 0) {
        m_counter->AddSample(MonotonicNow() - m_startTime);
    }
}

// Both reports defer a forced stop of the calling worker: the stream's own lock is held while
// it is written.
bool CPerformanceCounter::SaveReport(FILE* stream) {
    if (stream == nullptr) {
        return false;
    }
    const CStopDeferral deferral;
    // The count is read once; an index at or past the table's current size is skipped.
    const std::size_t count = m_allCounters.size();
    std::fprintf(stream,
                 "\n\nDumping Profiler Values.\nCount of profilers: %d\n\nName\tTime "
                 "(seconds)\tHit count\n",
                 static_cast<int>(count));
    std::size_t index = 0;
    for (const auto& entry : m_allCounters) {
        if (index++ >= count) {
            break;
        }
        PrintEntry(stream, entry.second);
    }
    return true;
}

bool CPerformanceCounter::SaveReport(const char* fileName, bool append) {
    if (fileName == nullptr) {
        return false;
    }
    const CStopDeferral deferral;
    FILE* file = std::fopen(fileName, append ? "at" : "wt");
    if (file == nullptr) {
        return false;
    }
    const bool result = SaveReport(file);
    std::fclose(file);
    return result;
}

}  // namespace Vesk
