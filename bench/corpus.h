// SPDX-License-Identifier: Apache-2.0
// Deterministic sample texts for the benchmarks and the instruction-count gates.
//
// Four kinds of text, each built from a fixed seed so every run and every machine sees the same
// bytes: plain English-like ASCII, European text in which about one character in ten is a Latin-1
// letter, Cyrillic text (two-byte letters between ASCII spaces and punctuation), and CJK text
// (ideographs with full-width punctuation and a little ASCII). Each text is valid UTF-8 and is also
// given as 16-bit units, 32-bit units and (where it fits) Latin-1, every form zero-terminated.
#ifndef VESK_BENCH_CORPUS_H
#define VESK_BENCH_CORPUS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vesk_bench {

enum class ETextKind { eAscii, eEuropean, eCjk, eCyrillic };

// "ascii", "european", "cjk" or "cyrillic".
const char* TextKindName(ETextKind kind);

// One sample text in every encoding the conversions read. Each vector ends with a zero unit.
struct sSampleText_t {
    std::vector<unsigned char> utf8;
    std::vector<unsigned short> utf16;
    std::vector<unsigned int> utf32;
    std::vector<unsigned char> latin1;  // empty when the text has characters above 0xFF
    std::size_t characters = 0;         // characters before the terminator
};

// A text of the given kind with at most `utf8Bytes` UTF-8 bytes before the terminator (it stops
// at the last whole word that fits). Different seeds give different texts of the same kind.
sSampleText_t MakeSampleText(ETextKind kind, std::size_t utf8Bytes, std::uint32_t seed);

// `count` texts of one kind and size, for benchmarks that rotate over several inputs so the
// branch predictor cannot learn a single one.
std::vector<sSampleText_t> MakeSampleSet(ETextKind kind, std::size_t utf8Bytes, int count);

}  // namespace vesk_bench

#endif  // VESK_BENCH_CORPUS_H
