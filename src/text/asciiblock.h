// SPDX-License-Identifier: Apache-2.0
// Runs of ASCII several units at a time: the one seam between the conversion loops and the
// machine. Chosen at compile time:
//   x86-64           SSE2, a block is 32 bytes (two 16-byte registers)
//   ARM with NEON    NEON, a block is 32 bytes
//   anything else    two aligned 8-byte words, a block is 16 bytes, either byte order
// A block holds kAsciiBlockBytes / sizeof(unit) input units and is always read from an address
// that is a multiple of its size. Such a read may pass the terminating zero of the input, but
// only within the block, and an aligned block never straddles two pages: it cannot fault.
//
// A loop converts as many whole blocks as the output has room for and stops at the first block
// holding a unit outside 0x01-0x7F (a terminator, or a character that needs the decoder or
// encoder); the character-by-character loop then takes over, so the result is the same as
// converting every unit on its own.
#ifndef VESK_TEXT_ASCIIBLOCK_H
#define VESK_TEXT_ASCIIBLOCK_H

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "text/utf8codec.h"

#if defined(VESK_TEXT_NO_KERNELS)
// Built without the block and word paths: every routine runs its character loop alone.
#elif defined(__SSE2__)
#include <emmintrin.h>
#define VESK_ASCII_BLOCK_SSE2 1
#if defined(__SSSE3__) && defined(__SSE4_1__)
// SSSE3 byte shuffles and SSE4.1 unsigned compares: the vector paths of sizingblocks.h,
// decodevectors.h and encodevectors.h.
#include <smmintrin.h>
#define VESK_TEXT_VECTORS_SSE41 1
#endif
#if defined(__AVX2__)
#include <immintrin.h>
#endif
#elif defined(__ARM_NEON) || defined(__ARM_NEON__)
#include <arm_neon.h>
#define VESK_ASCII_BLOCK_NEON 1
#endif

// The block loads read up to the end of their aligned block, which may lie past the
// terminating zero of a caller's string: AddressSanitizer would report those bytes although the
// read cannot fault, and ThreadSanitizer would see a race with a writer of unrelated bytes of
// that word. The loads are kept in small functions exempt from both; everything they return is
// checked before use, and the stores stay instrumented.
#if defined(__clang__) || defined(__GNUC__)
#define VESK_READS_WHOLE_ALIGNED_BLOCK __attribute__((no_sanitize("address", "thread")))
#else
#define VESK_READS_WHOLE_ALIGNED_BLOCK
#endif

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

// False in a build with the character loops only (VESK_TEXT_NO_KERNELS).
#if defined(VESK_TEXT_NO_KERNELS)
constexpr bool kBlockPaths = false;
#else
constexpr bool kBlockPaths = true;
#endif

#if defined(VESK_ASCII_BLOCK_SSE2) || defined(VESK_ASCII_BLOCK_NEON)
constexpr std::size_t kAsciiBlockBytes = 32;
#else
constexpr std::size_t kAsciiBlockBytes = 16;
#endif

// The aligned eight bytes at p, read whole: they may extend past a terminator, never past
// themselves (the word-at-a-time sizing passes read their words through this).
VESK_READS_WHOLE_ALIGNED_BLOCK inline std::uint64_t LoadAlignedWord(const void* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// An aligned 8-byte word as lanes of In units, each flagged by its top bit: the bit arithmetic
// of the word-at-a-time sizing passes.
template <class In>
struct sLanes_t {
    static constexpr unsigned kBits = 8 * sizeof(In);
    static constexpr std::size_t kUnits = 8 / sizeof(In);

    // `unit` in every lane.
    static constexpr std::uint64_t Repeat(std::uint64_t unit) {
        std::uint64_t word = 0;
        for (std::size_t i = 0; i < kUnits; ++i) {
            word = (word << kBits) | unit;
        }
        return word;
    }

    static constexpr std::uint64_t kTops = Repeat(std::uint64_t{1} << (kBits - 1));
    static constexpr std::uint64_t kLows = Repeat((std::uint64_t{1} << (kBits - 1)) - 1);

    // The flag of every lane that is not zero, and of every lane that is.
    static std::uint64_t NonZero(std::uint64_t word) {
        return (((word & kLows) + kLows) | word) & kTops;
    }
    static std::uint64_t Zero(std::uint64_t word) { return ~NonZero(word) & kTops; }

    // The flag of every lane holding `floor` (a power of two) or more.
    static std::uint64_t AtLeast(std::uint64_t word, std::uint64_t floor) {
        const std::uint64_t unit =
            kBits == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << kBits) - 1;
        return NonZero(word & Repeat(unit & ~(floor - 1)));
    }

    // The number of flags set: a multiplication adds the lanes up into the top one.
    static std::size_t Count(std::uint64_t flags) {
        return static_cast<std::size_t>(((flags >> (kBits - 1)) * Repeat(1)) >> (64 - kBits));
    }
};

template <class Unit>
constexpr std::size_t kAsciiBlockUnits = kAsciiBlockBytes / sizeof(Unit);

template <class Unit>
inline bool IsBlockAligned(const Unit* p) {
    return kBlockPaths && (reinterpret_cast<std::uintptr_t>(p) & (kAsciiBlockBytes - 1)) == 0;
}

// The machine's word: a 32-bit machine does 64-bit arithmetic in pairs of registers.
typedef std::conditional_t<sizeof(void*) >= 8, std::uint64_t, std::uint32_t> BlockWord;

// `unit` in every lane of a word.
template <class Unit>
constexpr BlockWord RepeatUnit(BlockWord unit) {
    BlockWord word = 0;
    for (std::size_t i = 0; i < sizeof(BlockWord) / sizeof(Unit); ++i) {
        word = static_cast<BlockWord>(word << (4 * sizeof(Unit)) << (4 * sizeof(Unit))) | unit;
    }
    return word;
}

#if defined(VESK_ASCII_BLOCK_SSE2)

struct sAsciiBlock_t {
    __m128i low;
    __m128i high;
};

// Loads the aligned block at p; true when every unit is in 0x01-0x7F.
template <class Unit>
VESK_READS_WHOLE_ALIGNED_BLOCK inline bool LoadAsciiBlock(const Unit* p, sAsciiBlock_t& block) {
    const __m128i* v = reinterpret_cast<const __m128i*>(p);
    block.low = _mm_load_si128(v);
    block.high = _mm_load_si128(v + 1);
    const __m128i zero = _mm_setzero_si128();
    __m128i bad;
    if constexpr (sizeof(Unit) == 1) {
        // A byte is bad when its top bit is set or it is zero.
        bad = _mm_or_si128(_mm_or_si128(block.low, block.high),
                           _mm_cmpeq_epi8(_mm_min_epu8(block.low, block.high), zero));
        return _mm_movemask_epi8(bad) == 0;
    }
    // Wider units: bad when any bit above bit 6 is set, or the unit is zero.
    const __m128i high = sizeof(Unit) == 2 ? _mm_set1_epi16(static_cast<short>(0xFF80))
                                           : _mm_set1_epi32(static_cast<int>(0xFFFFFF80u));
    const __m128i wide = _mm_and_si128(_mm_or_si128(block.low, block.high), high);
    const __m128i zeroLow =
        sizeof(Unit) == 2 ? _mm_cmpeq_epi16(block.low, zero) : _mm_cmpeq_epi32(block.low, zero);
    const __m128i zeroHigh =
        sizeof(Unit) == 2 ? _mm_cmpeq_epi16(block.high, zero) : _mm_cmpeq_epi32(block.high, zero);
    bad = _mm_or_si128(wide, _mm_or_si128(zeroLow, zeroHigh));
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, zero)) == 0xFFFF;
}

// Stores the units of an ASCII block loaded from units of type In as units of type Out.
template <class In, class Out>
inline void StoreAsciiBlock(const sAsciiBlock_t& block, Out* dst) {
    const __m128i zero = _mm_setzero_si128();
    __m128i* out = reinterpret_cast<__m128i*>(dst);
    if constexpr (sizeof(In) == sizeof(Out)) {
        _mm_storeu_si128(out, block.low);
        _mm_storeu_si128(out + 1, block.high);
    } else if constexpr (sizeof(In) == 1 && sizeof(Out) == 2) {
        _mm_storeu_si128(out, _mm_unpacklo_epi8(block.low, zero));
        _mm_storeu_si128(out + 1, _mm_unpackhi_epi8(block.low, zero));
        _mm_storeu_si128(out + 2, _mm_unpacklo_epi8(block.high, zero));
        _mm_storeu_si128(out + 3, _mm_unpackhi_epi8(block.high, zero));
    } else if constexpr (sizeof(In) == 1 && sizeof(Out) == 4) {
        const __m128i halves[4] = {
            _mm_unpacklo_epi8(block.low, zero), _mm_unpackhi_epi8(block.low, zero),
            _mm_unpacklo_epi8(block.high, zero), _mm_unpackhi_epi8(block.high, zero)};
        for (int i = 0; i < 4; ++i) {
            _mm_storeu_si128(out + 2 * i, _mm_unpacklo_epi16(halves[i], zero));
            _mm_storeu_si128(out + 2 * i + 1, _mm_unpackhi_epi16(halves[i], zero));
        }
    } else if constexpr (sizeof(In) == 2 && sizeof(Out) == 1) {
        _mm_storeu_si128(out, _mm_packus_epi16(block.low, block.high));
    } else if constexpr (sizeof(In) == 4 && sizeof(Out) == 1) {
        const __m128i words = _mm_packs_epi32(block.low, block.high);
        _mm_storel_epi64(out, _mm_packus_epi16(words, words));
    }
}

#elif defined(VESK_ASCII_BLOCK_NEON)

struct sAsciiBlock_t {
    uint8x16_t low;
    uint8x16_t high;
};

inline bool AnyBitSet(uint8x16_t v) {
    const uint64x2_t lanes = vreinterpretq_u64_u8(v);
    return (vgetq_lane_u64(lanes, 0) | vgetq_lane_u64(lanes, 1)) != 0;
}

template <class Unit>
VESK_READS_WHOLE_ALIGNED_BLOCK inline bool LoadAsciiBlock(const Unit* p, sAsciiBlock_t& block) {
    const std::uint8_t* bytes = reinterpret_cast<const std::uint8_t*>(p);
    block.low = vld1q_u8(bytes);
    block.high = vld1q_u8(bytes + 16);
    const uint8x16_t either = vorrq_u8(block.low, block.high);
    if constexpr (sizeof(Unit) == 1) {
        const uint8x16_t zero = vceqq_u8(vminq_u8(block.low, block.high), vdupq_n_u8(0));
        return !AnyBitSet(vorrq_u8(vandq_u8(either, vdupq_n_u8(0x80)), zero));
    }
    if constexpr (sizeof(Unit) == 2) {
        const uint16x8_t low = vreinterpretq_u16_u8(block.low);
        const uint16x8_t high = vreinterpretq_u16_u8(block.high);
        const uint16x8_t zero = vceqq_u16(vminq_u16(low, high), vdupq_n_u16(0));
        const uint16x8_t wide = vandq_u16(vreinterpretq_u16_u8(either), vdupq_n_u16(0xFF80));
        return !AnyBitSet(vreinterpretq_u8_u16(vorrq_u16(wide, zero)));
    }
    const uint32x4_t low = vreinterpretq_u32_u8(block.low);
    const uint32x4_t high = vreinterpretq_u32_u8(block.high);
    const uint32x4_t zero = vceqq_u32(vminq_u32(low, high), vdupq_n_u32(0));
    const uint32x4_t wide = vandq_u32(vreinterpretq_u32_u8(either), vdupq_n_u32(0xFFFFFF80u));
    return !AnyBitSet(vreinterpretq_u8_u32(vorrq_u32(wide, zero)));
}

template <class In, class Out>
inline void StoreAsciiBlock(const sAsciiBlock_t& block, Out* dst) {
    if constexpr (sizeof(In) == sizeof(Out)) {
        std::uint8_t* out = reinterpret_cast<std::uint8_t*>(dst);
        vst1q_u8(out, block.low);
        vst1q_u8(out + 16, block.high);
    } else if constexpr (sizeof(In) == 1 && sizeof(Out) == 2) {
        std::uint16_t* out = reinterpret_cast<std::uint16_t*>(dst);
        vst1q_u16(out, vmovl_u8(vget_low_u8(block.low)));
        vst1q_u16(out + 8, vmovl_u8(vget_high_u8(block.low)));
        vst1q_u16(out + 16, vmovl_u8(vget_low_u8(block.high)));
        vst1q_u16(out + 24, vmovl_u8(vget_high_u8(block.high)));
    } else if constexpr (sizeof(In) == 1 && sizeof(Out) == 4) {
        std::uint32_t* out = reinterpret_cast<std::uint32_t*>(dst);
        const uint16x8_t halves[4] = {
            vmovl_u8(vget_low_u8(block.low)), vmovl_u8(vget_high_u8(block.low)),
            vmovl_u8(vget_low_u8(block.high)), vmovl_u8(vget_high_u8(block.high))};
        for (int i = 0; i < 4; ++i) {
            vst1q_u32(out + 8 * i, vmovl_u16(vget_low_u16(halves[i])));
            vst1q_u32(out + 8 * i + 4, vmovl_u16(vget_high_u16(halves[i])));
        }
    } else if constexpr (sizeof(In) == 2 && sizeof(Out) == 1) {
        std::uint8_t* out = reinterpret_cast<std::uint8_t*>(dst);
        vst1_u8(out, vmovn_u16(vreinterpretq_u16_u8(block.low)));
        vst1_u8(out + 8, vmovn_u16(vreinterpretq_u16_u8(block.high)));
    } else if constexpr (sizeof(In) == 4 && sizeof(Out) == 1) {
        const uint16x8_t words = vcombine_u16(vmovn_u32(vreinterpretq_u32_u8(block.low)),
                                              vmovn_u32(vreinterpretq_u32_u8(block.high)));
        vst1_u8(reinterpret_cast<std::uint8_t*>(dst), vmovn_u16(words));
    }
}

#else

// Portable words: 16 bytes as words of the machine's width (four 32-bit words on a 32-bit
// machine, where 64-bit arithmetic would take pairs of registers), units read out by constant
// shifts in the host's order.
constexpr std::size_t kBlockWords = kAsciiBlockBytes / sizeof(BlockWord);

struct sAsciiBlock_t {
    BlockWord word[kBlockWords];
};

template <class Unit>
inline BlockWord ZeroUnitFlags(BlockWord word) {
    // Exact for the yes/no question (it may misplace which unit): a unit borrows only when it
    // is zero or a lower unit borrowed, and the lowest borrowing unit is a zero one.
    constexpr BlockWord ones = RepeatUnit<Unit>(1);
    constexpr BlockWord tops = static_cast<BlockWord>(ones << (8 * sizeof(Unit) - 1));
    return (word - ones) & ~word & tops;
}

// Loads word w of the block at p; its flags of units outside 0x01-0x7F.
template <class Unit>
VESK_READS_WHOLE_ALIGNED_BLOCK inline BlockWord LoadBlockWord(const Unit* p, std::size_t w,
                                                              BlockWord& word) {
    std::memcpy(&word, reinterpret_cast<const unsigned char*>(p) + w * sizeof word, sizeof word);
    constexpr BlockWord nonAscii = RepeatUnit<Unit>(static_cast<Unit>(~Unit(0x7F)));
    return (word & nonAscii) | ZeroUnitFlags<Unit>(word);
}

// Word by word with constant indices, so that the block stays in registers.
template <class Unit, std::size_t... w>
inline bool LoadBlockWords(const Unit* p, sAsciiBlock_t& block, std::index_sequence<w...>) {
    return (LoadBlockWord(p, w, block.word[w]) | ...) == 0;
}

template <class Unit>
inline bool LoadAsciiBlock(const Unit* p, sAsciiBlock_t& block) {
    return LoadBlockWords(p, block, std::make_index_sequence<kBlockWords>());
}

// Unit i of a word, counted in memory order.
template <class In, std::size_t i>
inline unsigned int UnitOf(BlockWord word) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    constexpr std::size_t last = sizeof(BlockWord) / sizeof(In) - 1;
    constexpr unsigned shift = 8 * sizeof(In) * static_cast<unsigned>(last - i);
#else
    constexpr unsigned shift = 8 * sizeof(In) * static_cast<unsigned>(i);
#endif
    return static_cast<unsigned int>(word >> shift) & 0x7F;
}

template <class In, class Out, std::size_t... i>
inline void StoreWordUnits(BlockWord word, Out* dst, std::index_sequence<i...>) {
    ((dst[i] = static_cast<Out>(UnitOf<In, i>(word))), ...);
}

template <class In, class Out, std::size_t... w>
inline void StoreBlockWords(const sAsciiBlock_t& block, Out* dst, std::index_sequence<w...>) {
    constexpr std::size_t perWord = sizeof(BlockWord) / sizeof(In);
    (StoreWordUnits<In>(block.word[w], dst + w * perWord, std::make_index_sequence<perWord>()),
     ...);
}

template <class In, class Out>
inline void StoreAsciiBlock(const sAsciiBlock_t& block, Out* dst) {
    if constexpr (sizeof(In) == sizeof(Out)) {
        std::memcpy(dst, block.word, sizeof block.word);
    } else {
        StoreBlockWords<In>(block, dst, std::make_index_sequence<kBlockWords>());
    }
}

#endif

// Converts (or, with kStore false, only counts) whole ASCII blocks from src while
// count + block <= limit and the block holds only units 0x01-0x7F. src must be block aligned.
// Advances src and returns the new count.
template <bool kStore, class In, class Out>
VESK_ALWAYS_INLINE std::size_t AsciiBlocks(const In*& src, Out* dst, std::size_t count,
                                           std::size_t limit) {
    constexpr std::size_t units = kAsciiBlockUnits<In>;
    sAsciiBlock_t block;
    while (count + units <= limit && LoadAsciiBlock(src, block)) {
        if constexpr (kStore) {
            StoreAsciiBlock<In, Out>(block, dst + count);
        }
        src += units;
        count += units;
    }
    return count;
}

// ---- ASCII prefixes: how far a run of ASCII goes within one aligned chunk ----
//
// Short runs (the few letters between two accented ones) never fill a block; for them the
// loops ask how many bytes from p on, up to the end of p's aligned chunk, lie in 0x01-0x7F, and
// copy exactly those. The chunk is read whole from its aligned start, so the read may cover bytes
// before p and past the terminator, but never leaves the chunk, which never straddles two pages.

#if defined(VESK_ASCII_BLOCK_SSE2)

constexpr std::size_t kAsciiChunkBytes = 16;

VESK_READS_WHOLE_ALIGNED_BLOCK inline std::size_t AsciiPrefixLength(const unsigned char* p) {
    const unsigned offset = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p) & 15);
    const __m128i chunk = _mm_load_si128(reinterpret_cast<const __m128i*>(p - offset));
    const __m128i zeros = _mm_cmpeq_epi8(chunk, _mm_setzero_si128());
    // Bit i set: byte i has its top bit set or is zero. The bit past the chunk stops the count.
    const unsigned bad = static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(chunk, zeros)));
    return static_cast<std::size_t>(__builtin_ctz((bad >> offset) | (1u << (16 - offset))));
}

#else

constexpr std::size_t kAsciiChunkBytes = sizeof(BlockWord);

// Index of the lowest set bit of a non-zero word, without a library call on a 32-bit machine.
inline unsigned LowestBit(std::uint32_t word) {
    return static_cast<unsigned>(__builtin_ctz(word));
}
inline unsigned LowestBit(std::uint64_t word) {
    return static_cast<unsigned>(__builtin_ctzll(word));
}
inline unsigned HighestBitFromTop(std::uint32_t word) {
    return static_cast<unsigned>(__builtin_clz(word));
}
inline unsigned HighestBitFromTop(std::uint64_t word) {
    return static_cast<unsigned>(__builtin_clzll(word));
}

VESK_READS_WHOLE_ALIGNED_BLOCK inline std::size_t AsciiPrefixLength(const unsigned char* p) {
    constexpr unsigned bytes = sizeof(BlockWord);
    const unsigned offset =
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(p) & (bytes - 1));
    BlockWord word;
    std::memcpy(&word, p - offset, sizeof word);
    constexpr BlockWord lows = RepeatUnit<unsigned char>(0x7F);
    constexpr BlockWord tops = RepeatUnit<unsigned char>(0x80);
    // Top bit of each byte: set when the byte is 0x01-0x7F. Adding 0x7F to the low seven bits
    // carries into the top bit exactly when they are not all zero, and never into the next byte.
    const BlockWord good = ((word & lows) + lows) & ~word & tops;
    BlockWord bad = ~good & tops;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    bad =
        static_cast<BlockWord>(bad << (8 * offset));  // the byte at p becomes the most significant
    return bad == 0 ? bytes - offset : HighestBitFromTop(bad) / 8;
#else
    bad >>= 8 * offset;  // the byte at p becomes the least significant
    return bad == 0 ? bytes - offset : LowestBit(bad) / 8;
#endif
}

#endif

// Copies the n ASCII bytes at src (1 to 16, all of them readable) as n units at dst, writing
// exactly dst[0] to dst[n - 1]: two overlapping stores of eight or four units, or single units
// for the shortest runs. A run of any length takes a handful of instructions and one branch
// on its length, instead of a loop whose exit is hard to predict.
template <std::size_t kUnits, class Out>
VESK_ALWAYS_INLINE void WidenAsciiUnits(const unsigned char* src, Out* dst) {
#if defined(VESK_ASCII_BLOCK_SSE2)
    if constexpr (sizeof(Out) > 1) {
        const __m128i zero = _mm_setzero_si128();
        __m128i bytes;
        if constexpr (kUnits == 8) {
            bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(src));
        } else {
            int word;
            std::memcpy(&word, src, sizeof word);
            bytes = _mm_cvtsi32_si128(word);
        }
        const __m128i units = _mm_unpacklo_epi8(bytes, zero);
        __m128i* out = reinterpret_cast<__m128i*>(dst);
        if constexpr (sizeof(Out) == 2 && kUnits == 8) {
            _mm_storeu_si128(out, units);
        } else if constexpr (sizeof(Out) == 2) {
            _mm_storel_epi64(out, units);
        } else {
            _mm_storeu_si128(out, _mm_unpacklo_epi16(units, zero));
            if constexpr (kUnits == 8) {
                _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(units, zero));
            }
        }
        return;
    }
#endif
    unsigned char bytes[kUnits];
    std::memcpy(bytes, src, kUnits);
    Out units[kUnits];
    for (std::size_t i = 0; i < kUnits; ++i) {
        units[i] = static_cast<Out>(bytes[i]);
    }
    std::memcpy(dst, units, sizeof units);
}

template <class Out>
VESK_ALWAYS_INLINE void CopyAsciiRun(const unsigned char* src, Out* dst, std::size_t n) {
    if (n >= 8) {
        WidenAsciiUnits<8>(src, dst);
        WidenAsciiUnits<8>(src + n - 8, dst + n - 8);
    } else if (n >= 4) {
        WidenAsciiUnits<4>(src, dst);
        WidenAsciiUnits<4>(src + n - 4, dst + n - 4);
    } else if (n != 0) {
        dst[0] = static_cast<Out>(src[0]);
        dst[n / 2] = static_cast<Out>(src[n / 2]);
        dst[n - 1] = static_cast<Out>(src[n - 1]);
    }
}

inline bool IsChunkAligned(const unsigned char* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & (kAsciiChunkBytes - 1)) == 0;
}

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_ASCIIBLOCK_H
