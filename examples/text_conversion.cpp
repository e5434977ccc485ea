// SPDX-License-Identifier: Apache-2.0
// Text conversion: UTF-8 standard strings to wide and UTF-16 strings of any length, the buffer
// routines with their sizing pass, and transliteration to plain ASCII.
#include <vesk/modern.h>
#include <vesk/utfconvert.h>

#include <string>
#include <vector>

#include "examplecheck.h"

int main() {
    // snippet: utf8-to-wstring
    const std::string utf8 = "Grüße 😀";                    // UTF-8 source text
    std::wstring wide = Vesk::UTF8_To_WString(utf8);       // 7 characters, one wchar_t each
    std::u16string utf16 = Vesk::UTF8_To_U16String(utf8);  // 8 units: 😀 is a surrogate pair
    std::string back = Vesk::U16String_To_UTF8(utf16);     // == utf8
    // end-snippet
    Example::Check(wide.size() == 7 && wide[6] == 0x1F600,
                   "UTF-8 -> std::wstring, one unit per character");
    Example::Check(utf16.size() == 8 && utf16[6] == 0xD83D && utf16[7] == 0xDE00,
                   "UTF-8 -> std::u16string with a surrogate pair");
    Example::Check(back == utf8 && Vesk::WString_To_UTF8(wide) == utf8,
                   "both back to the same UTF-8");

    // snippet: two-pass-buffer
    const auto* text = reinterpret_cast<const unsigned char*>("Größe");
    const unsigned short needed = UTF8_To_UTF16(text, nullptr, 0);  // sizing pass: 6, zero included
    std::vector<unsigned short> units(needed);
    const unsigned short written = UTF8_To_UTF16(text, units.data(), needed);  // fill pass
    // end-snippet
    Example::Check(needed == 6 && written == 6 && units[2] == 0xF6 && units[5] == 0,
                   "sizing pass, then fill");

    // snippet: truncation
    unsigned short small[4];
    const unsigned short result = UTF8_To_UTF16(text, small, 4);  // 5 == size + 1: cut short
    // small holds "Grö" and a zero
    // end-snippet
    Example::Check(result == 5 && small[3] == 0,
                   "a decoder that runs out of room returns size + 1");

    // snippet: transliterate
    unsigned char ascii[32];
    UTF8_To_ASCII(reinterpret_cast<const unsigned char*>("Łódź €"), ascii, sizeof ascii);
    // ascii holds "Lodz EUR"
    unsigned char one[4];
    const unsigned int length = TranslateLatin1ToASCII(0xA9, one, sizeof one);  // "(c)", 3
    // end-snippet
    Example::Check(std::string(reinterpret_cast<char*>(ascii)) == "Lodz EUR",
                   "UTF-8 -> ASCII transliterated");
    Example::Check(length == 3 && one[0] == '(' && one[2] == ')',
                   "one Latin-1 code transliterated");

    std::string longText;
    for (int i = 0; i < 40000; ++i) {
        longText += "é€";  // 200,000 bytes, far beyond the 16-bit counts
    }
    Example::Check(
        UTF8_To_UTF16(reinterpret_cast<const unsigned char*>(longText.c_str()), nullptr, 0) == 0,
        "the buffer routines refuse texts above 65,535 units");
    Example::Check(Vesk::UTF8_To_U16String(longText).size() == 80000,
                   "the string forms take any length");
    return Example::Result();
}
