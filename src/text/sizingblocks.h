// SPDX-License-Identifier: Apache-2.0
// The sizing passes' block step on machines without word counting (see kWordCounting): from an
// aligned position at a character boundary, count whole 16-byte vectors of regular input at once.
//   ARM with NEON   encoders: every vector of 8-, 16- or 32-bit units without a zero (and, for
//                   32-bit units, without a value of four or more UTF-8 bytes); UTF-8: every
//                   vector of well-formed one- to three-byte text (below)
//   elsewhere       whole ASCII blocks
// A vector is read from an aligned address, so it may pass the terminator but never leaves its
// own aligned 16 bytes. The loops call these wherever the input is aligned and go on one
// character at a time from wherever a step stops.
#ifndef VESK_TEXT_SIZINGBLOCKS_H
#define VESK_TEXT_SIZINGBLOCKS_H

#include <cstddef>
#include <cstdint>

#include "text/asciiblock.h"

namespace Vesk {
namespace Text {

#if defined(VESK_ASCII_BLOCK_NEON)

constexpr bool kSizingVectors = true;
constexpr std::size_t kSizingVectorBytes = 16;

template <class Unit>
inline bool IsSizingAligned(const Unit* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & (kSizingVectorBytes - 1)) == 0;
}

// True when any lane of v is set.
inline bool AnySet(uint8x16_t v) {
    const uint8x8_t folded = vorr_u8(vget_low_u8(v), vget_high_u8(v));
    return vget_lane_u64(vreinterpret_u64_u8(folded), 0) != 0;
}

// The number of set lanes (each 0 or 0xFF) of v.
inline std::size_t CountSet(uint8x16_t v) {
    const uint64x2_t sums = vpaddlq_u32(vpaddlq_u16(vpaddlq_u8(vshrq_n_u8(v, 7))));
    return static_cast<std::size_t>(vgetq_lane_u64(sums, 0) + vgetq_lane_u64(sums, 1));
}

// Encoders: adds up the UTF-8 lengths of whole vectors of units from src on while count stays
// within limit; a vector with a zero unit (or, for 32-bit units, one of 0x10000 or more) stops.
template <class In>
VESK_READS_WHOLE_ALIGNED_BLOCK inline std::size_t SizingBlocks(const In*& src, std::size_t count,
                                                               std::size_t limit) {
    constexpr std::size_t units = kSizingVectorBytes / sizeof(In);
    while (count <= limit) {
        const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(src);
        uint8x16_t refused, two, three;  // lanes of 0xFF, one per byte of a flagged unit
        if constexpr (sizeof(In) == 1) {
            const uint8x16_t v = vld1q_u8(bytes);
            refused = vceqq_u8(v, vdupq_n_u8(0));
            two = vcgeq_u8(v, vdupq_n_u8(0x80));
            three = vdupq_n_u8(0);
        } else if constexpr (sizeof(In) == 2) {
            const uint16x8_t v = vld1q_u16(reinterpret_cast<const std::uint16_t*>(bytes));
            refused = vreinterpretq_u8_u16(vceqq_u16(v, vdupq_n_u16(0)));
            two = vreinterpretq_u8_u16(vcgeq_u16(v, vdupq_n_u16(0x80)));
            three = vreinterpretq_u8_u16(vcgeq_u16(v, vdupq_n_u16(0x800)));
        } else {
            const uint32x4_t v = vld1q_u32(reinterpret_cast<const std::uint32_t*>(bytes));
            refused = vreinterpretq_u8_u32(
                vorrq_u32(vceqq_u32(v, vdupq_n_u32(0)), vcgeq_u32(v, vdupq_n_u32(0x10000))));
            two = vreinterpretq_u8_u32(vcgeq_u32(v, vdupq_n_u32(0x80)));
            three = vreinterpretq_u8_u32(vcgeq_u32(v, vdupq_n_u32(0x800)));
        }
        if (AnySet(vorrq_u8(refused, two))) {
            if (AnySet(refused)) {
                break;
            }
            // Each flagged unit sets sizeof(In) lanes.
            count += (CountSet(two) + CountSet(three)) / sizeof(In);
        }
        count += units;
        src += units;
    }
    return count;
}

// UTF-8: a vector is taken whole when it holds no zero byte, no lead byte of four or more bytes
// (nor 0xF8-0xFF), exactly the continuation bytes that its lead bytes and those of the vector
// before announce, and no form that could decode to 0: C0 (only ever an overlong lead) and E0 80
// are refused. In such text the decoder reads one character per byte that is not a continuation
// byte. A vector refused after others may have been entered by a character begun in the last
// one taken: the step then ends on that character's lead byte, uncounted.
VESK_READS_WHOLE_ALIGNED_BLOCK inline std::size_t Utf8SizingBlocks(const unsigned char*& src,
                                                                   std::size_t count,
                                                                   std::size_t limit) {
    const unsigned char start2 = c_UTF8_1stByteStartValueTable[1];
    const unsigned char start3 = c_UTF8_1stByteStartValueTable[2];
    const unsigned char start4 = c_UTF8_1stByteStartValueTable[3];
    const unsigned char* p = src;
    uint8x16_t lead2Before = vdupq_n_u8(0), lead3Before = vdupq_n_u8(0), e0Before = vdupq_n_u8(0);
    while (count <= limit) {
        const uint8x16_t v = vld1q_u8(p);
        const uint8x16_t high = vcgeq_u8(v, vdupq_n_u8(0x80));
        if (!AnySet(vorrq_u8(high, vceqq_u8(v, vdupq_n_u8(0))))) {
            // ASCII: no lead announces anything past the vector either.
            count += kSizingVectorBytes;
            lead2Before = lead3Before = e0Before = vdupq_n_u8(0);
            p += kSizingVectorBytes;
            continue;
        }
        const uint8x16_t lead2 = vcgeq_u8(v, vdupq_n_u8(start2));
        const uint8x16_t lead3 = vcgeq_u8(v, vdupq_n_u8(start3));
        const uint8x16_t continuation = vbicq_u8(high, lead2);
        // Continuations announced: one byte after every lead, two after a three-byte lead.
        const uint8x16_t announced =
            vorrq_u8(vextq_u8(lead2Before, lead2, 15), vextq_u8(lead3Before, lead3, 14));
        const uint8x16_t is0x80 = vceqq_u8(v, vdupq_n_u8(0x80));
        const uint8x16_t e0 = vceqq_u8(v, vdupq_n_u8(0xE0));
        uint8x16_t refused = vorrq_u8(vceqq_u8(v, vdupq_n_u8(0)), vcgeq_u8(v, vdupq_n_u8(start4)));
        refused = vorrq_u8(refused, veorq_u8(announced, continuation));
        refused = vorrq_u8(refused, vceqq_u8(v, vdupq_n_u8(0xC0)));
        refused = vorrq_u8(refused, vandq_u8(vextq_u8(e0Before, e0, 15), is0x80));
        if (AnySet(refused)) {
            break;
        }
        count += kSizingVectorBytes - CountSet(continuation);
        lead2Before = lead2;
        lead3Before = lead3;
        e0Before = e0;
        p += kSizingVectorBytes;
    }
    if (p != src) {
        // A character that the last vector taken began and the refused one would end.
        const unsigned char* end = p;
        while ((*--p & 0xC0) == 0x80) {
        }
        const unsigned int lead = *p;
        const std::size_t length = lead >= start3 ? 3 : lead >= start2 ? 2 : 1;
        if (p + length > end) {
            --count;
        } else {
            p = end;
        }
    }
    src = p;
    return count;
}

#else

constexpr bool kSizingVectors = false;

template <class Unit>
inline bool IsSizingAligned(const Unit* p) {
    return IsBlockAligned(p);
}

template <class In>
inline std::size_t SizingBlocks(const In*& src, std::size_t count, std::size_t limit) {
    return AsciiBlocks<false, In, char>(src, nullptr, count, limit);
}

inline std::size_t Utf8SizingBlocks(const unsigned char*& src, std::size_t count,
                                    std::size_t limit) {
    return SizingBlocks(src, count, limit);
}

#endif

}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_SIZINGBLOCKS_H
