// SPDX-License-Identifier: Apache-2.0
// The encoders' fill pass with vectors that shuffle bytes (NEON; SSSE3 with SSE4.1) for
// UTF16_To_UTF8, UTF32_To_UTF8 and Latin1_To_UTF8: from an aligned position, whole groups of
// eight units are encoded at once when they are all ASCII (one narrowing store), all three bytes
// (CJK text: lead bytes and both following bytes interleaved), or all one or two bytes
// (European, Cyrillic, Greek text: each unit as a pair of bytes, packed by a table lookup on
// which units take two); with SSE4.1 also groups that mix three-byte units with shorter ones,
// four units at a time, and with AVX2 sixteen 16-bit units of one or two bytes at once. Packed
// bytes are stored exactly, or whole where the bytes that follow overwrite the rest of the
// store. A group with the terminator (or, without SSE4.1, with three-byte units among shorter
// ones), and a group that might not fit with a terminating zero up to `last`, stop the step, and
// the loop goes on one unit at a time. A group is read from its aligned address: it may pass the
// terminator, never its own 16 bytes; the second of sixteen units only when the first eight hold
// no terminator.
#ifndef VESK_TEXT_ENCODEVECTORS_H
#define VESK_TEXT_ENCODEVECTORS_H

#include <cstddef>
#include <cstdint>

#include "text/decodevectors.h"
#include "text/sizingblocks.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

// A group of eight units starts at an aligned 8 bytes (Latin-1) or 16 bytes (wider units).
template <class In>
inline bool IsGroupAligned(const In* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & (sizeof(In) == 1 ? 7 : 15)) == 0;
}

// For the two-byte flags of eight units (one bit each), the byte indices that pack their
// (first byte, second byte) pairs: every first byte, and the second byte of a two-byte unit;
// and the number of bytes kept.
struct sPairPackTable_t {
    std::uint8_t shuffle[256][16];
    std::uint8_t bytes[256];
};

constexpr sPairPackTable_t MakePairPackTable() {
    sPairPackTable_t table{};
    for (unsigned flags = 0; flags < 256; ++flags) {
        unsigned kept = 0;
        for (unsigned unit = 0; unit < 8; ++unit) {
            table.shuffle[flags][kept++] = static_cast<std::uint8_t>(2 * unit);
            if ((flags >> unit) & 1) {
                table.shuffle[flags][kept++] = static_cast<std::uint8_t>(2 * unit + 1);
            }
        }
        table.bytes[flags] = static_cast<std::uint8_t>(kept);
        for (unsigned i = kept; i < 16; ++i) {
            table.shuffle[flags][i] = 0xFF;
        }
    }
    return table;
}

inline constexpr sPairPackTable_t c_pairPackTable = MakePairPackTable();

#if defined(VESK_ASCII_BLOCK_NEON)

inline uint8x8_t Following(uint16x8_t bits) {
    return vorr_u8(vmovn_u16(vandq_u16(bits, vdupq_n_u16(0x3F))), vdup_n_u8(0x80));
}

// The group of eight units at src as 16-bit values; false when it cannot be taken: for 32-bit
// units, a value of 0x10000 or more, or a zero in the first half (the second is then not read).
template <class In>
VESK_READS_WHOLE_ALIGNED_BLOCK inline bool LoadEightUnits(const In* src, uint16x8_t& units) {
    if constexpr (sizeof(In) == 1) {
        units = vmovl_u8(vld1_u8(reinterpret_cast<const std::uint8_t*>(src)));
    } else if constexpr (sizeof(In) == 2) {
        units = vld1q_u16(reinterpret_cast<const std::uint16_t*>(src));
    } else {
        const std::uint32_t* p = reinterpret_cast<const std::uint32_t*>(src);
        const uint32x4_t low = vld1q_u32(p);
        const uint32x4_t bad = vorrq_u32(vceqq_u32(low, vdupq_n_u32(0)), vshrq_n_u32(low, 16));
        if (AnySet(vreinterpretq_u8_u32(bad))) {
            return false;
        }
        const uint32x4_t high = vld1q_u32(p + 4);
        if (AnySet(vreinterpretq_u8_u32(vshrq_n_u32(high, 16)))) {
            return false;
        }
        units = vcombine_u16(vmovn_u32(low), vmovn_u32(high));
    }
    return true;
}

// The eight byte lanes of a mask vector as two words, lanes 0-3 and 4-7.
struct sLaneWords_t {
    std::uint32_t low;
    std::uint32_t high;
};

inline sLaneWords_t LaneWords(uint8x8_t lanes) {
    const uint32x2_t words = vreinterpret_u32_u8(lanes);
    return {vget_lane_u32(words, 0), vget_lane_u32(words, 1)};
}

// Encodes whole vectors of eight units from src (16-byte aligned) on: all ASCII, all one or two
// bytes, or all three bytes, while up to `last` there is room for 24 bytes more. Packed halves
// are stored whole, each store overwriting what the one before wrote past its own bytes; the
// last half is stored byte by byte, so nothing is written past the last character encoded.
template <class In>
VESK_READS_WHOLE_ALIGNED_BLOCK inline unsigned char* FillEncodedVectors(const In*& src,
                                                                        unsigned char* out,
                                                                        const unsigned char* last) {
    constexpr std::size_t units = 8;
    const unsigned char start2 = c_UTF8_1stByteStartValueTable[1];
    const unsigned char start3 = c_UTF8_1stByteStartValueTable[2];
    unsigned asciiGroups = 0;  // all-ASCII groups in a row
    while (IsGroupAligned(src) && out + 3 * units <= last) {
        uint16x8_t v;
        if (!LoadEightUnits(src, v)) {
            break;
        }
        // One byte per unit for each class, moved to core registers as two 32-bit words: tests
        // there are cheaper than reductions of vectors, and 64-bit ones cost pairs. The
        // terminator and three-byte units share one test, which European text always passes.
        const uint16x8_t zero = vceqq_u16(v, vdupq_n_u16(0));
        const uint16x8_t three = vcgeq_u16(v, vdupq_n_u16(0x800));
        const sLaneWords_t unusual = LaneWords(vmovn_u16(vorrq_u16(zero, three)));
        const bool anyThree = (unusual.low | unusual.high) != 0;
        if (anyThree) {
            const sLaneWords_t threes = LaneWords(vmovn_u16(three));
            if ((threes.low & threes.high) != ~std::uint32_t{0}) {
                break;  // the terminator, or three-byte units among shorter ones
            }
        }
        const uint8x8_t isTwo = vmovn_u16(vcgeq_u16(v, vdupq_n_u16(0x80)));
        const sLaneWords_t twos = LaneWords(isTwo);
        if (anyThree) {
            uint8x8x3_t bytes;
            bytes.val[0] = vorr_u8(vmovn_u16(vshrq_n_u16(v, 12)), vdup_n_u8(start3));
            bytes.val[1] = Following(vshrq_n_u16(v, 6));
            bytes.val[2] = Following(v);
            vst3_u8(out, bytes);
            out += 3 * units;
            asciiGroups = 0;
        } else if ((twos.low | twos.high) == 0) {
            vst1_u8(out, vmovn_u16(v));
            out += units;
            src += units;
            // A run of ASCII goes on fastest as whole blocks (nothing is pending here); in text
            // whose letters leave ASCII every dozen or so, a single ASCII group seldom starts
            // one, and the block test is left to the second group in a row.
            if (++asciiGroups >= 2 && IsBlockAligned(src)) {
                out += AsciiBlocks<true>(src, out, 0, static_cast<std::size_t>(last - out));
            }
            continue;
        } else {
            const uint8x8_t lead = vorr_u8(vmovn_u16(vshrq_n_u16(v, 6)), vdup_n_u8(start2));
            const uint8x8x2_t pairs = vzip_u8(vbsl_u8(isTwo, lead, vmovn_u16(v)), Following(v));
            const unsigned flags = LaneBits(isTwo);
            const uint8x16_t index = vld1q_u8(c_pairPackTable.shuffle[flags]);
            const uint8x16_t packed = vcombine_u8(vtbl2_u8(pairs, vget_low_u8(index)),
                                                  vtbl2_u8(pairs, vget_high_u8(index)));
            StoreFirstBytes(out, packed, c_pairPackTable.bytes[flags]);
            out += c_pairPackTable.bytes[flags];
            asciiGroups = 0;
        }
        src += units;
    }
    return out;
}

#elif defined(VESK_TEXT_VECTORS_SSE41)

// The group of eight units at src as 16-bit lanes; false when it cannot be taken: for 32-bit
// units, a value of 0x10000 or more, or a zero in the first half (the second is then not read).
template <class In>
VESK_READS_WHOLE_ALIGNED_BLOCK inline bool LoadEightUnits(const In* src, __m128i& units) {
    const __m128i* p = reinterpret_cast<const __m128i*>(src);
    if constexpr (sizeof(In) == 1) {
        units = _mm_cvtepu8_epi16(_mm_loadl_epi64(p));
    } else if constexpr (sizeof(In) == 2) {
        units = _mm_load_si128(p);
    } else {
        const __m128i low = _mm_load_si128(p);
        if (AnySet(_mm_or_si128(Equal32(low, 0), _mm_srli_epi32(low, 16)))) {
            return false;
        }
        const __m128i high = _mm_load_si128(p + 1);
        if (AnySet(_mm_srli_epi32(high, 16))) {
            return false;
        }
        units = _mm_packus_epi32(low, high);
    }
    return true;
}

// The following byte 10xxxxxx of each 16-bit lane's low six bits.
inline __m128i Following(__m128i bits) {
    return _mm_or_si128(_mm_and_si128(bits, _mm_set1_epi16(0x3F)), _mm_set1_epi16(0x80));
}

// Writes eight three-byte characters (lead bytes, middle and last bytes in 16-bit lanes) as 24
// bytes at out.
inline void StoreThreeByteUnits(unsigned char* out, __m128i lead, __m128i middle, __m128i last) {
    const __m128i leadMiddle = _mm_packus_epi16(lead, middle);  // lead 0-7, middle 8-15
    const __m128i lasts = _mm_packus_epi16(last, last);
    const __m128i first16 = _mm_or_si128(
        _mm_shuffle_epi8(leadMiddle,
                         _mm_setr_epi8(0, 8, -1, 1, 9, -1, 2, 10, -1, 3, 11, -1, 4, 12, -1, 5)),
        _mm_shuffle_epi8(lasts,
                         _mm_setr_epi8(-1, -1, 0, -1, -1, 1, -1, -1, 2, -1, -1, 3, -1, -1, 4, -1)));
    const __m128i last8 = _mm_or_si128(
        _mm_shuffle_epi8(leadMiddle, _mm_setr_epi8(13, -1, 6, 14, -1, 7, 15, -1, -1, -1, -1, -1, -1,
                                                   -1, -1, -1)),
        _mm_shuffle_epi8(
            lasts, _mm_setr_epi8(-1, 5, -1, -1, 6, -1, -1, 7, -1, -1, -1, -1, -1, -1, -1, -1)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), first16);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), last8);
}

// For the two- and three-byte flags of four units (bits 0-3 and 4-7), the byte indices that
// pack the units' one to three bytes, each unit's bytes in the low bytes of a 32-bit lane; and
// the number of bytes kept.
struct sTriplePackTable_t {
    std::uint8_t shuffle[256][16];
    std::uint8_t bytes[256];
};

constexpr sTriplePackTable_t MakeTriplePackTable() {
    sTriplePackTable_t table{};
    for (unsigned flags = 0; flags < 256; ++flags) {
        unsigned kept = 0;
        for (unsigned unit = 0; unit < 4; ++unit) {
            const unsigned length = 1 + ((flags >> unit) & 1) + ((flags >> (unit + 4)) & 1);
            for (unsigned i = 0; i < length; ++i) {
                table.shuffle[flags][kept++] = static_cast<std::uint8_t>(4 * unit + i);
            }
        }
        table.bytes[flags] = static_cast<std::uint8_t>(kept);
        for (unsigned i = kept; i < 16; ++i) {
            table.shuffle[flags][i] = 0xFF;
        }
    }
    return table;
}

inline constexpr sTriplePackTable_t c_triplePackTable = MakeTriplePackTable();

// Four units of one to three bytes each (32-bit lanes), packed to the front of a vector; `bytes`
// becomes the number of bytes they take.
inline __m128i EncodeFourMixed(__m128i v, unsigned char start2, unsigned char start3,
                               std::size_t& bytes) {
    const __m128i low6 = _mm_set1_epi32(0x3F);
    const __m128i top = _mm_set1_epi32(0x80);
    const __m128i last = _mm_or_si128(_mm_and_si128(v, low6), top);
    const __m128i middle = _mm_or_si128(_mm_and_si128(_mm_srli_epi32(v, 6), low6), top);
    const __m128i two = _mm_or_si128(_mm_or_si128(_mm_srli_epi32(v, 6), _mm_set1_epi32(start2)),
                                     _mm_slli_epi32(last, 8));
    const __m128i three =
        _mm_or_si128(_mm_or_si128(_mm_srli_epi32(v, 12), _mm_set1_epi32(start3)),
                     _mm_or_si128(_mm_slli_epi32(middle, 8), _mm_slli_epi32(last, 16)));
    const __m128i isTwo = AtLeast32(v, 0x80);
    const __m128i isThree = AtLeast32(v, 0x800);
    const __m128i lanes = _mm_blendv_epi8(_mm_blendv_epi8(v, two, isTwo), three, isThree);
    const unsigned flags = static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(isTwo))) |
                           (static_cast<unsigned>(_mm_movemask_ps(_mm_castsi128_ps(isThree))) << 4);
    bytes = c_triplePackTable.bytes[flags];
    return _mm_shuffle_epi8(
        lanes, _mm_loadu_si128(reinterpret_cast<const __m128i*>(c_triplePackTable.shuffle[flags])));
}

#if defined(__AVX2__)
// Sixteen 16-bit units at src (16-byte aligned) of one or two bytes each, encoded at once with
// 256-bit vectors; false, with nothing done, for anything else (then the eight-unit step takes
// them). The second eight units are read only when the first hold no terminator.
VESK_ALWAYS_INLINE bool EncodeSixteen(const unsigned short* src, unsigned char*& out,
                                      __m128i& pending, std::size_t& pendingBytes,
                                      unsigned char start2) {
    const __m128i first = LoadAligned(src);
    if (AnySet(Equal16(first, 0))) {
        return false;
    }
    const __m256i v =
        _mm256_inserti128_si256(_mm256_castsi128_si256(first), LoadAligned(src + 8), 1);
    const __m256i two = _mm256_cmpeq_epi16(_mm256_max_epu16(v, _mm256_set1_epi16(0x80)), v);
    const __m256i three = _mm256_cmpeq_epi16(_mm256_max_epu16(v, _mm256_set1_epi16(0x800)), v);
    const __m256i zero = _mm256_cmpeq_epi16(v, _mm256_setzero_si256());
    if (_mm256_movemask_epi8(_mm256_or_si256(zero, three)) != 0) {
        return false;
    }
    // Per 128-bit lane: the two-byte flags of its eight units in bytes 0-7.
    const auto mask = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_packs_epi16(two, two)));
    const unsigned low = mask & 0xFF, high = (mask >> 16) & 0xFF;
    if ((low | high) == 0) {
        StorePacked(out, pending, pendingBytes, 16);
        pendingBytes = 0;
        const __m256i bytes = _mm256_permute4x64_epi64(_mm256_packus_epi16(v, v), 0x08);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(bytes));
        out += 16;
        return true;
    }
    const __m256i lead = _mm256_or_si256(_mm256_srli_epi16(v, 6), _mm256_set1_epi16(start2));
    const __m256i following =
        _mm256_or_si256(_mm256_and_si256(v, _mm256_set1_epi16(0x3F)), _mm256_set1_epi16(0x80));
    const __m256i pairs =
        _mm256_or_si256(_mm256_blendv_epi8(v, lead, two), _mm256_slli_epi16(following, 8));
    const __m256i index = _mm256_inserti128_si256(
        _mm256_castsi128_si256(
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(c_pairPackTable.shuffle[low]))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(c_pairPackTable.shuffle[high])), 1);
    const __m256i packed = _mm256_shuffle_epi8(pairs, index);
    const std::size_t lowBytes = c_pairPackTable.bytes[low],
                      highBytes = c_pairPackTable.bytes[high];
    StorePacked(out, pending, pendingBytes, lowBytes + highBytes);
    StorePacked(out, _mm256_castsi256_si128(packed), lowBytes, highBytes);
    pending = _mm256_extracti128_si256(packed, 1);
    pendingBytes = highBytes;
    return true;
}
#endif

// Encodes whole vectors of eight units from src (16-byte aligned) on: all ASCII, all one or two
// bytes, all three bytes, or one to three bytes, while up to `last` there is room for 24 bytes
// more. A packed vector of units of mixed lengths is stored whole when the next vector is stored
// (which overwrites what it wrote past its own bytes); the last one is stored byte by byte, so
// nothing is written past the last character encoded.
template <class In>
inline unsigned char* FillEncodedVectors(const In*& from, unsigned char* out,
                                         const unsigned char* last) {
    constexpr std::size_t units = 8;
    // A local copy: the stores through `out` could otherwise alias the caller's pointer.
    const In* src = from;
    const unsigned char start2 = c_UTF8_1stByteStartValueTable[1];
    const unsigned char start3 = c_UTF8_1stByteStartValueTable[2];
    // The last packed units, stored when what follows them is known.
    __m128i pending = _mm_setzero_si128();
    std::size_t pendingBytes = 0;
    [[maybe_unused]] bool wide = true;  // try sixteen units (AVX2); after a failure, again once
                                        // a group of eight was one or two bytes a unit
    while (IsGroupAligned(src) && out + pendingBytes + 3 * units <= last) {
#if defined(__AVX2__)
        if constexpr (sizeof(In) == 2) {
            // Sixteen units at a time while they are one or two bytes each; after a failed try,
            // again only once a group of eight was.
            if (wide && out + pendingBytes + 6 * units <= last) {
                if (EncodeSixteen(src, out, pending, pendingBytes, start2)) {
                    src += 2 * units;
                    if (pendingBytes == 0 && IsBlockAligned(src)) {
                        // A run of ASCII goes on fastest as whole blocks.
                        out += AsciiBlocks<true>(src, out, 0, static_cast<std::size_t>(last - out));
                    }
                    continue;
                }
            }
        }
#endif
        __m128i v;
        if (!LoadEightUnits(src, v)) {
            break;
        }
        // The terminator and three-byte units share one test, which European text passes.
        const __m128i two = AtLeast16(v, 0x80);
        const __m128i three = AtLeast16(v, 0x800);
        const unsigned unusual =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(Equal16(v, 0), three)));
        wide = unusual == 0;
        const unsigned flags =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(two, two))) & 0xFF;
        if (unusual != 0 && AnySet(Equal16(v, 0))) {
            break;  // the terminator
        }
        if (unusual != 0 && unusual != 0xFFFF) {
            // Three-byte units among shorter ones: four units at a time.
            std::size_t firstBytes, secondBytes;
            const __m128i first =
                EncodeFourMixed(_mm_cvtepu16_epi32(v), start2, start3, firstBytes);
            const __m128i second = EncodeFourMixed(_mm_cvtepu16_epi32(_mm_srli_si128(v, 8)), start2,
                                                   start3, secondBytes);
            StorePacked(out, pending, pendingBytes, firstBytes + secondBytes);
            StorePacked(out, first, firstBytes, secondBytes);
            pending = second;
            pendingBytes = secondBytes;
        } else if (unusual != 0) {
            const __m128i lead = _mm_or_si128(_mm_srli_epi16(v, 12), _mm_set1_epi16(start3));
            StorePacked(out, pending, pendingBytes, 3 * units);
            pendingBytes = 0;
            StoreThreeByteUnits(out, lead, Following(_mm_srli_epi16(v, 6)), Following(v));
            out += 3 * units;
        } else if (flags == 0) {
            StorePacked(out, pending, pendingBytes, units);
            pendingBytes = 0;
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(v, v));
            out += units;
            src += units;
            // A run of ASCII goes on fastest as whole blocks (nothing is pending here).
            if (IsBlockAligned(src)) {
                out += AsciiBlocks<true>(src, out, 0, static_cast<std::size_t>(last - out));
            }
            continue;
        } else {
            const __m128i lead = _mm_or_si128(_mm_srli_epi16(v, 6), _mm_set1_epi16(start2));
            const __m128i first = _mm_blendv_epi8(v, lead, two);
            const __m128i pairs = _mm_or_si128(first, _mm_slli_epi16(Following(v), 8));
            const __m128i packed = _mm_shuffle_epi8(
                pairs,
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(c_pairPackTable.shuffle[flags])));
            StorePacked(out, pending, pendingBytes, c_pairPackTable.bytes[flags]);
            pending = packed;
            pendingBytes = c_pairPackTable.bytes[flags];
        }
        src += units;
    }
    StorePacked(out, pending, pendingBytes, 0);
    from = src;
    return out;
}

#else

template <class In>
inline unsigned char* FillEncodedVectors(const In*&, unsigned char* out, const unsigned char*) {
    return out;
}

#endif

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_ENCODEVECTORS_H
