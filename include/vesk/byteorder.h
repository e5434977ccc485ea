// SPDX-License-Identifier: Apache-2.0
/// @file
/// Byte order: unconditional byte reversal and conversion between host order and little-endian.
///
/// Little-endian is the reference order of data files and wire formats read with these helpers.
/// Whether the host is little-endian is decided once when the library is loaded; afterwards every
/// function here is a pure function of its argument and safe on any thread.
#ifndef VESK_BYTEORDER_H
#define VESK_BYTEORDER_H

#include <vesk/export.h>

namespace Vesk {

/// Reverse the bytes of a 16-, 32- or 64-bit word, whatever the host's order.
VESK_API unsigned short ByteSwap_Word(unsigned short value);
/// The 32-bit word with its bytes reversed.
VESK_API unsigned int ByteSwap_DWord(unsigned int value);
/// The 64-bit word with its bytes reversed.
VESK_API unsigned long long ByteSwap_QWord(unsigned long long value);

///@{
/// Convert between host order and little-endian order. On a little-endian host every overload
/// returns its argument unchanged; elsewhere it returns the byte-reversed value (the bit pattern
/// of a signed argument is reversed and read back as signed). Each overload is its own inverse.
/// The one-byte overloads never change their argument.
VESK_API signed char ConvertByteOrder(signed char value);
VESK_API unsigned char ConvertByteOrder(unsigned char value);
VESK_API short ConvertByteOrder(short value);
VESK_API unsigned short ConvertByteOrder(unsigned short value);
VESK_API int ConvertByteOrder(int value);
VESK_API unsigned int ConvertByteOrder(unsigned int value);
VESK_API long long ConvertByteOrder(long long value);
VESK_API unsigned long long ConvertByteOrder(unsigned long long value);
///@}

}  // namespace Vesk

#endif  // VESK_BYTEORDER_H
