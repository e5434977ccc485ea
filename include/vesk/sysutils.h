// SPDX-License-Identifier: Apache-2.0
/// @file
/// Vesk::CSysUtils - path, file, string and number utilities as static member functions.
///
/// The class has no instances, no data and no virtual operations; every member keeps no state and
/// may run on any number of threads at once (only `ToLower`/`ToUpper` change their argument, which
/// must then not be shared during the call). Paths are plain byte strings: nothing is normalised,
/// case-folded or resolved, and only `FileExists`, `DirectoryExists` and `RemoveFile` touch the
/// file system. Results are returned by value; the only exceptions that can leave these functions
/// are the standard library's allocation failures while a result string or vector is built.
///
/// Separators: `ExtractDir`, `ExtractFileName` and `ExtractFileExtension` treat both '\' and '/' as
/// directory separators; `MakeFullPath` knows only '/'.
#ifndef VESK_SYSUTILS_H
#define VESK_SYSUTILS_H

#include <string>
#include <vector>

#include <vesk/export.h>

namespace Vesk {

/// The application's text type: on this platform the narrow string.
typedef std::string TString;

/// Path, file, string and number utilities; see the file description.
class VESK_API CSysUtils {
  public:
    CSysUtils() = delete;

    // ---- Paths and files -----------------------------------------------------------------------

    /// Always "." (the current directory); the executable's location is not looked up.
    static std::string GetExecutableDir();
    /// Returns `text` unchanged: no variable reference is expanded.
    static std::string ExpandEnvironmentVariables(const std::string& text);
    /// Returns `path` unchanged.
    static std::string ResolveRelativePath(const std::string& path);

    /// Everything before the last '\' or '/': "a/b/c.txt" -> "a/b", "a/b/" -> "a/b";
    /// "" when the path has no separator ("c.txt") or only a leading one ("/c.txt").
    static std::string ExtractDir(const std::string& path);
    /// Everything after the last '\' or '/', the whole path when there is none:
    /// "a\b" -> "b", "c.txt" -> "c.txt", "a/b/" -> "".
    static std::string ExtractFileName(const std::string& path);
    /// The text after the last '.' of the file name: "a/b.tar.gz" -> "gz", ".profile" -> "profile".
    /// "" when the file name has no dot ("a/b.d/file", "file") or ends with one ("file.").
    static std::string ExtractFileExtension(const std::string& path);
    /// `directory` + '/' + `name`; the '/' is left out when `directory` is empty or already ends
    /// with
    /// '/' (a trailing '\' does not count). `name` is appended as it is: ("a", "/b") -> "a//b".
    static std::string MakeFullPath(const std::string& directory, const std::string& name);
    /// Decided by the first '\', '/' or '.' of the path: a dot, or none of them, means relative; a
    /// separator at position 0 or right after ':' means absolute ("/x", "\x", "C:\x", "C:/x");
    /// any other separator position means relative ("x/y", "C:x").
    static bool IsAbsolutePath(const std::string& path);

    /// True when the path can be opened for reading (fopen "r", closed again at once): a file
    /// without read permission counts as absent. Blocks as long as the file system does.
    static bool FileExists(const std::string& path);
    /// True when `stat` succeeds (links followed) and reports a directory.
    static bool DirectoryExists(const std::string& path);
    /// Removes the file or empty directory with the C library's `remove`; true when it succeeded.
    /// The reason of a failure is left in errno.
    static bool RemoveFile(const std::string& path);
    /// Does nothing: no file is looked at and `callback` is never called.
    static void SearchFiles(const char* directory, const char* pattern,
                            int (*callback)(const char*, void*), void* context);

    // ---- Narrow, wide and TString text (unit by unit, no UTF decoding) -------------------------

    /// One wide character per byte, the byte's unsigned value: 0xC3 0xA9 -> U+00C3 U+00A9.
    static std::wstring AsciiToUnicode(const std::string& text);
    /// Same as `AsciiToUnicode`: UTF-8 sequences are not decoded.
    static std::wstring UTF8ToUnicode(const std::string& text);
    /// Same as `AsciiToUnicode`.
    static std::wstring TStringToUnicode(const TString& text);
    /// One byte per wide character, its low 8 bits: U+00E9 -> 0xE9, U+20AC -> 0xAC.
    static std::string UnicodeToAscii(const std::wstring& text);
    /// Same as `UnicodeToAscii`: nothing is encoded as UTF-8.
    static std::string UnicodeToUTF8(const std::wstring& text);
    /// Same as `UnicodeToAscii`.
    static TString UnicodeToTString(const std::wstring& text);
    /// Plain copies (TString is the narrow string).
    static TString AsciiToTString(const std::string& text);
    /// A plain copy.
    static std::string TStringToAscii(const TString& text);
    /// A plain copy: no conversion.
    static TString UTF8ToTString(const std::string& text);
    /// A plain copy: no conversion.
    static std::string TStringToUTF8(const TString& text);

    // ---- Numbers and text ----------------------------------------------------------------------

    /// Decimal text of `value` ("%ld").
    static std::string LongToString(long value);
    /// Decimal text of `value` ("%lld"), at most 20 characters.
    static std::string Int64ToString(long long value);
    /// `value` in fixed notation. A precision of 0 to 9 gives that many decimals and at most
    /// precision + 16 characters; any other precision gives six decimals and at most 16 characters.
    /// Longer text loses its tail: 1234567890.5 with precision -1 gives "1234567890.50000".
    static std::string DoubleToString(double value, int precision);
    /// `strtol` of the text with `base` (0 lets a prefix choose 8, 10 or 16). The result is 32-bit
    /// on every host: text beyond the 32-bit range gives -2147483648 or 2147483647 (the flag still
    /// says only whether the conversion stopped at the end of the text). When `success` is
    /// not null it is set to true exactly when the conversion stopped at the end of the text:
    /// " 42" -> 42/true, "42 " -> 42/false, "x" -> 0/false, "" -> 0/true.
    static long StringToLong(const std::string& text, int base = 10, bool* success = nullptr);
    /// Same as `StringToLong` with `strtod`: "2.5e3" -> 2500/true, "2,5" -> 2/false.
    static double StringToDouble(const std::string& text, bool* success = nullptr);

    // ---- Case and splitting --------------------------------------------------------------------

    /// Change 'A'-'Z' (or 'a'-'z') in place; every other byte, 0x80-0xFF included, stays. The
    /// result does not depend on the process's locale.
    static void ToLower(std::string& text);
    /// Maps 'a'-'z' to 'A'-'Z' in place, as ToLower maps the other way.
    static void ToUpper(std::string& text);
    /// Pieces of `text` between occurrences of the whole `delimiter` string, in order. Empty pieces
    /// stay: "a,b,,c" -> a|b||c, ",a," -> |a|, "," -> |. A text without the delimiter is one piece;
    /// the empty text gives no pieces. An empty delimiter gives the whole text as one piece.
    static std::vector<std::string> SplitString(const std::string& text,
                                                const std::string& delimiter);
};

}  // namespace Vesk

#endif  // VESK_SYSUTILS_H
