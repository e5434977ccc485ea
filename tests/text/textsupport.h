// SPDX-License-Identifier: Apache-2.0
// Convert: the one check every conversion routine goes through. It places the input so that its
// terminator lies `pad` units before an unreadable page, runs the sizing pass and fills of every
// size into buffers with canaries after them, checks that nothing is written past the size and that
// each fill gives what its kind promises, and returns the complete output without its terminator
// (empty when a check failed). A fill with room to spare must give the same and write nothing
// after the terminator. CheckText runs every routine that applies on one text.
#ifndef VESK_TESTS_TEXT_TEXTSUPPORT_H
#define VESK_TESTS_TEXT_TEXTSUPPORT_H

#include <sys/mman.h>
#include <unistd.h>
#include <vesk/utfconvert.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace VeskTest {

using Units = std::vector<unsigned int>;
using Units16 = std::vector<unsigned short>;
using Bytes = std::vector<unsigned char>;

// A fill that does not fit keeps size - 1 units and returns size + 1 (eDecoder) or size
// (eNarrowDecoder), or keeps whole UTF-8 characters only and returns the bytes kept plus the zero.
enum EKind { eDecoder, eNarrowDecoder, eEncoder };

// The end of 64 KiB of writable memory that an unreadable page follows; null if unavailable.
inline unsigned char* GuardedEnd() {
    constexpr std::size_t room = 64 * 1024;
    static const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    static auto* const base = static_cast<unsigned char*>(
        mmap(nullptr, room + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    static const bool guarded = mprotect(base + room, page, PROT_NONE) == 0;
    return guarded ? base + room : nullptr;
}

template <class In, class Out>
std::vector<Out> Convert(EKind kind, unsigned short (*routine)(const In*, Out*, unsigned short),
                         std::vector<In> input, std::size_t pad = 0) {
    std::vector<Out> checked, out;
    input.push_back(0);
    In* src = reinterpret_cast<In*>(GuardedEnd()) - pad - input.size();
    const auto fill = [&](unsigned int size) {  // the result, or ~0 after a write past size
        out.assign(size + 8u, Out(0xA5A5A5A5u));
        const unsigned int result = routine(src, out.data(), static_cast<unsigned short>(size));
        return std::count(out.begin() + size, out.end(), Out(0xA5A5A5A5u)) == 8 ? result : ~0u;
    };
    [&] {
        ASSERT_NE(GuardedEnd(), nullptr);
        std::copy(input.begin(), input.end(), src);
        const unsigned int needed = routine(src, nullptr, 0);
        ASSERT_GT(needed, 0u);
        // With room to spare, as callers with a fixed buffer convert: the same units, and
        // nothing written after the terminator.
        const unsigned int roomy = std::min(needed + 80u, 0xFFFFu);
        ASSERT_EQ(fill(roomy), needed) << "size " << roomy;
        ASSERT_EQ(std::count(out.begin() + needed, out.end(), Out(0xA5A5A5A5u)),
                  static_cast<std::ptrdiff_t>(roomy + 8 - needed))
            << "written after the terminator";
        const std::vector<Out> spacious(out.begin(), out.begin() + needed);
        ASSERT_EQ(fill(needed), needed);
        const std::vector<Out> all(out.begin(), out.begin() + needed);
        ASSERT_EQ(all, spacious);
        for (unsigned int i = 0, step = needed > 400 ? 7 : 1; i <= needed; i += step) {
            const unsigned int size = needed + 1 - i;
            std::size_t kept = std::min(size, needed) - 1;  // units before the zero
            while (kind == eEncoder && kept > 0 && (all[kept] & 0xC0) == 0x80) {
                --kept;  // back to the start of the character that no longer fits
            }
            ASSERT_EQ(fill(size),
                      kind == eEncoder ? kept + 1 : std::min(size + (kind == eDecoder), needed))
                << "size " << size;
            ASSERT_TRUE(std::equal(all.begin(), all.begin() + kept, out.begin()) && out[kept] == 0)
                << "size " << size << ", complete output " << testing::PrintToString(all);
        }
        checked.assign(all.begin(), all.end() - 1);
    }();
    return checked;
}

// UTF8_To_ASCII through Convert.
inline std::string ToASCII(const std::string& utf8, std::size_t pad = 0) {
    const Bytes out = Convert(eNarrowDecoder, UTF8_To_ASCII, Bytes(utf8.begin(), utf8.end()), pad);
    return std::string(out.begin(), out.end());
}

enum EDirection { eBoth, eDecode, eEncode };

// Every routine that applies to a text given as UTF-8 and as characters, UTF8_To_ASCII aside:
// the decoders unless eEncode, the encoders unless eDecode, each where its units can hold them.
inline void CheckText(EDirection direction, const std::string& text, const Units& values,
                      std::size_t pad = 0) {
    const Bytes utf8(text.begin(), text.end());
    Units16 units;  // a character above 0xFFFF stands as U+FFFD, one above 0xFF as '?'
    Bytes latin1;
    unsigned int largest = 0;
    for (unsigned int v : values) {
        units.push_back(static_cast<unsigned short>(v > 0xFFFF ? 0xFFFD : v));
        latin1.push_back(static_cast<unsigned char>(v > 0xFF ? '?' : v));
        largest = std::max(largest, v);
    }
    EXPECT_EQ(Convert(eDecoder, UTF32_To_UTF16, values, pad), units);
    EXPECT_EQ(Convert(eDecoder, UTF16_To_UTF32, units, pad), Units(units.begin(), units.end()));
    if (direction != eEncode) {
        EXPECT_EQ(Convert(eDecoder, UTF8_To_UTF32, utf8, pad), values);
        EXPECT_EQ(Convert(eDecoder, UTF8_To_UTF16, utf8, pad), units);
        EXPECT_EQ(Convert(eNarrowDecoder, UTF8_To_Latin1, utf8, pad), latin1);
    }
    if (direction != eDecode) {
        EXPECT_EQ(Convert(eEncoder, UTF32_To_UTF8, values, pad), utf8);
    }
    if (direction != eDecode && largest <= 0xFFFF) {
        EXPECT_EQ(Convert(eEncoder, UTF16_To_UTF8, units, pad), utf8);
    }
    if (direction != eDecode && largest <= 0xFF) {
        EXPECT_EQ(Convert(eEncoder, Latin1_To_UTF8, latin1, pad), utf8);
    }
}

}  // namespace VeskTest

#endif  // VESK_TESTS_TEXT_TEXTSUPPORT_H
