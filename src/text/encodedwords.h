// SPDX-License-Identifier: Apache-2.0
// The encoders' sizing pass eight bytes at a time: the UTF-8 length of every unit of an aligned
// 8-byte word of 8-, 16- or 32-bit units, added up with bit arithmetic (one flag per unit, in its
// top bit), with no branch per unit. A word is taken whole when it holds no terminator and no
// value of four or more UTF-8 bytes (or one the encoders skip); the loop then takes the next unit.
// Like the ASCII blocks, a word is read from an aligned address and may extend past the
// terminator, never past its own aligned eight bytes.
#ifndef VESK_TEXT_ENCODEDWORDS_H
#define VESK_TEXT_ENCODEDWORDS_H

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "text/asciiblock.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {
namespace EncodedWords {

template <class In>
inline bool IsWordAligned(const In* p) {
    return (reinterpret_cast<std::uintptr_t>(p) & 7) == 0;
}

// From an aligned src on, adds up the UTF-8 lengths of whole words (and whole ASCII blocks where
// they begin) while count stays within limit; moves src past them and returns the new count.
template <class In>
inline std::size_t CountWords(const In*& src, std::size_t count, std::size_t limit) {
    typedef sLanes_t<In> Lanes;
    while (count <= limit) {
        if (IsBlockAligned(src)) {
            count = AsciiBlocks<false, In, char>(src, nullptr, count, limit + 1);
        }
        const std::uint64_t word = LoadAlignedWord(src);
        std::uint64_t refused = Lanes::Zero(word);
        if constexpr (sizeof(In) == 4) {
            refused |= Lanes::AtLeast(word, 0x10000);
        }
        if (refused != 0) {
            break;
        }
        count += Lanes::kUnits + Lanes::Count(Lanes::AtLeast(word, 0x80));
        if constexpr (sizeof(In) > 1) {
            count += Lanes::Count(Lanes::AtLeast(word, 0x800));
        }
        src += Lanes::kUnits;
    }
    return count;
}

}  // namespace EncodedWords
}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_ENCODEDWORDS_H
