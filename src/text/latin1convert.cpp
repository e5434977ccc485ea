// SPDX-License-Identifier: Apache-2.0
// Latin-1 <-> UTF-8, and UTF-8 -> ASCII with transliteration.
#include <cstddef>

#include <vesk/utfconvert.h>

#include "text/conversionkernels.h"

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

using Vesk::Text::Kernels;

unsigned short UTF8_To_Latin1(const unsigned char* src, unsigned char* dst, unsigned short size) {
    return Kernels().utf8ToLatin1(src, dst, size);
}

unsigned short Latin1_To_UTF8(const unsigned char* src, unsigned char* dst, unsigned short size) {
    return Kernels().latin1ToUtf8(src, dst, size);
}

unsigned short UTF8_To_ASCII(const unsigned char* src, unsigned char* dst, unsigned short size) {
    return Kernels().utf8ToAscii(src, dst, size);
}
