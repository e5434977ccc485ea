// SPDX-License-Identifier: Apache-2.0
// The conversion loops compiled for x86-64 processors with SSSE3 (see kernellevel.h); the build
// gives this file the instruction set's compiler options. Empty elsewhere.
#define VESK_TEXT_LEVEL Ssse3
#include "text/conversionkernels.h"

#if defined(VESK_TEXT_DISPATCH)
#if !defined(__SSSE3__) || !defined(__SSE4_1__)
#error "this file must be compiled for SSSE3"
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
