// SPDX-License-Identifier: Apache-2.0
// Byte reversal and host/little-endian conversion.
#include <vesk/byteorder.h>

#include <cstring>

#include "core/startup.h"

namespace Vesk {
namespace {

// Reverses the bytes of a signed value's bit pattern and reads the result back as signed.
template <class Signed, class Unsigned>
Signed SwapSigned(Signed value, Unsigned (*swap)(Unsigned)) {
    Unsigned bits;
    std::memcpy(&bits, &value, sizeof bits);
    bits = swap(bits);
    std::memcpy(&value, &bits, sizeof bits);
    return value;
}

template <class T, class Swap>
T ToOrFromLittleEndian(T value, Swap swap) {
    return g_isLittleEndianHost ? value : swap(value);
}

}  // namespace

unsigned short ByteSwap_Word(unsigned short value) {
    return static_cast<unsigned short>((value >> 8) | (value << 8));
}

unsigned int ByteSwap_DWord(unsigned int value) {
    return ((value & 0x000000FFu) << 24) | ((value & 0x0000FF00u) << 8) |
           ((value & 0x00FF0000u) >> 8) | ((value & 0xFF000000u) >> 24);
}

unsigned long long ByteSwap_QWord(unsigned long long value) {
    const unsigned long long low = ByteSwap_DWord(static_cast<unsigned int>(value));
    const unsigned long long high = ByteSwap_DWord(static_cast<unsigned int>(value >> 32));
    return (low << 32) | high;
}

signed char ConvertByteOrder(signed char value) {
    return value;
}
unsigned char ConvertByteOrder(unsigned char value) {
    return value;
}

short ConvertByteOrder(short value) {
    return ToOrFromLittleEndian(value, [](short v) { return SwapSigned(v, &ByteSwap_Word); });
}
unsigned short ConvertByteOrder(unsigned short value) {
    return ToOrFromLittleEndian(value, &ByteSwap_Word);
}
int ConvertByteOrder(int value) {
    return ToOrFromLittleEndian(value, [](int v) { return SwapSigned(v, &ByteSwap_DWord); });
}
unsigned int ConvertByteOrder(unsigned int value) {
    return ToOrFromLittleEndian(value, &ByteSwap_DWord);
}
long long ConvertByteOrder(long long value) {
    return ToOrFromLittleEndian(value, [](long long v) { return SwapSigned(v, &ByteSwap_QWord); });
}
unsigned long long ConvertByteOrder(unsigned long long value) {
    return ToOrFromLittleEndian(value, &ByteSwap_QWord);
}

}  // namespace Vesk
