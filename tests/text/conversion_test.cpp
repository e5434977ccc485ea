// SPDX-License-Identifier: Apache-2.0
// The conversion routines: a case table of UTF-8 texts and their characters, and multilingual
// text decoded by the C library's iconv, each run through every routine that applies (see
// CheckText); ASCII runs and terminators at every offset of a block; the 16-bit count limit.
#include <vesk/utfconvert.h>

#include <gtest/gtest.h>
#include <iconv.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "text/textsupport.h"

namespace {

using namespace VeskTest;

TEST(Conversions, CaseTable) {
    const struct {
        const char* name;
        EDirection direction;
        std::string utf8;
        Units values;  // the characters, without the terminating zero
    } cases[] = {
        {"2-byte bounds", eBoth, "\x7F\xC2\x80\xC3\xA9\xDF\xBF", {0x7F, 0x80, 0xE9, 0x7FF}},
        {"3-byte, BOM", eBoth, "\xE0\xA0\x80\xEF\xBB\xBF\xEF\xBF\xBF", {0x800, 0xFEFF, 0xFFFF}},
        {"surrogates unpaired", eBoth, "\xED\xA0\xBD\xED\xB8\x80", {0xD83D, 0xDE00}},
        {"4-byte", eBoth, "\xF0\x90\x80\x80\xF7\xBF\xBF\xBF", {0x10000, 0x1FFFFF}},
        {"5-byte", eBoth, "\xF8\x88\x80\x80\x80\xF8\x8F\xBF\xBF\xBF", {0x200000, 0x3FFFFF}},
        {"6-byte", eBoth, "\xFC\x80\x90\x80\x80\x80\xFC\x80\x94\x80\x80\x80", {0x400000, 0x500000}},
        {"last 6-byte", eBoth, "\xFC\x80\x9F\xBF\xBF\xBF\x41", {0x7FFFFF, 0x41}},
        {"5-byte beyond", eDecode, "\xFB\xBF\xBF\xBF\xBF", {0x3FFFFFF}},
        {"6-byte beyond", eDecode, "\xFD\xBF\xBF\xBF\xBF\xBF", {0x7FFFFFFF}},
        {"skipped", eEncode, "AB", {0x41, 0x800000, 0xFFFFFFFF, 0x42}},
        {"overlong zero ends", eDecode, "\xC0\x80\x41", {}},
        {"3-byte overlong zero ends", eDecode, "\xE0\x80\x80\x41", {}},
        {"overlong, no check", eDecode, "\xE0\x80\x81\xC3\x41\x42", {1, 0xC1, 0x42}},
        {"stray bytes", eDecode, "\x80\xBF\xFE\xFF\x41", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0x41}},
        {"2-byte cut", eDecode, "\x41\xC3", {0x41, 0xFFFD}},
        {"3-byte cut after 1", eDecode, "\xE2", {0xFFFD}},
        {"3-byte cut after 2", eDecode, "\xE2\x82", {0xFFFD}},
        {"6-byte cut", eDecode, "\xFC\x80\x80\x80\x80", {0xFFFD}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CheckText(c.direction, c.utf8, c.values);
        // After other text, at every offset of a word of the sizing passes (the terminator's
        // distance to the page end, `pad`, sets where the case falls in its aligned vector).
        std::string utf8 = "\xE4\xB8\xAD\xC3\xA9";
        Units values = {0x4E2D, 0xE9};
        for (int k = 0; k < 18 && !HasFailure(); ++k, utf8 += 'a', values.push_back('a')) {
            Units all = values;
            all.insert(all.end(), c.values.begin(), c.values.end());
            CheckText(c.direction, utf8 + c.utf8, all, k % 16);
        }
        // Inside otherwise regular two- and three-byte text, at every offset of two 16-byte
        // vectors: the vector that holds the case must hand over at exactly its character.
        utf8.clear();
        values.clear();
        for (int k = 0; k < 34 && !HasFailure(); ++k) {
            Units all = values;
            all.insert(all.end(), c.values.begin(), c.values.end());
            // Regular text after the case: decoded unless the case ends the text (an overlong
            // zero), left out after a sequence that the terminator cuts.
            const bool cut = std::string(c.name).find("cut") != std::string::npos;
            const std::string after = cut ? "" : "\xC3\xA9\xE4\xB8\xAD\xC3\xA9\xE4\xB8\xAD\xC3\xA9";
            if (!cut && std::string(c.name).find("zero ends") == std::string::npos) {
                all.insert(all.end(), {0xE9, 0x4E2D, 0xE9, 0x4E2D, 0xE9});
            }
            CheckText(c.direction, utf8 + c.utf8 + after, all, k % 16);
            // One byte on at a time: a two-byte letter, then ASCII or a three-byte one.
            const bool odd = k % 3 == 1;
            utf8 += k % 3 == 0 ? "\xC3\xA9" : odd ? "b" : "\xE4\xB8\xAD";
            values.push_back(k % 3 == 0 ? 0xE9 : odd ? 'b' : 0x4E2D);
        }
        // Inside a run of three-byte characters (CJK text, which the vectors take five
        // characters at a time), after 0 to 15 of them: every start modulo 16.
        const bool cut = std::string(c.name).find("cut") != std::string::npos;
        const bool ends = cut || std::string(c.name).find("zero ends") != std::string::npos;
        utf8.clear();
        values.clear();
        for (int k = 0; k < 16 && !HasFailure(); ++k) {
            Units all = values;
            all.insert(all.end(), c.values.begin(), c.values.end());
            std::string after;
            for (int i = 0; i < 7 && !ends; ++i) {
                after += "\xE4\xB8\xAD";
                all.push_back(0x4E2D);
            }
            CheckText(c.direction, utf8 + c.utf8 + after, all, k % 16);
            utf8 += "\xE6\x96\x87";
            values.push_back(0x6587);
        }
    }
}

// The characters as iconv decodes them into host-order 32-bit units, under a name glibc converts
// without loadable modules (so also where only the C library is present, as under qemu).
TEST(Conversions, SameCharactersAsIconv) {
    for (std::string utf8 : {
             "Größenwahn, élève, naïve, Łódź, Dvořák, Œuvre, Ærøskøbing, Þingvellir",
             "Ελληνικά: Καλημέρα κόσμε. Русский: Съешь же ещё этих мягких французских булок.",
             "日本語のテキスト、中文文本，한국어 텍스트. עברית ועוד, العربية, हिन्दी, ไทย",
             "Tiếng Việt: Nguyễn Thị — “quoted” … € ₹ \uFFFD \uE000 \U0001F600 \U00010348",
         }) {
        SCOPED_TRACE(utf8);
        Units values(utf8.size());
        char *in = &utf8[0], *out = reinterpret_cast<char*>(values.data());
        std::size_t inLeft = utf8.size(), outLeft = values.size() * 4;
        iconv_t cd = iconv_open("WCHAR_T", "UTF-8");
        ASSERT_NE(iconv(cd, &in, &inLeft, &out, &outLeft), static_cast<std::size_t>(-1)) << utf8;
        iconv_close(cd);
        values.resize(values.size() - outLeft / 4);
        CheckText(eBoth, utf8, values);
    }
}

// ASCII runs of every length ending, and terminators falling, at every offset of a block of the
// fast paths: a run alone, and a run followed by a character beyond ASCII and a second run.
TEST(Conversions, RunsEndingAtEveryOffset) {
    for (std::size_t pad = 0; pad < 32 && !HasFailure(); ++pad) {
        for (std::string run; run.size() <= 40 && !HasFailure(); run += 'a' + run.size() % 26) {
            SCOPED_TRACE("run " + std::to_string(run.size()) + ", pad " + std::to_string(pad));
            Units values(run.begin(), run.end());
            CheckText(eBoth, run, values, pad);
            EXPECT_EQ(ToASCII(run, pad), run);
            values.insert(values.end(), {0xE9, 'x', 'y'});
            CheckText(eBoth, run + "\xC3\xA9xy", values, pad);
            EXPECT_EQ(ToASCII(run + "\xC3\xA9xy", pad), run + "exy");
        }
    }
}

// A lead byte among the last bytes of a vector, followed by a vector of ASCII: the decoder takes
// the ASCII bytes the lead announces as its following bytes, whatever they are, so the character
// ends in the next vector. At every alignment of the lead.
TEST(Conversions, LeadAtVectorEndBeforeAscii) {
    const struct {
        const char* lead;
        unsigned int value;  // the lead with 'b' (0x62) as its following bytes
    } leads[] = {{"\xC3", 0xE2}, {"\xE4", 0x48A2}, {"\xE4\xB8", 0x4E22}};
    for (const auto& lead : leads) {
        std::string text;
        Units values;
        for (int k = 0; k < 34 && !HasFailure(); ++k, text += 'a', values.push_back('a')) {
            SCOPED_TRACE(std::to_string(k) + " letters before " +
                         testing::PrintToString(lead.lead));
            Units all = values;
            all.push_back(lead.value);
            const std::size_t announced = lead.lead[0] == '\xC3' ? 1 : 3 - std::strlen(lead.lead);
            all.insert(all.end(), 40 - announced, 'b');
            // The terminator's distance to the page end sets the lead's place in its vector.
            CheckText(eDecode, text + lead.lead + std::string(40, 'b'), all, k % 16);
        }
    }
}

// Runs of three-byte characters (the vectors of CJK text) of every length up to three vectors,
// at every alignment, alone and followed by a two-byte letter and ASCII, or by a four-byte one.
TEST(Conversions, CjkRunsEndingAtEveryOffset) {
    for (std::size_t pad = 0; pad < 16 && !HasFailure(); ++pad) {
        std::string run;
        Units values;
        for (unsigned int n = 0; n <= 26 && !HasFailure(); ++n) {
            SCOPED_TRACE("run " + std::to_string(n) + ", pad " + std::to_string(pad));
            CheckText(eBoth, run, values, pad);
            Units more = values;
            more.insert(more.end(), {0xE9, 'x', 0x4E2D});
            CheckText(eBoth, run + "\xC3\xA9x\xE4\xB8\xAD", more, pad);
            // A four-byte character, whose low 16 bits alone would read as a three-byte one.
            more = values;
            more.insert(more.end(), {0x1F600, 0x4E2D});
            CheckText(eBoth, run + "\xF0\x9F\x98\x80\xE4\xB8\xAD", more, pad);
            const unsigned int c = 0x4E00 + n * 0x111;  // U+4E00 to U+5A1A
            run +=
                {static_cast<char>(0xE0 | (c >> 12)), static_cast<char>(0x80 | ((c >> 6) & 0x3F)),
                 static_cast<char>(0x80 | (c & 0x3F))};
            values.push_back(c);
        }
    }
}

// Counts are 16-bit: a pass whose count would pass 65,535 returns 0, and a fill still writes
// nothing past its size.
TEST(Conversions, CountsAboveTheLimitAreZero) {
    Bytes text(65536, 'a');
    text.back() = 0;  // 65,536 characters with the terminator
    EXPECT_EQ(UTF8_To_UTF32(text.data(), nullptr, 0), 0);
    EXPECT_EQ(UTF8_To_ASCII(text.data(), nullptr, 0), 0);
    Units16 out(65536, 0x5A5A);
    EXPECT_EQ(UTF8_To_UTF16(text.data(), out.data(), 65535), 0);  // size + 1 does not fit
    EXPECT_TRUE(out[65534] == 0 && out[65535] == 0x5A5A);
    text[65534] = 0;  // 65,535 with the terminator: the largest count there is
    EXPECT_EQ(UTF8_To_UTF16(text.data(), nullptr, 0), 65535);
    std::fill(text.begin(), text.begin() + 40000, 0xE9);    // two bytes each from here
    EXPECT_EQ(Latin1_To_UTF8(text.data(), nullptr, 0), 0);  // the count passes the limit midway
}

// A null input reads as the empty text; a null output with room to fill is refused with 0.
template <class In, class Out>
void CheckNullPointers(unsigned short (*routine)(const In*, Out*, unsigned short)) {
    const In text[] = {0x41, 0};
    Out out[2] = {Out(0x5A), Out(0x5A)};
    EXPECT_EQ(routine(nullptr, nullptr, 0), 1);
    EXPECT_EQ(routine(nullptr, out, 2), 1);
    EXPECT_TRUE(out[0] == 0 && out[1] == Out(0x5A));
    for (unsigned short size : {1, 2, 65535}) {
        EXPECT_EQ(routine(text, nullptr, size), 0) << size;
        EXPECT_EQ(routine(nullptr, nullptr, size), 0) << size;
    }
}

TEST(Conversions, NullPointers) {
    CheckNullPointers(UTF8_To_UTF16);
    CheckNullPointers(UTF8_To_UTF32);
    CheckNullPointers(UTF16_To_UTF8);
    CheckNullPointers(UTF32_To_UTF8);
    CheckNullPointers(UTF32_To_UTF16);
    CheckNullPointers(UTF16_To_UTF32);
    CheckNullPointers(UTF8_To_Latin1);
    CheckNullPointers(Latin1_To_UTF8);
    CheckNullPointers(UTF8_To_ASCII);
    EXPECT_EQ(TranslateLatin1ToASCII(0xDF, nullptr, 10), 0u);
}

}  // namespace
