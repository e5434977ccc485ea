// SPDX-License-Identifier: Apache-2.0
// Shared pieces of the fuzz targets: the check that stops a run, exact-size heap buffers (so the
// sanitizers see any access past a caller's buffer), a reader for the parameter bytes that lead an
// input, and an independent model of the UTF-8 forms the conversion routines read and write.
#ifndef VESK_FUZZ_SUPPORT_H
#define VESK_FUZZ_SUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

// Stops the run with a message: libFuzzer records the input as a crash, the replay program fails.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                      \
        }                                                                                      \
    } while (0)

namespace VeskFuzz {

// An array of exactly `count` units on the heap (count 0 gives a zero-size array): a read or write
// past its end is a heap overflow for AddressSanitizer and valgrind.
template <class Unit>
class CExactBuffer {
  public:
    explicit CExactBuffer(size_t count) : m_units(new Unit[count]), m_count(count) {}
    explicit CExactBuffer(const std::vector<Unit>& units) : CExactBuffer(units.size()) {
        for (size_t i = 0; i < units.size(); ++i) {
            m_units[i] = units[i];
        }
    }
    Unit* get() { return m_units.get(); }
    Unit& operator[](size_t i) { return m_units[i]; }
    size_t size() const { return m_count; }
    std::vector<Unit> Prefix(size_t count) const {
        return std::vector<Unit>(m_units.get(), m_units.get() + count);
    }

  private:
    std::unique_ptr<Unit[]> m_units;
    size_t m_count;
};

// Takes parameter bytes from the front of an input; a short input reads as zeros.
class CInputReader {
  public:
    CInputReader(const uint8_t* data, size_t size) : m_data(data), m_size(size), m_at(0) {}
    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    // The rest of the input.
    std::vector<uint8_t> Rest() {
        std::vector<uint8_t> rest(m_data + m_at, m_data + m_size);
        m_at = m_size;
        return rest;
    }

  private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at;
};

// The units of `units` up to (not including) the first zero, followed by one zero.
template <class Unit>
std::vector<Unit> ZeroTerminated(const std::vector<Unit>& units) {
    std::vector<Unit> out;
    for (Unit unit : units) {
        if (unit == 0) {
            break;
        }
        out.push_back(unit);
    }
    out.push_back(0);
    return out;
}

// Repeats the characters of a zero-terminated text (never splitting the text) until it holds at
// least `units` units; stays as it is when it holds only the terminator.
template <class Unit>
std::vector<Unit> RepeatedTo(const std::vector<Unit>& text, size_t units) {
    if (text.size() <= 1) {
        return text;
    }
    std::vector<Unit> out;
    while (out.size() < units) {
        out.insert(out.end(), text.begin(), text.end() - 1);
    }
    out.push_back(0);
    return out;
}

// Units of `bytes` read `width` bytes at a time, little-endian (a short tail is dropped).
template <class Unit>
std::vector<Unit> UnitsFromBytes(const std::vector<uint8_t>& bytes) {
    std::vector<Unit> units;
    for (size_t i = 0; i + sizeof(Unit) <= bytes.size(); i += sizeof(Unit)) {
        uint32_t value = 0;
        for (size_t b = 0; b < sizeof(Unit); ++b) {
            value |= static_cast<uint32_t>(bytes[i + b]) << (8 * b);
        }
        units.push_back(static_cast<Unit>(value));
    }
    return units;
}

// --- The UTF-8 model ------------------------------------------------------------------------

const uint32_t kReplacement = 0xFFFD;

// The characters a decoder reads from a zero-terminated UTF-8 text, the terminator excluded.
// Lead byte 0xxxxxxx, 110xxxxx ... 1111110x starts a sequence of 1 to 6 bytes; the following
// bytes give their low six bits whatever their top bits; a byte that starts nothing gives U+FFFD
// and moves on by one; a sequence cut by the terminator gives U+FFFD and ends the text; a decoded
// 0 (an overlong zero) ends the text.
inline std::vector<uint32_t> DecodeModel(const std::vector<uint8_t>& text) {
    std::vector<uint32_t> out;
    size_t at = 0;
    while (text[at] != 0) {
        const uint8_t lead = text[at];
        size_t length = 0;
        while (length < 7 && (lead & (0x80u >> length)) != 0) {
            ++length;
        }
        if (length == 1 || length == 7) {  // a following byte, 0xFE or 0xFF
            out.push_back(kReplacement);
            ++at;
            continue;
        }
        uint32_t value = length == 0 ? lead : lead & (0x7Fu >> length);
        length = length == 0 ? 1 : length;
        size_t i = 1;
        for (; i < length && text[at + i] != 0; ++i) {
            value = (value << 6) | (text[at + i] & 0x3Fu);
        }
        if (i < length) {
            out.push_back(kReplacement);
            break;
        }
        if (value == 0) {
            break;
        }
        out.push_back(value);
        at += length;
    }
    return out;
}

// Bytes an encoder writes for one value: 1 to 6, or 0 for a value it skips (above 0x7FFFFF).
inline size_t EncodedLength(uint32_t value) {
    const uint32_t limits[] = {0x7F, 0x7FF, 0xFFFF, 0x1FFFFF, 0x3FFFFF, 0x7FFFFF};
    for (size_t n = 0; n < 6; ++n) {
        if (value <= limits[n]) {
            return n + 1;
        }
    }
    return 0;
}

// Appends the encoder's form of `value`: the shortest form up to 0x1FFFFF; F8 or FC, 80 for the
// five- and six-byte forms, whose lead byte carries no payload bits; nothing above 0x7FFFFF.
inline void EncodeModel(uint32_t value, std::vector<uint8_t>& out) {
    const size_t length = EncodedLength(value);
    const uint8_t leads[] = {0, 0x00, 0xC0, 0xE0, 0xF0};
    size_t following = 0;
    if (length == 0) {
        return;
    } else if (length <= 4) {
        out.push_back(static_cast<uint8_t>(leads[length] | (value >> (6 * (length - 1)))));
        following = length - 1;
    } else {
        out.push_back(length == 5 ? 0xF8 : 0xFC);
        if (length == 6) {
            out.push_back(0x80);
        }
        out.push_back(static_cast<uint8_t>(0x80 | (value >> 18)));
        following = 3;
    }
    for (size_t i = following; i >= 1; --i) {
        out.push_back(static_cast<uint8_t>(0x80 | ((value >> (6 * (i - 1))) & 0x3F)));
    }
}

// The six-byte form of any 31-bit value, as a decoder reads it (beyond what encoders write).
inline void EncodeSixBytes(uint32_t value, std::vector<uint8_t>& out) {
    out.push_back(static_cast<uint8_t>(0xFC | ((value >> 30) & 0x01)));
    for (int shift = 24; shift >= 0; shift -= 6) {
        out.push_back(static_cast<uint8_t>(0x80 | ((value >> shift) & 0x3F)));
    }
}

// True for well-formed UTF-8 in the strict sense: shortest forms of U+0001-U+10FFFF without
// surrogates, every following byte 10xxxxxx.
inline bool IsStrictUTF8(const std::vector<uint8_t>& text) {
    size_t at = 0;
    while (text[at] != 0) {
        const uint8_t lead = text[at];
        size_t length = lead < 0x80   ? 1
                        : lead < 0xC2 ? 0
                        : lead < 0xE0 ? 2
                        : lead < 0xF0 ? 3
                        : lead < 0xF5 ? 4
                                      : 0;
        if (length == 0) {
            return false;
        }
        uint32_t value = length == 1 ? lead : lead & (0x7Fu >> length);
        for (size_t i = 1; i < length; ++i) {
            if ((text[at + i] & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (text[at + i] & 0x3Fu);
        }
        const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < minimum[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        at += length;
    }
    return true;
}

// --- Checks shared by the conversion targets ------------------------------------------------

// Whether a run repeats its text past the 16-bit count limit: parameter byte 0xFF with a text of
// at most 16 bytes. Such runs convert some 65,536 units several times, so they are kept to short
// texts (few mutants qualify) and stay a small share of a fuzzing session.
inline bool PastTheCountLimit(uint8_t parameter, size_t textBytes) {
    return parameter == 0xFF && textBytes <= 16;
}

// The result a 16-bit count reports for a pass that would count `count` units.
inline unsigned long Counted(size_t count) {
    return count > 0xFFFF ? 0 : count;
}

// Fill sizes to try below a full count: the smallest, one short, half, one from the input, and the
// largest size a count can express. A count past the 16-bit limit tries only the last two.
inline std::vector<size_t> ShortSizes(size_t full, uint8_t pick) {
    std::vector<size_t> sizes;
    const size_t candidates[] = {1 + pick % 64u,           0xFFFF, 1, 2, full - 1, full / 2,
                                 full > 70 ? full - 70 : 3};
    const size_t tried = full > 0xFFFF ? 2 : sizeof candidates / sizeof candidates[0];
    for (size_t i = 0; i < tried; ++i) {
        if (candidates[i] >= 1 && candidates[i] < full && candidates[i] <= 0xFFFF) {
            sizes.push_back(candidates[i]);
        }
    }
    return sizes;
}

}  // namespace VeskFuzz

#endif  // VESK_FUZZ_SUPPORT_H
