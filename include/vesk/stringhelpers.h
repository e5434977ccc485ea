// SPDX-License-Identifier: Apache-2.0
/// @file
/// Small helpers on narrow (std::string) and wide (std::wstring) strings: unit-wise narrowing and
/// widening, ASCII case mapping, replacement of the first or every occurrence of a substring, and
/// trimming of white space.
///
/// Every function works on its arguments only and is reentrant; a string passed by non-constant
/// reference must not be used by another thread during the call. No function reports an error;
/// allocation failures of the string class propagate as the standard library throws them.
#ifndef VESK_STRINGHELPERS_H
#define VESK_STRINGHELPERS_H

#include <string>

#include <vesk/export.h>

namespace DornCommon {

/// Narrows each wide character to its low 8 bits: 0-0xFF keep their value (Latin-1 survives),
/// larger characters lose their upper bits. No transliteration, no UTF-8. Same length as text.
VESK_API std::string toASCII(const std::wstring& text);

/// Widens each byte, taken as 0-0xFF, to the wide character of that value (Latin-1 to Unicode).
/// No UTF-8 decoding. Same length as text.
VESK_API std::wstring toUNICODE(const std::string& text);

/// Maps A-Z to a-z (or a-z to A-Z) as the "C" locale does; every other byte, 0x80-0xFF
/// included, is left unchanged whatever locale the process has set.
VESK_API void ToLowerInPlace(std::string& text);
/// Maps a-z to A-Z in place, as ToLowerInPlace maps the other way.
VESK_API void ToUpperInPlace(std::string& text);

///@{
/// Replaces the first occurrence of pattern in text by replacement. Returns true when one was
/// found; otherwise text is unchanged. An empty pattern is found at position 0, so replacement
/// is inserted at the front.
VESK_API bool replace(std::string& text, const std::string& pattern,
                      const std::string& replacement);
VESK_API bool replace(std::wstring& text, const std::wstring& pattern,
                      const std::wstring& replacement);
///@}

///@{
/// Replaces every occurrence of pattern, searching on after each inserted replacement (so the
/// replacement is never searched again: "a" -> "aa" terminates). Returns the number of
/// replacements; an empty pattern changes nothing and returns 0.
VESK_API int replaceAll(std::string& text, const std::string& pattern,
                        const std::string& replacement);
VESK_API int replaceAll(std::wstring& text, const std::wstring& pattern,
                        const std::wstring& replacement);
///@}

///@{
/// Removes white space at both ends. White space is exactly 0x09-0x0D and 0x20 (the "C"
/// locale's), for wide strings too: 0xA0, 0x2003 and other wide spaces are kept. A string of
/// white space only becomes empty.
VESK_API void trimString(std::string& text);
VESK_API void trimString(std::wstring& text);
///@}

}  // namespace DornCommon

#endif  // VESK_STRINGHELPERS_H
