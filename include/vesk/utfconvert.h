// SPDX-License-Identifier: Apache-2.0
/// @file
/// Character-set conversion between UTF-8, 16-bit units, 32-bit units, Latin-1 and plain ASCII.
///
/// Every routine converts one zero-terminated input into a caller-supplied buffer and has the
/// same shape: (input, output, size) -> count. Input is read up to and including its first unit
/// of value 0; there is no input length. `size` is the capacity of the output in output units
/// (bytes for UTF-8, Latin-1 and ASCII; 16-bit or 32-bit units otherwise). Every count includes
/// the terminating zero, so 0 is never a valid count.
///
/// Two passes:
///   size == 0   sizing pass: nothing is written (the output pointer may be null); the result is
///               the number of output units a fill pass needs for the whole input.
///   size >= 1   fill pass: never writes past `size` units and always ends the output with a zero.
///               The usual sequence is a sizing pass, an allocation, and a fill pass with that
///               size.
///
/// What a fill pass returns when the output does not fit:
///   | kind                                          | result     | output                        |
///   |-----------------------------------------------|------------|-------------------------------|
///   | UTF-8 -> 16/32-bit, 16 <-> 32-bit (decoders)   | size + 1   | size - 1 characters, zero | |
///   UTF-8 -> Latin-1, UTF-8 -> ASCII              | size       | last unit replaced by a zero  |
///   | 16/32-bit -> UTF-8, Latin-1 -> UTF-8 (encoders)| <= size    | whole characters, then zero |
/// A decoder's size + 1 is the only sign of truncation; an encoder's result does not tell
/// truncation apart, so a caller that must know sizes the output first.
///
/// Null pointers: a null input reads as the empty text (a sizing pass returns 1, a fill pass writes
/// one zero and returns 1); a null output with a size of 1 or more is refused: nothing is written
/// and the result is 0, the value that also refuses a text whose count passes the 16-bit limit.
///
/// Counts are 16-bit: a pass whose count would exceed 65,535 returns 0 (a sizing pass for such a
/// text, or a truncating decoder given size 65,535). No fill pass ever writes beyond `size`.
///
/// UTF-8 decoding reads sequences of 1 to 6 bytes, classified by the lead-byte tables below.
/// Continuation bytes are taken as they come (only their low six bits count); overlong forms,
/// surrogate values and values above 0x10FFFF decode to their value; a decoded 0 ends the input.
/// Malformed input: a byte that starts no sequence (0x80-0xBF, 0xFE, 0xFF) decodes to U+FFFD
/// and the input moves on by one byte; a sequence cut short by the terminating zero decodes to
/// U+FFFD and the input ends at that zero. No routine reads past the terminating zero's word.
///
/// UTF-8 encoding writes 1 to 6 bytes for values up to 0x7FFFFF (0x200000-0x3FFFFF as F8 xx xx
/// xx xx, 0x400000-0x7FFFFF as FC 80 xx xx xx xx) and skips larger values silently. A character
/// is never split. 16-bit units are encoded one by one: surrogates are neither formed nor paired.
///
/// Thread-safety: every routine is reentrant; they share only the constant tables below.
#ifndef VESK_UTFCONVERT_H
#define VESK_UTFCONVERT_H

#include <vesk/export.h>

#ifdef __cplusplus
extern "C" {
#endif

/// Lead byte of an n-byte UTF-8 sequence with all payload bits clear, indexed by n - 1.
/// {0x00, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC}
VESK_API extern const unsigned char c_UTF8_1stByteStartValueTable[6];

/// Payload bits that the lead byte of an n-byte sequence carries, indexed by n - 1. A byte b
/// leads an n-byte sequence when (b & ~mask[n - 1] & 0xFF) == start[n - 1], testing n = 1..6 in
/// order. {0x7F, 0x1F, 0x0F, 0x07, 0x03, 0x01}
VESK_API extern const unsigned char c_UTF8_1stByteMaskForSignifBitsTable[6];

/// One transliteration of a Latin-1 code: a zero-terminated ASCII text and its length (0 when the
/// code has no replacement; `text` then points to an empty string).
typedef struct sLatin1ToASCIIEntry_t {
    /// The replacement, zero-terminated; empty when there is none.
    const char* text;
    /// The length of `text`.
    int length;
} sLatin1ToASCIIEntry_t;

/// The transliterations of the Latin-1 codes 0x80-0xFF (index = code - 0x80): "ss" for 0xDF,
/// "(c)" for 0xA9, "A" for 0xC0-0xC5 and so on. Codes 0x80-0xA0, 0xAA, 0xAD, 0xAF and 0xBA have
/// none. Never written at run time.
VESK_API extern const sLatin1ToASCIIEntry_t Latin1ToASCIITableArray[128];

/// UTF-8 -> 16-bit units, one unit per character. A character above 0xFFFF is stored as 0xFFFD.
/// Decoder: truncation returns size + 1.
VESK_API unsigned short UTF8_To_UTF16(const unsigned char* src, unsigned short* dst,
                                      unsigned short size);

/// UTF-8 -> 32-bit units, one unit per character, stored whole. Decoder: truncation returns
/// size + 1.
VESK_API unsigned short UTF8_To_UTF32(const unsigned char* src, unsigned int* dst,
                                      unsigned short size);

/// 16-bit units -> UTF-8, each unit encoded on its own in 1 to 3 bytes. Encoder.
VESK_API unsigned short UTF16_To_UTF8(const unsigned short* src, unsigned char* dst,
                                      unsigned short size);

/// 32-bit units -> UTF-8 in 1 to 6 bytes; values above 0x7FFFFF are skipped. Encoder.
VESK_API unsigned short UTF32_To_UTF8(const unsigned int* src, unsigned char* dst,
                                      unsigned short size);

/// 32-bit units -> 16-bit units, one per character; values above 0xFFFF become 0xFFFD.
/// Decoder protocol: truncation returns size + 1.
VESK_API unsigned short UTF32_To_UTF16(const unsigned int* src, unsigned short* dst,
                                       unsigned short size);

/// 16-bit units -> 32-bit units, one per character, value unchanged. Decoder protocol:
/// truncation returns size + 1.
VESK_API unsigned short UTF16_To_UTF32(const unsigned short* src, unsigned int* dst,
                                       unsigned short size);

/// UTF-8 -> Latin-1, one byte per character; a character above 0xFF becomes '?'. Truncation
/// keeps size - 1 characters and a zero and returns size.
VESK_API unsigned short UTF8_To_Latin1(const unsigned char* src, unsigned char* dst,
                                       unsigned short size);

/// Latin-1 -> UTF-8: bytes below 0x80 take one byte, 0x80-0xFF take two. Encoder.
VESK_API unsigned short Latin1_To_UTF8(const unsigned char* src, unsigned char* dst,
                                       unsigned short size);

/// UTF-8 -> 7-bit ASCII with transliteration. Characters below 0x80 are copied; 0x80-0xFF go
/// through TranslateLatin1ToASCII (a code without replacement is dropped); beyond 0xFF, Latin
/// Extended-A and -B, Latin Extended Additional, General Punctuation and the currency signs are
/// transliterated ("Dvořák" -> "Dvorak", "…" -> "...", "€" -> "EUR", zero-width and direction
/// marks dropped) and any other character becomes '?'. A replacement longer than the room left
/// is cut to that room. Truncation replaces the last byte written by a zero and returns size.
VESK_API unsigned short UTF8_To_ASCII(const unsigned char* src, unsigned char* dst,
                                      unsigned short size);

/// Writes the ASCII replacement of one Latin-1 code at dst, without a terminating zero, and
/// returns the number of bytes of replacement written.
///   c < 0x80          dst[0] = c, returns 1 (size not consulted).
///   no replacement    dst[0] = 0 (the empty text's zero), returns 0.
///   length 1          dst[0] = the character, returns 1.
///   length >= 2       writes min(length, max(size, 1)) characters and returns that number.
/// The caller must provide room for at least one byte whatever `size` says; a null dst is refused:
/// nothing is written and the result is 0.
VESK_API unsigned int TranslateLatin1ToASCII(unsigned char c, unsigned char* dst,
                                             unsigned int size);

#ifdef __cplusplus
}  // extern "C"
#endif

#endif  // VESK_UTFCONVERT_H
