// SPDX-License-Identifier: Apache-2.0
// The conversion routines written the plain way: one character at a time, the lead byte matched
// against the six rows of the exported tables in order, every size check made per character.
// They give the library's results for the well-formed texts of the benchmarks and are the
// yardstick its fast paths must never lose to.
#ifndef VESK_BENCH_PLAINLOOPS_H
#define VESK_BENCH_PLAINLOOPS_H

#include <vesk/utfconvert.h>

namespace vesk_bench {

// Decodes one character at `src` and moves `src` past it.
inline unsigned int PlainDecode(const unsigned char*& src) {
    const unsigned int lead = *src++;
    for (int row = 0; row < 6; ++row) {
        const unsigned int mask = c_UTF8_1stByteMaskForSignifBitsTable[row];
        if ((lead & ~mask & 0xFF) == c_UTF8_1stByteStartValueTable[row]) {
            unsigned int value = lead & mask;
            for (int k = 0; k < row && *src != 0; ++k) {
                value = (value << 6) | (*src++ & 0x3F);
            }
            return value;
        }
    }
    return 0xFFFD;  // a stray byte; the benchmark texts have none
}

// Decoder fill pass: one unit per character; on overflow the last unit becomes 0 and the
// result is size + 1.
template <typename Unit>
unsigned short PlainDecodeInto(const unsigned char* src, Unit* dst, unsigned short size,
                               unsigned int largest) {
    unsigned int count = 0;
    for (;;) {
        const unsigned int value = PlainDecode(src);
        ++count;
        if (count > size) {
            dst[size - 1] = 0;
            return static_cast<unsigned short>(count);
        }
        dst[count - 1] = static_cast<Unit>(value <= largest ? value : 0xFFFD);
        if (value == 0) {
            return static_cast<unsigned short>(count);
        }
    }
}

// Number of UTF-8 bytes for `value` (0 for a value that is skipped).
inline unsigned int PlainEncodedLength(unsigned int value) {
    return value < 0x80       ? 1
           : value < 0x800    ? 2
           : value < 0x10000  ? 3
           : value < 0x200000 ? 4
           : value < 0x400000 ? 5
           : value < 0x800000 ? 6
                              : 0;
}

// Encoder fill pass: a character is written only with room for it and the terminating zero.
template <typename Unit>
unsigned short PlainEncodeInto(const Unit* src, unsigned char* dst, unsigned short size) {
    unsigned int count = 0;
    for (;; ++src) {
        const unsigned int value = *src;
        const unsigned int length = PlainEncodedLength(value);
        if (count + length >= size) {
            dst[count] = 0;
            return static_cast<unsigned short>(count + 1);
        }
        if (length == 1) {
            dst[count] = static_cast<unsigned char>(value);
        } else if (length > 1) {
            const unsigned int lead = length < 5 ? value >> (6 * (length - 1)) : 0;
            dst[count] =
                static_cast<unsigned char>(c_UTF8_1stByteStartValueTable[length - 1] | lead);
            for (unsigned int k = 1; k < length; ++k) {
                const unsigned int shift = 6 * (length - 1 - k);
                dst[count + k] =
                    static_cast<unsigned char>(0x80 | (shift < 32 ? (value >> shift) & 0x3F : 0));
            }
        }
        count += length;
        if (value == 0) {
            return static_cast<unsigned short>(count);
        }
    }
}

// UTF-8 to ASCII: ASCII is copied, Latin-1 transliterated, anything else becomes '?'.
inline unsigned short PlainToAscii(const unsigned char* src, unsigned char* dst,
                                   unsigned short size) {
    unsigned int count = 0;
    for (;;) {
        if (count >= size) {
            dst[count - 1] = 0;
            return static_cast<unsigned short>(count);
        }
        const unsigned int value = PlainDecode(src);
        if (value < 0x80) {
            dst[count++] = static_cast<unsigned char>(value);
            if (value == 0) {
                return static_cast<unsigned short>(count);
            }
        } else if (value <= 0xFF) {
            count += TranslateLatin1ToASCII(static_cast<unsigned char>(value), dst + count,
                                            size - count);
        } else {
            dst[count++] = '?';
        }
    }
}

}  // namespace vesk_bench

#endif  // VESK_BENCH_PLAINLOOPS_H
