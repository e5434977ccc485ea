// SPDX-License-Identifier: Apache-2.0
// The two loops every conversion is built from: a decoder loop that stores one output unit per
// input character, and an encoder loop that writes each input value as 1 to 6 UTF-8 bytes. Both
// run a sizing pass for size 0 and a fill pass otherwise, and hand runs of ASCII to the block
// seam (asciiblock.h) whenever the input reaches a block boundary. Each exported routine gets
// its own inlined copy of a loop, so that its unit mapping and the lead-byte rules are folded
// into it rather than called or reloaded per character.
#ifndef VESK_TEXT_CONVERTLOOPS_H
#define VESK_TEXT_CONVERTLOOPS_H

#include <cstddef>
#include <cstdint>

#include "text/asciiblock.h"
#include "text/decodevectors.h"
#include "text/encodedwords.h"
#include "text/encodevectors.h"
#include "text/sizingblocks.h"
#include "text/utf8codec.h"
#include "text/utf8words.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

// Largest count a pass may report; above it the result is 0.
constexpr std::size_t kMaxCount = 0xFFFF;

// After an ASCII character: the rest of its run, chunk by chunk as far as the run reaches and in
// whole blocks where it reaches a block boundary, while count stays within limit. Advances src
// and returns the new count; `map` turns a unit into the unit stored.
template <bool kStore, class Out, class Map>
VESK_ALWAYS_INLINE std::size_t AsciiStretch(const unsigned char*& src, Out* dst, std::size_t count,
                                            std::size_t limit, Map map) {
    for (;;) {
        const std::size_t run = AsciiPrefixLength(src);
        const std::size_t n = run < limit - count ? run : limit - count;
        if constexpr (kStore) {
            // Every routine stores an ASCII character as itself.
            static_cast<void>(map);
            CopyAsciiRun(src, dst + count, n);
        }
        src += n;
        count += n;
        // Stopped inside the chunk: a byte beyond ASCII, the terminator or the limit.
        if (n == 0 || !IsChunkAligned(src)) {
            return count;
        }
        if (IsBlockAligned(src)) {
            count = AsciiBlocks<kStore, unsigned char>(src, dst, count, limit);
        }
    }
}

// Where 16-byte compares are cheap but byte shuffles are missing (SSE2 alone), the sizing passes
// count whole words of well-formed text and the decoders' fill pass copies ASCII runs by aligned
// chunks. With vectors that shuffle bytes (NEON; SSSE3 with SSE4.1) both passes take whole
// vectors of one- to three-byte text (sizingblocks.h, decodevectors.h, encodevectors.h).
// Elsewhere the bit arithmetic of a word costs more than the character loop it replaces, so the
// loops take one character at a time and hand over to the ASCII blocks wherever the input
// reaches a block.
#if defined(VESK_ASCII_BLOCK_SSE2) && !defined(VESK_TEXT_VECTORS)
constexpr bool kWordCounting = true;
#else
constexpr bool kWordCounting = false;
#endif

// Whole groups of eight units in the encoders' fill pass (encodevectors.h).
#if defined(VESK_TEXT_VECTORS)
template <class In>
constexpr bool kVectorEncoding = true;
#else
template <class In>
constexpr bool kVectorEncoding = false;
#endif

// Whole vectors of one- to three-byte UTF-8 decoded at once (decodevectors.h).
#if defined(VESK_TEXT_VECTORS)
template <class Out>
constexpr bool kVectorDecoding = true;
#else
template <class Out>
constexpr bool kVectorDecoding = false;
#endif

// Reads UTF-8 characters.
class CUTF8Reader {
  public:
    typedef unsigned char Unit;
    static constexpr bool kAsciiBlocks = true;
    VESK_ALWAYS_INLINE unsigned int Next(const Unit*& p) const { return m_rules.Decode(p); }
    // True for a byte of the one-byte row other than the terminator.
    VESK_ALWAYS_INLINE bool StartsAsciiRun(unsigned int b) const {
        return m_rules.IsSingle(b) && b != 0;
    }

  private:
    CLeadByteRules m_rules;
};

// Reads one fixed-width unit per character.
template <class UnitType>
class CUnitReader {
  public:
    typedef UnitType Unit;
    static constexpr bool kAsciiBlocks = false;
    VESK_ALWAYS_INLINE unsigned int Next(const Unit*& p) const { return *p++; }
};

// What a truncating decoder returns: size + 1 (UTF-8 -> 16/32-bit, 16 <-> 32-bit) or size
// (Latin-1 and ASCII output).
enum ETruncationResult { eSizePlusOne = 1, eSize = 0 };

// Sizing pass of a decoder with one output unit per character: the number of characters, the
// terminating zero included; 0 when that exceeds 65,535.
template <class Reader>
VESK_ALWAYS_INLINE unsigned short CountCharacters(const typename Reader::Unit* src) {
    if constexpr (Reader::kAsciiBlocks && kShortTexts) {
        unsigned short result;
        if (CountShortText(src, result)) {
            return result;
        }
    }
    const Reader reader;
    std::size_t count = 0;
    const typename Reader::Unit* retry = src;
    for (;;) {
        if constexpr (Reader::kAsciiBlocks && kWordCounting) {
            // Whole words of well-formed text; the decoder below takes what they cannot.
            if (src >= retry) {
                count = Utf8Words::CountWords(src, count, kMaxCount, retry);
                if (count > kMaxCount) {
                    return 0;
                }
            }
        } else if constexpr (Reader::kAsciiBlocks) {
            // With vectors, every aligned character boundary tries them; without, only ASCII
            // tries the blocks: after other characters they would mostly fail.
            if (kSizingVectors && IsSizingAligned(src)) {
                count = Utf8SizingBlocks(src, count, kMaxCount);
            }
            // ASCII on its shortest path; the count is checked against the limit at the end
            // and at every other character, which bounds the bytes read past it by a run.
            if (reader.StartsAsciiRun(*src)) {
                ++src;
                ++count;
                if (!kSizingVectors && IsSizingAligned(src)) {
                    count = Utf8SizingBlocks(src, count, kMaxCount);
                }
                continue;
            }
        }
        ++count;
        if (reader.Next(src) == 0 || count > kMaxCount) {
            return CountResult(count);
        }
    }
}

// Fill pass of a decoder with one output unit per character; map turns a character into the
// unit stored. On truncation the unit at size - 1 becomes 0.
template <class Reader, class Out, class Map>
VESK_ALWAYS_INLINE unsigned short FillCharacters(const typename Reader::Unit* src, Out* dst,
                                                 std::size_t size, ETruncationResult truncation,
                                                 Map map) {
    if constexpr (Reader::kAsciiBlocks && kShortTexts) {
        unsigned short result;
        if (FillShortText(src, dst, size, result)) {
            return result;
        }
    }
    const Reader reader;
    std::size_t count = 0;
    const typename Reader::Unit* retry = src;
    std::size_t run = 0;
    for (;;) {
        const unsigned int c = reader.Next(src);
        if (count >= size) {
            dst[size - 1] = 0;
            return CountResult(size + truncation);
        }
        dst[count++] = map(c);
        if (c == 0) {
            return CountResult(count);
        }
        if constexpr (Reader::kAsciiBlocks && kWordCounting) {
            // Only a run of ASCII as long as a chunk goes on in one stretch: in text whose
            // runs are shorter (the letters between accented ones) the stretch would cost more
            // than it saves, and whether it pays would be hard to predict.
            if (c >= 0x80) {
                run = 0;
            } else if (++run >= kAsciiChunkBytes) {
                run = 0;
                count = AsciiStretch<true>(src, dst, count, size, map);
            }
        } else if constexpr (Reader::kAsciiBlocks && kVectorDecoding<Out>) {
            // Only where a whole vector's characters could still fit: a short text or the end
            // of a fill goes on at once.
            if (src >= retry) {
                if (count + kSizingVectorBytes <= size) {
                    count = DecodeVectors(src, dst, count, size, retry);
                } else {
                    retry = src + kSizingVectorBytes;
                }
            }
        } else if constexpr (Reader::kAsciiBlocks && !kWordCounting) {
            // Blocks are tried where ASCII reaches a block: after other characters they
            // would mostly fail.
            if (c < 0x80 && IsBlockAligned(src)) {
                count = AsciiBlocks<true>(src, dst, count, size);
            }
        }
    }
}

// Null pointers: a null input reads as the empty text, and a null output with room to fill is
// refused (nothing written, result 0). `src` then points to the empty text when this is true.
template <class In, class Out>
VESK_ALWAYS_INLINE bool RefusesNullPointers(const In*& src, const Out* dst, unsigned short size) {
    static constexpr In kEmptyText[1] = {0};
    if (src == nullptr) {
        src = kEmptyText;
    }
    return size != 0 && dst == nullptr;
}

// A decoder with one output unit per character, both passes.
template <class Reader, class Out, class Map>
VESK_ALWAYS_INLINE unsigned short DecodeCharacters(const typename Reader::Unit* src, Out* dst,
                                                   unsigned short size,
                                                   ETruncationResult truncation, Map map) {
    if (RefusesNullPointers(src, dst, size)) {
        return 0;
    }
    if (size == 0) {
        return CountCharacters<Reader>(src);
    }
    return FillCharacters<Reader>(src, dst, size, truncation, map);
}

// Sizing pass of an encoder: the encoded lengths of all values plus 1 for the terminating zero;
// 0 when that exceeds 65,535.
template <class In>
VESK_ALWAYS_INLINE unsigned short CountEncodedBytes(const In* src) {
    std::size_t count = 0;
    for (;;) {
        // Whole words; then one unit at a time up to the next word.
        if (!kWordCounting) {
            // One unit at a time, runs of ASCII a block at a time where they reach a block.
            // Without vectors, ASCII blocks would cost more than they save in the sizing of
            // text with short runs: the character loop alone stays well below ICU's cost.
            if (kVectorEncoding<In> && IsSizingAligned(src)) {
                count = SizingBlocks(src, count, kMaxCount);
            }
            const unsigned int v = *src++;
            if (v < 0x80) {
                if (v == 0) {
                    return CountResult(count + 1);
                }
                ++count;
                continue;
            }
            count += EncodedLength(v);
            continue;
        }
        if (EncodedWords::IsWordAligned(src)) {
            count = EncodedWords::CountWords(src, count, kMaxCount);
        }
        do {
            // The analyzer cannot follow the word count above to the initialised unit it stops at.
            // NOLINTNEXTLINE(clang-analyzer-core.uninitialized.Assign)
            const unsigned int v = *src++;
            if (v == 0) {
                return CountResult(count + 1);
            }
            count += EncodedLength(v);
        } while (!EncodedWords::IsWordAligned(src));
        if (count > kMaxCount) {
            return 0;
        }
    }
}

// Where src is block aligned, the whole ASCII blocks from there that fit strictly below size (a
// terminating zero must still fit after them); returns the new output position. Always inlined,
// so that src and out stay in registers of the loop.
template <class In>
VESK_ALWAYS_INLINE unsigned char* EncodeAsciiBlocks(const In*& src, unsigned char* dst,
                                                    unsigned char* out, std::size_t size) {
    if (IsBlockAligned(src)) {
        out = dst + AsciiBlocks<true>(src, dst, static_cast<std::size_t>(out - dst), size - 1);
    }
    return out;
}

// Fill pass of an encoder: a character is written only when it and a terminating zero fit, that
// is when it ends at or before `last`, the final byte of the buffer. ASCII takes its own branch,
// which alone can meet the terminator or start a run of blocks.
template <class In>
VESK_ALWAYS_INLINE unsigned short FillEncodedBytes(const In* src, unsigned char* dst,
                                                   std::size_t size) {
    const CLeadByteRules rules;
    unsigned char* out = dst;
    unsigned char* const last = dst + size - 1;
    if constexpr (kWordCounting || kVectorEncoding<In>) {
        out = EncodeAsciiBlocks(src, dst, out, size);
    }
    for (;;) {
        unsigned int v = *src;
        for (; v >= 0x80; v = *++src) {
            const unsigned int length = EncodedLength(v);
            if (out + length > last) {
                *out = 0;
                return static_cast<unsigned short>(out - dst + 1);
            }
            rules.Encode(v, length, out);
            out += length;
            if (kVectorEncoding<In> && IsGroupAligned(src + 1)) {
                ++src;
                out = FillEncodedVectors(src, out, last);
                --src;  // the loop steps on to the unit the vectors stopped at
            }
        }
        // Blocks are tried only once the run is as long as a block: in text whose ASCII runs
        // are short a block test would mostly fail, and its failures are hard to predict.
        for (std::size_t run = 0; v < 0x80; v = *src) {
            if (out >= last) {
                *out = 0;
                return static_cast<unsigned short>(out - dst + 1);
            }
            *out++ = static_cast<unsigned char>(v);
            ++src;
            if (v == 0) {
                return static_cast<unsigned short>(out - dst);
            }
            if constexpr (kVectorEncoding<In>) {
                if (IsGroupAligned(src)) {
                    // Long runs of ASCII go fastest as blocks.
                    out = EncodeAsciiBlocks(src, dst, out, size);
                    out = FillEncodedVectors(src, out, last);
                }
            } else if (kWordCounting) {
                if (++run >= kAsciiBlockUnits<In>) {
                    out = EncodeAsciiBlocks(src, dst, out, size);
                }
            }
            // Elsewhere (32-bit words) a block test costs more than it saves in text whose
            // runs are short, and the character loop alone stays below ICU's cost on ASCII.
        }
    }
}

// An encoder, both passes.
template <class In>
VESK_ALWAYS_INLINE unsigned short EncodeValues(const In* src, unsigned char* dst,
                                               unsigned short size) {
    if (RefusesNullPointers(src, dst, size)) {
        return 0;
    }
    if (size == 0) {
        return CountEncodedBytes(src);
    }
    return FillEncodedBytes(src, dst, size);
}

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_CONVERTLOOPS_H
