// SPDX-License-Identifier: Apache-2.0
// String helpers of DornCommon.
#include <vesk/stringhelpers.h>

namespace DornCommon {
namespace {

// The "C" locale's white space: tab, line feed, vertical tab, form feed, carriage return and
// space. Compared by whole value, so wide characters never alias to these by their low bits.
template <class Char>
bool IsCWhiteSpace(Char c) {
    return c == Char(0x20) || (c >= Char(0x09) && c <= Char(0x0D));
}

template <class String>
bool ReplaceFirst(String& text, const String& pattern, const String& replacement) {
    const typename String::size_type found = text.find(pattern);
    if (found == String::npos) {
        return false;
    }
    text.replace(found, pattern.size(), replacement);
    return true;
}

template <class String>
int ReplaceEvery(String& text, const String& pattern, const String& replacement) {
    if (pattern.empty()) {
        return 0;
    }
    int count = 0;
    typename String::size_type position = 0;
    while ((position = text.find(pattern, position)) != String::npos) {
        text.replace(position, pattern.size(), replacement);
        position += replacement.size();
        ++count;
    }
    return count;
}

template <class String>
void Trim(String& text) {
    typename String::size_type end = text.size();
    while (end > 0 && IsCWhiteSpace(text[end - 1])) {
        --end;
    }
    text.erase(end);
    typename String::size_type begin = 0;
    while (begin < text.size() && IsCWhiteSpace(text[begin])) {
        ++begin;
    }
    text.erase(0, begin);
}

// Case mapping of the "C" locale: only the 26 ASCII letters change. Written out rather than
// calling tolower/toupper so that a locale set by the application cannot change the result.
void ShiftLetters(std::string& text, char first, char last) {
    for (char& c : text) {
        if (c >= first && c <= last) {
            c = static_cast<char>(c ^ 0x20);
        }
    }
}

}  // namespace

std::string toASCII(const std::wstring& text) {
    std::string result;
    result.reserve(text.size());
    for (wchar_t c : text) {
        result.push_back(static_cast<char>(static_cast<unsigned char>(c & 0xFF)));
    }
    return result;
}

std::wstring toUNICODE(const std::string& text) {
    std::wstring result;
    result.reserve(text.size());
    for (char c : text) {
        result.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
    }
    return result;
}

void ToLowerInPlace(std::string& text) {
    ShiftLetters(text, 'A', 'Z');
}
void ToUpperInPlace(std::string& text) {
    ShiftLetters(text, 'a', 'z');
}

bool replace(std::string& text, const std::string& pattern, const std::string& replacement) {
    return ReplaceFirst(text, pattern, replacement);
}
bool replace(std::wstring& text, const std::wstring& pattern, const std::wstring& replacement) {
    return ReplaceFirst(text, pattern, replacement);
}

int replaceAll(std::string& text, const std::string& pattern, const std::string& replacement) {
    return ReplaceEvery(text, pattern, replacement);
}
int replaceAll(std::wstring& text, const std::wstring& pattern, const std::wstring& replacement) {
    return ReplaceEvery(text, pattern, replacement);
}

void trimString(std::string& text) {
    Trim(text);
}
void trimString(std::wstring& text) {
    Trim(text);
}

}  // namespace DornCommon
