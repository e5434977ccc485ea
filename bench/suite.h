// SPDX-License-Identifier: Apache-2.0
// The benchmark families of the suite; main() registers them in this order.
#ifndef VESK_BENCH_SUITE_H
#define VESK_BENCH_SUITE_H

namespace vesk_bench {

void RegisterSyncBenchmarks();
void RegisterTextBenchmarks();
void RegisterParseBenchmarks();

inline void RegisterSuite() {
    RegisterTextBenchmarks();
    RegisterParseBenchmarks();
    RegisterSyncBenchmarks();
}

}  // namespace vesk_bench

#endif  // VESK_BENCH_SUITE_H
