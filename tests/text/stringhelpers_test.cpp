// SPDX-License-Identifier: Apache-2.0
// DornCommon string helpers: narrowing and widening, "C" locale case mapping and white space,
// replacement of the first or every occurrence; narrow and wide alike.
#include <vesk/stringhelpers.h>

#include <gtest/gtest.h>

#include <string>

namespace {

using DornCommon::toASCII;
using DornCommon::toUNICODE;

TEST(StringHelpers, NarrowWidenAndCase) {
    EXPECT_EQ(toASCII(std::wstring{0x48, 0xE9, 0x20AC}), "\x48\xE9\xAC");
    EXPECT_EQ(toUNICODE("\x48\xC3\xA9"), (std::wstring{0x48, 0xC3, 0xA9}));
    std::string lower = "@AZ[`az{\xC0\xE0\xFF", upper = lower;
    DornCommon::ToLowerInPlace(lower);
    DornCommon::ToUpperInPlace(upper);
    EXPECT_EQ(lower + upper, "@az[`az{\xC0\xE0\xFF@AZ[`AZ{\xC0\xE0\xFF");
}

TEST(StringHelpers, ReplaceAndReplaceAll) {
    const struct {
        const char *text, *pattern, *replacement, *first, *all;  // after replace, replaceAll
        int count;
    } cases[] = {
        {"abcabc", "bc", "X", "aXabc", "aXaX", 2},   {"abcabc", "zz", "X", "abcabc", "abcabc", 0},
        {"abcabc", "", "X", "Xabcabc", "abcabc", 0}, {"aaa", "a", "aa", "aaaa", "aaaaaa", 3},
        {"aabb", "ab", "", "ab", "ab", 1},           {"abab", "ab", "", "ab", "", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + " / " + c.pattern + " / " + c.replacement);
        std::string first = c.text, all = first;
        std::wstring wideFirst = toUNICODE(first), wideAll = wideFirst;
        const std::wstring pattern = toUNICODE(c.pattern), replacement = toUNICODE(c.replacement);
        const bool found = first != c.first;
        EXPECT_EQ(DornCommon::replace(first, c.pattern, c.replacement), found);
        EXPECT_EQ(DornCommon::replace(wideFirst, pattern, replacement), found);
        EXPECT_EQ(DornCommon::replaceAll(all, c.pattern, c.replacement), c.count);
        EXPECT_EQ(DornCommon::replaceAll(wideAll, pattern, replacement), c.count);
        const std::string expected = std::string(c.first) + "|" + c.all;
        EXPECT_EQ(first + "|" + all + "|" + toASCII(wideFirst + L"|" + wideAll),
                  expected + "|" + expected);
    }
}

// White space is 0x09-0x0D and 0x20 only, by the whole value of a wide character.
TEST(StringHelpers, Trim) {
    const char* const cases[][2] = {
        {" \t\x0B\x61 b\r\n\x0C", "a b"},     {"  ", ""}, {"", ""}, {"\x08x\x0E", "\x08x\x0E"},
        {"\x1F\xA0x\x85!", "\x1F\xA0x\x85!"},
    };
    for (const auto& c : cases) {
        std::string narrow = c[0];
        std::wstring wide = toUNICODE(narrow);
        DornCommon::trimString(narrow);
        DornCommon::trimString(wide);
        EXPECT_EQ(narrow + "|" + toASCII(wide), std::string(c[1]) + "|" + c[1]);
    }
    std::wstring wide{0x120, 0x2003, 0x61, 0x10020, 0x20};
    DornCommon::trimString(wide);
    EXPECT_EQ(wide, (std::wstring{0x120, 0x2003, 0x61, 0x10020}));
}

}  // namespace
