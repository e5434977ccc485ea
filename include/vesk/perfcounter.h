// Vesk::CPerformanceCounter - named profiling counters and the profiling report.
#ifndef VESK_PERFCOUNTER_H
#define VESK_PERFCOUNTER_H

#include <vesk/export.h>
#include <vesk/refcount.h>

#include <cstdio>
#include <map>
#include <string>

namespace Vesk {

class VESK_API CPerformanceCounter : public CRefCount_Base {
public:
    // Every counter, once per name, in ascending byte-wise order; each entry holds one reference.
    static std::map<std::string, CRefCountPtr<CPerformanceCounter>> m_allCounters;
    // Whether counting is enabled; written only by the application. The report ignores it.
    static bool m_isProfilingAllowed;
};

}  // namespace Vesk

#endif  // VESK_PERFCOUNTER_H
