// SPDX-License-Identifier: Apache-2.0
// Conversion between UTF-8, 16-bit units and 32-bit units, and the lead-byte tables.
#include <vesk/utfconvert.h>

#include "text/convertloops.h"

extern "C" {

const unsigned char c_UTF8_1stByteStartValueTable[6] = {0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC};
const unsigned char c_UTF8_1stByteMaskForSignifBitsTable[6] = {0x7F, 0x1F, 0x0F, 0x07, 0x03, 0x01};

}  // extern "C"

namespace {

using Vesk::Text::kReplacementCharacter;

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

}  // namespace

using Vesk::Text::CUnitReader;
using Vesk::Text::CUTF8Reader;
using Vesk::Text::DecodeCharacters;
using Vesk::Text::EncodeValues;
using Vesk::Text::eSizePlusOne;

unsigned short UTF8_To_UTF16(const unsigned char* src, unsigned short* dst, unsigned short size) {
    return DecodeCharacters<CUTF8Reader>(src, dst, size, eSizePlusOne, sToUnit16_t());
}

unsigned short UTF8_To_UTF32(const unsigned char* src, unsigned int* dst, unsigned short size) {
    return DecodeCharacters<CUTF8Reader>(src, dst, size, eSizePlusOne, sToUnit32_t());
}

unsigned short UTF16_To_UTF8(const unsigned short* src, unsigned char* dst, unsigned short size) {
    return EncodeValues(src, dst, size);
}

unsigned short UTF32_To_UTF8(const unsigned int* src, unsigned char* dst, unsigned short size) {
    return EncodeValues(src, dst, size);
}

unsigned short UTF32_To_UTF16(const unsigned int* src, unsigned short* dst, unsigned short size) {
    return DecodeCharacters<CUnitReader<unsigned int>>(src, dst, size, eSizePlusOne, sToUnit16_t());
}

unsigned short UTF16_To_UTF32(const unsigned short* src, unsigned int* dst, unsigned short size) {
    return DecodeCharacters<CUnitReader<unsigned short>>(src, dst, size, eSizePlusOne,
                                                         sToUnit32_t());
}
