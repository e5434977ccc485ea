// SPDX-License-Identifier: Apache-2.0
// The conversion routines whose loops depend on the machine's vector instructions, built from
// the loops of convertloops.h for the level this translation unit is compiled for (see
// kernellevel.h), and their table. Included once per level.
#ifndef VESK_TEXT_CONVERSIONKERNELS_H
#define VESK_TEXT_CONVERSIONKERNELS_H

#include <cstddef>

#include <vesk/utfconvert.h>

#include "text/convertloops.h"
#include "text/transliteration.h"

namespace Vesk {
namespace Text {
inline namespace VESK_TEXT_LEVEL {

// The unit stored for a character, as function objects so that the loops inline them.
// One 16-bit unit per character: values beyond it stand as U+FFFD.
struct sToUnit16_t {
    unsigned short operator()(unsigned int c) const {
        return static_cast<unsigned short>(c > 0xFFFF ? kReplacementCharacter : c);
    }
};

struct sToUnit32_t {
    unsigned int operator()(unsigned int c) const { return c; }
};

// One Latin-1 byte per character: beyond 0xFF stands '?'.
struct sToLatin1_t {
    unsigned char operator()(unsigned int c) const {
        return static_cast<unsigned char>(c > 0xFF ? '?' : c);
    }
};

// The ASCII replacement of a character from 0x80 upwards.
inline sTransliteration_t ReplacementOf(unsigned int c) {
    if (c <= 0xFF) {
        const sLatin1ToASCIIEntry_t& entry = Latin1ToASCIITableArray[c - 0x80];
        return sTransliteration_t{entry.text, static_cast<unsigned int>(entry.length)};
    }
    return TransliterateBeyondLatin1(c);
}

inline unsigned short CountASCII(const unsigned char* src) {
    const CUTF8Reader reader;
    std::size_t count = 0;
    for (;;) {
        if (IsBlockAligned(src)) {
            count = AsciiBlocks<false, unsigned char, char>(src, nullptr, count, kMaxCount + 1);
        }
        const unsigned int c = reader.Next(src);
        if (c == 0) {
            return CountResult(count + 1);
        }
        count += c < 0x80 ? 1 : ReplacementOf(c).length;
        if (count > kMaxCount) {
            return 0;
        }
    }
}

// Writes the replacement of c (0x80 upwards) at dst, cut to room (at least 1); returns the
// bytes written. Latin-1 goes through TranslateLatin1ToASCII.
inline unsigned int WriteReplacement(unsigned int c, unsigned char* dst, std::size_t room) {
    if (c <= 0xFF) {
        return TranslateLatin1ToASCII(static_cast<unsigned char>(c), dst,
                                      static_cast<unsigned int>(room));
    }
    const sTransliteration_t replacement = TransliterateBeyondLatin1(c);
    const std::size_t written = replacement.length < room ? replacement.length : room;
    for (std::size_t i = 0; i < written; ++i) {
        dst[i] = static_cast<unsigned char>(replacement.text[i]);
    }
    return static_cast<unsigned int>(written);
}

inline unsigned short FillASCII(const unsigned char* src, unsigned char* dst, std::size_t size) {
    const CUTF8Reader reader;
    std::size_t count = 0;
    for (;;) {
        if (IsBlockAligned(src)) {
            count = AsciiBlocks<true>(src, dst, count, size);
        }
        const unsigned int c = reader.Next(src);
        if (count >= size) {
            // A replacement that ended exactly at the end loses its last character here.
            dst[count - 1] = 0;
            return static_cast<unsigned short>(count);
        }
        if (c < 0x80) {
            dst[count++] = static_cast<unsigned char>(c);
            if (c == 0) {
                return static_cast<unsigned short>(count);
            }
        } else {
            count += WriteReplacement(c, dst + count, size - count);
        }
    }
}

inline unsigned short Utf8ToUtf16(const unsigned char* src, unsigned short* dst,
                                  unsigned short size) {
    return DecodeCharacters<CUTF8Reader>(src, dst, size, eSizePlusOne, sToUnit16_t());
}

inline unsigned short Utf8ToUtf32(const unsigned char* src, unsigned int* dst,
                                  unsigned short size) {
    return DecodeCharacters<CUTF8Reader>(src, dst, size, eSizePlusOne, sToUnit32_t());
}

inline unsigned short Utf16ToUtf8(const unsigned short* src, unsigned char* dst,
                                  unsigned short size) {
    return EncodeValues(src, dst, size);
}

inline unsigned short Utf32ToUtf8(const unsigned int* src, unsigned char* dst,
                                  unsigned short size) {
    return EncodeValues(src, dst, size);
}

inline unsigned short Utf8ToLatin1(const unsigned char* src, unsigned char* dst,
                                   unsigned short size) {
    return DecodeCharacters<CUTF8Reader>(src, dst, size, eSize, sToLatin1_t());
}

inline unsigned short Latin1ToUtf8(const unsigned char* src, unsigned char* dst,
                                   unsigned short size) {
    return EncodeValues(src, dst, size);
}

inline unsigned short Utf8ToAscii(const unsigned char* src, unsigned char* dst,
                                  unsigned short size) {
    if (RefusesNullPointers(src, dst, size)) {
        return 0;
    }
    return size == 0 ? CountASCII(src) : FillASCII(src, dst, size);
}

// This level's table.
constexpr sConversionKernels_t kConversionKernels = {
    &Utf8ToUtf16,  &Utf8ToUtf32,  &Utf16ToUtf8, &Utf32ToUtf8,
    &Utf8ToLatin1, &Latin1ToUtf8, &Utf8ToAscii,
};

// The table the exported routines run: the chosen level's where levels are chosen at run time,
// else this build's, whose calls the compiler makes direct.
inline const sConversionKernels_t& Kernels() {
#if defined(VESK_TEXT_DISPATCH)
    return ConversionKernels();
#else
    return kConversionKernels;
#endif
}

}  // namespace VESK_TEXT_LEVEL
}  // namespace Text
}  // namespace Vesk

#endif  // VESK_TEXT_CONVERSIONKERNELS_H
