// SPDX-License-Identifier: Apache-2.0
// Whole-string conversion: a case table by code point, agreement with the buffer decoder on every
// lead byte, texts far beyond the 16-bit limit, and the surrogate rules of the UTF-16 forms.
#include <gtest/gtest.h>
#include <vesk/modern.h>
#include <vesk/utfconvert.h>

#include <string>
#include <vector>

namespace {

using Vesk::U16String_To_UTF8;
using Vesk::UTF8_To_U16String;
using Vesk::UTF8_To_WString;
using Vesk::WString_To_UTF8;

struct sCase_t {
    const char* name;
    std::string utf8;
    std::u32string wide;   // what UTF8_To_WString gives
    std::u16string utf16;  // what UTF8_To_U16String gives
};

const std::vector<sCase_t> c_cases = {
    {"empty", "", U"", u""},
    {"U+0041", "A", U"A", u"A"},
    {"U+00E9", "\xC3\xA9", U"\u00E9", u"\u00E9"},
    {"U+07FF", "\xDF\xBF", U"\u07FF", u"\u07FF"},
    {"U+0800", "\xE0\xA0\x80", U"\u0800", u"\u0800"},
    {"U+D7FF", "\xED\x9F\xBF", U"\uD7FF", u"\uD7FF"},
    {"U+E000", "\xEE\x80\x80", U"\uE000", u"\uE000"},
    {"U+FFFF", "\xEF\xBF\xBF", U"\uFFFF", u"\uFFFF"},
    {"U+10000", "\xF0\x90\x80\x80", U"\U00010000", {0xD800, 0xDC00}},
    {"U+1F600", "\xF0\x9F\x98\x80", U"\U0001F600", {0xD83D, 0xDE00}},
    {"U+10FFFF", "\xF4\x8F\xBF\xBF", U"\U0010FFFF", {0xDBFF, 0xDFFF}},
    {"U+110000", "\xF4\x90\x80\x80", {0x110000}, u"\uFFFD"},
    {"surrogate D800", "\xED\xA0\x80", {0xD800}, u"\uFFFD"},
    {"surrogate DFFF", "\xED\xBF\xBF", {0xDFFF}, u"\uFFFD"},
    {"stray continuation", "\x80\x61", U"\uFFFDa", u"\uFFFDa"},
    {"FE and FF", "\xFE\xFF", U"\uFFFD\uFFFD", u"\uFFFD\uFFFD"},
    {"cut by the end", "a\xE2\x82", U"a\uFFFD", u"a\uFFFD"},
    {"embedded zero", std::string("a\0b", 3), std::u32string(U"a\0b", 3),
     std::u16string(u"a\0b", 3)},
    {"cut by an embedded zero", std::string("\xC3\0x", 3), std::u32string(U"\uFFFD\0x", 3),
     std::u16string(u"\uFFFD\0x", 3)},
};

std::u32string Widened(const std::wstring& text) {
    return std::u32string(text.begin(), text.end());
}

// Each case decodes as the table says, and every well-formed one comes back byte for byte through
// both string forms.
TEST(WholeStringConversion, CaseTable) {
    for (const sCase_t& c : c_cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Widened(UTF8_To_WString(c.utf8)), c.wide);
        EXPECT_EQ(UTF8_To_U16String(c.utf8), c.utf16);
        if (c.wide.find(0xFFFD) == std::u32string::npos &&
            c.utf16.find(0xFFFD) == std::u16string::npos) {
            EXPECT_EQ(WString_To_UTF8(UTF8_To_WString(c.utf8)), c.utf8);
            EXPECT_EQ(U16String_To_UTF8(UTF8_To_U16String(c.utf8)), c.utf8);
        }
    }
}

// The same decoder as the buffer routines: every lead byte, followed by tails of every shape. The
// buffer routine ends at a decoded zero (C0 80); the whole-string form keeps it and goes on.
TEST(WholeStringConversion, DecodesAsUTF8ToUTF32) {
    const char* const tails[] = {
        "", "A", "\x80", "\xBF\xBF", "\x80\x80\x80", "\x80\x80\x80\x80\x80"};
    for (int lead = 1; lead < 256; ++lead) {
        for (const char* tail : tails) {
            const std::string text = std::string(1, static_cast<char>(lead)) + tail;
            unsigned int units[16];
            const auto* src = reinterpret_cast<const unsigned char*>(text.c_str());
            const unsigned short count = UTF8_To_UTF32(src, units, 16);
            ASSERT_GT(count, 0u);
            const std::u32string expected(units, units + count - 1);
            const std::u32string whole = Widened(UTF8_To_WString(text));
            EXPECT_EQ(whole.substr(0, whole.find(U'\0')), expected) << "lead byte " << lead;
        }
    }
}

TEST(WholeStringConversion, TextsBeyondTheSixteenBitLimit) {
    std::string text;
    for (int i = 0; i < 40000; ++i) {
        text += "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";  // a, e-acute, euro sign, U+1F600
    }
    const std::wstring wide = UTF8_To_WString(text);
    const std::u16string utf16 = UTF8_To_U16String(text);
    EXPECT_EQ(wide.size(), 160000u);
    EXPECT_EQ(utf16.size(), 200000u);
    EXPECT_EQ(WString_To_UTF8(wide), text);
    EXPECT_EQ(U16String_To_UTF8(utf16), text);
}

TEST(WholeStringConversion, UnpairedSurrogatesBecomeReplacementCharacters) {
    const struct {
        const char* name;
        std::u16string utf16;
        std::string utf8;
    } cases[] = {
        {"pair", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
        {"high at the end", {0x61, 0xD83D}, "a\xEF\xBF\xBD"},
        {"low alone", {0xDE00, 0x61}, "\xEF\xBF\xBD\x61"},
        {"reversed pair", {0xDE00, 0xD83D}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"high before a letter", {0xD83D, 0x61}, "\xEF\xBF\xBD\x61"},
        {"two highs then a low", {0xD83D, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"zero", std::u16string(1, 0), std::string(1, '\0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(U16String_To_UTF8(c.utf16), c.utf8);
    }
}

TEST(WholeStringConversion, WideValuesEncodeOneByOne) {
    const std::wstring wide = {L'\0', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x7FFFFF),
                               static_cast<wchar_t>(0x800000), L'z'};
    EXPECT_EQ(WString_To_UTF8(wide), std::string("\0\xED\xA0\x80\xFC\x80\x9F\xBF\xBF\xBFz", 11));
}

}  // namespace
