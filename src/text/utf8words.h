// SPDX-License-Identifier: Apache-2.0
// Counting UTF-8 characters a word at a time: the sizing pass of the UTF-8 decoders.
//
// A word (16 bytes with SSE2, else 8) is taken whole when it holds no zero byte and no lead byte
// of a five- or six-byte form, and when its continuation bytes are exactly the ones its lead bytes
// (and a sequence begun in the word before) announce. In such text every character is one lead
// or ASCII byte followed by its own continuation bytes, so the decoder would count one character
// per byte that is not a continuation byte: that is what a word adds. Anything else (the
// terminator, a stray or missing continuation byte, a five- or six-byte form, and a lead with
// zero payload bits before 0x80, which could be a long form of the terminator) ends the run of
// words at a character boundary, and the decoder takes the next character.
//
// Each byte class is a set of flags, one per byte of the word; the lead classes are "at least the
// start value of row n" of the exported lead-byte table. Like the ASCII blocks, a word is read
// from an aligned address and may extend past the terminator, never past its own aligned word.
#ifndef VESK_TEXT_UTF8WORDS_H
#define VESK_TEXT_UTF8WORDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/asciiblock.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {
namespace Utf8Words {

#if defined(VESK_ASCII_BLOCK_SSE2)

// Bit i flags byte i of a 16-byte word.
typedef std::uint32_t Flags;
constexpr std::size_t kWordBytes = 16;

// Flags moved n (1 to 3) bytes on; those moved past the word go to `beyond`, at their places in
// the next word.
inline Flags Later(Flags flags, unsigned n, Flags& beyond) {
    beyond |= flags >> (16 - n);
    return (flags << n) & 0xFFFF;
}

#else

// The top bit of each byte of an 8-byte word flags that byte.
typedef std::uint64_t Flags;
constexpr std::size_t kWordBytes = 8;
typedef sLanes_t<unsigned char> Bytes;
constexpr std::uint64_t kTops = Bytes::kTops;
constexpr std::uint64_t kLows = Bytes::kLows;
constexpr std::uint64_t kOnes = Bytes::Repeat(1);

inline Flags Later(Flags flags, unsigned n, Flags& beyond) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    beyond |= flags << (64 - 8 * n);
    return flags >> (8 * n);
#else
    beyond |= flags >> (64 - 8 * n);
    return flags << (8 * n);
#endif
}

#endif

// The byte classes of one word.
struct sWordFlags_t {
    Flags high;     // 0x80 and above
    Flags lead[4];  // at least the start value of rows 2 to 5: two, three, four, five bytes
    Flags zero;     // the terminator
    Flags lowZero;  // the low three bits clear
    Flags is0x80;   // exactly 0x80
    std::size_t characters;  // bytes that are not continuation bytes
};

#if defined(VESK_ASCII_BLOCK_SSE2)

inline Flags Mask(__m128i bytes) {
    return static_cast<Flags>(_mm_movemask_epi8(bytes));
}

// The lead classes' thresholds, read once per call from the exported table, one row at a time.
class CThresholds {
  public:
    explicit CThresholds(const unsigned char* start)
        : m_below{Below(start[1]), Below(start[2]), Below(start[3]), Below(start[4])} {}

    // Classifies the aligned word at p.
    VESK_READS_WHOLE_ALIGNED_BLOCK sWordFlags_t Load(const unsigned char* p) const {
        return Classes(_mm_load_si128(reinterpret_cast<const __m128i*>(p)));
    }

    // The same with the first `skip` bytes read as ASCII letters.
    VESK_READS_WHOLE_ALIGNED_BLOCK sWordFlags_t Load(const unsigned char* p,
                                                     std::size_t skip) const {
        const __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
        const __m128i before = _mm_cmplt_epi8(index, _mm_set1_epi8(static_cast<char>(skip)));
        const __m128i loaded = _mm_load_si128(reinterpret_cast<const __m128i*>(p));
        return Classes(_mm_or_si128(_mm_andnot_si128(before, loaded),
                                    _mm_and_si128(before, _mm_set1_epi8('a'))));
    }

  private:
    // Signed, the bytes from 0x80 on are the negative ones, in the same order: "greater than the
    // byte below the start value" is "at least the start value" among them.
    static __m128i Below(unsigned char start) {
        return _mm_set1_epi8(static_cast<char>(start - 1));
    }

    sWordFlags_t Classes(__m128i word) const {
        const __m128i zero = _mm_setzero_si128();
        const __m128i high = _mm_cmplt_epi8(word, zero);
        const __m128i lead2 = _mm_cmpgt_epi8(word, m_below[0]);
        sWordFlags_t flags;
        flags.high = Mask(high);
        flags.lead[0] = Mask(lead2) & flags.high;
        flags.lead[1] = Mask(_mm_cmpgt_epi8(word, m_below[1])) & flags.high;
        flags.lead[2] = Mask(_mm_cmpgt_epi8(word, m_below[2])) & flags.high;
        flags.lead[3] = Mask(_mm_cmpgt_epi8(word, m_below[3])) & flags.high;
        flags.zero = Mask(_mm_cmpeq_epi8(word, zero));
        flags.lowZero = Mask(_mm_cmpeq_epi8(_mm_and_si128(word, _mm_set1_epi8(7)), zero));
        flags.is0x80 = Mask(_mm_cmpeq_epi8(word, _mm_set1_epi8(static_cast<char>(0x80))));
        // The continuation bytes as ones, added up in the two halves.
        const __m128i continuations =
            _mm_and_si128(_mm_andnot_si128(lead2, high), _mm_set1_epi8(1));
        const __m128i sums = _mm_sad_epu8(continuations, zero);
        flags.characters = kWordBytes - static_cast<std::size_t>(_mm_cvtsi128_si32(sums) +
                                                                 _mm_extract_epi16(sums, 4));
        return flags;
    }

    __m128i m_below[4];
};

#else

class CThresholds {
  public:
    explicit CThresholds(const unsigned char* start)
        : m_add{Add(start[1]), Add(start[2]), Add(start[3]), Add(start[4])} {}

    // Classifies the aligned word at p; its first `skip` bytes read as ASCII letters.
    sWordFlags_t Load(const unsigned char* p, std::size_t skip) const {
        std::uint64_t before = 0;
        std::memset(&before, 0xFF, skip);  // the first `skip` bytes in memory order
        const std::uint64_t word = (LoadAlignedWord(p) & ~before) | ('a' * kOnes & before);
        sWordFlags_t flags;
        flags.high = word & kTops;
        const std::uint64_t low = word & kLows;
        flags.lead[0] = (low + m_add[0]) & flags.high;
        flags.lead[1] = (low + m_add[1]) & flags.high;
        flags.lead[2] = (low + m_add[2]) & flags.high;
        flags.lead[3] = (low + m_add[3]) & flags.high;
        flags.zero = Bytes::Zero(word);
        flags.lowZero = Bytes::Zero(word & (7 * kOnes));
        flags.is0x80 = Bytes::Zero(word ^ kTops);
        flags.characters = kWordBytes - Bytes::Count(flags.high & ~flags.lead[0]);
        return flags;
    }

    sWordFlags_t Load(const unsigned char* p) const { return Load(p, 0); }

  private:
    // Adding 0x80 - (start & 0x7F) to a byte's low seven bits carries into its top bit exactly
    // when they reach those of the start value, and never into the next byte.
    static std::uint64_t Add(unsigned char start) { return (0x80u - (start & 0x7Fu)) * kOnes; }

    std::uint64_t m_add[4];
};

#endif

// What a word hands to the next one: the flags of the continuation bytes it announces there,
// and of the byte after a zero-payload lead.
struct sCarry_t {
    Flags continuations;
    Flags afterZeroLead;
};

// True when the word can be counted; what it hands on replaces `carry`.
inline bool Classify(const sWordFlags_t& word, sCarry_t& carry) {
    const Flags lead2 = word.lead[0], lead3 = word.lead[1], lead4 = word.lead[2];
    const Flags continuations = word.high & ~lead2;
    sCarry_t next = {0, 0};
    const Flags expected = carry.continuations | Later(lead2, 1, next.continuations) |
                           Later(lead3, 2, next.continuations) |
                           Later(lead4, 3, next.continuations);
    const Flags afterZeroLead =
        carry.afterZeroLead | Later(lead2 & word.lowZero, 1, next.afterZeroLead);
    const Flags refused = word.lead[3] | word.zero | (afterZeroLead & word.is0x80);
    carry = next;
    return expected == continuations && refused == 0;
}

// Counts the characters from src on, a word at a time and whole ASCII blocks where they begin,
// while count stays within limit; moves src to the first character not counted (unchanged when
// its word is refused) and returns the new count. `retry` becomes the end of the word refused:
// trying again before it would refuse the same word.
inline std::size_t CountWords(const unsigned char*& src, std::size_t count, std::size_t limit,
                              const unsigned char*& retry) {
    const CThresholds thresholds(c_UTF8_1stByteStartValueTable);
    std::size_t skip = reinterpret_cast<std::uintptr_t>(src) & (kWordBytes - 1);
    const unsigned char* p = src - skip;
    sCarry_t carry = {0, 0};
    sWordFlags_t word = thresholds.Load(p, skip);
    for (;;) {
        sCarry_t next = carry;
        if (count > limit || !Classify(word, next)) {
            break;
        }
        count += word.characters - skip;
        carry = next;
        skip = 0;
        p += kWordBytes;
        if (carry.continuations == 0 && IsBlockAligned(p)) {
            count = AsciiBlocks<false, unsigned char, char>(p, nullptr, count, limit + 1);
        }
        word = thresholds.Load(p);
    }
    retry = p + kWordBytes;
    if (p < src) {
        return count;  // the first word was refused
    }
    if (carry.continuations != 0) {
        // The last word counted ends inside a character: back to its lead byte, uncounted.
        do {
            --p;
        } while ((*p & 0xC0) == 0x80);
        --count;
    }
    src = p;
    return count;
}

}  // namespace Utf8Words
}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_UTF8WORDS_H
