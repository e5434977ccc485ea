// SPDX-License-Identifier: Apache-2.0
// CSysUtils: narrow/wide conversions unit by unit, numbers to and from text, case and splitting.
#include <vesk/sysutils.h>

#include <cstdio>
#include <cstdlib>

#include "sysutils/decimal.h"

namespace Vesk {

namespace {

// Reports, when asked, whether a conversion of `text` stopped at its end. An embedded zero byte
// ends the conversion early, so such a text fails too.
void ReportStoppedAtEnd(const std::string& text, const char* stop, bool* success) {
    if (success != nullptr) {
        *success = stop == text.c_str() + text.size();
    }
}

// Maps the bytes of `text` in place, as the C locale's case tables do: only ASCII letters change.
void ShiftLetters(std::string& text, char first, char last, int shift) {
    for (char& c : text) {
        if (c >= first && c <= last) {
            c = static_cast<char>(c + shift);
        }
    }
}

}  // namespace

std::wstring CSysUtils::AsciiToUnicode(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    for (std::string::size_type i = 0; i < text.size(); ++i) {
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    }
    return wide;
}

std::wstring CSysUtils::UTF8ToUnicode(const std::string& text) {
    return AsciiToUnicode(text);
}

std::wstring CSysUtils::TStringToUnicode(const TString& text) {
    return AsciiToUnicode(text);
}

std::string CSysUtils::UnicodeToAscii(const std::wstring& text) {
    std::string narrow(text.size(), '\0');
    for (std::wstring::size_type i = 0; i < text.size(); ++i) {
        narrow[i] = static_cast<char>(static_cast<unsigned char>(text[i] & 0xFF));
    }
    return narrow;
}

std::string CSysUtils::UnicodeToUTF8(const std::wstring& text) {
    return UnicodeToAscii(text);
}

TString CSysUtils::UnicodeToTString(const std::wstring& text) {
    return UnicodeToAscii(text);
}

TString CSysUtils::AsciiToTString(const std::string& text) {
    return text;
}

std::string CSysUtils::TStringToAscii(const TString& text) {
    return text;
}

TString CSysUtils::UTF8ToTString(const std::string& text) {
    return text;
}

std::string CSysUtils::TStringToUTF8(const TString& text) {
    return text;
}

// The buffers below are zero-filled and sized as the interface promises; snprintf cuts longer
// text to the buffer's size minus one.
std::string CSysUtils::LongToString(long value) {
    char buffer[100] = {};
    std::snprintf(buffer, sizeof buffer, "%ld", value);
    return buffer;
}

std::string CSysUtils::Int64ToString(long long value) {
    char buffer[22] = {};  // the longest 64-bit value, its sign and the terminator
    std::snprintf(buffer, sizeof buffer, "%lld", value);
    return buffer;
}

std::string CSysUtils::DoubleToString(double value, int precision) {
    char buffer[9 + 17] = {};
    // Tested unsigned, so a negative precision takes the six-decimal form of at most 16 characters.
    if (static_cast<unsigned>(precision) <= 9) {
        std::snprintf(buffer, static_cast<std::size_t>(precision) + 17, "%.*f", precision, value);
    } else {
        std::snprintf(buffer, 17, "%f", value);
    }
    return buffer;
}

long CSysUtils::StringToLong(const std::string& text, int base, bool* success) {
    char* stop = nullptr;
    // 32-bit results on every host, as where long is 32 bits: a host with a wider long clamps.
    const long value = Vesk::Decimal::ClampToInt32(std::strtol(text.c_str(), &stop, base));
    ReportStoppedAtEnd(text, stop, success);
    return value;
}

double CSysUtils::StringToDouble(const std::string& text, bool* success) {
    char* stop = nullptr;
    const double value = std::strtod(text.c_str(), &stop);
    ReportStoppedAtEnd(text, stop, success);
    return value;
}

void CSysUtils::ToLower(std::string& text) {
    ShiftLetters(text, 'A', 'Z', 'a' - 'A');
}

void CSysUtils::ToUpper(std::string& text) {
    ShiftLetters(text, 'a', 'z', 'A' - 'a');
}

std::vector<std::string> CSysUtils::SplitString(const std::string& text,
                                                const std::string& delimiter) {
    std::vector<std::string> pieces;
    if (delimiter.empty()) {
        // An empty delimiter would match everywhere: the text stays one piece.
        if (!text.empty()) {
            pieces.push_back(text);
        }
        return pieces;
    }
    std::string::size_type start = 0;
    for (std::string::size_type found = text.find(delimiter); found != std::string::npos;
         found = text.find(delimiter, start)) {
        pieces.push_back(text.substr(start, found - start));
        start = found + delimiter.size();
    }
    // The rest after the last delimiter; empty (but present) when the text ends with one.
    if (start < text.size() || !pieces.empty()) {
        pieces.push_back(text.substr(start));
    }
    return pieces;
}

}  // namespace Vesk
