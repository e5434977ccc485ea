// SPDX-License-Identifier: Apache-2.0
// Choosing the conversion loops' level on x86-64: the highest instruction-set level that the
// processor has and the build allows (VESK_TEXT_KERNEL_CAP, from the VESK_TEXT_KERNELS option).
#include "text/kernellevel.h"

#if defined(VESK_TEXT_DISPATCH)

#if !defined(VESK_TEXT_KERNEL_CAP)
#define VESK_TEXT_KERNEL_CAP 2
#endif

namespace Vesk {
namespace Text {

// Each level's table, defined in kernels_<level>.cpp.
inline namespace Baseline {
extern const sConversionKernels_t c_conversionKernels;
}
inline namespace Ssse3 {
extern const sConversionKernels_t c_conversionKernels;
}
inline namespace Avx2 {
extern const sConversionKernels_t c_conversionKernels;
}

std::atomic<const sConversionKernels_t*> g_conversionKernels{nullptr};

EKernelLevel ActiveKernelLevel() {
    __builtin_cpu_init();
    const bool ssse3 = __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("sse4.1");
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") &&
                      __builtin_cpu_supports("bmi2");
    return ChooseKernelLevel(ssse3, avx2, static_cast<EKernelLevel>(VESK_TEXT_KERNEL_CAP));
}

const sConversionKernels_t& ChooseConversionKernels() {
    static const sConversionKernels_t* const tables[] = {
        &Baseline::c_conversionKernels, &Ssse3::c_conversionKernels, &Avx2::c_conversionKernels};
    const sConversionKernels_t* kernels = tables[ActiveKernelLevel()];
    g_conversionKernels.store(kernels, std::memory_order_relaxed);
    return *kernels;
}

}  // namespace Text
}  // namespace Vesk

#endif
