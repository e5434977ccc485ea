// SPDX-License-Identifier: Apache-2.0
// The contract of the conversion routines as checks over one input: the sizing pass, a fill pass
// with exactly the size it reported, and fills with less room, each into an exact-size heap array.
#ifndef VESK_FUZZ_CONVERSION_CHECKS_H
#define VESK_FUZZ_CONVERSION_CHECKS_H

#include <vector>

#include "fuzz_support.h"

namespace VeskFuzz {

template <class In, class Out>
using Conversion = unsigned short (*)(const In*, Out*, unsigned short);

// What a fill pass that runs out of room returns.
enum ETruncation { eSizePlusOne, eSizeItself };

// A decoder: `expected` holds the units it writes given room, the terminator excluded. A fill
// with less room keeps the first size - 1 of them and a zero, and returns size + 1 or size.
template <class In, class Out>
void CheckDecoder(Conversion<In, Out> convert, const std::vector<In>& input,
                  const std::vector<Out>& expected, ETruncation truncation, uint8_t pick) {
    CExactBuffer<In> source(input);
    const size_t full = expected.size() + 1;
    FUZZ_CHECK(convert(source.get(), nullptr, 0) == Counted(full));
    if (full <= 0xFFFF) {
        CExactBuffer<Out> out(full);
        FUZZ_CHECK(convert(source.get(), out.get(), static_cast<unsigned short>(full)) == full);
        FUZZ_CHECK(out[full - 1] == 0);
        FUZZ_CHECK(out.Prefix(full - 1) == expected);
    }
    for (size_t size : ShortSizes(full, pick)) {
        CExactBuffer<Out> out(size);
        const unsigned long result =
            convert(source.get(), out.get(), static_cast<unsigned short>(size));
        FUZZ_CHECK(result == Counted(truncation == eSizePlusOne ? size + 1 : size));
        FUZZ_CHECK(out[size - 1] == 0);
        FUZZ_CHECK(out.Prefix(size - 1) ==
                   std::vector<Out>(expected.begin(), expected.begin() + (size - 1)));
    }
}

// A routine that writes each input value as 0 to 6 UTF-8 bytes and never splits a character.
template <class In>
void CheckEncoder(Conversion<In, unsigned char> convert, const std::vector<In>& input,
                  uint8_t pick) {
    std::vector<uint8_t> expected;
    for (size_t i = 0; input[i] != 0; ++i) {
        EncodeModel(input[i], expected);
    }
    CExactBuffer<In> source(input);
    const size_t full = expected.size() + 1;
    FUZZ_CHECK(convert(source.get(), nullptr, 0) == Counted(full));
    if (full <= 0xFFFF) {
        CExactBuffer<unsigned char> out(full);
        FUZZ_CHECK(convert(source.get(), out.get(), static_cast<unsigned short>(full)) == full);
        FUZZ_CHECK(out[full - 1] == 0);
        FUZZ_CHECK(out.Prefix(full - 1) == expected);
    }
    for (size_t size : ShortSizes(full, pick)) {
        // The whole characters, and their terminator, that fit in `size` bytes.
        size_t kept = 0;
        for (size_t i = 0;; ++i) {
            const size_t length = input[i] == 0 ? 1 : EncodedLength(input[i]);
            if (kept + length >= size) {
                break;
            }
            kept += length;
        }
        CExactBuffer<unsigned char> out(size);
        FUZZ_CHECK(convert(source.get(), out.get(), static_cast<unsigned short>(size)) == kept + 1);
        FUZZ_CHECK(out[kept] == 0);
        FUZZ_CHECK(out.Prefix(kept) ==
                   std::vector<uint8_t>(expected.begin(), expected.begin() + kept));
    }
}

// The units a conversion writes for `input` given all the room it asks for, the terminator
// excluded (empty when the sizing pass refuses the text).
template <class In, class Out>
std::vector<Out> Converted(Conversion<In, Out> convert, const std::vector<In>& input) {
    CExactBuffer<In> source(input);
    const unsigned short size = convert(source.get(), nullptr, 0);
    if (size == 0) {
        return std::vector<Out>();
    }
    CExactBuffer<Out> out(size);
    FUZZ_CHECK(convert(source.get(), out.get(), size) == size);
    return out.Prefix(size - 1u);
}

// True when the sizing pass refuses `input` (its count would pass 65,535).
template <class In, class Out>
bool Refused(Conversion<In, Out> convert, const std::vector<In>& input) {
    CExactBuffer<In> source(input);
    return convert(source.get(), nullptr, 0) == 0;
}

template <class Unit>
std::vector<Unit> WithTerminator(std::vector<Unit> units) {
    units.push_back(0);
    return units;
}

}  // namespace VeskFuzz

#endif  // VESK_FUZZ_CONVERSION_CHECKS_H
