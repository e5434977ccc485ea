// The sizing and fill protocol of every conversion routine: results for every buffer size, no
// unit written past the buffer, no read past the input's terminator, the 16-bit count limit, and
// the same results wherever the input lies in memory (the ASCII block path must not show).
#include <vesk/utfconvert.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

#include "text/textsupport.h"

namespace {

using VeskTest::CGuardedOutput;
using VeskTest::CRandom;
using VeskTest::Hex;

enum EKind { eDecoder, eNarrowDecoder, eEncoder };

// Runs every size from 1 to needed + 2 with canary-guarded buffers and checks the result and
// the output against the full conversion.
template <class In, class Out>
void CheckEverySize(EKind kind, unsigned short (*routine)(const In*, Out*, unsigned short),
                    const In* src) {
    const auto call = [routine, src](Out* out, unsigned short size) {
        return routine(src, out, size);
    };
    const unsigned short needed = call(nullptr, 0);
    ASSERT_NE(needed, 0);
    CGuardedOutput<Out> fullBuffer(needed);
    ASSERT_EQ(call(fullBuffer.data(), needed), needed);
    const std::vector<Out> full = fullBuffer.First(needed);
    ASSERT_EQ(full.back(), 0);
    for (unsigned int size = 1; size <= needed + 2u; ++size) {
        SCOPED_TRACE(size);
        CGuardedOutput<Out> out(size);
        const unsigned short result = call(out.data(), static_cast<unsigned short>(size));
        ASSERT_TRUE(out.GuardsIntact());
        if (size >= needed) {
            ASSERT_EQ(result, needed);
            ASSERT_EQ(Hex(out.First(needed)), Hex(full));
            continue;
        }
        std::vector<Out> expected;
        if (kind == eEncoder) {
            // Whole characters only: cut before the last lead byte that leaves no room for a zero.
            std::size_t whole = size - 1;
            while (whole > 0 && (full[whole] & 0xC0) == 0x80) {
                --whole;
            }
            expected.assign(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(whole));
            ASSERT_EQ(result, whole + 1);
        } else {
            expected.assign(full.begin(), full.begin() + (size - 1));
            ASSERT_EQ(result, kind == eDecoder ? size + 1 : size);
        }
        expected.push_back(0);
        ASSERT_EQ(Hex(out.First(expected.size())), Hex(expected));
    }
}

// Mixed texts: ASCII runs long enough for the block path, two- to six-byte forms, a character
// that ends exactly at a block edge, malformed bytes and a sequence cut by the terminator.
std::vector<std::vector<unsigned char>> SampleUTF8() {
    std::vector<std::vector<unsigned char>> samples;
    samples.push_back(VeskTest::Bytes(""));
    samples.push_back(VeskTest::Bytes("h\xC3\xA9llo"));
    samples.push_back(VeskTest::Bytes(
        "Gr\xC3\xB6\xC3\x9F"
        "e und Ma\xC3\x9F, (c) \xC2\xA9 2024 \xE2\x80\x94 \xE2\x82\xAC 5, "
        "\xC5\x81\xC3\xB3\x64\xC5\xBA, \xE4\xB8\xAD\xE6\x96\x87, \xF0\x9F\x98\x80 and a rather "
        "long plain ASCII tail that spans several blocks of the fast path."));
    samples.push_back(
        VeskTest::Bytes("\xF8\x8C\x80\x80\x80 \xFC\x80\x94\x80\x80\x80 \x80\xFE\xFF"
                        "abcdefghijklmnopqrstuvwxyz0123456789ABCDEF\xE2\x82"));
    return samples;
}

TEST(ConversionProtocol, UTF8DecodersEverySize) {
    for (std::vector<unsigned char> text : SampleUTF8()) {
        text.push_back(0);
        SCOPED_TRACE(Hex(text));
        CheckEverySize(eDecoder, UTF8_To_UTF16, text.data());
        CheckEverySize(eDecoder, UTF8_To_UTF32, text.data());
        CheckEverySize(eNarrowDecoder, UTF8_To_Latin1, text.data());
        CheckEverySize(eNarrowDecoder, UTF8_To_ASCII, text.data());
    }
}

TEST(ConversionProtocol, EncodersAndUnitConversionsEverySize) {
    const std::vector<unsigned int> values = {0x61,    0xE9,     0x20AC,   0x41,     0xD800,
                                              0x10000, 0x300000, 0x500000, 0x800000, 0x62,
                                              0xFF,    0x7FF,    0x800,    0};
    const std::vector<unsigned short> units16(values.begin(), values.end());
    const std::vector<unsigned char> latin1(values.begin(), values.end());
    CheckEverySize(eEncoder, UTF32_To_UTF8, values.data());
    CheckEverySize(eEncoder, UTF16_To_UTF8, units16.data());
    CheckEverySize(eEncoder, Latin1_To_UTF8, latin1.data());
    CheckEverySize(eDecoder, UTF32_To_UTF16, values.data());
    CheckEverySize(eDecoder, UTF16_To_UTF32, units16.data());
}

// Inputs that end right before an unreadable page: a read past the terminator faults. The
// ASCII run before each end makes the block path reach the last block of the page.
TEST(ConversionProtocol, NeverReadsPastTheTerminator) {
    VeskTest::CPageEndInput page;
    ASSERT_TRUE(page.Ready());
    const char* tails[] = {
        "",     "\xC3",     "\xE2\x82", "\xF0\x9F\x98", "\xFC\x80\x80\x80\x80", "\x80",
        "\xFE", "\xC3\xA9", "x"};
    for (const char* tail : tails) {
        for (std::size_t run = 0; run < 70; run += 23) {
            std::vector<unsigned char> text(run, 'a');
            for (const char* p = tail; *p != 0; ++p) {
                text.push_back(static_cast<unsigned char>(*p));
            }
            text.push_back(0);
            const unsigned char* src = page.Place(text);
            const std::vector<unsigned int> wide(text.begin(), text.end());
            const std::vector<unsigned short> units(text.begin(), text.end());
            std::vector<unsigned int> out(text.size() * 8 + 8);
            std::vector<unsigned char> bytes(out.size());
            const auto size = static_cast<unsigned short>(out.size());
            const unsigned short results[] = {
                UTF8_To_UTF32(src, out.data(), size),
                UTF8_To_UTF16(src, nullptr, 0),
                UTF8_To_Latin1(src, bytes.data(), size),
                UTF8_To_ASCII(src, bytes.data(), size),
                Latin1_To_UTF8(src, bytes.data(), size),
                UTF32_To_UTF8(page.Place(wide), bytes.data(), size),
                UTF16_To_UTF8(page.Place(units), nullptr, 0),
            };
            EXPECT_EQ(std::count(results, results + 7, 0), 0);
        }
    }
}

// Counts above 65,535 come back as 0; a fill pass never writes past its size.
TEST(ConversionProtocol, CountsAboveTheLimitAreZero) {
    std::vector<unsigned char> ascii(65535, 'a');
    ascii.push_back(0);  // 65,536 characters with the terminator
    EXPECT_EQ(UTF8_To_UTF32(ascii.data(), nullptr, 0), 0);
    EXPECT_EQ(UTF8_To_ASCII(ascii.data(), nullptr, 0), 0);
    EXPECT_EQ(Latin1_To_UTF8(ascii.data(), nullptr, 0), 0);
    CGuardedOutput<unsigned short> out(65535);
    EXPECT_EQ(UTF8_To_UTF16(ascii.data(), out.data(), 65535), 0);  // would be size + 1
    EXPECT_TRUE(out.GuardsIntact());
    CGuardedOutput<unsigned char> bytes(65535);
    EXPECT_EQ(UTF8_To_Latin1(ascii.data(), bytes.data(), 65535), 65535);
    EXPECT_EQ(Latin1_To_UTF8(ascii.data(), bytes.data(), 65535), 65535);
    EXPECT_TRUE(bytes.GuardsIntact());
    ascii[65534] = 0;  // 65,535 with the terminator: the largest count there is
    EXPECT_EQ(UTF8_To_UTF16(ascii.data(), nullptr, 0), 65535);
    EXPECT_EQ(UTF8_To_UTF16(ascii.data(), out.data(), 65535), 65535);
    // Two-byte characters: the byte count passes the limit long before the input ends.
    std::vector<unsigned short> wide(40000, 0xE9);
    wide.push_back(0);
    EXPECT_EQ(UTF16_To_UTF8(wide.data(), nullptr, 0), 0);
}

// The same input at every offset within two blocks: sizing and fill results are identical, so
// which parts the block path takes never changes a result.
template <class In, class Out>
void CheckEveryOffset(unsigned short (*routine)(const In*, Out*, unsigned short),
                      const std::vector<In>& text) {
    std::vector<In> storage(text.size() + 64 / sizeof(In) + 64);
    std::string reference;
    for (std::size_t offset = 0; offset < 64 / sizeof(In); ++offset) {
        std::copy(text.begin(), text.end(), storage.begin() + static_cast<std::ptrdiff_t>(offset));
        const In* src = storage.data() + offset;
        const unsigned short needed = routine(src, nullptr, 0);
        std::string results = std::to_string(needed);
        for (unsigned short size :
             {needed, static_cast<unsigned short>(needed / 2 + 1), static_cast<unsigned short>(33),
              static_cast<unsigned short>(1)}) {
            CGuardedOutput<Out> out(size);
            const unsigned short result = routine(src, out.data(), size);
            ASSERT_TRUE(out.GuardsIntact());
            results += " " + std::to_string(result) + Hex(out.First(result < size ? result : size));
        }
        if (offset == 0) {
            reference = results;
        }
        ASSERT_EQ(results, reference) << "offset " << offset;
    }
}

TEST(ConversionProtocol, SameResultAtEveryAlignment) {
    CRandom random(7);
    for (int round = 0; round < 6; ++round) {
        std::vector<unsigned char> utf8;
        std::vector<unsigned int> values;
        while (values.size() < 300) {
            const unsigned int pick = random.Below(10);
            const unsigned int c = pick < 7   ? 0x20 + random.Below(0x5F)
                                   : pick < 9 ? 0x80 + random.Below(0x780)
                                              : 0x800 + random.Below(0xD000);
            const unsigned int run = pick < 7 ? random.Below(round * 20 + 1) + 1 : 1;
            for (unsigned int i = 0; i < run; ++i) {
                VeskTest::AppendUTF8(utf8, c);
                values.push_back(c);
            }
        }
        utf8.push_back(random.Below(2) == 0 ? 0x80 : 0x41);  // a stray byte or not
        utf8.push_back(0);
        values.push_back(0);
        const std::vector<unsigned short> units(values.begin(), values.end());
        std::vector<unsigned char> latin1;
        for (unsigned int v : values) {
            latin1.push_back(static_cast<unsigned char>(v < 0x100 ? v : 0x41));
        }
        CheckEveryOffset(UTF8_To_UTF16, utf8);
        CheckEveryOffset(UTF8_To_UTF32, utf8);
        CheckEveryOffset(UTF8_To_Latin1, utf8);
        CheckEveryOffset(UTF8_To_ASCII, utf8);
        CheckEveryOffset(UTF16_To_UTF8, units);
        CheckEveryOffset(UTF32_To_UTF8, values);
        CheckEveryOffset(Latin1_To_UTF8, latin1);
    }
}

}  // namespace
