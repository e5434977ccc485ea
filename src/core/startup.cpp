// SPDX-License-Identifier: Apache-2.0
// The library's load-time state, built in one fixed order and destroyed in the reverse one.
//
// Exactly three objects with dynamic initialization exist at namespace scope in the whole
// library, and all three are defined in this one file. The language guarantees that objects of
// one translation unit are initialized in the order of their definitions and destroyed in the
// reverse order, so the order below holds whatever the link order of the other files:
//   1. the byte-order flag,
//   2. the (empty) table of performance counters,
//   3. the six-entry language table, whose entries are destroyed last to first.
// Every other object of static storage in the library is either constant-initialized (no code
// runs for it at load: m_isProfilingAllowed below, the locks of the counter code) or a
// function-local static built by its first use: the class registry and the memory manager are
// created by the first call of their GetInstance. Adding a namespace-scope object with dynamic
// initialization in any other file would add a load-time step whose order nothing fixes.
#include "core/startup.h"

#include <vesk/perfcounter.h>

#include <cstring>

#include "text/languagetable.h"

namespace Vesk {
namespace {

int DetectLittleEndianHost() {
    const unsigned int probe = 1;
    unsigned char first = 0;
    std::memcpy(&first, &probe, 1);
    return first == 1 ? 1 : 0;
}

}  // namespace

// Step 1.
int g_isLittleEndianHost = DetectLittleEndianHost();

// Step 2.
std::map<std::string, CRefCountPtr<CPerformanceCounter>> CPerformanceCounter::m_allCounters;

// Step 3.
const sLanguageEntry_t g_languageTable[kLanguageTableSize] = {
    {"deu", "German"},  {"eng", "English"}, {"fra", "French"},
    {"ita", "Italian"}, {"nld", "Dutch"},   {"spa", "Spanish"},
};

// Constant-initialized: holds its value before any dynamic initialization runs.
bool CPerformanceCounter::m_isProfilingAllowed = true;

}  // namespace Vesk
