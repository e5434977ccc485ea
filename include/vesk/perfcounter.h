// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CPerformanceCounter - named profiling counters and the profiling report.
///
/// Every counter is a counted object entered once, under its name, in the process-wide table
/// m_allCounters; GetCounter finds it or creates it. A measured pass adds its length in
/// nanoseconds (monotonic clock) to m_totalTime and 1 to m_hitCount:
///
///   Start() ... Stop()        one pass on the calling thread (passes of one thread may nest)
///   CScopeTimer guard(c);     one pass from the guard's construction to the end of its block
///   AddSample(ns)             one pass of a length measured elsewhere
///
/// While m_isProfilingAllowed is false these record nothing. Several threads may count on one
/// counter at once: every update is atomic, so no pass and no nanosecond is lost.
///
/// SaveReport writes every counter, in byte-wise order of the names, as tab-separated text:
///
/// @verbatim
///   (two empty lines)
///   Dumping Profiler Values.
///   Count of profilers: <number of table entries>
///   (empty line)
///   Name<TAB>Time (seconds)<TAB>Hit count
///   <name><TAB><total in seconds, five decimals><TAB><hits>     one line per counter
/// @endverbatim
///
/// The report takes no lock: the table must not gain or lose entries while it is written (counts
/// going on meanwhile may show in the values). GetCounter serialises its own calls, but must not
/// run while a report is being written.
#ifndef VESK_PERFCOUNTER_H
#define VESK_PERFCOUNTER_H

#include <vesk/export.h>
#include <vesk/refcount.h>

#include <cstdio>
#include <map>
#include <string>

namespace Vesk {

/// A named profiling counter: total time and number of passes; see the file description.
class VESK_API CPerformanceCounter : public CRefCount_Base {
  public:
    /// Measures one pass of the enclosing block on the counter given (which must outlive it).
    /// Records nothing when profiling is off at construction or at destruction.
    class VESK_API CScopeTimer {
      public:
        /// Starts measuring one pass on `counter` (unless profiling is off).
        explicit CScopeTimer(CPerformanceCounter& counter);
        ~CScopeTimer();
        CScopeTimer(const CScopeTimer&) = delete;
        CScopeTimer& operator=(const CScopeTimer&) = delete;

        /// The counter the pass is recorded on.
        CPerformanceCounter* m_counter;
        long long m_startTime;  ///< monotonic nanoseconds, or -1 when profiling was off
    };

    ~CPerformanceCounter() override;
    CPerformanceCounter(const CPerformanceCounter&) = delete;
    CPerformanceCounter& operator=(const CPerformanceCounter&) = delete;

    /// The counter entered under `name`, created (with zero totals) and entered when there is
    /// none. Calls of GetCounter are serialised among themselves; a null name gives an empty
    /// pointer. The table keeps its own reference, so the counter lives until the table's
    /// destruction at unload even when every caller lets it go.
    static CRefCountPtr<CPerformanceCounter> GetCounter(const char* name);

    /// Opens a pass on the calling thread; the same thread's next Stop() on this counter closes
    /// it. Passes of one thread nest (on one counter or several) to any depth; only a Start that
    /// finds no memory for its pass records nothing, and its Stop with it.
    void Start();
    /// Closes the calling thread's innermost open pass on this counter and records it. Nothing
    /// happens when this thread has no open pass here.
    void Stop();
    /// Records one pass of `nanoseconds` (a negative length is added as it is).
    void AddSample(long long nanoseconds);

    /// Writes the report to an open stream, which it neither flushes nor closes. False, writing
    /// nothing, when `stream` is null; true otherwise (write errors are not detected).
    static bool SaveReport(FILE* stream);
    /// Opens `fileName` in mode "at" (append, creating the file) when `append` is true, or "wt"
    /// (replace) when it is false, writes the report and closes the file. False when the file
    /// cannot be opened (or the name is null); nothing is created or changed then.
    static bool SaveReport(const char* fileName, bool append);

    /// Every counter, once per name, in ascending byte-wise order; each entry holds one reference.
    static std::map<std::string, CRefCountPtr<CPerformanceCounter>> m_allCounters;
    /// Whether counting is enabled; written only by the application. The report ignores it.
    static bool m_isProfilingAllowed;

    /// Read these directly only while no thread counts on the counter (the report reads them
    /// atomically).
    alignas(8) long long m_totalTime;  ///< nanoseconds over all passes
    int m_hitCount;                    ///< number of passes
    char* m_name;                      ///< the name entered in the table; owned by the counter

  private:
    VESK_LOCAL explicit CPerformanceCounter(const std::string& name);
};

}  // namespace Vesk

#endif  // VESK_PERFCOUNTER_H
