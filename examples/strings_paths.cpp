// SPDX-License-Identifier: Apache-2.0
// String and path utilities: the DornCommon helpers, CSysUtils paths, numbers and splitting.
#include <vesk/stringhelpers.h>
#include <vesk/sysutils.h>

#include <string>
#include <vector>

#include "examplecheck.h"

int main() {
    using Vesk::CSysUtils;

    // snippet: string-helpers
    std::string text = "  a-b-c \n";
    DornCommon::trimString(text);                              // "a-b-c"
    const int count = DornCommon::replaceAll(text, "-", "+");  // 2: "a+b+c"
    DornCommon::ToUpperInPlace(text);  // "A+B+C" (bytes 0x80-0xFF unchanged)
    // end-snippet
    Example::Check(text == "A+B+C" && count == 2, "trim, replace every occurrence, upper case");

    // snippet: paths
    // Paths are byte strings: nothing touches the file system. '\' and '/' both separate.
    const std::string dir = CSysUtils::ExtractDir("logs\\2024/run.tar.gz");      // "logs\\2024"
    const std::string name = CSysUtils::ExtractFileName("logs/run.tar.gz");      // "run.tar.gz"
    const std::string ext = CSysUtils::ExtractFileExtension("logs/run.tar.gz");  // "gz"
    const std::string full = CSysUtils::MakeFullPath("logs", "run.txt");         // "logs/run.txt"
    const bool absolute = CSysUtils::IsAbsolutePath("C:\\data");                 // true
    // end-snippet
    Example::Check(dir == "logs\\2024" && name == "run.tar.gz" && ext == "gz", "path parts");
    Example::Check(full == "logs/run.txt" && absolute, "joining, absolute test");

    // snippet: numbers
    bool ok = false;
    const long n = CSysUtils::StringToLong("0x1F", 0, &ok);  // 31, ok == true
    bool whole = true;
    CSysUtils::StringToLong("42 ", 10, &whole);  // 42, whole == false (trailing blank)
    const std::string pi = CSysUtils::DoubleToString(3.14159, 2);                  // "3.14"
    const std::vector<std::string> parts = CSysUtils::SplitString("a,b,,c", ",");  // a|b||c
    // end-snippet
    Example::Check(n == 31 && ok && !whole && pi == "3.14", "numbers with a success flag");
    Example::Check(parts.size() == 4 && parts[2].empty(), "splitting keeps empty pieces");

    // snippet: widening-trap
    // Byte-wise widening: no UTF-8 decoding. Use Vesk::UTF8_To_WString for UTF-8 text.
    const std::wstring widened = DornCommon::toUNICODE("é");      // 2 characters: U+00C3 U+00A9
    const std::string narrowed = DornCommon::toASCII(L"\u20AC");  // 1 byte: 0xAC (low 8 bits)
    // end-snippet
    Example::Check(widened.size() == 2 && narrowed == "\xAC",
                   "widening and narrowing are unit by unit");
    return Example::Result();
}
