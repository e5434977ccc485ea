// DornCommon string helpers: edge tables and exhaustive byte loops against the "C" locale.
#include <vesk/stringhelpers.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace {

TEST(StringHelpers, NarrowAndWiden) {
    EXPECT_EQ(DornCommon::toASCII(std::wstring{0x48, 0xE9, 0x20AC}), std::string("\x48\xE9\xAC"));
    EXPECT_EQ(DornCommon::toUNICODE("\x48\xC3\xA9"), (std::wstring{0x48, 0xC3, 0xA9}));
    EXPECT_EQ(DornCommon::toASCII(L""), "");
    for (unsigned int b = 0; b < 256; ++b) {
        const std::string narrow(1, static_cast<char>(b));
        const std::wstring wide = DornCommon::toUNICODE(narrow);
        ASSERT_EQ(wide.size(), 1u);
        EXPECT_EQ(static_cast<unsigned int>(wide[0]), b);
        EXPECT_EQ(DornCommon::toASCII(wide), narrow);
    }
}

// Every byte maps as the "C" locale's tolower/toupper do (the tests run in the "C" locale).
TEST(StringHelpers, CaseOfEveryByte) {
    for (unsigned int b = 0; b < 256; ++b) {
        std::string lower(1, static_cast<char>(b));
        std::string upper = lower;
        DornCommon::ToLowerInPlace(lower);
        DornCommon::ToUpperInPlace(upper);
        EXPECT_EQ(static_cast<unsigned char>(lower[0]), std::tolower(static_cast<int>(b))) << b;
        EXPECT_EQ(static_cast<unsigned char>(upper[0]), std::toupper(static_cast<int>(b))) << b;
    }
    std::string text("\x61\x7A\xE9\x31");
    DornCommon::ToUpperInPlace(text);
    EXPECT_EQ(text, "\x41\x5A\xE9\x31");
}

struct sReplaceCase_t {
    const char* text;
    const char* pattern;
    const char* replacement;
    const char* first;  // after replace
    bool found;
    const char* all;  // after replaceAll
    int count;
};

TEST(StringHelpers, ReplaceTable) {
    const sReplaceCase_t cases[] = {
        {"abcabc", "bc", "X", "aXabc", true, "aXaX", 2},
        {"abcabc", "zz", "X", "abcabc", false, "abcabc", 0},
        {"abcabc", "", "X", "Xabcabc", true, "abcabc", 0},
        {"aaa", "a", "aa", "aaaa", true, "aaaaaa", 3},
        {"aabb", "ab", "", "ab", true, "ab", 1},
        {"aaaa", "aa", "b", "baa", true, "bb", 2},
        {"", "a", "b", "", false, "", 0},
        {"", "", "b", "b", true, "", 0},
        {"xyx", "x", "", "yx", true, "y", 2},
    };
    for (const sReplaceCase_t& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.pattern + " / " + c.replacement);
        std::string first = c.text;
        EXPECT_EQ(DornCommon::replace(first, c.pattern, c.replacement), c.found);
        EXPECT_EQ(first, c.first);
        std::string all = c.text;
        EXPECT_EQ(DornCommon::replaceAll(all, c.pattern, c.replacement), c.count);
        EXPECT_EQ(all, c.all);
        // The wide versions behave alike, unit for unit.
        std::wstring wide = DornCommon::toUNICODE(c.text);
        EXPECT_EQ(DornCommon::replace(wide, DornCommon::toUNICODE(c.pattern),
                                      DornCommon::toUNICODE(c.replacement)),
                  c.found);
        EXPECT_EQ(DornCommon::toASCII(wide), c.first);
        wide = DornCommon::toUNICODE(c.text);
        EXPECT_EQ(DornCommon::replaceAll(wide, DornCommon::toUNICODE(c.pattern),
                                         DornCommon::toUNICODE(c.replacement)),
                  c.count);
        EXPECT_EQ(DornCommon::toASCII(wide), c.all);
    }
}

// Inner spaces stay; wide text trims only the same byte-range spaces, so neither a wide space nor
// a unit whose low byte is a space counts.
TEST(StringHelpers, TrimKeepsInnerSpacesAndWideNonSpaces) {
    const std::pair<const char*, const char*> cases[] = {
        {"\x20\x09\x61\x20\x62\x0D\x0A", "\x61\x20\x62"}, {"  ", ""}, {"", ""}};
    for (const auto& c : cases) {
        std::string text = c.first;
        DornCommon::trimString(text);
        EXPECT_EQ(text, c.second);
    }
    std::wstring wide{0x120, 0x61, 0x20};
    DornCommon::trimString(wide);
    EXPECT_EQ(wide, (std::wstring{0x120, 0x61}));
    wide = std::wstring{0x2003, 0x109, 0x61, 0xA0, 0x10020};
    DornCommon::trimString(wide);
    EXPECT_EQ(wide.size(), 5u);
}

// Every byte at both ends: trimmed exactly when the "C" locale's isspace says so.
TEST(StringHelpers, TrimEveryByte) {
    for (unsigned int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        std::string text = std::string(1, c) + "x" + std::string(1, c);
        DornCommon::trimString(text);
        EXPECT_EQ(text, std::isspace(static_cast<int>(b)) ? std::string("x")
                                                          : std::string(1, c) + "x" + c)
            << b;
        std::wstring wide{static_cast<wchar_t>(b), L'x', static_cast<wchar_t>(b)};
        DornCommon::trimString(wide);
        EXPECT_EQ(wide.size(), std::isspace(static_cast<int>(b)) ? 1u : 3u) << b;
    }
}

}  // namespace
