// SPDX-License-Identifier: Apache-2.0
// Fuzz target: UTF8_To_ASCII and TranslateLatin1ToASCII.
//
// Input: one parameter byte, then the UTF-8 text (cut at its first zero byte and terminated). The
// parameter 0xFF repeats a text of at most 16 bytes past the 16-bit count limit; others pick a fill
// size. The pairs of bytes of the text also drive TranslateLatin1ToASCII as (code, size). Checks:
// the output is 7-bit; it is the concatenation of the characters' own transliterations (ASCII
// copied, Latin-1 from Latin1ToASCIITableArray, anything else as UTF8_To_ASCII gives it for that
// character alone); the sizing pass counts it; short fills keep its first size - 1 bytes and a zero
// and return size; TranslateLatin1ToASCII writes exactly min(length, max(size, 1)) bytes of the
// table's text into an array of max(size, 1) bytes.
#include <vesk/utfconvert.h>

#include <cstring>
#include <map>

#include "conversion_checks.h"

using namespace VeskFuzz;

namespace {

void CheckTranslation(uint8_t code, unsigned int size) {
    const size_t room = size == 0 ? 1 : size;
    CExactBuffer<unsigned char> out(room);
    const unsigned int written = TranslateLatin1ToASCII(code, out.get(), size);
    if (code < 0x80) {
        FUZZ_CHECK(written == 1 && out[0] == code);
        return;
    }
    const sLatin1ToASCIIEntry_t& entry = Latin1ToASCIITableArray[code - 0x80];
    FUZZ_CHECK(entry.length >= 0 && static_cast<size_t>(entry.length) == std::strlen(entry.text));
    const size_t length = static_cast<size_t>(entry.length);
    FUZZ_CHECK(written == (length <= 1 ? length : std::min(length, room)));
    FUZZ_CHECK(out[0] == static_cast<unsigned char>(entry.text[0]));
    FUZZ_CHECK(std::memcmp(out.get(), entry.text, written) == 0);
}

// The transliteration of one character, as UTF8_To_ASCII gives it for that character alone.
std::vector<unsigned char> Alone(uint32_t c, std::map<uint32_t, std::vector<unsigned char>>& seen) {
    auto found = seen.find(c);
    if (found != seen.end()) {
        return found->second;
    }
    std::vector<uint8_t> encoded;
    if (c <= 0x7FFFFF) {
        EncodeModel(c, encoded);
    } else {
        EncodeSixBytes(c, encoded);
    }
    std::vector<unsigned char> out = Converted(UTF8_To_ASCII, WithTerminator(encoded));
    seen.emplace(c, out);
    return out;
}

std::vector<unsigned char> Transliterated(const std::vector<uint32_t>& characters) {
    std::map<uint32_t, std::vector<unsigned char>> seen;
    std::vector<unsigned char> out;
    for (uint32_t c : characters) {
        if (c < 0x80) {
            out.push_back(static_cast<unsigned char>(c));
        } else if (c <= 0xFF) {
            const sLatin1ToASCIIEntry_t& entry = Latin1ToASCIITableArray[c - 0x80];
            out.insert(out.end(), entry.text, entry.text + entry.length);
        } else {
            const std::vector<unsigned char> alone = Alone(c, seen);
            out.insert(out.end(), alone.begin(), alone.end());
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CInputReader reader(data, size);
    const uint8_t parameter = reader.Byte();
    std::vector<uint8_t> text = ZeroTerminated(reader.Rest());
    for (size_t i = 0; i + 1 < text.size() && i < 128; i += 2) {
        CheckTranslation(text[i], text[i + 1] % 12);
    }
    std::vector<unsigned char> expected = Transliterated(DecodeModel(text));
    if (PastTheCountLimit(parameter, text.size() - 1) && !expected.empty()) {
        // Just enough copies to pass the 16-bit count with the output (transliterations expand).
        const size_t copies = 0x10010 / expected.size() + 1;
        text = RepeatedTo(text, (text.size() - 1) * copies);
        expected = Transliterated(DecodeModel(text));
    }
    for (unsigned char c : expected) {
        FUZZ_CHECK(c >= 0x01 && c <= 0x7F);
    }
    CheckDecoder(UTF8_To_ASCII, text, expected, eSizeItself, parameter);
    return 0;
}
