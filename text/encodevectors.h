// The encoders' fill pass on ARM with NEON: from an aligned position after a three-byte
// character, whole vectors of eight 16-bit units that all take three UTF-8 bytes (CJK text) are
// encoded at once and stored interleaved (lead bytes, then both following bytes) with one VST3.
// Any other vector (ASCII, shorter forms, a zero), and a vector whose bytes and a terminating
// zero would not fit up to `last`, stop the step, and the loop goes on one unit at a time.
// Other units, and other machines, take no vector step. Like the other blocks, a vector is read
// from an aligned address and may pass the terminator, never its own aligned 16 bytes.
#ifndef VESK_TEXT_ENCODEVECTORS_H
#define VESK_TEXT_ENCODEVECTORS_H

#include <cstddef>
#include <cstdint>

#include "text/sizingblocks.h"

namespace Vesk {
namespace Text {

#if defined(VESK_ASCII_BLOCK_NEON)

inline uint8x8_t Following(uint16x8_t bits) {
    return vorr_u8(vmovn_u16(vandq_u16(bits, vdupq_n_u16(0x3F))), vdup_n_u8(0x80));
}

VESK_READS_WHOLE_ALIGNED_BLOCK inline uint16x8_t LoadEightUnits(const unsigned short* src) {
    return vld1q_u16(reinterpret_cast<const std::uint16_t*>(src));
}

inline unsigned char* FillEncodedVectors(const unsigned short*& src, unsigned char* out,
                                         const unsigned char* last) {
    constexpr std::size_t units = 8;
    const unsigned char start3 = c_UTF8_1stByteStartValueTable[2];
    while (IsSizingAligned(src)) {
        const uint16x8_t v = LoadEightUnits(src);
        const uint8x16_t three = vreinterpretq_u8_u16(vcgeq_u16(v, vdupq_n_u16(0x800)));
        if (AnySet(vmvnq_u8(three)) || out + 3 * units > last) {
            break;
        }
        uint8x8x3_t bytes;
        bytes.val[0] = vorr_u8(vmovn_u16(vshrq_n_u16(v, 12)), vdup_n_u8(start3));
        bytes.val[1] = Following(vshrq_n_u16(v, 6));
        bytes.val[2] = Following(v);
        vst3_u8(out, bytes);
        out += 3 * units;
        src += units;
    }
    return out;
}

// Other units take no vector step.
template <class In>
inline unsigned char* FillEncodedVectors(const In*&, unsigned char* out, const unsigned char*) {
    return out;
}

#else

template <class In>
inline unsigned char* FillEncodedVectors(const In*&, unsigned char* out, const unsigned char*) {
    return out;
}

#endif

}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_ENCODEVECTORS_H
