// SPDX-License-Identifier: Apache-2.0
// The UTF-8 decoders' fill pass with vectors that shuffle bytes (NEON; SSSE3 with SSE4.1) for
// UTF8_To_UTF16, UTF8_To_UTF32 and UTF8_To_Latin1: from a character boundary on, every 16-byte
// window of well-formed one- to three-byte UTF-8 (the same regular text as the sizing vectors of
// sizingblocks.h take) is decoded at once into the routine's units.
//
// Each byte that starts a character gives its value, computed from it and the one or two bytes
// after it; the continuation bytes drop out, each half of the window packed with one table
// lookup by the 8-bit mask of the lanes it keeps. A window of five three-byte characters (CJK
// text) takes a fixed lookup instead. A half is stored whole (eight units) only where the units
// that follow it overwrite what the store writes past its own, and unit by unit otherwise, so
// the output is exactly the character loop's and nothing is written after it. A character that
// the window's end cuts is left to the next window; a window that holds anything else (the
// terminator, a stray or missing continuation byte, a four-byte or longer form, C0, E0 80) or
// that might not fit in the room left ends the step, and the character loop goes on. A window
// is read unaligned only once the aligned 16 bytes it starts in hold no zero: it may pass the
// terminator, never the aligned 16 bytes that hold it. Elsewhere the step does nothing.
#ifndef VESK_TEXT_DECODEVECTORS_H
#define VESK_TEXT_DECODEVECTORS_H

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/sizingblocks.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

#if defined(VESK_TEXT_VECTORS)

// For every mask of 8 lanes, the byte indices that pack the kept 16-bit lanes to the front
// (0xFF: a zero byte for the lanes after them).
struct sPackTable_t {
    std::array<std::array<std::uint8_t, 16>, 256> shuffle;
    std::array<std::uint8_t, 256> kept;  // the number of lanes kept
};

constexpr sPackTable_t MakePackTable() {
    sPackTable_t table{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        unsigned kept = 0;
        for (unsigned lane = 0; lane < 8; ++lane) {
            if ((mask >> lane) & 1) {
                table.shuffle[mask][2 * kept] = static_cast<std::uint8_t>(2 * lane);
                table.shuffle[mask][2 * kept + 1] = static_cast<std::uint8_t>(2 * lane + 1);
                ++kept;
            }
        }
        table.kept[mask] = static_cast<std::uint8_t>(kept);
        for (unsigned i = 2 * kept; i < 16; ++i) {
            table.shuffle[mask][i] = 0xFF;
        }
    }
    return table;
}

inline constexpr sPackTable_t c_packTable = MakePackTable();

// The 16 bytes at p, which may pass the terminator but not the aligned vector that holds it.
VESK_READS_WHOLE_ALIGNED_BLOCK inline Vector LoadWindow(const unsigned char* p) {
#if defined(VESK_ASCII_BLOCK_NEON)
    return vld1q_u8(p);
#else
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
#endif
}

#endif

#if defined(VESK_ASCII_BLOCK_NEON)

// Eight characters in 16-bit lanes.
typedef uint16x8_t Characters;

// The lanes of a mask vector (each 0 or 0xFF) of one half as the bits of a byte.
inline unsigned LaneBits(uint8x8_t lanes) {
    const uint8x8_t bits = vand_u8(lanes, vcreate_u8(0x8040201008040201ULL));
    const uint8x8_t sum = vpadd_u8(vpadd_u8(vpadd_u8(bits, bits), bits), bits);
    return vget_lane_u8(sum, 0);
}

// Packs the kept lanes of eight units to the front; `kept` is their mask.
inline uint16x8_t Pack(uint16x8_t units, unsigned kept) {
    const uint8x16_t bytes = vreinterpretq_u8_u16(units);
    uint8x8x2_t table;
    table.val[0] = vget_low_u8(bytes);
    table.val[1] = vget_high_u8(bytes);
    const uint8x16_t shuffle = vld1q_u8(c_packTable.shuffle[kept].data());
    return vreinterpretq_u16_u8(
        vcombine_u8(vtbl2_u8(table, vget_low_u8(shuffle)), vtbl2_u8(table, vget_high_u8(shuffle))));
}

// The value of the character that each byte of b starts, from it and the next two bytes.
inline uint16x8_t Values(uint8x8_t b, uint8x8_t next, uint8x8_t after, uint8x8_t lead2,
                         uint8x8_t lead3) {
    const uint16x8_t low6 = vmovl_u8(vand_u8(next, vdup_n_u8(0x3F)));
    const uint16x8_t two = vorrq_u16(vshlq_n_u16(vmovl_u8(vand_u8(b, vdup_n_u8(0x1F))), 6), low6);
    const uint16x8_t three =
        vorrq_u16(vorrq_u16(vshlq_n_u16(vmovl_u8(b), 12), vshlq_n_u16(low6, 6)),
                  vmovl_u8(vand_u8(after, vdup_n_u8(0x3F))));
    const uint16x8_t wide2 = vreinterpretq_u16_s16(vmovl_s8(vreinterpret_s8_u8(lead2)));
    const uint16x8_t wide3 = vreinterpretq_u16_s16(vmovl_s8(vreinterpret_s8_u8(lead3)));
    return vbslq_u16(wide3, three, vbslq_u16(wide2, two, vmovl_u8(b)));
}

// Stores eight characters as the units of each routine: 16-bit units (the characters here are
// all below 0x10000), 32-bit units, or Latin-1 bytes with '?' for a character beyond 0xFF.
inline void StoreEight(unsigned short* dst, uint16x8_t characters) {
    vst1q_u16(dst, characters);
}
inline void StoreEight(unsigned int* dst, uint16x8_t characters) {
    vst1q_u32(dst, vmovl_u16(vget_low_u16(characters)));
    vst1q_u32(dst + 4, vmovl_u16(vget_high_u16(characters)));
}
inline void StoreEight(unsigned char* dst, uint16x8_t characters) {
    const uint16x8_t beyond = vcgtq_u16(characters, vdupq_n_u16(0xFF));
    vst1_u8(dst, vmovn_u16(vbslq_u16(beyond, vdupq_n_u16('?'), characters)));
}

// Writes the first k (4, 2 or 1) of four characters as units of each routine at dst.
template <std::size_t k, class Out>
inline void StorePart(Out* dst, uint16x4_t characters) {
    if constexpr (sizeof(Out) == 2) {
        if constexpr (k == 4) {
            vst1_u16(reinterpret_cast<std::uint16_t*>(dst), characters);
        } else if constexpr (k == 2) {
            const std::uint32_t pair = vget_lane_u32(vreinterpret_u32_u16(characters), 0);
            std::memcpy(dst, &pair, sizeof pair);
        } else {
            dst[0] = vget_lane_u16(characters, 0);
        }
    } else if constexpr (sizeof(Out) == 4) {
        const uint32x4_t units = vmovl_u16(characters);
        if constexpr (k == 4) {
            vst1q_u32(reinterpret_cast<std::uint32_t*>(dst), units);
        } else if constexpr (k == 2) {
            vst1_u32(reinterpret_cast<std::uint32_t*>(dst), vget_low_u32(units));
        } else {
            dst[0] = vgetq_lane_u32(units, 0);
        }
    } else {
        const uint8x8_t bytes = vmovn_u16(vcombine_u16(characters, characters));
        if constexpr (k == 4) {
            const std::uint32_t four = vget_lane_u32(vreinterpret_u32_u8(bytes), 0);
            std::memcpy(dst, &four, sizeof four);
        } else if constexpr (k == 2) {
            const std::uint16_t pair = vget_lane_u16(vreinterpret_u16_u8(bytes), 0);
            std::memcpy(dst, &pair, sizeof pair);
        } else {
            dst[0] = vget_lane_u8(bytes, 0);
        }
    }
}

// Writes the first n (0 to 8) of eight characters as units of each routine at dst (Latin-1: '?'
// beyond 0xFF), and nothing after them: two overlapping stores of four units, or of two.
template <class Out>
inline void StoreUnits(Out* dst, uint16x8_t characters, std::size_t n) {
    if constexpr (sizeof(Out) == 1) {
        characters =
            vbslq_u16(vcgtq_u16(characters, vdupq_n_u16(0xFF)), vdupq_n_u16('?'), characters);
    }
    const uint8x16_t bytes = vreinterpretq_u8_u16(characters);
    if (n >= 4) {
        StorePart<4>(dst, vget_low_u16(characters));
        StorePart<4>(dst + n - 4, vreinterpret_u16_u8(EightBytesFrom(bytes, 2 * (n - 4))));
    } else if (n >= 2) {
        StorePart<2>(dst, vget_low_u16(characters));
        StorePart<2>(dst + n - 2, vreinterpret_u16_u8(EightBytesFrom(bytes, 2 * (n - 2))));
    } else if (n == 1) {
        StorePart<1>(dst, vget_low_u16(characters));
    }
}

// CJK text: true when the first 15 bytes of a window that passed the checks of the general
// step are five three-byte characters. Those checks put the following bytes where the leads
// announce them, so three-byte leads at bytes 0, 3, 6, 9 and 12 are enough.
inline bool IsFiveThreeByteCharacters(uint8x16_t lead3) {
    const uint8x16_t fiveLeads = {0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0xFF, 0, 0, 0};
    return !AnySet(vbicq_u8(fiveLeads, lead3));
}

// The five characters of such a window as the first five 16-bit lanes.
inline uint16x8_t DecodeFiveThreeByteCharacters(uint8x16_t v) {
    uint8x8x2_t bytes;
    bytes.val[0] = vget_low_u8(v);
    bytes.val[1] = vget_high_u8(v);
    const uint8x8_t leadIndex = {0, 3, 6, 9, 12, 0xFF, 0xFF, 0xFF};
    const uint8x8_t lead = vtbl2_u8(bytes, leadIndex);
    const uint8x8_t middle = vtbl2_u8(bytes, vadd_u8(leadIndex, vdup_n_u8(1)));
    const uint8x8_t last = vtbl2_u8(bytes, vadd_u8(leadIndex, vdup_n_u8(2)));
    const uint8x8_t low6 = vdup_n_u8(0x3F);
    return vorrq_u16(
        vorrq_u16(vshlq_n_u16(vmovl_u8(lead), 12), vshlq_n_u16(vmovl_u8(vand_u8(middle, low6)), 6)),
        vmovl_u8(vand_u8(last, low6)));
}

#elif defined(VESK_TEXT_VECTORS_SSE41)

typedef __m128i Characters;

// Packs the kept 16-bit lanes of eight units to the front; `kept` is their mask.
inline __m128i Pack(__m128i units, unsigned kept) {
    return _mm_shuffle_epi8(
        units, _mm_loadu_si128(reinterpret_cast<const __m128i*>(c_packTable.shuffle[kept].data())));
}

// The value of the character that each byte of v starts, from it and the next two bytes, as
// its low bytes and its high bytes: bytes are shifted within 16-bit lanes and masked, so the
// 16 characters take one pass instead of two halves of 16-bit lanes.
inline void Values(__m128i v, __m128i lead2, __m128i lead3, __m128i& low, __m128i& high) {
    const __m128i next = _mm_srli_si128(v, 1);
    const __m128i after = _mm_srli_si128(v, 2);
    const __m128i low6 = _mm_set1_epi8(0x3F);
    const __m128i top2 = _mm_set1_epi8(static_cast<char>(0xC0));
    // Two bytes: 110abcde 10fghijk -> high 00000abc, low defghijk.
    const __m128i low2 =
        _mm_or_si128(_mm_and_si128(next, low6), _mm_and_si128(_mm_slli_epi16(v, 6), top2));
    const __m128i high2 = _mm_and_si128(_mm_srli_epi16(v, 2), _mm_set1_epi8(0x07));
    // Three bytes: 1110abcd 10efghij 10klmnop -> high abcdefgh, low ijklmnop.
    const __m128i low3 =
        _mm_or_si128(_mm_and_si128(after, low6), _mm_and_si128(_mm_slli_epi16(next, 6), top2));
    const __m128i high3 =
        _mm_or_si128(_mm_and_si128(_mm_slli_epi16(v, 4), _mm_set1_epi8(static_cast<char>(0xF0))),
                     _mm_and_si128(_mm_srli_epi16(next, 2), _mm_set1_epi8(0x0F)));
    low = _mm_blendv_epi8(_mm_blendv_epi8(v, low2, lead2), low3, lead3);
    high = _mm_blendv_epi8(_mm_and_si128(high2, lead2), high3, lead3);
}

// Stores eight characters as the units of each routine: 16-bit units (the characters here are
// all below 0x10000), 32-bit units, or Latin-1 bytes with '?' for a character beyond 0xFF.
inline void StoreEight(unsigned short* dst, __m128i characters) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), characters);
}
inline void StoreEight(unsigned int* dst, __m128i characters) {
    __m128i* out = reinterpret_cast<__m128i*>(dst);
    _mm_storeu_si128(out, _mm_cvtepu16_epi32(characters));
    _mm_storeu_si128(out + 1, _mm_cvtepu16_epi32(_mm_srli_si128(characters, 8)));
}
inline void StoreEight(unsigned char* dst, __m128i characters) {
    const __m128i beyond = AtLeast16(characters, 0x100);
    const __m128i latin1 = _mm_blendv_epi8(characters, _mm_set1_epi16('?'), beyond);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(latin1, latin1));
}

// Writes the first k (4, 2 or 1) of the characters in the low lanes as units of each routine.
template <std::size_t k, class Out>
inline void StorePart(Out* dst, __m128i characters) {
    __m128i units = characters;
    if constexpr (sizeof(Out) == 4) {
        units = _mm_cvtepu16_epi32(characters);
    } else if constexpr (sizeof(Out) == 1) {
        units = _mm_packus_epi16(characters, characters);
    }
    if constexpr (k * sizeof(Out) == 16) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), units);
    } else if constexpr (k * sizeof(Out) == 8) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), units);
    } else if constexpr (k * sizeof(Out) == 4) {
        const int four = _mm_cvtsi128_si32(units);
        std::memcpy(dst, &four, sizeof four);
    } else if constexpr (k * sizeof(Out) == 2) {
        const auto pair = static_cast<std::uint16_t>(_mm_extract_epi16(units, 0));
        std::memcpy(dst, &pair, sizeof pair);
    } else {
        dst[0] = static_cast<Out>(_mm_cvtsi128_si32(units));
    }
}

// Writes the first n (0 to 8) of eight characters as units of each routine at dst (Latin-1: '?'
// beyond 0xFF), and nothing after them: two overlapping stores of four units, or of two.
template <class Out>
inline void StoreUnits(Out* dst, __m128i characters, std::size_t n) {
    if constexpr (sizeof(Out) == 1) {
        characters = _mm_blendv_epi8(characters, _mm_set1_epi16('?'), AtLeast16(characters, 0x100));
    }
    if (n >= 4) {
        StorePart<4>(dst, characters);
        StorePart<4>(dst + n - 4, BytesFrom(characters, 2 * (n - 4)));
    } else if (n >= 2) {
        StorePart<2>(dst, characters);
        StorePart<2>(dst + n - 2, BytesFrom(characters, 2 * (n - 2)));
    } else if (n == 1) {
        StorePart<1>(dst, characters);
    }
}

// CJK text: true when the first 15 bytes of v are five three-byte characters, none of which the
// general step would refuse (a lead of four or more bytes, or E0 80).
inline bool IsFiveThreeByteCharacters(__m128i v, unsigned lead2Bits, unsigned lead3Bits,
                                      unsigned char start4) {
    constexpr unsigned leads = 0x1249;  // bytes 0, 3, 6, 9 and 12
    const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(v));
    if ((high & 0x7FFF) != 0x7FFF || (lead2Bits & 0x7FFF) != leads ||
        (lead3Bits & 0x7FFF) != leads) {
        return false;
    }
    const unsigned long4 = static_cast<unsigned>(_mm_movemask_epi8(AtLeast8(v, start4)));
    const unsigned e0 = static_cast<unsigned>(_mm_movemask_epi8(Equal8(v, 0xE0)));
    const unsigned x80 = static_cast<unsigned>(_mm_movemask_epi8(Equal8(v, 0x80)));
    return ((long4 & leads) | ((e0 << 1) & x80)) == 0;
}

// The five characters of such a vector as the first five 16-bit lanes.
inline __m128i DecodeFiveThreeByteCharacters(__m128i v) {
    const __m128i lead = _mm_shuffle_epi8(
        v, _mm_setr_epi8(0, -1, 3, -1, 6, -1, 9, -1, 12, -1, -1, -1, -1, -1, -1, -1));
    const __m128i middle = _mm_shuffle_epi8(
        v, _mm_setr_epi8(1, -1, 4, -1, 7, -1, 10, -1, 13, -1, -1, -1, -1, -1, -1, -1));
    const __m128i last = _mm_shuffle_epi8(
        v, _mm_setr_epi8(2, -1, 5, -1, 8, -1, 11, -1, 14, -1, -1, -1, -1, -1, -1, -1));
    const __m128i low6 = _mm_set1_epi16(0x3F);
    return _mm_or_si128(
        _mm_or_si128(_mm_slli_epi16(lead, 12), _mm_slli_epi16(_mm_and_si128(middle, low6), 6)),
        _mm_and_si128(last, low6));
}

#endif

#if defined(VESK_TEXT_VECTORS)

// Stores a half of n decoded characters at dst + count and moves count past them. The half is
// stored whole (eight units, those past its own being scratch) where the `later` units that
// follow it overwrite the scratch, and unit by unit otherwise; so nothing is ever left written
// after the last character decoded.
template <class Out>
inline void StoreHalf(Out* dst, std::size_t& count, Characters half, std::size_t n,
                      std::size_t later) {
    if (n + later >= 8) {
        StoreEight(dst + count, half);
    } else {
        StoreUnits(dst + count, half, n);
    }
    count += n;
}

#endif

#if defined(VESK_ASCII_BLOCK_NEON)

// The general step of a window of well-formed one- to three-byte text: every character that
// starts in it and ends in it is decoded; `end` becomes the bytes taken.
template <class Out>
VESK_ALWAYS_INLINE std::size_t DecodeWindow(uint8x16_t v, uint8x16_t lead2, uint8x16_t lead3,
                                            uint8x16_t continuation, Out* dst, std::size_t count,
                                            uint16x8_t& pending, std::size_t& pendingUnits,
                                            unsigned& end) {
    const uint8x16_t zero = vdupq_n_u8(0);
    // The bytes that start a character, one bit each. A character begun in the last two bytes
    // and not ended in the window is cut: the next window starts with it.
    const uint8x16_t starts = vmvnq_u8(continuation);
    const unsigned startBits =
        LaneBits(vget_low_u8(starts)) | (LaneBits(vget_high_u8(starts)) << 8);
    end = vgetq_lane_u8(lead2, 15) ? 15u : vgetq_lane_u8(lead3, 14) ? 14u : 16u;
    const unsigned kept = startBits & ((1u << end) - 1);
    const unsigned keptLow = kept & 0xFF;
    const unsigned keptHigh = kept >> 8;
    const uint8x16_t following = vextq_u8(v, zero, 1);
    const uint8x16_t after = vextq_u8(v, zero, 2);
    const uint16x8_t halves[2] = {
        Pack(Values(vget_low_u8(v), vget_low_u8(following), vget_low_u8(after), vget_low_u8(lead2),
                    vget_low_u8(lead3)),
             keptLow),
        Pack(Values(vget_high_u8(v), vget_high_u8(following), vget_high_u8(after),
                    vget_high_u8(lead2), vget_high_u8(lead3)),
             keptHigh)};
    const std::size_t lowUnits = c_packTable.kept[keptLow];
    const std::size_t highUnits = c_packTable.kept[keptHigh];
    StoreHalf(dst, count, pending, pendingUnits, lowUnits + highUnits);
    StoreHalf(dst, count, halves[0], lowUnits, highUnits);
    pending = halves[1];
    pendingUnits = highUnits;
    return count;
}

// Decodes 16-byte windows from src (at a character boundary) on into dst from count on, while
// the room before size allows; each window after the first starts at the character the one
// before cut. A window is read unaligned only once the aligned vector it starts in is known to
// hold no zero from the window on, so that the text goes on into the vector after it. Advances
// src to the first character not decoded and returns the new count; `retry` becomes the first
// position worth another call.
template <class Out>
inline std::size_t DecodeVectors(const unsigned char*& src, Out* dst, std::size_t count,
                                 std::size_t size, const unsigned char*& retry) {
    const unsigned char start2 = c_UTF8_1stByteStartValueTable[1];
    const unsigned char start3 = c_UTF8_1stByteStartValueTable[2];
    const unsigned char start4 = c_UTF8_1stByteStartValueTable[3];
    const uint8x16_t zero = vdupq_n_u8(0);
    const unsigned char* p = src;
    // The last window's high half, stored when the next window shows what follows it.
    uint16x8_t pending = vdupq_n_u16(0);
    std::size_t pendingUnits = 0;
    while (count + pendingUnits + kSizingVectorBytes <= size) {
        const unsigned offset = reinterpret_cast<std::uintptr_t>(p) & (kSizingVectorBytes - 1);
        // The whole aligned vector is tested: its bytes before p are text already taken, none
        // of them zero, except before the start of the text, where a zero only ends the step
        // early.
        if (offset != 0 && AnySet(vceqq_u8(LoadAligned(p - offset), zero))) {
            break;  // the text may end in this vector: the one after may not be readable
        }
        const uint8x16_t v = LoadWindow(p);
        const uint8x16_t high = vcgeq_u8(v, vdupq_n_u8(0x80));
        unsigned end = kSizingVectorBytes;
        if (!AnySet(vorrq_u8(high, vceqq_u8(v, zero)))) {
            // ASCII: sixteen units, taken up to the next aligned vector only, so that a longer run
            // reaches the aligned ASCII blocks (the units stored past it are the same that the
            // next step stores again).
            StoreHalf(dst, count, pending, pendingUnits, kSizingVectorBytes);
            pendingUnits = 0;
            StoreEight(dst + count, vmovl_u8(vget_low_u8(v)));
            StoreEight(dst + count + 8, vmovl_u8(vget_high_u8(v)));
            count += kSizingVectorBytes - offset;
            p += kSizingVectorBytes - offset;
            if (IsBlockAligned(p)) {
                count = AsciiBlocks<true>(p, dst, count, size);
            }
            continue;
        }
        const uint8x16_t lead2 = vcgeq_u8(v, vdupq_n_u8(start2));
        const uint8x16_t lead3 = vcgeq_u8(v, vdupq_n_u8(start3));
        const uint8x16_t continuation = vbicq_u8(high, lead2);
        const uint8x16_t announced = vorrq_u8(vextq_u8(zero, lead2, 15), vextq_u8(zero, lead3, 14));
        uint8x16_t refused = vorrq_u8(vceqq_u8(v, zero), vcgeq_u8(v, vdupq_n_u8(start4)));
        refused = vorrq_u8(refused, veorq_u8(announced, continuation));
        refused = vorrq_u8(refused, vceqq_u8(v, vdupq_n_u8(0xC0)));
        refused = vorrq_u8(refused, vandq_u8(vextq_u8(zero, vceqq_u8(v, vdupq_n_u8(0xE0)), 15),
                                             vceqq_u8(v, vdupq_n_u8(0x80))));
        if (AnySet(refused)) {
            break;
        }
        if (IsFiveThreeByteCharacters(lead3)) {
            // Five characters, held like a high half.
            StoreHalf(dst, count, pending, pendingUnits, 5);
            pending = DecodeFiveThreeByteCharacters(v);
            pendingUnits = 5;
            end = 15;
        } else {
            count =
                DecodeWindow(v, lead2, lead3, continuation, dst, count, pending, pendingUnits, end);
        }
        p += end;
    }
    StoreUnits(dst + count, pending, pendingUnits);
    src = p;
    retry = src + kSizingVectorBytes;
    return count + pendingUnits;
}

#elif defined(VESK_TEXT_VECTORS_SSE41)

// Decodes 16-byte windows from src (at a character boundary) on into dst from count on, while
// the room before size allows; each window after the first starts at the character the one
// before cut. A window is read unaligned only once the aligned vector it starts in is known to
// hold no zero from the window on, so that the text goes on into the vector after it. Advances
// src to the first character not decoded and returns the new count; `retry` becomes the first
// position worth another call.
template <class Out>
inline std::size_t DecodeVectors(const unsigned char*& src, Out* dst, std::size_t count,
                                 std::size_t size, const unsigned char*& retry) {
    const unsigned char start2 = c_UTF8_1stByteStartValueTable[1];
    const unsigned char start3 = c_UTF8_1stByteStartValueTable[2];
    const unsigned char start4 = c_UTF8_1stByteStartValueTable[3];
    const __m128i zero = _mm_setzero_si128();
    const unsigned char* p = src;
    // The last window's high half, stored when the next window shows what follows it.
    __m128i pending = zero;
    std::size_t pendingUnits = 0;
    while (count + pendingUnits + kSizingVectorBytes <= size) {
        const unsigned offset = reinterpret_cast<std::uintptr_t>(p) & (kSizingVectorBytes - 1);
        if (offset != 0) {
            const __m128i cur = LoadAligned(p - offset);
            const unsigned zeros =
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(cur, zero)));
            if ((zeros >> offset) != 0) {
                break;  // the text ends in this vector: the one after may not be readable
            }
        }
        const __m128i v = LoadWindow(p);
        const __m128i zeroLanes = _mm_cmpeq_epi8(v, zero);
        if (_mm_movemask_epi8(_mm_or_si128(v, zeroLanes)) == 0) {
            // ASCII: sixteen units, taken up to the next aligned vector only, so that a longer run
            // reaches the aligned ASCII blocks (the units stored past it are the same that the
            // next step stores again).
            StoreHalf(dst, count, pending, pendingUnits, kSizingVectorBytes);
            pendingUnits = 0;
            StoreEight(dst + count, _mm_cvtepu8_epi16(v));
            StoreEight(dst + count + 8, _mm_cvtepu8_epi16(_mm_srli_si128(v, 8)));
            count += kSizingVectorBytes - offset;
            p += kSizingVectorBytes - offset;
            if (IsBlockAligned(p)) {
                count = AsciiBlocks<true>(p, dst, count, size);
            }
            continue;
        }
        const __m128i lead2 = AtLeast8(v, start2);
        const __m128i lead3 = AtLeast8(v, start3);
        const unsigned lead2Bits = static_cast<unsigned>(_mm_movemask_epi8(lead2));
        const unsigned lead3Bits = static_cast<unsigned>(_mm_movemask_epi8(lead3));
        if (IsFiveThreeByteCharacters(v, lead2Bits, lead3Bits, start4)) {
            // Five characters, held like a high half.
            StoreHalf(dst, count, pending, pendingUnits, 5);
            pending = DecodeFiveThreeByteCharacters(v);
            pendingUnits = 5;
            p += 15;
            continue;
        }
        const __m128i continuation = _mm_andnot_si128(lead2, _mm_cmplt_epi8(v, zero));
        const __m128i announced = _mm_or_si128(_mm_slli_si128(lead2, 1), _mm_slli_si128(lead3, 2));
        __m128i refused = _mm_or_si128(zeroLanes, AtLeast8(v, start4));
        refused = _mm_or_si128(refused, _mm_xor_si128(announced, continuation));
        refused = _mm_or_si128(refused, Equal8(v, 0xC0));
        refused = _mm_or_si128(refused,
                               _mm_and_si128(_mm_slli_si128(Equal8(v, 0xE0), 1), Equal8(v, 0x80)));
        if (AnySet(refused)) {
            break;
        }
        // The bytes that start a character, one bit each. A character begun in the last two
        // bytes and not ended in the window is cut: the next window starts with it.
        const unsigned startBits = ~static_cast<unsigned>(_mm_movemask_epi8(continuation));
        const unsigned end = (lead2Bits & 0x8000) ? 15u : (lead3Bits & 0x4000) ? 14u : 16u;
        const unsigned kept = startBits & ((1u << end) - 1);
        __m128i low, high;
        Values(v, lead2, lead3, low, high);
        const std::size_t lowUnits = c_packTable.kept[kept & 0xFF];
        const std::size_t highUnits = c_packTable.kept[kept >> 8];
        StoreHalf(dst, count, pending, pendingUnits, lowUnits + highUnits);
        StoreHalf(dst, count, Pack(_mm_unpacklo_epi8(low, high), kept & 0xFF), lowUnits, highUnits);
        pending = Pack(_mm_unpackhi_epi8(low, high), kept >> 8);
        pendingUnits = highUnits;
        p += end;
    }
    StoreUnits(dst + count, pending, pendingUnits);
    src = p;
    retry = src + kSizingVectorBytes;
    return count + pendingUnits;
}

// ---- Short texts (SSE4.1): a whole text of up to 15 bytes in one step ----

// A text whose terminator lies within the 16 bytes from src, read from the aligned vector that
// holds src (and, when the text goes on past it, as one window from src): its bytes in lanes 0
// to n - 1 and n, the number of bytes before the terminator. False when the text is longer.
VESK_ALWAYS_INLINE bool LoadShortText(const unsigned char* src, __m128i& v, unsigned& n) {
    const unsigned offset = reinterpret_cast<std::uintptr_t>(src) & (kSizingVectorBytes - 1);
    const __m128i zero = _mm_setzero_si128();
    const __m128i first = LoadAligned(src - offset);
    auto zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(first, zero))) >> offset;
    if (zeros != 0) {
        v = BytesFrom(first, offset);
    } else {
        v = LoadWindow(src);
        zeros = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, zero)));
        if (zeros == 0) {
            return false;
        }
    }
    n = static_cast<unsigned>(__builtin_ctz(zeros));
    return true;
}

// The classes of a short text's bytes; `kept` becomes the mask of the bytes that start a
// character. False when the bytes before the terminator are not well-formed one- to three-byte
// UTF-8 as the window step takes it (nor end on a whole character).
VESK_ALWAYS_INLINE bool ClassifyShortText(__m128i v, unsigned n, __m128i& lead2, __m128i& lead3,
                                          unsigned& kept) {
    const __m128i zero = _mm_setzero_si128();
    lead2 = AtLeast8(v, c_UTF8_1stByteStartValueTable[1]);
    lead3 = AtLeast8(v, c_UTF8_1stByteStartValueTable[2]);
    const __m128i continuation = _mm_andnot_si128(lead2, _mm_cmplt_epi8(v, zero));
    const __m128i announced = _mm_or_si128(_mm_slli_si128(lead2, 1), _mm_slli_si128(lead3, 2));
    __m128i refused = _mm_or_si128(AtLeast8(v, c_UTF8_1stByteStartValueTable[3]),
                                   _mm_xor_si128(announced, continuation));
    refused = _mm_or_si128(refused, Equal8(v, 0xC0));
    refused =
        _mm_or_si128(refused, _mm_and_si128(_mm_slli_si128(Equal8(v, 0xE0), 1), Equal8(v, 0x80)));
    // Up to the terminator's lane: a character it cuts is announced there.
    if ((static_cast<unsigned>(_mm_movemask_epi8(refused)) & ((2u << n) - 1)) != 0) {
        return false;
    }
    kept = ~static_cast<unsigned>(_mm_movemask_epi8(continuation)) & ((1u << n) - 1);
    return true;
}

// Sizing pass of a short text: its characters and the terminator. False when not short or
// not regular.
VESK_ALWAYS_INLINE bool CountShortText(const unsigned char* src, unsigned short& result) {
    __m128i v, lead2, lead3;
    unsigned n, kept;
    if (!LoadShortText(src, v, n) || !ClassifyShortText(v, n, lead2, lead3, kept)) {
        return false;
    }
    result = static_cast<unsigned short>(c_packTable.kept[kept & 0xFF] +
                                         c_packTable.kept[kept >> 8] + 1);
    return true;
}

// Fill pass of a short text that fits in size: its characters and the terminator, written
// exactly. False (nothing written) otherwise.
template <class Out>
VESK_ALWAYS_INLINE bool FillShortText(const unsigned char* src, Out* dst, std::size_t size,
                                      unsigned short& result) {
    __m128i v, lead2, lead3;
    unsigned n, kept;
    if (!LoadShortText(src, v, n) || !ClassifyShortText(v, n, lead2, lead3, kept)) {
        return false;
    }
    const std::size_t lowUnits = c_packTable.kept[kept & 0xFF];
    const std::size_t highUnits = c_packTable.kept[kept >> 8];
    if (lowUnits + highUnits + 1 > size) {
        return false;
    }
    __m128i low, high;
    Values(v, lead2, lead3, low, high);
    StoreUnits(dst, Pack(_mm_unpacklo_epi8(low, high), kept & 0xFF), lowUnits);
    StoreUnits(dst + lowUnits, Pack(_mm_unpackhi_epi8(low, high), kept >> 8), highUnits);
    dst[lowUnits + highUnits] = 0;
    result = static_cast<unsigned short>(lowUnits + highUnits + 1);
    return true;
}

constexpr bool kShortTexts = true;

#else

template <class Out>
inline std::size_t DecodeVectors(const unsigned char*&, Out*, std::size_t count, std::size_t,
                                 const unsigned char*&) {
    return count;
}

#endif

#if !defined(VESK_TEXT_VECTORS_SSE41)
// Elsewhere short texts take the loops.
constexpr bool kShortTexts = false;
inline bool CountShortText(const unsigned char*, unsigned short&) {
    return false;
}
template <class Out>
inline bool FillShortText(const unsigned char*, Out*, std::size_t, unsigned short&) {
    return false;
}
#endif

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_DECODEVECTORS_H
