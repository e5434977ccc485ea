// SPDX-License-Identifier: Apache-2.0
/// @file
/// C-runtime style helpers for code written against a Windows-flavoured model: opening a file by a
/// wide-character path, two-argument wide tokenising, underscore-prefixed decimal parsers, a trace
/// entry point that does nothing, and the standard time functions repeated inside `Vesk` with
/// `long` time values.
///
/// Apart from `_wcstok` (see there) nothing here keeps state; every function may run on any thread.
#ifndef VESK_COMPAT_H
#define VESK_COMPAT_H

#include <cstdio>
#include <ctime>

#include <vesk/export.h>

/// Opens the file named by `path` with mode `mode`, both narrowed character by character to their
/// low 8 bits (plain ASCII names therefore open the same file as the narrow name). Returns the
/// stream, or null with errno as `fopen` left it. Neither argument may be null.
VESK_API FILE* wfopen(const wchar_t* path, const wchar_t* mode);

/// Two-argument wide tokenising over the C library's `wcstok`. Given a text, returns its first
/// token, terminating it inside `text`, or null when the text holds only delimiters. Given null,
/// continues the calling thread's last tokenisation and returns its next token (null when it is
/// exhausted or when this thread never started one). Each thread keeps its own position, so two
/// threads tokenise independently.
/// Hazard: the position points into the caller's text; that text must stay alive and unchanged
/// until the tokenisation is finished or a new one is started on the same thread.
VESK_API wchar_t* _wcstok(wchar_t* text, const wchar_t* delimiters);

/// Decimal parsers with the rules of `strtol`: leading white space skipped, an optional sign,
/// digits up to the first other character, 0 for text without digits, and the limit of the result
/// type (not a wrapped value) for a number out of range. Where the digits end is not reported.
/// `_atoi` and `_wtoi` are 32-bit on every host: `_atoi("99999999999")` is 2147483647.
/// The text must not be null.
VESK_API int _wtoi(const wchar_t* text);
/// `_wtoi` for a narrow text: 32-bit on every host, clamped.
VESK_API int _atoi(const char* text);
/// 64-bit decimal parser with the rules above.
VESK_API long long _atoi64(const char* text);

/// Accepts any arguments and returns at once without writing anything.
extern "C" VESK_API void VeskTrace(const char* format, ...);

namespace Vesk {

/// Forwards to the C library's time functions of the same names. Time values are `long`; on hosts
/// whose `time_t` is wider they are converted, so dates past 2038 do not fit a 32-bit `long`.
/// `asctime`, `ctime`, `gmtime` and `localtime` return the C library's own static result: it is
/// overwritten by the next such call on any thread, and these forwards add no locking.
/// Hazard: after `using namespace Vesk;` an unqualified `time(...)` is ambiguous with the C
/// library's `time`.
VESK_API char* asctime(const tm* value);
/// Forwards to the C library's `clock`.
VESK_API clock_t clock();
/// Forwards to `ctime`; the result is the C library's shared static text.
VESK_API char* ctime(const long* value);
/// Forwards to `difftime`: `end - start` in seconds.
VESK_API double difftime(long end, long start);
/// Forwards to `gmtime`; the result is the C library's shared static record.
VESK_API tm* gmtime(const long* value);
/// Forwards to `localtime`; the result is the C library's shared static record.
VESK_API tm* localtime(const long* value);
/// The calendar time of `value`, normalising its fields; -1 when it cannot be represented.
VESK_API long mktime(tm* value);
/// The current calendar time, also stored in `*value` when `value` is not null.
VESK_API long time(long* value);
/// Formats `value` into `buffer`; returns the bytes written without the terminator, or 0 when the
/// text does not fit `size` (the buffer's contents are then unspecified).
VESK_API unsigned int strftime(char* buffer, unsigned int size, const char* format,
                               const tm* value);

}  // namespace Vesk

#endif  // VESK_COMPAT_H
