// SPDX-License-Identifier: Apache-2.0
// Conversion between UTF-8, 16-bit units and 32-bit units, and the lead-byte tables.
#include <vesk/utfconvert.h>

#include "text/conversionkernels.h"

extern "C" {

const unsigned char c_UTF8_1stByteStartValueTable[6] = {0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
const unsigned char c_UTF8_1stByteMaskForSignifBitsTable[6] = {0x7F, 0x1F, 0x0F, 0x07, 0x03, 0x01};

}  // extern "C"

using Vesk::Text::CUnitReader;
using Vesk::Text::DecodeCharacters;
using Vesk::Text::eSizePlusOne;
using Vesk::Text::Kernels;
using Vesk::Text::sToUnit16_t;
using Vesk::Text::sToUnit32_t;

unsigned short UTF8_To_UTF16(const unsigned char* src, unsigned short* dst, unsigned short size) {
    return Kernels().utf8ToUtf16(src, dst, size);
}

unsigned short UTF8_To_UTF32(const unsigned char* src, unsigned int* dst, unsigned short size) {
    return Kernels().utf8ToUtf32(src, dst, size);
}

unsigned short UTF16_To_UTF8(const unsigned short* src, unsigned char* dst, unsigned short size) {
    return Kernels().utf16ToUtf8(src, dst, size);
}

unsigned short UTF32_To_UTF8(const unsigned int* src, unsigned char* dst, unsigned short size) {
    return Kernels().utf32ToUtf8(src, dst, size);
}

// Fixed-width units on both sides: one character loop on every machine.
unsigned short UTF32_To_UTF16(const unsigned int* src, unsigned short* dst, unsigned short size) {
    return DecodeCharacters<CUnitReader<unsigned int>>(src, dst, size, eSizePlusOne, sToUnit16_t());
}

unsigned short UTF16_To_UTF32(const unsigned short* src, unsigned int* dst, unsigned short size) {
    return DecodeCharacters<CUnitReader<unsigned short>>(src, dst, size, eSizePlusOne,
                                                         sToUnit32_t());
}
