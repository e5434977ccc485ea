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
namespace EncodedWords {

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

    // The flag of every lane that is not zero.
    static std::uint64_t NonZero(std::uint64_t word) {
        return (((word & kLows) + kLows) | word) & kTops;
    }

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
        std::uint64_t refused = ~Lanes::NonZero(word) & Lanes::kTops;
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
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_ENCODEDWORDS_H
