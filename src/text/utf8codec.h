// SPDX-License-Identifier: Apache-2.0
// Decoding one UTF-8 character and encoding one value, shared by every conversion routine.
#ifndef VESK_TEXT_UTF8CODEC_H
#define VESK_TEXT_UTF8CODEC_H

#include <vesk/utfconvert.h>

#include "text/kernellevel.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

constexpr unsigned int kReplacementCharacter = 0xFFFD;

// The per-character steps must be inlined into the conversion loops: only then do the rules
// live in registers instead of being reloaded through a pointer for every character.
#if defined(__GNUC__) || defined(__clang__)
#define VESK_ALWAYS_INLINE inline __attribute__((always_inline))
#define VESK_NEVER_INLINE __attribute__((noinline))
#else
#define VESK_ALWAYS_INLINE inline
#define VESK_NEVER_INLINE
#endif

// The lead-byte rules, loaded once per call from the exported tables so that the per-character
// tests below run on locals (the tables may be interposed, so the compiler cannot fold them).
// Row n - 1 describes an n-byte sequence: test mask, start value and payload mask.
class CLeadByteRules {
  public:
    // Row by row, unrolled, so that each rule becomes a register of the loop that uses it.
    VESK_ALWAYS_INLINE CLeadByteRules() {
        LoadRow(0);
        LoadRow(1);
        LoadRow(2);
        LoadRow(3);
        LoadRow(4);
        LoadRow(5);
    }

    VESK_ALWAYS_INLINE bool IsSingle(unsigned int b) const { return (b & m_test[0]) == m_start[0]; }

    // Sequence length announced by lead byte b, 0 when b starts no sequence. The rows are tested
    // in order 1..6, unrolled.
    int Length(unsigned int b) const {
        if (IsSingle(b)) {
            return 1;
        }
        if ((b & m_test[1]) == m_start[1]) {
            return 2;
        }
        if ((b & m_test[2]) == m_start[2]) {
            return 3;
        }
        if ((b & m_test[3]) == m_start[3]) {
            return 4;
        }
        if ((b & m_test[4]) == m_start[4]) {
            return 5;
        }
        if ((b & m_test[5]) == m_start[5]) {
            return 6;
        }
        return 0;
    }

    unsigned int Payload(unsigned int b, int length) const { return b & m_mask[length - 1]; }

    // Decodes the character at p and moves p past it. Never reads past a zero byte: a sequence
    // cut short by the terminator gives U+FFFD and leaves p on that zero; a byte that starts no
    // sequence gives U+FFFD and moves p on by one. The two- and three-byte forms, which carry
    // almost all text beyond ASCII, are decoded without a loop.
    VESK_ALWAYS_INLINE unsigned int Decode(const unsigned char*& p) const {
        const unsigned int b = p[0];
        if (IsSingle(b)) {
            ++p;
            return b;
        }
        if ((b & m_test[1]) == m_start[1]) {
            // NOLINTNEXTLINE(clang-analyzer-core.uninitialized.Assign): p[1] lies within the text
            const unsigned int next = p[1];
            if (next == 0) {
                p += 1;
                return kReplacementCharacter;
            }
            p += 2;
            return ((b & m_mask[1]) << 6) | (next & 0x3F);
        }
        if ((b & m_test[2]) == m_start[2]) {
            // NOLINTNEXTLINE(clang-analyzer-core.uninitialized.Assign): p[1] lies within the text
            const unsigned int next = p[1];
            const unsigned int last = next == 0 ? 0 : p[2];
            if (last == 0) {
                p += next == 0 ? 1 : 2;
                return kReplacementCharacter;
            }
            p += 3;
            return ((b & m_mask[2]) << 12) | ((next & 0x3F) << 6) | (last & 0x3F);
        }
        const sDecoded_t decoded = DecodeLong(p, b);
        p = decoded.next;
        return decoded.value;
    }

    // Writes the `length` bytes (EncodedLength(v): 0 to 6) of v at dst. The lead byte is the
    // start value of its row; the five- and six-byte forms carry no payload in the lead byte and
    // the six-byte form has a second byte of exactly 0x80.
    VESK_ALWAYS_INLINE void Encode(unsigned int v, unsigned int length, unsigned char* dst) const {
        // Tested in order of frequency rather than switched on: a jump table would turn the
        // choice into an indirect branch, which predicts worse in mixed text.
        if (length == 2) {
            dst[0] = static_cast<unsigned char>(m_start[1] | (v >> 6));
            dst[1] = Following(v);
        } else if (length == 3) {
            dst[0] = static_cast<unsigned char>(m_start[2] | (v >> 12));
            dst[1] = Following(v >> 6);
            dst[2] = Following(v);
        } else if (length == 1) {
            dst[0] = static_cast<unsigned char>(v);
        } else if (length != 0) {
            EncodeLong(v, length, dst);
        }
    }

  private:
    VESK_ALWAYS_INLINE void LoadRow(int row) {
        m_start[row] = c_UTF8_1stByteStartValueTable[row];
        m_mask[row] = c_UTF8_1stByteMaskForSignifBitsTable[row];
        m_test[row] = static_cast<unsigned char>(~m_mask[row]);
    }

    struct sDecoded_t {
        unsigned int value;
        const unsigned char* next;
    };

    // Decode for a lead byte b of none of the first three rows: rows 4 to 6, or a stray byte.
    // Out of line, with rules of its own and the position passed by value, so that the loops
    // never hand out the address of their rules or of their input pointer, which then stay in
    // registers.
    static VESK_NEVER_INLINE sDecoded_t DecodeLong(const unsigned char* p, unsigned int b) {
        const CLeadByteRules rules;
        const unsigned int value = rules.DecodeLongWithRules(p, b);
        return sDecoded_t{value, p};
    }

    unsigned int DecodeLongWithRules(const unsigned char*& p, unsigned int b) const {
        const int length = Length(b);
        if (length == 0) {
            ++p;
            return kReplacementCharacter;
        }
        unsigned int value = Payload(b, length);
        for (int i = 1; i < length; ++i) {
            const unsigned int next = p[i];
            if (next == 0) {
                p += i;
                return kReplacementCharacter;
            }
            value = (value << 6) | (next & 0x3F);
        }
        p += length;
        return value;
    }

    static unsigned char Following(unsigned int bits) {
        return static_cast<unsigned char>(0x80 | (bits & 0x3F));
    }

    // Four to six bytes: the last three carry bits 12-17, 6-11 and 0-5.
    void EncodeLong(unsigned int v, unsigned int length, unsigned char* dst) const {
        unsigned char* tail = dst + length - 3;
        tail[0] = Following(v >> 12);
        tail[1] = Following(v >> 6);
        tail[2] = Following(v);
        dst[0] = m_start[length - 1];
        if (length == 4) {
            dst[0] = static_cast<unsigned char>(dst[0] | (v >> 18));
            return;
        }
        // v >> 18 has 4 bits in the five-byte form and 5 bits in the six-byte form.
        tail[-1] = Following(v >> 18);
        if (length == 6) {
            dst[1] = 0x80;
        }
    }

    unsigned char m_start[6];
    unsigned char m_mask[6];
    unsigned char m_test[6];
};

// Number of bytes the encoder writes for value v: 1 to 6, or 0 for a value it skips.
VESK_ALWAYS_INLINE unsigned int EncodedLength(unsigned int v) {
    if (v < 0x80) {
        return 1;
    }
    if (v < 0x800) {
        return 2;
    }
    if (v < 0x10000) {
        return 3;
    }
    if (v < 0x200000) {
        return 4;
    }
    if (v < 0x400000) {
        return 5;
    }
    return v < 0x800000 ? 6 : 0;
}

// Counts are 16-bit: anything above 65,535 is reported as 0.
inline unsigned short CountResult(unsigned long count) {
    return count > 0xFFFF ? 0 : static_cast<unsigned short>(count);
}

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_UTF8CODEC_H
