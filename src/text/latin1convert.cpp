// SPDX-License-Identifier: Apache-2.0
// Latin-1 <-> UTF-8, and UTF-8 -> ASCII with transliteration.
#include <cstddef>

#include <vesk/utfconvert.h>

#include "text/convertloops.h"
#include "text/transliteration.h"

#define VESK_TEXT(literal) \
    { literal, static_cast<int>(sizeof(literal) - 1) }
// Eight codes without replacement.
#define VESK_NONE8                                                                            \
    VESK_TEXT(""), VESK_TEXT(""), VESK_TEXT(""), VESK_TEXT(""), VESK_TEXT(""), VESK_TEXT(""), \
        VESK_TEXT(""), VESK_TEXT("")

extern "C" {

const sLatin1ToASCIIEntry_t Latin1ToASCIITableArray[128] = {
    // 0x80-0x9F: C1 controls, no replacement.
    VESK_NONE8,
    VESK_NONE8,
    VESK_NONE8,
    VESK_NONE8,
    // 0xA0-0xAF: no-break space, ¡ ¢ £ ¤ ¥ ¦ § ¨ © ª « ¬ soft hyphen ® ¯
    VESK_TEXT(""),
    VESK_TEXT("!"),
    VESK_TEXT("cent"),
    VESK_TEXT("GBP"),
    VESK_TEXT("$"),
    VESK_TEXT("Yen"),
    VESK_TEXT("|"),
    VESK_TEXT("Section"),
    VESK_TEXT("\""),
    VESK_TEXT("(c)"),
    VESK_TEXT(""),
    VESK_TEXT("<<"),
    VESK_TEXT("~"),
    VESK_TEXT(""),
    VESK_TEXT("(R)"),
    VESK_TEXT(""),
    // 0xB0-0xBF: ° ± ² ³ ´ µ ¶ · ¸ ¹ º » ¼ ½ ¾ ¿
    VESK_TEXT("Degree"),
    VESK_TEXT("+/-"),
    VESK_TEXT("^2"),
    VESK_TEXT("^3"),
    VESK_TEXT("'"),
    VESK_TEXT("u"),
    VESK_TEXT("C"),
    VESK_TEXT("-"),
    VESK_TEXT(","),
    VESK_TEXT("^1"),
    VESK_TEXT(""),
    VESK_TEXT(">>"),
    VESK_TEXT("1/4"),
    VESK_TEXT("1/2"),
    VESK_TEXT("3/4"),
    VESK_TEXT("?"),
    // 0xC0-0xCF: À Á Â Ã Ä Å Æ Ç È É Ê Ë Ì Í Î Ï
    VESK_TEXT("A"),
    VESK_TEXT("A"),
    VESK_TEXT("A"),
    VESK_TEXT("A"),
    VESK_TEXT("A"),
    VESK_TEXT("A"),
    VESK_TEXT("AE"),
    VESK_TEXT("C"),
    VESK_TEXT("E"),
    VESK_TEXT("E"),
    VESK_TEXT("E"),
    VESK_TEXT("E"),
    VESK_TEXT("I"),
    VESK_TEXT("I"),
    VESK_TEXT("I"),
    VESK_TEXT("I"),
    // 0xD0-0xDF: Ð Ñ Ò Ó Ô Õ Ö × Ø Ù Ú Û Ü Ý Þ ß
    VESK_TEXT("D"),
    VESK_TEXT("N"),
    VESK_TEXT("O"),
    VESK_TEXT("O"),
    VESK_TEXT("O"),
    VESK_TEXT("O"),
    VESK_TEXT("O"),
    VESK_TEXT("x"),
    VESK_TEXT("OE"),
    VESK_TEXT("U"),
    VESK_TEXT("U"),
    VESK_TEXT("U"),
    VESK_TEXT("U"),
    VESK_TEXT("Y"),
    VESK_TEXT("TH"),
    VESK_TEXT("ss"),
    // 0xE0-0xEF: à á â ã ä å æ ç è é ê ë ì í î ï
    VESK_TEXT("a"),
    VESK_TEXT("a"),
    VESK_TEXT("a"),
    VESK_TEXT("a"),
    VESK_TEXT("a"),
    VESK_TEXT("a"),
    VESK_TEXT("ae"),
    VESK_TEXT("c"),
    VESK_TEXT("e"),
    VESK_TEXT("e"),
    VESK_TEXT("e"),
    VESK_TEXT("e"),
    VESK_TEXT("i"),
    VESK_TEXT("i"),
    VESK_TEXT("i"),
    VESK_TEXT("i"),
    // 0xF0-0xFF: ð ñ ò ó ô õ ö ÷ ø ù ú û ü ý þ ÿ
    VESK_TEXT("d"),
    VESK_TEXT("n"),
    VESK_TEXT("o"),
    VESK_TEXT("o"),
    VESK_TEXT("o"),
    VESK_TEXT("o"),
    VESK_TEXT("o"),
    VESK_TEXT("/"),
    VESK_TEXT("oe"),
    VESK_TEXT("u"),
    VESK_TEXT("u"),
    VESK_TEXT("u"),
    VESK_TEXT("u"),
    VESK_TEXT("y"),
    VESK_TEXT("th"),
    VESK_TEXT("y"),
};

}  // extern "C"

#undef VESK_NONE8
#undef VESK_TEXT

unsigned int TranslateLatin1ToASCII(unsigned char c, unsigned char* dst, unsigned int size) {
    if (dst == nullptr) {
        return 0;
    }
    if (c < 0x80) {
        dst[0] = c;
        return 1;
    }
    const sLatin1ToASCIIEntry_t& entry = Latin1ToASCIITableArray[c - 0x80];
    // An entry without replacement writes its text's terminating zero here and counts nothing.
    dst[0] = static_cast<unsigned char>(entry.text[0]);
    const unsigned int length = static_cast<unsigned int>(entry.length);
    if (length <= 1) {
        return length;
    }
    const unsigned int written = length < size ? length : size;
    if (written <= 1) {
        return 1;
    }
    for (unsigned int i = 1; i < written; ++i) {
        dst[i] = static_cast<unsigned char>(entry.text[i]);
    }
    return written;
}

namespace {

using Vesk::Text::AsciiBlocks;
using Vesk::Text::CountResult;
using Vesk::Text::CUTF8Reader;
using Vesk::Text::IsBlockAligned;
using Vesk::Text::kMaxCount;
using Vesk::Text::sTransliteration_t;

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
    return Vesk::Text::TransliterateBeyondLatin1(c);
}

unsigned short CountASCII(const unsigned char* src) {
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
    const sTransliteration_t replacement = Vesk::Text::TransliterateBeyondLatin1(c);
    const std::size_t written = replacement.length < room ? replacement.length : room;
    for (std::size_t i = 0; i < written; ++i) {
        dst[i] = static_cast<unsigned char>(replacement.text[i]);
    }
    return static_cast<unsigned int>(written);
}

unsigned short FillASCII(const unsigned char* src, unsigned char* dst, std::size_t size) {
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

}  // namespace

unsigned short UTF8_To_Latin1(const unsigned char* src, unsigned char* dst, unsigned short size) {
    return Vesk::Text::DecodeCharacters<CUTF8Reader>(src, dst, size, Vesk::Text::eSize,
                                                     sToLatin1_t());
}

unsigned short Latin1_To_UTF8(const unsigned char* src, unsigned char* dst, unsigned short size) {
    return Vesk::Text::EncodeValues(src, dst, size);
}

unsigned short UTF8_To_ASCII(const unsigned char* src, unsigned char* dst, unsigned short size) {
    if (Vesk::Text::RefusesNullPointers(src, dst, size)) {
        return 0;
    }
    return size == 0 ? CountASCII(src) : FillASCII(src, dst, size);
}
