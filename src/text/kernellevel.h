// SPDX-License-Identifier: Apache-2.0
// Kernel levels of the conversion routines. On x86-64 the conversion loops are compiled once per
// instruction-set level (SSE2, SSSE3 with SSE4.1, AVX2), each copy in its own inline namespace
// so that the copies never meet at link time, and the level the processor has is chosen once, on
// the first conversion. Elsewhere there is one level, the one the build targets, and the
// exported routines call it directly.
#ifndef VESK_TEXT_KERNELLEVEL_H
#define VESK_TEXT_KERNELLEVEL_H

// The inline namespace of the loops compiled in this translation unit.
#if !defined(VESK_TEXT_LEVEL)
#define VESK_TEXT_LEVEL Baseline
#endif

// Whether the exported routines choose among compiled levels at run time.
#if defined(__x86_64__) && !defined(VESK_TEXT_NO_KERNELS)
#define VESK_TEXT_DISPATCH 1
#endif

#if defined(VESK_TEXT_DISPATCH)
#include <atomic>
#endif

namespace Vesk {
namespace Text {

// The conversion routines whose loops differ from level to level, as one table per level.
struct sConversionKernels_t {
    unsigned short (*utf8ToUtf16)(const unsigned char*, unsigned short*, unsigned short);
    unsigned short (*utf8ToUtf32)(const unsigned char*, unsigned int*, unsigned short);
    unsigned short (*utf16ToUtf8)(const unsigned short*, unsigned char*, unsigned short);
    unsigned short (*utf32ToUtf8)(const unsigned int*, unsigned char*, unsigned short);
    unsigned short (*utf8ToLatin1)(const unsigned char*, unsigned char*, unsigned short);
    unsigned short (*latin1ToUtf8)(const unsigned char*, unsigned char*, unsigned short);
    unsigned short (*utf8ToAscii)(const unsigned char*, unsigned char*, unsigned short);
};

// Levels in increasing order; a processor with a level has every level below it.
enum EKernelLevel { eLevelSse2 = 0, eLevelSsse3 = 1, eLevelAvx2 = 2 };

// The level to run: the highest the processor has, but none above `cap` (the build's limit,
// VESK_TEXT_KERNELS).
constexpr EKernelLevel ChooseKernelLevel(bool hasSsse3, bool hasAvx2, EKernelLevel cap) {
    const EKernelLevel best = hasAvx2 && hasSsse3 ? eLevelAvx2
                              : hasSsse3          ? eLevelSsse3
                                                  : eLevelSse2;
    return best < cap ? best : cap;
}

#if defined(VESK_TEXT_DISPATCH)
// The level this process runs: the processor's, within the build's limit.
EKernelLevel ActiveKernelLevel();

// The table of that level, once chosen; null before the first conversion. Every thread that
// finds it null chooses the same table, so the choice needs no lock (and no guard that a
// thread ended by force could leave held).
extern std::atomic<const sConversionKernels_t*> g_conversionKernels;
const sConversionKernels_t& ChooseConversionKernels();

inline const sConversionKernels_t& ConversionKernels() {
    const sConversionKernels_t* kernels = g_conversionKernels.load(std::memory_order_relaxed);
    return kernels != nullptr ? *kernels : ChooseConversionKernels();
}
#endif

}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_KERNELLEVEL_H
