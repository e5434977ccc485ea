// SPDX-License-Identifier: Apache-2.0
// Fuzz target: the encoders UTF32_To_UTF8, UTF16_To_UTF8 and Latin1_To_UTF8, and the unit
// converters UTF32_To_UTF16 and UTF16_To_UTF32.
//
// Input: one parameter byte, then raw bytes read three ways: as 32-bit units (4 bytes each,
// little-endian), as 16-bit units (2 bytes each) and as Latin-1 bytes; each is cut at its first
// zero unit and terminated.
//   0xFF with at most 16 bytes: repeat the units past the 16-bit count limit
//   any other value: picks one of the short fill sizes
// Checks against the encoding table: the sizing pass, the exact fill, short fills (whole
// characters only, then a zero, never a byte past `size`), skipped values above 0x7FFFFF, the
// 16-bit limit; and the one-unit-per-character protocol of the unit converters.
#include <vesk/utfconvert.h>

#include "conversion_checks.h"

using namespace VeskFuzz;

namespace {

template <class Unit>
std::vector<Unit> Prepared(const std::vector<uint8_t>& bytes, bool large) {
    std::vector<Unit> units = ZeroTerminated(UnitsFromBytes<Unit>(bytes));
    return large ? RepeatedTo(units, 0x10000 + 16) : units;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CInputReader reader(data, size);
    const uint8_t parameter = reader.Byte();
    const std::vector<uint8_t> bytes = reader.Rest();
    const bool large = PastTheCountLimit(parameter, bytes.size());

    const std::vector<unsigned int> wide = Prepared<unsigned int>(bytes, large);
    const std::vector<unsigned short> units = Prepared<unsigned short>(bytes, large);
    const std::vector<unsigned char> latin1 = Prepared<unsigned char>(bytes, large);
    // A long run checks one routine only (chosen by the input), to keep such runs cheap.
    const int only = large && !bytes.empty() ? bytes[0] % 5 : -1;
    if (only < 0 || only == 0) {
        CheckEncoder(UTF32_To_UTF8, wide, parameter);
    }
    if (only < 0 || only == 1) {
        CheckEncoder(UTF16_To_UTF8, units, parameter);
    }
    if (only < 0 || only == 2) {
        CheckEncoder(Latin1_To_UTF8, latin1, parameter);
    }
    if (only < 0 || only == 3) {
        std::vector<unsigned short> narrowed;
        for (size_t i = 0; wide[i] != 0; ++i) {
            narrowed.push_back(
                static_cast<unsigned short>(wide[i] > 0xFFFF ? kReplacement : wide[i]));
        }
        CheckDecoder(UTF32_To_UTF16, wide, narrowed, eSizePlusOne, parameter);
    }
    if (only < 0 || only == 4) {
        const std::vector<unsigned int> widened(units.begin(), units.end() - 1);
        CheckDecoder(UTF16_To_UTF32, units, widened, eSizePlusOne, parameter);
    }
    return 0;
}
