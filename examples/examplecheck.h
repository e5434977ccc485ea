// SPDX-License-Identifier: Apache-2.0
// The one helper the example programs share: each prints what it shows and whether it held, and
// exits non-zero when anything failed, so that ctest runs them as tests.
#ifndef VESK_EXAMPLES_EXAMPLECHECK_H
#define VESK_EXAMPLES_EXAMPLECHECK_H

#include <cstdio>

namespace Example {

inline int& Failures() {
    static int failures = 0;
    return failures;
}

inline void Check(bool ok, const char* what) {
    std::printf("%-52s %s\n", what, ok ? "ok" : "FAILED");
    Failures() += ok ? 0 : 1;
}

// The program's exit code.
inline int Result() {
    return Failures() == 0 ? 0 : 1;
}

}  // namespace Example

#endif  // VESK_EXAMPLES_EXAMPLECHECK_H
