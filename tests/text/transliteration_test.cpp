// SPDX-License-Identifier: Apache-2.0
// Transliteration to ASCII: the Latin-1 table, TranslateLatin1ToASCII, and UTF8_To_ASCII on
// Latin-1 and on the blocks beyond it.
#include <vesk/utfconvert.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "text/textsupport.h"

namespace {

using VeskTest::ToASCII;

// Every code from 0x80 to 0xFF followed by a space: the table's texts, UTF8_To_ASCII's output
// (which also shows each entry's length, and every truncation checked by Convert), and the
// Latin-1 conversions of the same text.
TEST(Transliteration, Latin1Table) {
    std::string joined, utf8;
    VeskTest::Units values;
    for (unsigned int code = 0x80; code <= 0xFF; ++code) {
        joined += std::string(Latin1ToASCIITableArray[code - 0x80].text) + " ";
        utf8 += {static_cast<char>(0xC0 | code >> 6), static_cast<char>(0x80 | (code & 0x3F)), ' '};
        values.insert(values.end(), {code, ' '});
    }
    const std::string expected =
        std::string(33, ' ') +
        "! cent GBP $ Yen | Section \" (c)  << ~  (R)  Degree +/- ^2 ^3 ' u C - , ^1  >> 1/4 "
        "1/2 3/4 ? A A A A A A AE C E E E E I I I I D N O O O O O x OE U U U U Y TH ss a a a a "
        "a a ae c e e e e i i i i d n o o o o o / oe u u u u y th y ";
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(ToASCII(utf8), expected);
    VeskTest::CheckText(VeskTest::eBoth, utf8, values);
    // TranslateLatin1ToASCII on its own: replacements of two or more characters cut to size.
    const struct {
        unsigned char code;
        unsigned int size, result;
        std::string written;  // what lands at dst; nothing follows it
    } cases[] = {
        {0xDF, 10, 2, "ss"}, {0xDF, 1, 1, "s"},       {0xDF, 0, 1, "s"},
        {0xA7, 3, 3, "Sec"}, {0xA7, 7, 7, "Section"}, {0xA7, 100, 7, "Section"},
        {0x41, 0, 1, "A"},   {0xC4, 0, 1, "A"},       {0xA0, 5, 0, {"\0", 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("code " + std::to_string(c.code) + ", size " + std::to_string(c.size));
        unsigned char dst[8];
        std::memset(dst, 'Z', sizeof dst);
        EXPECT_EQ(TranslateLatin1ToASCII(c.code, dst, c.size), c.result);
        EXPECT_EQ(std::string(dst, dst + 8), (c.written + "ZZZZZZZZ").substr(0, 8));
    }
}

// Named blocks beyond Latin-1; then every code point up to U+2FFF gives printable ASCII (or a
// line break) and never a marker of the internal tables.
TEST(Transliteration, BeyondLatin1) {
    const std::pair<const char*, const char*> cases[] = {
        {"Łódź Dvořák Œuvre Ĳssel Ștefan", "Lodz Dvorak OEuvre IJssel Stefan"},
        {"Țiriac ǅemal ẞ Nguyễn Thị", "Tiriac Dzemal SS Nguyen Thi"},
        {"“quoted” ‘text’ – a—b… • ‰", "\"quoted\" 'text' - a-b... * %o"},
        {"a\u200Bb\u200F€5 ₹7 ₩", "abEUR5 INR7 W"},  // zero-width space, right-to-left mark
        {"中文 \U0001F600 \x80\x41\xE2\x82", "?? ? ?A?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToASCII(c.first), c.second) << c.first;
    }
    for (unsigned int c = 0x80; c < 0x3000; ++c) {
        const VeskTest::Bytes utf8 = Convert(VeskTest::eEncoder, UTF32_To_UTF8, {c});
        for (char a : ToASCII(std::string(utf8.begin(), utf8.end()))) {
            ASSERT_TRUE(((a >= 0x20 && a < 0x7F) || a == '\n') && a != '@' && a != '`') << c;
        }
    }
}

}  // namespace
