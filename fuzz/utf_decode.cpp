// SPDX-License-Identifier: Apache-2.0
// Fuzz target: the UTF-8 decoders UTF8_To_UTF32, UTF8_To_UTF16 and UTF8_To_Latin1, and the
// round trips through the encoders.
//
// Input: one parameter byte, then the UTF-8 text (cut at its first zero byte and terminated).
//   0xFF with a text of at most 16 bytes: repeat the text past the 16-bit count limit
//   any other value: picks one of the short fill sizes
// Checks, against an independent model of the decoder: the sizing pass, the exact fill, short
// fills (truncation result, terminator, kept prefix), the 16-bit limit; then that every decoded
// value up to 0x7FFFFF comes back unchanged through UTF32_To_UTF8, that strictly valid UTF-8 comes
// back byte for byte through 32-bit, 16-bit (all below 0x10000) and Latin-1 (all below 0x100)
// text, and that UTF16_To_UTF32 and UTF32_To_UTF16 agree with the decoders.
#include <vesk/utfconvert.h>

#include <algorithm>

#include "conversion_checks.h"

using namespace VeskFuzz;

namespace {

template <class Out>
std::vector<Out> Narrowed(const std::vector<uint32_t>& characters, uint32_t limit,
                          uint32_t substitute) {
    std::vector<Out> out;
    for (uint32_t c : characters) {
        out.push_back(static_cast<Out>(c > limit ? substitute : c));
    }
    return out;
}

bool AllBelow(const std::vector<uint32_t>& characters, uint32_t limit) {
    return std::all_of(characters.begin(), characters.end(),
                       [limit](uint32_t c) { return c < limit; });
}

// Round trips of a text whose characters fit the 16-bit counts. A re-encoding may need more than
// 65,535 bytes (a stray byte comes back as the three bytes of U+FFFD), and the encoder then rightly
// refuses it: such a trip is not taken.
void CheckRoundTrips(const std::vector<uint8_t>& text, const std::vector<uint32_t>& characters) {
    if (characters.size() >= 0xFFFF) {
        return;  // the decoders refuse the text; CheckDecoder saw to that
    }
    const std::vector<uint8_t> original(text.begin(), text.end() - 1);
    const std::vector<unsigned int> wide = Converted(UTF8_To_UTF32, text);
    // Every value an encoder can write decodes back to itself; larger ones are skipped.
    std::vector<unsigned int> encodable;
    std::copy_if(wide.begin(), wide.end(), std::back_inserter(encodable),
                 [](unsigned int c) { return c <= 0x7FFFFF; });
    const bool reencodes = !Refused(UTF32_To_UTF8, WithTerminator(wide));
    const std::vector<uint8_t> reencoded = Converted(UTF32_To_UTF8, WithTerminator(wide));
    if (reencodes) {
        FUZZ_CHECK(Converted(UTF8_To_UTF32, WithTerminator(reencoded)) == encodable);
    }

    // 16-bit units: the same characters, U+FFFD for those above 0xFFFF, either way round.
    const std::vector<unsigned short> units = Converted(UTF8_To_UTF16, text);
    FUZZ_CHECK(Converted(UTF32_To_UTF16, WithTerminator(wide)) == units);
    FUZZ_CHECK(Converted(UTF16_To_UTF32, WithTerminator(units)) ==
               Narrowed<unsigned int>(characters, 0xFFFF, kReplacement));

    if (!IsStrictUTF8(text) || !reencodes) {
        return;  // strictly valid text re-encodes to itself, so it fits wherever the text does
    }
    FUZZ_CHECK(reencoded == original);
    if (AllBelow(characters, 0x10000)) {
        FUZZ_CHECK(Converted(UTF16_To_UTF8, WithTerminator(units)) == original);
    }
    if (AllBelow(characters, 0x100)) {
        const std::vector<unsigned char> latin1 = Converted(UTF8_To_Latin1, text);
        FUZZ_CHECK(Converted(Latin1_To_UTF8, WithTerminator(latin1)) == original);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CInputReader reader(data, size);
    const uint8_t parameter = reader.Byte();
    std::vector<uint8_t> text = ZeroTerminated(reader.Rest());
    const bool large = PastTheCountLimit(parameter, text.size() - 1);
    if (large) {
        text = RepeatedTo(text, 0x10000 + 16);
    }
    const std::vector<uint32_t> characters = DecodeModel(text);
    // A long run checks one routine only (chosen by the text), to keep such runs cheap.
    const int only = large ? text[0] % 3 : -1;
    if (only < 0 || only == 0) {
        CheckDecoder(UTF8_To_UTF32, text, Narrowed<unsigned int>(characters, ~0u, 0), eSizePlusOne,
                     parameter);
    }
    if (only < 0 || only == 1) {
        CheckDecoder(UTF8_To_UTF16, text,
                     Narrowed<unsigned short>(characters, 0xFFFF, kReplacement), eSizePlusOne,
                     parameter);
    }
    if (only < 0 || only == 2) {
        CheckDecoder(UTF8_To_Latin1, text, Narrowed<unsigned char>(characters, 0xFF, '?'),
                     eSizeItself, parameter);
    }
    if (!large) {
        CheckRoundTrips(text, characters);
    }
    return 0;
}
