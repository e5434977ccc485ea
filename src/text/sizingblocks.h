// SPDX-License-Identifier: Apache-2.0
// The sizing passes' block step on machines without word counting (see kWordCounting): from an
// aligned position at a character boundary, count whole 16-byte vectors of regular input at once.
//   NEON, or SSSE3 with SSE4.1 (vectorops.h)
//                   encoders: every vector of 8-, 16- or 32-bit units without a zero (and, for
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
#include "text/vectorops.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

#if defined(VESK_TEXT_VECTORS)

constexpr bool kSizingVectors = true;
constexpr std::size_t kSizingVectorBytes = 16;

template <class Unit>
inline bool IsSizingAligned(const Unit* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & (kSizingVectorBytes - 1)) == 0;
}

// Encoders: adds up the UTF-8 lengths of whole vectors of units from src on while count stays
// within limit; a vector with a zero unit (or, for 32-bit units, one of 0x10000 or more) stops.
template <class In>
inline std::size_t SizingBlocks(const In*& src, std::size_t count, std::size_t limit) {
    constexpr std::size_t units = kSizingVectorBytes / sizeof(In);
    while (count <= limit) {
        const Vector v = LoadAligned(src);
        Vector refused, two, three;  // lanes of 0xFF, one per byte of a flagged unit
        if constexpr (sizeof(In) == 1) {
            refused = Equal8(v, 0);
            two = AtLeast8(v, 0x80);
            three = Zero();
        } else if constexpr (sizeof(In) == 2) {
            refused = Equal16(v, 0);
            two = AtLeast16(v, 0x80);
            three = AtLeast16(v, 0x800);
        } else {
            refused = Or(Equal32(v, 0), AtLeast32(v, 0x10000));
            two = AtLeast32(v, 0x80);
            three = AtLeast32(v, 0x800);
        }
        if (AnySet(Or(refused, two))) {
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
inline std::size_t Utf8SizingBlocks(const unsigned char*& src, std::size_t count,
                                    std::size_t limit) {
    const unsigned char start2 = c_UTF8_1stByteStartValueTable[1];
    const unsigned char start3 = c_UTF8_1stByteStartValueTable[2];
    const unsigned char start4 = c_UTF8_1stByteStartValueTable[3];
    const unsigned char* p = src;
    Vector lead2Before = Zero(), lead3Before = Zero(), e0Before = Zero();
    bool announcing = false;  // the vector before ends with a lead announcing bytes here
    while (count <= limit) {
        const Vector v = LoadAligned(p);
        const Vector high = AtLeast8(v, 0x80);
        if (!AnySet(Or(high, Equal8(v, 0)))) {
            // ASCII: taken unless a lead at the end of the vector before announced following
            // bytes here (the decoder takes whatever bytes follow a lead as its own).
            if (announcing) {
                break;
            }
            count += kSizingVectorBytes;
            lead2Before = lead3Before = e0Before = Zero();
            p += kSizingVectorBytes;
            continue;
        }
        const Vector lead2 = AtLeast8(v, start2);
        const Vector lead3 = AtLeast8(v, start3);
        const Vector continuation = AndNot(high, lead2);
        // Continuations announced: one byte after every lead, two after a three-byte lead.
        const Vector announced = Or(Later<1>(lead2Before, lead2), Later<2>(lead3Before, lead3));
        const Vector e0 = Equal8(v, 0xE0);
        Vector refused = Or(Equal8(v, 0), AtLeast8(v, start4));
        refused = Or(refused, Xor(announced, continuation));
        refused = Or(refused, Equal8(v, 0xC0));
        refused = Or(refused, And(Later<1>(e0Before, e0), Equal8(v, 0x80)));
        if (AnySet(refused)) {
            break;
        }
        count += kSizingVectorBytes - CountSet(continuation);
        announcing = AnnouncesNext(lead2, lead3);
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
constexpr std::size_t kSizingVectorBytes = kAsciiBlockBytes;

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

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_SIZINGBLOCKS_H
