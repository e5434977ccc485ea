// Case tables of the UTF-8 decoders and encoders, one line per code point.
#include <vesk/utfconvert.h>

#include <gtest/gtest.h>

#include <vector>

#include "text/textsupport.h"

namespace {

using VeskTest::Hex;
using VeskTest::Terminated;

struct sDecodeCase_t {
    const char* name;
    std::vector<unsigned char> input;  // without the terminating zero
    std::vector<unsigned int> values;  // decoded characters, without the terminating zero
};

const std::vector<sDecodeCase_t> kDecodeCases = {
    {"U+007F last one-byte", {0x7F}, {0x7F}},
    {"U+0080 first two-byte", {0xC2, 0x80}, {0x80}},
    {"U+00E9 in hello", {0x68, 0xC3, 0xA9, 0x6C, 0x6C, 0x6F}, {0x68, 0xE9, 0x6C, 0x6C, 0x6F}},
    {"U+07FF last two-byte", {0xDF, 0xBF}, {0x7FF}},
    {"U+0800 first three-byte", {0xE0, 0xA0, 0x80}, {0x800}},
    {"U+D7FF", {0xED, 0x9F, 0xBF}, {0xD7FF}},
    {"U+D800 surrogate kept", {0xED, 0xA0, 0x80}, {0xD800}},
    {"U+FEFF byte-order mark kept", {0xEF, 0xBB, 0xBF, 0x41}, {0xFEFF, 0x41}},
    {"U+FFFF last three-byte", {0xEF, 0xBF, 0xBF}, {0xFFFF}},
    {"U+10000 first four-byte", {0xF0, 0x90, 0x80, 0x80}, {0x10000}},
    {"U+10FFFF", {0xF4, 0x8F, 0xBF, 0xBF}, {0x10FFFF}},
    {"U+1FFFFF last four-byte", {0xF7, 0xBF, 0xBF, 0xBF}, {0x1FFFFF}},
    {"U+200000 first five-byte", {0xF8, 0x88, 0x80, 0x80, 0x80}, {0x200000}},
    {"U+3FFFFFF last five-byte", {0xFB, 0xBF, 0xBF, 0xBF, 0xBF}, {0x3FFFFFF}},
    {"U+4000000 first six-byte", {0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}, {0x4000000}},
    {"U+500000 six-byte", {0xFC, 0x80, 0x94, 0x80, 0x80, 0x80, 0x41}, {0x500000, 0x41}},
    {"U+7FFFFFFF last six-byte", {0xFD, 0xBF, 0xBF, 0xBF, 0xBF, 0xBF}, {0x7FFFFFFF}},
    {"overlong zero C0 80 ends the input", {0xC0, 0x80, 0x41}, {}},
    {"overlong U+0001 accepted", {0xE0, 0x80, 0x81}, {0x01}},
    {"following byte not validated", {0xC3, 0x41, 0x42}, {0xC1, 0x42}},
    {"stray 0x80", {0x80, 0x41}, {0xFFFD, 0x41}},
    {"0xFE", {0xFE, 0x41}, {0xFFFD, 0x41}},
    {"0xFF", {0xFF, 0xFF}, {0xFFFD, 0xFFFD}},
    {"two-byte cut by the terminator", {0x41, 0xC3}, {0x41, 0xFFFD}},
    {"three-byte cut by the terminator", {0xE2, 0x82}, {0xFFFD}},
    {"six-byte cut by the terminator", {0xFC, 0x80, 0x80}, {0xFFFD}},
};

template <class Out>
std::vector<Out> Decode(unsigned short (*routine)(const unsigned char*, Out*, unsigned short),
                        const std::vector<unsigned char>& input, unsigned short* count) {
    const std::vector<unsigned char> src = Terminated(input);
    const unsigned short needed = routine(src.data(), nullptr, 0);
    std::vector<Out> out(needed + 4u, static_cast<Out>(0x5A));
    *count = routine(src.data(), out.data(), needed);
    EXPECT_EQ(*count, needed);
    out.resize(*count);
    return out;
}

TEST(UTF8Decoders, CaseTable) {
    for (const sDecodeCase_t& c : kDecodeCases) {
        SCOPED_TRACE(c.name);
        std::vector<unsigned int> expected32 = Terminated(c.values);
        std::vector<unsigned short> expected16;
        std::vector<unsigned char> expectedLatin1;
        for (unsigned int v : expected32) {
            expected16.push_back(static_cast<unsigned short>(v > 0xFFFF ? 0xFFFD : v));
            expectedLatin1.push_back(static_cast<unsigned char>(v > 0xFF ? '?' : v));
        }
        unsigned short count = 0;
        EXPECT_EQ(Hex(Decode(UTF8_To_UTF32, c.input, &count)), Hex(expected32));
        EXPECT_EQ(Hex(Decode(UTF8_To_UTF16, c.input, &count)), Hex(expected16));
        EXPECT_EQ(Hex(Decode(UTF8_To_Latin1, c.input, &count)), Hex(expectedLatin1));
    }
}

// Every lead byte followed by five bytes BF: the announced length decides how many following
// bytes are taken, the rest are stray bytes.
TEST(UTF8Decoders, EveryLeadByte) {
    for (unsigned int b = 1; b < 256; ++b) {
        SCOPED_TRACE(b);
        unsigned int length = 0;
        unsigned int payload = 0;
        if (b < 0x80) {
            length = 1, payload = b;
        } else if (b >= 0xC0 && b <= 0xDF) {
            length = 2, payload = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, payload = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF7) {
            length = 4, payload = b & 0x07;
        } else if (b >= 0xF8 && b <= 0xFB) {
            length = 5, payload = b & 0x03;
        } else if (b >= 0xFC && b <= 0xFD) {
            length = 6, payload = b & 0x01;
        }
        std::vector<unsigned int> expected;
        unsigned int strays = 5;
        if (length == 0) {
            expected.push_back(0xFFFD);
        } else {
            const unsigned int bits = 6 * (length - 1);
            expected.push_back((payload << bits) | ((1u << bits) - 1));
            strays = 6 - length;
        }
        expected.insert(expected.end(), strays, 0xFFFD);
        unsigned short count = 0;
        const std::vector<unsigned char> input = {
            static_cast<unsigned char>(b), 0xBF, 0xBF, 0xBF, 0xBF, 0xBF};
        EXPECT_EQ(Hex(Decode(UTF8_To_UTF32, input, &count)), Hex(Terminated(expected)));
    }
}

struct sEncodeCase_t {
    const char* name;
    std::vector<unsigned int> values;
    std::vector<unsigned char> bytes;
};

const std::vector<sEncodeCase_t> kEncodeCases = {
    {"U+007F", {0x7F}, {0x7F}},
    {"U+0080", {0x80}, {0xC2, 0x80}},
    {"U+07FF", {0x7FF}, {0xDF, 0xBF}},
    {"U+0800", {0x800}, {0xE0, 0xA0, 0x80}},
    {"U+20AC", {0x20AC}, {0xE2, 0x82, 0xAC}},
    {"U+D83D U+DE00 unpaired", {0xD83D, 0xDE00}, {0xED, 0xA0, 0xBD, 0xED, 0xB8, 0x80}},
    {"U+FFFF", {0xFFFF}, {0xEF, 0xBF, 0xBF}},
    {"U+10000", {0x10000}, {0xF0, 0x90, 0x80, 0x80}},
    {"U+10FFFF", {0x10FFFF}, {0xF4, 0x8F, 0xBF, 0xBF}},
    {"U+1FFFFF", {0x1FFFFF}, {0xF7, 0xBF, 0xBF, 0xBF}},
    {"U+200000", {0x200000}, {0xF8, 0x88, 0x80, 0x80, 0x80}},
    {"U+3FFFFF", {0x3FFFFF}, {0xF8, 0x8F, 0xBF, 0xBF, 0xBF}},
    {"U+400000", {0x400000}, {0xFC, 0x80, 0x90, 0x80, 0x80, 0x80}},
    {"U+7FFFFF", {0x7FFFFF}, {0xFC, 0x80, 0x9F, 0xBF, 0xBF, 0xBF}},
    {"U+800000 skipped", {0x41, 0x800000, 0x42}, {0x41, 0x42}},
    {"0xFFFFFFFF skipped", {0xFFFFFFFF}, {}},
};

template <class In>
std::vector<unsigned char> Encode(unsigned short (*routine)(const In*, unsigned char*,
                                                            unsigned short),
                                  const std::vector<unsigned int>& values) {
    std::vector<In> src;
    for (unsigned int v : values) {
        src.push_back(static_cast<In>(v));
    }
    src.push_back(0);
    const unsigned short needed = routine(src.data(), nullptr, 0);
    std::vector<unsigned char> out(needed + 4u, 0x5A);
    EXPECT_EQ(routine(src.data(), out.data(), needed), needed);
    out.resize(needed);
    return out;
}

TEST(UTF8Encoders, CaseTable) {
    for (const sEncodeCase_t& c : kEncodeCases) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> expected = Terminated(c.bytes);
        EXPECT_EQ(Hex(Encode(UTF32_To_UTF8, c.values)), Hex(expected));
        unsigned int largest = 0;
        for (unsigned int v : c.values) {
            largest = v > largest ? v : largest;
        }
        if (largest <= 0xFFFF) {
            EXPECT_EQ(Hex(Encode(UTF16_To_UTF8, c.values)), Hex(expected));
        }
        if (largest <= 0xFF) {
            EXPECT_EQ(Hex(Encode(Latin1_To_UTF8, c.values)), Hex(expected));
        }
    }
}

// The one-unit-per-character conversions between 16 and 32 bits.
TEST(UnitConversions, WidenAndNarrow) {
    const std::vector<unsigned int> wide = {0x41, 0xD800, 0xFFFF, 0x10000, 0x7FFFFFFF, 0};
    std::vector<unsigned short> narrow(wide.size());
    EXPECT_EQ(UTF32_To_UTF16(wide.data(), narrow.data(), 6), 6);
    const std::vector<unsigned short> expected = {0x41, 0xD800, 0xFFFF, 0xFFFD, 0xFFFD, 0};
    EXPECT_EQ(Hex(narrow), Hex(expected));
    std::vector<unsigned int> back(narrow.size());
    EXPECT_EQ(UTF16_To_UTF32(narrow.data(), back.data(), 6), 6);
    EXPECT_EQ(Hex(back), Hex(std::vector<unsigned int>(expected.begin(), expected.end())));
}

}  // namespace
