// SPDX-License-Identifier: Apache-2.0
// The 16-byte vector operations that the sizing, decoding and encoding vectors are written in,
// for the two kinds of vector unit they run on: NEON, and SSSE3 with SSE4.1. A vector is 16
// bytes; a comparison sets each lane of its width to all ones or all zeros. Defines
// VESK_TEXT_VECTORS where one of them is available.
#ifndef VESK_TEXT_VECTOROPS_H
#define VESK_TEXT_VECTOROPS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/asciiblock.h"

#if defined(VESK_ASCII_BLOCK_NEON) || defined(VESK_TEXT_VECTORS_SSE41)
#define VESK_TEXT_VECTORS 1
#endif

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

#if defined(VESK_TEXT_VECTORS)
// For a shift of s bytes (0 to 16), the byte indices that bring byte s of a vector to byte 0,
// and 0xFF (a zero byte) past its end: variable shifts by one table lookup.
struct sByteShiftTable_t {
    std::uint8_t index[17][16];
};

constexpr sByteShiftTable_t MakeByteShiftTable() {
    sByteShiftTable_t table{};
    for (unsigned s = 0; s <= 16; ++s) {
        for (unsigned i = 0; i < 16; ++i) {
            table.index[s][i] = static_cast<std::uint8_t>(s + i < 16 ? s + i : 0xFF);
        }
    }
    return table;
}

inline constexpr sByteShiftTable_t c_byteShift = MakeByteShiftTable();

#endif

#if defined(VESK_ASCII_BLOCK_NEON)

typedef uint8x16_t Vector;

VESK_READS_WHOLE_ALIGNED_BLOCK inline Vector LoadAligned(const void* p) {
    return vld1q_u8(static_cast<const std::uint8_t*>(p));
}
inline Vector Splat8(unsigned char c) {
    return vdupq_n_u8(c);
}
inline Vector Zero() {
    return vdupq_n_u8(0);
}
inline Vector Or(Vector a, Vector b) {
    return vorrq_u8(a, b);
}
inline Vector And(Vector a, Vector b) {
    return vandq_u8(a, b);
}
inline Vector Xor(Vector a, Vector b) {
    return veorq_u8(a, b);
}
// a & ~b.
inline Vector AndNot(Vector a, Vector b) {
    return vbicq_u8(a, b);
}
inline Vector Equal8(Vector v, unsigned char c) {
    return vceqq_u8(v, vdupq_n_u8(c));
}
inline Vector AtLeast8(Vector v, unsigned char c) {
    return vcgeq_u8(v, vdupq_n_u8(c));
}
inline Vector Equal16(Vector v, std::uint16_t c) {
    return vreinterpretq_u8_u16(vceqq_u16(vreinterpretq_u16_u8(v), vdupq_n_u16(c)));
}
inline Vector AtLeast16(Vector v, std::uint16_t c) {
    return vreinterpretq_u8_u16(vcgeq_u16(vreinterpretq_u16_u8(v), vdupq_n_u16(c)));
}
inline Vector Equal32(Vector v, std::uint32_t c) {
    return vreinterpretq_u8_u32(vceqq_u32(vreinterpretq_u32_u8(v), vdupq_n_u32(c)));
}
inline Vector AtLeast32(Vector v, std::uint32_t c) {
    return vreinterpretq_u8_u32(vcgeq_u32(vreinterpretq_u32_u8(v), vdupq_n_u32(c)));
}
// The lanes of cur moved n bytes up, the last n lanes of `before` moving in below them.
template <int n>
inline Vector Later(Vector before, Vector cur) {
    return vextq_u8(before, cur, 16 - n);
}

// True when any lane of v is set.
inline bool AnySet(Vector v) {
    const uint8x8_t folded = vorr_u8(vget_low_u8(v), vget_high_u8(v));
    return vget_lane_u64(vreinterpret_u64_u8(folded), 0) != 0;
}

// The number of set byte lanes (each 0 or 0xFF) of v.
inline std::size_t CountSet(Vector v) {
    const uint64x2_t sums = vpaddlq_u32(vpaddlq_u16(vpaddlq_u8(vshrq_n_u8(v, 7))));
    return static_cast<std::size_t>(vgetq_lane_u64(sums, 0) + vgetq_lane_u64(sums, 1));
}

// True when leads at the end of a vector announce following bytes in the next one: a lead at
// byte 15, or a three-byte lead at byte 14 (three-byte leads are leads too).
inline bool AnnouncesNext(Vector lead2, Vector lead3) {
    return (vgetq_lane_u8(lead2, 15) | vgetq_lane_u8(lead3, 14)) != 0;
}

// The eight bytes of v from byte `from` (0 to 8) on.
inline uint8x8_t EightBytesFrom(Vector v, std::size_t from) {
    uint8x8x2_t halves;
    halves.val[0] = vget_low_u8(v);
    halves.val[1] = vget_high_u8(v);
    return vtbl2_u8(halves, vld1_u8(c_byteShift.index[from]));
}

// Writes the first n bytes of v (8 to 16) at out and nothing after them: two overlapping stores
// of eight bytes.
inline void StoreFirstBytes(unsigned char* out, Vector v, std::size_t n) {
    vst1_u8(out, vget_low_u8(v));
    vst1_u8(out + n - 8, EightBytesFrom(v, n - 8));
}

#elif defined(VESK_TEXT_VECTORS_SSE41)

typedef __m128i Vector;

VESK_READS_WHOLE_ALIGNED_BLOCK inline Vector LoadAligned(const void* p) {
    return _mm_load_si128(static_cast<const __m128i*>(p));
}
inline Vector Splat8(unsigned char c) {
    return _mm_set1_epi8(static_cast<char>(c));
}
inline Vector Zero() {
    return _mm_setzero_si128();
}
inline Vector Or(Vector a, Vector b) {
    return _mm_or_si128(a, b);
}
inline Vector And(Vector a, Vector b) {
    return _mm_and_si128(a, b);
}
inline Vector Xor(Vector a, Vector b) {
    return _mm_xor_si128(a, b);
}
inline Vector AndNot(Vector a, Vector b) {
    return _mm_andnot_si128(b, a);
}
inline Vector Equal8(Vector v, unsigned char c) {
    return _mm_cmpeq_epi8(v, Splat8(c));
}
// Unsigned a >= c as max(a, c) == a.
inline Vector AtLeast8(Vector v, unsigned char c) {
    return _mm_cmpeq_epi8(_mm_max_epu8(v, Splat8(c)), v);
}
inline Vector Equal16(Vector v, std::uint16_t c) {
    return _mm_cmpeq_epi16(v, _mm_set1_epi16(static_cast<short>(c)));
}
inline Vector AtLeast16(Vector v, std::uint16_t c) {
    return _mm_cmpeq_epi16(_mm_max_epu16(v, _mm_set1_epi16(static_cast<short>(c))), v);
}
inline Vector Equal32(Vector v, std::uint32_t c) {
    return _mm_cmpeq_epi32(v, _mm_set1_epi32(static_cast<int>(c)));
}
inline Vector AtLeast32(Vector v, std::uint32_t c) {
    return _mm_cmpeq_epi32(_mm_max_epu32(v, _mm_set1_epi32(static_cast<int>(c))), v);
}
template <int n>
inline Vector Later(Vector before, Vector cur) {
    return _mm_alignr_epi8(cur, before, 16 - n);
}

inline bool AnySet(Vector v) {
    return _mm_testz_si128(v, v) == 0;
}

// Without POPCNT (not part of these levels): the lanes' low bits summed by PSADBW.
inline std::size_t CountSet(Vector v) {
    const __m128i sums = _mm_sad_epu8(_mm_and_si128(v, _mm_set1_epi8(1)), _mm_setzero_si128());
    const int total = _mm_cvtsi128_si32(sums) + _mm_extract_epi16(sums, 4);  // at most 16
    return static_cast<std::size_t>(total);
}

inline bool AnnouncesNext(Vector lead2, Vector lead3) {
    return (_mm_extract_epi8(lead2, 15) | _mm_extract_epi8(lead3, 14)) != 0;
}

// The bytes of v from byte `from` (0 to 16) on, zeros after them.
inline Vector BytesFrom(Vector v, std::size_t from) {
    return _mm_shuffle_epi8(
        v, _mm_loadu_si128(reinterpret_cast<const __m128i*>(c_byteShift.index[from])));
}

// Writes the first n bytes of v (4 to 16) at out and nothing after them: two overlapping stores
// of eight bytes, or of four.
inline void StoreFirstBytes(unsigned char* out, Vector v, std::size_t n) {
    if (n >= 8) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), v);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + n - 8), BytesFrom(v, n - 8));
    } else {
        const int first = _mm_cvtsi128_si32(v), last = _mm_cvtsi128_si32(BytesFrom(v, n - 4));
        std::memcpy(out, &first, 4);
        std::memcpy(out + n - 4, &last, 4);
    }
}

#endif

#if defined(VESK_TEXT_VECTORS)

// Stores the first n bytes of v at out and moves out past them: all sixteen (those past n being
// scratch) where the `later` bytes that will follow overwrite the scratch, else exactly n (n is
// 0 or at least 8; with SSE4.1 at least 4). So nothing is left written after the last byte.
inline void StorePacked(unsigned char*& out, Vector v, std::size_t n, std::size_t later) {
    if (n + later >= 16) {
#if defined(VESK_ASCII_BLOCK_NEON)
        vst1q_u8(out, v);
#else
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
#endif
    } else if (n != 0) {
        StoreFirstBytes(out, v, n);
    }
    out += n;
}

#endif

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_VECTOROPS_H
