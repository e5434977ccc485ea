// Transliteration to ASCII: the Latin-1 table, TranslateLatin1ToASCII and UTF8_To_ASCII.
#include <vesk/utfconvert.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "text/textsupport.h"

namespace {

std::string ToASCII(const std::string& utf8, unsigned short size = 0) {
    const unsigned char* src = reinterpret_cast<const unsigned char*>(utf8.c_str());
    const unsigned short needed = UTF8_To_ASCII(src, nullptr, 0);
    if (size == 0) {
        size = needed;
    }
    VeskTest::CGuardedOutput<unsigned char> out(size);
    const unsigned short result = UTF8_To_ASCII(src, out.data(), size);
    EXPECT_TRUE(out.GuardsIntact());
    if (size >= needed) {
        EXPECT_EQ(result, needed) << utf8;
    }
    return reinterpret_cast<const char*>(out.data());
}

TEST(Latin1ToASCIITable, EveryEntry) {
    const std::vector<unsigned int> empty = {0xAA, 0xAD, 0xAF, 0xBA};
    int longest = 0;
    for (unsigned int code = 0x80; code <= 0xFF; ++code) {
        SCOPED_TRACE(code);
        const sLatin1ToASCIIEntry_t& entry = Latin1ToASCIITableArray[code - 0x80];
        ASSERT_NE(entry.text, nullptr);
        EXPECT_EQ(static_cast<size_t>(entry.length), std::strlen(entry.text));
        for (const char* p = entry.text; *p != 0; ++p) {
            EXPECT_TRUE(*p >= 0x20 && *p < 0x7F);
        }
        const bool none =
            code <= 0xA0 || std::find(empty.begin(), empty.end(), code) != empty.end();
        EXPECT_EQ(entry.length == 0, none);
        longest = entry.length > longest ? entry.length : longest;
        // UTF8_To_ASCII hands the character to the table.
        const char utf8[] = {static_cast<char>(0xC0 | (code >> 6)),
                             static_cast<char>(0x80 | (code & 0x3F)), 0};
        EXPECT_EQ(ToASCII(utf8), entry.text);
    }
    EXPECT_EQ(longest, 7);
    EXPECT_STREQ(Latin1ToASCIITableArray[0xDF - 0x80].text, "ss");
    EXPECT_STREQ(Latin1ToASCIITableArray[0xA9 - 0x80].text, "(c)");
    EXPECT_STREQ(Latin1ToASCIITableArray[0xD8 - 0x80].text, "OE");
    EXPECT_STREQ(Latin1ToASCIITableArray[0xA6 - 0x80].text, "|");
}

struct sTranslateCase_t {
    unsigned char code;
    unsigned int size;
    const char* written;
    unsigned int result;
};

TEST(TranslateLatin1ToASCII, CutsToSize) {
    const sTranslateCase_t cases[] = {
        {0xDF, 10, "ss", 2},     {0xDF, 1, "s", 1},         {0xDF, 0, "s", 1}, {0xA7, 3, "Sec", 3},
        {0xA7, 7, "Section", 7}, {0xA7, 100, "Section", 7}, {0x41, 0, "A", 1}, {0x00, 0, "", 1},
        {0xC4, 0, "A", 1},       {0xA0, 5, "", 0},
    };
    for (const sTranslateCase_t& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.code));
        SCOPED_TRACE(c.size);
        unsigned char dst[16];
        std::memset(dst, 0x5A, sizeof dst);
        EXPECT_EQ(TranslateLatin1ToASCII(c.code, dst, c.size), c.result);
        const size_t written = std::strlen(c.written);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(dst), written), c.written);
        EXPECT_EQ(dst[written > 0 ? written : 1], 0x5A);  // nothing beyond
    }
}

TEST(UTF8ToASCII, Transliterations) {
    const std::pair<const char*, const char*> cases[] = {
        {"Größe", "Grosse"},
        {"\xC2\xA0"
         "A",
         "A"},  // the no-break space is dropped
        {"©", "(c)"},
        {"Łódź", "Lodz"},
        {"Dvořák", "Dvorak"},
        {"Œuvre", "OEuvre"},
        {"Ĳssel", "IJssel"},
        {"Ștefan Țiriac", "Stefan Tiriac"},
        {"ǅemal", "Dzemal"},
        {"Nguyễn Thị Minh Khai", "Nguyen Thi Minh Khai"},
        {"ẞ", "SS"},
        {"“quoted” ‘text’ – a—b…", "\"quoted\" 'text' - a-b..."},
        {"• item ‰", "* item %o"},
        {"a\xE2\x80\x8B"
         "b\xE2\x80\x8F",
         "ab"},  // zero-width space, right-to-left mark
        {"€5 ₹7 ₩", "EUR5 INR7 W"},
        {"中文 \xF0\x9F\x98\x80", "?? ?"},
        {"\x80"
         "A\xE2\x82",
         "?A?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ToASCII(c.first), c.second) << c.first;
    }
}

TEST(UTF8ToASCII, TruncationKeepsSizeMinusOne) {
    EXPECT_EQ(ToASCII("Größe", 7), "Grosse");
    EXPECT_EQ(ToASCII("Größe", 6), "Gross");
    EXPECT_EQ(ToASCII("Größe", 5), "Gros");  // "ss" ended at the edge and lost its last s
    EXPECT_EQ(ToASCII("Größe", 4), "Gro");   // "ss" cut to "s", then replaced by the zero
    EXPECT_EQ(ToASCII("a€", 3), "aE");       // "EUR" cut to "EU", then the zero
    EXPECT_EQ(ToASCII("a€", 4), "aEU");
    const unsigned char* src = reinterpret_cast<const unsigned char*>("Größe");
    unsigned char out[8];
    EXPECT_EQ(UTF8_To_ASCII(src, out, 5), 5);
    EXPECT_EQ(UTF8_To_ASCII(src, nullptr, 0), 7);
}

// Every code point of the transliterated blocks gives printable ASCII (or a line break), and the
// sizing pass counts exactly what the fill pass writes.
TEST(UTF8ToASCII, EveryCodePointUpToU3000) {
    for (unsigned int c = 0x80; c < 0x3000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        std::vector<unsigned char> utf8;
        VeskTest::AppendUTF8(utf8, c);
        utf8.push_back(0);
        const unsigned short needed = UTF8_To_ASCII(utf8.data(), nullptr, 0);
        ASSERT_GE(needed, 1);
        ASSERT_LE(needed, 8);
        unsigned char out[8];
        ASSERT_EQ(UTF8_To_ASCII(utf8.data(), out, needed), needed) << c;
        for (unsigned short i = 0; i + 1 < needed; ++i) {
            ASSERT_TRUE((out[i] >= 0x20 && out[i] < 0x7F) || out[i] == '\n') << c;
            ASSERT_TRUE(out[i] != '@' && out[i] != '`') << c;
        }
    }
}

}  // namespace
