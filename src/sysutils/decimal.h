// SPDX-License-Identifier: Apache-2.0
// Decimal text to integer with the rules of the C library's strtoll (base 10), shared by the
// integer shims and the typed record parser.
//
// `ScanDecimal` handles the common token in place and in one pass: ASCII white space, an optional
// sign and up to 18 digits, which cannot overflow a 64-bit value. Anything it is not sure about
// (more digits, a byte a locale might count as white space, a token longer than a parser field)
// it refuses, and the caller hands the token to the C library, so results never differ from it.
#ifndef VESK_SYSUTILS_DECIMAL_H
#define VESK_SYSUTILS_DECIMAL_H

#include <cstdint>

namespace Vesk {
namespace Decimal {

// The longest token the record parser keeps (its field buffer holds this many and a terminator).
constexpr long kMaxTokenChars = 99;
// 10^18 - 1 is the largest run of digits that always fits a signed 64-bit value.
constexpr long kMaxFastDigits = 18;

// The white space every locale's isspace accepts: ' ', '\t', '\n', '\v', '\f', '\r'.
inline bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Scans the decimal number at `text`, ending the token at `stop` (a delimiter; 0 for none; never a
// digit, so the digit loop need not look for it), the terminator or the first other non-digit. On
// success stores the value strtoll would return for the token, sets `*end` just after the last
// character the number used (after the white space when there are no digits) and returns true.
// Returns false, storing nothing, when the token must go to the C library instead.
inline bool ScanDecimal(const char* text, char stop, long long* value, const char** end) {
    const char* p = text;
    while (IsAsciiSpace(*p) && *p != stop) {
        ++p;
    }
    const bool hasSign = (*p == '-' || *p == '+') && *p != stop;
    const bool negative = hasSign && *p == '-';
    p += hasSign ? 1 : 0;
    const char* const digits = p;
    unsigned long long magnitude = 0;  // unsigned: a too long run wraps harmlessly, then is refused
    for (;; ++p) {
        const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - 48u;
        if (digit > 9) {
            break;
        }
        magnitude = magnitude * 10 + digit;
    }
    const unsigned char next = static_cast<unsigned char>(*p);
    // Without sign and digits, strtoll would skip a byte that the current locale calls white
    // space; only printable ASCII, the stop byte and the terminator are certain to end the token.
    const bool certainEnd =
        hasSign || p != digits || next == 0 || *p == stop || (next > 0x20 && next < 0x7F);
    if (p - digits > kMaxFastDigits || p - text > kMaxTokenChars || !certainEnd) {
        return false;
    }
    const long long signedMagnitude = static_cast<long long>(magnitude);
    *value = negative ? -signedMagnitude : signedMagnitude;
    *end = p;
    return true;
}

// A 64-bit result of strtoll brought to the limits of a 32-bit strtol.
inline std::int32_t ClampToInt32(long long value) {
    if (value > INT32_MAX) {
        return INT32_MAX;
    }
    if (value < INT32_MIN) {
        return INT32_MIN;
    }
    return static_cast<std::int32_t>(value);
}

}  // namespace Decimal
}  // namespace Vesk

#endif  // VESK_SYSUTILS_DECIMAL_H
