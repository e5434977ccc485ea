// SPDX-License-Identifier: Apache-2.0
// Whole-string conversion between UTF-8 and wide or UTF-16 standard strings, of any length.
//
// The buffer routines count in 16 bits and stop at the first zero; these walk the whole string
// with the same one-character decoder and encoder, so a text decodes here exactly as there.
#include <vesk/modern.h>

#include "text/utf8codec.h"

namespace {

using Vesk::Text::CLeadByteRules;
using Vesk::Text::EncodedLength;
using Vesk::Text::kReplacementCharacter;

static_assert(sizeof(wchar_t) == 4, "one wchar_t holds one character");

// Calls sink(value) for every character of `text`, an embedded zero byte included.
template <typename Sink>
void DecodeUTF8(const std::string& text, Sink sink) {
    const CLeadByteRules rules;
    // c_str() ends in a zero, and the decoder never reads past a zero byte: it stops on an
    // embedded one as on the last, so p never passes `end`.
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text.c_str());
    const unsigned char* const end = p + text.size();
    while (p < end) {
        if (*p == 0) {
            sink(0u);
            ++p;
        } else {
            sink(rules.Decode(p));
        }
    }
}

void AppendUTF8(std::string& out, const CLeadByteRules& rules, unsigned int value) {
    unsigned char bytes[6];
    const unsigned int length = EncodedLength(value);
    rules.Encode(value, length, bytes);
    out.append(reinterpret_cast<const char*>(bytes), length);
}

bool IsHighSurrogate(unsigned int unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(unsigned int unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

namespace Vesk {

std::wstring UTF8_To_WString(const std::string& utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    DecodeUTF8(utf8, [&out](unsigned int c) { out.push_back(static_cast<wchar_t>(c)); });
    return out;
}

std::string WString_To_UTF8(const std::wstring& text) {
    const CLeadByteRules rules;
    std::string out;
    out.reserve(text.size());
    for (const wchar_t c : text) {
        AppendUTF8(out, rules, static_cast<unsigned int>(c));
    }
    return out;
}

std::u16string UTF8_To_U16String(const std::string& utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    DecodeUTF8(utf8, [&out](unsigned int c) {
        if (c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacementCharacter;
        }
        if (c < 0x10000) {
            out.push_back(static_cast<char16_t>(c));
            return;
        }
        c -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 | (c >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
    });
    return out;
}

std::string U16String_To_UTF8(const std::u16string& text) {
    const CLeadByteRules rules;
    std::string out;
    out.reserve(text.size());
    for (std::u16string::size_type i = 0; i < text.size(); ++i) {
        unsigned int c = text[i];
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = kReplacementCharacter;  // a surrogate without its partner
        }
        AppendUTF8(out, rules, c);
    }
    return out;
}

}  // namespace Vesk
