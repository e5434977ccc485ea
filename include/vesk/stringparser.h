// SPDX-License-Identifier: Apache-2.0
/// @file
/// CStringParser - splits one delimited text record into typed caller variables in one pass.
///
/// The caller describes the record as an array of `sDataTypeDescription_t`, ended by an entry of
/// type DT_END; the n-th piece of the text (cut at a single delimiter byte) is converted into the
/// n-th destination. Nothing is allocated and no state is kept: `ParseString` and `stringToBool`
/// may run on any number of threads at once as long as the destinations are not shared.
///
/// Cutting rules:
///   - pieces are separated by the delimiter byte; there is no trimming, quoting or escaping;
///   - a missing piece (the text ended earlier) is empty, surplus text is ignored;
///   - a piece holds at most 99 characters; the rest of a longer piece is skipped up to the next
///     delimiter, so later pieces stay aligned;
///   - a delimiter of 0 makes the whole text the first piece and every later piece empty.
///
/// Conversions (abs is taken in the value's own width, so the most negative value stays as it is
/// and reads as 2^31 or 2^63 when stored unsigned; numbers never fail, "12ab" gives 12 and "x" 0):
///   code  name       destination            stored value
///   0     DT_END     -                      ends the array (pData and nSize not read)
///   1     DT_CHAR    char                   first character of the piece, 0 when it is empty
///   2     DT_BOOL    bool                   stringToBool(piece)
///   3     DT_UINT64  unsigned 64-bit        abs(_atoi64(piece))
///   4     DT_INT64   signed 64-bit          _atoi64(piece)
///   5     DT_UINT32  unsigned 32-bit        abs(_atoi(piece))
///   6     DT_INT32   signed 32-bit          _atoi(piece); when nSize > 10 the low 32 bits of
///                                           _atoi64(piece) ("4294967295" -> -1)
///   7     DT_ULONG   unsigned 32-bit        abs of the 32-bit strtol of the piece (as code 5)
///   8     DT_DWORD   unsigned 32-bit        as code 7
///   9     DT_INT16   signed 16-bit          low 16 bits of _atoi(piece)
///   10    DT_UINT16  unsigned 16-bit        low 16 bits of abs(_atoi(piece))
///   11    DT_STRING  char[nSize]            the piece, at most nSize - 1 characters, then zero
///                                           bytes up to nSize; nothing is written when nSize <= 0
///   other            -                      the piece is consumed, nothing is stored
#ifndef VESK_STRINGPARSER_H
#define VESK_STRINGPARSER_H

#include <vesk/export.h>

/// Type codes of `sDataTypeDescription_t::nType` (see the table above).
enum eDataType_t {
    DT_END = 0,
    DT_CHAR = 1,
    DT_BOOL = 2,
    DT_UINT64 = 3,
    DT_INT64 = 4,
    DT_UINT32 = 5,
    DT_INT32 = 6,
    DT_ULONG = 7,
    DT_DWORD = 8,
    DT_INT16 = 9,
    DT_UINT16 = 10,
    DT_STRING = 11
};

/// One field of a record.
struct sDataTypeDescription_t {
    void* pData;  ///< destination, of the width the type code names
    int nSize;  ///< DT_STRING: capacity in bytes, terminator included; DT_INT32: > 10 means 64-bit
    int nType;  ///< an eDataType_t value
};

/// The typed record parser; see the file description for the cutting rules and conversions.
class VESK_API CStringParser {
  public:
    CStringParser();
    ~CStringParser();

    /// Parses `text` into the destinations described by `fields` (ended by a DT_END entry) with the
    /// cutting rules and conversions above. Returns false, reading and writing nothing, only when
    /// `fields` is null; otherwise true whatever the text holds. A null `text` reads as the empty
    /// text. The text is never modified.
    static bool ParseString(const char* text, sDataTypeDescription_t* fields, char delimiter);
};

/// True exactly when `text` is "TRUE" (byte-wise, whole string): "true", "1" and "TRUE " are false,
/// and so is a null text.
VESK_API bool stringToBool(const char* text);

#endif  // VESK_STRINGPARSER_H
