// SPDX-License-Identifier: Apache-2.0
// Fuzz target: DornCommon::replace, replaceAll and trimString (narrow and wide), toASCII and
// toUNICODE, ToLowerInPlace and ToUpperInPlace.
//
// Input: a length byte (pattern length 0 to 3, replacement length 0 to 3), then the pattern, the
// replacement and the text. The wide forms use the same units widened, with the bytes 0xF8-0xFF
// standing for characters beyond Latin-1 (among them U+00A0 and U+2003, which are not white space
// here).
// Checks: replaceAll gives what replacing every occurrence found left to right in the original
// text gives, and counts them; replace changes the first occurrence only (an empty pattern
// inserts at the front); trimString removes exactly the six ASCII white-space characters at both
// ends; the narrow and wide forms agree unit for unit.
#include <vesk/stringhelpers.h>

#include <cctype>

#include "fuzz_support.h"

using namespace VeskFuzz;

namespace {

template <class String>
String ReplacedEverywhere(const String& text, const String& pattern, const String& replacement,
                          int& count) {
    String out;
    size_t at = 0;
    for (size_t found; (found = text.find(pattern, at)) != String::npos;
         at = found + pattern.size()) {
        out += text.substr(at, found - at) + replacement;
        ++count;
    }
    return out + text.substr(at);
}

template <class Unit>
bool IsTrimmedSpace(Unit c) {
    return c == 0x20 || (c >= 0x09 && c <= 0x0D);
}

template <class String>
void CheckHelpers(const String& text, const String& pattern, const String& replacement) {
    String all = text;
    int expectedCount = 0;
    const String expectedAll =
        pattern.empty() ? text : ReplacedEverywhere(text, pattern, replacement, expectedCount);
    FUZZ_CHECK(DornCommon::replaceAll(all, pattern, replacement) == expectedCount);
    FUZZ_CHECK(all == expectedAll);

    String once = text;
    const size_t first = text.find(pattern);
    FUZZ_CHECK(DornCommon::replace(once, pattern, replacement) == (first != String::npos));
    if (first != String::npos) {
        FUZZ_CHECK(once ==
                   text.substr(0, first) + replacement + text.substr(first + pattern.size()));
    } else {
        FUZZ_CHECK(once == text);
    }

    String trimmed = text;
    DornCommon::trimString(trimmed);
    size_t begin = 0;
    size_t end = text.size();
    while (end > 0 && IsTrimmedSpace(text[end - 1])) {
        --end;
    }
    while (begin < end && IsTrimmedSpace(text[begin])) {
        ++begin;
    }
    FUZZ_CHECK(trimmed == text.substr(begin, end - begin));
}

std::wstring Widened(const std::string& text) {
    const wchar_t beyond[] = {0xA0, 0x2003, 0x3000, 0x85, 0x120, 0x109, 0x10020, 0x7FFFFFFF};
    std::wstring out;
    for (char c : text) {
        const unsigned char unit = static_cast<unsigned char>(c);
        out += unit >= 0xF8 ? beyond[unit - 0xF8] : static_cast<wchar_t>(unit);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CInputReader reader(data, size);
    const uint8_t lengths = reader.Byte();
    const std::vector<uint8_t> rest = reader.Rest();
    const size_t patternLength = std::min<size_t>(lengths % 4, rest.size());
    const size_t replacementLength =
        std::min<size_t>((lengths >> 2) % 4, rest.size() - patternLength);
    const std::string pattern(rest.begin(), rest.begin() + patternLength);
    const std::string replacement(rest.begin() + patternLength,
                                  rest.begin() + patternLength + replacementLength);
    const std::string text(rest.begin() + patternLength + replacementLength, rest.end());

    CheckHelpers(text, pattern, replacement);
    CheckHelpers(Widened(text), Widened(pattern), Widened(replacement));

    FUZZ_CHECK(DornCommon::toASCII(DornCommon::toUNICODE(text)) == text);
    const std::wstring wide = Widened(text);
    const std::wstring narrowedBack = DornCommon::toUNICODE(DornCommon::toASCII(wide));
    FUZZ_CHECK(narrowedBack.size() == wide.size());
    for (size_t i = 0; i < wide.size(); ++i) {
        FUZZ_CHECK(narrowedBack[i] == (wide[i] & 0xFF));
    }
    std::string lower = text;
    std::string upper = text;
    DornCommon::ToLowerInPlace(lower);
    DornCommon::ToUpperInPlace(upper);
    for (size_t i = 0; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK(static_cast<unsigned char>(lower[i]) == std::tolower(c));
        FUZZ_CHECK(static_cast<unsigned char>(upper[i]) == std::toupper(c));
    }
    return 0;
}
