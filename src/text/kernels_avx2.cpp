// SPDX-License-Identifier: Apache-2.0
// The conversion loops compiled for x86-64 processors with AVX2 (see kernellevel.h); the build
// gives this file the instruction set's compiler options. Empty elsewhere.
#define VESK_TEXT_LEVEL Avx2
#include "text/conversionkernels.h"

#if defined(VESK_TEXT_DISPATCH)
#if !defined(__AVX2__)
#error "this file must be compiled for AVX2"
#endif

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

extern const sConversionKernels_t c_conversionKernels;
const sConversionKernels_t c_conversionKernels = kConversionKernels;

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk
#endif
