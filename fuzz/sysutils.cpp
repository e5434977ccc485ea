// SPDX-License-Identifier: Apache-2.0
// Fuzz target: CSysUtils text operations - SplitString, the path operations, StringToLong and
// StringToDouble, DoubleToString's cut, case changes and the narrow/wide conversions.
//
// Input: a base byte (StringToLong's base, valid or not), a length byte (delimiter length 0 to 3;
// precision for DoubleToString), then the delimiter followed by the text. The text may hold zero
// bytes: these operations take std::string.
// Checks: split pieces joined by the delimiter give the text back, none holds the delimiter, each
// ends at the first delimiter after it; directory + separator + file name give the path back and
// the extension is what follows the file name's last dot; numbers agree with strtoll (clamped to
// 32 bits) and strtod, and the success flag with where they stopped; DoubleToString is snprintf's
// text cut to its buffer.
#include <vesk/sysutils.h>

#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "fuzz_support.h"

using namespace VeskFuzz;
using Vesk::CSysUtils;

namespace {

void CheckSplit(const std::string& text, const std::string& delimiter) {
    const std::vector<std::string> pieces = CSysUtils::SplitString(text, delimiter);
    if (text.empty() || delimiter.empty()) {
        FUZZ_CHECK(pieces.size() == (text.empty() ? 0u : 1u));
        FUZZ_CHECK(text.empty() || pieces[0] == text);
        return;
    }
    FUZZ_CHECK(!pieces.empty());
    std::string joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        FUZZ_CHECK(pieces[i].find(delimiter) == std::string::npos);
        if (i + 1 < pieces.size()) {
            FUZZ_CHECK((pieces[i] + delimiter).find(delimiter) == pieces[i].size());
        }
        joined += (i == 0 ? "" : delimiter) + pieces[i];
    }
    FUZZ_CHECK(joined == text);
}

void CheckPaths(const std::string& path, const std::string& other) {
    const std::string directory = CSysUtils::ExtractDir(path);
    const std::string name = CSysUtils::ExtractFileName(path);
    const size_t separator = path.find_last_of("\\/");
    FUZZ_CHECK(name.find_first_of("\\/") == std::string::npos);
    if (separator == std::string::npos) {
        FUZZ_CHECK(directory.empty() && name == path);
    } else {
        FUZZ_CHECK(directory + path[separator] + name == path);
    }
    const size_t dot = name.rfind('.');
    FUZZ_CHECK(CSysUtils::ExtractFileExtension(path) ==
               (dot == std::string::npos ? std::string() : name.substr(dot + 1)));
    const bool slashNeeded = !path.empty() && path.back() != '/';
    FUZZ_CHECK(CSysUtils::MakeFullPath(path, other) == path + (slashNeeded ? "/" : "") + other);
    const size_t first = path.find_first_of("\\/.");
    const bool absolute =
        first != std::string::npos && path[first] != '.' && (first == 0 || path[first - 1] == ':');
    FUZZ_CHECK(CSysUtils::IsAbsolutePath(path) == absolute);
}

void CheckNumbers(const std::string& text, int base, uint8_t precisionByte) {
    const bool validBase = base == 0 || (base >= 2 && base <= 36);
    bool ok = false;
    const long value = CSysUtils::StringToLong(text, base, &ok);
    if (validBase) {
        char* end = nullptr;
        const long long read = std::strtoll(text.c_str(), &end, base);  // clamped to 32 bits
        FUZZ_CHECK(value == (read > INT32_MAX ? INT32_MAX : read < INT32_MIN ? INT32_MIN : read));
        FUZZ_CHECK(ok == (end == text.c_str() + text.size()));
        FUZZ_CHECK(CSysUtils::StringToLong(text, base, nullptr) == value);
        FUZZ_CHECK(CSysUtils::LongToString(value) == std::to_string(value));
    }
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    const double parsed = CSysUtils::StringToDouble(text, &ok);
    FUZZ_CHECK(std::memcmp(&parsed, &expected, sizeof parsed) == 0 ||
               (std::isnan(parsed) && std::isnan(expected)));
    FUZZ_CHECK(ok == (end == text.c_str() + text.size()));

    // The formatted text is snprintf's, cut to the buffer: precision + 16 or 16 characters.
    const int precision = static_cast<int>(precisionByte % 14) - 2;
    const bool usual = precision >= 0 && precision <= 9;
    char format[16];
    std::snprintf(format, sizeof format, "%%.%df", usual ? precision : 6);
    std::vector<char> full(400);
    const int length = std::snprintf(full.data(), full.size(), format, parsed);
    const size_t limit = usual ? static_cast<size_t>(precision) + 16 : 16;
    if (length >= 0 && static_cast<size_t>(length) < full.size()) {
        FUZZ_CHECK(CSysUtils::DoubleToString(parsed, precision) ==
                   std::string(full.data()).substr(0, limit));
    }
}

void CheckCaseAndWidth(const std::string& text) {
    std::string lower = text;
    std::string upper = text;
    CSysUtils::ToLower(lower);
    CSysUtils::ToUpper(upper);
    FUZZ_CHECK(lower.size() == text.size() && upper.size() == text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const int c = static_cast<unsigned char>(text[i]);
        FUZZ_CHECK(static_cast<unsigned char>(lower[i]) == std::tolower(c));
        FUZZ_CHECK(static_cast<unsigned char>(upper[i]) == std::toupper(c));
    }
    const std::wstring wide = CSysUtils::UTF8ToUnicode(text);
    FUZZ_CHECK(wide.size() == text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        FUZZ_CHECK(static_cast<unsigned long>(wide[i]) == static_cast<unsigned char>(text[i]));
    }
    FUZZ_CHECK(CSysUtils::UnicodeToUTF8(wide) == text);
    FUZZ_CHECK(CSysUtils::UnicodeToTString(CSysUtils::TStringToUnicode(text)) == text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CInputReader reader(data, size);
    const int base = static_cast<int>(reader.Byte() % 40) - 1;
    const uint8_t lengths = reader.Byte();
    const std::vector<uint8_t> rest = reader.Rest();
    const size_t delimiterLength = std::min<size_t>(lengths % 4, rest.size());
    const std::string delimiter(rest.begin(), rest.begin() + delimiterLength);
    const std::string text(rest.begin() + delimiterLength, rest.end());

    CheckSplit(text, delimiter);
    CheckPaths(text, delimiter);
    CheckNumbers(text, base, static_cast<uint8_t>(lengths >> 2));
    CheckCaseAndWidth(text);
    return 0;
}
