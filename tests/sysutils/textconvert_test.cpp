// Narrow/wide conversions, numbers to and from text (at the buffer limits), case and splitting.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include <vesk/sysutils.h>

using Vesk::CSysUtils;

namespace {

TEST(TextConvert, WideningAndNarrowingGoUnitByUnit) {
    const std::string bytes = "A\xC3\xA9\xFF";
    const std::wstring wide = {L'A', wchar_t(0xC3), wchar_t(0xA9), wchar_t(0xFF)};
    EXPECT_EQ(CSysUtils::AsciiToUnicode(bytes), wide);
    EXPECT_EQ(CSysUtils::UTF8ToUnicode(bytes), wide);
    EXPECT_EQ(CSysUtils::TStringToUnicode(bytes), wide);

    const std::wstring high = {wchar_t(0xE9), wchar_t(0x20AC), wchar_t(0x141), L'z'};
    EXPECT_EQ(CSysUtils::UnicodeToAscii(high), "\xE9\xAC\x41z");
    EXPECT_EQ(CSysUtils::UnicodeToUTF8(high), "\xE9\xAC\x41z");
    EXPECT_EQ(CSysUtils::UnicodeToTString(high), "\xE9\xAC\x41z");

    const std::string withZero("a\0b", 3);
    EXPECT_EQ(CSysUtils::UnicodeToAscii(CSysUtils::AsciiToUnicode(withZero)), withZero);
    EXPECT_EQ(CSysUtils::AsciiToTString(withZero), withZero);
    EXPECT_EQ(CSysUtils::TStringToUTF8(CSysUtils::UTF8ToTString(withZero)), withZero);
    EXPECT_EQ(CSysUtils::TStringToAscii(withZero), withZero);
}

TEST(TextConvert, IntegersToText) {
    EXPECT_EQ(CSysUtils::LongToString(-2147483647L - 1), "-2147483648");
    EXPECT_EQ(CSysUtils::LongToString(LONG_MIN), std::to_string(LONG_MIN));
    EXPECT_EQ(CSysUtils::LongToString(LONG_MAX), std::to_string(LONG_MAX));
    EXPECT_EQ(CSysUtils::Int64ToString(LLONG_MIN), "-9223372036854775808");
    EXPECT_EQ(CSysUtils::Int64ToString(LLONG_MAX), "9223372036854775807");
    EXPECT_EQ(CSysUtils::Int64ToString(0), "0");
}

TEST(TextConvert, DoubleToTextPrecisionAndCut) {
    const struct {
        double value;
        int precision;
        const char* text;
    } cases[] = {
        {3.14159, 2, "3.14"},
        {3.14159, 0, "3"},
        {3.14159, -1, "3.141590"},
        {3.14159, 10, "3.141590"},
        {3.14159, INT_MIN, "3.141590"},
        {1234567890.5, -1, "1234567890.50000"},  // 16 characters: one decimal lost
        {-123456789.5, -1, "-123456789.50000"},
        {123456789.5, -1, "123456789.500000"},   // exactly 16 characters: nothing lost
        {1e15, 9, "1000000000000000.00000000"},  // precision + 16 characters
        {1e16, 0, "1000000000000000"},           // precision 0: sixteen digits kept
        {-0.5, 1, "-0.5"},
        {2.5, 9, "2.500000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CSysUtils::DoubleToString(c.value, c.precision), c.text)
            << c.value << " precision " << c.precision;
    }
    EXPECT_EQ(CSysUtils::DoubleToString(1e300, -1), "1000000000000000");
}

TEST(TextConvert, StringToLongSuccessFlag) {
    const struct {
        const char* text;
        int base;
        long value;
        bool success;
    } cases[] = {
        {"42", 10, 42, true}, {"42 ", 10, 42, false},  {" 42", 10, 42, true}, {"x", 10, 0, false},
        {"", 10, 0, true},    {"0x1F", 16, 31, true},  {"0x1F", 0, 31, true}, {"017", 0, 15, true},
        {"-8", 10, -8, true}, {"12ab", 10, 12, false}, {"ff", 16, 255, true},
    };
    for (const auto& c : cases) {
        bool success = !c.success;
        EXPECT_EQ(CSysUtils::StringToLong(c.text, c.base, &success), c.value) << c.text;
        EXPECT_EQ(success, c.success) << c.text;
        EXPECT_EQ(CSysUtils::StringToLong(c.text, c.base, nullptr), c.value);
    }
    bool success = false;
    EXPECT_EQ(CSysUtils::StringToLong("99999999999999999999", 10, &success), LONG_MAX);
    EXPECT_TRUE(success);
    EXPECT_EQ(CSysUtils::StringToLong("-99999999999999999999", 10, &success), LONG_MIN);
    EXPECT_TRUE(success);
    EXPECT_EQ(CSysUtils::StringToLong(std::string("7\0"
                                                  "1",
                                                  3),
                                      10, &success),
              7);
    EXPECT_FALSE(success);  // the embedded zero is not the end of the text
}

TEST(TextConvert, StringToDoubleSuccessFlag) {
    bool success = false;
    EXPECT_EQ(CSysUtils::StringToDouble("2.5e3", &success), 2500.0);
    EXPECT_TRUE(success);
    EXPECT_EQ(CSysUtils::StringToDouble("2,5", &success), 2.0);
    EXPECT_FALSE(success);
    EXPECT_EQ(CSysUtils::StringToDouble("abc", &success), 0.0);
    EXPECT_FALSE(success);
    EXPECT_EQ(CSysUtils::StringToDouble(" -0.25", nullptr), -0.25);
}

TEST(TextConvert, CaseChangesOnlyAsciiLetters) {
    std::string text =
        "stra\xC3\x9F"
        "e 1a [@`{]";
    CSysUtils::ToUpper(text);
    EXPECT_EQ(text,
              "STRA\xC3\x9F"
              "E 1A [@`{]");
    CSysUtils::ToLower(text);
    EXPECT_EQ(text,
              "stra\xC3\x9F"
              "e 1a [@`{]");
    for (int byte = 0; byte < 256; ++byte) {
        std::string one(1, static_cast<char>(byte));
        std::string upper = one;
        CSysUtils::ToUpper(upper);
        CSysUtils::ToLower(one);
        const bool lower = byte >= 'a' && byte <= 'z';
        const bool capital = byte >= 'A' && byte <= 'Z';
        EXPECT_EQ(static_cast<unsigned char>(upper[0]), lower ? byte - 32 : byte);
        EXPECT_EQ(static_cast<unsigned char>(one[0]), capital ? byte + 32 : byte);
    }
}

TEST(TextConvert, SplitPieces) {
    using Pieces = std::vector<std::string>;
    const struct {
        const char* text;
        const char* delimiter;
        Pieces pieces;
    } cases[] = {
        {"a,b,,c", ",", {"a", "b", "", "c"}},
        {",a,", ",", {"", "a", ""}},
        {"abc", ",", {"abc"}},
        {"", ",", {}},
        {",", ",", {"", ""}},
        {"a::b", "::", {"a", "b"}},
        {"a:b", "::", {"a:b"}},
        {"a:::b", "::", {"a", ":b"}},
        {"aaaa", "aa", {"", "", ""}},
        {"abc", "", {"abc"}},
        {"", "", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CSysUtils::SplitString(c.text, c.delimiter), c.pieces)
            << '"' << c.text << "\" at \"" << c.delimiter << '"';
    }
}

}  // namespace
