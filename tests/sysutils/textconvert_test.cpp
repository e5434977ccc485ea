// Narrow/wide conversions, numbers to and from text at the buffer limits, case and splitting.
#include <gtest/gtest.h>

#include <climits>

#include <vesk/sysutils.h>

using Vesk::CSysUtils;

namespace {

TEST(TextConvert, WideningAndNarrowingGoUnitByUnit) {
    const std::wstring wide = {L'A', wchar_t(0xC3), wchar_t(0xA9), wchar_t(0xFF)};
    EXPECT_EQ(CSysUtils::UTF8ToUnicode("A\xC3\xA9\xFF"), wide);
    const std::wstring high = {wchar_t(0xE9), wchar_t(0x20AC), wchar_t(0x141)};
    EXPECT_EQ(CSysUtils::UnicodeToUTF8(high), "\xE9\xAC\x41");
    const std::string withZero("a\0b", 3);
    EXPECT_EQ(CSysUtils::UnicodeToTString(CSysUtils::TStringToUnicode(withZero)), withZero);
}

TEST(TextConvert, NumbersToTextAtTheBufferLimits) {
    EXPECT_EQ(CSysUtils::LongToString(-2147483647L - 1), "-2147483648");
    EXPECT_EQ(CSysUtils::LongToString(LONG_MIN), std::to_string(LONG_MIN));
    EXPECT_EQ(CSysUtils::Int64ToString(LLONG_MIN), "-9223372036854775808");
    const struct {
        double value;
        int precision;
        const char* text;
    } cases[] = {{3.14159, 2, "3.14"},
                 {3.14159, 0, "3"},
                 {3.14159, -1, "3.141590"},
                 {3.14159, 10, "3.141590"},
                 {1234567890.5, -1, "1234567890.50000"},  // cut at 16 characters
                 {123456789.5, -1, "123456789.500000"},   // exactly 16: nothing lost
                 {1e15, 9, "1000000000000000.00000000"},  // cut at precision + 16
                 {1e16, 0, "1000000000000000"},
                 {-0.5, 1, "-0.5"}};
    for (const auto& c : cases) {
        EXPECT_EQ(CSysUtils::DoubleToString(c.value, c.precision), c.text) << c.precision;
    }
}

TEST(TextConvert, StringToNumberSuccessFlag) {
    const struct {
        const char* text;
        int base;
        long value;
        bool success;
    } cases[] = {{"42", 10, 42, true},
                 {"42 ", 10, 42, false},
                 {" 42", 10, 42, true},
                 {"x", 10, 0, false},
                 {"", 10, 0, true},
                 {"0x1F", 16, 31, true},
                 {"0x1F", 0, 31, true},
                 {"017", 0, 15, true},
                 {"2147483648", 10, 2147483647, true},  // 32-bit limits on every host
                 {"0xFFFFFFFF", 0, 2147483647, true},
                 {"-99999999999999999999", 10, -2147483647 - 1, true}};
    for (const auto& c : cases) {
        bool success = !c.success;
        EXPECT_EQ(CSysUtils::StringToLong(c.text, c.base, &success), c.value) << c.text;
        EXPECT_EQ(success, c.success) << c.text;
    }
    bool success = true;
    EXPECT_EQ(CSysUtils::StringToLong(std::string("7\0"
                                                  "1",
                                                  3),
                                      10, &success),
              7);
    EXPECT_FALSE(success);  // an embedded zero is not the end of the text
    EXPECT_EQ(CSysUtils::StringToDouble("2.5e3", &success), 2500.0);
    EXPECT_TRUE(success);
    EXPECT_EQ(CSysUtils::StringToDouble("2,5", &success), 2.0);
    EXPECT_FALSE(success);
}

TEST(TextConvert, CaseChangesOnlyAsciiLetters) {
    for (int byte = 0; byte < 256; ++byte) {
        std::string lower(1, static_cast<char>(byte)), upper = lower;
        CSysUtils::ToLower(lower);
        CSysUtils::ToUpper(upper);
        EXPECT_EQ(static_cast<unsigned char>(lower[0]),
                  byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
        EXPECT_EQ(static_cast<unsigned char>(upper[0]),
                  byte >= 'a' && byte <= 'z' ? byte - 32 : byte);
    }
}

TEST(TextConvert, SplitPieces) {
    using Pieces = std::vector<std::string>;
    const struct {
        const char *text, *delimiter;
        Pieces pieces;
    } cases[] = {{"a,b,,c", ",", {"a", "b", "", "c"}},
                 {",a,", ",", {"", "a", ""}},
                 {"abc", ",", {"abc"}},
                 {"", ",", {}},
                 {",", ",", {"", ""}},
                 {"a::b", "::", {"a", "b"}},
                 {"a:b", "::", {"a:b"}},
                 {"aaaa", "aa", {"", "", ""}},
                 {"abc", "", {"abc"}},
                 {"", "", {}}};
    for (const auto& c : cases) {
        EXPECT_EQ(CSysUtils::SplitString(c.text, c.delimiter), c.pieces) << c.text << c.delimiter;
    }
}

}  // namespace
